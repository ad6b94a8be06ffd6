#!/usr/bin/env python3
"""Draws every image of the language folders into one shared set.

Usage: tools/make_icons.py [output folder]   (default: Languages/common/images)

All pictures are drawn on a 100 x 100 canvas from a few glyph helpers, so that the command tiles,
top menu, editor controls and gadgets look like one family. A stem gets three files: "_off" (resting
look: blue with a white glyph), "_on" (highlighted: orange with a white ring) and "_disable"
(greyed out). The build copies the set into every language folder.
"""
import math
import os
import sys

WHITE = "#ffffff"

TILE_STATES = {
    "off": dict(top="#4fc3f7", bottom="#0277bd", glyph=WHITE, ring=None),
    "on": dict(top="#ffd54f", bottom="#f57c00", glyph=WHITE, ring="#fff8e1"),
    "disable": dict(top="#cfd8dc", bottom="#90a4ae", glyph="#eceff1", ring=None),
}

# Round buttons carry a black caption on top, so they stay light.
ROUND_STATES = {
    "off": dict(fill="#e1f5fe", ring="#0288d1"),
    "on": dict(fill="#fff59d", ring="#f57f17"),
    "disable": dict(fill="#eeeeee", ring="#bdbdbd"),
}


def svg(body, size=(100, 100)):
    w, h = size
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        f'width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n{body}\n</svg>\n'
    )


def gradient(gid, top, bottom):
    return (
        f'<defs><linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
        "</linearGradient></defs>"
    )


def stroke(color, width=8, fill="none"):
    return (f'fill="{fill}" stroke="{color}" stroke-width="{width}" '
            'stroke-linecap="round" stroke-linejoin="round"')


# ---- glyphs: functions of a colour returning SVG drawn on the 100 x 100 canvas -----------------

def arrow(angle):
    def draw(c):
        return (f'<g transform="rotate({angle} 50 50)">'
                f'<path d="M50 78 L50 30" {stroke(c, 11)}/>'
                f'<path d="M28 46 L50 22 L72 46" {stroke(c, 11)}/></g>')
    return draw


def turn(clockwise):
    def draw(c):
        # Open circle with a head at its end.
        if clockwise:
            arc = "M30 68 A26 26 0 1 1 72 64"
            head = "M58 60 L73 66 L78 50"
        else:
            arc = "M70 68 A26 26 0 1 0 28 64"
            head = "M42 60 L27 66 L22 50"
        return f'<path d="{arc}" {stroke(c, 10)}/><path d="{head}" {stroke(c, 9)}/>'
    return draw


def octagon(cx, cy, r, c, fill=None):
    pts = []
    for i in range(8):
        a = math.radians(22.5 + 45 * i)
        pts.append(f"{cx + r * math.cos(a):.1f},{cy + r * math.sin(a):.1f}")
    f = fill if fill else "none"
    return f'<polygon points="{" ".join(pts)}" {stroke(c, 7, f)}/>'


def glyph_stop(c):
    return octagon(50, 50, 30, c) + f'<path d="M36 50 L64 50" {stroke(c, 10)}/>'


def motor_body(c, dx=0, dy=0, scale=1.0):
    return (f'<g transform="translate({dx} {dy}) scale({scale})">'
            f'<rect x="14" y="30" width="48" height="40" rx="8" {stroke(c, 7)}/>'
            f'<path d="M26 30 L26 70 M62 50 L84 50" {stroke(c, 7)}/>'
            f'<path d="M74 34 A16 16 0 0 1 74 66" {stroke(c, 5)}/>'
            f'<path d="M66 62 L74 67 L70 75" {stroke(c, 5)}/></g>')


def glyph_motor(c):
    return motor_body(c)


def glyph_motor_stop(c):
    return motor_body(c, 0, -8, 0.8) + octagon(70, 72, 16, c) + \
        f'<path d="M62 72 L78 72" {stroke(c, 6)}/>'


