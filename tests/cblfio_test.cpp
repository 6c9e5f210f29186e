// Record file I/O: on-disk layouts worked by hand, round trips, line
// delimiters, update in place, append and replace, missing and failing
// files, the error line, RBAs past 4 GiB and random bytes read as every
// variable format.
#include "tests/testutil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace std::literals;

namespace {

// A text result of cblfio, or "<null>".
std::string S(const char* p) { return p ? p : "<null>"; }

// "0006 0000 4142" -> the bytes 00 06 00 00 41 42.
std::string unhex(std::string_view h) {
    std::string out;
    int hi = -1;
    for (char ch : h) {
        int v = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
        if (v < 0) continue;
        if (hi < 0) hi = v;
        else { out += static_cast<char>(hi * 16 + v); hi = -1; }
    }
    return out;
}

struct cblfio : tvt::RunCtx {
    FFCB* fc = nullptr;
    FILE* log = nullptr;
    FIOSYS sys{};
    std::string dir;

    void SetUp() override {
        sys = fiosys;
        log = std::tmpfile();
        ctx.logfp = log;
        fc = cblf_fcb(&ctx);
        dir = tvt::tempdir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override {
        fiosys = sys;
        cblf_kil(fc, KIL_FILES);
        cblgcorf(&gc, &fc, "ffc");
        std::fclose(log);
        ctx.logfp = stderr;
        tvt::rmtree(dir);
    }
    // A fresh, empty log.
    void newlog() {
        std::fclose(log);
        log = std::tmpfile();
        ctx.logfp = log;
    }
    std::string logtext() {
        std::fflush(log);
        std::rewind(log);
        std::string s;
        char b[4096];
        std::size_t n;
        while ((n = std::fread(b, 1, sizeof b, log)) > 0) s.append(b, n);
        return s;
    }
    std::string path(const std::string& name) { return dir + "/" + name; }
    FFREC* def(const std::string& p, std::uint8_t mode, int recfm, std::int64_t lrecl = 0,
               std::int64_t blk = 0, std::uint32_t df = 0) {
        FFREC* f = cblf_mak(fc);
        dsn_set(f, p.c_str(), 0);
        f->sflags |= FS_DSNPATH;
        f->mode = mode;
        f->recfm = recfm;
        f->lrecl = lrecl;
        f->bufsize = blk;
        f->dflags |= df | (blk ? DF_BLKSIZE : 0) | (lrecl ? DF_LRECL : 0);
        if (mode & FM_IN) f->sflags &= ~FS_TRUNC;
        return f;
    }
    char* io(FFREC* f, int fn, const std::string& s = {}) {
        fc->ffrec = f;
        return ::cblfio(fc, fn, const_cast<char*>(s.data()), static_cast<std::int64_t>(s.size()));
    }
    std::vector<std::string> readall(FFREC* f, std::size_t most = 1000000) {
        std::vector<std::string> v;
        fc->ffrec = f;
        while (v.size() < most) {
            char* p = ::cblfio(fc, F_READ, nullptr, 0);
            if (!p) break;
            v.emplace_back(p, static_cast<std::size_t>(f->reclen));
        }
        return v;
    }
    // The RBA of every record read.
    std::vector<std::int64_t> rbas(FFREC* f) {
        std::vector<std::int64_t> v;
        fc->ffrec = f;
        while (::cblfio(fc, F_READ, nullptr, 0)) v.push_back(getrba(f));
        return v;
    }
    void writeall(FFREC* f, const std::vector<std::string>& recs) {
        for (const std::string& r : recs) ASSERT_NE(nullptr, io(f, F_WRITE, r));
        io(f, F_CLOSE);
        ASSERT_EQ(nullptr, fc->errm);
    }
};

// ---------------------------------------------------------------------------

struct Layout {
    const char* name;
    int recfm;
    std::int64_t lrecl, blk;
    std::uint32_t df;
    std::vector<std::string> recs;
    const char* hex;      // expected file bytes (MFV: after the 128-byte header)
    std::int64_t trunc;   // records counted as truncated
};

TEST_F(cblfio, WritesHandWorkedLayouts) {
    const Layout rows[] = {
        // F, LRECL 4: "AB" padded with blanks, "GHIJK" cut to 4 and counted.
        {"F", RF_FIXED, 4, 0, 0, {"AB", "CDEF", "GHIJK"}, "4142 2020 4344 4546 4748 494A", 1},
        // Lines with LF; trailing blanks dropped under TRUNC.
        {"LF", RF_LINE, 0, 0, 0, {"AB  ", "C", ""}, "4142 0A 43 0A 0A", 0},
        // V without BDW: RDW 4 + 2 = 6.
        {"V", RF_VAR, 50, 0, DF_NOBDW, {"AB"}, "0006 0000 4142", 0},
        // VB: BDW 4 + (4+2) + (4+1) = 15 = 0x0F.
        {"VB", RF_VAR, 50, 100, 0, {"AB", "C"}, "000F 0000 0006 0000 4142 0005 0000 43", 0},
        // VB, BLKSIZE 16: 4 + 8 = 12; a second 8-byte record makes 20 > 16: new block.
        {"VBsplit", RF_VAR, 12, 16, 0, {"ABCD", "EFGH"},
         "000C 0000 0008 0000 41424344 000C 0000 0008 0000 45464748", 0},
        // V, LRECL 6: data above 6 - 4 = 2 bytes is cut and counted.
        {"Vcut", RF_VAR, 6, 0, DF_NOBDW, {"ABCD"}, "0006 0000 4142", 1},
        // V2: data length only.
        {"V2", RF_V2, 50, 0, 0, {"AB", ""}, "0002 4142 0000", 0},
        // V3: 0x80, then the data length.
        {"V3", RF_V3, 50, 0, 0, {"AB"}, "80 0002 4142", 0},
        // MFV: 0x40 | length high bits, length; 2 + 3 = 5 padded to 8; 2 + 4 = 6 to 8.
        {"MFV", RF_MFV, 50, 0, 0, {"ABC", "DEFG"}, "4003 414243 000000 4004 44454647 0000", 0},
    };
    for (const Layout& r : rows) {
        SCOPED_TRACE(r.name);
        std::string p = path(r.name);
        FFREC* f = def(p, FM_OUT, r.recfm, r.lrecl, r.blk, r.df);
        writeall(f, r.recs);
        std::string got = tvt::slurp(p);
        if (r.recfm == RF_MFV) {
            ASSERT_EQ(128u + 16u, got.size());
            // Header: 30 7E, time at 8 (12 digits and the century) copied to 22,
            // 37 = 3E, 39 = 01, 48 = 01, 56-57 = BLKSIZE - 2 = 50 - 2 = 0x30, 61 = 01, 108 = 5E 1C 02 02.
            EXPECT_EQ(unhex("307E 000000000000"), got.substr(0, 8));
            EXPECT_EQ(got.substr(8, 14), got.substr(22, 14));
            EXPECT_EQ("20"s, got.substr(20, 2));
            EXPECT_EQ(unhex("00 3E 00 01"), got.substr(36, 4));
            EXPECT_EQ(unhex("01"), got.substr(48, 1));
            EXPECT_EQ(unhex("0030 000000 01"), got.substr(56, 6));
            EXPECT_EQ(unhex("5E1C0202"), got.substr(108, 4));
            EXPECT_EQ(std::string(16, '\0'), got.substr(112, 16));
            got = got.substr(128);
        }
        EXPECT_EQ(unhex(r.hex), got);
        EXPECT_EQ(r.trunc, f->trunccnt);
        EXPECT_EQ(r.trunc > 0, (f->dflags & DF_LASTTRNC) != 0);
        EXPECT_EQ(static_cast<std::int64_t>(r.recs.size()), f->reccnt);
    }
}

TEST_F(cblfio, RoundTripsEveryFormat) {
    struct Row { const char* name; int recfm; std::int64_t lrecl, blk; std::uint32_t df; };
    const Row rows[] = {
        {"F", RF_FIXED, 300, 3000, 0},     {"LF", RF_LINE, 0, 0, 0},
        {"LF300", RF_LINE, 300, 0, 0},  // LRECL near the lengths: the short record path
        {"V", RF_VAR, 304, 0, DF_NOBDW},   {"VB", RF_VAR, 304, 1000, 0},
        {"V2", RF_V2, 302, 0, 0},          {"V3", RF_V3, 303, 0, 0},
        {"MFV", RF_MFV, 302, 0, 0},
    };
    std::mt19937 rng(7);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::string> recs;
        for (int i = 0; i < 8000; i++) {  // over 1 MiB: several write-outs and refills
            std::size_t len = r.recfm == RF_FIXED ? 300 : rng() % 301;
            std::string s(len, 'x');
            for (char& ch : s) ch = static_cast<char>(r.recfm == RF_LINE ? 'a' + rng() % 26 : rng() % 256);
            if (!s.empty() && r.recfm != RF_FIXED) s.back() = 'z';  // no trailing fill to trim
            recs.push_back(s);
        }
        std::string p = path(r.name);
        writeall(def(p, FM_OUT, r.recfm, r.lrecl, r.blk, r.df), recs);
        FFREC* in = def(p, FM_IN, r.recfm, r.lrecl, r.blk, r.df | DF_NORDW);
        EXPECT_EQ(recs, readall(in));
        EXPECT_TRUE(in->sflags & FS_EOD);
        EXPECT_EQ(nullptr, fc->errm);
        EXPECT_EQ(8000, in->reccnt);
    }
}

TEST_F(cblfio, ReadsVariableRecordsWithOrWithoutDescriptors) {
    // Two blocks: BDW 0x0E = 4 + (4+2) + (4+0); BDW 0x09 = 4 + (4+1).
    std::string p = path("vb");
    tvt::spit(p, unhex("000E 0000 0006 0000 4142 0004 0000  0009 0000 0005 0000 43"));
    FFREC* a = def(p, FM_IN, RF_VAR, 100, 200, DF_NORDW);
    EXPECT_EQ((std::vector<std::string>{"AB", "", "C"}), readall(a));
    EXPECT_EQ(14, a->maxblk);
    FFREC* b = def(p, FM_IN, RF_VAR, 100, 200, DF_RDW);
    EXPECT_EQ((std::vector<std::string>{unhex("0006 0000 4142"), unhex("0004 0000"), unhex("0005 0000 43")}),
              readall(b));
    // The same records without BDWs are found to have none.
    std::string q = path("v");
    tvt::spit(q, unhex("0006 0000 4142 0004 0000 0005 0000 43"));
    FFREC* c = def(q, FM_IN, RF_VAR, 100, 200, DF_NORDW);
    EXPECT_EQ((std::vector<std::string>{"AB", "", "C"}), readall(c));
    EXPECT_TRUE(c->dflags & DF_NOBDW);
}

// ---------------------------------------------------------------------------

struct LineRow {
    const char* name;
    std::string_view in;
    std::int64_t lrecl;
    const char* eol;     // null: CR, LF or CR LF
    int eollen;
    std::uint32_t df;
    int tabw;
    std::vector<std::string> want;
    std::int64_t cut;    // lines cut at LRECL
};

TEST_F(cblfio, ReadsLineFiles) {
    const LineRow rows[] = {
        {"mixed", "a\nb\r\nc\rd"sv, 0, nullptr, 2, 0, 0, {"a", "b", "c", "d"}, 0},
        {"empty lines", "\n\r\n\n"sv, 0, nullptr, 2, 0, 0, {"", "", ""}, 0},
        {"long line", "abcdefghij\n"sv, 4, nullptr, 2, 0, 0, {"abcd", "efgh", "ij"}, 2},
        {"exact lrecl", "abcd\r\nef\n"sv, 4, nullptr, 2, 0, 0, {"abcd", "ef"}, 0},
        {"CR past lrecl", "abcde\r\n"sv, 4, nullptr, 2, 0, 0, {"abcd", "e"}, 1},
        {"ctrl-Z at end", "a\n\x1A"sv, 0, nullptr, 2, 0, 0, {"a"}, 0},
        {"ctrl-Z unended", "a\x1A"sv, 0, nullptr, 2, 0, 0, {"a"}, 0},
        {"ctrl-Z kept", "a\n\x1A"sv, 0, nullptr, 2, DF_KEEPCTLZ, 0, {"a", "\x1A"}, 0},
        {"ctrl-Z inside", "\x1A\nb\n"sv, 0, nullptr, 2, 0, 0, {"\x1A", "b"}, 0},
        {"ctrl-Z under U", "a\n\x1A"sv, 0, nullptr, 2, DF_RECFM, 0, {"a", "\x1A"}, 0},
        {"own delimiter", "aXYbX"sv, 0, "XY", 2, 0, 0, {"a", "bX"}, 0},
        {"EOL=NO", "abcdefgh"sv, 3, nullptr, 0, 0, 0, {"abc", "def", "gh"}, 0},
        {"EOL=NO ctrl-Z", "ab\x1A"sv, 3, nullptr, 0, 0, 0, {"ab\x1A"}, 0},
        // TAB width 8: "a" + 7 blanks + "b"; a TAB in column 8 gives 8 blanks.
        {"tabs", "a\tb\n12345678\tc\n"sv, 0, nullptr, 2, 0, 8,
         {"a       b", "12345678        c"}, 0},
        {"tabs off", "a\tb\n"sv, 0, nullptr, 2, 0, -1, {"a\tb"}, 0},
    };
    for (const LineRow& r : rows) {
        SCOPED_TRACE(r.name);
        std::string p = path("lines");
        tvt::spit(p, r.in);
        FFREC* f = def(p, FM_IN, RF_LINE, r.lrecl, 0, r.df);
        f->eollen = r.eollen;
        if (r.eol) {
            f->eol = static_cast<char*>(cblgcore(&gc, 3, 0, "eol"));
            std::memcpy(f->eol, r.eol, 3);
        }
        f->tabw = r.tabw;
        std::vector<std::string> got;
        char area[64];
        fc->ffrec = f;
        while (char* rec = ::cblfio(fc, F_READ, area, sizeof area)) got.emplace_back(rec, f->reclen);
        EXPECT_EQ(r.want, got);
        EXPECT_EQ(r.cut, f->trunccnt);
        EXPECT_EQ(nullptr, fc->errm);
    }
}

TEST_F(cblfio, CrLfSplitAcrossRefillsIsOneDelimiter) {
    // Lines of 1000 bytes and CR LF; the first line is sized so that a CR is
    // the last byte of the first 1 MiB read and its LF the first of the next.
    const std::int64_t first = (FIO_IOBLK - 1) % 1002;
    std::string data(static_cast<std::size_t>(first), 'f');
    data += "\r\n";
    int lines = 1;
    while (static_cast<std::int64_t>(data.size()) < FIO_IOBLK + 5000) {
        data += std::string(1000, 'a' + lines % 26) + "\r\n";
        lines++;
    }
    ASSERT_EQ('\r', data[FIO_IOBLK - 1]);
    std::string p = path("crlf");
    tvt::spit(p, data);
    std::vector<std::string> got = readall(def(p, FM_IN, RF_LINE));
    ASSERT_EQ(static_cast<std::size_t>(lines), got.size());
    for (std::size_t i = 1; i < got.size(); i++) ASSERT_EQ(std::string(1000, 'a' + i % 26), got[i]) << i;
}

TEST_F(cblfio, ReportsRbaOfEveryRecord) {
    std::string p = path("rba");
    tvt::spit(p, "ab\ncd\r\nef"sv);
    FFREC* f = def(p, FM_IN, RF_LINE);
    EXPECT_EQ((std::vector<std::int64_t>{0, 3, 7}), rbas(f));
    EXPECT_EQ(9, f->rba);  // end of data: the file offset
    // VB: the first record lies after the 4-byte BDW.
    std::string q = path("rbavb");
    tvt::spit(q, unhex("000F 0000 0006 0000 4142 0005 0000 43"));
    EXPECT_EQ((std::vector<std::int64_t>{4, 10}), rbas(def(q, FM_IN, RF_VAR, 50, 100, DF_NORDW)));
}

TEST_F(cblfio, ReadsRbaPastFourGiB) {
    // A sparse file: 4 GiB of zeros, then two 64 KiB records of "A" and "B".
    const std::int64_t lrecl = 65536, base = std::int64_t{1} << 32;
    std::string p = path("big");
    int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::string a(lrecl, 'A'), b(lrecl, 'B');
    ASSERT_EQ(lrecl, ::pwrite(fd, a.data(), a.size(), base));
    ASSERT_EQ(lrecl, ::pwrite(fd, b.data(), b.size(), base + lrecl));
    ::close(fd);
    // Reads inside the hole only move the offset: the kernel's copying of
    // 4 GiB of zeros would take the test many seconds and prove nothing more.
    fiosys.read = +[](int fd, void* b, size_t len) -> ssize_t {
        off_t at = ::lseek(fd, 0, SEEK_CUR);
        if (at + static_cast<off_t>(len) <= (off_t{1} << 32))
            return ::lseek(fd, static_cast<off_t>(len), SEEK_CUR) - at;
        return ::read(fd, b, len);
    };
    FFREC* f = def(p, FM_IN, RF_FIXED, lrecl, lrecl);
    fc->ffrec = f;
    std::int64_t n = 0;
    std::int64_t rba[2] = {-1, -1};  // of the last two records
    std::string last[2];
    while (char* r = ::cblfio(fc, F_READ, nullptr, 0)) {
        n++;
        rba[0] = rba[1];
        rba[1] = getrba(f);
        if (rba[1] >= base) last[rba[1] == base ? 0 : 1].assign(r, static_cast<std::size_t>(f->reclen));
    }
    EXPECT_EQ(base / lrecl + 2, n);
    EXPECT_EQ(base, rba[0]);
    EXPECT_EQ(base + lrecl, rba[1]);
    EXPECT_TRUE(last[0] == a && last[1] == b);
    EXPECT_EQ(base + 2 * lrecl, f->fsize);
    EXPECT_EQ(unhex("00000001 00020000"), std::string(reinterpret_cast<char*>(f->fsizebe), 8));
}

// ---------------------------------------------------------------------------

TEST_F(cblfio, UpdatesInPlace) {
    std::string p = path("upd");
    tvt::spit(p, "aaa\nbbb\r\nccc\n"sv);
    FFREC* f = def(p, FM_IN | FM_UPD, RF_LINE);
    fc->ffrec = f;
    ASSERT_NE(nullptr, ::cblfio(fc, F_READ, nullptr, 0));
    ASSERT_NE(nullptr, ::cblfio(fc, F_READ, nullptr, 0));
    ASSERT_EQ("bbb"s, std::string(reinterpret_cast<char*>(f->buf) + f->bufoff - 5, 3));
    EXPECT_EQ(nullptr, io(f, F_UPDATE, "BBBB"));  // another length would overrun the line
    EXPECT_EQ("UPDATE failed.", S(fc->errm));
    ASSERT_NE(nullptr, io(f, F_UPDATE, "BBB"));
    char* c = io(f, F_READ);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ("ccc"s, std::string(c, f->reclen));
    io(f, F_CLOSE);
    EXPECT_EQ("aaa\nBBB\r\nccc\n"s, tvt::slurp(p));
    // V without RDWs handed out: the data is rewritten, the RDW stays.
    std::string q = path("updv");
    tvt::spit(q, unhex("0006 0000 4142 0005 0000 43"));
    FFREC* v = def(q, FM_IN | FM_UPD, RF_VAR, 50, 0, DF_NOBDW | DF_NORDW);
    fc->ffrec = v;
    ASSERT_NE(nullptr, ::cblfio(fc, F_READ, nullptr, 0));
    ASSERT_NE(nullptr, io(v, F_UPDATE, "XY"));
    io(v, F_CLOSE);
    EXPECT_EQ(unhex("0006 0000 5859 0005 0000 43"), tvt::slurp(q));
}

TEST_F(cblfio, AppendsOrReplaces) {
    std::string p = path("app");
    tvt::spit(p, "old\n"sv);
    FFREC* f = def(p, FM_OUT, RF_LINE);
    f->sflags &= ~FS_RESET;  // APPEND
    ASSERT_NE(nullptr, io(f, F_WRITE, "new"));
    EXPECT_EQ(8, getrba(f));  // just past the record, counted from the old end
    io(f, F_CLOSE);
    EXPECT_EQ("old\nnew\n"s, tvt::slurp(p));
    FFREC* g = def(p, FM_OUT, RF_LINE);  // the default replaces
    writeall(g, {"x"});
    EXPECT_EQ("x\n"s, tvt::slurp(p));
}

TEST_F(cblfio, CompletesShortWrites) {
    // A system that takes at most 7 bytes per write (a pipe, a signal).
    fiosys.write = [](int fd, const void* b, size_t n) { return ::write(fd, b, n < 7 ? n : 7); };
    std::string p = path("short");
    std::vector<std::string> recs;
    std::string want;
    for (int i = 0; i < 500; i++) {
        recs.push_back(std::to_string(i * 7919));
        want += recs.back() + "\n";
    }
    writeall(def(p, FM_OUT, RF_LINE), recs);
    EXPECT_EQ(want, tvt::slurp(p));
}

// ---------------------------------------------------------------------------

TEST_F(cblfio, MissingAndEmptyInputs) {
    FFREC* f = def(path("NoSuch"), FM_IN, RF_LINE);
    char area[8] = "1234567";
    EXPECT_EQ("NoFile.", S(io(f, F_OPEN)));
    fc->ffrec = f;
    EXPECT_EQ(nullptr, ::cblfio(fc, F_READ, area, sizeof area));
    EXPECT_EQ(nullptr, fc->errm);
    EXPECT_EQ(1, f->nfcnt);
    EXPECT_EQ(FS_NOTFOUND | FS_NODATA | FS_EOD, f->sflags & (FS_NOTFOUND | FS_NODATA | FS_EOD));
    std::string e = path("empty");
    tvt::spit(e, "");
    FFREC* g = def(e, FM_IN, RF_LINE);
    EXPECT_EQ(nullptr, io(g, F_READ));  // opened at the first read
    EXPECT_EQ(nullptr, fc->errm);
    EXPECT_EQ(1, g->emptycnt);
    EXPECT_EQ(0, g->nfcnt);
    EXPECT_EQ(""s, logtext());
}

TEST_F(cblfio, FailuresGiveTheirErrorLine) {
    std::string unreadable = path("secret");
    tvt::spit(unreadable, "x\n");
    ::chmod(unreadable.c_str(), 0);
    bool root = ::access(unreadable.c_str(), R_OK) == 0;  // root reads anyway
    std::string plain = path("plain");
    tvt::spit(plain, "x\n");
    struct Row { const char* name; std::string file; std::uint8_t mode; bool inject; const char* line; };
    std::vector<Row> rows = {
        {"directory", dir, FM_IN, false, "cblfio: Is a directory  (Input) F=\"%s\"\n"},
        {"/dev/full", "/dev/full", FM_OUT, false,
         "cblfio: Write to flush final buf failed.  (Outpt) F=\"%s\"\n"},
        {"read fails", plain, FM_IN, true, "cblfio: Input/output error  (Input) F=\"%s\"\n"},
    };
    if (!root) rows.push_back({"unreadable", unreadable, FM_IN, false,
                               "cblfio: Permission denied  (Input) F=\"%s\"\n"});
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        newlog();
        fiosys.read = r.inject ? +[](int, void*, size_t) -> ssize_t { errno = EIO; return -1; } : sys.read;
        FFREC* f = def(r.file, r.mode, RF_LINE);
        char* got;
        if (r.mode == FM_OUT) {
            ASSERT_NE(nullptr, io(f, F_WRITE, "data"));
            got = io(f, F_CLOSE);
        } else {
            got = io(f, F_READ);
            EXPECT_FALSE(f->sflags & FS_EOD);  // an error is not end of data
        }
        EXPECT_EQ(nullptr, got);
        ASSERT_NE(nullptr, fc->errm);
        char want[600];
        std::snprintf(want, sizeof want, r.line, r.file.c_str());
        EXPECT_EQ(std::string(want), logtext());
    }
    fiosys.read = sys.read;
}

