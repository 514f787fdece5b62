// The memory interface over the Java heap. Handle blocks are reached through a table
// of the collector's own pointer lists, so the collector keeps them alive and moves
// them while they are unlocked; the table itself hangs from one global root. Every
// table record is re-read through that root after an allocation, which may collect.
#include "vm/services/memory.h"

#include <string.h>

#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/trace/tracelog.h"

// Words of the table's records: the count word, the pointers, then their count bytes.
enum {
    ROOT_WORDS = 6,
    FREE_STACK_WORDS = 64,
    SMALL_TABLE_WORDS = 257,
    DIRECTORY_WORDS = 1 + HANDLE_SEGMENTS + HANDLE_SEGMENTS / 4,
    SEGMENT_WORDS = 1 + HANDLE_SUBSEGMENTS + HANDLE_SUBSEGMENTS / 4,
    SUBSEGMENT_WORDS = 1 + HANDLE_SLOTS,
};
static_assert(DIRECTORY_WORDS == 41 && SEGMENT_WORDS == 316 && SUBSEGMENT_WORDS == 256, "handle table records");

// Slots of the root record.
enum { ROOT_FREE_STACK = 1, ROOT_SMALL_TABLE, ROOT_DIRECTORY, ROOT_SPARE_SUBSEGMENT, ROOT_SPARE_SEGMENT };

static VMBSS cell* HandleTable;
static VMBSS MemHandle HandleHint;
static VMDATA int32_t SegmentBeingFilled = -1;

// ---------------------------------------------------------------------------------
// Pointer blocks and object locks

static bool refusedWhileCollecting(const char* format, int32_t size) {
    if (!memoryIsGarbageCollecting()) return false;
    mvTraceLog_warning(format, size);
    return true;
}

void* mvMemory_allocPointer(int32_t size) {
    if (size < 1) {
        mvTraceLog_warning("mvMemory_allocPointer: Illegal size %d\n", size);
        return nullptr;
    }
    if (size > MEMORY_BLOCK_LIMIT) return nullptr;
    if (refusedWhileCollecting("GC is running. Counld not allocate memory. size:%d\n", size)) return nullptr;
    cell* block = allocHeapObjectForPointer((size + 3) / 4, GCT_MEMBLOCK);
    if (block == nullptr) return nullptr;
    mvMemory_objectLock(block);
    memset(block, 0, (size_t)size);
    return block;
}

int32_t mvMemory_freePointer(void* address) {
    if (address == nullptr) return -1;
    return mvMemory_objectUnlock(address) == 0 ? 0 : -1;
}

// 0 for an object that may be pinned, 1 for one that never moves, or a negative code.
static int32_t checkObject(void* object) {
    if (object == nullptr) {
        mvTraceLog_error("objectLock/Unlock: invalid object %p\n", object);
        return -1;
    }
    if (isStaticMemoryAddress(object)) return 1;
    int32_t check = checkHeapAddress(object);
    if (check == -4) {
        mvTraceLog_error("objectLock/Unlock: invalid object %p\n", object);
        mvTraceLog_error("  not object but C variable\n");
    } else if (check == -2) {
        mvTraceLog_error("objectLock/Unlock: invalid object %p\n", object);
        mvTraceLog_error("  not four-byte aligned\n");
    }
    return check;
}

int32_t mvMemory_objectLock(void* object) {
    int32_t check = checkObject(object);
    if (check != 0) return check < 0 ? check : 0;
    if (lockObjectMemory(object) != 0) {
        mvTraceLog_warning("Warning: mvMemory_objectLock(%p) is illegal.\n", object);
        return -1;
    }
    return 0;
}

