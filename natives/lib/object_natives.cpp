// Object.wait0, notify and notifyAll: thin layers over the monitors of the VM core.
#include "natives/lib/object_natives.h"

#include "vm/core/exceptions.h"
#include "vm/core/interp.h"
#include "vm/core/monitor.h"
#include "vm/core/thread.h"

// wait0(long timeout): the timeout lies above the receiver, high word on top.
void Java_java_lang_Object_wait0() {
    int32_t high = *Regs.sp--;
    uint32_t low = (uint32_t)*Regs.sp--;
    OBJECT object = p32Ptr<Instance>(*Regs.sp--);
    if (high < 0) raiseException("java/lang/IllegalArgumentException");
    monitorWait(object, low, high);
    // An interrupt pending on entry is raised at once; one that ends the wait later
    // is raised when the thread runs again.
    ThreadRecord* thread = CurrentThread;
    if (thread != nullptr && thread->pendingException != nullptr) {
        const char* name = thread->pendingException;
        thread->pendingException = nullptr;
        raiseException(name);
    }
}

void Java_java_lang_Object_notify() { monitorNotify(p32Ptr<Instance>(*Regs.sp--), 0); }

void Java_java_lang_Object_notifyAll() { monitorNotify(p32Ptr<Instance>(*Regs.sp--), 1); }
