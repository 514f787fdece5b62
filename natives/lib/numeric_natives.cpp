// Float and Double travel on the operand stack as their raw bits, so the conversions only
// move words; the "to bits" directions fold every NaN into the one canonical NaN. Math's
// functions are the C library's on the IEEE double; Random is the 48-bit linear
// congruential generator of Java SE, so that a seed gives Java SE's sequence.
#include "natives/lib/numeric_natives.h"

#include <math.h>
#include <string.h>

#include "natives/lib/nativestack.h"
#include "platform/vmsections.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/romimage.h"
#include "vm/trace/tracelog.h"

void Java_java_lang_Float_floatToIntBits() {
    uint32_t bits = (uint32_t)popInt();
    if ((bits & 0x7FFFFFFFu) > 0x7F800000u) bits = 0x7FC00000u;
    pushInt((int32_t)bits);
}

void Java_java_lang_Float_intBitsToFloat() {
    // the same 32 bits stay on the stack
}

void Java_java_lang_Double_doubleToLongBits() {
    uint64_t bits = (uint64_t)popLong();
    if ((bits & 0x7FFFFFFFFFFFFFFFull) > 0x7FF0000000000000ull) bits = 0x7FF8000000000000ull;
    pushLong((int64_t)bits);
}

void Java_java_lang_Double_longBitsToDouble() {
    // the same 64 bits stay on the stack
}

// A double travels as the two words of its bits.
static inline double popDouble() {
    int64_t bits = popLong();
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

static inline void pushDouble(double d) {
    int64_t bits;
    memcpy(&bits, &d, sizeof bits);
    pushLong(bits);
}

void Java_java_lang_Math_ceil() { pushDouble(ceil(popDouble())); }
void Java_java_lang_Math_floor() { pushDouble(floor(popDouble())); }
void Java_java_lang_Math_sqrt() { pushDouble(sqrt(popDouble())); }
void Java_java_lang_Math_sin() { pushDouble(sin(popDouble())); }
void Java_java_lang_Math_cos() { pushDouble(cos(popDouble())); }
void Java_java_lang_Math_tan() { pushDouble(tan(popDouble())); }

// The 48-bit seed lives in the object's first two int slots: the low word, then the high
// 16 bits.
enum { RANDOM_SEED_LOW_SLOT = 0, RANDOM_SEED_HIGH_SLOT = 1 };
static const uint64_t RandomMask = (1ull << 48) - 1;

static uint64_t randomSeed(OBJECT random) {
    return ((uint64_t)(uint32_t)getIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT) << 32) |
           (uint32_t)getIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT);
}

static int32_t randomNextBits(OBJECT random, int bits) {
    uint64_t seed = (randomSeed(random) * 0x5DEECE66Dull + 0xB) & RandomMask;
    setIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT, (int32_t)(uint32_t)seed);
    setIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT, (int32_t)(uint32_t)(seed >> 32));
    return (int32_t)(uint32_t)(seed >> (48 - bits));
}

void Java_java_util_Random_nativeInit() { popObject(); }

void Java_java_util_Random_setSeed() {
    uint64_t seed = ((uint64_t)popLong() ^ 0x5DEECE66Dull) & RandomMask;
    OBJECT random = popObject();
    setIntFieldByIndex(random, RANDOM_SEED_LOW_SLOT, (int32_t)(uint32_t)seed);
    setIntFieldByIndex(random, RANDOM_SEED_HIGH_SLOT, (int32_t)(uint32_t)(seed >> 32));
}

void Java_java_util_Random_next() {
    int32_t bits = popInt();
    OBJECT random = popObject();
    // Java SE's protected next(bits) takes 1 to 32; outside that the shift is meaningless
    if (bits < 1) bits = 1;
    if (bits > 32) bits = 32;
    pushInt(randomNextBits(random, bits));
}

void Java_java_util_Random_nextInt__() {
    OBJECT random = popObject();
    pushInt(randomNextBits(random, 32));
}

void Java_java_util_Random_nextInt__I() {
    int32_t n = popInt();
    OBJECT random = popObject();
    if (n < 1) raiseException("java/lang/IllegalArgumentException");
    if ((n & -n) == n) {
        pushInt((int32_t)(((int64_t)n * randomNextBits(random, 31)) >> 31));
        return;
    }
    int32_t b, v;
    do {
        b = randomNextBits(random, 31);
        v = b % n;
    } while ((int32_t)((uint32_t)b - (uint32_t)v + (uint32_t)(n - 1)) < 0);
    pushInt(v);
}

void Java_java_util_Random_nextLong() {
    OBJECT random = popObject();
    int64_t high = (int64_t)randomNextBits(random, 32) << 32;
    pushLong(high + (int64_t)randomNextBits(random, 32));
}

