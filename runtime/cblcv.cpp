// Data conversions: numbers between the encodings of business data
// (character text, zoned decimal, packed and unsigned packed decimal,
// big-endian binary, hexadecimal and IEEE floating point in either byte
// order, hexadecimal text) and the program's 64-bit integer and double.
//
// Exports (declared in runtime/runtime.h): rmvb, getx; cvcl cvcb cvpl cvpb
// cvul cvub cvil cvib cvfl cvfb (to integer); cvlc cvbc cvlp cvbp cvlu cvli
// cvbi cvlf cvbf (from integer); cvcp cvci cvcf cvpc cvpi cvpf cvic cvip
// cvii cvif cvfc cvfp cvff (field to field); cvhc cvch (hexadecimal text);
// cblcv (generic).  Called by comparisons, arithmetic, moves, declarations
// and the CVxx action; calls the editing routines (cbledtc, cbledt,
// cbledtb, cbledtp, cbledts) for every text output.
//
// Divisions: number text (rmvb and the zoned reader), digit strings and
// rounding, packed, binary, float, text outputs, hexadecimal text, generic.
//
// Rules every routine keeps: it writes only inside the area it is given; a
// packed, binary or float target that cannot take the value is left
// unchanged (floats: zeroed, with the status); a text target that cannot
// be produced is filled with "*"; an l or b result is stored only on
// success.
//
// Encodings, worked by hand for the value -1234 (and +1234 where noted):
//   packed, 3 bytes        01 23 4D    digits in nibbles, sign nibble last
//                                      (A C E F positive, B D negative)
//   unsigned packed, 2     12 34       +1234, no sign nibble
//   zoned EBCDIC, 4        F1 F2 F3 D4 digit in the low nibble, sign in the
//                                      zone of the last byte
//   zoned ASCII, 4         31 32 33 4D "123M": M is the overpunch for -4
//   binary, 2              FB 2E       two's complement, big-endian
//   IEEE single, BE        C4 9A 40 00 1234 = 1.205078125 x 2^10, biased 137
//   hex float, 4           C3 4D 20 00 1234 = X'4D2' = 0.4D2 x 16^3, 64+3
//   hexadecimal text       "FB2E"      two hexadecimal digits a byte
#include "runtime/runtime.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

using u8 = unsigned char;
using u64 = std::uint64_t;

// ---------------------------------------------------------------------------
// Number text
// ---------------------------------------------------------------------------

// Character classes of number text.  ORDER NC
constexpr u8 NC_OTHER = 0, NC_DIGIT = 1, NC_BLANK = 2, NC_POINT = 3, NC_PLUS = 4,
             NC_MINUS = 5, NC_COMMA = 6;

constexpr std::array<u8, 256> kNumCls = [] {
    std::array<u8, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = NC_DIGIT;
    t[' '] = NC_BLANK;
    t['.'] = NC_POINT;
    t['+'] = NC_PLUS;
    t['-'] = NC_MINUS;
    t[','] = NC_COMMA;
    return t;
}();

// Sign overpunch of the last digit in character form: 0x10 set for an
// overpunch letter, 0x20 for a negative one, the digit in the low half.
// "{" and "A" to "I" are +0 to +9, "}" and "J" to "R" are -0 to -9.
constexpr u8 OVP_IS = 0x10, OVP_NEG = 0x20;
constexpr std::array<u8, 256> kOvp = [] {
    std::array<u8, 256> t{};
    t['{'] = OVP_IS;
    t['}'] = OVP_IS | OVP_NEG;
    for (int d = 1; d <= 9; ++d) {
        t['A' + d - 1] = static_cast<u8>(OVP_IS | d);
        t['J' + d - 1] = static_cast<u8>(OVP_IS | OVP_NEG | d);
    }
    return t;
}();

// A number read from text.  Leading zeros ahead of the point are not kept,
// so dec <= ndig always; value = digits x 10^(exp - dec).
struct NUMT {
    int  ndig;                // digits in dig
    int  dec;                 // of them, digits after the point
    int  exp;                 // decimal exponent (float form only)
    bool neg;                 // negative
    bool point;               // a point was seen
    bool hasexp;              // an exponent was seen (float form)
    char expsign;             // the exponent's own sign character, or 0
    u8   dig[RMVB_DIGS];      // digit values 0 to 9
};
static_assert(std::is_trivially_copyable_v<NUMT>);

// Append one digit; leading zeros ahead of the point are dropped.
bool numdig(NUMT* x, int d) {
    if (d == 0 && x->ndig == 0 && !x->point) return true;
    if (x->ndig == RMVB_DIGS) return false;
    x->dig[x->ndig++] = static_cast<u8>(d);
    if (x->point) ++x->dec;
    return true;
}

bool isdig(u8 c) { return kNumCls[c] == NC_DIGIT; }
// The two letters x y in either case.
bool ispair(u8 a, u8 b, char x, char y) {
    return (a == x || a == x + 32) && (b == y || b == y + 32);
}

// The exponent of float form at s[i] (just after the "E"); 4 digits at most.
bool numexp(const u8* s, int n, int* i, NUMT* x) {
    int k = *i;
    if (s[k] == '+' || s[k] == '-') x->expsign = static_cast<char>(s[k++]);
    int v = 0, sig = 0;
    for (; k < n && isdig(s[k]); ++k) {
        v = v * 10 + (s[k] - '0');
        if (v > 0 && ++sig > 4) return false;
    }
    x->exp = x->expsign == '-' ? -v : v;
    x->hasexp = true;
    *i = k;
    return true;
}

// What follows the digits: an overpunch letter on the last digit (or
// standing alone), or a trailing "+", "-", "CR" or "DB" (either case),
// then blanks only.  Any other character fails, and so does a trailing
// sign after a leading one.
bool numtail(const u8* s, int n, int i, int start, bool lead, NUMT* x) {
    int sign = 0;  // 1 positive, -1 negative
    if (i < n) {
        u8 c = s[i];
        if (i + 1 < n && (ispair(c, s[i + 1], 'C', 'R') || ispair(c, s[i + 1], 'D', 'B'))) {
            sign = -1, i += 2;
        } else if ((kOvp[c] & OVP_IS) && !x->hasexp && (i == start || isdig(s[i - 1]))) {
            if (!numdig(x, kOvp[c] & 0x0F)) return false;
            sign = (kOvp[c] & OVP_NEG) ? -1 : 1, ++i;
        } else if (c == '+' || c == '-') {
            sign = c == '-' ? -1 : 1, ++i;
        } else {
            return false;
        }
    }
    while (i < n && s[i] == ' ') ++i;
    if (i < n || (sign != 0 && lead)) return false;
    if (sign != 0) x->neg = sign < 0;
    return true;
}

