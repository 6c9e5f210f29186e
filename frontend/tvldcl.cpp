// Declarations: the DCL (DECLARE) statement, the run's list of declared
// variables, and their storage and initial values.
//
// Exports: dcl_rtn (analyse one DCL statement), dcl_set (length, place,
// initial value and role of a new variable), dclmake, dclfind, dcl_ini
// (set a variable's storage to its initial value), dclprep (the dynamic
// area, run preparation), bshift (shift a byte string by 1 to 7 bits).
// Called by statement analysis (tvlctla), the name look-ups of tvlvn and
// tvlgk, and run preparation (tvlaa).  Calls the token primitives, tvlvn
// (POS expressions), fmtchk (FMT masks), the conversions and seterr.
//
// Where a variable lives:
//   - in the dynamic area (the default): a block of its own behind the work
//     record, blank-filled, guarded by "<<WORKDYN end<<"; pos is its offset
//     there.  A POS operand or the fill of the work record never reaches it;
//   - in the record (DCL_INREC, POS n): pos is the 0-based record position;
//   - over another variable (DCL_OVER): the other's place plus the offset,
//     in the other's area (its DCL_INREC or DCL_VAREA and base are copied);
//   - over a value area or a literal (DCL_VAREA): base is the area plus the
//     offset, pos 0.
// The default place of a variable is just after the nearest preceding one
// that lies in the dynamic area on its own (not in the record and not over
// another), so that the dynamic area is their sequence, end to end.
//
// Initial values are kept as literal FLDs of one of four kinds: character
// (type 3, for the string types), a native 64-bit integer (type 12), an
// 8-byte native double (type 6, style 14), and packed decimal (type 4)
// with the variable's scale, extended by appended zero digits when it had
// fewer places.  dcl_ini converts them into the variable's type.
//
// Divisions: list and look-up; parsing the statement; initial values;
// bshift.
#include "frontend/frontend.h"

#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int LE_DCLTYPE = 11001;  // a numeric variable of a type dcl_ini cannot set

constexpr char kDynGuard[16] = "<<WORKDYN end<<";

// ---------------------------------------------------------------------------
// Type words
// ---------------------------------------------------------------------------

// One row per type word: FD_TYPE and default length (0: none, taken from
// the initial value).
struct DTROW {
    const char* words;
    int         type;
    int         len;
};

constexpr DTROW kTypes[] = {
    {"B,BIN", FD_BIN, 4},
    {"F,FP,FLT,FLOAT", FD_FLOAT, 4},
    {"DBL,DOUBLE", FD_FLOAT, 8},
    {"D,DEC", FD_PACKED, 3},
    {"V,VC,VCH,VCHA,VCHAR,VARCHAR", FD_VCHAR2, 126},
    {"C,CHA,CHAR", FD_CHAR, 1},
    {"CHV,CHARV,CHARVARYING", FD_VCHAR4, 126},
    {"Z,ZC,ZCH,ZCHA,ZCHAR,NTS,CHZ,CHAZ,CHARZ,CSTR,CSTRING", FD_NTS, 0},
};

constexpr char kTypeWords[] =
    "B,BIN,F,FP,FLT,FLOAT,DBL,DOUBLE,D,DEC,V,VC,VCH,VCHA,VCHAR,VARCHAR,C,CHA,CHAR,CHV,CHARV,"
    "CHARVARYING,Z,ZC,ZCH,ZCHA,ZCHAR,NTS,CHZ,CHAZ,CHARZ,CSTR,CSTRING";

const DTROW* typerow(const char* word) {
    for (const DTROW& r : kTypes) {
        const char* e = r.words;
        std::size_t n = std::strlen(word);
        while (*e) {
            const char* comma = std::strchr(e, ',');
            std::size_t k = comma ? static_cast<std::size_t>(comma - e) : std::strlen(e);
            if (k == n && std::memcmp(e, word, n) == 0) return &r;
            if (!comma) break;
            e = comma + 1;
        }
    }
    return nullptr;
}

bool stringtype(int t) { return t == FD_CHAR || t == FD_NTS || t == FD_VCHAR2 || t == FD_VCHAR4; }
bool quoted(const TK* t) { return (t->flags & (TK_APOS | TK_QUOT | TK_HEX)) != 0; }

// Bytes a string type adds to its data: the terminator or the length.
int strextra(int t) { return t == FD_NTS ? 1 : (t == FD_VCHAR2 || t == FD_VCHAR4) ? 2 : 0; }

