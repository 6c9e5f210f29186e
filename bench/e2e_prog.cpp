// Whole-run throughput of the program beside the usual tools and plain C
// loops (the floor), on data it makes itself, each job and its references
// run in turn five times (outputs removed before each run, not timed):
//   1. READ + WRITE copy of text lines, beside cat and a plain C copy with
//      a 1 MiB buffer;
//   2. IF P 1 EQ 'A' THEN WRITE (about 10% of the lines), beside grep '^A',
//      mawk and a plain C selection (1 MiB reads, memchr for line ends,
//      selected lines copied into a 1 MiB output block);
//   3. the same selection on a variable file with RDWs, beside a perl
//      loop and a plain C loop over the descriptors;
//   4. a copy of F 80 records, beside the plain C copy;
//   5. IF P 1 EQ 'A' THEN PRINT TYPE H on 20 MB of the lines, beside xxd.
// Each line gives the median MB/s of input (slowest and fastest run in
// brackets), records per second, the peak memory and the ratio of the
// reference's median time to the program's.  The whole set runs at 20 MB
// and at the size asked for, and the peak memory of each torvale job at
// both sizes is shown: it must not grow with the input.
//
// Usage: e2e_prog <torvale> [MB] [runs] [dir]; exits 2 when setup fails,
// 1 when an output is incomplete.  e2e_prog -ccopy|-csel|-crdw IN OUT are
// the plain C loops.
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

using bench::fsize;
using bench::Med;
using bench::ctl;
using bench::shell;

// The plain C loops, each reading 1 MiB at a time: a copy; the selection
// of the lines whose first byte is "A" (memchr for the line ends, the lines
// copied into a 1 MiB output block); the same over RDW records (length + 4
// big-endian in the first two bytes).  0, or 1 on a failure.
int cloop(const char* mode, const char* from, const char* to) {
    int in = open(from, O_RDONLY), out = open(to, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) return 1;
    std::vector<char> ib(kMiB + 65536), ob(kMiB);
    long have = 0, olen = 0;
    ssize_t n;
    const bool copy = !std::strcmp(mode, "-ccopy"), rdw = !std::strcmp(mode, "-crdw");
    auto put = [&](const char* p, long len) {
        if (olen + len > static_cast<long>(ob.size())) {
            if (write(out, ob.data(), static_cast<size_t>(olen)) != olen) return false;
            olen = 0;
        }
        std::memcpy(ob.data() + olen, p, static_cast<size_t>(len));
        olen += len;
        return true;
    };
    while ((n = read(in, ib.data() + have, kMiB)) > 0) {
        if (copy) {
            if (write(out, ib.data(), static_cast<size_t>(n)) != n) return 1;
            continue;
        }
        have += n;
        const char* p = ib.data();
        const char* end = p + have;
        for (;;) {
            const char* q;
            if (rdw) {
                if (end - p < 4) break;
                long len = (static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]);
                if (len < 4) return 1;
                if (end - p < len) break;
                q = p + len;
                if (len > 4 && p[4] == 'A' && !put(p, len)) return 1;
            } else {
                const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
                if (!lf) break;
                q = lf + 1;
                if (*p == 'A' && !put(p, q - p)) return 1;
            }
            p = q;
        }
        have = end - p;
        std::memmove(ib.data(), p, static_cast<size_t>(have));
    }
    bool ok = n == 0 && (olen == 0 || write(out, ob.data(), static_cast<size_t>(olen)) == olen);
    return close(in) == 0 && close(out) == 0 && ok ? 0 : 1;
}

// Deterministic pseudo-random numbers.
unsigned long long g_seed = 88172645463325252ULL;
unsigned long long rnd() { return bench::xorshift(&g_seed); }

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

void line(const char* what, long bytes, long recs, const Med& t, double ref) {
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("  %-34s %7.1f MB/s (%6.1f-%6.1f) %6.2f M rec/s %6ld KiB", what, mb / t.secs, mb / t.max,
                mb / t.min, recs / t.secs / 1e6, t.rsskb);
    if (ref > 0) std::printf("  ref/this %5.2f", ref / t.secs);
    if (t.rc != 0) std::printf("  exit %d", t.rc);
    std::printf("\n");
}

// One job: the torvale run first, then its references, in turn; the
// lines printed with the ratios to the first reference (ref) and to the
// others.  Returns the torvale job's figures.
Med job(const std::string& dir, const char* title, long bytes, long recs, int runs, const std::string& tvcmd,
        const std::vector<std::pair<std::string, std::string>>& refs) {
    std::printf("%s\n", title);
    std::vector<std::string> cmds{tvcmd};
    for (const auto& r : refs) cmds.push_back(r.second);
    std::vector<std::string> clean(cmds.size(), "rm -f ref.out");
    clean[0] = "rm -f out.txt out.dat TORV.LST hex.lst";
    std::vector<Med> t = bench::alternate(dir, cmds, runs, clean);
    for (std::size_t i = 1; i < t.size(); ++i) line(refs[i - 1].first.c_str(), bytes, recs, t[i], 0);
    line("torvale", bytes, recs, t[0], t.size() > 1 ? t[1].secs : 0);
    for (std::size_t i = 2; i < t.size(); ++i)
        std::printf("     (ratio to %s %.2f)\n", refs[i - 1].first.c_str(), t[i].secs / t[0].secs);
    return t[0];
}

