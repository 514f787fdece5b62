// JAR reader: the shared directory walker, with zlib's raw inflate for the data.
#include "tools/classconv/archive.h"

#include <zlib.h>

#include <cstdio>

#include "vm/zip/zipdir.h"

namespace classconv {

namespace {

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
    out.clear();
    ZipArchive archive;
    zipInitMemory(&archive, z, int64_t(zip.size()));
    // each entry's own local header is checked below, naming the entry
    ZipStatus status = zipOpen(&archive);
    if (status == ZIP_DIRECTORY_MISPLACED) {
        error = "central directory out of range";
        return false;
    }
    if (status != ZIP_OK && status != ZIP_NO_START) {
        error = "not a JAR (no end of central directory)";
        return false;
    }
    int64_t at = archive.directoryStart;
    for (uint32_t i = 0; i < archive.total; i++) {
        ZipEntry entry;
        if (zipEntryAt(&archive, at, archive.endRecord, &entry) != ZIP_OK) {
            error = "bad central directory record";
            return false;
        }
        at = entry.next;
        ArchiveEntry e;
        e.name.assign(reinterpret_cast<const char*>(z + entry.name), entry.nameLength);
        if (!e.name.empty() && e.name.back() == '/') continue;
        const std::string what = "entry " + e.name + ": ";
        if (entry.flags & ZIP_FLAG_ENCRYPTED) {
            error = what + "encrypted entries are not supported";
            return false;
        }
        if (entry.size > kMaxEntrySize || entry.compressedSize > kMaxEntrySize) {
            error = what + "too large";
            return false;
        }
        int64_t dataAt = 0;
        ZipStatus placed = zipEntryData(&archive, &entry, &dataAt);
        if (placed != ZIP_OK) {
            error = what + (placed == ZIP_DATA_OUT_OF_PLACE ? "data out of range" : "bad local header");
            return false;
        }
        const uint8_t* data = z + dataAt;
        if (entry.method == ZIP_METHOD_STORED) {
            if (entry.compressedSize != entry.size) {
                error = what + "stored entry with two sizes";
                return false;
            }
            e.data.assign(data, data + entry.size);
        } else if (entry.method == ZIP_METHOD_DEFLATED) {
            if (!inflateRaw(data, entry.compressedSize, e.data, entry.size)) {
                error = what + "corrupt deflate data";
                return false;
            }
        } else {
            error = what + "compression method " + std::to_string(entry.method) + " is not supported";
            return false;
        }
        if (uint32_t(crc32(0, e.data.data(), uInt(e.data.size()))) != entry.crc) {
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
