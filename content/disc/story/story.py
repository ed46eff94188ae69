#!/usr/bin/env python3
"""The storylines of the Ostrevan Haus: seven storylines, three timelines and
the events along them, 1601-1942.

    story.py texts OUTDIR     write the STORYLINE, TIMELINE and EVENT scripts,
                              titles and card texts (code page 1252) and the
                              lines of OUTDIR/QV_DE.build for them
    story.py tables           print the category table entries (tables 3, 11
                              and 12) as "TABLE ITEM BASE" lines
    story.py pictures         print one line per storyline for the drawing
                              script: NUMBER BASE COLOUR SYMBOL
    story.py cards            print the events' card texts, one a line

Ids (all TEXT media and pictures from 18000 up go to the language archive):
storyline STn at base 19200 + 20 (n - 1) (TEXT B script, RIX B + 1 picture,
TEXT B + 2 title, RIX B + 3/5/7/9 band icons, RIX B + 11/13/15/17 panel
icons); timeline TLn at 19350 + 10 (n - 1) (TEXT B script, TEXT B + 1
title); event EVn at 19400 + 2 (n - 1) (TEXT B script, TEXT B + 1 card
text).
"""
import math
import os
import sys

STORYLINE_BASE, STORYLINE_STRIDE = 19200, 20
TIMELINE_BASE, TIMELINE_STRIDE = 19350, 10
EVENT_BASE, EVENT_STRIDE = 19400, 2

# Storylines: number, title, colour of its pictures, symbol of its picture.
STORYLINES = [
    (1, "Die Bauherren", "#9c3b22", "gable"),
    (2, "Die Besitzer", "#2c4a7a", "key"),
    (3, "Handel und Kontor", "#3d6b35", "scales"),
    (4, "Brand und Wiederaufbau", "#d8731c", "flame"),
    (5, "Die Familie Ostrevan", "#6b3a6e", "people"),
    (6, "Umbau und Erhaltung", "#a8842a", "hammer"),
    (7, "Krieg und Not", "#5a5f66", "swords"),
]

# Timelines: number, title. The storyline screen shows TL001 in the upper
# band, TL002 in the middle and TL003 in the lower one.
TIMELINES = [
    (1, "Das Haus"),
    (2, "Die Stadt Wenslar"),
    (3, "Die Welt"),
]

