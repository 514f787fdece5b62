// Natives of the controllers (user, event, synchronisation, volume, single tones) and of
// streams, stream types, custom sources and control creators. A controller first asks
// for one control table of a handler (nativeGetFuncID) and hands that table to each of
// its other natives. A null table calls nothing.
#include <string.h>

#include "media/media_natives.h"
#include "media/media_strings.h"
#include "media/mediaregistry.h"
#include "natives/lib/nativestack.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"
#include "vm/services/events.h"
#include "vm/services/memory.h"

namespace {

// The stream types' table (none is handed out here, but the natives serve any).
typedef int32_t (*StreamProtocolFn)(const uint16_t** text, const void* table);
typedef int32_t (*StreamCreateFn)(const uint16_t* chars, int32_t count, const void* table);
typedef int32_t (*StreamIdFn)(int32_t id, const void* table);
typedef int32_t (*StreamTextFn)(int32_t id, uint16_t* buffer, int32_t capacity);
struct MediaStreamTypeTable {
    P32Fn<StreamProtocolFn> getProtocolName;
    P32Fn<StreamCreateFn> create;
    P32Fn<StreamIdFn> connect;
    P32Fn<StreamTextFn> getPermission;
    P32Fn<StreamTextFn> getMIMEType;
    P32Fn<StreamIdFn> destroy;
};
static_assert(sizeof(MediaStreamTypeTable) == 6 * 4, "six slots");

// Entry 0 of a handler's stream-control list as the stream natives call it.
typedef int32_t (*StreamCheckOpenFn)(int32_t a, int32_t b, const void* entry);
typedef int32_t (*StreamCheckCloseFn)(int32_t a, const void* entry);
typedef int32_t (*StreamSetFn)(int32_t a, int32_t b, int32_t c);
struct MediaStreamCheckTable {
    P32Fn<StreamCheckOpenFn> checkOpen;
    P32Fn<StreamCheckCloseFn> checkClose;
    P32Fn<StreamSetFn> set;
};

// The synchronisation control (kind 6 of the extra controls).
typedef int32_t (*SyncUseClockFn)(int32_t id, int32_t x, int32_t y);
struct MediaSyncControl {
    P32Fn<SyncUseClockFn> useClockOf;
    P32Fn<MediaTimeOutFn> getClock;
};

struct StreamState {
    int32_t streamId, streamControlId;
    NativeFinalizerRecord finalizer;
    MediaControlCreator* creators;
    int32_t creatorCount;
};
VMBSS StreamState Streams;

template <typename T>
const T* tableAt(int32_t word) {
    return p32Ptr<const T>((uint32_t)word);
}
const MediaHandler* handlerAt(int32_t word) { return tableAt<MediaHandler>(word); }
ArrayObject* arrayAt(OBJECT object) { return (ArrayObject*)object; }
int32_t wordOf(const void* table) { return (int32_t)p32Word(table); }

const MediaStreamCheckTable* streamEntry(const MediaHandler* h) {
    const MediaStreamControlList* list = h ? h->streamControl.get() : nullptr;
    return list ? (const MediaStreamCheckTable*)list->entries[0].get() : nullptr;
}

int32_t streamFinalizer(OBJECT object, NativeFinalizerRecord*) { return mediaStreamFinalize(object); }

// A copy of an int array in a pinned block for the user-control table: -1 when none can
// be had (an empty array still gets a block of one word).
template <typename Call>
int32_t withIntBlock(ArrayObject* array, bool copyBack, Call call) {
    int32_t n = array ? getArrayLength(array) : 0;
    int32_t* block = (int32_t*)mvMemory_allocPointer(n > 0 ? n * 4 : 4);
    if (block == nullptr) return -1;
    for (int32_t i = 0; i < n; i++) block[i] = getIntArrayElement(array, i);
    int32_t result = call(block, n);
    if (copyBack)
        for (int32_t i = 0; i < n; i++) setIntArrayElement(array, i, block[i]);
    mvMemory_freePointer(block);
    return result;
}

}  // namespace