TEST_F(cblfio, RefusesWhatItCannotDo) {
    std::string p = path("in");
    tvt::spit(p, "abc\n");
    FFREC* f = def(p, FM_IN, RF_LINE);
    struct Row { const char* name; int fn; const char* text; };
    const Row rows[] = {
        {"code 9", 9, "I/O func bad."},
        {"second open", F_OPEN, "2nd OPEN ignored."},
        {"keyed read", F_RKEQ, "Reads by key, RBA or record number not available."},
        {"write to input", F_WRITE, "File not open for output."},
    };
    ASSERT_EQ("Open OK", S(io(f, F_OPEN)));
    std::string want;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(nullptr, io(f, r.fn, "x"));
        ASSERT_NE(nullptr, fc->errm);
        EXPECT_EQ(std::string(r.text), S(fc->errm));
        want += "cblfio: "s + r.text + "  (Input) F=\"" + p + "\"\n";
    }
    EXPECT_EQ(want, logtext());
    // Insert and delete: the text as result, and the last-write flag.
    EXPECT_EQ("INS,DEL not poss.", S(io(f, F_INSERT, "x")));
    EXPECT_TRUE(f->dflags & DF_LASTTRNC);
    // EOL=NO with no current length.
    FFREC* g = def(p, FM_IN, RF_LINE, 4);
    g->eollen = 0;
    ASSERT_EQ("Open OK", S(io(g, F_OPEN)));
    g->curfix = 0;
    EXPECT_EQ(nullptr, io(g, F_READ));
    EXPECT_EQ("Inval curr LRECL for EOL=NO input.", S(fc->errm));
    // Reading a file that is being written would lose its output.
    FFREC* o = def(path("out"), FM_OUT, RF_LINE);
    ASSERT_NE(nullptr, io(o, F_WRITE, "kept"));
    EXPECT_EQ(nullptr, io(o, F_READ));
    EXPECT_EQ("File not open for input.", S(fc->errm));
    io(o, F_CLOSE);
    EXPECT_EQ("kept\n"s, tvt::slurp(path("out")));
    // A clipboard file, and keyed access to V records without LRECL.
    FFREC* w = def(p, FM_IN, RF_LINE);
    w->ftype = FT_CLIP;
    EXPECT_EQ(nullptr, io(w, F_OPEN));
    EXPECT_EQ("WIN ok.", S(fc->errm));
    FFREC* k = def(p, FM_IN, RF_VAR, 0, 0, DF_KEYED);
    EXPECT_EQ(nullptr, io(k, F_OPEN));
    EXPECT_EQ("LRECL (max) reqd for RECFM=V Keyed access.", S(fc->errm));
    // A directory file, and a block smaller than a record.
    FFREC* d = def(dir, FM_IN, RF_LINE);
    d->ftype = FT_DIR;
    EXPECT_EQ(nullptr, io(d, F_READ));
    EXPECT_EQ("Directory files cannot be read yet.", S(fc->errm));
    FFREC* s = def(p, FM_IN, RF_FIXED, 100, 50);
    EXPECT_EQ(nullptr, io(s, F_OPEN));
    EXPECT_EQ("Bufsize < LRECL+delims.", S(fc->errm));
}

