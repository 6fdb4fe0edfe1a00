#include "core/random_binary_matrix.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/error.h"

namespace kelpo {

namespace {

// The open-row (or open-column) list: entries (index, units dealt so
// far) in list order; an entry is found by its position, removed closing the gap,
// and re-appended at the end. A vector erase would cost O(R) per unit, and dealing
// makes one step per unit (10^7 at 32767 x 32767 with fill 0.01). Here every entry
// has a slot in append order, and a Fenwick tree over the occupied slots finds the
// p-th entry and removes one in O(log R). When the slots run out, the live entries
// are packed to the front in order (at least capacity/2 appends apart: amortised O(1)).
class OpenList {
public:
    explicit OpenList(std::size_t expected) {
        capacity_ = std::max<std::size_t>(16, 2 * expected);
        try {
            key_.resize(capacity_);
            count_.resize(capacity_);
            tree_.assign(capacity_ + 1, 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the open-row and open-column lists.");
        }
        top_ = 1;
        while (top_ * 2 <= capacity_) top_ *= 2;
    }

    std::int32_t size() const { return size_; }

    void append(std::int32_t key, std::int32_t count) {
        if (end_ == capacity_) pack();
        key_[end_] = key;
        count_[end_] = count;
        ++end_;
        add(end_, 1);
        ++size_;
    }

    // The slot of the entry at 1-based position p (1 <= p <= size).
    std::size_t slotAt(std::int32_t p) const {
        std::size_t pos = 0;
        auto rest = p;
        for (std::size_t step = top_; step; step >>= 1) {
            const std::size_t next = pos + step;
            if (next <= capacity_ && tree_[next] < rest) {
                pos = next;
                rest -= tree_[next];
            }
        }
        return pos;  // 0-based slot: the (pos + 1)-th Fenwick position
    }

    std::int32_t key(std::size_t slot) const { return key_[slot]; }
    std::int32_t count(std::size_t slot) const { return count_[slot]; }

    void remove(std::size_t slot) {
        key_[slot] = -1;
        add(slot + 1, -1);
        --size_;
    }

private:
    void add(std::size_t position, std::int32_t delta) {
        for (; position <= capacity_; position += position & (~position + 1)) tree_[position] += delta;
    }

    void pack() {
        std::size_t out = 0;
        for (std::size_t s = 0; s < end_; ++s) {
            if (key_[s] < 0) continue;
            key_[out] = key_[s];
            count_[out] = count_[s];
            ++out;
        }
        end_ = out;
        // Linear Fenwick build over slots 1..out set to 1.
        std::fill(tree_.begin(), tree_.end(), 0);
        for (std::size_t i = 1; i <= out; ++i) tree_[i] += 1;
        for (std::size_t i = 1; i <= capacity_; ++i) {
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= capacity_) tree_[parent] += tree_[i];
        }
    }

