// Stack-map frames in both encodings: javac's compressed StackMapTable and the CLDC
// StackMap, whose frames list every local and stack item in full. Both count a long or
// double as one item; neither writes the implicit second word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/classconv/classfile.h"

namespace classfile {

enum ItemCode : uint8_t {
    kItemTop = 0,
    kItemInteger = 1,
    kItemFloat = 2,
    kItemDouble = 3,
    kItemLong = 4,
    kItemNull = 5,
    kItemUninitializedThis = 6,
    kItemObject = 7,         // data: pool index of a Class entry
    kItemUninitialized = 8,  // data: code offset of the new
};

struct VerificationType {
    uint8_t tag = kItemTop;
    uint16_t data = 0;
    bool operator==(const VerificationType& o) const { return tag == o.tag && data == o.data; }
    bool operator!=(const VerificationType& o) const { return !(*this == o); }
};

struct Frame {
    uint32_t offset = 0;
    std::vector<VerificationType> locals;
    std::vector<VerificationType> stack;
    bool operator==(const Frame& o) const { return offset == o.offset && locals == o.locals && stack == o.stack; }
};

// Slots a list of items takes: long and double count two.
unsigned slotCount(const std::vector<VerificationType>& items);

// The frame on entry to a method, from its descriptor. Class types are looked up or added
// to the pool, so the pool may grow. False when the descriptor is malformed.
bool initialFrame(ClassFile& cf, const std::string& thisClass, const std::string& methodName,
                  const std::string& descriptor, bool isStatic, Frame& out);

// Expands a StackMapTable body into full frames, each delta applied to the frame before it
// (the initial frame for the first one).
bool decodeStackMapTable(const std::vector<uint8_t>& data, const Frame& initial, std::vector<Frame>& out,
                         std::string& error);

bool decodeStackMap(const std::vector<uint8_t>& data, std::vector<Frame>& out, std::string& error);
std::vector<uint8_t> encodeStackMap(const std::vector<Frame>& frames);

}  // namespace classfile
