// The text input layer.
#include "toolkit/guitk_textinput.h"

#include "toolkit/guitk_container.h"
#include "toolkit/guitk_editorpeer.h"
#include "toolkit/guitk_event.h"
#include "toolkit/guitk_layout.h"
#include "toolkit/guitk_string.h"

namespace {

VMBSS int32_t* EditorMode;

#define FIELD(name) ((int32_t)offsetof(GuiTkTextInput, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TEXTINPUT, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_TEXTINPUT, position, value);
}

bool fail(int32_t code) {
    GuiTkFatalError(code);
    return false;
}

inline int32_t lengthOf(int32_t string) { return string == -1 ? 0 : StrGetLength(string); }

// A growable string of the capacity holding the first count units of from (-1: none).
int32_t copyOf(int32_t from, int32_t count, int32_t capacity) {
    int32_t string = StrCreateWithCapacity(capacity);
    if (string == -1 || count == 0) return string;
    const uint16_t* chars = StrLockChars(from);
    if (chars != nullptr) {
        StrSetChars(string, chars, count);
        StrUnlockChars(from);
    }
    return string;
}

// A new text string replaces the old one: the layout follows it.
void replaceText(int32_t c, int32_t old, int32_t text) {
    setField(c, FIELD(text), text);
    LineLayoutSetText(getField(c, FIELD(layout)), text);
    if (old != -1) StrDestroy(old);
}

void clampCaret(int32_t c, int32_t length) {
    if (getField(c, FIELD(caret)) > length) setField(c, FIELD(caret), length);
}

// A word setter: nothing when unchanged, else store and send (new, old).
void setWord(int32_t c, int32_t position, int32_t value, int32_t message) {
    int32_t old = getField(c, position);
    if (old == value) return;
    setField(c, position, value);
    CompSendMessage2(c, message, value, old);
}

void setFlag(int32_t c, int32_t position, int32_t value, int32_t message) {
    if (value != 0 && value != 1) {
        fail(GUITK_ERROR_ARGUMENT);
        return;
    }
    setWord(c, position, value, message);
}

// A fixed string of the characters; -2 for a bad argument (fatal 3), -1 when it
// cannot be made.
int32_t fixedString(const uint16_t* chars, int32_t length) {
    if (length < 0 || (chars == nullptr && length > 0)) {
        fail(GUITK_ERROR_ARGUMENT);
        return -2;
    }
    return StrCreateFromChars(chars, length);
}

int32_t storeIndicatorText(int32_t c, const uint16_t* chars, int32_t length, bool announce) {
    int32_t string = fixedString(chars, length);
    if (string < 0) return -1;
    int32_t old = getField(c, FIELD(inputModeText));
    setField(c, FIELD(inputModeText), string);
    if (old != -1) StrDestroy(old);
    setWord(c, FIELD(indicatorOff), 0, GUITK_TEXT_MSG_INDICATOR_OFF);
    if (announce) CompSendMessage1(c, GUITK_TEXT_MSG_INPUT_MODE_TEXT, string);
    return 0;
}

bool isLive(int32_t c) {
    for (int32_t k = CompGetNext(-1); k != -1; k = CompGetNext(k))
        if (k == c) return true;
    return false;
}

// The deferred start of editing: the platform editor was asked for on activation; the
// component may have left the Active state, or been deleted, before this runs.
void startEditing(int32_t* block) {
    int32_t c = block[1];
    if (!isLive(c)) return;
    GuiTkTextInput* r = (GuiTkTextInput*)GuiTkLockHandle(c);
    if (r == nullptr) return;
    bool ours = r->tag == GUITK_TAG_TEXTINPUT;
    if (ours && r->base.editing != 0) r->editing = 1;
    GuiTkUnlockHandle(c);
}

void applyEditingRule(int32_t c, int32_t state, int32_t old) {
    if (CompGetFocusPolicy(c) != GUITK_FOCUS_OCCUPY) return;
    if (old < GUITK_STATE_ACTIVE && state > GUITK_STATE_FOCUSED) {
        if (getField(c, FIELD(editable)) == 0) return;
        if (*EditorMode == 1) {
            CompSetEditingFlag(c, 1);
            CompSendEvent(startEditing, c);
        } else {
            setField(c, FIELD(editing), 1);
        }
    } else if (old > GUITK_STATE_FOCUSED && state < GUITK_STATE_ACTIVE) {
        setField(c, FIELD(editing), 0);
        if (CompGetEditingFlag(c)) {
            CompSetEditingFlag(c, 0);
            CompPostRequest(c, GUITK_EVENT_EDITOR_CLOSED);
        }
        CompPostRequest(c, GUITK_EVENT_EDIT_ENDED);
    }
}

}  // namespace

