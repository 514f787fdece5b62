// The shell on the real display with the test card of the VM double, for a person to
// look at (and the screenshot test to take): runs "-launch" and ends after the given
// number of milliseconds through the manager's kill message.
#include <stdlib.h>
#include <unistd.h>

#include <thread>

#include "fakevm.h"
#include "platform/display.h"

int main(int argc, char** argv) {
    int ms = argc > 1 ? atoi(argv[1]) : 3000;
    int32_t count = 0;
    const DisplayKeyBinding* keys = DisplayDefaultKeys(&count);
    ScreenSetDeviceSize(240, 320, 0);
    if (!DisplayOpen(240, 320, 2, "Movane", keys, count)) return 1;
    hostGlue = fakevm::glue();
    std::thread timer([ms] {
        usleep((useconds_t)ms * 1000);
        PostMessageW(FindWindowW(L"Movane_VM", nullptr), VM_CMD_KILL_VM_PROCESS, 0, 0);
    });
    int code = VmWinMain(nullptr, L"-launch demo.jad demo.jar", 1);
    timer.join();
    fakevm::finish();
    DisplayClose();
    return code;
}
