// The name table, built on first use.
#include "host/common/winmsg.h"

#include <stdio.h>

#include <map>

namespace {
#define NAME(m) \
    { m, L## #m }
const struct {
    UINT number;
    const wchar_t* name;
} names[] = {
    NAME(AMS_COMMANDLINE),
    NAME(AMS_LIST_BEGIN),
    NAME(AMS_LIST_RUN_MIDLET),
    NAME(AMS_LIST_EXIT),
    NAME(AMS_INST_COMPLETE),
    NAME(AMS_DL_COMPLETE),
    NAME(AMS_ANIMATION),
    NAME(AMS_LOAD_VM_RESULT),
    NAME(AMS_CMD_SHOW_RESUME_DIALOG),
    NAME(AMS_CMD_GET_RESOURCE_STRING),
    NAME(AMS_LOAD_VM),
    NAME(AMS_SHOW_JAVA_LOGO),
    NAME(AMS_SHOWWINDOW),
    NAME(AMS_GET_ACTIVE_STATE),
    NAME(VM_NOTIFY_CREATE_VM_PROCESS),
    NAME(VM_CMD_KILL_VM_PROCESS),
    NAME(VM_NOTIFY_KILL_VM_PROCESS),
    NAME(VM_CMD_START_MIDLET),
    NAME(VM_NOTIFY_START_MIDLET),
    NAME(VM_CMD_SUSPEND_MIDLET),
    NAME(VM_NOTIFY_SUSPEND_MIDLET),
    NAME(VM_CMD_RESUME_MIDLET),
    NAME(VM_NOTIFY_RESUME_MIDLET),
    NAME(VM_CMD_STOP_MIDLET),
    NAME(VM_NOTIFY_STOP_MIDLET),
    NAME(VM_NOTIFY_APPDESTORYED),
    NAME(VM_NOTIFY_VMPAINTREADY),
    NAME(VM_CMD_GET_STATE),
    NAME(VM_CMD_SET_AMS_WINDOW),
    NAME(VM_COMMANDLINE),
    NAME(VM_SOFTKEYS),
    NAME(VM_SET_FULL_SCREEN_MODE),
    NAME(VM_SHOW_RESUME_DIALOG),
    NAME(VM_POST_RESUME_DIALOG),
    NAME(MAIN_EVENT_GUI),
    NAME(MAIN_EVENT_TEXT_INPUT),
    NAME(VM_TckOtaUi_Begin),
    NAME(VM_TckOtaUi_End),
    NAME(VM_TckOtaUi_ShowText),
    NAME(WM_PHONEBOOK_END),
    NAME(WM_VESKAR_FLIP_CLOSE),
    NAME(WM_SET_MODAL_DIALOG),
    NAME(WM_CLOSE_MODAL_DIALOG),
    NAME(WM_CREATE),
    NAME(WM_DESTROY),
    NAME(WM_CLOSE),
    NAME(WM_MOVE),
    NAME(WM_SIZE),
    NAME(WM_ACTIVATE),
    NAME(WM_SETFOCUS),
    NAME(WM_KILLFOCUS),
    NAME(WM_PAINT),
    NAME(WM_ERASEBKGND),
    NAME(WM_SHOWWINDOW),
    NAME(WM_WINDOWPOSCHANGED),
    NAME(WM_NOTIFY),
    NAME(WM_COMMAND),
    NAME(WM_TIMER),
    NAME(WM_KEYDOWN),
    NAME(WM_KEYUP),
    NAME(WM_CTLCOLOREDIT),
    NAME(WM_HOTKEY),
    NAME(WM_IME_SETCONTEXT),
    NAME(WM_IME_STARTCOMPOSITION),
    NAME(WM_ENABLE),
    NAME(WM_CANCELMODE),
    NAME(WM_IME_NOTIFY),
    NAME(WM_QUERYNEWPALETTE),
    NAME(WM_SETTEXT),
    NAME(WM_GETTEXT),
    NAME(WM_GETTEXTLENGTH),
    NAME(WM_SETREDRAW),
    NAME(WM_COPYDATA),
};
#undef NAME
std::map<UINT, const wchar_t*>* table;
wchar_t unknown[32];
}  // namespace

const wchar_t* GetWindowMessageName(UINT message) {
    if (table == nullptr) {
        table = new std::map<UINT, const wchar_t*>();
        for (const auto& n : names) (*table)[n.number] = n.name;
    }
    auto it = table->find(message);
    if (it != table->end()) return it->second;
    swprintf(unknown, 32, L"0x%04X", message & 0xFFFF);
    return unknown;
}
