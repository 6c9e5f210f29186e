// Whole runs of CHANGE on fixed records (F 10 unless a row says else).
// Expected bytes worked by hand from the rules: each occurrence of the
// from string in the field becomes the to string, at most TIMES of them;
// equal lengths in place, shorter compacted with the FILL byte (blank)
// at the end, longer rebuilt, the text past the field's end lost; lost
// text raises return code 8 only when it holds a byte other than the
// fill byte (the cut part of the last replacement counts too).  With one
// string the field is the whole record.  An empty from string matches at
// the start, once.  Statement errors end the run at 52, no output file.
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Row = tvt::ActRow;
const std::string kRc8 = "                         (***01 RETCD=8***)";

std::string err(const char* num, const char* text) { return std::string("*** ERROR ") + num + " ***  " + text; }

}  // namespace

TEST(tvlsa_change, Changes) {
    const std::vector<Row> rows = {
        {"equal", "CHANGE P 1 LEN 10 'BC' 'bc'", "ABCABCABCA", "AbcAbcAbcA", 0, tvt::sum2("change")},
        {"shorter", "CHANGE P 1 LEN 10 'BC' 'x'", "ABCABCABCA", "AxAxAxA   ", 0, ""},
        // One string: the whole record; six bytes freed, FILL '*'.
        {"one string, NUL, FILL", "CHANGE 'BC' NUL FILL '*'", "ABCABCABCA", "AAAA******", 0, ""},
        // A B->XY, then "    " of which one blank is lost: fill only.
        {"lost fill", "CHANGE P 1 LEN 6 'A' 'XY'", "AB    CCCC", "XYB   CCCC", 0, ""},
        // XY XY fill the field; the third XY and the last A are lost.
        {"lost text", "CHANGE P 1 LEN 4 'A' 'XY'", "AAAABBBBBB", "XYXYBBBBBB", 8, kRc8},
        {"cut blank of replacement", "CHANGE P 1 LEN 4 'D' 'X '", "ABCD......", "ABCX......", 0, ""},
        // A limit of 2, and the statement itself runs once.
        {"TIMES equal", "CHANGE P 1 LEN 10 'A' 'a' TIMES 2", "AAAABBBBBB", "aaAABBBBBB", 0, tvt::sum2("change")},
        // XY XY A, then the rest "       " loses 2 blanks.
        {"TIMES longer", "CHANGE 'A' 'XY' TIMES 2", "AAA       ", "XYXYA     ", 0, ""},
        {"CASEI", "CHANGE 'b' 'x' CASEI", "aBcbB     ", "axcxx     ", 0, ""},
        {"NUL from", "CHANGE P 1 LEN 6 NUL '12'", "ABCD  GHIJ", "12ABCDGHIJ", 0, ""},
        {"NUL from once", "CHANGE P 1 LEN 6 NUL '1' TIMES 3", "ABC   GHIJ", "1ABC  GHIJ", 0, ""},
        {"NUL to", "CHANGE 'C' NULL", "ABCDCFCH  ", "ABDFH     ", 0, ""},
        // The strings read as they stood: B -> AB over "ABCBDBEF".
        {"strings in the field", "CHANGE P 1 LEN 8 P 2 LEN 1 P 1 LEN 2", "ABCBDBEF  ", "AABCABDA  ", 8, kRc8},
    };
    tvt::actrows("chg-e2e", rows);
}

