// Linking: superclass chains and interfaces, instance layout and static constants,
// missing and failed classes (which must be loadable again), circular chains, the
// linkage errors that end the run, and the package rules of "/app.jar".
#include <gtest/gtest.h>

#include "classload_fixture.h"
#include "vm/loader/verifier.h"

namespace {

using namespace loadtest;

FieldRecord* fieldNamed(ClassRecord* c, const char* name) {
    for (uint32_t i = 0; c->fieldTable && i < c->fieldTable->length; i++) {
        int length = 0;
        const char* text = changeKeyToName(c->fieldTable->fields[i].nameKey, &length);
        if (std::string(text, length) == name) return &c->fieldTable->fields[i];
    }
    return nullptr;
}

ClassBuilder iface(const std::string& name, std::vector<std::string> supers = {}, uint16_t access = 0x0601) {
    ClassBuilder b = plainClass(name, "java/lang/Object", access);
    for (auto& s : supers) b.cf.interfaces.push_back(b.cls(s));
    return b;
}

TEST(Link, ChainWithInterfacesIsLinkedMostDistantFirst) {
    ClassBuilder a = plainClass("A");
    a.field(0x0001, "a", "I");
    ClassBuilder b = plainClass("B", "A");
    b.cf.interfaces = {b.cls("I")};
    b.field(0x0001, "b", "J");
    ClassBuilder c = plainClass("C", "B");
    c.cf.interfaces = {c.cls("J")};
    c.field(0x0001, "c", "Ljava/lang/Object;");
    ClassBuilder i = iface("I");
    ClassBuilder j = iface("J", {"I"});
    for (bool deflated : {false, true}) {
        LoaderVm vm;
        Outcome out =
            vm.load(jarOf({{"A", &a}, {"B", &b}, {"C", &c}, {"I", &i}, {"J", &j}}, deflated), "C", [](ClassRecord* cc) {
                ClassRecord* bb = getRawClass("B");
                ClassRecord* aa = getRawClass("A");
                for (ClassRecord* k : {cc, bb, aa, getRawClass("I"), getRawClass("J")})
                    EXPECT_EQ(CLASS_LINKED, k->status);
                EXPECT_EQ(bb, cc->superClass);
                EXPECT_EQ(aa, bb->superClass);
                EXPECT_EQ(JavaLangObject, aa->superClass);
                EXPECT_EQ(JavaLangObject, getRawClass("J")->superClass);
                EXPECT_EQ(1, aa->instSize);
                EXPECT_EQ(3, bb->instSize);
                EXPECT_EQ(4, cc->instSize);
                EXPECT_EQ(3u, fieldNamed(cc, "c")->u.offset);
                EXPECT_TRUE(implementsInterface(cc, getRawClass("I")));
            });
        EXPECT_TRUE(out.loaded) << (deflated ? "deflated " : "stored ") << out.trace << out.exception << out.message;
    }
}

TEST(Link, InstanceSlotsFollowFieldOrderAndStaticsTakeTheirConstants) {
    ClassBuilder base = plainClass("Base");
    base.field(0x0001, "x", "I");
    ClassBuilder a = plainClass("A", "Base");
    const char* order[][2] = {{"b", "B"}, {"l", "J"}, {"i", "I"}, {"d", "D"}, {"o", "Ljava/lang/Object;"}, {"z", "Z"}};
    for (auto& f : order) a.field(0x0001, f[0], f[1]);
    auto constant = [&](const char* name, const char* type, uint16_t index) {
        classfile::Member& f = a.field(0x0019, name, type);
        addAttribute(a, f.attributes, "ConstantValue", u2(index));
    };
    constant("SL", "J", a.longConst(0x1122334455667788LL));
    constant("SS", "Ljava/lang/String;", a.string("hi"));
    constant("SI", "I", a.integer(-7));
    constant("SD", "D", a.ref(classfile::kDouble, 0, 0, 0x400921FB54442D18ULL));
    constant("SF", "F", a.ref(classfile::kFloat, 0, 0, 0x3FC00000));
    a.field(0x0009, "SO", "[I");  // reference static without a constant
    for (bool deflated : {false, true}) {
        LoaderVm vm;
        Outcome out = vm.load(jarOf({{"A", &a}, {"Base", &base}}, deflated), "A", [](ClassRecord* c) {
            // slot 0 is Base.x; no alignment of the two-word fields
            struct {
                const char* name;
                uint32_t slot;
            } slots[] = {{"b", 1}, {"l", 2}, {"i", 4}, {"d", 5}, {"o", 7}, {"z", 8}};
            for (auto& s : slots) EXPECT_EQ(s.slot, fieldNamed(c, s.name)->u.offset) << s.name;
            EXPECT_EQ(9, c->instSize);
            EXPECT_EQ(ACC_DOUBLE, fieldNamed(c, "l")->accessFlags & (ACC_DOUBLE | ACC_POINTER));
            EXPECT_EQ(ACC_POINTER, fieldNamed(c, "o")->accessFlags & (ACC_DOUBLE | ACC_POINTER));
            cell* block = c->staticFields;
            ASSERT_NE(nullptr, block);
            EXPECT_EQ(2, block[0]) << "reference statics counted first";
            EXPECT_EQ(block + 1, fieldNamed(c, "SS")->u.staticAddress);
            EXPECT_EQ(block + 2, fieldNamed(c, "SO")->u.staticAddress);
            EXPECT_EQ(block + 3, fieldNamed(c, "SL")->u.staticAddress);
            EXPECT_EQ(block + 5, fieldNamed(c, "SI")->u.staticAddress);
            EXPECT_EQ(block + 6, fieldNamed(c, "SD")->u.staticAddress);
            EXPECT_EQ(block + 8, fieldNamed(c, "SF")->u.staticAddress);
            cell* sl = fieldNamed(c, "SL")->u.staticAddress;
            EXPECT_EQ(0x55667788, sl[0]) << "low word first";
            EXPECT_EQ(0x11223344, sl[1]);
            int64_t longValue;
            memcpy(&longValue, sl, 8);
            EXPECT_EQ(0x1122334455667788LL, longValue);
            double doubleValue;
            memcpy(&doubleValue, fieldNamed(c, "SD")->u.staticAddress, 8);
            EXPECT_DOUBLE_EQ(3.141592653589793, doubleValue);
            float floatValue;
            memcpy(&floatValue, fieldNamed(c, "SF")->u.staticAddress, 4);
            EXPECT_EQ(1.5f, floatValue);
            EXPECT_EQ(-7, *fieldNamed(c, "SI")->u.staticAddress);
            EXPECT_EQ(p32Cell(internString("hi", 2, 0)), *fieldNamed(c, "SS")->u.staticAddress);
            EXPECT_EQ(0, *fieldNamed(c, "SO")->u.staticAddress);
        });
        EXPECT_TRUE(out.loaded) << out.trace << out.exception << out.message;
    }
}

// A load that ends in a Java exception, and what it leaves behind.
struct FailureCase {
    const char* name;
    std::vector<std::pair<std::string, ClassBuilder>> classes;
    const char* load;
    std::function<void()> before;  // inside the run, before the load
    const char* exception;
    const char* message;
    std::vector<const char*> rawAfter;  // classes that must be CLASS_RAW afterwards
};

std::vector<uint8_t> jarOfClasses(std::vector<std::pair<std::string, ClassBuilder>>& classes) {
    std::vector<JarEntry> entries;
    for (auto& c : classes) entries.push_back({c.first + ".class", c.second.bytes()});
    return makeJar(entries, false);
}

ClassBuilder withLongCode(const std::string& name, const std::string& super = "java/lang/Object") {
    ClassBuilder b = plainClass(name, super);
    classfile::Member& m = rawMethod(b, 0x0009, "big", "()V");
    addAttribute(b, m.attributes, "Code", codeBody(1, 0, std::vector<uint8_t>(32767, 0)));
    return b;
}

TEST(Link, FailedLoadsRaiseAndLeaveTheirClassesRaw) {
    FailureCase cases[] = {
        {"missing class", {}, "Missing", nullptr, "java/lang/NoClassDefFoundError", "Missing", {"Missing"}},
        {"missing class after Class.forName",
         {},
         "Missing",
         [] { classNotFoundMode = 1; },
         "java/lang/ClassNotFoundException",
         "Missing",
         {"Missing"}},
        {"missing superclass",
         {{"A", plainClass("A", "B")}},
         "A",
         nullptr,
         "java/lang/NoClassDefFoundError",
         "A: B ",
         {"A", "B"}},
        {"missing superclass two levels up",
         {{"A", plainClass("A", "B")}, {"B", plainClass("B", "C")}},
         "A",
         nullptr,
         "java/lang/NoClassDefFoundError",
         "A: C ",
         {"A", "B", "C"}},
        {"missing superclass after Class.forName",
         {{"A", plainClass("A", "B")}},
         "A",
         [] { classNotFoundMode = 1; },
         "java/lang/NoClassDefFoundError",
         "A: B ",
         {"A", "B"}},
        {"missing interface",
         {{"A", iface("A", {"I"})}},
         "A",
         nullptr,
         "java/lang/NoClassDefFoundError",
         "A: I ",
         {"A", "I"}},
        {"this_class names another class",
         {{"A", plainClass("Other")}},
         "A",
         nullptr,
         "java/lang/NoClassDefFoundError",
         "A",
         {"A"}},
        {"superclass failed earlier",
         {{"A", plainClass("A", "B")}},
         "A",
         [] { getRawClass("B")->status = CLASS_ERROR; },
         "java/lang/NoClassDefFoundError",
         "A",
         {"A"}},
        {"interface failed earlier",
         {{"A", iface("A", {"I"})}},
         "A",
         [] { getRawClass("I")->status = CLASS_ERROR; },
         "java/lang/NoClassDefFoundError",
         "A",
         {"A"}},
        {"code too long in the superclass",
         {{"A", plainClass("A", "B")}, {"B", withLongCode("B")}},
         "A",
         nullptr,
         "java/lang/OutOfMemoryError",
         "A: Maximum byte code length (32kB) exceeded ",
         {"A", "B"}},
        {"code too long two levels up",
         {{"A", plainClass("A", "B")}, {"B", plainClass("B", "C")}, {"C", withLongCode("C")}},
         "A",
         nullptr,
         "java/lang/OutOfMemoryError",
         "A: Maximum byte code length (32kB) exceeded ",
         {"A", "B", "C"}},
    };
    for (FailureCase& c : cases) {
        std::vector<uint8_t> jar = jarOfClasses(c.classes);
        LoaderVm vm;
        // a second request must read the classes again and fail the same way
        Outcome first, second;
        Outcome run = vm.run(jar, [&](Outcome&) {
            if (c.before) c.before();
            LoaderVm::loadInto(first, c.load);
            for (const char* name : c.rawAfter)
                EXPECT_EQ(CLASS_RAW, getRawClass(name)->status) << c.name << ": " << name;
            EXPECT_EQ(0, classNotFoundMode) << c.name;
            if (c.before) c.before();
            LoaderVm::loadInto(second, c.load);
        });
        EXPECT_EQ(0, run.exitCode) << c.name << "\n" << run.trace;
        for (Outcome* o : {&first, &second}) {
            EXPECT_FALSE(o->loaded) << c.name;
            EXPECT_EQ(c.exception, o->exception) << c.name;
            EXPECT_EQ(c.message, o->message) << c.name;
            EXPECT_EQ(CLASS_RAW, o->statusAfter) << c.name;
        }
    }
}

TEST(Link, ALinkedSuperclassStaysLinkedWhenItsSubclassFails) {
    ClassBuilder b = plainClass("B");
    ClassBuilder a = plainClass("A", "B");
    a.cf.interfaces = {a.cls("Gone")};
    std::vector<uint8_t> jar = jarOf({{"A", &a}, {"B", &b}});
    LoaderVm vm;
    Outcome out = vm.run(jar, [](Outcome& o) {
        LoaderVm::loadInto(o, "A");
        EXPECT_EQ(CLASS_LINKED, getRawClass("B")->status);
    });
    EXPECT_EQ("java/lang/NoClassDefFoundError", out.exception);
    EXPECT_EQ("A: Gone ", out.message);
    EXPECT_EQ(CLASS_RAW, out.statusAfter);
}

// Loads that end the run: the linkage errors and the package rules.
struct FatalCase {
    const char* name;
    std::vector<std::pair<std::string, ClassBuilder>> classes;
    const char* load;
    const char* alert;
};

ClassBuilder withSuperIndex(ClassBuilder b, const std::string& super) {
    b.cf.superClass = b.cls(super);
    return b;
}

TEST(Link, LinkageErrorsAndPackageRulesEndTheRun) {
    ClassBuilder internalUser = plainClass("A");
    internalUser.methodRef("quelt/cldc/Secret", "m", "()V");
    FatalCase cases[] = {
        {"circular superclasses",
         {{"A", plainClass("A", "B")}, {"B", plainClass("B", "A")}},
         "A",
         "ALERT: java/lang/ClassCircularityError.\n"},
        {"circular chain above the class",
         {{"A", plainClass("A", "B")}, {"B", plainClass("B", "C")}, {"C", plainClass("C", "B")}},
         "A",
         "ALERT: java/lang/ClassCircularityError.\n"},
        {"circular interfaces",
         {{"I", iface("I", {"J"})}, {"J", iface("J", {"I"})}},
         "I",
         "ALERT: java/lang/ClassCircularityError.\n"},
        {"class extending itself", {{"A", plainClass("A", "A")}}, "A", "ALERT: java/lang/ClassCircularityError.\n"},
        {"superclass is an interface",
         {{"A", plainClass("A", "I")}, {"I", iface("I")}},
         "A",
         "ALERT: java/lang/IncompatibleClassChangeError: Class extends an interface.\n"},
        {"superclass is final",
         {{"A", plainClass("A", "B")}, {"B", plainClass("B", "java/lang/Object", 0x0031)}},
         "A",
         "ALERT: java/lang/VerifyError: Class extends a final class.\n"},
        {"superclass is an array class",
         {{"A", withSuperIndex(plainClass("A"), "[I")}},
         "A",
         "ALERT: java/lang/ClassFormatError: Bad superclass.\n"},
        {"interface extending a class",
         {{"I", withSuperIndex(iface("I"), "B")}, {"B", plainClass("B")}},
         "I",
         "ALERT: java/lang/ClassFormatError: Bad superclass.\n"},
        {"implements an array class",
         {{"A", iface("A", {"[LI;"})}},
         "A",
         "ALERT: java/lang/ClassFormatError: Class implements an array class.\n"},
        {"implements a class",
         {{"A", iface("A", {"B"})}, {"B", plainClass("B")}},
         "A",
         "ALERT: java/lang/IncompatibleClassChangeError: Class implements a non-interface.\n"},
        {"superclass of another package not public",
         {{"q/A", plainClass("q/A", "p/B")}, {"p/B", plainClass("p/B", "java/lang/Object", 0x0020)}},
         "q/A",
         "ALERT: java/lang/IllegalAccessError: Cannot access class p/B from class q/A.\n"},
        {"interface of another package not public",
         {{"q/A", iface("q/A", {"p/I"})}, {"p/I", iface("p/I", {}, 0x0600)}},
         "q/A",
         "ALERT: java/lang/IllegalAccessError: Cannot access class p/I from class q/A.\n"},
        {"java class in the application JAR",
         {{"java/lang/Extra", plainClass("java/lang/Extra")}},
         "java/lang/Extra",
         "ALERT: Cannot load system package from Jar\n"},
        {"javax class in the application JAR",
         {{"javax/x/Y", plainClass("javax/x/Y")}},
         "javax/x/Y",
         "ALERT: Cannot load system package from Jar\n"},
        {"reference to an internal package",
         {{"A", internalUser}},
         "A",
         "ALERT: Cannot use class in Movane internal package\n"},
    };
    for (FatalCase& c : cases) {
        LoaderVm vm;
        Outcome out = vm.run(jarOfClasses(c.classes), [&](Outcome& o) { LoaderVm::loadInto(o, c.load); });
        EXPECT_EQ(127, out.exitCode) << c.name;
        EXPECT_NE(std::string::npos, out.trace.find(c.alert)) << c.name << "\n" << out.trace;
    }
}

TEST(Link, LoadingAClassThatIsNotRawEndsTheRun) {
    ClassBuilder a = plainClass("A");
    LoaderVm vm;
    Outcome out = vm.run(jarOf("A", a.bytes()), [](Outcome& o) {
        LoaderVm::loadInto(o, "A");
        LoaderVm::loadInto(o, "A");
    });
    EXPECT_EQ(127, out.exitCode);
    EXPECT_NE(std::string::npos, out.trace.find("ALERT: Expected class status of CLASS_RAW\n")) << out.trace;
}

TEST(Link, HeapExhaustionKeepsTheSharedOutOfMemoryErrorWithoutMessage) {
    // the entry itself fits the heap, its texts copied out of it do not
    ClassBuilder a = plainClass("A");
    a.string(std::string(40000, 'x'));
    a.string(std::string(40000, 'y'));
    LoaderVm vm(160 * 1024);
    Outcome out = vm.run(jarOf("A", a.bytes()), [](Outcome& o) {
        LoaderVm::loadInto(o, "A");
        EXPECT_EQ(nullptr, p32Ptr(OutOfMemoryObject->data[0])) << "the shared error is left as it was";
    });
    EXPECT_EQ(0, out.exitCode) << out.trace;
    EXPECT_EQ("java/lang/OutOfMemoryError", out.exception);
    EXPECT_EQ("(none)", out.message);
    EXPECT_EQ(CLASS_RAW, out.statusAfter);
}

TEST(Link, InstanceSizeBeyondSignedSixteenBitsIsRefused) {
    // the quick field instructions reach slot 32767 at most: B ends exactly there, and
    // A's one more slot does not fit
    auto fields = [](const std::string& name, const std::string& super, int longs, int ints) {
        ClassBuilder b = plainClass(name, super);
        for (int i = 0; i < longs; i++) b.field(0x0001, "f" + std::to_string(i), "J");
        for (int i = 0; i < ints; i++) b.field(0x0001, "i" + std::to_string(i), "I");
        return b;
    };
    ClassBuilder c = fields("C", "java/lang/Object", 16000, 0);
    ClassBuilder b = fields("B", "C", 383, 1);
    ClassBuilder a = fields("A", "B", 0, 1);
    LoaderVm vm(16 * 1024 * 1024);
    Outcome out = vm.run(jarOf({{"A", &a}, {"B", &b}, {"C", &c}}), [](Outcome& o) {
        LoaderVm::loadInto(o, "A");
        EXPECT_EQ(32767, getRawClass("B")->instSize);
        EXPECT_EQ(CLASS_LINKED, getRawClass("B")->status);
    });
    EXPECT_EQ(0, out.exitCode) << out.trace;
    EXPECT_EQ("java/lang/OutOfMemoryError", out.exception);
    EXPECT_EQ("A: Maximum instance size exceeded ", out.message);
    EXPECT_EQ(CLASS_RAW, out.statusAfter);
}

TEST(Link, NoSuperclassIsOnlyForObject) {
    ClassBuilder a = plainClass("A");
    a.cf.superClass = 0;
    a.cf.methods.clear();
    LoaderVm vm;
    Outcome out = vm.load(jarOf("A", a.bytes()), "A");
    EXPECT_EQ(127, out.exitCode);
    EXPECT_NE(std::string::npos, out.trace.find("ALERT: java/lang/ClassFormatError: Bad superclass.\n")) << out.trace;
}

TEST(Link, PackagePrivateSuperclassInTheSamePackageLinks) {
    ClassBuilder b = plainClass("p/B", "java/lang/Object", 0x0020);
    ClassBuilder a = plainClass("p/A", "p/B");
    LoaderVm vm;
    Outcome out = vm.load(jarOf({{"p/A", &a}, {"p/B", &b}}), "p/A");
    EXPECT_TRUE(out.loaded) << out.trace;
}

TEST(Link, LookupThroughTheCoreLoadsAndTheVerifierStepMarksVerified) {
    ClassBuilder a = plainClass("A");
    LoaderVm vm;
    Outcome out = vm.run(jarOf("A", a.bytes()), [](Outcome& o) {
        ClassRecord* c = getClass("A");
        EXPECT_EQ(CLASS_LINKED, c->status);
        verifyClass(c);
        EXPECT_EQ(CLASS_VERIFIED, c->status);
        o.loaded = true;
    });
    EXPECT_TRUE(out.loaded) << out.trace << out.exception << out.message;
}

TEST(Link, ArrayClassOfAnUnloadedClassIsCompletedByLoadingIt) {
    ClassBuilder a = plainClass("A");
    ClassBuilder hidden = plainClass("H", "java/lang/Object", 0x0020);
    LoaderVm vm;
    Outcome out = vm.run(jarOf({{"A", &a}, {"H", &hidden}}), [](Outcome& o) {
        struct {
            const char* element;
            bool isPublic;
        } cases[] = {{"A", true}, {"H", false}};
        for (auto& c : cases) {
            ArrayClassRecord* two = getArrayClass(2, getRawClass(c.element), 0);
            ArrayClassRecord* one = asArrayClass(two->u.elemClass);
            EXPECT_EQ(1u, two->flags & 1) << c.element;
            EXPECT_EQ(0, two->accessFlags & ACC_PUBLIC) << c.element;
            loadArrayClass(two);
            EXPECT_EQ(CLASS_LINKED, getRawClass(c.element)->status) << c.element;
            for (ArrayClassRecord* level : {two, one}) {
                EXPECT_EQ(0u, level->flags & 1) << c.element;
                EXPECT_EQ(c.isPublic, (level->accessFlags & ACC_PUBLIC) != 0) << c.element;
            }
        }
        o.loaded = true;
    });
    EXPECT_TRUE(out.loaded) << out.trace << out.exception << out.message;
}

}  // namespace
