// The system information record: vendor, profile and VM texts the platform may set. No
// part of the system sets them yet, so a MIDlet sees the defaults.
#pragma once

#include <stdint.h>

#include "platform/p32.h"

enum { SYSINFO_PROFILE_VERSIONS = 9 };

// Texts are the program's own constants or low blocks: their addresses fit the words.
struct SystemInfo {
    P32<const char> vendorName;
    P32<const char> vendorVersion;
    int32_t profileType;
    P32<const char> profileVersions[SYSINFO_PROFILE_VERSIONS];
    int32_t startupType;
    P32<const uint16_t> vmVersion;
    int32_t vmVersionLength;
    P32<const uint16_t> vmInformation;
    int32_t vmInformationLength;
    P32<const uint16_t> vmDetail;
    int32_t vmDetailLength;
};
static_assert(sizeof(SystemInfo) == 19 * 4, "nineteen words");

// The record, filled with the defaults on the first call of a run ("UNKNOWN" for an unset
// vendor name and version and each unset profile version, profile type 0).
SystemInfo* mvSysInfo_getStrings(void);
