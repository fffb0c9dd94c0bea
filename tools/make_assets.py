#!/usr/bin/env python3
"""Generates raidmon's delivered pictures under assets/: the status window's skins
(INI files and BMP faces and masks), the six indicator animations (GIF), the tray
icon (ICO), the logo (BMP) and the Monitor dialog's six tree node images (PNG).

Python 3 standard library only; every encoder (BMP, GIF with LZW, ICO, PNG) is here.
The output is deterministic: running it again gives the same bytes.

    python3 tools/make_assets.py [OUTPUT_DIR]      (default: assets/ beside tools/)
"""

import math
import os
import struct
import sys
import zlib

# ----------------------------------------------------------------------------- canvas


class Canvas:
    """RGBA pixels as floats 0..255 (alpha 0..1), rows from the top."""

    def __init__(self, w, h, colour=(0, 0, 0), alpha=1.0):
        self.w, self.h = w, h
        self.px = [[colour[0], colour[1], colour[2], alpha] for _ in range(w * h)]

    def get(self, x, y):
        return self.px[y * self.w + x]

    def inside(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h

    def blend(self, x, y, colour, a=1.0):
        if not self.inside(x, y) or a <= 0:
            return
        p = self.px[y * self.w + x]
        a = min(1.0, a)
        # "over" compositing on a possibly transparent pixel
        out_a = a + p[3] * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * p[3] * (1 - a)) / out_a
        p[3] = out_a

    def put(self, x, y, colour, a=1.0):
        if self.inside(x, y):
            self.px[y * self.w + x] = [colour[0], colour[1], colour[2], a]

    def fill(self, x0, y0, w, h, colour, a=1.0):
        for y in range(y0, y0 + h):
            for x in range(x0, x0 + w):
                self.blend(x, y, colour, a)

    def vgradient(self, x0, y0, w, h, top, bottom):
        for y in range(y0, y0 + h):
            t = (y - y0) / max(1, h - 1)
            c = mix(top, bottom, t)
            for x in range(x0, x0 + w):
                self.blend(x, y, c)

    def rgb(self, x, y):
        p = self.get(x, y)
        return tuple(clamp(round(v)) for v in p[:3])


def clamp(v, lo=0, hi=255):
    return max(lo, min(hi, int(v)))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def scale(c, f):
    return tuple(min(255.0, v * f) for v in c)


def noise(x, y, seed=0):
    """Deterministic value in [-1, 1] per pixel."""
    n = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 32767.5 - 1.0


