#!/usr/bin/env python3
"""Reads what the build needs from Windows programs and libraries (PE files): the DLLs a file
imports, its version (the fixed file version of its VERSIONINFO resource), and whether it is
damaged: cut short (a section or the symbol name table ends past the end of the file) or with an
import table that names no readable DLL, as happens when bytes are lost in a copy.

    pe.py check FILE...      prints each damaged file with the reason; exit status 1 when one is
    pe.py version FILE...    prints each file's version, "-" for a file without one
"""

import struct
import sys


class PeFile:
    def __init__(self, path):
        self.path = path
        self.data = data = open(path, "rb").read()
        if data[:2] != b"MZ":
            raise ValueError(f"{path} is not a Windows program or library")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe : pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE header")
        count, _, self.symbol_table, self.symbol_count, optional_size = struct.unpack_from(
            "<HIIIH", data, pe + 6
        )
        optional = pe + 24
        self.sections = []
        for index in range(count):
            entry = optional + optional_size + 40 * index
            self.sections.append(struct.unpack_from("<IIII", data, entry + 8))
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]

    def offset(self, address):
        for virtual_size, rva, raw_size, raw_offset in self.sections:
            if rva <= address < rva + max(virtual_size, raw_size):
                return raw_offset + address - rva
        return None

    def imports(self):
        """The names of the imported DLLs; a name that cannot be read comes out empty."""
        names = []
        descriptor = self.offset(self.import_rva) if self.import_rva else None
        while descriptor is not None and descriptor + 20 <= len(self.data):
            name_rva = struct.unpack_from("<I", self.data, descriptor + 12)[0]
            if name_rva == 0:
                break
            start = self.offset(name_rva)
            end = self.data.find(b"\0", start) if start is not None else -1
            names.append(self.data[start:end].decode("latin-1") if end >= 0 else "")
            descriptor += 20
        return names

    def resource(self, kind):
        """The data of the first resource of a kind (RT_VERSION is 16), or None. The resource
        tree has three levels: kind, name, language; offsets within it are from its start."""
        root = self.offset(self.resource_rva) if self.resource_rva else None
        if root is None:
            return None
        entry_offset = None
        wanted = kind
        for _ in range(3):
            directory = root + (entry_offset or 0)
            if directory + 16 > len(self.data):
                return None
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            entries = [struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                       for i in range(named + numbered)
                       if directory + 24 + 8 * i <= len(self.data)]
            chosen = [target for name, target in entries if wanted is None or name == wanted]
            if not chosen:
                return None
            entry_offset = chosen[0]
            if not entry_offset & 0x80000000:
                break
            entry_offset &= 0x7FFFFFFF
            wanted = None
        if entry_offset & 0x80000000 or root + entry_offset + 8 > len(self.data):
            return None
        rva, size = struct.unpack_from("<II", self.data, root + entry_offset)
        start = self.offset(rva)
        return self.data[start:start + size] if start is not None else None

    def version(self):
        """The fixed file version of the VERSIONINFO resource ("6.4.2.0"), or None."""
        info = self.resource(16)
        at = info.find(struct.pack("<I", 0xFEEF04BD)) if info else -1
        if at < 0 or at + 16 > len(info):
            return None
        high, low = struct.unpack_from("<II", info, at + 8)
        return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"

    def damage(self):
        """Why the file is damaged, or None."""
        size = len(self.data)
        for index, (_, _, raw_size, raw_offset) in enumerate(self.sections):
            if raw_size and raw_offset + raw_size > size:
                return f"section {index} ends {raw_offset + raw_size - size} bytes past the end"
        if self.symbol_table:
            names = self.symbol_table + 18 * self.symbol_count
            if names + 4 > size or names + struct.unpack_from("<I", self.data, names)[0] > size:
                return "the symbol name table lies past the end"
        for name in self.imports():
            if not name.lower().endswith((".dll", ".drv", ".exe")):
                return f"the import table names {name[:40]!r}, not a DLL"
        return None


def main():
    if len(sys.argv) < 2 or sys.argv[1] not in ("check", "version"):
        sys.exit(__doc__)
    if sys.argv[1] == "version":
        for path in sys.argv[2:]:
            print(f"{path}\t{PeFile(path).version() or '-'}")
        return
    damaged = 0
    for path in sys.argv[2:]:
        reason = PeFile(path).damage()
        if reason:
            print(f"{path}: {reason}")
            damaged += 1
    sys.exit(1 if damaged else 0)


if __name__ == "__main__":
    main()