// Read character number text: blanks skipped, a leading sign, digits with
// commas ahead of the point, one point, in float form an exponent, and
// the trailer of numtail.
bool numchar(const u8* s, int n, bool flt, NUMT* x) {
    int i = 0;
    while (i < n && s[i] == ' ') ++i;
    int start = i;                   // an overpunch letter may stand alone here
    bool lead = false, seen = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) x->neg = s[i++] == '-', lead = true;
    for (; i < n; ++i) {
        u8 c = s[i];
        switch (kNumCls[c]) {
        case NC_DIGIT:
            if (!numdig(x, c - '0')) return false;
            seen = true;
            continue;
        case NC_BLANK:
            continue;
        case NC_COMMA:
            if (x->point) return false;
            continue;
        case NC_POINT:
            if (x->point) return false;
            x->point = true;
            continue;
        default:
            break;
        }
        if (flt && (c == 'E' || c == 'e') && (seen || x->point) && i + 1 < n &&
            (isdig(s[i + 1]) || ((s[i + 1] == '+' || s[i + 1] == '-') && i + 2 < n && isdig(s[i + 2])))) {
            ++i;
            if (!numexp(s, n, &i, x)) return false;
        }
        break;
    }
    return numtail(s, n, i, start, lead, x);
}

// The last byte of a zoned field: a digit whose zone gives the sign (D or
// B negative; F, C, A, E or 3 positive) or an ASCII overpunch letter.
bool zonedlast(u8 c, int* d, bool* neg) {
    u8 z = c >> 4, lo = c & 0x0F;
    if (lo <= 9 && (z == 0xF || z == 0xC || z == 0xA || z == 0xE || z == 0x3)) {
        *d = lo, *neg = false;
        return true;
    }
    if (lo <= 9 && (z == 0xD || z == 0xB)) {
        *d = lo, *neg = true;
        return true;
    }
    if (!(kOvp[c] & OVP_IS)) return false;
    *d = kOvp[c] & 0x0F, *neg = (kOvp[c] & OVP_NEG) != 0;
    return true;
}

// The digit of a zoned byte ahead of the last: zone F or 3, 0 to 9; else 255.
constexpr std::array<u8, 256> kZoned = [] {
    std::array<u8, 256> t{};
    for (int c = 0; c < 256; ++c) {
        t[c] = ((c >> 4) == 0xF || (c >> 4) == 0x3) && (c & 0x0F) <= 9 ? static_cast<u8>(c & 0x0F) : 255;
    }
    return t;
}();

// Read a zoned decimal field by nibbles: every byte but the last is a
// digit with zone F (EBCDIC) or 3 (ASCII); the last byte follows
// zonedlast.  Worked: F1 F2 D3 is -123, 31 32 4C ("12L") -123.
bool numzoned(const u8* s, int n, NUMT* x) {
    if (n <= 0) return false;
    for (int i = 0; i < n - 1; ++i) {
        if (kZoned[s[i]] > 9 || !numdig(x, kZoned[s[i]])) return false;
    }
    int d;
    return zonedlast(s[n - 1], &d, &x->neg) && numdig(x, d);
}

// The same rules straight to a magnitude, for the record loop: false for
// a bad byte or more than 19 significant digits.
bool zonedmag(const u8* s, int n, u64* mag, bool* neg) {
    if (n <= 0) return false;
    int i = 0;
    while (i < n - 1 && (s[i] == 0xF0 || s[i] == 0x30)) ++i;
    if (n - i > 19) return false;
    u64 v = 0;
    for (; i < n - 1; ++i) {
        u8 d = kZoned[s[i]];
        if (d > 9) return false;
        v = v * 10 + d;
    }
    int d;
    if (!zonedlast(s[n - 1], &d, neg)) return false;
    *mag = v * 10 + static_cast<u64>(d);
    return true;
}

// Read a number text whose length carries the flags RMVB_FLOAT and
// CV_ZONED.  A zero value is never negative.
bool numscan(const char* text, int lenflags, NUMT* x) {
    std::memset(x, 0, sizeof *x);
    if (lenflags < 0 || lenflags > 0xFFFF || (text == nullptr && (lenflags & CV_LENMASK) != 0)) {
        return false;
    }
    const u8* s = reinterpret_cast<const u8*>(text);
    int n = lenflags & CV_LENMASK;
    bool ok = (lenflags & CV_ZONED) ? numzoned(s, n, x) : numchar(s, n, (lenflags & RMVB_FLOAT) != 0, x);
    if (!ok) return false;
    bool zero = true;
    for (int k = 0; k < x->ndig; ++k) zero = zero && x->dig[k] == 0;
    if (zero) x->neg = false;
    return true;
}

// ---------------------------------------------------------------------------
// Digit strings and rounding
// ---------------------------------------------------------------------------

// Digits of a number brought to a number of decimals: the surplus digits
// dropped with rounding half-up on the first dropped digit, missing places
// counted in zeros (not stored).  No leading zeros; n == 0 is zero.
struct DIGS {
    int  n;                    // digits in d
    long zeros;                // zero digits that follow them
    bool neg;                  // negative (never for zero)
    u8   d[RMVB_DIGS + 1];     // digit values, most significant first
};

