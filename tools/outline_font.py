#!/usr/bin/env python3
"""Copies a TrueType font without its embedded bitmap strikes.

    tools/outline_font.py SOURCE.ttf TARGET.ttf

Wine's Tahoma carries black-and-white bitmaps for the small sizes. Under Wine
text drawn at those sizes then advances by the bitmaps' widths while every
measuring call (GetTextExtentPoint32, GetCharWidth32, GetCharABCWidths,
GetGlyphOutline) answers with the outlines' widths, so measured and drawn
text disagree by a tenth. Without the strikes both come from the outlines.
The sandbox installs the font this way; the outlines are untouched.
"""
import struct
import sys

DROP = {b"EBDT", b"EBLC", b"EBSC", b"BDF "}


def strip(data: bytes) -> bytes:
    version, count = struct.unpack(">IH", data[:6])
    tables = [struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i]) for i in range(count)]
    keep = [t for t in tables if t[0] not in DROP]
    n = len(keep)
    power = 1
    while power * 2 <= n:
        power *= 2
    header = struct.pack(">IHHHH", version, n, power * 16, power.bit_length() - 1, n * 16 - power * 16)
    offset = 12 + 16 * n
    directory, body = [], bytearray()
    for tag, checksum, start, length in keep:
        directory.append(struct.pack(">4sIII", tag, checksum, offset + len(body), length))
        body += data[start:start + length] + b"\0" * (-length % 4)
    return header + b"".join(directory) + bytes(body)


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    if data[:4] not in (b"\0\1\0\0", b"true"):
        print(f"error: {sys.argv[1]} is not a TrueType font", file=sys.stderr)
        return 1
    with open(sys.argv[2], "wb") as f:
        f.write(strip(data))
    return 0


if __name__ == "__main__":
    sys.exit(main())
