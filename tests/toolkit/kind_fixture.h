// Test support for the component kinds: a fixture on the started toolkit that paints a
// component alone on the test host's screen, logs the messages a slot is given, and
// reads back the events the kinds post.
#pragma once

#include <string>
#include <vector>

#include "picture.h"
#include "platform/bitmap_font.h"
#include "toolkit/guitk_label.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

const uint32_t Black = 0xFF000000, White = 0xFFFFFFFF, LightGrey = 0xFFC0C0C0, DarkGrey = 0xFF808080;

inline std::vector<GuiTkMessage>& log() {
    static std::vector<GuiTkMessage> list;
    return list;
}

// The handler a logging slot passes each message on to.
inline GuiTkHandler& next() {
    static GuiTkHandler handler = nullptr;
    return handler;
}

inline int32_t logging(GuiTkMessage* m) {
    log().push_back(*m);
    return next()(m);
}

inline const std::u16string& u(const char16_t* s) {
    static std::vector<std::u16string> keep;
    keep.emplace_back(s);
    return keep.back();
}

inline int32_t setLabelText(int32_t c, const char16_t* s) {
    return KivLabelSetText(c, (const uint16_t*)u(s).data(), (int32_t)u(s).size());
}

// The width of units in the bitmap test face.
inline int32_t advanceOf(const std::u16string& s) {
    int32_t w = 0;
    for (char16_t ch : s) w += bitmap_font::advance(0, (uint16_t)ch);
    return w;
}

inline const uint16_t* units(const char16_t* s) { return (const uint16_t*)s; }

class KindTest : public ToolkitTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ToolkitTest::SetUp());
        log().clear();
    }
    void paint(int32_t c) {
        clearScreen(host);
        GuiTkGraphics g = GuiTkGetScreenGraphics();
        const GuiTkRect all = {0, 0, 64, 48};
        GuiTkGfxSetClip(g, &all);
        CompShow(c, 0);
        CompPaint(c, g);
        EXPECT_TRUE(host.screen.guardsIntact());
    }
    uint16_t pixel(uint32_t argb) { return surfacePixel(host, argb); }
    uint16_t at(int x, int y) { return host.screen.at(x, y); }
    // "id(a1,a2)" for each logged message of the given ids.
    static std::string takeLog() {
        std::string out;
        for (const GuiTkMessage& m : log())
            out += (out.empty() ? "" : " ") + std::to_string(m.id) + "(" + std::to_string(m.a1) + "," +
                   std::to_string(m.a2) + ")";
        log().clear();
        return out;
    }
    static std::string takeEvents() {
        std::string out;
        for (const GuiTkEvent& e : events())
            if (e.code != GUITK_EVENT_UPDATE)
                out += (out.empty() ? "" : " ") + std::to_string(e.code - 0x10000) + "(" + std::to_string(e.args[0]) +
                       "," + std::to_string(e.args[1]) + ")";
        events().clear();
        return out;
    }
};

}  // namespace
