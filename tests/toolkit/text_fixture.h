// Test support for the text input and the text box: a fixture that makes boxes, sets
// text from literals, reads text and caret back as one string, logs the messages the
// text-input slots are given and sends key and pointer events.
#pragma once

#include <string>
#include <vector>

#include "list_fixture.h"
#include "toolkit/guitk_editorpeer.h"
#include "toolkit/guitk_textbox.h"
#include "toolkit/guitk_textinput.h"

namespace {

class TextTest : public ListTest {
protected:
    // The editor peers are kept across toolkit starts: a test that replaces them gets
    // the defaults back.
    void TearDown() override {
        GuiTkEditorPeers = DefaultGuiTkEditorPeers;
        ListTest::TearDown();
    }
    // A text box whose text-input messages (29 to 40) reach the log first.
    int32_t makeLogged(int32_t param = 0) {
        int32_t c = KivTextBoxCreate(param);
        EXPECT_NE(-1, c);
        next() = KivTextBoxDefaultHandler;
        for (int32_t id = GUITK_TEXT_MSG_TEXT; id <= GUITK_TEXT_MSG_INDICATOR_OFF; id++)
            KivTextBoxSetHandler(id, logging);
        log().clear();
        return c;
    }
    static int32_t setText(int32_t c, const std::u16string& s) {
        return KivTextInputSetText(c, (const uint16_t*)s.data(), (int32_t)s.size());
    }
    static int32_t insert(int32_t c, const std::u16string& s, int32_t position) {
        return KivTextInputInsertText(c, (const uint16_t*)s.data(), (int32_t)s.size(), position);
    }
    // The text with the caret as '|', or "(none)" before any text.
    static std::string shown(int32_t c) {
        int32_t text = KivTextInputGetText(c);
        if (text == -1) return "(none)|" + std::to_string(KivTextInputGetCaretPosition(c));
        std::string out;
        for (char16_t ch : contentOf(text)) out += ch == u'\n' ? '/' : (char)ch;
        int32_t caret = KivTextInputGetCaretPosition(c);
        if (caret >= 0 && caret <= (int32_t)out.size()) return out.insert((size_t)caret, "|");
        return out + " caret " + std::to_string(caret);
    }
};

}  // namespace