// A variable that makes up the dynamic area on its own.
bool ownplace(const DCL* d) { return !(d->flags & (DCL_INREC | DCL_OVER | DCL_VAREA)); }

// ---------------------------------------------------------------------------
// Parsing the statement
// ---------------------------------------------------------------------------

// An unsigned decimal number of a whole token (or of the part before a
// comma inside it): its value, or -1.
long long tokint(const char* s, int n) {
    if (n < 1 || n > 9) return -1;
    long long v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// "(" n ")" or "(" digits "," scale ")" right after the type word: 0 with
// *n and *s (-1 for none), or 7.
int parenlen(long long* n, long long* s) {
    *n = -1, *s = -1;
    TK* t = tokdata();
    if (!t || !(t->flags & TK_LPAR)) return 0;
    tkc = t;
    tokdel();
    long long vals[2] = {-1, -1};
    int k = 0;
    for (;;) {
        t = tokdata();
        if (!t) return 7;
        tkc = t;
        tokdel();
        if (t->flags & TK_RPAR) break;
        if (t->len == 1 && t->text[0] == ',') continue;
        const char* p = t->text;
        int left = t->len;
        while (left > 0) {  // "5,2" may come as one token
            const char* comma = static_cast<const char*>(std::memchr(p, ',', left));
            int m = comma ? static_cast<int>(comma - p) : left;
            if (m > 0) {
                if (k >= 2) return 7;
                if ((vals[k++] = tokint(p, m)) < 0) return 7;
            }
            if (!comma) break;
            left -= m + 1;
            p = comma + 1;
        }
    }
    if (k == 0) return 7;
    *n = vals[0], *s = vals[1];
    return 0;
}

// The sign, digits and point of a number token (a "-" the tokenizer split
// off into the token before is taken back).  0, or 1 when it is no number.
struct NUMTXT {
    bool neg;
    int  ndig;        // digits, leading zeros of the integer part dropped
    int  places;      // digits after the point, trailing zeros dropped
    char dig[40];     // the digits, without the point
};

int numtext(const TK* t, NUMTXT* n) {
    const char* s = t->text;
    int len = t->len, i = 0;
    n->neg = false, n->ndig = 0, n->places = 0;
    if (len > 0 && (s[0] == '+' || s[0] == '-')) n->neg = s[i++] == '-';
    else if (t->prev && t->prev->len > 0 && t->prev->text[t->prev->len - 1] == '-' && !quoted(t->prev))
        n->neg = true;
    int point = -1, k = 0;
    bool any = false;
    char buf[64];
    for (; i < len; ++i) {
        char ch = s[i];
        if (ch == '.' && point < 0) { point = k; continue; }
        if (ch < '0' || ch > '9' || k >= 63) return 1;
        buf[k++] = ch;
        any = true;
    }
    if (!any) return 1;
    if (point >= 0) while (k > point && buf[k - 1] == '0') --k;
    int places = point >= 0 ? k - point : 0;
    int lead = 0;
    while (lead < k - places && buf[lead] == '0') ++lead;
    if (k - lead > 31) return 1;
    std::memcpy(n->dig, buf + lead, k - lead);
    n->ndig = k - lead;
    n->places = places;
    return 0;
}

// A literal FLD of n bytes of the kind (tag "lit" for the bytes).
FLD* litfld(CMV* c, int type, const void* data, long n) {
    FLD* f = nullptr;
    fldmake(c, &f);
    auto* lit = static_cast<unsigned char*>(cblgcore(c->gccb, n + 1, 0, "lit"));
    std::memcpy(lit, data, n);
    f->lit = lit;
    f->pflags |= FP_OWNLIT;
    f->litlen = f->len = n;
    f->pkind = PK_LIT;
    f->lkind = PK_REC;
    f->type = type;
    f->pflags = FP_OWNLIT | FP_LIT400 | FP_LIT | (type == FD_CHAR ? 0 : FP_NUM);
    f->fill = ' ';
    return f;
}

// A number as packed decimal with the variable's places: the value's own
// packed form, zero digits appended for the places it lacks (a half-byte
// shift for an odd count, a byte for each pair, the sign re-placed).
// 0, 203 (more places than the variable) or 204 (more digits).
int packinit(CMV* c, DCL* d, const NUMTXT& n) {
    int intdig = n.ndig - n.places;
    if (n.places > d->scale) return 203;
    if (intdig > d->digits - d->scale) return 204;
    unsigned char buf[24] = {};
    int digits = n.ndig < 1 ? 1 : n.ndig;
    int plen = digits / 2 + 1;
    for (int i = 0; i < n.ndig; ++i) {  // the digits right-aligned before the sign nibble
        int nib = 2 * plen - 2 - (n.ndig - 1 - i);
        int v = n.dig[i] - '0';
        buf[nib / 2] |= static_cast<unsigned char>(nib % 2 ? v : v << 4);
    }
    unsigned char sign = n.neg ? 0x0D : 0x0C;
    int add = d->scale - n.places;
    buf[plen - 1] &= 0xF0;
    if (add % 2) {  // one zero digit: the digits move left by a half byte
        std::memmove(buf + 1, buf, plen);
        buf[0] = 0;
        bshift(buf, plen + 1, 4, nullptr, 0);
        ++plen;
        if (buf[0] == 0 && plen > 1) std::memmove(buf, buf + 1, --plen);
    }
    for (int i = 0; i < add / 2; ++i) buf[plen++] = 0;  // two zero digits for each byte
    buf[plen - 1] = static_cast<unsigned char>((buf[plen - 1] & 0xF0) | sign);
    d->init = litfld(c, FD_PACKED, buf, plen);
    d->init->digits = digits + add;
    d->init->scale = d->scale;
    return 0;
}

// The initial value after INI or INIT.  0 or the error.
int initval(CMV* c, DCL* d) {
    TK* t = tokdata();
    if (!t) return 5;
    if (d->flags & DCL_VAREA) return 220;
    if (stringtype(d->type)) {
        if (!quoted(t)) return 42;
        tkc = t;
        tokdel();
        d->init = litfld(c, FD_CHAR, t->text, t->len);
        if ((d->type == FD_CHAR || d->type == FD_VCHAR4) && tokt("FILL,FIL")) {
            TK* v = tokdata();
            if (!v || !quoted(v) || v->len != 1) return 46;
            tkc = v;
            tokdel();
            d->init->fill = static_cast<std::uint8_t>(v->text[0]);
        }
        long n = t->len;
        long room = d->len - strextra(d->type);
        if (d->type == FD_NTS && d->len == 0) d->len = n + 1, room = n;  // no length given: the value's
        if (d->type == FD_CHAR && d->len == 1) d->len = n, room = n;
        if (n > room) return 201;
        return 0;
    }
    NUMTXT n;
    bool neg = false;
    if (t->len == 1 && (t->text[0] == '-' || t->text[0] == '+') && !quoted(t)) {  // a sign of its own
        neg = t->text[0] == '-';
        tkc = t;
        tokdel();
        if (!(t = tokdata())) return 5;
    }
    if (quoted(t) || numtext(t, &n)) return d->type == FD_PACKED ? 204 : 7;
    if (neg) n.neg = true;
    tkc = t;
    tokdel();
    if (d->type == FD_PACKED) return packinit(c, d, n);
    if (n.places && d->type == FD_BIN) return 202;
    if (n.places == 0 && n.ndig <= 18) {
        long long v = 0;
        for (int i = 0; i < n.ndig; ++i) v = v * 10 + (n.dig[i] - '0');
        if (n.neg) v = -v;
        d->init = litfld(c, FD_INT64, &v, 8);
        return 0;
    }
    if (d->type == FD_BIN) return 202;
    char txt[48];
    int m = 0;
    if (n.neg) txt[m++] = '-';
    for (int i = 0; i < n.ndig; ++i) {
        if (i == n.ndig - n.places) txt[m++] = '.';
        txt[m++] = n.dig[i];
    }
    if (n.ndig == 0) txt[m++] = '0';
    char dbl[8];
    if (cvcf(dbl, 8, FD_STYL_NAT, txt, m) != 0) return 7;
    d->init = litfld(c, FD_FLOAT, dbl, 8);
    d->init->style = FD_STYL_NAT;
    return 0;
}

// POS: the place in the record, over another variable, or over a value
// area or literal.  0 or the error.
int placeval(CMV* c, DCL* d, std::int64_t defpos) {
    TK* t = tokdata();
    if (t && quoted(t)) {  // over a literal: its bytes are the area
        tkc = t;
        tokdel();
        FLD* lit = litfld(c, FD_CHAR, t->text, t->len);
        d->flags |= DCL_VAREA | DCL_OWNBASE;
        d->base = reinterpret_cast<char*>(lit->lit);
        d->pos = 0;
        lit->lit = nullptr;  // the bytes stay for the run with the variable
        fldkill(c, &lit);
        return 0;
    }
    FLD* f = nullptr;
    int rc = tvlvn(c, &f, VN_POS | VN_DCLFLD);
    if (rc == 0 && (f->pflags & FP_MORE)) rc = 7;
    if (rc == 0 && f->dcl) {
        const DCL* o = f->dcl;
        d->flags |= DCL_OVER | (o->flags & (DCL_INREC | DCL_VAREA));
        d->base = o->base;
        d->pos = f->pos;
        if (ownplace(o) || !(o->flags & (DCL_INREC | DCL_VAREA))) {
            if (d->pos + d->len > defpos) rc = 227;
        }
    } else if (rc == 0 && f->pkind == PK_REC) {
        d->flags |= DCL_INREC;
        d->pos = f->pos;
        if (d->pos < 0) rc = 7;
    } else if (rc == 0 && f->pkind == PK_LIT && f->lit) {
        d->flags |= DCL_VAREA;
        d->base = reinterpret_cast<char*>(f->lit);
        d->pos = 0;
    } else if (rc == 0) {
        rc = 7;
    }
    fldkill(c, &f);
    if (rc == 0 && (d->flags & DCL_INREC)) {  // past the record of every file defined so far
        std::int64_t most = 0;
        for (const FFREC* r = c->ffhead; r; r = r->next)
            if (r->lrecl > most) most = r->lrecl;
        if (most > 0 && d->pos + d->len > most) rc = 226;
    }
    return rc == 215 || rc < 0 ? 7 : rc;
}

}  // namespace

