// Reading class files: every refusal of a malformed class file with its exception and
// message, the limits on either side, and the records the loader writes.
#include <gtest/gtest.h>

#include "classload_fixture.h"

namespace {

using namespace loadtest;
using classfile::ExceptionHandler;

// The class every case starts from: a constructor, a static int with a constant, an
// instance field and a static method with a handler and a stack map.
ClassBuilder baseClass() {
    ClassBuilder b = plainClass("A");
    classfile::Member& k = b.field(0x0019, "K", "I");
    addAttribute(b, k.attributes, "ConstantValue", u2(b.integer(7)));
    b.field(0x0002, "x", "J");
    classfile::Member& m = rawMethod(b, 0x0009, "run", "(I)I");
    std::vector<classfile::Attribute> codeAttributes;
    addAttribute(b, codeAttributes, "StackMap",
                 stackMapBody({{3, {item(1)}, {item(7, b.cls("java/lang/Throwable"))}}}));
    addAttribute(b, m.attributes, "Code",
                 codeBody(2, 1, {0x1A, 0xAC, 0x00, 0x57, 0x03, 0xAC}, {{0, 2, 3, b.cls("java/lang/Throwable")}},
                          codeAttributes));
    return b;
}

struct FormatCase {
    const char* name;
    std::function<void(ClassBuilder&)> edit;
    std::function<void(std::vector<uint8_t>&)> editBytes;
    const char* exception;  // a class whose raising ends the run
    const char* message;
};

std::vector<uint8_t> build(const FormatCase& c) {
    ClassBuilder b = baseClass();
    if (c.edit) c.edit(b);
    std::vector<uint8_t> bytes = b.bytes();
    if (c.editBytes) c.editBytes(bytes);
    return bytes;
}

// A method whose Code attribute body is given as is.
void methodWithCode(ClassBuilder& b, uint16_t access, const char* name, const char* desc,
                    const std::vector<uint8_t>& code) {
    addAttribute(b, rawMethod(b, access, name, desc).attributes, "Code", code);
}

std::vector<uint8_t> returnCode(uint16_t maxStack = 1, uint16_t maxLocals = 1) {
    return codeBody(maxStack, maxLocals, {OP_RETURN});
}

// A static int field whose ConstantValue attributes are the bodies given.
void constantField(ClassBuilder& b, uint16_t access, const char* type, std::vector<std::vector<uint8_t>> bodies) {
    classfile::Member& f = b.field(access, "c", type);
    for (auto& body : bodies) addAttribute(b, f.attributes, "ConstantValue", body);
}

// A method with one stack-mapped frame list given as raw attribute body.
void stackMapMethod(ClassBuilder& b, uint16_t maxStack, uint16_t maxLocals,
                    std::vector<std::vector<uint8_t>> stackMaps) {
    std::vector<classfile::Attribute> attributes;
    for (auto& body : stackMaps) addAttribute(b, attributes, "StackMap", body);
    methodWithCode(b, 0x0009, "s", "()V", codeBody(maxStack, maxLocals, {0x00, 0x00, OP_RETURN}, {}, attributes));
}

const FormatCase formatCases[] = {
    {"magic", nullptr, [](auto& v) { v[3] ^= 1; }, "ClassFormatError", "Bad magic value"},
    {"major version 44", [](auto& b) { b.cf.major = 44; }, nullptr, "ClassFormatError", "Bad version information"},
    {"major version 49", [](auto& b) { b.cf.major = 49; }, nullptr, "ClassFormatError", "Bad version information"},
    {"trailing byte", nullptr, [](auto& v) { v.push_back(0); }, "ClassFormatError", "Class file size does not match"},
    {"constant tag 2", [](auto& b) { b.ref(2, 1, 1); }, nullptr, "ClassFormatError", "Invalid constant pool entry"},
    {"constant tag 15", [](auto& b) { b.ref(15, 1, 1); }, nullptr, "ClassFormatError", "Invalid constant pool entry"},
    {"long in the last slot",
     [](auto& b) {
         b.longConst(1);
         b.cf.pool.pop_back();
     },
     nullptr, "ClassFormatError", "Bad 64-bit constant"},
    {"methodref whose class index is a Utf8",
     [](auto& b) { b.ref(classfile::kMethodref, b.utf8("A"), b.nameAndType("m", "()V")); }, nullptr, "ClassFormatError",
     "Bad field or method reference"},
    {"fieldref whose name-and-type index is a Class",
     [](auto& b) { b.ref(classfile::kFieldref, b.cls("A"), b.cls("A")); }, nullptr, "ClassFormatError",
     "Bad field or method reference"},
    {"fieldref whose name-and-type index is past the pool",
     [](auto& b) { b.ref(classfile::kFieldref, b.cls("A"), 60000); }, nullptr, "ClassFormatError",
     "Bad field or method reference"},
    {"fieldref with a method type", [](auto& b) { b.ref(classfile::kFieldref, b.cls("A"), b.nameAndType("f", "()V")); },
     nullptr, "ClassFormatError", "Bad name/type reference"},
    {"methodref with a field type", [](auto& b) { b.ref(classfile::kMethodref, b.cls("A"), b.nameAndType("m", "I")); },
     nullptr, "ClassFormatError", "Bad name/type reference"},
    {"methodref naming <clinit>", [](auto& b) { b.methodRef("A", "<clinit>", "()V"); }, nullptr, "ClassFormatError",
     "Bad name/type reference"},
    {"class name index is an Integer", [](auto& b) { b.ref(classfile::kClass, b.integer(5)); }, nullptr,
     "ClassFormatError", "Bad Utf8 index"},
    {"class name index 0", [](auto& b) { b.ref(classfile::kClass, 0); }, nullptr, "ClassFormatError", "Bad Utf8 index"},
    {"string index past the pool", [](auto& b) { b.ref(classfile::kString, 65000); }, nullptr, "ClassFormatError",
     "Bad Utf8 index"},
    {"field name index is a Class", [](auto& b) { b.cf.fields[0].name = b.cls("A"); }, nullptr, "ClassFormatError",
     "Bad Utf8 index"},
    {"attribute name index is an Integer",
     [](auto& b) {
         b.cf.attributes.push_back({b.integer(3), {}});
     },
     nullptr, "ClassFormatError", "Bad Utf8 index"},
    {"Utf8 with a lone continuation byte", [](auto& b) { b.freshUtf8("a\x80"); }, nullptr, "ClassFormatError",
     "Bad Utf8 string"},
    {"Utf8 with a NUL byte", [](auto& b) { b.freshUtf8(std::string("a\0b", 3)); }, nullptr, "ClassFormatError",
     "Bad Utf8 string"},
    {"Utf8 ending inside a two-byte sequence", [](auto& b) { b.freshUtf8("a\xC3"); }, nullptr, "ClassFormatError",
     "Bad Utf8 string"},
    {"Utf8 ending inside a three-byte sequence", [](auto& b) { b.freshUtf8("\xE2\x82"); }, nullptr, "ClassFormatError",
     "Bad Utf8 string"},
    {"Utf8 with a four-byte lead", [](auto& b) { b.freshUtf8("\xF0\x9F\x98\x80"); }, nullptr, "ClassFormatError",
     "Bad Utf8 string"},
    {"class name with two slashes", [](auto& b) { b.cls("a//b"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"class name beginning with a digit", [](auto& b) { b.cls("1A"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"array class name with a bad element", [](auto& b) { b.cls("[Q"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"field name with a dot", [](auto& b) { b.nameAndType("a.b", "I"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"method name <x>", [](auto& b) { b.nameAndType("<x>", "()V"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"declared field name beginning with a digit", [](auto& b) { b.field(0, "9f", "I"); }, nullptr, "ClassFormatError",
     "Bad class, field or method name"},
    {"field descriptor Q", [](auto& b) { b.nameAndType("f", "Q"); }, nullptr, "ClassFormatError",
     "Bad field signature"},
    {"field descriptor V", [](auto& b) { b.field(0, "f", "V"); }, nullptr, "ClassFormatError", "Bad field signature"},
    {"field descriptor of 256 dimensions", [](auto& b) { b.nameAndType("f", std::string(256, '[') + "I"); }, nullptr,
     "ClassFormatError", "Bad field signature"},
    {"field descriptor of a class without ';'", [](auto& b) { b.field(0, "f", "Ljava/lang/Object"); }, nullptr,
     "ClassFormatError", "Bad field signature"},
    {"method descriptor without ')'", [](auto& b) { b.nameAndType("m", "(I"); }, nullptr, "ClassFormatError",
     "Bad method signature"},
    {"method descriptor with a void argument", [](auto& b) { b.nameAndType("m", "(V)V"); }, nullptr, "ClassFormatError",
     "Bad method signature"},
    {"method descriptor with two results", [](auto& b) { b.nameAndType("m", "()II"); }, nullptr, "ClassFormatError",
     "Bad method signature"},
    {"constructor returning int", [](auto& b) { methodWithCode(b, 1, "<init>", "()I", returnCode()); }, nullptr,
     "ClassFormatError", "Bad method signature"},
    {"interface not abstract", [](auto& b) { b.cf.access = 0x0201; }, nullptr, "ClassFormatError",
     "Bad class access flags"},
    {"final interface", [](auto& b) { b.cf.access = 0x0611; }, nullptr, "ClassFormatError", "Bad class access flags"},
    {"final abstract class", [](auto& b) { b.cf.access = 0x0431; }, nullptr, "ClassFormatError",
     "Bad class access flags"},
    {"this_class past the pool", [](auto& b) { b.cf.thisClass = 60000; }, nullptr, "ClassFormatError",
     "Bad constant index"},
    {"this_class is a Utf8", [](auto& b) { b.cf.thisClass = b.utf8("A"); }, nullptr, "ClassFormatError",
     "Bad constant tag"},
    {"super_class is a String", [](auto& b) { b.cf.superClass = b.string("x"); }, nullptr, "ClassFormatError",
     "Bad constant tag"},
    {"interface index is an Integer", [](auto& b) { b.cf.interfaces.push_back(b.integer(1)); }, nullptr,
     "ClassFormatError", "Bad constant tag"},
    {"Class use of a Utf8 stored past the pool's end",
     [](auto& b) {
         addAttribute(b, b.cf.methods[0].attributes, "Exceptions", attributeBytes({u2(1), u2(0)}));
         b.cf.methods[0].attributes.back().data = attributeBytes({u2(1), u2(b.freshUtf8("Tail"))});
     },
     nullptr, "ClassFormatError", "Bad constant index"},
    {"field public and private", [](auto& b) { b.field(0x0003, "f", "I"); }, nullptr, "ClassFormatError",
     "Bad field access flags"},
    {"field final and volatile", [](auto& b) { b.field(0x0050, "f", "I"); }, nullptr, "ClassFormatError",
     "Bad field access flags"},
    {"interface field only static",
     [](auto& b) {
         b = plainClass("A", "java/lang/Object", 0x0601);
         b.field(0x0009, "f", "I");
     },
     nullptr, "ClassFormatError", "Bad field access flags"},
    {"ConstantValue of 4 bytes", [](auto& b) { constantField(b, 0x0008, "I", {u4(b.integer(1))}); }, nullptr,
     "ClassFormatError", "Bad ConstantValue length"},
    {"ConstantValue twice",
     [](auto& b) {
         constantField(b, 0x0008, "I", {u2(b.integer(1)), u2(b.integer(1))});
     },
     nullptr, "ClassFormatError", "Duplicate ConstantValue attribute"},
    {"ConstantValue index 0", [](auto& b) { constantField(b, 0x0008, "I", {u2(0)}); }, nullptr, "ClassFormatError",
     "Bad constant index"},
    {"ConstantValue index past the pool", [](auto& b) { constantField(b, 0x0008, "I", {u2(60000)}); }, nullptr,
     "ClassFormatError", "Bad constant index"},
    {"int constant from a Float entry",
     [](auto& b) { constantField(b, 0x0008, "I", {u2(b.ref(classfile::kFloat, 0, 0, 0x3F800000))}); }, nullptr,
     "ClassFormatError", "Bad constant tag"},
    {"long constant from an Integer entry", [](auto& b) { constantField(b, 0x0008, "J", {u2(b.integer(1))}); }, nullptr,
     "ClassFormatError", "Bad constant tag"},
    {"String constant from an Integer entry",
     [](auto& b) { constantField(b, 0x0008, "Ljava/lang/String;", {u2(b.integer(1))}); }, nullptr, "ClassFormatError",
     "Bad constant tag"},
    {"duplicate field", [](auto& b) { b.field(0x0000, "x", "J"); }, nullptr, "ClassFormatError",
     "Duplicate field found"},
    {"duplicate method with other flags", [](auto& b) { methodWithCode(b, 0x0019, "run", "(I)I", returnCode()); },
     nullptr, "ClassFormatError", "Duplicate method found"},
    {"method public and protected", [](auto& b) { methodWithCode(b, 0x0005, "m", "()V", returnCode()); }, nullptr,
     "ClassFormatError", "Bad method access flags"},
    {"abstract final method", [](auto& b) { rawMethod(b, 0x0411, "m", "()V"); }, nullptr, "ClassFormatError",
     "Bad method access flags"},
    {"abstract native method", [](auto& b) { rawMethod(b, 0x0501, "m", "()V"); }, nullptr, "ClassFormatError",
     "Bad method access flags"},
    {"static constructor", [](auto& b) { methodWithCode(b, 0x0009, "<init>", "(I)V", returnCode(1, 2)); }, nullptr,
     "ClassFormatError", "Bad method access flags"},
    {"interface method with code",
     [](auto& b) {
         b = plainClass("A", "java/lang/Object", 0x0601);
         methodWithCode(b, 0x0001, "m", "()V", returnCode());
     },
     nullptr, "ClassFormatError", "Bad method access flags"},
    {"static interface method",
     [](auto& b) {
         b = plainClass("A", "java/lang/Object", 0x0601);
         rawMethod(b, 0x0409, "m", "()V");
     },
     nullptr, "ClassFormatError", "Bad method access flags"},
    {"protected interface method",
     [](auto& b) {
         b = plainClass("A", "java/lang/Object", 0x0601);
         rawMethod(b, 0x0404, "m", "()V");
     },
     nullptr, "ClassFormatError", "Bad method access flags"},
    {"frame smaller than the arguments", [](auto& b) { methodWithCode(b, 0x0001, "m", "(J)V", returnCode(1, 2)); },
     nullptr, "ClassFormatError", "Bad frame size"},
    {"method without Code", [](auto& b) { rawMethod(b, 0x0001, "m", "()V"); }, nullptr, "ClassFormatError",
     "Missing code attribute"},
    {"abstract method with Code", [](auto& b) { methodWithCode(b, 0x0401, "m", "()V", returnCode()); }, nullptr,
     "ClassFormatError", "Duplicate Code attribute"},
    {"native method with Code", [](auto& b) { methodWithCode(b, 0x0101, "m", "()V", returnCode()); }, nullptr,
     "ClassFormatError", "Duplicate Code attribute"},
    {"Code twice", [](auto& b) { addAttribute(b, b.cf.methods[0].attributes, "Code", returnCode()); }, nullptr,
     "ClassFormatError", "Duplicate Code attribute"},
    {"Code length one past its content", [](auto& b) { b.cf.methods[0].attributes[0].data.push_back(0); }, nullptr,
     "ClassFormatError", "Bad Code attribute length"},
    {"Exceptions twice",
     [](auto& b) {
         for (int i = 0; i < 2; i++) addAttribute(b, b.cf.methods[0].attributes, "Exceptions", attributeBytes({u2(0)}));
     },
     nullptr, "ClassFormatError", "Duplicate exception table"},
    {"Exceptions length not 2 + 2n",
     [](auto& b) {
         addAttribute(b, b.cf.methods[0].attributes, "Exceptions", attributeBytes({u2(1), u2(b.cls("A")), u2(0)}));
     },
     nullptr, "ClassFormatError", "Bad exception attribute"},
    {"Exceptions entry 0",
     [](auto& b) {
         addAttribute(b, b.cf.methods[0].attributes, "Exceptions", attributeBytes({u2(1), u2(0)}));
     },
     nullptr, "ClassFormatError", "Bad exception attribute"},
    {"Exceptions entry is a String",
     [](auto& b) {
         addAttribute(b, b.cf.methods[0].attributes, "Exceptions", attributeBytes({u2(1), u2(b.string("s"))}));
     },
     nullptr, "ClassFormatError", "Bad constant tag"},
    {"handler start not below its end",
     [](auto& b) {
         methodWithCode(b, 9, "h", "()V", codeBody(1, 0, {0, 0, OP_RETURN}, {{1, 1, 0, 0}}));
     },
     nullptr, "ClassFormatError", "Bad exception handler found"},
    {"handler end past the code",
     [](auto& b) {
         methodWithCode(b, 9, "h", "()V", codeBody(1, 0, {0, 0, OP_RETURN}, {{0, 4, 0, 0}}));
     },
     nullptr, "ClassFormatError", "Bad exception handler found"},
    {"handler pc at the code length",
     [](auto& b) {
         methodWithCode(b, 9, "h", "()V", codeBody(1, 0, {0, 0, OP_RETURN}, {{0, 3, 3, 0}}));
     },
     nullptr, "ClassFormatError", "Bad exception handler found"},
    {"handler catch type is a String",
     [](auto& b) {
         methodWithCode(b, 9, "h", "()V", codeBody(1, 0, {0, 0, OP_RETURN}, {{0, 3, 0, b.string("s")}}));
     },
     nullptr, "ClassFormatError", "Bad constant tag"},
    {"StackMap twice",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({}), stackMapBody({})});
     },
     nullptr, "ClassFormatError", "Duplicate StackMap attribute"},
    {"StackMap longer than its frames",
     [](auto& b) {
         auto body = stackMapBody({{0, {}, {}}});
         body.push_back(0);
         stackMapMethod(b, 1, 1, {body});
     },
     nullptr, "ClassFormatError", "Bad attribute size"},
    {"StackMap item 9",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({{0, {item(9)}, {}}})});
     },
     nullptr, "ClassFormatError", "Bad stack map"},
    {"StackMap locals past the frame",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({{0, {item(1), item(1)}, {}}})});
     },
     nullptr, "ClassFormatError", "Bad stack map"},
    {"StackMap long in the last local",
     [](auto& b) {
         stackMapMethod(b, 2, 1, {stackMapBody({{0, {item(4)}, {}}})});
     },
     nullptr, "ClassFormatError", "Bad stack map"},
    {"StackMap stack past the maximum",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({{0, {}, {item(3)}}})});
     },
     nullptr, "ClassFormatError", "Bad stack map"},
    {"StackMap object naming a Utf8",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({{0, {item(7, b.utf8("A"))}, {}}})});
     },
     nullptr, "ClassFormatError", "Bad constant tag"},
    {"StackMap new object at the code length",
     [](auto& b) {
         stackMapMethod(b, 1, 1, {stackMapBody({{0, {}, {item(8, 3)}}})});
     },
     nullptr, "ClassFormatError", "Bad NewObject"},
};

