// A bounded run of the fuzzer (tests/proof/Fuzz.h): random reads answer values of random VARIANT
// types. No crash, no reference left, the members' answers as their error rules say. A longer run:
// scripts/fuzz CASES [SEED]; one case again: QV_FUZZ_SEED=... QV_FUZZ_FIRST=n QV_FUZZ_CASES=1.
#include <gtest/gtest.h>

#include "sim/LogCapture.h"
#include "tests/proof/Fuzz.h"

#include <cstdio>
#include <cstdlib>

namespace {

long Setting(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtol(text, nullptr, 10) : fallback;
}

}  // namespace

TEST(Fuzz, RandomValuesForRandomReads) {
    const auto seed = static_cast<uint32_t>(Setting("QV_FUZZ_SEED", 8));
    const long first = Setting("QV_FUZZ_FIRST", 0);
    const long cases = Setting("QV_FUZZ_CASES", 600);
    long failed = 0;
    sim::RunOnFreshThread([&] {
        proof::Fuzzer fuzzer(seed);
        for (long n = first; n < first + cases; ++n) {
            const proof::FuzzResult r = fuzzer.Run(n);
            if (std::getenv("QV_FUZZ_VERBOSE")) std::printf("%s\n", r.description.c_str());
            if (r.problems.empty()) continue;
            ++failed;
            std::string text = r.description;
            for (const std::string& p : r.problems) text += "\n  " + p;
            ADD_FAILURE() << text;
            if (failed >= 20) break;
        }
    });
    std::printf("[ figures  ] seed %u, cases %ld..%ld, %ld failed\n", seed, first, first + cases - 1, failed);
}