TEST_F(cblfio, StreamsInStreamDataAndDummy) {
    // In-stream data ends at "/*" and leaves it unread.
    std::string p = path("cards");
    tvt::spit(p, "a\nb\n/* end\nc\n");
    FFREC* f = def(p, FM_IN, RF_LINE, 0, 0, DF_INSTREAM);
    f->fd = ::open(p.c_str(), O_RDONLY);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), readall(f));
    EXPECT_EQ(4, f->rba);
    // DUMMY: reads end at once, writes vanish.
    FFREC* d = def("", FM_IN, RF_LINE, 0, 0, DF_DUMMY);
    EXPECT_EQ(nullptr, io(d, F_READ));
    EXPECT_TRUE(d->sflags & FS_EOD);
    FFREC* o = def("", FM_OUT, RF_LINE, 0, 0, DF_DUMMY);
    EXPECT_NE(nullptr, io(o, F_WRITE, "x"));
    io(o, F_CLOSE);
    EXPECT_EQ(nullptr, fc->errm);
    // A standard stream read through its FILE*.
    FILE* s = std::fopen(p.c_str(), "r");
    FFREC* in = def("stdin", FM_IN, RF_LINE, 0, 0, DF_STDSTRM);
    in->stream = s;
    EXPECT_EQ((std::vector<std::string>{"a", "b", "/* end", "c"}), readall(in));
    std::fclose(s);
}

