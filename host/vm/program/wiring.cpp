#include "host/vm/program/wiring.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "graphics/mk_dialog.h"
#include "graphics/mk_host.h"
#include "graphics/png_inflate.h"
#include "host/common/hostimage.h"
#include "host/common/hosttrace.h"
#include "host/common/settings.h"
#include "host/vm/hostglue.h"
#include "host/vm/mkservices.h"
#include "host/vm/permissions.h"
#include "host/vm/rmsfiles.h"
#include "host/vm/vmshell.h"
#include "media/bindings.h"
#include "media/players/mediatrace.h"
#include "natives/lib/bindings.h"
#include "natives/lib/midlet_natives.h"
#include "natives/ui/bindings.h"
#include "platform/audio.h"
#include "platform/fs.h"
#include "platform/gfs.h"
#include "tools/imagegen/classimage.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/records.h"
#include "vm/core/utf.h"
#include "vm/loader/hooks.h"
#include "vm/loader/startup.h"
#include "vm/services/amservice.h"
#include "vm/services/glue/mwe.h"
#include "vm/services/hooks.h"
#include "vm/services/runhooks.h"

namespace {

// ---- the shell as the host glue sees it ----

// The roots from the settings; on a first start on this computer the store's folder is
// made, since no installer has made it yet.
void gfsInitPhysicalPaths(void) {
    GfsInitPhysicalPaths();
    char folder[GFS_FOLDER_SIZE + 8];
    if (GfsMapLogicalPath("gfs://java/", folder, (int)sizeof folder) != 0) return;
    for (char* p = folder + 1; *p != 0; p++) {
        if (*p != '\\') continue;
        *p = 0;
        FsMakeDir(folder);
        *p = '\\';
    }
    FsMakeDir(folder);
}

void postToMain(uint32_t message, uint32_t wParam, uint32_t lParam) { PostToMainWindow(message, wParam, lParam); }
int32_t postToManager(uint32_t message, uint32_t wParam, uint32_t lParam) {
    return PostToManager(message, wParam, lParam);
}

// Called on thread_kve with the low-memory notice: a box of its own, then the process
// ends. Its text is string 1239 of the resource module.
void showMessage(const char* text, const char* caption, uint32_t style) {
    std::wstring shown = ShellString(STR_LOW_MEMORY);
    if (shown.empty()) shown = AsciiToWide(text);
    MessageBoxW(0, shown.c_str(), AsciiToWide(caption).c_str(), style);
}

void terminateProcess(uint32_t exitCode) {
    fflush(stdout);
    fflush(stderr);
    _exit((int)exitCode);
}

int32_t startServices(void) {
    PngStreamPoolReset();
    MkWorkBuffersInit();
    return ScreenFontInit();
}

void stopServices(void) {
    ScreenFontTerm();
    MkWorkBuffersTerm();
    PngStreamPoolRelease();
}

// The record-store quota and the permission states of the launched suite hold for its
// run; the glue has loaded its protection domain.
void beforeRun(int32_t, int32_t) {
    MkRmsComputeQuota();
    MkMidp20PermissionLoadStates();
}
void afterRun(void) {
    MkMidp20PermissionFreeStates();
    MkRmsResetQuota();
    RmsCloseAllFiles();
}

void screenMetrics(int32_t* width, int32_t* height, int32_t* menu) { ScreenGetDeviceSize(width, height, menu); }
void screenCopy(void* dc, int32_t mode, int32_t top, int32_t bottom) { ScreenCopy((HDC)dc, mode, top, bottom); }

// ---- the glue as the shell sees it ----

int32_t startFromFiles(const char* jad, const char* jar, int32_t midlet) {
    return mwe_startVmFromFiles(jad, jar, midlet);
}
void requestPause(void) { mwe_requestPause(10000); }
int32_t postKey(int32_t kind, int32_t code, int32_t) { return AmPostKeyEvent(kind, code, 0); }
int32_t postPointer(int32_t kind, int32_t x, int32_t y) { return AmPostPointerEvent(kind, x, y, 0); }
void blitScreen(HDC dc, int32_t mode) { mwe_blitScreen(dc, mode); }

// ---- the shell as the graphics back end sees it ----

void videoProperty(MkVideoProperty* out) {
    const MkVideoProperty* p = ScreenGetVideoProperty();
    if (p != nullptr) {
        *out = *p;
    } else {
        memset(out, 0, sizeof *out);
    }
}

int32_t gameKeys(void) { return (int32_t)GetGameKeyStates(); }

// An uncaught exception ends its thread: besides the trace, the user at the terminal
// sees its class and message. Nothing here allocates.
void reportUncaught(OBJECT exception) {
    printUncaughtException(exception);
    char name[256];
    getClassNameBuffer(exception->clazz, name, (int)sizeof name);
    for (char* c = name; *c != 0; c++) {
        if (*c == '/') *c = '.';
    }
    char text[512] = "";
    StringInstance* message = p32Ptr<StringInstance>(exception->data[0]);
    if (message != nullptr && message->value != nullptr) {
        utf16ToHostUtf8(message->value->u.sdata + message->offset, message->count, text, (int)sizeof text);
    }
    fprintf(stderr, "Movane_VM: uncaught exception %s%s%s\n", name, text[0] != 0 ? ": " : "", text);
}

// The media code's trace texts go to the host trace log like every other part's.
void mediaTraceWrite(const char* text) { TraceLogA("%s", text); }

void softkeyLabel(int32_t key, const uint16_t* chars, int32_t count) {
    std::wstring text;
    for (int32_t i = 0; chars != nullptr && i < count; i++) text += (wchar_t)chars[i];
    MenuBarSetSoftkeyLabel(key, text.c_str(), (int32_t)text.size());
}

}  // namespace

