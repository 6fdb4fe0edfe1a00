// The curveball trade (Strona et al. 2014) over a chain's own working matrix and
// statistic: two lines pool the entries unique to each and deal them back at random,
// both line sums kept. Same interface as SwapChain, so the p-value loop, the pairwise
// test and the diagnostics take either.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "core/bit_lines.h"
#include "core/cscore_count.h"
#include "core/error.h"
#include "core/pool_listing.h"
#include "core/presence_matrix.h"
#include "core/random.h"
#include "core/statistics.h"
#include "core/swap_chain.h"
#include "core/traded_cscore.h"

namespace kelpo {

template <class Stat>
inline constexpr bool kIsCScore = false;
template <TableLayout L>
inline constexpr bool kIsCScore<CScoreStatistic<L>> = true;

// One step is one trade. The C-score follows a trade through the counts the traded
// lines share (core/traded_cscore.h) whenever no one reads the species-pair table: a
// trade of a 1,000 x 500 table at 3 % fill, sites trading, went from 9.4 to 2.9-4.5 us
// (by the prevalences' skew), of a 10,000 x 1,000 one from about 3 ms to 43 us, with no
// 100 MB species table per chain.
// Otherwise a redeal is a set of checkerboard swaps on the two lines (each entry that
// moves one way paired with one that moves the other), so the statistic follows
// through the swap chain's own updates on every path it has, and checkerboards,
// combinations and the pairwise test's table stay exact without an update of their own.
// Started with ChainUse::ValuesWhenRead, a trade moves the cells alone and read()
// counts the statistic anew (the C-score by core/cscore_count.h), which the p-value's
// chain does every tradesPerRead() trades: on large tables a count costs less than
// following the statistic through the trades between (a 1,000 x 500 table at 3 % fill:
// 1.5 us a trade with the C-score following; 0.13 us a trade alone, and a 0.19 ms
// count every thousand trades).
// The transition is symmetric (every subset of the pool equally likely, both orders
// of the pair equally likely), so the stationary distribution is uniform over the
// matrices with the margins, as the swap's is.
template <class Stat>
class CurveballChain {
public:
    using Statistic = Stat;

