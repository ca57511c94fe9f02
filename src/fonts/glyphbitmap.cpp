// SPDX-License-Identifier: MIT
#include "glyphbitmap.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// A glyph's bitmap read row by row from the top; mode FT_PIXEL_MODE_NONE where there is nothing
// to draw.
class BitmapRows
{
public:
    explicit BitmapRows(const FT_Bitmap &bitmap);

    FT_Pixel_Mode mode() const { return m_mode; }
    // In pixels of the image: a subpixel bitmap holds three samples a pixel.
    QSize size() const { return m_size; }
    const unsigned char *row(int y) const { return m_top + qptrdiff(y) * m_pitch; }
    int grays() const { return m_grays; }

private:
    FT_Pixel_Mode m_mode = FT_PIXEL_MODE_NONE;
    QSize m_size;
    const unsigned char *m_top = nullptr;
    int m_pitch = 0;
    int m_grays = 0;
};

// Bytes a row of the mode needs for its width; 0 for a mode not known here.
qint64 rowBytes(unsigned char mode, qint64 width)
{
    switch (mode) {
    case FT_PIXEL_MODE_MONO:
        return (width + 7) / 8;
    case FT_PIXEL_MODE_GRAY2:
        return (width + 3) / 4;
    case FT_PIXEL_MODE_GRAY4:
        return (width + 1) / 2;
    case FT_PIXEL_MODE_GRAY:
    case FT_PIXEL_MODE_LCD:
    case FT_PIXEL_MODE_LCD_V:
        return width;
    case FT_PIXEL_MODE_BGRA:
        return 4 * width;
    default:
        return 0;
    }
}

QSize pixelsOf(unsigned char mode, int width, int rows)
{
    if (mode == FT_PIXEL_MODE_LCD)
        return QSize(width / 3, rows);
    if (mode == FT_PIXEL_MODE_LCD_V)
        return QSize(width, rows / 3);
    return QSize(width, rows);
}

BitmapRows::BitmapRows(const FT_Bitmap &bitmap)
{
    // Larger than any glyph drawn on a line; keeps the images' sizes within int.
    constexpr unsigned int MaxSide = 1 << 14;
    if (!bitmap.buffer || bitmap.width == 0 || bitmap.rows == 0 || bitmap.width > MaxSide || bitmap.rows > MaxSide)
        return;
    const qint64 bytes = rowBytes(bitmap.pixel_mode, bitmap.width);
    const QSize size = pixelsOf(bitmap.pixel_mode, int(bitmap.width), int(bitmap.rows));
    if (bytes == 0 || std::abs(qint64(bitmap.pitch)) < bytes || size.isEmpty())
        return;
    m_mode = FT_Pixel_Mode(bitmap.pixel_mode);
    m_size = size;
    m_pitch = bitmap.pitch;
    // Rows go up in memory where the pitch is negative: the buffer starts with the bottom row.
    m_top = bitmap.pitch >= 0 ? bitmap.buffer : bitmap.buffer - qptrdiff(bitmap.pitch) * (bitmap.rows - 1);
    m_grays = bitmap.num_grays;
}

// How much of pixel x a row covers, 0 to 255, in each mode of one channel.
using CoverageRule = int (*)(const unsigned char *row, int x, int grays);

int monoCoverage(const unsigned char *row, int x, int /*grays*/)
{
    return ((row[x / 8] >> (7 - x % 8)) & 1) * 255;
}

int gray2Coverage(const unsigned char *row, int x, int /*grays*/)
{
    return ((row[x / 4] >> (6 - 2 * (x % 4))) & 3) * 85;
}

int gray4Coverage(const unsigned char *row, int x, int /*grays*/)
{
    return ((row[x / 2] >> (4 - 4 * (x % 2))) & 15) * 17;
}

// Nearly always 256 levels; a font format may give fewer.
int grayCoverage(const unsigned char *row, int x, int grays)
{
    return grays > 1 && grays != 256 ? std::min(255, row[x] * 255 / (grays - 1)) : row[x];
}

