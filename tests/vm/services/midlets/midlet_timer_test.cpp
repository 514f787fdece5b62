// java.util.Timer across VM suspends, in MIDlet runs driven by the host's service
// commands: the timer threads park for a suspend (Timer.waitResume), however many there
// are, and run again after its resume; tasks that fell due meanwhile run at once, a
// fixed-rate task catching up, a fixed-delay task going on a period after its run; a
// suspend the VM refuses strands no timer; a timer cancelled while its thread is parked
// ends that thread at once.
//
// The suites suites.TimerProbe and suites.TimerCrowd print the time of every task run
// (System.currentTimeMillis, the time of day); the host records the time of day of its events, so the two compare.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <sstream>
#include <thread>

#include "midlet_fixture.h"
#include "vm/services/events.h"
#include "vm/services/vmstate.h"

using namespace midlettest;

namespace {

const std::string Manifest =
    "Manifest-Version: 1.0\nMIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\n"
    "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\nMIDlet-1: T,,suites.TimerProbe\n";

// Milliseconds between the two clocks' readings of one moment: both read the time of day,
// in whole milliseconds.
const int64_t Slack = 3;
// The longest a task due at a resume may take to run after it.
const int64_t Prompt = 150;
const int64_t Period = 100;

struct TaskRun {
    int64_t at, scheduled;
};

struct Probe {
    std::map<std::string, std::vector<TaskRun>> runs;
    std::vector<int64_t> starts, pauses;
    int64_t end = 0;
    std::vector<std::string> lines;  // every other line
};

Probe parse(const std::string& output) {
    Probe p;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first;
        int64_t a = 0, b = 0;
        words >> first;
        if (first == "R" || first == "D" || first == "O1" || first == "O2" || first == "L") {
            words >> a >> b;
            p.runs[first].push_back({a, b});
        } else if (first == "start" && (words >> a)) {
            p.starts.push_back(a);
        } else if (first == "pause" && (words >> a)) {
            p.pauses.push_back(a);
        } else if (first == "end" && (words >> a)) {
            p.end = a;
        } else {
            p.lines.push_back(line);
        }
    }
    return p;
}

// "<task> <time>" of every run strictly inside the suspension [suspended, resumed].
std::string runsWhileSuspended(const Probe& p, int64_t suspended, int64_t resumed) {
    std::string found;
    for (const auto& [name, runs] : p.runs) {
        for (const TaskRun& r : runs) {
            if (r.at > suspended + Slack && r.at < resumed - Slack) found += name + " " + std::to_string(r.at) + "; ";
        }
    }
    return found;
}

std::vector<TaskRun> runsAfter(const std::vector<TaskRun>& runs, int64_t time) {
    std::vector<TaskRun> after;
    for (const TaskRun& r : runs) {
        if (r.at >= time - Slack) after.push_back(r);
    }
    return after;
}

// The fixed-rate task: every period has its run, in order, and each period due while
// the VM was suspended ran at once after the resume.
void expectCaughtUp(const Probe& p, int64_t suspended, int64_t resumed, const std::string& what) {
    const std::vector<TaskRun>& r = p.runs.at("R");
    ASSERT_GT(r.size(), 2u) << what;
    for (size_t k = 0; k < r.size(); k++) {
        EXPECT_EQ(r[0].scheduled + (int64_t)k * Period, r[k].scheduled) << what << ": run " << k;
    }
    int missed = 0;
    for (const TaskRun& run : r) {
        if (run.scheduled <= suspended || run.scheduled >= resumed) continue;
        missed++;
        EXPECT_GE(run.at, resumed - Slack) << what << ": a missed period ran before the resume";
        EXPECT_LE(run.at, resumed + 2 * Prompt) << what << ": a missed period ran late";
    }
    EXPECT_GE(missed, (int)((resumed - suspended) / Period) - 2) << what << ": the periods missed while suspended";
}

// The fixed-delay task: its first run after the resume came at once, the later ones a
// period apart, up to the end.
void expectWentOn(const Probe& p, int64_t resumed, const std::string& what) {
    std::vector<TaskRun> d = runsAfter(p.runs.at("D"), resumed);
    ASSERT_FALSE(d.empty()) << what << ": no fixed-delay run after the resume";
    EXPECT_LE(d[0].at, resumed + Prompt) << what;
    for (size_t k = 1; k < d.size(); k++) {
        EXPECT_GE(d[k].at - d[k - 1].at, Period - 5) << what << ": fixed-delay runs " << k - 1 << " and " << k;
    }
    EXPECT_GE((int64_t)d.size(), (p.end - resumed) / Period - 3) << what << ": the timer went on until the end";
    EXPECT_GE(d.back().at, p.end - Period - Prompt) << what << ": the timer went on until the end";
}

