// Value names and positions: parses the position and length expressions of
// operands, and keeps the run's @-names.
//
// Exports: tvlvn (parse a position, second position or length expression
// into an operand descriptor), fldset (add one term), pospfx (was the last
// consumed token P or POS), atmake (find or make an @-name), atupdv (give
// it a value), atupdp (give it an address), atkillc (release every
// @-name), argfind (place of a subroutine argument name), and the
// look-ups qfdfind and fdefind (dclfind is with the declarations).
// Called by the operand parser tvlgk, the run driver (the automatic
// variables LRECL and RETCD) and, at run time, by the actions that set
// @-names.  Calls the token primitives, the memory manager, seterr and
// tvlprt (HEAD prepares the print heading).
//
// An expression is a sum of terms: numbers (decimal, or hexadecimal after
// 0x), EQU labels (their value text is parsed in place, its sign carried),
// declared variables, @-names, value names of the run (matched exactly,
// case included, in position modes only), query fields, database columns
// and subroutine argument names.  Numbers add into the term before them;
// each further named term gets an FLD of its own in the next chain:
//
//   10+@PTR-3  ->  one term: pkind 4 (@PTR), pos 7
//   @P-@Q      ->  term 1: pkind 4 (@P), pos 0, FP_MORE
//                  term 2: pkind 4 (@Q), pos 0, FP_SUBTR
//   20         ->  pkind 1, pos 19 (a record position is held 0-based)
//
// Sums are checked before they are made: a total beyond the signed 64-bit
// range ends the parse with error 7.
//
// Divisions: value-name table; look-ups; terms; tvlvn; @-names.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// ---------------------------------------------------------------------------
// Value-name table
// ---------------------------------------------------------------------------

// Side effects of naming a value name at parse time.
enum class VE : std::uint8_t { none, lrecl, line, head, scale, fhdr };

constexpr long kUX = static_cast<long>(offsetof(CMV, uxb));  // exit interface block in CMV

// One group of value names.  Columns: comma-separated names; POS_TYP code;
// offset (for code 10 into the run context, whose start is CM; for codes
// 11 and 14 into their areas); fixed length of a code-10 field (0: none);
// side effect; special @-name that shares the word (null: none).
struct VNROW {
    const char* names;
    int         code;
    long        offset;
    int         length;
    VE          effect;
    const char* atname;
};

