// The natives of javax.microedition.lcdui.Image: surfaces decoded, made from ARGB words
// or made writable, their sizes and pixels read back, released with the Image object.
#pragma once

void Java_javax_microedition_lcdui_Image_nativeCreateImage();
void Java_javax_microedition_lcdui_Image_nativeCreateRGBImage();
void Java_javax_microedition_lcdui_Image_nativeCreateCroppedImage();
void Java_javax_microedition_lcdui_Image_nativeCreateOffScreen();
void Java_javax_microedition_lcdui_Image_nativeGetImageWidth();
void Java_javax_microedition_lcdui_Image_nativeGetImageHeight();
void Java_javax_microedition_lcdui_Image_nativeGetRGBImage();
void Java_javax_microedition_lcdui_Image_nativeGetInvalidHandle();
void Java_javax_microedition_lcdui_Image_initializeFieldIndex();
void Java_javax_microedition_lcdui_Image_registNativeFinalizer();
