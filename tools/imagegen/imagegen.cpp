// movane-imagegen <library.jar> <out.cpp>: builds the built-in class image.
//
// The generator starts the VM the way a run without an image starts, loads every class
// of the library JAR through the VM's own loader, verifies it (which leaves the
// collector's reference maps), resolves every constant-pool entry and prepares every
// method. The records it then finds in the tables are written out as 32-bit words with
// symbolic addresses (assembler data in a C++ source, which the linker resolves), so
// that layout, keys and maps are the VM's own:
//   class records and the three table headers   writable, in the per-run data section
//   method, field, pool, handler, map and name   read-only
//   interned strings and their one char array    read-only, one area
//   bytecode                                     read-only, every method 4-byte aligned
//   static area                                  per-run zeroed, initial values read-only
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "media/bindings.h"
#include "natives/lib/bindings.h"
#include "natives/ui/bindings.h"
#include "platform/hostfile.h"
#include "platform/lowmem.h"
#include "platform/p32.h"
#include "platform/trace.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/inlinecache.h"
#include "vm/core/native.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/stackmap.h"
#include "vm/core/tables.h"
#include "vm/loader/classloader.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/loader/prepare.h"
#include "vm/loader/registries.h"
#include "vm/loader/startup.h"
#include "vm/loader/verifier.h"
#include "vm/services/hooks.h"
#include "vm/services/vmreset.h"
#include "vm/trace/tracelog.h"
#include "vm/zip/zipdir.h"

