// Test support for MIDlet runs: suite JARs packed from the suites' classes with a
// manifest of the test's, a run of mvVmStartMIDP on its own thread with the host events
// recorded, and the run's standard output captured.
#pragma once

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "natives/lib/console_natives.h"
#include "platform/events.h"
#include "platform/hostfile.h"
#include "support/lowmem_fixture.h"
#include "support/zipwriter.h"
#include "vm/loader/startup.h"
#include "vm/services/runhooks.h"
#include "vm/services/vmstart.h"

namespace midlettest {

// A JAR of every suite class with the given manifest (none when empty).
inline std::vector<uint8_t> suiteJar(const std::string& manifest) {
    zipw::Archive archive;
    if (!manifest.empty()) archive.add("META-INF/MANIFEST.MF", manifest, zipw::DEFLATED);
    namespace fs = std::filesystem;
    for (const auto& entry : fs::recursive_directory_iterator(SUITE_CLASSES)) {
        if (!entry.is_regular_file()) continue;
        std::vector<uint8_t> bytes;
        HostFileReadAll(entry.path().c_str(), &bytes);
        archive.add(fs::relative(entry.path(), SUITE_CLASSES).generic_string(), bytes, zipw::DEFLATED);
    }
    return archive.write();
}

struct HostEvent {
    int32_t code, parameter;
    std::chrono::steady_clock::time_point at;
    int64_t wall;  // time of day in milliseconds, the clock of System.currentTimeMillis
};

// The host side of runs: the EventHandler's record, shared with the test's threads.
class Host {
public:
    static Host* current;

    static void handler(int32_t vmId, int32_t code, int32_t parameter) {
        Host* h = current;
        std::function<void(int32_t)> hook;
        {
            std::lock_guard<std::mutex> lock(h->mutex_);
            int64_t wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
            h->events_.push_back({code, parameter, std::chrono::steady_clock::now(), wall});
            hook = h->onEvent;
            h->changed_.notify_all();
        }
        if (hook) hook(code);
    }

    // Waits at most the given time for the count-th host event code; true when it came.
    bool waitFor(int32_t code, int milliseconds = 20000, int count = 1) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
            int seen = 0;
            for (const HostEvent& e : events_) {
                if (e.code == code) seen++;
            }
            return seen >= count;
        });
    }

    std::vector<HostEvent> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

    std::string codes() {
        std::string out;
        for (const HostEvent& e : events()) {
            out += (out.empty() ? "" : " ") + std::to_string(e.code);
            if (e.code == MV_HOST_VM_STOPPED) out += "(" + std::to_string(e.parameter) + ")";
        }
        return out;
    }

    // The time of day of every host event code, in order.
    std::vector<int64_t> wallTimesOf(int32_t code) {
        std::vector<int64_t> times;
        for (const HostEvent& e : events()) {
            if (e.code == code) times.push_back(e.wall);
        }
        return times;
    }

    std::chrono::steady_clock::time_point timeOf(int32_t code) {
        for (const HostEvent& e : events()) {
            if (e.code == code) return e.at;
        }
        return {};
    }

    // Called on the VM thread after each event is recorded.
    std::function<void(int32_t)> onEvent;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<HostEvent> events_;
};
inline Host* Host::current = nullptr;

struct RunOutcome {
    int32_t result;
    std::string output;
};

// The run's standard output goes to a file for the time of the run.
class StdoutCapture {
public:
    StdoutCapture() {
        fflush(stdout);
        file_ = tmpfile();
        saved_ = dup(1);
        dup2(fileno(file_), 1);
    }
    std::string finish() {
        flushConsole();
        fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        std::string text;
        rewind(file_);
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
        fclose(file_);
        return text;
    }

private:
    FILE* file_;
    int saved_;
};

enum { RUN_HEAP = 4 * 1024 * 1024 };

// The heap block of the runs, in the low window as the Java heap must be.
inline void* runHeap() {
    static LowBlock heap(RUN_HEAP);
    return heap.data();
}

// One run of a suite with the host's record. The JAR, the JAD and the class name go to
// low blocks: the start record keeps their addresses in words.
inline RunOutcome runSuite(Host& host, const std::vector<uint8_t>& jar, const std::string& jad,
                           const char* className = nullptr, int32_t vmId = 1) {
    SysTimerInit();
    mvVm_setRunHooks(&LoaderRunHooks);
    LowBlock jarBytes(jar), jadBytes(jad), name(std::string(className ? className : ""));
    MKT_MIDP_Application app = {};
    app.jarSize = jarBytes.size();
    app.jarAddr = jarBytes.data();
    if (!jad.empty()) {
        app.jadSize = jadBytes.size();
        app.jadAddr = jadBytes.data();
    }
    if (className != nullptr) {
        app.className = (const char*)name.data();
        app.classNameLen = name.size();
    }
    const char* params[2] = {"-heapsize", "1M"};
    int32_t lengths[2] = {9, 2};
    Host::current = &host;
    StdoutCapture capture;
    int32_t result = mvVmStartMIDP(vmId, RUN_HEAP, runHeap(), &app, Host::handler, 2, params, lengths);
    std::string output = capture.finish();
    Host::current = nullptr;
    return {result, output};
}

// A run in which the host's commands come from a thread of their own, started once the
// MIDlet has started; `also` sees every event first, on the VM thread.
inline RunOutcome runCommanded(Host& host, const std::vector<uint8_t>& jar, const std::function<void()>& commands,
                               const std::function<void(int32_t)>& also = nullptr) {
    std::thread commander;
    host.onEvent = [&](int32_t code) {
        if (also) also(code);
        if (code != MV_HOST_APP_STARTED || commander.joinable()) return;
        commander = std::thread(commands);
    };
    RunOutcome r = runSuite(host, jar, "");
    if (commander.joinable()) commander.join();
    host.onEvent = nullptr;
    return r;
}

}  // namespace midlettest
