// Constant-pool resolution and the member lookups it and virtual dispatch use.
#pragma once

#include "vm/core/records.h"

void storeResolvedEntry(ConstantPool* cp, int index, void* record);
ClassRecord* resolveClassReference(ConstantPool* cp, int index, ClassRecord* currentClass);
void verifyClassAccess(ClassRecord* clazz, ClassRecord* fromClass);
bool classHasAccessToClass(ClassRecord* fromClass, ClassRecord* clazz);
FieldRecord* lookupField(ClassRecord* clazz, uint32_t nameTypeKey);
MethodRecord* lookupMethod(ClassRecord* clazz, uint32_t nameTypeKey, ClassRecord* currentClass);
MethodRecord* lookupMethodForInvoke(ClassRecord* receiverClass, MethodRecord* resolved);
bool classChainHasMethod(ClassRecord* clazz, NameTableEntry* packageName, uint32_t nameTypeKey);
