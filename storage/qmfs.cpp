// File-system front end.
#include "storage/qmfs.h"

#include "storage/qmfs_gfs.h"
#include "storage/qmfs_rom.h"

#include "platform/trace.h"

#include <string.h>

struct QmfsHandleRecord {
    uint32_t inUse;
    const QmfsOps* ops;
    QmfsConnector* connector;
    int connectorHandle;
};

static const QmfsConnectorRow qmfsBuiltinConnectors[] = {
    {1, qmfs_gfs_fill},
    {1, qmfs_rom_fill},
    {0, nullptr},
};

static const QmfsConnectorRow* qmfsConnectorList = qmfsBuiltinConnectors;
static QmfsConnector qmfsConnectors[QMFS_CONNECTORS];
static int qmfsConnectorCount;
static QmfsHandleRecord qmfsHandles[QMFS_HANDLES];
static QmfsHandleRecord qmfsDirRecords[QMFS_DIR_RECORDS];
static int qmfsStarted;
static int qmfsLastError;
static QmfsTraceHook qmfsTrace;

void qmfs_setTraceHook(QmfsTraceHook hook) { qmfsTrace = hook; }

void qmfs_trace(int level, const char* source, const char* function, const char* text) {
    if (qmfsTrace != nullptr) {
        qmfsTrace(level, source, function, text);
    } else if (TraceIsEnabled(level, source, function)) {
        for (const char* p = text; *p; p++) TraceSinkPutChar((unsigned char)*p);
        TraceSinkPutChar('\n');
    }
}

void qmfs_setConnectorList(const QmfsConnectorRow* rows) {
    qmfsConnectorList = rows != nullptr ? rows : qmfsBuiltinConnectors;
}

int qmfs_getLastError(void) { return qmfsLastError; }

int qmfs_initialize(void) {
    if (qmfsStarted) return -1;
    memset(qmfsConnectors, 0, sizeof qmfsConnectors);
    memset(qmfsHandles, 0, sizeof qmfsHandles);
    memset(qmfsDirRecords, 0, sizeof qmfsDirRecords);
    qmfsConnectorCount = 0;
    for (const QmfsConnectorRow* row = qmfsConnectorList; row->present; row++) {
        if (qmfsConnectorCount >= QMFS_CONNECTORS) break;
        QmfsConnector* c = &qmfsConnectors[qmfsConnectorCount];
        memset(c, 0, sizeof *c);
        if (row->fill != nullptr && row->fill(c) == 0) qmfsConnectorCount++;
    }
    qmfsStarted = 1;
    qmfsLastError = QMFS_OK;
    return 0;
}

int qmfs_finalize(void) {
    if (!qmfsStarted) return -1;
    for (int i = 0; i < QMFS_HANDLES; i++) {
        QmfsHandleRecord* h = &qmfsHandles[i];
        if (h->inUse && h->ops->close != nullptr) h->ops->close(h->connectorHandle);
    }
    for (int i = 0; i < QMFS_DIR_RECORDS; i++) {
        QmfsHandleRecord* h = &qmfsDirRecords[i];
        if (h->inUse && h->ops->closedir != nullptr) h->ops->closedir(h->connectorHandle);
    }
    for (int i = 0; i < qmfsConnectorCount; i++)
        if (qmfsConnectors[i].ops.finalize != nullptr) qmfsConnectors[i].ops.finalize();
    memset(qmfsConnectors, 0, sizeof qmfsConnectors);
    memset(qmfsHandles, 0, sizeof qmfsHandles);
    memset(qmfsDirRecords, 0, sizeof qmfsDirRecords);
    qmfsConnectorCount = 0;
    qmfsStarted = 0;
    return 0;
}

const QmfsConnector* qmfs_findConnector(const char* scheme) {
    if (scheme == nullptr) return nullptr;
    for (int i = 0; i < qmfsConnectorCount; i++)
        if (strcmp(qmfsConnectors[i].scheme, scheme) == 0) return &qmfsConnectors[i];
    return nullptr;
}

// Splits "scheme:path"; answers the connector and the path after the ':', or null with
// the last error set (1 no ':' or empty, 3 no connector).
static QmfsConnector* qmfsSplit(const char* uri, const char** path) {
    const char* colon = uri[0] != 0 ? strchr(uri, ':') : nullptr;
    if (colon == nullptr) {
        qmfsLastError = QMFS_ERR_BAD_URI;
        return nullptr;
    }
    size_t n = (size_t)(colon - uri);
    char scheme[10];
    // a longer scheme than any connector's matches none
    if (n >= sizeof scheme) {
        qmfsLastError = QMFS_ERR_NO_CONNECTOR;
        return nullptr;
    }
    memcpy(scheme, uri, n);
    scheme[n] = 0;
    QmfsConnector* c = (QmfsConnector*)qmfs_findConnector(scheme);
    if (c == nullptr) {
        qmfsLastError = QMFS_ERR_NO_CONNECTOR;
        return nullptr;
    }
    *path = colon + 1;
    return c;
}

static int qmfsConnectorError(const QmfsConnector* c) {
    return c->ops.lastError != nullptr ? c->ops.lastError() : QMFS_ERR_OTHER;
}

// Sets the last error and answers -1.
static int qmfsFail(int error) {
    qmfsLastError = error;
    return -1;
}

// A connector call's result; its failure leaves the connector's own error.
static int qmfsResult(const QmfsConnector* c, int result) {
    if (result == -1) qmfsLastError = qmfsConnectorError(c);
    return result;
}

