// The window system between processes: every process takes a slot (an flock'ed file in
// the runtime folder) and binds one seqpacket socket per class it registers. A peer is
// reached by connecting to its class sockets; the first packet each way says the sender's
// slot. One thread per process reads every socket; it answers lookups itself and queues
// posts and sends for the window threads. The state here is guarded by the window lock.
#include "platform/passert.h"
#include "platform/window.h"
#include "platform/window_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

using namespace window_internal;

namespace window_internal {

// Never destroyed: the socket reader may still run while the process exits.
uint32_t processSlot = 0;
std::map<uint32_t, Pending*>& pendings = *new std::map<uint32_t, Pending*>;
uint32_t nextPendingId = 1;

}  // namespace window_internal

namespace {

std::string& runtimeDir = *new std::string;
bool runtimeDirRefused = false;  // unsafe to share: no sockets, no slot files
int slotLockFd = -1;
std::map<uint32_t, int>& peerFds = *new std::map<uint32_t, int>;  // slot -> connection
std::vector<int>& connections = *new std::vector<int>;            // every connection the reader polls
int wakePipe[2] = {-1, -1};
bool readerStarted = false;

std::wstring fromUtf8(const char* s, size_t n) {
    std::wstring out;
    for (size_t i = 0; i < n;) {
        unsigned char c = (unsigned char)s[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c, len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, len = 3;
        } else {
            cp = c & 0x07, len = 4;
        }
        if (i + len > n) break;
        for (size_t k = 1; k < len; k++) cp = (cp << 6) | ((unsigned char)s[i + k] & 0x3F);
        out += (wchar_t)cp;
        i += len;
    }
    return out;
}

// ---- the process slot and the runtime folder ----

void ensureRuntimeDir() {
    if (!runtimeDir.empty()) return;
    const char* env = getenv("MOVANE_RUNTIME_DIR");
    if (env != nullptr && *env) {
        runtimeDir = env;
        mkdir(runtimeDir.c_str(), 0700);
        return;
    }
    if ((env = getenv("XDG_RUNTIME_DIR")) != nullptr && *env) {
        runtimeDir = std::string(env) + "/movane";
    } else {
        runtimeDir = "/tmp/movane-" + std::to_string(getuid());
    }
    // a folder another user made or can enter would hand our sockets and slots to them
    char why[160];
    if (!WindowCheckRuntimeDir(runtimeDir.c_str(), why, sizeof why)) {
        runtimeDirRefused = true;
        fprintf(stderr,
                "Movane: the runtime folder %s is refused: %s. This program runs alone; "
                "remove the folder or set XDG_RUNTIME_DIR.\n",
                runtimeDir.c_str(), why);
    }
}

}  // namespace

namespace window_internal {

void ensureSlot() {
    if (processSlot != 0) return;
    ensureRuntimeDir();
    if (runtimeDirRefused) {
        processSlot = 255;
        return;
    }
    for (uint32_t slot = 1; slot < 255; slot++) {
        std::string path = runtimeDir + "/slot-" + std::to_string(slot) + ".lock";
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            processSlot = slot;
            slotLockFd = fd;
            return;
        }
        close(fd);
    }
    processSlot = 255;  // no folder to share: this process is alone
}

// ---- the socket reader ----

bool sendPacket(int fd, const PacketHeader& header, const void* data) {
    std::vector<uint8_t> buffer(sizeof header + header.dataLength);
    memcpy(buffer.data(), &header, sizeof header);
    if (header.dataLength) memcpy(buffer.data() + sizeof header, data, header.dataLength);
    ssize_t n = send(fd, buffer.data(), buffer.size(), MSG_NOSIGNAL);
    return n == (ssize_t)buffer.size();
}

void wakeReader() {
    if (wakePipe[1] >= 0) (void)!write(wakePipe[1], "w", 1);
}

}  // namespace window_internal

