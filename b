TORVALE/L64 3.50                                                                                         2026/12/07 15:53   PAGE   1
----------------                                                                                         ----------------   --------

*** ERROR 156 ***  Statement source cannot be opened, or INCLUDE without name - a


SUMMARY..
 SEL-ID      SELTOT      FILE     BLKSIZE  LRECL           FSIZE   CI    DSN
 ------      ------      ----     -------  -----           -----   --    ---

***WARNING***                  52 = RETURN CODE FROM TORVALE
