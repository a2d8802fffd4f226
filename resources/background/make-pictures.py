#!/usr/bin/env python3
"""Draws the main window's background (655 x 423, 24-bit) and the program icon.

Run from this folder: python3 make-pictures.py. Needs only the standard library;
the PNG files it writes are committed, so the build does not run it.
"""
import math
import struct
import zlib


def write_png(path, width, height, rows, alpha):
    """rows: list of bytearrays of RGB or RGBA pixels."""
    channels = 4 if alpha else 3
    raw = bytearray()
    prev = bytearray(width * channels)
    for row in rows:
        # Filter "Up" suits the smooth vertical shading and keeps the file small.
        raw.append(2)
        raw.extend((row[i] - prev[i]) & 0xFF for i in range(len(row)))
        prev = row

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(chunk(b"IEND", b""))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


def background():
    w, h = 655, 423
    deep = (24, 52, 92)       # top left: deep blue
    teal = (28, 112, 132)     # top right: teal
    pale_top = (232, 240, 247)
    pale_bottom = (214, 227, 238)
    # Soft discs in the upper band: centre x, centre y, radius, strength.
    discs = [(520, 20, 120, 0.10), (600, 70, 60, 0.08), (90, -30, 140, 0.07), (340, 40, 40, 0.06)]
    band = 46  # height of the coloured band, in picture rows (the list starts at 66)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            top = mix(deep, teal, x / (w - 1))
            body = mix(pale_top, pale_bottom, y / (h - 1))
            # The band fades into the body along a gentle wave.
            edge = band + 10 * math.sin(x / w * math.pi * 2.0 + 0.6)
            t = smoothstep(edge - 22, edge + 6, y)
            c = mix(top, body, t)
            light = 0.0
            for cx, cy, r, s in discs:
                d = math.hypot(x - cx, y - cy)
                light += s * (1.0 - smoothstep(r - 2.0, r + 1.0, d)) * (1.0 - t)
            c = mix(c, (255, 255, 255), min(light, 0.4))
            # A thin light line under the band, and a faint second wave lower down.
            line = math.exp(-((y - edge - 9) ** 2) / 2.0) * 0.55
            wave = 300 + 14 * math.sin(x / w * math.pi * 1.3 + 2.0)
            line2 = math.exp(-((y - wave) ** 2) / 60.0) * 0.05
            c = mix(c, (255, 255, 255), line)
            c = mix(c, teal, line2)
            row.extend(int(round(v)) for v in c)
        rows.append(row)
    write_png("background.png", w, h, rows, alpha=False)


def icon():
    n = 64
    rows = []
    for y in range(n):
        row = bytearray()
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            # Rounded square, radius 12, 2 px margin.
            qx = max(abs(px - 32) - 18, 0)
            qy = max(abs(py - 32) - 18, 0)
            d = math.hypot(qx, qy) - 12
            a = 1.0 - smoothstep(-0.8, 0.8, d)
            c = mix((24, 52, 92), (28, 140, 150), (px + py) / 128)
            # Film perforations along the top and bottom edges.
            for hx in range(12, 56, 10):
                for hy in (10, 54):
                    if abs(px - hx - 2) < 2.5 and abs(py - hy) < 2.0:
                        c = mix(c, (255, 255, 255), 0.75)
            # A play triangle.
            inside = 1.0 - smoothstep(-0.8, 0.8, max(-(px - 24), abs(py - 32) - (44 - px) * 0.62))
            c = mix(c, (255, 255, 255), inside)
            row.extend(int(round(v)) for v in c)
            row.append(int(round(a * 255)))
        rows.append(row)
    write_png("../icons/sablewick.png", n, n, rows, alpha=True)


if __name__ == "__main__":
    background()
    icon()
