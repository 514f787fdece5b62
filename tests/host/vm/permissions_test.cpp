// The permission store of a run over the shipped domains: state changes by the domain's
// modes and pair restrictions, the prompt texts, and a store that fails.
#include "host/vm/permissions.h"

#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "storage/device_tree.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_permission.h"
#include "storage/qmms_suitefiles.h"

namespace {

int32_t plentyOfSpace() { return 0x7FFFFFFF; }

std::u16string text(int32_t length, const uint16_t* buffer) {
    return length < 0 ? u"<error>" : std::u16string((const char16_t*)buffer, (size_t)length);
}

class PermissionStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        ASSERT_EQ(qmms_init(0), 0);
    }
    void TearDown() override {
        MkMidp20PermissionFreeStates();
        qmms_unloadPermissionDomain();
        qmms_fini();
        qmms_setHooks(nullptr);
    }
    void load(int domain) {
        ASSERT_EQ(qmms_loadPermissionDomain(domain, 0), 0);
        ASSERT_EQ(MkMidp20PermissionLoadStates(), 0);
    }
    static int32_t index(const char* name) { return qmms_findPermission(name, strlen(name)); }
    static int32_t mode(const char* name) { return MkMidp20PermissionGetState(index(name)) & QMMS_MODE_MASK; }
    DeviceTree tree_;
};

const char Http[] = "javax.microedition.io.Connector.http";
const char Https[] = "javax.microedition.io.Connector.https";
const char Push[] = "javax.microedition.io.PushRegistry";
const char Record[] = "javax.microedition.media.control.RecordControl";

// Steps on the identified third-party domain, each after the ones before it.
TEST_F(PermissionStoreTest, StatesChangeByTheDomainsModesAndRestrictions) {
    load(1);
    enum { B = QMMS_MODE_BLANKET, S = QMMS_MODE_SESSION, O = QMMS_MODE_ONESHOT, N = QMMS_MODE_NO };
    struct Step {
        const char* name;
        const char* permission;
        int32_t value;
        int32_t choice;  // -2: no exclusive choice follows
        int32_t result;
        // modes afterwards
        int32_t http, push, record;
    } steps[] = {
        {"the defaults", nullptr, 0, -2, 0, S, S, S},
        {"network blanket", Http, B, -2, 0, B, S, S},
        {"auto invocation blanket beside network blanket: a choice", Push, B, -2, 1, B, B, S},
        {"the choice for the other group: auto invocation by session", nullptr, 0, 0, 0, B, S, S},
        {"again, and the choice for the new setting: network by session", Push, B, 1, 0, S, B, S},
        {"network blanket again: a choice, kept for the network", Http, B, 1, 0, B, S, S},
        {"recording blanket beside network blanket: refused", Record, B, -2, 2, B, S, S},
        {"recording by session", Record, S, -2, 0, B, S, S},
        {"network oneshot", Http, O, -2, 0, O, S, S},
        {"network no", Http, N, -2, 0, N, S, S},
        {"a mode that is no mode", Http, 0, -2, 2, N, S, S},
        {"the allowed bit is not a user's to set", Http, QMMS_STATE_ALLOWED, -2, 2, N, S, S},
    };
    for (const Step& s : steps) {
        // a change followed by a choice asked for it (1)
        if (s.permission != nullptr) {
            EXPECT_EQ(MkMidp20PermissionSetState(index(s.permission), s.value | QMMS_STATE_USER_SET),
                      s.choice != -2 ? 1 : s.result)
                << s.name;
        }
        if (s.choice != -2) {
            EXPECT_EQ(MkMidp20PermissionSetExclusiveChoice(s.choice), s.result) << s.name;
        }
        EXPECT_EQ(mode(Http), s.http) << s.name;
        EXPECT_EQ(mode(Https), s.http) << s.name << ": every member of the group";
        EXPECT_EQ(mode(Push), s.push) << s.name;
        EXPECT_EQ(mode(Record), s.record) << s.name;
    }
    EXPECT_NE(MkMidp20PermissionGetState(index(Http)) & QMMS_STATE_USER_SET, 0) << "a user's setting";
    EXPECT_EQ(MkMidp20PermissionGetState(MkMidp20PermissionGetNumPermissions()), -1);
    EXPECT_EQ(MkMidp20PermissionGetState(-1), -1);
    EXPECT_EQ(MkMidp20PermissionSetState(99, QMMS_MODE_NO), -1);
    EXPECT_EQ(MkMidp20PermissionSetExclusiveChoice(2), -1);
    EXPECT_EQ(MkMidp20PermissionGetInteractionModes(index(Http)), B | S | O | N);
    EXPECT_EQ(MkMidp20PermissionEndModifyStates(), 0) << "loaded by index: nothing to store";
}

