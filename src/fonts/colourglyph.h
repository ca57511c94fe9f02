// SPDX-License-Identifier: MIT
#pragma once

#include "face.h"

// The glyph loaded into the slot as a colour (BGRA) bitmap, in its own colours whatever the
// text's, scaled by the factor: a colour strike is drawn at the size of the text around it.
GlyphImage ColourGlyph(const FT_GlyphSlotRec &slot, qreal scale);
