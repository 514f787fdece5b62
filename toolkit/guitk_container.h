// The container layer ("CTNR" directly behind the base): an ordered list of child
// components with one focused child, showing, hiding and painting them with clipping,
// moving the focus with the up and down keys. A kind that holds children allocates a
// larger record, calls ContainerInit and gives it an inner handler that the container's
// own handler calls after its work.
#pragma once

#include <stdint.h>

#include "toolkit/guitk_comp.h"

enum : uint32_t { GUITK_TAG_CTNR = guiTkTag("CTNR") };

struct GuiTkContainer {
    GuiTkComponent base;
    uint32_t tag;  // "CTNR"
    P32Fn<GuiTkHandler> innerHandler;
    int32_t children;  // handle array of child components, in order
    int32_t focused;   // index into children, -1 none
};
static_assert(sizeof(GuiTkContainer) == 156, "the container part is four words behind the base");

// Messages of this layer, sent to the container's own handler.
enum {
    GUITK_MSG_CHILD_INSERTED = 29,  // index
    GUITK_MSG_CHILD_REMOVING = 30,  // index
    GUITK_MSG_CHILD_REMOVED = 31,   // index
    GUITK_MSG_FOCUS_CHANGED = 32,   // new index, old index
};

// The record is written here, so the creator calls this with the handle unlocked:
// 1, or 0 with nothing left to undo (the child list could not be had).
int32_t ContainerInit(int32_t handle, GuiTkHandler inner, GuiTkKeyHook activeKeyHook, GuiTkPointerHook pointerHook,
                      int32_t createParam, int32_t type);
// Removes child 0 until none is left, then the container from its own parent.
void ContainerRemoveAll(int32_t container);
// Destroys the child list, clears the tag and unlinks the base; the handle stays.
void ContainerFinalize(int32_t container);

int32_t IsContainer(int32_t handle);
int32_t ContainerGetChildCount(int32_t container);
int32_t ContainerGetChild(int32_t container, int32_t index);  // fatal 3 and 0 outside the list
// 0, or -1 (nothing changed) for a bad index, no child, a child that has a parent, or a
// list that cannot grow.
int32_t ContainerInsertChild(int32_t container, int32_t index, int32_t child);
int32_t ContainerInsertChildSilently(int32_t container, int32_t index, int32_t child);
void ContainerRemoveChild(int32_t container, int32_t index);
void ContainerRemoveChildSilently(int32_t container, int32_t index);
int32_t ContainerFindChildByType(int32_t container, int32_t type);
int32_t ContainerGetFocus(int32_t container);
void ContainerSetFocus(int32_t container, int32_t index);

int32_t ContainerHandler(GuiTkMessage* message);
int32_t ContainerDefaultHandler(GuiTkMessage* message);
int32_t ContainerKeyHook(GuiTkKeyEvent* event);
int32_t ContainerNullHook(GuiTkPointerEvent* event);
void ContainerPaintChildren(int32_t container, GuiTkGraphics gfx);

// Removes the component from the container that holds it (messages 30 and 31 there).
void CompDetachFromParent(int32_t component);
