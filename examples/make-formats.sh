#!/usr/bin/env bash
# Writes the sample image sample.bin, at C000, in the formats pagetally reads besides raw bytes:
# sample.hex as it would be typed in from a magazine (a label and eight bytes a line),
# sample.ihex (Intel HEX) and sample.srec (S-records) as srec_cat writes them, and sample.prg
# (its load address, low byte first, then the bytes). Needs srec_cat, from Debian's srecord.
set -eu
dir=$(dirname "$0")
bin=$dir/sample.bin
n=0
{
    echo "# PAGETALLY SAMPLE ROM, C000-CFFF"
    od -An -v -tx1 -w8 "$bin" | tr a-f A-F | while read -r line; do
        printf '%04X: %s\n' $((0xC000 + n)) "$line"
        n=$((n + 8))
    done
} >"$dir/sample.hex"
srec_cat "$bin" -binary -offset 0xC000 -o "$dir/sample.ihex" -intel -obs=32
srec_cat "$bin" -binary -offset 0xC000 -o "$dir/sample.srec" -motorola -obs=32
{ printf '\000\300' && cat "$bin"; } >"$dir/sample.prg"
