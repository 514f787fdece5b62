// movane-classconv: converts javac class files into CLDC class files.
//
//   movane-classconv [-lib PATH]... [-nolib] [-exclude CLASS]... [-o OUTDIR] INPUT... [OUTDIR]
//
// INPUT is a folder of class files, a JAR or a single class file; every class is written to
// OUTDIR under its own name. -lib names the library the classes are converted against (a
// folder of class files, a JAR, or a text file with one class name per line); without it
// the library JAR of this build is used, and -nolib means the inputs stand alone (the
// library itself). -exclude skips a compile-only class. The exit status is 1 when any
// class is refused; the messages name the class and method.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tools/classconv/archive.h"
#include "tools/classconv/convert.h"

#ifndef MOVANE_DEFAULT_LIBRARY
#define MOVANE_DEFAULT_LIBRARY ""
#endif

namespace fs = std::filesystem;
using namespace classconv;

namespace {

struct Input {
    std::string origin;  // file, or JAR!entry, for messages
    std::string path;    // relative path inside its folder or JAR ("" for a lone file)
    std::vector<uint8_t> data;
    std::string name;
};

void complain(const std::string& message) { std::fprintf(stderr, "movane-classconv: %s\n", message.c_str()); }

bool endsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

bool isArchive(const std::string& path) { return endsWith(path, ".jar") || endsWith(path, ".zip"); }

// Class files below a folder, with their paths relative to it.
bool listFolder(const std::string& dir, std::vector<std::pair<std::string, std::string>>& out) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file() || it->path().extension() != ".class") continue;
        out.emplace_back(it->path().string(), fs::relative(it->path(), dir).generic_string());
    }
    if (ec) complain(dir + ": " + ec.message());
    return !ec;
}

bool readInputs(const std::string& path, std::vector<Input>& out) {
    std::string error;
    if (fs::is_directory(path)) {
        std::vector<std::pair<std::string, std::string>> files;
        if (!listFolder(path, files)) return false;
        for (auto& [file, rel] : files) {
            Input in{file, rel, {}, {}};
            if (!readFile(file, in.data, error)) return complain(error), false;
            out.push_back(std::move(in));
        }
        return true;
    }
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes, error)) return complain(error), false;
    if (!isArchive(path)) {
        out.push_back(Input{path, "", std::move(bytes), {}});
        return true;
    }
    std::vector<ArchiveEntry> entries;
    if (!readArchive(bytes, entries, error)) return complain(path + ": " + error), false;
    for (ArchiveEntry& e : entries)
        if (endsWith(e.name, ".class")) out.push_back(Input{path + "!" + e.name, e.name, std::move(e.data), {}});
    return true;
}

bool readLibrary(const std::string& path, std::set<std::string>& names) {
    std::string error;
    auto add = [&](const std::string& rel) { names.insert(rel.substr(0, rel.size() - 6)); };
    if (fs::is_directory(path)) {
        std::vector<std::pair<std::string, std::string>> files;
        if (!listFolder(path, files)) return false;
        for (auto& f : files) add(f.second);
        return true;
    }
    std::vector<uint8_t> bytes;
    if (!readFile(path, bytes, error)) return complain("library " + error), false;
    if (isArchive(path)) {
        std::vector<ArchiveEntry> entries;
        if (!readArchive(bytes, entries, error)) return complain(path + ": " + error), false;
        for (const ArchiveEntry& e : entries)
            if (endsWith(e.name, ".class")) add(e.name);
        return true;
    }
    // a list: one class name per line, dots or slashes, '#' starts a comment
    std::string line;
    bytes.push_back('\n');
    for (uint8_t c : bytes) {
        if (c != '\n') {
            line += char(c);
            continue;
        }
        line = line.substr(0, line.find('#'));
        size_t a = line.find_first_not_of(" \t\r"), b = line.find_last_not_of(" \t\r");
        if (a != std::string::npos) {
            std::string name = line.substr(a, b - a + 1);
            for (char& ch : name)
                if (ch == '.') ch = '/';
            names.insert(name);
        }
        line.clear();
    }
    return true;
}

// A class name that is safe to use as a relative output path.
bool safeName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name.back() == '/') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t slash = name.find('/', start);
        if (slash == std::string::npos) slash = name.size();
        std::string part = name.substr(start, slash - start);
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos) return false;
        start = slash + 1;
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: movane-classconv [-lib PATH]... [-nolib] [-exclude CLASS]... "
                 "[-o OUTDIR] INPUT... [OUTDIR]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> libs, inputs;
    std::set<std::string> excluded{kStringBuilder};
    std::string outDir;
    bool noLib = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "-lib" && more) {
            libs.push_back(argv[++i]);
        } else if (a == "-nolib") {
            noLib = true;
        } else if (a == "-exclude" && more) {
            std::string name = argv[++i];
            for (char& c : name)
                if (c == '.') c = '/';
            excluded.insert(name);
        } else if (a == "-o" && more) {
            outDir = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            return usage();
        } else {
            inputs.push_back(a);
        }
    }
    if (outDir.empty()) {
        if (inputs.size() < 2) return usage();
        outDir = inputs.back();
        inputs.pop_back();
    }
    if (inputs.empty() || (noLib && !libs.empty())) return usage();
    if (!noLib && libs.empty()) {
        if (!*MOVANE_DEFAULT_LIBRARY || !fs::exists(MOVANE_DEFAULT_LIBRARY)) {
            complain("no library to check references against; pass -lib PATH (or -nolib)");
            return 2;
        }
        libs.push_back(MOVANE_DEFAULT_LIBRARY);
    }

    std::set<std::string> known;
    for (const std::string& lib : libs)
        if (!readLibrary(lib, known)) return 1;

    std::vector<Input> all;
    for (const std::string& in : inputs)
        if (!readInputs(in, all)) return 1;

    int failed = 0;
    std::set<std::string> seen;
    std::vector<Input*> work;
    for (Input& in : all) {
        std::string error;
        if (!peekClassName(in.data.data(), in.data.size(), in.name, error)) {
            complain(in.origin + ": " + error);
            failed++;
            continue;
        }
        if (!safeName(in.name) || (!in.path.empty() && in.path != in.name + ".class")) {
            complain(in.origin + ": holds class " + in.name + ", which does not match its path");
            failed++;
            continue;
        }
        if (excluded.count(in.name)) continue;
        if (!seen.insert(in.name).second) {
            complain(in.origin + ": class " + in.name + " is given twice");
            failed++;
            continue;
        }
        work.push_back(&in);
    }
    known.insert(seen.begin(), seen.end());

    for (Input* in : work) {
        std::vector<uint8_t> out;
        std::string error;
        if (!convertClass(in->data.data(), in->data.size(), known, out, error)) {
            complain(in->origin + ": " + error);
            failed++;
            continue;
        }
        fs::path target = fs::path(outDir) / (in->name + ".class");
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        FILE* f = std::fopen(target.string().c_str(), "wb");
        bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
        if (f && std::fclose(f) != 0) ok = false;
        if (!ok) {
            complain(target.string() + ": cannot write");
            failed++;
        }
    }
    return failed ? 1 : 0;
}
