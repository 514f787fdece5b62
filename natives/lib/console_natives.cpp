// Console output: bytes of System.out go to the process's standard output, those of
// System.err to its standard error; each line and each flush reaches the host at once.
#include "natives/lib/console_natives.h"

#include <stdio.h>
#include <string.h>

#include "natives/lib/nativestack.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"

static VMDATA int32_t ConsoleSwitch = 1;

int32_t setConsoleSwitch(int32_t on) {
    ConsoleSwitch = on;
    return on;
}

void flushConsole() {
    fflush(stdout);
    fflush(stderr);
}

static FILE* sinkOf(OBJECT stream) {
    return getIntFieldByIndex(stream, CONSOLE_SINK_SLOT) == CONSOLE_STANDARD_ERROR ? stderr : stdout;
}

static void writeBytes(OBJECT stream, const int8_t* bytes, int32_t count) {
    if (ConsoleSwitch == 0 || count == 0) return;
    FILE* sink = sinkOf(stream);
    fwrite(bytes, 1, (size_t)count, sink);
    // standard error shows each write at once, standard output each line, so that a
    // program that is killed loses no line it printed
    if (sink == stderr || memchr(bytes, '\n', (size_t)count) != nullptr) fflush(sink);
}

void Java_com_sun_cldc_io_ConsoleOutputStream_flush() {
    OBJECT stream = popObject();
    fflush(sinkOf(stream));
}

void Java_com_sun_cldc_io_ConsoleOutputStream_write__I() {
    int8_t b = (int8_t)popInt();
    OBJECT stream = popObject();
    writeBytes(stream, &b, 1);
}

void Java_com_sun_cldc_io_ConsoleOutputStream_write___3B() {
    ArrayObject* array = (ArrayObject*)popObject();
    OBJECT stream = popObject();
    if (array == nullptr) raiseException(NullPointerException);
    writeBytes(stream, getByteArrayData(array), getByteArrayLength(array));
}

void Java_com_sun_cldc_io_ConsoleOutputStream_write___3BII() {
    int32_t len = popInt();
    int32_t off = popInt();
    ArrayObject* array = (ArrayObject*)popObject();
    OBJECT stream = popObject();
    if (array == nullptr) raiseException(NullPointerException);
    int32_t length = getByteArrayLength(array);
    int32_t end = (int32_t)((uint32_t)off + (uint32_t)len);
    if (off < 0 || off > length || len < 0 || end > length || end < 0)
        raiseException("java/lang/IndexOutOfBoundsException");
    writeBytes(stream, getByteArrayData(array) + off, len);
}