// ---------------------------------------------------------------------------
// List and look-up
// ---------------------------------------------------------------------------

// A new variable of this name, appended to the run's list (tag "dcl").
DCL* dclmake(const char* name, int len) {
    CMV* c = cm;
    long extra = len > 7 ? len - 7 : 0;
    auto* d = static_cast<DCL*>(cblgcore(c->gccb, static_cast<long>(sizeof(DCL)) + extra, 0, "dcl"));
    std::memcpy(d->name, name, len);
    d->name[len] = 0;
    d->namelen = static_cast<std::uint16_t>(len);
    d->pos = 0;
    DCL** p = &c->dclhead;
    DCL* last = nullptr;
    while (*p) last = *p, p = &(*p)->next;
    *p = d;
    d->prev = last;
    return d;
}

// Every declared variable of the run, released at its end.
void dclfree(CMV* c) {
    for (DCL* d = c->dclhead; d;) {
        DCL* next = d->next;
        fldkill(c, &d->init);
        fldkill(c, &d->mask);
        if ((d->flags & DCL_OWNBASE) && d->base) cblgcorf(c->gccb, &d->base, "lit");
        void* p = d;
        cblgcorf(c->gccb, &p, "dcl");
        d = next;
    }
    c->dclhead = nullptr;
}

// The variable whose name has exactly this length and these bytes.
DCL* dclfind(const char* name, int len) {
    if (!cm || len < 1) return nullptr;
    for (DCL* d = cm->dclhead; d; d = d->next)
        if (d->namelen == len && std::memcmp(d->name, name, len) == 0) return d;
    return nullptr;
}