void registerControlCreator(MediaControlCreator* creator) {
    creator->next = Streams.creators;
    Streams.creators = creator;
    Streams.creatorCount++;
}

int32_t mediaStreamFinalize(Instance* object) {
    int32_t id = getIntFieldByIndex(object, Streams.streamId);
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(getIntFieldByIndex(object, Streams.streamControlId));
    if (t == nullptr) return 0;
    int32_t result = t->destroy.get()(id, t);
    mediaBufferFinalize(object);
    return result;
}

// ---- MediaUserController ----

void Java_com_movane_media_core_MediaUserController_nativeGetFuncID() {
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? wordOf(h->userControl.get()) : 0);
}

static void userInts(bool get) {
    ArrayObject* values = arrayAt(popObject());
    int32_t c = popInt(), b = popInt(), a = popInt();
    const MediaUserControlTable* t = tableAt<MediaUserControlTable>(popInt());
    if (t == nullptr) {
        pushInt(-1);
        return;
    }
    pushInt(withIntBlock(values, get, [&](int32_t* block, int32_t n) {
        return (get ? t->getParam : t->setParam).get()(a, b, c, block, n);
    }));
}

void Java_com_movane_media_core_MediaUserController_nativeSetParam() { userInts(false); }
void Java_com_movane_media_core_MediaUserController_nativeGetParam() { userInts(true); }

void Java_com_movane_media_core_MediaUserController_nativeGetString() {
    int32_t c = popInt(), b = popInt(), a = popInt();
    const MediaUserControlTable* t = tableAt<MediaUserControlTable>(popInt());
    if (t == nullptr) {
        pushObject(nullptr);
        return;
    }
    pushObject(mediaGrowingString(
        [&](uint16_t* buffer, int32_t capacity) { return t->getString.get()(a, b, c, buffer, capacity); }));
}

void Java_com_movane_media_core_MediaUserController_nativeSetString() {
    StringInstance* text = (StringInstance*)popObject();
    int32_t c = popInt(), b = popInt(), a = popInt();
    const MediaUserControlTable* t = tableAt<MediaUserControlTable>(popInt());
    if (t == nullptr) {
        pushInt(-1);
        return;
    }
    if (text == nullptr) {
        tryRaiseException("java/lang/NullPointerException");
        return;
    }
    if (lockStringChars(text) == nullptr) {
        pushInt(-1);
        return;
    }
    int32_t result = t->setString.get()(a, b, c, getStringCharsPointer(text), getStringLength(text));
    unlockStringChars(text);
    pushInt(result);
}

// ---- MediaEventController ----

void Java_com_movane_media_core_MediaEventController_nativeGetFuncID() {
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? wordOf(h->eventControl.get()) : 0);
}

// The three text natives: (table, a, b) through the growing buffer.
static void eventText(P32Fn<MediaEventTextFn> MediaEventControlTable::*slot) {
    int32_t b = popInt(), a = popInt();
    const MediaEventControlTable* t = tableAt<MediaEventControlTable>(popInt());
    if (t == nullptr) {
        pushObject(nullptr);
        return;
    }
    MediaEventTextFn fn = (t->*slot).get();
    pushObject(mediaGrowingString([&](uint16_t* buffer, int32_t capacity) { return fn(a, b, buffer, capacity); }));
}

void Java_com_movane_media_core_MediaEventController_nativeGetErrorCause() {
    eventText(&MediaEventControlTable::getErrorCause);
}
void Java_com_movane_media_core_MediaEventController_nativeGetUserType() {
    eventText(&MediaEventControlTable::getUserType);
}
void Java_com_movane_media_core_MediaEventController_nativeGetUserParamString() {
    eventText(&MediaEventControlTable::getUserParamString);
}

static void eventInt(P32Fn<MediaEventIntFn> MediaEventControlTable::*slot) {
    int32_t b = popInt(), a = popInt();
    const MediaEventControlTable* t = tableAt<MediaEventControlTable>(popInt());
    pushInt(t ? (t->*slot).get()(a, b, t) : -1);
}

