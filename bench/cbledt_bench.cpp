// Editing of 64-bit integers through "SS,SSS,SSS,SS9" (the summary's
// counter pattern), beside two plain references in the same run:
// std::to_chars of the same values and snprintf "%+14lld".  The figures are
// values per second; the ratio to the references is the price of the
// pattern (grouping, floating sign, overflow check).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <vector>

#include "runtime/runtime.h"

namespace {

constexpr int kValues = 4096;  // values edited per iteration
constexpr char kPattern[] = "SS,SSS,SSS,SS9";
constexpr int kWidth = sizeof kPattern - 1;  // 14

// Values of every magnitude from 1 to 10 digits, both signs, so the
// digit loop does not always run the same length.
std::vector<long long> values() {
    std::vector<long long> v(kValues);
    unsigned long long x = 12345;
    long long p10[11] = {1};
    for (int i = 1; i < 11; ++i) p10[i] = p10[i - 1] * 10;
    for (int i = 0; i < kValues; ++i) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        long long m = static_cast<long long>((x >> 20) % static_cast<unsigned long long>(p10[1 + i % 10]));
        v[static_cast<std::size_t>(i)] = (x >> 63) ? -m : m;
    }
    return v;
}

void BM_cbledtb(benchmark::State& st) {
    std::vector<long long> v = values();
    char out[kWidth];
    for (auto _ : st) {
        for (long long x : v) {
            int rc = cbledtb(out, kWidth, kPattern, x);
            benchmark::DoNotOptimize(rc);
            benchmark::DoNotOptimize(out);
        }
    }
    st.SetItemsProcessed(st.iterations() * kValues);
}

void BM_ref_to_chars(benchmark::State& st) {
    std::vector<long long> v = values();
    char out[24];
    for (auto _ : st) {
        for (long long x : v) {
            auto r = std::to_chars(out, out + sizeof out, x);
            benchmark::DoNotOptimize(r.ptr);
            benchmark::DoNotOptimize(out);
        }
    }
    st.SetItemsProcessed(st.iterations() * kValues);
}

void BM_ref_snprintf(benchmark::State& st) {
    std::vector<long long> v = values();
    char out[24];
    for (auto _ : st) {
        for (long long x : v) {
            int n = std::snprintf(out, sizeof out, "%+14lld", x);
            benchmark::DoNotOptimize(n);
            benchmark::DoNotOptimize(out);
        }
    }
    st.SetItemsProcessed(st.iterations() * kValues);
}

double minimum(const std::vector<double>& v) {
    double m = v.empty() ? 0 : v[0];
    for (double x : v) m = x < m ? x : m;
    return m;
}

}  // namespace

BENCHMARK(BM_cbledtb)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_to_chars)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_snprintf)->Repetitions(5)->ComputeStatistics("min", minimum);

int main(int argc, char** argv) {
    char probe[kWidth];
    if (cbledtb(probe, kWidth, kPattern, 1234567) != 0) {
        std::fprintf(stderr, "cbledt_bench: the pattern does not edit 1234567\n");
        return 1;
    }
    std::printf("cbledt_bench: %d values of 1 to 10 digits, both signs, through \"%s\" (%d bytes), "
                "beside std::to_chars and snprintf; 5 repetitions each\n",
                kValues, kPattern, kWidth);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
