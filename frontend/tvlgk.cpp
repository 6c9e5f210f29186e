// Field operands: compiles one operand of a control statement (a record
// field, a value, a literal, an edit mask) from the statement's tokens into
// an operand descriptor FLD.
//
// Exports: tvlgk (one operand, in the forms the caller's mode bits allow),
// fldmake, fldkill, fldfrsh (descriptor records), fldmult (a field list),
// fmtchk (an FMT edit mask), qfdchk (length of a query field or database
// column).  Called by statement analysis, conditions, operation arguments,
// declarations and file definitions.  Calls tvlvn for position and length
// expressions, the token primitives, the conversions cvcp and cvcf for
// packed and float literals, ttab_ae for EBC literals, the memory manager
// and seterr.
//
// Written forms (a record position is held 0-based in pos):
//   P 10 LEN 5     pkind 1, pos 9; lkind 1, len 5
//   P 10,20        pkind 1, pos 9; lkind 1, len 11 (FL_POS2)
//   10 AT 50       pkind 1, pos 49; lkind 1, len 10 (FP_ATFORM)
//   @P,@Q+2        pkind 4; lkind 6 with the end position in sub
//   'AB' EBC       pkind 19, literal C1 C2, type 3
//   -5.50 (packed) pkind 19, literal 05 5D, digits 2, scale 1, type 4
//
// Literal storage: the literal's bytes, then a NUL that is not counted, in
// a block of length + 9 bytes tagged "lit" ("<lit" under GK_LITTAG).
//
// Divisions: token helpers; descriptor records; literals; attributes;
// the steps of tvlgk; masks and field lists.
#include "frontend/frontend.h"
#include "driver/driver.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Operation codes (CN_TYP2) whose operands are compiled differently.
constexpr int kOpAdd = 45, kOpDiv = 48, kOpMult = 47, kOpAssign = 50;
constexpr int kOpTran = 54, kOpConv = 55, kOpCvdt = 56, kOpChop = 57, kOpGosub = 59;
constexpr int kOpPrint = 89, kOpLog = 91;

// EQU marks of a consumed substituted token (see the tokenizer).
constexpr std::uint32_t kEqMarks = 0x100 | 0x200 | 0x400;
constexpr std::uint32_t kEqDone = 0x4000;

// Work record of one tvlgk call.
struct GKWK {
    CMV*  cmv;       // the run context
    CN*   cn;        // the statement node being compiled
    FLD** target;    // the caller's slot
    FLD*  first;     // first FLD of the chain
    FLD*  cur;       // the FLD being filled
    long  mode;      // mode bits of the call
    int   ntok;      // unused tokens of the statement at entry
    TK*   tok;       // token cursor at entry
    TK*   lastdel;   // last deleted token at entry
    TK*   tkerr;     // blamed token at entry
    std::vector<TK*>* unused;  // tokens unused at entry (GK_TRY undo)
    std::vector<TK*>* vtok;    // tokens the position expression consumed
    int   counted;   // lengths counted (length keyword, AT form, second position)
    bool  pfx;       // a P/POS prefix was written
    TK*   attrdel;   // last deleted token before the attributes
};

// ---------------------------------------------------------------------------
// Token helpers
// ---------------------------------------------------------------------------

bool quoted(const TK* t) { return (t->flags & (TK_APOS | TK_QUOT)) != 0; }

// The next data token, or null; the empty token that may close the chain
// is none.
TK* nexttok() {
    TK* t = tkc ? tokdata() : nullptr;
    return t && t->len == 0 && !quoted(t) ? nullptr : t;
}

// Whether the (unquoted) token is one of the comma-separated keywords.
bool kwis(const TK* t, std::string_view list) {
    if (!t || quoted(t) || t->len < 1) return false;
    std::string_view v(t->text, t->len);
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        if (list.substr(0, comma) == v) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// "=" and brackets cannot begin an operand.
bool isoper(const TK* t) {
    if (t->flags & (TK_LPAR | TK_RPAR)) return true;
    return !quoted(t) && t->len == 1 && t->text[0] == '=';
}

// The first unused data token after t in the chain, or null.
TK* unusedafter(TK* t) {
    for (t = t->next; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM))) return t;
    return nullptr;
}

void giveback(CMV* c, TK* t) { gkgive(c, t); }

void giveall(CMV* c, const std::vector<TK*>& v) {
    for (TK* t : v) giveback(c, t);
    if (!v.empty()) tkc = v.front();
}

// The unused data tokens of the statement, in order.
void snap(CMV* c, std::vector<TK*>& v) {
    v.clear();
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next)
        if (!(t->flags & (TK_USED | TK_DELIM))) v.push_back(t);
}

// Of the tokens in before, those used since.
void usedsince(const std::vector<TK*>& before, std::vector<TK*>& out) {
    out.clear();
    for (TK* t : before)
        if (t->flags & TK_USED) out.push_back(t);
}

