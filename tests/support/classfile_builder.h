// Builds small class files for tests: a pool filled on demand and methods from raw code
// bytes, written with the converter's class-file writer. Header-only; link
// movane_classconv.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/classconv/classfile.h"

namespace testsupport {

struct ClassBuilder {
    classfile::ClassFile cf;

    explicit ClassBuilder(const std::string& name, const std::string& super = "java/lang/Object", uint16_t major = 51) {
        cf.major = major;
        cf.pool.resize(1);
        cf.access = 0x0021;  // public super
        cf.thisClass = cls(name);
        cf.superClass = super.empty() ? 0 : cls(super);
    }

    uint16_t add(classfile::Constant c) {
        cf.pool.push_back(c);
        if (c.tag == classfile::kLong || c.tag == classfile::kDouble) cf.pool.push_back({});
        return uint16_t(cf.pool.size() - (c.tag == classfile::kLong || c.tag == classfile::kDouble ? 2 : 1));
    }
    uint16_t utf8(const std::string& s) { return classfile::findOrAddUtf8(cf, s); }
    // A new Utf8 entry even when the text is there already.
    uint16_t freshUtf8(const std::string& s) {
        classfile::Constant c;
        c.tag = classfile::kUtf8;
        c.utf8 = s;
        return add(c);
    }
    uint16_t cls(const std::string& name) { return classfile::findOrAddClass(cf, name); }
    uint16_t ref(uint8_t tag, uint16_t a, uint16_t b = 0, uint64_t value = 0) {
        classfile::Constant c;
        c.tag = tag;
        c.a = a;
        c.b = b;
        c.value = value;
        return add(c);
    }
    uint16_t string(const std::string& s) { return ref(classfile::kString, utf8(s)); }
    uint16_t integer(int32_t v) { return ref(classfile::kInteger, 0, 0, uint32_t(v)); }
    uint16_t longConst(int64_t v) { return ref(classfile::kLong, 0, 0, uint64_t(v)); }
    uint16_t nameAndType(const std::string& name, const std::string& desc) {
        return ref(classfile::kNameAndType, utf8(name), utf8(desc));
    }
    uint16_t methodRef(const std::string& owner, const std::string& name, const std::string& desc) {
        return ref(classfile::kMethodref, cls(owner), nameAndType(name, desc));
    }
    uint16_t fieldRef(const std::string& owner, const std::string& name, const std::string& desc) {
        return ref(classfile::kFieldref, cls(owner), nameAndType(name, desc));
    }

    classfile::Member& method(uint16_t access, const std::string& name, const std::string& desc, uint16_t maxStack,
                              uint16_t maxLocals, const std::vector<uint8_t>& code,
                              const std::vector<classfile::ExceptionHandler>& handlers = {},
                              const std::vector<uint8_t>& stackMapTable = {}) {
        classfile::Code c;
        c.maxStack = maxStack;
        c.maxLocals = maxLocals;
        c.code = code;
        c.handlers = handlers;
        if (!stackMapTable.empty()) c.attributes.push_back({utf8("StackMapTable"), stackMapTable});
        classfile::Member m;
        m.access = access;
        m.name = utf8(name);
        m.descriptor = utf8(desc);
        m.attributes.push_back({utf8("Code"), classfile::writeCode(c)});
        cf.methods.push_back(m);
        return cf.methods.back();
    }

    classfile::Member& field(uint16_t access, const std::string& name, const std::string& desc) {
        classfile::Member f;
        f.access = access;
        f.name = utf8(name);
        f.descriptor = utf8(desc);
        cf.fields.push_back(f);
        return cf.fields.back();
    }

    std::vector<uint8_t> bytes() const { return classfile::write(cf); }
};

// Big-endian operand bytes for code sequences.
inline uint8_t hi(unsigned v) { return uint8_t(v >> 8); }
inline uint8_t lo(unsigned v) { return uint8_t(v); }

}  // namespace testsupport
