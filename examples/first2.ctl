* Copy the first two records only: the run stops after the second write
* and ends 4, because the input was not read to its end.
READ customers.txt
WRITE first2.txt STOP 2
