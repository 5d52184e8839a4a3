// Fuzzing of the values the plug-in reads: random reads of a chart conversion or of a whole host
// pass answer with a value of a random VARIANT type (the Excel stand-in's wrong-type fault with a
// ValuePool's values). Every case is made from the seed and its number alone, so a failing case
// can be run again by itself.
#pragma once

#include "tests/proof/Runs.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace proof {

struct FuzzResult {
    std::string description;  // what was run and which reads answered what
    Problems problems;        // empty when the case passed
};

class Fuzzer {
public:
    // Records the unfaulted runs the cases pick their reads from. Call on a thread that has
    // initialised COM; every case runs on the calling thread.
    explicit Fuzzer(uint32_t seed);
    FuzzResult Run(long caseNumber);

private:
    struct Target {
        std::string label;
        bool wholePass;       // a host pass, faulting the Excel of deck object `object`
        size_t chartOrObject;
        std::vector<long> reads;           // calls of the unfaulted run that return a value
        std::vector<std::wstring> members; // their members
    };
    FuzzResult RunChart(const Target& target, std::mt19937& random, uint32_t poolSeed);
    FuzzResult RunPass(const Target& target, std::mt19937& random, uint32_t poolSeed);

    uint32_t seed_;
    std::vector<NamedChart> charts_;
    std::vector<Target> targets_;
};

}  // namespace proof
