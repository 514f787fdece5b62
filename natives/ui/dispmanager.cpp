// The display manager and the virtual screen.
#include "natives/ui/dispmanager.h"

#include <string.h>

#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "platform/vmsections.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"
#include "vm/services/memory.h"
#include "vm/services/pointerqueue.h"
#include "vm/trace/tracelog.h"

namespace {

struct DispState {
    const char* accessClasses[DISP_ACCESS_CLASSES];
    int32_t accessClassCount;
    MkVideoProperty video;
    int32_t videoCached;
    PointerQueue* needUpdateList;  // a locked block of the heap once made
    int32_t backlightFlash;
    DispListener listeners[DISP_LISTENER_KINDS][DISP_LISTENER_INDEXES];
};
VMBSS DispState Disp;

const char NullDisplayableClass[] = "javax/microedition/midlet/NullDisplayable";

}  // namespace

int32_t mvMidp2DispManager_registerAccessClass(const char* className) {
    if (className == nullptr) {
        mvTraceLog_error("[mvMidp2DispManager_registerAccessClass] className is NULL.\n");
        return -1;
    }
    if (Disp.accessClassCount >= DISP_ACCESS_CLASSES) {
        mvTraceLog_error("[mvMidp2DispManager_registerAccessClass] table is full.(%d)\n", Disp.accessClassCount);
        return -1;
    }
    for (int32_t i = 0; i < Disp.accessClassCount; i++) {
        if (strcmp(Disp.accessClasses[i], className) == 0) {
            mvTraceLog_warning("[mvMidp2DispManager_registerAccessClass] already registered.(%s)\n", className);
            return -1;
        }
    }
    Disp.accessClasses[Disp.accessClassCount++] = className;
    return Disp.accessClassCount;
}

int32_t mvMidp2DispManager_getAccessClassNumber(void) { return Disp.accessClassCount; }

const char* mvMidp2DispManager_getAccessClassName(int32_t index) {
    return index >= 0 && index < Disp.accessClassCount ? Disp.accessClasses[index] : nullptr;
}

MkVideoProperty* dispGetVideoProperty(void) {
    if (!Disp.videoCached) {
        memset(&Disp.video, 0, sizeof Disp.video);
        MkVideoGetProperty(&Disp.video);
        Disp.videoCached = 1;
    }
    return &Disp.video;
}

void dispCreateVirtualScreen(void) {
    MkVideoProperty* video = dispGetVideoProperty();
    if (video == nullptr || video->surface == nullptr || video->surface == MK_SURFACE_FAILED)
        nativeFatalError("Can't get video property.");
    MkGraphicsContext* ctx = MkGraphicsCreateContext(video->surface);
    if (ctx == MK_NO_CONTEXT) nativeFatalError("Can't create graphics context.");
    int32_t width = MkGraphicsGetWidth(video->surface), height = MkGraphicsGetHeight(video->surface);
    if (width < 1 || height < 1) {
        MkGraphicsDestroyContext(ctx);
        nativeFatalError("Invalid virtual screen size.");
    }
    MkGraphicsSetColor(ctx, 0xFFFFFF);
    MkVideoStartDraw();
    const int32_t whole[4] = {0, 0, width, height};
    MkGraphicsFillRect(ctx, whole);
    MkVideoEndDraw(1);
    MkGraphicsDestroyContext(ctx);
}

int32_t dispHasNeedUpdateList(void) { return Disp.needUpdateList != nullptr; }

int32_t dispNullDisplayableInit(void) {
    if (Disp.needUpdateList != nullptr) return 0;
    PointerQueue* list = (PointerQueue*)mvMemory_allocPointer((int32_t)sizeof(PointerQueue));
    if (list == nullptr) return -1;
    queueInit(list);
    Disp.needUpdateList = list;
    return queueAppend(list, (void*)NullDisplayableClass) < 0 ? -1 : 0;
}

int32_t dispAddNeedUpdateClass(const char* className) {
    if (Disp.needUpdateList == nullptr || className == nullptr) return -1;
    return queueAppend(Disp.needUpdateList, (void*)className) < 0 ? -1 : 0;
}

int32_t dispIsInstanceOfClass(OBJECT object, ClassRecord* clazz) {
    if (object == nullptr || clazz == nullptr) return 0;
    for (ClassRecord* c = object->clazz; c != nullptr && c != JavaLangObject; c = c->superClass) {
        if (c == clazz) return 1;
    }
    return 0;
}

// Resolving a class may load it and so collect: the object is held as a root.
static int32_t isInstanceOfNamed(OBJECT* object, const char* name) {
    ClassRecord* clazz = tryGetClass(name);
    return clazz != nullptr && clazz->status != CLASS_ERROR && dispIsInstanceOfClass(*object, clazz);
}

int32_t dispNeedUpdate(OBJECT object) {
    if (object == nullptr || Disp.needUpdateList == nullptr) return 0;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&object);
    int32_t match = 0;
    for (PointerQueueNode* node = Disp.needUpdateList->head; node != nullptr && !match; node = node->next) {
        match = isInstanceOfNamed(&object, (const char*)node->value);
    }
    TemporaryRootsLength = savedRoots;
    return match;
}

int32_t midlet_nativeNeedNullDisplayable(OBJECT object, const char* const* names) {
    if (object == nullptr || names == nullptr) return 0;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&object);
    int32_t match = 0;
    for (int32_t i = 0; names[i] != nullptr && !match; i++) match = isInstanceOfNamed(&object, names[i]);
    TemporaryRootsLength = savedRoots;
    return match;
}

void dispSetBacklightFlash(int32_t value) { Disp.backlightFlash = value; }
int32_t dispGetBacklightFlash(void) { return Disp.backlightFlash; }

int32_t dispSetListener(int32_t kind, int32_t index, DispListener callback) {
    if (kind < 0 || kind >= DISP_LISTENER_KINDS) return kind;
    if (index < 0 || index >= DISP_LISTENER_INDEXES) return index;
    Disp.listeners[kind][index] = callback;
    return 0;
}

DispListener dispGetListener(int32_t kind, int32_t index) {
    if (kind < 0 || kind >= DISP_LISTENER_KINDS || index < 0 || index >= DISP_LISTENER_INDEXES) return nullptr;
    return Disp.listeners[kind][index];
}