TEST_F(cblfio, ReadsATerminalLineByLine) {
    // A terminal: lines come one read at a time, and for a file whose name
    // begins with C a line "/*" ends the data.
    int m = tvt::ptmaster();
    ASSERT_GE(m, 0);
    FILE* s = std::fopen(ptsname(m), "r");
    ASSERT_NE(nullptr, s);
    const char typed[] = "one\ntwo\n/*\nthree\n";
    ASSERT_EQ(static_cast<ssize_t>(sizeof typed - 1), ::write(m, typed, sizeof typed - 1));
    FFREC* f = def("CARD", FM_IN, RF_LINE, 0, 0, DF_STDSTRM);
    std::memcpy(f->fileid, "CARD    ", 8);
    f->stream = s;
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), readall(f));
    EXPECT_TRUE(f->dflags & DF_TERMINAL);
    std::fclose(s);
    ::close(m);
}

TEST_F(cblfio, KeepsAnIntactBufferAndReplacesABrokenOne) {
    FFREC* f = def(path("x"), FM_IN, RF_LINE);
    fc->ffrec = f;
    ASSERT_EQ(0, allocbuf(fc, 5000));
    unsigned char* first = f->buf;
    EXPECT_EQ("<<<FFREC buf>>>"s, std::string(reinterpret_cast<char*>(first) + 5000));
    ASSERT_EQ(0, allocbuf(fc, 5000));
    EXPECT_EQ(first, f->buf);  // same size, guard intact: kept
    first[5003] = 'X';         // an overrun into the guard
    ASSERT_EQ(0, allocbuf(fc, 5000));
    EXPECT_EQ("<<<FFREC buf>>>"s, std::string(reinterpret_cast<char*>(f->buf) + 5000));
}

