// The descriptor interface: JAD and manifest texts, JARs in memory and through a read
// callback, the checks, the match and the merge, and the text operations.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "support/lowmem_fixture.h"
#include "support/zipwriter.h"
#include "vm/services/descriptor.h"

namespace {

// An environment over a block of its own, in the low window: its records hold the
// block's addresses in words.
struct Env {
    LowBlock memory = LowBlock(512 * 1024);
    QamsEnv* env;
    Env() {
        int32_t error = 1;
        env = QamsEnvInitialize(memory.size(), memory.data(), &error);
    }
    ~Env() { QamsEnvFinalize(env); }
};

// "key=value|key=value" for the attributes in order, or "error N".
std::string attributesOf(const std::string& text, bool jad) {
    Env e;
    int32_t error = 1;
    QamsDescriptor* d = QamsDescriptorParse(e.env, (const uint8_t*)text.data(), (int32_t)text.size(), jad, &error);
    if (d == QAMS_NO_DESCRIPTOR) return "error " + std::to_string(error);
    std::string out;
    for (QamsAttribute* a = d->first; a != nullptr; a = a->next) {
        if (!out.empty()) out += "|";
        out += std::string(a->key, (size_t)a->keyLength) + "=" + std::string(a->value, (size_t)a->valueLength);
    }
    QamsJadClose(e.env, d);
    return out;
}

TEST(DescriptorText, JadAndManifestEdgeCases) {
    struct Case {
        const char* name;
        std::string text;
        bool jad;
        const char* expected;
    };
    const Case cases[] = {
        {"LF lines", "MIDlet-Name: A\nMIDlet-Vendor: V\n", true, "MIDlet-Name=A|MIDlet-Vendor=V"},
        {"CR LF lines", "MIDlet-Name: A\r\nMIDlet-Vendor: V\r\n", true, "MIDlet-Name=A|MIDlet-Vendor=V"},
        {"bare CR in a manifest", "A: 1\rB: 2", false, "A=1|B=2"},
        {"bare CR in a JAD", "A: 1\rB: 2", true, "error -4"},
        {"CR at the very end of a JAD", "A: 1\r", true, "A=1"},
        {"spaces and tabs around values", "A:  \t x y \t\nB:\n", true, "A=x y|B="},
        {"blank lines and leading breaks", "\n\n\r\nA: 1\n\n\nB: 2\n\n", true, "A=1|B=2"},
        {"UTF-8 signature",
         "\xEF\xBB\xBF"
         "A: 1",
         true, "A=1"},
        {"UTF-8 value", "MIDlet-Name: \xE3\x81\x82\xC3\xA9", true, "MIDlet-Name=\xE3\x81\x82\xC3\xA9"},
        {"cut UTF-8 sequence", "A: \xE3\x81", true, "error -4"},
        {"bad UTF-8 lead byte", "A: \xF0\x90\x80\x80", true, "error -4"},
        {"manifest continuation", "MIDlet-1: Game,\n Icon,Main\n", false, "MIDlet-1=Game,Icon,Main"},
        {"continuation line in a JAD has no colon", "MIDlet-1: Game,\n Icon,Main\n", true, "error -4"},
        {"continuation inside a UTF-8 character", "A: \xE3\x81\r\n \x82", false, "A=\xE3\x81\x82"},
        {"duplicate key keeps its place", "MIDlet-Name: A\nX: 1\nMIDlet-Name: B\n", true, "MIDlet-Name=B|X=1"},
        {"line without colon", "MIDlet-Name A\n", true, "error -4"},
        {"empty key", ": A\n", true, "error -4"},
        {"key with a space", "MIDlet Name: A\n", true, "error -4"},
        {"key with a slash", "a/b: A\n", true, "error -4"},
        {"control character", "A: x\x01y\n", true, "error -4"},
        {"DEL", "A: x\x7Fy\n", true, "error -4"},
        {"tab in a value", "A: x\ty\n", true, "A=x\ty"},
        {"empty text", "", true, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, attributesOf(c.text, c.jad)) << c.name;
}

TEST(DescriptorText, AttributeIndices) {
    Env e;
    std::string text =
        "MIDlet-Push-1: a\nMIDlet-3: b\nMIDlet-0: c\nMIDlet-Icon: /i.png\nMIDlet-X: d\nMIDlet-Jar-RSA-SHA1: e\n";
    int32_t error = 1;
    QamsDescriptor* d = QamsDescriptorParse(e.env, (const uint8_t*)text.data(), (int32_t)text.size(), 1, &error);
    ASSERT_NE(QAMS_NO_DESCRIPTOR, d);
    std::vector<int32_t> indices;
    for (QamsAttribute* a = d->first; a != nullptr; a = a->next) indices.push_back(a->index);
    EXPECT_EQ((std::vector<int32_t>{1001, 1000, -1, 8, -1, 16}), indices);
    int32_t length = 0;
    EXPECT_EQ(nullptr, QamsDescriptorGetValueByIndex(e.env, d, 17, &length, &error));
    EXPECT_EQ(QAMS_INDEX_RANGE, error);
    EXPECT_EQ(nullptr, QamsDescriptorGetValueByIndex(e.env, d, 2, &length, &error));
    EXPECT_EQ(QAMS_ABSENT, error);
    const char* v = QamsDescriptorGetValueByKey(e.env, d, "MIDlet-3", 8, &length, &error);
    ASSERT_NE(nullptr, v);
    EXPECT_EQ("b", std::string(v, (size_t)length));
    EXPECT_EQ(nullptr, QamsDescriptorGetValueByKey(e.env, d, "MIDlet-", 7, &length, &error)) << "exact length";
    QamsDescriptor fake = {0, nullptr, nullptr};
    EXPECT_EQ(nullptr, QamsDescriptorGetValueByIndex(e.env, &fake, 2, &length, &error));
    EXPECT_EQ(QAMS_BAD_ARGUMENT, error) << "a handle of the wrong kind";
    QamsJadClose(e.env, d);
}

const char* const Base =
    "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\nMIDlet-Jar-URL: game.jar\n"
    "MIDlet-Jar-Size: 100\nMIDlet-1: Game, , game.Main\n";

int32_t checkOf(const std::string& text, bool profiles) {
    Env e;
    int32_t error = 1;
    QamsDescriptor* d = QamsDescriptorParse(e.env, (const uint8_t*)text.data(), (int32_t)text.size(), 1, &error);
    if (d == QAMS_NO_DESCRIPTOR) return 1000 + error;
    int32_t result = profiles ? QamsDescriptorCheckProfiles(e.env, d) : QamsDescriptorCheckRequired(e.env, d);
    QamsJadClose(e.env, d);
    return result;
}

TEST(DescriptorCheck, RequiredAndProfiles) {
    struct Case {
        const char* name;
        std::string text;
        bool profiles;
        int32_t expected;
    };
    const Case cases[] = {
        {"complete", Base, true, 0},
        {"version 1.100", std::string(Base) + "MIDlet-Version: 1.100\n", false, QAMS_SYNTAX},
        {"version 1", std::string(Base) + "MIDlet-Version: 1\n", false, QAMS_SYNTAX},
        {"version 1.2.3", std::string(Base) + "MIDlet-Version: 1.2.3\n", false, 0},
        {"no name", "MIDlet-Vendor: V\nMIDlet-Version: 1.0\n", false, QAMS_NO_NAME},
        {"no vendor", "MIDlet-Name: N\nMIDlet-Version: 1.0\n", false, QAMS_NO_VENDOR},
        {"no version", "MIDlet-Name: N\nMIDlet-Vendor: V\n", false, QAMS_NO_VERSION},
        {"no URL in a JAD", "MIDlet-Name: N\nMIDlet-Vendor: V\nMIDlet-Version: 1.0\n", true, QAMS_NO_JAR_URL},
        {"no URL in plain mode", "MIDlet-Name: N\nMIDlet-Vendor: V\nMIDlet-Version: 1.0\n", false, 0},
        {"empty name", std::string(Base) + "MIDlet-Name:\n", false, QAMS_SYNTAX},
        {"MIDlet-n without class", std::string(Base) + "MIDlet-2: A,icon,\n", false, QAMS_SYNTAX},
        {"MIDlet-n without name", std::string(Base) + "MIDlet-2: ,icon,Main\n", false, QAMS_SYNTAX},
        {"long notify URL", std::string(Base) + "MIDlet-Install-Notify: " + std::string(257, 'u') + "\n", false,
         QAMS_URL_TOO_LONG},
        {"CLDC-1.0", std::string(Base) + "MicroEdition-Configuration: CLDC-1.0\n", true, 0},
        {"CLDC-2.0", std::string(Base) + "MicroEdition-Configuration: CLDC-2.0\n", true,
         QAMS_CONFIGURATION_UNSUPPORTED},
        {"two profiles", std::string(Base) + "MicroEdition-Profile: MIDP-2.0\tMIDP-1.0\n", true, 0},
        {"MIDP-3.0", std::string(Base) + "MicroEdition-Profile: MIDP-2.0 MIDP-3.0\n", true, QAMS_PROFILE_UNSUPPORTED},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, checkOf(c.text, c.profiles)) << c.name;
}

TEST(DescriptorCheck, MatchAndMerge) {
    const std::string manifest =
        "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\nMIDlet-1: Game,,game.Main\n"
        "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\nOnlyInManifest: m\nShared: manifest\n";
    struct Case {
        const char* name;
        std::string jad;  // empty: no JAD
        int32_t strict;
        int32_t expected;
    };
    const Case cases[] = {
        {"equal", "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\n", 0, 0},
        {"no JAD", "", 0, 0},
        {"no JAD in strict mode", "", 1, QAMS_BAD_ARGUMENT},
        {"name differs", "MIDlet-Name: Other\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\n", 0, QAMS_NAME_MISMATCH},
        {"vendor differs", "MIDlet-Name: Game\nMIDlet-Vendor: X\nMIDlet-Version: 1.2\n", 0, QAMS_VENDOR_MISMATCH},
        {"version differs", "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.3\n", 0,
         QAMS_VERSION_MISMATCH},
        {"vendor missing in the JAD", "MIDlet-Name: Game\nMIDlet-Version: 1.2\n", 0, QAMS_VENDOR_MISMATCH},
        {"strict: a shared key differs", "Shared: jad\n", 1, QAMS_VALUE_MISMATCH},
        {"JAD profile wins",
         "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\nMicroEdition-Profile: MIDP-9\n", 0,
         QAMS_PROFILE_UNSUPPORTED},
        {"empty configuration",
         "MIDlet-Name: Game\nMIDlet-Vendor: Movane\nMIDlet-Version: 1.2\nMicroEdition-Configuration:\n", 0,
         QAMS_SYNTAX},
    };
    for (const Case& c : cases) {
        Env e;
        int32_t error = 1;
        QamsDescriptor* m =
            QamsDescriptorParse(e.env, (const uint8_t*)manifest.data(), (int32_t)manifest.size(), 0, &error);
        QamsDescriptor* j =
            c.jad.empty() ? QAMS_NO_DESCRIPTOR
                          : QamsDescriptorParse(e.env, (const uint8_t*)c.jad.data(), (int32_t)c.jad.size(), 1, &error);
        EXPECT_EQ(c.expected, QamsDescriptorVerifyMatch(e.env, j, m, c.strict)) << c.name;
    }
    Env e;
    int32_t error = 1;
    std::string jad = "Shared: jad\nOnlyInJad: j\n";
    QamsDescriptor* m =
        QamsDescriptorParse(e.env, (const uint8_t*)manifest.data(), (int32_t)manifest.size(), 0, &error);
    QamsDescriptor* j = QamsDescriptorParse(e.env, (const uint8_t*)jad.data(), (int32_t)jad.size(), 1, &error);
    QamsDescriptor* merged = QamsDescriptorMerge(e.env, j, m, &error);
    ASSERT_NE(QAMS_NO_DESCRIPTOR, merged);
    std::string order;
    for (QamsAttribute* a = merged->first; a != nullptr; a = a->next)
        order += std::string(a->key, (size_t)a->keyLength) + "=" + std::string(a->value, (size_t)a->valueLength) + ";";
    EXPECT_EQ(
        "MIDlet-Name=Game;MIDlet-Vendor=Movane;MIDlet-Version=1.2;MIDlet-1=Game,,game.Main;"
        "MicroEdition-Configuration=CLDC-1.1;MicroEdition-Profile=MIDP-2.0;OnlyInManifest=m;Shared=jad;OnlyInJad=j;",
        order)
        << "the manifest's order, the JAD's values, then the JAD's own";
    EXPECT_EQ(0, QamsJadClose(e.env, merged));
    EXPECT_EQ(0, QamsJadClose(e.env, j));
    EXPECT_EQ(0, QamsJadClose(e.env, m));
}

TEST(DescriptorText, NumbersListsAndVersions) {
    struct IntCase {
        const char* text;
        int32_t value, error;
    };
    const IntCase ints[] = {
        {"42", 42, 0},
        {"+7", 7, 0},
        {"-2147483648", (int32_t)0x80000000, 0},
        {"2147483647", 0x7FFFFFFF, 0},
        {"2147483648", 0x7FFFFFFF, QAMS_NUMBER_RANGE},
        {"-2147483649", (int32_t)0x80000000, QAMS_NUMBER_RANGE},
        {"-", 0x7FFFFFFF, QAMS_SYNTAX},
        {"1x", 0x7FFFFFFF, QAMS_SYNTAX},
        {"", 0x7FFFFFFF, QAMS_BAD_ARGUMENT},
    };
    for (const IntCase& c : ints) {
        int32_t error = 1;
        EXPECT_EQ(c.value, QamsParseInt(c.text, (int32_t)strlen(c.text), &error)) << c.text;
        EXPECT_EQ(c.error, error) << c.text;
    }
    EXPECT_EQ(1, QamsCountListElements("", 0));
    EXPECT_EQ(3, QamsCountListElements("a,,b", 4));
    int32_t length = 0, error = 1;
    const char* list = "Game , icon.png,  game.Main ";
    const char* element = QamsGetListElement(list, (int32_t)strlen(list), 2, &length, &error);
    EXPECT_EQ("game.Main", std::string(element, (size_t)length));
    EXPECT_EQ(nullptr, QamsGetListElement(list, (int32_t)strlen(list), 3, &length, &error));
    EXPECT_EQ(QAMS_NOT_FOUND, error);
    EXPECT_EQ(QAMS_NOT_FOUND, QamsFindSeparator("abc", 0, 3, "cd", 2)) << "the pattern must lie wholly before end";

    Env e;
    const std::string texts[] = {"MIDlet-Version: 1.2\n", "MIDlet-Version: 3.04.5\n", "MIDlet-Version: 12\n"};
    const int32_t expected[][4] = {{0, 1, 2, 0}, {0, 3, 4, 5}, {QAMS_NOT_FOUND, 0, 0, 0}};
    for (int i = 0; i < 3; i++) {
        QamsDescriptor* d =
            QamsDescriptorParse(e.env, (const uint8_t*)texts[i].data(), (int32_t)texts[i].size(), 1, &error);
        int32_t v[3] = {0, 0, 0};
        EXPECT_EQ(expected[i][0], QamsDescriptorGetVersion(e.env, d, &v[0], &v[1], &v[2])) << texts[i];
        if (expected[i][0] == 0) {
            EXPECT_EQ((std::vector<int32_t>(expected[i] + 1, expected[i] + 4)), std::vector<int32_t>(v, v + 3))
                << texts[i];
        }
        QamsJadClose(e.env, d);
    }
}

TEST(DescriptorText, AttributeForTheSuiteStore) {
    const std::string jad = "MIDlet-1:  Game , icon.png, game.Main \r\nMIDlet-2: Two,,two.Main\r\n";
    struct Case {
        const char* name;
        std::string text;
        const char* key;
        int32_t outSize;
        int32_t result;
        const char* value;
    };
    const Case cases[] = {
        {"first", jad, "MIDlet-1", 64, 0, "Game , icon.png, game.Main"},
        {"second", jad, "MIDlet-2", 64, 0, "Two,,two.Main"},
        {"missing", jad, "MIDlet-3", 64, -1, ""},
        {"cut to the buffer", jad, "MIDlet-2", 4, 0, "Two"},
        {"text that does not parse", "no colon\n", "MIDlet-1", 64, -1, ""},
    };
    for (const Case& c : cases) {
        char out[64] = "";
        EXPECT_EQ(c.result, QamsGetAttribute(c.text.data(), (int32_t)c.text.size(), c.key, out, c.outSize, 1))
            << c.name;
        if (c.result == 0) {
            EXPECT_STREQ(c.value, out) << c.name;
        }
    }
}

// ---------------------------------------------------------------------------------
// JARs

const std::vector<uint8_t>* CallbackJar;
int32_t readJar(uint8_t* buffer, int32_t offset, int32_t size) {
    if (offset < 0 || offset >= (int32_t)CallbackJar->size()) return -1;
    int32_t n = std::min<int32_t>(size, (int32_t)CallbackJar->size() - offset);
    n = std::min<int32_t>(n, 37);  // short reads: the reader must repeat
    memcpy(buffer, CallbackJar->data() + offset, (size_t)n);
    return n;
}

std::string manifestText(QamsEnv* env, QamsJar* jar) {
    int32_t error = 1;
    QamsDescriptor* d = QamsManifestOpen(env, jar, &error);
    if (d == QAMS_NO_DESCRIPTOR) return "error " + std::to_string(error);
    int32_t length = 0;
    const char* v = QamsDescriptorGetValueByKey(env, d, "MIDlet-1", 8, &length, &error);
    std::string out = v ? std::string(v, (size_t)length) : "absent";
    QamsJadClose(env, d);
    return out;
}

TEST(DescriptorJar, ManifestAndEntriesInMemoryAndThroughTheCallback) {
    struct Case {
        const char* name;
        std::function<void(zipw::Archive&)> build;
        const char* manifest;
    };
    const std::string text = "Manifest-Version: 1.0\r\nMIDlet-1: Game,,\r\n game.Main\r\n";
    const Case cases[] = {
        {"deflated", [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text, zipw::DEFLATED); }, "Game,,game.Main"},
        {"stored", [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text); }, "Game,,game.Main"},
        {"mixed-case name", [&](zipw::Archive& a) { a.add("meta-inf/Manifest.MF", text, zipw::DEFLATED); },
         "Game,,game.Main"},
        {"data prepended",
         [&](zipw::Archive& a) {
             a.prefix = std::vector<uint8_t>(100, 0x55);
             a.add("META-INF/MANIFEST.MF", text, zipw::DEFLATED);
         },
         "Game,,game.Main"},
        {"no manifest", [&](zipw::Archive& a) { a.add("game/Main.class", text); }, "error -2"},
        {"bad CRC", [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text, zipw::DEFLATED).crc = 1234; },
         "error -2"},
        {"encrypted", [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text).flags = 1; }, "error -2"},
        {"sizes disagree in a stored entry",
         [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text).compressedSize = 3; }, "error -2"},
        {"local header beyond the JAR",
         [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text).localOffset = 0x7FFFFFF0; }, "error -2"},
        {"compressed size beyond the JAR",
         [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text, zipw::DEFLATED).compressedSize = 0x7FFFFFF0; },
         "error -2"},
        {"method 9", [&](zipw::Archive& a) { a.add("META-INF/MANIFEST.MF", text).method = 9; }, "error -2"},
    };
    for (const Case& c : cases) {
        zipw::Archive a;
        a.add("padding/first.txt", std::string(60, 'p'));
        c.build(a);
        std::vector<uint8_t> jar = a.write();
        // read in place, the JAR's address is a word of its handle
        LowBlock inPlace(jar);
        for (int mode = 0; mode < 2; mode++) {
            Env e;
            int32_t error = 1;
            CallbackJar = &jar;
            QamsJar* handle = QamsJarOpen(e.env, (int32_t)jar.size(), mode ? nullptr : inPlace.data(),
                                          mode ? readJar : nullptr, &error);
            ASSERT_NE(QAMS_NO_JAR, handle) << c.name << " mode " << mode << " error " << error;
            EXPECT_EQ(c.manifest, manifestText(e.env, handle)) << c.name << " mode " << mode;
            uint8_t buffer[64];
            EXPECT_EQ(60, QamsJarReadEntry(e.env, handle, "padding/first.txt", 17, buffer, 64)) << c.name;
            EXPECT_EQ(QAMS_BAD_ARGUMENT, QamsJarReadEntry(e.env, handle, "padding/first.txt", 17, buffer, 59))
                << "too small";
            EXPECT_EQ(QAMS_READ_FAILURE, QamsJarGetEntrySize(e.env, handle, "nothing", 7));
            EXPECT_EQ(0, QamsJarClose(e.env, handle));
        }
    }
}

