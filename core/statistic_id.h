// The co-occurrence statistics a user can choose, in the order of the statistic list.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelpo {

enum class StatisticId : std::uint8_t {
    CScore = 1,
    Checkerboards = 2,
    Combinations = 3,
    VRatio = 4,  // offered, never computed: every test of it gives p = 1
};

constexpr std::string_view statisticText(StatisticId id) {
    switch (id) {
        case StatisticId::CScore: return "C-Score";
        case StatisticId::Checkerboards: return "Number of Checkerboards";
        case StatisticId::Combinations: return "Number of Combinations";
        case StatisticId::VRatio: return "V-Ratio";
    }
    return "";
}

// How far a statistic may grow. The engine keeps 64 bits; the desktop program keeps
// its 32-bit rule, under which a C-score beyond 2147483647 stops the run (Overflow).
enum class StatisticRange : std::uint8_t { Full64, Limited32 };

// 1..4 as in the statistic list; nothing for any other number.
constexpr std::optional<StatisticId> statisticFromNumber(int number) {
    if (number < 1 || number > 4) return std::nullopt;
    return static_cast<StatisticId>(number);
}

}  // namespace kelpo
