// Messages per second through the toolkit: a label created, given a text, sized,
// painted into the test host's screen and deleted, on the started toolkit with the
// bitmap test face. Each iteration sends the messages counted below.
#include <benchmark/benchmark.h>

#include "toolkit/guitk_label.h"
#include "toolkit/guitk_screen.h"
#include "toolkit_host.h"

namespace {

int32_t Messages = 0;

int32_t countingHandler(GuiTkMessage* m) {
    Messages++;
    return KivLabelDefaultHandler(m);
}

int32_t ignoreEvent(GuiTkEventCallback, GuiTkEvent*) { return 1; }

void BM_LabelCreatePaintDelete(benchmark::State& state) {
    ToolkitHost host;
    FontLayerStart(bitmap_font::renderer());
    if (GuiTkInitialize(0, nullptr, &host.table) != 0) {
        state.SkipWithError("the toolkit did not start");
        return;
    }
    CompSetDefaultHandler(ignoreEvent);
    for (int32_t id = 0; id < GUITK_LABEL_SLOTS; id++) KivLabelSetHandler(id, countingHandler);
    const uint16_t text[] = {'H', 'e', 'l', 'l', 'o', '\n', 'w', 'o', 'r', 'l', 'd'};
    GuiTkGraphics gfx = GuiTkGetScreenGraphics();
    Messages = 0;
    for (auto _ : state) {
        int32_t label = KivLabelCreate(0);
        KivLabelSetText(label, text, 11);
        CompSetLocation(label, 2, 2);
        CompSetSize(label, 40, 30);
        CompShow(label, 0);
        CompPaint(label, gfx);
        KivLabelDelete(label);
    }
    state.counters["messages"] = benchmark::Counter((double)Messages, benchmark::Counter::kIsRate);
    state.counters["messages/iteration"] = (double)Messages / (double)state.iterations();
    GuiTkFinalize();
    FontLayerStop();
}
BENCHMARK(BM_LabelCreatePaintDelete);

}  // namespace

BENCHMARK_MAIN();
