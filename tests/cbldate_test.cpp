// Dates: day arithmetic, leap rules, two-digit years, every style and
// storage type of cvdate, masks and the date-time block.  Day counts are
// worked by hand: days before year y (from 0001-01-01) are
// 146097 per 400 years + 36524 per further 100 + 1461 per further 4 + 365
// per further year of y-1; 1899-12-31 is 693595, so 1900-01-01 is day
// number 1, and 2026-12-04 is 5*146097 + 6*1461 + 365 + 334 + 4 = 739954,
// day number 46359 (X'B517'), 46359 mod 7 = 5, a Friday.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "runtime/runtime.h"
#include "tests/testutil.h"

using namespace std::literals;

namespace {

constexpr char kGuard = '#';

// f on a guarded area of n bytes leaves want in it and returns rc.
void area(int n, const std::function<int(char*, int)>& f, std::string_view want, int rc) {
    int got;
    EXPECT_EQ(want, tvt::guarded(n, kGuard, f, &got));
    EXPECT_EQ(rc, got);
}

// Styles and types: input in the low 4 bits, output in the high 4 bits.
constexpr int sty(int in, int out) { return out << 4 | in; }

}  // namespace

TEST(cv_ii_dy, CountsDaysBothWays) {
    struct Row { int ii; int days; int jj; };
    constexpr Row rows[] = {
        {10101, 1, 1001},                 // the first day
        {19000101, 693596, 1900001},      // 4*146097 + 2*36524 + 24*1461 + 3*365 + 1
        {19001231, 693960, 1900365},      // 1900 is no leap year: 693595 + 365
        {19010101, 693961, 1901001},
        {19961231, 729024, 1996366},      // last day of a 4-year cycle
        {20000229, 730179, 2000060},      // 730119 + 31 + 29
        {20001231, 730485, 2000366},      // last day of a 400-year cycle: 5*146097
        {20041231, 731946, 2004366},      // 730485 + 1461
        {20261204, 739954, 2026338},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.ii);
        EXPECT_EQ(r.days, cv_ii_dy(r.ii));
        EXPECT_EQ(r.jj, cv_dy_jj(r.days));
        EXPECT_EQ(r.ii, cv_jj_ii(r.jj));
        EXPECT_EQ(r.jj, cv_ii_jj(r.ii));
    }
}

// Every day from 1600 to 2400 goes to a day count and back.
TEST(cv_ii_dy, RoundTripsEveryDay) {
    int days = cv_ii_dy(16000101);
    for (int jj = 1600001; jj < 2400001; ++days) {
        ASSERT_EQ(jj, cv_dy_jj(days));
        int ii = cv_jj_ii(jj);
        ASSERT_TRUE(validatI(ii)) << ii;
        ASSERT_EQ(days, cv_ii_dy(ii));
        jj = validatJ(jj + 1) ? jj + 1 : (jj / 1000 + 1) * 1000 + 1;
    }
}

TEST(validatI, KeepsLeapRules) {
    struct Row { long long ii; bool ok; };
    constexpr Row rows[] = {
        {20000229, true},   // divisible by 400
        {19000229, false},  // by 100, not by 400
        {21000229, false},
        {20240229, true},   // by 4
        {20230229, false},
        {20261231, true},  {20261232, false}, {20261301, false}, {20260001, false},
        {20260100, false}, {101, false} /* year 0 */, {99991231, true}, {100000101, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.ii);
        EXPECT_EQ(r.ok, validatI(r.ii));
    }
    struct JRow { long long jj; bool ok; };
    constexpr JRow jrows[] = {
        {2026000, false}, {2026001, true}, {2026365, true}, {2026366, false},
        {2024366, true},  {2000366, true}, {1900366, false}, {2024367, false},
    };
    for (const JRow& r : jrows) {
        SCOPED_TRACE(r.jj);
        EXPECT_EQ(r.ok, validatJ(r.jj));
    }
}

TEST(century, WindowsTwoDigitYears) {
    struct Row { long long v; int style; long long want; };
    constexpr Row rows[] = {
        {491231, DATE_I, 20491231},  {500101, DATE_I, 19500101},  {19500101, DATE_I, 19500101},
        {123149, DATE_A, 12312049},  {10150, DATE_A, 1011950},    // 01/01/50
        {311249, DATE_B, 31122049},  {49001, DATE_J, 2049001},    {50365, DATE_J, 1950365},
        {2049001, DATE_J, 2049001},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.v);
        EXPECT_EQ(r.want, century(r.v, r.style));
    }
}

