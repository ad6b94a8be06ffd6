#!/usr/bin/env python3
"""Says whether a PNG is a picture of the editor: as large as the window asked for, not blank,
and with the top menu drawn (its row of blue buttons along the top edge).
Usage: check_frame.py PICTURE.png MIN_WIDTH MIN_HEIGHT"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks.setdefault(kind, []).append(data[pos + 8:pos + 8 + length])
        pos += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][0][:10])
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or not channels:
        raise ValueError(f"colour type {colour} at {depth} bits is not read here")
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    stride, rows, previous = width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                nearest = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - corner), 2, corner))
                line[x] = (line[x] + nearest[2]) & 0xFF
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def main():
    path, min_width, min_height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    width, height, channels, rows = read_png(path)
    if width < min_width or height < min_height:
        sys.exit(f"{path}: {width}x{height}, smaller than {min_width}x{min_height}")
    colours = {row[x:x + 3] for row in rows[::8] for x in range(0, width * channels, 8 * channels)}
    if len(colours) < 50:
        sys.exit(f"{path}: only {len(colours)} colours, the window looks blank")
    # The top menu's buttons: a saturated blue in the band where their middles lie.
    band = rows[height * 3 // 100:height * 11 // 100]
    blue = sum(1 for row in band for x in range(0, width * channels, channels)
               if row[x + 2] > 180 and row[x] < 90 and 100 < row[x + 1] < 200)
    share = blue / (len(band) * width)
    if share < 0.05:
        sys.exit(f"{path}: the top menu is not drawn ({share:.1%} of its band is button blue)")
    print(f"{path}: {width}x{height}, {len(colours)} colours, top menu {share:.0%} button blue")


if __name__ == "__main__":
    main()
