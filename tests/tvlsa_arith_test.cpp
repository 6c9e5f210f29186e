// ADD, SUB, MULT and DIV: whole runs on 10-byte records, worked by hand,
// and a randomized check of the exact number form against a reference.
// Rules used for the expected bytes: packed is two digit nibbles a byte,
// the last nibble the sign (C +, D -; B and D read negative, F positive),
// a result goes in with the result's decimals, rounded once half away
// from zero (DIV into no decimals truncates), the remainder takes the
// dividend's sign, a result that does not fit leaves the field as it was
// with return code 8, an 8-byte binary ADD past 64 bits wraps (rc 8).
#include "testutil.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"

using namespace std::string_literals;

namespace {

using Row = tvt::ActRow;
const std::string kT = "ABCDEFG";  // the rest of a record behind 3 bytes
std::string rc8(const std::string& op) { return tvt::sum2(op + "  (***01 RETCD=8***)"); }
std::string err(const char* text) { return std::string("*** ERROR ") + text; }

}  // namespace

TEST(tvlsa_arith, PackedZonedBinary) {
    const std::vector<Row> rows = {
        {"add", "ADD 5 TO POS 1 LEN 3", "\x00\x12\x3C"s + kT, "\x00\x12\x8C"s + kT, 0, tvt::sum2("add")},
        // 123 - 200 = -77.
        {"add negative", "ADD -200 TO POS 1 LEN 3", "\x00\x12\x3C"s + kT, "\x00\x07\x7D"s + kT, 0, ""},
        // F reads +123, B reads -50: 73.
        {"signs F and B", "ADD POS 4 LEN 2 TO POS 1 LEN 3", "\x00\x12\x3F\x05\x0B" "ABCDE"s,
         "\x00\x07\x3C\x05\x0B" "ABCDE"s, 0, ""},
        {"sub 5 from 3", "SUB POS 2 LEN 1 FROM POS 1 LEN 1", "\x3C\x5C" "ABCDEFGH"s, "\x2D\x5C" "ABCDEFGH"s, 0,
         tvt::sum2("sub")},
        {"leading zeros, -5 - 7", "SUB 7 FR POS 1 LEN 3", "\x00\x00\x5D"s + kT, "\x00\x01\x2D"s + kT, 0, ""},
        {"zero is positive", "ADD 5 TO POS 1 LEN 2", "\x00\x5D" "ABCDEFGH"s, "\x00\x0C" "ABCDEFGH"s, 0, ""},
        {"overflow kept", "ADD 1 TO POS 1 LEN 2", "\x99\x9C" "ABCDEFGH"s, "\x99\x9C" "ABCDEFGH"s, 8, rc8("add")},
        {"invalid packed", "ADD 1 TO POS 1 LEN 2", "\x9A\x9C" "ABCDEFGH"s, "\x9A\x9C" "ABCDEFGH"s, 8, ""},
        // 1.25 x 1.5 = 1.875, two decimals: 1.88.
        {"mult rounds", "MULT POS 1 LEN 3 SCALE 2 BY 1.5", "\x00\x12\x5C"s + kT, "\x00\x18\x8C"s + kT, 0,
         tvt::sum2("mult")},
        // 7 / 2 = 3 remainder 1; -7 / 2 = -3 remainder -1.
        {"div and remainder", "DIV POS 1 LEN 2 BY 2 REM POS 3 LEN 2", "\x00\x7C\x00\x00" "ABCDEF"s,
         "\x00\x3C\x00\x1C" "ABCDEF"s, 0, tvt::sum2("div")},
        {"remainder sign", "DIV 2 INTO POS 1 LEN 2 REM POS 3 LEN 2", "\x00\x7D\x00\x00" "ABCDEF"s,
         "\x00\x3D\x00\x1D" "ABCDEF"s, 0, ""},
        {"div into decimals", "DIV POS 1 LEN 2 BY 2 INTO POS 3 LEN 2 SCALE 1", "\x00\x7C\x00\x00" "ABCDEF"s,
         "\x00\x7C\x03\x5C" "ABCDEF"s, 0, ""},
        // -2 / 3 = -0.666..., one decimal: -0.7.
        {"div rounds", "DIV 3 INTO POS 1 LEN 2 INTO POS 3 LEN 2 SCALE 1", "\x00\x2D\x00\x00" "ABCDEF"s,
         "\x00\x2D\x00\x7D" "ABCDEF"s, 0, ""},
        {"div by zero", "DIV POS 1 LEN 2 BY POS 3 LEN 2 REM POS 5 LEN 2", "\x00\x7C\x00\x0C\x11\x1C" "ABCD"s,
         "\x00\x7C\x00\x0C\x11\x1C" "ABCD"s, 8, rc8("div")},
        // S9(15)V99: 123456789012345.67 + 0.01, exactly.
        {"17 digits exact", "ADD 0.01 TO POS 1 LEN 9 SCALE 2", "\x12\x34\x56\x78\x90\x12\x34\x56\x7C" "A"s,
         "\x12\x34\x56\x78\x90\x12\x34\x56\x8C" "A"s, 0, ""},
        // "12L" is -123 (ASCII overpunch), F1 F2 D3 too: 10 - 123 = -113.
        {"zoned ASCII operand", "ADD POS 1 LEN 3 TYPE Z TO POS 4 LEN 2 TYPE P", "12L\x01\x0C" "ABCDE"s,
         "12L\x11\x3D" "ABCDE"s, 0, ""},
        {"zoned EBCDIC operand", "ADD POS 1 LEN 3 TYPE Z TO POS 4 LEN 2 TYPE P", "\xF1\xF2\xD3\x01\x0C" "ABCDE"s,
         "\xF1\xF2\xD3\x11\x3D" "ABCDE"s, 0, ""},
        // -123 + 1 = -122: last digit 2 overpunched negative, K.
        {"zoned result", "ADD 1 TO POS 1 LEN 3 TYPE Z", "12L"s + kT, "12K"s + kT, 0, ""},
        // 1-byte binary is unsigned: 255 + 1 = 256 into 2 bytes.
        {"binary 1 byte", "ADD POS 1 LEN 1 TYPE B TO POS 2 LEN 2 TYPE B", "\xFF\x00\x01" "ABCDEFG"s,
         "\xFF\x01\x00" "ABCDEFG"s, 0, ""},
        {"binary 2-byte overflow", "ADD 1 TO POS 1 LEN 2 TYPE B", "\x7F\xFF" "ABCDEFGH"s, "\x7F\xFF" "ABCDEFGH"s, 8, ""},
        {"binary 4 bytes", "SUB 3 FROM POS 1 LEN 4 TYPE B", "\x00\x00\x00\x01" "ABCDEF"s,
         "\xFF\xFF\xFF\xFE" "ABCDEF"s, 0, ""},
        {"binary 8-byte wrap", "ADD 1 TO POS 1 LEN 8 TYPE B", "\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "AB"s,
         "\x80\x00\x00\x00\x00\x00\x00\x00" "AB"s, 8, rc8("add")},
        // Unsigned packed: 0123 + 1 = 0124; below zero it cannot go.
        {"unsigned packed", "ADD 1 TO POS 1 LEN 2 TYPE U", "\x01\x23" "ABCDEFGH"s, "\x01\x24" "ABCDEFGH"s, 0, ""},
        {"unsigned below zero", "SUB 200 FROM POS 1 LEN 2 TYPE U", "\x01\x23" "ABCDEFGH"s, "\x01\x23" "ABCDEFGH"s, 8, ""},
        // -1.5 through the floating minus mask ---9.99 in 7 bytes.
        {"masked result", "SUB 2 FROM POS 1 LEN 2 SCALE 1 INTO POS 4 LEN 7 FMT '---9.99'", "\x00\x5C" "ABCDEFGH"s,
         "\x00\x5C" "A  -1.50"s, 0, ""},
        // IEEE big-endian double 2.0 (40 00 ..) + 1.5 = 3.5: exponent 400, fraction C000...
        {"float", "ADD 1.5 TO POS 1 LEN 8 TYPE F", "\x40\x00\x00\x00\x00\x00\x00\x00" "AB"s,
         "\x40\x0C\x00\x00\x00\x00\x00\x00" "AB"s, 0, ""},
        // INTO without a length takes its mask's 4.
        {"length from mask", "ADD 1 TO POS 1 LEN 2 INTO POS 5 FMT '9999'", "\x00\x5C" "ABCDEFGH"s, "\x00\x5C" "AB0006GH"s, 0, ""},
        // Number text with a trailing sign: -2.50 + 1 = -1.5 through --9.9.
        {"character amount", "ADD POS 1 LEN 5 TYPE C TO 1 INTO POS 6 LEN 5 FMT '--9.9'", "2.50-xxxxx", "2.50- -1.5", 0, ""},
        // A leading sign: -2.5 + 1 = -1.5 too.
        {"leading sign", "ADD POS 1 LEN 4 TYPE C TO 1 INTO POS 6 LEN 5 FMT '--9.9'", "-2.5xxxxxx", "-2.5x -1.5", 0, ""},
        // IEEE single 1234 (44 9A 40 00): by 2 is 617 (44 1A 40 00); by 0
        // in floating point too leaves it, return code 8.
        {"float div", "DIV POS 1 LEN 4 TYPE F BY 2", "\x44\x9A\x40\x00" "ABCDEF"s, "\x44\x1A\x40\x00" "ABCDEF"s, 0, ""},
        {"float div by zero", "DIV 0 INTO POS 1 LEN 4 TYPE F", "\x44\x9A\x40\x00" "ABCDEF"s, "\x44\x9A\x40\x00" "ABCDEF"s, 8,
         rc8("div")},
    };
    tvt::actrows("arith-e2e", rows);
}

