// The converter natives: argument checks around the converters of sjis.h and charsets.h.
// The converters never allocate, so the array pointers stay good for the whole call.
#include "natives/lib/i18n_natives.h"

#include "natives/lib/charcodes.h"
#include "natives/lib/charsets.h"
#include "natives/lib/nativestack.h"
#include "natives/lib/sjis.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"

static bool rangesOk(ArrayObject* src, int32_t srcStart, int32_t srcEnd, ArrayObject* dst, int32_t dstStart,
                     int32_t dstEnd) {
    return src != nullptr && dst != nullptr && srcStart >= 0 && dstStart >= 0 && srcEnd <= getArrayLength(src) &&
           dstEnd <= getArrayLength(dst) && srcStart < srcEnd && dstStart < dstEnd;
}

static cell* countSlot(ArrayObject* count) {
    if (count == nullptr) raiseException(NullPointerException);
    if (getArrayLength(count) < 1) raiseException(ArrayIndexOutOfBoundsException);
    return getIntArrayData(count);
}

// convert(byte[] src, int srcStart, int srcEnd, char[] dst, int dstStart, int dstEnd,
//         int[] count, byte[] carry): count[0] gets the position reached in dst.
static void readerConvert(ByteConverter decoder, int32_t carrySize) {
    ArrayObject* carry = (ArrayObject*)popObject();
    ArrayObject* count = (ArrayObject*)popObject();
    int32_t dstEnd = popInt();
    int32_t dstStart = popInt();
    ArrayObject* dst = (ArrayObject*)popObject();
    int32_t srcEnd = popInt();
    int32_t srcStart = popInt();
    ArrayObject* src = (ArrayObject*)popObject();
    popObject();
    if (!rangesOk(src, srcStart, srcEnd, dst, dstStart, dstEnd)) {
        pushInt(0);
        return;
    }
    cell* out = countSlot(count);
    uint8_t* held = nullptr;
    if (carry != nullptr) {
        if (getArrayLength(carry) < carrySize) raiseException(ArrayIndexOutOfBoundsException);
        held = (uint8_t*)getByteArrayData(carry);
    }
    uint32_t pos = 0;
    int32_t r = decoder((const uint8_t*)getByteArrayData(src), srcStart, srcEnd, getShortArrayData(dst), dstStart,
                        dstEnd, &pos, held, nullptr, CHARCONV_SUBSTITUTE);
    if (r >= 0) *out = (cell)pos;
    pushInt(r);
}

// convert(char[] src, int srcStart, int srcEnd, byte[] dst, int dstStart, int dstEnd, int[] count)
static void writerConvert(CharConverter encoder) {
    ArrayObject* count = (ArrayObject*)popObject();
    int32_t dstEnd = popInt();
    int32_t dstStart = popInt();
    ArrayObject* dst = (ArrayObject*)popObject();
    int32_t srcEnd = popInt();
    int32_t srcStart = popInt();
    ArrayObject* src = (ArrayObject*)popObject();
    popObject();
    if (!rangesOk(src, srcStart, srcEnd, dst, dstStart, dstEnd)) {
        pushInt(0);
        return;
    }
    cell* out = countSlot(count);
    uint32_t pos = 0;
    int32_t r = encoder(getShortArrayData(src), srcStart, srcEnd, (uint8_t*)getByteArrayData(dst), dstStart, dstEnd,
                        &pos, nullptr, CHARCONV_SUBSTITUTE);
    *out = (cell)pos;
    pushInt(r);
}

// sizeOf(array, int off, int len): a bound on the output of len units from off.
static ArrayObject* popSizeArguments(int32_t* off, int32_t* len) {
    *len = popInt();
    *off = popInt();
    ArrayObject* src = (ArrayObject*)popObject();
    popObject();
    if (*len <= 0) return nullptr;
    if (src == nullptr) raiseException(NullPointerException);
    if (*off < 0 || *len > getArrayLength(src) - *off) raiseException(ArrayIndexOutOfBoundsException);
    return src;
}

void Java_com_movane_util_i18n_SJIS_Reader_convert() { readerConvert(convertSjisToUnicode, 1); }
void Java_com_movane_util_i18n_SJIS_Writer_convert() { writerConvert(convertUnicodeToSjis); }
void Java_com_movane_util_i18n_UTF8_Reader_convert() { readerConvert(convertUtf8ToUnicodeJava, UTF8_CARRY_SIZE); }
void Java_com_movane_util_i18n_UTF8_Writer_convert() { writerConvert(convertUnicodeToUtf8Java); }
void Java_com_movane_util_i18n_ISO8859_1_Reader_convert() { readerConvert(convertLatin1ToUnicode, 0); }
void Java_com_movane_util_i18n_ISO8859_1_Writer_convert() { writerConvert(convertUnicodeToLatin1); }

void Java_com_movane_util_i18n_SJIS_Reader_sizeOf() {
    int32_t off, len;
    ArrayObject* src = popSizeArguments(&off, &len);
    pushInt(src == nullptr ? 0 : sjisCharCount((const uint8_t*)getByteArrayData(src), off, off + len));
}

void Java_com_movane_util_i18n_SJIS_Writer_sizeOf() {
    int32_t off, len;
    ArrayObject* src = popSizeArguments(&off, &len);
    pushInt(src == nullptr ? 0 : sjisByteLength(getShortArrayData(src), off, off + len));
}

// A UTF-8 or Latin-1 text has no more characters than bytes.
void Java_com_movane_util_i18n_UTF8_Reader_sizeOf() {
    int32_t off, len;
    pushInt(popSizeArguments(&off, &len) == nullptr ? 0 : len);
}

void Java_com_movane_util_i18n_UTF8_Writer_sizeOf() {
    int32_t off, len;
    ArrayObject* src = popSizeArguments(&off, &len);
    pushInt(src == nullptr ? 0 : utf8ByteLength(getShortArrayData(src), off, off + len));
}

void Java_com_movane_util_i18n_ISO8859_1_Reader_sizeOf() {
    int32_t off, len;
    pushInt(popSizeArguments(&off, &len) == nullptr ? 0 : len);
}

void Java_com_movane_util_i18n_ISO8859_1_Writer_sizeOf() {
    int32_t off, len;
    pushInt(popSizeArguments(&off, &len) == nullptr ? 0 : len);
}
