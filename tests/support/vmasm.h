// Test support: a small bytecode assembler and class-record builder, and a runner
// that starts a VM run on a minimal class image of hand-built system classes.
//
//   vmasm::Vm vm;
//   auto& c = vm.cls("Fib");
//   c.field("result", "I", ACC_STATIC);
//   auto& fib = c.method("fib", "(I)I", ACC_STATIC);
//   fib.code.iload(0).iconst(2).branch(OP_IF_ICMPGE, "recurse").iload(0).op(OP_IRETURN)
//       .label("recurse") ...;
//   vmasm::RunResult r = vm.run("Fib");
//
// Classes are stated before the run and made inside it, in permanent space, with
// every constant-pool entry resolved as the class image has them.
#pragma once

#include <setjmp.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/lowmem.h"
#include "platform/trace.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/heap.h"
#include "vm/core/hooks.h"
#include "vm/core/inlinecache.h"
#include "vm/core/interp.h"
#include "vm/core/native.h"
#include "vm/core/opcodes.h"
#include "vm/core/records.h"
#include "vm/core/resolve.h"
#include "vm/core/romimage.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/loader/startup.h"
#include "vm/services/hooks.h"
#include "vm/services/vmreset.h"
#include "vm/trace/tracelog.h"

namespace vmasm {

// Calls body under a catch frame; the Java exception it raised, or null. The catch frame
// lives in a frame of its own that holds no C++ object: the caller's strings and vectors
// stay out of the setjmp's reach, and body's own frame is left by the exception.
__attribute__((noinline)) inline OBJECT raisedBy(const std::function<void()>& body) {
    OBJECT volatile thrown = nullptr;
    VM_TRY
    body();
    VM_CATCH(e)
    thrown = e;
    VM_END_TRY
    return thrown;
}

class ClassSpec;

// One constant-pool entry as stated by a test; made into a resolved entry in the run.
struct PoolSpec {
    enum Kind { Int, Long, String, Class, Field, Method, InterfaceMethod, NameAndType, Unresolved } kind;
    int64_t value = 0;
    std::string className, name, signature;
    bool operator<(const PoolSpec& o) const {
        if (kind != o.kind) return kind < o.kind;
        if (value != o.value) return value < o.value;
        if (className != o.className) return className < o.className;
        if (name != o.name) return name < o.name;
        return signature < o.signature;
    }
};

class Code {
public:
    explicit Code(ClassSpec* owner) : owner_(owner) {}

    std::vector<uint8_t> bytes;

