// OPTION run options: each keyword and synonym to its setting, each error
// on its input; whole runs for the separator, the site options file, the
// error limit, substitution of missing values, the banner and CONTMAX.
#include "tests/testutil.h"

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// What a row reads back after its statement.
enum What { NONE, WORK, TRAP, SSN, USER, PASS, MFC, KEYNF, SEP, CONT, BAN, ENVV, ENVF, ENVT, SQL, VIA, LIB, ERRL,
            FILL, RDW, TABS, DEFD, DEFFP, DIR };

std::string got(tvt::StmtRun& s, What w) {
    OPTB& o = s.opt();
    CMV& c = s.c();
    auto str = [](const char* p) { return p ? std::string(p) : "(null)"s; };
    switch (w) {
    case NONE: return "";
    case WORK: return std::to_string(o.worklen);
    case TRAP: return std::to_string(o.trap);
    case SSN: return str(c.ssnp + SSN_NAME);
    case USER: return str(c.ssnp + SSN_USER);
    case PASS: return str(c.ssnp + SSN_PASS);
    case MFC: return std::to_string(cmsw3 & SW3_MFC);
    case KEYNF: return std::to_string(o.rckeynf);
    case SEP: return std::to_string(static_cast<unsigned char>(o.sep));
    case CONT: return std::to_string(o.contmax);
    case BAN: return std::to_string(o.banner);
    case ENVV: return std::to_string(o.envvar) + "/" + std::to_string(o.envfail);
    case ENVF: return std::to_string(o.envfail);
    case ENVT: return std::string(o.envtext ? o.envtext : "", static_cast<std::size_t>(o.envlen));
    case SQL: return str(o.sqllog);
    case VIA: return std::to_string(cmsw3 & SW3_VIATVLCALL);
    case LIB: return str(c.calllib);
    case ERRL: return std::to_string(c.errmax) + "/" + std::to_string(o.errlim);
    case FILL: return std::string(1, o.fill) + std::to_string(cmsw3 & SW3_FILL);
    case RDW: return std::to_string(o.rdw);
    case TABS: return std::to_string(o.tabsin) + "/" + std::to_string(o.tabsout);
    case DEFD: return str(o.defdir);
    case DEFFP: return std::to_string(o.deffp);
    case DIR: {
        char b[64];
        std::snprintf(b, sizeof b, "%x/%d/%d/%d", o.dirtype, o.dirsub, o.dirsort, o.dirraw);
        return b;
    }
    }
    return "?";
}

struct OptRow {
    const char* text;
    int err;
    What what;
    const char* want;  // the setting after the statement
};

}  // namespace

