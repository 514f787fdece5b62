// Runtime records of the VM: classes, methods, fields, constant pools, objects,
// threads and frames, exactly as both the class image and the loader lay them out.
// Every record is plain data of 32-bit words; a pointer field is a checked 32-bit
// address in the low window.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "platform/p32.h"

typedef int32_t cell;  // one operand-stack or local word
typedef uint16_t TypeKey;

// A type key: the array depth in the top three bits and, below them, the element's class
// key (256 and up) or primitive letter. Depth 7 means seven or more: such a key is the
// array class's own key with the depth bits set, and names no element.
enum : uint16_t {
    TYPE_KEY_DEPTH_SHIFT = 13,
    TYPE_KEY_BASE_MASK = 0x1FFF,
    TYPE_KEY_ONE_DEEPER = 1 << TYPE_KEY_DEPTH_SHIFT,
    TYPE_KEY_DEEP = 7,  // seven or more dimensions
    TYPE_KEY_DEEP_BITS = TYPE_KEY_DEEP << TYPE_KEY_DEPTH_SHIFT,
};
inline int typeKeyDepth(uint16_t key) { return key >> TYPE_KEY_DEPTH_SHIFT; }
inline uint16_t typeKeyBase(uint16_t key) { return key & TYPE_KEY_BASE_MASK; }
inline TypeKey typeKeyOf(int depth, int base) { return (TypeKey)((depth << TYPE_KEY_DEPTH_SHIFT) + base); }

struct ClassRecord;
struct ArrayClassRecord;
struct MethodRecord;
struct FieldRecord;
struct ThreadRecord;
struct FrameRecord;
struct StackChunk;

struct NameTableEntry {
    P32<NameTableEntry> next;
    uint16_t length;
    uint16_t key;
    char bytes[4];  // length bytes and a NUL
};
static_assert(offsetof(NameTableEntry, bytes) == 8, "NameTableEntry header is two words");

union CpEntry {
    int32_t i;
    uint32_t u;
    P32<ClassRecord> clazz;
    P32<FieldRecord> field;
    P32<MethodRecord> method;
    P32<struct StringInstance> string;
    P32<void> p;
};
static_assert(sizeof(CpEntry) == 4, "constant-pool entries are words");

// entries[0] holds n; entries 1..n-1 follow; n tag bytes lie behind entry n-1.
struct ConstantPool {
    CpEntry entries[1];
};

enum {
    CONSTANT_Integer = 3,
    CONSTANT_Float = 4,
    CONSTANT_Long = 5,
    CONSTANT_Double = 6,
    CONSTANT_Class = 7,
    CONSTANT_String = 8,
    CONSTANT_Fieldref = 9,
    CONSTANT_Methodref = 10,
    CONSTANT_InterfaceMethodref = 11,
    CONSTANT_NameAndType = 12,
    CP_RESOLVED = 0x80,
    CP_TAG_MASK = 0x7F,
};

inline uint8_t* cpTags(ConstantPool* cp) { return (uint8_t*)&cp->entries[cp->entries[0].u]; }

struct FieldRecord {
    uint16_t nameKey;
    TypeKey typeKey;
    uint32_t accessFlags;
    P32<ClassRecord> ofClass;
    union {
        uint32_t offset;          // instance field: slot index
        P32<cell> staticAddress;  // static field: its value word(s)
    } u;
};
static_assert(sizeof(FieldRecord) == 16, "FieldRecord is four words");

struct FieldTable {
    uint32_t length;
    FieldRecord fields[1];
};

struct HandlerEntry {
    uint16_t startPC;
    uint16_t endPC;
    uint16_t handlerPC;
    uint16_t catchType;
};

struct HandlerTable {
    uint32_t length;
    HandlerEntry handlers[1];
};
static_assert(offsetof(HandlerTable, handlers) == 4 && sizeof(HandlerEntry) == 8, "handler table layout");

typedef void (*NativeFunction)();

struct MethodRecord {
    union {
        struct {
            uint16_t nameKey;
            uint16_t typeKey;
        } k;
        uint32_t nameTypeKey;
    } nt;
    union {
        P32<uint8_t> code;
        P32Fn<NativeFunction> native;
    } u;
    P32<HandlerTable> handlers;
    P32<void> stackMaps;
    uint16_t codeLength;
    uint16_t maxStack;
    uint32_t accessFlags;
    P32<ClassRecord> ofClass;
    uint16_t frameSize;
    uint16_t argCount;
};
static_assert(sizeof(MethodRecord) == 32, "MethodRecord is eight words");
static_assert(offsetof(MethodRecord, codeLength) == 16 && offsetof(MethodRecord, accessFlags) == 20 &&
                  offsetof(MethodRecord, ofClass) == 24 && offsetof(MethodRecord, frameSize) == 28,
              "MethodRecord field offsets");

struct MethodTable {
    uint32_t length;
    MethodRecord methods[1];
};

// Called with a cell holding the object that died.
typedef void (*CleanupFunction)(struct Instance** cell);

