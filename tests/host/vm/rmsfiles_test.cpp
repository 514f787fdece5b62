// The porting layer's record-store files over a suite store on a temporary device tree:
// open modes, the commit state, the quota, names by suite, and the natives' bridge.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "../../storage/store_fixture.h"
#include "host/vm/rmsfiles.h"
#include "storage/qmmm.h"
#include "support/lowmem_fixture.h"

namespace {

std::u16string u16(const std::string& s) { return std::u16string(s.begin(), s.end()); }
const uint16_t* units(const std::u16string& s) { return (const uint16_t*)s.data(); }

class RecordFiles : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        arena_.resize(1 << 20);
        qmmm_init(arena_.data(), (int32_t)arena_.size());
        suite_ = install(makeSuite("Game", "Acme"));
        other_ = install(makeSuite("Tool", "Acme"));
        ASSERT_GE(suite_, 0);
        ASSERT_GE(other_, 0);
        qmms_postLaunchDefault(suite_, 1, 0);
        RmsSetQuotaTotal(-1);
        ASSERT_EQ(0, MkRmsComputeQuota());
    }
    void TearDown() override {
        RmsCloseAllFiles();
        MkRmsResetQuota();
        RmsSetQuotaTotal(-1);
        qmmm_fini();
        StoreTest::TearDown();
    }
    std::u16string fileName(int suite, int index) {
        return u16(qmms_getSuiteFileName(suite, QMMS_FILE_RECORDS_1 + index));
    }
    int32_t open(const std::u16string& name, int32_t mode) {
        return MkRandomAccessFileOpen(units(name), (int32_t)name.size(), mode);
    }
    void commit(bool begin, const char* vendor = "Acme", const char* name = "Game") {
        std::u16string v = u16(vendor), n = u16(name);
        if (begin)
            MkRecordStoreBeginCommit(units(v), (int32_t)v.size(), units(n), (int32_t)n.size());
        else
            MkRecordStoreEndCommit(units(v), (int32_t)v.size(), units(n), (int32_t)n.size());
    }
    LowVector<uint8_t> arena_;  // the records' addresses are the files' handles
    int suite_ = -1;
    int other_ = -1;
};

TEST_F(RecordFiles, OpenModes) {
    std::u16string name = fileName(suite_, 0);
    struct Case {
        const char* name;
        int32_t mode;
        bool exists;
        bool opens;
    };
    const Case cases[] = {
        {"read a missing file", 0, false, false},       {"read-write a missing file", 2, false, false},
        {"mode 3 touches nothing", 3, false, false},    {"create a missing file", 1, false, true},
        {"read an existing file", 0, true, true},       {"read-write an existing file", 2, true, true},
        {"mode 3 with the file there", 3, true, false},
    };
    for (const Case& c : cases) {
        int32_t file = open(name, c.mode);
        EXPECT_EQ(c.opens, file != -1) << c.name;
        if (file != -1) {
            EXPECT_EQ(0, MkRandomAccessFileClose(file)) << c.name;
        }
        EXPECT_EQ(c.exists || c.opens, tree_.exists(tree_.javaFile(std::to_string(suite_) + ".rs1"))) << c.name;
    }
    EXPECT_EQ(-1, MkRandomAccessFileClose(12345)) << "a handle not in the list";
}

TEST_F(RecordFiles, WritesOnlyInsideACommitOfItsSuite) {
    int32_t mine = open(fileName(suite_, 1), 1);
    int32_t theirs = open(fileName(other_, 1), 1);
    ASSERT_NE(-1, mine);
    ASSERT_NE(-1, theirs);
    const char text[] = "0123456789";
    EXPECT_EQ(-2, MkRandomAccessFileWrite(mine, text, 10)) << "before the commit";
    EXPECT_EQ(-2, MkRandomAccessFileTruncate(mine, 0));
    commit(true);
    EXPECT_EQ(0, MkRandomAccessFileWrite(mine, text, 10));
    EXPECT_EQ(-2, MkRandomAccessFileWrite(theirs, text, 10)) << "another suite's file stays out of the commit";
    EXPECT_EQ(0, MkRandomAccessFileTruncate(mine, 4));
    commit(false);
    EXPECT_EQ(-2, MkRandomAccessFileWrite(mine, text, 10)) << "after the commit";
    EXPECT_EQ(4u, tree_.read(tree_.javaFile(std::to_string(suite_) + ".rs2")).size());
    EXPECT_EQ(0u, tree_.read(tree_.javaFile(std::to_string(other_) + ".rs2")).size());
}

