#!/usr/bin/env python3
"""Draws the picture behind the FOLD box of the editor page, editor/ui/assets/fold.webp.

A smooth field of ripples is sent through a triangle wave folder, the same kind of shaping the
effect's FOLD stage applies to sound, and shaded from the page's cream to its ink. The picture is
written as a PPM and encoded with cwebp from Debian's webp package.

Usage: tools/page_assets/make_fold_image.py [output]
"""
import math
import subprocess
import sys
import tempfile
from pathlib import Path

WIDTH, HEIGHT = 240, 180
PAPER = (0xE8, 0xDC, 0xC8)
DUST = (0xB8, 0xA8, 0x90)
INK = (0x1A, 0x18, 0x16)


def fold(x: float) -> float:
    """Triangle wave folder: the identity on [-1, 1], mirrored back at each edge beyond it."""
    return 1.0 - abs(((x + 1.0) % 4.0) - 2.0)


def field(u: float, v: float) -> float:
    ripple = math.sin(5.1 * u + 1.7 * math.sin(3.3 * v)) + 0.8 * math.sin(4.3 * v - 2.2 * u)
    swell = 2.2 * math.exp(-((u - 0.62) ** 2 + (v - 0.45) ** 2) * 5.0)
    return 1.6 * (ripple + swell)


def shade(t: float) -> tuple:
    """0 gives the paper colour, 0.5 the dust tone, 1 the ink."""
    if t < 0.5:
        a, b, k = PAPER, DUST, t * 2.0
    else:
        a, b, k = DUST, INK, (t - 0.5) * 2.0
    return tuple(round(a[i] + (b[i] - a[i]) * k) for i in range(3))


def main() -> None:
    root = Path(__file__).resolve().parents[2]
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else root / "editor/ui/assets/fold.webp"
    pixels = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            folded = fold(field(x / WIDTH * 2.0, y / HEIGHT * 1.5))
            # Steep contrast near the fold lines gives the creased look.
            t = 0.5 + 0.5 * math.copysign(abs(folded) ** 0.6, folded)
            pixels += bytes(shade(t))
    with tempfile.TemporaryDirectory() as tmp:
        ppm = Path(tmp) / "fold.ppm"
        ppm.write_bytes(b"P6\n%d %d\n255\n" % (WIDTH, HEIGHT) + bytes(pixels))
        output.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["cwebp", "-quiet", "-q", "70", "-m", "6", "-metadata", "none",
                        str(ppm), "-o", str(output)], check=True)
    print(f"{output}: {output.stat().st_size} bytes, {WIDTH}x{HEIGHT}")


if __name__ == "__main__":
    main()
