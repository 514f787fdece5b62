// The class converter on javac's output for a table of Java samples (compiled by the
// build) and on hand-built fixtures for everything javac will not produce.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "support/classfile_builder.h"
#include "support/zipwriter.h"
#include "tools/classconv/archive.h"
#include "tools/classconv/classfile.h"
#include "tools/classconv/convert.h"

namespace fs = std::filesystem;
using namespace classfile;
using testsupport::ClassBuilder;
using testsupport::hi;
using testsupport::lo;

namespace {

std::vector<uint8_t> slurp(const std::string& path) {
    std::vector<uint8_t> data;
    std::string error;
    EXPECT_TRUE(classconv::readFile(path, data, error)) << error;
    return data;
}

// Class files below a folder, relative paths, sorted.
std::vector<std::string> classesUnder(const std::string& dir) {
    std::vector<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().extension() == ".class") out.push_back(fs::relative(e.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

const std::set<std::string>& libraryNames() {
    static std::set<std::string> names = [] {
        std::set<std::string> n;
        std::vector<classconv::ArchiveEntry> entries;
        std::string error;
        EXPECT_TRUE(classconv::readArchive(slurp(LIBRARY_JAR), entries, error)) << error;
        for (auto& e : entries)
            if (e.name.size() > 6 && e.name.substr(e.name.size() - 6) == ".class")
                n.insert(e.name.substr(0, e.name.size() - 6));
        return n;
    }();
    return names;
}

// The samples and the library: what the sample classes may refer to.
std::set<std::string> sampleKnown() {
    std::set<std::string> known = libraryNames();
    for (const std::string& rel : classesUnder(SAMPLES_JAVAC)) known.insert(rel.substr(0, rel.size() - 6));
    return known;
}

ClassFile parsed(const std::vector<uint8_t>& bytes) {
    ClassFile cf;
    std::string error;
    EXPECT_TRUE(parse(bytes.data(), bytes.size(), cf, error)) << error;
    return cf;
}

Code codeOf(const ClassFile& cf, const Member& m) {
    Code code;
    std::string error;
    const Attribute* a = findAttribute(cf, m.attributes, "Code");
    if (a) {
        EXPECT_TRUE(parseCode(a->data, code, error)) << error;
    }
    return code;
}

const Member* methodNamed(const ClassFile& cf, const std::string& name, const std::string& desc) {
    for (const Member& m : cf.methods)
        if (utf8At(cf, m.name) == name && utf8At(cf, m.descriptor) == desc) return &m;
    return nullptr;
}

// Frames as text, so that two class files with different pools compare by meaning:
// "int", "long", "Ljava/lang/String", "new@12", "uninitializedThis", ...
struct TextFrame {
    uint32_t offset = 0;
    std::vector<std::string> locals, stack;
    bool operator==(const TextFrame& o) const { return offset == o.offset && locals == o.locals && stack == o.stack; }
};

std::ostream& operator<<(std::ostream& os, const TextFrame& f) {
    os << "@" << f.offset << " locals [";
    for (auto& s : f.locals) os << s << " ";
    os << "] stack [";
    for (auto& s : f.stack) os << s << " ";
    return os << "]";
}

std::string mapped(std::string s) {
    const std::string from = "java/lang/StringBuilder";
    for (size_t p; (p = s.find(from)) != std::string::npos;) s.replace(p, from.size(), "java/lang/StringBuffer");
    return s;
}

std::string itemText(const ClassFile& cf, Reader& r) {
    static const char* const names[] = {"top", "int", "float", "double", "long", "null", "uninitializedThis"};
    unsigned tag = r.u1();
    if (tag <= 6) return names[tag];
    if (tag == 7) return "L" + className(cf, r.u2());
    if (tag == 8) return "new@" + std::to_string(r.u2());
    ADD_FAILURE() << "bad item " << tag;
    return "?";
}

// javac's StackMapTable expanded by the rules of the class-file format, written apart from
// the converter's decoder so that the two check each other.
std::vector<TextFrame> javacFrames(const ClassFile& cf, const Member& m) {
    std::vector<TextFrame> out;
    Code code = codeOf(cf, m);
    const Attribute* smt = findAttribute(cf, code.attributes, "StackMapTable");
    if (!smt) return out;
    const std::string name = utf8At(cf, m.name), desc = utf8At(cf, m.descriptor);
    const std::string self = className(cf, cf.thisClass);
    TextFrame cur;
    if (!(m.access & 0x0008))
        cur.locals.push_back(name == "<init>" && self != "java/lang/Object" ? "uninitializedThis" : "L" + self);
    for (size_t i = 1; desc[i] != ')';) {
        size_t start = i;
        while (desc[i] == '[') i++;
        if (desc[i] == 'L') i = desc.find(';', i);
        char c = desc[i++];
        if (start != i - 1 || c == ';') {
            std::string t = desc.substr(start, i - start);
            cur.locals.push_back(t[0] == '[' ? "L" + t : "L" + t.substr(1, t.size() - 2));
        } else {
            cur.locals.push_back(c == 'J' ? "long" : c == 'D' ? "double" : c == 'F' ? "float" : "int");
        }
    }
    Reader r(smt->data.data(), smt->data.size());
    unsigned n = r.u2();
    int64_t last = -1;
    for (unsigned k = 0; k < n; k++) {
        unsigned type = r.u1(), delta;
        cur.stack.clear();
        if (type <= 63) {
            delta = type;
        } else if (type <= 127) {
            delta = type - 64;
            cur.stack.push_back(itemText(cf, r));
        } else if (type == 247) {
            delta = r.u2();
            cur.stack.push_back(itemText(cf, r));
        } else if (type >= 248 && type <= 250) {
            delta = r.u2();
            cur.locals.resize(cur.locals.size() - (251 - type));
        } else if (type == 251) {
            delta = r.u2();
        } else if (type >= 252 && type <= 254) {
            delta = r.u2();
            for (unsigned j = 0; j < type - 251; j++) cur.locals.push_back(itemText(cf, r));
        } else {
            EXPECT_EQ(type, 255u);
            delta = r.u2();
            cur.locals.clear();
            for (unsigned j = r.u2(); j > 0; j--) cur.locals.push_back(itemText(cf, r));
            for (unsigned j = r.u2(); j > 0; j--) cur.stack.push_back(itemText(cf, r));
        }
        last = last + delta + 1;
        cur.offset = uint32_t(last);
        TextFrame f = cur;
        for (auto* list : {&f.locals, &f.stack})
            for (std::string& s : *list) s = mapped(s);
        out.push_back(f);
    }
    EXPECT_FALSE(r.bad);
    return out;
}

std::vector<TextFrame> cldcFrames(const ClassFile& cf, const Code& code) {
    std::vector<TextFrame> out;
    const Attribute* sm = findAttribute(cf, code.attributes, "StackMap");
    if (!sm) {
        ADD_FAILURE() << "no StackMap";
        return out;
    }
    Reader r(sm->data.data(), sm->data.size());
    for (unsigned n = r.u2(); n > 0; n--) {
        TextFrame f;
        f.offset = r.u2();
        for (unsigned j = r.u2(); j > 0; j--) f.locals.push_back(itemText(cf, r));
        for (unsigned j = r.u2(); j > 0; j--) f.stack.push_back(itemText(cf, r));
        out.push_back(f);
    }
    EXPECT_TRUE(r.atEnd() && !r.bad) << "StackMap length";
    return out;
}

std::vector<uint8_t> convertOk(const std::vector<uint8_t>& in, const std::set<std::string>& known) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(classconv::convertClass(in.data(), in.size(), known, out, error)) << error;
    return out;
}

// ---- javac samples ----

struct SampleConversion {
    std::string rel;
    ClassFile before, after;
};

const std::vector<SampleConversion>& samples() {
    static std::vector<SampleConversion> all = [] {
        std::vector<SampleConversion> v;
        std::set<std::string> known = sampleKnown();
        for (const std::string& rel : classesUnder(SAMPLES_JAVAC)) {
            std::vector<uint8_t> raw = slurp(std::string(SAMPLES_JAVAC) + "/" + rel);
            v.push_back({rel, parsed(raw), parsed(convertOk(raw, known))});
        }
        return v;
    }();
    return all;
}

TEST(ClassconvSamples, TableOfSourcesIsThere) {
    std::set<std::string> names;
    for (auto& s : samples()) names.insert(s.rel);
    for (const char* expected :
         {"samples/Loops.class", "samples/Exceptions.class", "samples/Ternary.class", "samples/Wide.class",
          "samples/Switches.class", "samples/Concat.class", "samples/Outer.class", "samples/Outer$Inner.class",
          "samples/Outer$Nested.class", "samples/Outer$1.class", "samples/StaticInit.class"})
        EXPECT_TRUE(names.count(expected)) << expected;
}

TEST(ClassconvSamples, VersionMembersAndCodeBytesKept) {
    for (const SampleConversion& s : samples()) {
        SCOPED_TRACE(s.rel);
        EXPECT_EQ(s.after.major, 48);
        EXPECT_EQ(s.after.minor, 0);
        EXPECT_EQ(s.after.access, s.before.access);
        EXPECT_EQ(className(s.after, s.after.thisClass), className(s.before, s.before.thisClass));
        EXPECT_EQ(className(s.after, s.after.superClass), className(s.before, s.before.superClass));
        ASSERT_EQ(s.after.fields.size(), s.before.fields.size());
        ASSERT_EQ(s.after.methods.size(), s.before.methods.size());
        for (size_t i = 0; i < s.before.methods.size(); i++) {
            const Member& a = s.before.methods[i];
            const Member& b = s.after.methods[i];
            SCOPED_TRACE(utf8At(s.before, a.name) + utf8At(s.before, a.descriptor));
            EXPECT_EQ(utf8At(s.after, b.name), utf8At(s.before, a.name));
            EXPECT_EQ(utf8At(s.after, b.descriptor), mapped(utf8At(s.before, a.descriptor)));
            EXPECT_EQ(b.access, a.access);
            Code ca = codeOf(s.before, a), cb = codeOf(s.after, b);
            EXPECT_EQ(cb.code, ca.code) << "code bytes changed";
            EXPECT_EQ(cb.maxStack, ca.maxStack);
            EXPECT_EQ(cb.maxLocals, ca.maxLocals);
            ASSERT_EQ(cb.handlers.size(), ca.handlers.size());
            for (size_t h = 0; h < ca.handlers.size(); h++) {
                EXPECT_EQ(cb.handlers[h].start, ca.handlers[h].start);
                EXPECT_EQ(cb.handlers[h].handler, ca.handlers[h].handler);
                EXPECT_EQ(className(s.after, cb.handlers[h].catchType), className(s.before, ca.handlers[h].catchType));
            }
            // pool entries the code names keep their index and meaning
            for (size_t p = 1; p < s.before.pool.size(); p++) {
                const Constant& x = s.before.pool[p];
                const Constant& y = s.after.pool[p];
                ASSERT_EQ(y.tag, x.tag) << "pool entry " << p;
                if (x.tag == kString) {
                    EXPECT_EQ(utf8At(s.after, y.a), utf8At(s.before, x.a));
                } else if (x.tag == kClass) {
                    EXPECT_EQ(className(s.after, p), mapped(className(s.before, p)));
                } else if (x.tag == kInteger || x.tag == kLong || x.tag == kFloat || x.tag == kDouble) {
                    EXPECT_EQ(y.value, x.value);
                }
            }
        }
    }
}

TEST(ClassconvSamples, AttributesKeptAndDropped) {
    for (const SampleConversion& s : samples()) {
        SCOPED_TRACE(s.rel);
        for (const Attribute& a : s.after.attributes)
            EXPECT_TRUE(attributeName(s.after, a) == "SourceFile" || attributeName(s.after, a) == "InnerClasses")
                << attributeName(s.after, a);
        for (const Member& m : s.after.methods) {
            for (const Attribute& a : m.attributes)
                EXPECT_TRUE(attributeName(s.after, a) == "Code" || attributeName(s.after, a) == "Exceptions")
                    << attributeName(s.after, a);
            if (m.access & 0x0500) continue;
            Code code = codeOf(s.after, m);
            ASSERT_EQ(code.attributes.size(), 1u) << "one StackMap and nothing else";
            EXPECT_EQ(attributeName(s.after, code.attributes[0]), "StackMap");
        }
        for (const Member& f : s.after.fields)
            for (const Attribute& a : f.attributes) EXPECT_EQ(attributeName(s.after, a), "ConstantValue");
    }
}

TEST(ClassconvSamples, StackMapEqualsJavacFramesExpanded) {
    size_t compared = 0;
    for (const SampleConversion& s : samples()) {
        for (size_t i = 0; i < s.before.methods.size(); i++) {
            const Member& m = s.before.methods[i];
            if (m.access & 0x0500) continue;
            SCOPED_TRACE(s.rel + " " + utf8At(s.before, m.name) + utf8At(s.before, m.descriptor));
            std::vector<TextFrame> expected = javacFrames(s.before, m);
            std::vector<TextFrame> actual = cldcFrames(s.after, codeOf(s.after, s.after.methods[i]));
            ASSERT_EQ(actual.size(), expected.size());
            for (size_t k = 0; k < expected.size(); k++) EXPECT_EQ(actual[k], expected[k]);
            compared += expected.size();
        }
    }
    EXPECT_GT(compared, 50u);
}

const SampleConversion& sample(const std::string& rel) {
    for (const SampleConversion& s : samples())
        if (s.rel == rel) return s;
    ADD_FAILURE() << "no sample " << rel;
    static SampleConversion none;
    return none;
}

std::vector<TextFrame> convertedFrames(const std::string& rel, const std::string& method, const std::string& desc,
                                       Code* codeOut = nullptr) {
    const SampleConversion& s = sample(rel);
    const Member* m = methodNamed(s.after, method, desc);
    if (!m) {
        ADD_FAILURE() << "no method " << method << desc;
        return {};
    }
    Code code = codeOf(s.after, *m);
    if (codeOut) *codeOut = code;
    return cldcFrames(s.after, code);
}

bool hasFrame(const std::vector<TextFrame>& frames, const std::vector<std::string>& locals,
              const std::vector<std::string>& stack) {
    for (const TextFrame& f : frames)
        if (f.locals == locals && f.stack == stack) return true;
    return false;
}

// Frames written out by hand for the shapes that matter most to the VM's verifier.
TEST(ClassconvSamples, KnownFrames) {
    Code code;
    // new Ternary(c ? a : b): both copies of the new object stay uninitialised across the join
    auto frames = convertedFrames("samples/Ternary.class", "make",
                                  "(ZLjava/lang/String;Ljava/lang/Integer;)Lsamples/Ternary;", &code);
    ASSERT_FALSE(code.code.empty());
    EXPECT_EQ(code.code[0], 187) << "the new is at offset 0";
    EXPECT_TRUE(
        hasFrame(frames, {"int", "Ljava/lang/String", "Ljava/lang/Integer"}, {"new@0", "new@0", "Ljava/lang/Object"}));
    EXPECT_TRUE(hasFrame(frames, {"int", "Ljava/lang/String", "Ljava/lang/Integer"}, {"new@0", "new@0"}));

    // a branch before this(...): the uninitialised this in locals and on the stack
    frames = convertedFrames("samples/Ternary.class", "<init>", "(Z)V");
    EXPECT_TRUE(hasFrame(frames, {"uninitializedThis", "int"}, {"uninitializedThis", "Ljava/lang/Object"}));

    // long and double are one item each, with no top item after them
    frames = convertedFrames("samples/Wide.class", "between", "(JID)J", &code);
    EXPECT_TRUE(hasFrame(frames, {"Lsamples/Wide", "long", "int", "double", "long"}, {}));
    frames = convertedFrames("samples/Wide.class", "mix", "(JDI)D");
    EXPECT_TRUE(hasFrame(frames, {"long", "double", "int", "long", "double", "int"}, {}));
    EXPECT_TRUE(hasFrame(frames, {"long", "double", "int", "long", "double"}, {"long", "double"}) ||
                hasFrame(frames, {"long", "double", "int", "long", "double"}, {}));

    frames = convertedFrames("samples/Wide.class", "chopWide", "(I)J");
    EXPECT_TRUE(hasFrame(frames, {"int", "long", "long", "double"}, {}));
    EXPECT_TRUE(hasFrame(frames, {"int", "long"}, {}));

    // a handler entry of a finally block
    frames = convertedFrames("samples/Exceptions.class", "tryCatchFinally", "(Ljava/lang/String;)I");
    EXPECT_TRUE(
        hasFrame(frames, {"Lsamples/Exceptions", "Ljava/lang/String", "int"}, {"Ljava/lang/NumberFormatException"}));
    EXPECT_TRUE(hasFrame(frames, {"Lsamples/Exceptions", "Ljava/lang/String", "int"}, {"Ljava/lang/Throwable"}));
}

TEST(ClassconvSamples, NoStringBuilderLeft) {
    for (const SampleConversion& s : samples()) {
        SCOPED_TRACE(s.rel);
        std::set<unsigned> literals;
        for (const Constant& c : s.after.pool)
            if (c.tag == kString) literals.insert(c.a);
        for (size_t p = 1; p < s.after.pool.size(); p++) {
            const Constant& c = s.after.pool[p];
            if (c.tag == kUtf8 && !literals.count(unsigned(p))) {
                EXPECT_EQ(c.utf8.find("StringBuilder"), std::string::npos) << "pool entry " << p;
            }
        }
    }
    // the literal spelling the class name is text, not a reference, and stays
    const SampleConversion& concat = sample("samples/Concat.class");
    bool literalKept = false;
    for (const Constant& c : concat.after.pool)
        if (c.tag == kString && utf8At(concat.after, c.a) == "java/lang/StringBuilder") literalKept = true;
    EXPECT_TRUE(literalKept);
    bool before = false;
    for (const Constant& c : concat.before.pool)
        if (c.tag == kClass && utf8At(concat.before, c.a) == "java/lang/StringBuilder") before = true;
    EXPECT_TRUE(before) << "javac used StringBuilder, so the mapping was exercised";
}

// The converter program wrote the same bytes the build packed.
TEST(ClassconvSamples, BuildOutputMatchesLibraryConversion) {
    std::set<std::string> known = sampleKnown();
    for (const std::string& rel : classesUnder(SAMPLES_JAVAC)) {
        SCOPED_TRACE(rel);
        EXPECT_EQ(slurp(std::string(SAMPLES_CLDC) + "/" + rel),
                  convertOk(slurp(std::string(SAMPLES_JAVAC) + "/" + rel), known));
    }
    // the compile-only stub was compiled but not converted
    EXPECT_TRUE(fs::exists(std::string(LIBRARY_JAVAC) + "/java/lang/StringBuilder.class"));
    EXPECT_FALSE(libraryNames().count("java/lang/StringBuilder"));
    EXPECT_TRUE(libraryNames().count("java/lang/StringBuffer"));
}

// Every cut-short or damaged input is refused with a message and never crashes.
TEST(ClassconvSamples, DamagedInputIsRefusedCleanly) {
    std::vector<uint8_t> raw = slurp(std::string(SAMPLES_JAVAC) + "/samples/Ternary.class");
    std::set<std::string> known = sampleKnown();
    for (size_t n = 0; n < raw.size(); n++) {
        std::vector<uint8_t> out;
        std::string error;
        EXPECT_FALSE(classconv::convertClass(raw.data(), n, known, out, error)) << "prefix " << n;
        EXPECT_FALSE(error.empty()) << "prefix " << n;
    }
    for (size_t i = 0; i < raw.size(); i++) {
        for (uint8_t flip : {0xFF, 0x80, 0x01}) {
            std::vector<uint8_t> bad = raw;
            bad[i] ^= flip;
            std::vector<uint8_t> out;
            std::string error;
            if (!classconv::convertClass(bad.data(), bad.size(), known, out, error)) {
                EXPECT_FALSE(error.empty()) << "byte " << i;
            }
        }
    }
}

// ---- fixtures ----

constexpr uint16_t kPublicStatic = 0x0009;

struct Fixture {
    const char* name;
    std::function<std::vector<uint8_t>()> build;
    std::vector<std::string> expect;  // parts of the message; empty: accepted
};

std::vector<uint8_t> oneMethod(const char* cls, std::function<std::vector<uint8_t>(ClassBuilder&)> code,
                               uint16_t maxStack = 4, uint16_t maxLocals = 4) {
    ClassBuilder b(cls);
    std::vector<uint8_t> bytes = code(b);
    b.method(kPublicStatic, "f", "()V", maxStack, maxLocals, bytes);
    return b.bytes();
}

std::vector<uint8_t> nops(size_t n) {
    std::vector<uint8_t> c(n - 1, 0x00);
    c.push_back(0xB1);  // return
    return c;
}

const std::vector<Fixture>& fixtures() {
    static const std::vector<Fixture> all = {
        {"ldc of a Class",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 return std::vector<uint8_t>{0x12, uint8_t(b.cls("java/lang/String")), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc of a constant of kind Class"}},
        {"ldc_w of a Class",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.cls("java/lang/Object");
                 return std::vector<uint8_t>{0x13, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc of a constant of kind Class"}},
        {"ldc of a constant of kind MethodType",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.ref(kMethodType, b.utf8("()V"));
                 return std::vector<uint8_t>{0x12, uint8_t(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc of a constant of kind MethodType"}},
        {"ldc_w of a MethodHandle",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.ref(kMethodHandle, 6, b.methodRef("fx/A", "f", "()V"));
                 return std::vector<uint8_t>{0x13, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc of a constant of kind MethodHandle"}},
        {"ldc_w of a Long",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.longConst(5);
                 return std::vector<uint8_t>{0x13, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc of a constant of kind Long"}},
        {"ldc2_w of an Integer",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.integer(5);
                 return std::vector<uint8_t>{0x14, hi(c), lo(c), 0x58, 0xB1};
             });
         },
         {"fx/A.f()V", "ldc2_w of a constant of kind Integer"}},
        {"invokedynamic",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.ref(kInvokeDynamic, 0, b.nameAndType("run", "()V"));
                 return std::vector<uint8_t>{0xBA, hi(c), lo(c), 0, 0, 0xB1};
             });
         },
         {"fx/A.f()V", "invokedynamic"}},
        {"jsr and ret",
         [] {
             return oneMethod("fx/A",
                              [](ClassBuilder&) { return std::vector<uint8_t>{0xA8, 0, 4, 0xB1, 0x4B, 0xA9, 0}; });
         },
         {"fx/A.f()V", "jsr/ret"}},
        {"jsr_w",
         [] {
             return oneMethod(
                 "fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0xC9, 0, 0, 0, 6, 0xB1, 0x4B, 0xA9, 0}; });
         },
         {"fx/A.f()V", "jsr/ret"}},
        {"wide ret",
         [] { return oneMethod("fx/A", [](ClassBuilder&) {
                  return std::vector<uint8_t>{0xC4, 0xA9, 0, 0, 0xB1};
              }); },
         {"fx/A.f()V", "jsr/ret"}},
        {"code of 32767 bytes",
         [] { return oneMethod("fx/A", [](ClassBuilder&) { return nops(32767); }); },
         {"fx/A.f()V", "code of 32767 bytes"}},
        {"code of 32766 bytes", [] { return oneMethod("fx/A", [](ClassBuilder&) { return nops(32766); }); }, {}},
        {"ldc of String, Integer and Float; ldc2_w of Long",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t l = b.longConst(1);
                 uint16_t f = b.ref(kFloat, 0, 0, 0x3F800000);
                 return std::vector<uint8_t>{0x12,
                                             uint8_t(b.string("s")),
                                             0x57,
                                             0x12,
                                             uint8_t(b.integer(7)),
                                             0x57,
                                             0x12,
                                             uint8_t(f),
                                             0x57,
                                             0x14,
                                             hi(l),
                                             lo(l),
                                             0x58,
                                             0xB1};
             });
         },
         {}},
        {"new of a class no one has",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.cls("fx/Missing");
                 return std::vector<uint8_t>{0xBB, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "fx/Missing"}},
        {"checkcast to an array of a class no one has",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.cls("[[Lfx/Missing;");
                 return std::vector<uint8_t>{0x01, 0xC0, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "fx/Missing"}},
        {"call of a method whose descriptor names a class no one has",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t m = b.methodRef("java/lang/Object", "g", "(Lfx/Missing;)V");
                 return std::vector<uint8_t>{0x01, 0xB8, hi(m), lo(m), 0xB1};
             });
         },
         {"fx/A.f()V", "fx/Missing"}},
        {"method descriptor naming a class no one has",
         [] {
             ClassBuilder b("fx/A");
             b.method(kPublicStatic, "g", "(Lfx/Missing;)V", 0, 1, {0xB1});
             return b.bytes();
         },
         {"fx/A.g(Lfx/Missing;)V", "fx/Missing"}},
        {"superclass no one has", [] { return ClassBuilder("fx/A", "fx/Missing").bytes(); }, {"fx/A:", "fx/Missing"}},
        {"field of a class no one has",
         [] {
             ClassBuilder b("fx/A");
             b.field(0, "x", "Lfx/Missing;");
             return b.bytes();
         },
         {"fx/A.x:", "fx/Missing"}},
        {"array of a primitive type needs no class",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t c = b.cls("[[I");
                 return std::vector<uint8_t>{0x01, 0xC0, hi(c), lo(c), 0x57, 0xB1};
             });
         },
         {}},
        {"MethodHandle in the pool",
         [] {
             ClassBuilder b("fx/A");
             b.ref(kMethodHandle, 6, b.methodRef("fx/A", "f", "()V"));
             b.method(kPublicStatic, "f", "()V", 0, 0, {0xB1});
             return b.bytes();
         },
         {"fx/A:", "MethodHandle entry"}},
        {"branch target without a frame",
         [] {
             return oneMethod("fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0x03, 0x99, 0, 4, 0x00, 0xB1}; });
         },
         {"fx/A.f()V", "no stack map frame at offset 5"}},
        {"code after a goto without a frame",
         [] {
             ClassBuilder b("fx/A");
             // goto 4; nop; return: the return is a target (frame) but the nop has none
             b.method(kPublicStatic, "f", "()V", 0, 0, {0xA7, 0, 4, 0x00, 0xB1}, {},
                      {0, 1, 4});  // one same_frame at offset 4
             return b.bytes();
         },
         {"fx/A.f()V", "no stack map frame at offset 3"}},
        {"frame inside an instruction",
         [] {
             ClassBuilder b("fx/A");
             b.method(kPublicStatic, "f", "()V", 1, 0, {0x03, 0x99, 0, 4, 0x00, 0xB1}, {},
                      {0, 2, 2, 2});  // same_frame at 2, then at 5
             return b.bytes();
         },
         {"fx/A.f()V", "offset 2 is not at an instruction"}},
        {"frames at every target",
         [] {
             ClassBuilder b("fx/A");
             b.method(kPublicStatic, "f", "()V", 1, 0, {0x03, 0x99, 0, 4, 0x00, 0xB1}, {}, {0, 1, 5});
             return b.bytes();
         },
         {}},
        {"branch into the middle of an instruction",
         [] {
             return oneMethod("fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0x03, 0x99, 0, 2, 0x00, 0xB1}; });
         },
         {"fx/A.f()V", "not an instruction"}},
        {"StringBuilder itself",
         [] { return ClassBuilder("java/lang/StringBuilder").bytes(); },
         {"java/lang/StringBuilder", "compile-only"}},
        {"members that clash once StringBuilder is mapped",
         [] {
             ClassBuilder b("fx/A");
             b.method(kPublicStatic, "g", "(Ljava/lang/StringBuilder;)V", 0, 1, {0xB1});
             b.method(kPublicStatic, "g", "(Ljava/lang/StringBuffer;)V", 0, 1, {0xB1});
             return b.bytes();
         },
         {"fx/A.g(Ljava/lang/StringBuffer;)V", "clashes"}},
        {"class file of version 52",
         [] { return ClassBuilder("fx/A", "java/lang/Object", 52).bytes(); },
         {"fx/A", "version 52"}},
        {"bad magic", [] { return std::vector<uint8_t>{0xCA, 0xFE, 0xBA, 0xBF, 0, 0, 0, 51}; }, {"bad magic"}},
        {"locals and stack of 512 words together",
         [] {
             return oneMethod(
                 "fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0xB1}; }, 212, 300);
         },
         {}},
        {"locals and stack of 513 words together",
         [] {
             return oneMethod(
                 "fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0xB1}; }, 213, 300);
         },
         {"fx/A.f()V", "300 locals and 213 stack words", "512"}},
        {"stack alone of 513 words",
         [] {
             return oneMethod(
                 "fx/A", [](ClassBuilder&) { return std::vector<uint8_t>{0xB1}; }, 513, 0);
         },
         {"fx/A.f()V", "more than 512"}},
        {"Objects.requireNonNull of an outer instance",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t m =
                     b.methodRef("java/util/Objects", "requireNonNull", "(Ljava/lang/Object;)Ljava/lang/Object;");
                 return std::vector<uint8_t>{0x01, 0xB8, hi(m), lo(m), 0x57, 0xB1};
             });
         },
         {}},
        {"another method of Objects",
         [] {
             return oneMethod("fx/A", [](ClassBuilder& b) {
                 uint16_t m = b.methodRef("java/util/Objects", "hashCode", "(Ljava/lang/Object;)I");
                 return std::vector<uint8_t>{0x01, 0xB8, hi(m), lo(m), 0x57, 0xB1};
             });
         },
         {"fx/A.f()V", "java/util/Objects"}},
    };
    return all;
}

