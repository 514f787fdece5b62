// A small registry for Linux: typed values (DWORD and string) under keys of the current
// user's and the machine's root, kept in one per-user text file that every change
// rewrites atomically (write a temporary file, then rename it over the old one). Only a
// missing file reads as empty: one that cannot be read fails reads and writes with
// REG_ERROR_ACCESS_DENIED. Lines that do not parse are written back as they were.
#pragma once

#include <stdint.h>

typedef uint32_t RegRootKey;
#define HKEY_CURRENT_USER ((RegRootKey)0x80000001u)
#define HKEY_LOCAL_MACHINE ((RegRootKey)0x80000002u)

enum { REG_SZ = 1, REG_DWORD = 4 };

// Result codes, the platform's own numbers.
enum {
    REG_OK = 0,
    REG_ERROR_FILE_NOT_FOUND = 2,
    REG_ERROR_ACCESS_DENIED = 5,
    REG_ERROR_INVALID_PARAMETER = 87,
    REG_ERROR_MORE_DATA = 234,
};

// The store file: MOVANE_REGISTRY, else $XDG_CONFIG_HOME/movane/registry.reg or
// ~/.config/movane/registry.reg. A null or empty path goes back to that default.
void RegistrySetFile(const char* path);
const char* RegistryGetFile(void);

// REG_OK when the key exists, else REG_ERROR_FILE_NOT_FOUND.
int RegistryOpenKey(RegRootKey root, const char* keyPath);
// Reads a value: its type, and its data when data is not null (a string with its NUL).
// *size holds the buffer size on entry and the value's size on return; a buffer that is
// too small answers REG_ERROR_MORE_DATA with as much data as fits.
int RegistryQueryValue(RegRootKey root, const char* keyPath, const char* name, uint32_t* type, void* data,
                       uint32_t* size);
// Writes create the key when needed.
int RegistrySetDword(RegRootKey root, const char* keyPath, const char* name, uint32_t value);
int RegistrySetString(RegRootKey root, const char* keyPath, const char* name, const char* value);
int RegistryDeleteValue(RegRootKey root, const char* keyPath, const char* name);
