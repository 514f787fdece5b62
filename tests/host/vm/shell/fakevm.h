// A double of the host glue that runs a "MIDlet" on a thread of its own, as the VM
// thread would: it sets up the back buffer, draws a test card into it between the
// drawing hooks, reports the start, records the key and pointer events it is given,
// and ends when it is asked to stop.
#pragma once

#include <stdio.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/vm/hostglue.h"
#include "host/vm/vmshell.h"

namespace fakevm {

inline std::mutex lock;
inline std::vector<std::string> events;
inline std::atomic<bool> stopRequested{false};
inline std::atomic<bool> running{false};
inline std::thread vmThread;

inline uint16_t cardPixel(int32_t x, int32_t y, int32_t w, int32_t h) {
    // eight colour bars over the top half, a grey ramp and a checker below
    static const uint16_t bars[8] = {0xFFFF, 0xFFC0, 0x07FF, 0x07E0, 0xF81F, 0xF800, 0x001F, 0x0020};
    if (y < h / 2) return bars[x * 8 / w];
    if (y < h * 3 / 4) {
        uint16_t v = (uint16_t)(x * 31 / (w - 1));
        return (uint16_t)(v << 11 | v << 6 | 0x20 | v);
    }
    return ((x / 16 + y / 16) & 1) ? 0x0020 : 0xFFFF;
}

inline void run() {
    if (!ScreenFontInit()) {
        HostVmStateCallback(1, 4, 0);
        running = false;
        return;
    }
    int32_t w = 0, h = 0;
    uint16_t* pixels = nullptr;
    ScreenGetSize(&w, &h, &pixels);
    KveThreadBoostPriority();
    for (int32_t y = 0; y < h; y++) {
        for (int32_t x = 0; x < w; x++) pixels[y * w + x] = cardPixel(x, y, w, h);
    }
    KveThreadDrawDone(1);
    HostVmStateCallback(1, 10, 0);
    HostVmStateCallback(1, 20, 0);
    while (!stopRequested) usleep(1000);
    ScreenFontTerm();
    HostVmStateCallback(1, 4, 0);
    running = false;
}

inline void record(const std::string& e) {
    std::lock_guard<std::mutex> g(lock);
    events.push_back(e);
}

inline std::vector<std::string> taken() {
    std::lock_guard<std::mutex> g(lock);
    return events;
}

inline int32_t start() {
    if (vmThread.joinable()) vmThread.join();
    stopRequested = false;
    running = true;
    vmThread = std::thread(run);
    return 0;
}

inline HostGlue glue() {
    HostGlue g = hostGlueDefaults;
    g.init = [] { return 0; };
    g.storageInit = [] { return 1; };
    g.storageFini = [] {};
    g.startVmFromFiles = [](const char*, const char*, int32_t) { return start(); };
    g.startVmBySuite = [](int32_t, int32_t) { return start(); };
    g.requestStop = [] { stopRequested = true; };
    // the direct display as the program has it
    g.openDisplay = [] { return ScreenDisplayOpen(); };
    g.closeDisplay = [] {
        ScreenDisplayClose();
        return 1;
    };
    g.postKeyEvent = [](int32_t kind, int32_t code, int32_t) {
        record("key(" + std::to_string(kind) + "," + std::to_string(code) + ")");
        return 1;
    };
    g.postPointerEvent = [](int32_t kind, int32_t x, int32_t y) {
        record("pen(" + std::to_string(kind) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
        return 1;
    };
    return g;
}

inline void finish() {
    if (vmThread.joinable()) vmThread.join();
    std::lock_guard<std::mutex> g(lock);
    events.clear();
}

}  // namespace fakevm
