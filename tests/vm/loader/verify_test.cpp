// The bytecode verifier: a table of class files, each verified as written and refused
// once one thing in it is broken (with the VerifyError that ends the run and the reason
// in the trace); the maps of verified methods rewritten for the collector; and every
// converted class of the library and of the Java test programs verified as loaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tools/classconv/classfile.h"
#include "tools/classconv/stackmap.h"
#include "verify_fixture.h"
#include "vm/core/gc.h"
#include "vm/core/stackmap.h"

namespace {

using namespace verifytest;
using testsupport::hi;
using testsupport::lo;

// A small assembler: code bytes with labels, branch offsets filled in at the end.
struct Asm {
    std::vector<uint8_t> code;
    std::map<std::string, int> labels;
    struct Fixup {
        int from, at, size;
        std::string label;
    };
    std::vector<Fixup> fixups;

    Asm& op(uint8_t b) {
        code.push_back(b);
        return *this;
    }
    Asm& ops(std::initializer_list<uint8_t> bytes) {
        code.insert(code.end(), bytes);
        return *this;
    }
    Asm& u2(uint16_t v) { return op(hi(v)).op(lo(v)); }
    Asm& u4(uint32_t v) { return u2(uint16_t(v >> 16)).u2(uint16_t(v)); }
    Asm& cp(uint8_t opcode, uint16_t index) { return op(opcode).u2(index); }
    Asm& label(const std::string& name) {
        labels[name] = (int)code.size();
        return *this;
    }
    Asm& branch(uint8_t opcode, const std::string& target) {
        fixups.push_back({(int)code.size(), (int)code.size() + 1, 2, target});
        return op(opcode).u2(0);
    }
    // Switch operands: padding, then the default and the targets as 4-byte offsets.
    Asm& switchPad() {
        while (code.size() % 4) op(0);
        return *this;
    }
    Asm& target4(int from, const std::string& target) {
        fixups.push_back({from, (int)code.size(), 4, target});
        return u4(0);
    }
    uint16_t at(const std::string& name) const { return (uint16_t)labels.at(name); }
    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> out = code;
        for (const Fixup& f : fixups) {
            int32_t offset = labels.at(f.label) - f.from;
            for (int i = 0; i < f.size; i++) out[f.at + i] = uint8_t(offset >> (8 * (f.size - 1 - i)));
        }
        return out;
    }
};

struct MethodSpec {
    uint16_t access;
    std::string name, descriptor;
    uint16_t maxStack, maxLocals;
    const Asm* code;
    std::vector<MapFrame> frames;  // none: no StackMap attribute
    std::vector<classfile::ExceptionHandler> handlers;
};

void addMethod(ClassBuilder& b, const MethodSpec& s) {
    std::vector<classfile::Attribute> attributes;
    if (!s.frames.empty()) addAttribute(b, attributes, "StackMap", stackMapBody(s.frames));
    classfile::Member& m = rawMethod(b, s.access, s.name, s.descriptor);
    addAttribute(b, m.attributes, "Code", codeBody(s.maxStack, s.maxLocals, s.code->bytes(), s.handlers, attributes));
}

void addAbstract(ClassBuilder& b, uint16_t access, const std::string& name, const std::string& descriptor) {
    rawMethod(b, access, name, descriptor);
}

// <init>()V calling the superclass's.
void addConstructor(ClassBuilder& b, const std::string& super) {
    Asm a;
    a.op(OP_ALOAD_0).cp(OP_INVOKESPECIAL, b.methodRef(super, "<init>", "()V")).op(OP_RETURN);
    addMethod(b, {0x0001, "<init>", "()V", 1, 1, &a, {}, {}});
}

std::vector<uint8_t> object(ClassBuilder& b, const std::string& name) { return item(ITEM_Object, b.cls(name)); }
const std::vector<uint8_t> INT = item(ITEM_Integer);
const std::vector<uint8_t> THIS = item(ITEM_InitObject);

enum { STATIC = 0x0009, PUBLIC = 0x0001 };

// The class V under test, with every other class of its JAR.
struct Classes {
    ClassBuilder v{"V", "java/lang/Object", 48};
    std::vector<std::pair<std::string, ClassBuilder>> others;
    ClassBuilder& other(const std::string& name, const std::string& super = "java/lang/Object",
                        uint16_t access = 0x0021) {
        others.push_back({name, ClassBuilder(name, super, 48)});
        others.back().second.cf.access = access;
        return others.back().second;
    }
    std::vector<uint8_t> jar() {
        std::vector<JarEntry> entries{{"V.class", v.bytes()}};
        for (auto& o : others) entries.push_back({o.first + ".class", o.second.bytes()});
        return makeJar(entries, false);
    }
};

struct RefusalCase {
    const char* name;
    int reason;
    // Builds the classes as written (broken false) or with the one fault (broken true).
    std::function<void(Classes&, bool broken)> build;
};

// static int f(int x) { if (x > 0) return 1; return 2; }
void positiveOrNot(Classes& c, bool withFrames, std::vector<uint16_t> extraFrames = {}) {
    Asm a;
    a.op(OP_ILOAD_0).branch(OP_IFLE, "L").op(OP_ICONST_1).op(OP_IRETURN).label("L").op(OP_ICONST_2).op(OP_IRETURN);
    std::vector<MapFrame> frames;
    for (uint16_t offset : extraFrames) frames.push_back({offset, {INT}, {}});
    if (withFrames) frames.push_back({a.at("L"), {INT}, {}});
    addMethod(c.v, {STATIC, "f", "(I)I", 1, 1, &a, frames, {}});
}

