// Method preparation: code bytes prepared per second for a long method full of fusable
// groups and branches, and the run time of a counted array loop as loaded and prepared.
#include <benchmark/benchmark.h>

#include <chrono>

#include "support/vmasm.h"
#include "vm/loader/prepare.h"

namespace {

using namespace vmasm;

// About 4 KB: loops over locals with array reads, constant compares and pairs.
void longMethod(Code& c) {
    for (int i = 0; i < 120; i++) {
        std::string top = "top" + std::to_string(i), out = "out" + std::to_string(i);
        c.iconst(0).istore(5).label(top).iload(5).bipush(20).branch(OP_IF_ICMPGE, out);
        c.aload(4).iload(5).op(OP_IALOAD).iload(6).op(OP_IADD).istore(6);
        c.iload(5).iconst(1).op(OP_IADD).istore(5).branch(OP_GOTO, top).label(out);
    }
    c.op(OP_RETURN);
}

void BM_PrepareLongMethod(benchmark::State& state) {
    for (auto _ : state) {
        Vm vm;
        ClassSpec& t = vm.cls("T");
        MethodSpec& m = t.method("m", "()V", ACC_STATIC);
        m.locals(8);
        longMethod(m.code);
        double seconds = 0;
        int64_t bytes = 0;
        vm.inside([&] {
            MethodRecord* method = &vm.classRecord("T")->methodTable->methods[0];
            uint8_t* code = method->u.code;
            std::vector<uint8_t> original(code, code + method->codeLength);
            auto start = std::chrono::steady_clock::now();
            for (int round = 0; round < 200; round++) {
                memcpy(method->u.code, original.data(), original.size());
                method->accessFlags &= ~(uint32_t)ACC_PREPARED;
                prepareMethod(method);
                bytes += (int64_t)original.size();
            }
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
        state.SetIterationTime(seconds);
        state.SetBytesProcessed(state.bytes_processed() + bytes);
    }
}
BENCHMARK(BM_PrepareLongMethod)->UseManualTime()->Unit(benchmark::kMicrosecond);

// static int sum(int[] a) over 1000 elements, called 2000 times.
void BM_ArrayLoop(benchmark::State& state) {
    const bool prepared = state.range(0) != 0;
    for (auto _ : state) {
        Vm vm;
        ClassSpec& t = vm.cls("T");
        t.field("r", "I", ACC_STATIC);
        t.method("sum", "([I)I", ACC_STATIC)
            .locals(4)
            .code.iconst(0)
            .istore(2)
            .iconst(0)
            .istore(1)
            .label("loop")
            .iload(1)
            .aload(0)
            .op(OP_ARRAYLENGTH)
            .branch(OP_IF_ICMPGE, "done")
            .iload(2)
            .aload(0)
            .iload(1)
            .op(OP_IALOAD)
            .op(OP_IADD)
            .istore(2)
            .iinc(1, 1)
            .branch(OP_GOTO, "loop")
            .label("done")
            .iload(2)
            .op(OP_IRETURN);
        t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
            .locals(3)
            .code.sipush(1000)
            .newarray(T_INT)
            .astore(1)
            .iconst(0)
            .istore(2)
            .label("again")
            .aload(1)
            .invokestatic("T", "sum", "([I)I")
            .putstatic("T", "r", "I")
            .iinc(2, 1)
            .iload(2)
            .sipush(2000)
            .branch(OP_IF_ICMPLT, "again")
            .op(OP_RETURN);
        vm.beforeStart = [&] {
            if (prepared) vm.classRecord("T")->methodTable->methods[0].accessFlags &= ~(uint32_t)ACC_PREPARED;
        };
        auto start = std::chrono::steady_clock::now();
        RunResult r = vm.run("T");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (r.exitCode != 0) {
            state.SkipWithError("run failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 2000 * 1000);
}
BENCHMARK(BM_ArrayLoop)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
