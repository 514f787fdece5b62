// The window system. One lock guards every window, class, queue and timer; each thread
// that has windows has a queue with its own condition variable. A message sent to a
// window of another thread or process waits in that thread's list of sent messages; a
// thread waiting for its own send's answer keeps handling sends made to it, so two
// threads (or processes) that send to each other never deadlock. GetMessageW takes, in
// this order: sent messages, posted messages (WM_QUIT ends the loop once no posted
// message is left), WM_PAINT for a window with an invalid area, WM_TIMER for a due timer.
#include "platform/window.h"

#include "platform/passert.h"
#include "platform/text.h"
#include "platform/window_internal.h"

#include <errno.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>
#include <wchar.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using namespace window_internal;

namespace window_internal {

// Never destroyed: the socket reader may still run while the process exits.
std::mutex& lock = *new std::mutex;
std::map<uint32_t, Window*>& windows = *new std::map<uint32_t, Window*>;  // by handle
std::map<std::wstring, WindowClass*>& classes = *new std::map<std::wstring, WindowClass*>;

}  // namespace window_internal

namespace {

struct HotKey {
    HWND hwnd;
    int32_t id;
    UINT modifiers;
    UINT vk;
};

std::vector<HotKey>& hotKeys = *new std::vector<HotKey>;
uint32_t nextIndex = 1;
HWND focus = 0;
HWND active = 0;
uint32_t nextTimerId = 0x7000;

uint16_t* screenPixels = nullptr;
int32_t screenWidth = 0, screenHeight = 0;
bool screenChanged = false;
// The straight access's hold on the screen image: while held the image is neither
// replaced nor freed. Taken before the window lock, never after it.
std::mutex& frameLock = *new std::mutex;
std::condition_variable& frameFree = *new std::condition_variable;
bool frameHeld = false;
WindowDisplayHooks displayHooks = {nullptr, nullptr, 0};
ThreadQueue* displayQueue = nullptr;
void (*boxObserver)(HWND, const wchar_t*, const wchar_t*) = nullptr;

uint64_t nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

// The wire's words of the pointer-wide parameters: they carry values, never addresses.
bool fitsWire(WPARAM wParam, LPARAM lParam) {
    return wParam <= UINT32_MAX && lParam >= INT32_MIN && lParam <= (LPARAM)UINT32_MAX;
}
int32_t wireResult(LRESULT result) { return (int32_t)result; }

struct QueueHolder {
    ThreadQueue* queue = nullptr;
    ~QueueHolder();
};
thread_local QueueHolder threadQueue;

// Called with the lock held.
void completeSent(SentItem* item, LRESULT result);

// Called with the lock held: whether a window still names the queue.
bool queueNamed(const ThreadQueue* q) {
    for (const auto& entry : windows) {
        if (entry.second->queue == q) return true;
    }
    return false;
}

QueueHolder::~QueueHolder() {
    if (queue == nullptr) return;
    std::lock_guard<std::mutex> g(lock);
    queue->dead = true;
    for (SentItem* item : queue->sent) completeSent(item, 0);
    queue->sent.clear();
    queue->timers.clear();
    if (displayQueue == queue) displayQueue = nullptr;
    // windows of the thread may still name the queue: the last one's destruction frees it
    if (!queueNamed(queue)) delete queue;
}

uint32_t slotOf(HWND hwnd) { return hwnd >> 16; }

void completeSent(SentItem* item, LRESULT result) {
    item->result = result;
    if (item->sender != nullptr) {
        item->done = true;
        item->sender->cv.notify_all();
    } else {
        PacketHeader reply = {PK_REPLY, item->replyId,      item->hwnd,  item->message,
                              0,        wireResult(result), processSlot, 0};
        sendPacket(item->replyFd, reply, nullptr);
        delete item;
    }
}

}  // namespace

