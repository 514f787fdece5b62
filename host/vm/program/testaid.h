// Headless runs for tests: a script of timed input fed through the display as if a
// user typed and touched, and the presented frames written as PNG files.
//
//   MOVANE_INPUT=<file>   one event a line, "<ms> <what> <arguments>", the time counted
//                         from the moment the MIDlet has started; lines in time order;
//                         '#' starts a comment:
//                           <ms> key press|release|repeat <SDL key name>   (5, Up, F1...)
//                           <ms> pen press|drag|release <x> <y>   (screen pixels)
//                           <ms> frame <name>     writes the frame as <name>.png
//                           <ms> stop             stops the MIDlet; the program ends
//   MOVANE_FRAMES=<dir>   where frames go; the last presented frame is also written there
//                         as end.png when the program ends
#pragma once

#include <stdint.h>

// Reads the environment and the script; false (with a message on standard error) when
// the script cannot be read or has a line that is not understood.
bool TestAidLoad(void);
// Once the display is open: plays the script from the display's input pump.
void TestAidStart(void);
// At the end, before the display closes: the end frame.
void TestAidFinish(void);
// Writes 16-bit pixels (red 5, green 6, blue 5) as an 8-bit RGB PNG; false on failure.
bool TestAidWritePng(const char* path, const uint16_t* pixels, int32_t width, int32_t height);
