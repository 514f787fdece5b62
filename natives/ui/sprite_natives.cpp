// Sprite natives. Arguments are checked by the Java class, except where the MIDP method
// itself is native (transform, frame index, collision rectangle, the collision partner).
#include "natives/ui/sprite_natives.h"

#include "natives/lib/nativestack.h"
#include "natives/ui/layer_natives.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

namespace {

const char IllegalArgument[] = "java/lang/IllegalArgumentException";
const char IndexOutOfBounds[] = "java/lang/IndexOutOfBoundsException";

struct SpriteSlots {
    LayerPeerSlots peers;
    int32_t id, collisionX, collisionY, collisionW, collisionH;
    int32_t tCollisionX, tCollisionY, tCollisionW, tCollisionH;
    int32_t definedRefX, definedRefY, refX, refY;
    int32_t frameW, frameH, frameCols;
    int32_t layerX, layerY, layerW, layerH, transform;
    int32_t sequence, sequenceCount, sequenceIndex, flags;
    int32_t tiledId, tiledX, tiledY, tiledFlags;
};

VMBSS SpriteSlots Slots;
VMBSS int32_t SlotsResolved;
VMBSS NativeFinalizerRecord Finalizer;

// Per MIDP transform: whether the screen's x axis runs along the frame's y axis, and
// whether the screen's first and second axes run against the frame's.
const uint8_t kSwap[8] = {0, 0, 0, 0, 1, 1, 1, 1};
const uint8_t kFlipFirst[8] = {0, 0, 1, 1, 0, 1, 0, 1};
const uint8_t kFlipSecond[8] = {0, 1, 0, 1, 0, 0, 1, 1};

const char* const SpriteClasses[] = {"javax/microedition/lcdui/Graphics", "javax/microedition/lcdui/Image",
                                     "javax/microedition/lcdui/game/Sprite",
                                     "javax/microedition/lcdui/game/TiledLayer"};
enum { GRAPHICS, IMAGE, SPRITE, TILED };

#define SLOT(cls, name, signature, field) \
    { cls, name, signature, offsetof(SpriteSlots, field) }
const LayerFieldName SpriteFields[] = {
    SLOT(GRAPHICS, "_nId", "I", peers.graphicsId),
    SLOT(GRAPHICS, "_nOriginOffsetX", "I", peers.originX),
    SLOT(GRAPHICS, "_nOriginOffsetY", "I", peers.originY),
    SLOT(IMAGE, "_nId", "I", peers.imageId),
    SLOT(IMAGE, "isOffScreen", "Z", peers.imageOffScreen),
    SLOT(SPRITE, "_nId", "I", id),
    SLOT(SPRITE, "collisionRectX", "I", collisionX),
    SLOT(SPRITE, "collisionRectY", "I", collisionY),
    SLOT(SPRITE, "collisionRectW", "I", collisionW),
    SLOT(SPRITE, "collisionRectH", "I", collisionH),
    SLOT(SPRITE, "t_collisionRectX", "I", tCollisionX),
    SLOT(SPRITE, "t_collisionRectY", "I", tCollisionY),
    SLOT(SPRITE, "t_collisionRectW", "I", tCollisionW),
    SLOT(SPRITE, "t_collisionRectH", "I", tCollisionH),
    SLOT(SPRITE, "dRefX", "I", definedRefX),
    SLOT(SPRITE, "dRefY", "I", definedRefY),
    SLOT(SPRITE, "m_RefPixelX", "I", refX),
    SLOT(SPRITE, "m_RefPixelY", "I", refY),
    SLOT(SPRITE, "m_FrameW", "I", frameW),
    SLOT(SPRITE, "m_FrameH", "I", frameH),
    SLOT(SPRITE, "m_FrameCols", "I", frameCols),
    SLOT(SPRITE, "m_LayerX", "I", layerX),
    SLOT(SPRITE, "m_LayerY", "I", layerY),
    SLOT(SPRITE, "m_LayerWidth", "I", layerW),
    SLOT(SPRITE, "m_LayerHeight", "I", layerH),
    SLOT(SPRITE, "m_Transform", "I", transform),
    SLOT(SPRITE, "m_Sequence", "[I", sequence),
    SLOT(SPRITE, "m_SequenceCount", "I", sequenceCount),
    SLOT(SPRITE, "m_SequenceIndex", "I", sequenceIndex),
    SLOT(SPRITE, "m_LayerFlags", "I", flags),
    SLOT(TILED, "_nId", "I", tiledId),
    SLOT(TILED, "m_LayerX", "I", tiledX),
    SLOT(TILED, "m_LayerY", "I", tiledY),
    SLOT(TILED, "m_LayerFlags", "I", tiledFlags),
};
#undef SLOT

void resolveSlots() {
    if (SlotsResolved) return;
    if (layerResolveFields(SpriteClasses, 4, SpriteFields, (int32_t)(sizeof SpriteFields / sizeof SpriteFields[0]),
                           &Slots))
        SlotsResolved = 1;
}

// Every other native reads slots: a run whose classes could not be resolved cannot go on.
const SpriteSlots& slots() {
    if (!SlotsResolved) {
        resolveSlots();
        if (!SlotsResolved) fatalError("Sprite natives: the layer classes are missing");
    }
    return Slots;
}

int32_t field(OBJECT o, int32_t slot) { return getIntFieldByIndex(o, slot); }
void setField(OBJECT o, int32_t slot, int32_t value) { setIntFieldByIndex(o, slot, value); }

MkLayer* recordOf(OBJECT sprite) { return layerRecord(sprite, slots().id); }
bool visible(OBJECT layer, int32_t flagsSlot) { return (field(layer, flagsSlot) & 1) != 0; }

void setAttribute(OBJECT sprite, int32_t code, int32_t a, int32_t b) {
    const int32_t values[2] = {a, b};
    MkLayerSetAttribute(MK_LAYER_SPRITE, recordOf(sprite), code, values);
}

// The record keeps the collision rectangle in 16-bit fields: x and y signed, as MIDP
// lets the rectangle start left of or above the frame.
int32_t toShort(int32_t v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }
int32_t toUnsignedShort(int32_t v) { return v < 0 ? 0 : v > 65535 ? 65535 : v; }

void storeCollisionRect(int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t values[4] = {toShort(x), toShort(y), toUnsignedShort(w), toUnsignedShort(h)};
    MkLayerSetAttribute(MK_LAYER_SPRITE, peerAt<MkLayer>(id), 3, values);
}

SpriteGeometry geometryOf(OBJECT s, uint32_t transform) {
    const SpriteSlots& k = slots();
    const int32_t collision[4] = {field(s, k.collisionX), field(s, k.collisionY), field(s, k.collisionW),
                                  field(s, k.collisionH)};
    SpriteGeometry g = {};
    spriteTransformGeometry(transform, field(s, k.frameW), field(s, k.frameH), collision, field(s, k.definedRefX),
                            field(s, k.definedRefY), &g);
    return g;
}

// Takes the sprite from transform `from` to `to` (both valid or `from` counting as a
// reference of 0, 0), moving it so that its reference pixel stays on the same screen point.
void applyTransform(OBJECT s, uint32_t from, uint32_t to) {
    const SpriteSlots& k = slots();
    SpriteGeometry old = geometryOf(s, from);  // zeroed for a transform outside 0-7
    SpriteGeometry now = geometryOf(s, to);
    setField(s, k.tCollisionX, now.collisionX);
    setField(s, k.tCollisionY, now.collisionY);
    setField(s, k.tCollisionW, now.collisionW);
    setField(s, k.tCollisionH, now.collisionH);
    setField(s, k.refX, now.refX);
    setField(s, k.refY, now.refY);
    setField(s, k.layerX, field(s, k.layerX) + old.refX - now.refX);
    setField(s, k.layerY, field(s, k.layerY) + old.refY - now.refY);
    setField(s, k.layerW, now.width);
    setField(s, k.layerH, now.height);
}

// The frame source of sequence entry `index`.
void showFrame(OBJECT s, int32_t index) {
    const SpriteSlots& k = slots();
    setField(s, k.sequenceIndex, index);
    ArrayObject* sequence = (ArrayObject*)getObjectFieldByIndex(s, k.sequence);
    uint32_t frame = (uint32_t)(sequence != nullptr ? getIntArrayElement(sequence, index) : index);
    uint32_t cols = (uint32_t)field(s, k.frameCols);
    if (cols == 0) cols = 1;
    setAttribute(s, 2, (int32_t)(frame % cols) * field(s, k.frameW), (int32_t)(frame / cols) * field(s, k.frameH));
}

// An empty collision rectangle touches nothing, at the rectangle level as at the pixel level.
bool emptyCollisionRect(OBJECT s) {
    const SpriteSlots& k = slots();
    return field(s, k.tCollisionW) <= 0 || field(s, k.tCollisionH) <= 0;
}

int32_t collide(OBJECT self, bool pixelLevel, int32_t kindB, const void* b, int32_t bx, int32_t by) {
    const SpriteSlots& k = slots();
    if (!pixelLevel && emptyCollisionRect(self)) return 0;
    const int32_t request[8] = {pixelLevel ? 1 : 0,
                                p32Cell(recordOf(self)),
                                field(self, k.layerX),
                                field(self, k.layerY),
                                kindB,
                                p32Cell(b),
                                bx,
                                by};
    return MkLayerCollidesWith(request);
}

int32_t finalizeSprite(OBJECT instance, NativeFinalizerRecord*) {
    if (!SlotsResolved) return 0;
    int32_t id = field(instance, Slots.id);
    if (isPeer(id)) MkLayerDestroy(MK_LAYER_SPRITE, peerAt<MkLayer>(id));
    setField(instance, Slots.id, -1);
    return 0;
}

}  // namespace