void Java_com_movane_media_core_MediaEventController_nativeGetUserParamType() {
    eventInt(&MediaEventControlTable::getUserParamType);
}
void Java_com_movane_media_core_MediaEventController_nativeGetUserParamInt() {
    eventInt(&MediaEventControlTable::getUserParamInt);
}

// ---- MediaSyncController ----

void Java_com_movane_media_core_MediaSyncController_nativeGetFuncID() {
    const MediaHandler* h = handlerAt(popInt());
    const MediaExtraControlArray* extra = h ? h->extraControl.get() : nullptr;
    pushInt(extra ? wordOf(extra->kinds[MEDIA_EXTRA_SYNC].get()) : 0);
}

void Java_com_movane_media_core_MediaSyncController_nativeUseClockOf() {
    int32_t y = popInt(), x = popInt(), id = popInt();
    const MediaSyncControl* t = tableAt<MediaSyncControl>(popInt());
    pushInt(t ? t->useClockOf.get()(id, x, y) : -1);
}

void Java_com_movane_media_core_MediaSyncController_nativeUseOwnClock() {
    int32_t id = popInt();
    const MediaSyncControl* t = tableAt<MediaSyncControl>(popInt());
    pushInt(t ? t->useClockOf.get()(id, 0, 0) : -1);
}

void Java_com_movane_media_core_MediaSyncController_nativeGetClock() {
    int32_t id = popInt();
    const MediaSyncControl* t = tableAt<MediaSyncControl>(popInt());
    int32_t high = 0, low = 0;
    if (t == nullptr || t->getClock.get()(id, &high, &low) < 0) {
        pushLong(-1);
        return;
    }
    pushLong((int64_t)((uint64_t)(uint32_t)high << 32 | (uint32_t)low));
}

// ---- MediaVolumeController, MediaToneSeqController ----

void Java_com_movane_media_core_MediaVolumeController_nativeGetFuncID() {
    const MediaHandler* h = handlerAt(popInt());
    pushInt(h ? wordOf(h->volumeControl.get()) : 0);
}

void Java_com_movane_media_core_MediaVolumeController_nativeSetVolume() {
    int32_t volume = popInt(), id = popInt();
    const MediaVolumeControlTable* t = tableAt<MediaVolumeControlTable>(popInt());
    pushInt(t ? t->setVolume.get()(id, volume, t) : -1);
}

void Java_com_movane_media_core_MediaVolumeController_nativeGetVolume() {
    int32_t id = popInt();
    const MediaVolumeControlTable* t = tableAt<MediaVolumeControlTable>(popInt());
    pushInt(t ? t->getVolume.get()(id, t) : -1);
}

void Java_com_movane_media_core_MediaToneSeqController_nativePlaySingleTone() {
    int32_t volume = popInt(), duration = popInt(), note = popInt();
    pushInt(mvMediaEvent_playSingleTone(note, duration, volume));
}

// ---- MediaStream ----

void Java_com_movane_media_core_MediaStream_initializeFieldIndex() {
    ClassRecord* clazz = tryGetClass("com/movane/media/core/MediaStream");
    if (clazz == nullptr) return;
    Streams.streamId = getFieldIndex("streamID", "I", clazz);
    Streams.streamControlId = getFieldIndex("streamControlID", "I", clazz);
    if (Streams.finalizer.clazz != nullptr) return;
    Streams.finalizer.clazz = clazz;
    Streams.finalizer.finalizer = streamFinalizer;
    registerNativeFinalizer(&Streams.finalizer);
}

void Java_com_movane_media_core_MediaStream_nativeCreate() {
    StringInstance* locator = (StringInstance*)popObject();
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(popInt());
    if (t == nullptr) {
        pushInt(0);
        return;
    }
    if (locator == nullptr) {
        tryRaiseException("java/lang/NullPointerException");
        return;
    }
    if (lockStringChars(locator) == nullptr) throwPendingException();
    int32_t id = t->create.get()(getStringCharsPointer(locator), getStringLength(locator), t);
    unlockStringChars(locator);
    pushInt(id);
}

void Java_com_movane_media_core_MediaStream_nativeConnect() {
    int32_t id = popInt();
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(popInt());
    pushInt(t ? t->connect.get()(id, t) : -1);
}

