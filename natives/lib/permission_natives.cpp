// Permission natives and the package check.
//
// Texts come back from the store into buffers on the C stack: nothing here holds a heap
// pointer across a call that allocates, except the pinned strings and arrays named below.
#include "natives/lib/permission_natives.h"

#include <stdio.h>
#include <string.h>

#include "natives/lib/midlet_natives.h"
#include "natives/lib/nativestack.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/native.h"
#include "vm/core/tables.h"
#include "vm/services/vmstate.h"
#include "vm/trace/tracelog.h"

namespace {

int32_t noCount(void) { return 0; }
int32_t noName(int32_t, uint16_t*) { return -1; }
int32_t noIndex(int32_t) { return -1; }
int32_t noSet(int32_t, int32_t) { return -1; }
int32_t noMessage(int32_t, const uint16_t*, int32_t, uint16_t*) { return -1; }
int32_t noText(uint16_t*) { return -1; }
int32_t noChoices(uint16_t*, int32_t*, uint16_t*, int32_t*) { return -1; }
int32_t noStore(void) { return -1; }

const char ManagerClassName[] = "com.movane.security.midp20.SecurityManagerImpl";
const char SecurityException[] = "java/lang/SecurityException";

// A negative answer of the store ends the run, naming the porting function.
int32_t checked(int32_t answer, const char* function) {
    if (answer < 0) {
        char message[96];
        snprintf(message, sizeof message, "%s() was failed", function);
        fatalError(message);
    }
    return answer;
}

void pushText(const uint16_t* text, int32_t length) {
    if (length > PERMISSION_TEXT_UNITS - 1) length = PERMISSION_TEXT_UNITS - 1;
    StringInstance* s = tryInstantiateStringFromUnicode(text, length);
    if (s != nullptr) pushObject(s);
}

}  // namespace

const PermissionPortingHooks DefaultPermissionPorting = {noCount, noName, noIndex, noSet,     noIndex, noMessage,
                                                         noName,  noText, noText,  noChoices, noIndex, noStore};
VMHOOKS PermissionPortingHooks PermissionPorting = DefaultPermissionPorting;

// ---------------------------------------------------------------------------------
// DefaultPermission

void Java_com_movane_security_DefaultPermission_nativeGetState() {
    int32_t i = popInt();
    pushInt(checked(PermissionPorting.MkMidp20PermissionGetState(i), "MkMidp20PermissionGetState"));
}

void Java_com_movane_security_DefaultPermission_nativeSetState() {
    int32_t state = popInt();
    int32_t i = popInt();
    pushInt(checked(PermissionPorting.MkMidp20PermissionSetState(i, state), "MkMidp20PermissionSetState"));
}

void Java_com_movane_security_DefaultPermission_nativeGetInteractionModes() {
    int32_t i = popInt();
    pushInt(
        checked(PermissionPorting.MkMidp20PermissionGetInteractionModes(i), "MkMidp20PermissionGetInteractionModes"));
}

void Java_com_movane_security_DefaultPermission_nativeGetMessage() {
    StringInstance* arg = (StringInstance*)popObject();
    int32_t i = popInt();
    if (arg == nullptr) {
        tryRaiseException("java/lang/IllegalArgumentException");
        return;
    }
    if (lockStringChars(arg) == nullptr) throwPendingException();
    uint16_t buffer[PERMISSION_TEXT_UNITS];
    int32_t length =
        PermissionPorting.MkMidp20PermissionGetMessage(i, getStringCharsPointer(arg), getStringLength(arg), buffer);
    unlockStringChars(arg);
    checked(length, "MkMidp20PermissionGetMessage");
    pushText(buffer, length);
}

void Java_com_movane_security_DefaultPermission_nativeGetTitle() {
    int32_t i = popInt();
    uint16_t buffer[PERMISSION_TEXT_UNITS];
    int32_t length = checked(PermissionPorting.MkMidp20PermissionGetTitle(i, buffer), "MkMidp20PermissionGetTitle");
    pushText(buffer, length);
}