bool spriteTransformGeometry(uint32_t transform, int32_t frameW, int32_t frameH, const int32_t collision[4],
                             int32_t refX, int32_t refY, SpriteGeometry* out) {
    if (transform > 7) return false;
    const bool swap = kSwap[transform] != 0;
    // the frame's axes in the order the screen takes them
    const int32_t extent[2] = {swap ? frameH : frameW, swap ? frameW : frameH};
    const int32_t start[2] = {swap ? collision[1] : collision[0], swap ? collision[0] : collision[1]};
    const int32_t size[2] = {swap ? collision[3] : collision[2], swap ? collision[2] : collision[3]};
    const int32_t ref[2] = {swap ? refY : refX, swap ? refX : refY};
    const bool flip[2] = {kFlipFirst[transform] != 0, kFlipSecond[transform] != 0};
    int32_t c[2], r[2];
    for (int i = 0; i < 2; i++) {
        c[i] = flip[i] ? extent[i] - (start[i] + size[i]) : start[i];
        r[i] = flip[i] ? extent[i] - ref[i] - 1 : ref[i];
    }
    *out = {c[0], c[1], size[0], size[1], extent[0], extent[1], r[0], r[1]};
    return true;
}

void Java_javax_microedition_lcdui_game_Sprite_initializeFieldIndex() { resolveSlots(); }

