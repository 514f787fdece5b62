// String and StringBuffer natives. Every check comes before the first change; objects
// held across an allocation sit in temporary roots and are re-read afterwards.
#include "natives/lib/string_natives.h"

#include <string.h>

#include "natives/lib/nativestack.h"
#include "platform/vmsections.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/utf.h"
#include "vm/trace/tracelog.h"

static const char StringIndexOutOfBoundsException[] = "java/lang/StringIndexOutOfBoundsException";
static const char IndexOutOfBoundsException[] = "java/lang/IndexOutOfBoundsException";

// The interned "null" that insert appends for a null string, kept after first use.
static VMBSS StringInstance* InternedNull;

// ---------------------------------------------------------------------------------
// Case tables

bool isLowerCaseChar(uint16_t c) {
    return (c >= 0x61 && c <= 0x7A) || (c >= 0xDF && c <= 0xF6) || (c >= 0xF8 && c <= 0xFF);
}
bool isUpperCaseChar(uint16_t c) {
    return (c >= 0x41 && c <= 0x5A) || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE);
}
uint16_t toLowerCaseChar(uint16_t c) { return isUpperCaseChar(c) ? (uint16_t)(c + 0x20) : c; }
uint16_t toUpperCaseChar(uint16_t c) {
    if (c == 0xDF || c == 0xFF) return c;
    return isLowerCaseChar(c) ? (uint16_t)(c - 0x20) : c;
}

// ---------------------------------------------------------------------------------
// Helpers

static inline StringInstance* popString() { return (StringInstance*)popObject(); }
static inline uint16_t* chars(StringInstance* s) { return s->value->u.sdata + s->offset; }

[[noreturn]] static void indexErrorWithMessage(int32_t index) {
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "String index out of range: %d", index);
    raiseExceptionWithMessage(StringIndexOutOfBoundsException, MessageBuffer);
}

static ArrayObject* newCharArray(int32_t length) { return instantiateArray(PrimitiveArrayClasses[T_CHAR], length); }

// A new String over the array, offset 0; the array is rooted while the String is made.
static StringInstance* newStringOver(ArrayObject* array, int32_t count) {
    return instantiateStringFromCharArray(array, count);
}

// ---------------------------------------------------------------------------------
// String

void Java_java_lang_String_charAt() {
    int32_t i = popInt();
    StringInstance* s = popString();
    if (i < 0 || i >= s->count) raiseException(StringIndexOutOfBoundsException);
    pushInt(chars(s)[i]);
}

static int32_t indexOfChar(StringInstance* s, int32_t ch, int32_t from) {
    if (from < 0) from = 0;
    const uint16_t* c = chars(s);
    for (int32_t i = from; i < s->count; i++) {
        if (c[i] == ch) return i;
    }
    return -1;
}

void Java_java_lang_String_indexOf__I() {
    int32_t ch = popInt();
    StringInstance* s = popString();
    pushInt(indexOfChar(s, ch, 0));
}

void Java_java_lang_String_indexOf__II() {
    int32_t from = popInt();
    int32_t ch = popInt();
    StringInstance* s = popString();
    pushInt(indexOfChar(s, ch, from));
}

void Java_java_lang_String_lastIndexOfChar() {
    int32_t from = popInt();
    int32_t ch = popInt();
    StringInstance* s = popString();
    if (from >= s->count) from = s->count - 1;
    const uint16_t* c = chars(s);
    int32_t found = -1;
    for (int32_t i = from; i >= 0; i--) {
        if (c[i] == ch) {
            found = i;
            break;
        }
    }
    pushInt(found);
}

void Java_java_lang_String_indexOfString() {
    int32_t from = popInt();
    StringInstance* sub = popString();
    StringInstance* s = popString();
    if (sub == nullptr) raiseException(NullPointerException);
    int32_t count = s->count, n = sub->count;
    if (from >= count) {
        pushInt(count == 0 && from == 0 && n == 0 ? 0 : -1);
        return;
    }
    if (from < 0) from = 0;
    if (n == 0) {
        pushInt(from);
        return;
    }
    const uint16_t* c = chars(s);
    const uint16_t* p = chars(sub);
    for (int32_t i = from; i <= count - n; i++) {
        if (c[i] != p[0]) continue;
        int32_t k = 1;
        while (k < n && c[i + k] == p[k]) k++;
        if (k == n) {
            pushInt(i);
            return;
        }
    }
    pushInt(-1);
}

