// Test support for the class-file loader: class files from the class-file builder, JARs
// of them (stored or deflated), and a VM run over the hand-built system classes whose
// class path is one JAR named "/app.jar".
#pragma once

#include <stdint.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "support/classfile_builder.h"
#include "support/lowmem_fixture.h"
#include "support/vmasm.h"
#include "support/zipwriter.h"
#include "vm/core/native.h"
#include "vm/loader/classloader.h"
#include "vm/loader/classpath.h"
#include "vm/loader/registries.h"

namespace loadtest {

using testsupport::ClassBuilder;

// ---------------------------------------------------------------------------------
// JARs

struct JarEntry {
    std::string name;
    std::vector<uint8_t> data;
};

inline std::vector<uint8_t> makeJar(const std::vector<JarEntry>& entries, bool deflated) {
    zipw::Archive archive;
    for (const JarEntry& e : entries) archive.add(e.name, e.data, deflated ? zipw::DEFLATED : zipw::STORED);
    return archive.write();
}

// ---------------------------------------------------------------------------------
// Class files

// A class that loads and links: a constructor and the given flags and superclass.
inline ClassBuilder plainClass(const std::string& name, const std::string& super = "java/lang/Object",
                               uint16_t access = 0x0021) {
    ClassBuilder b(name, super, 48);
    b.cf.access = access;
    if (!(access & 0x0200) && !super.empty()) {
        uint16_t init = b.methodRef(super, "<init>", "()V");
        b.method(0x0001, "<init>", "()V", 1, 1,
                 {OP_ALOAD_0, OP_INVOKESPECIAL, testsupport::hi(init), testsupport::lo(init), OP_RETURN});
    }
    return b;
}

inline std::vector<uint8_t> attributeBytes(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline std::vector<uint8_t> u2(unsigned v) { return {uint8_t(v >> 8), uint8_t(v)}; }
inline std::vector<uint8_t> u4(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

inline void addAttribute(ClassBuilder& b, std::vector<classfile::Attribute>& list, const std::string& name,
                         const std::vector<uint8_t>& body) {
    list.push_back({b.utf8(name), body});
}

// A Code attribute body with the given limits, code bytes, handlers and attributes.
inline std::vector<uint8_t> codeBody(uint16_t maxStack, uint16_t maxLocals, const std::vector<uint8_t>& code,
                                     const std::vector<classfile::ExceptionHandler>& handlers = {},
                                     const std::vector<classfile::Attribute>& attributes = {}) {
    classfile::Code c;
    c.maxStack = maxStack;
    c.maxLocals = maxLocals;
    c.code = code;
    c.handlers = handlers;
    c.attributes = attributes;
    return classfile::writeCode(c);
}

// A StackMap attribute body: per frame its offset, then the locals and the stack as
// items (an item is its code byte, followed by an index or offset for 7 and 8).
struct MapFrame {
    uint16_t offset;
    std::vector<std::vector<uint8_t>> locals, stack;
};
inline std::vector<uint8_t> item(uint8_t code) { return {code}; }
inline std::vector<uint8_t> item(uint8_t code, uint16_t operand) {
    return {code, uint8_t(operand >> 8), uint8_t(operand)};
}
inline std::vector<uint8_t> stackMapBody(const std::vector<MapFrame>& frames) {
    std::vector<uint8_t> out = u2((unsigned)frames.size());
    for (const MapFrame& f : frames) {
        auto offset = u2(f.offset);
        out.insert(out.end(), offset.begin(), offset.end());
        for (auto* list : {&f.locals, &f.stack}) {
            auto count = u2((unsigned)list->size());
            out.insert(out.end(), count.begin(), count.end());
            for (auto& i : *list) out.insert(out.end(), i.begin(), i.end());
        }
    }
    return out;
}

// A method with exactly the attributes given.
inline classfile::Member& rawMethod(ClassBuilder& b, uint16_t access, const std::string& name,
                                    const std::string& desc) {
    classfile::Member m;
    m.access = access;
    m.name = b.utf8(name);
    m.descriptor = b.utf8(desc);
    b.cf.methods.push_back(m);
    return b.cf.methods.back();
}

// ---------------------------------------------------------------------------------
// VM runs

struct Outcome {
    int exitCode = 0;
    bool loaded = false;
    std::string exception;  // class of the exception that left the loader
    std::string message;    // its message; "(none)" when it has none
    std::string trace;
    int statusAfter = 99;  // status of the requested class at the end
};

inline std::string javaString(OBJECT s) {
    if (s == nullptr) return "(none)";
    StringInstance* string = (StringInstance*)s;
    std::string text;
    for (int i = 0; i < string->count; i++) text.push_back((char)getStringCharsPointer(string)[i]);
    return text;
}

class LoaderVm {
public:
    vmasm::Vm vm;

    explicit LoaderVm(int32_t heapBytes = 2 * 1024 * 1024) {
        vm.heapBytes = heapBytes;
        vm.cls("java/lang/ClassNotFoundException", "java/lang/Exception");
    }

    // Runs body inside a run whose class path is jar as "/app.jar". body records what
    // it sees in the outcome; a Java exception that leaves body is recorded too.
    Outcome run(const std::vector<uint8_t>& jar, const std::function<void(Outcome&)>& body) {
        Outcome out;
        LowBlock low(jar);
        vmasm::RunResult r = vm.inside([&] {
            initInternalPackages();
            initSystemPackages();
            registerMemoryFile("/app.jar", low.data(), nullptr, low.size());
            initClassPath("/app.jar");
            VM_TRY
            body(out);
            VM_CATCH(e)
            recordException(out, e);
            VM_END_TRY
        });
        out.exitCode = r.exitCode;
        out.trace = r.trace;
        return out;
    }

    // Loads the named class with loadClassfile; check runs on the loaded record.
    Outcome load(const std::vector<uint8_t>& jar, const char* name,
                 const std::function<void(ClassRecord*)>& check = nullptr) {
        return run(jar, [&](Outcome& out) { loadInto(out, name, check); });
    }

    static void loadInto(Outcome& out, const char* name, const std::function<void(ClassRecord*)>& check = nullptr) {
        ClassRecord* clazz = getRawClass(name);
        VM_TRY
        loadClassfile(clazz, 1);
        out.loaded = true;
        if (check) check(clazz);
        VM_CATCH(e)
        recordException(out, e);
        VM_END_TRY
        out.statusAfter = clazz->status;
    }

    // Kept out of loadInto: the strings it builds must not live in a frame a longjmp crosses.
    [[gnu::noinline]] static void recordException(Outcome& out, OBJECT e) {
        char name[MESSAGE_BUFFER_SIZE];
        getClassNameBuffer(e->clazz, name, sizeof name);
        out.exception = name;
        out.message = javaString(p32Ptr<Instance>(e->data[0]));
    }
};

// One class file as the only class of a JAR.
inline std::vector<uint8_t> jarOf(const std::string& className, const std::vector<uint8_t>& classFile,
                                  bool deflated = false) {
    return makeJar({{className + ".class", classFile}}, deflated);
}

inline std::vector<uint8_t> jarOf(std::vector<std::pair<std::string, ClassBuilder*>> classes, bool deflated = false) {
    std::vector<JarEntry> entries;
    for (auto& c : classes) entries.push_back({c.first + ".class", c.second->bytes()});
    return makeJar(entries, deflated);
}

inline std::string alertOf(const std::string& exception, const std::string& message) {
    return "ALERT: java/lang/" + exception + ": " + message + ".\n";
}

}  // namespace loadtest
