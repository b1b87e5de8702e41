#!/usr/bin/env python3
"""Writes a Wine user.reg of about the given size in megabytes, with Notes
installed and a PATH to extend, for measuring trellisgate on large hives.
Usage: scripts/make-large-hive.py MEGABYTES OUTPUT"""
import sys

def main():
    megabytes, output = float(sys.argv[1]), sys.argv[2]
    target = int(megabytes * 1024 * 1024)
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        size = out.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n")
        size += out.write('\n[Environment] 1700000000\n"PATH"=str(2):"C:\\\\A;C:\\\\B"\n')
        size += out.write('\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n"VDIR_INI"="C:\\\\Notes"\n')
        i = 0
        while size < target:
            size += out.write(
                f"\n[Software\\\\Vendor{i}\\\\Product\\\\Settings] 1700000000\n#time=1da0b0c0d0e0f00\n"
                f'"Path"="C:\\\\Program Files\\\\Vendor{i}\\\\bin"\n'
                '"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n  18,19\n'
                '"Count"=dword:0000002a\n"A"="1"\n"B"="2"\n')
            i += 1

main()
