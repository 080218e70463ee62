#!/usr/bin/env python3
"""Points a PE32+ program's load-configuration directory at its _load_config_used.

    set-load-config.py NM PROGRAM.exe

The linker of this toolchain (GNU ld before 2.41) does not fill the directory from the
symbol, as Microsoft's linker does; without it the loader never reads the structure.
The symbol's address comes from the program's symbol table (NM); the directory entry
gets its address relative to the image base and the structure's own Size field.
"""
import struct
import subprocess
import sys

LOAD_CONFIG = 10  # IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG


def main(nm, program):
    symbols = subprocess.run([nm, program], check=True, capture_output=True, text=True).stdout
    address = next((int(line.split()[0], 16) for line in symbols.splitlines()
                    if line.split()[-1:] == ["_load_config_used"]), None)
    if address is None:
        sys.exit(f"set-load-config: {program} has no _load_config_used")
    with open(program, "r+b") as f:
        image = bytearray(f.read())
        nt = struct.unpack_from("<I", image, 0x3C)[0]
        optional = nt + 24
        if struct.unpack_from("<H", image, optional)[0] != 0x20B:
            sys.exit(f"set-load-config: {program} is no PE32+ program")
        image_base = struct.unpack_from("<Q", image, optional + 24)[0]
        rva = address - image_base
        # The structure's Size field, through the section that holds it.
        sections = optional + struct.unpack_from("<H", image, nt + 20)[0]
        size = None
        for i in range(struct.unpack_from("<H", image, nt + 6)[0]):
            at = sections + 40 * i
            virtual_size, virtual_address, _, raw = struct.unpack_from("<IIII", image, at + 8)
            if virtual_address <= rva < virtual_address + virtual_size:
                size = struct.unpack_from("<I", image, raw + rva - virtual_address)[0]
        if not size:
            sys.exit(f"set-load-config: _load_config_used of {program} lies in no section")
        struct.pack_into("<II", image, optional + 112 + 8 * LOAD_CONFIG, rva, size)
        f.seek(0)
        f.write(image)


if __name__ == "__main__":
    main(*sys.argv[1:])
