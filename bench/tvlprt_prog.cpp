// Hexadecimal dump throughput of the print listing: 20 MB of data printed
// through tvlprt as dump records (type 14, hexadecimal and characters, 32
// bytes a line at heading width 132), beside "xxd" of the same bytes, in
// the same run.  Both write their output to a file in the same directory.
//
// The data are pseudo-random bytes, so that no dump line is folded into a
// "=same=" line and both programs print every byte.  Each side runs N times
// after a warm-up; the best run and the spread are shown as MB/s of input
// and records per second, with the ratio of xxd's time to tvlprt's.
//
// Usage: tvlprt_prog [MB, 20] [record length, 32768] [runs, 5] [directory, $TMPDIR or /tmp]
#include "driver/driver.h"
#include "files/files.h"
#include "report/report.h"
#include "runtime/runtime.h"
#include "bench/benchtime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using bench::fsize;
using bench::now;
using bench::Stats;
using bench::timed;

long arg(int argc, char** argv, int i, long dflt) {
    if (argc <= i) return dflt;
    long v = 0;
    auto [p, ec] = std::from_chars(argv[i], argv[i] + std::strlen(argv[i]), v);
    if (ec != std::errc{} || *p || v <= 0) {
        std::fprintf(stderr, "bad argument: %s\n", argv[i]);
        std::exit(2);
    }
    return v;
}

// One pass of tvlprt over the data, into a fresh listing; its seconds.
double dumppass(const std::vector<unsigned char>& data, long reclen, std::string& lst) {
    GCCB gc{};
    static BEGB beg;
    CMV& c = *cmvinit(&beg, &gc);
    c.optp->pagedepth = 1 << 30;  // one page: the heading once, as xxd has none
    cbldate(c.datep, nullptr, 0);
    c.lstname = lst.data();
    cm = &c;
    double t0 = now();
    long n = static_cast<long>(data.size());
    for (long off = 0; off < n; off += reclen) {
        c.prt.inrecs++;
        int len = static_cast<int>(std::min(reclen, n - off));
        tvlprt(reinterpret_cast<const char*>(data.data() + off), len, PT_DUMP, 0);
    }
    tvlprt(nullptr, 0, PT_CLOSE, 0);
    double t = now() - t0;
    FFCB all{};
    all.cmv = &c;
    cblf_kil(&all, KIL_FILES);
    cm = nullptr;
    return t;
}

double xxdpass(const std::string& in, const std::string& out) {
    std::string cmd = "xxd '" + in + "' > '" + out + "'";
    double t0 = now();
    int rc = std::system(cmd.c_str());
    double t = now() - t0;
    if (rc != 0) {
        std::fprintf(stderr, "xxd failed (status %d)\n", rc);
        std::exit(1);
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const long mb = arg(argc, argv, 1, 20), reclen = arg(argc, argv, 2, 32768);
    const int runs = static_cast<int>(arg(argc, argv, 3, 5));
    const char* tmp = argc > 4 ? argv[4] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    const std::string dir = std::string(tmp) + "/tvlprt-bench-" + std::to_string(getpid());
    if (mkdir(dir.c_str(), 0755) != 0) {
        std::perror(dir.c_str());
        return 1;
    }
    const long bytes = mb * 1000 * 1000;
    std::vector<unsigned char> data(static_cast<size_t>(bytes));
    std::mt19937_64 g(20261207);
    for (long i = 0; i < bytes; i += 8) {
        std::uint64_t v = g();
        std::memcpy(data.data() + i, &v, static_cast<size_t>(std::min(8L, bytes - i)));
    }
    const std::string in = dir + "/data.bin", lst = dir + "/dump.lst", xo = dir + "/xxd.out";
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) {
        std::perror(in.c_str());
        return 1;
    }
    const long recs = (bytes + reclen - 1) / reclen;
    std::printf("hex dump of %ld bytes: %ld records of %ld bytes (type 14, width 132), best of %d\n", bytes,
                recs, reclen, runs);
    std::string lstname = lst;
    Stats d = timed(runs, [&] { return dumppass(data, reclen, lstname); });
    Stats x = timed(runs, [&] { return xxdpass(in, xo); });
    auto show = [&](const char* name, Stats s, const std::string& out) {
        std::printf("%-8s %8.1f MB/s  %10.0f records/s  best %.3f s  spread %.1f%%  output %ld bytes\n", name,
                    bytes / s.best / 1e6, recs / s.best, s.best, 100.0 * (s.worst - s.best) / s.best, fsize(out));
    };
    show("tvlprt", d, lst);
    show("xxd", x, xo);
    std::printf("ratio xxd/tvlprt time: %.2f (above 1: tvlprt is faster)\n", x.best / d.best);
    unlink(in.c_str());
    unlink(lst.c_str());
    unlink(xo.c_str());
    rmdir(dir.c_str());
    return 0;
}
