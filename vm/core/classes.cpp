// Class lookup, array classes, class names, type tests and object creation.
#include "vm/core/classes.h"

#include <string.h>

#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/monitor.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/stackguard.h"
#include "vm/core/tables.h"
#include "vm/core/utf.h"

VMDATA uint32_t IdentityHashState = 0xCAFEBABE;

enum { MAX_ARRAY_LENGTH = 0x1000000, MAX_ARRAY_DEPTH = 510 };

ClassRecord* getClassX(const char* name, int start, int length) {
    ClassRecord* c = getRawClassX(name, start, length);
    if (isArrayClass(c)) return c;
    if (c->status == CLASS_RAW) CoreHooks.loadClassfile(c, 1);
    if (c->status == CLASS_ERROR) {
        char text[MESSAGE_BUFFER_SIZE];
        getClassNameBuffer(c, text, sizeof text);
        raiseExceptionWithMessage(NoClassDefFoundError, text);
    }
    return c;
}

ClassRecord* getClass(const char* name) { return getClassX(name, 0, (int)strlen(name)); }

ArrayClassRecord* getArrayClass(int depth, ClassRecord* elementClass, char letter) {
    if (depth >= MAX_ARRAY_DEPTH) fatalError("Sprintf buffer overflow");
    char* name = MessageBuffer;
    int n = 0;
    for (int i = 0; i < depth; i++) name[n++] = '[';
    if (elementClass == nullptr) {
        name[n++] = letter;
    } else {
        NameTableEntry* base = elementClass->baseName;
        if (n + base->length + 3 > MESSAGE_BUFFER_SIZE) fatalError("Sprintf buffer overflow");
        name[n++] = 'L';
        memcpy(name + n, base->bytes, base->length);
        n += base->length;
        name[n++] = ';';
    }
    NameTableEntry* package = elementClass ? elementClass->packageName : nullptr;
    ArrayClassRecord* result = asArrayClass(lookupClassTableEntry(package, lookupNameTableEntry(name, n)));
    ArrayClassRecord* record = result;
    for (int d = depth;; d--) {
        if (record->clazz != nullptr) return result;
        record->clazz = JavaLangClass;
        if (elementClass == nullptr && d == 1) fatalError("Creating primitive array?");
        record->gcType = GCT_OBJECTARRAY;
        record->itemSize = (uint32_t)arrayItemSize(1);
        if (elementClass == nullptr) {
            record->accessFlags = 0x1411;
        } else if (elementClass->status < CLASS_LOADED && !isArrayClass(elementClass)) {
            record->accessFlags = 0x1410;
            record->flags = 1;
        } else {
            record->accessFlags = (uint16_t)(0x1410 | (elementClass->accessFlags & ACC_PUBLIC));
        }
        if (d < TYPE_KEY_DEEP)
            record->key = typeKeyOf(d, elementClass ? elementClass->key : (int)(int8_t)letter);
        else
            record->key = (TypeKey)(record->key | TYPE_KEY_DEEP_BITS);
        if (d == 1) {
            record->u.elemClass = elementClass;
            return result;
        }
        NameTableEntry* inner = lookupNameTableEntry(record->baseName->bytes + 1, record->baseName->length - 1);
        ArrayClassRecord* next = asArrayClass(lookupClassTableEntry(record->packageName, inner));
        record->u.elemClass = asClass(next);
        record = next;
    }
}

ArrayClassRecord* getObjectArrayClass(ClassRecord* clazz) {
    int depth = 0;
    char letter = 'L';
    ClassRecord* element = clazz;
    while (element != nullptr && isArrayClass(element)) {
        ArrayClassRecord* a = asArrayClass(element);
        depth++;
        if (a->gcType == GCT_ARRAY) {
            letter = typeCodeToSignatureLetter((int)a->u.primType);
            element = nullptr;
            break;
        }
        element = a->u.elemClass;
    }
    return getArrayClass(depth + 1, element, letter);
}

char typeCodeToSignatureLetter(int typeCode) {
    switch (typeCode) {
        case 0:
            return 'V';
        case 1:
            return 'L';
        case T_BOOLEAN:
            return 'Z';
        case T_CHAR:
            return 'C';
        case T_FLOAT:
            return 'F';
        case T_DOUBLE:
            return 'D';
        case T_BYTE:
            return 'B';
        case T_SHORT:
            return 'S';
        case T_INT:
            return 'I';
        case T_LONG:
            return 'J';
        default:
            fatalError("Bad signature found");
    }
}

int arrayItemSize(int typeCode) {
    switch (typeCode) {
        case T_BOOLEAN:
        case T_BYTE:
            return 1;
        case T_CHAR:
        case T_SHORT:
            return 2;
        case T_DOUBLE:
        case T_LONG:
            return 8;
        default:
            return 4;
    }
}

void clearClassLinkFields(ClassRecord* clazz) { memset(&clazz->superClass, 0, 9 * sizeof(uint32_t)); }

// Appends text to the buffer, cutting at its end.
static char* appendCut(char* to, char* last, const char* text, int length) {
    while (length-- > 0 && to < last) *to++ = *text++;
    return to;
}