// ---------------------------------------------------------------------------
// The statement
// ---------------------------------------------------------------------------

// DCL name type[(n)|(digits,scale)] [float word] [POS p] [INIT v [FILL c]]
// [FMT mask] [TOT] [SUB].  0; errors through seterr (31 no name, 82 name
// declared before, 61 no type word, and those of dcl_set).
int dcl_rtn(CMV* c) {
    TK* t = tokdata();
    if (!t || quoted(t) || !(t->flags & TK_WORD) || (t->flags & (TK_LPAR | TK_RPAR)) || t->len > 0xFFFF) {
        tokbad(31);
        return 0;
    }
    if (dclfind(t->text, t->len)) {
        tkc = t;
        tokbad(82);
        return 0;
    }
    DCL* d = dclmake(t->text, t->len);
    tkc = t;
    tokdel();
    char* w = tokt(kTypeWords);
    const DTROW* row = w ? typerow(w) : nullptr;
    if (!row) {
        tokbad(61);
        return 0;
    }
    d->type = row->type;
    d->len = row->len;
    if (d->type == FD_FLOAT) d->style = FD_STYL_BFP;
    if (int rc = dcl_set(c, d)) {
        tokbad(rc);
        return 0;
    }
    if (FLD* m = fmtchk(nullptr, 0)) {
        d->mask = m;
        if (d->type == FD_CHAR) {
            if (d->len == 1) d->len = m->litlen;
            else if (m->litlen != d->len) { seterr(205); return 0; }
        }
        if (d->type == FD_BIN && m->scale > 0) { seterr(122); return 0; }
        if (m->scale > 0) d->digits = m->digits, d->scale = m->scale;
    }
    if (d->type == FD_BIN || d->type == FD_PACKED || d->type == FD_FLOAT ||
        (d->type == FD_CHAR && d->mask && !(d->mask->pflags & FP_HEXMASK)))
        d->flags |= DCL_NUM;
    return 0;
}

