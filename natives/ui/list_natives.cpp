// List-family peer natives.
#include "natives/ui/list_natives.h"

#include "natives/ui/kiv_natives.h"
#include "toolkit/guitk_choice.h"
#include "toolkit/guitk_list.h"
#include "toolkit/guitk_listbox.h"
#include "toolkit/guitk_menu.h"
#include "toolkit/guitk_popup.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

// One finalizer record per class in the run's data, its finalizer deleting the peer.
#define KIV_LIST_LIFETIME(kind)                                                       \
    static VMBSS NativeFinalizerRecord kind##Finalizer;                               \
    static int32_t kind##Finalize(OBJECT object, NativeFinalizerRecord*) {            \
        return kivPeerFinalize(object, kind##Delete);                                 \
    }                                                                                 \
    void Java_com_movane_kiv_##kind##_nativeInit() {                                  \
        kivPeerInit(&kind##Finalizer, "com/movane/kiv/" #kind, kind##Finalize);       \
    }                                                                                 \
    void Java_com_movane_kiv_##kind##_nativeCreate() { kivPeerCreate(kind##Create); } \
    void Java_com_movane_kiv_##kind##_nativeDelete() { kind##Delete(popInt()); }

KIV_LIST_LIFETIME(KivRadioButton)
KIV_LIST_LIFETIME(KivCheckBox)
KIV_LIST_LIFETIME(KivImplicitList)
KIV_LIST_LIFETIME(KivPopUpList)
KIV_LIST_LIFETIME(KivCommandMenu)
#undef KIV_LIST_LIFETIME

// (index, value) setters of one item.
template <typename A>
static void itemSetter(void (*operation)(int32_t, int32_t, A)) {
    int32_t value = popInt(), index = popInt();
    operation(kivGetHandle(popObject()), index, (A)value);
}

void Java_com_movane_kiv_KivList_insertItem() {
    int32_t index = popInt();
    if (KivListInsertItem(kivGetHandle(popObject()), index) < 0) throwOutOfMemoryObject();
}

void Java_com_movane_kiv_KivList_removeItem() { kivCallSetter(KivListRemoveItem); }
void Java_com_movane_kiv_KivList_getSize() { kivCallGetter(KivListGetSize); }

void Java_com_movane_kiv_KivList_setText() {
    StringInstance* text = (StringInstance*)popObject();
    int32_t index = popInt();
    int32_t handle = kivGetHandle(popObject());
    int32_t result;
    if (text == nullptr) {
        result = KivListSetText(handle, index, nullptr, 0);
    } else {
        // pinned: the toolkit allocates while it copies the characters
        if (lockStringChars(text) == nullptr) throwPendingException();
        result = KivListSetText(handle, index, getStringCharsPointer(text), getStringLength(text));
        unlockStringChars(text);
    }
    if (result < 0) throwOutOfMemoryObject();
}

void Java_com_movane_kiv_KivList_setFont() { itemSetter(KivListSetFont); }
void Java_com_movane_kiv_KivList_setImage() { itemSetter(KivListSetImage); }
void Java_com_movane_kiv_KivList_setOffScreen() { itemSetter(KivListSetOffScreen); }
void Java_com_movane_kiv_KivList_setSelected() { itemSetter(KivListSetSelected); }

void Java_com_movane_kiv_KivList_isSelected() {
    int32_t index = popInt();
    pushInt(KivListIsSelected(kivGetHandle(popObject()), index) != 0);
}

void Java_com_movane_kiv_KivList_getSelectedIndex() { kivCallGetter(KivListGetSelectedIndex); }
void Java_com_movane_kiv_KivList_setWrapPolicy() { kivCallSetter(KivListSetWrapPolicy); }
void Java_com_movane_kiv_KivList_getWrapPolicy() { kivCallGetter(KivListGetWrapPolicy); }
void Java_com_movane_kiv_KivList_getPrefImageWidth() { pushInt(KivListGetPrefImageWidth()); }
void Java_com_movane_kiv_KivList_getPrefImageHeight() { pushInt(KivListGetPrefImageHeight()); }
void Java_com_movane_kiv_KivList_setTitle() { kivSetText(KivListSetTitle); }

void Java_com_movane_kiv_KivListBox_setFocusedIndex() { kivCallSetter(KivListBoxSetFocusedIndex); }
void Java_com_movane_kiv_KivListBox_getFocusedIndex() { kivCallGetter(KivListBoxGetFocusedIndex); }
