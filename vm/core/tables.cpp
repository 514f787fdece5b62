// Name, class and string tables. New entries go to the head of their chain, so the
// image's entries always form the tail and trimming after a run only cuts heads.
#include "vm/core/tables.h"

#include <string.h>

#include "platform/bytes.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/romimage.h"
#include "vm/core/stackguard.h"
#include "vm/core/utf.h"

enum { PACKED_SIGNATURE_MAX = 512 };

uint32_t stringHash(const char* text, int length) {
    uint32_t h = 0;
    for (int i = 0; i < length; i++) h = h * 37 + (uint32_t)(int32_t)(int8_t)text[i];
    return h;
}

NameTableEntry* lookupNameTableEntry(const char* text, int length) {
    VmHashTable* table = UTFStringTable;
    uint32_t bucket = stringHash(text, length) % table->bucketCount;
    NameTableEntry* head = (NameTableEntry*)table->buckets[bucket];
    for (NameTableEntry* e = head; e != nullptr; e = e->next) {
        if (e->length == length && (e->bytes == text || memcmp(e->bytes, text, length) == 0)) return e;
    }
    uint32_t key = head ? (uint32_t)head->key + table->bucketCount : 256 + bucket;
    if (key >= 0x10000) fatalError("Too many entries in name table");
    NameTableEntry* e = (NameTableEntry*)callocPermanentObject(nameEntryWords(length));
    memcpy(e->bytes, text, length);
    e->bytes[length] = 0;
    e->length = (uint16_t)length;
    e->key = (uint16_t)key;
    e->next = head;
    table->buckets[bucket] = e;
    table->count++;
    return e;
}

uint16_t changeNameToKey(const char* text, int length) { return lookupNameTableEntry(text, length)->key; }

const char* changeKeyToName(uint16_t key, int* length) {
    VmHashTable* table = UTFStringTable;
    for (NameTableEntry* e = (NameTableEntry*)table->buckets[key % table->bucketCount]; e; e = e->next) {
        if (e->key == key) {
            if (length) *length = e->length;
            return e->bytes;
        }
    }
    return nullptr;
}

static inline bool isArrayKey(uint16_t key) { return typeKeyDepth(key) > 0 && typeKeyDepth(key) < TYPE_KEY_DEEP; }

ClassRecord* lookupClassTableEntry(NameTableEntry* packageName, NameTableEntry* baseName) {
    VmHashTable* table = ClassTable;
    uint32_t h = stringHash(baseName->bytes, baseName->length) + 37;
    if (packageName) h += 3 * stringHash(packageName->bytes, packageName->length);
    uint32_t bucket = h % table->bucketCount;
    ClassRecord* head = (ClassRecord*)table->buckets[bucket];
    for (ClassRecord* c = head; c != nullptr; c = c->next) {
        if (c->packageName == packageName && c->baseName == baseName) return c;
    }
    uint32_t key = 256 + bucket;
    for (ClassRecord* c = head; c != nullptr; c = c->next) {
        if (isArrayKey(c->key)) continue;
        key = typeKeyBase(c->key) + table->bucketCount;
        break;
    }
    if (key & 0x1000) fatalError("Too many entries in class table");
    bool array = baseName->bytes[0] == '[';
    ClassRecord* c =
        (ClassRecord*)callocPermanentObject(array ? recordWords<ArrayClassRecord>() : recordWords<ClassRecord>());
    c->packageName = packageName;
    c->baseName = baseName;
    c->key = (uint16_t)key;
    c->next = head;
    table->buckets[bucket] = c;
    table->count++;
    return c;
}

ClassRecord* getRawClassX(const char* name, int start, int length) {
    checkNativeStack();
    const char* text = name + start;
    int d = 0;
    while (d < length && text[d] == '[') d++;
    if (d > 0) {
        if (length == d + 1) return asClass(getArrayClass(d, nullptr, text[d]));
        // element name between the "L" and the final ";"
        if (length < d + 3 || text[d] != 'L' || text[length - 1] != ';') fatalError("Bad class name");
        ClassRecord* element = getRawClassX(text, d + 1, length - d - 2);
        return asClass(getArrayClass(d, element, 0));
    }
    int slash = -1;
    for (int i = length - 1; i >= 0; i--) {
        if (text[i] == '/') {
            slash = i;
            break;
        }
    }
    if (slash < 0) return lookupClassTableEntry(nullptr, lookupNameTableEntry(text, length));
    NameTableEntry* package = lookupNameTableEntry(text, slash);
    NameTableEntry* base = lookupNameTableEntry(text + slash + 1, length - slash - 1);
    return lookupClassTableEntry(package, base);
}

