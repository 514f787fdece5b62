// TiledLayer natives. A tile index is valid from -(animated tiles) to the number of
// static tiles, 0 being the empty cell.
#include "natives/ui/tiledlayer_natives.h"

#include "natives/lib/nativestack.h"
#include "natives/ui/layer_natives.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

namespace {

const char IllegalArgument[] = "java/lang/IllegalArgumentException";
const char IndexOutOfBounds[] = "java/lang/IndexOutOfBoundsException";

// Cells are 16-bit: this many animated tiles fit.
enum { MAX_ANIMATED_TILES = 32767 };

struct TiledSlots {
    LayerPeerSlots peers;
    int32_t id, flags, layerX, layerY;
    int32_t frameCount, animatedCount, columns, rows;
};

VMBSS TiledSlots Slots;
VMBSS int32_t SlotsResolved;
VMBSS NativeFinalizerRecord Finalizer;

const char* const TiledClasses[] = {"javax/microedition/lcdui/Graphics", "javax/microedition/lcdui/Image",
                                    "javax/microedition/lcdui/game/TiledLayer"};
enum { GRAPHICS, IMAGE, TILED };

#define SLOT(cls, name, signature, field) \
    { cls, name, signature, offsetof(TiledSlots, field) }
const LayerFieldName TiledFields[] = {
    SLOT(GRAPHICS, "_nId", "I", peers.graphicsId),
    SLOT(GRAPHICS, "_nOriginOffsetX", "I", peers.originX),
    SLOT(GRAPHICS, "_nOriginOffsetY", "I", peers.originY),
    SLOT(IMAGE, "_nId", "I", peers.imageId),
    SLOT(IMAGE, "isOffScreen", "Z", peers.imageOffScreen),
    SLOT(TILED, "_nId", "I", id),
    SLOT(TILED, "m_LayerFlags", "I", flags),
    SLOT(TILED, "m_LayerX", "I", layerX),
    SLOT(TILED, "m_LayerY", "I", layerY),
    SLOT(TILED, "m_FrameCount", "I", frameCount),
    SLOT(TILED, "m_AnimTileCount", "I", animatedCount),
    SLOT(TILED, "m_GridColumns", "I", columns),
    SLOT(TILED, "m_GridRows", "I", rows),
};
#undef SLOT

void resolveSlots() {
    if (SlotsResolved) return;
    if (layerResolveFields(TiledClasses, 3, TiledFields, (int32_t)(sizeof TiledFields / sizeof TiledFields[0]), &Slots))
        SlotsResolved = 1;
}

const TiledSlots& slots() {
    if (!SlotsResolved) {
        resolveSlots();
        if (!SlotsResolved) fatalError("TiledLayer natives: the layer classes are missing");
    }
    return Slots;
}

int32_t field(OBJECT o, int32_t slot) { return getIntFieldByIndex(o, slot); }
MkLayer* recordOf(OBJECT layer) { return layerRecord(layer, slots().id); }
MkLayer* recordAt(int32_t id) { return peerAt<MkLayer>(id); }

void checkStaticTile(OBJECT self, int32_t index) {
    if (index < 0 || index > field(self, slots().frameCount))
        raiseExceptionWithMessage(IndexOutOfBounds, "staticTileIndex is invalid");
}

void checkAnimatedTile(OBJECT self, int32_t a, const char* message) {
    int64_t n = -(int64_t)a;
    if (n < 1 || n > field(self, slots().animatedCount)) raiseExceptionWithMessage(IndexOutOfBounds, message);
}

void checkTile(OBJECT self, int32_t tile) {
    if (tile < -field(self, slots().animatedCount) || tile > field(self, slots().frameCount))
        raiseExceptionWithMessage(IndexOutOfBounds, "there is no tile with index tileIndex");
}

void checkCell(OBJECT self, int32_t col, int32_t row) {
    const TiledSlots& k = slots();
    if (col < 0 || col >= field(self, k.columns) || row < 0 || row >= field(self, k.rows))
        raiseExceptionWithMessage(IndexOutOfBounds, "row or col is outside bounds of the TiledLayer grid");
}

void fill(MkLayer* record, int32_t col, int32_t row, int32_t cols, int32_t rows, int32_t tile) {
    const int32_t values[5] = {col, row, cols, rows, tile};
    MkLayerSetAttribute(MK_LAYER_TILED, record, 0, values);
}

// 1 when the static tile of animated tile a could be read.
int32_t readAnimated(MkLayer* record, int32_t a, int32_t* out) {
    *out = 0;
    return MkLayerGetAttribute(MK_LAYER_TILED, record, 1, &a, out);
}

int32_t finalizeTiledLayer(OBJECT instance, NativeFinalizerRecord*) {
    if (!SlotsResolved) return 0;
    int32_t id = field(instance, Slots.id);
    if (isPeer(id)) MkLayerDestroy(MK_LAYER_TILED, recordAt(id));
    setIntFieldByIndex(instance, Slots.id, -1);
    return 0;
}

}  // namespace

void Java_javax_microedition_lcdui_game_TiledLayer_initializeFieldIndex() { resolveSlots(); }

void Java_javax_microedition_lcdui_game_TiledLayer_nativeCreatePrimitive() {
    int32_t rows = popInt();
    int32_t columns = popInt();
    int32_t tileH = popInt();
    int32_t tileW = popInt();
    OBJECT image = popObject();
    popObject();  // the layer
    if (image == nullptr) {
        pushInt(-1);
        return;
    }
    const TiledSlots& k = slots();
    const int32_t params[6] = {
        peerWord(field(image, k.peers.imageId)), field(image, k.peers.imageOffScreen), tileW, tileH, columns, rows};
    pushInt(peerHandle(MkLayerCreate(MK_LAYER_TILED, params)));
}

