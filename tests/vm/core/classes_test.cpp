// Class lookup, array classes, class names, type tests, creation and hash codes.
#include <gtest/gtest.h>

#include "support/vmasm.h"

using namespace vmasm;

namespace {

std::string className(ClassRecord* c) {
    char buffer[256];
    getClassNameBuffer(c, buffer, sizeof buffer);
    return buffer;
}

TEST(Classes, ArrayClassesAreMadeOnceWithTheirElements) {
    Vm vm;
    struct Got {
        bool sameTwice, elementIsImageClass, keyIsArrayKey, stringArrayPackage, intIntFromObjectArray;
        std::string stringArrayBase, stringArrayName, twoDimName;
        uint16_t flags;
    } g{};
    RunResult r = vm.inside([&] {
        ClassRecord* a = getClass("[[I");
        g.sameTwice = getClass("[[I") == a;
        g.elementIsImageClass = asArrayClass(a)->u.elemClass == asClass(PrimitiveArrayClasses[T_INT]);
        g.keyIsArrayKey = a->key == (2 << 13) + 'I';
        g.flags = a->accessFlags;
        g.twoDimName = className(a);
        ArrayClassRecord* strings = getObjectArrayClass(JavaLangString);
        g.stringArrayBase = strings->baseName->bytes;
        g.stringArrayPackage = strings->packageName == JavaLangString->packageName;
        g.stringArrayName = className(asClass(strings));
        g.intIntFromObjectArray = asClass(getObjectArrayClass(asClass(PrimitiveArrayClasses[T_INT]))) == a;
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_TRUE(g.sameTwice);
    EXPECT_TRUE(g.elementIsImageClass);
    EXPECT_TRUE(g.keyIsArrayKey);
    EXPECT_EQ(g.flags, 0x1411);
    EXPECT_EQ(g.twoDimName, "[[I");
    EXPECT_EQ(g.stringArrayBase, "[LString;");
    EXPECT_TRUE(g.stringArrayPackage);
    EXPECT_EQ(g.stringArrayName, "[Ljava/lang/String;");
    EXPECT_TRUE(g.intIntFromObjectArray);
}

TEST(Classes, Assignability) {
    struct Case {
        const char* from;
        const char* to;
        bool expected;
    };
    const Case cases[] = {
        {"[I", "[J", false},
        {"[Ljava/lang/String;", "[Ljava/lang/Object;", true},
        {"[Ljava/lang/String;", "java/lang/Object", true},
        {"[[Ljava/lang/String;", "[[Ljava/lang/Object;", true},
        {"[[I", "[Ljava/lang/Object;", true},
        {"[I", "[Ljava/lang/Object;", false},
        {"java/lang/ArithmeticException", "java/lang/Throwable", true},
        {"java/lang/Throwable", "java/lang/ArithmeticException", false},
        {"Iface", "java/lang/Exception", false},
        {"Iface", "java/lang/Object", true},
        {"Impl", "Iface", true},
        {"SubImpl", "Iface", true},
        {"java/lang/String", "Iface", false},
        {"[LImpl;", "[LIface;", true},
    };
    Vm vm;
    vm.cls("Iface", "java/lang/Object", ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT);
    vm.cls("Impl").implements("Iface");
    vm.cls("SubImpl", "Impl");
    std::vector<int> got;
    RunResult r = vm.inside([&] {
        for (const Case& k : cases) got.push_back(isAssignableTo(getClass(k.from), getClass(k.to)));
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (size_t i = 0; i < got.size(); i++) {
        EXPECT_EQ(got[i] != 0, cases[i].expected) << cases[i].from << " -> " << cases[i].to;
    }
}

TEST(Classes, MultiArrayStopsAtAZeroLength) {
    struct Case {
        const char* name;
        std::vector<cell> lengths;
        const char* exception;
    };
    const Case cases[] = {
        {"3, 0, 5", {3, 0, 5}, nullptr},
        {"2, 3", {2, 3}, nullptr},
        {"negative inner length", {2, -1}, "java/lang/NegativeArraySizeException"},
    };
    for (const Case& k : cases) {
        Vm vm;
        std::string shape, raised;
        RunResult r = vm.inside([&] {
            std::vector<cell> lengths = k.lengths;
            std::string name(lengths.size(), '[');
            name += "I";
            ArrayObject* a = nullptr;
            OBJECT e = raisedBy([&] {
                a = instantiateMultiArray(asArrayClass(getClass(name.c_str())), lengths.data(), (int)lengths.size());
            });
            if (e != nullptr) {
                raised = className(e->clazz);
                return;
            }
            shape = std::to_string(a->length) + ":";
            for (uint32_t i = 0; i < a->length; i++) {
                ArrayObject* inner = (ArrayObject*)a->u.odata[i];
                shape += " " + className(inner->clazz) + "/" + std::to_string(inner->length);
                for (uint32_t j = 0; j < inner->length && k.lengths.size() > 2; j++)
                    shape += inner->u.odata[j] == nullptr ? " null" : " x";
            }
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        if (k.exception) {
            EXPECT_EQ(raised, k.exception) << k.name;
        } else if (k.lengths[0] == 3) {
            EXPECT_EQ(shape, "3: [[I/0 [[I/0 [[I/0") << k.name;
        } else {
            EXPECT_EQ(shape, "2: [I/3 [I/3") << k.name;
        }
    }
}

TEST(Classes, CreationErrors) {
    struct Case {
        const char* name;
        std::function<void()> make;
        const char* exception;  // null: the preallocated OutOfMemoryError
    };
    const Case cases[] = {
        {"negative length", [] { instantiateArray(PrimitiveArrayClasses[T_INT], -1); },
         "java/lang/NegativeArraySizeException"},
        {"length above 0x1000000", [] { instantiateArray(PrimitiveArrayClasses[T_BYTE], 0x1000001); }, nullptr},
        {"class in error state",
         [] {
             ClassRecord* c = getRawClass("Broken");
             c->status = CLASS_ERROR;
             getClass("Broken");
         },
         "java/lang/NoClassDefFoundError"},
    };
    for (const Case& k : cases) {
        Vm vm;
        vm.cls("Broken");
        std::string raised;
        bool preallocated = false;
        std::string message;
        RunResult r = vm.inside([&] {
            OBJECT e = raisedBy(k.make);
            if (e == nullptr) return;
            raised = className(e->clazz);
            preallocated = e == OutOfMemoryObject;
            StringInstance* m = (StringInstance*)(uintptr_t)e->data[0];
            if (m) message = getStringContents(m);
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
        if (k.exception) {
            EXPECT_EQ(raised, k.exception) << k.name;
        } else {
            EXPECT_TRUE(preallocated) << k.name;
        }
        if (std::string(k.name) == "class in error state") {
            EXPECT_EQ(message, "Broken");
        }
    }
}

TEST(Classes, StringsAndTheirContents) {
    struct Case {
        int length;
        int exitCode;
    };
    const Case cases[] = {{511, 0}, {512, 127}};
    for (const Case& k : cases) {
        Vm vm;
        std::string back;
        // Made out here: the fatal exit leaves the run by longjmp and runs no destructor.
        std::string text((size_t)k.length, 'a');
        text[0] = 'Z';
        RunResult r = vm.inside([&] {
            StringInstance* s = instantiateStringFromUtf(text.c_str(), (int)text.size());
            back = getStringContents(s);
        });
        EXPECT_EQ(r.exitCode, k.exitCode) << k.length;
        if (k.exitCode == 0) {
            EXPECT_EQ(back.size(), 511u);
        } else {
            EXPECT_NE(r.trace.find("ALERT: Buffer overflow in getStringContentsSafely()\n"), std::string::npos)
                << r.trace;
        }
    }
    Vm vm;
    int32_t count = 0;
    uint16_t second = 0;
    RunResult r = vm.inside([&] {
        const uint16_t chars[] = {'h', 0x20AC, 'i'};
        StringInstance* s = instantiateStringFromUnicode(chars, 3);
        count = s->count;
        second = getStringCharsPointer(s)[1];
    });
    EXPECT_EQ(r.exitCode, 0);
    std::string unicode = std::to_string(count) + ":" + std::to_string(second);
    EXPECT_EQ(unicode, "3:8364");
}

TEST(Classes, IdentityHashCodesAreStableAndNeverFromZero) {
    Vm vm;
    int32_t first = 0, again = 0, other = 0, firstOfNextRun = 1;
    uint32_t stored = 0;
    RunResult r = vm.inside([&] {
        OBJECT a = instantiate(JavaLangObject);
        OBJECT b = instantiate(JavaLangObject);
        first = objectHashCode(a);
        again = objectHashCode(a);
        stored = a->monitor;
        other = objectHashCode(b);
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
    EXPECT_EQ(first, again);
    EXPECT_NE(first, 0);
    EXPECT_NE(first, other);
    EXPECT_EQ(stored & 3, 0u);
    EXPECT_EQ((int32_t)stored >> 2, first);
    // the hash state starts every run from the same value
    vm.inside([&] { firstOfNextRun = objectHashCode(instantiate(JavaLangObject)); });
    EXPECT_EQ(firstOfNextRun, first);
}

}  // namespace