TEST(ClassconvFixtures, RefusedOrAccepted) {
    std::set<std::string> known = libraryNames();
    known.insert("fx/A");
    for (const Fixture& fx : fixtures()) {
        std::vector<uint8_t> in = fx.build();
        std::vector<uint8_t> out;
        std::string error;
        bool ok = classconv::convertClass(in.data(), in.size(), known, out, error);
        if (fx.expect.empty()) {
            EXPECT_TRUE(ok) << fx.name << ": " << error;
            if (ok) {
                EXPECT_EQ(parsed(out).major, 48) << fx.name;
            }
            continue;
        }
        EXPECT_FALSE(ok) << fx.name;
        EXPECT_TRUE(out.empty()) << fx.name;
        for (const std::string& part : fx.expect)
            EXPECT_NE(error.find(part), std::string::npos)
                << fx.name << ": \"" << error << "\" lacks \"" << part << "\"";
    }
}

// The call becomes invokevirtual of Object.getClass in place, and Objects leaves the pool.
TEST(ClassconvFixtures, RequireNonNullBecomesGetClass) {
    ClassBuilder b("fx/A");
    uint16_t m = b.methodRef("java/util/Objects", "requireNonNull", "(Ljava/lang/Object;)Ljava/lang/Object;");
    b.method(kPublicStatic, "f", "(Ljava/lang/Object;)V", 2, 1, {0x2A, 0xB8, hi(m), lo(m), 0x57, 0xB1});
    std::set<std::string> known = libraryNames();
    known.insert("fx/A");
    ClassFile out = parsed(convertOk(b.bytes(), known));
    const Constant* ref = entry(out, m, kMethodref);
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(className(out, ref->a), "java/lang/Object");
    const Constant* nt = entry(out, ref->b, kNameAndType);
    ASSERT_NE(nt, nullptr);
    EXPECT_EQ(utf8At(out, nt->a), "getClass");
    EXPECT_EQ(utf8At(out, nt->b), "()Ljava/lang/Class;");
    for (size_t i = 1; i < out.pool.size(); i++) {
        if (out.pool[i].tag == kClass) {
            EXPECT_NE(utf8At(out, out.pool[i].a), "java/util/Objects") << i;
        }
    }
    Code code;
    std::string err;
    ASSERT_TRUE(parseCode(out.methods.at(0).attributes.at(0).data, code, err)) << err;
    EXPECT_EQ(code.code, (std::vector<uint8_t>{0x2A, 0xB6, hi(m), lo(m), 0x57, 0xB1}));
}