TEST(ClassLoadFormat, BaseClassLoads) {
    LoaderVm vm;
    Outcome out = vm.load(jarOf("A", baseClass().bytes()), "A");
    EXPECT_TRUE(out.loaded) << out.trace << out.exception << out.message;
    EXPECT_EQ(CLASS_LINKED, out.statusAfter);
}

TEST(ClassLoadFormat, MalformedClassFilesEndTheRunWithTheirError) {
    for (const FormatCase& c : formatCases) {
        LoaderVm vm;
        Outcome out = vm.load(jarOf("A", build(c)), "A");
        EXPECT_EQ(127, out.exitCode) << c.name;
        EXPECT_FALSE(out.loaded) << c.name;
        EXPECT_NE(std::string::npos, out.trace.find(alertOf(c.exception, c.message))) << c.name << "\n" << out.trace;
    }
}

TEST(ClassLoadFormat, EveryCutShortFileIsASizeMismatch) {
    std::vector<uint8_t> good = baseClass().bytes();
    for (size_t length = 0; length < good.size(); length++) {
        LoaderVm vm;
        std::vector<uint8_t> cut(good.begin(), good.begin() + length);
        Outcome out = vm.load(jarOf("A", cut), "A");
        EXPECT_EQ(127, out.exitCode) << "cut at " << length;
        EXPECT_NE(std::string::npos, out.trace.find(alertOf("ClassFormatError", "Class file size does not match")))
            << "cut at " << length << "\n"
            << out.trace;
    }
}

