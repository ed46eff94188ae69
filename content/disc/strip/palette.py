#!/usr/bin/env python3
"""Writes the title's default colour table (media 100, "RCX "): the engine's
standard 256-colour palette, so that the title finds its colour table on the
disc and draws exactly as with the palette it falls back to.

The file: a little-endian 16-bit colour count, the red, green and blue bytes
of each colour, and a flags word (4: the entries only; the builder adds the
nearest-index and shade tables).

Usage: palette.py OUT.rcx
"""
import struct
import sys

LOW = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (128, 128, 128), (192, 220, 192), (166, 202, 240)]
HIGH = [(255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
        (255, 0, 255), (0, 255, 255), (255, 255, 255)]
RED = [0, 42, 85, 127, 170, 212, 255]
GREEN = [0, 31, 63, 95, 127, 159, 191, 223, 255]
BLUE = [0, 85, 170, 255]


def grid(red, first, last, skip=None):
    """The grid colours of one red level, green then blue ascending, from grid
    position `first` (green index * 4 + blue index) to `last`."""
    out = []
    for p in range(first, last + 1):
        colour = (red, GREEN[p // 4], BLUE[p % 4])
        if skip is None or not skip(*colour):
            out.append(colour)
    return out


def palette():
    colours = list(LOW)
    colours += grid(42, 2 * 4 + 2, 35)
    for red in RED[2:6]:
        colours += grid(red, 0, 35)
    colours += grid(255, 0, 35, lambda r, g, b: g in (0, 255) and b in (0, 255))
    colours += [(204, 204, 255), (255, 204, 255), (51, 255, 255), (102, 255, 255), (153, 255, 255), (204, 255, 255)]
    colours += grid(0, 4 * 4, 35, lambda r, g, b: g == 255 and b in (0, 255))
    colours += grid(42, 0, 2 * 4 + 1)
    colours += HIGH
    assert len(colours) == 256, len(colours)
    return colours


def main():
    colours = palette()
    with open(sys.argv[1], "wb") as f:
        f.write(struct.pack("<h", len(colours)))
        for colour in colours:
            f.write(bytes(colour))
        f.write(struct.pack("<H", 4))


if __name__ == "__main__":
    main()