void numround(const NUMT& x, int decimals, DIGS* r) {
    if (decimals < 0) decimals = 0;
    int keep = x.ndig;
    r->zeros = 0;
    if (decimals >= x.dec) {
        r->zeros = static_cast<long>(decimals) - x.dec;
    } else {
        keep = x.ndig - (x.dec - decimals);
    }
    bool up = keep < x.ndig && x.dig[keep] >= 5;
    r->d[0] = 0;                   // room for a carry out of the top digit
    std::memcpy(r->d + 1, x.dig, static_cast<std::size_t>(keep));
    for (int k = keep; up && k >= 0; --k) {
        up = r->d[k] == 9;
        r->d[k] = up ? 0 : static_cast<u8>(r->d[k] + 1);
    }
    int lz = 0;
    while (lz <= keep && r->d[lz] == 0) ++lz;
    r->n = keep + 1 - lz;
    std::memmove(r->d, r->d + lz, static_cast<std::size_t>(r->n));
    r->neg = x.neg && r->n > 0;
    if (r->n == 0) r->zeros = 0;
}

// Digits of an unsigned 64-bit magnitude into DIGS.
void u2digs(u64 mag, bool neg, long zeros, DIGS* r) {
    u8 tmp[20];
    int n = 0;
    while (mag != 0) tmp[n++] = static_cast<u8>(mag % 10), mag /= 10;
    r->n = n;
    for (int k = 0; k < n; ++k) r->d[k] = tmp[n - 1 - k];
    r->neg = neg && n > 0;
    r->zeros = n > 0 ? zeros : 0;
}

// Digits to an unsigned magnitude; false when above 19 digits.
bool digs2u(const DIGS& r, u64* mag) {
    if (r.n + r.zeros > 19) return false;
    u64 v = 0;
    for (int k = 0; k < r.n; ++k) v = v * 10 + r.d[k];
    for (long k = 0; k < r.zeros; ++k) v *= 10;
    *mag = v;
    return true;
}

// A magnitude and sign to a signed value within [lo, hi] (lo < 0 < hi).
bool mag2ll(u64 mag, bool neg, long long lo, long long hi, long long* v) {
    if (neg && mag != 0) {
        if (mag - 1 > static_cast<u64>(-(lo + 1))) return false;
        *v = -static_cast<long long>(mag - 1) - 1;
        return true;
    }
    if (mag > static_cast<u64>(hi)) return false;
    *v = static_cast<long long>(mag);
    return true;
}

// Character (or zoned) text to an integer within [lo, hi], decimals
// rounded away half-up.
int text2ll(const char* text, int lenflags, long long lo, long long hi, long long* v) {
    u64 mag;
    bool neg;
    if ((lenflags & CV_ZONED) && lenflags >= 0 && lenflags <= 0xFFFF && text != nullptr) {
        const u8* s = reinterpret_cast<const u8*>(text);
        return zonedmag(s, lenflags & CV_LENMASK, &mag, &neg) && mag2ll(mag, neg, lo, hi, v) ? 0 : 1;
    }
    NUMT x;
    DIGS r;
    if (!numscan(text, lenflags & ~RMVB_FLOAT, &x)) return 1;
    numround(x, 0, &r);
    if (!digs2u(r, &mag) || !mag2ll(mag, r.neg, lo, hi, v)) return 1;
    return 0;
}

constexpr long long kI32Lo = -2147483647LL - 1, kI32Hi = 2147483647LL;
constexpr long long kI64Lo = INT64_MIN, kI64Hi = INT64_MAX;

}  // namespace

// Normalised number text: "+" or "-", the digits (float form: with the
// point, appended when none was seen, and the exponent); NUL-terminated.
int rmvb(const char* text, int length, char* out) {
    NUMT x;
    out[0] = '\0';
    if (!numscan(text, length, &x)) return -1;
    bool flt = (length & RMVB_FLOAT) != 0;
    char* o = out;
    *o++ = x.neg ? '-' : '+';
    int ip = x.ndig - x.dec;
    for (int k = 0; k < ip; ++k) *o++ = static_cast<char>('0' + x.dig[k]);
    if (flt && x.ndig == 0 && !x.point) *o++ = '0';
    if (flt) *o++ = '.';
    for (int k = ip; k < x.ndig; ++k) *o++ = static_cast<char>('0' + x.dig[k]);
    if (x.ndig == 0 && (!flt || x.point)) *o++ = '0';
    if (x.hasexp) {
        *o++ = 'E';
        if (x.expsign != 0) *o++ = x.expsign;
        auto [end, ec] = std::to_chars(o, out + RMVB_OUT - 1, x.exp < 0 ? -x.exp : x.exp);
        o = ec == std::errc{} ? end : o;
    }
    *o = '\0';
    return x.dec;
}

// ---------------------------------------------------------------------------
// Packed and unsigned packed decimal
// ---------------------------------------------------------------------------
//
// Packed, 3 bytes, 1 decimal, value -12.5:  00 12 5D
//   nibbles 0 0 | 1 2 | 5 D: digits 00125, sign D (negative).

