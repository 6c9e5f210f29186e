// End-of-job summary: statements analysed and prepared for real, counts
// and file counters set by hand, the summary read back from the listing.
#include "tests/testutil.h"

#include "engine/engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

using namespace std::string_literals;

namespace {

// The listing lines after the summary heading's underline.
std::vector<std::string> sumlines(const std::string& listing) {
    std::vector<std::string> v;
    std::istringstream in(listing);
    int head = 0;
    bool after = false;
    for (std::string l; std::getline(in, l);) {
        if (l == "SUMMARY..") head = 3;
        if (head > 0) {
            if (--head == 0) after = true;
            continue;
        }
        if (after) v.push_back(l);
    }
    return v;
}

// Each test works in a directory of its own: the listing "TORV.LST", the
// data files and the log live there.
class Tvlff : public ::testing::Test {
protected:
    tvt::WorkDir wd{"tvlff_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};
    std::string& dir = wd.dir;
    void SetUp() override {
        tvt::spit(dir + "/in.txt", "ABC\nXYZ\nAQQ\n");  // 3 lines, 12 bytes
        ASSERT_EQ(0, mkdir((dir + "/" + std::string(100, 'a')).c_str(), 0755));
    }
    // Analyse and prepare the statements at the summary level given by
    // the listing switch, let setup set counts, run the summary; the
    // listing lines after the summary heading's underline, the return code
    // and the log.
    struct Out {
        std::vector<std::string> lines;  // after the underline
        long long rc;
        std::string log;
        std::string all;                 // the whole listing
    };
    Out summary(const std::vector<std::string_view>& stmts, std::uint32_t level,
                const std::function<void(tvt::StmtRun&)>& setup) {
        Out o{};
        {
            tvt::StmtRun r;
            CMV& c = r.c();
            c.lstsw = (c.lstsw & ~(LST_SUMBITS | LST_SUM0)) | level;
            atupdv(atmake("RETCD", 0), 52);
            for (std::string_view t : stmts) EXPECT_EQ(0, r.stmt(t)) << t;
            EXPECT_EQ(0, r.prepare());
            atupdv(c.at_retcd, 0);  // selection began
            std::FILE* log = std::fopen((dir + "/log").c_str(), "w");
            c.logfp = log;
            setup(r);
            tvlff(&c);
            o.rc = c.at_retcd->value;
            tvlprt(nullptr, 0, PT_CLOSE, 0);
            std::fclose(log);
            c.logfp = stderr;
        }
        o.log = tvt::slurp(dir + "/log");
        o.all = tvt::slurp(dir + "/TORV.LST");
        o.lines = sumlines(o.all);
        return o;
    }
};

// The node of the statement with selection number sel, or of the n-th
// condition.
CN* stmt(tvt::StmtRun& r, int sel) {
    for (CN* n : r.nodes())
        if (n->typ1 <= CN_ELSE && n->selid == sel) return n;
    return nullptr;
}
CN* cond(tvt::StmtRun& r, int nth) {
    for (CN* n : r.nodes())
        if (n->typ1 >= CN_IF && n->typ1 <= CN_ELSEIF && --nth == 0) return n;
    return nullptr;
}
// Counters a run that read or wrote 3 records of at most 3 bytes in a
// 12-byte block leaves on a file.
void geom3(FFREC* f, bool eod) {
    f->reccnt = 3;
    f->maxrec = 3;
    f->maxblk = 12;
    if (eod) f->sflags |= FS_EOD;
}

// File lines worked by hand for the files above.  Columns: 1-5 id, 7-19
// total, 21 operation (cut by the file id at 26), 26-33 id, 34-41
// "0000000 " of 12 = "     12 ", 42-46 "00000" of 3 = "    3", 48 "U",
// 51-64 " 0,000,000,009" of the record count, 72 DSN.  d blanks more
// before the operation and 6 before the file columns in statement-detail mode.
std::string fline(const std::string& idtot, const std::string& op, const std::string& id,
                  const std::string& recs, const std::string& dsn) {
    return idtot + " " + op + id + "     12 " + "    3" + " U  " + recs + "       " + dsn;
}

struct Row {
    const char* name;
    std::vector<std::string_view> stmts;
    std::uint32_t level;
    std::function<void(tvt::StmtRun&)> setup;
    std::vector<std::string> want;  // lines after the underline, as printed
    long long rc;
    std::string log;                // what the summary writes to the log
};

TEST_F(Tvlff, SummaryLines) {
    const std::string rec3 = "             3";  // " 0,000,000,009" of 3
    const std::string longdir = "WRITE ./" + std::string(100, 'a') + "/out.txt";
    const Row rows[] = {
        {"equal totals share a line",
         {"READ in.txt", "PRINT", "LOG", "SPACE", "WRITE out.txt"},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             for (int s = 1; s <= 5; ++s) stmt(r, s)->cnt = 3;
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 5)->file, false);
         },
         {
             // "    1" id, then total 3 in 13 columns, "READ " cut by the id
             fline("    1             3", "READ ", "IN      ", rec3, "in.txt"),
             // ids 2 to 4 share: "----4" over columns 6-10, names 8 apart
             "    2----4        3 pr      log     space",
             fline("    5             3", "WR   ", "OUT     ", rec3, "out.txt"),
             "",
         },
         0, ""},
        {"basic level: failed tests, return-code-8 mark, printing counts as output",
         {"READ in.txt", "IF POS 1 EQ 'A' *> first test", "THEN PRINT", "THEN LOG", "WRITE out.txt"},
         LST_SUM1,
         [](tvt::StmtRun& r) {
             stmt(r, 1)->cnt = 3;
             cond(r, 1)->cnt = 2;
             stmt(r, 2)->cnt = 1;
             stmt(r, 2)->rc8cnt = 3;
             stmt(r, 3)->cnt = 1;
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 4)->file, false);
             stmt(r, 4)->file->reccnt = 0;
         },
         {
             fline("    1             3", "READ ", "IN      ", rec3, "in.txt"),
             // id 0, total 2, the text at 21
             "    0             2 POS OUTSIDE REC/WORKA - TEST FAILED",
             // the "*>" comment without "*>" from column 22
             std::string(21, ' ') + " first test",
             // "(*zz99 RETCD=8*#*)", 16th made "*", 3 through "00099" = "   03",
             // its leading blanks "*": at column 26
             "    2             1      (***03 RETCD=8***)",
             "    3             1",
             fline("    4             0", "WR   ", "OUT     ", "             0", "out.txt"),
             "",
         },
         0, ""},
        {"statement detail: kinds, THEN and ELSE, every comment at 73",
         {"READ in.txt", "IF POS 1 EQ 'A'", "THEN PRINT", "ELSE LOG *> other", "WRITE out.txt"},
         LST_SUM3,
         [](tvt::StmtRun& r) {
             stmt(r, 1)->cnt = 3;
             stmt(r, 2)->cnt = 2;
             stmt(r, 3)->cnt = 1;
             stmt(r, 4)->cnt = 2;
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 4)->file, false);
         },
         {
             // operation at 23, file columns 6 to the right: id at 32
             fline("    1             3", "  READ     ", "IN      ", rec3, "in.txt"),
             std::string(22, ' ') + "if",
             // "  t " at 23-26, the name at 27
             "    2             2     t pr",
             "    3             1   el  log" + std::string(43, ' ') + "*> other",
             fline("    4             2", "  WR       ", "OUT     ", rec3, "out.txt"),
             "",
         },
         0, ""},
        {"a missing input: its count, the log line, return code 16",
         {"READ nope.txt", "WRITE out.txt"},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             geom3(stmt(r, 1)->file, false);
             stmt(r, 1)->file->reccnt = 0;
             geom3(stmt(r, 2)->file, false);
             stmt(r, 2)->file->reccnt = 0;
         },
         {
 fline("    1             0", "READ ", "NOPE    ", "             0", "nope.txt"),
             // count through "009 " at 30, text at 34
             std::string(29, ' ') + "  1 = FILE*NOT*FOUND",
             fline("    2             0", "WR   ", "OUT     ", "             0", "out.txt"),
             "",
             // 13 columns, count 16 through "-------9" at 26, text at 35
             "***WARNING***" + std::string(12, ' ') + "      16 = RETURN CODE FROM TORVALE",
         },
         16,
         "cblfio: NoFile.  (Input) F=\"nope.txt\"\n"},
        {"input not read to its end: the warning and return code 4",
         {"READ in.txt", "WRITE out.txt"},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             stmt(r, 1)->cnt = 3;
             stmt(r, 2)->cnt = 3;
             geom3(stmt(r, 1)->file, false);
             geom3(stmt(r, 2)->file, false);
             stmt(r, 2)->file->trunccnt = 2;
         },
         {
             fline("    1             3", "READ ", "IN      ", rec3, "in.txt"),
             std::string(33, ' ') + "*EOF*NOT*REACHED*",
             fline("    2             3", "WR   ", "OUT     ", rec3, "out.txt"),
             std::string(29, ' ') + "  2 =RECORDS*TRUNCATED*",
             "",
             "***WARNING***" + std::string(12, ' ') + "       4 = RETURN CODE FROM TORVALE",
         },
         4, ""},
        {"a label on its own line, a GOTO with its label",
         {"READ in.txt", "L1:", "PRINT", "GOTO L1", "WRITE out.txt"},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             for (int s = 1; s <= 4; ++s) stmt(r, s)->cnt = 3;
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 4)->file, false);
         },
         {
             fline("    1             3", "READ ", "IN      ", rec3, "in.txt"),
             "",  // before the label of a plain action
             std::string(20, ' ') + "=L1=",
             "    2----3        3 pr      goto L1",
             fline("    4             3", "WR   ", "OUT     ", rec3, "out.txt"),
             "",
         },
         0, ""},
        {"a long comment is cut at a blank and goes on at its column plus 2",
         {"READ in.txt",
          "PRINT *> word0001 word0002 word0003 word0004 word0005 word0006 word0007 word0008 "
          "word0009 word0010 word0011 word0012 word0013 word0014 word0015 word0016",
          "WRITE out.txt"},
         LST_SUM1,
         [](tvt::StmtRun& r) {
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 3)->file, false);
             stmt(r, 2)->cnt = 3;
         },
         {
             fline("    1             0", "READ ", "IN      ", rec3, "in.txt"),
             // the text after "*>" from column 22: word n at 23 + 9(n-1),
             // blanks at 31 + 9j; the last blank within columns 124-133 is
             // at 130, after word 12
             "    2             3   word0001 word0002 word0003 word0004 word0005 word0006 word0007 "
             "word0008 word0009 word0010 word0011 word0012",
             // continued at column 22 + 2
             std::string(23, ' ') + "word0013 word0014 word0015 word0016",
             fline("    3             0", "WR   ", "OUT     ", rec3, "out.txt"),
             "",
         },
         0, ""},
        {"a concatenation: a line for each of its files",
         {"READ in.txt", "CAT in2.txt", "WRITE out.txt"},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             stmt(r, 1)->cnt = 6;
             stmt(r, 2)->cnt = 6;
             geom3(stmt(r, 2)->file, false);
             FFREC* in = stmt(r, 1)->file;
             FFREC* in2 = in->next;
             ASSERT_NE(nullptr, in2);
             ASSERT_EQ("IN2     "s, std::string(in2->fileid, 8));
             geom3(in, true);
             geom3(in2, true);  // the member, read to its end
             in2->sflags |= FS_WASOPEN;
             in2->fdflags |= FDF_CATMEM;  // analysis leaves the member unmarked as yet
         },
         {
             fline("    1             6", "READ ", "IN      ", rec3, "in.txt"),
             // no id or total on the member's line; " CAT " over 21-25
             fline(std::string(19, ' '), " CAT ", "IN2     ", rec3, "in2.txt"),
             fline("    2             6", "WR   ", "OUT     ", rec3, "out.txt"),
             "",
         },
         0, ""},
        {"a long name goes on at the name's column, cut without looking for a blank",
         {"READ in.txt", longdir},
         LST_SUM2,
         [](tvt::StmtRun& r) {
             geom3(stmt(r, 1)->file, true);
             geom3(stmt(r, 2)->file, false);
             stmt(r, 2)->cnt = 3;
         },
         {
             fline("    1             0", "READ ", "IN      ", rec3, "in.txt"),
             // the name from column 72 to 181: 62 characters on the first line
             fline("    2             3", "WR   ", "OUT     ", rec3, "./" + std::string(60, 'a')),
             std::string(71, ' ') + std::string(40, 'a') + "/out.txt",
             "",
         },
         0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Out o = summary(row.stmts, row.level, row.setup);
        EXPECT_EQ(row.want, o.lines);
        EXPECT_EQ(row.rc, o.rc);
        EXPECT_EQ(row.log, o.log);
    }
}

