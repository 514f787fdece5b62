// The UI-language module of Movane_VM: which library is looked for, what
// a library replaces, what a missing or malformed one leaves, LoadResourceString's
// doubling buffer; and the real program showing a translated string.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host/common/hosttrace.h"
#include "host/vm/vmshell.h"
#include "platform/hostfile.h"

namespace {

struct Resources : ::testing::Test {
    std::string dir, program;
    std::string savedAll;
    bool hadAll = false;
    ResourceModuleRecord record = {};
    static std::vector<std::string> traced;

    void SetUp() override {
        dir = "/tmp/movane-resources-test-" + std::to_string(getpid());
        ASSERT_EQ(system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
        program = dir + "/Movane_VM";
        ResourceSetProgramPath(program.c_str());
        const char* all = getenv("LC_ALL");
        hadAll = all != nullptr;
        if (all) savedAll = all;
        traced.clear();
        HostTraceSetHook([](const char* line) { traced.push_back(line); });
    }
    void TearDown() override {
        HostTraceSetHook(nullptr);
        FreeMuiResourceLibrary(&record);
        ResourceSetProgramPath(nullptr);
        ResourceSetAllocator(nullptr, nullptr);
        if (hadAll) {
            setenv("LC_ALL", savedAll.c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
        ASSERT_EQ(system(("rm -rf " + dir).c_str()), 0);
    }
    void write(const char* suffix, const std::string& text) {
        FILE* f = fopen((program + suffix).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    bool tracedAbout(const char* what) {
        for (const std::string& line : traced) {
            if (line.find(what) != std::string::npos) return true;
        }
        return false;
    }
};
std::vector<std::string> Resources::traced;

const char translated[] = "MOVANE-MUI 1\n3000\t\xE6\x97\xA0\xE6\xB3\x95\xE8\xBF\x90\xE8\xA1\x8C MIDlet\n";

TEST_F(Resources, LanguagesZeroAnd1033LookForNoLibrary) {
    // libraries that would be taken if they were looked for
    write(".0000.mui", translated);
    write(".0409.mui", translated);
    for (const char* locale : {"C", "POSIX", "en_US.UTF-8", "en"}) {
        setenv("LC_ALL", locale, 1);
        traced.clear();
        EXPECT_EQ(LoadMuiResourceLibrary(&record, (void*)&record), 0) << locale;
        EXPECT_EQ(record.module, nullptr) << locale;
        EXPECT_EQ(record.instance, (void*)&record);
        EXPECT_EQ(GetResourceModule(), &record) << "the record is the resource module all the same";
        EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"Cannot run MIDlet!") << locale;
        EXPECT_FALSE(tracedAbout(".mui")) << locale << ": nothing was looked for";
        FreeMuiResourceLibrary(&record);
        EXPECT_EQ(GetResourceModule(), nullptr);
    }
}

TEST_F(Resources, ALibraryBesideTheProgramReplacesItsStrings) {
    write(".0804.mui", translated);
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(LoadMuiResourceLibrary(&record, nullptr), 1);
    EXPECT_NE(record.module, nullptr);
    EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"\x65E0\x6CD5\x8FD0\x884C MIDlet");
    EXPECT_EQ(ShellString(STR_OUT_OF_MEMORY), L"Out of memory") << "a string the library lacks is the program's own";
    wchar_t* text = nullptr;
    EXPECT_EQ(LoadResourceString(9999, &text), 0) << "an id nobody has";
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(ShellString(9999), L"");

    // shut-down: freed, and the process-wide pointer cleared
    FreeMuiResourceLibrary(&record);
    EXPECT_EQ(record.module, nullptr);
    EXPECT_EQ(GetResourceModule(), nullptr);
    EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"Cannot run MIDlet!");

    // the name takes the language in four upper-case hexadecimal digits
    write(".0C0C.mui", "MOVANE-MUI 1\n3000\tImpossible de lancer le MIDlet!\n");
    setenv("LC_ALL", "fr_CA", 1);
    EXPECT_EQ(LoadMuiResourceLibrary(&record, nullptr), 1);
    EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"Impossible de lancer le MIDlet!");
}

TEST_F(Resources, AMissingOrMalformedLibraryLeavesHandleZero) {
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(LoadMuiResourceLibrary(&record, nullptr), 0);
    EXPECT_EQ(record.module, nullptr);
    EXPECT_EQ(GetResourceModule(), &record);
    EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"Cannot run MIDlet!");
    EXPECT_TRUE(tracedAbout("Movane_VM.0411.mui: cannot be read"));
    FreeMuiResourceLibrary(&record);

