// Listing and looking up installed suites in a store of 500.
#include "device_tree.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_manager.h"

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

const int SUITES = 500;

int32_t plenty() { return 0x7FFFFFFF; }

// One store for all benchmarks of the run.
struct Store {
  DeviceTree tree;
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

}  // namespace

BENCHMARK_MAIN();
