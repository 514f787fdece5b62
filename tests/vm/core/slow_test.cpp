// The slow interpreter over constant pools left unresolved, as the class loader leaves
// them: rewriting into quick forms, class initialisation before static access, the
// Java exceptions of object creation and type tests, and the linkage failures that
// end the run.
#include <gtest/gtest.h>

#include <functional>

#include "methodcode.h"
#include "support/vmasm.h"
#include "vm/core/gc.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

using coretest::codeOf;

TEST(SlowInterpreter, FirstGetfieldIsRewrittenWithItsSlotAndThenRunsQuick) {
    Vm vm;
    ClassSpec& p = vm.cls("P");
    p.resolvedPool = false;
    p.field("a", "I").field("b", "J").field("c", "I").field("r", "I", ACC_STATIC);
    p.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    Code& c = p.method("main", MAIN_SIG, MAIN_FLAGS).locals(3).code;
    c.newObject("P").op(OP_DUP).invokespecial("P", "<init>", "()V").astore(1);
    c.aload(1).bipush(21).putfield("P", "c", "I").iconst(0).istore(2);
    c.label("loop")
        .aload(1)
        .label("site")
        .getfield("P", "c", "I")
        .getstatic("P", "r", "I")
        .op(OP_IADD)
        .putstatic("P", "r", "I");
    c.iinc(2, 1).iload(2).iconst(2).branch(OP_IF_ICMPLT, "loop").op(OP_RETURN);
    int site = c.labelAt("site");
    std::vector<uint8_t> code;
    int32_t r = 0;
    vm.afterRun = [&] {
        code = codeOf(vm.classRecord("P"), "main");
        r = *vm.staticAddress("P", "r");
    };
    RunResult result = vm.run("P");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 42);
    // slot 3: a, then b's two words
    ASSERT_GT(code.size(), (size_t)site + 2);
    EXPECT_EQ(code[site], OP_GETFIELD_QUICK);
    EXPECT_EQ(code[site + 1], 0);
    EXPECT_EQ(code[site + 2], 3);
}

TEST(SlowInterpreter, StaticAccessRunsTheInitializerFirstAndOnce) {
    Vm vm;
    ClassSpec& s = vm.cls("S");
    s.resolvedPool = false;
    s.field("x", "I", ACC_STATIC).field("runs", "I", ACC_STATIC);
    s.method("<clinit>", "()V", ACC_STATIC)
        .code.bipush(7)
        .putstatic("S", "x", "I")
        .getstatic("S", "runs", "I")
        .iconst(1)
        .op(OP_IADD)
        .putstatic("S", "runs", "I")
        .op(OP_RETURN);
    s.method("twice", "(I)I", ACC_STATIC).code.iload(0).iload(0).op(OP_IADD).op(OP_IRETURN);
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.field("r", "I", ACC_STATIC);
    // r = S.x + S.x + S.twice(S.x)
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .code.getstatic("S", "x", "I")
        .getstatic("S", "x", "I")
        .op(OP_IADD)
        .getstatic("S", "x", "I")
        .invokestatic("S", "twice", "(I)I")
        .op(OP_IADD)
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
    int32_t r = 0, runs = 0;
    vm.afterRun = [&] {
        r = *vm.staticAddress("T", "r");
        runs = *vm.staticAddress("S", "runs");
    };
    RunResult result = vm.run("T");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 28);
    EXPECT_EQ(runs, 1);
}

