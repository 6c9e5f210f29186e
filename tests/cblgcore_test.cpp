// Tagged memory manager: rounding, filling, keep modes, trace lines, the
// chain check and its fatal ends, and the hexadecimal text routine.
#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tests/testutil.h"

using namespace std::literals;

namespace {

// A run context that owns its memory manager, with the log in a temporary
// file, so the trace can be read back.
struct TraceLog {
    tvt::Ctx run;
    GCCB&    cb = run.gc;
    CMV&     cmv = run.cmv;
    TraceLog(std::uint32_t flags) {
        cmv.logfp = std::tmpfile();
        cb.owner = run.c;
        cb.logfp = cmv.logfp;  // traces go to the block's log stream
        cb.flags = flags;
    }
    ~TraceLog() {
        cb.flags = 0;  // the context's own release is not traced
        cb.logfp = nullptr;
        std::fclose(cmv.logfp);
        cmv.logfp = stderr;
    }
    std::vector<std::string> lines() {
        std::fflush(cmv.logfp);
        std::rewind(cmv.logfp);
        std::vector<std::string> out;
        char buf[512];
        while (std::fgets(buf, sizeof buf, cmv.logfp)) out.emplace_back(buf);
        std::rewind(cmv.logfp);
        return out;
    }
};

// The heap's size word of a block as the trace shows it: 8 bytes, low
// byte first, in the hexadecimal text layout ("18000000 00000000 " for 24).
std::string pfxtext(const void* blk) {
    std::uint64_t v = malloc_usable_size(const_cast<void*>(blk));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x %02x%02x%02x%02x ", unsigned(v & 255),
                  unsigned(v >> 8 & 255), unsigned(v >> 16 & 255), unsigned(v >> 24 & 255),
                  unsigned(v >> 32 & 255), unsigned(v >> 40 & 255), unsigned(v >> 48 & 255),
                  unsigned(v >> 56 & 255));
    return buf;
}

std::string adrtext(const void* blk) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", unsigned(reinterpret_cast<std::uintptr_t>(blk)));
    return buf;
}

std::string gotline(int seq, const void* blk, long len, const char* id) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "Got %04d: pfx=%s L=0x%04lx    adr=%s id=%s \n", seq,
                  pfxtext(blk).c_str(), len, adrtext(blk).c_str(), id);
    return buf;
}

// The child's end: exit status as a shell sees it, and its standard error.
struct Ended {
    int         status;
    std::string err;
};

template <class F> Ended inchild(F body) {
    int pfd[2];
    if (pipe(pfd) != 0) return {-1, "pipe failed"};
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pfd[1], 2);
        close(pfd[0]);
        close(pfd[1]);
        body();
        _exit(0);
    }
    close(pfd[1]);
    std::string err;
    char buf[4096];
    ssize_t n;
    while ((n = read(pfd[0], buf, sizeof buf)) > 0) err.append(buf, static_cast<size_t>(n));
    close(pfd[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st), err};
}

}  // namespace

TEST(c2h, HexTextAndRoom) {
    struct Row {
        const char*      name;
        std::string_view src;  // bytes; data() null for a null source
        int              dstlen;
        std::string_view want;
    };
    const char* small = "c2h: Destn too small for source.";
    const Row rows[] = {
        // 61 62 63, blank after the last group: 6 + 1 characters and NUL = 8.
        {"abc", "abc"sv, 8, "616263 "sv},
        {"abc one short", "abc"sv, 7, small},
        // two groups of 4: 16 + 2 characters and NUL = 19.
        {"eight", "\x00\x01\x02\x03\xfc\xfd\xfe\xff"sv, 19, "00010203 fcfdfeff "sv},
        // 16 bytes: 32 digits, 4 blanks, line feed, NUL = 38 bytes.
        {"sixteen", "0123456789abcdef"sv, 38,
         "30313233 34353637 38396162 63646566 \n"sv},
        // 37 bytes would leave no room for the NUL after the line feed.
        {"sixteen one short", "0123456789abcdef"sv, 37, small},
        // 17 bytes: 34 digits, 5 blanks, 1 line feed, NUL = 41.
        {"seventeen", "0123456789abcdef\x80"sv, 41,
         "30313233 34353637 38396162 63646566 \n80 "sv},
        {"nothing", ""sv, 1, ""sv},
        {"null source blanks", std::string_view(nullptr, 0), 6, "     "sv},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        char buf[64];
        std::memset(buf, 0x5a, sizeof buf);
        char* got = c2h(buf + 4, r.dstlen, r.src.data(), static_cast<int>(r.src.size()));
        EXPECT_EQ(r.want, std::string_view(got));
        for (int i = 0; i < 4; i++) EXPECT_EQ(0x5a, buf[i]) << "guard before, byte " << i;
        for (int i = 4 + r.dstlen; i < 64; i++) EXPECT_EQ(0x5a, buf[i]) << "guard after, byte " << i;
    }
}

