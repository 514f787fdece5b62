// Speed of field access, virtual and interface calls and array loops on hand-built
// bytecode; each iteration is one VM run of a loop of the given number of turns.
#include <benchmark/benchmark.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

// main: for (i = 0; i < turns; i++) { body } with i in local 1; body gets local 2
// (an object or array made by setup) and leaves nothing on the stack.
void runLoop(benchmark::State& state, Vm& vm, const std::function<void(Code&)>& setup,
             const std::function<void(Code&)>& body) {
    const int32_t turns = (int32_t)state.range(0);
    ClassSpec& t = vm.cls("Bench");
    t.field("r", "I", ACC_STATIC);
    Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(4).code;
    setup(c);
    c.astore(2).iconst(0).istore(1).branch(OP_GOTO, "test").label("body");
    body(c);
    c.iinc(1, 1).label("test").iload(1).ldcInt(turns).branch(OP_IF_ICMPLT, "body").op(OP_RETURN);
    for (auto _ : state) {
        RunResult r = vm.run("Bench");
        if (r.exitCode != 0) state.SkipWithError(r.trace.c_str());
    }
    state.SetItemsProcessed(state.iterations() * turns);
}

void FieldAccess(benchmark::State& state) {
    Vm vm;
    vm.cls("P")
        .field("x", "I")
        .method("<init>", "()V")
        .code.aload(0)
        .invokespecial("java/lang/Object", "<init>", "()V")
        .op(OP_RETURN);
    // p.x = p.x + i
    runLoop(
        state, vm, [](Code& c) { c.newObject("P").op(OP_DUP).invokespecial("P", "<init>", "()V"); },
        [](Code& c) { c.aload(2).aload(2).getfield("P", "x", "I").iload(1).op(OP_IADD).putfield("P", "x", "I"); });
}
BENCHMARK(FieldAccess)->Arg(1000000)->Unit(benchmark::kMillisecond);

void VirtualCall(benchmark::State& state) {
    Vm vm;
    ClassSpec& s = vm.cls("Shape");
    s.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    s.method("size", "(I)I").code.iload(1).iconst(1).op(OP_IADD).op(OP_IRETURN);
    runLoop(
        state, vm, [](Code& c) { c.newObject("Shape").op(OP_DUP).invokespecial("Shape", "<init>", "()V"); },
        [](Code& c) { c.aload(2).iload(1).invokevirtual("Shape", "size", "(I)I").op(OP_POP); });
}
BENCHMARK(VirtualCall)->Arg(1000000)->Unit(benchmark::kMillisecond);

void InterfaceCall(benchmark::State& state) {
    Vm vm;
    vm.cls("Sized", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT)
        .method("size", "(I)I", ACC_PUBLIC | ACC_ABSTRACT);
    ClassSpec& s = vm.cls("Shape");
    s.implements("Sized");
    s.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    s.method("size", "(I)I").code.iload(1).iconst(1).op(OP_IADD).op(OP_IRETURN);
    runLoop(
        state, vm, [](Code& c) { c.newObject("Shape").op(OP_DUP).invokespecial("Shape", "<init>", "()V"); },
        [](Code& c) { c.aload(2).iload(1).invokeinterface("Sized", "size", "(I)I", 2).op(OP_POP); });
}
BENCHMARK(InterfaceCall)->Arg(1000000)->Unit(benchmark::kMillisecond);

void ArrayLoop(benchmark::State& state) {
    Vm vm;
    // a[i & 63] += i
    runLoop(
        state, vm, [](Code& c) { c.bipush(64).newarray(T_INT); },
        [](Code& c) {
            c.aload(2).iload(1).bipush(63).op(OP_IAND).op(OP_DUP2).op(OP_IALOAD).iload(1).op(OP_IADD).op(OP_IASTORE);
        });
}
BENCHMARK(ArrayLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