// Length, float format, place, initial value and role of a new variable.
// 0 or the error number (7, 201-204, 207, 220, 226, 227, 42, 46, 5).
int dcl_set(CMV* c, DCL* d) {
    long long n, s;
    if (int rc = parenlen(&n, &s)) return rc;
    if (s >= 0 && d->type != FD_PACKED) return 7;
    if (n >= 0) {
        if (n < 1) return 7;
        if (d->type == FD_PACKED) {
            if (s < 0) s = 0;
            if (s >= n) return 207;
            if (n > 31) return 7;
            d->digits = static_cast<std::int32_t>(n);
            d->scale = static_cast<std::int32_t>(s);
            d->len = (n + 2) / 2;
        } else {
            d->len = n + strextra(d->type);
        }
    }
    if (d->type == FD_FLOAT) {
        if (tokt("BIN,BFP,NAT,NATIVE")) d->style = FD_STYL_BFP;
        else if (tokt("HEX,HFP")) d->style = FD_STYL_HFP;
        else d->style = c->optp && c->optp->deffp ? c->optp->deffp : FD_STYL_BFP;
        if (d->len != 4 && d->len != 8) return 7;
    }
    if (d->type == FD_PACKED && d->digits == 0) d->digits = static_cast<std::int32_t>(2 * d->len - 1);
    std::int64_t defpos = 0;
    for (const DCL* p = d->prev; p; p = p->prev)
        if (ownplace(p)) { defpos = p->pos + p->len; break; }
    d->pos = defpos;
    if (tokf("P,POS"))
        if (int rc = placeval(c, d, defpos)) return rc;
    if (tokf("INI,INIT"))
        if (int rc = initval(c, d)) return rc;
    if (d->len < 1) return 5;  // a string without length or initial value
    while (tokf("TOT,TOTAL")) d->flags |= DCL_TOTAL;
    while (tokf("SUB,SUBTOT,BREAK,BRK")) d->flags |= DCL_SUBTOT;
    return 0;
}

// ---------------------------------------------------------------------------
// Initial values
// ---------------------------------------------------------------------------

// Set the variable's storage to its initial value.  0, or 1 when the value
// cannot be converted into the variable.
int dcl_ini(CMV* c, DCL* d) {
    unsigned char* s = (d->flags & DCL_VAREA) ? reinterpret_cast<unsigned char*>(d->base)
                     : (d->flags & DCL_INREC) ? c->currec : c->dyna;
    if (!s || d->len < 1) return 1;
    s += d->pos;
    auto* out = reinterpret_cast<char*>(s);
    long len = static_cast<long>(d->len);
    switch (d->type) {
    case FD_CHAR: break;
    case FD_NTS: s[0] = 0, s[len - 1] = 0; break;
    case FD_VCHAR2:
    case FD_VCHAR4: s[0] = 0, s[1] = 0; break;
    default:
        std::memset(s, 0, len);
        if (d->type == FD_PACKED) s[len - 1] = 0x0C;
    }
    const FLD* v = d->init;
    if (!v) return 0;
    const char* src = reinterpret_cast<const char*>(v->lit);
    long n = static_cast<long>(v->litlen);
    switch (d->type) {
    case FD_CHAR:
        if (v->fill != ' ') std::memset(s, v->fill, len);
        std::memcpy(s, src, n < len ? n : len);
        return 0;
    case FD_NTS: {
        long k = n < len - 1 ? n : len - 1;
        std::memcpy(s, src, k);
        s[k] = 0;
        return 0;
    }
    case FD_VCHAR2:
    case FD_VCHAR4: {
        if (v->fill != ' ') std::memset(s + 2, v->fill, len - 2);
        long k = n < len - 2 ? n : len - 2;
        s[0] = static_cast<unsigned char>(k >> 8), s[1] = static_cast<unsigned char>(k);
        std::memcpy(s + 2, src, k);
        return 0;
    }
    default: break;
    }
    long long iv = 0;
    double dv = 0;
    if (v->type == FD_INT64) std::memcpy(&iv, src, 8);
    if (v->type == FD_FLOAT) std::memcpy(&dv, src, 8);
    int il = static_cast<int>(len);
    switch (d->type) {
    case FD_BIN:
        if (v->type == FD_FLOAT) {
            if (cvfb(&iv, src, 8, FD_STYL_NAT)) return 1;
        } else if (v->type == FD_PACKED) {
            if (cvpb(&iv, src, static_cast<int>(n), v->scale)) return 1;
        }
        return cvbi(out, il, iv) ? 1 : 0;
    case FD_PACKED: {
        if (v->type == FD_INT64) return cvbp(out, il, 0, iv) ? 1 : 0;
        if (v->type == FD_FLOAT) return cvfp(out, il, d->scale, dv) ? 1 : 0;
        // packed to packed: right-aligned, the value's scale equal to the
        // variable's; leading bytes beyond the variable must be zero
        long skip = n > len ? n - len : 0;
        for (long i = 0; i < skip; ++i) if (src[i] != 0) return 1;
        std::memcpy(s + len - (n - skip), src + skip, n - skip);
        return 0;
    }
    case FD_FLOAT:
        if (v->type == FD_INT64) return cvbf(out, il, d->style, iv) ? 1 : 0;
        if (v->type == FD_FLOAT) return cvff(out, il, d->style, src, 8, FD_STYL_NAT) ? 1 : 0;
        return cvpf(out, il, d->style, src, static_cast<int>(n), v->scale) ? 1 : 0;
    default:
        errlogic(LE_DCLTYPE);
    }
}

