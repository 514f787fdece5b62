// Interpreter speed on hand-built bytecode: a tight loop of int arithmetic and a
// recursive call. Each iteration is one VM run.
#include <benchmark/benchmark.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

void IntLoop(benchmark::State& state) {
    const int32_t turns = (int32_t)state.range(0);
    Vm vm;
    ClassSpec& t = vm.cls("Loop");
    t.field("r", "I", ACC_STATIC);
    // acc = acc * 31 + (i ^ (i >> 3)) - (i & 7), for i in [0, turns)
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .locals(3)
        .code.iconst(0)
        .istore(1)
        .iconst(0)
        .istore(2)
        .branch(OP_GOTO, "test")
        .label("body")
        .iload(2)
        .bipush(31)
        .op(OP_IMUL)
        .iload(1)
        .iload(1)
        .iconst(3)
        .op(OP_ISHR)
        .op(OP_IXOR)
        .op(OP_IADD)
        .iload(1)
        .bipush(7)
        .op(OP_IAND)
        .op(OP_ISUB)
        .istore(2)
        .iinc(1, 1)
        .label("test")
        .iload(1)
        .ldcInt(turns)
        .branch(OP_IF_ICMPLT, "body")
        .iload(2)
        .putstatic("Loop", "r", "I")
        .op(OP_RETURN);
    for (auto _ : state) {
        RunResult r = vm.run("Loop");
        if (r.exitCode != 0) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * turns);
}
BENCHMARK(IntLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);

void RecursiveCall(benchmark::State& state) {
    const int32_t n = (int32_t)state.range(0);
    Vm vm;
    ClassSpec& c = vm.cls("Fib");
    c.field("r", "I", ACC_STATIC);
    c.method("fib", "(I)I", ACC_STATIC)
        .stack(4)
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
    c.method("main", MAIN_SIG, MAIN_FLAGS)
        .code.iconst(n)
        .invokestatic("Fib", "fib", "(I)I")
        .putstatic("Fib", "r", "I")
        .op(OP_RETURN);
    // calls made by fib(n)
    int64_t calls = 0;
    {
        int64_t a = 1, b = 1;  // calls(0), calls(1)
        for (int i = 2; i <= n; i++) {
            int64_t next = a + b + 1;
            a = b;
            b = next;
        }
        calls = n < 2 ? 1 : b;
    }
    for (auto _ : state) {
        RunResult r = vm.run("Fib");
        if (r.exitCode != 0) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * calls);
}
BENCHMARK(RecursiveCall)->Arg(25)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
