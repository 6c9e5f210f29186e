#!/bin/sh
# Write the seed inputs of the statement-analysis fuzz target into the
# directory $1.  A seed that begins with a line feed (an even byte) is
# statement text: operands in their written forms, conditions, file
# statements, EQU values in terms, labels and subroutine arguments,
# INCLUDE.  A seed that begins with an odd byte picks words of the
# language, one byte each.
set -eu
d=$1
mkdir -p "$d"
printf "\nREAD in.txt\nIF P 1 EQ 'A'\nTHEN PRINT P 1 LEN 5 TYPE C\nTHEN WRITE out.txt FROM P 2,4\nELSE PRINT 'text' EBC\nNOW LOG 'x' REPLY P 1 LEN 8\nNOW PRINT P 1 LEN 2 P 3 LEN 1\n" > "$d/operands"
printf "\nIF P 1,10 EQ 'AB' STEP 2 REVERSE CASEI\nAND POS 5 NUM\nOR @P EQ NULL\nTHEN IF P 2 LEN 3 GT X'C1C2'\nTHEN EOJ\nELSE IF ANY EQ 'x' PTR @Q\nTHEN SPACE 2\nELSE LINE 300\n" > "$d/conditions"
printf "\nREAD in.txt RECFM FB LRECL 80 BLKSIZE 800\nWRITE out.txt RECFM VB EOL CR APPEND\nREAD in2 INTO P 1 LEN 10\nCAT in.txt\nTOUCH out.txt FTIME '2020'\nCLOSE out.txt\nNOW FLAG EOM FILE in.txt\n" > "$d/files"
printf "\nEQU LIM 10\nEQU OFF -5\nSUB: A1 A2\nNOW PRINT A1\nLOOP\nIF POS 20-OFF EQ 'X'\nTHEN GOTO LOOP\nNOW GOSUB SUB\nINCLUDE inc.ctl\nNOW SPACE LIM STOPAFT 3 TIMES 2\nEQU A A\nLOOP\nNOW GO LOOP\n" > "$d/equ"
printf "\nIF P 10+@PTR-3 EQ 'A'\nIF P 0x10 LEN 0X7FFFFFFF EQ 'B'\nTHEN IF P 9223372036854775807+1 EQ 'C'\nTHEN PRINT P DATE LEN 4\nNOW PRINT P @P,@Q+2\nNOW PRINT 10 AT 50 FMT 'ZZ9.99'\nNOW PRINT -5.50 TYPE P SCALE 9\nNOW SYS P 1\nNOW CALL X 1 2 3\n" > "$d/terms"
printf "\nMOVE 'AB' TO P 5 LEN 4 FILL '*'\nMOVE P 2 LEN 9 FROM P 1 LEN 9\nMOVE INTO P 1 'x' TIMES 2\nPOS 5 LEN 3 = XOR X'FF'\nLET P 1,3 = AND P 8\nP 1 LEN 4 = OR 'a' FILL X'01'\nLEFT P 1 LEN 10\nRIGHT P 1 LEN 6 TO P 3 LEN 8\nCENTRE P 1 LEN 3 INTO P 4 LEN 7\nADJC P 1 LEN 2\nADJL 'x'\nADJR P 1 TO P 5\n" > "$d/moves"
printf "\nTRAN EBCDIC P 1 LEN 80\nTRAN ASCII P 1 LEN 8 TO P 11\nUPPER P 1 LEN 9\nLOWER P 2,5\nTR P 1 LEN 3 'ABC' 'XYZ'\nTRAN P 1 LEN 5 TAB P 1 LEN 255\nCVA P 1 LEN 4\nCVE P 1 LEN 4 INTO P 9\nTRAN PRINT P 1 LEN 20\nCHOP P 1 LEN 20 INTO P 30 LEN 5 P 40 LEN 4 TYPE P\nPARSE 'A B C' P 1 LEN 2 P 3 LEN 2\n" > "$d/tran"
printf "\nCHANGE P 1 LEN 20 'AB' 'XYZ' TIMES 2 CASEI\nCHG 'A' 'B'\nC P 1 LEN 9 NUL 'x'\nCH P 1 LEN 9 'x' NULL HITS P 30 LEN 2 TYPE B MLEN P 33 LEN 1 TYPE B RLEN P 34 LEN 1 TYPE B PTR @X\nCHANGE P 1 LEN 4 '' ''\nCHANGE P 1 LEN 4 'a' 'b' PTR X+1\n" > "$d/change"
printf "\nGEN P 1 LEN 8\nGEN P 1 LEN 3 TYPE P RANGE 1,100 BASE 'SEED'\nRANDOM P 5 LEN 4 TYPE B RANGE 0,9 BASE X'00000001'\nGENERATE P 1 LEN 2 RANGE 'ABC'\nCVDATE P 1 LEN 8 TO P 11 LEN 10 STYLE 2\nCVDT TO DATE FROM NOW\nCVDATE P 1 LEN 6 TYPE P TO P 9 LEN 10 FMT 'YYYY-MM-DD'\n" > "$d/gen"
printf "\nPOS 1 LEN 20 = 'A' P 5 LEN 3 'B' P 9 LEN 2 TYPE P\nPRINT 'X=' P 1 LEN 4 ' Y=' P 5 LEN 2 TYPE B\nWRITE out.dat 'head' P 1 LEN 10\nLOG P 1 LEN 3 P 7 LEN 2\n" > "$d/lists"
printf "\nADD 5 TO P 10 LEN 4 TYPE P\nSUB P 1 LEN 3 TYPE P FROM P 4 LEN 3 TYPE P\nMULT P 1 LEN 4 TYPE B BY 3 INTO P 9 LEN 8 TYPE Z\nDIV 3 INTO P 1 LEN 5 REM P 6 LEN 2\nDIV P 1 LEN 5 BY 0 INTO P 9 LEN 12 FMT 'S,SSS,SS9.99'\n" > "$d/arith"
printf "\001\021\030\145\201\115\321\300\000\052\176\002\060\246\030\210\166\003\252\227\050\161\000\033\201\115\305\302" > "$d/words"
printf "\003\100\102\031\145\201\115\200\107\217\246\216\000\227\037\125\002\133\217\211" > "$d/words2"