char* getClassNameBuffer(ClassRecord* clazz, char* buffer, int size) {
    if (size < 2) fatalError("getClassNameBuffer: buffer length is too short");
    char* last = buffer + size - 1;
    char* to = buffer;
    const char* base = clazz->baseName->bytes;
    int baseLength = clazz->baseName->length;
    NameTableEntry* package = clazz->packageName;
    if (isArrayClass(clazz)) {
        int d = 0;
        while (d < baseLength && base[d] == '[') d++;
        if (d < baseLength && base[d] == 'L' && package != nullptr) {
            to = appendCut(to, last, base, d + 1);
            to = appendCut(to, last, package->bytes, package->length);
            to = appendCut(to, last, "/", 1);
            to = appendCut(to, last, base + d + 1, baseLength - d - 1);
        } else {
            to = appendCut(to, last, base, baseLength);
        }
    } else {
        if (package != nullptr) {
            to = appendCut(to, last, package->bytes, package->length);
            to = appendCut(to, last, "/", 1);
        }
        to = appendCut(to, last, base, baseLength);
    }
    *to = 0;
    return to;
}

char* getClassName(ClassRecord* clazz) {
    int size = clazz->baseName->length + (clazz->packageName ? clazz->packageName->length : 0) + 5;
    char* block = mallocBytes(size);
    getClassNameBuffer(clazz, block, size);
    return block;
}

bool isSubclassOf(ClassRecord* clazz, ClassRecord* other) {
    if (clazz == other || other == JavaLangObject) return true;
    if (isArrayClass(clazz) || isArrayClass(other)) return false;
    for (ClassRecord* c = clazz; c != nullptr && c->status != CLASS_RAW; c = c->superClass) {
        if (c == other) return true;
        if (c == JavaLangObject) break;
    }
    return false;
}

bool implementsInterface(ClassRecord* clazz, ClassRecord* interface) {
    checkNativeStack();
    if (clazz == interface) return true;
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        if (c->status == CLASS_RAW) CoreHooks.loadClassfile(c, 1);
        if (c == JavaLangObject) return false;
        if (c->interfaces == nullptr) continue;
        for (int i = 1; i <= c->interfaces[0]; i++) {
            ClassRecord* direct = resolveClassReference(c->constPool, c->interfaces[i], c);
            if (implementsInterface(direct, interface)) return true;
        }
    }
    return false;
}

bool isAssignableTo(ClassRecord* from, ClassRecord* to) {
    for (;;) {
        if (from == to || to == JavaLangObject) return true;
        if (isArrayClass(to))
            CoreHooks.loadArrayClass(asArrayClass(to));
        else if (to->status == CLASS_RAW)
            CoreHooks.loadClassfile(to, 1);
        if (!isArrayClass(to) && !(to->accessFlags & ACC_INTERFACE)) {
            if (isArrayClass(from) || (from->accessFlags & ACC_INTERFACE)) return false;
            for (ClassRecord* c = from; c != nullptr; c = c->superClass) {
                if (c->status == CLASS_RAW) CoreHooks.loadClassfile(c, 1);
                if (c == to) return true;
                if (c == JavaLangObject) return false;
            }
            return false;
        }
        if (to->accessFlags & ACC_INTERFACE) {
            if (isArrayClass(from)) return false;
            return implementsInterface(from, to);
        }
        if (!isArrayClass(from)) return false;
        ArrayClassRecord* f = asArrayClass(from);
        ArrayClassRecord* t = asArrayClass(to);
        if (f->gcType != t->gcType) return false;
        if (f->gcType == GCT_ARRAY) return f->u.primType == t->u.primType;
        from = f->u.elemClass;
        to = t->u.elemClass;
    }
}

OBJECT instantiate(ClassRecord* clazz) {
    OBJECT object = (OBJECT)callocObject(clazz->instSize + 2, GCT_INSTANCE);
    object->clazz = clazz;
    return object;
}

ArrayObject* instantiateArray(ArrayClassRecord* arrayClass, int32_t length) {
    if (length < 0) raiseException(NegativeArraySizeException);
    if (length > MAX_ARRAY_LENGTH) throwObject(OutOfMemoryObject);
    int32_t words = (int32_t)(((uint32_t)length * arrayClass->itemSize + 3) >> 2) + 3;
    ArrayObject* array = (ArrayObject*)callocObject(words, (int)arrayClass->gcType);
    array->clazz = asClass(arrayClass);
    array->length = (uint32_t)length;
    return array;
}

