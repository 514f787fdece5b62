// Settings readers over the registry.
#include "host/common/settings.h"

#include "platform/trace.h"

#include <stdio.h>

static void (*settingsTrace)(const char* line);

void SettingsSetTraceHook(void (*hook)(const char* line)) { settingsTrace = hook; }

static void settingsEmit(const char* function, const char* line) {
    if (settingsTrace != nullptr) {
        settingsTrace(line);
    } else if (TraceIsEnabled(1, "settings", function)) {
        for (const char* p = line; *p; p++) TraceSinkPutChar((unsigned char)*p);
    }
}

static void traceOpenError(int err, const char* path) {
    char line[320];
    snprintf(line, sizeof line, "RegOpenKeyEx Error=%d, Path=%s\n", err, path);
    settingsEmit("RegOpenKeyEx", line);
}

static void traceQueryError(int err, const char* name) {
    // more data is no error worth a line
    if (err == REG_ERROR_MORE_DATA) return;
    char line[320];
    snprintf(line, sizeof line, "RegQueryValueEx Error=%d, ValueName=%s\n", err, name);
    settingsEmit("RegQueryValueEx", line);
}

int RegReadDword(RegRootKey root, const char* keyPath, const char* valueName, uint32_t* value) {
    int err = RegistryOpenKey(root, keyPath);
    if (err != REG_OK) {
        traceOpenError(err, keyPath);
        return 0;
    }
    uint32_t type = 0, size = 0;
    err = RegistryQueryValue(root, keyPath, valueName, &type, nullptr, &size);
    if (err != REG_OK) {
        traceQueryError(err, valueName);
        return 0;
    }
    if (type != REG_DWORD || size != 4) return 0;
    uint32_t v = 0;
    size = sizeof v;
    err = RegistryQueryValue(root, keyPath, valueName, &type, &v, &size);
    if (err != REG_OK) {
        traceQueryError(err, valueName);
        return 0;
    }
    if (value != nullptr) *value = v;
    return 1;
}

int RegReadString(RegRootKey root, const char* keyPath, const char* valueName, std::string* text) {
    const char* name = valueName != nullptr ? valueName : "";
    int err = RegistryOpenKey(root, keyPath);
    if (err != REG_OK) {
        traceOpenError(err, keyPath);
        return 0;
    }
    uint32_t type = 0, size = 0;
    err = RegistryQueryValue(root, keyPath, name, &type, nullptr, &size);
    if (err != REG_OK) {
        traceQueryError(err, name);
        return 0;
    }
    if (type != REG_SZ) return 0;
    std::string buf(size, '\0');
    err = RegistryQueryValue(root, keyPath, name, &type, &buf[0], &size);
    if (err != REG_OK && err != REG_ERROR_MORE_DATA) {
        traceQueryError(err, name);
        return 0;
    }
    if (type != REG_SZ) return 0;
    // the text ends at its terminator
    buf.resize(buf.find('\0') != std::string::npos ? buf.find('\0') : buf.size());
    if (text != nullptr) *text = buf;
    return 1;
}

uint32_t ReadSettingDword(const char* valueName) {
    uint32_t v = 0;
    return RegReadDword(HKEY_CURRENT_USER, "Software\\Movane", valueName, &v) ? v : 0;
}

std::string ReadSettingString(const char* valueName) {
    std::string s;
    return RegReadString(HKEY_CURRENT_USER, "Software\\Movane", valueName, &s) ? s : std::string();
}