TEST(cblgcore, RoundsRequestSizes) {
    struct Row {
        std::uint32_t flags;
        long          len;
        long          obtained;
    };
    const Row rows[] = {
        {0, 1, 0x0008},          // 1 -> 8
        {0, 10, 0x0010},         // 10 -> 16
        {0, 16, 0x0010},         // already a multiple of 8
        {0, 63999, 0xfa00},      // below 64,000: rounded to 64,000
        {0, 64000, 0xfa00},      // not below 64,000: taken as it is
        {0, 64001, 0xfa01},      // 64,001 not rounded
        {GC_HT, 10, 0x0140},     // 10 + 2 * 152 = 314 -> 320
        {GC_HT, 63690, 0xfa00},  // 63690 + 304 = 63994 -> 64,000
        {GC_HT, 63700, 0xfa04},  // 63700 + 304 = 64004, not rounded
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("flags " + std::to_string(r.flags) + " len " + std::to_string(r.len));
        TraceLog t(GC_M1 | r.flags);
        char* p = static_cast<char*>(cblgcore(&t.cb, r.len, 0, "rnd"));
        ASSERT_NE(nullptr, p);
        char* blk = p - ((r.flags & GC_HT) ? 152 : 0);
        EXPECT_EQ(std::vector<std::string>{gotline(1, blk, r.obtained, "rnd")}, t.lines());
        std::memset(p, 0x11, static_cast<size_t>(r.len));  // the whole area is the caller's
        cblgcorf(&t.cb, &p, "rnd");
        EXPECT_EQ(nullptr, p);
        EXPECT_EQ(nullptr, t.cb.head);
    }
}

TEST(cblgcore, FillsTheBlock) {
    for (std::uint32_t flags : {0u, unsigned(GC_HT)}) {
        for (int fill : {0x00, 0xab, 0xff}) {
            SCOPED_TRACE("flags " + std::to_string(flags) + " fill " + std::to_string(fill));
            GCCB cb{};
            cb.flags = flags;
            unsigned char* p = static_cast<unsigned char*>(cblgcore(&cb, 10, fill, "fil"));
            ASSERT_NE(nullptr, p);
            for (int i = 0; i < 10; i++) EXPECT_EQ(fill, p[i]) << "byte " << i;
            if (!flags) {  // the rounding slack is filled as well: 10 -> 16
                for (int i = 10; i < 16; i++) EXPECT_EQ(fill, p[i]) << "byte " << i;
            }
            cblgcorf(&cb, &p, "fil");
        }
    }
}

TEST(cblgcorf, TraceLines) {
    // Release trace: "Rel %04d: pfx=%s  %-10s adr=%s id=%s \n".  A null
    // pointer has a blank pfx (18 blanks, the width of 8 bytes of hex text)
    // and address 00000000; the tag defaults to NoDesc.
    TraceLog t(GC_M1 | GC_M2);
    void* p = nullptr;
    cblgcorf(&t.cb, &p, nullptr);
    cblgcorf(&t.cb, &p, "nul");
    char* q = static_cast<char*>(cblgcore(&t.cb, 24, -1, "blk"));
    std::string pfx = pfxtext(q), adr = adrtext(q);
    cblgcorf(&t.cb, &q, "blk");
    const std::string blanks(18, ' ');
    const std::vector<std::string> want = {
        "Rel 0001: pfx=" + blanks + "  NULL ptr   adr=00000000 id=NoDesc \n",
        "Rel 0002: pfx=" + blanks + "  NULL ptr   adr=00000000 id=nul \n",
        "Got 0001: pfx=" + pfx + " L=0x0018    adr=" + adr + " id=blk \n",
        "Rel 0003: pfx=" + pfx + "  " + std::string(10, ' ') + " adr=" + adr + " id=blk \n",
    };
    EXPECT_EQ(want, t.lines());
    EXPECT_EQ(1u, t.cb.gotcnt);
    EXPECT_EQ(3u, t.cb.relcnt);
}

