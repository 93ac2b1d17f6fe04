#!/usr/bin/env bash
# Writes a one-page PDF (US letter, a diagonal line) to $1, for checks that
# need a PDF and nothing that makes one.
set -euo pipefail
out=$1
objects=(
  "<< /Type /Catalog /Pages 2 0 R >>"
  "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>"
  "<< /Length 23 >>
stream
2 w 72 72 m 540 720 l S
endstream"
)
printf '%%PDF-1.4\n' >"$out"
offsets=()
for i in "${!objects[@]}"; do
  offsets+=("$(stat -c %s "$out")")
  printf '%d 0 obj\n%s\nendobj\n' "$((i + 1))" "${objects[$i]}" >>"$out"
done
xref=$(stat -c %s "$out")
{
  printf 'xref\n0 %d\n0000000000 65535 f \n' "$((${#objects[@]} + 1))"
  for offset in "${offsets[@]}"; do printf '%010d 00000 n \n' "$offset"; done
  printf 'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' "$((${#objects[@]} + 1))" "$xref"
} >>"$out"