// A class file refused with a catchable error or accepted, on either side of a limit.
struct LimitCase {
    const char* name;
    std::function<void(ClassBuilder&)> edit;
    const char* message;  // null: the class loads
};

std::vector<uint8_t> ints(size_t n) { return std::vector<uint8_t>(n, 0x00); }

std::string argumentsOf(int ints, char tail = 0) {
    std::string d = "(" + std::string(ints, 'I');
    if (tail) d += tail;
    return d + ")V";
}

const LimitCase limitCases[] = {
    {"major version 45", [](auto& b) { b.cf.major = 45; }, nullptr},
    {"major version 48 with minor 0xFFFF", [](auto& b) { b.cf.minor = 0xFFFF; }, nullptr},
    {"code of 32766 bytes", [](auto& b) { methodWithCode(b, 9, "big", "()V", codeBody(1, 0, ints(32766))); }, nullptr},
    {"code of 32767 bytes", [](auto& b) { methodWithCode(b, 9, "big", "()V", codeBody(1, 0, ints(32767))); },
     "A: Maximum byte code length (32kB) exceeded "},
    {"locals and stack of 512", [](auto& b) { methodWithCode(b, 9, "big", "()V", codeBody(12, 500, {OP_RETURN})); },
     nullptr},
    {"locals and stack of 513", [](auto& b) { methodWithCode(b, 9, "big", "()V", codeBody(13, 500, {OP_RETURN})); },
     "A: Maximum size of locals and stack exceeded "},
    {"255 argument words, static",
     [](auto& b) { methodWithCode(b, 9, "m", argumentsOf(255).c_str(), codeBody(1, 255, {OP_RETURN})); }, nullptr},
    {"255 argument words with this and longs",
     [](auto& b) { methodWithCode(b, 1, "m", argumentsOf(252, 'J').c_str(), codeBody(1, 255, {OP_RETURN})); }, nullptr},
};

