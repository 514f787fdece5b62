// The confirmation dialog's and the application-state natives, with a test double of
// the dialog's screen; findAppStateCallback from Java frames on hand-built classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "natives/lib/dialog_natives.h"
#include "platform/events.h"
#include "platform/lowmem.h"
#include "platform/p32.h"
#include "support/vmasm.h"
#include "vm/services/vmstate.h"

using namespace vmasm;

namespace {

// Calls a native on an operand stack of its own, as a static method (no receiver). The
// stack lies in the low window, where the registers may be parked.
struct NativeCall {
    enum { WORDS = 16 };
    cell* stack;
    cell* saved;
    MethodRecord* savedMethod;
    NativeCall() : stack((cell*)lowCalloc(WORDS, sizeof(cell))), saved(Regs.sp), savedMethod(CurrentNativeMethod) {
        Regs.sp = stack;
        CurrentNativeMethod = nullptr;
    }
    ~NativeCall() {
        Regs.sp = saved;
        CurrentNativeMethod = savedMethod;
        lowFree(stack);
    }
    NativeCall(const NativeCall&) = delete;
    NativeCall& operator=(const NativeCall&) = delete;
    NativeCall& arg(int32_t v) {
        *++Regs.sp = v;
        return *this;
    }
    int32_t call(void (*fn)()) {
        fn();
        return Regs.sp == stack + 1 ? stack[1] : -999;
    }
};

// The screen double: what the natives asked of it.
std::string calls;
int32_t keyTable[6];
int32_t fullScreen;
const ConfirmDialogScreen Double = {
    [](int32_t d) { calls += "obtain " + std::to_string(d) + ";"; },
    [] { calls += "release;"; },
    [] { return (const int32_t*)keyTable; },
    [] { calls += "startDraw;"; },
    [] { calls += "endDraw;"; },
    [] { calls += "repaint;"; },
    [](int32_t shown) { calls += "show " + std::to_string(shown) + ";"; },
    [](int32_t g, int32_t x, int32_t y, int32_t w, int32_t h) {
        calls += "clip " + std::to_string(g) + " " + std::to_string(x) + "," + std::to_string(y) + "," +
                 std::to_string(w) + "," + std::to_string(h) + ";";
    },
    [](int32_t g, int32_t color, int32_t x, int32_t y, int32_t w, int32_t h) {
        calls += "fill " + std::to_string(color) + ";";
    },
    [](int32_t on) {
        fullScreen = on;
        return 1;
    },
    [] { return fullScreen; },
    nullptr,
    nullptr,
    nullptr,
};

struct DialogNatives : ::testing::Test {
    void SetUp() override {
        initVmSections(MV_SECTIONS_PER_RUN);
        calls.clear();
        confirmDialog_setScreen(&Double);
    }
    void TearDown() override { confirmDialog_setScreen(nullptr); }
};

TEST_F(DialogNatives, StateQuestions) {
    struct Case {
        const char* name;
        int32_t flags, argument, interruption;
    };
    const Case cases[] = {
        {"no bit of 0x0E: never", 0x70, 0, 0},
        {"0x02 and other stop bits", 0x02 | 0x40, 0x70, 1},
        {"0x04 and the same stop bits", 0x04 | 0x40, 0x40, 0},
        {"0x08, no stop bits, asked with 0x10", 0x08, 0x10, 1},
    };
    for (const Case& c : cases) {
        VmState.stateFlags = c.flags;
        EXPECT_EQ(c.interruption,
                  NativeCall().arg(c.argument).call(Java_com_movane_security_UserConfirmDialog_nativeIsInterruption))
            << c.name;
        EXPECT_EQ(c.flags, NativeCall().call(Java_com_movane_security_UserConfirmDialog_nativeGetAppState)) << c.name;
    }
    VmState.stateFlags = 0;
    NativeCall().call(Java_com_movane_security_UserConfirmDialog_nativeRequestAppResume);
    EXPECT_EQ(0, VmState.appPaused) << "without bit 0x01 nothing happens";
    VmState.stateFlags = 0x01;
    NativeCall().call(Java_com_movane_security_UserConfirmDialog_nativeRequestAppResume);
    EXPECT_EQ(1, VmState.appPaused);
    VmState.stateFlags = 0;
    VmState.appPaused = 0;
}

TEST_F(DialogNatives, KeysScreenAndEvents) {
    struct KeyCase {
        const char* name;
        int32_t cancel, ok, cancelIndex, okIndex;
    };
    const KeyCase keys[] = {
        {"soft keys", 22, 21, 2, 1},
        {"third soft key for ok", 21, 23, 1, 3},
        {"other keys give the defaults", 20, 24, 2, 1},
    };
    for (const KeyCase& k : keys) {
        keyTable[1] = k.cancel;
        keyTable[4] = k.ok;
        EXPECT_EQ(k.okIndex,
                  NativeCall().call(Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetOkKeyIndex))
            << k.name;
        EXPECT_EQ(k.cancelIndex,
                  NativeCall().call(Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetCancelKeyIndex))
            << k.name;
    }
    NativeCall().arg(7).arg(1).arg(2).arg(30).arg(40).call(
        Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeClearScreen);
    NativeCall().call(Java_com_movane_security_UserConfirmDialog_obtainEventQueue);
    NativeCall().call(Java_com_movane_security_midp20_UserConfirmDialogImpl_nativePostHideNotify);
    NativeCall().call(Java_com_movane_security_UserConfirmDialog_releaseEventQueue);
    EXPECT_EQ("clip 7 1,2,30,40;fill 16777215;obtain 1;show 0;release;", calls)
        << "the cleared area keeps its clip and becomes white";
    EXPECT_EQ(1,
              NativeCall().arg(1).call(Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeSetFullScreenMode));
    EXPECT_EQ(1, NativeCall().call(Java_com_movane_security_midp20_UserConfirmDialogImpl_nativeGetFullScreenMode));
}

// The dialog completes an event through the completion of an index: the record reaches
// it reordered, -1 completes nothing, and any other word (an unknown index, or what used
// to be passed, a code address) is refused with IllegalArgumentException.
int32_t completedIndex;
int32_t completedRecord[8];

ConfirmDialogScreen completingScreen;

TEST(DialogCompletion, EventsCompleteByIndexOnly) {
    completingScreen = Double;
    completingScreen.runCompletion = [](int32_t index, int32_t* record) {
        if (index != 3) return 0;
        completedIndex = index;
        memcpy(completedRecord, record, sizeof completedRecord);
        return 1;
    };
    P32Fn<void (*)(int32_t*)> code = +[](int32_t*) {};
    struct Case {
        const char* name;
        int32_t index;
        int32_t expected;  // 1 returned, 2 refused
        bool completes;
    };
    const Case cases[] = {
        {"an entered index completes", 3, 1, true},
        {"-1 completes nothing", -1, 1, false},
        {"an index naming no completion is refused", 5, 2, false},
        {"a code address is refused", (int32_t)code.w, 2, false},
    };
    for (const Case& c : cases) {
        completedIndex = -2;
        memset(completedRecord, 0, sizeof completedRecord);
        Vm vm;
        vm.cls("java/lang/IllegalArgumentException", "java/lang/RuntimeException");
        vm.cls("R").field("r", "I", ACC_STATIC);
        ClassSpec& d = vm.cls("D");
        d.nativeMethod("done", "(IIIIIIIII)V", ACC_STATIC,
                       Java_com_movane_security_midp20_UserConfirmDialogImpl_notifyGUIEventDone);
        // the dialog's screen is per-run state: installed once the run has begun
        d.nativeMethod("install", "()V", ACC_STATIC, [] { confirmDialog_setScreen(&completingScreen); });
        MethodSpec& main = vm.cls("M").method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC);
        main.code.invokestatic("D", "install", "()V").label("s");
        for (int32_t a = 1; a <= 8; a++) main.code.iconst(a * 11);
        main.code.iconst(c.index)
            .invokestatic("D", "done", "(IIIIIIIII)V")
            .label("e")
            .iconst(1)
            .putstatic("R", "r", "I")
            .op(OP_RETURN)
            .label("h")
            .op(OP_POP)
            .iconst(2)
            .putstatic("R", "r", "I")
            .op(OP_RETURN);
        main.handler("s", "e", "h", "java/lang/IllegalArgumentException");
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("R", "r"); };
        RunResult result = vm.run("M");
        confirmDialog_setScreen(nullptr);
        EXPECT_EQ(0, result.exitCode) << c.name << "\n" << result.trace;
        EXPECT_EQ(c.expected, r) << c.name << "\n" << result.trace;
        EXPECT_EQ(c.completes ? 3 : -2, completedIndex) << c.name;
        if (c.completes) {
            EXPECT_EQ((std::vector<int32_t>{88, 11, 33, 44, 55, 66, 77, 22}),
                      std::vector<int32_t>(completedRecord, completedRecord + 8))
                << c.name;
        }
    }
}

