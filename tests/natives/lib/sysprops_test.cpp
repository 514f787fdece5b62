// System properties, options, the log and Case: the natives called directly inside a run,
// with a stand-in display where the screen matters.
#include <gtest/gtest.h>

#include <string>

#include "graphics/mk_host.h"
#include "nativecall.h"
#include "natives/lib/sysprops_natives.h"
#include "support/vmasm.h"
#include "vm/core/classes.h"
#include "vm/core/native.h"
#include "vm/loader/startup.h"

using namespace vmasm;

namespace {

std::string text(cell string) {
    if (string == 0) return "(null)";
    StringInstance* s = p32Ptr<StringInstance>(string);
    std::u16string units((const char16_t*)getStringCharsPointer(s), (size_t)getStringLength(s));
    return std::string(units.begin(), units.end());
}

StringInstance* javaString(const std::u16string& units) {
    return tryInstantiateStringFromUnicode((const uint16_t*)units.data(), (int32_t)units.size());
}

// A 240 x 320 screen whose soft-key bar takes 20 rows unless it is in full-screen mode.
struct Display {
    static int32_t mode;  // 1 full screen
    static int32_t modeChanges;
    static uint16_t pixels[240 * 320];
    static MkSurface screen;
    static int32_t setMode(int32_t m) {
        if (m != mode) {
            mode = m;
            modeChanges++;
            screen.height = m ? 320 : 300;
        }
        return 1;
    }
    static MkSurface* surface() { return &screen; }
    static void videoProperty(MkVideoProperty* out) { *out = {&screen, 1, 32768, 2, 1, 1, 1, 1, mode ? 0 : 2}; }
};
int32_t Display::mode;
int32_t Display::modeChanges;
uint16_t Display::pixels[240 * 320];
MkSurface Display::screen = {Display::pixels, 240, 300, 0, 1};

TEST(SystemProperties, InitialisationKeepsTheDisplayMode) {
    struct Case {
        const char* name;
        int32_t mode;  // in force before
        int32_t virtualHeight, softkeys;
    };
    const Case cases[] = {
        {"a full-screen canvas stays full screen", 1, 320, 0},
        {"normal mode stays normal", 0, 300, 2},
    };
    for (const Case& k : cases) {
        MkHostHooks saved = *mk_getHostHooks();
        MkHostHooks hooks = saved;
        hooks.screenGetSurface = Display::surface;
        hooks.screenGetVideoProperty = Display::videoProperty;
        hooks.displaySetFullScreenMode = Display::setMode;
        mk_setHostHooks(&hooks);
        Display::mode = k.mode;
        Display::screen.height = k.mode ? 320 : 300;
        Display::modeChanges = 0;
        Vm vm;
        RunResult r = vm.inside([&] {
            NativeCall().call(Java_com_movane_util_SystemProperties_initializeFieldIndex);
            EXPECT_EQ(Display::mode, k.mode) << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetFullScreenWidth), 240) << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetFullScreenHeight), 320)
                << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetVirtualWidth), 240) << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetVirtualHeight), k.virtualHeight)
                << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetSoftkeyCount), k.softkeys)
                << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeNumColors), 32768) << k.name;
            EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_hasPointerEvents), 1) << k.name;
        });
        mk_setHostHooks(&saved);
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        // measuring switched to full screen and back, or not at all when it already was
        EXPECT_EQ(Display::modeChanges, k.mode ? 0 : 2) << k.name;
    }
}

