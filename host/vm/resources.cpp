// The UI-language module of Movane_VM and the program's own string
// table. A string is looked for in the UI-language library first, when one is loaded,
// then in the program's own table; the library may translate only some strings.
//
// The record and the process-wide pointer to it belong to the window thread, which
// loads the library before the message loop and frees it after; other threads (the VM
// thread shows the out-of-memory notice) only read strings, under the lock that the
// free takes too.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <mutex>
#include <string>

#include "host/common/hosttrace.h"
#include "host/vm/vmshell.h"
#include "platform/uilang.h"

namespace {

struct BuiltInString {
    uint32_t id;
    const wchar_t* text;
};
// The program's own resources: the ids and texts the Parts give (1201-1469), and from
// 3000 on the shell's texts that the Parts give without an id.
const BuiltInString builtIn[] = {
    {STR_SOFTKEY_LEFT, L" "},
    {STR_SOFTKEY_RIGHT, L" "},
    {STR_RESUME_PROMPT, L"The application %s is paused. Do you want to resume?"},
    {STR_ROTATION_DETECTED, L"Screen Rotation Detected,\nPlease restart the MIDlet"},
    {STR_LOW_MEMORY,
     L"There is not enough memory to start this application. Please close other applications and try again."},
    {STR_CANNOT_RUN, L"Cannot run MIDlet!"},
    {STR_OUT_OF_MEMORY, L"Out of memory"},
    {STR_NO_SUCH_SUITE, L"not exist suiteIndex=%d"},
};

std::mutex& lock = *new std::mutex;
ResourceModuleRecord* current = nullptr;
std::string programPath;  // empty: the program's own (/proc/self/exe)

void* (*stringAlloc)(size_t) = malloc;
void (*stringFree)(void*) = free;

// As LoadStringW from the resource module: the library's string when it has one, else
// the program's own.
int32_t loadString(uint32_t id, wchar_t* buffer, int32_t max) {
    if (current != nullptr && current->module != nullptr) {
        int32_t n = StringModuleLoadString(current->module, id, buffer, max);
        if (n > 0) return n;
    }
    const wchar_t* text = BuiltInShellString(id);
    if (text == nullptr || max < 1) return 0;
    size_t n = wcslen(text);
    if (n > (size_t)(max - 1)) n = (size_t)(max - 1);
    wmemcpy(buffer, text, n);
    buffer[n] = 0;
    return (int32_t)n;
}

}  // namespace

const wchar_t* BuiltInShellString(uint32_t id) {
    for (const BuiltInString& s : builtIn) {
        if (s.id == id) return s.text;
    }
    return nullptr;
}

int32_t LoadMuiResourceLibrary(ResourceModuleRecord* record, void* instance) {
    if (record == nullptr) return 0;
    record->module = nullptr;
    record->instance = instance;
    std::string path;
    {
        std::lock_guard<std::mutex> g(lock);
        path = programPath;
    }
    if (path.empty()) path = ProgramModulePath();
    uint16_t language = GetUserDefaultUILanguage();
    if (language != 0 && language != 1033 && !path.empty()) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, ".%04X.mui", language);
        std::string file = path + suffix;
        std::string why;
        record->module = LoadStringModule(file.c_str(), &why);
        // a missing or unloadable library: the program's own strings
        if (record->module == nullptr) TraceLogA("LoadMuiResourceLibrary: %s: %s\n", file.c_str(), why.c_str());
    }
    std::lock_guard<std::mutex> g(lock);
    current = record;
    return record->module != nullptr;
}

void FreeMuiResourceLibrary(ResourceModuleRecord* record) {
    std::lock_guard<std::mutex> g(lock);
    if (record != nullptr && record->module != nullptr) {
        FreeStringModule(record->module);
        record->module = nullptr;
    }
    if (current == record) current = nullptr;
}

ResourceModuleRecord* GetResourceModule(void) {
    std::lock_guard<std::mutex> g(lock);
    return current;
}

int32_t LoadResourceString(uint32_t id, wchar_t** out) {
    if (out == nullptr) return 0;
    std::lock_guard<std::mutex> g(lock);
    // 256, 512, 1024 ... characters until the string fits with room to spare
    for (size_t size = 256;; size *= 2) {
        wchar_t* buffer = (wchar_t*)stringAlloc(size * sizeof(wchar_t));
        if (buffer == nullptr) return 0;
        int32_t n = loadString(id, buffer, (int32_t)size);
        if ((size_t)n + 1 < size) {
            int32_t made = 0;
            if (n > 0) {
                wchar_t* text = (wchar_t*)stringAlloc(((size_t)n + 1) * sizeof(wchar_t));
                if (text != nullptr) {
                    wmemcpy(text, buffer, (size_t)n + 1);
                    *out = text;
                    made = 1;
                }
            }
            stringFree(buffer);
            return made;
        }
        stringFree(buffer);
    }
}

void FreeResourceString(wchar_t* text) { stringFree(text); }

std::wstring ShellString(uint32_t id) {
    wchar_t* text = nullptr;
    if (LoadResourceString(id, &text)) {
        std::wstring s = text;
        FreeResourceString(text);
        return s;
    }
    // no memory for the text: the program's own, as it is
    const wchar_t* own = BuiltInShellString(id);
    return own ? own : L"";
}

std::wstring FormatShellString(const std::wstring& format, const std::wstring& text, int32_t number) {
    std::wstring out;
    for (size_t i = 0; i < format.size(); i++) {
        wchar_t c = format[i];
        if (c != L'%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        wchar_t k = format[i + 1];
        if (k == L's') {
            out += text;
        } else if (k == L'd') {
            out += std::to_wstring(number);
        } else if (k == L'%') {
            out += L'%';
        } else {
            out += c;
            continue;
        }
        i++;
    }
    return out;
}

void ResourceSetProgramPath(const char* path) {
    std::lock_guard<std::mutex> g(lock);
    programPath = path ? path : "";
}

void ResourceSetAllocator(void* (*alloc)(size_t size), void (*release)(void* block)) {
    std::lock_guard<std::mutex> g(lock);
    if (alloc == nullptr || release == nullptr) {
        stringAlloc = malloc;
        stringFree = free;
    } else {
        stringAlloc = alloc;
        stringFree = release;
    }
}
