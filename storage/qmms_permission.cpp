// Protection domains and permissions.
//
// The domain's files are mapped from the rom connector, not copied: the tables stay
// where they lie and the loaded state keeps their positions. Every table is checked
// against its file's size when it is loaded, so the queries index them freely.
#include "storage/qmms_permission.h"

#include <string.h>

#include "platform/bytes.h"
#include "storage/qmfs.h"
#include "storage/qmfs_rom.h"
#include "storage/qmms_hooks.h"
#include "storage/qmms_index.h"
#include "storage/qmms_manager.h"
#include "storage/qmms_suitefiles.h"

namespace {

struct Domain {
    int suite;  // the suite it was loaded for; -1 by index or none
    int index;  // -1 none
    char name[QMMS_DOMAIN_NAME_SIZE];
    const uint8_t* permissions;  // null: nothing loaded
    const uint8_t* groups;
    const uint8_t* modes;
    const uint8_t* restrictions;
    int permissionCount, groupCount, modeCount, restrictionCount;
    const uint8_t* texts;  // from its count word
    uint32_t textsSize;
    int textCount;
    const uint8_t* signers;
    int signerCount;
};

Domain loaded = {-1, -1, {0}, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0, nullptr, 0, 0, nullptr, 0};
int lastError = QMMS_DOMAIN_OK;

const char* const ErrorNames[QMMS_DOMAIN_ERROR_COUNT] = {
    "no error",
    "the domain list \"" QMMS_DOMAIN_LIST "\" is missing",
    "the domain list is shorter than its count says",
    "no domain of that index",
    "the suite's security file cannot be read",
    "the domain file is missing",
    "the domain file is shorter than its counts say",
    "a count of the domain file is above 127",
    "the domain has more permissions than a security file holds",
    "a permission names a text that the text resource does not hold",
    "the text resource \"" QMMS_PERMISSION_TEXTS "\" is missing",
    "a text of the text resource lies outside it",
    "the signer table \"" QMMS_SIGNER_TABLE "\" is missing",
    "the signer table is shorter than its count says",
};

int fail(int error) {
    lastError = error;
    loaded.permissions = nullptr;
    loaded.index = -1;
    loaded.suite = -1;
    loaded.name[0] = 0;
    return -1;
}

const uint8_t* mapFile(const char* name, uint32_t* size) {
    char uri[QMMS_DOMAIN_NAME_SIZE + 64];
    size_t folder = strlen(QMMS_PERMISSION_FOLDER);
    size_t n = strnlen(name, QMMS_DOMAIN_NAME_SIZE);
    if (folder + n + 1 > sizeof uri) return nullptr;
    memcpy(uri, QMMS_PERMISSION_FOLDER, folder);
    memcpy(uri + folder, name, n);
    uri[folder + n] = 0;
    return (const uint8_t*)qmfs_rom_getFileDataPointer(uri, size);
}

// Counts and byte indexes are signed bytes.
int signedByte(uint8_t b) { return (int8_t)b; }

bool isLoaded() { return loaded.permissions != nullptr; }

int groupOf(int i) { return signedByte(loaded.permissions[i * QMMS_PERMISSION_RECORD + 4]); }
bool validGroup(int g) { return g >= 0 && g < loaded.groupCount; }
uint32_t groupWord(int g, int offset) { return le32(loaded.groups + g * QMMS_GROUP_RECORD + offset); }

int loadTexts() {
    uint32_t size = 0;
    const uint8_t* t = mapFile(QMMS_PERMISSION_TEXTS, &size);
    if (t == nullptr) return fail(QMMS_DOMAIN_NO_TEXTS);
    if (size < 4) return fail(QMMS_DOMAIN_TEXTS_DAMAGED);
    uint32_t count = le32(t);
    if (count > (size - 4) / 4 || count > 0x7FFFFFFF) return fail(QMMS_DOMAIN_TEXTS_DAMAGED);
    for (uint32_t i = 0; i < count; i++) {
        uint32_t at = le32(t + 4 + i * 4);
        // the length word and the bytes it counts, inside the file
        if (at > size - 4 || size - 4 - at < 4) return fail(QMMS_DOMAIN_TEXTS_DAMAGED);
        uint32_t length = le32(t + 4 + at);
        if (length > size - 8 - at) return fail(QMMS_DOMAIN_TEXTS_DAMAGED);
    }
    loaded.texts = t;
    loaded.textsSize = size;
    loaded.textCount = (int)count;
    return 0;
}

int loadSigners() {
    uint32_t size = 0;
    const uint8_t* s = mapFile(QMMS_SIGNER_TABLE, &size);
    if (s == nullptr) return fail(QMMS_DOMAIN_NO_SIGNERS);
    if (size < QMMS_SIGNER_HEADER) return fail(QMMS_DOMAIN_SIGNERS_SHORT);
    int count = signedByte(s[10]);
    if (count < 0) return fail(QMMS_DOMAIN_BAD_COUNT);
    if ((uint32_t)count * QMMS_SIGNER_RECORD > size - QMMS_SIGNER_HEADER) return fail(QMMS_DOMAIN_SIGNERS_SHORT);
    loaded.signers = s;
    loaded.signerCount = count;
    return 0;
}

int loadDomainFile(const char* name, size_t n) {
    char fileName[QMMS_DOMAIN_NAME_SIZE + 8];
    memcpy(fileName, name, n);
    memcpy(fileName + n, QMMS_DOMAIN_SUFFIX, sizeof QMMS_DOMAIN_SUFFIX);
    uint32_t size = 0;
    const uint8_t* f = mapFile(fileName, &size);
    if (f == nullptr) return fail(QMMS_DOMAIN_NO_FILE);
    if (size < QMMS_DOMAIN_HEADER) return fail(QMMS_DOMAIN_FILE_SHORT);
    int p = signedByte(f[0]), g = signedByte(f[1]), m = signedByte(f[2]), r = signedByte(f[3]);
    if (p < 0 || g < 0 || m < 0 || r < 0) return fail(QMMS_DOMAIN_BAD_COUNT);
    if (p > QMMS_MAX_PERMISSIONS) return fail(QMMS_DOMAIN_TOO_MANY);
    uint32_t need = QMMS_DOMAIN_HEADER + (uint32_t)p * QMMS_PERMISSION_RECORD + (uint32_t)g * QMMS_GROUP_RECORD +
                    (uint32_t)m * QMMS_MODE_RECORD + (uint32_t)r * QMMS_RESTRICTION_RECORD;
    if (size < need) return fail(QMMS_DOMAIN_FILE_SHORT);
    for (int i = 0; i < p; i++) {
        uint32_t text = le32(f + QMMS_DOMAIN_HEADER + i * QMMS_PERMISSION_RECORD);
        if (text >= (uint32_t)loaded.textCount) return fail(QMMS_DOMAIN_BAD_NAME_TEXT);
    }
    loaded.permissionCount = p;
    loaded.groupCount = g;
    loaded.modeCount = m;
    loaded.restrictionCount = r;
    loaded.groups = f + QMMS_DOMAIN_HEADER + p * QMMS_PERMISSION_RECORD;
    loaded.modes = loaded.groups + g * QMMS_GROUP_RECORD;
    loaded.restrictions = loaded.modes + m * QMMS_MODE_RECORD;
    loaded.permissions = f + QMMS_DOMAIN_HEADER;
    return 0;
}

}  // namespace

