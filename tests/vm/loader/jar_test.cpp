// JAR reader: end-record search, base offset, index and linear walk, stored and deflated
// entries with their checks, and archives whose offsets and sizes lie.
#include <gtest/gtest.h>

#include <functional>

#include "jar_fixture.h"

using namespace jartest;

namespace {

std::vector<uint8_t> smallText = zipw::bytesOf("hello, jar");
std::vector<uint8_t> bigData = patternBytes(100000);

// The ordinary archive most cases start from: a directory, a stored class, a deflated
// class and a deflated resource.
zipw::Archive baseArchive() {
    zipw::Archive a;
    a.add("META-INF/", "");
    a.add("p/A.class", smallText, zipw::STORED);
    a.add("p/B.class", bigData, zipw::DEFLATED);
    a.add("res/data.txt", "resource text", zipw::DEFLATED);
    return a;
}

struct ArchiveCase {
    const char* name;
    std::function<std::vector<uint8_t>()> build;
    std::vector<Probe> probes;
    bool opens;
    std::vector<std::string> answers;
};

void runCases(const std::vector<ArchiveCase>& cases, Options options, const char* mode) {
    for (const ArchiveCase& c : cases) {
        std::vector<uint8_t> archive = c.build();
        Outcome o = openAndFind(archive, c.probes, options);
        EXPECT_EQ(o.exitCode, 0) << c.name << " (" << mode << ")\n" << o.trace;
        EXPECT_EQ(o.opened, c.opens) << c.name << " (" << mode << ")";
        if (c.opens) {
            EXPECT_EQ(o.answers, c.answers) << c.name << " (" << mode << ")";
        }
    }
}

std::vector<ArchiveCase> archiveCases() {
    std::string big = text(bigData);
    return {
        {"stored and deflated entries",
         [] { return baseArchive().write(); },
         {{"p/A.class", true}, {"p/B.class", true}, {"res/data.txt", false}, {"p/C.class", true}, {"res/none", false}},
         true,
         {"hello, jar", big, "resource text", MISS, MISS}},
        {"empty entries, stored and deflated",
         [] {
             zipw::Archive a;
             a.add("e0", "", zipw::STORED);
             a.add("e8", "", zipw::DEFLATED);
             return a.write();
         },
         {{"e0", false}, {"e8", false}},
         true,
         {"", ""}},
        {"a class is found again; so is a resource",
         [] { return baseArchive().write(); },
         {{"p/A.class", true}, {"p/A.class", true}, {"res/data.txt", false}, {"res/data.txt", false}},
         true,
         {"hello, jar", "hello, jar", "resource text", "resource text"}},
        {"a directory entry is no class", [] { return baseArchive().write(); }, {{"META-INF/", true}}, true, {MISS}},
        {"archive comment of 65535 bytes",
         [] {
             zipw::Archive a = baseArchive();
             a.comment = std::string(65535, 'c');
             return a.write();
         },
         {{"p/A.class", true}, {"res/data.txt", false}},
         true,
         {"hello, jar", "resource text"}},
        {"a comment holding a false end record",
         [] {
             zipw::Archive a = baseArchive();
             zipw::Archive decoy;
             decoy.add("x", "decoy");
             std::vector<uint8_t> d = decoy.write();
             a.comment = std::string(d.end() - 22, d.end()) + "tail";
             return a.write();
         },
         {{"p/A.class", true}},
         true,
         {"hello, jar"}},
        {"one byte more than the comment length",
         [] {
             zipw::Archive a = baseArchive();
             a.comment = "note";
             a.trailing = {'!'};
             return a.write();
         },
         {},
         false,
         {}},
        {"data in front of the archive",
         [] {
             zipw::Archive a = baseArchive();
             a.prefix = patternBytes(3000, 7);
             return a.write();
         },
         {{"p/A.class", true}, {"p/B.class", true}, {"res/data.txt", false}},
         true,
         {"hello, jar", big, "resource text"}},
        {"one stored entry, end record at 76 or later",
         [] {
             zipw::Archive a;
             a.add("", "");
             return a.write();
         },
         {{"", false}},
         true,
         {""}},
        {"CRC mismatch",
         [] {
             zipw::Archive a = baseArchive();
             a.entries[1].crc = zipw::crcOf(smallText) ^ 1;
             a.entries[2].crc = zipw::crcOf(bigData) ^ 0x80000000u;
             return a.write();
         },
         {{"p/A.class", true}, {"p/B.class", true}, {"res/data.txt", false}},
         true,
         {MISS, MISS, "resource text"}},
        {"compression method 12",
         [] {
             zipw::Archive a = baseArchive();
             a.add("p/Z.class", "bzip2 would be here").method = 12;
             return a.write();
         },
         {{"p/Z.class", true}, {"p/A.class", true}},
         true,
         {MISS, "hello, jar"}},
        {"stored entry whose two sizes differ",
         [] {
             zipw::Archive a = baseArchive();
             a.entries[1].size = (int64_t)smallText.size() - 1;
             return a.write();
         },
         {{"p/A.class", true}},
         true,
         {MISS}},
        {"encrypted entry",
         [] {
             zipw::Archive a = baseArchive();
             a.entries[1].flags = 1;
             return a.write();
         },
         {{"p/A.class", true}},
         true,
         {MISS}},
        {"entry names of 464, 465 and 3000 bytes",
         [] {
             zipw::Archive a;
             a.add(std::string(464, 'n'), "464");
             a.add(std::string(465, 'n'), "465", zipw::DEFLATED);
             a.add(std::string(3000, 'n'), "3000");
             return a.write();
         },
         {{std::string(464, 'n'), false}, {std::string(465, 'n'), true}, {std::string(3000, 'n'), false}},
         true,
         {"464", "465", "3000"}},
    };
}

TEST(JarReader, Archives) { runCases(archiveCases(), Options(), "bytes"); }

TEST(JarReader, ArchivesThroughAReadCallback) {
    Options o;
    o.viaCallback = true;
    runCases(archiveCases(), o, "callback");
}

// Archives whose fields point outside themselves: each is refused or misses, and the
// reader touches nothing outside the archive's exact-size buffer.
std::vector<ArchiveCase> lyingCases() {
    auto patched = [](std::function<void(std::vector<uint8_t>&, const zipw::Layout&)> change) {
        return [change] {
            zipw::Layout l;
            std::vector<uint8_t> v = baseArchive().write(&l);
            change(v, l);
            return v;
        };
    };
    return {
        {"directory size beyond the end record's offset",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.endRecord + 12, (uint32_t)l.endRecord + 1);
         }),
         {},
         false,
         {}},
        {"directory offset beyond the directory start",
         patched(
             [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch32(v, l.endRecord + 16, 0xFFFFFFF0u); }),
         {},
         false,
         {}},
        {"no local header at the base offset",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.endRecord + 16, (uint32_t)l.directoryStart - 2);
         }),
         {},
         false,
         {}},
        {"local header offset past the directory",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 42, 0x7FFFFFF0u);
         }),
         {{"p/A.class", true}, {"res/data.txt", false}},
         true,
         {MISS, "resource text"}},
        {"local header offset into the directory",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 42, (uint32_t)l.directoryStart - 10);
         }),
         {{"p/A.class", true}},
         true,
         {MISS}},
        {"local header's name length runs into the directory",
         patched(
             [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.localHeaders[3] + 26, 0xFFFF); }),
         {{"res/data.txt", false}, {"p/A.class", true}},
         true,
         {MISS, "hello, jar"}},
        {"compressed size past the directory",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[2] + 20, 0x7FFFFFFFu);
         }),
         {{"p/B.class", true}},
         true,
         {MISS}},
        {"uncompressed size beyond the heap",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[2] + 24, 300000);
         }),
         {{"p/B.class", true}},
         true,
         {MISS}},
        {"uncompressed size beyond what DEFLATE can give",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[3] + 24, 0xFFFFFFF0u);
         }),
         {{"res/data.txt", false}},
         true,
         {MISS}},
        {"uncompressed size larger than the data gives",
         patched(
             [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch32(v, l.centralHeaders[3] + 24, 20); }),
         {{"res/data.txt", false}},
         true,
         {MISS}},
        {"stored sizes both beyond the archive",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 20, 0x7FFFFFF0u);
             zipw::patch32(v, l.centralHeaders[1] + 24, 0x7FFFFFF0u);
         }),
         {{"p/A.class", true}},
         true,
         {MISS}},
        {"entry count far above the directory's size: no index, linear walk",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.endRecord + 10, 0xFFFF); }),
         {{"p/A.class", true}, {"res/data.txt", false}, {"nothing", false}},
         true,
         {"hello, jar", "resource text", MISS}},
        {"name length past the directory",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch16(v, l.centralHeaders[3] + 28, 0xFFF0);
         }),
         {{"p/A.class", true}, {"res/data.txt", false}},
         true,
         {"hello, jar", MISS}},
        {"broken third central header ends the walk",
         patched([](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.centralHeaders[2]] = 'X'; }),
         {{"p/A.class", true}, {"p/B.class", true}, {"res/data.txt", false}},
         true,
         {"hello, jar", MISS, MISS}},
        {"truncated deflate data",
         [] {
             zipw::Archive a = baseArchive();
             std::vector<uint8_t> deflated = zipw::deflateRaw(bigData);
             a.entries[2].compressedSize = (int64_t)deflated.size() - 5;
             return a.write();
         },
         {{"p/B.class", true}, {"p/A.class", true}},
         true,
         {MISS, "hello, jar"}},
        {"too short for an end record", [] { return std::vector<uint8_t>(21, 'P'); }, {}, false, {}},
        {"end record at offset 75",
         [] {
             std::vector<uint8_t> v(75, 0);
             zipw::Archive empty;
             std::vector<uint8_t> end = empty.write();
             v.insert(v.end(), end.begin(), end.end());
             return v;
         },
         {},
         false,
         {}},
    };
}

