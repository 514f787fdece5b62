// The class-file loader and linker. Every count, length and index of the class file is
// checked before it is used; reads past the end of the data are refused by the stream.
// Tables that outlive the load go to permanent space; the UTF-8 texts of the file are
// temporary heap objects reached through the utf8 table, a temporary root.
#include "vm/loader/classloader.h"

#include <stdio.h>
#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/stackguard.h"
#include "vm/core/tables.h"
#include "vm/core/utf.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/loader/jar.h"
#include "vm/loader/registries.h"
#include "vm/trace/tracelog.h"

VMBSS int32_t classNotFoundMode;

enum {
    CONSTANT_Utf8 = 1,
    CLASS_FLAGS_MASK = 0x0631,
    FIELD_FLAGS_MASK = 0x00DF,
    METHOD_FLAGS_MASK = 0x0D3F,
    ACC_VOLATILE = 0x0040,
    ACC_STRICT = 0x0800,
    ACC_NATIVE_FOUND = 0x80000,
    RESULT_VOID = ACC_DOUBLE | ACC_POINTER,
};

// The state of reading one class file. Reading never loads another class, so one
// reader at a time is live; its heap objects are temporary roots.
struct ClassReader {
    ClassRecord* clazz;
    ClassFileStream* stream;
    cell* utf8Table;  // word 0 the file's pool count, then per index a text or 0
    uint8_t* raw;     // a word per pool index, then a tag byte per index
    int32_t count;    // the file's pool count
};

[[noreturn]] static void formatError(const char* message) { raiseExceptionWithMessage(ClassFormatError, message); }

static inline uint32_t* rawValues(ClassReader* r) { return (uint32_t*)r->raw; }
static inline uint8_t* rawTags(ClassReader* r) { return r->raw + 4 * r->count; }

static inline int32_t readU1(ClassReader* r) { return readStreamByte(r->stream); }
static inline int32_t readU2(ClassReader* r) { return readStreamU16(r->stream); }
static inline uint32_t readU4(ClassReader* r) { return (uint32_t)readStreamU32(r->stream); }

// Skips an attribute body; a length beyond what any stream can hold passes its end.
static void skipBody(ClassReader* r, uint32_t length) {
    if (length > 0x7FFFFFFF) formatError("Class file size does not match");
    skipStreamBytes(r->stream, (int32_t)length);
}

// ---------------------------------------------------------------------------------
// Names and descriptors

// Walks a name; answers where it ends, or null when it ends at its first character.
static const char* scanName(const char* p, bool slashAllowed) {
    const char* start = p;
    bool afterSlash = false;
    for (;;) {
        unsigned char c = (unsigned char)*p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$') {
            p++;
        } else if (c >= '0' && c <= '9') {
            if (p == start) break;
            p++;
        } else if (c == '/' && slashAllowed) {
            if (p == start || afterSlash) break;
            p++;
            afterSlash = true;
            continue;
        } else if (c >= 0x80) {
            utf2unicode(&p);
        } else {
            break;
        }
        afterSlash = false;
    }
    return p == start ? nullptr : p;
}

// One field descriptor at p; answers where it ends, or null.
static const char* scanFieldType(const char* p, bool voidAllowed) {
    int dimensions = 0;
    while (*p == '[') {
        if (++dimensions > MAX_ARRAY_DIMENSIONS) return nullptr;
        p++;
    }
    switch (*p) {
        case 'B':
        case 'C':
        case 'D':
        case 'F':
        case 'I':
        case 'J':
        case 'S':
        case 'Z':
            return p + 1;
        case 'V':
            return voidAllowed && dimensions == 0 ? p + 1 : nullptr;
        case 'L': {
            const char* end = scanName(p + 1, true);
            return end != nullptr && *end == ';' ? end + 1 : nullptr;
        }
        default:
            return nullptr;
    }
}

bool verifyName(const char* name, int kind) {
    if (name == nullptr || name[0] == 0) return false;
    if (name[0] == '<')
        return kind == NAME_KIND_METHOD && (strcmp(name, "<init>") == 0 || strcmp(name, "<clinit>") == 0);
    const char* end;
    if (kind == NAME_KIND_CLASS && name[0] == '[')
        end = scanFieldType(name, false);
    else
        end = scanName(name, kind == NAME_KIND_CLASS);
    return end != nullptr && *end == 0;
}

char* replaceLetters(char* text, char from, char to) {
    for (char* p = text; *p; p++) {
        if (*p == from) *p = to;
    }
    return text;
}

static bool isFieldDescriptor(const char* type) {
    const char* end = scanFieldType(type, false);
    return end != nullptr && *end == 0;
}

// Argument words of a method descriptor (D and J count two), or -1 when it is not one.
static int methodArgumentWords(const char* name, const char* type) {
    const char* p = type;
    if (*p++ != '(') return -1;
    int words = 0;
    while (*p != ')') {
        const char* end = scanFieldType(p, false);
        if (end == nullptr) return -1;
        words += (*p == 'D' || *p == 'J') ? 2 : 1;
        p = end;
    }
    p++;
    if (name[0] == '<') return strcmp(p, "V") == 0 ? words : -1;
    const char* end = scanFieldType(p, true);
    return end != nullptr && *end == 0 ? words : -1;
}