ClassRecord* getRawClass(const char* name) { return getRawClassX(name, 0, (int)strlen(name)); }

ClassRecord* changeKeyToClass(TypeKey key) {
    if (isArrayKey(key)) {
        int d = typeKeyDepth(key);
        uint16_t element = typeKeyBase(key);
        if (element > 255) return asClass(getArrayClass(d, changeKeyToClass(element), 0));
        return asClass(getArrayClass(d, nullptr, (char)element));
    }
    VmHashTable* table = ClassTable;
    uint32_t bucket = ((uint32_t)typeKeyBase(key) - 256) % table->bucketCount;
    for (ClassRecord* c = (ClassRecord*)table->buckets[bucket]; c != nullptr; c = c->next) {
        if (c->key == key) return c;
    }
    return nullptr;
}

StringInstance* internString(const char* utf, int length, int create) {
    VmHashTable* table = InternStringTable;
    uint32_t bucket = stringHash(utf, length) % table->bucketCount;
    int count = utfStringLength(utf, length);
    StringInstance* head = (StringInstance*)table->buckets[bucket];
    for (StringInstance* s = head; s != nullptr; s = s->next) {
        if (s->count != count) continue;
        const char* p = utf;
        const uint16_t* chars = s->value->u.sdata + s->offset;
        int i = 0;
        while (i < count && utf2unicode(&p) == chars[i]) i++;
        if (i == count) return s;
    }
    if (!create) return nullptr;
    StringInstance* s = createInternedString(utf, length);
    s->next = (StringInstance*)table->buckets[bucket];
    table->buckets[bucket] = s;
    table->count++;
    return s;
}

TypeKey changeFieldSignatureToKey(const char* text, int start, int length) {
    const char* s = text + start;
    int d = 0;
    while (d < length && s[d] == '[') d++;
    if (d >= TYPE_KEY_DEEP) return (TypeKey)(getRawClassX(s, 0, length)->key | TYPE_KEY_DEEP_BITS);
    if (d < length && s[d] == 'L') {
        if (length < d + 3 || s[length - 1] != ';') raiseExceptionWithMessage(ClassFormatError, "Bad field signature");
        return typeKeyOf(d, getRawClassX(s, d + 1, length - d - 2)->key);
    }
    if (d >= length) raiseExceptionWithMessage(ClassFormatError, "Bad field signature");
    return typeKeyOf(d, (uint8_t)s[d]);
}

// Length of the type starting at s (within end), or 0 when it is not one.
static int typeLength(const char* s, const char* end) {
    const char* p = s;
    while (p < end && *p == '[') p++;
    if (p >= end) return 0;
    if (*p == 'L') {
        while (p < end && *p != ';') p++;
        if (p >= end) return 0;
    }
    return (int)(p - s) + 1;
}

static bool isSimpleLetter(char c) {
    return c == 'B' || c == 'C' || c == 'D' || c == 'F' || c == 'I' || c == 'J' || c == 'S' || c == 'Z' || c == 'V';
}

uint16_t changeMethodSignatureToKey(const char* text, int start, int length) {
    // Packed into a buffer of our own: the class lookups below use the message buffer.
    uint8_t packed[PACKED_SIGNATURE_MAX];
    int n = 1;
    int count = 0;
    const char* p = text + start;
    const char* end = p + length;
    bool ok = p < end && *p == '(';
    if (ok) p++;
    bool inParameters = true;
    while (ok) {
        if (inParameters && p < end && *p == ')') {
            inParameters = false;
            p++;
            continue;
        }
        int len = typeLength(p, end);
        if (len == 0 || n + 3 > PACKED_SIGNATURE_MAX) {
            ok = false;
            break;
        }
        if (len == 1) {
            if (!isSimpleLetter(*p) || (inParameters && *p == 'V')) {
                ok = false;
                break;
            }
            packed[n++] = (uint8_t)*p;
        } else {
            TypeKey key = (*p == 'L') ? getRawClassX(p, 1, len - 2)->key : changeFieldSignatureToKey(p, 0, len);
            uint8_t high = (uint8_t)(key >> 8);
            if (high >= 'A' && high <= 'Z') packed[n++] = 'L';
            packed[n++] = high;
            packed[n++] = (uint8_t)key;
        }
        p += len;
        if (inParameters)
            count++;
        else
            break;
    }
    if (!ok || inParameters || p != end || count > 255)
        raiseExceptionWithMessage(ClassFormatError, "Bad method signature");
    packed[0] = (uint8_t)count;
    return changeNameToKey((const char*)packed, n);
}

