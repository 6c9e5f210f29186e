// Whole-run throughput of the program beside the usual tools, on data it
// makes itself (about 200 MB per file, one timed run each after a warm-up
// read):
//   1. READ + WRITE copy of text lines, beside cat and a plain C copy with
//      a 1 MiB buffer;
//   2. IF P 1 EQ 'A' THEN WRITE (about 10% of the lines), beside grep '^A'
//      and mawk;
//   3. the same selection on a variable file with RDWs, beside a perl loop;
//   4. a copy of F 80 records;
//   5. IF P 1 EQ 'A' THEN PRINT TYPE H on 20 MB of the lines, beside xxd.
// Each line gives MB/s of input, records per second, the peak memory of
// the run and the ratio of the reference's time to the program's.
//
// Usage: e2e_prog <torvale> [MB] [dir]; exits 2 when setup fails.
#include <fcntl.h>
#include <unistd.h>

#include "benchtime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr long kMiB = 1L << 20;

using bench::Timing;
using bench::now;
using bench::shell;

// The plain C copy: 1 MiB reads and writes.
Timing ccopy(const std::string& from, const std::string& to) {
    double t0 = now();
    int in = open(from.c_str(), O_RDONLY), out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buf(kMiB);
    ssize_t n;
    int rc = in < 0 || out < 0 ? 1 : 0;
    while (rc == 0 && (n = read(in, buf.data(), buf.size())) > 0)
        if (write(out, buf.data(), static_cast<size_t>(n)) != n) rc = 1;
    close(in);
    close(out);
    return {now() - t0, 0, rc};
}

using bench::fsize;

// Deterministic pseudo-random numbers.
unsigned long long g_seed = 88172645463325252ULL;
unsigned long long rnd() {
    g_seed ^= g_seed << 13;
    g_seed ^= g_seed >> 7;
    g_seed ^= g_seed << 17;
    return g_seed;
}

// Text lines of 20 to 180 bytes, one in ten starting with "A"; the same
// records with RDWs (length + 4 big-endian, two zero bytes); F 80 records.
bool makedata(const std::string& dir, long mb, long* nlines, long* nfix) {
    FILE* t = std::fopen((dir + "/lines.txt").c_str(), "wb");
    FILE* v = std::fopen((dir + "/rdw.dat").c_str(), "wb");
    FILE* f = std::fopen((dir + "/f80.dat").c_str(), "wb");
    if (!t || !v || !f) return false;
    std::string rec;
    long bytes = 0, n = 0;
    while (bytes < mb * kMiB) {
        int len = 20 + static_cast<int>(rnd() % 161);
        rec.assign(static_cast<size_t>(len), ' ');
        for (int i = 0; i < len; ++i) rec[static_cast<size_t>(i)] = static_cast<char>('B' + rnd() % 25);
        if (rnd() % 10 == 0) rec[0] = 'A';
        std::fwrite(rec.data(), 1, rec.size(), t);
        std::fputc('\n', t);
        unsigned char rdw[4] = {static_cast<unsigned char>((len + 4) >> 8), static_cast<unsigned char>(len + 4), 0, 0};
        std::fwrite(rdw, 1, 4, v);
        std::fwrite(rec.data(), 1, rec.size(), v);
        bytes += len + 1;
        ++n;
    }
    *nlines = n;
    std::string r80(80, ' ');
    *nfix = mb * kMiB / 80;
    for (long i = 0; i < *nfix; ++i) {
        for (int k = 0; k < 80; k += 8) std::memcpy(&r80[static_cast<size_t>(k)], "F80DATA.", 8);
        r80[0] = static_cast<char>('A' + i % 26);
        std::fwrite(r80.data(), 1, 80, f);
    }
    bool ok = std::fclose(t) == 0 && std::fclose(v) == 0 && std::fclose(f) == 0;
    return ok;
}

void line(const char* what, long bytes, long recs, const Timing& t, double ref) {
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("  %-34s %8.1f MB/s %9.2f M rec/s %7ld KiB", what, mb / t.secs, recs / t.secs / 1e6, t.rsskb);
    if (ref > 0) std::printf("   ref/this %5.2f", ref / t.secs);
    if (t.rc != 0) std::printf("   exit %d", t.rc);
    std::printf("\n");
}

