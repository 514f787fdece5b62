// The small porting services.
#include "host/vm/mkservices.h"

#include <string.h>

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

int32_t MkPlatformRequest(const uint16_t* url, int32_t length) {
    memset(sharedBuffer, 0, sizeof sharedBuffer);
    if (url == nullptr || length < 0) length = 0;
    if (length > MK_REQUEST_BYTES) length = MK_REQUEST_BYTES;
    for (int32_t i = 0; i < length; i++) sharedBuffer[i] = (uint8_t)url[i];
    return SysPlatformRequest((const char*)sharedBuffer);
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
