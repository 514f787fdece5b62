// Natives of the player life cycle, content detection and checks, and the supported
// types and protocols. Handler results pass through unchanged: the Java library turns
// them into its exceptions. Handler and table arguments are addresses Java holds as ints.
#include "media/media_natives.h"

#include <string.h>

#include "media/media_strings.h"
#include "media/mediaregistry.h"
#include "natives/lib/nativestack.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/events.h"
#include "vm/services/memory.h"

namespace {

struct MediaFieldIndex {
    int32_t controlType, controlPlayer;
    int32_t bufferType, bufferExtra, bufferData, bufferLock;
    int32_t typeController;
};
VMBSS MediaFieldIndex Fields;
VMBSS NativeFinalizerRecord ControlFinalizer;
VMBSS NativeFinalizerRecord BufferFinalizer;

const MediaHandler* handlerAt(int32_t word) { return p32Ptr<const MediaHandler>((uint32_t)word); }
ArrayObject* arrayAt(OBJECT object) { return (ArrayObject*)object; }

int32_t controlFinalizer(OBJECT object, NativeFinalizerRecord*) { return mediaControlFinalize(object); }
int32_t bufferFinalizer(OBJECT object, NativeFinalizerRecord*) { return mediaBufferFinalize(object); }

// Registers the record once per run (a second push would make the list a loop).
void registerFinalizer(NativeFinalizerRecord* record, ClassRecord* clazz, NativeFinalizerFn fn) {
    if (record->clazz != nullptr) return;
    record->clazz = clazz;
    record->finalizer = fn;
    registerNativeFinalizer(record);
}

// The long of a handler's two out words, -1 when it failed.
int64_t timeOf(int32_t status, int32_t high, int32_t low) {
    if (status < 0) return -1;
    return (int64_t)((uint64_t)(uint32_t)high << 32 | (uint32_t)low);
}

void pushString(const char* text) { pushObject(text ? tryInstantiateString(text, (int32_t)strlen(text)) : nullptr); }

}  // namespace

int32_t mediaControlFinalize(Instance* object) {
    int32_t type = getIntFieldByIndex(object, Fields.controlType);
    int32_t id = getIntFieldByIndex(object, Fields.controlPlayer);
    if (id != 0) mvMedia_removePlayer(type, id);
    return 0;
}

int32_t mediaBufferFinalize(Instance* object) {
    if (getIntFieldByIndex(object, Fields.bufferLock) > 0) {
        OBJECT data = getObjectFieldByIndex(object, Fields.bufferData);
        if (data != nullptr) mvMemory_objectUnlock(data);
    }
    return 0;
}

// ---- MediaControl ----

void Java_com_movane_media_core_MediaControl_nativeInitialize() {
    ClassRecord* clazz = tryGetClass("com/movane/media/core/MediaControl");
    if (clazz == nullptr) return;
    mvMedia_initialize();
    registerFinalizer(&ControlFinalizer, clazz, controlFinalizer);
    Fields.controlType = getFieldIndex("mediaType", "I", clazz);
    Fields.controlPlayer = getFieldIndex("playerID", "I", clazz);
}

void Java_com_movane_media_core_MediaControl_nativeCreate() {
    const MediaHandler* h = handlerAt(popInt());
    int32_t type = popInt();
    int32_t id = h ? h->create.get()(h) : 0;
    if (id != 0) mvMedia_addPlayer(type, id, h);
    pushInt(id);
}

void Java_com_movane_media_core_MediaControl_nativeSet() {
    int32_t extra = popInt();
    ArrayObject* data = arrayAt(popObject());
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    if (h == nullptr) {
        pushInt(MKMEDIA_RESULT_ERROR);
        return;
    }
    const uint8_t* bytes = data ? (const uint8_t*)getByteArrayData(data) : nullptr;
    pushInt(h->set.get()(id, bytes, data ? getArrayLength(data) : 0, extra));
}

// The natives of (handler, player id) that call one slot.
#define MEDIA_ID_NATIVE(native, slot)                                      \
    void Java_com_movane_media_core_MediaControl_##native() {              \
        int32_t id = popInt();                                             \
        const MediaHandler* h = handlerAt(popInt());                       \
        pushInt(h ? h->slot.get()(id, h) : (int32_t)MKMEDIA_RESULT_ERROR); \
    }
MEDIA_ID_NATIVE(nativeLoad, load)
MEDIA_ID_NATIVE(nativeStop, stop)
MEDIA_ID_NATIVE(nativePause, pause)
MEDIA_ID_NATIVE(nativeRestart, restart)
MEDIA_ID_NATIVE(nativeUnload, unload)
MEDIA_ID_NATIVE(nativeGetState, getState)
#undef MEDIA_ID_NATIVE

void Java_com_movane_media_core_MediaControl_nativeGetIncludedContents() {
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? h->getIncludedContents.get()(id, h) : 0);
}

void Java_com_movane_media_core_MediaControl_nativeStart() {
    int32_t loops = popInt();
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? h->start.get()(id, loops, h) : (int32_t)MKMEDIA_RESULT_ERROR);
}