namespace window_internal {

std::string toUtf8(const wchar_t* text) { return WideToUtf8(text, text ? wcslen(text) : 0); }

ThreadQueue* myQueue() {
    if (threadQueue.queue == nullptr) threadQueue.queue = new ThreadQueue();
    return threadQueue.queue;
}

Window* findWindow(HWND hwnd) {
    auto it = windows.find(hwnd & ~1u);
    return it == windows.end() ? nullptr : it->second;
}

// ---- local queues ----

HWND findLocal(const std::wstring& cls, const wchar_t* title) {
    for (auto& e : windows) {
        Window* w = e.second;
        if (w->parent == 0 && w->cls->name == cls && (title == nullptr || w->title == title)) return w->handle;
    }
    return 0;
}

bool postLocal(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(hwnd);
    if (w == nullptr || w->queue->dead) return false;
    MSG m = {w->handle, message, wParam, lParam, (DWORD)nowMs(), {0, 0}};
    w->queue->posted.push_back(m);
    w->queue->cv.notify_all();
    return true;
}

SentItem* queueSend(Window* w, UINT message, WPARAM wParam, LPARAM lParam, ThreadQueue* sender) {
    SentItem* item = new SentItem();
    item->hwnd = w->handle;
    item->message = message;
    item->wParam = wParam;
    item->lParam = lParam;
    item->result = 0;
    item->done = false;
    item->sender = sender;
    item->replyFd = -1;
    item->replyId = 0;
    w->queue->sent.push_back(item);
    return item;
}

void processSentLocked(std::unique_lock<std::mutex>& g, ThreadQueue* q) {
    PLATFORM_ASSERT(g.owns_lock() && g.mutex() == &lock);
    while (!q->sent.empty()) {
        SentItem* item = q->sent.front();
        q->sent.pop_front();
        Window* w = findWindow(item->hwnd);
        WNDPROC proc = w ? w->proc : nullptr;
        LRESULT result = 0;
        if (proc != nullptr) {
            q->inSend++;
            g.unlock();
            result = proc(item->hwnd, item->message, item->wParam, item->lParam);
            g.lock();
            q->inSend--;
        }
        completeSent(item, result);
    }
}

void foregroundLocal(HWND hwnd) {
    Window* w = findWindow(hwnd);
    if (w == nullptr) return;
    // the window thread activates it; the display raises the desktop window
    postLocal(w->handle, WM_NULL + 0xFFFF, 0, 0);
}

}  // namespace window_internal

namespace {

RECT clipToScreen(RECT r) {
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > screenWidth) r.right = screenWidth;
    if (r.bottom > screenHeight) r.bottom = screenHeight;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// Device contexts are few and short-lived; each is its own allocation.
HDC makeDc(Window* w, const RECT* sub) {
    DeviceContext* dc = new DeviceContext();
    dc->pixels = screenPixels;
    dc->pitch = screenWidth;
    dc->origin = {w->rect.left, w->rect.top};
    RECT r = w->rect;
    if (sub != nullptr) {
        RECT s = {w->rect.left + sub->left, w->rect.top + sub->top, w->rect.left + sub->right,
                  w->rect.top + sub->bottom};
        r = {std::max(r.left, s.left), std::max(r.top, s.top), std::min(r.right, s.right),
             std::min(r.bottom, s.bottom)};
    }
    dc->clip = clipToScreen(r);
    return dc;
}

void destroyLocked(std::unique_lock<std::mutex>& g, Window* w);

enum : UINT { WM_INTERNAL_FOREGROUND = 0xFFFF };

}  // namespace

// ---- classes and windows ----

BOOL RegisterClassW(const WNDCLASSW* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr) return 0;
    std::lock_guard<std::mutex> g(lock);
    std::wstring name = wc->lpszClassName;
    if (classes.count(name)) return 0;
    WindowClass* c = new WindowClass();
    c->name = name;
    c->proc = wc->lpfnWndProc;
    classes[name] = c;
    if (name != L"Dialog") bindClassSocket(c);
    return 1;
}

BOOL UnregisterClassW(const wchar_t* className, void*) {
    std::lock_guard<std::mutex> g(lock);
    auto it = classes.find(className ? className : L"");
    if (it == classes.end()) return 0;
    for (auto& e : windows) {
        if (e.second->cls == it->second) return 0;
    }
    WindowClass* c = it->second;
    if (c->listenFd >= 0) {
        close(c->listenFd);
        unlink(c->socketPath.c_str());
        wakeReader();
    }
    classes.erase(it);
    delete c;
    return 1;
}