int32_t KivTextInputModuleInit(int32_t, const void*) {
    EditorMode = (int32_t*)GuiTkAlloc((int32_t)sizeof(int32_t));
    if (EditorMode == nullptr) return -1;
    *EditorMode = 1;
    return 0;
}

int32_t KivTextInputModuleFini(void) {
    if (EditorMode != nullptr) GuiTkFree(EditorMode);
    EditorMode = nullptr;
    return 0;
}

void KivTextInputSetEditorMode(int32_t mode) {
    if (mode != 0 && mode != 1)
        fail(GUITK_ERROR_ARGUMENT);
    else
        *EditorMode = mode;
}

int32_t KivTextInputGetEditorMode(void) { return *EditorMode; }

int32_t TextInputInit(int32_t handle, GuiTkTextInput* r, GuiTkHandler handler, GuiTkKeyHook keyHook,
                      GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook, int32_t createParam, int32_t type) {
    int32_t layout = LineLayoutCreate();
    if (layout == -1) return 0;
    if (!CompInitObject(handle, &r->base, handler, keyHook, activeKeyHook, pointerHook, createParam, type)) {
        LineLayoutDestroy(layout);
        return 0;
    }
    r->tag = GUITK_TAG_TEXTINPUT;
    r->editable = 1;
    r->maxSize = -1;
    r->text = -1;
    r->constraints = 0;
    r->indicatorOff = 0;
    r->inputModeText = -1;
    r->caret = 0;
    r->password = 0;
    r->sensitive = 0;
    r->predictive = 1;
    r->capitalMode = 0;
    r->allowedLineBreak = 1;
    r->editing = 0;
    r->title = -1;
    r->layout = layout;
    return 1;
}

void TextInputDetach(int32_t handle, GuiTkTextInput*) { CompDetachFromParent(handle); }

void TextInputFinalize(GuiTkTextInput* r) {
    if (r->text != -1) StrDestroy(r->text);
    LineLayoutDestroy(r->layout);
    r->text = -1;
    r->layout = -1;
    r->tag = 0;
    CompUnlink(&r->base);
}

int32_t TextInputHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_TEXT_MSG_TEXT:
            clampCaret(c, m->a1 == -1 ? 0 : StrGetLength(m->a1));
            CompRequestUpdate(c);
            return 0;
        case GUITK_TEXT_MSG_MAX_SIZE:
        case GUITK_TEXT_MSG_CONSTRAINTS:
        case GUITK_TEXT_MSG_INPUT_MODE_TEXT:
        case GUITK_TEXT_MSG_EDITABLE:
        case GUITK_TEXT_MSG_PASSWORD:
        case GUITK_TEXT_MSG_SENSITIVE:
        case GUITK_TEXT_MSG_PREDICTIVE:
        case GUITK_TEXT_MSG_CAPITAL_MODE:
        case GUITK_TEXT_MSG_TITLE:
            return 0;
        case GUITK_MSG_STATE:
            applyEditingRule(c, m->a1, m->a2);
            return CompDefaultHandler(m);
        default:
            return CompDefaultHandler(m);
    }
}

// Text.

int32_t KivTextInputStoreText(int32_t c, const uint16_t* chars, int32_t length) {
    if (length < 0 || (chars == nullptr && length > 0)) return fail(GUITK_ERROR_ARGUMENT), -1;
    int32_t maximum = getField(c, FIELD(maxSize)), text = getField(c, FIELD(text));
    if (maximum != -1) {
        if (length > maximum) return fail(GUITK_ERROR_ARGUMENT), -1;
        if (text == -1) return fail(GUITK_ERROR_STATE), -1;
        StrSetChars(text, chars, length);
    } else if (text == -1 || StrGetCapacity(text) < length) {
        int32_t grown = StrCreateWithCapacity(length);
        if (grown == -1) return -1;
        // filled before the old one goes: the characters may be the old text's own
        StrSetChars(grown, chars, length);
        replaceText(c, text, grown);
        return 0;
    } else {
        StrSetChars(text, chars, length);
    }
    LineLayoutSetText(getField(c, FIELD(layout)), text);
    return 0;
}

