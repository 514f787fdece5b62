// The descriptor interface. No size or offset read from a JAR is trusted: every one is
// checked against the JAR's size before it is used, in memory and through a callback.
#include "vm/services/descriptor.h"

#include <stdlib.h>
#include <string.h>

#include "platform/lowmem.h"
#include "vm/core/mvheap.h"
#include "vm/zip/crc32.h"
#include "vm/zip/inflate.h"
#include "vm/zip/zipdir.h"

enum : uint32_t { DESCRIPTOR_KIND = 0x51414D44 };  // "QAMD"

enum {
    NAME_ROOM = 466,  // longer entry names are not compared
    READ_AHEAD = 128,
    ZERO_READ_LIMIT = 10000,
    NOTIFY_URL_LIMIT = 256,
};

static const char ConfigurationValue[] = "CLDC-1.1";
static const char ProfilesValue[] = "MIDP-2.0 MIDP-1.0";

static const char* const PredefinedKeys[QAMS_PREDEFINED] = {
    "MIDlet-Jar-URL",
    "MIDlet-Jar-Size",
    "MIDlet-Name",
    "MIDlet-Version",
    "MIDlet-Vendor",
    "MicroEdition-Profile",
    "MicroEdition-Configuration",
    "MIDlet-Description",
    "MIDlet-Icon",
    "MIDlet-Info-URL",
    "MIDlet-Data-Size",
    "MIDlet-Permissions",
    "MIDlet-Permissions-Opt",
    "MIDlet-Install-Notify",
    "MIDlet-Delete-Notify",
    "MIDlet-Delete-Confirm",
    "MIDlet-Jar-RSA-SHA1",
};
enum {
    KEY_JAR_URL = 0,
    KEY_JAR_SIZE = 1,
    KEY_NAME = 2,
    KEY_VERSION = 3,
    KEY_VENDOR = 4,
    KEY_PROFILE = 5,
    KEY_CONFIGURATION = 6,
    KEY_ICON = 8,
    KEY_INSTALL_NOTIFY = 13,
    KEY_DELETE_NOTIFY = 14,
};

static inline void setError(int32_t* error, int32_t code) {
    if (error != nullptr) *error = code;
}

// ---------------------------------------------------------------------------------
// Environments

void* QamsAlloc(QamsEnv* env, int32_t size) {
    if (env == nullptr || env == QAMS_NO_ENV || size < 1) return nullptr;
    if (env->alloc != nullptr) return env->alloc.get()(size, env);
    return mvHeap_alloc(env->heap, size);
}

void QamsFree(QamsEnv* env, void* block) {
    if (env == nullptr || env == QAMS_NO_ENV || block == nullptr) return;
    if (env->free != nullptr)
        env->free.get()(block, env);
    else
        mvHeap_free(env->heap, block);
}

QamsEnv* QamsEnvInitialize(int32_t memorySize, void* memory, int32_t* error) {
    if (memorySize < 1 || memory == nullptr) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_ENV;
    }
    mvHeapDescriptor* heap = mvHeap_initialize(memory, memorySize);
    QamsEnv* env = heap ? (QamsEnv*)mvHeap_alloc(heap, sizeof(QamsEnv)) : nullptr;
    if (env == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_ENV;
    }
    env->heap = heap;
    env->alloc = nullptr;
    env->free = nullptr;
    setError(error, 0);
    return env;
}

QamsEnv* QamsEnvInitializeWith(QamsAllocFn alloc, QamsFreeFn free, int32_t* error) {
    if (alloc == nullptr || free == nullptr) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_ENV;
    }
    QamsEnv* env = (QamsEnv*)alloc(sizeof(QamsEnv), nullptr);
    if (env == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_ENV;
    }
    env->heap.w = QAMS_NO_HEAP_WORD;
    env->alloc = alloc;
    env->free = free;
    setError(error, 0);
    return env;
}

int32_t QamsEnvFinalize(QamsEnv* env) {
    if (env == nullptr || env == QAMS_NO_ENV) return QAMS_BAD_ARGUMENT;
    if (env->free != nullptr)
        env->free.get()(env, env);
    else
        mvHeap_free(env->heap, env);
    return 0;
}

static bool badEnv(QamsEnv* env) { return env == nullptr || env == QAMS_NO_ENV; }
static bool badDescriptor(QamsDescriptor* d) {
    return d == nullptr || d == QAMS_NO_DESCRIPTOR || d->kind != DESCRIPTOR_KIND;
}
static bool badJar(QamsJar* jar) { return jar == nullptr || jar == QAMS_NO_JAR; }

// ---------------------------------------------------------------------------------
// Parsing

