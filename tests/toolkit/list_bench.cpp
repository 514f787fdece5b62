// The list family at size: an implicit list of 1,000 rows on the started toolkit with
// the bitmap test face. Building it (creation, rows and their texts, sizing), moving the
// focus one row (selection, scrolling every row into place), and painting one frame of
// the visible rows.
#include <benchmark/benchmark.h>

#include <string>

#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

int32_t ignoreEvent(GuiTkEventCallback, GuiTkEvent*) { return 1; }

enum { ROWS = 1000 };

// The toolkit started for one benchmark, stopped at its end.
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

int32_t build() {
    int32_t list = KivImplicitListCreate(0);
    for (int32_t k = 0; k < ROWS; k++) {
        KivListInsertItem(list, k);
        std::u16string text = u"Row " + std::u16string(1, (char16_t)('0' + k % 10));
        KivListSetText(list, k, (const uint16_t*)text.data(), (int32_t)text.size());
    }
    CompSetLocation(list, 0, 0);
    CompSetSize(list, 240, 320);
    CompShow(list, 0);
    CompSetState(list, GUITK_STATE_ACTIVE);
    return list;
}

void BM_ListBuild1000(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    for (auto _ : state) {
        int32_t list = build();
        state.PauseTiming();
        KivImplicitListDelete(list);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ListBuild1000)->Unit(benchmark::kMillisecond);

void BM_ListScrollOneRow(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    int32_t list = build();
    int32_t down = 1;
    for (auto _ : state) {
        // bounce between the ends so that every step moves the focus and scrolls
        int32_t focused = KivListBoxGetFocusedIndex(list);
        if (focused == ROWS - 1) down = 0;
        if (focused == 0) down = 1;
        GuiTkKeyEvent e = {list, GUITK_KEY_EVENT_PRESSED, down ? 19 : 17, 0};
        CompProcessKeyEvent(&e);
    }
    KivImplicitListDelete(list);
}
BENCHMARK(BM_ListScrollOneRow)->Unit(benchmark::kMicrosecond);

void BM_ListPaintFrame(benchmark::State& state) {
    Started s;
    if (!s.ok) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    int32_t list = build();
    KivListBoxSetFocusedIndex(list, ROWS / 2);
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    const GuiTkRect all = {0, 0, 240, 320};
    for (auto _ : state) {
        GuiTkGfxSetClip(gfx, &all);
        CompPaint(list, gfx);
    }
    KivImplicitListDelete(list);
}
BENCHMARK(BM_ListPaintFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
