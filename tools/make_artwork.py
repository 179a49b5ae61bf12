#!/usr/bin/python3
"""Draws the program's artwork and writes it in the exact forms the resource script wants.

    resources/background.bmp  300x170, 8 bits, 255 colours (biClrUsed 255): the main window
    resources/races.bmp       64x16, 4 bits, the standard 16 colours: race icons 0..3 on pure red
    resources/vexillor.ico    16x16x16, 32x32x16, 32x32x256, 48x48x16, 48x48x256: the flag
    resources/vexillor-shell.ico  16, 24, 32, 48 and 256 pixels, 32-bit colour with alpha (the
                              256 one PNG-compressed): the same flag for Explorer, the Start
                              menu and the installers
    resources/wizard-side.bmp 164x314, 24 bits: the installer's welcome and finish pages

Usage: make_artwork.py [OUTPUT_DIR]   (default: the resources folder beside this script)
Needs only the Python standard library and Pillow. The output is deterministic for one set of
installed fonts; the generated files are committed, so a rebuild is only needed to change them.
"""
import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

# The 16 colours of the standard Windows palette, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

CRIMSON = (172, 22, 36)
CRIMSON_DARK = (104, 10, 22)
GOLD = (236, 186, 64)
GOLD_DARK = (150, 98, 24)
CREAM = (250, 238, 205)

FONT_CANDIDATES = {
    "title": ["/usr/share/fonts/opentype/urw-base35/C059-Bold.otf",
              "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"],
    "small": ["/usr/share/fonts/opentype/urw-base35/C059-Roman.otf",
              "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"],
}


def font(kind, size):
    for path in FONT_CANDIDATES[kind]:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def clamp8(v):
    return max(0, min(255, int(round(v))))


# ---------------------------------------------------------------------------------------------
# The banner cloth: painted flat, then hung on the pole with a wave.

# The cloth's colours: true colours, and near-matches of the standard 16 for 16-colour icons.
TRUE_COLOURS = {"field": CRIMSON, "shadow": CRIMSON_DARK, "gold": GOLD, "gold_dark": GOLD_DARK,
                "light": CREAM}
VGA_COLOURS = {"field": (236, 28, 28), "shadow": (128, 0, 0), "gold": (255, 240, 0),
               "gold_dark": (128, 128, 0), "light": (255, 255, 255)}


