// Natives of java/lang/Class, and the two of java/lang/Object that ask the VM for an
// object's class and hash code.
#pragma once

void Java_java_lang_Object_getClass();
void Java_java_lang_Object_hashCode();
void Java_java_lang_Class_isInterface();
void Java_java_lang_Class_isArray();
void Java_java_lang_Class_forName();
void Java_java_lang_Class_newInstance();
void Java_java_lang_Class_getName();
void Java_java_lang_Class_isInstance();
void Java_java_lang_Class_isAssignableFrom();