void Java_javax_microedition_lcdui_game_Sprite_nativeCreatePrimitive() {
    int32_t frameH = popInt();
    int32_t frameW = popInt();
    OBJECT image = popObject();
    popObject();  // the sprite
    if (image == nullptr) {
        pushInt(-1);
        return;
    }
    const SpriteSlots& k = slots();
    const int32_t params[4] = {peerWord(field(image, k.peers.imageId)), field(image, k.peers.imageOffScreen), frameW,
                               frameH};
    pushInt(peerHandle(MkLayerCreate(MK_LAYER_SPRITE, params)));
}

void Java_javax_microedition_lcdui_game_Sprite_nativeSetTexture() {
    int32_t frameH = popInt();
    int32_t frameW = popInt();
    OBJECT image = popObject();
    int32_t id = popInt();
    if (image == nullptr) return;
    const SpriteSlots& k = slots();
    const int32_t values[4] = {peerWord(field(image, k.peers.imageId)), field(image, k.peers.imageOffScreen), frameW,
                               frameH};
    MkLayerSetAttribute(MK_LAYER_SPRITE, peerAt<MkLayer>(id), 1, values);
}

void Java_javax_microedition_lcdui_game_Sprite_nativeSetCollisionRect() {
    int32_t h = popInt();
    int32_t w = popInt();
    int32_t y = popInt();
    int32_t x = popInt();
    storeCollisionRect(popInt(), x, y, w, h);
}