namespace {

// ---------------------------------------------------------------------------------
// Loading the library into a VM run (plain C: exceptions and fatal errors jump)

struct LoadResult {
    int32_t failedEntries;  // pool entries that could not be resolved
    int32_t failedMethods;  // methods that preparation refused
};

void describeException(OBJECT e, const char* what) {
    char name[MESSAGE_BUFFER_SIZE];
    if (e == nullptr) {
        fprintf(stderr, "imagegen: %s: out of memory\n", what);
        return;
    }
    getClassNameBuffer(e->clazz, name, sizeof name);
    StringInstance* message = p32Ptr<StringInstance>(e->data[0]);
    char text[MESSAGE_BUFFER_SIZE] = "";
    if (message != nullptr && message->count < MESSAGE_BUFFER_SIZE) getStringContentsSafely(message, text, sizeof text);
    fprintf(stderr, "imagegen: %s: %s%s%s\n", what, name, text[0] ? ": " : "", text);
}

void resolveEntry(ClassRecord* c, ConstantPool* cp, int i) {
    uint8_t tag = cpTags(cp)[i];
    if (tag & CP_RESOLVED) return;
    switch (tag & CP_TAG_MASK) {
        case CONSTANT_Class:
            resolveClassReference(cp, i, c);
            break;
        case CONSTANT_Fieldref: {
            uint32_t entry = cp->entries[i].u;
            ClassRecord* owner = resolveClassReference(cp, (int)(entry & 0xFFFF), c);
            if (isArrayClass(owner)) break;
            FieldRecord* f = lookupField(owner, cp->entries[entry >> 16].u);
            if (f == nullptr) break;
            bool isStatic = (f->accessFlags & ACC_STATIC) != 0;
            resolveFieldReference(cp, i, isStatic, isStatic ? 178 : 180, c);
            break;
        }
        case CONSTANT_Methodref:
        case CONSTANT_InterfaceMethodref: {
            uint32_t entry = cp->entries[i].u;
            ClassRecord* owner = resolveClassReference(cp, (int)(entry & 0xFFFF), c);
            MethodRecord* m = lookupMethod(owner, cp->entries[entry >> 16].u, c);
            if (m == nullptr) break;
            resolveMethodReference(cp, i, (m->accessFlags & ACC_STATIC) != 0, c);
            break;
        }
        default:
            break;
    }
}

// Every instance class of the class table, in table order.
int32_t collectClasses(ClassRecord** out, int32_t room) {
    int32_t n = 0;
    for (uint32_t b = 0; b < ClassTable->bucketCount; b++) {
        for (ClassRecord* c = (ClassRecord*)ClassTable->buckets[b]; c != nullptr; c = c->next) {
            if (n < room) out[n] = c;
            n++;
        }
    }
    return n;
}

void resolvePool(ClassRecord* c, LoadResult* result) {
    ConstantPool* cp = c->constPool;
    if (cp == nullptr) return;
    int32_t n = (int32_t)cp->entries[0].u;
    for (volatile int32_t i = 1; i < n; i++) {
        VM_TRY
        resolveEntry(c, cp, i);
        VM_CATCH(e)
        (void)e;
        VM_END_TRY
        uint8_t tag = cpTags(cp)[i];
        int kind = tag & CP_TAG_MASK;
        if (!(tag & CP_RESOLVED) && kind >= CONSTANT_Class && kind != CONSTANT_String &&
            kind <= CONSTANT_InterfaceMethodref) {
            char name[MESSAGE_BUFFER_SIZE];
            getClassNameBuffer(c, name, sizeof name);
            fprintf(stderr, "imagegen: warning: %s: constant %d (tag %d) stays unresolved\n", name, (int)i, kind);
            result->failedEntries++;
        }
    }
}

void prepareMethods(ClassRecord* c, LoadResult* result) {
    MethodTable* table = c->methodTable;
    for (volatile uint32_t i = 0; table != nullptr && i < table->length; i++) {
        MethodRecord* m = &table->methods[i];
        if (m->accessFlags & (ACC_NATIVE | ACC_ABSTRACT)) continue;
        VM_TRY
        prepareMethod(m);
        VM_CATCH(e)
        describeException(e, "method preparation");
        result->failedMethods++;
        VM_END_TRY
    }
}

enum { MAX_CLASSES = 4096 };
VMBSS ClassRecord* AllClasses[MAX_CLASSES];

// Loads, verifies, resolves and prepares; 0 when the library is ready to be written.
int32_t loadLibrary(char** names, int32_t count, LoadResult* result) {
    volatile int32_t status = 0;
    jmp_buf catchBuffer;
    CatchFrame outer;
    pushCatchFrame(&outer, &catchBuffer);
    if (setjmp(catchBuffer) == 0) {
        classNotFoundMode = 0;
        useImageTables();
        InitializeMemoryManagement();
        InitializeInlineCaching();
        initClassPath("/sys.jar");
        loadSystemClassesFromJar();
        // the fixed name-and-type keys, which the verifier compares against
        InitializeJavaSystemClasses();
        for (int32_t i = 0; i < count; i++) getClass(names[i]);
        int32_t n = collectClasses(AllClasses, MAX_CLASSES);
        if (n > MAX_CLASSES) fatalVMError("too many classes");
        for (int32_t i = 0; i < n; i++) {
            ClassRecord* c = AllClasses[i];
            if (isArrayClass(c))
                loadArrayClass(asArrayClass(c));
            else if (c->status == CLASS_LINKED)
                verifyClass(c);
        }
        for (int32_t i = 0; i < n; i++) {
            if (!isArrayClass(AllClasses[i])) resolvePool(AllClasses[i], result);
        }
        for (int32_t i = 0; i < n; i++) {
            if (!isArrayClass(AllClasses[i])) prepareMethods(AllClasses[i], result);
        }
    } else {
        describeException(outer.throwable, "loading the library");
        status = 1;
    }
    popCatchFrame(&outer);
    return status;
}

KvmStartRecord start;
// The run's heap: its records hold 32-bit addresses, so it comes from the low window.
void* heapBlock;
size_t heapBlockBytes;

// One VM "run" around loadLibrary; the run is never ended, its heap is what is written.
int32_t startAndLoad(const uint8_t* jar, int32_t jarSize, char** names, int32_t count, LoadResult* result) {
    initInternalPackages();
    initSystemPackages();
    int32_t blockSize = MAXIMUM_HEAP_SIZE & ~3;
    void* block = lowMapPages((size_t)blockSize);
    if (block == nullptr) {
        fprintf(stderr, "imagegen: no low memory for a heap of %d bytes\n", (int)blockSize);
        return 1;
    }
    heapBlock = block;
    heapBlockBytes = (size_t)blockSize;
    start.heapSize = blockSize;
    start.heapStart = block;
    mvVm_keepStartRecord(&start);
    // alerts, errors and warnings (the verifier's reasons), not the start's news
    mvTraceLog_setLogLevel(2);
    volatile int32_t status = 1;
    jmp_buf exitFrame;
    VmExitFrame = &exitFrame;
    if (setjmp(exitFrame) == 0) {
        initNativeStackLimit();
        if (registerMemoryFile("/sys.jar", jar, nullptr, jarSize) < 0) return 1;
        status = loadLibrary(names, count, result);
    } else {
        fprintf(stderr, "imagegen: the VM stopped while loading the library (exit code %d)\n", (int)VmExitCode);
        status = 1;
    }
    VmExitFrame = nullptr;
    return status;
}

// ---------------------------------------------------------------------------------
// The library JAR's class names (from its central directory)

bool listClasses(const std::vector<uint8_t>& jar, std::vector<std::string>* names) {
    ZipArchive archive;
    zipInitMemory(&archive, jar.data(), (int64_t)jar.size());
    if (zipOpen(&archive) != ZIP_OK) return false;
    int64_t at = archive.directoryStart;
    for (uint32_t i = 0; i < archive.total; i++) {
        ZipEntry entry;
        if (zipEntryAt(&archive, at, archive.endRecord, &entry) != ZIP_OK) return false;
        at = entry.next;
        std::string name((const char*)&jar[entry.name], entry.nameLength);
        if (name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0)
            names->push_back(name.substr(0, name.size() - 6));
    }
    return true;
}

// ---------------------------------------------------------------------------------
// The image: areas of words with a mark per word, filled from the records

enum Mark : uint8_t { PLAIN = 0, DATA_POINTER = 1, FUNCTION_POINTER = 2 };

enum AreaId {
    AREA_CLASSES,      // writable: class records, contiguous
    AREA_TABLES,       // writable: the three table headers
    AREA_POOLS,        // writable: pools that keep unresolved entries
    AREA_CONST,        // read-only records
    AREA_STRINGS,      // read-only: interned strings, then their char array
    AREA_CODE,         // read-only bytecode
    AREA_STATICS,      // zeroed each run, filled from the initial values
    AREA_STATIC_INIT,  // read-only initial values of the static area
    AREA_COUNT
};

struct Area {
    const char* symbol;
    const char* qualifiers;  // storage of the emitted array
    std::vector<uint32_t> words;
    std::vector<uint8_t> marks;
    std::vector<uint8_t> bytes;  // the code area only
};

struct Piece {
    uintptr_t start;
    uint32_t size;
    AreaId area;
    uint32_t offset;  // bytes into the area
};

struct Image {
    Area areas[AREA_COUNT];
    std::map<uintptr_t, Piece> pieces;          // by start address in this process
    std::map<uint32_t, std::string> functions;  // by the word that holds the function
    std::vector<std::string> problems;
    uint32_t codeBytes = 0;
    void* sharedCharArray = nullptr;  // low memory: the strings' words hold its address
    uint32_t stringAreaEnd = 0;
    uint32_t staticReferences = 0;
    // counts
    int instanceClasses = 0, arrayClasses = 0, methods = 0, bytecodeMethods = 0, abstractMethods = 0, nativeMethods = 0,
        unboundMethods = 0, fields = 0, staticFields = 0, strings = 0, names = 0, charCount = 0, writablePools = 0;
    std::set<std::string> unbound;

