// GameCanvas natives.
#include "natives/ui/gamecanvas_natives.h"

#include "graphics/mk_graphics.h"
#include "graphics/mk_image.h"
#include "natives/lib/nativestack.h"
#include "natives/ui/lcdui_natives.h"
#include "natives/ui/peers.h"
#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/registries.h"

namespace {

const char GameCanvasClass[] = "javax/microedition/lcdui/game/GameCanvas";

struct GameCanvasState {
    int32_t fullWidth, fullHeight;
    int32_t imageIdIndex, contextIdIndex, suppressIndex;
    int32_t initialised;
    NativeFinalizerRecord finalizer;
};
VMBSS GameCanvasState Game;

int32_t gameCanvasFinalize(OBJECT canvas, NativeFinalizerRecord*) {
    MkGraphicsContext* ctx = peerAt<MkGraphicsContext>(getIntFieldByIndex(canvas, Game.contextIdIndex));
    if (ctx != nullptr) MkGraphicsDestroyContext(ctx);
    return 0;
}

// A class the library does not have leaves the natives uninitialised until a later call.
ClassRecord* findClass(const char* name) {
    ClassRecord* c = tryGetClass(name);
    return c != nullptr && c->status != CLASS_ERROR ? c : nullptr;
}

void measureFullScreen() {
    MkVideoProperty video = {};
    MkVideoGetProperty(&video);
    if (lcduiGetFullScreenMode()) {
        Game.fullWidth = MkGraphicsGetWidth(video.surface);
        Game.fullHeight = MkGraphicsGetHeight(video.surface);
        return;
    }
    // the screen layer is asked in full-screen mode and put back; the word stays
    MkDisplaySetFullScreenMode(1);
    Game.fullWidth = MkGraphicsGetWidth(video.surface);
    Game.fullHeight = MkGraphicsGetHeight(video.surface);
    MkDisplaySetFullScreenMode(0);
}

// The static occupyScreenObject of UiStatuses: a system screen owns the display.
bool screenOccupied() {
    ClassRecord* statuses = findClass("com/movane/micro/lcdui/UiStatuses");
    if (statuses == nullptr) return false;
    FieldRecord* field = getStaticFieldAddress("occupyScreenObject", "Ljava/lang/Object;", statuses);
    return field != nullptr && field->u.staticAddress != nullptr && *field->u.staticAddress != 0;
}

}  // namespace

void Java_javax_microedition_lcdui_game_GameCanvas_initializeStaticValues() {
    if (Game.initialised) return;
    ClassRecord* graphics = findClass("javax/microedition/lcdui/Graphics");
    ClassRecord* image = findClass("javax/microedition/lcdui/Image");
    ClassRecord* canvas = findClass(GameCanvasClass);
    if (graphics == nullptr || image == nullptr || canvas == nullptr) return;
    Game.imageIdIndex = getFieldIndex("_nId", "I", image);
    Game.contextIdIndex = getFieldIndex("m_GfxContextID", "I", canvas);
    Game.suppressIndex = getFieldIndex("m_bSuppressGameKey", "Z", canvas);
    Game.initialised = 1;
    measureFullScreen();
    Game.finalizer.clazz = canvas;
    Game.finalizer.finalizer = gameCanvasFinalize;
    registerNativeFinalizer(&Game.finalizer);
}

void Java_javax_microedition_lcdui_game_GameCanvas_getFullScreenWidth() { pushInt(Game.fullWidth); }
void Java_javax_microedition_lcdui_game_GameCanvas_getFullScreenHeight() { pushInt(Game.fullHeight); }

void Java_javax_microedition_lcdui_game_GameCanvas_createGraphicsContext() {
    MkVideoProperty video = {};
    MkVideoGetProperty(&video);
    MkGraphicsContext* ctx = video.surface != nullptr ? MkGraphicsCreateContext(video.surface) : MK_NO_CONTEXT;
    pushInt(ctx == MK_NO_CONTEXT ? PEER_INVALID : peerHandle(ctx));
}

void Java_javax_microedition_lcdui_game_GameCanvas_initializeGameCanvas() {
    int32_t suppress = popInt();
    OBJECT canvas = popObject();
    if (canvas == nullptr) raiseException(NullPointerException);
    if (Game.initialised) setIntFieldByIndex(canvas, Game.suppressIndex, suppress != 0);
}

void Java_javax_microedition_lcdui_game_GameCanvas_nativeFlushGraphics() {
    int32_t atOrigin = popInt(), skip = popInt();
    MkSurface* offScreen = peerAt<MkSurface>(popInt());
    MkGraphicsContext* ctx = peerAt<MkGraphicsContext>(popInt());
    int32_t height = popInt(), width = popInt(), y = popInt(), x = popInt();
    if (screenOccupied()) return;
    // a context or buffer that failed to be made has nothing to show
    if (ctx == nullptr || ctx == MK_NO_CONTEXT || offScreen == nullptr || offScreen == MK_SURFACE_FAILED) return;
    if (skip) {
        int32_t clip[4];
        MkGraphicsGetClip(ctx, clip);
        MkGraphicsSetClip(ctx, clip);
        return;
    }
    MkVideoStartDraw();
    const int32_t rect[4] = {x, y, width, height};
    MkGraphicsSetClip(ctx, rect);
    MkVideoDrawOffScreen(ctx, offScreen, atOrigin ? x : 0, atOrigin ? y : 0, 0);
    MkVideoEndDraw(1);
}

void Java_javax_microedition_lcdui_game_GameCanvas_nativeGetKeyStates() { pushInt(MkGameCanvasGetKeyStates()); }

void Java_javax_microedition_lcdui_game_GameCanvas_nativeClearKeyStates() { MkGameCanvasGetKeyStates(); }

void Java_javax_microedition_lcdui_game_GameCanvas_getOffScreenID() {
    OBJECT image = popObject();
    if (image == nullptr) raiseException(NullPointerException);
    pushInt(getIntFieldByIndex(image, Game.imageIdIndex));
}
