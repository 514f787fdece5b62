#include "storage/qmms_suitefiles.h"

#include "store_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

class QmmsSuiteFilesTest : public StoreTest {
protected:
    int addSuite(const char* name, bool preinstalled = false) {
        QmmsSuiteInfo s = makeSuite(name, "V");
        s.preinstalled = preinstalled ? 1 : 0;
        return add(s);
    }
    std::vector<uint8_t> file(const std::string& name) { return tree_.read(tree_.javaFile(name)); }
};

TEST_F(QmmsSuiteFilesTest, FileNames) {
    for (int i = 0; i < 12; i++) addSuite(("S" + std::to_string(i)).c_str());
    ASSERT_EQ(addSuite("Twelve"), 12);
    ASSERT_EQ(addSuite("Rom", true), 13);
    struct Case {
        const char* name;
        int id;
        int kind;
        const char* expected;
    } cases[] = {
        {"index", 12, QMMS_FILE_INDEX, "gfs://java/suites.idx"},
        {"categories", 12, QMMS_FILE_CATEGORIES, "gfs://java/category.dat"},
        {"suite data", 12, QMMS_FILE_SUITE_DATA, "gfs://java/12.jdx"},
        {"resources", 12, QMMS_FILE_RESOURCES, "gfs://java/12.raw"},
        {"security", 12, QMMS_FILE_SECURITY, "gfs://java/12.mss"},
        {"record store 1", 12, QMMS_FILE_RECORDS_1, "gfs://java/12.rs1"},
        {"record store 3", 12, QMMS_FILE_RECORDS_3, "gfs://java/12.rs3"},
        {"directory", 12, QMMS_FILE_DIRECTORY, "gfs://java/"},
        {"kind 11", 12, 11, ""},
        {"kind 0", 12, 0, ""},
        {"JAR without suite data", 12, QMMS_FILE_JAR, ""},
        {"preinstalled data in ROM", 13, QMMS_FILE_SUITE_DATA, "rom://midlet/13.jdx"},
        {"preinstalled resources in ROM", 13, QMMS_FILE_RESOURCES, "rom://midlet/13.raw"},
        {"preinstalled security stays", 13, QMMS_FILE_SECURITY, "gfs://java/13.mss"},
        {"memory suite", 999, QMMS_FILE_RECORDS_2, "gfs://java/999.rs2"},
        {"unknown suite", 40, QMMS_FILE_SUITE_DATA, ""},
    };
    for (const Case& c : cases) EXPECT_STREQ(qmms_getSuiteFileName(c.id, c.kind), c.expected) << c.name;
    EXPECT_STREQ(qmms_getSuiteFileNameIn("rom://midlet/", 3, QMMS_FILE_JAR), "rom://midlet/3.jar");
    EXPECT_STREQ(qmms_makeTempName(12, 5), "gfs://java/12_5.tmp");
}

TEST_F(QmmsSuiteFilesTest, SuiteDataFileByteExact) {
    int id = addSuite("Game");
    ASSERT_EQ(qmms_openSuite(id), 0);
    QmmsMidletInfo none;
    EXPECT_EQ(qmms_getMidletEntry(0, &none), -1) << "a new suite has no MIDlets";
    QmmsSuiteData d;
    memset(&d, 0, sizeof d);
    strcpy(d.jarLocation, "gfs://java/0.jar");
    strcpy(d.sourceUrl, "http://example.com/game.jad");
    memcpy(d.tag, "Unkn", 4);
    d.jadSize = 0x1234;
    d.jarSize = 0x00056789;
    d.midletCount = 2;
    d.versionMajor = 1;
    d.versionMinor = 2;
    d.versionMicro = 3;
    ASSERT_EQ(qmms_setSuiteData(&d), 0);
    QmmsMidletInfo m[2];
    memset(m, 0, sizeof m);
    strcpy(m[0].name, "First");
    strcpy(m[0].icon, "/a.png");
    strcpy(m[0].className, "com.example.First");
    strcpy(m[1].name, "Second");
    strcpy(m[1].className, "com.example.Second");
    ASSERT_EQ(qmms_setMidletEntry(0, &m[0]), 0);
    ASSERT_EQ(qmms_setMidletEntry(1, &m[1]), 0);
    ASSERT_EQ(qmms_closeSuite(1), 0);
    std::vector<uint8_t> b = file("0.jdx");
    ASSERT_EQ(b.size(), 336u + 2 * 384u);
    EXPECT_STREQ((const char*)&b[0], "gfs://java/0.jar");
    EXPECT_STREQ((const char*)&b[64], "http://example.com/game.jad");
    EXPECT_EQ(0, memcmp(&b[320], "Unkn", 4));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 324, b.begin() + 336),
              (std::vector<uint8_t>{0x34, 0x12, 0, 0, 0x89, 0x67, 0x05, 0, 1, 2, 3, 2}));
    EXPECT_STREQ((const char*)&b[336], "com.example.First");
    EXPECT_STREQ((const char*)&b[336 + 256], "First");
    EXPECT_STREQ((const char*)&b[336 + 320], "/a.png");
    EXPECT_STREQ((const char*)&b[336 + 384], "com.example.Second");
    ASSERT_EQ(qmms_closeSuite(0), 0);
    ASSERT_EQ(qmms_openSuite(id), 0);
    QmmsSuiteData back;
    ASSERT_EQ(qmms_getSuiteData(&back), 0);
    EXPECT_EQ(0, memcmp(&back, &d, sizeof d));
    QmmsMidletInfo e;
    ASSERT_EQ(qmms_getMidletEntry(1, &e), 0);
    EXPECT_STREQ(e.name, "Second");
    EXPECT_EQ(qmms_getMidletEntry(2, &e), -1);
    EXPECT_STREQ(qmms_getSuiteFileName(id, QMMS_FILE_JAR), "gfs://java/0.jar");
    QmmsSuiteData none2;
    EXPECT_EQ(qmms_getSuiteData(&none2), -1) << "the JAR name leaves no suite current";
}

