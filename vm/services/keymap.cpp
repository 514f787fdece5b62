// The key code map. The table is per-run data: the run reset restores it from the copy
// taken at the first reset.
#include "vm/services/keymap.h"

#include "platform/vmsections.h"

// The VM's own copy holds native pointers, so that its initial values need no
// constructor (a word holding an address cannot be a constant); the host's records are
// converted at the interface.
namespace {
struct KeyName {
    int32_t code;
    const char* name;
    int32_t nameLength;
};
}  // namespace

#define KEY(code, name) \
    { code, name, (int32_t)sizeof(name) - 1 }
static VMDATA KeyName StandardKeys[KEY_STANDARD_ENTRIES] = {
    KEY(48, "NUM0"),  KEY(49, "NUM1"),  KEY(50, "NUM2"),    KEY(51, "NUM3"),   KEY(52, "NUM4"),   KEY(53, "NUM5"),
    KEY(54, "NUM6"),  KEY(55, "NUM7"),  KEY(56, "NUM8"),    KEY(57, "NUM9"),   KEY(42, "STAR"),   KEY(35, "POUND"),
    {0, nullptr, 0},  {0, nullptr, 0},  {0, nullptr, 0},    {0, nullptr, 0},   KEY(-2, "LEFT"),   KEY(-1, "UP"),
    KEY(-5, "RIGHT"), KEY(-6, "DOWN"),  KEY(-20, "SELECT"), KEY(-21, "SOFT1"), KEY(-22, "SOFT2"), KEY(-23, "SOFT3"),
    {0, nullptr, 0},  KEY(-10, "SEND"), KEY(-8, "CLEAR"),
};
#undef KEY
static VMBSS const KeyExtendedList* ExtendedKeys;

int32_t mvKey_setKeyMap(const KeyEntry* table, const KeyExtendedList* extended) {
    for (int32_t i = 0; table != nullptr && i < KEY_STANDARD_ENTRIES; i++)
        StandardKeys[i] = {table[i].code, table[i].name.get(), table[i].nameLength};
    if (extended != nullptr) ExtendedKeys = extended;
    return 1;
}

void mvKey_getKeyMap(KeyEntry* table, const KeyExtendedList** extended) {
    for (int32_t i = 0; table != nullptr && i < KEY_STANDARD_ENTRIES; i++) {
        table[i].code = StandardKeys[i].code;
        table[i].name = StandardKeys[i].name;
        table[i].nameLength = StandardKeys[i].nameLength;
    }
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

int32_t mvKey_getKeyName(int32_t code, const char** name, int32_t* length) {
    if (name == nullptr || length == nullptr) return 0;
    for (const KeyName& k : StandardKeys) {
        if (k.code != code || k.name == nullptr) continue;
        *name = k.name;
        *length = k.nameLength;
        return 1;
    }
    for (int32_t i = 0; ExtendedKeys != nullptr && i < ExtendedKeys->count; i++) {
        const KeyEntry& k = ExtendedKeys->entries[i];
        if (k.code != code || k.name == nullptr) continue;
        *name = k.name;
        *length = k.nameLength;
        return 1;
    }
    return 0;
}
