// Constant-pool resolution: member access rules, entries resolved once and then only
// rechecked for static use, failed resolutions left unresolved, and the lookups.
#include <gtest/gtest.h>

#include <functional>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

// a/Base has members of every access; a/Sub and b/Far extend it; b/Other and a/Peer
// do not; b/Sibling extends a/Base beside b/Far.
void addClasses(Vm& vm) {
    ClassSpec& base = vm.cls("a/Base");
    base.field("pub", "I", ACC_PUBLIC)
        .field("priv", "I", ACC_PRIVATE)
        .field("pkg", "I")
        .field("prot", "I", ACC_PROTECTED);
    vm.cls("a/Sub", "a/Base");
    vm.cls("a/Peer");
    vm.cls("b/Far", "a/Base");
    vm.cls("b/FarSub", "b/Far");
    vm.cls("b/Sibling", "a/Base");
    vm.cls("b/Other");
}

TEST(Resolution, MemberAccessRules) {
    struct Case {
        const char* name;
        const char* from;  // empty: no accessing class
        uint32_t access;
        const char* referenced;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {"no accessing class", "", ACC_PRIVATE, "a/Base", true},
        {"the member's own class", "a/Base", ACC_PRIVATE, "a/Base", true},
        {"public from anywhere", "b/Other", ACC_PUBLIC, "a/Base", true},
        {"private from a subclass", "a/Sub", ACC_PRIVATE, "a/Sub", false},
        {"package-private from the same package", "a/Peer", 0, "a/Base", true},
        {"package-private from another package", "b/Far", 0, "b/Far", false},
        {"protected from the same package", "a/Peer", ACC_PROTECTED, "a/Base", true},
        {"protected from another package, not a subclass", "b/Other", ACC_PROTECTED, "a/Base", false},
        {"protected through the caller's own class", "b/Far", ACC_PROTECTED, "b/Far", true},
        {"protected through a subclass of the caller", "b/Far", ACC_PROTECTED, "b/FarSub", true},
        {"protected through a superclass of the caller", "b/FarSub", ACC_PROTECTED, "a/Base", true},
        {"protected through a sibling subclass", "b/Far", ACC_PROTECTED, "b/Sibling", false},
    };
    for (const Case& k : cases) {
        Vm vm;
        addClasses(vm);
        bool allowed = !k.allowed;
        RunResult r = vm.inside([&] {
            ClassRecord* from = *k.from ? vm.classRecord(k.from) : nullptr;
            allowed = classHasAccessToMember(from, k.access, vm.classRecord("a/Base"), vm.classRecord(k.referenced));
        });
        ASSERT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        EXPECT_EQ(allowed, k.allowed) << k.name;
    }
}

TEST(Resolution, ClassAccessRules) {
    struct Case {
        const char* name;
        const char* from;
        uint16_t flags;  // of the class a/Hidden
        bool allowed;
    };
    const std::vector<Case> cases = {
        {"public class from another package", "b/Other", ACC_PUBLIC, true},
        {"package class from the same package", "a/Peer", 0, true},
        {"package class from another package", "b/Other", 0, false},
    };
    for (const Case& k : cases) {
        Vm vm;
        addClasses(vm);
        vm.cls("a/Hidden", "java/lang/Object", k.flags);
        bool allowed = !k.allowed;
        RunResult r =
            vm.inside([&] { allowed = classHasAccessToClass(vm.classRecord(k.from), vm.classRecord("a/Hidden")); });
        ASSERT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        EXPECT_EQ(allowed, k.allowed) << k.name;
    }
}