    ~Image() { lowFree(sharedCharArray); }
};

// Copies words of a record into an area, with the marks of their pointer words.
uint32_t place(Image* img, AreaId id, const void* source, uint32_t words) {
    Area& a = img->areas[id];
    uint32_t offset = (uint32_t)a.words.size() * 4;
    const uint32_t* w = (const uint32_t*)source;
    for (uint32_t i = 0; i < words; i++) {
        a.words.push_back(w[i]);
        a.marks.push_back(PLAIN);
    }
    img->pieces[(uintptr_t)source] = Piece{(uintptr_t)source, words * 4, id, offset};
    return offset / 4;
}

void mark(Image* img, AreaId id, uint32_t word, Mark m = DATA_POINTER) { img->areas[id].marks[word] = m; }
uint32_t& word(Image* img, AreaId id, uint32_t index) { return img->areas[id].words[index]; }

std::string className(ClassRecord* c) {
    char buffer[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(c, buffer, sizeof buffer);
    return buffer;
}

bool inPermanentSpace(const void* p) {
    return (uintptr_t)p >= (uintptr_t)PermanentBoundary && (uintptr_t)p < (uintptr_t)HeapTop;
}

// A class and its superclasses run no static initialiser.
bool needsNoInitialiser(ClassRecord* c) {
    for (ClassRecord* k = c; k != nullptr; k = (k->accessFlags & ACC_INTERFACE) ? nullptr : k->superClass) {
        MethodTable* t = k->methodTable;
        for (uint32_t i = 0; t != nullptr && i < t->length; i++) {
            if (t->methods[i].nt.nameTypeKey == clinitNameAndType) return false;
        }
        if (k->accessFlags & ACC_INTERFACE) break;
    }
    return true;
}

void placeCode(Image* img, MethodRecord* m) {
    Area& a = img->areas[AREA_CODE];
    while (a.bytes.size() % 4) a.bytes.push_back(0);
    uint32_t offset = (uint32_t)a.bytes.size();
    uint32_t length = m->codeLength == 0 ? 1 : m->codeLength;
    const uint8_t* code = m->u.code;
    a.bytes.insert(a.bytes.end(), code, code + length);
    img->pieces[(uintptr_t)code] = Piece{(uintptr_t)code, length, AREA_CODE, offset};
    img->codeBytes += length;
}

void placeMethods(Image* img, ClassRecord* c) {
    MethodTable* t = c->methodTable;
    if (t == nullptr) return;
    uint32_t base = place(img, AREA_CONST, t, methodTableWords(t->length));
    for (uint32_t i = 0; i < t->length; i++) {
        MethodRecord* m = &t->methods[i];
        uint32_t w = base + methodTableWords(i);
        img->methods++;
        mark(img, AREA_CONST, w + RECORD_WORD(MethodRecord, handlers));
        mark(img, AREA_CONST, w + RECORD_WORD(MethodRecord, stackMaps));
        mark(img, AREA_CONST, w + RECORD_WORD(MethodRecord, ofClass));
        if (m->accessFlags & ACC_NATIVE) {
            img->nativeMethods++;
            mark(img, AREA_CONST, w + RECORD_WORD(MethodRecord, u), FUNCTION_POINTER);
            if (m->u.native == unboundNative || m->u.native == nullptr) {
                char descriptor[MESSAGE_BUFFER_SIZE];
                change_Key_to_MethodSignature_inBuffer(m->nt.k.typeKey, descriptor, sizeof descriptor);
                img->unbound.insert(className(c) + "." + changeKeyToName(m->nt.k.nameKey, nullptr) + descriptor);
                img->unboundMethods++;
                word(img, AREA_CONST, w + RECORD_WORD(MethodRecord, u)) = p32Word((const void*)unboundNative);
            }
            continue;
        }
        if (m->accessFlags & ACC_ABSTRACT) {
            img->abstractMethods++;
            continue;
        }
        img->bytecodeMethods++;
        mark(img, AREA_CONST, w + RECORD_WORD(MethodRecord, u));
        word(img, AREA_CONST, w + RECORD_WORD(MethodRecord, accessFlags)) |= ACC_PREPARED;
        placeCode(img, m);
        if (m->handlers != nullptr) place(img, AREA_CONST, m->handlers, handlerTableWords(m->handlers->length));
        if (m->stackMaps != nullptr) {
            if (!inPermanentSpace(m->stackMaps)) {
                img->problems.push_back(className(c) + "." + changeKeyToName(m->nt.k.nameKey, nullptr) +
                                        ": the method has no collector maps (not verified)");
                continue;
            }
            PointerMap* map = (PointerMap*)m->stackMaps;
            uint32_t entries = map->header & POINTER_MAP_COUNT_MASK;
            place(img, AREA_CONST, map, pointerMapWords(entries));
        }
    }
}

void placeFields(Image* img, ClassRecord* c) {
    FieldTable* t = c->fieldTable;
    if (t == nullptr) return;
    uint32_t base = place(img, AREA_CONST, t, fieldTableWords(t->length));
    for (uint32_t i = 0; i < t->length; i++) {
        uint32_t w = base + fieldTableWords(i);
        img->fields++;
        mark(img, AREA_CONST, w + RECORD_WORD(FieldRecord, ofClass));
        if (t->fields[i].accessFlags & ACC_STATIC) {
            img->staticFields++;
            mark(img, AREA_CONST, w + RECORD_WORD(FieldRecord, u));
        }
    }
}

void placePool(Image* img, ClassRecord* c) {
    ConstantPool* cp = c->constPool;
    if (cp == nullptr) return;
    uint32_t n = cp->entries[0].u;
    uint8_t* tags = cpTags(cp);
    bool resolved = true;
    for (uint32_t i = 1; i < n; i++) {
        int kind = tags[i] & CP_TAG_MASK;
        if (kind >= CONSTANT_Fieldref && kind <= CONSTANT_InterfaceMethodref && !(tags[i] & CP_RESOLVED))
            resolved = false;
        if (kind == CONSTANT_Class && !(tags[i] & CP_RESOLVED)) resolved = false;
    }
    AreaId id = resolved ? AREA_CONST : AREA_POOLS;
    if (!resolved) img->writablePools++;
    uint32_t base = place(img, id, cp, constantPoolWords(n));
    for (uint32_t i = 1; i < n; i++) {
        int kind = tags[i] & CP_TAG_MASK;
        bool pointer = kind == CONSTANT_Class || kind == CONSTANT_String ||
                       (kind >= CONSTANT_Fieldref && kind <= CONSTANT_InterfaceMethodref && (tags[i] & CP_RESOLVED));
        if (pointer) mark(img, id, base + i);
    }
}

// The class's static block becomes two runs of the image's static area: its references
// among the area's references, its other words behind all references.
struct StaticRuns {
    uint32_t referenceAt, otherAt;
};

void placeClass(Image* img, ClassRecord* c) {
    if (isArrayClass(c)) {
        ArrayClassRecord* a = asArrayClass(c);
        uint32_t w = place(img, AREA_CLASSES, a, recordWords<ArrayClassRecord>());
        for (uint32_t k : {RECORD_WORD(ArrayClassRecord, clazz), RECORD_WORD(ArrayClassRecord, packageName),
                           RECORD_WORD(ArrayClassRecord, baseName), RECORD_WORD(ArrayClassRecord, next)})
            mark(img, AREA_CLASSES, w + k);
        if (a->gcType == GCT_OBJECTARRAY) mark(img, AREA_CLASSES, w + RECORD_WORD(ArrayClassRecord, u));
        // flags and key share one word: the ROM bit goes into the low half
        word(img, AREA_CLASSES, w + RECORD_WORD(ArrayClassRecord, accessFlags)) |= ACC_ROM_CLASS;
        word(img, AREA_CLASSES, w + RECORD_WORD(ArrayClassRecord, monitor)) = 0;
        img->arrayClasses++;
        return;
    }
    uint32_t w = place(img, AREA_CLASSES, c, recordWords<ClassRecord>());
    for (uint32_t k :
         {RECORD_WORD(ClassRecord, clazz), RECORD_WORD(ClassRecord, packageName), RECORD_WORD(ClassRecord, baseName),
          RECORD_WORD(ClassRecord, next), RECORD_WORD(ClassRecord, superClass), RECORD_WORD(ClassRecord, constPool),
          RECORD_WORD(ClassRecord, fieldTable), RECORD_WORD(ClassRecord, methodTable),
          RECORD_WORD(ClassRecord, interfaces)})
        mark(img, AREA_CLASSES, w + k);
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, monitor)) = 0;
    // statics live in the static area
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, staticFields)) = 0;
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, initThread)) = 0;
    if (c->cleanup != nullptr) img->problems.push_back(className(c) + ": a class of the image has a cleanup function");
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, cleanup)) = 0;
    bool ready = needsNoInitialiser(c);
    uint16_t flags = (uint16_t)(c->accessFlags | ACC_ROM_CLASS | (ready ? ACC_ROM_NON_INIT_CLASS : 0));
    // flags and key share one word, as do the instance size and the status
    static_assert(RECORD_WORD(ClassRecord, accessFlags) == RECORD_WORD(ClassRecord, key) &&
                      RECORD_WORD(ClassRecord, instSize) == RECORD_WORD(ClassRecord, status),
                  "shared words");
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, accessFlags)) = flags | ((uint32_t)c->key << 16);
    int16_t status = ready ? CLASS_READY : CLASS_VERIFIED;
    word(img, AREA_CLASSES, w + RECORD_WORD(ClassRecord, instSize)) = c->instSize | ((uint32_t)(uint16_t)status << 16);
    if (c->status != CLASS_VERIFIED)
        img->problems.push_back(className(c) + ": status " + std::to_string(c->status) +
                                " after loading, not verified");
    img->instanceClasses++;
    placeMethods(img, c);
    placeFields(img, c);
    placePool(img, c);
    if (c->interfaces != nullptr) place(img, AREA_CONST, c->interfaces, interfaceTableWords(c->interfaces[0]));
}

