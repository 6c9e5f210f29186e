// Statement analysis, interim: makes a node per statement, knows END (and
// E, EOF), INCLUDE (and INC), EQU and OPTION words, and takes every other
// statement as an action that consumes its tokens.  It lets statement
// input, the listing and the messages run end to end until the full
// analysis replaces this module.
//
// Exports: tvlctla (analyse the statement in the token chain), cnkill
// (release the nodes), eqechk (no entries yet).  Called by statement
// input; eqechk by the tokenizer.  Calls tokt, tokdel, tokdata, tokbad,
// iimake and the memory manager.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"

#include <cstring>

namespace {

// The node for the statement: the current one while its kind is still 0,
// else a new one appended to the chain.
CN* cnmake(CMV* c) {
    if (c->cncur && c->cncur->typ1 == 0) return c->cncur;
    CN* n = static_cast<CN*>(cblgcore(c->gccb, sizeof(CN), 0, "CN"));
    if (c->cncur) c->cncur->next = n;
    else c->cnhead = n;
    c->cncur = n;
    return n;
}

int actions(const CMV* c) {
    int n = 0;
    for (CN* p = c->cnhead; p; p = p->next)
        if (p->selid > 0) ++n;
    return n;
}

void eatall() {
    while (tokdata()) {
        tkc = tokdata();
        tokdel();
    }
}

// INCLUDE: the next token names the file, as written in the statement.
void include(CMV* c) {
    TK* t = tokdata();
    if (!t || t->len == 0) {
        seterr(156);
        return;
    }
    bool quoted = (t->flags & (TK_APOS | TK_QUOT)) != 0;
    const char* name = quoted ? t->text : t->src;
    int len = quoted ? t->len : t->srclen;
    if (!quoted && (t->flags & TK_SPLIT)) {  // a split word: the whole word as written
        len = t->srclen;
    }
    std::int16_t before = c->errnum;
    II* r = iimake(name, len);
    tkc = t;
    if (r && c->errnum == before) {
        tokdel();
        cmsw4 |= SW4_INCLUDE;
    } else {
        tokdel();
    }
    eatall();
}

}  // namespace

int tvlctla(CMV* c) {
    std::memset(c->wline, ' ', WLINE_PFX);
    tkc = c->tkhead;
    CN* n = cnmake(c);
    if (c->errnum) return 0;
    if (c->tkcnt == 0 || !tokdata()) return 0;
    tkc = tokdata();
    if (tokt("E,END,EOF")) {
        tokt("FAIL,EOJ");
        n->typ1 = CN_END;
        c->lastkind = CN_END;
        n->selid = -actions(c);
        return 0;
    }
    if (tokt("INC,INCLUDE")) {
        include(c);
        n->selid = -actions(c);
        return 0;
    }
    if (tokt("OPT,OPTION,OPTIONS")) {
        tokbad(1);
        return 0;
    }
    bool equ = tokt("EQU") != nullptr;
    eatall();
    if (equ) {
        n->selid = -actions(c);
        return 0;
    }
    n->typ1 = CN_NOW;
    n->selid = actions(c) + 1;
    c->lastkind = CN_NOW;
    return n->selid;
}

// References are not substituted until the full analysis: no entry.
EQE* eqechk(CMV*, const char*, int, TK*) { return nullptr; }

void cnkill(CMV* c) {
    for (CN* p = c->cnhead; p;) {
        CN* n = p->next;
        cblgcorf(c->gccb, &p, "CN");
        p = n;
    }
    c->cnhead = c->cncur = nullptr;
}
