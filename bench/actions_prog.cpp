// Throughput of the record actions that users would otherwise do with dd,
// iconv or sed, on data the program makes itself (default 200 MB a file):
//   1. TRAN ASCII of an EBCDIC F 80 file, beside dd conv=ascii bs=1M and
//      iconv -f IBM037 -t ISO-8859-1;
//   2. CHANGE of a word in 81-byte lines (80 characters and LF), beside
//      sed 's/ALPHA/OMEGA/g'.
// The commands run in turn several times; each line gives the median
// MB/s of input (slowest and fastest run in brackets), the peak memory and the ratio of the reference's median
// time to the program's.  The outputs are compared with the references'.
//
// Usage: actions_prog <torvale> [MB] [runs] [dir]; exits 2 when setup
// fails, 1 when an output differs from its reference's.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "benchtime.h"
#include "runtime/runtime.h"

namespace {

using bench::ctl;
using bench::Med;

unsigned long long g_seed = 0x9E3779B97F4A7C15ULL;
unsigned long long rnd() { return bench::xorshift(&g_seed); }

// 80 characters of words: letters and digits between blanks, the word
// ALPHA about once in three lines.
void textline(char* r) {
    static const char* words[] = {"RECORD", "CUSTOMER", "ALPHA", "ORDER", "2026", "TOTAL", "ZONE", "K7", "ACCOUNT"};
    int i = 0;
    while (i < 80) {
        const char* w = words[rnd() % 9];
        for (; *w && i < 80; ++w) r[i++] = *w;
        if (i < 80) r[i++] = ' ';
    }
}

bool makedata(const std::string& dir, long mb, long* nrec) {
    FILE* e = std::fopen((dir + "/ebc.dat").c_str(), "wb");
    FILE* t = std::fopen((dir + "/lines.txt").c_str(), "wb");
    if (!e || !t) return false;
    *nrec = mb * (1L << 20) / 81;
    char r[81], x[80];
    r[80] = '\n';
    for (long n = 0; n < *nrec; ++n) {
        textline(r);
        cbltrtab(reinterpret_cast<unsigned char*>(x), reinterpret_cast<const unsigned char*>(r), 80, ttab_ae.data());
        std::fwrite(x, 1, 80, e);
        textline(r);
        std::fwrite(r, 1, 81, t);
    }
    return std::fclose(e) == 0 && std::fclose(t) == 0;
}

void line(const char* what, long bytes, const Med& t, double ref) {
    double mb = static_cast<double>(bytes) / 1e6;
    std::printf("  %-36s %7.1f MB/s (%6.1f-%6.1f) %6ld KiB", what, mb / t.secs, mb / t.max, mb / t.min, t.rsskb);
    if (ref > 0) std::printf("   ref/this %5.2f", ref / t.secs);
    if (t.rc != 0) std::printf("   exit %d", t.rc);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    bench::Args ar;
    if (!bench::args(argc, argv, "actions_prog", "/tmp/torvale-actions-bench", &ar)) return 2;
    const std::string tv = ar.tv, dir = ar.dir;
    const long mb = ar.mb;
    const int runs = ar.runs;
    long nrec = 0;
    if (!makedata(dir, mb, &nrec) ||
        !ctl(dir, "tran.ctl", "READ ebc.dat RECFM F LRECL 80\nTRAN ASCII P 1 LEN 80\nWRITE tv.asc RECFM F LRECL 80\n") ||
        !ctl(dir, "chg.ctl", "READ lines.txt\nCHANGE 'ALPHA' 'OMEGA'\nWRITE tv.txt NOTRUNC\n")) {
        std::fprintf(stderr, "actions_prog: cannot write the data in %s\n", dir.c_str());
        return 2;
    }
    long eb = bench::fsize(dir + "/ebc.dat"), tb = bench::fsize(dir + "/lines.txt");
    std::printf("actions: %ld records; EBCDIC F 80 %ld bytes, lines %ld bytes; median of %d runs each\n", nrec, eb,
                tb, runs);
    bench::shell(dir, "cat ebc.dat lines.txt > /dev/null");  // warm the cache
    std::string run = "'" + tv + "' -lst /dev/null -ctl ";

    std::printf("1. TRAN ASCII of EBCDIC F 80 records\n");
    std::vector<Med> t = bench::alternate(
        dir,
        {run + "tran.ctl 2>/dev/null", "dd if=ebc.dat of=dd.asc conv=ascii bs=1M status=none",
         "iconv -f IBM037 -t ISO-8859-1 ebc.dat > iconv.asc"},
        runs,
        {"rm -f tv.asc", "rm -f dd.asc", "rm -f iconv.asc"});
    line("dd conv=ascii bs=1M", eb, t[1], 0);
    line("iconv -f IBM037 -t ISO-8859-1", eb, t[2], 0);
    line("torvale TRAN ASCII", eb, t[0], t[1].secs);
    std::printf("     (ratio to iconv %.2f)\n", t[2].secs / t[0].secs);
    bool ok = bench::same(dir, "tv.asc", "dd.asc") && bench::same(dir, "tv.asc", "iconv.asc");
    if (!ok) std::printf("check: TRAN ASCII differs from dd or iconv\n");

    std::printf("2. CHANGE 'ALPHA' 'OMEGA' in 81-byte lines\n");
    t = bench::alternate(dir, {run + "chg.ctl 2>/dev/null", "sed 's/ALPHA/OMEGA/g' lines.txt > sed.txt"}, runs,
                         {"rm -f tv.txt", "rm -f sed.txt"});
    line("sed 's/ALPHA/OMEGA/g'", tb, t[1], 0);
    line("torvale CHANGE", tb, t[0], t[1].secs);
    if (!bench::same(dir, "tv.txt", "sed.txt")) ok = false, std::printf("check: CHANGE differs from sed\n");

    std::printf("check: outputs %s the references'\n", ok ? "equal" : "DIFFER FROM");
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) return 2;
    return ok ? 0 : 1;
}