static int requireMethodSignature(const char* name, const char* type) {
    int words = methodArgumentWords(name, type);
    if (words < 0) formatError("Bad method signature");
    return words;
}

// "Bad Utf8 string": no NUL, no lone continuation or four-byte lead, no short sequence.
static bool isValidUtf8(const uint8_t* s, int length) {
    int i = 0;
    while (i < length) {
        uint8_t c = s[i];
        if (c == 0) return false;
        if (c < 0x80) {
            i++;
            continue;
        }
        if (c < 0xC0 || c >= 0xF0) return false;
        int follow = c < 0xE0 ? 1 : 2;
        if (i + follow >= length) return false;
        for (int k = 1; k <= follow; k++) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
        }
        i += follow + 1;
    }
    return true;
}

// ---------------------------------------------------------------------------------
// Constant pool

// The text of a Utf8 entry of the file ("Bad Utf8 index" for any other index).
static const char* poolUtf8At(ClassReader* r, uint32_t index) {
    if (index == 0 || index >= (uint32_t)r->count || r->utf8Table[index] == 0) formatError("Bad Utf8 index");
    return p32Ptr<const char>(r->utf8Table[index]);
}

// Checks an index into the built pool and the kind of its entry.
static void requirePoolEntry(ConstantPool* cp, uint32_t index, int tag) {
    if (index >= cp->entries[0].u) formatError("Bad constant index");
    if ((cpTags(cp)[index] & CP_TAG_MASK) != tag) formatError("Bad constant tag");
}

static void checkMagicAndVersion(ClassReader* r) {
    if (readU4(r) != 0xCAFEBABE) formatError("Bad magic value");
    readU2(r);
    int32_t major = readU2(r);
    if (major < 45 || major > 48) formatError("Bad version information");
}

// First pass: the raw values and tags, and the Utf8 texts. Answers the built pool's
// entry count: one past the last entry that is not Utf8.
static int32_t readRawPool(ClassReader* r) {
    int32_t n = r->count;
    int32_t last = 0;
    for (int32_t i = 1; i < n; i++) {
        int32_t tag = readU1(r);
        switch (tag) {
            case CONSTANT_Utf8: {
                int32_t length = readU2(r);
                char* text = mallocBytes(length + 1);
                // The table functions walk a text while they allocate, which may compact:
                // the texts stay put until the reader lets them go.
                lockObjectMemory(text);
                r->utf8Table[i] = p32Cell(text);
                readStreamBytes(r->stream, text, length);
                text[length] = 0;
                if (!isValidUtf8((const uint8_t*)text, length)) formatError("Bad Utf8 string");
                break;
            }
            case CONSTANT_Integer:
            case CONSTANT_Float:
                rawValues(r)[i] = readU4(r);
                break;
            case CONSTANT_Long:
            case CONSTANT_Double:
                if (i + 1 >= n) formatError("Bad 64-bit constant");
                rawValues(r)[i] = readU4(r);
                rawValues(r)[i + 1] = readU4(r);
                rawTags(r)[i] = (uint8_t)tag;
                rawTags(r)[++i] = 0;
                last = i;
                continue;
            case CONSTANT_Class:
            case CONSTANT_String:
                rawValues(r)[i] = (uint32_t)readU2(r);
                break;
            case CONSTANT_Fieldref:
            case CONSTANT_Methodref:
            case CONSTANT_InterfaceMethodref:
            case CONSTANT_NameAndType: {
                uint32_t first = (uint32_t)readU2(r);
                rawValues(r)[i] = first | ((uint32_t)readU2(r) << 16);
                break;
            }
            default:
                formatError("Invalid constant pool entry");
        }
        rawTags(r)[i] = (uint8_t)tag;
        if (tag != CONSTANT_Utf8) last = i;
    }
    return last + 1;
}

