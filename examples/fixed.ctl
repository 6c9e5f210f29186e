* Fixed 20-byte records to text lines; trailing blanks are dropped.
READ cards.dat RECFM F LRECL 20
WRITE cards.txt EOL LF
