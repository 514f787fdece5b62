#include "storage/qmfs.h"

#include "storage/qmfs_gfs.h"
#include "storage/qmfs_rom.h"
#include "storage_fixture.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <string.h>

namespace {

// A connector "mem" with unlimited handles that counts what the front end does to it.
int memCloses, memFinalizes, memNextHandle, memLastError;
int memOpen(const char* path, const QmfsMode*) {
    if (strcmp(path, "fail") == 0) {
        memLastError = 18;
        return -1;
    }
    return memNextHandle++;
}
int memClose(int) {
    memCloses++;
    return 0;
}
int memRead(int, void*, int count) { return count; }
int memFinalize() {
    memFinalizes++;
    return 0;
}
int memError() { return memLastError; }
int memFill(QmfsConnector* c) {
    strcpy(c->name, "Memory test connector");
    strcpy(c->scheme, "mem");
    c->ops.open = memOpen;
    c->ops.close = memClose;
    c->ops.read = memRead;
    c->ops.finalize = memFinalize;
    c->ops.lastError = memError;
    return 0;
}
// "bare" supports open only: every other slot is empty.
int bareOpen(const char*, const QmfsMode*) { return 0; }
int bareFill(QmfsConnector* c) {
    strcpy(c->scheme, "bare");
    c->ops.open = bareOpen;
    return 0;
}
int refusingFill(QmfsConnector* c) {
    strcpy(c->scheme, "refused");
    return 1;
}
const QmfsConnectorRow testConnectors[] = {{1, refusingFill},  {1, memFill},       {1, bareFill},
                                           {1, qmfs_gfs_fill}, {1, qmfs_rom_fill}, {0, nullptr}};

class QmfsFakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        memCloses = memFinalizes = memNextHandle = memLastError = 0;
        qmfs_setConnectorList(testConnectors);
        ASSERT_EQ(qmfs_initialize(), 0);
    }
    void TearDown() override {
        qmfs_finalize();
        qmfs_setConnectorList(nullptr);
    }
    DeviceTree tree_;
};

TEST_F(QmfsFakeTest, ErrorCodeTable) {
    tree_.write(tree_.javaFile("a.txt"), {1, 2, 3});
    struct Case {
        const char* name;
        const char* uri;
        int error;
    } cases[] = {
        {"empty URI", "", QMFS_ERR_BAD_URI},
        {"no colon", "gfsjava/a.txt", QMFS_ERR_BAD_URI},
        {"scheme in capitals", "GFS://java/a.txt", QMFS_ERR_NO_CONNECTOR},
        {"unknown scheme", "ftp://java/a.txt", QMFS_ERR_NO_CONNECTOR},
        {"scheme longer than nine", "averylongscheme://java/a.txt", QMFS_ERR_NO_CONNECTOR},
        {"refused connector is absent", "refused://x", QMFS_ERR_NO_CONNECTOR},
        {"single colon reaches gfs unmapped", "gfs:java/a.txt", QMFS_ERR_BAD_URI},
        {"unknown gfs root", "gfs://nosuchroot/a.txt", QMFS_ERR_BAD_URI},
        {"connector error is passed on", "mem:fail", 18},
        {"missing gfs file", "gfs://java/missing.txt", QMFS_ERR_OTHER},
    };
    for (const Case& c : cases) {
        QmfsMode mode = {1, 64};
        EXPECT_EQ(qmfs_open(c.uri, &mode), -1) << c.name;
        EXPECT_EQ(qmfs_getLastError(), c.error) << c.name;
    }
    QmfsMode mode = {1, 64};
    EXPECT_EQ(qmfs_open(nullptr, &mode), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_BAD_ARGUMENT);
    int h = qmfs_open("gfs://java/a.txt", &mode);
    EXPECT_GE(h, 0);
    EXPECT_EQ(qmfs_getLastError(), 0);
}

TEST_F(QmfsFakeTest, The257thOpenFindsNoHandle) {
    for (int i = 0; i < QMFS_HANDLES; i++) ASSERT_EQ(qmfs_open("mem:x", nullptr), i);
    EXPECT_EQ(qmfs_open("mem:x", nullptr), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_NO_HANDLE);
    ASSERT_EQ(qmfs_close(17), 0);
    EXPECT_EQ(qmfs_open("mem:x", nullptr), 17) << "the freed handle is the first free one";
}

