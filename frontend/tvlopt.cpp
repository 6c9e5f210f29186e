// Options: the small routines that statement analysis needs from the
// OPTION statement's parser, and the stand-in for that parser.
//
// Exports: valnnn (the next token as a number), onoff (ON/OFF/YES/NO),
// opt_rtn (OPTION and REPORT statements), prt_geom (listing geometry of a
// PRINT statement).  Called by statement analysis.  Calls the tokenizer
// (tokdata, tokt, tokdel, tokbad) and seterr.
//
// OPTION and REPORT statements are not analysed yet: opt_rtn records
// error 1 with the statement's word blamed, and leaves the keywords
// unused; prt_geom takes no keywords, so geometry words on a PRINT
// statement are left for the unused-token check.
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

// OPTION (how 'O') and REPORT (how 'R') statements: not analysed yet.
// Error 1 with the statement's word blamed.
void opt_rtn(CMV* c, int how) {
    (void)how;
    if (c->errnum) return;
    TK* keep = tkc;
    tkc = c->tkcur;
    tokbad(1);
    tkc = keep;
}

// Listing geometry of a PRINT statement: none is taken yet.
void prt_geom(CMV*, CN*) {}