uint32_t staticReferencesOf(ClassRecord* c) { return c->staticFields ? (uint32_t)c->staticFields[0] : 0; }
uint32_t staticWordsOf(ClassRecord* c) {
    if (c->staticFields == nullptr) return 0;
    uint32_t words = 0;
    for (uint32_t i = 0; i < c->fieldTable->length; i++) {
        FieldRecord* f = &c->fieldTable->fields[i];
        if (f->accessFlags & ACC_STATIC) words += (f->accessFlags & ACC_DOUBLE) ? 2 : 1;
    }
    return words;
}

void placeStatics(Image* img, const std::vector<ClassRecord*>& classes) {
    uint32_t references = 0;
    for (ClassRecord* c : classes) references += staticReferencesOf(c);
    img->staticReferences = references;
    Area& area = img->areas[AREA_STATICS];
    Area& init = img->areas[AREA_STATIC_INIT];
    area.words.assign(1 + references, 0);
    area.marks.assign(1 + references, PLAIN);
    init.words.assign(1 + references, 0);
    init.marks.assign(1 + references, PLAIN);
    init.words[0] = references;
    uint32_t nextReference = 1;
    for (ClassRecord* c : classes) {
        cell* block = c->staticFields;
        if (block == nullptr) continue;
        uint32_t refs = staticReferencesOf(c);
        uint32_t others = staticWordsOf(c) - refs;
        if (refs > 0) {
            img->pieces[(uintptr_t)(block + 1)] =
                Piece{(uintptr_t)(block + 1), refs * 4, AREA_STATICS, nextReference * 4};
            for (uint32_t i = 0; i < refs; i++) {
                init.words[nextReference + i] = (uint32_t)block[1 + i];
                init.marks[nextReference + i] = DATA_POINTER;
            }
            nextReference += refs;
        }
        if (others > 0) {
            uint32_t at = (uint32_t)area.words.size();
            img->pieces[(uintptr_t)(block + 1 + refs)] =
                Piece{(uintptr_t)(block + 1 + refs), others * 4, AREA_STATICS, at * 4};
            for (uint32_t i = 0; i < others; i++) {
                area.words.push_back(0);
                area.marks.push_back(PLAIN);
                init.words.push_back((uint32_t)block[1 + refs + i]);
                init.marks.push_back(PLAIN);
            }
        }
    }
}