TEST_F(cblfio, FindsAMissingInputAlongPath) {
    std::string sub = dir + "/bin";
    ::mkdir(sub.c_str(), 0755);
    tvt::spit(sub + "/prog.txt", "found\n");
    const char* old = std::getenv("PATH");
    std::string keep = old ? old : "";
    ::setenv("PATH", ("/nonexistent::" + sub).c_str(), 1);
    FFREC* f = tvlfn(&ctx, FN_MSG, "prog.txt", 0);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ((std::vector<std::string>{"found"}), readall(f));
    EXPECT_EQ(sub + "/", f->prefix);
    ::setenv("PATH", keep.c_str(), 1);
}

TEST_F(cblfio, FillsTheAreaOverTheLongerRecord) {
    std::string p = path("fill");
    tvt::spit(p, "abcdef\nab\n");
    FFREC* f = def(p, FM_IN, RF_LINE, 0, 0, DF_FILL);
    f->fill = '*';
    char area[10];
    std::memset(area, '.', sizeof area);
    fc->ffrec = f;
    ASSERT_EQ(area, ::cblfio(fc, F_READ, area, sizeof area));
    ASSERT_EQ(area, ::cblfio(fc, F_READ, area, sizeof area));
    EXPECT_EQ("ab****...."s, std::string(area, 10));
    EXPECT_EQ(nullptr, ::cblfio(fc, F_READ, area, sizeof area));
    EXPECT_EQ("******...."s, std::string(area, 10));  // end of data: the 2 bytes of "ab" filled
}

