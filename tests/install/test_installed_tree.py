# SPDX-License-Identifier: MIT
"""Installs the build into a temporary DESTDIR, as a packager does, and checks what desktops
and software centres read from the installed tree.

Usage: test_installed_tree.py BUILD_DIR
"""

import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

BUILD_DIR = sys.argv.pop(1) if len(sys.argv) > 1 else "build"


def png_size_and_corner_alpha(path):
    """Width, height and the alpha of the top-left pixel of an 8-bit RGBA PNG (None without
    alpha). The first pixel of the first row reads the same under every PNG filter."""
    data = path.read_bytes()
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    if depth != 8 or colour_type != 6:
        return width, height, None
    chunks, offset = [], 8
    while offset < len(data):
        (length,) = struct.unpack(">I", data[offset:offset + 4])
        if data[offset + 4:offset + 8] == b"IDAT":
            chunks.append(data[offset + 8:offset + 8 + length])
        offset += length + 12
    first_row = zlib.decompressobj().decompress(b"".join(chunks), 5)
    return width, height, first_row[4]


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.destdir = tempfile.TemporaryDirectory()
        cls.prefix = pathlib.Path(cls.destdir.name) / "usr"
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", "/usr"], check=True,
                       stdout=subprocess.DEVNULL, env=dict(os.environ, DESTDIR=cls.destdir.name))

    @classmethod
    def tearDownClass(cls):
        cls.destdir.cleanup()

    def assert_passes(self, *command):
        result = subprocess.run([str(part) for part in command], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_desktop_entry_is_valid(self):
        self.assert_passes("desktop-file-validate", self.prefix / "share/applications/typeshelf.desktop")

    def test_metainfo_is_valid_and_its_desktop_entry_installed(self):
        self.assertTrue(list((self.prefix / "share/metainfo").glob("*.metainfo.xml")))
        self.assert_passes("appstreamcli", "validate-tree", "--no-net", self.prefix)

    def test_icons_at_every_size_on_a_transparent_background(self):
        icons = self.prefix / "share/icons/hicolor"
        self.assertTrue((icons / "scalable/apps/typeshelf.svg").is_file())
        self.assertTrue((self.prefix / "bin/typeshelf").is_file())
        for size in (16, 32, 48, 64, 128, 256):
            with self.subTest(size=size):
                width, height, alpha = png_size_and_corner_alpha(icons / f"{size}x{size}/apps/typeshelf.png")
                self.assertEqual((width, height), (size, size))
                if size >= 48:  # the small ones keep their original opaque design
                    self.assertEqual(alpha, 0)

    def test_licence_installed_and_declared(self):
        licence = (self.prefix / "share/doc/typeshelf/LICENSE").read_text()
        self.assertTrue(licence.startswith("MIT License"), licence[:80])
        metainfo = next((self.prefix / "share/metainfo").glob("*.metainfo.xml")).read_text()
        self.assertIn("<project_license>MIT</project_license>", metainfo)


if __name__ == "__main__":
    unittest.main()
