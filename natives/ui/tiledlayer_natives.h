// Natives of javax/microedition/lcdui/game/TiledLayer: they check cell and tile
// arguments against the Java object's int fields and drive the tiled-layer MkLayer
// record in `_nId`.
#pragma once

void Java_javax_microedition_lcdui_game_TiledLayer_initializeFieldIndex();
void Java_javax_microedition_lcdui_game_TiledLayer_nativeCreatePrimitive();
void Java_javax_microedition_lcdui_game_TiledLayer_nativeSetTexture();
void Java_javax_microedition_lcdui_game_TiledLayer_nativeSetCells();
void Java_javax_microedition_lcdui_game_TiledLayer_registNativeFinalizer();
void Java_javax_microedition_lcdui_game_TiledLayer_createAnimatedTile();
void Java_javax_microedition_lcdui_game_TiledLayer_setAnimatedTile();
void Java_javax_microedition_lcdui_game_TiledLayer_getAnimatedTile();
void Java_javax_microedition_lcdui_game_TiledLayer_setCell();
void Java_javax_microedition_lcdui_game_TiledLayer_getCell();
void Java_javax_microedition_lcdui_game_TiledLayer_fillCells();
void Java_javax_microedition_lcdui_game_TiledLayer_paint();
