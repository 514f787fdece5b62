// JAR reader over zlib's raw inflate.
#include "tools/classconv/archive.h"

#include <zlib.h>

#include <cstdio>

namespace classconv {

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }

// No class file or library entry comes near this; a larger claim is a broken archive.
constexpr uint32_t kMaxEntrySize = 64u << 20;

bool inflateRaw(const uint8_t* in, size_t inSize, std::vector<uint8_t>& out, size_t outSize) {
    out.assign(outSize, 0);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(inSize);
    z.next_out = out.data();
    z.avail_out = uInt(outSize);
    int rc = inflate(&z, Z_FINISH);
    bool ok = rc == Z_STREAM_END && z.total_out == outSize;
    inflateEnd(&z);
    return ok;
}

}  // namespace

bool readArchive(const std::vector<uint8_t>& zip, std::vector<ArchiveEntry>& out, std::string& error) {
    const uint8_t* z = zip.data();
    const size_t n = zip.size();
    out.clear();
    // The end record lies in the last 22 + 65535 bytes (its comment is at most 65535).
    size_t eocd = n;
    for (size_t i = n >= 22 ? n - 22 + 1 : 0; i-- > 0 && n - i <= 22 + 65535;)
        if (le32(z + i) == 0x06054b50) {
            eocd = i;
            break;
        }
    if (eocd == n) {
        error = "not a JAR (no end of central directory)";
        return false;
    }
    uint32_t count = le16(z + eocd + 10);
    uint32_t dirSize = le32(z + eocd + 12);
    uint32_t dirOffset = le32(z + eocd + 16);
    if (dirOffset > eocd || dirSize > eocd - dirOffset) {
        error = "central directory out of range";
        return false;
    }
    size_t p = dirOffset;
    const size_t dirEnd = size_t(dirOffset) + dirSize;
    for (uint32_t i = 0; i < count; i++) {
        if (dirEnd - p < 46 || le32(z + p) != 0x02014b50) {
            error = "bad central directory record";
            return false;
        }
        uint32_t flags = le16(z + p + 8), method = le16(z + p + 10), crc = le32(z + p + 16);
        uint32_t csize = le32(z + p + 20), usize = le32(z + p + 24);
        uint32_t nameLen = le16(z + p + 28), extraLen = le16(z + p + 30), commentLen = le16(z + p + 32);
        uint32_t local = le32(z + p + 42);
        if (dirEnd - p - 46 < size_t(nameLen) + extraLen + commentLen) {
            error = "bad central directory record";
            return false;
        }
        ArchiveEntry e;
        e.name.assign(reinterpret_cast<const char*>(z + p + 46), nameLen);
        p += 46 + size_t(nameLen) + extraLen + commentLen;
        if (!e.name.empty() && e.name.back() == '/') continue;
        const std::string what = "entry " + e.name + ": ";
        if (flags & 1) {
            error = what + "encrypted entries are not supported";
            return false;
        }
        if (usize > kMaxEntrySize || csize > kMaxEntrySize) {
            error = what + "too large";
            return false;
        }
        if (local > n || n - local < 30 || le32(z + local) != 0x04034b50) {
            error = what + "bad local header";
            return false;
        }
        size_t dataAt = size_t(local) + 30 + le16(z + local + 26) + le16(z + local + 28);
        if (dataAt > n || n - dataAt < csize) {
            error = what + "data out of range";
            return false;
        }
        if (method == 0) {
            if (csize != usize) {
                error = what + "stored entry with two sizes";
                return false;
            }
            e.data.assign(z + dataAt, z + dataAt + usize);
        } else if (method == 8) {
            if (!inflateRaw(z + dataAt, csize, e.data, usize)) {
                error = what + "corrupt deflate data";
                return false;
            }
        } else {
            error = what + "compression method " + std::to_string(method) + " is not supported";
            return false;
        }
        if (uint32_t(crc32(0, e.data.data(), uInt(e.data.size()))) != crc) {
            error = what + "CRC mismatch";
            return false;
        }
        out.push_back(std::move(e));
    }
    return true;
}

bool readFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = path + ": cannot open";
        return false;
    }
    out.clear();
    uint8_t buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) error = path + ": read error";
    return ok;
}

}  // namespace classconv
