// The native peers behind the Java int fields of the UI classes (`_nId` of Graphics,
// Image, Font, Sprite and TiledLayer, GameCanvas.m_GfxContextID): the field holds the
// peer's address as a word. Contexts, surfaces and layer records come from the graphics
// layer's low-window allocator, fonts are the font layer's own static records, so every
// address fits. 0 and -1 stand for no peer.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum { PEER_NONE = 0, PEER_INVALID = -1 };

inline bool isPeer(int32_t handle) { return handle != PEER_NONE && handle != PEER_INVALID; }

// The peer a handle names; null for none. On a 64-bit host the word -1 is not the
// graphics layer's failure pointer (all ones), so it must never reach it as an address.
template <typename T>
inline T* peerAt(int32_t handle) {
    return isPeer(handle) ? p32Ptr<T>(handle) : nullptr;
}

// The handle of a peer: null stays 0, the graphics layer's failure pointer becomes -1.
inline int32_t peerHandle(const void* peer) {
    if (peer == (const void*)(intptr_t)-1) return PEER_INVALID;
    return p32Cell(peer);
}

// A handle as the graphics layer's word requests take it (layer parameters, collision
// requests): an address, or 0 when there is no peer.
inline int32_t peerWord(int32_t handle) { return isPeer(handle) ? handle : PEER_NONE; }