const FormatCase argumentCases[] = {
    {"256 argument words, static",
     [](auto& b) { methodWithCode(b, 9, "m", argumentsOf(256).c_str(), codeBody(1, 256, {OP_RETURN})); }, nullptr,
     "ClassFormatError", "More than 255 method arguments"},
    {"256 argument words with this",
     [](auto& b) { methodWithCode(b, 1, "m", argumentsOf(255).c_str(), codeBody(1, 256, {OP_RETURN})); }, nullptr,
     "ClassFormatError", "More than 255 method arguments"},
    {"256 argument words ending in a double",
     [](auto& b) { methodWithCode(b, 9, "m", argumentsOf(254, 'D').c_str(), codeBody(1, 256, {OP_RETURN})); }, nullptr,
     "ClassFormatError", "More than 255 method arguments"},
};

TEST(ClassLoadLimits, EachLimitAcceptsItsMaximumAndRefusesOneMore) {
    for (const LimitCase& c : limitCases) {
        LoaderVm vm;
        ClassBuilder b = baseClass();
        c.edit(b);
        Outcome out = vm.load(jarOf("A", b.bytes()), "A");
        EXPECT_EQ(0, out.exitCode) << c.name << "\n" << out.trace;
        if (c.message == nullptr) {
            EXPECT_TRUE(out.loaded) << c.name << ": " << out.exception << " " << out.message;
            EXPECT_EQ(CLASS_LINKED, out.statusAfter) << c.name;
        } else {
            EXPECT_EQ("java/lang/OutOfMemoryError", out.exception) << c.name;
            EXPECT_EQ(c.message, out.message) << c.name;
            EXPECT_EQ(CLASS_RAW, out.statusAfter) << c.name;
        }
    }
    for (const FormatCase& c : argumentCases) {
        LoaderVm vm;
        Outcome out = vm.load(jarOf("A", build(c)), "A");
        EXPECT_EQ(127, out.exitCode) << c.name;
        EXPECT_NE(std::string::npos, out.trace.find(alertOf(c.exception, c.message))) << c.name << "\n" << out.trace;
    }
}

