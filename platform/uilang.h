// The user's UI language and UI-language resource modules on Linux.
//
// The user UI language comes from the locale environment, as the C library reads it
// for messages: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty.
// Its "language_TERRITORY" part (codeset and modifier dropped) is mapped to the
// Windows language id of that name (en_US 0x0409, zh_CN 0x0804, ...); a language
// without a territory, or with one the table does not know, takes its language's
// primary id; "C", "POSIX", an unset locale and unknown languages give 0.
//
// A UI-language resource module (a ".mui" file) is a string table in a small text
// format of our own, UTF-8 throughout:
//
//     MOVANE-MUI 1
//     # a comment; blank lines are skipped too
//     1211<TAB>The application %s is paused. Do you want to resume?
//     1215<TAB>Screen Rotation Detected,\nPlease restart the MIDlet
//
// The first line is the header "MOVANE-MUI 1" exactly. Every other line that is not
// blank and does not begin with '#' is one string: its id in decimal (1 to 65535, no
// sign, no leading zeros), one tab, then the text up to the end of the line. In the
// text "\n" is a line feed, "\t" a tab, "\r" a carriage return and "\\" a backslash;
// any other backslash sequence is an error. Line ends are LF or CR LF. A file that
// breaks any rule (a missing header, a line without its tab, a bad id, an id given
// twice, a bad escape, invalid UTF-8, a NUL, a text above 65535 characters, a file
// above 1 MiB) is refused whole: no module is made.
#pragma once

#include <stdint.h>

#include <string>

// The user's UI language id (0: none, the program's own strings).
uint16_t GetUserDefaultUILanguage(void);
// The language id of a locale name such as "zh_CN.UTF-8" or "de_DE@euro".
uint16_t UiLanguageOfLocale(const char* name);

// The program's own path (/proc/self/exe); empty when it cannot be read.
std::string ProgramModulePath(void);

struct StringModule;
// Loads a resource module from a file; null when the file is missing, unreadable or
// malformed (the reason goes to *error when asked).
StringModule* LoadStringModule(const char* path, std::string* error = nullptr);
void FreeStringModule(StringModule* module);
// As LoadStringW: copies at most max - 1 characters of string id into buffer with a
// terminating zero, and returns the number copied; 0 when the module has no such
// string (or max is below 1).
int32_t StringModuleLoadString(const StringModule* module, uint32_t id, wchar_t* buffer, int32_t max);
// The whole text of string id; false when there is none.
bool StringModuleFind(const StringModule* module, uint32_t id, std::wstring* text);
// Parses the format above from memory (for the tests and the loader).
StringModule* ParseStringModule(const char* bytes, size_t size, std::string* error = nullptr);