namespace {

// Pack digits right-aligned into a packed field with sign nibble C or D.
// The field is left unchanged when they do not fit (2 x length - 1 digits).
int packdigs(char* t, int len, const DIGS& r) {
    if (len <= 0 || t == nullptr) return 1;
    long total = r.n == 0 ? 0 : r.n + r.zeros;
    if (total > 2L * len - 1) return 1;
    u8* p = reinterpret_cast<u8*>(t);
    std::memset(p, 0, static_cast<std::size_t>(len));
    p[len - 1] = r.neg ? 0x0D : 0x0C;
    for (int j = 0; j < r.n; ++j) {            // digit j counted from the right
        long k = r.zeros + j;                  // its nibble from the right, 0 = units
        u8 d = r.d[r.n - 1 - j];
        p[len - 1 - (k + 1) / 2] |= static_cast<u8>((k & 1) ? d : d << 4);
    }
    return 0;
}

// Two digits a byte: kBcd[v] for v = 0 to 99; kPk2[b] the value of a
// byte of two digit nibbles, 255 when either nibble is above 9.
constexpr std::array<u8, 100> kBcd = [] {
    std::array<u8, 100> t{};
    for (int v = 0; v < 100; ++v) t[v] = static_cast<u8>((v / 10) << 4 | (v % 10));
    return t;
}();
constexpr std::array<u8, 256> kPk2 = [] {
    std::array<u8, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = (b >> 4) <= 9 && (b & 15) <= 9 ? static_cast<u8>((b >> 4) * 10 + (b & 15)) : 255;
    return t;
}();
constexpr std::array<u64, 20> kPow10 = [] {
    std::array<u64, 20> t{};
    t[0] = 1;
    for (int k = 1; k < 20; ++k) t[k] = t[k - 1] * 10;
    return t;
}();

// A 64-bit integer into a packed field with a number of decimals.
// Without decimals the digits go two a byte straight from the value.
int packint(char* t, int len, int decimals, long long v) {
    u64 mag = v < 0 ? 0 - static_cast<u64>(v) : static_cast<u64>(v);
    if (decimals > 0) {
        DIGS r;
        u2digs(mag, v < 0, decimals, &r);
        return packdigs(t, len, r);
    }
    if (len > 16) return CV_PACK16;
    if (len <= 0 || t == nullptr || (len < 10 && mag >= kPow10[2 * len - 1])) return 1;
    u8* p = reinterpret_cast<u8*>(t);
    std::memset(p, 0, static_cast<std::size_t>(len));
    p[len - 1] = static_cast<u8>((mag % 10) << 4 | (v < 0 ? 0x0D : 0x0C));
    mag /= 10;
    for (int k = len - 2; mag != 0; --k, mag /= 100) p[k] = kBcd[mag % 100];
    return 0;
}

// Packed without dropped digits and with at most 19 significant digits,
// two digits a byte.  -1 when the field needs the general path.
int unpackfast(const u8* p, int len, bool sign, u64* mag, bool* neg) {
    int i = 0;
    while (i < len - 1 && p[i] == 0) ++i;
    if (2 * (len - 1 - i) + (sign ? 1 : 2) > 19) return -1;
    u64 v = 0;
    for (; i < len - 1; ++i) {
        if (kPk2[p[i]] > 99) return CV_BADPACK;
        v = v * 100 + kPk2[p[i]];
    }
    u8 b = p[len - 1];
    if (!sign) {
        if (kPk2[b] > 99) return CV_BADPACK;
        *mag = v * 100 + kPk2[b], *neg = false;
        return 0;
    }
    if ((b >> 4) > 9 || (b & 0x0F) < 0x0A) return CV_BADPACK;
    *mag = v * 10 + (b >> 4);
    *neg = (b & 0x0F) == 0x0B || (b & 0x0F) == 0x0D;
    return 0;
}

// Decode a packed field (sign nibble last) or an unsigned packed field to
// a magnitude and sign, dropping the `drop` rightmost digits with
// rounding half-up on the first dropped one.  Every nibble is checked.
// 0; 1 when the value needs more than 19 digits; CV_BADPACK for a digit
// nibble above 9 or a sign nibble below X'A'.
int unpack(const char* field, int len, bool sign, int drop, u64* mag, bool* neg) {
    if (len <= 0 || len > 0x3FFFFFFF || field == nullptr) return 1;
    const u8* p = reinterpret_cast<const u8*>(field);
    if (drop <= 0) {
        int rc = unpackfast(p, len, sign, mag, neg);
        if (rc >= 0) return rc;
    }
    int nd = sign ? 2 * len - 1 : 2 * len;
    int keep = drop <= 0 ? nd : drop >= nd ? 0 : nd - drop;
    int firstj = drop > nd ? -1 : keep;        // the first dropped digit, if inside
    u64 v = 0;
    int sig = 0, first = 0;
    for (int j = 0; j < nd; ++j) {
        u8 b = p[j >> 1];
        int d = (j & 1) ? (b & 0x0F) : (b >> 4);
        if (d > 9) return CV_BADPACK;
        if (j < keep) {
            if (sig > 0 || d != 0) ++sig, v = v * 10 + static_cast<u64>(d);
        } else if (j == firstj) {
            first = d;
        }
        if (sig > 19) v = 0;                   // keep going: every nibble is checked
    }
    *neg = false;
    if (sign) {
        int s = p[len - 1] & 0x0F;
        if (s < 0x0A) return CV_BADPACK;
        *neg = s == 0x0B || s == 0x0D;
    }
    if (sig > 19) return 1;
    *mag = v + (first >= 5 ? 1 : 0);
    return 0;
}

int unpackll(const char* field, int len, bool sign, int drop, long long* v) {
    u64 mag;
    bool neg;
    int rc = unpack(field, len, sign, drop, &mag, &neg);
    if (rc != 0) return rc;
    return mag2ll(mag, neg, kI64Lo, kI64Hi, v) ? 0 : 1;
}

}  // namespace

int cvcp(char* packed, int length, int decimals, const char* text, int textlength) {
    NUMT x;
    DIGS r;
    if (!numscan(text, textlength & ~RMVB_FLOAT, &x)) return 1;
    numround(x, decimals, &r);
    return packdigs(packed, length, r);
}

int cvlp(char* packed, int length, int decimals, long value) {
    return packint(packed, length, decimals, value);
}

int cvbp(char* packed, int length, int decimals, long long value) {
    return packint(packed, length, decimals, value);
}

int cvpl(long* result, const char* packed, int length, int drop) {
    long long v;
    int rc = unpackll(packed, length, true, drop, &v);
    if (rc == 0) *result = v;
    return rc;
}

int cvpb(long long* result, const char* packed, int length, int drop) {
    long long v;
    int rc = unpackll(packed, length, true, drop, &v);
    if (rc == 0) *result = v;
    return rc;
}

int cvul(long* result, const char* upacked, int length) {
    long long v;
    int rc = unpackll(upacked, length, false, 0, &v);
    if (rc == 0) *result = v;
    return rc;
}

int cvub(long long* result, const char* upacked, int length) {
    long long v;
    int rc = unpackll(upacked, length, false, 0, &v);
    if (rc == 0) *result = v;
    return rc;
}

// Unsigned packed: all nibbles are digits, right-aligned, no sign.
// 12345 into 3 bytes: 01 23 45.
int cvlu(char* upacked, int length, long value) {
    if (value < 0 || length < 1 || length > 15 || upacked == nullptr) return 1;
    DIGS r;
    u2digs(static_cast<u64>(value), false, 0, &r);
    if (r.n > 2 * length) return 1;
    u8* p = reinterpret_cast<u8*>(upacked);
    std::memset(p, 0, static_cast<std::size_t>(length));
    for (int k = 0; k < r.n; ++k) {            // k = nibble from the right
        u8 d = r.d[r.n - 1 - k];
        p[length - 1 - k / 2] |= static_cast<u8>((k & 1) ? d << 4 : d);
    }
    return 0;
}