TEST(SlowInterpreter, InvokestaticAndNewInitialiseTheirClassFirst) {
    struct Case {
        const char* name;
        std::function<void(Code&)> use;  // leaves an int
    };
    const std::vector<Case> cases = {
        {"invokestatic", [](Code& c) { c.invokestatic("S", "get", "()I"); }},
        {"new",
         [](Code& c) {
             c.newObject("S").op(OP_DUP).invokespecial("S", "<init>", "()V").invokevirtual("S", "value", "()I");
         }},
        {"putstatic", [](Code& c) { c.iconst(1).putstatic("S", "y", "I").getstatic("S", "x", "I"); }},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& s = vm.cls("S");
        s.resolvedPool = false;
        s.field("x", "I", ACC_STATIC).field("y", "I", ACC_STATIC);
        s.method("<clinit>", "()V", ACC_STATIC).code.bipush(9).putstatic("S", "x", "I").op(OP_RETURN);
        s.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
        s.method("get", "()I", ACC_STATIC).code.getstatic("S", "x", "I").op(OP_IRETURN);
        s.method("value", "()I").code.getstatic("S", "x", "I").op(OP_IRETURN);
        ClassSpec& t = vm.cls("T");
        t.resolvedPool = false;
        t.field("r", "I", ACC_STATIC);
        Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).code;
        k.use(c);
        c.putstatic("T", "r", "I").op(OP_RETURN);
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
        RunResult result = vm.run("T");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, 9) << k.name;
    }
}

TEST(SlowInterpreter, ExceptionsOfCreationAndTypeTestsAreCatchable) {
    struct Case {
        const char* name;
        std::function<void(Code&)> fault;
        const char* exception;
    };
    const std::vector<Case> cases = {
        {"checkcast of an Object to String",
         [](Code& c) {
             c.newObject("java/lang/Object")
                 .op(OP_DUP)
                 .invokespecial("java/lang/Object", "<init>", "()V")
                 .checkcast("java/lang/String");
         },
         "java/lang/ClassCastException"},
        {"aastore of an Object into a String[]",
         [](Code& c) {
             c.iconst(1).anewarray("java/lang/String").iconst(0).newObject("java/lang/Object").op(OP_DUP);
             c.invokespecial("java/lang/Object", "<init>", "()V").op(OP_AASTORE);
         },
         "java/lang/ArrayStoreException"},
        {"newarray of -1", [](Code& c) { c.iconst(-1).newarray(T_INT); }, "java/lang/NegativeArraySizeException"},
        {"anewarray of -1", [](Code& c) { c.iconst(-1).anewarray("java/lang/String"); },
         "java/lang/NegativeArraySizeException"},
        {"multianewarray with a negative inner count", [](Code& c) { c.iconst(2).iconst(-3).multianewarray("[[I", 2); },
         "java/lang/NegativeArraySizeException"},
        {"getfield of null", [](Code& c) { c.op(OP_ACONST_NULL).getfield("T", "f", "I"); },
         "java/lang/NullPointerException"},
        {"putfield of null", [](Code& c) { c.op(OP_ACONST_NULL).iconst(1).putfield("T", "f", "I"); },
         "java/lang/NullPointerException"},
        {"invokevirtual on null", [](Code& c) { c.op(OP_ACONST_NULL).invokevirtual("T", "m", "()V"); },
         "java/lang/NullPointerException"},
        {"invokespecial on null", [](Code& c) { c.op(OP_ACONST_NULL).invokespecial("T", "m", "()V"); },
         "java/lang/NullPointerException"},
        {"invokeinterface on null", [](Code& c) { c.op(OP_ACONST_NULL).invokeinterface("Face", "m", "()V", 1); },
         "java/lang/NullPointerException"},
    };
    for (const Case& k : cases) {
        for (bool secondPass : {false, true}) {
            Vm vm;
            vm.cls("Face", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT)
                .method("m", "()V", ACC_PUBLIC | ACC_ABSTRACT);
            ClassSpec& t = vm.cls("T");
            t.resolvedPool = false;
            t.field("r", "I", ACC_STATIC).field("f", "I");
            t.method("m", "()V").code.op(OP_RETURN);
            // run() faults once and returns 1 from its handler; main calls it twice so
            // that the second fault meets the quick form
            MethodSpec& run = t.method("run", "()I", ACC_STATIC).locals(1);
            run.code.label("start");
            k.fault(run.code);
            run.code.label("end").iconst(0).op(OP_IRETURN).label("caught").op(OP_POP).iconst(1).op(OP_IRETURN);
            run.handler("start", "end", "caught", k.exception);
            Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).code;
            c.invokestatic("T", "run", "()I");
            if (secondPass) c.invokestatic("T", "run", "()I").op(OP_IADD);
            c.putstatic("T", "r", "I").op(OP_RETURN);
            int32_t r = 0;
            vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
            RunResult result = vm.run("T");
            std::string name = std::string(k.name) + (secondPass ? " twice" : "");
            EXPECT_EQ(result.exitCode, 0) << name << "\n" << result.trace;
            EXPECT_EQ(r, secondPass ? 2 : 1) << name;
        }
    }
}