    Code& op(uint8_t opcode) { return u1(opcode); }
    Code& u1(uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Code& u2(uint16_t v) { return u1((uint8_t)(v >> 8)).u1((uint8_t)v); }
    Code& u4(uint32_t v) { return u2((uint16_t)(v >> 16)).u2((uint16_t)v); }

    Code& label(const std::string& name) {
        labels_[name] = (int)bytes.size();
        return *this;
    }
    int labelAt(const std::string& name) const {
        auto it = labels_.find(name);
        if (it == labels_.end()) abort();
        return it->second;
    }

    Code& sipush(int16_t v) { return op(OP_SIPUSH).u2((uint16_t)v); }
    Code& bipush(int8_t v) { return op(OP_BIPUSH).u1((uint8_t)v); }
    Code& iconst(int32_t v) {
        if (v >= -1 && v <= 5) return op((uint8_t)(OP_ICONST_0 + v));
        if (v >= -128 && v <= 127) return op(OP_BIPUSH).u1((uint8_t)v);
        if (v >= -32768 && v <= 32767) return op(OP_SIPUSH).u2((uint16_t)v);
        return ldcInt(v);
    }
    Code& ldcInt(int32_t v);
    Code& ldcString(const std::string& s);
    Code& ldc2Long(int64_t v);
    Code& local(uint8_t shortBase, uint8_t longOp, int n) {
        if (n <= 3) return op((uint8_t)(shortBase + n));
        return op(longOp).u1((uint8_t)n);
    }
    Code& iload(int n) { return local(OP_ILOAD_0, OP_ILOAD, n); }
    Code& lload(int n) { return local(OP_LLOAD_0, OP_LLOAD, n); }
    Code& aload(int n) { return local(OP_ALOAD_0, OP_ALOAD, n); }
    Code& istore(int n) { return local(OP_ISTORE_0, OP_ISTORE, n); }
    Code& lstore(int n) { return local(OP_LSTORE_0, OP_LSTORE, n); }
    Code& astore(int n) { return local(OP_ASTORE_0, OP_ASTORE, n); }
    Code& iinc(int n, int delta) { return op(OP_IINC).u1((uint8_t)n).u1((uint8_t)delta); }

    // Branches take a label; the offset is filled in when the method is made.
    Code& branch(uint8_t opcode, const std::string& target) {
        int at = (int)bytes.size();
        op(opcode);
        fixups_.push_back({at, at + 1, opcode == OP_GOTO_W ? 4 : 2, target});
        if (opcode == OP_GOTO_W) return u4(0);
        return u2(0);
    }
    Code& tableswitch(int32_t low, const std::string& dflt, const std::vector<std::string>& targets) {
        int at = (int)bytes.size();
        op(OP_TABLESWITCH);
        while (bytes.size() % 4) u1(0);
        fixups_.push_back({at, (int)bytes.size(), 4, dflt});
        u4(0).u4((uint32_t)low).u4((uint32_t)(low + (int32_t)targets.size() - 1));
        for (auto& t : targets) {
            fixups_.push_back({at, (int)bytes.size(), 4, t});
            u4(0);
        }
        return *this;
    }
    Code& lookupswitch(const std::string& dflt, const std::vector<std::pair<int32_t, std::string>>& pairs) {
        int at = (int)bytes.size();
        op(OP_LOOKUPSWITCH);
        while (bytes.size() % 4) u1(0);
        fixups_.push_back({at, (int)bytes.size(), 4, dflt});
        u4(0).u4((uint32_t)pairs.size());
        for (auto& p : pairs) {
            u4((uint32_t)p.first);
            fixups_.push_back({at, (int)bytes.size(), 4, p.second});
            u4(0);
        }
        return *this;
    }

    Code& getstatic(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_GETSTATIC, PoolSpec::Field, c, n, s);
    }
    Code& putstatic(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_PUTSTATIC, PoolSpec::Field, c, n, s);
    }
    Code& getfield(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_GETFIELD, PoolSpec::Field, c, n, s);
    }
    Code& putfield(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_PUTFIELD, PoolSpec::Field, c, n, s);
    }
    Code& invokestatic(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_INVOKESTATIC, PoolSpec::Method, c, n, s);
    }
    Code& invokevirtual(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_INVOKEVIRTUAL, PoolSpec::Method, c, n, s);
    }
    Code& invokespecial(const std::string& c, const std::string& n, const std::string& s) {
        return member(OP_INVOKESPECIAL, PoolSpec::Method, c, n, s);
    }
    Code& invokeinterface(const std::string& c, const std::string& n, const std::string& s, int argWords) {
        member(OP_INVOKEINTERFACE, PoolSpec::InterfaceMethod, c, n, s);
        return u1((uint8_t)argWords).u1(0);
    }
    Code& classOp(uint8_t opcode, const std::string& c);
    Code& newObject(const std::string& c) { return classOp(OP_NEW, c); }
    Code& anewarray(const std::string& c) { return classOp(OP_ANEWARRAY, c); }
    Code& checkcast(const std::string& c) { return classOp(OP_CHECKCAST, c); }
    Code& instanceOf(const std::string& c) { return classOp(OP_INSTANCEOF, c); }
    Code& multianewarray(const std::string& c, int dims) { return classOp(OP_MULTIANEWARRAY, c).u1((uint8_t)dims); }
    Code& newarray(int typeCode) { return op(OP_NEWARRAY).u1((uint8_t)typeCode); }

    // Fills the branch offsets.
    void link() {
        for (auto& f : fixups_) {
            int32_t offset = labelAt(f.label) - f.from;
            if (f.size == 2) {
                bytes[f.at] = (uint8_t)(offset >> 8);
                bytes[f.at + 1] = (uint8_t)offset;
            } else {
                for (int i = 0; i < 4; i++) bytes[f.at + i] = (uint8_t)(offset >> (24 - 8 * i));
            }
        }
    }

