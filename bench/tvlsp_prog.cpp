// Throughput of PRINT TYPE H (records in vertical hexadecimal, two lines
// a record) beside "xxd" of the same file.
//
// The data are 20 MB of text lines of 80 bytes (79 characters and a line
// feed), every one beginning with "A", so that a selection on POS 1 EQ 'A'
// prints every record and both sides print all the data.  Two ways are
// timed:
//   action   the PRINT action alone: tvlsp called once per record in hand,
//            writing the listing (selection loop and input not included);
//   run      when the path of the built program is given, the whole run
//            READ / IF POS 1 EQ 'A' / THEN PRINT TYPE H.
// Each runs N times after a warm-up; the best run and the spread are shown
// as MB/s of input, with the ratio of xxd's time (above 1: faster).
//
// Usage: tvlsp_prog [MB, 20] [runs, 5] [program, none] [directory, $TMPDIR or /tmp]
#include "driver/driver.h"
#include "engine/engine.h"
#include "files/files.h"
#include "frontend/frontend.h"
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
#include <string>
#include <vector>

namespace {

using bench::fsize;
using bench::now;
using bench::Stats;
using bench::timed;

constexpr long kLine = 80;  // bytes of a text line, line feed included

long number(const char* text) {
    long v = 0;
    auto [p, ec] = std::from_chars(text, text + std::strlen(text), v);
    if (ec != std::errc{} || *p || v <= 0) {
        std::fprintf(stderr, "bad argument: %s\n", text);
        std::exit(2);
    }
    return v;
}

// Run a shell command; its seconds.  A failing command ends the benchmark.
double shell(const std::string& cmd) {
    double t0 = now();
    int rc = std::system(cmd.c_str());
    double t = now() - t0;
    if (rc != 0) {
        std::fprintf(stderr, "failed (status %d): %s\n", rc, cmd.c_str());
        std::exit(1);
    }
    return t;
}

// One pass of the PRINT action over every line of data, into the listing
// lst; its seconds.
double actionpass(const std::vector<char>& data, const std::string& lst) {
    GCCB gc{};
    static BEGB beg;
    CMV& c = *cmvinit(&beg, &gc);
    CN n{};
    cbldate(c.datep, nullptr, 0);
    std::string name = lst;
    c.lstname = name.data();
    cm = &c;
    n.typ1 = CN_NOW;
    n.typ2 = OP_PRINT;
    n.sub = PT_HEX;
    n.selid = 1;
    c.cncur = &n;
    double t0 = now();
    for (std::size_t off = 0; off < data.size(); off += kLine) {
        c.currec = reinterpret_cast<unsigned char*>(const_cast<char*>(data.data() + off));
        c.curlen = kLine - 1;
        n.cnt++;
        tvlsp(&c);
    }
    tvlprt(nullptr, 0, PT_CLOSE, 0);
    double t = now() - t0;
    FFCB all{};
    all.cmv = &c;
    cblf_kil(&all, KIL_FILES);
    cm = nullptr;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    const long mb = argc > 1 ? number(argv[1]) : 20;
    const int runs = static_cast<int>(argc > 2 ? number(argv[2]) : 5);
    const std::string prog = argc > 3 ? argv[3] : "";
    const char* tmp = argc > 4 ? argv[4] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    const std::string dir = std::string(tmp) + "/tvlsp-bench-" + std::to_string(getpid());
    if (mkdir(dir.c_str(), 0755) != 0) {
        std::perror(dir.c_str());
        return 1;
    }
    const long lines = mb * 1000 * 1000 / kLine;
    std::vector<char> data(static_cast<size_t>(lines * kLine));
    for (long i = 0; i < lines; i++) {
        char* l = data.data() + i * kLine;
        for (long k = 0; k < kLine - 1; k++) l[k] = static_cast<char>(' ' + (i * 7 + k * 13) % 95);
        l[0] = 'A';
        l[kLine - 1] = '\n';
    }
    const std::string in = dir + "/in.txt", lst = dir + "/TORV.LST", xo = dir + "/xxd.out",
                      ctl = dir + "/hex.ctl";
    FILE* f = std::fopen(in.c_str(), "wb");
    if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) {
        std::perror(in.c_str());
        return 1;
    }
    const double bytes = static_cast<double>(data.size());
    std::printf("PRINT TYPE H of %ld lines of %ld bytes (%.0f bytes), best of %d\n", lines, kLine, bytes, runs);
    auto show = [&](const char* what, Stats s, const std::string& out) {
        std::printf("%-8s %8.1f MB/s  best %.3f s  spread %.1f%%  output %ld bytes\n", what, bytes / s.best / 1e6,
                    s.best, 100.0 * (s.worst - s.best) / s.best, fsize(out));
    };
    Stats x = timed(runs, [&] { return shell("xxd '" + in + "' > '" + xo + "'"); });
    Stats a = timed(runs, [&] { return actionpass(data, lst); });
    show("xxd", x, xo);
    show("action", a, lst);
    std::printf("ratio xxd/action time: %.2f\n", x.best / a.best);
    if (!prog.empty()) {
        FILE* cf = std::fopen(ctl.c_str(), "w");
        if (!cf || std::fputs("READ in.txt\nIF POS 1 EQ 'A'\nTHEN PRINT TYPE H\nEND\n", cf) < 0 ||
            std::fclose(cf) != 0) {
            std::perror(ctl.c_str());
            return 1;
        }
        Stats r = timed(runs, [&] { return shell("cd '" + dir + "' && '" + prog + "' -ctl hex.ctl -log log"); });
        show("run", r, lst);
        std::printf("ratio xxd/run time: %.2f\n", x.best / r.best);
    }
    for (const char* name : {"/in.txt", "/TORV.LST", "/xxd.out", "/hex.ctl", "/log"}) unlink((dir + name).c_str());
    rmdir(dir.c_str());
    return 0;
}