// The heading and its underline; statement detail moves the file
// columns' part 6 to the right.
TEST_F(Tvlff, HeadingAndUnderline) {
    const std::string left = " SEL-ID      SELTOT", uleft = " ------      ------";
    const std::string right = "      FILE     BLKSIZE  LRECL           FSIZE   CI    DSN";
    const std::string uright = "      ----     -------  -----           -----   --    ---";
    for (std::uint32_t level : {LST_SUM1, LST_SUM2, LST_SUM3}) {
        SCOPED_TRACE(level);
        std::string gap(level == LST_SUM3 ? 6 : 0, ' ');
        Out o = summary({"READ in.txt", "WRITE out.txt"}, level, [](tvt::StmtRun&) {});
        std::string want = "\n\nSUMMARY..\n" + left + gap + right + "\n" + uleft + gap + uright + "\n";
        EXPECT_NE(std::string::npos, o.all.find(want)) << o.all;
    }
}

// Level 0 prints no summary, yet closes the files (the record left in the
// output buffer reaches the file) and decides return code 16.
TEST_F(Tvlff, LevelZeroClosesAndSetsReturnCode) {
    Out o = summary({"READ in.txt", "WRITE out.txt"}, LST_SUM0, [](tvt::StmtRun& r) {
        geom3(stmt(r, 1)->file, true);
        FFCB* fc = r.c().datfcb;
        fc->ffrec = stmt(r, 2)->file;
        char rec[] = "HELLO";
        cblfio(fc, F_WRITE, rec, 5);
    });
    EXPECT_EQ(std::string::npos, o.all.find("SUMMARY"));
    EXPECT_EQ(16, o.rc);
    EXPECT_EQ("HELLO\n", tvt::slurp(dir + "/out.txt"));
}

