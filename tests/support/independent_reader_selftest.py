#!/usr/bin/env python3
"""Checks independent_reader.py on small archives of every layout, written here byte by byte."""
import hashlib
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
READER = os.path.join(HERE, "independent_reader.py")
sys.path.insert(0, HERE)
from independent_reader import crc32_mpeg2 as crc  # noqa: E402  (its table checks itself)

COMMENT = "Démo archive"
FIRST = b"Kelvane test entry\r\n"
ENTRIES = [("README.TXT", FIRST, 1000000000), ("A\\B.TXT", b"inner text " * 40, 1100000000)]
AUDIT = {"user": "lead", "time": 1200000000, "action": 0, "path": "A\\B.TXT", "old_time": 0,
         "old_size": 0, "new_time": 1100000000, "new_size": 440}
DEPENDENCY = bytes(range(256)) + b"DEPENDS!"


def text(value, size):
    return value.encode("cp1252").ljust(size, b"\0")


def audit_record():
    a = AUDIT
    return (text(a["user"], 32) + struct.pack("<iI", a["time"], a["action"]) +
            text(a["path"], 256) +
            struct.pack("<iIiI", a["old_time"], a["old_size"], a["new_time"], a["new_size"]))


def name_table(names):
    offsets, table = [], b""
    for name in names:
        offsets.append(len(table))
        table += name.encode("cp1252") + b"\0"
    return offsets, table


def packed(data, wrapper):
    """(stored bytes, flag) of an entry: as is, zlib-wrapped or raw deflate."""
    if wrapper is None:
        return data, 0
    stream = zlib.compressobj(9, zlib.DEFLATED, zlib.MAX_WBITS if wrapper == "zlib" else -15)
    return stream.compress(data) + stream.flush(), 8


def build_epd():
    start, records, blob = 272 + 80 * len(ENTRIES), b"", b""
    for name, data, stamp in ENTRIES:
        records += text(name, 64) + struct.pack("<iiiI", len(data), start + len(blob), stamp,
                                                crc(data))
        blob += data
    body = records + blob
    return b"dtxe" + text(COMMENT, 256) + struct.pack("<iII", len(ENTRIES), 1, crc(body)) + body


def build_pod1():
    start, records, blob = 84 + 40 * len(ENTRIES), b"", b""
    for name, data, _ in ENTRIES:
        records += text(name, 32) + struct.pack("<II", len(data), start + len(blob))
        blob += data
    return struct.pack("<I", len(ENTRIES)) + text(COMMENT, 80) + records + blob


def build_pod2(tag=b"POD2", name_offsets=None):
    offsets, table = name_table(name for name, _, _ in ENTRIES)
    start, records, blob = 96 + 20 * len(ENTRIES) + len(table), b"", b""
    for name_offset, (_, data, stamp) in zip(name_offsets or offsets, ENTRIES):
        records += struct.pack("<IIIiI", name_offset, len(data), start + len(blob), stamp,
                               crc(data))
        blob += data
    body = text(COMMENT, 80) + struct.pack("<II", len(ENTRIES), 1) + records + table + blob
    body += audit_record()
    return tag + struct.pack("<I", crc(body)) + body


def build_pod3(tag="POD3", wrapper=None, crc_inflated=True, table_extra=0, data_last=False):
    """POD3, POD4 or POD5; the second entry goes through WRAPPER in POD4/POD5."""
    header_size = 292 if tag == "POD5" else 288
    offsets, table = name_table(name for name, _, _ in ENTRIES)
    stored = [packed(data, wrapper if i == 1 else None) for i, (_, data, _) in enumerate(ENTRIES)]
    blob = b"".join(data for data, _ in stored)
    record_size = 20 if tag == "POD3" else 28
    tail = len(ENTRIES) * record_size + len(table) + len(DEPENDENCY) + 312
    directory = header_size if data_last else header_size + len(blob)
    at, records = header_size + tail if data_last else header_size, b""
    for name_offset, (data, flag), (_, plain, stamp) in zip(offsets, stored, ENTRIES):
        checksum = crc(plain if crc_inflated else data)
        if tag == "POD3":
            records += struct.pack("<IIIiI", name_offset, len(data), at, stamp, checksum)
        else:
            records += struct.pack("<IIIIIiI", name_offset, len(data), at, len(plain), flag, stamp,
                                   checksum)
        at += len(data)
    header = (tag.encode() + b"\0" * 4 + text(COMMENT, 80) +
              struct.pack("<IIII", len(ENTRIES), 1, 3, 0) + text("author", 80) +
              text("copyright", 80) +
              struct.pack("<6I", directory, crc(records), len(table) + table_extra, 1,
                          crc(DEPENDENCY), crc(audit_record())))
    header = header[:4] + struct.pack("<I", crc(header[8:288])) + header[8:]
    if tag == "POD5":
        header += struct.pack("<I", 7)
    tail = records + table + DEPENDENCY + audit_record()
    return header + (tail + blob if data_last else blob + tail)