struct ClassRecord {
    P32<ClassRecord> clazz;
    uint32_t monitor;
    P32<NameTableEntry> packageName;
    P32<NameTableEntry> baseName;
    P32<ClassRecord> next;
    uint16_t accessFlags;
    TypeKey key;
    P32<ClassRecord> superClass;
    P32<ConstantPool> constPool;
    P32<FieldTable> fieldTable;
    P32<MethodTable> methodTable;
    P32<uint16_t> interfaces;
    P32<cell> staticFields;
    uint16_t instSize;
    int16_t status;
    P32<ThreadRecord> initThread;
    P32Fn<CleanupFunction> cleanup;
};
static_assert(sizeof(ClassRecord) == 60, "ClassRecord is 15 words");
static_assert(offsetof(ClassRecord, next) == 16 && offsetof(ClassRecord, accessFlags) == 20 &&
                  offsetof(ClassRecord, superClass) == 24 && offsetof(ClassRecord, instSize) == 48 &&
                  offsetof(ClassRecord, initThread) == 52,
              "ClassRecord field offsets");

struct ArrayClassRecord {
    P32<ClassRecord> clazz;
    uint32_t monitor;
    P32<NameTableEntry> packageName;
    P32<NameTableEntry> baseName;
    P32<ClassRecord> next;
    uint16_t accessFlags;
    TypeKey key;
    union {
        P32<ClassRecord> elemClass;
        uint32_t primType;
    } u;
    uint32_t itemSize;
    uint32_t gcType;
    uint32_t flags;
};
static_assert(sizeof(ArrayClassRecord) == 40, "ArrayClassRecord is 10 words");
static_assert(offsetof(ArrayClassRecord, u) == 24, "ArrayClassRecord shares the first six words");

// Class access flags
enum {
    ACC_PUBLIC = 0x0001,
    ACC_PRIVATE = 0x0002,
    ACC_PROTECTED = 0x0004,
    ACC_STATIC = 0x0008,
    ACC_FINAL = 0x0010,
    ACC_SUPER = 0x0020,
    ACC_SYNCHRONIZED = 0x0020,
    ACC_NATIVE = 0x0100,
    ACC_INTERFACE = 0x0200,
    ACC_ABSTRACT = 0x0400,
    ACC_ARRAY_CLASS = 0x1000,
    ACC_ROM_CLASS = 0x2000,
    ACC_ROM_NON_INIT_CLASS = 0x4000,
    // method flags
    ACC_PREPARED = 0x1000,
    ACC_DOUBLE = 0x4000,   // two-word result or field
    ACC_POINTER = 0x8000,  // reference result or field
};

enum {
    CLASS_RAW = 0,
    CLASS_LOADING = 1,
    CLASS_LOADED = 2,
    CLASS_LINKED = 3,
    CLASS_VERIFIED = 4,
    CLASS_READY = 5,
    CLASS_ERROR = -1,
};

// Primitive type codes of newarray
enum {
    T_BOOLEAN = 4,
    T_CHAR = 5,
    T_FLOAT = 6,
    T_DOUBLE = 7,
    T_BYTE = 8,
    T_SHORT = 9,
    T_INT = 10,
    T_LONG = 11,
};

struct Instance {
    P32<ClassRecord> clazz;
    uint32_t monitor;
    cell data[1];
};
typedef Instance* OBJECT;

struct ArrayObject {
    P32<ClassRecord> clazz;
    uint32_t monitor;
    uint32_t length;
    union {
        cell cdata[1];
        int8_t bdata[4];
        uint16_t sdata[2];
        P32<Instance> odata[1];
    } u;
};
static_assert(offsetof(ArrayObject, u) == 12, "array elements follow the length word");

struct StringInstance {
    P32<ClassRecord> clazz;
    uint32_t monitor;
    P32<ArrayObject> value;
    int32_t offset;
    int32_t count;
    P32<StringInstance> next;  // interned strings only
};
static_assert(sizeof(StringInstance) == 24, "interned string record is six words");

struct StackChunk {
    P32<StackChunk> next;
    int32_t size;
    cell data[1];
};

struct FrameRecord {
    P32<FrameRecord> previousFp;
    P32<uint8_t> previousIp;
    P32<cell> previousSp;
    P32<MethodRecord> thisMethod;
    P32<StackChunk> stack;
    P32<Instance> syncObject;
};
static_assert(sizeof(FrameRecord) == 24, "FrameRecord is six words");
enum { SIZEOF_FRAME_WORDS = 6 };

// A thread's bottom frame returns into no frame: it was pushed with this mark as the
// caller's ip, and its synchronisation slot is never null (the mark itself when the
// method is not synchronized), so that its return ends the thread.
enum : uintptr_t { BOTTOM_FRAME_MARK = 1 };
inline uint8_t* bottomFrameIp() { return (uint8_t*)BOTTOM_FRAME_MARK; }
inline OBJECT bottomFrameWithoutMonitor() { return (OBJECT)BOTTOM_FRAME_MARK; }
inline bool isBottomFrame(const FrameRecord* frame) {
    return frame->syncObject != nullptr && frame->previousIp == bottomFrameIp();
}

