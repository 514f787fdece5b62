#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/movane-reg-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        file_ = dir_ + "/user.reg";
        RegistrySetFile(file_.c_str());
    }
    void TearDown() override {
        RegistrySetFile(nullptr);
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    std::string text() {
        std::ifstream in(file_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string dir_, file_;
};

const char* const KEY = "Software\\Movane";

TEST_F(RegistryTest, TypedValuesRoundTrip) {
    EXPECT_EQ(RegistryOpenKey(HKEY_CURRENT_USER, KEY), REG_ERROR_FILE_NOT_FOUND) << "no file yet";
    ASSERT_EQ(RegistrySetDword(HKEY_CURRENT_USER, KEY, "TraceLog", 1), REG_OK);
    ASSERT_EQ(RegistrySetString(HKEY_CURRENT_USER, KEY, "Movane_Dir", "\\Program Files\\\"Movane\"\nx"), REG_OK);
    ASSERT_EQ(RegistrySetDword(HKEY_LOCAL_MACHINE, "System\\GDI\\Rotation", "Angle", 90), REG_OK);
    EXPECT_EQ(RegistryOpenKey(HKEY_CURRENT_USER, KEY), REG_OK);
    EXPECT_EQ(RegistryOpenKey(HKEY_CURRENT_USER, "software\\MOVANE"), REG_OK) << "names ignore case";
    uint32_t type = 0, v = 0, size = 4;
    ASSERT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "tracelog", &type, &v, &size), REG_OK);
    EXPECT_EQ(type, (uint32_t)REG_DWORD);
    EXPECT_EQ(v, 1u);
    char buf[64];
    size = sizeof buf;
    ASSERT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Movane_Dir", &type, buf, &size), REG_OK);
    EXPECT_EQ(type, (uint32_t)REG_SZ);
    EXPECT_STREQ(buf, "\\Program Files\\\"Movane\"\nx");
    EXPECT_EQ(size, strlen(buf) + 1);
    size = 4;
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Movane_Dir", &type, buf, &size), REG_ERROR_MORE_DATA);
    EXPECT_EQ(size, strlen("\\Program Files\\\"Movane\"\nx") + 1) << "the size needed";
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Missing", &type, buf, &size), REG_ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegistrySetDword(HKEY_CURRENT_USER, KEY, "TRACELOG", 0), REG_OK) << "replaces, keeps one value";
    EXPECT_EQ(text().find("TRACELOG"), std::string::npos);
    ASSERT_EQ(RegistryDeleteValue(HKEY_CURRENT_USER, KEY, "TraceLog"), REG_OK);
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "TraceLog", &type, nullptr, &size), REG_ERROR_FILE_NOT_FOUND);
    size = 4;
    ASSERT_EQ(RegistryQueryValue(HKEY_LOCAL_MACHINE, "System\\GDI\\Rotation", "Angle", &type, &v, &size), REG_OK);
    EXPECT_EQ(v, 90u);
}

TEST_F(RegistryTest, WritesAreAtomicAndDamageIsContained) {
    {
        std::ofstream out(file_);
        out << "[HKEY_CURRENT_USER\\Software\\Movane]\n"
            << "\"Good\"=dword:0000002a\n"
            << "\"Broken\"=dword:zz\n"
            << "garbage line\n"
            << "\"Unterminated\"=\"abc\n"
            << "\"Str\"=\"ok\"\n";
    }
    uint32_t type, v, size = 4;
    ASSERT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Good", &type, &v, &size), REG_OK);
    EXPECT_EQ(v, 42u);
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Broken", &type, nullptr, &size), REG_ERROR_FILE_NOT_FOUND);
    char s[8];
    size = sizeof s;
    ASSERT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "Str", &type, s, &size), REG_OK);
    EXPECT_STREQ(s, "ok");
    ASSERT_EQ(RegistrySetDword(HKEY_CURRENT_USER, KEY, "New", 7), REG_OK);
    std::string t = text();
    EXPECT_NE(t.find("\"New\"=dword:00000007"), std::string::npos);
    EXPECT_NE(t.find("\"Good\"=dword:0000002a"), std::string::npos);
    // No temporary file is left beside the store.
    int temps = -1;
    std::string cmd = "ls -A '" + dir_ + "' | grep -c tmp";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_EQ(fscanf(p, "%d", &temps), 1);
    pclose(p);
    EXPECT_EQ(temps, 0);
}

TEST_F(RegistryTest, TwoWritersLoseNoValues) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    const char* who = child == 0 ? "child" : "parent";
    for (int i = 0; i < 40; i++)
        RegistrySetDword(HKEY_CURRENT_USER, KEY, (std::string(who) + std::to_string(i)).c_str(), (uint32_t)i);
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    for (const char* w : {"child", "parent"}) {
        for (int i = 0; i < 40; i++) {
            uint32_t type, v = 99, size = 4;
            std::string name = std::string(w) + std::to_string(i);
            EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, name.c_str(), &type, &v, &size), REG_OK) << name;
            EXPECT_EQ(v, (uint32_t)i) << name;
        }
    }
}

// A store file that cannot be read is never taken for an empty one: a write would wipe
// every value while answering success.
TEST_F(RegistryTest, AStoreThatCannotBeReadRefusesWrites) {
    ASSERT_EQ(mkdir(file_.c_str(), 0700), 0);  // read fails (a folder), unlike a missing file
    uint32_t type, v, size = 4;
    EXPECT_EQ(RegistrySetDword(HKEY_CURRENT_USER, KEY, "New", 7), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryDeleteValue(HKEY_CURRENT_USER, KEY, "New"), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "New", &type, &v, &size), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryOpenKey(HKEY_CURRENT_USER, KEY), REG_ERROR_ACCESS_DENIED);
    struct stat st;
    ASSERT_EQ(stat(file_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << "nothing replaced it";
}

TEST_F(RegistryTest, LinesThatDoNotParseAreWrittenBackAsTheyWere) {
    const std::string kept[] = {
        "; a comment of the user", "\"Broken\"=dword:zz", "garbage line",
        "\"Unterminated\"=\"abc",  "[Damaged key",        "\"UnderDamagedKey\"=dword:00000001",
    };
    {
        std::ofstream out(file_);
        out << "; stray line before any key\n[HKEY_CURRENT_USER\\Software\\Movane]\n\"Good\"=dword:0000002a\n";
        for (const std::string& line : kept) out << line << "\n";
    }
    std::ofstream(file_ + ".tmp.99999") << "left by a crash";
    ASSERT_EQ(RegistrySetDword(HKEY_CURRENT_USER, KEY, "New", 7), REG_OK);
    std::string t = text();
    for (const std::string& line : kept) EXPECT_NE(t.find(line + "\n"), std::string::npos) << line;
    EXPECT_NE(t.find("; stray line before any key\n"), std::string::npos);
    EXPECT_LT(t.find("\"Good\"=dword:0000002a"), t.find("[Damaged key")) << "kept lines stay under their key";
    uint32_t type, v = 0, size = 4;
    ASSERT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "New", &type, &v, &size), REG_OK);
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(RegistryQueryValue(HKEY_CURRENT_USER, KEY, "UnderDamagedKey", &type, &v, &size), REG_ERROR_FILE_NOT_FOUND)
        << "a value under a damaged key line belongs to no key";
    struct stat st;
    EXPECT_NE(stat((file_ + ".tmp.99999").c_str(), &st), 0) << "a stale temporary file is removed";
}

}  // namespace
