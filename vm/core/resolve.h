// Constant-pool resolution with its access checks, and the member lookups that
// resolution and virtual dispatch use.
#pragma once

#include "vm/core/records.h"

void storeResolvedEntry(ConstantPool* cp, int index, void* record);
ClassRecord* resolveClassReference(ConstantPool* cp, int index, ClassRecord* currentClass);
// Null when the field or method does not exist; the caller raises the no-such-member error.
FieldRecord* resolveFieldReference(ConstantPool* cp, int index, bool isStatic, int opcode, ClassRecord* currentClass);
MethodRecord* resolveMethodReference(ConstantPool* cp, int index, bool isStatic, ClassRecord* currentClass);
void verifyClassAccess(ClassRecord* clazz, ClassRecord* fromClass);
bool classHasAccessToClass(ClassRecord* fromClass, ClassRecord* clazz);
bool classHasAccessToMember(ClassRecord* fromClass, uint32_t access, ClassRecord* memberClass,
                            ClassRecord* referencedClass);
FieldRecord* lookupField(ClassRecord* clazz, uint32_t nameTypeKey);
MethodRecord* lookupMethod(ClassRecord* clazz, uint32_t nameTypeKey, ClassRecord* currentClass);
MethodRecord* lookupMethodForInvoke(ClassRecord* receiverClass, MethodRecord* resolved);
bool classChainHasMethod(ClassRecord* clazz, NameTableEntry* packageName, uint32_t nameTypeKey);
