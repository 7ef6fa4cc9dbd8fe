#!/usr/bin/python3
"""Writes the sample files of the demo archive: one small file of every kind Kelvane views.

Run from anywhere: /usr/bin/python3 samples/make_samples.py (needs python3-pil). The files
are committed; run this again only to change them.
"""
import math
import os
import struct
import wave

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))


def path(name):
    return os.path.join(HERE, name)


def picture(width, height):
    """A gradient with a frame and a diagonal: orientation and colours are easy to check."""
    image = Image.new("RGB", (width, height))
    pixels = image.load()
    for y in range(height):
        for x in range(width):
            pixels[x, y] = (255 * x // (width - 1), 255 * y // (height - 1), 160)
    draw = ImageDraw.Draw(image)
    draw.rectangle([0, 0, width - 1, height - 1], outline=(255, 255, 255))
    draw.line([4, 4, width // 2, height // 2], fill=(0, 0, 0), width=3)
    draw.text((8, height - 20), "Kelvane", fill=(255, 255, 255))
    return image


def write_text():
    text = ("Kelvane - archive de démonstration\r\n"
            "\r\n"
            "Chaque fichier de cette archive s'ouvre dans sa visionneuse :\r\n"
            "double-cliquez sur sa ligne. CTRL-F pour effectuer une recherche.\r\n"
            "Every file of this archive opens in its viewer: double-click its row.\r\n")
    with open(path("LISEZMOI.TXT"), "wb") as out:
        out.write(text.encode("cp1252"))


def write_wav():
    rate = 11025
    with wave.open(path("BEEP.WAV"), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(1)
        out.setframerate(rate)
        frames = bytes(int(128 + 90 * math.sin(2 * math.pi * 440 * i / rate)
                           * min(1.0, (rate * 0.5 - i) / 500.0))
                       for i in range(int(rate * 0.5)))
        out.writeframes(frames)


def write_pictures():
    picture(96, 64).save(path("LOGO.BMP"))
    picture(160, 120).save(path("PHOTO.JPG"), quality=90)
    picture(80, 60).save(path("PANEL.TGA"), compression="tga_rle")
    picture(120, 80).save(path("CARTE.TIF"), compression="tiff_deflate")


def write_texture():
    side = 64
    indices = bytes((x // 8 + y // 8) % 2 * 128 + (x + y) % 128
                    for y in range(side) for x in range(side))
    with open(path("TEX01.RAW"), "wb") as out:
        out.write(indices)
    palette = bytearray()
    for i in range(256):
        palette += bytes((i, 255 - i, (i * 4) % 256))
    with open(path("TEX01.ACT"), "wb") as out:
        out.write(palette)


def write_key_file():
    def key(name, code, modifier=None):
        lines = ["<kkey>", "<bgno>", "<kyid>", "'" + name[:4].lower() + "'",
                 "<name>", name, "<code>", str(code)]
        if modifier is not None:
            lines += ["<modi>", str(modifier)]
        return lines + ["<user>", "1", "<endo>"]

    lines = ["<kset>", "<kyid>", "'glob'", "<name>", "Commandes générales",
             "<user>", "1", "<enab>", "1"]
    lines += key("Pause", 59) + key("Quitter", 65536 + 16) + key("Vue suivante", 15, 4)
    lines += ["<endo>"]
    lines += ["<kset>", "<kyid>", "'cntl'", "<name>", "Commandes de vol",
              "<user>", "1", "<enab>", "1"]
    lines += key("Volets sortis", 72) + key("Volets rentrés", 80) + key("Frein", 57)
    lines += ["<endo>"]
    with open(path("FLY.KEY"), "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


def write_dbf():
    fields = [("ICAO", 4), ("NOM", 24), ("ALTITUDE", 6)]
    records = [("LFPG", "Paris Charles de Gaulle", "392"),
               ("LFPO", "Paris Orly", "291"),
               ("LFBO", "Toulouse Blagnac", "499"),
               ("KSFO", "San Francisco", "13")]
    record_length = 1 + sum(width for _, width in fields)
    header_length = 32 + 32 * len(fields) + 1
    data = struct.pack("<4sIHH20s", b"\x03\x7e\x0c\x08", len(records), header_length,
                       record_length, b"")
    for name, width in fields:
        data += struct.pack("<11sc4sB15s", name.encode(), b"C", b"", width, b"")
    data += b"\r"
    for record in records:
        data += b" " + b"".join(value.encode("cp1252").ljust(width)
                                for value, (_, width) in zip(record, fields))
    data += b"\x1a"
    with open(path("AEROPORT.DBF"), "wb") as out:
        out.write(data)


def write_object_file():
    def tag(name):
        return b"<" + name.encode() + b">\0"

    data = tag("icao") + b"LFPG\0"
    data += tag("orgn") + struct.pack("<dddI", 2.5479, 49.0097, 392.0, 7)
    data += tag("vert") + struct.pack("<i", -12)
    data += tag("lowl") + struct.pack("<ddd", 1.5, 0.0, -2.25)
    data += tag("rndx") + struct.pack("<III", 1, 2, 3)
    data += tag("pave") + b"\x01\x02\x03\x04"
    data += tag("edge") + struct.pack("<ii", 10, 20)
    with open(path("PISTE.BGR"), "wb") as out:
        out.write(data)


if __name__ == "__main__":
    write_text()
    write_wav()
    write_pictures()
    write_texture()
    write_key_file()
    write_dbf()
    write_object_file()
