// The dispatch loop, calls and returns, and the run's end, on hand-built classes.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

void addFib(Vm& vm) {
    ClassSpec& c = vm.cls("Fib");
    c.field("result", "I", ACC_STATIC);
    c.method("fib", "(I)I", ACC_STATIC)
        .code.iload(0).iconst(2).branch(OP_IF_ICMPGE, "recurse").iload(0).op(OP_IRETURN)
        .label("recurse")
        .iload(0).iconst(1).op(OP_ISUB).invokestatic("Fib", "fib", "(I)I")
        .iload(0).iconst(2).op(OP_ISUB).invokestatic("Fib", "fib", "(I)I")
        .op(OP_IADD).op(OP_IRETURN);
    c.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.iconst(25).invokestatic("Fib", "fib", "(I)I").putstatic("Fib", "result", "I").op(OP_RETURN);
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

}  // namespace
