#!/usr/bin/env python3
"""Checks the sample disc that content/make-disc.sh builds.

Reads the four Devid Uvedud archives with a reader of its own (not the
engine's) and verifies:
  - each archive is well formed (sorted table, data inside the file) and
    holds only ids that the title's routing sends to it ("MPG " movies only in
    the video archive);
  - the category tables TEXT 1-12: exactly 1000 numbers, each followed by a
    comma;
  - everything the tables and the tour scripts name exists in the archive the
    routing picks, with the right type: bubbles (script, panorama JPEG 2:1 of at
    least 2048 x 1024, title, hotspot texts, cards), transitions (script and
    640 x 480 frames), picture sequences and films (their texts and movies),
    ambient, footstep and random sounds;
  - every BUBBLE and BUBBLETRANSITION script reads with the title's own
    tokenizer (through the disc-script-parse helper), and agrees with the
    tables: ids, start and end bubbles, frame counts;
  - the media that the screens need have the sizes, frame counts and palettes
    those screens expect (fonts, strip, selector and its 8-bit masks, viewer,
    movies, closing panel, tour pictures);
  - the room overlay's plan: each room's box lies on the plan picture, no two
    overlap, every box the plan draws is a room's box and bears that room's
    name, room names differ, and the room the tour opens the overlay on has
    a box;
  - each room's name stands inside its box on the plan, clear of its edges;
  - pictures drawn with a key colour have no pixel blended with the key (a
    fringe the key does not take out);
  - with --tool: every text the disc gives a screen with a field of known
    size (list rows of the relations, index, carousel and aspect screens
    and the tour's info panel,
    the relations' item buttons, text headings and panel lines, the room
    overlay's names, titles and plan labels, the storyline's event texts
    and dates, the main interface's caption line) fits that field in the
    font the screen uses, measured by the title's own code (ostrevan-tool
    text measure); the relations' item buttons and panel lines lie clear of
    the places where its three flying pictures stay.

Usage: check_disc.py --disc DIR [--build] [--tool TOOL] [--parser PARSER] [--partial]
  --build    first runs content/make-disc.sh DIR TOOL (cached: quick when nothing changed)
  --tool     ostrevan-tool: builds the disc (--build) and measures its texts
  --partial  media that no stage of this checkout makes are reported, not failed
             (the disc is made by several stages; a checkout may hold only some)
"""

import argparse
import math
import os
import re
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

ARCHIVES = {
    "QV_GUI": "Media/QV_GUI.msf",
    "QV_extra": "CD/Media/QV_extra.msf",
    "QV_DE": "CD/Media/QV_DE.msf",
    "QV_DE_VI": "CD/Media/QV_DE_VI.msf",
}

# The title plays interface sounds by index into a table of this many media.
TITLE_SOUND_INDEXES = 66

CATEGORIES = ["", "BU", "BH", "DF", "EV", "SH", "VI", "BT", "HP", "AS", "PE", "ST", "TL"]


def route(media_id):
    """The archive the title reads a media id from."""
    if media_id < 50 or media_id >= 18000:
        return "QV_DE"
    if 6000 <= media_id <= 7000:
        return "QV_extra"
    return "QV_GUI"


# What the tour stage (content/disc/tour) makes; a partial check is strict there.
TOUR_RANGES = [(1, 12), (198, 198), (400, 400), (650, 760), (3300, 5299), (6010, 6010), (16000, 16299),
               (18078, 18222), (18400, 19599)]


def tour_makes(mid):
    return any(a <= mid <= b for a, b in TOUR_RANGES)


class Problems:
    def __init__(self, partial):
        self.errors = []
        self.missing = []
        self.partial = partial

    def error(self, text):
        if text not in self.errors:
            self.errors.append(text)

    def absent(self, text, mid):
        """A medium that is not there: an error unless the check is partial
        and another stage than the tour's makes it."""
        found = self.missing if self.partial and not tour_makes(mid) else self.errors
        if text not in found:
            found.append(text)


# ---------------------------------------------------------------- archives
class Archive:
    def __init__(self, name, path, problems):
        self.name = name
        self.entries = {}  # id -> list of (type, bytes)
        with open(path, "rb") as f:
            data = f.read()
        if len(data) < 8:
            problems.error("%s: shorter than its header" % name)
            return
        _, count, _ = struct.unpack_from("<HhI", data, 0)
        count = max(count, 0)
        if 8 + 22 * count > len(data):
            problems.error("%s: entry table runs past the end of the file" % name)
            return
        last = -1
        for i in range(count):
            mid, mtype, _, offset, size = struct.unpack_from("<H4s8sII", data, 8 + 22 * i)
            mtype = mtype.decode("latin-1")
            if mid < last:
                problems.error("%s: entry table not sorted at id %d" % (name, mid))
            last = mid
            if offset + size > len(data) or offset < 8 + 22 * count:
                problems.error("%s: medium %d lies outside the file" % (name, mid))
                continue
            self.entries.setdefault(mid, []).append((mtype, data[offset:offset + size]))
        # One medium an id. The only pair that shares one is a picture font's
        # glyph strip (RAX or RIX) and its FONT record, which the builder makes
        # from a single line; anything else under one id hides one medium
        # behind the other wherever the title looks an id up.
        for mid, found in sorted(self.entries.items()):
            types = sorted(t for t, _ in found)
            if len(types) > 1 and not (len(types) == 2 and types[0] == "FONT" and types[1] in ("RAX ", "RIX ")):
                problems.error("%s holds %d more than once (%s)" % (name, mid, ", ".join(t.strip() for t in types)))

    def get(self, mid, mtype):
        for t, payload in self.entries.get(mid, []):
            if t == mtype:
                return payload
        return None

    def types(self, mid):
        return [t for t, _ in self.entries.get(mid, [])]


class Disc:
    def __init__(self, directory, problems):
        self.problems = problems
        self.archives = {}
        for name, rel in ARCHIVES.items():
            path = os.path.join(directory, rel)
            if not os.path.isfile(path):
                problems.error("archive %s missing at %s" % (name, path))
                self.archives[name] = Archive.__new__(Archive)
                self.archives[name].name, self.archives[name].entries = name, {}
                continue
            self.archives[name] = Archive(name, path, problems)

    def need(self, mid, mtypes, what, archive=None):
        """The payload of medium mid of one of the types, from the archive the
        routing picks (or the one given); None and a problem when absent."""
        if isinstance(mtypes, str):
            mtypes = [mtypes]
        name = archive or route(mid)
        a = self.archives[name]
        for t in mtypes:
            payload = a.get(mid, t)
            if payload is not None:
                return t, payload
        if a.entries.get(mid):
            self.problems.error("%s: %d in %s is %s, not %s" % (what, mid, name, "/".join(a.types(mid)), "/".join(mtypes)))
        else:
            self.problems.absent("%s: %d (%s) missing from %s" % (what, mid, "/".join(mtypes), name), mid)
        return None, None

    def text(self, mid, what):
        _, payload = self.need(mid, "TEXT", what)
        if payload is None:
            return None
        if not payload.endswith(b"\0"):
            self.problems.error("%s: TEXT %d has no closing zero byte" % (what, mid))
        return payload.rstrip(b"\0").decode("cp1252", "replace")