TEST(SystemProperties, PlatformTextsWithoutPlatformInformation) {
    struct Case {
        const char* name;
        void (*native)();
        int32_t argument;  // -2: none
        const char* expected;
    };
    const Case cases[] = {
        {"vendor name", Java_com_movane_util_SystemProperties_nativeGetVendorName, -2, "UNKNOWN"},
        {"vendor version", Java_com_movane_util_SystemProperties_nativeGetVendorVersion, -2, "UNKNOWN"},
        {"profile version 0", Java_com_movane_util_SystemProperties_nativeGetProfileVersion, 0, "UNKNOWN"},
        {"profile version 8", Java_com_movane_util_SystemProperties_nativeGetProfileVersion, 8, "UNKNOWN"},
        {"profile version 9", Java_com_movane_util_SystemProperties_nativeGetProfileVersion, 9, ""},
        {"profile version -1", Java_com_movane_util_SystemProperties_nativeGetProfileVersion, -1, ""},
        {"VM version", Java_com_movane_util_SystemProperties_nativeGetVMVersion, -2, ""},
        {"VM information", Java_com_movane_util_SystemProperties_nativeGetVMInformation, -2, ""},
        {"VM detail", Java_com_movane_util_SystemProperties_nativeGetVMDetail, -2, ""},
    };
    Vm vm;
    RunResult r = vm.inside([&] {
        for (const Case& k : cases) {
            NativeCall call;
            if (k.argument != -2) call.arg(k.argument);
            EXPECT_EQ(text(call.call(k.native)), k.expected) << k.name;
        }
        EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetProfileType), 0);
        EXPECT_EQ(NativeCall().call(Java_com_movane_util_SystemProperties_nativeGetStartupType), 0);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST(SystemOption, Lookups) {
    struct Case {
        std::u16string key;
        const char* value;
    };
    const Case cases[] = {
        {u"default.timezone", "Asia/Tokyo"},
        {u"midp_selector_launch_failed", "Launching %n failed."},
        {u"no.such.option", "(null)"},
        {u"default.timezone\u3042", "(null)"},
    };
    Vm vm;
    RunResult r = vm.inside([&] {
        mvOption_init();
        for (const Case& k : cases) {
            StringInstance* key = javaString(k.key);
            EXPECT_EQ(text(NativeCall().arg(key).call(Java_com_movane_micro_SystemOption_nativeGetOption)), k.value)
                << std::string(k.key.begin(), k.key.end());
        }
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

TEST(SystemLog, ChunksAndLineEnd) {
    struct Case {
        const char* name;
        std::u16string text;
        bool println;
        std::string trace;
    };
    const Case cases[] = {
        {"600 characters in pieces, one line end", std::u16string(600, u'x'), true, std::string(600, 'x') + "\n"},
        {"a percent sign is text", u"100% %d %s", false, "100% %d %s"},
        {"the low byte of each character", u"\u3042\u00e9", false, "\x42\xe9"},
    };
    for (const Case& k : cases) {
        Vm vm;
        RunResult r = vm.inside([&] {
            StringInstance* s = javaString(k.text);
            NativeCall().arg(s).call(k.println ? Java_com_movane_util_SystemLog_println
                                               : Java_com_movane_util_SystemLog_print);
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        // the trace ends with the text
        ASSERT_GE(r.trace.size(), k.trace.size()) << k.name;
        EXPECT_EQ(r.trace.substr(r.trace.size() - k.trace.size()), k.trace) << k.name << "\n" << r.trace;
    }
}

TEST(Case, ToLower) {
    struct Case {
        const char* name;
        std::u16string text;
        std::string lowered;
        bool same;  // the very same object
    };
    const Case cases[] = {
        {"nothing to lower", u"abc 123", "abc 123", true},
        {"only ASCII letters change", u"\u00c0B",
         "\xc0"
         "b",
         false},
        {"all of them", u"HELLO, World", "hello, world", false},
        {"the ends of the range", u"@AZ[", "@az[", false},
        {"empty", u"", "", true},
    };
    Vm vm;
    RunResult r = vm.inside([&] {
        for (const Case& k : cases) {
            StringInstance* s = javaString(k.text);
            cell result = NativeCall().arg(s).call(Java_com_movane_util_Case_toLower);
            std::u16string units((const char16_t*)getStringCharsPointer(p32Ptr<StringInstance>(result)),
                                 (size_t)getStringLength(p32Ptr<StringInstance>(result)));
            std::string bytes;
            for (char16_t c : units) bytes.push_back((char)c);
            EXPECT_EQ(bytes, k.lowered) << k.name;
            EXPECT_EQ(result == p32Cell(s), k.same) << k.name;
        }
        EXPECT_EQ(NativeCall().arg(0).call(Java_com_movane_util_Case_toLower), 0);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

}  // namespace
