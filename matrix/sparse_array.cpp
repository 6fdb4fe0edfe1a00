#include "matrix/sparse_array.h"

#include <charconv>
#include <limits>
#include <optional>

#include "core/error.h"
#include "core/numbers.h"

namespace kelpo {

// Layout: the cells live in a vector in key order; a removed or rewritten cell
// leaves a dead entry behind (so a rewrite, which moves the key to the end, is a
// push_back) and the vector is compacted once the dead outnumber the live.
// An entry is 16 bytes: its texts sit back to back in one byte arena, so a cell
// costs its 16 bytes, its text's own bytes and about 8 bytes of the table below,
// some 25 bytes where a std::string per cell made it 50 and a 10 MB file of
// empty fields took over a gigabyte.
// An open-addressing table of 32-bit slot numbers finds a cell's entry.
struct SparseArray::Impl {
    struct Entry {
        std::int32_t row;
        std::int32_t col;
        std::uint32_t start;   // of the text in the arena
        std::uint32_t length;
    };
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
    static constexpr std::size_t kMinBuckets = 16;
    static constexpr std::size_t kMinDeadBytes = 1 << 16;

    std::vector<Entry> entries;
    std::vector<bool> live;              // live[i]: entries[i] is a stored cell
    std::size_t liveCount = 0;
    std::string arena;                   // every entry's text, dead ones until compaction
    std::size_t liveBytes = 0;
    std::vector<std::uint32_t> buckets;  // slot numbers into entries, or kEmpty
    CountMap rowCount;
    CountMap colCount;

    static std::uint64_t mix(std::int32_t row, std::int32_t col) {
        // splitmix64 finaliser: rows and columns are small and dense, so the
        // packed key must be scattered before it is masked to a bucket.
        std::uint64_t z = (std::uint64_t{static_cast<std::uint32_t>(row)} << 32) | static_cast<std::uint32_t>(col);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t mask() const { return buckets.size() - 1; }
    std::size_t home(std::int32_t row, std::int32_t col) const { return mix(row, col) & mask(); }
    std::string_view textOf(const Entry& e) const { return std::string_view(arena).substr(e.start, e.length); }

    // Bucket holding the cell, or buckets.size() when it is not stored.
    std::size_t findBucket(std::int32_t row, std::int32_t col) const {
        if (buckets.empty()) return 0;
        for (std::size_t b = home(row, col);; b = (b + 1) & mask()) {
            const std::uint32_t slot = buckets[b];
            if (slot == kEmpty) return buckets.size();
            const Entry& e = entries[slot];
            if (e.row == row && e.col == col) return b;
        }
    }

    void placeSlot(std::uint32_t slot) {
        const Entry& e = entries[slot];
        std::size_t b = home(e.row, e.col);
        while (buckets[b] != kEmpty) b = (b + 1) & mask();
        buckets[b] = slot;
    }

    // Backward-shift deletion keeps every probe chain unbroken without tombstones.
    void eraseBucket(std::size_t hole) {
        std::size_t next = hole;
        for (;;) {
            next = (next + 1) & mask();
            const std::uint32_t slot = buckets[next];
            if (slot == kEmpty) break;
            const std::size_t want = home(entries[slot].row, entries[slot].col);
            // The entry may move back into the hole unless its home lies cyclically in (hole, next].
            const bool homeBetween = hole <= next ? (hole < want && want <= next) : (hole < want || want <= next);
            if (!homeBetween) {
                buckets[hole] = slot;
                hole = next;
            }
        }
        buckets[hole] = kEmpty;
    }

    static std::size_t bucketsFor(std::size_t cells) {
        std::size_t size = kMinBuckets;
        while (size * 3 < cells * 4 + 4) size *= 2;  // load at most 3/4
        return size;
    }

    void rebuildBuckets(std::size_t forCells) {
        buckets.assign(bucketsFor(forCells), kEmpty);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (live[i]) placeSlot(static_cast<std::uint32_t>(i));
    }

    void growIfFull() {
        if (buckets.empty() || (liveCount + 1) * 4 > buckets.size() * 3) rebuildBuckets((liveCount + 1) * 2);
    }

    void reserve(std::size_t cells, std::size_t textBytes) {
        entries.reserve(cells);
        live.reserve(cells);
        arena.reserve(textBytes);
        if (bucketsFor(cells) > buckets.size()) rebuildBuckets(cells);
    }

    std::uint32_t append(std::int32_t row, std::int32_t col, std::string_view text) {
        if (entries.size() >= kEmpty) {
            throw Error(ErrorKind::OutOfMemory, "The cell store cannot hold more than 4294967294 cells.");
        }
        entries.push_back(Entry{row, col, static_cast<std::uint32_t>(arena.size()),
                                static_cast<std::uint32_t>(text.size())});
        arena.append(text);
        live.push_back(true);
        liveBytes += text.size();
        return static_cast<std::uint32_t>(entries.size() - 1);
    }

    void kill(std::uint32_t slot) {
        live[slot] = false;
        liveBytes -= entries[slot].length;
    }

    // Live entries and their texts moved to the front, in key order.
    void compact() {
        std::string texts;
        texts.reserve(liveBytes);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (!live[i]) continue;
            Entry e = entries[i];
            const std::string_view text = textOf(e);
            e.start = static_cast<std::uint32_t>(texts.size());
            texts.append(text);
            entries[kept++] = e;
        }
        entries.resize(kept);
        entries.shrink_to_fit();
        arena = std::move(texts);
        live.assign(kept, true);
        rebuildBuckets(kept);
    }