TEST(SlowInterpreter, MultianewarrayStopsAtAZeroCount) {
    Vm vm;
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.field("r", "I", ACC_STATIC);
    // a = new int[3][0][5]; r = a.length * 100 + (non-null elements) * 10 + (their lengths)
    Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(4).code;
    c.iconst(3).iconst(0).iconst(5).multianewarray("[[[I", 3).astore(1);
    c.aload(1).op(OP_ARRAYLENGTH).bipush(100).op(OP_IMUL).istore(3).iconst(0).istore(2);
    c.label("loop").aload(1).iload(2).op(OP_AALOAD).branch(OP_IFNULL, "next");
    c.iload(3).bipush(10).op(OP_IADD).aload(1).iload(2).op(OP_AALOAD).op(OP_ARRAYLENGTH).op(OP_IADD).istore(3);
    c.label("next").iinc(2, 1).iload(2).iconst(3).branch(OP_IF_ICMPLT, "loop");
    c.iload(3).putstatic("T", "r", "I").op(OP_RETURN);
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
    RunResult result = vm.run("T");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 330);
}

// Classes for the linkage cases: F with a final static, an instance field, a private
// method and a static method; A abstract; a/P with protected members; b/Q unrelated.
void addLinkageClasses(Vm& vm) {
    ClassSpec& f = vm.cls("F");
    f.field("k", "I", ACC_PUBLIC | ACC_STATIC | ACC_FINAL)
        .field("inst", "I", ACC_PUBLIC)
        .field("fin", "I", ACC_PUBLIC | ACC_FINAL);
    f.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    f.method("secret", "()V", ACC_PRIVATE).code.op(OP_RETURN);
    f.method("st", "()V", ACC_PUBLIC | ACC_STATIC).code.op(OP_RETURN);
    f.method("inst", "()V").code.op(OP_RETURN);
    ClassSpec& g = vm.cls("G", "F");
    g.method("<init>", "()V").code.aload(0).invokespecial("F", "<init>", "()V").op(OP_RETURN);
    vm.cls("A", "java/lang/Object", ACC_PUBLIC | ACC_ABSTRACT);
    ClassSpec& p = vm.cls("a/P");
    p.field("prot", "I", ACC_PROTECTED);
    p.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    p.method("hidden", "()V", ACC_PROTECTED | ACC_STATIC).code.op(OP_RETURN);
    vm.cls("Face", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT)
        .method("m", "()V", ACC_PUBLIC | ACC_ABSTRACT);
}

