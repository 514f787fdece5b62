#include "storage/qmms_index.h"

#include "storage/qmfs_rom.h"
#include "store_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

TEST(QmmsCodecTest, FieldKinds) {
    struct Case {
        const char* name;
        int kind;
        int offset;
        int length;
        int bufferLength;
        int result;
    } cases[] = {
        {"byte at the last offset", QMMS_FIELD_U8, 7, 0, 8, 8},
        {"bool at the length", QMMS_FIELD_BOOL, 8, 0, 8, -1},
        {"half-word crossing the end", QMMS_FIELD_U16, 7, 0, 8, -1},
        {"word at the end", QMMS_FIELD_U32, 4, 0, 8, 8},
        {"run ending at the length", QMMS_FIELD_BYTES, 2, 6, 8, 8},
        {"run one byte longer", QMMS_FIELD_BYTES, 2, 7, 8, -1},
        {"negative offset", QMMS_FIELD_U8, -1, 0, 8, -1},
        {"kind 5", 5, 0, 0, 8, -2},
        {"negative kind", -1, 0, 0, 8, -2},
    };
    for (const Case& c : cases) {
        uint8_t buf[8];
        memset(buf, 0xAA, sizeof buf);
        uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(qmms_copyRecordIn(buf, c.bufferLength, c.offset, c.kind, src, c.length), c.result) << c.name;
        if (c.result < 0) {
            for (uint8_t b : buf) EXPECT_EQ(b, 0xAA) << c.name << ": nothing written";
        }
        uint8_t dst[8];
        memset(dst, 0x55, sizeof dst);
        EXPECT_EQ(qmms_copyRecordOut(buf, c.bufferLength, c.offset, c.kind, dst, c.length), c.result) << c.name;
        if (c.result < 0) {
            for (uint8_t b : dst) EXPECT_EQ(b, 0x55) << c.name << ": nothing read";
        }
    }
}

TEST(QmmsCodecTest, BooleansAndLittleEndianWords) {
    uint8_t buf[8] = {2, 1, 0, 0, 0, 0, 0, 0};
    uint32_t v = 7;
    qmms_copyRecordOut(buf, 8, 0, QMMS_FIELD_BOOL, &v, 0);
    EXPECT_EQ(v, 0u) << "byte 2 reads as false";
    qmms_copyRecordOut(buf, 8, 1, QMMS_FIELD_BOOL, &v, 0);
    EXPECT_EQ(v, 1u);
    uint32_t two = 2, one = 1;
    qmms_copyRecordIn(buf, 8, 0, QMMS_FIELD_BOOL, &two, 0);
    EXPECT_EQ(buf[0], 0) << "word 2 writes false";
    qmms_copyRecordIn(buf, 8, 0, QMMS_FIELD_BOOL, &one, 0);
    EXPECT_EQ(buf[0], 1);
    uint32_t word = 0x11223344;
    qmms_copyRecordIn(buf, 8, 3, QMMS_FIELD_U32, &word, 0);
    EXPECT_EQ(buf[3], 0x44);
    EXPECT_EQ(buf[6], 0x11);
    uint32_t narrow = 0xFFFFFFFF;
    qmms_copyRecordOut(buf, 8, 3, QMMS_FIELD_U8, &narrow, 0);
    EXPECT_EQ(narrow, 0xFFFFFF44u) << "kind 1 copies one byte and does not widen";
}

class QmmsIndexTest : public StoreTest {
protected:
    std::vector<uint8_t> indexFile() { return tree_.read(tree_.javaFile("suites.idx")); }
    static uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
};

TEST_F(QmmsIndexTest, FreshStoreStartsFromTheBuiltInIndex) {
    std::vector<uint8_t> bytes = indexFile();
    ASSERT_EQ(bytes.size(), 4096u);
    uint32_t romSize = 0;
    const uint8_t* rom = (const uint8_t*)qmfs_rom_getFileDataPointer("rom://midlet/_suites.idx", &romSize);
    ASSERT_EQ(romSize, 4096u);
    EXPECT_EQ(0, memcmp(bytes.data(), rom, 4096));
    EXPECT_EQ(qmms_countSuites(-1), 0);
    EXPECT_EQ(qmms_countSuites(0), 0);
}

