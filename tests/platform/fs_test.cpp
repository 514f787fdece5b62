#include "platform/fs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

class FsTest : public ::testing::Test {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/movane-fs-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        ASSERT_EQ(FsSetDeviceRoot(root_.c_str()), 0);
        mkdir((root_ + "/dev").c_str(), 0777);
    }
    void TearDown() override {
        FsSetListingPassHook(nullptr);
        FsSetStepHook(nullptr);
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    std::string host(const std::string& rel) const { return root_ + "/dev/" + rel; }
    void put(const std::string& rel, const std::string& text) { std::ofstream(host(rel), std::ios::binary) << text; }
    std::string get(const std::string& rel) {
        std::ifstream in(host(rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::string dev(const std::string& rel) { return "\\dev\\" + rel; }
    std::string root_;
};

TEST_F(FsTest, MakeDeviceRoot) {
    put("file", "x");
    struct Case {
        const char* name;
        std::string root;
        int result;
    } cases[] = {
        {"missing parents are made", root_ + "/new/a/b", 0},
        {"an existing folder is kept", root_ + "/dev", 0},
        {"a trailing slash", root_ + "/new/c/", 0},
        {"a file in the way", root_ + "/dev/file", -1},
        {"a file as a parent", root_ + "/dev/file/below", -1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(FsSetDeviceRoot(c.root.c_str()), 0) << c.name;
        EXPECT_EQ(FsMakeDeviceRoot(), c.result) << c.name;
        struct stat st;
        bool folder = stat(FsGetDeviceRoot(), &st) == 0 && S_ISDIR(st.st_mode);
        EXPECT_EQ(folder, c.result == 0) << c.name;
    }
    EXPECT_EQ(get("file"), "x");
}

TEST_F(FsTest, OpenModes) {
    struct Case {
        const char* name;
        int mode;
        bool exists;
        bool opens;
        bool canRead;
        bool canWrite;
        const char* after;  // file content after writing "XY" (when it can write)
    } cases[] = {
        {"64|1|2 opens read-only", 64 | 1 | 2, true, true, true, false, "hello"},
        {"64|2 opens write-only", 64 | 2, true, true, false, true, "XYllo"},
        {"64|8 reads and writes", 64 | 8, true, true, true, true, "XYllo"},
        {"64 alone reads and writes", 64, true, true, true, true, "XYllo"},
        {"64 of a missing file fails", 64 | 1, false, false, false, false, nullptr},
        {"16|2 truncates, write-only", 16 | 2, true, true, false, true, "XY"},
        {"16 without 2 truncates, reads and writes", 16 | 4, true, true, true, true, "XY"},
        {"32 keeps an existing file", 32, true, true, true, true, "XYllo"},
        {"32 creates a missing file", 32, false, true, true, true, "XY"},
        {"no bits: existing, read", 0, true, true, true, false, "hello"},
        {"no bits: missing fails", 0, false, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        unlink(host("f").c_str());
        if (c.exists) put("f", "hello");
        FsFile* f = FsOpen(dev("f").c_str(), c.mode);
        ASSERT_EQ(f != nullptr, c.opens) << c.name;
        if (f == nullptr) continue;
        char b[2];
        int wrote = FsWrite("XY", 2, f);
        EXPECT_EQ(wrote == 2, c.canWrite) << c.name;
        if (!c.canWrite) {
            EXPECT_EQ(FsLastError(), 19) << c.name << ": write on a read-only handle";
        }
        FsSeek(f, 0, 0);
        errno = 0;
        int r = FsRead(b, 1, f);
        EXPECT_EQ(r == 1, c.canRead) << c.name;
        FsClose(f);
        EXPECT_EQ(get("f"), c.after) << c.name;
    }
}

TEST_F(FsTest, ErrorMapping) {
    put("file", "x");
    mkdir(host("dir").c_str(), 0777);
    struct Case {
        const char* name;
        int (*run)(FsTest* t);
        int code;
    } cases[] = {
        {"missing file", [](FsTest*) { return FsOpen(dev("none").c_str(), 64) == nullptr ? 0 : 1; }, 255},
        {"folder as a file", [](FsTest*) { return FsOpen(dev("dir").c_str(), 64) == nullptr ? 0 : 1; }, 18},
        {"create over a folder", [](FsTest*) { return FsMakeDir(dev("dir").c_str()) == -1 ? 0 : 1; }, 16},
        {"rename onto an existing file",
         [](FsTest* t) {
             t->put("other", "y");
             return FsRename(dev("other").c_str(), dev("file").c_str()) == -1 ? 0 : 1;
         },
         16},
        {"remove a folder as a file", [](FsTest*) { return FsRemove(dev("dir").c_str()) == -1 ? 0 : 1; }, 18},
        {"whence 3",
         [](FsTest*) {
             FsFile* f = FsOpen(dev("file").c_str(), 64 | 1);
             int r = FsSeek(f, 0, 3);
             int e = FsLastError();
             FsClose(f);
             return r == -1 && e == 21 ? 0 : 1;
         },
         21},
        {"climbing out of the device root",
         [](FsTest*) { return FsOpen("\\dev\\..\\..\\etc\\passwd", 64) == nullptr ? 0 : 1; }, 18},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.run(this), 0) << c.name;
        EXPECT_EQ(FsLastError(), c.code) << c.name;
    }
}

TEST_F(FsTest, PathLengthLimit) {
    // "\dev\" is 5 characters: a name of 122 makes 127.
    std::string fits(122, 'a');
    put(fits, "ok");
    FsAttributes a;
    EXPECT_EQ(FsGetAttributes(dev(fits).c_str(), &a), 0);
    EXPECT_EQ(a.size, 2u);
    std::string longer = fits + "b";
    EXPECT_EQ(FsOpen(dev(longer).c_str(), 16 | 2), nullptr) << "never cut to the 127-character name";
    EXPECT_EQ(FsLastError(), 255);
    EXPECT_EQ(get(fits), "ok");
    struct stat st;
    EXPECT_NE(stat(host(longer).c_str(), &st), 0);
    // Characters, not bytes, count: 122 two-byte characters still fit.
    std::string wide;
    for (int i = 0; i < 122; i++) wide += "\xC3\xA9";
    FsFile* f = FsOpen(dev(wide).c_str(), 16 | 2);
    EXPECT_NE(f, nullptr);
    FsClose(f);
}

TEST_F(FsTest, ListingsAndAttributes) {
    mkdir(host("empty").c_str(), 0777);
    EXPECT_EQ(FsOpenDir(dev("empty").c_str()), nullptr) << "an empty folder gives no listing";
    EXPECT_EQ(FsOpenDir(dev("missing").c_str()), nullptr);
    put("empty/a", "1");
    put("empty/bb", "22");
    mkdir(host("empty/sub").c_str(), 0777);
    FsDirListing* l = FsOpenDir(dev("empty").c_str());
    ASSERT_NE(l, nullptr);
    std::set<std::string> names;
    for (const char* n; (n = FsReadDir(l)) != nullptr;) names.insert(n);
    EXPECT_EQ(names, (std::set<std::string>{"a", "bb", "sub"}));
    FsRewindDir(l);
    EXPECT_NE(FsReadDir(l), nullptr);
    FsCloseDir(l);
    FsAttributes a;
    ASSERT_EQ(FsGetAttributes(dev("empty\\sub\\").c_str(), &a), 0);
    EXPECT_TRUE(FsIsDirectory(a.attributes));
    ASSERT_EQ(FsGetAttributes(dev("empty\\bb").c_str(), &a), 0);
    EXPECT_FALSE(FsIsDirectory(a.attributes));
    EXPECT_EQ(a.size, 2u);
}

std::string grower;
void addEntriesBetweenPasses(const char* hostPath) {
    for (int i = 0; i < 50; i++) {
        std::string p = std::string(hostPath) + "/late" + std::to_string(i);
        close(open(p.c_str(), O_CREAT | O_WRONLY, 0666));
    }
}

TEST_F(FsTest, ListingNeverHoldsMoreNamesThanCounted) {
    mkdir(host("grow").c_str(), 0777);
    put("grow/one", "");
    put("grow/two", "");
    FsSetListingPassHook(addEntriesBetweenPasses);
    FsDirListing* l = FsOpenDir(dev("grow").c_str());
    FsSetListingPassHook(nullptr);
    ASSERT_NE(l, nullptr);
    int n = 0;
    while (FsReadDir(l) != nullptr) n++;
    EXPECT_EQ(n, 2) << "the count of the first pass bounds the names";
    FsCloseDir(l);
}

TEST_F(FsTest, TruncateRemoveRenameFreeSpace) {
    EXPECT_EQ(FsTruncateByPath(dev("t").c_str(), 100), 0);
    EXPECT_EQ(get("t").size(), 100u);
    FsFile* f = FsOpen(dev("t").c_str(), 64 | 8);
    EXPECT_EQ(FsTruncate(f, 10), 0);
    EXPECT_EQ(FsTell(f), 10);
    FsClose(f);
    EXPECT_EQ(get("t").size(), 10u);
    EXPECT_EQ(FsRename(dev("t").c_str(), dev("u").c_str()), 0);
    EXPECT_EQ(FsRemove(dev("u").c_str()), 0);
    EXPECT_EQ(FsRemove(dev("u").c_str()), -1);
    uint32_t free1 = FsGetFreeSpace(dev("").c_str());
    EXPECT_GT(free1, 0u);
    EXPECT_LE(free1, 0x7FFFFFFFu) << "saturated, never wrapped";
    EXPECT_EQ(FsGetFreeSpace(dev("no\\such\\folder").c_str()), free1) << "nearest existing folder";
    EXPECT_EQ(FsGetSeparator(), '\\');
}

TEST(FsFreeSpaceTest, LargeVolumesSaturate) {
    struct Case {
        const char* name;
        uint64_t bytes;
        uint32_t reported;
    } cases[] = {
        {"small", 102400, 102400},
        {"largest signed count", 0x7FFFFFFF, 0x7FFFFFFF},
        {"2 GB would read as negative", 0x80000000ull, 0x7FFFFFFF},
        {"85 GB whose low 32 bits are below 100 KB", 0x1400000000ull + 1000, 0x7FFFFFFF},
    };
    for (const Case& c : cases) EXPECT_EQ(FsSaturateFreeBytes(c.bytes), c.reported) << c.name;
    EXPECT_GE(GetStorageFreeSpace(), 0);
}

// The disk fills up at the n-th write (counting from 1): that write gets half its bytes.
int writesUntilFull;
std::vector<std::string> steps;
int fillUp(int step, const char* hostPath, int count, int offset) {
    const char* base = strrchr(hostPath, '/');
    steps.push_back(std::to_string(step) + " " + (base != nullptr ? base + 1 : hostPath));
    if (step == FS_STEP_WRITE && --writesUntilFull == 0) return count / 2;
    return count;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    DIR* d = opendir(folder.c_str());
    for (struct dirent* e; d != nullptr && (e = readdir(d)) != nullptr;)
        if (e->d_name[0] != '.') names.insert(e->d_name);
    if (d != nullptr) closedir(d);
    return names;
}

TEST_F(FsTest, ReplaceLeavesTheOldFileOrTheWholeNewOne) {
    std::string tempName = "f." + std::to_string((long)getpid()) + FS_REPLACE_SUFFIX;
    struct Case {
        const char* name;
        int fullAtWrite;  // 0: room for everything
        int result;
        const char* after;
        std::vector<std::string> steps;
    } cases[] = {
        {"room: replaced through a temporary file", 0, 0, "new bytes", {"2 " + tempName, "1 " + tempName, "3 f"}},
        {"full disk: the old file stays", 1, -1, "old", {"2 " + tempName, "1 " + tempName, "5 " + tempName}},
    };
    FsSetStepHook(fillUp);
    for (const Case& c : cases) {
        put("f", "old");
        writesUntilFull = c.fullAtWrite;
        steps.clear();
        EXPECT_EQ(FsReplaceFile(dev("f").c_str(), "new bytes", 9), c.result) << c.name;
        EXPECT_EQ(get("f"), c.after) << c.name;
        EXPECT_EQ(steps, c.steps) << c.name;
        EXPECT_EQ(namesIn(root_ + "/dev"), std::set<std::string>{"f"}) << c.name << ": no temporary file left";
    }
    FsSetStepHook(nullptr);
    put("g", "finished");
    EXPECT_EQ(FsRename(dev("g").c_str(), dev("f").c_str()), -1) << "a rename never replaces";
    EXPECT_EQ(FsReplace(dev("g").c_str(), dev("f").c_str()), 0);
    EXPECT_EQ(get("f"), "finished");
    EXPECT_EQ(namesIn(root_ + "/dev"), std::set<std::string>{"f"});
    EXPECT_EQ(FsReplace(dev("none").c_str(), dev("f").c_str()), -1);
    EXPECT_EQ(get("f"), "finished");
}

TEST_F(FsTest, LockExcludesOtherProcesses) {
    FsLock* lock = FsLockOpen(dev("l").c_str());
    ASSERT_NE(lock, nullptr);
    ASSERT_EQ(FsLockTake(lock, 1), 0);
    ASSERT_EQ(FsLockWriteWord(lock, 1), 0);
    pid_t child = fork();
    if (child == 0) {
        // bumps the word under its own lock
        FsLock* mine = FsLockOpen(dev("l").c_str());
        uint32_t w = 0;
        if (mine == nullptr || FsLockTake(mine, 1) != 0 || FsLockReadWord(mine, &w) != 0) _exit(1);
        FsLockWriteWord(mine, w + 10);
        _exit(0);
    }
    usleep(100 * 1000);
    uint32_t w = 0;
    EXPECT_EQ(FsLockReadWord(lock, &w), 0);
    EXPECT_EQ(w, 1u) << "the other process waits for the lock";
    ASSERT_EQ(FsLockWriteWord(lock, 2), 0);
    ASSERT_EQ(FsLockRelease(lock), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(FsLockTake(lock, 0), 0);
    EXPECT_EQ(FsLockReadWord(lock, &w), 0);
    EXPECT_EQ(w, 12u) << "it read the word after this process let go";
    FsLockClose(lock);
}

std::vector<std::string> traced;
void captureTrace(const char* line) { traced.push_back(line); }

TEST_F(FsTest, FailedOpenIsTraced) {
    FsSetTraceHook(captureTrace);
    traced.clear();
    EXPECT_EQ(FsOpen(dev("none").c_str(), 64), nullptr);
    EXPECT_EQ(FsTruncateByPath("\\no\\such\\folder\\f", 1), -1);
    FsSetTraceHook(nullptr);
    EXPECT_EQ(traced, (std::vector<std::string>{"CreateFileW() failed, err=2\n", "CreateFileW() failed, err=2\n"}));
}

}  // namespace