def glyph_servo(c):
    return (f'<rect x="20" y="42" width="60" height="36" rx="5" {stroke(c, 7)}/>'
            f'<circle cx="38" cy="42" r="7" fill="{c}"/>'
            f'<path d="M38 42 L66 18" {stroke(c, 9)}/>'
            f'<path d="M20 28 A26 26 0 0 1 40 14" {stroke(c, 5)}/>')


def glyph_bulb(c):
    return (f'<path d="M38 64 C38 54 28 50 28 38 A22 22 0 0 1 72 38 C72 50 62 54 62 64 Z" {stroke(c, 7)}/>'
            f'<path d="M40 74 L60 74 M43 84 L57 84" {stroke(c, 7)}/>'
            f'<path d="M50 6 L50 10 M14 38 L18 38 M82 38 L86 38 M24 14 L27 17 M76 14 L73 17" {stroke(c, 5)}/>')


def glyph_grid(c):
    parts = []
    for r in range(4):
        for k in range(4):
            lit = (r, k) in {(0, 0), (0, 3), (1, 1), (1, 2), (2, 1), (2, 2), (3, 0), (3, 3)}
            x, y = 21 + k * 16, 21 + r * 16
            fill = c if lit else "none"
            parts.append(f'<rect x="{x}" y="{y}" width="11" height="11" rx="3" {stroke(c, 3, fill)}/>')
    return "".join(parts)


def note(c, cx=44, cy=70, filled=True, stem=True, flags=0, dot=False):
    fill = c if filled else "none"
    s = f'<ellipse cx="{cx}" cy="{cy}" rx="12" ry="9" transform="rotate(-20 {cx} {cy})" {stroke(c, 5, fill)}/>'
    if stem:
        s += f'<path d="M{cx + 11} {cy - 3} L{cx + 11} {cy - 52}" {stroke(c, 6)}/>'
    for i in range(flags):
        y = cy - 52 + i * 13
        s += f'<path d="M{cx + 11} {y} C{cx + 26} {y + 6} {cx + 28} {y + 14} {cx + 22} {y + 24}" {stroke(c, 5)}/>'
    if dot:
        s += f'<circle cx="{cx + 24}" cy="{cy + 2}" r="5" fill="{c}"/>'
    return s


def glyph_note(c):
    return note(c, 42, 70, True, True, 1)


def glyph_keyboard(c):
    s = f'<rect x="14" y="26" width="72" height="50" rx="5" {stroke(c, 6)}/>'
    for x in (32, 50, 68):
        s += f'<path d="M{x} 50 L{x} 76" {stroke(c, 4)}/>'
    for x in (26, 44, 62, 74):
        s += f'<rect x="{x - 1}" y="26" width="8" height="26" rx="1" fill="{c}"/>'
    return s


def glyph_hourglass(c):
    return (f'<path d="M28 16 L72 16 M28 84 L72 84" {stroke(c, 8)}/>'
            f'<path d="M32 16 C32 40 50 42 50 50 C50 58 32 60 32 84 M68 16 C68 40 50 42 50 50 C50 58 68 60 68 84" {stroke(c, 6)}/>'
            f'<path d="M40 76 L60 76 L50 64 Z" fill="{c}"/>')


def glyph_loop(marker):
    def draw(c):
        s = (f'<path d="M24 44 A26 26 0 0 1 72 34" {stroke(c, 8)}/>'
             f'<path d="M62 30 L74 36 L78 22" {stroke(c, 7)}/>'
             f'<path d="M76 56 A26 26 0 0 1 28 66" {stroke(c, 8)}/>'
             f'<path d="M38 70 L26 64 L22 78" {stroke(c, 7)}/>')
        if marker == "start":
            s += f'<path d="M43 40 L61 50 L43 60 Z" fill="{c}"/>'
        else:
            s += f'<rect x="41" y="41" width="18" height="18" rx="2" fill="{c}"/>'
        return s
    return draw


def glyph_call(c):
    return (f'<rect x="46" y="24" width="38" height="52" rx="6" {stroke(c, 7)}/>'
            f'<path d="M56 40 L74 40 M56 52 L74 52 M56 64 L68 64" {stroke(c, 5)}/>'
            f'<path d="M14 70 L14 50 A10 10 0 0 1 24 40 L38 40" {stroke(c, 8)}/>'
            f'<path d="M30 30 L40 40 L30 50" {stroke(c, 8)}/>')


