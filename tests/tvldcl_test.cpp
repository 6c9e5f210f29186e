// Declared variables: DCL statements to their fields and to their bytes
// after run preparation, each DCL error, and bshift.
#include "tests/testutil.h"

#include "engine/engine.h"

#include <string>
#include <vector>

namespace {

std::string bytes(const unsigned char* p, long n) {
    return tvt::hex({reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)});
}

}  // namespace

// Each row: statements (the last declares X), the float default, then X's
// type, length, digits, scale and flags, and its bytes after preparation.
TEST(tvldcl, FieldsAndInitialBytes) {
    struct Row {
        std::vector<std::string_view> stmts;
        int deffp;
        int type;
        long len;
        int digits, scale;
        unsigned flags;
        std::string hex;
    };
    const unsigned N = DCL_NUM;
    const Row kRows[] = {
        {{"DCL X B INIT 300"}, 0, FD_BIN, 4, 0, 0, N, "00 00 01 2C"},
        {{"DCL X B(2) INIT -3"}, 0, FD_BIN, 2, 0, 0, N, "FF FD"},
        {{"DCL X D INIT 42"}, 0, FD_PACKED, 3, 5, 0, N, "00 04 2C"},
        {{"DCL X D(5)"}, 0, FD_PACKED, 3, 5, 0, N, "00 00 0C"},
        {{"DCL X D(5,2)"}, 0, FD_PACKED, 3, 5, 2, N, "00 00 0C"},
        {{"DCL X D(6,3) INIT 2.5"}, 0, FD_PACKED, 4, 6, 3, N, "00 02 50 0C"},
        {{"DCL X D(7,2) INIT 1.5"}, 0, FD_PACKED, 4, 7, 2, N, "00 00 15 0C"},
        {{"DCL X D(7,2) INIT -1.25"}, 0, FD_PACKED, 4, 7, 2, N, "00 00 12 5D"},
        {{"DCL X F INIT 0.75"}, 0, FD_FLOAT, 4, 0, 0, N, "3F 40 00 00"},
        {{"DCL X F INIT 0.75"}, FD_STYL_HFP, FD_FLOAT, 4, 0, 0, N, "40 C0 00 00"},
        {{"DCL X F BIN INIT 0.75"}, FD_STYL_HFP, FD_FLOAT, 4, 0, 0, N, "3F 40 00 00"},
        {{"DCL X DBL INIT 2.5"}, 0, FD_FLOAT, 8, 0, 0, N, "40 04 00 00 00 00 00 00"},
        {{"DCL X DBL INIT 2.5"}, FD_STYL_HFP, FD_FLOAT, 8, 0, 0, N, "41 28 00 00 00 00 00 00"},
        {{"DCL X NTS(10) INIT 'AB'"}, 0, FD_NTS, 11, 0, 0, 0, "41 42 00 20 20 20 20 20 20 20 00"},
        {{"DCL X V(6) INIT 'HI'"}, 0, FD_VCHAR2, 8, 0, 0, 0, "00 02 48 49 20 20 20 20"},
        {{"DCL X C(4) INIT 'X' FILL '*'"}, 0, FD_CHAR, 4, 0, 0, 0, "58 2A 2A 2A"},
        {{"DCL X C INIT 'ABC'"}, 0, FD_CHAR, 3, 0, 0, 0, "41 42 43"},
        {{"DCL X CHV(3)"}, 0, FD_VCHAR4, 5, 0, 0, 0, "00 00 20 20 20"},
        {{"DCL X B TOT SUB"}, 0, FD_BIN, 4, 0, 0, N | DCL_TOTAL | DCL_SUBTOT, "00 00 00 00"},
        {{"DCL X C(3) FMT '999'"}, 0, FD_CHAR, 3, 0, 0, N, "20 20 20"},
        // the default place is after the last variable of the dynamic area
        {{"DCL A C(3) INIT 'abc'", "DCL R C(2) POS 1", "DCL X C(2) INIT 'xy'"}, 0, FD_CHAR, 2, 0, 0, 0, "78 79"},
        // over another variable plus an offset: its bytes are the other's
        {{"DCL A C(4) INIT 'abcd'", "DCL X C(2) POS A+2"}, 0, FD_CHAR, 2, 0, 0, DCL_OVER, "63 64"},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        tvt::StmtRun s;
        s.opt().deffp = r.deffp;
        for (std::string_view t : r.stmts) ASSERT_EQ(s.stmt(t), 0) << t;
        const DCL* d = dclfind("X", 1);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->type, r.type);
        EXPECT_EQ(d->len, r.len);
        EXPECT_EQ(d->digits, r.digits);
        EXPECT_EQ(d->scale, r.scale);
        EXPECT_EQ(d->flags, r.flags);
        ASSERT_EQ(s.stmt("NOW PRINT"), 0);
        ASSERT_EQ(s.prepare(), 0);
        const unsigned char* p = dclstore(&s.c(), d);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(bytes(p, d->len), r.hex);
    }
}

