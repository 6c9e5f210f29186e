// Translation of a 1 MiB buffer through the ASCII-to-EBCDIC table, beside
// two plain references in the same run: memcpy of the same buffer, and a
// byte-by-byte copy loop.  Table translation should run at memory speed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/runtime.h"

namespace {

constexpr long kBytes = 1L << 20;  // 1 MiB

// Mixed bytes: text, digits and every other byte value, so the table
// look-ups do not all hit one cache line.
std::vector<unsigned char> source() {
    std::vector<unsigned char> v(kBytes);
    unsigned x = 12345;
    for (long i = 0; i < kBytes; i++) {
        x = x * 1103515245u + 12345u;
        v[static_cast<std::size_t>(i)] = static_cast<unsigned char>(x >> 16);
    }
    return v;
}

// Argument 0: into a second buffer; 1: in place.
void BM_ttab_ae(benchmark::State& st) {
    std::vector<unsigned char> src = source(), dst(kBytes);
    unsigned char* out = st.range(0) ? src.data() : dst.data();
    for (auto _ : st) {
        cbltrtab(out, src.data(), kBytes, ttab_ae.data());
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * kBytes);
}

void BM_ref_memcpy(benchmark::State& st) {
    std::vector<unsigned char> src = source(), dst(kBytes);
    for (auto _ : st) {
        std::memcpy(dst.data(), src.data(), kBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * kBytes);
}

// A byte loop the compiler may not turn into memcpy or vector code:
// the reference for "one load and one store a byte".
void BM_ref_byteloop(benchmark::State& st) {
    std::vector<unsigned char> src = source(), dst(kBytes);
    for (auto _ : st) {
        const unsigned char* s = src.data();
        unsigned char* d = dst.data();
        for (long i = 0; i < kBytes; i++) {
            unsigned char b = s[i];
            benchmark::DoNotOptimize(b);
            d[i] = b;
        }
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * kBytes);
}

double minimum(const std::vector<double>& v) {
    double m = v.empty() ? 0 : v[0];
    for (double x : v) m = x < m ? x : m;
    return m;
}

}  // namespace

BENCHMARK(BM_ttab_ae)->Arg(0)->Arg(1)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_memcpy)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_byteloop)->Repetitions(5)->ComputeStatistics("min", minimum);

int main(int argc, char** argv) {
    std::printf("cbltran_bench: one buffer of %ld bytes (1 MiB) through ttab_ae, "
                "beside memcpy and a byte loop; 5 repetitions each\n", kBytes);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