TEST(tvlsa_change, Results) {
    const std::vector<Row> rows = {
        // "ABCB  ": A xy C xy, two blanks lost; 2 hits, from 1, first 2.
        {"hits mlen rlen", "CHANGE P 1 LEN 6 'B' 'xy' HITS POS 9 LEN 2 MLEN 1 AT 7 RLEN 1 AT 8", "ABCB  ....",
         "AxyCxy1202", 0, ""},
        {"nothing found", "CHANGE P 1 LEN 6 'Q' 'xy' HITS POS 9 LEN 2 MLEN 1 AT 8", "ABCDEF..99", "ABCDEF.000", 0, ""},
        {"binary hits", "CHANGE P 1 LEN 6 'B' 'b' HITS 2 AT 9 TYPE B", "ABCBEB  00",
         std::string("AbCbEb  \0\x03", 10), 0, ""},
        {"packed hits", "CHANGE P 1 LEN 6 'B' 'b' HITS 2 AT 9 TYPE P", "ABCBEB  00",
         std::string("AbCbEb  \0\x3C", 10), 0, ""},
        // E is at position 5.
        {"PTR", "CHANGE P 3 LEN 6 'E' 'e' PTR @X\nNOW P @X LEN 2 = 'zz'", "ABCDEFGH  ", "ABCDzzGH  ", 0, ""},
        {"default @", "CHANGE P 3 LEN 6 'E' 'e'\nNOW P @ LEN 2 = 'zz'", "ABCDEFGH  ", "ABCDzzGH  ", 0, ""},
        {"@ without value", "CHANGE 'Q' 'q'\nNOW P @ LEN 2 = 'zz'", "ABCDEFGH  ", "ABCDEFGH  ", 8, ""},
        {"HITS @N", "CHANGE P 3 LEN 6 'E' 'e' HITS @N\nNOW P @N LEN 2 = 'zz'", "ABCDEFGH  ", "zzCDeFGH  ", 0, ""},
    };
    tvt::actrows("chg-res", rows);
}

TEST(tvlsa_change, LongField) {
    // 600 bytes, 12 x ("ab" and 48 c), two records: the copy is kept in
    // the statement's block.  ab -> XYZ grows each group by 1: the last
    // 12 bytes are lost, blanks (rc 0) or letters (rc 8).
    std::string blk, let;
    for (int i = 0; i < 12; ++i) blk += "ab" + std::string(48, ' '), let += "ab" + std::string(48, 'c');
    std::string wblk, wlet;
    for (int i = 0; i < 12; ++i) wblk += "XYZ" + std::string(48, ' '), wlet += "XYZ" + std::string(48, 'c');
    const std::vector<Row> rows = {
        {"lost blanks", "CHANGE 'ab' 'XYZ'", blk + blk, wblk.substr(0, 600) + wblk.substr(0, 600), 0, ""},
        {"lost letters", "CHANGE 'ab' 'XYZ'", let, wlet.substr(0, 600), 8, kRc8},
    };
    tvt::actrows("chg-long", rows, "READ in.dat RECFM F LRECL 600", "WRITE out.dat RECFM F LRECL 600");
}

TEST(tvlsa_change, StatementErrors) {
    const std::string e222 = err("222", "Invalid from or to string (both empty, or not a string)");
    const std::string e128 = err("128", "Invalid PTR name");
    const std::vector<Row> rows = {
        {"both empty", "CHANGE P 3 LEN 6 NUL NUL", "ABCDEFGH  ", "", 52, e222},
        {"no string", "CHANGE P 3 LEN 6", "ABCDEFGH  ", "", 52, e222},
        {"third string", "CHANGE P 1 LEN 6 'A' 'B' 'C'", "ABCDEFGH  ", "", 52, e222},
        {"PTR without @", "CHANGE P 3 LEN 6 'E' 'e' PTR X", "ABCDEFGH  ", "", 52, e128},
        {"PTR with +", "CHANGE P 3 LEN 6 'E' 'e' PTR @X+1", "ABCDEFGH  ", "", 52, e128},
        {"literal field", "CHANGE 'A' 'B' 'C'", "ABCDEFGH  ", "", 52, err("051", "TO or INTO missing in this statement")},
        {"no length", "CHANGE P 3 'A' 'B'", "ABCDEFGH  ", "", 52,
         err("069", "Length missing: give a length or a second position")},
        {"REGEXP", "CHANGE P 3 LEN 2 'A' 'B' REGEXP", "ABCDEFGH  ", "", 52,
         err("001", "Statement, keyword or file form not supported here")},
    };
    tvt::actrows("chg-err", rows);
}