void Java_javax_microedition_lcdui_game_Sprite_nativeCalculateTextureUV() {
    int32_t frameH = popInt();
    int32_t frameW = popInt();
    uint32_t cols = (uint32_t)popInt();
    uint32_t frame = (uint32_t)popInt();
    int32_t id = popInt();
    if (cols == 0) cols = 1;
    const int32_t values[2] = {(int32_t)(frame % cols) * frameW, (int32_t)(frame / cols) * frameH};
    MkLayerSetAttribute(MK_LAYER_SPRITE, peerAt<MkLayer>(id), 2, values);
}

void Java_javax_microedition_lcdui_game_Sprite_registNativeFinalizer() {
    ClassRecord* clazz = tryGetClass(SpriteClasses[SPRITE]);
    if (clazz == nullptr) return;
    Finalizer.clazz = clazz;
    Finalizer.finalizer = finalizeSprite;
    registerNativeFinalizer(&Finalizer);
}

void Java_javax_microedition_lcdui_game_Sprite_setTransform() {
    uint32_t transform = (uint32_t)popInt();
    OBJECT self = popObject();
    if (transform > 7) raiseException(IllegalArgument);
    const SpriteSlots& k = slots();
    applyTransform(self, (uint32_t)field(self, k.transform), transform);
    const int32_t code = kMkLayerCodeOfTransform[transform];
    MkLayerSetAttribute(MK_LAYER_SPRITE, recordOf(self), 5, &code);
    setField(self, k.transform, (int32_t)transform);
}

void Java_javax_microedition_lcdui_game_Sprite_defineReferencePixel() {
    int32_t y = popInt();
    int32_t x = popInt();
    OBJECT self = popObject();
    const SpriteSlots& k = slots();
    setAttribute(self, 4, x, y);
    setField(self, k.definedRefX, x);
    setField(self, k.definedRefY, y);
    SpriteGeometry g = geometryOf(self, (uint32_t)field(self, k.transform));
    setField(self, k.refX, g.refX);
    setField(self, k.refY, g.refY);
}

void Java_javax_microedition_lcdui_game_Sprite_setRefPixelPosition() {
    int32_t y = popInt();
    int32_t x = popInt();
    OBJECT self = popObject();
    const SpriteSlots& k = slots();
    setField(self, k.layerX, x - field(self, k.refX));
    setField(self, k.layerY, y - field(self, k.refY));
}

void Java_javax_microedition_lcdui_game_Sprite_getRefPixelX() {
    OBJECT self = popObject();
    pushInt(field(self, slots().layerX) + field(self, slots().refX));
}

void Java_javax_microedition_lcdui_game_Sprite_getRefPixelY() {
    OBJECT self = popObject();
    pushInt(field(self, slots().layerY) + field(self, slots().refY));
}

