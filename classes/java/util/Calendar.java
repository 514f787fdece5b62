package java.util;

import com.sun.cldc.util.j2me.CalendarImpl;

/**
 * Converts between an instant and the fields of a date and time of day in a time zone.
 * Setting a field leaves the instant to be computed when it is next needed; getting a
 * field after a set works from that instant, so out-of-range values roll over.
 */
public abstract class Calendar {

    public static final int YEAR = 1;
    public static final int MONTH = 2;
    public static final int DATE = 5;
    public static final int DAY_OF_MONTH = 5;
    public static final int DAY_OF_WEEK = 7;
    public static final int AM_PM = 9;
    public static final int HOUR = 10;
    public static final int HOUR_OF_DAY = 11;
    public static final int MINUTE = 12;
    public static final int SECOND = 13;
    public static final int MILLISECOND = 14;

    public static final int JANUARY = 0;
    public static final int FEBRUARY = 1;
    public static final int MARCH = 2;
    public static final int APRIL = 3;
    public static final int MAY = 4;
    public static final int JUNE = 5;
    public static final int JULY = 6;
    public static final int AUGUST = 7;
    public static final int SEPTEMBER = 8;
    public static final int OCTOBER = 9;
    public static final int NOVEMBER = 10;
    public static final int DECEMBER = 11;

    public static final int SUNDAY = 1;
    public static final int MONDAY = 2;
    public static final int TUESDAY = 3;
    public static final int WEDNESDAY = 4;
    public static final int THURSDAY = 5;
    public static final int FRIDAY = 6;
    public static final int SATURDAY = 7;

    public static final int AM = 0;
    public static final int PM = 1;

    private static final int FIELD_COUNT = 15;

    protected int[] fields;
    protected boolean[] isSet;
    protected long time;

    private boolean isTimeSet;
    private boolean areFieldsSet;
    private TimeZone zone;

    protected Calendar() {
        fields = new int[FIELD_COUNT];
        isSet = new boolean[FIELD_COUNT];
        zone = TimeZone.getDefault();
    }

    public static synchronized Calendar getInstance() {
        return getInstance(TimeZone.getDefault());
    }

    public static synchronized Calendar getInstance(TimeZone zone) {
        Calendar c = new CalendarImpl();
        c.zone = zone;
        c.setTimeInMillis(System.currentTimeMillis());
        return c;
    }

    public final Date getTime() {
        return new Date(getTimeInMillis());
    }

    public final void setTime(Date date) {
        setTimeInMillis(date.getTime());
    }

    protected long getTimeInMillis() {
        if (!isTimeSet) {
            computeTime();
            isTimeSet = true;
        }
        return time;
    }

    protected void setTimeInMillis(long millis) {
        time = millis;
        isTimeSet = true;
        computeFields();
        areFieldsSet = true;
    }

    public final int get(int field) {
        if (!areFieldsSet) {
            // the fields set since the last computation may be out of range, and the
            // others follow from them
            getTimeInMillis();
            computeFields();
            areFieldsSet = true;
        }
        return fields[field];
    }

    // HOUR and AM_PM on one side and HOUR_OF_DAY on the other give the hour: the one set
    // last counts.
    public final void set(int field, int value) {
        if (field < 0 || field >= FIELD_COUNT) {
            throw new ArrayIndexOutOfBoundsException(field);
        }
        isTimeSet = false;
        areFieldsSet = false;
        fields[field] = value;
        isSet[field] = true;
        if (field == HOUR_OF_DAY) {
            isSet[HOUR] = false;
            isSet[AM_PM] = false;
        } else if (field == HOUR || field == AM_PM) {
            isSet[HOUR_OF_DAY] = false;
        }
    }

    protected abstract void computeFields();

    protected abstract void computeTime();

    public boolean equals(Object obj) {
        if (!(obj instanceof Calendar)) {
            return false;
        }
        Calendar that = (Calendar) obj;
        return getTimeInMillis() == that.getTimeInMillis() && sameZone(zone, that.zone);
    }

    // Zones of the table are made anew for each request: equal IDs are the same zone.
    private static boolean sameZone(TimeZone a, TimeZone b) {
        if (a == b || a.equals(b)) {
            return true;
        }
        String id = a.getID();
        return id != null && id.equals(b.getID()) && a.getRawOffset() == b.getRawOffset()
            && a.useDaylightTime() == b.useDaylightTime();
    }

    public boolean before(Object when) {
        return when instanceof Calendar && getTimeInMillis() < ((Calendar) when).getTimeInMillis();
    }

    public boolean after(Object when) {
        return when instanceof Calendar && getTimeInMillis() > ((Calendar) when).getTimeInMillis();
    }

    public void setTimeZone(TimeZone value) {
        long millis = getTimeInMillis();
        zone = value;
        setTimeInMillis(millis);
    }

    public TimeZone getTimeZone() {
        return zone;
    }
}