TEST(tvlsa_arith, TwentyDigitProduct) {
    // 9999999999 x 9999999999 = 99999999980000000001: 0, nine 9s, 8, nine 0s,
    // 1 and the sign, 11 bytes of packed.
    const std::string a = "\x09\x99\x99\x99\x99\x9C"s;
    const std::vector<Row> rows = {
        {"20 digits", "MULT POS 1 LEN 6 BY POS 7 LEN 6 INTO POS 13 LEN 11", a + a + std::string(18, 'x'),
         a + a + "\x09\x99\x99\x99\x99\x80\x00\x00\x00\x00\x1C"s + std::string(7, 'x'), 0, ""},
    };
    tvt::actrows("arith-e2e30", rows, "READ in.dat RECFM F LRECL 30", "WRITE out.dat RECFM F LRECL 30");
}

TEST(tvlsa_arith, StatementErrors) {
    const std::string r = "\x00\x1C" "ABCDEFGH"s;
    const std::vector<Row> rows = {
        {"no TO", "ADD 5 POS 1 LEN 2", r, "", 52, err("051 ***  TO or INTO missing in this statement")},
        {"no FROM", "SUB 5 POS 1 LEN 2", r, "", 52, err("052 ***  FR or FROM missing in this statement")},
        {"no BY", "MULT POS 1 LEN 2 5", r, "", 52, err("081 ***  TO, INTO or BY missing in the arithmetic statement")},
        {"literal receives", "ADD POS 1 LEN 2 TO 5", r, "", 52,
         err("059 ***  Operand cannot receive the result (literal or wrong length)")},
        {"packed too long", "ADD 1 TO POS 1 LEN 17", r, "", 52, err("062 ***  Operand too long for arithmetic on its data type")},
        {"divisor too long", "DIV POS 1 LEN 2 BY POS 1 LEN 9", r, "", 52,
         err("062 ***  Operand too long for arithmetic on its data type")},
        {"remainder with decimals", "DIV POS 1 LEN 2 BY 1.5 REM POS 3 LEN 2", r, "", 52,
         err("192 ***  Remainder not allowed with decimal places")},
    };
    tvt::actrows("arith-err", rows);
}