    // Drops the dead entries and texts once they outweigh the live ones, so memory
    // and iteration stay linear in the stored cells however often cells are rewritten.
    void compactIfSparse() {
        const std::size_t dead = entries.size() - liveCount;
        const std::size_t deadBytes = arena.size() - liveBytes;
        const bool manyDead = dead >= 1024 && dead > liveCount;
        const bool muchDeadText = deadBytes >= kMinDeadBytes && deadBytes > liveBytes;
        if (manyDead || muchDeadText) compact();
    }

    static void countDown(CountMap& counts, std::int32_t index) { --counts[index]; }
    static void countUp(CountMap& counts, std::int32_t index) { ++counts[index]; }

    // Arena offsets are 32-bit: dead texts go first, then the write is refused.
    void makeRoom(std::size_t bytes) {
        if (arena.size() + bytes <= kEmpty) return;
        compact();
        if (arena.size() + bytes > kEmpty) {
            throw Error(ErrorKind::OutOfMemory, "The cell store cannot hold more than 4 GB of cell text.");
        }
    }

    bool inArena(std::string_view text) const {
        return !text.empty() && text.data() >= arena.data() && text.data() < arena.data() + arena.size();
    }

    void set(std::int32_t row, std::int32_t col, std::string_view text) {
        // A compaction would move a text viewed in the arena itself: such a text is copied first.
        if (inArena(text)) {
            set(row, col, std::string(text));
            return;
        }
        makeRoom(text.size());
        const bool zero = text == "0";
        const std::size_t b = findBucket(row, col);
        if (b < buckets.size()) {
            const std::uint32_t slot = buckets[b];
            if (zero) {
                kill(slot);
                eraseBucket(b);
                --liveCount;
                countDown(rowCount, row);
                countDown(colCount, col);
            } else {
                const std::uint32_t moved = append(row, col, text);
                kill(slot);
                buckets[b] = moved;
            }
            compactIfSparse();
            return;
        }
        if (zero) return;
        growIfFull();
        placeSlot(append(row, col, text));
        ++liveCount;
        countUp(rowCount, row);
        countUp(colCount, col);
    }

    std::optional<std::string_view> find(std::int32_t row, std::int32_t col) const {
        const std::size_t b = findBucket(row, col);
        if (b == buckets.size()) return std::nullopt;
        return textOf(entries[buckets[b]]);
    }

    // Largest index with a stored cell: a count entry above 0 marks one, and the
    // counts are exact, so only emptied rows at the top are skipped.
    static std::int32_t largestUsed(const CountMap& counts) {
        for (auto it = counts.rbegin(); it != counts.rend() && it->first > 0; ++it)
            if (it->second > 0) return it->first;
        return 0;
    }