// Interned strings, rewritten onto one shared char array; the array follows them.
void placeStrings(Image* img, std::vector<uint16_t>* chars) {
    std::vector<std::pair<uint32_t, StringInstance*>> placed;
    for (uint32_t b = 0; b < InternStringTable->bucketCount; b++) {
        for (StringInstance* s = (StringInstance*)InternStringTable->buckets[b]; s != nullptr; s = s->next) {
            uint32_t w = place(img, AREA_STRINGS, s, recordWords<StringInstance>());
            placed.push_back({w, s});
            img->strings++;
        }
    }
    // the array object: class, monitor, length, then the characters
    for (auto& p : placed) {
        StringInstance* s = p.second;
        uint32_t w = p.first;
        word(img, AREA_STRINGS, w + RECORD_WORD(StringInstance, monitor)) = 0;
        word(img, AREA_STRINGS, w + RECORD_WORD(StringInstance, offset)) = (uint32_t)chars->size();
        const uint16_t* from = s->value->u.sdata + s->offset;
        chars->insert(chars->end(), from, from + s->count);
        mark(img, AREA_STRINGS, w + RECORD_WORD(StringInstance, clazz));
        mark(img, AREA_STRINGS, w + RECORD_WORD(StringInstance, value));
        mark(img, AREA_STRINGS, w + RECORD_WORD(StringInstance, next));
    }
    img->stringAreaEnd = (uint32_t)img->areas[AREA_STRINGS].words.size() * 4;
    img->charCount = (int)chars->size();
    uint32_t words = RECORD_WORD(ArrayObject, u) + ((uint32_t)chars->size() + 1) / 2;
    ArrayObject* array = (ArrayObject*)lowCalloc(words, 4);
    if (array == nullptr) {
        img->problems.push_back("no low memory for the strings' char array");
        return;
    }
    array->clazz = asClass(PrimitiveArrayClasses[T_CHAR]);
    array->length = (uint32_t)chars->size();
    if (!chars->empty()) memcpy(array->u.sdata, chars->data(), chars->size() * 2);
    uint32_t w = place(img, AREA_STRINGS, array, words);
    mark(img, AREA_STRINGS, w + RECORD_WORD(ArrayObject, clazz));
    img->sharedCharArray = array;
    for (auto& p : placed) word(img, AREA_STRINGS, p.first + RECORD_WORD(StringInstance, value)) = p32Word(array);
}

