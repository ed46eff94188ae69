#!/usr/bin/env python3
"""An independent reader of the title's category tables.

Reads a table text from the file named on the command line and prints "ok"
or "fail" and then the 1000 entries, one a line: exactly 1000 numbers, each
followed by a comma; white space and <...> comments are skipped; a number is
[-]digits[.digits] (a lone "-" or "." counts as 0) truncated toward zero and
held to 32 bits; entries not reached stay -1; what follows the 1000th comma
is not read.
"""
import re
import sys

text = open(sys.argv[1], "rb").read().split(b"\0")[0].decode("latin-1")
entries = [-1] * 1000
pos = 0


def skip():
    global pos
    while True:
        while pos < len(text) and text[pos] in " \t\n\v\f\r":
            pos += 1
        if pos < len(text) and text[pos] == "<":
            end = text.find(">", pos)
            pos = len(text) if end < 0 else end + 1
            continue
        return


def number():
    global pos
    match = re.compile(r"-?[0-9]*(\.[0-9]*)?").match(text, pos)
    if pos >= len(text) or text[pos] not in "-.0123456789" or not match:
        return None
    pos = match.end()
    try:
        value = float(match.group(0))
    except ValueError:
        value = 0.0
    if value >= 2**31 - 1:
        return 2**31 - 1
    if value <= -2**31:
        return -2**31
    return int(value)  # toward zero


ok = True
for i in range(1000):
    skip()
    value = number()
    if value is None:
        ok = False
        break
    entries[i] = value
    skip()
    if pos < len(text) and text[pos] == ",":
        pos += 1
    else:
        ok = False
        break

print("ok" if ok else "fail")
for value in entries:
    print(value)
