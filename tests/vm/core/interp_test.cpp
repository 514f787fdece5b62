// The dispatch loop, calls and returns, and the run's end, on hand-built classes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/events.h"
#include "support/hookscope.h"
#include "support/vmasm.h"
#include "vm/core/hooks.h"

using namespace vmasm;

namespace {

void addFib(Vm& vm) {
    ClassSpec& c = vm.cls("Fib");
    c.field("result", "I", ACC_STATIC);
    c.method("fib", "(I)I", ACC_STATIC)
        .code.iload(0)
        .iconst(2)
        .branch(OP_IF_ICMPGE, "recurse")
        .iload(0)
        .op(OP_IRETURN)
        .label("recurse")
        .iload(0)
        .iconst(1)
        .op(OP_ISUB)
        .invokestatic("Fib", "fib", "(I)I")
        .iload(0)
        .iconst(2)
        .op(OP_ISUB)
        .invokestatic("Fib", "fib", "(I)I")
        .op(OP_IADD)
        .op(OP_IRETURN);
    c.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.iconst(25)
        .invokestatic("Fib", "fib", "(I)I")
        .putstatic("Fib", "result", "I")
        .op(OP_RETURN);
}

TEST(Interpreter, RecursiveFibStoresResultAndRunEndsWithZero) {
    Vm vm;
    addFib(vm);
    int32_t result = 0;
    vm.afterRun = [&] { result = *vm.staticAddress("Fib", "result"); };
    RunResult r = vm.run("Fib");
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(result, 75025);
}

// The end of every time slice passes through the core's hook: record where the loop was.
std::vector<int32_t> sliceEnds;

void recordSliceEnd() {
    if (Regs.fp != nullptr) sliceEnds.push_back(Regs.locals[1]);
}

TEST(Interpreter, SliceOf1000EndsAfter1001LoopTurns) {
    Vm vm;
    ClassSpec& t = vm.cls("Spin");
    t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .locals(2)
        .code.iconst(0)
        .istore(1)
        .label("loop")
        .iinc(1, 1)
        .iload(1)
        .sipush(6000)
        .branch(OP_IF_ICMPLT, "loop")
        .op(OP_RETURN);
    sliceEnds.clear();
    RunResult r;
    {
        HookScope<void (*)()> hook(CoreHooks.timeSliceHook, recordSliceEnd);
        r = vm.run("Spin");
    }
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    ASSERT_GE(sliceEnds.size(), 4u);
    for (size_t i = 1; i + 1 < sliceEnds.size(); i++) {
        EXPECT_EQ(sliceEnds[i + 1] - sliceEnds[i], 1001) << "slice " << i;
    }
}

TEST(Interpreter, IllegalOpcodesEndTheRun) {
    const uint8_t cases[] = {OP_JSR, OP_RET, OP_XXXUNUSEDXXX, OP_JSR_W, OP_UNUSED_213};
    for (uint8_t opcode : cases) {
        Vm vm;
        vm.cls("Bad")
            .method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
            .code.op(opcode)
            .op(0)
            .op(0)
            .op(0)
            .op(0);
        RunResult r = vm.run("Bad");
        std::string alert = "ALERT: Illegal bytecode " + std::to_string(opcode) + "\n";
        EXPECT_EQ(r.exitCode, 127) << (int)opcode;
        EXPECT_NE(r.trace.find(alert), std::string::npos) << (int)opcode << "\n" << r.trace;
    }
}

TEST(Interpreter, BreakpointTracesAndGoesOn) {
    Vm vm;
    ClassSpec& t = vm.cls("B");
    t.field("r", "I", ACC_STATIC);
    t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.op(OP_BREAKPOINT)
        .iconst(3)
        .putstatic("B", "r", "I")
        .op(OP_RETURN);
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("B", "r"); };
    RunResult result = vm.run("B");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(r, 3);
    EXPECT_NE(result.trace.find("Breakpoint\n"), std::string::npos);
}

}  // namespace

namespace {

TEST(Interpreter, WaitForEvents) {
    struct Case {
        const char* name;
        bool threadRunnable;
        uint64_t delay;
        int postAfterMs;  // another host thread sets the wake-up event; -1: none
        int minMs, maxMs;
    };
    const Case cases[] = {
        {"a runnable thread: no wait", true, 500, -1, 0, 100},
        {"nothing runnable: sleeps until the next timer", false, 80, -1, 60, 2000},
        {"nothing runnable, no timer: a post ends the wait", false, 0, 80, 60, 2000},
    };
    SysTimerInit();
    for (const Case& k : cases) {
        ThreadRecord dummy{};
        ThreadRecord* savedCurrent = CurrentThread;
        ThreadRecord* savedRunnable = RunnableThreads;
        CurrentThread = k.threadRunnable ? &dummy : nullptr;
        RunnableThreads = nullptr;
        std::thread poster;
        if (k.postAfterMs >= 0) {
            poster = std::thread([ms = k.postAfterMs] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                SysWakeEventSet();
            });
        }
        auto start = std::chrono::steady_clock::now();
        vmWaitForEvents(k.delay);
        auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (poster.joinable()) poster.join();
        CurrentThread = savedCurrent;
        RunnableThreads = savedRunnable;
        EXPECT_GE(ms, k.minMs) << k.name;
        EXPECT_LE(ms, k.maxMs) << k.name;
    }
    SysTimerTerm();
}

}  // namespace