// ---------------------------------------------------------------------------------
// StringKeyHashtable: a java/util/Hashtable whose keys are Strings, looked up and filled
// here without a Java call. The table's first three fields and the entry's four are the
// Java classes' own, in declaration order.

enum { TABLE_BUCKETS_SLOT = 0, TABLE_COUNT_SLOT = 1, TABLE_THRESHOLD_SLOT = 2 };
enum { ENTRY_HASH_SLOT = 0, ENTRY_KEY_SLOT = 1, ENTRY_VALUE_SLOT = 2, ENTRY_NEXT_SLOT = 3 };

struct UtilityNativeState {
    ClassRecord* entryClass;  // java/util/HashtableEntry, found on the first insertion
    int32_t ringFieldsKnown;
    int32_t ringReadIndex, ringWriteIndex, ringDataCount, ringCurrentFill, ringBuffer;
};
static VMBSS UtilityNativeState Utility;

static int32_t stringKeyHash(StringInstance* s) {
    const uint16_t* chars = getStringCharsPointer(s);
    uint32_t h = 0;
    for (int32_t i = 0; i < s->count; i++) h = 31 * h + chars[i];
    return (int32_t)h;
}

static bool stringKeyEquals(OBJECT candidate, StringInstance* key) {
    if (candidate == (OBJECT)key) return true;
    if (candidate == nullptr || candidate->clazz != JavaLangString) return false;
    StringInstance* other = (StringInstance*)candidate;
    return other->count == key->count &&
           memcmp(getStringCharsPointer(other), getStringCharsPointer(key), (size_t)key->count * 2) == 0;
}

// The entry of key in table, or null; key is a String and not null.
static OBJECT findStringKey(OBJECT table, StringInstance* key, int32_t hash) {
    ArrayObject* buckets = (ArrayObject*)getObjectFieldByIndex(table, TABLE_BUCKETS_SLOT);
    int32_t index = (int32_t)((uint32_t)(hash & 0x7FFFFFFF) % (uint32_t)getArrayLength(buckets));
    for (OBJECT e = getObjectArrayElement(buckets, index); e != nullptr;
         e = getObjectFieldByIndex(e, ENTRY_NEXT_SLOT)) {
        if (getIntFieldByIndex(e, ENTRY_HASH_SLOT) == hash &&
            stringKeyEquals(getObjectFieldByIndex(e, ENTRY_KEY_SLOT), key))
            return e;
    }
    return nullptr;
}

// A key the table cannot hash: null, or (from nativePut's Object parameter) not a String.
static StringInstance* checkedKey(OBJECT key) {
    if (key == nullptr) raiseException("java/lang/NullPointerException");
    if (key->clazz != JavaLangString) raiseException("java/lang/ClassCastException");
    return (StringInstance*)key;
}

void Java_com_movane_util_StringKeyHashtable_get() {
    OBJECT key = popObject();
    OBJECT table = popObject();
    StringInstance* s = checkedKey(key);
    OBJECT e = findStringKey(table, s, stringKeyHash(s));
    pushObject(e != nullptr ? getObjectFieldByIndex(e, ENTRY_VALUE_SLOT) : nullptr);
}

void Java_com_movane_util_StringKeyHashtable_containsKey() {
    OBJECT key = popObject();
    OBJECT table = popObject();
    StringInstance* s = checkedKey(key);
    OBJECT e = findStringKey(table, s, stringKeyHash(s));
    pushInt(e != nullptr && getObjectFieldByIndex(e, ENTRY_VALUE_SLOT) != nullptr);
}

