// The suite store after crashes, a full disk, damaged files and a second process: it holds
// the old or the new state of every operation, and every later list, install and removal
// works. Crashes are child processes that end at a counted disk step.
#include "platform/fs.h"
#include "storage/qmms_category.h"
#include "storage/qmms_suitefiles.h"
#include "store_fixture.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using Files = std::map<std::string, std::vector<uint8_t>>;

Files readFolder(const DeviceTree& tree) {
    Files files;
    std::string folder = tree.javaFile("");
    DIR* d = opendir(folder.c_str());
    for (struct dirent* e; d != nullptr && (e = readdir(d)) != nullptr;)
        if (e->d_name[0] != '.') files[e->d_name] = tree.read(folder + e->d_name);
    if (d != nullptr) closedir(d);
    return files;
}

void writeFolder(const DeviceTree& tree, const Files& files) {
    for (const auto& f : readFolder(tree)) unlink(tree.javaFile(f.first).c_str());
    for (const auto& f : files) tree.write(tree.javaFile(f.first), f.second);
}

uint16_t headerCount(const DeviceTree& tree) {
    std::vector<uint8_t> idx = tree.read(tree.javaFile("suites.idx"));
    return idx.size() < 14 ? 0xFFFF : (uint16_t)(idx[12] | idx[13] << 8);
}

// What a user finds in a started store: the listed suites and the files beside the index
// (whose own bytes may carry a repair, and whose lock file counts changes).
std::string storeState(const DeviceTree& tree) {
    std::string state;
    int n = qmms_getSuiteCount(-1);
    std::vector<QmmsSuiteInfo> list((size_t)(n > 0 ? n : 1));
    if (n < 0 || qmms_getSuiteList(-1, list.data(), 0) != 0) return "list failed";
    for (int i = 0; i < n; i++) {
        const QmmsSuiteInfo& s = list[(size_t)i];
        state += std::to_string(s.suiteId) + " " + s.name + " " + s.vendor + " " + std::to_string(s.jarSize) + "\n";
    }
    if (headerCount(tree) != n) state += "header count differs\n";
    for (const auto& f : readFolder(tree)) {
        if (f.first == "suites.idx" || f.first == "suites.idx.lock") continue;
        state += f.first + ": " + std::string(f.second.begin(), f.second.end()) + "\n";
    }
    return state;
}

// The installer's order: under the store lock, the slot, the resource and security files,
// and last the suite data file that completes the install.
int installWithFiles(const char* name) {
    qmms_lockStore();
    QmmsSuiteInfo s = makeSuite(name, "V");
    int id = -1;
    static const char manifest[] = "MIDlet-Name: x\nMIDlet-1: x,,Main\n";
    uint32_t sizes[2] = {sizeof manifest, 0};
    uint32_t states[2] = {1, 2};
    bool ok = qmms_addSuite(&s, &id) == 0;
    ok = ok && qmms_createRawFile(id, 2, sizes) == 0 &&
         qmms_writeRawEntry(0, "META-INF/MANIFEST.MF", manifest, nullptr, 0) == 0;
    ok = ok && qmms_writeRawEntry(1, "__JAD__", nullptr, nullptr, 0) == 0 && qmms_commitRawFile(1) == 0;
    ok = ok && qmms_loadSecurity(id) == 0 && qmms_setSecurityHeader(1, 2) == 0 && qmms_setSecurityStates(states) == 0;
    ok = ok && qmms_saveSecurity(1) == 0 && writeSuiteDataFile(id, s);
    qmms_unlockStore();
    return ok ? id : -1;
}

int crashAt;     // the step (from 1) at which the child ends; 0 never
bool crashTorn;  // a write at that step goes out in part, cut at a sector boundary
int stepsSeen;
enum { CRASHED = 99 };

int crashHook(int step, const char* hostPath, int count, int offset) {
    if (step == FS_STEP_CUT) _exit(CRASHED);
    if (++stepsSeen != crashAt) return count;
    if (!crashTorn || step != FS_STEP_WRITE) _exit(CRASHED);
    int cut = ((offset + count / 2) & ~511) - offset;  // a disk tears whole sectors
    if (cut <= 0) _exit(CRASHED);
    return cut;
}

struct Op {
    const char* name;
    std::function<void(const DeviceTree&)> prepare;  // in the child, before the steps count
    std::function<void()> run;
};

class QmmsCrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
    }
    void TearDown() override {
        FsSetStepHook(nullptr);
        qmms_fini();
        qmms_setHooks(nullptr);
    }
    // Runs prepare and run in a child that ends at step crashAt (0: runs through); answers
    // the child's exit code, or the number of steps for a counting run.
    int inChild(const Op& op, int at, bool torn) {
        pid_t pid = fork();
        if (pid == 0) {
            if (qmms_init(0) != 0) _exit(1);
            op.prepare(tree_);
            stepsSeen = 0;
            crashAt = at;
            crashTorn = torn;
            FsSetStepHook(crashHook);
            op.run();
            FsSetStepHook(nullptr);
            _exit(stepsSeen < CRASHED ? stepsSeen : 98);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string stateAfter(const Files& start, const Op& op, int at, bool torn, int* exitCode) {
        writeFolder(tree_, start);
        *exitCode = inChild(op, at, torn);
        if (qmms_init(0) != 0 || !qmms_isStarted()) return "start failed";
        std::string state = storeState(tree_);
        // and the store goes on working
        int id = installSuite(makeSuite("Later", "W"));
        QmmsSuiteInfo info;
        if (qmms_getSuiteInfo(id, &info) != 0 || qmms_removeSuiteFiles(id) != 0 || qmms_getSuiteId("Later", "W") != -1)
            state += "later install or removal failed\n";
        if (storeState(tree_).find("list failed") != std::string::npos) state += "later list failed\n";
        qmms_fini();
        return state;
    }
    void installTwiceTwenty();
    // Process crashes, not power losses, are tested here: memory-backed files serve.
    DeviceTree tree_{access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp"};
};

TEST_F(QmmsCrashTest, EveryStepOfEveryOperationLeavesTheOldOrTheNewState) {
    // 14 suites: slot 14 is the last of page 0.
    ASSERT_EQ(qmms_init(0), 0);
    for (int i = 0; i < 14; i++) ASSERT_GE(installWithFiles(("S" + std::to_string(i)).c_str()), 0);
    tree_.write(tree_.javaFile("1.rs1"), {1, 2, 3});
    ASSERT_EQ(qmms_fini(), 0);
    Files start = readFolder(tree_);
    std::vector<uint8_t> otherCategories = start["category.dat"];
    otherCategories[256 + 3 * 256] = 1;
    memcpy(&otherCategories[256 + 3 * 256 + 1], "Games", 6);
    auto nothing = [](const DeviceTree&) {};
    auto otherCategoryFile = [otherCategories](const DeviceTree& t) {
        t.write(t.javaFile("category.dat"), otherCategories);
    };
    const Op ops[] = {
        {"install", nothing, [] { installWithFiles("New"); }},
        {"install onto a new page", [](const DeviceTree&) { installWithFiles("Filler"); },
         [] { installWithFiles("New"); }},
        {"remove", nothing, [] { qmms_removeSuiteFiles(1); }},
        {"category save", otherCategoryFile, [] { qmms_saveCategoryFile(); }},
        {"suite data commit", nothing,
         [] {
             QmmsSuiteData d;
             qmms_openSuite(0);
             qmms_getSuiteData(&d);
             d.jarSize = 77777;
             d.midletCount = 2;
             QmmsMidletInfo m = {"Second", "", "Second"};
             qmms_setSuiteData(&d);
             qmms_setMidletEntry(1, &m);
             qmms_closeSuite(1);
         }},
        {"security commit", nothing,
         [] {
             uint32_t states[3] = {4, 5, 6};
             qmms_loadSecurity(0);
             qmms_setSecurityHeader(3, 3);
             qmms_setSecurityStates(states);
             qmms_saveSecurity(1);
         }},
        {"resource file commit", nothing,
         [] {
             uint32_t sizes[1] = {600};
             static const std::vector<uint8_t> data(600, 0x42);
             qmms_createRawFile(0, 1, sizes);
             qmms_writeRawEntry(0, "big", data.data(), nullptr, 0);
             qmms_commitRawFile(1);
         }},
        {"store stop", otherCategoryFile, [] { qmms_fini(); }},
    };
    for (const Op& op : ops) {
        int code;
        std::string oldState = stateAfter(start, Op{op.name, op.prepare, [] {}}, 0, false, &code);
        std::string newState = stateAfter(start, op, 0, false, &code);
        int steps = code;
        ASSERT_GT(steps, 0) << op.name;
        ASSERT_LT(steps, 90) << op.name;
        EXPECT_NE(oldState, newState) << op.name << ": the operation changes something";
        EXPECT_EQ(oldState.find("failed"), std::string::npos) << op.name << "\n" << oldState;
        EXPECT_EQ(newState.find("failed"), std::string::npos) << op.name << "\n" << newState;
        for (int at = 1; at <= steps; at++) {
            for (bool torn : {false, true}) {
                std::string state = stateAfter(start, op, at, torn, &code);
                EXPECT_EQ(code, CRASHED) << op.name << " step " << at;
                EXPECT_TRUE(state == oldState || state == newState)
                    << op.name << ", crash " << (torn ? "halfway through" : "before") << " step " << at << " of "
                    << steps << "\n--- got\n"
                    << state << "--- old\n"
                    << oldState << "--- new\n"
                    << newState;
            }
        }
    }
}

// A child runs rounds of start, installs, removals and stop, and tells each finished
// operation; it is killed at a random moment. No told install is lost, no told removal
// comes back, and the count equals the used slots.
TEST_F(QmmsCrashTest, KilledAtRandomTheStoreLosesNothingItAcknowledged) {
    std::map<std::string, int> present;  // told installs whose removal was not begun
    std::set<std::string> removed;
    unsigned randomStart = (unsigned)time(nullptr);
    SCOPED_TRACE("random start " + std::to_string(randomStart));
    srand(randomStart);
    // kill moments spread over a window that grows while the child tells nothing and
    // shrinks while it finishes everything, so that on a slow or busy machine the kills
    // still land in the middle of the work
    unsigned window = 3000;
    // on a busy machine fewer rounds fit the test's time: stop at a deadline, not a count
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int round = 0;
    for (; round < 200 && std::chrono::steady_clock::now() < deadline; round++) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            for (int k = 0; k < 12; k++) {
                if (qmms_init(0) != 0) _exit(1);
                std::string name = "R" + std::to_string(round) + "-" + std::to_string(k);
                int id = installWithFiles(name.c_str());
                if (id >= 0) dprintf(fds[1], "A %d %s\n", id, name.c_str());
                if (k % 3 == 2) {
                    std::string old = "R" + std::to_string(round) + "-" + std::to_string(k - 1);
                    int oldId = qmms_getSuiteId(old.c_str(), "V");
                    dprintf(fds[1], "r %d %s\n", oldId, old.c_str());  // under way: may or may not happen
                    if (oldId >= 0 && qmms_removeSuiteFiles(oldId) == 0)
                        dprintf(fds[1], "R %d %s\n", oldId, old.c_str());
                }
                if (k % 2 == 1) qmms_fini();
            }
            dprintf(fds[1], "E 0 end\n");
            pause();
        }
        close(fds[1]);
        usleep((useconds_t)(rand() % window));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::string told;
        char buf[4096];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) told.append(buf, (size_t)n);
        close(fds[0]);
        if (told.empty() && window < 256000) window *= 2;
        if (told.find("E 0 end\n") != std::string::npos && window > 3000) window /= 2;
        for (size_t at = 0; at < told.size();) {
            size_t end = told.find('\n', at);
            if (end == std::string::npos) break;  // cut by the kill: not told
            char kind;
            int id;
            char name[64];
            if (sscanf(told.substr(at, end - at).c_str(), "%c %d %63s", &kind, &id, name) == 3) {
                if (kind == 'A') present[name] = id;
                if (kind == 'r') present.erase(name);
                if (kind == 'R') {
                    present.erase(name);
                    removed.insert(name);
                }
            }
            at = end + 1;
        }
        ASSERT_EQ(qmms_init(0), 0) << "round " << round;
        std::string state = storeState(tree_);
        ASSERT_EQ(state.find("list failed"), std::string::npos) << "round " << round;
        ASSERT_EQ(state.find("header count differs"), std::string::npos) << "round " << round;
        for (const auto& p : present)
            ASSERT_EQ(qmms_getSuiteId(p.first.c_str(), "V"), p.second) << "round " << round << ": " << p.first;
        for (const std::string& r : removed)
            ASSERT_EQ(qmms_getSuiteId(r.c_str(), "V"), -1) << "round " << round << ": " << r;
        ASSERT_EQ(qmms_fini(), 0);
    }
    EXPECT_GE(round, 10) << "too few rounds before the deadline";
    EXPECT_FALSE(present.empty() && removed.empty()) << "the child got work done";
}