// Whether the word of token t is one of the comma-separated keywords of
// list, letters compared without regard to case.
bool kwci(const TK* t, std::string_view list) {
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view e = list.substr(0, comma);
        bool hit = static_cast<int>(e.size()) == t->len;
        for (std::size_t i = 0; hit && i < e.size(); ++i)
            hit = ttab_uc[static_cast<unsigned char>(e[i])] == ttab_uc[static_cast<unsigned char>(t->text[i])];
        if (hit) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// Find a keyword of list anywhere in the statement (quoted tokens, literals,
// used tokens and pieces of split words are passed over) and consume it;
// the cursor stays where it was unless the keyword was the current token.
// Returns the keyword's token, or null.
TK* gkfind(CMV* c, const char* list) {
    constexpr std::uint32_t kSkip = TK_APOS | TK_QUOT | TK_HEX | TK_USED | TK_DELIM | 0x20000;
    TK* save = tkc;
    for (TK* t = c->tkhead; t && !(t->flags & TK_END); t = t->next) {
        if ((t->flags & kSkip) || t->len == 0 || !kwci(t, list)) continue;
        tkc = t;
        tokdel();
        tkc = (!save || save == t) ? unusedafter(t) : save;
        return t;
    }
    return nullptr;
}

// Consume token t wherever it stands; the cursor stays where it was unless
// t was the current token.
void takeat(TK* t) {
    TK* save = tkc;
    tkc = t;
    tokdel();
    if (save && save != t) tkc = save;
}

int op(const GKWK& w) { return w.cn ? w.cn->typ2 : 0; }
bool isprintop(const GKWK& w) { return op(w) >= kOpPrint && op(w) <= kOpLog; }
bool assignsrc(const GKWK& w) { return op(w) == kOpAssign && w.cmv->opndix == 2; }
// The source operand of a conversion from character or zoned text.
bool convfromchar(const GKWK& w) {
    int src = w.cn ? (w.cn->arg >> 4) : 0;
    return op(w) == kOpConv && w.cmv->opndix == 2 && (src == FD_CHAR || src == FD_ZONED);
}

// ---------------------------------------------------------------------------
// Descriptor records
// ---------------------------------------------------------------------------

void fldinit(CMV* c, FLD* f) {
    std::memset(f, 0, sizeof(FLD));
    f->owner = c;
    f->scale = -1;
    f->pflags = FLD_FRESH;
    f->lflags = FLD_FRESH;
    f->fill = ' ';
}

// Free what hangs from f: sub and next chains, the owned literal.
void fldparts(CMV* c, FLD* f) {
    if (f->sub) fldkill(c, &f->sub);
    if (f->next) fldkill(c, &f->next);
    if ((f->pflags & FP_OWNLIT) && f->lit) cblgcorf(c->gccb, &f->lit, "lit");
    f->lit = nullptr;
}

// Clear the position and length halves of f, keeping its attributes.
void fldclrpos(CMV* c, FLD* f) {
    std::int32_t type = f->type, style = f->style, digits = f->digits, scale = f->scale;
    std::uint32_t keep = f->pflags & (FP_TYPED | FP_NUM | FP_PFX);
    fldparts(c, f);
    fldinit(c, f);
    f->type = type, f->style = style, f->digits = digits, f->scale = scale;
    f->pflags |= keep;
}

}  // namespace

// Give back a consumed token: unused again and counted again (a substituted
// token gets its substitution marks back).
void gkgive(CMV* c, TK* t) {
    if (!(t->flags & TK_USED)) return;
    t->flags &= ~(TK_USED | TK_BAD);
    if (t->flags & kEqDone) t->flags = (t->flags & ~kEqDone) | kEqMarks;
    ++c->tkcnt;
}

// A fresh FLD in slot: scale -1, both flag words FLD_FRESH.  A record
// already in the slot is reused when it is still fresh.
int fldmake(CMV* c, FLD** slot) {
    if (!slot) errlogic(9301);
    FLD* f = *slot;
    if (f) {
        if (!(f->pflags & FLD_FRESH) || !(f->lflags & FLD_FRESH)) errlogic(9304);
        fldparts(c, f);
    } else {
        f = static_cast<FLD*>(cblgcore(c->gccb, sizeof(FLD), 0, "FLD"));
    }
    fldinit(c, f);
    *slot = f;
    return 0;
}

// Free the FLD in slot with its sub and next chains and owned literals;
// records of another run context are left alone.  The slot becomes null.
void fldkill(CMV* c, FLD** slot) {
    if (!slot || !*slot) return;
    FLD* f = *slot;
    if (f->owner != c) { *slot = nullptr; return; }
    fldparts(c, f);
    cblgcorf(c->gccb, slot, "FLD");
}

// Free the parts of the FLD in slot and make it fresh again in place.
void fldfrsh(CMV* c, FLD** slot) {
    if (!slot || !*slot) return;
    fldparts(c, *slot);
    fldinit(c, *slot);
}

// The length of an operand that came from a query field or database
// column without a length: 0, no such definition (query fields and
// columns come with the data-base links).
long qfdchk(FLD* f) {
    if (!f || !(f->pflags & (FP_FDE | FP_QFD))) return 0;
    return 0;
}