TEST(tvlopt, RunOptionsToSettings) {
    const std::string lib80 = "OPTION LIBNAME '" + std::string(80, 'x') + "'";
    const std::vector<OptRow> rows = {
        {"OPTION W 100", 0, WORK, "100"},
        {"OPTION WORKLEN 200", 0, WORK, "100"},  // only when not set yet
        {"OPTION WORKAREA 21", 66, WORK, "100"},
        {"OPTION ASA0 NOASA0 Y2 Y4", 0, NONE, ""},
        {"OPTION TRAP", 0, TRAP, "1"},
        {"OPTION ABTRAP OFF", 0, TRAP, "0"},
        {"OPTION TRAP YES", 0, TRAP, "1"},
        {"OPTION NOTR", 0, TRAP, "0"},
        {"OPTION TRAP ON NOTRAP", 0, TRAP, "0"},
        {"OPTION SSN DB2P", 0, SSN, "DB2P"},
        {"OPTION USER 'fred'", 0, USER, "fred"},
        {"OPTION OPASS 'pw'", 0, PASS, "pw"},
        {"OPTION ODBCPASS 'fifteen.chars.x'", 0, PASS, "fifteen.chars.x"},
        {"OPTION ODBCPASS 'sixteen.chars.xx'", 149, PASS, "fifteen.chars.x"},
        {"OPTION USER", 5, USER, "fred"},
        {"OPTION MFC", 0, MFC, "256"},
        {"OPTION RC_KEYNF 0x50", 0, KEYNF, "80"},
        {"OPTION RC_KEYNF 255", 0, KEYNF, "255"},
        {"OPTION RC_KEYNF 256", 7, KEYNF, "255"},
        {"OPTION RC_KEYNF -999", 7, KEYNF, "255"},
        {"OPTION RC_KEYNF LRECL", 7, KEYNF, "255"},
        {"OPTION SEP ;", 0, SEP, "59"},
        {"OPTION SEP NO", 0, SEP, "0"},
        {"OPTION SEP #", 0, SEP, "35"},
        {"OPTION SEP OFF", 0, SEP, "0"},
        {"OPTION SEP ;;", 117, SEP, "0"},
        {"OPTION SEP +", 117, SEP, "0"},
        {"OPTION SEP ','", 117, SEP, "0"},
        {"OPTION SEP", 117, SEP, "0"},
        {"OPTION CONTMAX 8000", 0, CONT, "8000"},
        {"OPTION CONTMAX 5000", 0, CONT, "8000"},  // never lowered
        {"OPTION CONTMAX 4095", 6, CONT, "8000"},
        {"OPTION CONTMAX 1048577", 6, CONT, "8000"},
        {"OPTION CONTMAX 1048576", 0, CONT, "1048576"},
        {"OPTION NOBANNER", 0, BAN, "0"},
        {"OPTION BAN", 0, BAN, "1"},
        {"OPTION BANNER NOBAN", 0, BAN, "0"},
        {"OPTION NOENVVAR", 0, ENVV, "0/0"},
        {"OPTION ENVFAIL NUL ENVVAR", 0, ENVV, "1/1"},
        {"OPTION ENVFAIL NULL", 0, ENVF, "1"},
        {"OPTION ENVFAIL CANCEL", 0, ENVF, "2"},
        {"OPTION ENVFAIL SAME", 0, ENVF, "0"},
        {"OPTION ENVFAIL 'n/a'", 0, ENVT, "n/a"},
        {"OPTION ENVFAIL NONE", 161, ENVF, "3"},
        {"OPTION ENVFAIL", 161, ENVF, "3"},
        {"OPTION EOF AB", 0, NONE, ""},
        {"OPTION EOF A", 67, NONE, ""},
        {"OPTION EOF", 67, NONE, ""},
        {"OPTION SQLLOG", 0, SQL, "torvSQL.log"},
        {"OPTION LOGSQL 'my.log'", 0, SQL, "my.log"},
        {"OPTION CALLTYPE VIA_TVLCALL", 0, VIA, "2"},
        {"OPTION CALLTYPE DIRECT", 0, VIA, "0"},
        {"OPTION CALLTYPE", 190, VIA, "0"},
        {"OPTION CALLTYPE SIDEWAYS", 190, VIA, "0"},
        {"OPTION LIBNAME 'libmine.so'", 0, LIB, "libmine.so"},
        {"OPTION LIBNAME libmine", 188, LIB, "libmine.so"},
        {lib80.c_str(), 188, LIB, "libmine.so"},
        {"OPTION ERRLIM 60+20", 0, ERRL, "80/80"},
        {"OPTION ERRMAX 32767", 0, ERRL, "32767/32767"},
        {"OPTION ERRLIM 0", 7, ERRL, "32767/32767"},
        {"OPTION ERRLIM 32768", 7, ERRL, "32767/32767"},
        {"OPTION ERRLIM 5+LRECL", 7, ERRL, "32767/32767"},
        {"OPTION ERRLIM 'A'", 7, ERRL, "32767/32767"},
        {"OPTION ERRLIM", 7, ERRL, "32767/32767"},
        {"OPTION MFCX", 45, NONE, ""},
        {"OPTION W -999", 66, WORK, "100"},
        // File defaults.
        {"OPTION FILL '*'", 0, FILL, "*0"},
        {"OPTION PAD", 0, FILL, " 0"},
        {"OPTION PAD '**'", 46, FILL, " 0"},
        {"OPTION RDW", 0, RDW, "1"},
        {"OPTION RDW NORDW", 0, RDW, "0"},
        {"OPTION TABSIN 4 TABSOUT 8", 0, TABS, "4/8"},
        {"OPTION TABSIN 256", 7, TABS, "4/8"},
        {"OPTION DEFFP HEX", 0, DEFFP, "11"},
        {"OPTION DFLTFP NATIVE", 0, DEFFP, "13"},
        {"OPTION DEFAULTFP", 191, DEFFP, "13"},
        {"OPTION DEFFP IEEE", 191, DEFFP, "13"},
        {"OPTION TYPEDIR 'D, R' SUB NOSORT", 0, DIR, "110000/256/0/0"},
        {"OPTION DIRTYPE ALL SUBDIR 3 DIRSORT z RAW", 0, DIR, "1ff0000/3/90/1"},
        {"OPTION TYPEDIR DQ", 200, DIR, "1ff0000/3/90/1"},
        {"OPTION SORT Q", 166, DIR, "1ff0000/3/90/1"},
        {"OPTION DEFDIR", 5, DEFD, "(null)"},
        {"OPTION DEFDIR 'data'", 0, DEFD, "data/"},
        {"READ in.dat", 0, NONE, ""},
        {"OPTION DEFDIR 'other'", 169, DEFD, "data/"},
    };
    tvt::StmtRun s;
    char ssn[72] = {};
    s.c().ssnp = ssn;
    cmsw3 = 0;
    for (const OptRow& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(s.stmt(r.text), r.err);
        EXPECT_EQ(got(s, r.what), r.want);
    }
    // A library a CALL has loaded cannot be changed.
    FFREC lib{};
    lib.libh = &lib;
    FFREC* had = s.c().ffhead;  // the READ's file, released with the run
    s.c().ffhead = &lib;
    EXPECT_EQ(s.stmt("OPTION LIBNAME 'other.so'"), 189);
    s.c().ffhead = had;
    s.c().ssnp = nullptr;
    cmsw3 = 0;
}

