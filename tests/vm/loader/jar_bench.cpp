// JAR lookups per second: every entry of a 300-class archive found and read once, through
// the index and by the linear walk of a third archive, stored and deflated. Each
// iteration is one VM run (the heap is not collected yet); only the lookups are timed.
#include <benchmark/benchmark.h>

#include <chrono>

#include "jar_fixture.h"

namespace {

const int CLASSES = 300;

std::string className(int i) {
    return "com/example/app/pkg" + std::to_string(i % 7) + "/Class" + std::to_string(i) + ".class";
}

std::vector<uint8_t> archive(uint16_t method) {
    zipw::Archive a;
    a.add("META-INF/", "");
    for (int i = 0; i < CLASSES; i++)
        a.add(className(i), jartest::patternBytes(1500 + (i % 5) * 300, (uint32_t)i), method);
    return a.write();
}

void BM_JarLookup(benchmark::State& state) {
    const bool linear = state.range(0) != 0;
    const uint16_t method = (uint16_t)state.range(1);
    LowBlock jar(archive(method));
    std::vector<std::string> names;
    for (int i = 0; i < CLASSES; i++) names.push_back(className((i * 37) % CLASSES));
    int64_t bytes = 0;
    for (auto _ : state) {
        vmasm::Vm vm;
        vm.heapBytes = 4 * 1024 * 1024;
        double seconds = 0;
        bool ok = true;
        vm.inside([&] {
            registerMemoryFile("/app.jar", jar.data(), nullptr, jar.size());
            if (linear) JarIndexesBuilt = JAR_INDEX_RECORDS;
            JarFile f;
            memset(&f, 0, sizeof f);
            ok = jarOpen("/app.jar", 0, &f) == 1;
            auto start = std::chrono::steady_clock::now();
            for (const std::string& n : names) {
                int32_t size = 0;
                ok = ok && jarFindEntry(&f, n.c_str(), &size, STREAM_HEADER_SIZE, 1) != nullptr;
                bytes += size;
            }
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            jarClose(&f);
            unregisterMemoryFile("/app.jar", 0);
        });
        if (!ok) {
            state.SkipWithError("lookup failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(state.iterations() * CLASSES);
    state.SetBytesProcessed(bytes);
}

}  // namespace

BENCHMARK(BM_JarLookup)
    ->ArgNames({"linear", "method"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 8})
    ->Args({1, 8})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
