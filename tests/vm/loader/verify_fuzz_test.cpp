// Compiled classes with one method mutated (its code, its stack maps, its limits or its
// handlers) fed to the verifier: each run must end normally, with the method accepted
// or refused, by a Java exception or by a fatal error of the loader, never by a crash.
#include <gtest/gtest.h>

#include <random>

#include "tools/classconv/classfile.h"
#include "verify_fixture.h"

namespace {

using namespace verifytest;

struct Basis {
    std::string name;  // slash form
    classfile::ClassFile cf;
};

std::vector<Basis> basesOf(const std::vector<uint8_t>& jar) {
    std::vector<classconv::ArchiveEntry> entries;
    std::string error;
    std::vector<Basis> bases;
    if (!classconv::readArchive(jar, entries, error)) return bases;
    for (auto& e : entries) {
        Basis s{e.name.substr(0, e.name.size() - 6), {}};
        if (classfile::parse(e.data.data(), e.data.size(), s.cf, error)) bases.push_back(s);
    }
    return bases;
}

void mutateBytes(std::vector<uint8_t>& v, std::mt19937& random) {
    if (v.empty()) return;
    size_t at = random() % v.size();
    switch (random() % 4) {
        case 0:
            v[at] ^= (uint8_t)(1u << (random() % 8));
            break;
        case 1:
            v[at] = (uint8_t)random();
            break;
        case 2:
            v[at] = (uint8_t)(random() % 2 ? 0x00 : 0xFF);
            break;
        default:
            v[at] = (uint8_t)(v[at] + 1);
            break;
    }
}

// One mutation of one method with code; false when the class has none.
bool mutateMethod(classfile::ClassFile& cf, std::mt19937& random) {
    std::vector<classfile::Attribute*> codes;
    for (auto& m : cf.methods) {
        for (auto& a : m.attributes) {
            if (classfile::attributeName(cf, a) == "Code") codes.push_back(&a);
        }
    }
    if (codes.empty()) return false;
    classfile::Attribute* attribute = codes[random() % codes.size()];
    classfile::Code code;
    std::string error;
    if (!classfile::parseCode(attribute->data, code, error)) return false;
    int edits = 1 + (int)(random() % 3);
    for (int e = 0; e < edits; e++) {
        switch (random() % 6) {
            case 0:
            case 1:
                mutateBytes(code.code, random);
                break;
            case 2:
                for (auto& a : code.attributes) {
                    if (classfile::attributeName(cf, a) == "StackMap") mutateBytes(a.data, random);
                }
                break;
            case 3:
                code.maxStack = (uint16_t)(code.maxStack + (int)(random() % 3) - 1);
                break;
            case 4:
                code.maxLocals = (uint16_t)(code.maxLocals + (int)(random() % 3) - 1);
                break;
            default:
                if (!code.handlers.empty()) {
                    classfile::ExceptionHandler& h = code.handlers[random() % code.handlers.size()];
                    uint16_t* field[] = {&h.start, &h.end, &h.handler, &h.catchType};
                    *field[random() % 4] += (uint16_t)((random() % 5) - 2);
                }
                break;
        }
    }
    attribute->data = classfile::writeCode(code);
    return true;
}

enum Ending { ACCEPTED, REFUSED, THROWN, FATAL, ENDINGS };

TEST(VerifyFuzz, MutatedMethodsEndNormally) {
    std::vector<uint8_t> programs = readBytes(VERIFY_JAR);
    std::vector<uint8_t> library = readBytes(LIBRARY_JAR);
    std::vector<Basis> bases = basesOf(programs);
    ASSERT_FALSE(bases.empty());
    std::vector<JarEntry> others;
    for (auto& s : bases) others.push_back({s.name + ".class", classfile::write(s.cf)});
    std::mt19937 random(20261210);
    int endings[ENDINGS] = {};
    LoaderVm vm(2 * 1024 * 1024);
    for (int round = 0; round < 1200; round++) {
        size_t k = random() % bases.size();
        classfile::ClassFile cf = bases[k].cf;
        if (!mutateMethod(cf, random)) continue;
        std::vector<JarEntry> entries{{bases[k].name + ".class", classfile::write(cf)}};
        for (size_t i = 0; i < others.size(); i++) {
            if (i != k) entries.push_back(others[i]);
        }
        const char* name = bases[k].name.c_str();
        Ending ending = ACCEPTED;
        vmasm::RunResult r = runWithClassPath(vm, {{"/sys.jar", library}, {"/app.jar", makeJar(entries, false)}}, [&] {
            OBJECT thrown = nullptr;
            ClassRecord* c = loadForVerification(name, &thrown);
            if (thrown != nullptr) {
                ending = THROWN;
                return;
            }
            bool refused = false;
            for (uint32_t i = 0; c->methodTable != nullptr && i < c->methodTable->length; i++) {
                MethodRecord* m = &c->methodTable->methods[i];
                if (m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT)) continue;
                int reason = verifyMethodCatching(m, &thrown);
                if (thrown != nullptr) ending = THROWN;
                refused = refused || reason > 0;
                thrown = nullptr;
            }
            if (ending == THROWN) return;
            ending = refused ? REFUSED : ACCEPTED;
            // the whole class once more, maps for the collector included; a refusal ends the run
            verifyClassCatching(c, &thrown);
            if (thrown != nullptr) ending = THROWN;
        });
        if (r.exitCode == FATAL_EXIT_CODE) {
            // a refused class ends the run with its VerifyError; the loader's errors end it too
            if (ending != REFUSED) ending = FATAL;
        } else {
            ASSERT_EQ(0, r.exitCode) << "round " << round << " " << name << "\n" << r.trace;
            ASSERT_NE(REFUSED, ending) << "round " << round << " " << name << ": refused without a VerifyError";
        }
        endings[ending]++;
    }
    // the mutations reach the verifier and both of its answers
    EXPECT_GT(endings[ACCEPTED], 20);
    EXPECT_GT(endings[REFUSED], 200);
}

}  // namespace
