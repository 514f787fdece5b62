// The generated class image: its records and tables as the VM would have built them,
// and runs that leave it as generated (read-only areas never written, writable ones
// back to their generated state at the end of every run).
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "kvm_fixture.h"
#include "platform/events.h"
#include "platform/trace.h"
#include "tools/imagegen/classimage.h"
#include "vm/core/classes.h"
#include "vm/core/monitor.h"
#include "vm/core/opcodes.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/loader/startup.h"
#include "vm/services/vmreset.h"

namespace {

using kvmtest::capture;
using kvmtest::readFile;

const RomImage& image() { return MovaneClassImage; }

bool within(const void* p, const void* start, const void* end) {
    return (uintptr_t)p >= (uintptr_t)start && (uintptr_t)p < (uintptr_t)end;
}

std::string nameOf(ClassRecord* c) {
    std::string name;
    if (c->packageName != nullptr) name = std::string(c->packageName->bytes, c->packageName->length) + "/";
    return name + std::string(c->baseName->bytes, c->baseName->length);
}

template <typename F>
void forEachEntry(VmHashTable* table, int linkWord, F f) {
    for (uint32_t b = 0; b < table->bucketCount; b++) {
        for (void* e = table->buckets[b]; e != nullptr; e = p32Address(((const uint32_t*)e)[linkWord])) f(b, e);
    }
}

bool hasClinit(ClassRecord* c) {
    MethodTable* t = c->methodTable;
    for (uint32_t i = 0; t != nullptr && i < t->length; i++) {
        const char* name = changeKeyToName(t->methods[i].nt.k.nameKey, nullptr);
        if (name != nullptr && strcmp(name, "<clinit>") == 0) return true;
    }
    return false;
}

struct Tables {
    Tables() { useRomImage(&MovaneClassImage); }
};

TEST(ClassImage, TablesHoldTheImageEntriesUnderTheirKeys) {
    Tables use;
    struct Case {
        const char* table;
        VmHashTable* t;
        int link;
    };
    const Case cases[] = {
        {"name table", image().nameTable, NAME_TABLE_LINK},
        {"class table", image().classTable, CLASS_TABLE_LINK},
        {"string table", image().stringTable, STRING_TABLE_LINK},
    };
    for (const Case& k : cases) {
        uint32_t count = 0;
        std::set<uint32_t> keys;
        forEachEntry(k.t, k.link, [&](uint32_t bucket, void* e) {
            count++;
            if (k.t == image().nameTable) {
                NameTableEntry* n = (NameTableEntry*)e;
                EXPECT_EQ(n->key % NAME_TABLE_BUCKETS, bucket) << k.table << ": " << n->bytes;
                EXPECT_EQ(stringHash(n->bytes, n->length) % NAME_TABLE_BUCKETS, bucket) << k.table << ": " << n->bytes;
                EXPECT_TRUE(keys.insert(n->key).second) << k.table << ": key of " << n->bytes << " twice";
            } else if (k.t == image().classTable) {
                ClassRecord* c = (ClassRecord*)e;
                bool arrayKey = c->key > 0x1FFF && (c->key >> 13) < 7;
                if (!arrayKey) {
                    EXPECT_EQ(((c->key & 0x1FFF) - 256) % CLASS_TABLE_BUCKETS, bucket) << k.table << ": " << nameOf(c);
                    EXPECT_TRUE(keys.insert(c->key).second) << k.table << ": key of " << nameOf(c) << " twice";
                }
                EXPECT_EQ(changeKeyToClass(c->key), c) << k.table << ": " << nameOf(c);
                EXPECT_NE(nameOf(c), "java/lang/StringBuilder") << "a compile-only stub is in the image";
                EXPECT_TRUE(within(c, image().classAreaStart, image().classAreaEnd)) << nameOf(c);
            } else {
                StringInstance* s = (StringInstance*)e;
                EXPECT_EQ((const void*)s->value, image().sharedCharArray) << k.table;
                EXPECT_TRUE(isInRomTableRange(s)) << k.table;
                EXPECT_EQ(s->clazz, image().javaLangString) << k.table;
                std::string text;
                for (int i = 0; i < s->count; i++) text.push_back((char)s->value->u.sdata[s->offset + i]);
                bool ascii = true;
                for (int i = 0; i < s->count; i++) ascii = ascii && s->value->u.sdata[s->offset + i] < 0x80;
                if (ascii) {
                    EXPECT_EQ(stringHash(text.data(), (int)text.size()) % STRING_TABLE_BUCKETS, bucket) << text;
                    EXPECT_EQ(internString(text.data(), (int)text.size(), 0), s) << text;
                }
            }
        });
        EXPECT_EQ(count, k.t->count) << k.table;
        EXPECT_GT(count, 0u) << k.table;
    }
    // the fixed roots name the classes they stand for
    struct Root {
        ClassRecord* c;
        const char* name;
    };
    const Root roots[] = {
        {image().javaLangObject, "java/lang/Object"}, {image().javaLangClass, "java/lang/Class"},
        {image().javaLangString, "java/lang/String"}, {image().javaLangThread, "java/lang/Thread"},
        {image().javaLangSystem, "java/lang/System"}, {image().javaLangThrowable, "java/lang/Throwable"},
        {image().javaLangError, "java/lang/Error"}};
    for (const Root& r : roots) EXPECT_EQ(nameOf(r.c), r.name);
    const char letters[] = "ZCFDBSIJ";
    for (int i = 0; i < 8; i++) {
        ArrayClassRecord* a = image().primitiveArrayClasses[i];
        EXPECT_EQ(nameOf(asClass(a)), std::string("[") + letters[i]);
        EXPECT_EQ(a->accessFlags, 0x3411) << letters[i];
    }
    ASSERT_NE(image().runCustomCode, nullptr);
    EXPECT_EQ(image().runCustomCode->ofClass, image().javaLangClass);
    EXPECT_EQ(image().runCustomCode->u.code[0], OP_CUSTOM_CODE);
}

TEST(ClassImage, ClassRecordsStandReadyLinked) {
    Tables use;
    const cell* staticStart = image().staticArea;
    const cell* staticEnd = (const cell*)((const char*)image().staticArea + image().staticAreaBytes);
    const cell* referencesEnd = staticStart + 1 + image().staticInitialValues[0];
    int natives = 0, methods = 0;
    forEachEntry(image().classTable, CLASS_TABLE_LINK, [&](uint32_t, void* e) {
        ClassRecord* c = (ClassRecord*)e;
        std::string name = nameOf(c);
        EXPECT_TRUE(c->accessFlags & ACC_ROM_CLASS) << name;
        EXPECT_EQ(c->clazz, image().javaLangClass) << name;
        EXPECT_EQ(c->monitor, 0u) << name;
        if (isArrayClass(c)) return;
        bool ready = (c->accessFlags & ACC_ROM_NON_INIT_CLASS) != 0;
        EXPECT_EQ(c->status, ready ? CLASS_READY : CLASS_VERIFIED) << name;
        // a class whose line of superclasses runs no initialiser needs none
        bool anyClinit = false;
        for (ClassRecord* k = c; k != nullptr; k = (c->accessFlags & ACC_INTERFACE) ? nullptr : k->superClass)
            anyClinit = anyClinit || hasClinit(k);
        EXPECT_EQ(ready, !anyClinit) << name;
        EXPECT_EQ(c->staticFields, nullptr) << name;
        EXPECT_EQ(c->initThread, nullptr) << name;
        if (c != image().javaLangObject) {
            EXPECT_NE(c->superClass, nullptr) << name;
        }
        if (c->accessFlags & ACC_INTERFACE) {
            EXPECT_EQ(c->superClass, image().javaLangObject) << name;
        }
        MethodTable* mt = c->methodTable;
        for (uint32_t i = 0; mt != nullptr && i < mt->length; i++) {
            MethodRecord* m = &mt->methods[i];
            std::string method = name + "." + changeKeyToName(m->nt.k.nameKey, nullptr);
            methods++;
            EXPECT_EQ(m->ofClass, c) << method;
            if (m->accessFlags & ACC_NATIVE) {
                natives++;
                EXPECT_NE(m->u.native, nullptr) << method;
                // the word holds the function's address: it must be the program's code
                EXPECT_TRUE(isProgramCode((const void*)m->u.native.get())) << method;
            } else if (m->accessFlags & ACC_ABSTRACT) {
                EXPECT_EQ(m->u.code, nullptr) << method;
            } else {
                EXPECT_TRUE(m->accessFlags & ACC_PREPARED) << method;
                EXPECT_TRUE(isInRomCodeRange(m->u.code)) << method;
                EXPECT_TRUE(isInRomCodeRange(m->u.code + m->codeLength - 1)) << method;
                EXPECT_EQ((uintptr_t)m->u.code % 4, 0u) << method << ": switch padding depends on the address";
            }
        }
        FieldTable* ft = c->fieldTable;
        for (uint32_t i = 0; ft != nullptr && i < ft->length; i++) {
            FieldRecord* f = &ft->fields[i];
            std::string field = name + "." + changeKeyToName(f->nameKey, nullptr);
            EXPECT_EQ(f->ofClass, c) << field;
            if (!(f->accessFlags & ACC_STATIC)) continue;
            bool reference = (f->accessFlags & ACC_POINTER) != 0;
            EXPECT_TRUE(within(f->u.staticAddress, staticStart + 1, reference ? referencesEnd : staticEnd)) << field;
            if (!reference) {
                EXPECT_FALSE(within(f->u.staticAddress, staticStart, referencesEnd)) << field;
            }
        }
        // the pool is fully resolved: class, field and method entries carry their records
        ConstantPool* cp = c->constPool;
        uint8_t* tags = cpTags(cp);
        for (uint32_t i = 1; i < cp->entries[0].u; i++) {
            int kind = tags[i] & CP_TAG_MASK;
            std::string entry = name + " constant " + std::to_string(i);
            if (kind == CONSTANT_Class || (kind >= CONSTANT_Fieldref && kind <= CONSTANT_InterfaceMethodref)) {
                EXPECT_TRUE(tags[i] & CP_RESOLVED) << entry;
            }
            if (kind == CONSTANT_Fieldref) {
                EXPECT_TRUE(cp->entries[i].field->ofClass->accessFlags & ACC_ROM_CLASS) << entry;
            }
            if (kind == CONSTANT_Methodref) {
                EXPECT_TRUE(cp->entries[i].method->ofClass->accessFlags & ACC_ROM_CLASS) << entry;
            }
            if (kind == CONSTANT_String) {
                EXPECT_TRUE(isInRomTableRange(cp->entries[i].string)) << entry;
            }
        }
    });
    EXPECT_GT(methods, 0);
    EXPECT_GT(natives, 0);
}

std::vector<uint8_t> copyOf(const ClassImageArea& a) {
    return std::vector<uint8_t>((const uint8_t*)a.start, (const uint8_t*)a.start + a.bytes);
}

TEST(ClassImage, RunsLeaveTheImageAsGenerated) {
    SysTimerInit();
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    ASSERT_FALSE(programs.empty());
    KvmRunFiles files = {nullptr, 0, programs.data(), (int32_t)programs.size()};
    // the per-run reset restores what the image was generated with
    ASSERT_EQ(initVmSections(MV_SECTIONS_PER_RUN), 0);
    std::vector<std::vector<uint8_t>> generated;
    for (int32_t i = 0; i < MovaneClassImageAreaCount; i++) generated.push_back(copyOf(MovaneClassImageAreas[i]));
    struct Case {
        const char* program;
        int32_t code;
    };
    const Case cases[] = {
        {"ImageTest", 0}, {"StringTest", 0},      {"ClassTest", 0},       {"ThreadTest", 0},      {"StaticsTest", 0},
        {"GcTest", 0},    {"ExceptionTest", 127}, {"UnboundNative", 127}, {"StaticFailure", 127},
    };
    for (const Case& k : cases) {
        std::string words[] = {"kvm", "-classpath", "/app.jar", k.program};
        char* argv[4];
        for (int i = 0; i < 4; i++) argv[i] = &words[i][0];
        std::string trace;
        TraceSetCapture(capture, &trace);
        int32_t code = runKvmOnce(4, argv, &files);
        TraceSetCapture(nullptr, nullptr);
        EXPECT_EQ(code, k.code) << k.program << "\n" << trace;
        EXPECT_NE(trace.find("ROMIZE byteCode Size ROM:"), std::string::npos)
            << k.program << ": the run took the image";
        for (int32_t i = 0; i < MovaneClassImageAreaCount; i++) {
            const ClassImageArea& a = MovaneClassImageAreas[i];
            std::vector<uint8_t> now = copyOf(a);
            if (!a.writable) {
                EXPECT_TRUE(now == generated[i]) << k.program << ": read-only area " << a.name << " was written";
            } else if (a.start == image().staticArea) {
                // the statics keep this run's values, but the collector is told there are none
                EXPECT_EQ(image().staticArea[0], 0) << k.program;
            } else if (a.start == image().classAreaStart) {
                // status, initialising thread and lock are back; a class object's identity
                // hash may stay in its monitor word until the next run's reset
                const uint32_t* was = (const uint32_t*)generated[i].data();
                const uint32_t* is = (const uint32_t*)now.data();
                for (uint32_t w = 0; w < a.bytes / 4; w++) {
                    if (is[w] == was[w]) continue;
                    bool monitorWord = false;
                    forEachEntry(image().classTable, CLASS_TABLE_LINK, [&](uint32_t, void* e) {
                        monitorWord = monitorWord || (const uint32_t*)a.start + w == &((ClassRecord*)e)->monitor;
                    });
                    EXPECT_TRUE(monitorWord && (is[w] & LOCK_STATE_MASK) == 0)
                        << k.program << ": class area word " << w << " is 0x" << std::hex << is[w] << ", generated 0x"
                        << was[w];
                }
            } else {
                EXPECT_TRUE(now == generated[i]) << k.program << ": writable area " << a.name << " differs at the end";
            }
        }
        ASSERT_EQ(initVmSections(MV_SECTIONS_PER_RUN), 0);
        for (int32_t i = 0; i < MovaneClassImageAreaCount; i++) {
            const ClassImageArea& a = MovaneClassImageAreas[i];
            if (a.writable && a.start != image().staticArea) {
                EXPECT_TRUE(copyOf(a) == generated[i]) << k.program << ": " << a.name << " after the reset";
            }
        }
    }
}

}  // namespace
