// Mutated archives fed to the JAR reader: thousands of JARs with flipped bytes, lying
// header fields and cut ends, each in an exact-size buffer (or behind a read callback
// over one), so that a read outside the archive shows under AddressSanitizer. Every
// lookup must answer an entry whose bytes match the original or a miss; nothing else.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "jar_fixture.h"
#include "vm/core/native.h"

using namespace jartest;

namespace {

struct Basis {
    const char* name;
    zipw::Archive archive;
};

std::vector<Basis> bases() {
    std::vector<Basis> s;
    {
        zipw::Archive a;
        a.add("META-INF/", "");
        a.add("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n", zipw::DEFLATED);
        a.add("p/A.class", patternBytes(700, 3), zipw::STORED);
        a.add("p/B.class", patternBytes(3000, 4), zipw::DEFLATED);
        a.add("r.txt", "a resource", zipw::DEFLATED);
        s.push_back({"mixed", a});
    }
    {
        zipw::Archive a;
        a.prefix = patternBytes(200, 9);
        a.comment = "archive comment";
        a.add("x", patternBytes(1500, 5), zipw::DEFLATED).level = 1;
        a.add("y", "", zipw::STORED);
        s.push_back({"prefixed with comment", a});
    }
    {
        zipw::Archive a;
        a.add("only", std::vector<uint8_t>(2000, 'z'), zipw::DEFLATED);
        s.push_back({"one deflated run", a});
    }
    return s;
}

// One mutation of a written archive, aimed at its structure most of the time.
void mutate(std::vector<uint8_t>& v, const zipw::Layout& l, std::mt19937& rng) {
    auto pick = [&](size_t n) { return (size_t)(rng() % (n ? n : 1)); };
    static const uint32_t extremes[] = {0,          1,           0x7F,        0x80, 0xFF, 0xFFFF,
                                        0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 46,   22,   30};
    uint32_t value = rng() % 3 == 0 ? (uint32_t)rng() : extremes[pick(sizeof extremes / 4)];
    std::vector<size_t> fields;  // offsets of 16- and 32-bit header fields
    for (size_t h : l.localHeaders) {
        for (size_t f : {6, 8, 14, 18, 22, 26, 28}) fields.push_back(h + f);
    }
    for (size_t h : l.centralHeaders) {
        for (size_t f : {0, 8, 10, 16, 20, 24, 28, 30, 32, 42}) fields.push_back(h + f);
    }
    for (size_t f : {0, 8, 10, 12, 16, 20}) fields.push_back(l.endRecord + f);
    switch (rng() % 6) {
        case 0:  // a random byte anywhere
            if (!v.empty()) v[pick(v.size())] = (uint8_t)rng();
            break;
        case 1:
        case 2: {  // a 16-bit header field
            size_t at = fields[pick(fields.size())];
            if (at + 2 <= v.size()) zipw::patch16(v, at, value);
            break;
        }
        case 3: {  // a 32-bit header field
            size_t at = fields[pick(fields.size())];
            if (at + 4 <= v.size()) zipw::patch32(v, at, value);
            break;
        }
        case 4:  // cut the end off
            v.resize(pick(v.size() + 1));
            break;
        default:  // a byte of entry data
            if (!l.dataStarts.empty()) {
                size_t at = l.dataStarts[pick(l.dataStarts.size())];
                if (at < v.size()) v[at + pick(std::min<size_t>(64, v.size() - at))] ^= (uint8_t)(1 + rng() % 255);
            }
            break;
    }
}

// A lookup under a catch frame: an entry that claims more than the free heap may throw
// the preallocated OutOfMemoryError. *thrown: 0 none, 1 OutOfMemoryError, 2 another.
uint8_t* findCatching(JarFile* jar, const char* name, int32_t* size, int isClass, int* thrown) {
    uint8_t* volatile block = nullptr;
    *thrown = 0;
    VM_TRY
    block = jarFindEntry(jar, name, size, STREAM_HEADER_SIZE, isClass);
    VM_CATCH(e)
    *thrown = e == OutOfMemoryObject ? 1 : 2;
    VM_END_TRY
    return block;
}

TEST(JarFuzz, MutatedArchives) {
    const int ARCHIVES_PER_RUN = 40;
    const int RUNS = 75;  // 3000 archives
    std::mt19937 rng(20261210);
    std::vector<Basis> all = bases();
    int opened = 0, hits = 0, misses = 0, outOfMemory = 0;
    for (int run = 0; run < RUNS; run++) {
        std::vector<std::vector<uint8_t>> archives;
        std::vector<const Basis*> origins;
        for (int i = 0; i < ARCHIVES_PER_RUN; i++) {
            const Basis& basis = all[rng() % all.size()];
            zipw::Layout layout;
            std::vector<uint8_t> bytes = basis.archive.write(&layout);
            int mutations = 1 + (int)(rng() % 3);
            for (int m = 0; m < mutations; m++) mutate(bytes, layout, rng);
            bytes.shrink_to_fit();
            archives.push_back(bytes);
            origins.push_back(&basis);
        }
        // fresh copies of exactly each archive's size, so an overrun is seen
        std::vector<LowBlock> exact;
        for (const std::vector<uint8_t>& a : archives) exact.emplace_back(a);
        vmasm::Vm vm;
        vm.heapBytes = 4 * 1024 * 1024;
        std::string failures;
        vmasm::RunResult r = vm.inside([&] {
            int32_t roots = GlobalRootsLength;
            for (int i = 0; i < ARCHIVES_PER_RUN; i++) {
                bool viaCallback = (i & 1) != 0;
                callbackArchive() = &archives[i];
                int32_t size = exact[i].size();
                int32_t handle = viaCallback ? registerMemoryFile("/f.jar", nullptr, readArchive, size)
                                             : registerMemoryFile("/f.jar", exact[i].data(), nullptr, size);
                JarIndexesBuilt = 0;
                GlobalRootsLength = roots;
                JarFile jar;
                memset(&jar, 0, sizeof jar);
                if (handle > 0 && jarOpen("/f.jar", 0, &jar)) {
                    opened++;
                    for (const zipw::Entry& e : origins[i]->archive.entries) {
                        for (int isClass = 0; isClass < 2; isClass++) {
                            int32_t got = -1;
                            int thrown = 0;
                            uint8_t* block = findCatching(&jar, e.name.c_str(), &got, isClass, &thrown);
                            if (thrown == 1) outOfMemory++;
                            if (thrown == 2) failures += "unexpected exception; ";
                            if (block == nullptr) {
                                misses++;
                                continue;
                            }
                            hits++;
                            // a hit passed its CRC-32, so it is one of the original entries
                            // (a mutated name may lead to another entry's bytes)
                            bool original = false;
                            for (const zipw::Entry& o : origins[i]->archive.entries) {
                                // an empty vector's data() may be null, which memcmp must not get
                                original = original || ((size_t)got == o.data.size() &&
                                                        (o.data.empty() || memcmp(block + STREAM_HEADER_SIZE,
                                                                                  o.data.data(), o.data.size()) == 0));
                            }
                            if (!original)
                                failures += "archive " + std::to_string(i) + " entry " + e.name + " differs; ";
                        }
                    }
                    jarClose(&jar);
                }
                unregisterMemoryFile("/f.jar", 0);
                callbackArchive() = nullptr;
            }
        });
        ASSERT_EQ(r.exitCode, 0) << "run " << run << "\n" << r.trace;
        ASSERT_EQ(failures, "") << "run " << run;
    }
    // the mutations must leave some archives readable and break others
    EXPECT_GT(opened, 1000);
    EXPECT_GT(hits, 1000);
    EXPECT_GT(misses, 1000);
    RecordProperty("opened", opened);
    RecordProperty("outOfMemory", outOfMemory);
}

}  // namespace
