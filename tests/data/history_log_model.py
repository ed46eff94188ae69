#!/usr/bin/env python3
"""An independent model of the visit history file history.log.

  history_log_model.py OUT [OLD] -- CODE NUMBER [CODE NUMBER ...]

Writes to OUT the file after the flags given were set, starting from a fresh
file or, when OLD is given, from OLD repaired: twelve lines "BU ", "BH ", ...
"TL ", each with 1000 flags ("0"/"1") and CR LF; a line of OLD keeps its "1"
flags only when its three header bytes are right, every other byte becomes
"0".
"""
import sys

CODES = ["BU", "BH", "DF", "EV", "SH", "VI", "BT", "HP", "AS", "PE", "ST", "TL"]
LINE = 1005

args = sys.argv[1:]
split = args.index("--")
out, old = args[0], (args[1] if split == 2 else None)
pairs = args[split + 1:]

lines = [[False] * 1000 for _ in CODES]
if old is not None:
    data = open(old, "rb").read()
    for c, code in enumerate(CODES):
        start = c * LINE
        if data[start:start + 3] != (code + " ").encode():
            continue
        for n in range(1000):
            at = start + 3 + n
            lines[c][n] = at < len(data) and data[at:at + 1] == b"1"

for code, number in zip(pairs[0::2], pairs[1::2]):
    lines[CODES.index(code)][int(number)] = True

with open(out, "wb") as f:
    for c, code in enumerate(CODES):
        f.write((code + " ").encode())
        f.write(bytes(ord("1") if seen else ord("0") for seen in lines[c]))
        f.write(b"\r\n")
