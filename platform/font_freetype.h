// The glyph renderer of the programs: FreeType, monochrome, with Liberation Sans (faces
// 0 and 1) and Liberation Serif (face 2) in their regular, bold, italic and bold italic
// files, and IPAGothic for the characters those lack. Fonts are sized so that ascent
// plus descent fill the cell height.
#pragma once

#include "platform/font.h"

// The renderer, or null when FreeType or the Liberation Sans face cannot be loaded.
const FontRenderer* FontFreeTypeRenderer(void);
// Releases FreeType and the faces; the next FontFreeTypeRenderer loads them again.
void FontFreeTypeRelease(void);
