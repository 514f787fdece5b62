// The timer's wait for a VM resume: every waiting timer thread runs again after the
// next resume, however many there are.
#include <gtest/gtest.h>

#include "natives/lib/midlet_natives.h"
#include "natives/lib/thread_natives.h"
#include "platform/events.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

void resumeVm() { timerResumeCountDown(); }
void endRun() { vmExitLongjmp(0); }

TEST(TimerWaitResume, EveryWaiterRunsAfterTheResume) {
    struct Case {
        const char* name;
        int waiters;
        int resumes;
        int32_t woken;  // R.r: one bit per waiter that ran again
    };
    const Case cases[] = {
        {"one waiter, no resume", 1, 0, 0},
        {"one waiter, one resume", 1, 1, 1},
        {"two waiters, one resume", 2, 1, 3},
        {"three waiters, two resumes", 3, 2, 7},
    };
    SysTimerInit();
    for (const Case& c : cases) {
        Vm vm;
        vm.cls("R").field("r", "I", ACC_STATIC);
        ClassSpec& n = vm.cls("N");
        n.nativeMethod("sleep0", "(J)V", ACC_STATIC, Java_java_lang_Thread_sleep0);
        n.nativeMethod("resume", "()V", ACC_STATIC, resumeVm);
        n.nativeMethod("end", "()V", ACC_STATIC, endRun);
        ClassSpec& t = vm.cls("T", "java/lang/Thread");
        t.nativeMethod("nativeStart", "()V", 0, Java_java_lang_Thread_nativeStart);
        t.nativeMethod("waitResume", "()V", 0, Java_java_util_Timer_waitResume);
        for (int w = 0; w < c.waiters; w++) {
            std::string name = "W" + std::to_string(w);
            vm.cls(name, "T")
                .method("run", "()V")
                .code.aload(0)
                .invokevirtual("T", "waitResume", "()V")
                .getstatic("R", "r", "I")
                .iconst(1 << w)
                .op(OP_IOR)
                .putstatic("R", "r", "I")
                .op(OP_RETURN);
        }
        MethodSpec& main = vm.cls("M").method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC).locals(2);
        for (int w = 0; w < c.waiters; w++)
            main.code.newObject("W" + std::to_string(w)).invokevirtual("T", "nativeStart", "()V");
        main.code.ldc2Long(30).invokestatic("N", "sleep0", "(J)V");
        for (int r = 0; r < c.resumes; r++) main.code.invokestatic("N", "resume", "()V");
        // the waiters run while main sleeps; then the run ends whatever still waits
        main.code.ldc2Long(30).invokestatic("N", "sleep0", "(J)V").invokestatic("N", "end", "()V").op(OP_RETURN);
        int32_t r = -1;
        vm.afterRun = [&] { r = *vm.staticAddress("R", "r"); };
        RunResult result = vm.run("M");
        EXPECT_EQ(0, result.exitCode) << c.name << "\n" << result.trace;
        EXPECT_EQ(c.woken, r) << c.name;
    }
}

}  // namespace
