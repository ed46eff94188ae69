#!/usr/bin/env python3
"""The floor plan of das Ostrevan Haus and everything the tour derives from it.

One table of rooms, doors, windows and hotspot objects makes, consistently:
  - scenes/house.inc: the building (a solid block with the rooms, doors and
    windows cut out of it) for POV-Ray; furniture lives in scenes/furniture.inc;
  - one POV-Ray scene per panorama (spherical camera in a room) and per
    transition frame (a camera walking from room to room through a door);
  - the bubble and transition scripts, with hit rectangles computed from the
    same door and object coordinates the renders use, their German texts, the
    category tables and the builder-script fragments of the tour stage.

Usage: house.py scenes OUTDIR      write the POV-Ray scenes and renders.txt
       house.py media OUTDIR       write scripts, texts, tables, fragments

Units are metres; x runs east, y up, z north. A yaw of the tour is measured
from the left edge of the panorama (0) to its right edge (2 pi); the camera
looks along -z at yaw 0, along +z at yaw pi and along +x at yaw 3 pi / 2.
Pitch grows downwards, 0 at the horizon.
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

PANO_W, PANO_H = 2048, 1024
FRAME_W, FRAME_H = 640, 480
# The tour shows 640 x 480 pixels with a focal length of 400 pixels.
FRAME_HFOV = math.degrees(2 * math.atan(320 / 400))
FRAMES_PER_TRANSITION = 4
# The title's sound index of a footstep (medium 621 of the interface sounds).
STEP_SOUND = 38
EYE = 1.6

BUBBLE_BASE = 18400
BUBBLE_STRIDE = 20
TRANSITION_BASE = 18600
TRANSITION_STRIDE = 40
ALT_BUBBLE_ID = 6010
DF_BASE = 19100
# Slide shows SH001.. and films VI001.. (made by the media stage): item n's
# base id is BASE + STRIDE * (n - 1).
SH_BASE, SH_STRIDE, SH_COUNT = 19600, 20, 3
VI_BASE, VI_STRIDE, VI_COUNT = 19700, 20, 3

# ---------------------------------------------------------------- the plan
# Rooms: cavities cut out of the building block. "cam" is where the bubble is
# taken; "floor" the height of its floor.
ROOMS = {
    "hall":      dict(box=((0.1, 0.0, 0.0), (5.9, 3.2, 5.9)), floor=0.0, cam=(3.0, 3.2)),
    "kitchen":   dict(box=((-5.0, 0.0, 0.0), (-0.1, 3.2, 5.9)), floor=0.0, cam=(-2.4, 3.0)),
    "salon":     dict(box=((6.1, 0.0, 0.0), (12.0, 3.2, 5.9)), floor=0.0, cam=(9.0, 3.0)),
    "staircase": dict(box=((0.1, 0.0, 6.1), (5.9, 6.6, 12.0)), floor=0.0, cam=(2.4, 7.8)),
    "study":     dict(box=((-5.0, 3.4, 6.1), (-0.1, 6.6, 12.0)), floor=3.4, cam=(-2.5, 9.0)),
    "bedroom":   dict(box=((6.1, 3.4, 6.1), (12.0, 6.6, 12.0)), floor=3.4, cam=(9.0, 8.8)),
    "attic":     dict(box=None, floor=6.8, cam=(3.5, 6.0)),
    "garden":    dict(box=None, floor=0.0, cam=(-12.5, 2.6)),
}
# The plaster of each room's walls.
WALLS = {"hall": "T_Plaster", "kitchen": "T_Whitewash", "salon": "T_Plaster", "staircase": "T_Plaster",
         "study": "T_Whitewash", "bedroom": "T_Plaster"}
ATTIC_APEX = 10.6  # the attic is a triangle from y 6.8 at z 0 and z 12 to its apex at z 6

# Bubbles in item order: BU001 is the start bubble.
BUBBLES = ["hall", "kitchen", "salon", "staircase", "study", "bedroom", "attic", "garden"]

# Doors: an opening box through a wall, the two rooms it joins, and for
# doors between floors the way the camera climbs (points in world space,
# from the first room's side to the second's).
DOORS = [
    dict(rooms=("hall", "kitchen"), box=((-0.15, 0.0, 2.5), (0.15, 2.1, 3.5))),
    dict(rooms=("hall", "salon"), box=((5.85, 0.0, 2.5), (6.15, 2.1, 3.5))),
    dict(rooms=("hall", "staircase"), box=((1.0, 0.0, 5.85), (2.0, 2.1, 6.15))),
    dict(rooms=("kitchen", "garden"), box=((-5.45, 0.0, 3.8), (-4.95, 2.1, 4.8))),
    dict(rooms=("staircase", "study"), box=((-0.15, 3.4, 10.4), (0.15, 5.5, 11.4)),
         via=[(5.15, 0.0 + EYE, 6.6), (5.15, 3.4 + EYE, 9.9), (3.0, 3.4 + EYE, 10.9)]),
    dict(rooms=("staircase", "bedroom"), box=((5.85, 3.4, 10.4), (6.15, 5.5, 11.4)),
         via=[(5.15, 0.0 + EYE, 6.6), (5.15, 3.4 + EYE, 9.9), (5.0, 3.4 + EYE, 10.9)]),
    dict(rooms=("staircase", "attic"), box=((0.4, 6.45, 10.6), (1.4, 6.95, 11.9)),
         via=[(5.15, 0.0 + EYE, 6.6), (5.15, 3.4 + EYE, 9.9), (1.6, 3.4 + EYE, 10.6), (0.9, 6.8 + 0.6, 11.25)]),
]
# Front door of the hall, closed (not a way of the tour).
FRONT_DOOR = ((2.4, 0.0, -0.45), (3.6, 2.4, 0.05))

# Windows: opening boxes through the outer walls.
WINDOWS = [
    ((0.8, 0.9, -0.45), (1.8, 2.5, 0.05)), ((4.2, 0.9, -0.45), (5.2, 2.5, 0.05)),          # hall, south
    ((-3.6, 0.9, -0.45), (-2.2, 2.5, 0.05)), ((-5.45, 0.9, 1.0), (-4.95, 2.5, 2.2)),      # kitchen
    ((7.4, 0.9, -0.45), (8.6, 2.5, 0.05)), ((9.9, 0.9, -0.45), (11.1, 2.5, 0.05)),        # salon, south
    ((11.95, 0.9, 2.4), (12.45, 2.5, 3.6)),                                                # salon, east
    ((2.4, 1.0, 11.95), (3.4, 2.6, 12.45)), ((2.4, 4.0, 11.95), (3.4, 5.8, 12.45)),       # staircase, north
    ((-5.45, 4.3, 8.0), (-4.95, 5.9, 9.2)), ((-3.5, 4.3, 11.95), (-2.3, 5.9, 12.45)),     # study
    ((11.95, 4.3, 8.0), (12.45, 5.9, 9.2)), ((9.0, 4.3, 11.95), (10.2, 5.9, 12.45)),      # bedroom
    ((-5.45, 7.8, 5.5), (-4.95, 8.8, 6.5)), ((11.95, 7.8, 5.5), (12.45, 8.8, 6.5)),       # attic gables
]

# Objects with hotspots that open items: (room, item, corners of the object
# as seen from the room).
def painting_corners(c, normal, w, h):
    """The four corners of a painting of w x h centred at c on a wall whose
    normal (pointing into the room) is horizontal."""
    nx, nz = normal
    ax, az = -nz, nx  # along the wall
    x, y, z = c
    return [(x + sx * ax * w / 2, y + sy * h / 2, z + sx * az * w / 2) for sx in (-1, 1) for sy in (-1, 1)]

# The merchant's portrait in the hall (north wall, right of the staircase
# door) opens the picture sequence; the harpsichord in the salon opens the film.
HALL_PORTRAIT = dict(c=(4.2, 1.75, 5.87), n=(0, -1), w=0.9, h=1.2)
SALON_HARPSICHORD = [(x, y, z) for x in (7.0, 7.9) for y in (0.0, 1.0) for z in (3.7, 5.8)]
# The hearth of the kitchen (scenes/lib.inc's Fireplace at (-2.5, 0, 5.8):
# brickwork and mantel) opens the slide show of the fire of 1721.
KITCHEN_HEARTH = [(x, y, z) for x in (-3.65, -1.35) for y in (0.0, 1.62) for z in (5.2, 5.9)]
# A truss of the attic's roof (collar beam and rafters up to the ridge, the
# ninth pair of furniture.inc's rafters) opens the slide show of the restoration.
ATTIC_TRUSS_X = -4.8 + 8 * 1.67
ATTIC_TRUSS = [(ATTIC_TRUSS_X, 9.0, 2.8), (ATTIC_TRUSS_X, 9.0, 9.2), (ATTIC_TRUSS_X, ATTIC_APEX - 0.2, 6.0)]
# The garden's well opens the film of the walk through the ground floor.
GARDEN_WELL = [(x, y, z) for x in (-16.5, -14.5) for y in (0.0, 2.8) for z in (8.7, 10.3)]
# The upper floors of the house's back wall, above the kitchen door, seen
# from the garden: the old photograph of the house.
HOUSE_BACK_WALL = [(-5.2, y, z) for y in (3.0, 6.0) for z in (2.5, 6.0)]
# The lower flight of the stairs (the steps up to 2.4 m; the bedroom's door
# lies above the upper ones) opens the film of the walk upstairs.
STAIRS = [(x, y, z) for x in (4.4, 5.9) for y in (0.0, 2.4) for z in (6.3, 8.63)]


# The desk of the study (furniture.inc puts it at (-2.9, 3.4, 11.2)): where
# its detail photo is taken from, and its hotspot in the study's bubble.
DESK_CAMERA = (-2.9, 4.75, 10.15)
DESK_LOOK = (-2.85, 4.15, 11.25)
STUDY_DESK = [(x, y, z) for x in (-3.6, -2.2) for y in (3.4, 4.3) for z in (10.8, 11.6)]


def room_cam(name):
    r = ROOMS[name]
    return (r["cam"][0], r["floor"] + EYE, r["cam"][1])


# ---------------------------------------------------------------- geometry
def yaw_of(d):
    """Tour yaw of a horizontal direction (dx, dz)."""
    heading = math.atan2(d[0], d[2])  # 0 along +z, growing towards +x
    return (heading + math.pi) % (2 * math.pi)


def look(from_p, to_p):
    d = tuple(b - a for a, b in zip(from_p, to_p))
    yaw = yaw_of(d)
    pitch = -math.atan2(d[1], math.hypot(d[0], d[2]))
    return yaw, pitch


def hit_rect(cam, points, margin=0.02):
    """The angular rectangle (left, top, right, bottom) that holds points as
    seen from cam; left stays below 2 pi, right may pass it."""
    angles = [look(cam, p) for p in points]
    ref = angles[0][0]
    yaws = [ref + ((a - ref + math.pi) % (2 * math.pi) - math.pi) for a, _ in angles]
    pitches = [p for _, p in angles]
    left, right = min(yaws) - margin, max(yaws) + margin
    shift = math.floor(left / (2 * math.pi)) * 2 * math.pi
    return (left - shift, min(pitches) - margin, right - shift, max(pitches) + margin)


def box_corners(box):
    (x0, y0, z0), (x1, y1, z1) = box
    return [(x, y, z) for x in (x0, x1) for y in (y0, y1) for z in (z0, z1)]


def door_face(door, room):
    """The corners of the door opening on the side of room (the face of the
    opening box nearest to the room's camera)."""
    (x0, y0, z0), (x1, y1, z1) = door["box"]
    cam = room_cam(room)
    if door["rooms"][1] == "attic" and room == "staircase":
        return [(x, y0, z) for x in (x0, x1) for z in (z0, z1)]
    if x1 - x0 < z1 - z0:  # a wall along z
        x = x0 if abs(cam[0] - x0) < abs(cam[0] - x1) else x1
        return [(x, y, z) for y in (y0, y1) for z in (z0, z1)]
    z = z0 if abs(cam[2] - z0) < abs(cam[2] - z1) else z1
    return [(x, y, z) for x in (x0, x1) for y in (y0, y1)]


def door_centre(door):
    (x0, y0, z0), (x1, y1, z1) = door["box"]
    return ((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2)


def door_path(door, a, b):
    """The camera's way from room a's camera to room b's through the door."""
    (x0, y0, z0), (x1, y1, z1) = door["box"]
    cx, _, cz = door_centre(door)
    if door["rooms"][1] == "attic":
        points = list(door["via"])
        if a != door["rooms"][0]:
            points.reverse()
        return [room_cam(a)] + points + [room_cam(b)]
    ca, cb = room_cam(a), room_cam(b)
    floor_y = y0 + EYE
    if x1 - x0 < z1 - z0:
        side = 1 if cb[0] > ca[0] else -1
        inner = [(cx - side * 0.9, floor_y, cz), (cx + side * 0.9, floor_y, cz)]
    else:
        side = 1 if cb[2] > ca[2] else -1
        inner = [(cx, floor_y, cz - side * 0.9), (cx, floor_y, cz + side * 0.9)]
    via = list(door.get("via", []))
    if via:
        if a != door["rooms"][0]:
            via.reverse()
            return [ca] + inner + via + [cb]
        return [ca] + via + inner + [cb]
    return [ca] + inner + [cb]


def along(path, t):
    """The point at fraction t of the path's length."""
    lengths = [math.dist(p, q) for p, q in zip(path, path[1:])]
    total = sum(lengths)
    s = max(0.0, min(1.0, t)) * total
    for (p, q), length in zip(zip(path, path[1:]), lengths):
        if s <= length or length == 0:
            f = s / length if length else 0
            return tuple(a + (b - a) * f for a, b in zip(p, q))
        s -= length
    return path[-1]


def frame_look_at(path, t, goal):
    """Where a frame at fraction t of the path looks: a little ahead on the
    path, never steeper than about 20 degrees up or down (climbing, the
    walker looks where he goes, not at the ceiling)."""
    at = along(path, t)
    ahead = along(path, t + 0.25)
    d = [b - a for a, b in zip(at, ahead)]
    h = math.hypot(d[0], d[2])
    if h < 0.3:  # going straight up or down: look towards the goal
        d = [b - a for a, b in zip(at, goal)]
        h = math.hypot(d[0], d[2])
        if h < 0.3:
            d, h = [0.0, 0.0, 1.0], 1.0
    d[1] = max(-0.36 * h, min(0.36 * h, d[1]))
    return tuple(a + v for a, v in zip(at, d))


def transitions():
    """Every door, both ways: (number, from room, to room, door)."""
    result = []
    for door in DOORS:
        a, b = door["rooms"]
        result.append((a, b, door))
        result.append((b, a, door))
    return [(k + 1, a, b, d) for k, (a, b, d) in enumerate(result)]


# ---------------------------------------------------------------- POV-Ray
def pov_vec(p):
    return "<%.4f, %.4f, %.4f>" % tuple(p)


def pov_box(box):
    return "box { %s, %s }" % (pov_vec(box[0]), pov_vec(box[1]))


def write_house_inc(path):
    out = []
    out.append("// Written by house.py from its plan: the building, its rooms, doors and windows.")
    out.append("#declare AtticApex = %.3f;" % ATTIC_APEX)
    out.append("#declare Building = difference {")
    out.append("  union {")
    out.append("    box { <-5.4, -0.3, -0.4>, <12.4, 6.8, 12.4> }")
    out.append("    prism { linear_sweep linear_spline -5.4, 12.4, 4, <-0.4, 6.8>, <12.4, 6.8>, <6.0, %.3f>, <-0.4, 6.8>"
               " matrix <0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0> }" % (ATTIC_APEX + 0.4))
    out.append("    texture { T_Exterior }")
    out.append("  }")
    for name, room in ROOMS.items():
        if room["box"]:
            out.append("  %s // %s" % (pov_box(room["box"]).replace(" }", " texture { %s } }" % WALLS[name]), name))
    out.append("  prism { linear_sweep linear_spline -5.0, 12.0, 4, <0.0, 6.8>, <12.0, 6.8>, <6.0, %.3f>, <0.0, 6.8>"
               " matrix <0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0> texture { T_PineBoards } } // attic" % ATTIC_APEX)
    for door in DOORS:
        out.append("  %s // door %s - %s" % (pov_box(door["box"]).replace(" }", " texture { T_Plaster } }"), *door["rooms"]))
    out.append("  %s // front door" % pov_box(FRONT_DOOR).replace(" }", " texture { T_Plaster } }"))
    for w in WINDOWS:
        out.append("  %s" % pov_box(w).replace(" }", " texture { T_Plaster } }"))
    out.append("}")
    out.append("")
    out.append("#declare WindowList = array[%d] {" % len(WINDOWS))
    out.append(",\n".join("  array[2] { %s, %s }" % (pov_vec(w[0]), pov_vec(w[1])) for w in WINDOWS))
    out.append("}")
    out.append("#declare DoorList = array[%d] {" % len(DOORS))
    out.append(",\n".join("  array[2] { %s, %s }" % (pov_vec(d["box"][0]), pov_vec(d["box"][1])) for d in DOORS))
    out.append("}")
    out.append("#declare FrontDoor = array[2] { %s, %s }" % (pov_vec(FRONT_DOOR[0]), pov_vec(FRONT_DOOR[1])))
    for name in ROOMS:
        out.append("#declare Cam_%s = %s;" % (name, pov_vec(room_cam(name))))
    p = HALL_PORTRAIT
    out.append("#declare HallPortraitCentre = %s;" % pov_vec(p["c"]))
    out.append("#declare HallPortraitFacing = <%g, 0, %g>;" % p["n"])
    out.append("#declare HallPortraitSize = <%g, %g, 0>;" % (p["w"], p["h"]))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


SCENE_HEAD = """// Written by house.py: %s
#include "lib.inc"
#include "house.inc"
#include "furniture.inc"
"""


def write_scenes(outdir):
    """Scenes and the list of renders: name, scene file, width, height."""
    os.makedirs(outdir, exist_ok=True)
    write_house_inc(os.path.join(outdir, "house.inc"))
    renders = []
    for n, room in enumerate(BUBBLES, 1):
        name = "BU%03d-%s" % (n, room)
        with open(os.path.join(outdir, name + ".pov"), "w") as f:
            f.write(SCENE_HEAD % ("the panorama of the %s" % room))
            f.write("#declare Era = 1672;\nHouse()\n")
            f.write("camera { spherical angle 360 180 location %s direction z up y right x }\n" % pov_vec(room_cam(room)))
        renders.append((name, PANO_W, PANO_H))
    # The alternate bubble: the hall two centuries later, by lamplight.
    name = "alt6010-hall"
    with open(os.path.join(outdir, name + ".pov"), "w") as f:
        f.write(SCENE_HEAD % "the hall of 1872, the alternate bubble")
        f.write("#declare Era = 1872;\nHouse()\n")
        f.write("camera { spherical angle 360 180 location %s direction z up y right x }\n" % pov_vec(room_cam("hall")))
    renders.append((name, PANO_W, PANO_H))
    # The detail photo DF001: the merchant's desk seen from his chair, and a
    # flat-coloured render of its two hotspot regions (red the ledger on the
    # lectern, green the inkpot and quill) from which the mask is made.
    camera = "camera { perspective location %s look_at %s right x * %g up y angle %.3f }\n" % (
        pov_vec(DESK_CAMERA), pov_vec(DESK_LOOK), FRAME_W / FRAME_H, 60.0)
    with open(os.path.join(outdir, "DF001-desk.pov"), "w") as f:
        f.write(SCENE_HEAD % "the detail photo of the desk in the study")
        f.write('#include "detail.inc"\n#declare Era = 1672;\nHouse()\nLedgerBook()\n' + camera)
    renders.append(("DF001-desk", FRAME_W, FRAME_H))
    with open(os.path.join(outdir, "DF001-mask.pov"), "w") as f:
        f.write(SCENE_HEAD % "the hotspot regions of the desk's detail photo")
        f.write('#include "detail.inc"\nbackground { rgb 0 }\nDeskRegions()\n' + camera)
    renders.append(("DF001-mask", FRAME_W, FRAME_H))
    for k, a, b, door in transitions():
        path = door_path(door, a, b)
        for i in range(FRAMES_PER_TRANSITION):
            t = (i + 1) / (FRAMES_PER_TRANSITION + 1)
            at = along(path, t)
            ahead = frame_look_at(path, t, room_cam(b))
            name = "BT%03d-%d" % (k, i)
            with open(os.path.join(outdir, name + ".pov"), "w") as f:
                f.write(SCENE_HEAD % ("frame %d of the way from the %s to the %s" % (i, a, b)))
                f.write("#declare Era = 1672;\nHouse()\n")
                f.write("camera { perspective location %s look_at %s right x * %g up y angle %.3f }\n"
                        % (pov_vec(at), pov_vec(ahead), FRAME_W / FRAME_H, FRAME_HFOV))
            renders.append((name, FRAME_W, FRAME_H))
    with open(os.path.join(outdir, "renders.txt"), "w") as f:
        for name, w, h in renders:
            f.write("%s %d %d\n" % (name, w, h))


# ---------------------------------------------------------------- the tour's words
TITLES = {
    "hall": "Die Diele",
    "kitchen": "Die Küche",
    "salon": "Die Stube",
    "staircase": "Das Treppenhaus",
    "study": "Die Schreibstube",
    "bedroom": "Die Schlafkammer",
    "attic": "Der Dachboden",
    "garden": "Der Garten",
}
# Hotspot texts of the doors: where the door leads.
DOOR_TEXTS = {
    "hall": "Zurück in die Diele",
    "kitchen": "In die Küche",
    "salon": "In die Stube",
    "staircase": "Ins Treppenhaus",
    "study": "In die Schreibstube des Kaufmanns",
    "bedroom": "In die Schlafkammer",
    "attic": "Die Leiter hinauf zum Dachboden",
    "garden": "Hinaus in den Garten",
}
# What each bubble offers besides its doors: (item, hotspot text).
ITEMS = {
    "hall": [("SH001", "Bildfolge: Bilder aus alter Zeit")],
    "study": [("DF001", "Das Schreibpult des Kaufmanns")],
    "salon": [("VI001", "Film: Die Geschichte des Ostrevan Hauses")],
    "kitchen": [("SH002", "Bildfolge: Der Brand von 1721")],
    "attic": [("SH003", "Bildfolge: Die Restaurierung 1978-1984")],
    "garden": [("VI002", "Film: Ein Gang durch das Erdgeschoss"), ("HP001", "Photographie: Das Haus um 1890")],
    "staircase": [("VI003", "Film: Treppauf zu den Wohnstuben")],
}
# The object each item's hotspot covers: the corners of the object in the room.
ITEM_OBJECTS = {
    "SH001": painting_corners(HALL_PORTRAIT["c"], HALL_PORTRAIT["n"], HALL_PORTRAIT["w"], HALL_PORTRAIT["h"]),
    "DF001": STUDY_DESK,
    "VI001": SALON_HARPSICHORD,
    "SH002": KITCHEN_HEARTH,
    "SH003": ATTIC_TRUSS,
    "VI002": GARDEN_WELL,
    "VI003": STAIRS,
    "HP001": HOUSE_BACK_WALL,
}
INFO = {"hall": "SH001", "salon": "VI001", "kitchen": "SH002", "attic": "SH003", "garden": "VI002", "staircase": "VI003"}
# Texts of the detail photo's regions (mask values 1 the ledger, 2 the inkpot,
# 3 the window behind the desk, which opens the old photograph of the house).
DF_REGION_TEXTS = ["Das Kontobuch des Jahres 1672", "Tintenfass und Gänsekiel",
                   "Photographie: Das Haus um 1890"]
# Sounds: ambience number (media 650 + n), footsteps (700 + n .. 703 + n), random sounds (750 + n).
AMBIENT = {"hall": 1, "kitchen": 2, "salon": 3, "staircase": 4, "study": 5, "bedroom": 6, "attic": 7, "garden": 8}
FOOTSTEPS = {"hall": 5, "kitchen": 5, "salon": 1, "staircase": 1, "study": 1, "bedroom": 1, "attic": 1, "garden": 9}
RANDOM = {"hall": [3, 4], "staircase": [3], "attic": [3], "garden": [1, 2, 4], "kitchen": [4]}
DEFAULT_VIEW = {
    "hall": "staircase", "kitchen": "fire", "salon": "harpsichord", "staircase": "stairs",
    "study": "desk", "bedroom": "bed", "attic": "gable", "garden": "house",
}
VIEW_TARGETS = {
    "staircase_stairs": (5.15, 2.0, 9.0),
    "hall_staircase": (2.0, 1.6, 6.0),
    "kitchen_fire": (-2.5, 1.0, 5.8),
    "salon_harpsichord": (7.45, 1.0, 4.7),
    "study_desk": (-2.5, 4.2, 11.0),
    "bedroom_bed": (10.5, 4.2, 10.0),
    "attic_gable": (12.0, 8.3, 6.0),
    "garden_house": (-5.0, 2.0, 4.3),
}


def default_view(room):
    target = VIEW_TARGETS["%s_%s" % (room, DEFAULT_VIEW[room])]
    yaw, pitch = look(room_cam(room), target)
    return yaw, max(-0.3, min(0.3, pitch))


def bubble_base(room):
    return BUBBLE_BASE + BUBBLE_STRIDE * BUBBLES.index(room)


def bubble_code(room):
    return "BU%03d" % (BUBBLES.index(room) + 1)


def fmt(x):
    text = "%.4f" % x
    return "0.0000" if text == "-0.0000" else text


def bubble_script(room, bt_of):
    """The BUBBLE script of a room and its hotspot texts {id number: text}."""
    yaw, pitch = default_view(room)
    cam = room_cam(room)
    lines = ["BUBBLE {", "  ID %s" % bubble_code(room), "  DEFAULTVIEWANGLE %s %s" % (fmt(yaw), fmt(pitch)),
             "  INFO %s" % INFO.get(room, "VI000"), "  AMBIENT %d" % AMBIENT[room], "  FOOTSTEPS %d" % FOOTSTEPS[room]]
    for k, r in enumerate(RANDOM.get(room, []), 1):
        lines.append("  RANDOM%d %d" % (k, r))
    lines.append("  HOTSPOTS {")
    texts = {}
    used = set()
    door_rects = []
    for door in DOORS:
        if room not in door["rooms"]:
            continue
        other = door["rooms"][1] if door["rooms"][0] == room else door["rooms"][0]
        rect = hit_rect(cam, door_face(door, room))
        door_rects.append(rect)
        code = bubble_code(other)
        number = int(code[2:])
        used.add(number)
        texts[number] = DOOR_TEXTS[other]
        lines.append("    HOTSPOT { ID %s HITRECT %s INFO BT%03d }" % (code, " ".join(fmt(v) for v in rect), bt_of[(room, other)]))
    for item, text in ITEMS.get(room, []):
        number = int(item[2:])
        while number in used:
            number = 9 if number < 9 else number + 1
        used.add(number)
        hid = "%s%03d" % (item[:2], number)
        rect = hit_rect(cam, ITEM_OBJECTS[item])
        # A hotspot under a door's would hide part of it (or the door part of it).
        for door_rect in door_rects:
            assert not rects_overlap(rect, door_rect), "%s: the hotspot of %s overlaps a door" % (room, item)
        texts[number] = text
        lines.append("    HOTSPOT { ID %s HITRECT %s INFO %s }" % (hid, " ".join(fmt(v) for v in rect), item))
    assert max(texts) + 6 < BUBBLE_STRIDE, room
    lines += ["  }", "}"]
    return "\n".join(lines) + "\n", texts


def rects_overlap(a, b):
    """Whether two hit rectangles (left, top, right, bottom; right may pass
    2 pi) share any point, also across the panorama's seam."""
    if a[1] >= b[3] or b[1] >= a[3]:
        return False
    full = 2 * math.pi
    return any(a[0] < b[2] + shift and b[0] + shift < a[2] for shift in (-full, 0, full))


def transition_script(k, a, b, door):
    path = door_path(door, a, b)
    start = look(path[0], path[1])
    end_dir = tuple(q - p for p, q in zip(along(path, 0.9), path[-1]))
    end_yaw = yaw_of(end_dir) if math.hypot(end_dir[0], end_dir[2]) > 0.05 else start[0]
    # A soft footstep (sound index 38) with each picture after the first: the
    # walk acquires and plays the sounds of those steps.
    steps = ["    FADE 300 SOUND 0"]
    for i in range(FRAMES_PER_TRANSITION):
        steps.append("    WAIT %d FADE 250 SOUND %d" % (120 if i else 60, STEP_SOUND))
    return ("BUBBLETRANSITION {\n  ID BT%03d\n  STARTBUBBLE %s\n  STARTANGLE %s %s\n  ENDBUBBLE %s\n"
            "  ENDANGLE %s 0.0000\n  SEQUENCE {\n%s\n  }\n}\n"
            % (k, bubble_code(a), fmt(start[0]), fmt(max(-0.5, min(0.5, start[1]))), bubble_code(b), fmt(end_yaw),
               "\n".join(steps)))


def category_table(entries, comment):
    values = [-1] * 1000
    for n, v in entries.items():
        values[n] = v
    lines = ["<%s: entry n is the base media id of item n, -1 for none>" % comment]
    for row in range(0, 1000, 20):
        lines.append(" ".join("%d," % v for v in values[row:row + 20]))
    return "\n".join(lines) + "\n"


TABLE_COMMENTS = {
    1: "Bubbles (BU)", 2: "Linked records", 3: "Events (EV)", 4: "Detail photos (DF)", 5: "Historical photos (HP)",
    6: "Picture sequences (SH)", 7: "Films (VI)", 8: "Bubble transitions (BT)", 9: "Tour info texts",
    10: "Aspects (AS)", 11: "Storylines (ST)", 12: "Timelines (TL)",
}


def write_text(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("cp1252"))


def write_media(outdir):
    """Scripts, texts, tables and the fragments' lines for them."""
    text_dir = os.path.join(outdir, "text")
    os.makedirs(text_dir, exist_ok=True)
    de = []  # lines of QV_DE.build
    bt_of = {}
    for k, a, b, door in transitions():
        bt_of[(a, b)] = k
    for room in BUBBLES:
        base = bubble_base(room)
        code = bubble_code(room)
        script, texts = bubble_script(room, bt_of)
        write_text(os.path.join(text_dir, "%s.txt" % code), script)
        write_text(os.path.join(text_dir, "%s-title.txt" % code), TITLES[room])
        de.append("// %s: %s" % (code, TITLES[room]))
        de.append('%d 40 "tour/text/%s.txt"' % (base, code))
        de.append('%d 0 "tour/pano/%s.jpg"' % (base + 1, code))
        de.append('%d 40 "tour/text/%s-title.txt"' % (base + 2, code))
        de.append('%d 10 "tour/pano/%s-card.bmp" 2 0 16' % (base + 3, code))
        de.append('%d 10 "tour/pano/%s-card-lit.bmp" 2 0 16' % (base + 5, code))
        for number, text in sorted(texts.items()):
            name = "%s-hotspot%02d.txt" % (code, number)
            write_text(os.path.join(text_dir, name), text)
            de.append('%d 40 "tour/text/%s"' % (base + 6 + number, name))
    for k, a, b, door in transitions():
        base = TRANSITION_BASE + TRANSITION_STRIDE * (k - 1)
        write_text(os.path.join(text_dir, "BT%03d.txt" % k), transition_script(k, a, b, door))
        de.append("// BT%03d: %s -> %s" % (k, a, b))
        de.append('%d 40 "tour/text/BT%03d.txt"' % (base, k))
        for i in range(FRAMES_PER_TRANSITION):
            de.append('%d 10 "tour/frames/BT%03d-%d.jpg" 2 0 16' % (base + 1 + i, k, i))
    de.append("// DF001: the desk in the study, a detail photo with three regions")
    write_text(os.path.join(text_dir, "DF001.txt"),
               "DETAILPHOTO {\n  ID DF001\n  HOTSPOTS {\n    HOTSPOT { MASKINDEX 1 INFO SH001 }\n"
               "    HOTSPOT { MASKINDEX 2 INFO VI001 }\n    HOTSPOT { MASKINDEX 3 INFO HP001 }\n  }\n}\n")
    write_text(os.path.join(text_dir, "DF001-text.txt"), "Das Schreibpult des Kaufmanns")
    de.append('%d 40 "tour/text/DF001.txt"' % DF_BASE)
    de.append('%d 10 "tour/detail/DF001.jpg" 2 0 16' % (DF_BASE + 1))
    de.append('%d 10 "tour/detail/DF001-lit.bmp" 2 0 16' % (DF_BASE + 2))
    de.append('%d 10 "tour/detail/DF001-mask.bmp" 34 0 8' % (DF_BASE + 3))
    de.append('%d 40 "tour/text/DF001-text.txt"' % (DF_BASE + 4))
    for i, text in enumerate(DF_REGION_TEXTS, 1):
        write_text(os.path.join(text_dir, "DF001-region%d.txt" % i), text)
        de.append('%d 40 "tour/text/DF001-region%d.txt"' % (DF_BASE + 4 + i, i))
    tables = {
        1: {n: bubble_base(room) for n, room in enumerate(BUBBLES, 1)},
        4: {1: DF_BASE},
        6: {n: SH_BASE + SH_STRIDE * (n - 1) for n in range(1, SH_COUNT + 1)},
        7: {n: VI_BASE + VI_STRIDE * (n - 1) for n in range(1, VI_COUNT + 1)},
        8: {k: TRANSITION_BASE + TRANSITION_STRIDE * (k - 1) for k, _, _, _ in transitions()},
    }
    # Entries other stages make (TABLE ITEM BASE a line in the tables.txt
    # files that depends.txt names, so that a change reruns this stage): the
    # storyline records', the historical photographs'.
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "depends.txt")) as f:
        named = [line.split("#")[0].strip() for line in f]
    for name in named:
        if not name.endswith("tables.txt"):
            continue
        listed = os.path.join(here, "..", name)
        with open(listed) as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    t, n, base = (int(v) for v in line.split())
                    assert 1 <= t <= 12 and t != 9 and n not in tables.get(t, {}), "%s: %s" % (listed, line)
                    tables.setdefault(t, {})[n] = base
    de.append("// Category tables")
    for t in range(1, 13):
        # Table 9, the aspects of the info panel, is written by overlays.py.
        if t != 9:
            write_text(os.path.join(text_dir, "table%02d.txt" % t), category_table(tables.get(t, {}), TABLE_COMMENTS[t]))
        de.append('%d 40 "tour/text/table%02d.txt"' % (t, t))
    with open(os.path.join(outdir, "de-lines.build"), "w") as f:
        f.write("\n".join(de) + "\n")
    # A summary for the stage: each bubble's default view and camera.
    with open(os.path.join(outdir, "views.txt"), "w") as f:
        for room in BUBBLES:
            yaw, pitch = default_view(room)
            f.write("%s %s %.4f %.4f\n" % (bubble_code(room), room, yaw, pitch))


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("scenes", "media"):
        sys.exit("usage: house.py scenes|media OUTDIR")
    if sys.argv[1] == "scenes":
        write_scenes(sys.argv[2])
    else:
        write_media(sys.argv[2])


if __name__ == "__main__":
    main()