private:
    Code& member(uint8_t opcode, PoolSpec::Kind kind, const std::string& c, const std::string& n, const std::string& s);
    struct Fixup {
        int from, at, size;
        std::string label;
    };
    ClassSpec* owner_;
    std::map<std::string, int> labels_;
    std::vector<Fixup> fixups_;
};

struct HandlerSpec {
    std::string start, end, handler, catchClass;  // catchClass empty: catches everything
};

struct MethodSpec {
    MethodSpec(ClassSpec* owner, std::string n, std::string s, uint32_t f)
        : name(std::move(n)), signature(std::move(s)), flags(f), code(owner) {}
    std::string name, signature;
    uint32_t flags;
    int maxLocals = -1;  // default: the argument words
    int maxStack = 16;
    Code code;
    NativeFunction native = nullptr;
    std::vector<HandlerSpec> handlers;
    MethodSpec& locals(int n) {
        maxLocals = n;
        return *this;
    }
    MethodSpec& stack(int n) {
        maxStack = n;
        return *this;
    }
    MethodSpec& handler(const std::string& start, const std::string& end, const std::string& target,
                        const std::string& catchClass = "") {
        handlers.push_back({start, end, target, catchClass});
        return *this;
    }
};

struct FieldSpec {
    std::string name, signature;
    uint32_t flags;
    int32_t initial;  // static int fields
};

class ClassSpec {
public:
    ClassSpec(std::string n, std::string s, uint16_t f) : name(std::move(n)), super(std::move(s)), flags(f) {}
    std::string name, super;
    uint16_t flags;
    int16_t status = CLASS_VERIFIED;
    // false: class and member entries are left unresolved, as the class-file loader
    // leaves them (member entries name a class entry and a name-and-type entry)
    bool resolvedPool = true;
    std::vector<std::string> interfaces;
    std::vector<FieldSpec> fields;
    std::vector<MethodSpec*> methods;
    std::vector<PoolSpec> pool;  // index i + 1; a long takes two
    ClassRecord* record = nullptr;

    ~ClassSpec() {
        for (auto* m : methods) delete m;
    }
    ClassSpec(const ClassSpec&) = delete;
    ClassSpec& operator=(const ClassSpec&) = delete;

    ClassSpec& field(const std::string& n, const std::string& sig, uint32_t f = 0, int32_t initial = 0) {
        fields.push_back({n, sig, f, initial});
        return *this;
    }
    MethodSpec& method(const std::string& n, const std::string& sig, uint32_t f = ACC_PUBLIC) {
        methods.push_back(new MethodSpec(this, n, sig, f));
        return *methods.back();
    }
    ClassSpec& nativeMethod(const std::string& n, const std::string& sig, uint32_t f, NativeFunction fn) {
        MethodSpec& m = method(n, sig, f | ACC_NATIVE);
        m.native = fn;
        return *this;
    }
    ClassSpec& implements(const std::string& iface) {
        interfaces.push_back(iface);
        poolIndex({PoolSpec::Class, 0, iface, "", ""});
        return *this;
    }

    int poolIndex(const PoolSpec& p) {
        for (size_t i = 0; i < pool.size(); i++) {
            if (!(pool[i] < p) && !(p < pool[i])) return (int)i + 1;
        }
        pool.push_back(p);
        int index = (int)pool.size();
        if (p.kind == PoolSpec::Long) pool.push_back({PoolSpec::Unresolved, 0, "", "", ""});
        return index;
    }
};

