// Classes verified per second on the class library: the classes are loaded from the
// library's JAR as "/sys.jar" first; only the verification is timed. The first
// benchmark walks every method of every class again and again; the second verifies
// each class once per run as its first initialisation would, maps for the collector
// included.
#include <benchmark/benchmark.h>

#include "verify_fixture.h"

namespace {

using namespace verifytest;

std::vector<ClassRecord*> loadLibrary(const std::vector<std::string>& names) {
    takeSystemClassesFromLibrary(names);
    std::vector<ClassRecord*> classes;
    for (const std::string& name : names) classes.push_back(getClass(name.c_str()));
    return classes;
}

void BM_VerifyLibraryMethods(benchmark::State& state) {
    std::vector<uint8_t> jar = readBytes(LIBRARY_JAR);
    std::vector<std::string> names = classNamesOf(jar);
    LoaderVm vm(16 * 1024 * 1024);
    int64_t classes = 0, methods = 0, failures = 0;
    runWithClassPath(vm, {{"/sys.jar", jar}}, [&] {
        std::vector<ClassRecord*> loaded = loadLibrary(names);
        for (auto _ : state) {
            for (ClassRecord* c : loaded) {
                for (uint32_t i = 0; c->methodTable != nullptr && i < c->methodTable->length; i++) {
                    MethodRecord* m = &c->methodTable->methods[i];
                    if (m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT)) continue;
                    if (verifyMethod(m) != 0) failures++;
                    methods++;
                }
            }
            classes += (int64_t)loaded.size();
        }
    });
    if (failures != 0 || classes == 0) state.SkipWithError("a library method did not verify");
    state.counters["classes/s"] = benchmark::Counter((double)classes, benchmark::Counter::kIsRate);
    state.counters["methods/s"] = benchmark::Counter((double)methods, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(names.size()) + " classes");
}
BENCHMARK(BM_VerifyLibraryMethods)->Unit(benchmark::kMicrosecond);

void BM_VerifyLibraryClasses(benchmark::State& state) {
    std::vector<uint8_t> jar = readBytes(LIBRARY_JAR);
    std::vector<std::string> names = classNamesOf(jar);
    LoaderVm vm(16 * 1024 * 1024);
    int64_t classes = 0, failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        runWithClassPath(vm, {{"/sys.jar", jar}}, [&] {
            std::vector<ClassRecord*> loaded = loadLibrary(names);
            state.ResumeTiming();
            for (ClassRecord* c : loaded) {
                if (c->status < CLASS_VERIFIED) verifyClass(c);
                if (c->status != CLASS_VERIFIED) failures++;
            }
            state.PauseTiming();
            classes += (int64_t)loaded.size();
        });
        state.ResumeTiming();
    }
    if (failures != 0 || classes == 0) state.SkipWithError("a library class did not verify");
    state.counters["classes/s"] = benchmark::Counter((double)classes, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VerifyLibraryClasses)->Unit(benchmark::kMicrosecond);

}  // namespace
