// Native bindings of the LCDUI and game classes.
#include "natives/ui/bindings.h"

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

static const NativeClassBinding UiClassBindings[] = {
    CLASS("javax/microedition/lcdui/Graphics", GraphicsNatives),
    CLASS("javax/microedition/lcdui/UIGraphics", UIGraphicsNatives),
    CLASS("javax/microedition/lcdui/Image", ImageNatives),
    CLASS("javax/microedition/lcdui/Font", FontNatives),
    CLASS("com/movane/util/Rectangle", RectangleNatives),
};

const NativeBindingTable UiNativeBindings = {UiClassBindings,
                                             (int32_t)(sizeof UiClassBindings / sizeof UiClassBindings[0])};

void installUiNatives() { NativeTables.tables[NATIVES_UI] = &UiNativeBindings; }
