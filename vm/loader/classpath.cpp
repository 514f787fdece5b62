// The class path over named memory files, and the class-file streams the loader and the
// resource natives read. Entries, streams and name buffers live in the Java heap and may
// move at any allocation, so they are re-read from their roots after each one.
#include <string.h>

#include "platform/bytes.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/interp.h"
#include "vm/core/romimage.h"
#include "vm/core/utf.h"
#include "vm/loader/classpath.h"
#include "vm/loader/jar.h"
#include "vm/loader/registries.h"

VMBSS cell* ClassPathTable;
VMBSS int32_t ClassPathMaxDirectoryLength;
VMBSS int32_t loadingFromAppJar;
// The first archive of the path refused at start for its content: a lookup that misses
// might have been answered by it.
static VMBSS JarDamage UnopenedJarDamage;

static const char TruncatedClassFile[] = "Class file size does not match";
static const char AppJarName[] = "/app.jar";

static inline ClassPathEntry* classPathEntry(int i) { return p32Ptr<ClassPathEntry>(ClassPathTable[i + 1]); }

void initClassPath(const char* classPath) {
    if (classPath == nullptr) classPath = "";
    int32_t names = 1;
    for (const char* p = classPath; *p; p++) {
        if (*p == ';') names++;
    }
    ClassPathMaxDirectoryLength = 0;
    UnopenedJarDamage.what = nullptr;
    ClassPathTable = callocObject(names + 1, GCT_POINTERLIST);
    makeGlobalRoot(&ClassPathTable);
    ClassPathTable[0] = names;
    int32_t usable = 0;
    const char* start = classPath;
    for (int32_t i = 0; i < names; i++) {
        const char* end = strchr(start, ';');
        int32_t length = end ? (int32_t)(end - start) : (int32_t)strlen(start);
        cell* block = callocObject((int32_t)((offsetof(ClassPathEntry, name) + length + 1 + 3) / 4), GCT_NOPOINTERS);
        ClassPathTable[usable + 1] = p32Cell(block);
        ClassPathEntry* entry = (ClassPathEntry*)block;
        memcpy(entry->name, start, (size_t)length);
        entry->name[length] = 0;
        int32_t mode = 0, size = 0;
        if (statMemoryFile(entry->name, &mode, &size) == 0 && (mode & 0xF000) == MEMORY_FILE_MODE_DIRECTORY) {
            entry->type = CLASSPATH_DIRECTORY;
            if (length > ClassPathMaxDirectoryLength) ClassPathMaxDirectoryLength = length;
        } else {
            // opened into a local record: building the index allocates and may move the entry
            JarFile jar;
            memset(&jar, 0, sizeof jar);
            JarLastDamage.what = nullptr;
            if (jarOpen(entry->name, 0, &jar)) {
                entry = classPathEntry(usable);
                memcpy(entry->jar, &jar, sizeof jar);
                entry->type = CLASSPATH_JAR;
            } else if (JarLastDamage.what != nullptr && UnopenedJarDamage.what == nullptr) {
                UnopenedJarDamage = JarLastDamage;
            }
        }
        entry = classPathEntry(usable);
        if (entry->type != 0) {
            usable++;
        } else {
            ClassPathTable[usable + 1] = 0;
            ClassPathTable[0]--;
        }
        if (end == nullptr) break;
        start = end + 1;
    }
}

void releaseClassPath() {
    if (ClassPathTable == nullptr) return;
    for (int32_t i = 0; i < ClassPathTable[0]; i++) {
        ClassPathEntry* entry = classPathEntry(i);
        if (entry != nullptr && entry->type == CLASSPATH_JAR) jarClose((JarFile*)entry->jar);
        ClassPathTable[i + 1] = 0;
    }
    ClassPathTable = nullptr;
}

