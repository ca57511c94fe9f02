#pragma once

#include <QImage>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <utility>

// A glyph's bitmap as FreeType hands it over, read row by row from the top whatever the sign of
// its pitch. A bitmap without a buffer, an empty one, one whose rows are shorter than its width
// needs, or one of a mode not known here has mode FT_PIXEL_MODE_NONE: there is nothing to draw.
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

// How much of pixel x a row covers, 0 to 255, in each mode of one channel.
using CoverageRule = int (*)(const unsigned char *row, int x, int grays);
int MonoCoverage(const unsigned char *row, int x, int grays);
int Gray2Coverage(const unsigned char *row, int x, int grays);
int Gray4Coverage(const unsigned char *row, int x, int grays);
int GrayCoverage(const unsigned char *row, int x, int grays);
// The ink colour, premultiplied by the coverage of each pixel.
QImage CoverageImage(const BitmapRows &rows, QRgb colour, CoverageRule coverage);

// The red, green and blue coverage of pixel (x, y) in each subpixel mode, in screen order.
using ChannelRule = std::array<int, 3> (*)(const BitmapRows &rows, int x, int y);
std::array<int, 3> LcdChannels(const BitmapRows &rows, int x, int y);
std::array<int, 3> LcdVerticalChannels(const BitmapRows &rows, int x, int y);
// The pair that darkens the page per channel and then adds the colour; a BGR screen swaps the
// outer channels.
std::pair<QImage, QImage> SubpixelImages(const BitmapRows &rows, QRgb colour, ChannelRule channels, bool bgr);

// A colour glyph's own premultiplied colours.
QImage ColourImage(const BitmapRows &rows);
