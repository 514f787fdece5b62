// Natives of the bit conversions of java/lang/Float and java/lang/Double.
#pragma once

void Java_java_lang_Float_floatToIntBits();
void Java_java_lang_Float_intBitsToFloat();
void Java_java_lang_Double_doubleToLongBits();
void Java_java_lang_Double_longBitsToDouble();
