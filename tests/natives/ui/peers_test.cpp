// The handles in the UI classes' Java int fields: a peer's address as a word and back,
// 0 and -1 as no peer (on a 64-bit host the word -1 is not the graphics layer's failure
// pointer, so it must never reach the layer as an address), and the natives that take a
// handle reach the very record it names.
#include <gtest/gtest.h>

#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "graphics/mk_layer.h"
#include "natives/lib/nativecall.h"
#include "natives/ui/peers.h"
#include "natives/ui/sprite_natives.h"
#include "natives/ui/tiledlayer_natives.h"
#include "platform/lowmem.h"

namespace {

TEST(Peers, HandlesAndAddresses) {
    void* block = lowCalloc(1, 36);
    ASSERT_NE(nullptr, block);
    const int32_t blockHandle = peerHandle(block);
    struct Case {
        const char* name;
        const void* peer;
        int32_t handle;  // what the Java field holds
        bool isPeer;
    };
    const Case cases[] = {
        {"a low block is its address", block, (int32_t)(uintptr_t)block, true},
        {"null is 0", nullptr, PEER_NONE, false},
        {"the layer's failure pointer is -1", MK_LAYER_FAILED, PEER_INVALID, false},
        {"the surface failure pointer is -1", MK_SURFACE_FAILED, PEER_INVALID, false},
        {"the context failure pointer is -1", MK_NO_CONTEXT, PEER_INVALID, false},
    };
    for (const Case& c : cases) {
        int32_t handle = peerHandle(c.peer);
        EXPECT_EQ(c.handle, handle) << c.name;
        EXPECT_EQ(c.isPeer, isPeer(handle)) << c.name;
        EXPECT_EQ(c.isPeer ? c.peer : nullptr, peerAt<const void>(handle)) << c.name;
        EXPECT_EQ(c.isPeer ? handle : 0, peerWord(handle)) << c.name << ": the word a layer request takes";
    }
    EXPECT_GT(blockHandle, 0) << "a low address reads as a non-negative Java int";
    lowFree(block);
}

TEST(PeersDeathTest, AnAddressAboveTheWindowEndsTheRun) {
    const void* high = (const void*)(uintptr_t)0x100000000ull;
    EXPECT_DEATH(peerHandle(high), "address 0x100000000 does not fit a 32-bit word");
}

// Natives that take a layer's handle as an argument: a live record is changed through
// it, and 0 or -1 (a layer whose record could not be made) leave everything alone.
TEST(Peers, LayerNativesReachTheRecordTheHandleNames) {
    const int32_t spriteParams[4] = {PEER_NONE, 0, 8, 8};
    MkLayer* sprite = MkLayerCreate(MK_LAYER_SPRITE, spriteParams);
    ASSERT_NE(MK_LAYER_FAILED, sprite);
    const int32_t tiledParams[6] = {PEER_NONE, 0, 4, 4, 3, 2};
    MkLayer* tiled = MkLayerCreate(MK_LAYER_TILED, tiledParams);
    ASSERT_NE(MK_LAYER_FAILED, tiled);
    const MkSprite* s = (const MkSprite*)sprite;
    const MkTiledLayer* t = (const MkTiledLayer*)tiled;

    struct Case {
        const char* name;
        int32_t spriteHandle, tiledHandle;
        bool changes;
    };
    const Case cases[] = {
        {"no record", PEER_NONE, PEER_NONE, false},
        {"a record that could not be made", PEER_INVALID, PEER_INVALID, false},
        {"live records", peerHandle(sprite), peerHandle(tiled), true},
    };
    int32_t n = 0;
    for (const Case& c : cases) {
        n++;
        NativeCall()
            .arg(c.spriteHandle)
            .arg(n)
            .arg(n + 1)
            .arg(5)
            .arg(6)
            .call(Java_javax_microedition_lcdui_game_Sprite_nativeSetCollisionRect);
        NativeCall()
            .arg(c.spriteHandle)
            .arg(3)
            .arg(2)
            .arg(8)
            .arg(8)
            .call(Java_javax_microedition_lcdui_game_Sprite_nativeCalculateTextureUV);
        NativeCall()
            .arg(c.tiledHandle)
            .arg(1)
            .arg(1)
            .arg(2)
            .arg(1)
            .arg(7)
            .call(Java_javax_microedition_lcdui_game_TiledLayer_nativeSetCells);
        EXPECT_EQ(c.changes ? n : 0, s->collisionX) << c.name;
        EXPECT_EQ(c.changes ? 5 : 8, s->collisionWidth) << c.name;
        EXPECT_EQ(c.changes ? 8 : 0, s->frameX) << c.name << ": frame 3 of two columns";
        EXPECT_EQ(c.changes ? 8 : 0, s->frameY) << c.name;
        EXPECT_EQ(c.changes ? 7 : 0, t->cells[1 * 3 + 1]) << c.name;
        EXPECT_EQ(c.changes ? 7 : 0, t->cells[1 * 3 + 2]) << c.name;
        EXPECT_EQ(0, t->cells[0]) << c.name << ": outside the filled cells";
    }
    MkLayerDestroy(MK_LAYER_SPRITE, sprite);
    MkLayerDestroy(MK_LAYER_TILED, tiled);
}

}  // namespace