TEST_F(RecordFiles, ReadSeekAndLength) {
    int32_t file = open(fileName(suite_, 0), 1);
    commit(true);
    ASSERT_EQ(0, MkRandomAccessFileWrite(file, "abcdef", 6));
    commit(false);
    MkRandomAccessFileClose(file);
    file = open(fileName(suite_, 0), 2);
    ASSERT_NE(-1, file);
    EXPECT_EQ(6, p32Ptr<RandomAccessFileRecord>(file)->size) << "the size found at the opening";
    EXPECT_EQ(2, MkRandomAccessFileSeek(file, 2, 0));
    EXPECT_EQ(3, MkRandomAccessFileSeek(file, 1, 1));
    EXPECT_EQ(6, MkRandomAccessFileSeek(file, 0, 2));
    EXPECT_EQ(-1, MkRandomAccessFileSeek(file, 0, 3)) << "no fourth origin";
    char buffer[8] = {};
    EXPECT_EQ(0, MkRandomAccessFileRead(file, buffer, 8)) << "at the end";
    ASSERT_EQ(1, MkRandomAccessFileSeek(file, 1, 0));
    EXPECT_EQ(5, MkRandomAccessFileRead(file, buffer, 8));
    EXPECT_STREQ("bcdef", buffer);
    EXPECT_EQ(RMS_PREFERRED_SIZE, MkRandomAccessFileGetPreferredSize());
}

TEST_F(RecordFiles, QuotaTakesGrowthAndTestsTheWholeCount) {
    int32_t file = open(fileName(suite_, 0), 1);
    std::vector<char> bytes(RMS_QUOTA_TOTAL + 10, 'x');
    commit(true);
    EXPECT_EQ(RMS_QUOTA_TOTAL, RmsGetQuota());
    ASSERT_EQ(0, MkRandomAccessFileWrite(file, bytes.data(), 100));
    EXPECT_EQ(RMS_QUOTA_TOTAL - 100, RmsGetQuota()) << "growth is charged";
    MkRandomAccessFileSeek(file, 0, 0);
    ASSERT_EQ(0, MkRandomAccessFileWrite(file, bytes.data(), 10));
    EXPECT_EQ(RMS_QUOTA_TOTAL - 100, RmsGetQuota()) << "overwriting costs nothing";
    MkRandomAccessFileSeek(file, 95, 0);
    ASSERT_EQ(0, MkRandomAccessFileWrite(file, bytes.data(), 10));
    EXPECT_EQ(RMS_QUOTA_TOTAL - 105, RmsGetQuota()) << "only the part beyond the end";
    EXPECT_EQ(-1, MkRandomAccessFileWrite(file, bytes.data(), RMS_QUOTA_TOTAL - 104)) << "over the quota";
    ASSERT_EQ(0, MkRandomAccessFileTruncate(file, 0));
    EXPECT_EQ(RMS_QUOTA_TOTAL - 105, RmsGetQuota()) << "truncation gives nothing back";
    std::u16string v = u16("Acme"), n = u16("Game");
    EXPECT_EQ(RMS_QUOTA_TOTAL - 105, MkRecordStoreGetAvailSize(units(v), 4, units(n), 4));
    commit(false);
    MkRandomAccessFileClose(file);
    ASSERT_EQ(0, MkRmsComputeQuota());
    EXPECT_EQ(RMS_QUOTA_TOTAL, RmsGetQuota()) << "the next start counts the files as they are";
}

TEST_F(RecordFiles, AFullSuiteStartsWithQuotaZeroAndStillReads) {
    std::vector<uint8_t> full(RMS_QUOTA_TOTAL, 7);
    tree_.write(tree_.javaFile(std::to_string(suite_) + ".rs3"), full);
    ASSERT_EQ(0, MkRmsComputeQuota());
    EXPECT_EQ(0, RmsGetQuota());
    int32_t file = open(fileName(suite_, 2), 2);
    commit(true);
    EXPECT_EQ(-1, MkRandomAccessFileWrite(file, "x", 1));
    commit(false);
    uint8_t buffer[4];
    EXPECT_EQ(4, MkRandomAccessFileRead(file, buffer, 4));
    EXPECT_EQ(7, buffer[3]);
    MkRmsResetQuota();
    EXPECT_EQ(0, RmsGetQuota());
}

TEST_F(RecordFiles, ReservationNeverGoesBelowZero) {
    int32_t file = open(fileName(suite_, 0), 1);
    RandomAccessFileRecord* r = p32Ptr<RandomAccessFileRecord>(file);
    EXPECT_EQ(0, MkRandomAccessFileReserveSpace(file, 100));
    EXPECT_EQ(0, MkRandomAccessFileReserveSpace(file, 0)) << "nothing below 1";
    EXPECT_EQ(100, r->reserved);
    MkRandomAccessFileFreeSpace(file, 40);
    EXPECT_EQ(60, r->reserved);
    MkRandomAccessFileFreeSpace(file, 1000);
    EXPECT_EQ(0, r->reserved);
}

