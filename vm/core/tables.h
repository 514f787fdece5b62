// The name, class and string tables: one identity per name, class and literal string
// of a run, with 16-bit keys for names and classes, and the conversions between
// signature text and keys.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

struct VmHashTable {
    uint32_t bucketCount;
    uint32_t count;
    P32<void> buckets[1];
};

enum {
    NAME_TABLE_BUCKETS = 256,
    CLASS_TABLE_BUCKETS = 32,
    STRING_TABLE_BUCKETS = 32,
    // link word of each table's entries
    NAME_TABLE_LINK = 0,
    CLASS_TABLE_LINK = 4,
    STRING_TABLE_LINK = 5,
};

uint32_t stringHash(const char* text, int length);

NameTableEntry* lookupNameTableEntry(const char* text, int length);
uint16_t changeNameToKey(const char* text, int length);
const char* changeKeyToName(uint16_t key, int* length);
ClassRecord* lookupClassTableEntry(NameTableEntry* packageName, NameTableEntry* baseName);
ClassRecord* getRawClassX(const char* name, int start, int length);
ClassRecord* getRawClass(const char* name);
ClassRecord* changeKeyToClass(TypeKey key);
StringInstance* internString(const char* utf, int length, int create);
TypeKey changeFieldSignatureToKey(const char* text, int start, int length);
uint16_t changeMethodSignatureToKey(const char* text, int start, int length);
uint32_t getNameAndTypeKey(const char* name, const char* signature);
char* change_Key_to_FieldSignature_inBuffer(TypeKey key, char* buffer, int size);
char* change_Key_to_MethodSignature_inBuffer(uint16_t key, char* buffer, int size);
void change_Key_to_MethodSignatureInternal(const uint8_t** from, char** to, int* sizeLeft);
char* getFieldSignatureString(TypeKey key);
char* getMethodSignatureString(uint16_t key);
void trimHashTableToImage(VmHashTable* table, int linkWord);
