// Native bindings of the LCDUI and game classes.
#include "natives/ui/bindings.h"

#include "natives/ui/font_natives.h"
#include "natives/ui/gamecanvas_natives.h"
#include "natives/ui/graphics_natives.h"
#include "natives/ui/image_natives.h"
#include "natives/ui/lcdui_natives.h"
#include "natives/ui/sprite_natives.h"
#include "natives/ui/tiledlayer_natives.h"
#include "natives/ui/uievent_natives.h"

#define NATIVE(name, descriptor, fn) \
    { name, descriptor, fn, #fn }
#define CLASS(name, table) \
    { name, table, (int32_t)(sizeof table / sizeof table[0]) }

static const NativeMethodBinding GraphicsNatives[] = {
    NATIVE("nativeCreateGraphics", "(I)I", Java_javax_microedition_lcdui_Graphics_nativeCreateGraphics),
    NATIVE("nativeSetFont", "(I)V", Java_javax_microedition_lcdui_Graphics_nativeSetFont),
    NATIVE("setColor", "(III)V", Java_javax_microedition_lcdui_Graphics_setColor__III),
    NATIVE("setColor", "(I)V", Java_javax_microedition_lcdui_Graphics_setColor__I),
    NATIVE("setGrayScale", "(I)V", Java_javax_microedition_lcdui_Graphics_setGrayScale),
    NATIVE("getGrayScale", "()I", Java_javax_microedition_lcdui_Graphics_getGrayScale),
    NATIVE("getDisplayColor", "(I)I", Java_javax_microedition_lcdui_Graphics_getDisplayColor),
    NATIVE("setStrokeStyle", "(I)V", Java_javax_microedition_lcdui_Graphics_setStrokeStyle),
    NATIVE("getStrokeStyle", "()I", Java_javax_microedition_lcdui_Graphics_getStrokeStyle),
    NATIVE("drawLine", "(IIII)V", Java_javax_microedition_lcdui_Graphics_drawLine),
    NATIVE("drawRect", "(IIII)V", Java_javax_microedition_lcdui_Graphics_drawRect),
    NATIVE("fillRect", "(IIII)V", Java_javax_microedition_lcdui_Graphics_fillRect),
    NATIVE("drawRoundRect", "(IIIIII)V", Java_javax_microedition_lcdui_Graphics_drawRoundRect),
    NATIVE("fillRoundRect", "(IIIIII)V", Java_javax_microedition_lcdui_Graphics_fillRoundRect),
    NATIVE("drawArc", "(IIIIII)V", Java_javax_microedition_lcdui_Graphics_drawArc),
    NATIVE("fillArc", "(IIIIII)V", Java_javax_microedition_lcdui_Graphics_fillArc),
    NATIVE("fillTriangle", "(IIIIII)V", Java_javax_microedition_lcdui_Graphics_fillTriangle),
    NATIVE("drawString", "(Ljava/lang/String;III)V", Java_javax_microedition_lcdui_Graphics_drawString),
    NATIVE("drawSubstring", "(Ljava/lang/String;IIIII)V", Java_javax_microedition_lcdui_Graphics_drawSubstring),
    NATIVE("drawChar", "(CIII)V", Java_javax_microedition_lcdui_Graphics_drawChar),
    NATIVE("drawChars", "([CIIIII)V", Java_javax_microedition_lcdui_Graphics_drawChars),
    NATIVE("drawImage", "(Ljavax/microedition/lcdui/Image;III)V", Java_javax_microedition_lcdui_Graphics_drawImage),
    NATIVE("drawRegion", "(Ljavax/microedition/lcdui/Image;IIIIIIII)V",
           Java_javax_microedition_lcdui_Graphics_drawRegion),
    NATIVE("drawRGB", "([IIIIIIIZ)V", Java_javax_microedition_lcdui_Graphics_drawRGB),
    NATIVE("copyArea", "(IIIIIII)V", Java_javax_microedition_lcdui_Graphics_copyArea),
    NATIVE("translate", "(II)V", Java_javax_microedition_lcdui_Graphics_translate),
    NATIVE("setOrigin", "(II)V", Java_javax_microedition_lcdui_Graphics_setOrigin),
    NATIVE("setClip", "(IIII)V", Java_javax_microedition_lcdui_Graphics_setClip),
    NATIVE("clipRect", "(IIII)V", Java_javax_microedition_lcdui_Graphics_clipRect),
    NATIVE("setUpperClip", "(IIII)V", Java_javax_microedition_lcdui_Graphics_setUpperClip),
    NATIVE("clearRect", "()V", Java_javax_microedition_lcdui_Graphics_clearRect),
    NATIVE("nativeGetInvalidHandle", "()I", Java_javax_microedition_lcdui_Graphics_nativeGetInvalidHandle),
    NATIVE("initializeFieldIndex", "()V", Java_javax_microedition_lcdui_Graphics_initializeFieldIndex),
    NATIVE("registNativeFinalizer", "()V", Java_javax_microedition_lcdui_Graphics_registNativeFinalizer),
};

static const NativeMethodBinding UIGraphicsNatives[] = {
    NATIVE("nativeInit", "()I", Java_javax_microedition_lcdui_UIGraphics_nativeInit),
};

static const NativeMethodBinding ImageNatives[] = {
    NATIVE("nativeCreateImage", "([BII)I", Java_javax_microedition_lcdui_Image_nativeCreateImage),
    NATIVE("nativeCreateRGBImage", "([IIIZ)I", Java_javax_microedition_lcdui_Image_nativeCreateRGBImage),
    NATIVE("nativeCreateCroppedImage", "(IIIIIIZ)I", Java_javax_microedition_lcdui_Image_nativeCreateCroppedImage),
    NATIVE("nativeCreateOffScreen", "(II)I", Java_javax_microedition_lcdui_Image_nativeCreateOffScreen),
    NATIVE("nativeGetImageWidth", "(IZ)I", Java_javax_microedition_lcdui_Image_nativeGetImageWidth),
    NATIVE("nativeGetImageHeight", "(IZ)I", Java_javax_microedition_lcdui_Image_nativeGetImageHeight),
    NATIVE("nativeGetRGBImage", "(I[IIIIIIIIZ)V", Java_javax_microedition_lcdui_Image_nativeGetRGBImage),
    NATIVE("nativeGetInvalidHandle", "()I", Java_javax_microedition_lcdui_Image_nativeGetInvalidHandle),
    NATIVE("initializeFieldIndex", "()V", Java_javax_microedition_lcdui_Image_initializeFieldIndex),
    NATIVE("registNativeFinalizer", "()V", Java_javax_microedition_lcdui_Image_registNativeFinalizer),
};

static const NativeMethodBinding FontNatives[] = {
    NATIVE("initializeIndex", "()V", Java_javax_microedition_lcdui_Font_initializeIndex),
    NATIVE("nativeCreateFont", "(II)I", Java_javax_microedition_lcdui_Font_nativeCreateFont),
    NATIVE("nativeGetDefault", "(I)I", Java_javax_microedition_lcdui_Font_nativeGetDefault),
    NATIVE("charWidth", "(C)I", Java_javax_microedition_lcdui_Font_charWidth),
    NATIVE("charsWidth", "([CII)I", Java_javax_microedition_lcdui_Font_charsWidth),
    NATIVE("substringWidth", "(Ljava/lang/String;II)I", Java_javax_microedition_lcdui_Font_substringWidth),
    NATIVE("nativeGetHeight", "(I)I", Java_javax_microedition_lcdui_Font_nativeGetHeight),
    NATIVE("nativeGetBaselinePosition", "(I)I", Java_javax_microedition_lcdui_Font_nativeGetBaselinePosition),
    NATIVE("nativeGetType", "(I)I", Java_javax_microedition_lcdui_Font_nativeGetType),
    NATIVE("nativeGetSize", "(I)I", Java_javax_microedition_lcdui_Font_nativeGetSize),
    NATIVE("nativeGetInvalidHandle", "()I", Java_javax_microedition_lcdui_Font_nativeGetInvalidHandle),
    NATIVE("registNativeFinalizer", "()V", Java_javax_microedition_lcdui_Font_registNativeFinalizer),
};

static const NativeMethodBinding RectangleNatives[] = {
    NATIVE("initializeFieldIndex", "()Z", Java_com_movane_util_Rectangle_initializeFieldIndex),
    NATIVE("contains", "(IIIIII)Z", Java_com_movane_util_Rectangle_contains__IIIIII),
    NATIVE("contains", "(IIIIIIII)Z", Java_com_movane_util_Rectangle_contains__IIIIIIII),
    NATIVE("intersects", "(IIIIIIII)Z", Java_com_movane_util_Rectangle_intersects),
    NATIVE("intersection", "(Lcom/movane/util/Rectangle;IIII)Lcom/movane/util/Rectangle;",
           Java_com_movane_util_Rectangle_intersection),
    NATIVE("union", "(Lcom/movane/util/Rectangle;IIII)Lcom/movane/util/Rectangle;",
           Java_com_movane_util_Rectangle_union),
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
