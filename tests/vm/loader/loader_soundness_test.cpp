// The loader when the heap is tight or collects at every allocation: statics that fail
// half way, out of memory while a class is found, read or inflated, and the texts the
// reader pins while it works.
#include <gtest/gtest.h>

#include <pthread.h>

#include "classload_fixture.h"
#include "vm/core/gc.h"
#include "vm/core/stackguard.h"

namespace {

using namespace loadtest;

// Blocks of the dynamic heap pinned by a count (not the "never moves" mark).
int pinnedBlocks() {
    int n = 0;
    for (cell* p = HeapStart; p < PermanentBoundary; p += headerSize((uint32_t)*p) + 1) {
        uint32_t pins = headerPins((uint32_t)*p);
        if (headerType((uint32_t)*p) != GCT_FREE && pins > 0 && pins < PIN_FOREVER) n++;
    }
    return n;
}

// A class whose first static int has a ConstantValue of the wrong kind and whose later
// reference static still holds its pool index when that fails.
std::vector<uint8_t> badStaticConstant() {
    ClassBuilder b = plainClass("Statics");
    classfile::Member& bad = b.field(0x0009, "bad", "I");
    addAttribute(b, bad.attributes, "ConstantValue", u2(b.string("not an int")));
    classfile::Member& s = b.field(0x0009, "s", "Ljava/lang/String;");
    addAttribute(b, s.attributes, "ConstantValue", u2(b.string("text")));
    classfile::Member& t = b.field(0x0009, "t", "Ljava/lang/String;");
    addAttribute(b, t.attributes, "ConstantValue", u2(b.string("more")));
    return b.bytes();
}

TEST(LoaderUnderCollection, FailingStaticConstantEndsTheRunCleanly) {
    for (int stress : {0, 1, 2}) {
        LoaderVm vm(96 * 1024);
        Outcome out = vm.run(jarOf("Statics", badStaticConstant()), [&](Outcome& o) {
            CollectOnEveryAllocation = stress;
            LoaderVm::loadInto(o, "Statics");
        });
        EXPECT_EQ(out.exitCode, 127) << "stress " << stress << "\n" << out.trace;
        EXPECT_NE(out.trace.find(alertOf("ClassFormatError", "Bad constant tag")), std::string::npos)
            << "stress " << stress << "\n"
            << out.trace;
    }
}

// A valid class with many texts: methods whose signatures name classes not loaded yet.
std::vector<uint8_t> manySignatures() {
    ClassBuilder b = plainClass("Many");
    for (int m = 0; m < 40; m++) {
        std::string sig = "(";
        for (int j = 0; j < 6; j++) sig += "Lsome/pack/Param" + std::to_string((m * 7 + j * 5) % 30) + ";";
        sig += ")I";
        b.method(0x0009, "m" + std::to_string(m), sig, 1, 6, {OP_ICONST_0, OP_IRETURN});
    }
    return b.bytes();
}

TEST(LoaderUnderCollection, ReaderLeavesNoPinsBehind) {
    struct Case {
        const char* name;
        std::vector<uint8_t> classFile;
        const char* className;
        bool loads;
    };
    std::vector<uint8_t> truncated = manySignatures();
    truncated.resize(truncated.size() / 2);
    const Case cases[] = {
        {"a class of many signatures", manySignatures(), "Many", true},
        {"a class cut short", truncated, "Many", false},
    };
    for (const Case& k : cases) {
        for (int stress : {0, 1, 2}) {
            LoaderVm vm(128 * 1024);
            int pins = -1;
            Outcome out = vm.run(jarOf(k.className, k.classFile), [&](Outcome& o) {
                CollectOnEveryAllocation = stress;
                VM_TRY
                // a cut-short file is a fatal ClassFormatError: look before it ends the run
                loadClassfile(getRawClass(k.className), 1);
                o.loaded = true;
                VM_CATCH(e)
                LoaderVm::recordException(o, e);
                VM_END_TRY
                pins = pinnedBlocks();
            });
            if (k.loads) {
                EXPECT_TRUE(out.loaded) << k.name << " stress " << stress << "\n" << out.trace;
                EXPECT_EQ(pins, 0) << k.name << " stress " << stress;
            } else {
                EXPECT_FALSE(out.loaded) << k.name << " stress " << stress;
            }
        }
    }
}

// Loading fails for want of memory: the answer is OutOfMemoryError, never "not found",
// and a Class.forName request that failed that way leaves the plain mode behind.
TEST(LoaderUnderCollection, OutOfMemoryIsNotMissing) {
    enum Room { NO_ROOM_FOR_ENTRY, NO_ROOM_FOR_TABLES };
    struct Case {
        const char* name;
        bool deflated;
        Room room;
    };
    const Case cases[] = {
        {"stored entry with no room left for it", false, NO_ROOM_FOR_ENTRY},
        {"deflated entry with no room left for it", true, NO_ROOM_FOR_ENTRY},
        {"deflated entry whose inflater tables find no room", true, NO_ROOM_FOR_TABLES},
    };
    for (const Case& k : cases) {
        LoaderVm vm(64 * 1024);
        // A class that a live filler leaves too little room for.
        ClassBuilder big = plainClass("Big");
        for (int i = 0; i < 40; i++) big.freshUtf8("some text number " + std::to_string(i) + " of the pool");
        int32_t size = (int32_t)big.bytes().size();
        std::string first, second;
        Outcome out = vm.run(jarOf({{"Big", &big}}, k.deflated), [&](Outcome&) {
            OBJECT filler = nullptr;
            int32_t saved = TemporaryRootsLength;
            makeTemporaryRoot(&filler);
            int32_t leave = k.room == NO_ROOM_FOR_ENTRY ? size / 2 : size + 256;
            filler = (OBJECT)mallocHeapObject((memoryFree() - leave) / 4 - 8, GCT_NOPOINTERS);
            Outcome a, b;
            classNotFoundMode = 1;  // as Class.forName leaves it
            LoaderVm::loadInto(a, "Big");
            filler = nullptr;
            LoaderVm::loadInto(b, "NotThere");
            TemporaryRootsLength = saved;
            first = a.exception;
            second = b.exception;
        });
        EXPECT_EQ(out.exitCode, 0) << k.name << "\n" << out.trace;
        EXPECT_EQ(first, "java/lang/OutOfMemoryError") << k.name;
        EXPECT_EQ(second, "java/lang/NoClassDefFoundError") << k.name;
    }
}

// Runs fn on a thread of its own with a stack of the given size, as a small stack
// limit gives the VM's thread.
void onSmallStack(size_t bytes, const std::function<void()>& fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    auto body = [](void* p) -> void* {
        (*(const std::function<void()>*)p)();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, (void*)&fn), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// Interfaces I0 extends I1 extends ... I(n-1): linking recurses once per level.
std::vector<uint8_t> interfaceChain(int n) {
    std::vector<JarEntry> entries;
    for (int i = 0; i < n; i++) {
        ClassBuilder b = plainClass("I" + std::to_string(i), "java/lang/Object", 0x0601);
        if (i + 1 < n) b.cf.interfaces.push_back(b.cls("I" + std::to_string(i + 1)));
        entries.push_back({"I" + std::to_string(i) + ".class", b.bytes()});
    }
    return makeJar(entries, false);
}

TEST(NativeStackGuard, DeepChainsEndTheRunInsteadOfTheHost) {
    struct Case {
        const char* name;
        int depth;
        bool ends;
    };
    const Case cases[] = {
        {"a chain of 40 interfaces", 40, false},
        {"a chain of 3600 interfaces", 3600, true},
    };
    for (const Case& k : cases) {
        std::vector<uint8_t> jar = interfaceChain(k.depth);
        Outcome out;
        onSmallStack(1024 * 1024, [&] {
            LoaderVm vm(4 * 1024 * 1024);
            out = vm.run(jar, [](Outcome& o) {
                initNativeStackLimit();
                LoaderVm::loadInto(o, "I0");
            });
        });
        if (k.ends) {
            EXPECT_EQ(out.exitCode, 127) << k.name;
            EXPECT_NE(out.trace.find("ALERT: Native Stack Overflow. Stack Size:1048576\n"), std::string::npos)
                << k.name;
        } else {
            EXPECT_EQ(out.exitCode, 0) << k.name << "\n" << out.trace;
            EXPECT_TRUE(out.loaded) << k.name << ": " << out.exception << " " << out.message;
        }
    }
}

}  // namespace
