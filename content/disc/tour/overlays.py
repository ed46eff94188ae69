#!/usr/bin/env python3
"""Texts of the two overlays over the tour: the room plan (13 room records,
their names, titles, texts and item texts) and the info panel's aspects of
the house (category table 9), in German, stored in Windows-1252.

Usage: overlays.py OUTDIR   writes OUTDIR/text/*.txt, OUTDIR/plan.txt (the
floor plan the picture 3600 is drawn from, and OUTDIR/plan-floors.txt, where
it names the floors) and the fragment lines
OUTDIR/overlay-gui.build and OUTDIR/overlay-de.build.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import house  # noqa: E402

# Marks a button placed from its room's box.
BOX = "box"

# The room table of the overlay: room -> (text offset, name, title, text,
# items [(title, text)], buttons [(keyword or item number, x, y)]). Button
# positions are pixels on the plan picture 3600: in the plan's free margins,
# or, written (keyword or number, BOX, dx, dy), from the top-left corner of
# the room's own box of plan_rectangles() where the plan draws the room
# (PLAN), below the room's name (above it in the Vorratskammer, whose name
# lies at the bottom of its box).
ROOMS = [
    (78, "Das Haus", "Das Ostrevan Haus",
     "Ein Kaufmannshaus von 1652 am Markt der kleinen Stadt Wenslar: zwei Geschosse, ein hoher Dachboden "
     "und ein Garten hinter der Küche. Wählen Sie einen Raum auf dem Plan.",
     [("Der Bauherr", "Hinrich Ostrevan, Tuch- und Weinhändler, ließ das Haus bauen; 1652 war es fertig.")],
     [(1, 262, 60), ("helpup.bmp", 10, 230), ("exitup.bmp", 280, 230)]),
    (87, "Küche", "Die Küche",
     "Am offenen Herd wurde gekocht, gebacken und im Winter gewärmt. Die Tür nach Westen führt in den Garten.",
     [("Der Herd", "Der Rauchfang zieht durch beide Geschosse bis unter das Dach."),
      ("Die Fässer", "Bier, Salzhering und Sauerkraut für den Winter.")],
     [(1, BOX, 5, 20), (2, BOX, 25, 20), ("tobubbleup.bmp", BOX, 45, 20), ("exitup.bmp", 280, 230)]),
    (96, "Garten", "Der Garten",
     "Hinter dem Haus liegen Kräuterbeete, ein Brunnen und vier alte Linden.",
     [("Der Brunnen", "Der Brunnen ist älter als das Haus; sein Wasser galt als das beste der Gasse.")],
     [(1, 15, 218), ("tobubbleup.bmp", 40, 215), ("exitup.bmp", 280, 230)]),
    (109, "Stube", "Die Stube",
     "Die gute Stube mit dem Kamin, den Gemälden und dem Cembalo der Hausfrau.",
     [("Das Cembalo", "Margaretha Ostrevan spielte es an Sonntagen für Gäste."),
      ("Der Kamin", "Die Kacheln kamen aus Delft, mit dem Tuch auf demselben Schiff.")],
     [(1, BOX, 5, 20), (2, BOX, 25, 20), ("tobubbleup.bmp", BOX, 45, 20), ("exitup.bmp", 280, 230)]),
    (118, "Treppenhaus", "Das Treppenhaus",
     "Eine steile Eichentreppe führt zur Galerie des Obergeschosses; eine Leiter weiter zum Dachboden.",
     [("Die Treppe", "Siebzehn Stufen aus Eichenholz, jede ein wenig anders ausgetreten.")],
     [(1, BOX, 5, 20), ("tobubbleup.bmp", BOX, 25, 20), ("pijlup.bmp", BOX, 51, 20), ("exitup.bmp", 280, 230)]),
    (131, "Diele", "Die Diele",
     "Hier empfing der Kaufmann seine Kunden, wog die Ware und schrieb die Rechnungen.",
     [("Die Waage", "Mit dieser Waage wurde jeder Ballen Tuch gewogen."),
      ("Das Bildnis", "Hinrich Ostrevan im schwarzen Rock mit weißer Krause.")],
     [(1, BOX, 5, 20), (2, BOX, 25, 20), ("tobubbleup.bmp", BOX, 45, 20), ("woordup.bmp", 10, 230),
      ("exitup.bmp", 280, 230)]),
    (140, "Schlafkammer", "Die Schlafkammer",
     "Das Himmelbett mit grünen Vorhängen stand in der Kammer über der Vorratskammer.",
     [("Das Himmelbett", "Die Vorhänge hielten im Winter die Wärme und im Sommer die Mücken fern.")],
     [(1, BOX, 5, 20), ("tobubbleup.bmp", BOX, 25, 20), ("exitup.bmp", 280, 230)]),
    (159, "Obere Kammer", "Die obere Kammer",
     "Über der Diele lag eine Kammer für Lehrlinge und Gäste.",
     [("Die Lehrlinge", "Zwei Lehrlinge lernten hier das Handwerk des Tuchhandels.")],
     [(1, BOX, 5, 20), ("exitup.bmp", 280, 230)]),
    (168, "Schreibstube", "Die Schreibstube",
     "In der Schreibstube führte der Kaufmann seine Bücher und Briefe an Handelspartner in Amsterdam und Danzig.",
     [("Das Schreibpult", "Auf dem Pult liegt das Kontobuch des Jahres 1672."),
      ("Die Bücher", "Rechenbücher, eine Bibel, ein Atlas und Reiseberichte.")],
     [(1, BOX, 4, 30), ("tobubbleup.bmp", BOX, 24, 30), (2, BOX, 50, 30), ("exitup.bmp", 280, 230)]),
    (181, "Vorratskammer", "Die Vorratskammer",
     "Unter der Schlafkammer lagerten Vorräte und Tuchballen.",
     [("Die Ballen", "Englisches Tuch, Leinen aus Westfalen und ein wenig Seide.")],
     [(1, BOX, 5, 5), ("exitup.bmp", 280, 230)]),
    (198, "Galerie", "Die Galerie",
     "Von der Galerie gehen die Türen zur Schreibstube und zur Schlafkammer ab.",
     [("Die Leiter", "Die Leiter zum Dachboden wurde nachts hochgezogen.")],
     [(1, BOX, 5, 20), ("tobubbleup.bmp", BOX, 25, 20), ("exitup.bmp", 280, 230)]),
    (211, "Kontor", "Das Kontor",
     "Ein kleines Zimmer hinter der Küche, neben dem Treppenhaus, in dem das Geld verwahrt wurde.",
     [("Die Geldtruhe", "Eine eiserne Truhe mit drei Schlössern.")],
     [(1, BOX, 5, 20), ("voorkantoor_up.bmp", BOX, 25, 20), ("exitup.bmp", 280, 230)]),
    (218, "Dachboden", "Der Dachboden",
     "Unter dem Dach lagerten Tuchballen, Weinfässer und Getreide, bis sie verkauft wurden.",
     [("Die Säcke", "Roggen aus der Börde, gekauft im Herbst, verkauft im Frühjahr.")],
     [(1, 200, 215), ("gevondenvoorwerpenup.bmp", 222, 212), ("exitup.bmp", 280, 230)]),
]

# The bubble each room's bubble buttons enter (TEXT 3900 + 100 room + 4 in
# the interface archive: the bubble's item code); rooms not listed have none.
ROOM_BUBBLES = {
    1: "kitchen", 2: "garden", 3: "salon", 4: "staircase", 5: "hall", 6: "bedroom", 8: "study",
    10: "staircase", 12: "attic",
}
BUBBLE_LINK_OFFSET = 4

# Picture bases of the navigation keywords (the overlay's own table).
KEYWORD_BASES = {
    "Wankel0": 3400, "Wankel1": 3410, "Wankel2": 3420, "Wankel3": 3430, "Wankel4": 3440,
    "backbubbleup.bmp": 3330, "tobubbleup.bmp": 3330, "pijlup.bmp": 3360, "woordup.bmp": 3390,
    "helpup.bmp": 3350, "exitup.bmp": 3340, "voorkantoor_up.bmp": 3460, "gevondenvoorwerpenup.bmp": 3450,
    "gotoroomup.bmp": 3470,
}

# Aspects of the house for the info panel: (title, text); table 9 entry n
# gives base 19500 + 10 (n - 1); TEXT base + 1 title, base + 2 text (19000-19124
# belong to the transitions BT011-BT014 and the detail photo DF001).
ASPECTS = [
    ("baugeschichte", "Hinrich Ostrevan ließ das Haus aus rotem Backstein mit hohem Treppengiebel bauen; 1652 "
     "war es fertig. Beim Stadtbrand von 1721 brannte das Hinterhaus nieder. Um 1900 zog die Stadtbibliothek "
     "ein, seit 1985 ist das Haus ein Museum."),
    ("Die Familie Ostrevan", "Hinrich Ostrevan handelte mit Tuch und Wein; er starb 1672. Seine Frau Margaretha "
     "führte das Haus und die Bücher, wenn er auf Reisen war. Sein Enkel Cornelius baute nach dem Brand von 1721 "
     "das Hinterhaus wieder auf."),
    ("Handel und Wandel", "Tuch aus England und den Niederlanden und Wein vom Rhein kamen über Bremen nach Wenslar; "
     "Getreide aus der Börde ging den umgekehrten Weg."),
    ("Küche und Tisch", "Gekocht wurde am offenen Feuer: Brei, Suppen, Fisch an Fasttagen und sonntags ein Braten."),
    ("Licht und Wärme", "Kerzen aus Talg, für Gäste aus Wachs; geheizt wurden nur Küche und Stube."),
    ("Das Haus im Jahr 1872", "Gut zweihundert Jahre nach dem Bau gehörte das Haus einem Apotheker. Die Diele "
     "bekam Dielenbretter, Tapeten und eine Öllampe."),
    ("Der Garten", "Kräuter für Küche und Arznei, Kohl, Bohnen und ein Brunnen, der nie versiegte."),
    ("Zum Nachlesen", "Die Geschichte des Hauses und seiner Bewohner ist erfunden; das Haus ist ein Modell "
     "für diese Scheibe."),
]
ASPECT_BASE = 19500
ASPECT_STRIDE = 10


# The rooms the plan draws, in drawing order: (room of ROOMS, floor 0 ground
# or 1 upper, the room of house.ROOMS whose ground plan it has, where its
# label lies: "top" or "bottom" of the box). The rooms without a bubble lie
# under or over one that has: the Kontor under the study, the Vorratskammer
# under the bedroom, the Obere Kammer over the hall; the Galerie is the
# staircase's upper floor. Each box is labelled with its room's name, and
# its room's box text (record + 5) gives the same rectangle, where a click
# chooses the room.
PLAN = [
    (1, 0, "kitchen", "top"), (5, 0, "hall", "top"), (3, 0, "salon", "top"), (9, 0, "bedroom", "bottom"),
    (11, 0, "study", "top"), (4, 0, "staircase", "top"),
    (8, 1, "study", "top"), (10, 1, "staircase", "top"), (6, 1, "bedroom", "top"), (7, 1, "hall", "top"),
]
PLAN_BOX_OFFSET = 5
# The plan's scale (pixels a metre) and place: the house's west wall (x -5.0)
# at PLAN_LEFT, each floor's north wall (z 12.0) at its FLOOR_TOPS, the
# floor's name above it. The scale across is wide enough that every room's
# name (DejaVu Sans, 9 pixels, as overlays.sh draws it) stands inside its
# box, clear of the edges (the disc check looks).
PLAN_LEFT = 4
PLAN_SCALE_X = 14.5
PLAN_SCALE_Y = 9.4
FLOOR_TOPS = (16, 147)
FLOOR_NAMES = ("Erdgeschoss", "Obergeschoss")
# A label's left edge and baseline from its box's edges.
LABEL_LEFT = 4
LABEL_TOP_BASELINE = 13
LABEL_BOTTOM_BASELINE = 5


def plan_rectangles():
    """Rectangles of the floor plan in pixels: the ground floor above the
    upper one, each room with its name. (x0, y0, x1, y1, label baseline,
    label, room)."""
    rects = []
    for room, floor, footprint, label_at in PLAN:
        (x0, _, z0), (x1, _, z1) = house.ROOMS[footprint]["box"]
        px0 = PLAN_LEFT + (x0 + 5.0) * PLAN_SCALE_X
        px1 = PLAN_LEFT + (x1 + 5.0) * PLAN_SCALE_X
        py0 = FLOOR_TOPS[floor] + (12.0 - z1) * PLAN_SCALE_Y
        py1 = FLOOR_TOPS[floor] + (12.0 - z0) * PLAN_SCALE_Y
        baseline = int(py0) + LABEL_TOP_BASELINE if label_at == "top" else int(py1) - LABEL_BOTTOM_BASELINE
        rects.append((int(px0), int(py0), int(px1), int(py1), baseline, ROOMS[room][1], room))
    return rects


def button_position(room, entry, boxes):
    """A button entry's key and its position on the plan: as written, or from
    the top-left corner of the room's box."""
    if len(entry) == 4:
        key, _, dx, dy = entry
        if room not in boxes:
            sys.exit("room %d: a button placed in a box the plan does not draw" % room)
        return key, boxes[room][0] + dx, boxes[room][1] + dy
    return entry


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: overlays.py OUTDIR")
    out = sys.argv[1]
    text_dir = os.path.join(out, "text")
    os.makedirs(text_dir, exist_ok=True)
    gui, de = [], []
    boxes = {r[6]: r[:2] for r in plan_rectangles()}
    for room, (offset, name, title, text, items, buttons) in enumerate(ROOMS):
        base = 18000 + offset
        assert len(items) <= 10
        buttons = [button_position(room, entry, boxes) for entry in buttons]
        entries = ["<Raum %d: %s>" % (room, name)]
        for b, x, y in buttons:
            entries.append("%s %d %d" % (b, x, y))
            if isinstance(b, str) and b not in KEYWORD_BASES:
                sys.exit("room %d: unknown button %s" % (room, b))
        house.write_text(os.path.join(text_dir, "room%02d.txt" % room), "\n".join(entries) + "\n")
        gui.append('%d 40 "tour/text/room%02d.txt"' % (3900 + 100 * room, room))
        has_bubble_button = any(b in ("tobubbleup.bmp", "backbubbleup.bmp", "gotoroomup.bmp") for b, _, _ in buttons)
        if room in ROOM_BUBBLES:
            link = "room%02d-bubble.txt" % room
            house.write_text(os.path.join(text_dir, link), house.bubble_code(ROOM_BUBBLES[room]))
            gui.append('%d 40 "tour/text/%s"' % (3900 + 100 * room + BUBBLE_LINK_OFFSET, link))
        elif has_bubble_button:
            sys.exit("room %d: a bubble button but no bubble in ROOM_BUBBLES" % room)
        texts = {base: name, base + 1: title, base + 2: text}
        for n, (it, ix) in enumerate(items, 1):
            texts[base + 1 + 2 * n] = it
            texts[base + 2 + 2 * n] = ix
        for mid, t in sorted(texts.items()):
            path = "room%02d-%d.txt" % (room, mid)
            house.write_text(os.path.join(text_dir, path), t)
            de.append('%d 40 "tour/text/%s"' % (mid, path))
    # Item numbers of every room, for the item buttons R + 10 n + 1..3.
    with open(os.path.join(out, "room-items.txt"), "w") as f:
        for room, (_, _, _, _, items, _) in enumerate(ROOMS):
            for n in range(1, len(items) + 1):
                f.write("%d %d\n" % (3900 + 100 * room + 10 * n, n))
    table = {}
    for n, (title, text) in enumerate(ASPECTS, 1):
        base = ASPECT_BASE + ASPECT_STRIDE * (n - 1)
        table[n] = base
        house.write_text(os.path.join(text_dir, "aspect%02d-title.txt" % n), title)
        house.write_text(os.path.join(text_dir, "aspect%02d.txt" % n), text)
        de.append('%d 40 "tour/text/aspect%02d-title.txt"' % (base + 1, n))
        de.append('%d 40 "tour/text/aspect%02d.txt"' % (base + 2, n))
    house.write_text(os.path.join(text_dir, "table09.txt"), house.category_table(table, house.TABLE_COMMENTS[9]))
    with open(os.path.join(out, "plan-floors.txt"), "w") as f:
        for top, name in zip(FLOOR_TOPS, FLOOR_NAMES):
            f.write("%d %d %s\n" % (PLAN_LEFT, top - 5, name))
    with open(os.path.join(out, "plan.txt"), "w") as f:
        boxed = set()
        for x0, y0, x1, y1, baseline, label, room in plan_rectangles():
            f.write("%d %d %d %d %d %s\n" % (x0, y0, x1, y1, baseline, label))
            path = "room%02d-box.txt" % room
            house.write_text(os.path.join(text_dir, path), "<%s> %d %d %d %d\n" % (label, x0, y0, x1, y1))
            gui.append('%d 40 "tour/text/%s"' % (3900 + 100 * room + PLAN_BOX_OFFSET, path))
            boxed.add(room)
        # A room the plan does not draw has a box text without a box, so the
        # title, which asks for every room's box, finds each one on the disc.
        for room in range(len(ROOMS)):
            if room not in boxed:
                path = "room%02d-box.txt" % room
                house.write_text(os.path.join(text_dir, path), "<not on the plan>\n")
                gui.append('%d 40 "tour/text/%s"' % (3900 + 100 * room + PLAN_BOX_OFFSET, path))
    with open(os.path.join(out, "overlay-gui.build"), "w") as f:
        f.write("// Room records of the room overlay (TEXT 3900 + 100 room)\n" + "\n".join(gui) + "\n")
    with open(os.path.join(out, "overlay-de.build"), "w") as f:
        f.write("// Room names, titles and texts; aspects of the info panel\n" + "\n".join(de) + "\n")


if __name__ == "__main__":
    main()
