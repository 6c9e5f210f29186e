// Data conversions: table tests with hand-worked bytes, guard-filled
// areas, round trips and random input.
#include "runtime/runtime.h"
#include "tests/testutil.h"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

namespace {

using tvt::hex;
using Fill = std::function<int(char*, int)>;

// Areas start filled with X'A5', between 16 guard bytes of X'A5' each side.
std::string guarded(int n, const Fill& f, int* rc) { return tvt::guarded(n, '\xA5', f, rc); }

// f on a guarded area of n bytes leaves want in it and returns rc.
void area(int n, const Fill& f, std::string_view want, int rc) {
    int got;
    EXPECT_EQ(hex(want), hex(guarded(n, f, &got)));
    EXPECT_EQ(rc, got);
}

// A routine writing an area, its length, the bytes it must leave, its result.
struct Put { std::string_view name; int length; Fill f; std::string want; int rc; };
void check(const std::vector<Put>& rows) {
    for (const Put& r : rows) {
        SCOPED_TRACE(r.name);
        area(r.length, r.f, r.want, r.rc);
    }
}

int len(std::string_view s) { return static_cast<int>(s.size()); }

// A reader into a 64-bit integer and its twin into a long give want and
// rc, rcl; the value is stored only on success.
void reads(const std::function<int(long long*)>& b, const std::function<int(long*)>& l, long long want, int rc,
           int rcl) {
    long long v = 4242;
    EXPECT_EQ(rc, b(&v));
    EXPECT_EQ(rc == 0 ? want : 4242, v);
    long lv = 4242;
    EXPECT_EQ(rcl, l(&lv));
    EXPECT_EQ(rcl == 0 ? want : 4242, lv);
}

}  // namespace

TEST(rmvb, NormalisesNumberText) {
    struct Row { std::string_view in; int flags; std::string_view want; int rc; };
    constexpr Row rows[] = {
        {"12}", 0, "-120", 0},             // } is the digit 0, negative
        {"12J", 0, "-121", 0},             // J is the digit 1, negative
        {"12C", 0, "+123", 0},             // C is the digit 3, positive
        {"12CR", 0, "-12", 0},             // CR after the digits: negative
        {"12 db", 0, "-12", 0},            // DB, either case, after blanks
        {"12-", 0, "-12", 0},
        {"12+", 0, "+12", 0},              // a trailing + is positive
        {" - 12 ", 0, "-12", 0},           // leading sign, blanks skipped
        {"  -0012.50 ", 0, "-1250", 2},    // zeros ahead dropped; 2 decimals
        {"0.05", 0, "+05", 2},             // zeros after the point kept
        {"1,234", 0, "+1234", 0},          // commas ahead of the point skipped
        {"J", 0, "-1", 0},                 // an overpunch letter alone
        {"", 0, "+0", 0},                  // no digit gives 0
        {"-", 0, "+0", 0},                 // zero is never negative
        {"12X", 0, "", -1},                // another trailing character fails
        {"12 J", 0, "", -1},               // overpunch must touch the digit
        {"-12-", 0, "", -1},               // two signs
        {"1.2.3", 0, "", -1},              // two points
        {"1.5E3", 0, "", -1},              // no exponent outside float form
        {"1.5E3", RMVB_FLOAT, "+1.5E3", 1},
        {"-1.5e-03", RMVB_FLOAT, "-1.5E-3", 1},
        {"12", RMVB_FLOAT, "+12.", 0},     // a point appended
        {".", RMVB_FLOAT, "+.0", 0},       // a lone point gives .0
        {"12E", RMVB_FLOAT, "+125.", 0},   // E ends the text: overpunch 5
        {"\xF1\xF2\xD3"sv, CV_ZONED, "-123", 0},  // EBCDIC zoned, zone D
        {"\xF1\xF2\xB3"sv, CV_ZONED, "-123", 0},  // zone B negative
        {"\xF1\xF2\xC3"sv, CV_ZONED, "+123", 0},  // zone C
        {"\xF1\xF2\xA3"sv, CV_ZONED, "+123", 0},  // zone A
        {"\xF1\xF2\xE3"sv, CV_ZONED, "+123", 0},  // zone E
        {"\xF1\xF2\xF3"sv, CV_ZONED, "+123", 0},  // zone F
        {"12L"sv, CV_ZONED, "-123", 0},           // ASCII: 31 32 4C, L is -3
        {"12{"sv, CV_ZONED, "+120", 0},           // { is +0
        {"123"sv, CV_ZONED, "+123", 0},           // ASCII digits, zone 3
        {"\xF1\x40\xF3"sv, CV_ZONED, "", -1},     // a blank inside
        {"\xF1\xFA"sv, CV_ZONED, "", -1},         // low nibble A
        {"\xF1\xD0"sv, CV_ZONED, "-10", 0},       // D0: -0 in the units: -10
        {""sv, CV_ZONED, "", -1},                 // empty zoned field
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.in) + " flags " + std::to_string(r.flags));
        char out[RMVB_OUT];
        EXPECT_EQ(rmvb(r.in.data(), len(r.in) | r.flags, out), r.rc);
        if (r.rc >= 0) { EXPECT_EQ(std::string_view(out), r.want); }
    }
}

TEST(rmvb, DigitLimit) {
    std::string d47(47, '9'), d48(48, '9');
    char out[RMVB_OUT];
    EXPECT_EQ(rmvb(d47.data(), len(d47), out), 0);
    EXPECT_EQ(std::string_view(out), "+" + d47);
    EXPECT_EQ(rmvb(d48.data(), len(d48), out), -1);
    std::string z = std::string(200, '0') + "7";      // leading zeros are not digits
    EXPECT_EQ(rmvb(z.data(), len(z), out), 0);
    EXPECT_EQ(std::string_view(out), "+7");
}

