// Whole runs of the program: statements, input files made here, output
// bytes and exit codes worked out by hand from the record formats and the
// selection rules.
#include "driver/driver.h"
#include "files/files.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace std::literals;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

// The statements, the files made before the run, the files and their bytes
// after it, the exit codes accepted (the first is the one selection sets).
struct Row { const char* name; std::string ctl; Files in, out; std::vector<int> rc; };

// Lines of the selection rows: "AB", "CD", "AX", "" and "Z".
const std::string kLines = "AB\nCD\nAX\n\nZ\n";

// Three records "AB", "CDE", "FGHIJ" in the two variable layouts:
//   text:  41 42 0A  43 44 45 0A  46 47 48 49 4A 0A
//   VB, LRECL 12, BLKSIZE 20 (BDW and RDW count themselves):
//     block 1: BDW 4 + RDW 4 + 2 + RDW 4 + 3 = 17 = 0x11; the third record
//              (4 + 5 = 9) would make 26 > 20, so it opens block 2:
//     block 2: BDW 4 + RDW 4 + 5 = 13 = 0x0D.
const std::string kText3 = "AB\nCDE\nFGHIJ\n";
const std::string kVb3 =
    "\x00\x11\x00\x00" "\x00\x06\x00\x00" "AB" "\x00\x07\x00\x00" "CDE"
    "\x00\x0D\x00\x00" "\x00\x09\x00\x00" "FGHIJ"s;