inline Code& Code::ldcInt(int32_t v) {
    int i = owner_->poolIndex({PoolSpec::Int, v, "", "", ""});
    if (i < 256) return op(OP_LDC).u1((uint8_t)i);
    return op(OP_LDC_W).u2((uint16_t)i);
}
inline Code& Code::ldcString(const std::string& s) {
    int i = owner_->poolIndex({PoolSpec::String, 0, "", s, ""});
    if (i < 256) return op(OP_LDC).u1((uint8_t)i);
    return op(OP_LDC_W).u2((uint16_t)i);
}
inline Code& Code::ldc2Long(int64_t v) {
    return op(OP_LDC2_W).u2((uint16_t)owner_->poolIndex({PoolSpec::Long, v, "", "", ""}));
}
inline Code& Code::member(uint8_t opcode, PoolSpec::Kind kind, const std::string& c, const std::string& n,
                          const std::string& s) {
    return op(opcode).u2((uint16_t)owner_->poolIndex({kind, 0, c, n, s}));
}
inline Code& Code::classOp(uint8_t opcode, const std::string& c) {
    return op(opcode).u2((uint16_t)owner_->poolIndex({PoolSpec::Class, 0, c, "", ""}));
}

// Words of a signature's arguments.
inline int argumentWords(const std::string& sig) {
    int words = 0;
    size_t i = 1;
    while (i < sig.size() && sig[i] != ')') {
        char c = sig[i];
        if (c == 'J' || c == 'D') {
            words += 2;
            i++;
        } else {
            words++;
            while (sig[i] == '[') i++;
            if (sig[i] == 'L') i = sig.find(';', i);
            i++;
        }
    }
    return words;
}

inline uint32_t resultKind(const std::string& sig) {
    char r = sig[sig.find(')') + 1];
    if (r == 'V') return ACC_DOUBLE | ACC_POINTER;
    if (r == 'J' || r == 'D') return ACC_DOUBLE;
    if (r == 'L' || r == '[') return ACC_POINTER;
    return 0;
}

struct RunResult {
    int exitCode = 0;
    std::string trace;  // everything the VM traced, alerts and uncaught exceptions included
};

// A VM run over the hand-built system classes and the test's classes.
class Vm {
public:
    Vm() { systemClasses(); }
    ~Vm() {
        for (auto* c : classes_) delete c;
    }
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    int32_t heapBytes = 256 * 1024;
    // Called inside the run once every class exists, before the main thread starts.
    std::function<void()> beforeStart;
    // Called inside the run after the interpreter returned or the run left through its exit.
    std::function<void()> afterRun;
    // Called after the end-of-run reset of the class states and tables.
    std::function<void()> afterReset;

    ClassSpec& cls(const std::string& name, const std::string& super = "java/lang/Object",
                   uint16_t flags = ACC_PUBLIC | ACC_SUPER) {
        classes_.push_back(new ClassSpec(name, super, flags));
        return *classes_.back();
    }

    // Runs fn inside a started run (heap, tables and classes up, no thread yet) and ends
    // the run with exit code 0 when fn returns; fatal errors end it as they would.
    RunResult inside(const std::function<void()>& fn) {
        beforeStart = [&fn] {
            fn();
            vmExitLongjmp(0);
        };
        RunResult r = run("java/lang/Object");
        beforeStart = nullptr;
        return r;
    }

    ClassRecord* classRecord(const std::string& name) {
        for (auto* c : classes_) {
            if (c->name == name) return c->record;
        }
        return nullptr;
    }
    cell* staticAddress(const std::string& className, const std::string& field) {
        ClassRecord* c = classRecord(className);
        for (uint32_t i = 0; c && c->fieldTable && i < c->fieldTable->length; i++) {
            FieldRecord* f = &c->fieldTable->fields[i];
            if (changeKeyToName(f->nameKey, nullptr) == field) return f->u.staticAddress;
        }
        return nullptr;
    }

