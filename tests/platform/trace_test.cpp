#include "platform/trace.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace {

std::string tempPath(const char* tag) {
    return std::string(::testing::TempDir()) + "movane_trace_" + tag + "_" + std::to_string(getpid());
}

std::string readFile(const std::string& path) {
    std::string text;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        return "<missing>";
    }
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, n);
    }
    fclose(f);
    return text;
}

void put(const char* s) {
    while (*s) {
        EXPECT_EQ(0, TraceSinkPutChar((unsigned char)*s++));
    }
}

TEST(TraceGate, LevelAgainstThreshold) {
    const struct {
        const char* name;
        int threshold;
        int level;
        int enabled;
    } cases[] = {
        {"default threshold takes level 0", -1, 0, 1},
        {"default threshold takes level -1", -1, -1, 1},
        {"default threshold refuses -2", -1, -2, 0},
        {"level equal to threshold", 3, 3, 1},
        {"level below threshold", 3, 2, 0},
        {"level above threshold", 1, 5, 1},
    };
    for (const auto& c : cases) {
        TraceSetThreshold(c.threshold);
        EXPECT_EQ(c.enabled, TraceIsEnabled(c.level, "source.cpp", "function")) << c.name;
    }
    TraceSetThreshold(-1);
}

TEST(TraceSink, FileOutputGetsWholeLinesAndOffDiscards) {
    const std::string path = tempPath("file");
    remove(path.c_str());
    ASSERT_EQ(0, TraceSetOutput(path.c_str()));
    put("first line\nsecond ");
    put("part\n");
    put("unfinished");
    ASSERT_EQ(0, TraceSetOutput(nullptr));
    EXPECT_EQ("first line\nsecond part\n", readFile(path));
    put("while off\n");
    EXPECT_EQ("first line\nsecond part\n", readFile(path));
    // Appends to an existing file.
    ASSERT_EQ(0, TraceSetOutput(path.c_str()));
    put("\nthird\n");
    ASSERT_EQ(0, TraceSetOutput(""));
    EXPECT_EQ("first line\nsecond part\nunfinished\nthird\n", readFile(path));
    remove(path.c_str());
}

TEST(TraceSink, LongLinesAndThreadsDoNotInterleaveWithinALine) {
    const std::string path = tempPath("threads");
    remove(path.c_str());
    ASSERT_EQ(0, TraceSetOutput(path.c_str()));
    auto writer = [](char c) {
        for (int line = 0; line < 50; line++) {
            for (int i = 0; i < 40; i++) {
                TraceSinkPutChar(c);
            }
            TraceSinkPutChar('\n');
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    std::string longLine(600, 'z');
    put((longLine + "\n").c_str());
    ASSERT_EQ(0, TraceSetOutput(nullptr));
    std::string text = readFile(path);
    size_t lines = 0, start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        ASSERT_NE(std::string::npos, end);
        std::string line = text.substr(start, end - start);
        if (line[0] != 'z') {
            EXPECT_EQ(std::string(40, line[0]), line) << "line " << lines;
        }
        lines++;
        start = end + 1;
    }
    EXPECT_EQ(101u, lines);
    EXPECT_NE(std::string::npos, text.find(longLine + "\n"));
    remove(path.c_str());
}

TEST(TraceSink, UnopenableFileLeavesOutputOff) {
    EXPECT_EQ(-1, TraceSetOutput("/nonexistent-dir/x/trace.log"));
    put("nowhere\n");  // must neither crash nor fail
}

TEST(TraceSink, CaptureSeesEveryCharacter) {
    std::string seen;
    TraceSetCapture([](int c, void* s) { *static_cast<std::string*>(s) += (char)c; }, &seen);
    put("ab\ncd");
    TraceSetCapture(nullptr, nullptr);
    put("ef");
    EXPECT_EQ("ab\ncd", seen);
}

TEST(TraceSink, EnvironmentChoosesOutput) {
    // The child process re-runs this body, so it takes the parent's path from the environment.
    if (!getenv("MOVANE_TRACE_TEST_FILE")) {
        setenv("MOVANE_TRACE_TEST_FILE", tempPath("env").c_str(), 1);
    }
    const std::string path = getenv("MOVANE_TRACE_TEST_FILE");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a fresh process the variable is read at the first character.
    EXPECT_EXIT(
        {
            remove(path.c_str());
            setenv("MOVANE_TRACE", path.c_str(), 1);
            put("from env\n");
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ("from env\n", readFile(path));
    remove(path.c_str());
    EXPECT_EXIT(
        {
            setenv("MOVANE_TRACE", "stderr", 1);
            put("to standard error\n");
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "to standard error");
}

}  // namespace
