// System properties: the work buffer of the run and the property lookup over the
// platform and the built-in values.
#include "vm/services/properties.h"

#include <string.h>

#include "platform/vmsections.h"
#include "vm/core/exceptions.h"
#include "vm/core/heap.h"
#include "vm/core/utf.h"
#include "vm/services/hooks.h"
#include "vm/trace/tracelog.h"

static VMBSS char* WorkBuffer;

struct PropertyEntry {
    const char* key;
    const char* value;
};

static const PropertyEntry BuiltInProperties[] = {
    {"microedition.configuration", "CLDC-1.1"},
    {"microedition.platform", "j2me"},
    {"microedition.locale", "ja-JP"},
    {"microedition.encoding", "ISO-8859-1"},
    {"microedition.profiles", "MIDP-2.0"},
    {"UTF_8_InternalEncodingName", "UTF8"},
    {"LATIN1_InternalEncodingName", "ISO8859_1"},
    {"_8859_1_InternalEncodingName", "ISO8859_1"},
    {"ISO_8859_1_InternalEncodingName", "ISO8859_1"},
    {"LATIN2_InternalEncodingName", "ISO8859_2"},
    {"_8859_2_InternalEncodingName", "ISO8859_2"},
    {"ISO_8859_2_InternalEncodingName", "ISO8859_2"},
    {"LATIN3_InternalEncodingName", "ISO8859_3"},
    {"_8859_3_InternalEncodingName", "ISO8859_3"},
    {"ISO_8859_3_InternalEncodingName", "ISO8859_3"},
    {"LATIN4_InternalEncodingName", "ISO8859_4"},
    {"_8859_4_InternalEncodingName", "ISO8859_4"},
    {"ISO_8859_4_InternalEncodingName", "ISO8859_4"},
    {"_8859_5_InternalEncodingName", "ISO8859_5"},
    {"ISO_8859_5_InternalEncodingName", "ISO8859_5"},
    {"_8859_6_InternalEncodingName", "ISO8859_6"},
    {"ISO_8859_6_InternalEncodingName", "ISO8859_6"},
    {"_8859_7_InternalEncodingName", "ISO8859_7"},
    {"ISO_8859_7_InternalEncodingName", "ISO8859_7"},
    {"_8859_8_InternalEncodingName", "ISO8859_8"},
    {"ISO_8859_8_InternalEncodingName", "ISO8859_8"},
    {"LATIN5_InternalEncodingName", "ISO8859_9"},
    {"_8859_9_InternalEncodingName", "ISO8859_9"},
    {"ISO_8859_9_InternalEncodingName", "ISO8859_9"},
    {"LATIN7_InternalEncodingName", "ISO8859_13"},
    {"_8859_13_InternalEncodingName", "ISO8859_13"},
    {"ISO_8859_13_InternalEncodingName", "ISO8859_13"},
    {"LATIN9_InternalEncodingName", "ISO8859_15"},
    {"_8859_15_InternalEncodingName", "ISO8859_15"},
    {"ISO_8859_15_InternalEncodingName", "ISO8859_15"},
    {"GB2312_InternalEncodingName", "Euc_Cn"},
    {"EUC_CN_InternalEncodingName", "Euc_Cn"},
    {"GB2312_80_InternalEncodingName", "Euc_Cn"},
    {"GB2312_1980_InternalEncodingName", "Euc_Cn"},
    {"EUCCN_InternalEncodingName", "Euc_Cn"},
    {"BIG5_InternalEncodingName", "Big5"},
    {"UTF_16_InternalEncodingName", "UTF16"},
    {"UTF_16BE_InternalEncodingName", "UTF16BE"},
    {"UTF_16LE_InternalEncodingName", "UTF16LE"},
};

char* mvVm_allocWorkBuffer(void) {
    // permanent space: it stays in place for the whole run
    WorkBuffer = (char*)callocPermanentObject(WORK_BUFFER_SIZE / 4);
    return WorkBuffer;
}

const char* mvProperty_getUtf8(const char* key) {
    if (key == nullptr || key[0] == 0) {
        mvTraceLog_info("mvProperty_getUtf8: key can't be empty");
        return "";
    }
    if (WorkBuffer != nullptr) {
        uint16_t* units = (uint16_t*)WorkBuffer;
        int32_t length = 0;
        const char* p = key;
        const char* end = key + strlen(key);
        while (p < end && length < WORK_BUFFER_SIZE / 2) units[length++] = utf2unicode(&p);
        int32_t valueLength = 0;
        const uint16_t* value = ServiceHooks.MkPropertyGetString(units, length, &valueLength);
        if (value != nullptr) {
            uint32_t reached = 0, errors = 0;
            if (convertUnicodeToBytes(value, 0, valueLength, (uint8_t*)WorkBuffer, 0, WORK_BUFFER_SIZE - 1, &reached,
                                      &errors, 0) < 0) {
                mvTraceLog_error("MkPropertyGetString() returned too large string.\n");
                fatalVMError("bufferOverflow");
            }
            WorkBuffer[reached] = 0;
            return WorkBuffer;
        }
    }
    for (const PropertyEntry& e : BuiltInProperties) {
        if (strcmp(e.key, key) == 0) return e.value;
    }
    return nullptr;
}