    RunResult run(const std::string& mainClass) {
        RunResult result;
        initVmSections(MV_SECTIONS_PER_RUN);
        // the heap's objects are referenced from words: low memory
        void* heap = lowAlloc((size_t)heapBytes + 8);
        KvmStartRecord start{};
        start.heapSize = heapBytes;
        start.heapStart = (void*)(((uintptr_t)heap + 3) & ~(uintptr_t)3);
        mvVm_keepStartRecord(&start);
        // the heap comes through the start record, the wait for events sees the services
        CoreHooks.setVmHeap = [](int32_t* size, void** block) { setVmHeap(size, block); };
        installRuntimeServices();
        VmHashTable* tables[3] = {newTable(NAME_TABLE_BUCKETS), newTable(CLASS_TABLE_BUCKETS),
                                  newTable(STRING_TABLE_BUCKETS)};
        RomImage image{};
        image.nameTable = tables[0];
        image.classTable = tables[1];
        image.stringTable = tables[2];
        useRomImage(&image);
        TraceSetCapture(&Vm::capture, &result.trace);
        mainClass_ = mainClass;
        runUnderExitFrame(this);
        // as at the end of every VM run: cached call sites get their original bytes back
        FinalizeInlineCaching();
        result.exitCode = VmExitCode;
        if (afterRun) afterRun();
        VmExitFrame = nullptr;
        CurrentCatchFrame = nullptr;
        resetClassStates();
        if (afterReset) afterReset();
        TraceSetCapture(nullptr, nullptr);
        mvVm_keepStartRecord(nullptr);
        for (auto* t : tables) lowFree(t);
        lowFree(heap);
        for (auto* c : classes_) c->record = nullptr;
        return result;
    }

private:
    // The run between its exit frame and its outermost catch frame, in a frame of its own
    // that holds no object with a destructor: the run leaves through longjmp.
    __attribute__((noinline)) static void runUnderExitFrame(Vm* vm) {
        jmp_buf exitFrame;
        VmExitFrame = &exitFrame;
        VmExitCode = 0;
        if (setjmp(exitFrame) == 0) {
            jmp_buf catchBuffer;
            CatchFrame outer;
            pushCatchFrame(&outer, &catchBuffer);
            if (setjmp(catchBuffer) == 0) {
                vm->startRun();
                interpretEntry();
                VmExitCode = 0;
            } else {
                VmExitCode = 1;
            }
            popCatchFrame(&outer);
        }
    }

    static void capture(int c, void* context) { ((std::string*)context)->push_back((char)c); }
    static VmHashTable* newTable(uint32_t buckets) {
        VmHashTable* t = (VmHashTable*)lowCalloc(1, sizeof(VmHashTable) + buckets * sizeof(t->buckets[0]));
        t->bucketCount = buckets;
        return t;
    }

    void systemClasses() {
        cls("java/lang/Object", "").method("<init>", "()V").code.op(OP_RETURN);
        ClassSpec& clazz = cls("java/lang/Class");
        clazz.method("runCustomCode", "()V", ACC_PRIVATE | ACC_STATIC).stack(4).locals(0).code.op(OP_CUSTOM_CODE);
        cls("java/lang/String").field("value", "[C").field("offset", "I").field("count", "I");
        cls("java/lang/Thread")
            .field("priority", "I")
            .field("record", "I")
            .field("target", "Ljava/lang/Object;")
            .field("name", "Ljava/lang/String;");
        cls("java/lang/System");
        cls("java/lang/Throwable")
            .field("detailMessage", "Ljava/lang/String;")
            .method("<init>", "()V")
            .code.op(OP_RETURN);
        const char* hierarchy[][2] = {
            {"java/lang/Exception", "java/lang/Throwable"},
            {"java/lang/Error", "java/lang/Throwable"},
            {"java/lang/RuntimeException", "java/lang/Exception"},
            {"java/lang/ArithmeticException", "java/lang/RuntimeException"},
            {"java/lang/NullPointerException", "java/lang/RuntimeException"},
            {"java/lang/IndexOutOfBoundsException", "java/lang/RuntimeException"},
            {"java/lang/ArrayIndexOutOfBoundsException", "java/lang/IndexOutOfBoundsException"},
            {"java/lang/ArrayStoreException", "java/lang/RuntimeException"},
            {"java/lang/ClassCastException", "java/lang/RuntimeException"},
            {"java/lang/NegativeArraySizeException", "java/lang/RuntimeException"},
            {"java/lang/IllegalMonitorStateException", "java/lang/RuntimeException"},
            {"java/lang/LinkageError", "java/lang/Error"},
            {"java/lang/NoClassDefFoundError", "java/lang/LinkageError"},
            {"java/lang/VirtualMachineError", "java/lang/Error"},
            {"java/lang/OutOfMemoryError", "java/lang/VirtualMachineError"},
        };
        for (auto& h : hierarchy) cls(h[0], h[1]);
        systemCount_ = classes_.size();
    }

