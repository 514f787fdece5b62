// The radio-button, check-box and implicit lists. The three share one implementation;
// each module's functions are instances of it for the kind's index, so that a hook
// or class-table slot replaced through a setter takes every component of that kind.
#include "toolkit/guitk_choice.h"

#include <stddef.h>

#include "toolkit/guitk_event.h"
#include "toolkit/guitk_screen.h"

namespace {

enum { RADIO = 0, CHECK = 1, IMPLICIT = 2 };

struct ChoiceKind {
    uint32_t tag;
    int32_t type;
    int32_t multiple;
    int32_t itemKind;
    int32_t endLabel;
};
const ChoiceKind Kinds[3] = {
    {GUITK_TAG_RADIO, GUITK_TYPE_RADIOBUTTON, 0, GUITK_ITEM_RADIO, 0},
    {GUITK_TAG_CHECKBOX, GUITK_TYPE_CHECKBOX, 1, GUITK_ITEM_CHECK, 1},
    {GUITK_TAG_IMPLICIT, GUITK_TYPE_IMPLICITLIST, 0, GUITK_ITEM_PLAIN, 0},
};

struct ChoiceClass {
    P32Fn<GuiTkHandler> slots[GUITK_CHOICE_SLOTS];
    P32Fn<GuiTkKeyHook> keyHook;  // not used by the implicit list, whose key hook is fixed
    P32Fn<GuiTkKeyHook> activeKeyHook;
    P32Fn<GuiTkPointerHook> pointerHook;
    GuiTkListStyle style;
    GuiTkSoftkeyLabel label;
};
VMBSS ChoiceClass* Tables[3];

bool accept(bool ok) {
    if (!ok) GuiTkFatalError(GUITK_ERROR_ARGUMENT);
    return ok;
}

template <int K>
int32_t defaultHandler(GuiTkMessage* m) {
    switch (m->id) {
        case GUITK_MSG_PAINT:
            KivListBoxPaint(m->component, m->a1, &Tables[K]->style, &Tables[K]->label);
            return 0;
        case GUITK_LISTBOX_MSG_CREATED:
        case GUITK_LISTBOX_MSG_DELETING:
            return 0;
        default:
            return KivListBoxDefaultHandler(m);
    }
}

int32_t slotCall(int K, GuiTkMessage* m) {
    GuiTkHandler slot = m->id >= 0 && m->id < GUITK_CHOICE_SLOTS ? Tables[K]->slots[m->id].get() : nullptr;
    if (slot != nullptr) return slot(m);
    return K == RADIO ? defaultHandler<RADIO>(m) : K == CHECK ? defaultHandler<CHECK>(m) : defaultHandler<IMPLICIT>(m);
}

template <int K>
int32_t dispatch(GuiTkMessage* m) {
    if (K != IMPLICIT) return slotCall(K, m);
    int32_t h = m->component;
    if (m->id == GUITK_LIST_MSG_REMOVED && m->a1 == 0 && KivListBoxGetFocusedIndex(h) == 0 && KivListGetSize(h) > 0)
        KivListSetSelected(h, 0, 1);
    int32_t result = slotCall(K, m);
    if (m->id == GUITK_LIST_MSG_SELECTED && m->a2 != 0)
        KivListBoxSetFocusedIndex(h, m->a1);
    else if (m->id == GUITK_LISTBOX_MSG_FOCUS && m->a1 >= 0)
        KivListSetSelected(h, m->a1, 1);
    return result;
}

template <int K>
int32_t keyTrampoline(GuiTkKeyEvent* event) {
    return Tables[K]->keyHook.get()(event);
}
template <int K>
int32_t activeKeyTrampoline(GuiTkKeyEvent* event) {
    return Tables[K]->activeKeyHook.get()(event);
}
template <int K>
int32_t pointerTrampoline(GuiTkPointerEvent* event) {
    return Tables[K]->pointerHook.get()(event);
}
template <int K>
int32_t listBoxKeys(GuiTkKeyEvent* event) {
    return KivListBoxKeyHandler(event, &Tables[K]->label);
}

// The implicit list chooses the focused row: it is selected (when it was not) and the
// choice posted, even for a row that was selected already.
void choose(int32_t h, int32_t row) {
    int32_t old = KivListIsSelected(h, row);
    if (!old) KivListSetSelected(h, row, 1);
    CompCallDefaultHandler5(h, GUITK_EVENT_CHANGED, row, 1, old);
}

int32_t implicitKeys(GuiTkKeyEvent* event) {
    if (event->type != GUITK_KEY_EVENT_PRESSED || event->key != GUITK_KEY_SELECT)
        return KivListBoxKeyHandler(event, &Tables[IMPLICIT]->label);
    int32_t focused = KivListBoxGetFocusedIndex(event->component);
    if (focused != -1) choose(event->component, focused);
    return KivListHook2(event);
}

int32_t implicitPointer(GuiTkPointerEvent* event) {
    int32_t h = event->component;
    if (event->values[0] == GUITK_POINTER_RELEASE && event->values[1] == 0 && CompGetState(h) >= GUITK_STATE_ACTIVE) {
        int32_t row = KivListBoxHitTest(h, event->values[2], event->values[3]);
        if (row != -1 && row == KivListBoxGetFocusedIndex(h)) {
            choose(h, row);
            return 0;
        }
    }
    return KivListBoxPointerHandler(event);
}

template <int K>
int32_t moduleInit() {
    ChoiceClass* t = (ChoiceClass*)GuiTkAlloc((int32_t)sizeof(ChoiceClass));
    if (t == nullptr) return -1;
    for (P32Fn<GuiTkHandler>& slot : t->slots) slot = defaultHandler<K>;
    t->keyHook = KivListKeyHook;
    t->activeKeyHook = K == IMPLICIT ? implicitKeys : listBoxKeys<K>;
    t->pointerHook = K == IMPLICIT ? implicitPointer : KivListBoxPointerHandler;
    StyleColorCopy(&t->style);
    SoftkeyLabelInit(&t->label, Kinds[K].endLabel);
    Tables[K] = t;
    return 0;
}

int32_t moduleFini(int K) {
    if (Tables[K] != nullptr) GuiTkFree(Tables[K]);
    Tables[K] = nullptr;
    return 0;
}

template <int K>
int32_t create(int32_t createParam) {
    const ChoiceKind& k = Kinds[K];
    int32_t h = GuiTkAllocHandle((int32_t)sizeof(GuiTkChoice));
    GuiTkChoice* r = h == -1 ? nullptr : (GuiTkChoice*)GuiTkLockHandle(h);
    GuiTkKeyHook keyHook = K == IMPLICIT ? KivListKeyHook : keyTrampoline<K>;
    if (r == nullptr ||
        !KivListBoxCreateDefault(h, &r->box, dispatch<K>, keyHook, activeKeyTrampoline<K>, pointerTrampoline<K>,
                                 createParam, k.type, k.multiple, k.itemKind, 1)) {
        if (r != nullptr) GuiTkUnlockHandle(h);
        if (h != -1) GuiTkFreeHandle(h);
        return -1;
    }
    r->tag = k.tag;
    GuiTkUnlockHandle(h);
    CompCallHandler1(dispatch<K>, h, GUITK_LISTBOX_MSG_CREATED, createParam);
    return h;
}

void destroy(int K, int32_t h) {
    if (GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, Kinds[K].tag) == nullptr) return;
    GuiTkUnlockHandle(h);
    GuiTkHandler d = K == RADIO ? dispatch<RADIO> : K == CHECK ? dispatch<CHECK> : dispatch<IMPLICIT>;
    CompCallHandler0(d, h, GUITK_LISTBOX_MSG_DELETING);
    GuiTkChoice* r = (GuiTkChoice*)GuiTkLockTyped(h, GUITK_LISTBOX_KIND_PLACE, Kinds[K].tag);
    if (r == nullptr) return;
    KivListBoxDetach(h, &r->box);
    r->tag = 0;
    KivListBoxFree(&r->box);
    GuiTkUnlockHandle(h);
    GuiTkFreeHandle(h);
}

