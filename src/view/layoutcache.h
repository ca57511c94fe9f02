// SPDX-License-Identifier: MIT
#pragma once

#include "linelayout.h"
#include "textmodel.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

// The lines of a model laid out so far, and how wide each line is known to be: measured once
// laid out to its end, estimated from its characters before. Lines are laid out on demand and
// only as far as they are asked for.
class LayoutCache
{
    Q_DISABLE_COPY_MOVE(LayoutCache)

public:
    // Qt's own tab distance for text that sets none.
    static constexpr qreal TabStop = 80;

    LayoutCache(const TextModel &model, LineLayout::PieceMaker maker, std::function<void()> widthsChanged);

    // An estimate for a character of a line not laid out yet.
    void setEstimatedCharWidth(qreal width) { m_estimatedCharWidth = width; }
    qreal estimatedCharWidth() const { return m_estimatedCharWidth; }

    // The line laid out until it reaches x or holds the column.
    const LineLayout &extendedTo(int line, qreal x, int column = 0);
    // x of the caret before the column.
    qreal xOf(int line, int column) { return extendedTo(line, 0, column).xOf(column); }
    int columnAt(int line, qreal x) { return extendedTo(line, x).columnAt(x); }
    float widest() const { return m_widest; }

    int size() const { return int(m_layouts.size()); }
    bool contains(int line) const { return m_layouts.contains(line); }
    // Drops every layout, as when the faces change; the widths known stay.
    void clear() { m_layouts.clear(); }
    // Drops every layout and scales every width known, as when the text is zoomed.
    void rescale(qreal factor);
    // Keeps only the layouts of lines [from, to].
    void keepOnly(int from, int to);
    // Lines [first, first + removed) of the model were replaced by [first, first + added).
    void replaceLines(int first, int removed, int added);

private:
    LineLayout &layoutOf(int line);
    void noteWidth(int line, const LineLayout &layout);

    const TextModel &m_model;
    LineLayout::PieceMaker m_maker;
    std::function<void()> m_widthsChanged;
    qreal m_estimatedCharWidth = 8;
    qreal m_tabStop = TabStop;
    std::map<int, std::unique_ptr<LineLayout>> m_layouts;
    std::vector<float> m_widths{0};
    float m_widest = 0;
};
