#!/usr/bin/env bash
# Writes the picture and PDF fuzzers' seeds into $1/<target>/: small files of
# every kind the decoders take, the kinds they leave to the toolkit, and
# headers that ask for 65000 x 65000 pixels (refused before anything is
# allocated). Made here rather than kept in the repository.
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"/{jpeg,tiff,png,picture,pdf}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

picture() { convert -size "$1" gradient:yellow-navy -fill red -draw 'circle 12,9 16,14' -alpha off "${@:2}"; }

# Writes $3 (bytes as printf understands them) into file $1 at offset $2.
poke() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

# Where bytes $2 first occur in file $1.
find_bytes() { LC_ALL=C grep -obUaP "$2" "$1" | head -1 | cut -d: -f1; }

# The CRC-32 a PNG chunk ends with, of stdin, as printf bytes (gzip keeps
# the same CRC, least significant byte first).
crc_bytes() { gzip -c | tail -c 8 | head -c 4 | od -An -tx1 | awk '{printf "\\x%s\\x%s\\x%s\\x%s", $4, $3, $2, $1}'; }

# JPEG: each subsampling the planes hold, grey, progressive, restarts,
# CMYK (the toolkit's), and EXIF orientations.
j=$out/jpeg
picture 37x23 -sampling-factor 1x1 "$j/444.jpg"
picture 37x23 -sampling-factor 2x1 "$j/422.jpg"
picture 37x23 -sampling-factor 2x2 "$j/420.jpg"
picture 37x23 -sampling-factor 1x2 "$j/440.jpg"
picture 5x3 -sampling-factor 2x2 "$j/420-narrowest.jpg"
picture 4x9 -sampling-factor 2x2 "$j/420-too-narrow.jpg"
picture 37x23 -sampling-factor 4x1 "$j/411.jpg"
picture 37x23 -colorspace Gray "$j/grey.jpg"
picture 61x47 -sampling-factor 2x2 -interlace Plane "$j/progressive.jpg"
picture 61x47 -define jpeg:restart-interval=1 "$j/restarts.jpg"
picture 37x23 -colorspace CMYK "$j/cmyk.jpg"
for turn in 1 6; do
  {
    head -c 2 "$j/420.jpg"
    printf "\xff\xe1\x00\x22Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x0$turn\0\0\0\0\0\0\0"
    tail -c +3 "$j/420.jpg"
  } >"$j/exif-$turn.jpg"
done
cp "$j/420.jpg" "$j/bomb.jpg"
sof=$(find_bytes "$j/bomb.jpg" '\xff\xc0')
poke "$j/bomb.jpg" $((sof + 5)) '\xfd\xe8\xfd\xe8'

# TIFF: strips and tiles, 1-bit, grey either way round, palette, RGB, and
# the toolkit's kinds (16-bit, alpha).
t=$out/tiff
picture 37x23 -colorspace Gray -monochrome -compress Group4 "$t/1bit-g4.tif"
picture 37x23 -colorspace Gray -monochrome -depth 1 -compress None "$t/1bit.tif"
picture 37x23 -colorspace Gray -depth 8 -compress LZW "$t/grey-lzw.tif"
picture 37x23 -colorspace Gray -depth 8 -compress None "$t/grey-miniswhite.tif"
# Grey with white as zero: the photometric tag's value made 0.
tag=$(find_bytes "$t/grey-miniswhite.tif" '\x06\x01\x03\x00\x01\x00\x00\x00\x01\x00')
poke "$t/grey-miniswhite.tif" $((tag + 8)) '\x00'

