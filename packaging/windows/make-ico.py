#!/usr/bin/env python3
"""Makes the Windows icon file (.ico) of the programs from the application's SVG picture: every
size Windows asks for, from the 16 px of a list view to the 256 px of a large tile, each rendered
by rsvg-convert (Debian package librsvg2-bin) and stored as PNG, as Windows Vista and later read
them.

    make-ico.py PICTURE.svg OUTPUT.ico [--rsvg-convert PROGRAM]
"""

import argparse
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

SIZES = (16, 20, 24, 32, 40, 48, 64, 96, 128, 256)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_size(data):
    """Width and height from a PNG's header chunk."""
    if data[:8] != PNG_SIGNATURE or data[12:16] != b"IHDR":
        raise ValueError("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def ico(pictures):
    """The ICO container of PNG pictures: a header, one directory entry each, then the data."""
    header = struct.pack("<HHH", 0, 1, len(pictures))
    entries = b""
    offset = len(header) + 16 * len(pictures)
    for data in pictures:
        width, height = png_size(data)
        if not (1 <= width <= 256 and 1 <= height <= 256):
            raise ValueError(f"a {width}x{height} picture does not fit an icon")
        # 256 is written as 0; 32 bits per pixel, no palette.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32,
                               len(data), offset)
        offset += len(data)
    return header + entries + b"".join(pictures)


def render(svg, size, rsvg_convert, folder):
    target = Path(folder) / f"{size}.png"
    subprocess.run([rsvg_convert, "-w", str(size), "-h", str(size), "-o", str(target), str(svg)],
                   check=True)
    data = target.read_bytes()
    if png_size(data) != (size, size):
        raise ValueError(f"{rsvg_convert} gave {png_size(data)} for {size} px")
    return data


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("svg", type=Path)
    parser.add_argument("output", type=Path)
    parser.add_argument("--rsvg-convert", default="rsvg-convert")
    args = parser.parse_args()
    try:
        with tempfile.TemporaryDirectory() as folder:
            pictures = [render(args.svg, size, args.rsvg_convert, folder) for size in SIZES]
    except (OSError, subprocess.CalledProcessError, ValueError) as error:
        sys.exit(f"make-ico: {error} (rsvg-convert: Debian package librsvg2-bin)")
    partial = args.output.with_name(args.output.name + ".part")
    partial.write_bytes(ico(pictures))
    partial.replace(args.output)


if __name__ == "__main__":
    main()