# Events: number, date (day, month, year), card text, timeline, storyline
# (None: the event belongs to no storyline), INFO item.
#
# Cases the reader has to order: 29 September 1652 and 12 May 1683 hold two
# events each without a number in their texts (the one listed first in the
# series keeps the date, the other follows it 1 ms later); on 2 September 1721
# the texts begin with the hour ("2 Uhr", "5 Uhr"), which orders them whatever
# the order of the lists; 29 February 1672 and 1 March 1700 (the day after
# 18 February in the Protestant lands, which dropped eleven days that year);
# the fire of 1721 and the sale of 1899 are clusters within 151 days; the
# peace of 1648 belongs to no storyline.
EVENTS = [
    (1, (11, 11, 1601), "Tuchladen", 2, 3, "VI002"),
    (2, (23, 5, 1618), "Fenstersturz", 3, 7, "VI001"),
    (3, (27, 8, 1626), "Besatzung", 2, 7, "VI001"),
    (4, (24, 10, 1648), "Friede", 3, None, "VI001"),
    (5, (3, 4, 1650), "Grundstein", 1, 1, "SH001"),
    (6, (21, 6, 1651), "Richtfest", 1, 1, "SH001"),
    (7, (29, 9, 1652), "Haus fertig", 1, 1, "SH001"),
    (8, (29, 9, 1652), "Kontor", 1, 3, "VI002"),
    (9, (2, 7, 1656), "Geburt", 1, 5, "VI003"),
    (10, (29, 2, 1672), "Weinkeller", 2, 3, "VI002"),
    (11, (6, 4, 1672), "Hollandkrieg", 3, 7, "VI001"),
    (12, (15, 6, 1672), "Hinrich stirbt", 1, 5, "VI003"),
    (13, (20, 6, 1672), "Testament", 1, 2, "VI001"),
    (14, (12, 5, 1683), "Hochzeit", 1, 5, "VI003"),
    (15, (12, 5, 1683), "Das Cembalo", 1, 5, "VI001"),
    (16, (1, 3, 1700), "Kalender", 3, 3, "VI002"),
    (17, (2, 9, 1721), "5 Uhr: Dach", 1, 4, "SH002"),
    (18, (2, 9, 1721), "2 Uhr: Feuer", 2, 4, "SH002"),
    (19, (20, 9, 1721), "Ziegeldächer", 2, 4, "SH002"),
    (20, (14, 1, 1722), "Neubau", 1, 4, "SH002"),
    (21, (30, 10, 1723), "Hinterhaus", 1, 1, "SH002"),
    (22, (8, 3, 1735), "Jacob erbt", 1, 2, "VI003"),
    (23, (29, 8, 1756), "Krieg 1756", 3, 7, "VI001"),
    (24, (11, 2, 1758), "Soldaten", 2, 7, "VI003"),
    (25, (17, 4, 1811), "Haus verkauft", 1, 2, "VI001"),
    (26, (18, 1, 1871), "Kaiserreich", 3, 7, "VI001"),
    (27, (6, 5, 1872), "Neue Diele", 1, 6, "VI002"),
    (28, (1, 10, 1899), "An die Stadt", 2, 2, "SH001"),
    (29, (2, 1, 1900), "Bibliothek", 2, 6, "SH001"),
    (30, (1, 8, 1914), "Weltkrieg", 3, 7, "VI001"),
    (31, (12, 9, 1927), "Maueranker", 1, 6, "SH003"),
    (32, (1, 9, 1939), "Kriegsbeginn", 3, 7, "VI001"),
    (33, (14, 3, 1942), "Auslagerung", 1, 7, "SH001"),
]

def storyline_base(n):
    return STORYLINE_BASE + STORYLINE_STRIDE * (n - 1)


def timeline_base(n):
    return TIMELINE_BASE + TIMELINE_STRIDE * (n - 1)


def event_base(n):
    return EVENT_BASE + EVENT_STRIDE * (n - 1)


def first_number(text):
    """The first signed number of a card text, as the event order reads it."""
    for i, c in enumerate(text):
        if c.isdigit():
            j = i
            while j < len(text) and text[j].isdigit():
                j += 1
            value = int(text[i:j])
            return -value if i > 0 and text[i - 1] == "-" else value
    return 0


def days_in_month(month, year):
    leap = year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)
    return [31, 29 if leap else 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31][month - 1]


def check():
    """Stops with a message when the tables below contradict each other."""
    numbers = [e[0] for e in EVENTS]
    assert numbers == list(range(1, len(EVENTS) + 1)), "events must be numbered 1..n in order"
    assert len(EVENTS) * EVENT_STRIDE <= 100, "events run into the next block of ids"
    storylines = {s[0] for s in STORYLINES}
    timelines = {t[0] for t in TIMELINES}
    for n, (d, m, y), text, tl, st, info in EVENTS:
        where = "EV%03d" % n
        assert 1 <= m <= 12 and 1 <= d <= days_in_month(m, y), "%s: no such date %d.%d.%d" % (where, d, m, y)
        assert 1600 <= y <= 1942, "%s: year %d outside 1600-1942" % (where, y)
        assert tl in timelines, "%s: no timeline %d" % (where, tl)
        assert st is None or st in storylines, "%s: no storyline %d" % (where, st)
        assert info[:2] in ("SH", "VI") and info[2:].isdigit(), "%s: INFO %s is not a viewer item" % (where, info)
        assert len(text.encode("cp1252")) < 128, "%s: card text too long" % where
        hour = first_number(text)
        if 1 <= hour <= 9:
            assert text.startswith("%d Uhr" % hour), "%s: a number 1-9 in the text moves its hour" % where
    return True