TEST_F(QmmsIndexTest, SixteenAddsGiveTwoPages) {
    for (int i = 0; i < 16; i++) {
        std::string name = "Suite" + std::to_string(i);
        EXPECT_EQ(add(makeSuite(name.c_str(), "V")), i);
    }
    ASSERT_EQ(qmms_closeIndex(1), 0);
    std::vector<uint8_t> bytes = indexFile();
    ASSERT_EQ(bytes.size(), 256u + 2 * 3840u);
    EXPECT_EQ(u16(bytes, QMMS_HDR_PAGES), 2);
    EXPECT_EQ(u16(bytes, QMMS_HDR_SUITES), 16);
    EXPECT_EQ(u16(bytes, QMMS_HDR_SEQUENCE), 16);
    size_t id15 = 256 + 3840;
    EXPECT_EQ(bytes[id15], 1) << "id 15 is slot 0 of page 1";
    EXPECT_STREQ((const char*)&bytes[id15 + 1], "Suite15");
    EXPECT_EQ(u16(bytes, id15 + QMMS_SLOT_SEQUENCE), 15);
    EXPECT_EQ(bytes[id15 + 256], 0) << "slot 1 of page 1 unused";
    ASSERT_EQ(qmms_openIndex(), 0);
    QmmsSuiteInfo info;
    ASSERT_EQ(qmms_readSuiteInfo(15, &info), 0);
    EXPECT_STREQ(info.name, "Suite15");
    EXPECT_EQ(info.suiteId, 15u);
}

TEST_F(QmmsIndexTest, SlotBytesAtTheirOffsets) {
    QmmsSuiteInfo s = makeSuite("Game", "Acme", 3, 0x00ABCDEF);
    snprintf(s.version, sizeof s.version, "2.1.7");
    s.domain = 2;
    s.preinstalled = 1;
    s.secondFlag = 1;
    s.midletCount = 4;
    add(makeSuite("First", "Acme"));
    int id = add(s);
    ASSERT_EQ(id, 1);
    ASSERT_EQ(qmms_closeIndex(1), 0);
    std::vector<uint8_t> b = indexFile();
    size_t slot = 256 + 256;
    struct Field {
        const char* name;
        size_t offset;
        std::vector<uint8_t> bytes;
    } fields[] = {
        {"used", 0, {1}},
        {"name", QMMS_SLOT_NAME, {'G', 'a', 'm', 'e', 0}},
        {"vendor", QMMS_SLOT_VENDOR, {'A', 'c', 'm', 'e', 0}},
        {"version", QMMS_SLOT_VERSION, {'2', '.', '1', '.', '7', 0}},
        {"directory", QMMS_SLOT_DIRECTORY, {'g', 'f', 's', ':', '/', '/', 'j', 'a', 'v', 'a', '/', 0}},
        {"domain", 209, {2}},
        {"category", 210, {3}},
        {"jar size", 211, {0xEF, 0xCD, 0xAB, 0x00}},
        {"preinstalled", 215, {1}},
        {"second flag", 216, {1}},
        {"midlets", 218, {4}},
        {"sequence", 219, {1, 0}},
    };
    for (const Field& f : fields) {
        std::vector<uint8_t> got(b.begin() + (long)(slot + f.offset),
                                 b.begin() + (long)(slot + f.offset + f.bytes.size()));
        EXPECT_EQ(got, f.bytes) << f.name;
    }
    ASSERT_EQ(qmms_openIndex(), 0);
    QmmsSuiteInfo back;
    ASSERT_EQ(qmms_readSuiteInfo(1, &back), 0);
    s.suiteId = 1;
    EXPECT_EQ(0, memcmp(&back, &s, sizeof s));
}

