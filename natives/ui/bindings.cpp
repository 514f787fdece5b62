// Native bindings of the LCDUI and game classes.
#include "natives/ui/bindings.h"

#include "natives/ui/confirm_natives.h"
#include "natives/ui/font_natives.h"
#include "natives/ui/gamecanvas_natives.h"
#include "natives/ui/graphics_natives.h"
#include "natives/ui/image_natives.h"
#include "natives/ui/item_natives.h"
#include "natives/ui/kiv_natives.h"
#include "natives/ui/kiv_peer_natives.h"
#include "natives/ui/lcdui_natives.h"
#include "natives/ui/list_natives.h"
#include "natives/ui/sprite_natives.h"
#include "natives/ui/tiledlayer_natives.h"
#include "natives/ui/uievent_natives.h"
#include "toolkit/guitk_host.h"
#include "vm/loader/hooks.h"

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

#define KIV(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_kiv_KivComponent_##name)
#define CONSTANT(name, value) NATIVE(#name, "()I", kivPush_##value)
static const NativeMethodBinding KivComponentNatives[] = {
    KIV(nativeInit, "()Z"),
    KIV(nativeUIGraphicsInit, "()Z"),
    KIV(getPrefGlobalColor, "(I)I"),
    KIV(getGraphics, "()I"),
    KIV(relayoutAll, "()V"),
    KIV(setGrobalLanguageDirection, "(I)V"),
    KIV(getType, "()I"),
    KIV(setFocusPolicy, "(I)V"),
    KIV(getFocusPolicy, "()I"),
    KIV(setState, "(I)V"),
    KIV(getState, "()I"),
    KIV(setAlignmentX, "(I)V"),
    KIV(setLocation, "(II)V"),
    KIV(getX, "()I"),
    KIV(getY, "()I"),
    KIV(setSize, "(II)V"),
    KIV(getWidth, "()I"),
    KIV(getHeight, "()I"),
    KIV(getPreferredWidth, "()I"),
    KIV(getPreferredHeight, "()I"),
    KIV(getPreferredWidthWithRespectToHeight, "(I)I"),
    KIV(getPreferredHeightWithRespectToWidth, "(I)I"),
    KIV(getMinimumWidth, "()I"),
    KIV(getMinimumHeight, "()I"),
    KIV(getInsetTop, "()I"),
    KIV(getInsetLeft, "()I"),
    KIV(getInsetRight, "()I"),
    KIV(getInsetBottom, "()I"),
    KIV(setFont, "(I)V"),
    KIV(setTruncateMode, "(Z)V"),
    KIV(show, "(I)V"),
    KIV(paint, "(I)V"),
    KIV(hide, "()V"),
    KIV(processKeyEvent, "(IIC)I"),
    KIV(processPointerEvent, "(IIII)I"),
    CONSTANT(nativeGetDisabled, 0),
    CONSTANT(nativeGetEnabled, 1),
    CONSTANT(nativeGetFocused, 2),
    CONSTANT(nativeGetActive, 3),
    CONSTANT(nativeGetFocusPolicyOccupy, 0),
    CONSTANT(nativeGetFocusPolicySmooth, 1),
    NATIVE("nativeGetInvalidHandle", "()I", kivPushMinusOne),
    CONSTANT(nativeGetTrue, 1),
    CONSTANT(nativeGetFalse, 0),
    CONSTANT(nativeGetPrefGlobalColorBackground, 0),
    CONSTANT(nativeGetPrefGlobalColorForeground, 1),
    CONSTANT(nativeGetPrefGlobalColorFocusedBackground, 2),
    CONSTANT(nativeGetPrefGlobalColorFocusedForeground, 3),
    CONSTANT(nativeGetPrefGlobalColorBorder, 4),
    CONSTANT(nativeGetPrefGlobalColorFocusedBorder, 5),
    CONSTANT(nativeGetAlignXCenter, 0),
    CONSTANT(nativeGetAlignXLeft, 1),
    CONSTANT(nativeGetAlignXRight, 2),
    CONSTANT(nativeGetDirLtr, 0),
    CONSTANT(nativeGetDirRtl, 1),
};
#undef KIV

static const NativeMethodBinding KivKeyEventNatives[] = {
    CONSTANT(nativeGetKeepFocusNo, 1),
};