def chip(c):
    s = f'<rect x="30" y="46" width="40" height="32" rx="4" {stroke(c, 6)}/>'
    for x in (38, 50, 62):
        s += f'<path d="M{x} 78 L{x} 88" {stroke(c, 5)}/>'
    return s


def glyph_i2c(c):
    # A small board on a two-wire bus.
    s = f'<rect x="30" y="18" width="40" height="32" rx="4" {stroke(c, 6)}/>'
    for x in (40, 60):
        s += f'<path d="M{x} 50 L{x} 76" {stroke(c, 5)}/><circle cx="{x}" cy="76" r="5" fill="{c}"/>'
    return s + f'<path d="M16 76 L84 76 M16 86 L84 86" {stroke(c, 4)}/>'


def glyph_write(c):
    return chip(c) + f'<path d="M50 10 L50 38" {stroke(c, 8)}/><path d="M38 28 L50 40 L62 28" {stroke(c, 8)}/>'


def glyph_read(c):
    return chip(c) + f'<path d="M50 40 L50 12" {stroke(c, 8)}/><path d="M38 22 L50 10 L62 22" {stroke(c, 8)}/>'


def glyph_restart(c):
    return (f'<path d="M74 40 A26 26 0 1 0 76 58" {stroke(c, 9)}/>'
            f'<path d="M78 22 L76 42 L57 38" {stroke(c, 8)}/>')


def glyph_play(c):
    return f'<path d="M36 24 L76 50 L36 76 Z" {stroke(c, 7, c)}/>'


def glyph_runonrobot(c):
    # The write's chip, smaller and to the left, and the start's triangle beside it.
    small_chip = f'<g transform="translate(-6 8) scale(0.72)">{chip(c)}</g>'
    into = f'<path d="M30 14 L30 40" {stroke(c, 7)}/><path d="M20 31 L30 41 L40 31" {stroke(c, 7)}/>'
    return small_chip + into + f'<path d="M58 32 L86 52 L58 72 Z" {stroke(c, 6, c)}/>'


def glyph_square(c):
    return f'<rect x="28" y="28" width="44" height="44" rx="5" {stroke(c, 6, c)}/>'


def glyph_step(c):
    return f'<path d="M28 26 L62 50 L28 74 Z" {stroke(c, 7, c)}/><path d="M74 26 L74 74" {stroke(c, 9)}/>'


def glyph_gear(c):
    s = ""
    for i in range(8):
        a = 45 * i
        s += f'<rect x="44" y="12" width="12" height="16" rx="2" fill="{c}" transform="rotate({a} 50 50)"/>'
    return s + f'<circle cx="50" cy="50" r="24" {stroke(c, 9)}/><circle cx="50" cy="50" r="7" fill="{c}"/>'


def glyph_globe(c):
    return (f'<circle cx="50" cy="50" r="32" {stroke(c, 6)}/>'
            f'<ellipse cx="50" cy="50" rx="14" ry="32" {stroke(c, 5)}/>'
            f'<path d="M18 50 L82 50 M24 34 L76 34 M24 66 L76 66" {stroke(c, 5)}/>')


def glyph_trash(c):
    return (f'<path d="M22 30 L78 30 M40 30 L42 20 L58 20 L60 30" {stroke(c, 7)}/>'
            f'<path d="M28 30 L32 82 L68 82 L72 30" {stroke(c, 7)}/>'
            f'<path d="M42 42 L43 70 M58 42 L57 70" {stroke(c, 6)}/>')


def glyph_folder(c):
    return (f'<path d="M14 76 L14 26 L38 26 L46 34 L80 34 L80 44" {stroke(c, 7)}/>'
            f'<path d="M14 76 L26 46 L90 46 L78 76 Z" {stroke(c, 7, c)}/>')


