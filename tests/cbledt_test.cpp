// Numeric editing: patterns, rounding, overflow, the integer and packed
// front ends, number text and the small string routines.  Expected texts
// are worked out by hand from the pattern rules: digits are placed from the
// right, the part no digit reached is blank up to the first 9, the sign
// goes just left of the digits.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "runtime/runtime.h"
#include "tests/testutil.h"

using namespace std::literals;

namespace {

constexpr char kGuard = '#';

// Runs one editing inside a guard-filled area; the guards must survive.
std::string guarded(int length, const std::function<int(char*, int)>& edit, int* rc) {
    return tvt::guarded(length, kGuard, edit, rc);
}

// The editing leaves want in its area and returns rc.
void area(int length, const std::function<int(char*, int)>& edit, std::string_view want, int rc) {
    int got = -1;
    EXPECT_EQ(want, guarded(length, edit, &got));
    EXPECT_EQ(rc, got);
}

// pattern: null for the default pattern.
struct EdtRow { const char* name; const char* pattern; const char* number; int length; std::string_view want; int rc; };

// Working: digits go right to left into 9/0/Z (and S or "-" once digits
// flow); what is left blanks up to its first 9; the sign lands just left of
// the digits.
constexpr EdtRow kEdit[] = {
    // 7,6,5 | , | 4,3,2 | , | 1 into the S; left "SS,SS" blank, sign at 4
    {"floating sign", "SS,SSS,SSS,SS9", "+1234567", 14, "    +1,234,567"sv, 0},
    {"floating minus negative", "---9", "-5", 4, "  -5"sv, 0},
    {"floating minus positive", "---9", "+5", 4, "   5"sv, 0},
    // 3 decimals, 4 positions: one zero supplied, "123450"
    {"decimals supplied", "SS,SSS,SSS,SS9.9999", "+12.345", 19, "           +12.3450"sv, 0},
    // "50" placed after the point; the point and a 0 before it restored
    {"below one", "ZZZ.99", "+0.5", 6, "  0.50"sv, 0},
    {"below one tiny", "ZZZ.ZZ", "+0.05", 6, "  0.05"sv, 0},
    {"overflow", "0009", "+123456", 4, "****"sv, 9},
    // 12 -> 0012, the 2 overpunched as K
    {"default negative", nullptr, "-12", 4, "001K"sv, 0},
    {"default negative zero", nullptr, "-10", 3, "01}"sv, 0},
    {"default positive", nullptr, "+12", 4, "0012"sv, 0},
    // first dropped digit 5 rounds up: 12.5 -> 13
    {"no point rounds", nullptr, "+12.5", 4, "0013"sv, 0},
    {"no point drops", "ZZZ9", "+12.49", 4, "  12"sv, 0},
    // half-up on the first dropped digit only: 1.2349 -> 1.23
    {"round first dropped only", "ZZ9.99", "+1.2349", 6, "  1.23"sv, 0},
    {"round up", "ZZ9.99", "+1.235", 6, "  1.24"sv, 0},
    // 9.996 -> 10.00 by the carry
    {"carry", "Z9.99", "+9.996", 5, "10.00"sv, 0},
    // 99.996 -> 100.00: five digits into four positions
    {"carry overflow", "Z9.99", "+99.996", 5, "*****"sv, 9},
    {"zero with nine", "ZZZ9", "+0", 4, "   0"sv, 0},
    {"zero all suppressed", "ZZZZ", "+0", 4, "    "sv, 0},
    {"zero suppressed decimals", "ZZZ.ZZ", "+0", 6, "      "sv, 0},
    {"zero shown decimals", "ZZZ.99", "+0", 6, "  0.00"sv, 0},
    // 4,3,2 | , | 1 ; left "000" blank
    {"zero suppression", "0000,009", "+1234", 8, "   1,234"sv, 0},
    {"full pattern", "0000,009", "+1234567", 8, "1234,567"sv, 0},
    {"one digit too many", "0000,009", "+12345678", 8, "********"sv, 9},
    // "-" after a 9 is a trailing text: kept for negative, blank for positive
    {"trailing minus negative", "ZZ9-", "-12", 4, " 12-"sv, 0},
    {"trailing minus positive", "ZZ9-", "+12", 4, " 12 "sv, 0},
    {"trailing CR negative", "ZZ9CR", "-5", 5, "  5CR"sv, 0},
    {"trailing CR positive", "ZZ9CR", "+5", 5, "  5  "sv, 0},
    // S met right of the digits takes the sign
    {"trailing S negative", "999S", "-12", 4, "012-"sv, 0},
    {"trailing S positive", "999S", "+12", 4, "012+"sv, 0},
    // fixed "+" stays in front; Z positions blank
    {"fixed sign", "+ZZ9", "-7", 4, "-  7"sv, 0},
    // 2 into 9, 1 into S at 3; left "S,S" keeps its last S at 2
    {"sign beside digits", "S,SS9", "-12", 5, "  -12"sv, 0},
    // left "S,99": comma blank, the sign moves right past it
    {"sign past insertion", "S,999", "+5", 5, " +005"sv, 0},
    // pattern used up with a floating sign in front: no room for the sign
    {"no room for S", "SS9", "+123", 3, "***"sv, 9},
    {"room for S", "SS9", "+12", 3, "+12"sv, 0},
    {"no room for minus", "-99", "-123", 3, "***"sv, 9},
    {"minus needs no room when positive", "-99", "+123", 3, "123"sv, 0},
    // "50" after the point; the restored 0 takes position 2, sign at 1
    {"sign before restored zero", "SSS.99", "-0.5", 6, " -0.50"sv, 0},
    {"lower case letters", "ss,ss9", "+1234", 6, "+1,234"sv, 0},
    {"lower case z", "zz9", "+5", 3, "  5"sv, 0},
    {"pattern shorter than output", "ZZ9", "+1", 5, "    1"sv, 0},
    {"pattern longer than output", "ZZ9", "+1", 2, "**"sv, 9},
    {"no sign", "ZZ9", "12", 3, "***"sv, 9},
    {"bad character", "ZZ9", "+1a", 3, "***"sv, 9},
    {"null number", "ZZ9", nullptr, 3, "***"sv, 9},
};

}  // namespace

