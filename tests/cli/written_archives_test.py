#!/usr/bin/env python3
"""Archives created, added to and deleted from by kelvane-cli, read back by the independent reader.

Usage: written_archives_test.py KELVANE_CLI
"""
import hashlib
import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
READER = os.path.join(HERE, "..", "support", "independent_reader.py")
CLI = None

# Names as files on disk (UTF-8) and as the reader decodes them from Windows-1252.
FIRST_FILES = {
    "readme.txt": b"Kelvane\r\n",
    "ART/plane.raw": bytes(range(256)) * 300,
    "Sons/\u00e9t\u00e9.wav": b"RIFF" + bytes(5000),
    "empty.dat": b"",
}
ADDED_FILES = {"ART/PLANE.RAW": b"replaced", "new.txt": b"added"}


def stored(name):
    return name.replace("/", "\\")


def digest(data):
    return hashlib.sha256(data).hexdigest()


class WrittenArchivesTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.root = self.scratch.name

    def tearDown(self):
        self.scratch.cleanup()

    def folder(self, name, files):
        path = os.path.join(self.root, name)
        for relative, data in files.items():
            file = os.path.join(path, relative)
            os.makedirs(os.path.dirname(file), exist_ok=True)
            with open(file, "wb") as out:
                out.write(data)
        return path

    def cli(self, *args):
        done = subprocess.run([CLI, *args], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)

    def read_back(self, archive):
        done = subprocess.run([sys.executable, READER, archive], capture_output=True)
        result = json.loads(done.stdout)
        self.assertEqual((done.returncode, result["checksum_failures"]), (0, []))
        return result

    def assert_entries(self, result, expected):
        self.assertEqual([(e["name"], e["size"], e["sha256"]) for e in result["entries"]],
                         [(stored(n), len(d), digest(d)) for n, d in expected])

    def test_every_writable_layout_reads_back_after_each_change(self):
        first = self.folder("first", FIRST_FILES)
        added = self.folder("added", ADDED_FILES)
        for layout, extension in (("epd", ".EPD"), ("pod1", ".POD"), ("pod2", ".POD"),
                                  ("pod3", ".POD")):
            with self.subTest(layout):
                archive = os.path.join(self.root, layout + extension)
                self.cli("create", "--format", layout, "--comment", "Mon avion", archive, first)
                result = self.read_back(archive)
                self.assertEqual(result["layout"], layout.upper())
                created = sorted(FIRST_FILES.items(), key=lambda item: stored(item[0]))
                self.assert_entries(result, created)
                self.assertEqual(result["comment"], "Mon avion")
                # Audit actions: 0 added, 1 deleted, 2 replaced.
                audits = len(result["audit"])

                self.cli("add", archive, added)
                self.cli("add", archive, os.path.join(added, "new.txt"))
                result = self.read_back(archive)
                # ART\PLANE.RAW replaces ART\plane.raw where it stood; new.txt is added, then
                # replaced by itself.
                after_add = [("ART/PLANE.RAW", ADDED_FILES["ART/PLANE.RAW"])] + created[1:]
                after_add.append(("new.txt", ADDED_FILES["new.txt"]))
                self.assert_entries(result, after_add)

                # Entry 1 is ART\PLANE.RAW.
                self.cli("delete", archive, "readme.txt", "1")
                result = self.read_back(archive)
                self.assert_entries(result, [(n, d) for n, d in after_add[1:] if n != "readme.txt"])
                if layout in ("pod2", "pod3"):
                    actions = [r["action"] for r in result["audit"][audits:]]
                    self.assertEqual(actions, [2, 0, 2, 1, 1])


if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main()
