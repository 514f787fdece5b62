// The converted class library as the VM and its natives see it: the classes that must and
// must not be there, the field layouts that native code reads directly, the methods bound
// to natives, the constants Java and C++ both name, and the compile-only StringBuilder
// against the StringBuffer it becomes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "host/vm/vmshell.h"
#include "tools/classconv/archive.h"
#include "tools/classconv/classfile.h"
#include "vm/services/events.h"
#include "vm/services/keymap.h"

using namespace classfile;

namespace {

constexpr uint16_t kStatic = 0x0008, kFinal = 0x0010, kNative = 0x0100, kPublic = 0x0001;

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

// The int constants of a class (static final, with their value in the class file).
std::map<std::string, int32_t> intConstants(const ClassFile& cf) {
    std::map<std::string, int32_t> out;
    for (const Member& f : cf.fields) {
        if ((f.access & (kStatic | kFinal)) != (kStatic | kFinal) || utf8At(cf, f.descriptor) != "I") continue;
        const Attribute* a = findAttribute(cf, f.attributes, "ConstantValue");
        if (a == nullptr || a->data.size() != 2) continue;
        const Constant* c = entry(cf, (unsigned)(a->data[0] << 8 | a->data[1]), kInteger);
        if (c != nullptr) out[utf8At(cf, f.name)] = (int32_t)(uint32_t)c->value;
    }
    return out;
}

bool startsWithAny(const std::string& name, const std::vector<std::string>& prefixes) {
    for (const std::string& p : prefixes)
        if (name.compare(0, p.size(), p) == 0) return true;
    return false;
}

// The event words the glue builds and the display's thread reads, the game-key bits the
// shell sets and GameCanvas hands out, and the soft keys' indices: each side names them
// once, and the two must agree. Every constant of a listed family on the Java side needs
// its C++ name here, so that a new one is not left to a bare number.
TEST(Library, ConstantsSharedWithNativeCode) {
    const char* display = "javax/microedition/lcdui/Display";
    const char* gameCanvas = "javax/microedition/lcdui/game/GameCanvas";
    const char* displayable = "javax/microedition/lcdui/Displayable";
    struct Case {
        const char* cls;
        const char* field;
        int64_t cpp;
        const char* cppName;
    };
#define SHARED(cls, field, cpp) \
    { cls, field, (int64_t)(cpp), #cpp }
    const Case cases[] = {
        SHARED(display, "EVENT_KEY", UI_EVENT_KEY),
        SHARED(display, "EVENT_POINTER", UI_EVENT_POINTER),
        SHARED(display, "EVENT_REQUEST", UI_EVENT_REQUEST),
        SHARED(display, "EVENT_MIDP", UI_EVENT_MIDP),
        SHARED(display, "EVENT_REPAINT", UI_EVENT_REPAINT),
        SHARED(display, "EVENT_SET_CURRENT", UI_EVENT_SET_CURRENT),
        SHARED(display, "EVENT_SIZE_CHANGED", UI_EVENT_SIZE_CHANGED),
        SHARED(display, "EVENT_SHOW", UI_EVENT_SHOW),
        SHARED(display, "EVENT_HIDE", UI_EVENT_HIDE),
        SHARED(display, "WORD_KIND", UI_EVENT_WORD_KIND),
        SHARED(display, "KEY_WORD_ACTION", KEY_EVENT_ACTION),
        SHARED(display, "KEY_WORD_INDEX", KEY_EVENT_INDEX),
        SHARED(display, "POINTER_WORD_ACTION", POINTER_EVENT_ACTION),
        SHARED(display, "POINTER_WORD_X", POINTER_EVENT_X),
        SHARED(display, "POINTER_WORD_Y", POINTER_EVENT_Y),
        SHARED(display, "MIDP_WORD_TYPE", MIDP_EVENT_TYPE),
        SHARED(display, "KEY_PRESSED", KEY_ACTION_PRESSED),
        SHARED(display, "KEY_RELEASED", KEY_ACTION_RELEASED),
        SHARED(display, "KEY_REPEATED", KEY_ACTION_REPEATED),
        SHARED(display, "POINTER_PRESSED", POINTER_ACTION_PRESSED),
        SHARED(display, "POINTER_RELEASED", POINTER_ACTION_RELEASED),
        SHARED(display, "POINTER_DRAGGED", POINTER_ACTION_DRAGGED),
        SHARED(gameCanvas, "UP_PRESSED", GAME_UP_PRESSED),
        SHARED(gameCanvas, "DOWN_PRESSED", GAME_DOWN_PRESSED),
        SHARED(gameCanvas, "LEFT_PRESSED", GAME_LEFT_PRESSED),
        SHARED(gameCanvas, "RIGHT_PRESSED", GAME_RIGHT_PRESSED),
        SHARED(gameCanvas, "FIRE_PRESSED", GAME_FIRE_PRESSED),
        SHARED(gameCanvas, "GAME_A_PRESSED", GAME_A_PRESSED),
        SHARED(gameCanvas, "GAME_B_PRESSED", GAME_B_PRESSED),
        SHARED(gameCanvas, "GAME_C_PRESSED", GAME_C_PRESSED),
        SHARED(gameCanvas, "GAME_D_PRESSED", GAME_D_PRESSED),
        SHARED(displayable, "SOFT1", AM_KEYCODE_SOFT1),
        SHARED(displayable, "SOFT2", AM_KEYCODE_SOFT2),
    };
#undef SHARED
    // the families of each class that must be complete in the table above
    const std::map<std::string, std::vector<std::string>> families = {
        {display, {"EVENT_", "WORD_", "KEY_", "POINTER_", "MIDP_WORD_"}},
        {gameCanvas, {""}},
        {displayable, {"SOFT"}},
    };
    std::map<std::string, std::set<std::string>> listed;
    for (const Case& c : cases) {
        const ClassFile* cf = libraryClass(c.cls);
        ASSERT_TRUE(cf) << c.cls;
        std::map<std::string, int32_t> constants = intConstants(*cf);
        auto it = constants.find(c.field);
        if (it == constants.end()) {
            ADD_FAILURE() << c.cls << "." << c.field << " is no int constant";
            continue;
        }
        EXPECT_EQ(it->second, c.cpp) << c.cls << "." << c.field << " against " << c.cppName;
        listed[c.cls].insert(c.field);
    }
    for (const auto& family : families) {
        const ClassFile* cf = libraryClass(family.first);
        ASSERT_TRUE(cf) << family.first;
        for (const auto& constant : intConstants(*cf)) {
            if (!startsWithAny(constant.first, family.second)) continue;
            EXPECT_TRUE(listed[family.first].count(constant.first))
                << family.first << "." << constant.first << " has no C++ name in this table";
        }
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
