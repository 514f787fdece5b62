// Text component, string item, screen and GUI-event natives.
#include "natives/ui/item_natives.h"

#include <stdio.h>

#include "natives/lib/nativestack.h"
#include "natives/ui/graphics_natives.h"
#include "natives/ui/kiv_natives.h"
#include "natives/ui/peers.h"
#include "platform/font.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/native.h"

namespace {

// The int fields of AbstractKivGUIEvent, in this order.
enum {
    GUI_EVENT_ID,
    GUI_EVENT_COMPONENT,
    GUI_EVENT_TYPE,
    GUI_EVENT_PARAM1,
    GUI_EVENT_PARAM2,
    GUI_EVENT_PARAM3,
    GUI_EVENT_PARAM4,
    GUI_EVENT_RESPONSE,
    GUI_EVENT_FIELDS
};
const char* const GuiEventFieldNames[GUI_EVENT_FIELDS] = {"eventID", "componentHandle", "type",   "param1",
                                                          "param2",  "param3",          "param4", "responseHandler"};

struct ItemState {
    cell* guiEventFields;  // permanent record of GUI_EVENT_FIELDS slot indexes
    int32_t extraCheckField, textBoxField;
    int32_t textFieldComponent, textBoxComponent;
};
VMBSS ItemState Items;

// 1 when the class exists, after its int field's slot is kept.
void resolveField(const char* className, const char* field, const char* signature, int32_t* slot) {
    ClassRecord* clazz = tryGetClass(className);
    if (clazz != nullptr) *slot = getFieldIndex(field, signature, clazz);
    pushInt(clazz != nullptr);
}

// Leaves the exception pending; the native returns without a result.
void refuseIndex(const char* field, int32_t value) {
    char message[48];
    snprintf(message, sizeof message, "%s: %ld", field, (long)value);
    tryRaiseExceptionWithMessage(IllegalArgumentExceptionName, message);
}

}  // namespace

// ---- text components -------------------------------------------------------------------

void Java_javax_microedition_lcdui_TextComponent_nativeInit() {
    ClassRecord* clazz = tryGetClass("javax/microedition/lcdui/TextComponent");
    if (clazz != nullptr) {
        Items.extraCheckField = getFieldIndex("extraChkFunc", "I", clazz);
        Items.textBoxField = getFieldIndex("kivTextBox", "Lcom/movane/kiv/KivTextBox;", clazz);
    }
    pushInt(clazz != nullptr);
}

void Java_javax_microedition_lcdui_TextField_nativeInit() {
    resolveField("javax/microedition/lcdui/TextField", "textComponent", "Ljavax/microedition/lcdui/TextComponent;",
                 &Items.textFieldComponent);
}

void Java_javax_microedition_lcdui_TextBox_nativeInit() {
    resolveField("javax/microedition/lcdui/TextBox", "textComponent", "Ljavax/microedition/lcdui/TextComponent;",
                 &Items.textBoxComponent);
}

// The field names a check by index; none is known, so any index but 0 is refused rather
// than called.
void Java_javax_microedition_lcdui_TextComponent_nativeExtraCheck() {
    popObject();  // the text: only a check would read it
    popInt();     // the constraints
    int32_t check = getIntFieldByIndex(popObject(), Items.extraCheckField);
    if (check < 0 || check > TEXT_EXTRA_CHECKS) {
        refuseIndex("extraChkFunc", check);
        return;
    }
    pushInt(1);
}

// ---- string item and screen ------------------------------------------------------------

void Java_javax_microedition_lcdui_StringItem_nativeGetDrawableCount() {
    int32_t width = popInt(), offset = popInt();
    StringInstance* text = (StringInstance*)popObject();
    const MkFont* font = peerAt<const MkFont>(popInt());
    if (text == nullptr) {
        pushInt(0);
        return;
    }
    if (lockStringChars(text) == nullptr) throwPendingException();
    int32_t length = getStringLength(text);
    int32_t count = font == nullptr || offset < 0 || offset > length
                        ? 0
                        : FontFitChars(font, getStringCharsPointer(text) + offset, length - offset, width);
    unlockStringChars(text);
    pushInt(count);
}

void Java_javax_microedition_lcdui_Screen_nativeSystemExit() { vmExitLongjmp(-127); }

// ---- GUI events ------------------------------------------------------------------------

void Java_com_movane_kiv_AbstractKivGUIEvent_nativeInit() {
    Items.guiEventFields = callocPermanentObject(GUI_EVENT_FIELDS);
    ClassRecord* clazz = tryGetClass("com/movane/kiv/AbstractKivGUIEvent");
    if (clazz == nullptr) {
        pushInt(0);
        return;
    }
    for (int i = 0; i < GUI_EVENT_FIELDS; i++)
        Items.guiEventFields[i] = getFieldIndex(GuiEventFieldNames[i], "I", clazz);
    pushInt(1);
}

// The completion a request's callback word names, as an index; -1 for none.
void Java_com_movane_kiv_AbstractKivGUIEvent_nativeResponseIndex() { pushInt(kivCompletionIndex(popInt())); }

void Java_com_movane_kiv_KivGUIEvent_notifyDone() {
    OBJECT event = popObject();
    const cell* fields = Items.guiEventFields;
    int32_t response[GUI_EVENT_RESPONSE];
    for (int i = 0; i < GUI_EVENT_RESPONSE; i++) response[i] = getIntFieldByIndex(event, (int)fields[i]);
    int32_t index = getIntFieldByIndex(event, (int)fields[GUI_EVENT_RESPONSE]);
    if (index == KIV_NO_COMPLETION) return;
    if (kivRunCompletion(index, response) == 0) refuseIndex("responseHandler", index);
}
