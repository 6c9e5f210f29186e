// Timing helpers shared by the standalone throughput programs: a clock in
// seconds, best and worst of N timed runs after a warm-up, a file's size.
#pragma once
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>

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

}  // namespace bench
