package java.util;

import com.sun.cldc.util.j2me.TimeZoneImpl;

/**
 * A time zone: its offset from UTC and its daylight-saving rules. The zones are those of
 * the platform's built-in table; the default zone is the platform's setting.
 */
public abstract class TimeZone {

    private static TimeZone defaultZone;

    public TimeZone() {
    }

    /**
     * The offset from UTC in milliseconds, daylight saving included, at the given local
     * standard date and time: era (0 BC, 1 AD), year, month 0-11, day of month, day of
     * week 1-7 (Sunday 1) and milliseconds of the day.
     */
    public abstract int getOffset(int era, int year, int month, int day, int dayOfWeek, int millis);

    public abstract int getRawOffset();

    public abstract boolean useDaylightTime();

    public String getID() {
        return null;
    }

    /**
     * The zone of the identifier, or GMT when there is none: the table's identifiers and
     * custom ones of the form GMT+hh:mm, GMT-hhmm or GMT+h.
     */
    public static synchronized TimeZone getTimeZone(String ID) {
        if (ID == null) {
            throw new NullPointerException();
        }
        TimeZone zone = TimeZoneImpl.getZone(ID);
        return zone != null ? zone : TimeZoneImpl.getZone("GMT");
    }

    public static synchronized TimeZone getDefault() {
        if (defaultZone == null) {
            defaultZone = TimeZoneImpl.getDefaultZone();
        }
        return defaultZone;
    }

    public static String[] getAvailableIDs() {
        return TimeZoneImpl.getIDs();
    }
}
