#include "engine/interaction_table.h"

#include <cmath>

#include "core/error.h"
#include "core/numbers.h"

namespace kelpo {

namespace {

// With b q1 + (1 - b) q0 = a, the species keeps its own probability on average
// while its presence next to the partner is cut by the factor c.
ConditionalTable::Entry conditionalEntry(double a, double b, double c) {
    ConditionalTable::Entry e;
    e.present = a / ((1.0 - b) * c + b);
    e.absent = e.present * c;
    if (!std::isfinite(e.present) || !std::isfinite(e.absent)) {
        throw Error(ErrorKind::InvalidInput, "The interaction table has no finite value for a = " +
                                                 plainNumberText(a) + ", b = " + plainNumberText(b) +
                                                 ", c = " + plainNumberText(c) + ".");
    }
    return e;
}

}  // namespace

ConditionalTable::ConditionalTable(const ProbabilityMatrix& x, double strength) : geometry_(x), entries_{} {
    // Only the pair kinds and sides that occur are computed, so a value that no cell
    // uses can never raise an error.
    bool occurs[3] = {false, false, false};
    for (std::int32_t i = 2; i <= x.rows(); i += 2) occurs[pairKind(i)] = true;
    for (int kind = 0; kind < 3; ++kind) {
        if (!occurs[kind]) continue;
        const Half own = kind == 0 ? Half::Upper : Half::Lower;
        const Half partner = kind == 2 ? Half::Lower : Half::Upper;
        for (const Side side : {Side::Left, Side::Right}) {
            if (!x.hasSide(side)) continue;
            entries_[kind][static_cast<int>(side)] = conditionalEntry(x.block(own, side), x.block(partner, side), strength);
        }
    }
}

const ConditionalTable::Entry& ConditionalTable::entry(std::int32_t i, std::int32_t j) const {
    return entries_[pairKind(i)][static_cast<int>(geometry_.side(j))];
}

ConditionalTable InteractionTable(const ProbabilityMatrix& x, double strength) { return {x, strength}; }

}  // namespace kelpo