def glyph_floppy(c):
    return (f'<path d="M20 20 L70 20 L82 32 L82 80 L20 80 Z" {stroke(c, 7)}/>'
            f'<rect x="34" y="22" width="28" height="18" {stroke(c, 5)}/>'
            f'<rect x="32" y="54" width="38" height="24" rx="2" fill="{c}"/>')


def glyph_cross(c):
    return f'<path d="M28 28 L72 72 M72 28 L28 72" {stroke(c, 12)}/>'


def glyph_undo(redo):
    def draw(c):
        # A hooked arrow turning back (undo) or on (redo, mirrored).
        flip = ' transform="translate(100 0) scale(-1 1)"' if redo else ""
        return (f'<g{flip}><path d="M30 44 L66 44 A18 18 0 0 1 66 80 L44 80" {stroke(c, 9)}/>'
                f'<path d="M44 28 L28 44 L44 60" {stroke(c, 9)}/></g>')
    return draw


def glyph_more(c):
    return "".join(f'<circle cx="{x}" cy="50" r="8" fill="{c}"/>' for x in (26, 50, 74))


def glyph_robot(c):
    return (f'<circle cx="50" cy="52" r="24" {stroke(c, 7)}/>'
            f'<rect x="18" y="38" width="9" height="28" rx="3" fill="{c}"/>'
            f'<rect x="73" y="38" width="9" height="28" rx="3" fill="{c}"/>'
            f'<path d="M50 62 L50 38 M40 46 L50 36 L60 46" {stroke(c, 6)}/>')


def glyph_class(c):
    # Three small robots side by side, the middle one in front: a class of them.
    def robot(cx, cy, r, width):
        return (f'<circle cx="{cx}" cy="{cy}" r="{r}" {stroke(c, width)}/>'
                f'<rect x="{cx - r - 6}" y="{cy - r * 0.6:.1f}" width="5" height="{r * 1.2:.1f}" rx="2" fill="{c}"/>'
                f'<rect x="{cx + r + 1}" y="{cy - r * 0.6:.1f}" width="5" height="{r * 1.2:.1f}" rx="2" fill="{c}"/>'
                f'<circle cx="{cx}" cy="{cy - r * 0.35:.1f}" r="{max(2, r // 4)}" fill="{c}"/>')
    return robot(25, 33, 10, 5) + robot(75, 33, 10, 5) + robot(50, 64, 14, 6)


def glyph_chart(c):
    return (f'<path d="M20 20 L20 80 L82 80" {stroke(c, 7)}/>'
            f'<path d="M26 66 L40 42 L52 56 L64 30 L78 44" {stroke(c, 7)}/>'
            f'<path d="M26 50 L82 50" {stroke(c, 4)} stroke-dasharray="6 7"/>')


def glyph_tabs(c):
    return (f'<path d="M18 36 L18 24 L44 24 L48 36" {stroke(c, 6)}/>'
            f'<path d="M50 36 L54 24 L80 24 L82 36" {stroke(c, 5)} stroke-opacity="0.6"/>'
            f'<rect x="18" y="36" width="64" height="42" rx="4" {stroke(c, 7)}/>')


def glyph_book(c):
    # An open book: two pages on a spine.
    return (f'<path d="M50 30 C40 22 26 22 16 26 L16 76 C26 72 40 72 50 80 Z" {stroke(c, 6)}/>'
            f'<path d="M50 30 C60 22 74 22 84 26 L84 76 C74 72 60 72 50 80 Z" {stroke(c, 6)}/>'
            f'<path d="M26 40 L40 42 M26 52 L40 54 M60 42 L74 40 M60 54 L74 52" {stroke(c, 4)}/>')


def glyph_fullscreen(c):
    # Four corners pointing outwards.
    return (f'<path d="M20 38 L20 20 L38 20 M62 20 L80 20 L80 38 M80 62 L80 80 L62 80 '
            f'M38 80 L20 80 L20 62" {stroke(c, 8)}/>'
            f'<rect x="36" y="36" width="28" height="28" rx="3" {stroke(c, 5)}/>')