TEST(cblgcorf, KeepModes) {
    // NR: the released block stays readable; TR 5 and 9: releases 5 to 8
    // keep their blocks, release 9 frees again.
    struct Row {
        const char*   name;
        std::uint32_t flags, trfrom, trto;
        const char*   kept;  // per release 1..10: 'K' kept, '-' freed
    };
    const Row rows[] = {
        {"no keeping", 0, 0, 0, "----------"},
        {"NR", GC_NR, 0, 0, "KKKKKKKKKK"},
        {"TR 5 and 9", GC_TR, 5, 9, "----KKKK--"},
        {"TR 5 only", GC_TR, 5, 0, "----KKKKKK"},
        {"HT and TR 5 and 9", GC_HT | GC_TR, 5, 9, "----KKKK--"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TraceLog t(GC_M2 | r.flags);
        t.cb.trfrom = r.trfrom;
        t.cb.trto = r.trto;
        char* blocks[10];
        char* copies[10];
        for (int i = 0; i < 10; i++) {
            blocks[i] = copies[i] = static_cast<char*>(cblgcore(&t.cb, 8, 'a' + i, "kp"));
        }
        for (int i = 0; i < 10; i++) cblgcorf(&t.cb, &blocks[i], "kp");
        std::vector<std::string> lines = t.lines();
        ASSERT_EQ(10u, lines.size());
        for (int i = 0; i < 10; i++) {
            SCOPED_TRACE("release " + std::to_string(i + 1));
            EXPECT_EQ(nullptr, blocks[i]);
            bool kept = r.kept[i] == 'K';
            // "  ", the state text padded to 10, " adr="
            std::string state = "  "s + (kept ? " (Kept)   " : "          ") + " adr=";
            EXPECT_EQ(state, lines[i].substr(14 + 18, state.size())) << lines[i];
            if (kept) {
                EXPECT_EQ('a' + i, copies[i][0]);
            }
        }
        EXPECT_EQ(nullptr, t.cb.head);
        EXPECT_EQ(nullptr, t.cb.tail);
        // Give the kept blocks back to the heap (no chain any more).
        GCCB plain{};
        for (int i = 0; i < 10; i++)
            if (r.kept[i] == 'K') {
                char* blk = copies[i] - ((r.flags & GC_HT) ? 152 : 0);
                cblgcorf(&plain, &blk, "kp");
            }
    }
}

TEST(cblgcorv, ChainKeptThroughReleases) {
    // Releasing from the middle, the head and the tail keeps the chain
    // sound: every later check passes and the chain ends empty.
    GCCB cb{};
    cb.flags = GC_HT;
    void* p[4];
    for (int i = 0; i < 4; i++) p[i] = cblgcore(&cb, 40, 0, "ch");
    for (int i : {1, 0, 3, 2}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(1, cblgcorv(&cb, nullptr, "t1"));
        cblgcorf(&cb, &p[i], "ch");
        EXPECT_EQ(1, cblgcorv(&cb, nullptr, "t2"));
    }
    EXPECT_EQ(nullptr, cb.head);
    EXPECT_EQ(nullptr, cb.tail);
}

TEST(cblgcorv, BrokenChainEndsRun) {
    // Exit 8301 is seen by the shell as 8301 mod 256 = 109.
    struct Row {
        const char* name;
        int         victim;  // block (0..2) whose first byte past the area is overwritten; -1 none
        int         action;  // 0 allocate, 1 release block 2, 2 release a foreign address
        std::string want;
    };
    const std::string lastgood1 = "             Last good = Got:001  id=aaa \n";
    const Row rows[] = {
        {"overwrite, then allocate", 1, 0,
         "** cblgcorv: g1:  Head and Tail differ. \n" + lastgood1},
        {"overwrite, then release", 1, 1,
         "** cblgcorv: r1:  Head and Tail differ. \n" + lastgood1},
        {"first block overwritten", 0, 0,
         "** cblgcorv: g1:  Head and Tail differ. \n"
         "             Last good = Got:000  id=(none) \n"},
        {"release of a block not in the chain", -1, 2,
         "** cblgcorv: r1:  Tail not found. \n"
         "             Last good = Got:003  id=ccc \n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Ended e = inchild([&] {
            GCCB cb{};
            cb.flags = GC_HT;
            char* b[3] = {static_cast<char*>(cblgcore(&cb, 16, 0, "aaa")),
                          static_cast<char*>(cblgcore(&cb, 16, 0, "bbb")),
                          static_cast<char*>(cblgcore(&cb, 16, 0, "ccc"))};
            if (r.victim >= 0) b[r.victim][16] = 'X';  // lands in the tail copy
            char foreign[400];
            void* f = foreign + 200;
            switch (r.action) {
            case 0: cblgcore(&cb, 8, 0, "ddd"); break;
            case 1: cblgcorf(&cb, &b[2], "ccc"); break;
            case 2: cblgcorf(&cb, &f, "zzz"); break;
            }
        });
        EXPECT_EQ(109, e.status);
        EXPECT_EQ(r.want, e.err);
    }
}

TEST(cblgcore, BadLengthEndsRun) {
    struct Row {
        long        len;
        const char* id;
        std::string want;
    };
    const Row rows[] = {
        {0, "zz", "cblgcore err: lenreqd=0  \"zz\" \n"},
        {-5, "neg", "cblgcore err: lenreqd=-5  \"neg\" \n"},
        {0, nullptr, "cblgcore err: lenreqd=0  \"NoDesc\" \n"},
        // No heap can give this; len + 304 must not wrap around either.
        {LONG_MAX, "big", "cblgcore err: lenreqd=9223372036854775807  \"big\" \n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.want);
        for (std::uint32_t flags : {0u, unsigned(GC_HT)}) {
            Ended e = inchild([&] {
                GCCB cb{};
                cb.flags = flags;
                cblgcore(&cb, r.len, 0, r.id);
            });
            EXPECT_EQ(1, e.status);
            EXPECT_EQ(r.want, e.err);
        }
    }
}

TEST(cblgcore, UntaggedRequestGetsNull) {
    // Without a tag a request the heap cannot meet returns null.
    GCCB cb{};
    EXPECT_EQ(nullptr, cblgcore(&cb, LONG_MAX, 0, nullptr));
    EXPECT_EQ(nullptr, cblgcore(&cb, 1L << 50, 0, nullptr));
    EXPECT_EQ(0u, cb.gotcnt);
}
