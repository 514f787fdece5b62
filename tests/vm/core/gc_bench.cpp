// Collector speed: a collection of a heap whose objects are half live (mark and sweep
// alone, and with a full compaction that moves every live object) at 2 to 16 MB, and
// the allocation rate of small objects with the collections it causes.
#include <benchmark/benchmark.h>

#include "support/vmasm.h"
#include "vm/core/gc.h"

using namespace vmasm;

namespace {

const int32_t HEAP_BYTES = 2 * 1024 * 1024;

void addNode(Vm& vm) { vm.cls("Node").field("next", "Ljava/lang/Object;").field("value", "I"); }

// Fills the heap with nodes, every other one kept on a list held by *list.
int32_t fillHalfLive(ClassRecord* nodeClass, OBJECT* list, int32_t bytes) {
    int32_t count = 0;
    int32_t perNode = (nodeClass->instSize + 3) * 4;
    for (int32_t used = 0; used + perNode <= bytes; used += perNode) {
        OBJECT n = instantiate(nodeClass);
        n->data[1] = count;
        if ((count++ & 1) == 0) {
            n->data[0] = p32Cell(*list);
            *list = n;
        }
    }
    return count;
}

void collect(benchmark::State& state, bool compact, int32_t heapBytes) {
    Vm vm;
    vm.heapBytes = heapBytes;
    addNode(vm);
    int64_t live = 0;
    RunResult r = vm.inside([&] {
        ClassRecord* nodeClass = vm.classRecord("Node");
        OBJECT list = nullptr;
        makeTemporaryRoot(&list);
        for (auto _ : state) {
            state.PauseTiming();
            list = nullptr;
            garbageCollect(HeapSize / 4);
            live = fillHalfLive(nodeClass, &list, memoryFree() - 64 * 1024) / 2;
            state.ResumeTiming();
            garbageCollect(compact ? HeapSize / 4 : 0);
        }
    });
    if (r.exitCode != 0) state.SkipWithError("run failed");
    state.counters["live"] = (double)live;
}

void CollectHalfLive2MB(benchmark::State& state) { collect(state, false, HEAP_BYTES); }
BENCHMARK(CollectHalfLive2MB)->Unit(benchmark::kMillisecond);

// The argument is the heap in megabytes.
void CompactHalfLive(benchmark::State& state) { collect(state, true, (int32_t)state.range(0) * 1024 * 1024); }
BENCHMARK(CompactHalfLive)->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Unit(benchmark::kMillisecond);

void AllocateSmallObjects(benchmark::State& state) {
    Vm vm;
    vm.heapBytes = HEAP_BYTES;
    addNode(vm);
    int64_t allocated = 0;
    int32_t collections = 0;
    RunResult r = vm.inside([&] {
        ClassRecord* nodeClass = vm.classRecord("Node");
        OBJECT last = nullptr;
        makeTemporaryRoot(&last);
        int32_t before = CollectionCount;
        for (auto _ : state) {
            for (int i = 0; i < 10000; i++) {
                OBJECT n = instantiate(nodeClass);
                n->data[0] = p32Cell(last);
                // a short chain stays reachable, the rest is garbage
                if ((i & 15) == 0) n->data[0] = 0;
                last = n;
            }
            allocated += 10000;
        }
        collections = CollectionCount - before;
    });
    if (r.exitCode != 0) state.SkipWithError("run failed");
    state.SetItemsProcessed(allocated);
    state.counters["collections"] = collections;
}
BENCHMARK(AllocateSmallObjects)->Unit(benchmark::kMicrosecond);

}  // namespace