TEST_F(QmmsIndexTest, RemoveAndListRoundTrip) {
    add(makeSuite("A", "V"));
    add(makeSuite("B", "V"));
    add(makeSuite("C", "V", 1));
    ASSERT_EQ(qmms_removeSuite(1), 0);
    EXPECT_EQ(qmms_removeSuite(1), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_SLOT_UNUSED);
    QmmsSuiteInfo info;
    EXPECT_EQ(qmms_readSuiteInfo(1, &info), -1);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_UNKNOWN_SUITE);
    EXPECT_EQ(qmms_countSuites(-1), 2);
    EXPECT_EQ(qmms_countSuites(1), 1);
    QmmsSuiteInfo list[3];
    ASSERT_EQ(qmms_listSuites(list, -1), 0);
    EXPECT_EQ(list[0].suiteId, 0u);
    EXPECT_STREQ(list[0].name, "A");
    EXPECT_EQ(list[1].suiteId, 2u);
    EXPECT_STREQ(list[1].name, "C");
    ASSERT_EQ(qmms_closeIndex(1), 0);
    ASSERT_EQ(qmms_openIndex(), 0);
    EXPECT_EQ(qmms_countSuites(-1), 2) << "after a round trip through the file";
    EXPECT_EQ(add(makeSuite("D", "V")), 1) << "the freed slot of the cached page";
    EXPECT_EQ(qmms_findSuite("D", "V"), 1);
    EXPECT_EQ(qmms_findSuite("d", "V"), -1) << "case-sensitive";
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_UNKNOWN_SUITE);
    QmmsSuiteInfo changed = makeSuite("D2", "V");
    ASSERT_EQ(qmms_updateSuite(&changed, 1), 0);
    EXPECT_EQ(qmms_findSuite("D2", "V"), 1);
}

TEST_F(QmmsIndexTest, FindSearchesEveryPage) {
    for (int i = 0; i < 20; i++) add(makeSuite(("S" + std::to_string(i)).c_str(), "V"));
    QmmsSuiteInfo info;
    ASSERT_EQ(qmms_readSuiteInfo(2, &info), 0);  // page 0 cached
    EXPECT_EQ(qmms_findSuite("S17", "V"), 17);
    EXPECT_EQ(qmms_findSuite("S3", "V"), 3);
    EXPECT_EQ(qmms_findSuite("S3", "W"), -1);
}

// Both programs cache the same file: a page that this one did not change must not be
// written back over the other's changes.
TEST_F(QmmsIndexTest, OnlyChangedPagesAreWrittenBack) {
    for (int i = 0; i < 16; i++) add(makeSuite(("S" + std::to_string(i)).c_str(), "V"));
    ASSERT_EQ(qmms_closeIndex(1), 0);
    ASSERT_EQ(qmms_openIndex(), 0);  // page 0 cached, clean
    // The other program installs into slot 5 of page 0 after removing it... here: it marks
    // slot 14 of page 0 unused and renames slot 0.
    std::vector<uint8_t> file = indexFile();
    file[256 + 14 * 256] = 0;
    memcpy(&file[256 + 1], "Other", 6);
    tree_.write(tree_.javaFile("suites.idx"), file);
    QmmsSuiteInfo info;
    ASSERT_EQ(qmms_readSuiteInfo(15, &info), 0);  // switch to page 1
    ASSERT_EQ(qmms_readSuiteInfo(3, &info), 0);   // and back
    EXPECT_EQ(indexFile(), file) << "clean pages leave the file alone";
    QmmsSuiteInfo mine = makeSuite("Mine", "V");
    ASSERT_EQ(qmms_updateSuite(&mine, 2), 0);
    ASSERT_EQ(qmms_readSuiteInfo(15, &info), 0);  // a changed page is written on the switch
    std::vector<uint8_t> after = indexFile();
    EXPECT_STREQ((const char*)&after[256 + 2 * 256 + 1], "Mine");
    EXPECT_STREQ((const char*)&after[256 + 1], "Other") << "its page was reloaded from the file";
}

TEST_F(QmmsIndexTest, DamagedIndexFilesAreRefused) {
    ASSERT_EQ(qmms_closeIndex(0), 0);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty file", {}},
        {"header only", std::vector<uint8_t>(256, 0)},
        {"header claims two pages, file has one",
         [] {
             std::vector<uint8_t> b(4096, 0);
             b[10] = 2;
             return b;
         }()},
    };
    for (const Case& c : cases) {
        tree_.write(tree_.javaFile("suites.idx"), c.bytes);
        if (c.bytes.size() < 4096) {
            EXPECT_EQ(qmms_openIndex(), -1) << c.name;
            EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR) << c.name;
        } else {
            ASSERT_EQ(qmms_openIndex(), 0) << c.name;
            QmmsSuiteInfo info;
            EXPECT_EQ(qmms_readSuiteInfo(20, &info), -1) << c.name;
            EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR) << c.name;
        }
        qmms_closeIndex(0);
    }
}

}  // namespace
