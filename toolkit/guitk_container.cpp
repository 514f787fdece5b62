// The container layer.
#include "toolkit/guitk_container.h"

#include <stddef.h>

#include "toolkit/guitk_screen.h"

namespace {

#define FIELD(name) ((int32_t)offsetof(GuiTkContainer, name))

int32_t getField(int32_t c, int32_t position) {
    return GuiTkGetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_CTNR, position);
}
void setField(int32_t c, int32_t position, int32_t value) {
    GuiTkSetTypedInt(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_CTNR, position, value);
}

int32_t childrenOf(int32_t c) { return getField(c, FIELD(children)); }

GuiTkRect boundsOf(int32_t c) {
    GuiTkRect r = {0, 0, -1, -1};
    GuiTkComponent* rec = CompLock(c);
    if (rec == nullptr) return r;
    r = {rec->x, rec->y, rec->width, rec->height};
    GuiTkUnlockHandle(c);
    return r;
}

GuiTkRect contentOf(int32_t c) {
    GuiTkRect r = {0, 0, 0, 0};
    GuiTkComponent* rec = CompLock(c);
    if (rec == nullptr) return r;
    CompGetContentRect(rec, &r);
    GuiTkUnlockHandle(c);
    return r;
}

// The first enabled child from index on, stepping by step; -1 when none.
int32_t focusableFrom(int32_t c, int32_t index, int32_t step) {
    int32_t count = ContainerGetChildCount(c);
    for (; index >= 0 && index < count; index += step)
        if (CompGetState(ContainerGetChild(c, index)) != GUITK_STATE_DISABLED) return index;
    return -1;
}

}  // namespace

int32_t ContainerInit(int32_t handle, GuiTkHandler inner, GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook,
                      int32_t createParam, int32_t type) {
    // the list first: no allocation may happen while the record is locked
    int32_t children = HandleArrayCreate();
    if (children == -1) return 0;
    GuiTkContainer* r = (GuiTkContainer*)GuiTkLockHandle(handle);
    if (r == nullptr) {
        HandleArrayDestroy(children);
        return 0;
    }
    if (!CompInitDefault(handle, &r->base, ContainerHandler, activeKeyHook, pointerHook, createParam, type)) {
        GuiTkUnlockHandle(handle);
        HandleArrayDestroy(children);
        return 0;
    }
    r->tag = GUITK_TAG_CTNR;
    r->innerHandler = inner;
    r->children = children;
    r->focused = -1;
    GuiTkUnlockHandle(handle);
    return 1;
}

void ContainerRemoveAll(int32_t c) {
    while (ContainerGetChildCount(c) > 0) ContainerRemoveChild(c, 0);
    CompDetachFromParent(c);
}

void ContainerFinalize(int32_t c) {
    GuiTkContainer* r = (GuiTkContainer*)GuiTkLockTyped(c, GUITK_KIND_TAG_PLACE, GUITK_TAG_CTNR);
    if (r == nullptr) return;
    HandleArrayDestroy(r->children);
    r->children = -1;
    r->tag = 0;
    CompUnlink(&r->base);
    GuiTkUnlockHandle(c);
}

int32_t IsContainer(int32_t handle) {
    const uint8_t* p = (const uint8_t*)GuiTkLockHandle(handle);
    if (p == nullptr) return 0;
    uint32_t tag = ((const GuiTkContainer*)p)->tag;
    GuiTkUnlockHandle(handle);
    return tag == GUITK_TAG_CTNR;
}

int32_t ContainerGetChildCount(int32_t c) {
    int32_t children = childrenOf(c);
    return children == 0 ? 0 : HandleArrayCount(children);
}

int32_t ContainerGetChild(int32_t c, int32_t index) { return HandleArrayGet(childrenOf(c), index); }

int32_t ContainerInsertChild(int32_t c, int32_t index, int32_t child) {
    int32_t result = ContainerInsertChildSilently(c, index, child);
    if (result == 0) CompSendMessage1(c, GUITK_MSG_CHILD_INSERTED, index);
    return result;
}

int32_t ContainerInsertChildSilently(int32_t c, int32_t index, int32_t child) {
    if (index < 0 || index > ContainerGetChildCount(c)) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return -1;
    }
    if (child == -1) return -1;
    // a component has at most one parent; checked before anything changes
    if (CompGetParent(child) != -1) {
        GuiTkFatalError(GUITK_ERROR_STATE);
        return -1;
    }
    if (HandleArrayInsert(childrenOf(c), child, index) != 0) return -1;
    int32_t focused = ContainerGetFocus(c);
    if (focused != -1 && focused >= index) setField(c, FIELD(focused), focused + 1);
    CompSetParent(child, c);
    return 0;
}

void ContainerRemoveChild(int32_t c, int32_t index) {
    if (index < 0 || index >= ContainerGetChildCount(c)) {
        GuiTkFatalError(GUITK_ERROR_ARGUMENT);
        return;
    }
    CompSendMessage1(c, GUITK_MSG_CHILD_REMOVING, index);
    ContainerRemoveChildSilently(c, index);
    CompSendMessage1(c, GUITK_MSG_CHILD_REMOVED, index);
}

