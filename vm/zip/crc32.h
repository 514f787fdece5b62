// The CRC-32 that ZIP and JAR entries carry.
#pragma once

#include <stdint.h>

uint32_t jarCrc32(const uint8_t* data, int32_t length);
