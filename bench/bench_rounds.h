#pragma once

// The rounds of the store benchmarks: every step runs a number of rounds (the environment
// variable STORE_BENCH_ROUNDS, default 5), and a step counts with the median of its rounds,
// so that one slow round on a shared machine does not decide a ratio against the peer.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace bench {

inline int Rounds() {
    static const int rounds = [] {
        const char* text = std::getenv("STORE_BENCH_ROUNDS");
        const int value = text != nullptr ? std::atoi(text) : 0;
        return value > 0 ? value : 5;
    }();
    return rounds;
}

// Seconds measured in each round, by step name ("store/step").
inline std::map<std::string, std::vector<double>>& Samples() {
    static std::map<std::string, std::vector<double>> samples;
    return samples;
}

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of a step so far, 0 when it has not run.
inline double Seconds(const std::string& key) {
    auto found = Samples().find(key);
    return found == Samples().end() ? 0 : Median(found->second);
}

}  // namespace bench
