#!/usr/bin/env python3
"""Reads an EPD or POD archive of any layout and prints its catalogue as JSON.

A test oracle that shares nothing with the program's reader: it lists every entry with the
SHA-256 of its (inflated) bytes, the audit trail and every checksum field that does not hold.
Exit status: 0 when everything holds, 1 when a check fails, 2 for usage errors and files that
cannot be read.
"""
import argparse
import hashlib
import json
import struct
import sys
import zlib

AUDIT_SIZE = 312
DEPENDENCY_SIZE = 264


def _crc_table():
    table = []
    for byte in range(256):
        crc = byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
        table.append(crc & 0xFFFFFFFF)
    return table


CRC_TABLE = _crc_table()


def crc32_mpeg2(data):
    """CRC-32/MPEG-2: MSB first, initial 0xFFFFFFFF, no reflection, no final XOR."""
    crc = 0xFFFFFFFF
    for byte in data:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ CRC_TABLE[(crc >> 24) ^ byte]
    return crc


for _text, _value in ((b"123456789", 0x0376E6E7), (b"", 0xFFFFFFFF), (b"\0", 0x4E08BFB4),
                      (b"a", 0xE66C6494), (bytes(280), 0xC954A0DE)):
    assert crc32_mpeg2(_text) == _value, "CRC-32/MPEG-2 table is wrong"


def cp1252(raw):
    # Bytes cp1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same code point.
    return "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b) for b in raw)


def cstr(raw):
    """A NUL-padded text field, up to its first NUL."""
    return cp1252(raw.split(b"\0", 1)[0])


class Truncated(Exception):
    pass


class Archive:
    """The file's bytes with bounds-checked fields, and the catalogue being read from them."""

    def __init__(self, data, layout):
        self.data = data
        self.result = {"layout": layout, "comment": None, "entries": [], "audit": [],
                       "dependencies": 0, "checksum_failures": []}

    def bytes_at(self, offset, size, what):
        if offset < 0 or size < 0 or offset + size > len(self.data):
            raise Truncated(f"{what} outside the file")
        return self.data[offset:offset + size]

    def u32(self, offset, what):
        return struct.unpack("<I", self.bytes_at(offset, 4, what))[0]

    def text(self, offset, size, what):
        return cstr(self.bytes_at(offset, size, what))

    def fail(self, what):
        self.result["checksum_failures"].append(what)

    def check(self, stored, covered, what):
        if crc32_mpeg2(covered) != stored:
            self.fail(what)

    def add_entry(self, name, stored_bytes, size, timestamp):
        digest = None if stored_bytes is None else hashlib.sha256(stored_bytes).hexdigest()
        self.result["entries"].append({"name": name, "size": size, "timestamp": timestamp,
                                       "sha256": digest})

    def stored(self, name, offset, size):
        if offset + size > len(self.data):
            self.fail(f"outside the file: {name}")
            return None
        return self.data[offset:offset + size]

    def read_audit(self, offset, count):
        for at in range(offset, offset + count * AUDIT_SIZE, AUDIT_SIZE):
            rec = self.bytes_at(at, AUDIT_SIZE, "audit records")
            fields = struct.unpack_from("<iI", rec, 32) + struct.unpack_from("<iIiI", rec, 296)
            self.result["audit"].append({
                "user": cstr(rec[:32]), "time": fields[0], "action": fields[1],
                "path": cstr(rec[40:296]),
                "old_time": fields[2], "old_size": fields[3], "new_time": fields[4],
                "new_size": fields[5]})

    def names_in_sequence(self, start, count):
        """Reads COUNT NUL-ended names from START; returns (name, offset in table) pairs and the end."""
        names, at = [], start
        for _ in range(count):
            end = self.data.find(b"\0", at)
            if end < 0:
                raise Truncated("name table outside the file")
            names.append((cp1252(self.data[at:end]), at - start))
            at = end + 1
        return names, at


