// Cost of ConvertEntry by digit count: "Decimal To Hexadecimal" for 1, 20,
// 100 and 308 decimal digits and "Binary To Decimal" for 1023 binary digits.
// Peers in the same run: GMP's mpz_set_str / mpz_get_str on the same
// entries (when GMP is installed), and the step-by-step digit-string
// arithmetic for short entries.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/DigitStringReference.h"
#include "core/ConversionOptions.h"

#ifdef BASEWRIGHT_BENCH_GMP
#include <gmp.h>
#endif

namespace {

struct Workload {
    const char* label;
    const char* option;
    int sourceBase, targetBase;
    std::size_t digits;
};

constexpr Workload kWorkloads[] = {
    {"DecimalToHexadecimal/1", "Decimal To Hexadecimal", 10, 16, 1},
    {"DecimalToHexadecimal/20", "Decimal To Hexadecimal", 10, 16, 20},
    {"DecimalToHexadecimal/100", "Decimal To Hexadecimal", 10, 16, 100},
    {"DecimalToHexadecimal/308", "Decimal To Hexadecimal", 10, 16, 308},
    {"BinaryToDecimal/1023", "Binary To Decimal", 2, 10, 1023},
};

// A pool of different entries of the given length (first digit nonzero),
// so that branch prediction does not learn one entry.
std::vector<std::string> Entries(int base, std::size_t digits) {
    std::mt19937_64 rng(digits * 31 + static_cast<unsigned>(base));
    std::vector<std::string> entries(1024);
    for (std::string& e : entries) {
        e += static_cast<char>('1' + rng() % static_cast<unsigned>(base - 1));
        while (e.size() < digits) e += static_cast<char>('0' + rng() % static_cast<unsigned>(base));
    }
    return entries;
}

void ConvertEntryByName(benchmark::State& state, const Workload& w) {
    const auto entries = Entries(w.sourceBase, w.digits);
    std::size_t i = 0;
    for (auto _ : state) {
        bw::ConvertedEntry converted = bw::ConvertEntry(w.option, entries[i++ & 1023]);
        benchmark::DoNotOptimize(converted);
    }
    state.SetItemsProcessed(state.iterations());
}

void ConvertEntryIntoBuffers(benchmark::State& state, const Workload& w) {
    const auto entries = Entries(w.sourceBase, w.digits);
    std::string shown, result;
    std::size_t i = 0;
    for (auto _ : state) {
        shown.clear();
        result.clear();
        bw::ConvertEntryInto(w.sourceBase, w.targetBase, entries[i++ & 1023], shown, result);
        benchmark::DoNotOptimize(result.data());
    }
    state.SetItemsProcessed(state.iterations());
}

#ifdef BASEWRIGHT_BENCH_GMP
void GmpSetGet(benchmark::State& state, const Workload& w) {
    const auto entries = Entries(w.sourceBase, w.digits);
    mpz_t value;
    mpz_init(value);
    std::vector<char> buffer(w.digits * 4 + 2);
    std::size_t i = 0;
    for (auto _ : state) {
        mpz_set_str(value, entries[i++ & 1023].c_str(), w.sourceBase);
        mpz_get_str(buffer.data(), w.targetBase, value);
        benchmark::DoNotOptimize(buffer.data());
    }
    mpz_clear(value);
    state.SetItemsProcessed(state.iterations());
}
#endif

// The conversion walked with the digit-string arithmetic: every power
// recomputed per digit, every product built from additions.
std::string DigitStringWalk(const std::string& text, int source, int target) {
    const std::string s = bw::ReverseText(text);
    const std::string base = std::to_string(source);
    std::string total = "0";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::string digit = std::to_string(static_cast<int>(bw::CharToDigit(static_cast<unsigned char>(s[i]))));
        total = bw::AddDecimal(total, bw::MultiplyDecimal(bw::PowerDecimal(base, std::to_string(i)), digit), 15);
    }
    const std::string t = std::to_string(target);
    std::string out;
    while (!bw::IsAllZeros(total)) {
        out += bw::DigitToChar(std::stod(bw::ModBySmall(total, t)));
        total = bw::DivideBySmall(total, t);
    }
    std::reverse(out.begin(), out.end());
    return out.empty() ? "0" : out;
}

void DigitStringArithmetic(benchmark::State& state, const Workload& w) {
    const auto entries = Entries(w.sourceBase, w.digits);
    std::size_t i = 0;
    for (auto _ : state) {
        std::string result = DigitStringWalk(entries[i++ & 1023], w.sourceBase, w.targetBase);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations());
}

const bool kRegistered = [] {
    for (const Workload& w : kWorkloads) {
        benchmark::RegisterBenchmark((std::string("ConvertEntry/") + w.label).c_str(), ConvertEntryByName, w);
        benchmark::RegisterBenchmark((std::string("ConvertEntryInto/") + w.label).c_str(), ConvertEntryIntoBuffers, w);
#ifdef BASEWRIGHT_BENCH_GMP
        benchmark::RegisterBenchmark((std::string("GmpSetStrGetStr/") + w.label).c_str(), GmpSetGet, w);
#endif
        if (w.digits <= 20) {
            benchmark::RegisterBenchmark((std::string("DigitStringArithmetic/") + w.label).c_str(),
                                         DigitStringArithmetic, w);
        }
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
