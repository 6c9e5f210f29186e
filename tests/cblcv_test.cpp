// Data conversions: table tests with hand-worked bytes, guard-filled
// areas, round trips and random input.
#include "runtime/runtime.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace std::literals;

namespace {

std::string hex(std::string_view s) {
    static const char d[] = "0123456789ABCDEF";
    std::string h;
    for (unsigned char c : s) h += d[c >> 4], h += d[c & 15], h += ' ';
    return h;
}

// Run f on an area of n bytes inside a buffer whose 16 bytes on each side
// (and the area itself) are filled with X'A5'; the guards must survive.
constexpr unsigned char kGuard = 0xA5;
std::string guarded(int n, const std::function<int(char*, int)>& f, int* rc) {
    std::vector<char> buf(static_cast<std::size_t>(n) + 32, static_cast<char>(kGuard));
    *rc = f(buf.data() + 16, n);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(buf[i]), kGuard) << "guard before, byte " << i;
        EXPECT_EQ(static_cast<unsigned char>(buf[16 + n + i]), kGuard) << "guard after, byte " << i;
    }
    return std::string(buf.data() + 16, static_cast<std::size_t>(n));
}

int len(std::string_view s) { return static_cast<int>(s.size()); }

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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) {
            return cvcp(a, n, r.decimals, r.in.data(), len(r.in) | r.flags);
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) { return cvbp(a, n, r.decimals, r.v); }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
        long lv = static_cast<long>(r.v);
        got = guarded(r.length, [&](char* a, int n) { return cvlp(a, n, r.decimals, lv); }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
    }
}

TEST(cvpb, ReadsPackedWithEverySign) {
    struct Row { std::string_view in; int drop; long long want; int rc; };
    constexpr Row rows[] = {
        {"\x12\x3A"sv, 0, 123, 0},  {"\x12\x3B"sv, 0, -123, 0}, {"\x12\x3C"sv, 0, 123, 0},
        {"\x12\x3D"sv, 0, -123, 0}, {"\x12\x3E"sv, 0, 123, 0},  {"\x12\x3F"sv, 0, 123, 0},
        {"\x12\x30"sv, 0, 0, CV_BADPACK}, {"\x12\x31"sv, 0, 0, CV_BADPACK},
        {"\x12\x32"sv, 0, 0, CV_BADPACK}, {"\x12\x33"sv, 0, 0, CV_BADPACK},
        {"\x12\x34"sv, 0, 0, CV_BADPACK}, {"\x12\x35"sv, 0, 0, CV_BADPACK},
        {"\x12\x36"sv, 0, 0, CV_BADPACK}, {"\x12\x37"sv, 0, 0, CV_BADPACK},
        {"\x12\x38"sv, 0, 0, CV_BADPACK}, {"\x12\x39"sv, 0, 0, CV_BADPACK},
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
        long long v = 4242;
        EXPECT_EQ(cvpb(&v, r.in.data(), len(r.in), r.drop), r.rc);
        EXPECT_EQ(v, r.rc == 0 ? r.want : 4242);              // stored only on success
        long lv = 4242;
        EXPECT_EQ(cvpl(&lv, r.in.data(), len(r.in), r.drop), r.rc);
        EXPECT_EQ(lv, r.rc == 0 ? r.want : 4242);
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
        long long v = 0;
        EXPECT_EQ(cvub(&v, r.in.data(), len(r.in)), r.rc);
        if (r.rc == 0) { EXPECT_EQ(v, r.want); }
        long lv = 0;
        EXPECT_EQ(cvul(&lv, r.in.data(), len(r.in)), r.rc);
        if (r.rc == 0) { EXPECT_EQ(lv, r.want); }
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
        int rc;
        std::string got = guarded(o.length, [&](char* a, int n) { return cvlu(a, n, o.v); }, &rc);
        EXPECT_EQ(rc, o.rc);
        EXPECT_EQ(hex(got), hex(o.want));
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
        long long v = 4242;
        EXPECT_EQ(cvcb(&v, r.in.data(), len(r.in) | r.flags), r.rc);
        EXPECT_EQ(v, r.rc == 0 ? r.want : 4242);
        long lv = 4242;
        EXPECT_EQ(cvcl(&lv, r.in.data(), len(r.in) | r.flags), r.rcl);
        EXPECT_EQ(lv, r.rcl == 0 ? r.want : 4242);
    }
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
        long long v = 4242;
        EXPECT_EQ(cvib(&v, r.in.data(), len(r.in)), r.rc);
        EXPECT_EQ(v, r.rc == 0 ? r.want : 4242);
        long lv = 4242;
        EXPECT_EQ(cvil(&lv, r.in.data(), len(r.in)), r.rc);
        EXPECT_EQ(lv, r.rc == 0 ? r.want : 4242);
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) { return cvbi(a, n, r.v); }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
        got = guarded(r.length, [&](char* a, int n) { return cvli(a, n, static_cast<long>(r.v)); }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) {
            return cvii(a, n, r.in.data(), len(r.in));
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
    }
}

