#include "host/vm/program/testaid.h"

#include <SDL2/SDL_keyboard.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/vm/vmshell.h"
#include "platform/display.h"

namespace {

enum Kind { KEY_PRESS, KEY_RELEASE, KEY_REPEAT, PEN_PRESS, PEN_DRAG, PEN_RELEASE, FRAME, STOP };

struct Step {
    int64_t at;
    Kind kind;
    SDL_Keycode key;
    int32_t x, y;
    std::string name;
};

std::vector<Step> steps;
size_t next;
std::string framesDir;
bool started;
std::chrono::steady_clock::time_point origin;

bool refuse(const char* file, int line, const std::string& text, const char* why) {
    fprintf(stderr, "Movane_VM: MOVANE_INPUT %s line %d: %s: %s\n", file, line, why, text.c_str());
    return false;
}

bool parse(const char* file, int number, const std::string& line, Step* step) {
    std::istringstream in(line);
    std::string what, action;
    long long at = -1;
    if (!(in >> at) || at < 0) return refuse(file, number, line, "no time in milliseconds");
    if (step->at > at) return refuse(file, number, line, "earlier than the line before");
    step->at = at;
    if (!(in >> what)) return refuse(file, number, line, "nothing to do");
    if (what == "key" || what == "pen") {
        if (!(in >> action)) return refuse(file, number, line, "no press, release, repeat or drag");
    }
    if (what == "key") {
        std::string name;
        if (!(in >> name)) return refuse(file, number, line, "no key name");
        step->key = SDL_GetKeyFromName(name.c_str());
        if (step->key == SDLK_UNKNOWN) return refuse(file, number, line, "not a key name");
        if (action == "press") {
            step->kind = KEY_PRESS;
        } else if (action == "release") {
            step->kind = KEY_RELEASE;
        } else if (action == "repeat") {
            step->kind = KEY_REPEAT;
        } else {
            return refuse(file, number, line, "a key is pressed, released or repeated");
        }
    } else if (what == "pen") {
        if (!(in >> step->x >> step->y) || step->x < 0 || step->y < 0) {
            return refuse(file, number, line, "no screen position");
        }
        if (action == "press") {
            step->kind = PEN_PRESS;
        } else if (action == "drag") {
            step->kind = PEN_DRAG;
        } else if (action == "release") {
            step->kind = PEN_RELEASE;
        } else {
            return refuse(file, number, line, "a pen is pressed, dragged or released");
        }
    } else if (what == "frame") {
        if (!(in >> step->name) || step->name.find('/') != std::string::npos) {
            return refuse(file, number, line, "a frame needs a plain name");
        }
        step->kind = FRAME;
    } else if (what == "stop") {
        step->kind = STOP;
    } else {
        return refuse(file, number, line, "not key, pen, frame or stop");
    }
    std::string rest;
    if (in >> rest) return refuse(file, number, line, "more than the line takes");
    return true;
}

// A device pixel's centre in window coordinates.
void toWindow(int32_t x, int32_t y, int32_t* wx, int32_t* wy) {
    int32_t w = 0, h = 0, scale = 1, sw = 0, sh = 0;
    DisplayOutputSize(&w, &h, &scale);
    ScreenGetDeviceSize(&sw, &sh, nullptr);
    *wx = (w - sw * scale) / 2 + x * scale + scale / 2;
    *wy = (h - sh * scale) / 2 + y * scale + scale / 2;
}

bool writeFrame(const std::string& name) {
    if (framesDir.empty()) return true;
    int32_t w = 0, h = 0;
    ScreenGetDeviceSize(&w, &h, nullptr);
    std::vector<uint16_t> pixels((size_t)w * h);
    std::string path = framesDir + "/" + name + ".png";
    if (!DisplayReadBack(pixels.data()) || !TestAidWritePng(path.c_str(), pixels.data(), w, h)) {
        fprintf(stderr, "Movane_VM: cannot write the frame %s\n", path.c_str());
        return false;
    }
    return true;
}

void play(const Step& s) {
    int32_t wx = 0, wy = 0;
    switch (s.kind) {
        case KEY_PRESS:
        case KEY_REPEAT:
            DisplayInjectKey(s.key, 1);
            break;
        case KEY_RELEASE:
            DisplayInjectKey(s.key, 0);
            break;
        case PEN_PRESS:
        case PEN_RELEASE:
            toWindow(s.x, s.y, &wx, &wy);
            DisplayInjectMouse(wx, wy, 1, s.kind == PEN_PRESS);
            break;
        case PEN_DRAG:
            toWindow(s.x, s.y, &wx, &wy);
            DisplayInjectMotion(wx, wy);
            break;
        case FRAME:
            writeFrame(s.name);
            break;
        case STOP:
            PostToMainWindow(VM_CMD_STOP_MIDLET, 0, STOP_END_PROGRAM);
            break;
    }
}

// The clock starts when the MIDlet has started; the steps then come due in order.
void pump(void) {
    if (!started) {
        if (hostState.HostState != HOST_RUNNING) return;
        started = true;
        origin = std::chrono::steady_clock::now();
    }
    int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - origin).count();
    while (next < steps.size() && steps[next].at <= now) play(steps[next++]);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(v >> shift));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, (uint32_t)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, (uint32_t)crc32(0, out.data() + start, (uInt)(out.size() - start)));
}

}  // namespace

bool TestAidWritePng(const char* path, const uint16_t* pixels, int32_t width, int32_t height) {
    if (pixels == nullptr || width <= 0 || height <= 0) return false;
    std::vector<uint8_t> raw;
    raw.reserve((size_t)(width * 3 + 1) * height);
    for (int32_t y = 0; y < height; y++) {
        raw.push_back(0);
        for (int32_t x = 0; x < width; x++) {
            uint16_t p = pixels[(size_t)y * width + x];
            uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
            raw.push_back((uint8_t)(r << 3 | r >> 2));
            raw.push_back((uint8_t)(g << 2 | g >> 4));
            raw.push_back((uint8_t)(b << 3 | b >> 2));
        }
    }
    uLongf packedSize = compressBound((uLong)raw.size());
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), (uLong)raw.size(), 9) != Z_OK) return false;
    packed.resize(packedSize);
    static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> png(signature, signature + 8), header;
    put32(header, (uint32_t)width);
    put32(header, (uint32_t)height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    FILE* f = fopen(path, "wb");
    if (f == nullptr) return false;
    bool written = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && written;
}

bool TestAidLoad(void) {
    const char* frames = getenv("MOVANE_FRAMES");
    framesDir = frames != nullptr ? frames : "";
    const char* file = getenv("MOVANE_INPUT");
    steps.clear();
    next = 0;
    started = false;
    if (file == nullptr || *file == 0) return true;
    std::ifstream in(file);
    if (!in) {
        fprintf(stderr, "Movane_VM: MOVANE_INPUT %s cannot be read\n", file);
        return false;
    }
    std::string line;
    Step step = {0, STOP, SDLK_UNKNOWN, 0, 0, ""};
    for (int number = 1; std::getline(in, line); number++) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        if (!parse(file, number, line, &step)) return false;
        steps.push_back(step);
        step.name.clear();
    }
    return true;
}

void TestAidStart(void) {
    if (!steps.empty()) DisplaySetPumpHook(pump);
}

void TestAidFinish(void) {
    DisplaySetPumpHook(nullptr);
    if (!framesDir.empty()) writeFrame("end");
}
