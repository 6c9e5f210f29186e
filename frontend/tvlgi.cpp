// IF-condition parsing, stand-in: stores the connective of a condition
// statement (IF, AND, OR, THEN IF, ELSE IF) in its node and takes the rest
// of the statement without analysing it, so that statement kinds and
// their order can be checked before conditions are built.
//
// Exports: tvlgi.  Called by statement analysis.  Calls the tokenizer
// (tokdata, tokdel).
#include "frontend/frontend.h"
#include "driver/driver.h"

// The condition of the current node, with its connective; always 0.
int tvlgi(CMV* c, int connective) {
    CN* n = c->cncur;
    n->typ1 = connective;
    n->selid = -(c->selcnt < 1 ? 1 : c->selcnt);
    if (connective == CN_IF || connective == CN_ELSEIF) cmsw2 &= ~(SW2_ONCE | SW2_OR);
    if (connective == CN_OR) cmsw2 |= SW2_OR;
    for (TK* t = tokdata(); t; t = tokdata()) {
        tkc = t;
        tokdel();
    }
    return 0;
}
