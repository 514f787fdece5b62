// The converted class library as the VM and its natives see it: the classes that must and
// must not be there, the field layouts that native code reads directly, the methods bound
// to natives, and the compile-only StringBuilder against the StringBuffer it becomes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tools/classconv/archive.h"
#include "tools/classconv/classfile.h"

using namespace classfile;

namespace {

constexpr uint16_t kStatic = 0x0008, kNative = 0x0100, kPublic = 0x0001;

const std::map<std::string, ClassFile>& library() {
    static std::map<std::string, ClassFile> classes = [] {
        std::map<std::string, ClassFile> out;
        std::vector<uint8_t> jar;
        std::vector<classconv::ArchiveEntry> entries;
        std::string error;
        EXPECT_TRUE(classconv::readFile(LIBRARY_JAR, jar, error)) << error;
        EXPECT_TRUE(classconv::readArchive(jar, entries, error)) << error;
        for (auto& e : entries) {
            if (e.name.size() < 6 || e.name.substr(e.name.size() - 6) != ".class") continue;
            ClassFile cf;
            EXPECT_TRUE(parse(e.data.data(), e.data.size(), cf, error)) << e.name << ": " << error;
            out[className(cf, cf.thisClass)] = cf;
        }
        return out;
    }();
    return classes;
}

const ClassFile* libraryClass(const std::string& name) {
    auto it = library().find(name);
    return it == library().end() ? nullptr : &it->second;
}

const Member* findMethod(const ClassFile& cf, const std::string& name, const std::string& desc) {
    for (const Member& m : cf.methods)
        if (utf8At(cf, m.name) == name && utf8At(cf, m.descriptor) == desc) return &m;
    return nullptr;
}

TEST(Library, ClassesPresentAndAbsent) {
    for (const char* name : {"java/lang/Object",
                             "java/lang/String",
                             "java/lang/StringBuffer",
                             "java/lang/Class",
                             "java/lang/Throwable",
                             "java/lang/Exception",
                             "java/lang/Error",
                             "java/lang/RuntimeException",
                             "java/lang/Integer",
                             "java/lang/Long",
                             "java/lang/Float",
                             "java/lang/Double",
                             "java/lang/Boolean",
                             "java/lang/Character",
                             "java/lang/Byte",
                             "java/lang/Short",
                             "java/lang/OutOfMemoryError",
                             "java/lang/NullPointerException",
                             "java/lang/ArrayIndexOutOfBoundsException",
                             "java/lang/ClassCastException",
                             "java/lang/ArithmeticException",
                             "java/lang/NoClassDefFoundError"})
        EXPECT_TRUE(libraryClass(name)) << name << " missing";
    // The compile-only stub never reaches the library, and raising a linkage error ends the
    // run as a fatal error precisely because these classes do not exist.
    for (const char* name :
         {"java/lang/StringBuilder", "java/lang/AbstractMethodError", "java/lang/ClassCircularityError",
          "java/lang/ClassFormatError", "java/lang/IllegalAccessError", "java/lang/IncompatibleClassChangeError",
          "java/lang/InstantiationError", "java/lang/NoSuchFieldError", "java/lang/NoSuchMethodError",
          "java/lang/VerifyError"})
        EXPECT_FALSE(libraryClass(name)) << name << " must not be in the library";
}

// Instance fields in declaration order: native code reads them by position.
TEST(Library, FieldLayoutsNativesRelyOn) {
    struct Case {
        const char* cls;
        std::vector<std::pair<std::string, std::string>> fields;
    } cases[] = {
        {"java/lang/String", {{"value", "[C"}, {"offset", "I"}, {"count", "I"}}},
        {"java/lang/StringBuffer", {{"value", "[C"}, {"count", "I"}, {"shared", "I"}}},
        {"java/lang/Throwable", {{"detailMessage", "Ljava/lang/String;"}}},
        {"java/lang/Thread",
         {{"priority", "I"}, {"record", "I"}, {"target", "Ljava/lang/Runnable;"}, {"name", "Ljava/lang/String;"}}},
        {"java/util/TimerThread",
         {{"nextResumeWaiter", "Ljava/util/TimerThread;"},
          {"resumeWaitsLeft", "I"},
          {"timer", "Ljava/util/Timer;"},
          {"queue", "Ljava/util/TimerQueue;"},
          {"parkRequested", "Z"},
          {"busy", "Z"},
          {"parked", "Z"}}},
        {"java/lang/Class", {}},
        {"java/lang/Object", {}},
    };
    for (const Case& c : cases) {
        const ClassFile* cf = libraryClass(c.cls);
        ASSERT_TRUE(cf) << c.cls;
        std::vector<std::pair<std::string, std::string>> actual;
        for (const Member& f : cf->fields)
            if (!(f.access & kStatic)) actual.emplace_back(utf8At(*cf, f.name), utf8At(*cf, f.descriptor));
        EXPECT_EQ(actual, c.fields) << c.cls;
    }
}

TEST(Library, NativeMethods) {
    struct Case {
        const char* cls;
        const char* name;
        const char* desc;
        bool isStatic;
    } cases[] = {
        {"java/lang/Object", "getClass", "()Ljava/lang/Class;", false},
        {"java/lang/Object", "hashCode", "()I", false},
        {"java/lang/Object", "notify", "()V", false},
        {"java/lang/Object", "notifyAll", "()V", false},
        {"java/lang/Object", "wait0", "(J)V", false},
        {"java/lang/Class", "forName", "(Ljava/lang/String;)Ljava/lang/Class;", true},
        {"java/lang/Class", "newInstance", "()Ljava/lang/Object;", false},
        {"java/lang/Class", "isInstance", "(Ljava/lang/Object;)Z", false},
        {"java/lang/Class", "isAssignableFrom", "(Ljava/lang/Class;)Z", false},
        {"java/lang/Class", "isInterface", "()Z", false},
        {"java/lang/Class", "isArray", "()Z", false},
        {"java/lang/Class", "getName", "()Ljava/lang/String;", false},
        {"java/lang/Throwable", "printStackTrace0", "(Ljava/lang/Object;)V", false},
        {"java/lang/Long", "toString", "(JI)Ljava/lang/String;", true},
        {"java/lang/Float", "floatToIntBits", "(F)I", true},
        {"java/lang/Float", "intBitsToFloat", "(I)F", true},
        {"java/lang/Double", "doubleToLongBits", "(D)J", true},
        {"java/lang/Double", "longBitsToDouble", "(J)D", true},
        {"java/lang/String", "charAt", "(I)C", false},
        {"java/lang/String", "indexOf", "(I)I", false},
        {"java/lang/String", "indexOf", "(II)I", false},
        {"java/lang/String", "lastIndexOfChar", "(II)I", false},
        {"java/lang/String", "indexOfString", "(Ljava/lang/String;I)I", false},
        {"java/lang/String", "equals", "(Ljava/lang/Object;)Z", false},
        {"java/lang/String", "hashCode", "()I", false},
        {"java/lang/String", "startsWith", "(Ljava/lang/String;I)Z", false},
        {"java/lang/String", "compareTo", "(Ljava/lang/String;)I", false},
        {"java/lang/String", "regionMatches", "(ZILjava/lang/String;II)Z", false},
        {"java/lang/String", "toLowerCase", "()Ljava/lang/String;", false},
        {"java/lang/String", "toUpperCase", "()Ljava/lang/String;", false},
        {"java/lang/String", "replace", "(CC)Ljava/lang/String;", false},
        {"java/lang/String", "trim", "()Ljava/lang/String;", false},
        {"java/lang/String", "intern", "()Ljava/lang/String;", false},
        {"java/lang/String", "newString", "(Ljava/lang/StringBuffer;)V", false},
        {"java/lang/StringBuffer", "append", "(Ljava/lang/String;)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "append", "(I)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "append", "([C)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "append", "([CII)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "append", "(C)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "toString", "()Ljava/lang/String;", false},
        {"java/lang/StringBuffer", "ensureCapacity", "(I)V", false},
        {"java/lang/StringBuffer", "charAt", "(I)C", false},
        {"java/lang/StringBuffer", "setLength", "(I)V", false},
        {"java/lang/StringBuffer", "getChars", "(II[CI)V", false},
        {"java/lang/StringBuffer", "setCharAt", "(IC)V", false},
        {"java/lang/StringBuffer", "delete", "(II)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "deleteCharAt", "(I)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "insert", "(ILjava/lang/String;)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "insert", "(I[C)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "insert", "(IC)Ljava/lang/StringBuffer;", false},
        {"java/lang/StringBuffer", "reverse", "()Ljava/lang/StringBuffer;", false},
    };
    for (const Case& c : cases) {
        const ClassFile* cf = libraryClass(c.cls);
        ASSERT_TRUE(cf) << c.cls;
        const Member* m = findMethod(*cf, c.name, c.desc);
        ASSERT_TRUE(m) << c.cls << "." << c.name << c.desc << " missing";
        EXPECT_TRUE(m->access & kNative) << c.cls << "." << c.name << c.desc << " is not native";
        EXPECT_EQ((m->access & kStatic) != 0, c.isStatic) << c.cls << "." << c.name << c.desc;
    }
}

// Calls compiled against the stub run as calls of StringBuffer: each public method of the
// stub needs its twin there, with StringBuilder read as StringBuffer.
TEST(Library, StringBuilderStubMatchesStringBuffer) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(classconv::readFile(std::string(LIBRARY_JAVAC) + "/java/lang/StringBuilder.class", bytes, error))
        << error;
    ClassFile stub;
    ASSERT_TRUE(parse(bytes.data(), bytes.size(), stub, error)) << error;
    const ClassFile* buffer = libraryClass("java/lang/StringBuffer");
    ASSERT_TRUE(buffer);
    size_t checked = 0;
    for (const Member& m : stub.methods) {
        if (!(m.access & kPublic)) continue;
        std::string desc = utf8At(stub, m.descriptor);
        const std::string from = "java/lang/StringBuilder";
        for (size_t p; (p = desc.find(from)) != std::string::npos;)
            desc.replace(p, from.size(), "java/lang/StringBuffer");
        const std::string name = utf8At(stub, m.name);
        const Member* twin = findMethod(*buffer, name, desc);
        EXPECT_TRUE(twin) << "StringBuffer lacks " << name << desc;
        if (twin) {
            EXPECT_TRUE(twin->access & kPublic) << name << desc;
            EXPECT_EQ(twin->access & kStatic, m.access & kStatic) << name << desc;
        }
        checked++;
    }
    EXPECT_GE(checked, 14u);
}

}  // namespace