// A close that fails loses the output's last records: message 538 under
// the file's name, return code 44 and a warning under the file.
int badfd = -1;
TEST_F(Tvlff, FailedCloseIsReported) {
    tvt::spit(dir + "/torvale.msg", "E538 fWrite, update, insert, delete or open failed\n");
    FIOSYS keep = fiosys;
    fiosys.close = [](int fd) {
        if (fd != badfd) return ::close(fd);
        ::close(fd);
        errno = EIO;
        return -1;
    };
    Out o = summary({"READ in.txt", "WRITE out.txt"}, LST_SUM2, [](tvt::StmtRun& r) {
        for (int s = 1; s <= 2; ++s) stmt(r, s)->cnt = 3;
        geom3(stmt(r, 1)->file, true);
        geom3(stmt(r, 2)->file, false);
        badfd = stmt(r, 2)->file->fd;
    });
    fiosys = keep;
    badfd = -1;
    // 18 blanks, the selection-time template with the number through "0999",
    // then "F=", the name, " - " and the system's text in place of the message
    EXPECT_NE(std::string::npos,
              o.all.find("\n" + std::string(18, ' ') + "*** SELECTION TIME ERROR 538 ***   F=out.txt - " +
                         std::strerror(EIO) + "\n"));
    const std::vector<std::string> want = {
        fline("    1             3", "READ ", "IN      ", "             3", "in.txt"),
        fline("    2             3", "WR   ", "OUT     ", "             3", "out.txt"),
        std::string(33, ' ') + "## CLOSE*FAILED ##",
        "",
        "***WARNING***" + std::string(12, ' ') + "      44 = RETURN CODE FROM TORVALE",
    };
    EXPECT_EQ(want, o.lines);
    EXPECT_EQ(44, o.rc);
    EXPECT_NE(std::string::npos, o.log.find("cblfio: "s + std::strerror(EIO) + "  (Outpt) F=\"out.txt\"\n"));
}

