// Options: the small routines that statement analysis needs from the
// OPTION statement's parser, and the stand-in for that parser.
//
// Exports: valnnn (the next token as a number), onoff (ON/OFF/YES/NO),
// opt_rtn (OPTION and REPORT statements), prt_geom (listing geometry of a
// PRINT statement).  Called by statement analysis.  Calls the tokenizer
// (tokdata, tokt, tokdel, tokbad) and seterr.
//
// Keywords not taken are left for the unused-token check (error 45).
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"

#include <charconv>

// The next data token as a number.  Anything but an unsigned decimal
// constant that fits records error 7 on the token, leaves it unused, and
// gives -999.
long valnnn(CMV* c) {
    TK* t = tokdata();
    long v = -999;
    if (t && (t->flags & TK_WORD) && !(t->flags & (TK_APOS | TK_QUOT | TK_HEX)) && t->len > 0 &&
        t->text[0] >= '0' && t->text[0] <= '9') {
        auto [p, ec] = std::from_chars(t->text, t->text + t->len, v);
        if (ec == std::errc{} && p == t->text + t->len) {
            tkc = t;
            tokdel();
            return v;
        }
    }
    if (t) {
        tkc = t;
        tokbad(7);
    } else if (!c->errnum) {
        seterr(7);
    }
    return -999;
}

// The next token as ON or YES (1), OFF or NO (0); -1 when none follows.
int onoff() {
    char* k = tokt("OFF,ON,YES,NO");
    if (!k) return -1;
    return (k[0] == 'O' && k[1] == 'N') || k[0] == 'Y' ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Run options: work length, trapping, credentials, the external file
// handler, key-not-found code, separator, continuation buffer, log
// heading, substitution, EOF, SQL log, call type, library, error limit
// ---------------------------------------------------------------------------

namespace {

void optwork(CMV*, bool) {}
void optaccept(CMV*, bool) {}
void opttrap(CMV*, bool) {}
void optcred(CMV*, bool) {}
void optmfc(CMV*, bool) {}
void optkeynf(CMV*, bool) {}
void optsep(CMV*, bool) {}
void optcont(CMV*, bool) {}
void optbanner(CMV*, bool) {}
void optenv(CMV*, bool) {}
void opteof(CMV*, bool) {}
void optsqllog(CMV*, bool) {}
void optcalltype(CMV*, bool) {}
void optlibname(CMV*, bool) {}
void opterrlim(CMV*, bool) {}

}  // namespace

// ---------------------------------------------------------------------------
// Listing options: PRTCTL, summary level, report mode, geometry, printable
// bytes, heading, data-set prefix
// ---------------------------------------------------------------------------

namespace {

void optprtctl(CMV*, bool) {}
void optprtsum(CMV*, bool) {}
void optreport(CMV*, bool, int) {}
void optprintable(CMV*, bool) {}
void opthead(CMV*, bool) {}
void optpfx(CMV*, bool) {}

}  // namespace

// Listing geometry (of the run, or with a PRINT statement's node): none is
// taken yet.
void prt_geom(CMV*, CN*) {}

// ---------------------------------------------------------------------------
// File defaults: fill, directory lists, descriptor words, tabs, default
// directory, default float format
// ---------------------------------------------------------------------------

namespace {

void optfill(CMV*, bool) {}
void optdir(CMV*, bool) {}
void optrdw(CMV*, bool) {}
void opttabs(CMV*, bool) {}
void optdefdir(CMV*, bool) {}
void optdeffp(CMV*, bool) {}

}  // namespace

// ---------------------------------------------------------------------------
// The statement
// ---------------------------------------------------------------------------

// OPTION (how 'O') and REPORT (how 'R') statements: every keyword is
// looked for anywhere in the statement, in this order.  Read from the site
// options file ("site"), HEAD and the data-set prefix are not taken.
void opt_rtn(CMV* c, int how) {
    bool site = (c->drvsw & CM_DRV_SITE) != 0;
    optwork(c, site);        // W
    optfill(c, site);        // FILL, PAD, NOFILL
    optaccept(c, site);      // ASA0, NOASA0, Y2, Y4
    opttrap(c, site);        // ABTRAP, TRAP, NOTRAP
    optcred(c, site);        // data-base credentials
    optmfc(c, site);         // MFC
    optdir(c, site);         // directory-list defaults
    optkeynf(c, site);       // RC_KEYNF
    optrdw(c, site);         // NORDW, RDW
    optsep(c, site);         // SEP
    opttabs(c, site);        // TABSIN, TABSOUT
    optcont(c, site);        // CONTMAX
    optbanner(c, site);      // BANNER, NOBANNER
    optprtctl(c, site);      // PRTCTL
    optprtsum(c, site);      // PRTSUM
    optenv(c, site);         // NOENVVAR, ENVVAR, ENVFAIL
    optreport(c, site, how); // REPORT
    prt_geom(c, nullptr);    // PW, DW, PD, NORECLEN, DUMPENC, DUMPALL
    opteof(c, site);         // EOF
    optdefdir(c, site);      // DEFDIR
    optdeffp(c, site);       // DEFFP
    optsqllog(c, site);      // SQLLOG
    optcalltype(c, site);    // CALLTYPE
    optlibname(c, site);     // LIBNAME
    opterrlim(c, site);      // ERRLIM
    optprintable(c, site);   // PRINTABLE, UNPRINTABLE
    kencrtn(c, 'G');         // KEYENC, KEYENCERR
    if (!site) {
        opthead(c, site);    // HEAD
        optpfx(c, site);     // DSNPFX, USERID
    }
}
