// Record stores as MIDlets use them, through movane-kvm run as a suite on a suite store of
// its own: the MIDP cases, stores shared between suites, damaged files, and a writer
// killed at random moments whose every acknowledged change must survive.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

std::string kvmProgram() {
    const char* over = getenv("MOVANE_KVM");
    return over != nullptr && over[0] != 0 ? over : KVM_PROGRAM;
}

void removeFolder(const std::string& folder) {
    std::string cmd = "rm -rf '" + folder + "' '" + folder + ".out' '" + folder + ".err'";
    if (system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
}

// A fresh, empty device folder for one test, of this process alone (the suite also runs
// under collector stress beside itself); removed when the test ends.
class Storage {
public:
    explicit Storage(const std::string& name)
        : folder_(std::string(RMS_TMP) + "/storage-" + std::to_string(getpid()) + "-" + name) {
        removeFolder(folder_);
    }
    ~Storage() { removeFolder(folder_); }
    operator const std::string&() const { return folder_; }

private:
    std::string folder_;
};

std::vector<std::string> kvmArguments(const std::string& storage, const std::string& vendor, const std::string& suite,
                                      const std::vector<std::string>& program) {
    std::vector<std::string> words = {kvmProgram(), "-storage", storage,      "-suite",
                                      vendor,       suite,      "-classpath", RMS_JAR};
    words.insert(words.end(), program.begin(), program.end());
    return words;
}

pid_t spawn(const std::vector<std::string>& words, int out, int err) {
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(126);
    }
    return pid;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct KvmRun {
    int status;
    std::string out;
    std::string err;
};

// One run to its end, as suite "suite" of "vendor".
KvmRun runAs(const std::string& storage, const std::string& vendor, const std::string& suite,
             const std::vector<std::string>& program) {
    std::string outPath = storage + ".out", errPath = storage + ".err";
    mkdir(RMS_TMP, 0777);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    pid_t pid = spawn(kvmArguments(storage, vendor, suite, program), out, err);
    close(out);
    close(err);
    int status = -1;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readAll(outPath), readAll(errPath)};
}

KvmRun runGame(const std::string& storage, const std::vector<std::string>& program) {
    return runAs(storage, "Acme", "Game", program);
}

// The host path of the suite's record-store file with that suffix (".rs2").
std::string recordFile(const std::string& storage, const char* suffix) {
    std::string folder = storage + "/java";
    DIR* d = opendir(folder.c_str());
    std::string found;
    while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, suffix) == 0) found = folder + "/" + name;
    }
    if (d != nullptr) closedir(d);
    return found;
}

long fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (long)st.st_size : -1;
}

TEST(RmsCases, EachCaseOnAFreshSuite) {
    const char* const cases[] = {"ids never reused",    "getRecord into an offset buffer",
                                 "zero-length records", "setRecord growing and shrinking",
                                 "enumeration order",   "keepUpdated",
                                 "listeners",           "version and last modified",
                                 "exceptions",          "three stores at most",
                                 "open counts",         "RecordStoreFullException at the quota"};
    for (int i = 0; i < (int)(sizeof cases / sizeof cases[0]); i++) {
        Storage storage("case" + std::to_string(i));
        KvmRun run = runGame(storage, {"RmsCases", std::to_string(i)});
        EXPECT_EQ(0, run.status) << cases[i] << "\n" << run.err;
        EXPECT_EQ(std::string(cases[i]) + ": ok\n", run.out) << cases[i] << "\n" << run.err;
    }
}

TEST(RmsCases, StoresSharedBetweenSuites) {
    Storage storage("shared");
    struct Step {
        const char* vendor;
        const char* suite;
        const char* step;
        const char* expected;
    };
    const Step steps[] = {
        {"Acme", "Game", "owner", "own suite by name: look, allowed\n"},
        {"Other", "Tool", "other",
         "private store: SecurityException\n"
         "read-only store: look, add SecurityException, set SecurityException, delete SecurityException, mode "
         "SecurityException\n"
         "writable store: 2 records, mode SecurityException\n"
         "missing store: RecordStoreNotFoundException\n"
         "unknown suite: RecordStoreNotFoundException\n"
         "own list: none\n"
         "deleting another suite's store: RecordStoreNotFoundException\n"},
        {"Acme", "Game", "check", "owner reads: write here, from Tool\n"},
        {"Other", "Tool", "after", "made private: SecurityException\n"},
    };
    for (const Step& s : steps) {
        KvmRun run = runAs(storage, s.vendor, s.suite, {"RmsShared", s.step});
        EXPECT_EQ(0, run.status) << s.step << "\n" << run.err;
        EXPECT_EQ(s.expected, run.out) << s.step << "\n" << run.err;
    }
}

