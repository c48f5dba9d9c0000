#!/usr/bin/env bash
# Checks that no jump in the given libraries (archives or objects) crosses or
# ends on a 32-byte boundary, nor a compare or test with the conditional jump
# after it that the processor fuses into one: the libraries whose loops read
# whole images are assembled so (cmake/jumps_within_32b.cmake). Every section
# of code but the cold one (.text.unlikely) must start on a multiple of 32
# bytes for the offsets to hold once linked.
#
#   jumps_within_32b.sh LIBRARY...
set -euo pipefail

for library in "$@"; do
    aligned=$(objdump -h "$library" | awk '
        $2 ~ /^\.text/ && $2 != ".text.unlikely" && $NF !~ /^2\*\*([5-9]|[1-9][0-9])$/ {
            print $2 " " $NF
        }')
    if [[ -n $aligned ]]; then
        echo "$library: code sections not aligned to 32 bytes:" >&2
        echo "$aligned" >&2
        exit 1
    fi
    objdump -d "$library" | awk -v library="$library" '
        function hex(t,    i, v) {
            v = 0
            t = tolower(t)
            gsub(/ /, "", t)
            for (i = 1; i <= length(t); i++) v = v * 16 + index("0123456789abcdef", substr(t, i, 1)) - 1
            return v
        }
        # Whether the processor fuses m (operands o) with the conditional jump
        # j: compare and test, and add, sub, and, inc, dec, never with both an
        # immediate and a memory operand; add and sub not with jumps on the
        # sign, overflow or parity; inc and dec not with those nor on carry.
        function fuses(m, o, j) {
            if (m !~ /^(cmp|test|add|sub|and|inc|dec)/) return 0
            if (o ~ /\$/ && o ~ /\(/) return 0
            if (m ~ /^(cmp|test|and)/) return 1
            if (j ~ /^j(s|ns|o|no|p|np|pe|po)$/) return 0
            if (m ~ /^(inc|dec)/ && j ~ /^j(b|nb|ae|nae|be|nbe|a|na|c|nc)$/) return 0
            return 1
        }
        function check(    start, end) {
            if (addr < 0 || mn !~ /^j/) return
            start = addr
            if (mn != "jmp" && prevEnd == addr && fuses(prevMn, prevOps, mn)) start = prevAddr
            end = addr + len
            if (int(start / 32) != int((end - 1) / 32) || end % 32 == 0) {
                printf "%s: %s at %x (%x to %x)\n", library, mn, addr, start, end
                bad++
            }
        }
        function next_instruction() {
            check()
            if (addr >= 0) { prevAddr = addr; prevEnd = addr + len; prevMn = mn; prevOps = ops }
        }
        BEGIN { addr = -1; prevEnd = -1 }
        /^[0-9a-f]+ <.*>:$/ { next_instruction(); addr = -1; prevEnd = -1; next }
        /^ *[0-9a-f]+:\t/ {
            n = split($0, f, "\t")
            count = split(f[2], bytes, " ")
            if (n < 3) { len += count; next }  # the rest of a long instruction
            next_instruction()
            addr = hex(substr(f[1], 1, index(f[1], ":") - 1))
            len = count
            split(f[3], w, " ")
            mn = w[1]; ops = w[2]
            if (mn == "bnd" || mn == "notrack") { mn = w[2]; ops = w[3] }
            jumps += mn ~ /^j/
        }
        END {
            next_instruction()
            printf "%s: %d jumps, %d across or at the end of a 32-byte piece\n", library, jumps, bad
            exit bad > 0 || jumps == 0
        }'
done