void Java_com_movane_media_core_MediaControl_nativeSetTime() {
    int64_t time = popLong();
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? h->setTime.get()(id, (int32_t)(time >> 32), (int32_t)time) : (int32_t)MKMEDIA_RESULT_ERROR);
}

void Java_com_movane_media_core_MediaControl_nativeGetTime() {
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    int32_t high = 0, low = 0;
    // the call first: the words are read after it has written them
    int32_t status = h ? h->getTime.get()(id, &high, &low) : -1;
    pushLong(timeOf(status, high, low));
}

void Java_com_movane_media_core_MediaControl_nativeGetControlName() {
    int32_t kind = popInt();
    const MediaHandler* h = handlerAt(popInt());
    const char* name = nullptr;
    if (kind == 0x1000)
        name = "ToneSeq";
    else if (h == nullptr)
        name = nullptr;
    else if (kind == 1 && h->volumeControl)
        name = "Volume";
    else if (kind == 0xFFFF && h->eventControl)
        name = "Event";
    else if (kind == 0x10000 && h->userControl)
        name = "User";
    pushString(name);
}

void Java_com_movane_media_core_MediaControl_nativeGetUserClassCount() {
    const MediaHandler* h = handlerAt(popInt());
    const MediaUserControlTable* t = h ? h->userControl.get() : nullptr;
    pushInt(t ? t->getCount.get()(t) : 0);
}

void Java_com_movane_media_core_MediaControl_nativeGetUserClass() {
    ArrayObject* out = arrayAt(popObject());
    int32_t index = popInt();
    const MediaHandler* h = handlerAt(popInt());
    const MediaUserControlTable* t = h ? h->userControl.get() : nullptr;
    if (t == nullptr) {
        pushObject(nullptr);
        return;
    }
    int32_t value = 0;
    // the string's allocation may move the array
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&out);
    StringInstance* s = mediaGrowingString(
        [&](uint16_t* buffer, int32_t capacity) { return t->getUserClass.get()(index, &value, buffer, capacity); });
    TemporaryRootsLength = savedRoots;
    if (s != nullptr && out != nullptr && getArrayLength(out) > 0) setIntArrayElement(out, 0, value);
    pushObject(s);
}

void Java_com_movane_media_core_MediaControl_nativeNotifyBlockingComplete() {
    int32_t flag = popInt();
    mvMediaEvent_fireCallback(flag);
}

void Java_com_movane_media_core_MediaControl_nativeNotifyDeviceRelased() {
    int32_t code = popInt();
    if (code == -1 || code == -3) MkMediaToneStopAllNotes();
}

void Java_com_movane_media_core_MediaControl_nativeNotifyDeviceAcquired() { popInt(); }

void Java_com_movane_media_core_MediaControl_nativeFlushEvents() {
    int32_t b = popInt();
    int32_t a = popInt();
    int32_t words[5] = {a, b, 0x8000, 0, 0};
    mvMediaEvent_post(words);
    pushInt(1);
}

// ---- MediaType ----

void Java_com_movane_media_core_MediaType_nativeInitialize() { mvMedia_initialize(); }

void Java_com_movane_media_core_MediaType_nativeDetectFromData() {
    ArrayObject* data = arrayAt(popObject());
    if (data == nullptr) {
        pushInt(mvMedia_detectType(nullptr, 0));
        return;
    }
    mvMemory_objectLock(data);
    int32_t type = mvMedia_detectType((const uint8_t*)getByteArrayData(data), getArrayLength(data));
    mvMemory_objectUnlock(data);
    pushInt(type);
}

void Java_com_movane_media_core_MediaType_nativeCanStream() {
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h && mediaStreamTable(h) ? 1 : 0);
}

void Java_com_movane_media_core_MediaType_nativeDetectControl() {
    const MediaHandler* h = mvMedia_getHandlerByType(popInt());
    pushInt((int32_t)p32Word(h));
}

void Java_com_movane_media_core_MediaType_nativeGetMimeType() {
    const MediaHandler* h = handlerAt(popInt());
    if (h == nullptr) {
        pushObject(nullptr);
        return;
    }
    const uint16_t* text = nullptr;
    int32_t length = h->getMimeType.get()(&text, h);
    pushObject(text ? tryInstantiateStringFromUnicode(text, length) : nullptr);
}

void Java_com_movane_media_core_MediaType_nativeGetSupportedTypes() {
    int32_t count = 0;
    mvMedia_getHandlers(&count);
    ArrayObject* array = tryNewIntArray(count);
    if (array == nullptr) {
        // the allocation left its exception pending: it is the answer
        throwPendingException();
    }
    // the handler array is a pinned block, read after the allocation
    P32<const MediaHandler>* handlers = mvMedia_getHandlers(&count);
    for (int32_t i = 0; i < count; i++) setIntArrayElement(array, i, handlers[i]->typeCode);
    pushObject(array);
}

// ---- MediaBuffer ----

