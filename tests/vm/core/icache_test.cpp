// The inline cache: call sites cached per receiver class, the ring of 128 entries that
// gives the oldest site back its instruction, and the restoring of every cached site
// at the end of a run.
#include <gtest/gtest.h>

#include <functional>

#include "methodcode.h"
#include "platform/lowmem.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

const char* const MAIN_SIG = "([Ljava/lang/String;)V";
const uint32_t MAIN_FLAGS = ACC_PUBLIC | ACC_STATIC;

using coretest::codeOf;

// What main's code looked like while it ran, read by a native at its end.
std::vector<uint8_t> codeWhileRunning;
int32_t nextIndexWhileRunning, wrappedWhileRunning;
uint8_t* entryZeroSite;
uint8_t* mainCode;
void nativeSnapshot() {
    MethodRecord* m = Regs.fp->thisMethod;
    mainCode = m->u.code;
    codeWhileRunning.assign(m->u.code.get(), m->u.code + m->codeLength);
    nextIndexWhileRunning = InlineCacheNextIndex;
    wrappedWhileRunning = InlineCacheWrapped;
    entryZeroSite = getInlineCacheEntry(0)->site;
}

// A.f and B.f (B extends A and overrides) answer 1 and 2; I.g is implemented by both.
void addReceivers(Vm& vm) {
    vm.cls("I", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT)
        .method("g", "()I", ACC_PUBLIC | ACC_ABSTRACT);
    ClassSpec& a = vm.cls("A");
    a.implements("I");
    a.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
    a.method("f", "()I").code.iconst(1).op(OP_IRETURN);
    a.method("g", "()I").code.bipush(10).op(OP_IRETURN);
    a.method("fixed", "()I", ACC_PUBLIC | ACC_FINAL).code.iconst(5).op(OP_IRETURN);
    ClassSpec& b = vm.cls("B", "A");
    b.method("<init>", "()V").code.aload(0).invokespecial("A", "<init>", "()V").op(OP_RETURN);
    b.method("f", "()I").code.iconst(2).op(OP_IRETURN);
    b.method("g", "()I").code.bipush(20).op(OP_IRETURN);
}

TEST(InlineCache, AlternatingReceiversGiveCorrectResultsAndSitesAreRestored) {
    struct Case {
        const char* name;
        std::function<void(Code&)> call;  // receiver in local 3; leaves an int
        uint8_t cached;
        int32_t expected;  // over 10,000 turns, A on even turns
    };
    const std::vector<Case> cases = {
        {"invokevirtual", [](Code& c) { c.aload(3).label("site").invokevirtual("A", "f", "()I"); },
         OP_INVOKEVIRTUAL_CACHED, 15000},
        {"invokeinterface", [](Code& c) { c.aload(3).label("site").invokeinterface("I", "g", "()I", 1); },
         OP_INVOKEINTERFACE_CACHED, 150000},
    };
    for (const Case& k : cases) {
        Vm vm;
        addReceivers(vm);
        ClassSpec& t = vm.cls("T");
        t.resolvedPool = false;
        t.field("r", "I", ACC_STATIC);
        t.nativeMethod("snapshot", "()V", ACC_STATIC, nativeSnapshot);
        Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(5).code;
        c.newObject("A").op(OP_DUP).invokespecial("A", "<init>", "()V").astore(1);
        c.newObject("B").op(OP_DUP).invokespecial("B", "<init>", "()V").astore(2);
        c.iconst(0).istore(4).label("loop");
        c.aload(1).astore(3).iload(4).iconst(1).op(OP_IAND).branch(OP_IFEQ, "call").aload(2).astore(3).label("call");
        k.call(c);
        c.getstatic("T", "r", "I").op(OP_IADD).putstatic("T", "r", "I");
        c.iinc(4, 1).iload(4).sipush(10000).branch(OP_IF_ICMPLT, "loop");
        c.invokestatic("T", "snapshot", "()V").op(OP_RETURN);
        int site = c.labelAt("site");
        std::vector<uint8_t> original;
        std::vector<uint8_t> after;
        int32_t r = 0;
        vm.afterRun = [&] {
            r = *vm.staticAddress("T", "r");
            after = codeOf(vm.classRecord("T"), "main");
        };
        codeWhileRunning.clear();
        RunResult result = vm.run("T");
        original = c.bytes;
        ASSERT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(r, k.expected) << k.name;
        ASSERT_GT(codeWhileRunning.size(), (size_t)site);
        EXPECT_EQ(codeWhileRunning[site], k.cached) << k.name;
        EXPECT_EQ(after[site], original[site]) << k.name;
        EXPECT_EQ(after[site + 1], original[site + 1]) << k.name;
        EXPECT_EQ(after[site + 2], original[site + 2]) << k.name;
    }
}