TEST(cbledtc, EditsByPattern) {
    for (const EdtRow& r : kEdit) {
        SCOPED_TRACE(r.name);
        area(r.length, [&](char* o, int n) { return cbledtc(o, n, r.pattern, r.number); }, r.want, r.rc);
    }
}

TEST(cbledtc, RejectsEmptyOutput) {
    char c = kGuard;
    EXPECT_EQ(9, cbledtc(&c, 0, "9", "+1"));
    EXPECT_EQ(9, cbledtc(nullptr, 4, "9", "+1"));
    EXPECT_EQ(kGuard, c);
}

TEST(cbledtb, EditsWholeRange) {
    struct Row { const char* name; const char* pattern; long long v; int length; std::string_view want; };
    const Row rows[] = {
        // 19 digits; 8 overpunched as Q (J=1 ... Q=8), one leading 0
        {"smallest default", nullptr, LLONG_MIN, 20, "0922337203685477580Q"sv},
        {"largest default", nullptr, LLONG_MAX, 19, "9223372036854775807"sv},
        // 8 into the 9, 18 digits into the "-", sign into position 0
        {"smallest floating", "-------------------9", LLONG_MIN, 20, "-9223372036854775808"sv},
        // a negative value is never shown as its unsigned 64-bit form
        {"negative long output", nullptr, -5, 12, "00000000000N"sv},
        {"negative no sign position", "ZZZZZZZZZZZ9", -5, 12, "           5"sv},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        area(r.length, [&](char* o, int n) { return cbledtb(o, n, r.pattern, r.v); }, r.want, 0);
    }
    area(14, [](char* o, int n) { return cbledt(o, n, "SS,SSS,SSS,SS9", -1234567L); }, "    -1,234,567"sv, 0);
}

// Any value through a floating minus pattern reads as the plain decimal text.
TEST(cbledtb, MatchesPlainDecimalText) {
    std::mt19937_64 rng(5);
    for (int i = 0; i < 20000; ++i) {
        long long v = static_cast<long long>(rng()) >> (rng() % 64);
        char ref[21];
        auto [p, ec] = std::to_chars(ref, ref + sizeof ref, v);
        ASSERT_EQ(std::errc{}, ec);
        std::string want(20 - static_cast<std::size_t>(p - ref), ' ');
        want.append(ref, p);
        char out[20];
        ASSERT_EQ(0, cbledtb(out, 20, "-------------------9", v));
        ASSERT_EQ(want, std::string(out, 20)) << v;
    }
}

