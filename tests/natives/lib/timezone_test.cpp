// The built-in time-zone table and the natives that read it.
#include <gtest/gtest.h>

#include <string>

#include "nativecall.h"
#include "natives/lib/timezone.h"
#include "support/vmasm.h"
#include "vm/core/classes.h"
#include "vm/core/native.h"
#include "vm/loader/startup.h"

using namespace vmasm;

namespace {

std::string idOf(int32_t index) {
    const uint8_t* entry = TimeZoneIdList + TimeZoneRecords[index].idOffset;
    return std::string((const char*)entry + 1, entry[0]);
}

int32_t indexOf(const std::u16string& id) { return timeZoneIndex((const uint16_t*)id.data(), (int32_t)id.size()); }

TEST(TimeZoneTable, TellingRows) {
    struct Row {
        int32_t index;
        const char* id;
        int16_t raw, start, end, saving;
        int8_t startMonth, startDay, startDayOfWeek, endMonth, endDay, endDayOfWeek;
    };
    const Row rows[] = {
        {0, "GMT", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {7, "America/Los_Angeles", -480, 120, 120, 60, 3, 1, -1, 9, -1, 1},
        {38, "America/Havana", -300, 0, 60, 60, 3, 1, -1, 9, 8, -1},
        {79, "America/Godthab", -180, 1320, 1320, 60, 2, -1, 7, 9, -1, 7},
        {97, "Australia/Lord_Howe", 630, 120, 180, 30, 9, -1, 1, 2, -1, 1},
        {161, "Europe/London", 0, 60, 60, 60, 2, -1, 1, 9, -1, 1},
        {212, "Asia/Tehran", 210, 0, 0, 60, 2, 21, 0, 8, 23, 0},
        {232, "Asia/Katmandu", 345, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {263, "Asia/Tokyo", 540, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {316, "Pacific/Chatham", 765, 165, 225, 60, 9, 1, -1, 2, 15, -1},
        {319, "Pacific/Kiritimati", 840, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Row& k : rows) {
        const TimeZoneRecord& r = TimeZoneRecords[k.index];
        EXPECT_EQ(idOf(k.index), k.id) << k.id;
        EXPECT_EQ(r.rawOffset, k.raw) << k.id;
        EXPECT_EQ(r.startTime, k.start) << k.id;
        EXPECT_EQ(r.endTime, k.end) << k.id;
        EXPECT_EQ(r.dstSavings, k.saving) << k.id;
        EXPECT_EQ(r.startMonth, k.startMonth) << k.id;
        EXPECT_EQ(r.startDay, k.startDay) << k.id;
        EXPECT_EQ(r.startDayOfWeek, k.startDayOfWeek) << k.id;
        EXPECT_EQ(r.endMonth, k.endMonth) << k.id;
        EXPECT_EQ(r.endDay, k.endDay) << k.id;
        EXPECT_EQ(r.endDayOfWeek, k.endDayOfWeek) << k.id;
    }
}

TEST(TimeZoneTable, Layout) {
    // every identifier in order, each once, the list ending where its size says
    const uint8_t* entry = TimeZoneIdList;
    for (int32_t i = 0; i < TIME_ZONE_COUNT; i++) {
        ASSERT_EQ(entry - TimeZoneIdList, TimeZoneRecords[i].idOffset) << i;
        std::string id((const char*)entry + 1, entry[0]);
        std::u16string wide(id.begin(), id.end());
        EXPECT_EQ(indexOf(wide), i) << id;
        entry += 1 + entry[0];
    }
    EXPECT_EQ(*entry, 0);
    EXPECT_EQ(entry + 1 - TimeZoneIdList, TIME_ZONE_ID_LIST_SIZE);
    int16_t lowest = 0, highest = 0;
    for (const TimeZoneRecord& r : TimeZoneRecords) {
        lowest = std::min(lowest, r.rawOffset);
        highest = std::max(highest, r.rawOffset);
        if (r.dstSavings == 0) {
            EXPECT_TRUE(r.startTime == 0 && r.endTime == 0 && r.startMonth == 0 && r.startDay == 0 &&
                        r.startDayOfWeek == 0 && r.endMonth == 0 && r.endDay == 0 && r.endDayOfWeek == 0)
                << r.idOffset;
        }
    }
    EXPECT_EQ(lowest, -660);  // Pacific/Apia
    EXPECT_EQ(highest, 840);  // Pacific/Kiritimati
    // rules the database gives in UTC are in local standard time
    EXPECT_EQ(TimeZoneTimeModes[161], 3);  // Europe/London
    EXPECT_EQ(TimeZoneTimeModes[7], 0);    // America/Los_Angeles
}

TEST(TimeZoneTable, Lookups) {
    struct Case {
        std::u16string id;
        int32_t index;
    };
    const Case cases[] = {
        {u"GMT", 0},
        {u"UTC", 1},
        {u"Pacific/Kiritimati", 319},
        {u"gmt", -1},
        {u"", -1},
        {u"GMT ", -1},
        {u"GM", -1},
        {u"Asia/Tokyo", 263},
        {u"JST", 264},
        {u"G\u014dT", -1},
        // a character above 255 never matches, even when its low byte would
        {u"\u0147MT", -1},
    };
    for (const Case& k : cases) EXPECT_EQ(indexOf(k.id), k.index) << std::string(k.id.begin(), k.id.end());
}

const char* const ZONE_FIELDS[] = {"rawOffset",  "startTime",    "endTime",        "dstSavings",
                                   "startMonth", "startDay",     "startDayOfWeek", "endMonth",
                                   "endDay",     "endDayOfWeek", "startTimeMode",  "endTimeMode"};

TEST(TimeZoneNatives, SetFields) {
    struct Case {
        const char* name;
        int32_t index;
        int32_t values[12];  // 7 where the native leaves the field alone
    };
    const Case cases[] = {
        {"Asia/Tokyo writes only the raw offset", 263, {32400000, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
        {"America/Los_Angeles", 7, {-28800000, 7200000, 7200000, 3600000, 3, 1, -1, 9, -1, 1, 7, 7}},
        {"Europe/London in standard time", 161, {7, 3600000, 3600000, 3600000, 2, -1, 1, 9, -1, 1, 1, 1}},
    };
    for (const Case& k : cases) {
        Vm vm;
        ClassSpec& z = vm.cls("Z");
        for (const char* f : ZONE_FIELDS) z.field(f, "I");
        RunResult r = vm.inside([&] {
            OBJECT zone = instantiate(vm.classRecord("Z"));
            for (int i = 0; i < 12; i++) setIntFieldByName(zone, ZONE_FIELDS[i], "I", 7);
            NativeCall().arg(zone).arg(k.index).call(Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_setFields);
            for (int i = 0; i < 12; i++)
                EXPECT_EQ(getIntFieldByIndex(zone, getFieldIndex(ZONE_FIELDS[i], "I", zone->clazz)), k.values[i])
                    << k.name << " " << ZONE_FIELDS[i];
        });
        EXPECT_EQ(r.exitCode, 0) << k.name << "\n" << r.trace;
    }
}

TEST(TimeZoneNatives, IdsCountAndDefault) {
    Vm vm;
    RunResult r = vm.inside([&] {
        mvOption_init();
        EXPECT_EQ(NativeCall().call(Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getCount), TIME_ZONE_COUNT);
        struct Case {
            int32_t index;
            const char* id;  // null: no string
        };
        const Case cases[] = {{0, "GMT"}, {319, "Pacific/Kiritimati"}, {320, nullptr}, {-1, nullptr}};
        for (const Case& k : cases) {
            StringInstance* s = p32Ptr<StringInstance>(
                NativeCall().arg(k.index).call(Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getID));
            if (k.id == nullptr) {
                EXPECT_EQ(s, nullptr) << k.index;
            } else {
                ASSERT_NE(s, nullptr) << k.index;
                EXPECT_STREQ(getStringContents(s), k.id);
            }
        }
        StringInstance* id = instantiateStringFromUtf("UTC", 3);
        EXPECT_EQ(NativeCall().arg(id).call(Java_com_sun_cldc_util_j2me_TimeZoneImpl_native_getIndex), 1);
        // the option's built-in default
        StringInstance* zone =
            p32Ptr<StringInstance>(NativeCall().call(Java_com_sun_cldc_util_j2me_TimeZoneImpl_getDefaultTimeZone));
        ASSERT_NE(zone, nullptr);
        EXPECT_STREQ(getStringContents(zone), "Asia/Tokyo");
    });
    EXPECT_EQ(r.exitCode, 0) << r.trace;
}

}  // namespace
