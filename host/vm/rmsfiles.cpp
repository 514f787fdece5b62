// Record-store files over the suite store's per-suite files and the file-system front end.
// Called from the VM thread only.
#include "host/vm/rmsfiles.h"

#include <stdlib.h>
#include <string.h>

#include "natives/lib/rms_natives.h"
#include "storage/qmfs.h"
#include "storage/qmmm.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"
#include "vm/loader/hooks.h"

namespace {

enum { READ_END_ERROR = 9, NAME_BYTES = 256, DESCRIPTOR_ENTRY = 1, LARGEST_DESCRIPTOR = 0x100000 };

RandomAccessFileRecord* head;
RandomAccessFileRecord* tail;
int32_t quota;
int32_t quotaTotal = RMS_QUOTA_TOTAL;
// The names of the suite run from a descriptor and JAR, once its descriptor was read.
char memoryName[NAME_BYTES];
char memoryVendor[NAME_BYTES];

RandomAccessFileRecord* findOpen(int32_t file) {
    for (RandomAccessFileRecord* r = head; r != nullptr; r = r->next) {
        if (p32Cell(r) == file) return r;
    }
    return nullptr;
}

// Standard UTF-8 of UTF-16 text, pairs of surrogates as one character; false when it
// does not fit (with its terminator) or a surrogate stands alone.
bool toUtf8(const uint16_t* text, int32_t length, char* out, int32_t outSize) {
    int32_t n = 0;
    for (int32_t i = 0; i < length; i++) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c > 0xDBFF || i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        int32_t bytes = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (n + bytes >= outSize) return false;
        if (bytes == 1) {
            out[n++] = (char)c;
            continue;
        }
        static const uint8_t lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        out[n++] = (char)(lead[bytes] | (c >> (6 * (bytes - 1))));
        for (int32_t k = bytes - 2; k >= 0; k--) out[n++] = (char)(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    out[n] = 0;
    return true;
}

// The UTF-16 length of a UTF-8 text into buffer (when given); -1 for a malformed text.
int32_t toUtf16(const char* text, uint16_t* buffer) {
    const uint8_t* p = (const uint8_t*)text;
    int32_t n = 0;
    while (*p != 0) {
        uint32_t c = *p++;
        int32_t more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (more < 0) return -1;
        if (more > 0) c &= 0x3F >> more;
        for (int32_t k = 0; k < more; k++) {
            if ((*p & 0xC0) != 0x80) return -1;
            c = (c << 6) | (*p++ & 0x3F);
        }
        if (c >= 0x10000) {
            if (buffer != nullptr) {
                buffer[n] = (uint16_t)(0xD800 + ((c - 0x10000) >> 10));
                buffer[n + 1] = (uint16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
            }
            n += 2;
        } else {
            if (buffer != nullptr) buffer[n] = (uint16_t)c;
            n++;
        }
    }
    return n;
}

// The running suite when it runs from a descriptor and JAR: the index does not hold it,
// its stored descriptor names it.
bool isMemorySuite(const char* name, const char* vendor) {
    if (qmms_getLaunchedSuite() != QMMS_MEMORY_SUITE) return false;
    if (memoryName[0] == 0) {
        const QmmsHooks* hooks = qmms_getHooks();
        if (hooks->getAttribute == nullptr || qmms_readRawEntry(QMMS_MEMORY_SUITE, DESCRIPTOR_ENTRY) != 0) return false;
        int size = qmms_getRawEntrySize();
        char* jad = size > 0 && size <= LARGEST_DESCRIPTOR ? (char*)malloc((size_t)size) : nullptr;
        bool ok = jad != nullptr && qmms_readSuiteFile(QMMS_MEMORY_SUITE, DESCRIPTOR_ENTRY, jad, size) == 0 &&
                  hooks->getAttribute(jad, size, "MIDlet-Name", memoryName, NAME_BYTES, 1) == 0 &&
                  hooks->getAttribute(jad, size, "MIDlet-Vendor", memoryVendor, NAME_BYTES, 1) == 0;
        free(jad);
        memoryName[NAME_BYTES - 1] = memoryVendor[NAME_BYTES - 1] = 0;
        if (!ok) memoryName[0] = 0;
    }
    return memoryName[0] != 0 && strcmp(name, memoryName) == 0 && strcmp(vendor, memoryVendor) == 0;
}

// The suite store's URI of record-store file index 0-2 of a suite, or null.
const char* suiteFileUri(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength,
                         int32_t index) {
    if (index < 0 || index > 2 || vendor == nullptr || name == nullptr || vendorLength < 0 || nameLength < 0)
        return nullptr;
    char vendorText[NAME_BYTES], nameText[NAME_BYTES];
    if (!toUtf8(vendor, vendorLength, vendorText, NAME_BYTES) || !toUtf8(name, nameLength, nameText, NAME_BYTES))
        return nullptr;
    int suite = qmms_findSuite(nameText, vendorText);
    if (suite < 0 && isMemorySuite(nameText, vendorText)) suite = QMMS_MEMORY_SUITE;
    if (suite < 0) return nullptr;
    return qmms_getSuiteFileName(suite, QMMS_FILE_RECORDS_1 + index);
}

void setCommit(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength, int32_t state) {
    for (int32_t index = 0; index < 3; index++) {
        const char* uri = suiteFileUri(vendor, vendorLength, name, nameLength, index);
        if (uri == nullptr) continue;
        uint16_t fileName[NAME_BYTES];
        int32_t length = toUtf16(uri, nullptr);
        if (length < 0 || length >= NAME_BYTES) continue;
        toUtf16(uri, fileName);
        for (RandomAccessFileRecord* r = head; r != nullptr; r = r->next) {
            if (r->nameLength == length && memcmp(r->name, fileName, (size_t)length * 2) == 0) r->inCommit = state;
        }
    }
}

}  // namespace

int32_t MkRandomAccessFileOpen(const uint16_t* name, int32_t length, int32_t mode) {
    mode &= 0xFF;
    if (name == nullptr || length <= 0 || length > 0x7FFF || mode > 2) return -1;
    char uri[NAME_BYTES];
    if (!toUtf8(name, length, uri, NAME_BYTES)) return -1;
    QmfsStat st;
    bool exists = qmfs_stat(uri, &st) == 0 && (st.attributes & QMFS_ATTR_DIRECTORY) == 0;
    if (!exists && mode != 1) return -1;
    static const QmfsMode modes[] = {{1, 64}, {2, 16}, {4, 64}};
    RandomAccessFileRecord* r = (RandomAccessFileRecord*)qmmm_alloc(sizeof *r);
    uint16_t* copy = (uint16_t*)qmmm_alloc((uint32_t)length * 2);
    int handle = r != nullptr && copy != nullptr ? qmfs_open(uri, &modes[mode]) : -1;
    if (handle < 0) {
        if (r != nullptr) qmmm_free(r);
        if (copy != nullptr) qmmm_free(copy);
        return -1;
    }
    memcpy(copy, name, (size_t)length * 2);
    *r = {handle, copy, (int16_t)length, 0, exists && mode != 1 ? (int32_t)st.size : 0, 0, nullptr};
    if (tail != nullptr)
        tail->next = r;
    else
        head = r;
    tail = r;
    return p32Cell(r);
}

int32_t MkRandomAccessFileClose(int32_t file) {
    RandomAccessFileRecord* previous = nullptr;
    RandomAccessFileRecord* r = head;
    while (r != nullptr && p32Cell(r) != file) {
        previous = r;
        r = r->next;
    }
    if (r == nullptr) return -1;
    if (previous != nullptr)
        previous->next = r->next;
    else
        head = r->next;
    if (tail == r) tail = previous;
    qmfs_close(r->handle);
    qmmm_free(r->name);
    qmmm_free(r);
    return 0;
}

void RmsCloseAllFiles(void) {
    while (head != nullptr) MkRandomAccessFileClose(p32Cell(head));
}

int32_t MkRandomAccessFileRead(int32_t file, void* buffer, int32_t count) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r == nullptr || buffer == nullptr || count < 0) return -1;
    int n = qmfs_read(r->handle, buffer, count);
    if (n >= 0) return n;
    return qmfs_getLastError() == READ_END_ERROR ? 0 : -1;
}

