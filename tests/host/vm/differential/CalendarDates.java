import java.util.Calendar;
import java.util.Date;
import java.util.TimeZone;

// Calendar, Date and TimeZone: fields of instants in several zones (the 2006 daylight-saving
// changes of Los Angeles and London included), fields set and rolled over, zone offsets.
public class CalendarDates {
    static final long HOUR = 3600000L;

    static String fields(Calendar c) {
        return c.get(Calendar.YEAR) + "-" + (c.get(Calendar.MONTH) + 1) + "-" + c.get(Calendar.DAY_OF_MONTH) + " "
            + c.get(Calendar.HOUR_OF_DAY) + ":" + c.get(Calendar.MINUTE) + ":" + c.get(Calendar.SECOND) + "."
            + c.get(Calendar.MILLISECOND) + " dow " + c.get(Calendar.DAY_OF_WEEK) + " " + c.get(Calendar.HOUR)
            + (c.get(Calendar.AM_PM) == Calendar.AM ? "am" : "pm");
    }

    public static void main(String[] args) {
        String[] zones = {"GMT", "UTC", "America/Los_Angeles", "Europe/London", "Asia/Tokyo", "Asia/Katmandu", "America/New_York",
                          "Europe/Berlin", "Australia/Sydney", "Pacific/Kiritimati", "No/Such_Zone"};
        // around the 2006 changes: Los Angeles Apr 2 and Oct 29 at 10:00 and 09:00 UTC, London Mar 26 and Oct 29 at 01:00 UTC
        // the table holds the rules of 2006, not the history: no instants long before
        long[] instants = {951782400000L, 1144000800000L - 1, 1144000800000L, 1162112400000L - 1, 1162112400000L,
                           1143334800000L - 1, 1143334800000L, 1162083600000L - 1, 1162083600000L, 1136073600000L,
                           1151712000123L, 4102444800000L, 1234567890123L};
        for (int z = 0; z < zones.length; z++) {
            TimeZone zone = TimeZone.getTimeZone(zones[z]);
            System.out.println(zones[z] + ": " + zone.getID() + " raw " + zone.getRawOffset() + " dst " + zone.useDaylightTime()
                + " jan " + zone.getOffset(1, 2006, Calendar.JANUARY, 15, Calendar.SUNDAY, 0)
                + " jul " + zone.getOffset(1, 2006, Calendar.JULY, 15, Calendar.SATURDAY, 12 * 3600000));
            Calendar c = Calendar.getInstance(zone);
            for (int i = 0; i < instants.length; i++) {
                c.setTime(new Date(instants[i]));
                System.out.println("  " + instants[i] + " " + fields(c) + " back " + c.getTime().getTime());
            }
        }
        // every hour across the two days of each 2006 change
        String[] changing = {"America/Los_Angeles", "Europe/London"};
        long[] days = {1143936000000L, 1162080000000L, 1143331200000L};
        for (int z = 0; z < changing.length; z++) {
            Calendar c = Calendar.getInstance(TimeZone.getTimeZone(changing[z]));
            for (int d = 0; d < days.length; d++) {
                StringBuffer line = new StringBuffer(changing[z] + " from " + days[d] + ":");
                for (int h = 0; h < 30; h++) {
                    c.setTime(new Date(days[d] + h * HOUR));
                    line.append(' ').append(c.get(Calendar.HOUR_OF_DAY));
                }
                System.out.println(line);
            }
        }
        // fields set, the instant computed, out-of-range values rolled over
        Calendar c = Calendar.getInstance(TimeZone.getTimeZone("GMT"));
        c.setTime(new Date(0));
        int[][] sets = {{Calendar.YEAR, 2006}, {Calendar.MONTH, Calendar.FEBRUARY}, {Calendar.DAY_OF_MONTH, 29},
                        {Calendar.HOUR_OF_DAY, 25}, {Calendar.MINUTE, -1}, {Calendar.SECOND, 61}, {Calendar.MILLISECOND, 1500},
                        {Calendar.MONTH, 13}, {Calendar.MONTH, -1}, {Calendar.DATE, 0}, {Calendar.HOUR, 3}, {Calendar.AM_PM, Calendar.PM},
                        {Calendar.HOUR_OF_DAY, 7}, {Calendar.YEAR, 2000}, {Calendar.DATE, 366}};
        for (int i = 0; i < sets.length; i++) {
            c.set(sets[i][0], sets[i][1]);
            System.out.println("set " + sets[i][0] + "=" + sets[i][1] + ": " + fields(c) + " " + c.getTime().getTime());
        }
        Calendar la = Calendar.getInstance(TimeZone.getTimeZone("America/Los_Angeles"));
        la.setTime(new Date(0));
        la.set(Calendar.YEAR, 2006);
        la.set(Calendar.MONTH, Calendar.JULY);
        la.set(Calendar.DATE, 4);
        la.set(Calendar.HOUR_OF_DAY, 12);
        System.out.println("LA July 4 noon " + la.getTime().getTime() + " " + fields(la));
        la.setTimeZone(TimeZone.getTimeZone("Asia/Tokyo"));
        System.out.println("same instant in Tokyo " + fields(la) + " " + la.getTime().getTime() + " " + la.getTimeZone().getID());
        // comparisons and Date
        Calendar a = Calendar.getInstance(TimeZone.getTimeZone("GMT"));
        Calendar b = Calendar.getInstance(TimeZone.getTimeZone("GMT"));
        a.setTime(new Date(1000));
        b.setTime(new Date(2000));
        System.out.println(a.before(b) + " " + a.after(b) + " " + b.after(a) + " " + a.equals(b) + " " + a.before("x"));
        b.setTime(new Date(1000));
        System.out.println(a.equals(b) + " " + a.before(b));
        Date d = new Date(1234567890123L);
        Date e = new Date(1234567890123L);
        System.out.println(d.getTime() + " " + d.equals(e) + " " + (d.hashCode() == e.hashCode()) + " " + d.hashCode() + " "
            + d.equals(null) + " " + new Date(-5).hashCode());
        e.setTime(5);
        System.out.println(e.getTime() + " " + d.equals(e) + " " + (new Date().getTime() > 1100000000000L));
        System.out.println(TimeZone.getTimeZone("GMT").getOffset(1, 2006, 0, 1, 1, 0) + " "
            + TimeZone.getTimeZone("America/Los_Angeles").getOffset(1, 2006, Calendar.APRIL, 2, Calendar.SUNDAY, 2 * 3600000 - 1) + " "
            + TimeZone.getTimeZone("America/Los_Angeles").getOffset(1, 2006, Calendar.APRIL, 2, Calendar.SUNDAY, 2 * 3600000));
    }
}
