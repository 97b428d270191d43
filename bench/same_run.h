// Times a subject and its limit alternately inside one benchmark, so that their ratio comes from the same
// run on the same machine state.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

namespace novra {

// Runs `subject` and then `limit`, each `repetitions` times in a row, once per benchmark iteration, and
// reports both times per call (ns) and their ratio as counters named after them. Each is the fastest of
// its batches: every batch does the same work, and on a shared machine the slower ones measure
// preemption, not the code.
template <typename Subject, typename Limit>
void run_against_limit(benchmark::State& state, int32_t repetitions, const std::string& subject_name,
                       Subject subject, const std::string& limit_name, Limit limit) {
    using clock = std::chrono::steady_clock;
    clock::duration subject_time = clock::duration::max(), limit_time = clock::duration::max();
    for (auto _ : state) {
        const clock::time_point start = clock::now();
        for (int32_t i = 0; i < repetitions; ++i)
            subject();
        benchmark::ClobberMemory();
        const clock::time_point middle = clock::now();
        for (int32_t i = 0; i < repetitions; ++i)
            limit();
        benchmark::ClobberMemory();
        const clock::time_point end = clock::now();
        subject_time = std::min(subject_time, middle - start);
        limit_time = std::min(limit_time, end - middle);
    }
    const double subject_ns = std::chrono::duration<double, std::nano>(subject_time).count() / repetitions;
    const double limit_ns = std::chrono::duration<double, std::nano>(limit_time).count() / repetitions;
    state.counters[subject_name + "_ns"] = subject_ns;
    state.counters[limit_name + "_ns"] = limit_ns;
    state.counters[subject_name + "/" + limit_name] = subject_ns / limit_ns;
}

}  // namespace novra
