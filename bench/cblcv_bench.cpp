// Conversions of the record loop: packed to integer (cvpb), integer to
// packed (cvbp) and zoned to integer (cvcb on EBCDIC zoned fields), each
// beside a plain reference loop in the same run that does the same work
// without any checking (no nibble or sign validation, no range checks).
// 4,096 fields a pass; the figures are fields per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/runtime.h"

namespace {

constexpr int kFields = 4096;
constexpr int kPackLen = 8;    // packed bytes: 15 digits and the sign
constexpr int kZonedLen = 12;  // zoned bytes: 12 digits

// Values of 1 to 15 digits, half of them negative.
std::vector<long long> values() {
    std::vector<long long> v(kFields);
    unsigned long long x = 88172645463325252ULL;
    for (int i = 0; i < kFields; i++) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        long long m = static_cast<long long>(x % 999999999999999ULL) >> (x % 45);
        v[static_cast<std::size_t>(i)] = (x & 1) ? -m : m;
    }
    return v;
}

std::vector<char> packed() {
    std::vector<long long> v = values();
    std::vector<char> p(static_cast<std::size_t>(kFields) * kPackLen);
    for (int i = 0; i < kFields; i++) {
        if (cvbp(&p[static_cast<std::size_t>(i) * kPackLen], kPackLen, 0, v[static_cast<std::size_t>(i)]) != 0) {
            std::fprintf(stderr, "cblcv_bench: setup failed\n");
            std::exit(1);
        }
    }
    return p;
}

// EBCDIC zoned: F0-F9 digits, the last byte's zone C or D.
std::vector<char> zoned() {
    std::vector<long long> v = values();
    std::vector<char> z(static_cast<std::size_t>(kFields) * kZonedLen);
    for (int i = 0; i < kFields; i++) {
        long long x = v[static_cast<std::size_t>(i)] % 1000000000000LL;
        unsigned long long m = x < 0 ? static_cast<unsigned long long>(-x) : static_cast<unsigned long long>(x);
        char* f = &z[static_cast<std::size_t>(i) * kZonedLen];
        for (int k = kZonedLen - 1; k >= 0; --k, m /= 10) f[k] = static_cast<char>(0xF0 | (m % 10));
        f[kZonedLen - 1] = static_cast<char>((f[kZonedLen - 1] & 0x0F) | (x < 0 ? 0xD0 : 0xC0));
    }
    return z;
}

void BM_cvpb(benchmark::State& st) {
    std::vector<char> p = packed();
    for (auto _ : st) {
        long long sum = 0, v = 0;
        for (int i = 0; i < kFields; i++) {
            cvpb(&v, &p[static_cast<std::size_t>(i) * kPackLen], kPackLen, 0);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

void BM_ref_packed_to_int(benchmark::State& st) {
    std::vector<char> p = packed();
    for (auto _ : st) {
        long long sum = 0;
        for (int i = 0; i < kFields; i++) {
            const unsigned char* f = reinterpret_cast<const unsigned char*>(&p[static_cast<std::size_t>(i) * kPackLen]);
            long long v = 0;
            for (int k = 0; k < kPackLen - 1; k++) v = v * 100 + (f[k] >> 4) * 10 + (f[k] & 15);
            v = v * 10 + (f[kPackLen - 1] >> 4);
            sum += (f[kPackLen - 1] & 15) == 0x0D ? -v : v;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

void BM_cvbp(benchmark::State& st) {
    std::vector<long long> v = values();
    std::vector<char> p(static_cast<std::size_t>(kFields) * kPackLen);
    for (auto _ : st) {
        for (int i = 0; i < kFields; i++) {
            cvbp(&p[static_cast<std::size_t>(i) * kPackLen], kPackLen, 0, v[static_cast<std::size_t>(i)]);
        }
        benchmark::DoNotOptimize(p.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

void BM_ref_int_to_packed(benchmark::State& st) {
    std::vector<long long> v = values();
    std::vector<char> p(static_cast<std::size_t>(kFields) * kPackLen);
    for (auto _ : st) {
        for (int i = 0; i < kFields; i++) {
            long long x = v[static_cast<std::size_t>(i)];
            unsigned long long m = x < 0 ? 0ULL - static_cast<unsigned long long>(x) : static_cast<unsigned long long>(x);
            unsigned char* f = reinterpret_cast<unsigned char*>(&p[static_cast<std::size_t>(i) * kPackLen]);
            f[kPackLen - 1] = static_cast<unsigned char>((m % 10) << 4 | (x < 0 ? 0x0D : 0x0C));
            m /= 10;
            for (int k = kPackLen - 2; k >= 0; k--, m /= 100) {
                f[k] = static_cast<unsigned char>((m / 10 % 10) << 4 | m % 10);
            }
        }
        benchmark::DoNotOptimize(p.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

void BM_cvcb_zoned(benchmark::State& st) {
    std::vector<char> z = zoned();
    for (auto _ : st) {
        long long sum = 0, v = 0;
        for (int i = 0; i < kFields; i++) {
            cvcb(&v, &z[static_cast<std::size_t>(i) * kZonedLen], kZonedLen | CV_ZONED);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

void BM_ref_zoned_to_int(benchmark::State& st) {
    std::vector<char> z = zoned();
    for (auto _ : st) {
        long long sum = 0;
        for (int i = 0; i < kFields; i++) {
            const unsigned char* f = reinterpret_cast<const unsigned char*>(&z[static_cast<std::size_t>(i) * kZonedLen]);
            long long v = 0;
            for (int k = 0; k < kZonedLen; k++) v = v * 10 + (f[k] & 15);
            sum += (f[kZonedLen - 1] >> 4) == 0x0D ? -v : v;
        }
        benchmark::DoNotOptimize(sum);
    }
    st.SetItemsProcessed(st.iterations() * kFields);
}

double minimum(const std::vector<double>& v) {
    double m = v.empty() ? 0 : v[0];
    for (double x : v) m = x < m ? x : m;
    return m;
}

}  // namespace

BENCHMARK(BM_cvpb)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_packed_to_int)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_cvbp)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_int_to_packed)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_cvcb_zoned)->Repetitions(5)->ComputeStatistics("min", minimum);
BENCHMARK(BM_ref_zoned_to_int)->Repetitions(5)->ComputeStatistics("min", minimum);

int main(int argc, char** argv) {
    std::printf("cblcv_bench: %d fields a pass: packed %d bytes, zoned %d bytes, "
                "values of 1 to 15 digits; 5 repetitions each\n", kFields, kPackLen, kZonedLen);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
