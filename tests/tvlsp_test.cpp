// Control, print and log actions: the result codes that steer the walk
// (GOTO, GOTO GET, EOJ, START, SUSP, CANCEL), the start switch they leave,
// and PRINT, PLOG, LOG, SPACE and LINE with the lines they put in the
// listing and the log.  Statements are analysed for real; the current
// record is set by hand.  Expected lines are worked out by hand from the
// listing layouts; the working is in the comments.  The listing is a line
// file, which drops trailing blanks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "tests/testutil.h"

using namespace std::string_literals;

namespace {

using tvt::sp;

// A run with analysed statements, the listing and the log in a fresh
// directory (which is also the current directory, for the message file),
// the heading date fixed, and no RECORD LENGTH column.
class SpRun {
public:
    explicit SpRun(const std::string& name) : wd_(name), lst_(wd_.dir + "/TORV.LST"), log_(wd_.dir + "/log") {
        st_.run().listto(lst_);
        st_.opt().reclen = 0;
        c().logfp = std::fopen(log_.c_str(), "w");
    }
    ~SpRun() {
        cm = &c();
        tvlprt(nullptr, 0, PT_CLOSE, 0);
        std::fclose(c().logfp);
        c().logfp = stderr;
    }
    // Analyse the statements; each must be accepted.
    void stmts(std::initializer_list<std::string_view> list) {
        for (std::string_view s : list) ASSERT_EQ(0, st_.stmt(s)) << s;
    }
    // The node of statement text s (its first node).
    CN* node(std::size_t i) { return st_.nodes().at(i); }
    // Execute node i on the record rec, counted `count` times so far.
    int exec(std::size_t i, std::string_view rec, long long count = 1) {
        rec_.assign(rec);
        CMV& c = st_.c();
        c.currec = reinterpret_cast<unsigned char*>(rec_.data());
        c.curlen = static_cast<std::int64_t>(rec_.size());
        c.cncur = node(i);
        c.cncur->cnt = count;
        return tvlsp(&c);
    }
    // Give node i the operands parsed from text, as analysis does.
    void operands(std::size_t i, std::string_view text) {
        optext_.assign(text);
        optext_ += "\n";
        optext_ += '\0';
        CMV& c = st_.c();
        c.cncur = node(i);
        c.errnum = 0;
        tvltokn(&c, optext_.data(), static_cast<int>(text.size()), '!');
        tkc = c.tkhead;
        fldmult(&c, &c.cncur->operands);
        ASSERT_EQ(0, c.errnum) << text;
    }
    std::vector<std::string> listing() {
        tvlprt(nullptr, 0, PT_CLOSE, 0);
        return tvt::lines(lst_);
    }
    bool haslisting() { return tvt::exists(lst_); }
    std::vector<std::string> log() {
        std::fflush(st_.c().logfp);
        return tvt::lines(log_);
    }
    CMV& c() { return st_.c(); }
    const std::string& dir() { return wd_.dir; }

private:
    tvt::WorkDir wd_;
    std::string lst_, log_, rec_, optext_;
    tvt::StmtRun st_;
};

// The column headers of a record print at data width 100 without the
// RECORD LENGTH column: hundreds digit at column 120, tens digits, and
// the scale "....,....0" ten times.
std::vector<std::string> rechead() {
    std::string tens, dots;
    for (int j = 1; j <= 100; j++) {
        tens += j % 10 == 0 ? static_cast<char>('0' + (j / 10) % 10) : ' ';
        dots += j % 10 == 0 ? '0' : (j % 5 == 0 ? ',' : '.');
    }
    return {"    INPUT   SEL SEL " + sp(99) + "1", "    RECNO   TOT ID. " + tens, "    -----   --- --- " + dots};
}
// The closing scale: "....,....1....,....2" ... "....,....0" after 20 blanks.
std::string closing() {
    std::string s = sp(20);
    for (int j = 1; j <= 100; j++) s += j % 10 == 0 ? static_cast<char>('0' + (j / 10) % 10) : (j % 5 == 0 ? ',' : '.');
    return s;
}

}  // namespace

