// Typed access to tagged records and the growable handle array.
#include "toolkit/guitk_handle.h"

#include <string.h>

namespace {

inline uint32_t wordAt(const void* p, int32_t position) {
    uint32_t v;
    memcpy(&v, (const uint8_t*)p + position, sizeof v);
    return v;
}
inline void putWord(void* p, int32_t position, uint32_t v) { memcpy((uint8_t*)p + position, &v, sizeof v); }

}  // namespace

void* GuiTkLockTyped(int32_t handle, int32_t place, uint32_t tag) {
    void* p = GuiTkLockHandle(handle);
    if (p == nullptr) return nullptr;
    if (wordAt(p, place) != tag) {
        GuiTkUnlockHandle(handle);
        GuiTkFatalError(GUITK_ERROR_HANDLE);
        return nullptr;
    }
    return p;
}

int32_t GuiTkGetTypedInt(int32_t handle, int32_t place, uint32_t tag, int32_t position) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return 0;
    int32_t v = (int32_t)wordAt(p, position);
    GuiTkUnlockHandle(handle);
    return v;
}

uint32_t GuiTkGetTypedShort(int32_t handle, int32_t place, uint32_t tag, int32_t position) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return 0;
    uint16_t v;
    memcpy(&v, (const uint8_t*)p + position, sizeof v);
    GuiTkUnlockHandle(handle);
    return v;
}

uint32_t GuiTkGetTypedByte(int32_t handle, int32_t place, uint32_t tag, int32_t position) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return 0;
    uint32_t v = ((const uint8_t*)p)[position];
    GuiTkUnlockHandle(handle);
    return v;
}

int32_t GuiTkGetTypedFlag(int32_t handle, int32_t place, uint32_t tag, int32_t position) {
    return GuiTkGetTypedInt(handle, place, tag, position);
}

void GuiTkSetTypedInt(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return;
    putWord(p, position, (uint32_t)value);
    GuiTkUnlockHandle(handle);
}

void GuiTkSetTypedShort(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return;
    uint16_t v = (uint16_t)value;
    memcpy((uint8_t*)p + position, &v, sizeof v);
    GuiTkUnlockHandle(handle);
}

void GuiTkSetTypedByte(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return;
    ((uint8_t*)p)[position] = (uint8_t)value;
    GuiTkUnlockHandle(handle);
}

void GuiTkSetTypedPair(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t first, int32_t second) {
    void* p = GuiTkLockTyped(handle, place, tag);
    if (p == nullptr) return;
    putWord(p, position, (uint32_t)first);
    putWord(p, position + 4, (uint32_t)second);
    GuiTkUnlockHandle(handle);
}

void GuiTkCheckFlag(int32_t value) {
    if (value != 0 && value != 1) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
}

void GuiTkSetTypedFlag(int32_t handle, int32_t place, uint32_t tag, int32_t position, int32_t value) {
    GuiTkCheckFlag(value);
    GuiTkSetTypedInt(handle, place, tag, position, value);
}

int32_t GuiTkAddSaturated(int32_t a, int32_t b) {
    int32_t sum = (int32_t)((uint32_t)a + (uint32_t)b);
    return sum < a ? 0x7FFFFFFF : sum;
}

// Handle arrays.

static GuiTkHandleArray* lockArray(int32_t array) {
    return (GuiTkHandleArray*)GuiTkLockTyped(array, 0, GUITK_TAG_ARRY);
}

int32_t HandleArrayCreate(void) {
    int32_t array = GuiTkAllocHandle((int32_t)sizeof(GuiTkHandleArray));
    if (array == -1) return -1;
    int32_t data = GuiTkAllocHandle(GUITK_ARRAY_INITIAL * 4);
    if (data == -1) {
        GuiTkFreeHandle(array);
        return -1;
    }
    GuiTkHandleArray* a = (GuiTkHandleArray*)GuiTkLockHandle(array);
    if (a == nullptr) {
        GuiTkFreeHandle(data);
        GuiTkFreeHandle(array);
        return -1;
    }
    a->tag = GUITK_TAG_ARRY;
    a->capacity = GUITK_ARRAY_INITIAL;
    a->count = 0;
    a->data = data;
    GuiTkUnlockHandle(array);
    return array;
}

