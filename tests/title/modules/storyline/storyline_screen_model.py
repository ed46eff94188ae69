"""Closed forms of the storyline screen's travel speed and date runs.

Reads lines from stdin, each answered by one line on stdout:
  rate BASE HOURS PREVIOUS NEXT FORWARD  (PREVIOUS/NEXT "-" when missing,
                                          FORWARD 1 or 0)
      -> the travel speed in hours per millisecond (repr of the float)
  jump A B T
      -> the hour count shown T milliseconds into a 2.4 s date run from
         hour count A to B (forwards past B by 1800 hours and back,
         backwards easing out), truncated toward zero as the date sink
         takes it.
"""
import math
import sys


def rate(base, h, previous, following, forward):
    prev = h if previous is None else previous
    nxt = h if following is None else following
    gap = nxt - prev
    if previous is None or following is None:
        pos = gap / 2
    else:
        pos = (h - prev) if forward else (nxt - h)
    d = base * 2000
    if d < gap and 0.2 * d < pos < gap - 0.2 * d:
        return base + ((gap - 0.4 * d) / 1200 - base) * (1 - math.cos(6.283 * (pos - 0.2 * d) / (gap - 0.4 * d)))
    return base


def jump(a, b, t):
    if a < b:
        peak = b + 1800
        if t >= 2400:
            value = b
        elif t < 1600:
            dd = peak - a
            value = -dd / 1600 ** 2 * t * t + 2 * dd / 1600 * t + a
        else:
            angle = math.pi / 2 + (t - 1600) * math.pi / 800
            value = peak - (1 - math.sin(angle)) * (peak - b) / 2
    else:
        v = 2400 - t  # the timer counts down
        if v <= 0:
            value = b
        elif v >= 2400:
            value = a
        else:
            dd = a - b
            value = b + 2 * dd / 2400 * v - dd / 2400 ** 2 * v * v
    return math.trunc(value)


def main():
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "rate":
            base, h = float(words[1]), float(words[2])
            previous = None if words[3] == "-" else float(words[3])
            following = None if words[4] == "-" else float(words[4])
            print(repr(rate(base, h, previous, following, words[5] == "1")))
        elif words[0] == "jump":
            print(jump(float(words[1]), float(words[2]), float(words[3])))


if __name__ == "__main__":
    main()