// ---------------------------------------------------------------------------
// Whole runs: the summary after the statements, and the exit status
// ---------------------------------------------------------------------------

struct RunRow {
    const char* name;
    std::string ctl;                 // the control statements
    std::string data;                // f.dat
    int status;                      // exit status
    std::vector<std::string> want;   // the listing lines after the summary's underline
    std::string msg;                 // a message line the listing holds before the summary, or ""
};

TEST(tvlff, WholeRunsEndWithTheirSummary) {
    // F 4 in blocks of 8: BLKSIZE "0000000 " of 8 = "      8 ", LRECL "    4"
    const std::string geo = "      8     4 F  ";
    const RunRow rows[] = {
        {"an output that cannot be opened: 48",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nWRITE nodir/out.dat RECFM=F LRECL=4 BLKSIZE=8\n",
         "ABCDEFGH",
         48,
         {
             "    1             0 READ F       " + geo + "             0       f.dat",
             std::string(33, ' ') + "*EOF*NOT*REACHED*",
             "    2             0 WR   OUT     " + geo + "             0       nodir/out.dat",
             std::string(33, ' ') + "## OPEN*FAILED ##",
             "",
             "***WARNING***" + std::string(12, ' ') + "      48 = RETURN CODE FROM TORVALE",
         },
         // the file message names the file and shows the system's text, once
         std::string(18, ' ') + "*** SELECTION TIME ERROR 571 ***   F=nodir/out.dat - No such file or directory"},
        {"a clean copy: 0, no warning",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nWRITE out.dat RECFM=F LRECL=4 BLKSIZE=8\n",
         "ABCDEFGH",
         0,
         {
             "    1             2 READ F       " + geo + "             2       f.dat",
             "    2             2 WR   OUT     " + geo + "             2       out.dat",
             "",
         },
         ""},
        {"stopped after one record: the input not at its end, 4",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nWRITE out.dat RECFM=F LRECL=4 BLKSIZE=8 STOPAFT=1\n",
         "ABCDEFGH",
         4,
         {
             "    1             1 READ F       " + geo + "             1       f.dat",
             std::string(33, ' ') + "*EOF*NOT*REACHED*",
             "    2             1 WR   OUT     " + geo + "             1       out.dat",
             "",
             "***WARNING***" + std::string(12, ' ') + "       4 = RETURN CODE FROM TORVALE",
         },
         ""},
        {"an empty input: nothing written, 16",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nWRITE out.dat RECFM=F LRECL=4 BLKSIZE=8\n",
         "",
         16,
         {
             "    1             0 READ F       " + geo + "             0       f.dat",
             std::string(29, ' ') + "  1 = EMPTY*FILE",
             "    2             0 WR   OUT     " + geo + "             0       out.dat",
             "",
             "***WARNING***" + std::string(12, ' ') + "      16 = RETURN CODE FROM TORVALE",
         },
         ""},
        // Text input: the block size the default's, the longest line read
        // as the record length; "U" for lines.
        {"a record longer than the fixed output: truncated, 5",
         "READ f.dat\nWRITE out.dat RECFM=F LRECL=4\n",
         "abcdefgh\nxy\n",
         5,
         {
             "    1             2 READ F         65536     8 U               2       f.dat",
             "    2             2 WR   OUT       65536     4 F               2       out.dat",
             std::string(31, ' ') + "1 =RECORDS*TRUNCATED*",
             "",
             "***WARNING*** (SEL----2)        5 = RETURN CODE FROM TORVALE",
         },
         ""},
        {"a field past the end of a short record: the test failed, 6",
         "READ f.dat\nIF POS 5 GT 'a'\nTHEN WRITE out.dat\n",
         "abcdefgh\nxy\n",
         6,
         {
             "    1             2 READ F         65536     8 U               2       f.dat",
             "    0             1 POS OUTSIDE REC/WORKA - TEST FAILED",
             "    2             1 WR   OUT       65536     8 U               1       out.dat",
             "",
             "***WARNING***" + std::string(19, ' ') + "6 = RETURN CODE FROM TORVALE",
         },
         ""},
        {"a missing input: nothing written, 16",
         "READ nothere.txt\nWRITE out.dat\n",
         "",
         16,
         {
             "    1             0 READ NOTHERE   65536 65534 U               0       nothere.txt",
             std::string(31, ' ') + "1 = FILE*NOT*FOUND",
             "    2             0 WR   OUT       65536 65534 U               0       out.dat",
             "",
             "***WARNING***" + std::string(18, ' ') + "16 = RETURN CODE FROM TORVALE",
         },
         ""},
        {"a statement error: 52, no file opened",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nELSE PRINT\nWRITE out.dat RECFM=F LRECL=4 BLKSIZE=8\n",
         "ABCDEFGH",
         52,
         {
             "    1             0 READ F       " + geo + "             0       f.dat",
             std::string(33, ' ') + "*NOT*OPENED*",
             "    2             0 pr",
             "    3             0 WR   OUT     " + geo + "             0       out.dat",
             std::string(33, ' ') + "*NOT*OPENED*",
             "",
             "***WARNING***" + std::string(12, ' ') + "      52 = RETURN CODE FROM TORVALE",
         },
         ""},
        {"the message preparation leaves is printed before the summary",
         "READ f.dat RECFM=F LRECL=4 BLKSIZE=8\nGOTO NOWHERE\nWRITE out.dat RECFM=F LRECL=4 BLKSIZE=8\n",
         "ABCDEFGH",
         52,
         {
             "    1             0 READ F       " + geo + "             0       f.dat",
             std::string(33, ' ') + "*NOT*OPENED*",
             "    2             0 goto NOWHERE",
             "    3             0 WR   OUT     " + geo + "             0       out.dat",
             std::string(33, ' ') + "*NOT*OPENED*",
             "",
             "***WARNING***" + std::string(12, ' ') + "      52 = RETURN CODE FROM TORVALE",
         },
         // "(SEL" from the 6th position, 2 through "----9" with its blanks as "-"
         "     (SEL----2)   *** SELECTION TIME ERROR 522 ***   GOTO to a label that is not defined"},
    };
    std::string d = tvt::tempdir("tvlff_runs");
    tvt::spit(d + "/torvale.msg", "E522 GOTO to a label that is not defined\nE571 fFile cannot be opened\n");
    for (const RunRow& row : rows) {
        SCOPED_TRACE(row.name);
        tvt::spit(d + "/t.ctl", row.ctl);
        tvt::spit(d + "/f.dat", row.data);
        tvt::Run r = tvt::run({"-ctl", "t.ctl"}, d);
        EXPECT_EQ(row.status, r.status) << r.err;
        std::string lst = tvt::slurp(d + "/TORV.LST");
        EXPECT_EQ(row.want, sumlines(lst)) << lst;
        if (!row.msg.empty()) {
            EXPECT_NE(std::string::npos, lst.find("\n" + row.msg + "\n")) << lst;
        }
    }
    tvt::rmtree(d);
}

}  // namespace
