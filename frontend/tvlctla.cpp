// Statement analysis: turns the token chain of one control statement into a
// statement node CN on the run's statement chain.
//
// Exports: tvlctla (analyse one statement), cnmake (the node), stmtseq (the
// IF/THEN/ELSE order), eqemake, eqefind, eqechk (EQU, parameter and
// environment entries), labmake, labx (labels), typechk (TYPE letters),
// cvxx_kwd (CVxy conversion words).
// Called by statement input for every statement, by the run driver for the
// options file, and by the tokenizer (eqechk for %n and %name% pieces).
// Calls the tokenizer (tokt, tokdel, tokdata, tokbad), seterr, the memory
// manager, valnnn/onoff/opt_rtn/prt_geom (options), sartn/tvlga (operation
// arguments), fldmultn/tvlgk (operand lists, reply fields), argfind
// (subroutine argument names), tvlgi (conditions), tvlfa (file
// definitions) and iimake (statement sources).
//
// Divisions: token helpers; EQU entries; substitution and re-joining of
// split words; labels; the node and the sequence check; the operation
// words (looked up in the word lists of the operation-code table,
// optab.h); the small statements; print types; the steps of tvlctla.
//
// Statement kinds and selection numbers, for the statements
//     READ IN / IF POS 1 EQ 'A' / THEN PRINT / THEN WRITE OUT
// the nodes are kind 1 op 23 selid 1, kind 4 selid -2, kind 2 op 89
// selid 2, kind 2 op 24 selid 3: an action takes the running count, any
// other statement shows the count negated.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// ---------------------------------------------------------------------------
// Token helpers
// ---------------------------------------------------------------------------

constexpr std::uint32_t kQuoted = TK_APOS | TK_QUOT | TK_HEX;
constexpr std::uint32_t kTrail  = TK_LAST | TK_EQSIGN | TK_COMMA | TK_RPAR_AFTER | TK_LPAR_AFTER;

// A data token: not used, not a delimiter or comment, not the end marker,
// and not the empty token that closes a statement ending in blanks.
bool isdata(const TK* t) {
    if (t->flags & (TK_USED | TK_DELIM | TK_END)) return false;
    return t->len > 0 || (t->flags & kQuoted);
}

bool isword(const TK* t) { return (t->flags & TK_WORD) && !(t->flags & kQuoted); }

TK* nextdata(TK* t) {
    for (; t && !(t->flags & TK_END); t = t->next)
        if (isdata(t)) return t;
    return nullptr;
}

TK* firstdata(CMV* c) { return nextdata(c->tkhead); }

int datacount(CMV* c) {
    int n = 0;
    for (TK* t = firstdata(c); t; t = nextdata(t->next)) ++n;
    return n;
}

bool same(const TK* t, const char* w) {
    return t->len == static_cast<int>(std::strlen(w)) && std::memcmp(t->text, w, t->len) == 0;
}

// Consume token t.
void take(TK* t) {
    tkc = t;
    tokdel();
}

// Consume every data token that is left.
void takerest(CMV* c) {
    for (TK* t = firstdata(c); t; t = firstdata(c)) take(t);
}

// Record err with token t blamed (nothing when an error is current).
void blame(CMV* c, TK* t, int err) {
    if (c->errnum) return;
    TK* keep = tkc;
    tkc = t;
    tokbad(err);
    tkc = keep;
}

// Withdraw the current error and its blamed token.
void unerr(CMV* c) {
    if (c->tkerr) c->tkerr->flags &= ~TK_BAD;
    seterr(0);
    c->errnum = 0;
    c->tkerr = nullptr;
}

// Find a word of list anywhere among the data tokens, consume it and
// return its upper-case copy; null when none.
char* kwfind(CMV* c, const char* list) {
    for (TK* t = firstdata(c); t; t = nextdata(t->next)) {
        if (!isword(t) || (t->flags & TK_PIECE)) continue;
        if (char* k = inlist(list, t->text, t->len, t)) {
            take(t);
            return k;
        }
    }
    return nullptr;
}

bool eq(const char* k, const char* w) { return k && std::strcmp(k, w) == 0; }

char* dupe(CMV* c, const char* s, int len, const char* tag) {
    char* p = static_cast<char*>(cblgcore(c->gccb, len + 1, 0, tag));
    std::memcpy(p, s, len);
    p[len] = 0;
    return p;
}

// Give token t the value s of len bytes (own copy when 16 or longer).
void settext(CMV* c, TK* t, const char* s, int len) {
    if (t->flags & TK_OWNCOPY) cblgcorf(c->gccb, &t->text, "tkwd");
    t->flags &= ~TK_OWNCOPY;
    if (len < 16) {
        std::memmove(t->shortv, s, len);
        t->shortv[len] = 0;
        t->text = t->shortv;
    } else {
        t->text = dupe(c, s, len, "tkwd");
        t->flags |= TK_OWNCOPY;
        std::memcpy(t->shortv, s, 5);
        std::memcpy(t->shortv + 5, "...", 4);
    }
    t->len = len;
}

// Take token t out of the statement: it stays in the chain as an empty,
// used delimiter, so that no parser and no unused-token check sees it.
void blankout(CMV* c, TK* t) {
    if (!(t->flags & TK_USED)) c->tkcnt--;
    settext(c, t, "", 0);
    t->flags = (t->flags & ~(TK_WORD | kQuoted | TK_PIECE | TK_SPLIT)) | TK_USED | TK_DELIM;
}

}  // namespace

// ---------------------------------------------------------------------------
// EQU entries
// ---------------------------------------------------------------------------

EQE* eqefind(const char* name, int len) {
    if (len == 1 && (name[0] == '+' || name[0] == '-')) return nullptr;
    for (EQE* e = cm->eqehead; e; e = e->next)
        if (e->namelen == len && std::memcmp(e->namep, name, len) == 0) return e;
    return nullptr;
}

EQE* eqemake(const char* name, int len) {
    CMV* c = cm;
    EQE* e = static_cast<EQE*>(cblgcore(c->gccb, sizeof(EQE), 0, "eqe"));
    e->namelen = len;
    e->namep = dupe(c, name, len, "eqen");
    std::memcpy(e->name, name, len < 31 ? len : 31);
    e->flags = EQF_NOVAL;
    e->kind = EQE_EQU;
    if (c->eqtail) c->eqtail->next = e;
    else c->eqehead = e;
    c->eqtail = e;
    return e;
}

