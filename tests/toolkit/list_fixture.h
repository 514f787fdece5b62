// Test support for the list family: rows filled from text, key and pointer events, a
// record of what the soft-key slots were told, a restart of the toolkit with another
// soft-key count, and a picture helper that names the files it compares.
#pragma once

#include <string>
#include <vector>

#include "kind_fixture.h"
#include "toolkit/guitk_list.h"
#include "toolkit/guitk_listbox.h"

namespace {

struct SoftkeyRecord {
    std::string calls;  // "reset label(Back@1) focus(3) scroll(0) paint"
};
inline SoftkeyRecord& softkeyRecord() {
    static SoftkeyRecord r;
    return r;
}

class ListTest : public KindTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(KindTest::SetUp());
        softkeyRecord().calls.clear();
    }

    // Starts the toolkit again on a screen with this many soft keys.
    void restart(int32_t softkeys, int32_t optionCount = 0, const char* const* options = nullptr) {
        ASSERT_EQ(0, GuiTkFinalize());
        host.softkeys = softkeys;
        ASSERT_EQ(0, GuiTkInitialize(optionCount, options, &host.table));
        CompSetDefaultHandler(recordEvent);
        events().clear();
    }

    // The soft-key slots log into softkeyRecord() instead of the back end.
    void recordSoftkeys() {
        host.table.softkeySetLabel = [](const uint16_t* chars, int32_t count, int32_t key) {
            std::string text;
            for (int32_t k = 0; k < count; k++) text += (char)chars[k];
            add("label(" + text + "@" + std::to_string(key) + ")");
        };
        host.table.softkeyResetLabels = [] { add("reset"); };
        host.table.softkeySetScrollState = [](int32_t s) { add("scroll(" + std::to_string(s) + ")"); };
        host.table.softkeySetFocusState = [](int32_t s) { add("focus(" + std::to_string(s) + ")"); };
        host.table.softkeyPaint = [] { add("paint"); };
    }
    static std::string takeSoftkeys() {
        std::string out;
        out.swap(softkeyRecord().calls);
        return out;
    }

    static void addRows(int32_t list, std::initializer_list<const char16_t*> texts) {
        for (const char16_t* t : texts) {
            int32_t index = KivListGetSize(list);
            ASSERT_EQ(0, KivListInsertItem(list, index));
            ASSERT_EQ(0, KivListSetText(list, index, units(t), (int32_t)std::char_traits<char16_t>::length(t)));
        }
    }
    static int32_t key(int32_t c, int32_t code, int32_t type = GUITK_KEY_EVENT_PRESSED) {
        GuiTkKeyEvent e = {c, type, code, 0};
        return CompProcessKeyEvent(&e);
    }
    static int32_t pointer(int32_t c, int32_t kind, int32_t x, int32_t y) {
        GuiTkPointerEvent e = {c, {kind, 0, x, y}};
        return CompProcessPointerEvent(&e);
    }
    // "01-" for rows 0 and 1 selected, 2 not.
    static std::string selection(int32_t list) {
        std::string out;
        for (int32_t k = 0; k < KivListGetSize(list); k++) out += KivListIsSelected(list, k) ? '0' + (char)k : '-';
        return out;
    }
    // Paints the component alone on a cleared screen (through the paint message, as the
    // screen's update would) and compares the area with a reviewed picture.
    std::string picture(int32_t c, const char* name, int width = 64, int height = 48) {
        paint(c);
        return comparePicture(name, pictureOf(host, width, height));
    }

private:
    static void add(const std::string& s) {
        std::string& calls = softkeyRecord().calls;
        calls += (calls.empty() ? "" : " ") + s;
    }
};

}  // namespace
