// The Thread, Object and PrioritySchedule natives run from Java code on hand-built
// classes: each case's main leaves its answer in R.r (and R.r2).
#include <gtest/gtest.h>

#include <functional>

#include "natives/lib/object_natives.h"
#include "natives/lib/thread_natives.h"
#include "platform/events.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;
const char* const THREAD = "Ljava/lang/Thread;";
const char* const PS = "com/movane/micro/thread/PrioritySchedule";

class ThreadNatives : public ::testing::Test {
protected:
    void SetUp() override { SysTimerInit(); }
    void TearDown() override { SysTimerTerm(); }
};

// The natives bound where the library declares them: instance natives on a Thread
// subclass, static ones on N and on PrioritySchedule.
void addNatives(Vm& vm) {
    vm.cls("java/lang/InterruptedException", "java/lang/Exception");
    vm.cls("java/lang/IllegalArgumentException", "java/lang/RuntimeException");
    vm.cls("java/lang/IllegalThreadStateException", "java/lang/IllegalArgumentException");
    ClassSpec& t = vm.cls("T", "java/lang/Thread");
    t.nativeMethod("nativeStart", "()V", 0, Java_java_lang_Thread_nativeStart);
    t.nativeMethod("isAlive", "()Z", 0, Java_java_lang_Thread_isAlive);
    t.nativeMethod("setPriority0", "(I)V", 0, Java_java_lang_Thread_setPriority0);
    t.nativeMethod("interrupt0", "()V", 0, Java_java_lang_Thread_interrupt0);
    ClassSpec& n = vm.cls("N");
    n.nativeMethod("sleep0", "(J)V", ACC_STATIC, Java_java_lang_Thread_sleep0);
    n.nativeMethod("currentThread", "()Ljava/lang/Thread;", ACC_STATIC, Java_java_lang_Thread_currentThread);
    n.nativeMethod("yield", "()V", ACC_STATIC, Java_java_lang_Thread_yield);
    n.nativeMethod("activeCount", "()I", ACC_STATIC, Java_java_lang_Thread_activeCount);
    n.nativeMethod("wait0", "(Ljava/lang/Object;J)V", ACC_STATIC, Java_java_lang_Object_wait0);
    n.nativeMethod("notify", "(Ljava/lang/Object;)V", ACC_STATIC, Java_java_lang_Object_notify);
    n.nativeMethod("notifyAll", "(Ljava/lang/Object;)V", ACC_STATIC, Java_java_lang_Object_notifyAll);
    ClassSpec& ps = vm.cls(PS);
    ps.nativeMethod("disableSwitchThread", "()V", ACC_STATIC,
                    Java_com_movane_micro_thread_PrioritySchedule_disableSwitchThread);
    ps.nativeMethod("enableSwitchThread", "()V", ACC_STATIC,
                    Java_com_movane_micro_thread_PrioritySchedule_enableSwitchThread);
    ps.nativeMethod("setDispatchPriority", "(I)V", ACC_STATIC,
                    Java_com_movane_micro_thread_PrioritySchedule_setDispatchPriority);
    ps.nativeMethod("getDispatchPriority", "()I", ACC_STATIC,
                    Java_com_movane_micro_thread_PrioritySchedule_getDispatchPriority);
    vm.cls("R")
        .field("r", "I", ACC_STATIC)
        .field("r2", "I", ACC_STATIC)
        .field("flag", "I", ACC_STATIC)
        .field("seen", THREAD, ACC_STATIC);
}

Code& sleep0(Code& c, int64_t ms) { return c.ldc2Long(ms).invokestatic("N", "sleep0", "(J)V"); }
Code& newT(Code& c, const char* cls, int local) { return c.newObject(cls).astore(local); }
Code& start(Code& c, int local) { return c.aload(local).invokevirtual("T", "nativeStart", "()V"); }

struct Case {
    const char* name;
    // Adds the case's worker classes and the body of main (locals 1 to 3 free).
    std::function<void(Vm&, MethodSpec& main)> build;
    int32_t r, r2;
    const char* trace;  // a line the trace must hold, or null
};