TEST(SlowInterpreter, LinkageFailuresEndTheRunWithTheirAlert) {
    struct Case {
        const char* name;
        const char* caller;  // the class whose main runs the code
        const char* callerSuper;
        std::function<void(Code&)> code;
        const char* alert;
    };
    const std::vector<Case> cases = {
        {"final static written from another class", "T", "java/lang/Object",
         [](Code& c) { c.iconst(1).putstatic("F", "k", "I"); },
         "ALERT: java/lang/IllegalAccessError: Cannot modify final field F.k from class T.\n"},
        {"final field written from a subclass", "H", "F",
         [](Code& c) {
             c.newObject("G").op(OP_DUP).invokespecial("G", "<init>", "()V").iconst(1).putfield("F", "fin", "I");
         },
         "ALERT: java/lang/IllegalAccessError: Cannot modify final field F.fin from class H.\n"},
        {"getstatic of an instance field", "T", "java/lang/Object", [](Code& c) { c.getstatic("F", "inst", "I"); },
         "ALERT: java/lang/IncompatibleClassChangeError: Incompatible class change: F.inst.\n"},
        {"getfield of a static field", "T", "java/lang/Object",
         [](Code& c) { c.op(OP_ACONST_NULL).getfield("F", "k", "I"); },
         "ALERT: java/lang/IncompatibleClassChangeError: Incompatible class change: F.k.\n"},
        {"invokestatic of an instance method", "T", "java/lang/Object",
         [](Code& c) { c.invokestatic("F", "inst", "()V"); },
         "ALERT: java/lang/IncompatibleClassChangeError: Incompatible class change: F.inst()V.\n"},
        {"invokevirtual of a static method", "T", "java/lang/Object",
         [](Code& c) { c.op(OP_ACONST_NULL).invokevirtual("F", "st", "()V"); },
         "ALERT: java/lang/IncompatibleClassChangeError: Incompatible class change: F.st()V.\n"},
        {"no such method", "T", "java/lang/Object", [](Code& c) { c.invokestatic("F", "gone", "(I)V"); },
         "ALERT: java/lang/NoSuchMethodError: No such method gone.(I)V.\n"},
        // the entry is resolved by then: the message comes from the resolved method
        {"invokeinterface on a receiver without the method", "T", "java/lang/Object",
         [](Code& c) {
             c.newObject("F").op(OP_DUP).invokespecial("F", "<init>", "()V").invokeinterface("Face", "m", "()V", 1);
         },
         "ALERT: java/lang/NoSuchMethodError: No such method m.()V.\n"},
        {"no such field", "T", "java/lang/Object", [](Code& c) { c.getstatic("F", "gone", "J"); },
         "ALERT: java/lang/NoSuchFieldError: No such field gone.J.\n"},
        {"constructor only a superclass declares", "T", "java/lang/Object",
         [](Code& c) { c.newObject("A2").op(OP_DUP).invokespecial("A2", "<init>", "()V"); },
         "ALERT: java/lang/NoSuchMethodError: No such method <init>.()V.\n"},
        {"new of an abstract class", "T", "java/lang/Object", [](Code& c) { c.newObject("A"); },
         "ALERT: java/lang/InstantiationError: Cannot instantiate bad class.\n"},
        {"new of an interface", "T", "java/lang/Object", [](Code& c) { c.newObject("Face"); },
         "ALERT: java/lang/InstantiationError: Cannot instantiate bad class.\n"},
        // the lookup passes over another class's private methods
        {"private method of another class", "T", "java/lang/Object",
         [](Code& c) {
             c.newObject("F").op(OP_DUP).invokespecial("F", "<init>", "()V").invokespecial("F", "secret", "()V");
         },
         "ALERT: java/lang/NoSuchMethodError: No such method secret.()V.\n"},
        {"protected field from another package, not a subclass", "b/Q", "java/lang/Object",
         [](Code& c) {
             c.newObject("a/P").op(OP_DUP).invokespecial("a/P", "<init>", "()V").getfield("a/P", "prot", "I");
         },
         "ALERT: java/lang/IllegalAccessError: Cannot access a/P.prot from class b/Q.\n"},
        {"protected static method from another package, not a subclass", "b/Q", "java/lang/Object",
         [](Code& c) { c.invokestatic("a/P", "hidden", "()V"); },
         "ALERT: java/lang/IllegalAccessError: Cannot access a/P.hidden from class b/Q.\n"},
        {"interface method entry on a class", "T", "java/lang/Object",
         [](Code& c) { c.op(OP_ACONST_NULL).invokeinterface("F", "inst", "()V", 1); },
         "ALERT: java/lang/IncompatibleClassChangeError: Bad field or method reference.\n"},
        {"method entry on an interface", "T", "java/lang/Object",
         [](Code& c) { c.op(OP_ACONST_NULL).invokevirtual("Face", "m", "()V"); },
         "ALERT: java/lang/IncompatibleClassChangeError: Bad field or method reference.\n"},
        // java/lang/Object has no public clone here, so an array's clone does not link
        {"clone of an int array", "T", "java/lang/Object",
         [](Code& c) { c.iconst(2).newarray(T_INT).invokevirtual("[I", "clone", "()Ljava/lang/Object;"); },
         "ALERT: java/lang/NoSuchMethodError: No such method clone.()Ljava/lang/Object;.\n"},
        {"opcode 186", "T", "java/lang/Object", [](Code& c) { c.op(186); }, "ALERT: Illegal bytecode 186\n"},
        {"opcode 213", "T", "java/lang/Object", [](Code& c) { c.op(213); }, "ALERT: Illegal bytecode 213\n"},
        {"wide + ret", "T", "java/lang/Object", [](Code& c) { c.op(OP_WIDE).op(OP_RET).u2(1); },
         "ALERT: java/lang/VerifyError: Illegal WIDE bytecode extension.\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        addLinkageClasses(vm);
        vm.cls("A2", "A", ACC_PUBLIC);
        ClassSpec& t = vm.cls(k.caller, k.callerSuper);
        t.resolvedPool = false;
        Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2).code;
        k.code(c);
        c.op(OP_RETURN);
        RunResult result = vm.run(k.caller);
        EXPECT_EQ(result.exitCode, 127) << k.name << "\n" << result.trace;
        EXPECT_NE(result.trace.find(k.alert), std::string::npos) << k.name << "\n" << result.trace;
    }
}