HWND CreateWindowExW(uint32_t exStyle, const wchar_t* className, const wchar_t* title, uint32_t style, int32_t x,
                     int32_t y, int32_t width, int32_t height, HWND parent, void* menu, void* instance, void* param) {
    std::unique_lock<std::mutex> g(lock);
    auto it = classes.find(className ? className : L"");
    if (it == classes.end()) return 0;
    Window* p = nullptr;
    if (parent != 0 && (p = findWindow(parent)) == nullptr) return 0;
    ensureSlot();
    // handles keep their lowest bit clear and never reuse a live index
    uint32_t index = nextIndex;
    while (windows.count(processSlot << 16 | index << 1)) index = index % 0x7FFF + 1;
    nextIndex = index % 0x7FFF + 1;
    Window* w = new Window();
    w->handle = processSlot << 16 | index << 1;
    w->cls = it->second;
    w->proc = it->second->proc;
    w->parent = p ? p->handle : 0;
    w->title = title ? title : L"";
    w->style = style;
    w->visible = (style & WS_VISIBLE) != 0;
    w->enabled = (style & WS_DISABLED) == 0;
    if (x == CW_USEDEFAULT) x = 0, y = 0;
    if (width == CW_USEDEFAULT) width = screenWidth, height = screenHeight;
    int32_t ox = p ? p->rect.left : 0, oy = p ? p->rect.top : 0;
    w->rect = {ox + x, oy + y, ox + x + width, oy + y + height};
    w->queue = myQueue();
    w->invalid = false;
    w->invalidRect = {0, 0, 0, 0};
    w->erase = false;
    windows[w->handle] = w;
    if (p) p->children.push_back(w->handle);
    HWND h = w->handle;
    WNDPROC proc = w->proc;
    g.unlock();
    CREATESTRUCTW cs = {param, instance, parent, height, width, y, x, style, title, className, exStyle};
    (void)menu;
    if (proc(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(h);
        return 0;
    }
    return h;
}

namespace {
void destroyLocked(std::unique_lock<std::mutex>& g, Window* w) {
    HWND h = w->handle;
    WNDPROC proc = w->proc;
    g.unlock();
    proc(h, WM_DESTROY, 0, 0);
    g.lock();
    w = findWindow(h);
    if (w == nullptr) return;
    while (!w->children.empty()) {
        Window* child = findWindow(w->children.back());
        w->children.pop_back();
        if (child) {
            child->parent = 0;  // already taken out of this list
            destroyLocked(g, child);
        }
        w = findWindow(h);
        if (w == nullptr) return;
    }
    if (w->parent) {
        Window* p = findWindow(w->parent);
        if (p) {
            for (size_t i = 0; i < p->children.size(); i++) {
                if (p->children[i] == h) {
                    p->children.erase(p->children.begin() + i);
                    break;
                }
            }
        }
    }
    ThreadQueue* q = w->queue;
    for (size_t i = 0; i < q->timers.size();) {
        if (q->timers[i].hwnd == h) {
            q->timers.erase(q->timers.begin() + i);
        } else {
            i++;
        }
    }
    for (size_t i = 0; i < hotKeys.size();) {
        if (hotKeys[i].hwnd == h) {
            hotKeys.erase(hotKeys.begin() + i);
        } else {
            i++;
        }
    }
    if (focus == h) focus = 0;
    if (active == h) active = 0;
    windows.erase(h);
    delete w;
    // the last window of a thread that has ended
    if (q->dead && !queueNamed(q)) delete q;
}
}  // namespace

BOOL DestroyWindow(HWND hwnd) {
    std::unique_lock<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    destroyLocked(g, w);
    return 1;
}

BOOL IsWindow(HWND hwnd) {
    std::lock_guard<std::mutex> g(lock);
    return findWindow(hwnd) != nullptr;
}

BOOL ShowWindow(HWND hwnd, int32_t command) {
    std::unique_lock<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    bool was = w->visible;
    w->visible = command != SW_HIDE;
    if (w->visible && !was) {
        w->invalid = true;
        w->erase = true;
        w->invalidRect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    }
    return was;
}

BOOL IsWindowVisible(HWND hwnd) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    return w != nullptr && w->visible;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    std::unique_lock<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    bool wasDisabled = !w->enabled;
    if (w->enabled != (enable != 0)) {
        w->enabled = enable != 0;
        HWND h = w->handle;
        g.unlock();
        SendMessageW(h, WM_ENABLE, enable != 0, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    return w != nullptr && w->enabled;
}

BOOL MoveWindow(HWND hwnd, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    Window* p = w->parent ? findWindow(w->parent) : nullptr;
    int32_t ox = p ? p->rect.left : 0, oy = p ? p->rect.top : 0;
    w->rect = {ox + x, oy + y, ox + x + width, oy + y + height};
    if (repaint) {
        w->invalid = true;
        w->invalidRect = {0, 0, width, height};
    }
    return 1;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || rect == nullptr) return 0;
    *rect = w->rect;
    return 1;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || rect == nullptr) return 0;
    *rect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return 1;
}