static int32_t classifyKey(const char* key, int32_t length) {
    for (int32_t i = 0; i < QAMS_PREDEFINED; i++) {
        if ((int32_t)strlen(PredefinedKeys[i]) == length && memcmp(PredefinedKeys[i], key, (size_t)length) == 0)
            return i;
    }
    auto positiveNumber = [](const char* p, int32_t n) {
        if (n < 1) return false;
        bool nonZero = false;
        for (int32_t i = 0; i < n; i++) {
            if (p[i] < '0' || p[i] > '9') return false;
            if (p[i] != '0') nonZero = true;
        }
        return nonZero;
    };
    if (length > 12 && memcmp(key, "MIDlet-Push-", 12) == 0 && positiveNumber(key + 12, length - 12))
        return QAMS_MIDLET_PUSH_N;
    if (length > 7 && memcmp(key, "MIDlet-", 7) == 0 && positiveNumber(key + 7, length - 7)) return QAMS_MIDLET_N;
    return QAMS_OTHER;
}

static bool badKeyByte(uint8_t c) {
    if (c < 33 || c == 127) return true;
    switch (c) {
        case 0x22:
        case 0x27:
        case 0x28:
        case 0x29:
        case 0x2C:
        case 0x2F:
        case 0x5B:
        case 0x5D:
        case 0x7B:
        case 0x7D:
            return true;
        default:
            return c >= 0x3B && c <= 0x40;
    }
}

struct Normaliser {
    uint8_t* text;
    int32_t size;
    int32_t in;
    int32_t out;
    bool jad;
};

// Length of the line break at position i (CR LF counts two), 0 when none; -1 for a bare
// CR inside a JAD.
static int32_t breakAt(const Normaliser& n, int32_t i) {
    if (i >= n.size) return 0;
    if (n.text[i] == '\n') return 1;
    if (n.text[i] != '\r') return 0;
    if (i + 1 < n.size && n.text[i + 1] == '\n') return 2;
    if (n.jad && i + 1 < n.size) return -1;
    return 1;
}

// In a manifest, a break followed by one space continues the line: the bytes to skip.
static int32_t continuationAt(const Normaliser& n, int32_t i) {
    if (n.jad) return 0;
    int32_t b = breakAt(n, i);
    if (b > 0 && i + b < n.size && n.text[i + b] == ' ') return b + 1;
    return 0;
}