TEST(AppStateCallback, FromTheFramesOfTheLifeCycle) {
    struct Case {
        const char* name;
        const char* cls;     // the class whose method main calls
        const char* method;  // that method
        int32_t expected;
    };
    const Case cases[] = {
        {"no callback on the stack", "M", "plain", 0},
        {"inside pauseAppWrap, through a helper", "javax/microedition/midlet/MIDlet", "pauseAppWrap", 3},
        {"inside startAppWrap", "javax/microedition/midlet/MIDlet", "startAppWrap", 2},
        {"inside destroyAppWrap", "javax/microedition/midlet/MIDlet", "destroyAppWrap", 4},
        {"a MIDlet class without a package", "MIDlet", "pauseAppWrap", 0},
        {"a class named otherwise", "javax/microedition/midlet/Midlet2", "pauseAppWrap", 0},
    };
    for (const Case& c : cases) {
        Vm vm;
        vm.cls("R").field("r", "I", ACC_STATIC);
        vm.cls("D").nativeMethod("cb", "()I", ACC_STATIC,
                                 Java_com_movane_security_UserConfirmDialog_nativeIsAppStateCallback);
        vm.cls("H")
            .method("help", "()V", ACC_STATIC)
            .code.invokestatic("D", "cb", "()I")
            .putstatic("R", "r", "I")
            .op(OP_RETURN);
        ClassSpec& m = std::string(c.cls) == "M" ? vm.cls("M") : vm.cls(c.cls);
        m.method(c.method, "()V", ACC_STATIC).code.invokestatic("H", "help", "()V").op(OP_RETURN);
        ClassSpec& mainClass = std::string(c.cls) == "M" ? m : vm.cls("M");
        mainClass.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
            .code.iconst(-1)
            .putstatic("R", "r", "I")
            .invokestatic(c.cls, c.method, "()V")
            .op(OP_RETURN);
        int32_t r = -2;
        vm.afterRun = [&] { r = *vm.staticAddress("R", "r"); };
        RunResult result = vm.run("M");
        EXPECT_EQ(0, result.exitCode) << c.name << "\n" << result.trace;
        EXPECT_EQ(c.expected, r) << c.name;
    }
}

}  // namespace