BOOL SetWindowTextW(HWND hwnd, const wchar_t* text) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    w->title = text ? text : L"";
    return 1;
}

int32_t GetWindowTextW(HWND hwnd, wchar_t* text, int32_t max) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || text == nullptr || max <= 0) return 0;
    int32_t n = std::min<int32_t>((int32_t)w->title.size(), max - 1);
    wmemcpy(text, w->title.c_str(), n);
    text[n] = 0;
    return n;
}

int32_t GetClassNameW(HWND hwnd, wchar_t* name, int32_t max) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || name == nullptr || max <= 0) return 0;
    int32_t n = std::min<int32_t>((int32_t)w->cls->name.size(), max - 1);
    wmemcpy(name, w->cls->name.c_str(), n);
    name[n] = 0;
    return n;
}

HWND GetParent(HWND hwnd) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    return w ? w->parent : 0;
}

HWND GetWindow(HWND hwnd, UINT command) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    if (command == GW_CHILD) return w->children.empty() ? 0 : w->children.front();
    if (command == GW_HWNDNEXT && w->parent) {
        Window* p = findWindow(w->parent);
        for (size_t i = 0; p && i + 1 < p->children.size(); i++) {
            if (p->children[i] == w->handle) return p->children[i + 1];
        }
    }
    return 0;
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || proc == nullptr) return nullptr;
    WNDPROC old = w->proc;
    w->proc = proc;
    return old;
}

HWND FindWindowW(const wchar_t* className, const wchar_t* title) {
    if (className == nullptr) return 0;
    std::unique_lock<std::mutex> g(lock);
    std::wstring cls = className;
    HWND found = findLocal(cls, title);
    if (found != 0) return found;
    ensureSlot();
    auto c = classes.find(cls);
    if (c != classes.end() && c->second->listenFd >= 0) return 0;  // the class is ours
    int fd = connectionFor(socketPathFor(cls), nullptr);
    if (fd < 0) {
        if (errno == ECONNREFUSED) unlink(socketPathFor(cls).c_str());  // its process died
        return 0;
    }
    std::string payload = toUtf8(className);
    payload += '\0';
    payload += toUtf8(title);
    Pending p;
    p.fd = fd;
    uint32_t id = nextPendingId++;
    pendings[id] = &p;
    PacketHeader h = {PK_FIND, id, 0, 0, title != nullptr, 0, processSlot, (uint32_t)payload.size()};
    if (sendPacket(fd, h, payload.data())) waitPending(g, &p);
    pendings.erase(id);
    return (HWND)p.result;
}

// ---- messages ----

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> g(lock);
    ensureSlot();
    if (slotOf(hwnd) != processSlot) {
        if (!fitsWire(wParam, lParam)) return 0;
        int fd = connectionForSlot(slotOf(hwnd));
        if (fd < 0) return 0;
        PacketHeader h = {PK_POST, 0, hwnd, message, (uint32_t)wParam, (int32_t)lParam, processSlot, 0};
        return sendPacket(fd, h, nullptr);
    }
    return postLocal(hwnd, message, wParam, lParam);
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::unique_lock<std::mutex> g(lock);
    ensureSlot();
    ThreadQueue* q = myQueue();
    if (slotOf(hwnd) != processSlot) {
        // WM_COPYDATA's lParam is the address of its record: the record's word and bytes go
        const bool copyData = message == WM_COPYDATA && lParam != 0;
        if (!fitsWire(wParam, copyData ? 0 : lParam)) return 0;
        int fd = connectionForSlot(slotOf(hwnd));
        if (fd < 0) return 0;
        Pending p;
        p.fd = fd;
        uint32_t id = nextPendingId++;
        pendings[id] = &p;
        PacketHeader h = {PK_SEND, id, hwnd, message, (uint32_t)wParam, (int32_t)lParam, processSlot, 0};
        const void* data = nullptr;
        if (copyData) {
            const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lParam;
            if (cds->cbData > PACKET_DATA_MAX) {
                pendings.erase(id);
                return 0;
            }
            h.lParam = (int32_t)cds->dwData;
            h.dataLength = cds->cbData;
            data = cds->lpData;
        }
        LRESULT result = 0;
        if (sendPacket(fd, h, data)) result = waitPending(g, &p);
        pendings.erase(id);
        return result;
    }
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    if (w->queue == q) {
        WNDPROC proc = w->proc;
        HWND h = w->handle;
        g.unlock();
        return proc(h, message, wParam, lParam);
    }
    if (w->queue->dead) return 0;
    SentItem* item = queueSend(w, message, wParam, lParam, q);
    w->queue->cv.notify_all();
    while (!item->done) {
        processSentLocked(g, q);
        if (item->done) break;
        q->cv.wait(g);
    }
    LRESULT result = item->result;
    delete item;
    return result;
}