// Second pass: the pool as the VM keeps it.
static void fillPool(ClassReader* r, ConstantPool* cp) {
    int32_t n = r->count;
    int32_t m = (int32_t)cp->entries[0].u;
    uint8_t* tags = cpTags(cp);
    // texts of a name-and-type entry live across the allocations of the key tables
    int32_t savedRoots = TemporaryRootsLength;
    const char* name = nullptr;
    const char* type = nullptr;
    makeTemporaryRoot(&name);
    makeTemporaryRoot(&type);
    for (int32_t i = 1; i < m; i++) {
        uint8_t tag = rawTags(r)[i];
        uint32_t value = rawValues(r)[i];
        switch (tag) {
            case CONSTANT_Integer:
            case CONSTANT_Float:
                cp->entries[i].u = value;
                break;
            case CONSTANT_Long:
            case CONSTANT_Double:
                cp->entries[i].u = value;
                cp->entries[i + 1].u = rawValues(r)[i + 1];
                tags[i] = tag;
                i++;
                continue;
            case CONSTANT_Class: {
                const char* className = poolUtf8At(r, value);
                if (!verifyName(className, NAME_KIND_CLASS)) formatError("Bad class, field or method name");
                cp->entries[i].clazz = getRawClassX(className, 0, (int)strlen(className));
                break;
            }
            case CONSTANT_String: {
                const char* text = poolUtf8At(r, value);
                cp->entries[i].string = internString(text, (int)strlen(text), 1);
                break;
            }
            case CONSTANT_Fieldref:
            case CONSTANT_Methodref:
            case CONSTANT_InterfaceMethodref: {
                uint32_t classIndex = value & 0xFFFF;
                uint32_t nameTypeIndex = value >> 16;
                if (classIndex >= (uint32_t)n || rawTags(r)[classIndex] != CONSTANT_Class ||
                    nameTypeIndex >= (uint32_t)n || rawTags(r)[nameTypeIndex] != CONSTANT_NameAndType)
                    formatError("Bad field or method reference");
                uint32_t nameType = rawValues(r)[nameTypeIndex];
                const char* memberName = poolUtf8At(r, nameType & 0xFFFF);
                const char* memberType = poolUtf8At(r, nameType >> 16);
                if ((memberType[0] == '(') != (tag != CONSTANT_Fieldref) ||
                    (tag != CONSTANT_Fieldref && strcmp(memberName, "<clinit>") == 0))
                    formatError("Bad name/type reference");
                if (loadingFromAppJar) checkInternalPackage(poolUtf8At(r, rawValues(r)[classIndex]));
                cp->entries[i].u = value;
                break;
            }
            case CONSTANT_NameAndType: {
                name = poolUtf8At(r, value & 0xFFFF);
                type = poolUtf8At(r, value >> 16);
                uint16_t typeKey;
                if (type[0] == '(') {
                    if (!verifyName(name, NAME_KIND_METHOD)) formatError("Bad class, field or method name");
                    requireMethodSignature(name, type);
                    typeKey = changeMethodSignatureToKey(type, 0, (int)strlen(type));
                } else {
                    if (!verifyName(name, NAME_KIND_FIELD)) formatError("Bad class, field or method name");
                    if (!isFieldDescriptor(type)) formatError("Bad field signature");
                    typeKey = changeFieldSignatureToKey(type, 0, (int)strlen(type));
                }
                cp->entries[i].u = changeNameToKey(name, (int)strlen(name)) | ((uint32_t)typeKey << 16);
                break;
            }
            default:  // Utf8: stored as 0 with tag 0
                continue;
        }
        tags[i] = tag;
    }
    TemporaryRootsLength = savedRoots;
}

static void readConstantPool(ClassReader* r) {
    int32_t n = readU2(r);
    r->count = n;
    r->raw = (uint8_t*)mallocBytes(5 * n);
    memset(r->raw, 0, (size_t)(5 * n));
    r->utf8Table = callocObject(n + 1, GCT_POINTERLIST);
    r->utf8Table[0] = n;
    int32_t m = readRawPool(r);
    ConstantPool* cp = (ConstantPool*)callocPermanentObject(constantPoolWords(m));
    cp->entries[0].u = (uint32_t)m;
    r->clazz->constPool = cp;
    fillPool(r, cp);
}

// ---------------------------------------------------------------------------------
// Class information and interfaces

static void requireClassFlags(uint32_t flags) {
    bool bad = (flags & ACC_INTERFACE) ? (!(flags & ACC_ABSTRACT) || (flags & ACC_FINAL))
                                       : ((flags & ACC_FINAL) && (flags & ACC_ABSTRACT));
    if (bad) formatError("Bad class access flags");
}

static void readClassInfo(ClassReader* r) {
    ClassRecord* clazz = r->clazz;
    ConstantPool* cp = clazz->constPool;
    uint32_t flags = (uint32_t)readU2(r) & CLASS_FLAGS_MASK;
    requireClassFlags(flags);
    clazz->accessFlags = (uint16_t)flags;
    uint32_t thisIndex = (uint32_t)readU2(r);
    requirePoolEntry(cp, thisIndex, CONSTANT_Class);
    if (cp->entries[thisIndex].clazz != clazz) raiseException(NoClassDefFoundError);
    uint32_t superIndex = (uint32_t)readU2(r);
    if (superIndex == 0) {
        clazz->superClass = nullptr;
    } else {
        requirePoolEntry(cp, superIndex, CONSTANT_Class);
        clazz->superClass = cp->entries[superIndex].clazz;
    }
}

static void readInterfaces(ClassReader* r) {
    int32_t count = readU2(r);
    if (count == 0) return;
    uint16_t* table = (uint16_t*)callocPermanentObject(interfaceTableWords(count));
    table[0] = (uint16_t)count;
    r->clazz->interfaces = table;
    for (int32_t i = 1; i <= count; i++) {
        uint32_t index = (uint32_t)readU2(r);
        requirePoolEntry(r->clazz->constPool, index, CONSTANT_Class);
        table[i] = (uint16_t)index;
    }
}

// Attributes whose content is not used: each name must be a Utf8 entry.
static void skipAttributes(ClassReader* r) {
    int32_t count = readU2(r);
    for (int32_t i = 0; i < count; i++) {
        poolUtf8At(r, (uint32_t)readU2(r));
        skipBody(r, readU4(r));
    }
}

// ---------------------------------------------------------------------------------
// Fields

static int countBits3(uint32_t flags) {
    return ((flags & ACC_PUBLIC) ? 1 : 0) + ((flags & ACC_PRIVATE) ? 1 : 0) + ((flags & ACC_PROTECTED) ? 1 : 0);
}

static void requireFieldFlags(uint32_t flags, bool inInterface) {
    bool bad = inInterface ? flags != (ACC_PUBLIC | ACC_STATIC | ACC_FINAL)
                           : countBits3(flags) > 1 || ((flags & ACC_FINAL) && (flags & ACC_VOLATILE));
    if (bad) formatError("Bad field access flags");
}

