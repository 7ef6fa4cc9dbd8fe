#!/usr/bin/env python3
"""The bash completion of kelvane-cli, typed into a real interactive bash in a pseudo-terminal,
with Debian's bash-completion loaded (which then loads ours as an installed completion) and
without it (ours sourced). Each case types a line, lists the candidates (possible-completions),
presses TAB and reads the line back; a completed cat line is then run to show that the shell
passes the name the commands select.

Usage: bash_completion_test.py KELVANE_CLI COMPLETION_FILE
"""
import fcntl
import os
import pty
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest

CLI = None
COMPLETION = None
BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"
TIMEOUT = 15

# Stored names of the archive "my demo.pod"; entry N holds b"#N\n".
NAMES = ["TEXTURES\\NOSE.RAW", "TEXTURES\\TAIL.RAW", "TEXT.TXT", "MY DOCS\\READ ME.TXT",
         "LINE\nBREAK.TXT", "DATA\\new.txt", "C:\\FLY\\A.RAW", "A[1]*\tB.TXT",
         "SONS\\\u00c9T\u00c9.WAV", "DEL\x7fETE.TXT"]

# (typed after "kelvane-cli ", candidates listed, line after TAB, entry the line's cat prints)
ENTRY_CASES = [
    (r"extract my\ demo.pod out TEX", ["TEXT.TXT", "TEXTURES\\"],
     r"extract my\ demo.pod out TEXT", None),
    (r"cat my\ demo.pod TEXTURES", ["TEXTURES\\"], r"cat my\ demo.pod TEXTURES\\", None),
    (r"cat my\ demo.pod TEXTURES\\", ["TEXTURES\\NOSE.RAW", "TEXTURES\\TAIL.RAW"],
     r"cat my\ demo.pod TEXTURES\\", None),
    (r"add --texture my\ demo.pod TEXTURES\\N", ["TEXTURES\\NOSE.RAW"],
     r"add --texture my\ demo.pod TEXTURES\\NOSE.RAW ", None),
    (r"cat my\ demo.pod TEXTURES\\N", ["TEXTURES\\NOSE.RAW"],
     r"cat my\ demo.pod TEXTURES\\NOSE.RAW ", 1),
    (r"cat my\ demo.pod textures\\t", ["TEXTURES\\TAIL.RAW"],
     r"cat my\ demo.pod TEXTURES\\TAIL.RAW ", 2),
    (r"cat my\ demo.pod MY", ["MY DOCS\\"], r"cat my\ demo.pod MY\ DOCS\\", None),
    (r"cat my\ demo.pod 'MY DOCS\R", ["MY DOCS\\READ ME.TXT"],
     r"cat my\ demo.pod 'MY DOCS\READ ME.TXT' ", 4),
    (r'cat "my demo.pod" "MY DOCS\\R', ["MY DOCS\\READ ME.TXT"],
     r'cat "my demo.pod" "MY DOCS\\READ ME.TXT" ', 4),
    (r"cat my\ demo.pod LI", ["LINE?BREAK.TXT"], r"cat my\ demo.pod LINE\?BREAK.TXT ", 5),
    (r"cat my\ demo.pod DATA\\n", ["DATA\\new.txt"], r"cat my\ demo.pod DATA\\new.txt ", 6),
    # readline replaces only what follows the colon: the candidates are listed from there.
    (r"cat my\ demo.pod C:\\FLY\\", ["\\FLY\\A.RAW"], r"cat my\ demo.pod C:\\FLY\\A.RAW ", 7),
    (r"cat my\ demo.pod A", ["A[[]1][*]?B.TXT"],
     r"cat my\ demo.pod A\[\[\]1\]\[\*\]\?B.TXT ", 8),
    ("cat my\\ demo.pod SONS\\\\\u00c9", ["SONS\\\u00c9T\u00c9.WAV"],
     "cat my\\ demo.pod SONS\\\\\u00c9T\u00c9.WAV ", 9),
    (r"cat my\ demo.pod DEL", ["DEL?ETE.TXT"], r"cat my\ demo.pod DEL\?ETE.TXT ", 10),
]

# Archives (.pod, .epd), folders and files, beside "my demo.pod".
FILE_CASES = [
    ("extract my", ["my demo.pod"], r"extract my\ demo.pod "),
    ("verify ", ["my demo.pod", "old.EPD", "out dir/"], "verify "),
    (r"diff my\ demo.pod ol", ["old.EPD"], r"diff my\ demo.pod old.EPD "),
    (r"extract my\ demo.pod o", ["out dir/"], r"extract my\ demo.pod out\ dir/"),
    ("decode ", ["out dir/", "PISTE.BGR"], "decode "),
    ("add old.EPD my\\ n", ["my notes.txt"], r"add old.EPD my\ notes.txt "),
    ("texture --resize 64 my\\ n", ["my notes.txt"], r"texture --resize 64 my\ notes.txt "),
]

INPUTRC = """set completion-display-width 0
set completion-query-items 0
set page-completions off
set bell-style none
set enable-bracketed-paste off
"\\C-xl": possible-completions
"""


def pod2_archive(path, names):
    """An older-layout POD: header, 20-byte records, the name table, then the data."""
    table = b"".join(name.encode("cp1252") + b"\0" for name in names)
    data = [b"#%d\n" % (i + 1) for i in range(len(names))]
    offset = 96 + 20 * len(names) + len(table)
    records = b""
    for chunk in data:
        records += struct.pack("<IiiII", 0, len(chunk), offset, 0, 0)
        offset += len(chunk)
    with open(path, "wb") as out:
        out.write(b"POD2" + bytes(84) + struct.pack("<iI", len(names), 0) + records + table +
                  b"".join(data))


