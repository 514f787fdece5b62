// Native bindings of the LCDUI and game classes.
#include "natives/ui/bindings.h"

#include "natives/ui/gamecanvas_natives.h"
#include "natives/ui/lcdui_natives.h"
#include "natives/ui/sprite_natives.h"
#include "natives/ui/tiledlayer_natives.h"
#include "natives/ui/uievent_natives.h"

#define NATIVE(name, descriptor, fn) {name, descriptor, fn, #fn}
#define UNBOUND(name, descriptor) {name, descriptor, nullptr, nullptr}
#define CLASS(name, table) {name, table, (int32_t)(sizeof table / sizeof table[0])}

static const NativeMethodBinding GraphicsNatives[] = {
    UNBOUND("nativeCreateGraphics", "(I)I"),
    UNBOUND("nativeSetFont", "(I)V"),
    UNBOUND("setColor", "(III)V"),
    UNBOUND("setColor", "(I)V"),
    UNBOUND("setGrayScale", "(I)V"),
    UNBOUND("getGrayScale", "()I"),
    UNBOUND("getDisplayColor", "(I)I"),
    UNBOUND("setStrokeStyle", "(I)V"),
    UNBOUND("getStrokeStyle", "()I"),
    UNBOUND("drawLine", "(IIII)V"),
    UNBOUND("drawRect", "(IIII)V"),
    UNBOUND("fillRect", "(IIII)V"),
    UNBOUND("drawRoundRect", "(IIIIII)V"),
    UNBOUND("fillRoundRect", "(IIIIII)V"),
    UNBOUND("drawArc", "(IIIIII)V"),
    UNBOUND("fillArc", "(IIIIII)V"),
    UNBOUND("fillTriangle", "(IIIIII)V"),
    UNBOUND("drawString", "(Ljava/lang/String;III)V"),
    UNBOUND("drawSubstring", "(Ljava/lang/String;IIIII)V"),
    UNBOUND("drawChar", "(CIII)V"),
    UNBOUND("drawChars", "([CIIIII)V"),
    UNBOUND("drawImage", "(Ljavax/microedition/lcdui/Image;III)V"),
    UNBOUND("drawRegion", "(Ljavax/microedition/lcdui/Image;IIIIIIII)V"),
    UNBOUND("drawRGB", "([IIIIIIIZ)V"),
    UNBOUND("copyArea", "(IIIIIII)V"),
    UNBOUND("translate", "(II)V"),
    UNBOUND("setOrigin", "(II)V"),
    UNBOUND("setClip", "(IIII)V"),
    UNBOUND("clipRect", "(IIII)V"),
    UNBOUND("setUpperClip", "(IIII)V"),
    UNBOUND("clearRect", "()V"),
    UNBOUND("nativeGetInvalidHandle", "()I"),
    UNBOUND("initializeFieldIndex", "()V"),
    UNBOUND("registNativeFinalizer", "()V"),
};

static const NativeMethodBinding UIGraphicsNatives[] = {
    UNBOUND("nativeInit", "()I"),
};

static const NativeMethodBinding ImageNatives[] = {
    UNBOUND("nativeCreateImage", "([BII)I"),
    UNBOUND("nativeCreateRGBImage", "([IIIZ)I"),
    UNBOUND("nativeCreateCroppedImage", "(IIIIIIZ)I"),
    UNBOUND("nativeCreateOffScreen", "(II)I"),
    UNBOUND("nativeGetImageWidth", "(IZ)I"),
    UNBOUND("nativeGetImageHeight", "(IZ)I"),
    UNBOUND("nativeGetRGBImage", "(I[IIIIIIIIZ)V"),
    UNBOUND("nativeGetInvalidHandle", "()I"),
    UNBOUND("initializeFieldIndex", "()V"),
    UNBOUND("registNativeFinalizer", "()V"),
};

static const NativeMethodBinding FontNatives[] = {
    UNBOUND("initializeIndex", "()V"),
    UNBOUND("nativeCreateFont", "(II)I"),
    UNBOUND("nativeGetDefault", "(I)I"),
    UNBOUND("charWidth", "(C)I"),
    UNBOUND("charsWidth", "([CII)I"),
    UNBOUND("substringWidth", "(Ljava/lang/String;II)I"),
    UNBOUND("nativeGetHeight", "(I)I"),
    UNBOUND("nativeGetBaselinePosition", "(I)I"),
    UNBOUND("nativeGetType", "(I)I"),
    UNBOUND("nativeGetSize", "(I)I"),
    UNBOUND("nativeGetInvalidHandle", "()I"),
    UNBOUND("registNativeFinalizer", "()V"),
};

