// Translation tables: the ten fixed 256-byte tables that move bytes
// between ASCII and EBCDIC, fold letter case, mask unprintable bytes for the
// listing and give the two hexadecimal digits of a byte; the set-to-set
// routine cbltran and the whole-area table translation cbltrtab.
//
// Exports: ttab_ea, ttab_ae, ttab_uc, ttab_lc, ttab_tc, ttab_tb, ttab_hz,
// ttab_hn, ttab_mz, ttab_mn, cbltran, cbltrtab.
// Called by the conversions, the TRAN action and its argument parser, the
// conditions (character-set tests through cbltran) and the print listing,
// which also changes the printable set of ttab_tc, ttab_tb, ttab_mz and
// ttab_mn at run time (so those four are writable).  Calls nothing.
//
// A table translates byte b to table[b].  ttab_ae is the one table given
// byte by byte; ttab_ea is built from it at compile time as its inverse,
// and every other table from its rule.
#include "runtime/runtime.h"

#include <cstring>

namespace {

// Printable for the listing: X'20' to X'7E', X'80', X'A3', X'A6', X'AC'.
constexpr bool printable(int b) {
    return (b >= 0x20 && b <= 0x7e) || b == 0x80 || b == 0xa3 || b == 0xa6 || b == 0xac;
}

constexpr unsigned char hexdigit(int v) { return static_cast<unsigned char>("0123456789ABCDEF"[v & 15]); }

// What a rule makes of one byte.
enum class TRule { upper, lower, dot, blank, highdigit, lowdigit, markhigh, marklow };

constexpr unsigned char ruled(TRule rule, int b) {
    const auto same = static_cast<unsigned char>(b);
    switch (rule) {
    case TRule::upper: return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : same;
    case TRule::lower: return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 0x20) : same;
    case TRule::dot: return printable(b) ? same : '.';
    case TRule::blank: return printable(b) ? same : ' ';
    case TRule::highdigit: return hexdigit(b >> 4);
    case TRule::lowdigit: return hexdigit(b);
    case TRule::markhigh: return printable(b) ? same : hexdigit(b >> 4);
    case TRule::marklow: return printable(b) ? ' ' : hexdigit(b);
    }
    return same;
}

constexpr TTAB ruletab(TRule rule) {
    TTAB t{};
    for (int b = 0; b < 256; b++) t[b] = ruled(rule, b);
    return t;
}

constexpr bool permutation(const TTAB& t) {
    bool seen[256] = {};
    for (int a = 0; a < 256; a++) {
        if (seen[t[a]]) return false;
        seen[t[a]] = true;
    }
    return true;
}

constexpr TTAB inverse(const TTAB& t) {
    TTAB r{};
    for (int a = 0; a < 256; a++) r[t[a]] = static_cast<unsigned char>(a);
    return r;
}

}  // namespace

