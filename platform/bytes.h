// Fixed-order integers read from byte streams: big-endian for class files and bytecode,
// little-endian for ZIP records. Header-only and inline, so the interpreter's operand
// fetches stay as cheap as the shifts they replace; any layer may include it.
#pragma once

#include <stdint.h>

inline uint16_t be16(const uint8_t* p) { return (uint16_t)(p[0] << 8 | p[1]); }
inline int16_t beS16(const uint8_t* p) { return (int16_t)be16(p); }
inline uint32_t be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
inline int32_t beS32(const uint8_t* p) { return (int32_t)be32(p); }

inline uint16_t le16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p) {
    return p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
