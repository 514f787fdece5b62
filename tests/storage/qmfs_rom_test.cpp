#include "storage/qmfs_rom.h"

#include "storage/qmms_index.h"
#include "storage_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::string lastTrace;
void captureTrace(int level, const char* source, const char* function, const char* text) {
    lastTrace = std::to_string(level) + "|" + source + "|" + function + "|" + text;
}

class QmfsRomTest : public StorageTest {
protected:
    const QmfsOps& rom() { return qmfs_findConnector("rom")->ops; }
};

TEST_F(QmfsRomTest, GeneratedTreeHoldsTheEmptyPreinstalledIndex) {
    int h = qmfs_open("rom://midlet/_suites.idx", nullptr);
    ASSERT_GE(h, 0);
    std::vector<uint8_t> bytes(5000);
    int n = qmfs_read(h, bytes.data(), (int)bytes.size());
    ASSERT_EQ(n, QMMS_INDEX_HEADER + QMMS_INDEX_PAGE);
    EXPECT_EQ(bytes[QMMS_HDR_PAGES], 1);
    EXPECT_EQ(bytes[QMMS_HDR_PAGES + 1], 0);
    EXPECT_EQ(bytes[QMMS_HDR_SUITES], 0);
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++) EXPECT_EQ(bytes[256 + s * 256], 0) << "slot " << s;
    QmfsStat st;
    ASSERT_EQ(qmfs_fstat(h, &st), 0);
    EXPECT_EQ(st.size, 4096u);
    EXPECT_EQ(st.flags, 8u);
    qmfs_close(h);
}

TEST_F(QmfsRomTest, ListingsNameEntriesFromTheRoot) {
    int h = rom().opendir("//midlet/");
    ASSERT_GE(h, 0);
    QmfsDirEntry* e = rom().readdir(h);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "//midlet/_suites.idx");
    EXPECT_EQ(e->size, 4096u);
    EXPECT_EQ(e->attributes, 0u);
    e = rom().readdir(h);
    ASSERT_NE(e, nullptr) << "the protection domains' folder";
    EXPECT_STREQ(e->name, "//midlet/permission");
    EXPECT_EQ(e->attributes, (uint32_t)QMFS_ATTR_DIRECTORY);
    EXPECT_EQ(rom().readdir(h), nullptr);
    EXPECT_EQ(rom().lastError(), 0);
    EXPECT_EQ(rom().rewinddir(h), 0);
    EXPECT_STREQ(rom().readdir(h)->name, "//midlet/_suites.idx");
    rom().closedir(h);
    h = rom().opendir("");
    ASSERT_GE(h, 0);
    e = rom().readdir(h);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->name, "//midlet");
    EXPECT_EQ(e->attributes, (uint32_t)QMFS_ATTR_DIRECTORY);
    rom().closedir(h);
    struct Case {
        const char* name;
        const char* path;
        bool listing;
        int error;
    } cases[] = {
        {"folder opened as a file", "//midlet", false, QMFS_ERR_BAD_URI},
        {"file opened as a listing", "//midlet/_suites.idx", true, QMFS_ERR_NOT_DIRECTORY},
        {"missing node", "//midlet/nothing", true, QMFS_ERR_BAD_URI},
        {"component of 32 characters", "//midlet/abcdefghijabcdefghijabcdefghij12", false, QMFS_ERR_BAD_URI},
    };
    for (const Case& c : cases) {
        int r = c.listing ? rom().opendir(c.path) : rom().open(c.path, nullptr);
        EXPECT_EQ(r, -1) << c.name;
        EXPECT_EQ(rom().lastError(), c.error) << c.name;
    }
}

TEST_F(QmfsRomTest, SeekPastTheEndAndReadAtTheEnd) {
    int h = rom().open("midlet/_suites.idx", nullptr);
    ASSERT_GE(h, 0);
    struct Case {
        const char* name;
        int offset;
        int whence;
        int position;
    } cases[] = {
        {"start", 100, 0, 100},
        {"current", 20, 1, 120},
        {"end plus 10 stops at the size", 10, 2, 4096},
        {"negative is beyond as unsigned", -1, 0, 4096},
        {"back from the end", -96, 2, 4000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rom().seek(h, c.offset, c.whence), 0) << c.name;
        EXPECT_EQ(rom().tell(h), c.position) << c.name;
    }
    EXPECT_EQ(rom().seek(h, 0, 3), -1);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_BAD_ARGUMENT);
    rom().seek(h, 10, 2);
    char b[8];
    EXPECT_EQ(rom().read(h, b, 8), 0);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_READ_PAST_END);
    rom().seek(h, -3, 2);
    EXPECT_EQ(rom().read(h, b, 8), 3);
    rom().close(h);
}

TEST_F(QmfsRomTest, RegisteredFiles) {
    static const char dataA[] = "first";
    static const char dataB[] = "second!";
    ASSERT_EQ(qmfs_rom_registerFile("999.jar", dataA, 5), 0);
    uint32_t size = 0;
    EXPECT_EQ(qmfs_rom_getFileDataPointer("rom://999.jar", &size), dataA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(qmfs_rom_registerFile("999.jar", dataB, 7), 0) << "registering again replaces";
    for (const char* uri : {"rom://999.jar", "rom:999.jar", "rom:////999.jar"}) {
        int h = qmfs_open(uri, nullptr);
        ASSERT_GE(h, 0) << uri;
        char buf[16] = {0};
        EXPECT_EQ(qmfs_read(h, buf, sizeof buf), 7) << uri;
        EXPECT_STREQ(buf, "second!") << uri;
        qmfs_close(h);
    }
    EXPECT_EQ(qmfs_rom_unregisterFile("999.jar"), 0);
    EXPECT_EQ(qmfs_open("rom://999.jar", nullptr), -1);
    EXPECT_EQ(qmfs_rom_unregisterFile("999.jar"), -1);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_BAD_URI);
    static char names[33][16];
    for (int i = 0; i < QMFS_ROM_REGISTERED; i++) {
        snprintf(names[i], sizeof names[i], "f%d", i);
        ASSERT_EQ(qmfs_rom_registerFile(names[i], dataA, 5), 0) << i;
    }
    EXPECT_EQ(qmfs_rom_registerFile("one-more", dataA, 5), -1);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_REGISTRY_FULL);
}

TEST_F(QmfsRomTest, SlotsAndDataPointerChecks) {
    int h[QMFS_ROM_SLOTS];
    for (int& x : h) ASSERT_GE(x = rom().open("//midlet/_suites.idx", nullptr), 0);
    EXPECT_EQ(rom().open("//midlet/_suites.idx", nullptr), -1);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_SLOTS_FULL);
    for (int x : h) rom().close(x);
    EXPECT_EQ(rom().close(h[0]), -1);
    EXPECT_EQ(rom().lastError(), QMFS_ERR_BAD_HANDLE);

    qmfs_setTraceHook(captureTrace);
    uint32_t size = 0;
    EXPECT_EQ(qmfs_rom_getFileDataPointer("gfs://java/x", &size), nullptr);
    EXPECT_EQ(lastTrace, "3|qmfs2_rom|qmfs_rom_getFileDataPointer|not a vaild URI for ROM connector");
    qmfs_setTraceHook(nullptr);
    EXPECT_EQ(qmfs_rom_getFileDataPointer("rom://midlet", &size), nullptr) << "a folder";
    EXPECT_EQ(rom().lastError(), QMFS_ERR_BAD_URI);
    EXPECT_NE(qmfs_rom_getFileDataPointer("rom://midlet/_suites.idx", &size), nullptr);
    EXPECT_EQ(size, 4096u);
}

}  // namespace
