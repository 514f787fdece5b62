// The timer's wait for a VM resume: a timer thread waits only while a suspend announced
// to the timers is in force; every waiting timer thread runs again after the resume that
// answers it, however many there are; a refused suspend and endResumeWait let them go.
#include <gtest/gtest.h>

#include "natives/lib/midlet_natives.h"
#include "natives/lib/thread_natives.h"
#include "platform/events.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

void resumeVm() { timerResumeCountDown(); }
void endRun() { vmExitLongjmp(0); }

TEST(TimerWaitResume, WaitersRunAgainWhenTheSuspendIsAnsweredOrRefused) {
    // Steps of the main thread: H announces a suspend (nativeHoldTimers), S starts the
    // waiters (they run when main sleeps), z sleeps 30 ms, R resumes the VM, F is a
    // suspend the VM refuses (no run is in progress), 0 to 9 end the wait of that waiter
    // (Timer.endResumeWait). Then main sleeps and the run ends whatever still waits.
    struct Case {
        const char* name;
        int waiters;
        const char* steps;
        int32_t woken;  // R.r: one bit per waiter that ran again
    };
    const Case cases[] = {
        {"no suspend announced: no wait", 1, "Sz", 1},
        {"one waiter, no resume", 1, "HSz", 0},
        {"one waiter, one resume", 1, "HSzR", 1},
        {"two waiters, one resume", 2, "HSzR", 3},
        {"three waiters, two resumes", 3, "HSzRR", 7},
        {"the resume came before the wait", 1, "HRS", 1},
        {"a refused suspend lets the waiters go", 2, "HSzF", 3},
        {"refused while another suspend is in force: they wait", 2, "HSzHF", 0},
        {"... and go with that suspend's resume", 2, "HSzHFzR", 3},
        {"endResumeWait lets one parked waiter go", 2, "HSz1", 2},
        {"endResumeWait before the wait: it returns at once", 2, "HS0z", 1},
        {"that pass ends with the resume", 1, "HS0RHz", 0},
        {"twelve waiters, no resume", 12, "HSz", 0},
        {"twelve waiters, one resume", 12, "HSzR", 0xFFF},
        {"twelve waiters, a refused suspend", 12, "HSzF", 0xFFF},
        {"endResumeWait lets the tenth of twelve go", 12, "HSz9", 1 << 9},
        {"... and the others go with the resume", 12, "HSz9R", 0xFFF},
        {"endResumeWait before the tenth's wait", 12, "HS9z", 1 << 9},
    };
    SysTimerInit();
    for (const Case& c : cases) {
        Vm vm;
        vm.cls("R").field("r", "I", ACC_STATIC);
        ClassSpec& n = vm.cls("N");
        n.nativeMethod("sleep0", "(J)V", ACC_STATIC, Java_java_lang_Thread_sleep0);
        n.nativeMethod("hold", "()V", ACC_STATIC, Java_com_movane_micro_event_ProcessEventHandler_nativeHoldTimers);
        n.nativeMethod("resume", "()V", ACC_STATIC, resumeVm);
        n.nativeMethod("suspend", "()V", ACC_STATIC,
                       Java_com_movane_micro_event_ProcessEventHandler_nativeExecuteVmSuspend);
        n.nativeMethod("endResumeWait", "(Ljava/lang/Thread;)V", ACC_STATIC, Java_java_util_Timer_endResumeWait);
        n.nativeMethod("end", "()V", ACC_STATIC, endRun);
        // the fields of java.util.TimerThread in which the natives keep a waiter
        ClassSpec& t = vm.cls("T", "java/lang/Thread").field("nextResumeWaiter", "LT;").field("resumeWaitsLeft", "I");
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
        MethodSpec& main =
            vm.cls("M").method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC).locals(1 + c.waiters);
        for (const char* step = c.steps; *step; step++) {
            switch (*step) {
                case 'H':
                    main.code.invokestatic("N", "hold", "()V");
                    break;
                case 'R':
                    main.code.invokestatic("N", "resume", "()V");
                    break;
                case 'F':
                    main.code.invokestatic("N", "suspend", "()V");
                    break;
                case 'z':
                    main.code.ldc2Long(30).invokestatic("N", "sleep0", "(J)V");
                    break;
                case 'S':
                    for (int w = 0; w < c.waiters; w++) {
                        main.code.newObject("W" + std::to_string(w))
                            .op(OP_DUP)
                            .astore(1 + w)
                            .invokevirtual("T", "nativeStart", "()V");
                    }
                    break;
                default:
                    main.code.aload(1 + (*step - '0')).invokestatic("N", "endResumeWait", "(Ljava/lang/Thread;)V");
                    break;
            }
        }
        main.code.ldc2Long(30).invokestatic("N", "sleep0", "(J)V").invokestatic("N", "end", "()V").op(OP_RETURN);
        int32_t r = -1;
        vm.afterRun = [&] { r = *vm.staticAddress("R", "r"); };
        RunResult result = vm.run("M");
        EXPECT_EQ(0, result.exitCode) << c.name << "\n" << result.trace;
        EXPECT_EQ(c.woken, r) << c.name;
    }
}

}  // namespace