void Java_com_movane_security_DefaultPermission_nativeGetAlertMessage() {
    popInt();
    uint16_t buffer[PERMISSION_TEXT_UNITS];
    int32_t length =
        checked(PermissionPorting.MkMidp20PermissionGetAlertMessage(buffer), "MkMidp20PermissionGetAlertMessage");
    pushText(buffer, length);
}

void Java_com_movane_security_DefaultPermission_nativeGetAlertTitle() {
    popInt();
    uint16_t buffer[PERMISSION_TEXT_UNITS];
    int32_t length =
        checked(PermissionPorting.MkMidp20PermissionGetAlertTitle(buffer), "MkMidp20PermissionGetAlertTitle");
    pushText(buffer, length);
}

void Java_com_movane_security_DefaultPermission_nativeGetExclusiveChoices() {
    ArrayObject* out = (ArrayObject*)popObject();
    if (out == nullptr || getArrayLength(out) < 2) {
        tryRaiseException("java/lang/IllegalArgumentException");
        return;
    }
    uint16_t first[PERMISSION_TEXT_UNITS], second[PERMISSION_TEXT_UNITS];
    int32_t firstLength = 0, secondLength = 0;
    checked(PermissionPorting.MkMidp20PermissionGetExclusiveChoices(first, &firstLength, second, &secondLength),
            "MkMidp20PermissionGetExclusiveChoices");
    // the array is pinned while the two strings are made
    if (lockObjectMemory(out) != 0) {
        throwPendingException();
    }
    StringInstance* a = tryInstantiateStringFromUnicode(first, firstLength);
    if (a != nullptr) {
        setObjectArrayElement(out, 0, a);
        StringInstance* b = tryInstantiateStringFromUnicode(second, secondLength);
        if (b != nullptr) setObjectArrayElement(out, 1, b);
    }
    unlockObjectMemory(out);
}

void Java_com_movane_security_DefaultPermission_nativeSetExclusiveChoice() {
    int32_t choice = popInt();
    pushInt(checked(PermissionPorting.MkMidp20PermissionSetExclusiveChoice(choice),
                    "MkMidp20PermissionSetExclusiveChoice"));
}

void Java_com_movane_security_DefaultPermission_nativeBeginModifyStates() { pushInt(0); }

// A store that fails leaves the states as they were last stored; the caller learns it
// from the exception, not from a run that ends.
void Java_com_movane_security_DefaultPermission_nativeEndModifyStates() {
    if (PermissionPorting.MkMidp20PermissionEndModifyStates() != 0) {
        mvTraceLog_warning("[permission] the permission states could not be stored\n");
        raiseExceptionWithMessage(SecurityException, "the permission states could not be stored");
    }
    pushInt(0);
}

// ---------------------------------------------------------------------------------
// PermissionFactory, SecurityManager, DeclaredPermissions

void Java_com_movane_security_PermissionFactory_nativeInitialize() {}

void Java_com_movane_security_PermissionFactory_nativeGetNumPermissions() {
    pushInt(checked(PermissionPorting.MkMidp20PermissionGetNumPermissions(), "MkMidp20PermissionGetNumPermissions"));
}

void Java_com_movane_security_PermissionFactory_nativeGetPermissionName() {
    int32_t i = popInt();
    uint16_t buffer[PERMISSION_TEXT_UNITS];
    int32_t length = checked(PermissionPorting.MkMidp20PermissionGetPermissionName(i, buffer),
                             "MkMidp20PermissionGetPermissionName");
    pushText(buffer, length);
}

void Java_com_movane_security_SecurityManager_nativeGetManager() {
    StringInstance* s = tryInstantiateString(ManagerClassName, (int32_t)strlen(ManagerClassName));
    if (s != nullptr) pushObject(s);
}

void Java_com_movane_security_midp20_SecurityManagerImpl_nativeGetAppProperty() { appPropertyNative(false); }
void Java_com_movane_security_midp20_DeclaredPermissions_nativeGetAppProperty() { appPropertyNative(true); }

void Java_com_movane_security_midp20_DeclaredPermissions_nativeIsTrusted() { pushInt(mvVm_isTrusted() != 0); }