// Pool of a/Peer: an entry for a/Base.pkg and one for Object.<init> named through a/Base.
struct PoolFixture {
    Vm vm;
    int fieldIndex = 0, initIndex = 0, classIndex = 0, intIndex = 0;
    PoolFixture() {
        addClasses(vm);
        ClassSpec& peer = vm.cls("a/User");
        peer.resolvedPool = false;
        fieldIndex = peer.poolIndex({PoolSpec::Field, 0, "a/Base", "pkg", "I"});
        initIndex = peer.poolIndex({PoolSpec::Method, 0, "a/Base", "<init>", "()V"});
        classIndex = peer.poolIndex({PoolSpec::Class, 0, "a/Base", "", ""});
        intIndex = peer.poolIndex({PoolSpec::Int, 42, "", "", ""});
    }
    ClassRecord* user() { return vm.classRecord("a/User"); }
    ConstantPool* pool() { return user()->constPool; }
};

TEST(Resolution, FieldEntryIsResolvedOnceAndThenOnlyRecheckedForStaticUse) {
    PoolFixture f;
    FieldRecord* first = nullptr;
    FieldRecord* second = nullptr;
    bool resolvedBit = false;
    RunResult r = f.vm.inside([&] {
        first = resolveFieldReference(f.pool(), f.fieldIndex, false, 180, f.user());
        resolvedBit = (cpTags(f.pool())[f.fieldIndex] & CP_RESOLVED) != 0;
        // no access check the second time: even a private field now passes
        first->accessFlags |= ACC_PRIVATE;
        second = resolveFieldReference(f.pool(), f.fieldIndex, false, 180, f.user());
        // but the static check stays
        resolveFieldReference(f.pool(), f.fieldIndex, true, 178, f.user());
    });
    EXPECT_EQ(r.exitCode, 127);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(resolvedBit);
    EXPECT_NE(r.trace.find("ALERT: java/lang/IncompatibleClassChangeError: Incompatible class change: a/Base.pkg.\n"),
              std::string::npos)
        << r.trace;
}

TEST(Resolution, FailedResolutionLeavesTheEntryUnresolved) {
    PoolFixture f;
    uint8_t tag = 0;
    f.vm.afterRun = [&] { tag = cpTags(f.pool())[f.fieldIndex]; };
    RunResult r = f.vm.inside([&] {
        f.vm.classRecord("a/Base")->fieldTable->fields[2].accessFlags |= ACC_PRIVATE;
        resolveFieldReference(f.pool(), f.fieldIndex, false, 180, f.user());
    });
    EXPECT_EQ(r.exitCode, 127);
    EXPECT_NE(r.trace.find("ALERT: java/lang/IllegalAccessError: Cannot access a/Base.pkg from class a/User.\n"),
              std::string::npos)
        << r.trace;
    EXPECT_EQ(tag, CONSTANT_Fieldref);
}

TEST(Resolution, ConstructorOnlyASuperclassDeclaresIsNotFound) {
    PoolFixture f;
    MethodRecord unset{};
    MethodRecord* found = &unset;
    uint8_t tag = 0;
    RunResult r = f.vm.inside([&] {
        found = resolveMethodReference(f.pool(), f.initIndex, false, f.user());
        tag = cpTags(f.pool())[f.initIndex];
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(tag, CONSTANT_Methodref);
}

TEST(Resolution, ClassEntryWithAnotherTagRaisesACatchableError) {
    PoolFixture f;
    bool resolvedToBase = false;
    std::string caught;
    RunResult r = f.vm.inside([&] {
        resolvedToBase = resolveClassReference(f.pool(), f.classIndex, f.user()) == f.vm.classRecord("a/Base");
        OBJECT e = raisedBy([&] { resolveClassReference(f.pool(), f.intIndex, f.user()); });
        if (e == nullptr) return;
        char name[MESSAGE_BUFFER_SIZE];
        StringInstance* message = (StringInstance*)(uintptr_t)e->data[0];
        char text[MESSAGE_BUFFER_SIZE];
        getClassNameBuffer(e->clazz, name, sizeof name);
        caught = std::string(name) + ": " + getStringContentsSafely(message, text, sizeof text);
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(resolvedToBase);
    EXPECT_EQ(caught, "java/lang/VirtualMachineError: Illegal CONSTANT_Class reference");
}

}  // namespace
