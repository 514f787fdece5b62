// Start paths of the host glue run end to end on its threads: a suite of the store by
// number, a JAD and JAR file pair, a start while a MIDlet runs; and starts that must end
// cleanly without a run and without touching the store.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>

#include "glue_fixture.h"

using namespace gluetest;

namespace {

// Every file of the java root and its bytes.
std::map<std::string, std::vector<uint8_t>> snapshot(const DeviceTree& tree) {
    std::map<std::string, std::vector<uint8_t>> files;
    std::string dir = tree.javaFile("");
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") files[name] = tree.read(dir + name);
        }
        closedir(d);
    }
    return files;
}

using GlueStart = GlueTest;

TEST_F(GlueStart, StartPaths) {
    const std::string hello = "MIDlet-1: Hello,,suites.Hello\n";
    const std::vector<uint8_t> jar = midlettest::suiteJar(manifestOf(hello));
    const std::string jad =
        Header + hello + "MIDlet-Jar-URL: s.jar\nMIDlet-Jar-Size: " + std::to_string(jar.size()) + "\n";
    const std::string helloOutput = "Hello constructed\nHello startApp\nHello thread\n";
    struct Case {
        const char* name;
        std::function<int32_t(GlueStart&)> start;
        int32_t startResult;
        const char* window;
        std::string output;
        const char* traced;
    };
    const Case cases[] = {
        {"a suite of the store by number",
         [&](GlueStart& t) { return mwe_requestStartBySuite(t.install("Hello", "suites.Hello", jad, jar), 0); }, 0,
         "paint start destroyed stop", helloOutput, ""},
        {"a suite without a JAD",
         [&](GlueStart& t) { return mwe_requestStartBySuite(t.install("Hello", "suites.Hello", "", jar), 0); }, 0,
         "paint start destroyed stop", helloOutput, ""},
        {"a JAD and JAR file pair",
         [&](GlueStart& t) {
             std::string jadPath = t.tree_.root() + "/h.jad", jarPath = t.tree_.root() + "/h.jar";
             t.tree_.write(jadPath, std::vector<uint8_t>(jad.begin(), jad.end()));
             t.tree_.write(jarPath, jar);
             return mwe_requestStartFromFiles(jadPath.c_str(), jarPath.c_str(), 0);
         },
         0, "paint start destroyed stop", helloOutput, ""},
        {"an unknown suite number", [&](GlueStart&) { return mwe_requestStartBySuite(77, 0); }, 0, "stop", "",
         "cannot read the suite or its MIDlet (suite 77)"},
        {"a MIDlet number beyond the suite's",
         [&](GlueStart& t) { return mwe_requestStartBySuite(t.install("Hello", "suites.Hello", jad, jar), 3); }, 0,
         "stop", "", "cannot read the suite or its MIDlet"},
        {"the JAR is missing",
         [&](GlueStart& t) {
             int id = t.install("Hello", "suites.Hello", jad, jar);
             qmfs_remove(qmms_getSuiteFileName(id, QMMS_FILE_JAR));
             return mwe_requestStartBySuite(id, 0);
         },
         0, "stop", "", "cannot open the suite's JAR, or it is not whole"},
        {"the JAR is truncated",
         [&](GlueStart& t) {
             std::vector<uint8_t> half(jar.begin(), jar.begin() + jar.size() / 2);
             int id = t.install("Hello", "suites.Hello", jad, jar);
             qmfs_replaceFile(qmms_getSuiteFileName(id, QMMS_FILE_JAR), half.data(), (int)half.size());
             return mwe_requestStartBySuite(id, 0);
         },
         0, "stop", "", "cannot open the suite's JAR, or it is not whole"},
        {"the descriptor is missing",
         [&](GlueStart& t) {
             int id = t.install("Hello", "suites.Hello", jad, jar);
             qmfs_remove(qmms_getSuiteFileName(id, QMMS_FILE_RESOURCES));
             return mwe_requestStartBySuite(id, 0);
         },
         0, "stop", "", "cannot read the suite's descriptor"},
        {"the platform services do not start (no back buffer)",
         [&](GlueStart& t) {
             MweShell shell = *mwe_getShell();
             shell.startServices = [] { return 0; };
             mwe_setShell(&shell);
             return mwe_requestStartBySuite(t.install("Hello", "suites.Hello", jad, jar), 0);
         },
         0, "stop", "", "the platform services did not start (suite"},
        {"a JAR file that does not exist",
         [&](GlueStart& t) {
             std::string jadPath = t.tree_.root() + "/h.jad";
             t.tree_.write(jadPath, std::vector<uint8_t>(jad.begin(), jad.end()));
             return mwe_requestStartFromFiles(jadPath.c_str(), (t.tree_.root() + "/none.jar").c_str(), 0);
         },
         -1, "", "", "cannot read the JAR "},
        {"a FIFO as the JAD is not opened (nobody writes to it)",
         [&](GlueStart& t) {
             std::string jadPath = t.tree_.root() + "/fifo.jad", jarPath = t.tree_.root() + "/h.jar";
             mkfifo(jadPath.c_str(), 0600);
             t.tree_.write(jarPath, jar);
             return mwe_requestStartFromFiles(jadPath.c_str(), jarPath.c_str(), 0);
         },
         -1, "", "", "fifo.jad is not a regular file"},
        {"a MIDlet-1 line without a class",
         [&](GlueStart& t) {
             std::string jadPath = t.tree_.root() + "/h.jad", jarPath = t.tree_.root() + "/h.jar";
             std::string text = Header + "MIDlet-1: Hello, Hello\n";
             t.tree_.write(jadPath, std::vector<uint8_t>(text.begin(), text.end()));
             t.tree_.write(jarPath, jar);
             return mwe_requestStartFromFiles(jadPath.c_str(), jarPath.c_str(), 0);
         },
         -1, "", "", "is refused (-4): line "},
        {"a JAD without MIDlets",
         [&](GlueStart& t) {
             std::string jadPath = t.tree_.root() + "/h.jad", jarPath = t.tree_.root() + "/h.jar";
             t.tree_.write(jadPath, std::vector<uint8_t>(Header.begin(), Header.end()));
             t.tree_.write(jarPath, jar);
             return mwe_requestStartFromFiles(jadPath.c_str(), jarPath.c_str(), 0);
         },
         -1, "", "", "it has no \"MIDlet-1\" line"},
    };
    for (const Case& c : cases) {
        TearDown();
        trace_.clear();
        SetUp();
        midlettest::StdoutCapture capture;
        int32_t result = c.start(*this);
        auto before = snapshot(tree_);
        bool ended = result != 0 || window_.waitFor(VM_NOTIFY_STOP_MIDLET);
        if (result == 0) {
            EXPECT_EQ(2, mwe_onRunEnded()) << c.name << ": nothing remembered";
        }
        std::string output = capture.finish();
        EXPECT_EQ(c.startResult, result) << c.name;
        EXPECT_TRUE(ended) << c.name;
        EXPECT_EQ(sortedWords(c.window), sortedWords(window_.log())) << c.name;
        if (result == 0) {
            std::string log = window_.log();
            EXPECT_TRUE(log.size() >= 4 && log.compare(log.size() - 4, 4, "stop") == 0) << c.name << ": the end last";
        }
        EXPECT_EQ(c.output, output) << c.name;
        EXPECT_NE(std::string::npos, trace().find(c.traced)) << c.name << ": " << trace();
        EXPECT_FALSE(mwe_isRunInProgress()) << c.name;
        auto after = snapshot(tree_);
        // the temporary suite's files are gone again; an installed suite is as it was
        for (auto it = before.begin(); it != before.end();) {
            it = it->first.rfind("999.", 0) == 0 ? before.erase(it) : std::next(it);
        }
        EXPECT_TRUE(before == after) << c.name << ": the store changed";
    }
}