int qmfs_open(const char* uri, const QmfsMode* mode) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    const char* path;
    QmfsConnector* c = qmfsSplit(uri, &path);
    if (c == nullptr) return -1;
    int slot = -1;
    for (int i = 0; i < QMFS_HANDLES; i++) {
        if (!qmfsHandles[i].inUse) {
            slot = i;
            break;
        }
    }
    if (slot < 0) return qmfsFail(QMFS_ERR_NO_HANDLE);
    if (c->ops.open == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    int ch = c->ops.open(path, mode);
    if (ch == -1) {
        qmfsLastError = qmfsConnectorError(c);
        return -1;
    }
    QmfsHandleRecord* h = &qmfsHandles[slot];
    h->inUse = 1;
    h->ops = &c->ops;
    h->connector = c;
    h->connectorHandle = ch;
    return slot;
}

static QmfsHandleRecord* qmfsHandle(int handle) {
    qmfsLastError = QMFS_OK;
    if ((uint32_t)handle >= QMFS_HANDLES || !qmfsHandles[handle].inUse) {
        qmfsLastError = QMFS_ERR_BAD_HANDLE;
        return nullptr;
    }
    return &qmfsHandles[handle];
}

int qmfs_close(int handle) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    int result;
    if (h->ops->close == nullptr) {
        result = qmfsFail(QMFS_ERR_UNSUPPORTED);
    } else {
        result = qmfsResult(h->connector, h->ops->close(h->connectorHandle));
    }
    memset(h, 0, sizeof *h);
    return result;
}

int qmfs_read(int handle, void* buffer, int count) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (buffer == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    if (h->ops->read == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->read(h->connectorHandle, buffer, count));
}

int qmfs_write(int handle, const void* buffer, int count) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (buffer == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    if (h->ops->write == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->write(h->connectorHandle, buffer, count));
}

int qmfs_seek(int handle, int offset, int whence) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (h->ops->seek == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->seek(h->connectorHandle, offset, whence));
}

int qmfs_tell(int handle) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (h->ops->tell == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->tell(h->connectorHandle));
}

int qmfs_truncate(int handle, int length) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (h->ops->truncate == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->truncate(h->connectorHandle, length));
}

int qmfs_fstat(int handle, QmfsStat* status) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (status == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    if (h->ops->fstat == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->fstat(h->connectorHandle, status));
}

int qmfs_remove(const char* uri) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    const char* path;
    QmfsConnector* c = qmfsSplit(uri, &path);
    if (c == nullptr) return -1;
    if (c->ops.remove == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(c, c->ops.remove(path));
}

int qmfs_rename(const char* uri, const char* newUri) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr || newUri == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    const char* path;
    const char* newPath;
    QmfsConnector* c = qmfsSplit(uri, &path);
    if (c == nullptr) return -1;
    QmfsConnector* c2 = qmfsSplit(newUri, &newPath);
    if (c2 == nullptr) return -1;
    if (c2 != c) return qmfsFail(QMFS_ERR_BAD_URI);
    if (c->ops.rename == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(c, c->ops.rename(path, newPath));
}

int qmfs_getFreeSpace(const char* uri) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    const char* path;
    QmfsConnector* c = qmfsSplit(uri, &path);
    if (c == nullptr) return -1;
    if (c->ops.freeSpace == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(c, c->ops.freeSpace(path));
}

int qmfs_stat(const char* uri, QmfsStat* status) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr || status == nullptr) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    const char* path;
    QmfsConnector* c = qmfsSplit(uri, &path);
    if (c == nullptr) return -1;
    if (c->ops.stat == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(c, c->ops.stat(path, status));
}

int qmfs_flush(int handle) {
    QmfsHandleRecord* h = qmfsHandle(handle);
    if (h == nullptr) return -1;
    if (h->ops->flush == nullptr) return qmfsFail(QMFS_ERR_UNSUPPORTED);
    return qmfsResult(h->connector, h->ops->flush(h->connectorHandle));
}

// The device-file connector behind a "gfs:" URI, or null (error set).
static QmfsConnector* qmfsDeviceFiles(const char* uri, const char** path) {
    qmfsLastError = QMFS_OK;
    if (uri == nullptr) {
        qmfsLastError = QMFS_ERR_BAD_ARGUMENT;
        return nullptr;
    }
    QmfsConnector* c = qmfsSplit(uri, path);
    if (c == nullptr) return nullptr;
    if (c->ops.open != qmfs_gfs_connectorOpen()) {
        qmfsLastError = QMFS_ERR_UNSUPPORTED;
        return nullptr;
    }
    return c;
}

int qmfs_replaceFile(const char* uri, const void* data, int size) {
    const char* path;
    QmfsConnector* c = qmfsDeviceFiles(uri, &path);
    if (c == nullptr) return -1;
    if (data == nullptr && size > 0) return qmfsFail(QMFS_ERR_BAD_ARGUMENT);
    return qmfsResult(c, qmfs_gfs_replaceFile(path, data, size));
}

int qmfs_replace(const char* uri, const char* targetUri) {
    const char* path;
    const char* targetPath;
    QmfsConnector* c = qmfsDeviceFiles(uri, &path);
    if (c == nullptr) return -1;
    QmfsConnector* c2 = qmfsDeviceFiles(targetUri, &targetPath);
    if (c2 == nullptr) return -1;
    if (c2 != c) return qmfsFail(QMFS_ERR_BAD_URI);
    return qmfsResult(c, qmfs_gfs_replace(path, targetPath));
}

FsLock* qmfs_openLock(const char* uri) {
    const char* path;
    QmfsConnector* c = qmfsDeviceFiles(uri, &path);
    if (c == nullptr) return nullptr;
    FsLock* lock = qmfs_gfs_openLock(path);
    if (lock == nullptr) qmfsLastError = qmfsConnectorError(c);
    return lock;
}
