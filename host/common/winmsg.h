// The window messages between the two programs: their fixed numbers, and the names of
// these and of the standard messages for trace lines.
#pragma once

#include "platform/window.h"
#include "vm/services/glue/winmsg_ids.h"

// Result bits of VM_NOTIFY_STOP_MIDLET to the manager.
enum { STOP_RESULT_CLOSE = 0x01, STOP_RESULT_LIST = 0x04, STOP_RESULT_FAILED = 0x20 };

// The message's name; "0x%04X" of its low 16 bits for any other number (one buffer,
// valid until the next unknown number).
const wchar_t* GetWindowMessageName(UINT message);
