// The Canvas, Displayable and Display natives and the display manager on their own:
// game actions and key codes over the VM's key table, command keys, soft-key labels,
// the full-screen word, the access-class registry and the listener table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/mk_host.h"
#include "natives/lib/nativecall.h"
#include "natives/ui/dispmanager.h"
#include "natives/ui/lcdui_natives.h"
#include "vm/services/keymap.h"
#include "vm/services/vmreset.h"

namespace {

// Every case starts from a fresh run's state and the back end's hooks of the case.
class DisplayNatives : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, initVmSections(MV_SECTIONS_FULL));
        saved = *mk_getHostHooks();
    }
    void TearDown() override {
        mk_setHostHooks(&saved);
        initVmSections(MV_SECTIONS_FULL);
    }
    MkHostHooks saved;
};

cell callNative(void (*native)(), std::vector<cell> args) {
    NativeCall c;
    for (cell a : args) c.arg(a);
    return c.call(native);
}

TEST_F(DisplayNatives, GameActionsAndKeyCodes) {
    // before the table is filled no key has a game action
    EXPECT_EQ(0, callNative(Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, {1}));
    EXPECT_EQ(0, callNative(Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, {53}));
    callNative(Java_javax_microedition_lcdui_Canvas_nativeInitGameAction, {});

    static const KeyEntry extra[] = {{-100, "VOLUP", 5}};
    const KeyExtendedList extended = {extra, 1};
    mvKey_setKeyMap(nullptr, &extended);

    struct Case {
        const char* name;
        void (*native)();
        int32_t argument, expected;
    };
    const Case cases[] = {
        // the scan runs from the last index down: the direction key wins over the digit
        {"key code of UP", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 1, -1},
        {"key code of LEFT", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 2, -2},
        {"key code of FIRE", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 8, -20},
        {"key code of GAME_A", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 9, 49},
        {"key code of no game action", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 0, -8},
        {"key code of an unknown action", Java_javax_microedition_lcdui_Canvas_nativeGetKeyCode, 13, 0},
        {"game action of 5", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, 53, 8},
        {"game action of 2", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, 50, 1},
        {"game action of RIGHT", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, -5, 5},
        {"game action of DOWN", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, -6, 6},
        {"game action of STAR", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, 42, 0},
        {"game action of SOFT1", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, -21, 0},
        {"game action of an unknown code", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, 1234, -1},
        {"game action of an extended key", Java_javax_microedition_lcdui_Canvas_nativeGetGameAction, -100, 0},
        {"translate index 17", Java_javax_microedition_lcdui_Displayable_translateKeyCode, 17, -1},
        {"translate extended index", Java_javax_microedition_lcdui_Displayable_translateKeyCode, 256, -100},
        {"translate other value", Java_javax_microedition_lcdui_Displayable_translateKeyCode, (int32_t)0x80000014,
         (int32_t)0x80000014},
        {"platform code of 0", Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode, 0, -1},
        {"platform code of SELECT", Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode, -20, 20},
        {"platform code of extended", Java_javax_microedition_lcdui_Displayable__1getPlatformKeyCode, -100, 256},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, callNative(c.native, {c.argument})) << c.name;
}

TEST_F(DisplayNatives, CommandKeysFromTheDefaultTable) {
    const int32_t expected[] = {21, 21, 21, 21, 22, 22, 22};
    for (int32_t id = 100; id <= 106; id++) {
        EXPECT_EQ(expected[id - 100], callNative(Java_javax_microedition_lcdui_Displayable_nativeGetCommandKey, {id}))
            << "id " << id;
    }
    for (int32_t id : {0, 99, 107, -1}) {
        EXPECT_EQ(-1, callNative(Java_javax_microedition_lcdui_Displayable_nativeGetCommandKey, {id})) << "id " << id;
    }
}

int32_t screenMode = -1;

