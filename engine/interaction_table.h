// Presence probabilities of the second species of an interacting pair, given whether
// its partner (the species just above it) is present at the site.
#pragma once

#include <cstdint>

#include "engine/distribution.h"

namespace kelpo {

// Y(partner, i, j) for even rows i: the probability that species i is present at site j
// when species i - 1 is present there (partner 1) or absent (partner 0). Odd rows read 0.
// X is block-constant, so Y depends only on the halves of rows i - 1 and i and the side
// of j: at most three pair kinds x two sides are stored.
class ConditionalTable {
public:
    struct Entry {
        double absent = 0.0;   // q0 = q1 * c
        double present = 0.0;  // q1 = a / ((1 - b) c + b)
    };

    ConditionalTable(const ProbabilityMatrix& x, double strength);

    const Entry& entry(std::int32_t i, std::int32_t j) const;

    double operator()(std::int32_t partner, std::int32_t i, std::int32_t j) const {
        if (i % 2 != 0) return 0.0;
        const Entry& e = entry(i, j);
        return partner == 1 ? e.present : e.absent;
    }

private:
    // 0: both species upper, 1: partner upper and species lower, 2: both lower.
    int pairKind(std::int32_t i) const {
        return static_cast<int>(geometry_.half(i - 1)) + static_cast<int>(geometry_.half(i));
    }

    ProbabilityMatrix geometry_;
    Entry entries_[3][2];
};

// The table for probabilities X and interaction strength c (the power analysis uses 2).
// A q0 above 1 is kept: the species is then always present where its partner is absent.
// Throws kelpo::Error (InvalidInput) when a value is not finite (zero denominator).
ConditionalTable InteractionTable(const ProbabilityMatrix& x, double strength);

}  // namespace kelpo
