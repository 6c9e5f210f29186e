// Whole-run throughput of the arithmetic and conversion actions on F 80
// records the program makes itself (default 200 MB), each job beside a
// plain C loop doing the same work (1 MiB reads and writes), the commands
// run in turn five times (outputs removed before each run, not timed):
//   1. ADD 1 TO POS 1 LEN 5 TYPE P and WRITE: the C loop adds 1 to the
//      packed field itself, nibble by nibble with the carry (or the borrow
//      of a negative value), and stores the sign as the program does: C
//      for zero and positive values (C, F read positive), D for negative;
//   2. CVPC POS 11 LEN 3 SCALE 2 TO POS 21 LEN 8 FMT '-,--9.99' and WRITE:
//      the C loop edits the 5 digits with 2 decimals itself (the floating
//      "-" directly left of the digits, blanks before it).
// Each job gives the median MB/s of input (slowest and fastest run in
// brackets), ns per record, the peak memory and the ratio of the C loop's
// median time to the program's.  The outputs are compared with cmp.
//
// Usage: arith_prog <torvale> [MB] [runs] [dir]; exits 2 when setup
// fails, 1 when an output differs from the C loop's.  arith_prog -cadd|-ccvpc
// IN OUT are the plain C loops.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchtime.h"

namespace {

constexpr long kMiB = 1L << 20;
constexpr int kRec = 80;

using bench::ctl;
using bench::Med;

unsigned long long g_seed = 0x2545F4914F6CDD1DULL;
unsigned long long rnd() { return bench::xorshift(&g_seed); }

// Add 1 to the packed field p of n bytes in place.  A positive value (or
// zero) counts up with the carry through the digit nibbles; a negative
// one (minus zero aside) counts its magnitude down with the borrow; the
// result is signed C, or D when still negative (zero is positive).  False
// on an overflow (field kept), which the data never holds.
bool addone(unsigned char* p, int n) {
    unsigned sign = p[n - 1] & 15u;
    bool neg = sign == 0xB || sign == 0xD;
    if (neg) {  // minus zero counts up like zero
        neg = (p[n - 1] >> 4) != 0;
        for (int i = 0; i < n - 1 && !neg; ++i) neg = p[i] != 0;
    }
    unsigned char save[16];
    std::memcpy(save, p, static_cast<std::size_t>(n));
    // Digit k counts from the right: 0 is the high nibble of the last byte.
    auto get = [&](int k) -> unsigned {
        int b = n - 1 - (k + 1) / 2;
        return k % 2 == 0 ? p[b] >> 4 : p[b] & 15u;
    };
    auto set = [&](int k, unsigned d) {
        int b = n - 1 - (k + 1) / 2;
        p[b] = static_cast<unsigned char>(k % 2 == 0 ? (p[b] & 15u) | d << 4 : (p[b] & 0xF0u) | d);
    };
    const int nd = 2 * n - 1;
    int k = 0;
    if (!neg) {
        for (; k < nd && get(k) == 9; ++k) set(k, 0);
        if (k == nd) {
            std::memcpy(p, save, static_cast<std::size_t>(n));
            return false;
        }
        set(k, get(k) + 1);
    } else {
        for (; get(k) == 0; ++k) set(k, 9);  // not zero: a digit above 0 ends the borrow
        set(k, get(k) - 1);
        bool zero = true;
        for (int i = 0; i < nd && zero; ++i) zero = get(i) == 0;
        neg = !zero;
    }
    p[n - 1] = static_cast<unsigned char>((p[n - 1] & 0xF0u) | (neg ? 0xDu : 0xCu));
    return true;
}

// The 3-byte packed field at p (5 digits, 2 decimals) edited into 8 bytes
// at out as '-,--9.99' does it: the digits right-aligned with at least
// one before the point, "-" directly left of them for a negative sign,
// blanks before that.  The integer part never exceeds three digits, so the
// comma of the mask always falls in the blanked part.
void cvpc(unsigned char* out, const unsigned char* p) {
    long v = 0;
    for (int i = 0; i < 3; ++i) {
        v = v * 10 + (p[i] >> 4);
        if (i < 2) v = v * 10 + (p[i] & 15);
    }
    unsigned s = p[2] & 15u;
    bool neg = s == 0xB || s == 0xD;  // minus zero too, as the program edits it
    std::memset(out, ' ', 8);
    int k = 7;
    out[k--] = static_cast<unsigned char>('0' + v % 10);
    out[k--] = static_cast<unsigned char>('0' + v / 10 % 10);
    out[k--] = '.';
    long ip = v / 100;
    do {
        out[k--] = static_cast<unsigned char>('0' + ip % 10);
        ip /= 10;
    } while (ip);
    if (neg) out[k] = '-';
}

// The plain C loops: 1 MiB of records read, each record worked in place,
// the block written.  0, or 1 on a failure.
int cloop(const char* mode, const char* from, const char* to) {
    int in = open(from, O_RDONLY), out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) return 1;
    const bool add = !std::strcmp(mode, "-cadd");
    const long blk = kMiB / kRec * kRec;
    std::vector<unsigned char> b(static_cast<std::size_t>(blk));
    long have = 0;
    ssize_t n;
    while ((n = read(in, b.data() + have, static_cast<std::size_t>(blk - have))) > 0) {
        have += n;
        long whole = have / kRec * kRec;
        if (have < blk) continue;
        for (long r = 0; r < whole; r += kRec) {
            if (add) addone(b.data() + r, 5);
            else cvpc(b.data() + r + 20, b.data() + r + 10);
        }
        if (write(out, b.data(), static_cast<std::size_t>(whole)) != whole) return 1;
        have = 0;
    }
    for (long r = 0; r + kRec <= have; r += kRec) {
        if (add) addone(b.data() + r, 5);
        else cvpc(b.data() + r + 20, b.data() + r + 10);
    }
    bool ok = n == 0 && write(out, b.data(), static_cast<std::size_t>(have)) == have;
    return close(in) == 0 && close(out) == 0 && ok ? 0 : 1;
}