// name is read through nameRef after every allocation: the caller keeps it in a root.
static ClassFileStream* openClassPathFileAt(char* const* nameRef, int isClass) {
    JarLastDamage.what = nullptr;
    if (ClassPathTable == nullptr) return nullptr;
    int32_t nameLength = (int32_t)strlen(*nameRef);
    int32_t saved = TemporaryRootsLength;
    char* path = nullptr;
    makeTemporaryRoot(&path);
    ClassFileStream* found = nullptr;
    for (int32_t i = 0; found == nullptr && i < ClassPathTable[0]; i++) {
        ClassPathEntry* entry = classPathEntry(i);
        if (entry->type == CLASSPATH_DIRECTORY) {
            if (path == nullptr) path = mallocBytes(ClassPathMaxDirectoryLength + nameLength + 2);
            entry = classPathEntry(i);
            strcpy(path, entry->name);
            strcat(path, "/");
            strcat(path, *nameRef);
            MemoryFileEntry* file = openMemoryFile(path, "rb");
            if (file == nullptr) continue;
            int32_t size = 0, mode = 0;
            if (statMemoryFile(path, &mode, &size) != 0) size = 0;
            ClassFileStream* stream = (ClassFileStream*)mallocHeapObject(STREAM_HEADER_SIZE / 4, GCT_NOPOINTERS);
            if (stream == nullptr) {
                closeMemoryFile(file);
                throwObject(OutOfMemoryObject);
            }
            stream->kind = STREAM_FILE;
            stream->size = size;
            stream->u.file = file;
            found = stream;
        } else if (entry->type == CLASSPATH_JAR) {
            loadingFromAppJar = strcmp(entry->name, AppJarName) == 0;
            int32_t size = 0;
            uint8_t* block = jarFindEntry((JarFile*)entry->jar, *nameRef, &size, STREAM_HEADER_SIZE, isClass);
            if (block == nullptr) continue;
            entry = classPathEntry(i);
            if (isSystemClass(*nameRef, entry->name)) fatalVMError("Cannot load system package from Jar");
            ClassFileStream* stream = (ClassFileStream*)block;
            stream->kind = STREAM_MEMORY;
            stream->size = size;
            stream->u.position = 0;
            found = stream;
        }
    }
    TemporaryRootsLength = saved;
    // a damaged entry that a later archive answered did the lookup no harm
    if (found != nullptr) JarLastDamage.what = nullptr;
    return found;
}

const JarDamage* classPathDamage() {
    if (JarLastDamage.what != nullptr) return &JarLastDamage;
    if (UnopenedJarDamage.what != nullptr) return &UnopenedJarDamage;
    return nullptr;
}

ClassFileStream* openClassPathFile(const char* name, int isClass) {
    char* fixed = (char*)name;
    return openClassPathFileAt(&fixed, isClass);
}

ClassFileStream* openClassStream(ClassRecord* clazz) {
    NameTableEntry* package = clazz->packageName;
    NameTableEntry* base = clazz->baseName;
    int32_t packageLength = package ? package->length : 0;
    char* name = mallocBytes(packageLength + 1 + base->length + 7);
    char* p = name;
    if (package != nullptr && package->length > 0) {
        memcpy(p, package->bytes, package->length);
        p += package->length;
        *p++ = '/';
    }
    memcpy(p, base->bytes, base->length);
    p += base->length;
    memcpy(p, ".class", 7);
    int32_t saved = TemporaryRootsLength;
    makeTemporaryRoot(&name);
    ClassFileStream* stream = openClassPathFileAt(&name, 1);
    TemporaryRootsLength = saved;
    return stream;
}

ClassFileStream* openResourceStream(const char* name) { return openClassPathFile(name, 0); }

// Reading

[[noreturn]] static void truncatedClassFile() { raiseExceptionWithMessage(ClassFormatError, TruncatedClassFile); }

int32_t readStreamByteOrEnd(ClassFileStream* stream) {
    if (stream->kind == STREAM_MEMORY) {
        if (stream->u.position >= stream->size) return -1;
        return streamBytes(stream)[stream->u.position++];
    }
    return getcMemoryFile(stream->u.file);
}

int32_t readStreamByte(ClassFileStream* stream) {
    int32_t b = readStreamByteOrEnd(stream);
    if (b < 0) truncatedClassFile();
    return b;
}

int32_t readStreamU16(ClassFileStream* stream) {
    if (stream->kind == STREAM_MEMORY) {
        int32_t at = stream->u.position;
        if (stream->size - at < 2) truncatedClassFile();
        const uint8_t* b = streamBytes(stream) + at;
        stream->u.position = at + 2;
        return be16(b);
    }
    int32_t high = readStreamByte(stream);
    return (high << 8) | readStreamByte(stream);
}

int32_t readStreamU32(ClassFileStream* stream) {
    if (stream->kind == STREAM_MEMORY) {
        int32_t at = stream->u.position;
        if (stream->size - at < 4) truncatedClassFile();
        const uint8_t* b = streamBytes(stream) + at;
        stream->u.position = at + 4;
        return beS32(b);
    }
    uint32_t high = (uint32_t)readStreamU16(stream);
    return (int32_t)((high << 16) | (uint32_t)readStreamU16(stream));
}

int32_t readStreamBytes(ClassFileStream* stream, void* buffer, int32_t count) {
    if (count < 0) truncatedClassFile();
    if (count == 0) return 0;
    if (stream->kind == STREAM_MEMORY) {
        int32_t at = stream->u.position;
        if (stream->size - at < count) truncatedClassFile();
        memcpy(buffer, streamBytes(stream) + at, (size_t)count);
        stream->u.position = at + count;
        return count;
    }
    if (readMemoryFile(buffer, 1, count, stream->u.file) != count) truncatedClassFile();
    return count;
}

