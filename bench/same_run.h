// Times a subject and its limits alternately inside one benchmark, so that their ratios come from the
// same run on the same machine state.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace novra {

// Runs each of `runs` `repetitions` times in a row, one after the other, once per benchmark iteration,
// and returns each one's time per call (ns) as the fastest of its batches: every batch does the same
// work, and on a shared machine the slower ones measure preemption, not the code. Each iteration starts
// one run further along the list, so that every run follows every other one equally often: a run that
// reads what the run before it left in the caches is not favoured over the rest.
template <typename... Runs>
std::array<double, sizeof...(Runs)> fastest_batches(benchmark::State& state, int32_t repetitions,
                                                    Runs... runs) {
    using clock = std::chrono::steady_clock;
    constexpr size_t run_count = sizeof...(Runs);
    std::array<clock::duration, run_count> fastest;
    fastest.fill(clock::duration::max());
    size_t first = 0;
    for (auto _ : state) {
        for (size_t step = 0; step < run_count; ++step) {
            const size_t chosen = (first + step) % run_count;
            size_t slot = 0;
            auto time_if_chosen = [&](auto& run) {
                if (slot++ != chosen) return;
                const clock::time_point start = clock::now();
                for (int32_t i = 0; i < repetitions; ++i)
                    run();
                benchmark::ClobberMemory();
                fastest[chosen] = std::min(fastest[chosen], clock::now() - start);
            };
            (time_if_chosen(runs), ...);
        }
        first = (first + 1) % run_count;
    }
    std::array<double, run_count> per_call;
    for (size_t i = 0; i < run_count; ++i)
        per_call[i] = std::chrono::duration<double, std::nano>(fastest[i]).count() / repetitions;
    return per_call;
}

// Times `subject` against `limit` as fastest_batches does and reports both times per call (ns) and their
// ratio as counters named after them.
template <typename Subject, typename Limit>
void run_against_limit(benchmark::State& state, int32_t repetitions, const std::string& subject_name,
                       Subject subject, const std::string& limit_name, Limit limit) {
    const auto [subject_ns, limit_ns] = fastest_batches(state, repetitions, subject, limit);
    state.counters[subject_name + "_ns"] = subject_ns;
    state.counters[limit_name + "_ns"] = limit_ns;
    state.counters[subject_name + "/" + limit_name] = subject_ns / limit_ns;
}

}  // namespace novra
