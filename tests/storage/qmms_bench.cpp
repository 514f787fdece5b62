// Listing and looking up installed suites in a store of 500.
#include "device_tree.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

const int SUITES = 500;

int32_t plenty() { return 0x7FFFFFFF; }

const char* benchFolder() {
    const char* folder = getenv("MOVANE_BENCH_DIR");
    return folder != nullptr && folder[0] != 0 ? folder : "/tmp";
}

// One store for all benchmarks of the run, in /tmp or $MOVANE_BENCH_DIR (a memory-backed
// folder shows the cost without the disk's flushes).
struct Store {
    DeviceTree tree{benchFolder()};
    Store() {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plenty;
        qmms_setHooks(&hooks);
        qmms_init(0);
        for (int i = 0; i < SUITES; i++) {
            QmmsSuiteInfo s;
            memset(&s, 0, sizeof s);
            // names out of order so that the sort has work to do
            snprintf(s.name, sizeof s.name, "Suite %05d", (i * 7919) % SUITES);
            snprintf(s.vendor, sizeof s.vendor, "Vendor %d", i % 17);
            snprintf(s.directory, sizeof s.directory, "gfs://java/");
            s.jarSize = (uint32_t)(i * 1000);
            int id;
            qmms_addSuite(&s, &id);
        }
        qmms_closeIndex(1);
        qmms_openIndex();
    }
    ~Store() { qmms_fini(); }
};

Store& store() {
    static Store s;
    return s;
}

void BM_ListSuites(benchmark::State& state) {
    store();
    int key = (int)state.range(0);
    std::vector<QmmsSuiteInfo> list(SUITES);
    for (auto _ : state) {
        int n = qmms_getSuiteCount(-1);
        if (n != SUITES || qmms_getSuiteList(-1, list.data(), key) != 0) state.SkipWithError("listing failed");
        benchmark::DoNotOptimize(list.data());
    }
}
BENCHMARK(BM_ListSuites)->Arg(0)->Arg(QMMS_SORT_NAME)->Arg(QMMS_SORT_JAR_SIZE)->Unit(benchmark::kMicrosecond);

void BM_FindSuiteByName(benchmark::State& state) {
    store();
    char name[64];
    // a suite on the last page, found after a page switch from page 0
    int wanted = (499 * 7919) % SUITES;
    snprintf(name, sizeof name, "Suite %05d", wanted);
    for (auto _ : state) {
        QmmsSuiteInfo first;
        qmms_getSuiteInfo(0, &first);  // page 0 cached again
        int id = qmms_getSuiteId(name, "Vendor 6");
        if (id != 499) state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(id);
    }
}
BENCHMARK(BM_FindSuiteByName)->Unit(benchmark::kMicrosecond);

// One install as the installer does it: the index slot, the suite data, the resource
// file and the security file, then the index commit.
int installOne() {
    QmmsSuiteInfo s;
    memset(&s, 0, sizeof s);
    snprintf(s.name, sizeof s.name, "Benchmark suite");
    snprintf(s.vendor, sizeof s.vendor, "Bench");
    snprintf(s.directory, sizeof s.directory, "gfs://java/");
    s.jarSize = 4096;
    s.midletCount = 1;
    int id = -1;
    if (qmms_addSuite(&s, &id) != 0 || qmms_openSuite(id) != 0) return -1;
    QmmsSuiteData d;
    memset(&d, 0, sizeof d);
    snprintf(d.jarLocation, sizeof d.jarLocation, "gfs://java/%d.jar", id);
    d.jarSize = 4096;
    d.midletCount = 1;
    QmmsMidletInfo m;
    memset(&m, 0, sizeof m);
    snprintf(m.name, sizeof m.name, "Game");
    snprintf(m.className, sizeof m.className, "com.example.Game");
    static const char manifest[] = "MIDlet-Name: Benchmark suite\nMIDlet-1: Game,,com.example.Game\n";
    uint32_t sizes[2] = {sizeof manifest, sizeof manifest};
    uint32_t states[3] = {1, 2, 3};
    bool ok = qmms_setSuiteData(&d) == 0 && qmms_setMidletEntry(0, &m) == 0 && qmms_closeSuite(1) == 0;
    ok = ok && qmms_createRawFile(id, 2, sizes) == 0 &&
         qmms_writeRawEntry(0, "META-INF/MANIFEST.MF", manifest, nullptr, 0) == 0;
    ok = ok && qmms_writeRawEntry(1, "__JAD__", manifest, nullptr, 0) == 0 && qmms_commitRawFile(1) == 0;
    ok = ok && qmms_loadSecurity(id) == 0 && qmms_setSecurityHeader(0, 3) == 0 && qmms_setSecurityStates(states) == 0;
    ok = ok && qmms_saveSecurity(1) == 0 && qmms_closeIndex(1) == 0 && qmms_openIndex() == 0;
    return ok ? id : -1;
}

void BM_InstallSuite(benchmark::State& state) {
    store();
    for (auto _ : state) {
        int id = installOne();
        if (id < 0) state.SkipWithError("install failed");
        state.PauseTiming();
        qmms_removeSuiteFiles(id);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InstallSuite)->Unit(benchmark::kMicrosecond);

void BM_RemoveSuite(benchmark::State& state) {
    store();
    for (auto _ : state) {
        state.PauseTiming();
        int id = installOne();
        if (id < 0) state.SkipWithError("install failed");
        state.ResumeTiming();
        qmms_removeSuiteFiles(id);
    }
}
BENCHMARK(BM_RemoveSuite)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
