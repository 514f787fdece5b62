// The VM callback table: records of four function words, called in table order with
// the address of the table entry (a word holding the record's address).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/mk_dialog.h"
#include "graphics/mk_host.h"
#include "sink_capture.h"
#include "support/hookscope.h"
#include "vm/services/hooks.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstate.h"

namespace {

struct Call {
    char which;
    void* entry;
};
std::vector<Call> Calls;

void started(void* entry) { Calls.push_back({'s', entry}); }
void stopped(void* entry) { Calls.push_back({'x', entry}); }

// Globals of the program: their addresses fit the table's words.
VmCallbackRecord First, Second, Filler;

TEST(VmCallbacks, FunctionsGetTheirTableEntryInOrder) {
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
    mvVm_beginRun(1, nullptr, 0);
    Calls.clear();
    First = {};
    First.started = started;
    First.stopped = stopped;
    Second = {};
    Second.stopped = stopped;
    ASSERT_EQ(1, mvVmCallback_registerFunction(&First));
    ASSERT_EQ(1, mvVmCallback_registerFunction(&Second));
    {
        SinkCapture sink;
        mvVmEvent_started();
        mvVmEvent_stopped(0, 0);
    }
    ASSERT_EQ(3u, Calls.size()) << "a null function is skipped";
    EXPECT_EQ('s', Calls[0].which);
    EXPECT_EQ('x', Calls[1].which);
    EXPECT_EQ('x', Calls[2].which);
    EXPECT_EQ(Calls[0].entry, Calls[1].entry) << "both of the first record's functions get its entry";
    EXPECT_EQ((uint8_t*)Calls[1].entry + 4, Calls[2].entry) << "the entries are consecutive words";
    EXPECT_EQ((void*)&First, p32Address(*(const uint32_t*)Calls[1].entry));
    EXPECT_EQ((void*)&Second, p32Address(*(const uint32_t*)Calls[2].entry));

    for (int i = 2; i < VM_CALLBACK_SLOTS; i++) EXPECT_EQ(1, mvVmCallback_registerFunction(&Filler)) << i;
    EXPECT_EQ(0, mvVmCallback_registerFunction(&Filler)) << "a full table refuses";
    mvVm_beginRun(1, nullptr, 0);
    Calls.clear();
    mvVmEvent_stopped(0, 0);
    EXPECT_TRUE(Calls.empty()) << "the run start empties the table";
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
}

// The VM's own record: everything but started, filled afresh for every run.
TEST(VmCallbacks, OwnRecordIsFilledForEveryRun) {
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
    VmCallbackRecord* own = mvVm_ownCallbacks();
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(nullptr, own->started.get());
    EXPECT_NE(nullptr, own->suspended.get());
    EXPECT_NE(nullptr, own->resumed.get());
    EXPECT_NE(nullptr, own->stopped.get());
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
    EXPECT_EQ(nullptr, own->stopped.get()) << "a per-run record: the reset clears it";
    EXPECT_NE(nullptr, mvVm_ownCallbacks()->stopped.get());
}

std::vector<int32_t> PaintedLengths;
void paintLabel(int32_t, const uint16_t*, int32_t count) { PaintedLengths.push_back(count); }

// The own stopped callback clears the soft-key labels and arrows of the ended run,
// whether or not the VM still runs.
TEST(VmCallbacks, OwnStoppedClearsTheSoftKeys) {
    // as the program's start-up wires it
    HookScope<void (*)(void)> softkeys(ServiceHooks.MkSoftkeyResetLabels, MkSoftkeyResetLabels);
    MkHostHooks saved = *mk_getHostHooks();
    MkHostHooks hooks = saved;
    hooks.menuBarSetSoftkeyLabel = paintLabel;
    mk_setHostHooks(&hooks);
    for (int32_t inKvm = 0; inKvm <= 1; inKvm++) {
        SCOPED_TRACE(inKvm);
        ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
        const uint16_t exitLabel[] = {'E', 'x', 'i', 't'};
        MkSoftkeySetLabel(exitLabel, 4, 1);
        MkSoftkeySetLabel(exitLabel, 4, 2);
        MkSoftkeySetScrollState(3);
        mvVm_setInKvm(inKvm);
        VmCallbackRecord* own = mvVm_ownCallbacks();
        own->stopped.get()(nullptr);
        mvVm_setInKvm(0);
        PaintedLengths.clear();
        MkSoftkeyPaint();
        EXPECT_EQ((std::vector<int32_t>{0, 0}), PaintedLengths) << "labels left after the run";
        EXPECT_EQ(0, MkSoftkeyGetScrollState()) << "arrows left after the run";
    }
    mk_setHostHooks(&saved);
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_PER_RUN));
}

}  // namespace
