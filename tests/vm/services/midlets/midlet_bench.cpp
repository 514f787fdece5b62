// Events per second from host threads through the event queues to Java event threads,
// and the time from mvVmStartMIDP to the end of startApp of a small suite in memory.
#include <benchmark/benchmark.h>

#include <thread>

#include "midlet_fixture.h"
#include "natives/lib/midlet_natives.h"
#include "vm/services/events.h"

using namespace midlettest;

namespace {

const std::string Header = "MIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\n";

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void StartToStartApp(benchmark::State& state) {
    std::vector<uint8_t> jar = suiteJar(Header + "MIDlet-1: Hello,,suites.Hello\n");
    for (auto _ : state) {
        Host host;
        auto start = std::chrono::steady_clock::now();
        runSuite(host, jar, "");
        state.SetIterationTime(seconds(host.timeOf(MV_HOST_APP_STARTED) - start));
    }
}
BENCHMARK(StartToStartApp)->UseManualTime()->Unit(benchmark::kMillisecond);

void EventsToJavaThreads(benchmark::State& state) {
    std::vector<uint8_t> jar = suiteJar(Header + "MIDlet-1: S,,suites.Stress\n");
    for (auto _ : state) {
        Host host;
        std::vector<std::thread> posters;
        host.onEvent = [&](int32_t code) {
            if (code != MV_HOST_APP_STARTED) return;
            for (int32_t p = 0; p < 4; p++) {
                posters.emplace_back([p] {
                    for (int32_t seq = 0; seq < 25000; seq++) {
                        int32_t words[5] = {p, seq, 0, 0, 0};
                        if (p < 2) {
                            while (!mvK6Event_post(words, 2, midlet_joinerQueueId())) std::this_thread::yield();
                        } else {
                            while (mvMediaEvent_post(words) != 0) std::this_thread::yield();
                        }
                    }
                });
            }
        };
        runSuite(host, jar, "");
        for (std::thread& t : posters) t.join();
        state.SetIterationTime(seconds(host.timeOf(MV_HOST_APP_DESTROYED) - host.timeOf(MV_HOST_APP_STARTED)));
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(EventsToJavaThreads)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