void placeNames(Image* img) {
    for (uint32_t b = 0; b < UTFStringTable->bucketCount; b++) {
        for (NameTableEntry* e = (NameTableEntry*)UTFStringTable->buckets[b]; e != nullptr; e = e->next) {
            uint32_t w = place(img, AREA_CONST, e, nameEntryWords(e->length));
            mark(img, AREA_CONST, w + RECORD_WORD(NameTableEntry, next));
            img->names++;
        }
    }
}

uint32_t placeTable(Image* img, VmHashTable* t) {
    uint32_t w = place(img, AREA_TABLES, t, RECORD_WORD(VmHashTable, buckets) + t->bucketCount);
    for (uint32_t b = 0; b < t->bucketCount; b++) mark(img, AREA_TABLES, w + RECORD_WORD(VmHashTable, buckets) + b);
    return w;
}

// ---------------------------------------------------------------------------------
// Writing the source: the areas as assembler data, the roots as C++
//
// Every word of an area is 32 bits on every host. A word that holds an address is
// written as ".4byte symbol+offset", so that the linker puts the address there (the
// programs are not position-independent and load below 2 GB); no address of this
// process is ever written. The roots (RomImage) are host pointers and stay C++.

// The assembler name of a native: a C++ function "void name()", possibly in namespaces,
// as the Itanium C++ ABI mangles it. A wrong guess is an undefined symbol at link time.
std::string mangledFunction(const std::string& name) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        size_t at = name.find("::", from);
        parts.push_back(name.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + 2;
    }
    std::string out = parts.size() > 1 ? "_ZN" : "_Z";
    for (const std::string& p : parts) out += std::to_string(p.size()) + p;
    out += parts.size() > 1 ? "Ev" : "v";
    return out;
}

bool isWritable(const Area& a) { return strstr(a.qualifiers, "const") == nullptr; }

const char* sectionOf(const Area& a) {
    // the same section types GCC gives VMDATA and VMBSS variables (both progbits)
    if (strcmp(a.qualifiers, "VMDATA") == 0) return "vmdata,\"aw\",@progbits";
    if (strcmp(a.qualifiers, "VMBSS") == 0) return "vmbss,\"aw\",@progbits";
    return ".rodata";
}

struct Writer {
    const Image* img;
    FILE* out;
    bool ok = true;

    // The area and byte offset of an address of this process that lies in the image.
    bool locate(uintptr_t target, const Area** area, uint32_t* offset) {
        auto it = img->pieces.upper_bound(target);
        if (it == img->pieces.begin()) return false;
        --it;
        const Piece& p = it->second;
        if (!(target < p.start + p.size || (target == p.start && p.size == 0))) return false;
        *area = &img->areas[p.area];
        *offset = p.offset + (uint32_t)(target - p.start);
        return true;
    }

    void outside(uintptr_t target) {
        fprintf(stderr, "imagegen: a pointer to %p lies outside the image\n", (void*)target);
        ok = false;
    }

    // An address word as the assembler's "symbol+offset".
    std::string asmAddress(uint32_t word) {
        if (word == 0) return "0";
        const Area* a;
        uint32_t offset;
        if (!locate((uintptr_t)p32Address(word), &a, &offset)) {
            outside((uintptr_t)p32Address(word));
            return "0";
        }
        return offset == 0 ? std::string(a->symbol) : std::string(a->symbol) + "+" + std::to_string(offset);
    }

    std::string asmFunction(uint32_t word) {
        auto it = img->functions.find(word);
        if (it == img->functions.end()) {
            fprintf(stderr, "imagegen: a native function at %p has no name\n", p32Address(word));
            ok = false;
            return "0";
        }
        return mangledFunction(it->second);
    }

    // A root: a host pointer of the given type into an area.
    std::string cxxAddress(const void* target, const char* type) {
        if (target == nullptr) return std::string("(") + type + ")nullptr";
        const Area* a;
        uint32_t offset;
        if (!locate((uintptr_t)target, &a, &offset)) {
            outside((uintptr_t)target);
            return std::string("(") + type + ")nullptr";
        }
        return std::string("(") + type + ")((const char*)" + a->symbol + " + " + std::to_string(offset) + ")";
    }

    void begin(const Area& a, size_t bytes) {
        fprintf(out, "asm(R\"image(\n\t.pushsection %s\n\t.balign 16\n\t.globl %s\n\t.type %s, @object\n", sectionOf(a),
                a.symbol, a.symbol);
        fprintf(out, "\t.size %s, %zu\n%s:\n", a.symbol, bytes, a.symbol);
    }

    void end() { fprintf(out, "\t.popsection\n)image\");\n\n"); }

    // The area's words and one zero word behind them, so that no area is empty.
    void words(const Area& a) {
        size_t bytes = (a.words.size() + 1) * 4;
        begin(a, bytes);
        if (strcmp(a.qualifiers, "VMBSS") == 0) {
            fprintf(out, "\t.zero %zu\n", bytes);
            end();
            return;
        }
        for (size_t i = 0; i < a.words.size(); i++) {
            std::string value;
            if (a.marks[i] == DATA_POINTER)
                value = asmAddress(a.words[i]);
            else if (a.marks[i] == FUNCTION_POINTER)
                value = asmFunction(a.words[i]);
            else {
                char text[16];
                snprintf(text, sizeof text, "0x%x", a.words[i]);
                value = text;
            }
            fprintf(out, "%s%s%s", i % 8 == 0 ? "\t.4byte " : ", ", value.c_str(), i % 8 == 7 ? "\n" : "");
        }
        if (a.words.size() % 8 != 0) fprintf(out, "\n");
        fprintf(out, "\t.4byte 0\n");
        end();
    }

