// Natives of java/lang/Runtime, Throwable, ref/WeakReference and Long.toString.
#pragma once

void Java_java_lang_Runtime_exitInternal();
void Java_java_lang_Runtime_freeMemory();
void Java_java_lang_Runtime_totalMemory();
void Java_java_lang_Runtime_gc();
void Java_java_lang_Throwable_printStackTrace0();
void Java_java_lang_Throwable_nativeSysLogPrint();
void Java_java_lang_Throwable_nativeIsSysLog();
void Java_java_lang_ref_WeakReference_initializeWeakReference();
void Java_java_lang_Long_toString();
