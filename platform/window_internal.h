// What the window system (window.cpp) and its transport between processes
// (window_transport.cpp) share: the records, the state both touch and the helpers each
// lends the other. Nothing outside these two files includes it; callers use window.h.
#pragma once

#include <stdint.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window.h"

namespace window_internal {

struct ThreadQueue;

// One message sent to a window of another thread, from this process or another one.
struct SentItem {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
    bool done;
    ThreadQueue* sender;  // woken when done; null for a send from another process
    int replyFd;          // the connection the answer goes back on
    uint32_t replyId;
    std::vector<uint8_t> data;  // WM_COPYDATA from another process
    COPYDATASTRUCT copy;
};

struct Timer {
    HWND hwnd;
    uint32_t id;
    uint32_t period;
    TIMERPROC proc;
    uint64_t due;
};

struct ThreadQueue {
    std::condition_variable cv;
    std::deque<MSG> posted;
    std::deque<SentItem*> sent;
    std::vector<Timer> timers;
    bool quit = false;
    int32_t quitCode = 0;
    int32_t inSend = 0;  // depth of sends from other threads being handled
    bool dead = false;
};

struct WindowClass {
    std::wstring name;
    WNDPROC proc;
    int listenFd = -1;
    std::string socketPath;
};

struct Window {
    HWND handle;
    WindowClass* cls;
    WNDPROC proc;
    HWND parent;
    std::wstring title;
    uint32_t style;
    bool visible;
    bool enabled;
    RECT rect;  // screen coordinates
    ThreadQueue* queue;
    bool invalid;
    RECT invalidRect;  // window coordinates
    bool erase;
    std::vector<HWND> children;
};

// A request to another process that waits for its answer.
struct Pending {
    bool done = false;
    LRESULT result = 0;
    int fd = -1;
    ThreadQueue* waiter = nullptr;
    std::condition_variable* cv = nullptr;
};

enum PacketKind : uint32_t { PK_HELLO = 1, PK_FIND, PK_FOUND, PK_POST, PK_SEND, PK_REPLY, PK_FOREGROUND };
struct PacketHeader {
    uint32_t kind;
    uint32_t id;
    uint32_t hwnd;
    uint32_t message;
    uint32_t wParam;
    int32_t lParam;
    uint32_t slot;
    uint32_t dataLength;
};
enum { PACKET_DATA_MAX = 64 * 1024 };

// One lock guards all of this state, and the transport's own state too.
extern std::mutex& lock;
extern std::map<uint32_t, Window*>& windows;  // by handle
extern std::map<std::wstring, WindowClass*>& classes;

// Owned by the transport.
extern uint32_t processSlot;
extern std::map<uint32_t, Pending*>& pendings;
extern uint32_t nextPendingId;

// The window system's side, lent to the transport. Called with the lock held (toUtf8
// and myQueue need none).
std::string toUtf8(const wchar_t* text);
ThreadQueue* myQueue();
Window* findWindow(HWND hwnd);
HWND findLocal(const std::wstring& cls, const wchar_t* title);
bool postLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
SentItem* queueSend(Window* w, UINT message, WPARAM wParam, LPARAM lParam, ThreadQueue* sender);
void processSentLocked(std::unique_lock<std::mutex>& g, ThreadQueue* q);
void foregroundLocal(HWND hwnd);

// The transport's side, lent to the window system. Called with the lock held.
bool sendPacket(int fd, const PacketHeader& header, const void* data);
void ensureSlot();
void wakeReader();
int connectionFor(const std::string& path, uint32_t* slot);
int connectionForSlot(uint32_t slot);
std::string socketPathFor(const std::wstring& cls);
void bindClassSocket(WindowClass* c);
LRESULT waitPending(std::unique_lock<std::mutex>& g, Pending* p);

}  // namespace window_internal
