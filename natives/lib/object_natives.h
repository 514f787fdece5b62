// Natives of java/lang/Object that wait on and notify an object's monitor.
#pragma once

void Java_java_lang_Object_wait0();
void Java_java_lang_Object_notify();
void Java_java_lang_Object_notifyAll();
