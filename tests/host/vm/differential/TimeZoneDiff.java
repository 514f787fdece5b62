import java.util.TimeZone;

/**
 * The daylight-saving transitions of 2006 of the zones of the built-in table, to the
 * minute, with the offsets on both sides. The same program runs on the JDK, whose answers
 * must be the same; dates are worked out here so that only TimeZone is compared.
 */
public class TimeZoneDiff {

    static final long DAY = 86400000L;

    /**
     * Every zone of the table but those where the JDK answers otherwise on purpose: the
     * three the device ships with rules of its own (America/Havana, Australia/Lord_Howe,
     * Asia/Tehran); Australia/Perth, whose trial began in December 2006 so that one rule
     * pair cannot give 2006 alone; Asia/Colombo, which changed its offset in 2006; MET,
     * which the JDK reads as Middle European Time; and Asia/Alma-Ata and Asia/Ishigaki,
     * which it does not know.
     */
    static final String[] ZONES = {
        "GMT", "UTC", "America/Adak", "America/Anchorage", "AST", "America/Vancouver", "America/Tijuana",
        "America/Los_Angeles", "PST", "America/Dawson_Creek", "America/Phoenix", "PNT", "America/Edmonton",
        "America/Mazatlan", "America/Denver", "MST", "America/Belize", "America/Regina", "America/Guatemala",
        "America/Tegucigalpa", "America/El_Salvador", "America/Costa_Rica", "America/Winnipeg",
        "America/Mexico_City", "America/Chicago", "CST", "America/Porto_Acre", "America/Bogota", "America/Guayaquil",
        "America/Jamaica", "America/Cayman", "America/Managua", "America/Panama", "America/Lima",
        "America/Indianapolis", "IET", "America/Nassau", "America/Montreal", "America/Port-au-Prince",
        "America/Grand_Turk", "America/New_York", "EST", "America/Antigua", "America/Anguilla", "America/Curacao",
        "America/Aruba", "America/Barbados", "America/La_Paz", "America/Manaus", "America/Dominica",
        "America/Santo_Domingo", "America/Grenada", "America/Guadeloupe", "America/Guyana", "America/St_Kitts",
        "America/St_Lucia", "America/Martinique", "America/Montserrat", "America/Puerto_Rico", "PRT",
        "America/Port_of_Spain", "America/St_Vincent", "America/Tortola", "America/St_Thomas", "America/Caracas",
        "America/Cuiaba", "America/Halifax", "America/Thule", "America/Asuncion", "America/Santiago",
        "America/St_Johns", "CNT", "America/Fortaleza", "America/Cayenne", "America/Paramaribo",
        "America/Montevideo", "America/Buenos_Aires", "AGT", "America/Godthab", "America/Miquelon",
        "America/Sao_Paulo", "BET", "America/Noronha", "America/Scoresbysund", "Antarctica/Palmer",
        "Antarctica/Mawson", "Antarctica/Casey", "Antarctica/DumontDUrville", "Antarctica/McMurdo",
        "Australia/Darwin", "ACT", "Australia/Adelaide", "Australia/Brisbane", "Australia/Sydney", "AET",
        "Atlantic/Bermuda", "Atlantic/Stanley", "Atlantic/South_Georgia", "Atlantic/Jan_Mayen",
        "Atlantic/Cape_Verde", "Atlantic/Azores", "Atlantic/Reykjavik", "Atlantic/Faeroe", "Atlantic/Canary",
        "Africa/Ouagadougou", "Africa/Abidjan", "Africa/Accra", "Africa/Banjul", "Africa/Conakry", "Africa/Bissau",
        "Africa/Monrovia", "Africa/Casablanca", "Africa/Timbuktu", "Africa/Nouakchott", "Atlantic/St_Helena",
        "Africa/Freetown", "Africa/Dakar", "Africa/Sao_Tome", "Africa/Lome", "Africa/Luanda", "Africa/Porto-Novo",
        "Africa/Bangui", "Africa/Kinshasa", "Africa/Douala", "Africa/Libreville", "Africa/Malabo", "Africa/Niamey",
        "Africa/Lagos", "Africa/Ndjamena", "Africa/Tunis", "Africa/Algiers", "Africa/Tripoli", "Africa/Windhoek",
        "Africa/Bujumbura", "Africa/Gaborone", "Africa/Lubumbashi", "Africa/Maseru", "Africa/Blantyre",
        "Africa/Maputo", "Africa/Kigali", "Africa/Khartoum", "Africa/Mbabane", "Africa/Lusaka", "Africa/Harare",
        "CAT", "Africa/Johannesburg", "Africa/Cairo", "ART", "Africa/Djibouti", "Africa/Asmera",
        "Africa/Addis_Ababa", "EAT", "Africa/Nairobi", "Africa/Mogadishu", "Africa/Dar_es_Salaam", "Africa/Kampala",
        "Europe/Dublin", "Europe/Lisbon", "Europe/London", "Europe/Andorra", "Europe/Tirane", "Europe/Vienna",
        "Europe/Brussels", "Europe/Zurich", "Europe/Prague", "Europe/Berlin", "Europe/Copenhagen", "Europe/Madrid",
        "Europe/Gibraltar", "Europe/Budapest", "Europe/Rome", "Europe/Vaduz", "Europe/Luxembourg", "Europe/Monaco",
        "Europe/Malta", "Europe/Amsterdam", "Europe/Oslo", "Europe/Warsaw", "Europe/Stockholm", "Europe/Belgrade",
        "Europe/Paris", "ECT", "Europe/Sofia", "Europe/Minsk", "Europe/Tallinn", "Europe/Helsinki", "Europe/Athens",
        "Europe/Vilnius", "Europe/Riga", "Europe/Chisinau", "Europe/Bucharest", "Europe/Kaliningrad", "Europe/Kiev",
        "Europe/Istanbul", "EET", "Europe/Simferopol", "Europe/Moscow", "Europe/Samara", "Asia/Nicosia",
        "Asia/Jerusalem", "Asia/Amman", "Asia/Beirut", "Asia/Damascus", "Asia/Bahrain", "Asia/Kuwait", "Asia/Qatar",
        "Asia/Aden", "Asia/Riyadh", "Asia/Baghdad", "Asia/Dubai", "Asia/Muscat", "Asia/Yerevan", "NET", "Asia/Baku",
        "Asia/Aqtau", "Asia/Kabul", "Asia/Tbilisi", "Asia/Dushanbe", "Asia/Ashkhabad", "Asia/Tashkent",
        "Asia/Karachi", "PLT", "Asia/Bishkek", "Asia/Aqtobe", "Asia/Yekaterinburg", "Asia/Calcutta", "IST",
        "Asia/Katmandu", "Asia/Thimbu", "Asia/Dacca", "BST", "Asia/Novosibirsk", "Asia/Rangoon", "Asia/Jakarta",
        "Asia/Phnom_Penh", "Asia/Vientiane", "Asia/Saigon", "VST", "Asia/Bangkok", "Asia/Krasnoyarsk", "Asia/Brunei",
        "Asia/Hong_Kong", "Asia/Ujung_Pandang", "Asia/Macao", "Asia/Kuala_Lumpur", "Asia/Manila", "Asia/Singapore",
        "Asia/Taipei", "Asia/Shanghai", "CTT", "Asia/Ulan_Bator", "Asia/Irkutsk", "Asia/Jayapura", "Asia/Pyongyang",
        "Asia/Seoul", "Asia/Tokyo", "JST", "Asia/Yakutsk", "Asia/Vladivostok", "Asia/Magadan", "Asia/Kamchatka",
        "Asia/Anadyr", "Indian/Comoro", "Indian/Antananarivo", "Indian/Mayotte", "Indian/Mauritius",
        "Indian/Reunion", "Indian/Mahe", "Indian/Kerguelen", "Indian/Chagos", "Indian/Maldives", "Indian/Cocos",
        "Indian/Christmas", "Pacific/Palau", "Pacific/Truk", "Pacific/Guam", "Pacific/Saipan",
        "Pacific/Port_Moresby", "Pacific/Ponape", "Pacific/Efate", "Pacific/Guadalcanal", "SST", "Pacific/Noumea",
        "Pacific/Niue", "Pacific/Apia", "MIT", "Pacific/Pago_Pago", "Pacific/Tahiti", "Pacific/Fakaofo",
        "Pacific/Honolulu", "HST", "Pacific/Rarotonga", "Pacific/Marquesas", "Pacific/Gambier", "Pacific/Pitcairn",
        "Pacific/Galapagos", "Pacific/Easter", "Pacific/Norfolk", "Pacific/Kosrae", "Pacific/Tarawa",
        "Pacific/Majuro", "Pacific/Nauru", "Pacific/Funafuti", "Pacific/Wake", "Pacific/Wallis", "Pacific/Fiji",
        "Pacific/Auckland", "NST", "Pacific/Chatham", "Pacific/Enderbury", "Pacific/Tongatapu", "Pacific/Kiritimati"
    };