namespace {

int chkattr(GKWK& w);

// ---------------------------------------------------------------------------
// Literals
// ---------------------------------------------------------------------------

// The literal's text with the minus sign the tokenizer split off put back:
// when the text has no sign and the token before it ends with "-".
int setsign(const TK* t, char* out, int size) {
    int n = t->len;
    bool addminus = n > 0 && t->text[0] != '+' && t->text[0] != '-' && t->prev &&
                    t->prev->len > 0 && t->prev->text[t->prev->len - 1] == '-';
    if (n + 2 > size) return -1;
    int k = 0;
    if (addminus) out[k++] = '-';
    std::memcpy(out + k, t->text, n);
    out[k + n] = 0;
    return k + n;
}

// A decimal literal as packed decimal into out (at most 16 bytes): scale is
// the digits after the point without its trailing zeros, digits the digits
// without leading zeros (at least 1), length digits / 2 + 1 bytes.  A
// negative literal gets the sign nibble D.  Returns the length, or -1.
int fixdec(FLD* f, const TK* t, unsigned char* out) {
    char s[64];
    int n = setsign(t, s, sizeof s);
    if (n < 1) return -1;
    int i = 0;
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') neg = s[i++] == '-';
    char num[64];
    int k = 0, point = -1;
    for (; i < n; ++i) {
        char ch = s[i];
        if (ch == ' ' || ch == ',') continue;
        if (ch == '.' && point < 0) { point = k; continue; }
        if (ch >= '0' && ch <= '9') { num[k++] = ch; continue; }
        if (point < 0) return -1;  // a non-digit before the point
        break;                     // non-digits after the point end the literal
    }
    if (point >= 0) while (k > point && num[k - 1] == '0') --k;
    int scale = point >= 0 ? k - point : 0;
    int lead = 0;
    while (lead < k - scale && num[lead] == '0') ++lead;
    int digits = k - lead;
    if (digits < 1) digits = 1, lead = k > 0 ? k - 1 : 0;
    if (digits > 31) return -1;
    char txt[48];
    int m = 0;
    txt[m++] = neg ? '-' : '+';
    for (int d = lead; d < k; ++d) {
        if (point >= 0 && d == point) txt[m++] = '.';  // also ahead of the first digit: 0.01
        txt[m++] = num[d];
    }
    if (k == 0) txt[m++] = '0';
    int plen = digits / 2 + 1;
    if (cvcp(reinterpret_cast<char*>(out), plen, scale, txt, m) != 0) return -1;
    if (neg) out[plen - 1] = static_cast<unsigned char>((out[plen - 1] & 0xF0) | 0x0D);
    f->digits = static_cast<std::int32_t>(digits);
    f->scale = scale;
    return plen;
}

// A zoned literal's text: a leading sign kept, the leading zeros after it
// dropped, at least one digit left.
int zonedtext(const TK* t, char* out) {
    int n = t->len, i = 0, k = 0;
    if (n > 0 && (t->text[0] == '+' || t->text[0] == '-')) out[k++] = t->text[i++];
    while (i < n - 1 && t->text[i] == '0') ++i;
    std::memcpy(out + k, t->text + i, n - i);
    return k + n - i;
}

// EBC or EBCDIC after a character literal translates it to EBCDIC; ASC or
// ASCII leaves it as it is.
void litconv(FLD* f) {
    if (tokt("EBC,EBCDIC")) cbltrtab(f->lit, f->lit, f->litlen, ttab_ae.data());
    else tokt("ASC,ASCII");
}

// Store a literal of the kind (an FD_TYPE; 0: as written) in the current
// FLD: kinds 2 and 12 from the number already parsed, the others from the
// next data token.  0, or 5 (no token), 136 (bad float), 204 (bad decimal).
int storarg(GKWK& w, int kind) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    unsigned char tmp[300];
    const unsigned char* data = tmp;
    long n = 0;
    TK* t = nullptr;
    if (kind == FD_PTR || kind == FD_INT64) {
        long long v;
        if (__builtin_add_overflow(f->pos, 1LL, &v)) return 7;
        std::memcpy(tmp, &v, 8);
        n = 8;
    } else {
        t = nexttok();
        if (!t || (t->flags & TK_USED) || isoper(t)) return 5;
        data = reinterpret_cast<const unsigned char*>(t->text);
        n = t->len;
        if (!(t->flags & TK_HEX) && kind == FD_ZONED) {
            if (n > 260) return 204;
            n = zonedtext(t, reinterpret_cast<char*>(tmp));
            data = tmp;
        } else if (!(t->flags & TK_HEX) && kind == FD_FLOAT) {
            char s[64];
            int m = setsign(t, s, sizeof s);
            if (m < 1 || cvcf(reinterpret_cast<char*>(tmp), 8, FD_STYL_DOUBLE, s, m) != 0) return 136;
            data = tmp;
            n = 8;
            f->style = FD_STYL_DOUBLE;
        } else if (!(t->flags & TK_HEX) && kind == FD_PACKED) {
            n = fixdec(f, t, tmp);
            if (n < 0) return 204;
            data = tmp;
        }
    }
    if ((f->pflags & FP_OWNLIT) && f->lit) cblgcorf(c->gccb, &f->lit, "lit");
    auto* lit = static_cast<unsigned char*>(
        cblgcore(c->gccb, n + 9, 0, (w.mode & GK_LITTAG) ? "<lit" : "lit"));
    std::memcpy(lit, data, n);
    lit[n] = 0;
    f->lit = lit;
    f->litlen = f->len = n;
    f->pkind = PK_LIT;
    f->lkind = PK_REC;
    f->pos = 0;
    f->pflags = FP_OWNLIT | FP_LIT400 | FP_LIT | (f->pflags & (FP_TYPED | FP_NUM | FP_PFX));
    f->lflags = FLD_FRESH;
    if (kind) f->type = kind;
    if (kind && kind != FD_CHAR) f->pflags |= FP_NUM;
    if (t) takeat(t);
    if (kind == 0 || kind == FD_CHAR) litconv(f);
    if (kind == FD_PTR || kind == FD_INT64) return chkattr(w);
    return 0;
}

// The literal fallback: a quoted literal, a subroutine argument name, an
// unquoted word as a character literal; else 42 (under GK_QLIT) or 7.
int setlitv(GKWK& w) {
    CMV* c = w.cmv;
    giveall(c, *w.vtok);
    w.vtok->clear();
    fldclrpos(c, w.cur);
    TK* t = nexttok();
    if (t && quoted(t) && (w.mode & GK_QLIT)) {
        int rc = storarg(w, 0);
        if (rc) return rc;
        rc = chkattr(w);
        if (!w.cur->type) w.cur->type = FD_CHAR;
        return rc;
    }
    int ix = t && !quoted(t) && (t->flags & TK_WORD) ? argfind(c, t->text, t->len) : -1;
    if (ix >= 0) {  // a subroutine argument: the operand passed in that place
        takeat(t);
        w.cur->pkind = PK_ARGN;
        w.cur->lkind = PK_PCB;
        w.cur->argix = static_cast<std::uint8_t>(ix);
        return 0;
    }
    if (w.mode & GK_LIT) return storarg(w, FD_CHAR);
    return (w.mode & GK_QLIT) ? 42 : 7;
}

// A number or @-name as its own value: an @-name gives its pointer (type 2,
// length 8); a number becomes a packed literal (GK_DEFP, packed arithmetic,
// unless bin) or an 8-byte binary literal of type 2.
int setptr(GKWK& w, bool bin = false) {
    FLD* f = w.cur;
    if (f->pkind == PK_AT) {
        f->type = FD_PTR;
        f->lkind = PK_REC;
        f->len = 8;
        return chkattr(w);
    }
    bool packed = !bin && ((w.mode & GK_DEFP) ||
                  (op(w) >= kOpAdd && op(w) <= kOpDiv && f->type == FD_PACKED) ||
                  (w.cn && (w.cn->gkflags & CN_GK_PACKED)));
    if (packed) {  // the number's token is taken back and read as packed
        TK* t = w.cmv->tkcur;
        if (t) gkgive(w.cmv, t), tkc = t;
        return storarg(w, FD_PACKED);
    }
    return storarg(w, FD_PTR);
}

