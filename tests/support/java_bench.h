// Benchmark support: one run of a Java program through the runner per iteration, from
// a JAR of the build tree, with the number of calls each run makes as the items counted.
#pragma once

#include <benchmark/benchmark.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "host/vm/kvm/runner.h"
#include "platform/events.h"
#include "platform/hostfile.h"

namespace javabench {

// Runs "kvm -classpath /app.jar <words...>" with the JAR at jarPath once an iteration.
inline void runProgram(benchmark::State& state, const char* jarPath, std::vector<std::string> words, int64_t calls) {
    SysTimerInit();
    std::vector<uint8_t> programs;
    if (!HostFileReadAll(jarPath, &programs) || programs.empty()) {
        state.SkipWithError("the test programs are missing");
        return;
    }
    KvmRunFiles files = {nullptr, 0, programs.data(), (int32_t)programs.size()};
    words.insert(words.begin(), {"kvm", "-classpath", "/app.jar"});
    for (auto _ : state) {
        std::vector<std::string> copy = words;
        std::vector<char*> argv;
        for (std::string& w : copy) argv.push_back(&w[0]);
        if (runKvmOnce((int)argv.size(), argv.data(), &files) != 0) {
            state.SkipWithError("the run failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * calls);
}

}  // namespace javabench
