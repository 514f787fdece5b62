// Mutated class files fed to the loader: each run must end normally, by a Java
// exception or by a fatal error, never by a crash. Run under AddressSanitizer too.
#include <gtest/gtest.h>

#include <random>

#include "classload_fixture.h"
#include "vm/core/gc.h"

namespace {

using namespace loadtest;

// A class that touches every part of the reader: all constant kinds, interfaces,
// static constants, handlers, stack maps, Exceptions and unknown attributes.
ClassBuilder richClass() {
    ClassBuilder b = plainClass("A", "B");
    b.cf.interfaces = {b.cls("I")};
    b.longConst(-2);
    b.ref(classfile::kDouble, 0, 0, 0x3FF0000000000000ULL);
    b.ref(classfile::kFloat, 0, 0, 0x40000000);
    b.string("text \xC3\xA9\xE2\x82\xAC");
    b.fieldRef("B", "f", "[[Ljava/lang/String;");
    b.ref(classfile::kInterfaceMethodref, b.cls("I"), b.nameAndType("m", "(IJ)V"));
    auto constant = [&](const char* name, const char* type, uint16_t index) {
        addAttribute(b, b.field(0x0019, name, type).attributes, "ConstantValue", u2(index));
    };
    constant("I1", "I", b.integer(42));
    constant("L1", "J", b.longConst(1LL << 40));
    constant("S1", "Ljava/lang/String;", b.string("s"));
    b.field(0x0002, "d", "D");
    b.field(0x0004, "o", "Ljava/lang/Object;");
    uint16_t self = b.cls("A");
    std::vector<classfile::Attribute> maps;
    addAttribute(b, maps, "StackMap",
                 stackMapBody({{4, {item(7, self), item(3)}, {item(8, 0)}},
                               {6, {item(7, self), item(3)}, {item(8, 0)}},
                               {7, {item(4)}, {}}}));
    addAttribute(b, maps, "LineNumberTable", attributeBytes({u2(1), u2(0), u2(1)}));
    classfile::Member& m = rawMethod(b, 0x0011, "run", "(Ljava/lang/Object;D)J");
    addAttribute(b, m.attributes, "Code",
                 codeBody(4, 4, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0xAD},
                          {{0, 4, 6, b.cls("java/lang/Throwable")}, {1, 7, 7, 0}}, maps));
    addAttribute(b, m.attributes, "Exceptions", attributeBytes({u2(1), u2(b.cls("java/lang/Throwable"))}));
    addAttribute(b, m.attributes, "Deprecated", {});
    rawMethod(b, 0x0108, "n", "([I)V");
    rawMethod(b, 0x0401, "a", "()Ljava/lang/Object;");
    b.cf.attributes.push_back({b.utf8("SourceFile"), u2(b.utf8("A.java"))});
    return b;
}

// Byte-level mutations of a class file.
std::vector<uint8_t> mutate(const std::vector<uint8_t>& basis, std::mt19937& random) {
    std::vector<uint8_t> v = basis;
    int edits = 1 + (int)(random() % 4);
    for (int e = 0; e < edits && !v.empty(); e++) {
        size_t at = random() % v.size();
        switch (random() % 7) {
            case 0:
                v[at] ^= (uint8_t)(1u << (random() % 8));
                break;
            case 1:
                v[at] = (uint8_t)random();
                break;
            case 2: {
                static const uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE};
                v[at] = interesting[random() % sizeof interesting];
                break;
            }
            case 3:
                if (at + 1 < v.size()) v[at] = v[at + 1] = 0xFF;
                break;
            case 4:
                v.resize(at);
                break;
            case 5:
                v.insert(v.begin() + (long)at, (uint8_t)random());
                break;
            case 6:
                v.erase(v.begin() + (long)at);
                break;
        }
    }
    return v;
}

TEST(ClassLoadFuzz, MutatedClassFilesNeverCrashTheLoader) {
    ClassBuilder b = plainClass("B");
    ClassBuilder i = plainClass("I", "java/lang/Object", 0x0601);
    std::vector<uint8_t> superBytes = b.bytes();
    std::vector<uint8_t> interfaceBytes = i.bytes();
    std::vector<uint8_t> basis = richClass().bytes();
    {
        LoaderVm vm(512 * 1024);
        Outcome out =
            vm.load(makeJar({{"A.class", basis}, {"B.class", superBytes}, {"I.class", interfaceBytes}}, false), "A");
        ASSERT_TRUE(out.loaded) << "the basis itself loads\n" << out.trace << out.exception << out.message;
    }
    std::mt19937 random(20261210);
    int loaded = 0, raised = 0, fatal = 0;
    for (int n = 0; n < 3000; n++) {
        std::vector<uint8_t> bytes = mutate(basis, random);
        LoaderVm vm(512 * 1024);
        Outcome out =
            vm.load(makeJar({{"A.class", bytes}, {"B.class", superBytes}, {"I.class", interfaceBytes}}, false), "A");
        ASSERT_TRUE(out.exitCode == 0 || out.exitCode == 127) << "mutation " << n << " exit " << out.exitCode;
        if (out.exitCode == 127) {
            fatal++;
            ASSERT_NE(std::string::npos, out.trace.find("ALERT: ")) << "mutation " << n;
        } else if (out.loaded) {
            loaded++;
            ASSERT_EQ(CLASS_LINKED, out.statusAfter) << "mutation " << n;
        } else {
            raised++;
            ASSERT_EQ(CLASS_RAW, out.statusAfter) << "mutation " << n << ": " << out.exception << " " << out.message;
        }
    }
    // the mutations reach past the first checks
    EXPECT_GT(fatal, 1000);
    EXPECT_GT(loaded, 10);
    EXPECT_GT(raised, 0);
}

// The same at small heaps with a collection (1) or a compaction (2) before every
// allocation: the valid class always loads, and no mutation crashes the host.
TEST(ClassLoadFuzz, SmallHeapsUnderCollectorStress) {
    ClassBuilder b = plainClass("B");
    ClassBuilder i = plainClass("I", "java/lang/Object", 0x0601);
    std::vector<uint8_t> superBytes = b.bytes();
    std::vector<uint8_t> interfaceBytes = i.bytes();
    std::vector<uint8_t> basis = richClass().bytes();
    std::mt19937 random(20261211);
    for (int32_t heap : {48 * 1024, 128 * 1024, 512 * 1024}) {
        for (int stress : {1, 2}) {
            for (int n = 0; n <= 150; n++) {
                std::vector<uint8_t> bytes = n == 0 ? basis : mutate(basis, random);
                LoaderVm vm(heap);
                Outcome out =
                    vm.run(makeJar({{"A.class", bytes}, {"B.class", superBytes}, {"I.class", interfaceBytes}}, true),
                           [&](Outcome& o) {
                               CollectOnEveryAllocation = stress;
                               LoaderVm::loadInto(o, "A");
                           });
                if (n == 0) {
                    ASSERT_TRUE(out.loaded) << "the valid class at heap " << heap << ", stress " << stress << "\n"
                                            << out.trace << out.exception << " " << out.message;
                    continue;
                }
                ASSERT_TRUE(out.exitCode == 0 || out.exitCode == 127) << "mutation " << n << " exit " << out.exitCode;
                if (out.exitCode == 127) {
                    ASSERT_NE(std::string::npos, out.trace.find("ALERT: ")) << "mutation " << n;
                }
            }
        }
    }
}

}  // namespace
