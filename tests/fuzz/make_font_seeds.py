#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the font fuzzer's seeds to tests/fuzz/fonts: one small file of each format the
tests install, cut down with fontTools' subsetter, and the unit tests' bitmap fonts, among them
the files that once crashed the face cache. What the fuzzer found is kept beside them by hand
(slow-huge-glyph.ttf: a glyph thousands of ems across took 20 s to draw). Run it with Debian's
python3 and python3-fonttools; it needs fonts-dejavu-core, fonts-urw-base35 and bdftopcf
(xfonts-utils)."""

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
    font = TTFont(path, recalcTimestamp=False)  # the same bytes on every run
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    return font


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

    # The unit tests' bitmap fonts: one plain, and three that once crashed the face cache (a
    # glyph without a bitmap, and grey rows shorter than their width in bytes).
    tests = OUT.parent.parent / "fonts"
    shutil.copy(tests / "depth1.bdf", OUT / "mono.bdf")
    pcf = subprocess.run(["bdftopcf", str(tests / "depth1.bdf")], check=True, capture_output=True).stdout
    (OUT / "mono.pcf").write_bytes(pcf)
    (OUT / "mono.pcf.gz").write_bytes(gzip.compress(pcf, mtime=0))
    for crash, test in (("no-bitmap", "nobitmap"), ("grey-2-bits", "depth2"), ("grey-4-bits", "depth4")):
        shutil.copy(tests / f"{test}.bdf", OUT / f"crash-{crash}.bdf")


main()