    static const char* typeLetter(int code) {
        static const char* const letters[] = {"", "", "", "", "Z", "C", "F", "D", "B", "S", "I", "J"};
        return letters[code];
    }

    void startRun() {
        InitializeMemoryManagement();
        InitializeInlineCaching();
        // every class record first, so that supers, pools and arrays can name them
        for (auto* c : classes_) c->record = getRawClass(c->name.c_str());
        JavaLangObject = classRecord("java/lang/Object");
        JavaLangClass = classRecord("java/lang/Class");
        JavaLangString = classRecord("java/lang/String");
        JavaLangThread = classRecord("java/lang/Thread");
        JavaLangSystem = classRecord("java/lang/System");
        JavaLangThrowable = classRecord("java/lang/Throwable");
        JavaLangError = classRecord("java/lang/Error");
        for (int code = T_BOOLEAN; code <= T_LONG; code++) {
            std::string name = std::string("[") + typeLetter(code);
            ArrayClassRecord* a =
                asArrayClass(lookupClassTableEntry(nullptr, lookupNameTableEntry(name.c_str(), (int)name.size())));
            a->clazz = JavaLangClass;
            a->accessFlags = 0x1411;
            a->key = (TypeKey)((1 << 13) + typeLetter(code)[0]);
            a->u.primType = (uint32_t)code;
            a->itemSize = (uint32_t)arrayItemSize(code);
            a->gcType = GCT_ARRAY;
            PrimitiveArrayClasses[code] = a;
        }
        for (size_t i = 0; i < classes_.size(); i++) makeClass(*classes_[i], i < systemCount_);
        for (auto* c : classes_) makeMethods(*c);
        RunCustomCodeMethod = &JavaLangClass->methodTable->methods[0];
        for (auto* c : classes_) makePool(*c);
        InitializeJavaSystemClasses();
        ClassRecord* main = classRecord(mainClass_);
        if (main == nullptr) main = getClass(mainClass_.c_str());
        ArrayObject* arguments = instantiateArray(getArrayClass(1, JavaLangString, 'L'), 0);
        if (beforeStart) beforeStart();
        InitializeThreading(main, arguments);
    }

    void makeClass(ClassSpec& spec, bool system) {
        ClassRecord* c = spec.record;
        c->clazz = JavaLangClass;
        c->accessFlags = spec.flags;
        c->superClass = spec.super.empty() ? nullptr : getRawClass(spec.super.c_str());
        c->status = system ? (int16_t)CLASS_READY : spec.status;
        int instSize = c->superClass ? c->superClass->instSize : 0;
        int statics = 0;
        for (auto& f : spec.fields) {
            if (f.flags & ACC_STATIC) statics += (f.signature == "J" || f.signature == "D") ? 2 : 1;
        }
        if (statics) {
            c->staticFields = callocPermanentObject(statics + 1);
            c->staticFields[0] = statics;
        }
        if (!spec.fields.empty()) {
            c->fieldTable = (FieldTable*)callocPermanentObject(fieldTableWords((uint32_t)spec.fields.size()));
            c->fieldTable->length = (uint32_t)spec.fields.size();
            int nextStatic = 1;
            for (size_t i = 0; i < spec.fields.size(); i++) {
                const FieldSpec& fs = spec.fields[i];
                FieldRecord* f = &c->fieldTable->fields[i];
                bool two = fs.signature == "J" || fs.signature == "D";
                bool ref = fs.signature[0] == 'L' || fs.signature[0] == '[';
                uint32_t key = getNameAndTypeKey(fs.name.c_str(), fs.signature.c_str());
                f->nameKey = (uint16_t)key;
                f->typeKey = (uint16_t)(key >> 16);
                f->accessFlags = fs.flags | (two ? ACC_DOUBLE : 0) | (ref ? ACC_POINTER : 0);
                f->ofClass = c;
                if (fs.flags & ACC_STATIC) {
                    f->u.staticAddress = &c->staticFields[nextStatic];
                    f->u.staticAddress[0] = fs.initial;
                    nextStatic += two ? 2 : 1;
                } else {
                    f->u.offset = (uint32_t)instSize;
                    instSize += two ? 2 : 1;
                }
            }
        }
        c->instSize = (uint16_t)instSize;
    }

