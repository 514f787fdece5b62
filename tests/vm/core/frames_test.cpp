// Frames on stack chunks, heap exhaustion, static initialisers and the main thread's
// bottom frame.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

int chunksSeen;
int framesAtChunkStart;
bool argumentsMoved;
// Counts the chunks, and checks every frame of depth (n, 1, 2) that begins a chunk:
// its three arguments are the chunk's first words, in a chunk of at least 126 words.
void countChunks() {
    chunksSeen = 0;
    for (StackChunk* c = CurrentThread->stack; c != nullptr; c = c->next) chunksSeen++;
    framesAtChunkStart = 0;
    argumentsMoved = true;
    for (FrameRecord* f = Regs.fp; f != nullptr; f = f->previousFp) {
        cell* locals = (cell*)f - f->thisMethod->frameSize;
        if (f->thisMethod->argCount != 3 || locals != f->stack->data) continue;
        framesAtChunkStart++;
        argumentsMoved &= locals[1] == 1 && locals[2] == 2 && f->stack->size >= 126;
    }
}

TEST(Frames, Recursion3000DeepCrossesStackChunks) {
    Vm vm;
    vm.heapBytes = 1024 * 1024;
    ClassSpec& t = vm.cls("Deep");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("count", "()V", ACC_STATIC, countChunks);
    // depth(n, a, b): three argument words, so frames keep landing at chunk ends
    t.method("depth", "(III)I", ACC_STATIC)
        .stack(4)
        .code.iload(0)
        .branch(OP_IFNE, "down")
        .invokestatic("Deep", "count", "()V")
        .iconst(0)
        .op(OP_IRETURN)
        .label("down")
        .iload(0)
        .iconst(1)
        .op(OP_ISUB)
        .iload(1)
        .iload(2)
        .invokestatic("Deep", "depth", "(III)I")
        .iload(1)
        .op(OP_IADD)
        .op(OP_IRETURN);
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .code.iconst(3000)
        .iconst(1)
        .iconst(2)
        .invokestatic("Deep", "depth", "(III)I")
        .putstatic("Deep", "r", "I")
        .op(OP_RETURN);
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("Deep", "r"); };
    chunksSeen = 0;
    RunResult result = vm.run("Deep");
    EXPECT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 3000);
    EXPECT_GT(chunksSeen, 10);
    EXPECT_EQ(framesAtChunkStart, chunksSeen - 1);
    EXPECT_TRUE(argumentsMoved);
}

bool caughtPreallocated;
void checkPreallocated() { caughtPreallocated = (OBJECT)(uintptr_t)*Regs.sp == OutOfMemoryObject; }

TEST(Frames, ExhaustedHeapThrowsThePreallocatedOutOfMemoryError) {
    Vm vm;
    vm.heapBytes = 96 * 1024;
    ClassSpec& t = vm.cls("Hog");
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("check", "()V", ACC_STATIC, checkPreallocated);
    MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
    // each array holds the one before it, so the collector can free none of them
    main.code.label("try")
        .label("loop")
        .iconst(1)
        .anewarray("java/lang/Object")
        .op(OP_DUP)
        .iconst(0)
        .aload(0)
        .op(OP_AASTORE)
        .op(OP_ASTORE_0)
        .branch(OP_GOTO, "loop")
        .label("end")
        .label("h")
        .invokestatic("Hog", "check", "()V")
        .op(OP_POP)
        .iconst(1)
        .putstatic("Hog", "r", "I")
        .op(OP_RETURN);
    main.handler("try", "end", "h", "java/lang/OutOfMemoryError");
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("Hog", "r"); };
    caughtPreallocated = false;
    RunResult result = vm.run("Hog");
    EXPECT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(caughtPreallocated);
}

TEST(Frames, StaticInitializerRunsOnceForThreeUses) {
    Vm vm;
    ClassSpec& a = vm.cls("A");
    a.field("v", "I", ACC_STATIC).field("runs", "I", ACC_STATIC);
    a.method("<clinit>", "()V", ACC_STATIC)
        .code.getstatic("A", "runs", "I")
        .iconst(1)
        .op(OP_IADD)
        .putstatic("A", "runs", "I")
        .getstatic("A", "v", "I")
        .bipush(40)
        .op(OP_IADD)
        .putstatic("A", "v", "I")
        .op(OP_RETURN);
    a.method("get", "()I", ACC_STATIC).code.getstatic("A", "v", "I").op(OP_IRETURN);
    ClassSpec& t = vm.cls("T");
    t.field("r", "I", ACC_STATIC);
    t.method("viaStatic", "()I", ACC_STATIC).code.invokestatic("A", "get", "()I").op(OP_IRETURN);
    t.method("viaField", "()I", ACC_STATIC).code.getstatic("A", "v", "I").op(OP_IRETURN);
    t.method("viaPut", "()I", ACC_STATIC).code.iconst(2).putstatic("A", "v", "I").iconst(0).op(OP_IRETURN);
    t.method("main", MAIN_SIG, MAIN_FLAGS)
        .code.invokestatic("T", "viaField", "()I")
        .invokestatic("T", "viaStatic", "()I")
        .op(OP_IADD)
        .invokestatic("T", "viaPut", "()I")
        .op(OP_IADD)
        .invokestatic("A", "get", "()I")
        .op(OP_IADD)
        .putstatic("T", "r", "I")
        .op(OP_RETURN);
    int32_t r = 0, runs = 0;
    int16_t status = 0;
    vm.afterRun = [&] {
        r = *vm.staticAddress("T", "r");
        runs = *vm.staticAddress("A", "runs");
        status = vm.classRecord("A")->status;
    };
    RunResult result = vm.run("T");
    EXPECT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(r, 40 + 40 + 0 + 2);
    EXPECT_EQ(status, CLASS_READY);
}

