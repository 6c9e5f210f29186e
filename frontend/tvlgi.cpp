// IF-condition parsing: one IF, AND, OR, THEN IF or ELSE IF statement
// compiled into condition elements (CN nodes whose typ2 is the comparison
// code and whose fld1/fld2 hold the operands; see frontend.h).
//
// Exports: tvlgi (the condition of the current statement), setelem3
// (operator, second operand and options of one element), isitarit (is an
// operand numeric), setfltv (floating evaluation of a numeric declared
// variable).
// Called by: statement analysis for kinds 4 to 8.
// Calls: tvlgk (operands), atmake (PTR and the record pointer), tvlfa and
// tvlfn (the file of a file-state test), cnmake and stmtseq (further
// elements of a list of comparands), the tokenizer, chkfill, seterr.
//
// Examples, worked by hand:
//   IF P 1 'A'              one element: typ2 1 (no operator: EQ), fld1
//                           position 0 length kind 11, fld2 the literal
//   IF P 1 GT 'A' LT 'Z'    two elements: typ2 3 and, joined by AND, typ2 2;
//                           both have the same fld1
//   IF P 1,20 EQ 'X'        range: CF_RANGE|CF_SEARCH, ptr "@"
//   IF P 1 5 NUMERIC        typ2 17, fld1 the field, no fld2
//   IF EOF IN               typ2 14, file IN
//
// Divisions: the operator table; operands; options and agreement; the
// steps of tvlgi.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <charconv>
#include <cstring>


// Record error e on the current token; returns e.
static int tokbadn(int e) {
    tokbad(e);
    return e;
}

namespace {

// Operand modes of tvlgk used here.
constexpr long kModeMlen  = 0x40080D8;   // MATCHLEN: FMT, TYPE, AT, FROM, POS2, VALUE
constexpr long kModeField = 0x100B822;   // first field: STYLE, TYPE, LENNEXT, NOL, LENSHORT, FIELD, POS
constexpr long kModeMore  = 0x1048010;   // its second position or attributes: STYLE, MORE, TYPE, POS2
constexpr long kModeAny   = 0x1008689;   // any first operand: STYLE, TYPE, NUMLIT, QLIT, AT, VALUE, TRY
constexpr long kModePos2  = 0x500A833;   // second field after P: FMT, STYLE, TYPE, LENNEXT, LENSHORT, FIELD, POS2, POS, TRY
constexpr long kModeChar  = 0x5008100;   // character literal: FMT, STYLE, TYPE, LIT
constexpr long kModeValue = 0x5008589;   // second value: FMT, STYLE, TYPE, NUMLIT, LIT, AT, VALUE, TRY

// ---------------------------------------------------------------------------
// The operator table
// ---------------------------------------------------------------------------

// Groups of a code byte followed by its words, each word between commas.
// ORDER CC: the groups follow the comparison codes.
constexpr char kOps[] =
    "\x01,EQ,EX,EXACT,"
    "\x02,LT,<,"
    "\x03,GT,>,"
    "\x04,NE,<>,NOT,^,\xAC,"
    "\x05,GE,>=,=>,NLT,^<,\xAC<,LOW,LO,"
    "\x06,LE,<=,=<,NGT,^>,\xAC>,HIGH,HI,"
    "\x08,ONES,"
    "\x09,MIXED,"
    "\x0A,ZEROS,ZEROES,";

// The code of an operator word (upper case), 0 when it is none.
int opcode(const char* w, int n) {
    if (n < 1 || n > 13) return 0;
    char key[16];
    key[0] = ',';
    std::memcpy(key + 1, w, static_cast<std::size_t>(n));
    key[n + 1] = ',';
    key[n + 2] = 0;
    const char* hit = std::strstr(kOps, key);
    if (!hit) return 0;
    while (hit > kOps && static_cast<unsigned char>(*hit) >= 23) hit--;
    return static_cast<unsigned char>(*hit);
}

// The token as an upper-case word in out (at most 13 bytes), its length;
// 0 for tokens that cannot be operators.
int opword(const TK* t, char* out) {
    if (!t || (t->flags & (TK_APOS | TK_QUOT | TK_HEX | TK_USED | TK_DELIM)) || t->len < 1 || t->len > 13)
        return 0;
    for (int i = 0; i < t->len; ++i) out[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(t->text[i])]);
    out[t->len] = 0;
    return t->len;
}

