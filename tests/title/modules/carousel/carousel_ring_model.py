#!/usr/bin/env python3
"""Independent model of the carousel ring's perspective projection.

Usage: carousel_ring_model.py TILT CX CY ANGLE...
Prints one line per angle and ring place: angle-index place left top width height layer
where layer = 1000 - trunc(depth).
"""
import math
import sys

PI = 3.1415926535  # the ring's own value of pi


def trunc(v):
    return int(math.trunc(v))


def half(n):
    # integer division truncated towards zero
    return int(n / 2)


def place(i, angle, tilt, cx, cy):
    a = i * 2 * PI / 20 + angle
    x = math.sin(a) * 190.0
    z = math.cos(a) * 190.0 / 3.0
    y = 0.0
    t = tilt * 2 * PI / 360
    y2 = math.cos(t) * y - math.sin(t) * z
    d = math.sin(t) * y + math.cos(t) * z + 300.0
    w = trunc(85.0 * 200.0 / d)
    h = trunc(64.0 * 200.0 / d)
    left = trunc(x * 200.0 / d - half(w)) + cx
    top = trunc(y2 * 200.0 / d - half(h)) + cy
    return left, top, w, h, 1000 - trunc(d)


def main():
    tilt, cx, cy = (int(v) for v in sys.argv[1:4])
    for k, angle in enumerate(float(v) for v in sys.argv[4:]):
        for i in range(20):
            print(k, i, *place(i, angle, tilt, cx, cy))


if __name__ == "__main__":
    main()
