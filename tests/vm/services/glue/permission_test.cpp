// The protection domain of a run: loaded before the MIDlet starts (the suite's own, or
// the one the launch names), released when the run ends however it ends; and a start
// from files whose descriptor asks for a permission its domain cannot grant.
#include <atomic>

#include "glue_fixture.h"
#include "host/vm/permissions.h"
#include "natives/lib/permission_natives.h"
#include "storage/qmms_permission.h"

using namespace gluetest;

namespace {

std::atomic<int> DomainDuringRun{-2};
std::atomic<int> CountDuringRun{-2};

void noteDomain(int32_t, int32_t) {
    DomainDuringRun = qmms_getLoadedDomain();
    CountDuringRun = qmms_getPermissionCount();
}

using GlueDomain = GlueTest;

TEST_F(GlueDomain, TheDomainHoldsForTheRunAlone) {
    struct Case {
        const char* name;
        const char* midlet;
        int mssDomain;  // -1: no security file
        int domainDuringRun;
        const char* output;
    } cases[] = {
        {"a run that ends normally, without a security file", "suites.Hello", -1, 0,
         "Hello constructed\nHello startApp\nHello thread\n"},
        {"an uncaught exception in startApp", "suites.Crasher", -1, 0, "Crasher startApp\nCrasher destroyApp true\n"},
        {"the domain the security file names", "suites.Hello", 1, 1,
         "Hello constructed\nHello startApp\nHello thread\n"},
        {"an uncaught exception in a trusted domain", "suites.Crasher", 3, 3,
         "Crasher startApp\nCrasher destroyApp true\n"},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        MweShell shell = *mwe_getShell();
        shell.beforeRun = noteDomain;
        mwe_setShell(&shell);
        DomainDuringRun = -2;
        CountDuringRun = -2;
        std::string line = std::string("MIDlet-1: M,,") + c.midlet + "\n";
        std::vector<uint8_t> jar = midlettest::suiteJar(manifestOf(line));
        std::string jad =
            Header + line + "MIDlet-Jar-URL: s.jar\nMIDlet-Jar-Size: " + std::to_string(jar.size()) + "\n";
        int id = install("M", c.midlet, jad, jar);
        if (c.mssDomain >= 0) {
            std::vector<uint8_t> mss(12, 0);
            mss[10] = (uint8_t)c.mssDomain;
            tree_.write(tree_.javaFile(std::to_string(id) + ".mss"), mss);
        }
        midlettest::StdoutCapture capture;
        ASSERT_EQ(0, mwe_requestStartBySuite(id, 0)) << c.name;
        EXPECT_TRUE(window_.waitFor(VM_NOTIFY_STOP_MIDLET)) << c.name;
        EXPECT_EQ(2, mwe_onRunEnded()) << c.name;
        EXPECT_EQ(c.output, capture.finish()) << c.name;
        EXPECT_EQ(DomainDuringRun.load(), c.domainDuringRun) << c.name;
        EXPECT_EQ(CountDuringRun.load(), 27) << c.name;
        EXPECT_EQ(qmms_getLoadedDomain(), -1) << c.name << ": released after the run";
        EXPECT_EQ(qmms_getPermissionCount(), -1) << c.name;
    }
}

TEST_F(GlueDomain, AStartFromFilesNeedsPermissionsItsDomainGrants) {
    const std::string hello = "MIDlet-1: Hello,,suites.Hello\n";
    const std::vector<uint8_t> jar = midlettest::suiteJar(manifestOf(hello));
    struct Case {
        const char* name;
        const char* permissions;
        int32_t result;
        const char* traced;
    } cases[] = {
        {"a permission of the unsigned suites' domain",
         "javax.microedition.io.Connector.http, com.movane.test.Protected", 0, ""},
        {"an unknown permission", "javax.microedition.io.Connector.http, com.example.Unknown", -1,
         "is refused (910): \"MIDlet-Permissions\" names com.example.Unknown, which the suite's protection domain "
         "does not grant"},
    };
    for (const Case& c : cases) {
        TearDown();
        trace_.clear();
        SetUp();
        std::string jad = Header + hello + "MIDlet-Permissions: " + c.permissions + "\nMIDlet-Jar-URL: h.jar\n";
        std::string jadPath = tree_.root() + "/h.jad", jarPath = tree_.root() + "/h.jar";
        tree_.write(jadPath, std::vector<uint8_t>(jad.begin(), jad.end()));
        tree_.write(jarPath, jar);
        midlettest::StdoutCapture capture;
        int32_t result = mwe_requestStartFromFiles(jadPath.c_str(), jarPath.c_str(), 0);
        EXPECT_EQ(c.result, result) << c.name;
        if (result == 0) {
            EXPECT_TRUE(window_.waitFor(VM_NOTIFY_STOP_MIDLET)) << c.name;
            EXPECT_EQ(2, mwe_onRunEnded()) << c.name;
        }
        capture.finish();
        EXPECT_NE(std::string::npos, trace().find(c.traced)) << c.name << ": " << trace();
        EXPECT_FALSE(mwe_isRunInProgress()) << c.name;
        EXPECT_EQ(qmms_getPermissionCount(), -1) << c.name;
    }
}

}  // namespace

