#!/usr/bin/env python3
"""Writes a small archive with sound entries and one of each kind of failure the window
explains: a wrong CRC, a compression method without a decoder (PPMd) and a link leading out
of the destination. For the documentation's pictures: scripts/damaged_sample_zip.py OUT.zip"""
import stat
import struct
import sys
import zipfile


def patch_header(data, signature, name_length_at, name_at, field_offset, encoded, fmt, value):
    """Writes value at field_offset into the first header with this signature and name."""
    header = data.find(signature)
    while header != -1:
        name_length = struct.unpack_from("<H", data, header + name_length_at)[0]
        if data[header + name_at:header + name_at + name_length] == encoded:
            struct.pack_into(fmt, data, header + field_offset, value)
            return
        header = data.find(signature, header + 4)


def patch_both_headers(data, name, field_offset_local, field_offset_central, value, size):
    """Writes value into the named entry's local and central header at the given offsets."""
    encoded = name.encode()
    fmt = "<H" if size == 2 else "<I"
    patch_header(data, b"PK\x03\x04", 26, 30, field_offset_local, encoded, fmt, value)
    patch_header(data, b"PK\x01\x02", 28, 46, field_offset_central, encoded, fmt, value)


def main():
    target = sys.argv[1]
    with zipfile.ZipFile(target, "w") as archive:
        archive.writestr("site/index.html", "<html><body>Welcome</body></html>\n" * 40,
                         zipfile.ZIP_DEFLATED)
        archive.writestr("site/style.css", "body { margin: 0 }\n" * 30, zipfile.ZIP_DEFLATED)
        archive.writestr("site/notes.txt", "These notes were damaged on the way.\n" * 20)
        archive.writestr("site/archive.dat", "packed by a method no decoder here knows\n")
        link = zipfile.ZipInfo("site/passwords")
        link.create_system = 3
        link.external_attr = (stat.S_IFLNK | 0o777) << 16
        archive.writestr(link, "../../../etc/passwd")
        archive.writestr("site/logo.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>\n")
    data = bytearray(open(target, "rb").read())
    patch_both_headers(data, "site/notes.txt", 14, 16, 0x1BADC0DE, 4)  # CRC-32
    patch_both_headers(data, "site/archive.dat", 8, 10, 98, 2)  # method: PPMd
    open(target, "wb").write(data)


if __name__ == "__main__":
    main()
