// Reading the programs' settings: typed values under Software\Movane of the current
// user, with the host trace lines for keys and values that cannot be read.
#pragma once

#include "platform/registry.h"

#include <stdint.h>

#include <string>

// 1 when the value is a DWORD of 4 bytes (stored in *value), else 0 with *value unchanged.
int RegReadDword(RegRootKey root, const char* keyPath, const char* valueName, uint32_t* value);
// 1 when the value (0 for the key's default value) is a string, stored in *text.
int RegReadString(RegRootKey root, const char* keyPath, const char* valueName, std::string* text);
// The DWORD under HKEY_CURRENT_USER\Software\Movane; 0 when it cannot be read.
uint32_t ReadSettingDword(const char* valueName);
// The string under HKEY_CURRENT_USER\Software\Movane; empty when it cannot be read.
std::string ReadSettingString(const char* valueName);

// Test seam: takes the trace lines instead of the host trace output; null restores it.
void SettingsSetTraceHook(void (*hook)(const char* line));