// ASCII to EBCDIC.  X'00' to X'7F' follow code page 037 except X'1C' -> X'22',
// X'1E' -> X'35', "[" -> X'AD', "]" -> X'BD', "^" -> X'5F'; the upper half
// is this system's own.  Row + column is the ASCII byte.
constexpr TTAB ttab_ae = {
    //         0     1     2     3     4     5     6     7     8     9     A     B     C     D     E     F
    /* 00 */ 0x00, 0x01, 0x02, 0x03, 0x37, 0x2D, 0x2E, 0x2F, 0x16, 0x05, 0x25, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    /* 10 */ 0x10, 0x11, 0x12, 0x13, 0x3C, 0x3D, 0x32, 0x26, 0x18, 0x19, 0x3F, 0x27, 0x22, 0x1D, 0x35, 0x1F,
    /* 20 */ 0x40, 0x5A, 0x7F, 0x7B, 0x5B, 0x6C, 0x50, 0x7D, 0x4D, 0x5D, 0x5C, 0x4E, 0x6B, 0x60, 0x4B, 0x61,
    /* 30 */ 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x5E, 0x4C, 0x7E, 0x6E, 0x6F,
    /* 40 */ 0x7C, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,
    /* 50 */ 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xAD, 0xE0, 0xBD, 0x5F, 0x6D,
    /* 60 */ 0x79, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96,
    /* 70 */ 0x97, 0x98, 0x99, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xC0, 0x4F, 0xD0, 0xA1, 0x07,
    /* 80 */ 0x9F, 0x20, 0x21, 0x1C, 0x23, 0xEB, 0x24, 0x9B, 0x71, 0x28, 0x38, 0x49, 0x90, 0xBA, 0xEC, 0xDF,
    /* 90 */ 0x45, 0x29, 0x2A, 0x9D, 0x72, 0x2B, 0x8A, 0x9A, 0x67, 0x56, 0x64, 0x4A, 0x53, 0x68, 0x59, 0x46,
    /* A0 */ 0xEA, 0xDA, 0x2C, 0xDE, 0x8B, 0x55, 0x41, 0xFE, 0x58, 0x51, 0x52, 0x48, 0x69, 0xDB, 0x8E, 0x8D,
    /* B0 */ 0x73, 0x74, 0x75, 0xFA, 0x15, 0xB0, 0xB1, 0xB3, 0xB4, 0xB5, 0x6A, 0xB7, 0xB8, 0xB9, 0xCC, 0xBC,
    /* C0 */ 0xAB, 0x3E, 0x3B, 0x0A, 0xBF, 0x8F, 0x3A, 0x14, 0xA0, 0x17, 0xCB, 0xCA, 0x1A, 0x1B, 0x9C, 0x04,
    /* D0 */ 0x34, 0xEF, 0x1E, 0x06, 0x08, 0x09, 0x77, 0x70, 0xBE, 0xBB, 0xAC, 0x54, 0x63, 0x65, 0x66, 0x62,
    /* E0 */ 0x30, 0x42, 0x47, 0x57, 0xEE, 0x33, 0xB6, 0xE1, 0xCD, 0xED, 0x36, 0x44, 0xCE, 0xCF, 0x31, 0xAA,
    /* F0 */ 0xFC, 0x9E, 0xAE, 0x8C, 0xDD, 0xDC, 0x39, 0xFB, 0x80, 0xAF, 0xFD, 0x78, 0x76, 0xB2, 0x43, 0xFF,
};
static_assert(permutation(ttab_ae), "ASCII to EBCDIC must be a permutation of the 256 bytes");

constexpr TTAB ttab_ea = inverse(ttab_ae);
static_assert(ttab_ea[0xC1] == 0x41 && ttab_ea[0x40] == 0x20 && ttab_ea[0xF0] == 0x30);

constexpr TTAB ttab_uc = ruletab(TRule::upper);
constexpr TTAB ttab_lc = ruletab(TRule::lower);
constexpr TTAB ttab_hz = ruletab(TRule::highdigit);
constexpr TTAB ttab_hn = ruletab(TRule::lowdigit);
constinit TTAB ttab_tc = ruletab(TRule::dot);
constinit TTAB ttab_tb = ruletab(TRule::blank);
constinit TTAB ttab_mz = ruletab(TRule::markhigh);
constinit TTAB ttab_mn = ruletab(TRule::marklow);

// Replace each byte of text found in from by the byte of to at the first
// position that holds it.  The set is looked up through a 256-entry map
// built once per call, so from and to may overlap the text.
int cbltran(char* text, int length, int setlen, const char* from, const char* to) {
    if (!text || !from) return 0;
    std::size_t n = length < 1 ? std::strlen(text) : static_cast<std::size_t>(length);
    std::size_t m = setlen < 1 ? std::strlen(from) : static_cast<std::size_t>(setlen);
    bool countonly = !to || to == from;
    short map[256];
    std::memset(map, 0xff, sizeof map);  // -1: not in the set
    for (std::size_t i = m; i-- > 0;)
        map[static_cast<unsigned char>(from[i])] = static_cast<unsigned char>(countonly ? from[i] : to[i]);
    int count = 0;
    for (std::size_t i = 0; i < n; i++) {
        short r = map[static_cast<unsigned char>(text[i])];
        if (r < 0) continue;
        count++;
        if (!countonly) text[i] = static_cast<char>(r);
    }
    return count;
}

// dst[i] = table[src[i]] for len bytes; dst may be src.  Eight bytes a
// turn, so that the loads of the next bytes overlap the table look-ups.
void cbltrtab(unsigned char* dst, const unsigned char* src, long len, const unsigned char* table) {
    long i = 0;
    for (; i + 8 <= len; i += 8) {
        unsigned char b0 = table[src[i]], b1 = table[src[i + 1]], b2 = table[src[i + 2]],
                      b3 = table[src[i + 3]], b4 = table[src[i + 4]], b5 = table[src[i + 5]],
                      b6 = table[src[i + 6]], b7 = table[src[i + 7]];
        dst[i] = b0, dst[i + 1] = b1, dst[i + 2] = b2, dst[i + 3] = b3;
        dst[i + 4] = b4, dst[i + 5] = b5, dst[i + 6] = b6, dst[i + 7] = b7;
    }
    for (; i < len; i++) dst[i] = table[src[i]];
}
