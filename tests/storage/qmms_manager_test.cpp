#include "storage/qmms_manager.h"

#include "platform/fs.h"
#include "platform/lowmem.h"
#include "storage/qmfs_rom.h"
#include "storage/qmms_suitefiles.h"
#include "store_fixture.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

int32_t freeSpace;
int32_t reportFreeSpace() { return freeSpace; }

class QmmsManagerTest : public StoreTest {
protected:
    void useFreeSpace(int32_t bytes) {
        freeSpace = bytes;
        QmmsHooks hooks = *qmms_getHooks();
        hooks.storageFreeSpace = reportFreeSpace;
        qmms_setHooks(&hooks);
    }
};

TEST_F(QmmsManagerTest, SecondStartCopiesNothing) {
    install(makeSuite("Kept", "V"));
    ASSERT_EQ(qmms_fini(), 0);
    EXPECT_FALSE(qmms_isStarted());
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(qmms_getSuiteCount(-1), 1);
    EXPECT_EQ(qmms_getSuiteId("Kept", "V"), 0);
    EXPECT_EQ(qmms_init(7), 0) << "already started";
}

// Index changes are written through as they happen; the stop writes what is left (the
// category file) only with room for it.
TEST_F(QmmsManagerTest, StopWritesOnlyWithRoomAndWhenNeeded) {
    add(makeSuite("New", "V"));
    EXPECT_EQ(tree_.read(tree_.javaFile("suites.idx"))[12], 1) << "the install is on the disk at once";
    struct Case {
        const char* name;
        int32_t freeBytes;
        int result;
        bool written;
    } cases[] = {
        {"102399 free bytes: nothing written, still started", 102399, -1, false},
        {"negative count: nothing written", -1, -1, false},
        {"102400 free bytes: written", 102400, 0, true},
    };
    for (const Case& c : cases) {
        useFreeSpace(c.freeBytes);
        EXPECT_EQ(qmms_fini(), c.result) << c.name;
        EXPECT_EQ(qmms_isStarted(), !c.written) << c.name;
        EXPECT_EQ(tree_.exists(tree_.javaFile("category.dat")), c.written) << c.name;
    }
    // A clean index is not written at the next stop.
    ASSERT_EQ(qmms_init(0), 0);
    std::vector<uint8_t> idx = tree_.read(tree_.javaFile("suites.idx"));
    idx[12] = 5;  // the other program's count
    tree_.write(tree_.javaFile("suites.idx"), idx);
    useFreeSpace(1 << 20);
    ASSERT_EQ(qmms_fini(), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("suites.idx"))[12], 5);
}

// The platform's free-space query saturates, so a volume with more than 2 GB free lets
// the stop write (it used to read as -1 and skip writing while reporting success).
TEST_F(QmmsManagerTest, StopWithThePlatformFreeSpaceWrites) {
    qmms_setHooks(nullptr);
    EXPECT_GE(GetStorageFreeSpace(), QMMS_STOP_MIN_FREE) << "this test needs some free disk";
    add(makeSuite("New", "V"));
    ASSERT_EQ(qmms_fini(), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("suites.idx"))[12], 1);
}

