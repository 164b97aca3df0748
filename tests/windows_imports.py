#!/usr/bin/env python3
"""Reads the import table of Windows programs and holds it against a reviewed list.

    windows_imports.py --machine i386|amd64 LIST PROGRAM...

Every function a program imports must be in LIST (windows7_imports.txt): functions that
Windows 7 SP1 provides, each with the oldest Windows its documentation names. Wine has
the newer functions too, so only this check sees a program that a Windows 7 loader would
refuse ("entry point not found"). It fails on:
  - a function not in the list, or one the list refuses (a "!" line, with its reason);
  - a DLL a plain Windows 7 lacks (the Universal CRT, api-ms-win-* sets, shcore.dll);
  - delay-loaded imports, which this check does not read;
  - a program that is not PE32 (i386) or PE32+ (amd64) as asked, or that asks for a
    newer subsystem version than Windows 7's 6.1 (the loader refuses it).
"""
import struct
import sys

MACHINES = {"i386": (0x14C, 0x10B), "amd64": (0x8664, 0x20B)}
WINDOWS_7 = {"NT4", "2000", "XP", "2003", "Vista", "7"}
MISSING_DLLS = ("api-ms-win-", "ext-ms-", "ucrtbase", "vcruntime", "msvcp1", "shcore")


def read_list(path):
    allowed, refused = {}, {}
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        if line.startswith("!"):
            dll, name, reason = line[1:].split(None, 2)
            refused[(dll.upper(), name)] = reason
            continue
        dll, name, since = line.split()
        if since not in WINDOWS_7:
            sys.exit(f"{path}:{number}: {name} is documented from Windows {since}, not 7 SP1")
        allowed[(dll.upper(), name)] = since
    return allowed, refused


def read_imports(path, machine):
    """The (DLL, function) pairs of the import directory; ordinals as "#n"."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE program")
    coff_machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    opt = pe + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    if (coff_machine, magic) != MACHINES[machine]:
        raise ValueError(f"machine 0x{coff_machine:x}, optional header 0x{magic:x}: not {machine}")
    subsystem = struct.unpack_from("<HH", data, opt + 48)
    if subsystem > (6, 1):
        raise ValueError("subsystem version %d.%d: Windows 7 is 6.1" % subsystem)
    wide = magic == 0x20B
    directories = opt + (112 if wide else 96)
    import_rva = struct.unpack_from("<I", data, directories + 8)[0]
    if struct.unpack_from("<I", data, directories + 13 * 8)[0]:
        raise ValueError("has delay-loaded imports, which this check does not read")
    table = opt + optional_size
    spans = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, start, raw_size, raw in spans:
            if start <= rva < start + max(size, raw_size):
                return rva - start + raw
        raise ValueError(f"address 0x{rva:x} outside every section")

    def text(rva):
        at = offset(rva)
        return data[at:data.index(b"\0", at)].decode("ascii")

    imports = []
    at = offset(import_rva) if import_rva else None
    while at is not None:
        lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", data, at)
        if name_rva == 0:
            break
        dll = text(name_rva).upper()
        entry, size = offset(lookup or thunks), 8 if wide else 4
        while True:
            value = struct.unpack_from("<Q" if wide else "<I", data, entry)[0]
            if value == 0:
                break
            if value >> (63 if wide else 31):
                imports.append((dll, "#%d" % (value & 0xFFFF)))
            else:
                imports.append((dll, text((value & 0x7FFFFFFF) + 2)))
            entry += size
        at += 20
    return imports


def main(argv):
    if len(argv) < 4 or argv[0] != "--machine" or argv[1] not in MACHINES:
        sys.exit(__doc__)
    allowed, refused = read_list(argv[2])
    failures = 0
    for program in argv[3:]:
        try:
            imports = read_imports(program, argv[1])
        except (OSError, ValueError, struct.error) as e:
            print(f"{program}: {e}")
            failures += 1
            continue
        wrong = []
        for dll, name in sorted(set(imports)):
            if dll.lower().startswith(MISSING_DLLS):
                wrong.append(f"{dll}: a DLL a plain Windows 7 lacks ({name})")
            elif (dll, name) in refused:
                wrong.append(f"{dll} {name}: {refused[(dll, name)]}")
            elif (dll, name) not in allowed:
                wrong.append(f"{dll} {name}: not in the list of functions Windows 7 SP1 provides")
        dlls = sorted({dll for dll, _ in imports})
        print(f"{program}: {len(set(imports))} functions from {', '.join(dlls)}")
        for w in wrong:
            print(f"  {w}")
        failures += len(wrong)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
