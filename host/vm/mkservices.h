// Small porting services the runtime services call: the clocks as two words, system
// properties and platform requests through one shared 256-byte buffer, and the two work
// buffers of a run. (The wake-up event and the event lock are in platform/events.h, the
// data-section record in platform/sections.h.)
#pragma once

#include <stdint.h>

enum { MK_SHARED_BUFFER = 256, MK_WORK_BUFFER = 1025, MK_PROPERTY_UNITS = 128, MK_REQUEST_BYTES = 255 };

void MkGetElapsedTime(uint32_t* high, uint32_t* low);
void MkGetCurrentTimeMillis(uint32_t* high, uint32_t* low);
// The value of a system property as UTF-16 in the shared buffer (valid to the next call)
// with its length; null and length 0 for an unknown key.
const uint16_t* MkPropertyGetString(const uint16_t* key, int32_t keyLength, int32_t* valueLength);
// Hands the URL, each character narrowed to its low byte, to SysPlatformRequest.
int32_t MkPlatformRequest(const uint16_t* url, int32_t length);

// Two zeroed buffers from the storage arena, each with a status word (0, or -1 when its
// allocation failed); Term frees them and clears the words.
void MkWorkBuffersInit(void);
void MkWorkBuffersTerm(void);
// Buffer 0 or 1, or null; its status word in *status when given.
uint8_t* MkWorkBuffer(int32_t index, int32_t* status);
