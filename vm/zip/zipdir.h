// ZIP central directory: finds an archive's end record, places its directory and walks the
// directory's headers, checking every offset and length against the archive before it is
// read. The JAR reader, the descriptor's JAR access and the build-time tools all walk
// through it. It keeps no state and needs no VM, so the class converter links it alone.
#pragma once

#include <stdint.h>

enum {
    ZIP_END_RECORD_SIZE = 22,
    ZIP_CENTRAL_HEADER_SIZE = 46,
    ZIP_LOCAL_HEADER_SIZE = 30,
    ZIP_METHOD_STORED = 0,
    ZIP_METHOD_DEFLATED = 8,
    ZIP_FLAG_ENCRYPTED = 1,
};

enum ZipStatus {
    ZIP_OK = 0,
    ZIP_UNREADABLE,           // the reader failed on bytes inside the archive
    ZIP_NO_END,               // no end record
    ZIP_DIRECTORY_MISPLACED,  // the directory's size or offset reach outside the archive
    ZIP_NO_START,             // no local header where the archive starts
    ZIP_DIRECTORY_END,        // the walk met a record that follows a directory
    ZIP_BAD_HEADER,           // no central header, or one running past the walk's limit
    ZIP_BAD_LOCAL_HEADER,     // the entry's local header is missing or out of place
    ZIP_DATA_OUT_OF_PLACE,    // the entry's data runs into the directory
};

// Reads count bytes at offset into buffer; false when they cannot all be had. Asked only
// for bytes inside [0, size).
typedef bool (*ZipReadFn)(void* context, int64_t offset, uint8_t* buffer, int32_t count);

struct ZipArchive {
    ZipReadFn read;
    void* context;
    int64_t size;
    // set by zipOpen, as far as it got
    int64_t endRecord;       // -1 until found
    int64_t directoryStart;  // file offsets
    int64_t base;            // where the archive's first byte lies: entry offsets count from it
    uint32_t total;          // entries the end record claims
};

// One central header. Offsets are file offsets; the name lies within the walk's limit.
struct ZipEntry {
    int64_t header;
    int64_t name;
    int64_t next;  // the following header
    uint32_t nameLength;
    uint32_t flags;
    uint32_t method;
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t size;
    uint32_t localOffset;  // from base
};

void zipInit(ZipArchive* zip, ZipReadFn read, void* context, int64_t size);
// An archive held whole in memory.
void zipInitMemory(ZipArchive* zip, const uint8_t* bytes, int64_t size);

// Finds the end record (the last one whose comment ends at the file's end) and places
// the directory before it; with entries, a local header must start the archive.
// An end record at offset 0 is an archive of no entry and needs none.
ZipStatus zipOpen(ZipArchive* zip);

// Whether the directory is large enough for the headers the end record claims: a walk
// by that count can then be sized before it starts.
bool zipCountFits(const ZipArchive* zip);

// Reads the central header at 'at', which with its name, extra field and comment must end
// by limit (the end record for a walk by count; the file's size for one that stops at the
// first record that is no header). At the limit itself there is no header to read.
ZipStatus zipEntryAt(const ZipArchive* zip, int64_t at, int64_t limit, ZipEntry* entry);

// Checks the entry's local header and sets *data to the file offset of its compressed
// bytes; header and bytes must lie between base and the directory.
ZipStatus zipEntryData(const ZipArchive* zip, const ZipEntry* entry, int64_t* data);