TEST(InlineCache, FinalMethodIsCalledDirectlyWithoutAnEntry) {
    Vm vm;
    addReceivers(vm);
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.field("r", "I", ACC_STATIC);
    t.nativeMethod("snapshot", "()V", ACC_STATIC, nativeSnapshot);
    Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2).code;
    c.newObject("B").op(OP_DUP).invokespecial("B", "<init>", "()V").astore(1);
    c.aload(1).label("site").invokevirtual("A", "fixed", "()I").aload(1).invokevirtual("A", "fixed", "()I").op(OP_IADD);
    c.putstatic("T", "r", "I").invokestatic("T", "snapshot", "()V").op(OP_RETURN);
    int site = c.labelAt("site");
    int32_t r = 0;
    vm.afterRun = [&] { r = *vm.staticAddress("T", "r"); };
    RunResult result = vm.run("T");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    EXPECT_EQ(r, 10);
    EXPECT_EQ(codeWhileRunning[site], OP_INVOKESPECIAL_QUICK);
    EXPECT_EQ(nextIndexWhileRunning, 0);
}

TEST(InlineCache, SiteBeyondTheCapacityGivesTheOldestSiteBack) {
    Vm vm;
    addReceivers(vm);
    ClassSpec& t = vm.cls("T");
    t.resolvedPool = false;
    t.nativeMethod("snapshot", "()V", ACC_STATIC, nativeSnapshot);
    Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).locals(2).code;
    c.newObject("A").op(OP_DUP).invokespecial("A", "<init>", "()V").astore(1);
    std::vector<int> sites;
    for (int i = 0; i <= INLINE_CACHE_SIZE; i++) {
        sites.push_back((int)c.bytes.size() + 1);
        c.aload(1).invokevirtual("A", "f", "()I").op(OP_POP);
    }
    c.invokestatic("T", "snapshot", "()V").op(OP_RETURN);
    std::vector<uint8_t> after;
    vm.afterRun = [&] { after = codeOf(vm.classRecord("T"), "main"); };
    RunResult result = vm.run("T");
    ASSERT_EQ(result.exitCode, 0) << result.trace;
    const std::vector<uint8_t>& original = c.bytes;
    // the 129th site took entry 0: the first site has its instruction back
    EXPECT_EQ(wrappedWhileRunning, 1);
    EXPECT_EQ(nextIndexWhileRunning, 1);
    EXPECT_EQ(entryZeroSite, mainCode + sites[INLINE_CACHE_SIZE]);
    for (int i = 0; i <= INLINE_CACHE_SIZE; i++) {
        int at = sites[i];
        if (i == 0) {
            EXPECT_EQ(codeWhileRunning[at], OP_INVOKEVIRTUAL) << "site " << i;
            EXPECT_EQ(codeWhileRunning[at + 1], original[at + 1]) << "site " << i;
            EXPECT_EQ(codeWhileRunning[at + 2], original[at + 2]) << "site " << i;
        } else {
            EXPECT_EQ(codeWhileRunning[at], OP_INVOKEVIRTUAL_CACHED) << "site " << i;
            int entry = (codeWhileRunning[at + 1] << 8) | codeWhileRunning[at + 2];
            EXPECT_EQ(entry, i % INLINE_CACHE_SIZE) << "site " << i;
        }
        // at the end of the run every site holds its original bytes again
        EXPECT_EQ(after[at], original[at]) << "site " << i;
        EXPECT_EQ(after[at + 1], original[at + 1]) << "site " << i;
        EXPECT_EQ(after[at + 2], original[at + 2]) << "site " << i;
    }
}