QImage coverageImage(const BitmapRows &rows, QRgb colour, CoverageRule coverage)
{
    QImage image(rows.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        const unsigned char *row = rows.row(y);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), coverage(row, x, rows.grays())));
    }
    return image;
}

// The red, green and blue coverage of pixel (x, y) in each subpixel mode, in screen order.
using ChannelRule = std::array<int, 3> (*)(const BitmapRows &rows, int x, int y);

std::array<int, 3> lcdChannels(const BitmapRows &rows, int x, int y)
{
    const unsigned char *samples = rows.row(y) + 3 * x;
    return {samples[0], samples[1], samples[2]};
}

std::array<int, 3> lcdVerticalChannels(const BitmapRows &rows, int x, int y)
{
    return {rows.row(3 * y)[x], rows.row(3 * y + 1)[x], rows.row(3 * y + 2)[x]};
}

// A BGR screen swaps the outer channels.
BitmapImages subpixelImages(const BitmapRows &rows, QRgb colour, ChannelRule channels, bool bgr)
{
    BitmapImages images{QImage(rows.size(), QImage::Format_RGB32), QImage(rows.size(), QImage::Format_RGB32)};
    for (int y = 0; y < rows.size().height(); ++y) {
        auto *cover = reinterpret_cast<QRgb *>(images.cover.scanLine(y));
        auto *add = reinterpret_cast<QRgb *>(images.add.scanLine(y));
        for (int x = 0; x < rows.size().width(); ++x) {
            auto [red, green, blue] = channels(rows, x, y);
            if (bgr)
                std::swap(red, blue);
            cover[x] = qRgb(255 - red, 255 - green, 255 - blue);
            add[x] = qRgb(qRed(colour) * red / 255, qGreen(colour) * green / 255, qBlue(colour) * blue / 255);
        }
    }
    return images;
}

QImage colourImage(const BitmapRows &rows)
{
    QImage image(rows.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        const unsigned char *pixel = rows.row(y);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        // FreeType's BGRA is premultiplied already; a colour channel above its alpha is not
        // premultiplied and would overflow when composed.
        for (int x = 0; x < image.width(); ++x, pixel += 4) {
            const int alpha = pixel[3];
            line[x] = qRgba(std::min<int>(pixel[2], alpha), std::min<int>(pixel[1], alpha), std::min<int>(pixel[0], alpha), alpha);
        }
    }
    return image;
}

} // namespace

bool WorthRasterising(const FT_GlyphSlotRec &glyph, int pixelSize)
{
    // Far wider than the longest ligature, far taller than any line.
    constexpr qint64 LargestEms = 64;
    const qint64 largest = LargestEms * std::max(pixelSize, 1);
    if (glyph.format == FT_GLYPH_FORMAT_BITMAP)
        return glyph.bitmap.width <= largest && glyph.bitmap.rows <= largest;
    if (glyph.format != FT_GLYPH_FORMAT_OUTLINE)
        return true;
    FT_BBox box = {};
    FT_Outline_Get_CBox(&glyph.outline, &box);
    return (box.xMax - box.xMin) / 64 <= largest && (box.yMax - box.yMin) / 64 <= largest;
}

BitmapImages ImagesOfBitmap(const FT_Bitmap &bitmap, QRgb colour, bool bgr)
{
    const BitmapRows rows(bitmap);
    switch (rows.mode()) {
    case FT_PIXEL_MODE_MONO:
        return {coverageImage(rows, colour, monoCoverage), {}};
    case FT_PIXEL_MODE_GRAY2:
        return {coverageImage(rows, colour, gray2Coverage), {}};
    case FT_PIXEL_MODE_GRAY4:
        return {coverageImage(rows, colour, gray4Coverage), {}};
    case FT_PIXEL_MODE_GRAY:
        return {coverageImage(rows, colour, grayCoverage), {}};
    case FT_PIXEL_MODE_LCD:
        return subpixelImages(rows, colour, lcdChannels, bgr);
    case FT_PIXEL_MODE_LCD_V:
        return subpixelImages(rows, colour, lcdVerticalChannels, bgr);
    case FT_PIXEL_MODE_BGRA:
        return {colourImage(rows), {}};
    default: // nothing to draw
        return {};
    }
}
