// Java-to-CLDC class conversion.
#include "tools/classconv/convert.h"

#include <map>

#include "tools/classconv/classfile.h"
#include "tools/classconv/stackmap.h"

namespace classconv {

using namespace classfile;

namespace {

enum Opcode : uint8_t {
    kBipush = 16,
    kSipush = 17,
    kLdc = 18,
    kLdcW = 19,
    kLdc2W = 20,
    kIload = 21,
    kAload = 25,
    kIstore = 54,
    kAstore = 58,
    kIinc = 132,
    kIfeq = 153,
    kGoto = 167,
    kJsr = 168,
    kRet = 169,
    kTableswitch = 170,
    kLookupswitch = 171,
    kIreturn = 172,
    kReturn = 177,
    kGetstatic = 178,
    kPutfield = 181,
    kInvokevirtual = 182,
    kInvokestatic = 184,
    kInvokeinterface = 185,
    kInvokedynamic = 186,
    kNew = 187,
    kNewarray = 188,
    kAnewarray = 189,
    kAthrow = 191,
    kCheckcast = 192,
    kInstanceof = 193,
    kWide = 196,
    kMultianewarray = 197,
    kIfnull = 198,
    kIfnonnull = 199,
    kGotoW = 200,
    kJsrW = 201,
};

const char* tagName(unsigned tag) {
    static const char* const names[] = {
        "unused",        "Utf8",    "unknown", "Integer",      "Float",      "Long",
        "Double",        "Class",   "String",  "Fieldref",     "Methodref",  "InterfaceMethodref",
        "NameAndType",   "unknown", "unknown", "MethodHandle", "MethodType", "Dynamic",
        "InvokeDynamic", "Module",  "Package"};
    return tag < sizeof names / sizeof names[0] ? names[tag] : "unknown";
}

// Rewrites class names inside a descriptor or class-entry text; other text is left alone.
std::string mapDescriptor(const std::string& d) {
    std::string out;
    size_t i = 0;
    while (i < d.size()) {
        if (d[i] == 'L') {
            size_t semi = d.find(';', i);
            if (semi == std::string::npos) return out + d.substr(i);
            std::string name = d.substr(i + 1, semi - i - 1);
            out += 'L';
            out += name == kStringBuilder ? kStringBuffer : name;
            out += ';';
            i = semi + 1;
        } else {
            out += d[i++];
        }
    }
    return out;
}

std::string mapClassName(const std::string& name) {
    if (!name.empty() && name[0] == '[') return mapDescriptor(name);
    return name == kStringBuilder ? kStringBuffer : name;
}

// Every class a descriptor names ('L...;' parts, array or not).
void descriptorClasses(const std::string& d, std::vector<std::string>& out) {
    size_t i = 0;
    while ((i = d.find('L', i)) != std::string::npos) {
        // a 'L' inside a class name is skipped together with that name
        size_t semi = d.find(';', i);
        if (semi == std::string::npos) return;
        out.push_back(d.substr(i + 1, semi - i - 1));
        i = semi + 1;
    }
}

struct Converter {
    ClassFile cf;
    const std::set<std::string>& known;
    std::string self;   // this class, slash form
    std::string where;  // the member being converted, for messages
    std::string error;

    explicit Converter(const std::set<std::string>& k) : known(k) {}

    bool fail(const std::string& message) {
        error = self + (where.empty() ? "" : "." + where) + ": " + message;
        return false;
    }

    // A class entry's name or a descriptor's class: arrays check their element class.
    bool requireKnown(const std::string& nameOrArray) {
        std::string name = nameOrArray;
        if (!name.empty() && name[0] == '[') {
            size_t p = name.find_first_not_of('[');
            if (p == std::string::npos) return fail("malformed array class name " + nameOrArray);
            if (name[p] != 'L') return true;  // array of a primitive type
            if (name.back() != ';') return fail("malformed array class name " + nameOrArray);
            name = name.substr(p + 1, name.size() - p - 2);
        }
        if (known.count(name)) return true;
        return fail("refers to class " + name + ", which is neither among the classes converted nor in the library");
    }