def coverage(fn, x, y, n=4):
    """Share of the pixel (x, y) for which fn(px, py) is true, sampled n x n."""
    hit = 0
    for j in range(n):
        for i in range(n):
            if fn(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hit += 1
    return hit / (n * n)


def rounded_rect_fn(x0, y0, w, h, r):
    def inside(px, py):
        if px < x0 or py < y0 or px > x0 + w or py > y0 + h:
            return False
        cx = min(max(px, x0 + r), x0 + w - r)
        cy = min(max(py, y0 + r), y0 + h - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def brushed_panel(c, x0, y0, w, h, top, bottom, seed, grain=3.0):
    """Dark metal: a vertical gradient with horizontal brushing."""
    for y in range(y0, y0 + h):
        t = (y - y0) / max(1, h - 1)
        base = mix(top, bottom, t)
        row = noise(0, y, seed) * grain * 0.6
        for x in range(x0, x0 + w):
            streak = noise(x // 7, y, seed + 1) * grain * 0.5 + noise(x, y, seed + 2) * grain * 0.35
            c.put(x, y, tuple(v + row + streak for v in base))


def bevel(c, x0, y0, w, h, light, dark, width=1, strength=1.0):
    for k in range(width):
        a = strength * (1.0 - k / (width + 0.5))
        for x in range(x0 + k, x0 + w - k):
            c.blend(x, y0 + k, light, a)
            c.blend(x, y0 + h - 1 - k, dark, a)
        for y in range(y0 + k + 1, y0 + h - 1 - k):
            c.blend(x0 + k, y, light, a * 0.8)
            c.blend(x0 + w - 1 - k, y, dark, a * 0.8)


def hline_engraved(c, x0, x1, y, dark=(10, 11, 14), light=(112, 118, 130)):
    for x in range(x0, x1):
        c.blend(x, y, dark, 0.85)
        c.blend(x, y + 1, light, 0.45)


def vline_engraved(c, x, y0, y1, dark=(10, 11, 14), light=(112, 118, 130)):
    for y in range(y0, y1):
        c.blend(x, y, dark, 0.85)
        c.blend(x + 1, y, light, 0.4)


def disc(c, cx, cy, r, colour_fn, a=1.0):
    """Anti-aliased disc; colour_fn(dx, dy, d) gives the colour at offset from centre."""
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            cov = coverage(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r, x, y)
            if cov > 0:
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                c.blend(x, y, colour_fn(dx, dy, math.hypot(dx, dy)), a * cov)


def ring(c, cx, cy, r_out, r_in, colour_fn, a=1.0):
    for y in range(int(cy - r_out - 1), int(cy + r_out + 2)):
        for x in range(int(cx - r_out - 1), int(cx + r_out + 2)):
            cov = coverage(lambda px, py: r_in * r_in <= (px - cx) ** 2 + (py - cy) ** 2 <= r_out * r_out, x, y)
            if cov > 0:
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                c.blend(x, y, colour_fn(dx, dy, math.hypot(dx, dy)), a * cov)


# ----------------------------------------------------------------------------- pixel fonts

FONT5x7 = {
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'C': ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'G': ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    'H': ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'J': ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    'K': ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "10001", "11001", "10101", "10011", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "01010", "01010", "00100", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'Z': ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11111", "00010", "00100", "00010", "00001", "10001", "01110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    '+': ["00000", "00100", "00100", "11111", "00100", "00100", "00000"],
    '-': ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    '/': ["00001", "00001", "00010", "00100", "01000", "10000", "10000"],
    '.': ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    ' ': ["00000"] * 7,
}

FONT3x5 = {
    '1': ["010", "110", "010", "010", "111"],
    '2': ["110", "001", "010", "100", "111"],
    '3': ["110", "001", "010", "001", "110"],
    '4': ["101", "101", "111", "001", "001"],
    'S': ["011", "100", "010", "001", "110"],
    'M': ["101", "111", "111", "101", "101"],
    'R': ["110", "101", "110", "101", "101"],
    'J': ["001", "001", "001", "101", "010"],
}


def text_width(text, font=FONT5x7, s=1, spacing=1):
    gw = len(next(iter(font.values()))[0])
    return len(text) * (gw + spacing) * s - spacing * s


def draw_text(c, x, y, text, colour, font=FONT5x7, s=1, spacing=1, a=1.0, shadow=None, highlight=None):
    """Bitmap text; `shadow` draws an engraved dark copy below right, `highlight` a light one above left."""
    gw = len(next(iter(font.values()))[0])
    for layer, (ox, oy, col, la) in enumerate(
            [(1, 1, shadow, 0.7), (-1, -1, highlight, 0.35), (0, 0, colour, a)]):
        if col is None:
            continue
        cx = x
        for ch in text:
            glyph = font.get(ch.upper(), font.get(' ', None))
            if glyph:
                for gy, row in enumerate(glyph):
                    for gx, bit in enumerate(row):
                        if bit == '1':
                            for sy in range(s):
                                for sx in range(s):
                                    px, py = cx + gx * s + sx + ox, y + gy * s + sy + oy
                                    if layer == 2 and s > 1:
                                        # a soft vertical sheen on large letters
                                        t = (gy * s + sy) / (len(glyph) * s - 1)
                                        c.blend(px, py, mix(col, scale(col, 0.62), t), la)
                                    else:
                                        c.blend(px, py, col, la)
            cx += (gw + spacing) * s


# ----------------------------------------------------------------------------- encoders


def encode_bmp24(c):
    w, h = c.w, c.h
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = c.rgb(x, y)
            row += bytes((b, g, r))
        row += b'\0' * (stride - len(row))
        data += row
    header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def png_chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)


def encode_png(c):
    raw = bytearray()
    for y in range(c.h):
        raw.append(0)
        for x in range(c.w):
            p = c.get(x, y)
            raw += bytes((clamp(round(p[0])), clamp(round(p[1])), clamp(round(p[2])), clamp(round(p[3] * 255))))
    ihdr = struct.pack('>IIBBBBB', c.w, c.h, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', ihdr) + png_chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + png_chunk(b'IEND', b''))


def encode_ico(canvases):
    """An icon with one 32-bit BMP image (colour + AND mask) per canvas."""
    images = []
    for c in canvases:
        w, h = c.w, c.h
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                p = c.get(x, y)
                xor += bytes((clamp(round(p[2])), clamp(round(p[1])), clamp(round(p[0])), clamp(round(p[3] * 255))))
        mask_stride = ((w + 31) // 32) * 4
        andmask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(w):
                if c.get(x, y)[3] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            andmask += row
        info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
        images.append((w, h, info + bytes(xor) + bytes(andmask)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


def lzw_encode(indices, min_code_size):
    """GIF LZW: variable-width codes from min_code_size + 1 up to 12 bits, packed LSB first."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    current = ()
    for index in indices:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # the decoder widens one code later than the encoder adds it
            if next_code - 1 == (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        current = (index,)
    if current:
        emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def encode_gif(frames, delays_cs, transparent_below=0.5):
    """An animated GIF (looping) of equal-size canvases with one global palette; pixels
    whose alpha is below `transparent_below` become the transparent index 0."""
    w, h = frames[0].w, frames[0].h
    colours = {}
    for f in frames:
        for y in range(h):
            for x in range(w):
                if f.get(x, y)[3] >= transparent_below:
                    colours.setdefault(f.rgb(x, y), 0)
                    colours[f.rgb(x, y)] += 1
    palette = quantise(list(colours.items()), 255)
    lookup = {}

    def index_of(rgb):
        if rgb not in lookup:
            best = min(range(len(palette)), key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)))
            lookup[rgb] = best + 1
        return lookup[rgb]

    size_bits = 8
    table = [(0, 0, 0)] + palette
    table += [(0, 0, 0)] * (256 - len(table))
    out = bytearray(b'GIF89a')
    out += struct.pack('<HHBBB', w, h, 0xF0 | (size_bits - 1), 0, 0)
    for rgb in table:
        out += bytes(rgb)
    out += b'\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00'  # loop for ever
    for f, delay in zip(frames, delays_cs):
        indices = [0 if f.get(x, y)[3] < transparent_below else index_of(f.rgb(x, y))
                   for y in range(h) for x in range(w)]
        out += b'\x21\xF9\x04' + bytes((0x09,)) + struct.pack('<H', delay) + b'\x00\x00'  # restore to background
        out += b'\x2C' + struct.pack('<HHHHB', 0, 0, w, h, 0)
        out.append(8)
        data = lzw_encode(indices, 8)
        for i in range(0, len(data), 255):
            block = data[i:i + 255]
            out.append(len(block))
            out += block
        out.append(0)
    out.append(0x3B)
    return bytes(out)


def quantise(colour_counts, limit):
    """Median cut to at most `limit` colours."""
    if len(colour_counts) <= limit:
        return [c for c, _ in colour_counts]
    boxes = [colour_counts]
    while len(boxes) < limit:
        boxes.sort(key=lambda b: max(max(c[0][k] for c in b) - min(c[0][k] for c in b) for k in range(3)) if len(b) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        k = max(range(3), key=lambda k: max(c[0][k] for c in box) - min(c[0][k] for c in box))
        box.sort(key=lambda c: c[0][k])
        mid = len(box) // 2
        boxes += [box[:mid], box[mid:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(round(sum(c[k] * n for c, n in box) / total) for k in range(3)))
    return palette


# ----------------------------------------------------------------------------- the look

METAL_TOP = (84, 89, 99)
METAL_BOTTOM = (40, 43, 50)
BAY_TOP = (58, 62, 70)
BAY_BOTTOM = (30, 32, 38)
HIGHLIGHT = (168, 176, 190)
SHADOW = (6, 7, 9)
LABEL = (196, 202, 212)
LABEL_SHADOW = (8, 9, 11)
AMBER = (238, 168, 52)
WELL = (16, 17, 20)

MODE_STYLE = {
    'plain': ('IDE', (150, 156, 168), None),
    'S': ('STRIPE', (76, 146, 230), 'S'),
    'M': ('MIRROR', (70, 196, 112), 'M'),
    'R': ('RAID 0+1', (236, 162, 44), 'R'),
    'J': ('SPAN', (170, 120, 226), 'J'),
}

LAMPS = {
    'green': ((120, 255, 140), (40, 200, 80), (8, 70, 26)),
    'orange': ((255, 214, 120), (246, 140, 24), (96, 44, 4)),
    'red': ((255, 150, 140), (226, 46, 40), (80, 10, 8)),
    'darkgreen': ((70, 150, 84), (30, 104, 48), (8, 40, 16)),
}


def socket(c, cx, cy, lamp_off=True):
    """A recessed 15 x 15 lamp well centred on (cx, cy): a dark rim and an unlit lamp."""
    ring(c, cx, cy, 7.5, 6.0, lambda dx, dy, d: mix((4, 4, 6), (120, 126, 138), max(0.0, min(1.0, 0.5 + dy / 12.0))))
    if lamp_off:
        disc(c, cx, cy, 6.0, lambda dx, dy, d: mix((50, 58, 54), (18, 21, 20), min(1.0, math.hypot(dx + 2, dy + 2) / 8.0)))
        disc(c, cx - 2.2, cy - 2.4, 1.3, lambda dx, dy, d: (150, 160, 156), 0.35)


def screw(c, cx, cy, r=2.6):
    """A slotted screw head sunk in the plate."""
    ring(c, cx, cy, r + 0.9, r, lambda dx, dy, d: (12, 13, 16), 0.55)
    disc(c, cx, cy, r, lambda dx, dy, d: mix((196, 202, 212), (72, 76, 86), max(0.0, min(1.0, (dx + dy) / (2.4 * r) + 0.5))))
    for t in (-1, 0, 1):
        c.blend(int(cx) + t, int(cy) - t, (26, 27, 32), 0.8)


def small_panel(c, top, card, accent=None):
    """One card's 112 x 19 module: brushed plate, bevel, card plate, four lamp wells,
    the channel divider and a screw (or the array tag's side)."""
    brushed_panel(c, 0, top, 112, 19, METAL_TOP, METAL_BOTTOM, seed=card * 17)
    bevel(c, 0, top, 112, 19, HIGHLIGHT, SHADOW, width=1, strength=0.9)
    # the card plate on the left: a recessed slot with the card number
    for y in range(top + 3, top + 16):
        for x in range(1, 8):
            c.blend(x, y, (18, 19, 23), 0.75)
    hline_engraved(c, 1, 8, top + 2)
    draw_text(c, 3, top + 7, str(card), AMBER, font=FONT3x5, spacing=1)
    # lamp wells of the four positions; the divider between the two channels
    for x in (9, 35, 64, 90):
        socket(c, x + 7.5, top + 3 + 7.5)
    vline_engraved(c, 56, top + 3, top + 16)
    # channel ticks under each pair
    for x0, x1 in ((11, 48), (66, 103)):
        for x in range(x0, x1):
            if x % 2 == 0:
                c.blend(x, top + 18 - 1, (140, 148, 160), 0.18)
    if accent is None:
        screw(c, 108.5, top + 9.5)


def array_tag(c, cards, colour, letter):
    """The array's coloured tag joining the card modules on the right."""
    x0, y0, w, h = 105, 2, 6, cards * 19 - 4
    inside = rounded_rect_fn(x0, y0, w, h, 2.5)
    for y in range(y0 - 1, y0 + h + 1):
        for x in range(x0 - 1, x0 + w + 1):
            cov = coverage(inside, x, y)
            if cov > 0:
                t = (x - x0) / w
                c.blend(x, y, mix(scale(colour, 1.12), scale(colour, 0.6), t), cov)
    for y in range(y0, y0 + h):
        c.blend(x0, y, (255, 255, 255), 0.25)
    draw_text(c, x0 + 1, y0 + h // 2 - 2, letter, (20, 22, 26), font=FONT3x5)


def rounded_mask(w, h, r, notches=()):
    """Black keeps a pixel, pure white cuts it; anti-aliasing is not allowed in a mask."""
    m = Canvas(w, h, (255, 255, 255))
    inside = rounded_rect_fn(0, 0, w, h, r)
    for y in range(h):
        for x in range(w):
            if inside(x + 0.5, y + 0.5):
                m.put(x, y, (0, 0, 0))
    for (nx, ny) in notches:
        m.put(nx, ny, (255, 255, 255))
    return m


def small_skin(cards, mode='plain'):
    face = Canvas(112, 19 * cards, (0, 0, 0))
    _, colour, letter = MODE_STYLE[mode]
    for k in range(cards):
        small_panel(face, 19 * k, k + 1, accent=letter)
    if letter:
        array_tag(face, cards, colour, letter)
    # where two modules meet, a fine dark seam
    for k in range(1, cards):
        for x in range(112):
            face.blend(x, 19 * k, (0, 0, 0), 0.55)
    notches = []
    for k in range(1, cards):  # small notches at the seams, as between clipped modules
        notches += [(0, 19 * k), (111, 19 * k), (0, 19 * k - 1), (111, 19 * k - 1)]
    return face, rounded_mask(112, 19 * cards, 3.0, notches)


def tray_in_button(c, x0, y0):
    inside = rounded_rect_fn(x0, y0, 12, 12, 2.5)
    for y in range(y0, y0 + 12):
        for x in range(x0, x0 + 12):
            cov = coverage(inside, x, y)
            if cov > 0:
                c.blend(x, y, mix((96, 102, 114), (36, 38, 44), (y - y0) / 11), cov)
    bevel(c, x0 + 1, y0 + 1, 10, 10, (190, 196, 206), (10, 10, 12), strength=0.5)
    # a small arrow down into a tray
    for i, w in enumerate((5, 3, 1)):
        for x in range(x0 + 6 - w // 2 - (1 if w > 1 else 0) + (0 if w != 1 else 1), x0 + 6 + w // 2 + (0 if w > 1 else 1)):
            c.blend(x, y0 + 4 + i, LABEL, 0.95)
    for x in range(x0 + 3, x0 + 9):
        c.blend(x, y0 + 8, LABEL, 0.95)


def large_skin(mode, model):
    """The large layout, 149 x 220: the card panel (title, array mode, cards) above the
    drive bay with two rows of lamp wells for cards 1 and 2."""
    w, h = 149, 220
    c = Canvas(w, h, (0, 0, 0))
    name, colour, _ = MODE_STYLE[mode]
    # header plate (Card1 area)
    brushed_panel(c, 0, 0, w, 103, METAL_TOP, METAL_BOTTOM, seed=3, grain=3.5)
    bevel(c, 0, 0, w, 103, HIGHLIGHT, SHADOW, width=2, strength=0.8)
    draw_text(c, 10, 11, "TAVRIX", (226, 230, 238), s=2, spacing=1, shadow=LABEL_SHADOW, highlight=None)
    draw_text(c, 100, 18, "K4", AMBER, s=1, shadow=LABEL_SHADOW)
    draw_text(c, 10, 33, "ATA/133 RAID", LABEL, shadow=LABEL_SHADOW)
    hline_engraved(c, 8, w - 8, 46)
    # the array mode badge
    bx, by, bw, bh = 10, 54, 78, 17
    inside = rounded_rect_fn(bx, by, bw, bh, 4)
    for y in range(by - 1, by + bh + 1):
        for x in range(bx - 1, bx + bw + 1):
            cov = coverage(inside, x, y)
            if cov > 0:
                c.blend(x, y, mix(scale(colour, 1.15), scale(colour, 0.62), (y - by) / bh), cov)
    bevel(c, bx + 1, by + 1, bw - 2, bh - 2, (255, 255, 255), (0, 0, 0), strength=0.25)
    draw_text(c, bx + (bw - text_width(name)) // 2, by + 5, name, (18, 20, 24))
    cards = "%d CARD%s" % (model, "" if model == 1 else "S")
    draw_text(c, w - 10 - text_width(cards), by + 5, cards, LABEL, shadow=LABEL_SHADOW)
    # the status strip (SM2): a dark window with a caption
    sx, sy, sw, sh = 8, 80, 120, 17
    for y in range(sy, sy + sh):
        for x in range(sx, sx + sw):
            c.put(x, y, mix((22, 26, 30), (12, 14, 16), (y - sy) / sh))
    bevel(c, sx, sy, sw, sh, SHADOW, (130, 138, 150), strength=0.8)
    draw_text(c, sx + 6, sy + 5, "STATUS MONITOR", (110, 200, 130))
    screw(c, w - 12, 90)
    tray_in_button(c, 133, 4)
    # the hinge between the plates (Image18)
    for y in range(103, 111):
        for x in range(w):
            c.put(x, y, mix((28, 30, 35), (14, 15, 18), (y - 103) / 7))
    for x in (20, w - 21):
        screw(c, x + 0.5, 107, 2.2)
    # the drive bay (card2 area)
    brushed_panel(c, 0, 111, w, 103, BAY_TOP, BAY_BOTTOM, seed=9, grain=2.5)
    bevel(c, 0, 111, w, 103, HIGHLIGHT, SHADOW, width=2, strength=0.7)
    draw_text(c, 10, 116, "DRIVES", LABEL, shadow=LABEL_SHADOW)
    tray_in_button(c, 133, 115)
    lefts, widths = (16, 52, 88, 121), (29, 30, 29, 28)
    for i, label in enumerate(("PM", "PS", "SM", "SS")):
        draw_text(c, lefts[i] + (widths[i] - text_width(label)) // 2, 131, label, LABEL, shadow=LABEL_SHADOW)
    for row, top in enumerate((144, 180)):
        draw_text(c, 4, top + 11, str(row + 1), AMBER, shadow=LABEL_SHADOW)
        for i in range(4):
            cx = lefts[i] + (widths[i] - 15) // 2 + 7.5
            cy = top + 7 + 7.5
            # a bright bezel around the lamp well
            ring(c, cx, cy, 12.0, 7.5, lambda dx, dy, d: mix((200, 206, 216), (48, 51, 58),
                                                           max(0.0, min(1.0, 0.5 + (dx + dy) / 20.0))))
            ring(c, cx, cy, 12.0, 11.2, lambda dx, dy, d: (8, 8, 10), 0.6)
            socket(c, cx, cy)
    vline_engraved(c, 84, 130, 210)
    # bottom lip (Image19)
    for y in range(214, h):
        for x in range(w):
            c.put(x, y, mix((34, 36, 42), (16, 17, 20), (y - 214) / 5))
    mask = rounded_mask(w, h, 6.0)
    for y in range(103, 111):  # the hinge is narrower than the plates
        for x in list(range(0, 3)) + list(range(w - 3, w)):
            mask.put(x, y, (255, 255, 255))
    return c, mask


# ----------------------------------------------------------------------------- indicators


def lamp_frame(kind, level=1.0, arc=None, well=WELL):
    """One 15 x 15 frame: the rim and a lit lamp at `level` (0..1); `arc` adds a bright
    sweep at that angle (radians) for the rebuild animations. Outside the rim is
    transparent; the rim's edge is blended onto the well colour the skins use."""
    c = Canvas(15, 15, well, 0.0)
    hi, mid, lo = LAMPS[kind]
    cx = cy = 7.5
    # the rim, anti-aliased onto the socket's dark well
    for y in range(15):
        for x in range(15):
            cov = coverage(lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= 7.5 * 7.5, x, y)
            if cov > 0:
                c.put(x, y, mix(well, (10, 10, 12), cov), 1.0 if cov > 0.35 else 0.0)
    ring(c, cx, cy, 7.5, 6.0, lambda dx, dy, d: mix((4, 4, 6), (120, 126, 138), max(0.0, min(1.0, 0.5 + dy / 12.0))))

    def glass(dx, dy, d):
        t = min(1.0, math.hypot(dx + 1.6, dy + 1.8) / 7.0)
        lit = mix(hi, mid, t) if t < 0.55 else mix(mid, lo, (t - 0.55) / 0.45)
        # dimmer frames keep the lamp's hue, so every frame reads as its colour
        return scale(lit, 0.4 + 0.6 * level)
    disc(c, cx, cy, 6.0, glass)
    if arc is not None:
        for y in range(15):
            for x in range(15):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                d = math.hypot(dx, dy)
                if 2.5 < d < 6.0:
                    diff = (math.atan2(dy, dx) - arc + math.pi) % (2 * math.pi) - math.pi
                    if -1.1 < diff <= 0.15:
                        strength = (1.0 - abs(diff) / 1.1) if diff < 0 else 1.0
                        c.blend(x, y, (255, 255, 240), 0.75 * strength)
    # glow halo inside the rim and the specular highlight
    disc(c, cx - 2.0, cy - 2.3, 1.6, lambda dx, dy, d: (255, 255, 255), 0.55 * (0.4 + 0.6 * level))
    disc(c, cx + 2.2, cy + 2.6, 1.2, lambda dx, dy, d: hi, 0.25 * level)
    return c


def indicator_gifs():
    gifs = {}
    # present and idle: steady, with a slow gentle breath
    breath = [0.88 + 0.12 * (0.5 + 0.5 * math.cos(2 * math.pi * i / 10)) for i in range(10)]
    gifs['s_Top_Green.gif'] = ([lamp_frame('green', b) for b in breath], [12] * 10)
    # active: disk-activity flicker
    flicker = [1.0, 0.62, 0.95, 1.0, 0.58, 0.85, 1.0, 0.66]
    gifs['s_Green.gif'] = ([lamp_frame('green', b) for b in flicker], [6] * 8)
    # waiting for a rebuild: a slow pulse that never goes dark
    blink = [1.0, 1.0, 1.0, 0.88, 0.72, 0.62, 0.62, 0.72, 0.88]
    gifs['s_Orange.gif'] = ([lamp_frame('orange', b) for b in blink], [10] * 9)
    # active while flagged for a rebuild: fast orange flicker
    gifs['s_Active_Orange.gif'] = ([lamp_frame('orange', b) for b in flicker], [6] * 8)
    # a running rebuild: a sweep goes round the lamp
    steps = 12
    gifs['s_Rebuild_Green.gif'] = ([lamp_frame('green', 0.8, arc=2 * math.pi * i / steps - math.pi / 2)
                                    for i in range(steps)], [8] * steps)
    gifs['s_Rebuild_Orange.gif'] = ([lamp_frame('orange', 0.8, arc=2 * math.pi * i / steps - math.pi / 2)
                                     for i in range(steps)], [8] * steps)
    return gifs


# ----------------------------------------------------------------------------- icon, logo, tree


def icon(size):
    """The program's icon: a dark rounded plate with two drive slabs, green lamps lit."""
    c = Canvas(size, size, (0, 0, 0), 0.0)
    s = size / 32.0
    inside = rounded_rect_fn(1 * s, 1 * s, 30 * s, 30 * s, 6 * s)
    for y in range(size):
        for x in range(size):
            cov = coverage(inside, x, y)
            if cov > 0:
                c.blend(x, y, mix((86, 92, 104), (28, 30, 36), y / size), cov)
    for slab_top in (7, 18):
        box = rounded_rect_fn(5 * s, slab_top * s, 22 * s, 8 * s, 1.5 * s)
        for y in range(size):
            for x in range(size):
                cov = coverage(box, x, y)
                if cov > 0:
                    c.blend(x, y, mix((214, 220, 230), (120, 126, 138), (y - slab_top * s) / (8 * s)), cov)
        disc(c, 22.5 * s, (slab_top + 4) * s, 1.9 * s,
             lambda dx, dy, d: mix((170, 255, 180), (30, 190, 70), min(1.0, d / (1.9 * s))))
        for k in range(3):
            for x in range(int(8 * s), int(17 * s)):
                c.blend(x, int((slab_top + 2.5 + k * 1.6) * s), (70, 74, 82), 0.35 if size < 24 else 0.5)
    return c


def logo():
    c = Canvas(160, 48, (0, 0, 0))
    brushed_panel(c, 0, 0, 160, 48, (70, 75, 85), (26, 28, 33), seed=21, grain=3)
    bevel(c, 0, 0, 160, 48, HIGHLIGHT, SHADOW, width=2, strength=0.7)
    draw_text(c, 10, 8, "TAVRIX", (232, 236, 242), s=3, spacing=1, shadow=LABEL_SHADOW)
    draw_text(c, 124, 8, "K4", AMBER, s=2, shadow=LABEL_SHADOW)
    draw_text(c, 10, 34, "ULTRA ATA/133 RAID", LABEL, shadow=LABEL_SHADOW)
    return c


def node_lamp(kind):
    c = Canvas(16, 16, (0, 0, 0), 0.0)
    hi, mid, lo = LAMPS[kind]
    ring(c, 8, 8, 6.5, 5.2, lambda dx, dy, d: mix((30, 30, 34), (150, 156, 166), max(0.0, min(1.0, 0.5 + dy / 10))))
    disc(c, 8, 8, 5.2, lambda dx, dy, d: mix(hi, lo, min(1.0, math.hypot(dx + 1.5, dy + 1.5) / 6.5)))
    disc(c, 6.3, 6.0, 1.3, lambda dx, dy, d: (255, 255, 255), 0.6)
    return c


def node_hdd():
    c = Canvas(16, 16, (0, 0, 0), 0.0)
    body = rounded_rect_fn(1, 4, 14, 8, 1.5)
    for y in range(16):
        for x in range(16):
            cov = coverage(body, x, y)
            if cov > 0:
                c.blend(x, y, mix((226, 230, 238), (122, 128, 140), (y - 4) / 8), cov)
    for x in range(2, 15):
        c.blend(x, 9, (70, 74, 84), 0.6)
        c.blend(x, 11, (60, 62, 70), 0.8)
    c.blend(12, 7, (40, 200, 80))
    c.blend(13, 7, (40, 200, 80))
    for x in range(3, 9):
        c.blend(x, 6, (90, 96, 108), 0.5)
    return c


def node_disc():
    c = Canvas(16, 16, (0, 0, 0), 0.0)

    def sheen(dx, dy, d):
        a = math.atan2(dy, dx)
        base = (200, 206, 216)
        tint = (150 + 90 * math.cos(a * 2), 170 + 70 * math.cos(a * 2 + 2), 200 + 50 * math.cos(a * 2 + 4))
        return mix(base, tint, 0.45)
    disc(c, 8, 8, 7.0, sheen)
    ring(c, 8, 8, 7.0, 6.3, lambda dx, dy, d: (110, 116, 128), 0.7)
    disc(c, 8, 8, 2.6, lambda dx, dy, d: (150, 156, 166))
    for y in range(16):
        for x in range(16):
            if (x + 0.5 - 8) ** 2 + (y + 0.5 - 8) ** 2 <= 1.3 ** 2:
                c.put(x, y, (0, 0, 0), 0.0)
    return c


# ----------------------------------------------------------------------------- files


SMALL_SKINS = {
    'Small_Ata.ini': (1, 'plain'), 'Small_Ata2.ini': (2, 'plain'), 'Small_Ata3.ini': (3, 'plain'),
    'Small_Ata4.ini': (4, 'plain'), 'Small_S2.ini': (2, 'S'), 'Small_M2.ini': (2, 'M'), 'Small_R2.ini': (2, 'R'),
}
LARGE_SKINS = {
    'skin.ini': ('plain', 1), '2skin.ini': ('plain', 2), '3skin.ini': ('plain', 3),
    'S_skin.ini': ('S', 1), '2S_skin.ini': ('S', 2), '3S_skin.ini': ('S', 3), '4S_skin.ini': ('S', 4),
    'M_skin.ini': ('M', 1), '2M_skin.ini': ('M', 2), '3M_skin.ini': ('M', 3), '4M_skin.ini': ('M', 4),
    'R_skin.ini': ('R', 1), '2R_skin.ini': ('R', 2), '3R_skin.ini': ('R', 3), '4R_skin.ini': ('R', 4),
    'J_skin.ini': ('J', 1),
}


def skin_ini(title, mask, face):
    return ("; %s\r\n[BITMAPINFO]\r\nMaskBitmap=%s\r\nMouseUpBitmap=%s\r\n\r\n"
            "[HOTAREAINFO]\r\nCount=0\r\n\r\n[DISPLAYINFO]\r\nCount=0\r\nCharset=1\r\n\r\n"
            "[TRACKBARINFO]\r\nCount=0\r\n" % (title, mask, face))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    mode = 'w' if isinstance(data, str) else 'wb'
    kwargs = {'newline': ''} if mode == 'w' else {}
    with open(path, mode, **kwargs) as f:
        f.write(data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'assets')
    skins = os.path.join(out, 'skins', 'default')

    masks_written = set()
    for ini, (cards, mode) in SMALL_SKINS.items():
        face, mask = small_skin(cards, mode)
        base = ini[:-4]
        mask_name = 'Small%d_Mask.bmp' % cards
        if mask_name not in masks_written:
            write(os.path.join(skins, mask_name), encode_bmp24(mask))
            masks_written.add(mask_name)
        write(os.path.join(skins, base + '_Up.bmp'), encode_bmp24(face))
        write(os.path.join(skins, ini), skin_ini('%d card%s, small layout' % (cards, '' if cards == 1 else 's'),
                                                 mask_name, base + '_Up.bmp'))

    for ini, (mode, model) in LARGE_SKINS.items():
        face, mask = large_skin(mode, model)
        base = ini[:-4]
        if 'Large_Mask.bmp' not in masks_written:
            write(os.path.join(skins, 'Large_Mask.bmp'), encode_bmp24(mask))
            masks_written.add('Large_Mask.bmp')
        write(os.path.join(skins, base + '_Up.bmp'), encode_bmp24(face))
        write(os.path.join(skins, ini), skin_ini('%s, model %d, large layout' % (MODE_STYLE[mode][0], model),
                                                 'Large_Mask.bmp', base + '_Up.bmp'))

    for name, (frames, delays) in indicator_gifs().items():
        write(os.path.join(out, name), encode_gif(frames, delays))

    write(os.path.join(out, 'tavrix.ico'), encode_ico([icon(16), icon(32), icon(48)]))
    write(os.path.join(out, 'C_Logo.Bmp'), encode_bmp24(logo()))

    nodes = [node_hdd(), node_lamp('darkgreen'), node_lamp('orange'), node_lamp('green'), node_lamp('red'), node_disc()]
    for i, node in enumerate(nodes):
        write(os.path.join(out, 'imagelist', 'ImageList1_%d.png' % i), encode_png(node))


if __name__ == '__main__':
    main()