namespace {

using i128 = __int128;

// The reference: |v| / 10^k rounded half away from zero as (2v + s) / 2p.
i128 rnd(i128 v, int k) {
    i128 p = 1;
    for (int i = 0; i < k; ++i) p *= 10;
    return v >= 0 ? (2 * v + p) / (2 * p) : -((-2 * v + p) / (2 * p));
}
i128 up(i128 v, int k) {
    while (k-- > 0) v *= 10;
    return v;
}

// Encode v into a field of type t (packed 16, zoned 31 ASCII, binary 8).
std::string enc(int t, i128 v) {
    std::string s;
    i128 m = v < 0 ? -v : v;
    if (t == FD_BIN) {
        auto u = static_cast<unsigned long long>(static_cast<long long>(v));
        for (int i = 7; i >= 0; --i) s += static_cast<char>(u >> (8 * i));
        return s;
    }
    const int n = 31;
    std::string d(n, '0');
    for (int i = n - 1; i >= 0; --i, m /= 10) d[i] = static_cast<char>('0' + static_cast<int>(m % 10));
    if (t == FD_ZONED) {
        if (v < 0) d[n - 1] = d[n - 1] == '0' ? '}' : static_cast<char>('J' + d[n - 1] - '1');
        return d;
    }
    d += v < 0 ? char('0' + 13) : char('0' + 12);
    for (int i = 0; i < 32; i += 2) s += static_cast<char>((d[i] - '0') << 4 | (d[i + 1] - '0'));
    return s;
}

}  // namespace