TEST(lonb2ch, WritesRightAligned) {
    struct Row { const char* name; int size; long long v; const char* want; };  // want null: does not fit
    const Row rows[] = {
        {"smallest", 21, LLONG_MIN, "-9223372036854775808"},   // 20 characters and the NUL
        {"smallest one short", 20, LLONG_MIN, nullptr},
        {"largest", 21, LLONG_MAX, "+9223372036854775807"},
        {"zero", 3, 0, "+0"},
        {"zero one short", 2, 0, nullptr},
        {"negative", 8, -42, "-42"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string buf(static_cast<std::size_t>(r.size) + 32, kGuard);
        char* area = buf.data() + 16;
        char* s = lonb2ch(area, r.size, r.v);
        if (r.want == nullptr) {
            EXPECT_EQ(nullptr, s);
            EXPECT_EQ(std::string(static_cast<std::size_t>(r.size) + 32, kGuard), buf);
            continue;
        }
        ASSERT_NE(nullptr, s);
        EXPECT_STREQ(r.want, s);
        EXPECT_EQ(area + r.size - 1 - std::strlen(r.want), s);  // ends at the buffer's last byte
        for (char* q = buf.data(); q < s; ++q) EXPECT_EQ(kGuard, *q);
        for (std::size_t i = 16 + static_cast<std::size_t>(r.size); i < buf.size(); ++i) EXPECT_EQ(kGuard, buf[i]);
    }
}

TEST(cbledts, ReadsEverySignNibble) {
    struct Row { std::string_view packed; int outlen; std::string_view want; int rc; };
    const Row rows[] = {
        // X'123x': digits 1,2,3 then the sign nibble x
        {"\x12\x3A"sv, 5, "+123\0"sv, 0},
        {"\x12\x3B"sv, 5, "-123\0"sv, 0},
        {"\x12\x3C"sv, 5, "+123\0"sv, 0},
        {"\x12\x3D"sv, 5, "-123\0"sv, 0},
        {"\x12\x3E"sv, 5, "+123\0"sv, 0},
        {"\x12\x3F"sv, 5, "+123\0"sv, 0},
        {"\x0D"sv, 3, "-0\0"sv, 0},
        // no sign: the last nibble 0 to 9
        {"\x12\x30"sv, 5, "****\0"sv, 5},
        {"\x12\x39"sv, 5, "****\0"sv, 5},
        // a digit nibble above 9
        {"\x1A\x3C"sv, 5, "****\0"sv, 5},
        {"\xF2\x3C"sv, 5, "****\0"sv, 5},
        // sign, 3 digits and NUL need 5 bytes
        {"\x12\x3C"sv, 4, "***\0"sv, 9},
        {""sv, 3, "**\0"sv, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.packed));
        area(r.outlen, [&](char* o, int n) { return cbledts(o, n, r.packed.data(), static_cast<int>(r.packed.size())); },
             r.want, r.rc);
    }
}

TEST(cbledtp, EditsWithDecimals) {
    struct Row { const char* name; std::string_view packed; int dec; const char* pattern; std::string_view want; int rc; };
    const Row rows[] = {
        // 0123456 with 2 decimals: +01234.56
        {"decimals", "\x01\x23\x45\x6C"sv, 2, "ZZ,ZZ9.99", " 1,234.56"sv, 0},
        // 5 with 2 decimals: +.05; left "Z9.9" -> " 0.0"
        {"fewer digits than decimals", "\x5C"sv, 2, "Z9.99", " 0.05"sv, 0},
        // -12.3: the "-" at 2 floats a digit, the sign lands at 1
        {"negative", "\x12\x3D"sv, 1, "---9.9", " -12.3"sv, 0},
        {"no decimals", "\x12\x3D"sv, 0, "---9", "-123"sv, 0},
        {"negative decimals count as none", "\x12\x3C"sv, -2, "ZZZ9", " 123"sv, 0},
        {"bad sign", "\x12\x34"sv, 0, "ZZZZ9", "*****"sv, 5},
        {"does not fit", "\x12\x34\x5C"sv, 0, "ZZZ9", "****"sv, 9},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        area(static_cast<int>(std::strlen(r.pattern)), [&](char* o, int n) {
            return cbledtp(o, n, r.pattern, r.packed.data(), static_cast<int>(r.packed.size()), r.dec);
        }, r.want, r.rc);
    }
}

TEST(strcpe, ReturnsCopiedNul) {
    char to[16] = "xy";
    EXPECT_EQ(to + 2, strcpe(to, nullptr));
    char* e = strcpe(to, "abc");
    EXPECT_EQ(to + 3, e);
    EXPECT_STREQ("abc", to);
    EXPECT_EQ(nullptr, strcpe(nullptr, "abc"));
}

