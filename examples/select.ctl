READ customers.txt
IF POS 1 EQ 'A'
THEN WRITE selected.txt
END