void MovaneVmWire(void) {
    installClassLoader();
    installRuntimeServices();
    installLibraryNatives();
    installUiNatives();
    installMediaNatives();
    MediaTrace.write = mediaTraceWrite;
    LoaderHooks.classImage = &MovaneClassImage;
    mvVm_setRunHooks(&LoaderRunHooks);
    installRecordStorePorting();
    installPermissionPorting();
    ServiceHooks.MkPropertyGetString = MkPropertyGetString;
    ServiceHooks.MkSoftkeyResetLabels = MkSoftkeyResetLabels;
    ServiceHooks.noteExitStatus = mwe_noteExitStatus;
    TraceHooks[1] = reportUncaught;
    MidletHostServices midletServices = {};
    midletServices.platformRequest = MkPlatformRequest;
    midlet_setHostServices(&midletServices);

    MweShell shell = {};
    shell.gfsInitPhysicalPaths = gfsInitPhysicalPaths;
    shell.postToMainWindow = postToMain;
    shell.postToManager = postToManager;
    shell.stateNotice = HostGlueStateNotice;
    shell.notifyMidletResumed = HostGlueMidletResumed;
    shell.notifyMidletPaused = HostGlueMidletPaused;
    shell.readSettingDword = ReadSettingDword;
    shell.showMessage = showMessage;
    shell.terminateProcess = terminateProcess;
    shell.startServices = startServices;
    shell.stopServices = stopServices;
    shell.beforeRun = beforeRun;
    shell.afterRun = afterRun;
    shell.screenMetrics = screenMetrics;
    shell.screenGetSize = ScreenGetSize;
    shell.screenSetActive = ScreenSetActive;
    shell.screenCopy = screenCopy;
    shell.displayInit = ScreenDisplayInit;
    shell.displayOpen = ScreenDisplayOpen;
    shell.displayClose = ScreenDisplayClose;
    mwe_setShell(&shell);

    HostGlue glue = hostGlueDefaults;
    glue.init = mwe_init;
    glue.startVmFromFiles = startFromFiles;
    glue.startVmBySuite = mwe_startVmBySuite;
    glue.startVmByPath = mwe_startVmWithTestServer;
    glue.requestPause = requestPause;
    glue.requestResume = mwe_requestResume;
    glue.requestStop = mwe_requestStop;
    glue.postKeyEvent = postKey;
    glue.postPointerEvent = postPointer;
    glue.setKeyMap = AmSetKeyMap;
    glue.blitScreen = blitScreen;
    glue.openDisplay = mwe_openDisplay;
    glue.closeDisplay = mwe_closeDisplay;
    glue.clearScreenBuffer = mwe_clearScreenBuffer;
    hostGlue = glue;

    MkHostHooks graphics = {};
    graphics.screenGetSurface = ScreenGetSurface;
    graphics.screenGetVideoProperty = videoProperty;
    graphics.threadBoostPriority = KveThreadBoostPriority;
    graphics.threadDrawDone = KveThreadDrawDone;
    graphics.displaySetFullScreenMode = DisplaySetFullScreenMode;
    graphics.gameKeyStates = gameKeys;
    graphics.menuBarSetSoftkeyLabel = softkeyLabel;
    graphics.messageBeep = MessageBeep;
    graphics.hostImageDecode = HostImageDecode;
    graphics.hostImageGetSize = HostImageGetSize;
    graphics.hostImageCopyPixels = HostImageCopyPixels;
    graphics.hostImageRelease = HostImageRelease;
    mk_setHostHooks(&graphics);
}

void MovaneVmUnwire(void) {
    // the window closed under a running MIDlet (the desktop's close button, SIGTERM): it
    // is stopped, else the wait for the run's end would never return
    if (mwe_isRunInProgress()) mwe_requestStop();
    mwe_fini();
}
