// A source that says it holds more than it does: the instrumented inflater must be caught
// reading past its one real byte. Shows that the sanitizer build instruments the libraries,
// not only the tests themselves.
#include <stdio.h>
#include <stdlib.h>

#include "vm/zip/inflate.h"

static void* allocTable(void*, int32_t size) { return malloc((size_t)size); }
static void freeTable(void*, void* block) { free(block); }

int main() {
    // final block of fixed Huffman codes; its first symbol lies in the bytes that are not there
    uint8_t* input = (uint8_t*)malloc(1);
    input[0] = 0x03;
    uint8_t* output = (uint8_t*)malloc(64);
    InflateSource source;
    inflateMemorySource(&source, input, 64);
    InflateAllocator allocator = {allocTable, freeTable, nullptr};
    int32_t result = inflateData(&source, 64, &output, 64, &allocator);
    printf("inflateData answered %d without a report\n", (int)result);
    free(input);
    free(output);
    return 0;
}
