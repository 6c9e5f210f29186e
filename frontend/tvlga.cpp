// Operation arguments: the stop-after count of an action, and the
// operands of the operations.
//
// Exports: sartn (STOPAFT, STOP or S and a number, anywhere in the
// statement), tvlga (arguments of the operations 40 to 58 and 84).
// Called by statement analysis.  Calls the tokenizer (inlist, tokdel,
// tokt, tokbad), tvlgk for each operand, chkfill, valnnn and seterr.
//
// One section per family: MOVE, assignments to character targets and the
// bitwise assignments, justification (LEFT, RIGHT, CENTRE), TRAN, CHOP,
// CHANGE, GEN, CVDATE, ADD/SUB/MULT/DIV, and the CVxx conversions.  The node's first operand
// (fld1) is the target, the second (fld2) the source, then fld3 and fld4
// (TRAN's table or strings, CHANGE's strings, GEN's seed, the second
// operand of arithmetic), fldopt (HITS, RANGE) and fmlen (MATCHLEN); a
// target without length takes the source's (length kind 11), a source
// without length the target's (kind 9).  cfill is the statement's FILL, a
// blank when none is written.
//   MOVE 'AB' TO P 5 LEN 4      fld1 P 5 LEN 4, fld2 'AB'; becomes OP_ASSIGN, sub BW_NONE
//   MOVE P 5 LEN 4 FROM 'AB'    the same
//   P 5 LEN 4 = XOR X'FF'       OP_ASSIGN, sub BW_XOR
//   P 1 LEN 9 = 'A' P 5 LEN 3   a field list: fld2 'A' chained to P 5 LEN 3, CN_OPF_MULTI
//   LEFT P 1 LEN 9              OP_ALIGN: fld2 alone, justified in place
//   CHANGE P 1 LEN 20 'A' 'XY'  fld2 the field, fld3 'A', fld4 'XY'
//   CHANGE 'A' 'XY'             the same over the whole record (position 1, length kind 2)
// Not built yet, error 1 with the operation word blamed: CMPRS and
// EXPAND, XV, a bitwise assignment to a number.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cstring>
#include <ctime>

