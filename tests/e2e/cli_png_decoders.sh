#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The image data of a rendered PNG is compressed in parts on several threads and joined into one
# zlib stream: three decoders that share no code (libpng, Python's zlib with its own unfiltering,
# ImageMagick) must read the same samples from it, and zlib must find its checksum good.
source "$(dirname "$0")/lib.sh"
RENDER="$(dirname "$MORVANE")/morvane-render"
cd "$RUN"

printf 'width = 700\nheight = 600\nruns / frame = 20000\n' >canvas.cfg
"$RENDER" render --settings canvas.cfg --seed 3 --frames 40 -o a.png --quiet || fail "the render failed"
pngcheck samples a.png >libpng.raw || fail "libpng could not read the file"
[ "$(stat -c %s libpng.raw)" = $((700 * 600 * 2)) ] || fail "libpng read $(stat -c %s libpng.raw) bytes"
python3 - a.png >python.raw <<'PY' || fail "Python's zlib could not read the file"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
at, stream = 8, b""
while at < len(data):
    (length,) = struct.unpack(">I", data[at:at + 4])
    kind = data[at + 4:at + 8]
    if kind == b"IHDR":
        width, height = struct.unpack(">II", data[at + 8:at + 16])
    if kind == b"IDAT":
        stream += data[at + 8:at + 8 + length]
    at += 12 + length
raw = zlib.decompress(stream)  # checks the Adler-32 too
row = 2 * width
assert len(raw) == height * (row + 1), "wrong amount of image data"
previous, out = bytearray(row), bytearray()
for y in range(height):
    kind, line = raw[y * (row + 1)], bytearray(raw[y * (row + 1) + 1:(y + 1) * (row + 1)])
    for i in range(row):
        a = line[i - 2] if i >= 2 else 0
        b = previous[i]
        c = previous[i - 2] if i >= 2 else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    out += line
    previous = line
sys.stdout.buffer.write(out)
PY
convert a.png -depth 16 -endian MSB gray:magick.raw || fail "ImageMagick could not read the file"
cmp -s libpng.raw python.raw || fail "Python's zlib read other samples than libpng"
cmp -s libpng.raw magick.raw || fail "ImageMagick read other samples than libpng"
echo "three decoders read the same samples"
