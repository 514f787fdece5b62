// The component natives' own machinery: the completion callbacks that Java names by
// index (so that no Java int is ever called as code), the event sink that posts toolkit
// events as requests on the UI queues, and the host services the VM lends the toolkit.
#include <gtest/gtest.h>

#include <limits.h>

#include <string>
#include <vector>

#include "natives/ui/kiv_natives.h"
#include "platform/events.h"
#include "support/vmasm.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_label.h"
#include "toolkit/toolkit_host.h"
#include "vm/services/amservice.h"
#include "vm/services/events.h"
#include "vm/services/vmreset.h"
#include "vm/services/vmstate.h"

using namespace vmasm;

namespace {

std::vector<std::vector<int32_t>> completed;

template <int N>
void completion(int32_t* block) {
    completed.push_back({N, block[0], block[1], block[2], block[3], block[4], block[5], block[6]});
}

int32_t wordOf(GuiTkEventCallback callback) { return (int32_t)p32Word((const void*)callback); }

class KivCompletions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, initVmSections(MV_SECTIONS_FULL));
        completed.clear();
    }
    void TearDown() override { initVmSections(MV_SECTIONS_FULL); }
};

TEST_F(KivCompletions, IndexesNameOnlyEnteredCallbacks) {
    GuiTkEventCallback callbacks[KIV_COMPLETION_SLOTS] = {
        completion<0>,  completion<1>,  completion<2>,  completion<3>,  completion<4>,  completion<5>,
        completion<6>,  completion<7>,  completion<8>,  completion<9>,  completion<10>, completion<11>,
        completion<12>, completion<13>, completion<14>, completion<15>,
    };
    EXPECT_EQ(KIV_NO_COMPLETION, kivCompletionIndex(wordOf(callbacks[0]))) << "nothing entered yet";
    for (int32_t i = 0; i < KIV_COMPLETION_SLOTS; i++) ASSERT_EQ(i, kivRegisterCompletion(callbacks[i])) << i;
    EXPECT_EQ(3, kivRegisterCompletion(callbacks[3])) << "a callback is entered once";
    EXPECT_EQ(KIV_NO_COMPLETION, kivRegisterCompletion(completion<99>)) << "a full table takes no more";

    struct Case {
        const char* name;
        int32_t word, index;
    };
    const Case lookups[] = {
        {"first entered", wordOf(callbacks[0]), 0},
        {"last entered", wordOf(callbacks[15]), 15},
        {"never entered", wordOf(completion<99>), KIV_NO_COMPLETION},
        {"no callback", 0, KIV_NO_COMPLETION},
        {"a word next to a callback", wordOf(callbacks[2]) + 1, KIV_NO_COMPLETION},
        {"an index as a word", 5, KIV_NO_COMPLETION},
    };
    for (const Case& c : lookups) EXPECT_EQ(c.index, kivCompletionIndex(c.word)) << c.name;

    int32_t block[7] = {10, 11, 12, 13, 14, 15, 16};
    EXPECT_EQ(1, kivRunCompletion(7, block));
    ASSERT_EQ(1u, completed.size());
    EXPECT_EQ((std::vector<int32_t>{7, 10, 11, 12, 13, 14, 15, 16}), completed[0]);
}

// Whatever a Java field holds, only an entered callback is ever called.
TEST_F(KivCompletions, IndexesOutOfRangeAreRefused) {
    ASSERT_EQ(0, kivRegisterCompletion(completion<0>));
    ASSERT_EQ(1, kivRegisterCompletion(completion<1>));
    int32_t block[7] = {};
    const struct {
        const char* name;
        int32_t index;
    } refused[] = {
        {"no completion", KIV_NO_COMPLETION},
        {"below the table", -2},
        {"most negative", INT_MIN},
        {"an empty slot", 2},
        {"the last slot, empty", KIV_COMPLETION_SLOTS - 1},
        {"just past the table", KIV_COMPLETION_SLOTS},
        {"largest", INT_MAX},
        {"a callback's address", wordOf(completion<0>)},
    };
    for (const auto& c : refused) EXPECT_EQ(0, kivRunCompletion(c.index, block)) << c.name;
    EXPECT_TRUE(completed.empty()) << "a refused index called something";
}

// A run with the UI queues up and the toolkit started on the test host, the sink
// installed as the toolkit's default handler.
RunResult withSink(const std::function<void(ToolkitHost&)>& body) {
    SysTimerInit();
    Vm vm;
    ToolkitHost host;
    return vm.inside([&] {
        mvK6Event_resetForRun();
        mvK6Event_initialize();
        mvVm_setInKvm(1);
        mvK6Event_initUiQueues();
        EXPECT_EQ(0, FontLayerStart(bitmap_font::renderer()));
        EXPECT_EQ(0, GuiTkInitialize(0, nullptr, &host.table));
        CompSetDefaultHandler(kivPostGuiEvent);
        body(host);
        GuiTkFinalize();
        FontLayerStop();
        mvVm_setInKvm(0);
    });
}