// F 80 records: a 5-byte packed field at 1-5 of varied length of digits
// (up to 8, so 1 can always be added), signs C, D and F; a 3-byte packed
// field of 5 digits (2 decimals) at 11-13, signs C and D; text elsewhere.
bool makedata(const std::string& dir, long mb, long* nrec) {
    FILE* f = std::fopen((dir + "/f80.dat").c_str(), "wb");
    if (!f) return false;
    *nrec = mb * kMiB / kRec;
    unsigned char r[kRec];
    for (int k = 0; k < kRec; ++k) r[k] = static_cast<unsigned char>('A' + k % 26);
    static const long lim[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    static const unsigned sgn[3] = {0xC, 0xD, 0xF};
    for (long i = 0; i < *nrec; ++i) {
        unsigned long long x = rnd();
        long v = static_cast<long>((x >> 8) % static_cast<unsigned long long>(lim[1 + x % 8]));
        unsigned s = sgn[(x >> 4) % 3];
        r[4] = static_cast<unsigned char>((v % 10) << 4 | s);
        v /= 10;
        for (int k = 3; k >= 0; --k, v /= 100) r[k] = static_cast<unsigned char>((v / 10 % 10) << 4 | v % 10);
        long w = static_cast<long>((x >> 40) % 100000);
        r[12] = static_cast<unsigned char>((w % 10) << 4 | ((x >> 60) & 1 ? 0xD : 0xC));
        w /= 10;
        for (int k = 11; k >= 10; --k, w /= 100) r[k] = static_cast<unsigned char>((w / 10 % 10) << 4 | w % 10);
        std::fwrite(r, 1, kRec, f);
    }
    return std::fclose(f) == 0;
}

void line(const char* what, long bytes, long recs, const Med& t, double ref) {
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("  %-44s %7.1f MB/s (%6.1f-%6.1f) %6.1f ns/rec %6ld KiB", what, mb / t.secs, mb / t.max,
                mb / t.min, t.secs * 1e9 / static_cast<double>(recs), t.rsskb);
    if (ref > 0) std::printf("   C/this %5.2f", ref / t.secs);
    if (t.rc != 0) std::printf("   exit %d", t.rc);
    std::printf("\n");
}

// One job: the program and its C loop in turn; the lines and the check of
// the outputs.  False when they differ.
bool job(const std::string& dir, const char* title, const std::string& tvcmd, const std::string& ccmd,
         const char* check, long bytes, long recs, int runs) {
    std::printf("%s\n", title);
    std::vector<Med> t = bench::alternate(dir, {tvcmd, ccmd}, runs, {"rm -f out.dat", "rm -f ref.out"});
    line("plain C loop, 1 MiB buffers", bytes, recs, t[1], 0);
    line("torvale", bytes, recs, t[0], t[1].secs);
    bool same = bench::same(dir, "out.dat", "ref.out");
    std::printf("check: %s %s\n", check, same ? "equal" : "DIFFERENT");
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && argv[1][0] == '-') return cloop(argv[1], argv[2], argv[3]);
    bench::Args ar;
    if (!bench::args(argc, argv, "arith_prog", "/tmp/torvale-arith-bench", &ar)) return 2;
    const std::string tv = ar.tv, dir = ar.dir;
    const long mb = ar.mb;
    const int runs = ar.runs;
    long nrec = 0;
    if (!makedata(dir, mb, &nrec) ||
        !ctl(dir, "add.ctl", "READ f80.dat RECFM F LRECL 80\nADD 1 TO POS 1 LEN 5 TYPE P\n"
                             "WRITE out.dat RECFM F LRECL 80\n") ||
        !ctl(dir, "cvpc.ctl", "READ f80.dat RECFM F LRECL 80\n"
                              "CVPC POS 11 LEN 3 SCALE 2 TO POS 21 LEN 8 FMT '-,--9.99'\n"
                              "WRITE out.dat RECFM F LRECL 80\n")) {
        std::fprintf(stderr, "arith_prog: cannot write the data in %s\n", dir.c_str());
        return 2;
    }
    long fb = bench::fsize(dir + "/f80.dat");
    std::printf("arith: F 80 %ld bytes, %ld records; median of %d runs each\n", fb, nrec, runs);
    bench::shell(dir, "cat f80.dat > /dev/null");  // warm the cache
    const std::string run = "'" + tv + "' -lst /dev/null -ctl ", c = "'" + std::string(argv[0]) + "' ";
    bool ok = job(dir, "1. ADD 1 TO POS 1 LEN 5 TYPE P", run + "add.ctl 2>/dev/null", c + "-cadd f80.dat ref.out",
                  "ADD output and the C loop's", fb, nrec, runs);
    ok = job(dir, "2. CVPC POS 11 LEN 3 SCALE 2 TO POS 21 LEN 8 FMT '-,--9.99'", run + "cvpc.ctl 2>/dev/null",
             c + "-ccvpc f80.dat ref.out", "CVPC output and the C loop's", fb, nrec, runs) && ok;
    if (!ok) {  // the files stay for a look
        std::printf("the data and the last outputs are kept in %s\n", dir.c_str());
        return 1;
    }
    return std::system(("rm -rf '" + dir + "'").c_str()) != 0 ? 2 : 0;
}
