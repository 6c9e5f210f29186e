// File definitions: statements to the settings of their file block, the
// errors of the keywords and of the uses of one file, the primary input,
// file names, and the library loader.
#include "tests/testutil.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <utility>

using namespace std::literals;

using Fa = tvt::StmtRun;

// Each keyword of a file definition and what it leaves in the file block.
// Expectations from the keyword list: RECFM V/VB/VBS format 2 with a 4-byte
// descriptor, V2 format 4 with 2, V3 format 5 with 3, MFV format 6 with 2,
// F/FB/FBS format 1, U and S format 3 (S without delimiter); a second
// letter B is blocked (0x800), a third S spanned (0x1000).
TEST(tvlfa, KeywordsSetTheFileBlock) {
    struct Row {
        const char* text;
        int recfm, dwlen;
        long long lrecl, bufsize;
        int eollen;
        const char* eol;
        std::uint32_t dset, dclear;  // dflags that must be set, and clear
        std::uint32_t sset, sclear;  // sflags that must be set, and clear
        std::uint32_t fdset;         // fdflags that must be set
        int mode, tabw;
        char fill;
    };
    constexpr std::uint32_t RB = DF_RECFM | DF_BLOCKED;
    static const Row kRows[] = {
        {"READ IN RECFM VB", 2, 4, 0, 0, 2, nullptr, RB, DF_SPANNED, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM V", 2, 4, 0, 0, 2, nullptr, DF_RECFM, DF_BLOCKED, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM VBS", 2, 4, 0, 0, 2, nullptr, RB | DF_SPANNED, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM V2", 4, 2, 0, 0, 2, nullptr, DF_RECFM, DF_BLOCKED, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM V3", 5, 3, 0, 0, 2, nullptr, DF_RECFM, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM MFV", 6, 2, 0, 0, 2, nullptr, DF_RECFM, DF_BLOCKED, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM FBS LRECL 80", 1, 0, 80, 0, 2, nullptr, RB | DF_SPANNED | DF_LRECL, 0, 0, 0,
         FDF_WRITTEN, 4, TABW_UNSET, ' '},
        {"READ IN RECFM F L 100", 1, 0, 100, 0, 2, nullptr, DF_RECFM | DF_LRECL, DF_BLOCKED, 0, 0, 0, 4,
         TABW_UNSET, ' '},
        {"READ IN RECFM U", 3, 0, 0, 0, 2, nullptr, DF_RECFM, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN RECFM S", 3, 0, 0, 0, 0, nullptr, DF_RECFM, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        {"READ IN KEEPCTLZ", 0, 0, 0, 0, 2, nullptr, DF_KEEPCTLZ, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        // EOL: CR one byte, CRLF two, NONE none; any other word is the string.
        {"WRITE OUT EOL CR", 3, 0, 0, 0, 1, "\r", 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT EOL CRLF", 3, 0, 0, 0, 2, "\r\n", 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT EOL LF", 3, 0, 0, 0, 1, "\n", 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT EOL NONE", 3, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT EOL NO", 3, 0, 0, 0, 0, nullptr, 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT EOL XY", 3, 0, 0, 0, 2, "XY", 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"READ IN TABS 4", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 4, 4, ' '},
        {"READ IN TABS OFF", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 4, -1, ' '},
        {"READ IN TABS 0", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 4, -1, ' '},
        {"READ IN TABS X", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 4, 8, ' '},
        // Block sizes: a number; 0 and MAX 0xBF000000, SAME 0xBE000000, UNB 0xBD000000.
        {"WRITE OUT BLKSIZE 8000", 0, 0, 0, 8000, 2, nullptr, DF_BLKSIZE, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT BLKSIZE SAME", 0, 0, 0, 0xBE000000, 2, nullptr, DF_BLKSIZE, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT BLK MAX", 0, 0, 0, 0xBF000000, 2, nullptr, DF_BLKSIZE, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT B UNB", 0, 0, 0, 0xBD000000, 2, nullptr, DF_BLKSIZE, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"READ IN BLKSIZE 0", 0, 0, 0, 0xBF000000, 2, nullptr, DF_BLKSIZE, 0, 0, 0, 0, 4, TABW_UNSET, ' '},
        // TRUNC/NOTRUNC; a read file never truncates.  APPEND/RESET.
        {"WRITE OUT NOTRUNC", 0, 0, 0, 0, 2, nullptr, 0, 0, FS_RESET, FS_TRUNC, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT TRUNC", 0, 0, 0, 0, 2, nullptr, 0, 0, FS_TRUNC, 0, 0, 8, TABW_UNSET, ' '},
        {"READ IN TRUNC", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, FS_TRUNC, 0, 4, TABW_UNSET, ' '},
        {"WRITE OUT APPEND", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, FS_RESET, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT APP", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, FS_RESET, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT RESET", 0, 0, 0, 0, 2, nullptr, 0, 0, FS_RESET, 0, 0, 8, TABW_UNSET, ' '},
        // Descriptor words, each pair exclusive; the last one written holds.
        {"WRITE OUT RDW BDW", 0, 0, 0, 0, 2, nullptr, DF_RDW | DF_BDW, DF_NORDW | DF_NOBDW, 0, 0, 0, 8,
         TABW_UNSET, ' '},
        {"WRITE OUT RDW NORDW NOBDW", 0, 0, 0, 0, 2, nullptr, DF_NORDW | DF_NOBDW, DF_RDW | DF_BDW, 0, 0, 0,
         8, TABW_UNSET, ' '},
        {"WRITE OUT LRECL VAR", 2, 4, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"WRITE OUT RECSIZE 300", 0, 0, 300, 0, 2, nullptr, DF_LRECL, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        // Fill: X'00' is one byte 0x00; NOFILL clears the flag, keeps the byte.
        {"WRITE OUT FILL X'00'", 0, 0, 0, 0, 2, nullptr, DF_FILL, 0, 0, 0, 0, 8, TABW_UNSET, '\0'},
        {"WRITE OUT PAD '*' NOFILL", 0, 0, 0, 0, 2, nullptr, 0, DF_FILL, 0, 0, 0, 8, TABW_UNSET, '*'},
        // Device, label and open options.
        {"WRITE OUT DEFER VOL V1 DEV 3390", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, FDF_DEFER, 8, TABW_UNSET, ' '},
        {"WRITE OUT LABEL NO LTM YES", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, FDF_NOLABEL | FDF_LTM, 8,
         TABW_UNSET, ' '},
        {"WRITE OUT OP NORWD CL UNLD", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, FDF_NORWDOP | FDF_UNLOAD, 8,
         TABW_UNSET, ' '},
        {"WRITE OUT WTO YES FAIL NOCL BUFNO 3", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, FDF_WTO | FDF_FAILNOCL, 8,
         TABW_UNSET, ' '},
        {"OPEN OUT", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, FDF_DEFER, 0, TABW_UNSET, ' '},
        {"WRITE OUT DUMMY", 0, 0, 0, 0, 2, nullptr, DF_DUMMY, 0, 0, 0, 0, 8, TABW_UNSET, ' '},
        {"REPLACE IN", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 16, TABW_UNSET, ' '},
        {"INSERT IN", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 32, TABW_UNSET, ' '},
        {"DELETE IN", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 64, TABW_UNSET, ' '},
        {"READ IN UPD", 0, 0, 0, 0, 2, nullptr, 0, 0, 0, 0, 0, 4 | 112, TABW_UNSET, ' '},
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.text);
        Fa fa;
        ASSERT_EQ(fa.stmt(r.text), 0);
        FFREC* f = fa.file();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->recfm, r.recfm);
        EXPECT_EQ(f->dwlen, r.dwlen);
        EXPECT_EQ(f->lrecl, r.lrecl);
        EXPECT_EQ(f->bufsize, r.bufsize);
        EXPECT_EQ(f->eollen, r.eollen);
        if (r.eol) {
            EXPECT_EQ(std::string(f->eol, f->eollen), r.eol);
        }
        EXPECT_EQ(f->dflags & r.dset, r.dset);
        EXPECT_EQ(f->dflags & r.dclear, 0u);
        EXPECT_EQ(f->sflags & r.sset, r.sset);
        EXPECT_EQ(f->sflags & r.sclear, 0u);
        EXPECT_EQ(f->fdflags & r.fdset, r.fdset);
        EXPECT_EQ(f->mode, r.mode);
        EXPECT_EQ(f->tabw, r.tabw);
        EXPECT_EQ(f->fill, r.fill);
    }
}

// Every error of file definitions on the statements that raise it; the
// error belongs to the last statement.  The keyed, data-base, directory
// and handler kinds record error 1 until they are built.
TEST(tvlfa, ErrorsOfFileDefinitions) {
    struct Row { std::vector<const char*> stmts; int err; };
    const std::string longname = "READ '" + std::string(300, 'a') + "'";
    const Row kRows[] = {
        {{"READ IN RECFM X"}, 84},
        {{"READ IN RECFM"}, 84},
        {{"READ IN LABEL XX"}, 33},
        {{"READ IN DEV 9999"}, 41},
        {{"READ IN OP XX"}, 104},
        {{"READ IN CL XX"}, 105},
        {{"READ IN VOL"}, 140},
        {{"READ IN FAIL X"}, 83},
        {{"WRITE OUT FILL AB"}, 46},
        {{"READ IN W 10"}, 66},
        {{"READ IN RECFM F LRECL 100 W 50"}, 66},
        {{"READ IN LRECL X"}, 7},
        {{"NOW READ"}, 5},
        {{"READ IN KSDS"}, 1},
        {{"READ IN ISAM KEYLEN 5"}, 1},
        {{"READ IN DIRECTORY"}, 1},
        {{"READ IN DB2"}, 1},
        {{"READ IN CMS"}, 1},
        {{"READ IN KEY 1"}, 1},
        {{"READ IN RBA 10"}, 1},
        {{"READ IN LST 'x'"}, 1},
        {{"READ DSN 'x'"}, 1},
        {{"READ IN VSAM", "READ IN KSDS"}, 118},
        {{"WRITE F1", "READ F1"}, 26},
        {{"READ F1", "WRITE F1"}, 26},
        {{"WRITE F1", "DELETE F1"}, 26},
        {{longname.c_str()}, 30},
        {{"WRITE ABCDEFGHIJ DSN 'x.txt'"}, 30},
        {{"READ IN DSN P 1"}, 138},
        {{"READ IN RECFM F LRECL 100 INTO 1 LEN 50"}, 20},  // the record must fit the INTO operand
    };
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.stmts.back());
        Fa fa;
        int err = 0;
        for (const char* s : r.stmts) err = fa.stmt(s);
        EXPECT_EQ(err, r.err);
    }
}

// A read file may also be replaced; a file with update mode may be read.
TEST(tvlfa, ModesOfOneFileCombine) {
    for (auto [first, second] : {std::pair{"READ F1", "REPLACE F1"}, std::pair{"REPLACE F2", "READ F2"}}) {
        SCOPED_TRACE(first);
        Fa fa;
        ASSERT_EQ(fa.stmt(first), 0);
        ASSERT_EQ(fa.stmt(second), 0);
        EXPECT_EQ(fa.file()->mode, FM_IN | FM_UPD);
    }
}

// The first READ of a file in read mode makes it the primary input and
// its statement the first pass; a later READ of another file does not.
TEST(tvlfa, FirstReadIsThePrimaryInput) {
    Fa fa;
    ASSERT_EQ(fa.stmt("READ IN RECFM F LRECL 50"), 0);
    FFREC* in = fa.file();
    CN* n = fa.c().cncur;
    ASSERT_EQ(fa.stmt("READ OTHER"), 0);
    EXPECT_EQ(fa.c().primary, in);
    EXPECT_EQ(fa.c().firstpass, n);
    EXPECT_TRUE(in->fdflags & FDF_PRIMARY);
    EXPECT_FALSE(fa.file()->fdflags & FDF_PRIMARY);
    EXPECT_EQ(fa.c().workmin, 50);
}

// An F record that fits the INTO operand is read into it; without a
// length the operand takes the record length.
TEST(tvlfa, RecordLengthMustFitTheIntoOperand) {
    {
        Fa fc;
        EXPECT_EQ(fc.stmt("READ IN RECFM F LRECL 40 INTO 11 LEN 50"), 0);
        EXPECT_TRUE(fc.file()->fdflags & FDF_INTO);  // not the record area
    }
    Fa fd;  // no length: the record length becomes the operand's
    ASSERT_EQ(fd.stmt("READ IN RECFM F LRECL 40 INTO P 11"), 0);
    EXPECT_EQ(fd.c().cncur->fld1->lkind, PK_REC);
    EXPECT_EQ(fd.c().cncur->fld1->len, 40);
}

// Names keep their case; the identifier is upper case; the same name
// (same case) is the same file, another case another file.
TEST(fnpick, StatementNamesKeepTheirCase) {
    Fa fa;
    ASSERT_EQ(fa.stmt("READ 'my File.txt'"), 0);
    FFREC* a = fa.file();
    EXPECT_STREQ(a->fname, "my File");
    EXPECT_STREQ(a->fext, "txt");
    EXPECT_EQ(std::string(a->fileid, 8), "MY FILE ");
    ASSERT_EQ(fa.stmt("READ Data.txt"), 0);
    FFREC* b = fa.file();
    EXPECT_STREQ(b->fname, "Data");
    EXPECT_EQ(std::string(b->dsn, b->dsnlen), "Data.txt");
    ASSERT_EQ(fa.stmt("READ data.txt"), 0);
    EXPECT_NE(fa.file(), b);
    ASSERT_EQ(fa.stmt("READ Data.txt"), 0);
    EXPECT_EQ(fa.file(), b);
    ASSERT_EQ(fa.stmt("WRITE OUT DSN '/tmp/Some/x.dat'"), 0);
    FFREC* c = fa.file();
    EXPECT_EQ(std::string(c->dsn, c->dsnlen), "/tmp/Some/x.dat");
    EXPECT_TRUE(c->sflags & FS_DSNPATH);
    EXPECT_STREQ(c->fname, "OUT");
    ASSERT_EQ(fa.stmt("WRITE OUT"), 0);
    EXPECT_EQ(fa.file(), c);
    ASSERT_EQ(fa.stmt("NOW TOUCH"), 0);
    ASSERT_NE(fa.file(), nullptr);
    EXPECT_STREQ(fa.file()->fname, "UTIME");
}

// The loader: a symbol found in an opened library; a missing symbol and a
// library that cannot be opened write their lines and give null.
TEST(loadit, FindsSymbolsAndReportsFailures) {
    Fa fa;
    std::FILE* log = std::tmpfile();
    fa.c().logfp = log;
    void* h = nullptr;
    EXPECT_NE(loadit(nullptr, &h, "libc.so.6", "puts"), nullptr);
    EXPECT_EQ(loadit(nullptr, &h, "libc.so.6", "tvlnosuchfn"), nullptr);
    loadit(nullptr, &h, "libc.so.6", nullptr);
    EXPECT_EQ(h, nullptr);
    void* h2 = nullptr;
    EXPECT_EQ(loadit(nullptr, &h2, "/nonexistent/libx.so", "abc"), nullptr);
    std::rewind(log);
    char buf[512] = {};
    std::size_t n = std::fread(buf, 1, sizeof buf - 1, log);
    std::fclose(log);
    std::string out(buf, n);
    const std::string first = "Reqd function, 'tvlnosuchfn', not in library. \n";
    ASSERT_GE(out.size(), first.size());
    EXPECT_EQ(out.substr(0, first.size()), first);
    const std::string second = out.substr(first.size());
    EXPECT_EQ(second.rfind("Shared Library, '/nonexistent/libx.so', open failed. ", 0), 0u) << second;
    EXPECT_EQ(second.substr(second.size() - 2), " \n");
}