// A one-shot task ran once, at once after one of the resumes.
void expectRanAtAResume(const Probe& p, const std::string& task, const std::vector<int64_t>& resumes) {
    const std::vector<TaskRun>& o = p.runs.at(task);
    ASSERT_EQ(1u, o.size()) << task;
    bool prompt = false;
    for (int64_t resumed : resumes) prompt = prompt || (o[0].at >= resumed - Slack && o[0].at <= resumed + Prompt);
    EXPECT_TRUE(prompt) << task << " ran at " << o[0].at << ", not at once after a resume";
}

std::string join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

TEST(MidletTimers, TasksWaitOutASuspendAndCatchUpAfterIt) {
    std::vector<uint8_t> jar = suiteJar(Manifest);
    Host host;
    std::atomic<int32_t> results[2] = {{9}, {9}};
    RunOutcome r = runCommanded(host, jar, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        results[0] = mvVmSuspendCommand(1);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        results[1] = mvVmResumeCommand(1);
    });
    EXPECT_EQ(0, results[0].load());
    EXPECT_EQ(0, results[1].load());
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("1 10 20 21 2 3 22 23 4(0)", host.codes());
    SCOPED_TRACE("standard output:\n" + r.output);
    Probe p = parse(r.output);
    EXPECT_EQ("timer threads ended true\n", join(p.lines)) << r.output;
    EXPECT_EQ(2u, p.starts.size());
    EXPECT_EQ(1u, p.pauses.size());
    int64_t suspended = host.wallTimesOf(MV_HOST_VM_SUSPENDED).at(0);
    int64_t resumed = host.wallTimesOf(MV_HOST_VM_RESUMED).at(0);
    EXPECT_EQ("", runsWhileSuspended(p, suspended, resumed));
    // the one-shot tasks fell due while the VM was suspended; the lone timer's thread,
    // parked rather than in a timed wait, saw its task due at the resume
    expectRanAtAResume(p, "O1", {resumed});
    expectRanAtAResume(p, "O2", {resumed});
    expectRanAtAResume(p, "L", {resumed});
    expectCaughtUp(p, suspended, resumed, "suspend");
    expectWentOn(p, resumed, "suspend");
}

// The host suspends again while the VM is suspended: the VM resumes and suspends once
// more, and the timers park for the second suspend too, until the second resume.
TEST(MidletTimers, TwoSuspendsNeedTwoResumes) {
    std::vector<uint8_t> jar = suiteJar(Manifest);
    Host host;
    std::atomic<int32_t> results[3] = {{9}, {9}, {9}};
    RunOutcome r = runCommanded(host, jar, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        results[0] = mvVmSuspendCommand(1);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        results[1] = mvVmSuspendCommand(1);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED, 20000, 2)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        results[2] = mvVmResumeCommand(1);
    });
    for (auto& result : results) EXPECT_EQ(0, result.load());
    EXPECT_EQ(0, r.result);
    // the second suspend command resumes the VM and suspends it again; the MIDlet,
    // paused by the first, stays paused (the second clears the host's paused flag)
    EXPECT_EQ("1 10 20 21 2 3 2 3 23 4(0)", host.codes());
    SCOPED_TRACE("standard output:\n" + r.output);
    Probe p = parse(r.output);
    EXPECT_EQ("timer threads ended true\n", join(p.lines)) << r.output;
    std::vector<int64_t> suspends = host.wallTimesOf(MV_HOST_VM_SUSPENDED);
    std::vector<int64_t> resumes = host.wallTimesOf(MV_HOST_VM_RESUMED);
    ASSERT_EQ(2u, suspends.size());
    ASSERT_EQ(2u, resumes.size());
    EXPECT_EQ("", runsWhileSuspended(p, suspends[0], resumes[0])) << "first suspend";
    EXPECT_EQ("", runsWhileSuspended(p, suspends[1], resumes[1])) << "second suspend";
    // O1 fell due in the first suspension, O2 in the second
    expectRanAtAResume(p, "O1", resumes);
    expectRanAtAResume(p, "O2", {resumes[1]});
    expectRanAtAResume(p, "L", {resumes[1]});
    expectCaughtUp(p, suspends[1], resumes[1], "second suspend");
    expectWentOn(p, resumes[1], "second suspend");
}