TEST_F(QmmsSuiteFilesTest, ShortSuiteDataFileIsRefused) {
    int id = addSuite("Game");
    std::vector<uint8_t> b(336, 0);
    b[335] = 3;  // three MIDlets promised, none there
    tree_.write(tree_.javaFile("0.jdx"), b);
    EXPECT_EQ(qmms_openSuite(id), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
    QmmsSuiteData d;
    EXPECT_EQ(qmms_getSuiteData(&d), -1);
}

TEST_F(QmmsSuiteFilesTest, ResourceFileByteExact) {
    int id = addSuite("Game");
    uint32_t sizes[3] = {5, 7, 0};
    ASSERT_EQ(qmms_createRawFile(id, 3, sizes), 0);
    EXPECT_TRUE(tree_.exists(tree_.javaFile("0_5.tmp")));
    ASSERT_EQ(qmms_writeRawEntry(0, "META-INF/MANIFEST.MF", "abcde", nullptr, 0), 0);
    uint8_t extra[3] = {9, 8, 7};
    ASSERT_EQ(qmms_writeRawEntry(1, "__JAD__", "1234567", extra, 3), 0);
    ASSERT_EQ(qmms_writeRawEntry(2, "icon.png", nullptr, nullptr, 0), 0);
    EXPECT_EQ(qmms_writeRawEntry(3, "x", nullptr, nullptr, 0), -1);
    ASSERT_EQ(qmms_commitRawFile(1), 0);
    EXPECT_FALSE(tree_.exists(tree_.javaFile("0_5.tmp")));
    std::vector<uint8_t> b = file("0.raw");
    ASSERT_EQ(b.size(), 1u + 3 * 256u + 12u);
    EXPECT_EQ(b[0], 3);
    struct Entry {
        const char* name;
        uint32_t size;
        uint32_t offset;
    } entries[] = {{"META-INF/MANIFEST.MF", 5, 769}, {"__JAD__", 7, 774}, {"icon.png", 0, 781}};
    for (int i = 0; i < 3; i++) {
        const uint8_t* h = &b[1 + (size_t)i * 256];
        uint32_t size, offset;
        memcpy(&size, h, 4);
        memcpy(&offset, h + 204, 4);
        EXPECT_EQ(size, entries[i].size) << entries[i].name;
        EXPECT_STREQ((const char*)h + 4, entries[i].name);
        EXPECT_EQ(offset, entries[i].offset) << entries[i].name;
    }
    EXPECT_EQ(b[1 + 256 + 208], 9);
    EXPECT_EQ(b[1 + 256 + 210], 7);
    EXPECT_EQ(b[1 + 256 + 211], 0) << "extra data is zero-padded";
    EXPECT_EQ(0, memcmp(&b[769], "abcde1234567", 12));

    char buf[100];
    memset(buf, 0, sizeof buf);
    ASSERT_EQ(qmms_readSuiteFile(id, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "1234567");
    EXPECT_EQ(qmms_getRawEntrySize(), 7);
    memset(buf, 0, sizeof buf);
    ASSERT_EQ(qmms_readSuiteFile(id, 0, buf, 3), 0);
    EXPECT_STREQ(buf, "abc") << "at most the buffer's size";
    EXPECT_EQ(qmms_readSuiteFile(id, 3, buf, 3), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
    EXPECT_EQ(qmms_readSuiteFile(77, 0, buf, 3), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_UNKNOWN_SUITE);
}

TEST_F(QmmsSuiteFilesTest, ResourceFileLimits) {
    int id = addSuite("Game");
    uint32_t sizes[21] = {0};
    EXPECT_EQ(qmms_createRawFile(id, 21, sizes), -1);
    EXPECT_FALSE(tree_.exists(tree_.javaFile("0_5.tmp")));
    uint32_t big[1] = {1000};
    ASSERT_EQ(qmms_createRawFile(id, 1, big), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("0_5.tmp")).size(), 1u + 256u + 1000u) << "zeros written in pieces";
    std::string longName(200, 'n');
    EXPECT_EQ(qmms_writeRawEntry(0, longName.c_str(), "x", nullptr, 0), -1) << "a name that does not fit";
    uint8_t extra[49] = {0};
    EXPECT_EQ(qmms_writeRawEntry(0, "n", "x", extra, 49), -1);
    EXPECT_EQ(qmms_commitRawFile(0), 0);
    EXPECT_FALSE(tree_.exists(tree_.javaFile("0_5.tmp")));
    EXPECT_FALSE(tree_.exists(tree_.javaFile("0.raw")));
}

TEST_F(QmmsSuiteFilesTest, SecurityFile) {
    int id = addSuite("Game");
    ASSERT_EQ(qmms_loadSecurity(id), 0) << "a missing file loads as zeros";
    uint32_t domain = 9, count = 9;
    ASSERT_EQ(qmms_getSecurityHeader(&domain, &count), 0);
    EXPECT_EQ(domain, 0u);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(qmms_setSecurityHeader(2, 3), 0);
    uint32_t states[3] = {1, 0x01020304, 3};
    ASSERT_EQ(qmms_setSecurityStates(states), 0);
    EXPECT_EQ(qmms_setSecurityState(3, 1), -1);
    ASSERT_EQ(qmms_setSecurityState(2, 4), 0);
    ASSERT_EQ(qmms_saveSecurity(1), 0);
    std::vector<uint8_t> b = file("0.mss");
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 12),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 12, b.end()),
              (std::vector<uint8_t>{1, 0, 0, 0, 4, 3, 2, 1, 4, 0, 0, 0}));
    ASSERT_EQ(qmms_setSecurityState(0, 7), 0);
    ASSERT_EQ(qmms_saveSecurity(0), 0) << "discards the change";
    uint32_t back[3];
    ASSERT_EQ(qmms_getSecurityStates(back), 0);
    EXPECT_EQ(back[0], 1u);
    tree_.write(tree_.javaFile("0.mss"), std::vector<uint8_t>(11, 0));
    EXPECT_EQ(qmms_saveSecurity(0), -1) << "11 bytes";
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
    EXPECT_EQ(qmms_getSecurityHeader(&domain, &count), -1) << "nothing current";
}