    bool requireKnownDescriptor(const std::string& d) {
        std::vector<std::string> names;
        descriptorClasses(d, names);
        for (const std::string& n : names)
            if (!requireKnown(n)) return false;
        return true;
    }

    bool requireClassEntry(unsigned index) {
        if (!entry(cf, index, kClass)) return fail("pool entry " + std::to_string(index) + " is not a Class");
        return requireKnown(className(cf, index));
    }

    bool requireMemberRef(unsigned index, bool field) {
        const Constant* c = index < cf.pool.size() ? &cf.pool[index] : nullptr;
        bool ok = c && (field ? c->tag == kFieldref : c->tag == kMethodref || c->tag == kInterfaceMethodref);
        if (!ok)
            return fail("pool entry " + std::to_string(index) + " is not a " + (field ? "field" : "method") +
                        " reference");
        const Constant* nt = entry(cf, c->b, kNameAndType);
        if (!nt) return fail("member reference without a NameAndType");
        return requireClassEntry(c->a) && requireKnownDescriptor(utf8At(cf, nt->b));
    }

    bool mapStringBuilder();
    std::set<unsigned> rewriteRequireNonNull();
    bool checkPool();
    std::set<unsigned> nullChecks;  // Methodref entries that became Object.getClass
    bool convertMethod(Member& m);
    bool scanCode(const Code& code, std::vector<bool>& starts, std::set<uint32_t>& needFrame);
    bool run(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
};

// StringBuilder is a compile-only stub: every use as a class or in a descriptor becomes
// StringBuffer, whose methods javac's concatenation code calls under the same names.
bool Converter::mapStringBuilder() {
    std::set<unsigned> typeUses;   // Utf8 entries used as class names or descriptors
    std::set<unsigned> otherUses;  // Utf8 entries used any other way (string literals, names)
    for (size_t i = 1; i < cf.pool.size(); i++) {
        const Constant& c = cf.pool[i];
        if (c.tag == kClass) typeUses.insert(c.a);
        if (c.tag == kNameAndType) {
            otherUses.insert(c.a);
            typeUses.insert(c.b);
        }
        if (c.tag == kString) otherUses.insert(c.a);
    }
    for (auto* list : {&cf.fields, &cf.methods})
        for (const Member& m : *list) {
            otherUses.insert(m.name);
            typeUses.insert(m.descriptor);
        }
    std::set<unsigned> classNames;
    for (const Constant& c : cf.pool)
        if (c.tag == kClass) classNames.insert(c.a);
    std::map<unsigned, uint16_t> moved;
    for (unsigned idx : typeUses) {
        if (idx >= cf.pool.size() || cf.pool[idx].tag != kUtf8) continue;
        const std::string text = cf.pool[idx].utf8;
        std::string mapped = classNames.count(idx) ? mapClassName(text) : mapDescriptor(text);
        if (mapped == text) continue;
        if (otherUses.count(idx)) {
            // shared with a string literal or a name: leave it, give the type uses their own entry
            moved[idx] = findOrAddUtf8(cf, mapped);
        } else {
            cf.pool[idx].utf8 = mapped;
        }
    }
    if (!moved.empty()) {
        for (Constant& c : cf.pool) {
            if (c.tag == kClass && moved.count(c.a)) c.a = moved[c.a];
            if (c.tag == kNameAndType && moved.count(c.b)) c.b = moved[c.b];
        }
        for (auto* list : {&cf.fields, &cf.methods})
            for (Member& m : *list)
                if (moved.count(m.descriptor)) m.descriptor = moved[m.descriptor];
    }
    // Two members that differed only by StringBuilder against StringBuffer now clash.
    for (auto* list : {&cf.fields, &cf.methods})
        for (size_t i = 0; i < list->size(); i++)
            for (size_t j = 0; j < i; j++) {
                const Member& a = (*list)[i];
                const Member& b = (*list)[j];
                if (utf8At(cf, a.name) == utf8At(cf, b.name) && utf8At(cf, a.descriptor) == utf8At(cf, b.descriptor)) {
                    where = utf8At(cf, a.name) + utf8At(cf, a.descriptor);
                    return fail("clashes with another member once StringBuilder becomes StringBuffer");
                }
            }
    return true;
}

// javac emits Objects.requireNonNull(x) (and pops its result) where an inner class is
// made through an outer instance; CLDC has no Objects. Object.getClass takes as many
// bytes, pops and pushes one reference as well and throws the same NullPointerException,
// so its Methodref takes the place of the other, and the calls become invokevirtual.
std::set<unsigned> Converter::rewriteRequireNonNull() {
    std::set<unsigned> rewritten;
    for (size_t i = 1; i < cf.pool.size(); i++) {
        const Constant& c = cf.pool[i];
        if (c.tag != kMethodref || className(cf, c.a) != "java/util/Objects") continue;
        const Constant* nt = entry(cf, c.b, kNameAndType);
        if (!nt || utf8At(cf, nt->a) != "requireNonNull" ||
            utf8At(cf, nt->b) != "(Ljava/lang/Object;)Ljava/lang/Object;")
            continue;
        rewritten.insert(unsigned(i));
    }
    if (rewritten.empty()) return rewritten;
    uint16_t name = findOrAddUtf8(cf, "getClass");
    uint16_t type = findOrAddUtf8(cf, "()Ljava/lang/Class;");
    uint16_t nameAndType = 0;
    for (size_t i = 1; i < cf.pool.size() && !nameAndType; i++)
        if (cf.pool[i].tag == kNameAndType && cf.pool[i].a == name && cf.pool[i].b == type) nameAndType = uint16_t(i);
    if (!nameAndType) {
        Constant nt;
        nt.tag = kNameAndType;
        nt.a = name;
        nt.b = type;
        cf.pool.push_back(nt);
        nameAndType = uint16_t(cf.pool.size() - 1);
    }
    uint16_t object = findOrAddClass(cf, "java/lang/Object");
    for (unsigned i : rewritten) {
        cf.pool[i].a = object;
        cf.pool[i].b = nameAndType;
    }
    // The Objects class entry goes too when no other member reference names it (no instance
    // of Objects exists, so no instruction or stack map does).
    for (size_t i = 1; i < cf.pool.size(); i++) {
        Constant& c = cf.pool[i];
        if (c.tag != kClass || utf8At(cf, c.a) != "java/util/Objects") continue;
        bool used = cf.thisClass == i || cf.superClass == i;
        for (const Constant& o : cf.pool)
            if ((o.tag == kFieldref || o.tag == kMethodref || o.tag == kInterfaceMethodref) && o.a == i) used = true;
        if (!used) c.a = cf.pool[object].a;
    }
    return rewritten;
}

// Pool entries the VM cannot load, and classes no one can supply.
bool Converter::checkPool() {
    where.clear();
    for (size_t i = 1; i < cf.pool.size(); i++) {
        const Constant& c = cf.pool[i];
        switch (c.tag) {
            case 0:
            case kUtf8:
            case kInteger:
            case kFloat:
            case kLong:
            case kDouble:
            case kString:
            case kNameAndType:
                break;
            case kClass:
                if (!requireKnown(utf8At(cf, c.a))) return false;
                break;
            case kFieldref:
            case kMethodref:
            case kInterfaceMethodref:
                if (!requireMemberRef(unsigned(i), c.tag == kFieldref)) return false;
                break;
            default:
                return fail(std::string("constant pool holds a ") + tagName(c.tag) +
                            " entry, which CLDC class files cannot have");
        }
    }
    return true;
}

bool Converter::scanCode(const Code& code, std::vector<bool>& starts, std::set<uint32_t>& needFrame) {
    const std::vector<uint8_t>& b = code.code;
    const size_t len = b.size();
    starts.assign(len, false);
    std::vector<uint32_t> targets;
    auto s2 = [&](size_t p) { return beS16(&b[p]); };
    auto u2 = [&](size_t p) { return unsigned(be16(&b[p])); };
    auto s4 = [&](size_t p) { return beS32(&b[p]); };
    size_t pc = 0;
    while (pc < len) {
        starts[pc] = true;
        const unsigned op = b[pc];
        size_t size = 1;
        bool transfer = false;  // no fall-through
        if (op == kJsr || op == kJsrW || op == kRet) return fail("uses jsr/ret subroutines");
        if (op == kInvokedynamic) return fail("uses invokedynamic");
        if (op > kGotoW) return fail("unknown opcode " + std::to_string(op));
        if (op == kBipush || op == kLdc || op == kNewarray || (op >= kIload && op <= kAload) ||
            (op >= kIstore && op <= kAstore)) {
            size = 2;
        } else if (op == kSipush || op == kLdcW || op == kLdc2W || op == kIinc || (op >= kIfeq && op <= kGoto) ||
                   op == kIfnull || op == kIfnonnull || (op >= kGetstatic && op <= kInvokestatic) || op == kNew ||
                   op == kAnewarray || op == kCheckcast || op == kInstanceof) {
            size = 3;
        } else if (op == kMultianewarray) {
            size = 4;
        } else if (op == kInvokeinterface || op == kGotoW) {
            size = 5;
        } else if (op == kWide) {
            if (pc + 1 >= len) return fail("code ends inside an instruction");
            unsigned w = b[pc + 1];
            if (w == kRet) return fail("uses jsr/ret subroutines");
            if (w == kIinc) {
                size = 6;
            } else if ((w >= kIload && w <= kAload) || (w >= kIstore && w <= kAstore)) {
                size = 4;
            } else {
                return fail("bad wide instruction at offset " + std::to_string(pc));
            }
        } else if (op == kTableswitch || op == kLookupswitch) {
            size_t base = (pc + 4) & ~size_t(3);
            if (base + 8 > len) return fail("code ends inside a switch");
            targets.push_back(uint32_t(pc + s4(base)));
            if (op == kTableswitch) {
                if (base + 12 > len) return fail("code ends inside a switch");
                int64_t n = int64_t(s4(base + 8)) - s4(base + 4) + 1;
                if (n < 1 || base + 12 + 4 * n > len) return fail("bad tableswitch bounds");
                for (int64_t i = 0; i < n; i++) targets.push_back(uint32_t(pc + s4(base + 12 + 4 * i)));
                size = base + 12 + 4 * size_t(n) - pc;
            } else {
                int64_t n = s4(base + 4);
                if (n < 0 || base + 8 + 8 * n > len) return fail("bad lookupswitch size");
                for (int64_t i = 0; i < n; i++) targets.push_back(uint32_t(pc + s4(base + 12 + 8 * i)));
                size = base + 8 + 8 * size_t(n) - pc;
            }
            transfer = true;
        }
        if (pc + size > len) return fail("code ends inside an instruction");

        if ((op >= kIfeq && op <= kGoto) || op == kIfnull || op == kIfnonnull)
            targets.push_back(uint32_t(int64_t(pc) + s2(pc + 1)));
        if (op == kGotoW) targets.push_back(uint32_t(int64_t(pc) + s4(pc + 1)));
        if (op == kGoto || op == kGotoW || op == kAthrow || (op >= kIreturn && op <= kReturn)) transfer = true;

        if (op == kLdc || op == kLdcW || op == kLdc2W) {
            unsigned idx = op == kLdc ? b[pc + 1] : u2(pc + 1);
            unsigned tag = idx < cf.pool.size() ? cf.pool[idx].tag : 0;
            bool ok =
                op == kLdc2W ? (tag == kLong || tag == kDouble) : (tag == kString || tag == kInteger || tag == kFloat);
            if (!ok)
                return fail(std::string(op == kLdc2W ? "ldc2_w" : "ldc") + " of a constant of kind " + tagName(tag) +
                            " at offset " + std::to_string(pc) +
                            (tag == kClass ? " (class literals are not supported)" : ""));
        } else if (op == kNew || op == kAnewarray || op == kCheckcast || op == kInstanceof || op == kMultianewarray) {
            if (!requireClassEntry(u2(pc + 1))) return false;
        } else if (op >= kGetstatic && op <= kPutfield) {
            if (!requireMemberRef(u2(pc + 1), true)) return false;
        } else if ((op >= kInvokevirtual && op <= kInvokestatic) || op == kInvokeinterface) {
            if (!requireMemberRef(u2(pc + 1), false)) return false;
        }
        pc += size;
        if (transfer && pc < len) needFrame.insert(uint32_t(pc));
    }
    for (uint32_t t : targets) {
        if (t >= len || !starts[t])
            return fail("branch to offset " + std::to_string(int32_t(t)) + ", which is not an instruction");
        needFrame.insert(t);
    }
    for (const ExceptionHandler& h : code.handlers) {
        if (h.start >= h.end || h.end > len || h.handler >= len || !starts[h.start] || !starts[h.handler] ||
            (h.end < len && !starts[h.end]))
            return fail("bad exception handler range");
        if (h.catchType && !requireClassEntry(h.catchType)) return false;
        needFrame.insert(h.handler);
    }
    return true;
}

bool Converter::convertMethod(Member& m) {
    const std::string name = utf8At(cf, m.name);
    const std::string desc = utf8At(cf, m.descriptor);
    where = name + desc;
    if (!requireKnownDescriptor(desc)) return false;

    std::vector<Attribute> kept;
    bool haveCode = false;
    for (const Attribute& a : m.attributes) {
        const std::string an = attributeName(cf, a);
        if (an == "Exceptions") {
            Reader r(a.data.data(), a.data.size());
            unsigned n = r.u2();
            for (unsigned i = 0; i < n && !r.bad; i++)
                if (!requireClassEntry(r.u2())) return false;
            if (r.bad || !r.atEnd()) return fail("malformed Exceptions attribute");
            kept.push_back(a);
            continue;
        }
        if (an != "Code") continue;  // Signature, Deprecated, annotations and the like go
        if (haveCode) return fail("has two Code attributes");
        haveCode = true;

        Code code;
        std::string err;
        if (!parseCode(a.data, code, err)) return fail(err);
        // the VM's frames hold locals and operand stack in 512 words at most
        if (unsigned(code.maxLocals) + code.maxStack > kMaxFrameWords)
            return fail("needs " + std::to_string(code.maxLocals) + " locals and " + std::to_string(code.maxStack) +
                        " stack words, more than " + std::to_string(kMaxFrameWords) + " together");
        if (code.code.size() >= kMaxCodeLength)
            return fail("code of " + std::to_string(code.code.size()) + " bytes (at most " +
                        std::to_string(kMaxCodeLength - 1) + " load)");
        std::vector<bool> starts;
        std::set<uint32_t> needFrame;
        if (!scanCode(code, starts, needFrame)) return false;
        if (!nullChecks.empty()) {
            for (size_t pc = 0; pc + 2 < code.code.size(); pc++)
                if (starts[pc] && code.code[pc] == kInvokestatic &&
                    nullChecks.count(unsigned(be16(&code.code[pc + 1]))))
                    code.code[pc] = kInvokevirtual;
        }

        std::vector<Frame> frames;
        const Attribute* table = nullptr;
        const Attribute* cldcMap = nullptr;
        for (const Attribute& ca : code.attributes) {
            const std::string can = attributeName(cf, ca);
            const Attribute** slot = can == "StackMapTable" ? &table : can == "StackMap" ? &cldcMap : nullptr;
            if (!slot) continue;
            if (*slot) return fail("has two " + can + " attributes");
            *slot = &ca;
        }
        if (table && cldcMap) return fail("has both StackMapTable and StackMap");
        if (table) {
            Frame initial;
            if (!initialFrame(cf, self, name, desc, (m.access & 0x0008) != 0, initial))
                return fail("malformed method descriptor");
            if (!decodeStackMapTable(table->data, initial, frames, err)) return fail(err);
        } else if (cldcMap) {
            if (!decodeStackMap(cldcMap->data, frames, err)) return fail(err);
        }

        // The VM's verifier walks the code once and needs a frame at every branch target,
        // handler entry and instruction after an unconditional transfer.
        std::set<uint32_t> have;
        uint32_t last = 0;
        for (size_t i = 0; i < frames.size(); i++) {
            const Frame& f = frames[i];
            const std::string at = " at offset " + std::to_string(f.offset);
            if (i > 0 && f.offset <= last) return fail("stack map frames out of order" + at);
            last = f.offset;
            if (f.offset >= code.code.size() || !starts[f.offset])
                return fail("stack map frame" + at + " is not at an instruction");
            if (slotCount(f.locals) > code.maxLocals || slotCount(f.stack) > code.maxStack)
                return fail("stack map frame" + at + " exceeds the method's locals or stack");
            for (auto* list : {&f.locals, &f.stack})
                for (const VerificationType& t : *list) {
                    if (t.tag == kItemObject && !entry(cf, t.data, kClass))
                        return fail("stack map frame" + at + " names a pool entry that is not a Class");
                    if (t.tag == kItemUninitialized && t.data >= code.code.size())
                        return fail("stack map frame" + at + " has an uninitialised offset past the code");
                }
            have.insert(f.offset);
        }
        for (uint32_t off : needFrame)
            if (!have.count(off)) return fail("no stack map frame at offset " + std::to_string(off));

        code.attributes.clear();
        Attribute sm;
        sm.name = findOrAddUtf8(cf, "StackMap");
        sm.data = encodeStackMap(frames);
        code.attributes.push_back(std::move(sm));
        Attribute ca;
        ca.name = a.name;
        ca.data = writeCode(code);
        kept.push_back(std::move(ca));
    }
    bool bodyless = (m.access & 0x0500) != 0;  // native or abstract
    if (bodyless == haveCode) return fail(haveCode ? "native or abstract method with code" : "method without code");
    m.attributes = std::move(kept);
    return true;
}

bool Converter::run(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    if (!parse(data, size, cf, error)) return false;
    self = className(cf, cf.thisClass);
    if (self.empty()) {
        error = "class file without a valid this_class";
        return false;
    }
    if (cf.major < 45 || cf.major > 51)
        return fail("class file version " + std::to_string(cf.major) +
                    " (expected javac output for -target 7 or older)");
    if (self == kStringBuilder) return fail("is compile-only and has no place in a CLDC library");
    if (!mapStringBuilder()) return false;
    nullChecks = rewriteRequireNonNull();

    for (Member& m : cf.methods)
        if (!convertMethod(m)) return false;

    for (Member& f : cf.fields) {
        where = utf8At(cf, f.name);
        if (!requireKnownDescriptor(utf8At(cf, f.descriptor))) return false;
        std::vector<Attribute> kept;
        for (const Attribute& a : f.attributes)
            if (attributeName(cf, a) == "ConstantValue") kept.push_back(a);
        f.attributes = std::move(kept);
    }
    where.clear();
    if (cf.superClass && !requireClassEntry(cf.superClass)) return false;
    for (uint16_t i : cf.interfaces)
        if (!requireClassEntry(i)) return false;
    if (!checkPool()) return false;

    std::vector<Attribute> kept;
    for (const Attribute& a : cf.attributes) {
        const std::string an = attributeName(cf, a);
        if (an == "SourceFile" || an == "InnerClasses") kept.push_back(a);
    }
    cf.attributes = std::move(kept);
    if (cf.pool.size() > 0xFFFF) return fail("constant pool grows past 65535 entries");
    cf.major = 48;
    cf.minor = 0;
    out = write(cf);
    return true;
}

}  // namespace

bool peekClassName(const uint8_t* data, size_t size, std::string& name, std::string& error) {
    ClassFile cf;
    if (!parse(data, size, cf, error)) return false;
    name = className(cf, cf.thisClass);
    if (name.empty()) {
        error = "class file without a valid this_class";
        return false;
    }
    return true;
}

bool convertClass(const uint8_t* data, size_t size, const std::set<std::string>& known, std::vector<uint8_t>& out,
                  std::string& error) {
    Converter c(known);
    if (c.run(data, size, out)) return true;
    error = c.error;
    return false;
}

}  // namespace classconv
