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

// 1..4 as in the statistic list; nothing for any other number.
constexpr std::optional<StatisticId> statisticFromNumber(int number) {
    if (number < 1 || number > 4) return std::nullopt;
    return static_cast<StatisticId>(number);
}

}  // namespace kelpo
