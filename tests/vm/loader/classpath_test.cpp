// Class path over named memory files: its entries, class and resource streams with their
// big-endian readers, the "/app.jar" mark, system classes in application JARs, and the
// ResourceInputStream natives.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "jar_fixture.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

using namespace jartest;

namespace {

std::vector<uint8_t> jarOf(std::vector<std::pair<std::string, std::string>> entries, uint16_t method = zipw::DEFLATED) {
    zipw::Archive a;
    for (auto& e : entries) a.add(e.first, e.second, method);
    return a.write();
}

// Registers the files, builds the class path and runs body inside one VM run.
struct ClassPathRun {
    std::map<std::string, std::vector<uint8_t>> files;
    std::string classPath;
    vmasm::RunResult run(const std::function<void()>& body) {
        vmasm::Vm vm;
        vm.cls("java/io/IOException", "java/lang/Exception");
        std::vector<LowBlock> low;
        for (auto& f : files) low.emplace_back(f.second);
        return vm.inside([&] {
            size_t i = 0;
            for (auto& f : files) {
                registerMemoryFile(f.first.c_str(), low[i].data(), nullptr, low[i].size());
                i++;
            }
            initClassPath(classPath.c_str());
            body();
            releaseClassPath();
            for (auto& f : files) unregisterMemoryFile(f.first.c_str(), 0);
        });
    }
};

std::string entryNames() {
    std::string names;
    for (int32_t i = 0; i < ClassPathTable[0]; i++) {
        ClassPathEntry* e = p32Ptr<ClassPathEntry>(ClassPathTable[i + 1]);
        JarFile* jar = (JarFile*)e->jar;
        names += std::string(names.empty() ? "" : " ") + e->name + "(" + (char)e->type + (jar->index ? "i" : "") + ")";
    }
    return names;
}

std::string readAll(ClassFileStream* s) {
    std::string text;
    for (int32_t b; (b = readStreamByteOrEnd(s)) >= 0;) text.push_back((char)b);
    return text;
}

TEST(ClassPath, Entries) {
    std::vector<uint8_t> jar = jarOf({{"a/A.class", "A"}});
    std::vector<uint8_t> notAJar = zipw::bytesOf(std::string(200, 'x'));
    struct Case {
        const char* name;
        std::vector<std::string> registered;
        const char* classPath;
        const char* entries;
    };
    const Case cases[] = {
        {"one JAR", {"/app.jar"}, "/app.jar", "/app.jar(ji)"},
        {"an unregistered name is dropped", {"/app.jar"}, "/tck.jar;/app.jar", "/app.jar(ji)"},
        {"'.' with no such file", {"/app.jar"}, ".", ""},
        {"empty names are dropped", {"/a.jar", "/b.jar"}, "/a.jar;;/b.jar;", "/a.jar(ji) /b.jar(ji)"},
        {"a file that is no JAR", {"/bad.jar", "/app.jar"}, "/bad.jar;/app.jar", "/app.jar(ji)"},
        {"a third JAR gets no index",
         {"/a.jar", "/b.jar", "/c.jar"},
         "/a.jar;/b.jar;/c.jar",
         "/a.jar(ji) /b.jar(ji) /c.jar(j)"},
    };
    for (const Case& c : cases) {
        ClassPathRun run;
        for (auto& n : c.registered) run.files[n] = n == "/bad.jar" ? notAJar : jar;
        run.classPath = c.classPath;
        std::string got, lookups;
        vmasm::RunResult r = run.run([&] {
            got = entryNames();
            for (int i = 0; i < 2; i++) {
                ClassFileStream* s = openClassPathFile("a/A.class", 1);
                lookups += s ? readAll(s) : "-";
            }
        });
        EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.trace;
        EXPECT_EQ(got, c.entries) << c.name;
        EXPECT_EQ(lookups, std::string(c.entries).empty() ? "--" : "AA") << c.name;
    }
}

TEST(ClassPath, ClassStreamsAndTheAppJarMark) {
    ClassPathRun run;
    run.files["/tck.jar"] = jarOf({{"t/T.class", "tck class"}, {"shared.txt", "from tck"}});
    run.files["/app.jar"] = jarOf({{"p/A.class", "app class"}, {"Top.class", "top"}, {"shared.txt", "from app"}});
    run.files["/x.jar"] = jarOf({{"x/X.class", "third"}}, zipw::STORED);
    run.classPath = "/tck.jar;/app.jar;/x.jar";
    struct Case {
        const char* name;
        const char* className;  // null: a resource
        const char* file;
        const char* text;  // null: not found
        int32_t fromAppJar;
    };
    const Case cases[] = {
        {"class in the first JAR", "t/T", nullptr, "tck class", 0},
        {"class in /app.jar", "p/A", nullptr, "app class", 1},
        {"class without a package", "Top", nullptr, "top", 1},
        {"class in the third JAR", "x/X", nullptr, "third", 0},
        {"the same class again", "p/A", nullptr, "app class", 1},
        {"missing class", "p/Missing", nullptr, nullptr, 0},
        {"resource: the first JAR wins", nullptr, "shared.txt", "from tck", 0},
        {"missing resource", nullptr, "none.txt", nullptr, 0},
    };
    std::vector<std::string> texts;
    std::vector<int32_t> marks;
    vmasm::RunResult r = run.run([&] {
        for (const Case& c : cases) {
            ClassFileStream* s = c.className ? openClassStream(getRawClass(c.className)) : openResourceStream(c.file);
            texts.push_back(s ? readAll(s) : "<miss>");
            marks.push_back(loadingFromAppJar);
            if (s) closeClassStream(s);
        }
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        EXPECT_EQ(texts[i], cases[i].text ? cases[i].text : "<miss>") << cases[i].name;
        EXPECT_EQ(marks[i], cases[i].fromAppJar) << cases[i].name;
    }
}

TEST(ClassPath, SystemClassesInJars) {
    struct Case {
        const char* name;
        const char* jarName;
        const char* entry;
        bool isClass;
        int exitCode;
    };
    const Case cases[] = {
        {"java/ class in /app.jar", "/app.jar", "java/lang/Evil.class", true, 127},
        {"javax/ resource in /app.jar", "/app.jar", "javax/res.txt", false, 127},
        {"com/movane/ class in another JAR", "/tck.jar", "com/movane/X.class", true, 127},
        {"java/ class in /sys.jar", "/sys.jar", "java/lang/Fine.class", true, 0},
        {"an application class", "/app.jar", "app/Fine.class", true, 0},
    };
    for (const Case& c : cases) {
        ClassPathRun run;
        run.files[c.jarName] = jarOf({{c.entry, "bytes"}});
        run.classPath = c.jarName;
        bool found = false;
        vmasm::RunResult r = run.run([&] { found = openClassPathFile(c.entry, c.isClass) != nullptr; });
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << "\n" << r.trace;
        if (c.exitCode == 127) {
            EXPECT_NE(r.trace.find("ALERT: Cannot load system package from Jar"), std::string::npos) << c.name << "\n"
                                                                                                     << r.trace;
        } else {
            EXPECT_TRUE(found) << c.name;
        }
    }
}

// The readers over both kinds of stream: a JAR entry in the heap, and a memory file
// read directly (data or callback), as a directory entry would give.
enum StreamKind { FromJar, FromFileData, FromFileCallback };

std::vector<uint8_t> streamBytes12() { return {0xCA, 0xFE, 0xBA, 0xBE, 0x00, 0x30, 0x81, 0x02, 'x', 'y', 'z', 0xFF}; }

const std::vector<uint8_t>* callbackBytes;
int32_t readCallbackBytes(uint8_t* buffer, int32_t offset, int32_t count) {
    int32_t n = std::min<int32_t>(count, (int32_t)callbackBytes->size() - offset);
    memcpy(buffer, callbackBytes->data() + offset, (size_t)n);
    return n;
}

// Runs body over a stream of the given kind holding bytes; returns the run.
vmasm::RunResult withStream(StreamKind kind, const std::vector<uint8_t>& bytes,
                            const std::function<void(ClassFileStream*)>& body) {
    ClassPathRun run;
    std::string text(bytes.begin(), bytes.end());
    run.files["/app.jar"] = jarOf({{"S.class", text}});
    run.classPath = "/app.jar";
    callbackBytes = &bytes;
    LowBlock low(bytes);
    return run.run([&] {
        ClassFileStream file;
        ClassFileStream* s;
        if (kind == FromJar) {
            s = openClassPathFile("S.class", 1);
        } else {
            if (kind == FromFileData)
                registerMemoryFile("/S.class", low.data(), nullptr, low.size());
            else
                registerMemoryFile("/S.class", nullptr, readCallbackBytes, (int32_t)bytes.size());
            file.kind = STREAM_FILE;
            file.size = (int32_t)bytes.size();
            file.u.file = openMemoryFile("/S.class", "rb");
            s = &file;
        }
        body(s);
        closeClassStream(s);
        unregisterMemoryFile("/S.class", 0);
    });
}

TEST(ClassPath, StreamReaders) {
    const char* kinds[] = {"JAR entry", "file data", "file callback"};
    for (int k = 0; k < 3; k++) {
        std::vector<int64_t> got;
        vmasm::RunResult r = withStream((StreamKind)k, streamBytes12(), [&](ClassFileStream* s) {
            got.push_back(streamAvailable(s));
            got.push_back((uint32_t)readStreamU32(s));
            got.push_back(readStreamU16(s));
            got.push_back(readStreamByte(s));
            got.push_back(streamAvailable(s));
            skipStreamBytes(s, 1);
            char three[3];
            got.push_back(readStreamBytes(s, three, 3));
            got.push_back(three[0] == 'x' && three[2] == 'z');
            got.push_back(readStreamByteOrEnd(s));
            got.push_back(readStreamByteOrEnd(s));
            uint8_t at[4] = {};
            got.push_back(readStreamAt(s, at, 2, 3));
            got.push_back(at[0] == 0xBA && at[2] == 0x00);
            got.push_back(readStreamAt(s, at, -1, 4));
            got.push_back(at[0] == 0x30);
            got.push_back(readStreamAt(s, at, 12, 1));
            got.push_back(readStreamAt(s, at, 13, 1));
        });
        ASSERT_EQ(r.exitCode, 0) << kinds[k] << "\n" << r.trace;
        const std::vector<int64_t> expected = {12, 0xCAFEBABE, 0x0030, 0x81, 5, 3, 1, 0xFF, -1, 3, 1, 4, 1, -1, -1};
        EXPECT_EQ(got, expected) << kinds[k];
    }
}

TEST(ClassPath, ReadingPastTheEnd) {
    struct Case {
        const char* name;
        std::function<void(ClassFileStream*)> read;
    };
    const Case cases[] = {
        {"byte", [](ClassFileStream* s) { skipStreamBytes(s, 12), readStreamByte(s); }},
        {"u16 across the end", [](ClassFileStream* s) { skipStreamBytes(s, 11), readStreamU16(s); }},
        {"u32 across the end", [](ClassFileStream* s) { skipStreamBytes(s, 9), readStreamU32(s); }},
        {"bytes across the end",
         [](ClassFileStream* s) {
             char b[13];
             readStreamBytes(s, b, 13);
         }},
        {"skip past the end", [](ClassFileStream* s) { skipStreamBytes(s, 13); }},
        {"negative count",
         [](ClassFileStream* s) {
             char b[1];
             readStreamBytes(s, b, -1);
         }},
    };
    const char* kinds[] = {"JAR entry", "file data", "file callback"};
    for (int k = 0; k < 3; k++) {
        for (const Case& c : cases) {
            bool returned = false;
            vmasm::RunResult r = withStream((StreamKind)k, streamBytes12(), [&](ClassFileStream* s) {
                c.read(s);
                returned = true;
            });
            EXPECT_FALSE(returned) << c.name << " (" << kinds[k] << ")";
            // the class-format errors have no class in the library: they end the run
            EXPECT_NE(r.trace.find("java/lang/ClassFormatError: Class file size does not match"), std::string::npos)
                << c.name << " (" << kinds[k] << ")\n"
                << r.trace;
        }
    }
}

// The natives, called as the interpreter calls them: arguments on the operand stack.
TEST(ClassPath, ResourceInputStreamNatives) {
    ClassPathRun run;
    run.files["/app.jar"] = jarOf({{"res/data.bin", "0123456789"}});
    run.classPath = "/app.jar";
    std::vector<std::string> log;
    vmasm::RunResult r = run.run([&] {
        cell stack[16];
        Regs.sp = stack;
        auto call = [&](void (*native)(), std::vector<cell> args) -> std::string {
            Regs.sp = stack;
            for (cell a : args) *++Regs.sp = a;
            OBJECT e = vmasm::raisedBy(native);
            if (e == nullptr) return Regs.sp == stack ? "void" : std::to_string(*Regs.sp);
            char name[64];
            getClassNameBuffer(e->clazz, name, sizeof name);
            return name;
        };
        StringInstance* missing = instantiateStringFromUtf("res/none", 8);
        StringInstance* name = instantiateStringFromUtf("res/data.bin", 12);
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_open, {p32Cell(missing)}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_open, {0}));
        std::string opened = call(Java_com_sun_cldc_io_ResourceInputStream_open, {p32Cell(name)});
        cell stream = (cell)std::stol(opened);
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_size, {stream}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_read, {stream}));
        ArrayObject* array = instantiateArray(PrimitiveArrayClasses[T_BYTE], 8);
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_readBytes, {stream, p32Cell(array), 2, -1, 4}));
        log.push_back(std::string((const char*)array->u.bdata + 2, 4));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_readBytes, {stream, p32Cell(array), 0, 8, 8}));
        log.push_back(std::string((const char*)array->u.bdata, 2));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_readBytes, {stream, p32Cell(array), 0, -1, 8}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_readBytes, {stream, p32Cell(array), 4, 0, 8}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_size, {stream}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_read, {0}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_size, {0}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_readBytes, {stream, 0, 0, 0, 1}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_close, {stream}));
        log.push_back(call(Java_com_sun_cldc_io_ResourceInputStream_close, {0}));
    });
    ASSERT_EQ(r.exitCode, 0) << r.trace;
    const std::vector<std::string> expected = {
        "java/io/IOException",
        "java/io/IOException",  // open: missing, null name
        "10",
        "48",  // size, read '0'
        "4",
        "1234",  // four bytes at the current position
        "2",
        "89",  // at position 8: two are left
        "-1",  // at the end
        "-1",  // a range outside the array reads nothing
        "0",   // size at the end
        "java/io/IOException",
        "java/io/IOException",
        "java/io/IOException",
        "void",
        "void",
    };
    EXPECT_EQ(log, expected);
}

}  // namespace
