// Numeric editing: lays a signed number into an edit pattern such as
// "SS,SSS,SSS,SS9" or "ZZZ.99" for the listing, the summary, messages and
// character targets of the conversions.
//
// Exports:
//   cbledtc   the editing engine: number text ("+123.45") into a pattern
//   cbledt, cbledtb
//             a 64-bit integer, through lonb2ch, into a pattern
//   cbledtp   a packed number with decimals, through cbledts, into a pattern
//   cbledts   packed decimal to number text
//   lonb2ch   a 64-bit integer to right-aligned number text
//   strcpe, strupr, strlwr, strnupr
//             small string routines
// Called by the conversions (cblcv), the dates (cbldate), the record and
// arithmetic actions, messages, the listing and the summary.  Calls only the
// case tables ttab_uc and ttab_lc.
//
// The engine works from the right of the pattern: it places the number's
// digits (aligned at the point and rounded half-up on the first dropped
// digit) into the digit positions, then finishes the part no digit reached
// (zero suppression, insertion characters), then places the sign.  Pattern
// characters, case ignored:
//   9        digit; prints "0" where the number has none
//   0, Z     digit; blank left of the number's digits
//   S        sign; takes a digit once digits are being placed (floating sign)
//   +        sign
//   -        sign, printing "-" for negative numbers only; floats like S;
//            directly after a 9 it is an insertion character
//   .        the point
//   other    insertion character: copied, blanked in the suppressed part
// For example 1234567 in "SS,SSS,SSS,SS9" gives "    +1,234,567" and -12
// without a pattern in 4 bytes gives "001K" (the last digit overpunched).
// A number that does not fit, or a text that is not a number, fills the
// output with "*" and gives 9.
#include "runtime/runtime.h"

#include <array>
#include <cstring>
#include <memory>