namespace {

// One whole run: the site options file ("" none), the control file, the
// exit code, the output file and its bytes ("" none made), text the
// listing must hold and the log must hold and must not hold.
struct OptRun {
    const char* name;
    std::string site, ctl;
    int rc;
    std::string outname, out;
    std::vector<std::string> lst, log, nolog;
};

bool holds(const std::string& all, const std::string& what) { return all.find(what) != std::string::npos; }

const std::string kRW = "READ in.dat\nWRITE out.dat\n";
const std::string kIn = "AAAA\nBBBB\n";
// A READ continued over 40 lines of 150 blanks each: 6,000 bytes.
std::string longread() {
    std::string s = "READ";
    for (int i = 0; i < 40; ++i) s += std::string(150, ' ') + "\\\n";
    return s + "in.dat\nWRITE out.dat\n";
}
const std::string kLong = longread();
const std::string kE7 = "*** ERROR 007 ***  Not a valid operand here: number or record position expected";

}  // namespace

TEST(tvlopt, RunOptionsInRuns) {
    std::string lines224;
    for (int i = 0; i < 223; ++i) lines224 += "OPTION MFC\n";
    lines224 += "OPTION ERRLIM 0\n";
    const std::string e271 = "         EOJ 'x\n         ******\n*** ERROR 271 ***  Quote not closed\n\n";
    std::string bad5;
    for (int i = 0; i < 5; ++i) bad5 += "EOJ 'x\n";
    const std::vector<OptRun> rows = {
        {"separator from the next line", "", "OPTION SEP=;\nREAD in.dat; WRITE out.dat\n", 0, "out.dat", kIn, {}, {}, {}},
        {"separator not on its own line", "", "OPTION SEP=; READ in.dat\n", 52, "", "",
         {"*** ERROR 045 ***"}, {}, {}},
        {"separator from the site file", "OPTION SEP=;\n", "READ in.dat; WRITE out.dat\n", 0, "out.dat", kIn, {}, {}, {}},
        {"site file lines", "* note\nOPTION MFCX\nREAD in.dat\nOPTION HEAD 'x'\nOPTIONX NOBANNER\n/* end\nOPTION ERRLIM 0\n",
         "READ in.dat\nWRITE out.dat\n", 0, "out.dat", kIn, {},
         {"Syntax err in torvale.nam :2\nSyntax err in torvale.nam :3\nSyntax err in torvale.nam :4\n"},
         {"torvale.nam :1", "torvale.nam :5", "torvale.nam :7", "TORVALE/L64"}},
        {"bad value in the site file", "OPTION MFC\nOPTION ERRLIM 0\nOPTION CONTMAX 3\n", kRW, 52, "", "",
         {kE7 + " torvale.nam :2\n\n     1.  READ in.dat"},
         {"Syntax err in torvale.nam :2\nSyntax err in torvale.nam :3\n"}, {}},
        {"lines after 223", lines224, kRW, 0, "out.dat", kIn, {}, {"torvale.nam: lines after 223 ignored\n"},
         {"Syntax err"}},
        {"ERRLIM 3 over five bad statements", "", "OPTION ERRLIM 3\n" + bad5, 52, "", "",
         {"OPTION ERRLIM 3\n" + e271 + e271 + e271 + "\nSUMMARY.."}, {}, {}},
        {"ENVFAIL CANCEL", "", "OPTION ENVFAIL CANCEL\nREAD %NO_SUCH_VAR%\nWRITE %2\n", 52, "", "",
         {"*** ERROR 160 ***  Environment variable in %name% not defined",
          "*** ERROR 152 ***  Parameter %n not defined on the command line"}, {}, {}},
        {"ENVFAIL SAME", "", "OPTION ENVFAIL SAME\nREAD in.dat\nWRITE %NO_SUCH_VAR%\n", 0, "%NO_SUCH_VAR%", kIn, {}, {}, {}},
        {"ENVFAIL NUL", "", "OPTION ENVFAIL NUL\nREAD in.dat\nWRITE out.dat %NO_SUCH_VAR%\n", 0, "out.dat", kIn, {}, {}, {}},
        {"ENVFAIL text", "", "OPTION ENVFAIL 'out.dat'\nREAD in.dat\nWRITE %NO_SUCH_VAR%\n", 0, "out.dat", kIn, {}, {}, {}},
        {"NOENVVAR", "", "OPTION NOENVVAR\nREAD in.dat\nWRITE %PATH%\n", 0, "%PATH%", kIn, {}, {}, {}},
        // A reference inside a word: the word's other pieces keep their case.
        {"ENVFAIL text in a word", "", "OPTION ENVFAIL 'x'\nREAD in.dat\nWRITE out%NO_SUCH_VAR%.dat\n", 0, "outx.dat",
         kIn, {}, {}, {}},
        {"ENVFAIL NUL in a word", "", "OPTION ENVFAIL NUL\nREAD in.dat\nWRITE out%NO_SUCH_VAR%.dat\n", 0, "out.dat", kIn,
         {}, {}, {}},
        {"FILL from the site file", "OPTION FILL '*'\n", "READ in.dat\nWRITE out.dat RECFM F LRECL 6\n", 0, "out.dat",
         "AAAA**BBBB**", {}, {}, {}},
        {"CONTMAX raises the buffer", "", "OPTION CONTMAX 8000\n" + kLong, 0, "out.dat", kIn, {}, {}, {}},
        {"continued statement past the buffer", "", kLong, 52, "", "", {"*** ERROR 164 ***"}, {}, {}},
        {"CONTMAX after a continued statement", "", "READ \\\nin.dat\nOPTION CONTMAX 8000\nWRITE out.dat\n", 52, "", "",
         {"*** ERROR 154 ***"}, {}, {}},
        {"NOBANNER", "", "OPTION NOBANNER\nREAD in.dat\nWRITE out.dat\nEOJ 'x\n", 52, "", "", {}, {"TORVALE/L64 3.50 ERROR 271"},
         {"2026"}},
    };
    for (const OptRun& r : rows) {
        SCOPED_TRACE(r.name);
        std::string d = tvt::tempdir("tvlopt_run");
        tvt::spit(d + "/torvale.msg", tvt::slurp(TORVALE_SRC "/torvale.msg"));
        if (!r.site.empty()) tvt::spit(d + "/torvale.nam", r.site);
        tvt::spit(d + "/in.ctl", r.ctl);
        tvt::spit(d + "/in.dat", kIn);
        auto run = tvt::run({"-ctl", "in.ctl"}, d);
        EXPECT_EQ(run.status, r.rc);
        if (!r.outname.empty()) EXPECT_EQ(tvt::slurp(d + "/" + r.outname), r.out);
        else EXPECT_FALSE(tvt::exists(d + "/out.dat"));
        std::string lst = tvt::slurp(d + "/TORV.LST");
        for (auto& w : r.lst) EXPECT_TRUE(holds(lst, w)) << w << "\n" << lst;
        for (auto& w : r.log) EXPECT_TRUE(holds(run.err, w)) << w << "\n" << run.err;
        for (auto& w : r.nolog) EXPECT_FALSE(holds(run.err, w)) << w << "\n" << run.err;
    }
}

