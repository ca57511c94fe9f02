// SPDX-License-Identifier: MIT
#pragma once

// The sizes the view zooms through, in percent of its base size.
namespace Zoom {

constexpr int Normal = 100;
constexpr int Least = 50;
constexpr int Most = 400;

// The step after (steps > 0) or before (steps < 0) the given zoom, kept within the range.
int Stepped(int percent, int steps);

// A stored zoom if it lies within the range; otherwise the normal size.
int Sanitised(int percent);

} // namespace Zoom