// Result codes and the start switch: GOTO and GOTO GET go to the branch
// target (4), EOJ ends normally (8), a START that ends a pending START
// clears the switch and goes on (0); a START with none pending is not
// counted; SUSP sets the switch and goes to the alternate successor (16).
TEST(tvlsp, FlowResultCodes) {
    struct Row {
        const char* name;
        std::vector<std::string_view> stmts;
        std::size_t node;   // the node executed
        int startin;        // start switch before
        int rc;             // result
        int startout;       // start switch after
        long long count;    // the node's count after (1 before)
    };
    const Row rows[] = {
        {"goto", {"GOTO X"}, 0, 0, ACT_BRANCH, 0, 1},
        {"goto get", {"GOTO GET"}, 0, 0, ACT_BRANCH, 0, 1},
        {"gg", {"GG"}, 0, 0, ACT_BRANCH, 0, 1},
        {"eoj", {"EOJ"}, 0, 0, ACT_END, 0, 1},
        {"stop", {"STOP"}, 0, 0, ACT_END, 0, 1},
        {"start pending", {"NOW START"}, 0, 1, ACT_GO, 0, 1},
        {"start not pending", {"NOW START"}, 0, 0, ACT_GO, 0, 0},
        // A run that is ending stays ending: the switch is not cleared.
        {"start while ending", {"NOW START"}, 0, -1, ACT_GO, -1, 0},
        {"susp", {"NOW START", "NOW SUSP"}, 1, 0, ACT_ALT, 1, 1},
        // SUSP while the run is ending ends it instead of walking it again.
        {"susp while ending", {"NOW START", "NOW SUSP"}, 1, -1, ACT_END, -1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SpRun r("sp-flow");
        for (std::string_view s : row.stmts) r.stmts({s});
        if (row.stmts.size() > 1) r.c().cnstnode = r.node(0);  // the START that preparation finds
        startsw = row.startin;
        EXPECT_EQ(row.rc, r.exec(row.node, "REC"));
        EXPECT_EQ(row.startout, startsw);
        EXPECT_EQ(row.count, r.node(row.node)->cnt);
        EXPECT_FALSE(r.haslisting());
        startsw = 0;
    }
}

// SUSP in a run without a START node ends the run normally.  (A word alone on a statement is a label; NOW makes it an
// action.)
TEST(tvlsp, SuspWithoutStartEndsTheRun) {
    SpRun r("sp-susp");
    r.stmts({"NOW SUSP"});
    EXPECT_EQ(ACT_END, r.exec(0, "REC"));
    EXPECT_EQ(0, startsw);
}

// CANCEL: message 513 under the statement, with its selection number
// ("(SEL----2)", mask "----9"), and the run ends in error.
TEST(tvlsp, CancelPrintsMessage513) {
    SpRun r("sp-cancel");
    tvt::spit(r.dir() + "/torvale.msg", "E513 Run cancelled by CANCEL\n");
    r.stmts({"PRINT", "GOTO CANCEL"});
    EXPECT_EQ(ACT_ERROR, r.exec(1, "REC"));
    std::vector<std::string> want = {tvt::head1(1), tvt::head2(), "",
                                     "     (SEL----2)   *** SELECTION TIME ERROR 513 ***   Run cancelled by CANCEL"};
    EXPECT_EQ(want, r.listing());
}

// An operation code this module does not execute is logic error 27009
// (exit status 27009 mod 256 = 129).
TEST(tvlsp, OtherCodesAreLogicError27009) {
    SpRun r("sp-logic");
    r.stmts({"EOJ"});
    r.node(0)->typ2 = OP_MOVE;
    EXPECT_EXIT(r.exec(0, "REC"), ::testing::ExitedWithCode(129), "");
    // The line goes to the log (selection number 1, mask "---9").
    EXPECT_EQ(std::vector<std::string>{"** Logic Error =27009  Selid =   1  Run terminated."}, r.log());
}

// PRINT without an operand prints the whole current record in the
// statement's print type.  Record "AB" X'01' printed by statement 1 (the
// selection number), counted 3 times, no input read:
//   selection columns "        0" (mask 000000009), "     3" (000009),
//   "   1 " (0009 and a blank), data from column 21.
//   A = X'41', B = X'42', X'01': characters "AB.", high digits "440",
//   low digits "121".
// Record types print the column headers under the page heading and the
// closing scale when the listing is closed; types above 20 an empty line
// before each record.  Dumps (heading width 132: 32 bytes a line, the
// characters between "|" at columns 85 and 118) print the INPUT/SEL
// headers 19 wide and a header line with the length at columns 29-34
// (mask "00009-": "    3 ").
TEST(tvlsp, PrintLayoutsOfTheWholeRecord) {
    const std::string sel = "        0     3   1 ";
    const std::string dumphead = "        0     3   1" + sp(13) + "3";
    const std::vector<std::string> dumpcols = {"    INPUT   SEL SEL", "    RECNO   TOT ID.", "    -----   --- ---"};
    struct Row {
        const char* stmt;
        std::vector<std::string> body;  // lines after the page heading
    };
    std::vector<std::string> rh = rechead();
    const Row rows[] = {
        {"PRINT", {rh[0], rh[1], rh[2], sel + "AB.", closing()}},
        {"PRINT TYPE C", {rh[0], rh[1], rh[2], sel + "AB.", closing()}},
        {"PRINT TYPE N", {rh[0], rh[1], rh[2], sel + "AB\x01", closing()}},
        {"PRINT TYPE H", {rh[0], rh[1], rh[2], "", sel + "440", sp(20) + "121", closing()}},
        {"PRINT TYPE B", {rh[0], rh[1], rh[2], "", sel + "AB", sp(20) + "440", sp(20) + "121", closing()}},
        // Mixed: "A" and "B" as themselves, X'01' as its digits 0 over 1.
        {"PRINT TYPE M", {rh[0], rh[1], rh[2], "", sel + "AB0", sp(22) + "1", closing()}},
        {"PRINT TYPE D", {dumpcols[0], dumpcols[1], dumpcols[2], dumphead,
                          "  0000  414201" + sp(71) + "|AB." + sp(29) + "|"}},
        // Hexadecimal only: no characters, blanks for the enclosure.
        {"PRINT TYPE DX", {dumpcols[0], dumpcols[1], dumpcols[2], dumphead, "  0000  414201"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stmt);
        SpRun r("sp-layout");
        r.stmts({row.stmt});
        EXPECT_EQ(ACT_GO, r.exec(0, "AB\x01"s, 3));
        std::vector<std::string> want = {tvt::head1(1), tvt::head2()};
        want.insert(want.end(), row.body.begin(), row.body.end());
        EXPECT_EQ(want, r.listing());
        EXPECT_EQ(std::vector<std::string>{}, r.log());
    }
}

// LOG writes to the log only, PLOG to the listing and the log.  LOG's
// default type is the ASA line (type 11), printed with its first
// character.  Record "HELLO" by statement 1, counted once:
//   listing of PLOG: heading, column headers, "        0     1   1 HELLO";
//   the log gets the same record lines and headers, never the heading.
TEST(tvlsp, LogAndPlogDestinations) {
    const std::string sel = "        0     1   1 ";
    std::vector<std::string> rh = rechead();
    struct Row {
        const char* stmt;
        std::vector<std::string> list;  // listing; empty: no listing
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"LOG", {}, {"HELLO"}},
        {"LOG TYPE C", {}, {sel + "HELLO"}},
        // The empty line before a hexadecimal record goes where the record goes.
        {"LOG TYPE H", {}, {"", sel + "44444", sp(20) + "85CCF"}},
        {"PLOG", {tvt::head1(1), tvt::head2(), rh[0], rh[1], rh[2], sel + "HELLO", closing()},
         {rh[0], rh[1], rh[2], sel + "HELLO"}},
        {"PRINT", {tvt::head1(1), tvt::head2(), rh[0], rh[1], rh[2], sel + "HELLO", closing()}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stmt);
        SpRun r("sp-log");
        r.stmts({row.stmt});
        EXPECT_EQ(ACT_GO, r.exec(0, "HELLO"));
        EXPECT_EQ(row.log, r.log());
        if (row.list.empty()) EXPECT_FALSE(r.haslisting());
        else EXPECT_EQ(row.list, r.listing());
    }
}

// LOG of a record longer than an ASA line prints its first 133
// characters; a shorter one whole.  The LOG statement acts at most 50
// times (its stop-after count).
TEST(tvlsp, LogLineIsAtMost133) {
    struct Row {
        int len;
        int want;
    };
    for (const Row& row : {Row{133, 133}, Row{134, 133}, Row{500, 133}, Row{0, 0}}) {
        SCOPED_TRACE(row.len);
        SpRun r("sp-log133");
        r.stmts({"LOG"});
        EXPECT_EQ(50, r.node(0)->limit);
        std::string rec;
        for (int i = 0; i < row.len; i++) rec += static_cast<char>('a' + i % 26);
        r.exec(0, rec);
        EXPECT_EQ(std::vector<std::string>{rec.substr(0, static_cast<size_t>(row.want))}, r.log());
    }
}

// SPACE n writes n empty lines to the listing; LINE n spaces to line n of
// the page.  After the heading (lines 1-3) and a line at line 4: SPACE 2
// gives lines 5 and 6 empty; LINE 9 gives 4 empty lines (9 - 4 - 1).
TEST(tvlsp, SpaceAndLine) {
    struct Row {
        const char* stmt;
        int empties;
    };
    for (const Row& row : {Row{"SPACE 2", 2}, Row{"LINE 9", 4}, Row{"SPACE", 1}}) {
        SCOPED_TRACE(row.stmt);
        SpRun r("sp-space");
        r.stmts({row.stmt});
        tvlprt("first", -1, PT_LINE, 0);
        EXPECT_EQ(ACT_GO, r.exec(0, "REC"));
        tvlprt("last", -1, PT_LINE, 0);
        std::vector<std::string> want = {tvt::head1(1), tvt::head2(), "", "first"};
        for (int i = 0; i < row.empties; i++) want.push_back("");
        want.push_back("last");
        EXPECT_EQ(want, r.listing());
    }
}

// An operand is printed clipped to the bytes of the record that exist;
// one that begins past the end prints nothing.  A field list is laid end
// to end.  Record "ABCDEF", PRINT by statement 1 counted once:
//   POS 3 LEN 10     "CDEF" (columns 3 to 6, the 4 bytes that exist)
//   POS 2 LEN 3      "BCD"
//   POS 5 2 POS 1 2  "EF" then "AB": "EFAB"
//   POS 7 LEN 2      nothing: the listing is not even opened.
TEST(tvlsp, PrintOperandsClippedToTheRecord) {
    const std::string sel = "        0     1   1 ";
    std::vector<std::string> rh = rechead();
    struct Row {
        const char* operand;
        const char* printed;  // null: nothing printed
    };
    const Row rows[] = {
        {"POS 3 LEN 10", "CDEF"},
        {"POS 2 LEN 3", "BCD"},
        {"POS 5 LEN 2 POS 1 LEN 2", "EFAB"},
        {"POS 7 LEN 2", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.operand);
        SpRun r("sp-operand");
        r.stmts({"PRINT"});
        r.operands(0, row.operand);
        EXPECT_EQ(ACT_GO, r.exec(0, "ABCDEF"));
        if (!row.printed) {
            EXPECT_FALSE(r.haslisting());
            continue;
        }
        std::vector<std::string> want = {tvt::head1(1), tvt::head2(), rh[0], rh[1], rh[2], sel + row.printed,
                                         closing()};
        EXPECT_EQ(want, r.listing());
    }
}

// ---------------------------------------------------------------------------
// Whole runs
// ---------------------------------------------------------------------------

namespace {

// One whole run: statements in "ctl", data in "in.txt", the listing and
// the log read back.
struct E2e {
    tvt::Run run;
    std::vector<std::string> lst, log;
    std::string out;  // out.txt, "" when absent
};

E2e runit(const std::string& name, const std::string& ctl, const std::string& in) {
    std::string d = tvt::tempdir(name);
    tvt::spit(d + "/ctl", ctl);
    tvt::spit(d + "/in.txt", in);
    E2e e;
    e.run = tvt::run({"-ctl", "ctl", "-log", "log"}, d, "/dev/null", 20);
    e.lst = tvt::lines(d + "/TORV.LST");
    e.log = tvt::lines(d + "/log");
    e.out = tvt::slurp(d + "/out.txt");
    tvt::rmtree(d);
    return e;
}

// The n lines of v from the first that begins with `first`; fewer when v
// ends before.
std::vector<std::string> from(const std::vector<std::string>& v, const std::string& first, std::size_t n) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < v.size(); i++) {
        if (v[i].compare(0, first.size(), first) != 0) continue;
        for (std::size_t k = i; k < v.size() && r.size() < n; k++) r.push_back(v[k]);
        break;
    }
    return r;
}

}  // namespace

