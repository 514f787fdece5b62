// The posting natives of UiEventHandler (MIDP, repaint, set-current and size-changed
// events on the VM's user-interface queues) and the alert sound of AlertType.
#pragma once

void Java_javax_microedition_lcdui_UiEventHandler_nativePostMIDPEvent();
void Java_javax_microedition_lcdui_UiEventHandler_nativePostRepaintEvent();
void Java_javax_microedition_lcdui_UiEventHandler_nativePostSetCurrentEvent();
void Java_javax_microedition_lcdui_UiEventHandler_nativePostSizeChangedEvent();
void Java_javax_microedition_lcdui_AlertType_nativePlaySound();
