package com.sun.cldc.util.j2me;

import java.util.TimeZone;

/**
 * A zone of the built-in table, or a custom GMT offset. Daylight saving follows one rule
 * pair a year: a month, a day rule and a time for its start and for its end.
 *
 * A day rule is a day of month (dayOfWeek 0); a week number from the start or, when
 * negative, from the end of the month with a dayOfWeek 1-7 (Sunday 1); or a day with a
 * negative dayOfWeek: the first such weekday on or after it, or, with a negative day too,
 * the last on or before -day. Times are wall-clock times unless their mode is 1, local
 * standard time.
 */
public class TimeZoneImpl extends TimeZone {

    private static final int DAY = 24 * 60 * 60 * 1000;

    private String ID;

    private int rawOffset;

    private int startTime;

    private int endTime;

    private int dstSavings;

    private int startMonth;

    private int startDay;

    private int startDayOfWeek;

    private int endMonth;

    private int endDay;

    private int endDayOfWeek;

    private int startTimeMode;

    private int endTimeMode;

    public TimeZoneImpl() {
        ID = "GMT";
    }

    private TimeZoneImpl(String id, int index) {
        ID = id;
        native_setFields(index);
    }

    private TimeZoneImpl(String id, int rawOffset, boolean custom) {
        ID = id;
        this.rawOffset = rawOffset;
    }

    /**
     * The zone of the identifier, or null.
     */
    public static TimeZone getZone(String id) {
        int index = native_getIndex(id);
        if (index >= 0) {
            return new TimeZoneImpl(id, index);
        }
        return customZone(id);
    }

    /**
     * The zone the platform is set to, GMT when the setting names no zone.
     */
    public static TimeZone getDefaultZone() {
        String id = getDefaultTimeZone();
        TimeZone zone = id != null ? getZone(id) : null;
        return zone != null ? zone : getZone("GMT");
    }

    public static String[] getIDs() {
        String[] ids = new String[native_getCount()];
        for (int i = 0; i < ids.length; i++) {
            ids[i] = native_getID(i);
        }
        return ids;
    }

    public int getOffset(int era, int year, int month, int day, int dayOfWeek, int millis) {
        if ((era != 0 && era != 1) || month < 0 || month > 11 || day < 1 || day > monthLength(year, month)
                || dayOfWeek < 1 || dayOfWeek > 7 || millis < 0 || millis >= DAY) {
            throw new IllegalArgumentException();
        }
        if (dstSavings == 0 || era == 0) {
            return rawOffset;
        }
        long now = yearMillis(year, month, day, millis);
        long start = yearMillis(year, startMonth, ruleDay(year, startMonth, startDay, startDayOfWeek), startTime);
        // the end in standard time: a wall-clock end lies one saving later than standard
        int end = endTimeMode == 1 ? endTime : endTime - dstSavings;
        long stop = yearMillis(year, endMonth, ruleDay(year, endMonth, endDay, endDayOfWeek), end);
        boolean daylight = start < stop ? now >= start && now < stop : now >= start || now < stop;
        return daylight ? rawOffset + dstSavings : rawOffset;
    }

    public int getRawOffset() {
        return rawOffset;
    }

    public boolean useDaylightTime() {
        return dstSavings != 0;
    }

    public String getID() {
        return ID;
    }

    /**
     * Milliseconds from the start of the year; days and times past a month's end carry on.
     */
    private static long yearMillis(int year, int month, int day, int millis) {
        return (long) (dayOfYear(year, month) + day - 1) * DAY + millis;
    }

    private static int dayOfYear(int year, int month) {
        int[] before = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
        return before[month] + (month > 1 && isLeap(year) ? 1 : 0);
    }

    private static boolean isLeap(int year) {
        return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    }

    private static int monthLength(int year, int month) {
        return month == 11 ? 31 : dayOfYear(year, month + 1) - dayOfYear(year, month);
    }

    /**
     * Day of week (1 Sunday .. 7 Saturday) of a day of the proleptic Gregorian calendar.
     */
    private static int dayOfWeek(int year, int month, int day) {
        long y = year - 1;
        long days = y * 365 + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) + dayOfYear(year, month) + day;
        // day 1 of year 1 was a Monday
        int dow = (int) ((days % 7 + 7) % 7);
        return dow + 1;
    }

    private static long floorDiv(long a, long b) {
        long q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }

    /**
     * The day of month a rule names in that year (may lie outside the month for the on or
     * before and on or after forms near its ends).
     */
    private static int ruleDay(int year, int month, int day, int dayOfWeek) {
        if (dayOfWeek == 0) {
            return day;
        }
        if (dayOfWeek > 0) {
            if (day > 0) {
                int first = dayOfWeek(year, month, 1);
                return 1 + (dayOfWeek - first + 7) % 7 + (day - 1) * 7;
            }
            int length = monthLength(year, month);
            int last = dayOfWeek(year, month, length);
            return length - (last - dayOfWeek + 7) % 7 + (day + 1) * 7;
        }
        int wanted = -dayOfWeek;
        if (day > 0) {
            return day + (wanted - dayOfWeek(year, month, day) + 7) % 7;
        }
        return -day - (dayOfWeek(year, month, -day) - wanted + 7) % 7;
    }

    /**
     * GMT followed by a sign and hours, with minutes after a colon or as the last two of
     * three or four digits; its identifier is GMT+hh:mm.
     */
    private static TimeZone customZone(String id) {
        if (!id.startsWith("GMT") || id.length() < 5) {
            return null;
        }
        char sign = id.charAt(3);
        if (sign != '+' && sign != '-') {
            return null;
        }
        String rest = id.substring(4);
        int hours;
        int minutes = 0;
        int colon = rest.indexOf(':');
        try {
            if (colon >= 0) {
                if (colon == 0 || colon > 2 || rest.length() - colon != 3) {
                    return null;
                }
                hours = parseDigits(rest.substring(0, colon));
                minutes = parseDigits(rest.substring(colon + 1));
            } else if (rest.length() <= 2) {
                hours = parseDigits(rest);
            } else if (rest.length() <= 4) {
                hours = parseDigits(rest.substring(0, rest.length() - 2));
                minutes = parseDigits(rest.substring(rest.length() - 2));
            } else {
                return null;
            }
        } catch (NumberFormatException e) {
            return null;
        }
        if (hours > 23 || minutes > 59) {
            return null;
        }
        int offset = (hours * 60 + minutes) * 60000;
        StringBuffer name = new StringBuffer("GMT");
        name.append(sign);
        name.append((char) ('0' + hours / 10)).append((char) ('0' + hours % 10)).append(':');
        name.append((char) ('0' + minutes / 10)).append((char) ('0' + minutes % 10));
        return new TimeZoneImpl(name.toString(), sign == '-' ? -offset : offset, true);
    }

    private static int parseDigits(String s) {
        if (s.length() == 0) {
            throw new NumberFormatException();
        }
        int value = 0;
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            if (c < '0' || c > '9') {
                throw new NumberFormatException();
            }
            value = value * 10 + (c - '0');
        }
        return value;
    }

    private static native int native_getCount();

    private static native int native_getIndex(String id);

    private static native String native_getID(int index);

    private native void native_setFields(int index);

    private static native String getDefaultTimeZone();
}