namespace {

// A copy of token src for an entry's value (record and text tag "eqd").
TK* valcopy(CMV* c, const TK* src) {
    TK* t = static_cast<TK*>(cblgcore(c->gccb, sizeof(TK), 0, "eqd"));
    t->flags = src->flags & (kQuoted | TK_WORD | TK_EQSIGN | TK_COMMA | TK_LPAR | TK_RPAR |
                             TK_LPAR_AFTER | TK_RPAR_AFTER);
    t->len = src->len;
    t->text = dupe(c, src->text, src->len, "eqd");
    std::memcpy(t->shortv, src->shortv, sizeof t->shortv);
    return t;
}

// Release an entry's value; it has none afterwards.
void valfree(CMV* c, EQE* e) {
    for (TK* v = e->vals; v;) {
        TK* n = v->next;
        cblgcorf(c->gccb, &v->text, "eqd");
        cblgcorf(c->gccb, &v, "eqd");
        v = n;
    }
    e->vals = nullptr;
    e->nvals = 0;
    e->flags = (e->flags & ~EQF_SINGLE) | EQF_NOVAL;
}

void addval(CMV* c, EQE* e, const TK* src) {
    TK* v = valcopy(c, src);
    TK** p = &e->vals;
    while (*p) p = &(*p)->next;
    *p = v;
    e->nvals++;
    e->flags = (e->flags & ~EQF_NOVAL & ~EQF_SINGLE) | (e->nvals == 1 ? EQF_SINGLE : 0);
}

bool isparm(const char* name, int len) {
    return len == 2 && name[0] == '%' && name[1] >= '1' && name[1] <= '9';
}

}  // namespace

// Find or make the entry of a %n or %name% reference.  An environment
// reference takes the variable's value when it is set; a parameter gets
// its value from the EQU statement that the run driver makes of it.
EQE* eqechk(CMV* c, const char* name, int len, TK* value) {
    if (EQE* e = eqefind(name, len)) return e;
    EQE* e = eqemake(name, len);
    if (isparm(name, len)) {
        e->kind = EQE_PARM;
    } else {
        e->kind = EQE_ENV;
        std::string var(name + 1, len > 2 ? len - 2 : 0);
        if (const char* v = std::getenv(var.c_str())) {
            TK tmp{};
            tmp.flags = TK_WORD;
            tmp.text = const_cast<char*>(v);
            tmp.len = static_cast<int>(std::strlen(v));
            if (tmp.len > 0) addval(c, e, &tmp);
            else e->flags &= ~EQF_NOVAL;  // set but empty: substitutes nothing
        }
    }
    if (value && (e->flags & EQF_NOVAL)) addval(c, e, value);
    return e;
}

