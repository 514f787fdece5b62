// File-backed registry. Format, one item a line:
//   [HKEY_CURRENT_USER\Software\Movane]
//   "TraceLog"=dword:00000001
//   "Movane_Dir"="\\Program Files\\Movane"
// Key and value names compare without regard to case, as on the device.
#include "platform/registry.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct RegValue {
    std::string name;
    uint32_t type;
    uint32_t dword;
    std::string text;
};

struct RegKey {
    std::string path;  // root name, '\', key path
    std::vector<RegValue> values;
    std::vector<std::string> kept;  // lines under the key that do not parse, written back as read
};

struct RegStore {
    std::vector<std::string> kept;  // such lines before the first key
    std::vector<RegKey> keys;
};

const char REG_HEADER[] = "; Movane registry";

std::string regFile;

const char* rootName(RegRootKey root) {
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return nullptr;
}

bool fullKeyPath(RegRootKey root, const char* keyPath, std::string* out) {
    const char* r = rootName(root);
    if (r == nullptr || keyPath == nullptr) return false;
    *out = r;
    if (keyPath[0] != 0) {
        out->push_back('\\');
        out->append(keyPath);
    }
    return true;
}

bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// Parses a quoted text starting at s[i] == '"'; answers the index after the closing quote.
size_t parseQuoted(const std::string& s, size_t i, std::string* out, bool* ok) {
    *ok = false;
    out->clear();
    for (i++; i < s.size(); i++) {
        char c = s[i];
        if (c == '"') {
            *ok = true;
            return i + 1;
        }
        if (c == '\\' && i + 1 < s.size()) {
            char e = s[++i];
            out->push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e);
        } else {
            out->push_back(c);
        }
    }
    return i;
}

void quote(std::string* out, const std::string& text) {
    out->push_back('"');
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(c);
        } else if (c == '\n') {
            out->append("\\n");
        } else if (c == '\r') {
            out->append("\\r");
        } else {
            out->push_back(c);
        }
    }
    out->push_back('"');
}

// Reads the store. Only a missing file is an empty store; any other failure to read it
// answers REG_ERROR_ACCESS_DENIED, so that no write replaces values it could not see.
// Lines that do not parse hide no others and are kept to be written back as they were.
int loadStore(RegStore* store) {
    store->keys.clear();
    store->kept.clear();
    FILE* f = fopen(RegistryGetFile(), "rb");
    if (f == nullptr) return errno == ENOENT ? REG_OK : REG_ERROR_ACCESS_DENIED;
    std::string content;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, n);
    bool failed = ferror(f) != 0;
    fclose(f);
    if (failed) return REG_ERROR_ACCESS_DENIED;
    RegKey* current = nullptr;
    std::vector<std::string>* kept = &store->kept;
    size_t pos = 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) end = content.size();
        std::string raw = content.substr(pos, end - pos);
        pos = end + 1;
        std::string line = raw;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == REG_HEADER) continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close != std::string::npos && close >= 2) {
                store->keys.push_back(RegKey{line.substr(1, close - 1), {}, {}});
                current = &store->keys.back();
                kept = &current->kept;
                continue;
            }
            // the values below a damaged key line belong to no key: kept with it
            current = nullptr;
            kept->push_back(raw);
            continue;
        }
        RegValue v{};
        bool ok = current != nullptr && line[0] == '"';
        size_t i = ok ? parseQuoted(line, 0, &v.name, &ok) : 0;
        ok = ok && i < line.size() && line[i] == '=';
        i++;
        if (ok && line.compare(i, 6, "dword:") == 0) {
            char* endp = nullptr;
            errno = 0;
            unsigned long d = strtoul(line.c_str() + i + 6, &endp, 16);
            ok = errno == 0 && endp != line.c_str() + i + 6 && *endp == 0 && d <= 0xFFFFFFFFul;
            v.type = REG_DWORD;
            v.dword = (uint32_t)d;
        } else if (ok && i < line.size() && line[i] == '"') {
            size_t after = parseQuoted(line, i, &v.text, &ok);
            ok = ok && after == line.size();
            v.type = REG_SZ;
        } else {
            ok = false;
        }
        if (ok)
            current->values.push_back(v);
        else
            kept->push_back(raw);
    }
    return REG_OK;
}

// Flushes the folder of a path, so that a rename in it survives a power loss.
bool syncFolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return ok;
}

int saveStore(const RegStore& store) {
    std::string out = std::string(REG_HEADER) + "\n";
    for (const std::string& line : store.kept) out += line + "\n";
    for (const RegKey& k : store.keys) {
        out += "\n[" + k.path + "]\n";
        for (const RegValue& v : k.values) {
            quote(&out, v.name);
            out.push_back('=');
            if (v.type == REG_DWORD) {
                char hex[16];
                snprintf(hex, sizeof hex, "dword:%08x", v.dword);
                out += hex;
            } else {
                quote(&out, v.text);
            }
            out.push_back('\n');
        }
        for (const std::string& line : k.kept) out += line + "\n";
    }
    std::string path = RegistryGetFile();
    std::string tmp = path + ".tmp." + std::to_string((long)getpid());
    FILE* f = fopen(tmp.c_str(), "wb");
    if (f == nullptr) return REG_ERROR_ACCESS_DENIED;
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = fflush(f) == 0 && ok;
    ok = fsync(fileno(f)) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
        unlink(tmp.c_str());
        return REG_ERROR_ACCESS_DENIED;
    }
    return syncFolderOf(path) ? REG_OK : REG_ERROR_ACCESS_DENIED;
}

RegKey* findKey(RegStore* store, const std::string& path) {
    for (RegKey& k : store->keys)
        if (strcasecmp(k.path.c_str(), path.c_str()) == 0) return &k;
    return nullptr;
}

