// Raising, catching and unwinding Java exceptions, uncaught exceptions and fatal errors.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

// What a probe native saw of the calling frame's operand stack.
struct StackProbe {
    int depth = -1;
    std::string topClass;
};
StackProbe probe;

void probeStack() {
    probe.depth = (int)(Regs.sp - (cell*)&Regs.fp->syncObject);
    OBJECT top = (OBJECT)(uintptr_t)*Regs.sp;
    char name[256] = "";
    if (probe.depth > 0 && top != nullptr) getClassNameBuffer(top->clazz, name, sizeof name);
    probe.topClass = name;
}

void raiseArithmetic() { raiseExceptionWithMessage(ArithmeticException, "from native"); }
void raiseLinkageError() { raiseExceptionWithMessage(IncompatibleClassChangeError, "bad change"); }

TEST(Exceptions, DivisionByZeroInHandlerRangeLeavesOnlyTheException) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.nativeMethod("probe", "()V", ACC_STATIC, probeStack);
    MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
    main.code.iconst(7)
        .iconst(9)
        .label("try")
        .iconst(1)
        .iconst(0)
        .op(OP_IDIV)
        .label("end")
        .op(OP_RETURN)
        .label("handler")
        .invokestatic("T", "probe", "()V")
        .op(OP_POP)
        .op(OP_RETURN);
    main.handler("try", "end", "handler", "java/lang/ArithmeticException");
    probe = StackProbe();
    RunResult r = vm.run("T");
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(probe.depth, 1);
    EXPECT_EQ(probe.topClass, "java/lang/ArithmeticException");
}

TEST(Exceptions, UncaughtExceptionPrintsLineAndEndsRunWith127) {
    struct Case {
        const char* name;
        std::function<void(Code&)> emit;
        const char* line;
    };
    const Case cases[] = {
        {"division by zero, no handler", [](Code& c) { c.iconst(1).iconst(0).op(OP_IDIV).op(OP_POP); },
         "Uncaught exception java/lang/ArithmeticException.\n"},
        {"thrown with a message",
         [](Code& c) {
             c.newObject("java/lang/RuntimeException")
                 .op(OP_DUP)
                 .ldcString("went wrong")
                 .putfield("java/lang/Throwable", "detailMessage", "Ljava/lang/String;")
                 .op(OP_ATHROW);
         },
         "Uncaught exception java/lang/RuntimeException: went wrong.\n"},
        {"athrow of null", [](Code& c) { c.op(OP_ACONST_NULL).op(OP_ATHROW); },
         "Uncaught exception java/lang/NullPointerException.\n"},
        {"handler of another class is passed over",
         [](Code& c) { c.label("try").iconst(1).iconst(0).op(OP_IDIV).op(OP_POP).label("end"); },
         "Uncaught exception java/lang/ArithmeticException.\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        MethodSpec& main = vm.cls("T").method("main", MAIN_SIG, MAIN_FLAGS);
        k.emit(main.code);
        main.code.op(OP_RETURN);
        if (std::string(k.name).find("passed over") != std::string::npos) {
            main.code.label("handler").op(OP_POP).op(OP_RETURN);
            main.handler("try", "end", "handler", "java/lang/NullPointerException");
        }
        RunResult r = vm.run("T");
        EXPECT_EQ(r.exitCode, 127) << k.name;
        EXPECT_NE(r.trace.find(k.line), std::string::npos) << k.name << ": trace was\n" << r.trace;
    }
}

TEST(Exceptions, CaughtAcrossFramesByTypeAndAtTheInvokeOfANative) {
    // callee throws; the caller's handler for a superclass catches; a native's exception
    // is looked up at the pc of its invoke instruction
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("fail", "()V", ACC_STATIC, raiseArithmetic);
    t.method("thrower", "(I)I", ACC_STATIC).code.iload(0).iconst(0).op(OP_IDIV).op(OP_IRETURN);
    MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2);
    main.code.label("t1")
        .iconst(5)
        .invokestatic("T", "thrower", "(I)I")
        .op(OP_POP)
        .label("e1")
        .label("h1")
        .op(OP_POP)
        .iconst(1)
        .istore(1)
        .label("t2")
        .invokestatic("T", "fail", "()V")
        .label("e2")
        .op(OP_RETURN)
        .label("h2")
        .op(OP_POP)
        .iload(1)
        .iconst(10)
        .op(OP_IADD)
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
    main.handler("t1", "e1", "h1", "java/lang/RuntimeException");
    main.handler("t2", "e2", "h2", "java/lang/ArithmeticException");
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
    RunResult result = vm.run("T");
    EXPECT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 11);
}

