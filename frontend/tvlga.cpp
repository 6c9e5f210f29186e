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
// target is error 219.  Untyped operands become character.
void chartypes(CMV* c, CN* n, TK* word) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (t && numtype(t->type)) blameat(c, word, 1);
    else if (s && numtype(s->type)) blameat(c, word, 219);
    if (t && !t->type) t->type = FD_CHAR;
    if (s && !s->type) s->type = FD_CHAR;
}

// The source may be followed only by TIMES or a stop-after count, which
// the action part reads; anything else starts a field list, which is not
// built: error 1 on its first word.
void nolist(CMV* c) {
    TK* t = firstdata(c);
    if (!t || (dataword(t) && inlist("TIMES,STOPAFT,STOP,S", t->text, t->len, nullptr))) return;
    blameat(c, t, 1);
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
    nolist(c);
    chartypes(c, n, word);
    lenfix(c, n, word);
}
// ---------------------------------------------------------------------------
// TRAN, UPPER, LOWER, CVA, CVE (54)
// ---------------------------------------------------------------------------
//
// TRAN translates its source (fld2) into its target (fld1; the source
// itself when no TO or INTO is written) by one of two forms:
//   - a table: fld3 is a 256-byte operand indexed by the source byte.  A
//     table word anywhere in the statement, or the operation word itself,
//     selects a built-in table, which fld3 points at as a literal (not
//     owned, never freed); TAB and an operand of exactly 256 bytes (else
//     error 144) is the user's table.  The operand after TAB may not be
//     the value of an @-name (error 218): a table is data, not an address.
//   - two strings: fld3 the from-string, fld4 the to-string, after the
//     source.  Both need a length, and equal ones when both are fixed
//     (error 145).
//   TRAN P 1 LEN 8 UPPER               fld2 P 1 LEN 8, fld3 ttab_uc, in place
//   CVA P 1 LEN 80 TO P 81 LEN 80      fld1 P 81 LEN 80, fld3 ttab_ea
//   TRAN P 1 LEN 4 TAB P 5 LEN 256     fld3 P 5 LEN 256
//   TRAN P 1 LEN 4 'ab' 'AB'           fld3 'ab', fld4 'AB'

constexpr long kTrField = GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
constexpr long kTrStr = GK_LENNEXT | GK_LENSHORT | GK_QLIT | GK_AT | GK_FROM | GK_POS;
constexpr long kTrTab = GK_QLIT | GK_VALUE | GK_AT | GK_POS2 | GK_POS | GK_LENNEXT | GK_NOL | GK_LENSHORT;
constexpr int kTabLen = 256;  // bytes of a translation table: one per byte value

// The built-in table a word selects (an operation word or a table word),
// or null.  TAB and other words select none.
const TTAB* trtable(const TK* t) {
    static const struct { const char* words; const TTAB* tab; } kTabs[] = {
        {"UPPER", &ttab_uc},          {"LOWER", &ttab_lc},           {"PRINT", &ttab_tc},
        {"CVA,CVEA,ASCII", &ttab_ea}, {"CVE,CVAE,EBCDIC", &ttab_ae},
    };
    if (!t || !t->text || (t->flags & (TK_APOS | TK_QUOT | TK_HEX | TK_PIECE))) return nullptr;
    for (const auto& k : kTabs)
        if (inlist(k.words, t->text, t->len, nullptr)) return k.tab;
    return nullptr;
}

// The length an operand has at analysis: a literal's bytes or a plain
// written length; -1 when it is only known at run time.
long long fixedlen(const FLD* f) {
    if (!f) return -1;
    if (f->pkind == PK_LIT && (f->pflags & FP_LIT400)) return f->litlen;
    if (f->lkind == PK_REC && !(f->lflags & FL_MORE) && !(f->pflags & FP_MORE)) return f->len;
    return -1;
}

