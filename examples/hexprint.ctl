* Print the records that start with "B" in hexadecimal in the listing.
READ customers.txt
IF POS 1 EQ 'B'
THEN PRINT TYPE H
