#!/usr/bin/env bash
# Writes the sample memory image sample.bin: a 4 KiB image of four 1 KiB banks, each a text
# banner padded with FF, then bytes from the ANSI C rand() linear congruential generator (seed 1,
# bits 16 to 23 of each state). Deterministic, so the shipped image can be made again.
set -eu
out=${1:-$(dirname "$0")/sample.bin}
state=1
image=""
for bank in 0 1 2 3; do
    banner="PAGETALLY SAMPLE ROM BANK $bank"
    for ((i = 0; i < 1024; i++)); do
        if ((i < ${#banner})); then
            printf -v byte '\\%03o' "'${banner:i:1}"
        elif ((i < 64)); then
            byte='\377'
        else
            state=$(((state * 1103515245 + 12345) & 0x7FFFFFFF))
            printf -v byte '\\%03o' $(((state >> 16) & 0xFF))
        fi
        image+=$byte
    done
done
printf "$image" >"$out"
