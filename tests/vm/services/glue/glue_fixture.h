// Runs through the host glue on its own threads: a temporary device tree with a started
// suite store, suites installed through the storage library, and a test double of the
// host shell whose main window is a queue that the test's thread serves.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "storage/device_tree.h"
#include "storage/qmfs.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"
#include "vm/loader/startup.h"
#include "vm/services/glue/mwe.h"
#include "vm/services/midlets/midlet_fixture.h"
#include "vm/services/runhooks.h"

namespace gluetest {

const std::string Header =
    "MIDlet-Name: Suite\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.0\n"
    "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\n";

inline std::string manifestOf(const std::string& midlet) { return "Manifest-Version: 1.0\n" + Header + midlet; }

// The main window of the shell double: what the glue posted to it, in order.
class Window {
public:
    static Window* current;

    static void post(uint32_t message, uint32_t, uint32_t) {
        Window* w = current;
        std::lock_guard<std::mutex> lock(w->mutex_);
        w->messages_.push_back(message);
        w->log_ += w->log_.empty() ? "" : " ";
        w->log_ += nameOf(message);
        w->changed_.notify_all();
    }

    static const char* nameOf(uint32_t message) {
        switch (message) {
            case VM_NOTIFY_START_MIDLET:
                return "start";
            case VM_NOTIFY_STOP_MIDLET:
                return "stop";
            case VM_NOTIFY_APPDESTORYED:
                return "destroyed";
            case VM_NOTIFY_VMPAINTREADY:
                return "paint";
            default:
                return "?";
        }
    }

    // Serves the window until the message comes (it is taken with those before it).
    bool waitFor(uint32_t message, int ms = 30000) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            while (!messages_.empty()) {
                uint32_t m = messages_.front();
                messages_.pop_front();
                if (m == message) return true;
            }
            return false;
        });
    }

    // Asks for the stop until the run has ended: a stop that comes before the
    // application has started is refused, and a pause may hold the run for a while.
    bool stopRun() {
        for (int tries = 0; tries < 600; tries++) {
            mwe_requestStop();
            if (waitFor(VM_NOTIFY_STOP_MIDLET, 50)) return true;
        }
        return false;
    }

    std::string log() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.clear();
        messages_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<uint32_t> messages_;
    std::string log_;
};
inline Window* Window::current = nullptr;

inline uint32_t plentyOfMemory() { return 512u << 20; }
inline int32_t plentyOfSpace() { return 0x7FFFFFFF; }

// The words of a window log in sorted order: the glue's two threads post to the window,
// so notices of one run may come in either order; the end of a run is checked apart.
inline std::string sortedWords(const std::string& log) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find(' ', at);
        if (end == std::string::npos) end = log.size();
        words.push_back(log.substr(at, end - at));
        at = end + 1;
    }
    std::sort(words.begin(), words.end());
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

class GlueTest : public ::testing::Test {
public:
    void SetUp() override {
        Window::current = &window_;
        window_.clear();
        MweShell shell = {};
        shell.postToMainWindow = Window::post;
        shell.availablePhysicalMemory = plentyOfMemory;
        mwe_setShell(&shell);
        QmmsHooks hooks = {};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        ASSERT_EQ(0, qmms_init(0));
        mvVm_setRunHooks(&LoaderRunHooks);
        TraceSetCapture(captureTrace, this);
    }

    void TearDown() override {
        mwe_fini();
        TraceSetCapture(nullptr, nullptr);
        qmms_fini();
        qmms_setHooks(nullptr);
        mwe_setShell(nullptr);
        Window::current = nullptr;
    }

    static void captureTrace(int c, void* context) {
        GlueTest* t = (GlueTest*)context;
        std::lock_guard<std::mutex> lock(t->traceMutex_);
        t->trace_.push_back((char)c);
    }

    std::string trace() {
        std::lock_guard<std::mutex> lock(traceMutex_);
        return trace_;
    }

    // Installs a suite of the test classes; its id.
    int install(const std::string& name, const std::string& midletLine, const std::string& jad,
                const std::vector<uint8_t>& jar) {
        QmmsSuiteInfo info;
        memset(&info, 0, sizeof info);
        snprintf(info.name, sizeof info.name, "%s", name.c_str());
        snprintf(info.vendor, sizeof info.vendor, "Movane");
        snprintf(info.version, sizeof info.version, "1.0.0");
        snprintf(info.directory, sizeof info.directory, "gfs://java/");
        info.jarSize = (uint32_t)jar.size();
        info.midletCount = 1;
        int id = -1;
        EXPECT_EQ(0, qmms_addSuite(&info, &id));
        std::string jarName = qmms_getSuiteFileNameIn("gfs://java/", id, QMMS_FILE_JAR);
        EXPECT_EQ(0, qmfs_replaceFile(jarName.c_str(), jar.data(), (int)jar.size()));
        EXPECT_EQ(0, qmms_openSuite(id));
        QmmsSuiteData data;
        memset(&data, 0, sizeof data);
        snprintf(data.jarLocation, sizeof data.jarLocation, "%s", jarName.c_str());
        data.jadSize = (uint32_t)jad.size();
        data.jarSize = (uint32_t)jar.size();
        data.midletCount = 1;
        EXPECT_EQ(0, qmms_setSuiteData(&data));
        QmmsMidletInfo entry;
        memset(&entry, 0, sizeof entry);
        snprintf(entry.name, sizeof entry.name, "%s", name.c_str());
        snprintf(entry.className, sizeof entry.className, "%s", midletLine.c_str());
        EXPECT_EQ(0, qmms_setMidletEntry(0, &entry));
        EXPECT_EQ(0, qmms_closeSuite(1));
        uint32_t sizes[2] = {0, (uint32_t)jad.size()};
        EXPECT_EQ(0, qmms_createRawFile(id, 2, sizes));
        EXPECT_EQ(0, qmms_writeRawEntry(0, "META-INF/MANIFEST.MF", "", nullptr, 0));
        EXPECT_EQ(0, qmms_writeRawEntry(1, "__JAD__", jad.data(), nullptr, 0));
        EXPECT_EQ(0, qmms_commitRawFile(1));
        return id;
    }

    DeviceTree tree_;
    Window window_;
    std::mutex traceMutex_;
    std::string trace_;
};

}  // namespace gluetest
