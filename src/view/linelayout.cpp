// SPDX-License-Identifier: MIT
#include "linelayout.h"

#include <QPainter>
#include <QTextLine>

#include <algorithm>
#include <cmath>

namespace {

// Long stretches are shaped in slices, so that a line of megabytes costs a screen's width.
constexpr int SliceLength = 200;

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

LineLayout::LineLayout(const TextModel::Line &line, qreal tabStop, PieceMaker maker)
    : m_text(line.text)
    , m_runs(line.runs)
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
            int face = 0;
            int start = 0;
            for (const TextModel::Run &run : m_runs) {
                face = run.face;
                if (m_columns < start + run.length)
                    break;
                start += run.length;
            }
            piece.shape = m_maker(QStringView(m_text).sliced(piece.column, piece.length), face);
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
    int runEnd = 0;
    for (const TextModel::Run &run : m_runs) {
        runEnd += run.length;
        if (column < runEnd)
            break;
    }
    int end = std::min<int>(runEnd, column + SliceLength);
    const qsizetype tab = m_text.indexOf(u'\t', column);
    if (tab >= 0 && tab < end)
        end = int(tab);
    if (end < m_text.size() && m_text.at(end).isLowSurrogate() && end - 1 > column)
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
                      const std::vector<TextModel::Run> &runs, const QColor *override) const
{
    for (const Piece &piece : m_pieces) {
        if (!piece.shape || piece.x > right || piece.x + piece.shape->width() < left)
            continue;
        const QPointF at = baselineStart + QPointF(piece.x, 0);
        if (override) {
            piece.shape->draw(painter, at, *override);
            continue;
        }
        int runStart = 0;
        for (const TextModel::Run &run : runs) {
            const int from = std::max(runStart, piece.column);
            const int to = std::min(runStart + run.length, piece.column + piece.length);
            runStart += run.length;
            if (from >= to)
                continue;
            if (from == piece.column && to == piece.column + piece.length) {
                piece.shape->draw(painter, at, QColor::fromRgb(run.colour));
                break;
            }
            // Part of the piece in this colour: draw it all, clipped to those characters.
            const qreal x1 = at.x() + piece.shape->cursorToX(from - piece.column);
            const qreal x2 = at.x() + piece.shape->cursorToX(to - piece.column);
            painter.save();
            painter.setClipRect(QRectF(QPointF(std::min(x1, x2), -1e6), QPointF(std::max(x1, x2), 1e6)),
                                Qt::IntersectClip);
            piece.shape->draw(painter, at, QColor::fromRgb(run.colour));
            painter.restore();
        }
    }
}
