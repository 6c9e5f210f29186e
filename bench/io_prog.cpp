// Copy throughput of the record file layer: a file is copied record by
// record through cblfio read + write, beside "dd bs=1M" and a plain C copy
// with 1 MiB read/write buffers on the same file, in the same run.
//
// Cases (each file about 200 MB, made here):
//   text  lines of 80 characters and LF (81 bytes a record)
//   F80   fixed records of 80 bytes
//   VB    variable records of 20 to 200 data bytes, BLKSIZE 32760
// Each copy runs N times after a warm-up; the best run and the spread are
// shown as MB/s and records/s, with the ratio of the plain C copy's time.
// Every cblfio copy is compared with its input byte for byte.
//
// Usage: io_prog [MB per file, 200] [runs, 3] [directory, $TMPDIR or /tmp]
#include "driver/driver.h"
#include "files/files.h"
#include "runtime/runtime.h"

#include <fcntl.h>
#include <sys/resource.h>
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

BEGB beg;  // the run context, filled by cmvinit
GCCB gc{};
FFCB* fc = nullptr;

struct Case {
    const char* name;
    int recfm;
    std::int64_t lrecl, blk;
    std::uint32_t df;
};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

FFREC* def(const std::string& path, std::uint8_t mode, const Case& c) {
    FFREC* f = cblf_mak(fc);
    dsn_set(f, path.c_str(), 0);
    f->sflags |= FS_DSNPATH;
    f->mode = mode;
    f->recfm = c.recfm;
    f->lrecl = c.lrecl;
    f->bufsize = c.blk;
    f->dflags |= c.df | DF_NORDW | (c.blk ? DF_BLKSIZE : 0) | (c.lrecl ? DF_LRECL : 0);
    if (mode & FM_IN) f->sflags &= ~FS_TRUNC;
    return f;
}

// Make the input of a case through the file layer's writer: about mb MB.
std::int64_t make(const std::string& path, const Case& c, std::int64_t mb) {
    std::mt19937 rng(1);
    FFREC* f = def(path, FM_OUT, c);
    fc->ffrec = f;
    char rec[256];
    std::int64_t n = 0, bytes = 0, want = mb * 1000000;
    while (bytes < want) {
        std::int64_t len = c.recfm == RF_VAR ? 20 + rng() % 181 : 80;
        for (std::int64_t i = 0; i < len; i++) rec[i] = static_cast<char>('A' + (n + i) % 26);
        if (!cblfio(fc, F_WRITE, rec, len)) return -1;
        bytes += len + (c.recfm == RF_LINE ? 1 : c.recfm == RF_VAR ? 4 : 0);
        n++;
    }
    cblfio(fc, F_CLOSE, nullptr, 0);
    return fc->errm ? -1 : n;
}

// Copy through cblfio: records read as pointer and length, written back.
std::int64_t fiocopy(const std::string& in, const std::string& out, const Case& c) {
    ::unlink(out.c_str());
    FFREC* i = def(in, FM_IN, c);
    FFREC* o = def(out, FM_OUT, c);
    FFCB ri = *fc, wo = *fc;
    ri.ffrec = i;
    wo.ffrec = o;
    std::int64_t n = 0;
    while (char* r = cblfio(&ri, F_READ, nullptr, 0)) {
        if (!cblfio(&wo, F_WRITE, r, i->reclen)) return -1;
        n++;
    }
    if (ri.errm) return -1;
    cblfio(&wo, F_CLOSE, nullptr, 0);
    return wo.errm ? -1 : n;
}

// The plain C reference: 1 MiB read, 1 MiB write.
std::int64_t ccopy(const std::string& in, const std::string& out) {
    ::unlink(out.c_str());
    int a = ::open(in.c_str(), O_RDONLY), b = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (a < 0 || b < 0) return -1;
    static std::vector<char> buf(1 << 20);
    ssize_t n;
    std::int64_t total = 0;
    while ((n = ::read(a, buf.data(), buf.size())) > 0) {
        if (::write(b, buf.data(), static_cast<size_t>(n)) != n) return -1;
        total += n;
    }
    ::close(a);
    return ::close(b) == 0 && n == 0 ? total : -1;
}

std::int64_t ddcopy(const std::string& in, const std::string& out) {
    ::unlink(out.c_str());
    std::string cmd = "dd if='" + in + "' of='" + out + "' bs=1M status=none";
    return std::system(cmd.c_str()) == 0 ? 1 : -1;
}

