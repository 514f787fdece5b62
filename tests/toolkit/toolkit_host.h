// Test support: a host for the toolkit. Its table binds the graphics back end's real
// font, context and drawing calls (with the bitmap test face, drawing into a canvas
// that stands for the screen) and a handle allocator of its own that counts live
// blocks, locks and contexts, can be told to refuse an allocation, and records every
// fatal error instead of stopping anything. One host at a time.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/mk_dialog.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "platform/bitmap_font.h"
#include "platform/lowmem.h"
#include "toolkit/guitk_comp.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_host.h"
#include "toolkit/guitk_string.h"

#include <gtest/gtest.h>

class ToolkitHost {
public:
    explicit ToolkitHost(int width = 64, int height = 48) : screen(width, height, kPaper) {
        Current = this;
        table = {
            recordFatal,
            allocBlock,
            freeBlock,
            allocHandle,
            freeHandle,
            lockHandle,
            unlockHandle,
            MkFontGetDefault,
            MkFontGetHeight,
            MkFontCharsWidth,
            MkFontFitChars,
            createContext,
            destroyContext,
            MkFontGetDescent,
            MkGraphicsSetFont,
            MkFontGetLeading,
            MkGraphicsSetColor,
            MkFontGetAscent,
            MkGraphicsSetStrokeStyle,
            MkGraphicsGetClip,
            MkGraphicsSetClip,
            MkImageGetWidth,
            MkImageGetHeight,
            MkGraphicsGetWidth,
            MkGraphicsGetHeight,
            MkSoftkeySetLabel,
            MkSoftkeyResetLabels,
            MkSoftkeySetScrollState,
            traceFirst,
            MkSoftkeySetFocusState,
            MkSoftkeyPaint,
            videoProperty,
            MkVideoStartDraw,
            MkVideoEndDraw,
            MkGraphicsDrawLine,
            MkGraphicsDrawRect,
            MkGraphicsFillRect,
            MkGraphicsDrawChars,
            MkGraphicsDrawImage,
            MkVideoDrawOffScreen,
            MkVideoDrawRegionARGBImage,
            MkDrawDialogScreen,
        };
    }
    ~ToolkitHost() {
        for (Block& b : blocks)
            if (b.data != nullptr) lowFree(b.data);
        for (void* p : pointers) lowFree(p);
        Current = nullptr;
    }
    ToolkitHost(const ToolkitHost&) = delete;
    ToolkitHost& operator=(const ToolkitHost&) = delete;

    static constexpr uint16_t kPaper = 0x1234;

    // What is still allocated or locked.
    int liveHandles() const {
        int n = 0;
        for (const Block& b : blocks) n += b.data != nullptr;
        return n;
    }
    int lockedHandles() const {
        int n = 0;
        for (const Block& b : blocks) n += b.data != nullptr && b.locks != 0;
        return n;
    }
    int locksOf(int32_t handle) const { return blocks[handle - 1].locks; }
    int livePointers() const { return (int)pointers.size(); }
    std::string leftBehind() const {
        return std::to_string(liveHandles()) + " handles, " + std::to_string(lockedHandles()) + " locked, " +
               std::to_string(livePointers()) + " blocks, " + std::to_string(liveContexts) + " contexts";
    }
    // The fatal codes since the last call.
    std::vector<int32_t> takeFatals() {
        std::vector<int32_t> out;
        out.swap(fatals);
        return out;
    }
    // The raw bytes of a live handle's block, for checks of a record's layout.
    const uint8_t* peek(int32_t handle) const { return (const uint8_t*)blocks[handle - 1].data; }

    GuiTkHostServices table;
    Canvas screen;
    int32_t softkeys = 2;
    // Allocations allowed before the next one is refused; -1 never refuses.
    int handlesBeforeFailure = -1;
    int pointersBeforeFailure = -1;
    int liveContexts = 0;

private:
    struct Block {
        void* data;
        int32_t size;
        int32_t locks;
    };
    std::vector<Block> blocks;
    std::vector<void*> pointers;
    std::vector<int32_t> fatals;

    static inline ToolkitHost* Current = nullptr;

    static bool refuse(int& budget) {
        if (budget < 0) return false;
        if (budget == 0) return true;
        budget--;
        return false;
    }
    static Block* blockOf(uint32_t handle) {
        if (handle < 1 || handle > Current->blocks.size()) return nullptr;
        Block* b = &Current->blocks[handle - 1];
        return b->data != nullptr ? b : nullptr;
    }

