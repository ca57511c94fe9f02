// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

// Window geometry is kept in twips, 1/1440 inch, so it means the same size on every screen.
namespace twips {

constexpr double PerInch = 1440.0;

constexpr float fromPixels(int pixels, double dotsPerInch)
{
    return static_cast<float>(pixels * PerInch / dotsPerInch);
}

inline int toPixels(double twips, double dotsPerInch)
{
    return static_cast<int>(std::lround(twips * dotsPerInch / PerInch));
}

} // namespace twips