namespace {

void loadStates(int32_t, int32_t) { MkMidp20PermissionLoadStates(); }
void freeStates(void) { MkMidp20PermissionFreeStates(); }

// The Java side over the store: MIDlet.checkPermission answers from the states, a use
// that needs the user's answer goes to the prompt (no dialog yet: not granted), and a
// MIDlet cannot change a state itself.
TEST_F(GlueDomain, JavaSeesTheStatesOfItsDomain) {
    installPermissionPorting();
    struct Case {
        const char* name;
        int mssDomain;
        const char* declared;  // "MIDlet-Permissions", null: none
        const char* output;
    } cases[] = {
        {"unsigned: asked at each use", -1, nullptr,
         "com.movane.test.Protected -1\njavax.microedition.io.Connector.http -1\n"
         "javax.microedition.io.Connector.sms -1\ncom.example.Unknown 0\n"
         "SecurityException com.movane.test.Protected\nsetState refused\nnull refused\n"},
        {"manufacturer: granted without asking, what the descriptor names", 3,
         "com.movane.test.Protected, javax.microedition.io.Connector.http",
         "com.movane.test.Protected 1\njavax.microedition.io.Connector.http 1\n"
         "javax.microedition.io.Connector.sms 0\ncom.example.Unknown 0\ngranted\nsetState refused\nnull refused\n"},
        {"identified third party: session mode until the user answers", 1, "com.movane.test.Protected",
         "com.movane.test.Protected -1\njavax.microedition.io.Connector.http 0\n"
         "javax.microedition.io.Connector.sms 0\ncom.example.Unknown 0\n"
         "SecurityException com.movane.test.Protected\nsetState refused\nnull refused\n"},
    };
    for (const Case& c : cases) {
        TearDown();
        trace_.clear();
        SetUp();
        MweShell shell = *mwe_getShell();
        shell.beforeRun = loadStates;
        shell.afterRun = freeStates;
        mwe_setShell(&shell);
        std::string line = "MIDlet-1: G,,suites.Guarded\n";
        std::string declared = c.declared != nullptr ? std::string("MIDlet-Permissions: ") + c.declared + "\n" : "";
        std::vector<uint8_t> jar = midlettest::suiteJar(manifestOf(line));
        std::string jad =
            Header + line + declared + "MIDlet-Jar-URL: s.jar\nMIDlet-Jar-Size: " + std::to_string(jar.size()) + "\n";
        int id = install("G", "suites.Guarded", jad, jar);
        if (c.mssDomain >= 0) {
            std::vector<uint8_t> mss(12, 0);
            mss[10] = (uint8_t)c.mssDomain;
            tree_.write(tree_.javaFile(std::to_string(id) + ".mss"), mss);
        }
        midlettest::StdoutCapture capture;
        ASSERT_EQ(0, mwe_requestStartBySuite(id, 0)) << c.name;
        EXPECT_TRUE(window_.waitFor(VM_NOTIFY_STOP_MIDLET)) << c.name;
        EXPECT_EQ(2, mwe_onRunEnded()) << c.name;
        EXPECT_EQ(c.output, capture.finish()) << c.name;
        EXPECT_EQ(MkMidp20PermissionGetNumPermissions(), 0) << c.name << ": the states went with the run";
    }
    PermissionPorting = DefaultPermissionPorting;
}

}  // namespace
