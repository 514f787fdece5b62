// Test support: the bytecode of a method as it stands, to see what the interpreter
// rewrote it into.
#pragma once

#include <string.h>

#include <vector>

#include "vm/core/records.h"
#include "vm/core/tables.h"

namespace coretest {

// The code of the method of class c named name; empty when there is none.
inline std::vector<uint8_t> codeOf(ClassRecord* c, const char* name) {
    for (uint32_t i = 0; i < c->methodTable->length; i++) {
        MethodRecord* m = &c->methodTable->methods[i];
        if (strcmp(changeKeyToName(m->nt.k.nameKey, nullptr), name) == 0)
            return std::vector<uint8_t>(m->u.code.get(), m->u.code + m->codeLength);
    }
    return {};
}

}  // namespace coretest
