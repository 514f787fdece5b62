// The natives of the Java media library: the player life cycle, content detection and
// checks, the supported types and protocols (media_natives.cpp), and the controllers,
// streams, stream types, custom sources and control creators (controller_natives.cpp).
// Each reaches a player only through its handler's slots.
#pragma once

#include <stdint.h>

// com/movane/media/core/MediaControl
void Java_com_movane_media_core_MediaControl_nativeInitialize();
void Java_com_movane_media_core_MediaControl_nativeCreate();
void Java_com_movane_media_core_MediaControl_nativeSet();
void Java_com_movane_media_core_MediaControl_nativeLoad();
void Java_com_movane_media_core_MediaControl_nativeStart();
void Java_com_movane_media_core_MediaControl_nativeStop();
void Java_com_movane_media_core_MediaControl_nativePause();
void Java_com_movane_media_core_MediaControl_nativeRestart();
void Java_com_movane_media_core_MediaControl_nativeUnload();
void Java_com_movane_media_core_MediaControl_nativeGetState();
void Java_com_movane_media_core_MediaControl_nativeGetIncludedContents();
void Java_com_movane_media_core_MediaControl_nativeSetTime();
void Java_com_movane_media_core_MediaControl_nativeGetTime();
void Java_com_movane_media_core_MediaControl_nativeGetControlName();
void Java_com_movane_media_core_MediaControl_nativeGetUserClassCount();
void Java_com_movane_media_core_MediaControl_nativeGetUserClass();
void Java_com_movane_media_core_MediaControl_nativeNotifyBlockingComplete();
void Java_com_movane_media_core_MediaControl_nativeNotifyDeviceRelased();
void Java_com_movane_media_core_MediaControl_nativeNotifyDeviceAcquired();
void Java_com_movane_media_core_MediaControl_nativeFlushEvents();

// com/movane/media/core/MediaType
void Java_com_movane_media_core_MediaType_nativeInitialize();
void Java_com_movane_media_core_MediaType_nativeDetectFromData();
void Java_com_movane_media_core_MediaType_nativeCanStream();
void Java_com_movane_media_core_MediaType_nativeDetectControl();
void Java_com_movane_media_core_MediaType_nativeGetMimeType();
void Java_com_movane_media_core_MediaType_nativeGetSupportedTypes();

// com/movane/media/core/MediaBuffer
void Java_com_movane_media_core_MediaBuffer_nativeInitialize();
void Java_com_movane_media_core_MediaBuffer_nativeLock();
void Java_com_movane_media_core_MediaBuffer_nativeUnlock();
void Java_com_movane_media_core_MediaBuffer_nativeCanStream();
void Java_com_movane_media_core_MediaBuffer_nativeCheckOpen();
void Java_com_movane_media_core_MediaBuffer_nativeCheck();
void Java_com_movane_media_core_MediaBuffer_nativeCheckClose();
void Java_com_movane_media_core_MediaBuffer_nativeGetMediaSize();
void Java_com_movane_media_core_MediaBuffer_nativeGetDuration();
void Java_com_movane_media_core_MediaBuffer_nativeIsSupportedMetaData();

// com/movane/media/core/MediaProfile, com/movane/media/MediaManager,
// com/movane/media/option/mmapi/MMAPIOptions, com/movane/micro/lcdui/ScreenOption
void Java_com_movane_media_core_MediaProfile_nativeGetSupportedProfiles();
void Java_com_movane_media_MediaManager_nativeInitialize();
void Java_com_movane_media_MediaManager_nativeGetProtocolCount();
void Java_com_movane_media_MediaManager_nativeGetProtocolName();
void Java_com_movane_media_MediaManager_nativeGetEncoderCount();
void Java_com_movane_media_MediaManager_nativeGetEncoderType();
void Java_com_movane_media_MediaManager_nativeGetSnapEncoderCount();
void Java_com_movane_media_MediaManager_nativeGetSnapEncoderType();
void Java_com_movane_media_MediaManager_nativeGetInputDeviceMIMEType();
void Java_com_movane_media_MediaManager_nativeIsMIDIDevSupported();
void Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1SUPPORTS_1HTTPS();
void Java_com_movane_media_option_mmapi_MMAPIOptions_nativeGetOption_1MEDIA_1MMAPI_1VIDEOCONTROL_1ALWAYS_1CANCREATE();
void Java_com_movane_micro_lcdui_ScreenOption_nativeSystemExit();
void Java_com_movane_micro_lcdui_ScreenOption_nativeIsRtl();