// A literal whose text is also the class name: javac shares one Utf8 entry between them.
// Rewriting that entry in place would change the string the program sees.
TEST(ClassconvFixtures, StringBuilderTextSharedWithALiteral) {
    ClassBuilder b("fx/A");
    uint16_t cls = b.cls("java/lang/StringBuilder");
    uint16_t str = b.string("java/lang/StringBuilder");
    ASSERT_EQ(b.cf.pool[cls].a, b.cf.pool[str].a) << "the fixture shares the Utf8 entry";
    uint16_t init = b.methodRef("java/lang/StringBuilder", "<init>", "()V");
    b.method(kPublicStatic, "f", "(Ljava/lang/StringBuilder;)Ljava/lang/String;", 2, 1, {0x12, uint8_t(str), 0xB0});
    b.method(kPublicStatic, "g", "()V", 2, 0, {0xBB, hi(cls), lo(cls), 0x59, 0xB7, hi(init), lo(init), 0x57, 0xB1});
    std::set<std::string> known = libraryNames();
    known.insert("fx/A");
    ClassFile out = parsed(convertOk(b.bytes(), known));
    EXPECT_EQ(className(out, cls), "java/lang/StringBuffer");
    EXPECT_EQ(utf8At(out, out.pool[str].a), "java/lang/StringBuilder");
    EXPECT_EQ(utf8At(out, out.methods[0].descriptor), "(Ljava/lang/StringBuffer;)Ljava/lang/String;");
    const Constant& nt = out.pool[out.pool[init].b];
    EXPECT_EQ(className(out, out.pool[init].a), "java/lang/StringBuffer");
    EXPECT_EQ(utf8At(out, nt.b), "()V");
}