// The pool index of a static field's ConstantValue, or 0.
static uint32_t readConstantValue(ClassReader* r) {
    uint32_t constant = 0;
    bool seen = false;
    int32_t count = readU2(r);
    for (int32_t i = 0; i < count; i++) {
        const char* name = poolUtf8At(r, (uint32_t)readU2(r));
        uint32_t length = readU4(r);
        if (strcmp(name, "ConstantValue") != 0) {
            skipBody(r, length);
            continue;
        }
        if (length != 2) formatError("Bad ConstantValue length");
        if (seen) formatError("Duplicate ConstantValue attribute");
        seen = true;
        constant = (uint32_t)readU2(r);
        if (constant == 0) formatError("Bad constant index");
    }
    return constant;
}

// The static-field block: the count of reference statics, the reference statics, then
// the others (two words for long and double), each group in field order.
static void makeStaticBlock(ClassRecord* clazz, int32_t references, int32_t otherWords) {
    ConstantPool* cp = clazz->constPool;
    cell* block = callocPermanentObject(references + otherWords + 1);
    block[0] = references;
    cell* nextReference = block + 1;
    cell* nextOther = block + 1 + references;
    FieldTable* table = clazz->fieldTable;
    for (uint32_t i = 0; i < table->length; i++) {
        FieldRecord* f = &table->fields[i];
        if (!(f->accessFlags & ACC_STATIC)) continue;
        uint32_t constant = f->u.offset;
        cell* value;
        if (f->accessFlags & ACC_POINTER) {
            value = nextReference++;
            if (constant != 0) {
                requirePoolEntry(cp, constant, CONSTANT_String);
                *value = p32Cell(cp->entries[constant].string);
            }
        } else {
            value = nextOther;
            nextOther += (f->accessFlags & ACC_DOUBLE) ? 2 : 1;
            if (constant != 0) {
                int tag;
                switch (f->typeKey) {
                    case 'B':
                    case 'C':
                    case 'I':
                    case 'S':
                    case 'Z':
                        tag = CONSTANT_Integer;
                        break;
                    case 'F':
                        tag = CONSTANT_Float;
                        break;
                    case 'J':
                        tag = CONSTANT_Long;
                        break;
                    case 'D':
                        tag = CONSTANT_Double;
                        break;
                    default:
                        formatError("Bad signature found");
                }
                requirePoolEntry(cp, constant, tag);
                if (f->accessFlags & ACC_DOUBLE) {
                    // the pool keeps the high word first, a value in memory the low word
                    value[0] = cp->entries[constant + 1].i;
                    value[1] = cp->entries[constant].i;
                } else {
                    value[0] = cp->entries[constant].i;
                }
            }
        }
        f->u.staticAddress = value;
    }
    // Published only now: the collector reads every static through its address, and a
    // field still holding its pool index (a later one failed) is no address.
    clazz->staticFields = block;
}

static void readFields(ClassReader* r) {
    ClassRecord* clazz = r->clazz;
    int32_t count = readU2(r);
    if (count == 0) return;
    FieldTable* table = (FieldTable*)callocPermanentObject(fieldTableWords(count));
    table->length = (uint32_t)count;
    clazz->fieldTable = table;
    bool inInterface = (clazz->accessFlags & ACC_INTERFACE) != 0;
    int32_t references = 0;
    int32_t otherWords = 0;
    int32_t savedRoots = TemporaryRootsLength;
    const char* name = nullptr;
    const char* type = nullptr;
    makeTemporaryRoot(&name);
    makeTemporaryRoot(&type);
    for (int32_t i = 0; i < count; i++) {
        uint32_t flags = (uint32_t)readU2(r) & FIELD_FLAGS_MASK;
        name = poolUtf8At(r, (uint32_t)readU2(r));
        type = poolUtf8At(r, (uint32_t)readU2(r));
        requireFieldFlags(flags, inInterface);
        if (!verifyName(name, NAME_KIND_FIELD)) formatError("Bad class, field or method name");
        if (!isFieldDescriptor(type)) formatError("Bad field signature");
        FieldRecord* f = &table->fields[i];
        f->nameKey = changeNameToKey(name, (int)strlen(name));
        f->typeKey = changeFieldSignatureToKey(type, 0, (int)strlen(type));
        bool twoWords = type[0] == 'D' || type[0] == 'J';
        bool reference = type[0] == 'L' || type[0] == '[';
        f->accessFlags = flags | (twoWords ? ACC_DOUBLE : 0) | (reference ? ACC_POINTER : 0);
        f->ofClass = clazz;
        if (flags & ACC_STATIC) {
            f->u.offset = readConstantValue(r);
            if (reference)
                references++;
            else
                otherWords += twoWords ? 2 : 1;
        } else {
            skipAttributes(r);
        }
    }
    TemporaryRootsLength = savedRoots;
    if (references + otherWords > 0) makeStaticBlock(clazz, references, otherWords);
    for (int32_t i = 0; i < count; i++) {
        FieldRecord* a = &table->fields[i];
        for (int32_t j = i + 1; j < count; j++) {
            FieldRecord* b = &table->fields[j];
            if (a->nameKey == b->nameKey && a->typeKey == b->typeKey) formatError("Duplicate field found");
        }
    }
}

// ---------------------------------------------------------------------------------
// Methods

