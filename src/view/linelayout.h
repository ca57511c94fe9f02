// SPDX-License-Identifier: MIT
#pragma once

#include "fonts/textpiece.h"
#include "textmodel.h"

#include <QFont>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TextColours;

// A piece laid out by Qt in a QFont, with Qt's font fallback where the font allows it.
class QtTextPiece final : public TextPiece
{
    Q_DISABLE_COPY_MOVE(QtTextPiece)
public:
    QtTextPiece(QStringView text, const QFont &font);
    qreal width() const override;
    qreal cursorToX(int column) const override;
    int xToCursor(qreal x) const override;
    void draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const override;

private:
    QTextLayout m_layout;
};

// One line laid out from its start only as far as it has been asked for, so that a line
// costs what shows of it. Colours are not part of the layout: they are applied as it is drawn.
class LineLayout
{
public:
    // inLabel: the piece lies before the line's first tab, where a catalogue line holds its name.
    using PieceMaker = std::function<std::unique_ptr<TextPiece>(QStringView text, int face, bool inLabel)>;

    LineLayout(const TextModel::Line &line, qreal tabStop, PieceMaker maker);

    // Where a line's label ends: at its first tab, or with the line when it has none.
    static qsizetype LabelEnd(QStringView text);

    // Lays out until the layout reaches x or holds the column.
    void extendTo(qreal x, int column = 0);
    bool complete() const { return m_columns == int(m_text.size()); }
    qreal width() const { return m_width; }

    // x of the caret before the column, once laid out that far; beyond, the width so far.
    qreal xOf(int column) const;
    int columnAt(qreal x) const;

    // Draws the pieces between left and right, each run of characters in its own colour.
    void draw(QPainter &painter, QPointF baselineStart, qreal left, qreal right,
              const std::vector<TextModel::Run> &runs, const TextColours &colours, const QColor *override) const;

private:
    struct Piece
    {
        int column = 0;
        int length = 0;
        qreal x = 0;
        std::unique_ptr<TextPiece> shape; // none for a tab
    };

    const Piece *pieceAt(int column) const;
    void drawInColours(QPainter &painter, const Piece &piece, QPointF at, const std::vector<TextModel::Run> &runs,
                       const TextColours &colours) const;
    int pieceEnd(int column) const;

    QString m_text;
    std::vector<TextModel::Run> m_runs; // for the faces only
    qsizetype m_labelEnd;
    qreal m_tabStop;
    PieceMaker m_maker;
    std::vector<Piece> m_pieces;
    int m_columns = 0;
    qreal m_width = 0;
};
