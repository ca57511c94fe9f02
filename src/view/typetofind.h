// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

// The lines' names folded for matching what a user types: case and accents are ignored, so
// "e" finds "Émigré" and "ecole" finds "École". Built once per listing; a search then costs a
// few binary searches, however many names share the prefix.
class PrefixIndex
{
public:
    PrefixIndex() = default;
    explicit PrefixIndex(const QStringList &names);

    // The first line at or after from, wrapping past the end, whose name starts with prefix.
    std::optional<int> find(const QString &prefix, int from) const;

    static QString folded(QStringView text);

private:
    std::vector<QString> m_names; // folded, sorted
    // The lines of the sorted names, in aligned blocks of 1, 2, 4... sorted within each block.
    std::vector<std::vector<int>> m_levels;
};

// Printable keys typed close together form a prefix; the caret goes to the first line whose
// name starts with it. Repeating one letter steps through the names with that initial.
class TypeToFind
{
public:
    using Clock = std::chrono::steady_clock;
    // A longer pause starts a new prefix.
    static constexpr std::chrono::milliseconds Pause{1000};

    // The line to move the caret to, if the typed text finds one; otherwise nothing changes.
    std::optional<int> type(const QString &text, int caretLine, const PrefixIndex &index, Clock::time_point now);
    // Backspace shortens the prefix; whether a prefix was being typed.
    bool shorten(Clock::time_point now);
    void reset() { m_prefix.clear(); }
    bool active(Clock::time_point now) const { return !m_prefix.isEmpty() && now - m_lastKey <= Pause; }
    const QString &prefix() const { return m_prefix; }

private:
    QString m_prefix;
    Clock::time_point m_lastKey;
};
