// What the VM start gives the library natives: the Runtime.exit hook, the UTF-16 to text
// helper, the option store and the native stack guard; and the native tables themselves.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "natives/lib/bindings.h"
#include "natives/lib/runtime_natives.h"
#include "platform/lowmem.h"
#include "support/vmasm.h"
#include "vm/core/exithook.h"
#include "vm/core/hooks.h"
#include "vm/loader/startup.h"

using namespace vmasm;

namespace {

int hookCalls;
int32_t hookCode;
void countingHook(int32_t code) {
    hookCalls++;
    hookCode = code;
}
void refusingHook(int32_t) { raiseException("java/lang/SecurityException"); }

TEST(ExitHook, CalledOnlyWhenSet) {
    hookCalls = 0;
    setRuntimeExitHook(nullptr);
    EXPECT_EQ(callRuntimeExitHook(5), 0);
    EXPECT_EQ(hookCalls, 0);
    setRuntimeExitHook(countingHook);
    EXPECT_EQ(callRuntimeExitHook(7), 1);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(hookCode, 7);
    setRuntimeExitHook(nullptr);
    EXPECT_EQ(callRuntimeExitHook(9), 0);
    EXPECT_EQ(hookCalls, 1);
}

// Runtime.exitInternal on a stack of its own: receiver and status. The exit leaves by a
// jump, so the stack is one low block kept for the whole program.
void callExitInternal(int32_t status) {
    static cell* const stack = (cell*)lowCalloc(8, sizeof(cell));
    Regs.sp = stack;
    *++Regs.sp = 0;
    *++Regs.sp = status;
    Java_java_lang_Runtime_exitInternal();
}

TEST(ExitHook, RuntimeExit) {
    struct Case {
        const char* name;
        RuntimeExitHook hook;
        int32_t status;
        int expectedExit;
        const char* caught;  // exception the native raised, or ""
    };
    const Case cases[] = {
        {"no hook ends the run with the status", nullptr, 3, 3, ""},
        {"no hook, status 0", nullptr, 0, 0, ""},
        {"the start-up hook refuses", refusingHook, 3, 0, "java/lang/SecurityException"},
    };
    for (const Case& k : cases) {
        Vm vm;
        vm.cls("java/lang/SecurityException", "java/lang/RuntimeException");
        std::string caught;
        RunResult r = vm.inside([&] {
            setRuntimeExitHook(k.hook);
            VM_TRY
            callExitInternal(k.status);
            VM_CATCH(e)
            char name[MESSAGE_BUFFER_SIZE];
            getClassNameBuffer(e->clazz, name, sizeof name);
            caught = name;
            VM_END_TRY
        });
        EXPECT_EQ(r.exitCode, k.expectedExit) << k.name << "\n" << r.trace;
        EXPECT_EQ(caught, k.caught) << k.name;
    }
    setRuntimeExitHook(nullptr);
}

TEST(ConvertUnicodeString, Table) {
    struct Case {
        const char* name;
        std::u16string units;
        const char* expected;  // null: no text
    };
    const Case cases[] = {
        {"empty", u"", ""},
        {"ASCII", u"key.name", "key.name"},
        {"two bytes each fit the first guess", u"\u00e9\u00e8\u00ea", "\xc3\xa9\xc3\xa8\xc3\xaa"},
        {"three bytes each need the second attempt", u"\u3042\u3044", "\xe3\x81\x82\xe3\x81\x84"},
        {"a lone surrogate is dropped", u"a\xd800z", "az"},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::string got;
        bool none = false;
        RunResult r = vm.inside([&] {
            char* text = convertUnicodeString((const uint16_t*)k.units.data(), (int32_t)k.units.size());
            if (text == nullptr) {
                none = true;
                return;
            }
            got = text;
            CoreHooks.mvMemory_freePointer(text);
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        if (k.expected == nullptr) {
            EXPECT_TRUE(none) << k.name;
        } else {
            EXPECT_FALSE(none) << k.name;
            EXPECT_EQ(got, k.expected) << k.name;
        }
    }
}

TEST(OptionStore, Lookups) {
    struct Case {
        const char* name;
        const char* key;
        const char* utf8;     // mvOption_getUtf8, null for none
        const char* builtIn;  // mvOption_getDefault, null for none
    };
    const Case cases[] = {
        {"a default the device does not know", "default.timezone", "Asia/Tokyo", "Asia/Tokyo"},
        {"the last slot", "midp_command_actsWithPressed", "1", "1"},
        {"a text with a percent sign", "midp_selector_launch_failed", "Launching %n failed.", "Launching %n failed."},
        {"an unknown key", "no.such.option", nullptr, nullptr},
        {"whole keys only", "midp_form_inset", nullptr, nullptr},
        {"a longer key", "default.timezone.x", nullptr, nullptr},
        {"the empty key", "", "", nullptr},
    };
    Vm vm;
    RunResult r = vm.inside([&] {
        mvOption_init();
        for (const Case& k : cases) {
            const char* got = mvOption_getUtf8(k.key);
            if (k.utf8 == nullptr)
                EXPECT_EQ(got, nullptr) << k.name;
            else
                EXPECT_STREQ(got, k.utf8) << k.name;
            const char* builtIn = mvOption_getDefault(k.key);
            if (k.builtIn == nullptr)
                EXPECT_EQ(builtIn, nullptr) << k.name;
            else
                EXPECT_STREQ(builtIn, k.builtIn) << k.name;
        }
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_NE(r.trace.find("mvOption_getUtf8: key can't be empty"), std::string::npos) << r.trace;
}

// Recursion that the guard stops; past twice the guarded stack's depth it turns back, so
// that a guard that never fires fails the test rather than overflowing the real stack.
enum { DESCEND_FRAME = 256, DESCEND_LIMIT = 2 * NATIVE_STACK_SIZE / DESCEND_FRAME };
int descend(int depth) {
    volatile char frame[DESCEND_FRAME];
    frame[0] = (char)depth;
    checkNativeStack();
    if (depth >= DESCEND_LIMIT) return 0;
    return descend(depth + 1) + frame[0];
}

TEST(NativeStack, DeepRecursionEndsTheRun) {
    Vm vm;
    RunResult r = vm.inside([] {
        initNativeStackLimit();
        descend(0);
    });
    EXPECT_EQ(r.exitCode, 127);
    EXPECT_NE(r.trace.find("ALERT: Native Stack Overflow. Stack Size:1048576\n"), std::string::npos) << r.trace;
}

TEST(NativeStack, ShallowCallsPass) {
    Vm vm;
    RunResult r = vm.inside([] {
        initNativeStackLimit();
        checkNativeStack();
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

// Each binding's C name is the JNI-style name of its class and method, so a function
// cannot be bound to the wrong class or method by a slip of the table; no method is
// bound twice.
TEST(NativeTables, NamesMatchAndNoneTwice) {
    std::set<std::string> seen;
    for (int32_t c = 0; c < NativeClassBindingCount; c++) {
        const NativeClassBinding& table = NativeClassBindings[c];
        std::string prefix = std::string("Java_") + table.className;
        for (char& ch : prefix) {
            if (ch == '/') ch = '_';
        }
        for (int32_t m = 0; m < table.count; m++) {
            const NativeMethodBinding& b = table.methods[m];
            std::string key = std::string(table.className) + "." + b.name + b.descriptor;
            EXPECT_TRUE(seen.insert(key).second) << key << " is bound twice";
            std::string expected = prefix + "_" + b.name;
            std::string name = b.functionName;
            EXPECT_EQ(name.compare(0, expected.size(), expected), 0) << key << " is bound to " << name;
            EXPECT_TRUE(name.size() == expected.size() || name.compare(expected.size(), 2, "__") == 0)
                << key << " is bound to " << name;
            EXPECT_EQ(findNativeBinding(table.className, b.name, b.descriptor), &b) << key;
        }
    }
    EXPECT_EQ(findNativeBinding("java/lang/String", "charAt", "(J)C"), nullptr);
    EXPECT_EQ(findNativeBinding("java/lang/NoSuchClass", "charAt", "(I)C"), nullptr);
}

}  // namespace
