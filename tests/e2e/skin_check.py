#!/usr/bin/python3
"""Checks the status window as the X server shows it at a scale: skin_check.py WINDOW SCALE PNG

The root window is painted a colour of its own first (the caller does that with
"skin_check.py --paint-root"). Then: every pixel inside the window's X Shape region
must be skin (neither the root's colour nor the skin's key colour showing through), every
pixel of the window's box outside it the root's colour; at a scale of 2 or more the
title's glyphs must be drawn at that scale, not blown up: most of the 2x2 blocks on their
edges differ within. Writes what it saw to PNG. Exit status 0 when all holds."""
import sys

from PIL import Image
from Xlib import X, display
from Xlib.ext import shape

ROOT = (0, 255, 0)
KEY = (153, 0, 204)
TITLE = (14, 1, 120, 12)  # logical x, y, width, height of "LINDREL"


def paint_root(screen):
    colormap = screen.default_colormap
    pixel = colormap.alloc_color(ROOT[0] * 257, ROOT[1] * 257, ROOT[2] * 257).pixel
    screen.root.change_attributes(background_pixel=pixel)
    screen.root.clear_area(0, 0, 0, 0)


def main():
    disp = display.Display()
    screen = disp.screen()
    if sys.argv[1] == "--paint-root":
        paint_root(screen)
        disp.sync()
        return 0
    window = disp.create_resource_object("window", int(sys.argv[1], 0))
    scale = float(sys.argv[2])
    geometry = window.get_geometry()
    origin = window.translate_coords(screen.root, 0, 0)
    left, top = -origin.x, -origin.y
    # Only the part on the screen can be seen.
    width = min(geometry.width, screen.width_in_pixels - left)
    height = min(geometry.height, screen.height_in_pixels - top)
    rects = window.shape_get_rectangles(shape.SK.Bounding).rectangles
    raw = screen.root.get_image(left, top, width, height, X.ZPixmap, 0xFFFFFFFF)
    image = Image.frombytes("RGB", (width, height), raw.data, "raw", "BGRX")
    image.save(sys.argv[3])
    inside = [[False] * width for _ in range(height)]
    for rect in rects:
        for y in range(max(rect.y, 0), min(rect.y + rect.height, height)):
            for x in range(max(rect.x, 0), min(rect.x + rect.width, width)):
                inside[y][x] = True
    pixels = image.load()
    faults = []
    for y in range(height):
        for x in range(width):
            colour = pixels[x, y]
            if inside[y][x] and colour in (ROOT, KEY):
                faults.append(f"({x},{y}) inside the shape shows {colour}")
            elif not inside[y][x] and colour != ROOT:
                faults.append(f"({x},{y}) outside the shape shows {colour}")
    if not any(any(row) for row in inside) or all(all(row) for row in inside):
        faults.append(f"the shape is {'empty' if not rects else 'the whole box'}")
    if scale >= 2:
        tx, ty, tw, th = (round(v * scale) for v in TITLE)
        edge_blocks = uniform = 0
        for y in range(ty, ty + th - 1, 2):
            for x in range(tx, tx + tw - 1, 2):
                block = [pixels[x, y], pixels[x + 1, y], pixels[x, y + 1], pixels[x + 1, y + 1]]
                if max(c[0] for c in block) - min(c[0] for c in block) < 8 and block[0][0] < 90:
                    continue  # panel, no glyph
                edge_blocks += 1
                uniform += block.count(block[0]) == 4
        if edge_blocks == 0 or uniform > edge_blocks * 0.7:
            faults.append(f"the title is a blown-up bitmap: {uniform} of {edge_blocks} glyph blocks uniform")
    print(f"scale {scale}: {width}x{height}, {len(rects)} shape rectangles, {len(faults)} faults")
    for fault in faults[:20]:
        print("  " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
