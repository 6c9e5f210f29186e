// Operation arguments: the stop-after count of an action, and the
// operands of the operations.
//
// Exports: sartn (STOPAFT, STOP or S and a number, anywhere in the
// statement), tvlga (arguments of the operations 40 to 58 and 84).
// Called by statement analysis.  Calls the tokenizer (inlist, tokdel,
// tokt, tokbad), tvlgk for each operand, chkfill, valnnn and seterr.
//
// Built so far: MOVE, assignments to character targets and the bitwise
// assignments, justification (LEFT, RIGHT, CENTRE).  The node's first
// operand (fld1) is the target, the second (fld2) the source; a target
// without length takes the source's (length kind 11), a source without
// length the target's (kind 9).  cfill is the statement's FILL, a blank
// when none is written.
//   MOVE 'AB' TO P 5 LEN 4      fld1 P 5 LEN 4, fld2 'AB'; becomes OP_ASSIGN, sub BW_NONE
//   MOVE P 5 LEN 4 FROM 'AB'    the same
//   P 5 LEN 4 = XOR X'FF'       OP_ASSIGN, sub BW_XOR
//   P 1 LEN 9 = 'A' P 5 LEN 3   a field list: fld2 'A' chained to P 5 LEN 3, CN_OPF_MULTI
//   LEFT P 1 LEN 9              OP_ALIGN: fld2 alone, justified in place
// The other operations, and assignments or MOVEs with a numeric target,
// are not built yet: error 1 with the operation word blamed.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"
#include "runtime/runtime.h"

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

// The data token after t, or null.
const TK* nextafter(const TK* t) {
    for (t = t->next; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM)) && (t->len > 0 || (t->flags & (TK_APOS | TK_QUOT | TK_HEX))))
            return t;
    return nullptr;
}

// Record err with token t blamed (the current token when t is null);
// nothing when an error is current.
void blameat(CMV* c, TK* t, int err) {
    if (c->errnum) return;
    TK* keep = tkc;
    if (t) tkc = t;
    tokbad(err);
    tkc = keep;
}

// The first unused data token of the statement, or null.
TK* firstdata(CMV* c) {
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM)) && (t->len > 0 || (t->flags & (TK_APOS | TK_QUOT | TK_HEX))))
            return t;
    return nullptr;
}

// A word of list anywhere in the statement, consumed; the cursor then
// stands on the token after it.  Null when there is none.
TK* kwany(CMV* c, const char* list) {
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (!dataword(t) || !inlist(list, t->text, t->len, nullptr)) continue;
        tkc = t;
        tokdel();
        return t;
    }
    return nullptr;
}

// Data types that hold numbers.
bool numtype(int type) {
    switch (type) {
    case FD_PTR: case FD_PACKED: case FD_FLOAT: case FD_ZONED: case FD_BIN: case FD_UPACKED: case FD_INT64:
        return true;
    default: return false;
    }
}

// The default type of the statement's operands: a TYPE word anywhere
// (left in place for the operand it follows), character when none.
void deftype(CMV* c) {
    FLD* tmp = nullptr;
    tvlgk(&tmp, GK_TYPE | GK_DEFC);
    fldkill(c, &tmp);
}

// One operand into slot with the usage bits of its @-names and its place
// in the statement (1 target, 2 source).  0 or the error.
int operand(CMV* c, FLD** slot, long mode, std::uint8_t use, int place) {
    std::uint8_t usekeep = c->atuse;
    std::int8_t ixkeep = c->opndix;
    c->atuse = use;
    c->opndix = static_cast<std::int8_t>(place);
    int rc = tvlgk(slot, mode);
    c->atuse = usekeep;
    c->opndix = ixkeep;
    return rc ? rc : c->errnum;
}

// A P or POS prefix next: consumed (the caller marks its operand FP_PFX).
bool prefix() { return tokt("P,POS") != nullptr; }

// The lengths the operands take from each other: a target without one
// takes the source's (kind 11), a source without one the target's (kind
// 9); neither with a length is error 69.  A literal target is error 59.
void lenfix(CMV* c, CN* n, TK* word) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (!s) return;
    if (t && (t->pflags & FP_LIT400)) {  // a literal cannot receive
        blameat(c, word, 59);
        return;
    }
    if (!s->lkind && (!t || !t->lkind)) {
        blameat(c, word, 69);
        return;
    }
    if (t && !t->lkind) t->lkind = PK_COMRG, t->len = 0;
    if (!s->lkind) s->lkind = PK_FT, s->len = 0;
}

// A numeric operand: a numeric target is an arithmetic assignment, which
// is not built (error 1); a numeric source into a character or untyped
// target is error 219 (not a field list's first field: the list's value
// is text).  Untyped operands become character.
void chartypes(CMV* c, CN* n, TK* word) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (t && numtype(t->type)) blameat(c, word, 1);
    else if (s && numtype(s->type) && !(n->opflags & CN_OPF_MULTI)) blameat(c, word, 219);  // a list is text
    if (t && !t->type) t->type = FD_CHAR;
    if (s && !s->type) s->type = FD_CHAR;
}

