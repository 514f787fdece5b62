// The event system's queues, groups and process events, inside a run; the Java event
// threads that wait for them are tested with the MIDlet suites.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/events.h"
#include "sink_capture.h"
#include "support/vmasm.h"
#include "vm/services/events.h"
#include "vm/services/memory.h"
#include "vm/services/vmstate.h"

using namespace vmasm;

namespace {

// Runs fn inside a started run with the event system up, as kvm_main has it.
void insideEvents(const std::function<void()>& fn) {
    SysTimerInit();
    Vm vm;
    RunResult r = vm.inside([&] {
        mvK6Event_resetForRun();
        mvK6Event_initialize();
        mvVm_setInKvm(1);
        fn();
        mvVm_setInKvm(0);
    });
    ASSERT_EQ(0, r.exitCode) << r.trace;
}

std::vector<int32_t> take(int32_t thread) {
    int32_t n = 0;
    int32_t* words = mvK6Event_getNextEvent(thread, &n);
    return words ? std::vector<int32_t>(words, words + n) : std::vector<int32_t>();
}

int32_t post(int32_t id, std::vector<int32_t> words) { return mvK6Event_post(words.data(), (int32_t)words.size(), id); }

// A table of record words as the event system keeps them: a pointer block of the run.
template <typename T>
P32<T>* table(std::initializer_list<T*> records) {
    P32<T>* t = (P32<T>*)mvMemory_allocPointer((int32_t)(records.size() * sizeof(P32<T>)));
    EXPECT_NE(nullptr, t);
    int i = 0;
    for (T* r : records) t[i++] = r;
    return t;
}

TEST(Events, QueueIdsAndTableGrowth) {
    insideEvents([] {
        std::vector<int32_t> ids;
        for (int i = 0; i < 31; i++) ids.push_back(mvK6Event_registerQueue(mvK6Event_createQueue(4, 2, 0)));
        EXPECT_EQ(1, ids[0]) << "the first queue";
        EXPECT_EQ(29, ids[28]) << "the last one of the starting table";
        EXPECT_EQ(30, ids[29]) << "the table grows by one";
        EXPECT_EQ(31, ids[30]);
        EXPECT_EQ(1, post(31, {7}));
    });
}

TEST(Events, SingleQueuePostsAndTakes) {
    struct Case {
        const char* name;
        int32_t ring, max, fixed;
        std::vector<std::vector<int32_t>> posts;
        std::vector<int32_t> accepted;
        std::vector<std::vector<int32_t>> taken;
    };
    const Case cases[] = {
        {"ring of two holds one event of one word", 2, 1, 0, {{5}, {6}}, {1, 0}, {{5}}},
        {"maximum length accepted, one more refused", 8, 3, 0, {{1, 2, 3}, {1, 2, 3, 4}}, {1, 0}, {{1, 2, 3}}},
        {"empty event refused", 8, 3, 0, {{}}, {0}, {}},
        {"order kept across the ring's end", 6, 2, 0, {{1, 2}, {3}}, {1, 1}, {{1, 2}, {3}}},
        {"fixed length: stored bare", 4, 2, 1, {{1, 2}, {3, 4}, {5, 6}}, {1, 1, 0}, {{1, 2}, {3, 4}}},
    };
    for (const Case& c : cases) {
        insideEvents([&] {
            mvK6EventQueue* q = mvK6Event_createQueue(c.ring, c.max, c.fixed);
            int32_t thread = mvK6Event_registerThread(q, EVENT_KIND_1);
            int32_t id = mvK6Event_registerQueue(q);
            for (size_t i = 0; i < c.posts.size(); i++)
                EXPECT_EQ(c.accepted[i], post(id, c.posts[i])) << c.name << " post " << i;
            for (const auto& expected : c.taken) EXPECT_EQ(expected, take(thread)) << c.name;
            EXPECT_TRUE(take(thread).empty()) << c.name << ": nothing more";
            EXPECT_EQ(0, mvK6Event_pendingTotal()) << c.name;
            // the ring wraps: a second round behaves as the first
            for (size_t i = 0; i < c.posts.size(); i++)
                EXPECT_EQ(c.accepted[i], post(id, c.posts[i])) << c.name << " again";
            for (const auto& expected : c.taken) EXPECT_EQ(expected, take(thread)) << c.name << " again";
        });
    }
}

TEST(Events, GroupsKeepPostingOrderAndPriority) {
    insideEvents([] {
        mvK6EventQueue* a = mvK6Event_createQueue(16, 2, 0);
        mvK6EventQueue* b = mvK6Event_createQueue(16, 2, 0);
        mvK6EventQueue* c = mvK6Event_createQueue(16, 2, 0);
        mvK6EventQueue* urgent = mvK6Event_createQueue(16, 2, 0);
        P32<mvK6EventQueue>* groupOne = table({a, b, c});
        P32<mvK6EventQueue>* groupZero = table({urgent});
        P32<mvK6EventGroup>* groups =
            table({mvK6Event_createGroup(groupOne, 3, 1), mvK6Event_createGroup(groupZero, 1, 0)});
        int32_t thread = mvK6Event_registerGroupThread(groups, 2, EVENT_KIND_2);
        EXPECT_EQ(EVENT_KIND_2 | EVENT_THREAD_GROUP, thread);
        EXPECT_EQ(0, groups[0]->priority) << "groups sorted by priority";
        int32_t ia = mvK6Event_registerQueue(a), ib = mvK6Event_registerQueue(b), ic = mvK6Event_registerQueue(c);
        int32_t iu = mvK6Event_registerQueue(urgent);
        post(ib, {'B'});
        post(ia, {'A'});
        post(ic, {'C'});
        post(ib, {'b'});
        EXPECT_EQ(1, mvK6Event_hasEvent(thread));
        EXPECT_EQ(std::vector<int32_t>{'B'}, take(thread));
        post(iu, {'U'});
        EXPECT_EQ(std::vector<int32_t>{'U'}, take(thread)) << "priority 0 before priority 1";
        EXPECT_EQ(std::vector<int32_t>{'A'}, take(thread));
        EXPECT_EQ(std::vector<int32_t>{'C'}, take(thread));
        EXPECT_EQ(std::vector<int32_t>{'b'}, take(thread));
        EXPECT_EQ(0, mvK6Event_hasEvent(thread));
    });
}

TEST(Events, SequenceRenumberingKeepsOrder) {
    insideEvents([] {
        mvK6EventQueue* a = mvK6Event_createQueue(8, 1, 0);
        mvK6EventQueue* b = mvK6Event_createQueue(8, 1, 0);
        mvK6EventGroup* group = mvK6Event_createGroup(table({a, b}), 2, 0);
        P32<mvK6EventGroup>* groups = table({group});
        int32_t thread = mvK6Event_registerGroupThread(groups, 1, EVENT_KIND_2);
        int32_t ia = mvK6Event_registerQueue(a), ib = mvK6Event_registerQueue(b);
        for (int i = 0; i < 65533; i++) {
            post(ia, {i});
            take(thread);
        }
        post(ib, {1});  // 65533
        post(ia, {2});  // 65534
        post(ib, {3});  // renumbered first: the oldest pending becomes 0
        post(ia, {4});
        EXPECT_EQ(4, group->sequence) << "65535 less the oldest pending 65533, then two more posts";
        EXPECT_EQ(std::vector<int32_t>{1}, take(thread));
        EXPECT_EQ(std::vector<int32_t>{2}, take(thread));
        EXPECT_EQ(std::vector<int32_t>{3}, take(thread));
        EXPECT_EQ(std::vector<int32_t>{4}, take(thread));
    });
}

TEST(Events, RefusedPostsAndPeek) {
    insideEvents([] {
        mvK6EventQueue* q = mvK6Event_createQueue(8, 3, 0);
        mvK6Event_registerThread(q, EVENT_KIND_1);
        int32_t id = mvK6Event_registerQueue(q);
        {
            SinkCapture sink;
            EXPECT_EQ(0, post(id + 1, {1}));
            EXPECT_EQ(0, post(0, {1}));
            EXPECT_EQ("WARNING: eventQueueId is illegal.\nWARNING: eventQueueId is illegal.\n", sink.text);
        }
        mvVm_setInKvm(0);
        {
            SinkCapture sink;
            EXPECT_EQ(0, post(id, {1})) << "no run";
            EXPECT_EQ("", sink.text);
        }
        mvVm_setInKvm(1);
        VmState.suspending = 1;
        {
            SinkCapture sink;
            int32_t words[2] = {11, 0};
            EXPECT_EQ(0, mvK6Event_notify(words, 2, id));
            EXPECT_EQ("WARNING: Can't notify this event while the JVM is suspended\n 11  0 \n", sink.text);
        }
        VmState.suspending = 0;
        post(id, {4, 5});
        int32_t words[3] = {}, n = -1;
        mvK6Event_peekQueue(id, words, &n);
        EXPECT_EQ(2, n);
        EXPECT_EQ(5, words[1]);
        EXPECT_EQ(1, mvK6Event_pendingTotal()) << "a peek takes nothing";
        mvK6Event_peekQueue(99, words, &n);
        EXPECT_EQ(0, n) << "a bad id reads nothing";
        EXPECT_EQ(1, mvK6Event_clearQueue(id));
        EXPECT_EQ(0, mvK6Event_pendingTotal());
        EXPECT_EQ(0, mvK6Event_clearQueue(99));
    });
}

TEST(Events, ProcessEventsWaitInThePendingQueue) {
    insideEvents([] {
        mvVm_setInKvm(0);
        SinkCapture sink;
        for (int i = 1; i <= 6; i++) mvK6Event_postProcessEvent(MV_PROCESS_VM_EVENT, i);
        EXPECT_EQ("pendingEventQueue is full\n", sink.text) << "the sixth is lost";
        EXPECT_EQ(1, mvK6Event_hasPendingEvents());
        mvVm_setInKvm(1);
        sink.text.clear();
        // a ring of 4n words: the fifth pair finds the queue full and is dropped
        int32_t thread = mvK6Event_initProcessQueue(2);
        EXPECT_EQ(EVENT_KIND_1 | EVENT_THREAD_SINGLE, thread);
        EXPECT_EQ("mvK6Event_processEvent_resendPendingEvent is failed.\n", sink.text);
        EXPECT_EQ(0, mvK6Event_hasPendingEvents()) << "the pending queue is emptied";
        for (int i = 1; i <= 4; i++) EXPECT_EQ((std::vector<int32_t>{MV_PROCESS_VM_EVENT, i}), take(thread)) << i;
        EXPECT_TRUE(take(thread).empty());
    });
}

TEST(Events, PauseRefusedWhileSuspendingWaitsInThePendingQueue) {
    insideEvents([] {
        int32_t thread = mvK6Event_initProcessQueue(2);
        VmState.suspending = 1;
        SinkCapture sink;
        EXPECT_EQ(0, mvK6Event_postProcessEvent(MV_PROCESS_PAUSE, 0)) << "a notify while suspending";
        EXPECT_EQ(1, mvK6Event_postProcessEvent(MV_PROCESS_RESUME, 0)) << "a post goes through";
        VmState.suspending = 0;
        EXPECT_EQ(1, mvK6Event_hasPendingEvents());
        EXPECT_EQ((std::vector<int32_t>{MV_PROCESS_RESUME, 0}), take(thread));
        EXPECT_TRUE(take(thread).empty()) << "the pause waits in the pending queue";
        EXPECT_EQ("WARNING: Can't notify this event while the JVM is suspended\n 11  0 \n", sink.text);
        VmState.suspending = 1;
        EXPECT_EQ(0, mvK6Event_resendPendingWhenReady()) << "not while suspending";
        VmState.suspending = 0;
        EXPECT_EQ(1, mvK6Event_resendPendingWhenReady());
        EXPECT_EQ((std::vector<int32_t>{MV_PROCESS_PAUSE, 0}), take(thread)) << "sent once the VM may take it";
        EXPECT_EQ(0, mvK6Event_hasPendingEvents());
    });
}

TEST(Events, ConnectionAndMediaQueues) {
    insideEvents([] {
        SinkCapture sink;
        EXPECT_EQ(0, AmNotifyHttpEvent(5, 1, 2));
        EXPECT_EQ("----- connection event: no init queue.\n", sink.text);
        EXPECT_EQ(1, AmNotifyHttpEvent(0, 7, 300)) << "handle 0 queues nothing";
        EXPECT_EQ(7, mvConnEvent_lastHttpStatus());
        EXPECT_EQ(300, mvConnEvent_lastHttpCount());
        int32_t words[5] = {1, 2, 3, 4, 5};
        EXPECT_EQ(0, mvMediaEvent_post(words)) << "no media queue";
        int32_t connection = mvConnEvent_initQueue();
        int32_t media = mvMediaEvent_initQueue(2);
        EXPECT_EQ(1, AmNotifyHttpEvent(5, 1, 2));
        EXPECT_EQ((std::vector<int32_t>{6, 5, 1, 2}), take(connection));
        EXPECT_EQ(0, mvMediaEvent_post(words));
        EXPECT_EQ(0, mvMediaEvent_post(words));
        EXPECT_EQ(-1, mvMediaEvent_post(words)) << "a ring of twelve words holds two";
        EXPECT_EQ((std::vector<int32_t>{1, 2, 3, 4, 5}), take(media));
    });
}

TEST(Events, UiQueuesAndKeySweep) {
    insideEvents([] {
        int32_t thread = mvK6Event_initUiQueues();
        EXPECT_EQ(EVENT_KIND_2 | EVENT_THREAD_GROUP, thread);
        // ids 1..9 in the order of the table: request 1, repaint 9, keys 7
        post(9, {1});
        post(7, {1, 2, 3, 4});
        post(1, {42});
        EXPECT_EQ(std::vector<int32_t>{42}, take(thread)) << "requests (priority 0) first";
        mvK6Event_sweepKeyEvents();
        EXPECT_EQ(std::vector<int32_t>{1}, take(thread)) << "the key event was swept";
        int32_t dialog = mvK6Event_initDialogQueues();
        EXPECT_EQ(EVENT_KIND_2 | EVENT_THREAD_GROUP | 1, dialog);
    });
}

}  // namespace
