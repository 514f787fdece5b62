// movane-unbound-natives <folder of class files>: lists every native method of the class
// library that no native table binds to a function. Run by the build after the library
// is converted; its exit status is 0 either way.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/bindings.h"
#include "natives/lib/bindings.h"
#include "natives/ui/bindings.h"

namespace {

struct Reader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    bool bad = false;
    uint32_t u(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; i++) {
            if (at >= bytes.size()) {
                bad = true;
                return 0;
            }
            v = (v << 8) | bytes[at++];
        }
        return v;
    }
    void skip(size_t n) {
        if (n > bytes.size() - std::min(at, bytes.size())) bad = true;
        at += n;
    }
    void skipAttributes() {
        for (uint32_t n = u(2); n > 0 && !bad; n--) {
            u(2);
            skip(u(4));
        }
    }
};

// The native methods of one class file as "class", "name", "descriptor" triples.
bool nativesOf(const std::vector<uint8_t>& bytes, std::vector<std::vector<std::string>>* out) {
    Reader r{bytes};
    if (r.u(4) != 0xCAFEBABE) return false;
    r.u(4);
    uint32_t count = r.u(2);
    std::vector<std::string> utf8(count);
    std::vector<uint32_t> classIndex(count);
    for (uint32_t i = 1; i < count && !r.bad; i++) {
        uint32_t tag = r.u(1);
        switch (tag) {
            case 1: {
                uint32_t n = r.u(2);
                if (r.at + n > bytes.size()) return false;
                utf8[i].assign((const char*)&bytes[r.at], n);
                r.skip(n);
                break;
            }
            case 7:
                classIndex[i] = r.u(2);
                break;
            case 8:
                r.u(2);
                break;
            case 3:
            case 4:
            case 9:
            case 10:
            case 11:
            case 12:
                r.u(4);
                break;
            case 5:
            case 6:
                r.u(8);
                i++;
                break;
            default:
                return false;
        }
    }
    r.u(2);
    uint32_t self = r.u(2);
    if (self >= count || classIndex[self] >= count) return false;
    const std::string& className = utf8[classIndex[self]];
    r.u(2);
    r.skip(2 * (size_t)r.u(2));
    for (uint32_t n = r.u(2); n > 0 && !r.bad; n--) {
        r.u(6);
        r.skipAttributes();
    }
    for (uint32_t n = r.u(2); n > 0 && !r.bad; n--) {
        uint32_t access = r.u(2);
        uint32_t name = r.u(2);
        uint32_t descriptor = r.u(2);
        r.skipAttributes();
        if ((access & 0x0100) && name < count && descriptor < count)
            out->push_back({className, utf8[name], utf8[descriptor]});
    }
    return !r.bad;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: movane-unbound-natives <folder of class files>\n");
        return 2;
    }
    installLibraryNatives();
    installUiNatives();
    installMediaNatives();
    std::vector<std::vector<std::string>> natives;
    std::error_code error;
    for (auto& entry : std::filesystem::recursive_directory_iterator(argv[1], error)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".class") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!nativesOf(bytes, &natives))
            fprintf(stderr, "movane-unbound-natives: cannot read %s\n", entry.path().c_str());
    }
    std::sort(natives.begin(), natives.end());
    int unbound = 0, considered = 0;
    for (auto& n : natives) {
        // its code is made by the VM start, not by a native function
        if (n[0] == "java/lang/Class" && n[1] == "runCustomCode") continue;
        considered++;
        const NativeMethodBinding* b = findNativeBinding(n[0].c_str(), n[1].c_str(), n[2].c_str());
        if (b != nullptr && b->function != nullptr) continue;
        printf("unbound native: %s.%s%s\n", n[0].c_str(), n[1].c_str(), n[2].c_str());
        unbound++;
    }
    printf("%d of %d native methods of the class library are unbound\n", unbound, considered);
    return 0;
}
