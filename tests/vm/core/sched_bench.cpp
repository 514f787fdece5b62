// Thread switch cost: two green threads hand the processor to each other with yield,
// so every yield is one switch through the interpreter's reschedule path.
#include <benchmark/benchmark.h>

#include "support/vmasm.h"
#include "vm/core/thread_test_natives.h"

using namespace vmasm;
using namespace threadtest;

namespace {

void ThreadSwitch(benchmark::State& state) {
    const int32_t yields = (int32_t)state.range(0);
    Vm vm;
    addThreadSupport(vm);
    ClassSpec& y = vm.cls("Y");
    y.field("turns", "I", ACC_STATIC);
    vm.cls("YW", "java/lang/Thread")
        .method("run", "()V")
        .locals(2)
        .code.iconst(0)
        .istore(1)
        .label("loop")
        .invokestatic("TN", "yield", "()V")
        .iinc(1, 1)
        .iload(1)
        .ldcInt(yields)
        .branch(OP_IF_ICMPLT, "loop")
        .getstatic("Y", "turns", "I")
        .iload(1)
        .op(OP_IADD)
        .putstatic("Y", "turns", "I")
        .op(OP_RETURN);
    y.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .locals(2)
        .code.newObject("YW")
        .invokestatic("TN", "start", "(Ljava/lang/Thread;)V")
        .newObject("YW")
        .invokestatic("TN", "start", "(Ljava/lang/Thread;)V")
        .op(OP_RETURN);
    int32_t turns = 0;
    vm.afterRun = [&] { turns = *vm.staticAddress("Y", "turns"); };
    for (auto _ : state) {
        RunResult r = vm.run("Y");
        if (r.exitCode != 0 || turns != 2 * yields) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * 2 * yields);
}
BENCHMARK(ThreadSwitch)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