    // The code bytes and four zero bytes behind them.
    void bytes(const Area& a) {
        begin(a, a.bytes.size() + 4);
        for (size_t i = 0; i < a.bytes.size(); i++)
            fprintf(out, "%s%u%s", i % 32 == 0 ? "\t.byte " : ",", a.bytes[i], i % 32 == 31 ? "\n" : "");
        if (a.bytes.size() % 32 != 0) fprintf(out, "\n");
        fprintf(out, "\t.byte 0,0,0,0\n");
        end();
    }
};

bool writeSource(Image* img, const char* path, const RomImage* roots) {
    FILE* out = fopen(path, "w");
    if (out == nullptr) {
        fprintf(stderr, "imagegen: cannot write %s\n", path);
        return false;
    }
    Writer w{img, out};
    fprintf(out,
            "// Generated by movane-imagegen from the class library: do not edit.\n"
            "// %d classes (%d array classes), %d methods (%d native, %d abstract), %d fields, %d names, %d strings.\n"
            "// The areas are assembler data of 32-bit words whose addresses the linker fills in;\n"
            "// the roots that follow them are host pointers.\n"
            "#include <stdint.h>\n\n#include \"tools/imagegen/classimage.h\"\n#include \"vm/core/romimage.h\"\n\n",
            img->instanceClasses + img->arrayClasses, img->arrayClasses, img->methods, img->nativeMethods,
            img->abstractMethods, img->fields, img->names, img->strings);
    for (int i = 0; i < AREA_COUNT; i++) {
        const Area& a = img->areas[i];
        fprintf(out, "extern %s%s %s[];\n", isWritable(a) ? "" : "const ", i == AREA_CODE ? "uint8_t" : "uint32_t",
                a.symbol);
    }
    fprintf(out, "\n");
    for (int i = 0; i < AREA_COUNT; i++) {
        if (i == AREA_CODE)
            w.bytes(img->areas[i]);
        else
            w.words(img->areas[i]);
    }
    const Area& classes = img->areas[AREA_CLASSES];
    const Area& strings = img->areas[AREA_STRINGS];
    const Area& code = img->areas[AREA_CODE];
    const Area& statics = img->areas[AREA_STATICS];
    fprintf(out, "extern const RomImage MovaneClassImage;\nconst RomImage MovaneClassImage = {\n");
    fprintf(out, "    %s,\n", w.cxxAddress(roots->nameTable, "VmHashTable*").c_str());
    fprintf(out, "    %s,\n", w.cxxAddress(roots->classTable, "VmHashTable*").c_str());
    fprintf(out, "    %s,\n    {", w.cxxAddress(roots->stringTable, "VmHashTable*").c_str());
    for (int i = 0; i < 8; i++)
        fprintf(out, "%s,%s", w.cxxAddress(roots->primitiveArrayClasses[i], "ArrayClassRecord*").c_str(),
                i % 2 ? "\n     " : " ");
    fprintf(out, "},\n");
    const void* systemClasses[7] = {roots->javaLangObject, roots->javaLangClass,  roots->javaLangString,
                                    roots->javaLangThread, roots->javaLangSystem, roots->javaLangThrowable,
                                    roots->javaLangError};
    for (const void* c : systemClasses) fprintf(out, "    %s,\n", w.cxxAddress(c, "ClassRecord*").c_str());
    fprintf(out, "    %s,\n", w.cxxAddress(roots->runCustomCode, "MethodRecord*").c_str());
    fprintf(out, "    %s, %s + %zu,\n", classes.symbol, classes.symbol, classes.words.size());
    fprintf(out, "    %s, %s + %zu,\n", code.symbol, code.symbol, code.bytes.size());
    fprintf(out, "    %s, %s + %u,\n", strings.symbol, strings.symbol, img->stringAreaEnd / 4);
    fprintf(out, "    %s,\n", w.cxxAddress(img->sharedCharArray, "const void*").c_str());
    fprintf(out, "    (cell*)%s, (const cell*)%s, %zu, %u, 0,\n};\n", statics.symbol,
            img->areas[AREA_STATIC_INIT].symbol, statics.words.size() * 4, img->codeBytes);
    fprintf(out, "\nconst ClassImageArea MovaneClassImageAreas[] = {\n");
    for (int i = 0; i < AREA_COUNT; i++) {
        const Area& a = img->areas[i];
        size_t size = i == AREA_CODE ? a.bytes.size() : a.words.size() * 4;
        fprintf(out, "    {\"%s\", %s, %zu, %d},\n", a.symbol, a.symbol, size, isWritable(a) ? 1 : 0);
    }
    fprintf(out, "};\nconst int32_t MovaneClassImageAreaCount = %d;\n", (int)AREA_COUNT);
    bool written = !ferror(out);
    if (fclose(out) != 0) written = false;
    if (!written) fprintf(stderr, "imagegen: cannot write %s\n", path);
    return written && w.ok;
}