TEST(InlineCache, RingReleasesInOrderAndFinalizeRestoresEverySite) {
    struct Case {
        const char* name;
        int created;
        int restoredByRing;  // sites given back by the ring before the end
    };
    const std::vector<Case> cases = {
        {"half full", 64, 0},
        {"exactly full", INLINE_CACHE_SIZE, 0},
        {"one over", INLINE_CACHE_SIZE + 1, 1},
        {"round and a half", INLINE_CACHE_SIZE * 2 + 64, INLINE_CACHE_SIZE + 64},
    };
    for (const Case& k : cases) {
        Vm vm;
        // call sites are kept in words: low memory
        uint8_t* sites = (uint8_t*)lowCalloc(3, (size_t)k.created);
        for (int i = 0; i < k.created; i++) {
            sites[3 * i] = OP_INVOKEVIRTUAL;
            sites[3 * i + 1] = (uint8_t)(i >> 8);
            sites[3 * i + 2] = (uint8_t)i;
        }
        int stillCached = -1;
        bool finalizedAll = false;
        RunResult result = vm.inside([&] {
            MethodRecord* method = &JavaLangObject->methodTable->methods[0];
            for (int i = 0; i < k.created; i++) {
                uint8_t* site = &sites[3 * i];
                int entry = createInlineCacheEntry(method, site);
                if (entry != i % INLINE_CACHE_SIZE) return;
                site[0] = OP_INVOKEVIRTUAL_CACHED;
                site[1] = (uint8_t)(entry >> 8);
                site[2] = (uint8_t)entry;
            }
            stillCached = 0;
            for (int i = 0; i < k.created; i++) stillCached += sites[3 * i] == OP_INVOKEVIRTUAL_CACHED;
            FinalizeInlineCaching();
            finalizedAll = InlineCacheNextIndex == 0 && InlineCacheWrapped == 0;
        });
        ASSERT_EQ(result.exitCode, 0) << k.name << "\n" << result.trace;
        EXPECT_EQ(stillCached, k.created - k.restoredByRing) << k.name;
        EXPECT_TRUE(finalizedAll) << k.name;
        for (int i = 0; i < k.created; i++) {
            EXPECT_EQ(sites[3 * i], OP_INVOKEVIRTUAL) << k.name << " site " << i;
            EXPECT_EQ((sites[3 * i + 1] << 8) | sites[3 * i + 2], i) << k.name << " site " << i;
        }
        lowFree(sites);
    }
}

// A cached interface call that meets a receiver without a public method ends the run,
// named after the method the entry held.
TEST(InlineCache, CachedInterfaceCallWithoutAPublicMethodIsFatal) {
    struct Case {
        const char* name;
        bool declaresG;  // C declares a package-private g; else none at all
    };
    const std::vector<Case> cases = {{"non-public method", true}, {"no method", false}};
    for (const Case& k : cases) {
        Vm vm;
        addReceivers(vm);
        ClassSpec& c2 = vm.cls("C");
        c2.implements("I");
        c2.method("<init>", "()V").code.aload(0).invokespecial("java/lang/Object", "<init>", "()V").op(OP_RETURN);
        if (k.declaresG) c2.method("g", "()I", 0).code.iconst(3).op(OP_IRETURN);
        ClassSpec& t = vm.cls("T");
        t.resolvedPool = false;
        t.method("call", "(LI;)I", ACC_STATIC).code.aload(0).invokeinterface("I", "g", "()I", 1).op(OP_IRETURN);
        Code& c = t.method("main", MAIN_SIG, MAIN_FLAGS).code;
        c.newObject("A").op(OP_DUP).invokespecial("A", "<init>", "()V").invokestatic("T", "call", "(LI;)I").op(OP_POP);
        c.newObject("C")
            .op(OP_DUP)
            .invokespecial("C", "<init>", "()V")
            .invokestatic("T", "call", "(LI;)I")
            .op(OP_POP)
            .op(OP_RETURN);
        RunResult result = vm.run("T");
        EXPECT_EQ(result.exitCode, 127) << k.name;
        EXPECT_NE(result.trace.find("ALERT: No such method g.()I\n"), std::string::npos) << k.name << "\n"
                                                                                         << result.trace;
    }
}

}  // namespace