const RefusalCase REFUSALS[] = {
    {"a branch in a method without StackMap", VE_TARGET_FRAME,
     [](Classes& c, bool broken) { positiveOrNot(c, !broken); }},
    {"a frame inside an instruction", VE_FRAME_OFFSET,
     [](Classes& c, bool broken) {
         positiveOrNot(c, true, broken ? std::vector<uint16_t>{2} : std::vector<uint16_t>{});
     }},
    {"code after goto without a frame", VE_FRAME_MISMATCH,
     [](Classes& c, bool broken) {
         Asm a;
         a.branch(OP_GOTO, "L").label("M").op(OP_NOP).label("L").op(OP_RETURN);
         std::vector<MapFrame> frames{{a.at("L"), {}, {}}};
         if (!broken) frames.insert(frames.begin(), {a.at("M"), {}, {}});
         addMethod(c.v, {STATIC, "f", "()V", 0, 0, &a, frames, {}});
     }},
    {"jsr", VE_BAD_OPCODE,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.ops({OP_JSR, 0, 3});
         else
             a.ops({OP_NOP, OP_NOP, OP_NOP});
         a.op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"ldc of a Class", VE_BAD_LDC,
     [](Classes& c, bool broken) {
         Asm a;
         uint16_t index = broken ? c.v.cls("java/lang/Object") : c.v.string("text");
         a.op(OP_LDC).op((uint8_t)index).op(OP_ARETURN);
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 1, 0, &a, {}, {}});
     }},
    {"ldc2_w of an Integer", VE_BAD_LDC,
     [](Classes& c, bool broken) {
         Asm a;
         a.cp(OP_LDC2_W, broken ? c.v.integer(7) : c.v.longConst(7)).op(OP_LRETURN);
         addMethod(c.v, {STATIC, "f", "()J", 2, 0, &a, {}, {}});
     }},
    {"a constant-pool index beyond the pool", VE_POOL_INDEX,
     [](Classes& c, bool broken) {
         Asm a;
         a.cp(OP_LDC_W, broken ? 4000 : c.v.string("text")).op(OP_ARETURN);
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 1, 0, &a, {}, {}});
     }},
    {"an override of a final method", VE_FINAL_OVERRIDE,
     [](Classes& c, bool broken) {
         c.v = ClassBuilder("V", "P", 48);
         ClassBuilder& p = c.other("P");
         Asm ret;
         ret.op(OP_RETURN);
         addMethod(p, {uint16_t(broken ? 0x0011 : 0x0001), "m", "()V", 0, 1, &ret, {}, {}});
         addMethod(c.v, {PUBLIC, "m", "()V", 0, 1, &ret, {}, {}});
     }},
    {"a private method over a final one", VE_FINAL_OVERRIDE,
     [](Classes& c, bool broken) {
         c.v = ClassBuilder("V", "P", 48);
         ClassBuilder& p = c.other("P");
         Asm ret;
         ret.op(OP_RETURN);
         addMethod(p, {uint16_t(broken ? 0x0011 : 0x0001), "m", "()V", 0, 1, &ret, {}, {}});
         addMethod(c.v, {0x0002, "m", "()V", 0, 1, &ret, {}, {}});
     }},
    {"an uninitialised object across a backward branch", VE_BACK_BRANCH_UNINIT,
     [](Classes& c, bool broken) {
         addConstructor(c.v, "java/lang/Object");
         Asm a;
         a.cp(OP_NEW, c.v.cls("V")).label("L").op(OP_ILOAD_0).branch(OP_IFEQ, broken ? "L" : "M").label("M").op(OP_DUP);
         a.cp(OP_INVOKESPECIAL, c.v.methodRef("V", "<init>", "()V")).op(OP_ARETURN);
         std::vector<MapFrame> frames{{a.at("M"), {INT}, {item(ITEM_NewObject, 0)}}};
         if (broken) frames.insert(frames.begin(), {a.at("L"), {INT}, {item(ITEM_NewObject, 0)}});
         addMethod(c.v, {STATIC, "f", "(I)Ljava/lang/Object;", 2, 1, &a, frames, {}});
     }},
    {"a constructor that returns before super()", VE_RETURN_UNINIT,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ILOAD_1).branch(OP_IFEQ, "L").op(broken ? OP_RETURN : OP_NOP).label("L").op(OP_ALOAD_0);
         a.cp(OP_INVOKESPECIAL, c.v.methodRef("java/lang/Object", "<init>", "()V")).op(OP_RETURN);
         addMethod(c.v, {PUBLIC, "<init>", "(I)V", 1, 2, &a, {{a.at("L"), {THIS, INT}, {}}}, {}});
     }},
    {"a constructor that calls super() inside a try range", VE_BAD_INIT_CALL,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ALOAD_0)
             .cp(OP_INVOKESPECIAL, c.v.methodRef("java/lang/Object", "<init>", "()V"))
             .label("R")
             .op(OP_RETURN);
         a.label("H").op(OP_ATHROW);
         uint16_t throwable = c.v.cls("java/lang/Throwable");
         std::vector<uint8_t> self = broken ? THIS : object(c.v, "V");
         classfile::ExceptionHandler h{uint16_t(broken ? 0 : a.at("R")), a.at("H"), a.at("H"), throwable};
         addMethod(
             c.v,
             {PUBLIC, "<init>", "()V", 1, 1, &a, {{a.at("H"), {self}, {object(c.v, "java/lang/Throwable")}}}, {h}});
     }},
    {"a superclass field written before super()", VE_PUTFIELD_UNINIT,
     [](Classes& c, bool broken) {
         c.v = ClassBuilder("V", "P", 48);
         ClassBuilder& p = c.other("P");
         p.field(0x0001, "f", "I");
         addConstructor(p, "java/lang/Object");
         c.v.field(0x0001, "g", "I");
         Asm a;
         a.op(OP_ALOAD_0).op(OP_ICONST_1).cp(OP_PUTFIELD, c.v.fieldRef("V", broken ? "f" : "g", "I"));
         a.op(OP_ALOAD_0).cp(OP_INVOKESPECIAL, c.v.methodRef("P", "<init>", "()V")).op(OP_RETURN);
         addMethod(c.v, {PUBLIC, "<init>", "()V", 2, 1, &a, {}, {}});
     }},
    {"a catch type that is not a Throwable", VE_CATCH_NOT_THROWABLE,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_NOP).label("E").op(OP_RETURN).label("H").op(OP_POP).op(OP_RETURN);
         uint16_t caught = c.v.cls(broken ? "java/lang/String" : "java/lang/Exception");
         classfile::ExceptionHandler h{0, a.at("E"), a.at("H"), caught};
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {{a.at("H"), {}, {object(c.v, "java/lang/Exception")}}}, {h}});
     }},
    {"a handler range that ends inside an instruction", VE_HANDLER_INSIDE,
     [](Classes& c, bool broken) {
         Asm a;
         a.cp(OP_SIPUSH, 1).op(OP_POP).op(OP_RETURN).label("H").op(OP_POP).op(OP_RETURN);
         classfile::ExceptionHandler h{0, uint16_t(broken ? 2 : 3), a.at("H"), 0};
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {{a.at("H"), {}, {object(c.v, "java/lang/Throwable")}}}, {h}});
     }},
    {"stack overflow", VE_STACK_OVERFLOW,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_0, OP_ICONST_0, OP_POP2, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", uint16_t(broken ? 1 : 2), 0, &a, {}, {}});
     }},
    {"stack underflow", VE_STACK_UNDERFLOW,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({broken ? uint8_t(OP_NOP) : uint8_t(OP_ICONST_0), OP_POP, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"a local of the wrong type", VE_LOCAL_BAD_TYPE,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({broken ? uint8_t(OP_ALOAD_0) : uint8_t(OP_ILOAD_0), OP_POP, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "(I)V", 1, 1, &a, {}, {}});
     }},
    {"a local beyond the frame", VE_LOCAL_INDEX,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_0, OP_ISTORE, uint8_t(broken ? 1 : 0), OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 1, 1, &a, {}, {}});
     }},
    {"half of a long popped", VE_NOT_CATEGORY1,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.ops({OP_LCONST_0, OP_POP, OP_POP, OP_RETURN});
         else
             a.ops({OP_LCONST_0, OP_POP2, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 2, 0, &a, {}, {}});
     }},
    {"an int returned as a reference", VE_STACK_BAD_TYPE,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({broken ? uint8_t(OP_ICONST_0) : uint8_t(OP_ACONST_NULL), OP_ARETURN});
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 1, 0, &a, {}, {}});
     }},
    {"an int returned from a method of a class type", VE_RETURN_TYPE,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.ops({OP_ICONST_0, OP_IRETURN});
         else
             a.ops({OP_ACONST_NULL, OP_ARETURN});
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/String;", 1, 0, &a, {}, {}});
     }},
    {"a value returned from a void method", VE_RETURN_FROM_VOID,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.ops({OP_ICONST_0, OP_IRETURN});
         else
             a.ops({OP_ICONST_0, OP_POP, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"return without a value from an int method", VE_RETURN_NOT_VOID,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.op(OP_RETURN);
         else
             a.ops({OP_ICONST_0, OP_IRETURN});
         addMethod(c.v, {STATIC, "f", "()I", 1, 0, &a, {}, {}});
     }},
    {"code that falls off its end", VE_FALLS_OFF_END,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_0, OP_POP, broken ? uint8_t(OP_NOP) : uint8_t(OP_RETURN)});
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"an instruction cut by the end of the code", VE_CODE_OVERRUN,
     [](Classes& c, bool broken) {
         Asm a;
         if (broken)
             a.ops({OP_NOP, OP_SIPUSH, 0});
         else
             a.ops({OP_NOP, OP_NOP, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"a frame that does not fit the code falling into it", VE_FRAME_MISMATCH,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_NOP).label("L").op(OP_RETURN);
         addMethod(c.v,
                   {STATIC, "f", "(I)V", 0, 1, &a, {{a.at("L"), {item(broken ? ITEM_Float : ITEM_Integer)}, {}}}, {}});
     }},
    {"a branch target frame that does not fit", VE_TARGET_FRAME,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ILOAD_0).branch(OP_IFEQ, "L").op(OP_RETURN).label("L").op(OP_RETURN);
         addMethod(c.v,
                   {STATIC, "f", "(I)V", 1, 1, &a, {{a.at("L"), {item(broken ? ITEM_Float : ITEM_Integer)}, {}}}, {}});
     }},
    {"a lookupswitch with keys out of order", VE_LOOKUPSWITCH_ORDER,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ILOAD_0).op(OP_LOOKUPSWITCH).switchPad().target4(1, "L").u4(2);
         a.u4(broken ? 2 : 1).target4(1, "L").u4(broken ? 1 : 2).target4(1, "L");
         a.label("L").op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "(I)V", 1, 1, &a, {{a.at("L"), {INT}, {}}}, {}});
     }},
    {"a frame naming a new that is not there", VE_NEW_WITHOUT_NEW,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_RETURN).label("D").op(OP_RETURN);
         std::vector<uint8_t> local = broken ? item(ITEM_NewObject, 0) : INT;
         addMethod(c.v, {STATIC, "f", "(I)V", 0, 1, &a, {{a.at("D"), {local}, {}}}, {}});
     }},
    {"a Class entry that is a String", VE_BAD_CLASS_ENTRY,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ACONST_NULL).cp(OP_CHECKCAST, broken ? c.v.string("V") : c.v.cls("V")).op(OP_ARETURN);
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 1, 0, &a, {}, {}});
     }},
    {"new of an array class", VE_BAD_CLASS_ENTRY,
     [](Classes& c, bool broken) {
         Asm a;
         a.cp(OP_NEW, c.v.cls(broken ? "[I" : "V")).op(OP_POP).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"getstatic of a method entry", VE_FIELD_ENTRY,
     [](Classes& c, bool broken) {
         c.v.field(STATIC, "s", "I");
         Asm a;
         a.cp(OP_GETSTATIC, broken ? c.v.methodRef("V", "s", "()I") : c.v.fieldRef("V", "s", "I")).op(OP_IRETURN);
         addMethod(c.v, {STATIC, "f", "()I", 1, 0, &a, {}, {}});
     }},
    {"invokestatic of a field entry", VE_INVOKE_FIELD,
     [](Classes& c, bool broken) {
         c.v.field(STATIC, "s", "I");
         Asm a;
         a.cp(OP_INVOKESTATIC, broken ? c.v.fieldRef("V", "s", "I") : c.v.methodRef("V", "f", "()V")).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"an argument of the wrong type", VE_ARGS_BAD_TYPE,
     [](Classes& c, bool broken) {
         Asm g;
         g.op(OP_RETURN);
         addMethod(c.v, {STATIC, "g", "(Ljava/lang/String;)V", 0, 1, &g, {}, {}});
         Asm a;
         a.op(broken ? OP_ICONST_0 : OP_ACONST_NULL)
             .cp(OP_INVOKESTATIC, c.v.methodRef("V", "g", "(Ljava/lang/String;)V"));
         a.op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "()V", 1, 0, &a, {}, {}});
     }},
    {"a missing argument", VE_ARGS_MISSING,
     [](Classes& c, bool broken) {
         Asm g;
         g.op(OP_RETURN);
         addMethod(c.v, {STATIC, "g", "(J)V", 0, 2, &g, {}, {}});
         Asm a;
         a.op(broken ? OP_NOP : OP_LCONST_0).cp(OP_INVOKESTATIC, c.v.methodRef("V", "g", "(J)V")).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "()V", 2, 0, &a, {}, {}});
     }},
    {"invokevirtual of <init>", VE_SPECIAL_METHOD,
     [](Classes& c, bool broken) {
         addConstructor(c.v, "java/lang/Object");
         Asm a;
         a.op(OP_ALOAD_0).cp(OP_INVOKEVIRTUAL, c.v.methodRef("V", broken ? "<init>" : "f", "()V")).op(OP_RETURN);
         addMethod(c.v, {PUBLIC, "f", "()V", 1, 1, &a, {}, {}});
     }},
    {"<init> called on an initialised object", VE_INIT_RECEIVER,
     [](Classes& c, bool broken) {
         addConstructor(c.v, "java/lang/Object");
         Asm a;
         a.op(OP_ALOAD_0).cp(OP_INVOKESPECIAL, c.v.methodRef("V", broken ? "<init>" : "p", "()V")).op(OP_RETURN);
         addMethod(c.v, {0x0002, "p", "()V", 1, 1, &a, {}, {}});
     }},
    {"invokespecial outside the class chain", VE_INVOKESPECIAL_CLASS,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ALOAD_0).cp(OP_INVOKESPECIAL, c.v.methodRef(broken ? "P" : "V", "p", "()V")).op(OP_RETURN);
         addMethod(c.v, {0x0002, "p", "()V", 1, 1, &a, {}, {}});
     }},
    {"invokespecial of a superclass method on an object of the superclass", VE_STACK_BAD_TYPE,
     [](Classes& c, bool broken) {
         c.v = ClassBuilder("V", "P", 48);
         ClassBuilder& p = c.other("P");
         Asm ret;
         ret.op(OP_RETURN);
         addMethod(p, {PUBLIC, "m", "()V", 0, 1, &ret, {}, {}});
         Asm a;
         a.op(broken ? OP_ALOAD_1 : OP_ALOAD_0).cp(OP_INVOKESPECIAL, c.v.methodRef("P", "m", "()V")).op(OP_RETURN);
         addMethod(c.v, {PUBLIC, "f", "(LP;)V", 1, 2, &a, {}, {}});
     }},
    {"an invokeinterface count that does not fit", VE_INVOKEINTERFACE_COUNT,
     [](Classes& c, bool broken) {
         ClassBuilder& i = c.other("I", "java/lang/Object", 0x0601);
         addAbstract(i, 0x0401, "m", "(I)V");
         Asm a;
         a.op(OP_ALOAD_0).op(OP_ICONST_0);
         a.cp(OP_INVOKEINTERFACE, c.v.ref(classfile::kInterfaceMethodref, c.v.cls("I"), c.v.nameAndType("m", "(I)V")));
         a.op(broken ? 3 : 2).op(0).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "(LI;)V", 2, 1, &a, {}, {}});
     }},
    {"an invokeinterface without its zero byte", VE_INVOKEINTERFACE_ZERO,
     [](Classes& c, bool broken) {
         ClassBuilder& i = c.other("I", "java/lang/Object", 0x0601);
         addAbstract(i, 0x0401, "m", "()V");
         Asm a;
         a.op(OP_ALOAD_0)
             .cp(OP_INVOKEINTERFACE,
                 c.v.ref(classfile::kInterfaceMethodref, c.v.cls("I"), c.v.nameAndType("m", "()V")));
         a.op(1).op(broken ? 1 : 0).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "(LI;)V", 1, 1, &a, {}, {}});
     }},
    {"newarray of an unknown type", VE_BAD_OPCODE,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_1, OP_NEWARRAY, uint8_t(broken ? 3 : T_BYTE), OP_ARETURN});
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 1, 0, &a, {}, {}});
     }},
    {"wide of a branch", VE_BAD_OPCODE,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_0, OP_WIDE, uint8_t(broken ? OP_IFEQ : OP_ISTORE), 0, 0, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "()V", 1, 1, &a, {}, {}});
     }},
    {"arraylength of an Object", VE_ARRAYLENGTH,
     [](Classes& c, bool broken) {
         Asm a;
         a.op(OP_ALOAD_0);
         if (!broken) a.cp(OP_CHECKCAST, c.v.cls("[I"));
         a.op(OP_ARRAYLENGTH).op(OP_IRETURN);
         addMethod(c.v, {STATIC, "f", "(Ljava/lang/Object;)I", 1, 1, &a, {}, {}});
     }},
    {"multianewarray deeper than its type", VE_MULTIANEWARRAY,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ICONST_1, OP_ICONST_1}).cp(OP_MULTIANEWARRAY, c.v.cls(broken ? "[I" : "[[I")).op(2).op(OP_ARETURN);
         addMethod(c.v, {STATIC, "f", "()Ljava/lang/Object;", 2, 0, &a, {}, {}});
     }},
    {"multianewarray deeper than an eight-dimensional type", VE_MULTIANEWARRAY,
     [](Classes& c, bool broken) {
         // arrays of seven and more dimensions have keys of their own, found by name
         Asm ret;
         ret.op(OP_RETURN);
         addMethod(c.v, {STATIC, "g6", "([[[[[[I)V", 0, 1, &ret, {}, {}});
         addMethod(c.v, {STATIC, "g7", "([[[[[[[I)V", 0, 1, &ret, {}, {}});
         Asm a;
         a.op(OP_ALOAD_0).cp(OP_CHECKCAST, c.v.cls("[[[[[[[I")).op(OP_ICONST_0).op(OP_AALOAD);
         a.cp(OP_INVOKESTATIC, c.v.methodRef("V", "g6", "([[[[[[I)V"));
         a.op(OP_ICONST_1)
             .cp(OP_ANEWARRAY, c.v.cls("[[[[[[I"))
             .cp(OP_INVOKESTATIC, c.v.methodRef("V", "g7", "([[[[[[[I)V"));
         int dimensions = broken ? 9 : 8;
         for (int d = 0; d < dimensions; d++) a.op(OP_ICONST_1);
         a.cp(OP_MULTIANEWARRAY, c.v.cls("[[[[[[[[I")).op((uint8_t)dimensions).op(OP_POP).op(OP_RETURN);
         addMethod(c.v, {STATIC, "f", "(Ljava/lang/Object;)V", 9, 1, &a, {}, {}});
     }},
    {"baload of an int array", VE_BALOAD_ARRAY,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ALOAD_0, OP_ICONST_0, OP_BALOAD, OP_IRETURN});
         addMethod(c.v, {STATIC, "f", broken ? "([I)I" : "([Z)I", 2, 1, &a, {}, {}});
     }},
    {"aaload of an int array", VE_AALOAD_ARRAY,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ALOAD_0, OP_ICONST_0, OP_AALOAD, OP_ARETURN});
         addMethod(c.v, {STATIC, "f", broken ? "([I)Ljava/lang/Object;" : "([[I)Ljava/lang/Object;", 2, 1, &a, {}, {}});
     }},
    {"castore into a byte array", VE_BASTORE_ARRAY,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ALOAD_0, OP_ICONST_0, OP_ICONST_0, OP_CASTORE, OP_RETURN});
         addMethod(c.v, {STATIC, "f", broken ? "([B)V" : "([C)V", 3, 1, &a, {}, {}});
     }},
    {"an int array stored into an array of String arrays", VE_AASTORE_ARRAY,
     [](Classes& c, bool broken) {
         Asm a;
         a.ops({OP_ALOAD_0, OP_ICONST_0, OP_ICONST_1});
         if (broken)
             a.ops({OP_NEWARRAY, T_INT});
         else
             a.cp(OP_ANEWARRAY, c.v.cls("java/lang/String"));
         a.ops({OP_AASTORE, OP_RETURN});
         addMethod(c.v, {STATIC, "f", "([[Ljava/lang/String;)V", 3, 1, &a, {}, {}});
     }},
};