// A double through its printed text "%+.*f" at that many decimals.
int cvfp(char* packed, int length, int decimals, double value) {
    if (decimals < 0) decimals = 0;
    if (!std::isfinite(value) || decimals > RMVB_DIGS) return 1;
    char buf[400];                             // sign, 309 digits, point, 47 decimals
    int n = std::snprintf(buf, sizeof buf, "%+.*f", decimals, value);
    if (n <= 0 || n >= static_cast<int>(sizeof buf)) return 1;
    return cvcp(packed, length, decimals, buf, n);
}

// ---------------------------------------------------------------------------
// Character to integer
// ---------------------------------------------------------------------------

int cvcl(long* result, const char* text, int length) {
    long long v;
    if (text2ll(text, length, kI32Lo, kI32Hi, &v) != 0) return 1;
    *result = v;
    return 0;
}

int cvcb(long long* result, const char* text, int length) {
    long long v;
    if (text2ll(text, length, kI64Lo, kI64Hi, &v) != 0) return 1;
    *result = v;
    return 0;
}

// ---------------------------------------------------------------------------
// Big-endian binary
// ---------------------------------------------------------------------------
//
// -2 in 2 bytes: FF FE; 255 in 1 byte: FF (one byte is unsigned);
// -2 in 10 bytes: FF FF | FF FF FF FF FF FF FF FE (two sign-extension bytes).

namespace {

int getbin(const char* field, int len, long long* v) {
    if (len <= 0 || field == nullptr) return 1;
    const u8* p = reinterpret_cast<const u8*>(field);
    if (len == 1) {
        *v = p[0];
        return 0;
    }
    if (len > 8) {
        u8 ext = (p[len - 8] & 0x80) ? 0xFF : 0x00;
        for (int i = 0; i < len - 8; ++i) {
            if (p[i] != ext) return 1;
        }
        p += len - 8;
        len = 8;
    }
    u64 u = (p[0] & 0x80) ? ~u64{0} : 0;
    for (int i = 0; i < len; ++i) u = (u << 8) | p[i];
    *v = static_cast<long long>(u);
    return 0;
}

int putbin(char* field, int len, long long v) {
    if (len <= 0 || field == nullptr) return 1;
    u8* p = reinterpret_cast<u8*>(field);
    if (len == 1) {
        if (v < 0 || v > 255) return 1;
        p[0] = static_cast<u8>(v);
        return 0;
    }
    if (len < 8) {
        long long lim = 1LL << (8 * len - 1);
        if (v < -lim || v >= lim) return 1;
    } else {
        std::memset(p, v < 0 ? 0xFF : 0x00, static_cast<std::size_t>(len - 8));
        p += len - 8;
        len = 8;
    }
    u64 u = static_cast<u64>(v);
    for (int i = len - 1; i >= 0; --i, u >>= 8) p[i] = static_cast<u8>(u);
    return 0;
}

}  // namespace

int cvil(long* result, const char* binary, int length) {
    long long v;
    if (getbin(binary, length, &v) != 0) return 1;
    *result = v;
    return 0;
}

int cvib(long long* result, const char* binary, int length) {
    long long v;
    if (getbin(binary, length, &v) != 0) return 1;
    *result = v;
    return 0;
}

int cvli(char* binary, int length, long value) { return putbin(binary, length, value); }
int cvbi(char* binary, int length, long long value) { return putbin(binary, length, value); }

// Binary to binary: widening extends the sign (a 1-byte source is
// unsigned); narrowing drops only sign-extension bytes.
int cvii(char* binary, int length, const char* source, int slength) {
    if (length <= 0 || slength <= 0 || binary == nullptr || source == nullptr) return 1;
    const u8* s = reinterpret_cast<const u8*>(source);
    bool neg = slength > 1 && (s[0] & 0x80);
    u8 ext = neg ? 0xFF : 0x00;
    if (length < slength) {
        for (int i = 0; i < slength - length; ++i) {
            if (s[i] != ext) return 1;
        }
        u8 top = s[slength - length];
        if (length == 1 ? neg : ((top & 0x80) != 0) != neg) return 1;
        std::memmove(binary, s + slength - length, static_cast<std::size_t>(length));
        return 0;
    }
    std::memmove(binary + length - slength, s, static_cast<std::size_t>(slength));
    std::memset(binary, ext, static_cast<std::size_t>(length - slength));
    return 0;
}

int cvpi(char* binary, int length, const char* packed, int plength, int drop) {
    long long v;
    int rc = unpackll(packed, plength, true, drop, &v);
    if (rc != 0) return rc;
    return putbin(binary, length, v);
}

int cvip(char* packed, int length, int decimals, const char* binary, int blength) {
    long long v;
    if (getbin(binary, blength, &v) != 0) return 1;
    return packint(packed, length, decimals, v);
}

int cvci(char* binary, int length, const char* text, int textlength) {
    long long v;
    bool narrow = length <= 4;
    if (text2ll(text, textlength, narrow ? kI32Lo : kI64Lo, narrow ? kI32Hi : kI64Hi, &v) != 0) {
        return 1;
    }
    return putbin(binary, length, v);
}

// ---------------------------------------------------------------------------
// Floating point
// ---------------------------------------------------------------------------
//
// A float field of 1 to 8 bytes is widened to 4 (up to 4 bytes) or 8
// bytes with zeros on its low-order side; a short target takes the
// high-order bytes of the result.  In the machine's-own styles the
// high-order bytes lie at the end of the field.  Worked: -2.5 in
//   IEEE single, big-endian   C0 20 00 00   sign 1, biased 128, 1.01b x 2^1
//   IEEE double, big-endian   C0 04 00 00 00 00 00 00
//   hex float, 4 bytes        C1 28 00 00   0.28 hex x 16^1 = 2.5
//   IEEE double, native (LE)  00 00 00 00 00 00 04 C0