TEST_F(RecordFiles, FileNamesBySuite) {
    struct Case {
        const char* name;
        std::string vendor;
        std::string suite;
        int32_t index;
        std::string expected;  // empty: refused
    };
    const std::string id = std::to_string(suite_);
    const Case cases[] = {
        {"first file", "Acme", "Game", 0, "gfs://java/" + id + ".rs1"},
        {"third file", "Acme", "Game", 2, "gfs://java/" + id + ".rs3"},
        {"no fourth file", "Acme", "Game", 3, ""},
        {"unknown suite", "Acme", "Nothing", 0, ""},
        // a count of 200 read as a signed byte would be negative
        {"vendor of 200 characters", std::string(200, 'v'), "Game", 0, ""},
        {"name of 128 characters", "Acme", std::string(128, 'n'), 0, ""},
    };
    for (const Case& c : cases) {
        std::u16string v = u16(c.vendor), n = u16(c.suite);
        int32_t length =
            MkRecordStoreGetFileNameBySuite(units(v), (int32_t)v.size(), units(n), (int32_t)n.size(), c.index, nullptr);
        if (c.expected.empty()) {
            EXPECT_EQ(-1, length) << c.name;
            continue;
        }
        ASSERT_EQ((int32_t)c.expected.size(), length) << c.name;
        std::u16string buffer(length + 1, u'\0');
        EXPECT_EQ(0, MkRecordStoreGetFileNameBySuite(units(v), (int32_t)v.size(), units(n), (int32_t)n.size(), c.index,
                                                     (uint16_t*)&buffer[0]))
            << c.name;
        EXPECT_EQ(u16(c.expected), buffer.substr(0, length)) << c.name;
    }
}

TEST_F(RecordFiles, LongSuiteNamesFindTheirSuite) {
    // names as long as the store keeps them (63 bytes) reach it whole
    int id = install(makeSuite(std::string(63, 'n').c_str(), std::string(63, 'v').c_str()));
    ASSERT_GE(id, 0);
    std::u16string v = u16(std::string(63, 'v')), n = u16(std::string(63, 'n'));
    EXPECT_EQ((int32_t)strlen(qmms_getSuiteFileName(id, QMMS_FILE_RECORDS_1)),
              MkRecordStoreGetFileNameBySuite(units(v), 63, units(n), 63, 0, nullptr));
}

// "key: value" lines, the value trimmed.
int descriptorValue(const char* text, int length, const char* key, char* out, int outSize, int) {
    std::string jad(text, (size_t)length), prefix = std::string(key) + ":";
    for (size_t at = 0; at < jad.size();) {
        size_t end = jad.find('\n', at);
        if (end == std::string::npos) end = jad.size();
        if (jad.compare(at, prefix.size(), prefix) == 0) {
            std::string value = jad.substr(at + prefix.size(), end - at - prefix.size());
            value.erase(0, value.find_first_not_of(' '));
            snprintf(out, (size_t)outSize, "%s", value.c_str());
            return 0;
        }
        at = end + 1;
    }
    return -1;
}

TEST_F(RecordFiles, ASuiteRunFromItsDescriptorHasRecordStores) {
    QmmsHooks hooks = *qmms_getHooks();
    hooks.getAttribute = descriptorValue;
    qmms_setHooks(&hooks);
    // the store keeps the two blocks' addresses in words
    const std::string text = "MIDlet-Name: Memo\nMIDlet-Vendor: Acme\nMIDlet-1: Memo, , Memo\n";
    const LowVector<char> jad(text.begin(), text.end()), jar = {'P', 'K'};
    ASSERT_EQ(0, qmms_registerMemorySuite(jad.data(), (int)jad.size(), jar.data(), 2, 1, 0));
    struct Case {
        const char* name;
        const char* vendor;
        const char* suite;
        int32_t length;
    };
    const Case cases[] = {
        {"the running suite by its names", "Acme", "Memo", (int32_t)strlen("gfs://java/999.rs1")},
        {"another name", "Acme", "Other", -1},
        {"another vendor", "Other", "Memo", -1},
        {"an installed suite still", "Acme", "Game",
         (int32_t)strlen(qmms_getSuiteFileName(suite_, QMMS_FILE_RECORDS_1))},
    };
    for (const Case& c : cases) {
        std::u16string v = u16(c.vendor), n = u16(c.suite);
        EXPECT_EQ(c.length,
                  MkRecordStoreGetFileNameBySuite(units(v), (int32_t)v.size(), units(n), (int32_t)n.size(), 0, nullptr))
            << c.name;
    }
    std::u16string v = u16("Acme"), n = u16("Memo");
    std::u16string buffer(32, u'\0');
    ASSERT_EQ(0, MkRecordStoreGetFileNameBySuite(units(v), 4, units(n), 4, 2, (uint16_t*)&buffer[0]));
    EXPECT_EQ(u"gfs://java/999.rs3", buffer.substr(0, 18));
}

}  // namespace