    write(".0411.mui", "MOVANE-MUI 1\n3000\tgood\n3001 no tab\n");
    traced.clear();
    EXPECT_EQ(LoadMuiResourceLibrary(&record, nullptr), 0);
    EXPECT_EQ(record.module, nullptr);
    EXPECT_EQ(ShellString(STR_CANNOT_RUN), L"Cannot run MIDlet!") << "no string of a refused file is taken";
    EXPECT_TRUE(tracedAbout("line 3: no tab after the id"));
}

// LoadResourceString's buffers: 256, 512, 1024 ... characters, doubled until the text
// comes back shorter than the buffer less one.
struct Allocations {
    static std::vector<size_t> sizes;
    static int failAt;  // the allocation (from 1) that fails, 0 none
    static void* alloc(size_t size) {
        sizes.push_back(size);
        return (int)sizes.size() == failAt ? nullptr : malloc(size);
    }
};
std::vector<size_t> Allocations::sizes;
int Allocations::failAt = 0;

TEST_F(Resources, LoadResourceStringDoublesItsBuffer) {
    std::string file = "MOVANE-MUI 1\n";
    for (int length : {254, 255, 1000, 5000})
        file += std::to_string(3000 + length) + "\t" + std::string(length, 'a') + "\n";
    write(".0407.mui", file);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    ASSERT_EQ(LoadMuiResourceLibrary(&record, nullptr), 1);
    ResourceSetAllocator(Allocations::alloc, free);
    const size_t w = sizeof(wchar_t);
    struct Case {
        int length;
        std::vector<size_t> buffers;  // in characters
    };
    const Case cases[] = {
        {254, {256}},
        {255, {256, 512}},  // 255 characters fill a buffer of 256: it may have been cut
        {1000, {256, 512, 1024}},
        {5000, {256, 512, 1024, 2048, 4096, 8192}},
    };
    for (const Case& c : cases) {
        Allocations::sizes.clear();
        Allocations::failAt = 0;
        wchar_t* text = nullptr;
        ASSERT_EQ(LoadResourceString(3000 + c.length, &text), 1) << c.length;
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::wstring(text), std::wstring(c.length, L'a'));
        FreeResourceString(text);
        std::vector<size_t> expected;
        for (size_t b : c.buffers) expected.push_back(b * w);
        expected.push_back((c.length + 1) * w);  // the text handed out
        EXPECT_EQ(Allocations::sizes, expected) << c.length;
    }
    // an allocation failure ends the attempt with the output unchanged
    for (int failAt : {1, 2, 4}) {
        Allocations::sizes.clear();
        Allocations::failAt = failAt;
        wchar_t marker = L'x';
        wchar_t* text = &marker;
        EXPECT_EQ(LoadResourceString(3000 + 1000, &text), 0) << failAt;
        EXPECT_EQ(text, &marker) << failAt;
        EXPECT_EQ(Allocations::sizes.size(), (size_t)failAt) << "no try after the failure";
    }
    Allocations::failAt = 0;
    EXPECT_EQ(LoadResourceString(STR_CANNOT_RUN, nullptr), 0);
}

TEST_F(Resources, TextsAreFilledWithoutTheCLibrary) {
    struct Case {
        const wchar_t* format;
        const wchar_t* result;
    };
    const Case cases[] = {
        {L"The application %s is paused.", L"The application Alpha is paused."},
        {L"not exist suiteIndex=%d", L"not exist suiteIndex=-7"},
        {L"100%% %s %d", L"100% Alpha -7"},
        {L"%x %n %ls%", L"%x %n %ls%"},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatShellString(c.format, L"Alpha", -7), c.result);
    EXPECT_STREQ(BuiltInShellString(STR_RESUME_PROMPT), L"The application %s is paused. Do you want to resume?");
    EXPECT_STREQ(BuiltInShellString(STR_ROTATION_DETECTED), L"Screen Rotation Detected,\nPlease restart the MIDlet");
    EXPECT_STREQ(BuiltInShellString(STR_SOFTKEY_LEFT), L" ");
    EXPECT_EQ(BuiltInShellString(1), nullptr);
}

// The real program beside a library of its language: its box shows the library's text
// (headless, a box's text goes to standard error).
std::string runProgram(const std::string& program, const char* locale, const std::string& dir) {
    std::string err = dir + "/stderr.txt";
    pid_t pid = fork();
    if (pid == 0) {
        setenv("LC_ALL", locale, 1);
        setenv("MOVANE_RUNTIME_DIR", (dir + "/runtime").c_str(), 1);
        setenv("MOVANE_REGISTRY", (dir + "/registry.reg").c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        if (!freopen(err.c_str(), "w", stderr)) _exit(126);
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        execl(program.c_str(), program.c_str(), "-launch", "none.jad", "none.jar", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::vector<uint8_t> bytes;
    HostFileReadAll(err.c_str(), &bytes);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Resources, TheProgramShowsItsLibrarysText) {
    ASSERT_EQ(system(("cp " MOVANE_VM_PROGRAM " " + program).c_str()), 0);
    write(".0804.mui", translated);
    std::string zh = runProgram(program, "zh_CN.UTF-8", dir);
    EXPECT_NE(zh.find("\xE6\x97\xA0\xE6\xB3\x95\xE8\xBF\x90\xE8\xA1\x8C MIDlet"), std::string::npos) << zh;
    std::string c = runProgram(program, "C", dir);
    EXPECT_NE(c.find("Cannot run MIDlet!"), std::string::npos) << c;
}

}  // namespace
