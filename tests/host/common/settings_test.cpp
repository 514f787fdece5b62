#include "host/common/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> lines;
void capture(const char* line) { lines.push_back(line); }

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/movane-settings-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        RegistrySetFile((dir_ + "/user.reg").c_str());
        lines.clear();
        SettingsSetTraceHook(capture);
    }
    void TearDown() override {
        SettingsSetTraceHook(nullptr);
        RegistrySetFile(nullptr);
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    std::string dir_;
};

const char* const KEY = "Software\\Movane";

TEST_F(SettingsTest, MissingKeyIsTracedWithItsPath) {
    EXPECT_EQ(ReadSettingDword("TraceLog"), 0u);
    EXPECT_EQ(ReadSettingString("Movane_Dir"), "");
    EXPECT_EQ(lines, (std::vector<std::string>{"RegOpenKeyEx Error=2, Path=Software\\Movane\n",
                                               "RegOpenKeyEx Error=2, Path=Software\\Movane\n"}));
}

TEST_F(SettingsTest, ValuesByType) {
    RegistrySetDword(HKEY_CURRENT_USER, KEY, "JavaHeapSize", 0);
    RegistrySetDword(HKEY_CURRENT_USER, KEY, "Volume", 3);
    RegistrySetString(HKEY_CURRENT_USER, KEY, "TraceLog", "1");
    RegistrySetString(HKEY_CURRENT_USER, KEY, "Movane_Dir", "\\Program Files\\Movane");
    RegistrySetString(HKEY_CURRENT_USER, KEY, "One", "a");
    struct Case {
        const char* name;
        const char* value;
        uint32_t dword;
        int dwordOk;
        const char* text;
        int textOk;
        std::vector<std::string> trace;
    } cases[] = {
        {"DWORD", "Volume", 3, 1, "", 0, {}},
        {"DWORD zero", "JavaHeapSize", 0, 1, "", 0, {}},
        {"string", "Movane_Dir", 77, 0, "\\Program Files\\Movane", 1, {}},
        {"one-character string", "One", 77, 0, "a", 1, {}},
        {"number stored as a string counts as missing", "TraceLog", 77, 0, "1", 1, {}},
        {"missing value",
         "Ams_Run_Vm",
         77,
         0,
         "",
         0,
         {"RegQueryValueEx Error=2, ValueName=Ams_Run_Vm\n", "RegQueryValueEx Error=2, ValueName=Ams_Run_Vm\n"}},
    };
    for (const Case& c : cases) {
        lines.clear();
        uint32_t v = 77;
        EXPECT_EQ(RegReadDword(HKEY_CURRENT_USER, KEY, c.value, &v), c.dwordOk) << c.name;
        EXPECT_EQ(v, c.dwordOk ? c.dword : 77u) << c.name << ": output unchanged on failure";
        std::string s = "unchanged";
        EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, KEY, c.value, &s), c.textOk) << c.name;
        if (c.textOk) {
            EXPECT_EQ(s, c.text) << c.name;
        }
        EXPECT_EQ(ReadSettingDword(c.value), c.dwordOk ? c.dword : 0u) << c.name;
        EXPECT_EQ(ReadSettingString(c.value), c.text) << c.name;
        std::vector<std::string> expected = c.trace;
        expected.insert(expected.end(), c.trace.begin(), c.trace.end());
        EXPECT_EQ(lines, expected) << c.name;
    }
}

}  // namespace