uint32_t getNameAndTypeKey(const char* name, const char* signature) {
    uint16_t nameKey = changeNameToKey(name, (int)strlen(name));
    int length = (int)strlen(signature);
    uint16_t typeKey = signature[0] == '(' ? changeMethodSignatureToKey(signature, 0, length)
                                           : changeFieldSignatureToKey(signature, 0, length);
    return nameKey | ((uint32_t)typeKey << 16);
}

static char* putChar(char* to, char* end, char c) {
    if (to >= end - 1) fatalError("buffer over flow");
    *to++ = c;
    return to;
}

char* change_Key_to_FieldSignature_inBuffer(TypeKey key, char* buffer, int size) {
    if (size < 1) fatalError("change_Key_to_FieldSignature_inBuffer: buffer length is too short");
    char* end = buffer + size;
    char* to = buffer;
    int d = typeKeyDepth(key);
    if (d < TYPE_KEY_DEEP) {
        for (int i = 0; i < d; i++) to = putChar(to, end, '[');
        uint16_t element = typeKeyBase(key);
        if (element > 255) {
            to = putChar(to, end, 'L');
            ClassRecord* c = changeKeyToClass(element);
            if (c == nullptr) fatalError("buffer over flow");
            char* nameEnd = getClassNameBuffer(c, to, (int)(end - to));
            if (nameEnd >= end - 1) fatalError("buffer over flow");
            to = putChar(nameEnd, end, ';');
        } else {
            to = putChar(to, end, (char)element);
        }
        *to = 0;
        return to;
    }
    ClassRecord* c = changeKeyToClass(key);
    if (c == nullptr) fatalError("buffer over flow");
    char* nameEnd = getClassNameBuffer(c, buffer, size);
    if (nameEnd - buffer >= size - 1) fatalError("buffer over flow");
    return nameEnd;
}

void change_Key_to_MethodSignatureInternal(const uint8_t** from, char** to, int* sizeLeft) {
    if (*sizeLeft < 2) fatalError("change_Key_to_MethodSignatureInternal: buffer length is too short");
    const uint8_t* p = *from;
    uint8_t c = *p;
    if (c >= 'A' && c <= 'Z' && c != 'L') {
        **to = (char)c;
        (*to)++;
        (*sizeLeft)--;
        *from = p + 1;
        return;
    }
    if (c == 'L') p++;
    TypeKey key = (TypeKey)be16(p);
    *from = p + 2;
    char* end = change_Key_to_FieldSignature_inBuffer(key, *to, *sizeLeft);
    *sizeLeft -= (int)(end - *to);
    *to = end;
}

char* change_Key_to_MethodSignature_inBuffer(uint16_t key, char* buffer, int size) {
    if (size < 3) fatalError("change_Key_to_MethodSignature_inBuffer: buffer length is too short");
    int length = 0;
    const uint8_t* packed = (const uint8_t*)changeKeyToName(key, &length);
    if (packed == nullptr) fatalError("change_Key_to_MethodSignature_inBuffer: buffer length is too short");
    char* to = buffer;
    int left = size;
    int count = packed[0];
    const uint8_t* p = packed + 1;
    *to++ = '(';
    left--;
    for (int i = 0; i < count; i++) change_Key_to_MethodSignatureInternal(&p, &to, &left);
    if (left < 2) fatalError("buffer over flow");
    *to++ = ')';
    left--;
    change_Key_to_MethodSignatureInternal(&p, &to, &left);
    if (left < 1) fatalError("buffer over flow");
    *to = 0;
    return to;
}

static char* copyToHeap(const char* text) {
    int length = (int)strlen(text);
    char* block = mallocBytes(length + 1);
    memcpy(block, text, length + 1);
    return block;
}

char* getFieldSignatureString(TypeKey key) {
    change_Key_to_FieldSignature_inBuffer(key, MessageBuffer, MESSAGE_BUFFER_SIZE);
    return copyToHeap(MessageBuffer);
}

char* getMethodSignatureString(uint16_t key) {
    change_Key_to_MethodSignature_inBuffer(key, MessageBuffer, MESSAGE_BUFFER_SIZE);
    return copyToHeap(MessageBuffer);
}

void trimHashTableToImage(VmHashTable* table, int linkWord) {
    for (uint32_t b = 0; b < table->bucketCount; b++) {
        void* head = table->buckets[b];
        while (head != nullptr && (uintptr_t)head >= (uintptr_t)HeapStart && (uintptr_t)head < (uintptr_t)HeapTop) {
            head = ((P32<void>*)head)[linkWord];
            table->count--;
        }
        table->buckets[b] = head;
    }
}