def build_pod6(table_extra=0):
    offsets, table = name_table(name for name, _, _ in ENTRIES)
    stored = [packed(data, "raw" if i == 1 else None) for i, (_, data, _) in enumerate(ENTRIES)]
    blob = b"".join(data for data, _ in stored)
    records, at = b"", 20
    for name_offset, (data, flag), (_, plain, _) in zip(offsets, stored, ENTRIES):
        records += struct.pack("<6I", name_offset, len(data), at, len(plain), flag, 0)
        at += len(data)
    header = b"POD6" + struct.pack("<4I", len(ENTRIES), 1, 20 + len(blob), len(table) + table_extra)
    return header + blob + records + table


def pod6_second_record(field, value):
    """A POD6 archive whose second record has VALUE in the u32 at FIELD."""
    data = bytearray(build_pod6())
    directory = struct.unpack_from("<I", data, 12)[0]
    struct.pack_into("<I", data, directory + 24 + field, value)
    return bytes(data)


LAYOUTS = {"EPD": build_epd, "POD1": build_pod1, "POD2": build_pod2, "POD3": build_pod3,
           "POD4": lambda: build_pod3("POD4", "zlib", crc_inflated=True),
           "POD5": lambda: build_pod3("POD5", "raw", crc_inflated=False), "POD6": build_pod6}


class IndependentReaderTest(unittest.TestCase):
    def run_reader(self, data, extension=".POD"):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "TEST" + extension)
            with open(path, "wb") as file:
                file.write(data)
            done = subprocess.run([sys.executable, READER, path], capture_output=True)
        return done.returncode, json.loads(done.stdout) if done.stdout else None

    def test_every_layout_reads_back(self):
        for layout, build in LAYOUTS.items():
            with self.subTest(layout):
                status, result = self.run_reader(build(), "." + layout[:3])
                self.assertEqual((status, result["layout"]), (0, layout))
                self.assertEqual(result["checksum_failures"], [])
                self.assertEqual(result["comment"], None if layout == "POD6" else COMMENT)
                stamps = layout not in ("POD1", "POD6")
                self.assertEqual(result["entries"], [
                    {"name": name, "size": len(data), "timestamp": stamp if stamps else None,
                     "sha256": hashlib.sha256(data).hexdigest()} for name, data, stamp in ENTRIES])
                has_audit = layout in ("POD2", "POD3", "POD4", "POD5")
                self.assertEqual(result["audit"], [AUDIT] if has_audit else [])
                self.assertEqual(result["dependencies"], 1 if layout[-1] in "345" else 0)

    def test_flipped_entry_byte_is_reported(self):
        expected = {"EPD": ["archive", "README.TXT"], "POD2": ["archive", "README.TXT"],
                    "POD3": ["README.TXT"], "POD4": ["README.TXT"], "POD5": ["README.TXT"],
                    "POD1": [], "POD6": []}
        for layout, build in LAYOUTS.items():
            with self.subTest(layout):
                data = bytearray(build())
                data[data.find(FIRST)] ^= 0x01
                status, result = self.run_reader(bytes(data), "." + layout[:3])
                self.assertEqual(result["checksum_failures"], expected[layout])
                self.assertEqual(status, 1 if expected[layout] else 0)
                self.assertNotEqual(result["entries"][0]["sha256"],
                                    hashlib.sha256(FIRST).hexdigest())

    def test_inconsistent_fields_are_reported(self):
        both = [name for name, _, _ in ENTRIES]
        cases = [
            ("POD2 names out of order", build_pod2(name_offsets=[11, 0]),
             [f"name offset of {name}" for name in both]),
            ("POD3 name table size", build_pod3(table_extra=1), ["name table size"]),
            ("POD6 name table size", build_pod6(table_extra=-1), ["name table size"]),
            ("POD3 data after the directory", build_pod3(data_last=True),
             [f"directory offset before the data of {name}" for name in both]),
            ("POD4 truncated", build_pod3("POD4", "zlib")[:-100], ["audit records outside the file"]),
            ("POD5 dependency record changed",
             build_pod3("POD5", "raw").replace(b"DEPENDS!", b"DEPENDS?"), ["dependency records"]),
            ("POD6 inflated size", pod6_second_record(12, 441), ["inflated size: A\\B.TXT"]),
            ("POD6 stream cut short", pod6_second_record(4, 5), ["stream ends early: A\\B.TXT"]),
        ]
        for label, data, failures in cases:
            with self.subTest(label):
                status, result = self.run_reader(data)
                self.assertEqual((status, result["checksum_failures"]), (1, failures))

    def test_layout_choice_and_usage_errors(self):
        status, result = self.run_reader(build_pod2(tag=b"XY12"))
        self.assertEqual((status, result["layout"]), (0, "POD2"))
        status, _ = self.run_reader(build_pod2(), ".ZIP")
        self.assertEqual(status, 2)
        missing = subprocess.run([sys.executable, READER, os.path.join(HERE, "none.POD")],
                                 capture_output=True)
        self.assertEqual(missing.returncode, 2)


if __name__ == "__main__":
    unittest.main()