int32_t KivTextInputSetText(int32_t c, const uint16_t* chars, int32_t length) {
    if (KivTextInputStoreText(c, chars, length) != 0) return -1;
    CompSendMessage1(c, GUITK_TEXT_MSG_TEXT, getField(c, FIELD(text)));
    return 0;
}

int32_t KivTextInputInsertText(int32_t c, const uint16_t* chars, int32_t count, int32_t position) {
    if (count < 0 || (chars == nullptr && count > 0)) return fail(GUITK_ERROR_ARGUMENT), -1;
    int32_t maximum = getField(c, FIELD(maxSize)), text = getField(c, FIELD(text));
    int32_t length = lengthOf(text);
    // checked before anything is replaced, so that a refused insertion changes nothing
    if (position < 0 || position > length || count > GUITK_STRING_MAX_CAPACITY - 1 - length)
        return fail(GUITK_ERROR_ARGUMENT), -1;
    int32_t total = length + count;
    if (maximum != -1) {
        if (total > maximum) return fail(GUITK_ERROR_ARGUMENT), -1;
        if (text == -1) return fail(GUITK_ERROR_STATE), -1;
        StrInsertChars(text, chars, count, position);
    } else if (text == -1 || StrGetCapacity(text) < total) {
        int32_t grown = copyOf(text, length, total);
        if (grown == -1) return -1;
        StrInsertChars(grown, chars, count, position);
        replaceText(c, text, grown);
        text = grown;
    } else {
        StrInsertChars(text, chars, count, position);
    }
    LineLayoutSetText(getField(c, FIELD(layout)), text);
    CompSendMessage1(c, GUITK_TEXT_MSG_TEXT, text);
    return 0;
}

void KivTextInputDeleteText(int32_t c, int32_t start, int32_t count) {
    int32_t text = getField(c, FIELD(text));
    if (text == -1 && count != 0) {
        fail(GUITK_ERROR_STATE);
        return;
    }
    if (count != 0) {
        int32_t length = StrGetLength(text);
        if (start < 0 || count < 0 || start > length || count > length - start) {
            fail(GUITK_ERROR_ARGUMENT);
            return;
        }
        StrDeleteChars(text, start, count);
        LineLayoutSetText(getField(c, FIELD(layout)), text);
    }
    CompSendMessage1(c, GUITK_TEXT_MSG_TEXT, text);
}

int32_t KivTextInputGetText(int32_t c) { return getField(c, FIELD(text)); }
int32_t KivTextInputGetTextLength(int32_t c) { return lengthOf(getField(c, FIELD(text))); }

int32_t KivTextInputSetMaxSize(int32_t c, int32_t size) {
    if (size < -1) return fail(GUITK_ERROR_ARGUMENT), -1;
    int32_t old = getField(c, FIELD(maxSize));
    if (size == old) return old;
    int32_t result = -1;
    if (size != -1) {
        result = GuiTkEditorPeers.MgurClampTextSize(c, size);
        if (result < 0) result = 0;
        if (result > size) result = size;
        if (result == old) return old;
        int32_t text = getField(c, FIELD(text)), length = lengthOf(text);
        int32_t kept = length < result ? length : result;
        int32_t string = copyOf(text, kept, result);
        if (string == -1) return -1;
        replaceText(c, text, string);
        // a caret past the kept characters would point into text that is gone
        clampCaret(c, kept);
        CompRequestUpdate(c);
    }
    setField(c, FIELD(maxSize), result);
    CompSendMessage2(c, GUITK_TEXT_MSG_MAX_SIZE, result, old);
    return result;
}

int32_t KivTextInputGetMaxSize(int32_t c) { return getField(c, FIELD(maxSize)); }

// Flags and words.

