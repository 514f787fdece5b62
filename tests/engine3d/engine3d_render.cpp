// Renders the demo scene to a PNG for review:
//   engine3d-render <out.png> [width height [turn [scale]]]
// The turn is the cube's angle in 1/4096 of a turn; the scale enlarges each pixel.
#include <stdio.h>
#include <stdlib.h>

#include "engine3d/demo_scene.h"
#include "engine3d/m3d_context.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s <out.png> [width height [turn [scale]]]\n", argv[0]);
        return 2;
    }
    const int32_t width = argc > 3 ? atoi(argv[2]) : 240, height = argc > 3 ? atoi(argv[3]) : 320;
    const int32_t turn = argc > 4 ? atoi(argv[4]) : 400, scale = argc > 5 ? atoi(argv[5]) : 2;
    if (width < 1 || height < 1 || width > 4096 || height > 4096 || scale < 1 || scale > 16) {
        fprintf(stderr, "%s: size or scale out of range\n", argv[0]);
        return 2;
    }
    e3t::Frame frame(width, height, 0x1084);
    e3t::DemoScene demo;
    demo.setUp(frame.get(), turn);
    int32_t result = frame.run(e3t::DemoScene::commands(width, height));
    demo.tearDown(frame.get());
    if (result != 0) {
        fprintf(stderr, "%s: the command list stopped at word %d\n", argv[0], result - 1);
        return 1;
    }
    if (!e3t::writePng(frame.canvas, argv[1], scale)) {
        fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