void PostQuitMessage(int32_t exitCode) {
    std::lock_guard<std::mutex> g(lock);
    ThreadQueue* q = myQueue();
    q->quit = true;
    q->quitCode = exitCode;
    q->cv.notify_all();
}

BOOL InSendMessage(void) {
    std::lock_guard<std::mutex> g(lock);
    return myQueue()->inSend > 0;
}

namespace {
// One pass over the queue: true with a message in *msg.
bool takeMessage(std::unique_lock<std::mutex>& g, ThreadQueue* q, MSG* msg, bool remove) {
    processSentLocked(g, q);
    if (!q->posted.empty()) {
        *msg = q->posted.front();
        if (remove) q->posted.pop_front();
        return true;
    }
    if (q->quit) {
        *msg = {0, WM_QUIT, (WPARAM)q->quitCode, 0, (DWORD)nowMs(), {0, 0}};
        if (remove) q->quit = false;
        return true;
    }
    for (auto& e : windows) {
        Window* w = e.second;
        if (w->queue == q && w->invalid) {
            *msg = {w->handle, WM_PAINT, 0, 0, (DWORD)nowMs(), {0, 0}};
            return true;
        }
    }
    uint64_t now = nowMs();
    for (Timer& t : q->timers) {
        if (t.due <= now) {
            *msg = {t.hwnd, WM_TIMER, t.id, (LPARAM)t.proc, (DWORD)now, {0, 0}};
            if (remove) t.due = now + t.period;
            return true;
        }
    }
    return false;
}

void pumpDisplay(std::unique_lock<std::mutex>& g, ThreadQueue* q) {
    if (q != displayQueue || displayHooks.pumpInput == nullptr) return;
    void (*pump)(void) = displayHooks.pumpInput;
    g.unlock();
    pump();
    g.lock();
}
}  // namespace

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) return -1;
    std::unique_lock<std::mutex> g(lock);
    ThreadQueue* q = myQueue();
    for (;;) {
        pumpDisplay(g, q);
        if (takeMessage(g, q, msg, true)) {
            if (msg->message == WM_INTERNAL_FOREGROUND) {
                HWND h = msg->hwnd;
                g.unlock();
                SetForegroundWindow(h);
                g.lock();
                continue;
            }
            return msg->message != WM_QUIT;
        }
        uint64_t now = nowMs(), wake = UINT64_MAX;
        for (Timer& t : q->timers) wake = std::min(wake, t.due);
        if (q == displayQueue && displayHooks.pumpInput) wake = std::min(wake, now + (uint64_t)displayHooks.pumpMs);
        if (wake == UINT64_MAX) {
            q->cv.wait(g);
        } else if (wake > now) {
            q->cv.wait_for(g, std::chrono::milliseconds(wake - now));
        }
    }
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
    if (msg == nullptr) return 0;
    std::unique_lock<std::mutex> g(lock);
    ThreadQueue* q = myQueue();
    pumpDisplay(g, q);
    return takeMessage(g, q, msg, (remove & PM_REMOVE) != 0);
}

BOOL TranslateMessage(const MSG* msg) { return 0; }

LRESULT DispatchMessageW(const MSG* msg) {
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        TIMERPROC proc = (TIMERPROC)msg->lParam;
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> g(lock);
        Window* w = findWindow(msg->hwnd);
        if (w == nullptr) return 0;
        proc = w->proc;
    }
    LRESULT result = proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT) {
        // a window that did not paint is taken as painted, as the default procedure would
        ValidateRect(msg->hwnd, nullptr);
    }
    return result;
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SETTEXT:
            return SetWindowTextW(hwnd, (const wchar_t*)lParam);
        case WM_GETTEXT:
            return GetWindowTextW(hwnd, (wchar_t*)lParam, (int32_t)wParam);
        case WM_ERASEBKGND:
            return 1;
    }
    return 0;
}

// ---- timers ----