void countPushRemoval(int id);
int pushRemovedFor = -1;
void countPushRemoval(int id) { pushRemovedFor = id; }

TEST_F(QmmsSuiteFilesTest, RemovalRemovesEveryPerSuiteFile) {
    QmmsHooks hooks = *qmms_getHooks();
    hooks.removePushRegistrations = countPushRemoval;
    qmms_setHooks(&hooks);
    addSuite("Keep");
    int id = addSuite("Gone");
    ASSERT_EQ(qmms_openSuite(id), 0);
    QmmsSuiteData d;
    memset(&d, 0, sizeof d);
    strcpy(d.jarLocation, "gfs://java/1.jar");
    qmms_setSuiteData(&d);
    ASSERT_EQ(qmms_closeSuite(1), 0);
    const char* names[] = {"1.jar", "1.raw", "1.mss", "1.rs1", "1.rs2", "1.rs3"};
    for (const char* n : names) tree_.write(tree_.javaFile(n), {1, 2, 3});
    tree_.write(tree_.javaFile("0.rs1"), {1});
    ASSERT_EQ(qmms_removeSuiteFiles(id), 0);
    for (const char* n : names) EXPECT_FALSE(tree_.exists(tree_.javaFile(n))) << n;
    EXPECT_FALSE(tree_.exists(tree_.javaFile("1.jdx")));
    EXPECT_TRUE(tree_.exists(tree_.javaFile("0.rs1"))) << "another suite's file";
    EXPECT_EQ(pushRemovedFor, id);
    std::vector<uint8_t> idx = file("suites.idx");
    EXPECT_EQ(idx[256 + 256], 0) << "slot cleared in the file";
    EXPECT_EQ(idx[12], 1) << "suite count in the file";
    EXPECT_EQ(qmms_countSuites(-1), 1);
}

}  // namespace
