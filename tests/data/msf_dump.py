#!/usr/bin/env python3
"""Dumps every medium of a Devid Uvedud archive, for the builder tests.

  msf_dump.py ARCHIVE

One line per entry in table order: id, type, short name, size and the data in
hex (tab-separated); the variants of an "MSF " entry follow on lines that start
with a tab and "variant", with the key in place of the id. Written with the
struct module only, sharing nothing with the C++ reader.
"""
import struct
import sys


def name_text(raw):
    return raw.split(b"\0", 1)[0].decode("latin-1")


def dump(data):
    count = struct.unpack_from("<h", data, 2)[0]
    out = []
    for i in range(max(count, 0)):
        ident, typ, name, off, size = struct.unpack_from("<H4s8sII", data, 8 + 22 * i)
        assert off + size <= len(data), "entry %d outside the archive" % i
        out.append("%d\t%s\t%s\t%d\t%s" % (ident, typ.decode("latin-1"), name_text(name), size,
                                           data[off:off + size].hex()))
        if typ == b"MSF ":
            m = struct.unpack_from("<I", data, off)[0]
            assert size == 4 + 22 * m, "variant table size"
            for k in range(m):
                vid, vtyp, vname, voff, vsize = struct.unpack_from("<H4s8sII", data, off + 4 + 22 * k)
                assert voff + vsize <= len(data), "variant outside the archive"
                out.append("\tvariant\t%d\t%s\t%s\t%d\t%s" % (vid, vtyp.decode("latin-1"), name_text(vname), vsize,
                                                            data[voff:voff + vsize].hex()))
    return "".join(line + "\n" for line in out)


if __name__ == "__main__":
    with open(sys.argv[1], "rb") as f:
        sys.stdout.write(dump(f.read()))
