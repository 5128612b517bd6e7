#!/usr/bin/env python3
"""Draws the program's window icon and about-box logo as PNG files.

Standard library only: the PNG chunks are written by hand with zlib and struct.
Run from anywhere; the images land in src/ui/Resources/.
"""

import os
import struct
import zlib

RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui", "Resources")

# --- PNG writing -----------------------------------------------------------------------------


def chunk(tag, data):
    body = tag + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def filter_row(row, previous, bpp):
    """Returns the filtered row (with its filter byte) that looks cheapest to compress."""
    candidates = [bytes([0]) + row]
    sub = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 0xFF for i in range(len(row)))
    candidates.append(bytes([1]) + sub)
    if previous is not None:
        up = bytes((row[i] - previous[i]) & 0xFF for i in range(len(row)))
        candidates.append(bytes([2]) + up)

    def cost(line):
        return sum(b if b < 128 else 256 - b for b in line[1:])

    return min(candidates, key=cost)


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a) tuples."""
    bpp = 4
    raw = bytearray()
    previous = None
    for row in pixels:
        line = bytes(c for pixel in row for c in pixel)
        raw += filter_row(line, previous, bpp)
        previous = line
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


# --- Drawing helpers -------------------------------------------------------------------------


def blank(width, height, colour=(0, 0, 0, 0)):
    return [[colour] * width for _ in range(height)]


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def fill_rect(image, x, y, w, h, colour):
    for yy in range(max(0, y), min(len(image), y + h)):
        row = image[yy]
        for xx in range(max(0, x), min(len(row), x + w)):
            row[xx] = colour


# --- Icon: a tiny picture decoded from two bitplanes -----------------------------------------

ICON_SIZE = 32
ICON_PALETTE = [
    (30, 34, 58, 255),    # 00: background blue
    (236, 96, 64, 255),   # 01: plane 0 only
    (80, 200, 120, 255),  # 10: plane 1 only
    (250, 214, 90, 255),  # 11: both planes
]


def rounded_mask(x, y, size, radius):
    """True where (x, y) lies inside a square with rounded corners."""
    cx = min(max(x, radius), size - 1 - radius)
    cy = min(max(y, radius), size - 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def draw_icon():
    image = blank(ICON_SIZE, ICON_SIZE)
    frame = (18, 20, 36, 255)
    for y in range(ICON_SIZE):
        for x in range(ICON_SIZE):
            if rounded_mask(x, y, ICON_SIZE, 5):
                image[y][x] = frame
    # A 5x5 grid of 4-pixel cells; each cell's colour index comes from two bitplanes,
    # diagonal stripes and a centred diamond, as a snapshot picture would be decoded.
    cells, cell, stride = 5, 4, 5
    origin = (ICON_SIZE - (cells * stride - 1)) // 2
    for cy in range(cells):
        for cx in range(cells):
            plane0 = 1 if (cx + cy) % 2 == 0 else 0
            plane1 = 1 if abs(cx - 2) + abs(cy - 2) <= 1 else 0
            colour = ICON_PALETTE[plane0 | (plane1 << 1)]
            fill_rect(image, origin + cx * stride, origin + cy * stride, cell, cell, colour)
    return image


# --- Logo: the program's name in a blocky pixel font over copper bars ------------------------

LOGO_WIDTH, LOGO_HEIGHT = 501, 88

FONT = {
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
}

SKY_TOP = (12, 16, 48)
SKY_BOTTOM = (58, 22, 84)


def copper_bar(image, centre, half, colour):
    """A horizontal bar that brightens towards its middle line."""
    for y in range(centre - half, centre + half + 1):
        if 0 <= y < len(image):
            t = 1.0 - abs(y - centre) / (half + 1)
            shade = mix((0, 0, 0), colour, 0.35 + 0.65 * t) + (255,)
            image[y] = [shade] * LOGO_WIDTH


def draw_text(image, text, left, top, block):
    glyph_width = 5 * block
    for index, letter in enumerate(text):
        x0 = left + index * (glyph_width + block)
        for row, bits in enumerate(FONT[letter]):
            for column, bit in enumerate(bits):
                if bit != "1":
                    continue
                x = x0 + column * block
                y = top + row * block
                t = row / 6.0
                face = mix((255, 236, 140), (240, 110, 40), t) + (255,)
                edge = mix(face, (0, 0, 0, 255), 0.35)
                fill_rect(image, x + 3, y + 3, block, block, (6, 6, 20, 255))  # shadow
                fill_rect(image, x, y, block, block, edge)
                fill_rect(image, x, y, block - 1, block - 1, face)


def draw_logo():
    image = []
    for y in range(LOGO_HEIGHT):
        colour = mix(SKY_TOP, SKY_BOTTOM, y / (LOGO_HEIGHT - 1)) + (255,)
        image.append([colour] * LOGO_WIDTH)
    copper_bar(image, 4, 3, (90, 160, 255))
    copper_bar(image, LOGO_HEIGHT - 5, 3, (255, 90, 170))
    text = "PELVANE"
    block = 8
    width = len(text) * 5 * block + (len(text) - 1) * block
    draw_text(image, text, (LOGO_WIDTH - width) // 2, (LOGO_HEIGHT - 7 * block) // 2, block)
    return image


def main():
    os.makedirs(RESOURCES, exist_ok=True)
    write_png(os.path.join(RESOURCES, "icon.png"), ICON_SIZE, ICON_SIZE, draw_icon())
    write_png(os.path.join(RESOURCES, "logo.png"), LOGO_WIDTH, LOGO_HEIGHT, draw_logo())


if __name__ == "__main__":
    main()
