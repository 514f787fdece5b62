// Test support: hand-made verifier stack maps for methods built with the assembler,
// laid out as the loader lays out a StackMapTable and optionally turned into the
// collector's compact maps as the verifier will do.
//
//   gcmaps::attach(vm, "Churn", build, {{"loop", "IAI", ""}, {"done", "IAI", ""}});
//
// Types are one letter a word: 'A' a reference, 'U' an uninitialised this, 'I' an int,
// 'J' a long (written once, takes two words), '-' unused.
#pragma once

#include <string>
#include <vector>

#include "support/vmasm.h"
#include "vm/core/gc.h"
#include "vm/core/stackmap.h"

namespace gcmaps {

struct MapPoint {
    std::string label;  // where the point stands; empty: use offset
    std::string locals, stack;
    int offset = -1;
};

inline void appendTypes(std::vector<uint16_t>& out, const std::string& types) {
    size_t countAt = out.size();
    out.push_back(0);
    for (char c : types) {
        switch (c) {
            case 'A':
                out.push_back(JavaLangObject->key);
                break;
            case 'U':
                out.push_back(6);
                break;
            case 'I':
                out.push_back(1);
                break;
            case 'J':
                out.push_back(4);
                out.push_back(9);
                break;
            default:
                out.push_back(0);
                break;
        }
    }
    out[countAt] = (uint16_t)(out.size() - countAt - 1);
}

inline MethodRecord* findMethod(ClassRecord* c, const std::string& name, const std::string& signature) {
    uint32_t key = getNameAndTypeKey(name.c_str(), signature.c_str());
    for (uint32_t i = 0; c->methodTable && i < c->methodTable->length; i++) {
        if (c->methodTable->methods[i].nt.nameTypeKey == key) return &c->methodTable->methods[i];
    }
    return nullptr;
}

// The loader's form: a pointer list {k, frames..., offsets...} with frames in byte blocks.
inline void* verifierTable(const std::vector<uint32_t>& offsets, const std::vector<std::vector<uint16_t>>& frames) {
    int32_t saved = TemporaryRootsLength;
    cell* table = nullptr;
    makeTemporaryRoot(&table);
    int k = (int)frames.size();
    table = callocObject(2 * k + 1, GCT_POINTERLIST);
    table[0] = k;
    for (int i = 0; i < k; i++) {
        char* frame = mallocBytes((int32_t)frames[i].size() * 2);
        memcpy(frame, frames[i].data(), frames[i].size() * 2);
        table[1 + i] = p32Cell(frame);
        table[1 + k + i] = (cell)offsets[i];
    }
    TemporaryRootsLength = saved;
    return table;
}

// Gives the method its maps; with compact set they become the collector's compact map.
inline MethodRecord* attach(vmasm::Vm& vm, const std::string& className, vmasm::MethodSpec& spec,
                            const std::vector<MapPoint>& points, bool compact = true) {
    MethodRecord* m = findMethod(vm.classRecord(className), spec.name, spec.signature);
    std::vector<uint32_t> offsets;
    std::vector<std::vector<uint16_t>> frames;
    for (const MapPoint& p : points) {
        offsets.push_back((uint32_t)(p.label.empty() ? p.offset : spec.code.labelAt(p.label)));
        std::vector<uint16_t> frame;
        appendTypes(frame, p.locals);
        appendTypes(frame, p.stack);
        frames.push_back(frame);
    }
    m->stackMaps = verifierTable(offsets, frames);
    if (compact) m->stackMaps = rewriteStackMapsAsPointerMaps(m);
    return m;
}

}  // namespace gcmaps