    std::size_t capacity_ = 0, end_ = 0, top_ = 1;
    std::int32_t size_ = 0;
    std::vector<std::int32_t> key_, count_, tree_;
};

std::int32_t checkedTotal(const std::vector<std::int32_t>& sums, const char* what) {
    std::int32_t total = 0;
    for (std::size_t i = 0; i < sums.size(); ++i) {
        if (sums[i] < 0) {
            throw Error(ErrorKind::InvalidInput, std::string("The ") + what + " sum " + std::to_string(i + 1) +
                                                     " is negative (" + std::to_string(sums[i]) + ").");
        }
        if (__builtin_add_overflow(total, sums[i], &total)) {
            throw Error(ErrorKind::Overflow, std::string("Overflow: the total of the ") + what +
                                                 " sums exceeds the 32-bit range.");
        }
    }
    return total;
}

}  // namespace

bool marginsRealisable(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums) {
    const auto rows = static_cast<std::int64_t>(rowSums.size()), cols = static_cast<std::int64_t>(colSums.size());
    std::int64_t rowTotal = 0, colTotal = 0;
    for (auto r : rowSums) {
        if (r < 0 || r > cols) return false;
        rowTotal += r;
    }
    // conjugate[k] = number of columns whose sum is at least k, k = 1..rows.
    std::vector<std::int64_t> conjugate(static_cast<std::size_t>(rows) + 2, 0);
    for (auto c : colSums) {
        if (c < 0 || c > rows) return false;
        colTotal += c;
        conjugate[static_cast<std::size_t>(c)] += 1;
    }
    if (rowTotal != colTotal) return false;
    for (std::int64_t k = rows - 1; k >= 1; --k) conjugate[static_cast<std::size_t>(k)] += conjugate[static_cast<std::size_t>(k) + 1];
    // Gale-Ryser: rows sorted descending, every prefix sum at most the conjugate's.
    std::vector<std::int32_t> sorted(rowSums);
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    std::int64_t left = 0, right = 0;
    for (std::int64_t k = 1; k <= rows; ++k) {
        left += sorted[static_cast<std::size_t>(k - 1)];
        right += conjugate[static_cast<std::size_t>(k)];
        if (left > right) return false;
    }
    return true;
}

MarginMatrix RandomMarginMatrix(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums,
                                Random& random) {
    const std::int32_t total = checkedTotal(rowSums, "row");
    if (checkedTotal(colSums, "column") != total) {
        throw Error(ErrorKind::InvalidInput, "The row sums and the column sums have different totals.");
    }
    MarginMatrix x;
    x.rows = static_cast<std::int32_t>(rowSums.size());
    x.cols = static_cast<std::int32_t>(colSums.size());
    try {
        x.cells.assign(static_cast<std::size_t>(x.rows) * static_cast<std::size_t>(x.cols), 0);
    } catch (const std::bad_alloc&) {
        throw Error(ErrorKind::OutOfMemory, "Out of memory for the dealt " + std::to_string(x.rows) + " x " +
                                                std::to_string(x.cols) + " matrix.");
    }

    OpenList openRows(rowSums.size()), openCols(colSums.size());
    for (std::int32_t i = 1; i <= x.rows; ++i)
        if (rowSums[static_cast<std::size_t>(i - 1)] != 0) openRows.append(i, 0);
    for (std::int32_t j = 1; j <= x.cols; ++j)
        if (colSums[static_cast<std::size_t>(j - 1)] != 0) openCols.append(j, 0);

    for (std::int32_t t = 0; t < total; ++t) {
        const std::size_t rowSlot = openRows.slotAt(random.draw(openRows.size()));
        const std::size_t colSlot = openCols.slotAt(random.draw(openCols.size()));
        const std::int32_t i = openRows.key(rowSlot), j = openCols.key(colSlot);
        std::uint16_t& cell = x.at(i, j);
        if (cell == UINT16_MAX) {
            throw Error(ErrorKind::Overflow, "Overflow: a cell of the dealt matrix exceeds 65535.");
        }
        ++cell;
        const std::int32_t rowDealt = openRows.count(rowSlot) + 1;
        openRows.remove(rowSlot);
        if (rowDealt < rowSums[static_cast<std::size_t>(i - 1)]) openRows.append(i, rowDealt);
        const std::int32_t colDealt = openCols.count(colSlot) + 1;
        openCols.remove(colSlot);
        if (colDealt < colSums[static_cast<std::size_t>(j - 1)]) openCols.append(j, colDealt);
    }
    return x;
}

namespace {

// The reduction's working state: X, a bitmap of its non-zero cells and the sum of
// squares, with the two kinds of pass that lower that sum.
class Reduction {
public:
    Reduction(MarginMatrix& x, std::int32_t squares, ReductionPath path)
        : x_(x), squares_(squares), words_((static_cast<std::size_t>(x.cols) + 63) / 64),
          compact_(path == ReductionPath::Automatic ? fitsCache(x) : path == ReductionPath::Compact) {
        // A pass can change something only when X(i1, k1) > 0 (first diagonal) or
        // X(i1, k2) > 0 (second). Most cells are 0, so a bitmap of the non-zero cells,
        // 16 times smaller than X, answers that first: two bits in one row of it, often
        // in cache where X is not (32767 x 32767: 128 MiB against 2 GiB). Only then are
        // the four cells read; the passes and their draws are those of the plain reduction.
        try {
            nonZero_.assign(static_cast<std::size_t>(x.rows) * words_, 0);
        } catch (const std::bad_alloc&) {
            throw Error(ErrorKind::OutOfMemory, "Out of memory for the reduction of the dealt matrix.");
        }
        for (std::int32_t i = 1; i <= x.rows; ++i)
            for (std::int32_t k = 1; k <= x.cols; ++k)
                if (x.at(i, k)) word(i, k) |= bit(k);
    }

    std::int32_t squares() const { return squares_; }

