// What the text input and the date field ask of the platform's editor peers (the host
// shell): the limit of a text's maximum size, and the date and time editor with its
// display texts. Filled by the program's start-up and kept across runs; the defaults
// keep the limit, format the value as plain digits and open no editor.
#pragma once

#include <stdint.h>

#include "platform/vmsections.h"

struct GuiTkEditorPeerHooks {
    // The maximum size a text input may have, at most the size asked for.
    int32_t (*MgurClampTextSize)(int32_t component, int32_t size);
    // Writes the display text of part 1 (date) or 2 (time) of the field's value into the
    // emptied growable string.
    void (*MgurDateFieldFormat)(int32_t component, int32_t part, int32_t string);
    void (*MgurDateFieldOpenEditor)(int32_t component);
    void (*MgurDateFieldCloseEditor)(int32_t component);
};
extern VMHOOKS GuiTkEditorPeerHooks GuiTkEditorPeers;
extern const GuiTkEditorPeerHooks DefaultGuiTkEditorPeers;

enum { GUITK_TEXT_SIZE_LIMIT = 5000 };

int32_t GuiTkDefaultClampTextSize(int32_t component, int32_t size);
// "2024-02-29" and "23:59"; nothing for a field without a value.
void GuiTkDefaultDateFieldFormat(int32_t component, int32_t part, int32_t string);