    // The working matrix as SwapChain::start takes it; returns the statistic's value.
    std::int64_t start(BitLines working, SharedKernel kernel = SharedKernel::Automatic,
                       ChainUse use = ChainUse::Values) {
        const std::int32_t rows = Stat::kSpeciesAreEntities ? working.bits : working.lines;
        const std::int32_t cols = Stat::kSpeciesAreEntities ? working.lines : working.bits;
        // Trade on the dimension with fewer, longer lines. Measured with the swaps' update:
        // a trade there costs more (the 1,000 x 500 table at 3 % fill: 9.1 against 3.0 us;
        // dune 269 against 145 ns), but
        // each redeals more cells and there are fewer lines to visit: with --iterations
        // auto the chains mixed after 4 to 8 times fewer trades, in 1.1 to 2.6 times less
        // CPU time (300 x 150 at 3 %: 2.1 against 4.0 s; the 1,000 x 500 table on two
        // threads: 24 against 36-61 s). On a 10,000 x 1,000 table neither way had mixed
        // within 300 s: there a column trade cost 3 ms against 0.27 ms a row trade. With the
        // C-score's own update the 1,000 x 500 table needs 8.8 times fewer trades (C-score
        // autocorrelation 1,400 against 12,200 trades) at 4.0 against 4.9 us a trade.
        rows_ = rows;
        cols_ = cols;
        onRows_ = tradesRows(rows, cols);
        lines_ = onRows_ == Stat::kSpeciesAreEntities ? transposed(working) : working;
        try {
            // A pool holds entries unique to one line or the other: at most one per position.
            pool_.assign(static_cast<std::size_t>(lines_.bits) + kPoolSlack, 0);
            toSmaller_.assign(static_cast<std::size_t>(lines_.bits), 0);
            fromSmaller_.assign(static_cast<std::size_t>(lines_.bits), 0);
            keptSmaller_.assign(static_cast<std::size_t>(lines_.bits), 0);
            keptLarger_.assign(static_cast<std::size_t>(lines_.bits), 0);
            marks_.assign(lines_.wordsPerLine, 0);
            onlyB_.assign(static_cast<std::size_t>(lines_.bits) + kPoolSlack, 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the curveball's trade buffers.");
        }
        if (use == ChainUse::ValuesWhenRead) return startReading();
        byTradedPairs_ = use == ChainUse::Values && tradesByPairs(rows, cols);
        // The C-score's lines are per site: they cross the species when species trade.
        if (byTradedPairs_) return score_.start(onRows_ ? std::move(working) : transposed(working), onRows_, counts_);
        return swap_.start(std::move(working), kernel, use);
    }

    // Where the C-score's trades find their counts (before start; tests take each way).
    void findCountsBy(TradedCounts counts) { counts_ = counts; }

    std::int64_t statisticOf(const BitLines& lines) {
        const std::int32_t rows = lines.bits, cols = lines.lines;  // per site, as the C-score takes them
        if (tradesByPairs(rows, cols)) {
            const bool speciesTrade = tradesRows(rows, cols);
            return TradedCScore::of(speciesTrade ? lines : transposed(lines), speciesTrade);
        }
        return swap_.statisticOf(lines);
    }

    // One trade; true when it moved at least one cell. Requires two lines to trade
    // (rows() >= 2 when trading on rows, else cols() >= 2).
    //
    // The fixed draw order: line a, line b != a (drawn among the others, stepping over
    // a, as the swap draws its second index); then, only when both lines have entries
    // of their own, s draws of a partial Fisher-Yates over the pool, s the smaller of
    // the two counts of unique entries, the pool listing a's unique positions, then
    // b's, each ascending.
    bool step(Random& random) {
        const std::int32_t n = lines_.lines;
        const std::int32_t a = random.draw(n) - 1;
        std::int32_t b = random.draw(n - 1) - 1;
        b += b >= a;
        return trade(a, b, random);
    }

    // Trades until one moves a cell, at most limit of them: returns how many moved
    // nothing before it (a redeal that puts every entry back counts as one), or limit.
    std::int64_t refusedBeforeSwap(Random& random, std::int64_t limit) {
        std::int64_t refused = 0;
        while (refused < limit && !step(random)) ++refused;
        return refused;
    }

    std::int64_t value() const {
        if (whenRead_) return readValue_;
        return byTradedPairs_ ? score_.value() : swap_.value();
    }

    // Started with ChainUse::ValuesWhenRead: the statistic of the cells now, which value()
    // returns until the next read. Trades between reads move the cells alone.
    std::int64_t read() {
        if constexpr (kIsCScore<Stat>) {
            readValue_ = count_.of(lines_);
        } else {
            // The statistic's layout is per site when species are its entities.
            const bool asLines = Stat::kSpeciesAreEntities != onRows_;
            readValue_ = swap_.statisticOf(asLines ? lines_ : cross_);
        }
        return readValue_;
    }

    // The trades a caller makes between two reads (readsEvery below); 1 unless started
    // with ChainUse::ValuesWhenRead.
    std::int64_t tradesPerRead() const { return tradesPerRead_; }
    // The statistic with its table; started only for ChainUse::SharedCounts, or for
    // checkerboards and combinations.
    const Stat& statistic() const { return swap_.statistic(); }
    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }
    // Species i, site k (1-based).
    std::uint8_t cell(std::int32_t i, std::int32_t k) const {
        return onRows_ ? lines_.test(i - 1, k - 1) : lines_.test(k - 1, i - 1);
    }
    PresenceMatrix matrix() const {
        PresenceMatrix m(rows_, cols_);
        for (std::int32_t k = 1; k <= cols_; ++k)
            for (std::int32_t i = 1; i <= rows_; ++i) m.set(i, k, cell(i, k));
        return m;
    }
    // Whether trades pair rows (species) rather than columns (sites).
    bool tradesRows() const { return onRows_; }

private:
    static bool tradesRows(std::int32_t rows, std::int32_t cols) { return rows < cols; }
    // Whether the C-score's values follow the trades through the traded lines' table
    // (a square one, at most kSquareTableLimit lines).
    static bool tradesByPairs(std::int32_t rows, std::int32_t cols) {
        return kIsCScore<Stat> && (tradesRows(rows, cols) ? rows : cols) <= kSquareTableLimit;
    }