# ---------------------------------------------------------------- formats
def jpeg_size(data):
    """(width, height, baseline) of a JPEG, or None."""
    if data[:2] != b"\xff\xd8":
        return None
    i = 2
    while i + 4 <= len(data):
        if data[i] != 0xFF:
            return None
        marker = data[i + 1]
        length = struct.unpack_from(">H", data, i + 2)[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack_from(">HH", data, i + 5)
            return width, height, marker != 0xC2
        i += 2 + length
    return None


def rix_info(data):
    """Frames, width, height, depth and colour table of a raw image."""
    if len(data) < 58:
        return None
    frames, width, height, ox, oy, _, depth = struct.unpack_from("<hhhhhhh", data, 0)
    table_count, table_offset = struct.unpack_from("<ii", data, 38)
    stacked = struct.unpack_from("<h", data, 52)[0]
    palette = None
    if table_count > 0 and table_offset + table_count <= len(data):
        n = struct.unpack_from("<h", data, table_offset)[0]
        raw = data[table_offset + 2:table_offset + 2 + 3 * n]
        palette = [tuple(raw[3 * k:3 * k + 3]) for k in range(n)]
    # The overall size is the union of the frames' rectangles.
    right = bottom = 0
    for k in range(max(frames, 1)):
        if len(data) < 58 * (k + 1):
            break
        _, w, h, x, y = struct.unpack_from("<hhhhh", data, 58 * k)
        right, bottom = max(right, x + w), max(bottom, y + abs(h))
    pixel_count, pixel_offset = struct.unpack_from("<ii", data, 14)
    pixels = data[pixel_offset:pixel_offset + pixel_count] if pixel_offset > 0 else b""
    return dict(frames=frames, width=right, height=bottom, depth=depth, palette=palette, stacked=stacked,
                frame_width=width, frame_height=abs(height), pixels=pixels)


def wave_info(data):
    """The format of a WAVE file and its duration in seconds (from the fact
    chunk's frame count where there is one, as ADPCM has, else from the data
    chunk's size and the byte rate)."""
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        return None
    info, frames, data_size = None, None, None
    i = 12
    while i + 8 <= len(data):
        cid, size = data[i:i + 4], struct.unpack_from("<I", data, i + 4)[0]
        if cid == b"fmt " and i + 24 <= len(data):
            fmt, channels, rate, byte_rate, _, bits = struct.unpack_from("<HHIIHH", data, i + 8)
            info = dict(format=fmt, channels=channels, rate=rate, bits=bits, byte_rate=byte_rate)
        elif cid == b"fact" and i + 12 <= len(data):
            frames = struct.unpack_from("<I", data, i + 8)[0]
        elif cid == b"data":
            data_size = min(size, len(data) - i - 8)
        i += 8 + size + (size & 1)
    if info is None:
        return None
    if frames is not None and info["rate"]:
        info["seconds"] = frames / info["rate"]
    elif data_size is not None and info["byte_rate"]:
        info["seconds"] = data_size / info["byte_rate"]
    return info


def mpeg_size(data):
    at = data.find(b"\x00\x00\x01\xb3")
    if at < 0 or at + 7 > len(data):
        return None
    b = data[at + 4:at + 7]
    return (b[0] << 4) | (b[1] >> 4), ((b[1] & 15) << 8) | b[2]


LAYER2_KBITS = [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384]


def mpeg_audio_kbits_per_channel(data):
    """The bit rate per channel (kbit/s) of the first MPEG-1 Layer II audio
    frame in a system stream, or None. Below 56 kbit/s a channel at 44.1 or
    48 kHz codes only its lowest 8 or 12 subbands, so the sound ends at about
    5.5 or 8 kHz."""
    packet = data.find(b"\x00\x00\x01\xc0")
    while packet >= 0:
        at = packet + 4
        while at + 3 < len(data) and not (data[at] == 0xFF and (data[at + 1] & 0xFE) == 0xFC):
            at += 1
        if at + 3 < len(data):
            index = data[at + 2] >> 4
            channels = 1 if data[at + 3] >> 6 == 3 else 2
            return LAYER2_KBITS[index] // channels if 0 < index < len(LAYER2_KBITS) else None
        packet = data.find(b"\x00\x00\x01\xc0", packet + 4)
    return None


def check_film_sound(movie, what, problems):
    kbits = mpeg_audio_kbits_per_channel(movie)
    if kbits is not None and kbits < 56:
        problems.error("%s: its sound has %d kbit/s a channel, which cuts it above about 5.5 kHz "
                       "(56 or more keeps the whole band)" % (what, kbits))


def table_numbers(text):
    """The category table's numbers as the title's table reader takes them:
    tokens after white space and <...> comments; numbers and commas only."""
    text = re.sub(r"<[^>]*>", " ", text)
    tokens = re.findall(r"-?\d+(?:\.\d*)?|\.\d+|,|\S", text)
    values = []
    i = 0
    while len(values) < 1000:
        if i >= len(tokens) or tokens[i] == ",":
            return None, "entry %d is not a number" % len(values)
        try:
            values.append(int(float(tokens[i])))
        except ValueError:
            return None, "entry %d is %r, not a number" % (len(values), tokens[i])
        if i + 1 >= len(tokens) or tokens[i + 1] != ",":
            return None, "entry %d is not followed by a comma" % (len(values) - 1)
        i += 2
    return values, None


# ---------------------------------------------------------------- the checks
def check_routing(disc, problems):
    for name, archive in disc.archives.items():
        for mid, entries in archive.entries.items():
            for mtype, _ in entries:
                if name == "QV_DE_VI":
                    if mtype != "MPG ":
                        problems.error("QV_DE_VI holds %d of type %s; only movies belong there" % (mid, mtype))
                elif mtype == "MPG ":
                    problems.error("%s holds the movie %d; movies belong in QV_DE_VI" % (name, mid))
                elif route(mid) != name:
                    problems.error("%s holds %d (%s), which the title reads from %s" % (name, mid, mtype, route(mid)))


def check_tables(disc, problems):
    tables = {}
    for t in range(1, 13):
        text = disc.text(t, "category table")
        if text is None:
            continue
        values, error = table_numbers(text)
        if error:
            problems.error("category table TEXT %d: %s" % (t, error))
        else:
            tables[t] = values
    return tables


def parse_scripts(disc, parser, scripts, problems):
    """Runs the tokenizer helper over {media id: text}; {id: fields}."""
    results = {}
    if not scripts:
        return results
    with tempfile.TemporaryDirectory() as tmp:
        paths = {}
        for mid, text in scripts.items():
            path = os.path.join(tmp, "%d.txt" % mid)
            with open(path, "wb") as f:
                f.write(text.encode("cp1252"))
            paths[path] = mid
        run = subprocess.run([parser] + list(paths), capture_output=True, text=True)
        for line in run.stdout.splitlines():
            path, status, *rest = line.split(" ")
            mid = paths.get(path)
            if status != "ok":
                problems.error("script TEXT %d does not read: %s" % (mid, " ".join(rest)))
            else:
                results[mid] = rest
        if run.returncode not in (0, 1):
            problems.error("disc-script-parse failed (status %d): %s" % (run.returncode, run.stderr.strip()))
    return results


def check_item(disc, tables, code, what, problems, seen_bubbles):
    """An item named by a script: its table entry and the media it needs."""
    category = CATEGORIES.index(code[:2]) if code[:2] in CATEGORIES else 0
    number = int(code[2:])
    table_of = {1: 1, 3: 4, 4: 3, 5: 6, 6: 7, 7: 8, 8: 5, 9: 10}
    if category == 6 and number == 0:
        return  # "VI000": no item
    if category not in table_of:
        problems.error("%s names %s, a category the tour cannot open" % (what, code))
        return
    table = tables.get(table_of[category])
    if table is None:
        return
    base = table[number]
    if base <= 0:
        problems.error("%s names %s, which category table %d does not list" % (what, code, table_of[category]))
        return
    if category == 1:
        seen_bubbles.add(number)
    elif category == 5:  # picture sequence
        sequence = disc.text(base, "%s sequence" % code)
        if sequence is not None:
            check_sequence(disc, code, base, sequence, problems)
        disc.need(base + 2, "TEXT", "%s caption" % code)
        link = disc.text(base + 3, "%s link" % code)
        if link is not None and not re.fullmatch(r"\s*BU\d{3}\s*", link):
            problems.error("%s link TEXT %d is %r, not a bubble code" % (code, base + 3, link))
    elif category == 6:  # film
        _, movie = disc.need(base + 1, "MPG ", "%s film" % code, archive="QV_DE_VI")
        if movie is not None and mpeg_size(movie) != (320, 240):
            problems.error("%s film %d is %s, not 320 x 240" % (code, base + 1, mpeg_size(movie)))
        if movie is not None:
            check_film_sound(movie, "%s film %d" % (code, base + 1), problems)
        disc.need(base + 2, "TEXT", "%s caption" % code)
        link = disc.text(base + 3, "%s link" % code)
        if link is not None and not re.fullmatch(r"\s*BU\d{3}\s*", link):
            problems.error("%s link TEXT %d is %r, not a bubble code" % (code, base + 3, link))
    elif category == 3:  # detail photo, shown over the tour at 640 x 480
        check_detail_photo(disc, tables, code, base, problems, seen_bubbles)
    elif category in (4, 8, 9):
        disc.need(base, "TEXT", "%s record" % code)


# The helper that reads a sequence as the title does, writes it and reads it
# back (--sequences), or None.
SEQUENCE_TOOL = None


def check_sequence_round_trip(code, base, text, problems):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "%d.txt" % base)
        with open(path, "wb") as f:
            f.write(text.encode("cp1252"))
        run = subprocess.run([SEQUENCE_TOOL, path], capture_output=True, text=True)
        words = run.stdout.split()
        if len(words) < 2 or words[1] != "ok":
            problems.error("%s sequence TEXT %d does not read, write and read back the same: %s"
                           % (code, base, " ".join(words[2:]) or run.stderr.strip()))


