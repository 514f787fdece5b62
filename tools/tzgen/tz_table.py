#!/usr/bin/env python3
"""Writes natives/lib/timezone_table.cpp: the built-in time-zone table, 320 zones with the
daylight-saving rules in force in 2006, from the time-zone database of Debian's tzdata
package (/usr/share/zoneinfo/tzdata.zi).

Run by hand from the top folder: python3 tools/tzgen/tz_table.py [tzdata.zi]

Each rule is written as the Java side reads it: month 0-11; day of month with day of
week 0, or a week number (negative from the end) with day of week 1-7 (Sunday 1), or a
day with a negative day of week for the first such weekday on or after it (a negative
day: on or before). Times are minutes after midnight in wall-clock time, except for
rules the database gives in UTC, which are turned into local standard time; the mode
byte of each zone says which (bit 0 start, bit 1 end: standard time).
"""
import os
import re
import sys

YEAR = 2006
MONTHS = ["january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
          "november", "december"]
DAYS = ["sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"]

IDS = """GMT UTC America/Adak America/Anchorage AST America/Vancouver America/Tijuana America/Los_Angeles PST
America/Dawson_Creek America/Phoenix PNT America/Edmonton America/Mazatlan America/Denver MST America/Belize
America/Regina America/Guatemala America/Tegucigalpa America/El_Salvador America/Costa_Rica America/Winnipeg
America/Mexico_City America/Chicago CST America/Porto_Acre America/Bogota America/Guayaquil America/Jamaica
America/Cayman America/Managua America/Panama America/Lima America/Indianapolis IET America/Nassau
America/Montreal America/Havana America/Port-au-Prince America/Grand_Turk America/New_York EST America/Antigua
America/Anguilla America/Curacao America/Aruba America/Barbados America/La_Paz America/Manaus America/Dominica
America/Santo_Domingo America/Grenada America/Guadeloupe America/Guyana America/St_Kitts America/St_Lucia
America/Martinique America/Montserrat America/Puerto_Rico PRT America/Port_of_Spain America/St_Vincent
America/Tortola America/St_Thomas America/Caracas America/Cuiaba America/Halifax America/Thule America/Asuncion
America/Santiago America/St_Johns CNT America/Fortaleza America/Cayenne America/Paramaribo America/Montevideo
America/Buenos_Aires AGT America/Godthab America/Miquelon America/Sao_Paulo BET America/Noronha
America/Scoresbysund Antarctica/Palmer Antarctica/Mawson Antarctica/Casey Antarctica/DumontDUrville
Antarctica/McMurdo Australia/Perth Australia/Darwin ACT Australia/Adelaide Australia/Brisbane Australia/Sydney
AET Australia/Lord_Howe Atlantic/Bermuda Atlantic/Stanley Atlantic/South_Georgia Atlantic/Jan_Mayen
Atlantic/Cape_Verde Atlantic/Azores Atlantic/Reykjavik Atlantic/Faeroe Atlantic/Canary Africa/Ouagadougou
Africa/Abidjan Africa/Accra Africa/Banjul Africa/Conakry Africa/Bissau Africa/Monrovia Africa/Casablanca
Africa/Timbuktu Africa/Nouakchott Atlantic/St_Helena Africa/Freetown Africa/Dakar Africa/Sao_Tome Africa/Lome
Africa/Luanda Africa/Porto-Novo Africa/Bangui Africa/Kinshasa Africa/Douala Africa/Libreville Africa/Malabo
Africa/Niamey Africa/Lagos Africa/Ndjamena Africa/Tunis Africa/Algiers Africa/Tripoli Africa/Windhoek
Africa/Bujumbura Africa/Gaborone Africa/Lubumbashi Africa/Maseru Africa/Blantyre Africa/Maputo Africa/Kigali
Africa/Khartoum Africa/Mbabane Africa/Lusaka Africa/Harare CAT Africa/Johannesburg Africa/Cairo ART
Africa/Djibouti Africa/Asmera Africa/Addis_Ababa EAT Africa/Nairobi Africa/Mogadishu Africa/Dar_es_Salaam
Africa/Kampala Europe/Dublin Europe/Lisbon Europe/London Europe/Andorra Europe/Tirane Europe/Vienna
Europe/Brussels Europe/Zurich Europe/Prague Europe/Berlin Europe/Copenhagen Europe/Madrid Europe/Gibraltar
Europe/Budapest Europe/Rome Europe/Vaduz Europe/Luxembourg Europe/Monaco Europe/Malta Europe/Amsterdam
Europe/Oslo Europe/Warsaw Europe/Stockholm Europe/Belgrade Europe/Paris ECT Europe/Sofia Europe/Minsk
Europe/Tallinn Europe/Helsinki Europe/Athens Europe/Vilnius Europe/Riga Europe/Chisinau Europe/Bucharest
Europe/Kaliningrad Europe/Kiev Europe/Istanbul EET Europe/Simferopol Europe/Moscow Europe/Samara Asia/Nicosia
Asia/Jerusalem Asia/Amman Asia/Beirut Asia/Damascus Asia/Bahrain Asia/Kuwait Asia/Qatar Asia/Aden Asia/Riyadh
Asia/Baghdad Asia/Tehran MET Asia/Dubai Asia/Muscat Asia/Yerevan NET Asia/Baku Asia/Aqtau Asia/Kabul
Asia/Tbilisi Asia/Dushanbe Asia/Ashkhabad Asia/Tashkent Asia/Karachi PLT Asia/Bishkek Asia/Aqtobe
Asia/Yekaterinburg Asia/Calcutta IST Asia/Katmandu Asia/Thimbu Asia/Colombo Asia/Dacca BST Asia/Alma-Ata
Asia/Novosibirsk Asia/Rangoon Asia/Jakarta Asia/Phnom_Penh Asia/Vientiane Asia/Saigon VST Asia/Bangkok
Asia/Krasnoyarsk Asia/Brunei Asia/Hong_Kong Asia/Ujung_Pandang Asia/Ishigaki Asia/Macao Asia/Kuala_Lumpur
Asia/Manila Asia/Singapore Asia/Taipei Asia/Shanghai CTT Asia/Ulan_Bator Asia/Irkutsk Asia/Jayapura
Asia/Pyongyang Asia/Seoul Asia/Tokyo JST Asia/Yakutsk Asia/Vladivostok Asia/Magadan Asia/Kamchatka Asia/Anadyr
Indian/Comoro Indian/Antananarivo Indian/Mayotte Indian/Mauritius Indian/Reunion Indian/Mahe Indian/Kerguelen
Indian/Chagos Indian/Maldives Indian/Cocos Indian/Christmas Pacific/Palau Pacific/Truk Pacific/Guam
Pacific/Saipan Pacific/Port_Moresby Pacific/Ponape Pacific/Efate Pacific/Guadalcanal SST Pacific/Noumea
Pacific/Niue Pacific/Apia MIT Pacific/Pago_Pago Pacific/Tahiti Pacific/Fakaofo Pacific/Honolulu HST
Pacific/Rarotonga Pacific/Marquesas Pacific/Gambier Pacific/Pitcairn Pacific/Galapagos Pacific/Easter
Pacific/Norfolk Pacific/Kosrae Pacific/Tarawa Pacific/Majuro Pacific/Nauru Pacific/Funafuti Pacific/Wake
Pacific/Wallis Pacific/Fiji Pacific/Auckland NST Pacific/Chatham Pacific/Enderbury Pacific/Tongatapu
Pacific/Kiritimati""".split()