// The words the action part reads anywhere in the statement (the repeat
// and stop-after counts), when a number follows.
bool countword(const TK* t) {
    if (!dataword(t) || !inlist("TIMES,STOPAFT,STOP,S", t->text, t->len, nullptr)) return false;
    if (t->len == 1) {  // S right after TYPE is a print type
        const TK* b = before(t);
        if (b && inlist("TYPE,TY", b->text, b->len, nullptr)) return false;
    }
    const TK* v = nextafter(t);
    if (!v || !dataword(v)) return false;
    for (int i = 0; i < v->len; ++i)
        if (v->text[i] < '0' || v->text[i] > '9') return false;
    return true;
}

// After the source of an assignment to a character, varying or untyped
// target, the tokens left are a field list: its fields are appended to
// the source's chain and the node is marked CN_OPF_MULTI, so that the
// value is built from all of them at run time.  The repeat and stop-
// after counts, which the action part reads later, are hidden from the
// list while it is parsed.
void catlist(CMV* c, CN* n) {
    const int tt = n->fld1 ? n->fld1->type : 0;
    if (tt && tt != FD_CHAR && tt != FD_NTS && tt != FD_VCHAR2 && tt != FD_VCHAR4) return;
    TK* hide[4] = {};
    int nh = 0;
    for (TK* t = firstdata(c); t && nh < 4; t = const_cast<TK*>(nextafter(t)))
        if (countword(t)) {
            hide[nh++] = t;
            hide[nh++] = const_cast<TK*>(nextafter(t));
        }
    for (int i = 0; i < nh; ++i) hide[i]->flags |= TK_USED;
    tkc = firstdata(c);
    if (tkc) {
        std::uint8_t usekeep = c->atuse;
        std::int8_t ixkeep = c->opndix;
        c->atuse = AT_KIND_SEND;
        c->opndix = 2;
        if (fldmult(c, &n->fld2) > 0) n->opflags |= CN_OPF_MULTI;
        c->atuse = usekeep;
        c->opndix = ixkeep;
    }
    for (int i = 0; i < nh; ++i) hide[i]->flags &= ~TK_USED;
}

// MOVE and justification: the fill character (MOVE), TO or INTO anywhere
// and the target after it, then the source; MOVE also takes the form
// "MOVE target FROM source".  Without a target, justification changes its
// source in place (a literal source is then error 51); MOVE needs one
// (51).  MOVE becomes a plain assignment.
void movefam(CMV* c, CN* n, int type, TK* word) {
    const bool move = type == OP_MOVE;
    const long base = move ? GK_FMT | GK_STYLE | GK_TYPE | GK_QLIT : GK_QLIT;
    constexpr long kField = GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
    const long tmode = (base & ~(GK_NOW | GK_QLIT)) | kField;
    n->cfill = ' ';
    if (move && chkfill(&n->cfill) && c->errnum) return;
    if (move) deftype(c);
    bool from = false;
    if (kwany(c, "TO,INTO")) {
        bool pfx = prefix();
        if (operand(c, &n->fld1, tmode, AT_KIND_RECV, 1)) return;
        if (pfx) n->fld1->pflags |= FP_PFX;
    } else if (move) {
        TK* f = nullptr;
        for (TK* t = firstdata(c); t && !f; t = t->next)
            if (dataword(t) && inlist("FR,FROM", t->text, t->len, nullptr)) f = t;
        if (!f) {
            blameat(c, word, 51);
            return;
        }
        tkc = firstdata(c);
        bool pfx = prefix();
        if (operand(c, &n->fld1, tmode, AT_KIND_RECV, 1)) return;
        if (pfx) n->fld1->pflags |= FP_PFX;
        tkc = f;
        if (f->flags & TK_USED) {  // the target took it: no source follows
            blameat(c, word, 51);
            return;
        }
        tokdel();
        from = true;
    }
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    long smode = base | GK_AT | GK_FROM | GK_POS2;
    bool pfx = false;
    if (from || tokt("FR,FROM")) smode = base | kField;
    else if ((pfx = prefix())) smode = base | kField;
    if (n->fld1 && numtype(n->fld1->type)) smode |= GK_NUMLIT | GK_VALUE;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    if (pfx) n->fld2->pflags |= FP_PFX;
    if (!n->fld1 && (n->fld2->pflags & FP_LIT400)) {
        blameat(c, word, 51);
        return;
    }
    lenfix(c, n, word);
    if (move) {
        chartypes(c, n, word);
        n->typ2 = OP_ASSIGN;
        n->sub = BW_NONE;
    }
}