TEST(cvcp, PacksRoundedText) {
    struct Row { std::string_view in; int flags, length, decimals; std::string_view want; int rc; };
    constexpr Row rows[] = {
        {"9.99", 0, 2, 1, "\x10\x0C"sv, 0},        // 9.99 -> 10.0: digits 100, sign C
        {"1.2345", 0, 3, 2, "\x00\x12\x3C"sv, 0},  // first dropped 4: 1.23
        {"1.235", 0, 3, 2, "\x00\x12\x4C"sv, 0},   // first dropped 5: 1.24
        {"-0.005", 0, 2, 2, "\x00\x1D"sv, 0},      // -0.01: digits 001, sign D
        {"-0.004", 0, 2, 2, "\x00\x0C"sv, 0},      // rounds to zero: sign C
        {"12", 0, 3, 2, "\x01\x20\x0C"sv, 0},      // 12.00: digits 01200
        {"999", 0, 2, 0, "\x99\x9C"sv, 0},         // largest for 2 bytes
        {"-999", 0, 2, 0, "\x99\x9D"sv, 0},        // smallest for 2 bytes
        {"1000", 0, 2, 0, "\xA5\xA5"sv, 1},        // 4 digits in 3 places: unchanged
        {"99.95", 0, 2, 1, "\xA5\xA5"sv, 1},       // rounds up to 100.0
        {"12}", 0, 2, 0, "\x12\x0D"sv, 0},         // -120
        {"12CR", 0, 2, 0, "\x01\x2D"sv, 0},        // -12
        {"7", 0, 1, 0, "\x7C"sv, 0},
        {"\xF1\xF2\xD3"sv, CV_ZONED, 2, 0, "\x12\x3D"sv, 0},  // EBCDIC zoned -123
        {"12X", 0, 2, 0, "\xA5\xA5"sv, 1},         // bad text: unchanged
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in));
        area(r.length, [&](char* a, int n) { return cvcp(a, n, r.decimals, r.in.data(), len(r.in) | r.flags); },
             r.want, r.rc);
    }
}

TEST(cvbp, PacksIntegers) {
    struct Row { long long v; int length, decimals; std::string want; int rc; };
    const Row rows[] = {
        // 5000000000.00: 13 digit places 0500000000000, sign C
        {5000000000LL, 7, 2, "\x05\x00\x00\x00\x00\x00\x0C"s, 0},
        {LLONG_MAX, 10, 0, "\x92\x23\x37\x20\x36\x85\x47\x75\x80\x7C"s, 0},
        {LLONG_MIN, 10, 0, "\x92\x23\x37\x20\x36\x85\x47\x75\x80\x8D"s, 0},
        {LLONG_MAX, 9, 0, std::string(9, '\xA5'), 1},      // 19 digits, 17 places
        {999, 2, 0, "\x99\x9C"s, 0},
        {-999, 2, 0, "\x99\x9D"s, 0},
        {1000, 2, 0, "\xA5\xA5"s, 1},             // first that does not fit
        {0, 1, 0, "\x0C"s, 0},
        {-7, 1, 0, "\x7D"s, 0},
        {123, 16, 0, std::string(14, '\0') + "\x12\x3C", 0},   // 14 zero bytes, 12 3C
        {123, 17, 0, std::string(17, '\xA5'), CV_PACK16},       // over 16 bytes
        {123, 17, 1, std::string(14, '\0') + "\x01\x23\x0C", 0},  // 123.0: digits 1230
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.v) + " in " + std::to_string(r.length));
        area(r.length, [&](char* a, int n) { return cvbp(a, n, r.decimals, r.v); }, r.want, r.rc);
        area(r.length, [&](char* a, int n) { return cvlp(a, n, r.decimals, static_cast<long>(r.v)); }, r.want, r.rc);
    }
}

TEST(cvpb, ReadsPackedWithEverySign) {
    struct Row { std::string_view in; int drop; long long want; int rc; };
    constexpr Row rows[] = {
        {"\x12\x3A"sv, 0, 123, 0},  {"\x12\x3B"sv, 0, -123, 0}, {"\x12\x3C"sv, 0, 123, 0},
        {"\x12\x3D"sv, 0, -123, 0}, {"\x12\x3E"sv, 0, 123, 0},  {"\x12\x3F"sv, 0, 123, 0},
        {"\x12\x30"sv, 0, 0, CV_BADPACK}, {"\x12\x39"sv, 0, 0, CV_BADPACK},  // sign nibbles 0 and 9: below A
        {"\x12\x39"sv, 1, 0, CV_BADPACK},                // also where digits are dropped
        {"\x1A\x3C"sv, 0, 0, CV_BADPACK},                  // digit nibble A
        {"\x00\x0D"sv, 0, 0, 0},                           // -0 is 0
        {"\x92\x23\x37\x20\x36\x85\x47\x75\x80\x7C"sv, 0, LLONG_MAX, 0},
        {"\x92\x23\x37\x20\x36\x85\x47\x75\x80\x8C"sv, 0, 0, 1},   // one above
        {"\x92\x23\x37\x20\x36\x85\x47\x75\x80\x8D"sv, 0, LLONG_MIN, 0},
        {"\x92\x23\x37\x20\x36\x85\x47\x75\x80\x9D"sv, 0, 0, 1},   // one below
        {"\x01\x23\x45\x6C"sv, 2, 1235, 0},                // 12345.6 less 2 digits: 1234.56 -> 1235
        {"\x01\x23\x44\x9C"sv, 2, 1234, 0},                // first dropped 4 decides: 1234
        {"\x01\x23\x45\x5D"sv, 1, -12346, 0},              // -123455 less 1 digit: -12346
        {"\x5C"sv, 1, 1, 0},                               // 0.5 -> 1
        {"\x5C"sv, 9, 0, 0},                               // all digits dropped: 0
        {"\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x12\x3C"sv, 0, 123, 0},
        {"\x12\x34\x56\x78\x90\x12\x34\x56\x78\x90\x1C"sv, 0, 0, 1},  // 21 digits
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in) + " drop " + std::to_string(r.drop));
        reads([&](long long* v) { return cvpb(v, r.in.data(), len(r.in), r.drop); },
              [&](long* v) { return cvpl(v, r.in.data(), len(r.in), r.drop); }, r.want, r.rc, r.rc);
    }
}

