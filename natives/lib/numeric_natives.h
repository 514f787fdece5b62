// Natives of the bit conversions of java/lang/Float and java/lang/Double, the functions of
// java/lang/Math, the generator of java/util/Random, the lookup and insertion of
// com/movane/util/StringKeyHashtable and the ring of com/movane/util/IntRingBuffer.
#pragma once

void Java_java_lang_Float_floatToIntBits();
void Java_java_lang_Float_intBitsToFloat();
void Java_java_lang_Double_doubleToLongBits();
void Java_java_lang_Double_longBitsToDouble();

void Java_java_lang_Math_ceil();
void Java_java_lang_Math_floor();
void Java_java_lang_Math_sqrt();
void Java_java_lang_Math_sin();
void Java_java_lang_Math_cos();
void Java_java_lang_Math_tan();

void Java_java_util_Random_nativeInit();
void Java_java_util_Random_setSeed();
void Java_java_util_Random_next();
void Java_java_util_Random_nextInt__();
void Java_java_util_Random_nextInt__I();
void Java_java_util_Random_nextLong();

void Java_com_movane_util_StringKeyHashtable_get();
void Java_com_movane_util_StringKeyHashtable_containsKey();
void Java_com_movane_util_StringKeyHashtable_nativePut();

void Java_com_movane_util_IntRingBuffer_initializeFieldIndex();
void Java_com_movane_util_IntRingBuffer_write5();
void Java_com_movane_util_IntRingBuffer_read();
