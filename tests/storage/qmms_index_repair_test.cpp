// The start's repair of a damaged suite index: every damage is reported on standard error
// and in the trace, naming the suite, and no installed suite loses its files or drops out
// of the list, since its own files vouch for it.
#include "storage/qmms_index.h"

#include "platform/fs.h"
#include "storage/qmfs.h"
#include "storage/qmms_suitefiles.h"
#include "store_fixture.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

const int SUITES = 17;  // page 0 full, two suites on page 1
const size_t HEADER = 256, SLOT = 256, PAGE = 3840;

std::string traced;
void captureTrace(int, const char*, const char*, const char* text) { traced += std::string(text) + "\n"; }

QmmsSuiteInfo suiteRecord(int i) {
    std::string n = std::to_string(i);
    QmmsSuiteInfo s = makeSuite(("Game " + n).c_str(), ("Vendor " + n).c_str(), 0, 1000 + 10 * (uint32_t)i);
    snprintf(s.version, sizeof s.version, "1.%d.0", i);
    s.domain = 1;
    s.midletCount = 2;
    return s;
}

// Installs as the installer does, under the store lock: the slot, the JAR, the resource
// file with manifest and descriptor, the security file, a record store, and last the suite
// data file. The id, or -1.
int installWhole(const QmmsSuiteInfo& s) {
    qmms_lockStore();
    int id = -1;
    bool ok = qmms_addSuite(&s, &id) == 0;
    std::string gfs = "gfs://java/" + std::to_string(id);
    std::string jad = std::string("MIDlet-Name: ") + s.name + "\nMIDlet-Vendor: " + s.vendor +
                      "\nMIDlet-Version: " + s.version + "\nMIDlet-1: One,,One\nMIDlet-2: Two,,Two\n";
    std::vector<uint8_t> jar(s.jarSize, 'J');
    uint32_t sizes[2] = {(uint32_t)jad.size(), (uint32_t)jad.size()};
    uint32_t state = 1;
    ok = ok && qmfs_replaceFile((gfs + ".jar").c_str(), jar.data(), (int)jar.size()) == 0;
    ok = ok && qmms_createRawFile(id, 2, sizes) == 0 &&
         qmms_writeRawEntry(0, "META-INF/MANIFEST.MF", jad.data(), nullptr, 0) == 0 &&
         qmms_writeRawEntry(1, "__JAD__", jad.data(), nullptr, 0) == 0 && qmms_commitRawFile(1) == 0;
    ok = ok && qmms_loadSecurity(id) == 0 && qmms_setSecurityHeader(s.domain, 1) == 0 &&
         qmms_setSecurityStates(&state) == 0 && qmms_saveSecurity(1) == 0;
    ok = ok && qmfs_replaceFile((gfs + ".rs1").c_str(), "records", 7) == 0;
    QmmsSuiteData d;
    memset(&d, 0, sizeof d);
    snprintf(d.jarLocation, sizeof d.jarLocation, "%s.jar", gfs.c_str());
    d.jadSize = (uint32_t)jad.size();
    d.jarSize = s.jarSize;
    d.midletCount = 2;
    d.versionMajor = 1;
    d.versionMinor = (uint32_t)id;
    QmmsMidletInfo one = {"One", "", "One"}, two = {"Two", "", "Two"};
    ok = ok && qmms_openSuite(id) == 0 && qmms_setSuiteData(&d) == 0 && qmms_setMidletEntry(0, &one) == 0 &&
         qmms_setMidletEntry(1, &two) == 0 && qmms_closeSuite(1) == 0;
    qmms_unlockStore();
    return ok ? id : -1;
}

std::string describe(const QmmsSuiteInfo& s) {
    char text[400];
    snprintf(text, sizeof text, "%u \"%s\" \"%s\" %s %s domain %u category %u jar %u pre %u second %u midlets %u",
             s.suiteId, s.name, s.vendor, s.version, s.directory, s.domain, s.category, s.jarSize, s.preinstalled,
             s.secondFlag, s.midletCount);
    return text;
}

using Files = std::map<std::string, std::vector<uint8_t>>;