static const NativeMethodBinding RectangleNatives[] = {
    UNBOUND("initializeFieldIndex", "()Z"),
    UNBOUND("contains", "(IIIIII)Z"),
    UNBOUND("contains", "(IIIIIIII)Z"),
    UNBOUND("intersects", "(IIIIIIII)Z"),
    UNBOUND("intersection", "(Lcom/movane/util/Rectangle;IIII)Lcom/movane/util/Rectangle;"),
    UNBOUND("union", "(Lcom/movane/util/Rectangle;IIII)Lcom/movane/util/Rectangle;"),
};

#define CANVAS(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_Canvas_##name)
static const NativeMethodBinding CanvasNatives[] = {
    CANVAS(setDisplayInfo, "(III)V"),
    CANVAS(nativeGetWidth, "()I"),
    CANVAS(nativeGetHeight, "()I"),
    CANVAS(nativeUpdateScreenProperty, "()I"),
    CANVAS(nativeInitGameAction, "()V"),
    CANVAS(nativeGetKeyCode, "(I)I"),
    CANVAS(nativeGetGameAction, "(I)I"),
    CANVAS(nativeGetKeyName, "(I)Ljava/lang/String;"),
    CANVAS(nativeIsNecessaryKeycodeBackwardCompatible, "()Z"),
};
#undef CANVAS

#define DISPLAYABLE(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_Displayable_##name)
static const NativeMethodBinding DisplayableNatives[] = {
    DISPLAYABLE(nativeSetFullScreenMode, "(Z)Z"),
    DISPLAYABLE(nativeGetFullScreenMode, "()Z"),
    DISPLAYABLE(nativeSetHighLevelGraphics, "(I)V"),
    DISPLAYABLE(nativeSetSoftLabel, "(ILjava/lang/String;)V"),
    DISPLAYABLE(nativeResetSoftLabels, "()V"),
    DISPLAYABLE(nativePaintSoftkey, "()V"),
    NATIVE("_setFocusState", "(I)V", Java_javax_microedition_lcdui_Displayable__1setFocusState),
    NATIVE("_setScrollState", "(I)V", Java_javax_microedition_lcdui_Displayable__1setScrollState),
    NATIVE("_setScrollPosition", "(IIIII)V", Java_javax_microedition_lcdui_Displayable__1setScrollPosition),
    DISPLAYABLE(nativeGetCommandKey, "(I)I"),
    DISPLAYABLE(translateKeyCode, "(I)I"),
    NATIVE("_getPlatformKeyCode", "(I)I", Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode),
    DISPLAYABLE(nativeDrawAniChars, "()V"),
    DISPLAYABLE(nativeGetUserKeyBase, "()I"),
    DISPLAYABLE(enableMappedBackCommand, "()Z"),
    DISPLAYABLE(checkCommandPriorityFirst, "()Z"),
    DISPLAYABLE(getCommandTypePriority, "()[I"),
};
#undef DISPLAYABLE

#define DISPLAY(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_Display_##name)
static const NativeMethodBinding DisplayNatives[] = {
    DISPLAY(nativeInitializeDisplay, "()V"),
    DISPLAY(nativeNumAlphaLevels, "()I"),
    DISPLAY(nativeClearArrows, "()V"),
    DISPLAY(nativeNeedUpdateListInit, "()I"),
    DISPLAY(nativeNeedUpdate, "(Ljavax/microedition/lcdui/Displayable;)Z"),
    DISPLAY(nativeGetRepaintInterval, "()I"),
    DISPLAY(nativeStartBacklightFlash, "(I)Z"),
    DISPLAY(nativeStopBacklightFlash, "()Z"),
    DISPLAY(nativeStartVibration, "(I)Z"),
    DISPLAY(nativeStopVibration, "()Z"),
};
#undef DISPLAY

static const NativeMethodBinding OnScreenGraphicsNatives[] = {
    NATIVE("nativeStartDraw", "()V", Java_javax_microedition_lcdui_OnScreenGraphics_nativeStartDraw),
    NATIVE("nativeEndDraw", "(Z)V", Java_javax_microedition_lcdui_OnScreenGraphics_nativeEndDraw),
};

#define HANDLER(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_UiEventHandler_##name)
static const NativeMethodBinding UiEventHandlerNatives[] = {
    HANDLER(nativePostMIDPEvent, "(IIIII)V"),
    HANDLER(nativePostRepaintEvent, "(Z)V"),
    HANDLER(nativePostSetCurrentEvent, "()V"),
    HANDLER(nativePostSizeChangedEvent, "(II)V"),
};
#undef HANDLER

static const NativeMethodBinding AlertTypeNatives[] = {
    NATIVE("nativePlaySound", "(I)Z", Java_javax_microedition_lcdui_AlertType_nativePlaySound),
};