void runCases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; i++) {
        const Case& k = cases[i];
        Vm vm;
        addNatives(vm);
        // a worker that marks R.flag and remembers its currentThread
        vm.cls("Mark", "T")
            .method("run", "()V")
            .code.iconst(1)
            .putstatic("R", "flag", "I")
            .invokestatic("N", "currentThread", "()Ljava/lang/Thread;")
            .putstatic("R", "seen", THREAD)
            .op(OP_RETURN);
        MethodSpec& main = vm.cls("M").method("main", MAIN_SIG, MAIN_FLAGS).locals(4);
        k.build(vm, main);
        int32_t r = 0, r2 = 0;
        vm.afterRun = [&] {
            r = *vm.staticAddress("R", "r");
            r2 = *vm.staticAddress("R", "r2");
        };
        RunResult result = vm.run("M");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, k.r) << k.name << "\n" << result.trace;
        EXPECT_EQ(r2, k.r2) << k.name;
        if (k.trace) {
            EXPECT_NE(result.trace.find(k.trace), std::string::npos) << k.name << "\n" << result.trace;
        }
    }
}

// main: r = 2 when the body raises the exception class, else 1.
std::function<void(Vm&, MethodSpec&)> raises(const char* exceptionClass, std::function<void(Code&)> body) {
    return [=](Vm&, MethodSpec& m) {
        m.code.label("s");
        body(m.code);
        m.code.label("e")
            .iconst(1)
            .putstatic("R", "r", "I")
            .op(OP_RETURN)
            .label("h")
            .op(OP_POP)
            .iconst(2)
            .putstatic("R", "r", "I")
            .op(OP_RETURN);
        m.handler("s", "e", "h", exceptionClass);
    };
}

