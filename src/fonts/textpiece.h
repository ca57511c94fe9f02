// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QPointF>

class QPainter;

// A stretch of one line in one face, shaped and ready to draw at any colour.
class TextPiece
{
public:
    virtual ~TextPiece() = default;
    virtual qreal width() const = 0;
    // x of the caret before the column, from the piece's left edge.
    virtual qreal cursorToX(int column) const = 0;
    virtual int xToCursor(qreal x) const = 0;
    virtual void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const = 0;
};
