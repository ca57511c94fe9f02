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
    struct Stretch
    {
        int column = 0;
        qreal x = 0;
        std::unique_ptr<TextPiece> piece;
    };

    explicit SplicedPiece(std::vector<Stretch> stretches);

    qreal width() const override { return m_stretches.back().x + m_stretches.back().piece->width(); }
    qreal cursorToX(int column) const override;
    int xToCursor(qreal x) const override;
    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override;

private:
    // The last stretch that starts at or before the place.
    template<typename StartsBefore>
    const Stretch &stretchOf(StartsBefore startsBefore) const
    {
        const auto after = std::find_if_not(m_stretches.cbegin() + 1, m_stretches.cend(), startsBefore);
        return *(after - 1);
    }

    std::vector<Stretch> m_stretches;
};
