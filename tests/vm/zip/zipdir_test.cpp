// ZIP directory walker: the end-record search, the directory's placement and every bound
// of a header walk, on archives whose fields lie. Each case reports what opening, a walk
// by the end record's count and a walk to the first record that is no header found, and
// where each listed entry's data lies.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "support/zipwriter.h"
#include "vm/zip/zipdir.h"

namespace {

const char* statusName(ZipStatus s) {
    switch (s) {
        case ZIP_OK:
            return "ok";
        case ZIP_UNREADABLE:
            return "unreadable";
        case ZIP_NO_END:
            return "no end";
        case ZIP_DIRECTORY_MISPLACED:
            return "misplaced";
        case ZIP_NO_START:
            return "no start";
        case ZIP_DIRECTORY_END:
            return "directory end";
        case ZIP_BAD_HEADER:
            return "bad header";
        case ZIP_BAD_LOCAL_HEADER:
            return "bad local header";
        case ZIP_DATA_OUT_OF_PLACE:
            return "data out of place";
    }
    return "?";
}

// A walk from the directory's start to limit: each entry's name and where its data lies
// ("name=at" or "name:status"), then the status that ended the walk, if any.
std::string walk(const ZipArchive& zip, const std::vector<uint8_t>& bytes, int64_t limit, int64_t steps) {
    std::string out;
    int64_t at = zip.directoryStart;
    for (int64_t i = 0; i < steps; i++) {
        ZipEntry e;
        ZipStatus s = zipEntryAt(&zip, at, limit, &e);
        if (s != ZIP_OK) return out + statusName(s);
        EXPECT_LE(e.next, limit);
        out += std::string((const char*)bytes.data() + e.name, e.nameLength);
        int64_t data = -1;
        ZipStatus placed = zipEntryData(&zip, &e, &data);
        out += placed == ZIP_OK ? "=" + std::to_string(data) : std::string(":") + statusName(placed);
        out += " ";
        at = e.next;
    }
    return out;
}

zipw::Archive sound() {
    zipw::Archive a;
    a.add("A", "aaaa");
    a.add("B", "bbbbbbbb", zipw::DEFLATED);
    a.add("C", "c");
    return a;
}

typedef std::function<void(std::vector<uint8_t>&, const zipw::Layout&)> Change;

struct Case {
    const char* name;
    Change change;  // done to the sound archive
    std::string open;
    std::string byCount;           // a walk of the claimed count up to the end record
    std::string toFirstNonHeader;  // a walk up to the file's end; empty: not walked
};

std::vector<uint8_t> built(const Case& c, zipw::Layout* layout) {
    std::vector<uint8_t> v = sound().write(layout);
    if (c.change) c.change(v, *layout);
    return v;
}

TEST(ZipDirectory, BoundsOfTheEndRecordTheDirectoryAndTheEntries) {
    // data offsets come from the sound archive's layout
    zipw::Layout soundLayout;
    sound().write(&soundLayout);
    auto at = [&](int i) { return std::to_string(soundLayout.dataStarts[(size_t)i]); };
    const std::string whole = "A=" + at(0) + " B=" + at(1) + " C=" + at(2) + " ";
    const std::string toEnd = whole + "directory end";
    const Case cases[] = {
        {"sound", nullptr, "ok", whole, toEnd},
        {"end record cut short", [](std::vector<uint8_t>& v, const zipw::Layout&) { v.resize(v.size() - 1); }, "no end",
         "", ""},
        {"cut inside the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v.resize(l.directoryStart + 10); }, "no end", "", ""},
        {"a byte after the comment", [](std::vector<uint8_t>& v, const zipw::Layout&) { v.push_back('!'); }, "no end",
         "", ""},
        {"directory size beyond the end record's offset",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.endRecord + 12, (uint32_t)l.endRecord + 1);
         },
         "misplaced", "", ""},
        {"directory offset before the file",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch32(v, l.endRecord + 16, 0xFFFFFFF0u); },
         "misplaced", "", ""},
        {"no local header where the archive starts",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.localHeaders[0]] = 'X'; }, "no start", "", ""},
        {"name past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.centralHeaders[2] + 28, 0xFFF0); },
         "ok", ("A=" + at(0) + " B=" + at(1) + " bad header"), ("A=" + at(0) + " B=" + at(1) + " bad header")},
        {"extra field past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.centralHeaders[2] + 30, 60); }, "ok",
         ("A=" + at(0) + " B=" + at(1) + " bad header"), ("A=" + at(0) + " B=" + at(1) + " bad header")},
        {"entry count far above the directory's size",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.endRecord + 10, 0xFFFF); }, "ok",
         whole + "bad header", toEnd},
        {"broken second central header",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { v[l.centralHeaders[1]] = 'X'; }, "ok",
         ("A=" + at(0) + " bad header"), ("A=" + at(0) + " bad header")},
        {"local header offset past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[0] + 42, 0x7FFFFFF0u);
         },
         "ok", ("A:bad local header B=" + at(1) + " C=" + at(2) + " "), ""},
        {"local header offset into the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[2] + 42, (uint32_t)l.directoryStart - 10);
         },
         "ok", ("A=" + at(0) + " B=" + at(1) + " C:bad local header "), ""},
        {"local header's name length runs into the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) { zipw::patch16(v, l.localHeaders[2] + 26, 0xFFFF); }, "ok",
         ("A=" + at(0) + " B=" + at(1) + " C:data out of place "), ""},
        {"compressed size past the directory",
         [](std::vector<uint8_t>& v, const zipw::Layout& l) {
             zipw::patch32(v, l.centralHeaders[1] + 20, 0x7FFFFFFFu);
         },
         "ok", ("A=" + at(0) + " B:data out of place C=" + at(2) + " "), ""},
    };
    for (const Case& c : cases) {
        zipw::Layout layout;
        std::vector<uint8_t> v = built(c, &layout);
        ZipArchive zip;
        zipInitMemory(&zip, v.data(), (int64_t)v.size());
        ZipStatus opened = zipOpen(&zip);
        EXPECT_EQ(c.open, statusName(opened)) << c.name;
        if (opened != ZIP_OK) continue;
        EXPECT_EQ((int64_t)layout.endRecord, zip.endRecord) << c.name;
        EXPECT_EQ(c.byCount, walk(zip, v, zip.endRecord, zip.total)) << c.name;
        if (!c.toFirstNonHeader.empty()) {
            EXPECT_EQ(c.toFirstNonHeader, walk(zip, v, zip.size, 1 << 20)) << c.name;
        }
    }
}