    static BitLines transposed(const BitLines& in) {
        BitLines out(in.bits, in.lines);
        for (std::int32_t f = 0; f < in.lines; ++f)
            for (std::int32_t e = 0; e < in.bits; ++e)
                if (in.test(f, e)) out.set(e, f);
        return out;
    }

    // Pool entries are position * 2 + side (1 for line b), so the deal knows where each came from.
    bool trade(std::int32_t a, std::int32_t b, Random& random) {
        const std::uint64_t* lineA = lines_.line(a);
        const std::uint64_t* lineB = lines_.line(b);
        std::int32_t* pool = pool_.data();
        const std::size_t words = lines_.wordsPerLine;
        const auto [onlyA, onlyB] = listPool(lineA, lineB, words, pool, onlyB_.data());
        const std::int32_t u = onlyA + onlyB;
        if (onlyA == 0 || onlyB == 0) return false;
        // The smaller side's new entries are drawn: the same uniform split in fewer draws.
        const std::int32_t smallerSide = onlyB < onlyA;
        const std::int32_t s = smallerSide ? onlyB : onlyA;
        for (std::int32_t j = 0; j < s; ++j) std::swap(pool[j], pool[j + random.draw(u - j) - 1]);
        if (whenRead_) return redeal(a, b, s, smallerSide);
        const std::int32_t p = smallerSide ? b : a, q = smallerSide ? a : b;
        const Dealt dealt = deal(s, u, smallerSide);
        if (dealt.moved == 0) return false;
        if (byTradedPairs_) {
            for (std::int32_t m = 0; m < dealt.moved; ++m)
                flipCheckerboard(p, q, toSmaller_[static_cast<std::size_t>(m)], fromSmaller_[static_cast<std::size_t>(m)]);
            const auto list = [](const std::vector<std::int32_t>& v, std::int32_t size) {
                return std::span<const std::int32_t>(v.data(), static_cast<std::size_t>(size));
            };
            score_.afterTrade(p, q, {list(toSmaller_, dealt.moved), list(fromSmaller_, dealt.moved),
                                     list(keptSmaller_, dealt.keptSmaller), list(keptLarger_, dealt.keptLarger)});
            return true;
        }
        for (std::int32_t m = 0; m < dealt.moved; ++m)
            exchange(p, q, toSmaller_[static_cast<std::size_t>(m)], fromSmaller_[static_cast<std::size_t>(m)]);
        return true;
    }

    struct Dealt {
        std::int32_t moved, keptSmaller, keptLarger;
    };
    // Sorts the dealt pool (the smaller side's new entries first, s of them, of u) into
    // the positions each line gains and those that stay.
    // Each entry is written to both of its possible lists and only one count advances:
    // which side an entry came from is a coin flip no branch predictor learns.
    Dealt deal(std::int32_t s, std::int32_t u, std::int32_t smallerSide) {
        const std::int32_t* pool = pool_.data();
        std::int32_t* to = toSmaller_.data();
        std::int32_t* from = fromSmaller_.data();
        std::int32_t* keptS = keptSmaller_.data();
        std::int32_t* keptL = keptLarger_.data();
        std::int32_t moved = 0, back = 0, keptSmaller = 0, keptLarger = 0;
        for (std::int32_t j = 0; j < s; ++j) {
            const std::int32_t crosses = (pool[j] & 1) != smallerSide;
            to[moved] = keptS[keptSmaller] = pool[j] >> 1;
            moved += crosses;
            keptSmaller += 1 - crosses;
        }
        for (std::int32_t j = s; j < u; ++j) {
            const std::int32_t crosses = (pool[j] & 1) == smallerSide;
            from[back] = keptL[keptLarger] = pool[j] >> 1;
            back += crosses;
            keptLarger += 1 - crosses;
        }
        return {moved, keptSmaller, keptLarger};
    }

