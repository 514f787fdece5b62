// System properties, options, the log and ASCII lower-casing.
#include "natives/lib/sysprops_natives.h"

#include <string.h>

#include "graphics/gfx2d.h"
#include "graphics/mk_host.h"
#include "natives/lib/nativestack.h"
#include "natives/lib/sysinfo.h"
#include "platform/vmsections.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/exithook.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"
#include "vm/loader/hooks.h"
#include "vm/loader/startup.h"
#include "vm/trace/tracelog.h"

enum { LOG_CHUNK = 255 };

// What initializeFieldIndex caches for the getters.
static VMBSS MkVideoProperty VideoProperty;
static VMBSS int32_t VideoPropertyRead;
static VMBSS SystemInfo* Info;
static VMBSS int32_t FullScreenWidth;
static VMBSS int32_t FullScreenHeight;
static VMBSS char LogBuffer[LOG_CHUNK + 1];

// The platform's values when no host fills the record.
static void readVideoProperty(MkVideoProperty* out) {
    const MkHostHooks* host = mk_getHostHooks();
    if (host->screenGetVideoProperty != nullptr) {
        host->screenGetVideoProperty(out);
        return;
    }
    *out = {gfx2d_getScreenSurface(), 1, 32768, 2, 1, 1, 1, 1, 2};
}

// Read once in a run; the soft-key count of that first read is the one the getters give.
static const MkVideoProperty* videoProperty() {
    if (!VideoPropertyRead) {
        readVideoProperty(&VideoProperty);
        VideoPropertyRead = 1;
    }
    return &VideoProperty;
}

static MkSurface* screenSurface() {
    MkSurface* s = videoProperty()->surface;
    return s != nullptr ? s : gfx2d_getScreenSurface();
}

static void setFullScreenMode(int32_t mode) {
    const MkHostHooks* host = mk_getHostHooks();
    if (host->displaySetFullScreenMode != nullptr) host->displaySetFullScreenMode(mode);
}

void Java_com_movane_util_SystemProperties_initializeFieldIndex() {
    videoProperty();
    Info = mvSysInfo_getStrings();
    // The mode in force now: full screen has no soft keys. It is put back after the
    // measurement, so that a full-screen canvas stays full screen.
    MkVideoProperty now;
    readVideoProperty(&now);
    int32_t mode = now.softkeyCount == 0 ? 1 : 0;
    setFullScreenMode(1);
    MkSurface* screen = screenSurface();
    FullScreenWidth = screen->width;
    FullScreenHeight = screen->height;
    setFullScreenMode(mode);
}

void Java_com_movane_util_SystemProperties_nativeGetVirtualWidth() { pushInt(screenSurface()->width); }
void Java_com_movane_util_SystemProperties_nativeGetVirtualHeight() { pushInt(screenSurface()->height); }
void Java_com_movane_util_SystemProperties_nativeIsColor() { pushInt(videoProperty()->colorFlag); }
void Java_com_movane_util_SystemProperties_nativeNumColors() { pushInt(videoProperty()->colorCount); }
void Java_com_movane_util_SystemProperties_hasRepeatEvents() { pushInt(videoProperty()->repeatEvents); }
void Java_com_movane_util_SystemProperties_hasPointerEvents() { pushInt(videoProperty()->pointerEvents); }
void Java_com_movane_util_SystemProperties_hasPointerMotionEvents() { pushInt(videoProperty()->pointerMotion); }
void Java_com_movane_util_SystemProperties_nativeGetSoftkeyCount() { pushInt(videoProperty()->softkeyCount); }
void Java_com_movane_util_SystemProperties_nativeGetFullScreenWidth() { pushInt(FullScreenWidth); }
void Java_com_movane_util_SystemProperties_nativeGetFullScreenHeight() { pushInt(FullScreenHeight); }

static SystemInfo* info() { return Info != nullptr ? Info : (Info = mvSysInfo_getStrings()); }

static void pushText(const char* text) {
    if (text == nullptr) text = "";
    StringInstance* s = tryInstantiateString(text, (int32_t)strlen(text));
    if (s == nullptr) throwPendingException();
    pushObject(s);
}

static void pushUnicode(const uint16_t* chars, int32_t length) {
    StringInstance* s = tryInstantiateStringFromUnicode(chars, chars != nullptr ? length : 0);
    if (s == nullptr) throwPendingException();
    pushObject(s);
}

