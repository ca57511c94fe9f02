// SPDX-License-Identifier: MIT
#include "typetofind.h"

#include <algorithm>

PrefixIndex::PrefixIndex(const QStringList &names)
    : m_lines(int(names.size()))
{
    m_sorted.reserve(names.size());
    for (int line = 0; line < m_lines; ++line)
        m_sorted.emplace_back(folded(names[line]), line);
    std::sort(m_sorted.begin(), m_sorted.end());
}

std::optional<int> PrefixIndex::find(const QString &prefix, int from) const
{
    const QString wanted = folded(prefix);
    if (wanted.isEmpty())
        return std::nullopt;
    auto entry = std::lower_bound(m_sorted.cbegin(), m_sorted.cend(), std::pair(wanted, -1));
    // Of the names with the prefix, the nearest line at or after from, else the first one.
    std::optional<int> after;
    std::optional<int> first;
    for (; entry != m_sorted.cend() && entry->first.startsWith(wanted); ++entry) {
        const int line = entry->second;
        if (line >= from && (!after || line < *after))
            after = line;
        if (!first || line < *first)
            first = line;
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
