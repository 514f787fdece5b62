// The host trace of both programs: printf-style lines to the debugger output (the VM
// trace sink) and, when the TraceLog setting is 1, to a UTF-16 trace file in Movane_Dir.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#include <string>

// 1 when a trace file is open afterwards.
int OpenTraceLog(const char* fileName);
void CloseTraceLog(void);
void TraceLogW(const wchar_t* format, ...);
void TraceLogA(const char* format, ...) __attribute__((format(printf, 1, 2)));
void TraceLogLineA(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Test seam: every line also goes to hook (UTF-8); null removes it.
void HostTraceSetHook(void (*hook)(const char* line));

// Text conversions. The system code page of 8-bit texts is UTF-8 here.
std::string WideToSystemText(const std::wstring& text);
// At most max bytes, up to the first zero.
std::wstring Utf8ToWide(const char* text, size_t max);
std::wstring AsciiToWide(const char* text);
