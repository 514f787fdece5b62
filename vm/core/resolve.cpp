// Class-entry resolution, class access, and the member lookups of resolution and
// virtual dispatch. Field and method reference resolution build on these.
#include "vm/core/resolve.h"

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/romimage.h"
#include "vm/services/tracelog.h"

void storeResolvedEntry(ConstantPool* cp, int index, void* record) {
    cp->entries[index].p = record;
    cpTags(cp)[index] |= CP_RESOLVED;
}

bool classHasAccessToClass(ClassRecord* fromClass, ClassRecord* clazz) {
    if (fromClass == nullptr || fromClass == clazz || (clazz->accessFlags & ACC_PUBLIC)) return true;
    return fromClass->packageName == clazz->packageName;
}

void verifyClassAccess(ClassRecord* clazz, ClassRecord* fromClass) {
    if (classHasAccessToClass(fromClass, clazz)) return;
    char className[MESSAGE_BUFFER_SIZE];
    char fromName[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(clazz, className, sizeof className);
    getClassNameBuffer(fromClass, fromName, sizeof fromName);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Cannot access class %s from class %s", className, fromName);
    raiseExceptionWithMessage(IllegalAccessError, MessageBuffer);
}

ClassRecord* resolveClassReference(ConstantPool* cp, int index, ClassRecord* currentClass) {
    uint8_t tag = cpTags(cp)[index];
    if (tag & CP_RESOLVED) return cp->entries[index].clazz;
    if ((tag & CP_TAG_MASK) != CONSTANT_Class) raiseExceptionWithMessage(VirtualMachineError, "Illegal CONSTANT_Class reference");
    ClassRecord* clazz = cp->entries[index].clazz;
    if (isArrayClass(clazz)) loadArrayClass(asArrayClass(clazz));
    else if (clazz->status == CLASS_RAW) loadClassfile(clazz, 1);
    verifyClassAccess(clazz, currentClass);
    storeResolvedEntry(cp, index, clazz);
    return clazz;
}

static FieldRecord* findFieldIn(ClassRecord* clazz, uint32_t key) {
    FieldTable* table = clazz->fieldTable;
    if (table == nullptr) return nullptr;
    for (uint32_t i = 0; i < table->length; i++) {
        FieldRecord* f = &table->fields[i];
        if ((f->nameKey | ((uint32_t)f->typeKey << 16)) == key) return f;
    }
    return nullptr;
}

static FieldRecord* lookupFieldInInterfaces(ClassRecord* clazz, uint32_t key) {
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        if (c->interfaces == nullptr) continue;
        for (int i = 1; i <= c->interfaces[0]; i++) {
            ClassRecord* iface = resolveClassReference(c->constPool, c->interfaces[i], c);
            FieldRecord* f = lookupField(iface, key);
            if (f) return f;
        }
    }
    return nullptr;
}

FieldRecord* lookupField(ClassRecord* clazz, uint32_t nameTypeKey) {
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        FieldRecord* f = findFieldIn(c, nameTypeKey);
        if (f) return f;
    }
    return lookupFieldInInterfaces(clazz, nameTypeKey);
}

static MethodRecord* findMethodIn(ClassRecord* clazz, uint32_t key, ClassRecord* current) {
    MethodTable* table = clazz->methodTable;
    if (table == nullptr) return nullptr;
    for (uint32_t i = 0; i < table->length; i++) {
        MethodRecord* m = &table->methods[i];
        if (m->nt.nameTypeKey != key) continue;
        if (current == nullptr || current == clazz || (m->accessFlags & (ACC_PUBLIC | ACC_PROTECTED)) ||
            (!(m->accessFlags & ACC_PRIVATE) && clazz->packageName == current->packageName))
            return m;
    }
    return nullptr;
}

MethodRecord* lookupMethod(ClassRecord* clazz, uint32_t nameTypeKey, ClassRecord* currentClass) {
    if (isArrayClass(clazz)) clazz = JavaLangObject;
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        MethodRecord* m = findMethodIn(c, nameTypeKey, currentClass);
        if (m) return m;
    }
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        if (!(c->accessFlags & (ACC_INTERFACE | ACC_ABSTRACT)) || c->interfaces == nullptr) continue;
        for (int i = 1; i <= c->interfaces[0]; i++) {
            MethodRecord* m = lookupMethod(c->constPool->entries[c->interfaces[i]].clazz, nameTypeKey, currentClass);
            if (m) return m;
        }
    }
    return nullptr;
}

bool classChainHasMethod(ClassRecord* clazz, NameTableEntry* packageName, uint32_t nameTypeKey) {
    for (ClassRecord* c = clazz; c != nullptr; c = c->superClass) {
        if (c->packageName != packageName || c->methodTable == nullptr) continue;
        for (uint32_t i = 0; i < c->methodTable->length; i++) {
            MethodRecord* m = &c->methodTable->methods[i];
            if (m->nt.nameTypeKey == nameTypeKey && !(m->accessFlags & ACC_STATIC) &&
                (m->accessFlags & (ACC_PUBLIC | ACC_PROTECTED)))
                return true;
        }
    }
    return false;
}

MethodRecord* lookupMethodForInvoke(ClassRecord* receiverClass, MethodRecord* resolved) {
    if (resolved->accessFlags & ACC_PRIVATE) return resolved;
    ClassRecord* owner = resolved->ofClass;
    bool chainChecked = false;
    for (ClassRecord* c = isArrayClass(receiverClass) ? JavaLangObject : receiverClass; c != nullptr; c = c->superClass) {
        MethodTable* table = c->methodTable;
        if (table == nullptr) continue;
        for (uint32_t i = 0; i < table->length; i++) {
            MethodRecord* m = &table->methods[i];
            if (m->nt.nameTypeKey != resolved->nt.nameTypeKey || (m->accessFlags & ACC_STATIC)) continue;
            if (c == owner) return m;
            if (m->accessFlags & ACC_PRIVATE) continue;
            if ((resolved->accessFlags & (ACC_PUBLIC | ACC_PROTECTED)) || c->packageName == owner->packageName) return m;
            if (!chainChecked) {
                chainChecked = true;
                if (classChainHasMethod(c->superClass, owner->packageName, resolved->nt.nameTypeKey)) return m;
            }
        }
    }
    return nullptr;
}