    // One plain pass (no sum of squares is -1, so it never stops short).
    void plainPass(Random& random) { plainPasses(random, 1, -1); }

    // Up to count plain passes, fewer when the sum of squares reaches target (checked
    // after each pass, as before the next one); returns how many were made. They run
    // in one loop over the generator's batch, with the sizes in registers and the
    // kind of matrix decided once.
    std::uint64_t plainPasses(Random& random, std::uint64_t count, std::int32_t target) {
        const std::int32_t rows = x_.rows, cols = x_.cols;
        auto passes = [&](auto compact) {
            return random.proposeUntil(static_cast<std::int64_t>(count), [&](const std::uint32_t* k) {
                pass<compact>(k, rows, cols);
                return squares_ == target;
            });
        };
        const auto made = static_cast<std::uint64_t>(compact_ ? passes(std::true_type{}) : passes(std::false_type{}));
        return made + (made < count);
    }

    // A pass aimed at a cell above 1: three draws (the cell among those above 1, a
    // partner row, the partner column among that row's non-zero cells) and a move only
    // when it lowers the sum of squares. The move needs X(i, k) > 0, so the column is
    // taken from the bitmap's row: a random column would hit a zero cell (and a cache
    // miss in X) nearly every time in a sparse matrix.
    void aimedPass(Random& random, std::vector<std::pair<std::int32_t, std::int32_t>>& above1) {
        const auto slot = static_cast<std::size_t>(random.draw(static_cast<std::int32_t>(above1.size())) - 1);
        const auto [a, b] = above1[slot];
        if (x_.at(a, b) <= 1) {  // an interleaved plain pass lowered it meanwhile
            dropSlot(above1, slot);
            return;
        }
        std::int32_t i = random.draw(x_.rows - 1);
        if (i >= a) ++i;
        const std::int32_t nonZero = nonZeroInRow(i);
        if (nonZero == 0) return;
        const std::int32_t k = nthNonZeroColumn(i, random.draw(nonZero));
        if (k == b || !moveUnit(a, b, i, k, 3)) return;
        refreshBits(a, i, b, k);
        if (x_.at(a, b) <= 1) dropSlot(above1, slot);
        // The unit may land on a cell that was already 1.
        if (x_.at(a, k) > 1) above1.emplace_back(a, k);
        if (x_.at(i, b) > 1) above1.emplace_back(i, b);
    }

    std::vector<std::pair<std::int32_t, std::int32_t>> cellsAbove1() const {
        std::vector<std::pair<std::int32_t, std::int32_t>> cells;
        for (std::int32_t i = 1; i <= x_.rows; ++i)
            for (std::int32_t k = 1; k <= x_.cols; ++k)
                if (x_.at(i, k) > 1) cells.emplace_back(i, k);
        return cells;
    }

private:
    static void dropSlot(std::vector<std::pair<std::int32_t, std::int32_t>>& cells, std::size_t slot) {
        cells[slot] = cells.back();
        cells.pop_back();
    }

    // Moves one unit from the diagonal (p, q), (r, s) to (p, s), (r, q) when both
    // diagonal cells are positive and d = X(p,q) + X(r,s) - X(p,s) - X(r,q) >= minD.
    // The sum of squares changes by exactly -2 (d - 2).
    bool moveUnit(std::int32_t p, std::int32_t q, std::int32_t r, std::int32_t s, std::int32_t minD) {
        std::uint16_t &pq = x_.at(p, q), &rs = x_.at(r, s), &ps = x_.at(p, s), &rq = x_.at(r, q);
        if (pq == 0 || rs == 0) return false;
        const std::int32_t d = pq + rs - ps - rq;
        if (d < minD) return false;
        squares_ -= 2 * (d - 2);
        --pq;
        --rs;
        ++ps;
        ++rq;
        return true;
    }

    // A plain pass on its four values: i1 never the last row and i2 = i1 + 1 on a tie
    // (likewise the columns); a move on the first diagonal, then one on the second as
    // the cells now stand.
    template <bool Compact>
    void pass(const std::uint32_t* k, std::int32_t rows, std::int32_t cols) {
        const std::int32_t x0 = Random::index(k[0], rows - 1), x1 = Random::index(k[1], rows);
        const std::int32_t x2 = Random::index(k[2], cols - 1), x3 = Random::index(k[3], cols);
        const std::int32_t i1 = x0 + 1, i2 = x1 + 1 + (x1 == x0), k1 = x2 + 1, k2 = x3 + 1 + (x3 == x2);
        if constexpr (Compact) {
            compactMoves(i1, i2, k1, k2);
        } else {
            if (!((word(i1, k1) & bit(k1)) | (word(i1, k2) & bit(k2)))) return;
            const bool first = moveUnit(i1, k1, i2, k2, 2);
            const bool second = moveUnit(i1, k2, i2, k1, 2);
            if (first || second) refreshBits(i1, i2, k1, k2);
        }
    }

