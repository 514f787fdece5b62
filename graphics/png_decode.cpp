// PNG decoder. A chunk-by-chunk reader over a read callback: each chunk length is checked
// against the data left before anything is allocated or read for it, every chunk it uses
// is CRC-checked, and the image data goes through the inflate stream object a piece at a
// time. Rows are taken whenever the inflated output fills, unfiltered and converted
// straight into the decode buffer; rows the data never delivers are left zero.
#include "graphics/png_decode.h"

#include <stdio.h>
#include <string.h>

#include <zlib.h>

#include "graphics/gfx2d.h"
#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "graphics/png_inflate.h"
#include "storage/qmmm.h"

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

constexpr uint32_t chunkType(char a, char b, char c, char d) {
    return (uint32_t)(uint8_t)a << 24 | (uint32_t)(uint8_t)b << 16 | (uint32_t)(uint8_t)c << 8 | (uint8_t)d;
}
const uint32_t kIHDR = chunkType('I', 'H', 'D', 'R');
const uint32_t kIDAT = chunkType('I', 'D', 'A', 'T');
const uint32_t kIEND = chunkType('I', 'E', 'N', 'D');
const uint32_t kPLTE = chunkType('P', 'L', 'T', 'E');
const uint32_t kTRNS = chunkType('t', 'R', 'N', 'S');
const uint32_t kGAMA = chunkType('g', 'A', 'M', 'A');

const uint32_t kMaxChunkLength = 0x7FFFFFFF;
const int32_t kIdatPiece = 1024;

