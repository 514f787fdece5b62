// Test support: a small ZIP writer for JAR fixtures. Entries are stored or deflated
// (zlib, raw DEFLATE); any header field can be overridden to build malformed archives,
// and the layout of the written archive is reported so that tests can aim mutations.
//
//   zipw::Archive a;
//   a.add("A.class", bytes, zipw::DEFLATED);
//   a.comment = std::string(65535, 'c');
//   zipw::Layout layout;
//   std::vector<uint8_t> jar = a.write(&layout);
#pragma once

#include <stdint.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace zipw {

enum : uint16_t { STORED = 0, DEFLATED = 8 };

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back((uint8_t)v);
    out.push_back((uint8_t)(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
inline void patch16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = (uint8_t)v;
    out[at + 1] = (uint8_t)(v >> 8);
}
inline void patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    patch16(out, at, v & 0xFFFF);
    patch16(out, at + 2, v >> 16);
}

inline uint32_t crcOf(const std::vector<uint8_t>& data) {
    return (uint32_t)crc32(0, data.empty() ? nullptr : data.data(), (uInt)data.size());
}

// Raw DEFLATE of data at the given level (0..9).
inline std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data, int level = 9) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&z, (uLong)data.size()) + 16);
    z.next_in = (Bytef*)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

struct Entry {
    std::string name;
    std::vector<uint8_t> data;
    uint16_t method = STORED;  // 8 deflates; any other number stores the bytes under it
    uint16_t flags = 0;
    int level = 9;
    // Overrides of the central (and local) header fields; -1 keeps the true value.
    int64_t crc = -1;
    int64_t compressedSize = -1;
    int64_t size = -1;
    int64_t localOffset = -1;  // central directory only
};

struct Layout {
    size_t archiveStart = 0;             // the prefix's length
    std::vector<size_t> localHeaders;    // file offsets of the local headers
    std::vector<size_t> dataStarts;      // file offsets of the entry data
    std::vector<size_t> centralHeaders;  // file offsets of the central headers
    size_t directoryStart = 0;
    size_t endRecord = 0;
};

struct Archive {
    std::vector<Entry> entries;
    std::vector<uint8_t> prefix;    // bytes in front of the archive (offsets stay relative to it)
    std::string comment;            // archive comment
    std::vector<uint8_t> trailing;  // bytes after the end record
    int64_t totalEntries = -1;      // override of the end record's entry count

    Entry& add(const std::string& name, const std::vector<uint8_t>& data, uint16_t method = STORED) {
        Entry e;
        e.name = name;
        e.data = data;
        e.method = method;
        entries.push_back(e);
        return entries.back();
    }
    Entry& add(const std::string& name, const std::string& text, uint16_t method = STORED) {
        return add(name, bytesOf(text), method);
    }

    std::vector<uint8_t> write(Layout* layout = nullptr) const {
        Layout l;
        std::vector<uint8_t> out(prefix);
        l.archiveStart = out.size();
        std::vector<std::vector<uint8_t>> bodies;
        for (const Entry& e : entries) {
            std::vector<uint8_t> body = e.method == DEFLATED ? deflateRaw(e.data, e.level) : e.data;
            size_t local = out.size();
            l.localHeaders.push_back(local);
            put32(out, 0x04034b50);
            put16(out, 20);
            put16(out, e.flags);
            put16(out, e.method);
            put32(out, 0);  // time and date
            put32(out, fieldCrc(e));
            put32(out, e.compressedSize >= 0 ? (uint32_t)e.compressedSize : (uint32_t)body.size());
            put32(out, e.size >= 0 ? (uint32_t)e.size : (uint32_t)e.data.size());
            put16(out, (uint32_t)e.name.size());
            put16(out, 0);
            out.insert(out.end(), e.name.begin(), e.name.end());
            l.dataStarts.push_back(out.size());
            out.insert(out.end(), body.begin(), body.end());
            bodies.push_back(std::move(body));
        }
        l.directoryStart = out.size();
        for (size_t i = 0; i < entries.size(); i++) {
            const Entry& e = entries[i];
            l.centralHeaders.push_back(out.size());
            put32(out, 0x02014b50);
            put16(out, 20);
            put16(out, 20);
            put16(out, e.flags);
            put16(out, e.method);
            put32(out, 0);
            put32(out, fieldCrc(e));
            put32(out, e.compressedSize >= 0 ? (uint32_t)e.compressedSize : (uint32_t)bodies[i].size());
            put32(out, e.size >= 0 ? (uint32_t)e.size : (uint32_t)e.data.size());
            put16(out, (uint32_t)e.name.size());
            put16(out, 0);  // extra
            put16(out, 0);  // comment
            put16(out, 0);  // disk
            put16(out, 0);  // internal attributes
            put32(out, 0);  // external attributes
            put32(out, e.localOffset >= 0 ? (uint32_t)e.localOffset : (uint32_t)(l.localHeaders[i] - l.archiveStart));
            out.insert(out.end(), e.name.begin(), e.name.end());
        }
        l.endRecord = out.size();
        uint32_t count = totalEntries >= 0 ? (uint32_t)totalEntries : (uint32_t)entries.size();
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, count);
        put16(out, count);
        put32(out, (uint32_t)(l.endRecord - l.directoryStart));
        put32(out, (uint32_t)(l.directoryStart - l.archiveStart));
        put16(out, (uint32_t)comment.size());
        out.insert(out.end(), comment.begin(), comment.end());
        out.insert(out.end(), trailing.begin(), trailing.end());
        if (layout) *layout = l;
        return out;
    }

private:
    static uint32_t fieldCrc(const Entry& e) { return e.crc >= 0 ? (uint32_t)e.crc : crcOf(e.data); }
};

}  // namespace zipw
