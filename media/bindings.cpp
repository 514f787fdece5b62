// Native bindings of the media classes.
#include "media/bindings.h"

#include "media/media_natives.h"
#include "media/mediaregistry.h"
#include "vm/services/events.h"

// Two steps, so that the C name is written after CORE and MANAGER have expanded.
#define NATIVE_NAMED(name, descriptor, fn) \
    { name, descriptor, fn, #fn }
#define NATIVE(name, descriptor, fn) NATIVE_NAMED(name, descriptor, fn)
#define CLASS(name, table) \
    { name, table, (int32_t)(sizeof table / sizeof table[0]) }
#define CORE(cls, name) Java_com_movane_media_core_##cls##_##name

static const NativeMethodBinding MediaControlNatives[] = {
    NATIVE("nativeInitialize", "()V", CORE(MediaControl, nativeInitialize)),
    NATIVE("nativeCreate", "(II)I", CORE(MediaControl, nativeCreate)),
    NATIVE("nativeSet", "(II[BI)I", CORE(MediaControl, nativeSet)),
    NATIVE("nativeLoad", "(II)I", CORE(MediaControl, nativeLoad)),
    NATIVE("nativeStart", "(III)I", CORE(MediaControl, nativeStart)),
    NATIVE("nativeStop", "(II)I", CORE(MediaControl, nativeStop)),
    NATIVE("nativePause", "(II)I", CORE(MediaControl, nativePause)),
    NATIVE("nativeRestart", "(II)I", CORE(MediaControl, nativeRestart)),
    NATIVE("nativeUnload", "(II)I", CORE(MediaControl, nativeUnload)),
    NATIVE("nativeGetState", "(II)I", CORE(MediaControl, nativeGetState)),
    NATIVE("nativeGetIncludedContents", "(II)I", CORE(MediaControl, nativeGetIncludedContents)),
    NATIVE("nativeSetTime", "(IIJ)I", CORE(MediaControl, nativeSetTime)),
    NATIVE("nativeGetTime", "(II)J", CORE(MediaControl, nativeGetTime)),
    NATIVE("nativeGetControlName", "(II)Ljava/lang/String;", CORE(MediaControl, nativeGetControlName)),
    NATIVE("nativeGetUserClassCount", "(I)I", CORE(MediaControl, nativeGetUserClassCount)),
    NATIVE("nativeGetUserClass", "(II[I)Ljava/lang/String;", CORE(MediaControl, nativeGetUserClass)),
    NATIVE("nativeNotifyBlockingComplete", "(Z)V", CORE(MediaControl, nativeNotifyBlockingComplete)),
    NATIVE("nativeNotifyDeviceRelased", "(I)V", CORE(MediaControl, nativeNotifyDeviceRelased)),
    NATIVE("nativeNotifyDeviceAcquired", "(I)V", CORE(MediaControl, nativeNotifyDeviceAcquired)),
    NATIVE("nativeFlushEvents", "(II)I", CORE(MediaControl, nativeFlushEvents)),
};

static const NativeMethodBinding MediaTypeNatives[] = {
    NATIVE("nativeInitialize", "()V", CORE(MediaType, nativeInitialize)),
    NATIVE("nativeDetectFromData", "([B)I", CORE(MediaType, nativeDetectFromData)),
    NATIVE("nativeCanStream", "(I)Z", CORE(MediaType, nativeCanStream)),
    NATIVE("nativeDetectControl", "(I)I", CORE(MediaType, nativeDetectControl)),
    NATIVE("nativeGetMimeType", "(I)Ljava/lang/String;", CORE(MediaType, nativeGetMimeType)),
    NATIVE("nativeGetSupportedTypes", "()[I", CORE(MediaType, nativeGetSupportedTypes)),
};

static const NativeMethodBinding MediaBufferNatives[] = {
    NATIVE("nativeInitialize", "()V", CORE(MediaBuffer, nativeInitialize)),
    NATIVE("nativeLock", "([B)V", CORE(MediaBuffer, nativeLock)),
    NATIVE("nativeUnlock", "([B)V", CORE(MediaBuffer, nativeUnlock)),
    NATIVE("nativeCanStream", "(Ljava/lang/String;)Z", CORE(MediaBuffer, nativeCanStream)),
    NATIVE("nativeCheckOpen", "(I[B)I", CORE(MediaBuffer, nativeCheckOpen)),
    NATIVE("nativeCheck", "(II[I)I", CORE(MediaBuffer, nativeCheck)),
    NATIVE("nativeCheckClose", "(II)I", CORE(MediaBuffer, nativeCheckClose)),
    NATIVE("nativeGetMediaSize", "(II[I)I", CORE(MediaBuffer, nativeGetMediaSize)),
    NATIVE("nativeGetDuration", "(II)J", CORE(MediaBuffer, nativeGetDuration)),
    NATIVE("nativeIsSupportedMetaData", "(I)Z", CORE(MediaBuffer, nativeIsSupportedMetaData)),
};

static const NativeMethodBinding MediaProfileNatives[] = {
    NATIVE("nativeGetSupportedProfiles", "(I)I", CORE(MediaProfile, nativeGetSupportedProfiles)),
};

static const NativeMethodBinding MediaUserControllerNatives[] = {
    NATIVE("nativeGetFuncID", "(I)I", CORE(MediaUserController, nativeGetFuncID)),
    NATIVE("nativeSetParam", "(IIII[I)I", CORE(MediaUserController, nativeSetParam)),
    NATIVE("nativeGetParam", "(IIII[I)I", CORE(MediaUserController, nativeGetParam)),
    NATIVE("nativeGetString", "(IIII)Ljava/lang/String;", CORE(MediaUserController, nativeGetString)),
    NATIVE("nativeSetString", "(IIIILjava/lang/String;)I", CORE(MediaUserController, nativeSetString)),
};

static const NativeMethodBinding MediaEventControllerNatives[] = {
    NATIVE("nativeGetFuncID", "(I)I", CORE(MediaEventController, nativeGetFuncID)),
    NATIVE("nativeGetErrorCause", "(III)Ljava/lang/String;", CORE(MediaEventController, nativeGetErrorCause)),
    NATIVE("nativeGetUserType", "(III)Ljava/lang/String;", CORE(MediaEventController, nativeGetUserType)),
    NATIVE("nativeGetUserParamType", "(III)I", CORE(MediaEventController, nativeGetUserParamType)),
    NATIVE("nativeGetUserParamInt", "(III)I", CORE(MediaEventController, nativeGetUserParamInt)),
    NATIVE("nativeGetUserParamString", "(III)Ljava/lang/String;", CORE(MediaEventController, nativeGetUserParamString)),
};

static const NativeMethodBinding MediaSyncControllerNatives[] = {
    NATIVE("nativeGetFuncID", "(I)I", CORE(MediaSyncController, nativeGetFuncID)),
    NATIVE("nativeUseClockOf", "(IIII)I", CORE(MediaSyncController, nativeUseClockOf)),
    NATIVE("nativeUseOwnClock", "(II)I", CORE(MediaSyncController, nativeUseOwnClock)),
    NATIVE("nativeGetClock", "(II)J", CORE(MediaSyncController, nativeGetClock)),
};

static const NativeMethodBinding MediaVolumeControllerNatives[] = {
    NATIVE("nativeGetFuncID", "(I)I", CORE(MediaVolumeController, nativeGetFuncID)),
    NATIVE("nativeSetVolume", "(III)I", CORE(MediaVolumeController, nativeSetVolume)),
    NATIVE("nativeGetVolume", "(II)I", CORE(MediaVolumeController, nativeGetVolume)),
};

static const NativeMethodBinding MediaToneSeqControllerNatives[] = {
    NATIVE("nativePlaySingleTone", "(III)I", CORE(MediaToneSeqController, nativePlaySingleTone)),
};

static const NativeMethodBinding MediaStreamNatives[] = {
    NATIVE("initializeFieldIndex", "()V", CORE(MediaStream, initializeFieldIndex)),
    NATIVE("nativeCreate", "(ILjava/lang/String;)I", CORE(MediaStream, nativeCreate)),
    NATIVE("nativeConnect", "(II)I", CORE(MediaStream, nativeConnect)),
    NATIVE("nativeGetPermission", "(II)Ljava/lang/String;", CORE(MediaStream, nativeGetPermission)),
    NATIVE("nativeGetMIMEType", "(II)Ljava/lang/String;", CORE(MediaStream, nativeGetMIMEType)),
    NATIVE("nativeDestroy", "(II)I", CORE(MediaStream, nativeDestroy)),
    NATIVE("nativeCheckOpen", "(III)I", CORE(MediaStream, nativeCheckOpen)),
    NATIVE("nativeCheckClose", "(II)I", CORE(MediaStream, nativeCheckClose)),
};

static const NativeMethodBinding MediaStreamControlNatives[] = {
    NATIVE("nativeCanStream", "(I)Z", CORE(MediaStreamControl, nativeCanStream)),
    NATIVE("nativeSet", "(IIII)I", CORE(MediaStreamControl, nativeSet)),
};

static const NativeMethodBinding MediaStreamTypeNatives[] = {
    NATIVE("nativeGetCount", "()I", CORE(MediaStreamType, nativeGetCount)),
    NATIVE("nativeGetControl", "(I)I", CORE(MediaStreamType, nativeGetControl)),
    NATIVE("nativeGetProtocolName", "(I)Ljava/lang/String;", CORE(MediaStreamType, nativeGetProtocolName)),
};

#define MANAGER(name) Java_com_movane_media_MediaManager_##name
static const NativeMethodBinding MediaManagerNatives[] = {
    NATIVE("nativeInitialize", "()V", MANAGER(nativeInitialize)),
    NATIVE("nativeGetProtocolCount", "()I", MANAGER(nativeGetProtocolCount)),
    NATIVE("nativeGetProtocolName", "(I)Ljava/lang/String;", MANAGER(nativeGetProtocolName)),
    NATIVE("nativeGetEncoderCount", "(Lcom/movane/media/core/MediaType;)I", MANAGER(nativeGetEncoderCount)),
    NATIVE("nativeGetEncoderType", "(Lcom/movane/media/core/MediaType;I)Ljava/lang/String;",
           MANAGER(nativeGetEncoderType)),
    NATIVE("nativeGetSnapEncoderCount", "(Lcom/movane/media/core/MediaType;)I", MANAGER(nativeGetSnapEncoderCount)),
    NATIVE("nativeGetSnapEncoderType", "(Lcom/movane/media/core/MediaType;I)Ljava/lang/String;",
           MANAGER(nativeGetSnapEncoderType)),
    NATIVE("nativeGetInputDeviceMIMEType", "(Lcom/movane/media/core/MediaType;)Ljava/lang/String;",
           MANAGER(nativeGetInputDeviceMIMEType)),
    NATIVE("nativeIsMIDIDevSupported", "()Z", MANAGER(nativeIsMIDIDevSupported)),
};
#undef MANAGER

static const NativeMethodBinding MMAPIOptionsNatives[] = {
    NATIVE("nativeGetOption_MEDIA_MMAPI_SUPPORTS_HTTPS", "()I",
           Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1SUPPORTS_1HTTPS),
    NATIVE(
        "nativeGetOption_MEDIA_MMAPI_VIDEOCONTROL_ALWAYS_CANCREATE", "()I",
        Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1VIDEOCONTROL_1ALWAYS_1CANCREATE),
};

static const NativeMethodBinding CustomSourcePlayerFactoryNatives[] = {
    NATIVE("nativeGetCount", "()I", Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCount),
    NATIVE("nativeGetScheme", "(I)Ljava/lang/String;", Java_com_movane_media_CustomSourcePlayerFactory_nativeGetScheme),
    NATIVE("nativeGetCreator", "()Ljava/lang/String;",
           Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCreator),
};

static const NativeMethodBinding AbstractHandlerNatives[] = {
    NATIVE("nativeGetControlCreatorsCount", "()I", Java_com_movane_media_AbstractHandler_nativeGetControlCreatorsCount),
    NATIVE("nativeGetControlCreators", "([Ljava/lang/String;)V",
           Java_com_movane_media_AbstractHandler_nativeGetControlCreators),
};

static const NativeMethodBinding ScreenOptionNatives[] = {
    NATIVE("nativeSystemExit", "()V", Java_com_movane_micro_lcdui_ScreenOption_nativeSystemExit),
    NATIVE("nativeIsRtl", "()Z", Java_com_movane_micro_lcdui_ScreenOption_nativeIsRtl),
};

static const NativeClassBinding MediaClassBindings[] = {
    CLASS("com/movane/media/core/MediaControl", MediaControlNatives),
    CLASS("com/movane/media/core/MediaType", MediaTypeNatives),
    CLASS("com/movane/media/core/MediaBuffer", MediaBufferNatives),
    CLASS("com/movane/media/core/MediaProfile", MediaProfileNatives),
    CLASS("com/movane/media/core/MediaUserController", MediaUserControllerNatives),
    CLASS("com/movane/media/core/MediaEventController", MediaEventControllerNatives),
    CLASS("com/movane/media/core/MediaSyncController", MediaSyncControllerNatives),
    CLASS("com/movane/media/core/MediaVolumeController", MediaVolumeControllerNatives),
    CLASS("com/movane/media/core/MediaToneSeqController", MediaToneSeqControllerNatives),
    CLASS("com/movane/media/core/MediaStream", MediaStreamNatives),
    CLASS("com/movane/media/core/MediaStreamControl", MediaStreamControlNatives),
    CLASS("com/movane/media/core/MediaStreamType", MediaStreamTypeNatives),
    CLASS("com/movane/media/MediaManager", MediaManagerNatives),
    CLASS("com/movane/media/option/mmapi/MMAPIOptions", MMAPIOptionsNatives),
    CLASS("com/movane/media/CustomSourcePlayerFactory", CustomSourcePlayerFactoryNatives),
    CLASS("com/movane/media/AbstractHandler", AbstractHandlerNatives),
    CLASS("com/movane/micro/lcdui/ScreenOption", ScreenOptionNatives),
};

const NativeBindingTable MediaNativeBindings = {MediaClassBindings,
                                                (int32_t)(sizeof MediaClassBindings / sizeof MediaClassBindings[0])};

void installMediaNatives() {
    NativeTables.tables[NATIVES_MEDIA] = &MediaNativeBindings;
    MediaEvents.fireCallback = mvMedia_fireEventCallback;
    MediaEvents.registerVmCallbacks = mvMedia_registerVmCallbacks;
    MediaEvents.tonePlayNote = MkMediaTonePlayNote;
}