struct ThreadRecord {
    P32<ThreadRecord> nextAliveThread;
    P32<ThreadRecord> nextThread;
    P32<Instance> javaThread;
    int32_t timeslice;
    P32<StackChunk> stack;
    P32<uint8_t> ipStore;
    P32<FrameRecord> fpStore;
    P32<cell> spStore;
    P32<cell> nativeLp;
    P32<struct MonitorRecord> monitor;
    int32_t monitorDepth;
    P32<ThreadRecord> nextAlarmThread;
    uint32_t wakeupTime[2];
    P32Fn<void (*)(ThreadRecord*)> wakeupCall;
    int32_t extendedLockDepth;
    uint32_t extendedLockHash;
    P32<const char> pendingException;
    uint32_t reserved;
    int32_t state;
    int32_t isPendingInterrupt;
    uint32_t scheduling;
};
static_assert(sizeof(ThreadRecord) == 88, "ThreadRecord is 22 words");
static_assert(offsetof(ThreadRecord, state) == 76 && offsetof(ThreadRecord, pendingException) == 68,
              "ThreadRecord word order");

enum {
    THREAD_JUST_BORN = 1,
    THREAD_ACTIVE = 2,
    THREAD_SUSPENDED = 4,
    THREAD_DEAD = 8,
    THREAD_MONITOR_WAIT = 16,
    THREAD_CONVAR_WAIT = 32,
};

struct MonitorRecord {
    P32<ThreadRecord> owner;
    P32<ThreadRecord> monitorWaitQ;
    P32<ThreadRecord> condvarWaitQ;
    uint32_t hashCode;
    int32_t depth;
};
static_assert(sizeof(MonitorRecord) == 20, "MonitorRecord is five words");

// A catch frame lives in the C frame that opened it and links to its opener's caller:
// its pointers are native ones, never stored in a word.
struct CatchFrame {
    void* jumpBuffer;
    OBJECT throwable;
    int32_t tempRootCount;
    CatchFrame* previous;
};
static_assert(offsetof(CatchFrame, throwable) < offsetof(CatchFrame, tempRootCount) &&
                  offsetof(CatchFrame, tempRootCount) < offsetof(CatchFrame, previous),
              "CatchFrame keeps its field order");

// Layouts from the records: sizes in words and the word a field starts at, so that a
// moved field or a changed record cannot silently leave a counted offset behind.
#define RECORD_WORD(Record, field) ((uint32_t)(offsetof(Record, field) / sizeof(uint32_t)))
template <typename Record>
constexpr uint32_t recordWords() {
    static_assert(sizeof(Record) % sizeof(uint32_t) == 0, "records are whole words");
    return (uint32_t)(sizeof(Record) / sizeof(uint32_t));
}
// Tables: a length word, then n records; the word of record i is the table's words of i.
constexpr uint32_t methodTableWords(uint32_t n) {
    return (uint32_t)((offsetof(MethodTable, methods) + n * sizeof(MethodRecord)) / sizeof(uint32_t));
}
constexpr uint32_t fieldTableWords(uint32_t n) {
    return (uint32_t)((offsetof(FieldTable, fields) + n * sizeof(FieldRecord)) / sizeof(uint32_t));
}
constexpr uint32_t handlerTableWords(uint32_t n) {
    return (uint32_t)((offsetof(HandlerTable, handlers) + n * sizeof(HandlerEntry)) / sizeof(uint32_t));
}
// n entries (entry 0 holds n), then n tag bytes.
constexpr uint32_t constantPoolWords(uint32_t n) { return n + (n + 3) / 4; }
// A count, then n constant-pool indexes, all 16-bit.
constexpr uint32_t interfaceTableWords(uint32_t n) { return (n + 2) / 2; }
// The header, the bytes and their NUL.
constexpr uint32_t nameEntryWords(uint32_t length) {
    return (uint32_t)((offsetof(NameTableEntry, bytes) + length + 1 + 3) / sizeof(uint32_t));
}
constexpr uint32_t codeWords(uint32_t bytes) { return bytes == 0 ? 1 : (bytes + 3) / 4; }
static_assert(methodTableWords(1) == 9 && fieldTableWords(1) == 5 && handlerTableWords(1) == 3,
              "tables are a length word and their records");
static_assert(recordWords<ClassRecord>() == 15 && recordWords<ArrayClassRecord>() == 10, "class record words");

inline bool isArrayClass(const ClassRecord* c) { return (c->accessFlags & ACC_ARRAY_CLASS) != 0; }
inline ArrayClassRecord* asArrayClass(ClassRecord* c) { return (ArrayClassRecord*)c; }
inline ClassRecord* asClass(ArrayClassRecord* c) { return (ClassRecord*)c; }