    // Equals: the source's cells in its key order, counts rebuilt from them.
    void copyFrom(const Impl& source) {
        entries.clear();
        live.clear();
        arena.clear();
        liveBytes = 0;
        rowCount.clear();
        colCount.clear();
        entries.reserve(source.liveCount);
        arena.reserve(source.liveBytes);
        for (std::size_t i = 0; i < source.entries.size(); ++i) {
            if (!source.live[i]) continue;
            const Entry& e = source.entries[i];
            entries.push_back(Entry{e.row, e.col, static_cast<std::uint32_t>(arena.size()), e.length});
            arena.append(source.textOf(e));
            countUp(rowCount, e.row);
            countUp(colCount, e.col);
        }
        liveBytes = arena.size();
        live.assign(entries.size(), true);
        liveCount = entries.size();
        rebuildBuckets(liveCount);
    }
};

namespace {

const SparseArray::CountMap& emptyCounts() {
    static const SparseArray::CountMap none;
    return none;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A key's column text as a 32-bit integer: a decimal number, blanks around it
// allowed, a fraction rounded half to even; anything else is no number.
std::int32_t columnNumber(std::string_view key, std::string_view text) {
    std::string_view number = trimBlanks(text);
    if (!number.empty() && number.front() == '+') number.remove_prefix(1);
    // from_chars also reads "inf" and "nan": only a digit or a point may follow the sign.
    const std::string_view unsigned_ = !number.empty() && number.front() == '-' ? number.substr(1) : number;
    const bool startsLikeNumber =
        !unsigned_.empty() && (unsigned_.front() == '.' || (unsigned_.front() >= '0' && unsigned_.front() <= '9'));
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (!startsLikeNumber || error != std::errc() || end != number.data() + number.size()) {
        throw Error(ErrorKind::InvalidInput, "The cell key \"" + std::string(key) + "\" has no column number.");
    }
    return toWholeNumber(value);
}

}  // namespace

SparseArray::SparseArray() = default;
SparseArray::~SparseArray() = default;
SparseArray::SparseArray(SparseArray&&) noexcept = default;
SparseArray& SparseArray::operator=(SparseArray&&) noexcept = default;

SparseArray::SparseArray(const SparseArray& other) {
    if (other.impl_) {
        impl_ = std::make_unique<Impl>();
        impl_->copyFrom(*other.impl_);
    }
}

SparseArray& SparseArray::operator=(const SparseArray& other) {
    if (this == &other) return *this;  // a copy of itself keeps everything
    if (!other.impl_) {
        impl_.reset();
        return *this;
    }
    auto copy = std::make_unique<Impl>();
    copy->copyFrom(*other.impl_);
    impl_ = std::move(copy);
    return *this;
}

std::string SparseArray::value(std::int32_t row, std::int32_t col) const {
    const std::optional<std::string_view> text = find(row, col);
    return text ? std::string(*text) : std::string("0");
}

std::optional<std::string_view> SparseArray::find(std::int32_t row, std::int32_t col) const {
    return impl_ ? impl_->find(row, col) : std::nullopt;
}

void SparseArray::setValue(std::int32_t row, std::int32_t col, std::string_view text) {
    if (!impl_) {
        if (text == "0") return;
        impl_ = std::make_unique<Impl>();
    }
    impl_->set(row, col, text);
}

std::int32_t SparseArray::rows() const { return impl_ ? Impl::largestUsed(impl_->rowCount) : 0; }
std::int32_t SparseArray::cols() const { return impl_ ? Impl::largestUsed(impl_->colCount) : 0; }

const SparseArray::CountMap& SparseArray::rowCount() const { return impl_ ? impl_->rowCount : emptyCounts(); }
const SparseArray::CountMap& SparseArray::colCount() const { return impl_ ? impl_->colCount : emptyCounts(); }

std::size_t SparseArray::size() const { return impl_ ? impl_->liveCount : 0; }

void SparseArray::reserve(std::size_t cells, std::size_t textBytes) {
    if (!impl_) impl_ = std::make_unique<Impl>();
    impl_->reserve(cells, textBytes);
}

std::vector<std::string> SparseArray::keys() const {
    std::vector<std::string> result;
    result.reserve(size());
    forEach([&result](const Cell& cell) {
        result.push_back(std::to_string(cell.row) + "," + std::to_string(cell.col));
    });
    return result;
}

std::vector<SparseArray::Position> SparseArray::positions() const {
    std::vector<Position> result;
    result.reserve(size());
    forEach([&result](const Cell& cell) { result.push_back(Position{cell.row, cell.col}); });
    return result;
}

std::array<std::int32_t, 3> SparseArray::rowColumn(std::string_view key) {
    const std::size_t comma = key.find(',');
    // The row is read like a typed number and stops at the comma; no number reads 0.
    const std::int32_t row = toWholeNumber(leadingNumber(key.substr(0, comma)));
    const std::string_view colText = comma == std::string_view::npos ? key : key.substr(comma + 1);
    return {0, row, columnNumber(key, colText)};
}

void SparseArray::forEach(const std::function<void(const Cell&)>& visit) const {
    if (!impl_) return;
    const Impl& state = *impl_;
    for (std::size_t i = 0; i < state.entries.size(); ++i) {
        if (!state.live[i]) continue;
        const Impl::Entry& e = state.entries[i];
        visit(Cell{e.row, e.col, state.textOf(e)});
    }
}

}  // namespace kelpo