TEST_F(cblfio, RejectsBadDescriptorWords) {
    struct Row { const char* name; int recfm; std::int64_t lrecl, blk; std::uint32_t df; const char* hex; const char* text; };
    const Row rows[] = {
        {"RDW of 3", RF_VAR, 50, 100, DF_NOBDW, "0003 0000 41", "RECFM=V invalid BDW/RDW (Blk/Rec Desc Word)."},
        {"RDW bytes 2-3", RF_VAR, 50, 100, DF_NOBDW, "0006 0001 4142", "RECFM=V invalid BDW/RDW (Blk/Rec Desc Word)."},
        {"RDW over LRECL", RF_VAR, 10, 100, DF_NOBDW, "0020 0000 4142", "RECFM=V BDW/RDW value exceeds BLKSIZE or LRECL."},
        // BDW 12 = 4 + 6 leaves no room for the second record of 6.
        {"block overrun", RF_VAR, 50, 100, 0, "000C 0000 0006 0000 4142 0006 0000 4344",
         "RECFM=V data exceeds BDW value."},
        // BDW 20, but the file ends after 10 bytes.
        {"block cut short", RF_VAR, 50, 100, 0, "0014 0000 0006 0000 4142",
         "RECFM=V/V2/MFV insuff data for RDW on final rec."},
        // 0x00FF + 2 = 257 bytes, BLKSIZE 100.
        {"V2 over block", RF_V2, 0, 100, 0, "00FF 4142", "RECFM=V/V2/MFV len in RDW > bufsize."},
        {"V2 cut short", RF_V2, 0, 100, 0, "0005 4142", "RECFM=V/V2/MFV insuff data for RDW on final rec."},
        {"V3 two bytes", RF_V3, 0, 100, 0, "80 00", "RECFM=V/V2/MFV desc word too short."},
        {"MFV no header", RF_MFV, 0, 100, 0, "4003 414243 00", "RECFM=MFV Header missing/inval."},
    };
    std::string p = path("bad");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        newlog();
        ::unlink(p.c_str());
        tvt::spit(p, unhex(r.hex));
        FFREC* f = def(p, FM_IN, r.recfm, r.lrecl, r.blk, r.df | DF_NORDW);
        fc->ffrec = f;
        while (::cblfio(fc, F_READ, nullptr, 0)) {
        }
        EXPECT_EQ(std::string(r.text), S(fc->errm));
        EXPECT_EQ("cblfio: "s + r.text + "  (Input) F=\"" + p + "\"\n", logtext());
        io(f, F_CLOSE);
    }
}