int writeImage(const char* path, const LoadResult& result);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: movane-imagegen <library.jar> <out.cpp>\n");
        return 2;
    }
    TraceSetOutput("stderr");
    installClassLoader();
    installRuntimeServices();
    installLibraryNatives();
    installUiNatives();
    installMediaNatives();
    std::vector<uint8_t> jar;
    std::vector<std::string> names;
    if (!HostFileReadAll(argv[1], &jar) || !listClasses(jar, &names)) {
        fprintf(stderr, "imagegen: cannot read the class library %s\n", argv[1]);
        return 1;
    }
    std::vector<char*> nameVector;
    for (std::string& n : names) nameVector.push_back(&n[0]);
    // the memory file's record keeps the archive's address in a word
    uint8_t* lowJar = (uint8_t*)lowAlloc(jar.size());
    if (lowJar == nullptr || jar.size() > 0x7FFFFFFF) {
        fprintf(stderr, "imagegen: no low memory for the class library (%zu bytes)\n", jar.size());
        lowFree(lowJar);
        return 1;
    }
    memcpy(lowJar, jar.data(), jar.size());
    LoadResult result = {};
    int32_t loaded = startAndLoad(lowJar, (int32_t)jar.size(), nameVector.data(), (int32_t)nameVector.size(), &result);
    int status = loaded == 0 ? writeImage(argv[2], result) : 1;
    if (heapBlock != nullptr) lowUnmapPages(heapBlock, heapBlockBytes);
    lowFree(lowJar);
    return status;
}

namespace {

// Lays the loaded classes out as the image and writes it; 0 when written.
int writeImage(const char* path, const LoadResult& result) {
    std::unique_ptr<Image> owner(new Image);
    Image* img = owner.get();
    img->areas[AREA_CLASSES] = {"movaneImageClasses", "VMDATA", {}, {}, {}};
    img->areas[AREA_TABLES] = {"movaneImageTables", "VMDATA", {}, {}, {}};
    img->areas[AREA_POOLS] = {"movaneImageWritablePools", "VMDATA", {}, {}, {}};
    img->areas[AREA_CONST] = {"movaneImageRecords", "const", {}, {}, {}};
    img->areas[AREA_STRINGS] = {"movaneImageStrings", "const", {}, {}, {}};
    img->areas[AREA_CODE] = {"movaneImageCode", "const", {}, {}, {}};
    img->areas[AREA_STATICS] = {"movaneImageStatics", "VMBSS", {}, {}, {}};
    img->areas[AREA_STATIC_INIT] = {"movaneImageStaticValues", "const", {}, {}, {}};
    for (const NativeBindingTable* set : NativeTables.tables) {
        for (int32_t c = 0; set != nullptr && c < set->count; c++) {
            const NativeClassBinding& table = set->classes[c];
            for (int32_t m = 0; m < table.count; m++) {
                if (table.methods[m].function != nullptr)
                    img->functions[p32Word((const void*)table.methods[m].function)] = table.methods[m].functionName;
            }
        }
    }
    img->functions[p32Word((const void*)unboundNative)] = "unboundNative";

    std::vector<ClassRecord*> classes;
    for (uint32_t b = 0; b < ClassTable->bucketCount; b++) {
        for (ClassRecord* c = (ClassRecord*)ClassTable->buckets[b]; c != nullptr; c = c->next) {
            if (!isArrayClass(c) && c->status == CLASS_RAW) {
                img->problems.push_back(className(c) + ": named by the library but not in it");
                continue;
            }
            classes.push_back(c);
        }
    }
    for (ClassRecord* c : classes) placeClass(img, c);
    // runCustomCode was given its code by the start path; it is a method like the others
    std::vector<uint16_t> chars;
    placeStrings(img, &chars);
    placeNames(img);
    placeTable(img, UTFStringTable);
    placeTable(img, ClassTable);
    placeTable(img, InternStringTable);
    std::vector<ClassRecord*> instanceClasses;
    for (ClassRecord* c : classes) {
        if (!isArrayClass(c)) instanceClasses.push_back(c);
    }
    placeStatics(img, instanceClasses);

    for (const std::string& p : img->problems) fprintf(stderr, "imagegen: %s\n", p.c_str());
    if (!img->problems.empty() || result.failedMethods > 0) return 1;

    RomImage roots = {};
    roots.nameTable = UTFStringTable;
    roots.classTable = ClassTable;
    roots.stringTable = InternStringTable;
    saveRomImageRoots(&roots);
    if (!writeSource(img, path, &roots)) {
        remove(path);
        return 1;
    }
    printf(
        "Class image: %d classes (%d instance, %d array), %d methods (%d bytecode, %d abstract, %d native, "
        "%d of them unbound), %d fields (%d static), %d names, %d strings over %d chars, %u bytes of bytecode, "
        "%zu bytes of statics (%u references), %d pools keep unresolved entries (%d entries)\n",
        img->instanceClasses + img->arrayClasses, img->instanceClasses, img->arrayClasses, img->methods,
        img->bytecodeMethods, img->abstractMethods, img->nativeMethods, img->unboundMethods, img->fields,
        img->staticFields, img->names, img->strings, img->charCount, img->codeBytes,
        img->areas[AREA_STATICS].words.size() * 4, img->staticReferences, img->writablePools,
        (int)result.failedEntries);
    for (const std::string& u : img->unbound) printf("  unbound native: %s\n", u.c_str());
    return 0;
}

}  // namespace
