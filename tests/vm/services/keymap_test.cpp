// The key code map both ways, with the defaults and with a host's map.
#include <gtest/gtest.h>

#include <string>

#include "vm/services/keymap.h"
#include "vm/services/vmreset.h"

namespace {

std::string nameOf(int32_t code) {
    const char* name = nullptr;
    int32_t length = 0;
    if (mvKey_getKeyName(code, &name, &length) == 0) return "<none>";
    return std::string(name, (size_t)length);
}

struct KeyMapReset : ::testing::Test {
    void SetUp() override { initVmSections(MV_SECTIONS_PER_RUN); }
    void TearDown() override { initVmSections(MV_SECTIONS_PER_RUN); }
};

TEST_F(KeyMapReset, DefaultTableBothWays) {
    const struct {
        int32_t index, code;
        const char* name;
    } table[] = {
        {0, 48, "NUM0"},    {5, 53, "NUM5"},    {9, 57, "NUM9"},    {10, 42, "STAR"},  {11, 35, "POUND"},
        {16, -2, "LEFT"},   {17, -1, "UP"},     {18, -5, "RIGHT"},  {19, -6, "DOWN"},  {20, -20, "SELECT"},
        {21, -21, "SOFT1"}, {22, -22, "SOFT2"}, {23, -23, "SOFT3"}, {25, -10, "SEND"}, {26, -8, "CLEAR"},
    };
    for (const auto& k : table) {
        EXPECT_EQ(k.code, mvKey_getKeyCode(k.index)) << k.name;
        EXPECT_EQ(k.code, mvKey_translateKeyCode(k.index)) << k.name;
        EXPECT_EQ(k.index, mvKey_getKeyIndex(k.code)) << k.name;
        EXPECT_EQ(k.name, nameOf(k.code)) << k.name;
    }
    for (int32_t unused : {12, 13, 14, 15, 24}) EXPECT_EQ(0, mvKey_getKeyCode(unused)) << unused;
    EXPECT_EQ(12, mvKey_getKeyIndex(0)) << "an unused entry answers for code 0";
    EXPECT_EQ("<none>", nameOf(0)) << "but has no name";
    EXPECT_EQ(-1, mvKey_getKeyIndex(1234));
    EXPECT_EQ("<none>", nameOf(1234));
    EXPECT_EQ(300, mvKey_translateKeyCode(300)) << "no extended list";
    EXPECT_EQ(27, mvKey_translateKeyCode(27));
    const char* name = nullptr;
    EXPECT_EQ(0, mvKey_getKeyName(35, &name, nullptr)) << "a missing out-argument";
}

TEST_F(KeyMapReset, HostTableAndExtendedList) {
    KeyEntry table[KEY_STANDARD_ENTRIES];
    for (int32_t i = 0; i < KEY_STANDARD_ENTRIES; i++) table[i] = {1000 + i, nullptr, 0};
    table[3] = {77, "FIRE", 4};
    // the list keeps the entries' address in a word: static, as a host's table is
    static const KeyEntry extended[] = {{-50, "CAMERA", 6}, {-51, nullptr, 0}, {77, "DUP", 3}};
    const KeyExtendedList list = {extended, 2};
    ASSERT_EQ(1, mvKey_setKeyMap(table, &list));
    KeyEntry copy[KEY_STANDARD_ENTRIES];
    const KeyExtendedList* kept = nullptr;
    mvKey_getKeyMap(copy, &kept);
    EXPECT_EQ(&list, kept);
    for (int32_t i = 0; i < KEY_STANDARD_ENTRIES; i++) {
        EXPECT_EQ(table[i].code, copy[i].code) << i;
        EXPECT_EQ(table[i].name.get(), copy[i].name.get()) << i;
        EXPECT_EQ(table[i].nameLength, copy[i].nameLength) << i;
    }
    EXPECT_EQ(77, mvKey_getKeyCode(3));
    EXPECT_EQ(3, mvKey_getKeyIndex(77));
    EXPECT_EQ("FIRE", nameOf(77)) << "the standard entry wins";
    EXPECT_EQ(-50, mvKey_translateKeyCode(256));
    EXPECT_EQ(-51, mvKey_translateKeyCode(257));
    EXPECT_EQ(258, mvKey_translateKeyCode(258)) << "beyond the list's count";
    EXPECT_EQ(257, mvKey_getKeyIndex(-51));
    EXPECT_EQ("CAMERA", nameOf(-50));
    EXPECT_EQ("<none>", nameOf(-51));
    EXPECT_EQ(-1, mvKey_getStandardKeyIndex(-50)) << "the standard table alone";
    EXPECT_EQ(-1, mvKey_getKeyIndex(35)) << "the defaults are replaced";
    // null arguments keep what is there
    ASSERT_EQ(1, mvKey_setKeyMap(nullptr, nullptr));
    EXPECT_EQ(77, mvKey_getKeyCode(3));
    EXPECT_EQ(-50, mvKey_translateKeyCode(256));
}

}  // namespace