// Lines separated by single NULs; the new length, or -4.
static int32_t normalise(uint8_t* text, int32_t size, bool jad) {
    Normaliser n = {text, size, 0, 0, jad};
    if (size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) n.in = 3;
    while (n.in < n.size) {
        int32_t skip = continuationAt(n, n.in);
        if (skip > 0) {
            n.in += skip;
            continue;
        }
        int32_t b = breakAt(n, n.in);
        if (b < 0) return QAMS_SYNTAX;
        if (b > 0) {
            n.in += b;
            if (n.out > 0 && text[n.out - 1] != 0) text[n.out++] = 0;
            continue;
        }
        uint8_t c = text[n.in++];
        if ((c < 0x20 && c != '\t') || c == 0x7F) return QAMS_SYNTAX;
        int32_t more = c < 0x80 ? 0 : (c >= 0xC0 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : -1;
        if (more < 0) return QAMS_SYNTAX;
        text[n.out++] = c;
        while (more-- > 0) {
            int32_t inner = continuationAt(n, n.in);
            if (inner > 0) n.in += inner;
            if (n.in >= n.size || text[n.in] < 0x80 || text[n.in] > 0xBF) return QAMS_SYNTAX;
            text[n.out++] = text[n.in++];
        }
    }
    if (n.out > 0 && text[n.out - 1] == 0) n.out--;
    if (n.out < size) text[n.out] = 0;
    return n.out;
}

static void freeAttributes(QamsEnv* env, QamsAttribute* a) {
    while (a != nullptr) {
        QamsAttribute* next = a->next;
        QamsFree(env, a);
        a = next;
    }
}

static QamsAttribute* findKey(QamsAttribute* a, const char* key, int32_t length) {
    for (; a != nullptr; a = a->next) {
        if (a->keyLength == length && memcmp(a->key, key, (size_t)length) == 0) return a;
    }
    return nullptr;
}

// Adds or replaces; 0 or -1 for no memory.
static int32_t addAttribute(QamsEnv* env, QamsAttribute** first, QamsAttribute** last, const char* key,
                            int32_t keyLength, const char* value, int32_t valueLength) {
    if (QamsAttribute* a = findKey(*first, key, keyLength)) {
        a->value = value;
        a->valueLength = valueLength;
        return 0;
    }
    QamsAttribute* a = (QamsAttribute*)QamsAlloc(env, sizeof(QamsAttribute));
    if (a == nullptr) return QAMS_OUT_OF_MEMORY;
    a->keyLength = keyLength;
    a->key = key;
    a->valueLength = valueLength;
    a->value = value;
    a->index = classifyKey(key, keyLength);
    a->next = nullptr;
    if (*last != nullptr)
        (*last)->next = a;
    else
        *first = a;
    *last = a;
    return 0;
}

static bool spaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Splits the normalised lines into attributes; 0 or an error.
static int32_t splitLines(QamsEnv* env, const char* text, int32_t length, QamsAttribute** first) {
    QamsAttribute* last = nullptr;
    int32_t start = 0;
    while (start < length) {
        int32_t end = start;
        while (end < length && text[end] != 0) end++;
        int32_t colon = start;
        while (colon < end && text[colon] != ':') colon++;
        if (colon == end || colon == start) return QAMS_SYNTAX;
        for (int32_t i = start; i < colon; i++) {
            if (badKeyByte((uint8_t)text[i])) return QAMS_SYNTAX;
        }
        int32_t vs = colon + 1, ve = end;
        while (vs < ve && spaceOrTab(text[vs])) vs++;
        while (ve > vs && spaceOrTab(text[ve - 1])) ve--;
        int32_t result = addAttribute(env, first, &last, text + start, colon - start, text + vs, ve - vs);
        if (result != 0) return result;
        start = end + 1;
    }
    return 0;
}

// Takes ownership of copy (size bytes of the env's) and parses it.
static QamsDescriptor* parseOwned(QamsEnv* env, uint8_t* copy, int32_t size, bool jad, int32_t* error) {
    int32_t length = copy ? normalise(copy, size, jad) : 0;
    QamsAttribute* first = nullptr;
    int32_t result = length < 0 ? length : splitLines(env, (const char*)copy, length, &first);
    QamsDescriptor* d = result == 0 ? (QamsDescriptor*)QamsAlloc(env, sizeof(QamsDescriptor)) : nullptr;
    if (result == 0 && d == nullptr) result = QAMS_OUT_OF_MEMORY;
    if (result != 0) {
        freeAttributes(env, first);
        QamsFree(env, copy);
        setError(error, result);
        return QAMS_NO_DESCRIPTOR;
    }
    d->kind = DESCRIPTOR_KIND;
    d->text = (char*)copy;
    d->first = first;
    setError(error, 0);
    return d;
}

// Reads size bytes from offset through read, repeating until all came; false on failure.
static bool readWhole(QamsReadFn read, uint8_t* buffer, int32_t offset, int32_t size) {
    int32_t zeros = 0;
    while (size > 0) {
        int32_t got = read(buffer, offset, size);
        if (got < 0 || got > size) return false;
        if (got == 0) {
            if (++zeros > ZERO_READ_LIMIT) return false;
            continue;
        }
        zeros = 0;
        buffer += got;
        offset += got;
        size -= got;
    }
    return true;
}

QamsDescriptor* QamsDescriptorParse(QamsEnv* env, const uint8_t* text, int32_t size, int32_t jad, int32_t* error) {
    if (badEnv(env) || size < 0 || (text == nullptr && size > 0)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_DESCRIPTOR;
    }
    uint8_t* copy = size > 0 ? (uint8_t*)QamsAlloc(env, size) : nullptr;
    if (size > 0 && copy == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_DESCRIPTOR;
    }
    if (size > 0) memcpy(copy, text, (size_t)size);
    return parseOwned(env, copy, size, jad != 0, error);
}

QamsDescriptor* QamsJadOpen(QamsEnv* env, int32_t size, const uint8_t* text, QamsReadFn read, int32_t* error) {
    if (badEnv(env) || size < 1 || (text == nullptr && read == nullptr)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_DESCRIPTOR;
    }
    if (text != nullptr) return QamsDescriptorParse(env, text, size, 1, error);
    uint8_t* copy = (uint8_t*)QamsAlloc(env, size);
    if (copy == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_DESCRIPTOR;
    }
    if (!readWhole(read, copy, 0, size)) {
        QamsFree(env, copy);
        setError(error, QAMS_READ_FAILURE);
        return QAMS_NO_DESCRIPTOR;
    }
    return parseOwned(env, copy, size, true, error);
}

int32_t QamsJadClose(QamsEnv* env, QamsDescriptor* d) {
    if (badEnv(env) || badDescriptor(d)) return QAMS_BAD_ARGUMENT;
    freeAttributes(env, d->first);
    QamsFree(env, d->text);
    d->kind = 0;
    QamsFree(env, d);
    return 0;
}

// ---------------------------------------------------------------------------------
// JARs

// Reads count bytes at offset of the JAR into buffer; false when they lie outside it or
// the read fails.
static bool jarBytes(const QamsJar* jar, uint32_t offset, uint8_t* buffer, uint32_t count) {
    if (offset > (uint32_t)jar->size || count > (uint32_t)jar->size - offset) return false;
    if (jar->mode == 0) {
        memcpy(buffer, (const uint8_t*)jar->source.get() + offset, count);
        return true;
    }
    return readWhole((QamsReadFn)jar->source.get(), buffer, (int32_t)offset, (int32_t)count);
}

static bool readZipBytes(void* context, int64_t offset, uint8_t* buffer, int32_t count) {
    return jarBytes((const QamsJar*)context, (uint32_t)offset, buffer, (uint32_t)count);
}

// The JAR as the directory walker reads it, placed where QamsJarOpen found it.
static void zipOf(const QamsJar* jar, ZipArchive* zip) {
    zipInit(zip, readZipBytes, (void*)jar, jar->size);
    zip->directoryStart = jar->centralDirectory;
    zip->base = jar->archiveStart;
}

// 0 with the archive start and the central directory set, or an error. An archive of no
// entry holds no manifest either.
static int32_t locateCentralDirectory(QamsJar* jar) {
    ZipArchive zip;
    zipOf(jar, &zip);
    ZipStatus status = zipOpen(&zip);
    if (status == ZIP_UNREADABLE) return QAMS_READ_FAILURE;
    if (status != ZIP_OK || zip.endRecord == 0) return QAMS_SYNTAX;
    jar->centralDirectory = (uint32_t)zip.directoryStart;
    jar->archiveStart = (uint32_t)zip.base;
    return 0;
}

QamsJar* QamsJarOpen(QamsEnv* env, int32_t size, const uint8_t* memory, QamsReadFn read, int32_t* error) {
    if (badEnv(env) || (memory == nullptr && read == nullptr)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_JAR;
    }
    if (size < 0) {
        setError(error, QAMS_NEGATIVE_SIZE);
        return QAMS_NO_JAR;
    }
    QamsJar* jar = (QamsJar*)QamsAlloc(env, sizeof(QamsJar));
    if (jar == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_JAR;
    }
    *jar = {memory ? (const void*)memory : (const void*)read, 0, 0, size, memory ? 0 : 1};
    int32_t result = locateCentralDirectory(jar);
    if (result != 0) {
        QamsFree(env, jar);
        setError(error, result);
        return QAMS_NO_JAR;
    }
    setError(error, 0);
    return jar;
}

int32_t QamsJarClose(QamsEnv* env, QamsJar* jar) {
    if (badEnv(env) || badJar(jar)) return QAMS_BAD_ARGUMENT;
    QamsFree(env, jar);
    return 0;
}

static bool manifestName(const uint8_t* name, uint32_t length) {
    static const char Upper[] = "META-INF/MANIFEST.MF", Lower[] = "meta-inf/manifest.mf";
    if (length != 20) return false;
    for (uint32_t i = 0; i < 20; i++) {
        if (name[i] != (uint8_t)Upper[i] && name[i] != (uint8_t)Lower[i]) return false;
    }
    return true;
}

// Walks the central directory; a null name finds the manifest. True when found.
static bool findEntry(const QamsJar* jar, const char* name, int32_t nameLength, ZipEntry* entry) {
    ZipArchive zip;
    zipOf(jar, &zip);
    uint8_t entryName[NAME_ROOM];
    // the walk ends at the first header that is not one; each step moves forward
    for (int64_t at = jar->centralDirectory; zipEntryAt(&zip, at, jar->size, entry) == ZIP_OK; at = entry->next) {
        uint32_t n = entry->nameLength;
        bool candidate = name == nullptr ? n == 20 : n == (uint32_t)nameLength;
        if (!candidate || n > NAME_ROOM) continue;
        if (!jarBytes(jar, (uint32_t)entry->name, entryName, n)) return false;
        if (name == nullptr ? manifestName(entryName, n) : memcmp(entryName, name, n) == 0) return true;
    }
    return false;
}

struct EntryReader {
    const QamsJar* jar;
    uint32_t offset, remaining;
};

static int32_t readCompressed(uint8_t* buffer, int32_t size, void* context) {
    EntryReader* r = (EntryReader*)context;
    uint32_t count = (uint32_t)size < r->remaining ? (uint32_t)size : r->remaining;
    if (count > READ_AHEAD) count = READ_AHEAD;
    if (count == 0 || !jarBytes(r->jar, r->offset, buffer, count)) return 0;
    r->offset += count;
    r->remaining -= count;
    return (int32_t)count;
}

static void* tableAlloc(void* context, int32_t size) { return QamsAlloc((QamsEnv*)context, size); }
static void tableFree(void* context, void* block) { QamsFree((QamsEnv*)context, block); }

// Reads the entry into buffer (room for info.size bytes); 0 or -2.
static int32_t readEntryData(QamsEnv* env, const QamsJar* jar, const ZipEntry& info, uint8_t* buffer) {
    if (info.flags & ZIP_FLAG_ENCRYPTED) return QAMS_READ_FAILURE;
    ZipArchive zip;
    zipOf(jar, &zip);
    int64_t dataAt = 0;
    if (zipEntryData(&zip, &info, &dataAt) != ZIP_OK) return QAMS_READ_FAILURE;
    if (info.method == ZIP_METHOD_STORED) {
        if (info.compressedSize != info.size || !jarBytes(jar, (uint32_t)dataAt, buffer, info.size))
            return QAMS_READ_FAILURE;
    } else if (info.method == ZIP_METHOD_DEFLATED) {
        InflateSource source;
        EntryReader reader = {jar, (uint32_t)dataAt, info.compressedSize};
        if (jar->mode == 0)
            inflateMemorySource(&source, (const uint8_t*)jar->source.get() + dataAt, (int32_t)info.compressedSize);
        else
            inflateReadSource(&source, readCompressed, &reader);
        InflateAllocator allocator = {tableAlloc, tableFree, env};
        uint8_t* output = buffer;
        if (!inflateData(&source, (int32_t)info.compressedSize, &output, (int32_t)info.size, &allocator))
            return QAMS_READ_FAILURE;
    } else {
        return QAMS_READ_FAILURE;
    }
    return jarCrc32(buffer, (int32_t)info.size) == info.crc ? 0 : QAMS_READ_FAILURE;
}

static bool entryNameOk(const char* name, int32_t nameLength) { return name != nullptr && nameLength >= 1; }

int32_t QamsJarGetEntrySize(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength) {
    if (badEnv(env) || badJar(jar) || !entryNameOk(name, nameLength)) return QAMS_BAD_ARGUMENT;
    ZipEntry info;
    if (!findEntry(jar, name, nameLength, &info) || info.size > 0x7FFFFFFF) return QAMS_READ_FAILURE;
    return (int32_t)info.size;
}

int32_t QamsJarReadEntry(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength, uint8_t* buffer,
                         int32_t bufferSize) {
    if (badEnv(env) || badJar(jar) || !entryNameOk(name, nameLength) || buffer == nullptr) return QAMS_BAD_ARGUMENT;
    ZipEntry info;
    if (!findEntry(jar, name, nameLength, &info)) return QAMS_READ_FAILURE;
    if (bufferSize < 0 || info.size > (uint32_t)bufferSize) return QAMS_BAD_ARGUMENT;
    int32_t result = readEntryData(env, jar, info, buffer);
    return result != 0 ? result : (int32_t)info.size;
}

QamsDescriptor* QamsManifestOpen(QamsEnv* env, QamsJar* jar, int32_t* error) {
    if (badEnv(env) || badJar(jar)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_DESCRIPTOR;
    }
    ZipEntry info;
    if (!findEntry(jar, nullptr, 0, &info) || info.size > (uint32_t)jar->size * 1032u + 1024u) {
        setError(error, QAMS_READ_FAILURE);
        return QAMS_NO_DESCRIPTOR;
    }
    uint8_t* text = info.size > 0 ? (uint8_t*)QamsAlloc(env, (int32_t)info.size) : nullptr;
    if (info.size > 0 && text == nullptr) {
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_DESCRIPTOR;
    }
    if (info.size > 0 && readEntryData(env, jar, info, text) != 0) {
        QamsFree(env, text);
        setError(error, QAMS_READ_FAILURE);
        return QAMS_NO_DESCRIPTOR;
    }
    return parseOwned(env, text, (int32_t)info.size, false, error);
}

// The icon's entry name: the value of "MIDlet-Icon" without one leading "/".
static const char* iconName(QamsEnv* env, QamsDescriptor* d, int32_t* length, int32_t* error) {
    const char* value = QamsDescriptorGetValueByIndex(env, d, KEY_ICON, length, error);
    if (value != nullptr && *length > 0 && value[0] == '/') {
        value++;
        (*length)--;
    }
    return value;
}

int32_t QamsJarGetAttributeEntrySize(QamsEnv* env, QamsDescriptor* d, QamsJar* jar) {
    int32_t length = 0, error = 0;
    const char* name = iconName(env, d, &length, &error);
    return name ? QamsJarGetEntrySize(env, jar, name, length) : error;
}

int32_t QamsJarReadAttributeEntry(QamsEnv* env, QamsDescriptor* d, QamsJar* jar, uint8_t* buffer, int32_t bufferSize) {
    int32_t length = 0, error = 0;
    const char* name = iconName(env, d, &length, &error);
    return name ? QamsJarReadEntry(env, jar, name, length, buffer, bufferSize) : error;
}

// ---------------------------------------------------------------------------------
// Reading attributes

const char* QamsDescriptorGetValueByIndex(QamsEnv* env, QamsDescriptor* d, int32_t index, int32_t* length,
                                          int32_t* error) {
    if (badEnv(env) || badDescriptor(d)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return nullptr;
    }
    if (index < 0 || index >= QAMS_PREDEFINED) {
        setError(error, QAMS_INDEX_RANGE);
        return nullptr;
    }
    for (QamsAttribute* a = d->first; a != nullptr; a = a->next) {
        if (a->index == index) {
            if (length) *length = a->valueLength;
            setError(error, 0);
            return a->value;
        }
    }
    setError(error, QAMS_ABSENT);
    return nullptr;
}

const char* QamsDescriptorGetValueByKey(QamsEnv* env, QamsDescriptor* d, const char* key, int32_t keyLength,
                                        int32_t* length, int32_t* error) {
    if (badEnv(env) || badDescriptor(d) || key == nullptr || keyLength < 1) {
        setError(error, QAMS_BAD_ARGUMENT);
        return nullptr;
    }
    QamsAttribute* a = findKey(d->first, key, keyLength);
    if (a == nullptr) {
        setError(error, QAMS_ABSENT);
        return nullptr;
    }
    if (length) *length = a->valueLength;
    setError(error, 0);
    return a->value;
}

int32_t QamsDescriptorGetVersion(QamsEnv* env, QamsDescriptor* d, int32_t* major, int32_t* minor, int32_t* micro) {
    int32_t length = 0, error = 0;
    const char* v = QamsDescriptorGetValueByIndex(env, d, KEY_VERSION, &length, &error);
    if (v == nullptr) return error;
    int32_t dot = QamsFindSeparator(v, 0, length, ".", 1);
    if (dot < 0) return QAMS_NOT_FOUND;
    int32_t dot2 = QamsFindSeparator(v, dot + 1, length, ".", 1);
    int32_t minorEnd = dot2 < 0 ? length : dot2;
    int32_t parts[3] = {0, 0, 0};
    struct {
        int32_t start, end;
    } ranges[3] = {{0, dot}, {dot + 1, minorEnd}, {minorEnd + 1, length}};
    for (int32_t i = 0; i < (dot2 < 0 ? 2 : 3); i++) {
        parts[i] = QamsParseInt(v + ranges[i].start, ranges[i].end - ranges[i].start, &error);
        if (error != 0) return error;
    }
    if (major) *major = parts[0];
    if (minor) *minor = parts[1];
    if (micro) *micro = parts[2];
    return 0;
}

const char* QamsGetSupportedVersion(int32_t which, int32_t* length, int32_t* error) {
    const char* value = which == 0 ? ConfigurationValue : which == 1 ? ProfilesValue : nullptr;
    if (length) *length = value ? (int32_t)strlen(value) : -1;
    setError(error, value ? 0 : QAMS_INDEX_RANGE);
    return value;
}

// ---------------------------------------------------------------------------------
// Checks and merging

// major.minor[.micro], each part 0..99.
static bool versionOk(const char* v, int32_t length) {
    int32_t parts = 0, digits = 0, value = 0;
    for (int32_t i = 0; i <= length; i++) {
        if (i == length || v[i] == '.') {
            if (digits == 0 || value > 99) return false;
            parts++;
            digits = value = 0;
            continue;
        }
        if (v[i] < '0' || v[i] > '9') return false;
        digits++;
        value = value * 10 + (v[i] - '0');
        if (value > 999) return false;
    }
    return parts == 2 || parts == 3;
}

// name "," [icon] "," class, name not empty, something after the second comma.
static bool midletValueOk(const char* v, int32_t length) {
    int32_t first = QamsFindSeparator(v, 0, length, ",", 1);
    if (first <= 0) return false;
    int32_t second = QamsFindSeparator(v, first + 1, length, ",", 1);
    return second > 0 && second + 1 < length;
}

static int32_t checkRequired(QamsDescriptor* d, bool jad) {
    bool url = false, size = false, name = false, vendor = false, version = false;
    for (QamsAttribute* a = d->first; a != nullptr; a = a->next) {
        switch (a->index) {
            case KEY_JAR_URL:
            case KEY_JAR_SIZE:
                if (jad && a->valueLength == 0) return QAMS_SYNTAX;
                (a->index == KEY_JAR_URL ? url : size) = true;
                break;
            case KEY_NAME:
            case KEY_VENDOR:
                if (a->valueLength == 0) return QAMS_SYNTAX;
                (a->index == KEY_NAME ? name : vendor) = true;
                break;
            case KEY_VERSION:
                if (!versionOk(a->value, a->valueLength)) return QAMS_SYNTAX;
                version = true;
                break;
            case KEY_INSTALL_NOTIFY:
            case KEY_DELETE_NOTIFY:
                if (a->valueLength > NOTIFY_URL_LIMIT) return QAMS_URL_TOO_LONG;
                break;
            case QAMS_MIDLET_N:
                if (!midletValueOk(a->value, a->valueLength)) return QAMS_SYNTAX;
                break;
            default:
                break;
        }
    }
    if (!name) return QAMS_NO_NAME;
    if (!vendor) return QAMS_NO_VENDOR;
    if (!version) return QAMS_NO_VERSION;
    if (jad && !url) return QAMS_NO_JAR_URL;
    if (jad && !size) return QAMS_NO_JAR_SIZE;
    return 0;
}

static bool configurationSupported(const char* v, int32_t length) {
    return length == 0 || (length == 8 && (memcmp(v, ConfigurationValue, 8) == 0 || memcmp(v, "CLDC-1.0", 8) == 0));
}

static bool profileSupported(const char* v, int32_t length) {
    int32_t i = 0;
    while (i < length) {
        while (i < length && spaceOrTab(v[i])) i++;
        int32_t start = i;
        while (i < length && !spaceOrTab(v[i])) i++;
        int32_t n = i - start;
        if (n == 0) break;
        if (n != 8 || (memcmp(v + start, "MIDP-1.0", 8) != 0 && memcmp(v + start, "MIDP-2.0", 8) != 0)) return false;
    }
    return true;
}

int32_t QamsDescriptorCheckRequired(QamsEnv* env, QamsDescriptor* d) {
    if (badEnv(env) || badDescriptor(d)) return QAMS_BAD_ARGUMENT;
    return checkRequired(d, false);
}

int32_t QamsDescriptorCheckProfiles(QamsEnv* env, QamsDescriptor* d) {
    if (badEnv(env) || badDescriptor(d)) return QAMS_BAD_ARGUMENT;
    int32_t result = checkRequired(d, true);
    if (result != 0) return result;
    int32_t length = 0;
    const char* v = QamsDescriptorGetValueByIndex(env, d, KEY_CONFIGURATION, &length, nullptr);
    if (v != nullptr && !configurationSupported(v, length)) return QAMS_CONFIGURATION_UNSUPPORTED;
    v = QamsDescriptorGetValueByIndex(env, d, KEY_PROFILE, &length, nullptr);
    if (v != nullptr && !profileSupported(v, length)) return QAMS_PROFILE_UNSUPPORTED;
    return 0;
}

static bool sameValue(QamsEnv* env, QamsDescriptor* a, QamsDescriptor* b, int32_t index) {
    int32_t la = 0, lb = 0;
    const char* va = QamsDescriptorGetValueByIndex(env, a, index, &la, nullptr);
    const char* vb = QamsDescriptorGetValueByIndex(env, b, index, &lb, nullptr);
    return va != nullptr && vb != nullptr && la == lb && memcmp(va, vb, (size_t)la) == 0;
}

// The JAD's value when it has one, else the manifest's.
static const char* preferredValue(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t index,
                                  int32_t* length) {
    const char* v = jad ? QamsDescriptorGetValueByIndex(env, jad, index, length, nullptr) : nullptr;
    return v ? v : QamsDescriptorGetValueByIndex(env, manifest, index, length, nullptr);
}

static bool hasMidlet1(QamsEnv* env, QamsDescriptor* d) {
    int32_t length = 0;
    return d != nullptr && QamsDescriptorGetValueByKey(env, d, "MIDlet-1", 8, &length, nullptr) != nullptr;
}

int32_t QamsDescriptorVerifyMatch(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t strict) {
    if (jad == QAMS_NO_DESCRIPTOR) jad = nullptr;
    if (badEnv(env) || badDescriptor(manifest) || (jad != nullptr && badDescriptor(jad))) return QAMS_BAD_ARGUMENT;
    if (strict) {
        if (jad == nullptr) return QAMS_BAD_ARGUMENT;
        for (QamsAttribute* a = jad->first; a != nullptr; a = a->next) {
            QamsAttribute* m = findKey(manifest->first, a->key, a->keyLength);
            if (m != nullptr &&
                (m->valueLength != a->valueLength || memcmp(m->value, a->value, (size_t)a->valueLength) != 0))
                return QAMS_VALUE_MISMATCH;
        }
    } else if (jad != nullptr) {
        if (!sameValue(env, jad, manifest, KEY_NAME)) return QAMS_NAME_MISMATCH;
        if (!sameValue(env, jad, manifest, KEY_VENDOR)) return QAMS_VENDOR_MISMATCH;
        if (!sameValue(env, jad, manifest, KEY_VERSION)) return QAMS_VERSION_MISMATCH;
    }
    if (!hasMidlet1(env, manifest) && !hasMidlet1(env, jad)) return QAMS_NO_MIDLET;
    int32_t length = 0;
    const char* v = preferredValue(env, jad, manifest, KEY_CONFIGURATION, &length);
    if (v == nullptr) return QAMS_NO_CONFIGURATION;
    if (length == 0) return QAMS_SYNTAX;
    if (!configurationSupported(v, length)) return QAMS_CONFIGURATION_UNSUPPORTED;
    v = preferredValue(env, jad, manifest, KEY_PROFILE, &length);
    if (v == nullptr) return QAMS_NO_PROFILE;
    if (length == 0) return QAMS_SYNTAX;
    if (!profileSupported(v, length)) return QAMS_PROFILE_UNSUPPORTED;
    return 0;
}

QamsDescriptor* QamsDescriptorMerge(QamsEnv* env, QamsDescriptor* first, QamsDescriptor* second, int32_t* error) {
    if (badEnv(env) || badDescriptor(first) || badDescriptor(second)) {
        setError(error, QAMS_BAD_ARGUMENT);
        return QAMS_NO_DESCRIPTOR;
    }
    QamsAttribute *head = nullptr, *last = nullptr;
    int32_t result = 0;
    for (QamsAttribute* a = second->first; a != nullptr && result == 0; a = a->next) {
        QamsAttribute* f = findKey(first->first, a->key, a->keyLength);
        const QamsAttribute* source = f ? f : a;
        result = addAttribute(env, &head, &last, a->key, a->keyLength, source->value, source->valueLength);
    }
    for (QamsAttribute* a = first->first; a != nullptr && result == 0; a = a->next) {
        if (findKey(second->first, a->key, a->keyLength) == nullptr)
            result = addAttribute(env, &head, &last, a->key, a->keyLength, a->value, a->valueLength);
    }
    QamsDescriptor* d = result == 0 ? (QamsDescriptor*)QamsAlloc(env, sizeof(QamsDescriptor)) : nullptr;
    if (d == nullptr) {
        freeAttributes(env, head);
        setError(error, QAMS_OUT_OF_MEMORY);
        return QAMS_NO_DESCRIPTOR;
    }
    d->kind = DESCRIPTOR_KIND;
    d->text = nullptr;
    d->first = head;
    setError(error, 0);
    return d;
}

// ---------------------------------------------------------------------------------
// Text operations

int32_t QamsParseInt(const char* text, int32_t length, int32_t* error) {
    if (text == nullptr || length < 1) {
        setError(error, QAMS_BAD_ARGUMENT);
        return 0x7FFFFFFF;
    }
    int32_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == length) {
        setError(error, QAMS_SYNTAX);
        return 0x7FFFFFFF;
    }
    int64_t value = 0;
    bool overflow = false;
    for (; i < length; i++) {
        if (text[i] < '0' || text[i] > '9') {
            setError(error, QAMS_SYNTAX);
            return 0x7FFFFFFF;
        }
        value = value * 10 + (text[i] - '0');
        if (value > 0x80000000LL) overflow = true, value = 0x80000000LL;
    }
    if (overflow || (!negative && value > 0x7FFFFFFF)) {
        setError(error, QAMS_NUMBER_RANGE);
        return negative ? (int32_t)0x80000000 : 0x7FFFFFFF;
    }
    setError(error, 0);
    return negative ? (int32_t)-value : (int32_t)value;
}

