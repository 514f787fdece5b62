// The small porting services.
#include "host/vm/mkservices.h"

#include <string.h>

#include <string>

#include "host/vm/porting.h"
#include "platform/clock.h"
#include "storage/qmmm.h"

namespace {
uint8_t sharedBuffer[MK_SHARED_BUFFER];
uint8_t* workBuffers[2];
int32_t workStatus[2];
}  // namespace

void MkGetElapsedTime(uint32_t* high, uint32_t* low) { SysGetElapsedTime(high, low); }

void MkGetCurrentTimeMillis(uint32_t* high, uint32_t* low) { SysGetCurrentTimeMillis(high, low); }

const uint16_t* MkPropertyGetString(const uint16_t* key, int32_t keyLength, int32_t* valueLength) {
    *valueLength = 0;
    memset(sharedBuffer, 0, sizeof sharedBuffer);
    if (key == nullptr || keyLength <= 0) return nullptr;
    // keys are ASCII; anything else is no key of ours
    if (keyLength >= MK_SHARED_BUFFER) return nullptr;
    for (int32_t i = 0; i < keyLength; i++) {
        if (key[i] == 0 || key[i] >= 0x80) return nullptr;
        sharedBuffer[i] = (uint8_t)key[i];
    }
    const char* value = SysGetProperty((const char*)sharedBuffer);
    if (value == nullptr) return nullptr;
    // the value is read into the buffer it came from: copy it out of the way first
    char text[MK_PROPERTY_UNITS + 1];
    int32_t n = 0;
    while (value[n] != 0 && n < MK_PROPERTY_UNITS) {
        text[n] = value[n];
        n++;
    }
    uint16_t* out = (uint16_t*)sharedBuffer;
    for (int32_t i = 0; i < n; i++) out[i] = (uint8_t)text[i];
    *valueLength = n;
    return out;
}

// The whole URL goes on as UTF-8: a cut or narrowed address would open another page.
int32_t MkPlatformRequest(const uint16_t* url, int32_t length) {
    if (url == nullptr || length < 0) length = 0;
    std::string text;
    for (int32_t i = 0; i < length; i++) {
        uint32_t c = url[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && url[i + 1] >= 0xDC00 && url[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (url[++i] - 0xDC00u);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // a lone surrogate
        }
        if (c == 0) return 0;  // a NUL would end the address early
        if (c < 0x80) {
            text += (char)c;
        } else if (c < 0x800) {
            text += (char)(0xC0 | (c >> 6));
            text += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += (char)(0xE0 | (c >> 12));
            text += (char)(0x80 | ((c >> 6) & 0x3F));
            text += (char)(0x80 | (c & 0x3F));
        } else {
            text += (char)(0xF0 | (c >> 18));
            text += (char)(0x80 | ((c >> 12) & 0x3F));
            text += (char)(0x80 | ((c >> 6) & 0x3F));
            text += (char)(0x80 | (c & 0x3F));
        }
    }
    return SysPlatformRequest(text.c_str());
}

void MkWorkBuffersInit(void) {
    for (int i = 0; i < 2; i++) {
        if (workBuffers[i] != nullptr) continue;
        workBuffers[i] = (uint8_t*)qmmm_alloc(MK_WORK_BUFFER);
        if (workBuffers[i] != nullptr) memset(workBuffers[i], 0, MK_WORK_BUFFER);
        workStatus[i] = workBuffers[i] != nullptr ? 0 : -1;
    }
}

void MkWorkBuffersTerm(void) {
    for (int i = 0; i < 2; i++) {
        if (workBuffers[i] != nullptr) qmmm_free(workBuffers[i]);
        workBuffers[i] = nullptr;
        workStatus[i] = 0;
    }
}

uint8_t* MkWorkBuffer(int32_t index, int32_t* status) {
    if (index < 0 || index > 1) return nullptr;
    if (status != nullptr) *status = workStatus[index];
    return workBuffers[index];
}
