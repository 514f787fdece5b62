import java.util.TimeZone;

/**
 * TimeZone over the built-in table: the default zone the platform option names, lookups
 * that fail to GMT, custom offsets, the list of identifiers, and offsets on both sides of
 * the 2006 transitions of three zones, one in the southern hemisphere.
 */
public class TimeZoneTest {

    static void show(String id) {
        TimeZone z = TimeZone.getTimeZone(id);
        System.out.println(id + " -> " + z.getID() + " raw " + z.getRawOffset() + (z.useDaylightTime() ? " dst" : ""));
    }

    public static void main(String[] args) {
        TimeZone d = TimeZone.getDefault();
        System.out.println("default " + d.getID() + " raw " + d.getRawOffset());
        String[] ids = {"America/Los_Angeles", "Europe/London", "JST", "UTC", "gmt", "Nowhere", "", "GMT+5:30",
                        "GMT-0800", "GMT+9", "GMT-00:00", "GMT+24:00", "GMT+5:3", "GMT+", "GMT+123", "GMT+12345"};
        for (int i = 0; i < ids.length; i++) {
            show(ids[i]);
        }
        try {
            TimeZone.getTimeZone((String) null);
        } catch (NullPointerException e) {
            System.out.println("null id: NullPointerException");
        }
        String[] all = TimeZone.getAvailableIDs();
        System.out.println(all.length + " zones, " + all[0] + " to " + all[all.length - 1]);

        TimeZone la = TimeZone.getTimeZone("America/Los_Angeles");
        // local standard time: 2006-04-02 (a Sunday) 01:59:59.999 and 02:00, 2006-10-29 00:59:59.999 and 01:00
        System.out.println("LA " + la.getOffset(1, 2006, 3, 2, 1, 7199999) + " " + la.getOffset(1, 2006, 3, 2, 1, 7200000)
                           + " " + la.getOffset(1, 2006, 9, 29, 1, 3599999) + " " + la.getOffset(1, 2006, 9, 29, 1, 3600000)
                           + " BC " + la.getOffset(0, 2006, 6, 1, 1, 0));
        TimeZone london = TimeZone.getTimeZone("Europe/London");
        // 2006-03-26 and 2006-10-29 at 01:00 UTC
        System.out.println("London " + london.getOffset(1, 2006, 2, 26, 1, 3599999) + " "
                           + london.getOffset(1, 2006, 2, 26, 1, 3600000) + " " + london.getOffset(1, 2006, 9, 29, 1, 3599999)
                           + " " + london.getOffset(1, 2006, 9, 29, 1, 3600000));
        TimeZone chatham = TimeZone.getTimeZone("Pacific/Chatham");
        // 2006-03-19 and 2006-10-01 at 02:45 standard time
        System.out.println("Chatham " + chatham.getOffset(1, 2006, 2, 19, 1, 9899999) + " "
                           + chatham.getOffset(1, 2006, 2, 19, 1, 9900000) + " " + chatham.getOffset(1, 2006, 9, 1, 1, 9899999)
                           + " " + chatham.getOffset(1, 2006, 9, 1, 1, 9900000));
        // arguments outside their ranges: month 12, February 29 of 2006, era 2, day of week 8, a whole day
        int[][] bad = {{1, 2006, 12, 1, 1, 0}, {1, 2006, 1, 29, 4, 0}, {2, 2006, 0, 1, 1, 0}, {1, 2006, 0, 1, 8, 0},
                       {1, 2006, 0, 1, 1, 86400000}};
        for (int i = 0; i < bad.length; i++) {
            int[] b = bad[i];
            try {
                System.out.println("accepted " + la.getOffset(b[0], b[1], b[2], b[3], b[4], b[5]));
            } catch (IllegalArgumentException e) {
                System.out.println("IllegalArgumentException");
            }
        }
        System.out.println("leap day " + la.getOffset(1, 2004, 1, 29, 1, 0));
    }
}
