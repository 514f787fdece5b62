// Test support for the verifier: VM runs whose class path holds the class library as
// "/sys.jar" beside a program's JAR, with the library's classes loaded from the JAR
// rather than taken from the hand-built system classes, and a verification of whole
// sets of classes that reports every failing method.
#pragma once

#include <stdint.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tools/classconv/archive.h"
#include "vm/loader/classload_fixture.h"
#include "vm/loader/verifier.h"

namespace verifytest {

using namespace loadtest;

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The classes of a JAR in slash form.
inline std::vector<std::string> classNamesOf(const std::vector<uint8_t>& jar) {
    std::vector<classconv::ArchiveEntry> entries;
    std::string error;
    std::vector<std::string> names;
    if (!classconv::readArchive(jar, entries, error)) return names;
    for (auto& e : entries) {
        const std::string suffix = ".class";
        if (e.name.size() > suffix.size() && e.name.compare(e.name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(e.name.substr(0, e.name.size() - suffix.size()));
    }
    return names;
}

struct NamedFile {
    std::string name;  // "/sys.jar"
    std::vector<uint8_t> bytes;
};

// Runs body in a VM run whose class path is the files in order. Nothing with a
// destructor lives in the frames that a fatal error jumps over.
inline vmasm::RunResult runWithClassPath(LoaderVm& vm, const std::vector<NamedFile>& files,
                                         const std::function<void()>& body) {
    std::string path;
    std::vector<LowBlock> low;
    for (const NamedFile& f : files) {
        path += (path.empty() ? "" : ";") + f.name;
        low.emplace_back(f.bytes);
    }
    return vm.vm.inside([&] {
        initInternalPackages();
        initSystemPackages();
        for (size_t i = 0; i < files.size(); i++)
            registerMemoryFile(files[i].name.c_str(), low[i].data(), nullptr, low[i].size());
        initClassPath(path.c_str());
        body();
    });
}

// The test VM's system classes are hand-built records. Those the library also has go
// back to raw, so that the library's own class files are loaded into them; Object and
// String first, since every later class and string needs them.
inline void takeSystemClassesFromLibrary(const std::vector<std::string>& libraryClasses) {
    std::vector<ClassRecord*> reset;
    for (const std::string& name : libraryClasses) {
        ClassRecord* c = getRawClass(name.c_str());
        if (c->status == CLASS_READY || c->status == CLASS_VERIFIED) reset.push_back(c);
    }
    for (ClassRecord* c : reset) {
        clearClassLinkFields(c);
        c->status = CLASS_RAW;
    }
    for (const char* first : {"java/lang/Object", "java/lang/String"}) {
        ClassRecord* c = getRawClass(first);
        if (c->status == CLASS_RAW) loadClassfile(c, 1);
    }
}

struct VerifyReport {
    int classes = 0;                    // classes loaded and verified
    std::vector<std::string> failures;  // "class.method: reason" or "class: exception"
};

// The Java calls run under catch frames of their own, with nothing that has a
// destructor in between; *thrown gets the exception that left them.
inline ClassRecord* loadForVerification(const char* name, OBJECT* thrown) {
    ClassRecord* volatile c = nullptr;
    VM_TRY
    c = getClass(name);
    VM_CATCH(e)
    *thrown = e;
    VM_END_TRY
    return c;
}

inline int verifyMethodCatching(MethodRecord* m, OBJECT* thrown) {
    volatile int reason = -1;
    VM_TRY
    reason = verifyMethod(m);
    VM_CATCH(e)
    *thrown = e;
    VM_END_TRY
    return reason;
}

inline void verifyClassCatching(ClassRecord* c, OBJECT* thrown) {
    VM_TRY
    verifyClass(c);
    VM_CATCH(e)
    *thrown = e;
    VM_END_TRY
}

inline std::string describe(OBJECT e) {
    Outcome out;
    LoaderVm::recordException(out, e);
    return out.exception + " " + out.message;
}

// Loads each class and verifies it; a class with a failing method is reported method by
// method and left unverified, so that one failure does not end the run.
inline void verifyClasses(const std::vector<std::string>& names, VerifyReport& report) {
    for (const std::string& name : names) {
        OBJECT thrown = nullptr;
        ClassRecord* c = loadForVerification(name.c_str(), &thrown);
        if (thrown != nullptr) {
            report.failures.push_back(name + ": " + describe(thrown));
            continue;
        }
        if (c->status >= CLASS_VERIFIED) continue;  // loaded and verified as a superclass's check needed it
        size_t before = report.failures.size();
        for (uint32_t i = 0; c->methodTable != nullptr && i < c->methodTable->length; i++) {
            MethodRecord* m = &c->methodTable->methods[i];
            if (m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT)) continue;
            int reason = verifyMethodCatching(m, &thrown);
            std::string method = name + "." + changeKeyToName(m->nt.k.nameKey, nullptr);
            if (thrown != nullptr)
                report.failures.push_back(method + ": " + describe(thrown));
            else if (reason != 0)
                report.failures.push_back(method + ": error " + std::to_string(reason));
            thrown = nullptr;
        }
        if (report.failures.size() != before) continue;
        verifyClassCatching(c, &thrown);
        if (thrown != nullptr)
            report.failures.push_back(name + ": " + describe(thrown));
        else if (c->status != CLASS_VERIFIED)
            report.failures.push_back(name + ": status " + std::to_string(c->status));
        else
            report.classes++;
    }
}

}  // namespace verifytest