const char* qmms_domainErrorName(int error) {
    return error >= 0 && error < QMMS_DOMAIN_ERROR_COUNT ? ErrorNames[error] : "unknown error";
}

int qmms_lastDomainError(void) { return lastError; }

int qmms_loadPermissionDomain(int x, int mode) {
    qmms_unloadPermissionDomain();
    lastError = QMMS_DOMAIN_OK;
    int d = x;
    if (mode == 1) {
        uint32_t domain = 0;
        if (qmms_loadSecurity(x) != 0 || qmms_getSecurityHeader(&domain, nullptr) != 0)
            return fail(QMMS_DOMAIN_NO_SECURITY_FILE);
        d = (int)domain;
    }
    uint32_t size = 0;
    const uint8_t* list = mapFile(QMMS_DOMAIN_LIST, &size);
    if (list == nullptr) return fail(QMMS_DOMAIN_NO_LIST);
    if (size < 1) return fail(QMMS_DOMAIN_LIST_SHORT);
    int count = signedByte(list[0]);
    if (count < 0) return fail(QMMS_DOMAIN_BAD_COUNT);
    if (size < (uint32_t)count * QMMS_DOMAIN_NAME_SIZE + 1) return fail(QMMS_DOMAIN_LIST_SHORT);
    if (d < 0 || d >= count) return fail(QMMS_DOMAIN_BAD_INDEX);
    const char* entry = (const char*)list + 1 + d * QMMS_DOMAIN_NAME_SIZE;
    size_t n = strnlen(entry, QMMS_DOMAIN_NAME_SIZE - 1);
    if (loadTexts() != 0 || loadSigners() != 0 || loadDomainFile(entry, n) != 0) return -1;
    memcpy(loaded.name, entry, n);
    loaded.name[n] = 0;
    loaded.index = d;
    loaded.suite = mode == 1 ? x : -1;
    return 0;
}