class QmmsIndexRepairTest : public ::testing::Test {
protected:
    void SetUp() override {
        QmmsHooks hooks{};
        hooks.storageFreeSpace = plentyOfSpace;
        qmms_setHooks(&hooks);
        ASSERT_EQ(qmms_init(0), 0);
        for (int i = 0; i < SUITES; i++) ASSERT_EQ(installWhole(suiteRecord(i)), i);
        ASSERT_EQ(qmms_fini(), 0);
        installed_ = readFolder();
        installed_.erase("suites.idx.lock");
        index_ = installed_["suites.idx"];
        ASSERT_EQ(index_.size(), HEADER + 2 * PAGE);
    }
    void TearDown() override {
        qmfs_setTraceHook(nullptr);
        qmms_fini();
        qmms_setHooks(nullptr);
    }
    Files readFolder() {
        Files files;
        std::string folder = tree_.javaFile("");
        DIR* d = opendir(folder.c_str());
        for (struct dirent* e; d != nullptr && (e = readdir(d)) != nullptr;)
            if (e->d_name[0] != '.') files[e->d_name] = tree_.read(folder + e->d_name);
        if (d != nullptr) closedir(d);
        return files;
    }
    // Starts the store on the installed files with this index; answers what the start
    // wrote on standard error, and leaves the trace in `traced`.
    std::string startWith(const Files& files) {
        qmms_fini();
        for (const auto& f : readFolder()) unlink(tree_.javaFile(f.first).c_str());
        for (const auto& f : files) tree_.write(tree_.javaFile(f.first), f.second);
        traced.clear();
        qmfs_setTraceHook(captureTrace);
        testing::internal::CaptureStderr();
        qmms_init(0);
        std::string err = testing::internal::GetCapturedStderr();
        qmfs_setTraceHook(nullptr);
        return err;
    }
    std::string startWith(const std::vector<uint8_t>& index) {
        Files files = installed_;
        files["suites.idx"] = index;
        return startWith(files);
    }
    // Every installed suite is listed with its own record and keeps every file.
    void expectEverySuiteWhole(const std::string& what) {
        EXPECT_EQ(qmms_getSuiteCount(-1), SUITES) << what;
        std::vector<QmmsSuiteInfo> list(SUITES + 1);
        ASSERT_EQ(qmms_getSuiteList(-1, list.data(), 0), 0) << what;
        for (int i = 0; i < SUITES; i++) {
            QmmsSuiteInfo want = suiteRecord(i), got;
            want.suiteId = (uint32_t)i;
            memset(&got, 0, sizeof got);
            EXPECT_EQ(qmms_getSuiteInfo(i, &got), 0) << what << ": suite " << i;
            EXPECT_EQ(describe(got), describe(want)) << what;
            EXPECT_EQ(qmms_getSuiteId(want.name, want.vendor), i) << what;
        }
        Files now = readFolder();
        for (const auto& f : installed_) {
            if (f.first == "suites.idx") continue;
            EXPECT_TRUE(now.count(f.first) != 0 && now[f.first] == f.second) << what << ": " << f.first << " kept";
        }
    }
    DeviceTree tree_;
    Files installed_;
    std::vector<uint8_t> index_;
};

// Whether every fragment appears in a "Movane: " line of err and in the trace.
void expectReported(const std::string& err, const std::vector<std::string>& fragments, const std::string& what) {
    for (const std::string& f : fragments) {
        size_t at = err.find(f);
        EXPECT_NE(at, std::string::npos) << what << ": standard error tells \"" << f << "\"\n" << err;
        if (at != std::string::npos) {
            size_t lineStart = err.rfind('\n', at);
            lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
            EXPECT_EQ(err.compare(lineStart, 8, "Movane: "), 0)
                << what << ": " << err.substr(lineStart, at - lineStart);
        }
        EXPECT_NE(traced.find(f), std::string::npos) << what << ": the trace tells \"" << f << "\"\n" << traced;
    }
}

std::string damagedSuite(int id, const char* fields) {
    return "the slot of suite " + std::to_string(id) + " \"Game " + std::to_string(id) + "\" was damaged (" + fields;
}