void Java_java_lang_String_equals() {
    OBJECT other = popObject();
    StringInstance* s = popString();
    if (other == (OBJECT)s) {
        pushInt(1);
        return;
    }
    if (other == nullptr || other->clazz != JavaLangString) {
        pushInt(0);
        return;
    }
    StringInstance* o = (StringInstance*)other;
    pushInt(o->count == s->count && memcmp(chars(o), chars(s), (size_t)s->count * 2) == 0 ? 1 : 0);
}

void Java_java_lang_String_hashCode() {
    StringInstance* s = popString();
    uint32_t h = 0;
    const uint16_t* c = chars(s);
    for (int32_t i = 0; i < s->count; i++) h = 31 * h + c[i];
    pushInt((int32_t)h);
}

void Java_java_lang_String_startsWith() {
    int32_t t = popInt();
    StringInstance* prefix = popString();
    StringInstance* s = popString();
    if (prefix == nullptr) raiseException(NullPointerException);
    if (t < 0 || t > s->count - prefix->count) {
        pushInt(0);
        return;
    }
    pushInt(memcmp(chars(s) + t, chars(prefix), (size_t)prefix->count * 2) == 0 ? 1 : 0);
}

void Java_java_lang_String_compareTo() {
    StringInstance* other = popString();
    StringInstance* s = popString();
    if (other == nullptr) raiseException(NullPointerException);
    int32_t n = s->count < other->count ? s->count : other->count;
    const uint16_t* a = chars(s);
    const uint16_t* b = chars(other);
    for (int32_t i = 0; i < n; i++) {
        if (a[i] != b[i]) {
            pushInt((int32_t)a[i] - (int32_t)b[i]);
            return;
        }
    }
    pushInt(s->count - other->count);
}

void Java_java_lang_String_regionMatches() {
    int32_t len = popInt();
    int32_t ooffset = popInt();
    StringInstance* other = popString();
    int32_t toffset = popInt();
    int32_t ignoreCase = popInt();
    StringInstance* s = popString();
    if (other == nullptr) raiseException(NullPointerException);
    if (ooffset < 0 || toffset < 0 || (int64_t)toffset > (int64_t)s->count - len ||
        (int64_t)ooffset > (int64_t)other->count - len) {
        pushInt(0);
        return;
    }
    const uint16_t* a = chars(s) + toffset;
    const uint16_t* b = chars(other) + ooffset;
    for (int32_t i = 0; i < len; i++) {
        uint16_t x = a[i], y = b[i];
        if (x == y) continue;
        if (!ignoreCase) {
            pushInt(0);
            return;
        }
        uint16_t ux = toUpperCaseChar(x), uy = toUpperCaseChar(y);
        if (ux == uy || toLowerCaseChar(ux) == toLowerCaseChar(uy)) continue;
        pushInt(0);
        return;
    }
    pushInt(1);
}

// The receiver itself when every character is already a letter of the target case.
static void convertCase(bool upper) {
    StringInstance* s = popString();
    int32_t count = s->count;
    int32_t skipped = 0;
    const uint16_t* c = chars(s);
    while (skipped < count && (upper ? isUpperCaseChar(c[skipped]) : isLowerCaseChar(c[skipped]))) skipped++;
    if (skipped == count) {
        pushObject(s);
        return;
    }
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&s);
    ArrayObject* array = newCharArray(count);
    c = chars(s);
    memcpy(array->u.sdata, c, (size_t)skipped * 2);
    for (int32_t i = skipped; i < count; i++) array->u.sdata[i] = upper ? toUpperCaseChar(c[i]) : toLowerCaseChar(c[i]);
    TemporaryRootsLength = savedRoots;
    pushObject(newStringOver(array, count));
}

void Java_java_lang_String_toLowerCase() { convertCase(false); }
void Java_java_lang_String_toUpperCase() { convertCase(true); }

void Java_java_lang_String_replace() {
    uint16_t to = (uint16_t)popInt();
    uint16_t from = (uint16_t)popInt();
    StringInstance* s = popString();
    int32_t first = from == to ? -1 : indexOfChar(s, from, 0);
    if (first < 0) {
        pushObject(s);
        return;
    }
    int32_t count = s->count;
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&s);
    ArrayObject* array = newCharArray(count);
    const uint16_t* c = chars(s);
    memcpy(array->u.sdata, c, (size_t)first * 2);
    for (int32_t i = first; i < count; i++) array->u.sdata[i] = c[i] == from ? to : c[i];
    TemporaryRootsLength = savedRoots;
    pushObject(newStringOver(array, count));
}

