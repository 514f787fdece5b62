// The runner over mutated JARs: the thirty-class program, stored and deflated, with
// bytes flipped, fields set to extremes and ends cut, run by movane-kvm itself at small
// heaps under a collection (1) and a compaction (2) before every allocation. In the
// sanitizer build the runner is instrumented, so a bad read or write is reported here.
// The unmutated JAR must give the program's output; a mutant may fail, but only with
// an exit status and a message, never a signal, a sanitizer report or a failed VM_ASSERT.
// MOVANE_KVM_FUZZ_ROUNDS raises the number of mutants for longer runs by hand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kvm_fixture.h"

extern char** environ;

namespace {

struct RunOutcome {
    bool signalled = false;
    bool timedOut = false;
    int exitCode = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs movane-kvm with the stress mode set, output to files; killed after `seconds`.
RunOutcome runKvm(const std::vector<std::string>& args, int stress, int seconds) {
    std::string base = "/tmp/vm-sound-kvmfuzz-" + std::to_string(getpid());
    std::string outPath = base + ".out", errPath = base + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; e++) {
        if (strncmp(*e, "MOVANE_GC_STRESS=", 17) != 0) env.push_back(*e);
    }
    env.push_back("MOVANE_GC_STRESS=" + std::to_string(stress));
    std::vector<char*> argv{(char*)MOVANE_KVM_PROGRAM};
    for (const std::string& a : args) argv.push_back((char*)a.c_str());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back((char*)e.c_str());
    envp.push_back(nullptr);
    RunOutcome r;
    pid_t pid = 0;
    if (posix_spawn(&pid, MOVANE_KVM_PROGRAM, &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        r.exitCode = -2;
        return r;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    for (int waited = 0;; waited += 10) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (waited >= seconds * 1000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (!r.timedOut) {
        r.signalled = WIFSIGNALED(status);
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return r;
}

// One mutation: a run of flipped bits, a 16- or 32-bit field set to an extreme, or a cut end.
std::vector<uint8_t> mutate(const std::vector<uint8_t>& basis, std::mt19937& rng) {
    std::vector<uint8_t> v = basis;
    static const uint32_t extremes[] = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    int edits = 1 + (int)(rng() % 4);
    for (int k = 0; k < edits && !v.empty(); k++) {
        size_t at = rng() % v.size();
        switch (rng() % 4) {
            case 0:
                v[at] ^= (uint8_t)(1u << (rng() % 8));
                break;
            case 1:
                v[at] = (uint8_t)rng();
                break;
            case 2: {
                uint32_t value = extremes[rng() % (sizeof extremes / sizeof extremes[0])];
                int width = rng() % 2 ? 2 : 4;
                for (int b = 0; b < width && at + b < v.size(); b++) v[at + b] = (uint8_t)(value >> (8 * b));
                break;
            }
            default:
                if (rng() % 4 == 0) v.resize(at);
                break;
        }
    }
    return v;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
    return (bool)out;
}

int fuzzRounds() {
    const char* setting = getenv("MOVANE_KVM_FUZZ_ROUNDS");
    int n = setting != nullptr ? atoi(setting) : 0;
    return n > 0 ? n : 6;
}

TEST(RunnerFuzz, MutatedJarsAtSmallHeapsUnderCollectorStress) {
    struct Basis {
        const char* name;
        const char* path;
    };
    const Basis bases[] = {{"stored", PROGRAM_STORED_JAR}, {"deflated", PROGRAM_DEFLATED_JAR}};
    const std::string expected = slurp(PROGRAM_EXPECTED);
    ASSERT_FALSE(expected.empty());
    const std::string jar = "/tmp/vm-sound-kvmfuzz-" + std::to_string(getpid()) + ".jar";
    std::mt19937 rng(20261210);
    int failedCleanly = 0, ran = 0;
    for (const Basis& b : bases) {
        std::vector<uint8_t> basis = kvmtest::readFile(b.path);
        ASSERT_FALSE(basis.empty()) << b.path;
        for (const char* heap : {"48k", "128k", "512k"}) {
            for (int stress : {1, 2}) {
                for (int n = 0; n <= fuzzRounds(); n++) {
                    ASSERT_TRUE(writeFile(jar, n == 0 ? basis : mutate(basis, rng)));
                    RunOutcome r = runKvm({"-heapsize", heap, "-classpath", jar, "prog.Main"}, stress, 20);
                    std::string what = std::string(b.name) + " at " + heap + ", stress " + std::to_string(stress) +
                                       ", mutant " + std::to_string(n);
                    ran++;
                    ASSERT_FALSE(r.signalled) << what << "\n" << r.err;
                    ASSERT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << what << "\n" << r.err;
                    ASSERT_EQ(r.err.find("runtime error:"), std::string::npos) << what << "\n" << r.err;
                    ASSERT_EQ(r.err.find("VM_ASSERT failed"), std::string::npos) << what << "\n" << r.err;
                    if (n == 0) {
                        ASSERT_EQ(r.exitCode, 0) << what << "\n" << r.err;
                        ASSERT_EQ(r.out, expected) << what;
                        continue;
                    }
                    // a mutated program may also loop for ever: that is not a fault
                    if (r.timedOut) continue;
                    if (r.exitCode != 0) {
                        failedCleanly++;
                        ASSERT_FALSE(r.err.empty()) << what << ": exit " << r.exitCode << " without a message";
                    }
                }
            }
        }
    }
    unlink(jar.c_str());
    EXPECT_GT(failedCleanly, 0) << "the mutations should reach the reader's and loader's checks (" << ran << " runs)";
}

}  // namespace