namespace {

void handlePacket(int fd, const PacketHeader& h, const uint8_t* data);

void dropConnection(int fd) {
    close(fd);
    for (size_t i = 0; i < connections.size(); i++) {
        if (connections[i] == fd) {
            connections.erase(connections.begin() + i);
            break;
        }
    }
    for (auto it = peerFds.begin(); it != peerFds.end();) {
        if (it->second == fd) {
            it = peerFds.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& p : pendings) {
        if (p.second->fd == fd && !p.second->done) {
            p.second->done = true;
            p.second->result = 0;
            if (p.second->waiter) p.second->waiter->cv.notify_all();
            if (p.second->cv) p.second->cv->notify_all();
        }
    }
}

void* readerMain(void*) {
    std::vector<uint8_t> buffer(sizeof(PacketHeader) + PACKET_DATA_MAX);
    for (;;) {
        std::vector<pollfd> fds;
        {
            std::lock_guard<std::mutex> g(lock);
            fds.push_back({wakePipe[0], POLLIN, 0});
            for (auto& c : classes) {
                if (c.second->listenFd >= 0) fds.push_back({c.second->listenFd, POLLIN, 0});
            }
            for (int fd : connections) fds.push_back({fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) {
            char b[16];
            (void)!read(wakePipe[0], b, sizeof b);
        }
        for (size_t i = 1; i < fds.size(); i++) {
            if (!fds[i].revents) continue;
            int fd = fds[i].fd;
            bool listener = false;
            {
                std::lock_guard<std::mutex> g(lock);
                for (auto& c : classes) listener |= c.second->listenFd == fd;
            }
            if (listener) {
                int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (conn >= 0) {
                    std::lock_guard<std::mutex> g(lock);
                    connections.push_back(conn);
                }
                continue;
            }
            ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
            std::lock_guard<std::mutex> g(lock);
            if (n < (ssize_t)sizeof(PacketHeader)) {
                if (n <= 0) dropConnection(fd);
                continue;
            }
            PacketHeader h;
            memcpy(&h, buffer.data(), sizeof h);
            if (h.dataLength != (uint32_t)n - sizeof h) continue;  // malformed: ignored
            handlePacket(fd, h, buffer.data() + sizeof h);
        }
    }
    return nullptr;
}

// With the lock held.
void ensureReader() {
    if (readerStarted) return;
    readerStarted = true;
    if (pipe2(wakePipe, O_CLOEXEC) != 0) return;
    pthread_t thread;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_create(&thread, &attr, readerMain, nullptr);
    pthread_attr_destroy(&attr);
}

// On the reader thread, with the lock held.
void handlePacket(int fd, const PacketHeader& h, const uint8_t* data) {
    switch (h.kind) {
        case PK_HELLO: {
            peerFds[h.slot] = fd;
            if (h.id == 0) {  // a question: answer with our slot
                PacketHeader reply = {PK_HELLO, 1, 0, 0, 0, 0, processSlot, 0};
                sendPacket(fd, reply, nullptr);
            }
            break;
        }
        case PK_FIND: {
            std::string text((const char*)data, h.dataLength);
            size_t zero = text.find('\0');
            std::wstring cls = fromUtf8(text.data(), zero == std::string::npos ? text.size() : zero);
            std::wstring title;
            bool withTitle = h.wParam != 0 && zero != std::string::npos;
            if (withTitle) title = fromUtf8(text.data() + zero + 1, text.size() - zero - 1);
            HWND found = findLocal(cls, withTitle ? title.c_str() : nullptr);
            PacketHeader reply = {PK_FOUND, h.id, found, 0, 0, 0, processSlot, 0};
            sendPacket(fd, reply, nullptr);
            break;
        }
        case PK_FOUND:
        case PK_REPLY: {
            auto it = pendings.find(h.id);
            if (it != pendings.end()) {
                Pending* p = it->second;
                p->result = h.kind == PK_FOUND ? (LRESULT)h.hwnd : h.lParam;
                p->done = true;
                if (p->waiter) p->waiter->cv.notify_all();
                if (p->cv) p->cv->notify_all();
            }
            break;
        }
        case PK_POST:
            postLocal(h.hwnd, h.message, h.wParam, h.lParam);
            break;
        case PK_SEND: {
            Window* w = findWindow(h.hwnd);
            SentItem* item = nullptr;
            if (w != nullptr && !w->queue->dead) {
                LPARAM lParam = h.lParam;
                item = queueSend(w, h.message, h.wParam, lParam, nullptr);
                item->replyFd = fd;
                item->replyId = h.id;
                if (h.message == WM_COPYDATA) {
                    // the data word travels in lParam, the bytes behind the header
                    item->data.assign(data, data + h.dataLength);
                    item->copy = {(uint32_t)h.lParam, h.dataLength, item->data.data()};
                    item->lParam = (LPARAM)&item->copy;
                }
                w->queue->cv.notify_all();
            } else {
                PacketHeader reply = {PK_REPLY, h.id, h.hwnd, h.message, 0, 0, processSlot, 0};
                sendPacket(fd, reply, nullptr);
            }
            break;
        }
        case PK_FOREGROUND:
            foregroundLocal(h.hwnd);
            break;
    }
}

int connectSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        close(fd);
        return -1;
    }
    memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (connect(fd, (sockaddr*)&addr, sizeof addr) != 0) {
        int e = errno;
        close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

// Greets a new connection and learns the peer's slot; 0 when it does not answer.
uint32_t greet(int fd) {
    PacketHeader hello = {PK_HELLO, 0, 0, 0, 0, 0, processSlot, 0};
    if (!sendPacket(fd, hello, nullptr)) return 0;
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) return 0;
    PacketHeader reply;
    if (recv(fd, &reply, sizeof reply, 0) != (ssize_t)sizeof reply || reply.kind != PK_HELLO) return 0;
    return reply.slot;
}

}  // namespace

namespace window_internal {

// Connection to the process holding the class socket at path, or -1. Lock held.
int connectionFor(const std::string& path, uint32_t* slot) {
    if (runtimeDirRefused) {
        errno = ENOENT;
        return -1;
    }
    int fd = connectSocket(path);
    if (fd < 0) return -1;
    uint32_t peer = greet(fd);
    if (peer == 0 || peer == processSlot) {
        close(fd);
        return -1;
    }
    auto it = peerFds.find(peer);
    if (it != peerFds.end()) {
        close(fd);
        fd = it->second;
    } else {
        peerFds[peer] = fd;
        connections.push_back(fd);
        ensureReader();
        wakeReader();
    }
    if (slot) *slot = peer;
    return fd;
}

// Connection to the process of a slot: a known one, else one found among the sockets.
int connectionForSlot(uint32_t slot) {
    auto it = peerFds.find(slot);
    if (it != peerFds.end()) return it->second;
    ensureRuntimeDir();
    if (runtimeDirRefused) return -1;
    DIR* dir = opendir(runtimeDir.c_str());
    if (dir == nullptr) return -1;
    std::vector<std::string> paths;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".sock") == 0) paths.push_back(runtimeDir + "/" + name);
    }
    closedir(dir);
    for (const std::string& path : paths) {
        bool ours = false;
        for (auto& c : classes) ours |= c.second->socketPath == path;
        if (ours) continue;
        uint32_t peer = 0;
        int fd = connectionFor(path, &peer);
        if (fd >= 0 && peer == slot) return fd;
    }
    return -1;
}