uint32_t SetTimer(HWND hwnd, uint32_t id, uint32_t elapseMs, TIMERPROC proc) {
    std::lock_guard<std::mutex> g(lock);
    ThreadQueue* q = myQueue();
    if (hwnd != 0) {
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        q = w->queue;
    } else {
        id = nextTimerId++;
    }
    if (elapseMs == 0) elapseMs = 1;
    for (Timer& t : q->timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t = {hwnd, id, elapseMs, proc, nowMs() + elapseMs};
            return id ? id : 1;
        }
    }
    q->timers.push_back({hwnd, id, elapseMs, proc, nowMs() + elapseMs});
    q->cv.notify_all();
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, uint32_t id) {
    std::lock_guard<std::mutex> g(lock);
    ThreadQueue* q = myQueue();
    if (hwnd != 0) {
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        q = w->queue;
    }
    for (size_t i = 0; i < q->timers.size(); i++) {
        if (q->timers[i].hwnd == hwnd && q->timers[i].id == id) {
            q->timers.erase(q->timers.begin() + i);
            return 1;
        }
    }
    return 0;
}

// ---- focus and activation ----

HWND SetFocus(HWND hwnd) {
    std::unique_lock<std::mutex> g(lock);
    if (hwnd != 0 && findWindow(hwnd) == nullptr) return 0;
    HWND old = focus;
    if (old == hwnd) return old;
    focus = hwnd;
    g.unlock();
    if (old != 0) SendMessageW(old, WM_KILLFOCUS, hwnd, 0);
    if (hwnd != 0) SendMessageW(hwnd, WM_SETFOCUS, old, 0);
    return old;
}

HWND GetFocus(void) {
    std::lock_guard<std::mutex> g(lock);
    return focus;
}

HWND SetActiveWindow(HWND hwnd) {
    std::unique_lock<std::mutex> g(lock);
    if (hwnd != 0 && findWindow(hwnd) == nullptr) return 0;
    HWND old = active;
    if (old == hwnd) return old;
    active = hwnd;
    g.unlock();
    if (old != 0) SendMessageW(old, WM_ACTIVATE, WA_INACTIVE, (LPARAM)hwnd);
    if (hwnd != 0) SendMessageW(hwnd, WM_ACTIVATE, WA_ACTIVE, (LPARAM)old);
    return old;
}

HWND GetActiveWindow(void) {
    std::lock_guard<std::mutex> g(lock);
    return active;
}

BOOL SetForegroundWindow(HWND hwnd) {
    hwnd &= ~1u;
    void (*raise)(void) = nullptr;
    {
        std::lock_guard<std::mutex> g(lock);
        ensureSlot();
        if (slotOf(hwnd) != processSlot) {
            int fd = connectionForSlot(slotOf(hwnd));
            if (fd < 0) return 0;
            PacketHeader h = {PK_FOREGROUND, 0, hwnd, 0, 0, 0, processSlot, 0};
            return sendPacket(fd, h, nullptr);
        }
        if (findWindow(hwnd) == nullptr) return 0;
        raise = displayHooks.raise;
    }
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
    if (raise) raise();
    return 1;
}

// ---- painting ----

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    RECT all = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    RECT r = rect ? *rect : all;
    if (w->invalid) {
        r = {std::min(r.left, w->invalidRect.left), std::min(r.top, w->invalidRect.top),
             std::max(r.right, w->invalidRect.right), std::max(r.bottom, w->invalidRect.bottom)};
    }
    w->invalidRect = r;
    w->invalid = true;
    w->erase = w->erase || erase;
    w->queue->cv.notify_all();
    return 1;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr) return 0;
    if (rect == nullptr || (rect->left <= w->invalidRect.left && rect->top <= w->invalidRect.top &&
                            rect->right >= w->invalidRect.right && rect->bottom >= w->invalidRect.bottom)) {
        w->invalid = false;
        w->erase = false;
    }
    return 1;
}

BOOL UpdateWindow(HWND hwnd) {
    WNDPROC proc;
    {
        std::lock_guard<std::mutex> g(lock);
        Window* w = findWindow(hwnd);
        if (w == nullptr) return 0;
        if (!w->invalid) return 1;
        proc = w->proc;
    }
    proc(hwnd, WM_PAINT, 0, 0);
    ValidateRect(hwnd, nullptr);
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    if (w == nullptr || ps == nullptr) return nullptr;
    ps->rcPaint = w->invalid ? w->invalidRect : RECT{0, 0, 0, 0};
    ps->fErase = w->erase;
    ps->hdc = makeDc(w, nullptr);
    w->invalid = false;
    w->erase = false;
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps == nullptr) return 0;
    ReleaseDC(hwnd, ps->hdc);
    return 1;
}