    void makeMethods(ClassSpec& spec) {
        ClassRecord* c = spec.record;
        if (spec.methods.empty()) return;
        c->methodTable = (MethodTable*)callocPermanentObject(methodTableWords((uint32_t)spec.methods.size()));
        c->methodTable->length = (uint32_t)spec.methods.size();
        for (size_t i = 0; i < spec.methods.size(); i++) {
            MethodSpec& ms = *spec.methods[i];
            MethodRecord* m = &c->methodTable->methods[i];
            m->nt.nameTypeKey = getNameAndTypeKey(ms.name.c_str(), ms.signature.c_str());
            m->accessFlags = ms.flags | resultKind(ms.signature) | ((ms.flags & ACC_NATIVE) ? 0 : ACC_PREPARED);
            m->ofClass = c;
            m->argCount = (uint16_t)(argumentWords(ms.signature) + ((ms.flags & ACC_STATIC) ? 0 : 1));
            if (ms.flags & ACC_NATIVE) {
                m->u.native = ms.native;
                continue;
            }
            m->frameSize = (uint16_t)(ms.maxLocals >= 0 ? ms.maxLocals : m->argCount);
            if (m->frameSize < m->argCount) m->frameSize = m->argCount;
            m->maxStack = (uint16_t)ms.maxStack;
            if (ms.flags & ACC_ABSTRACT) continue;
            ms.code.link();
            m->codeLength = (uint16_t)ms.code.bytes.size();
            m->u.code = (uint8_t*)callocPermanentObject(codeWords((uint32_t)ms.code.bytes.size()));
            memcpy(m->u.code, ms.code.bytes.data(), ms.code.bytes.size());
            if (!ms.handlers.empty()) {
                m->handlers = (HandlerTable*)callocPermanentObject(handlerTableWords((uint32_t)ms.handlers.size()));
                m->handlers->length = (uint32_t)ms.handlers.size();
                for (size_t h = 0; h < ms.handlers.size(); h++) {
                    HandlerEntry* e = &m->handlers->handlers[h];
                    e->startPC = (uint16_t)ms.code.labelAt(ms.handlers[h].start);
                    e->endPC = (uint16_t)ms.code.labelAt(ms.handlers[h].end);
                    e->handlerPC = (uint16_t)ms.code.labelAt(ms.handlers[h].handler);
                    e->catchType =
                        ms.handlers[h].catchClass.empty()
                            ? 0
                            : (uint16_t)spec.poolIndex({PoolSpec::Class, 0, ms.handlers[h].catchClass, "", ""});
                }
            }
        }
    }

