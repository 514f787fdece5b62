// The native interface: what a native sees, protected calls and field lookup by name.
#include <gtest/gtest.h>

#include "support/hookscope.h"
#include "support/vmasm.h"
#include "vm/core/gc.h"
#include "vm/core/hooks.h"

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
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .code.iconst(40)
        .iconst(2)
        .invokestatic("T", "add", "(II)I")
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
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
void nativeGetMissingClass() {
    pushInt(tryGetClass("no/such/Class") == nullptr && CurrentCatchFrame != nullptr ? 1 : 0);
}
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

// The class loader, standing in for the protected calls' test: no class is found.
void findNoClass(ClassRecord* clazz, int) {
    char name[MESSAGE_BUFFER_SIZE];
    raiseExceptionWithMessage(NoClassDefFoundError, getClassNameBuffer(clazz, name, sizeof name));
}

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
        main.code.label("try")
            .invokestatic("T", "probe", "()I")
            .label("end")
            .putstatic("T", "r", "I")
            .op(OP_RETURN)
            .label("h")
            .op(OP_POP)
            .iconst(-7)
            .putstatic("T", "r", "I")
            .op(OP_RETURN);
        main.handler("try", "end", "h", "java/lang/RuntimeException");
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
        HookScope<void (*)(ClassRecord*, int)> loader(CoreHooks.loadClassfile, findNoClass);
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

// Natives of "static native int probe(String)": each pins, allocates or reads fields
// the way the library natives do and pushes what it saw.
// The literal lives in permanent space, where pins change nothing: take a heap copy.
StringInstance* heapString() {
    popInt();
    return tryInstantiateString("pinned", 6);
}
void nativePinSurvivesCompaction() {
    StringInstance* s = heapString();
    StringInstance* pinned = lockStringChars(s);
    if (pinned == nullptr) throwPendingException();
    uint16_t* chars = getStringCharsPointer(pinned);
    int32_t saved = CollectOnEveryAllocation;
    CollectOnEveryAllocation = 2;
    for (int i = 0; i < 4; i++) tryNewByteArray(nullptr, 100);
    CollectOnEveryAllocation = saved;
    bool same = getStringCharsPointer(pinned) == chars && chars[0] == 'p' && chars[getStringLength(pinned) - 1] == 'd';
    unlockStringChars(pinned);
    pushInt(same && headerPins(*headerOf(s)) == 0 && headerPins(*headerOf(s->value)) == 0 ? 1 : 0);
}
void nativePinNull() {
    popInt();
    if (lockStringChars(nullptr) == nullptr) throwPendingException();
    pushInt(99);
}
void nativePinCountFull() {
    StringInstance* s = heapString();
    for (int i = 0; i < PIN_COUNT_MAX; i++) lockObjectMemory(s->value);
    StringInstance* pinned = lockStringChars(s);
    // a failed pin leaves nothing pinned behind
    bool stringFree = headerPins(*headerOf(s)) == 0;
    for (int i = 0; i < PIN_COUNT_MAX; i++) unlockObjectMemory(s->value);
    if (pinned == nullptr && stringFree) throwPendingException();
    pushInt(99);
}
void nativeSlotForms() {
    OBJECT s = (OBJECT)(uintptr_t)popInt();
    cell value = getFieldSlot(s, 0);
    bool same = value == getFieldSlot(0, s) && (OBJECT)(uintptr_t)value == getObjectFieldByIndex(0, s) &&
                getIntFieldByIndex(2, s) == getIntFieldByIndex(s, 2) &&
                (ArrayObject*)(uintptr_t)value == ((StringInstance*)s)->value;
    ArrayObject* a = tryNewIntArray(3);
    pushInt(same && a != nullptr && a->length == 3 && a->u.cdata[2] == 0 ? 1 : 0);
}

TEST(Native, PinnedStringsAndPendingExceptions) {
    struct Case {
        const char* name;
        NativeFunction native;
        int32_t expected;    // the int the native left, or -7 when main's handler caught the exception
        const char* caught;  // the exception class main's handler saw
    };
    const Case cases[] = {
        {"a pinned string keeps its place across compactions", nativePinSurvivesCompaction, 1, ""},
        {"pinning null leaves a NullPointerException pending", nativePinNull, -7, "java/lang/NullPointerException"},
        {"a full pin count leaves an OutOfMemoryError pending", nativePinCountFull, -7, "java/lang/OutOfMemoryError"},
        {"getFieldSlot gives the value; slot-first forms agree", nativeSlotForms, 1, ""},
    };
    for (const Case& k : cases) {
        Vm vm;
        vm.heapBytes = 64 * 1024;
        ClassSpec& t = vm.cls("T");
        t.field("r", "I", ACC_STATIC).field("e", "Ljava/lang/Object;", ACC_STATIC);
        t.nativeMethod("probe", "(Ljava/lang/String;)I", ACC_STATIC, k.native);
        MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
        main.code.label("try")
            .ldcString("pinned")
            .invokestatic("T", "probe", "(Ljava/lang/String;)I")
            .label("end")
            .putstatic("T", "r", "I")
            .op(OP_RETURN)
            .label("h")
            .putstatic("T", "e", "Ljava/lang/Object;")
            .iconst(-7)
            .putstatic("T", "r", "I")
            .op(OP_RETURN);
        main.handler("try", "end", "h", "");
        int32_t r = 0;
        std::string caught;
        vm.afterRun = [&] {
            r = *vm.staticAddress("T", "r");
            OBJECT e = (OBJECT)(uintptr_t)*vm.staticAddress("T", "e");
            if (e != nullptr) {
                char name[128];
                getClassNameBuffer(e->clazz, name, sizeof name);
                caught = name;
            }
        };
        RunResult result = vm.run("T");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, k.expected) << k.name;
        EXPECT_EQ(caught, k.caught) << k.name;
    }
}

}  // namespace