#define GAME(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_game_GameCanvas_##name)
static const NativeMethodBinding GameCanvasNatives[] = {
    GAME(initializeStaticValues, "()V"),
    GAME(getFullScreenWidth, "()I"),
    GAME(getFullScreenHeight, "()I"),
    GAME(createGraphicsContext, "()I"),
    GAME(initializeGameCanvas, "(Ljavax/microedition/lcdui/game/GameCanvas;Z)V"),
    GAME(nativeFlushGraphics, "(IIIIIIZZ)V"),
    GAME(nativeGetKeyStates, "()I"),
    GAME(nativeClearKeyStates, "()V"),
    GAME(getOffScreenID, "(Ljavax/microedition/lcdui/Image;)I"),
};
#undef GAME

#define SPRITE(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_game_Sprite_##name)
static const NativeMethodBinding SpriteNatives[] = {
    SPRITE(initializeFieldIndex, "()V"),
    SPRITE(nativeCreatePrimitive, "(Ljavax/microedition/lcdui/game/Sprite;Ljavax/microedition/lcdui/Image;II)I"),
    SPRITE(nativeSetTexture, "(ILjavax/microedition/lcdui/Image;II)V"),
    SPRITE(nativeSetCollisionRect, "(IIIII)V"),
    SPRITE(nativeCalculateTextureUV, "(IIIII)V"),
    SPRITE(registNativeFinalizer, "()V"),
    SPRITE(setTransform, "(I)V"),
    SPRITE(defineReferencePixel, "(II)V"),
    SPRITE(setRefPixelPosition, "(II)V"),
    SPRITE(getRefPixelX, "()I"),
    SPRITE(getRefPixelY, "()I"),
    SPRITE(setFrame, "(I)V"),
    SPRITE(nextFrame, "()V"),
    SPRITE(prevFrame, "()V"),
    SPRITE(paint, "(Ljavax/microedition/lcdui/Graphics;)V"),
    SPRITE(defineCollisionRectangle, "(IIII)V"),
    NATIVE("collidesWith", "(Ljavax/microedition/lcdui/game/Sprite;Z)Z",
           Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_Sprite_2Z),
    NATIVE("collidesWith", "(Ljavax/microedition/lcdui/game/TiledLayer;Z)Z",
           Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_TiledLayer_2Z),
    NATIVE("collidesWith", "(Ljavax/microedition/lcdui/Image;IIZ)Z",
           Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_Image_2IIZ),
};
#undef SPRITE

#define TILED(name, descriptor) NATIVE(#name, descriptor, Java_javax_microedition_lcdui_game_TiledLayer_##name)
static const NativeMethodBinding TiledLayerNatives[] = {
    TILED(initializeFieldIndex, "()V"),
    TILED(nativeCreatePrimitive, "(Ljavax/microedition/lcdui/game/TiledLayer;Ljavax/microedition/lcdui/Image;IIII)I"),
    TILED(nativeSetTexture, "(ILjavax/microedition/lcdui/Image;II)V"),
    TILED(nativeSetCells, "(IIIIII)V"),
    TILED(registNativeFinalizer, "()V"),
    TILED(createAnimatedTile, "(I)I"),
    TILED(setAnimatedTile, "(II)V"),
    TILED(getAnimatedTile, "(I)I"),
    TILED(setCell, "(III)V"),
    TILED(getCell, "(II)I"),
    TILED(fillCells, "(IIIII)V"),
    TILED(paint, "(Ljavax/microedition/lcdui/Graphics;)V"),
};
#undef TILED

static const NativeClassBinding UiClassBindings[] = {
    CLASS("javax/microedition/lcdui/Graphics", GraphicsNatives),
    CLASS("javax/microedition/lcdui/UIGraphics", UIGraphicsNatives),
    CLASS("javax/microedition/lcdui/Image", ImageNatives),
    CLASS("javax/microedition/lcdui/Font", FontNatives),
    CLASS("com/movane/util/Rectangle", RectangleNatives),
    CLASS("javax/microedition/lcdui/Canvas", CanvasNatives),
    CLASS("javax/microedition/lcdui/Displayable", DisplayableNatives),
    CLASS("javax/microedition/lcdui/Display", DisplayNatives),
    CLASS("javax/microedition/lcdui/OnScreenGraphics", OnScreenGraphicsNatives),
    CLASS("javax/microedition/lcdui/UiEventHandler", UiEventHandlerNatives),
    CLASS("javax/microedition/lcdui/AlertType", AlertTypeNatives),
    CLASS("javax/microedition/lcdui/game/GameCanvas", GameCanvasNatives),
    CLASS("javax/microedition/lcdui/game/Sprite", SpriteNatives),
    CLASS("javax/microedition/lcdui/game/TiledLayer", TiledLayerNatives),
};

const NativeBindingTable UiNativeBindings = {UiClassBindings,
                                             (int32_t)(sizeof UiClassBindings / sizeof UiClassBindings[0])};

void installUiNatives() {
    NativeTables.tables[NATIVES_UI] = &UiNativeBindings;
    lcdui_installServices();
}
