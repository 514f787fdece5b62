#include "vm/services/vmreset.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "platform/clock.h"
#include "platform/events.h"
#include "platform/lowmem.h"
#include "platform/trace.h"
#include "platform/vmsections.h"
#include "sink_capture.h"
#include "vm/trace/tracelog.h"

namespace {

int32_t runCounter VMDATA = 1234;
char runName[16] VMDATA = "initial";
int32_t runFlags VMBSS;
int64_t runWide[3] VMBSS;

TEST(VmSections, EachRunStartsFromInitialValues) {
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_FULL));
    for (int run = 1; run <= 2; run++) {
        // What a run leaves behind...
        runCounter += 100 * run;
        strcpy(runName, "changed");
        runFlags = 0x5A5A;
        runWide[2] = -1;
        mvTraceLog_setLogLevel(1);
        // ...is gone at the next run's reset.
        ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN)) << "run " << run;
        EXPECT_EQ(1234, runCounter) << "run " << run;
        EXPECT_STREQ("initial", runName) << "run " << run;
        EXPECT_EQ(0, runFlags) << "run " << run;
        EXPECT_EQ(0, runWide[2]) << "run " << run;
        EXPECT_EQ(MV_TRACE_INFO, mvTraceLog_getLogLevel()) << "run " << run;
    }
}

TEST(VmSections, PerRunResetTracesItsStart) {
    SinkCapture sink;
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
    EXPECT_EQ(0u, sink.text.find("VM variable initialization.\n  type: 2\n")) << sink.text;
    EXPECT_NE(std::string::npos, sink.text.find("  bssAddress: 0x")) << sink.text;
    EXPECT_NE(std::string::npos, sink.text.find("  initDataAddress: 0x")) << sink.text;
}

// Records over small buffers stand in for the sections. The buffers are low: a record
// keeps their addresses in words.
struct FakeSection {
    enum { SIZE = 8 };
    uint8_t* const block = (uint8_t*)lowCalloc(3, SIZE);
    uint8_t* const data = block;
    uint8_t* const bss = block + SIZE;
    uint8_t* const init = block + 2 * SIZE;
    FakeSection() {
        if (block == nullptr) abort();
    }
    ~FakeSection() { lowFree(block); }
    FakeSection(const FakeSection&) = delete;
    FakeSection& operator=(const FakeSection&) = delete;
    MKT_Section_Info record(int type) {
        memset(data, 0xDD, SIZE);
        memset(bss, 0xBB, SIZE);
        memset(init, 0x11, SIZE);
        return MKT_Section_Info{type, (char*)data, SIZE, (char*)bss, SIZE, (char*)init};
    }
    bool wasReset() const {
        for (int i = 0; i < 8; i++) {
            if (data[i] != 0x11 || bss[i] != 0) {
                return false;
            }
        }
        return true;
    }
    bool untouched() const {
        for (int i = 0; i < 8; i++) {
            if (data[i] != 0xDD || bss[i] != 0xBB) {
                return false;
            }
        }
        return true;
    }
};

TEST(VmSections, ModesAndRecordTypes) {
    const struct {
        const char* name;
        int mode;
        int type;
        bool reset;
    } cases[] = {
        {"full reset takes type 0", MV_SECTIONS_FULL, 0, true},
        {"per-run reset leaves type 0", MV_SECTIONS_PER_RUN, 0, false},
        {"per-run reset takes type 1", MV_SECTIONS_PER_RUN, 1, true},
        {"per-run reset takes type 2", MV_SECTIONS_PER_RUN, 2, true},
        {"per-run reset leaves type 3", MV_SECTIONS_PER_RUN, 3, false},
        {"full reset takes type 10", MV_SECTIONS_FULL, 10, true},
    };
    for (const auto& c : cases) {
        FakeSection s;
        MKT_Section_Info r = s.record(c.type);
        EXPECT_EQ(0, mvVmSections_reset(c.mode, &r, 1)) << c.name;
        EXPECT_EQ(c.reset, s.wasReset()) << c.name;
        EXPECT_EQ(!c.reset, s.untouched()) << c.name;
    }
}

TEST(VmSections, BadRecordsAreRefusedWithTraces) {
    FakeSection good, bad;
    MKT_Section_Info records[2] = {good.record(2), bad.record(11)};
    const struct {
        const char* name;
        const MKT_Section_Info* records;
        int count;
        int result;
        const char* trace;
    } cases[] = {
        {"no records", nullptr, 1, -1, "ERROR: the return value of MkSectionGetInfoR2() is NULL.\n"},
        {"count zero", records, 0, -2, "ERROR: the arg of MkSectionGetInfoR2() is illegal.\n"},
        {"type 11", records, 2, -3, "ERROR: MKT_Section_Info: type is illegal 11\n"},
    };
    for (const auto& c : cases) {
        SinkCapture sink;
        EXPECT_EQ(c.result, mvVmSections_reset(MV_SECTIONS_FULL, c.records, c.count)) << c.name;
        EXPECT_EQ(c.trace, sink.text) << c.name;
    }
    // A bad record anywhere leaves every record as it was.
    EXPECT_TRUE(good.untouched());
    EXPECT_TRUE(bad.untouched());
}

TEST(VmClock, ElapsedRunsOnTheCounterFromTheLastStart) {
    SysTimerInit();
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));  // a run starts with the clock not taken
    mvVmClock_start();
    uint32_t high, low;
    int64_t timeOfDay = SysGetCurrentTimeMillis(&high, &low);
    int64_t offset1 = mvVmClock_elapsed() - mvVmClock_now();
    EXPECT_LE(std::llabs(mvVmClock_elapsed() - timeOfDay), 50);
    int64_t now1 = mvVmClock_now();
    usleep(100 * 1000);
    int64_t now2 = mvVmClock_now();
    int64_t offset2 = mvVmClock_elapsed() - mvVmClock_now();
    EXPECT_GE(now2 - now1, 95);
    EXPECT_LT(now2 - now1, 2000);
    // The Java time is the counter moved by a fixed offset until the next start.
    EXPECT_LE(std::llabs(offset2 - offset1), 1);
    // A resume takes a fresh origin.
    mvVmClock_start();
    timeOfDay = SysGetCurrentTimeMillis(&high, &low);
    EXPECT_LE(std::llabs(mvVmClock_elapsed() - timeOfDay), 50);
    SysTimerTerm();
}

TEST(VmClock, NowIsTheElapsedTimeCounter) {
    SysTimerInit();
    uint32_t high, low;
    SysGetElapsedTime(&high, &low);
    int64_t counter = (int64_t)(((uint64_t)high << 32) | low);
    EXPECT_LE(std::llabs(mvVmClock_now() - counter), 5);
    SysTimerTerm();
}

}  // namespace
