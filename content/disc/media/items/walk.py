#!/usr/bin/env python3
"""POV-Ray scenes of the items SH002, SH003, VI002 and VI003 in the tour's house.

The house, its rooms and doors come from the tour's plan (content/disc/tour/
house.py), so the walks of the films go through the same doors as the tour's
transitions and the photographs show the same rooms as the panoramas.

Usage: walk.py OUTDIR FPS

Writes into OUTDIR:
  house.inc                  the building (from the tour's plan)
  walk-vi002.pov, walk-vi003.pov
                             the films: one frame per POV-Ray animation frame
                             (+KFI1 +KFF<frames>), the camera walking at eye
                             height along the tour's door paths, smoothed
  frames.txt                 "<walk> <frames> <seconds>" for each film
  room-<name>.pov            the interior views that the slide shows age into
                             photographs (listed in stills.txt with their size)
"""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tour"))
import house  # noqa: E402  (the tour's plan)

# The walks: the rooms passed, in order.
# The walks: the rooms passed, in order, what the camera turns to at the end,
# and the film's length in seconds (the narration must fit into it).
WALKS = {
    # the ground floor: from the garden through the kitchen and the hall into
    # the salon, ending at the harpsichord
    "vi002": (["garden", "kitchen", "hall", "salon"], house.VIEW_TARGETS["salon_harpsichord"], 28.0),
    # up the stairs: from the hall into the staircase, up to the gallery and
    # into the bedroom, ending at the bed
    "vi003": (["hall", "staircase", "bedroom"], house.VIEW_TARGETS["bedroom_bed"], 27.0),
}
TURN_FROM = 0.7    # part of the walk after which the camera turns towards the end's target
HOLD_START = 0.8   # seconds the camera stands still before it walks
HOLD_END = 1.6     # and after it arrives
LOOK_AHEAD = 1.4   # metres along the path the camera looks ahead
SMOOTH = 0.9       # half width (metres) of the window that rounds the path's corners
FILM_ANGLE = 72.0  # horizontal field of view of the films, degrees

# The interior views of the slide shows: name -> (era, camera, look at, angle).
ROOM_VIEWS = {
    "kitchen-hearth": (1672, (-2.1, 1.5, 3.4), (-2.5, 1.15, 5.8), 60),
    "kitchen": (1672, (-4.4, 1.65, 0.6), (-1.6, 1.0, 4.6), 66),
    "attic-truss": (1672, (0.5, 7.9, 6.6), (8.0, 9.4, 5.6), 70),
    "garden-house": (1672, (-13.5, 1.5, 0.2), (-5.0, 3.6, 4.6), 60),
    "garden-well": (1672, (-12.6, 1.6, 5.6), (-15.5, 1.0, 9.5), 50),
    "hall-beams": (1672, (3.0, 1.5, 0.7), (3.6, 3.4, 4.0), 68),
    "hall-floor": (1672, (4.9, 1.7, 2.4), (2.4, 0.0, 4.3), 64),
    "salon-ships": (1672, (9.0, 1.7, 3.4), (6.13, 1.6, 4.6), 58),
    "staircase": (1672, (1.0, 1.6, 6.7), (5.0, 2.6, 9.2), 66),
}
STILL_W, STILL_H = 640, 480


def route(rooms):
    """The camera's way through the rooms: the tour's door paths joined."""
    points = []
    for a, b in zip(rooms, rooms[1:]):
        door = next(d for d in house.DOORS if set(d["rooms"]) == {a, b})
        path = house.door_path(door, a, b)
        points += path if not points else path[1:]
    return points


def resample(points, step=0.05):
    """Points every `step` metres along the polyline."""
    out = [points[0]]
    for p, q in zip(points, points[1:]):
        n = max(1, int(math.dist(p, q) / step))
        out += [tuple(a + (b - a) * k / n for a, b in zip(p, q)) for k in range(1, n + 1)]
    return out


def smoothed(points, half):
    """A moving average over `half` metres each side (points are equally
    spaced), which rounds the corners at the doors; the ends stay."""
    step = math.dist(points[0], points[1]) if len(points) > 1 else 1
    k = max(1, int(half / max(step, 1e-6)))
    out = []
    for i in range(len(points)):
        lo, hi = max(0, i - k), min(len(points), i + k + 1)
        w = min(i - lo, hi - 1 - i)  # symmetric window so the ends stay put
        window = points[i - w:i + w + 1]
        out.append(tuple(sum(c) / len(window) for c in zip(*window)))
    return out


