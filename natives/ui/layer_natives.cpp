// Field resolution and painting shared by the Sprite and TiledLayer natives.
#include "natives/ui/layer_natives.h"

#include "graphics/mk_graphics.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"

enum { MAX_LAYER_CLASSES = 8 };

bool layerResolveFields(const char* const* classNames, int32_t classCount, const LayerFieldName* fields,
                        int32_t fieldCount, void* slots) {
    ClassRecord* classes[MAX_LAYER_CLASSES];
    if (classCount > MAX_LAYER_CLASSES) return false;
    for (int32_t i = 0; i < classCount; i++) {
        classes[i] = tryGetClass(classNames[i]);
        if (classes[i] == nullptr) return false;
    }
    for (int32_t i = 0; i < fieldCount; i++) {
        const LayerFieldName& f = fields[i];
        int32_t slot = getFieldIndex(f.name, f.signature, classes[f.classIndex]);
        *(int32_t*)((char*)slots + f.offset) = slot;
    }
    return true;
}

void layerPaint(const LayerPeerSlots* slots, OBJECT graphics, int32_t kind, MkLayer* record, int32_t x, int32_t y,
                bool visible) {
    if (graphics == nullptr) raiseExceptionWithMessage(NullPointerException, "g is null");
    if (!visible) return;
    MkGraphicsContext* ctx = peerAt<MkGraphicsContext>(getIntFieldByIndex(graphics, slots->graphicsId));
    // a Graphics without a context has nowhere to draw
    if (ctx == nullptr) return;
    MkLayerPaint(ctx, kind, record, getIntFieldByIndex(graphics, slots->originX) + x,
                 getIntFieldByIndex(graphics, slots->originY) + y);
}