int qmms_unloadPermissionDomain(void) {
    loaded.permissions = nullptr;
    loaded.suite = -1;
    loaded.index = -1;
    loaded.name[0] = 0;
    return 0;
}

int qmms_getLoadedDomain(void) { return isLoaded() ? loaded.index : -1; }
const char* qmms_getLoadedDomainName(void) { return isLoaded() ? loaded.name : ""; }

int qmms_getPermissionCount(void) { return isLoaded() ? loaded.permissionCount : -1; }
int qmms_getGroupCount(void) { return isLoaded() ? loaded.groupCount : -1; }

int qmms_getPermissionText(int i, const char** text, int* length) {
    if (!isLoaded() || loaded.texts == nullptr || i < 0 || i >= loaded.textCount) return -1;
    uint32_t at = le32(loaded.texts + 4 + i * 4);
    if (text != nullptr) *text = (const char*)loaded.texts + 8 + at;
    if (length != nullptr) *length = (int)le32(loaded.texts + 4 + at);
    return 0;
}

int qmms_getPermissionEntry(int i, int32_t* out, int mask) {
    if (!isLoaded() || out == nullptr || i < 0 || i >= loaded.permissionCount) return -1;
    int g = groupOf(i);
    bool valid = validGroup(g);
    if (mask & 1) out[0] = (int32_t)le32(loaded.permissions + i * QMMS_PERMISSION_RECORD);
    if (mask & 2) out[1] = g;
    if (mask & 4) out[2] = valid ? (int32_t)groupWord(g, 4) : QMMS_STATE_NO_GROUP;
    if (mask & 8) out[3] = valid ? (int32_t)groupWord(g, 8) : 0;
    if (mask & 16) {
        for (int k = 0; k < 3; k++) out[4 + k] = valid ? (int32_t)groupWord(g, 12 + 4 * k) : -1;
    }
    return 0;
}

int qmms_getPermissionGroupInfo(int g, int32_t* out, int mask) {
    if (!isLoaded() || out == nullptr || !validGroup(g)) return -1;
    out[0] = 0;
    if (mask & 32) {
        for (int i = 0; i < loaded.permissionCount; i++) out[0] += groupOf(i) == g;
    }
    if (mask & 4) out[1] = (int32_t)groupWord(g, 4);
    if (mask & 8) out[2] = (int32_t)groupWord(g, 8);
    if (mask & 16) {
        for (int k = 0; k < 3; k++) out[3 + k] = (int32_t)groupWord(g, 12 + 4 * k);
    }
    return 0;
}

int qmms_getGroupPermissions(int g, int32_t* out) {
    if (!isLoaded() || out == nullptr || !validGroup(g)) return -1;
    int n = 0;
    for (int i = 0; i < loaded.permissionCount; i++) {
        if (groupOf(i) == g) out[n++] = i;
    }
    return 0;
}

int qmms_getDefaultPermissionStates(uint32_t* out) {
    if (!isLoaded() || out == nullptr) return -1;
    for (int i = 0; i < loaded.permissionCount; i++) {
        int g = groupOf(i);
        out[i] = validGroup(g) ? groupWord(g, 4) : (uint32_t)QMMS_STATE_NO_GROUP;
    }
    return 0;
}