std::string errorText;
std::string errorClass;
void recordError() {
    OBJECT e = (OBJECT)(uintptr_t)*Regs.sp;
    char name[256];
    getClassNameBuffer(e->clazz, name, sizeof name);
    errorClass = name;
    StringInstance* m = (StringInstance*)(uintptr_t)e->data[0];
    errorText = m ? getStringContents(m) : "";
}

TEST(Frames, FailingStaticInitializerLeavesClassInError) {
    struct Case {
        const char* name;
        const char* thrown;
        const char* expectedClass;
        const char* expectedText;
    };
    const Case cases[] = {
        {"runtime exception is wrapped", "java/lang/RuntimeException", "java/lang/Error",
         "Static initializer: java/lang/RuntimeException: boom"},
        {"an Error is kept", "java/lang/NoClassDefFoundError", "java/lang/NoClassDefFoundError", "boom"},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& b = vm.cls("B");
        b.field("x", "I", ACC_STATIC);
        b.method("<clinit>", "()V", ACC_STATIC)
            .code.newObject(k.thrown)
            .op(OP_DUP)
            .ldcString("boom")
            .putfield("java/lang/Throwable", "detailMessage", "Ljava/lang/String;")
            .op(OP_ATHROW);
        ClassSpec& t = vm.cls("T");
        t.field("second", "I", ACC_STATIC);
        t.nativeMethod("record", "()V", ACC_STATIC, recordError);
        MethodSpec& main = t.method("main", MAIN_SIG, MAIN_FLAGS);
        main.code.label("t1")
            .getstatic("B", "x", "I")
            .op(OP_POP)
            .label("e1")
            .op(OP_RETURN)
            .label("h1")
            .invokestatic("T", "record", "()V")
            .op(OP_POP)
            .label("t2")
            .getstatic("B", "x", "I")
            .op(OP_POP)
            .label("e2")
            .op(OP_RETURN)
            .label("h2")
            .op(OP_POP)
            .iconst(1)
            .putstatic("T", "second", "I")
            .op(OP_RETURN);
        main.handler("t1", "e1", "h1", "java/lang/Error");
        main.handler("t2", "e2", "h2", "java/lang/NoClassDefFoundError");
        int32_t second = 0;
        int16_t status = 0;
        vm.afterRun = [&] {
            second = *vm.staticAddress("T", "second");
            status = vm.classRecord("B")->status;
        };
        errorText.clear();
        errorClass.clear();
        RunResult r = vm.run("T");
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        EXPECT_EQ(errorClass, k.expectedClass) << k.name;
        EXPECT_EQ(errorText, k.expectedText) << k.name;
        EXPECT_EQ(status, CLASS_ERROR) << k.name;
        EXPECT_EQ(second, 1) << k.name << ": the next use raises NoClassDefFoundError";
    }
}

TEST(Frames, MainThreadBottomFrameReturnEndsTheRun) {
    struct Case {
        const char* name;
        uint32_t flags;
    };
    const Case cases[] = {
        {"plain main", MAIN_FLAGS},
        {"synchronized main", MAIN_FLAGS | ACC_SYNCHRONIZED},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& t = vm.cls("M");
        t.field("r", "I", ACC_STATIC);
        t.method("main", MAIN_SIG, k.flags).code.iconst(5).putstatic("M", "r", "I").op(OP_RETURN);
        int32_t r = 0, alive = -1;
        uint32_t lockWord = 1;
        vm.afterRun = [&] {
            r = *vm.staticAddress("M", "r");
            alive = AliveThreadCount;
            lockWord = vm.classRecord("M")->monitor;
        };
        RunResult result = vm.run("M");
        EXPECT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, 5) << k.name;
        EXPECT_EQ(alive, 0) << k.name;
        EXPECT_EQ(lockWord, 0u) << k.name;
    }
}

TEST(Frames, MissingMainIsReportedAndEndsTheThread) {
    Vm vm;
    vm.cls("NoMain");
    RunResult r = vm.run("NoMain");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.trace.find("ALERT: Class does not contain 'main' function\n"), std::string::npos) << r.trace;
}

}  // namespace

namespace {

TEST(Frames, CoreFormatter) {
    struct Case {
        const char* name;
        int size;
        std::function<int(char*, int)> format;
        const char* text;  // null: the run ends with the alert
        const char* alert;
    };
    const Case cases[] = {
        {"conversions", 64,
         [](char* b, int n) { return vmSprintf(b, n, "%c|%d|%ld|%lx|%s", 'A', -42, 7, 0xBEEFu, "str"); },
         "A|-42|7|beef|str", nullptr},
        {"exactly fills", 4, [](char* b, int n) { return vmSprintf(b, n, "%d", 123); }, "123", nullptr},
        {"one too many", 4, [](char* b, int n) { return vmSprintf(b, n, "%d", 1234); }, nullptr,
         "ALERT: Sprintf buffer overflow\n"},
        {"unknown conversion", 64, [](char* b, int n) { return vmSprintf(b, n, "%q", 1); }, nullptr,
         "ALERT: Illegal operand in sprintf\n"},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::string text;
        RunResult r = vm.inside([&] {
            char buffer[64];
            k.format(buffer, k.size);
            text = buffer;
        });
        if (k.text) {
            EXPECT_EQ(r.exitCode, 0) << k.name;
            EXPECT_EQ(text, k.text) << k.name;
        } else {
            EXPECT_EQ(r.exitCode, 127) << k.name;
            EXPECT_NE(r.trace.find(k.alert), std::string::npos) << k.name << "\n" << r.trace;
        }
    }
}

}  // namespace
