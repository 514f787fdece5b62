// Inflate throughput (bytes of output per second): our decoder against zlib's inflate on
// the same raw DEFLATE data, for whole large entries and for class-file-sized ones.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "vm/zip/inflate.h"
#include "vm/zip/inflate_corpus.h"

namespace {

void* mallocTable(void*, int32_t size) { return malloc(size_t(size)); }

void freeTable(void*, void* block) { free(block); }

struct Sample {
    Bytes data;
    Bytes packed;
};

// Sample kinds: 0 text, 1 mixed, 2 text with fixed codes only, 3 stored (level 0).
Sample makeSample(int kind, size_t size) {
    Sample s;
    s.data = kind == 1 ? mixedData(size, 5) : textData(size, 5);
    s.packed = kind == 2 ? zlibDeflate(s.data, 6, Z_FIXED) : zlibDeflate(s.data, kind == 3 ? 0 : 6);
    return s;
}

void BM_InflateOurs(benchmark::State& state) {
    Sample s = makeSample(int(state.range(0)), size_t(state.range(1)));
    Bytes out(s.data.size());
    InflateAllocator allocator = {mallocTable, freeTable, nullptr};
    for (auto _ : state) {
        uint8_t* p = out.data();
        InflateSource source;
        inflateMemorySource(&source, s.packed.data(), int32_t(s.packed.size()));
        if (!inflateData(&source, int32_t(s.packed.size()), &p, int32_t(out.size()), &allocator))
            state.SkipWithError("inflateData failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != s.data) state.SkipWithError("output differs");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.data.size()));
}

void BM_InflateZlib(benchmark::State& state) {
    Sample s = makeSample(int(state.range(0)), size_t(state.range(1)));
    Bytes out(s.data.size());
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    for (auto _ : state) {
        inflateReset(&z);
        z.next_in = s.packed.data();
        z.avail_in = uInt(s.packed.size());
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    inflateEnd(&z);
    if (out != s.data) state.SkipWithError("output differs");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(s.data.size()));
}

// Arguments: sample kind, uncompressed size.
void samples(benchmark::internal::Benchmark* b) {
    b->ArgNames({"kind", "size"});
    for (int kind = 0; kind < 4; kind++) b->Args({kind, 1 << 20});
    b->Args({0, 4096});
    b->Args({1, 4096});
}

BENCHMARK(BM_InflateOurs)->Apply(samples);
BENCHMARK(BM_InflateZlib)->Apply(samples);

}  // namespace

BENCHMARK_MAIN();