TEST(cvub, ReadsAndWritesUnsignedPacked) {
    struct Row { std::string_view in; long long want; int rc; };
    constexpr Row rows[] = {
        {"\x12\x34"sv, 1234, 0},
        {"\x00"sv, 0, 0},
        {"\x12\x3C"sv, 0, CV_BADPACK},                       // C is no digit
        {"\x09\x22\x33\x72\x03\x68\x54\x77\x58\x07"sv, LLONG_MAX, 0},
        {"\x09\x22\x33\x72\x03\x68\x54\x77\x58\x08"sv, 0, 1},  // one above
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in));
        reads([&](long long* v) { return cvub(v, r.in.data(), len(r.in)); },
              [&](long* v) { return cvul(v, r.in.data(), len(r.in)); }, r.want, r.rc, r.rc);
    }
    struct Out { long v; int length; std::string want; int rc; };
    const Out outs[] = {
        {12345, 3, "\x01\x23\x45"s, 0},
        {99, 1, "\x99"s, 0},
        {100, 1, "\xA5"s, 1},                             // first that does not fit
        {-1, 1, "\xA5"s, 1},
        {1, 16, std::string(16, '\xA5'), 1},                // over 15 bytes
        {LONG_MAX, 10, "\x09\x22\x33\x72\x03\x68\x54\x77\x58\x07"s, 0},
    };
    for (const Out& o : outs) {
        SCOPED_TRACE(std::to_string(o.v));
        area(o.length, [&](char* a, int n) { return cvlu(a, n, o.v); }, o.want, o.rc);
    }
}

TEST(cvcb, ReadsCharacterIntegers) {
    struct Row { std::string_view in; int flags; long long want; int rc; int rcl; };
    constexpr Row rows[] = {                           // rc: cvcb, rcl: cvcl (32-bit)
        {"2147483647", 0, 2147483647LL, 0, 0},
        {"2147483648", 0, 2147483648LL, 0, 1},
        {"-2147483648", 0, -2147483648LL, 0, 0},
        {"-2147483649", 0, -2147483649LL, 0, 1},
        {"9223372036854775807", 0, LLONG_MAX, 0, 1},
        {"9223372036854775808", 0, 0, 1, 1},
        {"-9223372036854775808", 0, LLONG_MIN, 0, 1},
        {"-9223372036854775809", 0, 0, 1, 1},
        {"12.5", 0, 13, 0, 0},                         // decimals rounded half-up
        {"-12.49", 0, -12, 0, 0},                      // first dropped digit 4
        {"-0", 0, 0, 0, 0},
        {"   ", 0, 0, 0, 0},                           // no digit is 0
        {"12}", 0, -120, 0, 0},
        {"12J", 0, -121, 0, 0},
        {"12CR", 0, -12, 0, 0},
        {"12+", 0, 12, 0, 0},
        {"12%", 0, 0, 1, 1},
        {"\xF0\xF4\xD2"sv, CV_ZONED, -42, 0, 0},       // EBCDIC zoned
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        reads([&](long long* v) { return cvcb(v, r.in.data(), len(r.in) | r.flags); },
              [&](long* v) { return cvcl(v, r.in.data(), len(r.in) | r.flags); }, r.want, r.rc, r.rcl);
    }
    long long v;
    EXPECT_EQ(cvcb(&v, "\xF1", -1), 1);      // a negative length carries every flag bit
    EXPECT_EQ(cvcb(&v, nullptr, 1 | CV_ZONED), 1);
}

TEST(cvib, ReadsBigEndianBinary) {
    struct Row { std::string_view in; long long want; int rc; };
    constexpr Row rows[] = {
        {"\xFF"sv, 255, 0},                            // one byte is unsigned
        {"\xFF\xFF"sv, -1, 0},
        {"\x7F\xFF"sv, 32767, 0},
        {"\x80\x00"sv, -32768, 0},
        {"\x00\x00\x01\x00"sv, 256, 0},
        {"\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"sv, LLONG_MAX, 0},
        {"\xFF\x80\x00\x00\x00\x00\x00\x00\x00"sv, LLONG_MIN, 0},   // FF extends the sign
        {"\x00\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"sv, LLONG_MAX, 0},
        {"\x00\x80\x00\x00\x00\x00\x00\x00\x00"sv, 0, 1},  // 2^63: 00 is no extension of 80
        {"\xFF\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"sv, 0, 1},
        {"\x01\x00\x00\x00\x00\x00\x00\x00\x00"sv, 0, 1},
        {""sv, 0, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in));
        reads([&](long long* v) { return cvib(v, r.in.data(), len(r.in)); },
              [&](long* v) { return cvil(v, r.in.data(), len(r.in)); }, r.want, r.rc, r.rc);
    }
}

TEST(cvbi, WritesBigEndianBinary) {
    struct Row { long long v; int length; std::string want; int rc; };
    const Row rows[] = {
        {255, 1, "\xFF", 0},
        {256, 1, "\xA5", 1},
        {-1, 1, "\xA5", 1},
        {-1, 2, "\xFF\xFF", 0},
        {32767, 2, "\x7F\xFF", 0},
        {32768, 2, "\xA5\xA5", 1},
        {-32768, 2, "\x80\x00"s, 0},
        {-32769, 2, "\xA5\xA5", 1},
        {8388607, 3, "\x7F\xFF\xFF", 0},
        {8388608, 3, "\xA5\xA5\xA5", 1},
        {-2, 10, "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFE", 0},
        {LLONG_MIN, 8, std::string("\x80") + std::string(7, '\0'), 0},
        {LLONG_MAX, 9, std::string("\0\x7F", 2) + std::string(7, '\xFF'), 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.v) + " in " + std::to_string(r.length));
        area(r.length, [&](char* a, int n) { return cvbi(a, n, r.v); }, r.want, r.rc);
        area(r.length, [&](char* a, int n) { return cvli(a, n, static_cast<long>(r.v)); }, r.want, r.rc);
    }
}