int32_t QamsFindSeparator(const char* text, int32_t start, int32_t end, const char* pattern, int32_t patternLength) {
    if (text == nullptr || pattern == nullptr || patternLength < 1 || start < 0 || end < start)
        return QAMS_BAD_ARGUMENT;
    for (int32_t i = start; i + patternLength <= end; i++) {
        if (memcmp(text + i, pattern, (size_t)patternLength) == 0) return i;
    }
    return QAMS_NOT_FOUND;
}

const char* QamsTrimRange(const char* text, int32_t length, int32_t* outLength, int32_t* error) {
    if (text == nullptr || length < 0 || outLength == nullptr) {
        setError(error, QAMS_BAD_ARGUMENT);
        return nullptr;
    }
    int32_t s = 0, e = length;
    while (s < e && spaceOrTab(text[s])) s++;
    while (e > s && spaceOrTab(text[e - 1])) e--;
    *outLength = e - s;
    setError(error, 0);
    return text + s;
}

const char* QamsGetListElement(const char* text, int32_t length, int32_t n, int32_t* outLength, int32_t* error) {
    if (text == nullptr || length < 0 || n < 0 || outLength == nullptr) {
        setError(error, QAMS_BAD_ARGUMENT);
        return nullptr;
    }
    int32_t start = 0;
    for (int32_t k = 0; k < n; k++) {
        int32_t comma = QamsFindSeparator(text, start, length, ",", 1);
        if (comma < 0) {
            setError(error, QAMS_NOT_FOUND);
            return nullptr;
        }
        start = comma + 1;
    }
    int32_t end = QamsFindSeparator(text, start, length, ",", 1);
    if (end < 0) end = length;
    return QamsTrimRange(text + start, end - start, outLength, error);
}

