#include "storage/qmfs_gfs.h"

#include "platform/fs.h"

#include "storage_fixture.h"

#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

class QmfsGfsTest : public StorageTest {
protected:
    const QmfsOps& gfs() { return qmfs_findConnector("gfs")->ops; }
    std::set<std::string> list(const char* path, std::set<std::string>* dirs = nullptr) {
        std::set<std::string> names;
        int h = gfs().opendir(path);
        EXPECT_GE(h, 0) << path;
        if (h < 0) return names;
        for (QmfsDirEntry* e; (e = gfs().readdir(h)) != nullptr;) {
            names.insert(e->name.get());
            if (dirs != nullptr && e->attributes == QMFS_ATTR_DIRECTORY) dirs->insert(e->name.get());
        }
        gfs().closedir(h);
        return names;
    }
};

TEST_F(QmfsGfsTest, PathsMapBelowTheRootFolders) {
    mkdir(tree_.javaFile("a").c_str(), 0777);
    tree_.write(tree_.javaFile("a/b"), {7, 8, 9});
    tree_.write(tree_.host("\\sd-card\\x.bin"), {1});
    struct Case {
        const char* name;
        const char* uri;
        int size;  // -1: does not open
        int error;
    } cases[] = {
        {"root folder and a nested file", "gfs://java/a/b", 3, 0},
        {"another root", "gfs://sd-card/x.bin", 1, 0},
        {"root itself is a folder", "gfs://java", -1, QMFS_ERR_BAD_URI},
        {"a folder is not opened as a file", "gfs://java/a", -1, QMFS_ERR_BAD_URI},
        {"a folder with a trailing slash", "gfs://java/a/", -1, QMFS_ERR_BAD_URI},
        {"unknown root", "gfs://nope/a/b", -1, QMFS_ERR_BAD_URI},
        {"single leading slash", "gfs:/java/a/b", -1, QMFS_ERR_BAD_URI},
        {"two characters", "gfs://", -1, QMFS_ERR_BAD_URI},
        {"root name of 32 characters", "gfs://abcdefghijabcdefghijabcdefghij12/x", -1, QMFS_ERR_BAD_URI},
    };
    for (const Case& c : cases) {
        int h = qmfs_open(c.uri, nullptr);
        if (c.size < 0) {
            EXPECT_EQ(h, -1) << c.name;
            EXPECT_EQ(qmfs_getLastError(), c.error) << c.name;
            continue;
        }
        ASSERT_GE(h, 0) << c.name;
        QmfsStat st;
        ASSERT_EQ(qmfs_fstat(h, &st), 0) << c.name;
        EXPECT_EQ(st.size, (uint32_t)c.size) << c.name;
        EXPECT_EQ(st.flags, 0u) << c.name;
        qmfs_close(h);
    }
}

TEST_F(QmfsGfsTest, TooLongPathsAreRefusedNeverCut) {
    // "\java\" + rest must fit 127 characters; a cut path would name another file.
    std::string rest(121, 'x');
    std::string fits = "gfs://java/" + rest;
    std::string longer = fits + "y";
    tree_.write(tree_.javaFile(rest), {1});
    QmfsStat st;
    EXPECT_EQ(qmfs_stat(fits.c_str(), &st), 0);
    EXPECT_EQ(qmfs_stat(longer.c_str(), &st), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_BAD_URI);
    QmfsMode create = {2, 16};
    EXPECT_EQ(qmfs_open(longer.c_str(), &create), -1);
    EXPECT_FALSE(tree_.exists(tree_.javaFile(rest + "y")));
}

TEST_F(QmfsGfsTest, ReadWriteSeekTruncateRoundTrip) {
    QmfsMode create = {2, 16};
    int h = qmfs_open("gfs://java/data.bin", &create);
    ASSERT_GE(h, 0);
    EXPECT_EQ(qmfs_write(h, "hello world", 11), 11);
    EXPECT_EQ(qmfs_tell(h), 11);
    EXPECT_EQ(qmfs_seek(h, 3, 0), 0);
    EXPECT_EQ(qmfs_seek(h, 0, 3), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_BAD_ARGUMENT);
    EXPECT_EQ(qmfs_truncate(h, 5), 0);
    qmfs_close(h);
    QmfsMode readMode = {1, 64};
    h = qmfs_open("gfs://java/data.bin", &readMode);
    char buf[16] = {0};
    EXPECT_EQ(qmfs_read(h, buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(qmfs_read(h, buf, sizeof buf), 0) << "at the end";
    EXPECT_EQ(qmfs_write(h, "x", 1), -1) << "opened for reading";
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_HOST_HANDLE);
    qmfs_close(h);
    QmfsStat st;
    EXPECT_EQ(qmfs_stat("gfs://java/data.bin", &st), 0);
    EXPECT_EQ(st.size, 5u);
    EXPECT_EQ(qmfs_stat("gfs://java/", &st), 0);
    EXPECT_EQ(st.attributes, (uint32_t)QMFS_ATTR_DIRECTORY);
}

TEST_F(QmfsGfsTest, PathOperations) {
    tree_.write(tree_.javaFile("old"), {1, 2});
    tree_.write(tree_.javaFile("taken"), {3});
    EXPECT_EQ(gfs().mkdir("//java/sub"), 0);
    EXPECT_EQ(gfs().mkdir("//java/sub"), -1);
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_EXISTS);
    EXPECT_EQ(qmfs_rename("gfs://java/old", "gfs://java/sub/new"), 0);
    EXPECT_TRUE(tree_.exists(tree_.javaFile("sub/new")));
    EXPECT_EQ(qmfs_rename("gfs://java/sub/new", "gfs://java/taken"), -1) << "a move never replaces";
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_EXISTS);
    EXPECT_EQ(gfs().truncateByPath("//java/grown", 10), 0);
    EXPECT_EQ(tree_.read(tree_.javaFile("grown")).size(), 10u);
    EXPECT_EQ(gfs().rmdir("//java/sub"), -1) << "not empty";
    EXPECT_EQ(qmfs_remove("gfs://java/sub/new"), 0);
    EXPECT_EQ(gfs().rmdir("//java/sub"), 0);
    EXPECT_EQ(qmfs_remove("gfs://java/sub/new"), -1);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_OTHER);
    EXPECT_GT(qmfs_getFreeSpace("gfs://java/"), 0);
}