    // The dealt pool into the lines alone: the first s entries are the smaller side's
    // own positions now, the rest the larger side's; shared positions stay. Marking s
    // positions and rewriting both lines word by word replaces 2 u scattered flips that
    // chain through the same few words (a trade of a 1,000 x 500 table went from 648 to
    // 479 ns, of a 10,000 x 1,000 one from 5.8 to 4.3 us). True when a cell moved.
    bool redeal(std::int32_t a, std::int32_t b, std::int32_t s, std::int32_t smallerSide) {
        const std::int32_t* pool = pool_.data();
        std::uint64_t* mark = marks_.data();
        for (std::int32_t j = 0; j < s; ++j) mark[pool[j] >> 7] |= std::uint64_t{1} << ((pool[j] >> 1) & 63);
        std::uint64_t* small = lines_.line(smallerSide ? b : a);
        std::uint64_t* large = lines_.line(smallerSide ? a : b);
        const std::size_t words = lines_.wordsPerLine;
        std::uint64_t moved = 0;
        // The transpose's loop apart: a branch on whether a word crossed, taken at random,
        // cost the C-score's trades of a 10,000 x 1,000 table a tenth of their time.
        const auto rewrite = [&](std::size_t w) {
            const std::uint64_t shared = small[w] & large[w], unique = small[w] ^ large[w];
            const std::uint64_t crossed = small[w] ^ (shared | mark[w]);
            small[w] = shared | mark[w];
            large[w] = shared | (unique & ~mark[w]);
            mark[w] = 0;
            moved |= crossed;
            return crossed;
        };
        if (keepsCross_) {
            for (std::size_t w = 0; w < words; ++w)
                if (const std::uint64_t crossed = rewrite(w)) flipAcross(a, b, w, crossed);
        } else {
            for (std::size_t w = 0; w < words; ++w) rewrite(w);
        }
        return moved != 0;
    }

    // Lines a and b changed at the set bits of word w of their positions: so does cross_.
    void flipAcross(std::int32_t a, std::int32_t b, std::size_t w, std::uint64_t crossed) {
        forEachSetBit(&crossed, 1, [&](std::int32_t bit) {
            std::uint64_t* across = cross_.line(static_cast<std::int32_t>(w * 64) + bit);
            across[a >> 6] ^= std::uint64_t{1} << (a & 63);
            across[b >> 6] ^= std::uint64_t{1} << (b & 63);
        });
    }

    // Line p gains position x and loses y, line q the reverse, in the lines alone.
    void flipCheckerboard(std::int32_t p, std::int32_t q, std::int32_t x, std::int32_t y) {
        for (const auto& [line, position] : {std::pair{p, x}, {p, y}, {q, x}, {q, y}})
            lines_.line(line)[position >> 6] ^= std::uint64_t{1} << (position & 63);
    }