TEST_F(cblfio, WritesToAStandardStream) {
    FILE* s = std::tmpfile();
    FFREC* f = def("STDOUT", FM_OUT, RF_LINE, 0, 0, DF_STDSTRM);
    f->stream = s;
    writeall(f, {"one", "two"});
    std::rewind(s);  // still open: a standard stream is not closed
    char got[16] = {};
    EXPECT_EQ(8u, std::fread(got, 1, sizeof got, s));
    EXPECT_EQ("one\ntwo\n"s, std::string(got));
    std::fclose(s);
}

// ---------------------------------------------------------------------------

// Random bytes and every truncation of a valid file, read as each variable
// format: every read ends in a record inside the buffer, end of data or an
// error text, and never runs on; the record path and the general read
// (shortoff) give the same records and the same error text.
TEST_F(cblfio, RandomBytesNeverCrash) {
    struct Row { const char* name; int recfm; std::uint32_t df; };
    const Row rows[] = {{"V", RF_VAR, DF_NOBDW}, {"VB", RF_VAR, 0}, {"V2", RF_V2, 0},
                        {"V3", RF_V3, 0}, {"MFV", RF_MFV, 0}};
    std::mt19937 rng(11);
    std::string p = path("rnd");
    auto once = [&](const Row& r, const std::string& data, std::string* seen) {
        ::unlink(p.c_str());  // a fresh file: rewriting one in place waits for the disk
        tvt::spit(p, data);
        FFREC* f = def(p, FM_IN, r.recfm, 0, 300, r.df | DF_RDW);
        fc->ffrec = f;
        std::int64_t total = 0, reads = 0;
        while (char* rec = ::cblfio(fc, F_READ, nullptr, 0)) {
            auto* u = reinterpret_cast<unsigned char*>(rec);
            ASSERT_TRUE(u >= f->buf && u + f->reclen <= f->buf + f->iosize);
            total += f->reclen;
            ASSERT_LE(total, static_cast<std::int64_t>(data.size()));
            ASSERT_LT(++reads, 1000);
            seen->append(rec, static_cast<std::size_t>(f->reclen)).append("|");
        }
        EXPECT_TRUE((f->sflags & FS_EOD) || (fc->errm && fc->errm[0]));
        *seen += S(fc->errm);
        io(f, F_CLOSE);
    };
    auto check = [&](const Row& r, const std::string& data) {
        std::string fast, slow;
        once(r, data, &fast);
        shortoff = true;
        once(r, data, &slow);
        shortoff = false;
        EXPECT_EQ(tvt::hex(slow), tvt::hex(fast));
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (int i = 0; i < 300; i++) {
            std::string data(rng() % 400, '\0');
            for (char& ch : data) ch = static_cast<char>(rng() % 4 == 0 ? rng() % 256 : rng() % 8);
            check(r, data);
        }
    }
    // A valid VB file cut at every length.
    std::string vb = unhex("0015 0000 0008 0000 41424344 0009 0000 4546474849 "
                           "000C 0000 0008 0000 4A4B4C4D");
    for (std::size_t n = 0; n <= vb.size(); n++) {
        SCOPED_TRACE(n);
        check(rows[1], vb.substr(0, n));
    }
}

}  // namespace

// An interrupted read is tried again; with a SIGTERM waiting for the run's
// check the reader gives up at once, so that the run can end with 88.
TEST_F(cblfio, InterruptedReadRetriedUnlessTermPending) {
    std::string p = path("in");
    tvt::spit(p, "abc\n");
    static int calls;
    fiosys.read = +[](int fd, void* b, size_t len) -> ssize_t {
        if (calls++ == 0) { errno = EINTR; return -1; }
        return ::read(fd, b, len);
    };
    struct Row { const char* name; int term; bool gets; };
    const Row rows[] = {
        {"no SIGTERM: retried, record read", 0, true},
        {"SIGTERM pending: read given up", 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        calls = 0;
        cmsigterm = r.term;
        FFREC* f = def(p, FM_IN, RF_LINE);
        char* got = io(f, F_READ);
        cmsigterm = 0;
        EXPECT_EQ(r.gets, got != nullptr);
        if (got) {
            EXPECT_EQ("abc", std::string(got, static_cast<std::size_t>(f->reclen)));
        }
        io(f, F_CLOSE);
    }
}