void Java_com_movane_util_StringKeyHashtable_nativePut() {
    OBJECT value = popObject();
    OBJECT key = popObject();
    OBJECT table = popObject();
    if (value == nullptr) raiseException("java/lang/NullPointerException");
    StringInstance* s = checkedKey(key);
    int32_t hash = stringKeyHash(s);
    OBJECT e = findStringKey(table, s, hash);
    if (e != nullptr) {
        OBJECT old = getObjectFieldByIndex(e, ENTRY_VALUE_SLOT);
        setObjectFieldByIndex(e, ENTRY_VALUE_SLOT, value);
        pushObject(old);
        return;
    }
    // growing the table is the Java class's work
    if (getIntFieldByIndex(table, TABLE_COUNT_SLOT) >= getIntFieldByIndex(table, TABLE_THRESHOLD_SLOT))
        raiseException("java/lang/ArrayIndexOutOfBoundsException");
    if (Utility.entryClass == nullptr) Utility.entryClass = getClass("java/util/HashtableEntry");
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&table);
    makeTemporaryRoot(&key);
    makeTemporaryRoot(&value);
    OBJECT entry = instantiate(Utility.entryClass);
    TemporaryRootsLength = savedRoots;
    // the allocation may have moved everything: read the buckets afresh
    ArrayObject* buckets = (ArrayObject*)getObjectFieldByIndex(table, TABLE_BUCKETS_SLOT);
    int32_t index = (int32_t)((uint32_t)(hash & 0x7FFFFFFF) % (uint32_t)getArrayLength(buckets));
    setIntFieldByIndex(entry, ENTRY_HASH_SLOT, hash);
    setObjectFieldByIndex(entry, ENTRY_KEY_SLOT, key);
    setObjectFieldByIndex(entry, ENTRY_VALUE_SLOT, value);
    setObjectFieldByIndex(entry, ENTRY_NEXT_SLOT, getObjectArrayElement(buckets, index));
    setObjectArrayElement(buckets, index, entry);
    setIntFieldByIndex(table, TABLE_COUNT_SLOT, getIntFieldByIndex(table, TABLE_COUNT_SLOT) + 1);
    pushObject(nullptr);
}

// ---------------------------------------------------------------------------------
// IntRingBuffer: "currentFill" is the ring's modulus, "dataCount" the unread words.

void Java_com_movane_util_IntRingBuffer_initializeFieldIndex() {
    static const char ClassName[] = "com/movane/util/IntRingBuffer";
    ClassRecord* ring = tryGetClass(ClassName);
    if (ring == nullptr) {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Could not get class %s.\n", ClassName);
        fatalError(MessageBuffer);
    }
    Utility.ringReadIndex = getFieldIndex("readIndex", "I", ring);
    Utility.ringWriteIndex = getFieldIndex("writeIndex", "I", ring);
    Utility.ringDataCount = getFieldIndex("dataCount", "I", ring);
    Utility.ringCurrentFill = getFieldIndex("currentFill", "I", ring);
    Utility.ringBuffer = getFieldIndex("buffer", "[I", ring);
    Utility.ringFieldsKnown = 1;
}

static void requireRingFields() {
    if (!Utility.ringFieldsKnown) fatalError("IntRingBuffer used before initializeFieldIndex");
}

void Java_com_movane_util_IntRingBuffer_write5() {
    int32_t values[5];
    for (int32_t i = 4; i >= 0; i--) values[i] = popInt();
    OBJECT ring = popObject();
    if (ring == nullptr) raiseException("java/lang/NullPointerException");
    requireRingFields();
    int32_t w = getIntFieldByIndex(ring, Utility.ringWriteIndex);
    int32_t m = getIntFieldByIndex(ring, Utility.ringCurrentFill);
    ArrayObject* buffer = (ArrayObject*)getObjectFieldByIndex(ring, Utility.ringBuffer);
    if (buffer == nullptr) raiseException("java/lang/NullPointerException");
    int32_t length = getIntArrayLength(buffer);
    if (m <= 0 || w < 0) raiseException("java/lang/ArrayIndexOutOfBoundsException");
    for (int32_t i = 0; i < 5; i++) {
        if (w >= length) {
            setIntFieldByIndex(ring, Utility.ringWriteIndex, w);
            raiseException("java/lang/ArrayIndexOutOfBoundsException");
        }
        setIntArrayElement(buffer, w, values[i]);
        w = (w + 1) % m;
    }
    setIntFieldByIndex(ring, Utility.ringWriteIndex, w);
    setIntFieldByIndex(ring, Utility.ringDataCount, getIntFieldByIndex(ring, Utility.ringDataCount) + 5);
}

void Java_com_movane_util_IntRingBuffer_read() {
    OBJECT ring = popObject();
    requireRingFields();
    int32_t count = getIntFieldByIndex(ring, Utility.ringDataCount);
    if (count < 1) raiseException("java/io/IOException");
    ArrayObject* buffer = (ArrayObject*)getObjectFieldByIndex(ring, Utility.ringBuffer);
    int32_t r = getIntFieldByIndex(ring, Utility.ringReadIndex);
    int32_t m = getIntFieldByIndex(ring, Utility.ringCurrentFill);
    // the Java class keeps readIndex below currentFill; a ring it broke gets an error, not a stray read
    if (buffer == nullptr || m <= 0 || r < 0 || r >= getIntArrayLength(buffer))
        raiseException("java/lang/ArrayIndexOutOfBoundsException");
    int32_t v = getIntArrayElement(buffer, r);
    setIntFieldByIndex(ring, Utility.ringReadIndex, (r + 1) % m);
    setIntFieldByIndex(ring, Utility.ringDataCount, count - 1);
    pushInt(v);
}