def check_sequence(disc, code, base, text, problems):
    """A slide show's sequence: it reads, writes and reads back as the same
    document, the media its picture and sound items name exist, the pictures
    fit the 426 x 320 panel, the sounds are playable."""
    if SEQUENCE_TOOL:
        check_sequence_round_trip(code, base, text, problems)
    items = re.findall(r"item\s*(picture|sound)\s*\{([^}]*)\}", text)
    if not any(kind == "picture" for kind, _ in items):
        problems.error("%s sequence TEXT %d holds no picture item" % (code, base))
    for kind, fields in items:
        resid = re.search(r"resid\s+(-?\d+)", fields)
        if resid is None:
            continue  # a file item: not on the disc
        mid = int(resid.group(1))
        if kind == "sound":
            check_sound(disc, mid, "%s sequence sound" % code, problems)
            continue
        t, data = disc.need(mid, ["JPEG", "RIX "], "%s sequence picture" % code)
        if t == "JPEG":
            size = jpeg_size(data)
            if size is None:
                problems.error("%s sequence picture %d is not a JPEG" % (code, mid))
            elif size[0] > 426 or size[1] > 320:
                problems.error("%s sequence picture %d is %d x %d, larger than the 426 x 320 panel"
                               % (code, mid, size[0], size[1]))
            elif not size[2]:
                problems.error("%s sequence picture %d is a progressive JPEG" % (code, mid))


def check_detail_photo(disc, tables, code, base, problems, seen_bubbles):
    # The record holds its HOTSPOTS block after the ID; a record without one
    # takes it from TEXT base + 4 (else the photo's own text).
    hotspot_block = r"HOTSPOTS\s*\{((?:\s*HOTSPOT\s*\{\s*MASKINDEX\s+\d+\s+INFO\s+[A-Z]{2}\d{3}\s*\})*)\s*\}"
    record = disc.text(base, "%s record" % code)
    regions = []
    inner = None
    if record is not None:
        body = re.sub(r"<[^>]*>", " ", record)
        m = re.fullmatch(r"\s*DETAILPHOTO\s*\{\s*ID\s+%s\s*(?:%s)?\s*\}\s*" % (code, hotspot_block), body, re.I)
        if not m:
            problems.error("%s record TEXT %d is %r, not DETAILPHOTO { ID %s [HOTSPOTS {...}] }"
                           % (code, base, record, code))
        else:
            inner = m.group(1)
    if inner is None and record is not None:
        hotspots = disc.text(base + 4, "%s hotspots" % code)
        if hotspots is not None:
            body = re.sub(r"<[^>]*>", " ", hotspots)
            m = re.fullmatch(r"\s*%s\s*" % hotspot_block, body, re.I)
            if not m:
                problems.error("%s TEXT %d is not a HOTSPOTS block" % (code, base + 4))
            else:
                inner = m.group(1)
    else:
        disc.need(base + 4, "TEXT", "%s text" % code)
    if inner is not None:
        regions = re.findall(r"MASKINDEX\s+(\d+)\s+INFO\s+([A-Z]{2}\d{3})", inner, re.I)
    for i, (index, item) in enumerate(regions, 1):
        disc.need(base + 4 + i, "TEXT", "%s region %d text" % (code, i))
        if not item.upper().startswith("DF"):
            check_item(disc, tables, item.upper(), "%s region %s" % (code, index), problems, seen_bubbles)
    sizes = []
    for mid, what in ((base + 1, "photograph"), (base + 2, "highlight picture"), (base + 3, "mask")):
        _, data = disc.need(mid, "RIX ", "%s %s" % (code, what))
        info = rix_info(data) if data else None
        if info:
            sizes.append((info["width"], info["height"]))
            if (info["width"], info["height"]) != (640, 480):
                problems.error("%s %s %d is %d x %d, not 640 x 480" % (code, what, mid, info["width"], info["height"]))
            if what == "mask":
                values = set(info["pixels"])
                wanted = {int(index) for index, _ in regions}
                if info["depth"] != 8 or not wanted <= values or values - wanted - {0}:
                    problems.error("%s mask %d: %d-bit with values %s, not the regions %s"
                                   % (code, mid, info["depth"], sorted(values), sorted(wanted)))


def check_panorama(disc, mid, what, problems, archive=None):
    _, data = disc.need(mid, "JPEG", what, archive)
    if data is None:
        return
    size = jpeg_size(data)
    if size is None:
        problems.error("%s: %d is not a JPEG" % (what, mid))
        return
    w, h, baseline = size
    if w != 2 * h or w < 2048 or w & (w - 1):
        problems.error("%s: %d is %d x %d; a panorama is 2:1, at least 2048 wide, a power of two" % (what, mid, w, h))
    if not baseline:
        problems.error("%s: %d is a progressive JPEG" % (what, mid))


def check_sound(disc, mid, what, problems, longest=None):
    """A sound the title plays; `longest`: the most seconds it may last."""
    t, data = disc.need(mid, ["WAVE", "RSX "], what)
    if t == "WAVE":
        info = wave_info(data)
        if not info or info["format"] not in (1, 2) or info["rate"] != 22050 or info["channels"] != 1:
            problems.error("%s: %d is not a 22050 Hz mono PCM or ADPCM WAVE (%s)" % (what, mid, info))
        elif longest is not None and info.get("seconds", 0) > longest:
            problems.error("%s: %d lasts %.1f s, longer than %.1f s" % (what, mid, info["seconds"], longest))


# The texts of the tour's hotspots, by bubble and hotspot (check_tour).
HOTSPOT_TEXTS = {}