// ---------------------------------------------------------------------------------
// Secure.checkPackage

namespace {

bool nameStarts(const NameTableEntry* name, const char* prefix) {
    size_t n = strlen(prefix);
    return name != nullptr && name->length >= n && memcmp(name->bytes, prefix, n) == 0;
}

bool methodNameStarts(const MethodRecord* m, const char* prefix) {
    int length = 0;
    const char* name = changeKeyToName(m->nt.k.nameKey, &length);
    size_t n = strlen(prefix);
    return name != nullptr && (size_t)length >= n && memcmp(name, prefix, n) == 0;
}

}  // namespace

bool secureGetCallerPackage(char* name, int32_t size) {
    if (name == nullptr || size < 1) return false;
    name[0] = 0;
    FrameRecord* fp = Regs.fp;
    if (fp == nullptr) return false;
    fp = fp->previousFp;
    while (fp != nullptr && fp->thisMethod != nullptr && fp->thisMethod->ofClass != nullptr &&
           nameStarts(fp->thisMethod->ofClass->baseName, "Class") && methodNameStarts(fp->thisMethod, "runCustomCode"))
        fp = fp->previousFp;
    if (fp == nullptr || fp->thisMethod == nullptr) return false;
    const ClassRecord* c = fp->thisMethod->ofClass;
    if (c == nullptr || c->packageName == nullptr || c->packageName->length == 0) return false;
    int32_t n = c->packageName->length < size - 1 ? c->packageName->length : size - 1;
    memcpy(name, c->packageName->bytes, (size_t)n);
    name[n] = 0;
    return true;
}

bool secureIsSystemPackage(const char* p) {
    return p != nullptr && (strncmp(p, "com/movane/", 11) == 0 || strncmp(p, "quelt/cldc/", 11) == 0);
}

bool secureMatchPackage(const char* p, const uint16_t* s, int32_t length) {
    if (p == nullptr || s == nullptr) return false;
    for (int32_t i = 0; i < length; i++) {
        char c = p[i];
        if (c == 0) return false;
        uint16_t want = s[i] == '.' ? '/' : s[i];
        if ((uint16_t)(uint8_t)c != want) return false;
    }
    return true;
}

namespace {

enum { PACKAGE_BUFFER = 256 };

[[noreturn]] void refusePackage(const char* package, bool known) {
    mvTraceLog_warning("[com.movane.util.Secure.checkPackage] %s\n", known ? package : "(null)");
    raiseException(SecurityException);
}

bool matchesString(const char* package, StringInstance* s) {
    // no allocation between here and the answer: the string stays where it is
    return secureMatchPackage(package, getStringCharsPointer(s), getStringLength(s));
}

}  // namespace

void Java_com_movane_util_Secure_checkPackage__() {
    char package[PACKAGE_BUFFER];
    bool known = secureGetCallerPackage(package, PACKAGE_BUFFER);
    if (known && secureIsSystemPackage(package)) return;
    refusePackage(package, known);
}

void Java_com_movane_util_Secure_checkPackage__Ljava_lang_String_2() {
    StringInstance* s = (StringInstance*)popObject();
    char package[PACKAGE_BUFFER];
    bool known = secureGetCallerPackage(package, PACKAGE_BUFFER);
    if (known && (secureIsSystemPackage(package) || (s != nullptr && matchesString(package, s)))) return;
    refusePackage(package, known);
}

void Java_com_movane_util_Secure_checkPackage___3Ljava_lang_String_2() {
    ArrayObject* a = (ArrayObject*)popObject();
    char package[PACKAGE_BUFFER];
    bool known = secureGetCallerPackage(package, PACKAGE_BUFFER);
    if (known && secureIsSystemPackage(package)) return;
    if (known && a != nullptr) {
        for (int32_t i = 0; i < getArrayLength(a); i++) {
            // a null element matches nothing
            StringInstance* s = (StringInstance*)getObjectArrayElement(a, i);
            if (s != nullptr && matchesString(package, s)) return;
        }
    }
    refusePackage(package, known);
}
