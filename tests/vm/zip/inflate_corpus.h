// Sample data for the inflater's tests and benchmark, and raw DEFLATE by zlib to pack it.
#pragma once

#include <stdint.h>
#include <string.h>
#include <zlib.h>

#include <random>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Raw DEFLATE (no zlib header) at the given level and strategy; empty when zlib fails.
inline Bytes zlibDeflate(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY) {
    z_stream z;
    memset(&z, 0, sizeof z);
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK) return Bytes();
    Bytes out(deflateBound(&z, uLong(data.size())) + 16);
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int r = deflate(&z, Z_FINISH);
    out.resize(r == Z_STREAM_END ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

// Text made of class-file-like words, so that it packs as class files do.
inline Bytes textData(size_t size, unsigned basis) {
    static const char* const words[] = {"class ", "java/lang/Object ", "<init> ",          "()V ", "MIDlet ",
                                        "Code ",  "StackMap ",         "LineNumberTable ", "\n",   "this "};
    std::mt19937 rng(basis);
    Bytes out;
    while (out.size() < size) {
        const char* w = words[rng() % 10];
        out.insert(out.end(), w, w + strlen(w));
    }
    out.resize(size);
    return out;
}

// Incompressible bytes.
inline Bytes noiseData(size_t size, unsigned basis) {
    std::mt19937 rng(basis);
    Bytes out(size);
    for (auto& b : out) b = uint8_t(rng());
    return out;
}

// Long runs of a few byte values.
inline Bytes runData(size_t size, unsigned basis) {
    std::mt19937 rng(basis);
    Bytes out;
    while (out.size() < size) out.insert(out.end(), 1 + rng() % 600, uint8_t(rng() % 4));
    out.resize(size);
    return out;
}

// Text, noise and runs in turn.
inline Bytes mixedData(size_t size, unsigned basis) {
    Bytes out;
    for (unsigned part = 0; out.size() < size; part++) {
        Bytes p = part % 3 == 0   ? textData(5000, basis + part)
                  : part % 3 == 1 ? noiseData(3000, basis + part)
                                  : runData(4000, basis + part);
        out.insert(out.end(), p.begin(), p.end());
    }
    out.resize(size);
    return out;
}