TEST(DescriptorJar, RefusedArchives) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t error;
    };
    zipw::Archive good;
    good.add("META-INF/MANIFEST.MF", std::string(80, 'x'));
    zipw::Layout layout;
    std::vector<uint8_t> jar = good.write(&layout);
    std::vector<uint8_t> badOffset = jar;
    zipw::patch32(badOffset, layout.endRecord + 16, 0x7FFFFFFF);
    std::vector<uint8_t> badSize = jar;
    zipw::patch32(badSize, layout.endRecord + 12, 0xFFFFFFF0);
    std::vector<uint8_t> noLocal = jar;
    noLocal[layout.localHeaders[0] + 2] = 9;
    std::vector<uint8_t> cutEnd(jar.begin(), jar.end() - 1);
    const Case cases[] = {
        {"not a ZIP", std::vector<uint8_t>(200, 'a'), QAMS_SYNTAX},
        {"too small to search", std::vector<uint8_t>(30, 0), QAMS_SYNTAX},
        {"directory offset beyond the start", badOffset, QAMS_SYNTAX},
        {"directory size beyond the end record", badSize, QAMS_SYNTAX},
        {"no local header at the start", noLocal, QAMS_SYNTAX},
        {"end record cut short", cutEnd, QAMS_SYNTAX},
        {"an archive of no entry", zipw::Archive().write(), QAMS_SYNTAX},
    };
    for (const Case& c : cases) {
        Env e;
        LowBlock bytes(c.bytes);
        int32_t error = 1;
        EXPECT_EQ(QAMS_NO_JAR, QamsJarOpen(e.env, bytes.size(), bytes.data(), nullptr, &error)) << c.name;
        EXPECT_EQ(c.error, error) << c.name;
    }
    Env e;
    LowBlock bytes(jar);
    int32_t error = 1;
    EXPECT_EQ(QAMS_NO_JAR, QamsJarOpen(e.env, -1, bytes.data(), nullptr, &error));
    EXPECT_EQ(QAMS_NEGATIVE_SIZE, error);
    EXPECT_EQ(QAMS_NO_JAR, QamsJarOpen(e.env, 10, nullptr, nullptr, &error));
    EXPECT_EQ(QAMS_BAD_ARGUMENT, error);
    EXPECT_EQ(QAMS_NO_JAR, QamsJarOpen(QAMS_NO_ENV, 10, bytes.data(), nullptr, &error));
    EXPECT_EQ(QAMS_BAD_ARGUMENT, error);
}

