// The key code map. The table is per-run data: the run reset restores it from the copy
// taken at the first reset.
#include "vm/services/keymap.h"

#include <string.h>

#include "vm/core/vmsections.h"

#define KEY(code, name) \
    { code, name, (int32_t)sizeof(name) - 1 }
static VMDATA KeyEntry StandardKeys[KEY_STANDARD_ENTRIES] = {
    KEY(48, "NUM0"),  KEY(49, "NUM1"),  KEY(50, "NUM2"),    KEY(51, "NUM3"),   KEY(52, "NUM4"),   KEY(53, "NUM5"),
    KEY(54, "NUM6"),  KEY(55, "NUM7"),  KEY(56, "NUM8"),    KEY(57, "NUM9"),   KEY(42, "STAR"),   KEY(35, "POUND"),
    {0, nullptr, 0},  {0, nullptr, 0},  {0, nullptr, 0},    {0, nullptr, 0},   KEY(-2, "LEFT"),   KEY(-1, "UP"),
    KEY(-5, "RIGHT"), KEY(-6, "DOWN"),  KEY(-20, "SELECT"), KEY(-21, "SOFT1"), KEY(-22, "SOFT2"), KEY(-23, "SOFT3"),
    {0, nullptr, 0},  KEY(-10, "SEND"), KEY(-8, "CLEAR"),
};
#undef KEY
static VMBSS const KeyExtendedList* ExtendedKeys;

int32_t mvKey_setKeyMap(const KeyEntry* table, const KeyExtendedList* extended) {
    if (table != nullptr) memcpy(StandardKeys, table, sizeof StandardKeys);
    if (extended != nullptr) ExtendedKeys = extended;
    return 1;
}

void mvKey_getKeyMap(KeyEntry* table, const KeyExtendedList** extended) {
    if (table != nullptr) memcpy(table, StandardKeys, sizeof StandardKeys);
    if (extended != nullptr) *extended = ExtendedKeys;
}

int32_t mvKey_getKeyCode(int32_t index) {
    return index >= 0 && index < KEY_STANDARD_ENTRIES ? StandardKeys[index].code : 0;
}

int32_t mvKey_translateKeyCode(int32_t index) {
    if (index >= 0 && index < KEY_STANDARD_ENTRIES) return StandardKeys[index].code;
    int32_t i = index - KEY_EXTENDED_BASE;
    if (ExtendedKeys != nullptr && i >= 0 && i < ExtendedKeys->count) return ExtendedKeys->entries[i].code;
    return index;
}

int32_t mvKey_getStandardKeyIndex(int32_t code) {
    for (int32_t i = 0; i < KEY_STANDARD_ENTRIES; i++) {
        if (StandardKeys[i].code == code) return i;
    }
    return -1;
}

int32_t mvKey_getKeyIndex(int32_t code) {
    int32_t index = mvKey_getStandardKeyIndex(code);
    if (index >= 0) return index;
    for (int32_t i = 0; ExtendedKeys != nullptr && i < ExtendedKeys->count; i++) {
        if (ExtendedKeys->entries[i].code == code) return KEY_EXTENDED_BASE + i;
    }
    return -1;
}

static const KeyEntry* namedEntry(const KeyEntry* entries, int32_t count, int32_t code) {
    for (int32_t i = 0; i < count; i++) {
        if (entries[i].code == code && entries[i].name != nullptr) return &entries[i];
    }
    return nullptr;
}

int32_t mvKey_getKeyName(int32_t code, const char** name, int32_t* length) {
    if (name == nullptr || length == nullptr) return 0;
    const KeyEntry* entry = namedEntry(StandardKeys, KEY_STANDARD_ENTRIES, code);
    if (entry == nullptr && ExtendedKeys != nullptr)
        entry = namedEntry(ExtendedKeys->entries, ExtendedKeys->count, code);
    if (entry == nullptr) return 0;
    *name = entry->name;
    *length = entry->nameLength;
    return 1;
}