// What a run left of V and its methods, read before the run's heap goes.
struct MethodMaps {
    uint32_t frames = 0;  // frames the loader read
    bool none = true;     // no maps after verification
    bool pointerMap = false;
    uint32_t points = 0;  // map points of the collector's map
};
struct Verified {
    int16_t status = 99;
    std::vector<MethodMaps> maps;
};

Outcome verifyV(const std::vector<uint8_t>& jar, Verified& seen) {
    LoaderVm vm(1024 * 1024);
    ClassRecord* v = nullptr;
    vm.vm.afterRun = [&] {
        if (v == nullptr) return;
        seen.status = v->status;
        for (uint32_t i = 0; v->methodTable != nullptr && i < v->methodTable->length; i++) {
            const void* maps = v->methodTable->methods[i].stackMaps;
            MethodMaps& m = seen.maps[i];
            m.none = maps == nullptr;
            m.pointerMap = maps != nullptr && headerType(*headerOf(maps)) != GCT_POINTERLIST;
            if (m.pointerMap) m.points = ((const PointerMap*)maps)->header & POINTER_MAP_COUNT_MASK;
        }
    };
    Outcome out = vm.run(jar, [&](Outcome& o) {
        v = getClass("V");
        for (uint32_t i = 0; v->methodTable != nullptr && i < v->methodTable->length; i++) {
            StackMapTable* t = (StackMapTable*)v->methodTable->methods[i].stackMaps;
            seen.maps.push_back({});
            seen.maps.back().frames = t ? t->count : 0;
        }
        verifyClass(v);
        o.loaded = true;
    });
    return out;
}

