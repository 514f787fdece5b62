// The class-file loader and linker: reads the class file of a raw class record through
// the class path into its constant pool, field, method, interface and static tables,
// then links it with its superclasses and interfaces. Also the name checks and the
// completion of array classes that other parts share.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"
#include "vm/core/records.h"

// Name kinds of verifyName.
enum {
    NAME_KIND_METHOD = 0,
    NAME_KIND_FIELD = 1,
    NAME_KIND_CLASS = 2,
};

// Limits of a loaded method.
enum {
    MAX_CODE_LENGTH = 32766,
    MAX_FRAME_AND_STACK = 512,
    MAX_ARGUMENT_WORDS = 255,
    MAX_ARRAY_DIMENSIONS = 255,
};

// Verifier types of a StackMapFrame as the loader writes them.
enum {
    ITEM_Top = 0,
    ITEM_Integer = 1,
    ITEM_Float = 2,
    ITEM_Double = 3,
    ITEM_Long = 4,
    ITEM_Null = 5,
    ITEM_InitObject = 6,
    ITEM_Object = 7,
    ITEM_NewObject = 8,
    ITEM_Long_2 = 9,
    ITEM_Double_2 = 10,
    ITEM_NewObjectFlag = 0x1000,
};

// A method's verifier stack maps: word 0 the frame count k, words 1..k the frames
// (uint16_t arrays: local count, locals, stack count, stack entries), words k+1..2k
// the code offset of each frame.
struct StackMapTable {
    uint32_t count;
    cell words[1];
};

inline uint16_t* stackMapFrame(StackMapTable* table, uint32_t i) { return p32Ptr<uint16_t>(table->words[i]); }
inline uint32_t stackMapOffset(StackMapTable* table, uint32_t i) { return (uint32_t)table->words[table->count + i]; }
inline uint16_t newObjectType(uint32_t offset) {
    return (uint16_t)(((offset & 0x7000) << 1) | ITEM_NewObjectFlag | (offset & 0x0FFF));
}

// Set by Class.forName so that a missing class file raises ClassNotFoundException; the
// loader clears it at its first attempt to open a class file.
extern VMBSS int32_t classNotFoundMode;

// Reads a raw class from the class path and links it; raises NoClassDefFoundError or
// ClassFormatError (fatalOnError: an error of a system class also ends the run).
void loadClassfile(ClassRecord* clazz, int fatalOnError);
// Completes an array class once its element class is loaded.
void loadArrayClass(ArrayClassRecord* clazz);

// Strings are made before String is read (the messages of failed system loads): gives
// the raw record the size and the reference field that linking will give it, so that
// such a String is allocated whole and the collector keeps and moves its characters.
void describeRawString();
bool verifyName(const char* name, int kind);
char* replaceLetters(char* text, char from, char to);