TEST(strupr, ChangesAsciiLettersOnly) {
    char s[] = "aZ9\xE4z{";
    EXPECT_EQ(s, strupr(s));
    EXPECT_STREQ("AZ9\xE4Z{", s);
    EXPECT_EQ(s, strlwr(s));
    EXPECT_STREQ("az9\xE4z{", s);
    char t[] = "abcdef";
    strnupr(t, 3);
    EXPECT_STREQ("ABCdef", t);
    EXPECT_EQ(nullptr, strupr(nullptr));
    EXPECT_EQ(nullptr, strlwr(nullptr));
    EXPECT_EQ(nullptr, strnupr(nullptr, 3));
}

// Random number texts and patterns: only 0 or 9, never a write outside.
TEST(cbledtc, SurvivesRandomInput) {
    std::mt19937 rng(7);
    const char alphabet[] = "0123456789+-.SsZz9,/ CRB*x";
    for (int i = 0; i < 50000; ++i) {
        std::string pat(rng() % 24, ' ');
        for (char& c : pat) c = alphabet[rng() % (sizeof alphabet - 1)];
        std::string num(rng() % 60, ' ');
        for (char& c : num) c = alphabet[rng() % 14];
        if (rng() % 2 && !num.empty()) num[0] = rng() % 2 ? '+' : '-';
        int len = static_cast<int>(rng() % 30);
        int rc = -1;
        guarded(len, [&](char* o, int n) { return cbledtc(o, n, pat.empty() ? nullptr : pat.c_str(), num.c_str()); }, &rc);
        ASSERT_TRUE(rc == 0 || rc == 9) << pat << " " << num;
    }
}

// Random packed fields of 0 to 300 bytes: only an orderly status, never a
// write outside the area.
TEST(cbledtp, SurvivesRandomInput) {
    std::mt19937 rng(11);
    for (int i = 0; i < 200000; ++i) {
        std::string in(rng() % 301, '\0');
        for (char& c : in) c = static_cast<char>(rng());
        int rc = -1;
        int dec = static_cast<int>(rng() % 40) - 5;
        guarded(12, [&](char* o, int n) {
            return cbledtp(o, n, "ZZZ,ZZ9.99-", in.data(), static_cast<int>(in.size()), dec);
        }, &rc);
        ASSERT_TRUE(rc == 0 || rc == 5 || rc == 9) << rc;
        int outlen = static_cast<int>(rng() % 40) + 1;
        guarded(outlen, [&](char* o, int n) { return cbledts(o, n, in.data(), static_cast<int>(in.size())); }, &rc);
        ASSERT_TRUE(rc == 0 || rc == 5 || rc == 9) << rc;
    }
}

// The packed front end reads the nibbles itself and the engine keeps the
// last pattern's analysis: both must edit exactly as the number text does.
// Random packed fields and patterns (short, past the kept 64 bytes and
// past 256), alternating, against cbledts's text with the point put in.
TEST(cbledtp, EditsAsItsNumberText) {
    std::mt19937 rng(12);
    const char alphabet[] = "9990ZS-+.,/ CR";
    for (int i = 0; i < 30000; ++i) {
        std::string pk(1 + rng() % 10, '\0');
        for (char& c : pk) c = static_cast<char>((rng() % 10) << 4 | rng() % 10);
        pk.back() = static_cast<char>((pk.back() & 0xF0) | (0xA + rng() % 6));
        int dec = static_cast<int>(rng() % 25);
        std::size_t plen = i % 50 == 0 ? 300 : i % 20 == 0 ? 100 : 1 + rng() % 24;
        std::string pat(plen, '9');
        for (char& c : pat) c = alphabet[rng() % (sizeof alphabet - 1)];
        char t[64];
        ASSERT_EQ(0, cbledts(t, sizeof t, pk.data(), static_cast<int>(pk.size())));
        std::string dg(t + 1), txt(1, t[0]);
        if (dec > 0) {
            if (static_cast<int>(dg.size()) < dec) dg.insert(0, dec - dg.size(), '0');
            dg.insert(dg.size() - dec, ".");
        }
        txt += dg;
        int n = static_cast<int>(plen), rw = -1, rg = -1;
        std::string want = guarded(n, [&](char* o, int m) { return cbledtc(o, m, pat.c_str(), txt.c_str()); }, &rw);
        std::string got = guarded(n, [&](char* o, int m) {
            return cbledtp(o, m, pat.c_str(), pk.data(), static_cast<int>(pk.size()), dec);
        }, &rg);
        ASSERT_EQ(want, got) << pat << " " << txt;
        ASSERT_EQ(rw, rg);
    }
}