// The end record is the last one whose comment ends at the file's end, no nearer the
// start than an archive with an entry allows, unless the archive is that record alone.
TEST(ZipDirectory, EndRecordSearch) {
    struct Search {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* open;
        int64_t endRecord;
        int64_t base;
    };
    zipw::Archive withComment = sound();
    withComment.comment = std::string(65535, 'c');
    zipw::Archive decoy;
    decoy.add("x", "decoy");
    std::vector<uint8_t> decoyBytes = decoy.write();
    zipw::Archive falseEnd = sound();
    falseEnd.comment = std::string(decoyBytes.end() - 22, decoyBytes.end()) + "tail";
    zipw::Archive prefixed = sound();
    prefixed.prefix = std::vector<uint8_t>(3000, 7);
    std::vector<uint8_t> at75(75, 0);
    std::vector<uint8_t> empty = zipw::Archive().write();
    at75.insert(at75.end(), empty.begin(), empty.end());
    zipw::Layout plain, commented, falsified, shifted;
    sound().write(&plain);
    withComment.write(&commented);
    falseEnd.write(&falsified);
    prefixed.write(&shifted);
    const Search cases[] = {
        {"an archive of no entry", empty, "ok", 0, 0},
        {"21 bytes", std::vector<uint8_t>(21, 'P'), "no end", -1, 0},
        {"no archive at all", std::vector<uint8_t>(200, 'a'), "no end", -1, 0},
        {"end record at offset 75", at75, "no end", -1, 0},
        {"comment of 65535 bytes", withComment.write(), "ok", (int64_t)commented.endRecord, 0},
        {"a comment holding a false end record", falseEnd.write(), "ok", (int64_t)falsified.endRecord, 0},
        {"data in front of the archive", prefixed.write(), "ok", (int64_t)shifted.endRecord, 3000},
    };
    for (const Search& c : cases) {
        ZipArchive zip;
        zipInitMemory(&zip, c.bytes.data(), (int64_t)c.bytes.size());
        EXPECT_STREQ(c.open, statusName(zipOpen(&zip))) << c.name;
        EXPECT_EQ(c.endRecord, zip.endRecord) << c.name;
        if (zip.endRecord >= 0) {
            EXPECT_EQ(c.base, zip.base) << c.name;
        }
    }
}

// A reader that fails from its n-th read on: the walker says so, and whatever it asks
// for lies inside the file.
struct FailingReader {
    const std::vector<uint8_t>* bytes;
    int readsLeft;
    bool outside = false;
};

bool readFailing(void* context, int64_t offset, uint8_t* buffer, int32_t count) {
    FailingReader* r = (FailingReader*)context;
    if (offset < 0 || count < 0 || offset + count > (int64_t)r->bytes->size()) r->outside = true;
    if (r->outside || r->readsLeft == 0) return false;
    r->readsLeft--;
    memcpy(buffer, r->bytes->data() + offset, (size_t)count);
    return true;
}

TEST(ZipDirectory, AFailingReader) {
    std::vector<uint8_t> v = sound().write();
    struct Failure {
        const char* name;
        int readsLeft;  // the end record lies in the first window the search reads
        const char* open;
        const char* firstEntry;
    };
    const Failure cases[] = {
        {"the end-record search", 0, "unreadable", nullptr},
        {"the local header at the start", 1, "unreadable", nullptr},
        {"the first central header", 2, "ok", "unreadable"},
        {"none", 3, "ok", "ok"},
    };
    for (const Failure& c : cases) {
        FailingReader reader = {&v, c.readsLeft};
        ZipArchive zip;
        zipInit(&zip, readFailing, &reader, (int64_t)v.size());
        ZipStatus opened = zipOpen(&zip);
        EXPECT_STREQ(c.open, statusName(opened)) << c.name;
        if (opened == ZIP_OK) {
            ZipEntry e;
            EXPECT_STREQ(c.firstEntry, statusName(zipEntryAt(&zip, zip.directoryStart, zip.endRecord, &e))) << c.name;
        }
        EXPECT_FALSE(reader.outside) << c.name;
    }
}

}  // namespace
