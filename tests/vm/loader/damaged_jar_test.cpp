// A class whose JAR entry cannot be read fails its load saying that the JAR is damaged,
// naming the entry and what is wrong with it; a class that no archive holds still fails
// with its name alone.
#include <gtest/gtest.h>

#include <functional>

#include "classload_fixture.h"

using namespace loadtest;

namespace {

// The archive the cases damage: A deflated, B stored, Sub (extends B) deflated.
std::vector<uint8_t> soundArchive(zipw::Layout* layout) {
    zipw::Archive a;
    a.add("A.class", plainClass("A").bytes(), zipw::DEFLATED);
    a.add("B.class", plainClass("B").bytes(), zipw::STORED);
    a.add("Sub.class", plainClass("Sub", "B").bytes(), zipw::DEFLATED);
    return a.write(layout);
}
enum { ENTRY_A = 0, ENTRY_B = 1 };

typedef std::function<void(std::vector<uint8_t>&, const zipw::Layout&)> Damage;

struct DamageCase {
    const char* name;
    Damage damage;  // done to /app.jar; null leaves it sound
    const char* load;
    bool forName;           // loaded as Class.forName asks
    const char* exception;  // null: the class loads
    const char* message;
    const char* classPath = "/app.jar";
    Damage firstDamage = nullptr;  // the same archive as /first.jar, damaged so
};

// Registers /app.jar (and /first.jar when the case has one) and loads the class twice:
// a failed load leaves it raw, and the second request must fail as the first did.
void runCase(const DamageCase& c) {
    zipw::Layout layout;
    std::vector<uint8_t> app = soundArchive(&layout);
    if (c.damage) c.damage(app, layout);
    std::vector<uint8_t> first = soundArchive(nullptr);
    if (c.firstDamage) c.firstDamage(first, layout);
    LowBlock appLow(app), firstLow(first);
    LoaderVm loader;
    Outcome outcomes[2];
    vmasm::RunResult r = loader.vm.inside([&] {
        initInternalPackages();
        initSystemPackages();
        registerMemoryFile("/app.jar", appLow.data(), nullptr, appLow.size());
        if (c.firstDamage) registerMemoryFile("/first.jar", firstLow.data(), nullptr, firstLow.size());
        initClassPath(c.classPath);
        for (Outcome& o : outcomes) {
            classNotFoundMode = c.forName ? 1 : 0;
            LoaderVm::loadInto(o, c.load);
            if (o.loaded) break;
        }
    });
    ASSERT_EQ(0, r.exitCode) << c.name << "\n" << r.trace;
    for (const Outcome& o : outcomes) {
        if (c.exception == nullptr) {
            EXPECT_TRUE(o.loaded) << c.name << ": " << o.exception << " " << o.message;
            break;
        }
        EXPECT_FALSE(o.loaded) << c.name;
        EXPECT_EQ(c.exception, o.exception) << c.name;
        EXPECT_EQ(c.message, o.message) << c.name;
        EXPECT_EQ(CLASS_RAW, o.statusAfter) << c.name;
    }
}

// One byte of the stored entry B inverted: its CRC no longer matches.
void flipStoredByte(std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.dataStarts[ENTRY_B] + 3] ^= 0xFF; }

const char* const NotFound = "java/lang/ClassNotFoundException";
const char* const NoDefinition = "java/lang/NoClassDefFoundError";

TEST(DamagedJar, AClassWhoseEntryCannotBeReadNamesTheDamage) {
    const DamageCase cases[] = {
        {"deflated data given the reserved block type",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.dataStarts[ENTRY_A]] |= 0x06; }, "A", true, NotFound,
         "A: the JAR is damaged (A.class: block type 3) "},
        {"stored data with a flipped byte", flipStoredByte, "B", true, NotFound,
         "B: the JAR is damaged (B.class: CRC mismatch) "},
        {"deflated entry whose directory CRC is wrong",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.centralHeaders[ENTRY_A] + 16] ^= 1; }, "A", true,
         NotFound, "A: the JAR is damaged (A.class: CRC mismatch) "},
        {"bad local header", [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.localHeaders[ENTRY_B]] = 'X'; },
         "B", true, NotFound, "B: the JAR is damaged (B.class: bad local header) "},
        {"bad first local header: no archive starts there",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.localHeaders[ENTRY_A]] = 'X'; }, "B", true, NotFound,
         "B: the JAR is damaged (/app.jar: no local header at the start) "},
        {"compressed size running into the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[ENTRY_A] + 20, (uint32_t)l.directoryStart);
         },
         "A", true, NotFound, "A: the JAR is damaged (A.class: data truncated) "},
        {"file cut short inside the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v.resize(l.directoryStart + 10); }, "A", true, NotFound,
         "A: the JAR is damaged (/app.jar: no end of central directory) "},
        {"central directory header broken",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.centralHeaders[ENTRY_A]] = 'X'; }, "A", true,
         NotFound, "A: the JAR is damaged (/app.jar: central directory unreadable) "},
        {"without Class.forName: NoClassDefFoundError", flipStoredByte, "B", false, NoDefinition,
         "B: the JAR is damaged (B.class: CRC mismatch) "},
        {"damaged superclass entry", flipStoredByte, "Sub", true, NoDefinition,
         "Sub: the JAR is damaged (B.class: CRC mismatch) "},
        {"damaged entry of the first archive, the next one sound", nullptr, "B", true, nullptr, nullptr,
         "/first.jar;/app.jar", flipStoredByte},
        {"an archive of the path that is no archive", nullptr, "Missing", true, NotFound,
         "Missing: the JAR is damaged (/first.jar: no end of central directory) ", "/first.jar;/app.jar",
         [](std::vector<uint8_t>& v, const zipw::Layout&) { v.resize(100); }},
    };
    for (const DamageCase& c : cases) runCase(c);
}

TEST(DamagedJar, AnAbsentClassStillFailsWithItsName) {
    const DamageCase cases[] = {
        {"sound archive, Class.forName", nullptr, "Missing", true, NotFound, "Missing"},
        {"sound archive", nullptr, "Missing", false, NoDefinition, "Missing"},
        {"another entry damaged", flipStoredByte, "Missing", true, NotFound, "Missing"},
        {"an unregistered name first on the path", nullptr, "Missing", true, NotFound, "Missing", "/none.jar;/app.jar"},
        {"an archive of no entry first on the path", nullptr, "Missing", true, NotFound, "Missing",
         "/first.jar;/app.jar", [](std::vector<uint8_t>& v, const zipw::Layout&) { v = zipw::Archive().write(); }},
        {"a sound class beside a damaged one", flipStoredByte, "A", true, nullptr, nullptr},
    };
    for (const DamageCase& c : cases) runCase(c);
}

}  // namespace