// Directories that lie about their headers: the manifest is found by walking the headers
// themselves, and a header that runs out of the archive ends the walk.
TEST(DescriptorJar, LyingDirectories) {
    typedef std::function<void(std::vector<uint8_t>&, const zipw::Layout&)> Change;
    struct Case {
        const char* name;
        Change change;
        const char* manifest;
    };
    const Case cases[] = {
        {"entry count far above the directory's size",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.endRecord + 10, 0xFFFF); },
         "Game,,game.Main"},
        {"manifest name past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.centralHeaders[1] + 28, 0xFFF0); },
         "error -2"},
        {"first header's comment running past the archive",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.centralHeaders[0] + 32, 0xFFFF); },
         "error -2"},
        {"broken first central header",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.centralHeaders[0]] = 'X'; }, "error -2"},
        {"manifest's local header offset into the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 42, (uint32_t)l.directoryStart - 10);
         },
         "error -2"},
    };
    for (const Case& c : cases) {
        zipw::Archive a;
        a.add("padding/first.txt", std::string(60, 'p'));
        a.add("META-INF/MANIFEST.MF", "MIDlet-1: Game,,game.Main\n", zipw::DEFLATED);
        zipw::Layout layout;
        std::vector<uint8_t> jar = a.write(&layout);
        c.change(jar, layout);
        LowBlock inPlace(jar);
        Env e;
        int32_t error = 1;
        QamsJar* handle = QamsJarOpen(e.env, inPlace.size(), inPlace.data(), nullptr, &error);
        ASSERT_NE(QAMS_NO_JAR, handle) << c.name << " error " << error;
        EXPECT_EQ(c.manifest, manifestText(e.env, handle)) << c.name;
        EXPECT_EQ(0, QamsJarClose(e.env, handle));
    }
}

}  // namespace