static void requireMethodFlags(uint32_t flags, const char* name, bool inInterface) {
    bool bad = countBits3(flags) > 1;
    if (inInterface) {
        bad = bad || (flags & (ACC_ABSTRACT | ACC_STATIC | ACC_PUBLIC)) != (ACC_ABSTRACT | ACC_PUBLIC);
    } else if (flags & ACC_ABSTRACT) {
        bad = bad || (flags & (ACC_PRIVATE | ACC_STATIC | ACC_FINAL | ACC_SYNCHRONIZED | ACC_NATIVE | ACC_STRICT)) != 0;
    }
    if (strcmp(name, "<init>") == 0)
        bad = bad || (flags & ~(uint32_t)(ACC_PUBLIC | ACC_PRIVATE | ACC_PROTECTED | ACC_STRICT)) != 0;
    if (bad) formatError("Bad method access flags");
}

// Reads one StackMap frame list (locals or stack) into the scratch array from *n on.
static uint32_t readStackMapItems(ClassReader* r, MethodRecord* m, uint16_t* scratch, int32_t* n, int32_t limit) {
    ConstantPool* cp = r->clazz->constPool;
    int32_t countAt = (*n)++;
    int32_t stored = 0;
    uint32_t consumed = 2;
    int32_t items = readU2(r);
    for (int32_t j = 0; j < items; j++) {
        int32_t item = readU1(r);
        consumed++;
        if (item > ITEM_NewObject) formatError("Bad stack map");
        int32_t words = (item == ITEM_Long || item == ITEM_Double) ? 2 : 1;
        if (stored + words > limit) formatError("Bad stack map");
        uint16_t type = (uint16_t)item;
        if (item == ITEM_Object) {
            uint32_t index = (uint32_t)readU2(r);
            consumed += 2;
            requirePoolEntry(cp, index, CONSTANT_Class);
            type = cp->entries[index].clazz->key;
        } else if (item == ITEM_NewObject) {
            uint32_t offset = (uint32_t)readU2(r);
            consumed += 2;
            if (offset >= m->codeLength) formatError("Bad NewObject");
            type = newObjectType(offset);
        }
        scratch[(*n)++] = type;
        if (item == ITEM_Long) scratch[(*n)++] = ITEM_Long_2;
        if (item == ITEM_Double) scratch[(*n)++] = ITEM_Double_2;
        stored += words;
    }
    scratch[countAt] = (uint16_t)stored;
    return consumed;
}

// Reads the StackMap attribute into the method's StackMapTable; answers the bytes read.
static uint32_t readStackMaps(ClassReader* r, MethodRecord* m) {
    int32_t savedRoots = TemporaryRootsLength;
    int32_t k = readU2(r);
    StackMapTable* table = (StackMapTable*)callocObject(2 * k + 1, GCT_POINTERLIST);
    uint16_t* scratch = nullptr;
    makeTemporaryRoot(&table);
    makeTemporaryRoot(&scratch);
    table->count = (uint32_t)k;
    scratch = (uint16_t*)mallocBytes(2 * (m->maxStack + m->frameSize + 2));
    uint32_t consumed = 2;
    for (int32_t f = 0; f < k; f++) {
        uint32_t offset = (uint32_t)readU2(r);
        int32_t n = 0;
        consumed += 2;
        consumed += readStackMapItems(r, m, scratch, &n, m->frameSize);
        consumed += readStackMapItems(r, m, scratch, &n, m->maxStack);
        uint16_t* frame = nullptr;
        for (int32_t e = 0; e < f && frame == nullptr; e++) {
            uint16_t* earlier = stackMapFrame(table, (uint32_t)e);
            int32_t length = 1 + earlier[0] + 1 + earlier[1 + earlier[0]];
            if (length == n && memcmp(earlier, scratch, 2 * (size_t)n) == 0) frame = earlier;
        }
        if (frame == nullptr) {
            frame = (uint16_t*)mallocBytes(2 * n);
            memcpy(frame, scratch, 2 * (size_t)n);
        }
        table->words[f] = p32Cell(frame);
        table->words[k + f] = (cell)offset;
    }
    m->stackMaps = table;
    TemporaryRootsLength = savedRoots;
    return consumed;
}

static void readExceptionHandlers(ClassReader* r, MethodRecord* m) {
    int32_t count = readU2(r);
    if (count == 0) return;
    HandlerTable* table = (HandlerTable*)callocPermanentObject(handlerTableWords(count));
    table->length = (uint32_t)count;
    m->handlers = table;
    for (int32_t i = 0; i < count; i++) {
        HandlerEntry* h = &table->handlers[i];
        h->startPC = (uint16_t)readU2(r);
        h->endPC = (uint16_t)readU2(r);
        h->handlerPC = (uint16_t)readU2(r);
        h->catchType = (uint16_t)readU2(r);
        if (h->startPC >= m->codeLength || h->endPC > m->codeLength || h->startPC >= h->endPC ||
            h->handlerPC >= m->codeLength)
            formatError("Bad exception handler found");
        if (h->catchType != 0) requirePoolEntry(r->clazz->constPool, h->catchType, CONSTANT_Class);
    }
}