def glyph_pause(c):
    return f'<path d="M38 28 L38 72 M62 28 L62 72" {stroke(c, 13)}/>'


def glyph_text_symbol(kind):
    def draw(c):
        if kind == "equal":
            return f'<path d="M26 40 L74 40 M26 60 L74 60" {stroke(c, 10)}/>'
        if kind == "unequal":
            return f'<path d="M26 40 L74 40 M26 60 L74 60 M62 22 L38 78" {stroke(c, 9)}/>'
        if kind == "smaller":
            return f'<path d="M70 24 L30 50 L70 76" {stroke(c, 10)}/>'
        if kind == "bigger":
            return f'<path d="M30 24 L70 50 L30 76" {stroke(c, 10)}/>'
        if kind == "inside":
            return (f'<path d="M26 24 L26 76 M74 24 L74 76" {stroke(c, 9)}/>'
                    f'<circle cx="50" cy="50" r="10" fill="{c}"/>')
        # outside
        return (f'<path d="M38 24 L38 76 M62 24 L62 76" {stroke(c, 9)}/>'
                f'<circle cx="18" cy="50" r="8" fill="{c}"/><circle cx="82" cy="50" r="8" fill="{c}"/>')
    return draw


def glyph_brake(c):
    return (f'<circle cx="50" cy="50" r="18" {stroke(c, 7)}/>'
            f'<path d="M24 30 A32 32 0 0 0 24 70 M76 30 A32 32 0 0 1 76 70" {stroke(c, 9)}/>')


def glyph_stopwatch(c):
    return (f'<circle cx="50" cy="56" r="28" {stroke(c, 7)}/>'
            f'<path d="M42 16 L58 16 M50 16 L50 28 M50 56 L50 40 M50 56 L62 64" {stroke(c, 7)}/>')


def glyph_minus(c):
    return f'<path d="M26 50 L74 50" {stroke(c, 14)}/>'


def glyph_plus(c):
    return f'<path d="M26 50 L74 50 M50 26 L50 74" {stroke(c, 14)}/>'


BEATS = {
    70: dict(filled=False, stem=False, flags=0, dot=False),
    71: dict(filled=False, stem=True, flags=0, dot=False),
    72: dict(filled=True, stem=True, flags=0, dot=False),
    73: dict(filled=True, stem=True, flags=1, dot=False),
    74: dict(filled=True, stem=True, flags=2, dot=False),
    75: dict(filled=False, stem=True, flags=0, dot=True),
    76: dict(filled=True, stem=True, flags=0, dot=True),
    77: dict(filled=True, stem=True, flags=1, dot=True),
}


def glyph_beat(n):
    def draw(c):
        return note(c, 40, 72, **BEATS[n])
    return draw


# ---- framing ---------------------------------------------------------------------------------

def tile(stem, glyph, out):
    for state, st in TILE_STATES.items():
        gid = f"g_{stem}_{state}"
        body = gradient(gid, st["top"], st["bottom"])
        body += f'<rect x="4" y="4" width="92" height="92" rx="22" fill="url(#{gid})"/>'
        if st["ring"]:
            body += f'<rect x="7" y="7" width="86" height="86" rx="19" fill="none" stroke="{st["ring"]}" stroke-width="5"/>'
        body += glyph(st["glyph"])
        write(out, f"{stem}_{state}.svg", svg(body))


def disc(stem, glyph, out):
    for state, st in TILE_STATES.items():
        gid = f"g_{stem}_{state}"
        body = gradient(gid, st["top"], st["bottom"])
        body += f'<circle cx="50" cy="50" r="46" fill="url(#{gid})"/>'
        if st["ring"]:
            body += f'<circle cx="50" cy="50" r="42" fill="none" stroke="{st["ring"]}" stroke-width="5"/>'
        body += f'<g transform="translate(10 10) scale(0.8)">{glyph(st["glyph"])}</g>'
        write(out, f"{stem}_{state}.svg", svg(body))


