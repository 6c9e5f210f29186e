// Dates: conversion between the date styles of business data in any of the
// storage types character, packed, binary and unsigned packed; formatting
// with a picture mask of date letters; the run's date-time block.  All
// arithmetic is on the proleptic Gregorian calendar through a day count.
//
// Exports:
//   cvdate     one date from an input style and type to an output style and
//              type (the CVDATE action)
//   date_fmt   a yyyymmdd date through a mask such as "Ddd, dd Mmm yyyy"
//   cbldate    the 112-byte date-time block (driver, listing heading, MFV
//              file header)
//   cv_ii_dy, cv_dy_jj, cv_jj_ii, cv_ii_jj, validatI, validatJ, century,
//   wkdayno    the day arithmetic
// Calls: cbledtb and strupr (numeric editing) for character numbers, the
// conversions cvpb, cvub, cvib, cvbp, cvlu and cvbi for the other types,
// errlogic for a style code no statement can produce, and the clock.
//
// Divisions: day arithmetic; character dates and storage types; cvdate;
// masks; the date-time block.
//
// Date styles (low 4 bits input, high 4 bits output):
//   1 I yyyymmdd   2 A mmddyyyy   3 B ddmmyyyy   4 J yyyyddd
//   5 D day number, 1 being 1900-01-01 (a Monday)
//   6 T 8-byte clock: the first 5 bytes, big-endian, count units of
//       4.096 ms (21093750 to the day) from 1900-01-01 00:00; 3 zero bytes
//   7 N now (input only)   8 mask (output only)   9 date-time block (output)
//
// The date-time block, 112 bytes, "+" where nothing is written; binary
// fields are 4 bytes big-endian.  Mode 3 for 2026-12-04 (a Friday, day 338
// of the year, day number 46359 = X'B517'; time fields 0):
//   off  len  content                          example
//     0    4  seconds since the epoch           00000000
//     4    4  milliseconds                      00000000
//     8    4  packed yyyyddd, sign F            2026338F
//    12    4  packed hhmmss, sign 0             00000000
//    16    8  mm/dd/yy                          "12/04/26"
//    25    8  dd/mm/yy                          "04/12/26"
//    34   21  yyyy/mm/dd hh:mm:ss.t             "2026/12/04 00:00:00.0"
//    56   24  day name, day with suffix, month  "Friday     4th December "
//    81    8  yyyy/ddd                          "2026/338"
//    90    5  week of the year                  "Wk:48"
//    96    4  day number                        0000B517
//   100    4  seconds since midnight            00000000
//   104    4  microseconds                      00000000
//   108    4  processor time in milliseconds    00000000
// with blanks at 24, 33, 55, 80, 89 and 95.  Mode 2 writes up to offset 80.
#include "report/report.h"
#include "runtime/runtime.h"

#include <sys/time.h>
#include <array>
#include <cstring>
#include <ctime>
#include <string_view>

