// Device files on Linux over POSIX calls.
#include "platform/fs.h"

#include "platform/bytes.h"
#include "platform/gfs.h"
#include "platform/trace.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

struct FsFile {
    int fd;
    char host[];  // host path, for the step hook
};

struct FsLock {
    int fd;
};

struct FsDirListing {
    char* names;  // one 256-byte slot per entry
    int next;
    int count;
};

enum { FS_NAME_SLOT = 256, FS_HOST_PATH = PATH_MAX };

static char fsDeviceRoot[FS_HOST_PATH];
static int fsDeviceRootSet;
static thread_local int fsLastErrno;
static void (*fsTraceHook)(const char* line);
static void (*fsListingPassHook)(const char* hostPath);
static FsStepHook fsStepHook;

static void fsFail(int err) {
    fsLastErrno = err;
    errno = err;
}

void FsSetTraceHook(void (*hook)(const char* line)) { fsTraceHook = hook; }
void FsSetListingPassHook(void (*hook)(const char* hostPath)) { fsListingPassHook = hook; }
void FsSetStepHook(FsStepHook hook) { fsStepHook = hook; }

// Asks the step hook whether a step that is not a write may happen; false fails it as a
// full disk would.
static bool fsStepAllowed(int step, const char* host) {
    if (fsStepHook == nullptr || fsStepHook(step, host, 0, 0) >= 0) return true;
    fsFail(ENOSPC);
    return false;
}

int FsSetDeviceRoot(const char* hostFolder) {
    if (hostFolder == nullptr || hostFolder[0] == 0) {
        fsDeviceRootSet = 0;
        return 0;
    }
    size_t n = strlen(hostFolder);
    while (n > 1 && hostFolder[n - 1] == '/') n--;
    if (n >= sizeof fsDeviceRoot - 1) return -1;
    memcpy(fsDeviceRoot, hostFolder, n);
    fsDeviceRoot[n] = 0;
    fsDeviceRootSet = 1;
    return 0;
}

const char* FsGetDeviceRoot(void) {
    if (!fsDeviceRootSet) {
        const char* env = getenv("MOVANE_DEVICE_ROOT");
        int ok = -1;
        if (env != nullptr && env[0] != 0) {
            ok = FsSetDeviceRoot(env);
        } else {
            char buf[FS_HOST_PATH];
            const char* xdg = getenv("XDG_DATA_HOME");
            const char* home = getenv("HOME");
            int n = -1;
            if (xdg != nullptr && xdg[0] == '/')
                n = snprintf(buf, sizeof buf, "%s/movane/device", xdg);
            else if (home != nullptr && home[0] != 0)
                n = snprintf(buf, sizeof buf, "%s/.local/share/movane/device", home);
            if (n > 0 && n < (int)sizeof buf) ok = FsSetDeviceRoot(buf);
        }
        if (ok != 0) FsSetDeviceRoot("/tmp/movane-device");
    }
    return fsDeviceRoot;
}

int FsMakeDeviceRoot(void) {
    char path[sizeof fsDeviceRoot];
    snprintf(path, sizeof path, "%s", FsGetDeviceRoot());
    struct stat st;
    // each parent in turn, then the root itself
    for (char* p = path + 1;; p++) {
        if (*p != '/' && *p != 0) continue;
        char end = *p;
        *p = 0;
        if (mkdir(path, 0777) != 0 && errno != EEXIST) return -1;
        *p = end;
        if (end == 0) break;
    }
    if (stat(path, &st) != 0) return -1;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return -1;
    }
    return 0;
}

// Counts the UTF-16 units of a UTF-8 text (a four-byte sequence takes two).
static int fsUtf16Length(const char* s) {
    int n = 0;
    for (const unsigned char* p = (const unsigned char*)s; *p; p++) {
        if ((*p & 0xC0) != 0x80) n += (*p >= 0xF0) ? 2 : 1;
    }
    return n;
}

