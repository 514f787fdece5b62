// The user's UI language from the locale environment, the program's path, and the
// string tables of UI-language resource modules (format in uilang.h).
#include "platform/uilang.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wchar.h>

#include <map>
#include <vector>

#include "platform/hostfile.h"

struct StringModule {
    std::map<uint32_t, std::wstring> strings;
};

namespace {

struct LanguageName {
    const char* name;
    uint16_t id;
};
// Where a language has several territories, the one a bare language name takes comes
// first.
const LanguageName languages[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"zh_MO", 0x1404}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412}, {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
    {"de_LU", 0x1007}, {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"es_ES", 0x0C0A},
    {"es_MX", 0x080A}, {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl_NL", 0x0413},
    {"nl_BE", 0x0813}, {"ru_RU", 0x0419}, {"uk_UA", 0x0422}, {"pl_PL", 0x0415}, {"cs_CZ", 0x0405}, {"sk_SK", 0x041B},
    {"hu_HU", 0x040E}, {"ro_RO", 0x0418}, {"bg_BG", 0x0402}, {"hr_HR", 0x041A}, {"sl_SI", 0x0424}, {"el_GR", 0x0408},
    {"tr_TR", 0x041F}, {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"da_DK", 0x0406}, {"fi_FI", 0x040B}, {"nb_NO", 0x0414},
    {"no_NO", 0x0414}, {"nn_NO", 0x0814}, {"is_IS", 0x040F}, {"et_EE", 0x0425}, {"lv_LV", 0x0426}, {"lt_LT", 0x0427},
    {"he_IL", 0x040D}, {"ar_SA", 0x0401}, {"th_TH", 0x041E}, {"vi_VN", 0x042A}, {"id_ID", 0x0421}, {"ms_MY", 0x043E},
    {"hi_IN", 0x0439}, {"ca_ES", 0x0403},
};

const size_t MODULE_MAX_BYTES = 1u << 20;
const size_t TEXT_MAX_CHARS = 65535;

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Strict UTF-8 to code points: no overlong forms, no surrogates, nothing above U+10FFFF.
bool decodeUtf8(const char* s, size_t n, std::wstring* out) {
    out->clear();
    const unsigned char* p = (const unsigned char*)s;
    size_t i = 0;
    while (i < n) {
        uint32_t c = p[i];
        size_t extra;
        uint32_t min;
        if (c < 0x80) {
            extra = 0;
            min = 0;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
            c &= 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
            c &= 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
            c &= 0x07;
        } else {
            return false;
        }
        if (n - i - 1 < extra) return false;
        for (size_t k = 1; k <= extra; k++) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        out->push_back((wchar_t)c);
        i += extra + 1;
    }
    return true;
}

bool parseLine(const std::string& line, size_t number, StringModule* module, std::string* error) {
    std::string where = "line " + std::to_string(number) + ": ";
    size_t tab = line.find('\t');
    if (tab == std::string::npos) return fail(error, where + "no tab after the id");
    if (tab == 0 || tab > 5 || line[0] == '0') return fail(error, where + "bad id");
    uint32_t id = 0;
    for (size_t i = 0; i < tab; i++) {
        if (line[i] < '0' || line[i] > '9') return fail(error, where + "bad id");
        id = id * 10 + (uint32_t)(line[i] - '0');
    }
    if (id > 65535) return fail(error, where + "bad id");
    if (module->strings.count(id)) return fail(error, where + "id " + std::to_string(id) + " given twice");
    std::string raw;
    for (size_t i = tab + 1; i < line.size(); i++) {
        char c = line[i];
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (++i >= line.size()) return fail(error, where + "a backslash ends the line");
        switch (line[i]) {
            case 'n':
                raw += '\n';
                break;
            case 't':
                raw += '\t';
                break;
            case 'r':
                raw += '\r';
                break;
            case '\\':
                raw += '\\';
                break;
            default:
                return fail(error, where + "unknown escape");
        }
    }
    std::wstring text;
    if (!decodeUtf8(raw.data(), raw.size(), &text)) return fail(error, where + "not UTF-8");
    if (text.size() > TEXT_MAX_CHARS) return fail(error, where + "text too long");
    module->strings[id] = text;
    return true;
}

}  // namespace

uint16_t UiLanguageOfLocale(const char* name) {
    if (name == nullptr || *name == 0) return 0;
    std::string s = name;
    s = s.substr(0, s.find_first_of(".@"));
    if (s == "C" || s == "POSIX" || s.empty()) return 0;
    for (const LanguageName& l : languages) {
        if (s == l.name) return l.id;
    }
    std::string language = s.substr(0, s.find('_'));
    for (const LanguageName& l : languages) {
        if (strncmp(l.name, language.c_str(), language.size()) == 0 && l.name[language.size()] == '_') return l.id;
    }
    return 0;
}

uint16_t GetUserDefaultUILanguage(void) {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (value != nullptr && *value != 0) return UiLanguageOfLocale(value);
    }
    return 0;
}

std::string ProgramModulePath(void) {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    return std::string(path, (size_t)n);
}

StringModule* ParseStringModule(const char* bytes, size_t size, std::string* error) {
    if (size > MODULE_MAX_BYTES) return fail(error, "file too large"), nullptr;
    if (memchr(bytes, 0, size) != nullptr) return fail(error, "a NUL byte"), nullptr;
    StringModule* module = new StringModule();
    size_t pos = 0, number = 0;
    bool ok = true;
    while (ok && pos < size) {
        const char* end = (const char*)memchr(bytes + pos, '\n', size - pos);
        size_t next = end ? (size_t)(end - bytes) : size;
        std::string line(bytes + pos, next - pos);
        pos = next + 1;
        number++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            if (line != "MOVANE-MUI 1") ok = fail(error, "no MOVANE-MUI 1 header");
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        ok = parseLine(line, number, module, error);
    }
    if (ok && number == 0) ok = fail(error, "no MOVANE-MUI 1 header");
    if (!ok) {
        delete module;
        return nullptr;
    }
    return module;
}

StringModule* LoadStringModule(const char* path, std::string* error) {
    if (path == nullptr) return nullptr;
    std::vector<uint8_t> bytes;
    HostFileResult r = HostFileReadBounded(path, (uint32_t)MODULE_MAX_BYTES, &bytes);
    if (r != HOSTFILE_OK) {
        fail(error, r == HOSTFILE_TOO_LARGE ? "file too large" : "cannot be read");
        return nullptr;
    }
    return ParseStringModule((const char*)bytes.data(), bytes.size(), error);
}

void FreeStringModule(StringModule* module) { delete module; }

bool StringModuleFind(const StringModule* module, uint32_t id, std::wstring* text) {
    if (module == nullptr) return false;
    auto it = module->strings.find(id);
    if (it == module->strings.end()) return false;
    if (text) *text = it->second;
    return true;
}

int32_t StringModuleLoadString(const StringModule* module, uint32_t id, wchar_t* buffer, int32_t max) {
    if (buffer == nullptr || max < 1) return 0;
    std::wstring text;
    if (!StringModuleFind(module, id, &text)) {
        buffer[0] = 0;
        return 0;
    }
    size_t n = text.size() < (size_t)(max - 1) ? text.size() : (size_t)(max - 1);
    wmemcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return (int32_t)n;
}
