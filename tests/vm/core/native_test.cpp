// The native interface: what a native sees, protected calls and field lookup by name.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

struct Seen {
    int32_t lastArgument = 0;
    int ipBehindInvoke = -1;
    int32_t sum = 0;
} seen;

// static native int add(int a, int b): sp is at b, ip already behind the invoke (which
// the first call has already rewritten to its quick form)
void nativeAdd() {
    seen.lastArgument = *Regs.sp;
    seen.ipBehindInvoke = Regs.ip[-3] == OP_INVOKESTATIC_QUICK;
    int32_t b = popInt();
    int32_t a = popInt();
    pushInt(a + b);
}

TEST(Native, SeesItsArgumentsAndLeavesItsResult) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("add", "(II)I", ACC_STATIC, nativeAdd);
    t.method("main", MAIN_SIG, MAIN_FLAGS).code.iconst(40).iconst(2).invokestatic("T", "add", "(II)I").putstatic("T", "r", "I").op(OP_RETURN);
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
    seen = Seen();
    RunResult result = vm.run("T");
    EXPECT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 42);
    EXPECT_EQ(seen.lastArgument, 2);
    EXPECT_EQ(seen.ipBehindInvoke, 1);
}

// Each protected-call native pushes a result word of what it saw.
void nativeGetMissingClass() { pushInt(tryGetClass("no/such/Class") == nullptr && CurrentCatchFrame != nullptr ? 1 : 0); }
void nativeNegativeByteArray() {
    if (tryNewByteArray(nullptr, -1) == nullptr) return;  // the exception is already in the Java thread
    pushInt(99);
}
void nativeZeroedIntArray() {
    ArrayObject* a = tryNewIntArray(nullptr, 4);
    int32_t sum = 0;
    for (int i = 0; i < 4; i++) sum |= a->u.cdata[i];
    pushInt(a->length == 4 && sum == 0 ? 1 : 0);
}
void nativeCopiedIntArray() {
    const int32_t source[3] = {5, 6, 7};
    ArrayObject* a = tryNewIntArray(source, 3);
    pushInt(a->u.cdata[0] + a->u.cdata[1] + a->u.cdata[2]);
}
void nativeRaise() { tryRaiseExceptionWithMessage(ArithmeticException, "raised"); }

TEST(Native, ProtectedCalls) {
    struct Case {
        const char* name;
        NativeFunction native;
        int32_t expected;  // the int the native left, or -7 when main's handler caught the exception
    };
    const Case cases[] = {
        {"tryGetClass of a missing class", nativeGetMissingClass, 1},
        {"tryNewByteArray with a negative length", nativeNegativeByteArray, -7},
        {"tryNewIntArray without source", nativeZeroedIntArray, 1},
        {"tryNewIntArray copies its source", nativeCopiedIntArray, 18},
        {"tryRaiseExceptionWithMessage", nativeRaise, -7},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("T");
        t.field("r", "I", ACC_STATIC);
        t.nativeMethod("probe", "()I", ACC_STATIC, k.native);
        MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
        main.code.label("try").invokestatic("T", "probe", "()I").label("end").putstatic("T", "r", "I").op(OP_RETURN)
            .label("h").op(OP_POP).iconst(-7).putstatic("T", "r", "I").op(OP_RETURN);
        main.handler("try", "end", "h", "java/lang/RuntimeException");
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
        RunResult result = vm.run("T");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, k.expected) << k.name;
    }
}

TEST(Native, FieldsByName) {
    Vm vm;
    ClassSpec& base = vm.cls("Base");
    base.field("a", "I").field("wide", "J");
    ClassSpec& sub = vm.cls("Sub", "Base");
    sub.field("b", "Ljava/lang/Object;").field("s", "I", ACC_STATIC, 77);
    int indexA = -1, indexB = -1;
    int32_t staticValue = 0, setValue = 0;
    RunResult r = vm.inside([&] {
        ClassRecord* c = getClass("Sub");
        indexA = getFieldIndex("a", "I", c);
        indexB = getFieldIndex("b", "Ljava/lang/Object;", c);
        staticValue = getStaticIntFieldByName("Sub", "s", "I");
        OBJECT o = instantiate(c);
        setIntFieldByName(o, "a", "I", 123);
        setValue = getIntFieldByIndex(o, indexA);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(indexA, 0);
    EXPECT_EQ(indexB, 3);  // behind the two slots of the long
    EXPECT_EQ(staticValue, 77);
    EXPECT_EQ(setValue, 123);

    Vm missing;
    missing.cls("Sub");
    RunResult m = missing.inside([&] { getFieldIndex("nope", "I", getClass("Sub")); });
    EXPECT_EQ(m.exitCode, 127);
    EXPECT_NE(m.trace.find("ALERT: Could not get field. name nope type I\n"), std::string::npos) << m.trace;
}

}  // namespace