// ORDER VNTAB: the groups in the order the value-name list gives them.
constexpr std::array<VNROW, 45> kValueNames = {{
    {"CN", PK_CN, 0, 0, VE::none, nullptr},
    {"CM", PK_VAREA, 0, 0, VE::none, nullptr},
    {"DATE", PK_VAREA, static_cast<long>(offsetof(CMV, vdate)), 10, VE::none, nullptr},
    {"DATECB", PK_VAREA, static_cast<long>(offsetof(CMV, vdatecb)), 4, VE::none, nullptr},
    {"Diff", PK_DIFF, 0, 0, VE::none, nullptr},
    {"DSN", PK_DSN, 0, 0, VE::none, nullptr},
    {"FSIZE", PK_FSIZE, 0, 0, VE::none, nullptr},
    {"FHDR", PK_FHDR, 0, 0, VE::fhdr, nullptr},
    {"FN,FNAME", PK_FN, 0, 0, VE::none, nullptr},
    {"HEAD", PK_VAREA, static_cast<long>(offsetof(CMV, heading)), 160, VE::head, nullptr},
    {"PgNo,PageCount", PK_VAREA, kUX + 28, 4, VE::none, nullptr},
    {"PARM,PARMS", PK_PARM, 0, 0, VE::none, nullptr},
    {"UXRETCD", PK_VAREA, kUX + 92, 4, VE::none, "RETCD"},
    {"UXREASCD", PK_VAREA, kUX + 84, 4, VE::none, "REASCD"},
    {"UXRETVSAM", PK_VAREA, kUX + 88, 4, VE::none, "RETVSAM"},
    {"UXRETSYS,UXRETCMS,UXRETXV", PK_VAREA, kUX + 80, 4, VE::none, "RETSYS"},
    {"UXADIFF", PK_VAREA, kUX + 56, 8, VE::none, nullptr},
    {"UXATPTR", PK_VAREA, kUX + 40, 8, VE::none, nullptr},
    {"UXINCNT,UXINCOUNT", PK_VAREA, kUX + 0, 8, VE::none, nullptr},
    {"UXLINE", PK_VAREA, kUX + 20, 4, VE::line, nullptr},
    {"UXLRECL", PK_VAREA, kUX + 32, 8, VE::lrecl, "LRECL"},
    {"UXPGNO", PK_VAREA, kUX + 28, 4, VE::none, nullptr},
    {"UXREPLYL", PK_VAREA, kUX + 76, 4, VE::none, "REPLYL"},
    {"COMRG,COMREG", PK_COMRG, 0, 0, VE::none, nullptr},
    {"UPSI", PK_COMRG, 23, 0, VE::none, nullptr},
    {"PCB", PK_PCB, 0, 0, VE::none, nullptr},
    {"STATUS", PK_PCB, 10, 0, VE::none, nullptr},
    {"SEG", PK_PCB, 20, 0, VE::none, nullptr},
    {"FT", PK_FT, 0, 0, VE::none, nullptr},
    {"RPL", PK_RPL, 0, 0, VE::none, nullptr},
    {"SQLDA", PK_SQLDA, 0, 0, VE::none, nullptr},
    {"SQLMA", PK_SQLMA, 0, 0, VE::none, nullptr},
    {"SQLCA", PK_SQLCA, 0, 0, VE::none, nullptr},
    {"VOLID", PK_VOLID, 0, 0, VE::none, nullptr},
    {"RBA", PK_RBA, 0, 0, VE::none, nullptr},
    {"CBLNAME", PK_CBLNAME, 0, 0, VE::none, nullptr},
    {"UXLINEREM", PK_VAREA, kUX + 24, 4, VE::none, nullptr},
    {"UXPD", PK_VAREA, kUX + 8, 4, VE::none, nullptr},
    {"UXPW", PK_VAREA, kUX + 12, 4, VE::none, nullptr},
    {"UXDW", PK_VAREA, kUX + 16, 4, VE::none, nullptr},
    {"ARG,ARGS", PK_ARG, 0, 0, VE::none, nullptr},
    {"NOW", PK_NOW, 0, 0, VE::none, nullptr},
    {"SCALE", PK_SCALE, 0, 0, VE::scale, nullptr},
    {nullptr, 0, 0, 0, VE::none, nullptr},  // spare rows: none
    {nullptr, 0, 0, 0, VE::none, nullptr},
}};

// True when name (n bytes) is one entry of the comma-separated list,
// compared exactly.
bool inwords(std::string_view l, std::string_view name) {
    while (!l.empty()) {
        std::size_t comma = l.find(',');
        if (l.substr(0, comma) == name) return true;
        if (comma == std::string_view::npos) break;
        l.remove_prefix(comma + 1);
    }
    return false;
}

