// A sparse table of cell texts in which every cell not stored reads "0".
// Keys come out in the order their cells were last written.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelpo {

class SparseArray {
public:
    using CountMap = std::map<std::int32_t, std::int32_t>;
    struct Cell {
        std::int32_t row;
        std::int32_t col;
        std::string_view text;
    };

    SparseArray();
    ~SparseArray();
    SparseArray(const SparseArray& other);             // a copy in the source's key order
    SparseArray& operator=(const SparseArray& other);  // Equals: counts rebuilt from the cells
    SparseArray(SparseArray&&) noexcept;
    SparseArray& operator=(SparseArray&&) noexcept;

    struct Position {
        std::int32_t row;
        std::int32_t col;
        bool operator==(const Position&) const = default;
    };

    // The stored text, or "0".
    std::string value(std::int32_t row, std::int32_t col) const;
    // The stored text without a copy, or none when the cell is not stored (reads "0").
    // Valid until the next write.
    std::optional<std::string_view> find(std::int32_t row, std::int32_t col) const;
    // Stores, replaces or removes (text "0") the cell; a rewrite moves its key to the end.
    void setValue(std::int32_t row, std::int32_t col, std::string_view text);

    // Largest stored row (column) index, 0 when none is above 0.
    std::int32_t rows() const;
    std::int32_t cols() const;

    // Stored cells per row (column) since the maps were last rebuilt; emptied rows keep a 0.
    const CountMap& rowCount() const;
    const CountMap& colCount() const;

    std::size_t size() const;  // number of stored cells
    // Room for this many cells and bytes of their texts, so a file's cells are
    // stored without the slack of repeated growth.
    void reserve(std::size_t cells, std::size_t textBytes);

    // Key texts "row,col" in key order.
    std::vector<std::string> keys() const;
    // The same keys as numbers, without building texts.
    std::vector<Position> positions() const;
    // {0, row, column} of a key text; throws kelpo::Error (InvalidInput) for a column that is no number.
    static std::array<std::int32_t, 3> rowColumn(std::string_view key);

    // Visits every stored cell in key order.
    void forEach(const std::function<void(const Cell&)>& visit) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelpo
