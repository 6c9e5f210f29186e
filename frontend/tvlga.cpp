// Operation arguments: the stop-after count of an action, and the
// stand-in for the parser of the operations' arguments.
//
// Exports: sartn (STOPAFT, STOP or S and a number, anywhere in the
// statement), tvlga (arguments of the operations 40 to 58 and 84).
// Called by statement analysis.  Calls the tokenizer (inlist, tokdel,
// tokrest), valnnn and seterr.
//
// The operations whose arguments tvlga parses (assignments, arithmetic,
// MOVE, TRAN, conversions, CHANGE, ...) are not built yet: tvlga records
// error 1 with the operation word blamed and leaves the arguments unused.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"

namespace {

bool dataword(const TK* t) {
    return !(t->flags & (TK_USED | TK_DELIM | TK_END | TK_APOS | TK_QUOT | TK_HEX | TK_PIECE)) &&
           (t->flags & TK_WORD) && t->len > 0;
}

// The data token before t, or null.
const TK* before(const TK* t) {
    for (t = t->prev; t; t = t->prev)
        if (!(t->flags & TK_DELIM) && t->len > 0) return t;
    return nullptr;
}

}  // namespace

// "STOPAFT", "STOP" or "S" followed by a number, anywhere in the
// statement, gives the node's stop-after count.  An S right after TYPE or
// TY is the print type letter, and another S is looked for.  Returns 1
// when a count was set, 0 when none was written, -1 when the word after
// the keyword is not a number (error 7 recorded on it, the keyword
// consumed; the caller withdraws that error and records its own).
int sartn(CMV* c) {
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (!dataword(t) || !inlist("STOPAFT,STOP,S", t->text, t->len, nullptr)) continue;
        if (t->len == 1) {
            const TK* b = before(t);
            if (b && inlist("TYPE,TY", b->text, b->len, nullptr)) continue;
        }
        tkc = t;
        tokdel();
        long v = valnnn(c);
        if (v < 0) return -1;
        c->cncur->limit = v;
        return 1;
    }
    return 0;
}

// Arguments of the operations 40 to 58 and 84: not built yet.  Error 1
// with the operation word (the token consumed last) blamed.
int tvlga(CMV* c, int type) {
    if ((type < 40 || type > 58) && type != 84) errlogic(7101);
    if (!c->errnum) {
        TK* keep = tkc;
        if (c->tkcur) tkc = c->tkcur;
        tokbad(1);
        tkc = keep;
    }
    return c->errnum;
}