bool ctl(const std::string& dir, const char* name, const char* text) {
    FILE* f = std::fopen((dir + "/" + name).c_str(), "w");
    return f && std::fputs(text, f) >= 0 && std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: e2e_prog <torvale> [MB] [dir]\n");
        return 2;
    }
    std::string tv = argv[1];
    long mb = argc > 2 ? std::atol(argv[2]) : 200;
    std::string dir = argc > 3 ? argv[3] : "/tmp/torvale-e2e-bench";
    std::string mk = "mkdir -p '" + dir + "'";
    if (mb < 1 || std::system(mk.c_str()) != 0) return 2;
    long nlines = 0, nfix = 0;
    if (!makedata(dir, mb, &nlines, &nfix)) {
        std::fprintf(stderr, "e2e_prog: cannot write the data in %s\n", dir.c_str());
        return 2;
    }
    long tb = fsize(dir + "/lines.txt"), vb = fsize(dir + "/rdw.dat"), fb = fsize(dir + "/f80.dat");
    std::printf("e2e: text %ld bytes, %ld lines (20-180 bytes); RDW %ld bytes; F 80 %ld bytes, %ld records\n",
                tb, nlines, vb, fb, nfix);
    bool ok = ctl(dir, "copy.ctl", "READ lines.txt\nWRITE out.txt\n") &&
              ctl(dir, "sel.ctl", "READ lines.txt\nIF P 1 EQ 'A'\nTHEN WRITE out.txt\n") &&
              ctl(dir, "rdw.ctl", "READ rdw.dat RECFM V NOBDW LRECL 32760\nIF P 1 EQ 'A'\nTHEN WRITE out.dat RECFM V NOBDW LRECL 32760\n") &&
              ctl(dir, "f80.ctl", "READ f80.dat RECFM F LRECL 80\nWRITE out.dat RECFM FB LRECL 80 BLKSIZE 27920\n");
    if (!ok) return 2;
    shell(dir, "cat lines.txt rdw.dat f80.dat > /dev/null");  // warm the cache
    std::string run = "'" + tv + "' -ctl ";

    std::printf("1. copy of text lines\n");
    Timing c = ccopy(dir + "/lines.txt", dir + "/c.txt");
    Timing cat = shell(dir, "cat lines.txt > cat.txt");
    Timing t1 = shell(dir, run + "copy.ctl 2>/dev/null");
    line("plain C copy, 1 MiB buffer", tb, nlines, c, 0);
    line("cat", tb, nlines, cat, 0);
    line("torvale READ + WRITE", tb, nlines, t1, c.secs);
    std::printf("     (ratio to cat %.2f)\n", cat.secs / t1.secs);

    std::printf("2. IF P 1 EQ 'A' THEN WRITE on text lines\n");
    Timing g = shell(dir, "grep '^A' lines.txt > g.txt");
    Timing m = shell(dir, "mawk 'substr($0,1,1)==\"A\"' lines.txt > m.txt");
    Timing t2 = shell(dir, run + "sel.ctl 2>/dev/null");
    line("grep '^A'", tb, nlines, g, 0);
    line("mawk substr", tb, nlines, m, 0);
    line("torvale selection", tb, nlines, t2, g.secs);
    std::printf("     (ratio to mawk %.2f)\n", m.secs / t2.secs);

    std::printf("3. the same selection on RDW records\n");
    Timing p = shell(dir, "perl -e 'binmode STDIN; binmode STDOUT; while (read(STDIN, $h, 4) == 4) "
                          "{ $n = unpack(\"n\", $h) - 4; read(STDIN, $d, $n); print $h, $d if substr($d, 0, 1) eq \"A\"; }'"
                          " < rdw.dat > p.dat");
    Timing t3 = shell(dir, run + "rdw.ctl 2>/dev/null");
    line("perl loop", vb, nlines, p, 0);
    line("torvale selection, RECFM V", vb, nlines, t3, p.secs);

    std::printf("4. copy of F 80 records\n");
    Timing c4 = ccopy(dir + "/f80.dat", dir + "/c.dat");
    Timing t4 = shell(dir, run + "f80.ctl 2>/dev/null");
    line("plain C copy, 1 MiB buffer", fb, nfix, c4, 0);
    line("torvale READ + WRITE, F to FB", fb, nfix, t4, c4.secs);

    std::printf("5. IF P 1 EQ 'A' THEN PRINT TYPE H on 20 MB of text lines\n");
    bool hok = ctl(dir, "hex.ctl", "READ hex.txt\nIF P 1 EQ 'A'\nTHEN PRINT TYPE H\n") &&
               shell(dir, "head -c 20000000 lines.txt > hex.txt").rc == 0;
    long hb = fsize(dir + "/hex.txt");
    long hl = tb > 0 ? static_cast<long>(static_cast<double>(nlines) * hb / tb) : 0;
    if (hok) {
        Timing x = shell(dir, "xxd hex.txt > x.txt");
        Timing t5 = shell(dir, run + "hex.ctl -lst hex.lst 2>/dev/null");
        line("xxd", hb, hl, x, 0);
        line("torvale PRINT TYPE H", hb, hl, t5, x.secs);
    }

    bool same = fsize(dir + "/out.dat") == fb;
    std::printf("check: F 80 copy %s\n", same ? "complete" : "INCOMPLETE");
    std::string rm = "rm -rf '" + dir + "'";
    if (std::system(rm.c_str()) != 0) return 2;
    return same ? 0 : 1;
}