HDC GetDC(HWND hwnd) {
    std::lock_guard<std::mutex> g(lock);
    Window* w = findWindow(hwnd);
    return w ? makeDc(w, nullptr) : nullptr;
}

int32_t ReleaseDC(HWND hwnd, HDC dc) {
    if (dc == nullptr) return 0;
    std::lock_guard<std::mutex> g(lock);
    screenChanged = true;
    delete dc;
    return 1;
}

void FillRectPixel(HDC dc, const RECT* rect, uint16_t pixel) {
    if (dc == nullptr || dc->pixels == nullptr || rect == nullptr) return;
    int32_t left = std::max(dc->clip.left, dc->origin.x + rect->left);
    int32_t top = std::max(dc->clip.top, dc->origin.y + rect->top);
    int32_t right = std::min(dc->clip.right, dc->origin.x + rect->right);
    int32_t bottom = std::min(dc->clip.bottom, dc->origin.y + rect->bottom);
    for (int32_t y = top; y < bottom; y++) {
        for (int32_t x = left; x < right; x++) dc->pixels[y * dc->pitch + x] = pixel;
    }
}

// ---- hot keys and input ----

BOOL RegisterHotKey(HWND hwnd, int32_t id, UINT modifiers, UINT virtualKey) {
    std::lock_guard<std::mutex> g(lock);
    if (findWindow(hwnd) == nullptr) return 0;
    for (HotKey& k : hotKeys) {
        if (k.vk == virtualKey) return 0;
    }
    hotKeys.push_back({hwnd, id, modifiers, virtualKey});
    return 1;
}

BOOL UnregisterHotKey(HWND hwnd, int32_t id) {
    std::lock_guard<std::mutex> g(lock);
    for (size_t i = 0; i < hotKeys.size(); i++) {
        if (hotKeys[i].hwnd == hwnd && hotKeys[i].id == id) {
            hotKeys.erase(hotKeys.begin() + i);
            return 1;
        }
    }
    return 0;
}

void WindowPostKey(UINT virtualKey, BOOL down, BOOL repeat) {
    std::lock_guard<std::mutex> g(lock);
    for (HotKey& k : hotKeys) {
        if (k.vk != virtualKey) continue;
        if (!down && !(k.modifiers & MOD_KEYUP)) return;
        postLocal(k.hwnd, WM_HOTKEY, (WPARAM)k.id,
                  (LPARAM)((virtualKey << 16) | (down ? 0 : MOD_KEYUP) | (k.modifiers & 7)));
        return;
    }
    if (focus == 0) return;
    // repeat count 1; bit 30 the previous state, bit 31 set on release
    uint32_t lParam = 1u | ((down ? (repeat ? 1u : 0u) : 1u) << 30) | ((down ? 0u : 1u) << 31);
    postLocal(focus, down ? WM_KEYDOWN : WM_KEYUP, virtualKey, (LPARAM)lParam);
}

void WindowPostPointer(UINT message, int32_t x, int32_t y) {
    std::lock_guard<std::mutex> g(lock);
    HWND target = active ? active : focus;
    Window* w = findWindow(target);
    if (w == nullptr) return;
    int32_t cx = x - w->rect.left, cy = y - w->rect.top;
    postLocal(target, message, message == WM_MOUSEMOVE ? 0 : 1,
              (LPARAM)((uint32_t)(cy & 0xFFFF) << 16 | (uint32_t)(cx & 0xFFFF)));
}

void WindowSetScreen(uint16_t* pixels, int32_t width, int32_t height) {
    std::unique_lock<std::mutex> f(frameLock);
    frameFree.wait(f, [] { return !frameHeld; });
    std::lock_guard<std::mutex> g(lock);
    screenPixels = pixels;
    screenWidth = pixels ? width : 0;
    screenHeight = pixels ? height : 0;
}

void WindowSetDisplayHooks(const WindowDisplayHooks* hooks) {
    std::lock_guard<std::mutex> g(lock);
    if (hooks) {
        displayHooks = *hooks;
        displayQueue = myQueue();
    } else {
        displayHooks = {nullptr, nullptr, 0};
        displayQueue = nullptr;
    }
}

