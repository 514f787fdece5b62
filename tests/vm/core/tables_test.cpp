// Name, class and string tables, signature packing and type keys, and trimming.
#include <gtest/gtest.h>

#include "platform/lowmem.h"
#include "support/vmasm.h"

using namespace vmasm;

namespace {

std::string fieldSignature(TypeKey key) {
    char buffer[256];
    change_Key_to_FieldSignature_inBuffer(key, buffer, sizeof buffer);
    return buffer;
}

std::string methodSignature(uint16_t key) {
    char buffer[256];
    change_Key_to_MethodSignature_inBuffer(key, buffer, sizeof buffer);
    return buffer;
}

std::vector<uint8_t> packed(uint16_t key) {
    int length = 0;
    const char* bytes = changeKeyToName(key, &length);
    return std::vector<uint8_t>(bytes, bytes + length);
}

TEST(Tables, FieldTypeKeys) {
    struct Case {
        const char* signature;
        std::function<TypeKey()> expected;  // evaluated inside the run
    };
    const Case cases[] = {
        {"I", [] { return (TypeKey)'I'; }},
        {"[I", [] { return (TypeKey)((1 << 13) + 'I'); }},
        {"[[J", [] { return (TypeKey)((2 << 13) + 'J'); }},
        {"Ljava/lang/String;", [] { return JavaLangString->key; }},
        {"[Ljava/lang/String;", [] { return (TypeKey)((1 << 13) + JavaLangString->key); }},
        {"[[[[[[I", [] { return (TypeKey)((6 << 13) + 'I'); }},
        {"[[[[[[[I", [] { return (TypeKey)(0xE000 | (getRawClass("[[[[[[[I")->key & 0x1FFF)); }},
        {"[[[[[[[Ljava/lang/Object;",
         [] { return (TypeKey)(0xE000 | (getRawClass("[[[[[[[Ljava/lang/Object;")->key & 0x1FFF)); }},
    };
    for (const Case& k : cases) {
        Vm vm;
        TypeKey key = 0, expected = 1;
        std::string back;
        RunResult r = vm.inside([&] {
            key = changeFieldSignatureToKey(k.signature, 0, (int)strlen(k.signature));
            expected = k.expected();
            back = fieldSignature(key);
        });
        EXPECT_EQ(r.exitCode, 0) << k.signature << "\n" << r.trace;
        EXPECT_EQ(key, expected) << k.signature;
        EXPECT_EQ(back, k.signature) << k.signature;
    }
}

TEST(Tables, SevenDimensionalArrayKeyIsItsOwnClassKey) {
    Vm vm;
    TypeKey key = 0;
    ClassRecord* seven = nullptr;
    ClassRecord* viaKey = nullptr;
    RunResult r = vm.inside([&] {
        seven = getRawClass("[[[[[[[I");
        key = changeFieldSignatureToKey("[[[[[[[I", 0, 8);
        viaKey = changeKeyToClass(key);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_NE(key, (TypeKey)((7 << 13) + 'I'));
    EXPECT_EQ(key >> 13, 7);
    EXPECT_EQ(viaKey, seven);
}

TEST(Tables, MethodSignaturePacking) {
    struct Case {
        const char* signature;
        std::function<std::vector<uint8_t>()> expected;
    };
    const Case cases[] = {
        {"()V",
         [] {
             return std::vector<uint8_t>{0, 'V'};
         }},
        {"(JD)Z",
         [] {
             return std::vector<uint8_t>{2, 'J', 'D', 'Z'};
         }},
        {"(Ljava/lang/String;I)V",
         [] {
             TypeKey s = JavaLangString->key;
             return std::vector<uint8_t>{2, (uint8_t)(s >> 8), (uint8_t)s, 'I', 'V'};
         }},
        {"([[I)[I",
         [] {
             // high byte 0x40 is no capital letter: no escape
             TypeKey two = (2 << 13) + 'I', one = (1 << 13) + 'I';
             return std::vector<uint8_t>{1, (uint8_t)(two >> 8), (uint8_t)two, (uint8_t)(one >> 8), (uint8_t)one};
         }},
        {"([[Ljava/lang/Object;)V",
         [] {
             // a two-dimensional class array's high byte is a capital letter: escaped by "L"
             TypeKey k = (TypeKey)((2 << 13) + JavaLangObject->key);
             return std::vector<uint8_t>{1, 'L', (uint8_t)(k >> 8), (uint8_t)k, 'V'};
         }},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::vector<uint8_t> got, expected;
        std::string back;
        bool highIsCapital = false;
        RunResult r = vm.inside([&] {
            uint16_t key = changeMethodSignatureToKey(k.signature, 0, (int)strlen(k.signature));
            got = packed(key);
            expected = k.expected();
            back = methodSignature(key);
            TypeKey twoDim = (TypeKey)((2 << 13) + JavaLangObject->key);
            highIsCapital = (twoDim >> 8) >= 'A' && (twoDim >> 8) <= 'Z';
        });
        EXPECT_EQ(r.exitCode, 0) << k.signature << "\n" << r.trace;
        EXPECT_EQ(got, expected) << k.signature;
        EXPECT_EQ(back, k.signature) << k.signature;
        EXPECT_TRUE(highIsCapital);
    }
}

TEST(Tables, BadMethodSignatureEndsTheRun) {
    const char* const cases[] = {"(I", "(I)VX", "I)V", "(Ljava/lang/String)V", "(V)V"};
    for (const char* signature : cases) {
        Vm vm;
        RunResult r = vm.inside([&] { changeMethodSignatureToKey(signature, 0, (int)strlen(signature)); });
        EXPECT_EQ(r.exitCode, 127) << signature;
        EXPECT_NE(r.trace.find("ALERT: java/lang/ClassFormatError: Bad method signature.\n"), std::string::npos)
            << signature << "\n"
            << r.trace;
    }
}

TEST(Tables, NamesClassesAndStrings) {
    Vm vm;
    struct Got {
        bool sameEntry, lengthMatters, unknownKeyNull, keyIsBucket, noPackage, lastSlash, internSame, internNoCreate;
        uint16_t key;
    } g{};
    RunResult r = vm.inside([&] {
        NameTableEntry* a = lookupNameTableEntry("hello", 5);
        g.sameEntry = lookupNameTableEntry("hello", 5) == a && changeNameToKey("hello", 5) == a->key;
        g.lengthMatters = lookupNameTableEntry("hello", 4) != a;
        g.key = a->key;
        g.keyIsBucket = a->key % 256 == stringHash("hello", 5) % 256;
        g.unknownKeyNull = changeKeyToName(0xFFF0, nullptr) == nullptr;
        ClassRecord* plain = getRawClass("Plain");
        g.noPackage = plain->packageName == nullptr && std::string(plain->baseName->bytes) == "Plain";
        ClassRecord* deep = getRawClass("a/b/c/Deep");
        g.lastSlash = std::string(deep->packageName->bytes) == "a/b/c" && std::string(deep->baseName->bytes) == "Deep";
        StringInstance* s = internString("text", 4, 1);
        g.internSame = internString("text", 4, 1) == s && s->count == 4;
        g.internNoCreate = internString("other", 5, 0) == nullptr;
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(g.sameEntry);
    EXPECT_TRUE(g.lengthMatters);
    EXPECT_TRUE(g.keyIsBucket);
    EXPECT_TRUE(g.unknownKeyNull);
    EXPECT_TRUE(g.noPackage);
    EXPECT_TRUE(g.lastSlash);
    EXPECT_TRUE(g.internSame);
    EXPECT_TRUE(g.internNoCreate);
}

TEST(Tables, TrimmingKeepsOnlyTheImageEntries) {
    // bucket 0: heap, heap, image, image; bucket 1: image only; bucket 2: heap only
    // the program's own memory: the links are words
    static cell heap[16];
    static NameTableEntry image[3];
    memset(heap, 0, sizeof heap);
    memset(image, 0, sizeof image);
    NameTableEntry* inHeap[3] = {(NameTableEntry*)&heap[0], (NameTableEntry*)&heap[4], (NameTableEntry*)&heap[8]};
    inHeap[0]->next = inHeap[1];
    inHeap[1]->next = &image[0];
    image[0].next = &image[1];
    VmHashTable* table = (VmHashTable*)lowCalloc(1, sizeof(VmHashTable) + 3 * sizeof(table->buckets[0]));
    table->bucketCount = 3;
    table->count = 6;
    table->buckets[0] = inHeap[0];
    table->buckets[1] = &image[2];
    table->buckets[2] = inHeap[2];
    cell* savedStart = HeapStart;
    cell* savedTop = HeapTop;
    HeapStart = heap;
    HeapTop = heap + 16;
    trimHashTableToImage(table, NAME_TABLE_LINK);
    HeapStart = savedStart;
    HeapTop = savedTop;
    EXPECT_EQ(table->buckets[0], &image[0]);
    EXPECT_EQ(table->buckets[1], &image[2]);
    EXPECT_EQ(table->buckets[2], nullptr);
    EXPECT_EQ(table->count, 3u);
    lowFree(table);
}

TEST(Tables, RunTimeEntriesAreTrimmedAfterARun) {
    // the harness's image has no entries of its own: everything made in the run goes
    Vm vm;
    uint32_t names = 0, classes = 0, strings = 0;
    uint32_t left = 1;
    vm.afterRun = [&] {
        names = UTFStringTable->count;
        classes = ClassTable->count;
        strings = InternStringTable->count;
    };
    vm.afterReset = [&] {
        left = UTFStringTable->count + ClassTable->count + InternStringTable->count;
        for (VmHashTable* t : {UTFStringTable, ClassTable, InternStringTable}) {
            for (uint32_t b = 0; b < t->bucketCount; b++) left += t->buckets[b] != nullptr;
        }
    };
    RunResult r = vm.inside([&] { internString("transient", 9, 1); });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_GT(names, 0u);
    EXPECT_GT(classes, 0u);
    EXPECT_EQ(strings, 1u);
    EXPECT_EQ(left, 0u);
}

}  // namespace