void setHandler(int K, int32_t slot, GuiTkHandler handler) {
    if (accept(slot >= 0 && slot < GUITK_CHOICE_SLOTS && handler != nullptr)) Tables[K]->slots[slot] = handler;
}

void setStyle(int K, int32_t attribute, intptr_t value, uint32_t color) {
    ChoiceClass& t = *Tables[K];
    int32_t number = attribute & 0xFF;
    uint32_t rows = (uint32_t)attribute & 0xFFFF00;
    const uint32_t rowBits[3] = {0x200, 0x400, 0x800};
    bool ok;
    if (number >= 1 && number <= 3) {
        intptr_t highest = number == 3 ? 2 : 3;
        ok = rows != 0 && (rows & ~0xE00u) == 0 && value >= 1 && value <= highest;
        if (!accept(ok)) return;
        for (int32_t row = 0; row < 3; row++) {
            if ((rows & rowBits[row]) == 0) continue;
            GuiTkListStyleRow& s = t.style.rows[row];
            GuiTkColorSpec& spec = number == 1 ? s.outer : number == 2 ? s.inner : s.arrows;
            spec = {(uint32_t)value, color};
        }
        return;
    }
    ok = K != IMPLICIT && rows == 0 && (number == 4 || number == 5);
    if (!accept(ok)) return;
    int32_t result = number == 4 ? SoftkeyLabelSetPosition(&t.label, (int32_t)value)
                                 : SoftkeyLabelSetText(&t.label, (const uint16_t*)value, (int32_t)color);
    accept(result == 0);
}

