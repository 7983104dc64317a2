#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

The artwork: a dark teal rounded tile with a white barcode whose bars end in a
small cursor, for "scans become typing". Every icon holds 32-bit images with
alpha (edges smoothed by 4x4 supersampling) at 16, 20, 24, 32, 40 and 48 pixels,
the sizes the shell asks for at 100 to 300 % display scaling; the program icon
also has 256 pixels (stored as PNG) and its old 4-, 8- and 24-bit images for
old systems. The tray icon has a grey twin, shown while Tellurin is not
receiving.
Run: python3 tools/make_icons.py (rewrites the icons/ folders of
resident/shell/win32 and settings/dialog/win32).
"""
import os
import struct
import zlib

TILE = (0x1F, 0x5E, 0x6B)
WHITE = (0xFF, 0xFF, 0xFF)
ACCENT = (0xF2, 0xB1, 0x34)
SMOOTH_SIZES = [16, 20, 24, 32, 40, 48]


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


def greyed(colour):
    """The idle twin's colour: the same lightness, no hue, washed out."""
    r, g, b = colour
    level = round(0.30 * r + 0.59 * g + 0.11 * b)
    level = round(level + (0xC8 - level) * 0.45)
    return (level, level, level)


def smooth_pixel(x, y, size, paint):
    """Premultiplied average over 4x4 samples: the colour and its coverage."""
    total, red, green, blue = 0, 0, 0, 0
    for sy in range(4):
        for sx in range(4):
            colour = pixel(x + (sx + 0.5) / 4 - 0.5, y + (sy + 0.5) / 4 - 0.5, size)
            if colour:
                colour = paint(colour)
                total += 1
                red, green, blue = red + colour[0], green + colour[1], blue + colour[2]
    if total == 0:
        return (0, 0, 0, 0)
    return (round(red / total), round(green / total), round(blue / total), round(255 * total / 16))


def palette_for(bits):
    if bits == 4:
        base = [(0, 0, 0), TILE, WHITE, ACCENT]
        return base + [(0, 0, 0)] * (16 - len(base))
    if bits == 8:
        base = [(0, 0, 0), TILE, WHITE, ACCENT]
        return base + [(0, 0, 0)] * (256 - len(base))
    return []


def mask_rows(alphas, size):
    """The AND mask: set where the image is fully transparent."""
    rows = []
    for y in reversed(range(size)):
        bits = "".join("1" if alphas[y][x] == 0 else "0" for x in range(size))
        mask = int(bits, 2).to_bytes(size // 8 if size % 8 == 0 else size // 8 + 1, "big")
        mask += b"\0" * ((4 - len(mask) % 4) % 4)
        rows.append(mask)
    return rows


def smooth_image(size, paint):
    """A 32-bit BMP image with alpha."""
    pixels = [[smooth_pixel(x, y, size, paint) for x in range(size)] for y in range(size)]
    rows = [b"".join(bytes((p[2], p[1], p[0], p[3])) for p in pixels[y]) for y in reversed(range(size))]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows([[p[3] for p in row] for row in pixels], size))


def png_image(size, paint):
    """A PNG image with alpha, as large icons are stored."""
    pixels = [[smooth_pixel(x, y, size, paint) for x in range(size)] for y in range(size)]
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def image(size, bits):
    palette = palette_for(bits)
    rows, masks = [], []
    for y in reversed(range(size)):  # bottom-up
        colours = [pixel(x, y, size) for x in range(size)]
        if bits == 24:
            row = b"".join(bytes((c[2], c[1], c[0])) if c else b"\0\0\0" for c in colours)
        else:
            indices = [palette.index(c) if c else 0 for c in colours]
            if bits == 8:
                row = bytes(indices)
            else:
                row = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        row += b"\0" * ((4 - len(row) % 4) % 4)
        rows.append(row)
    masks = mask_rows([[255 if pixel(x, y, size) else 0 for x in range(size)] for y in range(size)], size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colour_table + b"".join(rows) + b"".join(masks)


def write_icon(path, formats, paint=lambda colour: colour):
    """formats: (size, bits) for the old paletted and 24-bit images, (size,
    "smooth") for 32-bit images with alpha, (size, "png") for PNG images."""
    images = []
    for size, kind in formats:
        if kind == "smooth":
            images.append((size, 32, smooth_image(size, paint)))
        elif kind == "png":
            images.append((size, 32, png_image(size, paint)))
        else:
            images.append((size, kind, image(size, kind)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, bits, data in images:
        colours = 16 if bits == 4 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    smooth = [(size, "smooth") for size in SMOOTH_SIZES]
    folder = os.path.join(os.path.dirname(__file__), "..", "resident", "shell", "win32", "icons")
    os.makedirs(folder, exist_ok=True)
    write_icon(os.path.join(folder, "tellur.ico"),
               [(16, 4), (32, 4), (16, 8), (32, 8), (16, 24), (32, 24)] + smooth + [(256, "png")])
    write_icon(os.path.join(folder, "tray.ico"), smooth)
    write_icon(os.path.join(folder, "tray-idle.ico"), smooth, greyed)
    dialog = os.path.join(os.path.dirname(__file__), "..", "settings", "dialog", "win32", "icons")
    os.makedirs(dialog, exist_ok=True)
    write_icon(os.path.join(dialog, "settings.ico"), smooth)
