#!/bin/sh
# Write the fuzzer's seed inputs into the directory $1: statement files
# with continuation, separators, the prefix, quotes, hexadecimal literals,
# brackets, comments, INCLUDE, END and data after it, NUL bytes, bytes
# above 127, and a line of 100 KB.
set -eu
d=$1
mkdir -p "$d"
printf 'EOJ\n' > "$d/plain"
printf 'READ A \\\nB\nREAD A\\\nB\n' > "$d/cont"
printf "EOJ ! PDUMP ! ./STOP\n/* the end\nEOJ\n" > "$d/sep"
printf "WRITE OUT='my file' X'1F2' x'1f 2a' POS(10) LRECL-4 %%1 %%HOME%%\n" > "$d/tokens"
printf "PRINT 'it''s' \"q\"\"q\" * a comment ! EOJ * another\n" > "$d/quotes"
printf "IF ((1) ! EOJ 'open\nX'1G' ! X'%0560d'\n" 0 > "$d/errors"
printf 'EOJ \001\000 NUL\n\377\376 high\n' > "$d/bytes"
printf 'INCLUDE in.ctl ! EOJ\nINCLUDE nosuch ! END ! card 1 ! card 2\n' > "$d/include"
printf 'A \\\n\\\n\\\n' > "$d/contend"
head -c 102400 /dev/zero | tr '\0' 'A' > "$d/longline"
printf '\n' >> "$d/longline"