namespace {

constexpr bool kLittle = std::endian::native == std::endian::little;

bool fstyle(int s) { return s >= FD_STYL_HFP && s <= FD_STYL_NAT; }
bool fhex(int s) { return s == FD_STYL_HFP || s == FD_STYL_HFPN; }
bool fswap(int s) { return kLittle && (s == FD_STYL_HFPN || s == FD_STYL_NAT); }

// An unpacked float: value = frac / 2^64 x 2^exp, frac's top bit set;
// frac == 0 is zero.  Infinities and NaNs get an exponent beyond every
// target, so that packing them fails.
struct FLT {
    bool neg;        // sign
    int  exp;        // binary exponent
    u64  frac;       // fraction, leading 1 at bit 63
};
constexpr int kFltHuge = 1 << 20;

// The field's bytes as a 4- or 8-byte big-endian integer.
u64 fload(const u8* s, int n, int style, int w) {
    u8 be[8] = {};
    for (int i = 0; i < n; ++i) be[i] = fswap(style) ? s[n - 1 - i] : s[i];
    u64 u = 0;
    for (int i = 0; i < w; ++i) u = (u << 8) | be[i];
    return u;
}

void fstore(u8* t, int n, int style, int w, u64 u) {
    u8 be[8];
    for (int i = 0; i < w; ++i) be[i] = static_cast<u8>(u >> (8 * (w - 1 - i)));
    for (int j = 0; j < n; ++j) t[j] = fswap(style) ? be[n - 1 - j] : be[j];
}

void fnorm(FLT* f) {
    if (f->frac == 0) return;
    int lz = std::countl_zero(f->frac);
    f->frac <<= lz;
    f->exp -= lz;
}

// IEEE: exponent field minus the bias, plus 1, implicit 1 restored;
// denormals read without it.
FLT unieee(u64 u, int w) {
    int mb = w == 4 ? 23 : 52, eb = w == 4 ? 8 : 11, bias = w == 4 ? 127 : 1023;
    FLT f{};
    f.neg = (u >> (w * 8 - 1)) & 1;
    int e = static_cast<int>((u >> mb) & ((1u << eb) - 1));
    u64 m = u & ((u64{1} << mb) - 1);
    if (e == (1 << eb) - 1) {
        f.frac = u64{1} << 63, f.exp = kFltHuge;
    } else if (e == 0) {
        f.frac = m << (63 - mb), f.exp = 2 - bias;
        fnorm(&f);
    } else {
        f.frac = (m | (u64{1} << mb)) << (63 - mb), f.exp = e - bias + 1;
    }
    return f;
}

// Hexadecimal: (exponent field - 64) x 4, fraction normalised.
FLT unhex(u64 u, int w) {
    FLT f{};
    f.neg = (u >> (w * 8 - 1)) & 1;
    int e = static_cast<int>((u >> (w * 8 - 8)) & 0x7F);
    u64 m = w == 4 ? (u & 0xFFFFFF) << 40 : (u & 0x00FFFFFFFFFFFFFF) << 8;
    f.frac = m, f.exp = (e - 64) * 4;
    fnorm(&f);
    return f;
}

// IEEE packing; the fraction is truncated.  Denormals are produced where
// the value falls below the normal range; above the range or below the
// denormal range the target is zero and the status is 4 (single) or 5.
int pkieee(const FLT& f, int w, u64* u) {
    int mb = w == 4 ? 23 : 52, bias = w == 4 ? 127 : 1023, emax = w == 4 ? 254 : 2046;
    int rc = w == 4 ? CVFF_SGLBIG : CVFF_DBLBIG;
    *u = 0;
    if (f.frac == 0) return 0;
    int biased = f.exp - 1 + bias;
    u64 m;
    if (biased > emax) return rc;
    if (biased >= 1) {
        m = (f.frac << 1) >> (64 - mb);   // the leading 1 is implicit
    } else {
        int sh = 64 + 1 - bias - mb - f.exp;
        m = sh >= 64 ? 0 : f.frac >> sh;
        if (m == 0) return rc;
        biased = 0;
    }
    *u = (static_cast<u64>(f.neg) << (w * 8 - 1)) | (static_cast<u64>(biased) << mb) | m;
    return 0;
}

// Hexadecimal packing: the fraction shifts right until the exponent is a
// multiple of 4; exponent / 4 + 64 must lie in 0 to 127.
int pkhex(FLT f, int w, u64* u) {
    *u = 0;
    if (f.frac == 0) return 0;
    while ((f.exp & 3) != 0) f.frac >>= 1, ++f.exp;
    int e = f.exp / 4 + 64;
    if (e > 127) return CVFF_HFPBIG;
    if (e < 0) return CVFF_HFPLOW;
    u64 m = w == 4 ? f.frac >> 40 : f.frac >> 8;
    *u = (static_cast<u64>(f.neg) << (w * 8 - 1)) | (static_cast<u64>(e) << (w * 8 - 8)) | m;
    return 0;
}

}  // namespace

int cvff(char* target, int tlength, int tstyle, const char* source, int slength, int sstyle) {
    if (!fstyle(sstyle) || slength < 1 || slength > 8 || source == nullptr) return CVFF_SRC;
    if (!fstyle(tstyle) || tlength < 1 || tlength > 8 || target == nullptr) return CVFF_TGT;
    const u8* s = reinterpret_cast<const u8*>(source);
    u8* t = reinterpret_cast<u8*>(target);
    if (fhex(sstyle) == fhex(tstyle) && slength == tlength) {   // copy, maybe byte order
        u8 tmp[8];
        for (int i = 0; i < slength; ++i) {
            tmp[i] = fswap(sstyle) != fswap(tstyle) ? s[slength - 1 - i] : s[i];
        }
        std::memcpy(t, tmp, static_cast<std::size_t>(tlength));
        return 0;
    }
    int sw = slength <= 4 ? 4 : 8, tw = tlength <= 4 ? 4 : 8;
    u64 u = fload(s, slength, sstyle, sw);
    FLT f = fhex(sstyle) ? unhex(u, sw) : unieee(u, sw);
    int rc = fhex(tstyle) ? pkhex(f, tw, &u) : pkieee(f, tw, &u);
    fstore(t, tlength, tstyle, tw, u);
    return rc;
}

