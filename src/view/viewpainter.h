// SPDX-License-Identifier: MIT
#pragma once

#include "caret.h"
#include "textcolours.h"

#include <QPalette>
#include <QRect>

class LayoutCache;
class QPainter;
class TextModel;

// Where the view's lines stand in its viewport: all equally high, the first shown just below
// the top margin, every one shifted by the sideways scroll.
struct ViewFrame
{
    // Room between the viewport's edges and the text.
    static constexpr int Margin = 4;

    int firstLine = 0;
    int left = Margin; // where the lines start, scrolled sideways
    int lineHeight = 1;
    int ascent = 1;
    QSize size;

    // The line's place, whether or not it is on screen.
    QRect lineRect(int line) const;
    // The caret standing at x on the line.
    QRect caretRect(int line, qreal x) const;
};

// Paints the lines on screen from the layouts, with the selection and the caret over them.
class ViewPainter
{
    Q_DISABLE_COPY_MOVE(ViewPainter)

public:
    ViewPainter(const TextModel &model, LayoutCache &layouts, const ViewFrame &frame, const QPalette &palette);

    void paint(QPainter &painter, const QRect &dirty, const Caret &caret, bool caretShown);

private:
    void paintLine(QPainter &painter, int line, const QRect &dirty, const Caret &caret);

    const TextModel &m_model;
    LayoutCache &m_layouts;
    const ViewFrame &m_frame;
    const QPalette &m_palette;
    const TextColours m_colours{m_palette};
};