// The code of token t as an operator: "<" or ">" with "=" written directly
// before or after it in the statement text counts as "<=" or ">=".
int tokop(const TK* t) {
    char w[16];
    int n = opword(t, w);
    if (!n) return 0;
    if (n == 1 && (w[0] == '<' || w[0] == '>') && t->src) {
        bool after = t->src[1] == '=' || (t->flags & TK_EQSIGN);
        bool before = t->prev && t->src[-1] == '=';
        if (after || before) return w[0] == '<' ? CC_LE : CC_GE;
    }
    return opcode(w, n);
}

// Find and consume the operator of the element: the first unused token at
// or after start that is an operator word.  NOT followed by another
// operator negates that one.  Returns the code, or EQ when none is written.
int findop(CMV* c, CN* n, TK* start) {
    for (TK* t = start ? start : c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        int code = tokop(t);
        if (!code) continue;
        tkc = t;
        tokdel();
        if (code == CC_NE && t->len == 3) {  // NOT before another operator
            TK* nx = tokdata();
            if (int c2 = nx ? tokop(nx) : 0) {
                n->cflags ^= CF_NOT;
                tkc = nx;
                tokdel();
                return c2;
            }
        }
        if (code == CC_EQ || code == CC_NE) {  // "=" split from "<" or ">" is taken with it
            if (TK* nx = tokdata(); nx && nx->len == 1 && nx->text[0] == '=') {
                tkc = nx;
                tokdel();
            }
        }
        return code;
    }
    return CC_EQ;
}

// ---------------------------------------------------------------------------
// Operands
// ---------------------------------------------------------------------------

// Whether the operand is a subroutine argument in the @-form.
bool isarg(const FLD* f) { return f && f->pkind == PK_ARGN; }

// Whether the operand has a length.
bool haslen(const FLD* f) { return f && f->lkind != 0; }

// The first operand as a field after P/POS, with its range or length flags.
int firstfield(CMV* c, CN* n) {
    int rc = tvlgk(&n->fld1, kModeField);
    if (rc) return rc;
    FLD* f = n->fld1;
    f->pflags |= FP_PFX;
    if ((f->lflags & FL_DECL) && !(f->dcl && (f->dcl->flags & DCL_NUM))) {
        f->lkind = 0;
        f->len = 0;
        f->lflags &= ~FL_DECL;
    }
    if (!f->lkind && tokdata()) {
        rc = tvlgk(&n->fld1, kModeMore);
        if (rc) return rc;
    }
    if (f->lkind && isitarit(f) == 0) n->cflags |= (f->lkind == PK_POS2 || (f->lflags & FL_POS2)) ? CF_RANGE : CF_LEN;
    (void)c;
    return 0;
}

// A counter of the run as the first operand: records read (IN, INCOUNT,
// REC) or the listing line (LINE), an 8-byte native integer.
void counter(CMV* c, CN* n, bool line) {
    fldkill(c, &n->fld1);
    fldmake(c, &n->fld1);
    FLD* f = n->fld1;
    f->pkind = line ? PK_LINE : PK_IN;
    f->lkind = PK_REC;
    f->len = 8;
    f->type = FD_INT64;
    f->pflags |= FP_NUM;
}

// The first operand of tvlgi: a class word, or a field.
int firstop(CMV* c, CN* n) {
    if (char* k = tokfk("NUM,NUMERIC,ALPHA,ALPHANUM,ALPHANUMERIC,HEX,HEXA,HEXADEC,OCT,OCTA,OCTAL")) {
        char u = k[0];
        n->typ2 = u == 'N' ? CC_NUM : u == 'H' ? CC_HEXA : u == 'O' ? CC_OCT : std::strlen(k) == 5 ? CC_ALPHA : CC_ALNUM;
        return 0;
    }
    if (tokt("P,POS")) return firstfield(c, n);
    if (tokt("ANY")) {
        fldkill(c, &n->fld1);
        fldmake(c, &n->fld1);
        n->fld1->pkind = PK_REC;
        n->fld1->pos = 0;
        n->fld1->lkind = PK_ANY;
        n->cflags |= CF_SEARCH;
        return 0;
    }
    if (char* k = tokfk("IN,INCOUNT,REC,LINE,EOF,DIR,DATA")) {
        char u = k[0];
        if (u == 'D') return tokbadn(1);  // directory states come with directory files
        if (u == 'E') n->typ2 = CC_EOF;
        else counter(c, n, u == 'L');
        return 0;
    }
    // A declared variable that is no number is tested as the field it is.
    if (TK* t = tokdata(); t && (t->flags & TK_WORD) && !(t->flags & (TK_APOS | TK_QUOT)))
        if (const DCL* d = dclfind(t->text, t->len); d && !(d->flags & DCL_NUM)) return firstfield(c, n);
    int rc = tvlgk(&n->fld1, kModeAny);
    if (rc) {
        if (TK* t = tokdata()) tkc = t;
        return tokbadn(8);
    }
    n->cflags |= CF_LEN;
    setfltv(n->fld1);
    return 0;
}

