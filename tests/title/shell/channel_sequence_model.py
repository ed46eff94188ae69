#!/usr/bin/env python3
"""Reference model of a channel sequence's timing, written from the rules
alone, for ChannelSequenceTest (run at test time).

Reads commands from stdin, one per line, and prints one result line per
query:

  doc                      a new document (for the timing adjustment)
  ch                       a new channel in it
  it KIND S R U D          an item (picture or sound) in the last channel
  adjust                   adjusts the timing and prints "S R U D" per item
                           (channels in order, items in order), then "."
  show                     a new slide show: channel 0 with an empty sound
  ins I DUR KIND TD        insert picture I
  rm I                     remove picture I
  rmt I KIND D             remove picture I, transition I becomes (KIND, D)
  setfile I DUR            picture I takes a new sustain
  tr I KIND D              set transition I
  query                    prints "S R U D" per picture, then "KIND DURATION"
                           for every transition 0..count, then "."
"""
import sys

MAX_TIME = 24 * 60 * 60 * 1000
FADE_OUT = 50


def hold(v):
    return max(0, min(MAX_TIME, v))


class Item:
    def __init__(self, kind, s=0, r=0, u=0, d=0):
        self.kind, self.s, self.r, self.u, self.d = kind, hold(s), hold(r), hold(u), hold(d)

    def end(self):
        return self.s + self.r + self.u + self.d

    def line(self):
        return "%d %d %d %d" % (self.s, self.r, self.u, self.d)


def adjust(channels):
    items = [it for ch in channels for it in ch]
    if not items:
        return
    pics = [it for it in items if it.kind == "picture"]
    for a in pics:
        for b in pics:
            if a is not b and a.s < b.s <= a.end():
                a.u = hold(a.u + FADE_OUT + a.d)
                a.d = FADE_OUT
    m = items[0].end()
    for p in pics:
        m = min(m, p.s)
    for p in pics:
        if p.s == m:
            p.u = hold(p.u + p.s + p.r)
            p.s = 0
            p.r = 0
    last = max([p.end() for p in pics], default=0)
    duration = max([max([it.end() for it in ch], default=0) for ch in channels], default=0)
    for p in pics:
        if p.end() == last:
            p.u = hold(duration - p.s - p.r)
            p.d = 0


class Show:
    def __init__(self):
        self.pics = []
        self.final = (0, 0)

    def pic(self, i):
        return self.pics[i] if 0 <= i < len(self.pics) else None

    def shift(self, i, delta):
        for p in self.pics[max(i, 0):]:
            p.s = hold(p.s + delta)

    def set_transition(self, i, kind, d):
        if kind < 0 or kind > 4:
            kind = 0
        d = 0 if kind == 0 else hold(d)
        decay, rise = {0: (0, 0), 1: (0, d), 2: (d, 0), 3: (d // 2, d - d // 2), 4: (d, d)}[kind]
        prev, cur = self.pic(i - 1), self.pic(i)
        if prev:
            prev.d = decay
        if cur:
            old_end = cur.end()
            start = 0
            if prev:
                start = prev.end() - prev.d if kind == 4 else prev.end()
            cur.s = hold(start)
            cur.r = rise
            self.shift(i + 1, cur.end() - old_end)
        if i == len(self.pics):
            self.final = (kind, d)

    def kind(self, i):
        if i == len(self.pics):
            return self.final[0]
        prev, cur = self.pic(i - 1), self.pic(i)
        a = prev.d if prev else 0
        b = cur.r if cur else 0
        if a == 0 and b == 0:
            return 0
        if a == 0 and b > 0:
            return 1
        if a > 0 and b == 0:
            return 2
        if a > 0 and b > 0:
            return 4 if cur.s < prev.end() else 3
        return 0

    def duration(self, i):
        if i == len(self.pics):
            return self.final[1]
        prev, cur = self.pic(i - 1), self.pic(i)
        if not prev and not cur:
            return 0
        if not prev:
            return cur.r
        if not cur:
            return prev.d
        return (cur.s + cur.r) - (prev.s + prev.r + prev.u)

    def insert(self, i, dur, kind, td):
        i = max(0, min(i, len(self.pics)))
        saved = (self.kind(i), self.duration(i))
        self.set_transition(i, 0, 0)
        prev = self.pic(i - 1)
        p = Item("picture", prev.end() if prev else 0, 0, dur, 0)
        self.shift(i, p.u)
        self.pics.insert(i, p)
        self.set_transition(i, kind, td)
        self.set_transition(i + 1, *saved)

    def remove(self, i, given=None):
        if not self.pic(i):
            return
        saved = given if given is not None else (self.kind(i + 1), self.duration(i + 1))
        self.set_transition(i, 0, 0)
        self.set_transition(i + 1, 0, 0)
        p = self.pics[i]
        self.shift(i, -(p.r + p.u + p.d))
        del self.pics[i]
        self.set_transition(i, *saved)

    def set_file(self, i, dur):
        p = self.pic(i)
        if not p:
            return
        old = p.u
        p.u = hold(dur)
        self.shift(i + 1, p.u - old)


def main():
    channels, show = [], None
    out = []
    for raw in sys.stdin:
        w = raw.split()
        if not w:
            continue
        op, a = w[0], [int(x) for x in w[2 if op_is_item(w[0]) else 1:]]
        if op == "doc":
            channels = []
        elif op == "ch":
            channels.append([])
        elif op == "it":
            channels[-1].append(Item(w[1], *a))
        elif op == "adjust":
            adjust(channels)
            out += [it.line() for ch in channels for it in ch] + ["."]
        elif op == "show":
            show = Show()
        elif op == "ins":
            show.insert(*a)
        elif op == "rm":
            show.remove(a[0])
        elif op == "rmt":
            show.remove(a[0], (a[1], a[2]))
        elif op == "setfile":
            show.set_file(*a)
        elif op == "tr":
            show.set_transition(*a)
        elif op == "query":
            out += [p.line() for p in show.pics]
            out += ["%d %d" % (show.kind(i), show.duration(i)) for i in range(len(show.pics) + 1)] + ["."]
        else:
            raise SystemExit("unknown command " + op)
    print("\n".join(out))


def op_is_item(op):
    return op == "it"


if __name__ == "__main__":
    main()