TEST_F(QmmsIndexRepairTest, EveryDamageIsReportedAndNoInstalledSuiteIsLost) {
    using Bytes = std::vector<uint8_t>;
    const size_t slot3 = HEADER + 3 * SLOT;
    auto flip = [](size_t at, int bit) { return [at, bit](Bytes& b) { b[at] ^= (uint8_t)(1u << bit); }; };
    auto set = [](size_t at, uint8_t v) { return [at, v](Bytes& b) { b[at] = v; }; };
    auto cut = [](size_t n) { return [n](Bytes& b) { b.resize(n); }; };
    // the suites whose slots a file of n bytes does not hold whole
    auto cutSuites = [](size_t n) {
        std::vector<std::string> out;
        for (int id = 0; id < SUITES; id++) {
            std::string suite = "suite " + std::to_string(id) + " \"Game " + std::to_string(id) + "\"";
            if (HEADER + (size_t)id * SLOT >= n)
                out.push_back(suite + " had no slot left in the file: rebuilt from the suite's files");
            else if (HEADER + (size_t)(id + 1) * SLOT > n)
                out.push_back(damagedSuite(id, ""));
        }
        return out;
    };
    auto with = [](std::vector<std::string> a, const std::string& b) {
        a.push_back(b);
        return a;
    };
    const std::string cutShort = "suites.idx is cut short or its header is damaged";
    struct Damage {
        const char* name;
        std::function<void(Bytes&)> apply;
        std::vector<std::string> reported;
    } cases[] = {
        // One bit of each field of suite 3's slot, flipped so that the field cannot be
        // what the store wrote (a flag flipped to its other value is no damage the layout
        // shows, nor a name turned into another plausible name).
        {"used byte flipped to 0", flip(slot3 + QMMS_SLOT_USED, 0), {damagedSuite(3, "used byte)")}},
        {"used byte flipped to 3", flip(slot3 + QMMS_SLOT_USED, 1), {damagedSuite(3, "used byte)")}},
        {"used byte of another value", set(slot3 + QMMS_SLOT_USED, 0x5A), {damagedSuite(3, "used byte)")}},
        {"name", flip(slot3 + QMMS_SLOT_NAME, 7), {damagedSuite(3, "name)")}},
        {"name without its end",
         [slot3](Bytes& b) { memset(&b[slot3 + QMMS_SLOT_NAME + 6], 'x', 58); },
         {damagedSuite(3, "name)")}},
        {"vendor", flip(slot3 + QMMS_SLOT_VENDOR, 7), {damagedSuite(3, "vendor)")}},
        {"version", flip(slot3 + QMMS_SLOT_VERSION, 6), {damagedSuite(3, "version)")}},
        {"directory", flip(slot3 + QMMS_SLOT_DIRECTORY, 0), {damagedSuite(3, "directory)")}},
        {"domain", flip(slot3 + QMMS_SLOT_DOMAIN, 7), {damagedSuite(3, "domain)")}},
        {"category", flip(slot3 + QMMS_SLOT_CATEGORY, 4), {damagedSuite(3, "category)")}},
        {"JAR size", flip(slot3 + QMMS_SLOT_JAR_SIZE, 0), {damagedSuite(3, "JAR size)")}},
        {"JAR size, high byte", flip(slot3 + QMMS_SLOT_JAR_SIZE + 3, 7), {damagedSuite(3, "JAR size)")}},
        {"preinstalled flag", flip(slot3 + QMMS_SLOT_PREINSTALLED, 0), {damagedSuite(3, "preinstalled flag)")}},
        {"second flag", flip(slot3 + QMMS_SLOT_SECOND_FLAG, 1), {damagedSuite(3, "second flag)")}},
        {"MIDlet count", flip(slot3 + QMMS_SLOT_MIDLETS, 7), {damagedSuite(3, "MIDlet count)")}},
        {"MIDlet count of 0", set(slot3 + QMMS_SLOT_MIDLETS, 0), {damagedSuite(3, "MIDlet count)")}},
        {"sequence number, a twin of another",
         flip(slot3 + QMMS_SLOT_SEQUENCE, 0),
         {damagedSuite(3, "sequence number)")}},
        {"sequence number beyond the next",
         flip(slot3 + QMMS_SLOT_SEQUENCE + 1, 7),
         {damagedSuite(3, "sequence number)")}},
        {"zeroed slot", [slot3](Bytes& b) { memset(&b[slot3], 0, SLOT); }, {damagedSuite(3, "used byte, name")}},
        {"slot of 0xFF bytes",
         [slot3](Bytes& b) { memset(&b[slot3], 0xFF, SLOT); },
         {damagedSuite(3, "used byte, name")}},
        // the header
        {"header counting no page", set(QMMS_HDR_PAGES, 0), {cutShort}},
        {"header counting three pages", flip(QMMS_HDR_PAGES, 0), {cutShort}},
        {"header's next sequence number low", set(QMMS_HDR_SEQUENCE, 4), {"header's next sequence number 4"}},
        // cut short anywhere
        {"cut to nothing", cut(0), with(cutSuites(0), "suites.idx holds 0 bytes and no page")},
        {"cut inside the header", cut(100), with(cutSuites(0), "suites.idx holds 100 bytes")},
        {"cut after the header", cut(HEADER), with(cutSuites(0), "suites.idx holds 256 bytes")},
        {"cut after the used byte of suite 3", cut(slot3 + 1), with(cutSuites(slot3 + 1), cutShort)},
        {"cut inside suite 3's name", cut(slot3 + 10), with(cutSuites(slot3 + 10), cutShort)},
        {"cut inside suite 3's version", cut(slot3 + 135), with(cutSuites(slot3 + 135), cutShort)},
        {"cut before suite 3's sequence number", cut(slot3 + 219), with(cutSuites(slot3 + 219), cutShort)},
        {"cut after page 0", cut(HEADER + PAGE), with(cutSuites(HEADER + PAGE), cutShort)},
        {"cut inside suite 16's slot", cut(HEADER + 16 * SLOT + 128),
         with(cutSuites(HEADER + 16 * SLOT + 128), cutShort)},
        {"cut one byte short", cut(HEADER + 2 * PAGE - 1), {cutShort}},
        {"garbage",
         [](Bytes& b) {
             srand(11);
             for (uint8_t& x : b) x = (uint8_t)rand();
         },
         [] {
             std::vector<std::string> out;
             for (int id = 0; id < SUITES; id++) out.push_back(damagedSuite(id, ""));
             return out;
         }()},
    };
    for (const Damage& c : cases) {
        Bytes index = index_;
        c.apply(index);
        std::string err = startWith(index);
        EXPECT_TRUE(qmms_isStarted()) << c.name;
        EXPECT_EQ(qmms_lastStatus(), QMMS_STATUS_FILE_ERROR) << c.name;
        expectReported(err, c.reported, c.name);
        expectEverySuiteWhole(c.name);
        // the repair holds: the next start finds nothing to repair
        ASSERT_EQ(qmms_fini(), 0) << c.name;
        Files repaired = readFolder();
        repaired.erase("suites.idx.lock");
        std::string again = startWith(repaired);
        EXPECT_EQ(again, "") << c.name << ": the next start";
        EXPECT_EQ(qmms_lastStatus(), 0) << c.name << ": the next start";
        expectEverySuiteWhole(std::string(c.name) + ", the next start");
    }
}