void ContainerRemoveChildSilently(int32_t c, int32_t index) {
    int32_t child = ContainerGetChild(c, index);
    int32_t focused = ContainerGetFocus(c);
    if (focused == index)
        ContainerSetFocus(c, -1);
    else if (focused > index)
        setField(c, FIELD(focused), focused - 1);
    CompSetParent(child, -1);
    HandleArrayRemove(childrenOf(c), index);
}

int32_t ContainerFindChildByType(int32_t c, int32_t type) {
    int32_t count = ContainerGetChildCount(c);
    for (int32_t i = 0; i < count; i++)
        if (CompGetType(ContainerGetChild(c, i)) == type) return i;
    return -1;
}

int32_t ContainerGetFocus(int32_t c) { return getField(c, FIELD(focused)); }

void ContainerSetFocus(int32_t c, int32_t index) {
    int32_t old = ContainerGetFocus(c);
    if (old == index) return;
    if (old != -1) CompSetState(ContainerGetChild(c, old), GUITK_STATE_ENABLED);
    if (index != -1) CompSetState(ContainerGetChild(c, index), GUITK_STATE_FOCUSED);
    setField(c, FIELD(focused), index);
    CompSendMessage2(c, GUITK_MSG_FOCUS_CHANGED, index, old);
}

int32_t ContainerHandler(GuiTkMessage* m) {
    int32_t c = m->component;
    switch (m->id) {
        case GUITK_MSG_PAINT:
            if (CompIsShown(c)) {
                // children off the screen are hidden, so that they post no repaints
                GuiTkRect visible = {0, 0, GuiTkGetScreenWidth(), GuiTkGetScreenHeight()};
                GuiTkRect content = contentOf(c);
                GuiTkRectIntersect(&visible, &content);
                for (int32_t i = 0; i < ContainerGetChildCount(c); i++) {
                    int32_t child = ContainerGetChild(c, i);
                    GuiTkRect bounds = boundsOf(child);
                    if (GuiTkRectIntersects(&bounds, &visible))
                        CompShow(child, m->a1);
                    else
                        CompHide(child);
                }
            }
            break;
        case GUITK_MSG_HIDE:
            for (int32_t i = 0; i < ContainerGetChildCount(c); i++) CompHide(ContainerGetChild(c, i));
            break;
        case GUITK_MSG_DIRECTION_MODE:
            for (int32_t i = 0; i < ContainerGetChildCount(c); i++)
                CompSetDirectionMode(ContainerGetChild(c, i), m->a1);
            break;
        default:
            break;
    }
    GuiTkHandler inner = (GuiTkHandler)(uintptr_t)(uint32_t)getField(c, FIELD(innerHandler));
    return inner != nullptr ? inner(m) : ContainerDefaultHandler(m);
}

int32_t ContainerDefaultHandler(GuiTkMessage* m) {
    if (m->id >= GUITK_MSG_CHILD_INSERTED && m->id <= GUITK_MSG_FOCUS_CHANGED) return 0;
    return CompDefaultHandler(m);
}

int32_t ContainerKeyHook(GuiTkKeyEvent* event) {
    int32_t c = event->component;
    int32_t focused = ContainerGetFocus(c);
    if (focused != -1) {
        GuiTkKeyEvent childEvent = *event;
        childEvent.component = ContainerGetChild(c, focused);
        if (CompProcessKeyEvent(&childEvent) != 0) return 0;
    }
    if (event->type != 2 && event->type != 3) return 0;
    int32_t next = -1;
    if (event->key == 17 && focused > 0) next = focusableFrom(c, focused - 1, -1);
    if (event->key == 19) next = focusableFrom(c, focused + 1, 1);
    if (next != -1) ContainerSetFocus(c, next);
    return 0;
}

int32_t ContainerNullHook(GuiTkPointerEvent*) { return 0; }

void ContainerPaintChildren(int32_t c, GuiTkGraphics gfx) {
    GuiTkRect content = contentOf(c);
    GuiTkClipTo(gfx, &content);
    GuiTkRect clip;
    GuiTkGfxGetClip(gfx, &clip);
    for (int32_t i = 0; i < ContainerGetChildCount(c); i++) {
        int32_t child = ContainerGetChild(c, i);
        GuiTkRect bounds = boundsOf(child);
        if (!GuiTkRectIntersects(&bounds, &clip)) continue;
        GuiTkRectIntersect(&bounds, &clip);
        GuiTkGfxSetClip(gfx, &bounds);
        CompPaint(child, gfx);
    }
}

void CompDetachFromParent(int32_t component) {
    int32_t parent = CompGetParent(component);
    if (parent == -1 || !IsContainer(parent)) return;
    int32_t count = ContainerGetChildCount(parent);
    for (int32_t i = 0; i < count; i++)
        if (ContainerGetChild(parent, i) == component) {
            ContainerRemoveChild(parent, i);
            return;
        }
}