int qmms_findModeRecord(int32_t* query) {
    if (!isLoaded() || query == nullptr || !validGroup(query[0])) return -1;
    for (int k = 0; k < loaded.modeCount; k++) {
        const uint8_t* r = loaded.modes + k * QMMS_MODE_RECORD;
        if (signedByte(r[0]) != query[0] || (le32(r + 1) & 0xFF) != ((uint32_t)query[1] & 0xFF)) continue;
        query[2] = signedByte(r[5]);
        query[3] = (int32_t)le32(r + 6);
        return 0;
    }
    return -1;
}

int qmms_findRestrictionRecord(int32_t* query) {
    if (!isLoaded() || query == nullptr || !validGroup(query[0])) return -1;
    for (int k = 0; k < loaded.restrictionCount; k++) {
        const uint8_t* r = loaded.restrictions + k * QMMS_RESTRICTION_RECORD;
        if (signedByte(r[0]) != query[0] || (le32(r + 1) & 0xFF) != ((uint32_t)query[1] & 0xFF) ||
            signedByte(r[5]) != query[2] || (le32(r + 6) & 0xFF) != ((uint32_t)query[3] & 0xFF))
            continue;
        query[4] = r[10];
        for (int w = 0; w < 5; w++) query[5 + w] = (int32_t)le32(r + 11 + 4 * w);
        return 0;
    }
    return -1;
}

int qmms_findPermission(const char* name, size_t length) {
    if (!isLoaded() || name == nullptr) return -1;
    for (int i = 0; i < loaded.permissionCount; i++) {
        const char* text = nullptr;
        int n = 0;
        if (qmms_getPermissionText((int)le32(loaded.permissions + i * QMMS_PERMISSION_RECORD), &text, &n) != 0)
            continue;
        if ((size_t)n == length && memcmp(text, name, length) == 0) return i;
    }
    return -1;
}

// A suite whose security file holds fewer states than its domain has permissions (one
// installed before the domain grew, or whose file was never written) gets the default
// states for the rest.
int qmms_loadSuitePermissions(uint32_t* states) {
    if (!isLoaded() || states == nullptr) return -1;
    qmms_getDefaultPermissionStates(states);
    if (loaded.suite < 0) return 0;
    uint32_t stored[QMMS_MAX_PERMISSIONS];
    uint32_t count = 0;
    if (qmms_loadSecurity(loaded.suite) != 0 || qmms_getSecurityHeader(nullptr, &count) != 0 ||
        qmms_getSecurityStates(stored) != 0)
        return -1;
    for (uint32_t i = 0; i < count && i < (uint32_t)loaded.permissionCount; i++) states[i] = stored[i];
    return 0;
}

int qmms_commitPermissionStates(const uint32_t* states) {
    if (!isLoaded() || states == nullptr) return -1;
    if (loaded.suite < 0) return 0;
    if (qmms_loadSecurity(loaded.suite) != 0 ||
        qmms_setSecurityHeader((uint32_t)loaded.index, (uint32_t)loaded.permissionCount) != 0 ||
        qmms_setSecurityStates(states) != 0 || qmms_saveSecurity(1) != 0) {
        // the image must not keep states the file does not hold
        qmms_saveSecurity(0);
        return -1;
    }
    return 0;
}

int qmms_isTrustedDomain(int d) { return d != 0; }

// ---------------------------------------------------------------------------------
// Signer domain

namespace {

// The value of a name field in a distinguished name: after the label's '=' and any
// spaces, up to ',', ';' or the end, trailing spaces removed; empty when absent.
void fieldValue(const char* dn, const char* label, const char** value, size_t* length) {
    *value = "";
    *length = 0;
    size_t labelLength = strlen(label);
    for (const char* p = dn; *p != 0; p++) {
        // a label begins the name or follows a separator and its spaces
        if (p != dn) {
            const char* q = p - 1;
            while (q > dn && *q == ' ') q--;
            if (*q != ',' && *q != ';' && !(q == dn && *q == ' ')) continue;
        }
        if (strncmp(p, label, labelLength) != 0) continue;
        const char* s = p + labelLength;
        while (*s == ' ') s++;
        const char* e = s;
        while (*e != 0 && *e != ',' && *e != ';') e++;
        while (e > s && e[-1] == ' ') e--;
        *value = s;
        *length = (size_t)(e - s);
        return;
    }
}

}  // namespace

