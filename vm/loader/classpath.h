// Named memory files and the class path. The host hands the VM its archives as memory
// (a block of bytes or a read callback) under short names ("/app.jar"); the class path is
// a ";"-separated list of such names, and classes and resources are opened through it
// and read as big-endian byte streams.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

// read(buffer, offset, count) -> bytes read, 0 for none yet, negative for failure.
typedef int32_t (*MemoryFileReadFn)(uint8_t* buffer, int32_t offset, int32_t count);

enum {
    MEMORY_FILE_COUNT = 8,
    MEMORY_FILE_NAME_SIZE = 32,
    MEMORY_FILE_CACHE_SIZE = 1024,
    MEMORY_FILE_MODE_REGULAR = 0x8100,
    MEMORY_FILE_MODE_DIRECTORY = 0x4000,
};

// One named memory file; an open file is the entry itself (one shared position). The
// data block and the callback are kept in words: the block must come from low memory.
struct MemoryFileEntry {
    char name[MEMORY_FILE_NAME_SIZE];  // first byte 0: a free entry
    int32_t openFlag;
    P32<const uint8_t> data;
    P32Fn<MemoryFileReadFn> read;  // used only when data is null
    int32_t size;
    int32_t position;
};
static_assert(sizeof(MemoryFileEntry) == 52, "MemoryFileEntry is a name and five words");

extern VMBSS MemoryFileEntry MemoryFiles[MEMORY_FILE_COUNT];

// -> handle 1..8; -2 null or empty name, -3 name taken, -4 table full, -1 neither data
// nor callback (the name then stays registered). data lies in low memory (lowAlloc, or
// the program's own data) and outlives the registration.
int32_t registerMemoryFile(const char* name, const uint8_t* data, MemoryFileReadFn read, int32_t size);
// By name, or by handle when name is null; unknown names and handles do nothing.
void unregisterMemoryFile(const char* name, int32_t handle);

// Open by exact name (mode ignored): the entry, open, at position 0; null when unknown.
MemoryFileEntry* openMemoryFile(const char* name, const char* mode);
// The same answering the handle 1..8, or -1.
int32_t openMemoryFileHandle(const char* name, const char* mode);
MemoryFileEntry* memoryFileForHandle(int32_t handle);
void closeMemoryFile(MemoryFileEntry* file);
// Reads size * count bytes; answers the bytes read.
int32_t readMemoryFile(void* buffer, int32_t size, int32_t count, MemoryFileEntry* file);
// whence 0 start, 1 position, 2 end -> 0, or -1 (not open, bad whence, out of 0..size).
int32_t seekMemoryFile(MemoryFileEntry* file, int32_t offset, int32_t whence);
int32_t tellMemoryFile(MemoryFileEntry* file);
// Next byte 0..255, or -1 at the end or when not open.
int32_t getcMemoryFile(MemoryFileEntry* file);
// -> 0 with mode 0x8100 and the size, or -1 for an unknown name.
int32_t statMemoryFile(const char* name, int32_t* mode, int32_t* size);

// A class-file stream. Kind 0 reads through an open memory file (u.file; size 0 when
// unknown); kind 1 is a JAR entry read whole into the heap, its bytes right behind
// this three-word header (u.position). Streams live in the Java heap and may move:
// callers keep them in a temporary root.
enum { STREAM_FILE = 0, STREAM_MEMORY = 1, STREAM_HEADER_SIZE = 12 };
struct ClassFileStream {
    int32_t kind;
    int32_t size;
    union {
        P32<MemoryFileEntry> file;
        int32_t position;
    } u;
};
static_assert(sizeof(ClassFileStream) == STREAM_HEADER_SIZE, "stream header is three words");

inline uint8_t* streamBytes(ClassFileStream* stream) { return (uint8_t*)stream + STREAM_HEADER_SIZE; }

// Class-path entry: 16 bytes for the JAR reader, a type byte, then the name.
enum { CLASSPATH_DIRECTORY = 'd', CLASSPATH_JAR = 'j' };
struct ClassPathEntry {
    uint32_t jar[4];  // a JarFile (vm/loader/jar.h): four words, its pointers 32-bit
    uint8_t type;     // 'd', 'j' or 0
    char name[3];     // NUL-terminated, as long as needed
};
static_assert(sizeof(ClassPathEntry) == 20, "class-path entry header");

// Word 0 the number of usable entries, then the address of each ClassPathEntry (a
// global root).
extern VMBSS cell* ClassPathTable;
extern VMBSS int32_t ClassPathMaxDirectoryLength;
// Set by every JAR lookup: whether the entry searched last was "/app.jar".
extern VMBSS int32_t loadingFromAppJar;

struct JarDamage;
// After a lookup that missed: why it may be the archive's fault rather than the name's,
// a damaged entry of that name or an archive of the path that could not be opened at
// all; null when no archive was found damaged.
const JarDamage* classPathDamage();

void initClassPath(const char* classPath);
void releaseClassPath();
ClassFileStream* openClassStream(ClassRecord* clazz);
// name must not move while these run (static text, or a block the caller pinned).
ClassFileStream* openResourceStream(const char* name);
ClassFileStream* openClassPathFile(const char* name, int isClass);

// The strict readers throw java/lang/ClassFormatError "Class file size does not match"
// when the stream ends early.
int32_t readStreamByteOrEnd(ClassFileStream* stream);
int32_t readStreamByte(ClassFileStream* stream);
int32_t readStreamU16(ClassFileStream* stream);
int32_t readStreamU32(ClassFileStream* stream);
int32_t readStreamBytes(ClassFileStream* stream, void* buffer, int32_t count);
// position -1: the current one. Bytes read or -1; never throws.
int32_t readStreamAt(ClassFileStream* stream, void* buffer, int32_t position, int32_t count);
void skipStreamBytes(ClassFileStream* stream, int32_t count);
int32_t streamAvailable(ClassFileStream* stream);
void closeClassStream(ClassFileStream* stream);

// ResourceInputStream natives.
void Java_com_sun_cldc_io_ResourceInputStream_open();
void Java_com_sun_cldc_io_ResourceInputStream_close();
void Java_com_sun_cldc_io_ResourceInputStream_read();
void Java_com_sun_cldc_io_ResourceInputStream_readBytes();
void Java_com_sun_cldc_io_ResourceInputStream_size();
