// Stack-map decoding and encoding.
#include "tools/classconv/stackmap.h"

namespace classfile {

namespace {

bool readType(Reader& r, VerificationType& t, std::string& error) {
    t.tag = uint8_t(r.u1());
    t.data = 0;
    if (t.tag == kItemObject || t.tag == kItemUninitialized) t.data = uint16_t(r.u2());
    if (r.bad) {
        error = "truncated stack map";
        return false;
    }
    if (t.tag > kItemUninitialized) {
        error = "bad verification type " + std::to_string(t.tag);
        return false;
    }
    return true;
}

bool readTypes(Reader& r, unsigned n, std::vector<VerificationType>& out, std::string& error) {
    for (unsigned i = 0; i < n; i++) {
        VerificationType t;
        if (!readType(r, t, error)) return false;
        out.push_back(t);
    }
    return true;
}

void writeTypes(std::vector<uint8_t>& out, const std::vector<VerificationType>& list) {
    putU2(out, unsigned(list.size()));
    for (const VerificationType& t : list) {
        putU1(out, t.tag);
        if (t.tag == kItemObject || t.tag == kItemUninitialized) putU2(out, t.data);
    }
}

// One field type of a descriptor starting at pos; advances pos past it.
bool descriptorType(ClassFile& cf, const std::string& d, size_t& pos, VerificationType& t) {
    size_t start = pos;
    while (pos < d.size() && d[pos] == '[') pos++;
    if (pos >= d.size()) return false;
    char c = d[pos];
    if (c == 'L') {
        size_t semi = d.find(';', pos);
        if (semi == std::string::npos || semi == pos + 1) return false;
        pos = semi;
    } else if (std::string("BCDFIJSZ").find(c) == std::string::npos) {
        return false;
    }
    pos++;
    bool array = d[start] == '[';
    if (array || c == 'L') {
        std::string name = array ? d.substr(start, pos - start) : d.substr(start + 1, pos - start - 2);
        t.tag = kItemObject;
        t.data = findOrAddClass(cf, name);
    } else if (c == 'J') {
        t.tag = kItemLong;
    } else if (c == 'D') {
        t.tag = kItemDouble;
    } else if (c == 'F') {
        t.tag = kItemFloat;
    } else {
        t.tag = kItemInteger;
    }
    return true;
}

}  // namespace

unsigned slotCount(const std::vector<VerificationType>& items) {
    unsigned n = 0;
    for (const VerificationType& t : items) n += (t.tag == kItemLong || t.tag == kItemDouble) ? 2 : 1;
    return n;
}

bool initialFrame(ClassFile& cf, const std::string& thisClass, const std::string& methodName,
                  const std::string& descriptor, bool isStatic, Frame& out) {
    out = Frame();
    if (!isStatic) {
        VerificationType self;
        if (methodName == "<init>" && thisClass != "java/lang/Object") {
            self.tag = kItemUninitializedThis;
        } else {
            self.tag = kItemObject;
            self.data = findOrAddClass(cf, thisClass);
        }
        out.locals.push_back(self);
    }
    if (descriptor.empty() || descriptor[0] != '(') return false;
    size_t pos = 1;
    while (pos < descriptor.size() && descriptor[pos] != ')') {
        VerificationType t;
        if (!descriptorType(cf, descriptor, pos, t)) return false;
        out.locals.push_back(t);
    }
    return pos < descriptor.size();
}

bool decodeStackMapTable(const std::vector<uint8_t>& data, const Frame& initial, std::vector<Frame>& out,
                         std::string& error) {
    Reader r(data.data(), data.size());
    unsigned n = r.u2();
    Frame prev = initial;
    out.clear();
    for (unsigned i = 0; i < n; i++) {
        unsigned type = r.u1();
        Frame f;
        f.locals = prev.locals;
        unsigned delta;
        if (type < 64) {
            delta = type;
        } else if (type < 128) {
            delta = type - 64;
            f.stack.resize(1);
            if (!readType(r, f.stack[0], error)) return false;
        } else if (type < 247) {
            error = "reserved stack map frame type " + std::to_string(type);
            return false;
        } else if (type == 247) {
            delta = r.u2();
            f.stack.resize(1);
            if (!readType(r, f.stack[0], error)) return false;
        } else if (type < 251) {
            delta = r.u2();
            unsigned k = 251 - type;
            if (k > f.locals.size()) {
                error = "chop frame removes more locals than there are";
                return false;
            }
            f.locals.resize(f.locals.size() - k);
        } else if (type == 251) {
            delta = r.u2();
        } else if (type < 255) {
            delta = r.u2();
            if (!readTypes(r, type - 251, f.locals, error)) return false;
        } else {
            delta = r.u2();
            f.locals.clear();
            if (!readTypes(r, r.u2(), f.locals, error)) return false;
            if (!readTypes(r, r.u2(), f.stack, error)) return false;
        }
        if (r.bad) {
            error = "truncated StackMapTable";
            return false;
        }
        f.offset = i == 0 ? delta : prev.offset + delta + 1;
        if (f.offset > 0xFFFF) {
            error = "stack map offset beyond 65535";
            return false;
        }
        out.push_back(f);
        prev = std::move(f);
    }
    if (r.bad || !r.atEnd()) {
        error = "StackMapTable length does not match its frames";
        return false;
    }
    return true;
}

bool decodeStackMap(const std::vector<uint8_t>& data, std::vector<Frame>& out, std::string& error) {
    Reader r(data.data(), data.size());
    unsigned n = r.u2();
    out.clear();
    for (unsigned i = 0; i < n; i++) {
        Frame f;
        f.offset = r.u2();
        if (!readTypes(r, r.u2(), f.locals, error)) return false;
        if (!readTypes(r, r.u2(), f.stack, error)) return false;
        out.push_back(std::move(f));
    }
    if (r.bad || !r.atEnd()) {
        error = "StackMap length does not match its frames";
        return false;
    }
    return true;
}

std::vector<uint8_t> encodeStackMap(const std::vector<Frame>& frames) {
    std::vector<uint8_t> out;
    putU2(out, unsigned(frames.size()));
    for (const Frame& f : frames) {
        putU2(out, f.offset);
        writeTypes(out, f.locals);
        writeTypes(out, f.stack);
    }
    return out;
}

}  // namespace classfile