RegValue* findValue(RegKey* key, const char* name) {
    for (RegValue& v : key->values)
        if (sameName(v.name, name)) return &v;
    return nullptr;
}

// Both programs write the same file: a change reads, edits and replaces it under an
// exclusive lock so that neither loses the other's values. Under the lock no other
// writer is at work, so temporary files found then were left by a crash.
struct RegWriteLock {
    int fd;
    RegWriteLock() {
        makeFolders();
        std::string lock = std::string(RegistryGetFile()) + ".lock";
        fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) flock(fd, LOCK_EX);
        removeStaleTemporaries();
    }
    static void removeStaleTemporaries() {
        std::string path = RegistryGetFile();
        size_t slash = path.rfind('/');
        std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp.";
        DIR* d = opendir(folder.c_str());
        for (struct dirent* e; d != nullptr && (e = readdir(d)) != nullptr;)
            if (strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) unlink((folder + e->d_name).c_str());
        if (d != nullptr) closedir(d);
    }
    ~RegWriteLock() {
        if (fd >= 0) close(fd);
    }
    static void makeFolders() {
        std::string path = RegistryGetFile();
        for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
            mkdir(path.substr(0, slash).c_str(), 0700);
    }
};

int setValue(RegRootKey root, const char* keyPath, const char* name, const RegValue& value) {
    std::string path;
    if (!fullKeyPath(root, keyPath, &path) || name == nullptr) return REG_ERROR_INVALID_PARAMETER;
    RegWriteLock lock;
    RegStore store;
    int loaded = loadStore(&store);
    if (loaded != REG_OK) return loaded;
    RegKey* key = findKey(&store, path);
    if (key == nullptr) {
        store.keys.push_back(RegKey{path, {}, {}});
        key = &store.keys.back();
    }
    RegValue* v = findValue(key, name);
    if (v == nullptr) {
        key->values.push_back(value);
        key->values.back().name = name;
    } else {
        std::string keep = v->name;
        *v = value;
        v->name = keep;
    }
    return saveStore(store);
}

}  // namespace

void RegistrySetFile(const char* path) { regFile = path != nullptr ? path : ""; }

const char* RegistryGetFile(void) {
    if (regFile.empty()) {
        const char* env = getenv("MOVANE_REGISTRY");
        const char* xdg = getenv("XDG_CONFIG_HOME");
        const char* home = getenv("HOME");
        if (env != nullptr && env[0] != 0)
            regFile = env;
        else if (xdg != nullptr && xdg[0] == '/')
            regFile = std::string(xdg) + "/movane/registry.reg";
        else if (home != nullptr && home[0] != 0)
            regFile = std::string(home) + "/.config/movane/registry.reg";
        else
            regFile = "/tmp/movane-registry.reg";
    }
    return regFile.c_str();
}

int RegistryOpenKey(RegRootKey root, const char* keyPath) {
    std::string path;
    if (!fullKeyPath(root, keyPath, &path)) return REG_ERROR_INVALID_PARAMETER;
    RegStore store;
    int loaded = loadStore(&store);
    if (loaded != REG_OK) return loaded;
    return findKey(&store, path) != nullptr ? REG_OK : REG_ERROR_FILE_NOT_FOUND;
}

int RegistryQueryValue(RegRootKey root, const char* keyPath, const char* name, uint32_t* type, void* data,
                       uint32_t* size) {
    std::string path;
    if (!fullKeyPath(root, keyPath, &path) || name == nullptr) return REG_ERROR_INVALID_PARAMETER;
    RegStore store;
    int loaded = loadStore(&store);
    if (loaded != REG_OK) return loaded;
    RegKey* key = findKey(&store, path);
    if (key == nullptr) return REG_ERROR_FILE_NOT_FOUND;
    RegValue* v = findValue(key, name);
    if (v == nullptr) return REG_ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = v->type;
    const void* src = v->type == REG_DWORD ? (const void*)&v->dword : (const void*)v->text.c_str();
    uint32_t need = v->type == REG_DWORD ? 4u : (uint32_t)v->text.size() + 1;
    int result = REG_OK;
    if (data != nullptr) {
        if (size == nullptr) return REG_ERROR_INVALID_PARAMETER;
        uint32_t n = need;
        if (*size < need) {
            n = *size;
            result = REG_ERROR_MORE_DATA;
        }
        memcpy(data, src, n);
    }
    if (size != nullptr) *size = need;
    return result;
}

int RegistrySetDword(RegRootKey root, const char* keyPath, const char* name, uint32_t value) {
    RegValue v{};
    v.type = REG_DWORD;
    v.dword = value;
    return setValue(root, keyPath, name, v);
}

int RegistrySetString(RegRootKey root, const char* keyPath, const char* name, const char* value) {
    if (value == nullptr) return REG_ERROR_INVALID_PARAMETER;
    RegValue v{};
    v.type = REG_SZ;
    v.text = value;
    return setValue(root, keyPath, name, v);
}

int RegistryDeleteValue(RegRootKey root, const char* keyPath, const char* name) {
    std::string path;
    if (!fullKeyPath(root, keyPath, &path) || name == nullptr) return REG_ERROR_INVALID_PARAMETER;
    RegWriteLock lock;
    RegStore store;
    int loaded = loadStore(&store);
    if (loaded != REG_OK) return loaded;
    RegKey* key = findKey(&store, path);
    if (key == nullptr) return REG_ERROR_FILE_NOT_FOUND;
    for (size_t i = 0; i < key->values.size(); i++) {
        if (sameName(key->values[i].name, name)) {
            key->values.erase(key->values.begin() + (long)i);
            return saveStore(store);
        }
    }
    return REG_ERROR_FILE_NOT_FOUND;
}