def inflate(archive, name, stored_bytes, size, flag):
    """The entry's bytes once inflated, or None (reported) when the stream is faulty."""
    if stored_bytes is None or (flag == 0 and len(stored_bytes) == size):
        return stored_bytes
    head = stored_bytes[:2]
    is_zlib = len(head) == 2 and head[0] & 0x0F == 8 and (head[0] << 8 | head[1]) % 31 == 0
    stream = zlib.decompressobj(zlib.MAX_WBITS if is_zlib else -zlib.MAX_WBITS)
    try:
        out = stream.decompress(stored_bytes, size + 1)
    except zlib.error as error:
        archive.fail(f"corrupt stream: {name} ({error})")
        return None
    if len(out) != size or not stream.eof:
        archive.fail(f"inflated size: {name}" if stream.eof or len(out) > size
                     else f"stream ends early: {name}")
        return None
    return out


def read_epd(a):
    a.result["comment"] = a.text(4, 256, "header")
    count = a.u32(260, "header")
    a.check(a.u32(268, "header"), a.data[272:], "archive")
    for at in range(272, 272 + count * 80, 80):
        rec = a.bytes_at(at, 80, "directory")
        size, offset, timestamp, crc = struct.unpack_from("<IIiI", rec, 64)
        name = cstr(rec[:64])
        data = a.stored(name, offset, size)
        if data is not None:
            a.check(crc, data, name)
        a.add_entry(name, data, size, timestamp)


def read_pod1(a):
    count = a.u32(0, "header")
    a.result["comment"] = a.text(4, 80, "header")
    for at in range(84, 84 + count * 40, 40):
        rec = a.bytes_at(at, 40, "directory")
        size, offset = struct.unpack_from("<II", rec, 32)
        name = cstr(rec[:32])
        a.add_entry(name, a.stored(name, offset, size), size, None)


def fits_pod1(data):
    if len(data) < 84:
        return False
    count = struct.unpack_from("<I", data)[0]
    if 84 + 40 * count > len(data):
        return False
    for at in range(84, 84 + 40 * count, 40):
        name = data[at:at + 32]
        size, offset = struct.unpack_from("<II", data, at + 32)
        if b"\0" not in name or offset + size > len(data):
            return False
        if any(b < 0x20 or b == 0x7F for b in name.split(b"\0", 1)[0]):
            return False
    return True


def read_table_entries(a, directory, count, record_size, table_size=None):
    """Records from DIRECTORY, then the name table; returns the records, names and table end."""
    records = [a.bytes_at(directory + i * record_size, record_size, "directory")
               for i in range(count)]
    table = directory + count * record_size
    names, end = a.names_in_sequence(table, count)
    for record, (name, name_offset) in zip(records, names):
        if struct.unpack_from("<I", record)[0] != name_offset:
            a.fail(f"name offset of {name}")
    if table_size is not None and table_size != end - table:
        a.fail("name table size")
    return records, [name for name, _ in names], end


def read_pod2(a):
    a.check(a.u32(4, "header"), a.data[8:], "archive")
    a.result["comment"] = a.text(8, 80, "header")
    count, audits = a.u32(88, "header"), a.u32(92, "header")
    records, names, _ = read_table_entries(a, 96, count, 20)
    for record, name in zip(records, names):
        size, offset, timestamp, crc = struct.unpack_from("<IIiI", record, 4)
        data = a.stored(name, offset, size)
        if data is not None:
            a.check(crc, data, name)
        a.add_entry(name, data, size, timestamp)
    a.read_audit(len(a.data) - audits * AUDIT_SIZE, audits)


