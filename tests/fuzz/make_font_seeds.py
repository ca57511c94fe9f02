#!/usr/bin/python3
"""Writes the font fuzzer's seeds to tests/fuzz/fonts: one small file of each format the
tests install, cut down with fontTools' subsetter, and hand-written bitmap fonts, among them
the files that once crashed the face cache. Run it with Debian's python3 and python3-fonttools;
it needs fonts-dejavu-core, fonts-urw-base35 and bdftopcf (xfonts-utils)."""

import gzip
import pathlib
import shutil
import subprocess

from fontTools import subset
from fontTools.ttLib import TTCollection, TTFont

OUT = pathlib.Path(__file__).resolve().parent / "fonts"
DEJAVU = "/usr/share/fonts/truetype/dejavu/"
URW = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"
TEXT = "Ag ΩЖ אב عربي ﬁ fi 12"


def subsetted(path, text=TEXT):
    options = subset.Options()
    options.layout_features = ["*"]
    font = TTFont(path)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    return font


def bdf(family, depth, glyphs):
    """glyphs: (code, width, rows or None for a glyph without a BITMAP section)"""
    size = f"SIZE 16 75 75 {depth}" if depth > 1 else "SIZE 16 75 75"
    lines = ["STARTFONT 2.1", f"FONT -Test-{family}-Medium-R-Normal--16-160-75-75-C-80-ISO10646-1", size,
             "FONTBOUNDINGBOX 16 16 0 -4", "STARTPROPERTIES 5", f'FAMILY_NAME "{family}"', "FONT_ASCENT 12",
             "FONT_DESCENT 4", 'CHARSET_REGISTRY "ISO10646"', 'CHARSET_ENCODING "1"', "ENDPROPERTIES",
             f"CHARS {len(glyphs)}"]
    for code, width, rows in glyphs:
        lines += [f"STARTCHAR U{code}", f"ENCODING {code}", "SWIDTH 500 0", f"DWIDTH {width + 2} 0",
                  f"BBX {width} 12 0 0"]
        lines += ["BITMAP", *rows] if rows is not None else []
        lines.append("ENDCHAR")
    return "\n".join(lines + ["ENDFONT", ""]).encode()


def main():
    OUT.mkdir(exist_ok=True)
    sans = subsetted(DEJAVU + "DejaVuSans.ttf")
    sans.save(OUT / "dejavu-sans.ttf")
    sans.flavor = "woff"
    sans.save(OUT / "dejavu-sans.woff")
    subsetted(URW, "Ag fi 12").save(OUT / "nimbus-sans.otf")
    collection = TTCollection()
    collection.fonts = [subsetted(DEJAVU + "DejaVuSans.ttf", "Ag"), subsetted(DEJAVU + "DejaVuSerif.ttf", "Ag")]
    collection.save(OUT / "dejavu.ttc")
    shutil.copy("/usr/share/fonts/X11/Type1/StandardSymbolsPS.pfb", OUT / "standard-symbols.pfb")

    block = ["F0F0"] * 12
    (OUT / "mono.bdf").write_bytes(bdf("Mono", 1, [(65, 16, block), (66, 8, ["FF"] * 12)]))
    pcf = subprocess.run(["bdftopcf", str(OUT / "mono.bdf")], check=True, capture_output=True).stdout
    (OUT / "mono.pcf").write_bytes(pcf)
    (OUT / "mono.pcf.gz").write_bytes(gzip.compress(pcf, mtime=0))
    # Once crashes: a glyph without a bitmap, and grey rows shorter than their width in bytes.
    (OUT / "crash-no-bitmap.bdf").write_bytes(bdf("No Bitmap", 1, [(65, 8, None), (66, 8, ["FF"] * 12)]))
    (OUT / "crash-grey-2-bits.bdf").write_bytes(bdf("Depth 2", 2, [(65, 16, ["FFFF5555"] * 12)]))
    (OUT / "crash-grey-4-bits.bdf").write_bytes(bdf("Depth 4", 4, [(65, 16, ["FFFFFFFF55555555"] * 12)]))


main()