// Two processes install 20 suites each at the same time; a third, started before, finds
// them by id as they come. A few runs, as the two may well interleave in none.
TEST_F(QmmsCrashTest, TwoProcessesInstallingAtOnceLoseNone) {
    for (int run = 0; run < 5; run++) {
        SCOPED_TRACE("run " + std::to_string(run));
        writeFolder(tree_, {});
        installTwiceTwenty();
        qmms_fini();
    }
}

void QmmsCrashTest::installTwiceTwenty() {
    ASSERT_EQ(qmms_init(0), 0);
    QmmsSuiteInfo info;
    ASSERT_EQ(qmms_getSuiteInfo(0, &info), -1);  // page 0 cached, empty
    int fds[2], go[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t children[2];
    for (int c = 0; c < 2; c++) {
        children[c] = fork();
        if (children[c] == 0) {
            close(fds[0]);
            close(go[1]);
            qmms_fini();
            if (qmms_init(0) != 0) _exit(1);
            char start;
            if (read(go[0], &start, 1) != 1) _exit(4);
            for (int i = 0; i < 20; i++) {
                std::string name = "P" + std::to_string(c) + "-" + std::to_string(i);
                int id = installWithFiles(name.c_str());
                if (id < 0) _exit(2);
                if (c == 0 && i == 0) dprintf(fds[1], "%d\n", id);
            }
            _exit(qmms_fini() == 0 ? 0 : 3);
        }
    }
    close(fds[1]);
    close(go[0]);
    ASSERT_EQ(write(go[1], "gg", 2), 2);  // both at once
    close(go[1]);
    char buf[16] = {0};
    ASSERT_GT(read(fds[0], buf, sizeof buf - 1), 0);
    close(fds[0]);
    int firstId = atoi(buf);
    ASSERT_EQ(qmms_getSuiteInfo(firstId, &info), 0) << "the reader sees a suite installed after its start";
    EXPECT_STREQ(info.name, "P0-0");
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    ASSERT_EQ(qmms_getSuiteCount(-1), 40);
    std::vector<QmmsSuiteInfo> list(40);
    ASSERT_EQ(qmms_getSuiteList(-1, list.data(), QMMS_SORT_NAME), 0);
    std::set<std::string> names;
    std::set<uint32_t> ids;
    for (const QmmsSuiteInfo& s : list) {
        names.insert(s.name);
        ids.insert(s.suiteId);
        EXPECT_TRUE(tree_.exists(tree_.javaFile(std::to_string(s.suiteId) + ".jdx"))) << s.name;
    }
    EXPECT_EQ(names.size(), 40u);
    EXPECT_EQ(ids.size(), 40u);
    EXPECT_EQ(qmms_getSuiteId("P1-19", "V") >= 0, true);
}

// A full disk (the file-size limit of the process) fails the operation with its error; the
// store stays started and the files hold their last good bytes.
class QmmsFullDiskTest : public QmmsCrashTest {
protected:
    void limitFiles(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_), 0);
        struct rlimit r = saved_;
        r.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &r), 0);
    }
    void unlimitFiles() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, SIG_DFL);
    }
    struct rlimit saved_ {};
};

