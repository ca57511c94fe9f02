// SPDX-License-Identifier: MIT
#include "layoutcache.h"

#include <algorithm>

LayoutCache::LayoutCache(const TextModel &model, LineLayout::PieceMaker maker, std::function<void()> widthsChanged)
    : m_model(model)
    , m_maker(std::move(maker))
    , m_widthsChanged(std::move(widthsChanged))
{
}

const LineLayout &LayoutCache::extendedTo(int line, qreal x, int column)
{
    LineLayout &layout = layoutOf(line);
    layout.extendTo(x, column);
    noteWidth(line, layout);
    return layout;
}

void LayoutCache::keepOnly(int from, int to)
{
    m_layouts.erase(m_layouts.begin(), m_layouts.lower_bound(from));
    m_layouts.erase(m_layouts.upper_bound(to), m_layouts.end());
}

void LayoutCache::replaceLines(int first, int removed, int added)
{
    // The layouts of every later line are dropped too: their numbers may have moved.
    m_layouts.erase(m_layouts.lower_bound(first), m_layouts.end());

    const auto removedFrom = m_widths.begin() + first;
    const bool widestRemoved = std::find(removedFrom, removedFrom + removed, m_widest) != removedFrom + removed;
    m_widths.erase(removedFrom, removedFrom + removed);
    std::vector<float> estimates;
    for (int line = first; line < first + added; ++line) {
        const QString &text = m_model.line(line).text;
        const qsizetype tabs = text.count(u'\t');
        estimates.push_back(float(tabs * m_tabStop + (text.size() - tabs) * m_estimatedCharWidth));
    }
    m_widths.insert(m_widths.begin() + first, estimates.cbegin(), estimates.cend());
    if (widestRemoved)
        m_widest = *std::max_element(m_widths.cbegin(), m_widths.cend());
    else if (!estimates.empty())
        m_widest = std::max(m_widest, *std::max_element(estimates.cbegin(), estimates.cend()));
}

void LayoutCache::rescale(qreal factor)
{
    m_layouts.clear();
    m_tabStop *= factor;
    for (float &width : m_widths)
        width = float(width * factor);
    m_widest = float(m_widest * factor);
}

LineLayout &LayoutCache::layoutOf(int line)
{
    std::unique_ptr<LineLayout> &layout = m_layouts[line];
    if (!layout)
        layout = std::make_unique<LineLayout>(m_model.line(line), m_tabStop, m_maker);
    return *layout;
}

void LayoutCache::noteWidth(int line, const LineLayout &layout)
{
    // A line laid out to its end is measured; one laid out in part is at least that wide.
    float &known = m_widths[size_t(line)];
    const auto width = float(layout.width());
    if (width == known || (!layout.complete() && width < known))
        return;
    const bool wasWidest = known == m_widest;
    known = width;
    if (known > m_widest)
        m_widest = known;
    else if (wasWidest)
        m_widest = *std::max_element(m_widths.cbegin(), m_widths.cend());
    m_widthsChanged();
}
