// Events per second from host threads through the event queues to Java event threads,
// and the time from mvVmStartMIDP to the end of startApp of a small suite in memory.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
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

// Round trips: a host thread posts an event and waits until the Java event thread's
// answer (a platform request) reaches the host.
std::mutex answerMutex;
std::condition_variable answered;
int64_t answers;
int32_t answer(const uint16_t*, int32_t) {
    std::lock_guard<std::mutex> lock(answerMutex);
    answers++;
    answered.notify_all();
    return 0;
}

void RoundTripsThroughAJavaThread(benchmark::State& state) {
    std::vector<uint8_t> jar = suiteJar(Header + "MIDlet-1: P,,suites.PingPong\n");
    const int32_t trips = 20000;
    MidletHostServices services = {answer};
    for (auto _ : state) {
        Host host;
        std::thread pinger;
        answers = 0;
        host.onEvent = [&](int32_t code) {
            if (code != MV_HOST_APP_STARTED) return;
            midlet_setHostServices(&services);
            pinger = std::thread([&] {
                for (int32_t i = 0; i <= trips; i++) {
                    int32_t words[2] = {0, i < trips ? i : -1};
                    while (!mvK6Event_post(words, 2, midlet_joinerQueueId())) std::this_thread::yield();
                    std::unique_lock<std::mutex> lock(answerMutex);
                    answered.wait(lock, [&] { return answers > i; });
                }
            });
        };
        runSuite(host, jar, "");
        if (!pinger.joinable()) {
            state.SkipWithError("the suite did not start");
            break;
        }
        pinger.join();
        state.SetIterationTime(seconds(host.timeOf(MV_HOST_APP_DESTROYED) - host.timeOf(MV_HOST_APP_STARTED)));
    }
    state.SetItemsProcessed(state.iterations() * trips);
}
BENCHMARK(RoundTripsThroughAJavaThread)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