def text_of(value):
    return value.encode("cp1252")


def write_text(path, text):
    with open(path, "wb") as f:
        f.write(text_of(text))


def series_script(keyword, code, events):
    lines = ["%s {" % keyword, "  ID %s" % code, "  EVENTS {"]
    # By event number, which is by date except where two events share a day:
    # the fire's "5 Uhr" stands before its "2 Uhr", and the reader
    # orders them by the hour their texts name.
    for e in events:
        d, m, y = e[1]
        lines.append("    INFO EV%03d  < %d.%d.%d %s >" % (e[0], d, m, y, e[2].replace("<", "").replace(">", "")))
    lines += ["  }", "}"]
    return "\n".join(lines) + "\n"


def event_script(event):
    n, (d, m, y), text, tl, st, info = event
    lines = ["EVENT {", "  ID EV%03d" % n, "  DATE %d %d %d" % (d, m, y), "  INFO %s" % info, "  TIMELINE TL%03d" % tl]
    if st is not None:
        lines.append("  STORYLINE ST%03d" % st)
    lines.append("}")
    return "\n".join(lines) + "\n"


def write_texts(outdir):
    stage = os.path.basename(os.path.dirname(os.path.abspath(__file__)))
    text_dir = os.path.join(outdir, "text")
    os.makedirs(text_dir, exist_ok=True)
    de = ["// Storylines, timelines and events of the storyline screen (content/disc/%s)" % stage]

    def add(media_id, name, text, what):
        write_text(os.path.join(text_dir, name), text)
        de.append("// " + what)
        de.append('%d 40 "%s/text/%s" 0' % (media_id, stage, name))

    for n, title, _, _ in STORYLINES:
        base = storyline_base(n)
        events = [e for e in EVENTS if e[4] == n]
        add(base, "ST%03d.txt" % n, series_script("STORYLINE", "ST%03d" % n, events), "STORYLINE ST%03d" % n)
        add(base + 2, "ST%03d-title.txt" % n, title, "its title")
    for n, title in TIMELINES:
        base = timeline_base(n)
        events = [e for e in EVENTS if e[3] == n]
        add(base, "TL%03d.txt" % n, series_script("TIMELINE", "TL%03d" % n, events), "TIMELINE TL%03d" % n)
        add(base + 1, "TL%03d-title.txt" % n, title, "its title")
    for e in EVENTS:
        base = event_base(e[0])
        add(base, "EV%03d.txt" % e[0], event_script(e), "EVENT EV%03d" % e[0])
        add(base + 1, "EV%03d-text.txt" % e[0], e[2], "its card text")
    with open(os.path.join(outdir, "QV_DE.build"), "a") as f:
        f.write("\n".join(de) + "\n")


def tables():
    rows = []
    for e in EVENTS:
        rows.append((3, e[0], event_base(e[0])))
    for s in STORYLINES:
        rows.append((11, s[0], storyline_base(s[0])))
    for t in TIMELINES:
        rows.append((12, t[0], timeline_base(t[0])))
    return rows


def main():
    check()
    if len(sys.argv) == 3 and sys.argv[1] == "texts":
        write_texts(sys.argv[2])
    elif len(sys.argv) == 2 and sys.argv[1] == "tables":
        for t, n, base in tables():
            print("%d %d %d" % (t, n, base))
    elif len(sys.argv) == 2 and sys.argv[1] == "pictures":
        for n, _, colour, symbol in STORYLINES:
            print("%d %d %s %s" % (n, storyline_base(n), colour, symbol))
    elif len(sys.argv) == 2 and sys.argv[1] == "cards":
        for e in EVENTS:
            print(e[2])
    else:
        sys.exit("usage: story.py texts OUTDIR | tables | pictures | cards")


if __name__ == "__main__":
    try:
        main()
    except AssertionError as error:
        sys.exit("story.py: %s" % error)