int32_t mvMemory_objectUnlock(void* object) {
    int32_t check = checkObject(object);
    if (check != 0) return check < 0 ? check : 0;
    if (unlockObjectMemory(object) != 0) {
        mvTraceLog_warning("Warning: mvMemory_objectUnlock(%p) is illegal.\n", object);
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------
// The handle table

// A list's pointers are words; the blocks they hold are in the (low) Java heap.
static inline cell* listAt(cell* list, int32_t slot) { return p32Ptr<cell>(list[slot]); }
static inline void setListAt(cell* list, int32_t slot, const void* value) { list[slot] = p32Cell(value); }
// The count bytes behind the pointers of a directory or a segment.
static inline uint8_t* countBytes(cell* list) { return (uint8_t*)(list + 1 + list[0]); }

static cell* newRecord(int32_t words, int type) {
    cell* record = allocHeapObjectForPointer(words, type);
    if (record != nullptr) memset(record, 0, (size_t)words * 4);
    return record;
}

static cell* newPointerList(int32_t words, int32_t count) {
    cell* list = newRecord(words, GCT_POINTERLIST);
    if (list != nullptr) list[0] = count;
    return list;
}

static bool createHandleTable(void* block) {
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&block);
    cell* root = newPointerList(ROOT_WORDS, ROOT_WORDS - 1);
    if (root == nullptr) return false;
    HandleTable = root;
    makeGlobalRoot(&HandleTable);
    cell* stack = newRecord(FREE_STACK_WORDS, GCT_NOPOINTERS);
    if (stack != nullptr) {
        uint8_t* bytes = (uint8_t*)stack;
        bytes[0] = SMALL_HANDLE_COUNT;
        for (int k = 1; k <= SMALL_HANDLE_COUNT; k++) bytes[k] = (uint8_t)(256 - k);
        setListAt(HandleTable, ROOT_FREE_STACK, stack);
    }
    cell* small = stack ? newPointerList(SMALL_TABLE_WORDS, 256) : nullptr;
    if (small != nullptr) setListAt(HandleTable, ROOT_SMALL_TABLE, small);
    cell* directory = small ? newPointerList(DIRECTORY_WORDS, HANDLE_SEGMENTS) : nullptr;
    if (directory != nullptr) setListAt(HandleTable, ROOT_DIRECTORY, directory);
    TemporaryRootsLength = savedRoots;
    return directory != nullptr;
}

static cell* rootList(int32_t slot) { return listAt(HandleTable, slot); }

struct HandleParts {
    int32_t segment, subsegment, slot;
};

// Splits a handle; false when it is out of range.
static bool splitHandle(MemHandle handle, HandleParts* parts) {
    if (handle < LARGE_HANDLE_BASE) {
        parts->segment = -1;
        parts->slot = (int32_t)handle;
        return handle >= 1 && handle <= SMALL_HANDLE_COUNT;
    }
    uint32_t rest = handle - LARGE_HANDLE_BASE;
    parts->segment = (int32_t)(rest >> 16);
    parts->subsegment = (int32_t)((rest >> 8) & 0xFF);
    parts->slot = (int32_t)(rest & 0xFF);
    return parts->segment < HANDLE_SEGMENTS && parts->subsegment < HANDLE_SUBSEGMENTS && parts->slot < HANDLE_SLOTS;
}

static MemHandle largeHandle(int32_t segment, int32_t subsegment, int32_t slot) {
    return LARGE_HANDLE_BASE + ((uint32_t)segment << 16) + ((uint32_t)subsegment << 8) + (uint32_t)slot;
}

// The table cell that holds the handle's block, or null when its records are missing.
static cell* handleCell(const HandleParts& p) {
    if (HandleTable == nullptr) return nullptr;
    if (p.segment < 0) return rootList(ROOT_SMALL_TABLE) + 1 + p.slot;
    cell* segment = listAt(rootList(ROOT_DIRECTORY), 1 + p.segment);
    if (segment == nullptr) return nullptr;
    cell* subsegment = listAt(segment, 1 + p.subsegment);
    if (subsegment == nullptr) return nullptr;
    return subsegment + 1 + p.slot;
}

// The handle's block, or null.
static void* handleBlock(MemHandle handle) {
    HandleParts p = {};
    if (!splitHandle(handle, &p)) return nullptr;
    cell* c = handleCell(p);
    return c ? p32Ptr(*c) : nullptr;
}

// Stores block in the hinted slot; 0 when the hint's records are gone.
static MemHandle useHint(void* block) {
    MemHandle hint = HandleHint;
    HandleHint = 0;
    HandleParts p = {};
    splitHandle(hint, &p);
    cell* segment = listAt(rootList(ROOT_DIRECTORY), 1 + p.segment);
    cell* subsegment = segment ? listAt(segment, 1 + p.subsegment) : nullptr;
    if (subsegment == nullptr || subsegment[1 + p.slot] != 0) return 0;
    setListAt(subsegment, 1 + p.slot, block);
    countBytes(segment)[p.subsegment]++;
    if (p.slot + 1 < HANDLE_SLOTS && subsegment[2 + p.slot] == 0) HandleHint = hint + 1;
    return hint;
}

// A new subsegment at index sub of segment seg, holding block in slot 0.
static MemHandle fillNewSubsegment(void* block, int32_t seg, int32_t sub) {
    cell* segment = listAt(rootList(ROOT_DIRECTORY), 1 + seg);
    int32_t savedRoots = TemporaryRootsLength;
    makeTemporaryRoot(&block);
    makeTemporaryRoot(&segment);
    SegmentBeingFilled = seg;
    cell* subsegment = newPointerList(SUBSEGMENT_WORDS, HANDLE_SLOTS);
    SegmentBeingFilled = -1;
    TemporaryRootsLength = savedRoots;
    if (subsegment == nullptr) return 0;
    setListAt(segment, 1 + sub, subsegment);
    countBytes(rootList(ROOT_DIRECTORY))[seg]++;
    setListAt(subsegment, 1, block);
    countBytes(segment)[sub] = 1;
    HandleHint = largeHandle(seg, sub, 1);
    return largeHandle(seg, sub, 0);
}

static MemHandle allocLargeHandle(void* block) {
    for (int32_t seg = 0; seg < HANDLE_SEGMENTS; seg++) {
        cell* directory = rootList(ROOT_DIRECTORY);
        cell* segment = listAt(directory, 1 + seg);
        if (segment == nullptr) {
            segment = rootList(ROOT_SPARE_SEGMENT);
            if (segment != nullptr) {
                setListAt(HandleTable, ROOT_SPARE_SEGMENT, nullptr);
            } else {
                int32_t savedRoots = TemporaryRootsLength;
                makeTemporaryRoot(&block);
                segment = newPointerList(SEGMENT_WORDS, HANDLE_SUBSEGMENTS);
                TemporaryRootsLength = savedRoots;
                if (segment == nullptr) return 0;
            }
            setListAt(rootList(ROOT_DIRECTORY), 1 + seg, segment);
        }
        for (int32_t sub = 0; sub < HANDLE_SUBSEGMENTS; sub++) {
            segment = listAt(rootList(ROOT_DIRECTORY), 1 + seg);
            uint8_t count = countBytes(segment)[sub];
            if (count == HANDLE_SLOTS) continue;
            if (count == 0 && listAt(segment, 1 + sub) == nullptr) {
                cell* spare = rootList(ROOT_SPARE_SUBSEGMENT);
                if (spare == nullptr) return fillNewSubsegment(block, seg, sub);
                setListAt(HandleTable, ROOT_SPARE_SUBSEGMENT, nullptr);
                setListAt(segment, 1 + sub, spare);
                countBytes(rootList(ROOT_DIRECTORY))[seg]++;
            }
            cell* subsegment = listAt(segment, 1 + sub);
            for (int32_t slot = 0; slot < HANDLE_SLOTS; slot++) {
                if (subsegment[1 + slot] != 0) continue;
                setListAt(subsegment, 1 + slot, block);
                countBytes(segment)[sub]++;
                if (slot + 1 < HANDLE_SLOTS && subsegment[2 + slot] == 0) HandleHint = largeHandle(seg, sub, slot + 1);
                return largeHandle(seg, sub, slot);
            }
            fatalError("AllocHandle: contradictory segment found");
        }
    }
    return 0;
}

MemHandle AllocHandle(void* block) {
    if (HandleTable == nullptr && !createHandleTable(block)) return 0;
    uint8_t* stack = (uint8_t*)rootList(ROOT_FREE_STACK);
    if (stack[0] > 0) {
        MemHandle handle = stack[stack[0]];
        stack[0]--;
        setListAt(rootList(ROOT_SMALL_TABLE), 1 + (int32_t)handle, block);
        return handle;
    }
    if (HandleHint != 0) {
        MemHandle handle = useHint(block);
        if (handle != 0) return handle;
    }
    return allocLargeHandle(block);
}

MemHandle mvMemory_allocHandle(int32_t size) {
    if (size < 0 || size > MEMORY_BLOCK_LIMIT) return 0;
    if (refusedWhileCollecting("Warning: GC is running. Counld not allocate memory. size:%d\n", size)) return 0;
    cell* block = allocHeapObjectForPointer((size + 3) / 4, GCT_MEMBLOCK);
    return block ? AllocHandle(block) : 0;
}

int32_t freeHandle(MemHandle handle) {
    if (HandleTable == nullptr) {
        mvTraceLog_warning("freeHandle: already freed memory handle 0x%08x\n", handle);
        return -1;
    }
    HandleParts p = {};
    if (!splitHandle(handle, &p)) {
        mvTraceLog_warning("freeHandle: invalid memory handle 0x%08x\n", handle);
        return -1;
    }
    cell* c = handleCell(p);
    if (c == nullptr || *c == 0) {
        mvTraceLog_warning("freeHandle: already freed memory handle 0x%08x\n", handle);
        return -1;
    }
    if (headerPins(*headerOf(p32Ptr(*c))) != 0) {
        mvTraceLog_warning("freeHandle: still locked handle 0x%08x\n", handle);
        return -1;
    }
    *c = 0;
    if (p.segment < 0) {
        uint8_t* stack = (uint8_t*)rootList(ROOT_FREE_STACK);
        stack[++stack[0]] = (uint8_t)handle;
        return 0;
    }
    cell* directory = rootList(ROOT_DIRECTORY);
    cell* segment = listAt(directory, 1 + p.segment);
    if (--countBytes(segment)[p.subsegment] > 0) {
        HandleHint = handle;
        return 0;
    }
    setListAt(HandleTable, ROOT_SPARE_SUBSEGMENT, listAt(segment, 1 + p.subsegment));
    setListAt(segment, 1 + p.subsegment, nullptr);
    if (--countBytes(directory)[p.segment] == 0 && p.segment != SegmentBeingFilled) {
        setListAt(HandleTable, ROOT_SPARE_SEGMENT, segment);
        setListAt(directory, 1 + p.segment, nullptr);
    }
    return 0;
}

void* handleLock(MemHandle handle) {
    void* block = handleBlock(handle);
    if (block == nullptr) {
        mvTraceLog_warning("handleLock: invalid memory handle 0x%08x\n", handle);
        return nullptr;
    }
    if (lockObjectMemory(block) != 0) {
        mvTraceLog_warning("handleLock: too much locked handle 0x%08x\n", handle);
        return nullptr;
    }
    return block;
}

int32_t handleUnlock(MemHandle handle) {
    void* block = handleBlock(handle);
    if (block == nullptr) {
        mvTraceLog_warning("handleUnlock: invalid memory handle 0x%08x\n", handle);
        return -1;
    }
    if (unlockObjectMemory(block) != 0) {
        mvTraceLog_warning("handleUnlock: too much unlocked handle 0x%08x\n", handle);
        return -1;
    }
    return 0;
}

void* lockTaggedArrayBlock(MemHandle handle) {
    void* block = handleBlock(handle);
    if (block == nullptr || headerSize(*headerOf(block)) < 1 || memcmp(block, "ARRY", 4) != 0) return nullptr;
    return handleLock(handle);
}