class Shell:
    """One interactive bash on a pseudo-terminal, set up as a user's shell would be."""

    def __init__(self, root, with_bash_completion):
        env = {"PATH": os.path.dirname(os.path.abspath(CLI)) + ":/usr/bin:/bin",
               "HOME": os.path.join(root, "home"), "TERM": "dumb", "LANG": "C.UTF-8",
               "INPUTRC": os.path.join(root, "inputrc"),
               "BASH_COMPLETION_USER_DIR": os.path.join(root, "user-completions")}
        self.pending = b""
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(os.path.join(root, "work"))
            os.execve("/bin/bash", ["bash", "--norc", "--noprofile", "-i"], env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 500, 0, 0))
        # With bash-completion, its loader finds ours where a user's own completions live.
        load = f"source {BASH_COMPLETION}" if with_bash_completion else f"source '{COMPLETION}'"
        self.type(f"PS1='PROMPT> '; {load}; "
                  """bind -x '"\\C-xm": printf "<<LINE:%s:END>>\\n" "$READLINE_LINE"'; """
                  """bind -x '"\\C-xe": printf "<<LISTED>>\\n"'; echo RE''ADY\n""")
        self.read_until(b"READY\r\n")
        self.read_until(b"PROMPT> ")

    def type(self, text):
        os.write(self.fd, text.encode())

    def read_until(self, token):
        """What bash prints up to and including TOKEN (the rest is kept for the next read)."""
        deadline = time.monotonic() + TIMEOUT
        while token not in self.pending:
            ready, _, _ = select.select([self.fd], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                raise AssertionError(f"no {token!r} from bash; it printed {self.pending!r}")
            self.pending += os.read(self.fd, 65536)
        end = self.pending.index(token) + len(token)
        output, self.pending = self.pending[:end], self.pending[end:]
        return output.decode()

    def complete(self, text):
        """The candidates listed for TEXT, and the line after TAB."""
        self.type(text + "\x18l\x18e")
        listing = self.read_until(b"<<LISTED>>")
        self.type("\t\x18m")
        line = re.search(r"<<LINE:(.*):END>>", self.read_until(b":END>>"), re.S).group(1)
        listed = []
        # The first row is the typed text; the line is shown again after the candidates.
        for row in re.split(r"\r?\n", listing)[1:]:
            row = row.split("\r")[-1]
            if row and "PROMPT> " not in row and "<<LISTED>>" not in row:
                listed.append(row)
        return sorted(listed), line

    def close(self):
        os.kill(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        os.close(self.fd)


class BashCompletionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        root = cls.root = cls.scratch.name
        work = os.path.join(root, "work")
        for folder in ("home", "user-completions/completions", "work/out dir"):
            os.makedirs(os.path.join(root, folder))
        shutil.copy(COMPLETION, os.path.join(root, "user-completions/completions/kelvane-cli"))
        with open(os.path.join(root, "inputrc"), "w") as out:
            out.write(INPUTRC)
        pod2_archive(os.path.join(work, "my demo.pod"), NAMES)
        for name in ("old.EPD", "my notes.txt", "PISTE.BGR"):
            open(os.path.join(work, name), "w").close()
        cls.work = work

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def check(self, typed, listed, line):
        """Types each case into a fresh shell of both kinds (a failed completion changes what
        readline does next), and returns the completed lines."""
        self.assertTrue(os.path.exists(BASH_COMPLETION), "bash-completion is not installed")
        lines = []
        for with_bash_completion in (True, False):
            with self.subTest(typed=typed, bash_completion=with_bash_completion):
                shell = Shell(self.root, with_bash_completion)
                try:
                    got_listed, got_line = shell.complete("kelvane-cli " + typed)
                finally:
                    shell.close()
                self.assertEqual(got_listed, sorted(listed))
                if line is not None:
                    self.assertEqual(got_line, "kelvane-cli " + line)
                lines.append(got_line)
        return lines

    def test_stored_names_complete_to_words_that_select_them(self):
        for typed, listed, line, entry in ENTRY_CASES:
            for completed in self.check(typed, listed, line):
                if entry is None:
                    continue
                done = subprocess.run(["/bin/bash", "-c", completed], cwd=self.work,
                                      capture_output=True, timeout=TIMEOUT,
                                      env={"PATH": os.path.dirname(os.path.abspath(CLI))})
                self.assertEqual((done.stdout, done.stderr), (b"#%d\n" % entry, b""), completed)

    def test_archives_folders_and_files(self):
        for typed, listed, line in FILE_CASES:
            self.check(typed, listed, line)

    def test_commands_and_options_are_those_of_the_help(self):
        usage = subprocess.run([CLI, "--help"], capture_output=True, text=True,
                               timeout=TIMEOUT).stdout
        commands = dict(re.findall(r"^  kelvane-cli (\w+)(.*)$", usage, re.M))
        self.check("", list(commands) + ["help", "--help"], "")
        self.check("ex", ["extract"], "extract ")
        for command, arguments in commands.items():
            options = re.findall(r"(?<![\w-])(--?[a-z][a-z-]*)", arguments) + ["--help"]
            self.check(command + " -", options, None)
        self.check("create --format ", ["epd", "pod1", "pod2", "pod3"], "create --format ")


if __name__ == "__main__":
    CLI, COMPLETION = (os.path.abspath(sys.argv.pop(1)) for _ in range(2))
    unittest.main()
