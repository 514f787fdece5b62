// movane-imagegen: a library it cannot load gives a clear error and no image; the
// library itself gives the same source on every run.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/classfile_builder.h"
#include "support/zipwriter.h"

namespace fs = std::filesystem;

namespace {

struct Generated {
    int status;
    std::string output;  // standard output and error
};

Generated generate(const std::string& jar, const std::string& out) {
    std::string command = std::string("\"") + IMAGEGEN + "\" \"" + jar + "\" \"" + out + "\" 2>&1";
    Generated g;
    FILE* p = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) g.output.append(buffer, n);
    int st = pclose(p);
    g.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return g;
}

std::string dirFor(const std::string& name) {
    std::string dir = std::string(TEST_TMP) + "/imagegen/" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary).write((const char*)data.data(), (std::streamsize)data.size());
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ImageGenerator, RefusesWhatItCannotLoad) {
    std::string dir = dirFor("refused");
    writeFile(dir + "/text.jar", zipw::bytesOf("not an archive at all"));
    zipw::Archive broken;
    broken.add("java/lang/Object.class", std::string("\xCA\xFE\xBA\xBE truncated"));
    writeFile(dir + "/broken.jar", broken.write());
    struct Case {
        const char* name;
        std::string jar;
        const char* message;
    };
    const Case cases[] = {
        {"a missing file", dir + "/missing.jar", "cannot read the class library"},
        {"a file that is no archive", dir + "/text.jar", "cannot read the class library"},
        {"an archive without the system classes", SAMPLES_JAR, "java/lang/NoClassDefFoundError: java/lang/Object"},
        {"a broken system class", dir + "/broken.jar", "java/lang/ClassFormatError"},
    };
    for (const Case& k : cases) {
        std::string out = dir + "/image.cpp";
        Generated g = generate(k.jar, out);
        EXPECT_EQ(g.status, 1) << k.name << "\n" << g.output;
        EXPECT_NE(g.output.find(k.message), std::string::npos) << k.name << "\n" << g.output;
        EXPECT_FALSE(fs::exists(out)) << k.name;
    }
}

TEST(ImageGenerator, WritesTheSameImageEveryTime) {
    std::string dir = dirFor("same");
    Generated first = generate(LIBRARY_JAR, dir + "/first.cpp");
    Generated second = generate(LIBRARY_JAR, dir + "/second.cpp");
    ASSERT_EQ(first.status, 0) << first.output;
    ASSERT_EQ(second.status, 0) << second.output;
    EXPECT_NE(first.output.find("Class image: "), std::string::npos) << first.output;
    std::string a = readText(dir + "/first.cpp");
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == readText(dir + "/second.cpp")) << "two runs of the generator differ";
    EXPECT_NE(a.find("const RomImage MovaneClassImage"), std::string::npos);
    // nothing but the generated data: no address of the generating process is left
    EXPECT_EQ(first.output.find("outside the image"), std::string::npos) << first.output;
    EXPECT_EQ(first.output.find("has no name"), std::string::npos) << first.output;
}

