#include "platform/gfs.h"

#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace {

class GfsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/movane-gfs-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        file_ = tmpl;
        RegistrySetFile(file_.c_str());
    }
    void TearDown() override {
        unlink(file_.c_str());
        RegistrySetFile(nullptr);
    }
    std::string file_;
};

TEST_F(GfsTest, RootsFromSettings) {
    RegistrySetString(HKEY_CURRENT_USER, "Software\\Movane", "Gfs_Java_PhysicalPath", "\\My Java\\");
    RegistrySetString(HKEY_CURRENT_USER, "Software\\Movane", "Gfs_SdcRoot_PhysicalPath", "\\SD");
    RegistrySetString(HKEY_CURRENT_USER, "Software\\Movane", "Gfs_SdcSecure_PhysicalPath", "");
    RegistrySetDword(HKEY_CURRENT_USER, "Software\\Movane", "Gfs_Current_PhysicalPath", 5);
    GfsInitPhysicalPaths();
    struct Case {
        const char* name;
        int index;
        const char* logical;
        const char* folder;
    } cases[] = {
        {"setting that already ends in a backslash", 0, "java", "\\My Java\\"},
        {"setting without one", 1, "sdc_root", "\\SD\\"},
        {"empty setting keeps the default", 2, "sdc_secure", "\\Storage\\Movane\\java\\"},
        {"missing setting keeps the default, not the top", 3, "sd-card", "\\Storage\\Movane\\java\\"},
        {"setting of the wrong type keeps the default", 4, "current", "\\Storage\\Movane\\java\\"},
    };
    for (const Case& c : cases) {
        GfsRootRecord r;
        ASSERT_EQ(GfsGetRootPath(c.index, &r), 0) << c.name;
        EXPECT_STREQ(r.name, c.logical) << c.name;
        EXPECT_STREQ(r.path, c.folder) << c.name;
    }
    GfsRootRecord r;
    EXPECT_EQ(GfsGetRootPath(5, &r), -1);
    EXPECT_EQ(GfsGetRootPath(-1, &r), -1);
    EXPECT_EQ(GfsGetRootCount(), 5);
}

TEST_F(GfsTest, LogicalPathsAndLimits) {
    GfsInitPhysicalPaths();
    ASSERT_EQ(GfsSetPhysicalPath(0, "\\J"), 0);
    char out[256];
    ASSERT_EQ(GfsMapLogicalPath("gfs://java/a/b.txt", out, sizeof out), 0);
    EXPECT_STREQ(out, "\\J\\a\\b.txt");
    ASSERT_EQ(GfsMapLogicalPath("drm://sd-card/x", out, sizeof out), 0);
    EXPECT_STREQ(out, "\\Storage\\Movane\\java\\x");
    EXPECT_EQ(GfsMapLogicalPath("ftp://java/x", out, sizeof out), -1);
    std::string longFolder(256, 'f');
    EXPECT_EQ(GfsSetPhysicalPath(1, longFolder.c_str()), -1) << "refused, not cut";
    EXPECT_EQ(GfsSetPhysicalPath(7, "\\x"), -1);
    std::string folder255(255, 'f');
    ASSERT_EQ(GfsSetPhysicalPath(1, folder255.c_str()), 0);
    GfsRootRecord r;
    EXPECT_EQ(GfsGetRootPath(1, &r), -1) << "no room for the trailing backslash";
    EXPECT_EQ(GfsMapLogicalPath("gfs://sdc_root/x", out, sizeof out), -1);
}

}  // namespace
