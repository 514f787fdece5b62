// Natives of java/lang/String and java/lang/StringBuffer. A buffer and the strings made
// from it share one char[] until the buffer changes a character a string can see.
#pragma once

#include <stdint.h>

// StringBuffer field slots.
enum { STRINGBUFFER_VALUE_SLOT = 0, STRINGBUFFER_COUNT_SLOT = 1, STRINGBUFFER_SHARED_SLOT = 2 };

void Java_java_lang_String_charAt();
void Java_java_lang_String_indexOf__I();
void Java_java_lang_String_indexOf__II();
void Java_java_lang_String_lastIndexOfChar();
void Java_java_lang_String_indexOfString();
void Java_java_lang_String_equals();
void Java_java_lang_String_hashCode();
void Java_java_lang_String_startsWith();
void Java_java_lang_String_compareTo();
void Java_java_lang_String_regionMatches();
void Java_java_lang_String_toLowerCase();
void Java_java_lang_String_toUpperCase();
void Java_java_lang_String_replace();
void Java_java_lang_String_trim();
void Java_java_lang_String_newString();
void Java_java_lang_String_intern();

void Java_java_lang_StringBuffer_append__Ljava_lang_String_2();
void Java_java_lang_StringBuffer_append__I();
void Java_java_lang_StringBuffer_append___3C();
void Java_java_lang_StringBuffer_append___3CII();
void Java_java_lang_StringBuffer_append__C();
void Java_java_lang_StringBuffer_toString();
void Java_java_lang_StringBuffer_ensureCapacity();
void Java_java_lang_StringBuffer_charAt();
void Java_java_lang_StringBuffer_setLength();
void Java_java_lang_StringBuffer_getChars();
void Java_java_lang_StringBuffer_setCharAt();
void Java_java_lang_StringBuffer_delete();
void Java_java_lang_StringBuffer_deleteCharAt();
void Java_java_lang_StringBuffer_insert__ILjava_lang_String_2();
void Java_java_lang_StringBuffer_insert__I_3C();
void Java_java_lang_StringBuffer_insert__IC();
void Java_java_lang_StringBuffer_reverse();

// ISO 8859-1 case mapping; other characters have no case.
bool isLowerCaseChar(uint16_t c);
bool isUpperCaseChar(uint16_t c);
uint16_t toLowerCaseChar(uint16_t c);
uint16_t toUpperCaseChar(uint16_t c);
