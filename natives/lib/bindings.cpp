// Native bindings of the library classes.
#include "natives/lib/bindings.h"

#include <string.h>

#include "natives/lib/class_natives.h"
#include "natives/lib/console_natives.h"
#include "natives/lib/dialog_natives.h"
#include "natives/lib/i18n_natives.h"
#include "natives/lib/midlet_natives.h"
#include "natives/lib/numeric_natives.h"
#include "natives/lib/object_natives.h"
#include "natives/lib/permission_natives.h"
#include "natives/lib/rms_natives.h"
#include "natives/lib/runtime_natives.h"
#include "natives/lib/string_natives.h"
#include "natives/lib/sysprops_natives.h"
#include "natives/lib/system_natives.h"
#include "natives/lib/thread_natives.h"
#include "natives/lib/timezone.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/interp.h"
#include "vm/core/tables.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/services/vmstate.h"
#include "vm/trace/tracelog.h"

#define NATIVE(name, descriptor, fn) \
    { name, descriptor, fn, #fn }
#define CLASS(name, table) \
    { name, table, (int32_t)(sizeof table / sizeof table[0]) }

static const NativeMethodBinding ObjectNatives[] = {
    NATIVE("getClass", "()Ljava/lang/Class;", Java_java_lang_Object_getClass),
    NATIVE("hashCode", "()I", Java_java_lang_Object_hashCode),
    NATIVE("notify", "()V", Java_java_lang_Object_notify),
    NATIVE("notifyAll", "()V", Java_java_lang_Object_notifyAll),
    NATIVE("wait0", "(J)V", Java_java_lang_Object_wait0),
};

static const NativeMethodBinding ClassNatives[] = {
    NATIVE("isInterface", "()Z", Java_java_lang_Class_isInterface),
    NATIVE("isArray", "()Z", Java_java_lang_Class_isArray),
    NATIVE("forName", "(Ljava/lang/String;)Ljava/lang/Class;", Java_java_lang_Class_forName),
    NATIVE("newInstance", "()Ljava/lang/Object;", Java_java_lang_Class_newInstance),
    NATIVE("getName", "()Ljava/lang/String;", Java_java_lang_Class_getName),
    NATIVE("isInstance", "(Ljava/lang/Object;)Z", Java_java_lang_Class_isInstance),
    NATIVE("isAssignableFrom", "(Ljava/lang/Class;)Z", Java_java_lang_Class_isAssignableFrom),
};

static const NativeMethodBinding SystemNatives[] = {
    NATIVE("identityHashCode", "(Ljava/lang/Object;)I", Java_java_lang_System_identityHashCode),
    NATIVE("arraycopy", "(Ljava/lang/Object;ILjava/lang/Object;II)V", Java_java_lang_System_arraycopy),
    NATIVE("currentTimeMillis", "()J", Java_java_lang_System_currentTimeMillis),
    NATIVE("getProperty0", "(Ljava/lang/String;)Ljava/lang/String;", Java_java_lang_System_getProperty0),
};

static const NativeMethodBinding ThreadNatives[] = {
    NATIVE("activeCount", "()I", Java_java_lang_Thread_activeCount),
    NATIVE("currentThread", "()Ljava/lang/Thread;", Java_java_lang_Thread_currentThread),
    NATIVE("yield", "()V", Java_java_lang_Thread_yield),
    NATIVE("sleep0", "(J)V", Java_java_lang_Thread_sleep0),
    NATIVE("nativeStart", "()V", Java_java_lang_Thread_nativeStart),
    NATIVE("isAlive", "()Z", Java_java_lang_Thread_isAlive),
    NATIVE("setPriority0", "(I)V", Java_java_lang_Thread_setPriority0),
    NATIVE("interrupt0", "()V", Java_java_lang_Thread_interrupt0),
};

static const NativeMethodBinding RuntimeNatives[] = {
    NATIVE("exitInternal", "(I)V", Java_java_lang_Runtime_exitInternal),
    NATIVE("freeMemory", "()J", Java_java_lang_Runtime_freeMemory),
    NATIVE("totalMemory", "()J", Java_java_lang_Runtime_totalMemory),
    NATIVE("gc", "()V", Java_java_lang_Runtime_gc),
};

static const NativeMethodBinding ThrowableNatives[] = {
    NATIVE("printStackTrace0", "(Ljava/lang/Object;)V", Java_java_lang_Throwable_printStackTrace0),
    NATIVE("nativeSysLogPrint", "([B)V", Java_java_lang_Throwable_nativeSysLogPrint),
    NATIVE("nativeIsSysLog", "()Z", Java_java_lang_Throwable_nativeIsSysLog),
};

static const NativeMethodBinding WeakReferenceNatives[] = {
    NATIVE("initializeWeakReference", "()V", Java_java_lang_ref_WeakReference_initializeWeakReference),
};

static const NativeMethodBinding FloatNatives[] = {
    NATIVE("floatToIntBits", "(F)I", Java_java_lang_Float_floatToIntBits),
    NATIVE("intBitsToFloat", "(I)F", Java_java_lang_Float_intBitsToFloat),
};

static const NativeMethodBinding DoubleNatives[] = {
    NATIVE("doubleToLongBits", "(D)J", Java_java_lang_Double_doubleToLongBits),
    NATIVE("longBitsToDouble", "(J)D", Java_java_lang_Double_longBitsToDouble),
};

static const NativeMethodBinding MathNatives[] = {
    NATIVE("ceil", "(D)D", Java_java_lang_Math_ceil), NATIVE("floor", "(D)D", Java_java_lang_Math_floor),
    NATIVE("sqrt", "(D)D", Java_java_lang_Math_sqrt), NATIVE("sin", "(D)D", Java_java_lang_Math_sin),
    NATIVE("cos", "(D)D", Java_java_lang_Math_cos),   NATIVE("tan", "(D)D", Java_java_lang_Math_tan),
};

static const NativeMethodBinding RandomNatives[] = {
    NATIVE("nativeInit", "()V", Java_java_util_Random_nativeInit),
    NATIVE("setSeed", "(J)V", Java_java_util_Random_setSeed),
    NATIVE("next", "(I)I", Java_java_util_Random_next),
    NATIVE("nextInt", "()I", Java_java_util_Random_nextInt__),
    NATIVE("nextInt", "(I)I", Java_java_util_Random_nextInt__I),
    NATIVE("nextLong", "()J", Java_java_util_Random_nextLong),
};

static const NativeMethodBinding LongNatives[] = {
    NATIVE("toString", "(JI)Ljava/lang/String;", Java_java_lang_Long_toString),
};

static const NativeMethodBinding StringNatives[] = {
    NATIVE("charAt", "(I)C", Java_java_lang_String_charAt),
    NATIVE("indexOf", "(I)I", Java_java_lang_String_indexOf__I),
    NATIVE("indexOf", "(II)I", Java_java_lang_String_indexOf__II),
    NATIVE("lastIndexOfChar", "(II)I", Java_java_lang_String_lastIndexOfChar),
    NATIVE("indexOfString", "(Ljava/lang/String;I)I", Java_java_lang_String_indexOfString),
    NATIVE("equals", "(Ljava/lang/Object;)Z", Java_java_lang_String_equals),
    NATIVE("hashCode", "()I", Java_java_lang_String_hashCode),
    NATIVE("startsWith", "(Ljava/lang/String;I)Z", Java_java_lang_String_startsWith),
    NATIVE("compareTo", "(Ljava/lang/String;)I", Java_java_lang_String_compareTo),
    NATIVE("regionMatches", "(ZILjava/lang/String;II)Z", Java_java_lang_String_regionMatches),
    NATIVE("toLowerCase", "()Ljava/lang/String;", Java_java_lang_String_toLowerCase),
    NATIVE("toUpperCase", "()Ljava/lang/String;", Java_java_lang_String_toUpperCase),
    NATIVE("replace", "(CC)Ljava/lang/String;", Java_java_lang_String_replace),
    NATIVE("trim", "()Ljava/lang/String;", Java_java_lang_String_trim),
    NATIVE("newString", "(Ljava/lang/StringBuffer;)V", Java_java_lang_String_newString),
    NATIVE("intern", "()Ljava/lang/String;", Java_java_lang_String_intern),
};

static const NativeMethodBinding StringBufferNatives[] = {
    NATIVE("append", "(Ljava/lang/String;)Ljava/lang/StringBuffer;",
           Java_java_lang_StringBuffer_append__Ljava_lang_String_2),
    NATIVE("append", "(I)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_append__I),
    NATIVE("append", "([C)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_append___3C),
    NATIVE("append", "([CII)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_append___3CII),
    NATIVE("append", "(C)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_append__C),
    NATIVE("toString", "()Ljava/lang/String;", Java_java_lang_StringBuffer_toString),
    NATIVE("ensureCapacity", "(I)V", Java_java_lang_StringBuffer_ensureCapacity),
    NATIVE("charAt", "(I)C", Java_java_lang_StringBuffer_charAt),
    NATIVE("setLength", "(I)V", Java_java_lang_StringBuffer_setLength),
    NATIVE("getChars", "(II[CI)V", Java_java_lang_StringBuffer_getChars),
    NATIVE("setCharAt", "(IC)V", Java_java_lang_StringBuffer_setCharAt),
    NATIVE("delete", "(II)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_delete),
    NATIVE("deleteCharAt", "(I)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_deleteCharAt),
    NATIVE("insert", "(ILjava/lang/String;)Ljava/lang/StringBuffer;",
           Java_java_lang_StringBuffer_insert__ILjava_lang_String_2),
    NATIVE("insert", "(I[C)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_insert__I_3C),
    NATIVE("insert", "(IC)Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_insert__IC),
    NATIVE("reverse", "()Ljava/lang/StringBuffer;", Java_java_lang_StringBuffer_reverse),
};

static const NativeMethodBinding ConsoleOutputStreamNatives[] = {
    NATIVE("write", "(I)V", Java_com_sun_cldc_io_ConsoleOutputStream_write__I),
    NATIVE("write", "([B)V", Java_com_sun_cldc_io_ConsoleOutputStream_write___3B),
    NATIVE("write", "([BII)V", Java_com_sun_cldc_io_ConsoleOutputStream_write___3BII),
    NATIVE("flush", "()V", Java_com_sun_cldc_io_ConsoleOutputStream_flush),
};

static const NativeMethodBinding ResourceInputStreamNatives[] = {
    NATIVE("open", "(Ljava/lang/String;)Ljava/lang/Object;", Java_com_sun_cldc_io_ResourceInputStream_open),
    NATIVE("close", "(Ljava/lang/Object;)V", Java_com_sun_cldc_io_ResourceInputStream_close),
    NATIVE("read", "(Ljava/lang/Object;)I", Java_com_sun_cldc_io_ResourceInputStream_read),
    NATIVE("readBytes", "(Ljava/lang/Object;[BIII)I", Java_com_sun_cldc_io_ResourceInputStream_readBytes),
    NATIVE("size", "(Ljava/lang/Object;)I", Java_com_sun_cldc_io_ResourceInputStream_size),
};

static const NativeMethodBinding PriorityScheduleNatives[] = {
    NATIVE("disableSwitchThread", "()V", Java_com_movane_micro_thread_PrioritySchedule_disableSwitchThread),
    NATIVE("enableSwitchThread", "()V", Java_com_movane_micro_thread_PrioritySchedule_enableSwitchThread),
    NATIVE("setDispatchPriority", "(I)V", Java_com_movane_micro_thread_PrioritySchedule_setDispatchPriority),
    NATIVE("getDispatchPriority", "()I", Java_com_movane_micro_thread_PrioritySchedule_getDispatchPriority),
};

// The converter classes share two signatures.
#define READER_NATIVES(cls)                                                                 \
    NATIVE("convert", "([BII[CII[I[B)I", Java_com_movane_util_i18n_##cls##_Reader_convert), \
        NATIVE("sizeOf", "([BII)I", Java_com_movane_util_i18n_##cls##_Reader_sizeOf)
#define WRITER_NATIVES(cls)                                                               \
    NATIVE("convert", "([CII[BII[I)I", Java_com_movane_util_i18n_##cls##_Writer_convert), \
        NATIVE("sizeOf", "([CII)I", Java_com_movane_util_i18n_##cls##_Writer_sizeOf)
static const NativeMethodBinding SjisReaderNatives[] = {READER_NATIVES(SJIS)};
static const NativeMethodBinding SjisWriterNatives[] = {WRITER_NATIVES(SJIS)};
static const NativeMethodBinding Utf8ReaderNatives[] = {READER_NATIVES(UTF8)};
static const NativeMethodBinding Utf8WriterNatives[] = {WRITER_NATIVES(UTF8)};
static const NativeMethodBinding Latin1ReaderNatives[] = {READER_NATIVES(ISO8859_1)};
static const NativeMethodBinding Latin1WriterNatives[] = {WRITER_NATIVES(ISO8859_1)};
#undef READER_NATIVES
#undef WRITER_NATIVES

static const NativeMethodBinding SystemPropertiesNatives[] = {
    NATIVE("initializeFieldIndex", "()V", Java_com_movane_util_SystemProperties_initializeFieldIndex),
    NATIVE("nativeGetVirtualWidth", "()I", Java_com_movane_util_SystemProperties_nativeGetVirtualWidth),
    NATIVE("nativeGetVirtualHeight", "()I", Java_com_movane_util_SystemProperties_nativeGetVirtualHeight),
    NATIVE("nativeGetFullScreenWidth", "()I", Java_com_movane_util_SystemProperties_nativeGetFullScreenWidth),
    NATIVE("nativeGetFullScreenHeight", "()I", Java_com_movane_util_SystemProperties_nativeGetFullScreenHeight),
    NATIVE("nativeIsColor", "()Z", Java_com_movane_util_SystemProperties_nativeIsColor),
    NATIVE("nativeNumColors", "()I", Java_com_movane_util_SystemProperties_nativeNumColors),
    NATIVE("hasRepeatEvents", "()Z", Java_com_movane_util_SystemProperties_hasRepeatEvents),
    NATIVE("hasPointerEvents", "()Z", Java_com_movane_util_SystemProperties_hasPointerEvents),
    NATIVE("hasPointerMotionEvents", "()Z", Java_com_movane_util_SystemProperties_hasPointerMotionEvents),
    NATIVE("nativeGetSoftkeyCount", "()I", Java_com_movane_util_SystemProperties_nativeGetSoftkeyCount),
    NATIVE("nativeGetVendorName", "()Ljava/lang/String;", Java_com_movane_util_SystemProperties_nativeGetVendorName),
    NATIVE("nativeGetVendorVersion", "()Ljava/lang/String;",
           Java_com_movane_util_SystemProperties_nativeGetVendorVersion),
    NATIVE("nativeGetProfileType", "()I", Java_com_movane_util_SystemProperties_nativeGetProfileType),
    NATIVE("nativeGetProfileVersion", "(I)Ljava/lang/String;",
           Java_com_movane_util_SystemProperties_nativeGetProfileVersion),
    NATIVE("nativeGetStartupType", "()I", Java_com_movane_util_SystemProperties_nativeGetStartupType),
    NATIVE("nativeGetVMVersion", "()Ljava/lang/String;", Java_com_movane_util_SystemProperties_nativeGetVMVersion),
    NATIVE("nativeGetVMInformation", "()Ljava/lang/String;",
           Java_com_movane_util_SystemProperties_nativeGetVMInformation),
    NATIVE("nativeGetVMDetail", "()Ljava/lang/String;", Java_com_movane_util_SystemProperties_nativeGetVMDetail),
};

static const NativeMethodBinding SystemOptionNatives[] = {
    NATIVE("nativeGetOption", "(Ljava/lang/String;)Ljava/lang/String;",
           Java_com_movane_micro_SystemOption_nativeGetOption),
};

static const NativeMethodBinding SystemLogNatives[] = {
    NATIVE("print", "(Ljava/lang/String;)V", Java_com_movane_util_SystemLog_print),
    NATIVE("println", "(Ljava/lang/String;)V", Java_com_movane_util_SystemLog_println),
};

static const NativeMethodBinding CaseNatives[] = {
    NATIVE("toLower", "(Ljava/lang/String;)Ljava/lang/String;", Java_com_movane_util_Case_toLower),
};

static const NativeMethodBinding TimeZoneImplNatives[] = {
    NATIVE("native_getCount", "()I", Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getCount),
    NATIVE("native_getIndex", "(Ljava/lang/String;)I", Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getIndex),
    NATIVE("native_getID", "(I)Ljava/lang/String;", Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getID),
    NATIVE("native_setFields", "(I)V", Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_setFields),
    NATIVE("getDefaultTimeZone", "()Ljava/lang/String;", Java_com_sun_cldc_util_j2me_TimeZoneImpl_getDefaultTimeZone),
};

static const NativeMethodBinding MIDletNatives[] = {
    NATIVE("initialize", "()V", Java_javax_microedition_midlet_MIDlet_initialize),
    NATIVE("notifyResumeEvent", "(Z)V", Java_javax_microedition_midlet_MIDlet_notifyResumeEvent),
    NATIVE("nativeSystemExit", "(I)V", Java_javax_microedition_midlet_MIDlet_nativeSystemExit),
    NATIVE("nativeNoteExitStatus", "(I)V", Java_javax_microedition_midlet_MIDlet_nativeNoteExitStatus),
    NATIVE("nativeGetAppProperty", "(Ljava/lang/String;)Ljava/lang/String;",
           Java_javax_microedition_midlet_MIDlet_nativeGetAppProperty),
    NATIVE("nativeNotifyAppStopped", "(Z)V", Java_javax_microedition_midlet_MIDlet_nativeNotifyAppStopped),
    NATIVE("nativeNotifyAppSuspended", "(ZZ)V", Java_javax_microedition_midlet_MIDlet_nativeNotifyAppSuspended),
    NATIVE("nativeNotifyAppResumed", "(Z)V", Java_javax_microedition_midlet_MIDlet_nativeNotifyAppResumed),
    NATIVE("nativePlatformRequest", "(Ljava/lang/String;)I",
           Java_javax_microedition_midlet_MIDlet_nativePlatformRequest),
    NATIVE("nativeStateCallbackToApp", "(IZ)V", Java_javax_microedition_midlet_MIDlet_nativeStateCallbackToApp),
    NATIVE("nativeIsTrusted", "()Z", Java_javax_microedition_midlet_MIDlet_nativeIsTrusted),
    NATIVE("nativePostShowNotify", "()V", Java_javax_microedition_midlet_MIDlet_nativePostShowNotify),
    NATIVE("nativePostHideNotify", "()V", Java_javax_microedition_midlet_MIDlet_nativePostHideNotify),
};

static const NativeMethodBinding MidletSelectorNatives[] = {
    NATIVE("nativeNotifySelectorResumed", "()V",
           Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorResumed),
    NATIVE("nativeNotifySelectorGoesHidden", "()V",
           Java_javax_microedition_midlet_MidletSelector_nativeNotifySelectorGoesHidden),
    NATIVE("nativeSetAppStart", "()V", Java_javax_microedition_midlet_MidletSelector_nativeSetAppStart),
    NATIVE("register", "()V", Java_javax_microedition_midlet_MidletSelector_register),
};

static const NativeMethodBinding AppPropertiesNatives[] = {
    NATIVE("getProperty", "(Ljava/lang/String;)Ljava/lang/String;", Java_com_movane_midlet_AppProperties_getProperty),
};

static const NativeMethodBinding AbstractEventThreadNatives[] = {
    NATIVE("waitNextEvent", "(I)Z", Java_com_movane_micro_event_AbstractEventThread_waitNextEvent),
    NATIVE("getNextEvent", "(I[I)I", Java_com_movane_micro_event_AbstractEventThread_getNextEvent),
};

static const NativeMethodBinding UiEventThreadNatives[] = {
    NATIVE("initEventQueue", "(I)I", Java_com_movane_micro_event_UiEventThread_initEventQueue),
    NATIVE("getNextEvent", "(I[I)I", Java_com_movane_micro_event_UiEventThread_getNextEvent),
};

static const NativeMethodBinding DialogEventThreadNatives[] = {
    NATIVE("initEventQueue", "(I)I", Java_com_movane_security_DialogEventThread_initEventQueue),
    NATIVE("getNextEvent", "(I[I)I", Java_com_movane_security_DialogEventThread_getNextEvent),
};

static const NativeMethodBinding ProcessEventThreadNatives[] = {
    NATIVE("initEventQueue", "(I)I", Java_com_movane_micro_event_ProcessEventThread_initEventQueue),
    NATIVE("isBackwardCompatibleK6", "()Z", Java_com_movane_micro_event_ProcessEventThread_isBackwardCompatibleK6),
};

static const NativeMethodBinding ProcessEventHandlerNatives[] = {
    NATIVE("nativeExecuteVmStop", "()V", Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmStop),
    NATIVE("nativeExecuteVmSuspend", "()V", Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmSuspend),
    NATIVE("nativeExecuteVmResume", "()V", Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmResume),
    NATIVE("nativeSweepKeyEventQueue", "()V", Java_com_movane_micro_event_ProcessEventHandler_nativeSweepKeyEventQueue),
    NATIVE("isThreadSwitchingMode", "()Z", Java_com_movane_micro_event_ProcessEventHandler_isThreadSwitchingMode),
    NATIVE("nativeHoldTimers", "()V", Java_com_movane_micro_event_ProcessEventHandler_nativeHoldTimers),
};

static const NativeMethodBinding MediaEventThreadNatives[] = {
    NATIVE("initEventQueue", "(I)I", Java_com_movane_micro_event_MediaEventThread_initEventQueue),
};

static const NativeMethodBinding JoinerEventThreadNatives[] = {
    NATIVE("initEventQueue", "(I)I", Java_com_movane_micro_thread_NativeThreadJoinnerEventThread_initEventQueue),
};

static const NativeMethodBinding StringKeyHashtableNatives[] = {
    NATIVE("get", "(Ljava/lang/String;)Ljava/lang/Object;", Java_com_movane_util_StringKeyHashtable_get),
    NATIVE("containsKey", "(Ljava/lang/String;)Z", Java_com_movane_util_StringKeyHashtable_containsKey),
    NATIVE("nativePut", "(Ljava/lang/Object;Ljava/lang/Object;)Ljava/lang/Object;",
           Java_com_movane_util_StringKeyHashtable_nativePut),
};

static const NativeMethodBinding IntRingBufferNatives[] = {
    NATIVE("initializeFieldIndex", "()V", Java_com_movane_util_IntRingBuffer_initializeFieldIndex),
    NATIVE("write5", "(Lcom/movane/util/IntRingBuffer;IIIII)V", Java_com_movane_util_IntRingBuffer_write5),
    NATIVE("read", "()I", Java_com_movane_util_IntRingBuffer_read),
};

static const NativeMethodBinding TimerNatives[] = {
    NATIVE("waitResume", "()V", Java_java_util_Timer_waitResume),
    NATIVE("endResumeWait", "(Ljava/lang/Thread;)V", Java_java_util_Timer_endResumeWait),
};

#define DIALOG(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_security_UserConfirmDialog_##name)
static const NativeMethodBinding UserConfirmDialogNatives[] = {
    DIALOG(nativeGetDialog, "()Ljava/lang/String;"),
    DIALOG(obtainEventQueue, "()V"),
    DIALOG(releaseEventQueue, "()V"),
    DIALOG(nativeIsInterruption, "(I)Z"),
    DIALOG(nativeGetAppState, "()I"),
    DIALOG(nativeRequestAppResume, "()V"),
    DIALOG(nativeIsAppStateCallback, "()I"),
    DIALOG(nativeFatalError, "()V"),
};
#undef DIALOG

#define PERM(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_security_DefaultPermission_##name)
static const NativeMethodBinding DefaultPermissionNatives[] = {
    PERM(nativeGetState, "(I)I"),
    PERM(nativeSetState, "(II)I"),
    PERM(nativeGetInteractionModes, "(I)I"),
    PERM(nativeGetMessage, "(ILjava/lang/String;)Ljava/lang/String;"),
    PERM(nativeGetTitle, "(I)Ljava/lang/String;"),
    PERM(nativeGetAlertMessage, "(I)Ljava/lang/String;"),
    PERM(nativeGetAlertTitle, "(I)Ljava/lang/String;"),
    PERM(nativeGetExclusiveChoices, "([Ljava/lang/String;)V"),
    PERM(nativeSetExclusiveChoice, "(I)I"),
    PERM(nativeBeginModifyStates, "()I"),
    PERM(nativeEndModifyStates, "()I"),
};
#undef PERM

static const NativeMethodBinding PermissionFactoryNatives[] = {
    NATIVE("nativeInitialize", "()V", Java_com_movane_security_PermissionFactory_nativeInitialize),
    NATIVE("nativeGetNumPermissions", "()I", Java_com_movane_security_PermissionFactory_nativeGetNumPermissions),
    NATIVE("nativeGetPermissionName", "(I)Ljava/lang/String;",
           Java_com_movane_security_PermissionFactory_nativeGetPermissionName),
};

static const NativeMethodBinding SecurityManagerNatives[] = {
    NATIVE("nativeGetManager", "()Ljava/lang/String;", Java_com_movane_security_SecurityManager_nativeGetManager),
};

static const NativeMethodBinding SecurityManagerImplNatives[] = {
    NATIVE("nativeGetAppProperty", "(Ljava/lang/String;)Ljava/lang/String;",
           Java_com_movane_security_midp20_SecurityManagerImpl_nativeGetAppProperty),
};

static const NativeMethodBinding DeclaredPermissionsNatives[] = {
    NATIVE("nativeGetAppProperty", "(Ljava/lang/String;)Ljava/lang/String;",
           Java_com_movane_security_midp20_DeclaredPermissions_nativeGetAppProperty),
    NATIVE("nativeIsTrusted", "()Z", Java_com_movane_security_midp20_DeclaredPermissions_nativeIsTrusted),
};

static const NativeMethodBinding SecureNatives[] = {
    NATIVE("checkPackage", "()V", Java_com_movane_util_Secure_checkPackage__),
    NATIVE("checkPackage", "(Ljava/lang/String;)V", Java_com_movane_util_Secure_checkPackage__Ljava_lang_String_2),
    NATIVE("checkPackage", "([Ljava/lang/String;)V", Java_com_movane_util_Secure_checkPackage___3Ljava_lang_String_2),
};

#define IMPL(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_security_midp20_UserConfirmDialogImpl_##name)
static const NativeMethodBinding UserConfirmDialogImplNatives[] = {
    IMPL(nativeSystemExit, "()V"),         IMPL(nativeGetOkKeyIndex, "()I"),
    IMPL(nativeGetCancelKeyIndex, "()I"),  IMPL(notifyGUIEventDone, "(IIIIIIIII)V"),
    IMPL(nativeStartDraw, "()V"),          IMPL(nativeEndDraw, "()V"),
    IMPL(nativePostRepaint, "()V"),        IMPL(nativePostShowNotify, "()V"),
    IMPL(nativePostHideNotify, "()V"),     IMPL(nativeSetClip, "(IIIII)V"),
    IMPL(nativeClearScreen, "(IIIII)V"),   IMPL(nativeIsTrusted, "()Z"),
    IMPL(nativeSetFullScreenMode, "(Z)Z"), IMPL(nativeGetFullScreenMode, "()Z"),
};
#undef IMPL

#define DISPLAY(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_display_DisplayManager_##name)
static const NativeMethodBinding DisplayManagerNatives[] = {
    DISPLAY(nativeInit, "()V"),
    DISPLAY(nativeGetMIDletState, "(Ljavax/microedition/midlet/MIDlet;)I"),
    DISPLAY(nativeDisplayableChanged, "(IZ)V"),
    DISPLAY(nativeGetAccessClassNumber, "()I"),
    DISPLAY(nativeGetAccessClassName, "(I)Ljava/lang/String;"),
};
#undef DISPLAY

#define RAF(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_rms_RandomAccessFile_##name)
static const NativeMethodBinding RandomAccessFileNatives[] = {
    RAF(nativeOpen, "(Ljava/lang/String;B)I"),
    RAF(nativeClose, "(I)B"),
    RAF(nativeRead, "(I[BII)I"),
    RAF(nativeWrite, "(I[BII)I"),
    RAF(nativeSeek, "(IIB)I"),
    RAF(nativeLength, "(I)I"),
    RAF(nativeTruncate, "(II)B"),
    RAF(nativeReserveSpace, "(II)I"),
    RAF(nativeFreeSpace, "(II)V"),
    RAF(nativeGetPreferredReadSize, "()I"),
    RAF(nativeGetPreferredWriteSize, "()I"),
    RAF(nativeGetDivideReserveFlag, "()I"),
    RAF(nativeIsInterruption, "()Z"),
    RAF(nativeIsRequestedSuspendTemprary, "()Z"),
    RAF(nativeNotifySuspendedTemporary, "()V"),
};
#undef RAF

#define MANAGER(name, descriptor) NATIVE(#name, descriptor, Java_com_movane_rms_IndexedRecordStoreManager_##name)
static const NativeMethodBinding IndexedRecordStoreManagerNatives[] = {
    MANAGER(nativeGetStorageAvailSize, "(Ljava/lang/String;Ljava/lang/String;)I"),
    MANAGER(nativeGetFileNameBySuite, "(Ljava/lang/String;Ljava/lang/String;B)Ljava/lang/String;"),
    MANAGER(nativeBeginCommit, "(Ljava/lang/String;Ljava/lang/String;)V"),
    MANAGER(nativeEndCommit, "(Ljava/lang/String;Ljava/lang/String;)V"),
};
#undef MANAGER

static const NativeMethodBinding RecordStoreNatives[] = {
    NATIVE("nativeGetAppProperty", "(Ljava/lang/String;)Ljava/lang/String;",
           Java_javax_microedition_rms_RecordStore_nativeGetAppProperty),
    NATIVE("nativeGetRecordEnumerationMode", "()I",
           Java_javax_microedition_rms_RecordStore_nativeGetRecordEnumerationMode),
};

const NativeClassBinding NativeClassBindings[] = {
    CLASS("java/lang/Object", ObjectNatives),
    CLASS("java/lang/Class", ClassNatives),
    CLASS("java/lang/System", SystemNatives),
    CLASS("java/lang/Thread", ThreadNatives),
    CLASS("java/lang/Runtime", RuntimeNatives),
    CLASS("java/lang/Throwable", ThrowableNatives),
    CLASS("java/lang/ref/WeakReference", WeakReferenceNatives),
    CLASS("java/lang/Float", FloatNatives),
    CLASS("java/lang/Double", DoubleNatives),
    CLASS("java/lang/Long", LongNatives),
    CLASS("java/lang/Math", MathNatives),
    CLASS("java/util/Random", RandomNatives),
    CLASS("java/lang/String", StringNatives),
    CLASS("java/lang/StringBuffer", StringBufferNatives),
    CLASS("com/sun/cldc/io/ConsoleOutputStream", ConsoleOutputStreamNatives),
    CLASS("com/sun/cldc/io/ResourceInputStream", ResourceInputStreamNatives),
    CLASS("com/movane/micro/thread/PrioritySchedule", PriorityScheduleNatives),
    CLASS("javax/microedition/midlet/MIDlet", MIDletNatives),
    CLASS("javax/microedition/midlet/MidletSelector", MidletSelectorNatives),
    CLASS("com/movane/midlet/AppProperties", AppPropertiesNatives),
    CLASS("com/movane/micro/event/AbstractEventThread", AbstractEventThreadNatives),
    CLASS("com/movane/micro/event/ProcessEventThread", ProcessEventThreadNatives),
    CLASS("com/movane/micro/event/UiEventThread", UiEventThreadNatives),
    CLASS("com/movane/security/DialogEventThread", DialogEventThreadNatives),
    CLASS("com/movane/micro/event/ProcessEventHandler", ProcessEventHandlerNatives),
    CLASS("com/movane/micro/event/MediaEventThread", MediaEventThreadNatives),
    CLASS("com/movane/micro/thread/NativeThreadJoinnerEventThread", JoinerEventThreadNatives),
    CLASS("java/util/Timer", TimerNatives),
    CLASS("com/movane/security/UserConfirmDialog", UserConfirmDialogNatives),
    CLASS("com/movane/security/midp20/UserConfirmDialogImpl", UserConfirmDialogImplNatives),
    CLASS("com/movane/display/DisplayManager", DisplayManagerNatives),
    CLASS("com/movane/security/DefaultPermission", DefaultPermissionNatives),
    CLASS("com/movane/security/PermissionFactory", PermissionFactoryNatives),
    CLASS("com/movane/security/SecurityManager", SecurityManagerNatives),
    CLASS("com/movane/security/midp20/SecurityManagerImpl", SecurityManagerImplNatives),
    CLASS("com/movane/security/midp20/DeclaredPermissions", DeclaredPermissionsNatives),
    CLASS("com/movane/util/Secure", SecureNatives),
    CLASS("com/movane/util/i18n/SJIS_Reader", SjisReaderNatives),
    CLASS("com/movane/util/i18n/SJIS_Writer", SjisWriterNatives),
    CLASS("com/movane/util/i18n/UTF8_Reader", Utf8ReaderNatives),
    CLASS("com/movane/util/i18n/UTF8_Writer", Utf8WriterNatives),
    CLASS("com/movane/util/i18n/ISO8859_1_Reader", Latin1ReaderNatives),
    CLASS("com/movane/util/i18n/ISO8859_1_Writer", Latin1WriterNatives),
    CLASS("com/sun/cldc/util/j2me/TimeZoneImpl", TimeZoneImplNatives),
    CLASS("com/movane/util/SystemProperties", SystemPropertiesNatives),
    CLASS("com/movane/micro/SystemOption", SystemOptionNatives),
    CLASS("com/movane/util/SystemLog", SystemLogNatives),
    CLASS("com/movane/util/Case", CaseNatives),
    CLASS("com/movane/util/StringKeyHashtable", StringKeyHashtableNatives),
    CLASS("com/movane/util/IntRingBuffer", IntRingBufferNatives),
    CLASS("com/movane/rms/RandomAccessFile", RandomAccessFileNatives),
    CLASS("com/movane/rms/IndexedRecordStoreManager", IndexedRecordStoreManagerNatives),
    CLASS("javax/microedition/rms/RecordStore", RecordStoreNatives),
};

const int32_t NativeClassBindingCount = (int32_t)(sizeof NativeClassBindings / sizeof NativeClassBindings[0]);

const NativeBindingTable LibraryNativeBindings = {
    NativeClassBindings, (int32_t)(sizeof NativeClassBindings / sizeof NativeClassBindings[0])};

VMHOOKS NativeTableSet NativeTables = {{&LibraryNativeBindings, nullptr}};

static const NativeClassBinding* findClassBindings(const char* className) {
    for (const NativeBindingTable* set : NativeTables.tables) {
        if (set == nullptr) continue;
        for (int32_t c = 0; c < set->count; c++) {
            if (strcmp(set->classes[c].className, className) == 0) return &set->classes[c];
        }
    }
    return nullptr;
}

const NativeMethodBinding* findNativeBinding(const char* className, const char* name, const char* descriptor) {
    const NativeClassBinding* table = findClassBindings(className);
    if (table == nullptr) return nullptr;
    for (int32_t m = 0; m < table->count; m++) {
        const NativeMethodBinding* b = &table->methods[m];
        if (strcmp(b->name, name) == 0 && strcmp(b->descriptor, descriptor) == 0) return b;
    }
    return nullptr;
}

void unboundNative() {
    MethodRecord* method = CurrentNativeMethod;
    Regs.sp -= method->argCount;
    char className[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(method->ofClass, className, sizeof className);
    const char* name = changeKeyToName(method->nt.k.nameKey, nullptr);
    char descriptor[MESSAGE_BUFFER_SIZE];
    change_Key_to_MethodSignature_inBuffer(method->nt.k.typeKey, descriptor, sizeof descriptor);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Native method %s.%s%s is not bound", className, name ? name : "",
              descriptor);
    fatalError(MessageBuffer);
}

NativeFunction lookupDynamicNative(ClassRecord* clazz, const char* methodName, const char* signature) {
    char className[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, className, sizeof className);
    // A class the library does not bind (an application's own) has no natives here: the
    // core reports the method not found when it is called.
    if (findClassBindings(className) == nullptr) return nullptr;
    const NativeMethodBinding* binding = findNativeBinding(className, methodName, signature);
    if (binding != nullptr && binding->function != nullptr) return binding->function;
    return unboundNative;
}

void installLibraryNatives() {
    NativeTables.tables[NATIVES_LIB] = &LibraryNativeBindings;
    LoaderHooks.lookupDynamicNative = lookupDynamicNative;
    // The start-up registration of the VM parts (mvParts_Initializer) puts the timer's
    // resume count-down into the run's callback table, so that each VM resume reaches
    // the timer threads waiting for it.
    LoaderHooks.mvVmCallback_registerFunction = mvVmCallback_registerFunction;
    LoaderHooks.timerResumeCountDown = timerResumeCountDown;
}
