package com.movane.kiv;

/** The creation numbers that tell the toolkit which MIDP element a component serves. */
public final class KivMIDP {
    public static final int SCREEN_SCROLL_BAR = nativeGetScreenScrollBarNo();
    public static final int CHOICE_GROUP_MULTIPLE = nativeGetChoiceGroupMultipleNo();
    public static final int LIST_MULTIPLE = nativeGetListMultipleNo();
    public static final int CHOICE_GROUP_EXCLUSIVE = nativeGetChoiceGroupExclusiveNo();
    public static final int LIST_EXCLUSIVE = nativeGetListExclusiveNo();
    public static final int LIST_IMPLICIT = nativeGetListImplicitNo();
    public static final int CHOICE_GROUP_POPUP = nativeGetChoiceGroupPopupNo();
    public static final int COMMAND_MENU = nativeGetCommandMenuNo();
    public static final int TEXT_BOX = nativeGetTextBoxNo();
    public static final int TEXT_FIELD = nativeGetTextFieldNo();
    public static final int TICKER = nativeGetTickerNo();
    public static final int GAUGE_INTERACTIVE = nativeGetGaugeInteractiveNo();
    public static final int GAUGE_NON_INTERACTIVE = nativeGetGaugeNonInteractiveNo();
    public static final int DATE_FIELD = nativeGetDateFieldNo();
    public static final int ITEM_LABEL = nativeGetItemLabelNo();
    public static final int DISPLAYABLE_TITLE = nativeGetDisplayableTitleNo();
    public static final int STRINGITEM_BUTTON = nativeGetStringitemButtonNo();
    public static final int IMAGEITEM_BUTTON = nativeGetImageitemButtonNo();
    public static final int PERMISSION_DIALOG = nativeGetPermissionDialogNo();
    public static final int ALERT = nativeGetAlertNo();

    private KivMIDP() {
    }

    private static native int nativeGetScreenScrollBarNo();

    private static native int nativeGetChoiceGroupMultipleNo();

    private static native int nativeGetListMultipleNo();

    private static native int nativeGetChoiceGroupExclusiveNo();

    private static native int nativeGetListExclusiveNo();

    private static native int nativeGetListImplicitNo();

    private static native int nativeGetChoiceGroupPopupNo();

    private static native int nativeGetCommandMenuNo();

    private static native int nativeGetTextBoxNo();

    private static native int nativeGetTextFieldNo();

    private static native int nativeGetTickerNo();

    private static native int nativeGetGaugeInteractiveNo();

    private static native int nativeGetGaugeNonInteractiveNo();

    private static native int nativeGetDateFieldNo();

    private static native int nativeGetItemLabelNo();

    private static native int nativeGetDisplayableTitleNo();

    private static native int nativeGetStringitemButtonNo();

    private static native int nativeGetImageitemButtonNo();

    private static native int nativeGetPermissionDialogNo();

    private static native int nativeGetAlertNo();
}