// Whether the element tests a counter.
bool iscounter(const CN* n) { return n->fld1 && (n->fld1->pkind == PK_IN || n->fld1->pkind == PK_LINE); }

// The second operand of setelem3 into slot.  Returns 0, or the
// error (reported); *done is set when NULL settled the element.
int secondop(CMV* c, CN* n, FLD** slot, bool* done) {
    if (tokt("P,POS")) {
        int rc = tvlgk(slot, kModePos2);
        if (!rc) {
            (*slot)->pflags |= FP_PFX;
            return 0;
        }
        tokrest();
        return tvlgk(slot, kModeChar);
    }
    if (n->fld1 && n->fld1->pkind == PK_AT && slot == &n->fld2) {
        if (tokt("NULL,NUL")) {
            *done = true;
            if (n->typ2 == CC_EQ) n->typ2 = CC_NULL;
            else if (n->typ2 == CC_NE) n->typ2 = CC_NOTNULL;
            else return tokbadn(157);
            return 0;
        }
    }
    long mode = kModeValue;
    if (iscounter(n)) mode &= ~GK_LIT;
    if (n->typ2 >= CC_NUM) mode &= ~GK_NUMLIT;
    TK* at = tokdata();
    int rc = tvlgk(slot, mode);
    if (rc) {
        if (at) tkc = at;
        return tokbadn(rc);
    }
    (void)c;
    return 0;
}

// ---------------------------------------------------------------------------
// Options and agreement
// ---------------------------------------------------------------------------

// PTR @name: the @-name that receives the position a search found.
int ptropt(CMV* c, CN* n) {
    if (!tokf("PTR")) return 0;
    TK* t = tokdata();
    if (!t || t->len < 2 || t->text[0] != '@' || (t->flags & (TK_SPLIT | TK_APOS | TK_QUOT | TK_HEX))) {
        if (t) tkc = t;
        return tokbadn(128);
    }
    for (int i = 0; i < t->len; ++i)
        if (t->text[i] == '+' || t->text[i] == '-') {
            tkc = t;
            return tokbadn(128);
        }
    std::uint8_t keep = c->atuse;
    c->atuse = AT_KIND_RECV;
    n->ptr = atmake(t->text, t->len);
    c->atuse = keep;
    tkc = t;
    if (!n->ptr) return tokbadn(128);
    tokdel();
    return 0;
}

// The element options of setelem3: PTR, STEP, REVERSE, the fill character and CASEI,
// and what they make of a range or search.
int options(CMV* c, CN* n) {
    if (ptropt(c, n)) return c->errnum;
    if (tokf("STEP")) {
        TK* t = tokdata();
        long long v = 0;
        if (t && !(t->flags & (TK_APOS | TK_QUOT | TK_HEX))) {
            auto [p, ec] = std::from_chars(t->text, t->text + t->len, v);
            if (ec != std::errc{} || p != t->text + t->len) v = 0;
        }
        if (t) tkc = t;
        if (v <= 0 || v > 0x7FFFFFFF) return tokbadn(9);
        tokdel();
        n->step = static_cast<std::int32_t>(v);
        n->cflags |= CF_STEP | CF_SEARCH;
    }
    if (tokf("REVERSE,REV")) n->cflags |= CF_REV | CF_SEARCH;
    if (chkfill(&n->cfill)) n->cflags |= CF_FILL;
    if (c->errnum) return c->errnum;
    if (tokf("CASEI")) n->cflags |= CF_CASEI;
    if ((n->cflags & CF_RANGE) && !(n->cflags & CF_FILL)) n->cflags |= CF_SEARCH;
    if (n->cflags & CF_SEARCH) {
        if (n->cflags & CF_FILL) return seterr(130);
        if (!n->ptr) {
            std::uint8_t keep = c->atuse;
            c->atuse = AT_KIND_RECV;
            n->ptr = atmake("@", 1);
            c->atuse = keep;
        }
    }
    return 0;
}

// Whether the token is one unquoted number.
bool plainnum(const TK* t) {
    if (!t || (t->flags & (TK_APOS | TK_QUOT | TK_HEX)) || t->len < 1) return false;
    char c0 = t->text[0];
    return (c0 >= '0' && c0 <= '9') || c0 == '-' || c0 == '+';
}

