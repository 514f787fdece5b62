// The natives of the list-like component peers of com.movane.kiv: the item operations
// every list shares (KivList), the focus of a list box (KivListBox), and the lifetime of
// the radio-button, check-box, implicit, pop-up list and command-menu kinds.
#pragma once

// clang-format off
#define KIV_LIST_NATIVES(X)                                                                            \
    X(KivList, insertItem) X(KivList, removeItem) X(KivList, getSize) X(KivList, setText)              \
    X(KivList, setFont) X(KivList, setImage) X(KivList, setOffScreen) X(KivList, setSelected)          \
    X(KivList, isSelected) X(KivList, getSelectedIndex) X(KivList, setWrapPolicy)                      \
    X(KivList, getWrapPolicy) X(KivList, getPrefImageWidth) X(KivList, getPrefImageHeight)             \
    X(KivList, setTitle)                                                                               \
    X(KivListBox, setFocusedIndex) X(KivListBox, getFocusedIndex)                                      \
    X(KivRadioButton, nativeInit) X(KivRadioButton, nativeCreate) X(KivRadioButton, nativeDelete)      \
    X(KivCheckBox, nativeInit) X(KivCheckBox, nativeCreate) X(KivCheckBox, nativeDelete)               \
    X(KivImplicitList, nativeInit) X(KivImplicitList, nativeCreate) X(KivImplicitList, nativeDelete)   \
    X(KivPopUpList, nativeInit) X(KivPopUpList, nativeCreate) X(KivPopUpList, nativeDelete)            \
    X(KivCommandMenu, nativeInit) X(KivCommandMenu, nativeCreate) X(KivCommandMenu, nativeDelete)
// clang-format on

#define KIV_DECLARE_LIST_NATIVE(kind, name) void Java_com_movane_kiv_##kind##_##name();
KIV_LIST_NATIVES(KIV_DECLARE_LIST_NATIVE)
#undef KIV_DECLARE_LIST_NATIVE
