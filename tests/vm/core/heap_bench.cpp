// Allocation among free holes too small for the request: first fit in address order
// walks them, the search fingers let later requests of the same size start past them.
#include <benchmark/benchmark.h>

#include "support/vmasm.h"
#include "vm/core/gc.h"

using namespace vmasm;

namespace {

const int32_t HOLE_WORDS = 8;      // block words of a hole and of the live block after it
const int32_t REQUEST_WORDS = 17;  // too large for any hole
const int32_t ALLOCATIONS = 2000;

void AllocateAmongHoles(benchmark::State& state) {
    const int32_t holes = (int32_t)state.range(0);
    Vm vm;
    vm.heapBytes = 2 * 1024 * 1024;
    RunResult r = vm.inside([&] {
        cell* keep = nullptr;
        makeTemporaryRoot(&keep);
        for (auto _ : state) {
            state.PauseTiming();
            keep = nullptr;
            garbageCollect(HeapSize / 4);
            keep = mallocHeapObject(holes + 1, GCT_POINTERLIST);
            keep[0] = holes;
            for (int32_t i = 0; i < holes; i++) {
                mallocHeapObject(HOLE_WORDS - 1, GCT_NOPOINTERS);  // dies: a hole
                keep[i + 1] = p32Cell(mallocHeapObject(HOLE_WORDS - 1, GCT_NOPOINTERS));
            }
            garbageCollect(0);  // sweeps the holes free, moves nothing
            state.ResumeTiming();
            for (int32_t i = 0; i < ALLOCATIONS; i++)
                benchmark::DoNotOptimize(mallocHeapObject(REQUEST_WORDS - 1, GCT_NOPOINTERS));
        }
    });
    if (r.exitCode != 0) state.SkipWithError("run failed");
    state.SetItemsProcessed(state.iterations() * ALLOCATIONS);
}
BENCHMARK(AllocateAmongHoles)->Arg(500)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace
