// Arithmetic actions: the assignment of a number, ADD, SUB, MULT and DIV.
//
// Exports: tvlsa (engine.h), and for the tests of the number form the
// routines beneath it: pdaget (an operand into the exact form), pdaput
// (the exact form into a result field), arcalc (one operation on two
// numbers of the exact form).
// Called by: tvlsp, for the arithmetic operation codes.
// Calls: tvlsc (operands), the conversions cvib, cvub, cvff, cvbi, cvlu,
// rmvb, the editor cbledtc, atupdv and setret.
//
// Implementation details.  Every operand is read into one exact decimal
// form held on the stack, ADEC: a signed 128-bit coefficient and a scale
// (the number of decimals), value = v x 10^-scale.  The operands of a
// record field are never wider than 31 digits (16 bytes of packed, 31 of
// zoned or number text), so sums and aligned scales stay far inside the
// 38 digits the coefficient holds; products and scaled dividends are
// checked for overflow.  The result is rounded once, to the decimals of
// the result field, half away from zero; a DIV into a result without
// decimals truncates towards zero.  Floating point is used only when an
// operand or the result is a float: doubles would lose the cents of a
// 17-digit amount (S9(15)V99 123456789012345.67 + 0.01 must give .68).
//
// Failures raise return code 8 and leave the result as it was: invalid
// data, a zero divisor (tested before anything is computed), a result
// that does not fit its field (nothing is half written; the field is
// checked before the first byte is stored).  One exception: an ADD, SUB
// or MULT whose result overflows an 8-byte binary field stores the value
// wrapped to 64 bits, and raises return code 8.
//
// Worked example, DIV 3 INTO a packed field of one decimal holding 10.0
// (X'100C', scale 1): A = 3 (scale 0), B = 100 (scale 1); result scale 1:
// e = 1 + 0 - 1 = 0, 100 / 3 = 33 remainder 1; 2 x 1 < 3, no rounding:
// 3.3, stored X'033C'.
#include "engine/engine.h"
#include "driver/driver.h"
#include "files/files.h"
#include "frontend/frontend.h"
#include "report/report.h"
#include "runtime/runtime.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

constexpr int kMaxDig = 38;     // decimal digits the coefficient always holds
constexpr int kEditMax = 128;   // longest character result edited through a mask

// 10^k for k = 0 to 38.
constexpr i128 p10(int k) {
    i128 v = 1;
    for (int i = 0; i < k; ++i) v *= 10;
    return v;
}
constexpr i128 kP10[kMaxDig + 1] = {
    p10(0),  p10(1),  p10(2),  p10(3),  p10(4),  p10(5),  p10(6),  p10(7),  p10(8),  p10(9),
    p10(10), p10(11), p10(12), p10(13), p10(14), p10(15), p10(16), p10(17), p10(18), p10(19),
    p10(20), p10(21), p10(22), p10(23), p10(24), p10(25), p10(26), p10(27), p10(28), p10(29),
    p10(30), p10(31), p10(32), p10(33), p10(34), p10(35), p10(36), p10(37), p10(38)};

u128 mag(i128 v) { return v < 0 ? u128(0) - static_cast<u128>(v) : static_cast<u128>(v); }

// v x 10^k into *out; false on overflow.
bool scaleup(i128 v, int k, i128* out) {
    if (k < 0) return false;
    if (v == 0) return *out = 0, true;
    if (k > kMaxDig) return false;
    return !__builtin_mul_overflow(v, kP10[k], out);
}

// v / 10^k rounded half away from zero (k >= 0).
i128 scaledown(i128 v, int k) {
    if (k <= 0) return v;
    if (k > kMaxDig) return 0;  // |v| < 1.7 x 10^38 is below half of 10^39
    i128 q = v / kP10[k], r = v % kP10[k];
    if (mag(r) >= mag(kP10[k]) - mag(r)) q += v < 0 ? -1 : 1;
    return q;
}

// The edit pattern of a character or zoned result: its FMT mask, or its
// declared variable's; null when it has none.
const FLD* maskof(const FLD* f) {
    if ((f->lflags & FL_FMT) && f->sub && f->sub->lit) return f->sub;
    if (f->dcl && f->dcl->mask && f->dcl->mask->lit) return f->dcl->mask;
    return nullptr;
}

// The decimals of an operand: its scale, 0 when none was written.
int decs(const FLD* f) { return f->scale > 0 ? f->scale : 0; }

// A zoned field's bytes: every byte but the last a digit of zone F
// (EBCDIC) or 3 (ASCII); the last a digit whose zone gives the sign (D or
// B negative; F, C, A, E or 3 positive), or an ASCII overpunch letter
// ("{" and A-I +0 to +9, "}" and J-R -0 to -9).  F1 F2 D3 and 31 32 4C
// ("12L") are both -123.  False for any other byte.
bool zonedget(const unsigned char* s, long n, i128* v) {
    if (n <= 0) return false;
    i128 x = 0;
    int sig = 0;
    for (long i = 0; i < n - 1; ++i) {
        unsigned z = s[i] >> 4, d = s[i] & 15u;
        if ((z != 0xF && z != 0x3) || d > 9) return false;
        if (x || d) ++sig;
        x = x * 10 + d;
        if (sig > 31) return false;
    }
    unsigned c = s[n - 1], z = c >> 4, d = c & 15u;
    bool neg;
    if (d <= 9 && (z == 0xF || z == 0xC || z == 0xA || z == 0xE || z == 0x3)) neg = false;
    else if (d <= 9 && (z == 0xD || z == 0xB)) neg = true;
    else if (c == '{' || c == '}') d = 0, neg = c == '}';
    else if (c >= 'A' && c <= 'I') d = c - 'A' + 1, neg = false;
    else if (c >= 'J' && c <= 'R') d = c - 'J' + 1, neg = true;
    else return false;
    x = x * 10 + d;
    *v = neg ? -x : x;
    return true;
}

// A packed field's bytes: two digit nibbles a byte, the last nibble the
// sign (above 9: B and D negative, the others positive).  Leading X'00'
// bytes are skipped; a digit nibble above 9 is invalid.
// The digits from s[i] on into x (X a 64-bit or a 128-bit accumulator):
// false for a bad nibble.
template <class X> bool packdig(const unsigned char* s, long i, long n, X* out, unsigned* sign) {
    X x = 0;
    for (; i < n - 1; ++i) {
        unsigned hi = s[i] >> 4, lo = s[i] & 15u;
        if (hi > 9 || lo > 9) return false;
        x = x * 100 + hi * 10 + lo;
    }
    unsigned hi = s[n - 1] >> 4;
    *sign = s[n - 1] & 15u;
    if (hi > 9 || *sign < 10) return false;
    *out = x * 10 + hi;
    return true;
}

bool packget(const unsigned char* s, long n, i128* v) {
    if (n <= 0) return false;
    long i = 0;
    while (i < n - 1 && s[i] == 0) ++i;
    if (n - i > 16) return false;
    unsigned sign = 0;
    i128 x = 0;
    if (n - i <= 9) {  // at most 17 digits: 64-bit steps
        std::uint64_t k = 0;
        if (!packdig(s, i, n, &k, &sign)) return false;
        x = static_cast<i128>(k);
    } else if (!packdig(s, i, n, &x, &sign)) {
        return false;
    }
    *v = (sign == 0xB || sign == 0xD) ? -x : x;
    return true;
}

// Number text ("-12.50", "12.50CR", "1,234.5-") through the normaliser.
bool textget(const unsigned char* s, long n, ADEC* d) {
    if (n < 0 || n > CV_LENMASK) return false;
    char out[RMVB_OUT];
    int dec = rmvb(reinterpret_cast<const char*>(s), static_cast<int>(n), out);
    if (dec < 0) return false;
    i128 x = 0;
    int sig = 0;
    for (const char* p = out + 1; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        if (x || *p != '0') ++sig;
        if (sig > 31) return false;
        x = x * 10 + (*p - '0');
    }
    d->v = out[0] == '-' ? -x : x;
    d->scale = dec;
    return true;
}

// The digits of |v| right-aligned in dg[0..n), zero-filled.
void digits(char* dg, int n, i128 v) {
    u128 m = mag(v);
    for (int i = n - 1; i >= 0; --i) {
        dg[i] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    }
}

// Whether |v| has at most n digits.
bool fitsdig(i128 v, long n) { return n > kMaxDig || mag(v) < static_cast<u128>(kP10[n]); }

bool fits64(i128 v) { return v >= INT64_MIN && v <= INT64_MAX; }

// A character or zoned result: through its mask, or as many digits as the
// field has bytes, the last one overpunched when negative ("}" for 0, J
// to R for 1 to 9).  0 or 8 (nothing written).
int textput(FLD* t, unsigned char* a, long n, const ADEC* d) {
    const FLD* m = maskof(t);
    if (!m) {
        if (!fitsdig(d->v, n)) return 8;
        char dg[kMaxDig + 1];
        long k = n > kMaxDig ? kMaxDig : n;
        digits(dg, static_cast<int>(k), d->v);
        std::memset(a, '0', static_cast<std::size_t>(n - k));
        std::memcpy(a + (n - k), dg, static_cast<std::size_t>(k));
        if (d->v < 0) {
            int last = a[n - 1] - '0';
            a[n - 1] = static_cast<unsigned char>(last == 0 ? '}' : 'J' + last - 1);
        }
        return 0;
    }
    if (n > kEditMax) return 8;
    // The number text: sign, integer digits, point and the decimals.
    char txt[kMaxDig + 4];
    char dg[kMaxDig + 1];
    digits(dg, kMaxDig, d->v);
    int lead = 0;
    while (lead < kMaxDig - d->scale - 1 && dg[lead] == '0') ++lead;
    int k = 0;
    txt[k++] = d->v < 0 ? '-' : '+';
    for (int i = lead; i < kMaxDig; ++i) {
        if (i == kMaxDig - d->scale) txt[k++] = '.';
        txt[k++] = dg[i];
    }
    txt[k] = 0;
    char buf[kEditMax];
    if (cbledtc(buf, static_cast<int>(n), reinterpret_cast<const char*>(m->lit), txt) != 0) return 8;
    std::memcpy(a, buf, static_cast<std::size_t>(n));
    return 0;
}

}  // namespace

// Read the resolved operand f (address lit, length litlen) into the exact
// form *d, or, for a float field or a float value, into *dbl.  Returns 0
// for an exact number, 1 for a double, -1 for data that is not a number
// of the operand's type.
int pdaget(const FLD* f, ADEC* d, double* dbl) {
    const unsigned char* s = f->lit;
    const long n = static_cast<long>(f->litlen);
    long long ll = 0;
    d->v = 0;
    d->scale = decs(f);
    if (!s || n <= 0) return -1;
    switch (f->type) {
    case FD_PACKED: return packget(s, n, &d->v) ? 0 : -1;
    case FD_ZONED: return zonedget(s, n, &d->v) ? 0 : -1;
    case FD_UPACKED:
        if (cvub(&ll, reinterpret_cast<const char*>(s), static_cast<int>(n)) != 0) return -1;
        d->v = ll;
        return 0;
    case FD_BIN:
        if (cvib(&ll, reinterpret_cast<const char*>(s), static_cast<int>(n)) != 0) return -1;
        d->v = ll;
        return 0;
    case FD_PTR:
    case FD_INT64:
        if (n != 8) return -1;
        if (s == reinterpret_cast<const unsigned char*>(&f->fval)) return *dbl = f->fval, 1;
        std::memcpy(&ll, s, 8);
        d->v = ll;
        d->scale = 0;
        return 0;
    case FD_FLOAT:
        if (cvff(reinterpret_cast<char*>(dbl), 8, FD_STYL_DOUBLE, reinterpret_cast<const char*>(s),
                 static_cast<int>(n), f->style ? f->style : FD_STYL_DOUBLE) != 0)
            return -1;
        return std::isfinite(*dbl) ? 1 : -1;
    default: return textget(s, n, d) ? 0 : -1;
    }
}

// Store the exact number d, already at the result's decimals, into the
// resolved result field t by its type.  wrap: an 8-byte binary result
// that overflows 64 bits takes the wrapped value.  Returns 0, or 8 when
// the field cannot hold the number (nothing written, except the wrapped
// 8-byte binary).
namespace {

// The magnitude m (M a 64-bit or a 128-bit number) as packed digits in
// a[0..n), the sign C or D in the last nibble.
template <class M> void packput(unsigned char* a, long n, M m, bool neg) {
    a[n - 1] = static_cast<unsigned char>(static_cast<unsigned>(m % 10) << 4 | (neg ? 0xD : 0xC));
    m /= 10;
    for (long i = n - 2; i >= 0; --i) {
        unsigned two = static_cast<unsigned>(m % 100);
        m /= 100;
        a[i] = static_cast<unsigned char>((two / 10) << 4 | two % 10);
    }
}

}  // namespace

int pdaput(FLD* t, const ADEC* d, bool wrap) {
    auto* a = t->lit;
    const long n = static_cast<long>(t->litlen);
    if (!a || n <= 0) return 8;
    switch (t->type) {
    case FD_PACKED: {
        if (!fitsdig(d->v, 2 * n - 1)) return 8;
        u128 m = mag(d->v);
        if (m <= UINT64_MAX) packput(a, n, static_cast<std::uint64_t>(m), d->v < 0);  // 64-bit divisions
        else packput(a, n, m, d->v < 0);
        return 0;
    }
    case FD_UPACKED:
        if (d->v < 0 || !fits64(d->v)) return 8;
        return cvlu(reinterpret_cast<char*>(a), static_cast<int>(n), static_cast<long>(d->v)) ? 8 : 0;
    case FD_BIN:
        if (!fits64(d->v)) {
            if (!wrap || n != 8) return 8;
            cvbi(reinterpret_cast<char*>(a), 8, static_cast<long long>(static_cast<std::uint64_t>(static_cast<u128>(d->v))));
            return 8;
        }
        return cvbi(reinterpret_cast<char*>(a), static_cast<int>(n), static_cast<long long>(d->v)) ? 8 : 0;
    case FD_INT64: {
        if (n != 8 || !fits64(d->v)) return 8;
        long long v = static_cast<long long>(d->v);
        std::memcpy(a, &v, 8);
        return 0;
    }
    case FD_PTR:
        if (!fits64(d->v) || !(t->pflags & FP_PTRV) || !t->pat) return 8;
        return atupdv(t->pat, static_cast<long long>(d->v)) ? 8 : 0;
    default: return textput(t, a, n, d);
    }
}

// One operation on exact numbers: ADD b + a, SUB b - a, MULT b x a, DIV
// b / a (a is the first operand, b the second), any other code the
// assignment of a.  The result *q comes at rscale decimals, rounded half
// away from zero (DIV without decimals truncates); DIV also gives the
// remainder of the truncated quotient in *r (the dividend's sign).
// Returns 0, 8 for a zero divisor or a number beyond 38 digits, or 9 for
// a result that overflowed but holds its exact low 64 bits in q (an
// 8-byte binary result may take them).
int arcalc(int op, const ADEC* a, const ADEC* b, int rscale, ADEC* q, ADEC* r) {
    i128 x = 0, y = 0, v = 0;
    int s = 0;
    q->scale = rscale;
    switch (op) {
    case OP_ADD:
    case OP_SUB: {
        s = a->scale > b->scale ? a->scale : b->scale;
        if (!scaleup(a->v, s - a->scale, &x) || !scaleup(b->v, s - b->scale, &y)) return 8;
        bool ovf = op == OP_ADD ? __builtin_add_overflow(y, x, &v) : __builtin_sub_overflow(y, x, &v);
        if (ovf) return 8;
        break;
    }
    case OP_MULT: {
        s = a->scale + b->scale;
        if (__builtin_mul_overflow(a->v, b->v, &v)) {
            if (s == 0 && rscale == 0) return q->v = v, 9;  // low bits still exact
            return 8;
        }
        break;
    }
    case OP_DIV: {
        if (a->v == 0) return 8;
        int e = rscale + a->scale - b->scale;
        i128 num = b->v, den = a->v;
        if (e >= 0 && !scaleup(num, e, &num)) return 8;
        if (e < 0 && !scaleup(den, -e, &den)) {
            num = 0;  // the divisor dwarfs the dividend
            den = 1;
        }
        i128 qq = num / den, rr = num % den;
        if (rscale > 0 && rr != 0 && mag(rr) >= mag(den) - mag(rr)) qq += (num < 0) != (den < 0) ? -1 : 1;
        q->v = qq;
        if (r) {  // the remainder of the truncated quotient, at the wider scale
            s = a->scale > b->scale ? a->scale : b->scale;
            if (!scaleup(a->v, s - a->scale, &x) || !scaleup(b->v, s - b->scale, &y)) return 8;
            r->v = y % x;
            r->scale = s;
        }
        return 0;
    }
    default:
        v = a->v;
        s = a->scale;
        break;
    }
    if (s > rscale) v = scaledown(v, s - rscale);
    else if (s < rscale && !scaleup(v, rscale - s, &v)) return 8;
    q->v = v;
    return 0;
}

namespace {

// The double d at the decimals of t into *out: false when it is not
// finite or lies beyond 31 digits (a binary or native result: beyond 64
// bits).
bool dbl2dec(double d, const FLD* t, int rscale, ADEC* out) {
    double x = d * std::pow(10.0, rscale);
    if (!std::isfinite(x)) return false;
    x = std::round(x);  // half away from zero
    bool bin = t->type == FD_BIN || t->type == FD_INT64 || t->type == FD_PTR;
    if (bin ? !(x >= -9223372036854775808.0 && x < 9223372036854775808.0) : !(std::fabs(x) < 1e31)) return false;
    out->v = static_cast<i128>(x);
    if (out->v == 0) out->v = 0;
    out->scale = rscale;
    return true;
}

// A number of the exact form as a double.
double dec2dbl(const ADEC* d) {
    double v = static_cast<double>(d->v);
    return d->scale > 0 ? v / std::pow(10.0, d->scale) : v;
}

// The decimals a result is rounded to: a character or zoned result with a
// mask takes the mask's, else the field's scale.
int rdecs(const FLD* t) {
    if ((t->type == FD_CHAR || t->type == FD_ZONED) && t->scale < 0) {
        const FLD* m = maskof(t);
        return m && m->scale > 0 ? m->scale : 0;
    }
    return decs(t);
}

// The operation in doubles, for a float operand or result; the result
// stored by its type.  0 or 8.
int fltcalc(int op, double a, double b, FLD* t, const FLD* fa) {
    double v;
    switch (op) {
    case OP_ADD: v = b + a; break;
    case OP_SUB: v = b - a; break;
    case OP_MULT: v = b * a; break;
    case OP_DIV: v = b / a; break;
    default: v = a; break;
    }
    if (v == 0) v = 0.0;  // no negative zero
    if (t->type == FD_FLOAT) {
        int style = t->style ? t->style : fa->style ? fa->style : FD_STYL_DOUBLE;
        if (!std::isfinite(v)) return 8;
        char buf[8];
        if (cvff(buf, static_cast<int>(t->litlen), style, reinterpret_cast<const char*>(&v), 8, FD_STYL_DOUBLE) != 0)
            return 8;
        std::memcpy(t->lit, buf, static_cast<std::size_t>(t->litlen));
        return 0;
    }
    ADEC d;
    if (!dbl2dec(v, t, rdecs(t), &d)) return 8;
    return pdaput(t, &d, false);
}

// Resolve an operand; false when it does not (the operand layer has
// counted the failure).
bool resolve(FLD* f) { return f && tvlsc(f) && f->litlen > 0; }

// The packed-digit short step: ADD or SUB of packed operands without
// decimals (CF_APACK) into a packed result, all of at most 9 bytes, in
// 64-bit steps with a byte table each way.  17 digits and a sum of two of
// them fit 63 bits.  The same results as the exact form: a sign C or D,
// zero positive, leading X'00' bytes read as zeros.

// A packed byte as its two digits (0 to 99), or 0xFF when a nibble is
// above 9.
struct PkTab {
    unsigned char in[256];
    unsigned char out[100];
    constexpr PkTab() : in{}, out{} {
        for (int b = 0; b < 256; ++b) in[b] = (b >> 4) > 9 || (b & 15) > 9 ? 0xFF : static_cast<unsigned char>((b >> 4) * 10 + (b & 15));
        for (int v = 0; v < 100; ++v) out[v] = static_cast<unsigned char>((v / 10) << 4 | v % 10);
    }
};
constexpr PkTab kPk;

bool pk64get(const unsigned char* s, long n, std::int64_t* v) {
    std::uint64_t x = 0;
    unsigned bad = 0;
    for (long i = 0; i < n - 1; ++i) {
        unsigned d = kPk.in[s[i]];
        bad |= d;
        x = x * 100 + d;
    }
    unsigned last = s[n - 1], hi = last >> 4, sign = last & 15u;
    if ((bad & 0x80) || hi > 9 || sign < 10) return false;
    x = x * 10 + hi;
    *v = sign == 0xB || sign == 0xD ? -static_cast<std::int64_t>(x) : static_cast<std::int64_t>(x);
    return true;
}

}  // namespace