// The value-name row of name, or null.  Names of 14 characters or more are
// never value names.
const VNROW* vnfind(std::string_view name) {
    if (name.empty() || name.size() >= 14) return nullptr;
    for (const VNROW& r : kValueNames)
        if (r.names && inwords(r.names, name)) return &r;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Look-ups
// ---------------------------------------------------------------------------

bool sameci(const char* a, const char* b, int len) {
    for (int i = 0; i < len; ++i)
        if (ttab_uc[static_cast<unsigned char>(a[i])] != ttab_uc[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

// The value text of the EQU label name, or null; a name that is also a
// statement label is not taken as an EQU label.
const EQE* eqlook(CMV* c, std::string_view name) {
    for (LB* l = c->lbhead; l; l = l->next)
        if (l->node && l->namelen == static_cast<int>(name.size()) &&
            sameci(l->name, name.data(), l->namelen))
            return nullptr;
    for (const EQE* e = c->eqehead; e; e = e->next)
        if (e->namelen == static_cast<int>(name.size()) && e->vals &&
            std::memcmp(e->namep, name.data(), name.size()) == 0)
            return e;
    return nullptr;
}

// The value of an EQU entry as one text: its value tokens one after the
// other (a value "-" "5" reads -5).
std::string eqtext(const EQE* e) {
    std::string v;
    for (const TK* t = e->vals; t; t = t->next) v.append(t->text, t->len);
    return v;
}

// ---------------------------------------------------------------------------
// Terms
// ---------------------------------------------------------------------------

constexpr int VN_NOTNUM = -100;  // internal: the text is not a number

// State of one tvlvn call.
struct VNWK {
    CMV*  c;
    FLD** slot;
    int   mode;      // VN_ARGenm with its added bits
    int   sign;      // sign of the next term: +1 or -1
    bool  signseen;  // a sign was read and no term yet follows it
    int   nterms;    // terms parsed
    int   ntok;      // tokens consumed
    int   depth;     // EQU frames in force
    int   negframes; // of those, frames entered with a "-"
    int   ndcl;      // declared variables named
    bool  inquote;   // the token being walked is quoted: numbers only
};

bool lenmode(const VNWK& w) { return (w.mode & VN_LEN) != 0; }

// Whether a term with this sign is subtracted, counting the negative EQU
// frames in force.
bool negsign(const VNWK& w, int sign) { return (sign < 0) != ((w.negframes & 1) != 0); }

FLD* lastterm(FLD* f, bool len) {
    while (f->next && ((len ? f->lflags & FL_MORE : f->pflags & FP_MORE) != 0)) f = f->next;
    return f;
}

// Add one term to the half that the mode names; the term is left in *out.
// 0, or 7 when the sum leaves the 64-bit range.
int vnset(CMV* c, FLD** slot, int kind, long long value, int mode, bool neg, FLD** out) {
    bool len = (mode & VN_LEN) != 0;
    FLD* t = lastterm(*slot, len);
    std::int32_t* tk = len ? &t->lkind : &t->pkind;
    if (*tk > 1 && kind > 1) {  // a second named term: chain a term of its own
        if (len) t->lflags |= FL_MORE; else t->pflags |= FP_MORE;
        if (!t->next) fldmake(c, &t->next);
        FLD* n = t->next;
        if (len) { n->len = t->len; t->len = 0; n->lkind = 0; }
        else     { n->pos = t->pos; t->pos = 0; n->pkind = 0; }
        t = n;
        tk = len ? &t->lkind : &t->pkind;
    }
    if (*tk == 0 || kind != PK_REC) *tk = kind;
    *out = t;
    if (kind == PK_ARGN) {
        t->argix = static_cast<std::uint8_t>(value);
        return 0;
    }
    if (neg) {
        value = -value;  // value is never below -(2^63 - 1) here
        if (kind > PK_REC) { if (len) t->lflags |= FL_SUBTR; else t->pflags |= FP_SUBTR; }
    }
    std::int64_t* acc = len ? &t->len : &t->pos;
    std::int64_t sum;
    if (__builtin_add_overflow(*acc, value, &sum)) return 7;
    *acc = sum;
    return 0;
}

// Side effects of naming a value name.
void vneffect(CMV* c, const VNROW& r) {
    switch (r.effect) {
    case VE::none:  break;
    case VE::lrecl: if (c->cncur) c->cncur->gkflags |= CN_GK_LRECL; break;
    case VE::line:  c->vnsw |= CM_VN_UXLINE; break;
    case VE::head:
        c->prt.flags &= ~PR_HEADOK;      // the heading is prepared again,
        tvlprt(nullptr, 0, PT_PREC, 0);  // at once, with the record-print header lines
        break;
    case VE::scale: c->vnsw |= CM_VN_SCALE; break;
    case VE::fhdr:  c->vnsw |= CM_VN_FHDR; break;
    }
    if (r.atname) atmake(r.atname, 0);
}

// A number of text s (n bytes): its value in *v, or -6 (one point), -7
// (too large), VN_NOTNUM (two points or another character).
int vnnumber(const char* s, int n, long long* v) {
    char buf[48];
    int k = 0, points = 0;
    for (int i = 0; i < n; ++i) points += s[i] == '.';
    if (points > 1) return VN_NOTNUM;
    for (int i = 0; i < n; ++i) {
        char ch = s[i];
        if (ch == ' ' || ch == ',') continue;
        if (k >= 47) return points ? -6 : -7;  // collected as text, up to 47 characters
        buf[k++] = ch;
    }
    int base = 10, from = 0;
    if (k > 2 && buf[0] == '0' && (buf[1] == 'X' || buf[1] == 'x') && points == 0) base = 16, from = 2;
    for (int i = from; i < k; ++i) {
        char ch = buf[i];
        bool ok = (ch >= '0' && ch <= '9') || ch == '.' ||
                  (base == 16 && ((ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f')));
        if (!ok) return VN_NOTNUM;
    }
    if (points) return -6;
    unsigned long long u = 0;
    auto [p, ec] = std::from_chars(buf + from, buf + k, u, base);
    if (ec != std::errc{} || p != buf + k) return -7;  // beyond 64 bits
    unsigned long long limit = base == 16 ? 0x7FFFFFFFull : 0x7FFFFFFFFFFFFFFFull;
    if (u > limit) return -7;
    *v = static_cast<long long>(u);
    return 0;
}

// A number that is no position, after another term: a character literal
// term holding its text (tag "num").
int vnnumlit(VNWK& w, const char* s, int n) {
    FLD* t;
    int rc = vnset(w.c, w.slot, PK_LIT, 0, w.mode, false, &t);
    if (rc) return rc;
    auto* lit = static_cast<unsigned char*>(cblgcore(w.c->gccb, n + 1, 0, "num"));
    std::memcpy(lit, s, n);
    t->lit = lit;
    t->litlen = n;
    t->type = FD_CHAR;
    t->pflags |= FP_LIT | FP_LIT400 | FP_OWNLIT;
    return 0;
}

int vntext(VNWK& w, const char* s, const char* cs, int n);

// A name term: EQU label, declared variable, @-name, value name, query
// field, database column or subroutine argument.  0, 7 (no such name), or
// the error of an EQU value.
int vnname(VNWK& w, const char* s, const char* cs, int n) {
    CMV* c = w.c;
    if (w.inquote) return 7;  // a quoted text names nothing
    bool neg = negsign(w, w.sign);
    std::string_view name(s, n);
    FLD* t;
    if (const EQE* e = eqlook(c, name)) {
        if (w.depth >= 255) return 114;
        int negf = w.sign < 0 ? 1 : 0;
        ++w.depth;
        w.negframes += negf;
        w.sign = 1;
        w.signseen = false;
        std::string v = eqtext(e);
        int rc = vntext(w, v.data(), v.data(), static_cast<int>(v.size()));
        w.negframes -= negf;
        --w.depth;
        return rc;
    }
    bool amp = n > 1 && s[0] == '&';
    if (DCL* d = dclfind(amp ? s + 1 : s, amp ? n - 1 : n)) {
        if (++w.ndcl > 1) return 216;
        bool asnum = (d->flags & DCL_NUM) && !(w.mode & VN_DCLFLD) && !amp;
        int kind = asnum ? PK_DCLV : (d->flags & DCL_INREC) ? PK_REC : PK_WORK;
        int rc = vnset(c, w.slot, kind, asnum ? 0 : d->pos, w.mode, neg, &t);
        if (rc) return rc;
        t->dcl = d;
        if (lenmode(w)) t->lflags |= FL_DCL; else t->pflags |= FP_DCL;
        if (amp) t->pflags |= FP_AMP;
        return 0;
    }
    if (AT* at = (n < 126 && (s[0] == '@' || n < 9)) ? atmake(s, n) : nullptr) {
        at->kind |= c->atuse;
        int rc = vnset(c, w.slot, PK_AT, 0, w.mode, neg, &t);
        if (rc) return rc;
        if (lenmode(w)) t->lat = at; else t->pat = at;
        return 0;
    }
    if (w.mode & (VN_POS | VN_POS2)) {
        if (const VNROW* r = vnfind(std::string_view(cs, n))) {
            bool first = w.nterms == 0;
            int rc = vnset(c, w.slot, r->code, r->offset, w.mode, neg, &t);
            if (rc) return rc;
            if (first) (*w.slot)->pflags |= FP_VNAME;
            vneffect(c, *r);
            return 0;
        }
    }
    if (void* q = qfdfind(s, n)) {
        bool first = !(*w.slot)->qfd;
        int rc = vnset(c, w.slot, PK_REC, 1, w.mode, neg, &t);
        if (rc) return rc;
        if (first) { (*w.slot)->qfd = q; (*w.slot)->pflags |= FP_QFD; }
        return 0;
    }
    void* fde = nullptr;
    if (long off = fdefind(s, n, &fde)) {
        int rc = vnset(c, w.slot, PK_REC, off, w.mode, neg, &t);
        if (rc) return rc;
        if (!lenmode(w) && !(*w.slot)->fde) { (*w.slot)->fde = fde; (*w.slot)->pflags |= FP_FDE; }
        if (c->cncur) c->cncur->gkflags |= CN_GK_DBCOL;
        return 0;
    }
    int ix = argfind(c, s, n);
    if (ix >= 0) {
        int rc = vnset(c, w.slot, PK_ARGN, ix, w.mode, false, &t);
        if (rc) return rc;
        if (t->lkind == 0) t->lkind = PK_PCB;
        return 0;
    }
    return 7;
}

// Walk text s (n bytes; cs the same text in the case it was written) term
// by term.  0, or the first failure (7, 114, 215, 216, -6, -7).
int vntext(VNWK& w, const char* s, const char* cs, int n) {
    int i = 0;
    while (i < n) {
        char ch = s[i];
        if (ch == '+' || ch == '-') {
            if (w.signseen) return 7;  // two signs in a row
            w.sign = ch == '-' ? -1 : 1;
            w.signseen = true;
            ++i;
            continue;
        }
        int j = i + 1;
        while (j < n && s[j] != '+' && s[j] != '-') ++j;
        int rc;
        if (ch >= '0' && ch <= '9') {
            long long v = 0;
            rc = vnnumber(s + i, j - i, &v);
            if (rc == 0) {
                FLD* t;
                rc = vnset(w.c, w.slot, PK_REC, v, w.mode, negsign(w, w.sign), &t);
            } else if ((rc == -6 || rc == -7) && w.nterms > 0) {
                rc = vnnumlit(w, s + i, j - i);
            } else if (rc == VN_NOTNUM) {
                rc = vnname(w, s + i, cs + i, j - i);
            }
        } else {
            rc = vnname(w, s + i, cs + i, j - i);
        }
        if (rc) return rc;
        ++w.nterms;
        w.sign = 1;
        w.signseen = false;
        i = j;
    }
    return 0;
}

// A token held as binary data: its bytes, big-endian, are the number.
int vnbinary(VNWK& w, const TK* t) {
    if (t->len < 1 || t->len > 8) return -7;
    unsigned long long u = 0;
    for (int i = 0; i < t->len; ++i) u = (u << 8) | static_cast<unsigned char>(t->text[i]);
    if (u > 0x7FFFFFFFFFFFFFFFull) return -7;
    FLD* f;
    int rc = vnset(w.c, w.slot, PK_REC, static_cast<long long>(u), w.mode, negsign(w, w.sign), &f);
    if (rc) return rc;
    ++w.nterms;
    w.sign = 1;
    w.signseen = false;
    return 0;
}

bool quoted(const TK* t) { return (t->flags & (TK_APOS | TK_QUOT)) != 0; }

// The next data token, or null; the empty token that may close the chain
// is none.
TK* nextdata() {
    TK* t = tkc ? tokdata() : nullptr;
    return t && t->len == 0 && !quoted(t) ? nullptr : t;
}

// The token's text in the case it was written: the source of a plain word,
// else the value.
const char* casetext(const TK* t) {
    if ((t->flags & TK_WORD) && t->src && t->srclen == t->len) return t->src;
    return t->text;
}

// The date fields of the value area, from the run's date-time block: DATE
// is its text yyyy/mm/dd, DATECB its packed 0yyyydddF at offset 8.
void vdatefill(CMV* c) {
    if (c->vdate[0] || !c->datep) return;
    std::memcpy(c->vdate, c->datep + CBLDATE_TEXT, sizeof c->vdate);
    std::memcpy(c->vdatecb, c->datep + 8, sizeof c->vdatecb);
}

// Finish the expression: 0-based record positions, value-area literals,
// the flags of positions and lengths of 0 or less.
int vnfinish(CMV* c, FLD* h, int mode) {
    if (mode & VN_LEN) {
        if (h->lkind == PK_REC && h->len < 1) h->lflags |= FL_LE0;
        if (h->pkind == PK_LIT) h->litlen = h->len;
        return 0;
    }
    if (h->pkind == PK_REC && !(h->pflags & FP_DCL)) {
        if (h->pos == INT64_MIN) return 7;
        h->pos -= 1;
        if (h->pos < 0) h->pflags |= FP_LE0;
    }
    if (h->pkind == PK_VAREA && !(h->pflags & FP_SUBTR)) {
        if (std::memcmp(c->eyecatch, "*CM*", 4) != 0) return 2;  // no value area
        vdatefill(c);
        const VNROW* row = nullptr;
        for (const VNROW& r : kValueNames)
            if (r.names && r.code == PK_VAREA && r.offset <= h->pos &&
                (!row || r.offset >= row->offset))
                row = &r;
        if (h->pos < 0 || h->pos >= static_cast<long long>(sizeof(CMV))) return 7;
        h->lit = reinterpret_cast<unsigned char*>(c) + h->pos;
        long long fixed = row && row->length ? row->offset + row->length - h->pos : 0;
        h->pkind = PK_LIT;
        h->pflags |= FP_VNAME | FP_LIT;
        h->pos = 0;
        if (fixed > 0 && h->lkind == 0) {
            h->litlen = fixed;
            h->lkind = PK_REC;
            h->len = fixed;
            h->lflags |= FL_DECL;
        }
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// tvlvn
// ---------------------------------------------------------------------------

// Add one term of the given kind and value to the position half (mode 2 or
// 4) or the length half (mode 1) of the operand in slot; sign -1 subtracts.
// 0, or 7 when the sum leaves the 64-bit range.
int fldset(CMV* c, FLD** slot, int kind, long long value, int mode, int sign) {
    FLD* t;
    return vnset(c, slot, kind, value, mode, sign < 0, &t);
}

// Whether the last consumed token was P or POS.
int pospfx(CMV* c) {
    const TK* t = c->tkcur;
    if (!t || quoted(t)) return 0;
    std::string_view v(t->text, t->len);
    return v == "P" || v == "POS";
}

// Parse a position (mode VN_POS), a second position (VN_POS2) or a length
// (VN_LEN) expression from the statement's tokens into the operand in slot
// (made when empty).  Results: 0 success; 7 not a position (when the only
// token taken fails, it is given back); 2 value-area name with no area;
// 114 EQU values nested 256 deep; 215 position or length given twice; 216
// a second declared variable; -6 a number with one decimal point, -7 an
// integer too large for a position (both as the first term, with the
// token left unconsumed for the literal parsers).
int tvlvn(CMV* c, FLD** slot, int mode) {
    if (!*slot) fldmake(c, slot);
    FLD* f = *slot;
    if (mode & VN_LEN) {
        if (f->pkind == PK_WORK || f->pkind == PK_ARGN || (f->lflags & FL_DECL)) {
            f->lkind = 0;
            f->len = 0;
            f->lat = nullptr;
            f->lflags &= ~(FL_DECL | FL_LE0 | FL_DCL);
        } else if (f->lkind) {
            return 215;
        }
    } else if (f->pkind) {
        return 215;
    }
    VNWK w{c, slot, mode, 1, false, 0, 0, 0, 0, 0, false};
    const char* frame = nullptr;  // the substituted EQU value being read under a sign
    int framenegs = 0;
    for (TK* t = nextdata(); t; ) {
        if (frame && !((t->flags & TK_EQCOPY) && t->src == frame)) {
            w.negframes -= framenegs;
            frame = nullptr;
            framenegs = 0;
        }
        if (!frame && w.signseen && (t->flags & TK_EQCOPY)) {
            // The value tokens put in place of an EQU name right after a
            // sign: their own signs count under that sign, as for an EQU
            // label named inside a term (20-LAB with LAB = -5 is 25).  The
            // copies of one name share its place in the text.
            frame = t->src;
            framenegs = w.sign < 0 ? 1 : 0;
            w.negframes += framenegs;
            w.sign = 1;
            w.signseen = false;
        }
        if (w.ntok > 0 && quoted(t) && !(t->flags & TK_HEX) && !(mode & VN_QCONT) && !w.signseen)
            break;
        std::string_view v(t->text, t->len);
        if (w.ntok == 0 && !quoted(t) && (v == "P" || v == "POS")) {
            tkc = t;
            tokdel();
            t = nextdata();
            if (!t) {  // P or POS is the last word: give it back
                tkc = c->tkcur;
                gkgive(c, tkc);
                return 7;
            }
            continue;
        }
        w.inquote = quoted(t);
        int rc = (t->flags & TK_HEX) ? vnbinary(w, t) : vntext(w, t->text, casetext(t), t->len);
        if (rc) return rc;
        tkc = t;
        tokdel();
        ++w.ntok;
        TK* n = nextdata();
        if (w.signseen) {  // a sign ended the token: the next token is its term
            if (!n) { seterr(7); return 7; }
            t = n;
            continue;
        }
        if (!n) break;
        bool signed_ = n->len > 0 && (n->text[0] == '+' || n->text[0] == '-') && !quoted(n);
        if (!signed_ && !(quoted(n) && (mode & VN_QCONT))) break;
        t = n;
    }
    if (w.nterms == 0) return 7;
    return vnfinish(c, f, mode);
}

// The place (from 0) of name in the argument list of the current
// subroutine label, compared exactly, or -1.  An operand holds the place
// in one byte: names after the 256th are no arguments.
int argfind(CMV* c, const char* name, int len) {
    if (!c->lbsub) return -1;
    int ix = 0;
    for (const LBARG* a = c->lbsub->args; a && ix < 256; a = a->next, ++ix)
        if (a->len == len && std::memcmp(a->name, name, len) == 0) return ix;
    return -1;
}

// ---------------------------------------------------------------------------
// Look-ups of later steps
// ---------------------------------------------------------------------------

// Query fields exist only in runs with query files, which come with the
// data-base links; until then no name is one.
void* qfdfind(const char*, int) { return nullptr; }

// Database columns likewise: 0, no column of this name.
long fdefind(const char*, int, void** out) {
    if (out) *out = nullptr;
    return 0;
}

// ---------------------------------------------------------------------------
// @-names
// ---------------------------------------------------------------------------

namespace {

// The special names: groups of synonyms, each ended by ",,"; the last name
// of a group is the canonical one.
constexpr std::string_view kSpecial =
    ",DIFF,,L,RECSIZE,LRECL,,RETCODE,RC,RETCD,,RETCMS,CMSRETCD,RETXV,RETSYS,,REASCD,,RETVSAM,,REPLYL,,";

// The canonical name of the upper-cased name, or an empty view.
std::string_view canonical(std::string_view name) {
    std::size_t g = 1;
    while (g < kSpecial.size()) {
        std::size_t end = kSpecial.find(",,", g);
        if (end == std::string_view::npos) break;
        std::string_view group = kSpecial.substr(g, end - g);
        std::size_t last = group.rfind(',');
        std::string_view canon = last == std::string_view::npos ? group : group.substr(last + 1);
        if (inwords(group, name)) return canon;
        g = end + 2;
    }
    return {};
}

// Properties of a special name.  Columns: canonical name; kind bits;
// offset of its word in the exit interface block; run-context slot.
struct SPECROW {
    std::string_view name;
    std::uint8_t     kind;
    long             word;
    AT* CMV::*       slot;
};
constexpr std::array<SPECROW, 8> kSpecProps = {{
    {"DIFF", 0, 56, &CMV::at_diff},
    {"LRECL", AT_KIND_BOUNDED, 32, &CMV::at_lrecl},
    {"RETCD", AT_KIND_WORD4, 92, &CMV::at_retcd},
    {"RETSYS", AT_KIND_WORD4, 80, &CMV::at_retsys},
    {"REASCD", AT_KIND_WORD4, 84, &CMV::at_reascd},
    {"RETVSAM", AT_KIND_WORD4, 88, &CMV::at_retvsam},
    {"REPLYL", AT_KIND_WORD4, 76, &CMV::at_replyl},
    {"@", AT_KIND_RECPTR, 40, &CMV::at_rec},
}};

void special(CMV* c, AT* at) {
    for (const SPECROW& s : kSpecProps) {
        if (s.name != std::string_view(at->name, at->namelen)) continue;
        at->kind |= AT_KIND_SPECIAL | s.kind;
        if (s.name != "@") at->state |= AT_STATE_SET;
        at->link = kUX + s.word;
        c->*s.slot = at;
        if (s.name == "DIFF") c->vnsw |= CM_VN_DIFF;
        return;
    }
    errlogic(9305);  // a canonical name without properties
}

// Store v in the interface word of at: 4 or 8 bytes, the machine's order.
void atword(CMV* c, const AT* at, long long v) {
    if (!at->link) return;
    char* w = reinterpret_cast<char*>(c) + at->link;
    if (at->kind & AT_KIND_WORD4) {
        auto v4 = static_cast<std::int32_t>(v);
        std::memcpy(w, &v4, 4);
    } else {
        std::memcpy(w, &v, 8);
    }
}

}  // namespace

// Find or make the @-name name (len bytes; 0: NUL-terminated).  A name
// that does not begin with "@" must be a special name and is taken by its
// canonical name (upper-cased).  Names are compared ignoring case.  The
// usage bits of the operand being compiled (CMV.atuse) are added.  Null
// when the name is no @-name.
AT* atmake(const char* name, int len) {
    CMV* c = cm;
    if (len == 0) len = static_cast<int>(std::strlen(name));
    if (len < 1 || len > 125) return nullptr;
    char canon[126];
    int n = len;
    if (name[0] != '@') {
        char up[126];
        for (int i = 0; i < len; ++i) up[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(name[i])]);
        std::string_view cv = canonical(std::string_view(up, len));
        if (cv.empty()) return nullptr;
        n = static_cast<int>(cv.size());
        std::memcpy(canon, cv.data(), n);
    } else {
        std::memcpy(canon, name, n);
    }
    canon[n] = 0;
    AT** tail = &c->athead;
    int seq = 0;
    for (AT* a = c->athead; a; a = a->next, ++seq) {
        if (a->namelen == n && sameci(a->name, canon, n)) {
            a->kind |= c->atuse;
            return a;
        }
        tail = &a->next;
    }
    AT* at = static_cast<AT*>(cblgcore(c->gccb, sizeof(AT), 0, canon));
    at->seq = seq;
    at->state = AT_STATE_NOVAL;
    at->kind = AT_KIND_BASE | c->atuse;
    at->namelen = n;
    std::memcpy(at->name, canon, n + 1);
    if (canon[0] != '@' || n == 1) special(c, at);
    *tail = at;
    return at;
}

// Give the @-name a value (a 1-based position, or a number).  A bounded
// length (LRECL) takes only 0 to the current record's length: another value
// is refused, the last accepted value stays, and the result is 1.  The
// interface word, when the name has one, receives the value (for the
// record pointers the address it stands for).  Otherwise 0.
int atupdv(AT* at, long long value) {
    CMV* c = cm;
    at->state = AT_STATE_NOVAL | AT_STATE_SET;
    if (at->kind & AT_KIND_BOUNDED) {
        if (value < 0 || value > c->curlen) {
            at->value = at->lastok;
            return 1;
        }
        at->lastok = value;
    }
    at->value = value;
    long long word = value;
    if ((at->kind & (AT_KIND_PTR | AT_KIND_RECPTR)) && c->currec)
        word = static_cast<long long>(reinterpret_cast<std::uintptr_t>(c->currec) +
                                      static_cast<std::uint64_t>(value) - 1);
    atword(c, at, word);
    return 0;
}

// Give the @-name the address addr: its value becomes the 1-based position
// of addr in the current record.  An address that lies neither in the
// record nor in the work area marks the name outside.  A null address
// leaves the name without a value.  Returns 0.
int atupdp(AT* at, char* address) {
    CMV* c = cm;
    if (!address) {
        at->value = 0;
        at->state = AT_STATE_NOVAL;
        atword(c, at, 0);
        return 0;
    }
    auto a = reinterpret_cast<std::uintptr_t>(address);
    auto r = reinterpret_cast<std::uintptr_t>(c->currec);
    auto wa = reinterpret_cast<std::uintptr_t>(c->worka);
    at->value = static_cast<long long>(a - r + 1);
    at->state = AT_STATE_NOVAL | AT_STATE_SET;
    bool inwork = c->worka && a >= wa && a - wa < static_cast<std::uintptr_t>(c->worklen);
    if ((!c->currec || at->value < 1 || at->value > c->curlen) && !inwork)
        at->state |= AT_STATE_OUTSIDE;
    atword(c, at, static_cast<long long>(a));
    return 0;
}

// Release every @-name, unless the run keeps them across statements.
// Returns the number released plus 1.
int atkillc(CMV* c) {
    if (c->vnsw & CM_VN_ATKEEP) return 1;
    int n = 1;
    for (AT* a = c->athead; a;) {
        AT* next = a->next;
        cblgcorf(c->gccb, &a, "atc");
        a = next;
        ++n;
    }
    c->athead = nullptr;
    for (const SPECROW& s : kSpecProps) c->*s.slot = nullptr;
    return n;
}
