#!/usr/bin/env python3
"""Checksums of a disc image's tracks, computed apart from the program.

usage: track_checksums.py BIN START... LEADOUT
Prints one line per track: crc v1 v2 (hex), then "ids id1 id2" for the disc.
"""
import struct
import sys
import zlib

EDGE = 5 * 588


def main():
    path = sys.argv[1]
    bounds = [int(a) for a in sys.argv[2:]]
    starts, lead_out = bounds[:-1], bounds[-1]
    data = open(path, "rb").read()
    count = len(starts)
    for k, start in enumerate(starts):
        end = starts[k + 1] if k + 1 < count else lead_out
        audio = data[start * 2352:end * 2352]
        samples = struct.unpack("<%dI" % (len(audio) // 4), audio)
        total = len(samples)
        v1 = v2 = 0
        for i, word in enumerate(samples, 1):
            if k == 0 and i < EDGE:
                continue
            if k == count - 1 and i > total - EDGE:
                continue
            product = word * i
            v1 += product & 0xFFFFFFFF
            v2 += (product & 0xFFFFFFFF) + (product >> 32)
        print("%08x %08x %08x" % (zlib.crc32(audio) & 0xFFFFFFFF, v1 & 0xFFFFFFFF,
                                  v2 & 0xFFFFFFFF))
    id1 = (sum(starts) + lead_out) & 0xFFFFFFFF
    id2 = (sum(max(s, 1) * (n + 1) for n, s in enumerate(starts)) +
           lead_out * (count + 1)) & 0xFFFFFFFF
    print("ids %08x %08x" % (id1, id2))


main()
