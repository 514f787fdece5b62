// Two runs in one process start from the same VM variables and give the same results.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

void hashOfNewObject() { pushInt(objectHashCode(instantiate(JavaLangObject))); }

struct Snapshot {
    // VM variables as a run finds them once its classes exist
    uint32_t hashState;
    int32_t alive, tempRoots, globalRoots, suppressed, exitCode;
    bool noCatchFrameLeft, noException, noNative, hooksSet;
    ptrdiff_t permanentUsed, freeBytes;
    // what the run computed
    int32_t fib, hash, initRuns, result;
    std::string trace;
    bool operator==(const Snapshot& o) const {
        return hashState == o.hashState && alive == o.alive && tempRoots == o.tempRoots &&
               globalRoots == o.globalRoots && suppressed == o.suppressed && exitCode == o.exitCode &&
               noCatchFrameLeft == o.noCatchFrameLeft && noException == o.noException && noNative == o.noNative &&
               hooksSet == o.hooksSet && permanentUsed == o.permanentUsed && freeBytes == o.freeBytes && fib == o.fib &&
               hash == o.hash && initRuns == o.initRuns && result == o.result && trace == o.trace;
    }
};

Snapshot runOnce() {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("fib", "I", ACC_STATIC).field("hash", "I", ACC_STATIC).field("runs", "I", ACC_STATIC);
    t.nativeMethod("hash", "()I", ACC_STATIC, hashOfNewObject);
    t.method("<clinit>", "()V", ACC_STATIC)
        .code.getstatic("T", "runs", "I")
        .iconst(1)
        .op(OP_IADD)
        .putstatic("T", "runs", "I")
        .op(OP_RETURN);
    t.method("fib", "(I)I", ACC_STATIC)
        .code.iload(0)
        .iconst(2)
        .branch(OP_IF_ICMPGE, "r")
        .iload(0)
        .op(OP_IRETURN)
        .label("r")
        .iload(0)
        .iconst(1)
        .op(OP_ISUB)
        .invokestatic("T", "fib", "(I)I")
        .iload(0)
        .iconst(2)
        .op(OP_ISUB)
        .invokestatic("T", "fib", "(I)I")
        .op(OP_IADD)
        .op(OP_IRETURN);
    t.method("main", "([Ljava/lang/String;)V", ACC_PUBLIC | ACC_STATIC)
        .code.iconst(15)
        .invokestatic("T", "fib", "(I)I")
        .putstatic("T", "fib", "I")
        .invokestatic("T", "hash", "()I")
        .putstatic("T", "hash", "I")
        .iconst(1)
        .iconst(0)
        .op(OP_IDIV)
        .op(OP_RETURN);  // ends uncaught: exit 127
    Snapshot s{};
    vm.beforeStart = [&] {
        s.hashState = IdentityHashState;
        s.alive = AliveThreadCount;
        s.tempRoots = TemporaryRootsLength;
        s.globalRoots = GlobalRootsLength;
        s.suppressed = CollectionSuppressed;
        s.noCatchFrameLeft = CurrentCatchFrame != nullptr && CurrentCatchFrame->previous == nullptr;
        s.noException = ExceptionBeingCreated == nullptr && ExceptionMessage == nullptr;
        s.noNative = CurrentNativeMethod == nullptr;
        s.hooksSet = TraceHooks[1] == printUncaughtException;
        s.permanentUsed = (char*)HeapTop - (char*)PermanentPointer;
        s.freeBytes = memoryFree();
    };
    vm.afterRun = [&] {
        s.fib = *vm.staticAddress("T", "fib");
        s.hash = *vm.staticAddress("T", "hash");
        s.initRuns = *vm.staticAddress("T", "runs");
    };
    RunResult r = vm.run("T");
    s.exitCode = r.exitCode;
    // the heap block's address differs from run to run
    size_t heapLine = r.trace.find("VM heap 0x");
    s.trace = heapLine == std::string::npos ? r.trace : r.trace.substr(r.trace.find('\n', heapLine) + 1);
    return s;
}

TEST(Runs, TwoRunsInOneProcessGiveIdenticalResults) {
    Snapshot first = runOnce();
    // a run that leaves VM variables changed behind
    IdentityHashState = 12345;
    CollectionSuppressed = 1;
    Snapshot second = runOnce();
    EXPECT_EQ(first.exitCode, 127) << first.trace;
    EXPECT_EQ(first.fib, 610);
    EXPECT_EQ(first.initRuns, 1);
    EXPECT_EQ(first.hashState, 0xCAFEBABEu);
    EXPECT_NE(first.trace.find("Uncaught exception java/lang/ArithmeticException.\n"), std::string::npos)
        << first.trace;
    EXPECT_TRUE(first == second) << "first trace:\n" << first.trace << "\nsecond trace:\n" << second.trace;
}

}  // namespace