static const NativeMethodBinding KivMidpNatives[] = {
    CONSTANT(nativeGetScreenScrollBarNo, 0),
    CONSTANT(nativeGetChoiceGroupMultipleNo, 257),
    CONSTANT(nativeGetListMultipleNo, 258),
    CONSTANT(nativeGetChoiceGroupExclusiveNo, 259),
    CONSTANT(nativeGetListExclusiveNo, 260),
    CONSTANT(nativeGetListImplicitNo, 262),
    CONSTANT(nativeGetChoiceGroupPopupNo, 263),
    CONSTANT(nativeGetCommandMenuNo, 264),
    CONSTANT(nativeGetTextBoxNo, 265),
    CONSTANT(nativeGetTextFieldNo, 266),
    CONSTANT(nativeGetTickerNo, 267),
    CONSTANT(nativeGetGaugeInteractiveNo, 268),
    CONSTANT(nativeGetGaugeNonInteractiveNo, 269),
    CONSTANT(nativeGetDateFieldNo, 270),
    CONSTANT(nativeGetItemLabelNo, 271),
    CONSTANT(nativeGetDisplayableTitleNo, 272),
    CONSTANT(nativeGetStringitemButtonNo, 274),
    CONSTANT(nativeGetImageitemButtonNo, 275),
    CONSTANT(nativeGetPermissionDialogNo, 276),
    CONSTANT(nativeGetAlertNo, 277),
};

#define PEER(kind, name, descriptor) NATIVE(#name, descriptor, Java_com_movane_kiv_##kind##_##name)
#define PEER_LIFETIME(kind) \
    PEER(kind, nativeInit, "()Z"), PEER(kind, nativeCreate, "(I)I"), PEER(kind, nativeDelete, "(I)V")
static const NativeMethodBinding KivButtonNatives[] = {
    PEER_LIFETIME(KivButton),          PEER(KivButton, setText, "(Ljava/lang/String;)V"),
    PEER(KivButton, setImage, "(I)V"), PEER(KivButton, setOffScreen, "(I)V"),
    CONSTANT(nativeGetButtonNo, 1),    CONSTANT(nativeGetPushed, 0x10009),
};

static const NativeMethodBinding KivLabelNatives[] = {
    PEER_LIFETIME(KivLabel),
    PEER(KivLabel, setText, "(Ljava/lang/String;)V"),
    CONSTANT(nativeGetLabelNo, 5),
};

static const NativeMethodBinding KivTitleNatives[] = {
    PEER_LIFETIME(KivTitle),
    PEER(KivTitle, setText, "(Ljava/lang/String;)V"),
    CONSTANT(nativeGetTitleNo, 6),
};

static const NativeMethodBinding KivGaugeNatives[] = {
    PEER_LIFETIME(KivGauge),
    PEER(KivGauge, setMode, "(I)V"),
    PEER(KivGauge, getMode, "()I"),
    PEER(KivGauge, setValue, "(I)V"),
    PEER(KivGauge, getValue, "()I"),
    PEER(KivGauge, setMaxValue, "(I)V"),
    PEER(KivGauge, getMaxValue, "()I"),
    PEER(KivGauge, increment, "(I)V"),
    PEER(KivGauge, decrement, "(I)V"),
    PEER(KivGauge, idle, "(I)V"),
    CONSTANT(nativeGetGaugeNo, 9),
    CONSTANT(nativeGetNormal, 0),
    CONSTANT(nativeGetIndefinite, 1),
    CONSTANT(nativeGetContinuous, 0),
    CONSTANT(nativeGetIncremental, 1),
    CONSTANT(nativeGetValueChanged, 0x10009),
};

static const NativeMethodBinding KivTickerNatives[] = {
    PEER_LIFETIME(KivTicker),
    PEER(KivTicker, setText, "(Ljava/lang/String;)V"),
    PEER(KivTicker, update, "()V"),
    CONSTANT(nativeGetTickerNo, 4),
};