def read_pod3_family(a):
    """POD3, POD4 and POD5: the 288-byte header, then 20- or 28-byte records."""
    layout = a.result["layout"]
    header = a.bytes_at(0, 292 if layout == "POD5" else 288, "header")
    a.result["comment"] = a.text(8, 80, "header")
    count, audits = struct.unpack_from("<II", header, 0x58)
    directory, dir_crc, table_size, deps, deps_crc, audit_crc = struct.unpack_from(
        "<6I", header, 0x108)
    header_crc = a.u32(4, "header")
    if crc32_mpeg2(header[8:288]) != header_crc and crc32_mpeg2(header[8:]) != header_crc:
        a.fail("header")
    record_size = 20 if layout == "POD3" else 28
    a.check(dir_crc, a.bytes_at(directory, count * record_size, "directory"), "directory")
    records, names, end = read_table_entries(a, directory, count, record_size, table_size)
    a.result["dependencies"] = deps
    a.check(deps_crc, a.bytes_at(end, deps * DEPENDENCY_SIZE, "dependency records"),
            "dependency records")
    audit_start = end + deps * DEPENDENCY_SIZE
    a.check(audit_crc, a.bytes_at(audit_start, audits * AUDIT_SIZE, "audit records"),
            "audit records")
    a.read_audit(audit_start, audits)
    for record, name in zip(records, names):
        if layout == "POD3":
            stored_size, offset, timestamp, crc = struct.unpack_from("<IIiI", record, 4)
            size, flag = stored_size, 0
        else:
            stored_size, offset, size, flag, timestamp, crc = struct.unpack_from(
                "<IIIIiI", record, 4)
        check_data_before_directory(a, name, offset, stored_size, directory)
        data = a.stored(name, offset, stored_size)
        inflated = inflate(a, name, data, size, flag)
        if data is not None and crc32_mpeg2(data) != crc and (
                inflated is None or crc32_mpeg2(inflated) != crc):
            a.fail(name)
        a.add_entry(name, inflated, size, timestamp)


def check_data_before_directory(a, name, offset, stored_size, directory):
    if offset + stored_size > directory:
        a.fail(f"directory offset before the data of {name}")


def read_pod6(a):
    count, _version, directory, table_size = struct.unpack("<4I", a.bytes_at(4, 16, "header"))
    records, names, _ = read_table_entries(a, directory, count, 24, table_size)
    for record, name in zip(records, names):
        stored_size, offset, size, flag = struct.unpack_from("<4I", record, 4)
        check_data_before_directory(a, name, offset, stored_size, directory)
        data = a.stored(name, offset, stored_size)
        a.add_entry(name, inflate(a, name, data, size, flag), size, None)


READERS = {"EPD": read_epd, "POD1": read_pod1, "POD2": read_pod2, "POD3": read_pod3_family,
           "POD4": read_pod3_family, "POD5": read_pod3_family, "POD6": read_pod6}


def choose_layout(path, data):
    extension = path.rsplit(".", 1)[-1].upper() if "." in path else ""
    if extension == "EPD":
        return "EPD"
    if extension != "POD":
        return None
    tag = data[:4].decode("latin-1")
    if tag in ("POD3", "POD4", "POD5", "POD6"):
        return tag
    return "POD1" if tag != "POD2" and fits_pod1(data) else "POD2"


def read_archive(path, data):
    """The catalogue as a dict, or None when the extension names no archive kind."""
    layout = choose_layout(path, data)
    if layout is None:
        return None
    archive = Archive(data, layout)
    try:
        READERS[layout](archive)
    except Truncated as error:
        archive.fail(str(error))
    return archive.result


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("archive", help="an .EPD or .POD file")
    path = parser.parse_args(argv).archive
    try:
        with open(path, "rb") as file:
            data = file.read()
    except OSError as error:
        print(f"cannot read {path}: {error.strerror}", file=sys.stderr)
        return 2
    result = read_archive(path, data)
    if result is None:
        print(f"{path}: not an .EPD or .POD file", file=sys.stderr)
        return 2
    sys.stdout.buffer.write(json.dumps(result, indent=1, ensure_ascii=False).encode() + b"\n")
    return 1 if result["checksum_failures"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
