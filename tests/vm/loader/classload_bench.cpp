// Classes loaded per second from a JAR held in memory, stored or deflated: each run of
// the benchmark starts a VM run and loads and links every class of the archive.
// The benchmark main comes with the inflater's benchmark of this folder.
#include <benchmark/benchmark.h>

#include "classload_fixture.h"

namespace {

using namespace loadtest;

enum { CLASS_COUNT = 200 };

// A class of ordinary size: a chain of superclasses every tenth class, fields of each
// kind with a constant, a few methods with code, a handler and a stack map.
std::vector<uint8_t> benchClass(int n) {
    std::string name = "app/C" + std::to_string(n);
    std::string super = n % 10 == 0 ? "java/lang/Object" : "app/C" + std::to_string(n - 1);
    ClassBuilder b = plainClass(name, super);
    b.field(0x0002, "count", "I");
    b.field(0x0002, "total", "J");
    b.field(0x0004, "next", "L" + name + ";");
    addAttribute(b, b.field(0x0019, "LIMIT", "I").attributes, "ConstantValue", u2(b.integer(n)));
    addAttribute(b, b.field(0x0019, "NAME", "Ljava/lang/String;").attributes, "ConstantValue", u2(b.string(name)));
    for (int m = 0; m < 6; m++) {
        std::vector<classfile::Attribute> maps;
        addAttribute(b, maps, "StackMap",
                     stackMapBody({{8, {item(7, b.cls(name)), item(1)}, {item(7, b.cls("java/lang/Throwable"))}}}));
        b.methodRef(name, "m" + std::to_string(m), "(I)I");
        b.fieldRef(name, "count", "I");
        classfile::Member& method = rawMethod(b, 0x0001, "m" + std::to_string(m), "(I)I");
        addAttribute(b, method.attributes, "Code",
                     codeBody(3, 2, std::vector<uint8_t>(40, 0x00), {{0, 8, 8, b.cls("java/lang/Throwable")}}, maps));
    }
    return b.bytes();
}

std::vector<uint8_t> benchJar(bool deflated) {
    std::vector<JarEntry> entries;
    for (int n = 0; n < CLASS_COUNT; n++) entries.push_back({"app/C" + std::to_string(n) + ".class", benchClass(n)});
    return makeJar(entries, deflated);
}

void BM_LoadClassesFromJar(benchmark::State& state) {
    std::vector<uint8_t> jar = benchJar(state.range(0) != 0);
    LoaderVm vm(8 * 1024 * 1024);
    int failures = 0;
    for (auto _ : state) {
        Outcome out = vm.run(jar, [&](Outcome&) {
            char name[32];
            for (int n = CLASS_COUNT - 1; n >= 0; n--) {
                snprintf(name, sizeof name, "app/C%d", n);
                ClassRecord* c = getRawClass(name);
                if (c->status == CLASS_RAW) loadClassfile(c, 1);
            }
        });
        if (out.exitCode != 0 || !out.exception.empty()) failures++;
    }
    if (failures) state.SkipWithError("a class did not load");
    state.SetItemsProcessed(state.iterations() * CLASS_COUNT);
    state.SetLabel(state.range(0) ? "deflated" : "stored");
}
BENCHMARK(BM_LoadClassesFromJar)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same VM run and class path with no class loaded: the share of the figures above
// that is not the loader's.
void BM_RunWithoutLoading(benchmark::State& state) {
    std::vector<uint8_t> jar = benchJar(false);
    LoaderVm vm(8 * 1024 * 1024);
    for (auto _ : state) vm.run(jar, [](Outcome&) {});
}
BENCHMARK(BM_RunWithoutLoading)->Unit(benchmark::kMillisecond);

}  // namespace
