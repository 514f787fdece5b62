// Class-file reader and writer.
#include "tools/classconv/classfile.h"

#include <cstring>

namespace classfile {

namespace {

bool readAttributes(Reader& r, unsigned poolCount, std::vector<Attribute>& out, std::string& error) {
    unsigned n = r.u2();
    out.clear();
    for (unsigned i = 0; i < n && !r.bad; i++) {
        Attribute a;
        a.name = uint16_t(r.u2());
        uint32_t len = r.u4();
        if (r.bad) break;
        if (a.name == 0 || a.name >= poolCount) {
            error = "attribute name index out of range";
            return false;
        }
        if (!r.bytes(len, a.data)) break;
        out.push_back(std::move(a));
    }
    if (r.bad) {
        error = "truncated attribute";
        return false;
    }
    return true;
}

bool readMembers(Reader& r, unsigned poolCount, std::vector<Member>& out, std::string& error) {
    unsigned n = r.u2();
    out.clear();
    for (unsigned i = 0; i < n && !r.bad; i++) {
        Member m;
        m.access = uint16_t(r.u2());
        m.name = uint16_t(r.u2());
        m.descriptor = uint16_t(r.u2());
        if (!readAttributes(r, poolCount, m.attributes, error)) return false;
        out.push_back(std::move(m));
    }
    if (r.bad) {
        error = "truncated member table";
        return false;
    }
    return true;
}

void writeAttributes(std::vector<uint8_t>& out, const std::vector<Attribute>& list) {
    putU2(out, unsigned(list.size()));
    for (const Attribute& a : list) {
        putU2(out, a.name);
        putU4(out, uint32_t(a.data.size()));
        out.insert(out.end(), a.data.begin(), a.data.end());
    }
}

void writeMembers(std::vector<uint8_t>& out, const std::vector<Member>& list) {
    putU2(out, unsigned(list.size()));
    for (const Member& m : list) {
        putU2(out, m.access);
        putU2(out, m.name);
        putU2(out, m.descriptor);
        writeAttributes(out, m.attributes);
    }
}

}  // namespace

bool parse(const uint8_t* data, size_t size, ClassFile& cf, std::string& error) {
    Reader r(data, size);
    cf = ClassFile();
    if (r.u4() != 0xCAFEBABE) {
        error = "not a class file (bad magic)";
        return false;
    }
    cf.minor = uint16_t(r.u2());
    cf.major = uint16_t(r.u2());
    unsigned count = r.u2();
    if (r.bad || count == 0) {
        error = "truncated class file header";
        return false;
    }
    cf.pool.assign(count, Constant());
    for (unsigned i = 1; i < count; i++) {
        Constant& c = cf.pool[i];
        c.tag = uint8_t(r.u1());
        switch (c.tag) {
            case kUtf8: {
                unsigned len = r.u2();
                if (r.has(len)) {
                    c.utf8.assign(reinterpret_cast<const char*>(data + r.pos), len);
                    r.pos += len;
                }
                break;
            }
            case kInteger:
            case kFloat:
                c.value = r.u4();
                break;
            case kLong:
            case kDouble: {
                uint64_t hi = r.u4();
                c.value = (hi << 32) | r.u4();
                if (i + 1 >= count) {
                    error = "64-bit constant in the last pool slot";
                    return false;
                }
                i++;  // the second slot stays tag 0
                break;
            }
            case kClass:
            case kString:
            case kMethodType:
            case kModule:
            case kPackage:
                c.a = uint16_t(r.u2());
                break;
            case kFieldref:
            case kMethodref:
            case kInterfaceMethodref:
            case kNameAndType:
            case kDynamic:
            case kInvokeDynamic:
                c.a = uint16_t(r.u2());
                c.b = uint16_t(r.u2());
                break;
            case kMethodHandle:
                c.a = uint16_t(r.u1());
                c.b = uint16_t(r.u2());
                break;
            default:
                if (!r.bad) {
                    error = "unknown constant pool tag " + std::to_string(c.tag) + " at index " + std::to_string(i);
                    return false;
                }
        }
        if (r.bad) {
            error = "truncated constant pool";
            return false;
        }
    }
    // Index fields must stay inside the pool, so that later lookups need no bounds of their own.
    for (unsigned i = 1; i < count; i++) {
        const Constant& c = cf.pool[i];
        bool twoIndexes =
            c.tag == kFieldref || c.tag == kMethodref || c.tag == kInterfaceMethodref || c.tag == kNameAndType;
        bool oneIndex = c.tag == kClass || c.tag == kString || c.tag == kMethodType;
        if ((oneIndex || twoIndexes) && (c.a == 0 || c.a >= count)) {
            error = "constant pool index out of range at entry " + std::to_string(i);
            return false;
        }
        if ((twoIndexes || c.tag == kMethodHandle) && (c.b == 0 || c.b >= count)) {
            error = "constant pool index out of range at entry " + std::to_string(i);
            return false;
        }
    }
    cf.access = uint16_t(r.u2());
    cf.thisClass = uint16_t(r.u2());
    cf.superClass = uint16_t(r.u2());
    unsigned ni = r.u2();
    for (unsigned i = 0; i < ni && !r.bad; i++) cf.interfaces.push_back(uint16_t(r.u2()));
    if (r.bad) {
        error = "truncated class header";
        return false;
    }
    if (!readMembers(r, count, cf.fields, error) || !readMembers(r, count, cf.methods, error) ||
        !readAttributes(r, count, cf.attributes, error))
        return false;
    if (!r.atEnd()) {
        error = "extra bytes after the class attributes";
        return false;
    }
    return true;
}

std::vector<uint8_t> write(const ClassFile& cf) {
    std::vector<uint8_t> out;
    putU4(out, 0xCAFEBABE);
    putU2(out, cf.minor);
    putU2(out, cf.major);
    putU2(out, unsigned(cf.pool.size()));
    for (size_t i = 1; i < cf.pool.size(); i++) {
        const Constant& c = cf.pool[i];
        if (c.tag == 0) continue;  // second slot of a Long or Double
        putU1(out, c.tag);
        switch (c.tag) {
            case kUtf8:
                putU2(out, unsigned(c.utf8.size()));
                out.insert(out.end(), c.utf8.begin(), c.utf8.end());
                break;
            case kInteger:
            case kFloat:
                putU4(out, uint32_t(c.value));
                break;
            case kLong:
            case kDouble:
                putU4(out, uint32_t(c.value >> 32));
                putU4(out, uint32_t(c.value));
                break;
            case kClass:
            case kString:
            case kMethodType:
            case kModule:
            case kPackage:
                putU2(out, c.a);
                break;
            case kMethodHandle:
                putU1(out, c.a);
                putU2(out, c.b);
                break;
            default:
                putU2(out, c.a);
                putU2(out, c.b);
                break;
        }
    }
    putU2(out, cf.access);
    putU2(out, cf.thisClass);
    putU2(out, cf.superClass);
    putU2(out, unsigned(cf.interfaces.size()));
    for (uint16_t i : cf.interfaces) putU2(out, i);
    writeMembers(out, cf.fields);
    writeMembers(out, cf.methods);
    writeAttributes(out, cf.attributes);
    return out;
}

bool parseCode(const std::vector<uint8_t>& data, Code& code, std::string& error) {
    Reader r(data.data(), data.size());
    code = Code();
    code.maxStack = uint16_t(r.u2());
    code.maxLocals = uint16_t(r.u2());
    uint32_t len = r.u4();
    if (r.bad || !r.bytes(len, code.code)) {
        error = "truncated Code attribute";
        return false;
    }
    unsigned nh = r.u2();
    for (unsigned i = 0; i < nh && !r.bad; i++) {
        ExceptionHandler h;
        h.start = uint16_t(r.u2());
        h.end = uint16_t(r.u2());
        h.handler = uint16_t(r.u2());
        h.catchType = uint16_t(r.u2());
        code.handlers.push_back(h);
    }
    if (r.bad) {
        error = "truncated exception table";
        return false;
    }
    if (!readAttributes(r, 0x10000, code.attributes, error)) return false;
    if (!r.atEnd()) {
        error = "Code attribute length does not match its contents";
        return false;
    }
    return true;
}

std::vector<uint8_t> writeCode(const Code& code) {
    std::vector<uint8_t> out;
    putU2(out, code.maxStack);
    putU2(out, code.maxLocals);
    putU4(out, uint32_t(code.code.size()));
    out.insert(out.end(), code.code.begin(), code.code.end());
    putU2(out, unsigned(code.handlers.size()));
    for (const ExceptionHandler& h : code.handlers) {
        putU2(out, h.start);
        putU2(out, h.end);
        putU2(out, h.handler);
        putU2(out, h.catchType);
    }
    writeAttributes(out, code.attributes);
    return out;
}

const Constant* entry(const ClassFile& cf, unsigned index, uint8_t tag) {
    if (index == 0 || index >= cf.pool.size() || cf.pool[index].tag != tag) return nullptr;
    return &cf.pool[index];
}

std::string utf8At(const ClassFile& cf, unsigned index) {
    const Constant* c = entry(cf, index, kUtf8);
    return c ? c->utf8 : std::string();
}

std::string className(const ClassFile& cf, unsigned classIndex) {
    const Constant* c = entry(cf, classIndex, kClass);
    return c ? utf8At(cf, c->a) : std::string();
}

std::string attributeName(const ClassFile& cf, const Attribute& a) { return utf8At(cf, a.name); }

const Attribute* findAttribute(const ClassFile& cf, const std::vector<Attribute>& list, const char* name) {
    for (const Attribute& a : list)
        if (attributeName(cf, a) == name) return &a;
    return nullptr;
}

uint16_t findOrAddUtf8(ClassFile& cf, const std::string& text) {
    for (size_t i = 1; i < cf.pool.size(); i++)
        if (cf.pool[i].tag == kUtf8 && cf.pool[i].utf8 == text) return uint16_t(i);
    Constant c;
    c.tag = kUtf8;
    c.utf8 = text;
    cf.pool.push_back(c);
    return uint16_t(cf.pool.size() - 1);
}

uint16_t findOrAddClass(ClassFile& cf, const std::string& name) {
    for (size_t i = 1; i < cf.pool.size(); i++)
        if (cf.pool[i].tag == kClass && utf8At(cf, cf.pool[i].a) == name) return uint16_t(i);
    uint16_t nameIndex = findOrAddUtf8(cf, name);
    Constant c;
    c.tag = kClass;
    c.a = nameIndex;
    cf.pool.push_back(c);
    return uint16_t(cf.pool.size() - 1);
}

}  // namespace classfile