static void streamText(P32Fn<StreamTextFn> MediaStreamTypeTable::*slot, bool emptyIsText) {
    int32_t id = popInt();
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(popInt());
    StreamTextFn fn = t ? (t->*slot).get() : nullptr;
    if (fn == nullptr) {
        pushObject(nullptr);
        return;
    }
    pushObject(
        mediaStreamString([&](uint16_t* buffer, int32_t capacity) { return fn(id, buffer, capacity); }, emptyIsText));
}

void Java_com_movane_media_core_MediaStream_nativeGetPermission() {
    streamText(&MediaStreamTypeTable::getPermission, false);
}
void Java_com_movane_media_core_MediaStream_nativeGetMIMEType() {
    streamText(&MediaStreamTypeTable::getMIMEType, true);
}

void Java_com_movane_media_core_MediaStream_nativeDestroy() {
    int32_t id = popInt();
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(popInt());
    pushInt(t ? t->destroy.get()(id, t) : -1);
}

void Java_com_movane_media_core_MediaStream_nativeCheckOpen() {
    int32_t b = popInt(), a = popInt();
    const MediaStreamCheckTable* e = streamEntry(handlerAt(popInt()));
    pushInt(a != 0 && e ? e->checkOpen.get()(a, b, e) : 0);
}

void Java_com_movane_media_core_MediaStream_nativeCheckClose() {
    int32_t a = popInt();
    const MediaStreamCheckTable* e = streamEntry(handlerAt(popInt()));
    pushInt(e ? e->checkClose.get()(a, e) : -1);
}

// ---- MediaStreamControl, MediaStreamType ----

void Java_com_movane_media_core_MediaStreamControl_nativeCanStream() {
    pushInt(streamEntry(handlerAt(popInt())) ? 1 : 0);
}

void Java_com_movane_media_core_MediaStreamControl_nativeSet() {
    int32_t c = popInt(), b = popInt(), a = popInt();
    const MediaStreamCheckTable* e = streamEntry(handlerAt(popInt()));
    pushInt(b != 0 && e ? e->set.get()(a, b, c) : -1);
}

void Java_com_movane_media_core_MediaStreamType_nativeGetCount() { pushInt(MkMediaStreamGetCount()); }

void Java_com_movane_media_core_MediaStreamType_nativeGetControl() {
    pushInt(wordOf(MkMediaStreamGetController(popInt())));
}

void Java_com_movane_media_core_MediaStreamType_nativeGetProtocolName() {
    const MediaStreamTypeTable* t = tableAt<MediaStreamTypeTable>(popInt());
    const uint16_t* text = nullptr;
    int32_t length = t ? t->getProtocolName.get()(&text, t) : 0;
    pushObject(t && text ? tryInstantiateStringFromUnicode(text, length) : nullptr);
}

// ---- CustomSourcePlayerFactory, AbstractHandler ----

void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCount() { pushInt(MkMediaCustomSourceGetCount()); }

void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetScheme() {
    const uint16_t* text = nullptr;
    int32_t length = MkMediaCustomSourceGetScheme(popInt(), &text);
    pushObject(text ? tryInstantiateStringFromUnicode(text, length) : tryInstantiateString("", 0));
}

void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCreator() {
    const uint16_t* text = nullptr;
    int32_t length = MkMediaCustomSourceGetCreator(&text);
    pushObject(text ? tryInstantiateStringFromUnicode(text, length) : tryInstantiateString("", 0));
}

void Java_com_movane_media_AbstractHandler_nativeGetControlCreatorsCount() { pushInt(Streams.creatorCount); }

void Java_com_movane_media_AbstractHandler_nativeGetControlCreators() {
    ArrayObject* names = arrayAt(popObject());
    if (names == nullptr) return;
    // pinned, so that the strings made below cannot move it
    mvMemory_objectLock(names);
    int32_t i = 0;
    for (MediaControlCreator* c = Streams.creators; c && i < getArrayLength(names); c = c->next, i++)
        setObjectArrayElement(names, i, tryInstantiateString(c->className, c->length));
    mvMemory_objectUnlock(names);
}
