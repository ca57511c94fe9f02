// SPDX-License-Identifier: MIT
#include "zoom.h"

#include <algorithm>
#include <array>

namespace {

// Finer steps near the normal size, where a user looks for a little more or a little less.
constexpr std::array Steps{50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};

} // namespace

int Zoom::Stepped(int percent, int steps)
{
    if (steps > 0) {
        const auto next = std::upper_bound(Steps.cbegin(), Steps.cend(), percent);
        const auto target = next + std::min<std::ptrdiff_t>(steps - 1, Steps.cend() - next);
        return target == Steps.cend() ? Most : *target;
    }
    if (steps < 0) {
        const auto previous = std::lower_bound(Steps.cbegin(), Steps.cend(), percent);
        const auto target = previous - std::min<std::ptrdiff_t>(-steps, previous - Steps.cbegin());
        return target == previous ? Least : *target;
    }
    return Sanitised(percent);
}

int Zoom::Sanitised(int percent)
{
    return percent >= Least && percent <= Most ? percent : Normal;
}
