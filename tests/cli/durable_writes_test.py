#!/usr/bin/env python3
"""Archives written by kelvane-cli reach the disk before it reports success; extraction does not wait.

Runs the real program under strace and reads the order of its flushes and renames: the new
archive is flushed, renamed over the old one, then its folder is flushed. Extracted files are
put in place (a new one linked in from an unnamed file) with no flush at all.

Usage: durable_writes_test.py KELVANE_CLI
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

CLI = None
TRACED = "fsync,fdatasync,rename,renameat,renameat2,linkat"
# With -y every descriptor is followed by the path it stands for: 3</tmp/x/.part>.
FLUSH = re.compile(r'^(?:\d+ +)?f(?:data)?sync\(\d+<(?P<path>[^>]*)>\) += 0$')
RENAME = re.compile(r'^(?:\d+ +)?renameat2?\(\d+<(?P<old_dir>[^>]*)>, "(?P<old>[^"]*)", '
                    r'\d+<(?P<new_dir>[^>]*)>, "(?P<new>[^"]*)"(?:, \w+)?\) += 0$')
# An unnamed file is linked by its descriptor, or through /proc where that is refused.
LINK = re.compile(r'^(?:\d+ +)?linkat\('
                  r'(?:\d+<[^>]*>(?: ?\(deleted\))?, "", |AT_FDCWD<[^>]*>, "/proc/self/fd/\d+", )'
                  r'\d+<(?P<new_dir>[^>]*)>, "(?P<new>[^"]*)", '
                  r'(?:AT_EMPTY_PATH|AT_SYMLINK_FOLLOW)\) += 0$')


def traced(*args):
    """The flushes, renames and links of one run, as ("flush", path), ("rename", old, new) and
    ("link", None, new)."""
    # LeakSanitizer cannot work under a tracer: a sanitized build runs without it here.
    env = dict(os.environ)
    env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "detect_leaks=0"]))
    with tempfile.NamedTemporaryFile("r") as log:
        done = subprocess.run(["strace", "-f", "-y", "-qq", "-o", log.name, "-e",
                               "trace=" + TRACED, CLI, *args], capture_output=True, text=True,
                              env=env)
        if done.returncode != 0:
            raise AssertionError(f"{args} failed: {done.stderr}")
        calls = []
        for line in log.read().splitlines():
            if match := FLUSH.match(line):
                calls.append(("flush", match["path"]))
            elif match := RENAME.match(line):
                calls.append(("rename", os.path.join(match["old_dir"], match["old"]),
                              os.path.join(match["new_dir"], match["new"])))
            elif match := LINK.match(line):
                calls.append(("link", None, os.path.join(match["new_dir"], match["new"])))
            elif "sync(" in line or "rename" in line or "link" in line:
                raise AssertionError("unexpected call: " + line)
        return calls


class DurableWritesTest(unittest.TestCase):
    def setUp(self):
        if shutil.which("strace") is None:
            self.fail("strace is missing: scripts/bootstrap installs it")
        self.scratch = tempfile.TemporaryDirectory()
        self.root = os.path.realpath(self.scratch.name)
        self.source = os.path.join(self.root, "source")
        os.makedirs(self.source)
        for name in ("one.txt", "two.txt"):
            with open(os.path.join(self.source, name), "w") as out:
                out.write(name)

    def tearDown(self):
        self.scratch.cleanup()

    def assert_flushed_in_place(self, calls, archive):
        folder = os.path.dirname(archive)
        renames = [call for call in calls if call[0] == "rename" and call[2] == archive]
        self.assertEqual(len(renames), 1, calls)
        temporary = renames[0][1]
        self.assertEqual(os.path.dirname(temporary), folder)
        # The archive's own bytes, then the rename, then the folder that records it.
        self.assertEqual(calls, [("flush", temporary), renames[0], ("flush", folder)])

    def test_archive_writes_are_flushed_and_extraction_is_not(self):
        archive = os.path.join(self.root, "a.pod")
        self.assert_flushed_in_place(traced("create", archive, self.source), archive)
        self.assert_flushed_in_place(traced("add", archive, self.source), archive)
        self.assert_flushed_in_place(traced("delete", archive, "one.txt"), archive)

        out = os.path.join(self.root, "out")
        calls = traced("extract", archive, out)
        self.assertEqual([call for call in calls if call[0] == "flush"], [])
        self.assertEqual([call[2] for call in calls], [os.path.join(out, "two.txt")])


if __name__ == "__main__":
    CLI = sys.argv.pop(1)
    unittest.main()