int32_t QamsCountListElements(const char* text, int32_t length) {
    if (text == nullptr || length < 0) return QAMS_BAD_ARGUMENT;
    int32_t count = 1;
    for (int32_t i = 0; i < length; i++) count += text[i] == ',';
    return count;
}

int32_t QamsGetAttribute(const char* text, int32_t length, const char* key, char* out, int32_t outSize, int32_t trim) {
    if (text == nullptr || length < 0 || key == nullptr || out == nullptr || outSize < 1) return -1;
    // room for the copy of the text, its attributes and the heap's own records
    if (length > (INT32_MAX - 4096) / 2) return -1;
    int32_t memorySize = length * 2 + 4096;
    // the records of the environment hold its addresses in words
    void* memory = lowAlloc((size_t)memorySize);
    if (memory == nullptr) return -1;
    int32_t error = 0, result = -1;
    QamsEnv* env = QamsEnvInitialize(memorySize, memory, &error);
    QamsDescriptor* d =
        env != QAMS_NO_ENV ? QamsDescriptorParse(env, (const uint8_t*)text, length, 1, &error) : QAMS_NO_DESCRIPTOR;
    int32_t n = 0;
    const char* value =
        d != QAMS_NO_DESCRIPTOR ? QamsDescriptorGetValueByKey(env, d, key, (int32_t)strlen(key), &n, &error) : nullptr;
    if (value != nullptr) {
        if (n > outSize - 1) n = outSize - 1;
        memcpy(out, value, (size_t)n);
        out[n] = 0;
        result = 0;
    }
    lowFree(memory);
    return result;
}
