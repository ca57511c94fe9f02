// SPDX-License-Identifier: MIT
#include "linelayout.h"

#include "textcolours.h"

#include <QPainter>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace {

// Long stretches are shaped in slices, so that a line of megabytes costs a screen's width.
constexpr int SliceLength = 200;
// A clip this far above and below the baseline holds any glyph: only its sides clip.
constexpr qreal UnboundedHeight = 1e6;

} // namespace

QtTextPiece::QtTextPiece(QStringView text, const QFont &font)
    : m_layout(text.toString(), font)
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    m_layout.setTextOption(option);
    m_layout.beginLayout();
    m_layout.createLine();
    m_layout.endLayout();
}

qreal QtTextPiece::width() const
{
    return m_layout.lineAt(0).horizontalAdvance();
}

qreal QtTextPiece::cursorToX(int column) const
{
    return m_layout.lineAt(0).cursorToX(column);
}

int QtTextPiece::xToCursor(qreal x) const
{
    return m_layout.lineAt(0).xToCursor(x);
}

void QtTextPiece::draw(QPainter &painter, QPointF baselineStart, const QColor &colour) const
{
    painter.setPen(colour);
    m_layout.draw(&painter, baselineStart - QPointF(0, m_layout.lineAt(0).ascent()));
}

qsizetype LineLayout::LabelEnd(QStringView text)
{
    const qsizetype tab = text.indexOf(u'\t');
    return tab < 0 ? text.size() : tab;
}

LineLayout::LineLayout(const TextModel::Line &line, qreal tabStop, PieceMaker maker)
    : m_text(line.text)
    , m_runs(line.runs)
    , m_labelEnd(LabelEnd(line.text))
    , m_tabStop(tabStop)
    , m_maker(std::move(maker))
{
}

void LineLayout::extendTo(qreal x, int column)
{
    while (!complete() && (m_width <= x || m_columns < column)) {
        Piece piece{m_columns, pieceEnd(m_columns) - m_columns, m_width, nullptr};
        qreal width = 0;
        if (m_text.at(m_columns) == u'\t') {
            width = (std::floor(m_width / m_tabStop) + 1) * m_tabStop - m_width;
        } else {
            const int face = TextModel::runAt(m_runs, m_columns).run->face;
            piece.shape = m_maker(QStringView(m_text).sliced(piece.column, piece.length), face,
                                  piece.column < m_labelEnd);
            width = piece.shape->width();
        }
        m_columns += piece.length;
        m_width += width;
        m_pieces.push_back(std::move(piece));
    }
}

// A piece ends where the face changes, at a tab, or after a slice of a long stretch; never
// between the halves of a surrogate pair.
int LineLayout::pieceEnd(int column) const
{
    if (m_text.at(column) == u'\t')
        return column + 1;
    const TextModel::RunPlace run = TextModel::runAt(m_runs, column);
    const int runEnd = run.start + run.run->length;
    int end = std::min<int>(runEnd, column + SliceLength);
    const qsizetype tab = m_text.indexOf(u'\t', column);
    if (tab >= 0 && tab < end)
        end = int(tab);
    if (end < m_text.size() && end - 1 > column && TextModel::nextColumn(m_text, end - 1) > end)
        --end;
    return end;
}

const LineLayout::Piece *LineLayout::pieceAt(int column) const
{
    const auto after = std::upper_bound(m_pieces.cbegin(), m_pieces.cend(), column,
                                        [](int wanted, const Piece &piece) { return wanted < piece.column; });
    if (after == m_pieces.cbegin())
        return nullptr;
    const Piece &piece = *(after - 1);
    return column < piece.column + piece.length ? &piece : nullptr;
}

qreal LineLayout::xOf(int column) const
{
    const Piece *piece = pieceAt(column);
    if (!piece)
        return m_width;
    if (!piece->shape)
        return piece->x;
    return piece->x + piece->shape->cursorToX(column - piece->column);
}

int LineLayout::columnAt(qreal x) const
{
    const auto after = std::upper_bound(m_pieces.cbegin(), m_pieces.cend(), x,
                                        [](qreal wanted, const Piece &piece) { return wanted < piece.x; });
    if (after == m_pieces.cbegin())
        return 0;
    const Piece &piece = *(after - 1);
    const qreal pieceWidth = (after == m_pieces.cend() ? m_width : after->x) - piece.x;
    if (x >= piece.x + pieceWidth)
        return m_columns;
    if (!piece.shape)
        return piece.column + (x - piece.x > pieceWidth / 2 ? 1 : 0);
    return piece.column + piece.shape->xToCursor(x - piece.x);
}

void LineLayout::draw(QPainter &painter, QPointF baselineStart, qreal left, qreal right,
                      const std::vector<TextModel::Run> &runs, const TextColours &colours,
                      const QColor *override) const
{
    for (const Piece &piece : m_pieces) {
        if (!piece.shape || piece.x > right || piece.x + piece.shape->width() < left)
            continue;
        const QPointF at = baselineStart + QPointF(piece.x, 0);
        if (override)
            piece.shape->draw(painter, at, *override);
        else
            drawInColours(painter, piece, at, runs, colours);
    }
}

void LineLayout::drawInColours(QPainter &painter, const Piece &piece, QPointF at,
                               const std::vector<TextModel::Run> &runs, const TextColours &colours) const
{
    const int pieceEnd = piece.column + piece.length;
    TextModel::forEachRun(runs, piece.column, pieceEnd, [&](const TextModel::Run &run, int start, int end) {
        const QColor colour = colours.shown(run.colour);
        if (start <= piece.column && end >= pieceEnd) {
            piece.shape->draw(painter, at, colour);
            return;
        }
        // Part of the piece in this colour: draw it all, clipped to those characters.
        const qreal x1 = at.x() + piece.shape->cursorToX(std::max(start, piece.column) - piece.column);
        const qreal x2 = at.x() + piece.shape->cursorToX(std::min(end, pieceEnd) - piece.column);
        painter.save();
        painter.setClipRect(QRectF(QPointF(std::min(x1, x2), -UnboundedHeight),
                                   QPointF(std::max(x1, x2), UnboundedHeight)),
                            Qt::IntersectClip);
        piece.shape->draw(painter, at, colour);
        painter.restore();
    });
}
