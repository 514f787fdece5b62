// Why a PNG read failed. The decoder's entry points keep their own results; next to them
// each one leaves one of these reasons for the calling thread, and the inflate stream
// object keeps the reason of its last refused step.
#pragma once

enum PngError {
    PNG_ERR_NONE = 0,
    PNG_ERR_ARGUMENT,       // null buffer, stream not started, incomplete interface
    PNG_ERR_SIGNATURE,      // fewer than 8 bytes or not the PNG signature
    PNG_ERR_TRUNCATED,      // the data ends inside the header or a chunk
    PNG_ERR_CHUNK_LENGTH,   // a chunk length above 2^31-1
    PNG_ERR_CRC,            // a chunk's CRC does not match
    PNG_ERR_IHDR_MISSING,   // the first chunk is not IHDR
    PNG_ERR_IHDR_LENGTH,    // IHDR data not 13 bytes
    PNG_ERR_IMAGE_SIZE,     // width or height 0 or above 2^31-1
    PNG_ERR_TOO_LARGE,      // more pixels than a surface may hold, or a row too long
    PNG_ERR_DEPTH,          // colour type and bit depth do not go together
    PNG_ERR_METHOD,         // unknown compression, filter or interlace method
    PNG_ERR_CHUNK_ORDER,    // PLTE, tRNS or IDAT where it may not be
    PNG_ERR_NO_PLTE,        // palette image data before any PLTE
    PNG_ERR_PLTE,           // PLTE in a gray image, of a bad length or too many entries
    PNG_ERR_TRNS,           // tRNS in an image with alpha, or of a bad length
    PNG_ERR_GAMA,           // gAMA not 4 bytes
    PNG_ERR_NO_IDAT,        // IEND before any image data
    PNG_ERR_NO_IEND,        // the data ends between chunks without an IEND
    PNG_ERR_ZLIB_HEADER,    // zlib method, preset dictionary or header check
    PNG_ERR_INFLATE,        // the deflate data is corrupt
    PNG_ERR_INFLATE_LIMIT,  // a row or pending input beyond the inflate buffer maximum
    PNG_ERR_NO_STREAM,      // all inflate stream slots are in use
    PNG_ERR_FILTER,         // a row filter type above 4
    PNG_ERR_NO_MEMORY,      // an allocation failed
    PNG_ERR_SURFACE_SIZE,   // the image's size is not the surface's
    PNG_ERR_COUNT
};

// The reason the calling thread's last PNG call gave (PNG_ERR_NONE after a success).
// Per thread, so that decodes on two threads do not overwrite each other's reason.
PngError PngLastError(void);
// A short text for the trace and test messages; "unknown" outside the enum.
const char* PngErrorName(PngError error);