bool same(const std::string& a, const std::string& b) {
    FILE* x = std::fopen(a.c_str(), "rb");
    FILE* y = std::fopen(b.c_str(), "rb");
    bool ok = x && y;
    static std::vector<char> p(1 << 20), q(1 << 20);
    while (ok) {
        std::size_t m = std::fread(p.data(), 1, p.size(), x), n = std::fread(q.data(), 1, q.size(), y);
        ok = m == n && std::memcmp(p.data(), q.data(), m) == 0;
        if (m == 0) break;
    }
    if (x) std::fclose(x);
    if (y) std::fclose(y);
    return ok;
}

// Processor time (user and system) of this process and its children.
double cpu() {
    struct rusage a, b;
    getrusage(RUSAGE_SELF, &a);
    getrusage(RUSAGE_CHILDREN, &b);
    auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return sec(a.ru_utime) + sec(a.ru_stime) + sec(b.ru_utime) + sec(b.ru_stime);
}

struct Timing {
    double best = 1e30, worst = 0;  // elapsed seconds
    double cpu = 1e30;              // least processor seconds of a run
};

// One timed run, added to t; the disk is synced first so that writing
// left over from the run before does not slow this one.
template <class F> bool timed(Timing& t, F f) {
    ::sync();
    double s = now(), c = cpu();
    if (f() < 0) return false;
    double d = now() - s;
    t.cpu = std::min(t.cpu, cpu() - c);
    t.best = std::min(t.best, d);
    t.worst = std::max(t.worst, d);
    return true;
}

long maxrss_kb() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t mb = 200;
    int runs = 3;
    if (argc > 1) std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), mb);
    if (argc > 2) std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), runs);
    const char* tmp = argc > 3 ? argv[3] : std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string dir = std::string(tmp) + "/torvale-io-" + std::to_string(getpid());
    if (mb < 1 || runs < 1 || ::mkdir(dir.c_str(), 0755) != 0) {
        std::fprintf(stderr, "io_prog: cannot set up in %s\n", dir.c_str());
        return 2;
    }
    cm = cmvinit(&beg, &gc);
    fc = cblf_fcb(cm);
    const Case cases[] = {
        {"text", RF_LINE, 0, 0, 0},
        {"F80", RF_FIXED, 80, 27920, 0},
        {"VB", RF_VAR, 204, 32760, 0},
    };
    std::printf("io: %lld MB a file, best of %d runs after a warm-up, in %s\n",
                static_cast<long long>(mb), runs, dir.c_str());
    std::printf("%-6s %-9s %10s %9s %12s %8s %8s %8s\n", "case", "copy", "records", "MB/s", "records/s",
                "spread", "cpu s", "C/this");
    int rc = 0;
    for (const Case& c : cases) {
        std::string in = dir + "/" + c.name + ".in", out = dir + "/" + c.name + ".out";
        std::int64_t recs = make(in, c, mb);
        struct stat st;
        if (recs < 0 || ::stat(in.c_str(), &st) != 0) {
            std::fprintf(stderr, "io_prog: cannot make %s\n", in.c_str());
            rc = 2;
            break;
        }
        double mbytes = static_cast<double>(st.st_size) / 1e6;
        // Warm up, then take turns, so that all three meet the same conditions.
        Timing cc, dd, fio;
        bool ok = ccopy(in, out) >= 0 && ddcopy(in, out) >= 0 && fiocopy(in, out, c) >= 0;
        long rss0 = maxrss_kb();
        for (int i = 0; ok && i < runs; i++)
            ok = timed(cc, [&] { return ccopy(in, out); }) && timed(dd, [&] { return ddcopy(in, out); }) &&
                 timed(fio, [&] { return fiocopy(in, out, c); });
        long rss1 = maxrss_kb();
        ok = ok && same(in, out);
        auto line = [&](const char* what, const Timing& t) {
            std::printf("%-6s %-9s %10lld %9.0f %12.0f %7.0f%% %8.3f %8.2f\n", c.name, what,
                        static_cast<long long>(recs), mbytes / t.best, static_cast<double>(recs) / t.best,
                        100.0 * (t.worst - t.best) / t.best, t.cpu, cc.best / t.best);
        };
        line("C 1MiB", cc);
        line("dd bs=1M", dd);
        line("cblfio", fio);
        std::printf("%-6s cblfio/C %.2fx elapsed, %.2fx cpu; cblfio/dd %.2fx elapsed; output %s; peak RSS +%ld KiB\n",
                    c.name, fio.best / cc.best, fio.cpu / cc.cpu, fio.best / dd.best, ok ? "identical" : "DIFFERS",
                    rss1 - rss0);
        if (!ok) rc = 1;
        ::unlink(in.c_str());
        ::unlink(out.c_str());
    }
    cblf_kil(fc, KIL_FILES);
    ::rmdir(dir.c_str());
    return rc;
}