// Every word is 32 bits: addresses are the assembler's symbol+offset, which the linker
// resolves; a native is named by the symbol of its C++ function; no C++ expression
// turns an address into a word.
TEST(ImageGenerator, WritesAddressesAsLinkerSymbols) {
    std::string dir = dirFor("symbols");
    Generated g = generate(LIBRARY_JAR, dir + "/image.cpp");
    ASSERT_EQ(g.status, 0) << g.output;
    std::string source = readText(dir + "/image.cpp");
    EXPECT_EQ(source.find("uintptr_t"), std::string::npos) << "an address cast to a word in C++";
    EXPECT_EQ(source.find(".8byte"), std::string::npos) << "a word wider than 32 bits";
    EXPECT_EQ(source.find(".quad"), std::string::npos) << "a word wider than 32 bits";
    struct Case {
        const char* what;
        std::string text;
    };
    const std::string hashCode = "Java_java_lang_Object_hashCode";
    const Case cases[] = {
        {"a bound native as its mangled function symbol", "_Z" + std::to_string(hashCode.size()) + hashCode + "v"},
        {"a class record pointing into the class area", ", movaneImageClasses+"},
        {"a method's code in the code area", ", movaneImageCode+"},
        {"the class area in the per-run data section",
         ".pushsection vmdata,\"aw\",@progbits\n\t.balign 16\n\t.globl movaneImageClasses\n"},
        {"the static area in the per-run zeroed section",
         ".pushsection vmbss,\"aw\",@progbits\n\t.balign 16\n\t.globl movaneImageStatics\n"},
        {"the method records read-only", ".pushsection .rodata\n\t.balign 16\n\t.globl movaneImageRecords\n"},
        {"the roots in C++ from the areas' symbols", "(ClassRecord*)((const char*)movaneImageClasses + "},
    };
    for (const Case& c : cases) EXPECT_NE(source.find(c.text), std::string::npos) << c.what << ": " << c.text;
    // no address of the generating process: every word is a number or a symbol
    size_t at = 0;
    int lines = 0;
    while ((at = source.find("\t.4byte ", at)) != std::string::npos) {
        size_t end = source.find('\n', at);
        std::string line = source.substr(at + 8, end - at - 8);
        size_t from = 0;
        while (from <= line.size()) {
            size_t comma = line.find(", ", from);
            std::string word = line.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            bool number = word.size() > 2 && word.compare(0, 2, "0x") == 0;
            bool symbol = word.compare(0, 11, "movaneImage") == 0 || word.compare(0, 2, "_Z") == 0;
            ASSERT_TRUE(word == "0" || number || symbol) << "word '" << word << "' in: " << line;
            if (comma == std::string::npos) break;
            from = comma + 2;
        }
        lines++;
        at = end;
    }
    EXPECT_GT(lines, 1000);
}

TEST(ImageGenerator, ReportsAnOutputItCannotWrite) {
    std::string dir = dirFor("unwritable");
    Generated g = generate(LIBRARY_JAR, dir + "/no/such/folder/image.cpp");
    EXPECT_EQ(g.status, 1) << g.output;
    EXPECT_NE(g.output.find("cannot write"), std::string::npos) << g.output;
}

// A library class whose reference names a method that does not exist: the entry stays
// unresolved, so its pool goes with the writable data, where a run may still resolve it.
TEST(ImageGenerator, KeepsAPoolWithAnUnresolvableEntryWritable) {
    std::string dir = dirFor("dangling");
    zipw::Archive library;
    for (const auto& entry : fs::recursive_directory_iterator(LIBRARY_CLDC)) {
        if (entry.path().extension() != ".class") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        library.add(fs::relative(entry.path(), LIBRARY_CLDC).generic_string(), bytes);
    }
    testsupport::ClassBuilder dangling("Dangling", "java/lang/Object", 48);
    uint16_t missing = dangling.methodRef("java/lang/Object", "missing", "()V");
    dangling.method(0x0009, "call", "()V", 0, 0, {0xB8, testsupport::hi(missing), testsupport::lo(missing), 0xB1});
    library.add("Dangling.class", dangling.bytes());
    writeFile(dir + "/library.jar", library.write());
    Generated g = generate(dir + "/library.jar", dir + "/image.cpp");
    ASSERT_EQ(g.status, 0) << g.output;
    EXPECT_NE(g.output.find("Dangling: constant " + std::to_string(missing) + " (tag 10) stays unresolved"),
              std::string::npos)
        << g.output;
    EXPECT_NE(g.output.find("1 pools keep unresolved entries (1 entries)"), std::string::npos) << g.output;
    std::string source = readText(dir + "/image.cpp");
    size_t pools = source.find("\nmovaneImageWritablePools:\n");
    ASSERT_NE(pools, std::string::npos);
    size_t section = source.rfind(".pushsection ", pools);
    ASSERT_NE(section, std::string::npos);
    EXPECT_EQ(source.compare(section, 20, ".pushsection vmdata,"), 0) << "the writable pools lie in the per-run data";
    // the area is its words and one zero word behind them
    EXPECT_EQ(source.find(".size movaneImageWritablePools, 4\n"), std::string::npos)
        << "the writable pool area is empty";
}

}  // namespace