namespace {

// ---------------------------------------------------------------------------
// Substitution and re-joining of split words
// ---------------------------------------------------------------------------

// Whether u continues the split word that t belongs to: a piece that
// begins inside t's source span or right behind it.
bool sameword(const TK* t, const TK* u) {
    if (!u || (u->flags & (TK_END | TK_DELIM)) || !(u->flags & TK_PIECE) || !(t->flags & TK_PIECE))
        return false;
    return u->src >= t->src && u->src <= t->src + t->srclen;
}

bool signpiece(const TK* t) {
    return isword(t) && t->len == 1 && (t->text[0] == '+' || t->text[0] == '-');
}

// Whether a and b hold the same len letters, case not counted.
bool nameeq(const char* a, const char* b, int len) {
    for (int i = 0; i < len; ++i)
        if (ttab_uc[static_cast<unsigned char>(a[i])] != ttab_uc[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

// Join the pieces from t up to (not including) stop into t.
void joinrun(CMV* c, TK* t, TK* stop) {
    if (t->next == stop) return;
    constexpr std::uint32_t kSubst = TK_EQV1 | TK_EQV2 | TK_EQCOPY;
    // A word with a substituted piece keeps the case of its other pieces
    // as written (out%DIR%.dat), like the value put in; it is marked
    // substituted, so that a name is taken from its value.
    std::uint32_t subst = 0;
    for (TK* u = t; u != stop; u = u->next) subst |= u->flags & kSubst;  // an emptied piece too
    const bool kept = subst && !(t->flags & kQuoted);
    auto piece = [kept](std::string& s, const TK* u) {
        bool src = kept && !(u->flags & kSubst) && u->src && u->srclen >= u->len &&
                   nameeq(u->src, u->text, u->len);
        s.append(src ? u->src : u->text, static_cast<std::size_t>(u->len));
    };
    std::string s;
    piece(s, t);
    std::uint32_t trail = t->flags & kTrail;
    const char* end = t->src + t->srclen;
    for (TK* u = t->next; u != stop; u = u->next) {
        if (u->flags & TK_USED) continue;
        piece(s, u);
        trail = u->flags & kTrail;
        if (u->src + u->srclen > end) end = u->src + u->srclen;
        blankout(c, u);
    }
    settext(c, t, s.data(), static_cast<int>(s.size()));
    t->srclen = static_cast<std::int32_t>(end - t->src);
    t->flags = (t->flags & ~kTrail) | trail | (kept ? TK_EQCOPY : 0);
}

// The end of the split word that begins at t (the first token after it).
TK* wordend(TK* t) {
    TK* u = t;
    while (sameword(u, u->next)) u = u->next;
    return u->next;
}

// Re-join the pieces of the split word that begins at t; in a word, a
// lone "+" or "-" stays a token of its own (it is an operator).  Returns
// the first token after the word.
TK* rejoin(CMV* c, TK* t, bool whole) {
    TK* stop = wordend(t);
    bool quoted = (t->flags & kQuoted) != 0;
    TK* run = nullptr;
    for (TK* u = t; u != stop; u = u->next) {
        if (u->flags & TK_USED) continue;
        if (!whole && !quoted && signpiece(u)) {
            if (run) joinrun(c, run, u);
            run = nullptr;
            continue;
        }
        if (!run) run = u;
    }
    if (run) joinrun(c, run, stop);
    int left = 0;
    for (TK* u = t; u != stop; u = u->next) left += (u->flags & TK_USED) ? 0 : 1;
    if (left == 1) {
        // One token again: no longer a piece.
        for (TK* u = t; u != stop; u = u->next) u->flags &= ~(TK_PIECE | TK_SPLIT);
    }
    return stop;
}

// Put copies of e's value tokens in the place of token t.
void replace(CMV* c, TK* t, EQE* e) {
    if (e->nvals == 0) {
        bool piece = (t->flags & TK_PIECE) != 0;
        blankout(c, t);
        // An emptied piece stays in its word, so the pieces around it
        // join again (out%NONE%.dat: out.dat).
        if (piece) t->flags = (t->flags & ~TK_DELIM) | TK_PIECE | TK_EQCOPY;
        return;
    }
    std::uint32_t keep = t->flags & (TK_PIECE | kTrail);
    bool inquote = (t->flags & (TK_APOS | TK_QUOT)) != 0;
    TK* at = t;
    for (TK* v = e->vals; v; v = v->next) {
        if (v != e->vals) {
            TK* n = static_cast<TK*>(cblgcore(c->gccb, sizeof(TK), 0, "tk"));
            n->src = t->src;
            n->srclen = t->srclen;
            n->next = at->next;
            n->prev = at;
            if (at->next) at->next->prev = n;
            at->next = n;
            at = n;
            c->tkcnt++;
        }
        std::uint32_t f = (v->flags & ~kTrail) | TK_EQCOPY | (keep & TK_PIECE);
        if (inquote) f = (f & ~(TK_WORD | TK_APOS | TK_QUOT)) | (t->flags & (TK_APOS | TK_QUOT));
        at->flags = (at->flags & TK_OWNCOPY) | f | (v->next ? (v->flags & kTrail & ~TK_LAST) : 0);
        settext(c, at, v->text, v->len);
    }
    at->flags |= keep & kTrail;
}

// Whether e is a %n or %name% reference (not redefined by an EQU
// statement) whose value is missing: it has none, or, under ENVFAIL
// CANCEL, it is a %n beyond the positional values of the command line.
bool missing(CMV* c, const EQE* e) {
    if (e->kind == EQE_EQU || (e->flags & EQF_REDEF)) return false;
    if (e->flags & EQF_NOVAL) return true;
    return c->optp && c->optp->envfail == ENVF_CANCEL && e->kind == EQE_PARM &&
           e->namep[1] - '0' > c->parmcnt;
}

// Whether the entry e substitutes token t (error 31 for the entry being
// defined).  A reference without a value substitutes under ENVFAIL NUL
// and 'text', records 152 (%n) or 160 (%name%) under CANCEL, and is left
// as written otherwise.
bool substitutes(CMV* c, TK* t, EQE* e, EQE* defining) {
    if (e == defining) {
        blame(c, t, 31);
        return false;
    }
    if (e->kind == EQE_EQU && (t->flags & (TK_APOS | TK_QUOT))) return false;
    if (e->kind != EQE_EQU && !(e->flags & EQF_REDEF) && c->optp && !c->optp->envvar) return false;
    if (missing(c, e)) {
        switch (c->optp ? c->optp->envfail : ENVF_SAME) {
        case ENVF_NUL:
        case ENVF_TEXT: return true;
        case ENVF_CANCEL: blame(c, t, e->kind == EQE_PARM ? 152 : 160); return false;
        default: return false;
        }
    }
    return !(e->flags & EQF_NOVAL);
}

// Put in place of t the value of e, or for a missing value what ENVFAIL
// gives: nothing, or one token holding its text (quoted, so its case is
// kept; inside a quoted token the token's own quotes).  A change made
// inside quotes is written to the log with the line and the reference,
// since it alters a literal or a pattern.
void substone(CMV* c, TK* t, EQE* e) {
    if ((t->flags & (TK_APOS | TK_QUOT)) && c->logfp)
        std::fprintf(c->logfp, "Line %d: %.*s substituted inside quotes\n", c->linecnt, e->namelen, e->namep);
    if (!missing(c, e)) {
        replace(c, t, e);
        return;
    }
    TK text{};
    EQE fail{};
    if (c->optp->envfail == ENVF_TEXT && c->optp->envtext) {
        text.flags = TK_APOS;
        text.text = c->optp->envtext;
        text.len = c->optp->envlen;
        fail.vals = &text;
        fail.nvals = 1;
    }
    replace(c, t, &fail);
}

// Substitute the EQU entries in the statement, then re-join split words.
void substitute(CMV* c, EQE* defining) {
    if (c->eqehead) {
        bool single = datacount(c) > 0 && !nextdata(wordend(firstdata(c)));
        for (TK* t = c->tkhead; t && !(t->flags & TK_END);) {
            if (!isdata(t) || (t->flags & TK_HEX)) {
                t = t->next;
                continue;
            }
            if ((t->flags & TK_PIECE) && sameword(t, t->next) && !(t->prev && sameword(t->prev, t))) {
                TK* stop = wordend(t);
                std::string whole;
                for (TK* u = t; u != stop; u = u->next)
                    if (!(u->flags & TK_USED)) whole.append(u->text, u->len);
                if (single || eqefind(whole.data(), static_cast<int>(whole.size()))) rejoin(c, t, true);
            }
            TK* next = t->next;
            EQE* e = (t->flags & TK_EQCOPY) ? nullptr : eqefind(t->text, t->len);
            if (e && substitutes(c, t, e, defining)) {
                int n = missing(c, e) ? (c->optp->envfail == ENVF_TEXT && c->optp->envtext ? 1 : 0) : e->nvals;
                substone(c, t, e);
                TK* last = t;
                for (int i = 1; i < n; ++i) last = last->next;
                next = last->next;
            }
            t = next;
        }
    }
    for (TK* t = c->tkhead; t && !(t->flags & TK_END);) {
        t = (isdata(t) && (t->flags & TK_PIECE)) ? rejoin(c, t, false) : t->next;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Labels
// ---------------------------------------------------------------------------

// Whether word is reserved (no label may be named so).
int labx(const char* word, int len) {
    static constexpr const char* kReserved =
        "E,L,R,GG,EL,PR,END,EOJ,LOG,OPT,PRT,RET,WTO,ELSE,PLOG,QUIT,STOP,DUMMY,PDUMP,"
        "PRINT,PUNCH,SPACE,CANCEL,OPTION,PRTCTL,REPORT,RETURN,OPTIONS";
    return len <= 7 && inlist(kReserved, word, len, nullptr) ? 1 : 0;
}

namespace {

LB* labfind(CMV* c, const char* name, int len) {
    for (LB* l = c->lbhead; l; l = l->next)
        if (l->namelen == len && nameeq(l->namep, name, len)) return l;
    return nullptr;
}

LB* labnew(CMV* c, const char* name, int len) {
    LB* l = static_cast<LB*>(cblgcore(c->gccb, static_cast<long>(sizeof(LB)) + len + 1, 0, "lb"));
    l->namep = reinterpret_cast<char*>(l + 1);
    std::memcpy(l->namep, name, len);
    std::memcpy(l->name, name, len < 31 ? len : 31);
    l->namelen = len;
    l->prev = c->lbtail;
    if (c->lbtail) c->lbtail->next = l;
    else c->lbhead = l;
    c->lbtail = l;
    return l;
}

// An argument name of a subroutine label.
void labarg(CMV* c, LB* l, TK* t) {
    LBARG* a = static_cast<LBARG*>(cblgcore(c->gccb, static_cast<long>(sizeof(LBARG)) + t->len + 1, 0, "ag"));
    a->name = reinterpret_cast<char*>(a + 1);
    std::memcpy(a->name, t->text, t->len);
    a->len = t->len;
    LBARG** p = &l->args;
    while (*p) p = &(*p)->next;
    *p = a;
    take(t);
}

}  // namespace

// Define (use 'D') or reference (use 'G') the label written as token t.
LB* labmake(CMV* c, int use, TK* t) {
    if (!t) {
        seterr(5);
        return nullptr;
    }
    int len = t->len;
    bool colon = len > 0 && t->text[len - 1] == ':';
    if (colon) --len;
    if (len == 0) {
        blame(c, t, 5);
        return nullptr;
    }
    if (use == 'G' && labx(t->text, len) && !(len == 3 && nameeq(t->text, "END", 3))) {
        blame(c, t, 182);
        return nullptr;
    }
    LB* l = labfind(c, t->text, len);
    if (!l) l = labnew(c, t->text, len);
    if (use == 'D') {
        if (l->node) {
            blame(c, t, 82);
            return l;
        }
        l->node = c->cncur;
        if (colon) {
            l->flags |= LBF_COLON;
            c->lbsub = l;
        }
        cmsw2 |= SW2_LABMARK;
    }
    take(t);
    return l;
}

// ---------------------------------------------------------------------------
// The node and the sequence check
// ---------------------------------------------------------------------------

CN* cnmake(CMV* c) {
    if (c->selcnt < 1) c->selcnt = 1;
    CN* n = c->cncur;
    if (n && n->typ1 == 0) {
        CN keep = *n;
        std::memset(static_cast<void*>(n), 0, sizeof *n);
        n->next = keep.next;
        n->prev = keep.prev;
        n->ordinal = keep.ordinal;
        n->cmtline = keep.cmtline;
        n->cmtlen = keep.cmtlen;
    } else {
        n = static_cast<CN*>(cblgcore(c->gccb, sizeof(CN), 0, "CN"));
        n->prev = c->cncur;
        if (c->cncur) c->cncur->next = n;
        else c->cnhead = n;
        n->ordinal = ++c->cncnt;
        c->cncur = n;
    }
    n->selid = -c->selcnt;
    n->lineno = c->linecnt;
    return n;
}

// The order of IF, AND, OR, THEN and ELSE statements: a statement of the
// current node's kind must follow one of the allowed kinds (a bit per
// kind, bit 0 for "nothing before").
int stmtseq(CMV* c) {
    // ORDER CN_TYP1: allowed predecessors of kinds 1 to 8
    constexpr auto bit = [](int k) { return 1u << k; };
    constexpr std::uint32_t kAny = 0x1FE;  // kinds 1 to 8
    static constexpr std::uint32_t kAfter[9] = {
        0,
        bit(0) | bit(CN_NOW) | bit(CN_THEN) | bit(CN_ELSE),              // NOW
        kAny & ~bit(CN_NOW),                                             // THEN
        bit(CN_THEN) | bit(CN_ELSE),                                     // ELSE
        bit(0) | bit(CN_NOW) | bit(CN_THEN) | bit(CN_ELSE),              // IF
        bit(CN_IF) | bit(CN_AND) | bit(CN_OR) | bit(CN_THENIF) | bit(CN_ELSEIF),  // AND
        bit(CN_IF) | bit(CN_AND) | bit(CN_OR) | bit(CN_THENIF) | bit(CN_ELSEIF),  // OR
        kAny & ~bit(CN_NOW),                                             // THEN IF
        bit(CN_THEN) | bit(CN_ELSE),                                     // ELSE IF
    };
    static_assert(sizeof kAfter / sizeof kAfter[0] == CN_ELSEIF + 1);
    int kind = c->cncur->typ1;
    int last = (c->lastkind >= 0 && c->lastkind <= CN_ELSEIF) ? c->lastkind : 0;
    bool ok = (kAfter[kind] & bit(last)) != 0;
    if ((kind == CN_ELSE || kind == CN_ELSEIF) && c->ifnest < 1) ok = false;
    if (!ok) {
        seterr(17);
        c->ifnest = 0;
        c->lastkind = CN_NOW;
        return 17;
    }
    if (kind == CN_NOW) c->ifnest = 0;
    else if (kind == CN_IF || kind == CN_THENIF) c->ifnest++;
    else if (kind == CN_ELSE) c->ifnest--;
    c->lastkind = kind;
    return 0;
}

// ---------------------------------------------------------------------------
// The operation words
// ---------------------------------------------------------------------------

namespace {

// An operation word found in the property table: its row and the entry
// of the row's word list it matched.
struct OPHIT {
    const OPROW* row;    // the row, null when the word is no operation word
    OPWORD       entry;  // the entry: its second code, the word that must follow
};

// The operation word t: the row of the property table whose word list
// holds it.  The rows are searched in code order; no word is in two rows.
OPHIT opfind(const TK* t) {
    OPHIT h{};
    if (!isword(t) || (t->flags & TK_PIECE)) return h;
    for (const OPROW& r : kOptab)
        for (const char* p = opwnext(r.words, &h.entry); p; p = opwnext(p, &h.entry))
            if (t->len == h.entry.len && std::memcmp(t->text, h.entry.word, t->len) == 0) {
                h.row = &r;
                return h;
            }
    return h;
}

// Whether the word list holds the word w of len bytes.
constexpr bool haskw(const char* list, const char* w, int len) {
    OPWORD e{};
    for (const char* p = opwnext(list, &e); p; p = opwnext(p, &e)) {
        bool same = e.len == len;
        for (int i = 0; same && i < len; ++i) same = e.word[i] == w[i];
        if (same) return true;
    }
    return false;
}

// The file keyword that may open the arguments of a file statement.
constexpr char kFileKw[] = "FILE,F";

// The words of an explicit WRITE: the words of the WRITE row but the file
// keyword.  now_rtn takes them before any name is looked at.
constexpr auto kWriteKw = [] {
    std::array<char, 64> out{};
    std::size_t n = 0;
    OPWORD w{};
    for (const char* p = opwnext(optab(OP_WRITE).words, &w); p; p = opwnext(p, &w)) {
        if (haskw(kFileKw, w.word, w.len)) continue;
        if (n) out[n++] = ',';
        for (int i = 0; i < w.len; ++i) out[n++] = w.word[i];
    }
    return out;
}();

// A declared variable of that name: the statement assigns to it.
bool declared(CMV*, const TK* t) { return isword(t) && dclfind(t->text, t->len) != nullptr; }

// An argument name of the current subroutine label, compared exactly.
bool subarg(CMV* c, const TK* t) {
    return isword(t) && argfind(c, t->text, t->len) >= 0;
}

}  // namespace

// The conversion code of a CVxy word, 0 when the word is none.
int cvxx_kwd(const char* word, int len) {
    if (len < 3 || len > 4 || word[0] != 'C' || word[1] != 'V') return 0;
    if (len == 3) {
        switch (word[2]) {
            case 'A': return 81;
            case 'B': return 73;
            case 'D': return 148;
            case 'E': return 21;
            case 'H': return 56;
            default: return 0;
        }
    }
    int code = 0;
    for (int i = 2; i < 4; ++i) {
        char l = word[i] == 'B' ? 'I' : word[i] == 'P' ? 'D' : word[i] == 'Z' ? 'G' : word[i];
        if (l < 'A' || l > 'I') return 0;
        code = code * 16 + (l - 'A' + 1);
    }
    return code;
}

// ---------------------------------------------------------------------------
// The small statements
// ---------------------------------------------------------------------------

namespace {

constexpr int kCallArgs = 16;          // arguments a CALL passes at most
constexpr int kAnyCount = 0x7FFFFFFF;  // fields of a list: no limit

// A field list from the current token on into slot, at most max fields,
// appended to what the slot holds; the @-names it names are marked with
// the usage bits use.  Returns the number of fields.
int fieldlist(CMV* c, FLD** slot, std::uint8_t use, int max) {
    std::uint8_t atkeep = c->atuse;
    std::int8_t ixkeep = c->opndix;
    c->atuse = use;
    c->opndix = 1;
    tkc = firstdata(c);
    int n = fldmultn(c, slot, max);
    c->atuse = atkeep;
    c->opndix = ixkeep;
    return n;
}

// The reply field of LOG REPLY and CP: a receiving field from the current
// token on; its fill character stays a blank.
void reply_rtn(CMV* c, CN* n) {
    std::uint8_t keep = c->atuse;
    c->atuse = AT_KIND_RECV;
    tokt("P,POS");
    tvlgk(&n->reply, GK_FIELD | GK_POS | GK_POS2 | GK_AT | GK_TYPE);
    c->atuse = keep;
}

// File operations: an optional FILE or F, then the file definition.
void setopio(CMV* c, CN* n) {
    tkc = firstdata(c);
    tokt(kFileKw);
    n->file = tvlfa(c);
}

// GOTO: one of the fixed targets, or a label.
void goto_rtn(CMV* c, CN* n) {
    static constexpr struct { const char* word; int op; } kTargets[] = {
        {"GET", OP_GOGET}, {"EOJ", OP_EOJ}, {"CANCEL", OP_CANCEL},
        {"DUMP", OP_DUMP}, {"PDUMP", OP_PDUMP}, {"BOF", OP_GOBOF},
    };
    if (char* k = tokt("GET,EOJ,CANCEL,DUMP,PDUMP,BOF")) {
        for (const auto& g : kTargets)
            if (eq(k, g.word)) n->typ2 = g.op;
        if (opflag(n->typ2, OPF_NOTYET)) blame(c, c->tkcur, 1);
        return;
    }
    n->typ2 = OP_GOTO;
    n->label = labmake(c, 'G', firstdata(c));
}

// LINE and SPACE: a count, 1 when none or a bad one; a count above the
// page depth, or of 256 or more, makes the statement LINE 1.
void line_rtn(CMV* c, CN* n) {
    long v = 1;
    if (firstdata(c)) {
        int before = c->errnum;
        v = valnnn(c);
        if (v == -999 || v < 0) {
            if (!before) unerr(c);
            v = 1;
        }
    }
    int depth = c->optp && c->optp->pagedepth > 0 ? c->optp->pagedepth : 58;
    if (v > depth || v >= 256) {
        n->typ2 = OP_LINE;
        n->sub = PT_SKIPTO;
        v = 1;
    }
    n->arg = static_cast<std::int32_t>(v);
}

// SLEEP: seconds, 1 when none or a bad count; MIN and HOUR multiply.
void sleep_rtn(CMV* c, CN* n) {
    long v = 1;
    if (TK* t = firstdata(c); t && !inlist("SEC,SECS,MIN,MINS,HOUR,HOURS,HR,HRS", t->text, t->len, nullptr)) {
        int before = c->errnum;
        v = valnnn(c);
        if (v < 0) {
            if (!before) unerr(c);
            v = 1;
        }
    }
    char* u = tokt("SEC,SECS,MIN,MINS,HOUR,HOURS,HR,HRS");
    long mult = !u || u[0] == 'S' ? 1 : u[0] == 'M' ? 60 : 3600;
    constexpr long kMax = 0x7FFFFFFF;
    n->arg = static_cast<std::int32_t>(v > kMax / mult ? kMax : v * mult);
}

// FLAG and SIGNAL: the condition word, then the file.
void flag_rtn(CMV* c, CN* n) {
    char* k = tokt("EOM,EOMBR,EOMEM,EOMEMB,EODSK,EODISK,EOD,EODIR");
    if (!k) {
        blame(c, firstdata(c) ? firstdata(c) : c->tkcur, 121);
        return;
    }
    n->sub = eq(k, "EODSK") || eq(k, "EODISK") ? FLG_EODSK : (eq(k, "EOD") || eq(k, "EODIR")) ? FLG_EOD : FLG_EOM;
    setopio(c, n);
}

// TRACE: ON or OFF, with an optional statement field; or a file.
void trace_rtn(CMV* c, CN* n) {
    if (char* k = tokt("ON,OFF")) {
        n->sub = eq(k, "ON") ? TRC_ON : TRC_OFF;
        if (kwfind(c, "STMT,STMTS,STATEMENT")) fieldlist(c, &n->operands, AT_KIND_SEND, kAnyCount);
        return;
    }
    if (firstdata(c)) n->file = tvlfa(c);
}

// PRINT, PLOG, LOG, WTO, TERM, SYSLOG: LOG's CLEAR and REPLY, then the
// print geometry.
void prt_rtn(CMV* c, CN* n) {
    if (n->typ2 == OP_LOG) {
        if (kwfind(c, "CLEAR,CLRTERM")) n->opflags |= CN_OPF_CLEAR;
        if (kwfind(c, "REPLY,REP,INTO")) {
            n->opflags |= CN_OPF_REPLY;
            TK* kw = c->tkcur;
            reply_rtn(c, n);
            blame(c, kw, 1);  // the selection loop does not read replies yet
        }
    }
    prt_geom(c, n);
}

// INCLUDE: the next token names a statement source.
void inc_rtn(CMV* c) {
    TK* t = firstdata(c);
    if (!t) {
        seterr(156);
        return;
    }
    // The name as written, unless it came from an EQU value.
    const char* name = t->text;
    int len = t->len;
    if (isword(t) && !(t->flags & TK_EQCOPY) && t->src && t->srclen >= len) {
        name = t->src;
        len = t->srclen;
    }
    int before = c->errnum;
    II* r = iimake(name, len);
    if (!r || c->errnum != before) return;
    take(t);
    cmsw4 |= SW4_INCLUDE;
}

// END, E, EOF end the statements; CANCEL and QUIT also cancel the run.
void end_rtn(CMV* c, bool cancel) {
    c->lastkind = CN_END;
    if (cancel) c->errcnt = 999;
    tokt("FAIL,EOJ");
}

// CAT: a further input file of the READ statement before.
void cat_rtn(CMV* c) {
    CN* r = c->cncur ? c->cncur->prev : nullptr;
    if (c->cncur && c->cncur->typ1 != 0) r = c->cncur;
    if (!r || r->typ2 != OP_READ) {
        blame(c, c->tkcur, 86);
        return;
    }
    r->opflags |= CN_OPF_CAT;
    cmsw4 |= SW4_CAT;
    tvlfa(c);
}

// The arguments of the operation word h (token word) in node n.
void args_rtn(CMV* c, CN* n, const OPHIT& h, TK* word) {
    if (h.row->flags & OPF_NOTYET) blame(c, word, 1);
    switch (h.row->how) {
        case OPHOW::None: break;
        case OPHOW::File: setopio(c, n); break;
        case OPHOW::Ga: tvlga(c, n->typ2); break;
        case OPHOW::Goto:
            if (h.entry.next) {  // GO: TO must follow
                char next[16] = {};
                std::memcpy(next, h.entry.next, h.entry.nextlen < 15 ? h.entry.nextlen : 15);
                if (!tokt(next)) blame(c, firstdata(c) ? firstdata(c) : word, 18);
            }
            goto_rtn(c, n);
            break;
        case OPHOW::Label: n->label = labmake(c, 'G', firstdata(c)); break;
        case OPHOW::Line: line_rtn(c, n); break;
        case OPHOW::Sleep: sleep_rtn(c, n); break;
        case OPHOW::Print: prt_rtn(c, n); break;
        case OPHOW::Stack: n->sub = eq(tokt("FIFO,LIFO"), "LIFO") ? STK_LIFO : STK_FIFO; break;
        case OPHOW::Flag: flag_rtn(c, n); break;
        case OPHOW::Trace: trace_rtn(c, n); break;
        case OPHOW::Call: n->file = tvlfa(c); break;
        case OPHOW::Start: startsw = 1; break;
        case OPHOW::Susp: c->stmtsw |= CM_STMT_SUSP; break;
        case OPHOW::Cp:
            if (kwfind(c, "REPLY,REP,INTO")) reply_rtn(c, n);
            break;
        case OPHOW::Unsup: break;
    }
}

// An action statement: the operation code and its arguments.
void now_rtn(CMV* c, int kind) {
    CN* n = c->cncur;
    if (kind == CN_THEN && c->lastkind == CN_NOW) kind = CN_NOW;
    n->typ1 = kind;
    if (tokt(kWriteKw.data())) {
        // An explicit WRITE names its file next, whatever the word.
        n->typ2 = OP_WRITE;
        setopio(c, n);
        return;
    }
    TK* t = firstdata(c);
    if (!t) {
        seterr(5);
        return;
    }
    if (isword(t) && t->text[0] == '@') {
        n->typ2 = OP_ATSET;
        c->tkcur = t;
        tvlga(c, OP_ATSET);
        return;
    }
    if (declared(c, t) || subarg(c, t)) {
        n->typ2 = OP_ASSIGN;
        c->tkcur = t;
        tvlga(c, OP_ASSIGN);
        return;
    }
    if (OPHIT h = opfind(t); h.row) {
        take(t);
        n->typ2 = h.row->code;
        n->sub = (h.row->flags & OPF_ARG) ? 0 : h.entry.second;
        n->arg = (h.row->flags & OPF_ARG) ? h.entry.second : 0;
        args_rtn(c, n, h, t);
        return;
    }
    if (int code = isword(t) && !(t->flags & TK_PIECE) ? cvxx_kwd(t->text, t->len) : 0) {
        take(t);
        n->arg = code;
        n->typ2 = (code == 21 || code == 81) ? OP_TRAN : OP_CONV;
        tvlga(c, n->typ2);
        return;
    }
    n->typ2 = OP_WRITE;
    setopio(c, n);
}

}  // namespace

// ---------------------------------------------------------------------------
// Print types
// ---------------------------------------------------------------------------

// TYPE or TY and a letter anywhere: the print type (use 'P') or the data
// code (use 'D'); 0 without TYPE.  A letter that does not fit the use is
// error 22 for a print statement, 79 otherwise.
int typechk(CMV* c, int use) {
    // ORDER TYPE letter: print type, data code
    static constexpr struct { const char* letter; int prt; int data; } kTypes[] = {
        {"B", 22, 9},     {"C", 20, 3},     {"D", 14, -14},  {"DX", 15, -15}, {"DA", 16, -16},
        {"DE", 17, -17},  {"H", 21, -21},   {"M", 23, -23},  {"MC", 23, -23}, {"MP", 23, -23},
        {"N", 19, -19},   {"S", 11, -11},   {"F", -6, 6},    {"P", -4, 4},    {"U", -10, 10},
        {"Z", -7, 7},
    };
    if (!kwfind(c, "TYPE,TY")) return 0;
    TK* typ = c->tkcur;
    int err = use == 'P' ? 22 : 79;
    TK* t = nextdata(typ->next);
    if (!t || !isword(t)) {
        blame(c, t ? t : typ, err);
        return 0;
    }
    for (const auto& r : kTypes) {
        if (!same(t, r.letter)) continue;
        int v = use == 'P' ? r.prt : r.data;
        if (v < 0) {
            blame(c, t, err);
            return 0;
        }
        take(t);
        return v;
    }
    blame(c, t, err);
    return 0;
}

// ---------------------------------------------------------------------------
// The steps of tvlctla
// ---------------------------------------------------------------------------

namespace {

// EQU statement, first part: the name.  Returns the entry whose value the
// rest of the statement gives, or null (an error, or a no-op EQU).
EQE* equ_name(CMV* c, bool* noop) {
    int count = datacount(c);
    TK* kw = firstdata(c);
    take(kw);
    TK* nm = firstdata(c);
    if (nm && (nm->flags & TK_PIECE)) rejoin(c, nm, true);
    if (count < 3 || !nm || !isword(nm) || (nm->flags & (TK_LPAR | TK_RPAR))) {
        blame(c, nm ? nm : kw, 31);
        return nullptr;
    }
    EQE* e = eqefind(nm->text, nm->len);
    if (isparm(nm->text, nm->len) && nm->text[1] - '0' <= c->parmcnt) {
        // A value given on the command line: its EQU statement (line 0)
        // sets it; any other EQU of it is a no-op, the command line wins.
        if (!e) e = eqechk(c, nm->text, nm->len, nullptr);
        if (c->linecnt != 0 || !(e->flags & EQF_NOVAL)) {
            *noop = true;
            takerest(c);
            return nullptr;
        }
    } else if (e && e->kind == EQE_ENV && !(e->flags & EQF_REDEF)) {
        valfree(c, e);  // the EQU statement's value replaces the variable's
    } else if (e && (e->kind == EQE_EQU || !(e->flags & EQF_NOVAL))) {
        blame(c, nm, 82);
        return nullptr;
    } else if (!e) {
        e = eqemake(nm->text, nm->len);
    }
    if (e->kind != EQE_EQU && c->linecnt != 0) e->flags |= EQF_REDEF;
    take(nm);
    return e;
}

// EQU statement, second part: the rest of the statement is the value.
void equ_value(CMV* c, EQE* e) {
    if (c->errnum) {
        takerest(c);
        return;
    }
    // A value from the command line keeps the case it was given in, as an
    // environment variable's does: a file name passed as %1 stays itself.
    const bool asis = e->kind == EQE_PARM && c->linecnt == 0;
    for (TK* t = firstdata(c); t; t = firstdata(c)) {
        if (asis && isword(t) && t->src && t->srclen >= t->len && nameeq(t->src, t->text, t->len)) {
            TK kept = *t;
            kept.text = const_cast<char*>(t->src);
            addval(c, e, &kept);
        } else {
            addval(c, e, t);
        }
        take(t);
    }
    if (e->flags & EQF_NOVAL) {
        // Nothing was left once the value was substituted: an empty value.
        e->flags &= ~EQF_NOVAL;
    }
}

// Statements are no longer listed: the current line still is, unless it
// is the first line read (then nothing of the statements is listed) or
// the listing has not begun (the site options file is read before it).
void nostmt(CMV* c) {
    if (!(c->lstsw & LST_NOSTMT) && c->linecnt > 1 && (c->prt.flags & PR_OPEN) && c->wline &&
        c->linelen > 0 && c->linelen <= WLINE_READ)
        tvlprt(c->wline, WLINE_PFX + c->linelen, PT_ECHO, 0);
    c->lstsw |= LST_NOSTMT;
}

// Listing keywords anywhere in the statement.
void listkw(CMV* c) {
    if (kwfind(c, "NOPTOT,NOPSUM")) c->lstsw = (c->lstsw & ~LST_SUMBITS) | LST_SUM0;
    if (kwfind(c, "NOP,NOPRINT")) {
        c->lstsw = (c->lstsw & ~LST_SUMBITS) | LST_SUM0;
        nostmt(c);
    }
    if (kwfind(c, "NOPCTL")) nostmt(c);
}

// Comments: a "*>" comment (any comment under summary level 3) is kept
// for the summary; a statement that is only a "*<" comment drops the rest
// of its line.
void comments(CMV* c, CN* n) {
    bool data = firstdata(c) != nullptr;
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (!(t->flags & TK_DELIM) || t->len < 1 || t->text[0] != '*') continue;
        if (!data && t == c->tkhead && t->len >= 2 && t->text[1] == '<') c->linesw |= CM_LINE_REST;
        bool keep = (t->len >= 2 && t->text[1] == '>') || (c->lstsw & LST_SUM3);
        if (keep && !n->cmtline) {
            n->cmtline = dupe(c, t->text, t->len, "cmt");
            n->cmtlen = t->len;
            n->cmtcol = static_cast<std::int32_t>(t->src && c->tkhead->src ? t->src - c->tkhead->src : 0);
        }
    }
}

// A label statement: the first token ends with ":" or stands alone.
bool label_rtn(CMV* c) {
    TK* t = firstdata(c);
    if (!isword(t) || (t->flags & TK_PIECE)) return false;
    bool colon = t->len > 1 && t->text[t->len - 1] == ':';
    if (!colon && nextdata(t->next)) return false;
    if (labx(t->text, colon ? t->len - 1 : t->len)) return false;
    LB* l = labmake(c, 'D', t);
    if (l && colon) {
        for (TK* a = firstdata(c); a; a = firstdata(c)) labarg(c, l, a);
    }
    return true;
}

// The statement kind from the first word; the configuring statements are
// handled here and give 0.
int classify(CMV* c, EQE* eqdef) {
    TK* first = firstdata(c);
    if (!isword(first) || (first->flags & TK_PIECE)) return CN_NOW;
    // A word that "=" follows is assigned to (L = 5 sets the record
    // length), never a statement kind.
    TK* after = nextdata(first);
    if ((first->flags & TK_EQSIGN) || (after && isword(after) && after->len == 1 && after->text[0] == '='))
        return CN_NOW;
    if (char* k = tokt("THEN,TH,T,THENIF,TI,A,AND,E,END,EOF,EL,ELSE,ELSEIF,I,IF,INC,INCLUDE,"
                       "L,LI,N,NOW,O,OR")) {
        if (eq(k, "THEN") || eq(k, "TH") || eq(k, "T")) return tokt("IF,I") ? CN_THENIF : CN_THEN;
        if (eq(k, "EL") || eq(k, "ELSE") || eq(k, "L")) return tokt("IF,I") ? CN_ELSEIF : CN_ELSE;
        if (eq(k, "THENIF") || eq(k, "TI")) return CN_THENIF;
        if (eq(k, "ELSEIF") || eq(k, "LI")) return CN_ELSEIF;
        if (eq(k, "A") || eq(k, "AND")) return CN_AND;
        if (eq(k, "O") || eq(k, "OR")) return CN_OR;
        if (eq(k, "I") || eq(k, "IF")) return CN_IF;
        if (eq(k, "N") || eq(k, "NOW")) return CN_NOW;
        if (eq(k, "INC") || eq(k, "INCLUDE")) inc_rtn(c);
        else end_rtn(c, false);
        return 0;
    }
    (void)eqdef;
    if (char* k = tokt("DCL,DECLARE,OPT,OPTION,OPTIONS,REPORT,R,PRTCTL,CAT,CANCEL,QUIT")) {
        if (eq(k, "DCL") || eq(k, "DECLARE")) dcl_rtn(c);
        else if (eq(k, "REPORT") || eq(k, "R")) opt_rtn(c, 'R');
        else if (k[0] == 'O') opt_rtn(c, 'O');
        else if (eq(k, "PRTCTL")) c->lstsw &= ~LST_NOSTMT;
        else if (eq(k, "CAT")) cat_rtn(c);
        else end_rtn(c, true);
        return 0;
    }
    return CN_NOW;
}

// The stop-after count and the defaults of LOG, PRINT and conditions
// that act once.
void limit_rtn(CMV* c, CN* n) {
    int before = c->errnum;
    int rc = sartn(c);
    if (rc == -1) {
        if (!before) unerr(c);
        blame(c, c->tkcur, 131);
    }
    if (rc == 1) return;
    if (n->typ2 == OP_LOG && !(n->opflags & CN_OPF_REPLY)) n->limit = 50;
    else if (n->typ2 == OP_PRINT && c->optp && c->optp->prtcnt > 0) n->limit = c->optp->prtcnt;
    else if ((cmsw2 & SW2_ONCE) && !(cmsw2 & SW2_OR) && !(cmsw4 & SW4_CAT)) n->limit = 1;
}

// The print type of a print operation: TYPE, else 20 (11 for LOG; 12,
// a plain line, for both in report mode); types above 13 print records.
void prttype(CMV* c, CN* n) {
    tkc = firstdata(c);
    int t = typechk(c, 'P');
    if (t == 0) t = (c->lstsw & LST_REPORT) ? 12 : n->typ2 == OP_LOG ? 11 : 20;
    n->sub = t;
    if (t > 13) c->lstsw |= LST_RECPRT;
}

// CALL: up to 16 argument fields (a seventeenth is error 96) and the
// vector of their addresses, one more than the arguments.
void call_opnds(CMV* c, CN* n) {
    int cnt = fieldlist(c, &n->operands, AT_KIND_SEND, kCallArgs);
    if (TK* t = firstdata(c); t && !c->errnum) blame(c, t, 96);
    n->arg = cnt;
    n->callv = static_cast<void**>(cblgcore(c->gccb, (cnt + 1) * static_cast<long>(sizeof(void*)), 0, "call"));
}

// The operands of the operations that take them: one field list.  A list
// of several fields (CN_OPF_MULTI) is built into one value at run time
// (catflds), which PRINT, PLOG, LOG, WRITE, UPDATE and INSERT print or
// write; the others cannot take one yet: error 1 on the second field.  A
// system command, CP and STACK need an operand with a length (error 95).
void operands(CMV* c, CN* n, TK* word) {
    int op = n->typ2;
    bool group = (op >= OP_WRITE && op <= OP_INSERT) || op == OP_GOSUB || op == OP_CALL ||
                 (op >= OP_CP && op <= OP_LOG);
    if (!group) return;
    if (op >= OP_PRINT) prttype(c, n);
    if (op == OP_CALL) {
        call_opnds(c, n);
        return;
    }
    TK* first = firstdata(c);
    fieldlist(c, &n->operands, AT_KIND_SEND, 1);
    if (TK* second = firstdata(c); second && !c->errnum) {
        n->opflags |= CN_OPF_MULTI;
        fieldlist(c, &n->operands, AT_KIND_SEND, kAnyCount);
        bool built = (op >= OP_WRITE && op <= OP_INSERT) || (op >= OP_PRINT && op <= OP_LOG);
        if (!built) blame(c, second, 1);
    }
    bool cmd = op == OP_CP || op == OP_SYS || op == OP_STACK;
    if (cmd && (!n->operands || n->operands->lkind == PK_END)) blame(c, first ? first : word, 95);
}

// The action part of a statement: TIMES, the stop-after count, the operands and
// the selection number; word is the operation word.
int action_rtn(CMV* c, CN* n, TK* word) {
    if (kwfind(c, "TIMES")) {
        long v = valnnn(c);
        if (v >= 0) n->times = static_cast<std::int32_t>(v > 0x7FFFFFFF ? 0x7FFFFFFF : v);
    }
    limit_rtn(c, n);
    operands(c, n, word);
    n->selid = c->selcnt++;
    return n->selid;
}

}  // namespace

// Analyse the statement in the token chain.  Returns its selection number
// for an action statement, else 0.
int tvlctla(CMV* c) {
    if (c->wline) std::memset(c->wline, ' ', WLINE_PFX);
    cmsw2 &= ~SW2_LABMARK;
    tkc = c->tkhead;
    CN* n = cnmake(c);
    if (c->errnum) return 0;
    // EQU definition, then substitution.
    EQE* eqdef = nullptr;
    bool isequ = false, noop = false;
    if (TK* f = firstdata(c); f && isword(f) && same(f, "EQU")) {
        isequ = true;
        eqdef = equ_name(c, &noop);
        if (!eqdef) {
            takerest(c);
            return 0;
        }
    }
    substitute(c, eqdef);
    tkc = c->tkhead;
    if (isequ) {
        equ_value(c, eqdef);
        return 0;
    }
    listkw(c);
    comments(c, n);
    if (!firstdata(c)) return 0;
    if (label_rtn(c)) return 0;
    tkc = firstdata(c);
    int kind = classify(c, eqdef);
    TK* word = firstdata(c);
    if (kind >= CN_NOW && kind <= CN_ELSE) now_rtn(c, kind);
    else if (kind >= CN_IF && kind <= CN_ELSEIF) tvlgi(c, kind);
    if (n->typ1 == 0 || n->typ1 == CN_END) return 0;
    stmtseq(c);
    if (n->typ1 > CN_ELSE) {
        n->selid = -c->selcnt;
        return 0;
    }
    return action_rtn(c, n, word);
}

// Release what analysis made for the run: the statement nodes, the EQU
// entries with their values, and the labels with their argument names.
void cnkill(CMV* c) {
    for (CN* p = c->cnhead; p;) {
        CN* n = p->next;
        if (!(p->nflags & CNF_COPY)) {  // a copy shares the operands of its original
            fldkill(c, &p->operands);
            fldkill(c, &p->reply);
        }
        cblgcorf(c->gccb, &p->callv, "call");
        cblgcorf(c->gccb, &p->cmtline, "cmt");
        cblgcorf(c->gccb, &p->work, "cnw");
        cblgcorf(c->gccb, &p, "CN");
        p = n;
    }
    c->cnhead = c->cncur = nullptr;
    c->cncnt = 0;
    for (EQE* e = c->eqehead; e;) {
        EQE* n = e->next;
        valfree(c, e);
        cblgcorf(c->gccb, &e->namep, "eqen");
        cblgcorf(c->gccb, &e, "eqe");
        e = n;
    }
    c->eqehead = c->eqtail = nullptr;
    for (LB* l = c->lbhead; l;) {
        LB* n = l->next;
        for (LBARG* a = l->args; a;) {
            LBARG* an = a->next;
            cblgcorf(c->gccb, &a, "ag");
            a = an;
        }
        cblgcorf(c->gccb, &l, "lb");
        l = n;
    }
    c->lbhead = c->lbtail = c->lbsub = nullptr;
}
