// Field codec and suite index.
//
// Both programs keep their own cache of the same index file without a lock between them,
// so a page goes back to the file only when this process changed it: writing back a
// clean, stale page would undo the other program's installs.
#include "storage/qmms_index.h"

#include "storage/qmfs.h"

#include <stddef.h>
#include <string.h>

const char QMMS_INDEX_FILE[] = "gfs://java/suites.idx";

static uint8_t idxHeader[QMMS_INDEX_HEADER];
static uint8_t idxPage[QMMS_INDEX_PAGE];
static int idxCachedPage = -1;
static int idxDirty;
static int qmmsStatus;

int qmms_lastStatus(void) { return qmmsStatus; }
void qmms_setStatus(int status) { qmmsStatus = status; }

static int qmmsFail(int status) {
  qmmsStatus = status;
  return -1;
}

static int fieldSize(int kind, int length) {
  switch (kind) {
    case QMMS_FIELD_BOOL:
    case QMMS_FIELD_U8: return 1;
    case QMMS_FIELD_U16: return 2;
    case QMMS_FIELD_U32: return 4;
    default: return length;
  }
}

static int fieldFits(int bufferLength, int offset, int kind, int length) {
  if (offset < 0 || bufferLength < 0) return 0;
  if (kind == QMMS_FIELD_BOOL) return offset < bufferLength;
  int size = fieldSize(kind, length);
  if (size < 0) return 0;
  return (int64_t)offset + size <= bufferLength;
}

int qmms_copyRecordOut(const void* buffer, int bufferLength, int offset, int kind, void* destination, int length) {
  if ((unsigned)kind > QMMS_FIELD_BYTES) return -2;
  if (!fieldFits(bufferLength, offset, kind, length)) return -1;
  const uint8_t* src = (const uint8_t*)buffer + offset;
  if (kind == QMMS_FIELD_BOOL) {
    uint32_t v = src[0] == 1 ? 1 : 0;
    memcpy(destination, &v, 4);
    return offset + 1;
  }
  int size = fieldSize(kind, length);
  memcpy(destination, src, (size_t)size);
  return offset + size;
}

int qmms_copyRecordIn(void* buffer, int bufferLength, int offset, int kind, const void* source, int length) {
  if ((unsigned)kind > QMMS_FIELD_BYTES) return -2;
  if (!fieldFits(bufferLength, offset, kind, length)) return -1;
  uint8_t* dst = (uint8_t*)buffer + offset;
  if (kind == QMMS_FIELD_BOOL) {
    uint32_t v;
    memcpy(&v, source, 4);
    dst[0] = v == 1 ? 1 : 0;
    return offset + 1;
  }
  int size = fieldSize(kind, length);
  memcpy(dst, source, (size_t)size);
  return offset + size;
}

static uint16_t hdrGet(int offset) { return (uint16_t)(idxHeader[offset] | idxHeader[offset + 1] << 8); }

static void hdrSet(int offset, uint16_t v) {
  idxHeader[offset] = (uint8_t)v;
  idxHeader[offset + 1] = (uint8_t)(v >> 8);
}

static uint8_t* slotBytes(int slot) { return idxPage + slot * QMMS_INDEX_SLOT; }

// Where each field of a suite's information lies in its index slot: reading and
// writing a slot follow this one layout.
struct SuiteSlotField {
  int slotOffset;
  int kind;
  size_t infoOffset;
  int length;
};
static const SuiteSlotField suiteSlotFields[] = {
    {QMMS_SLOT_NAME, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, name), 64},
    {QMMS_SLOT_VENDOR, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, vendor), 64},
    {QMMS_SLOT_VERSION, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, version), 16},
    {QMMS_SLOT_DIRECTORY, QMMS_FIELD_BYTES, offsetof(QmmsSuiteInfo, directory), 64},
    {QMMS_SLOT_DOMAIN, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, domain), 0},
    {QMMS_SLOT_CATEGORY, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, category), 0},
    {QMMS_SLOT_JAR_SIZE, QMMS_FIELD_U32, offsetof(QmmsSuiteInfo, jarSize), 0},
    {QMMS_SLOT_PREINSTALLED, QMMS_FIELD_BOOL, offsetof(QmmsSuiteInfo, preinstalled), 0},
    {QMMS_SLOT_SECOND_FLAG, QMMS_FIELD_BOOL, offsetof(QmmsSuiteInfo, secondFlag), 0},
    {QMMS_SLOT_MIDLETS, QMMS_FIELD_U8, offsetof(QmmsSuiteInfo, midletCount), 0},
};