namespace {

// What a listing row reads back after its statement.
enum LWhat { LNONE, GEOM, RECL, DALL, DENC, SUM, REP, STMT, HEAD, PFX, TAB, NODE };

std::string lgot(tvt::StmtRun& s, LWhat w) {
    OPTB& o = s.opt();
    CMV& c = s.c();
    auto n = [](long v) { return std::to_string(v); };
    switch (w) {
    case LNONE: return "";
    case GEOM:
        return n(o.pagewidth) + "/" + n(o.datawidth) + "/" + n(o.pagedepth) + " " + n(c.pagewidth) + "/" + n(c.pagedepth);
    case RECL: return n(o.reclen);
    case DALL: return n(o.dumpall);
    case DENC: return std::string(o.dumpenc, 2);
    case SUM: {
        char b[24];
        std::snprintf(b, sizeof b, "%03X/%d", c.lstsw & (LST_SUM0 | LST_SUMBITS), o.prtsum);
        return b;
    }
    case REP: return n(c.lstsw & LST_REPORT) + "/" + n(o.lstsw & LST_REPORT) + "/" + n(o.report);
    case STMT: return n(c.lstsw & LST_NOSTMT);
    case HEAD: {
        std::string h(c.heading + 2, o.headlen);
        std::size_t dashes = std::string(c.underline).find_first_not_of('-');
        return n(o.headsw) + "/" + h + "/" + n(static_cast<long>(dashes));
    }
    case PFX: return n((c.linesw & CM_LINE_DSNPFX) != 0);
    case TAB: return tvt::hex({reinterpret_cast<const char*>(&ttab_tc[0x01]), 1}) + " " +
                     tvt::hex({reinterpret_cast<const char*>(&ttab_tc[0x41]), 1}) + " " +
                     tvt::hex({reinterpret_cast<const char*>(&ttab_mn[0x01]), 1});
    case NODE: {
        std::vector<CN*> m = s.made();
        if (m.empty()) return "none";
        char b[24];
        std::snprintf(b, sizeof b, "%d/%04X", m.back()->dumpall, m.back()->dumpenc);
        return b;
    }
    }
    return "?";
}

struct LstRow {
    const char* text;
    int err;
    LWhat what;
    const char* want;  // the setting after the statement
};

}  // namespace

