// Mutated JADs, manifests and JARs: the descriptor interface answers each with a
// result or an error and never reads or writes outside what it was given.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/lowmem_fixture.h"
#include "support/zipwriter.h"
#include "vm/services/descriptor.h"

namespace {

const char* const Jad =
    "MIDlet-Name: Game\r\nMIDlet-Vendor: Movane\r\nMIDlet-Version: 1.2.3\r\nMIDlet-Jar-URL: game.jar\r\n"
    "MIDlet-Jar-Size: 1234\r\nMIDlet-1: Game, /icon.png, game.Main\r\nMIDlet-2: Two,,game.Two\r\n"
    "MicroEdition-Profile: MIDP-2.0\r\nMicroEdition-Configuration: CLDC-1.1\r\nMIDlet-Icon: /icon.png\r\n"
    "MIDlet-Push-1: socket://:5000, game.Main, *\r\nUser-Key: \xE3\x81\x82 value\r\n";

void mutate(std::vector<uint8_t>& bytes, std::mt19937& random) {
    int edits = 1 + (int)(random() % 4);
    for (int i = 0; i < edits && !bytes.empty(); i++) {
        size_t at = random() % bytes.size();
        switch (random() % 4) {
            case 0:
                bytes[at] = (uint8_t)random();
                break;
            case 1:
                bytes[at] ^= (uint8_t)(1u << (random() % 8));
                break;
            case 2:
                bytes.erase(bytes.begin() + (long)at);
                break;
            default:
                bytes.insert(bytes.begin() + (long)at, (uint8_t)random());
                break;
        }
    }
}

// Exercises every reader of a parsed descriptor.
void useDescriptor(QamsEnv* env, QamsDescriptor* d, QamsJar* jar) {
    int32_t length = 0, error = 0, v[3];
    for (int32_t i = 0; i < QAMS_PREDEFINED; i++) QamsDescriptorGetValueByIndex(env, d, i, &length, &error);
    QamsDescriptorGetVersion(env, d, &v[0], &v[1], &v[2]);
    QamsDescriptorCheckRequired(env, d);
    QamsDescriptorCheckProfiles(env, d);
    const char* midlet = QamsDescriptorGetValueByKey(env, d, "MIDlet-1", 8, &length, &error);
    if (midlet != nullptr) {
        QamsCountListElements(midlet, length);
        for (int32_t n = 0; n < 4; n++) QamsGetListElement(midlet, length, n, &length, &error);
    }
    if (jar != nullptr) {
        uint8_t buffer[256];
        QamsJarGetAttributeEntrySize(env, d, jar);
        QamsJarReadAttributeEntry(env, d, jar, buffer, sizeof buffer);
    }
}

TEST(DescriptorFuzz, MutatedJads) {
    std::mt19937 random(20261210);
    // the environment's records hold its block's addresses in words
    LowBlock memory(256 * 1024);
    for (int round = 0; round < 3000; round++) {
        std::vector<uint8_t> text(Jad, Jad + strlen(Jad));
        mutate(text, random);
        int32_t error = 0;
        QamsEnv* env = QamsEnvInitialize(memory.size(), memory.data(), &error);
        ASSERT_NE(QAMS_NO_ENV, env);
        for (int jad = 0; jad < 2; jad++) {
            QamsDescriptor* d = QamsDescriptorParse(env, text.data(), (int32_t)text.size(), jad, &error);
            if (d == QAMS_NO_DESCRIPTOR) {
                EXPECT_LT(error, 0) << "round " << round;
                continue;
            }
            useDescriptor(env, d, nullptr);
            QamsDescriptor* merged = QamsDescriptorMerge(env, d, d, &error);
            QamsDescriptorVerifyMatch(env, d, merged, 1);
            QamsJadClose(env, merged);
            QamsJadClose(env, d);
        }
        QamsEnvFinalize(env);
    }
}

const LowBlock* FuzzJar;
int32_t readFuzzJar(uint8_t* buffer, int32_t offset, int32_t size) {
    if (offset < 0 || offset > FuzzJar->size()) return -1;
    int32_t n = std::min<int32_t>(size, FuzzJar->size() - offset);
    memcpy(buffer, FuzzJar->data() + offset, (size_t)n);
    return n;
}

TEST(DescriptorFuzz, MutatedJars) {
    std::mt19937 random(1210);
    zipw::Archive a;
    a.add("META-INF/MANIFEST.MF", std::string(Jad), zipw::DEFLATED);
    a.add("icon.png", std::string(300, 'i'), zipw::DEFLATED);
    a.add("game/Main.class", std::string(90, 'c'));
    const std::vector<uint8_t> original = a.write();
    LowBlock memory(512 * 1024);
    for (int round = 0; round < 3000; round++) {
        std::vector<uint8_t> jar = original;
        mutate(jar, random);
        // the JAR lies exactly in a low block of its own (its address is a word of the
        // handle): any read past it is reported
        LowBlock exact(jar);
        FuzzJar = &exact;
        for (int mode = 0; mode < 2; mode++) {
            int32_t error = 0;
            QamsEnv* env = QamsEnvInitialize(memory.size(), memory.data(), &error);
            QamsJar* handle =
                QamsJarOpen(env, exact.size(), mode ? nullptr : exact.data(), mode ? readFuzzJar : nullptr, &error);
            if (handle != QAMS_NO_JAR) {
                QamsDescriptor* d = QamsManifestOpen(env, handle, &error);
                if (d != QAMS_NO_DESCRIPTOR) {
                    useDescriptor(env, d, handle);
                    QamsJadClose(env, d);
                }
                uint8_t buffer[128];
                QamsJarReadEntry(env, handle, "game/Main.class", 15, buffer, sizeof buffer);
                QamsJarClose(env, handle);
            }
            QamsEnvFinalize(env);
        }
    }
}

}  // namespace
