// Lines are cut at 256 characters; the trace file holds UTF-16LE without a signature.
#include "host/common/hosttrace.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "host/common/settings.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace {
FILE* traceFile;
void (*traceHook)(const char* line);

void writeLine(const wchar_t* line) {
    std::string utf8 = WideToSystemText(line);
    if (traceHook) traceHook(utf8.c_str());
    if (TraceIsEnabled(1, "host", "TraceLog")) {
        for (char c : utf8) TraceSinkPutChar((unsigned char)c);
    }
    if (traceFile) {
        std::string units;
        for (const wchar_t* p = line; *p; p++) {
            uint32_t c = (uint32_t)*p > 0xFFFF ? 0xFFFD : (uint32_t)*p;
            units += (char)(c & 0xFF);
            units += (char)(c >> 8);
        }
        fwrite(units.data(), 1, units.size(), traceFile);
        fflush(traceFile);
    }
}

void narrowLine(const char* format, va_list args, bool newline) {
    char buffer[256];
    vsnprintf(buffer, sizeof buffer, format, args);
    if (newline) {
        size_t n = strlen(buffer);
        if (n + 1 < sizeof buffer) buffer[n] = '\n', buffer[n + 1] = 0;
    }
    // the 8-bit text is read as UTF-8
    std::wstring wide = Utf8ToWide(buffer, sizeof buffer);
    writeLine(wide.c_str());
}
}  // namespace

int OpenTraceLog(const char* fileName) {
    if (traceFile) return 1;
    if (ReadSettingDword("TraceLog") != 1) return 0;
    std::string path = ReadSettingString("Movane_Dir") + "/" + fileName;
    traceFile = fopen(path.c_str(), "wb");
    return traceFile != nullptr;
}

void CloseTraceLog(void) {
    if (traceFile) fclose(traceFile);
    traceFile = nullptr;
}

void TraceLogW(const wchar_t* format, ...) {
    wchar_t buffer[256];
    va_list args;
    va_start(args, format);
    vswprintf(buffer, 256, format, args);
    va_end(args);
    buffer[255] = 0;
    writeLine(buffer);
}

void TraceLogA(const char* format, ...) {
    va_list args;
    va_start(args, format);
    narrowLine(format, args, false);
    va_end(args);
}

void TraceLogLineA(const char* format, ...) {
    va_list args;
    va_start(args, format);
    narrowLine(format, args, true);
    va_end(args);
}

void HostTraceSetHook(void (*hook)(const char* line)) { traceHook = hook; }

std::string WideToSystemText(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

std::wstring Utf8ToWide(const char* text, size_t max) {
    std::wstring out;
    size_t n = text ? strnlen(text, max) : 0;
    for (size_t i = 0; i < n;) {
        unsigned char c = (unsigned char)text[i];
        size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        uint32_t cp = len == 1 ? c : c & (0xFFu >> (len + 1));
        size_t k = 1;
        for (; k < len && i + k < n; k++) cp = (cp << 6) | ((unsigned char)text[i + k] & 0x3F);
        out += (wchar_t)cp;
        i += k;
    }
    return out;
}

std::wstring AsciiToWide(const char* text) { return Utf8ToWide(text, (size_t)-1); }
