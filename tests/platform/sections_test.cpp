#include "platform/sections.h"

#include <gtest/gtest.h>

#include "platform/vmsections.h"

namespace {

int32_t dataWord VMDATA = 0x11223344;
int32_t bssWords[4] VMBSS;

bool inside(const void* p, size_t size, const char* start, uint32_t length) {
    const char* c = (const char*)p;
    return start && c >= start && c + size <= start + length;
}

TEST(Sections, OneRecordOfTypeTwoBoundsBothSections) {
    int count = 0;
    MKT_Section_Info* r = MkSectionGetInfoR2(&count);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(1, count);
    EXPECT_EQ(2, r->type);
    EXPECT_TRUE(inside(&dataWord, sizeof dataWord, r->dataAddress, r->dataSize));
    EXPECT_TRUE(inside(bssWords, sizeof bssWords, r->bssAddress, r->bssSize));
    ASSERT_NE(nullptr, r->initDataAddress);
    EXPECT_NE(r->dataAddress, r->initDataAddress);

    // The copy is taken once: later changes of the live data do not reach it.
    size_t offset = (size_t)((char*)&dataWord - r->dataAddress);
    int32_t copied;
    memcpy(&copied, r->initDataAddress + offset, sizeof copied);
    EXPECT_EQ(0x11223344, copied);
    dataWord = 5;
    int again = 0;
    EXPECT_EQ(r, MkSectionGetInfoR2(&again));
    EXPECT_EQ(1, again);
    memcpy(&copied, r->initDataAddress + offset, sizeof copied);
    EXPECT_EQ(0x11223344, copied);
    dataWord = 0x11223344;
}

}  // namespace
