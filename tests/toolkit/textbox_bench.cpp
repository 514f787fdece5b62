// The text box at its largest: 5,000 units (the platform's limit) in a screen-sized
// box on the started toolkit with the bitmap test face. Typing one unit into the middle
// (the text, the layout dropped, the size measured again), scrolling one line with a
// paint of the visible lines, and painting the same text masked.
#include <benchmark/benchmark.h>

#include <string>

#include "toolkit/guitk_screen.h"
#include "toolkit/guitk_textbox.h"
#include "toolkit_host.h"

namespace {

int32_t ignoreEvent(GuiTkEventCallback, GuiTkEvent*) { return 1; }

enum { UNITS = 5000 };

struct Started {
    ToolkitHost host{240, 320};
    bool ok = false;
    Started() {
        FontLayerStart(bitmap_font::renderer());
        ok = GuiTkInitialize(0, nullptr, &host.table) == 0;
        if (ok) CompSetDefaultHandler(ignoreEvent);
    }
    ~Started() {
        GuiTkFinalize();
        FontLayerStop();
    }
};

// Words of five units and a line feed every tenth word.
int32_t build() {
    std::u16string text;
    for (int32_t k = 0; (int32_t)text.size() < UNITS; k++) text += k % 10 == 9 ? u"word\n" : u"word ";
    text.resize(UNITS);
    int32_t box = KivTextBoxCreate(0);
    CompSetLocation(box, 0, 0);
    CompSetSize(box, 240, 320);
    KivTextInputSetMaxSize(box, UNITS + 1);
    KivTextInputSetText(box, (const uint16_t*)text.data(), (int32_t)text.size());
    CompShow(box, 0);
    return box;
}

void BM_TextBoxTypeInTheMiddle(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    int32_t box = build();
    const uint16_t unit = 'x';
    for (auto _ : state) {
        KivTextInputDeleteText(box, UNITS / 2, 1);
        KivTextInputInsertText(box, &unit, 1, UNITS / 2);
    }
    KivTextBoxDelete(box);
}
BENCHMARK(BM_TextBoxTypeInTheMiddle)->Unit(benchmark::kMicrosecond);

void BM_TextBoxScrollAndPaint(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    int32_t box = build();
    GuiTkGraphics g = GuiTkGetScreenGraphics();
    int32_t line = GuiTkFontGetHeight(CompGetFont(box)), step = line;
    for (auto _ : state) {
        // bounce between the ends so that every step moves
        if (TextBoxScroll(box, step) == 0) {
            step = -step;
            TextBoxScroll(box, step);
        }
        CompPaint(box, g);
    }
    KivTextBoxDelete(box);
}
BENCHMARK(BM_TextBoxScrollAndPaint)->Unit(benchmark::kMicrosecond);

void BM_TextBoxPaintPassword(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    int32_t box = build();
    KivTextInputSetPassword(box, 1);
    GuiTkGraphics g = GuiTkGetScreenGraphics();
    for (auto _ : state) CompPaint(box, g);
    KivTextBoxDelete(box);
}
BENCHMARK(BM_TextBoxPaintPassword)->Unit(benchmark::kMicrosecond);

}  // namespace