// ---------------------------------------------------------------------------------
// What the loader writes

std::string keyName(uint16_t key) {
    int length = 0;
    const char* text = changeKeyToName(key, &length);
    return text ? std::string(text, length) : std::string("?");
}

MethodRecord* methodNamed(ClassRecord* c, const char* name) {
    for (uint32_t i = 0; c->methodTable && i < c->methodTable->length; i++) {
        if (keyName(c->methodTable->methods[i].nt.k.nameKey) == name) return &c->methodTable->methods[i];
    }
    return nullptr;
}

FieldRecord* fieldNamed(ClassRecord* c, const char* name) {
    for (uint32_t i = 0; c->fieldTable && i < c->fieldTable->length; i++) {
        if (keyName(c->fieldTable->fields[i].nameKey) == name) return &c->fieldTable->fields[i];
    }
    return nullptr;
}

TEST(ClassLoadRecords, ConstantPoolKeepsNoTrailingUtf8AndHighWordFirst) {
    ClassBuilder b = plainClass("A");
    uint16_t integer = b.integer(-5);
    uint16_t longIndex = b.longConst(0x0102030405060708LL);
    uint16_t string = b.string("hello");
    uint16_t cls = b.cls("B");
    uint16_t field = b.fieldRef("B", "f", "J");
    uint16_t lastNonUtf8 = b.nameAndType("g", "[I");  // its texts come before it: "g" is new
    b.freshUtf8("trailing one");
    b.freshUtf8("trailing two");
    LoaderVm vm;
    Outcome out = vm.load(jarOf("A", b.bytes()), "A", [&](ClassRecord* c) {
        ConstantPool* cp = c->constPool;
        uint8_t* tags = cpTags(cp);
        EXPECT_EQ(lastNonUtf8 + 1u, cp->entries[0].u);
        EXPECT_EQ(CONSTANT_Integer, tags[integer]);
        EXPECT_EQ(-5, cp->entries[integer].i);
        EXPECT_EQ(CONSTANT_Long, tags[longIndex]);
        EXPECT_EQ(0, tags[longIndex + 1]);
        EXPECT_EQ(0x01020304u, cp->entries[longIndex].u);
        EXPECT_EQ(0x05060708u, cp->entries[longIndex + 1].u);
        EXPECT_EQ(CONSTANT_String, tags[string]);
        EXPECT_EQ(internString("hello", 5, 0), cp->entries[string].string);
        EXPECT_EQ(CONSTANT_Class, tags[cls]);
        EXPECT_EQ(getRawClass("B"), cp->entries[cls].clazz);
        EXPECT_EQ(CLASS_RAW, getRawClass("B")->status) << "a class entry does not load its class";
        EXPECT_EQ(CONSTANT_Fieldref, tags[field]);
        EXPECT_EQ(cls, cp->entries[field].u & 0xFFFF);
        uint32_t nameType = cp->entries[cp->entries[field].u >> 16].u;
        EXPECT_EQ(getNameAndTypeKey("f", "J"), nameType);
        EXPECT_EQ(getNameAndTypeKey("g", "[I"), cp->entries[lastNonUtf8].u);
        EXPECT_EQ(0, tags[1]) << "a Utf8 entry before the last stored one is kept as 0";
        for (uint32_t i = 1; i < cp->entries[0].u; i++) EXPECT_EQ(0, tags[i] & CP_RESOLVED) << "entry " << i;
        EXPECT_EQ(JavaLangClass, c->clazz);
    });
    EXPECT_TRUE(out.loaded) << out.trace;
}

