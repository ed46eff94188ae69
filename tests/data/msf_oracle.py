#!/usr/bin/env python3
"""Independent writer and reader of Devid Uvedud archives for the tests.

Written with the struct module only, sharing nothing with the C++ reader.

  msf_oracle.py build DESCRIPTION.json OUT.msf
  msf_oracle.py list ARCHIVE            (the listing ostrevan-tool should print)
  msf_oracle.py mf FILE.mf              (prints id, type, name, offset, size, data hex)

A description is {"entries": [...], optional "version", "count", "truncate",
"embedded"}.
Each entry: {"id", "type", "name", "data" (text, or "hex:..." bytes)} or, for a
variant table, {"id", "variants": [{"key", "type", "name", "data"}], optional
"msf_count", "msf_size"}; optional "offset"/"size" replace the computed values
(for malformed archives). "version" (else 5) and "count" replace the header's
fields; "truncate" cuts the file to that many bytes; "embedded": {"prefix":
"hex:..", "suffix_len" overrides the trailer value} puts the archive inside a
host file.
"""
import json
import struct
import sys


def payload(value):
    if value is None:
        return b""
    if isinstance(value, str) and value.startswith("hex:"):
        return bytes.fromhex(value[4:])
    if isinstance(value, dict) and "repeat" in value:
        return bytes([value.get("byte", 0x41)]) * value["repeat"]
    return value.encode("latin-1")


def type_bytes(text):
    raw = text.encode("latin-1")
    assert len(raw) == 4, text
    return raw


def name_bytes(text):
    raw = (text or "").encode("latin-1")[:8]
    return raw + b"\0" * (8 - len(raw))


def entry_bytes(ident, type_code, name, offset, size):
    return struct.pack("<H4s8sII", ident, type_code, name, offset, size)


def build(desc):
    entries = desc["entries"]
    count = len(entries)
    data_start = 8 + 22 * count
    blobs = []
    table = []
    pos = data_start
    for e in entries:
        if "variants" in e:
            variants = e["variants"]
            m = e.get("msf_count", len(variants))
            vtable_size = 4 + 22 * len(variants)
            vpos = pos + vtable_size
            vdatas = []
            ventries = b""
            for v in variants:
                d = payload(v.get("data"))
                ventries += entry_bytes(v["key"], type_bytes(v["type"]), name_bytes(v.get("name")),
                                        v.get("offset", vpos), v.get("size", len(d)))
                vdatas.append(d)
                vpos += len(d)
            blob = struct.pack("<I", m) + ventries + b"".join(vdatas)
            size = e.get("msf_size", vtable_size)
            table.append(entry_bytes(e["id"], b"MSF ", name_bytes(e.get("name")), e.get("offset", pos), size))
        else:
            blob = payload(e.get("data"))
            table.append(entry_bytes(e["id"], type_bytes(e["type"]), name_bytes(e.get("name")),
                                     e.get("offset", pos), e.get("size", len(blob))))
        blobs.append(blob)
        pos += len(blob)
    header = struct.pack("<H", desc.get("version", 5)) + struct.pack("<h", desc.get("count", count)) + struct.pack("<I", 0)
    archive = header + b"".join(table) + b"".join(blobs)
    if "truncate" in desc:
        archive = archive[:desc["truncate"]]
    if "embedded" in desc:
        emb = desc["embedded"]
        trailer = emb.get("trailer", len(archive))
        archive = payload(emb.get("prefix")) + archive + struct.pack("<i", trailer)
    return archive


def show(raw):
    out = ""
    for b in raw:
        out += chr(b) if 32 <= b < 127 and b != 0x5C else "\\x%02X" % b
    return out


def short_name(raw):
    return show(raw.split(b"\0", 1)[0])


def listing(data):
    count = struct.unpack_from("<h", data, 2)[0]
    lines = []
    for i in range(max(count, 0)):
        ident, typ, name, off, size = struct.unpack_from("<H4s8sII", data, 8 + 22 * i)
        lines.append("%d\t%d\t%s\t%d\t%d\t%s" % (i, ident, show(typ), off, size, short_name(name)))
        if typ == b"MSF ":
            m = struct.unpack_from("<I", data, off)[0]
            for k in range(m):
                vid, vtyp, vname, voff, vsize = struct.unpack_from("<H4s8sII", data, off + 4 + 22 * k)
                lines.append("\tvariant\t%d\t%s\t%d\t%d\t%s" % (vid, show(vtyp), voff, vsize, short_name(vname)))
    return "".join(line + "\n" for line in lines)


def main():
    cmd = sys.argv[1]
    if cmd == "build":
        with open(sys.argv[2]) as f:
            desc = json.load(f)
        with open(sys.argv[3], "wb") as f:
            f.write(build(desc))
    elif cmd == "list":
        with open(sys.argv[2], "rb") as f:
            sys.stdout.write(listing(f.read()))
    elif cmd == "mf":
        with open(sys.argv[2], "rb") as f:
            data = f.read()
        ident, typ, name, off, size = struct.unpack_from("<H4s8sII", data, 0)
        print("%d\t%s\t%s\t%d\t%d\t%s" % (ident, show(typ), short_name(name), off, size,
                                          data[off:off + size].hex()))
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
