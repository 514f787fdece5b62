// Natives of the MIDP 2.0 security classes (com.movane.security) over the permission
// store of the porting layer, and the package check that guards system-only methods.
// The store lives in the host: it fills PermissionPorting at start-up; the defaults know
// no permission and refuse every question.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"

// Text results are UTF-16 in a caller's buffer of PERMISSION_TEXT_UNITS units.
enum { PERMISSION_TEXT_UNITS = 256 };

struct PermissionPortingHooks {
    int32_t (*MkMidp20PermissionGetNumPermissions)(void);
    int32_t (*MkMidp20PermissionGetPermissionName)(int32_t index, uint16_t* buffer);
    int32_t (*MkMidp20PermissionGetState)(int32_t index);
    int32_t (*MkMidp20PermissionSetState)(int32_t index, int32_t value);
    int32_t (*MkMidp20PermissionGetInteractionModes)(int32_t index);
    int32_t (*MkMidp20PermissionGetMessage)(int32_t index, const uint16_t* args, int32_t argLength, uint16_t* buffer);
    int32_t (*MkMidp20PermissionGetTitle)(int32_t index, uint16_t* buffer);
    int32_t (*MkMidp20PermissionGetAlertMessage)(uint16_t* buffer);
    int32_t (*MkMidp20PermissionGetAlertTitle)(uint16_t* buffer);
    int32_t (*MkMidp20PermissionGetExclusiveChoices)(uint16_t* first, int32_t* firstLength, uint16_t* second,
                                                     int32_t* secondLength);
    int32_t (*MkMidp20PermissionSetExclusiveChoice)(int32_t choice);
    int32_t (*MkMidp20PermissionEndModifyStates)(void);
};
extern VMHOOKS PermissionPortingHooks PermissionPorting;
extern const PermissionPortingHooks DefaultPermissionPorting;

// The package of the Java method that called the current native's caller (slash form,
// no trailing slash), skipping Class.newInstance's runCustomCode frames; false when there
// is none. name holds size bytes.
bool secureGetCallerPackage(char* name, int32_t size);
bool secureIsSystemPackage(const char* package);
// s is a Java string's characters; '.' in s matches '/' in the package.
bool secureMatchPackage(const char* package, const uint16_t* s, int32_t length);

void Java_com_movane_security_DefaultPermission_nativeGetState();
void Java_com_movane_security_DefaultPermission_nativeSetState();
void Java_com_movane_security_DefaultPermission_nativeGetInteractionModes();
void Java_com_movane_security_DefaultPermission_nativeGetMessage();
void Java_com_movane_security_DefaultPermission_nativeGetTitle();
void Java_com_movane_security_DefaultPermission_nativeGetAlertMessage();
void Java_com_movane_security_DefaultPermission_nativeGetAlertTitle();
void Java_com_movane_security_DefaultPermission_nativeGetExclusiveChoices();
void Java_com_movane_security_DefaultPermission_nativeSetExclusiveChoice();
void Java_com_movane_security_DefaultPermission_nativeBeginModifyStates();
void Java_com_movane_security_DefaultPermission_nativeEndModifyStates();
void Java_com_movane_security_PermissionFactory_nativeInitialize();
void Java_com_movane_security_PermissionFactory_nativeGetNumPermissions();
void Java_com_movane_security_PermissionFactory_nativeGetPermissionName();
void Java_com_movane_security_SecurityManager_nativeGetManager();
void Java_com_movane_security_midp20_SecurityManagerImpl_nativeGetAppProperty();
void Java_com_movane_security_midp20_DeclaredPermissions_nativeGetAppProperty();
void Java_com_movane_security_midp20_DeclaredPermissions_nativeIsTrusted();
void Java_com_movane_util_Secure_checkPackage__();
void Java_com_movane_util_Secure_checkPackage__Ljava_lang_String_2();
void Java_com_movane_util_Secure_checkPackage___3Ljava_lang_String_2();