// Each DCL error on its statement; 600 comes from preparation.
TEST(tvldcl, Errors) {
    struct Row {
        std::vector<std::string_view> stmts;
        int err;
    };
    const Row kRows[] = {
        {{"DCL 'X' C"}, 31},
        {{"DCL ABC C", "DCL abc B"}, 82},
        {{"DCL X Q"}, 61},
        {{"DCL X"}, 61},
        {{"DCL X C(0)"}, 7},
        {{"DCL X C POS"}, 7},
        {{"DCL X C(2) INIT 'ABC'"}, 201},
        {{"DCL X NTS(2) INIT 'ABC'"}, 201},
        {{"DCL X V(2) INIT 'ABC'"}, 201},
        {{"DCL X B INIT 1.5"}, 202},
        {{"DCL X D(5,1) INIT 1.25"}, 203},
        {{"DCL X D(3) INIT 1234"}, 204},
        {{"DCL X D(5,2) INIT 1234"}, 204},
        {{"DCL X C(3) FMT '99'"}, 205},
        {{"DCL X D(5,5)"}, 207},
        {{"DCL X C(2) POS 'AB' INIT 'X'"}, 220},
        {{"READ in.dat RECFM F LRECL 10", "DCL X C(4) POS 8"}, 226},
        {{"DCL A C(4)", "DCL X C(2) POS A+3"}, 227},
        {{"DCL X B FMT '99.9'"}, 122},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        tvt::StmtRun s;
        int err = 0;
        for (std::string_view t : r.stmts) err = s.stmt(t);
        EXPECT_EQ(err, r.err);
    }
    tvt::StmtRun s;
    ASSERT_EQ(s.stmt("DCL X B(2) INIT 70000"), 0);
    ASSERT_EQ(s.stmt("NOW PRINT"), 0);
    EXPECT_EQ(s.prepare(), 600);
}

TEST(tvldcl, Bshift) {
    struct Row {
        std::string src;
        int bits, dstlen;
        std::string want;  // the destination's bytes
        int rc;
    };
    const Row kRows[] = {
        {"\x12\x34\x5C", -4, 3, "01 23 45", 0},
        {"\x12\x34\x5C", 4, 3, "23 45 C0", 0},
        {"\x81\x01", -1, 2, "40 80", 0},
        {"\x81\x01", 1, 2, "02 02", 0},
        {"\x81\x01", 1, 3, "00 02 02", 0},   // longer: its leading byte cleared
        {"\xAB\x81\x01", 1, 2, "02 02", 0},  // shorter: the source entered a byte later
        {"\x81", 0, 1, "EE", 1},
        {"\x81", 8, 1, "EE", 1},
        {"\x81", -8, 1, "EE", 1},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.want);
        std::string src = r.src;
        unsigned char dst[8];
        std::memset(dst, 0xEE, sizeof dst);
        EXPECT_EQ(bshift(reinterpret_cast<unsigned char*>(src.data()), static_cast<int>(src.size()), r.bits, dst,
                         r.dstlen), r.rc);
        EXPECT_EQ(bytes(dst, r.dstlen), r.want);
    }
}