void Java_com_movane_media_core_MediaBuffer_nativeInitialize() {
    ClassRecord* clazz = tryGetClass("com/movane/media/core/MediaBuffer");
    if (clazz == nullptr) return;
    Fields.bufferType = getFieldIndex("mediaType", "I", clazz);
    Fields.bufferExtra = getFieldIndex("extraDataID", "I", clazz);
    Fields.bufferData = getFieldIndex("data", "[B", clazz);
    Fields.bufferLock = getFieldIndex("lockCount", "I", clazz);
    mvMedia_initialize();
    registerFinalizer(&BufferFinalizer, clazz, bufferFinalizer);
}

void Java_com_movane_media_core_MediaBuffer_nativeLock() {
    OBJECT data = popObject();
    if (data) mvMemory_objectLock(data);
}

void Java_com_movane_media_core_MediaBuffer_nativeUnlock() {
    OBJECT data = popObject();
    if (data) mvMemory_objectUnlock(data);
}

void Java_com_movane_media_core_MediaBuffer_nativeCanStream() {
    // declared with a String: as a type code no handler matches a reference
    OBJECT type = popObject();
    const MediaHandler* h = mvMedia_getHandlerByType((int32_t)p32Word(type));
    pushInt(h && mediaStreamTable(h) ? 1 : 0);
}

void Java_com_movane_media_core_MediaBuffer_nativeCheckOpen() {
    ArrayObject* data = arrayAt(popObject());
    const MediaHandler* h = handlerAt(popInt());
    if (h == nullptr || data == nullptr) {
        pushInt(0);
        return;
    }
    pushInt(h->checkOpen.get()((const uint8_t*)getByteArrayData(data), getArrayLength(data), h));
}

void Java_com_movane_media_core_MediaBuffer_nativeCheck() {
    ArrayObject* value = arrayAt(popObject());
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    if (h == nullptr || value == nullptr || getArrayLength(value) < 1) {
        pushInt(MKMEDIA_RESULT_ERROR);
        return;
    }
    int32_t v = getIntArrayElement(value, 0);
    int32_t status = h->check.get()(id, &v, h);
    setIntArrayElement(value, 0, v);
    pushInt(status);
}

void Java_com_movane_media_core_MediaBuffer_nativeCheckClose() {
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? h->checkClose.get()(id, h) : (int32_t)MKMEDIA_RESULT_ERROR);
}

void Java_com_movane_media_core_MediaBuffer_nativeGetMediaSize() {
    ArrayObject* size = arrayAt(popObject());
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    int32_t width = 0, height = 0;
    if (h == nullptr || size == nullptr || getArrayLength(size) < 2 || h->getMediaSize.get()(id, &width, &height) < 0) {
        pushInt(-1);
        return;
    }
    setIntArrayElement(size, 0, width);
    setIntArrayElement(size, 1, height);
    pushInt(0);
}

void Java_com_movane_media_core_MediaBuffer_nativeGetDuration() {
    int32_t id = popInt();
    const MediaHandler* h = handlerAt(popInt());
    int32_t high = 0, low = 0;
    int32_t status = h ? h->getDuration.get()(id, &high, &low) : -1;
    pushLong(timeOf(status, high, low));
}

void Java_com_movane_media_core_MediaBuffer_nativeIsSupportedMetaData() {
    popInt();
    pushInt(0);
}

// ---- MediaProfile, MediaManager, MMAPIOptions, ScreenOption ----

void Java_com_movane_media_core_MediaProfile_nativeGetSupportedProfiles() { pushInt(MkMediaIsSupportedType(popInt())); }

void Java_com_movane_media_MediaManager_nativeInitialize() {
    ClassRecord* clazz = tryGetClass("com/movane/media/core/MediaType");
    if (clazz == nullptr) return;
    Fields.typeController = getFieldIndex("controllerID", "I", clazz);
}

void Java_com_movane_media_MediaManager_nativeGetProtocolCount() { pushInt(2); }

void Java_com_movane_media_MediaManager_nativeGetProtocolName() {
    int32_t index = popInt();
    pushString(index == 0 ? "http" : index == 1 ? "https" : nullptr);
}

void Java_com_movane_media_MediaManager_nativeGetEncoderCount() {
    popObject();
    pushInt(0);
}

void Java_com_movane_media_MediaManager_nativeGetEncoderType() {
    popInt();
    popObject();
    pushObject(nullptr);
}

void Java_com_movane_media_MediaManager_nativeGetSnapEncoderCount() {
    popObject();
    pushInt(0);
}

void Java_com_movane_media_MediaManager_nativeGetSnapEncoderType() {
    popInt();
    popObject();
    pushObject(nullptr);
}

void Java_com_movane_media_MediaManager_nativeGetInputDeviceMIMEType() {
    popObject();
    pushObject(nullptr);
}

void Java_com_movane_media_MediaManager_nativeIsMIDIDevSupported() { pushInt(0); }

void Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1SUPPORTS_1HTTPS() { pushInt(1); }

void Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1VIDEOCONTROL_1ALWAYS_1CANCREATE() {
    pushInt(0);
}

void Java_com_movane_micro_lcdui_ScreenOption_nativeSystemExit() { vmExitLongjmp(-127); }

void Java_com_movane_micro_lcdui_ScreenOption_nativeIsRtl() { pushInt(0); }