void Java_javax_microedition_lcdui_game_TiledLayer_nativeSetTexture() {
    int32_t tileH = popInt();
    int32_t tileW = popInt();
    OBJECT image = popObject();
    int32_t id = popInt();
    if (image == nullptr) return;
    const TiledSlots& k = slots();
    const int32_t values[4] = {peerWord(field(image, k.peers.imageId)), field(image, k.peers.imageOffScreen), tileW,
                               tileH};
    MkLayerSetAttribute(MK_LAYER_TILED, recordAt(id), 1, values);
}

void Java_javax_microedition_lcdui_game_TiledLayer_nativeSetCells() {
    int32_t tile = popInt();
    int32_t rows = popInt();
    int32_t cols = popInt();
    int32_t row = popInt();
    int32_t col = popInt();
    fill(recordAt(popInt()), col, row, cols, rows, tile);
}

void Java_javax_microedition_lcdui_game_TiledLayer_registNativeFinalizer() {
    ClassRecord* clazz = tryGetClass(TiledClasses[TILED]);
    if (clazz == nullptr) return;
    Finalizer.clazz = clazz;
    Finalizer.finalizer = finalizeTiledLayer;
    registerNativeFinalizer(&Finalizer);
}

void Java_javax_microedition_lcdui_game_TiledLayer_createAnimatedTile() {
    int32_t staticTile = popInt();
    OBJECT self = popObject();
    checkStaticTile(self, staticTile);
    const TiledSlots& k = slots();
    int32_t count = field(self, k.animatedCount);
    if (count >= MAX_ANIMATED_TILES) {
        throwOutOfMemoryObject();
        return;
    }
    int32_t a = -(count + 1);
    const int32_t values[2] = {a, staticTile};
    MkLayer* record = recordOf(self);
    // the store may allocate a node: keep the layer where the collector can move it
    int32_t roots = TemporaryRootsLength;
    makeTemporaryRoot(&self);
    MkLayerSetAttribute(MK_LAYER_TILED, record, 6, values);
    TemporaryRootsLength = roots;
    // the record drops the store when it has no memory for another node
    int32_t stored;
    if (!readAnimated(record, a, &stored)) {
        throwOutOfMemoryObject();
        return;
    }
    setIntFieldByIndex(self, k.animatedCount, count + 1);
    pushInt(a);
}

void Java_javax_microedition_lcdui_game_TiledLayer_setAnimatedTile() {
    int32_t staticTile = popInt();
    int32_t a = popInt();
    OBJECT self = popObject();
    checkStaticTile(self, staticTile);
    checkAnimatedTile(self, a, "animated tile index is invalid");
    const int32_t values[2] = {a, staticTile};
    MkLayerSetAttribute(MK_LAYER_TILED, recordOf(self), 6, values);
}

void Java_javax_microedition_lcdui_game_TiledLayer_getAnimatedTile() {
    int32_t a = popInt();
    OBJECT self = popObject();
    checkAnimatedTile(self, a, "anmated tile index is invalid");
    int32_t tile;
    readAnimated(recordOf(self), a, &tile);
    pushInt(tile);
}

void Java_javax_microedition_lcdui_game_TiledLayer_setCell() {
    int32_t tile = popInt();
    int32_t row = popInt();
    int32_t col = popInt();
    OBJECT self = popObject();
    checkTile(self, tile);
    checkCell(self, col, row);
    fill(recordOf(self), col, row, 1, 1, tile);
}

void Java_javax_microedition_lcdui_game_TiledLayer_getCell() {
    int32_t row = popInt();
    int32_t col = popInt();
    OBJECT self = popObject();
    checkCell(self, col, row);
    const int32_t in[2] = {col, row};
    int32_t tile = 0;
    MkLayerGetAttribute(MK_LAYER_TILED, recordOf(self), 0, in, &tile);
    pushInt(tile);
}

void Java_javax_microedition_lcdui_game_TiledLayer_fillCells() {
    int32_t tile = popInt();
    int32_t rows = popInt();
    int32_t cols = popInt();
    int32_t row = popInt();
    int32_t col = popInt();
    OBJECT self = popObject();
    checkTile(self, tile);
    if (cols == 0 || rows == 0) return;
    if (cols < 1 || rows < 1) raiseExceptionWithMessage(IllegalArgument, "numCols or numRows is less than zero");
    const TiledSlots& k = slots();
    // in 64 bits: col + cols must not wrap past the grid's edge
    if (col < 0 || (int64_t)col > (int64_t)field(self, k.columns) - cols || row < 0 ||
        (int64_t)row > (int64_t)field(self, k.rows) - rows)
        raiseExceptionWithMessage(
            IndexOutOfBounds,
            "rectangular region defined by the parameters extends beyond the bounds of the TiledLayer grid");
    fill(recordOf(self), col, row, cols, rows, tile);
}

void Java_javax_microedition_lcdui_game_TiledLayer_paint() {
    OBJECT g = popObject();
    OBJECT self = popObject();
    const TiledSlots& k = slots();
    layerPaint(&k.peers, g, MK_LAYER_TILED, recordOf(self), field(self, k.layerX), field(self, k.layerY),
               (field(self, k.flags) & 1) != 0);
}