std::vector<Row> rows() {
    return {
        // Delimiters LF, CR LF, a lone CR and none at the end: four records,
        // each written with the output's LF.
        {"CopyLines", "READ in.txt\nWRITE out.txt\n", {{"in.txt", "AB\nCD\r\nEF\rGH"}},
         {{"out.txt", "AB\nCD\nEF\nGH\n"}}, {0}},
        // The empty record and "Z" are too short for nothing but EQ: no code.
        {"SelectOneByte", "READ in.txt\nIF P 1 EQ 'A'\nTHEN WRITE out.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "AB\nAX\n"}}, {0}},
        // X'42' is "B": only "AB" has it at position 2.
        {"SelectHexLiteral", "READ in.txt\nIF P 2 EQ X'42'\nTHEN WRITE out.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "AB\n"}}, {0}},
        {"ThenElse", "READ in.txt\nIF P 1 EQ 'A'\nTHEN WRITE out.txt\nELSE WRITE out2.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "AB\nAX\n"}, {"out2.txt", "CD\n\nZ\n"}}, {0}},
        {"And", "READ in.txt\nIF P 1 EQ 'A'\nAND P 2 EQ 'X'\nTHEN WRITE out.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "AX\n"}}, {0}},
        {"Or", "READ in.txt\nIF P 1 EQ 'C'\nOR P 1 EQ 'Z'\nTHEN WRITE out.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "CD\nZ\n"}}, {0}},
        // GT on position 2 of the empty record and of "Z": the test fails,
        // return code 6; B, D and X are above A.
        {"FailedTestIsSix", "READ in.txt\nIF P 2 GT 'A'\nTHEN WRITE out.txt\n", {{"in.txt", kLines}},
         {{"out.txt", "AB\nCD\nAX\n"}}, {6}},
        // The run ends after the second write (the input not read to its
        // end: 4 once the summary decides it).
        {"StopAfter", "READ in.txt\nWRITE out.txt STOPAFT 2\n", {{"in.txt", kLines}},
         {{"out.txt", "AB\nCD\n"}}, {0, 4}},
        // F 5 copied to FB 5 in blocks of 10: the same 20 bytes; to F 8 each
        // record padded with 3 blanks.
        {"FixedReblocked",
         "READ in.dat RECFM F LRECL 5\nWRITE out.dat RECFM FB LRECL 5 BLKSIZE 10\nWRITE out2.dat RECFM F LRECL 8\n",
         {{"in.dat", "0123456789ABCDEFGHIJ"}},
         {{"out.dat", "0123456789ABCDEFGHIJ"}, {"out2.dat", "01234   56789   ABCDE   FGHIJ   "}}, {0}},
        // "FGHIJ" into F 4 is cut to "FGHI": return code 5; "AB" padded.
        {"LongRecordTruncated", "READ in.txt\nWRITE out.dat RECFM F LRECL 4\n", {{"in.txt", kText3}},
         {{"out.dat", "AB  CDE FGHI"}}, {5}},
        {"TextWrittenAsVb", "READ in.txt\nWRITE out.dat RECFM VB LRECL 12 BLKSIZE 20\n", {{"in.txt", kText3}},
         {{"out.dat", kVb3}}, {0}},
        {"VbReadAsText", "READ in.dat RECFM VB LRECL 12 BLKSIZE 20\nWRITE out.txt RECFM U\n", {{"in.dat", kVb3}},
         {{"out.txt", kText3}}, {0}},
        // Each record into its field of the work area, the rest of the field
        // cleared: "AAAA" + 1 blank + "BB", then "A" + 4 blanks + "B2".
        {"ReadInto", "READ a.txt INTO P 1 LEN 5\nREAD b.txt INTO P 6 LEN 2\nWRITE out.txt\n",
         {{"a.txt", "AAAA\nA\n"}, {"b.txt", "BB\nB2\n"}}, {{"out.txt", "AAAA BB\nA    B2\n"}}, {0}},
        // The second file follows the first without its end being seen.
        {"Concatenation", "READ a.txt\nCAT b.txt\nWRITE out.txt\n",
         {{"a.txt", "AAAA\nA\n"}, {"b.txt", "BB\nB2\n"}}, {{"out.txt", "AAAA\nA\nBB\nB2\n"}}, {0}},
        // Empty and missing inputs: nothing written (16 once the summary
        // decides it).
        {"EmptyInput", "READ in.txt\nWRITE out.txt\n", {{"in.txt", ""}}, {{"out.txt", ""}}, {0, 16}},
        {"MissingInput", "READ in.txt\nWRITE out.txt\n", {}, {{"out.txt", ""}}, {0, 16}},
        // Update in place rewrites each record where it was read: every
        // byte of the file stays as it was.
        {"UpdateInPlace", "READ in.dat RECFM F LRECL 5\nIF P 1 EQ 'A'\nTHEN UPDATE in.dat\n",
         {{"in.dat", "0123456789ABCDEFGHIJ"}}, {{"in.dat", "0123456789ABCDEFGHIJ"}}, {0, 16}},
        // INSERT and DELETE on a sequential file (opened for update) do
        // nothing: return code 8, the file as it was.
        {"InsertOnSequentialIsEight", "READ in.txt\nINSERT old.txt\nDELETE old2.txt\n",
         {{"in.txt", "AB\n"}, {"old.txt", "XY\n"}, {"old2.txt", "ZZ\n"}},
         {{"old.txt", "XY\n"}, {"old2.txt", "ZZ\n"}}, {8, 16}},
        // CLOSE of the input leaves the work record of 528 blanks current;
        // F 530 pads it with two more.
        {"CloseLeavesWorkRecord", "READ in.txt STOPAFT 1\nCLOSE in.txt\nWRITE out.dat RECFM F LRECL 530\n",
         {{"in.txt", "AB\nCD\n"}}, {{"out.dat", std::string(530, ' ')}}, {0, 4}},
        // Data cards: the rest of the END line ("!" ends each), then the
        // lines after it up to "/*".
        {"ReadCardAfterEnd", "READ CARD\nWRITE out.txt\nEND!a!b\nc\nd\n/*\ne\n", {}, {{"out.txt", "a\nb\nc\nd\n"}},
         {0}},
        {"ReadCardLinesAfterEnd", "READ CARD\nWRITE out.txt\nEND\nc\n", {}, {{"out.txt", "c\n"}}, {0}},
        // No input: the chain is walked once; the work record (528 blanks,
        // trailing blanks dropped on a line file) is written once.
        {"NoInputWalksOnce", "WRITE out.txt\n", {}, {{"out.txt", "\n"}}, {0}},
    };
}

}  // namespace

TEST(e2e, RunsWriteExactBytes) {
    std::string dir = tvt::tempdir("e2e_rows");
    for (const Row& r : rows()) {
        SCOPED_TRACE(r.name);
        tvt::rmtree(dir);
        dir = tvt::tempdir("e2e_rows");
        for (const auto& [name, bytes] : r.in) tvt::spit(dir + "/" + name, bytes);
        tvt::spit(dir + "/ctl", r.ctl);
        tvt::Run run = tvt::run({"-ctl", "ctl"}, dir);
        bool rcok = false;
        for (int rc : r.rc) rcok = rcok || run.status == rc;
        EXPECT_TRUE(rcok) << "exit " << run.status << "\n" << run.err;
        for (const auto& [name, bytes] : r.out) {
            SCOPED_TRACE(name);
            ASSERT_TRUE(tvt::exists(dir + "/" + name));
            EXPECT_EQ(bytes, tvt::slurp(dir + "/" + name));
        }
    }
    tvt::rmtree(dir);
}

// More than one buffer (1 MiB) written to a device that is full: message
// 538 with the file and its text, the input block dumped, return code 44.
TEST(e2e, FullDeviceEndsTheRunWith44) {
    std::string dir = tvt::tempdir("e2e_full");
    std::string lines;
    for (int i = 0; i < 120000; ++i) lines += "0123456789\n";  // 1,320,000 bytes
    tvt::spit(dir + "/in.txt", lines);
    tvt::spit(dir + "/ctl", "READ in.txt\nWRITE /dev/full\n");
    tvt::Run run = tvt::run({"-ctl", "ctl"}, dir);
    EXPECT_EQ(44, run.status) << run.err;
    std::string lst = tvt::slurp(dir + "/TORV.LST");
    EXPECT_NE(std::string::npos,
              lst.find("     (SEL----2)   *** SELECTION TIME ERROR 538 ***   F=/dev/full - Write failed.\n"))
        << lst.substr(0, 2000);
    EXPECT_NE(std::string::npos, lst.find("MOST RECENT INPUT BLOCK (PRINTED FROM I/O BUFFER)....\n"));
    tvt::rmtree(dir);
}

// Signals during selection, raised from inside the run: the read that
// finds the end of the input raises the signal (the two records are
// written before it).  SIGINT: message 566, return code 44, exit 44.
// SIGTERM: 566 too, then RETCD 88 and exit 88.  Either way the output is
// written out and closed.
namespace {

int g_sig = 0;        // the signal to raise
int g_selreads = 0;   // reads of the selection phase so far

ssize_t sigread(int fd, void* buf, size_t len) {
    if (cm && cm->trace[0] == 'S' && ++g_selreads == 2) raise(g_sig);
    return ::read(fd, buf, len);
}

[[noreturn]] void sigrun(const std::string& dir, int sig) {
    if (chdir(dir.c_str()) != 0) std::_Exit(3);
    g_sig = sig;
    fiosys.read = sigread;
    char a0[] = "torvale", a1[] = "-ctl", a2[] = "ctl";
    char* argv[] = {a0, a1, a2, nullptr};
    std::exit(tvlgg(3, argv));
}

}  // namespace

TEST(e2e, SignalDuringSelection) {
    struct Row { const char* name; int sig, rc; };
    const Row kRows[] = {{"Interrupt", SIGINT, 44}, {"Terminate", SIGTERM, 88}};
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.name);
        std::string dir = tvt::tempdir("e2e_signal");
        tvt::spit(dir + "/in.txt", "AB\nCD\n");
        tvt::spit(dir + "/ctl", "READ in.txt\nWRITE out.txt\n");
        tvt::spit(dir + "/torvale.msg", tvt::slurp(TORVALE_SRC "/torvale.msg"));  // the run is in this process
        EXPECT_EXIT(sigrun(dir, r.sig), ::testing::ExitedWithCode(r.rc), "");
        EXPECT_EQ("AB\nCD\n", tvt::slurp(dir + "/out.txt"));
        std::string lst = tvt::slurp(dir + "/TORV.LST");
        EXPECT_NE(std::string::npos, lst.find("*** SELECTION TIME ERROR 566 ***   Signal caught during selection\n"))
            << lst;
        // The summary of a terminated run says so; an interrupted one does not.
        EXPECT_EQ(r.rc == 88, lst.find(" JOB ABNORMALLY TERMINATED ") != std::string::npos) << lst;
        tvt::rmtree(dir);
    }
}

// OPTION file defaults reach the files defined after them: expected bytes
// worked by hand (TAB to the stop of 4, fixed records padded with the fill).
TEST(e2e, OptionFileDefaults) {
    struct Row {
        const char* name;
        const char* ctl;
        const char* outpath;
        std::string out;
        int rc;
    };
    const Row rows[] = {
        {"tabsfill", "OPTION TABSIN 4 FILL '*'\nREAD in.txt\nWRITE out.dat RECFM F LRECL 8\n", "out.dat",
         "a   b***xy******", 0},
        {"defdir", "OPTION DEFDIR 'sub'\nREAD in.txt\nWRITE out.txt\n", "sub/out.txt", "sub\n", 0},
        {"defdirabs", "OPTION DEFDIR 'nowhere'\nREAD @/in.txt\nWRITE @/out.txt\n", "out.txt", "a\tb\nxy\n", 0},
        {"defdirrel", "OPTION DEFDIR 'sub/'\nREAD d2/in.txt\nWRITE out.txt\n", "sub/out.txt", "d2\n", 0},
        // Tabs into a field of the work area: its first two bytes blank.
        {"tabsinto", "OPTION TABSIN 4\nREAD in.txt INTO P 3 LEN 6\nWRITE out.txt\n", "out.txt", "  a   b\n  xy\n", 0},
        // The descriptor stays in the record of a file defined after RDW,
        // unless the file says NORDW.
        {"rdw", "OPTION RDW\nREAD in.v RECFM V\nWRITE out.txt RECFM U\n", "out.txt",
         std::string("\0\6\0\0AB\n\0\5\0\0C\n", 13), 0},
        {"nordw", "OPTION RDW\nREAD in.v RECFM V NORDW\nWRITE out.txt RECFM U\n", "out.txt", "AB\nC\n", 0},
        // %1 is "Ab.txt": a name given on the command line keeps its case,
        // also inside a word.
        {"param", "READ in.txt\nWRITE %1\n", "Ab.txt", "a\tb\nxy\n", 0},
        {"paramword", "READ in.txt\nWRITE o%1\n", "oAb.txt", "a\tb\nxy\n", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string dir = tvt::tempdir(std::string("optdef_") + r.name);
        tvt::spit(dir + "/in.txt", "a\tb\nxy\n");
        ::mkdir((dir + "/sub").c_str(), 0755);
        tvt::spit(dir + "/sub/in.txt", "sub\n");
        ::mkdir((dir + "/sub/d2").c_str(), 0755);
        tvt::spit(dir + "/sub/d2/in.txt", "d2\n");
        tvt::spit(dir + "/in.v", std::string("\0\6\0\0AB\0\5\0\0C", 11));
        std::string ctl = r.ctl;
        for (std::size_t at; (at = ctl.find('@')) != std::string::npos;) ctl.replace(at, 1, dir);
        tvt::spit(dir + "/ctl", ctl);
        tvt::Run run = tvt::run({"-ctl", "ctl", "Ab.txt"}, dir);
        EXPECT_EQ(r.rc, run.status) << run.err;
        EXPECT_EQ(r.out, tvt::slurp(dir + "/" + r.outpath));
        EXPECT_TRUE(tvt::exists(dir + "/TORV.LST"));  // the listing stays put
    }
}