static const NativeMethodBinding KivAlertNatives[] = {
    PEER_LIFETIME(KivAlert),
    PEER(KivAlert, setAlertType, "(I)V"),
    PEER(KivAlert, getAlertType, "()I"),
    PEER(KivAlert, setTitle, "(Ljava/lang/String;)V"),
    PEER(KivAlert, setMessage, "(Ljava/lang/String;)V"),
    PEER(KivAlert, setTicker0, "(Lcom/movane/kiv/KivTicker;)V"),
    PEER(KivAlert, setGauge0, "(Lcom/movane/kiv/KivGauge;)V"),
    PEER(KivAlert, setImage, "(I)V"),
    PEER(KivAlert, setOffScreen, "(I)V"),
    PEER(KivAlert, getViewPortWidth, "()I"),
    PEER(KivAlert, getViewPortHeight, "()I"),
    PEER(KivAlert, getClientWidth, "()I"),
    PEER(KivAlert, getClientHeight, "()I"),
    PEER(KivAlert, getViewX, "()I"),
    PEER(KivAlert, getViewY, "()I"),
    CONSTANT(nativeGetAlertNo, 20),
    CONSTANT(nativeGetTypeNull, 0),
    CONSTANT(nativeGetTypeInfo, 1),
    CONSTANT(nativeGetTypeWarning, 2),
    CONSTANT(nativeGetTypeError, 3),
    CONSTANT(nativeGetTypeAlarm, 4),
    CONSTANT(nativeGetTypeConfirmation, 5),
};
static const NativeMethodBinding KivListNatives[] = {
    CONSTANT(nativeGetWrapDefault, 0),
    CONSTANT(nativeGetWrapOn, 1),
    CONSTANT(nativeGetWrapOff, 2),
    CONSTANT(nativeGetSelectionChanged, 0x10009),
    PEER(KivList, insertItem, "(I)V"),
    PEER(KivList, removeItem, "(I)V"),
    PEER(KivList, getSize, "()I"),
    PEER(KivList, setText, "(ILjava/lang/String;)V"),
    PEER(KivList, setFont, "(II)V"),
    PEER(KivList, setImage, "(II)V"),
    PEER(KivList, setOffScreen, "(II)V"),
    PEER(KivList, setSelected, "(IZ)V"),
    PEER(KivList, isSelected, "(I)Z"),
    PEER(KivList, getSelectedIndex, "()I"),
    PEER(KivList, setWrapPolicy, "(I)V"),
    PEER(KivList, getWrapPolicy, "()I"),
    PEER(KivList, getPrefImageWidth, "()I"),
    PEER(KivList, getPrefImageHeight, "()I"),
    PEER(KivList, setTitle, "(Ljava/lang/String;)V"),
};

static const NativeMethodBinding KivListBoxNatives[] = {
    PEER(KivListBox, setFocusedIndex, "(I)V"),
    PEER(KivListBox, getFocusedIndex, "()I"),
};

static const NativeMethodBinding KivRadioButtonNatives[] = {
    PEER_LIFETIME(KivRadioButton),
    CONSTANT(nativeGetRadioButtonNo, 3),
};

static const NativeMethodBinding KivCheckBoxNatives[] = {
    PEER_LIFETIME(KivCheckBox),
    CONSTANT(nativeGetCheckBoxNo, 2),
};

static const NativeMethodBinding KivImplicitListNatives[] = {
    PEER_LIFETIME(KivImplicitList),
    CONSTANT(nativeGetImplicitListNo, 7),
};

static const NativeMethodBinding KivPopUpListNatives[] = {
    PEER_LIFETIME(KivPopUpList),
    CONSTANT(nativeGetPopUpListNo, 11),
};

static const NativeMethodBinding KivCommandMenuNatives[] = {
    PEER_LIFETIME(KivCommandMenu),
    CONSTANT(nativeGetCanceled, 0x1000A),
    CONSTANT(nativeGetCommandMenuNo, 12),
};

#undef PEER_LIFETIME
#undef PEER

static const NativeMethodBinding GuiEventNatives[] = {
    NATIVE("nativeInit", "()Z", Java_com_movane_kiv_AbstractKivGUIEvent_nativeInit),
    NATIVE("nativeResponseIndex", "(I)I", Java_com_movane_kiv_AbstractKivGUIEvent_nativeResponseIndex),
    CONSTANT(nativeGetRepaint, 0x10000),
    CONSTANT(nativeGetRepaintScreen, 0x10002),
    CONSTANT(nativeGetOccupyScreen, 0x10004),
    CONSTANT(nativeGetReleaseScreen, 0x10005),
    CONSTANT(nativeGetOccupyInputEvent, 0x10006),
    CONSTANT(nativeGetReleaseInputEvent, 0x10007),
    CONSTANT(nativeGetNotifyPrefSizeChanged, 0x10008),
};
#undef CONSTANT

