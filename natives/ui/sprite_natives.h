// Natives of javax/microedition/lcdui/game/Sprite. The Java object keeps position,
// frames and the transformed geometry in int fields that these natives read and write
// by slot; the MkLayer record in `_nId` keeps what painting and collision need.
#pragma once

#include <stdint.h>

void Java_javax_microedition_lcdui_game_Sprite_initializeFieldIndex();
void Java_javax_microedition_lcdui_game_Sprite_nativeCreatePrimitive();
void Java_javax_microedition_lcdui_game_Sprite_nativeSetTexture();
void Java_javax_microedition_lcdui_game_Sprite_nativeSetCollisionRect();
void Java_javax_microedition_lcdui_game_Sprite_nativeCalculateTextureUV();
void Java_javax_microedition_lcdui_game_Sprite_registNativeFinalizer();
void Java_javax_microedition_lcdui_game_Sprite_setTransform();
void Java_javax_microedition_lcdui_game_Sprite_defineReferencePixel();
void Java_javax_microedition_lcdui_game_Sprite_setRefPixelPosition();
void Java_javax_microedition_lcdui_game_Sprite_getRefPixelX();
void Java_javax_microedition_lcdui_game_Sprite_getRefPixelY();
void Java_javax_microedition_lcdui_game_Sprite_setFrame();
void Java_javax_microedition_lcdui_game_Sprite_nextFrame();
void Java_javax_microedition_lcdui_game_Sprite_prevFrame();
void Java_javax_microedition_lcdui_game_Sprite_paint();
void Java_javax_microedition_lcdui_game_Sprite_defineCollisionRectangle();
void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_Sprite_2Z();
void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_game_TiledLayer_2Z();
void Java_javax_microedition_lcdui_game_Sprite_collidesWith__Ljavax_microedition_lcdui_Image_2IIZ();

// The geometry of a frame under a MIDP transform: the collision rectangle, the layer's
// width and height and the reference pixel, each as the screen shows them.
struct SpriteGeometry {
    int32_t collisionX, collisionY, collisionW, collisionH;
    int32_t width, height;
    int32_t refX, refY;
};
// False for a transform outside 0-7. collision is {x, y, w, h} in the untransformed frame.
bool spriteTransformGeometry(uint32_t transform, int32_t frameW, int32_t frameH, const int32_t collision[4],
                             int32_t refX, int32_t refY, SpriteGeometry* out);