# The old short identifiers (and two names the database has dropped), by the zone they
# stood for.
ALIASES = {
    "AST": "America/Anchorage", "PST": "America/Los_Angeles", "PNT": "America/Phoenix", "CST": "America/Chicago",
    "IET": "America/Indiana/Indianapolis", "PRT": "America/Puerto_Rico", "CNT": "America/St_Johns",
    "AGT": "America/Argentina/Buenos_Aires", "BET": "America/Sao_Paulo", "ACT": "Australia/Darwin",
    "AET": "Australia/Sydney", "CAT": "Africa/Maputo", "ART": "Africa/Cairo", "EAT": "Africa/Nairobi",
    "ECT": "Europe/Paris", "MET": "Asia/Tehran", "NET": "Asia/Yerevan", "PLT": "Asia/Karachi",
    "IST": "Asia/Kolkata", "BST": "Asia/Dhaka", "VST": "Asia/Ho_Chi_Minh", "CTT": "Asia/Shanghai",
    "JST": "Asia/Tokyo", "SST": "Pacific/Guadalcanal", "MIT": "Pacific/Apia", "NST": "Pacific/Auckland",
    "Asia/Alma-Ata": "Asia/Almaty", "Asia/Ishigaki": "Asia/Tokyo",
}

# Zones whose rows the device ships as they are, whatever the database says of 2006:
# (raw, start time, end time, saving, start month, day, day of week, end month, day,
# day of week, mode).
KEPT_ROWS = {
    "America/Havana": (-300, 0, 60, 60, 3, 1, -1, 9, 8, -1, 0),
    "Australia/Lord_Howe": (630, 120, 180, 30, 9, -1, 1, 2, -1, 1, 0),
    "Asia/Tehran": (210, 0, 0, 60, 2, 21, 0, 8, 23, 0, 0),
}
# Rows the generated table must hold.
EXPECTED = {
    "GMT": (0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
    "America/Los_Angeles": (-480, 120, 120, 60, 3, 1, -1, 9, -1, 1),
    "America/Havana": (-300, 0, 60, 60, 3, 1, -1, 9, 8, -1),
    "America/Godthab": (-180, 1320, 1320, 60, 2, -1, 7, 9, -1, 7),
    "Australia/Lord_Howe": (630, 120, 180, 30, 9, -1, 1, 2, -1, 1),
    "Europe/London": (0, 60, 60, 60, 2, -1, 1, 9, -1, 1),
    "Asia/Tehran": (210, 0, 0, 60, 2, 21, 0, 8, 23, 0),
    "Asia/Katmandu": (345, 0, 0, 0, 0, 0, 0, 0, 0, 0),
    "Asia/Tokyo": (540, 0, 0, 0, 0, 0, 0, 0, 0, 0),
    "Pacific/Chatham": (765, 165, 225, 60, 9, 1, -1, 2, 15, -1),
    "Pacific/Kiritimati": (840, 0, 0, 0, 0, 0, 0, 0, 0, 0),
}


def pick(token, names):
    found = [i for i, n in enumerate(names) if n.startswith(token.lower())]
    if len(found) != 1:
        sys.exit("cannot read %r" % token)
    return found[0]


def minutes(text):
    """'-5', '5:45', '2:00s', '1u', '24' -> (minutes, suffix)."""
    suffix = ""
    if text and text[-1] in "wsugz":
        suffix = {"w": "", "s": "s", "u": "u", "g": "u", "z": "u"}[text[-1]]
        text = text[:-1]
    sign = -1 if text.startswith("-") else 1
    parts = [int(p) for p in text.lstrip("-").split(":")]
    total = parts[0] * 60 + (parts[1] if len(parts) > 1 else 0)
    return sign * total, suffix


def read_zi(path):
    rules, zones, links = {}, {}, {}
    current = None
    for line in open(path):
        f = line.split()
        if not f or f[0].startswith("#"):
            continue
        if f[0] == "R":
            rules.setdefault(f[1], []).append(f[2:])
            current = None
        elif f[0] == "Z":
            current = f[1]
            zones[current] = [f[2:]]
        elif f[0] == "L":
            links[f[2]] = f[1]
            current = None
        elif current is not None:
            zones[current].append(f)
    return rules, zones, links


def line_in_force(lines):
    """The zone line in force in the middle of the year."""
    for fields in lines:
        until = fields[3:]
        if not until:
            return fields
        year = int(until[0])
        month = pick(until[1], MONTHS) if len(until) > 1 else 0
        if (year, month) > (YEAR, 6):
            return fields
    sys.exit("no line in force")


def rules_of(rules, name, year):
    found = []
    for r in rules.get(name, []):
        first = int(r[0])
        last = first if r[1] == "o" else 9999 if r[1] == "ma" else int(r[1])
        if first <= year <= last:
            found.append(r)
    return found


def day_rule(on):
    """Day of month and day of week of an ON field."""
    if on.startswith("last"):
        return -1, pick(on[4:], DAYS) + 1
    m = re.match(r"([A-Za-z]+)([<>]=)(\d+)$", on)
    if m:
        dow = pick(m.group(1), DAYS) + 1
        day = int(m.group(3))
        return (day, -dow) if m.group(2) == ">=" else (-day, -dow)
    return int(on), 0


def day_before(day, dow):
    if dow > 0 and day < 0:  # last weekday of the month
        return day, (dow - 2) % 7 + 1
    if dow == 0:
        return day - 1, 0
    if dow < 0:  # weekday on or after / on or before a day
        return (day - 1 if day > 0 else day + 1), -((-dow - 2) % 7 + 1)
    sys.exit("cannot move the day of %r" % ((day, dow),))


def transition(rule, raw, save, starting):
    """(month, day, day of week, minutes, standard mode) of a rule."""
    month = pick(rule[3], MONTHS)
    day, dow = day_rule(rule[4])
    at, suffix = minutes(rule[5])
    if suffix == "u":
        at += raw
        if at < 0:
            at += 1440
            day, dow = day_before(day, dow)
        return month, day, dow, at, 1
    if suffix == "s" and not starting:
        at += save  # wall-clock time while daylight saving is on
    return month, day, dow, at, 0


def zone_row(rules, zones, links, ident):
    name = ALIASES.get(ident, ident)
    name = links.get(name, name)
    line = line_in_force(zones[name])
    raw, _ = minutes(line[0])
    rule_name = line[1]
    if rule_name == "-" or re.match(r"^-?\d", rule_name):
        if rule_name != "-":
            raw += minutes(rule_name)[0]
        return (raw, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
    this_year = rules_of(rules, rule_name, YEAR)
    saves = [minutes(r[6])[0] for r in this_year]
    negative = any(s < 0 for s in saves)
    if negative:
        # standard time the database calls summer time: winter is the standard here
        low = min(saves)
        raw += low
        on = [r for r, s in zip(this_year, saves) if s == 0]
        off = [r for r, s in zip(this_year, saves) if s == low]
        save = -low
    else:
        on = [r for r, s in zip(this_year, saves) if s > 0]
        off = [r for r, s in zip(this_year, saves) if s == 0]
        save = max(saves) if on else 0
    for other in (YEAR + 1, YEAR - 1):
        if on and not off:
            off = [r for r in rules_of(rules, rule_name, other) if minutes(r[6])[0] == (-save if negative else 0)]
        if off and not on:
            on = [r for r in rules_of(rules, rule_name, other) if minutes(r[6])[0] == (0 if negative else save)]
    if not on or not off:
        return (raw, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
    on.sort(key=lambda r: pick(r[3], MONTHS))
    off.sort(key=lambda r: pick(r[3], MONTHS))
    sm, sd, sdow, st, smode = transition(on[0], raw, save, True)
    em, ed, edow, et, emode = transition(off[0], raw, save, False)
    return (raw, st, et, save, sm, sd, sdow, em, ed, edow, smode | emode << 1)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/zoneinfo/tzdata.zi"
    rules, zones, links = read_zi(path)
    if len(IDS) != 320:
        sys.exit("expected 320 identifiers")
    rows = []
    for ident in IDS:
        row = KEPT_ROWS.get(ident) or zone_row(rules, zones, links, ident)
        expected = EXPECTED.get(ident)
        if expected is not None and row[:10] != expected:
            sys.exit("%s: %r, expected %r" % (ident, row, expected))
        rows.append(row)

    id_list = bytearray()
    offsets = []
    for ident in IDS:
        offsets.append(len(id_list))
        id_list.append(len(ident))
        id_list += ident.encode("ascii")
    id_list.append(0)

    out = []
    w = out.append
    w("// Generated by tools/tzgen/tz_table.py from tzdata; do not edit.")
    w("#include \"natives/lib/timezone.h\"")
    w("")
    w("const uint8_t TimeZoneIdList[%d] = {" % len(id_list))
    for ident, offset in zip(IDS, offsets):
        w("    %d, %s,  // %d" % (len(ident), ", ".join("'%s'" % c for c in ident), offset))
    w("    0,")
    w("};")
    w("")
    w("const TimeZoneRecord TimeZoneRecords[TIME_ZONE_COUNT] = {")
    for i, (ident, offset, row) in enumerate(zip(IDS, offsets, rows)):
        w("    {%d, %s},  // %d %s" % (offset, ", ".join(str(v) for v in row[:10]), i, ident))
    w("};")
    w("")
    w("const uint8_t TimeZoneTimeModes[TIME_ZONE_COUNT] = {")
    for i in range(0, 320, 32):
        w("    " + " ".join("%d," % r[10] for r in rows[i:i + 32]))
    w("};")
    w("")
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    target = os.path.join(top, "natives", "lib", "timezone_table.cpp")
    with open(target, "w") as f:
        f.write("\n".join(out))
    raws = [r[0] for r in rows]
    print("wrote %s: %d bytes of identifiers, %d zones with daylight saving, raw offsets %d..%d" %
          (target, len(id_list), sum(1 for r in rows if r[3] != 0), min(raws), max(raws)))


if __name__ == "__main__":
    main()