TEST(JarReader, LyingArchives) { runCases(lyingCases(), Options(), "bytes"); }

TEST(JarReader, LyingArchivesWithoutIndex) {
    Options o;
    o.withoutIndex = true;
    runCases(lyingCases(), o, "linear");
}

TEST(JarReader, IndexAndLinearWalk) {
    std::vector<uint8_t> archive = baseArchive().write();
    struct Case {
        const char* name;
        bool withoutIndex;
        bool indexed;
        std::vector<Probe> probes;
        std::vector<std::string> answers;
    };
    const Case cases[] = {
        {"indexed: a class the index lacks is a miss", false, true, {{"META-INF/", true}}, {MISS}},
        {"indexed: a resource the index lacks is walked for", false, true, {{"META-INF/", false}}, {""}},
        {"third archive: searched linearly",
         true,
         false,
         {{"p/A.class", true}, {"p/A.class", true}, {"res/data.txt", false}, {"META-INF/", false}, {"x", true}},
         {"hello, jar", "hello, jar", "resource text", "", MISS}},
    };
    for (const Case& c : cases) {
        Options o;
        o.withoutIndex = c.withoutIndex;
        Outcome out = openAndFind(archive, c.probes, o);
        EXPECT_TRUE(out.opened) << c.name;
        EXPECT_EQ(out.indexed, c.indexed) << c.name;
        EXPECT_EQ(out.answers, c.answers) << c.name;
    }
}