    static void recordFatal(int32_t code) { Current->fatals.push_back(code); }
    static void* allocBlock(int32_t size) {
        if (refuse(Current->pointersBeforeFailure)) return nullptr;
        void* p = lowCalloc(1, size > 0 ? (size_t)size : 1);
        Current->pointers.push_back(p);
        return p;
    }
    static int32_t freeBlock(void* p) {
        auto& v = Current->pointers;
        for (size_t i = 0; i < v.size(); i++)
            if (v[i] == p) {
                lowFree(p);
                v.erase(v.begin() + (long)i);
                return 0;
            }
        ADD_FAILURE() << "free of a block the host never gave";
        return -1;
    }
    static int32_t allocHandle(int32_t size) {
        if (size < 0 || refuse(Current->handlesBeforeFailure)) return -1;
        void* p = lowCalloc(1, size > 0 ? (size_t)size : 1);
        if (p == nullptr) return -1;
        // fresh blocks are filled with a pattern: the toolkit must write every field
        memset(p, 0xA5, (size_t)size);
        Current->blocks.push_back({p, size, 0});
        return (int32_t)Current->blocks.size();
    }
    static int32_t freeHandle(uint32_t handle) {
        Block* b = blockOf(handle);
        if (b == nullptr) {
            ADD_FAILURE() << "free of handle " << handle << " that is not live";
            return -1;
        }
        EXPECT_EQ(0, b->locks) << "handle " << handle << " freed while locked";
        lowFree(b->data);
        b->data = nullptr;
        return 0;
    }
    static void* lockHandle(uint32_t handle) {
        Block* b = blockOf(handle);
        if (b == nullptr) return nullptr;
        b->locks++;
        return b->data;
    }
    static int32_t unlockHandle(uint32_t handle) {
        Block* b = blockOf(handle);
        if (b == nullptr || b->locks == 0) {
            ADD_FAILURE() << "unlock of handle " << handle << " that is not locked";
            return -1;
        }
        b->locks--;
        return 0;
    }
    static MkGraphicsContext* createContext(MkSurface* surface) {
        MkGraphicsContext* ctx = MkGraphicsCreateContext(surface);
        if (ctx != MK_NO_CONTEXT) Current->liveContexts++;
        return ctx;
    }
    static void destroyContext(MkGraphicsContext* ctx) {
        Current->liveContexts--;
        MkGraphicsDestroyContext(ctx);
    }
    static int32_t traceFirst(int32_t a, int32_t, int32_t) { return a; }
    static void videoProperty(MkVideoProperty* out) {
        memset(out, 0, sizeof *out);
        out->surface = &Current->screen.surface;
        out->colorFlag = 1;
        out->colorCount = 32768;
        out->alphaLevels = 2;
        out->softkeyCount = Current->softkeys;
    }
};

// A started toolkit on a fresh host; the stop at the end must leave nothing behind.
class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, FontLayerStart(bitmap_font::renderer()));
        ASSERT_EQ(0, GuiTkInitialize(0, nullptr, &host.table));
        CompSetDefaultHandler(recordEvent);
        events().clear();
    }
    void TearDown() override {
        EXPECT_EQ(0, GuiTkFinalize());
        EXPECT_EQ("0 handles, 0 locked, 0 blocks, 0 contexts", host.leftBehind());
        EXPECT_EQ(std::vector<int32_t>{}, host.takeFatals()) << "fatal errors nobody expected";
        FontLayerStop();
    }

    static std::vector<GuiTkEvent>& events() {
        static std::vector<GuiTkEvent> list;
        return list;
    }
    static int32_t recordEvent(GuiTkEventCallback, GuiTkEvent* event) {
        events().push_back(*event);
        return 1;
    }
    // The codes of the recorded events, and forget them.
    static std::vector<int32_t> takeEventCodes() {
        std::vector<int32_t> out;
        for (const GuiTkEvent& e : events()) out.push_back(e.code);
        events().clear();
        return out;
    }

    // A string with these units; the test destroys it.
    static int32_t text(const std::u16string& s) {
        return StrCreateFromChars((const uint16_t*)s.data(), (int32_t)s.size());
    }
    static std::u16string contentOf(int32_t string) {
        const uint16_t* chars = StrLockChars(string);
        std::u16string out((const char16_t*)chars, (size_t)StrGetLength(string));
        StrUnlockChars(string);
        return out;
    }

    GuiTkFont font() const { return GuiTkFontGetDefault(); }
    int32_t lineHeight() const { return GuiTkFontGetHeight(font()); }

    ToolkitHost host;
};
