# SPDX-License-Identifier: MIT
"""Makes font corpora: many families for the benchmarks, strange ones for the tests.

All faces live in one font collection and share every table but their names, so 10,000
families take a few megabytes. A fontconfig configuration beside the collection lists only
the corpus and the interface font, so the program enumerates it through the same path as
installed fonts.

    fonts_conf = make_corpus(folder, corpus_families(10000))
    fonts_conf = make_corpus(folder, ["Digits Only"], unicodes=range(0x30, 0x3A))
"""

import io
import os
import struct
import subprocess
from pathlib import Path

from fontTools import subset
from fontTools.ttLib import TTFont, newTable

from xsession import DEJAVU, fontconfig_file

# Some families have long names and some have names outside Latin, as real collections do, in
# scripts that the system's interface font covers: a real family named in a script comes with
# a font for that script, while a corpus font has Latin glyphs only.
NON_LATIN = ["Шрифт", "Γραμματοσειρά", "Տառատեսակ", "შრიფტი", "גופן", "Φόντο", "Кириллица"]


def family_name(index):
    if index % 10 == 3:
        return f"{NON_LATIN[index % len(NON_LATIN)]} {index:05d}"
    if index % 10 == 7:
        return f"Corpus Extended Display Family With A Long Name {index:05d}"
    return f"Corpus Family {index:05d}"


def corpus_families(count):
    return [family_name(index) for index in range(count)]


def subset_of(source, unicodes):
    font = TTFont(source)
    options = subset.Options(layout_features=[], notdef_outline=True)
    options.drop_tables.append("FFTM")
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


def make_corpus(folder, families, unicodes=range(0x20, 0x7F), source=DEJAVU / "DejaVuSans.ttf"):
    """Makes the corpus in the folder, once, and returns the path of its fontconfig file."""
    folder = Path(folder).absolute()
    config, done = folder / "fonts.conf", folder / "complete"
    if done.exists():
        return str(config)  # made before; the corpus is reused between runs
    fonts = folder / "fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    write_collection(fonts / "corpus.ttc", subset_of(source, unicodes), families)
    # The system's rules, so that "Sans Serif" means the interface font as it does everywhere;
    # without them every lookup of an alias walks the whole corpus.
    # The interface font stays installed beside the corpus, as on any desktop.
    fontconfig_file(config, [DEJAVU, fonts], system_rules=True)
    subprocess.run(["fc-cache", "--really-force"], check=True,
                   env=dict(os.environ, FONTCONFIG_FILE=str(config)))
    done.touch()
    return str(config)