// 0, or 8 for bad data or a result the field cannot hold (nothing written).
int pk64step(int op, const FLD* fa, const FLD* fb, FLD* ft) {
    std::int64_t a, b;
    if (!pk64get(fa->lit, static_cast<long>(fa->litlen), &a) || !pk64get(fb->lit, static_cast<long>(fb->litlen), &b))
        return 8;
    std::int64_t r = op == OP_ADD ? b + a : b - a;
    const long n = static_cast<long>(ft->litlen);
    std::uint64_t m = r < 0 ? 0 - static_cast<std::uint64_t>(r) : static_cast<std::uint64_t>(r);
    if (m >= static_cast<std::uint64_t>(kP10[2 * n - 1])) return 8;
    unsigned char* t = ft->lit;
    t[n - 1] = static_cast<unsigned char>((m % 10) << 4 | (r < 0 ? 0xD : 0xC));
    m /= 10;
    for (long i = n - 2; i >= 0; --i) {
        t[i] = kPk.out[m % 100];
        m /= 100;
    }
    return 0;
}

namespace {

}  // namespace

// The arithmetic actions.  Operands: fld2 the first (the value), fld3 the
// second (the field it is added to, subtracted from, multiplied with,
// divided into; absent for the assignment), fld1 the result (the second
// operand when none is written), fld4 DIV's remainder.  Always ACT_GO;
// failures raise return code 8 and leave the result as it was.
int tvlsa(CMV* c) {
    CN* n = c->cncur;
    if (!n) return ACT_GO;
    c->prt.selid = n->selid;
    const int op = n->typ2;
    FLD* fa = n->fld2;
    FLD* fb = op == OP_ARITH ? nullptr : n->fld3;
    FLD* ft = n->fld1 ? n->fld1 : fb;
    FLD* fr = op == OP_DIV ? n->fld4 : nullptr;
    if (!fa || !ft) return ACT_GO;
    if (!resolve(fa) || (fb && !resolve(fb)) || (ft != fb && !resolve(ft)) || (fr && !resolve(fr))) return ACT_GO;
    if (!shortoff && (n->cflags & CF_APACK) && (op == OP_ADD || op == OP_SUB) && fb && ft->type == FD_PACKED &&
        fa->litlen <= 9 && fb->litlen <= 9 && ft->litlen <= 9) {
        if (pk64step(op, fa, fb, ft)) setret(RC_ACTION);
        return ACT_GO;
    }
    ADEC a, b{0, 0};
    double da = 0, db = 0;
    int ka = pdaget(fa, &a, &da);
    int kb = fb ? pdaget(fb, &b, &db) : 0;
    if (ka < 0 || kb < 0) {
        setret(RC_ACTION);
        return ACT_GO;
    }
    if (op == OP_DIV && (ka ? da == 0 : a.v == 0)) {  // before any way of computing
        setret(RC_ACTION);
        return ACT_GO;
    }
    int rc;
    if (ka || kb || ft->type == FD_FLOAT) {
        rc = fltcalc(op, ka ? da : dec2dbl(&a), kb ? db : dec2dbl(&b), ft, fa);
    } else {
        ADEC q, r;
        rc = arcalc(op, &a, &b, rdecs(ft), &q, fr ? &r : nullptr);
        if (rc == 9) {
            rc = 8;
            if (ft->type == FD_BIN && ft->litlen == 8) pdaput(ft, &q, true);
        } else if (rc == 0) {
            // The result first: the remainder of a quotient that could
            // not be stored is not stored either.
            rc = pdaput(ft, &q, op != OP_DIV && op != OP_ARITH);
            ADEC rr;
            if (rc == 0 && fr && (arcalc(0, &r, &r, rdecs(fr), &rr, nullptr) || pdaput(fr, &rr, false))) rc = 8;
        }
    }
    if (rc) setret(RC_ACTION);
    return ACT_GO;
}
