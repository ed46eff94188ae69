#!/usr/bin/env python3
"""The disc check finds the faults it is there for.

Takes the disc that content.SampleDisc built, makes one faulty archive per
case (the language archive or the interface archive: a line of its build
script changed, removed or added, or a source replaced) with ostrevan-tool, and runs check_disc.py on a copy of the
disc holding it: each case must fail with its message, and the untouched disc
must pass.

Usage: check_disc_faults.py --disc DIR --tool TOOL --parser PARSER [--partial]
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# (name, edit of the QV_DE build script, expected message). An edit is a list
# of (pattern, replacement) applied to the script's lines; "+" appends a line.
CASES = [
    ("hotspot text missing", [(r"^18408 .*$", "")],
     "BU001 hotspot BU002 text: 18408 (TEXT) missing from QV_DE"),
    ("transition frame of the wrong size", [(r'^18601 10 "tour/frames/BT001-0.jpg"', '18601 10 "tour/pano/BU001.jpg"')],
     "BT001 frame 0 (18601) is 2048 x 1024, not 640 x 480"),
    ("bubble script without a hit rectangle", [("+", 'SCRIPT BUBBLE { ID BU001 DEFAULTVIEWANGLE 0 0 INFO VI000 AMBIENT 1 '
                                                     'FOOTSTEPS 1 HOTSPOTS { HOTSPOT { ID BU002 INFO BT001 } } }')],
     "script TEXT 18400 does not read: hotspot BU002: missing HITRECT"),
    ("id in the wrong archive", [("+", '700 -20 "Schritt"')],
     "QV_DE holds 700 (TEXT), which the title reads from QV_GUI"),
    ("category table one entry short", [("+", "TABLE8")],
     "category table TEXT 8: entry 999 is not followed by a comma"),
    ("panorama not 2:1", [(r'^18421 0 "tour/pano/BU002.jpg"', '18421 0 "tour/detail/DF001.jpg"')],
     "BU002 panorama: 18421 is 640 x 480; a panorama is 2:1"),
    ("transition to a bubble the table lacks", [("+", "BT001 ENDBUBBLE BU002=>ENDBUBBLE BU099")],
     "BT001 names the bubble BU099, which category table 1 does not list"),
    ("walk without a sound", [("+", "BT001 SOUND 38=>SOUND 0")],
     "BT001: no step after the first names a sound, so the walk is silent"),
    ("slide-show picture missing", [(r"^19625 .*$", "")],
     "SH002 sequence picture: 19625 (JPEG/RIX ) missing from QV_DE"),
    ("slide-show picture larger than its panel", [(r'^19626 0 "media/19626.jpg"', '19626 0 "tour/detail/DF001.jpg"')],
     "SH002 sequence picture 19626 is 640 x 480, larger than the 426 x 320 panel"),
    ("two media under one id", [("+", '18601 40 "tour/text/BT001.txt"')],
     "QV_DE holds 18601 more than once (RIX, TEXT)"),
    ("one id twice with the same type", [("+", '18408 40 "tour/text/BT001.txt"')],
     "QV_DE holds 18408 more than once (TEXT, TEXT)"),
    # The relations screen's sixth item with a name whose last word, on the
    # item button's name plate, is wider than the plate (QV_GUI).
    ("relations item name wider than its button", [("+", "RELATIONS12102")],
     "relations screen, name plate of item button 12250: 'Stadtbibliothekarsgehilfe' is", "QV_GUI"),
]

# Where each archive a case rebuilds lies on the disc.
ARCHIVE_PATHS = {"QV_DE": ("CD", "Media", "QV_DE.msf"), "QV_GUI": ("Media", "QV_GUI.msf")}
EXTRAS = ("fault.txt", "fault.log", "fault-script.txt", "fault-table.txt", "fault-bt.txt", "fault-12102.txt")


def build_case(work, edits, out, archive="QV_DE"):
    with open(os.path.join(work, archive + ".txt")) as f:
        lines = f.read().split("\n")
    extra_sources = {}
    for pattern, replacement in edits:
        if pattern != "+":
            lines = [re.sub(pattern, replacement, line) for line in lines]
        elif replacement.startswith("SCRIPT "):
            extra_sources["fault-script.txt"] = replacement[len("SCRIPT "):]
            lines = [line for line in lines if not line.startswith("18400 ")]
            lines.append('18400 40 "fault-script.txt"')
        elif replacement == "TABLE8":
            with open(os.path.join(work, "tour/text/table08.txt"), encoding="cp1252") as f:
                text = f.read()
            extra_sources["fault-table.txt"] = text[:text.rstrip().rfind(",")]
            lines = [line for line in lines if not line.startswith("8 40 ")]
            lines.append('8 40 "fault-table.txt"')
        elif replacement.startswith("BT001 "):
            # "BT001 OLD=>NEW": the first transition's script with OLD replaced.
            old, new = replacement[len("BT001 "):].split("=>")
            with open(os.path.join(work, "tour/text/BT001.txt")) as f:
                extra_sources["fault-bt.txt"] = f.read().replace(old, new)
            lines = [line for line in lines if not line.startswith("18600 ")]
            lines.append('18600 40 "fault-bt.txt"')
        elif replacement == "RELATIONS12102":
            with open(os.path.join(work, "relations/12102.txt"), encoding="cp1252") as f:
                extra_sources["fault-12102.txt"] = f.read().replace('"Der Stadtbibliothekar"',
                                                                    '"Der Stadtbibliothekarsgehilfe"')
            lines = [line for line in lines if not line.startswith("12102 ")]
            lines.append('12102 40 "fault-12102.txt" 0')
        else:
            lines.append(replacement)
    for name, text in extra_sources.items():
        with open(os.path.join(work, name), "w", encoding="cp1252") as f:
            f.write(text)
    script = os.path.join(work, "fault.txt")
    with open(script, "w") as f:
        f.write("\n".join(lines) + "\n")
    return subprocess.run([TOOL, "archive", "build", script, out, os.path.join(work, "fault.log")],
                          capture_output=True, text=True, cwd=work).returncode == 0


def run_check(disc, args):
    command = [sys.executable, os.path.join(HERE, "check_disc.py"), "--disc", disc, "--parser", args.parser,
               "--tool", TOOL]
    if args.partial:
        command.append("--partial")
    return subprocess.run(command, capture_output=True, text=True)


def main():
    global TOOL
    parser = argparse.ArgumentParser()
    parser.add_argument("--disc", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--parser", required=True)
    parser.add_argument("--partial", action="store_true")
    args = parser.parse_args()
    TOOL = os.path.abspath(args.tool)
    args.parser = os.path.abspath(args.parser)
    work = os.path.join(args.disc, "work")
    if not os.path.isfile(os.path.join(work, "QV_DE.txt")):
        print("check_disc_faults: no built disc in %s (content.SampleDisc builds it)" % args.disc)
        return 1
    failures = 0
    good = run_check(args.disc, args)
    if good.returncode != 0:
        print("check_disc_faults: the untouched disc does not pass:\n" + good.stdout)
        return 1
    with tempfile.TemporaryDirectory() as tmp:
        shutil.copytree(os.path.join(args.disc, "Media"), os.path.join(tmp, "Media"))
        shutil.copytree(os.path.join(args.disc, "CD"), os.path.join(tmp, "CD"))
        for name, edits, expected, *archive in CASES:
            archive = archive[0] if archive else "QV_DE"
            target = os.path.join(tmp, *ARCHIVE_PATHS[archive])
            for extra in EXTRAS:
                if os.path.exists(os.path.join(work, extra)):
                    os.remove(os.path.join(work, extra))
            # Every other archive as built: the last case's faulty one goes.
            for other, parts in ARCHIVE_PATHS.items():
                if other != archive:
                    shutil.copyfile(os.path.join(args.disc, *parts), os.path.join(tmp, *parts))
            if not build_case(work, edits, target, archive):
                print("FAIL %s: the faulty archive could not be built" % name)
                failures += 1
                continue
            result = run_check(tmp, args)
            if result.returncode == 0 or expected not in result.stdout:
                print("FAIL %s: expected %r in:\n%s" % (name, expected, result.stdout[-2000:]))
                failures += 1
            else:
                print("ok   %s" % name)
        for extra in EXTRAS:
            if os.path.exists(os.path.join(work, extra)):
                os.remove(os.path.join(work, extra))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