// fld3 as a literal standing for a built-in table.
void tablit(CMV* c, CN* n, const TTAB* tab) {
    fldmake(c, &n->fld3);
    FLD* f = n->fld3;
    f->pkind = PK_LIT;
    f->lkind = PK_REC;
    f->len = f->litlen = kTabLen;
    f->lit = const_cast<unsigned char*>(tab->data());  // FP_OWNLIT clear: never freed
    f->pflags = FP_LIT400 | FP_LIT;
    f->type = FD_CHAR;
}

// The operand after TAB (the cursor stands after the word): parsed in the
// option slot, checked, then made the table (fld3).  False on an error.
bool tabopnd(CMV* c, CN* n, TK* tab) {
    if (!firstdata(c)) {
        blameat(c, tab, 144);
        return false;
    }
    bool pfx = prefix();
    if (operand(c, &n->fldopt, pfx ? kTrField : kTrTab, AT_KIND_SEND, 3)) return false;
    FLD* f = n->fldopt;
    if (pfx) f->pflags |= FP_PFX;
    if (f->pflags & FP_PTRV) {
        blameat(c, tab, 218);
        return false;
    }
    if (fixedlen(f) != kTabLen) {
        blameat(c, tab, 144);
        return false;
    }
    n->fld3 = f;
    n->fldopt = nullptr;
    return true;
}

// A token that may start a from- or to-string: not TIMES or a stop-after
// count, which the action part reads after the operands.
bool strnext(CMV* c) {
    TK* t = firstdata(c);
    if (!t) return false;
    tkc = t;
    return !(dataword(t) && inlist("TIMES,STOPAFT,STOP,S", t->text, t->len, nullptr));
}

// The from- and to-strings after the source: both present, each with a
// length, equal when both are fixed; else error 145.
void trstrings(CMV* c, CN* n, TK* word) {
    if (!strnext(c)) return blameat(c, word, 145);
    if (operand(c, &n->fld3, kTrStr, AT_KIND_SEND, 3)) return;
    if (!strnext(c)) return blameat(c, word, 145);
    if (operand(c, &n->fld4, kTrStr, AT_KIND_SEND, 4)) return;
    const long long a = fixedlen(n->fld3), b = fixedlen(n->fld4);
    if (!n->fld3->lkind || !n->fld4->lkind || (a >= 0 && b >= 0 && a != b)) blameat(c, word, 145);
}

// TRAN and its operation words: the table (word, or a table word or TAB
// anywhere), TO or INTO and the target anywhere, the source, then the two
// strings when no table was named.  Without a target the source is
// translated in place (a literal source is then error 51).
void tranargs(CMV* c, CN* n, TK* word) {
    deftype(c);
    const TTAB* tab = trtable(word);
    bool user = false;  // TAB and the user's table
    if (!tab) {
        if (TK* k = kwany(c, "UPPER,LOWER,PRINT,CVA,CVEA,ASCII,CVE,CVAE,EBCDIC,TAB")) {
            tab = trtable(k);
            if (!tab && !tabopnd(c, n, k)) return;
            user = !tab;
        }
    }
    if (kwany(c, "TO,INTO")) {
        bool pfx = prefix();
        if (operand(c, &n->fld1, kTrField, AT_KIND_RECV, 1)) return;
        if (pfx) n->fld1->pflags |= FP_PFX;
    }
    tkc = firstdata(c);
    if (!tkc) return blameat(c, word, 5);
    long smode = GK_AT | GK_FROM | GK_POS2;
    bool pfx = false;
    if (tokt("FR,FROM") || (pfx = prefix())) smode = kTrField;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    if (pfx) n->fld2->pflags |= FP_PFX;
    if (!n->fld1 && (n->fld2->pflags & FP_LIT400)) return blameat(c, word, 51);
    if (tab) tablit(c, n, tab);
    else if (!user) trstrings(c, n, word);
    if (c->errnum) return;
    lenfix(c, n, word);
}