// ---- the program ----

struct ProgramRun {
    int status;
    std::string output;
};

ProgramRun run(const std::string& args) {
    std::string cmd = std::string(CONVERTER) + " " + args + " 2>&1";
    ProgramRun r{-1, ""};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string freshDir(const std::string& name) {
    std::string dir = std::string(TEST_TMP) + "/" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

TEST(ClassconvProgram, ConvertsAJarByHand) {
    std::string out = freshDir("byhand");
    ProgramRun r = run(std::string("-lib ") + LIBRARY_JAR + " " + SAMPLES_JAR + " " + out);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const std::string& rel : classesUnder(SAMPLES_CLDC))
        EXPECT_EQ(slurp(out + "/" + rel), slurp(std::string(SAMPLES_CLDC) + "/" + rel)) << rel;
    EXPECT_EQ(classesUnder(out), classesUnder(SAMPLES_CLDC));

    // the short form: the library of the build is the default, a lone class file is an input
    std::string lone = freshDir("byhand-lone");
    r = run(std::string(SAMPLES_JAVAC) + "/samples/Loops.class " + lone);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(slurp(lone + "/samples/Loops.class"), slurp(std::string(SAMPLES_CLDC) + "/samples/Loops.class"));
}

TEST(ClassconvProgram, RefusalsNameClassAndMethodAndFail) {
    std::string in = freshDir("refuse-in"), out = freshDir("refuse-out");
    writeFile(in + "/fx/A.class", fixtures()[0].build());
    ProgramRun r = run(std::string("-lib ") + LIBRARY_JAR + " " + in + " " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("fx/A.f()V: ldc of a constant of kind Class"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(out + "/fx/A.class"));
}

TEST(ClassconvProgram, LibraryListAndMisplacedClass) {
    std::string in = freshDir("list-in"), out = freshDir("list-out");
    ClassBuilder b("fx/A");
    uint16_t c = b.cls("fx/Elsewhere");
    b.method(kPublicStatic, "f", "()V", 1, 0, {0xBB, hi(c), lo(c), 0x57, 0xB1});
    writeFile(in + "/fx/A.class", b.bytes());
    std::string list = in + "/../list.txt";
    writeFile(list, {'#', ' ', 'e', 'x', 't', 'r', 'a', '\n', ' ', 'f', 'x', '.',
                     'E', 'l', 's', 'e', 'w', 'h', 'e', 'r',  'e', ' ', '\n'});
    ProgramRun r = run(std::string("-lib ") + LIBRARY_JAR + " -lib " + list + " " + in + " " + out);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(out + "/fx/A.class"));

    // a class file whose path does not match its class would land in the wrong place
    std::string bad = freshDir("misplaced");
    writeFile(bad + "/fx/B.class", b.bytes());
    r = run(std::string("-lib ") + LIBRARY_JAR + " -lib " + list + " " + bad + " " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("does not match its path"), std::string::npos) << r.output;
}

TEST(ClassconvProgram, UsageErrors) {
    EXPECT_EQ(run("").status, 2);
    EXPECT_EQ(run("only-one-argument").status, 2);
    EXPECT_EQ(run("-bogus a b").status, 2);
}

// ---- archives ----

bool contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(ClassconvArchive, StoredAndDeflatedJars) {
    std::vector<uint8_t> stored = slurp(STORED_JAR), deflated = slurp(SAMPLES_JAR);
    std::vector<uint8_t> uses =
        slurp(std::string(SAMPLES_CLDC) + "/../../classconv_stored.java/cldc/stored/UsesSamples.class");
    std::vector<uint8_t> loops = slurp(std::string(SAMPLES_CLDC) + "/samples/Loops.class");
    EXPECT_TRUE(contains(stored, uses)) << "a stored JAR holds the class bytes as they are";
    EXPECT_FALSE(contains(deflated, loops)) << "the samples JAR is deflated";

    for (const std::string& path : {std::string(STORED_JAR), std::string(SAMPLES_JAR)}) {
        std::vector<classconv::ArchiveEntry> entries;
        std::string error;
        ASSERT_TRUE(classconv::readArchive(slurp(path), entries, error)) << path << ": " << error;
        bool found = false;
        for (auto& e : entries) {
            if (e.name == "samples/Loops.class") found = (e.data == loops);
            if (e.name == "stored/UsesSamples.class") found = (e.data == uses);
        }
        EXPECT_TRUE(found) << path;
    }
}

// Where the compressed bytes of samples/Loops.class start in the JAR.
size_t loopsDataAt(const std::vector<uint8_t>& jar) {
    const std::string name = "samples/Loops.class";
    for (size_t i = 0; i + 30 + name.size() < jar.size(); i++) {
        if (jar[i] != 'P' || jar[i + 1] != 'K' || jar[i + 2] != 3 || jar[i + 3] != 4) continue;
        size_t nameLen = jar[i + 26] | (jar[i + 27] << 8), extraLen = jar[i + 28] | (jar[i + 29] << 8);
        if (std::string(jar.begin() + long(i) + 30, jar.begin() + long(i + 30 + nameLen)) == name)
            return i + 30 + nameLen + extraLen;
    }
    ADD_FAILURE() << "no " << name << " in the JAR";
    return 0;
}

TEST(ClassconvArchive, DamagedJarsAreRefused) {
    std::vector<uint8_t> jar = slurp(SAMPLES_JAR);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"cut in half", [](std::vector<uint8_t>& j) { j.resize(j.size() / 2); }},
        {"no end record", [](std::vector<uint8_t>& j) { j.resize(j.size() - 22); }},
        {"class data byte flipped", [](std::vector<uint8_t>& j) { j[loopsDataAt(j) + 10] ^= 0x55; }},
        {"directory offset past the end",
         [](std::vector<uint8_t>& j) {
             j[j.size() - 22 + 16] = 0xFF;
             j[j.size() - 22 + 19] = 0x7F;
         }},
        {"empty", [](std::vector<uint8_t>& j) { j.clear(); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = jar;
        c.damage(bad);
        std::vector<classconv::ArchiveEntry> entries;
        std::string error;
        EXPECT_FALSE(classconv::readArchive(bad, entries, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

// Archives whose directory lies: each is refused with the reason the walker found,
// naming the entry when the entry is at fault.
TEST(ClassconvArchive, LyingDirectoriesNameTheirReason) {
    typedef std::function<void(std::vector<uint8_t>&, const zipw::Layout&)> Change;
    struct Case {
        const char* name;
        Change change;
        const char* error;
    } cases[] = {
        {"end record cut short", [](std::vector<uint8_t>& v, const zipw::Layout&) { v.pop_back(); },
         "not a JAR (no end of central directory)"},
        {"directory size beyond the end record's offset",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.endRecord + 12, uint32_t(l.endRecord + 1));
         },
         "central directory out of range"},
        {"name past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.centralHeaders[1] + 28, 0xFFF0); },
         "bad central directory record"},
        {"entry count above the directory's headers",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.endRecord + 10, 3); },
         "bad central directory record"},
        {"no local header at the start",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.localHeaders[0]] = 'X'; },
         "entry A.class: bad local header"},
        {"local header offset past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 42, 0x7FFFFFF0u);
         },
         "entry B.class: bad local header"},
        {"compressed size past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 20, uint32_t(l.directoryStart));
         },
         "entry B.class: data out of range"},
    };
    for (const Case& c : cases) {
        zipw::Archive a;
        a.add("A.class", "class A");
        a.add("B.class", "class B, deflated", zipw::DEFLATED);
        zipw::Layout layout;
        std::vector<uint8_t> jar = a.write(&layout);
        std::vector<classconv::ArchiveEntry> entries;
        std::string error;
        EXPECT_TRUE(classconv::readArchive(jar, entries, error)) << c.name << ": the sound archive: " << error;
        c.change(jar, layout);
        EXPECT_FALSE(classconv::readArchive(jar, entries, error)) << c.name;
        EXPECT_EQ(c.error, error) << c.name;
    }
}

}  // namespace
