// SPDX-License-Identifier: MIT
#pragma once

#include "directionalruns.h"
#include "face.h"
#include "textpiece.h"

#include <QStringView>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

// Text shaped by HarfBuzz in one face; holding it keeps the face open.
class ShapedPiece final : public TextPiece
{
    Q_DISABLE_COPY_MOVE(ShapedPiece)

public:
    ShapedPiece(std::shared_ptr<FaceCache::Face> face, QStringView text);

    qreal width() const override { return m_width; }
    qreal cursorToX(int column) const override;
    int xToCursor(qreal x) const override;
    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override;
    // The glyphs from left to right; none for a character the face cannot show.
    std::vector<std::optional<unsigned int>> glyphIndices() const;

private:
    struct Glyph
    {
        std::optional<unsigned int> index; // none for a character the face cannot show
        float x = 0;
        float y = 0;
        float advance = 0;
    };

    void shape(QStringView text);
    qreal shapeRun(QStringView text, const DirectionalRun &run, qreal x);
    void showMissing(QStringView text);
    void drawMissing(QPainter &painter, QPointF origin, float advance, const QColor &colour) const;

    std::shared_ptr<FaceCache::Face> m_face;
    std::vector<Glyph> m_glyphs;
    std::vector<float> m_columnX;
    qreal m_width = 0;
};

// Stretches of one text shaped in different faces, side by side.
class SplicedPiece final : public TextPiece
{
    Q_DISABLE_COPY_MOVE(SplicedPiece)

public:
    // Stretches come in the order they show, which within right-to-left text is not the
    // order of their characters.
    struct Stretch
    {
        int column = 0;
        int length = 0;
        qreal x = 0;
        std::unique_ptr<TextPiece> piece;
    };

    explicit SplicedPiece(std::vector<Stretch> stretches);

    qreal width() const override { return m_stretches.back().x + m_stretches.back().piece->width(); }
    qreal cursorToX(int column) const override;
    int xToCursor(qreal x) const override;
    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override;

private:
    // The stretch that holds the place, else the last.
    template<typename Holds>
    const Stretch &stretchOf(Holds holds) const
    {
        const auto found = std::find_if(m_stretches.cbegin(), m_stretches.cend(), holds);
        return found == m_stretches.cend() ? m_stretches.back() : *found;
    }

    std::vector<Stretch> m_stretches;
};