TEST(ClassLoadRecords, MethodsFieldsHandlersAndStackMaps) {
    ClassBuilder b =
        plainClass("A", "java/lang/Object", 0x0421 | 0x0800);  // abstract; a strict bit that does not survive
    uint16_t throwable = b.cls("java/lang/Throwable");
    uint16_t self = b.cls("A");
    b.cf.interfaces = {b.cls("java/lang/Runnable")};
    std::vector<classfile::Attribute> maps;
    // three frames: the second equals the first and shares its array
    addAttribute(b, maps, "StackMap",
                 stackMapBody({{2, {item(4), item(7, self)}, {item(8, 1)}},
                               {5, {item(4), item(7, self)}, {item(8, 1)}},
                               {6, {item(3)}, {item(6), item(5)}}}));
    classfile::Member& m = rawMethod(b, 0x0001 | 0x0020 | 0x0800, "m", "(JLjava/lang/Object;)Ljava/lang/String;");
    addAttribute(b, m.attributes, "Code",
                 codeBody(3, 5, {0, 0, 0, 0, 0, 0, 0, OP_RETURN}, {{0, 4, 6, throwable}, {1, 8, 7, 0}}, maps));
    rawMethod(b, 0x0101 | 0x0008, "n", "(D)J");
    rawMethod(b, 0x0401, "a", "()[I");
    methodWithCode(b, 0x0001, "<clinit>", "()V", returnCode(0, 0));
    b.field(0x0004 | 0x0080, "o", "[Ljava/lang/Object;");
    LoaderVm vm;
    vm.vm.cls("java/lang/Runnable", "java/lang/Object", 0x0601);
    Outcome out = vm.load(jarOf("A", b.bytes()), "A", [&](ClassRecord* c) {
        EXPECT_EQ(0x0421, c->accessFlags);
        ASSERT_NE(nullptr, c->interfaces);
        EXPECT_EQ(1, c->interfaces[0]);
        EXPECT_EQ(getRawClass("java/lang/Runnable"), c->constPool->entries[c->interfaces[1]].clazz);
        MethodRecord* mm = methodNamed(c, "m");
        ASSERT_NE(nullptr, mm);
        EXPECT_EQ(0x0001u | 0x0020 | 0x0800 | ACC_POINTER, mm->accessFlags);
        EXPECT_EQ(4, mm->argCount);
        EXPECT_EQ(5, mm->frameSize);
        EXPECT_EQ(3, mm->maxStack);
        EXPECT_EQ(8, mm->codeLength);
        EXPECT_EQ(OP_RETURN, mm->u.code[7]);
        EXPECT_EQ(c, mm->ofClass);
        EXPECT_EQ(getNameAndTypeKey("m", "(JLjava/lang/Object;)Ljava/lang/String;"), mm->nt.nameTypeKey);
        ASSERT_NE(nullptr, mm->handlers);
        ASSERT_EQ(2u, mm->handlers->length);
        EXPECT_EQ(0, mm->handlers->handlers[0].startPC);
        EXPECT_EQ(4, mm->handlers->handlers[0].endPC);
        EXPECT_EQ(6, mm->handlers->handlers[0].handlerPC);
        EXPECT_EQ(throwable, mm->handlers->handlers[0].catchType);
        EXPECT_EQ(0, mm->handlers->handlers[1].catchType);
        StackMapTable* table = (StackMapTable*)mm->stackMaps;
        ASSERT_NE(nullptr, table);
        ASSERT_EQ(3u, table->count);
        EXPECT_EQ(2u, stackMapOffset(table, 0));
        EXPECT_EQ(5u, stackMapOffset(table, 1));
        EXPECT_EQ(6u, stackMapOffset(table, 2));
        uint16_t* f0 = stackMapFrame(table, 0);
        std::vector<uint16_t> expect0 = {3, ITEM_Long, ITEM_Long_2, c->key, 1, newObjectType(1)};
        EXPECT_EQ(expect0, std::vector<uint16_t>(f0, f0 + expect0.size()));
        EXPECT_EQ(f0, stackMapFrame(table, 1)) << "equal frames share one array";
        uint16_t* f2 = stackMapFrame(table, 2);
        std::vector<uint16_t> expect2 = {2, ITEM_Double, ITEM_Double_2, 2, ITEM_InitObject, ITEM_Null};
        EXPECT_EQ(expect2, std::vector<uint16_t>(f2, f2 + expect2.size()));
        MethodRecord* n = methodNamed(c, "n");
        ASSERT_NE(nullptr, n);
        EXPECT_EQ(0x0109u | ACC_DOUBLE, n->accessFlags) << "no native function is found for a loaded class";
        EXPECT_EQ(2, n->argCount);
        EXPECT_EQ(nullptr, n->u.code);
        EXPECT_EQ(nullptr, n->handlers);
        MethodRecord* a = methodNamed(c, "a");
        ASSERT_NE(nullptr, a);
        EXPECT_EQ(0x0401u | ACC_POINTER, a->accessFlags);
        EXPECT_EQ(1, a->argCount);
        MethodRecord* clinit = methodNamed(c, "<clinit>");
        ASSERT_NE(nullptr, clinit);
        EXPECT_EQ(ACC_STATIC | ACC_DOUBLE | ACC_POINTER, clinit->accessFlags) << "<clinit> keeps only static";
        EXPECT_EQ(0, clinit->argCount);
        FieldRecord* o = fieldNamed(c, "o");
        ASSERT_NE(nullptr, o);
        EXPECT_EQ(0x0084u | ACC_POINTER, o->accessFlags);
        EXPECT_EQ(c, o->ofClass);
        EXPECT_EQ(0u, o->u.offset);
        EXPECT_EQ(1, c->instSize) << "one instance slot";
    });
    EXPECT_TRUE(out.loaded) << out.trace << out.exception << out.message;
}

