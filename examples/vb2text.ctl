* Variable-length records with block and record descriptor words to text
* lines: each record becomes one line ended by a line feed.
READ orders.vb RECFM VB
WRITE orders.txt EOL LF
