// OPTION run options: each keyword and synonym to its setting, each error
// on its input; whole runs for the separator, the site options file, the
// error limit, substitution of missing values, the banner and CONTMAX.
#include "tests/testutil.h"

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// What a row reads back after its statement.
enum What { NONE, WORK, TRAP, SSN, USER, PASS, MFC, KEYNF, SEP, CONT, BAN, ENVV, ENVF, ENVT, SQL, VIA, LIB, ERRL };

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
    s.c().ffhead = &lib;
    EXPECT_EQ(s.stmt("OPTION LIBNAME 'other.so'"), 189);
    s.c().ffhead = nullptr;
    s.c().ssnp = nullptr;
    cmsw3 = 0;
}