namespace {

constexpr int kEdtBad = 9;        // overflow or bad input
constexpr int kPackBad = 5;       // packed field with a bad digit or sign nibble
constexpr int kMaxDig = 320;      // digits the engine lays out at most
constexpr int kNoPatMax = 47;     // digit positions of the default pattern
constexpr int kPackMax = 64;      // bytes of a packed field cbledtp accepts

// Pattern character classes.
constexpr unsigned char P_INS = 0;    // insertion character
constexpr unsigned char P_DIG = 1;    // 9
constexpr unsigned char P_ZDIG = 2;   // 0, Z
constexpr unsigned char P_S = 3;      // S
constexpr unsigned char P_PLUS = 4;   // +
constexpr unsigned char P_MINUS = 5;  // -
constexpr unsigned char P_POINT = 6;  // .

constexpr std::array<unsigned char, 256> kPat = [] {
    std::array<unsigned char, 256> t{};
    t['9'] = P_DIG;
    t['0'] = t['Z'] = t['z'] = P_ZDIG;
    t['S'] = t['s'] = P_S;
    t['+'] = P_PLUS;
    t['-'] = P_MINUS;
    t['.'] = P_POINT;
    return t;
}();

// The default pattern: as many 9 as the output, at most 47.
constexpr char kNines[] = "99999999999999999999999999999999999999999999999";
static_assert(sizeof kNines == kNoPatMax + 1);

// A number text split into its parts.
struct EdtNum {
    const char* in;  // integer digits
    int ni;          // count of integer digits
    const char* de;  // decimal digits
    int nd;          // count of decimal digits
    bool neg;        // sign "-"
};

// One editing in progress.
struct Edt {
    char* o;           // output field, w bytes
    const char* pat;   // pattern, w bytes
    const unsigned char* k;  // class of each pattern position (P_*, a "-"
                             // directly after a 9 as P_INS), w bytes
    int w;             // pattern length
    int pp;            // index of the pattern's point, or w
    int stop;          // leftmost position the placing reached
    int lead;          // leftmost position of the digits shown
    int sgnin;         // sign position met right of the digits, or -1
    bool neg;          // the number is negative
    bool placed;       // at least one digit was placed
};

unsigned char cls(const Edt* e, int i) { return e->k[i]; }

bool is_sign(const Edt* e, int i) {
    unsigned char c = cls(e, i);
    return c == P_S || c == P_PLUS || c == P_MINUS;
}

// The classes of pattern t (w bytes) into k: a "-" directly after a 9 is
// an insertion character, not a sign.
void classes(const char* t, int w, unsigned char* k) {
    for (int i = 0; i < w; ++i) {
        unsigned char c = kPat[static_cast<unsigned char>(t[i])];
        k[i] = c == P_MINUS && i > 0 && k[i - 1] == P_DIG ? P_INS : c;
    }
}

bool is_digit_pos(unsigned char c) { return c == P_DIG || c == P_ZDIG; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "+" or "-", digits, optionally a point and more digits, then the end.
bool edt_parse(const char* t, EdtNum* n) {
    if (t == nullptr || (*t != '+' && *t != '-')) return false;
    n->neg = *t++ == '-';
    n->in = t;
    while (is_digit(*t)) ++t;
    n->ni = static_cast<int>(t - n->in);
    n->de = t;
    n->nd = 0;
    if (*t == '.') {
        n->de = ++t;
        while (is_digit(*t)) ++t;
        n->nd = static_cast<int>(t - n->de);
    }
    return *t == '\0';
}

// The digits to place, p of them decimals, rounded half-up on the first
// dropped decimal, leading zeros dropped.  Returns their count, or -1 when
// there are more than the engine lays out.
int edt_digits(const EdtNum* n, int p, char* dg) {
    int cnt = 0;
    for (int i = 0; i < n->ni + p; ++i) {
        char d = i < n->ni ? n->in[i] : (i - n->ni < n->nd ? n->de[i - n->ni] : '0');
        if (cnt == 0 && d == '0') continue;
        if (cnt == kMaxDig) return -1;
        dg[cnt++] = d;
    }
    if (p < n->nd && n->de[p] >= '5') {
        int i = cnt - 1;
        while (i >= 0 && dg[i] == '9') dg[i--] = '0';
        if (i >= 0) {
            ++dg[i];
        } else {
            if (cnt == kMaxDig) return -1;
            std::memmove(dg + 1, dg, static_cast<std::size_t>(cnt));
            dg[0] = '1';
            ++cnt;
        }
    }
    return cnt;
}

// Places the digits from the right.  False when digits are left over.
bool edt_place(Edt* e, const char* dg, int nd) {
    int k = nd;
    int i = e->w - 1;
    for (; i >= 0 && k > 0; --i) {
        unsigned char c = cls(e, i);
        bool floating = e->placed && i < e->pp && (c == P_S || c == P_MINUS);
        if (is_digit_pos(c) || floating) {
            e->o[i] = dg[--k];
            e->placed = true;
        } else if (is_sign(e, i)) {
            e->sgnin = i;
            e->o[i] = ' ';
        } else {
            e->o[i] = e->pat[i];
        }
    }
    e->stop = i + 1;
    e->lead = e->stop;
    return k == 0;
}

// The part no digit reached: blank up to the first 9, from there 9 prints
// "0" and insertion characters are copied.  Returns the last sign position
// in it, or -1.
int edt_left(Edt* e) {
    int sgn = -1;
    bool fill = false;
    for (int i = 0; i < e->stop; ++i) {
        unsigned char c = cls(e, i);
        if (c == P_DIG) fill = true;
        if (is_sign(e, i)) {
            sgn = i;
            e->o[i] = ' ';
        } else if (!fill) {
            e->o[i] = ' ';
        } else {
            e->o[i] = is_digit_pos(c) ? '0' : e->pat[i];
        }
    }
    return sgn;
}

// A number below 1 whose point was suppressed: the point is written with
// a "0" before it and the blank digit positions after it become "0".
// Returns the sign position, moved left when the "0" took its place.
int edt_point(Edt* e, int sgn) {
    int pp = e->pp;
    if (pp >= e->stop || e->o[pp] != ' ') return sgn;
    bool shown = e->placed;
    for (int i = pp + 1; i < e->w && !shown; ++i) shown = is_digit(e->o[i]);
    if (!shown) return sgn;
    e->o[pp] = '.';
    for (int i = pp + 1; i < e->w; ++i)
        if (e->o[i] == ' ' && is_digit_pos(cls(e, i))) e->o[i] = '0';
    if (pp == 0) return sgn;
    e->o[pp - 1] = '0';
    e->lead = pp - 1;
    if (sgn < pp - 1) return sgn;
    sgn = -1;
    for (int i = 0; i < pp - 1; ++i)
        if (is_sign(e, i)) sgn = i;
    return sgn;
}

// The sign: into the last sign position left of the digits, moved right
// past insertion characters; or, for a positive number without one, the
// trailing sign texts (such as "-" or "CR") blanked.  A sign position
// right of the digits gets the sign too.
void edt_sign(Edt* e, int sgn) {
    if (sgn >= 0 && !(cls(e, sgn) == P_MINUS && !e->neg)) {
        while (sgn + 1 < e->lead && cls(e, sgn + 1) == P_INS) ++sgn;
        e->o[sgn] = e->neg ? '-' : '+';
    } else if (!e->neg) {
        for (int i = e->w - 1; i >= 0 && !is_digit_pos(cls(e, i)); --i) e->o[i] = ' ';
    }
    if (e->sgnin >= 0) {
        bool minus = cls(e, e->sgnin) == P_MINUS;
        e->o[e->sgnin] = e->neg ? '-' : (minus ? ' ' : '+');
    }
}

// The zoned overpunch of a negative last digit: "}" for 0, "J" to "R".
void edt_overpunch(Edt* e) {
    char& d = e->o[e->w - 1];
    if (is_digit(d)) d = d == '0' ? '}' : static_cast<char>('J' + (d - '1'));
}

int edt_fail(char* out, int length) {
    if (out != nullptr && length > 0) std::memset(out, '*', static_cast<std::size_t>(length));
    return kEdtBad;
}

// Pattern length, or length + 1 when the pattern is longer than the output.
int pattern_len(const char* pattern, int length) {
    return static_cast<int>(strnlen(pattern, static_cast<std::size_t>(length) + 1));
}

}  // namespace

namespace {

// What a pattern's analysis gives: its width, the classes of its
// positions, the index of its point and its decimal digit positions.  The
// last pattern edited is kept (up to kPatKeep bytes), since an action
// edits every record through the same mask.
constexpr int kPatKeep = 64;
struct PatInfo {
    int w = -1, pp = 0, p = 0;
    char text[kPatKeep];
    unsigned char k[kPatKeep];
};
PatInfo lastpat;

// The number n into pattern (or the default one) in out[0..length).
int edt_num(char* out, int length, const char* pattern, const EdtNum* n) {
    bool nopat = pattern == nullptr || *pattern == '\0';
    Edt e{};
    e.pat = nopat ? kNines : pattern;
    e.w = nopat ? (length < kNoPatMax ? length : kNoPatMax) : pattern_len(pattern, length);
    if (e.w > length) return edt_fail(out, length);
    std::memset(out, ' ', static_cast<std::size_t>(length - e.w));
    e.o = out + (length - e.w);
    e.neg = n->neg;
    // The classes: the pattern kept from the last edit, or worked out on
    // the stack (a pattern longer than any mask of a statement takes a
    // block of its own).
    unsigned char kb[256];
    std::unique_ptr<unsigned char[]> kbig;
    int p = 0;
    if (e.w == lastpat.w && std::memcmp(e.pat, lastpat.text, static_cast<std::size_t>(e.w)) == 0) {
        e.k = lastpat.k;
        e.pp = lastpat.pp;
        p = lastpat.p;
    } else {
        if (e.w > static_cast<int>(sizeof kb)) kbig.reset(new unsigned char[static_cast<std::size_t>(e.w)]);
        unsigned char* k = e.w <= kPatKeep ? lastpat.k : kbig ? kbig.get() : kb;
        classes(e.pat, e.w, k);
        e.k = k;
        e.pp = e.w;
        for (int i = 0; i < e.w; ++i)
            if (k[i] == P_POINT) { e.pp = i; break; }
        for (int i = e.pp + 1; i < e.w; ++i) p += is_digit_pos(k[i]);
        lastpat.w = -1;
        if (e.w <= kPatKeep) {
            std::memcpy(lastpat.text, e.pat, static_cast<std::size_t>(e.w));
            lastpat.w = e.w, lastpat.pp = e.pp, lastpat.p = p;
        }
    }
    char dg[kMaxDig + 1];
    int nd = edt_digits(n, p, dg);
    e.sgnin = -1;
    if (nd < 0 || !edt_place(&e, dg, nd)) return edt_fail(out, length);
    if (e.stop == 0 && (cls(&e, 0) == P_S || (cls(&e, 0) == P_MINUS && e.neg))) return edt_fail(out, length);
    int sgn = edt_left(&e);
    if (e.pp < e.w) sgn = edt_point(&e, sgn);
    edt_sign(&e, sgn);
    if (nopat && e.neg) edt_overpunch(&e);
    return 0;
}

}  // namespace

int cbledtc(char* out, int length, const char* pattern, const char* number) {
    if (out == nullptr || length <= 0) return kEdtBad;
    EdtNum n;
    if (!edt_parse(number, &n)) return edt_fail(out, length);
    return edt_num(out, length, pattern, &n);
}

char* lonb2ch(char* buffer, int size, long long value) {
    unsigned long long m = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                     : static_cast<unsigned long long>(value);
    int nd = 1;
    for (unsigned long long t = m; t >= 10; t /= 10) ++nd;
    if (buffer == nullptr || size < nd + 2) return nullptr;
    char* p = buffer + size - 1;
    *p = '\0';
    do {
        *--p = static_cast<char>('0' + m % 10);
        m /= 10;
    } while (m != 0);
    *--p = value < 0 ? '-' : '+';
    return p;
}

int cbledtb(char* out, int length, const char* pattern, long long value) {
    char buf[24];
    return cbledtc(out, length, pattern, lonb2ch(buf, sizeof buf, value));
}

int cbledt(char* out, int length, const char* pattern, long value) {
    return cbledtb(out, length, pattern, value);
}

int cbledts(char* out, int outlen, const char* packed, int plen) {
    if (out == nullptr || outlen <= 0) return kEdtBad;
    auto fail = [&](int rc) {
        std::memset(out, '*', static_cast<std::size_t>(outlen - 1));
        out[outlen - 1] = '\0';
        return rc;
    };
    if (packed == nullptr || plen <= 0) return fail(kPackBad);
    if (outlen < 2 * plen + 1) return fail(kEdtBad);
    const auto* b = reinterpret_cast<const unsigned char*>(packed);
    for (int i = 0; i < 2 * plen - 1; ++i) {
        unsigned nib = (i % 2 == 0) ? b[i / 2] >> 4 : b[i / 2] & 0x0F;
        if (nib > 9) return fail(kPackBad);
        out[i + 1] = static_cast<char>('0' + nib);
    }
    unsigned sign = b[plen - 1] & 0x0F;
    if (sign < 0x0A) return fail(kPackBad);
    out[0] = (sign == 0x0B || sign == 0x0D) ? '-' : '+';
    out[2 * plen] = '\0';
    return 0;
}

int cbledtp(char* out, int length, const char* pattern, const char* packed, int plen, int decimals) {
    if (out == nullptr || length <= 0) return kEdtBad;
    if (plen > kPackMax) return edt_fail(out, length);
    if (packed == nullptr || plen <= 0) {
        edt_fail(out, length);
        return kPackBad;
    }
    if (decimals < 0) decimals = 0;
    // The digits straight from the nibbles, at dg + kMaxDig, with zeros in
    // front when the field has fewer digits than decimals.
    char dg[kMaxDig + 2 * kPackMax];
    char* d = dg + kMaxDig;
    const auto* b = reinterpret_cast<const unsigned char*>(packed);
    const int nd = 2 * plen - 1;
    for (int i = 0; i < plen; ++i) {
        unsigned hi = b[i] >> 4, lo = b[i] & 0x0F;
        if (hi > 9 || (i < plen - 1 && lo > 9) || (i == plen - 1 && lo < 0x0A)) {
            edt_fail(out, length);
            return kPackBad;
        }
        d[2 * i] = static_cast<char>('0' + hi);
        if (i < plen - 1) d[2 * i + 1] = static_cast<char>('0' + lo);
    }
    unsigned sign = b[plen - 1] & 0x0F;
    if (decimals > kMaxDig) return edt_fail(out, length);
    if (decimals > nd) {
        std::memset(d - (decimals - nd), '0', static_cast<std::size_t>(decimals - nd));
        d -= decimals - nd;
    }
    int all = decimals > nd ? decimals : nd;
    EdtNum n{d, all - decimals, d + (all - decimals), decimals, sign == 0x0B || sign == 0x0D};
    return edt_num(out, length, pattern, &n);
}

char* strcpe(char* to, const char* from) {
    if (to == nullptr) return nullptr;
    if (from == nullptr) return to + std::strlen(to);
    while ((*to = *from++) != '\0') ++to;
    return to;
}

char* strupr(char* s) {
    if (s != nullptr)
        for (char* p = s; *p != '\0'; ++p) *p = static_cast<char>(ttab_uc[static_cast<unsigned char>(*p)]);
    return s;
}

char* strlwr(char* s) {
    if (s != nullptr)
        for (char* p = s; *p != '\0'; ++p) *p = static_cast<char>(ttab_lc[static_cast<unsigned char>(*p)]);
    return s;
}

char* strnupr(char* s, int n) {
    if (s != nullptr)
        for (int i = 0; i < n && s[i] != '\0'; ++i) s[i] = static_cast<char>(ttab_uc[static_cast<unsigned char>(s[i])]);
    return s;
}