void KivTextInputSetConstraints(int32_t c, int32_t constraints) {
    setWord(c, FIELD(constraints), constraints, GUITK_TEXT_MSG_CONSTRAINTS);
}
int32_t KivTextInputGetConstraints(int32_t c) { return getField(c, FIELD(constraints)); }
void KivTextInputSetEditable(int32_t c, int32_t flag) { setFlag(c, FIELD(editable), flag, GUITK_TEXT_MSG_EDITABLE); }
int32_t KivTextInputIsEditable(int32_t c) { return getField(c, FIELD(editable)); }
void KivTextInputSetPassword(int32_t c, int32_t flag) { setFlag(c, FIELD(password), flag, GUITK_TEXT_MSG_PASSWORD); }
int32_t KivTextInputIsPassword(int32_t c) { return getField(c, FIELD(password)); }
void KivTextInputSetSensitive(int32_t c, int32_t flag) { setFlag(c, FIELD(sensitive), flag, GUITK_TEXT_MSG_SENSITIVE); }
int32_t KivTextInputIsSensitive(int32_t c) { return getField(c, FIELD(sensitive)); }
void KivTextInputSetPredictive(int32_t c, int32_t flag) {
    setFlag(c, FIELD(predictive), flag, GUITK_TEXT_MSG_PREDICTIVE);
}
int32_t KivTextInputIsPredictive(int32_t c) { return getField(c, FIELD(predictive)); }
void KivTextInputSetCapitalMode(int32_t c, int32_t mode) {
    if (mode < 0 || mode > 2)
        fail(GUITK_ERROR_ARGUMENT);
    else
        setWord(c, FIELD(capitalMode), mode, GUITK_TEXT_MSG_CAPITAL_MODE);
}
int32_t KivTextInputGetCapitalMode(int32_t c) { return getField(c, FIELD(capitalMode)); }
void KivTextInputSetAllowedLineBreak(int32_t c, int32_t flag) {
    setFlag(c, FIELD(allowedLineBreak), flag, GUITK_TEXT_MSG_LINE_BREAK);
}
int32_t KivTextInputIsAllowedLineBreak(int32_t c) { return getField(c, FIELD(allowedLineBreak)); }

void KivTextInputSetIndicatorOff(int32_t c, int32_t flag) {
    int32_t old = getField(c, FIELD(indicatorOff));
    if (flag == old) return;
    if (old == 0 && flag == 1) {
        // the indicator goes blank before it is switched off
        int32_t empty = StrCreateFromChars(nullptr, 0);
        if (empty == -1) return;
        int32_t previous = getField(c, FIELD(inputModeText));
        setField(c, FIELD(inputModeText), empty);
        if (previous != -1) StrDestroy(previous);
        CompSendMessage1(c, GUITK_TEXT_MSG_INPUT_MODE_TEXT, empty);
    }
    setWord(c, FIELD(indicatorOff), flag, GUITK_TEXT_MSG_INDICATOR_OFF);
}
int32_t KivTextInputIsIndicatorOff(int32_t c) { return getField(c, FIELD(indicatorOff)); }

void KivTextInputSetEditing(int32_t c, int32_t flag) {
    if (flag != 0 && flag != 1)
        fail(GUITK_ERROR_ARGUMENT);
    else
        setField(c, FIELD(editing), flag);
}
int32_t KivTextInputIsEditing(int32_t c) { return getField(c, FIELD(editing)); }

// Strings.

int32_t KivTextInputSetInputModeText(int32_t c, const uint16_t* chars, int32_t length) {
    return storeIndicatorText(c, chars, length, true);
}
int32_t KivTextInputStoreInputModeText(int32_t c, const uint16_t* chars, int32_t length) {
    return storeIndicatorText(c, chars, length, false);
}
int32_t KivTextInputGetInputModeText(int32_t c) { return getField(c, FIELD(inputModeText)); }

int32_t KivTextInputSetTitle(int32_t c, const uint16_t* chars, int32_t length) {
    int32_t title = -1;
    if (chars != nullptr && length != 0) {
        title = fixedString(chars, length);
        if (title < 0) return -1;
    }
    int32_t old = getField(c, FIELD(title));
    setField(c, FIELD(title), title);
    if (old != -1) StrDestroy(old);
    CompSendMessage1(c, GUITK_TEXT_MSG_TITLE, title);
    return 0;
}
int32_t KivTextInputGetTitle(int32_t c) { return getField(c, FIELD(title)); }

void KivTextInputSetCaretPosition(int32_t c, int32_t position) {
    int32_t length = KivTextInputGetTextLength(c);
    setField(c, FIELD(caret), position < 0 ? 0 : position > length ? length : position);
}
int32_t KivTextInputGetCaretPosition(int32_t c) { return getField(c, FIELD(caret)); }

int32_t KivTextInputVerifyString(const uint16_t*, int32_t) { return 1; }

int32_t KivTextInputEndEditing(int32_t c) {
    if (getField(c, FIELD(editing)) != 1) return 0;
    GuiTkKeyEvent select = {c, GUITK_KEY_EVENT_PRESSED, GUITK_KEY_SELECT, 0};
    return CompActiveKeyHookOccupy(&select);
}
