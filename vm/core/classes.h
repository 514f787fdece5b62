// Class lookup by name, array classes on demand, class names, type tests, and the
// creation of instances, arrays, multi-dimensional arrays and strings.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

ClassRecord* getClass(const char* name);
ClassRecord* getClassX(const char* name, int start, int length);
ArrayClassRecord* getArrayClass(int depth, ClassRecord* elementClass, char letter);
ArrayClassRecord* getObjectArrayClass(ClassRecord* clazz);
char typeCodeToSignatureLetter(int typeCode);
int arrayItemSize(int typeCode);
void clearClassLinkFields(ClassRecord* clazz);

char* getClassNameBuffer(ClassRecord* clazz, char* buffer, int size);
char* getClassName(ClassRecord* clazz);

bool isAssignableTo(ClassRecord* from, ClassRecord* to);
bool implementsInterface(ClassRecord* clazz, ClassRecord* interface);
bool isSubclassOf(ClassRecord* clazz, ClassRecord* other);

OBJECT instantiate(ClassRecord* clazz);
ArrayObject* instantiateArray(ArrayClassRecord* arrayClass, int32_t length);
ArrayObject* instantiateMultiArray(ArrayClassRecord* arrayClass, cell* lengths, int dimensions);
StringInstance* instantiateStringFromUtf(const char* utf, int length);
ArrayObject* createCharArrayFromUtf(const char* utf, int length, int* count, int permanent);
StringInstance* instantiateStringFromCharArray(ArrayObject* chars, int count);
StringInstance* instantiateStringFromUnicode(const uint16_t* chars, int count);
StringInstance* createInternedString(const char* utf, int length);
char* getStringContents(StringInstance* string);
char* getStringContentsSafely(StringInstance* string, char* buffer, int size);

int32_t objectHashCode(OBJECT object);
extern VMDATA uint32_t IdentityHashState;
