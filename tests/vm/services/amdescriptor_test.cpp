// The descriptor functions of the service interface, used as the suite store's checks
// use them: a JAD and a JAR opened, checked, matched and read through the Am names.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "support/lowmem_fixture.h"
#include "support/zipwriter.h"
#include "vm/services/amservice.h"

namespace {

const std::string Common =
    "MIDlet-Name: Game\nMIDlet-Vendor: Us\nMIDlet-Version: 1.2.3\n"
    "MicroEdition-Configuration: CLDC-1.1\nMicroEdition-Profile: MIDP-2.0\n"
    "MIDlet-1: Game, /icon.png, game.Main\n";

// The value of a call that also writes its length (the call first, then the length).
std::string text(const char* value, const int32_t& length) {
    return value ? std::string(value, (size_t)length) : "(none)";
}

std::string valueOf(QamsEnv* env, QamsDescriptor* d, const char* key) {
    int32_t n = 0, error = 0;
    const char* v = AmDescriptorGetValueByKey(env, d, key, (int32_t)strlen(key), &n, &error);
    return text(v, n);
}

TEST(AmDescriptor, AJadAndItsJarThroughTheServiceNames) {
    zipw::Archive archive;
    archive.add("META-INF/MANIFEST.MF",
                "Manifest-Version: 1.0\n" + Common + "Only-In-Manifest: m\nShared: from the manifest\n",
                zipw::DEFLATED);
    archive.add("icon.png", std::string("PNGDATA"));
    std::vector<uint8_t> jar = archive.write();
    std::string jad = Common +
                      "Shared: from the JAD\nMIDlet-Jar-URL: g.jar\nMIDlet-Jar-Size: " + std::to_string(jar.size()) +
                      "\nList: a , b ,c\nMIDlet-Icon: /icon.png\n";

    // the environment and the JAR read in place are kept in the records' words: low blocks
    LowBlock memory(64 * 1024);
    LowBlock jarBytes(jar);
    int32_t error = 0;
    QamsEnv* env = AmEnvInitialize(memory.size(), memory.data(), &error);
    ASSERT_EQ(0, error);
    QamsDescriptor* d = AmJadOpen(env, (int32_t)jad.size(), (const uint8_t*)jad.data(), nullptr, &error);
    ASSERT_EQ(0, error);
    QamsJar* j = AmJarOpen(env, jarBytes.size(), jarBytes.data(), nullptr, &error);
    ASSERT_EQ(0, error);
    QamsDescriptor* m = AmManifestOpen(env, j, &error);
    ASSERT_EQ(0, error);
    EXPECT_EQ(0, AmDescriptorCheckRequired(env, d));
    EXPECT_EQ(0, AmDescriptorCheckRequired(env, m));
    EXPECT_EQ(0, AmDescriptorCheckProfiles(env, d));
    EXPECT_EQ(0, AmDescriptorVerifyMatch(env, d, m, 0));

    QamsDescriptor* view = AmDescriptorCopyValue(env, d, m, &error);
    ASSERT_EQ(0, error);
    int32_t n = 0;
    EXPECT_EQ("from the JAD", valueOf(env, view, "Shared")) << "the JAD's value wins in the view";
    EXPECT_EQ("m", valueOf(env, view, "Only-In-Manifest"));
    const char* name = AmDescriptorGetValueByIndex(env, view, 2, &n, &error);
    EXPECT_EQ("Game", text(name, n)) << "index 2 is MIDlet-Name";
    AmDescriptorGetValueByKey(env, view, "Nothing", 7, &n, &error);
    EXPECT_EQ(-17, error) << "an absent attribute";

    int32_t major = 0, minor = 0, micro = 0;
    EXPECT_EQ(0, AmDescriptorGetVersion(env, d, &major, &minor, &micro));
    EXPECT_EQ(1, major);
    EXPECT_EQ(2, minor);
    EXPECT_EQ(3, micro);

    const char* list = AmDescriptorGetValueByKey(env, d, "List", 4, &n, &error);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(3, AmCountListElements(list, n));
    int32_t m1 = 0, m2 = 0;
    const char* second = AmGetListElement(list, n, 1, &m1, &error);
    const char* trimmed = AmCopyTrimmed(second, m1, &m2, &error);
    EXPECT_EQ("b", text(trimmed, m2));
    EXPECT_EQ(2, AmFindSeparator(list, 0, n, ",", 1)) << "the value begins \"a ,\"";
    EXPECT_EQ(4711, AmParseInt("4711", 4, &error));
    EXPECT_EQ(0, error);
    AmParseInt("47x", 3, &error);
    EXPECT_NE(0, error) << "not a number";

    int32_t size = AmJarGetEntrySize(env, j, "icon.png", 8);
    ASSERT_EQ(7, size);
    std::vector<uint8_t> icon((size_t)size);
    EXPECT_EQ(7, AmJarReadEntry(env, j, "icon.png", 8, icon.data(), size));
    EXPECT_EQ(0, memcmp(icon.data(), "PNGDATA", 7));
    int32_t manifestSize = AmJarGetAttributeEntrySize(env, d, j);
    EXPECT_GT(manifestSize, 0);
    std::vector<uint8_t> manifest((size_t)manifestSize);
    EXPECT_EQ(manifestSize, AmJarReadAttributeEntry(env, d, j, manifest.data(), manifestSize));
    const char* configuration = AmGetSupportedVersion(0, &n, &error);
    EXPECT_EQ("CLDC-1.1", text(configuration, n).substr(0, 8));

    EXPECT_EQ(0, AmJadClose(env, view));
    EXPECT_EQ(0, AmJadClose(env, m));
    EXPECT_EQ(0, AmJadClose(env, d));
    EXPECT_EQ(0, AmJarClose(env, j));
    EXPECT_EQ(0, AmEnvFinalize(env));
}

}  // namespace