void setHook(P32Fn<GuiTkKeyHook>& slot, GuiTkKeyHook hook) {
    if (accept(hook != nullptr)) slot = hook;
}
void setPointer(P32Fn<GuiTkPointerHook>& slot, GuiTkPointerHook hook) {
    if (accept(hook != nullptr)) slot = hook;
}

int kindOfType(int32_t type) {
    return type == GUITK_TYPE_RADIOBUTTON ? RADIO : type == GUITK_TYPE_CHECKBOX ? CHECK : IMPLICIT;
}

}  // namespace

int32_t KivRadioButtonModuleInit(int32_t, const void*) { return moduleInit<RADIO>(); }
int32_t KivRadioButtonModuleFini(void) { return moduleFini(RADIO); }
int32_t KivRadioButtonCreate(int32_t createParam) { return create<RADIO>(createParam); }
void KivRadioButtonDelete(int32_t h) { destroy(RADIO, h); }
void KivRadioButtonSetHandler(int32_t slot, GuiTkHandler handler) { setHandler(RADIO, slot, handler); }
void KivRadioButtonSetKeyHook(GuiTkKeyHook hook) { setHook(Tables[RADIO]->keyHook, hook); }
void KivRadioButtonSetActiveKeyHook(GuiTkKeyHook hook) { setHook(Tables[RADIO]->activeKeyHook, hook); }
void KivRadioButtonSetPointerHook(GuiTkPointerHook hook) { setPointer(Tables[RADIO]->pointerHook, hook); }
void KivRadioButtonSetStyle(int32_t attribute, intptr_t value, uint32_t color) {
    setStyle(RADIO, attribute, value, color);
}
void KivRadioButtonPaintRows(int32_t h, GuiTkGraphics gfx) { KivListBoxPaintRows(h, gfx); }
int32_t KivRadioButtonDefaultHandler(GuiTkMessage* m) { return defaultHandler<RADIO>(m); }

int32_t KivCheckBoxModuleInit(int32_t, const void*) { return moduleInit<CHECK>(); }
int32_t KivCheckBoxModuleFini(void) { return moduleFini(CHECK); }
int32_t KivCheckBoxCreate(int32_t createParam) { return create<CHECK>(createParam); }
void KivCheckBoxDelete(int32_t h) { destroy(CHECK, h); }
void KivCheckBoxSetHandler(int32_t slot, GuiTkHandler handler) { setHandler(CHECK, slot, handler); }
void KivCheckBoxSetKeyHook(GuiTkKeyHook hook) { setHook(Tables[CHECK]->keyHook, hook); }
void KivCheckBoxSetActiveKeyHook(GuiTkKeyHook hook) { setHook(Tables[CHECK]->activeKeyHook, hook); }
void KivCheckBoxSetPointerHook(GuiTkPointerHook hook) { setPointer(Tables[CHECK]->pointerHook, hook); }
void KivCheckBoxSetStyle(int32_t attribute, intptr_t value, uint32_t color) {
    setStyle(CHECK, attribute, value, color);
}
void KivCheckBoxPaintRows(int32_t h, GuiTkGraphics gfx) { KivListBoxPaintRows(h, gfx); }
int32_t KivCheckBoxDefaultHandler(GuiTkMessage* m) { return defaultHandler<CHECK>(m); }

int32_t KivImplicitListModuleInit(int32_t, const void*) { return moduleInit<IMPLICIT>(); }
int32_t KivImplicitListModuleFini(void) { return moduleFini(IMPLICIT); }
int32_t KivImplicitListCreate(int32_t createParam) { return create<IMPLICIT>(createParam); }
void KivImplicitListDelete(int32_t h) { destroy(IMPLICIT, h); }
void KivImplicitListSetHandler(int32_t slot, GuiTkHandler handler) { setHandler(IMPLICIT, slot, handler); }
void KivImplicitListSetActiveKeyHook(GuiTkKeyHook hook) { setHook(Tables[IMPLICIT]->activeKeyHook, hook); }
void KivImplicitListSetPointerHook(GuiTkPointerHook hook) { setPointer(Tables[IMPLICIT]->pointerHook, hook); }
void KivImplicitListSetStyle(int32_t attribute, intptr_t value, uint32_t color) {
    setStyle(IMPLICIT, attribute, value, color);
}
void KivImplicitListPaintRows(int32_t h, GuiTkGraphics gfx) { KivListBoxPaintRows(h, gfx); }
int32_t KivImplicitListDefaultHandler(GuiTkMessage* m) { return defaultHandler<IMPLICIT>(m); }

const GuiTkListStyle* KivChoiceGetStyle(int32_t type) { return &Tables[kindOfType(type)]->style; }
const GuiTkSoftkeyLabel* KivChoiceGetSoftkeyLabel(int32_t type) { return &Tables[kindOfType(type)]->label; }
