#include "engine/null_membership.h"

namespace kelpo {

namespace {

// A row is constant unless it has sites on both sides whose blocks differ.
bool rowsConstant(const ProbabilityMatrix& x) {
    if (!x.hasSide(Side::Left) || !x.hasSide(Side::Right)) return true;
    for (const Half h : {Half::Upper, Half::Lower}) {
        if (x.hasHalf(h) && x.block(h, Side::Left) != x.block(h, Side::Right)) return false;
    }
    return true;
}

bool columnsConstant(const ProbabilityMatrix& x) {
    if (!x.hasHalf(Half::Upper) || !x.hasHalf(Half::Lower)) return true;
    for (const Side s : {Side::Left, Side::Right}) {
        if (x.hasSide(s) && x.block(Half::Upper, s) != x.block(Half::Lower, s)) return false;
    }
    return true;
}

}  // namespace

bool MatchesInteraction(NullHypothesis h, std::int32_t k) {
    return !(h == NullHypothesis::NoInteractions && Proportion(k) != 0.0);
}

bool MatchesEquivalence(NullHypothesis h, const ProbabilityMatrix& x) {
    switch (h) {
        case NullHypothesis::SitesEquivalent: return rowsConstant(x);
        case NullHypothesis::SpeciesEquivalent: return columnsConstant(x);
        default: return true;
    }
}

}  // namespace kelpo