TEST_F(PermissionStoreTest, UnsignedSuitesCannotGrantForGood) {
    load(0);
    EXPECT_EQ(MkMidp20PermissionGetNumPermissions(), 27);
    EXPECT_EQ(mode(Http), QMMS_MODE_ONESHOT);
    EXPECT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_BLANKET), 2);
    EXPECT_EQ(mode(Http), QMMS_MODE_ONESHOT);
    EXPECT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_SESSION), 0);
    EXPECT_EQ(mode(Http), QMMS_MODE_SESSION);
    load(3);
    EXPECT_EQ(MkMidp20PermissionGetState(index(Http)), QMMS_STATE_ALLOWED | QMMS_MODE_BLANKET);
    EXPECT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_NO), 2) << "an allowed group offers no modes";
}

TEST_F(PermissionStoreTest, PromptTexts) {
    load(1);
    uint16_t a[256], b[256];
    const uint16_t args[] = {'x', 0, 'S', 'u', 'i', 't', 'e', 0, 'u', 'r', 'l'};
    EXPECT_EQ(text(MkMidp20PermissionGetMessage(index(Http), args, 11, a), a), u"Suite is trying to use network.");
    EXPECT_EQ(text(MkMidp20PermissionGetMessage(index(Http), args, 1, a), a), u"%1 is trying to use network.")
        << "a placeholder without its piece stays";
    EXPECT_EQ(text(MkMidp20PermissionGetTitle(index(Push), a), a), u"Use Auto Invocation?");
    EXPECT_EQ(text(MkMidp20PermissionGetPermissionName(index(Record), a), a),
              u"javax.microedition.media.control.RecordControl");
    EXPECT_EQ(MkMidp20PermissionGetTitle(99, a), -1);
    EXPECT_EQ(MkMidp20PermissionGetAlertTitle(a), 0) << "no conflict yet: no text";
    ASSERT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_BLANKET), 0);
    ASSERT_EQ(MkMidp20PermissionSetState(index(Push), QMMS_MODE_BLANKET), 1);
    EXPECT_EQ(text(MkMidp20PermissionGetAlertTitle(a), a), u"Warning!");
    EXPECT_EQ(text(MkMidp20PermissionGetAlertMessage(a), a), u"One of the following needs to be set to Session.");
    int32_t la = 0, lb = 0;
    EXPECT_EQ(MkMidp20PermissionGetExclusiveChoices(a, &la, b, &lb), 1);
    EXPECT_EQ(text(la, a), u"Use Network");
    EXPECT_EQ(text(lb, b), u"Auto Invocation");
    ASSERT_EQ(MkMidp20PermissionSetState(index(Record), QMMS_MODE_BLANKET), 2);
    EXPECT_EQ(text(MkMidp20PermissionGetAlertMessage(a), a),
              u"Recorded data may be sent over the network without notice.");
}

// A store that fails leaves the states the file holds, in the file and in the run.
TEST_F(PermissionStoreTest, AFailedStoreKeepsTheStoredStates) {
    QmmsSuiteInfo info;
    memset(&info, 0, sizeof info);
    snprintf(info.name, sizeof info.name, "Suite");
    snprintf(info.vendor, sizeof info.vendor, "Movane");
    snprintf(info.version, sizeof info.version, "1.0.0");
    snprintf(info.directory, sizeof info.directory, "gfs://java/");
    int id = -1;
    ASSERT_EQ(qmms_addSuite(&info, &id), 0);
    std::vector<uint8_t> mss(12, 0);
    mss[10] = 1;
    tree_.write(tree_.javaFile(std::to_string(id) + ".mss"), mss);
    ASSERT_EQ(qmms_loadPermissionDomain(id, 1), 0);
    ASSERT_EQ(MkMidp20PermissionLoadStates(), 0);
    ASSERT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_BLANKET), 0);
    ASSERT_EQ(MkMidp20PermissionEndModifyStates(), 0);
    int32_t stored = MkMidp20PermissionGetState(index(Http));
    std::string name = tree_.javaFile(std::to_string(id) + ".mss");
    std::vector<uint8_t> before = tree_.read(name);
    ASSERT_EQ(before.size(), (size_t)(12 + 4 * 27));

    ASSERT_EQ(MkMidp20PermissionSetState(index(Http), QMMS_MODE_NO), 0);
    ASSERT_EQ(unlink(name.c_str()), 0);
    ASSERT_EQ(mkdir(name.c_str(), 0755), 0);  // the file cannot be replaced
    EXPECT_EQ(MkMidp20PermissionEndModifyStates(), -1);
    EXPECT_EQ(MkMidp20PermissionGetState(index(Http)), stored) << "the run goes on with the stored state";
    rmdir(name.c_str());
}

}  // namespace