// Run preparation: the dynamic area behind the work record (tag "wdyn"),
// as long as the end of the last variable placed there, blank-filled and
// guarded; then every variable's initial value.  Variables in the record
// have no storage of their own here and are left to the records read.
// 0, or 600 (recorded) naming the first variable that failed in the log.
int dclprep(CMV* c) {
    if (!c->dclhead) return 0;
    std::int64_t end = 0;
    for (const DCL* d = c->dclhead; d; d = d->next)
        if (!(d->flags & (DCL_INREC | DCL_VAREA)) && d->pos + d->len > end) end = d->pos + d->len;
    std::int64_t blk = ((end + 16 + 15) / 16) * 16 + 16;
    c->dyna = static_cast<unsigned char*>(cblgcore(c->gccb, blk, 0, "wdyn"));
    std::memset(c->dyna, ' ', static_cast<std::size_t>(end));
    std::memcpy(c->dyna + end, kDynGuard, sizeof kDynGuard);
    c->dynlen = end;
    for (DCL* d = c->dclhead; d; d = d->next) {
        if (d->flags & DCL_INREC) continue;
        if (dcl_ini(c, d)) {
            std::fprintf(c->logfp ? c->logfp : stderr, "DCL %s: initial value cannot be converted\n", d->name);
            seterr(600);
            return 600;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// bshift
// ---------------------------------------------------------------------------

// Shift a byte string by 1 to 7 bits: right for negative bits, left for
// positive, into dst (src itself when null; dstlen 0 means len).  The
// smaller length is shifted.  Left into a longer destination clears its
// extra leading bytes; into a shorter one the source is entered that many
// bytes later.  0, or 1 when bits is 0 or 8 or more in magnitude.
int bshift(unsigned char* src, int len, int bits, unsigned char* dst, int dstlen) {
    if (bits == 0 || bits >= 8 || bits <= -8) return 1;
    if (!dst) dst = src;
    if (dstlen <= 0) dstlen = len;
    int n = len < dstlen ? len : dstlen;
    if (bits < 0) {
        int b = -bits;
        unsigned carry = 0;
        for (int i = 0; i < n; ++i) {
            unsigned v = src[i];
            dst[i] = static_cast<unsigned char>((v >> b) | carry);
            carry = (v << (8 - b)) & 0xFF;
        }
        return 0;
    }
    int dfrom = dstlen > len ? dstlen - len : 0;  // leading destination bytes cleared
    int sfrom = len > dstlen ? len - dstlen : 0;  // leading source bytes passed over
    unsigned carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        unsigned v = src[sfrom + i];
        dst[dfrom + i] = static_cast<unsigned char>(((v << bits) & 0xFF) | carry);
        carry = v >> (8 - bits);
    }
    for (int i = 0; i < dfrom; ++i) dst[i] = 0;
    return 0;
}
