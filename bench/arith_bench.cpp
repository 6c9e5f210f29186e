// The engine's exact arithmetic on packed fields, beside a plain __int128
// loop doing the same work on the same values in the same run:
//   - ADD of a 3-byte packed field into a 5-byte one, the sum stored into
//     a 6-byte packed result (pdaget, arcalc, pdaput);
//   - a decimal MULT: 5-byte packed with 2 decimals times 5-byte packed
//     with 3 decimals, into an 8-byte packed result of 2 decimals (the
//     product rounded once, half away from zero).
// The reference reads the nibbles into an __int128, computes, rounds and
// writes the packed result with a plain loop.  Before timing, every
// result of both is compared; a difference stops the benchmark with an
// error.  The figures are operations per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "frontend/frontend.h"
#include "frontend/optab.h"
#include "runtime/runtime.h"

namespace {

using i128 = __int128;

constexpr int kPairs = 4096;  // operations per iteration

// The packed encoding of v in n bytes (sign C or D).
void pk(unsigned char* p, int n, long long v) {
    unsigned long long m = v < 0 ? -static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    p[n - 1] = static_cast<unsigned char>((m % 10) << 4 | (v < 0 ? 0xD : 0xC));
    m /= 10;
    for (int i = n - 2; i >= 0; --i, m /= 100) p[i] = static_cast<unsigned char>((m / 10 % 10) << 4 | m % 10);
}

// The reference's reading of a valid packed field.
i128 unpk(const unsigned char* p, int n) {
    i128 x = 0;
    for (int i = 0; i < n - 1; ++i) x = x * 100 + (p[i] >> 4) * 10 + (p[i] & 15);
    x = x * 10 + (p[n - 1] >> 4);
    unsigned s = p[n - 1] & 15u;
    return s == 0xB || s == 0xD ? -x : x;
}

// The reference's store: false when v has more digits than the field.
bool repk(unsigned char* p, int n, i128 v) {
    unsigned __int128 m = v < 0 ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
    unsigned char b[16];
    b[n - 1] = static_cast<unsigned char>(static_cast<unsigned>(m % 10) << 4 | (v < 0 ? 0xD : 0xC));
    m /= 10;
    for (int i = n - 2; i >= 0; --i, m /= 100)
        b[i] = static_cast<unsigned char>(static_cast<unsigned>(m / 10 % 10) << 4 | static_cast<unsigned>(m % 10));
    if (m) return false;
    std::memcpy(p, b, static_cast<std::size_t>(n));
    return true;
}

// Operand pairs of every length of digits, both signs.
struct Data {
    int na, nb, nr, sa, sb, sr;            // lengths and decimals
    std::vector<unsigned char> a, b, r;    // kPairs fields each
};

Data make(int na, int nb, int nr, int sa, int sb, int sr) {
    Data d{na, nb, nr, sa, sb, sr, {}, {}, {}};
    d.a.resize(static_cast<std::size_t>(kPairs * na));
    d.b.resize(static_cast<std::size_t>(kPairs * nb));
    d.r.assign(static_cast<std::size_t>(kPairs * nr), 0);
    unsigned long long x = 977;
    for (int i = 0; i < kPairs; ++i) {
        long long v[2];
        for (int k = 0; k < 2; ++k) {
            x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            long long lim = 1;
            for (int j = 0, e = 1 + static_cast<int>((x >> 8) % (k ? 2 * nb - 1 : 2 * na - 1)); j < e; ++j) lim *= 10;
            v[k] = static_cast<long long>((x >> 20) % static_cast<unsigned long long>(lim)) * ((x >> 63) ? -1 : 1);
        }
        pk(&d.a[static_cast<std::size_t>(i * na)], na, v[0]);
        pk(&d.b[static_cast<std::size_t>(i * nb)], nb, v[1]);
    }
    return d;
}

// The engine: b op a into the result, all of packed type.
void engine(Data& d, int op) {
    FLD fa{}, fb{}, ft{};
    fa.type = fb.type = ft.type = FD_PACKED;
    fa.scale = d.sa, fb.scale = d.sb, ft.scale = d.sr;
    fa.litlen = d.na, fb.litlen = d.nb, ft.litlen = d.nr;
    for (int i = 0; i < kPairs; ++i) {
        fa.lit = &d.a[static_cast<std::size_t>(i * d.na)];
        fb.lit = &d.b[static_cast<std::size_t>(i * d.nb)];
        ft.lit = &d.r[static_cast<std::size_t>(i * d.nr)];
        ADEC a, b, q;
        double x;
        if (pdaget(&fa, &a, &x) || pdaget(&fb, &b, &x) || arcalc(op, &a, &b, d.sr, &q, nullptr) ||
            pdaput(&ft, &q, false))
            std::memset(ft.lit, 0xEE, static_cast<std::size_t>(d.nr));
    }
}

// The reference: the same on __int128, scales aligned, the product
// rounded half away from zero to the result's decimals.
void reference(Data& d, int op) {
    i128 p = 1;
    for (int k = d.sa + d.sb - d.sr; k > 0; --k) p *= 10;
    for (int i = 0; i < kPairs; ++i) {
        i128 a = unpk(&d.a[static_cast<std::size_t>(i * d.na)], d.na);
        i128 b = unpk(&d.b[static_cast<std::size_t>(i * d.nb)], d.nb), v;
        if (op == OP_ADD) {
            v = a + b;  // both at the result's decimals here
        } else {
            v = a * b;
            v = v >= 0 ? (2 * v + p) / (2 * p) : -((-2 * v + p) / (2 * p));
        }
        unsigned char* t = &d.r[static_cast<std::size_t>(i * d.nr)];
        if (!repk(t, d.nr, v)) std::memset(t, 0xEE, static_cast<std::size_t>(d.nr));
    }
}

Data add() { return make(3, 5, 6, 0, 0, 0); }
Data mult() { return make(5, 5, 8, 2, 3, 2); }

// Both give the same bytes for every pair.
bool same(Data d, int op) {
    engine(d, op);
    std::vector<unsigned char> e = d.r;
    reference(d, op);
    return e == d.r;
}

template <int Op, bool Eng> void run(benchmark::State& st) {
    Data d = Op == OP_ADD ? add() : mult();
    if (!same(d, Op)) {
        st.SkipWithError("the engine and the reference differ");
        return;
    }
    for (auto _ : st) {
        if (Eng) engine(d, Op);
        else reference(d, Op);
        benchmark::DoNotOptimize(d.r.data());
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kPairs);
}

void BM_packed_add_engine(benchmark::State& st) { run<OP_ADD, true>(st); }
void BM_packed_add_int128(benchmark::State& st) { run<OP_ADD, false>(st); }
void BM_decimal_mult_engine(benchmark::State& st) { run<OP_MULT, true>(st); }
void BM_decimal_mult_int128(benchmark::State& st) { run<OP_MULT, false>(st); }

}  // namespace

BENCHMARK(BM_packed_add_engine);
BENCHMARK(BM_packed_add_int128);
BENCHMARK(BM_decimal_mult_engine);
BENCHMARK(BM_decimal_mult_int128);
BENCHMARK_MAIN();