TEST(JarReader, LinearWalkNameLimit) {
    // The linear walk compares names in the 512-byte scratch buffer behind the 46-byte
    // header: 464 bytes fit; a longer name is a miss, never the end of the run.
    zipw::Archive a;
    a.add(std::string(464, 'n'), "464");
    a.add(std::string(465, 'm'), "465");
    std::vector<uint8_t> archive = a.write();
    Options o;
    o.withoutIndex = true;
    Outcome fits = openAndFind(archive, {{std::string(464, 'n'), false}}, o);
    EXPECT_EQ(fits.exitCode, 0) << fits.trace;
    EXPECT_EQ(fits.answers, std::vector<std::string>{"464"});
    for (size_t length : {465, 600, 5000}) {
        Outcome beyond = openAndFind(archive, {{std::string(length, 'm'), false}}, o);
        EXPECT_EQ(beyond.exitCode, 0) << length << "\n" << beyond.trace;
        EXPECT_EQ(beyond.answers, std::vector<std::string>{MISS}) << length;
    }
    Outcome otherLength = openAndFind(archive, {{"short", false}}, o);
    EXPECT_EQ(otherLength.exitCode, 0) << "names of another length are skipped unread";
    EXPECT_EQ(otherLength.answers, std::vector<std::string>{MISS});
}

TEST(JarReader, Crc32) {
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"check string", zipw::bytesOf("123456789")},
        {"all byte values",
         [] {
             std::vector<uint8_t> v(256);
             for (int i = 0; i < 256; i++) v[i] = (uint8_t)i;
             return v;
         }()},
        {"long", bigData},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jarCrc32(c.data.data(), (int32_t)c.data.size()), zipw::crcOf(c.data)) << c.name;
    }
    EXPECT_EQ(jarCrc32((const uint8_t*)"123456789", 9), 0xCBF43926u);
}

TEST(JarReader, NameHash) {
    struct Case {
        const char* name;
        uint8_t hash;
    };
    const Case cases[] = {
        {"", 0},
        {"abcdef", 6},
        {"abcdefg", (uint8_t)(7 ^ ('a' << 4))},
        {"p/A.class", (uint8_t)(9 ^ ('A' << 4))},
    };
    for (const Case& c : cases) EXPECT_EQ(jarNameHash(c.name, (int32_t)strlen(c.name)), c.hash) << c.name;
}

}  // namespace
