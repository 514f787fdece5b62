// Constant-pool resolution: class, field and method entries are resolved on first use,
// checked for access and for static against instance use, and then overwritten by
// their record with the resolved bit set. Also the member lookups of virtual dispatch.
#include "vm/core/resolve.h"

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/romimage.h"
#include "vm/core/stackguard.h"
#include "vm/core/tables.h"
#include "vm/trace/tracelog.h"

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

static bool isSuperclassOf(ClassRecord* super, ClassRecord* clazz) {
    for (ClassRecord* c = clazz->superClass; c != nullptr; c = c->superClass) {
        if (c == super) return true;
    }
    return false;
}

bool classHasAccessToMember(ClassRecord* from, uint32_t access, ClassRecord* memberClass, ClassRecord* referenced) {
    if (from == nullptr || from == memberClass || (access & ACC_PUBLIC)) return true;
    if (access & ACC_PRIVATE) return false;
    if (from->packageName == memberClass->packageName) return true;
    if (!(access & ACC_PROTECTED)) return false;
    if (!isSuperclassOf(memberClass, from)) return false;
    // a protected member is reached only through from's own line of classes
    return referenced == from || isSuperclassOf(referenced, from) || isSuperclassOf(from, referenced);
}

ClassRecord* resolveClassReference(ConstantPool* cp, int index, ClassRecord* currentClass) {
    uint8_t tag = cpTags(cp)[index];
    if (tag & CP_RESOLVED) return cp->entries[index].clazz;
    if ((tag & CP_TAG_MASK) != CONSTANT_Class)
        raiseExceptionWithMessage(VirtualMachineError, "Illegal CONSTANT_Class reference");
    ClassRecord* clazz = cp->entries[index].clazz;
    if (isArrayClass(clazz))
        CoreHooks.loadArrayClass(asArrayClass(clazz));
    else if (clazz->status == CLASS_RAW)
        CoreHooks.loadClassfile(clazz, 1);
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
    checkNativeStack();
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
    checkNativeStack();
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
    for (ClassRecord* c = isArrayClass(receiverClass) ? JavaLangObject : receiverClass; c != nullptr;
         c = c->superClass) {
        MethodTable* table = c->methodTable;
        if (table == nullptr) continue;
        for (uint32_t i = 0; i < table->length; i++) {
            MethodRecord* m = &table->methods[i];
            if (m->nt.nameTypeKey != resolved->nt.nameTypeKey || (m->accessFlags & ACC_STATIC)) continue;
            if (c == owner) return m;
            if (m->accessFlags & ACC_PRIVATE) continue;
            if ((resolved->accessFlags & (ACC_PUBLIC | ACC_PROTECTED)) || c->packageName == owner->packageName)
                return m;
            if (!chainChecked) {
                chainChecked = true;
                if (classChainHasMethod(c->superClass, owner->packageName, resolved->nt.nameTypeKey)) return m;
            }
        }
    }
    return nullptr;
}

// The entry's member name, with the class name of its record first, for the messages.
static void memberText(ClassRecord* clazz, uint16_t nameKey, char* className, const char** name) {
    getClassNameBuffer(clazz, className, MESSAGE_BUFFER_SIZE);
    *name = changeKeyToName(nameKey, nullptr);
    if (*name == nullptr) *name = "";
}

[[noreturn]] static void cannotAccessMember(ClassRecord* memberClass, uint16_t nameKey, ClassRecord* currentClass) {
    char className[MESSAGE_BUFFER_SIZE];
    char fromName[MESSAGE_BUFFER_SIZE];
    const char* name;
    memberText(memberClass, nameKey, className, &name);
    getClassNameBuffer(currentClass, fromName, sizeof fromName);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Cannot access %s.%s from class %s", className, name, fromName);
    raiseExceptionWithMessage(IllegalAccessError, MessageBuffer);
}