TEST(Exceptions, SynchronizedFrameReleasesItsMonitorWhenUnwound) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.field("lockWord", "I", ACC_STATIC);
    t.method("locked", "()V", ACC_STATIC | ACC_SYNCHRONIZED)
        .code.iconst(1)
        .iconst(0)
        .op(OP_IDIV)
        .op(OP_POP)
        .op(OP_RETURN);
    MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
    main.code.label("try")
        .invokestatic("T", "locked", "()V")
        .label("end")
        .op(OP_RETURN)
        .label("h")
        .op(OP_POP)
        .op(OP_RETURN);
    main.handler("try", "end", "h");
    uint32_t lockWord = 1;
    vm.afterRun = [&] { lockWord = vm.classRecord("T")->monitor; };
    RunResult r = vm.run("T");
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(lockWord, 0u);
}

TEST(Exceptions, FatalErrorsPrintTheirAlertAndExitWith127) {
    struct Case {
        const char* name;
        NativeFunction native;  // null: a native method record without a function
        const char* alert;
    };
    const Case cases[] = {
        {"linkage error raised by a native", raiseLinkageError,
         "ALERT: java/lang/IncompatibleClassChangeError: bad change.\n"},
        {"native method without function", nullptr, "ALERT: Native method 'pkg/NoNative::missing' not found\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("pkg/NoNative");
        t.nativeMethod("missing", "(I)V", ACC_STATIC, k.native);
        MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
        // a handler for everything must not see a fatal error
        main.code.label("try")
            .iconst(3)
            .invokestatic("pkg/NoNative", "missing", "(I)V")
            .label("end")
            .op(OP_RETURN)
            .label("h")
            .op(OP_POP)
            .op(OP_RETURN);
        main.handler("try", "end", "h");
        RunResult r = vm.run("pkg/NoNative");
        EXPECT_EQ(r.exitCode, 127) << k.name;
        EXPECT_NE(r.trace.find(k.alert), std::string::npos) << k.name << ": trace was\n" << r.trace;
    }
}

}  // namespace

namespace {

TEST(Exceptions, NoSuchMemberErrorsNameTheMember) {
    struct Case {
        const char* name;
        bool field;
        const char* alert;
    };
    const Case cases[] = {
        {"field", true, "ALERT: java/lang/NoSuchFieldError: No such field missing.[J.\n"},
        {"method", false, "ALERT: java/lang/NoSuchMethodError: No such method missing.(ILjava/lang/String;)V.\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("T");
        t.resolvedPool = false;
        MethodSpec& m = t.method("m", "()V", ACC_STATIC);
        if (k.field)
            m.code.getstatic("T", "missing", "[J");
        else
            m.code.invokestatic("T", "missing", "(ILjava/lang/String;)V");
        m.code.op(OP_RETURN);
        RunResult r = vm.inside([&] {
            ClassRecord* c = getClass("T");
            raiseNoSuchMemberError(c->constPool, 1);  // its class and name-and-type entries follow it
        });
        EXPECT_EQ(r.exitCode, 127) << k.name;
        EXPECT_NE(r.trace.find(k.alert), std::string::npos) << k.name << "\n" << r.trace;
    }
}

}  // namespace