TEST_F(QmfsGfsTest, ListingsOfFoldersAndRoots) {
    tree_.write(tree_.javaFile("one"), {1, 2, 3});
    mkdir(tree_.javaFile("dir").c_str(), 0777);
    std::set<std::string> dirs;
    EXPECT_EQ(list("//java", &dirs), (std::set<std::string>{"//java/one", "//java/dir"}));
    EXPECT_EQ(dirs, (std::set<std::string>{"//java/dir"}));
    int h = gfs().opendir("");
    ASSERT_GE(h, 0);
    std::vector<std::string> roots;
    for (QmfsDirEntry* e; (e = gfs().readdir(h)) != nullptr;) {
        EXPECT_EQ(e->attributes, 26u);
        EXPECT_EQ(e->flags, 1u);
        roots.push_back(e->name.get());
    }
    EXPECT_EQ(roots, (std::vector<std::string>{"//java", "//sdc_root", "//sdc_secure", "//sd-card", "//current"}));
    EXPECT_EQ(gfs().rewinddir(h), 0);
    EXPECT_STREQ(gfs().readdir(h)->name.get(), "//java");
    gfs().closedir(h);
    EXPECT_EQ(gfs().opendir("//java/one"), -1) << "a file is no folder";
}

TEST_F(QmfsGfsTest, SlotsAreSharedByFilesAndListings) {
    tree_.write(tree_.javaFile("f"), {1});
    int h[QMFS_GFS_SLOTS];
    for (int i = 0; i < QMFS_GFS_SLOTS; i++) ASSERT_GE(h[i] = gfs().opendir("//java"), 0);
    EXPECT_EQ(gfs().opendir("//java"), -1);
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_NO_HANDLE);
    EXPECT_EQ(gfs().open("//java/f", nullptr), -1);
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_SLOTS_FULL);
    QmfsMode truncate = {2, 16};
    EXPECT_EQ(gfs().open("//java/f", &truncate), -1);
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_SLOTS_FULL);
    EXPECT_EQ(tree_.read(tree_.javaFile("f")), std::vector<uint8_t>{1}) << "a refused open truncates nothing";
    char b[1];
    EXPECT_EQ(gfs().read(h[0], b, 1), -1) << "a listing is not read as a file";
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_BAD_HANDLE);
    EXPECT_EQ(gfs().read(8, b, 1), -1);
    EXPECT_EQ(gfs().lastError(), QMFS_ERR_BAD_HANDLE);
    for (int x : h) gfs().closedir(x);
}

TEST_F(QmfsGfsTest, ReplaceWholeFilesAndLocks) {
    tree_.write(tree_.javaFile("old"), {1, 2, 3});
    tree_.write(tree_.javaFile("temp"), {9});
    struct Case {
        const char* name;
        std::function<int()> call;
        int error;           // 0: succeeds
        const char* target;  // whose bytes are checked, or null
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"replace an existing file",
         [] { return qmfs_replaceFile("gfs://java/old", "\x05\x06", 2); },
         0,
         "old",
         {5, 6}},
        {"replace a missing file", [] { return qmfs_replaceFile("gfs://java/new", "", 0); }, 0, "new", {}},
        {"put a finished file in place",
         [] { return qmfs_replace("gfs://java/temp", "gfs://java/old"); },
         0,
         "old",
         {9}},
        {"rom files are read-only",
         [] { return qmfs_replaceFile("rom://midlet/x", "a", 1); },
         QMFS_ERR_UNSUPPORTED,
         nullptr,
         {}},
        {"across schemes", [] { return qmfs_replace("gfs://java/new", "rom://x"); }, QMFS_ERR_UNSUPPORTED, nullptr, {}},
        {"a folder is no file", [] { return qmfs_replaceFile("gfs://java", "a", 1); }, QMFS_ERR_ACCESS, nullptr, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.error == 0 ? 0 : -1) << c.name;
        EXPECT_EQ(qmfs_getLastError(), c.error) << c.name;
        if (c.target != nullptr) {
            EXPECT_EQ(tree_.read(tree_.javaFile(c.target)), c.bytes) << c.name;
        }
    }
    EXPECT_FALSE(tree_.exists(tree_.javaFile("temp")));
    FsLock* lock = qmfs_openLock("gfs://java/l.lock");
    ASSERT_NE(lock, nullptr);
    uint32_t word = 7;
    ASSERT_EQ(FsLockTake(lock, 1), 0);
    EXPECT_EQ(FsLockReadWord(lock, &word), 0);
    EXPECT_EQ(word, 0u) << "a new lock file";
    EXPECT_EQ(FsLockWriteWord(lock, 0x01020304), 0);
    EXPECT_EQ(FsLockRelease(lock), 0);
    FsLockClose(lock);
    EXPECT_EQ(tree_.read(tree_.javaFile("l.lock")), (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(qmfs_openLock("rom://midlet/x.lock"), nullptr);
    EXPECT_EQ(qmfs_getLastError(), QMFS_ERR_UNSUPPORTED);
}

}  // namespace