// Reads a Code attribute; answers the bytes it took.
static uint32_t readCodeAttribute(ClassReader* r, MethodRecord* m) {
    uint32_t maxStack = (uint32_t)readU2(r);
    uint32_t frameSize = (uint32_t)readU2(r);
    uint32_t codeLength = readU4(r);
    if (codeLength > MAX_CODE_LENGTH)
        raiseExceptionWithMessage(OutOfMemoryError, "Maximum byte code length (32kB) exceeded");
    if (frameSize + maxStack > MAX_FRAME_AND_STACK)
        raiseExceptionWithMessage(OutOfMemoryError, "Maximum size of locals and stack exceeded");
    uint8_t* code = (uint8_t*)callocPermanentObject(codeWords(codeLength));
    readStreamBytes(r->stream, code, (int32_t)codeLength);
    m->u.code = code;
    m->codeLength = (uint16_t)codeLength;
    m->maxStack = (uint16_t)maxStack;
    m->frameSize = (uint16_t)frameSize;
    readExceptionHandlers(r, m);
    uint64_t consumed = 8 + codeLength + 2 + 8 * (m->handlers ? m->handlers->length : 0) + 2;
    bool stackMapSeen = false;
    int32_t count = readU2(r);
    for (int32_t i = 0; i < count; i++) {
        const char* name = poolUtf8At(r, (uint32_t)readU2(r));
        uint32_t length = readU4(r);
        consumed += 6 + (uint64_t)length;
        if (strcmp(name, "StackMap") != 0) {
            skipBody(r, length);
            continue;
        }
        if (stackMapSeen) formatError("Duplicate StackMap attribute");
        stackMapSeen = true;
        if (readStackMaps(r, m) != length) formatError("Bad attribute size");
    }
    return consumed > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)consumed;
}

static void readMethodAttributes(ClassReader* r, MethodRecord* m) {
    bool needsCode = !(m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT));
    bool codeSeen = false;
    bool exceptionsSeen = false;
    int32_t count = readU2(r);
    for (int32_t i = 0; i < count; i++) {
        const char* name = poolUtf8At(r, (uint32_t)readU2(r));
        uint32_t length = readU4(r);
        if (strcmp(name, "Code") == 0) {
            if (!needsCode || codeSeen) formatError("Duplicate Code attribute");
            codeSeen = true;
            if (readCodeAttribute(r, m) != length) formatError("Bad Code attribute length");
        } else if (strcmp(name, "Exceptions") == 0) {
            if (exceptionsSeen) formatError("Duplicate exception table");
            exceptionsSeen = true;
            uint32_t entries = (uint32_t)readU2(r);
            if (length != 2 + 2 * entries) formatError("Bad exception attribute");
            for (uint32_t e = 0; e < entries; e++) {
                uint32_t index = (uint32_t)readU2(r);
                if (index == 0) formatError("Bad exception attribute");
                requirePoolEntry(r->clazz->constPool, index, CONSTANT_Class);
            }
        } else {
            skipBody(r, length);
        }
    }
    if (needsCode && !codeSeen) formatError("Missing code attribute");
}

static void readMethod(ClassReader* r, MethodRecord* m) {
    ClassRecord* clazz = r->clazz;
    uint32_t flags = (uint32_t)readU2(r) & METHOD_FLAGS_MASK;
    int32_t savedRoots = TemporaryRootsLength;
    const char* name = poolUtf8At(r, (uint32_t)readU2(r));
    const char* type = poolUtf8At(r, (uint32_t)readU2(r));
    makeTemporaryRoot(&name);
    makeTemporaryRoot(&type);
    if (strcmp(name, "<clinit>") == 0)
        flags = ACC_STATIC;
    else
        requireMethodFlags(flags, name, (clazz->accessFlags & ACC_INTERFACE) != 0);
    if (!verifyName(name, NAME_KIND_METHOD)) formatError("Bad class, field or method name");
    int32_t arguments = requireMethodSignature(name, type) + ((flags & ACC_STATIC) ? 0 : 1);
    if (arguments > MAX_ARGUMENT_WORDS) formatError("More than 255 method arguments");
    m->nt.k.nameKey = changeNameToKey(name, (int)strlen(name));
    m->nt.k.typeKey = changeMethodSignatureToKey(type, 0, (int)strlen(type));
    char result = strchr(type, ')')[1];
    uint32_t kind = result == 'V'                      ? RESULT_VOID
                    : (result == 'D' || result == 'J') ? ACC_DOUBLE
                    : (result == 'L' || result == '[') ? ACC_POINTER
                                                       : 0;
    m->accessFlags = flags | kind;
    m->ofClass = clazz;
    m->argCount = (uint16_t)arguments;
    readMethodAttributes(r, m);
    if (!(flags & (ACC_NATIVE | ACC_ABSTRACT)) && m->frameSize < arguments) formatError("Bad frame size");
    if (flags & ACC_NATIVE) {
        NativeFunction function = LoaderHooks.lookupDynamicNative(clazz, name, type);
        if (function != nullptr) {
            m->u.native = function;
            m->accessFlags |= ACC_NATIVE_FOUND;
        }
    }
    TemporaryRootsLength = savedRoots;
}

static void readMethods(ClassReader* r) {
    int32_t count = readU2(r);
    if (count == 0) return;
    MethodTable* table = (MethodTable*)callocPermanentObject(methodTableWords(count));
    table->length = (uint32_t)count;
    r->clazz->methodTable = table;
    for (int32_t i = 0; i < count; i++) readMethod(r, &table->methods[i]);
    for (int32_t i = 0; i < count; i++) {
        for (int32_t j = i + 1; j < count; j++) {
            if (table->methods[i].nt.nameTypeKey == table->methods[j].nt.nameTypeKey)
                formatError("Duplicate method found");
        }
    }
}