void HandleArrayDestroy(int32_t array) {
    GuiTkHandleArray* a = lockArray(array);
    if (a == nullptr) return;
    int32_t data = a->data;
    a->tag = 0;
    GuiTkUnlockHandle(array);
    GuiTkFreeHandle(data);
    GuiTkFreeHandle(array);
}

int32_t HandleArrayCount(int32_t array) {
    return GuiTkGetTypedInt(array, 0, GUITK_TAG_ARRY, (int32_t)offsetof(GuiTkHandleArray, count));
}

int32_t HandleArrayGet(int32_t array, int32_t index) {
    GuiTkHandleArray* a = lockArray(array);
    if (a == nullptr) return 0;
    int32_t count = a->count, data = a->data;
    GuiTkUnlockHandle(array);
    if (index < 0 || index >= count) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return 0;
    }
    int32_t* elements = (int32_t*)GuiTkLockHandle(data);
    if (elements == nullptr) return 0;
    int32_t value = elements[index];
    GuiTkUnlockHandle(data);
    return value;
}

// Doubles the data block of a locked array record; false (nothing changed) when the
// new size is out of range or cannot be had.
static bool growArray(GuiTkHandleArray* a) {
    if (a->capacity >= GUITK_ARRAY_LIMIT / 2) return false;
    int32_t capacity = a->capacity * 2;
    int32_t data = GuiTkAllocHandle(capacity * 4);
    if (data == -1) return false;
    int32_t* to = (int32_t*)GuiTkLockHandle(data);
    if (to == nullptr) {
        GuiTkFreeHandle(data);
        return false;
    }
    int32_t* from = (int32_t*)GuiTkLockHandle(a->data);
    if (from == nullptr) {
        GuiTkUnlockHandle(data);
        GuiTkFreeHandle(data);
        return false;
    }
    GuiTkCopy(to, from, (size_t)a->count * 4);
    GuiTkUnlockHandle(a->data);
    GuiTkUnlockHandle(data);
    GuiTkFreeHandle(a->data);
    a->data = data;
    a->capacity = capacity;
    return true;
}

int32_t HandleArrayInsert(int32_t array, int32_t value, int32_t index) {
    GuiTkHandleArray* a = lockArray(array);
    if (a == nullptr) return -1;
    if (index < 0 || index > a->count) {
        GuiTkUnlockHandle(array);
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    if (a->count + 1 > a->capacity && !growArray(a)) {
        GuiTkUnlockHandle(array);
        return -1;
    }
    int32_t* elements = (int32_t*)GuiTkLockHandle(a->data);
    if (elements == nullptr) {
        GuiTkUnlockHandle(array);
        return -1;
    }
    GuiTkMove(elements + index + 1, elements + index, (size_t)(a->count - index) * 4);
    elements[index] = value;
    a->count++;
    GuiTkUnlockHandle(a->data);
    GuiTkUnlockHandle(array);
    return 0;
}

int32_t HandleArrayAppend(int32_t array, int32_t value) {
    return HandleArrayInsert(array, value, HandleArrayCount(array));
}

void HandleArrayRemove(int32_t array, int32_t index) {
    GuiTkHandleArray* a = lockArray(array);
    if (a == nullptr) return;
    if (index < 0 || index >= a->count) {
        GuiTkUnlockHandle(array);
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    int32_t* elements = (int32_t*)GuiTkLockHandle(a->data);
    if (elements != nullptr) {
        GuiTkMove(elements + index, elements + index + 1, (size_t)(a->count - index - 1) * 4);
        a->count--;
        GuiTkUnlockHandle(a->data);
    }
    GuiTkUnlockHandle(array);
}

void HandleArrayClear(int32_t array) {
    GuiTkSetTypedInt(array, 0, GUITK_TAG_ARRY, (int32_t)offsetof(GuiTkHandleArray, count), 0);
}