// READ / IF / THEN PRINT / THEN WRITE over "AB1", "XY2", "AC3": the two
// records beginning with A are printed by statement 2 (READ is 1, WRITE
// 3).  Selection columns: records read 1 and 3, PRINT's count 1 and 2.
// The RECORD LENGTH column (mask "0000009-") puts "3" at column 127 of
// the first line of a record: 20 + 3 data + 103 blanks.  A = X'41',
// B = X'42', C = X'43', "1" = X'31', "3" = X'33'.  Dumps: the header line
// has the length at columns 29-34, the data line the offset 0000, the
// hexadecimal from column 9 and the characters between "|" at 86 and 119.
TEST(tvlsp, PrintInEveryLayoutEndToEnd) {
    const std::string s1 = "        1     1   2 ", s3 = "        3     2   2 ";
    struct Row {
        const char* type;
        const char* first;   // the listing lines checked begin with this one
        std::vector<std::string> want;
    };
    const Row rows[] = {
        {"", "        1", {s1 + "AB1" + sp(103) + "3", s3 + "AC3" + sp(103) + "3"}},
        {" TYPE H", "    RECNO",
         {"    RECNO   TOT ID. " + sp(9) + "1" + sp(9) + "2" + sp(9) + "3" + sp(9) + "4" + sp(9) + "5" + sp(9) + "6" +
              sp(9) + "7" + sp(9) + "8" + sp(9) + "9" + sp(9) + "0  LENGTH",
          "    -----   --- --- ....,....0....,....0....,....0....,....0....,....0....,....0....,....0....,....0"
          "....,....0....,....0  ------",
          "", s1 + "443" + sp(103) + "3", sp(20) + "121", "", s3 + "443" + sp(103) + "3", sp(20) + "133"}},
        {" TYPE D", "    INPUT",
         {"    INPUT   SEL SEL", "    RECNO   TOT ID.", "    -----   --- ---", s1.substr(0, 19) + sp(13) + "3",
          "  0000  414231" + sp(71) + "|AB1" + sp(29) + "|", s3.substr(0, 19) + sp(13) + "3",
          "  0000  414333" + sp(71) + "|AC3" + sp(29) + "|"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        E2e e = runit("sp-e2e-print",
                      "READ in.txt\nIF POS 1 EQ 'A'\nTHEN PRINT"s + row.type + "\nTHEN WRITE out.txt\nEND\n",
                      "AB1\nXY2\nAC3\n");
        EXPECT_EQ(0, e.run.status) << e.run.err;
        EXPECT_EQ("AB1\nAC3\n", e.out);
        EXPECT_EQ(row.want, from(e.lst, row.first, row.want.size()));
    }
}

// The flow actions steer the run.  Input lines a, S1, b, U1, c, S2, d, C, e:
//   EOJ at the first "U": a S1 b written, the run ends normally;
//   GOTO past the WRITE for lines beginning with "S": the others written;
//   START at "S" lines, SUSP at "U" lines: S1 b, then S2 d C e (U1 and c
//   skipped while the START is pending);
//   CANCEL at "C": a S1 b U1 c S2 d written, message 513, return code 44.
TEST(tvlsp, FlowActionsSteerTheRun) {
    const std::string in = "a\nS1\nb\nU1\nc\nS2\nd\nC\ne\n";
    const std::string m513 = "     (SEL----2)   *** SELECTION TIME ERROR 513 ***   Run cancelled by CANCEL";
    struct Row {
        const char* name;
        std::string ctl;
        std::string out;
        int status;       // -1: not checked here (the summary decides it)
        std::string msg;  // the message line of the listing, "" for none
    };
    const Row rows[] = {
        {"eoj", "READ in.txt\nIF POS 1 EQ 'U'\nTHEN EOJ\nWRITE out.txt\nEND\n", "a\nS1\nb\n", -1, ""},
        {"goto", "READ in.txt\nIF POS 1 EQ 'S'\nTHEN GOTO SKIP\nWRITE out.txt\nSKIP\nNOW SPACE\nEND\n",
         "a\nb\nU1\nc\nd\nC\ne\n", 0, ""},
        {"start susp",
         "READ in.txt\nIF POS 1 EQ 'S'\nTHEN START\nIF POS 1 EQ 'U'\nTHEN SUSP\nWRITE out.txt\nEND\n",
         "S1\nb\nS2\nd\nC\ne\n", 0, ""},
        {"cancel", "READ in.txt\nIF POS 1 EQ 'C'\nTHEN GOTO CANCEL\nWRITE out.txt\nEND\n", "a\nS1\nb\nU1\nc\nS2\nd\n",
         44, m513},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        E2e e = runit("sp-e2e-flow", row.ctl, in);
        EXPECT_EQ(row.out, e.out);
        if (row.status >= 0) {
            EXPECT_EQ(row.status, e.run.status) << e.run.err;
        }
        if (!row.msg.empty()) {
            EXPECT_EQ(std::vector<std::string>{row.msg}, from(e.lst, "     (SEL", 1));
        }
    }
}

// LOG writes each record to the log, at most 50 times; the listing gets
// none of them.  60 input lines "L01" to "L60": the log holds "L01" to
// "L50" in order and no "L51".
TEST(tvlsp, LogWritesFiftyRecordsToTheLog) {
    std::string in;
    for (int i = 1; i <= 60; i++) in += "L" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n";
    E2e e = runit("sp-e2e-log", "READ in.txt\nLOG\nWRITE out.txt\nEND\n", in);
    EXPECT_EQ(0, e.run.status) << e.run.err;
    EXPECT_EQ(in, e.out);
    std::vector<std::string> got;
    for (const std::string& l : e.log)
        if (l.size() == 3 && l[0] == 'L') got.push_back(l);
    std::vector<std::string> want;
    for (int i = 1; i <= 50; i++) want.push_back("L" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    EXPECT_EQ(want, got);
    for (const std::string& l : e.lst) EXPECT_NE("L01", l);
}
