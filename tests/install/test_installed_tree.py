# SPDX-License-Identifier: MIT
"""Installs the build into a temporary DESTDIR, as a packager does, and checks what desktops
and software centres read from the installed tree, and how the installed program behaves.

Usage: test_installed_tree.py BUILD_DIR PREFIX BINDIR (the build's install prefix and the full
path of its bindir, which the program knows as its installed folder)
"""

import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

from xsession import DEJAVU, XSession, fontconfig_file

BUILD_DIR, PREFIX, BINDIR = (sys.argv.pop(1) for _ in range(3))
APP_ID = "io.github.typeshelf.typeshelf"


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
        cls.prefix = pathlib.Path(cls.destdir.name + PREFIX)
        cls.bindir = pathlib.Path(cls.destdir.name + BINDIR)
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", PREFIX], check=True,
                       stdout=subprocess.DEVNULL, env=dict(os.environ, DESTDIR=cls.destdir.name))

    @classmethod
    def tearDownClass(cls):
        cls.destdir.cleanup()

    def assert_passes(self, *command):
        result = subprocess.run([str(part) for part in command], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_desktop_entry_is_valid(self):
        self.assert_passes("desktop-file-validate", self.prefix / f"share/applications/{APP_ID}.desktop")

    def test_metainfo_is_valid_and_its_desktop_entry_installed(self):
        metainfo = self.prefix / f"share/metainfo/{APP_ID}.metainfo.xml"
        self.assertIn(f"<id>{APP_ID}</id>", metainfo.read_text())
        self.assertIn(f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>', metainfo.read_text())
        self.assert_passes("appstreamcli", "validate", "--pedantic", "--no-net", metainfo)
        self.assert_passes("appstreamcli", "validate-tree", "--pedantic", "--no-net", self.prefix)

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

    def test_german_catalogue_installed(self):
        catalogue = (self.prefix / "share/typeshelf/translations/typeshelf_de.qm").read_bytes()
        self.assertIn("Familiennamen kopieren".encode("utf-16-be"), catalogue)
        desktop = next((self.prefix / "share/applications").glob("*.desktop")).read_text()
        self.assertIn("Comment[de]=", desktop)

    def test_command_line_without_a_display(self):
        release = re.search(r'<release version="([^"]+)"',
                            next((self.prefix / "share/metainfo").glob("*.metainfo.xml")).read_text())
        rows = [  # arguments, exit status, pattern of standard output, pattern of standard error
            (["--help"], 0, r"^Usage: typeshelf \[options\]\n(.|\n)*--version", r"^$"),
            (["--version"], 0, rf"^Typeshelf {re.escape(release[1])}\n$", r"^$"),
            (["--no-such-option"], 2, r"^$", r"^typeshelf: Unknown option 'no-such-option'.\nUsage: typeshelf"),
            (["stray"], 2, r"^$", r"^typeshelf: Unexpected argument 'stray'.\nUsage: typeshelf"),
            # Qt's own options are accepted, and they reach Qt, which names a platform it lacks.
            (["-reverse", "-style=Fusion", "-stylesheet", "none.qss", "--version"], 0, r"^Typeshelf ", r"^$"),
            (["-platform", "no-such-platform"], -signal.SIGABRT, r"^$", r"no-such-platform"),
        ]
        env = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
        for arguments, status, output, error in rows:
            with self.subTest(arguments=arguments):
                result = subprocess.run([self.bindir / "typeshelf", *arguments], capture_output=True,
                                        text=True, env=env, timeout=60)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertRegex(result.stdout, output)
                self.assertRegex(result.stderr, error)

    def run_installed_as_root(self, config, administrators=None):
        """Runs the staged program as root from the folder it was built to be installed in (the
        staged folder mounted there, seen by it alone), then closes its window."""
        if (os.geteuid() != 0 or not pathlib.Path(BINDIR).is_dir() or not shutil.which("unshare")
                or subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode != 0):
            self.skipTest("needs root, the install folder and a mount namespace of its own")
        env = {"XDG_CONFIG_HOME": str(config / "home"), "XDG_CONFIG_DIRS": str(administrators or config / "none"),
               "FONTCONFIG_FILE": str(fontconfig_file(config / "fonts/fonts.conf", [DEJAVU]))}
        with XSession() as session, session.start(
                "unshare", "--mount", "--propagation", "private", "sh", "-c",
                'mount --bind "$0" "$1" && exec "$1/typeshelf"', self.bindir, BINDIR, env=env) as program:
            self.assertEqual(program.wait_for_window().close(), 0)
        self.assertEqual(sorted(path.name for path in self.bindir.iterdir()), ["typeshelf"])
        return (config / "home/typeshelf/typeshelf.ini").read_text()

    def test_installed_copy_run_as_root_writes_its_configuration_folder(self):
        with tempfile.TemporaryDirectory() as folder:
            self.assertIn("Width=", self.run_installed_as_root(pathlib.Path(folder)))

    def test_administrators_file_seeds_a_new_user(self):
        with tempfile.TemporaryDirectory() as folder:
            administrators = pathlib.Path(folder) / "xdg"
            (administrators / "typeshelf").mkdir(parents=True)
            seed = "; placed by the administrator\n[Settings]\nExampleText=Seeded sentence\n"
            (administrators / "typeshelf/typeshelf.ini").write_text(seed)
            written = self.run_installed_as_root(pathlib.Path(folder), administrators)
            self.assertTrue(written.startswith(seed.rstrip("\n")), written)
            self.assertIn("Width=", written)
            self.assertEqual((administrators / "typeshelf/typeshelf.ini").read_text(), seed)


if __name__ == "__main__":
    unittest.main()