// ---------------------------------------------------------------------------
// Attributes
// ---------------------------------------------------------------------------

// The run's default float style: option DEFFP, else IEEE big-endian.
int deffp(CMV* c) { return c->optp && c->optp->deffp ? c->optp->deffp : 13; }

// TYPE x: a data type, or a print form in print statements.  0 or 79.
int attrtype(GKWK& w) {
    TK* v = nexttok();
    if (!v || quoted(v) || v->len < 1 || v->len > 2) return 79;
    char a = v->text[0], b = v->len == 2 ? v->text[1] : 0;
    int dtype = 0, pform = 0;
    switch (a) {
    case 'B': dtype = FD_BIN, pform = 22; break;
    case 'C': dtype = FD_CHAR, pform = 20; break;
    case 'D': pform = b == 0 ? 14 : b == 'X' ? 15 : b == 'A' ? 16 : b == 'E' ? 17 : 0; break;
    case 'H': pform = 21; break;
    case 'M': pform = (b == 0 || b == 'C' || b == 'P') ? 23 : 0; break;
    case 'N': pform = 19; break;
    case 'S': pform = 11; break;
    case 'F': dtype = FD_FLOAT; break;
    case 'P': dtype = FD_PACKED; break;
    case 'U': dtype = FD_UPACKED; break;
    case 'Z': dtype = FD_ZONED; break;
    default: return 79;
    }
    if (b && a != 'D' && a != 'M') return 79;
    if (!dtype && !pform) return 79;
    takeat(v);
    FLD* f = w.cur;
    if (!dtype) {  // a print form
        if (!isprintop(w) || (w.cn->gkflags & CN_GK_PRTYPE)) return 79;
        w.cn->sub = pform;
        w.cn->gkflags |= CN_GK_PRTYPE;
        return 0;
    }
    if (isprintop(w) && pform && (f->pkind == 0 || (f->pflags & FP_TYPED))) {
        w.cn->sub = pform;
        return 0;
    }
    if (f->pflags & FP_TYPED) return 0;  // the first data type counts
    f->type = dtype;
    f->pflags |= FP_TYPED;
    if (dtype != FD_CHAR) f->pflags |= FP_NUM;
    if (dtype == FD_FLOAT) {
        if (tokt("BIN,BFP,NAT,NATIVE")) f->style = 13;
        else if (tokt("HEX,HFP")) f->style = 11;
        else f->style = deffp(w.cmv);
    }
    return 0;
}

// STYLE x: one letter of the styles.  0 or 79.
int attrstyle(GKWK& w) {
    constexpr std::string_view kStyles = "IABJDTNF";  // styles 1 to 8
    TK* v = nexttok();
    if (!v || quoted(v) || v->len != 1) return 79;
    std::size_t k = kStyles.find(v->text[0]);
    if (k == std::string_view::npos) return 79;
    takeat(v);
    w.cur->style = static_cast<std::int32_t>(k + 1);
    return 0;
}

// SCALE n: 0 to twice the length less 1 (31 places without a fixed
// length).  0 or 207.
int attrscale(GKWK& w) {
    TK* v = nexttok();
    FLD* f = w.cur;
    if (!v || quoted(v)) return 207;
    long long n = 0;
    auto [p, ec] = std::from_chars(v->text, v->text + v->len, n);
    if (ec != std::errc{} || p != v->text + v->len) return 207;
    long long limit = (f->lkind == PK_REC && f->len > 0 && f->len <= 16) ? 2 * f->len - 1 : 31;
    if (n < 0 || n > limit) return 207;
    takeat(v);
    f->scale = static_cast<std::int32_t>(n);
    return 0;
}

// The simple form: the default type of the mode bits, or a TYPE word of one
// letter anywhere in the statement, which stays there for the statement's
// own parser.  Returns the attributes found.
int attrsimple(GKWK& w) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    int type = (w.mode & GK_DEFP) ? FD_PACKED : (w.mode & GK_DEFB) ? FD_BIN
             : (w.mode & GK_DEFC) ? FD_CHAR : 0;
    int found = 0;
    if (TK* kw = gkfind(c, "TYPE,TY")) {
        TK* v = unusedafter(kw);
        constexpr std::string_view kLetters = "BCFPUZ";
        constexpr int kTypes[] = {FD_BIN, FD_CHAR, FD_FLOAT, FD_PACKED, FD_UPACKED, FD_ZONED};
        std::size_t k = v && !quoted(v) && v->len == 1 ? kLetters.find(v->text[0]) : std::string_view::npos;
        if (k != std::string_view::npos) {
            type = kTypes[k];
            found = 1;
            if (w.cn) {
                w.cn->gkflags |= CN_GK_TYPE;
                w.cn->deftype = type;
            }
        }
        TK* save = tkc;
        giveback(c, kw);
        tkc = save && save->prev == kw ? kw : save;
    }
    if (type) f->type = type;
    return found;
}

