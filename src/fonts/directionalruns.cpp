// SPDX-License-Identifier: MIT
#include "directionalruns.h"

#include <QChar>

#include <hb.h>

#include <algorithm>

namespace {

enum class Kind { Left, Right, Number, Neutral };

Kind kindOf(char32_t character)
{
    switch (QChar::direction(character)) {
    case QChar::DirL:
        return Kind::Left;
    case QChar::DirR:
    case QChar::DirAL:
        return Kind::Right;
    case QChar::DirEN:
    case QChar::DirAN:
        return Kind::Number;
    default:
        return Kind::Neutral;
    }
}

// Each UTF-16 unit's kind; a combining mark takes the kind of the character it marks.
std::vector<Kind> kindsOf(QStringView text)
{
    std::vector<Kind> kinds(size_t(text.size()), Kind::Neutral);
    for (qsizetype at = 0; at < text.size();) {
        const char32_t character = CharacterAt(text, at);
        const bool pair = QChar::requiresSurrogates(character);
        Kind kind = kindOf(character);
        if (QChar::direction(character) == QChar::DirNSM && at > 0)
            kind = kinds[size_t(at - 1)];
        for (qsizetype unit = at; unit < at + (pair ? 2 : 1); ++unit)
            kinds[size_t(unit)] = kind;
        at += pair ? 2 : 1;
    }
    return kinds;
}

// Embedding levels on a left-to-right line: 0 reads from the left, 1 from the right, and 2 is
// a number inside right-to-left text, which reads from the left again.
std::vector<int> levelsOf(QStringView text)
{
    std::vector<Kind> kinds = kindsOf(text);
    // A number takes the direction of the strong text before it.
    Kind context = Kind::Left;
    std::vector<int> levels(kinds.size(), 0);
    for (size_t at = 0; at < kinds.size(); ++at) {
        if (kinds[at] == Kind::Left || kinds[at] == Kind::Right)
            context = kinds[at];
        else if (kinds[at] == Kind::Number)
            levels[at] = context == Kind::Right ? 2 : 0;
        if (kinds[at] == Kind::Right)
            levels[at] = 1;
        if (kinds[at] == Kind::Number)
            kinds[at] = context;
    }
    // Neutrals between right-to-left text on both sides read with it; any other reads with the line.
    for (size_t at = 0; at < kinds.size();) {
        if (kinds[at] != Kind::Neutral) {
            ++at;
            continue;
        }
        const size_t end = size_t(std::find_if(kinds.begin() + long(at), kinds.end(),
                                               [](Kind kind) { return kind != Kind::Neutral; })
                                  - kinds.begin());
        const bool rightBefore = at > 0 && kinds[at - 1] == Kind::Right;
        const bool rightAfter = end < kinds.size() && kinds[end] == Kind::Right;
        std::fill(levels.begin() + long(at), levels.begin() + long(end), rightBefore && rightAfter ? 1 : 0);
        at = end;
    }
    return levels;
}

std::uint32_t scriptOf(char32_t character)
{
    const hb_script_t script = hb_unicode_script(hb_unicode_funcs_get_default(), character);
    const bool shared = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
    return shared ? 0 : std::uint32_t(script);
}

// The run's items in reading order.
std::vector<DirectionalRun> scriptItemsOf(QStringView text, const DirectionalRun &run)
{
    std::vector<DirectionalRun> items;
    for (qsizetype at = run.start; at < run.start + run.length;) {
        const char32_t character = CharacterAt(text, at);
        const std::uint32_t script = scriptOf(character);
        if (items.empty() || (script && items.back().script && script != items.back().script))
            items.push_back({int(at), 0, run.rightToLeft, script});
        else if (!items.back().script)
            items.back().script = script;
        const int units = QChar::requiresSurrogates(character) ? 2 : 1;
        items.back().length += units;
        at += units;
    }
    return items;
}

} // namespace

char32_t CharacterAt(QStringView text, qsizetype at)
{
    const QChar first = text.at(at);
    if (first.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, text.at(at + 1));
    return first.unicode();
}

std::vector<DirectionalRun> VisualItems(QStringView text)
{
    std::vector<DirectionalRun> visual;
    for (const DirectionalRun &run : VisualRuns(text)) {
        std::vector<DirectionalRun> items = scriptItemsOf(text, run);
        if (run.rightToLeft)
            std::reverse(items.begin(), items.end());
        visual.insert(visual.end(), items.begin(), items.end());
    }
    return visual;
}

std::vector<DirectionalRun> VisualRuns(QStringView text)
{
    const std::vector<int> levels = levelsOf(text);
    std::vector<std::pair<DirectionalRun, int>> runs; // with their levels, in reading order
    for (int at = 0; at < int(levels.size());) {
        const int level = levels[size_t(at)];
        int end = at;
        while (end < int(levels.size()) && levels[size_t(end)] == level)
            ++end;
        runs.push_back({{at, end - at, level % 2 == 1}, level});
        at = end;
    }
    // From the highest level down to 1, each stretch of runs at that level or above turns round.
    const int highest = runs.empty() ? 0 : std::ranges::max(runs, {}, [](const auto &run) { return run.second; }).second;
    for (int level = highest; level >= 1; --level) {
        for (auto run = runs.begin(); run != runs.end();) {
            const auto high = [level](const auto &candidate) { return candidate.second >= level; };
            run = std::find_if(run, runs.end(), high);
            const auto end = std::find_if_not(run, runs.end(), high);
            std::reverse(run, end);
            run = end;
        }
    }
    std::vector<DirectionalRun> visual;
    for (const auto &[run, level] : runs)
        visual.push_back(run);
    return visual;
}
