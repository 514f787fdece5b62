// The runtime folder this program picks itself holds the class sockets and slot files
// every process trusts: one made by another user, or one others can enter, is refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/window.h"

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/movane-rtdir-test-XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~TempFolder() {
        if (!path.empty()) system(("rm -rf '" + path + "'").c_str());
    }
};

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsAccepted) {
    TempFolder base;
    ASSERT_FALSE(base.path.empty());
    struct Case {
        const char* name;
        int mode;  // -1: leave it to be made; -2: a file; -3: a link to a private folder
        bool foreignOwner;
        bool accepted;
        const char* reason;
    };
    const Case cases[] = {
        {"missing", -1, false, true, ""},
        {"private", 0700, false, true, ""},
        {"open-to-all", 0777, false, false, "open to other users"},
        {"group-readable", 0750, false, false, "open to other users"},
        {"world-searchable", 0701, false, false, "open to other users"},
        {"a-file", -2, false, false, "not a folder"},
        {"a-link", -3, false, false, "not a folder"},
        {"no-parent/below", -4, false, false, "cannot be made"},
        {"another-users", 0700, true, false, "belongs to user"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = base.path + "/" + c.name;
        if (c.mode >= 0) {
            ASSERT_EQ(0, mkdir(path.c_str(), 0700));
            ASSERT_EQ(0, chmod(path.c_str(), c.mode));
        } else if (c.mode == -2) {
            std::ofstream(path) << "x";
        } else if (c.mode == -3) {
            ASSERT_EQ(0, mkdir((path + "-target").c_str(), 0700));
            ASSERT_EQ(0, symlink((path + "-target").c_str(), path.c_str()));
        }
        if (c.foreignOwner) {
            // only the superuser can give a folder away
            if (geteuid() != 0) continue;
            ASSERT_EQ(0, chown(path.c_str(), 65534, 65534));
        }
        char why[160] = "";
        EXPECT_EQ(c.accepted ? 1 : 0, WindowCheckRuntimeDir(path.c_str(), why, sizeof why)) << why;
        EXPECT_NE(nullptr, strstr(why, c.reason)) << why;
        if (c.mode == -1) {
            struct stat st;
            ASSERT_EQ(0, stat(path.c_str(), &st)) << "a missing folder is made";
            EXPECT_EQ(0700u, st.st_mode & 0777u);
        }
    }
}

// The peer program run with $XDG_RUNTIME_DIR/movane as its runtime folder: no socket and
// no slot file go into a folder open to others, and standard error says why.
TEST(RuntimeFolder, AProgramRefusesAnOpenFolderAndSaysSo) {
    struct Case {
        int mode;
        bool refused;
    };
    const Case cases[] = {{0777, true}, {0755, true}, {0700, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TempFolder base;
        ASSERT_FALSE(base.path.empty());
        std::string folder = base.path + "/movane";
        std::string errors = base.path + "/stderr.txt";
        ASSERT_EQ(0, mkdir(folder.c_str(), 0700));
        ASSERT_EQ(0, chmod(folder.c_str(), c.mode));
        struct Child {
            pid_t pid = -1;
            ~Child() {
                if (pid > 0) {
                    kill(pid, SIGKILL);
                    waitpid(pid, nullptr, 0);
                }
            }
        } child;
        child.pid = fork();
        if (child.pid == 0) {
            int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) dup2(fd, 2);
            unsetenv("MOVANE_RUNTIME_DIR");
            setenv("XDG_RUNTIME_DIR", base.path.c_str(), 1);
            execl(MOVANE_WINDOW_PEER, MOVANE_WINDOW_PEER, (char*)nullptr);
            _exit(127);
        }
        ASSERT_GT(child.pid, 0);
        std::string socket = folder + "/PeerClass.sock";
        // a loaded machine can take long to start a process
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() < deadline) {
            seen = c.refused ? readAll(errors).find("is refused") != std::string::npos : exists(socket);
            if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(seen) << readAll(errors);
        if (c.refused) {
            EXPECT_FALSE(exists(socket)) << "a class socket in an open folder";
            EXPECT_FALSE(exists(folder + "/slot-1.lock")) << "a slot file in an open folder";
            EXPECT_NE(std::string::npos, readAll(errors).find(folder)) << "the message names the folder";
        }
    }
}

}  // namespace
