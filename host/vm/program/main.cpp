// Movane_VM: opens the desktop display (the device screen at its scale, the key table
// of the settings) and runs the host shell on the command line. Headless, a message box
// that nobody can see takes its first button at once (its text goes to standard error),
// and the test aid plays its input script and writes frames.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/common/hosttrace.h"
#include "host/common/settings.h"
#include "host/vm/program/testaid.h"
#include "host/vm/program/wiring.h"
#include "host/vm/vmshell.h"
#include "platform/display.h"
#include "platform/fs.h"
#include "vm/services/glue/mwe.h"

namespace {
uint32_t settingOr(const char* name, uint32_t fallback, uint32_t min, uint32_t max) {
    uint32_t v = ReadSettingDword(name);
    return v >= min && v <= max ? v : fallback;
}

void answerUnseenBox(HWND box, const wchar_t*, const wchar_t*) { PostMessageW(box, WM_KEYUP, VK_RETURN, 0); }
}  // namespace

int main(int argc, char** argv) {
    // the arguments come as the system hands them (UTF-8), quoted where they must be so
    // that a path with a space stays one argument
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; i++) arguments.push_back(Utf8ToWide(argv[i], (size_t)-1));
    std::wstring commandLine = JoinCommandLine(arguments);
    int32_t width = (int32_t)settingOr("ScreenWidth", 240, 64, 2048);
    int32_t height = (int32_t)settingOr("ScreenHeight", 320, 64, 2048);
    int32_t scale = (int32_t)settingOr("ScreenScale", 2, 1, 8);
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    DisplayKeyBinding custom[128];
    std::string table = ReadSettingString("KeyMap");
    if (!table.empty()) {
        int32_t n = DisplayParseKeys(table.c_str(), custom, 128);
        if (n > 0) {
            keys = custom;
            count = n;
        } else {
            fprintf(stderr, "Movane_VM: the KeyMap setting is not understood; the default keys are used\n");
        }
    }
    if (!TestAidLoad()) return 2;
    if (FsMakeDeviceRoot() != 0) {
        fprintf(stderr, "Movane_VM: cannot make the device folder %s: %s\n", FsGetDeviceRoot(), strerror(errno));
        return 1;
    }
    ScreenSetDeviceSize(width, height, 0);
    if (!DisplayOpen(width, height, scale, "Movane", keys, count)) return 1;
    if (DisplayIsHeadless()) WindowSetMessageBoxObserver(answerUnseenBox);
    // a signal stops the MIDlet as the manager's kill does; one that does not end within
    // the life-cycle watchdog's time, or a second signal, ends the program there and then
    DisplaySetCloseDeadline(5000);
    MovaneVmWire();
    TestAidStart();
    int32_t code = VmWinMain(nullptr, commandLine.c_str(), 1);
    // a MIDlet that could not start or ended by an uncaught exception (see the README)
    if (code == 0) code = mwe_exitStatus();
    MovaneVmUnwire();
    TestAidFinish();
    DisplayClose();
    return code;
}
