// The application descriptor interface: JAD files and JAR manifests read into lists of
// attributes, JARs opened in memory or through a read callback with single entries read
// (stored or deflated, CRC-checked), the required-attribute, configuration and profile
// checks, the JAD-manifest match and merge, and small text operations. Everything it
// allocates comes from the caller's environment.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

struct mvHeapDescriptor;
struct QamsEnv;

typedef void* (*QamsAllocFn)(int32_t size, QamsEnv* env);
typedef void (*QamsFreeFn)(void* block, QamsEnv* env);
// (buffer, offset, size) -> bytes read, 0 when none are available yet, negative on failure.
typedef int32_t (*QamsReadFn)(uint8_t* buffer, int32_t offset, int32_t size);

// The records below live in the environment's block heap (4-aligned) and are read as
// words: every pointer field is one word.
struct QamsEnv {
    P32<mvHeapDescriptor> heap;  // QAMS_NO_HEAP_WORD with the functions
    P32Fn<QamsAllocFn> alloc;
    P32Fn<QamsFreeFn> free;
};
static_assert(sizeof(QamsEnv) == 12, "QamsEnv is three words");

struct QamsAttribute {
    int32_t keyLength;
    P32<const char> key;
    int32_t valueLength;
    P32<const char> value;
    int32_t index;
    P32<QamsAttribute> next;
};
static_assert(sizeof(QamsAttribute) == 24, "an attribute is six words");

struct QamsDescriptor {
    uint32_t kind;
    P32<char> text;  // null for a merged descriptor
    P32<QamsAttribute> first;
};
static_assert(sizeof(QamsDescriptor) == 12, "QamsDescriptor is three words");

struct QamsJar {
    P32<const void> source;  // the JAR's address, or its read function
    uint32_t archiveStart;
    uint32_t centralDirectory;
    int32_t size;  // the JAR's size, against which every offset is checked
    int32_t mode;  // 0 memory, 1 callback
};
static_assert(sizeof(QamsJar) == 20, "the JAR handle is five words");

#define QAMS_NO_HEAP ((mvHeapDescriptor*)-1)
// QAMS_NO_HEAP as the heap word of an environment holds it.
enum : uint32_t { QAMS_NO_HEAP_WORD = 0xFFFFFFFFu };
#define QAMS_NO_ENV ((QamsEnv*)-1)
#define QAMS_NO_DESCRIPTOR ((QamsDescriptor*)-1)
#define QAMS_NO_JAR ((QamsJar*)-1)

enum {
    QAMS_OUT_OF_MEMORY = -1,
    QAMS_READ_FAILURE = -2,
    QAMS_BAD_ARGUMENT = -3,
    QAMS_SYNTAX = -4,
    QAMS_NEGATIVE_SIZE = -5,
    QAMS_NO_NAME = -6,
    QAMS_NO_VENDOR = -7,
    QAMS_NO_VERSION = -8,
    QAMS_NO_MIDLET = -9,
    QAMS_NO_PROFILE = -10,
    QAMS_NO_CONFIGURATION = -11,
    QAMS_NO_JAR_URL = -12,
    QAMS_NO_JAR_SIZE = -13,
    QAMS_NAME_MISMATCH = -14,
    QAMS_VENDOR_MISMATCH = -15,
    QAMS_VERSION_MISMATCH = -16,
    QAMS_ABSENT = -17,
    QAMS_VALUE_MISMATCH = -18,
    QAMS_INDEX_RANGE = -19,
    QAMS_NUMBER_RANGE = -20,
    QAMS_NOT_FOUND = -21,
    QAMS_URL_TOO_LONG = -22,
    QAMS_CONFIGURATION_UNSUPPORTED = -23,
    QAMS_PROFILE_UNSUPPORTED = -24,
};

// Attribute indices beyond the predefined 0..16.
enum { QAMS_MIDLET_N = 1000, QAMS_MIDLET_PUSH_N = 1001, QAMS_OTHER = -1, QAMS_PREDEFINED = 17 };

QamsEnv* QamsEnvInitialize(int32_t memorySize, void* memory, int32_t* error);
QamsEnv* QamsEnvInitializeWith(QamsAllocFn alloc, QamsFreeFn free, int32_t* error);
int32_t QamsEnvFinalize(QamsEnv* env);
void* QamsAlloc(QamsEnv* env, int32_t size);
void QamsFree(QamsEnv* env, void* block);

QamsDescriptor* QamsJadOpen(QamsEnv* env, int32_t size, const uint8_t* text, QamsReadFn read, int32_t* error);
QamsDescriptor* QamsManifestOpen(QamsEnv* env, QamsJar* jar, int32_t* error);
// Parses a text of the caller's (copied first) as a JAD (jad 1) or a manifest (jad 0).
QamsDescriptor* QamsDescriptorParse(QamsEnv* env, const uint8_t* text, int32_t size, int32_t jad, int32_t* error);
int32_t QamsJadClose(QamsEnv* env, QamsDescriptor* descriptor);
QamsJar* QamsJarOpen(QamsEnv* env, int32_t size, const uint8_t* memory, QamsReadFn read, int32_t* error);
int32_t QamsJarClose(QamsEnv* env, QamsJar* jar);

const char* QamsDescriptorGetValueByIndex(QamsEnv* env, QamsDescriptor* d, int32_t index, int32_t* length,
                                          int32_t* error);
const char* QamsDescriptorGetValueByKey(QamsEnv* env, QamsDescriptor* d, const char* key, int32_t keyLength,
                                        int32_t* length, int32_t* error);
int32_t QamsDescriptorGetVersion(QamsEnv* env, QamsDescriptor* d, int32_t* major, int32_t* minor, int32_t* micro);
int32_t QamsJarGetEntrySize(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength);
int32_t QamsJarReadEntry(QamsEnv* env, QamsJar* jar, const char* name, int32_t nameLength, uint8_t* buffer,
                         int32_t bufferSize);
int32_t QamsJarGetAttributeEntrySize(QamsEnv* env, QamsDescriptor* d, QamsJar* jar);
int32_t QamsJarReadAttributeEntry(QamsEnv* env, QamsDescriptor* d, QamsJar* jar, uint8_t* buffer, int32_t bufferSize);
const char* QamsGetSupportedVersion(int32_t which, int32_t* length, int32_t* error);

int32_t QamsDescriptorCheckRequired(QamsEnv* env, QamsDescriptor* d);
int32_t QamsDescriptorCheckProfiles(QamsEnv* env, QamsDescriptor* d);
int32_t QamsDescriptorVerifyMatch(QamsEnv* env, QamsDescriptor* jad, QamsDescriptor* manifest, int32_t strict);
QamsDescriptor* QamsDescriptorMerge(QamsEnv* env, QamsDescriptor* first, QamsDescriptor* second, int32_t* error);

int32_t QamsParseInt(const char* text, int32_t length, int32_t* error);
int32_t QamsFindSeparator(const char* text, int32_t start, int32_t end, const char* pattern, int32_t patternLength);
const char* QamsTrimRange(const char* text, int32_t length, int32_t* outLength, int32_t* error);
const char* QamsGetListElement(const char* text, int32_t length, int32_t n, int32_t* outLength, int32_t* error);
int32_t QamsCountListElements(const char* text, int32_t length);

// The suite store's question: the value of key in a JAD text, NUL-terminated in out
// (cut to outSize - 1 bytes); 0, or -1 when the text does not parse or has no such key.
// Values are always trimmed of spaces and tabs, whatever trim says.
int32_t QamsGetAttribute(const char* text, int32_t length, const char* key, char* out, int32_t outSize, int32_t trim);
