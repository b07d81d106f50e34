#!/usr/bin/env python3
"""Benchmark input: one 64 MiB file and 2,000 small files (4 to 64 KiB) of
program-like data (text and low-entropy binary), plus the manifest that puts
the big file on the media in every form and the small ones in the archive."""
import os, random, sys

out = sys.argv[1]
r = random.Random(2024)
words = [bytes(r.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(r.randint(2, 9))) for _ in range(4000)]

def piece():
    if r.random() < 0.5:
        return b" ".join(r.choices(words, k=r.randint(20, 200))) + b"\n"
    return bytes(r.choices(b"\x00\x00\x00\x01\x02\x04\x08\x10\x20\x40\x80\xff\x8b\x45\xe8\x89", k=r.randint(64, 2048)))

# A pool of pieces, drawn at random: repeats are rarely within deflate's
# 32 KiB window, so the data compress about as program files do.
pool = [piece() for _ in range(20000)]

def data(n):
    parts, size = [], 0
    while size < n:
        p = r.choice(pool)
        parts.append(p)
        size += len(p)
    return b"".join(parts)[:n]

big = data(64 << 20)
for d in ("big", "small"):
    os.makedirs(os.path.join(out, d), exist_ok=True)
for name in ("big.bin", "bigm.bin", "biga.bin", "bigp.bin"):
    open(os.path.join(out, "big", name), "wb").write(big)
total = 0
manifest = ["block-size 65536", "chunk-size 1048576",
            "compressed big/big.bin big.bin", "masked big/bigm.bin bigm.bin",
            "archive big/biga.bin biga.bin", "plain big/bigp.bin bigp.bin"]
for i in range(2000):
    name = "s%04d.dat" % i
    blob = data(r.randint(4 << 10, 64 << 10))
    total += len(blob)
    open(os.path.join(out, "small", name), "wb").write(blob)
    manifest.append("archive small/%s %s" % (name, name))
open(os.path.join(out, "manifest.txt"), "w").write("\n".join(manifest) + "\n")
open(os.path.join(out, "small.size"), "w").write(str(total))