def round_button(stem, out, accent=None):
    for state, st in ROUND_STATES.items():
        ring = accent if (accent and state == "off") else st["ring"]
        body = (f'<circle cx="50" cy="50" r="44" fill="{st["fill"]}" stroke="{ring}" stroke-width="8"/>'
                f'<ellipse cx="50" cy="32" rx="26" ry="10" fill="#ffffff" fill-opacity="0.6"/>')
        write(out, f"{stem}_{state}.svg", svg(body))


def gadget(name, glyph, out):
    body = (f'<rect x="4" y="4" width="92" height="92" rx="18" fill="#ffffff" stroke="#0277bd" stroke-width="5"/>'
            + glyph("#0277bd"))
    write(out, name, svg(body))


def write(out, name, text):
    with open(os.path.join(out, name), "w", encoding="utf-8") as f:
        f.write(text)


# ---- single pictures -------------------------------------------------------------------------

def condition_icon(kind):
    c = "#2e7d32"
    body = f'<rect x="4" y="4" width="92" height="92" rx="18" fill="#ffffff" stroke="{c}" stroke-width="5"/>'

    def diamond(cx, cy, r):
        return f'<path d="M{cx} {cy - r} L{cx + r} {cy} L{cx} {cy + r} L{cx - r} {cy} Z" {stroke(c, 6)}/>'

    def tally(x0, y0):
        return f'<path d="M{x0} {y0} L{x0} {y0 + 30} M{x0 + 10} {y0} L{x0 + 10} {y0 + 30} M{x0 + 20} {y0} L{x0 + 20} {y0 + 30} M{x0 - 5} {y0 + 22} L{x0 + 25} {y0 + 8}" {stroke(c, 5)}/>'

    if kind == "always":
        body += f'<path d="M26 52 L44 70 L76 32" {stroke(c, 11)}/>'
    elif kind == "single":
        body += diamond(50, 50, 26) + f'<circle cx="50" cy="50" r="6" fill="{c}"/>'
    elif kind == "dual":
        body += diamond(32, 50, 18) + diamond(68, 50, 18)
    elif kind == "counter":
        body += tally(40, 35)
    else:
        body += diamond(30, 50, 18) + tally(58, 35)
    return svg(body)


def picture_bit(state):
    if state == "set":
        body = ('<defs><radialGradient id="lit" cx="0.4" cy="0.35" r="0.65">'
                '<stop offset="0" stop-color="#ffcdd2"/><stop offset="0.5" stop-color="#f44336"/>'
                '<stop offset="1" stop-color="#b71c1c"/></radialGradient></defs>'
                '<circle cx="50" cy="50" r="40" fill="url(#lit)" stroke="#ffffff" stroke-width="4"/>')
    elif state == "reset":
        body = '<circle cx="50" cy="50" r="40" fill="#37474f" stroke="#90a4ae" stroke-width="4"/>'
    else:
        body = '<circle cx="50" cy="50" r="40" fill="#cfd8dc" stroke="#eceff1" stroke-width="4"/>'
    return svg(body)


def scroll_handle():
    body = ('<rect x="6" y="6" width="88" height="88" rx="20" fill="#4fc3f7" stroke="#e1f5fe" stroke-width="6"/>'
            '<path d="M30 38 L70 38 M30 50 L70 50 M30 62 L70 62" fill="none" stroke="#01579b" stroke-width="6" stroke-linecap="round"/>')
    return svg(body)