// The attributes after an operand, in any order: TYPE, FMT, STYLE, SCALE.
// 0, or the error of the first bad one (79, 207, 195, 122).
int chkattr(GKWK& w) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    long m = w.mode;
    if (!(m & (GK_TYPE | GK_STYLE | GK_FMT)) || (f->pflags & FP_PTRV)) return 0;
    if (!(m & ~(GK_TYPE | GK_STYLE | GK_DEFC | GK_DEFB | GK_DEFP))) return attrsimple(w), 0;
    for (;;) {
        int rc = 0;
        if ((m & GK_TYPE) && tokt("TYPE,TY")) rc = attrtype(w);
        else if ((m & GK_FMT) && kwis(nexttok(), "FMT,FMAT,FORMAT")) {
            if (!fmtchk(f, 1)) rc = c->errnum ? c->errnum : 195;
        } else if ((m & GK_STYLE) && tokt("STYLE")) rc = attrstyle(w);
        else if (tokt("SCALE")) rc = attrscale(w);
        else break;
        if (rc) return rc;
    }
    if (w.cn && (op(w) == kOpConv || op(w) == kOpTran) && !(f->pflags & FP_TYPED)) {
        int code = w.cn->arg;
        bool side = (c->opndix == 1 && (code & 15) == FD_FLOAT) || (c->opndix == 2 && (code >> 4) == FD_FLOAT);
        if (side) f->type = FD_FLOAT, f->style = deffp(c);
    }
    if (!f->type && w.cn && w.cn->deftype && f->lkind) f->type = w.cn->deftype;
    return 0;
}

// A length was given: a position of 0 or less cannot have one (75, unless
// GK_NOLEN); then the attributes.
int chklen(GKWK& w) {
    if ((w.cur->pflags & FP_LE0) && !(w.mode & GK_NOLEN)) return 75;
    return chkattr(w);
}

// ---------------------------------------------------------------------------
// The steps of tvlgk
// ---------------------------------------------------------------------------

// Declared variables in the chain take the declaration's attributes and
// length.  0 or 206.
int gkdcl(GKWK& w) {
    for (FLD* t = w.cur; t; t = (t->pflags & FP_MORE) ? t->next : nullptr) {
        DCL* d = t->dcl;
        if (!d) continue;
        t->type = d->type, t->style = d->style, t->digits = d->digits, t->scale = d->scale;
        if (t->pkind == PK_DCLV) {
            t->lkind = PK_REC, t->len = d->len, t->lflags |= FL_DECL;
        } else if (t->pflags & FP_MORE) {
            t->lkind = PK_LINE;
        } else if (w.pfx && op(w) == kOpAssign && w.cmv->opndix == 1) {
            t->lkind = PK_COMRG;
        } else {
            if (t->pos < d->pos || t->pos >= d->pos + d->len) return 206;
            t->lkind = PK_REC, t->len = d->pos + d->len - t->pos, t->lflags |= FL_DECL;
        }
    }
    return 0;
}

// The position parsed so far is the length of the form length AT position.
void attolen(FLD* f) {
    for (FLD* t = f; t; t = (t->pflags & FP_MORE) ? t->next : nullptr) {
        t->lkind = t->pkind;
        t->len = t->pos + (t->pkind == PK_REC ? 1 : 0);
        t->lat = t->pat;
        t->lflags |= t->pflags & (FP_MORE | FP_SUBTR);
        if (t->lkind == PK_REC && t->len < 1) t->lflags |= FL_LE0;
        t->pkind = 0, t->pos = 0, t->pat = nullptr;
        t->pflags &= ~(FP_SUBTR | FP_LE0);
    }
}

// Length AT (or FROM, INTO) position.  1 when the form was found (with *rc
// its result), else 0.
int gkatform(GKWK& w, int* rc) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    long m = w.mode;
    *rc = 0;
    if (!(m & GK_AT) || c->tkcnt < 2 || w.pfx || (f->pflags & (FP_DCL | FP_VNAME)) || (f->lflags & FL_DECL))
        return 0;
    char list[24] = "AT";
    if (m & GK_FROM) std::strcat(list, ",FR,FROM");
    if (m & GK_INTO) std::strcat(list, ",INTO");
    bool found = tokt(list) != nullptr;
    TK* resume = nullptr;  // where the operand goes on after a keyword found further on
    if (!found && (m & GK_ANYWHERE) && (m & (GK_FROM | GK_INTO))) {
        TK* kw = gkfind(c, (m & GK_FROM) ? ((m & GK_INTO) ? "FR,FROM,INTO" : "FR,FROM") : "INTO");
        if (kw && tkc != unusedafter(kw)) {
            resume = tkc;
            tkc = unusedafter(kw);
        }
        found = kw != nullptr;
    }
    if (!found) return 0;
    attolen(f);
    f->pflags &= ~FP_MORE;
    int r = tvlvn(c, &w.cur, VN_POS);
    if (resume) tkc = (resume->flags & TK_USED) ? unusedafter(resume) : resume;
    if (r == 0 && (f->pflags & FP_LE0)) r = 9;
    if (r == 0) {
        f->pflags |= FP_ATFORM;
        ++w.counted;
        w.mode &= ~GK_TRY;
        r = chkattr(w);
    }
    *rc = r;
    return 1;
}

// A length keyword and a length expression.  0, or the error.
int gklenkw(GKWK& w) {
    CMV* c = w.cmv;
    long m = w.mode;
    if (w.counted || !(m & GK_POS)) return 0;
    int rc = chkattr(w);
    if (rc) return rc;
    const char* list = (m & GK_LENSHORT) ? ((m & GK_NOL) ? "LEN,LENGTH" : "LEN,LENGTH,L")
                                         : ((m & GK_NOL) ? "LEN,LENGTH,LRECL,RECSIZE" : "LEN,LENGTH,L,LRECL,RECSIZE");
    TK* kw = nullptr;
    if (m & GK_LENNEXT) { if (tokt(list)) kw = c->tkcur; }
    else kw = gkfind(c, list);
    if (!kw) return (w.pfx && !(m & GK_POS2)) ? 69 : 0;
    rc = tvlvn(c, &w.cur, VN_LEN);
    if (rc == 7 && (kwis(kw, "L") || kwis(kw, "LRECL"))) {  // it was a value name
        giveback(c, kw);
        tkc = kw;
        if (c->errnum == 7) c->errnum = 0;
        return 0;
    }
    if (rc) return rc;
    ++w.counted;
    return chklen(w);
}