int32_t WindowPostToTopLevel(UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard<std::mutex> g(lock);
    int32_t posted = 0;
    for (const auto& entry : windows) {
        if (entry.second->parent == 0 && postLocal(entry.first, message, wParam, lParam)) posted++;
    }
    return posted;
}

void WindowGetScreenSize(int32_t* width, int32_t* height) {
    std::lock_guard<std::mutex> g(lock);
    if (width) *width = screenWidth;
    if (height) *height = screenHeight;
}

uint16_t* WindowHoldScreen(int32_t* width, int32_t* height) {
    std::unique_lock<std::mutex> f(frameLock);
    frameFree.wait(f, [] { return !frameHeld; });
    std::lock_guard<std::mutex> g(lock);
    if (width) *width = screenWidth;
    if (height) *height = screenHeight;
    if (screenPixels == nullptr) return nullptr;
    frameHeld = true;
    return screenPixels;
}

BOOL WindowReleaseScreen(BOOL changed) {
    {
        // signalled under the lock, as the race detector wants it
        std::lock_guard<std::mutex> f(frameLock);
        if (!frameHeld) return 0;
        frameHeld = false;
        frameFree.notify_all();
    }
    if (changed) {
        std::lock_guard<std::mutex> g(lock);
        screenChanged = true;
    }
    return 1;
}

BOOL WindowTakeScreenChanged(void) {
    std::lock_guard<std::mutex> g(lock);
    bool was = screenChanged;
    screenChanged = false;
    return was;
}

void WindowSetMessageBoxObserver(void (*observer)(HWND, const wchar_t*, const wchar_t*)) {
    std::lock_guard<std::mutex> g(lock);
    boxObserver = observer;
}

// ---- message boxes ----

namespace {
struct BoxState {
    std::wstring text;
    UINT type;
    int32_t answer;
    bool ended;
};
std::map<HWND, BoxState*>& boxes = *new std::map<HWND, BoxState*>;  // guarded by lock

int32_t firstButton(UINT type) { return (type & 0xF) == MB_YESNO ? IDYES : IDOK; }
int32_t lastButton(UINT type) { return (type & 0xF) == MB_YESNO ? IDNO : IDOK; }

LRESULT boxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    BoxState* box = nullptr;
    {
        std::lock_guard<std::mutex> g(lock);
        auto it = boxes.find(hwnd);
        if (it != boxes.end()) box = it->second;
    }
    if (box == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_COMMAND:
            box->answer = (int32_t)(wParam & 0xFFFF);
            box->ended = true;
            return 0;
        case WM_KEYUP:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                box->answer = wParam == VK_RETURN ? firstButton(box->type) : lastButton(box->type);
                box->ended = true;
            }
            return 0;
        case WM_CLOSE:
            box->answer = lastButton(box->type) == IDNO ? IDNO : IDOK;
            box->ended = true;
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

int32_t MessageBoxW(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    {
        std::lock_guard<std::mutex> g(lock);
        if (!classes.count(L"Dialog")) {
            WindowClass* c = new WindowClass();
            c->name = L"Dialog";
            c->proc = boxProc;
            classes[c->name] = c;
        }
    }
    HWND box = CreateWindowExW(0, L"Dialog", caption, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, 0, nullptr, nullptr, nullptr);
    if (box == 0) return 0;
    BoxState state = {text ? text : L"", type, 0, false};
    void (*observer)(HWND, const wchar_t*, const wchar_t*);
    {
        std::lock_guard<std::mutex> g(lock);
        boxes[box] = &state;
        observer = boxObserver;
    }
    fprintf(stderr, "%s: %s\n", toUtf8(caption).c_str(), toUtf8(text).c_str());
    HWND previousActive = SetActiveWindow(box);
    HWND previousFocus = SetFocus(box);
    if (observer) observer(box, caption ? caption : L"", state.text.c_str());
    MSG msg;
    bool quit = false;
    int32_t quitCode = 0;
    while (!state.ended && IsWindow(box)) {
        if (!GetMessageW(&msg, 0, 0, 0)) {
            quit = true;
            quitCode = (int32_t)msg.wParam;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    {
        std::lock_guard<std::mutex> g(lock);
        boxes.erase(box);
    }
    DestroyWindow(box);
    if (IsWindow(previousActive)) SetActiveWindow(previousActive);
    if (IsWindow(previousFocus)) SetFocus(previousFocus);
    if (quit) PostQuitMessage(quitCode);  // the outer loop ends too
    (void)owner;
    return state.ended ? state.answer : 0;
}
