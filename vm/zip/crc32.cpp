// The CRC-32 of ZIP entries (the polynomial of ISO 3309, reflected), from a table
// built at compile time.
#include "vm/zip/crc32.h"

struct CrcTable {
    uint32_t words[256];
};

static constexpr CrcTable makeCrcTable() {
    CrcTable t{};
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t.words[n] = c;
    }
    return t;
}

// Read-only and the same in every run.
static constexpr CrcTable Crc = makeCrcTable();

uint32_t jarCrc32(const uint8_t* data, int32_t length) {
    const uint32_t* table = Crc.words;
    uint32_t c = 0xFFFFFFFFu;
    for (int32_t i = 0; i < length; i++) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}