TEST_F(DisplayNatives, FullScreenWordFollowsTheScreenLayer) {
    MkHostHooks hooks = {};
    hooks.displaySetFullScreenMode = [](int32_t mode) -> int32_t {
        screenMode = mode;
        return 1;
    };
    mk_setHostHooks(&hooks);
    EXPECT_EQ(0, callNative(Java_javax_microedition_lcdui_Displayable_nativeGetFullScreenMode, {}));
    EXPECT_EQ(1, callNative(Java_javax_microedition_lcdui_Displayable_nativeSetFullScreenMode, {1}));
    EXPECT_EQ(1, screenMode);
    EXPECT_EQ(1, callNative(Java_javax_microedition_lcdui_Displayable_nativeGetFullScreenMode, {}));
    EXPECT_EQ(1, lcduiGetFullScreenMode());

    // a screen layer that refuses leaves the word as it was
    hooks.displaySetFullScreenMode = [](int32_t mode) -> int32_t { return 0; };
    mk_setHostHooks(&hooks);
    EXPECT_EQ(0, callNative(Java_javax_microedition_lcdui_Displayable_nativeSetFullScreenMode, {0}));
    EXPECT_EQ(1, lcduiGetFullScreenMode());
}

TEST_F(DisplayNatives, AccessClassRegistry) {
    const char* names[] = {"a/One", "a/Two", "a/Three", "a/Four", "a/Five", "a/Six"};
    for (int i = 0; i < 5; i++) EXPECT_EQ(i + 1, mvMidp2DispManager_registerAccessClass(names[i])) << names[i];
    EXPECT_EQ(-1, mvMidp2DispManager_registerAccessClass(names[5])) << "a sixth name: the table is full";
    EXPECT_EQ(5, mvMidp2DispManager_getAccessClassNumber());
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_FULL));
    EXPECT_EQ(1, mvMidp2DispManager_registerAccessClass(names[0]));
    EXPECT_EQ(-1, mvMidp2DispManager_registerAccessClass(names[0])) << "already registered";
    EXPECT_EQ(-1, mvMidp2DispManager_registerAccessClass(nullptr));
    EXPECT_EQ(1, mvMidp2DispManager_getAccessClassNumber());
    EXPECT_STREQ("a/One", mvMidp2DispManager_getAccessClassName(0));
    EXPECT_EQ(nullptr, mvMidp2DispManager_getAccessClassName(1)) << "index equal to the count";
    EXPECT_EQ(nullptr, mvMidp2DispManager_getAccessClassName(-1));
}

void listenerA() {}

TEST_F(DisplayNatives, ListenerTableKeepsItsBounds) {
    struct Case {
        int32_t kind, index, result;
    };
    const Case cases[] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 2}, {-1, 0, -1}, {0, 2, 2}, {1, -3, -3}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, dispSetListener(c.kind, c.index, listenerA)) << c.kind << "," << c.index;
        EXPECT_EQ(c.result == 0 ? listenerA : nullptr, dispGetListener(c.kind, c.index)) << c.kind << "," << c.index;
    }
    EXPECT_EQ(nullptr, dispGetListener(1, 0));
}

MkSurface videoSurface;
int32_t alphaLevels;

TEST_F(DisplayNatives, VideoPropertyIsCachedOnce) {
    MkHostHooks hooks = {};
    hooks.screenGetVideoProperty = [](MkVideoProperty* out) {
        *out = {&videoSurface, 1, 32768, alphaLevels, 1, 1, 1, 1, 2};
    };
    mk_setHostHooks(&hooks);
    alphaLevels = 2;
    EXPECT_EQ(2, callNative(Java_javax_microedition_lcdui_Display_nativeNumAlphaLevels, {}));
    alphaLevels = 256;
    EXPECT_EQ(2, callNative(Java_javax_microedition_lcdui_Display_nativeNumAlphaLevels, {}))
        << "the first reading stays for the run";
    ASSERT_EQ(0, initVmSections(MV_SECTIONS_FULL));
    EXPECT_EQ(256, callNative(Java_javax_microedition_lcdui_Display_nativeNumAlphaLevels, {}));
}

}  // namespace
