// Natives of java/lang/System.
#pragma once

void Java_java_lang_System_identityHashCode();
void Java_java_lang_System_arraycopy();
void Java_java_lang_System_currentTimeMillis();
void Java_java_lang_System_getProperty0();