static const NativeMethodBinding KivGuiEventNatives[] = {
    NATIVE("notifyDone", "()V", Java_com_movane_kiv_KivGUIEvent_notifyDone),
};

static const NativeMethodBinding TextComponentNatives[] = {
    NATIVE("nativeInit", "()Z", Java_javax_microedition_lcdui_TextComponent_nativeInit),
    NATIVE("nativeExtraCheck", "(ILjava/lang/String;)Z", Java_javax_microedition_lcdui_TextComponent_nativeExtraCheck),
};
static const NativeMethodBinding TextFieldNatives[] = {
    NATIVE("nativeInit", "()Z", Java_javax_microedition_lcdui_TextField_nativeInit),
};
static const NativeMethodBinding TextBoxNatives[] = {
    NATIVE("nativeInit", "()Z", Java_javax_microedition_lcdui_TextBox_nativeInit),
};
static const NativeMethodBinding StringItemNatives[] = {
    NATIVE("nativeGetDrawableCount", "(ILjava/lang/String;II)I",
           Java_javax_microedition_lcdui_StringItem_nativeGetDrawableCount),
};
static const NativeMethodBinding ScreenNatives[] = {
    NATIVE("nativeSystemExit", "()V", Java_javax_microedition_lcdui_Screen_nativeSystemExit),
};

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
    CLASS("javax/microedition/lcdui/TextComponent", TextComponentNatives),
    CLASS("javax/microedition/lcdui/TextField", TextFieldNatives),
    CLASS("javax/microedition/lcdui/TextBox", TextBoxNatives),
    CLASS("javax/microedition/lcdui/StringItem", StringItemNatives),
    CLASS("javax/microedition/lcdui/Screen", ScreenNatives),
    CLASS("com/movane/kiv/KivComponent", KivComponentNatives),
    CLASS("com/movane/kiv/KivKeyEvent", KivKeyEventNatives),
    CLASS("com/movane/kiv/KivMIDP", KivMidpNatives),
    CLASS("com/movane/kiv/KivButton", KivButtonNatives),
    CLASS("com/movane/kiv/KivLabel", KivLabelNatives),
    CLASS("com/movane/kiv/KivTitle", KivTitleNatives),
    CLASS("com/movane/kiv/KivGauge", KivGaugeNatives),
    CLASS("com/movane/kiv/KivTicker", KivTickerNatives),
    CLASS("com/movane/kiv/KivAlert", KivAlertNatives),
    CLASS("com/movane/kiv/KivList", KivListNatives),
    CLASS("com/movane/kiv/KivListBox", KivListBoxNatives),
    CLASS("com/movane/kiv/KivRadioButton", KivRadioButtonNatives),
    CLASS("com/movane/kiv/KivCheckBox", KivCheckBoxNatives),
    CLASS("com/movane/kiv/KivImplicitList", KivImplicitListNatives),
    CLASS("com/movane/kiv/KivPopUpList", KivPopUpListNatives),
    CLASS("com/movane/kiv/KivCommandMenu", KivCommandMenuNatives),
    {"com/movane/kiv/KivConfirm", KivConfirmNatives, KIV_CONFIRM_NATIVE_COUNT},
    CLASS("com/movane/kiv/AbstractKivGUIEvent", GuiEventNatives),
    CLASS("com/movane/kiv/KivGUIEvent", KivGuiEventNatives),
};

const NativeBindingTable UiNativeBindings = {UiClassBindings,
                                             (int32_t)(sizeof UiClassBindings / sizeof UiClassBindings[0])};

// The loader reads the image size slots of the table the toolkit was started with.
static void** toolkitHostServices() { return (void**)GuiTkGetHostServices(); }

void installUiNatives() {
    NativeTables.tables[NATIVES_UI] = &UiNativeBindings;
    LoaderHooks.GuiTkGetHostServices = toolkitHostServices;
    lcdui_installServices();
}