int32_t MkRandomAccessFileWrite(int32_t file, const void* buffer, int32_t count) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r == nullptr || buffer == nullptr || count < 0) return -1;
    // the whole count is tested, even where it only overwrites
    if (count > quota) return -1;
    if (!r->inCommit) return -2;
    if (qmfs_write(r->handle, buffer, count) != count) return -1;
    int32_t position = qmfs_tell(r->handle);
    if (position > r->size) {
        quota -= position - r->size;
        r->size = position;
    }
    return 0;
}

int32_t MkRandomAccessFileSeek(int32_t file, int32_t offset, int32_t whence) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r == nullptr || whence < 0 || whence > 2) return -1;
    if (qmfs_seek(r->handle, offset, whence) < 0) return -1;
    return qmfs_tell(r->handle);
}

int32_t MkRandomAccessFileTruncate(int32_t file, int32_t length) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r == nullptr || length < 0) return -1;
    if (!r->inCommit) return -2;
    if (qmfs_truncate(r->handle, length) != 0) return -1;
    r->size = length;
    return 0;
}

int32_t MkRandomAccessFileReserveSpace(int32_t file, int32_t bytes) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r != nullptr && bytes >= 1) r->reserved += bytes;
    return 0;
}

void MkRandomAccessFileFreeSpace(int32_t file, int32_t bytes) {
    RandomAccessFileRecord* r = findOpen(file);
    if (r == nullptr) return;
    r->reserved = bytes >= r->reserved ? 0 : r->reserved - bytes;
}