def check_tour(disc, tables, parser, problems):
    bubbles = {n: b for n, b in enumerate(tables.get(1, [])) if b > 0}
    transitions = {n: b for n, b in enumerate(tables.get(8, [])) if b > 0}
    if 1 not in bubbles:
        problems.error("category table 1 has no start bubble BU001")
    scripts = {}
    for n, base in list(bubbles.items()) + list(transitions.items()):
        text = disc.text(base, "script of %s%03d" % ("BU" if base in bubbles.values() else "BT", n))
        if text is not None:
            scripts[base] = text
    parsed = parse_scripts(disc, parser, scripts, problems)
    seen = set()
    sound_uses = set()
    for n, base in bubbles.items():
        code = "BU%03d" % n
        check_panorama(disc, base + 1, "%s panorama" % code, problems)
        title = disc.text(base + 2, "%s title" % code)
        if title is not None and not title.strip():
            problems.error("%s title TEXT %d is empty" % (code, base + 2))
        for card in (base + 3, base + 5):
            if disc.archives["QV_DE"].entries.get(card):
                _, data = disc.need(card, "RIX ", "%s card" % code)
                info = rix_info(data) if data else None
                if info and not (60 <= info["width"] <= 100 and 45 <= info["height"] <= 80):
                    problems.error("%s card %d is %d x %d, not about 76 x 60" % (code, card, info["width"], info["height"]))
        fields = parsed.get(base)
        if not fields:
            continue
        if fields[0] != "BUBBLE" or fields[1] != code:
            problems.error("script TEXT %d of %s is %s %s" % (base, code, fields[0], fields[1]))
            continue
        info, ambient, footsteps = fields[2], int(fields[3]), int(fields[4])
        randoms = [int(v) for v in fields[5:10]]
        check_item(disc, tables, info, "%s INFO" % code, problems, seen)
        if ambient:
            sound_uses.add((650 + ambient, "%s ambience" % code))
        if footsteps:
            for k in range(4):
                sound_uses.add((700 + footsteps + k, "%s footsteps" % code))
        for r in randoms:
            if r:
                sound_uses.add((750 + r, "%s random sound" % code))
        hotspots = fields[12:]
        numbers = {}
        for h in range(0, len(hotspots), 6):
            hid, target = hotspots[h], hotspots[h + 1]
            left, top, right, bottom = (float(v) for v in hotspots[h + 2:h + 6])
            if not (0 <= left < 2 * math.pi and left < right <= left + 2 * math.pi
                    and -math.pi / 2 <= top < bottom <= math.pi / 2):
                problems.error("%s hotspot %s: HITRECT %g %g %g %g is not a rectangle in the panorama"
                               % (code, hid, left, top, right, bottom))
            number = int(hid[2:])
            if number in numbers and numbers[number] != hid:
                problems.error("%s hotspots %s and %s share the text %d" % (code, numbers[number], hid, base + 6 + number))
            numbers[number] = hid
            if 6 + number >= 20:
                problems.error("%s hotspot %s: its text %d lies in the next bubble's ids" % (code, hid, base + 6 + number))
            text = disc.text(base + 6 + number, "%s hotspot %s text" % (code, hid))
            if text is not None:
                HOTSPOT_TEXTS[(code, hid)] = text.strip()
            if text is not None and not text.strip():
                problems.error("%s hotspot %s: text %d is empty" % (code, hid, base + 6 + number))
            if target.startswith("BT"):
                tn = int(target[2:])
                if tn not in transitions:
                    problems.error("%s hotspot %s names %s, which category table 8 does not list" % (code, hid, target))
                    continue
                tf = parsed.get(transitions[tn])
                if tf and tf[2] != code:
                    problems.error("%s starts in %s, but its hotspot is in %s" % (target, tf[2], code))
            else:
                check_item(disc, tables, target, "%s hotspot %s" % (code, hid), problems, seen)
    for n, base in transitions.items():
        code = "BT%03d" % n
        fields = parsed.get(base)
        if not fields:
            continue
        if fields[0] != "BUBBLETRANSITION" or fields[1] != code:
            problems.error("script TEXT %d of %s is %s %s" % (base, code, fields[0], fields[1]))
            continue
        for b in (fields[2], fields[3]):
            if int(b[2:]) not in bubbles:
                problems.error("%s names the bubble %s, which category table 1 does not list" % (code, b))
        # The steps after the first are the ones whose sounds the walk acquires
        # and plays (the first one's sound is never acquired): a walk where
        # none of them names a sound crosses the door in silence.
        step_sounds = [int(v) for v in fields[5:]]
        if not any(step_sounds):
            problems.error("%s: no step after the first names a sound, so the walk is silent" % code)
        for sound in step_sounds:
            if not 0 <= sound < TITLE_SOUND_INDEXES:
                problems.error("%s: step sound %d is not one of the title's sound indexes 0-%d"
                               % (code, sound, TITLE_SOUND_INDEXES - 1))
        # Pictures T + 1 .. T + N for the N steps after the first.
        for i in range(int(fields[4]) - 1):
            mtype, data = disc.need(base + 1 + i, ["RIX ", "JPEG"], "%s frame %d" % (code, i))
            size = None
            if mtype == "RIX ":
                info = rix_info(data)
                size = (info["width"], info["height"]) if info else None
            elif mtype == "JPEG":
                size = (jpeg_size(data) or (0, 0))[:2]
            if size and size != (640, 480):
                problems.error("%s frame %d (%d) is %d x %d, not 640 x 480" % (code, i, base + 1 + i, size[0], size[1]))
    for b in seen:
        if b not in bubbles:
            problems.error("a script names BU%03d, which category table 1 does not list" % b)
    for mid, what in sorted(sound_uses):
        check_sound(disc, mid, what, problems)
    for n, base in enumerate(tables.get(6, [])):
        if base > 0:
            check_item(disc, tables, "SH%03d" % n, "category table 6", problems, seen)
    for n, base in enumerate(tables.get(7, [])):
        if base > 0:
            check_item(disc, tables, "VI%03d" % n, "category table 7", problems, seen)
    check_panorama(disc, 6010, "alternate bubble", problems)