TEST_F(ThreadNatives, Thread) {
    const Case cases[] = {
        {"setPriority0(0) stores 1",
         [](Vm&, MethodSpec& m) {
             newT(m.code, "Mark", 1)
                 .aload(1)
                 .iconst(0)
                 .invokevirtual("T", "setPriority0", "(I)V")
                 .aload(1)
                 .getfield("java/lang/Thread", "priority", "I")
                 .putstatic("R", "r", "I")
                 .op(OP_RETURN);
         },
         1, 0, nullptr},
        {"setPriority0(99) stores 10",
         [](Vm&, MethodSpec& m) {
             newT(m.code, "Mark", 1)
                 .aload(1)
                 .bipush(99)
                 .invokevirtual("T", "setPriority0", "(I)V")
                 .aload(1)
                 .getfield("java/lang/Thread", "priority", "I")
                 .putstatic("R", "r", "I")
                 .op(OP_RETURN);
         },
         10, 0, nullptr},
        {"starting twice raises IllegalThreadStateException",
         raises("java/lang/IllegalThreadStateException", [](Code& c) { start(start(newT(c, "Mark", 1), 1), 1); }), 2, 0,
         nullptr},
        {"sleep0 of a negative time raises IllegalArgumentException",
         raises("java/lang/IllegalArgumentException", [](Code& c) { sleep0(c, -1); }), 2, 0, nullptr},
        {"wait0 of a negative time raises IllegalArgumentException",
         raises("java/lang/IllegalArgumentException",
                [](Code& c) {
                    c.newObject("java/lang/Object")
                        .op(OP_DUP)
                        .op(OP_MONITORENTER)
                        .ldc2Long(-5)
                        .invokestatic("N", "wait0", "(Ljava/lang/Object;J)V");
                }),
         2, 0, nullptr},
        {"isAlive before start, after start, after the end: r = 0, 1, 0 as digits",
         [](Vm&, MethodSpec& m) {
             newT(m.code, "Mark", 1).aload(1).invokevirtual("T", "isAlive", "()Z").bipush(100).op(OP_IMUL).istore(2);
             start(m.code, 1)
                 .aload(1)
                 .invokevirtual("T", "isAlive", "()Z")
                 .bipush(10)
                 .op(OP_IMUL)
                 .iload(2)
                 .op(OP_IADD)
                 .istore(2);
             sleep0(m.code, 20)
                 .aload(1)
                 .invokevirtual("T", "isAlive", "()Z")
                 .iload(2)
                 .op(OP_IADD)
                 .putstatic("R", "r", "I")
                 .op(OP_RETURN);
         },
         10, 0, nullptr},
        {"currentThread of a started thread is its Thread object",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Mark", 1), 1);
             sleep0(m.code, 10)
                 .getstatic("R", "seen", THREAD)
                 .aload(1)
                 .branch(OP_IF_ACMPNE, "no")
                 .iconst(1)
                 .putstatic("R", "r", "I")
                 .label("no")
                 .op(OP_RETURN);
         },
         1, 0, nullptr},
        {"activeCount: main alone, then with two started threads",
         [](Vm&, MethodSpec& m) {
             m.code.invokestatic("N", "activeCount", "()I").putstatic("R", "r", "I");
             start(newT(m.code, "Mark", 1), 1);
             start(newT(m.code, "Mark", 1), 1)
                 .invokestatic("N", "activeCount", "()I")
                 .putstatic("R", "r2", "I")
                 .op(OP_RETURN);
         },
         1, 3, nullptr},
        {"sleep0(0) lets a waiting thread run first",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Mark", 1), 1);
             m.code.getstatic("R", "flag", "I").putstatic("R", "r", "I");
             sleep0(m.code, 0).getstatic("R", "flag", "I").putstatic("R", "r2", "I").op(OP_RETURN);
         },
         0, 1, nullptr},
        {"yield lets a waiting thread run first",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Mark", 1), 1);
             m.code.getstatic("R", "flag", "I")
                 .putstatic("R", "r", "I")
                 .invokestatic("N", "yield", "()V")
                 .getstatic("R", "flag", "I")
                 .putstatic("R", "r2", "I")
                 .op(OP_RETURN);
         },
         0, 1, nullptr},
        {"interrupt0 of a thread never started does nothing",
         [](Vm&, MethodSpec& m) {
             newT(m.code, "Sleeper", 1).aload(1).invokevirtual("T", "interrupt0", "()V");
             start(m.code, 1).op(OP_RETURN);
         },
         1, 0, nullptr},
        {"interrupt0 of a sleeping thread reaches its handler",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Sleeper", 1), 1);
             sleep0(m.code, 20).aload(1).invokevirtual("T", "interrupt0", "()V").op(OP_RETURN);
         },
         2, 0, nullptr},
        {"interrupt0 of a waiting thread reaches its handler",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Waiter", 1), 1);
             sleep0(m.code, 20).aload(1).invokevirtual("T", "interrupt0", "()V").op(OP_RETURN);
         },
         2, 0, nullptr},
        {"notify wakes a waiting thread",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Waiter", 1), 1);
             sleep0(m.code, 20)
                 .aload(1)
                 .op(OP_MONITORENTER)
                 .aload(1)
                 .invokestatic("N", "notify", "(Ljava/lang/Object;)V")
                 .aload(1)
                 .op(OP_MONITOREXIT)
                 .op(OP_RETURN);
         },
         1, 0, nullptr},
    };
    // Sleeper sleeps 200 ms and Waiter waits on itself without limit; each leaves
    // r = 1 when its call returns and r = 2 when InterruptedException reaches it.
    for (const Case& k : cases) {
        Case c = k;
        c.build = [k](Vm& vm, MethodSpec& m) {
            MethodSpec& sleeper = vm.cls("Sleeper", "T").method("run", "()V");
            sleeper.code.label("s");
            sleep0(sleeper.code, 200)
                .label("e")
                .iconst(1)
                .putstatic("R", "r", "I")
                .op(OP_RETURN)
                .label("h")
                .op(OP_POP)
                .iconst(2)
                .putstatic("R", "r", "I")
                .op(OP_RETURN);
            sleeper.handler("s", "e", "h", "java/lang/InterruptedException");
            MethodSpec& waiter = vm.cls("Waiter", "T").method("run", "()V");
            waiter.code.aload(0)
                .op(OP_MONITORENTER)
                .label("s")
                .aload(0)
                .ldc2Long(0)
                .invokestatic("N", "wait0", "(Ljava/lang/Object;J)V")
                .label("e")
                .iconst(1)
                .putstatic("R", "r", "I")
                .branch(OP_GOTO, "out")
                .label("h")
                .op(OP_POP)
                .iconst(2)
                .putstatic("R", "r", "I")
                .label("out")
                .aload(0)
                .op(OP_MONITOREXIT)
                .op(OP_RETURN);
            waiter.handler("s", "e", "h", "java/lang/InterruptedException");
            k.build(vm, m);
        };
        runCases(&c, 1);
    }
}