// The agreement of setelem3: both operands numeric, or both character.
int agree(CMV* c, CN* n, TK* second) {
    int a1 = isitarit(n->fld1);
    if (c->errnum) return c->errnum;
    int a2 = isitarit(n->fld2);
    if (c->errnum) return c->errnum;
    if (a1 == 1 && a2 == 1) {
        n->cflags |= CF_ARITH;
        return 0;
    }
    if (a1 == -1 || a2 == -1 || a1 == a2) return 0;
    // A numeric literal against characters was meant as characters ('5'
    // or 5 against a field of unstated length), unless the field has a
    // written length and the number stands unquoted.
    TK* num = a2 == 1 && n->fld2 && n->fld2->pkind == PK_LIT ? second : nullptr;
    if (num && !(n->fld1->pflags & FP_ATFORM)) {
        if ((n->cflags & CF_LEN) && !(n->cflags & CF_SEARCH) && plainnum(num)) return seterr(134);
        // The number was meant as characters: parse it again as such.
        fldkill(c, &n->fld2);
        c->tkcur = num;
        tokrest();
        int rc = tvlgk(&n->fld2, kModeChar);
        if (n->fld2) n->fld2->pflags &= ~FP_NUM;
        return rc;
    }
    return seterr(134);
}

// The missing lengths of setelem3: lengths the operands lack.
int lengths(CN* n) {
    FLD* f1 = n->fld1;
    FLD* f2 = n->fld2;
    if (isarg(f1) && !f1->lkind) f1->lkind = PK_PCB;
    if (isarg(f2) && !f2->lkind) f2->lkind = PK_PCB;
    bool l1 = haslen(f1), l2 = haslen(f2);
    if (!l1 && !l2) return seterr(69);
    bool searchy = (n->cflags & (CF_SEARCH | CF_STEP | CF_REV | CF_FILL)) != 0;
    if ((!l1 || !l2) && searchy && !(n->cflags & CF_RANGE) && !(f1 && f1->lkind == PK_ANY)) return seterr(129);
    if (!l1) f1->lkind = PK_COMRG;
    if (!l2) f2->lkind = PK_FT;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// The element and the condition
// ---------------------------------------------------------------------------

// The operator, second operand and options of the current element, whose
// first operand (if any) is parsed.  Returns the pending error.
int setelem3(CMV* c, TK* start) {
    CN* n = c->cncur;
    if (!n->typ2) n->typ2 = findop(c, n, start);
    tkc = c->tkhead;  // the operand is the first word not used yet
    tkc = tokdata();
    bool nofirst = !n->fld1 || n->fld1->pkind == 0;
    FLD** slot = nofirst ? &n->fld1 : &n->fld2;
    bool done = false;
    TK* second = tokdata();
    if (secondop(c, n, slot, &done) || done) return c->errnum;
    setfltv(*slot);
    if (n->typ2 > CC_ZEROS) return c->errnum;
    if (options(c, n)) return c->errnum;
    if (nofirst) return c->errnum;
    if (agree(c, n, second)) return c->errnum;
    lengths(n);
    return c->errnum;
}

// 1 when the operand is numeric (marked FP_NUM), 0 for characters, -1 for
// a subroutine argument (decided when the statement runs).  A binary
// operand longer than 8 bytes or of no fixed length is error 133; a type
// that has no numeric value is error 135.
int isitarit(FLD* f) {
    if (!f) return 0;
    if (isarg(f)) return -1;
    bool numdcl = f->dcl && (f->dcl->flags & DCL_NUM);
    if ((f->type == 0 || f->type == FD_CHAR || f->type >= FD_NTS) && !(f->pflags & FP_NUM) && !numdcl) return 0;
    f->pflags |= FP_NUM;
    switch (f->type) {
    case FD_PTR:
    case FD_CHAR:
    case FD_PACKED:
    case FD_FLOAT:
    case FD_ZONED:
    case FD_INT64:
        return 1;
    case FD_BIN:
        if (f->lkind == PK_REC && f->len > 0 && f->len <= 8) return 1;
        return seterr(133), 0;
    default:
        if (f->type >= FD_NTS) return 1;
        return seterr(135), 0;
    }
}

// A numeric declared variable used as a number (position kind 5): its
// terms are evaluated in floating point, except binary terms of 7 bytes
// or more; character terms become kind 5 at position 0.
int setfltv(FLD* f) {
    if (!f || f->pkind != PK_DCLV) return 0;
    for (FLD* t = f; t; t = (t->pflags & FP_MORE) ? t->next : nullptr) {
        if (!(t->type == FD_BIN && t->len >= 7)) t->pflags |= FP_FLOAT;
        if (t->type == FD_CHAR) {
            t->pkind = PK_DCLV;
            t->pos = 0;
        }
    }
    return 0;
}

namespace {

// A list of comparands: further elements, each joined by AND with
// the same first operand and file.  An element whose operator is EQ is
// error 8; so is a single word left over, which would otherwise be
// reported only as unused.
int comparands(CMV* c, CN* first) {
    CN* n = first;
    if ((n->cflags & (CF_SEARCH | CF_REGEXP)) || n->typ2 == CC_EQ || n->typ2 >= CC_DIR) return 0;
    while (c->tkcnt >= 1 && !c->errnum) {
        tkc = c->tkhead;
        TK* start = tokdata();
        if (!start) break;
        if (iscounter(first) && inlist("FILE,F", start->text, start->len, nullptr)) break;
        if (n == first) stmtseq(c);  // the condition itself before its elements join the chain
        CN* e = cnmake(c);
        e->typ1 = CN_AND;
        e->selid = -1000 - c->selcnt;
        e->fld1 = first->fld1;
        e->nflags |= CNF_SHARED1;  // the first element owns the operand
        e->file = first->file;
        e->step = 1;
        e->cfill = ' ';
        e->cflags = first->cflags & (CF_LEN | CF_RANGE);
        e->lineno = first->lineno;
        e->typ2 = findop(c, e, start);
        if (e->typ2 == CC_EQ) return tokbadn(8);
        setelem3(c, start);
        n = e;
    }
    return c->errnum;
}

// Argument sides: a subroutine argument takes the other operand's length.
int argsides(CN* n) {
    bool a1 = isarg(n->fld1) && n->fld1->lkind == PK_PCB;
    bool a2 = isarg(n->fld2) && n->fld2->lkind == PK_PCB;
    if (a1 && a2) return seterr(69);
    if (a1) n->fld1->lkind = PK_COMRG;
    if (a2) n->fld2->lkind = PK_FT;
    return 0;
}

// The rest of the statement: a file-state or counter test takes the file
// definition; a class or counter test a trailing NOT (a second is 225).
int leftover(CMV* c, CN* n, bool wasnot) {
    bool state = n->typ2 >= CC_DIR && n->typ2 <= CC_EOF;
    bool cnt = iscounter(n);
    bool cls = n->typ2 >= CC_NUM;
    if ((cls || cnt) && tokf("NOT")) {
        if (wasnot) return tokbadn(225);
        n->cflags ^= CF_NOT;
    }
    if ((state || cnt) && tokdata()) {
        tokt("FILE,F");
        if (FFREC* f = tvlfa(c)) {
            for (CN* e = n; e; e = e->next)
                if (e == n || (e->typ1 == CN_AND && e->fld1 == n->fld1)) e->file = f;
        }
    }
    return c->errnum;
}

}  // namespace

// The condition of the current statement with its connective: one or more
// elements.  Returns 0; errors through seterr.
int tvlgi(CMV* c, int connective) {
    CN* n = c->cncur;
    n->typ1 = connective;
    n->selid = -(c->selcnt < 1 ? 1 : c->selcnt);
    n->step = 1;
    n->cfill = ' ';
    if (connective == CN_IF || connective == CN_ELSEIF) cmsw2 &= ~(SW2_ONCE | SW2_OR);
    if (connective == CN_OR) cmsw2 |= SW2_OR;
    tkc = c->tkhead;
    tkc = tokdata();
    if (tvlgk(&n->fld1, GK_TYPE | GK_DEFC) < 0 || c->errnum) return 0;
    bool wasnot = false;
    if (tokt("NOT")) {
        n->cflags |= CF_NOT;
        wasnot = true;
    }
    TK* start = tokdata();
    if (tokf("REGEXP,REGX,RGX")) {
        tkc = c->tkcur;
        tokbadn(1);  // regular expressions come with their own step
        return 0;
    }
    if (tokf("MATCHLEN,MLEN")) {
        if (tvlgk(&n->fmlen, kModeMlen)) return 0;
        n->cflags |= CF_SEARCH;
    }
    if (firstop(c, n)) return 0;
    if (n->fld1 && n->fld1->pkind == 0 && n->typ2 < CC_NUM) fldkill(c, &n->fld1);
    if (n->typ2 == 0 || n->typ2 >= CC_NUM) {
        if (!start || (start->flags & TK_USED)) start = tokdata();
        if (setelem3(c, start)) return 0;
    }
    if (comparands(c, n) || argsides(n) || leftover(c, n, wasnot)) return 0;
    if (iscounter(n) && n->typ2 == CC_EQ && n->fld2 && n->fld2->pkind == PK_LIT) n->nflags |= CNF_CNTTEST;
    return 0;
}
