// Handle wrappers, typed access with its tag check, and handle arrays.
#include "toolkit/guitk_handle.h"

#include "toolkit_host.h"

namespace {

using HandleTest = ToolkitTest;

TEST_F(HandleTest, WrappersRefuseHandlesThatNameNothing) {
    struct Case {
        const char* name;
        void (*call)();
        std::vector<int32_t> fatals;
    } cases[] = {
        {"free 0", [] { GuiTkFreeHandle(0); }, {GUITK_ERROR_HANDLE}},
        {"free -1", [] { GuiTkFreeHandle(-1); }, {GUITK_ERROR_HANDLE}},
        {"lock 0", [] { EXPECT_EQ(nullptr, GuiTkLockHandle(0)); }, {GUITK_ERROR_HANDLE}},
        {"lock -1", [] { EXPECT_EQ(nullptr, GuiTkLockHandle(-1)); }, {GUITK_ERROR_HANDLE}},
        {"unlock 0", [] { GuiTkUnlockHandle(0); }, {GUITK_ERROR_HANDLE}},
        {"unlock -1", [] { GuiTkUnlockHandle(-1); }, {GUITK_ERROR_HANDLE}},
        {"lock of a handle the host does not know",
         [] { EXPECT_EQ(nullptr, GuiTkLockHandle(999)); },
         {GUITK_ERROR_LOCK}},
        {"free of a null block", [] { GuiTkFree(nullptr); }, {GUITK_ERROR_HANDLE}},
        {"negative size", [] { EXPECT_EQ(nullptr, GuiTkAlloc(-1)); }, {}},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(c.fatals, host.takeFatals()) << c.name;
    }
}

TEST_F(HandleTest, TypedAccessChecksTheTagAtItsPlace) {
    const uint32_t tag = guiTkTag("TEST");
    int32_t h = GuiTkAllocHandle(16);
    ASSERT_NE(-1, h);
    GuiTkSetTypedInt(h, 0, tag, 4, 1);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_HANDLE}, host.takeFatals()) << "the block holds no tag yet";

    uint8_t* raw = (uint8_t*)GuiTkLockHandle(h);
    memset(raw, 0, 16);
    memcpy(raw + 8, &tag, 4);
    GuiTkUnlockHandle(h);
    EXPECT_EQ("TSET", std::string((const char*)host.peek(h) + 8, 4))
        << "a tag word is stored little-endian, its characters in reverse";

    GuiTkSetTypedInt(h, 8, tag, 0, -5);
    GuiTkSetTypedShort(h, 8, tag, 4, 0xFFFE);
    GuiTkSetTypedByte(h, 8, tag, 6, 0x1FF);
    EXPECT_EQ(-5, GuiTkGetTypedInt(h, 8, tag, 0));
    EXPECT_EQ(0xFFFEu, GuiTkGetTypedShort(h, 8, tag, 4)) << "shorts read unsigned";
    EXPECT_EQ(0xFFu, GuiTkGetTypedByte(h, 8, tag, 6));
    GuiTkSetTypedPair(h, 8, tag, 0, 7, 9);
    EXPECT_EQ(7, GuiTkGetTypedInt(h, 8, tag, 0));
    EXPECT_EQ(9, GuiTkGetTypedInt(h, 8, tag, 4));
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());

    GuiTkSetTypedFlag(h, 8, tag, 0, 2);
    EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << "a flag is 0 or 1";
    EXPECT_EQ(2, GuiTkGetTypedFlag(h, 8, tag, 0)) << "and is stored all the same";

    EXPECT_EQ(0, GuiTkGetTypedInt(h, 0, tag, 0)) << "the tag is not at place 0";
    EXPECT_EQ(nullptr, GuiTkLockTyped(h, 8, guiTkTag("TSET")));
    EXPECT_EQ((std::vector<int32_t>{GUITK_ERROR_HANDLE, GUITK_ERROR_HANDLE}), host.takeFatals());
    EXPECT_EQ(0, host.locksOf(h)) << "a failed typed lock gives its lock back";
    GuiTkFreeHandle(h);
}

TEST_F(HandleTest, AddSaturatedCapsOnlyAWrapUpwards) {
    struct Case {
        int32_t a, b, sum;
    } cases[] = {
        {1, 2, 3},
        {0x7FFFFFF0, 0x10, 0x7FFFFFFF},
        {0x7FFFFFFF, 1, 0x7FFFFFFF},
        {-5, -3, 0x7FFFFFFF},  // a negative addend makes the sum fall below a
        {10, -3, 0x7FFFFFFF},
        {-5, 3, -2},
        {0, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.sum, GuiTkAddSaturated(c.a, c.b)) << c.a << " + " << c.b;
}

std::vector<int32_t> contents(int32_t array) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < HandleArrayCount(array); i++) out.push_back(HandleArrayGet(array, i));
    return out;
}