TEST(wkdayno, DayOneIsMonday) {
    EXPECT_EQ(1, wkdayno(1));      // 1900-01-01
    EXPECT_EQ(5, wkdayno(46359));  // 2026-12-04
    EXPECT_EQ(0, wkdayno(0));      // 1899-12-31
    EXPECT_EQ(6, wkdayno(-1));
}

namespace {

// want: the whole output area afterwards.
struct CvRow {
    const char* name; std::string_view in; int styles, types; const char* mask; int outlen;
    std::string_view want; int rc;
};

constexpr int C = FD_CHAR, P = FD_PACKED, B = FD_BIN, U = FD_UPACKED;

const CvRow kCv[] = {
    // "25 DEC 2026" -> "25 12  2026" -> 25122026 as ddmmyyyy
    {"month name", "25 DEC 2026"sv, sty(DATE_B, DATE_I), sty(C, C), nullptr, 8, "20261225"sv, 1},
    {"month name kept style", "25 dec 2026"sv, sty(DATE_B, DATE_B), sty(C, C), nullptr, 8, "25122026"sv, 1},
    // "DEC 4 2026" -> "12 04 2026": the single-digit day padded
    {"day after month", "DEC 4 2026"sv, sty(DATE_A, DATE_I), sty(C, C), nullptr, 8, "20261204"sv, 1},
    // "4TH DEC 2026" -> "04   12  2026"
    {"ordinal suffix", "4TH DEC 2026"sv, sty(DATE_B, DATE_I), sty(C, C), nullptr, 8, "20261204"sv, 1},
    {"JLY", "04 JLY 2026"sv, sty(DATE_B, DATE_I), sty(C, C), nullptr, 8, "20260704"sv, 1},
    // 730179 - 693595 = 36584, zero-padded to 6
    {"leap day to day number", "20000229"sv, sty(DATE_I, DATE_D), sty(C, C), nullptr, 6, "036584"sv, 1},
    {"1900-02-29", "19000229"sv, sty(DATE_I, DATE_D), sty(C, C), nullptr, 6, "######"sv, 0},
    {"day one", "19000101"sv, sty(DATE_I, DATE_D), sty(C, B), nullptr, 4, "\x00\x00\x00\x01"sv, 1},
    {"A two-digit", "123149"sv, sty(DATE_A, DATE_I), sty(C, C), nullptr, 8, "20491231"sv, 1},
    {"J day 0", "2026000"sv, sty(DATE_J, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"J day 366 leap", "2024366"sv, sty(DATE_J, DATE_I), sty(C, C), nullptr, 8, "20241231"sv, 1},
    {"J day 366 common", "2026366"sv, sty(DATE_J, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"J two-digit", "49001"sv, sty(DATE_J, DATE_I), sty(C, C), nullptr, 8, "20490101"sv, 1},
    // binary X'0001' is day number 1
    {"D binary", "\x00\x01"sv, sty(DATE_D, DATE_I), sty(B, C), nullptr, 8, "19000101"sv, 1},
    // packed X'0046359C' = +46359
    {"D packed", "\x00\x46\x35\x9C"sv, sty(DATE_D, DATE_I), sty(P, C), nullptr, 8, "20261204"sv, 1},
    {"D before 1900", "\x00\x00\x00\x0D"sv, sty(DATE_D, DATE_I), sty(P, C), nullptr, 8, "18991231"sv, 1},
    {"A to B", "12042026"sv, sty(DATE_A, DATE_B), sty(C, C), nullptr, 8, "04122026"sv, 1},
    {"I to A", "20261204"sv, sty(DATE_I, DATE_A), sty(C, C), nullptr, 8, "12042026"sv, 1},
    {"I to J", "20261204"sv, sty(DATE_I, DATE_J), sty(C, C), nullptr, 7, "2026338"sv, 1},
    // 9 nibbles of digits and the sign: 0 2 0 2 6 1 2 0 4 C
    {"packed out", "20261204"sv, sty(DATE_I, DATE_I), sty(C, P), nullptr, 5, "\x02\x02\x61\x20\x4C"sv, 1},
    {"packed out too short", "20261204"sv, sty(DATE_I, DATE_I), sty(C, P), nullptr, 4, "####"sv, 0},
    {"unsigned packed out", "20261204"sv, sty(DATE_I, DATE_I), sty(C, U), nullptr, 4, "\x20\x26\x12\x04"sv, 1},
    {"unsigned packed in", "\x20\x26\x12\x04"sv, sty(DATE_I, DATE_I), sty(U, C), nullptr, 8, "20261204"sv, 1},
    // 20261204 = 0x01352954 (0x01352A54 would be 20261460)
    {"binary out", "20261204"sv, sty(DATE_I, DATE_I), sty(C, B), nullptr, 4, "\x01\x35\x29\x54"sv, 1},
    {"binary 1 byte too small", "20261204"sv, sty(DATE_I, DATE_I), sty(C, B), nullptr, 1, "#"sv, 0},
    // day 2: (2-1) * 21093750 = 0x141DD76 in 5 bytes, 3 zero bytes
    {"D to T", "\x00\x02"sv, sty(DATE_D, DATE_T), sty(B, B), nullptr, 8, "\x00\x01\x41\xDD\x76\x00\x00\x00"sv, 1},
    {"T to I", "\x00\x01\x41\xDD\x76\x00\x00\x00"sv, sty(DATE_T, DATE_I), sty(B, C), nullptr, 8, "19000102"sv, 1},
    // 0x141DD75 is the last clock unit of day 1, still 1900-01-01
    {"T last unit of a day", "\x00\x01\x41\xDD\x75\xFF\xFF\xFF"sv, sty(DATE_T, DATE_I), sty(B, C), nullptr, 8,
     "19000101"sv, 1},
    {"T zero", "\x00\x00\x00\x00\x00\x00\x00\x00"sv, sty(DATE_T, DATE_D), sty(B, B), nullptr, 2, "\x00\x01"sv, 1},
    {"T output too short", "\x00\x02"sv, sty(DATE_D, DATE_T), sty(B, B), nullptr, 7, "#######"sv, 0},
    {"mask", "20261204"sv, sty(DATE_I, DATE_MASK), sty(C, C), "Ddd, dd Mmm yyyy", 16, "Fri, 04 Dec 2026"sv, 1},
    {"mask cut", "20261204"sv, sty(DATE_I, DATE_MASK), sty(C, C), "Ddd, dd Mmm yyyy", 10, "Fri, 04 De"sv, 0},
    {"block cut", "20261204"sv, sty(DATE_I, DATE_BLOCK), sty(C, C), nullptr, 12,
     "\x00\x00\x00\x00\x00\x00\x00\x00\x20\x26\x33\x8F"sv, 0},
    {"slashes", "2026/12/04"sv, sty(DATE_I, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"letters", "20X61204"sv, sty(DATE_I, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"empty", ""sv, sty(DATE_I, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"too long", "                                                                         20261204"sv,
     sty(DATE_I, DATE_I), sty(C, C), nullptr, 8, "########"sv, 0},
    {"bad sign nibble", "\x20\x26\x12\x04"sv, sty(DATE_I, DATE_I), sty(P, C), nullptr, 8, "########"sv, 0},
    // a ninth byte that is not the sign extension of the others
    {"binary over 8 bytes", "\x01\x00\x00\x00\x00\x00\x00\x00\x01"sv, sty(DATE_D, DATE_I), sty(B, C), nullptr, 8,
     "########"sv, 0},
    {"negative I", "\x20\x26\x12\x04\x0D"sv, sty(DATE_I, DATE_I), sty(P, C), nullptr, 8, "########"sv, 0},
    {"float type", "20261204"sv, sty(DATE_I, DATE_I), sty(FD_FLOAT, C), nullptr, 8, "########"sv, 0},
};

}  // namespace

TEST(cvdate, ConvertsEveryStyle) {
    for (const CvRow& r : kCv) {
        SCOPED_TRACE(r.name);
        area(r.outlen, [&](char* o, int n) {
            return cvdate(o, n, r.in.data(), static_cast<int>(r.in.size()), r.styles, r.types, r.mask);
        }, r.want, r.rc);
    }
}

TEST(cvdate, NowIsAValidDate) {
    char out[8];
    ASSERT_EQ(1, cvdate(out, 8, nullptr, 0, sty(DATE_N, DATE_I), sty(C, C), nullptr));
    long long ii = 0;
    for (char c : std::string_view(out, 8)) ii = ii * 10 + (c - '0');
    EXPECT_TRUE(validatI(ii)) << ii;
    // today's clock value plus the time of day: still today
    char t[8];
    ASSERT_EQ(1, cvdate(t, 8, out, 8, sty(DATE_I, DATE_T), sty(C, B), nullptr));
    ASSERT_EQ(1, cvdate(t, 8, nullptr, 0, sty(DATE_N, DATE_T), sty(C, B), nullptr));
    char back[8];
    ASSERT_EQ(1, cvdate(back, 8, t, 8, sty(DATE_T, DATE_I), sty(B, C), nullptr));
    EXPECT_EQ(std::string_view(out, 8), std::string_view(back, 8));
}

TEST(cvdate, BadStyleIsLogicError) {
    char out[8];
    // 41301 mod 256 = 85, 41302 mod 256 = 86
    EXPECT_EXIT(cvdate(out, 8, "20261204", 8, sty(DATE_MASK, DATE_I), sty(C, C), nullptr),
                testing::ExitedWithCode(41301 % 256), "Logic Error =41301");
    EXPECT_EXIT(cvdate(out, 8, "20261204", 8, sty(DATE_I, DATE_N), sty(C, C), nullptr),
                testing::ExitedWithCode(41302 % 256), "Logic Error =41302");
}

TEST(date_fmt, FormatsMasks) {
    struct Row { int ii; const char* mask; int length; std::string_view want; int rc; };
    const Row rows[] = {
        {20261204, "Ddd, dd Mmm yyyy", 16, "Fri, 04 Dec 2026"sv, 0},
        {20261204, "DDD MMM", 7, "FRI DEC"sv, 0},
        {20261204, "mm/dd/yy", 8, "12/04/26"sv, 0},
        {20261204, "ccyy-mm-dd", 10, "2026-12-04"sv, 0},
        {20261204, "yyyy.ddd", 8, "2026.338"sv, 0},
        // day 338, Friday (5): (338 - 5 + 7) = 340, 340/7 = 48, 340%7 = 4
        {20261204, "Wk ww", 5, "Wk 48"sv, 0},
        // 2026-01-01 Thursday: (1 - 4 + 7) = 4 -> 0, remainder 4 not above 4
        {20260101, "ww", 2, "00"sv, 0},
        // 2019-01-01 Tuesday: (1 - 2 + 7) = 6 -> 0, remainder 6 above 4 -> 1
        {20190101, "ww", 2, "01"sv, 0},
        {20261204, "ddth", 4, " 4th"sv, 0},
        {20261201, "ddth", 4, " 1st"sv, 0},
        {20261211, "ddth", 4, "11th"sv, 0},
        {20261212, "ddth", 4, "12th"sv, 0},
        {20261213, "ddth", 4, "13th"sv, 0},
        {20261221, "ddth", 4, "21st"sv, 0},
        {20261222, "ddth", 4, "22nd"sv, 0},
        {20261223, "ddth", 4, "23rd"sv, 0},
        // Friday: Sunday-based 6, Monday-based 5; Sunday 2026-12-06: 1 and 7
        {20261204, "D d", 3, "6 5"sv, 0},
        {20261206, "D d", 3, "1 7"sv, 0},
        {20261204, "Day", 3, "Day"sv, 0},  // letters next to a letter stay
        {20261204, "Mmmmmmmmm", 9, "December "sv, 0},
        {20261204, "MMMMMMMMM", 9, "DECEMBER "sv, 0},
        {20261204, "Ddddddddd", 9, "Friday   "sv, 0},
        // blanks after the full names go to the end
        {20261204, "Ddddddddz, Mmmmmmmmz dd", 23, "Friday, December 04    "sv, 0},
        {20050704, "yy", 4, "05  "sv, 0},
        {10101, "yyyy", 4, "0001"sv, 0},
        {20261204, "dd Mmm yyyy", 6, "04 Dec"sv, DF_SHORT},
        {20261301, "yyyy", 4, "####"sv, DF_BAD},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        area(r.length, [&](char* o, int n) { return date_fmt(o, n, r.ii, r.mask); }, r.want, r.rc);
    }
    char out[4];
    EXPECT_EQ(DF_BAD, date_fmt(out, 4, 20261204, nullptr));
}

TEST(cbldate, LaysOutTheBlock) {
    // 2026-12-04, mode 3: time fields 0 (see the layout in the module)
    const std::string_view want =
        "\x00\x00\x00\x00"           // 0 seconds since the epoch
        "\x00\x00\x00\x00"           // 4 milliseconds
        "\x20\x26\x33\x8F"           // 8 packed 2026338, sign F
        "\x00\x00\x00\x00"           // 12 packed 000000, sign 0
        "12/04/26 04/12/26 "         // 16, 25
        "2026/12/04 00:00:00.0 "     // 34
        "Friday     4th December "   // 56: 9 + blank + " 4th" + blank + 9
        " 2026/338 Wk:48 "           // 80, 81, 90
        "\x00\x00\xB5\x17"           // 96 day number 46359
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"sv;  // 100, 104, 108
    ASSERT_EQ(static_cast<std::size_t>(CBLDATE_LEN), want.size());
    int d = 20261204;
    area(CBLDATE_LEN, [&](char* o, int) { return cbldate(o, &d, 3); }, want, 2026);

    // the same block through cvdate
    char blk[CBLDATE_LEN];
    EXPECT_EQ(1, cvdate(blk, CBLDATE_LEN, "20261204", 8, sty(DATE_I, DATE_BLOCK), sty(C, C), nullptr));
    EXPECT_EQ(want, std::string_view(blk, CBLDATE_LEN));

    d = 20260230;
    std::string bad(CBLDATE_LEN, kGuard);
    EXPECT_EQ(0, cbldate(bad.data(), &d, 3));
    EXPECT_EQ(0, cbldate(bad.data(), &d, 5));
    EXPECT_EQ(std::string(CBLDATE_LEN, kGuard), bad);
}

TEST(cbldate, ParsesSlashedDate) {
    struct Row { const char* in; int rc; std::string_view head; };
    const Row rows[] = {
        {"2026/12/04", 2026, "\x20\x26\x33\x8F"sv},  // packed 2026338, sign F
        {"2024/12/31", 2024, "\x20\x24\x36\x6F"sv},  // day 366 of a leap year
        {"2026-12-04", 0, "####"sv},
        {"2026/1/04x", 0, "####"sv},
        {"2026/13/04", 0, "####"sv},
        {"2026/12", 0, "####"sv},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        std::string buf(CBLDATE_LEN, kGuard);
        EXPECT_EQ(r.rc, cbldate(buf.data(), r.in, 1));
        EXPECT_EQ(r.head, std::string_view(buf).substr(0, 4));
        EXPECT_EQ(std::string(CBLDATE_LEN - 4, kGuard), buf.substr(4));  // only the first 4 bytes
    }
}

TEST(cbldate, NowHasItsShape) {
    char b[CBLDATE_LEN];
    int year = cbldate(b, nullptr, 0);
    std::string_view s(b, CBLDATE_LEN);
    EXPECT_EQ(std::to_string(year), s.substr(CBLDATE_TEXT, 4));
    EXPECT_EQ('/', s[CBLDATE_TEXT + 4]);
    EXPECT_EQ('/', s[CBLDATE_TEXT + 7]);
    EXPECT_EQ(':', s[CBLDATE_TEXT + 13]);
    EXPECT_EQ('.', s[CBLDATE_TEXT + 19]);
    EXPECT_EQ("Wk:"sv, s.substr(90, 3));
    EXPECT_EQ(0x0F, b[11] & 0x0F);   // packed yyyyddd, sign F
    EXPECT_EQ(0x00, b[15] & 0x0F);   // packed hhmmss, sign 0
    EXPECT_EQ(' ', s[80]);
    // mode 2 stops after offset 80
    EXPECT_GT(cbldate(b, nullptr, 2), 0);
    EXPECT_EQ(std::string(CBLDATE_LEN - 81, '+'), std::string_view(b + 81, CBLDATE_LEN - 81));
}

// Random bytes in every input style and type end in 0 or 1, never outside.
TEST(cvdate, SurvivesRandomInput) {
    unsigned x = 12345;
    auto next = [&x] { return x = x * 1103515245u + 12345u, x >> 8; };
    const int types[] = {FD_CHAR, FD_PACKED, FD_BIN, FD_UPACKED};
    for (int i = 0; i < 200000; ++i) {
        std::string in(next() % 301, ' ');
        for (char& c : in) c = static_cast<char>(next() % 4 == 0 ? '0' + next() % 10 : next());
        int si = 1 + static_cast<int>(next() % 6);
        int so = 1 + static_cast<int>(next() % 6);
        int ti = types[next() % 4], to = types[next() % 4];
        int len = static_cast<int>(next() % 20) + 1;
        int rc = -1;
        tvt::guarded(len, kGuard, [&](char* o, int n) {
            return cvdate(o, n, in.data(), static_cast<int>(in.size()), sty(si, so), sty(ti, to), "dd");
        }, &rc);
        ASSERT_TRUE(rc == 0 || rc == 1);
        if (HasFailure()) return;
    }
}