int qmms_getSignerDomain(const void* jad, int jadSize, const void* jar, int jarSize, int* domain, int* status) {
    static const char* const Labels[QMMS_SIGNER_FIELDS] = {"CN=", "OU=", "O=", "L=", "ST=", "C="};
    char dn[129] = {0};
    const QmmsHooks* hooks = qmms_getHooks();
    int verified = hooks->verifyJarSignature != nullptr
                       ? hooks->verifyJarSignature(jad, jadSize, jar, jarSize, dn, (int)sizeof dn - 1)
                       : 0;
    dn[sizeof dn - 1] = 0;
    if (verified == 0) {
        if (domain != nullptr) *domain = 0;
        return 0;
    }
    if (verified < 0) {
        if (status != nullptr) *status = verified == -2 ? (int)QMMS_STATUS_FILE_ERROR : (int)QMMS_STATUS_AUTHENTICATION;
        return -1;
    }
    uint32_t size = 0;
    const uint8_t* table = mapFile(QMMS_SIGNER_TABLE, &size);
    int count = table != nullptr && size >= QMMS_SIGNER_HEADER ? signedByte(table[10]) : 0;
    if (count < 0 || (uint32_t)count * QMMS_SIGNER_RECORD > size - QMMS_SIGNER_HEADER) count = 0;
    for (int r = 0; r < count; r++) {
        const uint8_t* record = table + QMMS_SIGNER_HEADER + r * QMMS_SIGNER_RECORD;
        bool match = true;
        for (int f = 0; f < QMMS_SIGNER_FIELDS && match; f++) {
            const char* expected = (const char*)record + 1 + f * QMMS_SIGNER_FIELD;
            size_t expectedLength = strnlen(expected, QMMS_SIGNER_FIELD);
            const char* value;
            size_t length;
            fieldValue(dn, Labels[f], &value, &length);
            match = length == expectedLength && memcmp(value, expected, length) == 0;
        }
        if (match) {
            if (domain != nullptr) *domain = signedByte(record[0]);
            return 0;
        }
    }
    if (status != nullptr) *status = QMMS_STATUS_AUTHENTICATION;
    return -1;
}

// ---------------------------------------------------------------------------------
// Declared permissions

int qmms_checkDeclaredPermissions(const char* names, int d, char* refused, int refusedSize) {
    if (refused != nullptr && refusedSize > 0) refused[0] = 0;
    if (names == nullptr) return 0;
    char value[4096];
    size_t length = strnlen(names, sizeof value);
    if (length == sizeof value) {
        // a cut list could end in a name cut to another permission's
        qmms_setStatus(QMMS_STATUS_AUTHORIZATION);
        return -1;
    }
    memcpy(value, names, length);
    value[length] = 0;
    if (qmms_loadPermissionDomain(d, 0) != 0) {
        qmms_setStatus(QMMS_STATUS_FILE_ERROR);
        return -1;
    }
    int result = 0;
    for (char* p = value; *p != 0 && result == 0;) {
        char* end = strchr(p, ',');
        char* next = end != nullptr ? end + 1 : p + strlen(p);
        if (end == nullptr) end = p + strlen(p);
        while (p < end && (*p == ' ' || *p == '\t')) p++;
        char* e = end;
        while (e > p && (e[-1] == ' ' || e[-1] == '\t')) e--;
        if (e > p) {
            int i = qmms_findPermission(p, (size_t)(e - p));
            int32_t entry[7] = {0};
            // a group that allows nothing but "no" cannot grant the permission
            if (i < 0 || qmms_getPermissionEntry(i, entry, 8) != 0 || entry[3] == QMMS_MODE_NO) {
                if (refused != nullptr && refusedSize > 0) {
                    size_t n = (size_t)(e - p) < (size_t)refusedSize - 1 ? (size_t)(e - p) : (size_t)refusedSize - 1;
                    memcpy(refused, p, n);
                    refused[n] = 0;
                }
                qmms_setStatus(QMMS_STATUS_AUTHORIZATION);
                result = -1;
            }
        }
        p = next;
    }
    qmms_unloadPermissionDomain();
    return result;
}
