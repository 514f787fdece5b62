// The media registry inside a VM run: the handler array and detection order, the
// porting entries, the player list with suspend, resume and destroy, modules, and the
// deferred event callbacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/mediaregistry.h"
#include "media_fixtures.h"
#include "support/vmasm.h"

using mt::Bytes;
using namespace vmasm;

namespace {

// What the fake handler's operations were called with: "d7" destroy of player 7, etc.
std::vector<std::string> Calls;

int32_t fakeDestroy(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Calls.push_back("d" + std::to_string(id));
    return 0;
}
int32_t fakeSuspend(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Calls.push_back("s" + std::to_string(id));
    return 0;
}
int32_t fakeResume(int32_t id, MediaPlayerEntry*, const MediaHandler*) {
    Calls.push_back("r" + std::to_string(id));
    return 0;
}

// A global of the program: its address fits the entries' words.
MediaHandler Fake;
MediaModule ModuleA, ModuleB;

void insideRun(const std::function<void()>& fn) {
    Vm vm;
    vm.heapBytes = 256 * 1024;
    RunResult r = vm.inside(fn);
    ASSERT_EQ(0, r.exitCode) << r.trace;
}

TEST(MediaRegistry, HandlersAndDetection) {
    insideRun([] {
        ASSERT_EQ(0, mvMedia_initialize());
        int32_t count = 0;
        P32<const MediaHandler>* handlers = mvMedia_getHandlers(&count);
        ASSERT_EQ(4, count);
        const int32_t order[] = {MEDIA_TYPE_WAVE, MEDIA_TYPE_TONE, MEDIA_TYPE_MIDI, MEDIA_TYPE_AMR};
        for (int i = 0; i < 4; i++) EXPECT_EQ(order[i], handlers[i]->typeCode) << "detection order " << i;
        EXPECT_EQ(0, mvMedia_initialize()) << "a second call does nothing";
        EXPECT_EQ(handlers, mvMedia_getHandlers(&count)) << "the array is not rebuilt";

        mt::Smf smf;
        smf.tracks = {mt::Track().event(0, {0x90, 60, 1}).end()};
        struct Case {
            const char* name;
            Bytes bytes;
            int32_t type;
            const char16_t* mime;
        };
        const Case cases[] = {
            {"WAVE, though AMR takes anything", mt::wave(1, 8000, 8, {128}), MEDIA_TYPE_WAVE, u"audio/x-wav"},
            {"a tone sequence", mt::tone({0x3C, 8}), MEDIA_TYPE_TONE, u"audio/x-tone-seq"},
            {"a MIDI file", smf.bytes(), MEDIA_TYPE_MIDI, u"audio/midi"},
            {"three bytes of anything", {1, 2, 3}, MEDIA_TYPE_AMR, u"audio/amr"},
            {"RIFF without WAVE", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, MEDIA_TYPE_AMR, u"audio/amr"},
            {"FE 01 alone", {0xFE, 0x01}, MEDIA_TYPE_AMR, u"audio/amr"},
            {"nothing", {}, MEDIA_TYPE_AMR, u"audio/amr"},
        };
        for (const Case& c : cases) {
            EXPECT_EQ(c.type, mvMedia_detectType(c.bytes.data(), (int32_t)c.bytes.size())) << c.name;
            const uint16_t* text = nullptr;
            int32_t n = mvMedia_detectMimeType(c.bytes.data(), (int32_t)c.bytes.size(), &text);
            EXPECT_EQ(std::u16string(c.mime), std::u16string((const char16_t*)text, (size_t)n)) << c.name;
        }
        EXPECT_EQ(nullptr, mvMedia_getHandlerByType(0x104));
        EXPECT_EQ(handlers[1].get(), mvMedia_getHandlerByType(MEDIA_TYPE_TONE));
        int32_t listed = 0;
        MkMediaGetTypeList(&listed);
        EXPECT_EQ(4, listed);
        EXPECT_EQ(1, MkMediaIsSupportedType(MEDIA_TYPE_AMR));
        EXPECT_EQ(0, MkMediaIsSupportedType(0x104));
        EXPECT_EQ(0, MkMediaStreamGetCount());
        EXPECT_EQ(nullptr, MkMediaStreamGetController(0));
    });
}

TEST(MediaRegistry, PlayersFollowTheRun) {
    insideRun([] {
        Fake = {};
        Fake.typeCode = 0x7777;
        Fake.destroy = fakeDestroy;
        Fake.suspend = fakeSuspend;
        Fake.resume = fakeResume;
        Calls.clear();
        ASSERT_EQ(0, mvMedia_initialize());
        EXPECT_EQ(-1, mvMedia_addPlayer(0x7777, 1, nullptr));
        for (int id = 1; id <= 3; id++) ASSERT_EQ(0, mvMedia_addPlayer(0x7777, id, &Fake));
        EXPECT_EQ(-1, mvMedia_removePlayer(0x7777, 9));
        EXPECT_EQ(-1, mvMedia_removePlayer(0x7778, 2)) << "both values must match";
        EXPECT_TRUE(Calls.empty()) << "no destroy for a player not in the list";
        mvMedia_suspendPlayers();
        mvMedia_suspendPlayers();
        mvMedia_resumePlayers();
        mvMedia_resumePlayers();
        EXPECT_EQ((std::vector<std::string>{"s3", "s2", "s1", "r3", "r2", "r1"}), Calls)
            << "suspended once, resumed once, newest first";
        Calls.clear();
        EXPECT_EQ(0, mvMedia_removePlayer(0x7777, 2));
        EXPECT_EQ((std::vector<std::string>{"d2"}), Calls);
        ASSERT_EQ(0, mvMedia_addPlayer(0x7777, 4, &Fake));
        Calls.clear();
        mvMedia_vmStopped(nullptr);
        EXPECT_EQ((std::vector<std::string>{"d4", "d3", "d1"}), Calls) << "newest player first";
        EXPECT_EQ(nullptr, mvMedia_firstPlayer());
    });
    insideRun([] {
        EXPECT_EQ(nullptr, mvMedia_firstPlayer()) << "a new run starts with no players";
        int32_t count = -1;
        EXPECT_EQ(nullptr, mvMedia_getHandlers(&count));
        EXPECT_EQ(0, count) << "nor an array before its initialisation";
    });
}

std::vector<std::string> ModuleCalls;
std::vector<int32_t> Fired;

TEST(MediaRegistry, ModulesAndEventCallbacks) {
    insideRun([] {
        ModuleCalls.clear();
        ModuleA = {};
        ModuleB = {};
        ModuleA.suspend = [](MediaModule*) { ModuleCalls.push_back("As"); };
        ModuleA.resume = [](MediaModule*) { ModuleCalls.push_back("Ar"); };
        ModuleB.finalize = [](MediaModule*) { ModuleCalls.push_back("Bf"); };
        mvMedia_registerModule(&ModuleA);
        mvMedia_registerModule(&ModuleB);
        mvMedia_registerModule(&ModuleA);
        mvMedia_vmSuspended(nullptr);
        mvMedia_vmResumed(nullptr);
        mvMedia_vmStopped(nullptr);
        EXPECT_EQ((std::vector<std::string>{"As", "Ar", "Bf"}), ModuleCalls)
            << "a module registered twice is kept once";

        Fired.clear();
        mvMedia_setEventCallbacks(
            [](int32_t a, int32_t b, int32_t c) {
                Fired.insert(Fired.end(), {a, b, c});
            },
            1, 2, 3, 1);
        mvMedia_setEventCallbacks([](int32_t a, int32_t, int32_t) { Fired.push_back(-a); }, 9, 0, 0, 5);
        mvMedia_fireEventCallback(1);
        mvMedia_fireEventCallback(1);
        mvMedia_fireEventCallback(2);
        EXPECT_EQ((std::vector<int32_t>{1, 2, 3, -9}), Fired) << "each stored callback fires once";
    });
}

}  // namespace