// com/movane/media/core/MediaUserController, MediaEventController, MediaSyncController,
// MediaVolumeController, MediaToneSeqController
void Java_com_movane_media_core_MediaUserController_nativeGetFuncID();
void Java_com_movane_media_core_MediaUserController_nativeSetParam();
void Java_com_movane_media_core_MediaUserController_nativeGetParam();
void Java_com_movane_media_core_MediaUserController_nativeGetString();
void Java_com_movane_media_core_MediaUserController_nativeSetString();
void Java_com_movane_media_core_MediaEventController_nativeGetFuncID();
void Java_com_movane_media_core_MediaEventController_nativeGetErrorCause();
void Java_com_movane_media_core_MediaEventController_nativeGetUserType();
void Java_com_movane_media_core_MediaEventController_nativeGetUserParamType();
void Java_com_movane_media_core_MediaEventController_nativeGetUserParamInt();
void Java_com_movane_media_core_MediaEventController_nativeGetUserParamString();
void Java_com_movane_media_core_MediaSyncController_nativeGetFuncID();
void Java_com_movane_media_core_MediaSyncController_nativeUseClockOf();
void Java_com_movane_media_core_MediaSyncController_nativeUseOwnClock();
void Java_com_movane_media_core_MediaSyncController_nativeGetClock();
void Java_com_movane_media_core_MediaVolumeController_nativeGetFuncID();
void Java_com_movane_media_core_MediaVolumeController_nativeSetVolume();
void Java_com_movane_media_core_MediaVolumeController_nativeGetVolume();
void Java_com_movane_media_core_MediaToneSeqController_nativePlaySingleTone();

// com/movane/media/core/MediaStream, MediaStreamControl, MediaStreamType;
// com/movane/media/CustomSourcePlayerFactory, AbstractHandler
void Java_com_movane_media_core_MediaStream_initializeFieldIndex();
void Java_com_movane_media_core_MediaStream_nativeCreate();
void Java_com_movane_media_core_MediaStream_nativeConnect();
void Java_com_movane_media_core_MediaStream_nativeGetPermission();
void Java_com_movane_media_core_MediaStream_nativeGetMIMEType();
void Java_com_movane_media_core_MediaStream_nativeDestroy();
void Java_com_movane_media_core_MediaStream_nativeCheckOpen();
void Java_com_movane_media_core_MediaStream_nativeCheckClose();
void Java_com_movane_media_core_MediaStreamControl_nativeCanStream();
void Java_com_movane_media_core_MediaStreamControl_nativeSet();
void Java_com_movane_media_core_MediaStreamType_nativeGetCount();
void Java_com_movane_media_core_MediaStreamType_nativeGetControl();
void Java_com_movane_media_core_MediaStreamType_nativeGetProtocolName();
void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCount();
void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetScheme();
void Java_com_movane_media_CustomSourcePlayerFactory_nativeGetCreator();
void Java_com_movane_media_AbstractHandler_nativeGetControlCreatorsCount();
void Java_com_movane_media_AbstractHandler_nativeGetControlCreators();

// A class of control that the media library can create, as registerControlCreator of
// the toolkit's services enters it (newest first).
struct MediaControlCreator {
    MediaControlCreator* next;
    const char* className;
    int32_t length;
};
// Pushes a creator record (the caller's, kept for the run) at the head of the list.
void registerControlCreator(MediaControlCreator* creator);

// The finalizers, for tests: each with the dying object.
struct Instance;
int32_t mediaControlFinalize(Instance* object);
int32_t mediaBufferFinalize(Instance* object);
int32_t mediaStreamFinalize(Instance* object);