// Whether a second position may follow.
bool p2elig(GKWK& w) {
    if (!(w.mode & GK_POS2)) return false;
    TK* t = nexttok();
    return t && !quoted(t) && !isoper(t) && !kwis(t, "P,POS");
}

// Same kind, same @-name, no further terms: the distance of two positions.
bool samekind(const FLD* a, const FLD* b) {
    return a->pkind == b->pkind && a->pat == b->pat && !(a->pflags & FP_MORE) && !(b->pflags & FP_MORE);
}

// The form position,position.  0, or the error.
int gkpos2(GKWK& w) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    if (w.counted || !p2elig(w)) return 0;
    std::vector<TK*> before, took;
    snap(c, before);
    FLD* s = nullptr;
    fldmake(c, &s);
    std::int16_t err = c->errnum;
    if (tvlvn(c, &s, VN_POS2) != 0) {  // no second position: skip this form
        usedsince(before, took);
        giveall(c, took);
        c->errnum = err;
        fldkill(c, &s);
        return 0;
    }
    if ((w.mode & GK_RECPOS) && s->pkind != PK_REC) { fldkill(c, &s); return 7; }
    if (samekind(f, s)) {
        long long d;
        if (f->pkind == PK_LIT)
            d = static_cast<long long>(reinterpret_cast<std::uintptr_t>(s->lit) -
                                       reinterpret_cast<std::uintptr_t>(f->lit));
        else if (__builtin_sub_overflow(s->pos, f->pos, &d))
            d = -1;
        cblgcorf(c->gccb, &s, "fldu");
        if (d < 0 || d == INT64_MAX) return 74;
        f->lkind = PK_REC, f->len = d + 1, f->lflags |= FL_POS2;
    } else {
        f->sub = s;
        f->lkind = PK_POS2;
        f->lflags = (f->lflags | FL_POS2) & ~FL_DECL;
    }
    ++w.counted;
    return chklen(w);
}

// The operand without a length that is not a field: a declared
// variable, a value, or a literal.
int gknolen(GKWK& w) {
    CMV* c = w.cmv;
    FLD* f = w.cur;
    long m = w.mode;
    if (f->dcl || qfdchk(f)) { f->lflags |= FL_DECL; return 0; }
    if (f->pflags & FP_VNAME) return 0;  // a value name keeps its kind
    if (f->pkind <= PK_AT && ((m & GK_VALUE) || (f->pkind == PK_REC && (m & GK_NUMLIT)))) {
        if (f->pkind == PK_AT) {
            for (FLD* t = f; t; t = (t->pflags & FP_MORE) ? t->next : nullptr) {
                bool dclptr = t->dcl && t->dcl->type == FD_PTR;
                if (t->pkind > PK_AT && t->pkind != PK_ARGN && !dclptr) return 137;
                t->pflags |= FP_PTRV;
            }
            return setptr(w);
        }
        if (f->pkind == PK_REC) {
            const std::vector<TK*>& v = *w.vtok;
            bool wasquoted = v.size() == 1 && quoted(v[0]);
            bool binary = v.size() == 1 && (v[0]->flags & TK_HEX);
            if (op(w) == kOpGosub && !(wasquoted && (m & GK_QLIT))) return setptr(w);
            if ((m & GK_NUMLIT) && !binary && !convfromchar(w)) return setptr(w);
        }
    }
    c->tkcur = w.attrdel;
    if (assignsrc(w) && f->pkind == PK_AT) return 221;
    return setlitv(w);
}

// Steps 11 to 14 (also the entry of GK_MORE).
int gktail(GKWK& w) {
    int rc = gkpos2(w);
    if (rc) return rc;
    FLD* f = w.cur;
    w.attrdel = w.cmv->tkcur;
    rc = chkattr(w);
    if (rc) return rc;
    if (w.counted || f->lkind) return 0;
    if (!(w.mode & GK_FIELD)) return gknolen(w);
    const std::vector<TK*>& v = *w.vtok;
    if (v.size() == 1 && quoted(v[0]) && !(v[0]->flags & TK_HEX) && f->pkind == PK_REC &&
        !(f->pflags & FP_MORE) && !kwis(v[0]->prev, "P,POS")) {
        giveall(w.cmv, v);
        fldclrpos(w.cmv, f);
        return storarg(w, FD_CHAR);
    }
    return 0;
}

// After the position: what may follow a parsed position.
int gkafter(GKWK& w) {
    FLD* f = w.cur;
    long m = w.mode;
    int rc = gkdcl(w);
    if (rc) return rc;
    if ((m & GK_RECPOS) && f->pkind != PK_REC) return 7;
    if (f->pkind == PK_REC && (m & GK_NUMLIT) && !(m & (GK_POS | GK_POS2 | GK_AT))) return setptr(w, true);
    if ((f->pflags & FP_LE0) && !(m & GK_NOLEN)) {
        if (m & (GK_VALUE | GK_NUMLIT)) return setptr(w);
        const std::vector<TK*>& v = *w.vtok;
        bool lastq = !v.empty() && quoted(v.back());
        if ((m & GK_LIT) || ((m & GK_QLIT) && lastq)) return setlitv(w);
        return 9;
    }
    if (gkatform(w, &rc)) return rc;
    rc = gklenkw(w);
    if (rc) return rc;
    return gktail(w);
}

// The position: the position expression and what its result means.
int gkposition(GKWK& w) {
    CMV* c = w.cmv;
    std::vector<TK*> before;
    snap(c, before);
    int rc = tvlvn(c, &w.cur, VN_POS);
    usedsince(before, *w.vtok);
    if (rc == 7) {
        if (c->errnum) return 7;  // a sign without a term, reported by tvlvn
        if (assignsrc(w) && (w.cur->pflags & FP_MORE)) return 7;
        return setlitv(w);
    }
    if (rc == -6 || rc == -7) {
        if (!(w.mode & GK_NUMLIT) || convfromchar(w)) return setlitv(w);
        int kind = rc == -6 ? ((w.mode & GK_DEFP) ? FD_PACKED : FD_FLOAT)
                            : ((op(w) == kOpMult || op(w) == kOpDiv) ? FD_ZONED : FD_PACKED);
        rc = storarg(w, kind);
        return rc ? rc : chkattr(w);
    }
    if (rc) return rc;
    return gkafter(w);
}

