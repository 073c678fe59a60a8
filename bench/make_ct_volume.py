#!/usr/bin/env python3
"""Writes a dense CT-like test volume as ASCII numbers, z fastest.

    bench/make_ct_volume.py OUT [SIDE]      (SIDE defaults to 128)

A body cross-section extruded along z with some variation: air with a little
noise around an elliptic trunk of soft tissue (noisy, about 100), a fat rim,
two lungs, a spine and a ring of ribs (about 230). Deterministic: the noise
is an integer hash of the voxel index, so every run writes the same file.
"""
import sys


def noise(x, y, z):
    h = (x * 73856093) ^ (y * 19349663) ^ (z * 83492791)
    h = (h ^ (h >> 13)) * 1274126177 & 0xFFFFFFFF
    return ((h >> 8) & 0xFF) / 255.0 - 0.5


def value(n, x, y, z):
    c = (n - 1) / 2.0
    u, v, w = (x - c) / c, (y - c) / c, (z - c) / c
    trunk = (u / 0.9) ** 2 + (v / 0.65) ** 2 * (1.0 + 0.15 * w * w)
    if trunk > 1.0:
        return max(0, int(3 + 6 * noise(x, y, z)))
    level = 100.0
    if trunk > 0.8:
        level = 70.0  # fat under the skin
    for side in (-0.42, 0.42):
        if ((u - side) / 0.3) ** 2 + ((v + 0.05) / 0.4) ** 2 < 1.0:
            level = 15.0  # lungs
    spine = (u / 0.12) ** 2 + ((v - 0.45) / 0.12) ** 2
    if spine < 1.0:
        level = 230.0
    ring = (u / 0.8) ** 2 + (v / 0.57) ** 2
    if 0.86 < ring < 0.96 and int((w + 1.0) * 8) % 2 == 0:
        level = 220.0  # ribs, every other band along z
    return max(0, min(255, int(level + 24 * noise(x, y, z))))


def main():
    out = sys.argv[1]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else 128
    with open(out, "w") as f:
        for x in range(n):
            for y in range(n):
                f.write(" ".join(str(value(n, x, y, z)) for z in range(n)))
                f.write("\n")


if __name__ == "__main__":
    main()
