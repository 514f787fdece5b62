// Test support: what reaches the trace sink, collected while the capture lives.
#pragma once

#include <string>

#include "platform/trace.h"

struct SinkCapture {
    std::string text;
    SinkCapture() { TraceSetCapture(&SinkCapture::put, this); }
    ~SinkCapture() { TraceSetCapture(nullptr, nullptr); }
    static void put(int c, void* self) { static_cast<SinkCapture*>(self)->text += (char)c; }
};
