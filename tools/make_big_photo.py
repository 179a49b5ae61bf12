#!/usr/bin/python3
"""Writes a large photo-like JPEG for the memory and time benchmarks of fit.

Soft colour fields (a few random colours, enlarged smoothly), a gradient of light across them
and fine grain on every channel, as a camera's picture of a scene has: the JPEG coder finds
detail at every scale, so the file is about as large as a phone's photo of that size. The
same WIDTH, HEIGHT and SEED give the same file.

Usage: tools/make_big_photo.py WIDTH HEIGHT OUT.jpg [SEED] [ORIENTATION]
  ORIENTATION (1 to 8): stored as it is, with an EXIF block that carries that orientation.
"""

import random
import sys

from PIL import Image, ImageChops


def photo(width, height, seed):
    rnd = random.Random(seed)
    fields = Image.new("RGB", (12, 9))
    fields.putdata([tuple(rnd.randrange(30, 226) for _ in range(3)) for _ in range(12 * 9)])
    picture = fields.resize((width, height), Image.BICUBIC)
    light = Image.linear_gradient("L").resize((width, height), Image.BILINEAR)
    picture = Image.composite(picture, ImageChops.multiply(picture, Image.merge("RGB", [light] * 3)),
                              Image.new("L", (width, height), 150))
    # Grain: Gaussian noise around mid grey, added to each channel with its own seed.
    grain = []
    for channel in range(3):
        noise = Image.effect_noise((width, height), 12 + 3 * channel)
        grain.append(noise)
    return ImageChops.add(picture, Image.merge("RGB", grain), scale=1.0, offset=-128)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    width, height, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    orientation = int(sys.argv[5]) if len(sys.argv) > 5 else 1
    exif = Image.Exif()
    if orientation != 1:
        exif[0x0112] = orientation
    # A phone's usual coding: 4:2:0, quality about 90, baseline.
    photo(width, height, seed).save(out, quality=90, subsampling="4:2:0", exif=exif.tobytes())


if __name__ == "__main__":
    main()