// a/A.m and b/B.m are package-private: B.m does not override A.m. a/C.m does.
TEST(SlowInterpreter, PackagePrivateMethodsAreNotOverriddenAcrossPackages) {
    struct Case {
        const char* name;
        const char* receiver;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"a/A itself", "a/A", 1},
        {"b/B in another package keeps a/A's method", "b/B", 1},
        {"a/C in the same package overrides", "a/C", 3},
        {"b/D below a/C takes a/C's method", "b/D", 3},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& a = vm.cls("a/A");
        a.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
        a.method("m", "()I", 0).code.iconst(1).op(OP_IRETURN);
        ClassSpec& b = vm.cls("b/B", "a/A");
        b.method("<init>", "()V").code.aload(0).invokespecial("a/A", "<init>", "()V").op(OP_RETURN);
        b.method("m", "()I", 0).code.iconst(2).op(OP_IRETURN);
        ClassSpec& cc = vm.cls("a/C", "a/A");
        cc.method("<init>", "()V").code.aload(0).invokespecial("a/A", "<init>", "()V").op(OP_RETURN);
        cc.method("m", "()I", 0).code.iconst(3).op(OP_IRETURN);
        ClassSpec& d = vm.cls("b/D", "a/C");
        d.method("<init>", "()V").code.aload(0).invokespecial("a/C", "<init>", "()V").op(OP_RETURN);
        d.method("m", "()I", 0).code.iconst(4).op(OP_IRETURN);
        ClassSpec& t = vm.cls("a/T");
        t.resolvedPool = false;
        t.field("r", "I", ACC_STATIC);
        // twice: through the slow path and through the cached call
        Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(3).code;
        c.iconst(0).istore(2).label("loop");
        c.newObject(k.receiver).op(OP_DUP).invokespecial(k.receiver, "<init>", "()V").invokevirtual("a/A", "m", "()I");
        c.getstatic("a/T", "r", "I")
            .op(OP_IADD)
            .putstatic("a/T", "r", "I")
            .iinc(2, 1)
            .iload(2)
            .iconst(2)
            .branch(OP_IF_ICMPLT, "loop");
        c.op(OP_RETURN);
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("a/T", "r"); };
        RunResult result = vm.run("a/T");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, 2 * k.expected) << k.name;
    }
}