TEST(cvii, ResizesBinary) {
    struct Row { std::string_view in; int length; std::string want; int rc; };
    const Row rows[] = {
        {"\xFF"sv, 2, "\x00\xFF"s, 0},                 // 255: one byte is unsigned
        {"\xFF\xFE"sv, 4, "\xFF\xFF\xFF\xFE", 0},       // -2 widened
        {"\x00\xFF"sv, 1, "\xFF", 0},                   // 255 fits one byte
        {"\x00\x80"sv, 1, "\x80", 0},                   // 128
        {"\xFF\xFF"sv, 1, "\xA5", 1},                   // -1 does not fit one byte
        {"\x00\x00\x7F\xFF"sv, 2, "\x7F\xFF", 0},
        {"\x00\x00\x80\x00"sv, 2, "\xA5\xA5", 1},       // 32768: top bit would turn it negative
        {"\xFF\xFF\x80\x00"sv, 2, "\x80\x00"s, 0},       // -32768
        {"\x01\x00\x00\x00"sv, 2, "\xA5\xA5", 1},
        {"\x12\x34"sv, 2, "\x12\x34", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in) + " to " + std::to_string(r.length));
        area(r.length, [&](char* a, int n) { return cvii(a, n, r.in.data(), len(r.in)); }, r.want, r.rc);
    }
}


TEST(cvci, CharacterToBinary) {
    struct Row { std::string_view in; int length; std::string want; int rc; };
    const Row rows[] = {
        {"255", 1, "\xFF", 0},
        {"-1", 1, "\xA5", 1},
        {"-1", 4, "\xFF\xFF\xFF\xFF", 0},
        {"3000000000", 4, "\xA5\xA5\xA5\xA5", 1},      // beyond 32 bits for 4 bytes
        {"3000000000", 8, "\x00\x00\x00\x00\xB2\xD0\x5E\x00"s, 0},  // X'B2D05E00'
        {"12Q", 2, "\xFF\x80", 0},                      // Q is -8: -128
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        area(r.length, [&](char* a, int n) { return cvci(a, n, r.in.data(), len(r.in)); }, r.want, r.rc);
    }
}