void Java_javax_microedition_lcdui_game_Sprite_setFrame() {
    int32_t index = popInt();
    OBJECT self = popObject();
    if (index < 0) raiseExceptionWithMessage(IndexOutOfBounds, "frameindex is less than 0");
    if (index >= field(self, slots().sequenceCount))
        raiseExceptionWithMessage(IndexOutOfBounds,
                                  "frameindex is equal to or greater than the length of the current frame sequence");
    showFrame(self, index);
}

void Java_javax_microedition_lcdui_game_Sprite_nextFrame() {
    OBJECT self = popObject();
    int32_t index = field(self, slots().sequenceIndex) + 1;
    showFrame(self, index >= field(self, slots().sequenceCount) ? 0 : index);
}

void Java_javax_microedition_lcdui_game_Sprite_prevFrame() {
    OBJECT self = popObject();
    int32_t index = field(self, slots().sequenceIndex) - 1;
    showFrame(self, index < 0 ? field(self, slots().sequenceCount) - 1 : index);
}

void Java_javax_microedition_lcdui_game_Sprite_paint() {
    OBJECT g = popObject();
    OBJECT self = popObject();
    const SpriteSlots& k = slots();
    layerPaint(&k.peers, g, MK_LAYER_SPRITE, recordOf(self), field(self, k.layerX), field(self, k.layerY),
               visible(self, k.flags));
}

void Java_javax_microedition_lcdui_game_Sprite_defineCollisionRectangle() {
    int32_t h = popInt();
    int32_t w = popInt();
    int32_t y = popInt();
    int32_t x = popInt();
    OBJECT self = popObject();
    if (w < 0 || h < 0) raiseExceptionWithMessage(IllegalArgument, "specified width or height is less than 0");
    const SpriteSlots& k = slots();
    setField(self, k.collisionX, x);
    setField(self, k.collisionY, y);
    setField(self, k.collisionW, w);
    setField(self, k.collisionH, h);
    storeCollisionRect(field(self, k.id), x, y, w, h);
    uint32_t transform = (uint32_t)field(self, k.transform);
    if (transform > 7) raiseException(IllegalArgument);
    applyTransform(self, transform, transform);
}

void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_Sprite_2Z() {
    bool pixelLevel = popInt() != 0;
    OBJECT other = popObject();
    OBJECT self = popObject();
    if (other == nullptr) raiseExceptionWithMessage(NullPointerException, "s is null");
    const SpriteSlots& k = slots();
    if (!visible(self, k.flags) || !visible(other, k.flags) || (!pixelLevel && emptyCollisionRect(other))) {
        pushInt(0);
        return;
    }
    pushInt(collide(self, pixelLevel, 0, recordOf(other), field(other, k.layerX), field(other, k.layerY)));
}

void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_TiledLayer_2Z() {
    bool pixelLevel = popInt() != 0;
    OBJECT tiles = popObject();
    OBJECT self = popObject();
    if (tiles == nullptr) raiseExceptionWithMessage(NullPointerException, "t is null");
    const SpriteSlots& k = slots();
    if (!visible(self, k.flags) || !visible(tiles, k.tiledFlags)) {
        pushInt(0);
        return;
    }
    pushInt(
        collide(self, pixelLevel, 1, layerRecord(tiles, k.tiledId), field(tiles, k.tiledX), field(tiles, k.tiledY)));
}

void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_Image_2IIZ() {
    bool pixelLevel = popInt() != 0;
    int32_t y = popInt();
    int32_t x = popInt();
    OBJECT image = popObject();
    OBJECT self = popObject();
    if (image == nullptr) raiseExceptionWithMessage(NullPointerException, "image is null");
    const SpriteSlots& k = slots();
    if (!visible(self, k.flags)) {
        pushInt(0);
        return;
    }
    int32_t kind = field(image, k.peers.imageOffScreen) != 0 ? 2 : 3;
    pushInt(collide(self, pixelLevel, kind, peerAt<const MkSurface>(field(image, k.peers.imageId)), x, y));
}
