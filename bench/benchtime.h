// Timing helpers shared by the standalone throughput programs: a clock in
// seconds, best and worst of N timed runs after a warm-up, a file's size,
// a shell command timed as a whole process with its peak memory, and the
// median of commands run in alternation.
#pragma once
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Stats {
    double best, worst;  // seconds of the fastest and the slowest run
};

// Run f (which returns its seconds) once to warm up, then `runs` times.
template <class F> Stats timed(int runs, F f) {
    f();
    Stats s{1e30, 0};
    for (int i = 0; i < runs; i++) {
        double t = f();
        s.best = std::min(s.best, t);
        s.worst = std::max(s.worst, t);
    }
    return s;
}

// Bytes of the file at path, -1 when it cannot be examined.
inline long fsize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// Write text as the file dir/name (a control file); false on failure.
inline bool ctl(const std::string& dir, const char* name, const char* text) {
    std::FILE* f = std::fopen((dir + "/" + name).c_str(), "w");
    return f && std::fputs(text, f) >= 0 && std::fclose(f) == 0;
}

// One whole process: wall time, peak resident memory, exit status.
struct Timing {
    double secs;  // wall time
    long   rsskb; // peak resident memory of the child, KiB
    int    rc;    // exit status
};

// Run a shell command in dir; its wall time and peak memory.
inline Timing shell(const std::string& dir, const std::string& cmd) {
    double t0 = now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int st = 0;
    struct rusage ru;
    std::memset(&ru, 0, sizeof ru);
    wait4(pid, &st, 0, &ru);
    return {now() - t0, ru.ru_maxrss, WIFEXITED(st) ? WEXITSTATUS(st) : -1};
}

// The median, fastest and slowest wall time of a command run several
// times, its largest peak memory and its first non-zero exit status.
struct Med {
    double secs, min, max;
    long   rsskb;
    int    rc;
};

// The commands run `runs` times in turn (A B C, A B C, ...); before each
// run of command i, clean[i] when given (not timed), e.g. to remove its
// outputs.
inline std::vector<Med> alternate(const std::string& dir, const std::vector<std::string>& cmds, int runs,
                                  const std::vector<std::string>& clean = {}) {
    std::vector<std::vector<double>> secs(cmds.size());
    std::vector<Med> out(cmds.size(), Med{0, 0, 0, 0, 0});
    for (int r = 0; r < runs; ++r)
        for (std::size_t i = 0; i < cmds.size(); ++i) {
            if (i < clean.size() && !clean[i].empty()) shell(dir, clean[i]);
            Timing t = shell(dir, cmds[i]);
            secs[i].push_back(t.secs);
            out[i].rsskb = std::max(out[i].rsskb, t.rsskb);
            if (!out[i].rc) out[i].rc = t.rc;
        }
    for (std::size_t i = 0; i < cmds.size(); ++i) {
        std::vector<double>& v = secs[i];
        std::sort(v.begin(), v.end());
        std::size_t n = v.size();
        out[i].secs = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        out[i].min = v.front();
        out[i].max = v.back();
    }
    return out;
}

// The next of a deterministic sequence of pseudo-random numbers (xorshift)
// kept in *s, for the data the programs make.
inline unsigned long long xorshift(unsigned long long* s) {
    *s ^= *s << 13;
    *s ^= *s >> 7;
    *s ^= *s << 17;
    return *s;
}

// Whether the files a and b in dir are equal (cmp).
inline bool same(const std::string& dir, const std::string& a, const std::string& b) {
    return shell(dir, "cmp -s " + a + " " + b).rc == 0;
}

// The command line of a throughput program: <torvale> [MB] [runs] [dir],
// 200 MB and 5 runs unless given; the directory is made.  False (usage
// printed) when it cannot be used.
struct Args {
    std::string tv, dir;
    long mb;
    int runs;
};
inline bool args(int argc, char** argv, const char* prog, const char* defdir, Args* a) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <torvale> [MB] [runs] [dir]\n", prog);
        return false;
    }
    a->tv = argv[1];
    a->mb = argc > 2 ? std::atol(argv[2]) : 200;
    a->runs = argc > 3 ? std::atoi(argv[3]) : 5;
    a->dir = argc > 4 ? argv[4] : defdir;
    return a->mb >= 1 && a->runs >= 1 && std::system(("mkdir -p '" + a->dir + "'").c_str()) == 0;
}

}  // namespace bench