TEST_F(QmmsFullDiskTest, TheOperationFailsAndTheFilesStayAsTheyWere) {
    ASSERT_EQ(qmms_init(0), 0);
    for (int i = 0; i < 15; i++) ASSERT_GE(installWithFiles(("S" + std::to_string(i)).c_str()), 0);
    ASSERT_EQ(qmms_saveCategoryFile(), 0);
    struct Case {
        const char* name;
        rlim_t limit;
        std::function<int()> op;
    } cases[] = {
        {"an install that needs a new index page", 4096, [] { return installWithFiles("New") >= 0 ? 0 : -1; }},
        {"category file", 3000, [] { return qmms_saveCategoryFile(); }},
        {"suite data file of ten MIDlets", 4000,
         [] {
             QmmsSuiteData d;
             qmms_openSuite(0);
             qmms_getSuiteData(&d);
             d.midletCount = 10;
             qmms_setSuiteData(&d);
             int r = qmms_closeSuite(1);
             qmms_closeSuite(0);
             return r;
         }},
        {"resource file", 2000,
         [] {
             uint32_t sizes[1] = {3000};
             return qmms_createRawFile(0, 1, sizes);
         }},
        {"store stop", 3000, [] { return qmms_fini(); }},
    };
    for (const Case& c : cases) {
        Files before = readFolder(tree_);
        before.erase("suites.idx.lock");
        qmms_setStatus(0);
        limitFiles(c.limit);
        int r = c.op();
        unlimitFiles();
        EXPECT_EQ(r, -1) << c.name;
        EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR) << c.name;
        EXPECT_TRUE(qmms_isStarted()) << c.name;
        Files after = readFolder(tree_);
        after.erase("suites.idx.lock");
        EXPECT_TRUE(after == before) << c.name << ": the files on disk are the last good ones";
    }
    EXPECT_EQ(installWithFiles("New"), 15) << "with room again";
    EXPECT_EQ(qmms_getSuiteCount(-1), 16);
}