std::string socketPathFor(const std::wstring& cls) { return runtimeDir + "/" + toUtf8(cls.c_str()) + ".sock"; }

// Binds the class socket unless a live process holds it; a stale one is removed.
void bindClassSocket(WindowClass* c) {
    ensureSlot();
    if (runtimeDirRefused) return;
    std::string path = socketPathFor(c->name);
    int probe = connectSocket(path);
    if (probe >= 0) {
        close(probe);
        return;  // another process serves this class
    }
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        close(fd);
        return;
    }
    memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (bind(fd, (sockaddr*)&addr, sizeof addr) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return;
    }
    c->listenFd = fd;
    c->socketPath = path;
    ensureReader();
    wakeReader();
}

// Waits (lock held through g) for a request to another process, handling sends made to
// this thread meanwhile.
LRESULT waitPending(std::unique_lock<std::mutex>& g, Pending* p) {
    PLATFORM_ASSERT(g.owns_lock() && g.mutex() == &lock);
    ThreadQueue* q = myQueue();
    p->waiter = q;
    while (!p->done) {
        processSentLocked(g, q);
        if (p->done) break;
        q->cv.wait(g);
    }
    return p->result;
}

}  // namespace window_internal

// ---- the runtime folder and the slot ----

int WindowCheckRuntimeDir(const char* path, char* why, size_t size) {
    if (mkdir(path, 0700) != 0 && errno != EEXIST) {
        snprintf(why, size, "it cannot be made (%s)", strerror(errno));
        return 0;
    }
    struct stat st;
    if (lstat(path, &st) != 0) {
        snprintf(why, size, "it cannot be read (%s)", strerror(errno));
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) {
        snprintf(why, size, "it is not a folder");
        return 0;
    }
    if (st.st_uid != geteuid()) {
        snprintf(why, size, "it belongs to user %u, not to you (%u)", (unsigned)st.st_uid, (unsigned)geteuid());
        return 0;
    }
    if ((st.st_mode & 077) != 0) {
        snprintf(why, size, "it is open to other users (mode %03o; 700 is needed)", (unsigned)(st.st_mode & 0777));
        return 0;
    }
    return 1;
}

const char* WindowRuntimeDir(void) {
    std::lock_guard<std::mutex> g(lock);
    ensureRuntimeDir();
    return runtimeDir.c_str();
}

uint32_t WindowProcessSlot(void) {
    std::lock_guard<std::mutex> g(lock);
    ensureSlot();
    return processSlot;
}