TEST(Verifier, EachClassVerifiesAsWrittenAndIsRefusedWithItsFault) {
    for (const RefusalCase& c : REFUSALS) {
        for (bool broken : {false, true}) {
            Classes classes;
            c.build(classes, broken);
            Verified seen;
            Outcome out = verifyV(classes.jar(), seen);
            std::string label = std::string(c.name) + (broken ? " (broken)" : " (as written)");
            if (!broken) {
                EXPECT_EQ(0, out.exitCode) << label << "\n" << out.trace;
                EXPECT_TRUE(out.loaded && out.exception.empty())
                    << label << ": " << out.exception << " " << out.message;
                EXPECT_EQ(CLASS_VERIFIED, seen.status) << label;
                for (auto& m : seen.maps) {
                    if (m.frames == 0) continue;
                    // the loader's frames became the collector's map, one point per frame
                    EXPECT_TRUE(m.pointerMap) << label;
                    EXPECT_EQ(m.frames, m.points) << label;
                }
                continue;
            }
            EXPECT_EQ(FATAL_EXIT_CODE, out.exitCode) << label << "\n" << out.trace;
            EXPECT_NE(std::string::npos, out.trace.find("ALERT: java/lang/VerifyError: V.\n")) << label << "\n"
                                                                                               << out.trace;
            std::string reason = ": error " + std::to_string(c.reason) + " at offset";
            EXPECT_NE(std::string::npos, out.trace.find(reason)) << label << "\n" << out.trace;
            EXPECT_EQ(CLASS_ERROR, seen.status) << label;
            for (auto& m : seen.maps) EXPECT_TRUE(m.none) << label << ": maps of a refused class are dropped";
        }
    }
}