// a/P.prot is protected; b/S and b/S2 extend a/P.
TEST(SlowInterpreter, ProtectedAccessFromAnotherPackageGoesThroughTheCallersLine) {
    struct Case {
        const char* name;
        const char* objectClass;  // the class named in the field reference and instantiated
        bool allowed;
    };
    const std::vector<Case> cases = {
        {"through the caller's own class", "b/S", true},
        {"through a subclass of the caller", "b/S3", true},
        {"through a sibling subclass", "b/S2", false},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& p = vm.cls("a/P");
        p.field("prot", "I", ACC_PROTECTED);
        p.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
        for (auto [name, super] : {std::pair<const char*, const char*>{"b/S2", "a/P"}, {"b/S3", "b/S"}}) {
            ClassSpec& s = vm.cls(name, super);
            s.method("<init>", "()V").code.aload(0).invokespecial(super, "<init>", "()V").op(OP_RETURN);
        }
        ClassSpec& s = vm.cls("b/S", "a/P");
        s.resolvedPool = false;
        s.field("r", "I", ACC_STATIC);
        s.method("<init>", "()V").code.aload(0).invokespecial("a/P", "<init>", "()V").op(OP_RETURN);
        Code& c = s.method("main", MAIN_SIG, MAIN_FLAGS).code;
        c.newObject(k.objectClass).op(OP_DUP).invokespecial(k.objectClass, "<init>", "()V").op(OP_DUP).bipush(5);
        c.putfield(k.objectClass, "prot", "I")
            .getfield(k.objectClass, "prot", "I")
            .putstatic("b/S", "r", "I")
            .op(OP_RETURN);
        int32_t r = 0;
        vm.afterRun = [&] { r = *vm.staticAddress("b/S", "r"); };
        RunResult result = vm.run("b/S");
        if (k.allowed) {
            EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
            EXPECT_EQ(r, 5) << k.name;
        } else {
            EXPECT_EQ(result.exitCode, 127) << k.name;
            std::string alert =
                std::string("ALERT: java/lang/IllegalAccessError: Cannot access a/P.prot from class b/S.\n");
            EXPECT_NE(result.trace.find(alert), std::string::npos) << k.name << "\n" << result.trace;
        }
    }
}

int cleanups;
void countCleanup(Instance** cell) { cleanups += *cell != nullptr; }
void nativeCollect() { garbageCollect(0); }

// new, slow the first time and quick the second, registers each instance of a class
// with a cleanup function, so both dead objects are cleaned up by the next collection.
TEST(SlowInterpreter, NewRegistersInstancesOfClassesWithACleanupFunction) {
    Vm vm;
    ClassSpec& k = vm.cls("K");
    k.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.nativeMethod("collect", "()V", ACC_STATIC, nativeCollect);
    Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2).code;
    c.iconst(0)
        .istore(1)
        .label("loop")
        .label("site")
        .newObject("K")
        .op(OP_DUP)
        .invokespecial("K", "<init>", "()V")
        .op(OP_POP);
    c.iinc(1, 1).iload(1).iconst(2).branch(OP_IF_ICMPLT, "loop").invokestatic("T", "collect", "()V").op(OP_RETURN);
    int site = c.labelAt("site");
    std::vector<uint8_t> code;
    vm.beforeStart = [&] { vm.classRecord("K")->cleanup = countCleanup; };
    vm.afterRun = [&] { code = codeOf(vm.classRecord("T"), "main"); };
    cleanups = 0;
    RunResult result = vm.run("T");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(code[site], OP_NEW_QUICK);
    EXPECT_EQ(cleanups, 2);
}

}  // namespace