TEST(tvlsa_arith, RandomAgainstReference) {
    std::mt19937_64 g(19);
    const int types[3] = {FD_PACKED, FD_ZONED, FD_BIN};
    const int ops[4] = {OP_ADD, OP_SUB, OP_MULT, OP_DIV};
    for (int it = 0; it < 100000; ++it) {
        int op = ops[it % 4], ta = types[g() % 3], tb = types[(g() >> 8) % 3], tr = types[(g() >> 16) % 3];
        int sa = ta == FD_BIN ? 0 : g() % 4, sb = tb == FD_BIN ? 0 : g() % 4, sr = tr == FD_BIN ? 0 : g() % 4;
        auto val = [&g] { return static_cast<i128>(static_cast<long long>(g() % 2000000001) - 1000000000) * (g() % 3 ? 1 : 1000); };
        i128 va = val(), vb = val();
        // The reference result at the result's decimals.
        int s = sa > sb ? sa : sb;
        auto fix = [sr](i128 v, int vs) { return vs >= sr ? rnd(v, vs - sr) : up(v, sr - vs); };
        i128 want = 0;
        if (op == OP_ADD) want = fix(up(vb, s - sb) + up(va, s - sa), s);
        if (op == OP_SUB) want = fix(up(vb, s - sb) - up(va, s - sa), s);
        if (op == OP_MULT) want = fix(vb * va, sa + sb);
        if (op == OP_DIV && va != 0) {  // b 10^(sr+sa) / (a 10^sb), half away from zero unless sr is 0
            i128 num = up(vb, sr + sa), den = up(va, sb), an = num < 0 ? -num : num, ad = den < 0 ? -den : den;
            want = (sr ? (2 * an + ad) / (2 * ad) : an / ad) * ((num < 0) != (den < 0) ? -1 : 1);
        }
        std::string ba = enc(ta, va), bb = enc(tb, vb), br(tr == FD_BIN ? 8 : 16, '\x5A');
        if (tr == FD_ZONED) br.assign(31, 'x');
        FLD fa{}, fb{}, ft{};
        fa.type = ta, fa.scale = sa, fa.lit = reinterpret_cast<unsigned char*>(ba.data()), fa.litlen = ba.size();
        fb.type = tb, fb.scale = sb, fb.lit = reinterpret_cast<unsigned char*>(bb.data()), fb.litlen = bb.size();
        ft.type = tr, ft.scale = sr, ft.lit = reinterpret_cast<unsigned char*>(br.data()), ft.litlen = br.size();
        ADEC a, b, q;
        double d;
        ASSERT_EQ(pdaget(&fa, &a, &d), 0);
        ASSERT_EQ(pdaget(&fb, &b, &d), 0);
        int rc = arcalc(op, &a, &b, sr, &q, nullptr);
        if (op == OP_DIV && va == 0) {
            EXPECT_EQ(rc, 8);
            continue;
        }
        ASSERT_EQ(rc, 0) << it;
        bool fits = tr == FD_BIN ? want >= INT64_MIN && want <= INT64_MAX : (want < 0 ? -want : want) < up(1, 31);
        std::string keep = br;
        EXPECT_EQ(pdaput(&ft, &q, false), fits ? 0 : 8) << it;
        EXPECT_EQ(tvt::hex(br), tvt::hex(fits ? enc(tr, want).substr(0, br.size()) : keep)) << it << " op " << op;
    }
}

// The packed short step of ADD and SUB against the exact form: random
// packed bytes of 1 to 9 bytes (leading X'00', bad nibbles, signs A to F,
// results that overflow), the same return and the same bytes.
TEST(tvlsa_arith, PackedShortStepAsExactForm) {
    std::mt19937_64 g(20);
    int stored = 0;
    for (int it = 0; it < 100000; ++it) {
        int op = it % 2 ? OP_SUB : OP_ADD;
        std::string s[3];
        for (auto& b : s) {
            b.resize(1 + g() % 9);
            for (auto& ch : b) ch = static_cast<char>(g() % 8 == 0 ? 0 : (g() % 10) << 4 | g() % 10);
            b.back() = static_cast<char>((g() % 10) << 4 | (g() % 50 ? 10 + g() % 6 : g() % 10));
            if (g() % 200 == 0) b[g() % b.size()] = static_cast<char>(0xA0);
        }
        FLD f[3]{}, e{};
        for (int i = 0; i < 3; ++i)
            f[i].type = FD_PACKED, f[i].lit = reinterpret_cast<unsigned char*>(s[i].data()), f[i].litlen = s[i].size();
        std::string want = s[2];
        e = f[2], e.lit = reinterpret_cast<unsigned char*>(want.data());
        ADEC a, b, q;
        double d;
        int rw = pdaget(&f[0], &a, &d) || pdaget(&f[1], &b, &d) || arcalc(op, &a, &b, 0, &q, nullptr) ? 8 : pdaput(&e, &q, true);
        EXPECT_EQ(pk64step(op, &f[0], &f[1], &f[2]), rw) << it;
        EXPECT_EQ(tvt::hex(s[2]), tvt::hex(want)) << it;
        stored += rw == 0;
    }
    EXPECT_GT(stored, 30000);  // most pairs give a result that is stored
}
