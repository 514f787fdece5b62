#include "vm/trace/tracelog.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/trace.h"
#include "vm/services/sink_capture.h"

namespace {

// Restores the trace level a test changes.
struct LevelGuard {
    int saved = mvTraceLog_getLogLevel();
    ~LevelGuard() { mvTraceLog_setLogLevel(saved); }
};

// Numbers are 32-bit words, so one table of words covers the numeric conversions; the
// pointer conversions have a table of their own.
struct FormatCase {
    const char* name;
    const char* format;
    int32_t args[3];
    const char* expected;
};

TEST(Formatter, ConversionsFlagsWidthAndPadding) {
    const FormatCase cases[] = {
        {"plain text", "abc", {}, "abc"},
        {"decimal", "%d", {42}, "42"},
        {"zero", "%d", {0}, "0"},
        {"negative", "%d", {-42}, "-42"},
        {"most negative", "%d", {INT32_MIN}, "-2147483648"},
        {"i conversion", "%i", {7}, "7"},
        {"plus flag", "%+d", {5}, "+5"},
        {"blank flag", "% d", {5}, " 5"},
        {"plus beats blank", "% +d", {5}, "+5"},
        {"plus on negative", "%+d", {-5}, "-5"},
        {"width", "%5d", {42}, "   42"},
        {"left justified", "%-5d|", {42}, "42   |"},
        {"zero padded", "%05d", {42}, "00042"},
        {"zero pad before sign", "%05d", {-42}, "00-42"},
        {"left ignores zero pad", "%-05d|", {42}, "42   |"},
        {"star width", "%*d", {4, 7}, "   7"},
        {"precision ignored for numbers", "%.5d", {42}, "42"},
        {"unsigned", "%u", {-1}, "4294967295"},
        {"octal", "%o", {8}, "10"},
        {"octal max", "%o", {-1}, "37777777777"},
        {"hex lower", "%x", {255}, "ff"},
        {"hex upper", "%X", {255}, "FF"},
        {"hex width zero", "%08x", {0xbeef}, "0000beef"},
        {"char", "%c", {'A'}, "A"},
        {"char takes no padding", "%5c|", {'A'}, "A|"},
        {"percent", "%%", {}, "%"},
        {"unknown conversion", "%q", {}, "?"},
        {"unknown takes no argument", "%q%d", {9}, "?9"},
        {"float unsupported", "%f", {}, "?"},
        {"long length skipped", "%ld", {-3}, "-3"},
        {"long long length skipped", "%llx", {255}, "ff"},
        {"short length skipped", "%hd", {12}, "12"},
        {"format ends in conversion", "ab%-5", {}, "ab"},
        {"format ends after percent", "ab%", {}, "ab"},
    };
    for (const FormatCase& c : cases) {
        char buffer[64];
        int n = mvSprintf(buffer, sizeof buffer, c.format, c.args[0], c.args[1], c.args[2]);
        EXPECT_STREQ(c.expected, buffer) << c.name;
        EXPECT_EQ((int)strlen(c.expected), n) << c.name;
    }
}

// Strings and pointers are read at their full width, then a word may follow.
TEST(Formatter, StringAndPointerConversions) {
    const struct {
        const char* name;
        const char* format;
        const void* pointer;
        int32_t after;
        const char* expected;
    } cases[] = {
        {"string", "%s", "ab", 0, "ab"},
        {"string width", "%5s", "ab", 0, "   ab"},
        {"string left", "%-5s|", "ab", 0, "ab   |"},
        {"string precision", "%.1s", "ab", 0, "a"},
        {"string zero flag pads blanks", "%05s", "ab", 0, "   ab"},
        {"capital S", "%S", "ab", 0, "ab"},
        {"mixed", "[%s=%d]", "ab", 3, "[ab=3]"},
        {"pointer as eight hex digits", "%p", (const void*)0x1234, 0, "00001234"},
        {"null pointer", "%p", nullptr, 0, "00000000"},
        {"pointer with a width", "%6p|", (const void*)0x1234, 0, "  1234|"},
        {"pointer left justified", "%-6p|", (const void*)0x1234, 0, "1234  |"},
        {"pointer above a word", "%p", (const void*)(uintptr_t)0x123456789abull, 0, "123456789ab"},
        {"pointer then a word", "%p %d", (const void*)(uintptr_t)0xfedcba9876ull, -7, "fedcba9876 -7"},
    };
    for (const auto& c : cases) {
        char buffer[64];
        int n = mvSprintf(buffer, sizeof buffer, c.format, c.pointer, c.after);
        EXPECT_STREQ(c.expected, buffer) << c.name;
        EXPECT_EQ((int)strlen(c.expected), n) << c.name;
    }
}

TEST(Formatter, NullStringPrintsNullMarker) {
    const struct {
        const char* name;
        const char* format;
        const char* expected;
    } cases[] = {
        {"bare", "%s", "(null)"},
        {"width", "%8s", "  (null)"},
        {"precision", "%.3s", "(nu"},
        {"in text", "x=%s;", "x=(null);"},
    };
    for (const auto& c : cases) {
        char buffer[32];
        int n = mvSprintf(buffer, sizeof buffer, c.format, (const char*)nullptr);
        EXPECT_STREQ(c.expected, buffer) << c.name;
        EXPECT_EQ((int)strlen(c.expected), n) << c.name;
    }
}

TEST(Formatter, BufferSizesTruncateButCountWholeOutput) {
    const struct {
        const char* name;
        int size;
        const char* stored;  // null: the buffer must be untouched
        int result;
    } cases[] = {
        {"size 4 keeps three and terminator", 4, "123", 5},
        {"exact fit loses last to terminator", 5, "1234", 5},
        {"room for all", 6, "12345", 5},
        {"size 1 stores only terminator", 1, "", 5},
        {"size 0 stores nothing", 0, nullptr, 5},
        {"negative size writes without bound", -1, "12345", 5},
    };
    for (const auto& c : cases) {
        char buffer[16];
        memset(buffer, '#', sizeof buffer);
        int n = mvSprintf(buffer, c.size, "%d", 12345);
        EXPECT_EQ(c.result, n) << c.name;
        if (c.stored) {
            EXPECT_STREQ(c.stored, buffer) << c.name;
        } else {
            EXPECT_EQ('#', buffer[0]) << c.name;
        }
    }
}

TEST(Formatter, NullBufferAndNullFormat) {
    EXPECT_EQ(0, mvSprintf(nullptr, 10, "%d", 123));
    char buffer[8] = "zzz";
    EXPECT_EQ(0, mvSprintf(buffer, sizeof buffer, nullptr));
    EXPECT_STREQ("", buffer);
}

TEST(Formatter, CountStoreConversion) {
    char buffer[32];
    int32_t at = -1;
    int n = mvSprintf(buffer, sizeof buffer, "abc%nde", &at);
    EXPECT_EQ(3, at);
    EXPECT_EQ(5, n);
    EXPECT_STREQ("abcde", buffer);
    // A null target is skipped rather than written through.
    n = mvSprintf(buffer, sizeof buffer, "ab%ncd", (int32_t*)nullptr);
    EXPECT_EQ(4, n);
}

TEST(TraceLog, LevelsGateOutputToSink) {
    LevelGuard guard;
    struct Case {
        const char* name;
        int level;
        int (*trace)(const char*, ...);
        bool written;
    };
    const Case cases[] = {
        {"error at level 1", 1, mvTraceLog_error, true},     {"warning at level 1", 1, mvTraceLog_warning, false},
        {"warning at level 2", 2, mvTraceLog_warning, true}, {"info at level 2", 2, mvTraceLog_info, false},
        {"info at level 3", 3, mvTraceLog_info, true},       {"error at level 0", 0, mvTraceLog_error, false},
        {"debug at level 0", 0, mvTraceLog_debug, true},     {"debug at level -5", -5, mvTraceLog_debug, true},
    };
    for (const Case& c : cases) {
        mvTraceLog_setLogLevel(c.level);
        SinkCapture sink;
        int n = c.trace("n=%d\n", 12);
        if (c.written) {
            EXPECT_EQ(5, n) << c.name;
            EXPECT_EQ("n=12\n", sink.text) << c.name;
        } else {
            EXPECT_EQ(-1, n) << c.name;
            EXPECT_EQ("", sink.text) << c.name;
        }
    }
}

TEST(TraceLog, PrintWritesWhateverTheLevelAndNullFormatFails) {
    LevelGuard guard;
    mvTraceLog_setLogLevel(0);
    SinkCapture sink;
    EXPECT_EQ(11, mvTraceLog_print(0, "ALERT: %s\n", "x y"));
    EXPECT_EQ("ALERT: x y\n", sink.text);
    mvTraceLog_setLogLevel(3);
    EXPECT_EQ(-1, mvTraceLog_print(0, nullptr));
    EXPECT_EQ(-1, mvTraceLog_error(nullptr));
    EXPECT_EQ(-1, mvTraceLog_debug(nullptr));
    EXPECT_EQ("ALERT: x y\n", sink.text);
}

TEST(TraceLog, SetLogLevel) {
    LevelGuard guard;
    const struct {
        const char* name;
        int from;
        int level;
        int result;
        const char* warning;
    } cases[] = {
        {"below four taken", 3, 1, 1, ""},
        {"zero taken", 3, 0, 0, ""},
        {"negative taken", 3, -7, -7, ""},
        {"four refused with warning", 2, 4, 3, "mvTraceLog: setLogLevel: Illegal argument"},
        {"refusal silent below warning level", 1, 9, 3, ""},
    };
    for (const auto& c : cases) {
        mvTraceLog_setLogLevel(c.from);
        SinkCapture sink;
        EXPECT_EQ(c.result, mvTraceLog_setLogLevel(c.level)) << c.name;
        EXPECT_EQ(c.result, mvTraceLog_getLogLevel()) << c.name;
        EXPECT_EQ(c.warning, sink.text) << c.name;
    }
}

}  // namespace