    // The two moves of a plain pass on a matrix that fits the cache, decided without
    // branches: which way the cells go is as unpredictable as a coin, and the bitmap
    // check that spares a large matrix its cache misses costs a misprediction here
    // instead. The cells are written only when a move happened.
    void compactMoves(std::int32_t i1, std::int32_t i2, std::int32_t k1, std::int32_t k2) {
        std::uint16_t &a = x_.at(i1, k1), &b = x_.at(i2, k2), &c = x_.at(i1, k2), &e = x_.at(i2, k1);
        std::int32_t pq = a, rs = b, ps = c, rq = e;
        // The diagonal (a, b) may give a unit to (c, e), then (c, e) one to (a, b), each
        // by moveUnit's rule, with 0 or 1 as the unit.
        const std::int32_t d1 = pq + rs - ps - rq;
        const std::int32_t first = (pq > 0) & (rs > 0) & (d1 >= 2);
        squares_ -= first * 2 * (d1 - 2);
        pq -= first, rs -= first, ps += first, rq += first;
        const std::int32_t d2 = ps + rq - pq - rs;
        const std::int32_t second = (ps > 0) & (rq > 0) & (d2 >= 2);
        squares_ -= second * 2 * (d2 - 2);
        pq += second, rs += second, ps -= second, rq -= second;
        if (!(first | second)) return;
        a = static_cast<std::uint16_t>(pq);
        b = static_cast<std::uint16_t>(rs);
        c = static_cast<std::uint16_t>(ps);
        e = static_cast<std::uint16_t>(rq);
        refreshBits(i1, i2, k1, k2);
    }

    void refreshBits(std::int32_t i1, std::int32_t i2, std::int32_t k1, std::int32_t k2) {
        setBit(i1, k1);
        setBit(i2, k2);
        setBit(i1, k2);
        setBit(i2, k1);
    }

    std::int32_t nonZeroInRow(std::int32_t i) const {
        const std::uint64_t* row = nonZero_.data() + static_cast<std::size_t>(i - 1) * words_;
        std::int32_t count = 0;
        for (std::size_t w = 0; w < words_; ++w) count += std::popcount(row[w]);
        return count;
    }

    // The column (1-based) of the n-th (1-based) non-zero cell of row i.
    std::int32_t nthNonZeroColumn(std::int32_t i, std::int32_t n) const {
        const std::uint64_t* row = nonZero_.data() + static_cast<std::size_t>(i - 1) * words_;
        std::size_t w = 0;
        for (std::int32_t inWord = std::popcount(row[0]); n > inWord; inWord = std::popcount(row[++w])) n -= inWord;
        std::uint64_t bits = row[w];
        for (; n > 1; --n) bits &= bits - 1;
        return static_cast<std::int32_t>(w * 64) + std::countr_zero(bits) + 1;
    }

    std::uint64_t& word(std::int32_t i, std::int32_t k) {
        return nonZero_[static_cast<std::size_t>(i - 1) * words_ + (static_cast<std::size_t>(k - 1) >> 6)];
    }
    static std::uint64_t bit(std::int32_t k) { return std::uint64_t{1} << ((k - 1) & 63); }
    void setBit(std::int32_t i, std::int32_t k) {
        std::uint64_t& w = word(i, k);
        w = x_.at(i, k) ? w | bit(k) : w & ~bit(k);
    }