// Steps 2 to 9 of tvlgk.
int gkbody(GKWK& w) {
    CMV* c = w.cmv;
    long m = w.mode;
    constexpr long kLenOnlyOk = GK_LENONLY | GK_TYPE | GK_STYLE | GK_FMT | GK_LENNEXT;
    if ((m & GK_POS) && (m & GK_LITPOS)) return 2;
    if ((m & GK_LENONLY) && (m & ~kLenOnlyOk)) return 2;
    if ((m & GK_LIT) && *w.target && (*w.target)->pkind) return 2;
    if (!(m & ~(GK_TYPE | GK_DEFC | GK_DEFB | GK_DEFP))) {
        if (!*w.target) fldmake(c, w.target);
        w.first = w.cur = *w.target;
        return -attrsimple(w);  // the count, as a non-positive result
    }
    TK* t = nexttok();
    if (!t || isoper(t)) return 5;
    if (!*w.target) fldmake(c, w.target);
    w.first = w.cur = *w.target;
    if (m & GK_MORE) {
        w.mode |= GK_FIELD;
        return gktail(w);
    }
    if (m & GK_LENONLY) {
        int rc = tvlvn(c, &w.cur, VN_LEN);
        return rc ? rc : chkattr(w);
    }
    if ((m & GK_QFIRST) && quoted(t)) return storarg(w, FD_CHAR);
    if ((m & GK_NOW) && kwis(t, "NOW")) {
        takeat(t);
        w.cur->pkind = PK_NOW, w.cur->lkind = PK_REC, w.cur->len = 8, w.cur->style = 7;
        return 0;
    }
    if ((m & GK_LITPOS) && c->tkcnt >= 2 && kwis(t, "P,POS")) {
        takeat(t);
        w.mode = (w.mode & ~GK_LITPOS) | GK_POS;
        w.pfx = true;
        w.cur->pflags |= FP_PFX;
    }
    if (!(w.mode & (GK_POS | GK_VALUE | GK_POS2 | GK_FIELD | GK_AT | GK_NUMLIT))) return setlitv(w);
    return gkposition(w);
}

// Undo a tentative parse: the tokens, the cursor, the FLD and the error.
void gkundel(GKWK& w) {
    CMV* c = w.cmv;
    for (TK* t : *w.unused) {
        giveback(c, t);
        t->flags &= ~TK_BAD;
    }
    tkc = w.tok;
    c->tkcur = w.lastdel;
    c->tkerr = w.tkerr;
    c->errnum = 0;
    if (w.first) fldfrsh(c, &w.first);
}

// Finish with error rc: reported, or under GK_TRY undone.
int gkret(GKWK& w, int rc) {
    if (rc <= 0) return -rc;
    if (w.mode & GK_TRY) {
        gkundel(w);
        return rc;
    }
    if (w.cmv->errnum == 0) {
        seterr(rc);
        if (tkc) {
            tkc->flags |= TK_BAD;
            w.cmv->tkerr = tkc;
        }
    }
    return rc;
}

}  // namespace

// Compile one operand into the FLD in slot (made when the slot is empty),
// in the forms that the mode bits (GK_*) allow.  Returns 0, the error
// number (reported through seterr, or under GK_TRY undone and not
// reported), or, when only attributes were asked for, their count.
int tvlgk(FLD** slot, long mode) {
    CMV* c = cm;
    if (c->errnum) return c->errnum;
    std::vector<TK*> unused, vtok;
    GKWK w{c, c->cncur, slot, nullptr, nullptr, mode, c->tkcnt, tkc, c->tkcur, c->tkerr,
           &unused, &vtok, 0, false, c->tkcur};
    if (mode & GK_TRY) snap(c, unused);
    return gkret(w, gkbody(w));
}

// ---------------------------------------------------------------------------
// Masks and field lists
// ---------------------------------------------------------------------------

namespace {

// Classify a mask literal: hexadecimal (x becomes X) or decimal (z and Z
// become 0, s and + become S; digits and scale from a single point).  0, or
// 122 for too many decimal points.
int maskclass(FLD* owner, FLD* mask) {
    int nx = 0, nd = 0, points = 0;
    std::string_view dec = "sSzZ+-09";
    for (long i = 0; i < mask->litlen; ++i) {
        char ch = static_cast<char>(mask->lit[i]);
        if (ch == 'x' || ch == 'X') ++nx;
        else if (dec.find(ch) != std::string_view::npos) ++nd;
        if (ch == '.') ++points;
    }
    if (nx >= nd) {
        for (long i = 0; i < mask->litlen; ++i)
            if (mask->lit[i] == 'x') mask->lit[i] = 'X';
        mask->pflags |= FP_HEXMASK;
        return 0;
    }
    bool intowner = owner && (owner->type == FD_PTR || (owner->dcl && owner->dcl->type == FD_BIN));
    if (points > 1 || (points == 1 && intowner)) return 122;
    int digits = 0, after = 0;
    bool seen = false;
    for (long i = 0; i < mask->litlen; ++i) {
        unsigned char& ch = mask->lit[i];
        if (ch == 'z' || ch == 'Z') ch = '0';
        else if (ch == 's' || ch == '+') ch = 'S';
        if (ch == '.') seen = true;
        if (ch == '9' || ch == '0') {
            ++digits;
            if (seen) ++after;
        }
    }
    if (owner) owner->pflags |= FP_NUM;
    if (points == 1) {
        mask->digits = digits;
        mask->scale = after;
    }
    return 0;
}

}  // namespace