int32_t MkRandomAccessFileGetPreferredSize(void) { return RMS_PREFERRED_SIZE; }

int32_t MkRecordStoreGetAvailSize(const uint16_t*, int32_t, const uint16_t*, int32_t) {
    int suite = qmms_getLaunchedSuite();
    if (suite < 0) return quota;
    int free = qmfs_getFreeSpace(qmms_getSuiteFileName(suite, QMMS_FILE_DIRECTORY));
    return free >= 0 && free < quota ? free : quota;
}

int32_t MkRecordStoreGetFileNameBySuite(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name,
                                        int32_t nameLength, int32_t index, uint16_t* buffer) {
    const char* uri = suiteFileUri(vendor, vendorLength, name, nameLength, index);
    if (uri == nullptr) return -1;
    int32_t length = toUtf16(uri, buffer);
    if (length < 0) return -1;
    return buffer == nullptr ? length : 0;
}

void MkRecordStoreBeginCommit(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength) {
    setCommit(vendor, vendorLength, name, nameLength, 1);
}

void MkRecordStoreEndCommit(const uint16_t* vendor, int32_t vendorLength, const uint16_t* name, int32_t nameLength) {
    setCommit(vendor, vendorLength, name, nameLength, 0);
}

int32_t MkRmsComputeQuota(void) {
    memoryName[0] = 0;
    int suite = qmms_getLaunchedSuite();
    if (suite < 0) return suite;
    int64_t used = 0;
    for (int kind = QMMS_FILE_RECORDS_1; kind <= QMMS_FILE_RECORDS_3; kind++) {
        QmfsStat st;
        if (qmfs_stat(qmms_getSuiteFileName(suite, kind), &st) == 0) used += st.size;
    }
    quota = used >= quotaTotal ? 0 : (int32_t)(quotaTotal - used);
    return 0;
}

void MkRmsResetQuota(void) {
    quota = 0;
    memoryName[0] = 0;
}

int32_t RmsGetQuota(void) { return quota; }

void RmsSetQuotaTotal(int32_t bytes) { quotaTotal = bytes < 0 ? RMS_QUOTA_TOTAL : bytes; }

void installRecordStorePorting(void) {
    RmsPorting = {MkRandomAccessFileOpen,         MkRandomAccessFileClose,         MkRandomAccessFileRead,
                  MkRandomAccessFileWrite,        MkRandomAccessFileSeek,          MkRandomAccessFileTruncate,
                  MkRandomAccessFileReserveSpace, MkRandomAccessFileFreeSpace,     MkRandomAccessFileGetPreferredSize,
                  MkRecordStoreGetAvailSize,      MkRecordStoreGetFileNameBySuite, MkRecordStoreBeginCommit,
                  MkRecordStoreEndCommit};
    LoaderHooks.MkRandomAccessFileClose = MkRandomAccessFileClose;
}
