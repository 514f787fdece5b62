// The user UI language from the locale environment, and the resource modules' text
// format: what a module holds, and every way a file is refused whole.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/uilang.h"

namespace {

TEST(UiLanguage, LocaleNamesGiveWindowsLanguageIds) {
    struct Case {
        const char* name;
        uint16_t id;
    };
    const Case cases[] = {
        {"en_US", 0x0409},
        {"en_US.UTF-8", 0x0409},
        {"zh_CN.UTF-8", 0x0804},
        {"zh_TW.Big5", 0x0404},
        {"ja_JP.eucJP", 0x0411},
        {"de_DE@euro", 0x0407},
        {"de_AT.UTF-8", 0x0C07},
        {"fr_FR", 0x040C},
        {"fr_CA", 0x0C0C},
        {"ko_KR", 0x0412},
        {"pt_BR", 0x0416},
        {"es_ES", 0x0C0A},
        {"de", 0x0407},
        {"zh", 0x0804},
        {"pt_XX", 0x0416},
        {"C", 0},
        {"POSIX", 0},
        {"C.UTF-8", 0},
        {"", 0},
        {"xx_YY", 0},
        {"e", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(UiLanguageOfLocale(c.name), c.id) << c.name;
    EXPECT_EQ(UiLanguageOfLocale(nullptr), 0);
}

// The environment as the C library reads it for messages: LC_ALL, LC_MESSAGES, LANG.
struct Environment {
    std::string saved[3];
    bool had[3];
    const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    Environment() {
        for (int i = 0; i < 3; i++) {
            const char* v = getenv(names[i]);
            had[i] = v != nullptr;
            if (v) saved[i] = v;
        }
    }
    ~Environment() {
        for (int i = 0; i < 3; i++) {
            if (had[i]) {
                setenv(names[i], saved[i].c_str(), 1);
            } else {
                unsetenv(names[i]);
            }
        }
    }
    void set(const char* all, const char* messages, const char* lang) {
        const char* values[3] = {all, messages, lang};
        for (int i = 0; i < 3; i++) {
            if (values[i]) {
                setenv(names[i], values[i], 1);
            } else {
                unsetenv(names[i]);
            }
        }
    }
};

TEST(UiLanguage, TheFirstLocaleVariableSetWins) {
    Environment env;
    struct Case {
        const char *all, *messages, *lang;
        uint16_t id;
    };
    const Case cases[] = {
        {"ja_JP.UTF-8", "de_DE", "fr_FR", 0x0411},
        {nullptr, "de_DE", "fr_FR", 0x0407},
        {"", "de_DE", "fr_FR", 0x0407},  // an empty variable counts as unset
        {nullptr, nullptr, "fr_FR", 0x040C},
        {"C", "de_DE", "fr_FR", 0},
        {nullptr, nullptr, nullptr, 0},
    };
    for (const Case& c : cases) {
        env.set(c.all, c.messages, c.lang);
        EXPECT_EQ(GetUserDefaultUILanguage(), c.id)
            << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

TEST(UiLanguage, TheProgramPathIsThisExecutable) {
    std::string path = ProgramModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/');
    EXPECT_NE(path.find("movane_platform_tests"), std::string::npos) << path;
}

StringModule* parse(const std::string& text, std::string* error = nullptr) {
    return ParseStringModule(text.data(), text.size(), error);
}

std::wstring find(const StringModule* m, uint32_t id) {
    std::wstring s;
    return StringModuleFind(m, id, &s) ? s : L"<none>";
}

TEST(StringModules, TextFormat) {
    StringModule* m = parse(
        "MOVANE-MUI 1\r\n"
        "# the shell's strings\n"
        "\n"
        "1211\tL'application %s est en pause.\n"
        "1215\tRotation\\nRed\\\\marre\\tle MIDlet\\r\n"
        "2000\t\xE6\x97\xA0\xE6\xB3\x95\xE8\xBF\x90\xE8\xA1\x8C\n"
        "2001\t\n"
        "65535\t\tTab first");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(find(m, 1211), L"L'application %s est en pause.");
    EXPECT_EQ(find(m, 1215), L"Rotation\nRed\\marre\tle MIDlet\r");
    EXPECT_EQ(find(m, 2000), L"\x65E0\x6CD5\x8FD0\x884C");
    EXPECT_EQ(find(m, 2001), L"") << "an empty text is a string";
    EXPECT_EQ(find(m, 65535), L"\tTab first") << "the last line needs no line end";
    EXPECT_EQ(find(m, 1201), L"<none>");

    wchar_t buffer[8];
    EXPECT_EQ(StringModuleLoadString(m, 1211, buffer, 8), 7) << "at most max - 1 characters";
    EXPECT_EQ(std::wstring(buffer), L"L'appli");
    EXPECT_EQ(StringModuleLoadString(m, 1211, buffer, 1), 0);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(StringModuleLoadString(m, 1201, buffer, 8), 0) << "no such string";
    EXPECT_EQ(StringModuleLoadString(m, 2000, buffer, 8), 4);
    EXPECT_EQ(StringModuleLoadString(nullptr, 2000, buffer, 8), 0);
    FreeStringModule(m);
}

TEST(StringModules, MalformedFilesAreRefusedWhole) {
    struct Case {
        const char* name;
        std::string text;
    };
    const std::string h = "MOVANE-MUI 1\n";
    const Case cases[] = {
        {"empty", ""},
        {"no header", "1211\tText\n"},
        {"another header", "MOVANE-MUI 2\n1211\tText\n"},
        {"a line without its tab", h + "1211 Text\n"},
        {"no id", h + "\tText\n"},
        {"id 0", h + "0\tText\n"},
        {"a leading zero", h + "01211\tText\n"},
        {"id above 65535", h + "65536\tText\n"},
        {"a sign", h + "+1211\tText\n"},
        {"not decimal", h + "12a1\tText\n"},
        {"an id twice", h + "1211\tOne\n1211\tTwo\n"},
        {"an unknown escape", h + "1211\tA\\x41\n"},
        {"a backslash at the end", h + "1211\tA\\\n"},
        {"an overlong form", h + "1211\t\xC0\x80\n"},
        {"a surrogate", h + "1211\t\xED\xA0\x80\n"},
        {"a cut sequence", h + "1211\t\xE6\x97\n"},
        {"above U+10FFFF", h + "1211\t\xF4\x90\x80\x80\n"},
        {"a NUL", h + std::string("1211\tA\0B\n", 9)},
        {"a text above 65535 characters", h + "1211\t" + std::string(65536, 'x') + "\n"},
        {"a good line before a bad one", h + "1211\tGood\n1215\n"},
    };
    for (const Case& c : cases) {
        std::string error;
        StringModule* m = parse(c.text, &error);
        EXPECT_EQ(m, nullptr) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        FreeStringModule(m);
    }
    std::string error;
    StringModule* m = parse(h + "1211\t" + std::string(65535, 'x') + "\n", &error);
    EXPECT_NE(m, nullptr) << "65535 characters are allowed: " << error;
    FreeStringModule(m);
}

TEST(StringModules, LoadedFromFiles) {
    std::string dir = "/tmp/movane-uilang-test-" + std::to_string(getpid());
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    std::string good = dir + "/good.mui", large = dir + "/large.mui";
    FILE* f = fopen(good.c_str(), "w");
    fputs("MOVANE-MUI 1\n2000\tKann MIDlet nicht starten!\n", f);
    fclose(f);
    f = fopen(large.c_str(), "w");
    fputs("MOVANE-MUI 1\n", f);
    for (int i = 1; i <= 20; i++) fprintf(f, "%d\t%s\n", i, std::string(60000, 'y').c_str());
    fclose(f);

    StringModule* m = LoadStringModule(good.c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(find(m, 2000), L"Kann MIDlet nicht starten!");
    FreeStringModule(m);
    std::string error;
    EXPECT_EQ(LoadStringModule((dir + "/missing.mui").c_str(), &error), nullptr);
    EXPECT_EQ(error, "cannot be read");
    EXPECT_EQ(LoadStringModule(large.c_str(), &error), nullptr);
    EXPECT_EQ(error, "file too large");
    EXPECT_EQ(LoadStringModule(dir.c_str(), &error), nullptr) << "a folder";
    EXPECT_EQ(LoadStringModule(nullptr), nullptr);
    ASSERT_EQ(system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