namespace {

int fl2dbl(const char* flt, int length, int style, double* d) {
    char b[8];
    int rc = cvff(b, 8, FD_STYL_NAT, flt, length, style);
    if (rc != 0) return 1;
    std::memcpy(d, b, 8);
    return 0;
}

int dbl2fl(char* flt, int length, int style, double d) {
    char b[8];
    std::memcpy(b, &d, 8);
    return cvff(flt, length, style, b, 8, FD_STYL_NAT);
}

// Rounded half away from zero; NaN and values beyond 64 bits fail.
int dbl2ll(double d, long long* v) {
    double r = std::round(d);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return 1;
    *v = static_cast<long long>(r);
    return 0;
}

}  // namespace

int cvfl(long* result, const char* flt, int length, int style) {
    double d;
    long long v;
    if (fl2dbl(flt, length, style, &d) != 0 || dbl2ll(d, &v) != 0) return 1;
    *result = v;
    return 0;
}

int cvfb(long long* result, const char* flt, int length, int style) {
    double d;
    long long v;
    if (fl2dbl(flt, length, style, &d) != 0 || dbl2ll(d, &v) != 0) return 1;
    *result = v;
    return 0;
}

int cvlf(char* flt, int length, int style, long value) {
    return dbl2fl(flt, length, style, static_cast<double>(value));
}

int cvbf(char* flt, int length, int style, long long value) {
    return dbl2fl(flt, length, style, static_cast<double>(value));
}

int cvif(char* flt, int length, int style, const char* binary, int blength) {
    long long v;
    if (getbin(binary, blength, &v) != 0) return 1;
    return dbl2fl(flt, length, style, static_cast<double>(v));
}

// Character text in float form (point and exponent allowed).
int cvcf(char* flt, int length, int style, const char* text, int textlength) {
    char buf[RMVB_OUT];
    if (rmvb(text, textlength | RMVB_FLOAT, buf) < 0) return 1;
    const char* b = buf + 1;                 // from_chars takes no "+"
    const char* e = b + std::strlen(b);
    double d;
    auto [p, ec] = std::from_chars(b, e, d);
    if (ec != std::errc{} || p != e) return 1;
    return dbl2fl(flt, length, style, buf[0] == '-' ? -d : d);
}

// ---------------------------------------------------------------------------
// Hexadecimal text
// ---------------------------------------------------------------------------
//
// Bytes C1 00 FF as hexadecimal text with the pattern "XX,": "C1,00,FF";
// the text "C1 00,ff" back to bytes: C1 00 FF.

namespace {

constexpr int GX_SEP = 187, GX_BAD = 238;
constexpr std::array<u8, 256> kHexVal = [] {
    std::array<u8, 256> t{};
    for (auto& v : t) v = GX_BAD;
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<u8>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<u8>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<u8>(c - 'a' + 10);
    t[' '] = GX_SEP;
    t[','] = GX_SEP;
    return t;
}();
constexpr char kHexDig[] = "0123456789ABCDEF";

int starfill(char* out, int length, int rc) {
    if (out != nullptr && length > 0) std::memset(out, '*', static_cast<std::size_t>(length));
    return rc;
}

void blankfill(char* out, int from, int length) {
    if (from < length) std::memset(out + from, ' ', static_cast<std::size_t>(length - from));
}

}  // namespace

// 0 to 15 for a hexadecimal digit, 187 for a blank or comma, 238 else.
int getx(int c) { return kHexVal[static_cast<u8>(c)]; }

// Pairs of hexadecimal digits to bytes, blanks and commas skipped; the
// rest of the target is blank.  An odd last digit gives "*" and 1; another
// character, or nothing at all, fills the target with "*" and gives 2;
// a target too small for the bytes, "*" and 3.
int cvhc(char* out, int length, const char* text, int textlength) {
    if (out == nullptr || length <= 0 || textlength < 0 || (text == nullptr && textlength > 0)) {
        return starfill(out, length, CV_NOTEXT);
    }
    const u8* s = reinterpret_cast<const u8*>(text);
    int o = 0, half = -1;
    for (int i = 0; i < textlength; ++i) {
        int g = kHexVal[s[i]];
        if (g == GX_SEP) continue;
        if (g == GX_BAD) return starfill(out, length, CV_NOTEXT);
        if (half < 0) {
            half = g;
            continue;
        }
        if (o >= length) return starfill(out, length, CV_SHORT);
        out[o++] = static_cast<char>(half << 4 | g);
        half = -1;
    }
    int rc = 0;
    if (half >= 0) {
        if (o >= length) return starfill(out, length, CV_SHORT);
        out[o++] = '*';
        rc = 1;
    }
    if (o == 0) return starfill(out, length, CV_NOTEXT);
    blankfill(out, o, length);
    return rc;
}

// Bytes to hexadecimal text laid through a pattern used over and over:
// each X (either case) takes the next digit, any other character is
// copied; after the last digit the rest of the target is blank.  A null or
// empty pattern is "XX".  A pattern without X gives 1, a target too small
// 3; both fill the target with "*".
int cvch(char* out, int length, const char* pattern, const char* source, int slength) {
    if (out == nullptr || length <= 0) return CV_SHORT;
    if (slength < 0 || (source == nullptr && slength > 0)) return starfill(out, length, 1);
    if (pattern == nullptr || pattern[0] == '\0') pattern = "XX";
    if (std::strpbrk(pattern, "Xx") == nullptr) return starfill(out, length, 1);
    const u8* s = reinterpret_cast<const u8*>(source);
    long nd = 2L * slength;
    int o = 0;
    const char* pc = pattern;
    for (long j = 0; j < nd; ++pc) {
        if (*pc == '\0') pc = pattern;
        if (o >= length) return starfill(out, length, CV_SHORT);
        if (*pc == 'X' || *pc == 'x') {
            u8 b = s[j >> 1];
            out[o++] = kHexDig[(j & 1) ? (b & 0x0F) : (b >> 4)];
            ++j;
        } else {
            out[o++] = *pc;
        }
    }
    blankfill(out, o, length);
    return 0;
}

// ---------------------------------------------------------------------------
// Text outputs, through the editing routines
// ---------------------------------------------------------------------------

