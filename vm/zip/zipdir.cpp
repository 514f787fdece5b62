// ZIP central directory walker. Nothing read from the archive is trusted: each offset is
// checked against the archive's extent (the directory before the end record, entry data
// before the directory) before the reader is asked for the bytes it names.
#include "vm/zip/zipdir.h"

#include <string.h>

#include "platform/bytes.h"

enum {
    // an archive with an entry holds a local and a central header before its end record
    END_FLOOR_WITH_ENTRIES = ZIP_LOCAL_HEADER_SIZE + ZIP_CENTRAL_HEADER_SIZE,
    END_SEARCH_SPAN = 65535 + ZIP_END_RECORD_SIZE,  // the comment is at most 65535 bytes
    SEARCH_WINDOW = 512,
};

static const uint32_t END_SIGNATURE = 0x06054b50;
static const uint32_t CENTRAL_SIGNATURE = 0x02014b50;
static const uint32_t LOCAL_SIGNATURE = 0x04034b50;
// Records that may follow the central directory.
static const uint32_t ZIP64_END_SIGNATURE = 0x06064b50;
static const uint32_t DIGITAL_SIGNATURE = 0x05054b50;

static bool readMemory(void* context, int64_t offset, uint8_t* buffer, int32_t count) {
    memcpy(buffer, (const uint8_t*)context + offset, (size_t)count);
    return true;
}

void zipInit(ZipArchive* zip, ZipReadFn read, void* context, int64_t size) {
    zip->read = read;
    zip->context = context;
    zip->size = size < 0 ? 0 : size;
    zip->endRecord = -1;
    zip->directoryStart = 0;
    zip->base = 0;
    zip->total = 0;
}

void zipInitMemory(ZipArchive* zip, const uint8_t* bytes, int64_t size) {
    zipInit(zip, readMemory, (void*)bytes, bytes != nullptr ? size : 0);
}

// Windows are read from the end backwards, overlapping by 21 bytes so that no candidate
// straddles two. Copies the record found and answers its offset in *at.
static ZipStatus findEndRecord(const ZipArchive* zip, uint8_t* record, int64_t* at) {
    const int64_t size = zip->size;
    if (size < ZIP_END_RECORD_SIZE) return ZIP_NO_END;
    int64_t floor = size - END_SEARCH_SPAN;
    if (floor < 0) floor = 0;
    uint8_t window[SEARCH_WINDOW];
    int64_t high = size;
    for (;;) {
        int64_t low = high - SEARCH_WINDOW;
        if (low < floor) low = floor;
        if (!zip->read(zip->context, low, window, (int32_t)(high - low))) return ZIP_UNREADABLE;
        for (int64_t p = high - ZIP_END_RECORD_SIZE; p >= low; p--) {
            const uint8_t* r = window + (p - low);
            if (r[0] != 'P' || le32(r) != END_SIGNATURE || p + ZIP_END_RECORD_SIZE + le16(r + 20) != size) continue;
            if (p != 0 && p < END_FLOOR_WITH_ENTRIES) continue;
            memcpy(record, r, ZIP_END_RECORD_SIZE);
            *at = p;
            return ZIP_OK;
        }
        if (low == floor) return ZIP_NO_END;
        high = low + ZIP_END_RECORD_SIZE - 1;
    }
}

ZipStatus zipOpen(ZipArchive* zip) {
    uint8_t r[ZIP_END_RECORD_SIZE];
    int64_t end = -1;
    ZipStatus status = findEndRecord(zip, r, &end);
    if (status != ZIP_OK) return status;
    zip->endRecord = end;
    zip->total = le16(r + 10);
    int64_t start = end - (int64_t)le32(r + 12);
    int64_t base = start - (int64_t)le32(r + 16);
    if (start < 0 || base < 0) return ZIP_DIRECTORY_MISPLACED;
    zip->directoryStart = start;
    zip->base = base;
    if (end == 0) return ZIP_OK;
    // base + 4 <= end: the signature lies inside the archive
    uint8_t signature[4];
    if (!zip->read(zip->context, base, signature, 4)) return ZIP_UNREADABLE;
    return le32(signature) == LOCAL_SIGNATURE ? ZIP_OK : ZIP_NO_START;
}

bool zipCountFits(const ZipArchive* zip) {
    return (int64_t)zip->total * ZIP_CENTRAL_HEADER_SIZE <= zip->endRecord - zip->directoryStart;
}

ZipStatus zipEntryAt(const ZipArchive* zip, int64_t at, int64_t limit, ZipEntry* entry) {
    if (limit > zip->size) limit = zip->size;
    if (at < 0 || limit - at < 4) return ZIP_BAD_HEADER;
    // a record that follows the directory may be shorter than a header
    int32_t count = limit - at < ZIP_CENTRAL_HEADER_SIZE ? (int32_t)(limit - at) : ZIP_CENTRAL_HEADER_SIZE;
    uint8_t h[ZIP_CENTRAL_HEADER_SIZE];
    if (!zip->read(zip->context, at, h, count)) return ZIP_UNREADABLE;
    uint32_t signature = le32(h);
    if (signature != CENTRAL_SIGNATURE) {
        bool ended = signature == END_SIGNATURE || signature == ZIP64_END_SIGNATURE || signature == DIGITAL_SIGNATURE;
        return ended ? ZIP_DIRECTORY_END : ZIP_BAD_HEADER;
    }
    if (count < ZIP_CENTRAL_HEADER_SIZE) return ZIP_BAD_HEADER;
    entry->header = at;
    entry->name = at + ZIP_CENTRAL_HEADER_SIZE;
    entry->nameLength = le16(h + 28);
    entry->next = entry->name + entry->nameLength + le16(h + 30) + le16(h + 32);
    if (entry->next > limit) return ZIP_BAD_HEADER;
    entry->flags = le16(h + 8);
    entry->method = le16(h + 10);
    entry->crc = le32(h + 16);
    entry->compressedSize = le32(h + 20);
    entry->size = le32(h + 24);
    entry->localOffset = le32(h + 42);
    return ZIP_OK;
}

ZipStatus zipEntryData(const ZipArchive* zip, const ZipEntry* entry, int64_t* data) {
    int64_t limit = zip->directoryStart < zip->size ? zip->directoryStart : zip->size;
    int64_t local = zip->base + entry->localOffset;
    if (local + ZIP_LOCAL_HEADER_SIZE > limit) return ZIP_BAD_LOCAL_HEADER;
    uint8_t h[ZIP_LOCAL_HEADER_SIZE];
    if (!zip->read(zip->context, local, h, ZIP_LOCAL_HEADER_SIZE)) return ZIP_UNREADABLE;
    if (le32(h) != LOCAL_SIGNATURE) return ZIP_BAD_LOCAL_HEADER;
    int64_t at = local + ZIP_LOCAL_HEADER_SIZE + le16(h + 26) + le16(h + 28);
    if (at + entry->compressedSize > limit) return ZIP_DATA_OUT_OF_PLACE;
    *data = at;
    return ZIP_OK;
}
