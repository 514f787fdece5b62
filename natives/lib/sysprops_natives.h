// Natives of four small system classes: com/movane/util/SystemProperties (display and
// platform facts), com/movane/micro/SystemOption (named options), com/movane/util/SystemLog
// (text to the VM trace) and com/movane/util/Case (ASCII lower-casing).
#pragma once

void Java_com_movane_util_SystemProperties_initializeFieldIndex();
void Java_com_movane_util_SystemProperties_nativeGetVirtualWidth();
void Java_com_movane_util_SystemProperties_nativeGetVirtualHeight();
void Java_com_movane_util_SystemProperties_nativeIsColor();
void Java_com_movane_util_SystemProperties_nativeNumColors();
void Java_com_movane_util_SystemProperties_hasRepeatEvents();
void Java_com_movane_util_SystemProperties_hasPointerEvents();
void Java_com_movane_util_SystemProperties_hasPointerMotionEvents();
void Java_com_movane_util_SystemProperties_nativeGetSoftkeyCount();
void Java_com_movane_util_SystemProperties_nativeGetVendorName();
void Java_com_movane_util_SystemProperties_nativeGetVendorVersion();
void Java_com_movane_util_SystemProperties_nativeGetProfileType();
void Java_com_movane_util_SystemProperties_nativeGetProfileVersion();
void Java_com_movane_util_SystemProperties_nativeGetStartupType();
void Java_com_movane_util_SystemProperties_nativeGetVMVersion();
void Java_com_movane_util_SystemProperties_nativeGetVMInformation();
void Java_com_movane_util_SystemProperties_nativeGetVMDetail();
void Java_com_movane_util_SystemProperties_nativeGetFullScreenWidth();
void Java_com_movane_util_SystemProperties_nativeGetFullScreenHeight();
void Java_com_movane_micro_SystemOption_nativeGetOption();
void Java_com_movane_util_SystemLog_print();
void Java_com_movane_util_SystemLog_println();
void Java_com_movane_util_Case_toLower();
