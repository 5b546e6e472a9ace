#!/usr/bin/python3
"""Makes the editor page's title font, editor/ui/assets/title.woff2.

Source: Yanone Kaffeesatz Light from Debian's fonts-yanone-kaffeesatz (SIL Open Font License 1.1).
The font is cut down to the glyphs of the page's title and renamed to a family of our own, as the
licence asks of a modified version; its copyright and licence entries are kept. Needs Debian's
python3-fonttools and python3-brotli.

Usage: tools/page_assets/make_title_font.py [output]
"""
import sys
from pathlib import Path

from fontTools import subset
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Light.otf"
FAMILY = "Vessimor Title"
STYLE = "Light"
POSTSCRIPT = "VessimorTitle-Light"
# The title is the only text the page sets in this font.
TEXT = "VESSIMOR"

KEPT_NAMES = {0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 16, 17}


def main() -> None:
    root = Path(__file__).resolve().parents[2]
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else root / "editor/ui/assets/title.woff2"

    options = subset.Options()
    options.layout_features = ["kern"]
    options.name_IDs = sorted(KEPT_NAMES)
    options.name_languages = [0x409]
    options.name_legacy = True
    options.hinting = False
    options.desubroutinize = True
    options.drop_tables += ["DSIG", "gasp", "prep"]

    font = TTFont(SOURCE)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=TEXT)
    subsetter.subset(font)

    names = font["name"]
    for record in list(names.names):
        if record.nameID not in KEPT_NAMES:
            names.removeNames(nameID=record.nameID)
    full = f"{FAMILY} {STYLE}"
    for name_id, text in {1: FAMILY, 2: STYLE, 3: f"1.0;{POSTSCRIPT}", 4: full, 6: POSTSCRIPT,
                          16: FAMILY, 17: STYLE}.items():
        names.setName(text, name_id, 3, 1, 0x409)
        names.removeNames(nameID=name_id, platformID=1)
    cff = font["CFF "].cff
    cff.fontNames = [POSTSCRIPT]
    top = cff.topDictIndex[0]
    top.FullName = full
    top.FamilyName = FAMILY
    top.Weight = STYLE

    # The container is the font object's own: save() writes plain OpenType unless it says WOFF2
    # (the subsetter's flavour option is read only by the subset command line).
    font.flavor = "woff2"
    output.parent.mkdir(parents=True, exist_ok=True)
    font.save(output)
    print(f"{output}: {output.stat().st_size} bytes, glyphs {font.getGlyphOrder()}")


if __name__ == "__main__":
    main()
