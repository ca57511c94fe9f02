// SPDX-License-Identifier: MIT
#include "typetofind.h"

#include <algorithm>

PrefixIndex::PrefixIndex(const QStringList &names)
{
    std::vector<std::pair<QString, int>> sorted;
    sorted.reserve(names.size());
    for (int line = 0; line < int(names.size()); ++line)
        sorted.emplace_back(folded(names[line]), line);
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> lines;
    for (auto &[name, line] : sorted) {
        m_names.push_back(std::move(name));
        lines.push_back(line);
    }
    m_levels.push_back(std::move(lines));
    // Each level holds aligned blocks twice as long as the level below, each block's lines sorted.
    const size_t count = m_names.size();
    for (size_t width = 1; width < count; width *= 2) {
        const std::vector<int> &below = m_levels.back();
        std::vector<int> level(count);
        for (size_t start = 0; start < count; start += 2 * width) {
            const auto middle = below.begin() + std::min(start + width, count);
            std::merge(below.begin() + start, middle, middle, below.begin() + std::min(start + 2 * width, count),
                       level.begin() + start);
        }
        m_levels.push_back(std::move(level));
    }
}

std::optional<int> PrefixIndex::find(const QString &prefix, int from) const
{
    const QString wanted = folded(prefix);
    if (wanted.isEmpty())
        return std::nullopt;
    const auto begin = std::lower_bound(m_names.cbegin(), m_names.cend(), wanted);
    const auto end = std::partition_point(begin, m_names.cend(),
                                          [&wanted](const QString &name) { return name.startsWith(wanted); });
    // Of the names with the prefix, the nearest line at or after from, else the first one, from
    // the fewest sorted blocks that cover them.
    std::optional<int> after;
    std::optional<int> first;
    for (size_t low = begin - m_names.cbegin(), high = end - m_names.cbegin(); low < high;) {
        size_t level = 0;
        while (level + 1 < m_levels.size() && low % (size_t(2) << level) == 0 && low + (size_t(2) << level) <= high)
            ++level;
        const auto block = m_levels[level].cbegin() + std::ptrdiff_t(low);
        const auto blockEnd = block + (std::ptrdiff_t(1) << level);
        if (const auto at = std::lower_bound(block, blockEnd, from); at != blockEnd && (!after || *at < *after))
            after = *at;
        if (!first || *block < *first)
            first = *block;
        low += size_t(1) << level;
    }
    return after ? after : first;
}

QString PrefixIndex::folded(QStringView text)
{
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString bare;
    bare.reserve(decomposed.size());
    for (const QChar character : decomposed) {
        if (character.category() != QChar::Mark_NonSpacing)
            bare += character;
    }
    return bare.toCaseFolded();
}

std::optional<int> TypeToFind::type(const QString &text, int caretLine, const PrefixIndex &index,
                                    Clock::time_point now)
{
    if (!active(now))
        m_prefix.clear();
    m_lastKey = now;
    const QString longer = m_prefix + text;
    // The same letter again moves on to the next name with that initial.
    const bool repeated = !m_prefix.isEmpty() && longer.count(longer.front()) == longer.size();
    const std::optional<int> line = repeated ? index.find(text, caretLine + 1) : index.find(longer, caretLine);
    if (line)
        m_prefix = longer;
    return line;
}

bool TypeToFind::shorten(Clock::time_point now)
{
    if (!active(now))
        return false;
    m_lastKey = now;
    m_prefix.chop(1);
    return true;
}