// Types that the verifier takes as any reference: a class type goes where an interface
// is expected, whatever the class implements.
TEST(Verifier, AnyClassStandsForAnInterface) {
    Classes c;
    ClassBuilder& i = c.other("I", "java/lang/Object", 0x0601);
    addAbstract(i, 0x0401, "m", "()V");
    addConstructor(c.v, "java/lang/Object");
    c.v.field(STATIC, "field", "LI;");
    Asm g;
    g.op(OP_ALOAD_0).op(OP_ARETURN);
    addMethod(c.v, {STATIC, "g", "(LI;)LI;", 1, 1, &g, {}, {}});
    Asm a;
    a.cp(OP_NEW, c.v.cls("V")).op(OP_DUP).cp(OP_INVOKESPECIAL, c.v.methodRef("V", "<init>", "()V")).op(OP_ASTORE_0);
    a.op(OP_ALOAD_0).cp(OP_PUTSTATIC, c.v.fieldRef("V", "field", "LI;"));
    a.op(OP_ALOAD_0).cp(OP_INVOKESTATIC, c.v.methodRef("V", "g", "(LI;)LI;")).op(OP_POP);
    a.op(OP_ALOAD_0).op(OP_ARETURN);
    addMethod(c.v, {STATIC, "f", "()LI;", 2, 1, &a, {}, {}});
    Verified seen;
    Outcome out = verifyV(c.jar(), seen);
    EXPECT_EQ(0, out.exitCode) << out.trace;
    EXPECT_EQ(CLASS_VERIFIED, seen.status) << out.trace;
}