FieldRecord* resolveFieldReference(ConstantPool* cp, int index, bool isStatic, int opcode, ClassRecord* currentClass) {
    bool unresolved = !(cpTags(cp)[index] & CP_RESOLVED);
    FieldRecord* field = nullptr;
    ClassRecord* clazz = nullptr;
    if (unresolved) {
        uint32_t entry = cp->entries[index].u;
        clazz = resolveClassReference(cp, (int)(entry & 0xFFFF), currentClass);
        uint32_t key = cp->entries[entry >> 16].u;
        if (!isArrayClass(clazz) && clazz->status != CLASS_ERROR) field = lookupField(clazz, key);
    } else {
        field = cp->entries[index].field;
    }
    if (field == nullptr) return nullptr;
    char className[MESSAGE_BUFFER_SIZE];
    const char* name;
    if (isStatic != ((field->accessFlags & ACC_STATIC) != 0)) {
        memberText(field->ofClass, field->nameKey, className, &name);
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Incompatible class change: %s.%s", className, name);
        raiseExceptionWithMessage(IncompatibleClassChangeError, MessageBuffer);
    }
    if ((field->accessFlags & ACC_FINAL) && (opcode == 179 || opcode == 181) && field->ofClass != currentClass) {
        char fromName[MESSAGE_BUFFER_SIZE];
        memberText(field->ofClass, field->nameKey, className, &name);
        getClassNameBuffer(currentClass, fromName, sizeof fromName);
        mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Cannot modify final field %s.%s from class %s", className, name,
                  fromName);
        raiseExceptionWithMessage(IllegalAccessError, MessageBuffer);
    }
    if (unresolved) {
        if (!classHasAccessToMember(currentClass, field->accessFlags, field->ofClass, clazz))
            cannotAccessMember(field->ofClass, field->nameKey, currentClass);
        storeResolvedEntry(cp, index, field);
    }
    return field;
}

static void checkMethodStatic(MethodRecord* method, bool isStatic) {
    if (isStatic == ((method->accessFlags & ACC_STATIC) != 0)) return;
    char className[MESSAGE_BUFFER_SIZE];
    char signature[MESSAGE_BUFFER_SIZE];
    const char* name;
    memberText(method->ofClass, method->nt.k.nameKey, className, &name);
    change_Key_to_MethodSignature_inBuffer(method->nt.k.typeKey, signature, sizeof signature);
    mvSprintf(MessageBuffer, MESSAGE_BUFFER_SIZE, "Incompatible class change: %s.%s%s", className, name, signature);
    raiseExceptionWithMessage(IncompatibleClassChangeError, MessageBuffer);
}

MethodRecord* resolveMethodReference(ConstantPool* cp, int index, bool isStatic, ClassRecord* currentClass) {
    uint8_t tag = cpTags(cp)[index];
    if (tag & CP_RESOLVED) {
        MethodRecord* method = cp->entries[index].method;
        checkMethodStatic(method, isStatic);
        return method;
    }
    uint32_t entry = cp->entries[index].u;
    ClassRecord* clazz = resolveClassReference(cp, (int)(entry & 0xFFFF), currentClass);
    bool isInterface = !isArrayClass(clazz) && (clazz->accessFlags & ACC_INTERFACE);
    if (((tag & CP_TAG_MASK) == CONSTANT_InterfaceMethodref) != isInterface)
        raiseExceptionWithMessage(IncompatibleClassChangeError, "Bad field or method reference");
    uint32_t key = cp->entries[entry >> 16].u;
    MethodRecord* method = nullptr;
    if (isArrayClass(clazz) || clazz->status != CLASS_ERROR) method = lookupMethod(clazz, key, currentClass);
    // constructors are not inherited
    if (method != nullptr && (uint16_t)key == (uint16_t)initNameAndType && method->ofClass != clazz) method = nullptr;
    if (method == nullptr) return nullptr;
    checkMethodStatic(method, isStatic);
    if (!classHasAccessToMember(currentClass, method->accessFlags, method->ofClass, clazz))
        cannotAccessMember(method->ofClass, method->nt.k.nameKey, currentClass);
    storeResolvedEntry(cp, index, method);
    return method;
}