static int writeCachedPage(void) {
  QmfsMode mode = {2, 64};
  int h = qmfs_open(QMMS_INDEX_FILE, &mode);
  if (h < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  int ok = qmfs_write(h, idxHeader, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER;
  ok = ok && qmfs_seek(h, QMMS_INDEX_HEADER + idxCachedPage * QMMS_INDEX_PAGE, 0) == 0;
  ok = ok && qmfs_write(h, idxPage, QMMS_INDEX_PAGE) == QMMS_INDEX_PAGE;
  qmfs_close(h);
  if (!ok) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  return 0;
}

int qmms_loadIndexPage(int page) {
  if (idxCachedPage >= 0) {
    if (page == idxCachedPage) return 0;
    // changes of the cached page are written, never dropped, when another page comes in
    if (idxDirty) {
      if (writeCachedPage() != 0) return -1;
      idxDirty = 0;
    }
    int pages = hdrGet(QMMS_HDR_PAGES);
    if (page < 0 || page > pages) return qmmsFail(QMMS_STATUS_FILE_ERROR);
    if (page == pages) {
      if (pages >= 0xFFFF) return qmmsFail(QMMS_STATUS_FILE_ERROR);
      for (int s = 0; s < QMMS_INDEX_SLOTS; s++) slotBytes(s)[QMMS_SLOT_USED] = 0;
      hdrSet(QMMS_HDR_PAGES, (uint16_t)(pages + 1));
      idxCachedPage = page;
      // the header now counts a page the file lacks: it must reach the file
      idxDirty = 1;
      return 0;
    }
  }
  if (page < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  QmfsMode mode = {1, 64};
  int h = qmfs_open(QMMS_INDEX_FILE, &mode);
  if (h < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  // Read into scratch first so that a short read leaves the cache as it was.
  static uint8_t header[QMMS_INDEX_HEADER];
  static uint8_t body[QMMS_INDEX_PAGE];
  int ok = qmfs_read(h, header, QMMS_INDEX_HEADER) == QMMS_INDEX_HEADER;
  int pages = header[QMMS_HDR_PAGES] | header[QMMS_HDR_PAGES + 1] << 8;
  ok = ok && page < pages;
  ok = ok && qmfs_seek(h, QMMS_INDEX_HEADER + page * QMMS_INDEX_PAGE, 0) == 0;
  ok = ok && qmfs_read(h, body, QMMS_INDEX_PAGE) == QMMS_INDEX_PAGE;
  qmfs_close(h);
  if (!ok) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  memcpy(idxHeader, header, sizeof header);
  memcpy(idxPage, body, sizeof body);
  idxCachedPage = page;
  idxDirty = 0;
  return 0;
}

int qmms_flushIndexPage(void) {
  if (idxCachedPage < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  if (idxDirty) {
    if (writeCachedPage() != 0) return -1;
    idxDirty = 0;
  }
  idxCachedPage = -1;
  return 0;
}

// Makes page the cached one, writing the current page back first when it changed.
static int switchToPage(int page) {
  if (idxCachedPage == page) return 0;
  if (idxCachedPage >= 0 && qmms_flushIndexPage() != 0) return -1;
  return qmms_loadIndexPage(page);
}

int qmms_openIndex(void) {
  idxDirty = 0;
  idxCachedPage = -1;
  return qmms_loadIndexPage(0);
}

int qmms_closeIndex(int commit) {
  if (commit == 1 && idxDirty) return qmms_flushIndexPage();
  // A failed flush keeps the page and its changes for a later try.
  idxCachedPage = -1;
  idxDirty = 0;
  return 0;
}

int qmms_readSuiteSlot(int slot, QmmsSuiteInfo* info) {
  if ((unsigned)slot >= QMMS_INDEX_SLOTS || info == nullptr) return -1;
  const uint8_t* s = slotBytes(slot);
  const int n = QMMS_INDEX_SLOT;
  info->domain = info->category = info->jarSize = info->midletCount = 0;
  for (const SuiteSlotField& f : suiteSlotFields)
    qmms_copyRecordOut(s, n, f.slotOffset, f.kind, (uint8_t*)info + f.infoOffset, f.length);
  // texts from the file are NUL-terminated within their fields
  info->name[63] = info->vendor[63] = info->version[15] = info->directory[63] = 0;
  return 0;
}

int qmms_writeSuiteSlot(int slot, const QmmsSuiteInfo* info) {
  if ((unsigned)slot >= QMMS_INDEX_SLOTS || info == nullptr) return -1;
  uint8_t* s = slotBytes(slot);
  const int n = QMMS_INDEX_SLOT;
  for (const SuiteSlotField& f : suiteSlotFields)
    qmms_copyRecordIn(s, n, f.slotOffset, f.kind, (const uint8_t*)info + f.infoOffset, f.length);
  idxDirty = 1;
  return 0;
}

static int slotUsed(int slot) { return slotBytes(slot)[QMMS_SLOT_USED] == 1; }

int qmms_countSuites(int category) {
  if (idxCachedPage < 0 && qmms_loadIndexPage(0) != 0) return -1;
  if (category == -1) return hdrGet(QMMS_HDR_SUITES);
  int pages = hdrGet(QMMS_HDR_PAGES);
  int count = 0;
  for (int p = 0; p < pages; p++) {
    if (switchToPage(p) != 0) return -1;
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
      if (slotUsed(s) && slotBytes(s)[QMMS_SLOT_CATEGORY] == (uint8_t)category) count++;
  }
  return count;
}

int qmms_listSuitesBounded(QmmsSuiteInfo* array, int category, int max) {
  if (array == nullptr) return -1;
  if (idxCachedPage < 0 && qmms_loadIndexPage(0) != 0) return -1;
  int pages = hdrGet(QMMS_HDR_PAGES);
  int n = 0;
  for (int p = 0; p < pages && n < max; p++) {
    if (switchToPage(p) != 0) return -1;
    for (int s = 0; s < QMMS_INDEX_SLOTS && n < max; s++) {
      if (!slotUsed(s)) continue;
      if (category != -1 && slotBytes(s)[QMMS_SLOT_CATEGORY] != (uint8_t)category) continue;
      qmms_readSuiteSlot(s, &array[n]);
      array[n].suiteId = (uint32_t)(p * QMMS_INDEX_SLOTS + s);
      n++;
    }
  }
  return n;
}

int qmms_listSuites(QmmsSuiteInfo* array, int category) {
  return qmms_listSuitesBounded(array, category, 0x7FFFFFFF) < 0 ? -1 : 0;
}

int qmms_readSuiteInfo(int id, QmmsSuiteInfo* info) {
  if (id < 0 || info == nullptr) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
  if (switchToPage(id / QMMS_INDEX_SLOTS) != 0) return -1;
  int slot = id % QMMS_INDEX_SLOTS;
  if (!slotUsed(slot)) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
  qmms_readSuiteSlot(slot, info);
  info->suiteId = (uint32_t)id;
  return 0;
}

static int slotMatches(int slot, const char* name, const char* vendor) {
  const uint8_t* s = slotBytes(slot);
  return slotUsed(slot) && strncmp((const char*)s + QMMS_SLOT_NAME, name, 64) == 0 &&
         strncmp((const char*)s + QMMS_SLOT_VENDOR, vendor, 64) == 0;
}

int qmms_findSuite(const char* name, const char* vendor) {
  if (name == nullptr || vendor == nullptr) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
  if (idxCachedPage >= 0) {
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
      if (slotMatches(s, name, vendor)) return idxCachedPage * QMMS_INDEX_SLOTS + s;
    if (qmms_flushIndexPage() != 0) return -1;
  }
  if (qmms_loadIndexPage(0) != 0) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
  int pages = hdrGet(QMMS_HDR_PAGES);
  for (int p = 0; p < pages; p++) {
    if (switchToPage(p) != 0) return -1;
    for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
      if (slotMatches(s, name, vendor)) return p * QMMS_INDEX_SLOTS + s;
  }
  return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
}

static int firstFreeSlot(void) {
  for (int s = 0; s < QMMS_INDEX_SLOTS; s++)
    if (slotBytes(s)[QMMS_SLOT_USED] == 0) return s;
  return -1;
}

int qmms_addSuite(const QmmsSuiteInfo* info, int* idOut) {
  if (info == nullptr) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  if (idxCachedPage < 0 && qmms_loadIndexPage(0) != 0) return -1;
  int slot = firstFreeSlot();
  if (slot < 0) {
    if (qmms_flushIndexPage() != 0) return -1;
    if (qmms_loadIndexPage(0) != 0) return -1;
    int pages = hdrGet(QMMS_HDR_PAGES);
    for (int p = 0; p <= pages; p++) {
      if (qmms_loadIndexPage(p) != 0) return -1;
      slot = firstFreeSlot();
      if (slot >= 0) break;
    }
    if (slot < 0) return qmmsFail(QMMS_STATUS_FILE_ERROR);
  }
  uint8_t* s = slotBytes(slot);
  s[QMMS_SLOT_USED] = 1;
  qmms_writeSuiteSlot(slot, info);
  uint16_t seq = hdrGet(QMMS_HDR_SEQUENCE);
  qmms_copyRecordIn(s, QMMS_INDEX_SLOT, QMMS_SLOT_SEQUENCE, QMMS_FIELD_U16, &seq, 0);
  hdrSet(QMMS_HDR_SEQUENCE, (uint16_t)(seq + 1));
  hdrSet(QMMS_HDR_SUITES, (uint16_t)(hdrGet(QMMS_HDR_SUITES) + 1));
  idxDirty = 1;
  if (idOut != nullptr) *idOut = idxCachedPage * QMMS_INDEX_SLOTS + slot;
  return 0;
}

int qmms_updateSuite(const QmmsSuiteInfo* info, int id) {
  if (info == nullptr || id < 0) return qmmsFail(QMMS_STATUS_UNKNOWN_SUITE);
  if (switchToPage(id / QMMS_INDEX_SLOTS) != 0) return -1;
  int slot = id % QMMS_INDEX_SLOTS;
  slotBytes(slot)[QMMS_SLOT_USED] = 1;
  qmms_writeSuiteSlot(slot, info);
  return 0;
}

int qmms_removeSuite(int id) {
  if (id < 0) return qmmsFail(QMMS_STATUS_SLOT_UNUSED);
  if (switchToPage(id / QMMS_INDEX_SLOTS) != 0) return -1;
  int slot = id % QMMS_INDEX_SLOTS;
  if (slotBytes(slot)[QMMS_SLOT_USED] == 0) return qmmsFail(QMMS_STATUS_SLOT_UNUSED);
  slotBytes(slot)[QMMS_SLOT_USED] = 0;
  uint16_t n = hdrGet(QMMS_HDR_SUITES);
  if (n > 0) hdrSet(QMMS_HDR_SUITES, (uint16_t)(n - 1));
  idxDirty = 1;
  return 0;
}