TEST(cvpi, PackedAndBinaryBothWays) {
    int rc;
    // packed -123 (12 3D) into 2 bytes: -123 = FF85
    std::string got = guarded(2, [](char* a, int n) { return cvpi(a, n, "\x12\x3D", 2, 0); }, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(hex(got), hex("\xFF\x85"));
    // 123.5 with one decimal dropped: 124 = 007C
    got = guarded(2, [](char* a, int n) { return cvpi(a, n, "\x01\x23\x5C", 3, 1); }, &rc);
    EXPECT_EQ(hex(got), hex("\x00\x7C"sv));
    // 256 does not fit one byte
    got = guarded(1, [](char* a, int n) { return cvpi(a, n, "\x25\x6C", 2, 0); }, &rc);
    EXPECT_EQ(rc, 1);
    // binary -123 to packed with one decimal: -123.0 = 01 23 0D
    got = guarded(3, [](char* a, int n) { return cvip(a, n, 1, "\xFF\x85", 2); }, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(hex(got), hex("\x01\x23\x0D"));
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) {
            return cvci(a, n, r.in.data(), len(r.in));
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
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
        int rc;
        std::string got = guarded(r.tlen, [&](char* a, int n) {
            return cvff(a, n, r.tstyle, r.src.data(), slen, r.sstyle);
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
    }
    int rc;
    EXPECT_EQ(cvff(nullptr, 0, 13, m25.data(), 8, 13), CVFF_TGT);
    EXPECT_EQ(cvff(nullptr, 9, 13, m25.data(), 8, 13), CVFF_TGT);
    if constexpr (std::endian::native == std::endian::little) {
        // The machine's own order: the high-order bytes lie at the end.
        std::string got = guarded(8, [&](char* a, int n) { return cvff(a, n, 14, m25.data(), 8, 13); }, &rc);
        EXPECT_EQ(hex(got), hex("\0\0\0\0\0\0\x04\xC0"sv));
        got = guarded(4, [&](char* a, int n) { return cvff(a, n, 12, m25.data(), 8, 13); }, &rc);
        EXPECT_EQ(hex(got), hex("\x00\x00\x28\xC1"sv));
        got = guarded(2, [&](char* a, int n) { return cvff(a, n, 14, m25.data(), 8, 13); }, &rc);
        EXPECT_EQ(hex(got), hex("\x20\xC0"sv));                    // single 00 00 20 C0, top 2
        got = guarded(8, [&](char* a, int n) { return cvff(a, n, 13, "\x20\xC0", 2, 14); }, &rc);
        EXPECT_EQ(hex(got), hex(m25));
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
        long long v = 4242;
        EXPECT_EQ(cvfb(&v, r.src.data(), len(r.src), r.style), r.rc);
        EXPECT_EQ(v, r.rc == 0 ? r.want : 4242);
        long lv = 4242;
        EXPECT_EQ(cvfl(&lv, r.src.data(), len(r.src), r.style), r.rc);
        EXPECT_EQ(lv, r.rc == 0 ? r.want : 4242);
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) { return cvfp(a, n, r.decimals, r.v); }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
    }
}

TEST(cvcf, IntegersAndTextToFloat) {
    int rc;
    std::string got = guarded(4, [](char* a, int n) { return cvcf(a, n, 13, "-2.5", 4); }, &rc);
    EXPECT_EQ(hex(got), hex("\xC0\x20\x00\x00"sv));
    got = guarded(4, [](char* a, int n) { return cvcf(a, n, 13, " 1E3", 4); }, &rc);
    EXPECT_EQ(hex(got), hex("\x44\x7A\x00\x00"sv));           // 1000 = 1.953125 x 2^9
    got = guarded(4, [](char* a, int n) { return cvcf(a, n, 11, "0.1", 3); }, &rc);
    EXPECT_EQ(hex(got), hex("\x40\x19\x99\x99"sv));           // 0.1999... hex, truncated
    EXPECT_EQ(cvcf(got.data(), 4, 13, "abc", 3), 1);
    EXPECT_EQ(cvcf(got.data(), 4, 13, "1E999", 5), 1);
    got = guarded(4, [](char* a, int n) { return cvlf(a, n, 11, 1L); }, &rc);
    EXPECT_EQ(hex(got), hex("\x41\x10\x00\x00"sv));
    got = guarded(8, [](char* a, int n) { return cvbf(a, n, 13, LLONG_MIN); }, &rc);
    EXPECT_EQ(hex(got), hex("\xC3\xE0\0\0\0\0\0\0"sv));
    got = guarded(8, [](char* a, int n) { return cvif(a, n, 13, "\xFF\xFE", 2); }, &rc);
    EXPECT_EQ(hex(got), hex("\xC0\x00\0\0\0\0\0\0"sv));       // -2.0
}

TEST(getx, ClassifiesHexDigits) {
    EXPECT_EQ(getx('0'), 0);
    EXPECT_EQ(getx('9'), 9);
    EXPECT_EQ(getx('A'), 10);
    EXPECT_EQ(getx('f'), 15);
    EXPECT_EQ(getx(' '), 187);
    EXPECT_EQ(getx(','), 187);
    EXPECT_EQ(getx('G'), 238);
    EXPECT_EQ(getx(0xC1), 238);
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) {
            return cvhc(a, n, r.in.data(), len(r.in));
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(hex(got), hex(r.want));
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
        int rc;
        std::string got = guarded(r.length, [&](char* a, int n) {
            return cvch(a, n, r.pattern, r.in.data(), len(r.in));
        }, &rc);
        EXPECT_EQ(rc, r.rc);
        EXPECT_EQ(got, r.want);
    }
}
