#include <gtest/gtest.h>

#include <setjmp.h>
#include <stdint.h>

#include <string>

#include "platform/trace.h"
#include "sink_capture.h"
#include "vm/core/exceptions.h"
#include "vm/loader/startup.h"
#include "vm/services/vmreset.h"
#include "vm/trace/tracelog.h"

namespace {

std::string hex8(const void* p) {
    char text[24];
    mvSprintf(text, sizeof text, "0x%p", p);
    return text;
}

// a global of the program: its address fits the start record's word
alignas(8) uint8_t heapBlock[4096];

TEST(HeapHandOver, GivesTheStartRecordsHeapRoundedDown) {
    const struct {
        const char* name;
        int32_t size;
        int32_t expected;
    } cases[] = {
        {"multiple of four", 4096, 4096},
        {"rounded down", 1003, 1000},
        {"below four", 3, 0},
    };
    for (const auto& c : cases) {
        KvmStartRecord record = {};
        record.heapStart = heapBlock;
        record.heapSize = c.size;
        mvVm_keepStartRecord(&record);
        int32_t size = -1;
        void* start = nullptr;
        SinkCapture sink;
        EXPECT_EQ((void*)heapBlock, setVmHeap(&size, &start)) << c.name;
        EXPECT_EQ((void*)heapBlock, start) << c.name;
        EXPECT_EQ(c.expected, size) << c.name;
        char line[64];
        mvSprintf(line, sizeof line, "VM heap %s 0x%x\n", hex8(heapBlock).c_str(), c.expected);
        EXPECT_EQ(line, sink.text) << c.name;
        mvVm_keepStartRecord(nullptr);
    }
}

// Runs fn with the run's exit frame set; returns the exit code it left with, or -1
// when it returned normally.
int32_t exitCodeOf(void (*fn)(void*), void* arg) {
    jmp_buf exitFrame;
    jmp_buf* volatile saved = VmExitFrame;
    VmExitFrame = &exitFrame;
    VmExitCode = -1;
    if (setjmp(exitFrame) == 0) {
        fn(arg);
    }
    VmExitFrame = saved;
    return VmExitCode;
}

TEST(HeapHandOver, UnalignedStartEndsTheRun) {
    KvmStartRecord record = {};
    record.heapStart = heapBlock + 2;
    record.heapSize = 1000;
    mvVm_keepStartRecord(&record);
    SinkCapture sink;
    int32_t code = exitCodeOf([](void*) { setVmHeap(nullptr, nullptr); }, nullptr);
    mvVm_keepStartRecord(nullptr);
    EXPECT_EQ(127, code);
    EXPECT_EQ("Heap address is " + hex8(heapBlock + 2) + "\nALERT: Heap address is not four-byte aligned\n", sink.text);
}

TEST(HeapHandOver, NoStartRecordEndsTheRunInsteadOfCrashing) {
    mvVm_keepStartRecord(nullptr);
    SinkCapture sink;
    int32_t code = exitCodeOf([](void*) { setVmHeap(nullptr, nullptr); }, nullptr);
    EXPECT_EQ(127, code);
    EXPECT_EQ("ALERT: No heap block for the run\n", sink.text);
}

TEST(PlatformError, EndsTheRunWithTheCodeInTheStatus) {
    const struct {
        const char* name;
        int code;
        int traced;
    } cases[] = {
        {"ordinary code", 5, 5}, {"highest code", 32767, 32767}, {"zero", 0, 0}, {"above range", 32768, 0},
        {"negative", -3, 0},
    };
    for (const auto& c : cases) {
        SinkCapture sink;
        int code = c.code;
        int32_t status = exitCodeOf([](void* arg) { mvVmPlatformError(*(int*)arg); }, &code);
        EXPECT_EQ((int32_t)(0x80000001u + (uint32_t)c.traced), status) << c.name;
        EXPECT_EQ("ALERT: Platform API error: " + std::to_string(c.traced) + "\n", sink.text) << c.name;
    }
}

}  // namespace