# Board picture: 1000 x 700 units; digital header on the left, analog header on the right. The pin
# positions in base.json ("PosX", "PosY") point just beside these holes.
def board():
    parts = [
        '<rect x="10" y="10" width="980" height="680" rx="40" fill="#00695c" stroke="#004d40" stroke-width="8"/>',
        '<rect x="30" y="30" width="940" height="640" rx="28" fill="none" stroke="#4db6ac" stroke-width="3" stroke-dasharray="12 10"/>',
        # controller chip
        '<rect x="400" y="250" width="200" height="200" rx="10" fill="#263238"/>',
        '<circle cx="425" cy="275" r="8" fill="#546e7a"/>',
        # USB socket and power jack
        '<rect x="440" y="10" width="120" height="70" rx="6" fill="#b0bec5" stroke="#78909c" stroke-width="4"/>',
        '<rect x="460" y="620" width="80" height="70" rx="8" fill="#212121"/>',
        # Bluetooth module
        '<rect x="640" y="100" width="120" height="70" rx="6" fill="#1565c0"/>',
        '<path d="M690 115 L715 135 L700 150 L700 120 L715 135 L690 155" fill="none" stroke="#ffffff" stroke-width="5" stroke-linejoin="round"/>',
        # status LEDs
        '<circle cx="300" cy="120" r="12" fill="#ffeb3b"/><circle cx="340" cy="120" r="12" fill="#f44336"/>',
    ]
    # chip legs
    for i in range(8):
        y = 268 + i * 22
        parts.append(f'<rect x="384" y="{y}" width="16" height="8" fill="#b0bec5"/>')
        parts.append(f'<rect x="600" y="{y}" width="16" height="8" fill="#b0bec5"/>')
    # digital header: D2..D13
    parts.append('<rect x="40" y="70" width="40" height="560" rx="6" fill="#212121"/>')
    for i in range(12):
        y = 95 + i * 46
        parts.append(f'<rect x="50" y="{y - 10}" width="20" height="20" rx="3" fill="#ffd54f"/>')
    # analog header: A0..A5
    parts.append('<rect x="920" y="190" width="40" height="320" rx="6" fill="#212121"/>')
    for i in range(6):
        y = 215 + i * 54
        parts.append(f'<rect x="930" y="{y - 10}" width="20" height="20" rx="3" fill="#ffd54f"/>')
    return svg("\n".join(parts), (1000, 700))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "Languages", "common", "images")
    os.makedirs(out, exist_ok=True)

    # Command tiles.
    tiles = {
        "cmd_fwd": arrow(0), "cmd_backward": arrow(180),
        "cmd_left": arrow(-45), "cmd_right": arrow(45),
        "cmd_bckleft": arrow(-135), "cmd_bckright": arrow(135),
        "cmd_turnleft": turn(False), "cmd_turnright": turn(True),
        "cmd_stop": glyph_stop, "cmd_motor": glyph_motor, "cmd_motorstop": glyph_motor_stop,
        "cmd_servo": glyph_servo, "cmd_led": glyph_bulb, "cmd_matrix": glyph_grid,
        "cmd_sound": glyph_note, "cmd_music": glyph_keyboard, "cmd_pause": glyph_hourglass,
        "cmd_cyclestart": glyph_loop("start"), "cmd_cycleend": glyph_loop("end"),
        "cmd_call": glyph_call,
        # Top menu.
        "top_write": glyph_write, "top_read": glyph_read, "top_restart": glyph_restart,
        "top_start": glyph_play, "top_runonrobot": glyph_runonrobot, "top_stop": glyph_square, "top_step": glyph_step,
        "top_settings": glyph_gear, "top_language": glyph_globe, "top_clear": glyph_trash,
        "top_readfile": glyph_folder, "top_savefile": glyph_floppy, "top_close": glyph_cross,
        # Top menu: the history, and the button for what the row has no room for.
        "top_undo": glyph_undo(False), "top_redo": glyph_undo(True), "top_more": glyph_more,
        "top_lessons": glyph_book, "top_class": glyph_class,
        # Side panel bar.
        "panel_robot": glyph_robot, "panel_sensors": glyph_chart, "panel_tabs": glyph_tabs,
        "panel_fullscreen": glyph_fullscreen,
        # Sensor chart.
        "panel_pause": glyph_pause, "panel_resume": glyph_play, "panel_clear": glyph_trash,
        "panel_save": glyph_floppy,
    }
    for stem, glyph in tiles.items():
        tile(stem, glyph, out)

    # Editor toggles.
    discs = {
        "equal": glyph_text_symbol("equal"), "unequal": glyph_text_symbol("unequal"),
        "smaller": glyph_text_symbol("smaller"), "bigger": glyph_text_symbol("bigger"),
        "inside": glyph_text_symbol("inside"), "outside": glyph_text_symbol("outside"),
        "prop_brake": glyph_brake, "prop_led": glyph_bulb, "prop_servo": glyph_servo,
        "prop_clock": turn(True), "prop_anticlock": turn(False), "prop_timer": glyph_stopwatch,
        "decrease": glyph_minus, "increase": glyph_plus,
    }
    for n in BEATS:
        discs[f"pianobeat{n}"] = glyph_beat(n)
    for stem, glyph in discs.items():
        disc(stem, glyph, out)

    # Round buttons with captions.
    round_button("digibutton", out)
    round_button("andorbutton", out)
    round_button("btnrun", out, "#43a047")
    round_button("btn_configok", out, "#43a047")
    round_button("btn_configexit", out, "#e53935")
    round_button("pianopause", out)
    round_button("pianodelete", out, "#e53935")

    # Gadgets.
    def sensor_eyes(c):
        return (f'<rect x="18" y="30" width="64" height="28" rx="6" {stroke(c, 6)}/>'
                f'<circle cx="36" cy="44" r="7" fill="{c}"/><circle cx="64" cy="44" r="7" fill="{c}"/>')

    gadgets = {
        "gadget_button.svg": lambda c: (f'<rect x="20" y="52" width="60" height="26" rx="4" {stroke(c, 6)}/>'
                                        f'<rect x="34" y="30" width="32" height="22" rx="8" {stroke(c, 6, c)}/>'),
        "gadget_touch.svg": lambda c: (f'<circle cx="50" cy="56" r="10" fill="{c}"/>'
                                       f'<path d="M30 42 A24 24 0 0 1 70 42 M20 32 A38 38 0 0 1 80 32" {stroke(c, 6)}/>'),
        "gadget_line.svg": lambda c: sensor_eyes(c) + f'<path d="M16 78 L84 78" {stroke(c, 10)}/>',
        "gadget_light.svg": lambda c: (f'<circle cx="50" cy="50" r="14" fill="{c}"/>' +
                                       "".join(f'<path d="M50 18 L50 28" {stroke(c, 6)} transform="rotate({a} 50 50)"/>'
                                               for a in range(0, 360, 45))),
        "gadget_distance.svg": lambda c: sensor_eyes(c) + f'<path d="M30 72 A30 12 0 0 0 70 72 M22 84 A40 14 0 0 0 78 84" {stroke(c, 5)}/>',
        "gadget_sound.svg": lambda c: (f'<rect x="38" y="16" width="24" height="40" rx="12" {stroke(c, 6, c)}/>'
                                       f'<path d="M28 46 A22 22 0 0 0 72 46 M50 68 L50 82 M38 82 L62 82" {stroke(c, 6)}/>'),
        "gadget_knob.svg": lambda c: (f'<circle cx="50" cy="52" r="28" {stroke(c, 7)}/>'
                                      f'<path d="M50 52 L66 34" {stroke(c, 8)}/>'),
        "gadget_motor.svg": glyph_motor,
        "gadget_servo.svg": glyph_servo,
        "gadget_led.svg": glyph_bulb,
        "gadget_matrix.svg": glyph_grid,
        "gadget_buzzer.svg": lambda c: (f'<path d="M20 40 L36 40 L56 22 L56 78 L36 60 L20 60 Z" {stroke(c, 6, c)}/>'
                                        f'<path d="M66 36 A18 18 0 0 1 66 64 M74 26 A30 30 0 0 1 74 74" {stroke(c, 6)}/>'),
        "gadget_i2c.svg": glyph_i2c,
    }
    for name, glyph in gadgets.items():
        gadget(name, glyph, out)

    for kind in ("always", "single", "dual", "counter", "cond_counter"):
        write(out, f"cond_{kind}.svg", condition_icon(kind))
    for state in ("set", "reset", "disable"):
        write(out, f"picture_bit_{state}.svg", picture_bit(state))
    write(out, "prop_scroll.svg", scroll_handle())
    write(out, "boardpic.svg", board())


if __name__ == "__main__":
    main()
