// The editor peers' defaults.
#include "toolkit/guitk_editorpeer.h"

#include "toolkit/guitk_datefield.h"
#include "toolkit/guitk_string.h"

namespace {

void noEditor(int32_t) {}

// Appends value in at least digits decimal places.
int32_t putNumber(uint16_t* out, int32_t at, int32_t value, int32_t digits) {
    char buffer[12];
    int32_t n = 0;
    bool negative = value < 0;
    uint32_t v = negative ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        buffer[n++] = (char)('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < digits);
    if (negative) out[at++] = '-';
    while (n > 0) out[at++] = (uint16_t)buffer[--n];
    return at;
}

}  // namespace

int32_t GuiTkDefaultClampTextSize(int32_t, int32_t size) {
    return size > GUITK_TEXT_SIZE_LIMIT ? GUITK_TEXT_SIZE_LIMIT : size;
}

void GuiTkDefaultDateFieldFormat(int32_t component, int32_t part, int32_t string) {
    if (!KivDateFieldIsValid(component)) return;
    uint16_t text[32];
    int32_t n = 0;
    if (part == GUITK_DATEFIELD_DATE) {
        n = putNumber(text, n, KivDateFieldGetYear(component), 4);
        text[n++] = '-';
        n = putNumber(text, n, KivDateFieldGetMonth(component) + 1, 2);
        text[n++] = '-';
        n = putNumber(text, n, KivDateFieldGetDay(component), 2);
    } else {
        n = putNumber(text, n, KivDateFieldGetHour(component), 2);
        text[n++] = ':';
        n = putNumber(text, n, KivDateFieldGetMinute(component), 2);
    }
    StrSetChars(string, text, n);
}

constexpr GuiTkEditorPeerHooks DefaultGuiTkEditorPeers = {GuiTkDefaultClampTextSize, GuiTkDefaultDateFieldFormat,
                                                          noEditor, noEditor};
VMHOOKS GuiTkEditorPeerHooks GuiTkEditorPeers = DefaultGuiTkEditorPeers;