// The rows run in order on one context, each starting from the settings
// the rows before it left; the PRINTABLE rows put the tables back.
TEST(tvlopt, ListingOptionsToSettings) {
    const std::string head56 = "OPTION HEAD '" + std::string(56, 'h') + "'";
    const std::string head57 = "OPTION HEAD '" + std::string(57, 'h') + "'";
    const std::string h56 = "1/" + std::string(56, 'h') + "/56";
    const std::vector<LstRow> rows = {
        {"OPTION PW=200", 6, GEOM, "132/100/58 132/58"},
        {"OPTION PW=80 DW=80", 0, GEOM, "80/80/58 80/58"},
        {"OPTION PAGEWIDTH 66 DATAWIDTH 10", 0, GEOM, "66/10/58 66/58"},
        {"OPTION PW 156 DW 4096 PD 10", 0, GEOM, "156/4096/10 156/10"},
        {"OPTION PW 65", 6, GEOM, "156/4096/10 156/10"},
        {"OPTION PW 157", 6, GEOM, "156/4096/10 156/10"},
        {"OPTION DW 9", 6, GEOM, "156/4096/10 156/10"},
        {"OPTION DATAWIDTH 4097", 6, GEOM, "156/4096/10 156/10"},
        {"OPTION PD 9", 6, GEOM, "156/4096/10 156/10"},
        {"OPTION PAGEDEPTH 0x40", 0, GEOM, "156/4096/64 156/64"},
        {"OPTION PW 'A'", 7, GEOM, "156/4096/64 156/64"},
        {"OPTION DW LRECL", 7, GEOM, "156/4096/64 156/64"},
        {"OPTION PD", 7, GEOM, "156/4096/64 156/64"},
        {"OPTION DW 100 PW 132 PD 58", 0, GEOM, "132/100/58 132/58"},
        {"OPTION NORECLEN", 0, RECL, "0"},
        {"OPTION RECLEN", 0, RECL, "1"},
        {"OPTION PRRECLEN NO", 0, RECL, "0"},
        {"OPTION PRRECLEN YES", 0, RECL, "1"},
        {"OPTION DUMPALL", 0, DALL, "1"},
        {"OPTION DUMPALL OFF", 0, DALL, "0"},
        {"OPTION DUMPALL ON", 0, DALL, "1"},
        {"OPTION DUMPALL NO", 0, DALL, "0"},
        {"OPTION DUMPENC '#'", 0, DENC, "#:"},
        {"OPTION DUMPENC '!='", 0, DENC, "!="},
        {"OPTION DUMPENC '<' DUMPALL YES", 0, DENC, "<="},
        {"OPTION DUMPENC '[]]'", 167, DENC, "<="},
        {"OPTION DUMPENC", 167, DENC, "<="},
        {"OPTION DUMPENC '|:'", 0, DALL, "1"},
        {"OPTION DUMPALL NO", 0, DENC, "|:"},
        {"NOW PRINT TYPE D DUMPALL", 0, NODE, "2/0000"},
        {"NOW PRINT TYPE D DUMPALL OFF", 0, NODE, "1/0000"},
        {"NOW PRINT TYPE D DUMPENC '*'", 0, NODE, "0/2A3A"},
        {"NOW PRINT TYPE D DUMPENC '*-' DUMPALL YES", 0, NODE, "2/2A2D"},
        {"NOW PRINT TYPE D DUMPENC '***'", 167, NODE, "0/0000"},
        {"NOW PRINT TYPE D", 0, DENC, "|:"},  // the run's markers stay
        {"OPTION PRTSUM 0", 0, SUM, "010/0"},
        {"OPTION PRTSUM", 0, SUM, "100/1"},
        {"OPTION SUMPRT 3", 0, SUM, "400/3"},
        {"OPTION PRTSUM 2", 0, SUM, "200/2"},
        {"OPTION NOPTOT", 0, SUM, "010/2"},
        {"OPTION PRTSUM 1", 0, SUM, "100/1"},
        {"OPTION PRTSUM 4", 45, SUM, "100/1"},
        {"OPTION PRTSUM 3", 0, SUM, "400/3"},
        {"OPTION PRTSUM 2", 0, SUM, "200/2"},
        {"OPTION NOPCTL", 0, STMT, "32"},
        {"OPTION PRTCTL", 0, STMT, "0"},
        {"OPTION REPORT", 0, REP, "4/4/1"},
        {"OPTION HEAD 'My report'", 0, HEAD, "1/My report/9"},
        {head56.c_str(), 0, HEAD, h56.c_str()},
        {head57.c_str(), 6, HEAD, h56.c_str()},
        {"OPTION HD", 6, HEAD, h56.c_str()},
        {"OPTION H NO", 0, HEAD, "1//0"},
        {"OPTION HEAD 'NO'", 0, HEAD, "1/NO/2"},
        {"OPTION DSNPFX", 0, PFX, "1"},
        {"OPTION NOUID", 0, PFX, "0"},
        {"OPTION USERID YES", 0, PFX, "1"},
        {"OPTION UID NO", 0, PFX, "0"},
        {"OPTION PRINTABLE X'01'", 0, TAB, "01 41 20"},
        {"OPTION UNPRINTABLE X'0141'", 0, TAB, "2E 2E 31"},
        {"OPTION PRINTABLE X'41' UNPRINTABLE X'01'", 0, TAB, "2E 41 31"},
        {"OPTION PRINTABLE 'A'", 217, TAB, "2E 41 31"},
        {"OPTION UNPRINTABLE", 217, TAB, "2E 41 31"},
        {"OPTION PWX", 45, LNONE, ""},
    };
    tvt::StmtRun s;
    for (const LstRow& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(s.stmt(r.text), r.err);
        EXPECT_EQ(lgot(s, r.what), r.want);
    }
}

// REPORT is a statement of its own, and R its short form.
TEST(tvlopt, ReportStatement) {
    for (const char* text : {"REPORT", "R", "OPTION R"}) {
        SCOPED_TRACE(text);
        tvt::StmtRun s;
        EXPECT_EQ(s.stmt(text), 0);
        EXPECT_EQ(lgot(s, REP), "4/4/1");
    }
}