// ---------------------------------------------------------------------------------
// Names

TEST(ClassLoadNames, VerifyNameByKind) {
    struct Case {
        const char* name;
        int kind;
        bool valid;
    } cases[] = {
        {"", NAME_KIND_FIELD, false},
        {"a", NAME_KIND_FIELD, true},
        {"_$x9", NAME_KIND_FIELD, true},
        {"9x", NAME_KIND_FIELD, false},
        {"a/b", NAME_KIND_FIELD, false},
        {"a/b", NAME_KIND_CLASS, true},
        {"a$b_c/d$", NAME_KIND_CLASS, true},
        {"a//b", NAME_KIND_CLASS, false},
        {"/a", NAME_KIND_CLASS, false},
        {"a.b", NAME_KIND_CLASS, false},
        {"a;", NAME_KIND_FIELD, false},
        {"caf\xC3\xA9", NAME_KIND_FIELD, true},
        {"\xE6\x97\xA5", NAME_KIND_CLASS, true},
        {"<init>", NAME_KIND_METHOD, true},
        {"<clinit>", NAME_KIND_METHOD, true},
        {"<init>", NAME_KIND_FIELD, false},
        {"<main>", NAME_KIND_METHOD, false},
        {"[I", NAME_KIND_CLASS, true},
        {"[[Ljava/lang/String;", NAME_KIND_CLASS, true},
        {"[V", NAME_KIND_CLASS, false},
        {"[Ljava/lang/String;x", NAME_KIND_CLASS, false},
        {"[L;", NAME_KIND_CLASS, false},
        {"[I", NAME_KIND_FIELD, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.valid, verifyName(c.name, c.kind)) << c.name << " kind " << c.kind;
    std::string deep = std::string(255, '[') + "I";
    EXPECT_TRUE(verifyName(deep.c_str(), NAME_KIND_CLASS)) << "255 dimensions";
    deep = "[" + deep;
    EXPECT_FALSE(verifyName(deep.c_str(), NAME_KIND_CLASS)) << "256 dimensions";
}

TEST(ClassLoadNames, ReplaceLettersInPlace) {
    char text[] = "java.lang.String";
    EXPECT_EQ(text, replaceLetters(text, '.', '/'));
    EXPECT_STREQ("java/lang/String", text);
    char none[] = "";
    EXPECT_STREQ("", replaceLetters(none, '.', '/'));
}

}  // namespace
