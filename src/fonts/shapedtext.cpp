// SPDX-License-Identifier: MIT
#include "shapedtext.h"

#include <QPainter>

#include <hb.h>

#include <cmath>

namespace {

// A face that cannot be read shows a box per character, as wide and as tall as a typical
// letter of its size, so that the line keeps roughly the length it would have had.
constexpr float MissingAdvanceEms = 0.6f;
constexpr qreal MissingHeightEms = 0.7;

// Where to draw an image whose offset counts device pixels, so that its pixels fall on the
// device's own: the origin rounded to a device pixel, in the painter's coordinates.
QPointF onDevicePixels(const QTransform &toDevice, const QTransform &fromDevice, QPointF origin, QPoint offset)
{
    return fromDevice.map(QPointF(toDevice.map(origin).toPoint() + offset));
}

} // namespace

ShapedPiece::ShapedPiece(std::shared_ptr<FaceCache::Face> face, QStringView text)
    : m_face(std::move(face))
    , m_columnX(size_t(text.size()) + 1, std::nanf(""))
{
    if (m_face->font())
        shape(text);
    else
        showMissing(text);
    m_columnX.back() = float(m_width);
    // Characters inside a cluster share its caret place.
    for (size_t column = 1; column < m_columnX.size(); ++column) {
        if (std::isnan(m_columnX[column]))
            m_columnX[column] = m_columnX[column - 1];
    }
    if (std::isnan(m_columnX.front()))
        m_columnX.front() = 0;
}

int ShapedPiece::xToCursor(qreal x) const
{
    int nearest = 0;
    for (size_t column = 1; column < m_columnX.size(); ++column) {
        if (std::abs(m_columnX[column] - x) < std::abs(m_columnX[size_t(nearest)] - x))
            nearest = int(column);
    }
    return nearest;
}

void ShapedPiece::draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const
{
    const QRectF shown = painter.clipBoundingRect();
    const QTransform toDevice = painter.deviceTransform();
    const QTransform fromDevice = toDevice.inverted();
    for (const Glyph &glyph : m_glyphs) {
        const QPointF origin = baselineStart + QPointF(glyph.x, glyph.y);
        if (!shown.isEmpty() && (origin.x() > shown.right() || origin.x() + glyph.advance < shown.left()))
            continue;
        const GlyphImage *image = glyph.index ? &m_face->glyph(*glyph.index, colour.rgb()) : nullptr;
        if (!image || image->missing) {
            drawMissing(painter, origin, glyph.advance, colour);
            continue;
        }
        const QPointF at = onDevicePixels(toDevice, fromDevice, origin, image->offset);
        if (image->add.isNull()) {
            painter.drawImage(at, image->cover);
            continue;
        }
        // Each channel of the page keeps what the glyph leaves uncovered, then takes the colour.
        const QPainter::CompositionMode mode = painter.compositionMode();
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.drawImage(at, image->cover);
        painter.setCompositionMode(QPainter::CompositionMode_Plus);
        painter.drawImage(at, image->add);
        painter.setCompositionMode(mode);
    }
}

std::vector<std::optional<unsigned int>> ShapedPiece::glyphIndices() const
{
    std::vector<std::optional<unsigned int>> indices;
    for (const Glyph &glyph : m_glyphs)
        indices.push_back(glyph.index);
    return indices;
}

// Each item, of one direction and one script, is shaped on its own with the whole text as its
// context, and placed where the bidirectional algorithm shows it.
void ShapedPiece::shape(QStringView text)
{
    for (const DirectionalRun &item : VisualItems(text))
        m_width = shapeRun(text, item, m_width);
}

qreal ShapedPiece::shapeRun(QStringView text, const DirectionalRun &run, qreal x)
{
    const std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(), &hb_buffer_destroy);
    hb_buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t *>(text.utf16()), int(text.size()),
                        unsigned(run.start), run.length);
    hb_buffer_set_direction(buffer.get(), run.rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    if (run.script)
        hb_buffer_set_script(buffer.get(), hb_script_t(run.script));
    hb_buffer_guess_segment_properties(buffer.get()); // the language, and a script for shared characters
    hb_shape(m_face->font(), buffer.get(), nullptr, 0);

    unsigned int count = 0;
    const hb_glyph_info_t *infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
    const hb_glyph_position_t *positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
    const qreal unit = 64 * m_face->devicePixelRatio(); // HarfBuzz measures device pixels
    for (unsigned int index = 0; index < count; ++index) {
        const float advance = float(positions[index].x_advance / unit);
        m_glyphs.push_back({infos[index].codepoint, float(x + positions[index].x_offset / unit),
                            float(-positions[index].y_offset / unit), advance});
        float &caret = m_columnX[std::min<size_t>(infos[index].cluster, m_columnX.size() - 1)];
        if (std::isnan(caret))
            caret = float(run.rightToLeft ? x + advance : x);
        x += advance;
    }
    return x;
}

void ShapedPiece::showMissing(QStringView text)
{
    const float advance = float(m_face->pixelSize()) * MissingAdvanceEms;
    for (qsizetype column = 0; column < text.size(); ++column) {
        if (text.at(column).isLowSurrogate())
            continue;
        m_columnX[size_t(column)] = float(m_width);
        m_glyphs.push_back({std::nullopt, float(m_width), 0, advance});
        m_width += advance;
    }
}

void ShapedPiece::drawMissing(QPainter &painter, QPointF origin, float advance, const QColor &colour) const
{
    const qreal height = m_face->pixelSize() * MissingHeightEms;
    painter.setPen(colour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(origin.x() + 1, origin.y() - height, std::max(1.0, advance - 3.0), height));
}

qreal ShapedPiece::cursorToX(int column) const
{
    return m_columnX[size_t(std::clamp(column, 0, int(m_columnX.size()) - 1))];
}

SplicedPiece::SplicedPiece(std::vector<Stretch> stretches)
    : m_stretches(std::move(stretches))
{
}

qreal SplicedPiece::cursorToX(int column) const
{
    const Stretch &stretch = stretchOf(
        [column](const Stretch &next) { return column >= next.column && column < next.column + next.length; });
    return stretch.x + stretch.piece->cursorToX(column - stretch.column);
}

int SplicedPiece::xToCursor(qreal x) const
{
    const Stretch &stretch = stretchOf([x](const Stretch &next) { return x < next.x + next.piece->width(); });
    return stretch.column + stretch.piece->xToCursor(x - stretch.x);
}

void SplicedPiece::draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const
{
    for (const Stretch &stretch : m_stretches)
        stretch.piece->draw(painter, baselineStart + QPointF(stretch.x, 0), colour);
}