    // Values when read. The C-score counts from the traded lines either way; the other
    // statistics read their own layout, kept beside them when it is the transpose.
    std::int64_t startReading() {
        whenRead_ = true;
        keepsCross_ = !kIsCScore<Stat> && Stat::kSpeciesAreEntities == onRows_;
        if (keepsCross_) cross_ = transposed(lines_);
        std::vector<std::int32_t> lengths(static_cast<std::size_t>(lines_.lines)), held(static_cast<std::size_t>(lines_.bits));
        for (std::int32_t f = 0; f < lines_.lines; ++f) forEachSetBit(lines_.line(f), lines_.wordsPerLine, [&](std::int32_t e) {
            ++lengths[static_cast<std::size_t>(f)];
            ++held[static_cast<std::size_t>(e)];
        });
        double readCost = 0.0;
        if constexpr (kIsCScore<Stat>) {
            count_.start(lines_, !onRows_);
            readCost = count_.cost();
        } else {
            // The statistic's own count: its pairs by lists and a pass over both layouts.
            readCost = listCountCost(lengths, held) + static_cast<double>(2 * lines_.words.size());
        }
        tradesPerRead_ = readsEvery(readCost, held, lines_.lines);
        return read();
    }

    // Trades between reads, from what a read and a trade cost. A trade draws and moves
    // about half its pool, a position held by r of the n lines being in it with
    // probability 2 r (n - r) / (n (n - 1)): measured here about 17 ns and 2 ns a pool
    // entry (dune 34 ns, 1,000 x 500 at 3 % fill 131 ns, 10,000 x 1,000 1.1 us), the
    // pool listed by byte compression.
    // Reads cost at most half the trades between them, and come at least every 3 n
    // trades: the C-score's autocorrelation time was about 3 n trades on 1,000 x 500 and
    // 2 to 2.4 n on 10,000 x 1,000, and reads further apart thin the chain the ESS
    // counts (read every 7 n trades, the second table's chains ran four times as long
    // to reach an ESS of 1,000). Against 2 n, 3 n cost the first table's ESS a tenth and
    // took the second's time from 10 to 20 s by the seed to 17 to 18 s for all.
    static std::int64_t readsEvery(double read, std::span<const std::int32_t> held, std::int32_t n) {
        double pool = 0.0;
        for (const std::int32_t r : held) pool += 2.0 * r * (n - r) / (static_cast<double>(n) * (n - 1.0));
        const double trade = 17.0 + 2.0 * pool;
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(2.0 * read / trade), 1, 3 * std::int64_t{n});
    }

    // The same checkerboard swap, the statistic following.
    void exchange(std::int32_t p, std::int32_t q, std::int32_t x, std::int32_t y) {
        flipCheckerboard(p, q, x, y);
        if (onRows_) swap_.trySwap(p, q, x, y);
        else swap_.trySwap(x, y, p, q);
    }

    SwapChain<Stat> swap_;  // the cells and the statistic, moved by checkerboard swaps
    TradedCScore score_;    // the C-score instead, when byTradedPairs_
    BitLines lines_;        // one line per row (onRows_) or per column, kept current
    BitLines cross_;        // the transpose of lines_, kept current when keepsCross_
    CScoreCount count_;     // a read's C-score
    bool onRows_ = true;
    bool byTradedPairs_ = false;
    bool whenRead_ = false;
    bool keepsCross_ = false;
    std::int64_t readValue_ = 0;
    std::int64_t tradesPerRead_ = 1;
    TradedCounts counts_ = TradedCounts::Cheaper;
    std::int32_t rows_ = 0, cols_ = 0;
    std::vector<std::int32_t> pool_, toSmaller_, fromSmaller_, keptSmaller_, keptLarger_;
    std::vector<std::int32_t> onlyB_;  // the pool listing's scratch
    std::vector<std::uint64_t> marks_;  // a redeal's new positions of the smaller side, zero between trades
};

// Runs body(chain) on a new CurveballChain of the statistic with withChain's table layout.
template <template <TableLayout> class Stat, class Body>
decltype(auto) withCurveballChain(std::int32_t rows, std::int32_t cols, Body&& body) {
    return withChainOf<CurveballChain, Stat>(rows, cols, body);
}

}  // namespace kelpo
