// SPDX-License-Identifier: MIT
#pragma once

// Interface fonts are usually the generic names "Sans Serif", "Serif" or "Monospace". When Qt
// cannot load a requested family directly it builds a fallback list and checks every entry
// against every installed family: with ten thousand families that takes seconds for each
// alias and script. A real family name loads directly.

// Names the application's font by the real family its alias stands for. Call before creating
// any widget.
void ResolveApplicationFontFamily();