ArrayObject* instantiateMultiArray(ArrayClassRecord* arrayClass, cell* stackLengths, int dimensions) {
    // The counts lie on the operand stack, which moves with its chunk at the first
    // allocation: keep a copy.
    cell lengths[256];
    if (dimensions > 255) dimensions = 255;
    for (int i = 0; i < dimensions; i++) {
        lengths[i] = stackLengths[i];
        if (lengths[i] < 0) raiseException(NegativeArraySizeException);
    }
    int32_t savedRoots = TemporaryRootsLength;
    ArrayObject* holder = nullptr;
    ArrayObject* parents = nullptr;  // arrays of the previous level, chained through element 0
    ArrayObject* newHead = nullptr;
    ArrayObject* newTail = nullptr;
    ArrayObject* parent = nullptr;
    ArrayObject* made = nullptr;
    ArrayObject* nextParent = nullptr;
    makeTemporaryRoot(&nextParent);
    makeTemporaryRoot(&holder);
    makeTemporaryRoot(&parents);
    makeTemporaryRoot(&newHead);
    makeTemporaryRoot(&newTail);
    makeTemporaryRoot(&parent);
    makeTemporaryRoot(&made);
    holder = instantiateArray(getArrayClass(1, JavaLangObject, 'L'), 1);
    parents = holder;
    ClassRecord* clazz = asClass(arrayClass);
    for (int level = 0; level < dimensions; level++) {
        bool last = level == dimensions - 1 || lengths[level] == 0;
        newHead = newTail = nullptr;
        for (parent = parents; parent != nullptr;) {
            nextParent = (parent == holder) ? nullptr : (ArrayObject*)parent->u.odata[0];
            for (uint32_t j = 0; j < parent->length; j++) {
                made = instantiateArray(asArrayClass(clazz), lengths[level]);
                if (!last) {
                    if (newTail)
                        newTail->u.odata[0] = (OBJECT)made;
                    else
                        newHead = made;
                    newTail = made;
                }
                parent->u.odata[j] = (OBJECT)made;
            }
            parent = nextParent;
        }
        if (last) break;
        if (newTail) newTail->u.odata[0] = nullptr;
        parents = newHead;
        clazz = asArrayClass(clazz)->u.elemClass;
    }
    ArrayObject* result = (ArrayObject*)holder->u.odata[0];
    TemporaryRootsLength = savedRoots;
    return result;
}

ArrayObject* createCharArrayFromUtf(const char* utf, int length, int* count, int permanent) {
    int n = utfStringLength(utf, length);
    int32_t words = ((n * 2 + 3) >> 2) + 3;
    ArrayObject* chars =
        permanent ? (ArrayObject*)callocPermanentObject(words) : (ArrayObject*)callocObject(words, GCT_ARRAY);
    chars->clazz = asClass(PrimitiveArrayClasses[T_CHAR]);
    chars->length = (uint32_t)n;
    const char* p = utf;
    for (int i = 0; i < n; i++) chars->u.sdata[i] = utf2unicode(&p);
    if (count) *count = n;
    return chars;
}

StringInstance* instantiateStringFromCharArray(ArrayObject* chars, int count) {
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&chars);
    StringInstance* string = (StringInstance*)instantiate(JavaLangString);
    TemporaryRootsLength = savedRoots;
    if (string == nullptr) fatalError("Out Of Memory");
    string->value = chars;
    string->offset = 0;
    string->count = count;
    return string;
}

StringInstance* instantiateStringFromUtf(const char* utf, int length) {
    int count = 0;
    ArrayObject* chars = createCharArrayFromUtf(utf, length, &count, 0);
    return instantiateStringFromCharArray(chars, count);
}

StringInstance* instantiateStringFromUnicode(const uint16_t* chars, int count) {
    ArrayObject* array = (ArrayObject*)callocObject(((count * 2 + 3) >> 2) + 3, GCT_ARRAY);
    array->clazz = asClass(PrimitiveArrayClasses[T_CHAR]);
    array->length = (uint32_t)count;
    if (count > 0) memcpy(array->u.sdata, chars, (size_t)count * 2);  // an empty text may come as null
    return instantiateStringFromCharArray(array, count);
}

StringInstance* createInternedString(const char* utf, int length) {
    int count = 0;
    ArrayObject* chars = createCharArrayFromUtf(utf, length, &count, 1);
    StringInstance* string = (StringInstance*)callocPermanentObject(6);
    if (string == nullptr) fatalError("Out Of Memory");
    string->clazz = JavaLangString;
    string->value = chars;
    string->offset = 0;
    string->count = count;
    return string;
}

char* getStringContentsSafely(StringInstance* string, char* buffer, int size) {
    if (string->count + 1 > size) fatalError("Buffer overflow in getStringContentsSafely()");
    const uint16_t* chars = string->value->u.sdata + string->offset;
    for (int i = 0; i < string->count; i++) buffer[i] = (char)chars[i];
    buffer[string->count] = 0;
    return buffer;
}

char* getStringContents(StringInstance* string) {
    return getStringContentsSafely(string, MessageBuffer, MESSAGE_BUFFER_SIZE);
}

int32_t objectHashCode(OBJECT object) {
    // Objects of the read-only image are never written and never move: their address
    // serves as their hash code, locked or not.
    if (isInRomTableRange(object)) return (int32_t)((uintptr_t)object & ~3u) >> 2;
    uint32_t* slot = hashCodeSlot(object);
    if (slot == nullptr) slot = &object->monitor;
    if (*slot != 0) return (int32_t)*slot >> 2;
    uint32_t value;
    do {
        IdentityHashState = IdentityHashState * 0xDEECE66Du + 11;
        value = IdentityHashState & ~3u;
    } while (value == 0);
    *slot = value;
    return (int32_t)value >> 2;
}