// An array whose type is only null (straight after aconst_null) has no element type to
// check a stored array against: the store raises at run time, and the code verifies.
TEST(Verifier, AnArrayStoredIntoNullVerifies) {
    Classes c;
    Asm a;
    a.ops({OP_ACONST_NULL, OP_ICONST_0, OP_ICONST_1, OP_NEWARRAY, T_INT, OP_AASTORE, OP_RETURN});
    addMethod(c.v, {STATIC, "f", "()V", 3, 0, &a, {}, {}});
    Verified seen;
    Outcome out = verifyV(c.jar(), seen);
    EXPECT_EQ(0, out.exitCode) << out.trace;
    EXPECT_EQ(CLASS_VERIFIED, seen.status) << out.trace;
}

// The type rules themselves, on keys of the test VM's system classes.
TEST(Verifier, TypeAssignability) {
    LoaderVm vm;
    Outcome out = vm.run(makeJar({}, false), [](Outcome& o) {
        uint16_t object = JavaLangObject->key, string = JavaLangString->key, throwable = JavaLangThrowable->key;
        uint16_t error = getClass("java/lang/Error")->key;
        uint16_t objects = (uint16_t)(0x2000 + object), strings = (uint16_t)(0x2000 + string);
        struct {
            const char* name;
            uint16_t from, to;
            bool expected;
        } cases[] = {
            {"equal types", VT_INT, VT_INT, true},
            {"anything to top", VT_DOUBLE_2, VT_TOP, true},
            {"null to a reference", VT_NULL, VT_REFERENCE, true},
            {"uninitialised this to a reference", VT_UNINIT_THIS, VT_REFERENCE, true},
            {"an uninitialised object to a reference", uninitializedType(5000), VT_REFERENCE, true},
            {"an int to a reference", VT_INT, VT_REFERENCE, false},
            {"an uninitialised object to Object", uninitializedType(12), object, false},
            {"uninitialised this to Object", VT_UNINIT_THIS, object, false},
            {"null to a class", VT_NULL, string, true},
            {"null to an array", VT_NULL, strings, true},
            {"int to float", VT_INT, VT_FLOAT, false},
            {"a long's second word to a long", VT_LONG_2, VT_LONG, false},
            {"a subclass to its superclass", error, throwable, true},
            {"a superclass to its subclass", throwable, error, false},
            {"String[] to Object[]", strings, objects, true},
            {"Object[] to String[]", objects, strings, false},
            {"int[] to Object", 0x2000 | 'I', object, true},
            {"int[] to long[]", 0x2000 | 'I', 0x2000 | 'J', false},
            {"int[] to Object[]", 0x2000 | 'I', objects, false},
        };
        for (auto& c : cases) EXPECT_EQ(c.expected, isTypeAssignable(c.from, c.to, nullptr)) << c.name;
        o.loaded = true;
    });
    EXPECT_TRUE(out.loaded) << out.trace;
}

TEST(Verifier, UninitialisedTypesKeepTheirOffsetsBeyond4096) {
    for (uint32_t offset : {0u, 1u, 255u, 4095u, 4096u, 4097u, 0x5ABCu, 32765u}) {
        uint16_t t = uninitializedType(offset);
        EXPECT_TRUE(isUninitializedType(t)) << offset;
        EXPECT_FALSE(isClassType(t)) << offset;
        EXPECT_EQ(offset, uninitializedOffset(t)) << offset;
        EXPECT_EQ(newObjectType(offset), t) << offset << ": the loader's encoding";
    }
}

// ---------------------------------------------------------------------------------
// Converted classes

std::vector<uint8_t> libraryJar() { return readBytes(LIBRARY_JAR); }

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (auto& l : lines) out += l + "\n";
    return out;
}

// Verifies names with the library as "/sys.jar" and the given JARs behind it; with
// stress, the heap is collected (1) or compacted (2) before every allocation meanwhile.
VerifyReport verifyAgainstLibrary(const std::vector<NamedFile>& jars, const std::vector<std::string>& names,
                                  const std::function<void()>& beforeVerify = nullptr, int stress = 0,
                                  int* compactions = nullptr) {
    std::vector<uint8_t> library = libraryJar();
    std::vector<std::string> libraryNames = classNamesOf(library);
    std::vector<NamedFile> path{{"/sys.jar", library}};
    path.insert(path.end(), jars.begin(), jars.end());
    LoaderVm vm(16 * 1024 * 1024);
    VerifyReport report;
    vmasm::RunResult r = runWithClassPath(vm, path, [&] {
        takeSystemClassesFromLibrary(libraryNames);
        if (beforeVerify) beforeVerify();
        int32_t before = CompactionPassCount;
        CollectOnEveryAllocation = stress;
        verifyClasses(names, report);
        CollectOnEveryAllocation = 0;
        if (compactions != nullptr) *compactions = CompactionPassCount - before;
    });
    if (r.exitCode != 0) report.failures.push_back("run ended with " + std::to_string(r.exitCode) + ": " + r.trace);
    return report;
}

TEST(VerifyConverted, EveryClassOfTheLibraryVerifies) {
    std::vector<std::string> names = classNamesOf(libraryJar());
    ASSERT_GT(names.size(), 30u) << LIBRARY_JAR;
    VerifyReport report = verifyAgainstLibrary({}, names);
    EXPECT_TRUE(report.failures.empty()) << joined(report.failures);
    EXPECT_EQ((int)names.size(), report.classes);
}