int FsMapDevicePath(const char* devicePath, char* out, int outSize) {
    if (devicePath == nullptr || out == nullptr) {
        fsFail(EINVAL);
        return -1;
    }
    if (fsUtf16Length(devicePath) > FS_MAX_DEVICE_PATH) {
        fsFail(ENAMETOOLONG);
        return -1;
    }
    const char* root = FsGetDeviceRoot();
    size_t rootLen = strlen(root);
    size_t pathLen = strlen(devicePath);
    // root + '/' + path + NUL
    if (rootLen + 1 + pathLen + 1 > (size_t)outSize) {
        fsFail(ENAMETOOLONG);
        return -1;
    }
    memcpy(out, root, rootLen);
    size_t o = rootLen;
    if (devicePath[0] != '\\' && devicePath[0] != '/') out[o++] = '/';
    // A ".." component would leave the device tree.
    const char* comp = devicePath;
    for (const char* p = devicePath;; p++) {
        char c = *p;
        if (c == '\\' || c == '/' || c == 0) {
            if (p - comp == 2 && comp[0] == '.' && comp[1] == '.') {
                fsFail(EACCES);
                return -1;
            }
            if (c == 0) break;
            out[o++] = '/';
            comp = p + 1;
        } else {
            out[o++] = c;
        }
    }
    out[o] = 0;
    return 0;
}

#define FS_MAP_OR_FAIL(path, buf, failValue) \
    char buf[FS_HOST_PATH];                  \
    if (FsMapDevicePath((path), buf, sizeof buf) != 0) return failValue

static void fsTraceOpenFailure(int err) {
    char line[64];
    snprintf(line, sizeof line, "CreateFileW() failed, err=%d\n", err);
    if (fsTraceHook != nullptr) {
        fsTraceHook(line);
    } else if (TraceIsEnabled(1, "fs", "FsOpen")) {
        for (const char* p = line; *p; p++) TraceSinkPutChar((unsigned char)*p);
    }
}

// Mode bits to open(2) flags: 64 is tested first, then 16, then 32; within 64 the
// access bits 1, 8, 4, 2 in that order.
static int fsOpenFlags(int mode) {
    if (mode & FS_OPEN_EXISTING) {
        if (mode & FS_OPEN_READ) return O_RDONLY;
        if (mode & (FS_OPEN_RW8 | FS_OPEN_RW4)) return O_RDWR;
        if (mode & FS_OPEN_WRITE) return O_WRONLY;
        return O_RDWR;
    }
    if (mode & FS_CREATE_ALWAYS) return ((mode & FS_OPEN_WRITE) ? O_WRONLY : O_RDWR) | O_CREAT | O_TRUNC;
    if (mode & FS_OPEN_ALWAYS) return O_RDWR | O_CREAT;
    return O_RDONLY;
}

static FsFile* fsOpenHost(const char* host, int flags) {
    if ((flags & O_TRUNC) && !fsStepAllowed(FS_STEP_TRUNCATE, host)) return nullptr;
    int fd = open(host, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        int err = errno;
        fsFail(err);
        fsTraceOpenFailure(err);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        // a folder is never opened as a file
        close(fd);
        fsFail(EACCES);
        fsTraceOpenFailure(EACCES);
        return nullptr;
    }
    size_t n = strlen(host);
    FsFile* f = (FsFile*)malloc(sizeof(FsFile) + n + 1);
    if (f == nullptr) {
        close(fd);
        fsFail(ENOMEM);
        return nullptr;
    }
    f->fd = fd;
    memcpy(f->host, host, n + 1);
    return f;
}

FsFile* FsOpen(const char* path, int mode) {
    FS_MAP_OR_FAIL(path, host, nullptr);
    return fsOpenHost(host, fsOpenFlags(mode));
}

int FsClose(FsFile* file) {
    if (file == nullptr) return 0;
    close(file->fd);
    free(file);
    return 0;
}

int FsRead(void* buffer, int count, FsFile* file) {
    if (file == nullptr || buffer == nullptr || count < 0) {
        fsFail(file == nullptr ? EBADF : EINVAL);
        return 0;
    }
    int done = 0;
    while (done < count) {
        ssize_t r = read(file->fd, (char*)buffer + done, (size_t)(count - done));
        if (r < 0) {
            if (errno == EINTR) continue;
            fsFail(errno);
            return 0;
        }
        if (r == 0) break;
        done += (int)r;
    }
    return done;
}

