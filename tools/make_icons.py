#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

The artwork: a dark teal rounded tile with a white barcode whose bars end in a
small cursor, for "scans become typing". Program icon: 16x16 and 32x32 at 4, 8
and 24 bits per pixel, 48x48 at 32 bits; tray icon: 16x16 at 4 bits; the
settings window's small and large icons: 16x16 and 32x32 at 4 bits.
Run: python3 tools/make_icons.py (rewrites the icons/ folders of
resident/shell/win32 and settings/dialog/win32).
"""
import os
import struct

TILE = (0x1F, 0x5E, 0x6B)
WHITE = (0xFF, 0xFF, 0xFF)
ACCENT = (0xF2, 0xB1, 0x34)


def pixel(x, y, size):
    """Colour of a pixel, or None where the tile is transparent."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    radius = 0.18
    cx = min(max(u, radius), 1 - radius)
    cy = min(max(v, radius), 1 - radius)
    if (u - cx) ** 2 + (v - cy) ** 2 > radius ** 2:
        return None
    bars = [(0.20, 0.06), (0.30, 0.03), (0.37, 0.08), (0.50, 0.03), (0.57, 0.05), (0.66, 0.03)]
    if 0.22 <= v <= 0.70 and any(left <= u < left + width for left, width in bars):
        return WHITE
    if 0.76 <= v <= 0.84 and 0.20 <= u <= 0.80:
        return ACCENT
    return TILE


def palette_for(bits):
    if bits == 4:
        base = [(0, 0, 0), TILE, WHITE, ACCENT]
        return base + [(0, 0, 0)] * (16 - len(base))
    if bits == 8:
        base = [(0, 0, 0), TILE, WHITE, ACCENT]
        return base + [(0, 0, 0)] * (256 - len(base))
    return []


def image(size, bits):
    palette = palette_for(bits)
    rows, mask_rows = [], []
    for y in reversed(range(size)):  # bottom-up
        colours = [pixel(x, y, size) for x in range(size)]
        if bits == 32:
            row = b"".join(bytes((c[2], c[1], c[0], 255)) if c else b"\0\0\0\0" for c in colours)
        elif bits == 24:
            row = b"".join(bytes((c[2], c[1], c[0])) if c else b"\0\0\0" for c in colours)
        else:
            indices = [palette.index(c) if c else 0 for c in colours]
            if bits == 8:
                row = bytes(indices)
            else:
                row = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(row)
        mask_bits = "".join("0" if c else "1" for c in colours)
        mask = int(mask_bits, 2).to_bytes(size // 8, "big")
        mask += b"\0" * ((4 - len(mask) % 4) % 4)
        mask_rows.append(mask)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colour_table + b"".join(rows) + b"".join(mask_rows)


def write_icon(path, formats):
    images = [(size, bits, image(size, bits)) for size, bits in formats]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, bits, data in images:
        colours = 16 if bits == 4 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(__file__), "..", "resident", "shell", "win32", "icons")
    os.makedirs(folder, exist_ok=True)
    write_icon(os.path.join(folder, "tellur.ico"),
               [(16, 4), (32, 4), (16, 8), (32, 8), (16, 24), (32, 24), (48, 32)])
    write_icon(os.path.join(folder, "tray.ico"), [(16, 4)])
    dialog = os.path.join(os.path.dirname(__file__), "..", "settings", "dialog", "win32", "icons")
    os.makedirs(dialog, exist_ok=True)
    write_icon(os.path.join(dialog, "settings16.ico"), [(16, 4)])
    write_icon(os.path.join(dialog, "settings32.ico"), [(32, 4)])
