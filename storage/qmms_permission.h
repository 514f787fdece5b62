// Protection domains and permissions: one domain at a time is loaded from the files under
// "rom://midlet/permission/" (for a suite, or by index) and answers questions about its
// permissions, groups, mode and restriction records and texts; a suite's permission
// states live in its security file. Every query answers -1 while nothing is loaded.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "storage/qmms_domainfile.h"

// Why the last load failed; the files are checked whole when they are loaded, so a query
// never reads past one.
enum QmmsDomainError {
    QMMS_DOMAIN_OK,
    QMMS_DOMAIN_NO_LIST,           // "domains.idx" is missing
    QMMS_DOMAIN_LIST_SHORT,        // it is shorter than its count says
    QMMS_DOMAIN_BAD_INDEX,         // no such domain
    QMMS_DOMAIN_NO_SECURITY_FILE,  // the suite's security file cannot be read
    QMMS_DOMAIN_NO_FILE,           // the domain file is missing
    QMMS_DOMAIN_FILE_SHORT,        // the domain file is shorter than its counts say
    QMMS_DOMAIN_BAD_COUNT,         // a count above 127
    QMMS_DOMAIN_TOO_MANY,          // more permissions than a security file holds
    QMMS_DOMAIN_BAD_NAME_TEXT,     // a permission names a text that is not there
    QMMS_DOMAIN_NO_TEXTS,          // "resource/en_US.dat" is missing
    QMMS_DOMAIN_TEXTS_DAMAGED,     // a text offset or length lies outside the file
    QMMS_DOMAIN_NO_SIGNERS,        // "_dn.idx" is missing
    QMMS_DOMAIN_SIGNERS_SHORT,     // it is shorter than its count says
    QMMS_DOMAIN_ERROR_COUNT
};
const char* qmms_domainErrorName(int error);
int qmms_lastDomainError(void);

// Mode 1: x is a suite id, whose security file names the domain; otherwise x is the
// domain index. 0 or -1 (qmms_lastDomainError says why).
int qmms_loadPermissionDomain(int x, int mode);
int qmms_unloadPermissionDomain(void);
// The index of the loaded domain, -1 when none.
int qmms_getLoadedDomain(void);
// The name of the loaded domain (from "domains.idx"), "" when none.
const char* qmms_getLoadedDomainName(void);

int qmms_getPermissionCount(void);
int qmms_getGroupCount(void);
int qmms_getPermissionText(int i, const char** text, int* length);
// out holds 7 words; masks 1 name text, 2 group, 4 default state, 8 allowed modes,
// 16 the group's words at 12, 16 and 20 (title text, message text, setting text). A
// permission without a valid group gets 1024, 0 and -1 for those.
int qmms_getPermissionEntry(int i, int32_t* out, int mask);
// out holds 6 words; mask 32 counts the group's permissions into out[0].
int qmms_getPermissionGroupInfo(int g, int32_t* out, int mask);
int qmms_getGroupPermissions(int g, int32_t* out);
int qmms_getDefaultPermissionStates(uint32_t* out);
// query: group, mode, out group changed, out state it gets.
int qmms_findModeRecord(int32_t* query);
// query: group, mode, other group, other mode, out verdict, out five results.
int qmms_findRestrictionRecord(int32_t* query);
// The index of the permission of that name, or -1.
int qmms_findPermission(const char* name, size_t length);

int qmms_loadSuitePermissions(uint32_t* states);
int qmms_commitPermissionStates(const uint32_t* states);
int qmms_isTrustedDomain(int d);

enum { QMMS_STATUS_AUTHENTICATION = 909, QMMS_STATUS_AUTHORIZATION = 910 };

int qmms_getSignerDomain(const void* jad, int jadSize, const void* jar, int jarSize, int* domain, int* status);

// A "MIDlet-Permissions" value (names separated by commas) against domain d: 0 when
// each name is a permission of d that the domain can grant; else -1 with status 910 and
// the first refused name in refused (room for refusedSize bytes), or status 256 when the
// domain cannot be loaded. Loads d by index and leaves no domain loaded.
int qmms_checkDeclaredPermissions(const char* names, int d, char* refused, int refusedSize);