int FsWrite(const void* buffer, int count, FsFile* file) {
    if (file == nullptr || buffer == nullptr || count < 0) {
        fsFail(file == nullptr ? EBADF : EINVAL);
        return 0;
    }
    int allowed = count;
    if (fsStepHook != nullptr) {
        off_t at = lseek(file->fd, 0, SEEK_CUR);
        allowed = fsStepHook(FS_STEP_WRITE, file->host, count, at < 0 ? 0 : (int)at);
        if (allowed > count) allowed = count;
        if (allowed < 0) allowed = 0;
    }
    int done = 0;
    while (done < allowed) {
        ssize_t r = write(file->fd, (const char*)buffer + done, (size_t)(allowed - done));
        if (r < 0) {
            if (errno == EINTR) continue;
            fsFail(errno);
            return done;
        }
        done += (int)r;
    }
    if (done < count) {
        if (done == allowed && fsStepHook != nullptr) fsStepHook(FS_STEP_CUT, file->host, done, 0);
        fsFail(ENOSPC);
    }
    return done;
}

int FsFlush(FsFile* file) {
    if (file == nullptr) {
        fsFail(EBADF);
        return -1;
    }
    if (fsync(file->fd) != 0 && errno != EINVAL) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

int FsSeek(FsFile* file, int offset, int whence) {
    if (file == nullptr) {
        fsFail(EBADF);
        return -1;
    }
    int w = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : whence == 2 ? SEEK_END : -1;
    if (w < 0) {
        fsFail(EINVAL);
        return -1;
    }
    if (lseek(file->fd, (off_t)offset, w) < 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

int FsTell(FsFile* file) {
    if (file == nullptr) {
        fsFail(EBADF);
        return -1;
    }
    off_t pos = lseek(file->fd, 0, SEEK_CUR);
    if (pos < 0) {
        fsFail(errno);
        return -1;
    }
    return (int)pos;
}

int FsTruncate(FsFile* file, int length) {
    if (file == nullptr) {
        fsFail(EBADF);
        return -1;
    }
    if (length < 0) {
        fsFail(EINVAL);
        return -1;
    }
    if (lseek(file->fd, (off_t)length, SEEK_SET) < 0 || ftruncate(file->fd, (off_t)length) != 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

int FsTruncateByPath(const char* path, int length) {
    FsFile* f = FsOpen(path, FS_OPEN_ALWAYS);
    if (f == nullptr) return -1;
    int r = FsTruncate(f, length);
    FsClose(f);
    return r;
}

int FsRemove(const char* path) {
    FS_MAP_OR_FAIL(path, host, -1);
    struct stat st;
    if (lstat(host, &st) == 0 && S_ISDIR(st.st_mode)) {
        fsFail(EACCES);
        return -1;
    }
    if (!fsStepAllowed(FS_STEP_REMOVE, host)) return -1;
    if (unlink(host) != 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

int FsRename(const char* path, const char* newPath) {
    FS_MAP_OR_FAIL(path, from, -1);
    FS_MAP_OR_FAIL(newPath, to, -1);
    // The device's move never replaces an existing target.
    struct stat st;
    if (lstat(to, &st) == 0) {
        fsFail(EEXIST);
        return -1;
    }
    if (!fsStepAllowed(FS_STEP_RENAME, to)) return -1;
    if (rename(from, to) != 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

// Flushes the folder that holds a host path, so that a rename or a new name in it
// survives a power loss.
static int fsSyncFolder(const char* host) {
    char folder[FS_HOST_PATH];
    size_t n = strlen(host);
    memcpy(folder, host, n + 1);
    char* slash = strrchr(folder, '/');
    if (slash == nullptr) return 0;
    if (slash == folder) slash++;
    *slash = 0;
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fsFail(errno);
        return -1;
    }
    int r = fsync(fd);
    int err = errno;
    close(fd);
    if (r != 0 && err != EINVAL) {
        fsFail(err);
        return -1;
    }
    return 0;
}

static int fsSyncPath(const char* host) {
    int fd = open(host, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fsFail(errno);
        return -1;
    }
    int r = fsync(fd);
    int err = errno;
    close(fd);
    if (r != 0 && err != EINVAL) {
        fsFail(err);
        return -1;
    }
    return 0;
}

static int fsReplaceHost(const char* from, const char* to) {
    if (fsSyncPath(from) != 0) return -1;
    if (!fsStepAllowed(FS_STEP_RENAME, to)) return -1;
    if (rename(from, to) != 0) {
        fsFail(errno);
        return -1;
    }
    return fsSyncFolder(to);
}

int FsReplace(const char* path, const char* target) {
    FS_MAP_OR_FAIL(path, from, -1);
    FS_MAP_OR_FAIL(target, to, -1);
    struct stat st;
    if (lstat(to, &st) == 0 && S_ISDIR(st.st_mode)) {
        fsFail(EACCES);
        return -1;
    }
    return fsReplaceHost(from, to);
}

int FsReplaceFile(const char* path, const void* data, int count) {
    if (count < 0 || (count > 0 && data == nullptr)) {
        fsFail(EINVAL);
        return -1;
    }
    FS_MAP_OR_FAIL(path, to, -1);
    struct stat st;
    if (lstat(to, &st) == 0 && S_ISDIR(st.st_mode)) {
        fsFail(EACCES);
        return -1;
    }
    char temp[FS_HOST_PATH];
    int n = snprintf(temp, sizeof temp, "%s.%ld" FS_REPLACE_SUFFIX, to, (long)getpid());
    if (n < 0 || n >= (int)sizeof temp) {
        fsFail(ENAMETOOLONG);
        return -1;
    }
    FsFile* f = fsOpenHost(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (f == nullptr) return -1;
    bool ok = FsWrite(data, count, f) == count;
    ok = ok && FsFlush(f) == 0;
    int err = fsLastErrno;
    FsClose(f);
    if (ok && fsReplaceHost(temp, to) == 0) return 0;
    if (ok) err = fsLastErrno;
    unlink(temp);
    fsFail(err);
    return -1;
}

int FsGetAttributes(const char* path, FsAttributes* out) {
    FS_MAP_OR_FAIL(path, host, -1);
    if (out == nullptr) {
        fsFail(EINVAL);
        return -1;
    }
    size_t n = strlen(host);
    if (n > 1 && host[n - 1] == '/') host[n - 1] = 0;
    struct stat st;
    if (stat(host, &st) != 0) {
        fsFail(errno);
        return -1;
    }
    out->attributes = S_ISDIR(st.st_mode) ? FS_ATTR_DIRECTORY : FS_ATTR_NORMAL;
    out->size = S_ISDIR(st.st_mode) ? 0 : (uint32_t)st.st_size;
    return 0;
}

int FsIsDirectory(uint32_t attributes) { return (attributes & FS_ATTR_DIRECTORY) ? 1 : 0; }

// Free bytes of the volume holding the host path (or its nearest existing folder).
static uint32_t fsHostFreeSpace(char* host) {
    struct statvfs vs;
    for (;;) {
        if (statvfs(host, &vs) == 0) break;
        char* slash = strrchr(host, '/');
        if (slash == nullptr || slash == host) {
            fsFail(errno);
            return 0;
        }
        *slash = 0;
    }
    return FsSaturateFreeBytes((uint64_t)vs.f_bavail * (uint64_t)vs.f_frsize);
}

uint32_t FsSaturateFreeBytes(uint64_t bytes) { return bytes > 0x7FFFFFFFull ? 0x7FFFFFFFu : (uint32_t)bytes; }

uint32_t FsGetFreeSpace(const char* path) {
    FS_MAP_OR_FAIL(path, host, 0);
    return fsHostFreeSpace(host);
}

int32_t GetStorageFreeSpace(void) {
    GfsRootRecord root;
    if (GfsGetRootPath(0, &root) != 0) return 0;
    return (int32_t)FsGetFreeSpace(root.path);
}

int FsMakeDir(const char* path) {
    FS_MAP_OR_FAIL(path, host, -1);
    if (mkdir(host, 0777) != 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

int FsRemoveDir(const char* path) {
    FS_MAP_OR_FAIL(path, host, -1);
    if (rmdir(host) != 0) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

static int fsSkipName(const char* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }

FsDirListing* FsOpenDir(const char* path) {
    FS_MAP_OR_FAIL(path, host, nullptr);
    DIR* d = opendir(host);
    if (d == nullptr) {
        fsFail(errno);
        return nullptr;
    }
    int count = 0;
    for (struct dirent* e; (e = readdir(d)) != nullptr;)
        if (!fsSkipName(e->d_name)) count++;
    if (count == 0) {
        closedir(d);
        fsFail(ENOENT);
        return nullptr;
    }
    FsDirListing* l = (FsDirListing*)malloc(sizeof(FsDirListing));
    char* names = (char*)calloc((size_t)count, FS_NAME_SLOT);
    if (l == nullptr || names == nullptr) {
        free(l);
        free(names);
        closedir(d);
        fsFail(ENOMEM);
        return nullptr;
    }
    if (fsListingPassHook != nullptr) fsListingPassHook(host);
    rewinddir(d);
    // The folder may have grown since it was counted: store no more than counted.
    int stored = 0;
    for (struct dirent* e; stored < count && (e = readdir(d)) != nullptr;) {
        if (fsSkipName(e->d_name)) continue;
        size_t n = strlen(e->d_name);
        if (n > FS_NAME_SLOT - 1) continue;  // no such name on the device
        memcpy(names + (size_t)stored * FS_NAME_SLOT, e->d_name, n + 1);
        stored++;
    }
    closedir(d);
    l->names = names;
    l->next = 0;
    l->count = stored;
    return l;
}

const char* FsReadDir(FsDirListing* listing) {
    if (listing == nullptr || listing->next >= listing->count) return nullptr;
    return listing->names + (size_t)listing->next++ * FS_NAME_SLOT;
}

int FsRewindDir(FsDirListing* listing) {
    if (listing != nullptr) listing->next = 0;
    return 0;
}

int FsCloseDir(FsDirListing* listing) {
    if (listing != nullptr) {
        free(listing->names);
        free(listing);
    }
    return 0;
}

FsLock* FsLockOpen(const char* path) {
    FS_MAP_OR_FAIL(path, host, nullptr);
    int fd = open(host, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        fsFail(errno);
        return nullptr;
    }
    FsLock* lock = (FsLock*)malloc(sizeof(FsLock));
    if (lock == nullptr) {
        close(fd);
        fsFail(ENOMEM);
        return nullptr;
    }
    lock->fd = fd;
    return lock;
}

int FsLockTake(FsLock* lock, int exclusive) {
    if (lock == nullptr) {
        fsFail(EBADF);
        return -1;
    }
    while (flock(lock->fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
        if (errno != EINTR) {
            fsFail(errno);
            return -1;
        }
    }
    return 0;
}

int FsLockRelease(FsLock* lock) {
    if (lock == nullptr || flock(lock->fd, LOCK_UN) != 0) {
        fsFail(lock == nullptr ? EBADF : errno);
        return -1;
    }
    return 0;
}

int FsLockReadWord(FsLock* lock, uint32_t* value) {
    if (lock == nullptr || value == nullptr) {
        fsFail(EINVAL);
        return -1;
    }
    uint8_t b[4] = {0, 0, 0, 0};
    ssize_t r = pread(lock->fd, b, sizeof b, 0);
    if (r < 0) {
        fsFail(errno);
        return -1;
    }
    *value = le32(b);
    return 0;
}

int FsLockWriteWord(FsLock* lock, uint32_t value) {
    if (lock == nullptr) {
        fsFail(EINVAL);
        return -1;
    }
    uint8_t b[4] = {(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16), (uint8_t)(value >> 24)};
    if (pwrite(lock->fd, b, sizeof b, 0) != (ssize_t)sizeof b) {
        fsFail(errno);
        return -1;
    }
    return 0;
}

void FsLockClose(FsLock* lock) {
    if (lock == nullptr) return;
    close(lock->fd);
    free(lock);
}

char FsGetSeparator(void) { return '\\'; }

int FsLastError(void) {
    switch (fsLastErrno) {
        case 0:
            return 0;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return 18;
        case EBADF:
            return 19;
        case ENOMEM:
            return 22;
        case EINVAL:
            return 21;
        case EEXIST:
            return 16;
        default:
            return 255;
    }
}