    MarginMatrix& x_;
    std::int32_t squares_;
    std::size_t words_;
    // X fits a core's cache (256 KiB): plain passes read its cells without the bitmap.
    static bool fitsCache(const MarginMatrix& x) {
        return static_cast<std::size_t>(x.rows) * static_cast<std::size_t>(x.cols) <= (std::size_t{1} << 17);
    }
    bool compact_;
    std::vector<std::uint64_t> nonZero_;
};

}  // namespace

void ReduceSumOfSquares(MarginMatrix& x, Random& random, std::uint64_t plainPassLimit, ReductionPath path) {
    const std::int32_t rows = x.rows, cols = x.cols;
    std::int64_t total64 = 0, squares64 = 0;
    std::vector<std::int32_t> rowSums(static_cast<std::size_t>(rows), 0), colSums(static_cast<std::size_t>(cols), 0);
    for (std::int32_t i = 1; i <= rows; ++i) {
        for (std::int32_t k = 1; k <= cols; ++k) {
            const std::int64_t v = x.at(i, k);
            total64 += v;
            squares64 += v * v;
            rowSums[static_cast<std::size_t>(i - 1)] += static_cast<std::int32_t>(v);
            colSums[static_cast<std::size_t>(k - 1)] += static_cast<std::int32_t>(v);
        }
    }
    if (squares64 > INT32_MAX) {
        throw Error(ErrorKind::Overflow, "Overflow: the sum of squares of the dealt matrix (" +
                                             std::to_string(squares64) + ") exceeds the 32-bit range.");
    }
    const auto total = static_cast<std::int32_t>(total64);
    if (squares64 == total64) return;
    if (!marginsRealisable(rowSums, colSums)) {
        throw Error(ErrorKind::InvalidInput,
                    "No presence-absence matrix has these row and column sums; the reduction would never end.");
    }
    // Realisable with a cell above 1 implies rows >= 2 and cols >= 2.
    Reduction reduction(x, static_cast<std::int32_t>(squares64), path);
    // A plain pass lowers the excess (sum of squares minus total) only when its four
    // random cells meet a cell above 1, so each pass removes about a fixed share of
    // the excess, a share that shrinks with the matrix's size. The blocks so far
    // measure that share (averaged, so one unlucky block near the end, when a few
    // cells are left, decides nothing); when the excess left would need more than
    // kPlainPassBudget further passes at that rate, aimed passes take over (10,000 x
    // 1,000 at fill 0.03: 2^28 plain passes, some 29 s, became a fifth of a second).
    // Matrices that finish within the budget keep the plain reduction's moves.
    const double firstExcess = squares64 - total64;
    std::uint64_t pass = 0, blocks = 0;
    while (pass < plainPassLimit) {
        const std::uint64_t blockEnd = std::min(plainPassLimit, pass + kPlainPassBlock);
        pass += reduction.plainPasses(random, blockEnd - pass, total);
        const double excess = reduction.squares() - total;
        if (excess == 0) return;
        // Blocks still needed: ln(excess) over the log-share a block removes.
        const double perBlock = std::log(firstExcess / excess) / static_cast<double>(++blocks);
        if (perBlock * static_cast<double>(kPlainPassBudget / kPlainPassBlock) < std::log(excess)) break;
    }
    // In a large sparse matrix the last cells above 1 are found by a random pass only
    // once in ~10^11 passes (32767 x 32767 at fill 0.01). Passes aimed at those cells
    // finish the job; plain passes stay interleaved so that moves which leave the sum
    // unchanged can still free a cell that no aimed move can lower.
    std::vector<std::pair<std::int32_t, std::int32_t>> above1;
    while (reduction.squares() != total) {
        // Plain passes may also raise a cell above 1; a fresh scan finds those.
        if (above1.empty()) above1 = reduction.cellsAbove1();
        reduction.aimedPass(random, above1);
        reduction.plainPass(random);
    }
}

PresenceMatrix RandomBinaryMatrix(const std::vector<std::int32_t>& rowSums, const std::vector<std::int32_t>& colSums,
                                  Random& random) {
    if (checkedTotal(rowSums, "row") != checkedTotal(colSums, "column")) {
        throw Error(ErrorKind::InvalidInput, "The row sums and the column sums have different totals.");
    }
    if (!marginsRealisable(rowSums, colSums)) {
        throw Error(ErrorKind::InvalidInput, "No presence-absence matrix of " + std::to_string(rowSums.size()) + " x " +
                                                 std::to_string(colSums.size()) + " cells has these row and column sums.");
    }
    MarginMatrix x = RandomMarginMatrix(rowSums, colSums, random);
    ReduceSumOfSquares(x, random);
    PresenceMatrix result(x.rows, x.cols);
    for (std::int32_t i = 1; i <= x.rows; ++i)
        for (std::int32_t k = 1; k <= x.cols; ++k) result.set(i, k, static_cast<std::uint8_t>(x.at(i, k)));
    return result;
}

}  // namespace kelpo
