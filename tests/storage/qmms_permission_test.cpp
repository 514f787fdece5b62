// Protection domains: the generated domain files read back through the loader, damaged
// files refused with their reason, a suite's states loaded and stored, the declared
// permissions checked, and signers mapped to domains.
#include "storage/qmms_permission.h"

#include "platform/lowmem.h"
#include "storage/qmfs_rom.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"
#include "storage_fixture.h"

#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

std::string textOf(int id) {
    const char* t = nullptr;
    int n = 0;
    if (qmms_getPermissionText(id, &t, &n) != 0) return "<none>";
    return std::string(t, (size_t)n);
}

std::string nameOf(int permission) {
    int32_t e[7] = {0};
    return qmms_getPermissionEntry(permission, e, 1) == 0 ? textOf(e[0]) : "<none>";
}

class QmmsPermissionTest : public StorageTest {
protected:
    void TearDown() override {
        qmms_unloadPermissionDomain();
        StorageTest::TearDown();
    }
};

// Each shipped domain as the policy describes it, read through the loader.
TEST_F(QmmsPermissionTest, ShippedDomainsReadBackAsThePolicySaysThem) {
    const uint32_t all = QMMS_MODE_BLANKET | QMMS_MODE_SESSION | QMMS_MODE_ONESHOT | QMMS_MODE_NO;
    struct Case {
        int index;
        const char* name;
        int permissions, groups;
        const char* permission;  // one permission and its group's words
        uint32_t defaultState, allowed;
        const char* title;
        const char* message;
        int restrictions;  // pairs found by qmms_findRestrictionRecord below
    } cases[] = {
        {0, "untrusted", 27, 9, "javax.microedition.io.Connector.http", QMMS_MODE_ONESHOT,
         QMMS_MODE_SESSION | QMMS_MODE_ONESHOT | QMMS_MODE_NO, "Use Network?", "%1 is trying to use network.", 0},
        {1, "trusted_third_party", 27, 9, "javax.microedition.io.PushRegistry", QMMS_MODE_SESSION, all,
         "Use Auto Invocation?", "%1 is trying to register an auto invocation of Java application.", 2},
        {2, "operator", 27, 9, "javax.microedition.media.control.RecordControl", QMMS_STATE_ALLOWED | QMMS_MODE_BLANKET,
         0, "Use Recording?", "%1 is trying to record audio or image data.", 0},
        {3, "manufacturer", 27, 9, "com.movane.test.Protected", QMMS_STATE_ALLOWED | QMMS_MODE_BLANKET, 0,
         "Use Protected Test Function?", "%1 is trying to use the protected test function.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(qmms_loadPermissionDomain(c.index, 0), 0) << qmms_domainErrorName(qmms_lastDomainError());
        EXPECT_STREQ(qmms_getLoadedDomainName(), c.name);
        EXPECT_EQ(qmms_getLoadedDomain(), c.index);
        EXPECT_EQ(qmms_getPermissionCount(), c.permissions);
        EXPECT_EQ(qmms_getGroupCount(), c.groups);
        // every permission is found by its own name, and has a valid group
        std::vector<uint32_t> defaults((size_t)c.permissions);
        ASSERT_EQ(qmms_getDefaultPermissionStates(defaults.data()), 0);
        int members = 0;
        for (int g = 0; g < c.groups; g++) {
            int32_t info[6] = {0};
            ASSERT_EQ(qmms_getPermissionGroupInfo(g, info, 32), 0);
            members += info[0];
        }
        EXPECT_EQ(members, c.permissions) << "each permission belongs to one group";
        for (int i = 0; i < c.permissions; i++) {
            std::string n = nameOf(i);
            EXPECT_EQ(qmms_findPermission(n.data(), n.size()), i) << n;
            EXPECT_NE(defaults[(size_t)i], (uint32_t)QMMS_STATE_NO_GROUP) << n;
        }
        int p = qmms_findPermission(c.permission, strlen(c.permission));
        ASSERT_GE(p, 0);
        int32_t e[7] = {0};
        ASSERT_EQ(qmms_getPermissionEntry(p, e, 1 | 2 | 4 | 8 | 16), 0);
        EXPECT_EQ((uint32_t)e[2], c.defaultState);
        EXPECT_EQ((uint32_t)e[3], c.allowed);
        EXPECT_EQ(textOf(e[4]), c.title);
        EXPECT_EQ(textOf(e[5]), c.message);
        // each mode the group allows is a mode record giving the group that mode
        for (uint32_t mode = 1; mode <= QMMS_MODE_NO; mode <<= 1) {
            int32_t q[4] = {e[1], (int32_t)mode, -1, -1};
            bool found = qmms_findModeRecord(q) == 0;
            EXPECT_EQ(found, (c.allowed & mode) != 0) << "mode " << mode;
            if (found) {
                EXPECT_EQ(q[2], e[1]);
                EXPECT_EQ((uint32_t)q[3], mode);
            }
        }
        // the auto invocation / network pair and the recording / network pair
        int net = qmms_findPermission("javax.microedition.io.Connector.http", 36);
        int push = qmms_findPermission("javax.microedition.io.PushRegistry", 34);
        int rec = qmms_findPermission("javax.microedition.media.control.RecordControl", 46);
        const int ids[3] = {net, push, rec};
        int32_t g[3] = {0};
        for (int k = 0; k < 3; k++) {
            int32_t tmp[7] = {0};
            ASSERT_EQ(qmms_getPermissionEntry(ids[k], tmp, 2), 0);
            g[k] = tmp[1];
        }
        int32_t choose[10] = {g[1], QMMS_MODE_BLANKET, g[0], QMMS_MODE_BLANKET};
        int32_t refuse[10] = {g[2], QMMS_MODE_BLANKET, g[0], QMMS_MODE_BLANKET};
        int found = (qmms_findRestrictionRecord(choose) == 0) + (qmms_findRestrictionRecord(refuse) == 0);
        EXPECT_EQ(found, c.restrictions);
        if (c.restrictions == 2) {
            EXPECT_EQ(choose[4], QMMS_VERDICT_CHOOSE);
            EXPECT_EQ(choose[5], QMMS_MODE_SESSION);
            EXPECT_EQ(textOf(choose[6]), "Warning!");
            EXPECT_EQ(textOf(choose[7]), "One of the following needs to be set to Session.");
            EXPECT_EQ(textOf(choose[8]), "Use Network");
            EXPECT_EQ(textOf(choose[9]), "Auto Invocation");
            EXPECT_EQ(refuse[4], QMMS_VERDICT_REFUSE);
            EXPECT_EQ(textOf(refuse[7]), "Recorded data may be sent over the network without notice.");
        }
    }
    EXPECT_EQ(qmms_loadPermissionDomain(4, 0), -1) << "a domain index equal to the number of domains";
    EXPECT_EQ(qmms_lastDomainError(), QMMS_DOMAIN_BAD_INDEX);
    EXPECT_EQ(qmms_getPermissionCount(), -1) << "a failed load leaves nothing loaded";
    int32_t out[7];
    EXPECT_EQ(qmms_getPermissionEntry(0, out, 1), -1);
}

// ---------------------------------------------------------------------------------
// Damaged files

// A copy of some bytes in the low window: a ROM node keeps its data's address in a word.
struct LowBytes {
    uint8_t* data = nullptr;
    ~LowBytes() { lowFree(data); }
    const uint8_t* of(const std::vector<uint8_t>& bytes) {
        lowFree(data);
        data = (uint8_t*)lowAlloc(bytes.size() + 1);
        if (data == nullptr) abort();
        if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
        return data;
    }
};

void put32(std::vector<uint8_t>& v, uint32_t w) {
    for (int i = 0; i < 4; i++) v.push_back((uint8_t)(w >> (8 * i)));
}

std::vector<uint8_t> textsOf(const std::vector<std::string>& texts) {
    std::vector<uint8_t> out, body;
    put32(out, (uint32_t)texts.size());
    for (const std::string& t : texts) {
        put32(out, (uint32_t)(texts.size() * 4 + body.size()));
        put32(body, (uint32_t)t.size());
        body.insert(body.end(), t.begin(), t.end());
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// One domain "d": one permission (text 0) in one group, no mode or restriction records.
std::vector<uint8_t> goodDomain() {
    std::vector<uint8_t> adi = {1, 1, 0, 0};
    put32(adi, 0);
    adi.push_back(0);
    for (uint32_t w : {0u, 4u, 12u, 0u, 0u, 0u}) put32(adi, w);
    return adi;
}

std::vector<uint8_t> listOf(int count, const char* name) {
    std::vector<uint8_t> list(1 + 256 * (size_t)(count > 0 ? count : 0), 0);
    list[0] = (uint8_t)count;
    if (count > 0) memcpy(&list[1], name, strlen(name));
    return list;
}

struct RomFiles {
    std::vector<uint8_t> list = listOf(1, "d");
    std::vector<uint8_t> adi = goodDomain();
    std::vector<uint8_t> texts = textsOf({"x.y.Z"});
    std::vector<uint8_t> signers = std::vector<uint8_t>(11, 0);
    bool withAdi = true, withTexts = true, withSigners = true;
};

class QmmsDamagedDomainTest : public ::testing::Test {
protected:
    void use(const RomFiles& f) {
        qmfs_finalize();
        GfsRomNode* n = nodes_;
        int k = 0;
        n[k++] = {"", nullptr, 0, -1, 1, -1, 1};           // 0
        n[k++] = {"midlet", nullptr, 0, 0, 2, -1, 1};      // 1
        n[k++] = {"permission", nullptr, 0, 1, 3, -1, 1};  // 2
        n[k++] = {"resource", nullptr, 0, 2, 7, 4, 1};     // 3
        n[k++] = {"domains.idx", data_[0].of(f.list), (uint32_t)f.list.size(), 2, -1, 5, 0};
        n[k++] = {f.withAdi ? "d.adi" : "e.adi", data_[1].of(f.adi), (uint32_t)f.adi.size(), 2, -1, 6, 0};
        n[k++] = {
            f.withSigners ? "_dn.idx" : "_dn.old", data_[2].of(f.signers), (uint32_t)f.signers.size(), 2, -1, -1, 0};
        n[k++] = {
            f.withTexts ? "en_US.dat" : "en_GB.dat", data_[3].of(f.texts), (uint32_t)f.texts.size(), 3, -1, -1, 0};
        qmfs_rom_setTree(nodes_);
        ASSERT_EQ(qmfs_initialize(), 0);
    }
    void SetUp() override { ASSERT_EQ(qmfs_initialize(), 0); }
    void TearDown() override {
        qmms_unloadPermissionDomain();
        qmfs_finalize();
        qmfs_rom_setTree(nullptr);
    }
    GfsRomNode nodes_[8];
    LowBytes data_[4];
    DeviceTree tree_;
};

TEST_F(QmmsDamagedDomainTest, DamagedFilesAreRefusedWithTheirReason) {
    struct Case {
        const char* name;
        void (*damage)(RomFiles&);
        int error;
    } cases[] = {
        {"sound files", [](RomFiles&) {}, QMMS_DOMAIN_OK},
        {"domain list shorter than its count", [](RomFiles& f) { f.list.resize(200); }, QMMS_DOMAIN_LIST_SHORT},
        {"domain list count above 127", [](RomFiles& f) { f.list[0] = 0x80; }, QMMS_DOMAIN_BAD_COUNT},
        {"domain list empty", [](RomFiles& f) { f.list.clear(); }, QMMS_DOMAIN_LIST_SHORT},
        {"domain file missing", [](RomFiles& f) { f.withAdi = false; }, QMMS_DOMAIN_NO_FILE},
        {"domain file cut in its group record", [](RomFiles& f) { f.adi.resize(f.adi.size() - 1); },
         QMMS_DOMAIN_FILE_SHORT},
        {"domain file shorter than its header", [](RomFiles& f) { f.adi.resize(3); }, QMMS_DOMAIN_FILE_SHORT},
        {"a restriction counted but absent", [](RomFiles& f) { f.adi[3] = 1; }, QMMS_DOMAIN_FILE_SHORT},
        {"a count read as negative", [](RomFiles& f) { f.adi[2] = 0xFF; }, QMMS_DOMAIN_BAD_COUNT},
        {"31 permissions", [](RomFiles& f) { f.adi[0] = 31; }, QMMS_DOMAIN_TOO_MANY},
        {"a name text that is not there", [](RomFiles& f) { f.adi[4] = 1; }, QMMS_DOMAIN_BAD_NAME_TEXT},
        {"texts missing", [](RomFiles& f) { f.withTexts = false; }, QMMS_DOMAIN_NO_TEXTS},
        {"text count beyond the file", [](RomFiles& f) { f.texts[0] = 9; }, QMMS_DOMAIN_TEXTS_DAMAGED},
        {"text length beyond the file", [](RomFiles& f) { f.texts[8] = 200; }, QMMS_DOMAIN_TEXTS_DAMAGED},
        {"text offset beyond the file", [](RomFiles& f) { f.texts[4] = 0xF0; }, QMMS_DOMAIN_TEXTS_DAMAGED},
        {"text offset near 2^32", [](RomFiles& f) { f.texts[7] = 0xFF; }, QMMS_DOMAIN_TEXTS_DAMAGED},
        {"signer table missing", [](RomFiles& f) { f.withSigners = false; }, QMMS_DOMAIN_NO_SIGNERS},
        {"signer table shorter than its count", [](RomFiles& f) { f.signers[10] = 1; }, QMMS_DOMAIN_SIGNERS_SHORT},
    };
    for (const Case& c : cases) {
        RomFiles f;
        c.damage(f);
        use(f);
        int r = qmms_loadPermissionDomain(0, 0);
        EXPECT_EQ(qmms_lastDomainError(), c.error) << c.name << ": " << qmms_domainErrorName(qmms_lastDomainError());
        EXPECT_EQ(r, c.error == QMMS_DOMAIN_OK ? 0 : -1) << c.name;
        EXPECT_EQ(qmms_getPermissionCount(), c.error == QMMS_DOMAIN_OK ? 1 : -1) << c.name;
    }
    // a group byte of 128 or more, or beyond the groups: the default state 1024
    RomFiles f;
    f.adi[8] = 0x80;
    use(f);
    ASSERT_EQ(qmms_loadPermissionDomain(0, 0), 0);
    uint32_t state = 0;
    ASSERT_EQ(qmms_getDefaultPermissionStates(&state), 0);
    EXPECT_EQ(state, (uint32_t)QMMS_STATE_NO_GROUP);
    int32_t e[7] = {0};
    ASSERT_EQ(qmms_getPermissionEntry(0, e, 2 | 4 | 8 | 16), 0);
    EXPECT_EQ(e[1], -128);
    EXPECT_EQ(e[2], QMMS_STATE_NO_GROUP);
    int32_t info[6];
    ASSERT_EQ(qmms_getPermissionGroupInfo(0, info, 32), 0);
    EXPECT_EQ(info[0], 0) << "a group without permissions";
    EXPECT_STREQ(qmms_domainErrorName(QMMS_DOMAIN_ERROR_COUNT), "unknown error");
}

// ---------------------------------------------------------------------------------
// A suite's states

int32_t plentyOfSpace() { return 0x7FFFFFFF; }

class QmmsSuitePermissionTest : public QmmsPermissionTest {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        ASSERT_EQ(qmms_init(0), 0);
    }
    void TearDown() override {
        qmms_unloadPermissionDomain();
        qmms_fini();
        qmms_setHooks(nullptr);
    }
    // A suite in the index, so that its files have names; its id.
    int addSuite() {
        QmmsSuiteInfo info;
        memset(&info, 0, sizeof info);
        snprintf(info.name, sizeof info.name, "Suite");
        snprintf(info.vendor, sizeof info.vendor, "Movane");
        snprintf(info.version, sizeof info.version, "1.0.0");
        snprintf(info.directory, sizeof info.directory, "gfs://java/");
        int id = -1;
        EXPECT_EQ(qmms_addSuite(&info, &id), 0);
        return id;
    }
    void writeSecurity(int id, uint8_t domain, const std::vector<uint32_t>& states) {
        std::vector<uint8_t> bytes(12, 0);
        bytes[10] = domain;
        bytes[11] = (uint8_t)states.size();
        for (uint32_t s : states) put32(bytes, s);
        tree_.write(tree_.javaFile(std::to_string(id) + ".mss"), bytes);
    }
};

TEST_F(QmmsSuitePermissionTest, StatesComeFromTheSecurityFileAndGoBack) {
    int id = addSuite();
    ASSERT_GE(id, 0);
    writeSecurity(id, 1, {0x11, 0x12});
    ASSERT_EQ(qmms_loadPermissionDomain(id, 1), 0);
    EXPECT_EQ(qmms_getLoadedDomain(), 1) << "the domain named by the security file";
    int n = qmms_getPermissionCount();
    std::vector<uint32_t> states((size_t)n), defaults((size_t)n);
    ASSERT_EQ(qmms_loadSuitePermissions(states.data()), 0);
    ASSERT_EQ(qmms_getDefaultPermissionStates(defaults.data()), 0);
    EXPECT_EQ(states[0], 0x11u);
    EXPECT_EQ(states[1], 0x12u);
    EXPECT_EQ(states[2], defaults[2]) << "states the file does not hold are the defaults";
    states[2] = 0x18;
    ASSERT_EQ(qmms_commitPermissionStates(states.data()), 0);
    std::vector<uint8_t> file = tree_.read(tree_.javaFile(std::to_string(id) + ".mss"));
    ASSERT_EQ(file.size(), (size_t)(12 + 4 * n));
    EXPECT_EQ(file[10], 1);
    EXPECT_EQ(file[11], n);
    EXPECT_EQ(file[12 + 8], 0x18);

    // a store that fails keeps the file, and the image the next load reads, as they were
    std::string name = tree_.javaFile(std::to_string(id) + ".mss");
    std::vector<uint8_t> before = tree_.read(name);
    ASSERT_EQ(remove(name.c_str()), 0);
    ASSERT_EQ(mkdir(name.c_str(), 0755), 0);
    states[3] = 0x14;
    EXPECT_EQ(qmms_commitPermissionStates(states.data()), -1);
    rmdir(name.c_str());
    tree_.write(name, before);
    qmms_forgetSuiteCaches(id);
    std::vector<uint32_t> again((size_t)n);
    ASSERT_EQ(qmms_loadSuitePermissions(again.data()), 0);
    EXPECT_EQ(again[2], 0x18u);
    EXPECT_EQ(again[3], defaults[3]);

    // loaded by index: the defaults, and nothing is stored
    ASSERT_EQ(qmms_loadPermissionDomain(0, 0), 0);
    ASSERT_EQ(qmms_loadSuitePermissions(again.data()), 0);
    EXPECT_EQ(qmms_commitPermissionStates(again.data()), 0);
    EXPECT_EQ(tree_.read(name), before);
    EXPECT_EQ(qmms_unloadPermissionDomain(), 0);
    EXPECT_EQ(qmms_loadSuitePermissions(again.data()), -1);
    EXPECT_EQ(qmms_commitPermissionStates(again.data()), -1);
}

TEST_F(QmmsSuitePermissionTest, DeclaredPermissionsMustBeOnesTheDomainGrants) {
    struct Case {
        const char* names;
        int domain;
        int result;
        const char* refused;
    } cases[] = {
        {"javax.microedition.io.Connector.http", 0, 0, ""},
        {" javax.microedition.io.Connector.http , com.movane.test.Protected,", 0, 0, ""},
        {"", 0, 0, ""},
        {"javax.microedition.io.Connector.http, com.example.Unknown", 0, -1, "com.example.Unknown"},
        {"javax.microedition.io.Connector.htt", 0, -1, "javax.microedition.io.Connector.htt"},
        {"javax.microedition.io.Connector.https2", 1, -1, "javax.microedition.io.Connector.https2"},
        {"javax.microedition.io.PushRegistry", 3, 0, ""},
        {"javax.microedition.io.PushRegistry", 9, -1, ""},
    };
    for (const Case& c : cases) {
        char refused[64] = "?";
        qmms_setStatus(0);
        EXPECT_EQ(qmms_checkDeclaredPermissions(c.names, c.domain, refused, (int)sizeof refused), c.result) << c.names;
        EXPECT_STREQ(refused, c.refused) << c.names;
        if (c.result != 0) {
            EXPECT_EQ(qmms_lastStatus(), c.domain == 9 ? (int)QMMS_STATUS_FILE_ERROR : (int)QMMS_STATUS_AUTHORIZATION)
                << c.names;
        }
        EXPECT_EQ(qmms_getPermissionCount(), -1) << "no domain is left loaded";
    }
    std::string tooLong(5000, 'a');
    EXPECT_EQ(qmms_checkDeclaredPermissions(tooLong.c_str(), 0, nullptr, 0), -1) << "a list that would be cut";
}

// ---------------------------------------------------------------------------------
// Signers

const char* Dn;
int Verdict;
int verify(const void*, int, const void*, int, char* dn, int size) {
    snprintf(dn, (size_t)size, "%s", Dn);
    return Verdict;
}

TEST_F(QmmsSuitePermissionTest, SignersMapToTheirDomains) {
    QmmsHooks hooks = *qmms_getHooks();
    hooks.verifyJarSignature = verify;
    qmms_setHooks(&hooks);
    struct Case {
        const char* name;
        int verdict;
        const char* dn;
        int result, domain, status;
    } cases[] = {
        {"unsigned", 0, "", 0, 0, 0},
        {"the manufacturer", 1, "CN=Movane Manufacturer CA, O=Movane, C=JP", 0, 3, 0},
        {"a trailing space in O=", 1, "C=JP;O=Movane  ,CN=Movane Operator CA", 0, 2, 0},
        {"spaces after '='", 1, "CN= Movane Identified Third Party CA, O= Movane, C= JP", 0, 1, 0},
        {"a field the record lacks", 1, "CN=Movane Operator CA, O=Movane, ST=Tokyo, C=JP", -1, -1, 909},
        {"an unknown signer", 1, "CN=Somebody, O=Else, C=JP", -1, -1, 909},
        {"a signature that fails", -1, "", -1, -1, 909},
        {"a signature that cannot be checked", -2, "", -1, -1, 256},
    };
    for (const Case& c : cases) {
        Dn = c.dn;
        Verdict = c.verdict;
        int domain = -1, status = 0;
        EXPECT_EQ(qmms_getSignerDomain("", 0, "", 0, &domain, &status), c.result) << c.name;
        EXPECT_EQ(domain, c.domain) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
    }
    EXPECT_EQ(qmms_isTrustedDomain(0), 0);
    EXPECT_EQ(qmms_isTrustedDomain(2), 1);
}

}  // namespace
