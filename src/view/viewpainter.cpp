// SPDX-License-Identifier: MIT
#include "viewpainter.h"

#include "layoutcache.h"

#include <QPainter>

#include <algorithm>

QRect ViewFrame::lineRect(int line) const
{
    return QRect(0, Margin + (line - firstLine) * lineHeight, size.width(), lineHeight);
}

QRect ViewFrame::caretRect(int line, qreal x) const
{
    return QRect(left + qRound(x), lineRect(line).top(), 1, lineHeight);
}

ViewPainter::ViewPainter(const TextModel &model, LayoutCache &layouts, const ViewFrame &frame,
                         const QPalette &palette)
    : m_model(model)
    , m_layouts(layouts)
    , m_frame(frame)
    , m_palette(palette)
{
}

void ViewPainter::paint(QPainter &painter, const QRect &dirty, const Caret &caret, bool caretShown)
{
    painter.fillRect(dirty, m_palette.base());
    for (int line = m_frame.firstLine; line < m_model.lineCount(); ++line) {
        const QRect rect = m_frame.lineRect(line);
        if (rect.top() >= m_frame.size.height())
            break;
        if (rect.intersects(dirty))
            paintLine(painter, line, dirty, caret);
    }
    if (caretShown) {
        const TextModel::Position at = m_model.positionOf(caret.position);
        painter.fillRect(m_frame.caretRect(at.line, m_layouts.xOf(at.line, at.column)), m_palette.text());
    }
}

void ViewPainter::paintLine(QPainter &painter, int line, const QRect &dirty, const Caret &caret)
{
    const qreal shownFrom = -m_frame.left;
    const qreal shownTo = m_frame.size.width() - m_frame.left;
    const LineLayout &layout = m_layouts.extendedTo(line, shownTo);
    const TextModel::Line &text = m_model.line(line);
    const QRect rect = m_frame.lineRect(line);
    const QPointF baseline(m_frame.left, rect.top() + m_frame.ascent);
    painter.save();
    painter.setClipRect(rect & dirty);
    layout.draw(painter, baseline, shownFrom, shownTo, text.runs, m_colours, nullptr);

    const int start = m_model.lineStart(line);
    const int length = int(text.text.size());
    const int selectionTo = caret.selectionStart() + caret.selectionLength();
    const int from = std::clamp(caret.selectionStart() - start, 0, length);
    const int to = std::clamp(selectionTo - start, 0, length);
    const bool throughBreak = line + 1 < m_model.lineCount() && caret.selectionStart() <= start + length
        && selectionTo > start + length;
    if (from < to || throughBreak) {
        // A selected line break shows as half a character past the line's end.
        const qreal x1 = layout.xOf(from);
        const qreal x2 = layout.xOf(to) + (throughBreak ? m_layouts.estimatedCharWidth() / 2 : 0);
        const QRectF band(m_frame.left + x1, rect.top(), x2 - x1, rect.height());
        painter.fillRect(band, m_palette.highlight());
        painter.setClipRect(band, Qt::IntersectClip);
        const QColor selectedText = m_palette.color(QPalette::HighlightedText);
        layout.draw(painter, baseline, shownFrom, shownTo, text.runs, m_colours, &selectedText);
    }
    painter.restore();
}
