// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <ft2build.h>
#include FT_FREETYPE_H

// A glyph's bitmap as images to draw: the ink colour premultiplied by each pixel's coverage; for
// subpixel rendering the pair that darkens the page per channel (cover) and then adds the
// colour (add); a colour glyph's own colours. Each pixel mode is read by its own rule, row by
// row from the top whatever the sign of the pitch. A bitmap without a buffer, an empty one, one
// whose rows are shorter than its width needs, or one of a mode not known here gives null
// images: there is nothing to draw.
struct BitmapImages
{
    QImage cover;
    QImage add;
};
BitmapImages ImagesOfBitmap(const FT_Bitmap &bitmap, QRgb colour, bool bgr);

// Whether the glyph is of a size worth drawing on a line of text at the pixel size: a broken
// font can hold a glyph thousands of ems across, whose bitmap takes seconds and gigabytes to
// make and would be cut to the line all but entirely.
bool WorthRasterising(const FT_GlyphSlotRec &glyph, int pixelSize);