TEST_F(QmmsManagerTest, SortKeys) {
    struct Row {
        const char* name;
        const char* vendor;
        uint32_t category;
        uint32_t preinstalled;
        uint32_t secondFlag;
        uint32_t jarSize;
    } rows[] = {
        {"beta", "Zed", 1, 1, 0, 0x80000000u},
        {"Alpha", "acme", 0, 0, 1, 1},
        {"\xC3\xA9t\xC3\xA9", "Bee", 2, 0, 0, 500},
        {"alpha", "Acme", 0, 1, 1, 20},
    };
    for (const Row& r : rows) {
        QmmsSuiteInfo s = makeSuite(r.name, r.vendor, r.category, r.jarSize);
        s.preinstalled = r.preinstalled;
        s.secondFlag = r.secondFlag;
        add(s);
    }
    struct Case {
        const char* name;
        int key;
        std::vector<uint32_t> ids;
    } cases[] = {
        {"name, unsigned bytes", QMMS_SORT_NAME, {1, 3, 0, 2}},
        {"vendor", QMMS_SORT_VENDOR, {3, 2, 0, 1}},
        {"category", QMMS_SORT_CATEGORY, {1, 3, 0, 2}},
        {"preinstalled", QMMS_SORT_PREINSTALLED, {1, 2, 0, 3}},
        {"second flag", QMMS_SORT_SECOND_FLAG, {0, 2, 1, 3}},
        {"JAR size unsigned: 2^31 last", QMMS_SORT_JAR_SIZE, {1, 3, 2, 0}},
        {"no key: id order", 0, {0, 1, 2, 3}},
        {"key 7: id order", 7, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        QmmsSuiteInfo list[4];
        ASSERT_EQ(qmms_getSuiteList(-1, list, c.key), 0) << c.name;
        std::vector<uint32_t> ids;
        for (const QmmsSuiteInfo& s : list) ids.push_back(s.suiteId);
        EXPECT_EQ(ids, c.ids) << c.name;
    }
    QmmsSuiteInfo one[1];
    ASSERT_EQ(qmms_getSuiteList(2, one, QMMS_SORT_NAME), 0);
    EXPECT_EQ(one[0].suiteId, 2u);
}

TEST_F(QmmsManagerTest, ListNeverWritesMoreThanCounted) {
    add(makeSuite("A", "V"));
    add(makeSuite("B", "V"));
    add(makeSuite("C", "V"));
    ASSERT_EQ(qmms_closeIndex(1), 0);
    std::vector<uint8_t> idx = tree_.read(tree_.javaFile("suites.idx"));
    idx[12] = 2;  // a header that undercounts its used slots
    tree_.write(tree_.javaFile("suites.idx"), idx);
    ASSERT_EQ(qmms_openIndex(), 0);
    ASSERT_EQ(qmms_getSuiteCount(-1), 2);
    QmmsSuiteInfo list[3];
    memset(&list[2], 0x5A, sizeof list[2]);
    ASSERT_EQ(qmms_getSuiteList(-1, list, 0), 0);
    EXPECT_EQ(list[2].suiteId, 0x5A5A5A5Au) << "the third record is beyond the count";
}

std::vector<QmmsRequest> posted;
std::vector<int> simplePosts;
uintptr_t stateFlag;
void recordPost(int selector, const void* record) {
    EXPECT_EQ(selector, 2);
    QmmsRequest r;
    memcpy(&r, record, sizeof r);
    posted.push_back(r);
}
void recordSimple(int selector, int kind) {
    EXPECT_EQ(selector, 2);
    simplePosts.push_back(kind);
}
void recordFlag(uintptr_t flag) { stateFlag = flag; }

// A descriptor attribute reader good enough for the tests: "Key: value" lines.
int readAttribute(const char* text, int length, const char* key, char* out, int outSize, int trim) {
    std::string t(text, (size_t)length);
    std::string k = std::string(key) + ":";
    size_t at = t.find(k);
    if (at == std::string::npos) return -1;
    at += k.size();
    while (at < t.size() && (t[at] == ' ' || t[at] == '\t')) at++;
    size_t end = t.find_first_of("\r\n", at);
    std::string v = t.substr(at, end == std::string::npos ? std::string::npos : end - at);
    while (trim && !v.empty() && (v.back() == ' ' || v.back() == '\t')) v.pop_back();
    if ((int)v.size() >= outSize) return -1;
    memcpy(out, v.c_str(), v.size() + 1);
    return 0;
}

class QmmsMemorySuiteTest : public QmmsManagerTest {
protected:
    void SetUp() override {
        QmmsManagerTest::SetUp();
        posted.clear();
        simplePosts.clear();
        stateFlag = 0;
        QmmsHooks hooks = *qmms_getHooks();
        hooks.postEvent = recordPost;
        hooks.postSimpleEvent = recordSimple;
        hooks.setStateCallback = recordFlag;
        hooks.getAttribute = readAttribute;
        qmms_setHooks(&hooks);
    }
};

TEST_F(QmmsMemorySuiteTest, RegisterRunAndCleanUp) {
    static const char jad[] =
        "MIDlet-Name: Demo\n"
        "MIDlet-1: My Game , /icons/g.png , com.example.Game\n"
        "MIDlet-2: Tool,,com.example.Tool\n";
    static const char jar[] = "PK-jar-bytes";
    ASSERT_EQ(qmms_registerMemorySuite(jad, (int)strlen(jad), jar, (int)sizeof jar, 1, 0x1234), 0);
    ASSERT_EQ(posted.size(), 1u);
    const QmmsRequest& r = posted[0];
    EXPECT_EQ(r.sender, 1u);
    EXPECT_EQ(r.kind, QMMS_REQUEST_LAUNCH);
    int suite, midlet, domain;
    qmms_decodeLaunch(&r, &suite, &midlet, &domain);
    EXPECT_EQ(suite, 999);
    EXPECT_EQ(midlet, 1);
    EXPECT_EQ(domain, 0);
    EXPECT_EQ(std::vector<uint8_t>(r.payload, r.payload + 13),
              (std::vector<uint8_t>{0, 0xE7, 3, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(stateFlag, 0x1234u);
    EXPECT_EQ(qmms_getLaunchedSuite(), 999);

    uint32_t size = 0;
    EXPECT_EQ(qmfs_rom_getFileDataPointer("rom://999.jar", &size), (const void*)jar);
    ASSERT_EQ(qmms_closeSuite(0), 0);
    ASSERT_EQ(qmms_openSuite(999), 0);
    QmmsSuiteData d;
    ASSERT_EQ(qmms_getSuiteData(&d), 0);
    EXPECT_STREQ(d.jarLocation, "rom://999.jar");
    EXPECT_EQ(d.jadSize, strlen(jad));
    EXPECT_EQ(d.jarSize, sizeof jar);
    EXPECT_EQ(d.midletCount, 2u);
    QmmsMidletInfo m;
    ASSERT_EQ(qmms_getMidletEntry(0, &m), 0);
    EXPECT_STREQ(m.name, "My Game");
    EXPECT_STREQ(m.icon, "/icons/g.png");
    EXPECT_STREQ(m.className, "com.example.Game");
    ASSERT_EQ(qmms_getMidletEntry(1, &m), 0);
    EXPECT_STREQ(m.icon, "");
    EXPECT_STREQ(m.className, "com.example.Tool");
    char buf[256] = {0};
    ASSERT_EQ(qmms_readSuiteFile(999, 1, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, jad);
    EXPECT_STREQ(qmms_getSuiteFileName(999, QMMS_FILE_JAR), "rom://999.jar");

    tree_.write(tree_.javaFile("999.rs1"), {1});
    ASSERT_EQ(qmms_handleCleanup(&r), 0);
    EXPECT_EQ(qmfs_rom_getFileDataPointer("rom://999.jar", &size), nullptr);
    for (const char* n : {"999.rs1", "999.raw", "999.jdx"}) EXPECT_FALSE(tree_.exists(tree_.javaFile(n))) << n;
}

TEST_F(QmmsMemorySuiteTest, MidletAttributesCountFromOne) {
    struct Case {
        const char* name;
        std::vector<int> numbers;
        int midlets;  // -1: refused
    } cases[] = {
        {"no MIDlet-1", {2, 3}, -1},
        {"1, 2 and 4", {1, 2, 4}, 2},
        {"1 to 12", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 10},
    };
    for (const Case& c : cases) {
        std::string jad;
        for (int n : c.numbers)
            jad += "MIDlet-" + std::to_string(n) + ": M" + std::to_string(n) + ",,C" + std::to_string(n) + "\n";
        posted.clear();
        qmms_closeSuite(0);
        tree_.write(tree_.javaFile("999.jdx"), {});
        ::remove(tree_.javaFile("999.jdx").c_str());
        int r = qmms_registerMemorySuite(jad.c_str(), (int)jad.size(), "J", 1, 0, 0);
        if (c.midlets < 0) {
            EXPECT_EQ(r, -1) << c.name;
            EXPECT_TRUE(posted.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(r, 0) << c.name;
        QmmsSuiteData d;
        ASSERT_EQ(qmms_getSuiteData(&d), 0) << c.name;
        EXPECT_EQ(d.midletCount, (uint32_t)c.midlets) << c.name;
        QmmsMidletInfo m;
        ASSERT_EQ(qmms_getMidletEntry(c.midlets - 1, &m), 0) << c.name;
        EXPECT_EQ(std::string(m.className), "C" + std::to_string(c.midlets)) << c.name;
    }
}

// Each element is kept up to its field's size: a class name longer than 63 characters
// (real suites have them) is read whole, beside a long name and icon too.
TEST_F(QmmsMemorySuiteTest, LongElementsAreReadWhole) {
    auto dotted = [](size_t length) {
        std::string s = "com.example";
        while (s.size() < length) s += ".x";
        return s.substr(0, length);
    };
    struct Case {
        const char* what;
        std::string name, icon, className;
    } cases[] = {
        {"a class of 63 characters", "Game", "", dotted(63)},
        {"a class of 64 characters", "Game", "", dotted(64)},
        {"a class of 70 characters", "Game", "/i.png", dotted(70)},
        {"a class as long as its field", "Game", "", dotted(255)},
        {"every element as long as its field", std::string(63, 'N'), "/" + std::string(62, 'i'), dotted(255)},
    };
    for (const Case& c : cases) {
        std::string jad = "MIDlet-1:  " + c.name + " ,  " + c.icon + " ,  " + c.className + "  \n";
        posted.clear();
        qmms_closeSuite(0);
        ASSERT_EQ(qmms_registerMemorySuite(jad.c_str(), (int)jad.size(), "J", 1, 1, 0), 0) << c.what;
        QmmsMidletInfo m;
        ASSERT_EQ(qmms_getMidletEntry(0, &m), 0) << c.what;
        EXPECT_EQ(std::string(m.name), c.name) << c.what;
        EXPECT_EQ(std::string(m.icon), c.icon) << c.what;
        EXPECT_EQ(std::string(m.className), c.className) << c.what;
    }
}

TEST_F(QmmsMemorySuiteTest, NotificationRequests) {
    qmms_postPauseRequest(10000);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].sender, 1u);
    EXPECT_EQ(posted[0].kind, QMMS_REQUEST_NOTIFY);
    EXPECT_EQ(std::vector<uint8_t>(posted[0].payload, posted[0].payload + 5),
              (std::vector<uint8_t>{0x10, 0x27, 0, 0, 0}));
    qmms_postNotify3();
    qmms_postNotify4();
    EXPECT_EQ(simplePosts, (std::vector<int>{3, 4}));
    qmms_postLaunchDefault(4, 2, 0);
    int suite, midlet, domain;
    qmms_decodeLaunch(&posted.back(), &suite, &midlet, &domain);
    EXPECT_EQ(suite, 4);
    EXPECT_EQ(midlet, 2);
    EXPECT_EQ(domain, -1);
}

}  // namespace

namespace {

// A copy of some bytes in the low window: a ROM node keeps its data's address in a word.
class LowCopy {
public:
    LowCopy() = default;
    ~LowCopy() { lowFree(data_); }
    LowCopy(const LowCopy&) = delete;
    LowCopy& operator=(const LowCopy&) = delete;
    const uint8_t* of(const std::vector<uint8_t>& bytes) {
        lowFree(data_);
        data_ = (uint8_t*)lowAlloc(bytes.size());
        if (data_ == nullptr) abort();
        memcpy(data_, bytes.data(), bytes.size());
        return data_;
    }

private:
    uint8_t* data_ = nullptr;
};

// A ROM with two preinstalled suites (ids 0 and 1, category 1) and their security files.
struct PreinstalledRom {
    std::vector<uint8_t> index = std::vector<uint8_t>(256 + 3840, 0);
    std::vector<uint8_t> mss0 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 7, 0, 0, 0};
    std::vector<uint8_t> mss1 = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0};
    LowCopy files[3];
    QmfsRomNode nodes[5];
    PreinstalledRom() {
        index[10] = 1;
        index[12] = 2;
        index[14] = 2;
        for (int id = 0; id < 2; id++) {
            QmmsSuiteInfo s = makeSuite(id == 0 ? "Built-in A" : "Built-in B", "Maker", 1);
            s.preinstalled = 1;
            uint8_t* slot = &index[256 + (size_t)id * 256];
            slot[0] = 1;
            memcpy(slot + 1, s.name, 64);
            memcpy(slot + 65, s.vendor, 64);
            memcpy(slot + 145, s.directory, 64);
            slot[210] = 1;
            slot[215] = 1;
        }
        nodes[0] = {"", nullptr, 0, -1, 1, -1, 1};
        nodes[1] = {"midlet", nullptr, 0, 0, 2, -1, 1};
        nodes[2] = {"_suites.idx", files[0].of(index), (uint32_t)index.size(), 1, -1, 3, 0};
        nodes[3] = {"0.mss", files[1].of(mss0), (uint32_t)mss0.size(), 1, -1, 4, 0};
        nodes[4] = {"1.mss", files[2].of(mss1), (uint32_t)mss1.size(), 1, -1, -1, 0};
    }
};

class QmmsPreinstalledTest : public ::testing::Test {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        qmfs_rom_setTree(rom_.nodes);
    }
    void TearDown() override {
        qmms_fini();
        qmfs_rom_setTree(nullptr);
        qmms_setHooks(nullptr);
    }
    PreinstalledRom rom_;
    DeviceTree tree_;
};

TEST_F(QmmsPreinstalledTest, FirstStartCopiesIndexAndSecurityFilesOnce) {
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(qmms_lastStatus(), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("suites.idx")), rom_.index);
    EXPECT_EQ(tree_.read(tree_.javaFile("0.mss")), rom_.mss0);
    EXPECT_EQ(tree_.read(tree_.javaFile("1.mss")), rom_.mss1);
    EXPECT_EQ(qmms_getSuiteCount(1), 2);
    EXPECT_STREQ(qmms_getSuiteFileName(1, QMMS_FILE_SUITE_DATA), "rom://midlet/1.jdx");
    ASSERT_EQ(qmms_loadSecurity(0), 0);
    uint32_t domain, count, states[1];
    qmms_getSecurityHeader(&domain, &count);
    qmms_getSecurityStates(states);
    EXPECT_EQ(domain, 1u);
    EXPECT_EQ(states[0], 7u);
    ASSERT_EQ(qmms_fini(), 0);
    tree_.write(tree_.javaFile("0.mss"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0});
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("0.mss")).size(), 12u) << "the second start copies nothing";
}

TEST_F(QmmsPreinstalledTest, MissingSecurityFileInRomIsReportedAndTheStartGoesOn) {
    rom_.nodes[3].nextSibling = -1;  // drop 1.mss from the tree
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
    EXPECT_TRUE(qmms_isStarted());
    EXPECT_TRUE(tree_.exists(tree_.javaFile("0.mss")));
    EXPECT_FALSE(tree_.exists(tree_.javaFile("1.mss")));
    EXPECT_EQ(qmms_getSuiteId("Built-in B", "Maker"), 1);
}

}  // namespace