// Whether the tokens left hold a second position for the target: a token
// marked by a comma, and after it one marked by the equals sign.
bool ppp2_ok(CMV* c) {
    bool comma = false;
    for (TK* t = tkc ? tkc : c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if (t->flags & (TK_USED | TK_DELIM)) continue;
        if (!comma && (t->flags & TK_COMMA)) comma = true;
        else if (comma && (t->flags & TK_EQSIGN)) return true;
    }
    return false;
}

// Assignment to a character target: target [= ] [AND|OR|XOR|MOD] source.
// The operator word gives the second code (BW_*).
void assign(CMV* c, CN* n, TK* word) {
    bool pfx = c->tkcur && (c->tkcur->flags & TK_USED) && pospfx(c);
    n->cfill = ' ';
    if (chkfill(&n->cfill) && c->errnum) return;
    deftype(c);
    tkc = firstdata(c);
    if (!pfx) pfx = prefix();
    constexpr long kAttr = GK_TYPE | GK_STYLE | GK_FMT;
    long tmode = kAttr | GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_FIELD | GK_POS | (pfx ? 0 : GK_AT);
    if (ppp2_ok(c)) tmode |= GK_POS2;
    if (operand(c, &n->fld1, tmode, AT_KIND_RECV, 1)) return;
    FLD* t = n->fld1;
    t->pflags |= FP_ATFORM | (pfx ? FP_PFX : 0);
    TK* last = c->tkcur;
    TK* next = firstdata(c);
    if (next && nextafter(next) && last && !(last->flags & TK_EQSIGN) && (!t->lkind || (t->pflags & FP_MORE))) {
        tkc = next;
        if (operand(c, &n->fld1, kAttr | GK_MORE | GK_POS2, AT_KIND_RECV, 1)) return;
    }
    if (numtype(t->type)) {  // an arithmetic assignment
        blameat(c, word, 1);
        return;
    }
    tkc = firstdata(c);
    const char* opw = tokt("AND,OR,XOR,MOD");
    n->sub = !opw ? BW_NONE : opw[0] == 'A' ? BW_AND : opw[0] == 'O' ? BW_OR : opw[0] == 'X' ? BW_XOR : BW_NONE;
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    long smode = GK_STYLE | GK_TYPE | GK_LENNEXT;
    bool spfx = prefix();
    smode |= spfx ? GK_FIELD | GK_POS2 | GK_POS : GK_NOL | GK_LENSHORT | GK_LIT | GK_AT | GK_POS;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    n->fld2->pflags |= FP_ATFORM | (spfx ? FP_PFX : 0);
    catlist(c, n);
    if (c->errnum) return;
    chartypes(c, n, word);
    lenfix(c, n, word);
}
// ---------------------------------------------------------------------------
// TRAN, UPPER, LOWER, CVA, CVE (54)
// ---------------------------------------------------------------------------

void tranargs(CMV* c, CN* n, TK* word) {
    (void)n;
    blameat(c, word, 1);
}

// ---------------------------------------------------------------------------
// CHOP, PARSE (57)
// ---------------------------------------------------------------------------

void chopargs(CMV* c, CN* n, TK* word) {
    (void)n;
    blameat(c, word, 1);
}

// ---------------------------------------------------------------------------
// CHANGE (58)
// ---------------------------------------------------------------------------

void chgargs(CMV* c, CN* n, TK* word) {
    (void)n;
    blameat(c, word, 1);
}

// ---------------------------------------------------------------------------
// GEN, GENERATE, RANDOM (43)
// ---------------------------------------------------------------------------

void genargs(CMV* c, CN* n, TK* word) {
    (void)n;
    blameat(c, word, 1);
}

// ---------------------------------------------------------------------------
// CVDATE (56)
// ---------------------------------------------------------------------------

void cvdtargs(CMV* c, CN* n, TK* word) {
    (void)n;
    blameat(c, word, 1);
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

// Arguments of the operations 40 to 58 and 84.  MOVE (49), assignments to
// character targets (50) and justification (51) are built; the others, and
// an assignment or MOVE whose target is numeric, record error 1 with the
// operation word (the token consumed last) blamed.
int tvlga(CMV* c, int type) {
    if ((type < 40 || type > 58) && type != 84) errlogic(7101);
    TK* word = c->tkcur;
    CN* n = c->cncur;
    if (c->errnum) return c->errnum;
    switch (type) {
        case OP_MOVE:
        case OP_ALIGN: movefam(c, n, type, word); break;
        case OP_ASSIGN: assign(c, n, word); break;
        case OP_TRAN: tranargs(c, n, word); break;
        case OP_CHOP: chopargs(c, n, word); break;
        case OP_CHANGE: chgargs(c, n, word); break;
        case OP_RANDOM: genargs(c, n, word); break;
        case OP_CVDT: cvdtargs(c, n, word); break;
        default: blameat(c, word, 1); break;
    }
    return c->errnum;
}