// FMT (FMAT, FORMAT) and its mask operand for owner (or alone when owner is
// null); next non-zero: the keyword must be the next token, else it may
// stand anywhere.  Returns the mask FLD, or null (no keyword, or an error:
// 195 FMT given twice, 122 too many decimal points).
FLD* fmtchk(FLD* owner, int next) {
    CMV* c = cm;
    CN* cn = c->cncur;
    bool found = next ? tokt("FMT,FMAT,FORMAT") != nullptr : gkfind(c, "FMT,FMAT,FORMAT") != nullptr;
    if (!found) return nullptr;
    if (owner && (owner->sub || (owner->lflags & FL_FMT))) {
        seterr(195);
        return nullptr;
    }
    if (owner && !(owner->pflags & FP_TYPED) && owner->type != FD_PTR && !owner->dcl) owner->type = FD_CHAR;
    long mode = GK_QFIRST | GK_LIT | GK_AT | GK_POS2;
    int opc = cn ? cn->typ2 : 0;
    if (opc == kOpGosub) mode &= ~GK_POS2;
    FLD* mask = nullptr;
    if (tvlgk(&mask, mode) != 0) {
        fldkill(c, &mask);
        return nullptr;
    }
    if (opc != kOpCvdt && (mask->pflags & FP_LIT) && mask->lit) {
        if (maskclass(owner, mask) != 0) {
            seterr(122);
            fldkill(c, &mask);
            return nullptr;
        }
    }
    if (owner) {
        owner->sub = mask;
        owner->lflags |= FL_FMT;
        if (!owner->lkind) owner->lkind = PK_REC, owner->len = 1, owner->lflags |= FL_DECL;
    }
    return mask;
}

namespace {

// TYPE after a field of a list (outside CHOP/PARSE): a print form sets the
// statement's print type; a data type is error 79.
int listtype(CMV* c) {
    if (!tokt("TYPE,TY")) return 0;
    TK* v = nexttok();
    CN* cn = c->cncur;
    int opc = cn ? cn->typ2 : 0;
    if (!v || quoted(v) || opc < kOpPrint || opc > kOpLog) return 79;
    std::string_view t(v->text, v->len);
    constexpr struct { std::string_view w; int pt; } kForms[] = {
        {"D", 14}, {"DX", 15}, {"DA", 16}, {"DE", 17}, {"H", 21}, {"M", 23},
        {"MC", 23}, {"MP", 23}, {"N", 19}, {"S", 11}, {"C", 20}, {"B", 22}};
    for (const auto& f : kForms)
        if (f.w == t) {
            takeat(v);
            cn->sub = f.pt;
            return 0;
        }
    return 79;
}

// The mode of the next field of a list, by the word before it.
long listmode(bool chop, bool* lenonly) {
    constexpr long kBase = GK_TYPE | GK_LENNEXT | GK_STYLE | GK_FMT;
    *lenonly = false;
    if (tokt("FR,FROM")) return kBase | GK_POS | GK_POS2 | GK_FIELD | GK_AT | GK_QLIT;
    if (tokt("P,POS")) return kBase | GK_POS;
    TK* t = nexttok();
    if (t && !quoted(t) && dclfind(t->text, t->len)) return kBase | GK_POS | GK_FIELD;
    if (tokt("L,LRECL,LEN,LENGTH,RECSIZE")) {
        *lenonly = true;
        return kBase | GK_LENONLY;
    }
    return chop ? GK_VALUE : GK_VALUE | GK_QLIT;
}

// One field of a list into *slot.  0 or the error (reported).
int listfield(CMV* c, FLD** slot, bool chop) {
    bool lenonly;
    long mode = listmode(chop, &lenonly);
    int rc = tvlgk(slot, mode);
    if (rc) return rc;
    if (lenonly) {
        tokt("FR,FROM");
        if (nexttok() && (rc = tvlgk(slot, GK_FIELD)) != 0) return rc;
    } else if (!(mode & GK_TYPE)) {
        if (!chop) fmtchk(*slot, 1);
        if (!chop && (rc = listtype(c)) != 0) { seterr(rc); return rc; }
    }
    FLD* f = *slot;
    if (f->dcl && f->dcl->type == FD_PTR) f->pkind = PK_WORK, f->pos = f->dcl->pos;
    if (!f->lkind) f->lkind = f->pkind == PK_ARGN ? PK_PCB : PK_END, f->len = 0;
    if (!f->pkind) f->pkind = PK_REC;
    if (chop && (f->pflags & FP_MORE)) { seterr(216); return 216; }
    return c->errnum;
}

}  // namespace

// A field list: one field per remaining group of tokens, appended to the
// chain in slot.  Returns the number of fields parsed.
int fldmult(CMV* c, FLD** slot) { return fldmultn(c, slot, 0x7FFFFFFF); }

// As fldmult, but at most max fields; the tokens after them stay unused.
int fldmultn(CMV* c, FLD** slot, int max) {
    CN* cn = c->cncur;
    int opc = cn ? cn->typ2 : 0;
    bool chop = opc == kOpChop;
    int n = 0;
    FLD** tail = slot;
    while (*tail) tail = &(*tail)->next;
    while (n < max && nexttok() && c->errnum == 0) {
        std::int16_t before = c->tkcnt;
        if (listfield(c, tail, chop) != 0) break;
        if (c->tkcnt == before) {  // nothing taken: the list cannot go on
            seterr(7);
            break;
        }
        ++n;
        while (*tail) tail = &(*tail)->next;
    }
    // A list laid end to end as bytes (assignments, PRINT, PLOG, LOG, WRITE,
    // UPDATE, INSERT) keeps its fields as record fields: its numbers are
    // edited where they stand, not taken as values.
    bool laid = opc == OP_ASSIGN || (opc >= OP_WRITE && opc <= OP_INSERT) || (opc >= kOpPrint && opc <= kOpLog);
    bool flt = false;  // over the whole chain, also the fields given before
    for (FLD* f = laid ? nullptr : *slot; f; f = f->next)
        if (f->type == FD_FLOAT || f->scale > 0) flt = true;
    if (flt)
        for (FLD* f = *slot; f; f = f->next) f->pflags |= FP_FLOAT;
    return n;
}
