// The print listing: heading and page throw, record layouts, dumps, the
// single-line types and the listing's failures.  Expected lines are worked
// out by hand from the layout rules; the working is in the comments.  The
// listing is an output line file, which drops the trailing blanks of its
// lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/testutil.h"

using namespace std::string_literals;
using namespace std::string_view_literals;
using tvt::PrtRun;
using tvt::recpfx;
using tvt::sp;

namespace {

// "....,....0" repeated over w columns; with tens, the tens digit in place
// of every "0" (so "....,....1....,....2").
std::string scale(int w, bool tens) {
    std::string s;
    for (int j = 1; j <= w; j++)
        s += j % 10 == 0 ? static_cast<char>('0' + (tens ? (j / 10) % 10 : 0)) : (j % 5 == 0 ? ',' : '.');
    return s;
}

}  // namespace

// Single lines, spacing and page throws.  The first page: heading line 1,
// line 2, an empty line (types below 13), then the lines; no form feed
// anywhere on page 1.  A page throw is X'0C' and the same heading with the
// next page number.
TEST(tvlprt, LinesAndPageThrows) {
    // depth: the page depth, 0 for the default; after: the lines after the first page's heading.
    struct Row { const char* name; int depth; std::function<void(PrtRun&)> act; std::vector<std::string> after; };
    const Row rows[] = {
        {"one line", 0, [](PrtRun&) { tvlprt("hello", -1, PT_LINE, 0); }, {"hello"}},
        // Depth 10: heading (2) + empty line leave 7 lines; the 8th throws.
        {"page depth", 10,
         [](PrtRun&) {
             for (char i = '1'; i <= '9'; i++) {
        const char line[3] = {'L', i, '\0'};
        tvlprt(line, -1, PT_LINE, 0);
    }
         },
         {"L1", "L2", "L3", "L4", "L5", "L6", "L7", "\f" + tvt::head1(2), tvt::head2(), "", "L8", "L9"}},
        // Type 8 spaces n lines (0 prints nothing); type 9 spaces to a line
        // of the page; spacing past the page end starts a new page instead.
        {"spacing", 12,
         [](PrtRun&) {
             tvlprt("a", -1, PT_LINE, 0);        // lines 1-3 heading, 4 "a"
             tvlprt(nullptr, 0, PT_SPACE, 0);    // nothing
             tvlprt(nullptr, 0, PT_SPACE, 2);    // lines 5, 6
             tvlprt("b", -1, PT_LINE, 0);        // line 7
             tvlprt(nullptr, 0, PT_SKIPTO, 10);  // 10 - 7 - 1 = 2 lines: 8, 9
             tvlprt("c", -1, PT_LINE, 0);        // line 10
             tvlprt(nullptr, 0, PT_SPACE, 2);    // 2 left: 0 after, so a new page
             tvlprt("d", -1, PT_LINE, 0);
         },
         {"a", "", "", "b", "", "", "c", "\f" + tvt::head1(2), tvt::head2(), "", "d"}},
        // Type 11: the ASA character is printed and counts lines; "1" starts
        // a new page without heading lines.  Type 1: the control character
        // is not printed, "0" gives an empty line first, the statement
        // number stands in characters 2 to 10.
        {"ASA and statement lines", 10,
         [](PrtRun&) {
             tvlprt(" one", -1, PT_ASA, 0);
             tvlprt("0two", -1, PT_ASA, 0);
             tvlprt("1three", -1, PT_ASA, 0);
             tvlprt("-four", -1, PT_ASA, 0);
             tvlprt("          READ IN", -1, PT_ECHO, 12);
             tvlprt("0         WRITE OUT", -1, PT_ECHO, 0);
         },
         {" one", "0two", "1three", "-four", "    12.  READ IN", "", "         WRITE OUT"}},
        // The signal line is printed as a message line.
        {"signal line", 0,
         [](PrtRun& r) {
             prtsig(&r.cmv, "##ERROR## TERM signal (15) intercepted.  GC.............\n");
             EXPECT_TRUE(r.cmv.prt.flags & PR_SIGNAL);
         },
         {"##ERROR## TERM signal (15) intercepted.  GC............."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrtRun r("prt-lines");
        if (row.depth) r.opt.pagedepth = row.depth;
        row.act(r);
        std::vector<std::string> want = {tvt::head1(1), tvt::head2(), ""};
        want.insert(want.end(), row.after.begin(), row.after.end());
        EXPECT_EQ(want, r.lines());
    }
}

// Record prints and dumps, one run each: the options and prints of the
// row, then the listing from line `from` (0 is heading line 1) to its end.
// Record types have no empty line after the heading; the closing scale
// comes at the close or before a page throw.
TEST(tvlprt, RecordPrintsAndDumps) {
    struct Row { const char* name; std::function<void(PrtRun&)> act; std::size_t from; std::vector<std::string> want; };
    std::string rec;
    for (int i = 0; i < 250; i++) rec += static_cast<char>('a' + i % 26);
    std::string tens;  // tens digit at every 10th data column
    for (int j = 1; j <= 100; j++) tens += j % 10 == 0 ? static_cast<char>('0' + (j / 10) % 10) : ' ';
    const std::string in100 = "    INPUT   SEL SEL " + sp(99) + "1", recno100 = "    RECNO   TOT ID. " + tens;
    const std::string scale100 = "    -----   --- --- " + scale(100, false), close = sp(20) + scale(100, true);
    const std::vector<std::string> dumphdr = {"    INPUT   SEL SEL", "    RECNO   TOT ID.", "    -----   --- ---"};
    const std::string z8 = "00000000";
    // groups at 8, 17, 26, 35, extra blank at 44, groups at 45, 54, 63, 72;
    // "|" at 85 and 118, the 32 bytes through ttab_tc between them
    const std::string zeros32 = "  0000  " + z8 + " " + z8 + " " + z8 + " " + z8 + "  " + z8 + " " + z8 + " " + z8 +
                                " " + z8 + sp(5) + "|" + std::string(32, '.') + "|";
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<std::string> page1 = {tvt::head1(1), tvt::head2()};
    const Row rows[] = {
        // A 250-byte record as type 20 with data width 100: three chunks;
        // the second and third carry their offset (mask "s,sss,ss9":
        // "     +100") in columns 5 to 13; the record length "    250 "
        // (mask "0000009-") after the data of the first chunk only; recno
        // 7 ("000000009"), count 3 ("000009"), statement 2 ("0009 ").
        {"record longer than the width",
         [&](PrtRun& r) {
             r.cmv.prt.inrecs = 7, r.cmv.prt.selcnt = 3, r.cmv.prt.selid = 2;
             tvlprt(rec.data(), 250, PT_CHAR, 0);
         },
         0,
         with(page1, {in100 + "  RECORD", recno100 + "  LENGTH", scale100 + "  ------",
                      sp(8) + "7" + sp(5) + "3" + sp(3) + "2 " + rec.substr(0, 100) + "    250",
                      sp(4) + "     +100" + sp(7) + rec.substr(100, 100),
                      sp(4) + "     +200" + sp(7) + rec.substr(200, 50),
                      close})},
        // Request 13 with data width 25 and no RECORD LENGTH column: the
        // header lines hold 25 scale columns; 3 bytes print one chunk.
        {"header lines of request 13",
         [](PrtRun& r) {
             r.opt.datawidth = 25;
             r.opt.reclen = 0;
             tvlprt(nullptr, 0, PT_PREC, 0);
             tvlprt("xyz", 3, PT_CHAR, 0);
         },
         0,
         with(page1, {"    INPUT   SEL SEL", "    RECNO   TOT ID. " + sp(9) + "1" + sp(9) + "2",
                      "    -----   --- --- ....,....0....,....0....,", recpfx() + "xyz",
                      sp(20) + "....,....1....,....2....,"})},
        // 64 zero bytes dumped at width 132: the record header line (length
        // at 29-34, "00009-"), the line for 0000 and one "=same=" line
        // reading 0020-003F (no count for one line).
        {"zeros fold into a same line",
         [](PrtRun&) {
             std::string zeros(64, '\0');
             tvlprt(zeros.data(), 64, PT_DUMP, 0);
         },
         0,
         with(with(page1, dumphdr), {recpfx() + sp(8) + "   64", zeros32,
                                     "  0020-003F  =same=" + sp(85 - 19) + ":" + sp(32) + ":"})},
        // 100 zero bytes: two equal lines fold into one with "(2 lines)"
        // (count "0000,009" at 23, "(" before its first digit, "lines)" at
        // 32); the last 4 bytes are not folded.  A record longer than a
        // line: 40 bytes of "ABCD..." give a full line and an 8-byte line;
        // no new column headers for the second record.
        {"folded lines counted, the rest printed",
         [](PrtRun&) {
             std::string zeros(100, '\0'), abc;
             tvlprt(zeros.data(), 100, PT_DUMP, 0);
             for (int i = 0; i < 40; i++) abc += static_cast<char>('A' + i % 26);
             tvlprt(abc.data(), 40, PT_DUMP, 0);
         },
         0,
         with(with(page1, dumphdr),
              {recpfx() + sp(8) + "  100", zeros32,
               "  0020" + sp(7) + "=same=" + sp(10) + "(2 lines)" + sp(85 - 38) + ":" + sp(32) + ":",
               "  0060  00000000" + sp(85 - 16) + "|...." + sp(28) + "|", recpfx() + sp(8) + "   40",
               // A..Z then A..F: 41424344 45464748 ... 595A4142 43444546
               "  0000  41424344 45464748 494A4B4C 4D4E4F50  51525354 55565758 595A4142 43444546" + sp(5) +
                   "|ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF|",
               "  0020  4748494A 4B4C4D4E" + sp(85 - 25) + "|GHIJKLMN" + sp(24) + "|"})},
        // Type 15: hexadecimal only, blanks for the enclosure characters;
        // width 66 gives 3 groups (12 bytes a line), character part at 39.
        {"hex only at a narrow width",
         [](PrtRun& r) {
             r.opt.pagewidth = 66;
             tvlprt("0123456789ABCDEF", 16, PT_DUMPX, 0);
         },
         6, {"  0000  30313233 34353637 38394142", "  000C  43444546"}},
        // Page depth 10: heading 2 + headers 3 leave 5 lines: records 1-4
        // (the last line kept for the closing scale); record 5 on page 2,
        // after the closing scale and the repeated column headers.
        {"page throw inside a record print",
         [](PrtRun& r) {
             r.opt.pagedepth = 10;
             r.opt.reclen = 0;
             for (int i = 0; i < 5; i++) tvlprt("r", 1, PT_CHAR, 0);
         },
         5,
         {recpfx() + "r", recpfx() + "r", recpfx() + "r", recpfx() + "r", close, "\f" + tvt::head1(2), tvt::head2(),
          in100, recno100, scale100, recpfx() + "r", close}},
        // Types 4 and 5 change what the character layouts print (A shown
        // as its zone over its digit in the mixed layout); restored after.
        {"printable and unprintable",
         [](PrtRun& r) {
             r.opt.reclen = 0;
             tvlprt("A", 1, PT_UNPRTBL, 0);
             tvlprt("\x01", 1, PT_PRTABLE, 0);
             tvlprt("AB\x01", 3, PT_CHAR, 0);
             tvlprt("AB\x01", 3, PT_MIX, 0);
             tvlprt("A", 1, PT_PRTABLE, 0);
             tvlprt("\x01", 1, PT_UNPRTBL, 0);
             tvlprt("AB\x01", 3, PT_CHAR, 0);
         },
         5, {recpfx() + ".B\x01", "", recpfx() + "4B\x01", sp(20) + "1", recpfx() + "AB.", close}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrtRun r("prt-rec");
        row.act(r);
        std::vector<std::string> got = r.lines();
        ASSERT_EQ(row.from + row.want.size(), got.size());
        EXPECT_EQ(row.want, std::vector<std::string>(got.begin() + static_cast<long>(row.from), got.end()));
    }
}

// Hexadecimal, both and mixed layouts of a short record: an empty line
// first, then the lines through the zone and digit tables.
TEST(tvlprt, RecordLayoutsHexBothMixed) {
    struct Row { const char* name; int type; std::string_view rec; std::vector<std::string> lines; };  // after headers
    const std::string sel = recpfx();
    const std::string len4 = "      4";  // "0000009-" of 4: 7 places, then the sign place (blank, cut)
    const std::vector<Row> rows = {
        // 41 42 00 FF: zones 4 4 0 F, digits 1 2 0 F
        {"H", PT_HEX, "AB\x00\xff"sv, {"", sel + "440F" + sp(96) + len4, sp(20) + "120F"}},
        // 41 01 2E 7E: printable A . ~, X'01' blank in the character line
        {"B", PT_BOTH, "A\x01.~"sv, {"", sel + "A .~" + sp(96) + len4, sp(20) + "4027", sp(20) + "11EE"}},
        // mixed: printable bytes as they are, X'01' as 0 over 1
        {"M", PT_MIX, "A\x01.~"sv, {"", sel + "A0.~" + sp(96) + len4, sp(20) + " 1"}},
        // as it stands: the bytes unchanged
        {"N", PT_ASIS, "A\x01.~"sv, {sel + "A\x01.~" + sp(96) + len4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrtRun r("prt-layout");
        tvlprt(row.rec.data(), static_cast<int>(row.rec.size()), row.type, 0);
        std::vector<std::string> got = r.lines();
        ASSERT_EQ(5 + row.lines.size() + 1, got.size());
        std::vector<std::string> body(got.begin() + 5, got.end() - 1);
        EXPECT_EQ(row.lines, body);
        EXPECT_EQ(sp(20) + scale(100, true), got.back());
    }
}

// The hundreds scale puts the number of hundreds at every 100th column,
// 10 at column 1000.
TEST(tvlprt, HundredsScaleAtWideDataWidth) {
    PrtRun r("prt-wide");
    r.opt.datawidth = 1000;
    r.opt.reclen = 0;
    tvlprt("x", 1, PT_CHAR, 0);
    std::vector<std::string> got = r.lines();
    ASSERT_GE(got.size(), 3u);
    const std::string& h1 = got[2];
    ASSERT_EQ(1020u, h1.size());
    EXPECT_EQ('1', h1[19 + 100]);   // data column 100 is listing column 120
    EXPECT_EQ('9', h1[19 + 900]);
    EXPECT_EQ("10", h1.substr(19 + 999, 2));
}

// A bad print type and a failing write end the run with their text and
// status; the failures of defining and opening the listing are seen in
// whole runs below.
TEST(tvlprt, FailuresEndTheRun) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    {
        PrtRun r("prt-bad");
        EXPECT_EXIT(tvlprt("x", 1, 6, 0), testing::ExitedWithCode(5), "^Print Type 0x6 invalid.\n$");
        EXPECT_EXIT(tvlprt("x", 1, 18, 0), testing::ExitedWithCode(5), "^Print Type 0x12 invalid.\n$");
    }
    {
        PrtRun r("prt-full");
        std::string name = "/dev/full";
        r.cmv.lstname = name.data();
        EXPECT_EXIT(
            {
                tvlprt("x", 1, PT_LINE, 0);
                tvlprt(nullptr, 0, PT_CLOSE, 0);
            },
            testing::ExitedWithCode(77), "^Write /dev/full failed.\n$");
    }
}

// Whole runs: a -lst name of 256 characters cannot be defined (7931, seen
// as 251), one in a missing directory cannot be opened (7932, seen as
// 252); without -lst the name is TVLLST, else TORV.LST.
TEST(tvlprt, ListingNameAndFailuresInWholeRuns) {
    std::string d = tvt::tempdir("prt-run");
    std::string longname(256, 'x');
    tvt::Run r = tvt::run({"-lst", longname}, d);
    EXPECT_EQ(7931 % 256, r.status);
    EXPECT_NE(std::string::npos, r.err.find("PRINT failed: '" + longname + "'\n")) << r.err;
    r = tvt::run({"-lst", "missing/x.lst"}, d);
    EXPECT_EQ(7932 % 256, r.status);
    EXPECT_NE(std::string::npos, r.err.find("PRINT file: No such file or directory \n")) << r.err;
    setenv("TVLLST", "env.lst", 1);
    r = tvt::run({}, d);
    EXPECT_EQ(52, r.status);
    EXPECT_TRUE(tvt::exists(d + "/env.lst"));
    r = tvt::run({"-lst", "opt.lst"}, d);
    EXPECT_TRUE(tvt::exists(d + "/opt.lst"));
    unsetenv("TVLLST");
    r = tvt::run({}, d);
    EXPECT_EQ(0u, tvt::slurp(d + "/TORV.LST").find("TORVALE/L64 3.50 "));
    tvt::rmtree(d);
}