def check_screen_media(disc, problems):
    """What the screens need of the interface, language and extra archives."""
    def picture(mid, what, width=None, height=None, frames=None, mask=0):
        # A picture loaded by id is read as a raw image, or through the
        # picture readers when the archive holds it in another format (JPEG).
        mtype, data = disc.need(mid, ["RIX ", "JPEG"], what)
        if mtype == "JPEG" and not mask:
            size = jpeg_size(data)
            if not size:
                problems.error("%s %d is not a JPEG" % (what, mid))
            elif width and size[:2] != (width, height):
                problems.error("%s %d is %d x %d, not %s x %s" % (what, mid, size[0], size[1], width, height))
            return None
        info = rix_info(data) if mtype == "RIX " else None
        if not info:
            if mtype:
                problems.error("%s %d: a mask must be an 8-bit raw image, not %s" % (what, mid, mtype))
            return None
        # A merged sequence is one image of its frames stacked downwards.
        frame_height = info["height"] // max(info["stacked"], 1)
        if width and info["width"] != width or height and frame_height != height:
            problems.error("%s %d is %d x %d, not %s x %s" % (what, mid, info["width"], frame_height, width, height))
        if frames and info["frames"] != frames and info["stacked"] != frames:
            problems.error("%s %d has %d frames, not %d" % (what, mid, info["frames"], frames))
        if mask:
            # The mask's pixel values are the region numbers: 8-bit, a stored
            # palette keeping black at 0 and white at 255, values 0..regions.
            palette = info["palette"]
            if info["depth"] != 8:
                problems.error("%s %d is %d-bit, not an 8-bit mask" % (what, mid, info["depth"]))
            elif palette and (len(palette) < 256 or palette[0] != (0, 0, 0) or palette[255] != (255, 255, 255)):
                problems.error("%s %d: palette index 0 must be black and 255 white" % (what, mid))
            else:
                values = set(info["pixels"])
                if not set(range(1, mask + 1)) <= values or values - set(range(mask + 1)):
                    problems.error("%s %d holds the values %s, not the regions 0..%d" % (what, mid, sorted(values), mask))
        return info

    picture(198, "tour direction indicator", 24, 24, frames=11)
    picture(400, "tour new-item animation")
    picture(3301, "room overlay background", 528, 355)
    picture(3600, "room overlay plan")
    picture(3500, "room overlay rooms list backdrop", 189)
    picture(3510, "room overlay rooms list edge", 189)
    # The floor buttons lie side by side at x 211 and 218.
    for mid in (3310, 3311, 3312, 3313, 3320, 3321, 3322, 3323):
        picture(mid, "room overlay floor button", 7)
    picture(16000, "info panel page", 267, 353)
    for mid in range(16010, 16022):
        picture(mid, "info panel unfolding frame", 267, 353)
    for mid in (16030, 16040, 16050, 16051, 16070, 16090, 16091, 16095, 16096, 16100, 16101, 16102, 16201, 16202,
                16210, 16211, 16212, 16220, 16221, 16222, 3601, 3602, 3610, 3611, 3612, 3620, 3621, 3622, 3700, 3701,
                3702, 3800, 3801, 3802, 3310, 3311, 3312, 3313, 3320, 3321, 3322, 3323):
        picture(mid, "overlay picture")
    for i in range(12):
        disc.need(500 + i, ["RIX ", "RAX "], "picture font %d glyphs" % i)
        disc.need(520 + i, ["FONT", "RDX "], "picture font %d metrics" % i)
    for mid in list(range(600, 603)) + list(range(604, 625)):
        check_sound(disc, mid, "interface sound", problems)
    strip = [200, 201, 203, 204, 250, 252, 253, 207, 209, 210, 240, 299]
    strip += [b + k for b in (218, 223, 228, 233) for k in range(4)]
    for mid in strip:
        picture(mid, "strip picture")
    info = disc.archives["QV_GUI"].get(200, "RIX ")
    if info and rix_info(info)["width"] < 684:
        problems.error("strip bar 200 is narrower than 684")
    sizes = {}
    for k in range(4):
        a = picture(300 + k, "selector strip")
        b = picture(304 + k, "selector strip mask")
        if a and b and (a["width"], a["height"]) != (b["width"], b["height"]):
            problems.error("selector strip %d and its mask %d differ in size" % (300 + k, 304 + k))
        sizes[k] = a
    for k in range(4):
        m = picture(308 + k, "selector region mask", mask=4)
        strip = sizes.get(k)
        if m and strip:
            frame = (strip["width"], strip["height"] // max(strip["stacked"], 1))
            if (m["width"], m["height"]) != frame:
                problems.error("selector region mask %d is %d x %d, its strip's frames %d x %d"
                               % (308 + k, m["width"], m["height"], frame[0], frame[1]))
    for mid in range(320, 325):
        picture(mid, "selector disabled picture")
    for mid in (1100, 1102, 1104, 1106, 1130, 1132, 1134, 1136, 1140, 1142, 1144, 1146, 1150, 1160, 1170, 1180,
                1185, 1190, 1200, 1210, 1220, 1221, 1222):
        picture(mid, "viewer picture")
    for mid in list(range(18014, 18018)) + list(range(18019, 18023)) + list(range(18024, 18028)) + \
            list(range(18031, 18049)) + [18223]:
        disc.need(mid, "TEXT", "strip and welcome text")
    _, movie = disc.need(18000, "MPG ", "opening movie", archive="QV_DE_VI")
    if movie is not None and mpeg_size(movie) != (384, 224):
        problems.error("opening movie 18000 is %s, not 384 x 224" % (mpeg_size(movie),))
    if movie is not None:
        check_film_sound(movie, "opening movie 18000", problems)
    # The closing panel shows a black picture while the interlude 761 sounds,
    # and ends only when 6006 has played: 6006 goes with the last animation
    # (75 frames of 75 ms, ending in black), so neither may keep a person
    # looking at a black screen for more than a few seconds.
    check_sound(disc, 6005, "closing-panel music", problems)
    check_sound(disc, 6006, "closing-panel music", problems, longest=75 * 0.075 + 1.5)
    for first in (6200, 6300):
        for mid in range(first, first + 75):
            picture(mid, "closing-panel frame", 320, 240)
    check_sound(disc, 761, "closing-panel interlude", problems, longest=3.0)
    picture(6499, "language-panel backdrop")
    for mid in (6500, 6510):
        picture(mid, "language-panel flag", 32, 90, frames=8)
    for mid in (6501, 6511):
        picture(mid, "language-panel selection", 128, 96, frames=12)


# The room overlay's fixed table: text offset of each room (base 18000 + offset).
ROOM_TEXT_OFFSETS = [78, 87, 96, 109, 118, 131, 140, 159, 168, 181, 198, 211, 218]
ROOM_KEYWORDS = {
    "Wankel0": 3400, "Wankel1": 3410, "Wankel2": 3420, "Wankel3": 3430, "Wankel4": 3440,
    "backbubbleup.bmp": 3330, "tobubbleup.bmp": 3330, "pijlup.bmp": 3360, "taalup.bmp": 0, "woordup.bmp": 3390,
    "helpup.bmp": 3350, "exitup.bmp": 3340, "voorkantoor_up.bmp": 3460, "gevondenvoorwerpenup.bmp": 3450,
    "gotoroomup.bmp": 3470,
}


ROOM_BUBBLE_KEYWORDS = ("tobubbleup.bmp", "backbubbleup.bmp", "gotoroomup.bmp")
# The key of each room in the overlay's fixed table: the overlay opens on the
# first room whose key is the kind of the screen below it, or the strip's
# status code, which is 13 in the tour once it has walked.
ROOM_KEYS = [-1, 12, 14, 0, 1, 8, 5, 9, 3, 2, 4, 13, 6]
TOUR_ROOM_KEY = 13
# A room's box on the plan: TEXT record + 5.
ROOM_BOX_OFFSET = 5


def check_room_plan(disc, names, plan_lines, problems):
    """The rooms' boxes on the plan picture 3600 (a box text that holds only a
    comment: the room is not on the plan), and the plan as drawn
    (plan_lines: the tour stage's plan.txt, x0 y0 x1 y1 baseline name, when
    at hand): every box drawn is its room's box and bears its room's name,
    the room the tour opens the overlay on is on the plan, and no two rooms
    share a name, so that the list and the plan tell them apart."""
    _, plan = disc.need(3600, "RIX ", "room overlay plan")
    info = rix_info(plan) if plan else None
    width, height = (info["width"], info["height"]) if info else (0, 0)
    boxes = {}
    for room in range(len(ROOM_TEXT_OFFSETS)):
        mid = 3900 + 100 * room + ROOM_BOX_OFFSET
        payload = disc.archives[route(mid)].get(mid, "TEXT")
        if payload is None:
            continue
        text = re.sub(r"<[^>]*>", " ", payload.rstrip(b"\0").decode("cp1252", "replace"))
        if not text.split():
            continue  # a room the plan does not draw: a box text with no box
        numbers = [abs(int(t)) if re.fullmatch(r"-?\d+", t) else 0 for t in text.split()[:4]]
        if len(numbers) < 4 or numbers[0] >= numbers[2] or numbers[1] >= numbers[3]:
            problems.error("room %d: box TEXT %d holds no box (%r)" % (room, mid, text.strip()))
            continue
        if info and (numbers[2] > width or numbers[3] > height):
            problems.error("room %d: box %s reaches out of the %d x %d plan" % (room, numbers, width, height))
        boxes[room] = tuple(numbers)
    for a in boxes:
        for b in boxes:
            if a < b and boxes[a][0] < boxes[b][2] and boxes[b][0] < boxes[a][2] and \
                    boxes[a][1] < boxes[b][3] and boxes[b][1] < boxes[a][3]:
                problems.error("rooms %d and %d: their boxes on the plan overlap" % (a, b))
    tour_room = ROOM_KEYS.index(TOUR_ROOM_KEY)
    if tour_room not in boxes:
        problems.error("room %d (%s), where the tour opens the room overlay, has no box on the plan"
                       % (tour_room, names.get(tour_room)))
    seen = {}
    for room, name in sorted(names.items()):
        if name in seen:
            problems.error("rooms %d and %d have the same name %r" % (seen[name], room, name))
        seen[name] = room
    if plan_lines is None:
        return
    drawn = set()
    for line in plan_lines:
        fields = line.split(None, 5)
        if len(fields) < 5 or not all(re.fullmatch(r"-?\d+", v) for v in fields[:4]):
            continue
        # The label's baseline may stand before the name.
        label = fields[5] if len(fields) == 6 and re.fullmatch(r"-?\d+", fields[4]) else " ".join(fields[4:])
        box, label = tuple(int(v) for v in fields[:4]), label.strip()
        rooms = [r for r, b in boxes.items() if b == box]
        if not rooms:
            problems.error("the plan draws %r at %s, which is no room's box" % (label, box))
        elif names.get(rooms[0]) != label:
            problems.error("the plan names room %d %r, the room is %r" % (rooms[0], label, names.get(rooms[0])))
        else:
            drawn.add(rooms[0])
    for room in sorted(set(boxes) - drawn):
        problems.error("room %d (%s) has a box that the plan does not draw" % (room, names.get(room)))


def rix_frames_rgb(data):
    """Each frame of a 15-, 16-, 24- or 32-bit raw image: (key colour or
    None, rows of (r, g, b)). Other depths are left out."""
    frames = []
    for k in range(max(struct.unpack_from("<h", data, 0)[0], 1) if len(data) >= 58 else 0):
        if len(data) < 58 * (k + 1):
            break
        _, w, h, _, _, _, depth, count, offset = struct.unpack_from("<hhhhhhhii", data, 58 * k)
        fmt = struct.unpack_from("<H", data, 58 * k + 54)[0]
        key = tuple(data[58 * k + 49:58 * k + 52]) if data[58 * k + 46] & 2 else None
        size = {15: 2, 16: 2, 24: 3, 32: 4}.get(depth, 0)
        if not size or w < 1 or h == 0 or count < abs(h) * w * size:
            continue
        pixels, stride = data[offset:offset + count], count // abs(h)
        if size == 2:
            # Words of 5-6-5 (format 4) or 5-5-5 (3) bits, little-endian with
            # 0x8000 added to the format; the top bits widened to 8.
            green = 6 if fmt & 0x7FFF == 4 else 5
            rows = []
            for y in range(abs(h)):
                row = []
                for x in range(w):
                    at = y * stride + 2 * x
                    v = pixels[at] | pixels[at + 1] << 8 if fmt & 0x8000 else pixels[at] << 8 | pixels[at + 1]
                    r, g, b5 = v >> (5 + green) & 31, v >> 5 & (1 << green) - 1, v & 31
                    row.append((r * 255 // 31, g * 255 // ((1 << green) - 1), b5 * 255 // 31))
                rows.append(row)
            frames.append((key, rows[::-1] if h < 0 else rows))
            continue
        # Byte order: red first (5, 7), blue first (6, 8, the default), or
        # an unused byte first (9 red, 10 blue).
        lead = 1 if fmt in (9, 10) else 0
        order = (0, 1, 2) if fmt in (5, 7, 9) else (2, 1, 0)
        rows = [[tuple(pixels[y * stride + x * size + lead + c] for c in order) for x in range(w)]
                for y in range(abs(h))]
        frames.append((key, rows[::-1] if h < 0 else rows))
    return frames


def check_key_fringes(disc, problems):
    """Pictures drawn with a key colour: every pixel is either exactly the key
    or a colour of the picture's own. A pixel close to the key, or one beside
    the key that lies between the key and a neighbour's colour (an
    antialiased edge blended towards the key), is not keyed out and shows as
    a fringe of the key's colour around the shape."""
    for name, archive in sorted(disc.archives.items()):
        for mid, found in sorted(archive.entries.items()):
            for mtype, data in found:
                if mtype != "RIX ":
                    continue
                for key, rows in rix_frames_rgb(data):
                    if key is None:
                        continue
                    bad = fringe_pixel(key, rows)
                    if bad:
                        problems.error("%s %d: pixel %d,%d %s blends with the key colour %s"
                                       % (name, mid, bad[0], bad[1], bad[2], key))


def fringe_pixel(key, rows):
    """The first pixel (x, y, colour) that leans to the key, or None."""
    height, width = len(rows), len(rows[0])
    for y in range(height):
        for x in range(width):
            p = rows[y][x]
            if p == key:
                continue
            d = [p[c] - key[c] for c in range(3)]
            if sum(v * v for v in d) < 40 * 40:
                return x, y, p
            around = [rows[y + dy][x + dx] for dy in (-1, 0, 1) for dx in (-1, 0, 1)
                      if 0 <= y + dy < height and 0 <= x + dx < width]
            if key not in around:
                continue
            for q in around:
                e = [q[c] - key[c] for c in range(3)]
                length = sum(v * v for v in e)
                if q in (key, p) or not length:
                    continue
                s = sum(d[c] * e[c] for c in range(3)) / length
                off = sum((d[c] - s * e[c]) ** 2 for c in range(3))
                if 0.02 < s < 0.9 and off <= 6 * 6:
                    return x, y, p
    return None


def check_plan_labels(disc, plan_lines, problems):
    """Each room's name stands whole inside its box on the plan picture 3600,
    clear of the box's edges: within the box, the two rings of pixels inside
    the ring next to the border (which the border's antialiasing shades) hold
    no ink, and the box holds a label at all. A pixel is ink where it is
    darker than the box's most common colour by more than the stored
    picture's dithering (a sum of channels 60 below)."""
    _, plan = disc.need(3600, "RIX ", "room overlay plan")
    frames = rix_frames_rgb(plan) if plan else []
    if not frames or plan_lines is None:
        return
    rows = frames[0][1]
    for line in plan_lines:
        fields = line.split(None, 5)
        if len(fields) < 6:
            continue
        x0, y0, x1, y1 = (int(v) for v in fields[:4])
        if not (0 <= x0 and x1 < len(rows[0]) and 0 <= y0 and y1 < len(rows) and x1 - x0 > 6 and y1 - y0 > 6):
            continue
        inside = [rows[y][x] for y in range(y0 + 2, y1 - 1) for x in range(x0 + 2, x1 - 1)]
        fill = sum(max(set(inside), key=inside.count))
        ring = [(x, y) for y in range(y0 + 2, y1 - 1) for x in range(x0 + 2, x1 - 1)
                if min(x - x0, x1 - x, y - y0, y1 - y) <= 3]
        touching = [(x, y) for x, y in ring if sum(rows[y][x]) < fill - 60]
        if touching:
            problems.error("plan: the label %r of the box %d,%d-%d,%d reaches within 3 pixels of its edge at %d,%d"
                           % (fields[5], x0, y0, x1, y1, touching[0][0], touching[0][1]))
        elif all(sum(p) >= fill - 60 for p in inside):
            problems.error("plan: the box %d,%d-%d,%d shows no label %r" % (x0, y0, x1, y1, fields[5]))


def check_overlays(disc, tables, problems, plan_lines=None):
    """The info panel's aspects (table 9), the room overlay's records and
    its plan."""
    for n, base in enumerate(tables.get(9, [])):
        if base > 0:
            for mid in (base + 1, base + 2):
                text = disc.text(mid, "info panel aspect %d" % n)
                if text is not None and not text.strip():
                    problems.error("info panel aspect %d: TEXT %d is empty" % (n, mid))
    names = {}
    for room, offset in enumerate(ROOM_TEXT_OFFSETS):
        base = 18000 + offset
        for mid in (base, base + 1, base + 2):
            disc.need(mid, "TEXT", "room %d text" % room)
        name = disc.text(base, "room %d name" % room)
        if name is not None:
            names[room] = name.strip()
        record = disc.text(3900 + 100 * room, "room %d record" % room)
        if record is None:
            continue
        tokens = re.sub(r"<[^>]*>", " ", record).split()
        if len(tokens) % 3:
            problems.error("room record %d: %d tokens, not entries of three" % (3900 + 100 * room, len(tokens)))
            continue
        for k in range(0, len(tokens), 3):
            key = tokens[k]
            if re.fullmatch(r"\d+", key):
                n = int(key)
                if not 1 <= n <= 10:
                    problems.error("room record %d: item %d outside 1..10" % (3900 + 100 * room, n))
                    continue
                for mid in (base + 1 + 2 * n, base + 2 + 2 * n):
                    disc.need(mid, "TEXT", "room %d item %d text" % (room, n))
                for k2 in (1, 2, 3):
                    disc.need(3900 + 100 * room + 10 * n + k2, "RIX ", "room %d item %d button" % (room, n))
            elif key in ROOM_KEYWORDS:
                if ROOM_KEYWORDS[key]:
                    for k2 in (1, 2, 3):
                        disc.need(ROOM_KEYWORDS[key] + k2, "RIX ", "room %d %s button" % (room, key))
            else:
                problems.error("room record %d: unknown button %r" % (3900 + 100 * room, key))
        # A bubble button enters the bubble named by TEXT record + 4.
        if any(tokens[k] in ROOM_BUBBLE_KEYWORDS for k in range(0, len(tokens), 3)):
            link_id = 3900 + 100 * room + 4
            link = disc.text(link_id, "room %d bubble link" % room)
            words = link.split() if link else []
            match = re.fullmatch(r"BU(\d{3})", words[0]) if words else None
            bubbles = tables.get(1, [])
            if not match:
                problems.error("room %d: bubble link TEXT %d names no bubble (%r)" % (room, link_id, link))
            elif not (int(match.group(1)) < len(bubbles) and bubbles[int(match.group(1))] > 0):
                problems.error("room %d: bubble link %s is not in table 1" % (room, words[0]))
    check_room_plan(disc, names, plan_lines, problems)
    check_plan_labels(disc, plan_lines, problems)


# ---------------------------------------------------------------- text fits
class TextMeasure:
    """The title's own measure of texts: ostrevan-tool text measure, in a
    system face (FACE,SIZE[,bold]) as the disc's stages draw texts into
    pictures, or in one of the disc's picture fonts (index 0..11: glyphs
    500 + i, metrics 520 + i in QV_GUI) as the screens draw texts."""

    def __init__(self, tool, disc_dir, problems):
        self.tool = tool
        self.gui = os.path.join(disc_dir, ARCHIVES["QV_GUI"])
        self.problems = problems
        self.cache = {}

    def widths(self, texts, face=None, picture=None, wrap=None):
        """{text: (width, height)} in the face or the picture font, on one
        line or broken into lines of the wrap width; {} when the tool does
        not answer (a problem)."""
        key = (face or "picture font %d" % picture) + (" wrapped at %d" % wrap if wrap else "")
        todo = sorted({t for t in texts if (key, t) not in self.cache})
        if todo:
            option = ["--font", face] if face else ["--picture-font", "%s,%d,%d" % (self.gui, 500 + picture, 520 + picture)]
            option += ["--wrap", str(wrap)] if wrap else []
            with tempfile.TemporaryDirectory() as tmp:
                path = os.path.join(tmp, "texts.txt")
                # One text a line: a line break within a text is a space on
                # one line, a <br> where the text is broken into lines.
                with open(path, "wb") as f:
                    for t in todo:
                        one = re.sub(r"\r\n|\r|\n", "<br>" if wrap else " ", t)
                        f.write((one + "\n").encode("cp1252", "replace"))
                run = subprocess.run([self.tool, "text", "measure", path] + option, capture_output=True, text=True)
            lines = run.stdout.split("\n")
            if run.returncode != 0 or len(lines) < len(todo):
                self.problems.error("ostrevan-tool text measure failed in %s (status %d): %s"
                                    % (key, run.returncode, run.stderr.strip()))
                return {}
            for text, line in zip(todo, lines):
                w, h = line.split()
                self.cache[(key, text)] = (int(w), int(h))
        return {t: self.cache[(key, t)] for t in texts if (key, t) in self.cache}

    def fit_lines(self, screen, field, texts, width, height, face=None, picture=None):
        """Each text, broken into lines of the field's width, no taller than
        the field."""
        font = face.replace(",", " ") if face else "picture font %d" % picture
        for text, (_, h) in sorted(self.widths(texts, face, picture, wrap=width).items()):
            if h > height:
                self.problems.error("%s, %s: %r is %d pixels high in %s in lines of %d, its field %d"
                                    % (screen, field, text, h, font, width, height))

    def fit(self, screen, field, texts, width, face=None, picture=None):
        """Each text no wider than the field's width in the font; a problem
        line naming the screen, the field, the text and the two widths."""
        font = face.replace(",", " ") if face else "picture font %d" % picture
        for text, (w, _) in sorted(self.widths(texts, face, picture).items()):
            if w > width:
                self.problems.error("%s, %s: %r is %d pixels wide in %s, its field %d"
                                    % (screen, field, text, w, font, width))


# The relations screen: the list (190 wide, rows 10 in from its left) in
# picture fonts 5 (rows) and 7 (marked rows); the item buttons' name plates
# (the last word of the name, DejaVu Serif 9, 2 pixels in from each side of
# the button picture); the open text's heading picture (at 173, 38 on the
# screen: the text panel at 45, 35, its title picture at 128, 3), the name in
# DejaVu Serif bold 16 from 8 in, and left of the list at x 425; the panel
# 12100 at 41, 15 with its inner frame 6 in, the main interface's module
# selector from y 390 on the screen.
RELATIONS_LIST = (190 - 10, (5, 7))
RELATIONS_PLATE = ("DejaVu Serif,9", 2)
RELATIONS_HEADING = ("DejaVu Serif,16,bold", 8, 173, 38, 425)
RELATIONS_PANEL = (41, 15, 6, 390)
# The relations screen's three flying pictures (id, where they stay while
# the screen is open); they stand in front of the panel and the item
# buttons, so neither a panel text nor a button may lie under them.
RELATIONS_FLYING = ((12110, 109, 19), (12120, 235, 229), (12130, 59, 239))
# The index screen's list: 210 wide, rows 10 in, picture font 5.
INDEX_LIST = (210 - 10, 5)
# The aspect screen's list: 237 wide, rows 10 in, picture font 5; the
# aspects' titles are TEXT base + 1 of category table 10.
ASPECT_LIST = (237 - 10, 5)
# The carousel screen: the chosen place's title in picture font 6 (300 wide),
# the list of a place's details (its hotspots' texts) 250 wide, rows 10 in,
# picture font 5; its list of places is the index screen's (same width).
CAROUSEL_TITLE = (300, 6)
CAROUSEL_DETAILS = (250 - 10, 5)
# The room overlay: the room's name in the header (200 wide, picture font
# 11); the room's and its items' titles in picture font 5, 170 x 30.
ROOM_NAME = (200, 11)
ROOM_TITLE = (170, 30, 5)
# The storyline screen's texts of the event under the pointer, in picture
# font 7: its text (TEXT base + 1 of category table 3) in lines of 135 in
# 135 x 32, the year with its comma in 30, the day with its point in 17, the
# month's name (TEXT 18001-18012) in 80.
STORY_TITLE = (135, 32, 7)
STORY_YEAR, STORY_DAY, STORY_MONTH, STORY_FONT = 30, 17, 80, 7
# The tour's info panel: the list of the aspects of the house (TEXT base + 1
# of category table 9), 190 wide, rows 10 in, picture font 2.
INFO_LIST = (190 - 10, 2)
# The main interface's caption line: from x 96 on one line in picture font
# 8, the box picture 240 after it, within the 640 of the window. It shows
# the texts of what the pointer is on: hotspots, places, aspects, relations
# items (the first place's title, " / ", the name), historical photographs
# (TEXT base + 4 of category table 5).
CAPTION = (96, 240, 640, 8)
# The room overlay's plan 3600: each room's name drawn in DejaVu Sans 9 from
# 3 in from its box's left edge, inside the box's right edge.
PLAN_LABEL = ("DejaVu Sans,9", 3 + 1)


def relations_records(disc):
    """The relations screen's records from TEXT 12102: [(k, picture id,
    heading id, name)]."""
    text = disc.archives["QV_GUI"].get(12102, "TEXT")
    records = []
    if text is None:
        return records
    for line in text.rstrip(b"\0").decode("cp1252", "replace").splitlines():
        m = re.match(r"\s*(\d+)\s+(\d+)\s+((?:\d+\s+)*?)(\d+)\s+(\d+)\s+-?\d+\s+-?\d+\s+\"([^\"]*)\"", line)
        if m and len(m.group(3).split()) == int(m.group(2)):
            records.append((int(m.group(1)) - 1, int(m.group(4)), int(m.group(5)), m.group(6)))
    return records


def relations_first_places(disc):
    """The first place (a bubble number) and the name of each record of TEXT
    12102 that links to a place."""
    text = disc.archives["QV_GUI"].get(12102, "TEXT")
    found = []
    for line in (text or b"").rstrip(b"\0").decode("cp1252", "replace").splitlines():
        m = re.match(r"\s*\d+\s+(\d+)\s+((?:\d+\s+)*?)\d+\s+\d+\s+-?\d+\s+-?\d+\s+\"([^\"]*)\"", line)
        if m and int(m.group(1)) > 0 and len(m.group(2).split()) == int(m.group(1)):
            found.append((int(m.group(2).split()[0]), m.group(3)))
    return found


def check_text_fit(disc, tables, measure, work, problems):
    """Every text the disc gives a screen with a field of known size fits it
    in the font the screen (or the stage drawing it) uses."""
    records = relations_records(disc)
    names = [name for _, _, _, name in records]
    width, fonts = RELATIONS_LIST
    for font in fonts:
        measure.fit("relations screen", "list row", names, width, picture=font)
    face, inset = RELATIONS_PLATE
    for k, picture, heading, name in records:
        button = rix_info(disc.archives["QV_GUI"].get(picture, "RIX ") or b"")
        if button and name.split():
            measure.fit("relations screen", "name plate of item button %d" % picture, [name.split()[-1]],
                        button["width"] - 2 * inset, face=face)
        face_h, inset_h, left, top, list_left = RELATIONS_HEADING
        title = rix_info(disc.archives["QV_GUI"].get(heading, "RIX ") or b"")
        if title:
            measure.fit("relations text panel", "heading picture %d" % heading, [name],
                        title["width"] - 2 * inset_h, face=face_h)
            if left + title["width"] > list_left:
                problems.error("relations text panel: heading picture %d reaches x %d, over the list at x %d"
                               % (heading, left + title["width"], list_left))
    flying = []
    for media_id, fx, fy in RELATIONS_FLYING:
        info = rix_info(disc.archives["QV_GUI"].get(media_id, "RIX ") or b"")
        if info:
            flying.append((media_id, fx, fy, fx + info["width"], fy + info["height"]))

    def under_flying(what, left, top, right, bottom):
        for media_id, fl, ft, fr, fb in flying:
            if left < fr and fl < right and top < fb and ft < bottom:
                problems.error("relations screen: %s (%d, %d to %d, %d) lies under the flying picture %d"
                               " (%d, %d to %d, %d)" % (what, left, top, right, bottom, media_id, fl, ft, fr, fb))

    for line in (disc.archives["QV_GUI"].get(12102, "TEXT") or b"").rstrip(b"\0").decode("cp1252", "replace").splitlines():
        m = re.match(r"\s*\d+\s+(\d+)\s+((?:\d+\s+)*?)(\d+)\s+\d+\s+(-?\d+)\s+(-?\d+)\s+\"([^\"]*)\"", line)
        if not m or len(m.group(2).split()) != int(m.group(1)):
            continue
        button = rix_info(disc.archives["QV_GUI"].get(int(m.group(3)), "RIX ") or b"")
        if button:
            bx, by = int(m.group(4)), int(m.group(5))
            under_flying("the button of %r" % m.group(6), bx, by, bx + button["width"], by + button["height"])
    panel_texts = os.path.join(work, "relations", "texts.txt")
    panel = rix_info(disc.archives["QV_GUI"].get(12100, "RIX ") or b"")
    if os.path.isfile(panel_texts) and panel:
        px, py, frame, selector = RELATIONS_PANEL
        face_h, _, left, top, _ = RELATIONS_HEADING
        lines = []
        with open(panel_texts, encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\n").split(" ", 5)
                if len(fields) == 6 and fields[0] == "panel":
                    x, y, size, bold = (int(v) for v in fields[1:5])
                    lines.append((x, y, "DejaVu Serif,%d%s" % (size, ",bold" if bold else ""), fields[5]))
        for x, y, face, text in lines:
            w, h = measure.widths([text], face=face).get(text, (0, 0))
            right, bottom = px + x + w, py + y + h
            if right > px + panel["width"] - frame or bottom > py + panel["height"] - frame:
                problems.error("relations screen, panel text: %r reaches %d, %d, out of the panel's frame"
                               % (text, right, bottom))
            elif bottom > selector:
                problems.error("relations screen, panel text: %r reaches y %d, under the module selector at y %d"
                               % (text, bottom, selector))
            elif py + y < top + 28 and right > left:
                problems.error("relations screen, panel text: %r reaches x %d, under the open text's heading at x %d"
                               % (text, right, left))
            under_flying("panel text %r" % text, px + x, py + y, right, bottom)
    # The index screen's list: each place's title (its bubble's, else the
    # index's own).
    index = disc.archives["QV_GUI"].get(10007, "TEXT")
    titles, places = [], []
    bubbles = tables.get(1, [])
    for line in (index or b"").rstrip(b"\0").decode("cp1252", "replace").splitlines():
        m = re.match(r"\s*-?\d+\s+(\d+)\s+-?\d+\s+-?\d+\s+\S+\s+\"([^\"]*)\"", line)
        if not m or not m.group(2):
            continue
        number, title = int(m.group(1)), m.group(2)
        if number < len(bubbles) and bubbles[number] > 0:
            own = disc.archives[route(bubbles[number] + 2)].get(bubbles[number] + 2, "TEXT")
            own = own.rstrip(b"\0").decode("cp1252", "replace").strip() if own else ""
            title = own or title
        titles.append(title)
        places.append((number, title))
    titles_of_places = list(titles)
    width, font = INDEX_LIST
    measure.fit("index and carousel screens", "list row", titles, width, picture=font)
    width, font = CAROUSEL_TITLE
    measure.fit("carousel screen", "place title", titles, width, picture=font)
    width, font = CAROUSEL_DETAILS
    measure.fit("carousel screen", "detail row", sorted(set(HOTSPOT_TEXTS.values())), width, picture=font)
    aspects = []
    for base in tables.get(10, []):
        if base > 0:
            title = disc.archives[route(base + 1)].get(base + 1, "TEXT")
            if title:
                aspects.append(title.rstrip(b"\0").decode("cp1252", "replace").strip()[:127])
    width, font = ASPECT_LIST
    measure.fit("aspect screen", "list row", aspects, width, picture=font)
    titles, years, days = [], [], []  # the storyline's
    for base in tables.get(3, []):
        if base <= 0:
            continue
        record = disc.archives[route(base)].get(base, "TEXT")
        text = disc.archives[route(base + 1)].get(base + 1, "TEXT")
        if text and text.rstrip(b"\0").strip():
            titles.append(text.rstrip(b"\0").decode("cp1252", "replace").strip())
        date = re.search(r"\bDATE\s+(\d+)\s+(\d+)\s+(\d+)", (record or b"").decode("cp1252", "replace"))
        if date:
            days.append("%d." % int(date.group(1)))
            years.append("%d," % int(date.group(3)))
    months = []
    for mid in range(18001, 18013):
        name = disc.archives[route(mid)].get(mid, "TEXT")
        if name and name.rstrip(b"\0").strip():
            months.append(name.rstrip(b"\0").decode("cp1252", "replace").strip())
    width, height, font = STORY_TITLE
    measure.fit_lines("storyline screen", "event text", titles, width, height, picture=font)
    measure.fit("storyline screen", "year", years, STORY_YEAR, picture=STORY_FONT)
    measure.fit("storyline screen", "day", days, STORY_DAY, picture=STORY_FONT)
    measure.fit("storyline screen", "month", months, STORY_MONTH, picture=STORY_FONT)
    info = []
    for base in tables.get(9, []):
        if base > 0:
            title = disc.archives[route(base + 1)].get(base + 1, "TEXT")
            if title and title.rstrip(b"\0").strip():
                info.append(title.rstrip(b"\0").decode("cp1252", "replace").strip())
    width, font = INFO_LIST
    measure.fit("tour info panel", "list row", info, width, picture=font)
    left, box_id, right, font = CAPTION
    box = rix_info(disc.archives["QV_GUI"].get(box_id, "RIX ") or b"")
    captions = set(HOTSPOT_TEXTS.values()) | set(titles_of_places) | set(aspects)
    for base in tables.get(5, []):
        if base > 0:
            text = disc.archives[route(base + 4)].get(base + 4, "TEXT")
            if text and text.rstrip(b"\0").strip():
                captions.add(text.rstrip(b"\0").decode("cp1252", "replace").strip())
    place_of_bubble = dict(reversed(places))
    for first, name in relations_first_places(disc):
        if first in place_of_bubble:
            captions.add("%s / %s" % (place_of_bubble[first], name))
    measure.fit("main interface", "caption line", sorted(captions),
                right - left - (box["width"] if box else 0), picture=font)
    names, room_titles = [], []
    for room, offset in enumerate(ROOM_TEXT_OFFSETS):
        base = 18000 + offset
        record = disc.archives[route(3900 + 100 * room)].get(3900 + 100 * room, "TEXT") or b""
        tokens = re.sub(r"<[^>]*>", " ", record.rstrip(b"\0").decode("cp1252", "replace")).split()
        items = [int(t) for t in tokens[0::3] if re.fullmatch(r"\d+", t) and 1 <= int(t) <= 10]
        for mid, into in [(base, names), (base + 1, room_titles)] + [(base + 1 + 2 * n, room_titles) for n in items]:
            payload = disc.archives[route(mid)].get(mid, "TEXT")
            if payload and payload.rstrip(b"\0").strip():
                into.append(payload.rstrip(b"\0").decode("cp1252", "replace").strip())
    width, font = ROOM_NAME
    measure.fit("room overlay", "room name", names, width, picture=font)
    width, height, font = ROOM_TITLE
    measure.fit_lines("room overlay", "title", room_titles, width, height, picture=font)
    # The room overlay's plan.
    plan_path = os.path.join(work, "tour", "plan.txt")
    if os.path.isfile(plan_path):
        face, inset = PLAN_LABEL
        with open(plan_path, encoding="utf-8") as f:
            for line in f:
                fields = line.split(None, 5)
                if len(fields) == 6 and all(re.fullmatch(r"-?\d+", v) for v in fields[:5]):
                    x0, x1 = int(fields[0]), int(fields[2])
                    measure.fit("room overlay", "plan label of the box at %s, %s" % (x0, fields[1]),
                                [fields[5].strip()], x1 - x0 - inset, face=face)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--disc", required=True)
    parser.add_argument("--build", action="store_true")
    parser.add_argument("--tool")
    parser.add_argument("--parser", required=True)
    parser.add_argument("--partial", action="store_true")
    parser.add_argument("--sequences", help="disc-sequence-roundtrip: each slide show's sequence read, written, read back")
    args = parser.parse_args()
    global SEQUENCE_TOOL
    SEQUENCE_TOOL = args.sequences
    if args.build:
        command = ["bash", os.path.join(ROOT, "content", "make-disc.sh"), args.disc] + ([args.tool] if args.tool else [])
        if subprocess.run(command).returncode != 0:
            print("check_disc: content/make-disc.sh failed", file=sys.stderr)
            return 1
    problems = Problems(args.partial)
    disc = Disc(args.disc, problems)
    check_routing(disc, problems)
    tables = check_tables(disc, problems)
    check_tour(disc, tables, args.parser, problems)
    plan_path = os.path.join(args.disc, "work", "tour", "plan.txt")
    plan_lines = None
    if os.path.isfile(plan_path):
        with open(plan_path, encoding="utf-8") as f:
            plan_lines = f.read().splitlines()
    check_overlays(disc, tables, problems, plan_lines)
    check_screen_media(disc, problems)
    check_key_fringes(disc, problems)
    if args.tool:
        check_text_fit(disc, tables, TextMeasure(os.path.abspath(args.tool), args.disc, problems),
                       os.path.join(args.disc, "work"), problems)
    counts = ", ".join("%s %d ids" % (n, len(a.entries)) for n, a in disc.archives.items())
    print("check_disc: %s" % counts)
    if problems.missing:
        print("check_disc: %d media missing that other stages make (partial check):" % len(problems.missing))
        for line in problems.missing[:40]:
            print("  missing: " + line)
        if len(problems.missing) > 40:
            print("  ... and %d more" % (len(problems.missing) - 40))
    for line in problems.errors:
        print("ERROR: " + line)
    if problems.errors:
        print("check_disc: %d problems" % len(problems.errors))
        return 1
    print("check_disc: the disc is complete and consistent" if not problems.missing else "check_disc: what is there is consistent")
    return 0


if __name__ == "__main__":
    sys.exit(main())
