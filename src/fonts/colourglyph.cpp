// SPDX-License-Identifier: MIT
#include "colourglyph.h"

#include "glyphbitmap.h"

#include <cmath>

GlyphImage ColourGlyph(const FT_GlyphSlotRec &slot, qreal scale)
{
    GlyphImage image;
    image.offset = QPoint(slot.bitmap_left, -slot.bitmap_top);
    image.cover = ImagesOfBitmap(slot.bitmap, 0, false).cover; // in its own colours
    if (scale == 1 || image.cover.isNull())
        return image;
    const QSize size(std::max(1, int(std::lround(image.cover.width() * scale))),
                     std::max(1, int(std::lround(image.cover.height() * scale))));
    image.cover = image.cover.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.offset = QPoint(int(std::lround(slot.bitmap_left * scale)), int(std::lround(-slot.bitmap_top * scale)));
    return image;
}