// Type checks load classes, so the verifier's arrays and the frames it reads move under
// it when the heap is compacted.
TEST(VerifyConverted, TheLibraryVerifiesWhileTheHeapMovesAtEveryAllocation) {
    std::vector<std::string> names = classNamesOf(libraryJar());
    for (int stress : {1, 2}) {
        int compactions = 0;
        VerifyReport report = verifyAgainstLibrary({}, names, nullptr, stress, &compactions);
        EXPECT_TRUE(report.failures.empty()) << "stress " << stress << "\n" << joined(report.failures);
        EXPECT_EQ((int)names.size(), report.classes) << "stress " << stress;
        if (stress == 2) {
            EXPECT_GT(compactions, 100);
        }
    }
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Every Java test program of this build: the converter's folder of each, made a JAR.
struct Program {
    std::string folder;
    std::vector<JarEntry> classes;
};

std::vector<Program> javaTestPrograms() {
    namespace fs = std::filesystem;
    std::vector<Program> programs;
    std::error_code ec;
    fs::path library = fs::path(LIBRARY_CLDC).lexically_normal();
    for (auto it = fs::recursive_directory_iterator(BUILD_TREE, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path& p = it->path();
        if (!it->is_directory() || p.filename() != "cldc" || !endsWith(p.parent_path().filename().string(), ".java"))
            continue;
        if (p.lexically_normal() == library) continue;
        Program program{p.parent_path().string(), {}};
        for (auto& f : fs::recursive_directory_iterator(p)) {
            if (f.is_regular_file() && endsWith(f.path().string(), ".class"))
                program.classes.push_back({fs::relative(f.path(), p).generic_string(), readBytes(f.path().string())});
        }
        if (!program.classes.empty()) programs.push_back(program);
    }
    return programs;
}

TEST(VerifyConverted, EveryClassOfTheJavaTestProgramsVerifies) {
    std::vector<Program> programs = javaTestPrograms();
    ASSERT_GE(programs.size(), 3u) << "the samples, the stored JAR and the verifier's programs at least";
    // A program may use another's classes: all of them stand behind its own.
    std::vector<JarEntry> everything;
    std::set<std::string> seenNames;
    for (auto& p : programs) {
        for (auto& c : p.classes) {
            if (seenNames.insert(c.name).second) everything.push_back(c);
        }
    }
    std::vector<uint8_t> rest = makeJar(everything, false);
    for (auto& p : programs) {
        std::vector<std::string> names;
        for (auto& c : p.classes) names.push_back(c.name.substr(0, c.name.size() - 6));
        VerifyReport report =
            verifyAgainstLibrary({{"/app.jar", makeJar(p.classes, false)}, {"/rest.jar", rest}}, names);
        EXPECT_TRUE(report.failures.empty()) << p.folder << "\n" << joined(report.failures);
        EXPECT_EQ((int)names.size(), report.classes) << p.folder;
    }
}

// Compiled classes of tests/vm/loader/java/verify with one method damaged.
struct CompiledFault {
    const char* name;
    const char* className;
    const char* method;  // the start of name and descriptor: "<init>(I" or "pick"
    int reason;
    std::function<void(classfile::ClassFile&, classfile::Code&)> damage;
};

void putU2At(std::vector<uint8_t>& code, size_t at, uint16_t v) {
    code[at] = hi(v);
    code[at + 1] = lo(v);
}

std::vector<classfile::Attribute>::iterator stackMapOf(classfile::ClassFile& cf, classfile::Code& code) {
    for (auto it = code.attributes.begin(); it != code.attributes.end(); ++it) {
        if (classfile::attributeName(cf, *it) == "StackMap") return it;
    }
    return code.attributes.end();
}

const CompiledFault COMPILED_FAULTS[] = {
    {"a tableswitch without its StackMap", "verify/Switches", "dense", VE_TARGET_FRAME,
     [](classfile::ClassFile& cf, classfile::Code& code) { code.attributes.erase(stackMapOf(cf, code)); }},
    {"a frame inside a lookupswitch", "verify/Switches", "sparse", VE_FRAME_OFFSET,
     [](classfile::ClassFile& cf, classfile::Code& code) {
         auto map = stackMapOf(cf, code);
         std::vector<classfile::Frame> frames;
         std::string error;
         ASSERT_TRUE(classfile::decodeStackMap(map->data, frames, error)) << error;
         classfile::Frame inside = frames.front();
         inside.offset = 4;
         frames.insert(frames.begin(), inside);
         map->data = classfile::encodeStackMap(frames);
     }},
    {"lookupswitch keys swapped", "verify/Switches", "sparse", VE_LOOKUPSWITCH_ORDER,
     [](classfile::ClassFile&, classfile::Code& code) {
         ASSERT_EQ(OP_LOOKUPSWITCH, code.code[3]);
         for (int i = 0; i < 4; i++) std::swap(code.code[12 + i], code.code[20 + i]);
     }},
    {"a goto made a jsr", "verify/Switches", "sparse", VE_BAD_OPCODE,
     [](classfile::ClassFile&, classfile::Code& code) {
         ASSERT_EQ(OP_GOTO, code.code[54]);
         code.code[54] = OP_JSR;
     }},
    {"super() taken out of an inner class's constructor", "verify/Outer$Inner", "<init>", VE_RETURN_UNINIT,
     [](classfile::ClassFile&, classfile::Code& code) {
         ASSERT_EQ(OP_INVOKESPECIAL, code.code[16]);
         code.code[16] = OP_POP;
         code.code[17] = OP_POP;
         code.code[18] = OP_NOP;
     }},
    {"a String argument loaded as an int", "verify/Conditional", "pick", VE_LOCAL_BAD_TYPE,
     [](classfile::ClassFile&, classfile::Code& code) {
         ASSERT_EQ(OP_ALOAD_1, code.code[8]);
         code.code[8] = OP_ILOAD_1;
     }},
    {"ldc of the class itself", "verify/Conditional", "<init>(I", VE_BAD_LDC,
     [](classfile::ClassFile& cf, classfile::Code& code) {
         ASSERT_EQ(OP_LDC, code.code[5]);
         ASSERT_LT(cf.thisClass, 256);
         code.code[6] = (uint8_t)cf.thisClass;
     }},
    {"a handler catching String", "verify/Finally", "nested", VE_CATCH_NOT_THROWABLE,
     [](classfile::ClassFile& cf, classfile::Code& code) {
         ASSERT_GT(code.handlers.size(), 3u);
         code.handlers[3].catchType = classfile::findOrAddClass(cf, "java/lang/String");
     }},
    {"a loop whose stack is one short", "verify/Shapes", "total", VE_STACK_OVERFLOW,
     [](classfile::ClassFile&, classfile::Code& code) { code.maxStack = 1; }},
    {"a branch target moved into an instruction", "verify/Shapes", "total", VE_TARGET_FRAME,
     [](classfile::ClassFile&, classfile::Code& code) {
         ASSERT_EQ(OP_GOTO, code.code[30]);
         putU2At(code.code, 31, (uint16_t)-25);  // to 5, inside no frame
     }},
};

std::vector<uint8_t> damagedJar(const std::vector<uint8_t>& jar, const CompiledFault& fault) {
    std::vector<classconv::ArchiveEntry> entries;
    std::string error;
    EXPECT_TRUE(classconv::readArchive(jar, entries, error)) << error;
    std::vector<JarEntry> out;
    bool damaged = false;
    for (auto& e : entries) {
        if (e.name != std::string(fault.className) + ".class") {
            out.push_back({e.name, e.data});
            continue;
        }
        classfile::ClassFile cf;
        EXPECT_TRUE(classfile::parse(e.data.data(), e.data.size(), cf, error)) << error;
        for (auto& m : cf.methods) {
            std::string key = classfile::utf8At(cf, m.name) + classfile::utf8At(cf, m.descriptor);
            if (damaged || key.compare(0, strlen(fault.method), fault.method) != 0) continue;
            for (auto& a : m.attributes) {
                if (classfile::attributeName(cf, a) != "Code") continue;
                classfile::Code code;
                EXPECT_TRUE(classfile::parseCode(a.data, code, error)) << error;
                fault.damage(cf, code);
                a.data = classfile::writeCode(code);
                damaged = true;
            }
        }
        out.push_back({e.name, classfile::write(cf)});
    }
    EXPECT_TRUE(damaged) << fault.name;
    return makeJar(out, false);
}

TEST(VerifyConverted, CompiledClassesWithOneFaultAreRefused) {
    std::vector<uint8_t> jar = readBytes(VERIFY_JAR);
    std::vector<uint8_t> library = libraryJar();
    std::vector<std::string> libraryNames = classNamesOf(library);
    for (const CompiledFault& fault : COMPILED_FAULTS) {
        std::vector<uint8_t> damaged = damagedJar(jar, fault);
        LoaderVm vm(16 * 1024 * 1024);
        vmasm::RunResult r = runWithClassPath(vm, {{"/sys.jar", library}, {"/app.jar", damaged}}, [&] {
            takeSystemClassesFromLibrary(libraryNames);
            verifyClass(getClass(fault.className));
        });
        EXPECT_EQ(FATAL_EXIT_CODE, r.exitCode) << fault.name << "\n" << r.trace;
        std::string alert = std::string("ALERT: java/lang/VerifyError: ") + fault.className + ".\n";
        EXPECT_NE(std::string::npos, r.trace.find(alert)) << fault.name << "\n" << r.trace;
        std::string reason = ": error " + std::to_string(fault.reason) + " at offset";
        EXPECT_NE(std::string::npos, r.trace.find(reason)) << fault.name << "\n" << r.trace;
    }
}

// The shapes the verifier must accept, compiled from tests/vm/loader/java/verify; each
// class is checked first for the shape it is there for.
TEST(VerifyConverted, ShapesOfCompiledCodeVerify) {
    std::vector<uint8_t> jar = readBytes(VERIFY_JAR);
    std::vector<std::string> names = classNamesOf(jar);
    ASSERT_GE(names.size(), 7u);
    std::vector<std::string> missing;
    auto method = [](const char* className, const char* name) -> MethodRecord* {
        ClassRecord* c = getClass(className);
        for (uint32_t i = 0; c->methodTable && i < c->methodTable->length; i++) {
            if (strcmp(changeKeyToName(c->methodTable->methods[i].nt.k.nameKey, nullptr), name) == 0)
                return &c->methodTable->methods[i];
        }
        return nullptr;
    };
    auto hasOpcode = [](MethodRecord* m, uint8_t op) {
        for (uint32_t pc = 0; m && pc < m->codeLength; pc += (uint32_t)instructionLength(m->u.code, pc))
            if (m->u.code[pc] == op) return true;
        return false;
    };
    auto hasUninitialised = [](MethodRecord* m, uint32_t atLeast) {
        StackMapTable* t = m ? (StackMapTable*)m->stackMaps : nullptr;
        for (uint32_t f = 0; t && f < t->count; f++) {
            const uint16_t* frame = stackMapFrame(t, f);
            int n = 1 + frame[0] + 1 + frame[1 + frame[0]];
            for (int i = 1; i < n; i++)
                if (frame[i] >= 256 && isUninitializedType(frame[i]) && uninitializedOffset(frame[i]) >= atLeast)
                    return true;
        }
        return false;
    };
    VerifyReport report = verifyAgainstLibrary({{"/app.jar", jar}}, names, [&] {
        if (!hasUninitialised(method("verify/Big", "late"), 4096))
            missing.push_back("a new at 4096 or more in a frame");
        if (!hasUninitialised(method("verify/Conditional", "pick"), 0)) missing.push_back("new C(x > 0 ? a : b)");
        MethodRecord* init = method("verify/Outer$Inner", "<init>");
        if (init == nullptr || init->u.code[1] != OP_ALOAD_1 || init->u.code[2] != OP_PUTFIELD)
            missing.push_back("this$0 stored before super()");
        if (!hasOpcode(method("verify/Switches", "dense"), OP_TABLESWITCH)) missing.push_back("tableswitch");
        if (!hasOpcode(method("verify/Switches", "sparse"), OP_LOOKUPSWITCH)) missing.push_back("lookupswitch");
        MethodRecord* nested = method("verify/Finally", "nested");
        if (nested == nullptr || nested->handlers == nullptr || nested->handlers->length < 4)
            missing.push_back("nested try/finally");
        if (!hasOpcode(method("verify/Wide", "reuse"), OP_DSTORE) &&
            !hasOpcode(method("verify/Wide", "reuse"), OP_DSTORE_1))
            missing.push_back("double locals");
        if (!hasOpcode(method("verify/Shapes", "grid"), OP_AASTORE)) missing.push_back("stores into interface arrays");
    });
    EXPECT_TRUE(missing.empty()) << joined(missing);
    EXPECT_TRUE(report.failures.empty()) << joined(report.failures);
    EXPECT_EQ((int)names.size(), report.classes);
}

}  // namespace