    static int offsetAt(TimeZone zone, long utc) {
        long local = utc + zone.getRawOffset();
        long days = local >= 0 ? local / DAY : (local - DAY + 1) / DAY;
        int millis = (int) (local - days * DAY);
        // civil date of a day count from 1970-01-01
        long z = days + 719468;
        long era = (z >= 0 ? z : z - 146096) / 146097;
        long doe = z - era * 146097;
        long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        long mp = (5 * doy + 2) / 153;
        int day = (int) (doy - (153 * mp + 2) / 5 + 1);
        int month = (int) (mp < 10 ? mp + 3 : mp - 9);
        int year = (int) (yoe + era * 400 + (month <= 2 ? 1 : 0));
        int dow = (int) (((days + 4) % 7 + 7) % 7) + 1;
        return zone.getOffset(1, year, month - 1, day, dow, millis);
    }

    static String two(long v) {
        return v < 10 ? "0" + v : "" + v;
    }

    static String utcText(long utc) {
        long days = utc / DAY;
        long minutes = (utc - days * DAY) / 60000;
        return "day " + days + " " + two(minutes / 60) + ":" + two(minutes % 60) + " UTC";
    }

    public static void main(String[] args) {
        long start = 13149 * DAY;  // 2006-01-01
        long end = 13514 * DAY;    // 2007-01-01
        for (int i = 0; i < ZONES.length; i++) {
            TimeZone zone = TimeZone.getTimeZone(ZONES[i]);
            StringBuffer line = new StringBuffer(ZONES[i]);
            int before = offsetAt(zone, start);
            line.append(" from ").append(before / 60000);
            for (long t = start + DAY; t <= end; t += DAY) {
                int now = offsetAt(zone, t);
                if (now == before) {
                    continue;
                }
                // the minute of the change
                long low = t - DAY;
                long high = t;
                while (high - low > 60000) {
                    long mid = low + (high - low) / 120000 * 60000;
                    if (offsetAt(zone, mid) == before) {
                        low = mid;
                    } else {
                        high = mid;
                    }
                }
                line.append(", ").append(utcText(high)).append(" to ").append(now / 60000);
                before = now;
            }
            System.out.println(line.toString());
        }
    }
}