// A start asked for while a MIDlet runs is remembered and made when the run has ended.
TEST_F(GlueStart, StartWhileAMidletRuns) {
    const std::vector<uint8_t> sleeper = midlettest::suiteJar(manifestOf("MIDlet-1: S,,suites.Sleeper\n"));
    const std::vector<uint8_t> hello = midlettest::suiteJar(manifestOf("MIDlet-1: H,,suites.Hello\n"));
    int first = install("Sleeper", "suites.Sleeper", "", sleeper);
    int second = install("Hello", "suites.Hello", "", hello);
    midlettest::StdoutCapture capture;
    ASSERT_EQ(0, mwe_requestStartBySuite(first, 0));
    ASSERT_TRUE(window_.waitFor(VM_NOTIFY_START_MIDLET));
    EXPECT_EQ(1, mwe_requestStartBySuite(77, 0)) << "remembered";
    EXPECT_EQ(1, mwe_requestStartBySuite(second, 0)) << "remembered, in place of the first";
    EXPECT_TRUE(mwe_isRunInProgress());
    ASSERT_TRUE(window_.stopRun());
    EXPECT_EQ(0, mwe_onRunEnded()) << "the remembered start";
    ASSERT_TRUE(window_.waitFor(VM_NOTIFY_STOP_MIDLET));
    EXPECT_EQ(2, mwe_onRunEnded());
    std::string output = capture.finish();
    std::string log = window_.log();
    size_t firstEnd = log.find("stop");
    ASSERT_NE(std::string::npos, firstEnd);
    EXPECT_EQ("paint start", sortedWords(log.substr(0, firstEnd - 1))) << log;
    EXPECT_EQ("destroyed paint start stop", sortedWords(log.substr(firstEnd + 5))) << log;
    EXPECT_EQ("Sleeper started\nHello constructed\nHello startApp\nHello thread\n", output);
}

// The test server's start: the control thread runs and the client's first step reaches
// it; the client's final answer ends the thread. Without a client nothing starts.
std::atomic<int32_t> clientSteps;
std::string clientUrl;
int32_t clientStart(const char* url) {
    clientUrl = url;
    mwe_postSimpleEvent(2, 54);
    return 0;
}
int32_t clientOnEvent(const MweEvent* e) { return clientSteps++, e->kind == 54 ? 2 : 0; }

TEST_F(GlueStart, TestServerStart) {
    EXPECT_EQ(-1, mwe_startVmWithTestServer("http://tests.example/")) << "no test client";
    EXPECT_NE(std::string::npos, trace().find("no test client")) << trace();
    EXPECT_FALSE(mwe_isRunInProgress());

    MweShell shell = *mwe_getShell();
    shell.testClientStart = clientStart;
    shell.testClientOnEvent = clientOnEvent;
    mwe_setShell(&shell);
    clientSteps = 0;
    ASSERT_EQ(0, mwe_init());
    ASSERT_EQ(0, mwe_startVmWithTestServer("http://tests.example/"));
    EXPECT_EQ("http://tests.example/", clientUrl);
    for (int i = 0; i < 2000 && mwe_isRunInProgress(); i++) usleep(1000);
    EXPECT_FALSE(mwe_isRunInProgress()) << "the client's answer 2 ends the control thread";
    EXPECT_EQ(1, clientSteps.load());
}

}  // namespace
