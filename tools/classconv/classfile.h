// Class files as plain data: a bounds-checked reader and a writer that round-trip every
// structure the converter touches. Attribute bodies stay raw bytes; the converter and the
// tests decode the few they need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bytes.h"

namespace classfile {

enum ConstantTag : uint8_t {
    kUtf8 = 1,
    kInteger = 3,
    kFloat = 4,
    kLong = 5,
    kDouble = 6,
    kClass = 7,
    kString = 8,
    kFieldref = 9,
    kMethodref = 10,
    kInterfaceMethodref = 11,
    kNameAndType = 12,
    kMethodHandle = 15,
    kMethodType = 16,
    kDynamic = 17,
    kInvokeDynamic = 18,
    kModule = 19,
    kPackage = 20,
};

// One pool slot. Index 0 and the slot after a Long or Double have tag 0.
struct Constant {
    uint8_t tag = 0;
    uint16_t a = 0;      // Class/String/MethodType: the index; refs and NameAndType: first index;
                         // MethodHandle: the reference kind
    uint16_t b = 0;      // second index
    uint64_t value = 0;  // Integer/Float: 32 bits; Long/Double: 64 bits
    std::string utf8;    // Utf8: the bytes as stored (modified UTF-8)
};

struct Attribute {
    uint16_t name = 0;  // pool index of the attribute name
    std::vector<uint8_t> data;
};

struct Member {
    uint16_t access = 0;
    uint16_t name = 0;
    uint16_t descriptor = 0;
    std::vector<Attribute> attributes;
};

struct ClassFile {
    uint16_t minor = 0;
    uint16_t major = 0;
    std::vector<Constant> pool;  // pool[0] unused; pool.size() is the file's count
    uint16_t access = 0;
    uint16_t thisClass = 0;
    uint16_t superClass = 0;
    std::vector<uint16_t> interfaces;
    std::vector<Member> fields;
    std::vector<Member> methods;
    std::vector<Attribute> attributes;
};

struct ExceptionHandler {
    uint16_t start = 0, end = 0, handler = 0, catchType = 0;
};

// The body of a Code attribute.
struct Code {
    uint16_t maxStack = 0;
    uint16_t maxLocals = 0;
    std::vector<uint8_t> code;
    std::vector<ExceptionHandler> handlers;
    std::vector<Attribute> attributes;
};

// Reads a whole class file; false with a message on any malformed or truncated input.
bool parse(const uint8_t* data, size_t size, ClassFile& out, std::string& error);
std::vector<uint8_t> write(const ClassFile& cf);

bool parseCode(const std::vector<uint8_t>& data, Code& out, std::string& error);
std::vector<uint8_t> writeCode(const Code& code);

// Pool accessors; they answer "" or nullptr when the index is out of range or of the wrong kind.
const Constant* entry(const ClassFile& cf, unsigned index, uint8_t tag);
std::string utf8At(const ClassFile& cf, unsigned index);
std::string className(const ClassFile& cf, unsigned classIndex);
std::string attributeName(const ClassFile& cf, const Attribute& a);
const Attribute* findAttribute(const ClassFile& cf, const std::vector<Attribute>& list, const char* name);

// Finds a Utf8 or Class entry with the given text, appending one when there is none.
uint16_t findOrAddUtf8(ClassFile& cf, const std::string& text);
uint16_t findOrAddClass(ClassFile& cf, const std::string& name);

// Big-endian helpers shared by the attribute codecs.
inline void putU1(std::vector<uint8_t>& out, unsigned v) { out.push_back(uint8_t(v)); }
inline void putU2(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
inline void putU4(std::vector<uint8_t>& out, uint32_t v) {
    putU2(out, v >> 16);
    putU2(out, v & 0xFFFF);
}

// A cursor over bytes that never reads past the end: a short read sets `bad` and answers 0.
struct Reader {
    const uint8_t* p;
    size_t size;
    size_t pos = 0;
    bool bad = false;

    Reader(const uint8_t* data, size_t n) : p(data), size(n) {}
    bool has(size_t n) {
        if (bad || size - pos < n) {
            bad = true;
            return false;
        }
        return true;
    }
    unsigned u1() { return has(1) ? p[pos++] : 0; }
    unsigned u2() {
        if (!has(2)) return 0;
        unsigned v = be16(p + pos);
        pos += 2;
        return v;
    }
    uint32_t u4() {
        if (!has(4)) return 0;
        uint32_t v = be32(p + pos);
        pos += 4;
        return v;
    }
    bool bytes(size_t n, std::vector<uint8_t>& out) {
        if (!has(n)) return false;
        out.assign(p + pos, p + pos + n);
        pos += n;
        return true;
    }
    bool atEnd() const { return pos == size; }
};

}  // namespace classfile
