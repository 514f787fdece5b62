// What the Sprite and TiledLayer natives share: the slots of the Graphics and Image
// fields they read, field tables resolved by name, and painting a layer record through
// a Graphics.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "graphics/mk_layer.h"
#include "natives/ui/peers.h"
#include "vm/core/records.h"

// Slots of the fields the layer natives read of a Graphics and of an Image.
struct LayerPeerSlots {
    int32_t graphicsId, originX, originY;  // Graphics: _nId, _nOriginOffsetX, _nOriginOffsetY
    int32_t imageId, imageOffScreen;       // Image: _nId, isOffScreen
};

// One field to resolve: its class (an index into the class names handed along), name,
// signature and where in the caller's slot record its index goes.
struct LayerFieldName {
    uint8_t classIndex;
    const char* name;
    const char* signature;
    size_t offset;
};

// Looks up every class and then every field into the slot record `slots`; false, with
// nothing stored, when a class is missing.
bool layerResolveFields(const char* const* classNames, int32_t classCount, const LayerFieldName* fields,
                        int32_t fieldCount, void* slots);

// The record a layer object's `_nId` holds.
inline MkLayer* layerRecord(OBJECT layer, int32_t idSlot) { return peerAt<MkLayer>(layer->data[idSlot]); }

// Paints a visible layer's record at (x, y) of the Graphics' translated coordinates; a
// null Graphics raises NullPointerException "g is null", visible or not.
void layerPaint(const LayerPeerSlots* slots, OBJECT graphics, int32_t kind, MkLayer* record, int32_t x, int32_t y,
                bool visible);