// ---------------------------------------------------------------------------
// CHOP, PARSE (57)
// ---------------------------------------------------------------------------
//
// CHOP cuts its source (fld2) into blank-separated words, one per
// receiver; the receivers are the chain fld1 (one FLD each, a field list).
//   CHOP P 1 LEN 20 INTO P 21 LEN 8 P 29 LEN 4 TYPE P
// Receivers: character (untyped ones become character), varying, packed,
// float or binary; another type is error 79, a literal error 59.  cfill
// is the statement's FILL, a blank when none is written.

// The receivers' checks: a literal cannot receive (59); the types the
// action converts to.  The field list marks a chain holding a float or a
// scale for position arithmetic in floating point, which would make the
// receivers values; they are record fields, so the mark is taken off.
void chopkinds(CMV* c, CN* n, TK* word) {
    for (FLD* f = n->fld1; f; f = f->next) f->pflags &= ~FP_FLOAT;
    for (FLD* f = n->fld1; f; f = f->next) {
        if (f->pflags & FP_LIT400) return blameat(c, word, 59);
        if (!f->type) f->type = FD_CHAR;
        switch (f->type) {
            case FD_CHAR: case FD_NTS: case FD_VCHAR2: case FD_VCHAR4:
            case FD_PACKED: case FD_FLOAT: case FD_BIN: break;
            default: return blameat(c, word, 79);
        }
        while (f->next && ((f->pflags & FP_MORE) || (f->lflags & FL_MORE))) f = f->next;
    }
}

// The words the action part reads after the operands (TIMES and a
// stop-after count, each with its number) hidden from the receivers'
// field list, which would take every token left: marked used in hid
// (at most max) while the list is parsed.  Returns how many were hidden.
int hidecnt(CMV* c, TK** hid, int max) {
    int k = 0;
    for (TK* t = c->tkhead; t && !(t->flags & TK_END) && k + 2 <= max; t = t->next) {
        if (!dataword(t) || !inlist("TIMES,STOPAFT,STOP,S", t->text, t->len, nullptr)) continue;
        const TK* b = before(t);
        if (t->len == 1 && b && inlist("TYPE,TY", b->text, b->len, nullptr)) continue;
        TK* v = const_cast<TK*>(nextafter(t));
        t->flags |= TK_USED;
        hid[k++] = t;
        if (v) v->flags |= TK_USED, hid[k++] = v;
    }
    return k;
}

// CHOP and PARSE: FILL, the source (a field after FR, FROM, P or POS,
// else a value, which needs a length: 69), an optional INTO, then the
// receivers as a field list (a field of several terms is error 216).
void chopargs(CMV* c, CN* n, TK* word) {
    constexpr long kSrcField = GK_LENNEXT | GK_LENSHORT | GK_QLIT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
    constexpr long kSrcValue = GK_QLIT | GK_AT | GK_FROM | GK_POS2;
    n->cfill = ' ';
    if (chkfill(&n->cfill) && c->errnum) return;
    deftype(c);
    tkc = firstdata(c);
    if (!tkc) return blameat(c, word, 5);
    long smode = kSrcValue;
    bool pfx = false;
    if (tokt("FR,FROM") || (pfx = prefix())) smode = kSrcField;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    if (pfx) n->fld2->pflags |= FP_PFX;
    if (!n->fld2->lkind) return blameat(c, word, 69);
    tkc = firstdata(c);
    if (tkc) tokt("INTO");
    tkc = firstdata(c);
    if (!tkc) return blameat(c, word, 5);
    std::uint8_t usekeep = c->atuse;
    std::int8_t ixkeep = c->opndix;
    c->atuse = AT_KIND_RECV;
    c->opndix = 1;
    TK* hid[8];
    const int nhid = hidecnt(c, hid, 8);
    fldmult(c, &n->fld1);
    for (int i = 0; i < nhid; ++i) hid[i]->flags &= ~TK_USED;
    c->atuse = usekeep;
    c->opndix = ixkeep;
    if (c->errnum) return;
    chopkinds(c, n, word);
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
