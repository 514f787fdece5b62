// Image natives. A surface belongs to one Image: made by a creating native, released by
// the finalizer when the Image dies.
#include "natives/ui/image_natives.h"

#include "graphics/mk_image.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/graphics_natives.h"
#include "natives/ui/peers.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/memory.h"
#include "vm/trace/tracelog.h"

struct ImageFieldIndex {
    int32_t id, offScreen;
};
static VMBSS ImageFieldIndex ImageFields;
static VMBSS NativeFinalizerRecord ImageFinalizer;

// The creating natives' answer for data left to the Java side.
enum { IMAGE_LEFT_TO_JAVA = -4 };

static inline MkSurface* surfaceOf(int32_t handle) { return peerAt<MkSurface>(handle); }
static inline bool noSurface(int32_t handle) { return !isPeer(handle); }

// Pushes the handle, or raises what the error word stands for.
static void answerCreated(MkSurface* surface, int32_t error) {
    if (surface != MK_SURFACE_FAILED && surface != nullptr) {
        pushInt(peerHandle(surface));
        return;
    }
    switch (error) {
        case IMAGE_LEFT_TO_JAVA:
            pushInt(IMAGE_LEFT_TO_JAVA);
            return;
        case MK_IMAGE_NOT_SUPPORTED:
            raiseException(IllegalArgumentExceptionName);
        case MK_IMAGE_BAD_DATA:
            raiseException(IOExceptionName);
        case MK_IMAGE_NO_MEMORY:
            throwOutOfMemoryObject();
            return;
        default:
            raiseException(RuntimeExceptionName);
    }
}

void Java_javax_microedition_lcdui_Image_nativeCreateImage() {
    int32_t length = popInt(), offset = popInt();
    ArrayObject* data = (ArrayObject*)popObject();
    if (data == nullptr) {
        tryRaiseException(NullPointerException);
        return;
    }
    mvMemory_objectLock(data);
    int32_t error = MK_IMAGE_BAD_DATA;
    MkSurface* s = MK_SURFACE_FAILED;
    if (getByteArrayLength(data) != 0)
        s = MkImageCreate((const uint8_t*)getByteArrayData(data) + offset, (uint32_t)length, &error);
    mvMemory_objectUnlock(data);
    answerCreated(s, error);
}

void Java_javax_microedition_lcdui_Image_nativeCreateRGBImage() {
    int32_t processAlpha = popInt(), height = popInt(), width = popInt();
    ArrayObject* rgb = (ArrayObject*)popObject();
    if (rgb == nullptr) {
        tryRaiseException(NullPointerException);
        return;
    }
    mvMemory_objectLock(rgb);
    int32_t error = MK_IMAGE_BAD_DATA;
    MkSurface* s = MK_SURFACE_FAILED;
    if (getIntArrayLength(rgb) != 0)
        s = MkImageCreateFromARGB((const uint32_t*)getIntArrayData(rgb), width, height, processAlpha, &error);
    mvMemory_objectUnlock(rgb);
    answerCreated(s, error);
}

void Java_javax_microedition_lcdui_Image_nativeCreateCroppedImage() {
    int32_t isOffScreen = popInt(), transform = popInt();
    int32_t rect[4];
    for (int i = 3; i >= 0; i--) rect[i] = popInt();
    int32_t handle = popInt();
    if (noSurface(handle)) {
        pushInt(-1);
        return;
    }
    int32_t error = MK_IMAGE_NOT_SUPPORTED;
    MkSurface* s = MkImageCreateCropped(surfaceOf(handle), isOffScreen, rect, transform, &error);
    answerCreated(s, error);
}

void Java_javax_microedition_lcdui_Image_nativeCreateOffScreen() {
    int32_t height = popInt(), width = popInt();
    MkSurface* s = MkOffScreenCreate(width, height);
    if (s == MK_SURFACE_FAILED || s == nullptr) {
        throwOutOfMemoryObject();
        return;
    }
    pushInt(peerHandle(s));
}

void Java_javax_microedition_lcdui_Image_nativeGetImageWidth() {
    int32_t offScreen = popInt(), handle = popInt();
    if (noSurface(handle)) {
        pushInt(0);
        return;
    }
    pushInt(offScreen ? MkGraphicsGetWidth(surfaceOf(handle)) : MkImageGetWidth(surfaceOf(handle)));
}

void Java_javax_microedition_lcdui_Image_nativeGetImageHeight() {
    int32_t offScreen = popInt(), handle = popInt();
    if (noSurface(handle)) {
        pushInt(0);
        return;
    }
    pushInt(offScreen ? MkGraphicsGetHeight(surfaceOf(handle)) : MkImageGetHeight(surfaceOf(handle)));
}

void Java_javax_microedition_lcdui_Image_nativeGetRGBImage() {
    int32_t offScreen = popInt();
    int32_t rect[4];
    for (int i = 3; i >= 0; i--) rect[i] = popInt();
    int32_t scanlength = popInt(), length = popInt(), offset = popInt();
    ArrayObject* rgb = (ArrayObject*)popObject();
    int32_t handle = popInt();
    if (noSurface(handle) || rgb == nullptr) return;
    mvMemory_objectLock(rgb);
    uint32_t* to = (uint32_t*)getIntArrayData(rgb) + offset;
    if (offScreen) {
        MkOffScreenGetARGB(surfaceOf(handle), to, length, scanlength, rect);
    } else {
        MkImageGetARGB(surfaceOf(handle), to, length, scanlength, rect);
    }
    mvMemory_objectUnlock(rgb);
}

void Java_javax_microedition_lcdui_Image_nativeGetInvalidHandle() { pushInt(-1); }

void Java_javax_microedition_lcdui_Image_initializeFieldIndex() {
    ClassRecord* image = tryGetClass("javax/microedition/lcdui/Image");
    if (image == nullptr) {
        mvTraceLog_error("Could not get class Image.\n");
        return;
    }
    ImageFields.id = getFieldIndex("_nId", "I", image);
    ImageFields.offScreen = getFieldIndex("isOffScreen", "Z", image);
}

static int32_t imageFinalize(OBJECT instance, NativeFinalizerRecord*) {
    int32_t handle = getIntFieldByIndex(instance, ImageFields.id);
    if (!noSurface(handle)) MkImageDestroy(surfaceOf(handle));
    return 0;
}

void Java_javax_microedition_lcdui_Image_registNativeFinalizer() {
    // once per run: a second push would make the list a loop
    if (ImageFinalizer.clazz != nullptr) return;
    ClassRecord* image = tryGetClass("javax/microedition/lcdui/Image");
    if (image == nullptr) return;
    ImageFinalizer.clazz = image;
    ImageFinalizer.finalizer = imageFinalize;
    registerNativeFinalizer(&ImageFinalizer);
}