// A second suspend command before the VM carried out the first: the VM refuses the
// second suspend (it is suspended already). The timers, parked for the first, must not
// park again for the refused one after the resume: they run on to the end.
TEST(MidletTimers, ARefusedSuspendStrandsNoTimer) {
    std::vector<uint8_t> jar = suiteJar(Manifest);
    Host host;
    std::atomic<int32_t> results[3] = {{9}, {9}, {9}};
    auto also = [&](int32_t code) {
        if (code == MV_HOST_APP_PAUSED && results[1] == 9) {
            // on the VM thread, in the first suspend's pause: before the VM suspends
            results[1] = mvVmSuspendCommand(1);
        }
    };
    auto commands = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        results[0] = mvVmSuspendCommand(1);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        results[2] = mvVmResumeCommand(1);
    };
    RunOutcome r = runCommanded(host, jar, commands, also);
    for (auto& result : results) EXPECT_EQ(0, result.load());
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("1 10 20 21 2 3 23 4(0)", host.codes()) << "one suspend carried out, the second refused";
    SCOPED_TRACE("standard output:\n" + r.output);
    Probe p = parse(r.output);
    EXPECT_EQ("timer threads ended true\n", join(p.lines)) << r.output;
    int64_t suspended = host.wallTimesOf(MV_HOST_VM_SUSPENDED).at(0);
    int64_t resumed = host.wallTimesOf(MV_HOST_VM_RESUMED).at(0);
    EXPECT_EQ("", runsWhileSuspended(p, suspended, resumed));
    expectRanAtAResume(p, "O1", {resumed});
    ASSERT_EQ(1u, p.runs["L"].size()) << "the lone timer's task, due after the resume";
    EXPECT_GE(p.runs["L"][0].at, p.runs["L"][0].scheduled);
    EXPECT_LE(p.runs["L"][0].at, p.runs["L"][0].scheduled + Prompt);
    expectCaughtUp(p, suspended, resumed, "refused suspend");
    expectWentOn(p, resumed, "refused suspend");
}

// A suspend that finds the MIDlet active, then the host's pause while the VM is suspended:
// pauseApp runs after the VM's wait ends and before its resume, while the timer thread
// is parked, and cancels the timer. The thread ends before pauseApp returns, no task of
// that timer runs again, and a new timer works.
TEST(MidletTimers, ATimerCancelledWhileParkedEndsItsThread) {
    std::vector<uint8_t> jar = suiteJar(Manifest + "Probe-Mode: cancel\n");
    Host host;
    std::atomic<int32_t> results[3] = {{9}, {9}, {9}};
    RunOutcome r = runCommanded(host, jar, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        results[0] = mvK6Event_postProcessEvent(MV_PROCESS_SUSPEND, 0);
        if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        results[1] = mvVmPauseCommand(1);
        results[2] = mvVmResumeCommand(1);
    });
    EXPECT_EQ(1, results[0].load()) << "the suspend event posted";
    EXPECT_EQ(0, results[1].load());
    EXPECT_EQ(0, results[2].load());
    EXPECT_EQ(0, r.result);
    EXPECT_EQ("1 10 20 2 21 3 23 4(0)", host.codes());
    SCOPED_TRACE("standard output:\n" + r.output);
    Probe p = parse(r.output);
    ASSERT_EQ(3u, p.lines.size()) << r.output;
    int64_t cancelled = 0;
    char alive[8] = {}, ended[8] = {};
    ASSERT_EQ(3, sscanf(p.lines[0].c_str(), "cancel %lld alive %7s ended %7s", (long long*)&cancelled, alive, ended))
        << p.lines[0];
    EXPECT_STREQ("true", alive) << "the timer thread lived when pauseApp cancelled the timer";
    EXPECT_STREQ("true", ended) << "the parked timer thread ended before pauseApp returned";
    EXPECT_EQ("timer threads ended true", p.lines[1]);
    EXPECT_EQ("new timer ran true", p.lines[2]);
    int64_t suspended = host.wallTimesOf(MV_HOST_VM_SUSPENDED).at(0);
    int64_t resumed = host.wallTimesOf(MV_HOST_VM_RESUMED).at(0);
    EXPECT_GT(cancelled, suspended) << "pauseApp ran after the VM's wait";
    EXPECT_LT(cancelled, resumed) << "pauseApp ran before the resume";
    p.runs.erase("L");  // the lone timer was not cancelled
    EXPECT_EQ("", runsWhileSuspended(p, suspended, resumed + 1000000)) << "no run of the cancelled timer's tasks";
}

