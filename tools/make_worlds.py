#!/usr/bin/env python3
"""Draws the floor pictures of the shipped worlds (worlds/*/floor.png).

Run it after changing a drawing and commit the output. Grey PNGs are written with the standard
library only, so the build machine needs nothing beyond python3.
"""
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "worlds")


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def floor(width, height, mm_per_pixel, shade):
    """shade(x_mm, y_mm) -> 0..255, y counted up from the bottom edge."""
    rows = []
    for row in range(height):
        y = (height - row - 0.5) * mm_per_pixel
        rows.append([shade((column + 0.5) * mm_per_pixel, y) for column in range(width)])
    return rows


def edge(distance_mm, half_width_mm, soft_mm):
    """Black inside the line, white outside, a soft edge of soft_mm between."""
    t = (distance_mm - half_width_mm) / soft_mm + 0.5
    return int(round(255 * min(1.0, max(0.0, t))))


# The track: a stadium (two straights joined by half circles) drawn as a black line on white.
TRACK = dict(width=700, height=500, mm_per_pixel=2.0, cx=700.0, cy=500.0, straight=400.0,
             radius=250.0, line=30.0)


def track_distance(x, y, t=TRACK):
    dx = abs(x - t["cx"]) - t["straight"] / 2
    dy = y - t["cy"]
    if dx <= 0:
        return abs(abs(dy) - t["radius"])
    return abs(math.hypot(dx, dy) - t["radius"])


def track_shade(x, y):
    return edge(track_distance(x, y), TRACK["line"] / 2, TRACK["mm_per_pixel"])


# The arena: a light floor with a 100 mm grid; the walls themselves are in world.json and drawn
# dark here so that the picture alone shows them too.
ARENA = dict(width=500, height=400, mm_per_pixel=2.0)
ARENA_WALLS = [(20, 20, 980, 20), (980, 20, 980, 780), (980, 780, 20, 780), (20, 780, 20, 20),
               (350, 20, 350, 330), (650, 780, 650, 450), (20, 560, 200, 560)]


def segment_distance(x, y, x1, y1, x2, y2):
    dx, dy = x2 - x1, y2 - y1
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / length))
    return math.hypot(x - (x1 + t * dx), y - (y1 + t * dy))


def arena_shade(x, y):
    wall = min(segment_distance(x, y, *w) for w in ARENA_WALLS)
    if wall < 6:
        return 60
    grid = min(x % 100, 100 - x % 100, y % 100, 100 - y % 100)
    return 205 if grid < 1.5 else 235


# The playground: an open floor with a 100 mm grid and one black stop line across the way ahead.
PLAYGROUND = dict(width=1000, height=600, mm_per_pixel=2.0, line_x=900.0, line=60.0,
                  line_from=150.0, line_to=1050.0)


def grid_shade(x, y):
    grid = min(x % 100, 100 - x % 100, y % 100, 100 - y % 100)
    return 215 if grid < 1.5 else 240


def playground_shade(x, y, p=PLAYGROUND):
    if p["line_from"] <= y <= p["line_to"]:
        return min(grid_shade(x, y), edge(abs(x - p["line_x"] - p["line"] / 2), p["line"] / 2,
                                          p["mm_per_pixel"]))
    return grid_shade(x, y)


def box_walls(x1, y1, x2, y2):
    return [(x1, y1, x2, y1), (x2, y1, x2, y2), (x2, y2, x1, y2), (x1, y2, x1, y1)]


# The slalom: three poles in a row to weave round; world.json holds the same squares as walls.
SLALOM = dict(width=1000, height=500, mm_per_pixel=2.0)
SLALOM_POLES = [box_walls(cx - 20, 480, cx + 20, 520) for cx in (500, 1000, 1500)]


def walls_shade(walls, x, y, base):
    wall = min(segment_distance(x, y, *w) for w in walls)
    return 60 if wall < 6 else base(x, y)


def slalom_shade(x, y):
    return walls_shade([w for pole in SLALOM_POLES for w in pole], x, y, grid_shade)


# The obstacle course: a walled floor with a box in the robot's way.
OBSTACLE = dict(width=1000, height=600, mm_per_pixel=2.0)
OBSTACLE_WALLS = box_walls(20, 20, 1980, 1180) + box_walls(1000, 450, 1300, 750)


def obstacle_shade(x, y):
    return walls_shade(OBSTACLE_WALLS, x, y, grid_shade)


def draw(folder, spec, shade):
    write_png(os.path.join(ROOT, folder, "floor.png"), spec["width"], spec["height"],
              floor(spec["width"], spec["height"], spec["mm_per_pixel"], shade))


def main():
    t = TRACK
    write_png(os.path.join(ROOT, "01_track", "floor.png"), t["width"], t["height"],
              floor(t["width"], t["height"], t["mm_per_pixel"], track_shade))
    a = ARENA
    write_png(os.path.join(ROOT, "02_arena", "floor.png"), a["width"], a["height"],
              floor(a["width"], a["height"], a["mm_per_pixel"], arena_shade))
    draw("03_playground", PLAYGROUND, playground_shade)
    draw("04_slalom", SLALOM, slalom_shade)
    draw("05_obstacle", OBSTACLE, obstacle_shade)


if __name__ == "__main__":
    main()