void Java_com_movane_util_SystemProperties_nativeGetVendorName() { pushText(info()->vendorName); }
void Java_com_movane_util_SystemProperties_nativeGetVendorVersion() { pushText(info()->vendorVersion); }
void Java_com_movane_util_SystemProperties_nativeGetProfileType() { pushInt(info()->profileType); }
void Java_com_movane_util_SystemProperties_nativeGetStartupType() { pushInt(info()->startupType); }

void Java_com_movane_util_SystemProperties_nativeGetProfileVersion() {
    int32_t i = popInt();
    pushText(i >= 0 && i < SYSINFO_PROFILE_VERSIONS ? info()->profileVersions[i].get() : "");
}

void Java_com_movane_util_SystemProperties_nativeGetVMVersion() {
    pushUnicode(info()->vmVersion, info()->vmVersionLength);
}
void Java_com_movane_util_SystemProperties_nativeGetVMInformation() {
    pushUnicode(info()->vmInformation, info()->vmInformationLength);
}
void Java_com_movane_util_SystemProperties_nativeGetVMDetail() {
    pushUnicode(info()->vmDetail, info()->vmDetailLength);
}

void Java_com_movane_micro_SystemOption_nativeGetOption() {
    StringInstance* key = (StringInstance*)popObject();
    if (key == nullptr) raiseException(NullPointerException);
    int32_t answerLength = 0;
    const uint16_t* answer =
        LoaderHooks.MkOptionGetString(getStringCharsPointer(key), getStringLength(key), &answerLength);
    if (answer != nullptr) {
        pushUnicode(answer, answerLength);
        return;
    }
    // the key lives, and its characters stay in place, while the text is made from them
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&key);
    if (lockStringChars(key) == nullptr) throwPendingException();
    char* text = convertUnicodeString(getStringCharsPointer(key), getStringLength(key));
    unlockStringChars(key);
    TemporaryRootsLength = savedRoots;
    if (text == nullptr) throwPendingException();
    const char* value = mvOption_getDefault(text);
    CoreHooks.mvMemory_freePointer(text);
    if (value == nullptr) {
        pushObject(nullptr);
        return;
    }
    pushText(value);
}

void Java_com_movane_util_SystemLog_print() {
    StringInstance* s = (StringInstance*)popObject();
    if (s == nullptr) raiseException(NullPointerException);
    const uint16_t* chars = getStringCharsPointer(s);
    int32_t count = getStringLength(s);
    for (int32_t done = 0; done < count; done += LOG_CHUNK) {
        int32_t n = count - done < LOG_CHUNK ? count - done : LOG_CHUNK;
        for (int32_t i = 0; i < n; i++) LogBuffer[i] = (char)chars[done + i];
        LogBuffer[n] = 0;
        mvTraceLog_info("%s", LogBuffer);
    }
}

void Java_com_movane_util_SystemLog_println() {
    Java_com_movane_util_SystemLog_print();
    mvTraceLog_info("\n");
}

// The string on top of the operand stack, with the characters low..high moved by offset;
// the same object when it has none of them. On an allocation failure the operand keeps
// the string.
static void caseConvertString(uint16_t low, uint16_t high, int32_t offset) {
    StringInstance* s = p32Ptr<StringInstance>(*Regs.sp);
    if (s == nullptr) return;
    int32_t count = getStringLength(s);
    const uint16_t* chars = getStringCharsPointer(s);
    int32_t first = 0;
    while (first < count && (chars[first] < low || chars[first] > high)) first++;
    if (first == count) return;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&s);
    ArrayObject* array = instantiateArray(PrimitiveArrayClasses[T_CHAR], count);
    chars = getStringCharsPointer(s);
    for (int32_t i = 0; i < count; i++) {
        uint16_t c = chars[i];
        array->u.sdata[i] = c >= low && c <= high ? (uint16_t)(c + offset) : c;
    }
    StringInstance* result = instantiateStringFromCharArray(array, count);
    TemporaryRootsLength = savedRoots;
    *Regs.sp = p32Cell(result);
}

void Java_com_movane_util_Case_toLower() { caseConvertString('A', 'Z', 'a' - 'A'); }
