#include "engine/mixing.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kelpo {

namespace {

using Chains = std::vector<std::vector<double>>;

// Each chain cut into a first and a second half (the middle value dropped when the length
// is odd): a chain that drifts then shows as two chains that disagree.
Chains splitHalves(std::span<const std::vector<double>> chains) {
    std::size_t length = chains.empty() ? 0 : chains.front().size();
    for (const auto& chain : chains) length = std::min(length, chain.size());
    const std::size_t half = length / 2;
    Chains split;
    split.reserve(2 * chains.size());
    for (const auto& chain : chains) {
        split.emplace_back(chain.begin(), chain.begin() + static_cast<std::ptrdiff_t>(half));
        split.emplace_back(chain.begin() + static_cast<std::ptrdiff_t>(length - half),
                           chain.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return split;
}

// Normal scores of the pooled average ranks, (r - 3/8) / (S + 1/4): the statistics are
// counts with many ties and heavy tails, and ranks make R-hat and ESS indifferent to both.
Chains rankNormalized(const Chains& chains) {
    struct Entry {
        double value;
        std::size_t chain, index;
    };
    std::vector<Entry> pooled;
    for (std::size_t c = 0; c < chains.size(); ++c)
        for (std::size_t i = 0; i < chains[c].size(); ++i) pooled.push_back({chains[c][i], c, i});
    std::sort(pooled.begin(), pooled.end(), [](const Entry& a, const Entry& b) { return a.value < b.value; });
    Chains scores = chains;
    const double total = static_cast<double>(pooled.size());
    for (std::size_t first = 0; first < pooled.size();) {
        std::size_t last = first;
        while (last + 1 < pooled.size() && pooled[last + 1].value == pooled[first].value) ++last;
        const double rank = (static_cast<double>(first + last) / 2.0) + 1.0;  // 1-based average rank
        const double score = normalQuantile((rank - 0.375) / (total + 0.25));
        for (std::size_t k = first; k <= last; ++k) scores[pooled[k].chain][pooled[k].index] = score;
        first = last + 1;
    }
    return scores;
}

// |x - median| of the pooled values: R-hat of these sees chains that differ in spread only.
Chains folded(const Chains& chains) {
    std::vector<double> pooled;
    for (const auto& chain : chains) pooled.insert(pooled.end(), chain.begin(), chain.end());
    if (pooled.empty()) return chains;
    const std::size_t mid = pooled.size() / 2;
    std::nth_element(pooled.begin(), pooled.begin() + static_cast<std::ptrdiff_t>(mid), pooled.end());
    double median = pooled[mid];
    if (pooled.size() % 2 == 0) {
        median = (median + *std::max_element(pooled.begin(), pooled.begin() + static_cast<std::ptrdiff_t>(mid))) / 2.0;
    }
    Chains result = chains;
    for (auto& chain : result)
        for (double& x : chain) x = std::abs(x - median);
    return result;
}

double mean(const std::vector<double>& x) { return std::accumulate(x.begin(), x.end(), 0.0) / static_cast<double>(x.size()); }

// The chains' means and within-chain variances (N - 1), and from them W and var+.
struct Spread {
    std::vector<double> means;
    double within = 0.0;    // W, the mean of the chains' variances
    double varPlus = 0.0;   // (N - 1) / N W + B / N
    double between = 0.0;   // B / N, the variance of the chain means
};

Spread spreadOf(const Chains& chains) {
    Spread s;
    const double n = static_cast<double>(chains.front().size());
    const double m = static_cast<double>(chains.size());
    for (const auto& chain : chains) {
        const double mu = mean(chain);
        double squares = 0.0;
        for (const double x : chain) squares += (x - mu) * (x - mu);
        s.means.push_back(mu);
        s.within += squares / (n - 1.0);
    }
    s.within /= m;
    if (chains.size() > 1) {
        const double grand = mean(s.means);
        for (const double mu : s.means) s.between += (mu - grand) * (mu - grand);
        s.between /= m - 1.0;
    }
    s.varPlus = (n - 1.0) / n * s.within + s.between;
    return s;
}

double rhatOf(const Chains& chains) {
    const Spread s = spreadOf(chains);
    if (s.within <= 0.0) return s.between > 0.0 ? std::numeric_limits<double>::infinity() : 1.0;
    return std::sqrt(s.varPlus / s.within);
}

// Mean over the chains of the biased autocovariance at lag t, each about its own mean.
double meanAutocovariance(const Chains& chains, const std::vector<double>& means, std::size_t lag) {
    double sum = 0.0;
    for (std::size_t c = 0; c < chains.size(); ++c) {
        const std::vector<double>& x = chains[c];
        double acc = 0.0;
        for (std::size_t i = 0; i + lag < x.size(); ++i) acc += (x[i] - means[c]) * (x[i + lag] - means[c]);
        sum += acc / static_cast<double>(x.size());
    }
    return sum / static_cast<double>(chains.size());
}

// Geyer's initial positive and monotone sequences over the combined autocorrelations,
// as Stan and ArviZ compute them. Lags are computed only as far as the sum runs.
double essOf(const Chains& chains) {
    const std::size_t n = chains.front().size();
    const double total = static_cast<double>(n * chains.size());
    const Spread s = spreadOf(chains);
    if (s.varPlus <= 0.0) return total;  // every value the same: nothing left to estimate
    const double meanVar = s.within;
    auto rho = [&](std::size_t lag) { return 1.0 - (meanVar - meanAutocovariance(chains, s.means, lag)) / s.varPlus; };
    // Signed lags, so that the case where the loop never runs (maxT = -1) reads as ArviZ's.
    const auto length = static_cast<std::ptrdiff_t>(n);
    std::vector<double> r(n + 2, 0.0);
    auto at = [&r](std::ptrdiff_t k) -> double& { return r[static_cast<std::size_t>(k)]; };
    double even = 1.0, odd = rho(1);
    at(0) = even;
    at(1) = odd;
    std::ptrdiff_t t = 1;
    while (t < length - 3 && even + odd > 0.0) {
        even = rho(static_cast<std::size_t>(t + 1));
        odd = rho(static_cast<std::size_t>(t + 2));
        if (even + odd >= 0.0) {
            at(t + 1) = even;
            at(t + 2) = odd;
        }
        t += 2;
    }
    const std::ptrdiff_t maxT = t - 2;
    if (even > 0.0) at(maxT + 1) = even;
    for (std::ptrdiff_t k = 1; k <= maxT - 2; k += 2) {
        if (at(k + 1) + at(k + 2) > at(k - 1) + at(k)) {
            at(k + 1) = (at(k - 1) + at(k)) / 2.0;
            at(k + 2) = at(k + 1);
        }
    }
    double tau = -1.0 + 2.0 * std::accumulate(r.begin(), r.begin() + (maxT + 1), 0.0) + at(maxT + 1);
    tau = std::max(tau, 1.0 / std::log10(total));
    return total / tau;
}

bool usable(std::span<const std::vector<double>> chains) {
    if (chains.empty()) return false;
    for (const auto& chain : chains)
        if (chain.size() < 4) return false;
    return true;
}

}  // namespace

MixingFigures mixingFigures(std::span<const std::vector<double>> chains) {
    if (!usable(chains)) return {};
    const Chains split = splitHalves(chains);
    const Chains ranked = rankNormalized(split);
    MixingFigures figures;
    const double bulk = rhatOf(ranked);
    const double tail = rhatOf(rankNormalized(folded(split)));
    figures.rhat = std::isnan(bulk) ? tail : std::max(bulk, tail);
    figures.ess = essOf(ranked);
    return figures;
}

MixingFigures plainMixingFigures(std::span<const std::vector<double>> chains) {
    if (!usable(chains)) return {};
    const Chains split = splitHalves(chains);
    return {rhatOf(split), essOf(split)};
}

bool chainsMixed(const MixingFigures& figures, double essNeeded) {
    return figures.rhat <= kMixedRhat && figures.ess >= essNeeded;
}

double normalQuantile(double p) {
    if (p <= 0.0) return -std::numeric_limits<double>::infinity();
    if (p >= 1.0) return std::numeric_limits<double>::infinity();
    const double q = p - 0.5;
    if (std::abs(q) <= 0.425) {
        const double r = 0.180625 - q * q;
        return q *
               (((((((2509.0809287301226727 * r + 33430.575583588128105) * r + 67265.770927008700853) * r +
                    45921.953931549871457) * r + 13731.693765509461125) * r + 1971.5909503065514427) * r +
                 133.14166789178437745) * r + 3.387132872796366608) /
               (((((((5226.495278852545925 * r + 28729.085735721942674) * r + 39307.89580009271061) * r +
                    21213.794301586595867) * r + 5394.1960214247511077) * r + 687.1870074920579083) * r +
                 42.313330701600911252) * r + 1.0);
    }
    double r = std::sqrt(-std::log(q < 0.0 ? p : 1.0 - p));
    double value;
    if (r <= 5.0) {
        r -= 1.6;
        value = (((((((7.7454501427834140764e-4 * r + 0.0227238449892691845833) * r + 0.24178072517745061177) * r +
                     1.27045825245236838258) * r + 3.64784832476320460504) * r + 5.7694972214606914055) * r +
                  4.6303378461565452959) * r + 1.42343711074968357734) /
                (((((((1.05075007164441684324e-9 * r + 5.475938084995344946e-4) * r + 0.0151986665636164571966) * r +
                     0.14810397642748007459) * r + 0.68976733498510000455) * r + 1.6763848301838038494) * r +
                  2.05319162663775882187) * r + 1.0);
    } else {
        r -= 5.0;
        value = (((((((2.01033439929228813265e-7 * r + 2.71155556874348757815e-5) * r + 0.0012426609473880784386) * r +
                     0.026532189526576123093) * r + 0.29656057182850489123) * r + 1.7848265399172913358) * r +
                  5.4637849111641143699) * r + 6.6579046435011037772) /
                (((((((2.04426310338993978564e-15 * r + 1.4215117583164458887e-7) * r + 1.8463183175100546818e-5) * r +
                     7.868691311456132591e-4) * r + 0.0148753612908506148525) * r + 0.13692988092273580531) * r +
                  0.59983220655588793769) * r + 1.0);
    }
    return q < 0.0 ? -value : value;
}

}  // namespace kelpo