// Adam7: start x, step x, start y, step y of passes 1 to 7.
const uint8_t kAdam7[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

inline uint32_t be32(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
inline uint32_t be16(const uint8_t* p) { return (uint32_t)p[0] << 8 | p[1]; }

inline uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

// Read callback: copies up to size bytes and answers how many, or -1 once nothing is
// left. The left callback answers the bytes still to come, so that a chunk length can be
// checked before use.
typedef int32_t (*PngReadFn)(void* context, uint8_t* buffer, int32_t size);
typedef int64_t (*PngLeftFn)(void* context);

struct PngPixelSink {
    uint32_t* pixels;
    uint32_t stride;  // in pixels
};

struct PngPass {
    uint32_t rows;
    uint32_t columns;
    uint32_t lastRow;  // rows of this pass and those before it: one past its last row's index
};

struct PngDecoder;
typedef void (*PngConvertFn)(const PngDecoder* d, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step);

struct PngDecoder {
    uint8_t* chunk;
    uint32_t chunkSize;
    PngReadFn read;
    PngLeftFn left;
    void* readContext;
    PngAllocFn alloc;
    void* allocContext;
    PngReleaseFn release;
    void* releaseContext;
    PngInflateInterface inflate;
    PngPixelSink* sink;
    int32_t checkCrc;

    uint32_t width;
    uint32_t height;
    uint8_t depth;
    uint8_t colourType;
    uint8_t compression;
    uint8_t filterMethod;
    uint8_t interlace;
    uint32_t rowBytes;
    uint32_t totalRows;
    PngPass passes[7];

    uint8_t palette[256][3];
    uint32_t paletteCount;
    int32_t plteCount;
    int32_t idatCount;
    uint32_t gamma;
    int32_t gammaCount;
    uint32_t trnsGray;
    uint32_t trnsRed;
    uint32_t trnsGreen;
    uint32_t trnsBlue;
    uint8_t* trnsAlpha;  // palette alpha bytes (a copy, at most 256 are used)
    uint32_t trnsAlphaCount;
    int32_t trnsCount;

    uint8_t zlibHeader[2];
    int32_t zlibHeaderBytes;
    int32_t headerChecked;
    int32_t inflateStarted;
    uint8_t* previousRow;  // filter byte, then the row
    uint8_t* currentRow;
    uint32_t rowCounter;
    uint32_t filterBpp;
    uint32_t bitsPerPixel;
    PngConvertFn convert;
    int32_t pass;
    uint32_t lastChunk;
    PngError error;       // why decoding stopped; set only on the way out of a failure
    uint32_t table[256];  // ARGB of every packed sample or palette index
};

// Every failure inside the decoder goes through here, so the first cause is kept.
bool refuse(PngDecoder* d, PngError why) {
    d->error = why;
    return false;
}

// ---- Unfiltering --------------------------------------------------------------------

inline uint8_t paeth(int a, int b, int c) {
    int p = b - c;
    int q = a - c;
    int pa = p < 0 ? -p : p;
    int pb = q < 0 ? -q : q;
    int pc = p + q < 0 ? -(p + q) : p + q;
    if (pa <= pb && pa <= pc) {
        return (uint8_t)a;
    }
    return (uint8_t)(pb <= pc ? b : c);
}

template <int Bpp>
void unfilterRow(int type, uint8_t* row, const uint8_t* prior, uint32_t n) {
    switch (type) {
        case 1:
            for (uint32_t i = Bpp; i < n; i++) {
                row[i] = (uint8_t)(row[i] + row[i - Bpp]);
            }
            break;
        case 2:
            for (uint32_t i = 0; i < n; i++) {
                row[i] = (uint8_t)(row[i] + prior[i]);
            }
            break;
        case 3:
            for (uint32_t i = 0; i < (uint32_t)Bpp && i < n; i++) {
                row[i] = (uint8_t)(row[i] + (prior[i] >> 1));
            }
            for (uint32_t i = Bpp; i < n; i++) {
                row[i] = (uint8_t)(row[i] + ((row[i - Bpp] + prior[i]) >> 1));
            }
            break;
        case 4:
            for (uint32_t i = 0; i < (uint32_t)Bpp && i < n; i++) {
                row[i] = (uint8_t)(row[i] + prior[i]);
            }
            for (uint32_t i = Bpp; i < n; i++) {
                row[i] = (uint8_t)(row[i] + paeth(row[i - Bpp], prior[i], prior[i - Bpp]));
            }
            break;
    }
}

// 0, or -1 for an unknown filter type.
int unfilter(uint32_t bpp, int type, uint8_t* row, const uint8_t* prior, uint32_t n) {
    if (type == 0) {
        return 0;
    }
    if (type > 4) {
        return -1;
    }
    switch (bpp) {
        case 1:
            unfilterRow<1>(type, row, prior, n);
            break;
        case 2:
            unfilterRow<2>(type, row, prior, n);
            break;
        case 3:
            unfilterRow<3>(type, row, prior, n);
            break;
        case 4:
            unfilterRow<4>(type, row, prior, n);
            break;
        case 6:
            unfilterRow<6>(type, row, prior, n);
            break;
        default:
            unfilterRow<8>(type, row, prior, n);
            break;
    }
    return 0;
}

// ---- Pixel converters ---------------------------------------------------------------
// Each writes count pixels of one row, out[0], out[step], ...; Dense is the step-1 form
// of non-interlaced rows, which the compiler can keep tight.

template <bool Dense>
void convertPacked(const PngDecoder* d, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    const uint32_t depth = d->depth;
    if (depth == 8) {
        for (uint32_t i = 0; i < count; i++) {
            out[Dense ? i : i * step] = d->table[row[i]];
        }
        return;
    }
    const uint32_t perByte = 8 / depth;
    const uint32_t mask = (1u << depth) - 1;
    for (uint32_t i = 0; i < count; i++) {
        uint32_t shift = 8 - depth - (i % perByte) * depth;
        out[Dense ? i : i * step] = d->table[(row[i / perByte] >> shift) & mask];
    }
}

template <bool Dense>
void convertGray16(const PngDecoder* d, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    const bool trns = d->trnsCount != 0;
    for (uint32_t i = 0; i < count; i++, row += 2) {
        uint32_t g = row[0];
        uint32_t a = trns && be16(row) == d->trnsGray ? 0 : 255;
        out[Dense ? i : i * step] = argb(a, g, g, g);
    }
}

template <bool Dense>
void convertRgb8(const PngDecoder* d, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    if (d->trnsCount == 0) {
        for (uint32_t i = 0; i < count; i++, row += 3) {
            out[Dense ? i : i * step] = argb(255, row[0], row[1], row[2]);
        }
        return;
    }
    for (uint32_t i = 0; i < count; i++, row += 3) {
        bool clear = row[0] == d->trnsRed && row[1] == d->trnsGreen && row[2] == d->trnsBlue;
        out[Dense ? i : i * step] = argb(clear ? 0 : 255, row[0], row[1], row[2]);
    }
}

template <bool Dense>
void convertRgb16(const PngDecoder* d, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    const bool trns = d->trnsCount != 0;
    for (uint32_t i = 0; i < count; i++, row += 6) {
        bool clear = trns && be16(row) == d->trnsRed && be16(row + 2) == d->trnsGreen && be16(row + 4) == d->trnsBlue;
        out[Dense ? i : i * step] = argb(clear ? 0 : 255, row[0], row[2], row[4]);
    }
}

template <bool Dense, int Bytes>
void convertGrayAlpha(const PngDecoder*, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    for (uint32_t i = 0; i < count; i++, row += 2 * Bytes) {
        uint32_t g = row[0];
        out[Dense ? i : i * step] = argb(row[Bytes], g, g, g);
    }
}

template <bool Dense, int Bytes>
void convertRgba(const PngDecoder*, const uint8_t* row, uint32_t* out, uint32_t count, uint32_t step) {
    for (uint32_t i = 0; i < count; i++, row += 4 * Bytes) {
        out[Dense ? i : i * step] = argb(row[3 * Bytes], row[0], row[Bytes], row[2 * Bytes]);
    }
}

template <bool Dense>
PngConvertFn chooseConverter(uint32_t colourType, uint32_t depth) {
    switch (colourType) {
        case 0:
            return depth == 16 ? convertGray16<Dense> : convertPacked<Dense>;
        case 2:
            return depth == 16 ? convertRgb16<Dense> : convertRgb8<Dense>;
        case 3:
            return convertPacked<Dense>;
        case 4:
            return depth == 16 ? convertGrayAlpha<Dense, 2> : convertGrayAlpha<Dense, 1>;
        default:
            return depth == 16 ? convertRgba<Dense, 2> : convertRgba<Dense, 1>;
    }
}

// The ARGB word of every packed gray sample or palette index, tRNS applied.
void buildTable(PngDecoder* d) {
    if (d->colourType == 0 && d->depth <= 8) {
        const uint32_t levels = 1u << d->depth;
        const uint32_t scale = 255 / (levels - 1);
        const uint32_t clear = d->trnsGray & (levels - 1);
        for (uint32_t v = 0; v < levels; v++) {
            uint32_t g = v * scale;
            d->table[v] = argb(d->trnsCount != 0 && v == clear ? 0 : 255, g, g, g);
        }
    } else if (d->colourType == 3) {
        for (uint32_t i = 0; i < 256; i++) {
            const uint8_t* c = d->palette[i < d->paletteCount ? i : 0];
            uint32_t a = i < d->trnsAlphaCount ? d->trnsAlpha[i] : 255;
            d->table[i] = argb(a, c[0], c[1], c[2]);
        }
    }
}

// ---- Reading ------------------------------------------------------------------------

// Bytes read, short only at the end of the data.
int32_t readFully(PngDecoder* d, uint8_t* buffer, int32_t size) {
    int32_t done = 0;
    while (done < size) {
        int32_t n = d->read(d->readContext, buffer + done, size - done);
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

bool ensureChunkBuffer(PngDecoder* d, uint32_t size) {
    if (size <= d->chunkSize) {
        return true;
    }
    uint8_t* grown = static_cast<uint8_t*>(d->alloc(d->allocContext, size));
    if (!grown) {
        return refuse(d, PNG_ERR_NO_MEMORY);
    }
    d->release(d->releaseContext, d->chunk);
    d->chunk = grown;
    d->chunkSize = size;
    return true;
}

// Reads the chunk's data and CRC into the chunk buffer and checks the CRC.
bool readChunkData(PngDecoder* d, uint32_t type, uint32_t length) {
    if (!ensureChunkBuffer(d, length + 4)) {
        return false;
    }
    if (readFully(d, d->chunk, (int32_t)(length + 4)) != (int32_t)(length + 4)) {
        return refuse(d, PNG_ERR_TRUNCATED);
    }
    if (!d->checkCrc) {
        return true;
    }
    uint8_t typeBytes[4] = {(uint8_t)(type >> 24), (uint8_t)(type >> 16), (uint8_t)(type >> 8), (uint8_t)type};
    uLong crc = crc32(0, typeBytes, 4);
    crc = crc32(crc, d->chunk, length);
    return (uint32_t)crc == be32(d->chunk + length) || refuse(d, PNG_ERR_CRC);
}

bool skipChunk(PngDecoder* d, uint32_t length) {
    uint32_t rest = length + 4;
    while (rest > 0) {
        int32_t step = (int32_t)(rest < d->chunkSize ? rest : d->chunkSize);
        if (readFully(d, d->chunk, step) != step) {
            return refuse(d, PNG_ERR_TRUNCATED);
        }
        rest -= (uint32_t)step;
    }
    return true;
}

// ---- Header -------------------------------------------------------------------------

bool validDepth(uint32_t colourType, uint32_t depth) {
    switch (colourType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

uint32_t channels(uint32_t colourType) {
    static const uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    return kChannels[colourType];
}

bool PngReadHeader(PngDecoder* d) {
    uint8_t b[33];
    if (readFully(d, b, 8) != 8 || !PngCheckSignature(b, 8)) {
        return refuse(d, PNG_ERR_SIGNATURE);
    }
    if (readFully(d, b + 8, 25) != 25) {
        return refuse(d, PNG_ERR_TRUNCATED);
    }
    if (be32(b + 12) != kIHDR) {
        return refuse(d, PNG_ERR_IHDR_MISSING);
    }
    if (be32(b + 8) != 13) {
        return refuse(d, PNG_ERR_IHDR_LENGTH);
    }
    if ((uint32_t)crc32(0, b + 12, 17) != be32(b + 29)) {
        return refuse(d, PNG_ERR_CRC);
    }
    d->width = be32(b + 16);
    d->height = be32(b + 20);
    d->depth = b[24];
    d->colourType = b[25];
    d->compression = b[26];
    d->filterMethod = b[27];
    d->interlace = b[28];
    if (d->width == 0 || d->height == 0 || d->width > kMaxChunkLength || d->height > kMaxChunkLength) {
        return refuse(d, PNG_ERR_IMAGE_SIZE);
    }
    if (!validDepth(d->colourType, d->depth)) {
        return refuse(d, PNG_ERR_DEPTH);
    }
    if (d->compression != 0 || d->filterMethod != 0 || d->interlace > 1) {
        return refuse(d, PNG_ERR_METHOD);
    }
    d->bitsPerPixel = d->depth * channels(d->colourType);
    uint64_t rowBytes = ((uint64_t)d->width * d->bitsPerPixel + 7) / 8;
    if (rowBytes + 1 > kMaxChunkLength) {
        return refuse(d, PNG_ERR_TOO_LARGE);
    }
    d->rowBytes = (uint32_t)rowBytes;
    d->filterBpp = (d->bitsPerPixel + 7) / 8;
    if (d->interlace == 0) {
        d->totalRows = d->height;
        return true;
    }
    uint32_t counted = 0;
    for (int p = 0; p < 7; p++) {
        const uint8_t* a = kAdam7[p];
        PngPass& pass = d->passes[p];
        pass.columns = d->width > a[0] ? (d->width - a[0] + a[1] - 1) / a[1] : 0;
        pass.rows = d->height > a[2] ? (d->height - a[2] + a[3] - 1) / a[3] : 0;
        counted += pass.rows;
        pass.lastRow = counted;
    }
    d->totalRows = counted;
    return true;
}

// ---- Image data ---------------------------------------------------------------------

bool startImageData(PngDecoder* d) {
    const PngInflateInterface& z = d->inflate;
    if (!z.start || !z.end || !z.feed || !z.available || !z.read) {
        return refuse(d, PNG_ERR_ARGUMENT);
    }
    d->previousRow = static_cast<uint8_t*>(d->alloc(d->allocContext, d->rowBytes + 1));
    d->currentRow = static_cast<uint8_t*>(d->alloc(d->allocContext, d->rowBytes + 1));
    if (!d->previousRow || !d->currentRow) {
        return refuse(d, PNG_ERR_NO_MEMORY);
    }
    memset(d->previousRow, 0, d->rowBytes + 1);
    if (z.start(z.stream, 128, (int32_t)(d->rowBytes + 1)) != PNG_INFLATE_OK) {
        return refuse(d, z.stream->error);
    }
    d->inflateStarted = 1;
    d->convert =
        d->interlace ? chooseConverter<false>(d->colourType, d->depth) : chooseConverter<true>(d->colourType, d->depth);
    return true;
}

bool endImageData(PngDecoder* d) {
    if (d->previousRow) {
        d->release(d->releaseContext, d->previousRow);
    }
    if (d->currentRow) {
        d->release(d->releaseContext, d->currentRow);
    }
    d->previousRow = nullptr;
    d->currentRow = nullptr;
    if (!d->inflateStarted) {
        return true;
    }
    d->inflateStarted = 0;
    if (d->inflate.end(d->inflate.stream) != PNG_INFLATE_OK) {
        return d->error != PNG_ERR_NONE ? false : refuse(d, d->inflate.stream->error);
    }
    return true;
}

// Moves to the pass that holds the row counter and past rows of passes without columns.
// Returns the pass (0 for a non-interlaced image).
int currentPass(PngDecoder* d) {
    if (!d->interlace) {
        return 0;
    }
    for (;;) {
        int p = 0;
        while (p < 6 && d->passes[p].lastRow <= d->rowCounter) {
            p++;
        }
        if (p != d->pass) {
            d->pass = p;
            memset(d->previousRow, 0, d->rowBytes + 1);
        }
        if (d->passes[p].columns != 0 || d->rowCounter >= d->totalRows) {
            return p;
        }
        d->rowCounter++;  // a pass without columns takes no data for its rows
    }
}

// Takes every complete row that is ready. -1 bad filter or read failure (the reason
// set), else the number of rows taken.
int takeRows(PngDecoder* d) {
    const PngInflateInterface& z = d->inflate;
    int taken = 0;
    for (;;) {
        int p = currentPass(d);
        if (d->rowCounter >= d->totalRows) {
            return taken;
        }
        uint32_t columns = d->width;
        uint32_t x0 = 0;
        uint32_t xStep = 1;
        uint32_t y = d->rowCounter;
        uint32_t rowBytes = d->rowBytes;
        if (d->interlace) {
            const uint8_t* a = kAdam7[p];
            const PngPass& pass = d->passes[p];
            uint32_t firstRow = pass.lastRow - pass.rows;
            columns = pass.columns;
            x0 = a[0];
            xStep = a[1];
            y = a[2] + a[3] * (d->rowCounter - firstRow);
            rowBytes = (uint32_t)(((uint64_t)columns * d->bitsPerPixel + 7) / 8);
        }
        int32_t ready = 0;
        z.available(z.stream, &ready);
        if (ready < (int32_t)(rowBytes + 1)) {
            return taken;
        }
        if (z.read(z.stream, d->currentRow, (int32_t)(rowBytes + 1)) != PNG_INFLATE_OK) {
            refuse(d, z.stream->error);
            return -1;
        }
        if (unfilter(d->filterBpp, d->currentRow[0], d->currentRow + 1, d->previousRow + 1, rowBytes) != 0) {
            refuse(d, PNG_ERR_FILTER);
            return -1;
        }
        uint32_t* out = d->sink->pixels + (size_t)y * d->sink->stride + x0;
        d->convert(d, d->currentRow + 1, out, columns, xStep);
        uint8_t* swap = d->previousRow;
        d->previousRow = d->currentRow;
        d->currentRow = swap;
        d->rowCounter++;
        taken++;
    }
}

bool checkZlibHeader(PngDecoder* d, const uint8_t* data, uint32_t length) {
    for (uint32_t i = 0; i < length && d->zlibHeaderBytes < 2; i++) {
        d->zlibHeader[d->zlibHeaderBytes++] = data[i];
    }
    if (d->zlibHeaderBytes < 2 || d->headerChecked) {
        return true;
    }
    d->headerChecked = 1;
    uint32_t cmf = d->zlibHeader[0];
    uint32_t flg = d->zlibHeader[1];
    return ((cmf & 0x0F) == 8 && (flg & 0x20) == 0 && (cmf * 256 + flg) % 31 == 0) || refuse(d, PNG_ERR_ZLIB_HEADER);
}

bool decodeData(PngDecoder* d, const uint8_t* data, uint32_t length) {
    if (!checkZlibHeader(d, data, length)) {
        return false;
    }
    const PngInflateInterface& z = d->inflate;
    while (length > 0 && d->rowCounter < d->totalRows) {
        int32_t piece = length < (uint32_t)kIdatPiece ? (int32_t)length : kIdatPiece;
        int rc = z.feed(z.stream, data, piece);
        while (rc == PNG_INFLATE_FULL) {
            int taken = takeRows(d);
            if (taken < 0) {
                return false;
            }
            if (d->rowCounter >= d->totalRows) {
                return true;  // inflated data after the last row is ignored
            }
            if (taken == 0) {
                return refuse(d, PNG_ERR_INFLATE_LIMIT);  // a row larger than the output buffer can grow
            }
            rc = z.feed(z.stream, nullptr, 0);
        }
        if (rc != PNG_INFLATE_OK) {
            return refuse(d, z.stream->error);
        }
        if (takeRows(d) < 0) {
            return false;
        }
        data += piece;
        length -= (uint32_t)piece;
    }
    return true;
}

// ---- Chunks -------------------------------------------------------------------------

bool handleIdat(PngDecoder* d, uint32_t length) {
    if (d->idatCount == 0) {
        if (!d->sink) {
            return refuse(d, PNG_ERR_ARGUMENT);
        }
        if (d->colourType == 3 && d->plteCount == 0) {
            return refuse(d, PNG_ERR_NO_PLTE);
        }
        buildTable(d);
    } else if (d->lastChunk != kIDAT) {
        return refuse(d, PNG_ERR_CHUNK_ORDER);
    }
    d->idatCount++;
    return decodeData(d, d->chunk, length);
}

bool handlePlte(PngDecoder* d, uint32_t length) {
    if (d->plteCount != 0 || d->idatCount != 0) {
        return refuse(d, PNG_ERR_CHUNK_ORDER);
    }
    if (d->colourType == 0 || d->colourType == 4 || length % 3 != 0) {
        return refuse(d, PNG_ERR_PLTE);
    }
    uint32_t entries = length / 3;
    if (entries > 256 || (d->depth < 16 && entries > (1u << d->depth))) {
        return refuse(d, PNG_ERR_PLTE);
    }
    memcpy(d->palette, d->chunk, length);
    d->paletteCount = entries;
    d->plteCount++;
    return true;
}

bool handleTrns(PngDecoder* d, uint32_t length) {
    if (d->trnsCount != 0 || d->idatCount != 0 || (d->colourType == 3 && d->plteCount == 0)) {
        return refuse(d, PNG_ERR_CHUNK_ORDER);
    }
    if (d->colourType == 4 || d->colourType == 6) {
        return refuse(d, PNG_ERR_TRNS);
    }
    const uint8_t* c = d->chunk;
    if (d->colourType == 0) {
        if (length != 2) {
            return refuse(d, PNG_ERR_TRNS);
        }
        d->trnsGray = be16(c);
    } else if (d->colourType == 2) {
        if (length != 6) {
            return refuse(d, PNG_ERR_TRNS);
        }
        d->trnsRed = be16(c);
        d->trnsGreen = be16(c + 2);
        d->trnsBlue = be16(c + 4);
    } else {
        uint32_t kept = length < 256 ? length : 256;  // indexes never reach further
        d->trnsAlpha = static_cast<uint8_t*>(d->alloc(d->allocContext, kept + 1));
        if (!d->trnsAlpha) {
            return refuse(d, PNG_ERR_NO_MEMORY);
        }
        memcpy(d->trnsAlpha, c, kept);
        d->trnsAlphaCount = kept;
    }
    d->trnsCount++;
    return true;
}

bool PngReadChunks(PngDecoder* d) {
    uint8_t header[8];
    for (;;) {
        int32_t got = readFully(d, header, 8);
        if (got < 8) {
            // the data ends: fine right after IEND (its CRC is not needed), and only
            // when some image data came
            if (d->lastChunk == kIEND) {
                return d->idatCount != 0 || refuse(d, PNG_ERR_NO_IDAT);
            }
            return refuse(d, got == 0 ? PNG_ERR_NO_IEND : PNG_ERR_TRUNCATED);
        }
        uint32_t length = be32(header);
        uint32_t type = be32(header + 4);
        if (length > kMaxChunkLength || (int64_t)length + 4 > d->left(d->readContext)) {
            if (type != kIEND) {
                return refuse(d, length > kMaxChunkLength ? PNG_ERR_CHUNK_LENGTH : PNG_ERR_TRUNCATED);
            }
        }
        bool ok = true;
        if (type == kIEND) {
            // nothing more of it is read
        } else if (type == kIDAT || type == kPLTE || type == kTRNS || type == kGAMA) {
            if (!readChunkData(d, type, length)) {
                return false;
            }
            if (type == kIDAT) {
                ok = handleIdat(d, length);
            } else if (type == kPLTE) {
                ok = handlePlte(d, length);
            } else if (type == kTRNS) {
                ok = handleTrns(d, length);
            } else {
                ok = length == 4 || refuse(d, PNG_ERR_GAMA);
                d->gamma = ok ? be32(d->chunk) : 0;
                d->gammaCount++;
            }
        } else {
            ok = skipChunk(d, length);
        }
        if (!ok) {
            return false;
        }
        d->lastChunk = type;
    }
}

bool PngReadImage(PngDecoder* d) {
    bool ok = startImageData(d);
    if (ok) {
        d->chunk = static_cast<uint8_t*>(d->alloc(d->allocContext, 128));
        d->chunkSize = d->chunk ? 128 : 0;
        ok = d->chunk != nullptr ? PngReadChunks(d) : refuse(d, PNG_ERR_NO_MEMORY);
    }
    if (d->chunk) {
        d->release(d->releaseContext, d->chunk);
    }
    if (d->trnsAlpha) {
        d->release(d->releaseContext, d->trnsAlpha);
    }
    d->chunk = nullptr;
    d->trnsAlpha = nullptr;
    bool ended = endImageData(d);
    return ok && ended;
}

// ---- Memory source and arena callbacks -----------------------------------------------

struct MemorySource {
    const uint8_t* data;
    uint32_t length;
    uint32_t position;
};

int32_t memoryRead(void* context, uint8_t* buffer, int32_t size) {
    MemorySource* m = static_cast<MemorySource*>(context);
    if (m->position >= m->length) {
        return -1;
    }
    uint32_t n = m->length - m->position;
    if (n > (uint32_t)size) {
        n = (uint32_t)size;
    }
    memcpy(buffer, m->data + m->position, n);
    m->position += n;
    return (int32_t)n;
}

int64_t memoryLeft(void* context) {
    MemorySource* m = static_cast<MemorySource*>(context);
    return (int64_t)m->length - m->position;
}

void* arenaAlloc(void*, uint32_t size) { return qmmm_alloc(size); }
void arenaFree(void*, void* block) { qmmm_free(block); }

// The size from a first chunk that must be a whole, CRC-checked IHDR; the size is given
// even when it is out of range, as the size queries answer it.
PngError readSize(const uint8_t* data, uint32_t length, uint32_t* width, uint32_t* height) {
    *width = 0;
    *height = 0;
    if (!PngCheckSignature(data, length)) {
        return PNG_ERR_SIGNATURE;
    }
    if (length < 33) {
        return PNG_ERR_TRUNCATED;
    }
    if (be32(data + 12) != kIHDR) {
        return PNG_ERR_IHDR_MISSING;
    }
    if (be32(data + 8) != 13) {
        return PNG_ERR_IHDR_LENGTH;
    }
    if ((uint32_t)crc32(0, data + 12, 17) != be32(data + 29)) {
        return PNG_ERR_CRC;
    }
    *width = be32(data + 16);
    *height = be32(data + 20);
    if (*width == 0 || *height == 0 || *width > kMaxChunkLength || *height > kMaxChunkLength) {
        return PNG_ERR_IMAGE_SIZE;
    }
    return PNG_ERR_NONE;
}

const char* const kErrorNames[] = {
    "none",
    "bad argument",
    "bad signature",
    "truncated chunk",
    "chunk length over 2^31-1",
    "CRC mismatch",
    "first chunk not IHDR",
    "IHDR length not 13",
    "width or height 0 or over 2^31-1",
    "image too large",
    "bad colour type and bit depth",
    "unknown compression, filter or interlace method",
    "chunk out of order",
    "palette image without PLTE",
    "bad PLTE",
    "bad tRNS",
    "bad gAMA",
    "no IDAT",
    "data ends before IEND",
    "bad zlib header",
    "corrupt deflate data",
    "inflate buffer limit",
    "no free inflate stream",
    "bad filter type",
    "out of memory",
    "size differs from the surface",
};
static_assert(sizeof kErrorNames / sizeof kErrorNames[0] == PNG_ERR_COUNT, "a name for every reason");

}  // namespace

// Diagnostic only, so not per-run VM state; per thread so that two decodes at once each
// keep their own.
static thread_local PngError t_lastError;

PngError PngLastError(void) { return t_lastError; }

const char* PngErrorName(PngError error) { return (unsigned)error < PNG_ERR_COUNT ? kErrorNames[error] : "unknown"; }

// ---- Entry points -------------------------------------------------------------------

int PngCheckSignature(const uint8_t* data, uint32_t length) {
    return data && length >= 8 && memcmp(data, kSignature, 8) == 0 ? 1 : 0;
}

int PngIsPng(const uint8_t* data, uint32_t length) { return PngCheckSignature(data, length); }

void PngReadSize(const uint8_t* data, uint32_t length, uint32_t* width, uint32_t* height) {
    t_lastError = readSize(data, length, width, height);
}

int PngGetImageSize(const uint8_t* data, uint32_t length, uint32_t* width, uint32_t* height) {
    if (!PngIsPng(data, length)) {
        t_lastError = PNG_ERR_SIGNATURE;
        return 1;
    }
    PngReadSize(data, length, width, height);
    return 0;
}

uint32_t PngGetDecodeBufferSize(const uint8_t* data, uint32_t length) {
    uint32_t w, h;
    PngError why = readSize(data, length, &w, &h);
    if (why == PNG_ERR_NONE && (uint64_t)w * h > MK_SURFACE_MAX_PIXELS) {
        why = PNG_ERR_TOO_LARGE;
    }
    t_lastError = why;
    if (why != PNG_ERR_NONE) {
        return 0;
    }
    return (uint32_t)(((uint64_t)w + 7) / 8 * h * 32 + 16);
}

int32_t PngDecodeToARGB(const uint8_t* data, uint32_t length, uint8_t* buffer) {
    if (!buffer) {
        t_lastError = PNG_ERR_ARGUMENT;
        return 0;
    }
    if (PngGetDecodeBufferSize(data, length) == 0) {
        return 0;  // the reason is set
    }
    MemorySource source = {data, length, 0};
    const int32_t limits[4] = {256, 10240, 256, 286720};
    PngInflateStream* stream = PngInflateStreamCreate(limits, arenaAlloc, nullptr, arenaFree, nullptr);
    if (!stream) {
        t_lastError = PNG_ERR_NO_MEMORY;
        return 0;
    }
    PngDecoder* d = static_cast<PngDecoder*>(PngAllocAligned(arenaAlloc, nullptr, sizeof(PngDecoder)));
    if (!d) {
        PngInflateStreamDestroy(stream);
        t_lastError = PNG_ERR_NO_MEMORY;
        return 0;
    }
    memset(d, 0, sizeof *d);
    d->read = memoryRead;
    d->left = memoryLeft;
    d->readContext = &source;
    d->alloc = arenaAlloc;
    d->release = arenaFree;
    d->checkCrc = 1;
    d->lastChunk = kIHDR;
    PngInflateStreamGetInterface(stream, &d->inflate);

    int32_t result = 0;
    if (PngReadHeader(d)) {
        uint32_t* words = reinterpret_cast<uint32_t*>(buffer);
        words[0] = d->width;
        words[1] = d->height;
        words[2] = d->width * 4;
        PngPixelSink sink = {words + PNG_DECODE_HEADER_WORDS, d->width};
        memset(sink.pixels, 0, (size_t)d->width * d->height * 4);
        d->sink = &sink;
        if (PngReadImage(d)) {
            result = (int32_t)(d->width * 4 * d->height);
        }
    }
    t_lastError = result != 0 ? PNG_ERR_NONE : d->error;
    PngReleaseAligned(arenaFree, nullptr, d);
    PngInflateStreamDestroy(stream);
    return result;
}

int PngDecodeImage(const uint8_t* data, uint32_t length, MkSurface* surface) {
    uint32_t size = PngGetDecodeBufferSize(data, length);
    uint8_t* buffer = size != 0 ? static_cast<uint8_t*>(qmmm_alloc(size)) : nullptr;
    if (buffer == nullptr) {
        if (size != 0) {
            t_lastError = PNG_ERR_NO_MEMORY;  // else the size query's reason stands
        }
        char message[64];
        snprintf(message, sizeof message, "create decode buffer (OutOfMemory) size %d", (int)size);
        mk_traceOutOfMemory("dev_codec", message);
        return 3;
    }
    int rc = 2;
    const uint32_t* words = reinterpret_cast<const uint32_t*>(buffer);
    if (PngDecodeToARGB(data, length, buffer) == 0) {
        // the decoder's reason stands
    } else if (words[0] != (uint32_t)surface->width || words[1] != (uint32_t)surface->height) {
        t_lastError = PNG_ERR_SURFACE_SIZE;
    } else {
        surface->writable = 1;
        gfx2d_argbToSurface(surface, nullptr, 0, 0, words + PNG_DECODE_HEADER_WORDS, surface->width, surface->height,
                            1);
        surface->writable = 0;
        rc = 0;
    }
    qmmm_free(buffer);
    return rc;
}
