#!/usr/bin/python3
"""Makes a font corpus of N distinct families for the benchmarks.

All faces live in one font collection and share every table but their names, so 10,000
families take a few megabytes. A fontconfig configuration beside the collection lists only
the corpus and the interface font, so the program enumerates it through the same path as
installed fonts.

Usage: make_corpus.py SOURCE_FONT OUTPUT_FOLDER COUNT
       make_corpus.py SOURCE_FONT OUTPUT_FOLDER --names NAMES.json [--unicodes FIRST-LAST]
The second form names the families as the JSON list says (the tests use it for hostile names)
and keeps only the characters in the given range of code points.
"""

import argparse
import io
import json
import os
import struct
import subprocess
import sys

from fontTools import subset
from fontTools.ttLib import TTFont, newTable

# Some families have long names and some have names outside Latin, as real collections do, in
# scripts that the system's interface font covers: a real family named in a script comes with
# a font for that script, while a corpus font has Latin glyphs only.
NON_LATIN = ["Шрифт", "Γραμματοσειρά", "Տառատեսակ", "შრიფტი", "גופן", "Φόντο", "Кириллица"]

# The interface font stays installed beside the corpus, as on any desktop.
SYSTEM_FONTS = "/usr/share/fonts/truetype/dejavu"


def family_name(index):
    if index % 10 == 3:
        return f"{NON_LATIN[index % len(NON_LATIN)]} {index:05d}"
    if index % 10 == 7:
        return f"Corpus Extended Display Family With A Long Name {index:05d}"
    return f"Corpus Family {index:05d}"


def subset_of(source, unicodes):
    font = TTFont(source)
    options = subset.Options()
    options.layout_features = []
    options.drop_tables += ["FFTM"]
    options.notdef_outline = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=unicodes)
    subsetter.subset(font)
    data = io.BytesIO()
    font.save(data)
    return TTFont(io.BytesIO(data.getvalue()))


def name_table(font, name):
    table = newTable("name")
    table.names = []
    postscript = "Corpus-" + "".join(c for c in name if c.isascii() and c.isalnum())
    for name_id, text in ((1, name), (2, "Regular"), (4, name), (6, postscript)):
        table.setName(text, name_id, 3, 1, 0x409)
    return table.compile(font)


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def checksum(data):
    data = padded(data)
    return sum(struct.unpack(f">{len(data) // 4}L", data)) & 0xFFFFFFFF


def write_collection(path, base, names):
    """A TrueType collection whose faces share all tables but 'name'."""
    shared = {tag: base.reader[tag] for tag in base.reader.keys() if tag != "name"}
    tags = sorted(list(shared) + ["name"])
    header_size = 12 + 4 * len(names)
    directory_size = 12 + 16 * len(tags)
    offset = header_size + directory_size * len(names)

    blobs, shared_offsets = [], {}
    for tag, data in shared.items():
        shared_offsets[tag] = offset
        blobs.append(padded(data))
        offset += len(blobs[-1])

    directories = []
    for name in names:
        data = name_table(base, name)
        locations = dict(shared_offsets, name=offset)
        blobs.append(padded(data))
        offset += len(blobs[-1])
        tables = dict(shared, name=data)
        power = 1 << (len(tags).bit_length() - 1)
        directory = struct.pack(">LHHHH", 0x00010000, len(tags), power * 16,
                                power.bit_length() - 1, len(tags) * 16 - power * 16)
        for tag in tags:
            directory += struct.pack(">4sLLL", tag.encode("ascii"), checksum(tables[tag]),
                                     locations[tag], len(tables[tag]))
        directories.append(directory)

    with open(path, "wb") as output:
        output.write(struct.pack(">4sLL", b"ttcf", 0x00010000, len(names)))
        output.write(b"".join(struct.pack(">L", header_size + i * directory_size)
                              for i in range(len(names))))
        output.write(b"".join(directories))
        output.write(b"".join(blobs))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("folder")
    parser.add_argument("count", nargs="?", type=int, default=0)
    parser.add_argument("--names", help="a JSON list of family names")
    parser.add_argument("--unicodes", default="20-7E", help="hexadecimal FIRST-LAST")
    options = parser.parse_args()
    folder = os.path.abspath(options.folder)
    done = os.path.join(folder, "complete")
    if os.path.exists(done):
        return  # made before; the corpus is reused between runs
    fonts = os.path.join(folder, "fonts")
    os.makedirs(fonts, exist_ok=True)

    if options.names:
        with open(options.names, encoding="utf-8") as names:
            families = json.load(names)
    else:
        families = [family_name(index) for index in range(options.count)]
    first, last = (int(bound, 16) for bound in options.unicodes.split("-"))
    write_collection(os.path.join(fonts, "corpus.ttc"), subset_of(options.source, range(first, last + 1)),
                     families)
    config = os.path.join(folder, "fonts.conf")
    with open(config, "w", encoding="utf-8") as output:
        output.write(
            '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
            "<fontconfig>\n"
            # The system's rules, so that "Sans Serif" means the interface font as it does
            # everywhere; without them every lookup of an alias walks the whole corpus.
            '  <include ignore_missing="yes">/etc/fonts/conf.d</include>\n'
            f"  <dir>{SYSTEM_FONTS}</dir>\n  <dir>{fonts}</dir>\n"
            f"  <cachedir>{folder}/cache</cachedir>\n"
            "</fontconfig>\n")
    subprocess.run(["fc-cache", "--really-force"], check=True,
                   env=dict(os.environ, FONTCONFIG_FILE=config))
    open(done, "w").close()


if __name__ == "__main__":
    main()