namespace {

bool dataword(const TK* t) {
    return t && !(t->flags & (TK_USED | TK_DELIM | TK_END | TK_APOS | TK_QUOT | TK_HEX | TK_PIECE)) &&
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

void arassign(CMV* c, CN* n, TK* word);  // the arithmetic section

// A numeric operand: a numeric target (arithmetic assignments go to
// arassign before this) is error 1; a numeric source into a character or untyped
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
    if (move && n->fld1 && numtype(n->fld1->type)) return arassign(c, n, word);
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
    const bool num = numtype(t->type);  // an arithmetic assignment
    tkc = firstdata(c);
    const char* opw = tokt("AND,OR,XOR,MOD");
    if (num && opw && opw[0] != 'M') return blameat(c, word, 1);  // no bitwise form on numbers
    n->sub = !opw ? BW_NONE : opw[0] == 'A' ? BW_AND : opw[0] == 'O' ? BW_OR : opw[0] == 'X' ? BW_XOR : BW_NONE;
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    long smode = GK_STYLE | GK_TYPE | GK_LENNEXT;
    bool spfx = prefix();
    smode |= spfx ? GK_FIELD | GK_POS2 | GK_POS : GK_NOL | GK_LENSHORT | GK_LIT | GK_AT | GK_POS;
    if (num && !spfx) smode |= GK_NUMLIT | GK_VALUE;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    n->fld2->pflags |= FP_ATFORM | (spfx ? FP_PFX : 0);
    if (num) return arassign(c, n, word);
    catlist(c, n);
    if (c->errnum) return;
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

// CHANGE field from to: the field (fld2) is changed in place, each
// occurrence of the from string (fld3) replaced by the to string (fld4).
// NUL or NULL stands for the empty string.  With a single string after
// the field, the field is the from string, that string the to string,
// and the field changed is the whole record: position 1 with length kind
// PK_END, the run's default length, which every READ sets to the
// record's.  The options stand anywhere:
//   HITS r             fldopt receives the number of changes
//   MATCHLEN r, MLEN r fmlen receives the from string's length
//   REPLEN r, RLEN r   fld1 receives the length of the first replacement
//   PTR @name          ptr receives the position of the first occurrence
//                      ("@" when PTR is not written)
//   CASEI              letters found whatever their case (CF_CASEI)
//   FILL c             the byte that pads a field that got shorter
// A receiver is a field (POS n LEN m, or m AT n), a declared variable or
// an @-name taking the number as its value.  TIMES n, read by the action
// part, is the most occurrences changed; an empty from string matches at
// the field's start and is changed once.
//   CHANGE P 1 LEN 20 'AB' 'XYZ'   fld2 P 1 LEN 20, fld3 'AB', fld4 'XYZ'
//   CHANGE 'AB' NUL HITS @N        fld2 the record, fld3 'AB', fld4 empty
// Errors: 222 a string missing, failing or left over, or both strings
// empty; 128 a PTR name not starting with "@" or holding "+" or "-"; 51
// a literal as the field; 69 a field without length; 59 a literal
// receiver; 1 REGEXP (regular expressions are not built).

constexpr long kChgField = GK_QLIT | GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
constexpr long kChgStr = GK_LENNEXT | GK_LENSHORT | GK_QLIT | GK_AT | GK_FROM | GK_POS;
constexpr long kChgHits = GK_FMT | GK_TYPE | GK_AT | GK_FROM | GK_VALUE;
constexpr long kChgLen = kChgHits | GK_POS2;

// The empty string: a literal of no bytes in slot.
void chgnul(CMV* c, FLD** slot) {
    fldmake(c, slot);
    FLD* f = *slot;
    f->lit = static_cast<unsigned char*>(cblgcore(c->gccb, 9, 0, "lit"));
    f->litlen = f->len = 0;
    f->pkind = PK_LIT;
    f->lkind = PK_REC;
    f->pflags = FP_OWNLIT | FP_LIT400 | FP_LIT;
    f->lflags = 0;
    f->type = FD_CHAR;
}

bool chgempty(const FLD* f) { return (f->pflags & FP_LIT400) && f->litlen == 0; }

// Whether a string may follow: a token is left that is not a word the
// action part reads (TIMES and the stop-after count).
bool chgmore(CMV* c) {
    TK* t = firstdata(c);
    return t && !(dataword(t) && inlist("TIMES,STOPAFT,STOP,S", t->text, t->len, nullptr));
}

// One operand into slot, in the mode given: a string (str), or the field
// changed (which may turn out to be the from string).  False when it
// fails: a string with error 222 on its first token, the field with its
// own error.
bool chgstr(CMV* c, FLD** slot, long mode, bool str) {
    TK* t = firstdata(c);
    tkc = t;
    if (dataword(t) && inlist("NUL,NULL", t->text, t->len, nullptr)) {
        tokdel();
        chgnul(c, slot);
        return true;
    }
    if (!str) return operand(c, slot, mode, AT_KIND_RECV, 2) == 0;
    if (operand(c, slot, mode | GK_TRY, AT_KIND_SEND, 2)) {
        blameat(c, t, 222);
        return false;
    }
    return true;
}

// Whether the name holds a "+" or a "-".
bool chgsigned(const TK* t) {
    for (int i = 0; i < t->len; ++i)
        if (t->text[i] == '+' || t->text[i] == '-') return true;
    return false;
}

// A result option: the keyword of list anywhere and its receiver into
// slot, which a P or POS prefix makes a record field (POS n LEN m).  An
// @-name without value may receive (FP_MATCHL).  False on an error.
bool chgres(CMV* c, FLD** slot, const char* list, long mode) {
    TK* k = kwany(c, list);
    if (!k) return true;
    bool pfx = prefix();
    if (pfx) mode |= GK_POS | GK_LENNEXT;
    if (operand(c, slot, mode, AT_KIND_RECV, 1)) return false;
    FLD* f = *slot;
    if (f->pflags & FP_LIT400) {
        blameat(c, k, 59);
        return false;
    }
    if (!f->lkind && !(f->pflags & FP_PTRV)) {
        blameat(c, k, 69);
        return false;
    }
    f->pflags |= FP_MATCHL | (pfx ? FP_PFX : 0);
    if (!f->type) f->type = FD_CHAR;
    return true;
}

// PTR @name: the @-name that receives the position of the first
// occurrence; "@" when PTR is not written.  A name that does not start
// with "@", or holds "+" or "-", is error 128.  False on an error.
bool chk_ptr(CMV* c, CN* n) {
    std::uint8_t keep = c->atuse;
    c->atuse = AT_KIND_RECV;
    TK* k = kwany(c, "PTR");
    TK* t = k ? tokdata() : nullptr;
    bool ok = true;
    if (!k) {
        n->ptr = atmake("@", 1);
    } else if (!t || !dataword(t) || t->text[0] != '@' || (t->flags & TK_SPLIT) || chgsigned(t)) {
        blameat(c, t ? t : k, 128);
        ok = false;
    } else {
        n->ptr = atmake(t->text, t->len);
        tkc = t;
        if (n->ptr) tokdel();
        else blameat(c, t, 128), ok = false;
    }
    c->atuse = keep;
    return ok;
}

// The arguments of CHANGE (see above): FILL, TYPE, the options, then the
// field and one or two strings.
void chgargs(CMV* c, CN* n, TK* word) {
    n->cfill = ' ';
    if (chkfill(&n->cfill) && c->errnum) return;
    deftype(c);
    if (TK* r = kwany(c, "REGEXP,REGX,RGX")) {
        blameat(c, r, 1);
        return;
    }
    if (kwany(c, "CASEI")) n->cflags |= CF_CASEI;
    if (!chgres(c, &n->fldopt, "HITS", kChgHits) || !chgres(c, &n->fmlen, "MATCHLEN,MLEN", kChgLen) ||
        !chgres(c, &n->fld1, "REPLEN,RLEN", kChgLen) || !chk_ptr(c, n))
        return;
    // The field: a record field after FR, FROM, P or POS; else a field,
    // value or literal (a literal is the from string of the single-string
    // form).
    if (!chgmore(c)) {
        blameat(c, word, 5);
        return;
    }
    tkc = firstdata(c);
    bool pfx = false;
    long smode = GK_QLIT | GK_AT | GK_FROM | GK_POS2;
    if (tokt("FR,FROM")) {
        smode = kChgField;
        pfx = prefix();
    } else if ((pfx = prefix())) {
        smode = kChgField;
    }
    if (!chgstr(c, &n->fld2, smode, false)) return;
    if (pfx) n->fld2->pflags |= FP_PFX;
    if (!chgmore(c)) {
        blameat(c, word, 222);
        return;
    }
    if (!chgstr(c, &n->fld3, kChgStr, true)) return;
    if (chgmore(c)) {
        if (!chgstr(c, &n->fld4, kChgStr, true)) return;
        if (chgmore(c)) {
            blameat(c, firstdata(c), 222);
            return;
        }
        FLD* s = n->fld2;
        if (s->pflags & FP_LIT400) {
            blameat(c, word, 51);
            return;
        }
        if (!s->lkind) {
            blameat(c, word, 69);
            return;
        }
        if (!s->type) s->type = FD_CHAR;
    } else {  // one string: the strings move up, the field is the record
        n->fld4 = n->fld3;
        n->fld3 = n->fld2;
        n->fld2 = nullptr;
        fldmake(c, &n->fld2);
        FLD* r = n->fld2;
        r->pkind = PK_REC;
        r->pos = 0;
        r->lkind = PK_END;
        r->len = 0;
        r->type = FD_CHAR;
    }
    if (chgempty(n->fld3) && chgempty(n->fld4)) {
        blameat(c, word, 222);
        return;
    }
    if (chgempty(n->fld3)) n->times = 1;
}

// ---------------------------------------------------------------------------
// GEN, GENERATE, RANDOM (43)
// ---------------------------------------------------------------------------
//
// GEN target [RANGE low,high | RANGE 'set'] [BASE seed]
//   fld1    the target: packed unless typed; character, packed, zoned,
//           binary or unsigned packed (another type is error 79)
//   fldopt  the range, flagged FL_WINDOW.  A position pair low,high: for
//           a number target the numbers low to high (pos low - 1, len
//           high - low + 1); for a character target the places low to
//           high of the default set of 52 characters.  A character target
//           may instead name its own set as a literal.  Without RANGE a
//           character target draws from places 1 to 26 (A to Z); other
//           targets need one (error 94).
//   fld3    the generator's 64-bit state, kept in the descriptor's own pos
//           (lit points there, 8 bytes, type native integer), so that each
//           GEN statement draws its own sequence
//   arg     conversion code: 0xC0 + the target type (from a native integer)
// BASE 'ABC' seeds C1C2C340: the text in EBCDIC, padded right with EBCDIC
// blanks to 4 bytes, read big-endian; BASE X'0102' seeds 00000102 (a
// hexadecimal seed is right-aligned).  Without BASE the seed mixes the
// statement's line number with the clock.

constexpr int kGenSet = 52;  // characters of the default set

// The 4-byte seed of BASE from its token.  0 or error 7 (no token, empty,
// longer than 4 bytes).
int genseed(TK* v, std::uint64_t* seed) {
    if (!v || (v->flags & TK_END) || v->len < 1 || v->len > 4) return 7;
    std::uint64_t s = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(v->text);
    if (v->flags & TK_HEX) {
        for (int i = 0; i < v->len; ++i) s = s << 8 | p[i];
    } else {
        for (int i = 0; i < 4; ++i) s = s << 8 | (i < v->len ? ttab_ae[p[i]] : 0x40);
    }
    *seed = s;
    return 0;
}

// A range that holds constants only: a record position and a plain length.
bool genconst(const FLD* r) {
    return r->pkind == PK_REC && r->lkind == PK_REC && !r->next && !r->sub && !(r->pflags & FP_MORE);
}

// RANGE and its operand into the option slot; without RANGE the letters
// A to Z for a character target.  0 or the error (7, 94).
int genrange(CMV* c, CN* n, bool chr) {
    TK* kw = kwany(c, "RANGE");
    if (!kw) {
        if (!chr) return 94;
        fldmake(c, &n->fldopt);
        n->fldopt->pkind = PK_REC, n->fldopt->lkind = PK_REC, n->fldopt->len = 26;
        return 0;
    }
    TK* at = tkc;
    if (operand(c, &n->fldopt, GK_NOLEN | GK_POS2 | GK_TRY, AT_KIND_SEND, 3) || !n->fldopt || !n->fldopt->pkind) {
        fldkill(c, &n->fldopt);
        tkc = at;
        if (!chr || operand(c, &n->fldopt, GK_QLIT, AT_KIND_SEND, 3)) return 7;
    }
    FLD* r = n->fldopt;
    r->lflags |= FL_WINDOW;
    if (r->pflags & FP_LIT400) return r->litlen < 1 ? 7 : 0;
    if (!genconst(r)) return 0;  // resolved at each draw
    if (r->len < 1 || (chr && (r->pos < 0 || r->pos + r->len > kGenSet))) return 7;
    return 0;
}

// The state's first value: the BASE seed, else the line number and clock.
int genstate(CMV* c, CN* n) {
    std::uint64_t seed = 0;
    if (kwany(c, "BASE")) {
        TK* v = tkc;
        if (int rc = genseed(v, &seed)) return rc;
        tokdel();
    } else {
        seed = static_cast<std::uint64_t>(std::time(nullptr)) * 2654435761u + static_cast<std::uint64_t>(std::clock()) +
               static_cast<std::uint64_t>(n->lineno) * 40503u;
        seed &= 0xFFFFFFFFu;
    }
    fldmake(c, &n->fld3);
    FLD* s = n->fld3;
    s->pkind = PK_LIT, s->lkind = PK_REC, s->len = 8, s->litlen = 8;
    s->type = FD_INT64;
    s->pos = static_cast<std::int64_t>(seed);
    s->lit = reinterpret_cast<unsigned char*>(&s->pos);
    return 0;
}

void genargs(CMV* c, CN* n, TK* word) {
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    TK* first = tkc;
    const bool pfx = prefix();  // POS n LEN m; else n AT p, or p,q
    constexpr long kPos = GK_POS | GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_FIELD;
    const long mode = GK_TYPE | GK_POS2 | (pfx ? kPos : GK_ANYWHERE | GK_AT);
    if (operand(c, &n->fld1, mode, AT_KIND_RECV, 1)) return;
    FLD* t = n->fld1;
    if (pfx) t->pflags |= FP_PFX;
    if (!t->type) t->type = FD_PACKED;
    switch (t->type) {
        case FD_CHAR: case FD_PACKED: case FD_ZONED: case FD_BIN: case FD_UPACKED: break;
        default: blameat(c, first, 79); return;
    }
    if (t->pflags & FP_LIT400) {
        blameat(c, first, 59);
        return;
    }
    if (!t->lkind) {
        blameat(c, first, 69);
        return;
    }
    n->arg = 0xC0 + t->type;
    TK* at = firstdata(c);
    if (int rc = genrange(c, n, t->type == FD_CHAR)) {
        blameat(c, rc == 94 ? word : at, rc);
        return;
    }
    at = firstdata(c);
    if (int rc = genstate(c, n)) blameat(c, at, rc);
}

// ---------------------------------------------------------------------------
// CVDATE (56)
// ---------------------------------------------------------------------------
//
// CVDATE TO target [STYLE s] [TYPE t] [FMT mask] FROM source [STYLE s] [TYPE t]
//   fld1  the target: style I unless given, F (8) with FMT and its mask in
//         sub; the value name DATE is the run's 112-byte date block (style
//         9), and CVDATE TO DATE FROM NOW refreshes it from the clock
//   fld2  the source: style I unless given; NOW is style N
//   sub   the styles, source + 16 x target (cvdate's style argument)
//   arg   the storage types, source + 16 x target: character, packed,
//         binary or unsigned packed; an untyped operand is character, a
//         number is an 8-byte binary literal
// Target style N, source style F, other types: error 79.  A mask or the
// block longer than a fixed target length: error 59.

// Storage types a date can be held in.
bool datetype(int type) {
    return type == FD_CHAR || type == FD_PACKED || type == FD_BIN || type == FD_UPACKED;
}

// A number literal (native 8-byte integer) becomes an 8-byte big-endian
// binary literal.
void datenum(FLD* s) {
    if (!(s->pflags & FP_LIT400) || (s->type != FD_PTR && s->type != FD_INT64) || s->litlen != 8) return;
    long long v;
    std::memcpy(&v, s->lit, sizeof v);
    cvbi(reinterpret_cast<char*>(s->lit), 8, v);
    s->type = FD_BIN;
}

// The target's style and the DATE block; 0 or the error.
int datetgt(CMV* c, FLD* t) {
    if (t->pkind == PK_LIT && c->datep && t->lit == reinterpret_cast<unsigned char*>(c->vdate)) {
        t->lit = reinterpret_cast<unsigned char*>(c->datep);
        if (t->lflags & FL_DECL) t->lkind = PK_REC, t->len = CBLDATE_LEN, t->litlen = CBLDATE_LEN;  // no length written
        t->style = DATE_BLOCK;
        t->type = FD_CHAR;
        return 0;
    }
    if (t->lflags & FL_FMT) {
        // A mask on a target without length gave it length 1: it takes
        // the source's instead.
        if ((t->lflags & FL_DECL) && !t->dcl && t->lkind == PK_REC && t->len == 1) t->lkind = 0, t->len = 0;
        if (t->style && t->style != DATE_MASK) return 79;
        t->style = DATE_MASK;
    }
    if (!t->style) t->style = DATE_I;
    if (t->style == DATE_N || t->style > DATE_MASK || (t->style == DATE_MASK && !t->sub)) return 79;
    if (!t->type) t->type = FD_CHAR;
    return datetype(t->type) ? 0 : 79;
}

// The source's style and type; 0 or the error.
int datesrc(FLD* s) {
    datenum(s);
    if (!s->style) s->style = DATE_I;
    if (s->style < DATE_I || s->style > DATE_N) return 79;  // F, or a float style
    if (!s->type) s->type = FD_CHAR;
    return datetype(s->type) || s->style == DATE_N || s->style == DATE_T ? 0 : 79;
}

// A mask or block longer than a fixed target length: error 59.
bool datefits(const FLD* t) {
    if (t->lkind != PK_REC) return true;
    long long need = t->style == DATE_BLOCK ? CBLDATE_LEN : 0;
    if (t->style == DATE_MASK && t->sub && (t->sub->pflags & FP_LIT400)) need = t->sub->litlen;
    return need <= t->len;
}

void cvdtargs(CMV* c, CN* n, TK* word) {
    constexpr long kBase = GK_NOW | GK_STYLE | GK_TYPE | GK_QLIT;
    constexpr long kField = GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
    deftype(c);
    if (!kwany(c, "TO,INTO")) {
        blameat(c, word, 51);
        return;
    }
    TK* tw = tkc;
    bool pfx = prefix();
    if (operand(c, &n->fld1, GK_STYLE | GK_TYPE | GK_FMT | kField, AT_KIND_RECV, 1)) return;
    if (pfx) n->fld1->pflags |= FP_PFX;
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    TK* sw = tkc;
    long smode = kBase | GK_AT | GK_FROM | GK_POS2;
    bool spfx = false;
    if (tokt("FR,FROM")) smode = kBase | kField;
    else if ((spfx = prefix())) smode = kBase | kField;
    if (numtype(n->fld1->type)) smode |= GK_NUMLIT | GK_VALUE;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    if (spfx) n->fld2->pflags |= FP_PFX;
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (int rc = datetgt(c, t)) {
        blameat(c, tw, rc);
        return;
    }
    if (int rc = datesrc(s)) {
        blameat(c, sw, rc);
        return;
    }
    if (s->pkind == PK_NOW && !t->lkind) {  // NOW has no length to lend
        blameat(c, word, 69);
        return;
    }
    lenfix(c, n, word);
    if (!c->errnum && !datefits(t)) blameat(c, tw, 59);
    n->sub = s->style + 16 * t->style;
    n->arg = s->type + 16 * t->type;
}

// ---------------------------------------------------------------------------
// ADD, SUB, MULT, DIV (45-48)
// ---------------------------------------------------------------------------

// Slots: the first operand (the value) in fld2, the second (the field it
// works on) in fld3, the result in fld1 (null: fld3 receives), DIV's
// remainder in fld4.  The words of each form, and the error when its
// keyword is missing:
//   ADD a TO|INTO b      a fld2, b fld3                    51
//   SUB a FR|FROM b      a fld2, b fld3                    52
//   MULT a BY b          a fld3, b fld2                    81
//   DIV a BY b           a fld3 (dividend), b fld2         81
//   DIV a INTO b         a fld2 (divisor), b fld3
// then in any order INTO c (the result; FMT accepted) and, for DIV,
// REM r.  Untyped operands are packed unless a TYPE word says otherwise;
// numbers become packed literals.

// Operand modes: the value and the field worked on; the result; the
// remainder.  Each also takes POS n LEN m.
constexpr long kArOpnd = GK_TYPE | GK_NUMLIT | GK_AT | GK_POS2 | GK_VALUE | GK_POS | GK_LENNEXT | GK_DEFP;
constexpr long kArInto = GK_FMT | GK_TYPE | GK_NOL | GK_LENSHORT | GK_AT | GK_POS2 | GK_VALUE | GK_POS | GK_LENNEXT;
constexpr long kArRem = GK_TYPE | GK_AT | GK_POS2 | GK_VALUE | GK_POS | GK_LENNEXT;

// The first unused word of list in the statement, not consumed; null
// when there is none.
TK* arkw(CMV* c, const char* list) {
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (dataword(t) && inlist(list, t->text, t->len, nullptr)) return t;
    return nullptr;
}

// One arithmetic operand at the cursor into slot: after a P or POS prefix
// a record field, else any of the forms of mode.  0 or the error.
int aropnd(CMV* c, FLD** slot, long mode, std::uint8_t use, int place) {
    bool pfx = prefix();
    if (pfx) mode = (mode & ~(GK_VALUE | GK_NUMLIT)) | GK_FIELD;
    if (operand(c, slot, mode, use, place)) return c->errnum ? c->errnum : 7;
    if (pfx) (*slot)->pflags |= FP_PFX;
    if (!(*slot)->type) (*slot)->type = c->cncur && c->cncur->deftype ? c->cncur->deftype : FD_PACKED;
    return 0;
}

// A literal operand converted to suit the other operand: against a float
// operand a number becomes an 8-byte double (style 14).  Numbers are
// packed literals already, which every other operand takes as they are.
// 0, or 204 when the literal is not a number.
int fixlita(CMV* c, FLD* lit, const FLD* other) {
    if (!lit || !other || !(lit->pflags & FP_LIT400) || lit->next || lit->type == FD_FLOAT) return 0;
    if (other->type != FD_FLOAT) return 0;
    double v = 0;
    if (lit->type == FD_PACKED) {
        char txt[2 * 16 + 2];
        if (lit->litlen > 16 || cbledts(txt, sizeof txt, reinterpret_cast<const char*>(lit->lit),
                                        static_cast<int>(lit->litlen)) != 0)
            return 204;
        for (const char* p = txt + 1; *p; ++p) v = v * 10 + (*p - '0');
        for (int i = 0; i < lit->scale; ++i) v /= 10;
        if (txt[0] == '-') v = -v;
    } else if (lit->type == FD_PTR || lit->type == FD_INT64) {
        long long x;
        std::memcpy(&x, lit->lit, 8);
        v = static_cast<double>(x);
    } else {
        return 0;
    }
    if ((lit->pflags & FP_OWNLIT) && lit->lit) cblgcorf(c->gccb, &lit->lit, "lit");
    lit->lit = static_cast<unsigned char*>(cblgcore(c->gccb, 8 + 9, 0, "lit"));
    std::memcpy(lit->lit, &v, 8);
    lit->litlen = lit->len = 8;
    lit->type = FD_FLOAT;
    lit->style = FD_STYL_DOUBLE;
    lit->scale = -1;
    lit->pflags |= FP_OWNLIT | FP_NUM;
    return 0;
}

// The largest length of an arithmetic operand of f's type; 0 when the
// type is not numeric.  A character operand is number text: 31 bytes, 66
// with an edit mask.  Marks numeric operands FP_NUM.
long is_arit(FLD* f) {
    long max = 0;
    switch (f->type) {
    case FD_BIN: case FD_FLOAT: case FD_PTR: case FD_INT64: max = 8; break;
    case FD_PACKED: case FD_UPACKED: max = 16; break;
    case FD_ZONED: max = 31; break;
    case FD_CHAR: max = (f->lflags & FL_FMT) ? 66 : 31; break;
    default: return 0;
    }
    f->pflags |= FP_NUM;
    return max;
}

// Lengths of the arithmetic operands: a result with an edit mask and no
// length (or length 1) takes the mask's; a receiving operand without length is error
// 59, a sending one 69; a fixed length above the largest for the type is
// error 62, and so is a DIV divisor over 8 bytes that is neither
// character nor zoned.
void arlenchk(CMV* c, CN* n, TK* word) {
    FLD* slots[4] = {n->fld1, n->fld2, n->fld3, n->fld4};
    for (int i = 0; i < 4 && !c->errnum; ++i) {
        FLD* f = slots[i];
        if (!f) continue;
        bool short1 = !f->lkind || (f->lkind == PK_REC && f->len == 1);  // no length, or the default 1
        if (short1 && (f->lflags & FL_FMT) && f->sub && f->sub->litlen > 0) {
            f->lkind = PK_REC;
            f->len = f->sub->litlen;
        }
        bool recv = i == 0 || i == 3 || (i == 2 && !n->fld1);
        if (!f->lkind) {
            blameat(c, word, recv ? 59 : 69);
            return;
        }
        long max = is_arit(f);
        if (!max) {
            blameat(c, word, 62);
            return;
        }
        if (f->lkind == PK_REC && f->len > max) blameat(c, word, 62);
    }
    FLD* dv = n->fld2;
    if (!c->errnum && n->typ2 == OP_DIV && dv->lkind == PK_REC && dv->len > 8 && dv->type != FD_CHAR &&
        dv->type != FD_ZONED)
        blameat(c, word, 62);
}

// ADD, SUB, MULT, DIV: the operands in their slots, the literals fitted,
// the flags CF_ADEC and CF_APACK, the lengths checked.
void arithargs(CMV* c, CN* n, int type, TK* word) {
    FLD* tmp = nullptr;
    tvlgk(&tmp, GK_TYPE | GK_DEFP);
    fldkill(c, &tmp);
    const char* list = type == OP_ADD ? "TO,INTO" : type == OP_SUB ? "FR,FROM" : type == OP_MULT ? "BY" : "BY,INTO";
    TK* k = arkw(c, list);
    if (!k) {
        blameat(c, word, type == OP_ADD ? 51 : type == OP_SUB ? 52 : 81);
        return;
    }
    // MULT and DIV ... BY: the operand written first is the one worked on.
    bool swap = type == OP_MULT || (type == OP_DIV && inlist("BY", k->text, k->len, nullptr));
    FLD** first = swap ? &n->fld3 : &n->fld2;
    FLD** second = swap ? &n->fld2 : &n->fld3;
    tkc = firstdata(c);
    if (!tkc || tkc == k) {
        blameat(c, word, 5);
        return;
    }
    if (aropnd(c, first, kArOpnd, swap ? AT_KIND_RECV : AT_KIND_SEND, swap ? 1 : 2)) return;
    tkc = firstdata(c);
    if (tkc != k) {
        blameat(c, tkc, 7);
        return;
    }
    tokdel();
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    if (aropnd(c, second, kArOpnd, swap ? AT_KIND_SEND : AT_KIND_RECV, swap ? 2 : 1)) return;
    for (;;) {
        tkc = firstdata(c);
        if (!tkc || !dataword(tkc)) break;
        if (!n->fld1 && inlist("INTO", tkc->text, tkc->len, nullptr)) {
            tokdel();
            if (aropnd(c, &n->fld1, kArInto, AT_KIND_RECV, 1)) return;
        } else if (type == OP_DIV && !n->fld4 && inlist("REM", tkc->text, tkc->len, nullptr)) {
            tokdel();
            if (aropnd(c, &n->fld4, kArRem, AT_KIND_RECV, 1)) return;
        } else {
            break;
        }
    }
    FLD* recv = n->fld1 ? n->fld1 : n->fld3;
    if ((recv->pflags & FP_LIT400) || (n->fld4 && (n->fld4->pflags & FP_LIT400))) {
        blameat(c, word, 59);
        return;
    }
    int rc = fixlita(c, n->fld2, n->fld3);
    if (!rc) rc = fixlita(c, n->fld3, n->fld2);
    if (rc) {
        blameat(c, word, rc);
        return;
    }
    for (FLD* f : {n->fld2, n->fld3, n->fld1})
        if (f && (f->scale > 0 || f->type == FD_CHAR || f->type == FD_FLOAT)) n->cflags |= CF_ADEC;
    if (recv->type == FD_FLOAT) n->cflags |= CF_ADEC;
    if ((type == OP_ADD || type == OP_SUB) && n->fld2->type == FD_PACKED && n->fld3->type == FD_PACKED &&
        !(n->cflags & CF_ADEC))
        n->cflags |= CF_APACK;
    if (n->fld4 && (n->cflags & CF_ADEC)) {
        blameat(c, word, 192);
        return;
    }
    arlenchk(c, n, word);
}

// The assignment of a number (MOVE or target = source with a numeric
// target) becomes OP_ARITH: the value fld2 stored into fld1 with the
// rounding and failure rules of ADD.  A numeric target that is not a
// plain record position may have no offset and no further terms (127);
// an untyped source is number text; a literal source is fitted to the
// target (fixlita); the flags and lengths as for ADD.
//   POS 1 LEN 4 TYPE P = 5                   fld1 packed, fld2 the value 5
//   POS 1 LEN 4 TYPE P = POS 5 LEN 3 TYPE Z  fld2 zoned
//   MOVE '12.5' TO POS 1 LEN 4 TYPE P        fld2 number text
void arassign(CMV* c, CN* n, TK* word) {
    FLD* t = n->fld1;
    FLD* s = n->fld2;
    if (!t || !s) return blameat(c, word, 5);
    if (t->pkind != PK_REC && (t->pos != 0 || (t->pflags & FP_MORE))) return blameat(c, word, 127);
    if (t->pflags & FP_LIT400) return blameat(c, word, 59);
    n->typ2 = OP_ARITH;
    n->sub = BW_NONE;
    if (!s->type) s->type = FD_CHAR;
    if (int rc = fixlita(c, s, t)) return blameat(c, word, rc);
    if (s->type == FD_CHAR && (s->pflags & FP_LIT400) && !s->next && s->lit) {  // must be number text
        char norm[RMVB_OUT];
        if (s->litlen > CV_LENMASK || rmvb(reinterpret_cast<const char*>(s->lit), static_cast<int>(s->litlen), norm) < 0)
            return blameat(c, word, 204);
    }
    if (!s->lkind && t->lkind) s->lkind = PK_FT, s->len = 0;
    for (FLD* f : {s, t})
        if (f->scale > 0 || f->type == FD_CHAR || f->type == FD_FLOAT) n->cflags |= CF_ADEC;
    if (t->type == FD_PACKED && s->type == FD_PACKED && !s->next && (t->scale > 0 ? t->scale : 0) == (s->scale > 0 ? s->scale : 0))
        n->cflags |= CF_APACK;
    arlenchk(c, n, word);
}

// ---------------------------------------------------------------------------
// CVxx conversions, PACK, UNPK (55)
// ---------------------------------------------------------------------------
//
// The operation word gave the code (CN.arg): source type x 16 + target
// type (CVPC 0x43, CVB 0x49, CVD 0x94, CVH 0x38, PACK 0x34, PACKB 0x39,
// UNPK 0x43, UNPKB 0x93).  The words:
//   CVxy source TO target [FMT mask] [INTO n]
//   CVxy INTO target source
// fld1 the target, fld2 the source.  An operand without a written TYPE
// takes its type from the code (floats the run's default style); one
// with a TYPE keeps it, and so does a number or @-name value source (an
// 8-byte integer, type 2), and the code is made again from the two
// types.  INTO and a bare number after a TO target is the target's
// length.  A target without length is an error (59) but for hexadecimal
// text out of bytes (0x38, 0x78: two places a byte, or as many as the
// hexadecimal mask lays out) and bytes out of hexadecimal text (0x83,
// 0x87: half the source's length); a source without length is error 69.
// A mask gives a text target of length 1 the mask's length when the
// action runs.  A pair that no routine converts is error 1.
//   CVPC POS 1 LEN 3 TO POS 5 LEN 6          0x43, packed into 6 digits
//   CVCP POS 1 LEN 5 TO POS 7 LEN 3 SCALE 2  0x34, two decimals
//   CVBB 1000 TO POS 1 LEN 2                 0x29, the number into binary
//   CVCH POS 1 LEN 2 TO POS 3                0x38, target length 4

// Whether the code is a pair the conversion action converts: the
// driver's own rows, and what the generic routine takes (packed to
// packed, text to text, an 8-byte integer to packed).  The action's
// switch has a case for each driver row (grep CVXX-CODES).
bool cvknown(int code) {
    switch (code) {  // CVXX-CODES
    case 0x23: case 0x29: case 0x34: case 0x74: case 0x36: case 0x76: case 0x38: case 0x78:
    case 0x39: case 0x79: case 0x43: case 0x47: case 0x49: case 0x63: case 0x67: case 0x64:
    case 0x66: case 0x83: case 0x87: case 0x93: case 0x97: case 0x94: case 0x99: case 0xC3:
    case 0xC9:
    case 0x44: case 0x33: case 0x37: case 0x73: case 0x77: case 0x24: case 0xC4: return true;
    default: return false;
    }
}

// The length an operand has at analysis (a literal's bytes, a plain
// written length), or -1.
long long cvfixed(const FLD* f) {
    if (f->pkind == PK_LIT && (f->pflags & FP_LIT400)) return f->litlen;
    if (f->lkind == PK_REC && !(f->lflags & FL_MORE) && !(f->pflags & FP_MORE)) return f->len;
    return -1;
}

// Whether the target's length is only the 1 an FMT mask gave it.
bool cvmasklen(const FLD* t) {
    return (t->lflags & FL_FMT) && (t->lflags & FL_DECL) && !t->dcl && t->lkind == PK_REC && t->len == 1;
}

// The places a hexadecimal mask lays out for n bytes: the mask is used
// over and over until the 2n digits are placed ("XX," for 3 bytes:
// "C1,00,FF", 8).  0 when the mask has no X.
long long cvhexw(const FLD* m, long long n) {
    if (!m || !(m->pflags & FP_LIT400) || m->litlen < 1) return 0;
    long long xs = 0;  // digit places in one pass of the mask
    for (long long i = 0; i < m->litlen; ++i) xs += m->lit[i] == 'X';
    if (!xs) return 0;
    long long w = 0;
    for (long long left = 2 * n; left > 0; ++w) left -= m->lit[w % m->litlen] == 'X';
    return w;
}

// The type an operand keeps (written with TYPE, or a value source), else
// the code's.
int cvtype(const FLD* f, int code, bool source) {
    if (f->pflags & FP_TYPED) return f->type;
    if (source && (f->type == FD_PTR || f->type == FD_INT64 || ((f->pflags & FP_LIT400) && (f->pflags & FP_NUM))))
        return f->type;
    return code;
}

// The length of a target written without one; 0 when none follows
// from the source.
long long cvderive(int code, const FLD* t, const FLD* s) {
    const long long sl = cvfixed(s);
    if (sl < 1 || !s->lkind) return 0;
    if (code == 0x38 || code == 0x78) return (t->lflags & FL_FMT) ? cvhexw(t->sub, sl) : 2 * sl;
    if (code == 0x83 || code == 0x87) return sl / 2 > 0 ? sl / 2 : 1;
    return 0;
}

void convargs(CMV* c, CN* n, TK* word) {
    constexpr long kBase = GK_FMT | GK_STYLE | GK_TYPE | GK_QLIT;
    constexpr long kField = GK_LENNEXT | GK_NOL | GK_LENSHORT | GK_AT | GK_FIELD | GK_POS2 | GK_POS;
    deftype(c);
    TK* kw = kwany(c, "TO");
    const bool to = kw != nullptr;
    if (!kw) kw = kwany(c, "INTO");
    if (!kw) {
        blameat(c, word, 51);
        return;
    }
    bool pfx = prefix();
    if (operand(c, &n->fld1, (kBase & ~GK_QLIT) | kField, AT_KIND_RECV, 1)) return;
    FLD* t = n->fld1;
    if (pfx) t->pflags |= FP_PFX;
    if (to)  // INTO and a bare number: the target's length
        for (TK* k = firstdata(c); k; k = const_cast<TK*>(nextafter(k))) {
            const TK* v = nextafter(k);
            if (!dataword(k) || !inlist("INTO", k->text, k->len, nullptr) || !v || !dataword(v) ||
                v->text[0] < '0' || v->text[0] > '9')
                continue;
            tkc = k;
            tokdel();
            long len = valnnn(c);
            if (len < 0) return;
            if (len == 0) {
                blameat(c, word, 59);
                return;
            }
            t->lkind = PK_REC, t->len = len, t->lflags &= ~FL_DECL;
            break;
        }
    tkc = firstdata(c);
    if (!tkc) {
        blameat(c, word, 5);
        return;
    }
    long smode = kBase | GK_AT | GK_FROM | GK_POS2;
    bool spfx = false;
    if (tokt("FR,FROM")) smode = kBase | kField;
    else if ((spfx = prefix())) smode = kBase | kField;
    // A number or @-name value is a source where the target or the source
    // holds a number (CVBC @P TO ... shows a pointer's value).
    const int code0 = n->arg;
    if (numtype(code0 & 15) || numtype(code0 >> 4)) smode |= GK_NUMLIT | GK_VALUE;
    if (operand(c, &n->fld2, smode, AT_KIND_SEND, 2)) return;
    FLD* s = n->fld2;
    if (spfx) s->pflags |= FP_PFX;
    const int tt = cvtype(t, code0 & 15, false);
    const int st = cvtype(s, code0 >> 4, true);
    const int code = st * 16 + tt;
    t->type = tt;
    s->type = st;
    for (FLD* f : {t, s}) {
        if (f->type == FD_FLOAT && !f->style) f->style = c->optp && c->optp->deffp ? c->optp->deffp : FD_STYL_BFP;
        if (f->scale < 0) f->scale = 0;
    }
    n->arg = code;
    if (!cvknown(code)) {
        blameat(c, word, 1);
        return;
    }
    const bool text = tt == FD_CHAR || tt == FD_ZONED || tt == FD_HEX;
    if (cvmasklen(t) && !text) t->lkind = 0, t->len = 0, t->lflags &= ~FL_DECL;  // a mask gives no length here
    if (!t->lkind || ((code == 0x38 || code == 0x78) && cvmasklen(t))) {
        if (long long d = cvderive(code, t, s)) {
            t->lkind = PK_REC, t->len = d, t->lflags &= ~FL_DECL;
        } else if (!t->lkind) {
            const bool hex = code == 0x38 || code == 0x78 || code == 0x83 || code == 0x87;
            blameat(c, word, hex && !s->lkind ? 69 : 59);
            return;
        }
    }
    if (!s->lkind) blameat(c, word, 69);
}

// ---------------------------------------------------------------------------
// @-name and special-name assignments (40, 41)
// ---------------------------------------------------------------------------

//
// @name = value (40) points the @-name at a field (its resolved position)
// or gives it the value of a number or of another @-name; a special name
// = value (41: RETCD, LRECL and their synonyms, DIFF, ...) takes the
// value, from a field through the conversion code in arg (the field's
// type x 16 + 9, to binary; an untyped field is packed).  fld1 is the
// name (a value operand, pat the AT), fld2 the value.
//   @P = POS 5            fld2 the field P 5; the pointer becomes 5
//   @P = @Q + 2           fld2 the value of @Q plus 2
//   RETCD = 4             fld2 the value 4
//   RC = POS 1 LEN 2 TYPE Z   fld2 zoned, arg 0x79
// Errors: 127 the name with an offset or further terms, 9 a negative
// number for L, LEN, LRECL or RECSIZE, 5 no value.
constexpr long kAtName = GK_VALUE | GK_AT;
constexpr long kAtField = GK_TYPE | GK_AT | GK_FROM | GK_POS2 | GK_POS | GK_LENNEXT | GK_FIELD;
constexpr long kAtNum = GK_TYPE | GK_VALUE | GK_NUMLIT;

void atargs(CMV* c, CN* n, int type, TK* word) {
    FLD* tmp = nullptr;
    tvlgk(&tmp, GK_TYPE | GK_DEFP);
    fldkill(c, &tmp);
    if (type == OP_ATSET) {
        tkc = word;
        if (operand(c, &n->fld1, kAtName, AT_KIND_RECV, 1)) return;
    } else {
        fldmake(c, &n->fld1);
        std::uint8_t keep = c->atuse;
        c->atuse = AT_KIND_RECV;
        // LEN is the record length's name here only (elsewhere it is the
        // length keyword): it stands for LRECL.
        const bool lenw = inlist("LEN", word->text, word->len, nullptr) != nullptr;
        n->fld1->pat = lenw ? atmake("LRECL", 5) : atmake(word->text, word->len);
        c->atuse = keep;
        n->fld1->pkind = PK_AT;
        n->fld1->pflags |= FP_PTRV;
        n->fld1->type = FD_PTR;
    }
    FLD* t = n->fld1;
    if (!t->pat || t->pkind != PK_AT) return blameat(c, word, 7);
    // The name ends at the equals sign (its token carries the mark).
    const TK* last = type == OP_ATSET ? c->tkcur : word;
    if (t->pos != 0 || (t->pflags & FP_MORE) || !last || !(last->flags & TK_EQSIGN))
        return blameat(c, word, 127);
    tkc = firstdata(c);
    if (!tkc) return blameat(c, word, 5);
    const bool pfx = prefix();
    if (operand(c, &n->fld2, pfx ? kAtField : kAtNum, AT_KIND_SEND, 2)) return;
    FLD* s = n->fld2;
    if (pfx) s->pflags |= FP_PFX;
    if (firstdata(c)) return blameat(c, firstdata(c), 7);
    const bool value = (s->pflags & FP_PTRV) || s->type == FD_PTR || s->type == FD_INT64;
    if (!value) {  // a field, or a literal read as a number
        if (!s->type) s->type = n->deftype ? n->deftype : FD_PACKED;
        if (!s->lkind && type == OP_ATSET) s->lkind = PK_REC, s->len = 1;  // only its position counts
        if (!s->lkind) return blameat(c, word, 69);
        n->arg = s->type * 16 + FD_BIN;
    }
    const bool len = t->pat == c->at_lrecl || inlist("L,LEN,LRECL,RECSIZE", word->text, word->len, nullptr);
    if (type != OP_SPECIAL || !len || !(s->pflags & FP_LIT400) || !s->lit || s->litlen < 1) return;
    long long v = 0;  // a number literal: a value, or packed
    if (s->type == FD_PTR && s->litlen == 8) std::memcpy(&v, s->lit, 8);
    else if (s->type == FD_PACKED) v = (s->lit[s->litlen - 1] & 15) == 0xD || (s->lit[s->litlen - 1] & 15) == 0xB ? -1 : 0;
    if (v < 0) blameat(c, word, 9);
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
// character targets (50), justification (51), the assignment of a number
// (44) and the @-name and special-name assignments (40, 41) are among
// those built; the others record error 1 with the operation word (the
// token consumed last) blamed.
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
        case OP_ADD:
        case OP_SUB:
        case OP_MULT:
        case OP_DIV: arithargs(c, n, type, word); break;
        case OP_CONV: convargs(c, n, word); break;
        case OP_ATSET:
        case OP_SPECIAL: atargs(c, n, type, word); break;
        default: blameat(c, word, 1); break;
    }
    return c->errnum;
}