picture 37x23 -colors 100 -type Palette -depth 8 -compress None "$t/palette.tif"
picture 37x23 -depth 8 -compress None "$t/rgb.tif"
picture 37x23 -depth 8 -compress Zip -define tiff:rows-per-strip=4 "$t/rgb-zip-strips.tif"
picture 37x23 -depth 8 -compress None -define tiff:tile-geometry=16x16 "$t/rgb-tiled.tif"
picture 37x23 -colorspace Gray -depth 8 -compress Zip -define tiff:tile-geometry=32x16 "$t/grey-tiled.tif"
picture 37x23 -colorspace Gray -monochrome -depth 1 -define tiff:tile-geometry=16x16 "$t/1bit-tiled.tif"
picture 37x23 -depth 16 -compress None "$t/rgb16.tif"
picture 37x23 -alpha set -channel A -evaluate set 50% +channel -compress None "$t/rgba.tif"
# A grey picture of 65000 x 65000 in one strip of a few bytes, by hand.
{
  printf 'II*\0\x08\0\0\0'
  printf '\x07\0'
  printf '\x00\x01\x04\0\x01\0\0\0\xe8\xfd\0\0'  # width
  printf '\x01\x01\x04\0\x01\0\0\0\xe8\xfd\0\0'  # length
  printf '\x02\x01\x03\0\x01\0\0\0\x08\0\0\0'    # 8 bits
  printf '\x06\x01\x03\0\x01\0\0\0\x01\0\0\0'    # black is zero
  printf '\x11\x01\x04\0\x01\0\0\0\x5e\0\0\0'    # the strip's offset
  printf '\x16\x01\x04\0\x01\0\0\0\xe8\xfd\0\0'  # rows in the strip
  printf '\x17\x01\x04\0\x01\0\0\0\x10\0\0\0'    # the strip's bytes
  printf '\0\0\0\0'
  printf '\x80%.0s' {1..16}
} >"$t/bomb.tif"

# PNG: the kinds decoded row by row, and the toolkit's.
p=$out/png
picture 37x23 -colorspace Gray -depth 8 -define png:color-type=0 "$p/grey.png"
picture 37x23 -depth 8 -define png:color-type=2 "$p/rgb.png"
picture 37x23 -alpha set -channel A -evaluate set 50% +channel -depth 8 -define png:color-type=6 "$p/rgba.png"
picture 37x23 -depth 8 -define png:color-type=2 -interlace PNG "$p/rgb-interlaced.png"
picture 37x23 -colors 16 -define png:color-type=3 "$p/palette.png"
picture 37x23 -depth 16 -define png:color-type=2 "$p/rgb16.png"
picture 37x23 -colorspace Gray -monochrome -define png:bit-depth=1 -define png:color-type=0 "$p/1bit.png"
cp "$p/grey.png" "$p/bomb.png"
poke "$p/bomb.png" 16 '\x00\x00\xfd\xe8\x00\x00\xfd\xe8'
poke "$p/bomb.png" 29 "$(tail -c +13 "$p/bomb.png" | head -c 17 | crc_bytes)"

# The loader: all of them, and the formats only the toolkit reads.
cp "$j"/* "$t"/* "$p"/* "$out/picture/"
for format in gif bmp ppm pgm pbm xpm tga webp ico; do
  picture 21x13 "$out/picture/small.$format" 2>/dev/null || true
done

# PDF: the minimal page, then the same through qpdf as real writers make
# them (compressed, in object streams, linearised, turned, locked), a page
# with text and a picture, and a file without pages.
d=$out/pdf
bash "$here/../../tools/minimal-pdf.sh" "$d/minimal.pdf"
qpdf --compress-streams=y --object-streams=generate "$d/minimal.pdf" "$d/object-streams.pdf"
qpdf --linearize "$d/minimal.pdf" "$d/linearized.pdf"
qpdf --rotate=+90 "$d/minimal.pdf" "$d/rotated.pdf"
qpdf --encrypt '' owner 256 -- "$d/minimal.pdf" "$d/restricted.pdf"
qpdf --encrypt user owner 256 -- "$d/minimal.pdf" "$d/locked.pdf"
qpdf --empty "$d/no-pages.pdf"
{
  content='BT /F1 24 Tf 72 700 Td (Koordel) Tj ET q 100 0 0 50 72 500 cm BI /W 4 /H 2 /BPC 8 /CS /G ID abcdefgh EI Q'
  printf '%%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n'
  printf '2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n'
  printf '3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /CropBox [36 36 576 756]'
  printf ' /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>\nendobj\n'
  printf '4 0 obj\n<< /Length %d >>\nstream\n%s\nendstream\nendobj\n' "${#content}" "$content"
  printf '5 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n'
  printf 'trailer\n<< /Size 6 /Root 1 0 R >>\n%%%%EOF\n'
} >"$tmp/text.pdf"
# qpdf writes the cross-reference table the hand-made file leaves out (and
# says so: a warning, status 3).
qpdf "$tmp/text.pdf" "$d/text.pdf" 2>/dev/null || [ $? -eq 3 ]
qpdf --compress-streams=y "$d/text.pdf" "$d/text-compressed.pdf"