void Java_java_lang_String_trim() {
    StringInstance* s = popString();
    const uint16_t* c = chars(s);
    int32_t start = 0, end = s->count;
    while (start < end && c[start] <= 0x20) start++;
    while (end > start && c[end - 1] <= 0x20) end--;
    if (start == 0 && end == s->count) {
        pushObject(s);
        return;
    }
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&s);
    StringInstance* result = (StringInstance*)instantiate(JavaLangString);
    result->value = s->value;
    result->offset = s->offset + start;
    result->count = end - start;
    TemporaryRootsLength = savedRoots;
    pushObject(result);
}

void Java_java_lang_String_newString() {
    OBJECT buffer = popObject();
    StringInstance* s = popString();
    if (buffer == nullptr) raiseException(NullPointerException);
    s->value = (ArrayObject*)getObjectFieldByIndex(buffer, STRINGBUFFER_VALUE_SLOT);
    s->offset = 0;
    s->count = getIntFieldByIndex(buffer, STRINGBUFFER_COUNT_SLOT);
    setIntFieldByIndex(buffer, STRINGBUFFER_SHARED_SLOT, 1);
}

void Java_java_lang_String_intern() {
    StringInstance* s = popString();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&s);
    int32_t length = unicode2utfstrlen(chars(s), s->count);
    char* utf = mallocBytes(length + 1);
    unicode2utf(chars(s), s->count, utf, length + 1);
    // The table reads the text after allocating: it must not move meanwhile.
    lockObjectMemory(utf);
    StringInstance* interned = internString(utf, length, 1);
    unlockObjectMemory(utf);
    TemporaryRootsLength = savedRoots;
    pushObject(interned);
}

// ---------------------------------------------------------------------------------
// StringBuffer

static inline ArrayObject* bufferValue(OBJECT sb) {
    return (ArrayObject*)getObjectFieldByIndex(sb, STRINGBUFFER_VALUE_SLOT);
}
static inline int32_t bufferCount(OBJECT sb) { return getIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT); }
static inline bool bufferShared(OBJECT sb) { return getIntFieldByIndex(sb, STRINGBUFFER_SHARED_SLOT) != 0; }

// Installs a new char[] of the given capacity holding the first count characters.
// *sbCell is a rooted cell; the buffer keeps its array when the allocation fails.
static void replaceValue(OBJECT* sbCell, int32_t capacity) {
    ArrayObject* array = newCharArray(capacity);
    OBJECT sb = *sbCell;
    memcpy(array->u.sdata, bufferValue(sb)->u.sdata, (size_t)bufferCount(sb) * 2);
    setObjectFieldByIndex(sb, STRINGBUFFER_VALUE_SLOT, array);
    setIntFieldByIndex(sb, STRINGBUFFER_SHARED_SLOT, 0);
}

static void growTo(OBJECT* sbCell, int32_t needed) {
    int32_t capacity = (int32_t)bufferValue(*sbCell)->length;
    if (needed <= capacity) return;
    int32_t doubled = 2 * capacity + 2;
    replaceValue(sbCell, doubled > needed ? doubled : needed);
}

static void unshare(OBJECT* sbCell) {
    if (bufferShared(*sbCell)) replaceValue(sbCell, (int32_t)bufferValue(*sbCell)->length);
}

// Appends count characters read through *sourceCell (a rooted object) at offset bytes.
static void appendChars(OBJECT* sbCell, OBJECT* sourceCell, const uint16_t* (*at)(OBJECT, int32_t), int32_t start,
                        int32_t count) {
    int32_t used = bufferCount(*sbCell);
    growTo(sbCell, used + count);
    memmove(bufferValue(*sbCell)->u.sdata + used, at(*sourceCell, start), (size_t)count * 2);
    setIntFieldByIndex(*sbCell, STRINGBUFFER_COUNT_SLOT, used + count);
}

static const uint16_t* stringCharsAt(OBJECT s, int32_t start) { return chars((StringInstance*)s) + start; }
static const uint16_t* arrayCharsAt(OBJECT a, int32_t start) { return ((ArrayObject*)a)->u.sdata + start; }

static StringInstance* internedNullForAppend() { return internString("null", 4, 1); }