// Damage done to the second store's file (".rs2") after the three stores were filled.
struct Damage {
    const char* name;
    void (*apply)(std::vector<uint8_t>* file);
    const char* beta;  // the checker's line for that store, after "beta: "
    const char* stores;
};

void put32(std::vector<uint8_t>* f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) (*f)[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

uint32_t get32(const std::vector<uint8_t>& f, size_t at) {
    return (uint32_t)f[at] << 24 | (uint32_t)f[at + 1] << 16 | (uint32_t)f[at + 2] << 8 | f[at + 3];
}

uint32_t fnv(uint32_t h, const uint8_t* b, size_t n) {
    for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 16777619u;
    return h;
}

const size_t kPage = 384, kPageSize = 504;

// Gives the index page at "at" the check word that matches what it now holds, so that the
// checks behind the check word are what finds the damage.
void sealPage(std::vector<uint8_t>* f, size_t at) {
    uint32_t h = fnv(0x811C9DC5u, f->data() + at, 4);
    put32(f, at + 4, fnv(h, f->data() + at + 8, kPageSize - 8));
}

// The file as the first format wrote it: no check words.
void withoutCheckWords(std::vector<uint8_t>* f) {
    (*f)[5] = 1;
    put32(f, 100, 0);
    for (size_t at = get32(*f, 80 + 16); at != 0; at = get32(*f, at)) put32(f, at + 4, 0);
}

const Damage damages[] = {
    {"truncated below the header", [](std::vector<uint8_t>* f) { f->resize(100); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: it holds 100 bytes, less than its header",
     "alpha gamma"},
    {"truncated inside the records", [](std::vector<uint8_t>* f) { f->resize(f->size() - 30); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: records overlap or lie outside the file",
     "alpha beta gamma"},
    {"zeroed", [](std::vector<uint8_t>* f) { std::fill(f->begin(), f->end(), 0); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: it is not a record store file",
     "alpha gamma"},
    {"garbage",
     [](std::vector<uint8_t>* f) {
         std::mt19937 random(7);
         for (uint8_t& b : *f) b = (uint8_t)random();
     },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: it is not a record store file",
     "alpha gamma"},
    {"a wrong version", [](std::vector<uint8_t>* f) { (*f)[5] = 9; },
     "RecordStoreException: record store file gfs://java/0.rs2 has format version 9; this runtime reads versions 1 "
     "and 2",
     "alpha gamma"},
    {"a malformed header", [](std::vector<uint8_t>* f) { (*f)[11] = 99; },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: its header is malformed", "alpha gamma"},
    // the first index page lies at 384, record 1's data right after it, record 2's next
    {"garbage in a record's bytes", [](std::vector<uint8_t>* f) { (*f)[384 + 504 + 50 + 10] ^= 0x55; },
     "RecordStoreException: record 2 of \"beta\" is damaged", "alpha beta gamma"},
    {"a slot pointing outside the file",
     [](std::vector<uint8_t>* f) { put32(f, 384 + 8 + 4, 0x7FFFFFF0), sealPage(f, kPage); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: records overlap or lie outside the file",
     "alpha beta gamma"},
    {"a slot with an ID never given", [](std::vector<uint8_t>* f) { put32(f, 384 + 8, 5000); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index slot 0 is malformed",
     "alpha beta gamma"},
    {"an index page naming itself next", [](std::vector<uint8_t>* f) { put32(f, 384, 384), sealPage(f, kPage); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: an index page lies outside the file or "
     "repeats",
     "alpha beta gamma"},
    // a journal that does not check out was being armed: nothing had changed yet (the last
    // commit's journal, armed again with one byte under its check changed)
    {"a torn journal", [](std::vector<uint8_t>* f) { put32(f, 128, 0x4A524E4C), (*f)[133] ^= 1; }, "whole, 40 records",
     "alpha beta gamma"},
    // damage that once read as a store with fewer or emptier records
    {"the first index page zeroed",
     [](std::vector<uint8_t>* f) { std::fill(&(*f)[kPage], &(*f)[kPage + kPageSize], 0); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index page 0 fails its check",
     "alpha beta gamma"},
    {"512 bytes zeroed over the second index page",
     [](std::vector<uint8_t>* f) {
         size_t at = get32(*f, kPage) - 100;
         std::fill(&(*f)[at], &(*f)[at + 512], 0);
     },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index page 1 fails its check",
     "alpha beta gamma"},
    {"16 zero bytes over two slots",
     [](std::vector<uint8_t>* f) { std::fill(&(*f)[kPage + 16], &(*f)[kPage + 32], 0); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index slot 1 is malformed",
     "alpha beta gamma"},
    {"a slot zeroed whole", [](std::vector<uint8_t>* f) { std::fill(&(*f)[kPage + 8], &(*f)[kPage + 24], 0); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index page 0 fails its check",
     "alpha beta gamma"},
    {"a free slot holding a record's fields",
     [](std::vector<uint8_t>* f) { put32(f, kPage + 8, 0), sealPage(f, kPage); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: index slot 0 is malformed",
     "alpha beta gamma"},
    {"a record's length zeroed", [](std::vector<uint8_t>* f) { put32(f, kPage + 8 + 8, 0), sealPage(f, kPage); },
     "RecordStoreException: record 1 of \"beta\" is damaged", "alpha beta gamma"},
    {"the header's first index page zeroed", [](std::vector<uint8_t>* f) { put32(f, 80 + 16, 0); },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: its header fails its check", "alpha gamma"},
    {"the header's name changed", [](std::vector<uint8_t>* f) { (*f)[17] = 'B'; },
     "RecordStoreException: record store file gfs://java/0.rs2 is damaged: its header fails its check", "alpha gamma"},
    // a store written before the check words is read, and given them
    {"a file of the first format", withoutCheckWords, "whole, 40 records", "alpha beta gamma"},
};

TEST(RmsDamage, DamagedFilesGiveAClearErrorAndSpareTheOthers) {
    for (const Damage& d : damages) {
        Storage storage("damage");
        KvmRun made = runGame(storage, {"RmsDamage", "make"});
        ASSERT_EQ(0, made.status) << made.err;
        std::string path = recordFile(storage, ".rs2");
        ASSERT_FALSE(path.empty());
        std::string bytes = readAll(path);
        std::vector<uint8_t> file(bytes.begin(), bytes.end());
        d.apply(&file);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write((const char*)file.data(), (std::streamsize)file.size());
        KvmRun run = runGame(storage, {"RmsDamage", "check"});
        EXPECT_EQ(0, run.status) << d.name << "\n" << run.err;
        std::string expected = std::string("stores: ") + d.stores + "\nalpha: whole, 3 records\nbeta: " + d.beta +
                               "\ngamma: whole, 3 records\n";
        EXPECT_EQ(expected, run.out) << d.name << "\n" << run.err;
        EXPECT_EQ(file.size(), readAll(path).size()) << d.name << ": a damaged file is left as it is";
    }
}

// A file of the first format is read whole and given its check words, which then find the
// damage the first format could not tell from valid data.
TEST(RmsDamage, AFileOfTheFirstFormatGetsItsCheckWords) {
    Storage storage("upgrade");
    ASSERT_EQ(0, runGame(storage, {"RmsDamage", "make"}).status);
    std::string path = recordFile(storage, ".rs2");
    std::string bytes = readAll(path);
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    withoutCheckWords(&file);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write((const char*)file.data(), (std::streamsize)file.size());
    KvmRun run = runGame(storage, {"RmsDamage", "check"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("beta: whole, 40 records\n")) << run.out;
    bytes = readAll(path);
    std::vector<uint8_t> upgraded(bytes.begin(), bytes.end());
    ASSERT_EQ(file.size(), upgraded.size());
    EXPECT_EQ(2, upgraded[5]) << "the format version";
    EXPECT_NE(0u, get32(upgraded, kPage + 4)) << "the first index page's check word";
    EXPECT_NE(0u, get32(upgraded, 100)) << "the header's check word";
    std::fill(&upgraded[kPage], &upgraded[kPage + kPageSize], 0);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write((const char*)upgraded.data(), (std::streamsize)upgraded.size());
    run = runGame(storage, {"RmsDamage", "check"});
    EXPECT_NE(std::string::npos, run.out.find("beta: RecordStoreException: record store file gfs://java/0.rs2 is "
                                              "damaged: index page 0 fails its check\n"))
        << run.out;
}

// Reads whole lines the writer printed; the last op number in *last.
void readLines(int fd, std::string* pending, int* last) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    pending->append(buffer, (size_t)n);
    size_t end;
    while ((end = pending->find('\n')) != std::string::npos) {
        *last = atoi(pending->substr(0, end).c_str());
        pending->erase(0, end + 1);
    }
}

// Starts the writer after op done, kills it a random time after its first acknowledged op;
// answers the last op it acknowledged.
int writeAndKill(const std::string& storage, int done, std::mt19937* random) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    int devNull = open("/dev/null", O_WRONLY);
    pid_t pid =
        spawn(kvmArguments(storage, "Acme", "Game", {"RmsCrash", "write", std::to_string(done)}), pipeFds[1], devNull);
    close(pipeFds[1]);
    close(devNull);
    int last = done;
    std::string pending;
    pollfd p = {pipeFds[0], POLLIN, 0};
    // the writer's start-up is not what is tested: wait for its first op
    while (last == done && poll(&p, 1, 10000) > 0 && (p.revents & POLLIN)) readLines(pipeFds[0], &pending, &last);
    timespec pause = {0, (long)((*random)() % 12000000)};
    nanosleep(&pause, nullptr);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    // what was written before the kill is still in the pipe
    while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
        int before = last;
        readLines(pipeFds[0], &pending, &last);
        if (before == last && pending.find('\n') == std::string::npos) break;
    }
    close(pipeFds[0]);
    return last;
}

TEST(RmsCrash, KilledAtRandomTheStoreKeepsEveryAcknowledgedChange) {
    // RMS_CRASH_KILLS asks for more (a long run by hand)
    int kills = RMS_CRASH_KILLS_DEFAULT;
    if (const char* n = getenv("RMS_CRASH_KILLS")) kills = atoi(n);
    Storage storage("crash");
    std::mt19937 random(20261210);
    int done = 0;
    int advanced = 0;
    // on a busy machine fewer kills fit the test's time: stop at a deadline, not a count
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int k = 0;
    for (; k < kills && std::chrono::steady_clock::now() < deadline; k++) {
        int acknowledged = writeAndKill(storage, done, &random);
        ASSERT_GE(acknowledged, done) << "kill " << k;
        KvmRun check = runGame(storage, {"RmsCrash", "check", std::to_string(acknowledged)});
        ASSERT_EQ(0, check.status) << "kill " << k << "\n" << check.err;
        int state = -1;
        long size = -1;
        int records = -1;
        char bystander[32] = {};
        ASSERT_EQ(4, sscanf(check.out.c_str(), "state %d\nbystander %31s\nsize %ld records %d", &state, bystander,
                            &size, &records))
            << "kill " << k << " after op " << acknowledged << ":\n"
            << check.out << check.err;
        ASSERT_TRUE(state == acknowledged || state == acknowledged + 1) << "kill " << k << ": " << check.out;
        EXPECT_STREQ("untouched", bystander) << "kill " << k;
        // the quota counts the files; after a roll-back they hold what the stores account for
        long files = fileSize(recordFile(storage, ".rs1")) + fileSize(recordFile(storage, ".rs2"));
        ASSERT_EQ(files, size) << "kill " << k;
        ASSERT_LT(files, 31744) << "kill " << k << ": space is reused";
        advanced += state > done;
        done = state;
    }
    ASSERT_GE(k, 5) << "too few kills before the deadline";
    EXPECT_GT(advanced, k / 2) << "most kills came after some progress";
    printf("%d kills, %d ops acknowledged\n", k, done);
}

}  // namespace