// A slot that no suite data file backs is freed, and said so: a removed suite's slot that
// came back to life, or one too damaged to tell.
TEST_F(QmmsIndexRepairTest, SlotsWithoutSuiteFilesAreFreedAndReported) {
    ASSERT_EQ(qmms_init(0), 0);
    ASSERT_EQ(qmms_removeSuiteFiles(5), 0);
    ASSERT_EQ(qmms_fini(), 0);
    Files removed = readFolder();
    removed.erase("suites.idx.lock");
    const std::vector<uint8_t> index = removed["suites.idx"];
    const size_t slot5 = HEADER + 5 * SLOT;
    ASSERT_EQ(index[slot5 + QMMS_SLOT_USED], 0);
    struct Case {
        const char* name;
        uint8_t used;
        int status;
        std::string reported;
    } cases[] = {
        {"the used byte flipped back to 1", 1, 0,
         "suite 5 \"Game 5\" has no suite data file, as an install or removal cut short leaves it"},
        {"a used byte of another value", 0x41, QMMS_STATUS_FILE_ERROR,
         "the slot of suite 5 \"Game 5\" was damaged (used byte) and no suite data file backs it"},
    };
    for (const Case& c : cases) {
        Files files = removed;
        files["suites.idx"][slot5 + QMMS_SLOT_USED] = c.used;
        std::string err = startWith(files);
        EXPECT_EQ(qmms_lastStatus(), c.status) << c.name;
        expectReported(err, {c.reported}, c.name);
        EXPECT_EQ(qmms_getSuiteCount(-1), SUITES - 1) << c.name;
        QmmsSuiteInfo info;
        EXPECT_EQ(qmms_getSuiteInfo(5, &info), -1) << c.name;
        EXPECT_EQ(qmms_getSuiteId("Game 6", "Vendor 6"), 6) << c.name;
        EXPECT_EQ(tree_.read(tree_.javaFile("suites.idx"))[QMMS_HDR_SUITES], SUITES - 1) << c.name;
    }
}

// Files of a suite whose id lies beyond what the index can rebuild are never taken for a
// crash's leftovers.
TEST_F(QmmsIndexRepairTest, SuiteFilesWithoutASlotAreLeftAlone) {
    Files files = installed_;
    files["1000.jdx"] = installed_["3.jdx"];
    files["1000.rs1"] = {'r', 's'};
    files["1000_5.tmp"] = {1};  // an unfinished write goes all the same
    std::string err = startWith(files);
    expectReported(err, {"gfs://java/1000.jdx and the files of suite 1000 have no slot in suites.idx: left alone"},
                   "suite 1000");
    EXPECT_TRUE(tree_.exists(tree_.javaFile("1000.jdx")));
    EXPECT_TRUE(tree_.exists(tree_.javaFile("1000.rs1")));
    EXPECT_FALSE(tree_.exists(tree_.javaFile("1000_5.tmp")));
    expectEverySuiteWhole("suite 1000");
}

}  // namespace