void Java_java_lang_StringBuffer_append__Ljava_lang_String_2() {
    OBJECT s = popObject();
    OBJECT sb = popObject();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    makeTemporaryRoot(&s);
    if (s == nullptr) s = (OBJECT)internedNullForAppend();
    appendChars(&sb, &s, stringCharsAt, 0, ((StringInstance*)s)->count);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

// The decimal text of value, written backwards so that it ends at end; returns its start.
static char* decimalText(int32_t value, char* end) {
    uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
    do {
        *--end = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--end = '-';
    return end;
}

void Java_java_lang_StringBuffer_append__I() {
    int32_t value = popInt();
    OBJECT sb = popObject();
    char text[12];
    const char* digits = decimalText(value, text + sizeof text);
    int32_t n = (int32_t)(text + sizeof text - digits);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    int32_t used = bufferCount(sb);
    growTo(&sb, used + n);
    uint16_t* to = bufferValue(sb)->u.sdata + used;
    for (int32_t i = 0; i < n; i++) to[i] = (uint8_t)digits[i];
    setIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT, used + n);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_append___3C() {
    OBJECT array = popObject();
    OBJECT sb = popObject();
    if (array == nullptr) raiseException(NullPointerException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    makeTemporaryRoot(&array);
    appendChars(&sb, &array, arrayCharsAt, 0, (int32_t)((ArrayObject*)array)->length);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_append___3CII() {
    int32_t len = popInt();
    int32_t off = popInt();
    OBJECT array = popObject();
    OBJECT sb = popObject();
    if (array == nullptr) raiseException(NullPointerException);
    if (len < 0 || off < 0 || (int64_t)off + len > (int64_t)((ArrayObject*)array)->length)
        raiseException(IndexOutOfBoundsException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    makeTemporaryRoot(&array);
    appendChars(&sb, &array, arrayCharsAt, off, len);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_append__C() {
    uint16_t c = (uint16_t)popInt();
    OBJECT sb = popObject();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    int32_t used = bufferCount(sb);
    growTo(&sb, used + 1);
    bufferValue(sb)->u.sdata[used] = c;
    setIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT, used + 1);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_toString() {
    OBJECT sb = popObject();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    StringInstance* s = (StringInstance*)instantiate(JavaLangString);
    s->value = bufferValue(sb);
    s->offset = 0;
    s->count = bufferCount(sb);
    setIntFieldByIndex(sb, STRINGBUFFER_SHARED_SLOT, 1);
    TemporaryRootsLength = savedRoots;
    pushObject(s);
}

void Java_java_lang_StringBuffer_ensureCapacity() {
    int32_t n = popInt();
    OBJECT sb = popObject();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    growTo(&sb, n);
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_StringBuffer_charAt() {
    int32_t i = popInt();
    OBJECT sb = popObject();
    if (i < 0 || i >= bufferCount(sb)) indexErrorWithMessage(i);
    pushInt(bufferValue(sb)->u.sdata[i]);
}

void Java_java_lang_StringBuffer_setLength() {
    int32_t n = popInt();
    OBJECT sb = popObject();
    if (n < 0) indexErrorWithMessage(n);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    growTo(&sb, n);
    int32_t count = bufferCount(sb);
    if (n <= count) {
        setIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT, n);
        if (bufferShared(sb)) {
            if (n == 0) {
                ArrayObject* fresh = newCharArray(16);
                setObjectFieldByIndex(sb, STRINGBUFFER_VALUE_SLOT, fresh);
                setIntFieldByIndex(sb, STRINGBUFFER_SHARED_SLOT, 0);
            } else {
                unshare(&sb);
            }
        }
    } else {
        unshare(&sb);
        memset(bufferValue(sb)->u.sdata + count, 0, (size_t)(n - count) * 2);
        setIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT, n);
    }
    TemporaryRootsLength = savedRoots;
}

void Java_java_lang_StringBuffer_getChars() {
    int32_t dstBegin = popInt();
    ArrayObject* dst = (ArrayObject*)popObject();
    int32_t srcEnd = popInt();
    int32_t srcBegin = popInt();
    OBJECT sb = popObject();
    if (dst == nullptr) raiseException(NullPointerException);
    if (srcBegin < 0) indexErrorWithMessage(srcBegin);
    if (srcEnd < 0 || srcEnd > bufferCount(sb)) indexErrorWithMessage(srcEnd);
    if (srcBegin > srcEnd) raiseExceptionWithMessage(StringIndexOutOfBoundsException, "srcBegin > srcEnd");
    int32_t n = srcEnd - srcBegin;
    if (dstBegin < 0 || (int64_t)dstBegin + n > (int64_t)dst->length) raiseException(IndexOutOfBoundsException);
    memmove(dst->u.sdata + dstBegin, bufferValue(sb)->u.sdata + srcBegin, (size_t)n * 2);
}

void Java_java_lang_StringBuffer_setCharAt() {
    uint16_t c = (uint16_t)popInt();
    int32_t i = popInt();
    OBJECT sb = popObject();
    if (i < 0 || i >= bufferCount(sb)) indexErrorWithMessage(i);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    unshare(&sb);
    bufferValue(sb)->u.sdata[i] = c;
    TemporaryRootsLength = savedRoots;
}

// Removes characters start..end-1 of an unshared buffer.
static void removeRange(OBJECT sb, int32_t start, int32_t end) {
    int32_t count = bufferCount(sb);
    uint16_t* c = bufferValue(sb)->u.sdata;
    memmove(c + start, c + end, (size_t)(count - end) * 2);
    setIntFieldByIndex(sb, STRINGBUFFER_COUNT_SLOT, count - (end - start));
}

void Java_java_lang_StringBuffer_delete() {
    int32_t end = popInt();
    int32_t start = popInt();
    OBJECT sb = popObject();
    if (start < 0) indexErrorWithMessage(start);
    int32_t count = bufferCount(sb);
    if (end > count) end = count;
    if (start > end) raiseException(StringIndexOutOfBoundsException);
    if (end - start > 0) {
        int32_t savedRoots = TemporaryRootsLength;
        makeTemporaryRoot(&sb);
        unshare(&sb);
        removeRange(sb, start, end);
        TemporaryRootsLength = savedRoots;
    }
    pushObject(sb);
}

void Java_java_lang_StringBuffer_deleteCharAt() {
    int32_t i = popInt();
    OBJECT sb = popObject();
    if (i < 0 || i >= bufferCount(sb)) raiseException(StringIndexOutOfBoundsException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    unshare(&sb);
    removeRange(sb, i, i + 1);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

// Opens a gap of n characters at `at` (grown or unshared first) and answers its address.
static uint16_t* openGap(OBJECT* sbCell, int32_t at, int32_t n) {
    int32_t count = bufferCount(*sbCell);
    if (count + n > (int32_t)bufferValue(*sbCell)->length)
        growTo(sbCell, count + n);
    else
        unshare(sbCell);
    uint16_t* c = bufferValue(*sbCell)->u.sdata;
    memmove(c + at + n, c + at, (size_t)(count - at) * 2);
    setIntFieldByIndex(*sbCell, STRINGBUFFER_COUNT_SLOT, count + n);
    return c + at;
}

static void insertChars(OBJECT* sbCell, int32_t at, OBJECT* sourceCell, const uint16_t* (*from)(OBJECT, int32_t),
                        int32_t n) {
    uint16_t* gap = openGap(sbCell, at, n);
    memcpy(gap, from(*sourceCell, 0), (size_t)n * 2);
}

void Java_java_lang_StringBuffer_insert__ILjava_lang_String_2() {
    OBJECT s = popObject();
    int32_t at = popInt();
    OBJECT sb = popObject();
    if (at < 0 || at > bufferCount(sb)) raiseException(StringIndexOutOfBoundsException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    makeTemporaryRoot(&s);
    if (s == nullptr) {
        if (InternedNull == nullptr) InternedNull = internString("null", 4, 1);
        s = (OBJECT)InternedNull;
    }
    insertChars(&sb, at, &s, stringCharsAt, ((StringInstance*)s)->count);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_insert__I_3C() {
    OBJECT array = popObject();
    int32_t at = popInt();
    OBJECT sb = popObject();
    if (array == nullptr) raiseException(NullPointerException);
    if (at < 0 || at > bufferCount(sb)) raiseException(StringIndexOutOfBoundsException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    makeTemporaryRoot(&array);
    insertChars(&sb, at, &array, arrayCharsAt, (int32_t)((ArrayObject*)array)->length);
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_insert__IC() {
    uint16_t c = (uint16_t)popInt();
    int32_t at = popInt();
    OBJECT sb = popObject();
    if (at < 0 || at > bufferCount(sb)) raiseException(StringIndexOutOfBoundsException);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    *openGap(&sb, at, 1) = c;
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}

void Java_java_lang_StringBuffer_reverse() {
    OBJECT sb = popObject();
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&sb);
    unshare(&sb);
    int32_t count = bufferCount(sb);
    uint16_t* c = bufferValue(sb)->u.sdata;
    for (int32_t i = (count - 2) >> 1; i >= 0; i--) {
        uint16_t t = c[i];
        c[i] = c[count - 1 - i];
        c[count - 1 - i] = t;
    }
    TemporaryRootsLength = savedRoots;
    pushObject(sb);
}