TEST_F(ThreadNatives, SetPriority0SetsTheTimeSlice) {
    const int32_t priorities[][2] = {{0, 1000}, {5, 5000}, {99, 10000}};
    for (auto& p : priorities) {
        Vm vm;
        addNatives(vm);
        vm.cls("Mark", "T");
        vm.cls("M")
            .method("main", MAIN_SIG, MAIN_FLAGS)
            .locals(2)
            .code.newObject("Mark")
            .op(OP_DUP)
            .putstatic("R", "seen", THREAD)
            .iconst(p[0])
            .invokevirtual("T", "setPriority0", "(I)V")
            .op(OP_RETURN);
        int32_t slice = 0;
        vm.afterRun = [&] {
            OBJECT t = p32Ptr<Instance>(*vm.staticAddress("R", "seen"));
            slice = p32Ptr<ThreadRecord>(t->data[THREAD_RECORD_SLOT])->timeslice;
        };
        RunResult r = vm.run("M");
        EXPECT_EQ(r.exitCode, 0) << r.trace;
        EXPECT_EQ(slice, p[1]) << "priority " << p[0];
    }
}

TEST_F(ThreadNatives, PrioritySchedule) {
    const Case cases[] = {
        {"setDispatchPriority(6) then get",
         [](Vm&, MethodSpec& m) {
             m.code.iconst(6)
                 .invokestatic(PS, "setDispatchPriority", "(I)V")
                 .invokestatic(PS, "getDispatchPriority", "()I")
                 .putstatic("R", "r", "I")
                 .op(OP_RETURN);
         },
         6, 0, nullptr},
        {"setDispatchPriority(7) is refused",
         [](Vm&, MethodSpec& m) {
             m.code.iconst(7)
                 .invokestatic(PS, "setDispatchPriority", "(I)V")
                 .invokestatic(PS, "getDispatchPriority", "()I")
                 .putstatic("R", "r", "I")
                 .op(OP_RETURN);
         },
         3, 0, "[scheduler] Warning!! setDispatchPriority() : illegal argument 7.\n"},
        {"an eighth disableSwitchThread stays at 7",
         [](Vm&, MethodSpec& m) {
             for (int i = 0; i < 8; i++) m.code.invokestatic(PS, "disableSwitchThread", "()V");
             m.code.iconst(1).putstatic("R", "r", "I").op(OP_RETURN);
         },
         1, 0, "Warning!! [scheduler] disableSwitchThread(): lock count over.\n"},
        {"enableSwitchThread below 0 stays at 0",
         [](Vm&, MethodSpec& m) {
             m.code.invokestatic(PS, "enableSwitchThread", "()V").iconst(1).putstatic("R", "r", "I").op(OP_RETURN);
         },
         1, 0, "[scheduler] Warning!! enableSwitchThread(): lock count < 0.\n"},
        {"no switch while disabled; a refused switch happens at enable",
         [](Vm&, MethodSpec& m) {
             start(newT(m.code, "Mark", 1), 1);
             m.code.invokestatic(PS, "disableSwitchThread", "()V")
                 .iconst(0)
                 .istore(2)
                 .label("spin")
                 .iinc(2, 1)
                 .iload(2)
                 .sipush(5000)
                 .branch(OP_IF_ICMPLT, "spin")
                 .getstatic("R", "flag", "I")
                 .putstatic("R", "r", "I")
                 .invokestatic(PS, "enableSwitchThread", "()V")
                 .getstatic("R", "flag", "I")
                 .putstatic("R", "r2", "I")
                 .op(OP_RETURN);
         },
         0, 1, nullptr},
    };
    runCases(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(ThreadNatives, NoSwitchCountIsKeptInTheSchedulingWord) {
    Vm vm;
    addNatives(vm);
    MethodSpec& m = vm.cls("M").method("main", MAIN_SIG, MAIN_FLAGS);
    for (int i = 0; i < 9; i++) m.code.invokestatic(PS, "disableSwitchThread", "()V");
    m.code.invokestatic(PS, "enableSwitchThread", "()V").op(OP_RETURN);
    uint32_t scheduling = 0;
    vm.afterRun = [&] { scheduling = MainThread->scheduling; };
    RunResult r = vm.run("M");
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ((scheduling & SCHED_NOSWITCH_MASK) >> SCHED_NOSWITCH_SHIFT, 6u);
    EXPECT_EQ(scheduling & SCHED_PRIORITY_MASK, 3u) << "other bits unchanged";
}

}  // namespace