std::vector<int32_t> take(int32_t which) {
    int32_t words[16], n = 0;
    mvK6Event_takeQueue(mvK6Event_getUiQueueId(which), words, &n);
    return std::vector<int32_t>(words, words + n);
}

TEST_F(KivCompletions, SinkPostsEventsThatCompleteByIndex) {
    struct Case {
        const char* name;
        bool label;  // else no component
        int32_t code, queue, type;
    };
    const Case cases[] = {
        {"no component: type 0", false, GUITK_EVENT_CHANGED, UI_QUEUE_REQUEST, 0},
        {"a label's event: its type", true, GUITK_EVENT_CHANGED, UI_QUEUE_REQUEST, GUITK_TYPE_LABEL},
        {"an update goes to the synchronous queue", true, GUITK_EVENT_UPDATE, UI_QUEUE_SECOND_REQUEST,
         GUITK_TYPE_LABEL},
    };
    std::vector<std::string> failures;
    RunResult r = withSink([&](ToolkitHost&) {
        int32_t label = KivLabelCreate(7);
        for (const Case& c : cases) {
            completed.clear();
            int32_t component = c.label ? label : -1;
            GuiTkEvent event = {0, component, c.code, {21, 22, 23, 24}};
            if (CompRouteEvent(completion<4>, &event) == 0) failures.push_back(std::string(c.name) + ": not posted");
            std::vector<int32_t> words = take(c.queue);
            std::vector<int32_t> expected = {UI_EVENT_REQUEST, component, c.type, c.code, 21, 22, 23, 24, 0};
            if (words.size() != 10 || std::vector<int32_t>(words.begin(), words.begin() + 9) != expected) {
                failures.push_back(std::string(c.name) + ": the request's words differ");
                continue;
            }
            // what Java gets for word 9, and what its answer through that index calls
            int32_t index = kivCompletionIndex(words[9]);
            int32_t block[7] = {words[8], words[1], words[3], words[4], words[5], words[6], words[7]};
            if (index < 0 || kivRunCompletion(index, block) != 1) {
                failures.push_back(std::string(c.name) + ": no completion index");
                continue;
            }
            if (completed != std::vector<std::vector<int32_t>>{{4, 0, component, c.code, 21, 22, 23, 24}})
                failures.push_back(std::string(c.name) + ": the completion got another block");
        }
        KivLabelDelete(label);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
    EXPECT_EQ(std::vector<std::string>{}, failures);
}

TEST_F(KivCompletions, AFullQueueEndsTheRun) {
    int32_t posted = 0;
    RunResult r = withSink([&](ToolkitHost&) {
        for (posted = 0; posted < 100000; posted++) {
            GuiTkEvent event = {0, -1, GUITK_EVENT_CHANGED, {posted, 0, 0, 0}};
            CompRouteEvent(completion<0>, &event);
        }
    });
    EXPECT_LT(posted, 100000) << "the queue never filled";
    EXPECT_NE(0, r.exitCode);
    EXPECT_NE(std::string::npos, r.trace.find("GUI event queue full!")) << r.trace;
    EXPECT_NE(std::string::npos, r.trace.find("GUIToolKit error")) << r.trace;
}

TEST_F(KivCompletions, HostServicesAdaptTheVmsConventions) {
    const GuiTkHostServices* host = kivHostServices();
    int32_t refused = 0, granted = 0, traced = -1;
    SysTimerInit();
    Vm vm;
    RunResult r = vm.inside([&] {
        refused = host->allocHandle(0x7FFFFFFF);
        granted = host->allocHandle(16);
        if (granted > 0) host->freeHandle((uint32_t)granted);
        traced = host->traceHook(1, 2, 3);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
    EXPECT_EQ(-1, refused) << "the toolkit's allocator answers -1 when nothing could be had";
    EXPECT_GT(granted, 0);
    EXPECT_EQ(0, traced);

    RunResult fatal = vm.inside([&] { host->fatalError(3); });
    EXPECT_NE(0, fatal.exitCode);
    EXPECT_NE(std::string::npos, fatal.trace.find("GUIToolKit throws exception 3")) << fatal.trace;
    EXPECT_NE(std::string::npos, fatal.trace.find("GUIToolKit error")) << fatal.trace;
}

}  // namespace