int32_t capacityOf(int32_t array) {
    return GuiTkGetTypedInt(array, 0, GUITK_TAG_ARRY, (int32_t)offsetof(GuiTkHandleArray, capacity));
}

TEST_F(HandleTest, ArrayInsertsRemovesAndGrowsByDoubling) {
    int32_t a = HandleArrayCreate();
    ASSERT_NE(-1, a);
    EXPECT_EQ(8, capacityOf(a));
    for (int32_t v = 1; v <= 8; v++) EXPECT_EQ(0, HandleArrayAppend(a, v * 10));
    EXPECT_EQ(8, capacityOf(a)) << "eight fit the first block";
    EXPECT_EQ(0, HandleArrayInsert(a, 5, 0));
    EXPECT_EQ(16, capacityOf(a)) << "the ninth doubles the capacity";
    EXPECT_EQ((std::vector<int32_t>{5, 10, 20, 30, 40, 50, 60, 70, 80}), contents(a));
    EXPECT_EQ(0, HandleArrayInsert(a, 45, 5));
    HandleArrayRemove(a, 0);
    HandleArrayRemove(a, 8);
    EXPECT_EQ((std::vector<int32_t>{10, 20, 30, 40, 45, 50, 60, 70}), contents(a));
    HandleArrayClear(a);
    EXPECT_EQ(0, HandleArrayCount(a));
    EXPECT_EQ(16, capacityOf(a)) << "clearing keeps the capacity";
    HandleArrayDestroy(a);
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
}

TEST_F(HandleTest, ArrayIndexesOutsideTheCountAreFatalAndChangeNothing) {
    int32_t a = HandleArrayCreate();
    HandleArrayAppend(a, 7);
    struct Case {
        const char* name;
        int32_t (*call)(int32_t array);
        int32_t result;
    } cases[] = {
        {"get -1", [](int32_t x) { return HandleArrayGet(x, -1); }, 0},
        {"get count", [](int32_t x) { return HandleArrayGet(x, 1); }, 0},
        {"insert -1", [](int32_t x) { return HandleArrayInsert(x, 1, -1); }, -1},
        {"insert past count", [](int32_t x) { return HandleArrayInsert(x, 1, 2); }, -1},
        {"remove count",
         [](int32_t x) {
             HandleArrayRemove(x, 1);
             return 0;
         },
         0},
        {"remove -1",
         [](int32_t x) {
             HandleArrayRemove(x, -1);
             return 0;
         },
         0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, c.call(a)) << c.name;
        EXPECT_EQ(std::vector<int32_t>{GUITK_ERROR_ARGUMENT}, host.takeFatals()) << c.name;
        EXPECT_EQ(std::vector<int32_t>{7}, contents(a)) << c.name;
    }
    HandleArrayDestroy(a);
}

TEST_F(HandleTest, ArrayThatCannotGrowRefusesTheInsertWithoutAFatal) {
    int32_t a = HandleArrayCreate();
    for (int32_t v = 0; v < 8; v++) HandleArrayAppend(a, v);
    host.handlesBeforeFailure = 0;
    EXPECT_EQ(-1, HandleArrayAppend(a, 8));
    host.handlesBeforeFailure = -1;
    EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals());
    EXPECT_EQ(8, HandleArrayCount(a));
    EXPECT_EQ(8, capacityOf(a));
    EXPECT_EQ((std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7}), contents(a));
    HandleArrayDestroy(a);
}

TEST_F(HandleTest, ArrayCreationFailingHalfWayFreesTheOtherHalf) {
    int before = host.liveHandles();
    for (int budget : {0, 1}) {
        host.handlesBeforeFailure = budget;
        EXPECT_EQ(-1, HandleArrayCreate()) << "failing allocation " << budget;
        EXPECT_EQ(before, host.liveHandles()) << "failing allocation " << budget;
    }
    host.handlesBeforeFailure = -1;
}

TEST_F(HandleTest, DestroyingAnArrayFreesRecordAndDataBlock) {
    int before = host.liveHandles();
    int32_t a = HandleArrayCreate();
    for (int32_t v = 0; v < 20; v++) HandleArrayAppend(a, v);
    EXPECT_EQ(before + 2, host.liveHandles()) << "the grown block replaced the first one";
    HandleArrayDestroy(a);
    EXPECT_EQ(before, host.liveHandles());
}

}  // namespace