    void makePool(ClassSpec& spec) {
        ClassRecord* c = spec.record;
        // an unresolved member entry needs its class and name-and-type entries
        std::vector<std::pair<int, int>> memberParts(spec.pool.size() + 1);
        if (!spec.resolvedPool) {
            size_t stated = spec.pool.size();
            for (size_t i = 0; i < stated; i++) {
                PoolSpec p = spec.pool[i];
                if (p.kind != PoolSpec::Field && p.kind != PoolSpec::Method && p.kind != PoolSpec::InterfaceMethod)
                    continue;
                int classIndex = spec.poolIndex({PoolSpec::Class, 0, p.className, "", ""});
                int nameType = spec.poolIndex({PoolSpec::NameAndType, 0, "", p.name, p.signature});
                memberParts[i + 1] = {classIndex, nameType};
            }
        }
        int n = (int)spec.pool.size() + 1;
        ConstantPool* cp = (ConstantPool*)callocPermanentObject(constantPoolWords(n));
        cp->entries[0].u = (uint32_t)n;
        uint8_t* tags = cpTags(cp);
        for (int i = 1; i < n; i++) {
            const PoolSpec& p = spec.pool[i - 1];
            switch (p.kind) {
                case PoolSpec::Int:
                    cp->entries[i].i = (int32_t)p.value;
                    tags[i] = CONSTANT_Integer;
                    break;
                case PoolSpec::Long:
                    cp->entries[i].u = (uint32_t)((uint64_t)p.value >> 32);
                    cp->entries[i + 1].u = (uint32_t)p.value;
                    tags[i] = CONSTANT_Long;
                    break;
                case PoolSpec::String:
                    cp->entries[i].string = internString(p.name.c_str(), (int)p.name.size(), 1);
                    tags[i] = CONSTANT_String | CP_RESOLVED;
                    break;
                case PoolSpec::Class:
                    cp->entries[i].clazz = getRawClass(p.className.c_str());
                    tags[i] = CONSTANT_Class | (spec.resolvedPool ? CP_RESOLVED : 0);
                    break;
                case PoolSpec::NameAndType:
                    cp->entries[i].u = getNameAndTypeKey(p.name.c_str(), p.signature.c_str());
                    tags[i] = CONSTANT_NameAndType;
                    break;
                case PoolSpec::Field:
                case PoolSpec::Method:
                case PoolSpec::InterfaceMethod:
                    if (spec.resolvedPool) {
                        resolvedMember(cp, i, p);
                        break;
                    }
                    cp->entries[i].u = (uint32_t)memberParts[i].first | ((uint32_t)memberParts[i].second << 16);
                    tags[i] = p.kind == PoolSpec::Field    ? CONSTANT_Fieldref
                              : p.kind == PoolSpec::Method ? CONSTANT_Methodref
                                                           : CONSTANT_InterfaceMethodref;
                    break;
                case PoolSpec::Unresolved:
                    break;
            }
        }
        c->constPool = cp;
        if (!spec.interfaces.empty()) {
            c->interfaces = (uint16_t*)callocPermanentObject(interfaceTableWords((uint32_t)spec.interfaces.size()));
            c->interfaces[0] = (uint16_t)spec.interfaces.size();
            for (size_t i = 0; i < spec.interfaces.size(); i++)
                c->interfaces[i + 1] = (uint16_t)spec.poolIndex({PoolSpec::Class, 0, spec.interfaces[i], "", ""});
        }
    }

    static void resolvedMember(ConstantPool* cp, int i, const PoolSpec& p) {
        uint8_t* tags = cpTags(cp);
        switch (p.kind) {
            case PoolSpec::Field:
                cp->entries[i].field = lookupField(getRawClass(p.className.c_str()),
                                                   getNameAndTypeKey(p.name.c_str(), p.signature.c_str()));
                tags[i] = CONSTANT_Fieldref | CP_RESOLVED;
                break;
            default:
                cp->entries[i].method = lookupMethod(getRawClass(p.className.c_str()),
                                                     getNameAndTypeKey(p.name.c_str(), p.signature.c_str()), nullptr);
                tags[i] = (p.kind == PoolSpec::Method ? CONSTANT_Methodref : CONSTANT_InterfaceMethodref) | CP_RESOLVED;
                break;
        }
    }

    std::vector<ClassSpec*> classes_;
    size_t systemCount_ = 0;
    std::string mainClass_;
};

// Operand-stack helpers for natives bound in tests.
inline int32_t popInt() { return *Regs.sp--; }
inline void pushInt(int32_t v) { *++Regs.sp = v; }

}  // namespace vmasm
