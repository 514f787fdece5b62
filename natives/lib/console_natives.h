// The console output stream behind System.out and System.err, and the console switch
// that silences it.
#pragma once

#include <stdint.h>

// Field slot of ConsoleOutputStream: which host stream it writes to.
enum { CONSOLE_SINK_SLOT = 0, CONSOLE_STANDARD_OUTPUT = 1, CONSOLE_STANDARD_ERROR = 2 };

// Console output on (1) or dropped (0); answers the value set.
int32_t setConsoleSwitch(int32_t on);
// Makes the output written so far reach the host streams.
void flushConsole();

void Java_com_sun_cldc_io_ConsoleOutputStream_write__I();
void Java_com_sun_cldc_io_ConsoleOutputStream_write___3B();
void Java_com_sun_cldc_io_ConsoleOutputStream_write___3BII();
void Java_com_sun_cldc_io_ConsoleOutputStream_flush();