def arclength(points):
    s = [0.0]
    for p, q in zip(points, points[1:]):
        s.append(s[-1] + math.dist(p, q))
    return s


def at(points, s_list, s):
    s = max(0.0, min(s_list[-1], s))
    lo, hi = 0, len(s_list) - 1
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if s_list[mid] <= s:
            lo = mid
        else:
            hi = mid
    span = s_list[hi] - s_list[lo]
    f = (s - s_list[lo]) / span if span else 0
    return tuple(a + (b - a) * f for a, b in zip(points[lo], points[hi]))


def unit(v):
    n = math.sqrt(sum(c * c for c in v)) or 1.0
    return [c / n for c in v]


def walk_frames(rooms, target, frames, fps):
    """Camera and look-at point of every frame."""
    pts = smoothed(resample(route(rooms)), SMOOTH)
    s_list = arclength(pts)
    total = s_list[-1]
    hold0, hold1 = int(HOLD_START * fps), int(HOLD_END * fps)
    moving = max(2, frames - hold0 - hold1)
    result = []
    last_dir = None
    for i in range(frames):
        u = min(1.0, max(0.0, (i - hold0) / (moving - 1)))
        u = u * u * (3 - 2 * u)  # starts and stops gently
        s = u * total
        cam = at(pts, s_list, s)
        ahead = at(pts, s_list, s + LOOK_AHEAD)
        d = [b - a for a, b in zip(cam, ahead)]
        h = math.hypot(d[0], d[2])
        if h < 0.3:
            d = last_dir or [0.0, 0.0, 1.0]
            h = math.hypot(d[0], d[2])
        d = list(d)
        d[1] = max(-0.3 * h, min(0.3 * h, d[1]))  # climbing, look where you go
        last_dir = d
        w = min(1.0, max(0.0, (u - TURN_FROM) / (1 - TURN_FROM)))
        if w > 0:  # towards the end, turn to what the room is known for
            w = w * w * (3 - 2 * w)
            d = [a * (1 - w) + b * w for a, b in zip(unit(d), unit([t - c for t, c in zip(target, cam)]))]
        result.append((cam, tuple(a + v for a, v in zip(cam, d))))
    return result, total


HEAD = """// Written by walk.py: %s
#include "lib.inc"
#include "house.inc"
#include "furniture.inc"
#declare Era = %d;
House()
"""


def write_walk(outdir, name, frames, fps, width, height):
    rooms, target, _ = WALKS[name]
    shots, length = walk_frames(rooms, target, frames, fps)
    with open(os.path.join(outdir, "walk-%s.pov" % name), "w") as f:
        f.write(HEAD % ("the film %s, %d frames, a walk of %.1f m through %s" % (
            name, frames, length, ", ".join(rooms)), 1672))
        f.write("#declare Cam = array[%d] {\n%s\n}\n" % (frames, ",\n".join(house.pov_vec(c) for c, _ in shots)))
        f.write("#declare Look = array[%d] {\n%s\n}\n" % (frames, ",\n".join(house.pov_vec(t) for _, t in shots)))
        f.write("camera { perspective location Cam[frame_number - 1] look_at Look[frame_number - 1]"
                " right x * %g up y angle %.2f }\n" % (width / height, FILM_ANGLE))


def write_room_views(outdir):
    names = []
    for name, (era, cam, target, angle) in ROOM_VIEWS.items():
        with open(os.path.join(outdir, "room-%s.pov" % name), "w") as f:
            f.write(HEAD % ("the view %s of the slide shows" % name, era))
            f.write("camera { perspective location %s look_at %s right x * %g up y angle %.2f }\n"
                    % (house.pov_vec(cam), house.pov_vec(target), STILL_W / STILL_H, angle))
        names.append(name)
    return names


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: walk.py OUTDIR FPS")
    outdir, fps = sys.argv[1], float(sys.argv[2])
    os.makedirs(outdir, exist_ok=True)
    house.write_house_inc(os.path.join(outdir, "house.inc"))
    with open(os.path.join(outdir, "frames.txt"), "w") as f:
        for name, (_, _, seconds) in WALKS.items():
            frames = int(math.ceil(seconds * fps))
            write_walk(outdir, name, frames, fps, 320, 240)
            f.write("%s %d %g\n" % (name, frames, seconds))
    with open(os.path.join(outdir, "stills.txt"), "w") as f:
        for name in write_room_views(outdir):
            f.write("room-%s %d %d\n" % (name, STILL_W, STILL_H))


if __name__ == "__main__":
    main()