// Twelve timers (suites.TimerCrowd): every timer thread parks for the suspend, none runs
// a task until the resume, and each runs again at once after it. The host's pause while
// the VM is suspended cancels the last timer while its thread is parked: that thread
// ends before pauseApp returns and its task never runs again.
TEST(MidletTimers, EveryTimerOfManyParks) {
    const std::string CrowdManifest =
        "Manifest-Version: 1.0\nMIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\n"
        "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\nMIDlet-1: T,,suites.TimerCrowd\n"
        "Crowd-Timers: 12\n";
    struct Case {
        const char* name;
        int cancelled;  // the timer pauseApp cancels, or -1
        // the suspend comes as a process event and the host pauses the MIDlet while the
        // VM is suspended; otherwise the host's suspend command pauses it first
        bool pauseWhileSuspended;
        const char* results;  // of the host's calls, in order
        const char* codes;
    };
    const Case cases[] = {
        {"twelve timers, one suspend", -1, false, "0 0", "1 10 20 21 2 3 22 23 4(0)"},
        {"the twelfth timer cancelled while parked", 11, true, "1 0 0", "1 10 20 2 21 3 23 4(0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string manifest = CrowdManifest;
        if (c.cancelled >= 0) manifest += "Crowd-Cancel: " + std::to_string(c.cancelled) + "\n";
        std::vector<uint8_t> jar = suiteJar(manifest);
        Host host;
        std::string results;
        RunOutcome r = runCommanded(host, jar, [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (c.pauseWhileSuspended) {
                results += std::to_string(mvK6Event_postProcessEvent(MV_PROCESS_SUSPEND, 0));
            } else {
                results += std::to_string(mvVmSuspendCommand(1));
            }
            if (!host.waitFor(MV_HOST_VM_SUSPENDED)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
            if (c.pauseWhileSuspended) results += " " + std::to_string(mvVmPauseCommand(1));
            results += " " + std::to_string(mvVmResumeCommand(1));
        });
        EXPECT_EQ(c.results, results);
        EXPECT_EQ(0, r.result);
        EXPECT_EQ(c.codes, host.codes());
        SCOPED_TRACE("standard output:\n" + r.output);
        std::map<int, std::vector<int64_t>> runs;
        std::vector<std::string> lines;
        std::istringstream in(r.output);
        std::string line;
        while (std::getline(in, line)) {
            int timer = -1;
            long long at = 0;
            if (sscanf(line.c_str(), "T%d %lld", &timer, &at) == 2) {
                runs[timer].push_back(at);
            } else if (line.rfind("pause ", 0) != 0 && line.rfind("end ", 0) != 0) {
                lines.push_back(line);
            }
        }
        int64_t suspended = host.wallTimesOf(MV_HOST_VM_SUSPENDED).at(0);
        int64_t resumed = host.wallTimesOf(MV_HOST_VM_RESUMED).at(0);
        ASSERT_EQ(c.cancelled >= 0 ? 2u : 1u, lines.size());
        EXPECT_EQ("timer threads ended true", lines.back());
        if (c.cancelled >= 0) {
            long long cancelled = 0;
            char alive[8] = {}, ended[8] = {};
            ASSERT_EQ(3, sscanf(lines[0].c_str(), "cancel %lld alive %7s ended %7s", &cancelled, alive, ended))
                << lines[0];
            EXPECT_STREQ("true", alive) << "the timer thread lived when pauseApp cancelled the timer";
            EXPECT_STREQ("true", ended) << "the parked timer thread ended before pauseApp returned";
            EXPECT_GT(cancelled, suspended) << "pauseApp ran after the VM's wait";
            EXPECT_LT(cancelled, resumed) << "pauseApp ran before the resume";
        }
        for (int timer = 0; timer < 12; timer++) {
            const std::vector<int64_t>& at = runs[timer];
            ASSERT_FALSE(at.empty()) << "timer " << timer << " never ran";
            std::string whileSuspended;
            int64_t firstAfter = -1;
            for (int64_t t : at) {
                if (t > suspended + Slack && t < resumed - Slack) whileSuspended += " " + std::to_string(t - suspended);
                if (firstAfter < 0 && t >= resumed - Slack) firstAfter = t;
            }
            EXPECT_EQ("", whileSuspended)
                << "timer " << timer << " ran while the VM was suspended (ms after the suspend)";
            if (timer == c.cancelled) {
                EXPECT_EQ(-1, firstAfter) << "timer " << timer << " ran after it was cancelled";
            } else if (firstAfter < 0) {
                ADD_FAILURE() << "timer " << timer << " did not run after the resume";
            } else {
                EXPECT_LE(firstAfter, resumed + Prompt) << "timer " << timer << " ran late after the resume";
            }
        }
    }
}

}  // namespace
