// Decoding from Java: new String(bytes, encoding) over a Japanese text with some ASCII,
// in bytes of input a second, the run's start included (a small part of it).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "kvm_fixture.h"
#include "platform/events.h"

namespace {

using kvmtest::readFile;

// The text of DecodeLoop: 4000 times six kana and kanji and " text ".
const int64_t SJIS_BYTES = 4000 * (6 * 2 + 6);
const int64_t UTF8_BYTES = 4000 * (6 * 3 + 6);
const int TIMES = 200;

void decodeFromJava(benchmark::State& state, const char* encoding, int64_t bytes) {
    SysTimerInit();
    std::vector<uint8_t> programs = readFile(KVM_TEST_JAR);
    if (programs.empty()) {
        state.SkipWithError("the test programs are missing");
        return;
    }
    KvmRunFiles files = {nullptr, 0, programs.data(), (int32_t)programs.size()};
    for (auto _ : state) {
        std::string words[] = {"kvm",      "-heapsize",  "4m",     "-classpath",
                               "/app.jar", "DecodeLoop", encoding, std::to_string(TIMES)};
        char* argv[8];
        for (int i = 0; i < 8; i++) argv[i] = &words[i][0];
        if (runKvmOnce(8, argv, &files) != 0) {
            state.SkipWithError("the run failed");
            return;
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * TIMES * bytes);
}

void BM_DecodeShiftJisFromJava(benchmark::State& state) { decodeFromJava(state, "SJIS", SJIS_BYTES); }
void BM_DecodeUtf8FromJava(benchmark::State& state) { decodeFromJava(state, "UTF-8", UTF8_BYTES); }
BENCHMARK(BM_DecodeShiftJisFromJava)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeUtf8FromJava)->Unit(benchmark::kMillisecond);

}  // namespace