TEST_F(QmfsFakeTest, HandleChecks) {
    int h = qmfs_open("mem:x", nullptr);
    char buf[8] = {0};
    // Each error is checked right after its own call.
    struct Call {
        const char* name;
        int (*run)(int h);
        int error;
    } calls[] = {
        {"handle 256",
         [](int) {
             char b[4] = {0};
             return qmfs_read(256, b, 4);
         },
         QMFS_ERR_BAD_HANDLE},
        {"negative handle",
         [](int) {
             char b[4] = {0};
             return qmfs_read(-1, b, 4);
         },
         QMFS_ERR_BAD_HANDLE},
        {"handle never opened",
         [](int opened) {
             char b[4] = {0};
             return qmfs_read(opened + 1, b, 4);
         },
         QMFS_ERR_BAD_HANDLE},
        {"null read buffer", [](int opened) { return qmfs_read(opened, nullptr, 4); }, QMFS_ERR_BAD_ARGUMENT},
        {"null write buffer", [](int opened) { return qmfs_write(opened, nullptr, 4); }, QMFS_ERR_BAD_ARGUMENT},
        {"null status record", [](int opened) { return qmfs_fstat(opened, nullptr); }, QMFS_ERR_BAD_ARGUMENT},
        {"empty write slot",
         [](int opened) {
             char b[4] = {0};
             return qmfs_write(opened, b, 4);
         },
         QMFS_ERR_UNSUPPORTED},
        {"empty seek slot", [](int opened) { return qmfs_seek(opened, 0, 0); }, QMFS_ERR_UNSUPPORTED},
        {"empty fstat slot",
         [](int opened) {
             QmfsStat s;
             return qmfs_fstat(opened, &s);
         },
         QMFS_ERR_UNSUPPORTED},
        {"null URI to stat",
         [](int) {
             QmfsStat s;
             return qmfs_stat(nullptr, &s);
         },
         QMFS_ERR_BAD_ARGUMENT},
        {"null status to stat", [](int) { return qmfs_stat("gfs://java/", nullptr); }, QMFS_ERR_BAD_ARGUMENT},
        {"null URI to remove", [](int) { return qmfs_remove(nullptr); }, QMFS_ERR_BAD_ARGUMENT},
        {"null new URI to rename", [](int) { return qmfs_rename("gfs://java/a", nullptr); }, QMFS_ERR_BAD_ARGUMENT},
        {"rename across schemes", [](int) { return qmfs_rename("gfs://java/a", "rom://midlet/a"); }, QMFS_ERR_BAD_URI},
        {"remove unsupported", [](int) { return qmfs_remove("mem:x"); }, QMFS_ERR_UNSUPPORTED},
    };
    for (const Call& c : calls) {
        EXPECT_EQ(c.run(h), -1) << c.name;
        EXPECT_EQ(qmfs_getLastError(), c.error) << c.name;
    }
    EXPECT_EQ(qmfs_read(h, buf, 8), 8);
    EXPECT_EQ(qmfs_getLastError(), 0);
    EXPECT_EQ(qmfs_close(h), 0);
    EXPECT_EQ(qmfs_read(h, buf, 8), -1) << "closed handle";
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_BAD_HANDLE);
}

TEST_F(QmfsFakeTest, CloseWithoutACloseSlotStillFreesTheHandle) {
    int h = qmfs_open("bare:x", nullptr);
    ASSERT_GE(h, 0);
    EXPECT_EQ(qmfs_close(h), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
    EXPECT_EQ(qmfs_close(h), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_BAD_HANDLE);
}

TEST_F(QmfsFakeTest, FinalizeClosesOpenHandlesAndStopsConnectors) {
    for (int i = 0; i < 3; i++) qmfs_open("mem:x", nullptr);
    qmfs_close(1);
    EXPECT_EQ(qmfs_initialize(), -1) << "second start";
    EXPECT_EQ(qmfs_finalize(), 0);
    EXPECT_EQ(memCloses, 3);
    EXPECT_EQ(memFinalizes, 1);
    EXPECT_EQ(qmfs_finalize(), -1) << "not started";
    EXPECT_EQ(qmfs_open("mem:x", nullptr), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_NO_CONNECTOR);
    ASSERT_EQ(qmfs_initialize(), 0);
}

TEST_F(QmfsFakeTest, WritingToRomIsNotSupported) {
    int h = qmfs_open("rom://midlet/_suites.idx", nullptr);
    ASSERT_GE(h, 0);
    char b[4] = {0};
    EXPECT_EQ(qmfs_write(h, b, 4), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
    EXPECT_EQ(qmfs_truncate(h, 0), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
    EXPECT_EQ(qmfs_remove("rom://midlet/_suites.idx"), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
    EXPECT_EQ(qmfs_rename("rom://midlet/_suites.idx", "rom://midlet/x"), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
}

int countOpenFds() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    while (readdir(d) != nullptr) n++;
    closedir(d);
    return n;
}

TEST_F(QmfsFakeTest, GfsSlotExhaustionLeaksNoDescriptor) {
    tree_.write(tree_.javaFile("f"), {1});
    int before = countOpenFds();
    int handles[QMFS_GFS_SLOTS];
    for (int& h : handles) ASSERT_GE(h = qmfs_open("gfs://java/f", nullptr), 0);
    int full = countOpenFds();
    EXPECT_EQ(full, before + QMFS_GFS_SLOTS);
    EXPECT_EQ(qmfs_open("gfs://java/f", nullptr), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_SLOTS_FULL);
    EXPECT_EQ(countOpenFds(), full);
    for (int h : handles) qmfs_close(h);
    EXPECT_EQ(countOpenFds(), before);
}

}  // namespace
