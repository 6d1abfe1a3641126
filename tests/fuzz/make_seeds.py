#!/usr/bin/env python3
"""Writes the starting inputs of the fuzz corpus: one well-formed session per class, so that the
fuzzer begins with every operation reached. Usage: make_seeds.py OUTDIR"""
import os
import sys

IDS = [124, 125, 126, 127, 133, 128, 129, 11134, 130, 131, 132, 11133, 11135, 11136, 11137, 11138]
KIND = {124: 2, 125: 2, 126: 2, 127: 2, 130: 1, 131: 1, 11135: 0, 11136: 0, 11138: 0}
CONVERTS = {133: (2, 2), 128: (2, 1), 129: (2, 0), 11134: (1, 2), 132: (1, 1), 11133: (1, 0), 11137: (0, 2)}


def arg(v):  # small argument, -10..73
    assert -10 <= v <= 73
    return [v + 10]


def ext(v):  # small extent, -8..71
    return [v + 8]


class Seed:
    def __init__(self):
        self.b = []
        self.surfaces = 0

    def op(self, code):
        self.b.append(code)

    def surface(self, kind, w, h, pad=0, perm=0, first=False):
        if not first:
            self.op(0)
        self.b += [kind, perm, w, h]
        self.b += [0, pad] if pad else [1]
        self.b += [200, 255, 7 + self.surfaces]  # owned, opacity, fill seed
        self.surfaces += 1
        return self.surfaces - 1

    def twin(self, base):
        self.op(0)
        self.b += [2, 5, 1, 1, 1, 0, base, 128]  # kind byte is replaced by the base's kind
        self.surfaces += 1
        return self.surfaces - 1

    def pick(self, i):
        n = self.surfaces
        s = 20
        while s % n != i:
            s += 1
        return [s]

    def create(self, cid):
        self.op(1)
        self.b += [IDS.index(cid), 1]


def session(cid):
    s = Seed()
    a = s.surface(KIND.get(cid, 2), 16, 12, first=True)
    b = s.surface(KIND.get(cid, 2), 10, 8, pad=5)
    s.create(cid)
    if cid in (124, 125):
        s.op(4); s.b += s.pick(a) + [0]
        s.op(9); s.b += [0, 0, 0, 0, 10, 20, 30, 40, 1, 0]
        for which, args in ((0, (3, 4, 0, 0)), (1, (-5, 2, 40, 0)), (2, (6, -3, 30, 0)), (3, (-2, -2, 9, 50))):
            s.op(10); s.b += [which] + sum((arg(v) for v in args), []) + [0]
        for which, (x, y, rx, ry) in ((0, (8, 6, 5, 0)), (1, (8, 6, 7, 3)), (2, (0, 0, 15, 11))):
            s.op(12); s.b += [which] + arg(x) + arg(y) + ext(rx) + ext(ry) + [0]
        s.op(6); s.b += arg(2) + arg(3) + arg(7) + arg(8) + [0]
        s.op(10); s.b += [0] + arg(2) + arg(3) + arg(0) + arg(0) + [0]
    elif cid in KIND:
        s.op(4); s.b += s.pick(a) + [0]
        s.op(7); s.b += s.pick(b) + [1, 100, 50, 0]
        s.op(13); s.b += sum((arg(v) for v in (-3, 1, 20, 20, 2, -1)), []) + [0]
        for rect in ((0, 0, 10, 8, 0, 0, 10, 8), (0, 0, 10, 8, 1, 1, 14, 11), (0, 0, 10, 8, 2, 2, 5, 4),
                     (0, 0, 1, 8, 0, 0, 16, 12), (0, 0, 10, 8, 0, 0, 10, 4)):
            s.op(15); s.b += sum((arg(v) for v in rect), []) + [0]
        s.op(6); s.b += arg(2) + arg(3) + arg(7) + arg(8) + [0]
        s.op(13); s.b += sum((arg(v) for v in (0, 0, 10, 8, 0, 0)), []) + [0]
        t = s.twin(a)
        s.op(7); s.b += s.pick(t) + [1, 100, 50, 0]
        s.op(13); s.b += sum((arg(v) for v in (0, 0, 10, 8, 3, 2)), []) + [0]
        s.op(20); s.b += [0]  # the next lock throws
        s.op(15); s.b += sum((arg(v) for v in (0, 0, 10, 8, 1, 1, 14, 11)), []) + [0]
    else:
        src, dst = CONVERTS[cid]
        x = s.surface(src, 6, 5)
        y = s.surface(dst, 6, 5)
        for perm in (0, 5, 23):
            s.op(17); s.b += s.pick(x) + s.pick(y) + [dst, perm, 0, 0]
        s.op(17); s.b += s.pick(x) + s.pick(y) + [dst, 200, ord('A'), ord('R'), ord('X'), ord('G'), 0, 0]
        s.op(17); s.b += s.pick(x) + s.pick(y) + [dst, 0, 1, 0]
        if src == dst:
            t = s.twin(x)
            s.op(17); s.b += s.pick(x) + s.pick(t) + [dst, 5, 0, 0]
        s.op(20); s.b += [1]  # the second lock throws
        s.op(17); s.b += s.pick(x) + s.pick(y) + [dst, 3, 0, 0]
    s.op(21); s.b += [3, 1, 1] + [0] * 64  # register, one entry refused an allocation
    s.op(22); s.b += [0, 1]
    s.op(3); s.b += [0]
    return bytes(s.b)


if __name__ == "__main__":
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for cid in IDS:
        with open(os.path.join(out, "seed-%d" % cid), "wb") as f:
            f.write(session(cid))