namespace {

constexpr int kDays1900 = 693595;          // days from 0001-01-01 to 1899-12-31
constexpr int kDays400 = 146097;
constexpr int kDays100 = 36524;
constexpr int kDays4 = 1461;
constexpr long long kClockDay = 21093750;  // clock units (4.096 ms) in a day
constexpr long long kClockSecond = 4096000000LL;  // 8-byte clock units in a second
constexpr long long kClockMax = 1LL << 40;  // the 5-byte clock's range
constexpr int kCharMax = 78;               // characters of a character date
constexpr int kMaskMax = 256;              // bytes of a mask

// Days in each month, February of a common year.
constexpr std::array<int, 12> mtab = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr std::array<const char*, 7> dnamTab = {"Sunday   ", "Monday   ", "Tuesday  ", "Wednesday",
                                                "Thursday ", "Friday   ", "Saturday "};
constexpr std::array<const char*, 12> mnamTab = {"January  ", "February ", "March    ", "April    ",
                                                 "May      ", "June     ", "July     ", "August   ",
                                                 "September", "October  ", "November ", "December "};

// February's length in the year.
int mtab_set(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28; }

int mdays(int year, int month) { return month == 2 ? mtab_set(year) : mtab[month - 1]; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Days before the month of the year, counted from 0001-01-01.
int cv_ym_dy(int year, int month) {
    int y = year - 1;
    int n = y / 400 * kDays400 + y % 400 / 100 * kDays100 + y % 100 / 4 * kDays4 + y % 4 * 365;
    for (int m = 1; m < month; ++m) n += mdays(year, m);
    return n;
}

// ---------------------------------------------------------------------------
// Style rearrangements
// ---------------------------------------------------------------------------

long long cvd_iA(long long ii) { return ii % 10000 * 10000 + ii / 10000; }
long long cvd_Ai(long long a) { return a % 10000 * 10000 + a / 10000; }
long long cvd_iB(long long ii) { return ii % 100 * 1000000 + ii / 100 % 100 * 10000 + ii / 10000; }
long long cvd_Bi(long long b) { return b % 10000 * 10000 + b / 10000 % 100 * 100 + b / 1000000; }
long long cvd_iD(long long ii) { return cv_ii_dy(static_cast<int>(ii)) - kDays1900; }

// Day number to yyyymmdd; -1 outside 0001-01-01 to 9999-12-31.
long long cvd_Di(long long day) {
    long long n = day + kDays1900;
    if (n < 1 || n > cv_ii_dy(99991231)) return -1;
    return cv_jj_ii(cv_dy_jj(static_cast<int>(n)));
}

// Day number from the 5 leading bytes of a clock value.
long long cvd_TD(const unsigned char* t) {
    long long v = 0;
    for (int i = 0; i < 5; ++i) v = v << 8 | t[i];
    return v / kClockDay + 1;
}

// A 4-byte big-endian binary field of the date-time block.
void be32(char* p, long long v) { cvbi(p, 4, static_cast<int>(v)); }

}  // namespace

// ---------------------------------------------------------------------------
// Day arithmetic
// ---------------------------------------------------------------------------

int cv_ii_dy(int ii) { return cv_ym_dy(ii / 10000, ii / 100 % 100) + ii % 100; }

// The last day of a 400-year or 4-year cycle is day 366 of its year.
int cv_dy_jj(int days) {
    int n = days - 1;
    int q400 = n / kDays400;
    n %= kDays400;
    int q100 = n / kDays100;
    if (q100 == 4) q100 = 3;
    n -= q100 * kDays100;
    int q4 = n / kDays4;
    n %= kDays4;
    int q1 = n / 365;
    if (q1 == 4) q1 = 3;
    n -= q1 * 365;
    return (q400 * 400 + q100 * 100 + q4 * 4 + q1 + 1) * 1000 + n + 1;
}

int cv_jj_ii(int jj) {
    int year = jj / 1000, d = jj % 1000, m = 1;
    while (m < 12 && d > mdays(year, m)) d -= mdays(year, m++);
    return year * 10000 + m * 100 + d;
}

int cv_ii_jj(int ii) {
    int year = ii / 10000;
    return year * 1000 + cv_ii_dy(ii) - cv_ym_dy(year, 1);
}

bool validatI(long long ii) {
    long long y = ii / 10000, m = ii / 100 % 100, d = ii % 100;
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= mdays(static_cast<int>(y), static_cast<int>(m));
}

bool validatJ(long long jj) {
    long long y = jj / 1000, d = jj % 1000;
    return y >= 1 && y <= 9999 && d >= 1 && d <= 337 + mtab_set(static_cast<int>(y));
}

// Two-digit years 50 to 99 are 19yy, 00 to 49 are 20yy.
long long century(long long v, int style) {
    switch (style) {
    case DATE_I: return v > 999999 ? v : v + (v >= 500000 ? 19000000 : 20000000);
    case DATE_A:
    case DATE_B: return v > 999999 ? v : v / 100 * 10000 + (v % 100 >= 50 ? 1900 : 2000) + v % 100;
    case DATE_J: return v > 99999 ? v : v + (v >= 50000 ? 1900000 : 2000000);
    default: return v;
    }
}

// 0 Sunday, 1 Monday ... 6 Saturday.
int wkdayno(long long day) { return static_cast<int>((day % 7 + 7) % 7); }

namespace {

// ---------------------------------------------------------------------------
// Character dates
// ---------------------------------------------------------------------------

constexpr std::string_view kMonList = ",JAN,FEB,MAR,APR,MAY,JUN,JUL,AUG,SEP,OCT,NOV,DEC,JLY,TH ,ST ,ND ,RD ,";
constexpr int kMonGroups = 16;  // 12 months, JLY, 4 ordinal suffixes

constexpr std::array<bool, 256> kMonStart = [] {
    std::array<bool, 256> t{};
    for (char c : std::string_view("ADFJMNORST")) t[static_cast<unsigned char>(c)] = true;
    return t;
}();

// A single digit before position i (blank before it) becomes two.
void d2dd(char* s, int i) {
    if (i >= 2 && is_digit(s[i - 1]) && s[i - 2] == ' ') s[i - 2] = '0';
}

// Month abbreviations become "nn " and ordinal suffixes blanks, single
// digit days padded with 0.  s[0] and s[n-1] are blanks.
void mmm2nn(char* s, int n) {
    for (int i = 1; i + 3 <= n; ++i) {
        if (!kMonStart[static_cast<unsigned char>(s[i])]) continue;
        int k = 0;
        while (k < kMonGroups && std::memcmp(s + i, kMonList.data() + 1 + 4 * k, 3) != 0) ++k;
        if (k == kMonGroups) continue;
        if (k >= 13) {  // TH, ST, ND, RD
            s[i] = s[i + 1] = ' ';
            d2dd(s, i);
        } else {
            int m = k == 12 ? 7 : k + 1;
            s[i] = static_cast<char>('0' + m / 10);
            s[i + 1] = static_cast<char>('0' + m % 10);
            s[i + 2] = ' ';
            int j = i + 3;
            while (j < n && s[j] == ' ') ++j;
            if (j < n && is_digit(s[j]) && (j + 1 == n || !is_digit(s[j + 1]))) s[j - 1] = '0';
        }
        i += 2;
    }
}

// A character date: upper-cased, month names turned into numbers, then its
// digits read with the blanks between them skipped.
bool char_date(const char* in, int inlen, long long* v) {
    if (inlen < 1 || inlen > kCharMax) return false;
    char s[kCharMax + 3];
    s[0] = ' ';
    std::memcpy(s + 1, in, static_cast<std::size_t>(inlen));
    s[inlen + 1] = ' ';
    s[inlen + 2] = '\0';
    for (int i = 1; i <= inlen; ++i)
        if (s[i] == '\0') s[i] = '?';  // a NUL is no digit; keep strupr going
    strupr(s);
    mmm2nn(s, inlen + 2);
    long long x = 0;
    int nd = 0;
    for (int i = 0; i < inlen + 2; ++i) {
        if (s[i] == ' ') continue;
        if (!is_digit(s[i]) || ++nd > 18) return false;
        x = x * 10 + (s[i] - '0');
    }
    *v = x;
    return nd > 0;
}

// The number of a date in its storage type.
bool S_to_lon(const char* in, int inlen, int type, long long* v) {
    switch (type) {
    case FD_CHAR: return char_date(in, inlen, v);
    case FD_PACKED: return cvpb(v, in, inlen, 0) == 0;
    case FD_BIN: return cvib(v, in, inlen) == 0;
    case FD_UPACKED: return cvub(v, in, inlen) == 0;
    default: return false;
    }
}

// A date's number in the output storage type; characters are zero-padded
// digits.  A packed or binary field that cannot hold it is left unchanged.
bool lon_to_D(char* out, int outlen, long long v, int type) {
    switch (type) {
    case FD_CHAR: return cbledtb(out, outlen, nullptr, v) == 0;
    case FD_PACKED: return cvbp(out, outlen, 0, v) == 0;
    case FD_BIN: return cvbi(out, outlen, v) == 0;
    case FD_UPACKED: return cvlu(out, outlen, static_cast<long>(v)) == 0;
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// cvdate
// ---------------------------------------------------------------------------

// The 8-byte clock value of a day number plus seconds into the day; false
// when the day lies outside the clock's range (1900 to 2042).
bool cvd_DT(char* out, int outlen, long long day, long long secs) {
    if (outlen < 8 || day < 1 || (day - 1) * kClockDay >= kClockMax) return false;
    auto u = static_cast<unsigned long long>((day - 1) * kClockDay) << 24;
    u += static_cast<unsigned long long>(secs * kClockSecond);
    for (int i = 7; i >= 0; --i, u >>= 8) out[i] = static_cast<char>(u & 0xFF);
    return true;
}

// The time of day secs added to the clock value that out (8 bytes,
// big-endian) already holds, the clock value of a date; false when out is
// shorter.
bool cvd_NT(char* out, int outlen, long long secs) {
    if (outlen < 8) return false;
    unsigned long long u = 0;
    for (int i = 0; i < 8; ++i) u = u << 8 | static_cast<unsigned char>(out[i]);
    u += static_cast<unsigned long long>(secs * kClockSecond);
    for (int i = 7; i >= 0; --i, u >>= 8) out[i] = static_cast<char>(u & 0xFF);
    return true;
}

// Today as yyyymmdd and the seconds since midnight, local time.
int cvd_Nx(long long* secs) {
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    if (secs != nullptr) *secs = t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
    return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

// An input of style I, A, B, J or D as a checked yyyymmdd, or -1.
long long date_in(const char* in, int inlen, int style, int type) {
    long long v;
    if (!S_to_lon(in, inlen, type, &v)) return -1;
    if (style == DATE_D) return v < -kDays1900 || v > 9999999 ? -1 : cvd_Di(v);
    if (v < 0 || v > 99999999) return -1;
    v = century(v, style);
    long long ii;
    switch (style) {
    case DATE_I: ii = v; break;
    case DATE_A: ii = cvd_Ai(v); break;
    case DATE_B: ii = cvd_Bi(v); break;
    case DATE_J: return validatJ(v) ? cv_jj_ii(static_cast<int>(v)) : -1;
    default: errlogic(41301);
    }
    return validatI(ii) ? ii : -1;
}

// The block of a date (mode 3) or of now (mode 0), cut to the target.
bool block_out(char* out, int outlen, long long ii, bool now) {
    char b[CBLDATE_LEN];
    int d = static_cast<int>(ii);
    if (cbldate(b, &d, now ? 0 : 3) == 0) return false;
    std::memcpy(out, b, static_cast<std::size_t>(outlen < CBLDATE_LEN ? outlen : CBLDATE_LEN));
    return outlen >= CBLDATE_LEN;
}

// A checked yyyymmdd into the output style and type.
bool date_out(char* out, int outlen, long long ii, int style, int type, const char* mask, bool now) {
    switch (style) {
    case DATE_I: return lon_to_D(out, outlen, ii, type);
    case DATE_A: return lon_to_D(out, outlen, cvd_iA(ii), type);
    case DATE_B: return lon_to_D(out, outlen, cvd_iB(ii), type);
    case DATE_J: return lon_to_D(out, outlen, cv_ii_jj(static_cast<int>(ii)), type);
    case DATE_D: return lon_to_D(out, outlen, cvd_iD(ii), type);
    case DATE_T: return cvd_DT(out, outlen, cvd_iD(ii), 0);
    case DATE_MASK: return date_fmt(out, outlen, static_cast<int>(ii), mask) == 0;
    case DATE_BLOCK: return block_out(out, outlen, ii, now);
    default: errlogic(41302);
    }
}

}  // namespace

int cvdate(char* out, int outlen, const char* in, int inlen, int styles, int types, const char* mask) {
    int si = styles & 0x0F, so = styles >> 4 & 0x0F;
    int ti = types & 0x0F, to = types >> 4 & 0x0F;
    if (si < DATE_I || si > DATE_N) errlogic(41301);
    if (so < DATE_I || so > DATE_BLOCK || so == DATE_N) errlogic(41302);
    if (out == nullptr || outlen <= 0 || (si != DATE_N && in == nullptr)) return 0;
    long long ii;
    switch (si) {
    case DATE_T:
        if (inlen < 5) return 0;
        ii = cvd_Di(cvd_TD(reinterpret_cast<const unsigned char*>(in)));
        break;
    case DATE_N: {
        long long secs;
        ii = cvd_Nx(&secs);
        if (so == DATE_T) return cvd_NT(out, outlen, secs) ? 1 : 0;
        break;
    }
    default: ii = date_in(in, inlen, si, ti); break;
    }
    if (ii < 0) return 0;
    return date_out(out, outlen, ii, so, to, mask, si == DATE_N) ? 1 : 0;
}

namespace {

// ---------------------------------------------------------------------------
// Masks
// ---------------------------------------------------------------------------

// The parts of a date that the mask letters show.
struct DtParts {
    int y, m, d;  // year, month, day of the month
    int j;        // day of the year
    int w;        // week day, 0 Sunday
};

DtParts dt_parts(int ii) {
    DtParts p;
    p.y = ii / 10000;
    p.m = ii / 100 % 100;
    p.d = ii % 100;
    p.j = cv_ii_jj(ii) % 1000;
    p.w = wkdayno(cv_ii_dy(ii) - kDays1900);
    return p;
}

void put_num(char* p, long long v, int n) {
    for (int i = n - 1; i >= 0; --i, v /= 10) p[i] = static_cast<char>('0' + v % 10);
}

// Week of the year: Sunday starts a week; a first part-week of more than
// four days counts as week 1.
int fm_ww(int j, int w) { return (j - w + 7) / 7 + ((j - w + 7) % 7 > 4 ? 1 : 0); }

// Day of the month with its English suffix, 4 characters: " 4th", "21st".
void fm_ddth(char* p, int d) {
    static constexpr const char* kSuffix[] = {"th", "st", "nd", "rd"};
    int s = (d / 10 == 1 || d % 10 > 3) ? 0 : d % 10;
    p[0] = d < 10 ? ' ' : static_cast<char>('0' + d / 10);
    p[1] = static_cast<char>('0' + d % 10);
    std::memcpy(p + 2, kSuffix[s], 2);
}

// One mask being formatted.
struct Fmt {
    char* b;          // the formatted mask
    const char* m;    // the mask as given
    int n;            // its length
    DtParts p;        // the date
    int zpos[kMaskMax / 9 + 1];  // full names whose blanks move to the end
    int nz;
};

int run_of(const Fmt* f, int i, char a, char b) {
    int r = 0;
    while (i + r < f->n && (f->m[i + r] == a || f->m[i + r] == b)) ++r;
    return r;
}

// A month or day name over a group of the letter (either case, or z): the
// full name when the group is 9 or longer, else 3 characters; upper case
// when the group starts with a doubled letter ("MMM" gives "JAN").
int fm_word(Fmt* f, int i, char letter, const char* name) {
    char up = static_cast<char>(letter & ~0x20), lo = static_cast<char>(letter | 0x20);
    int g = 1;
    bool z = false;
    while (i + g < f->n && (f->m[i + g] == up || f->m[i + g] == lo || f->m[i + g] == 'z' || f->m[i + g] == 'Z')) {
        z = z || f->m[i + g] == 'z' || f->m[i + g] == 'Z';
        ++g;
    }
    bool full = g >= 9;
    int len = full ? 9 : 3;
    bool upper = f->m[i] == f->m[i + 1];
    for (int k = 0; k < len && i + k < f->n; ++k) {
        char c = name[k];
        if (upper && k > 0 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        f->b[i + k] = c;
    }
    for (int k = len; k < g; ++k) f->b[i + k] = ' ';
    if (full && z) f->zpos[f->nz++] = i;
    return g > len ? g : len;
}

// A lone D or d, not next to a letter: the week day as a digit.
int fm_wkdigit(Fmt* f, int i, bool monday) {
    bool alone = (i == 0 || !is_letter(f->m[i - 1])) && (i + 1 == f->n || !is_letter(f->m[i + 1]));
    if (alone) f->b[i] = static_cast<char>('0' + (monday ? (f->p.w == 0 ? 7 : f->p.w) : f->p.w + 1));
    return 1;
}

// Replaces the letter group at i; returns the characters it took.
int fm_group(Fmt* f, int i) {
    const DtParts& p = f->p;
    char c = f->m[i];
    int r = run_of(f, i, c, c);
    switch (c) {
    case 'y':
        if (r >= 4) return put_num(f->b + i, p.y, 4), 4;
        if (r >= 2) return put_num(f->b + i, p.y % 100, 2), 2;
        return 1;
    case 'c': return r >= 2 ? (put_num(f->b + i, p.y / 100, 2), 2) : 1;
    case 'w': return r >= 2 ? (put_num(f->b + i, fm_ww(p.j, p.w), 2), 2) : 1;
    case 'm':
        if (r >= 3) return fm_word(f, i, 'm', mnamTab[p.m - 1]);
        return r == 2 ? (put_num(f->b + i, p.m, 2), 2) : 1;
    case 'M': return run_of(f, i, 'M', 'm') >= 2 ? fm_word(f, i, 'm', mnamTab[p.m - 1]) : 1;
    case 'd':
        if (i + 4 <= f->n && std::memcmp(f->m + i, "ddth", 4) == 0) return fm_ddth(f->b + i, p.d), 4;
        if (r >= 3) return put_num(f->b + i, p.j, 3), 3;
        if (r == 2) return put_num(f->b + i, p.d, 2), 2;
        return fm_wkdigit(f, i, true);
    case 'D': return run_of(f, i, 'D', 'd') >= 2 ? fm_word(f, i, 'd', dnamTab[p.w]) : fm_wkdigit(f, i, false);
    default: return 1;
    }
}

// Blanks after a full name marked with z go to the end of the text.
void fm_zmove(Fmt* f) {
    for (int k = f->nz - 1; k >= 0; --k) {
        int pos = f->zpos[k];
        if (pos + 9 > f->n) continue;
        int t = 9;
        while (t > 0 && f->b[pos + t - 1] == ' ') --t;
        int nb = 9 - t;
        std::memmove(f->b + pos + t, f->b + pos + 9, static_cast<std::size_t>(f->n - pos - 9));
        std::memset(f->b + f->n - nb, ' ', static_cast<std::size_t>(nb));
    }
}

}  // namespace

int date_fmt(char* out, int length, int ii, const char* mask) {
    if (out == nullptr || length <= 0 || mask == nullptr || !validatI(ii)) return DF_BAD;
    int n = 0;
    while (n <= kMaskMax && mask[n] != '\0') ++n;
    if (n > kMaskMax) return DF_BAD;
    char b[kMaskMax];
    std::memcpy(b, mask, static_cast<std::size_t>(n));
    Fmt f{b, mask, n, dt_parts(ii), {}, 0};
    for (int i = 0; i < n;) i += fm_group(&f, i);
    fm_zmove(&f);
    int w = n < length ? n : length;
    std::memcpy(out, b, static_cast<std::size_t>(w));
    if (w < length) std::memset(out + w, ' ', static_cast<std::size_t>(length - w));
    return n > length ? DF_SHORT : 0;
}

namespace {

// ---------------------------------------------------------------------------
// The date-time block
// ---------------------------------------------------------------------------

// The clock readings a block shows; all 0 for a given date.
struct DtClock {
    long long epoch;  // seconds since 1970
    int ms;           // milliseconds of the second
    int us;           // microseconds of the second
    int secs;         // seconds since midnight
    long long cpu;    // processor time, milliseconds
};

// 7 digits and a sign nibble in 4 packed bytes.
void pk7(char* p, int v, int sign) {
    auto* u = reinterpret_cast<unsigned char*>(p);
    u[3] = static_cast<unsigned char>((v % 10) << 4 | sign);
    v /= 10;
    for (int i = 2; i >= 0; --i, v /= 100) u[i] = static_cast<unsigned char>((v / 10 % 10) << 4 | v % 10);
}

// "aa/bb/cc" from three numbers taken modulo 100.
void slash3(char* p, int a, int b, int c) {
    put_num(p, a % 100, 2);
    p[2] = '/';
    put_num(p + 3, b % 100, 2);
    p[5] = '/';
    put_num(p + 6, c % 100, 2);
}

// Offsets 0 to 80.
void blk_head(char* o, int ii, const DtClock& t) {
    DtParts p = dt_parts(ii);
    be32(o, t.epoch);
    be32(o + 4, t.ms);
    pk7(o + 8, p.y * 1000 + p.j, 0x0F);
    pk7(o + 12, t.secs / 3600 * 10000 + t.secs / 60 % 60 * 100 + t.secs % 60, 0x00);
    slash3(o + 16, p.m, p.d, p.y);
    o[24] = ' ';
    slash3(o + 25, p.d, p.m, p.y);
    o[33] = ' ';
    char* x = o + CBLDATE_TEXT;  // yyyy/mm/dd hh:mm:ss.t
    put_num(x, p.y, 4);
    x[4] = '/';
    put_num(x + 5, p.m, 2);
    x[7] = '/';
    put_num(x + 8, p.d, 2);
    x[10] = ' ';
    put_num(x + 11, t.secs / 3600, 2);
    x[13] = ':';
    put_num(x + 14, t.secs / 60 % 60, 2);
    x[16] = ':';
    put_num(x + 17, t.secs % 60, 2);
    x[19] = '.';
    int tenth = (t.ms + 50) / 100;
    x[20] = static_cast<char>('0' + (tenth > 9 ? 9 : tenth));
    o[55] = ' ';
    std::memcpy(o + 56, dnamTab[p.w], 9);
    o[65] = ' ';
    fm_ddth(o + 66, p.d);
    o[70] = ' ';
    std::memcpy(o + 71, mnamTab[p.m - 1], 9);
    o[80] = ' ';
}

// Offsets 81 to 111.
void blk_tail(char* o, int ii, const DtClock& t) {
    DtParts p = dt_parts(ii);
    put_num(o + 81, p.y, 4);
    o[85] = '/';
    put_num(o + 86, p.j, 3);
    o[89] = ' ';
    std::memcpy(o + 90, "Wk:", 3);
    put_num(o + 93, fm_ww(p.j, p.w), 2);
    o[95] = ' ';
    be32(o + 96, cv_ii_dy(ii) - kDays1900);
    be32(o + 100, t.secs);
    be32(o + 104, t.us);
    be32(o + 108, t.cpu);
}

// Now, local time.
int clock_now(DtClock* t) {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm lt;
    time_t s = tv.tv_sec;
    localtime_r(&s, &lt);
    t->epoch = tv.tv_sec;
    t->ms = static_cast<int>(tv.tv_usec / 1000);
    t->us = static_cast<int>(tv.tv_usec);
    t->secs = lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec;
    t->cpu = static_cast<long long>(std::clock()) * 1000 / CLOCKS_PER_SEC;
    return (lt.tm_year + 1900) * 10000 + (lt.tm_mon + 1) * 100 + lt.tm_mday;
}

// Mode 1: "yyyy/mm/dd" into a packed yyyyddd in the first 4 bytes.
int blk_parse(char* out, const char* in) {
    static constexpr char kForm[] = "9999/99/99";
    int v = 0;
    for (int i = 0; i < 10; ++i) {
        if (kForm[i] == '/' ? in[i] != '/' : !is_digit(in[i])) return 0;
        if (kForm[i] != '/') v = v * 10 + (in[i] - '0');
    }
    if (!validatI(v)) return 0;
    pk7(out, cv_ii_jj(v), 0x0F);
    return v / 10000;
}

}  // namespace

int cbldate(char* out, const void* in, int mode) {
    if (out == nullptr) return 0;
    DtClock t{};
    int ii;
    switch (mode) {
    case 0:
    case 2: ii = clock_now(&t); break;
    case 1: return in == nullptr ? 0 : blk_parse(out, static_cast<const char*>(in));
    case 3:
        if (in == nullptr) return 0;
        std::memcpy(&ii, in, sizeof ii);
        if (!validatI(ii)) return 0;
        break;
    default: return 0;
    }
    std::memset(out, '+', CBLDATE_LEN);
    blk_head(out, ii, t);
    if (mode != 2) blk_tail(out, ii, t);
    return ii / 10000;
}