def paint_cloth(w, h, detail=True, colours=TRUE_COLOURS):
    """The flag as it would lie flat: crimson field, gold border and a gold quill."""
    CRIMSON, CRIMSON_DARK, GOLD, GOLD_DARK, CREAM = (colours[k] for k in (
        "field", "shadow", "gold", "gold_dark", "light"))
    cloth = Image.new("RGB", (w, h), CRIMSON)
    d = ImageDraw.Draw(cloth)
    border = max(2, h // 14)
    d.rectangle([0, 0, w - 1, border - 1], fill=GOLD)
    d.rectangle([0, h - border, w - 1, h - 1], fill=GOLD)
    if detail:
        d.rectangle([0, border, w - 1, border + max(1, border // 3)], fill=CRIMSON_DARK)
    # The quill: a feather laid on the diagonal, with its shaft and a nib.
    cx, cy = w * 0.40, h * 0.50
    length, width = h * 0.82, h * 0.26
    angle = math.radians(-38)
    ca, sa = math.cos(angle), math.sin(angle)

    def at(along, across):
        return (cx + along * ca - across * sa, cy + along * sa + across * ca)

    vane = []
    steps = 40
    for i in range(steps + 1):
        t = i / steps
        along = (t - 0.5) * length
        across = width * 0.5 * math.sin(math.pi * t) ** 0.8 * (1.0 if t > 0.18 else t / 0.18)
        vane.append(at(along, across))
    for i in range(steps, -1, -1):
        t = i / steps
        along = (t - 0.5) * length
        across = -width * 0.5 * math.sin(math.pi * t) ** 0.8 * (1.0 if t > 0.18 else t / 0.18)
        vane.append(at(along, across))
    d.polygon(vane, fill=GOLD)
    if detail:
        # Barbs: thin crimson cuts across the vane.
        for i in range(3, 16):
            t = i / 18
            along = (t - 0.5) * length
            half = width * 0.5 * math.sin(math.pi * t) ** 0.8
            d.line([at(along, 0), at(along + length * 0.05, half * 1.05)], fill=GOLD_DARK,
                   width=max(1, h // 60))
            d.line([at(along, 0), at(along + length * 0.05, -half * 1.05)], fill=GOLD_DARK,
                   width=max(1, h // 60))
    d.line([at(-length * 0.62, 0), at(length * 0.5, 0)], fill=CREAM, width=max(1, h // 40))
    nib = [at(-length * 0.62, 0), at(-length * 0.50, width * 0.10), at(-length * 0.50, -width * 0.10)]
    d.polygon(nib, fill=CREAM)
    # A star above the quill's tip.
    sx, sy, r = w * 0.74, h * 0.30, h * 0.11
    star = []
    for k in range(10):
        rad = r if k % 2 == 0 else r * 0.45
        a = -math.pi / 2 + k * math.pi / 5
        star.append((sx + rad * math.cos(a), sy + rad * math.sin(a)))
    d.polygon(star, fill=CREAM)
    return cloth


def hang_flag(target, cloth, x0, y0, length, height, amplitude, waves, tail, shade=0.35):
    """Draws the cloth onto `target` (RGBA) starting at the pole, waving along its length.

    The wave grows from nothing at the pole; a swallow tail cuts the fly end. Every target pixel
    looks up the cloth point it shows (inverse mapping), lit by the slope of the wave."""
    px = target.load()
    cw, ch = cloth.size
    cp = cloth.load()
    tw, th = target.size
    top = int(y0 - amplitude - 2)
    bottom = int(y0 + height + amplitude + 2)
    for x in range(int(x0), min(tw, int(x0 + length) + 1)):
        u = (x - x0) / length
        if u < 0 or u > 1:
            continue
        phase = 2 * math.pi * waves * u
        dy = amplitude * math.sin(phase - 0.6) * u
        slope = math.cos(phase - 0.6)
        light = 1.0 + shade * slope * min(1.0, u * 3)
        for y in range(max(0, top), min(th, bottom)):
            v = (y - y0 - dy) / height
            if v < 0 or v > 1:
                continue
            if u > 1 - tail * (1 - abs(2 * v - 1)):
                continue
            r, g, b = cp[min(cw - 1, int(u * cw)), min(ch - 1, int(v * ch))]
            px[x, y] = (clamp8(r * light), clamp8(g * light), clamp8(b * light), 255)


def draw_pole(d, x, top, bottom, thick, finial):
    d.rectangle([x - thick // 2, top, x + (thick - 1) // 2, bottom], fill=(92, 60, 34, 255))
    d.rectangle([x - thick // 2, top, x - thick // 2 + max(1, thick // 3), bottom],
                fill=(150, 108, 64, 255))
    d.ellipse([x - finial, top - 2 * finial + 1, x + finial, top + 1], fill=GOLD + (255,))


# ---------------------------------------------------------------------------------------------
# Background picture 102.

def paint_dusk_sky(img, horizon, sun_x, sun_y):
    """The evening sky over all of `img`: night blue on top, orange at the horizon, a glow
    where the sun has set."""
    W, H = img.size
    px = img.load()
    sky_top, sky_mid, sky_low = (16, 20, 58), (70, 50, 110), (238, 148, 72)
    for y in range(H):
        t = y / horizon
        base = lerp(sky_top, sky_mid, t / 0.55) if t < 0.55 else lerp(sky_mid, sky_low, (t - 0.55) / 0.45)
        for x in range(W):
            dx, dy = (x - sun_x) / W, (y - sun_y) / H
            glow = max(0.0, 1.0 - math.sqrt(dx * dx * 2.2 + dy * dy * 4.0) * 1.9)
            px[x, y] = (clamp8(base[0] + 60 * glow * glow), clamp8(base[1] + 48 * glow * glow),
                        clamp8(base[2] + 10 * glow * glow), 255)


def dusk_scene(width, height, horizon, sun_x, stars, scale=3):
    """A `width` x `height` picture drawn `scale` times larger: the evening sky with its
    horizon and sunset at the given final pixels, and stars at the (x, y) of `stars`.
    Returns the picture and a drawing on it."""
    img = Image.new("RGBA", (width * scale, height * scale))
    paint_dusk_sky(img, horizon * scale, sun_x * scale, horizon * scale)
    d = ImageDraw.Draw(img)
    for sx, sy in stars:
        r = scale * 0.7
        d.ellipse([sx * scale - r, sy * scale - r, sx * scale + r, sy * scale + r],
                  fill=(230, 226, 250, 255))
    return img, d


def make_background():
    scale = 3
    horizon = 112 * scale
    img, d = dusk_scene(300, 170, 112, 214, [(18, 10), (90, 6), (132, 20), (176, 9), (250, 14),
                                             (286, 30), (112, 40), (70, 28), (232, 36), (160, 48),
                                             (278, 6), (10, 40)])
    W, H = img.size
    # Far hills, then near hills, then the ground on which the buttons sit.
    def ridge(base_y, amp, freq, shift, colour):
        pts = [(0, H)]
        for x in range(0, W + 1, 3):
            u = x / W
            y = base_y + amp * (math.sin(u * freq + shift) * 0.6 + math.sin(u * freq * 2.7 + shift * 1.7) * 0.4)
            pts.append((x, y))
        pts.append((W, H))
        d.polygon(pts, fill=colour + (255,))
    ridge(horizon - 6 * scale, 7 * scale, 5.0, 0.8, (88, 54, 96))
    ridge(horizon + 2 * scale, 6 * scale, 3.6, 2.4, (58, 36, 72))
    ground_top = 124 * scale
    for y in range(ground_top - 4 * scale, H):
        t = (y - ground_top + 4 * scale) / (H - ground_top + 4 * scale)
        c = lerp((40, 26, 52), (18, 12, 26), t)
        d.line([(0, y), (W, y)], fill=c + (255,))
    # A keep on the far ridge, with battlements and lit windows.
    keep = (40, 24, 54, 255)
    kx, ky = 258 * scale, 96 * scale  # top left of the tower

    def block(x0, y0, x1, y1):
        d.rectangle([kx + x0 * scale, ky + y0 * scale, kx + x1 * scale - 1, ky + y1 * scale - 1], fill=keep)
    block(0, 0, 12, 24)
    for i in range(4):
        block(i * 3.5 - 0.5, -3, i * 3.5 + 1.5, 0)
    block(-10, 9, 22, 24)
    for x0 in (-10, -6, 14, 18):
        block(x0, 7, x0 + 2, 9)
    for wx, wy in ((5, 4), (-6, 13), (16, 13)):
        d.rectangle([kx + wx * scale, ky + wy * scale, kx + (wx + 2) * scale - 1, ky + (wy + 3) * scale - 1],
                    fill=(250, 200, 90, 255))
    # The banner on its pole, standing on a mound.
    pole_x = 46 * scale
    d.ellipse([pole_x - 28 * scale, 118 * scale, pole_x + 30 * scale, 134 * scale], fill=(30, 20, 38, 255))
    flag = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    cloth = paint_cloth(520, 300)
    hang_flag(flag, cloth, pole_x + 2 * scale, 22 * scale, 100 * scale, 56 * scale,
              amplitude=6 * scale, waves=1.2, tail=0.2)
    shadow = flag.split()[3].point(lambda a: 110 if a else 0)
    shadow_img = Image.new("RGBA", (W, H), (10, 6, 20, 255))
    shadow_img.putalpha(shadow.filter(ImageFilter.GaussianBlur(3 * scale)))
    img = Image.alpha_composite(img, shadow_img.transform(img.size, Image.AFFINE,
                                                          (1, 0, -3 * scale, 0, 1, -4 * scale)))
    d = ImageDraw.Draw(img)
    draw_pole(d, pole_x, 16 * scale, 126 * scale, 3 * scale, 3 * scale)
    img = Image.alpha_composite(img, flag)
    # The name, gold on the evening sky, with a dark rim so it holds on any part of it.
    d = ImageDraw.Draw(img)
    title_font = font("title", 32 * scale)
    text = "Vexillor"
    box = d.textbbox((0, 0), text, font=title_font)
    tx = 224 * scale - (box[2] - box[0]) // 2 - box[0]
    ty = 30 * scale - box[1]
    d.text((tx + 2 * scale, ty + 2 * scale), text, font=title_font, fill=(8, 4, 16, 200))
    d.text((tx, ty), text, font=title_font, fill=GOLD + (255,), stroke_width=scale,
           stroke_fill=(60, 30, 10, 255))
    small = font("small", 12 * scale)
    sub = "banners for Quillmere"
    sbox = d.textbbox((0, 0), sub, font=small)
    sx = 224 * scale - (sbox[2] - sbox[0]) // 2 - sbox[0]
    d.text((sx + scale, 74 * scale + scale), sub, font=small, fill=(10, 6, 20, 255))
    d.text((sx, 74 * scale), sub, font=small, fill=CREAM + (255,))
    out = img.convert("RGB").resize((300, 170), Image.LANCZOS)
    return out.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


# ---------------------------------------------------------------------------------------------
# The installer's side picture on its welcome and finish pages: the banner at dusk, 164x314.

def make_wizard_side():
    scale = 3
    img, d = dusk_scene(164, 314, 262, 120, [(20, 14), (70, 8), (130, 22), (150, 60), (100, 44),
                                            (34, 70), (140, 110)])
    d.ellipse([-40 * scale, 256 * scale, 210 * scale, 360 * scale], fill=(40, 26, 52, 255))
    pole_x = 36 * scale
    draw_pole(d, pole_x, 96 * scale, 268 * scale, 3 * scale, 3 * scale)
    hang_flag(img, paint_cloth(520, 300), pole_x + 2 * scale, 102 * scale, 112 * scale,
              64 * scale, amplitude=6 * scale, waves=1.2, tail=0.2)
    return img.convert("RGB").resize((164, 314), Image.LANCZOS)


# ---------------------------------------------------------------------------------------------
# Race icons 107: hand-set 16x16 pixels. '.' is the red background (the list's mask colour).

RACE_LEGEND = {
    '.': 9, 'k': 0, 'm': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
    'a': 8, 'l': 10, 'y': 11, 'b': 12, 'f': 13, 'c': 14, 'w': 15,
}

RACE_ICONS = [
    # 0 KSV: a knight's shield, white cross on blue.
    ["................",
     ".kkkkkkkkkkkkkk.",
     ".kbbbbbwwbbbnnk.",
     ".kbbbbbwwbbbnnk.",
     ".kbbbbbwwbbbnnk.",
     ".kwwwwwwwwwwwwk.",
     ".kwwwwwwwwwwwwk.",
     ".kbbbbbwwbbbnnk.",
     ".kbbbbbwwbbbnnk.",
     "..kbbbbwwbbnnk..",
     "..kbbbbwwbbnnk..",
     "...kbbbwwbnnk...",
     "....kbbwwnnk....",
     ".....kbwwnk.....",
     "......kwwk......",
     ".......kk......."],
    # 1 RZ: a green gem with a golden heart.
    [".......kk.......",
     "......kllk......",
     ".....kllggk.....",
     "....kllllggk....",
     "...klllyylggk...",
     "..kllyyyyyyggk..",
     ".kllyyywyyyyggk.",
     "klllyywwwyyyyggk",
     "kgggyyywyyyyoogk",
     ".kggoyyyyyyoogk.",
     "..kggooyyyooogk.",
     "...kgggoooogk...",
     "....kggggggk....",
     ".....kggggk.....",
     "......kggk......",
     ".......kk......."],
    # 2 OB: a silver crescent on a purple moon disc.
    [".....kkkkkk.....",
     "...kkppppppkk...",
     "..kpppwwpppppk..",
     ".kppwwsppppppfk.",
     ".kpwwsppppppppk.",
     "kppwspppppppfppk",
     "kpwwsppppppppppk",
     "kpwwspppppppppfk",
     "kpwwsppppppppppk",
     "kpwwsspppppppppk",
     "kppwwssppppppppk",
     ".kppwwsssppppppk",
     ".kpppwwwwsspppk.",
     "..kppppwwwpppk..",
     "...kkppppppkk...",
     ".....kkkkkk....."],
    # 3 Skirmish: two crossed swords, drawn by draw_swords below.
    None,
]


def draw_swords():
    """Two swords crossed in a saltire, blades up, each with guard, grip and pommel."""
    grid = [['.'] * 16 for _ in range(16)]

    def sword(flip):
        def put(x, y, ch):
            grid[y][15 - x if flip else x] = ch
        for i in range(1, 10):
            put(i, i, 'w')
            put(i + 1, i, 's')
            put(i, i + 1, 'a')
        for d in range(-2, 3):
            put(10 + d, 10 - d, 'o' if abs(d) == 2 else 'y')
        put(11, 11, 'm')
        put(12, 12, 'm')
        for x, y in ((13, 13), (14, 13), (13, 14), (14, 14)):
            put(x, y, 'y')
    sword(True)
    sword(False)
    # A black rim wherever the background touches the metal, so the shapes hold on white.
    rim = [row[:] for row in grid]
    for y in range(16):
        for x in range(16):
            if grid[y][x] != '.':
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if 0 <= nx < 16 and 0 <= ny < 16 and grid[ny][nx] != '.':
                    rim[y][x] = 'k'
    return [''.join(row) for row in rim]


def make_race_icons():
    img = Image.new("P", (64, 16), 9)
    flat = []
    for c in VGA16:
        flat.extend(c)
    img.putpalette(flat + [0] * (768 - len(flat)))
    px = img.load()
    for k, rows in enumerate(RACE_ICONS):
        rows = rows or draw_swords()
        assert len(rows) == 16, "icon %d has %d rows" % (k, len(rows))
        for y, row in enumerate(rows):
            assert len(row) == 16, "icon %d row %d is %d wide" % (k, y, len(row))
            for x, ch in enumerate(row):
                px[16 * k + x, y] = RACE_LEGEND[ch]
    return img


# ---------------------------------------------------------------------------------------------
# Icon group 103: the banner on its pole.

ICON16 = [
    "...y............",
    "..yyy...........",
    "...oyyyyyyyyyyy.",
    "...orrrrrrrrrrr.",
    "...orrrrrwyrrrr.",
    "...orrrrwyrrrr..",
    "...orrrwyyrrr...",
    "...orrrwyrrr....",
    "...orrwyrrrr....",
    "...orrwyrrrrr...",
    "...orwyrrrrrrr..",
    "...orrrrrrrrrrr.",
    "...oyyyyyyyyyyy.",
    "...o............",
    "...o............",
    ".ooooo..........",
]
ICON16_LEGEND = {'.': None, 'y': (255, 255, 0), 'o': (128, 128, 0), 'r': (255, 0, 0),
                 'w': (255, 255, 255)}


def render_icon(size, colours):
    """The flag on its pole at `size`, drawn eight times larger and scaled down."""
    s = size * 8
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    pole_x = int(s * 0.20)
    draw_pole(d, pole_x, int(s * 0.12), int(s * 0.96), max(3, s // 14), max(3, s // 18))
    cloth = paint_cloth(420, 300, detail=size >= 48 and colours is TRUE_COLOURS, colours=colours)
    hang_flag(img, cloth, pole_x + s // 40, s * 0.16, s * 0.76, s * 0.50,
              amplitude=s * 0.05, waves=1.0, tail=0.18, shade=0.3 if colours is TRUE_COLOURS else 0.0)
    return img.resize((size, size), Image.LANCZOS)


def to_palette(img, palette):
    """Nearest colour of `palette` for every opaque pixel; returns indexes and an AND mask."""
    src = img.load()
    w, h = img.size
    idx = [[0] * w for _ in range(h)]
    mask = [[1] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            r, g, b, a = src[x, y]
            if a < 128:
                continue
            best = min(range(len(palette)),
                       key=lambda i: (palette[i][0] - r) ** 2 * 3 + (palette[i][1] - g) ** 2 * 4
                       + (palette[i][2] - b) ** 2 * 2)
            idx[y][x] = best
            mask[y][x] = 0
    return idx, mask


def icon16_pixels():
    idx = [[0] * 16 for _ in range(16)]
    mask = [[1] * 16 for _ in range(16)]
    for y, row in enumerate(ICON16):
        assert len(row) == 16
        for x, ch in enumerate(row):
            colour = ICON16_LEGEND[ch]
            if colour is not None:
                idx[y][x] = VGA16.index(colour)
                mask[y][x] = 0
    return idx, mask


def adaptive_palette(img):
    """256 colours fitted to the opaque pixels of `img` (the unused tail is black)."""
    rgb = Image.new("RGB", img.size, (0, 0, 0))
    rgb.paste(img, mask=img.split()[3])
    q = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:768]
    pal += [0] * (768 - len(pal))
    return [tuple(pal[i * 3:i * 3 + 3]) for i in range(256)]


def icon_image_bytes(size, bits, idx, mask, palette):
    """One icon image: BITMAPINFOHEADER (double height), colour table, XOR rows, AND rows."""
    colours = 1 << bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette[:colours])
    xor_stride = ((size * bits + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(xor_stride)
        for x in range(size):
            if bits == 4:
                row[x // 2] |= idx[y][x] << (4 if x % 2 == 0 else 0)
            else:
                row[x] = idx[y][x]
        xor += row
        mrow = bytearray(and_stride)
        for x in range(size):
            if mask[y][x]:
                mrow[x // 8] |= 0x80 >> (x % 8)
        andm += mrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(andm),
                         0, 0, 0, 0)
    return header + table + bytes(xor) + bytes(andm)


def make_icon():
    images = []
    idx, mask = icon16_pixels()
    images.append((16, 4, icon_image_bytes(16, 4, idx, mask, VGA16)))
    for size in (32, 48):
        idx, mask = to_palette(render_icon(size, VGA_COLOURS), VGA16)
        images.append((size, 4, icon_image_bytes(size, 4, idx, mask, VGA16)))
        art = render_icon(size, TRUE_COLOURS)
        pal = adaptive_palette(art)
        idx, mask = to_palette(art, pal)
        images.append((size, 8, icon_image_bytes(size, 8, idx, mask, pal)))
    return pack_icon(images)


def pack_icon(images):
    """An icon file: the directory of (size, bits, data) images, then their data in order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1,
                           bits, len(data), offset)  # 0 stands for 256
        offset += len(data)
        body += data
    return out + body


# ---------------------------------------------------------------------------------------------
# The shell's icon: the same flag in true colour with alpha, at every size Explorer asks for.

SHELL_ICON_SIZES = (16, 24, 32, 48, 256)


def rgba_icon_image_bytes(img):
    """One 32-bit icon image: BITMAPINFOHEADER (double height), BGRA rows bottom first, and the
    AND mask, set where alpha is 0 for the programs that still draw with it."""
    size = img.size[0]
    px = img.load()
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for y in range(size - 1, -1, -1):
        mrow = bytearray(and_stride)
        for x in range(size):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
            if a == 0:
                mrow[x // 8] |= 0x80 >> (x % 8)
        andm += mrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andm),
                         0, 0, 0, 0)
    return header + bytes(xor) + bytes(andm)


def make_shell_icon():
    images = []
    for size in SHELL_ICON_SIZES:
        art = render_icon(size, TRUE_COLOURS)
        if size == 256:  # Windows Vista and later read PNG at this size; a DIB would be 256 KiB
            buf = io.BytesIO()
            art.save(buf, "PNG", optimize=True)
            images.append((size, 32, buf.getvalue()))
        else:
            images.append((size, 32, rgba_icon_image_bytes(art)))
    return pack_icon(images)


# ---------------------------------------------------------------------------------------------
# BMP files written by hand, so the header fields are exactly what the program expects.

def write_bmp(path, img, bits, colours):
    w, h = img.size
    pal = img.getpalette()[:colours * 3]
    pal += [0] * (colours * 3 - len(pal))
    table = b"".join(struct.pack("<BBBB", pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0)
                     for i in range(colours))
    stride = ((w * bits + 31) // 32) * 4
    px = img.load()
    data = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            v = px[x, y]
            assert v < colours, "pixel index %d outside the %d colours" % (v, colours)
            if bits == 4:
                row[x // 2] |= v << (4 if x % 2 == 0 else 0)
            else:
                row[x] = v
        data += row
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(data), 2835, 2835, colours, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + table + bytes(data))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    os.makedirs(outdir, exist_ok=True)
    background = make_background()
    write_bmp(os.path.join(outdir, "background.bmp"), background, 8, 255)
    write_bmp(os.path.join(outdir, "races.bmp"), make_race_icons(), 4, 16)
    with open(os.path.join(outdir, "vexillor.ico"), "wb") as f:
        f.write(make_icon())
    with open(os.path.join(outdir, "vexillor-shell.ico"), "wb") as f:
        f.write(make_shell_icon())
    make_wizard_side().save(os.path.join(outdir, "wizard-side.bmp"))
    print("wrote background.bmp, races.bmp, vexillor.ico, vexillor-shell.ico and wizard-side.bmp to",
          os.path.normpath(outdir))


if __name__ == "__main__":
    main()
