#!/usr/bin/env python3
"""Checks a built DLL's PE headers: its exported names (and ordinals), the DLLs
it imports, ASLR and DEP flags, a relocation table, no section that is both
writable and executable, and optionally its file size.

usage: check_pe.py DLL --export NAME[=ORDINAL] ... --import DLLNAME ... [--max-size BYTES]
"""
import argparse
import struct
import sys

IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections, _, _, _, opt_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        if magic != 0x10B:
            raise ValueError("not a 32-bit (PE32) image")
        self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
        ndirs = struct.unpack_from("<I", data, opt + 92)[0]
        self.dirs = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            off = opt + opt_size + 40 * i
            name = data[off:off + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, off + 8)
            flags = struct.unpack_from("<I", data, off + 36)[0]
            self.sections.append((name, va, max(vsize, rawsize), rawptr, flags))

    def offset(self, rva):
        for _, va, size, rawptr, _ in self.sections:
            if va <= rva < va + size:
                return rva - va + rawptr
        raise ValueError("RVA %#x is in no section" % rva)

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("latin-1")

    def exports(self):
        rva, size = self.dirs[0] if self.dirs else (0, 0)
        if not rva:
            return {}
        off = self.offset(rva)
        (_, _, _, _, _, base, nfuncs, nnames, funcs, names, ordinals) = struct.unpack_from(
            "<IIHHIIIIIII", self.data, off)
        result = {}
        for i in range(nnames):
            name_rva = struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]
            index = struct.unpack_from("<H", self.data, self.offset(ordinals) + 2 * i)[0]
            result[self.cstring(name_rva)] = base + index
        return result

    def imports(self):
        rva, _ = self.dirs[1] if len(self.dirs) > 1 else (0, 0)
        result = []
        if not rva:
            return result
        off = self.offset(rva)
        while True:
            fields = struct.unpack_from("<IIIII", self.data, off)
            if not any(fields):
                return result
            result.append(self.cstring(fields[3]))
            off += 20


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dll")
    parser.add_argument("--export", action="append", default=[], dest="exports")
    parser.add_argument("--import", action="append", default=[], dest="imports")
    parser.add_argument("--max-size", type=int)
    parser.add_argument("--list", action="store_true", help="only print what the DLL exports and imports")
    args = parser.parse_args()

    with open(args.dll, "rb") as f:
        data = f.read()
    pe = Pe(data)
    failures = []

    print("%s: %d bytes" % (args.dll, len(data)))
    if args.list:
        exports = sorted(pe.exports().items(), key=lambda x: x[1])
        print("  exports: " + ", ".join("%s (ordinal %d)" % e for e in exports))
        print("  imports: " + ", ".join(pe.imports()))
        return 0
    if pe.machine != 0x14C:
        failures.append("machine %#x is not i386" % pe.machine)
    if not pe.characteristics & 0x2000:
        failures.append("the image is not a DLL")

    expected = {}
    for item in args.exports:
        name, _, ordinal = item.partition("=")
        expected[name] = int(ordinal) if ordinal else None
    actual = pe.exports()
    print("exports: " + ", ".join("%s @%d" % (n, o) for n, o in sorted(actual.items(), key=lambda x: x[1])))
    if sorted(actual) != sorted(expected):
        failures.append("exported names %s, expected exactly %s" % (sorted(actual), sorted(expected)))
    for name, ordinal in expected.items():
        if ordinal is not None and actual.get(name) != ordinal:
            failures.append("%s has ordinal %s, expected %d" % (name, actual.get(name), ordinal))

    imports = pe.imports()
    print("imports: " + ", ".join(imports))
    if sorted(i.upper() for i in imports) != sorted(i.upper() for i in args.imports):
        failures.append("imported DLLs %s, expected exactly %s" % (imports, args.imports))

    for flag, label in ((IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, "DYNAMIC_BASE"),
                        (IMAGE_DLLCHARACTERISTICS_NX_COMPAT, "NX_COMPAT")):
        if not pe.dll_characteristics & flag:
            failures.append(label + " is not set")
    if len(pe.dirs) <= 5 or pe.dirs[5][0] == 0 or pe.dirs[5][1] == 0:
        failures.append("no base relocation table")
    for name, _, _, _, flags in pe.sections:
        if flags & IMAGE_SCN_MEM_WRITE and flags & IMAGE_SCN_MEM_EXECUTE:
            failures.append("section %s is both writable and executable" % name)
    if args.max_size is not None and len(data) > args.max_size:
        failures.append("%d bytes, more than the limit of %d" % (len(data), args.max_size))

    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