namespace {

constexpr int kEdtDigs = 320;   // integer digits the editing engine lays out
constexpr int kPlainDec = 60;   // decimals kept in a plain number text
constexpr int kPlainMax = 1 + kEdtDigs + 1 + kPlainDec + 1;
constexpr int kTextMax = 48;    // an integer edited into 48 bytes or more fails
constexpr int kPackTxt = 64;    // packed bytes read through their number text

// The plain number text "+int.frac" of a scanned number with its exponent
// applied, for the editing engine.  Decimals beyond kPlainDec are cut: the
// engine rounds on the first dropped decimal only.  False when the integer
// part has more digits than the engine lays out.
bool numplain(const NUMT& x, char* out) {
    long ip = static_cast<long>(x.ndig) - x.dec + x.exp;   // digits ahead of the point
    if (ip > kEdtDigs) return false;
    char* o = out;
    *o++ = x.neg ? '-' : '+';
    for (long k = 0; k < ip; ++k) *o++ = static_cast<char>('0' + (k < x.ndig ? x.dig[k] : 0));
    if (ip < x.ndig) {
        *o++ = '.';
        for (long j = 0, k = ip; j < kPlainDec && k < x.ndig; ++j, ++k) {
            *o++ = static_cast<char>('0' + (k < 0 ? 0 : x.dig[k]));
        }
    }
    *o = '\0';
    return true;
}

}  // namespace

int cvlc(char* out, int length, const char* pattern, long value) {
    if (length >= kTextMax) return starfill(out, length, 1);
    return cbledt(out, length, pattern, value);
}

int cvbc(char* out, int length, const char* pattern, long long value) {
    if (length >= kTextMax) return starfill(out, length, 1);
    return cbledtb(out, length, pattern, value);
}

// Binary to text: through the 32-bit path up to 4 bytes, else 64-bit.
int cvic(char* out, int length, const char* pattern, const char* binary, int blength) {
    long long v;
    if (getbin(binary, blength, &v) != 0) return starfill(out, length, 1);
    return blength <= 4 ? cvlc(out, length, pattern, static_cast<long>(v))
                        : cvbc(out, length, pattern, v);
}

int cvpc(char* out, int length, const char* pattern, const char* packed, int plength,
         int decimals) {
    return cbledtp(out, length, pattern, packed, plength, decimals);
}

// Float to text: the double printed with 41 significant digits, made a
// plain number text, and edited.
int cvfc(char* out, int length, const char* pattern, const char* flt, int flength, int style) {
    double d;
    if (fl2dbl(flt, flength, style, &d) != 0 || !std::isfinite(d)) return starfill(out, length, 1);
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%+.40e", d);
    NUMT x;
    char plain[kPlainMax];
    if (n <= 0 || n >= static_cast<int>(sizeof buf) || !numscan(buf, n | RMVB_FLOAT, &x) ||
        !numplain(x, plain)) {
        return starfill(out, length, 1);
    }
    return cbledtc(out, length, pattern, plain);
}

// Packed to float: the digits read as text (cbledts) and scaled by the
// decimals in one correctly rounded parse.
int cvpf(char* flt, int length, int style, const char* packed, int plength, int decimals) {
    if (plength <= 0 || plength > kPackTxt) return 1;
    char t[2 * kPackTxt + 16];
    if (cbledts(t, 2 * plength + 1, packed, plength) != 0) return 1;
    char* e = t + 2 * plength;
    *e++ = 'e';
    auto [end, ec] = std::to_chars(e, t + sizeof t, decimals > 0 ? -decimals : 0);
    if (ec != std::errc{}) return 1;
    double d;
    auto [p, ec2] = std::from_chars(t + 1, end, d);
    if (ec2 != std::errc{} || p != end) return 1;
    return dbl2fl(flt, length, style, t[0] == '-' ? -d : d);
}

// ---------------------------------------------------------------------------
// Generic conversion
// ---------------------------------------------------------------------------

namespace {

// Packed to packed, right-aligned: the target's high bytes become zeros;
// source bytes that do not fit must be zeros.
int pk2pk(char* t, int tlen, const char* s, int slen) {
    if (tlen <= 0 || slen <= 0 || t == nullptr || s == nullptr) return 1;
    for (int i = 0; i < slen - tlen; ++i) {
        if (s[i] != 0) return 1;
    }
    int n = tlen < slen ? tlen : slen;
    std::memmove(t + tlen - n, s + slen - n, static_cast<std::size_t>(n));
    std::memset(t, 0, static_cast<std::size_t>(tlen - n));
    return 0;
}

// Character or zoned text re-edited into a character target, whose
// present content is the pattern unless it starts with X'00'.
int reedit(char* t, int tlen, const char* s, int slenflags) {
    constexpr int kPatMax = 256;
    NUMT x;
    char plain[kPlainMax];
    char pat[kPatMax + 1];
    if (t == nullptr || tlen <= 0) return 1;
    if (tlen > kPatMax || !numscan(s, slenflags, &x) || !numplain(x, plain)) {
        return starfill(t, tlen, 1);
    }
    const char* pattern = nullptr;
    if (t[0] != '\0') {
        std::memcpy(pat, t, static_cast<std::size_t>(tlen));
        pat[tlen] = '\0';
        pattern = pat;
    }
    return cbledtc(t, tlen, pattern, plain);
}

bool istext(int type) { return type == FD_CHAR || type == FD_ZONED; }

}  // namespace

// Generic: packed to packed, character or zoned to character or zoned
// (re-edited), a native 8-byte integer to packed; other pairs fail.
int cblcv(char* target, int tlength, int ttype, const char* source, int slength, int stype) {
    if (slength < 0 || slength > CV_LENMASK) return istext(ttype) ? starfill(target, tlength, 1) : 1;
    if (stype == FD_PACKED && ttype == FD_PACKED) return pk2pk(target, tlength, source, slength);
    if (istext(stype) && istext(ttype)) {
        return reedit(target, tlength, source,
                      slength | (stype == FD_ZONED ? CV_ZONED : RMVB_FLOAT));
    }
    if ((stype == FD_INT64 || stype == FD_PTR) && ttype == FD_PACKED) {
        if (slength != 8 || source == nullptr) return 1;
        long long v;
        std::memcpy(&v, source, 8);
        return packint(target, tlength, 0, v);
    }
    return istext(ttype) ? starfill(target, tlength, 1) : 1;
}