int32_t readStreamAt(ClassFileStream* stream, void* buffer, int32_t position, int32_t count) {
    if (stream == nullptr || buffer == nullptr || count < 0 || position < -1) return -1;
    if (stream->kind == STREAM_MEMORY) {
        int32_t at = position == -1 ? stream->u.position : position;
        if (at > stream->size) return -1;
        int32_t n = stream->size - at;
        if (n > count) n = count;
        if (n <= 0 && count > 0) return -1;
        memcpy(buffer, streamBytes(stream) + at, (size_t)n);
        stream->u.position = at + n;
        return n;
    }
    MemoryFileEntry* file = stream->u.file;
    if (position != -1 && seekMemoryFile(file, position, 0) != 0) return -1;
    if (count == 0) return 0;
    int32_t n = readMemoryFile(buffer, 1, count, file);
    return n > 0 ? n : -1;
}

void skipStreamBytes(ClassFileStream* stream, int32_t count) {
    if (count < 0) truncatedClassFile();
    if (stream->kind == STREAM_MEMORY) {
        if (stream->size - stream->u.position < count) truncatedClassFile();
        stream->u.position += count;
        return;
    }
    MemoryFileEntry* file = stream->u.file;
    if (stream->size > 0) {
        if (seekMemoryFile(file, count, 1) != 0) truncatedClassFile();
        return;
    }
    while (count-- > 0) {
        if (getcMemoryFile(file) < 0) truncatedClassFile();
    }
}

int32_t streamAvailable(ClassFileStream* stream) {
    if (stream->kind == STREAM_MEMORY) return stream->size - stream->u.position;
    int32_t at = tellMemoryFile(stream->u.file);
    if (stream->size <= 0 || at < 0) return 0;
    return stream->size - at;
}

void closeClassStream(ClassFileStream* stream) {
    if (stream != nullptr && stream->kind == STREAM_FILE) closeMemoryFile(stream->u.file);
}

// ResourceInputStream natives (static; arguments and result on the operand stack).

static const char IOException[] = "java/io/IOException";

static inline cell popCell() { return *Regs.sp--; }
static inline void pushCell(cell v) { *++Regs.sp = v; }

void Java_com_sun_cldc_io_ResourceInputStream_open() {
    StringInstance* string = p32Ptr<StringInstance>(popCell());
    if (string == nullptr) raiseException(IOException);
    int32_t saved = TemporaryRootsLength;
    makeTemporaryRoot(&string);
    // JAR entry names are UTF-8: the name keeps every character, not its low 8 bits
    int32_t length = unicode2utfstrlen(string->value->u.sdata + string->offset, string->count);
    ArrayObject* bytes = instantiateArray(PrimitiveArrayClasses[T_BYTE], length + 1);
    char* name = (char*)bytes->u.bdata;
    unicode2utf(string->value->u.sdata + string->offset, string->count, name, length + 1);
    makeTemporaryInteriorRoot(&name, bytes);
    ClassFileStream* stream = openClassPathFileAt(&name, 0);
    TemporaryRootsLength = saved;
    if (stream == nullptr) raiseException(IOException);
    pushCell(p32Cell(stream));
}

void Java_com_sun_cldc_io_ResourceInputStream_close() {
    ClassFileStream* stream = p32Ptr<ClassFileStream>(popCell());
    if (stream != nullptr) closeClassStream(stream);
}

void Java_com_sun_cldc_io_ResourceInputStream_read() {
    ClassFileStream* stream = p32Ptr<ClassFileStream>(popCell());
    if (stream == nullptr) raiseException(IOException);
    pushCell(readStreamByteOrEnd(stream));
}

void Java_com_sun_cldc_io_ResourceInputStream_readBytes() {
    int32_t length = popCell();
    int32_t position = popCell();
    int32_t offset = popCell();
    ArrayObject* array = p32Ptr<ArrayObject>(popCell());
    ClassFileStream* stream = p32Ptr<ClassFileStream>(popCell());
    if (stream == nullptr || array == nullptr) raiseException(IOException);
    // the Java caller keeps the range inside the array; a range outside it reads nothing
    if (offset < 0 || length < 0 || (int64_t)offset + length > (int64_t)array->length) {
        pushCell(-1);
        return;
    }
    pushCell(readStreamAt(stream, array->u.bdata + offset, position, length));
}

void Java_com_sun_cldc_io_ResourceInputStream_size() {
    ClassFileStream* stream = p32Ptr<ClassFileStream>(popCell());
    if (stream == nullptr) raiseException(IOException);
    pushCell(streamAvailable(stream));
}