// Damaged files at start: a clear status, a repair where the data allows, and a store that
// works afterwards.
TEST_F(QmmsCrashTest, DamagedFilesAtStart) {
    ASSERT_EQ(qmms_init(0), 0);
    for (int i = 0; i < 40; i++) ASSERT_GE(installWithFiles(("S" + std::to_string(i)).c_str()), 0);
    ASSERT_EQ(qmms_fini(), 0);
    Files start = readFolder(tree_);
    const std::vector<uint8_t> idx = start["suites.idx"];
    ASSERT_EQ(idx.size(), 256u + 3 * 3840u);
    auto cut = [&idx](size_t n) { return std::vector<uint8_t>(idx.begin(), idx.begin() + (long)n); };
    std::vector<uint8_t> garbage(idx.size());
    srand(7);
    for (uint8_t& b : garbage) b = (uint8_t)rand();
    std::vector<uint8_t> overcounted = idx;
    overcounted[12] = 45;
    std::vector<uint8_t> category = start["category.dat"];
    struct Case {
        const char* name;
        const char* file;
        std::vector<uint8_t> bytes;
        int status;
        int suites;
        const char* kept;  // a file the start must not remove, or null
    } cases[] = {
        // every installed suite is rebuilt from its own files
        {"index of zero length", "suites.idx", {}, 256, 40, "3.jdx"},
        {"index header only", "suites.idx", cut(256), 256, 40, "3.jdx"},
        {"index of zeros", "suites.idx", std::vector<uint8_t>(idx.size(), 0), 256, 40, "3.jdx"},
        {"index of garbage", "suites.idx", garbage, 256, 40, "3.jdx"},
        {"index header counting too many suites", "suites.idx", overcounted, 0, 40, nullptr},
        {"index cut inside page 0", "suites.idx", cut(256 + 1920), 256, 40, "20.jdx"},
        {"index cut after page 0", "suites.idx", cut(256 + 3840), 256, 40, "20.jdx"},
        {"index cut inside page 1", "suites.idx", cut(256 + 3840 + 1920), 256, 40, "25.jdx"},
        {"index cut after page 1", "suites.idx", cut(256 + 2 * 3840), 256, 40, "35.jdx"},
        {"index cut inside page 2", "suites.idx", cut(256 + 2 * 3840 + 1920), 256, 40, "39.jdx"},
        {"category file of zero length", "category.dat", {}, 256, 40, nullptr},
        {"category file one byte short", "category.dat", std::vector<uint8_t>(category.begin(), category.end() - 1),
         256, 40, nullptr},
        {"category file of zeros", "category.dat", std::vector<uint8_t>(category.size(), 0), 0, 40, nullptr},
        {"suite data file of zero length", "3.jdx", {}, 0, 40, nullptr},
    };
    for (const Case& c : cases) {
        Files damaged = start;
        damaged[c.file] = c.bytes;
        writeFolder(tree_, damaged);
        ASSERT_EQ(qmms_init(0), 0) << c.name;
        EXPECT_TRUE(qmms_isStarted()) << c.name;
        EXPECT_EQ(qmms_lastStatus(), c.status) << c.name;
        int n = qmms_getSuiteCount(-1);
        EXPECT_EQ(n, c.suites) << c.name;
        std::string state = storeState(tree_);
        EXPECT_EQ(state.find("failed"), std::string::npos) << c.name;
        EXPECT_EQ(state.find("header count differs"), std::string::npos) << c.name;
        if (c.kept != nullptr) {
            EXPECT_TRUE(tree_.exists(tree_.javaFile(c.kept))) << c.name << ": " << c.kept << " kept";
        }
        int id = installWithFiles("After");
        EXPECT_GE(id, 0) << c.name;
        EXPECT_EQ(qmms_getSuiteCount(-1), n + 1) << c.name;
        EXPECT_EQ(qmms_removeSuiteFiles(id), 0) << c.name;
        EXPECT_EQ(qmms_getSuiteId("After", "V"), -1) << c.name;
        QmmsCategoryInfo cats[13];
        EXPECT_EQ(qmms_getCategoryList(cats), 0) << c.name;
        qmms_fini();
    }
    writeFolder(tree_, start);
    ASSERT_EQ(qmms_init(0), 0);
    EXPECT_EQ(qmms_openSuite(3), 0);
    tree_.write(tree_.javaFile("4.jdx"), {1, 2, 3});
    EXPECT_EQ(qmms_openSuite(4), -1) << "a suite data file cut short";
    EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR);
}

}  // namespace
