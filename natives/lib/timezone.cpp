// The time-zone natives over the generated table.
#include "natives/lib/timezone.h"

#include <string.h>

#include "natives/lib/nativestack.h"
#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/native.h"
#include "vm/loader/startup.h"

int32_t timeZoneIndex(const uint16_t* chars, int32_t length) {
    const uint8_t* entry = TimeZoneIdList;
    for (int32_t index = 0; *entry != 0; index++) {
        int32_t n = *entry;
        if (n == length) {
            int32_t i = 0;
            while (i < n && chars[i] == entry[1 + i]) i++;
            if (i == n) return index;
        }
        entry += 1 + n;
    }
    return -1;
}

void Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getCount() { pushInt(TIME_ZONE_COUNT); }

void Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getIndex() {
    StringInstance* id = (StringInstance*)popObject();
    if (id == nullptr) raiseException(NullPointerException);
    pushInt(timeZoneIndex(getStringCharsPointer(id), getStringLength(id)));
}

void Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getID() {
    int32_t index = popInt();
    if (index < 0 || index >= TIME_ZONE_COUNT) {
        pushObject(nullptr);
        return;
    }
    const uint8_t* entry = TimeZoneIdList + TimeZoneRecords[index].idOffset;
    StringInstance* id = tryInstantiateString((const char*)entry + 1, entry[0]);
    if (id == nullptr) throwPendingException();
    pushObject(id);
}

// A field whose value is 0 keeps what the object holds.
static void setField(OBJECT zone, const char* name, int32_t value) {
    if (value != 0) setIntFieldByName(zone, name, "I", value);
}

void Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_setFields() {
    int32_t index = popInt();
    OBJECT zone = popObject();
    if (index < 0 || index >= TIME_ZONE_COUNT) raiseException(ArrayIndexOutOfBoundsException);
    const TimeZoneRecord* r = &TimeZoneRecords[index];
    const int32_t minute = 60000;
    setField(zone, "rawOffset", r->rawOffset * minute);
    setField(zone, "startTime", r->startTime * minute);
    setField(zone, "endTime", r->endTime * minute);
    setField(zone, "dstSavings", r->dstSavings * minute);
    setField(zone, "startMonth", r->startMonth);
    setField(zone, "startDay", r->startDay);
    setField(zone, "startDayOfWeek", r->startDayOfWeek);
    setField(zone, "endMonth", r->endMonth);
    setField(zone, "endDay", r->endDay);
    setField(zone, "endDayOfWeek", r->endDayOfWeek);
    setField(zone, "startTimeMode", TimeZoneTimeModes[index] & 1);
    setField(zone, "endTimeMode", TimeZoneTimeModes[index] >> 1 & 1);
}

void Java_com_sun_cldc_util_j2me_TimeZoneImpl_getDefaultTimeZone() {
    const char* name = mvOption_getUtf8("default.timezone");
    if (name == nullptr || *name == 0) {
        pushObject(nullptr);
        return;
    }
    StringInstance* id = tryInstantiateString(name, (int32_t)strlen(name));
    if (id == nullptr) throwPendingException();
    pushObject(id);
}