// ---------------------------------------------------------------------------------
// Reading one class file (status CLASS_LOADING)

static void releaseTexts(ClassReader* r) {
    cell* table = r->utf8Table;
    if (table == nullptr) return;
    for (int32_t i = 1; i < r->count; i++) {
        if (table[i] != 0) unlockObjectMemory(p32Ptr(table[i]));
    }
    r->utf8Table = nullptr;
}

static void readClassBody(ClassReader* r);

static void readClassFile(ClassRecord* clazz) {
    int32_t savedRoots = TemporaryRootsLength;
    ClassReader reader;
    ClassReader* r = &reader;
    memset(r, 0, sizeof *r);
    r->clazz = clazz;
    makeTemporaryRoot(&r->stream);
    makeTemporaryRoot(&r->utf8Table);
    makeTemporaryRoot(&r->raw);
    VM_TRY
    readClassBody(r);
    VM_CATCH(e)
    // a failed read must not leave its texts pinned in the heap
    releaseTexts(r);
    TemporaryRootsLength = savedRoots;
    throwObject(e);
    VM_END_TRY
    releaseTexts(r);
    TemporaryRootsLength = savedRoots;
}

static void readClassBody(ClassReader* r) {
    ClassRecord* clazz = r->clazz;
    // Taken before anything can fail: the mode serves this one request only.
    bool forName = classNotFoundMode != 0;
    classNotFoundMode = 0;
    r->stream = openClassStream(clazz);
    if (r->stream == nullptr) {
        clazz->status = CLASS_RAW;
        const char* exception = forName ? ClassNotFoundException : NoClassDefFoundError;
        char text[MESSAGE_BUFFER_SIZE];
        // an archive that cannot deliver the class must not read as a class the suite lacks
        if (const JarDamage* damage = classPathDamage()) {
            snprintf(text, sizeof text, "the JAR is damaged (%s: %s)", damage->name, damage->what);
            raiseExceptionWithMessage(exception, text);
        }
        getClassNameBuffer(clazz, text, sizeof text);
        raiseExceptionWithMessage(exception, text);
    }
    checkMagicAndVersion(r);
    readConstantPool(r);
    readClassInfo(r);
    readInterfaces(r);
    readFields(r);
    readMethods(r);
    skipAttributes(r);
    if (readStreamByteOrEnd(r->stream) != -1) formatError("Class file size does not match");
    closeClassStream(r->stream);
    clazz->clazz = JavaLangClass;
}

// ---------------------------------------------------------------------------------
// Linking

static bool isJavaLangObject(ClassRecord* clazz) {
    if (clazz == JavaLangObject) return true;
    NameTableEntry* package = clazz->packageName;
    NameTableEntry* base = clazz->baseName;
    return package != nullptr && package->length == 9 && memcmp(package->bytes, "java/lang", 9) == 0 &&
           base->length == 6 && memcmp(base->bytes, "Object", 6) == 0;
}

// The most distant class of the chain from clazz up that is loaded but not linked.
static ClassRecord* findUnlinkedSuperclass(ClassRecord* clazz) {
    ClassRecord* found = nullptr;
    for (ClassRecord* c = clazz; c != nullptr && !isArrayClass(c) && c->status == CLASS_LOADED; c = c->superClass) {
        found = c;
        if (c->superClass == clazz) break;
    }
    return found;
}

static void linkInterfaces(ClassRecord* clazz) {
    uint16_t* interfaces = clazz->interfaces;
    if (interfaces == nullptr) return;
    for (int i = 1; i <= interfaces[0]; i++) {
        ClassRecord* iface = clazz->constPool->entries[interfaces[i]].clazz;
        if (isArrayClass(iface)) formatError("Class implements an array class");
        switch (iface->status) {
            case CLASS_ERROR:
                raiseException(NoClassDefFoundError);
            case CLASS_LOADED:
                raiseException(ClassCircularityError);
            case CLASS_RAW:
                loadClassfile(iface, 1);
                break;
            case CLASS_LOADING:
                fatalVMError("Expected class status >= CLASS_LINKED");
            default:
                break;
        }
        if (!(iface->accessFlags & ACC_INTERFACE))
            raiseExceptionWithMessage(IncompatibleClassChangeError, "Class implements a non-interface");
        verifyClassAccess(iface, clazz);
    }
}