TEST(cvff, ConvertsBetweenFloatStyles) {
    // Sources are written big-endian (style 13 or 11); powers of two make
    // the bits easy: 2^k as a double has biased exponent 1023 + k.
    struct Row { std::string_view name; std::string src; int sstyle, tlen, tstyle; std::string want; int rc; };
    const std::string m25("\xC0\x04\0\0\0\0\0\0", 8);              // -2.5 double
    const Row rows[] = {
        {"-2.5 to single", m25, 13, 4, 13, "\xC0\x20\x00\x00"s, 0},  // 1.01b x 2^1, biased 128
        {"-2.5 to hex 4", m25, 13, 4, 11, "\xC1\x28\x00\x00"s, 0},   // -0.28 hex x 16^1
        {"-2.5 to hex 8", m25, 13, 8, 11, "\xC1\x28\0\0\0\0\0\0"s, 0},
        {"-2.5 to single, 2 bytes", m25, 13, 2, 13, "\xC0\x20", 0},  // high-order bytes
        {"-2.5 to double, 6 bytes", m25, 13, 6, 13, "\xC0\x04\0\0\0\0"s, 0},
        {"hex 1.0 to single", "\x41\x10\x00\x00"s, 11, 4, 13, "\x3F\x80\x00\x00"s, 0},
        {"unnormalised hex 1.0", "\x42\x01\x00\x00"s, 11, 4, 13, "\x3F\x80\x00\x00"s, 0},
        {"hex 100.0", "\x42\x64\x00\x00"s, 11, 4, 13, "\x42\xC8\x00\x00"s, 0},
        {"2-byte single widened", "\xC0\x20"s, 13, 8, 13, m25, 0},
        {"1-byte hex: zero fraction", "\x41"s, 11, 4, 13, "\0\0\0\0"s, 0},
        {"-0 single", "\x80\0\0\0"s, 13, 8, 13, std::string(8, '\0'), 0},
        {"2^127 largest single exponent", "\x47\xE0\0\0\0\0\0\0"s, 13, 4, 13, "\x7F\0\0\0"s, 0},
        {"2^128 too big for single", "\x47\xF0\0\0\0\0\0\0"s, 13, 4, 13, "\0\0\0\0"s, CVFF_SGLBIG},
        {"2^-149 smallest single", "\x36\xA0\0\0\0\0\0\0"s, 13, 4, 13, "\0\0\0\x01"s, 0},
        {"2^-150 below single", "\x36\x90\0\0\0\0\0\0"s, 13, 4, 13, "\0\0\0\0"s, CVFF_SGLBIG},
        {"single denormal to double", "\0\0\0\x01"s, 13, 8, 13, "\x36\xA0\0\0\0\0\0\0"s, 0},
        {"2^248 largest hex exponent", "\x4F\x70\0\0\0\0\0\0"s, 13, 4, 11, "\x7F\x10\0\0"s, 0},
        {"2^252 too big for hex", "\x4F\xB0\0\0\0\0\0\0"s, 13, 4, 11, "\0\0\0\0"s, CVFF_HFPBIG},
        {"2^-260 smallest hex", "\x2F\xB0\0\0\0\0\0\0"s, 13, 4, 11, "\x00\x10\0\0"s, 0},
        {"2^-264 below hex", "\x2F\x70\0\0\0\0\0\0"s, 13, 4, 11, "\0\0\0\0"s, CVFF_HFPLOW},
        {"smallest hex to double", "\x00\x10\0\0"s, 11, 8, 13, "\x2F\xB0\0\0\0\0\0\0"s, 0},
        {"infinity to single", "\x7F\xF0\0\0\0\0\0\0"s, 13, 4, 13, "\0\0\0\0"s, CVFF_SGLBIG},
        {"infinity to hex", "\x7F\xF0\0\0\0\0\0\0"s, 13, 8, 11, std::string(8, '\0'), CVFF_HFPBIG},
        {"2^1024 (hex max) to double", "\x7F\xFF\xFF\xFF"s, 11, 8, 13,
         "\x4F\xAF\xFF\xFF\xE0\0\0\0"s, 0},  // 0.FFFFFF x 16^63 = (1 - 2^-24) x 2^252
        {"source length 0", m25, 13, 4, 13, "\xA5\xA5\xA5\xA5", CVFF_SRC},
        {"source length 9", m25 + "x", 13, 4, 13, "\xA5\xA5\xA5\xA5", CVFF_SRC},
        {"source style 10", m25, 10, 4, 13, "\xA5\xA5\xA5\xA5", CVFF_SRC},
        {"target style 15", m25, 13, 4, 15, "\xA5\xA5\xA5\xA5", CVFF_TGT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        int slen = r.name == "source length 0" ? 0 : len(r.src);
        area(r.tlen, [&](char* a, int n) { return cvff(a, n, r.tstyle, r.src.data(), slen, r.sstyle); }, r.want,
             r.rc);
    }
    EXPECT_EQ(cvff(nullptr, 0, 13, m25.data(), 8, 13), CVFF_TGT);
    EXPECT_EQ(cvff(nullptr, 9, 13, m25.data(), 8, 13), CVFF_TGT);
    if constexpr (std::endian::native == std::endian::little) {
        // The machine's own order: the high-order bytes lie at the end.
        area(8, [&](char* a, int n) { return cvff(a, n, 14, m25.data(), 8, 13); }, "\0\0\0\0\0\0\x04\xC0"sv, 0);
        area(4, [&](char* a, int n) { return cvff(a, n, 12, m25.data(), 8, 13); }, "\x00\x00\x28\xC1"sv, 0);
        // single 00 00 20 C0, its top 2 bytes
        area(2, [&](char* a, int n) { return cvff(a, n, 14, m25.data(), 8, 13); }, "\x20\xC0"sv, 0);
        area(8, [&](char* a, int n) { return cvff(a, n, 13, "\x20\xC0", 2, 14); }, m25, 0);
    }
}

TEST(cvfb, RoundsFloatToInteger) {
    struct Row { std::string_view name; std::string src; int style; long long want; int rc; };
    const Row rows[] = {
        {"-2.5", "\xC0\x04\0\0\0\0\0\0"s, 13, -3, 0},
        {"2.5", "\x40\x04\0\0\0\0\0\0"s, 13, 3, 0},
        {"largest below 0.5", "\x3F\xDF\xFF\xFF\xFF\xFF\xFF\xFF"s, 13, 0, 0},
        {"2^62", "\x43\xD0\0\0\0\0\0\0"s, 13, 4611686018427387904LL, 0},
        {"-2^63", "\xC3\xE0\0\0\0\0\0\0"s, 13, LLONG_MIN, 0},
        {"2^63", "\x43\xE0\0\0\0\0\0\0"s, 13, 0, 1},
        {"NaN", "\x7F\xF8\0\0\0\0\0\0"s, 13, 0, 1},
        {"hex -2.5", "\xC1\x28\x00\x00"s, 11, -3, 0},
        {"bad length", ""s, 13, 0, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        reads([&](long long* v) { return cvfb(v, r.src.data(), len(r.src), r.style); },
              [&](long* v) { return cvfl(v, r.src.data(), len(r.src), r.style); }, r.want, r.rc, r.rc);
    }
}

TEST(cvfp, PacksDoubleThroughPrintedText) {
    struct Row { double v; int length, decimals; std::string want; int rc; };
    const Row rows[] = {
        {3.14159, 2, 2, "\x31\x4C", 0},             // "+3.14"
        {-1.25, 2, 1, "\x01\x2D", 0},               // "%+.1f" of the exact tie -1.25: "-1.2"
        {2.4, 1, -3, "\x2C", 0},                    // negative decimals count as 0
        {1e20, 5, 0, std::string(5, '\xA5'), 1},    // 21 digits, 9 places
        {std::nan(""), 2, 0, "\xA5\xA5", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.v);
        area(r.length, [&](char* a, int n) { return cvfp(a, n, r.decimals, r.v); }, r.want, r.rc);
    }
}


TEST(getx, ClassifiesHexDigits) {
    struct Row { int c, want; };
    constexpr Row rows[] = {{'0', 0}, {'9', 9}, {'A', 10}, {'f', 15}, {' ', 187}, {',', 187}, {'G', 238}, {0xC1, 238}};
    for (const Row& r : rows) EXPECT_EQ(getx(r.c), r.want) << r.c;
}

TEST(cvhc, HexTextToBytes) {
    struct Row { std::string_view in; int length; std::string want; int rc; };
    const Row rows[] = {
        {"C1F0", 2, "\xC1\xF0", 0},
        {"c1 F0,0a", 4, "\xC1\xF0\x0A ", 0},            // separators skipped, blank after
        {"C1F", 3, "\xC1* ", 1},                        // odd last digit
        {"C1G0", 2, "**", CV_NOTEXT},
        {"", 2, "**", CV_NOTEXT},
        {" , ", 2, "**", CV_NOTEXT},
        {"C1F0", 1, "*", CV_SHORT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in);
        area(r.length, [&](char* a, int n) { return cvhc(a, n, r.in.data(), len(r.in)); }, r.want, r.rc);
    }
}

TEST(cvch, BytesToHexText) {
    struct Row { std::string_view in; const char* pattern; int length; std::string want; int rc; };
    const Row rows[] = {
        {"\xC1\x00\xFF"sv, "XX,", 8, "C1,00,FF", 0},
        {"\xC1\x00\xFF"sv, "XX,", 10, "C1,00,FF  ", 0},
        {"\xC1\x00\xFF"sv, "XX,", 7, "*******", CV_SHORT},
        {"\xC1\xC2\xC3\xC4"sv, "XXXX,", 9, "C1C2,C3C4", 0},
        {"\xC1\x00\xFF"sv, nullptr, 6, "C100FF", 0},
        {"\xC1"sv, "--", 2, "**", 1},                   // no X in the pattern
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(hex(r.in) + (r.pattern ? r.pattern : "(none)"));
        area(r.length, [&](char* a, int n) { return cvch(a, n, r.pattern, r.in.data(), len(r.in)); }, r.want, r.rc);
    }
}

TEST(cvlc, EditsIntegers) {
    struct Row { long long v; const char* pattern; int length; std::string want; int rc; };
    const Row rows[] = {
        {1234567, "SS,SSS,SSS,SS9", 14, "    +1,234,567", 0},
        {-5, "---9", 4, "  -5", 0},
        {-12, nullptr, 4, "001K", 0},                       // K: 2, negative
        {LLONG_MIN, nullptr, 19, "922337203685477580Q", 0}, // Q: 8, negative
        {LLONG_MAX, nullptr, 19, "9223372036854775807", 0},
        {12345, nullptr, 4, "****", 9},                     // does not fit
        {1, nullptr, 48, std::string(48, '*'), 1},          // 48 bytes or more
        {1, nullptr, 47, std::string(46, '0') + "1", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.v) + " " + (r.pattern ? r.pattern : "(none)"));
        area(r.length, [&](char* a, int n) { return cvbc(a, n, r.pattern, r.v); }, r.want, r.rc);
        area(r.length, [&](char* a, int n) { return cvlc(a, n, r.pattern, static_cast<long>(r.v)); }, r.want, r.rc);
    }
}

// The routines between binary, packed, character and float, one area each.
TEST(cblcv, WritesEachEncoding) {
    using F = Fill;
    check({
        // packed -123 (12 3D) into 2 bytes: -123 = FF85
        {"cvpi -123", 2, F([](char* a, int n) { return cvpi(a, n, "\x12\x3D", 2, 0); }), "\xFF\x85", 0},
        // 123.5 with one decimal dropped: 124 = 007C
        {"cvpi rounds", 2, F([](char* a, int n) { return cvpi(a, n, "\x01\x23\x5C", 3, 1); }), "\x00\x7C"s, 0},
        {"cvpi 256 in one byte", 1, F([](char* a, int n) { return cvpi(a, n, "\x25\x6C", 2, 0); }), "\xA5", 1},
        // binary -123 to packed with one decimal: -123.0 = 01 23 0D
        {"cvip -123.0", 3, F([](char* a, int n) { return cvip(a, n, 1, "\xFF\x85", 2); }), "\x01\x23\x0D", 0},
        {"cvic binary -1", 3, F([](char* a, int n) { return cvic(a, n, nullptr, "\xFF\xFF", 2); }), "00J", 0},
        {"cvic binary 9 bytes, most negative", 19,
         F([](char* a, int n) { return cvic(a, n, nullptr, "\xFF\x80\0\0\0\0\0\0\0", 9); }),
         "922337203685477580Q", 0},
        {"cvic binary 9 bytes, no extension", 4,
         F([](char* a, int n) { return cvic(a, n, nullptr, "\x01\x80\0\0\0\0\0\0\0", 9); }), "****", 1},
        // -123.45: digits 12345 from the right: 5 4 . 3 2 1, sign left of them
        {"cvpc -123.45", 7, F([](char* a, int n) { return cvpc(a, n, "SSS9.99", "\x12\x34\x5D", 3, 2); }),
         "-123.45", 0},
        {"cvpc bad sign", 5, F([](char* a, int n) { return cvpc(a, n, nullptr, "\x12\x34\x56", 3, 0); }), "*****", 5},
        // -2.5 with two decimals: 2 . 5 0, the sign in the S left of them
        {"cvfc -2.5", 6, F([](char* a, int n) { return cvfc(a, n, "SS9.99", "\xC0\x04\0\0\0\0\0\0", 8, 13); }),
         " -2.50", 0},
        {"cvfc 2.5 rounds up", 2, F([](char* a, int n) { return cvfc(a, n, nullptr, "\x40\x04\0\0\0\0\0\0", 8, 13); }),
         "03", 0},
        {"cvfc 0.125 to 2 decimals", 4,
         F([](char* a, int n) { return cvfc(a, n, "9.99", "\x3F\xC0\0\0\0\0\0\0", 8, 13); }), "0.13", 0},
        {"cvfc 2^-20 to 2 decimals", 4,
         F([](char* a, int n) { return cvfc(a, n, "9.99", "\x3E\xB0\0\0\0\0\0\0", 8, 13); }), "0.00", 0},
        {"cvfc 2^100 too long", 10,
         F([](char* a, int n) { return cvfc(a, n, nullptr, "\x46\x30\0\0\0\0\0\0", 8, 13); }), "**********", 9},
        {"cvfc NaN", 3, F([](char* a, int n) { return cvfc(a, n, nullptr, "\x7F\xF8\0\0\0\0\0\0", 8, 13); }),
         "***", 1},
        // digits 00025, 1 decimal: -2.5
        {"cvpf -2.5", 8, F([](char* a, int n) { return cvpf(a, n, 13, "\x00\x02\x5D", 3, 1); }),
         "\xC0\x04\0\0\0\0\0\0"s, 0},
        {"cvpf 1.0 in hex float", 4, F([](char* a, int n) { return cvpf(a, n, 11, "\x1C", 1, 0); }),
         "\x41\x10\x00\x00"s, 0},
        {"cvpf sign nibble 2", 4, F([](char* a, int n) { return cvpf(a, n, 11, "\x12", 1, 0); }), "\xA5\xA5\xA5\xA5", 1},
        {"cvcf -2.5", 4, F([](char* a, int n) { return cvcf(a, n, 13, "-2.5", 4); }), "\xC0\x20\x00\x00"s, 0},
        // 1000 = 1.953125 x 2^9
        {"cvcf 1E3", 4, F([](char* a, int n) { return cvcf(a, n, 13, " 1E3", 4); }), "\x44\x7A\x00\x00"s, 0},
        // 0.1999... hex, truncated
        {"cvcf 0.1 hex", 4, F([](char* a, int n) { return cvcf(a, n, 11, "0.1", 3); }), "\x40\x19\x99\x99", 0},
        {"cvlf 1 hex", 4, F([](char* a, int n) { return cvlf(a, n, 11, 1L); }), "\x41\x10\x00\x00"s, 0},
        {"cvbf -2^63", 8, F([](char* a, int n) { return cvbf(a, n, 13, LLONG_MIN); }), "\xC3\xE0\0\0\0\0\0\0"s, 0},
        {"cvif -2", 8, F([](char* a, int n) { return cvif(a, n, 13, "\xFF\xFE", 2); }), "\xC0\x00\0\0\0\0\0\0"s, 0},
    });
    char f[4];
    EXPECT_EQ(cvcf(f, 4, 13, "abc", 3), 1);
    EXPECT_EQ(cvcf(f, 4, 13, "1E999", 5), 1);
}


TEST(cblcv, GenericPairs) {
    struct Row { std::string_view name; std::string target; int ttype; std::string src; int stype; std::string want; int rc; };
    const Row rows[] = {
        {"packed widened", "\xA5\xA5\xA5\xA5", FD_PACKED, "\x12\x3C", FD_PACKED, "\x00\x00\x12\x3C"s, 0},
        {"packed narrowed", "\xA5\xA5", FD_PACKED, "\x00\x00\x12\x3C"s, FD_PACKED, "\x12\x3C", 0},
        {"packed high digits lost", "\xA5\xA5", FD_PACKED, "\x00\x01\x23\x4C"s, FD_PACKED, "\xA5\xA5", 1},
        // the target's content is the pattern: digits 1 2 . 5 from the right
        {"re-edit through the target", "SSS9.9", FD_CHAR, "-12.5", FD_CHAR, " -12.5", 0},
        // no pattern: 4 nines; -12.5 rounds to -13, overpunched L
        {"re-edit, no pattern", "\0\0\0\0"s, FD_CHAR, "-12.5", FD_CHAR, "001L", 0},
        {"float form", "\0\0\0\0"s, FD_ZONED, "1.5E2", FD_CHAR, "0150", 0},
        {"EBCDIC zoned source", "\0\0\0\0"s, FD_CHAR, "\xF1\xF2\xD3", FD_ZONED, "012L", 0},
        {"bad text", "\0\0\0"s, FD_CHAR, "1Q2", FD_CHAR, "***", 1},
        {"native integer to packed", "\xA5\xA5\xA5", FD_PACKED, "", FD_INT64, "\x00\x12\x3D"s, 0},
        {"binary to character", "\xA5\xA5", FD_CHAR, "\x01", FD_BIN, "**", 1},
        {"binary to binary", "\xA5\xA5", FD_BIN, "\x01", FD_BIN, "\xA5\xA5", 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string src = r.src;
        if (r.stype == FD_INT64) {
            long long v = -123;
            src.assign(reinterpret_cast<const char*>(&v), 8);
        }
        area(len(r.target), [&](char* a, int n) {
            std::memcpy(a, r.target.data(), static_cast<std::size_t>(n));
            return cblcv(a, n, r.ttype, src.data(), len(src), r.stype);
        }, r.want, r.rc);
    }
}

// binary -> packed -> zoned -> character and back is the identity.
TEST(cvip, RoundTripsThroughEveryEncoding) {
    std::vector<long long> vals = {0, 1, -1, 9, -9, 10, -10, LLONG_MAX, LLONG_MIN, LLONG_MIN + 1};
    for (long long p = 10; p <= LLONG_MAX / 10; p *= 10) {
        for (long long v : {p - 1, p, p + 1}) vals.push_back(v), vals.push_back(-v);
    }
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        long long v = static_cast<long long>(rng());
        vals.push_back(v >> (rng() % 64));
    }
    for (long long v : vals) {
        SCOPED_TRACE(v);
        char bin[8], pk[10], zn[19], ch[20], pk2[10], bin2[8];
        ASSERT_EQ(cvbi(bin, 8, v), 0);
        ASSERT_EQ(cvip(pk, 10, 0, bin, 8), 0);
        ASSERT_EQ(cvpc(zn, 19, nullptr, pk, 10, 0), 0);       // zoned text, overpunched sign
        std::memcpy(ch, "-------------------9", 20);
        ASSERT_EQ(cblcv(ch, 20, FD_CHAR, zn, 19, FD_ZONED), 0);  // re-edited with a floating sign
        long long back;
        ASSERT_EQ(cvcb(&back, ch, 20), 0);
        EXPECT_EQ(back, v);
        ASSERT_EQ(cvcb(&back, zn, 19 | CV_ZONED), 0);
        EXPECT_EQ(back, v);
        ASSERT_EQ(cvcp(pk2, 10, 0, ch, 20), 0);
        EXPECT_EQ(std::memcmp(pk, pk2, 10), 0);
        ASSERT_EQ(cvpi(bin2, 8, pk2, 10, 0), 0);
        EXPECT_EQ(std::memcmp(bin, bin2, 8), 0);
    }
}

// Every routine with an exact-size area and one a byte short: the short
// one fails, a text area is all "*", a field area is left unchanged.
TEST(cblcv, AreasExactAndTooSmall) {
    enum Kind { FIELD, TEXT };
    struct Row { std::string_view name; int exact; Kind kind; std::function<int(char*, int)> f; };
    const Row rows[] = {
        {"cvcp", 2, FIELD, [](char* a, int n) { return cvcp(a, n, 0, "-123", 4); }},
        {"cvlp", 2, FIELD, [](char* a, int n) { return cvlp(a, n, 0, 123L); }},
        {"cvbp", 3, FIELD, [](char* a, int n) { return cvbp(a, n, 2, -123LL); }},
        {"cvlu", 2, FIELD, [](char* a, int n) { return cvlu(a, n, 1234L); }},
        {"cvli", 2, FIELD, [](char* a, int n) { return cvli(a, n, 300L); }},
        {"cvbi", 3, FIELD, [](char* a, int n) { return cvbi(a, n, 70000LL); }},
        {"cvii", 2, FIELD, [](char* a, int n) { return cvii(a, n, "\x00\x00\x01\x2C"sv.data(), 4); }},
        {"cvpi", 2, FIELD, [](char* a, int n) { return cvpi(a, n, "\x30\x0C", 2, 0); }},
        {"cvip", 2, FIELD, [](char* a, int n) { return cvip(a, n, 0, "\x01\x2C", 2); }},
        {"cvci", 2, FIELD, [](char* a, int n) { return cvci(a, n, "300", 3); }},
        {"cvfp", 2, FIELD, [](char* a, int n) { return cvfp(a, n, 0, 300.0); }},
        {"cblcv packed", 2, FIELD, [](char* a, int n) { return cblcv(a, n, FD_PACKED, "\x00\x12\x3C"sv.data(), 3, FD_PACKED); }},
        {"cvlc", 4, TEXT, [](char* a, int n) { return cvlc(a, n, nullptr, 1234L); }},
        {"cvbc", 5, TEXT, [](char* a, int n) { return cvbc(a, n, "ZZZZ9", 12345LL); }},
        {"cvic", 4, TEXT, [](char* a, int n) { return cvic(a, n, nullptr, "\x04\xD2", 2); }},
        {"cvpc", 4, TEXT, [](char* a, int n) { return cvpc(a, n, nullptr, "\x01\x23\x4C", 3, 0); }},
        {"cvfc", 4, TEXT, [](char* a, int n) { return cvfc(a, n, nullptr, "\x44\x9A\x40\x00", 4, 13); }},
        {"cvhc", 2, TEXT, [](char* a, int n) { return cvhc(a, n, "C1C2", 4); }},
        {"cvch", 4, TEXT, [](char* a, int n) { return cvch(a, n, nullptr, "\xC1\xC2", 2); }},
        {"cblcv text", 4, TEXT, [](char* a, int n) {
             std::memset(a, 0, static_cast<std::size_t>(n));
             return cblcv(a, n, FD_CHAR, "1234", 4, FD_CHAR); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        int rc;
        guarded(r.exact, r.f, &rc);
        EXPECT_EQ(rc, 0);
        std::string got = guarded(r.exact - 1, r.f, &rc);
        EXPECT_NE(rc, 0);
        EXPECT_EQ(got, std::string(static_cast<std::size_t>(r.exact - 1), r.kind == TEXT ? '*' : '\xA5'));
    }
    // Float targets of any length from 1 to 8 are valid; 0 writes nothing.
    int rc;
    guarded(0, [](char* a, int n) { return cvlf(a, n, 13, 1L); }, &rc);
    EXPECT_EQ(rc, CVFF_TGT);
    // rmvb's longest output stays inside RMVB_OUT.
    std::string big = "-" + std::string(47, '9') + ".E-9999";
    std::string out = guarded(RMVB_OUT, [&](char* a, int) { return rmvb(big.data(), len(big) | RMVB_FLOAT, a); }, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::string(out.c_str()), "-" + std::string(47, '9') + ".E-9999");
}

// Random bytes through every decode routine: each call ends in an orderly
// status, and nothing is touched outside the areas (the sanitizer run
// watches the reads).
TEST(cblcv, RandomInputGivesOrderlyStatus) {
    std::mt19937 rng(20261207);
    const std::string alpha = "0123456789+-., EeCRDBJ}{\xF1\xD2\xC0\x0C\x0D";
    std::vector<char> src(300);
    char out[64], txt[RMVB_OUT];
    long lv;
    long long bv;
    std::string bad;
    int line = 0;
    auto ok = [&](int rc, std::initializer_list<int> allowed) {
        ++line;
        for (int a : allowed) if (rc == a) return;
        if (bad.size() < 200) bad += "call " + std::to_string(line) + " gave " + std::to_string(rc) + "; ";
    };
    for (int it = 0; it < 200000; ++it) {
        int n = static_cast<int>(rng() % 301);
        int mode = it % 3;                  // raw bytes, number-text bytes, short fields
        if (mode == 2) n %= 12;
        for (int i = 0; i < n; ++i) {
            src[static_cast<std::size_t>(i)] = mode == 1 ? alpha[rng() % alpha.size()] : static_cast<char>(rng());
        }
        const char* s = src.data();
        line = 0;
        int k = static_cast<int>(rng() % 65), st = 11 + static_cast<int>(rng() % 4);
        int d = static_cast<int>(rng() % 12) - 2;
        ok(rmvb(s, n | (it & 1 ? RMVB_FLOAT : 0) | (it & 2 ? CV_ZONED : 0), txt) >= -1, {1});
        ok(cvcl(&lv, s, n), {0, 1});
        ok(cvcb(&bv, s, n | CV_ZONED), {0, 1});
        ok(cvpl(&lv, s, n, d), {0, 1, CV_BADPACK});
        ok(cvpb(&bv, s, n, d), {0, 1, CV_BADPACK});
        ok(cvul(&lv, s, n), {0, 1, CV_BADPACK});
        ok(cvub(&bv, s, n), {0, 1, CV_BADPACK});
        ok(cvil(&lv, s, n), {0, 1});
        ok(cvib(&bv, s, n), {0, 1});
        ok(cvfl(&lv, s, n, st), {0, 1});
        ok(cvfb(&bv, s, n, st), {0, 1});
        ok(cvcp(out, k % 24, d, s, n), {0, 1});
        ok(cvci(out, k % 10, s, n), {0, 1});
        ok(cvcf(out, k % 10, st, s, n), {0, 1, 2, 3, 4, 5, 6});
        ok(cvpc(out, k, nullptr, s, n, d), {0, 5, 9});
        ok(cvpi(out, k % 10, s, n, d), {0, 1, CV_BADPACK});
        ok(cvpf(out, k % 10, st, s, n, d), {0, 1, 2, 3, 4, 5, 6});
        ok(cvic(out, k, nullptr, s, n), {0, 1, 9});
        ok(cvip(out, k % 20, d, s, n), {0, 1, CV_PACK16});
        ok(cvii(out, k, s, n), {0, 1});
        ok(cvif(out, k % 10, st, s, n), {0, 1, 2, 3, 4, 5, 6});
        ok(cvfc(out, k, "SSS,SS9.99", s, n, st), {0, 1, 9});
        ok(cvff(out, k % 10, 11 + (k & 3), s, n, st), {0, 1, 2, 3, 4, 5, 6});
        ok(cvhc(out, k, s, n), {0, 1, 2, 3});
        ok(cvch(out, k, "XX,", s, n % 20), {0, 3});
        out[0] = static_cast<char>(k & 1);
        ok(cblcv(out, k, FD_CHAR, s, n, it & 1 ? FD_ZONED : FD_CHAR), {0, 1, 9});
        ok(cblcv(out, k % 20, FD_PACKED, s, n, FD_PACKED), {0, 1});
    }
    EXPECT_EQ(bad, "");
}
