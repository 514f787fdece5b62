// Decoding speed of the converters, in bytes of input a second: Shift_JIS and UTF-8 over
// Japanese text (kana and kanji with some ASCII), UTF-8 over ASCII text.
#include <benchmark/benchmark.h>

#include <vector>

#include "natives/lib/charcodes.h"
#include "natives/lib/charsets.h"
#include "natives/lib/sjis.h"

namespace {

// A 64 KB text: every mapped two-byte code in turn, with an ASCII word after each eight.
std::vector<uint16_t> japaneseText() {
    std::vector<uint16_t> chars;
    const char* word = " word";
    int n = 0;
    while (chars.size() < 32 * 1024) {
        for (uint32_t lead = 0x88; lead <= 0x9F && chars.size() < 32 * 1024; lead++) {
            for (uint32_t trail = 0x40; trail <= 0xFC; trail++) {
                uint16_t ch;
                if (!sjisToUnicode((uint16_t)(lead << 8 | trail), &ch)) continue;
                chars.push_back(ch);
                if (++n % 8 == 0)
                    for (const char* w = word; *w; w++) chars.push_back((uint16_t)*w);
            }
        }
    }
    return chars;
}

std::vector<uint8_t> encode(const std::vector<uint16_t>& chars, CharConverter encoder) {
    uint32_t count = 0;
    encoder(chars.data(), 0, (int32_t)chars.size(), nullptr, 0, 0, &count, nullptr, CHARCONV_COUNT | CHARCONV_EXACT);
    std::vector<uint8_t> bytes(count);
    uint32_t pos = 0;
    encoder(chars.data(), 0, (int32_t)chars.size(), bytes.data(), 0, (int32_t)count, &pos, nullptr,
            CHARCONV_SUBSTITUTE);
    return bytes;
}

void decode(benchmark::State& state, const std::vector<uint8_t>& bytes, ByteConverter decoder) {
    std::vector<uint16_t> out(bytes.size() + 1);
    uint8_t carry[UTF8_CARRY_SIZE] = {};
    for (auto _ : state) {
        uint32_t pos = 0;
        int32_t r = decoder(bytes.data(), 0, (int32_t)bytes.size(), out.data(), 0, (int32_t)out.size(), &pos, carry,
                            nullptr, CHARCONV_SUBSTITUTE);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)bytes.size());
}

void BM_DecodeShiftJisJapanese(benchmark::State& state) {
    decode(state, encode(japaneseText(), convertUnicodeToSjis), convertSjisToUnicode);
}
BENCHMARK(BM_DecodeShiftJisJapanese);

void BM_DecodeUtf8Japanese(benchmark::State& state) {
    decode(state, encode(japaneseText(), convertUnicodeToUtf8Java), convertUtf8ToUnicodeJava);
}
BENCHMARK(BM_DecodeUtf8Japanese);

void BM_DecodeUtf8Ascii(benchmark::State& state) {
    std::vector<uint8_t> bytes(64 * 1024);
    for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (uint8_t)(" etaoinshrdlu\n"[i % 14]);
    decode(state, bytes, convertUtf8ToUnicodeJava);
}
BENCHMARK(BM_DecodeUtf8Ascii);

}  // namespace

BENCHMARK_MAIN();