static void linkClass(ClassRecord* clazz) {
    ClassRecord* super = clazz->superClass;
    uint32_t size;
    if (super != nullptr) {
        if (isArrayClass(super)) formatError("Bad superclass");
        if (super->accessFlags & ACC_INTERFACE)
            raiseExceptionWithMessage(IncompatibleClassChangeError, "Class extends an interface");
        if (super->accessFlags & ACC_FINAL) raiseExceptionWithMessage(VerifyError, "Class extends a final class");
        verifyClassAccess(super, clazz);
        if ((clazz->accessFlags & ACC_INTERFACE) && !isJavaLangObject(super)) formatError("Bad superclass");
        size = super->instSize;
    } else {
        if (!isJavaLangObject(clazz)) formatError("Bad superclass");
        size = 0;
    }
    linkInterfaces(clazz);
    FieldTable* fields = clazz->fieldTable;
    for (uint32_t i = 0; fields != nullptr && i < fields->length; i++) {
        FieldRecord* f = &fields->fields[i];
        if (f->accessFlags & ACC_STATIC) continue;
        f->u.offset = size;
        size += (f->accessFlags & ACC_DOUBLE) ? 2 : 1;
    }
    // The quick field instructions take a signed 16-bit slot: a slot beyond 32767
    // would be read and written outside the object.
    if (size > 0x7FFF) raiseExceptionWithMessage(OutOfMemoryError, "Maximum instance size exceeded");
    clazz->instSize = (uint16_t)size;
    clazz->status = CLASS_LINKED;
}

// The one reference field of a String made while its class is still raw.
static VMBSS FieldTable RawStringFields;

void describeRawString() {
    FieldRecord* value = &RawStringFields.fields[0];
    RawStringFields.length = 1;
    value->nameKey = changeNameToKey("value", 5);
    value->typeKey = changeFieldSignatureToKey("[C", 0, 2);
    value->accessFlags = ACC_PRIVATE | ACC_POINTER;
    value->ofClass = JavaLangString;
    value->u.offset = 0;
    JavaLangString->fieldTable = &RawStringFields;
    JavaLangString->instSize = 3;
}

// Puts a class back to CLASS_RAW: everything from its superclass on is cleared.
static void revertToRawClass(ClassRecord* clazz) {
    clearClassLinkFields(clazz);
    clazz->status = CLASS_RAW;
    clazz->initThread = nullptr;
    clazz->cleanup = nullptr;
    // The failure's own message is a String.
    if (clazz == JavaLangString) describeRawString();
}

// After a failed load: clazz and every class up its chain that this load left loading
// or loaded go back to raw, so that a later request reads them again. Classes already
// linked stay as they are.
static void revertFailedChain(ClassRecord* clazz) {
    ClassRecord* c = clazz->superClass;
    revertToRawClass(clazz);
    while (c != nullptr && c != clazz && !isArrayClass(c) &&
           (c->status == CLASS_LOADING || c->status == CLASS_LOADED)) {
        ClassRecord* next = c->superClass;
        revertToRawClass(c);
        c = next;
    }
}

// "<class>: <message> " unless the message is the class name itself.
static void prefixMessageWithClassName(ClassRecord* clazz, OBJECT* exception) {
    char name[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, name, sizeof name);
    StringInstance* message = p32Ptr<StringInstance>((*exception)->data[0]);
    if (message != nullptr) {
        // kept in the class-file form: the text becomes a String again below
        char text[MESSAGE_BUFFER_SIZE];
        unicode2utf(getStringCharsPointer(message), message->count, text, sizeof text);
        if (strcmp(text, name) != 0)
            mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "%s: %s ", name, text);
        else
            mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "%s", name);
    } else {
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "%s", name);
    }
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(exception);
    StringInstance* string = instantiateStringFromUtf(MessageBuffer, (int)strlen(MessageBuffer));
    (*exception)->data[0] = p32Cell(string);
    TemporaryRootsLength = savedRoots;
}

void loadClassfile(ClassRecord* clazz, int fatalOnError) {
    checkNativeStack();
    (void)fatalOnError;  // every caller asks for failures to be raised
    if (isArrayClass(clazz) || clazz->status != CLASS_RAW) fatalVMError("Expected class status of CLASS_RAW");
    VM_TRY
    for (ClassRecord* c = clazz; c->status == CLASS_RAW;) {
        c->status = CLASS_LOADING;
        readClassFile(c);
        c->status = CLASS_LOADED;
        ClassRecord* super = c->superClass;
        if (super == nullptr || isArrayClass(super)) break;
        if (super->status == CLASS_ERROR) raiseException(NoClassDefFoundError);
        if (super->status == CLASS_LOADED) raiseException(ClassCircularityError);
        if (super->status == CLASS_LOADING) fatalVMError("Expected class status of CLASS_RAW or CLASS_LINKED");
        c = super;
    }
    for (ClassRecord* c; (c = findUnlinkedSuperclass(clazz)) != nullptr;) linkClass(c);
    VM_CATCH(e)
    revertFailedChain(clazz);
    // The preallocated OutOfMemoryError is shared by every failure: it keeps no message.
    if (e != nullptr && e != OutOfMemoryObject) prefixMessageWithClassName(clazz, &e);
    throwObject(e);
    VM_END_TRY
}

void loadArrayClass(ArrayClassRecord* clazz) {
    if (!(clazz->flags & 1)) return;
    ClassRecord* base = asClass(clazz);
    while (base != nullptr && isArrayClass(base) && asArrayClass(base)->gcType == GCT_OBJECTARRAY)
        base = asArrayClass(base)->u.elemClass;
    if (base == nullptr || isArrayClass(base)) return;
    if (base->status == CLASS_RAW) loadClassfile(base, 1);
    for (ClassRecord* c = asClass(clazz); c != base; c = asArrayClass(c)->u.elemClass) {
        ArrayClassRecord* a = asArrayClass(c);
        if (base->accessFlags & ACC_PUBLIC) a->accessFlags |= ACC_PUBLIC;
        a->flags &= ~1u;
    }
}
