// SPDX-License-Identifier: MIT
#include "colourglyph.h"

#include <cmath>

GlyphImage ColourGlyph(const FT_GlyphSlotRec &slot, qreal scale)
{
    const FT_Bitmap &bitmap = slot.bitmap;
    GlyphImage image;
    image.offset = QPoint(slot.bitmap_left, -slot.bitmap_top);
    if (!bitmap.buffer || bitmap.width == 0 || bitmap.rows == 0)
        return image;
    image.cover = QImage(int(bitmap.width), int(bitmap.rows), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.cover.height(); ++y) {
        const unsigned char *row = bitmap.buffer + y * bitmap.pitch;
        auto *line = reinterpret_cast<QRgb *>(image.cover.scanLine(y));
        for (int x = 0; x < image.cover.width(); ++x) // premultiplied, as FreeType gives them
            line[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    }
    if (scale == 1)
        return image;
    const QSize size(std::max(1, int(std::lround(image.cover.width() * scale))),
                     std::max(1, int(std::lround(image.cover.height() * scale))));
    image.cover = image.cover.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.offset = QPoint(int(std::lround(slot.bitmap_left * scale)), int(std::lround(-slot.bitmap_top * scale)));
    return image;
}
