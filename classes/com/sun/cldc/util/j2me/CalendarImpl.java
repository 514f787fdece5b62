package com.sun.cldc.util.j2me;

import java.util.Calendar;
import java.util.TimeZone;

/**
 * The Gregorian calendar behind Calendar.getInstance, proleptic before 1582. Fields are
 * local time of the calendar's zone; DAY_OF_WEEK is computed, never read.
 */
public class CalendarImpl extends Calendar {

    private static final long ONE_DAY = 24L * 60 * 60 * 1000;
    private static final String[] DAY_NAMES = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    private static final String[] MONTH_NAMES = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep",
                                                 "Oct", "Nov", "Dec"};

    public CalendarImpl() {
    }

    private static long floorDiv(long a, long b) {
        long q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }

    // Days since 1970-01-01 of a year, month (0-11) and day of month (1-31).
    private static long daysOf(long year, int month, int day) {
        long y = month < 2 ? year - 1 : year;
        long era = floorDiv(y, 400);
        long yearOfEra = y - era * 400;
        int m = month < 2 ? month + 10 : month - 2;
        long dayOfYear = (153 * m + 2) / 5 + day - 1;
        long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + dayOfEra - 719468;
    }

    // Year, month (0-11), day of month and day of week (1 Sunday) of a day since 1970.
    private static void civil(long days, int[] out) {
        long z = days + 719468;
        long era = floorDiv(z, 146097);
        long dayOfEra = z - era * 146097;
        long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        long mp = (5 * dayOfYear + 2) / 153;
        int day = (int) (dayOfYear - (153 * mp + 2) / 5 + 1);
        int month = (int) (mp < 10 ? mp + 2 : mp - 10);
        long year = yearOfEra + era * 400 + (month < 2 ? 1 : 0);
        out[0] = (int) year;
        out[1] = month;
        out[2] = day;
        out[3] = (int) (((days % 7) + 7 + 4) % 7) + 1;
    }

    // The zone's offset at an instant, from the zone's view of local standard time.
    private static int offsetAt(TimeZone zone, long utc) {
        int raw = zone.getRawOffset();
        long standard = utc + raw;
        long days = floorDiv(standard, ONE_DAY);
        int[] date = new int[4];
        civil(days, date);
        if (date[0] <= 0) {
            return raw;
        }
        return zone.getOffset(1, date[0], date[1], date[2], date[3], (int) (standard - days * ONE_DAY));
    }

    protected void computeFields() {
        long local = time + offsetAt(getTimeZone(), time);
        long days = floorDiv(local, ONE_DAY);
        int millis = (int) (local - days * ONE_DAY);
        int[] date = new int[4];
        civil(days, date);
        fields[YEAR] = date[0];
        fields[MONTH] = date[1];
        fields[DATE] = date[2];
        fields[DAY_OF_WEEK] = date[3];
        int hour = millis / 3600000;
        fields[HOUR_OF_DAY] = hour;
        fields[AM_PM] = hour < 12 ? AM : PM;
        fields[HOUR] = hour % 12;
        fields[MINUTE] = millis / 60000 % 60;
        fields[SECOND] = millis / 1000 % 60;
        fields[MILLISECOND] = millis % 1000;
        for (int i = 0; i < isSet.length; i++) {
            isSet[i] = true;
        }
    }

    protected void computeTime() {
        long year = fields[YEAR];
        long month = fields[MONTH];
        year += floorDiv(month, 12);
        month -= floorDiv(month, 12) * 12;
        long days = daysOf(year, (int) month, 1) + fields[DATE] - 1;
        long hour = isSet[HOUR_OF_DAY] ? fields[HOUR_OF_DAY] : (long) fields[AM_PM] * 12 + fields[HOUR];
        long local = days * ONE_DAY + ((hour * 60 + fields[MINUTE]) * 60 + fields[SECOND]) * 1000
            + fields[MILLISECOND];
        TimeZone zone = getTimeZone();
        // local time taken as standard time picks the offset
        time = local - offsetAt(zone, local - zone.getRawOffset());
    }

    private static void two(StringBuffer b, int value) {
        if (value < 10) {
            b.append('0');
        }
        b.append(value);
    }

    // Date's text: "EEE MMM dd HH:mm:ss zzz yyyy"
    public static String toString(Calendar c) {
        StringBuffer b = new StringBuffer(28);
        b.append(DAY_NAMES[c.get(DAY_OF_WEEK) - 1]).append(' ');
        b.append(MONTH_NAMES[c.get(MONTH)]).append(' ');
        two(b, c.get(DATE));
        b.append(' ');
        two(b, c.get(HOUR_OF_DAY));
        b.append(':');
        two(b, c.get(MINUTE));
        b.append(':');
        two(b, c.get(SECOND));
        b.append(' ').append(c.getTimeZone().getID()).append(' ');
        b.append(c.get(YEAR));
        return b.toString();
    }
}