// The whole set at mb MB; the peak memory of the five torvale jobs in rss.
// False when the data cannot be made or an output is incomplete.
bool set(const std::string& self, const std::string& tv, const std::string& dir, long mb, int runs, long* rss) {
    long nlines = 0, nfix = 0;
    if (!makedata(dir, mb, &nlines, &nfix)) {
        std::fprintf(stderr, "e2e_prog: cannot write the data in %s\n", dir.c_str());
        return false;
    }
    long tb = fsize(dir + "/lines.txt"), vb = fsize(dir + "/rdw.dat"), fb = fsize(dir + "/f80.dat");
    std::printf("e2e at %ld MB, median of %d runs: text %ld bytes, %ld lines (20-180 bytes); RDW %ld bytes; "
                "F 80 %ld bytes, %ld records\n", mb, runs, tb, nlines, vb, fb, nfix);
    bool ok = ctl(dir, "copy.ctl", "READ lines.txt\nWRITE out.txt\n") &&
              ctl(dir, "sel.ctl", "READ lines.txt\nIF P 1 EQ 'A'\nTHEN WRITE out.txt\n") &&
              ctl(dir, "rdw.ctl", "READ rdw.dat RECFM V NOBDW LRECL 32760\nIF P 1 EQ 'A'\nTHEN WRITE out.dat RECFM V NOBDW LRECL 32760\n") &&
              ctl(dir, "f80.ctl", "READ f80.dat RECFM F LRECL 80\nWRITE out.dat RECFM FB LRECL 80 BLKSIZE 27920\n") &&
              ctl(dir, "hex.ctl", "READ hex.txt\nIF P 1 EQ 'A'\nTHEN PRINT TYPE H\n") &&
              shell(dir, "head -c 20000000 lines.txt > hex.txt").rc == 0;
    if (!ok) return false;
    shell(dir, "cat lines.txt rdw.dat f80.dat > /dev/null");  // warm the cache
    const std::string tv1 = "'" + tv + "' -ctl ", c = "'" + self + "' ";
    rss[0] = job(dir, "1. copy of text lines", tb, nlines, runs, tv1 + "copy.ctl 2>/dev/null",
                 {{"plain C copy, 1 MiB buffer", c + "-ccopy lines.txt ref.out"}, {"cat", "cat lines.txt > ref.out"}}).rsskb;
    ok = fsize(dir + "/out.txt") == tb;
    if (!ok) std::printf("check: the copy of text lines is incomplete\n");
    rss[1] = job(dir, "2. IF P 1 EQ 'A' THEN WRITE on text lines", tb, nlines, runs, tv1 + "sel.ctl 2>/dev/null",
                 {{"plain C selection", c + "-csel lines.txt ref.out"}, {"grep '^A'", "grep '^A' lines.txt > ref.out"},
                  {"mawk substr", "mawk 'substr($0,1,1)==\"A\"' lines.txt > ref.out"}}).rsskb;
    if (!bench::same(dir, "out.txt", "ref.out")) ok = false, std::printf("check: the selection differs\n");
    rss[2] = job(dir, "3. the same selection on RDW records", vb, nlines, runs, tv1 + "rdw.ctl 2>/dev/null",
                 {{"plain C loop over the RDWs", c + "-crdw rdw.dat ref.out"},
                  {"perl loop", "perl -e 'binmode STDIN; binmode STDOUT; while (read(STDIN, $h, 4) == 4) "
                                "{ $n = unpack(\"n\", $h) - 4; read(STDIN, $d, $n); print $h, $d if substr($d, 0, 1) eq \"A\"; }'"
                                " < rdw.dat > ref.out"}}).rsskb;
    if (!bench::same(dir, "out.dat", "ref.out")) ok = false, std::printf("check: the RDW selection differs\n");
    rss[3] = job(dir, "4. copy of F 80 records", fb, nfix, runs, tv1 + "f80.ctl 2>/dev/null",
                 {{"plain C copy, 1 MiB buffer", c + "-ccopy f80.dat ref.out"}}).rsskb;
    if (fsize(dir + "/out.dat") != fb) ok = false, std::printf("check: the F 80 copy is incomplete\n");
    long hb = fsize(dir + "/hex.txt");
    long hl = tb > 0 ? static_cast<long>(static_cast<double>(nlines) * hb / tb) : 0;
    rss[4] = job(dir, "5. IF P 1 EQ 'A' THEN PRINT TYPE H on 20 MB of text lines", hb, hl, runs,
                 tv1 + "hex.ctl -lst hex.lst 2>/dev/null", {{"xxd", "xxd hex.txt > ref.out"}}).rsskb;
    std::printf("check: outputs %s\n", ok ? "complete and equal to the references'" : "INCOMPLETE OR DIFFERENT");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && argv[1][0] == '-') return cloop(argv[1], argv[2], argv[3]);
    bench::Args ar;
    if (!bench::args(argc, argv, "e2e_prog", "/tmp/torvale-e2e-bench", &ar)) return 2;
    const std::string tv = ar.tv, dir = ar.dir;
    const long mb = ar.mb;
    const int runs = ar.runs;
    long small[5], big[5];
    bool ok = true;
    if (mb > 20) ok = set(argv[0], tv, dir, 20, runs, small);
    ok = set(argv[0], tv, dir, mb, runs, big) && ok;
    if (mb > 20) {
        std::printf("peak memory of the torvale jobs, KiB at 20 MB / at %ld MB:", mb);
        for (int i = 0; i < 5; ++i) std::printf(" %ld/%ld", small[i], big[i]);
        std::printf("\n");
    }
    std::string rm = "rm -rf '" + dir + "'";
    if (std::system(rm.c_str()) != 0) return 2;
    return ok ? 0 : 1;
}
