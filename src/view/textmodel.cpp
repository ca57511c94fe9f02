// SPDX-License-Identifier: MIT
#include "textmodel.h"

#include "fonts/directionalruns.h"

#include <algorithm>
#include <climits>

namespace {

using Run = TextModel::Run;
using Line = TextModel::Line;

void appendRun(std::vector<Run> &runs, const Run &run)
{
    if (run.length <= 0)
        return;
    if (!runs.empty() && runs.back().face == run.face && runs.back().colour == run.colour)
        runs.back().length += run.length;
    else
        runs.push_back(run);
}

// Appends the runs that cover columns [from, to) of a line.
void appendRuns(std::vector<Run> &runs, const Line &line, int from, int to)
{
    TextModel::forEachRun(line.runs, from, to, [&](const Run &run, int start, int end) {
        appendRun(runs, {std::min(end, to) - std::max(start, from), run.face, run.colour});
    });
}

bool isLineBreak(QChar character)
{
    return character == u'\r' || character == u'\n' || character == QChar::LineSeparator
        || character == QChar::ParagraphSeparator;
}

// The text's lines: CR LF, a lone CR or LF and the Unicode separators each end one.
QList<QStringView> splitLines(const QString &text)
{
    QList<QStringView> pieces;
    qsizetype start = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (!isLineBreak(text.at(at)))
            continue;
        pieces << QStringView(text).sliced(start, at - start);
        if (text.at(at) == u'\r' && at + 1 < text.size() && text.at(at + 1) == u'\n')
            ++at;
        start = at + 1;
    }
    pieces << QStringView(text).sliced(start);
    return pieces;
}

} // namespace

TextModel::RunPlace TextModel::runAt(const std::vector<Run> &runs, int column)
{
    RunPlace place;
    for (const Run &run : runs) {
        if (place.run)
            place.start += place.run->length;
        place.run = &run;
        if (column < place.start + run.length)
            break;
    }
    return place;
}

int TextModel::nextColumn(QStringView text, int column)
{
    return column + (QChar::requiresSurrogates(CharacterAt(text, column)) ? 2 : 1);
}

int TextModel::previousColumn(QStringView text, int column)
{
    const bool pair = column >= 2 && QChar::requiresSurrogates(CharacterAt(text, column - 2));
    return column - (pair ? 2 : 1);
}

TextModel::TextModel(QObject *parent)
    : QObject(parent)
{
}

TextModel::~TextModel() = default;

int TextModel::lineAt(int offset) const
{
    const auto after = std::upper_bound(m_starts.cbegin(), m_starts.cend(), offset);
    return std::max(0, int(after - m_starts.cbegin()) - 1);
}

TextModel::Position TextModel::positionOf(int offset) const
{
    offset = std::clamp(offset, 0, length());
    const int index = lineAt(offset);
    // An offset inside a line's break stands at the end of the line's text.
    return {index, std::min(offset - lineStart(index), int(line(index).text.size()))};
}

QString TextModel::text() const
{
    if (!m_text)
        m_text = textIn(0, length());
    return *m_text;
}

QString TextModel::textIn(int from, int to) const
{
    from = std::clamp(from, 0, length());
    to = std::clamp(to, from, length());
    QString text;
    text.reserve(to - from);
    for (int index = lineAt(from); index < lineCount() && lineStart(index) < to; ++index) {
        const QString &lineText = line(index).text;
        const int start = lineStart(index);
        const int textFrom = std::max(from - start, 0);
        const int textTo = std::min(to - start, int(lineText.size()));
        if (textTo > textFrom)
            text += QStringView(lineText).sliced(textFrom, textTo - textFrom);
        if (index + 1 == lineCount())
            break;
        const int breakAt = start + int(lineText.size());
        const int breakFrom = std::max(from - breakAt, 0);
        const int breakTo = std::min(to - breakAt, int(LineBreak.size()));
        if (breakTo > breakFrom)
            text += LineBreak.sliced(breakFrom, breakTo - breakFrom);
    }
    return text;
}

int TextModel::replace(int from, int to, const QString &text, int face, QRgb colour)
{
    if (from == to && from == length())
        return append(text, face, colour);
    const Position first = positionOf(std::min(from, to));
    const Position last = positionOf(std::max(from, to));
    std::vector<Line> replacement = joinedLines(first, last, splitLines(text), face, colour);
    const int tailLength = int(line(last.line).text.size()) - last.column;

    const int removed = last.line - first.line + 1;
    const int added = int(replacement.size());
    const auto at = m_lines.begin() + first.line;
    // Appending, the common case, only ever touches the last line.
    if (removed == 1 && added >= 1) {
        *at = std::move(replacement.front());
        m_lines.insert(at + 1, std::make_move_iterator(replacement.begin() + 1),
                       std::make_move_iterator(replacement.end()));
    } else {
        m_lines.erase(at, at + removed);
        m_lines.insert(m_lines.begin() + first.line, std::make_move_iterator(replacement.begin()),
                       std::make_move_iterator(replacement.end()));
    }

    m_starts.resize(m_lines.size());
    for (size_t index = size_t(first.line) + 1; index < m_lines.size(); ++index)
        m_starts[index] = m_starts[index - 1] + int(m_lines[index - 1].text.size()) + int(LineBreak.size());
    m_text.reset();
    shiftMayDiffer(first.line, removed, added);
    Q_EMIT linesReplaced(first.line, removed, added);
    const int lastAdded = first.line + added - 1;
    return offsetOf({lastAdded, int(line(lastAdded).text.size()) - tailLength});
}

// The lines that replace those from first to last: the text before first, the new pieces in
// the face and colour given, and the text after last.
std::vector<TextModel::Line> TextModel::joinedLines(Position first, Position last, const QList<QStringView> &pieces,
                                                    int face, QRgb colour) const
{
    std::vector<Line> replacement(size_t(pieces.size()));
    const Line &head = line(first.line);
    const Line &tail = line(last.line);
    replacement.front().text = head.text.left(first.column);
    appendRuns(replacement.front().runs, head, 0, first.column);
    for (qsizetype index = 0; index < pieces.size(); ++index) {
        Line &target = replacement[size_t(index)];
        target.text += pieces[index];
        appendRun(target.runs, {int(pieces[index].size()), face, colour});
    }
    Line &end = replacement.back();
    end.text += QStringView(tail.text).sliced(last.column);
    appendRuns(end.runs, tail, last.column, int(tail.text.size()));
    return replacement;
}

// Appending, how the catalogue is built, extends the last line in place and adds lines after it.
int TextModel::append(const QString &text, int face, QRgb colour)
{
    const int first = lineCount() - 1;
    const QList<QStringView> pieces = splitLines(text);
    for (qsizetype index = 0; index < pieces.size(); ++index) {
        if (index > 0) {
            m_starts.push_back(length() + int(LineBreak.size()));
            m_lines.emplace_back();
        }
        m_lines.back().text += pieces[index];
        appendRun(m_lines.back().runs, {int(pieces[index].size()), face, colour});
    }
    m_text.reset();
    shiftMayDiffer(first, 1, int(pieces.size()));
    Q_EMIT linesReplaced(first, 1, int(pieces.size()));
    return length();
}

std::optional<QRgb> TextModel::colourIn(int from, int to) const
{
    std::optional<QRgb> shared;
    for (int index = lineAt(from); index < lineCount() && lineStart(index) < to; ++index) {
        const int start = lineStart(index);
        bool differ = false;
        forEachRun(line(index).runs, from - start, to - start, [&](const Run &run, int, int) {
            differ |= shared && *shared != run.colour;
            shared = run.colour;
        });
        if (differ)
            return std::nullopt;
    }
    return shared;
}

void TextModel::setColour(int from, int to, QRgb colour)
{
    from = std::clamp(from, 0, length());
    to = std::clamp(to, from, length());
    const bool wholeText = from == 0 && to == length();

    std::vector<int> candidates;
    if (wholeText && colour == m_uniformColour) {
        candidates.assign(m_mayDiffer.cbegin(), m_mayDiffer.cend());
    } else {
        for (int index = lineAt(from); index < lineCount() && lineStart(index) < to; ++index)
            candidates.push_back(index);
    }

    // One notification per stretch of lines that changed, so that only those repaint.
    int changedFrom = -1;
    int changedTo = -1;
    for (const int index : candidates) {
        const int start = lineStart(index);
        const auto paint = [colour](Run &run) { run.colour = colour; };
        if (!restyleLine(m_lines[size_t(index)], from - start, to - start, paint))
            continue;
        if (changedFrom >= 0 && index != changedTo + 1) {
            Q_EMIT coloursChanged(changedFrom, changedTo);
            changedFrom = -1;
        }
        if (changedFrom < 0)
            changedFrom = index;
        changedTo = index;
    }
    if (changedFrom >= 0)
        Q_EMIT coloursChanged(changedFrom, changedTo);

    if (wholeText) {
        m_uniformColour = colour;
        m_mayDiffer.clear();
    } else if (colour != m_uniformColour && !candidates.empty()) {
        noteMayDiffer(candidates.front(), candidates.back());
    }
}

void TextModel::setUniformColour(QRgb colour)
{
    setColour(0, length(), colour);
}

int TextModel::faceIndex(const QString &name)
{
    const auto found = m_faces.constFind(name);
    if (found != m_faces.cend())
        return *found;
    m_faceNames << name;
    m_faces.insert(name, int(m_faceNames.size()) - 1);
    return int(m_faceNames.size()) - 1;
}

const TextModel::Run *TextModel::runAt(Position position) const
{
    return runAt(line(position.line).runs, position.column).run;
}

void TextModel::setFace(int from, int to, int face)
{
    from = std::clamp(from, 0, length());
    to = std::clamp(to, from, length());
    const auto setFace = [face](Run &run) { run.face = face; };
    for (int index = lineAt(from); index < lineCount() && lineStart(index) < to; ++index) {
        const int start = lineStart(index);
        if (restyleLine(m_lines[size_t(index)], from - start, to - start, setFace))
            Q_EMIT linesReplaced(index, 1, 1);
    }
}

// Applies restyle to the runs within columns [from, to), splitting runs at the ends; returns
// whether anything changed.
template<typename Restyle>
bool TextModel::restyleLine(Line &line, int from, int to, Restyle restyle)
{
    from = std::max(from, 0);
    to = std::min(to, int(line.text.size()));
    std::vector<Run> runs;
    bool changes = false;
    forEachRun(line.runs, 0, INT_MAX, [&](const Run &run, int start, int end) {
        Run inside{std::min(end, to) - std::max(start, from), run.face, run.colour};
        restyle(inside);
        changes |= inside.length > 0 && (inside.face != run.face || inside.colour != run.colour);
        appendRun(runs, {std::min(end, from) - start, run.face, run.colour});
        appendRun(runs, inside);
        appendRun(runs, {end - std::max(start, to), run.face, run.colour});
    });
    if (changes)
        line.runs = std::move(runs);
    return changes;
}

bool TextModel::differsFromUniform(const Line &line) const
{
    return std::any_of(line.runs.cbegin(), line.runs.cend(),
                       [this](const Run &run) { return run.colour != m_uniformColour; });
}

void TextModel::noteMayDiffer(int first, int last)
{
    for (int index = first; index <= last; ++index)
        m_mayDiffer.insert(m_mayDiffer.end(), index);
}

void TextModel::shiftMayDiffer(int first, int removed, int added)
{
    std::set<int> shifted;
    for (const int index : m_mayDiffer) {
        if (index < first)
            shifted.insert(shifted.end(), index);
        else if (index >= first + removed)
            shifted.insert(shifted.end(), index - removed + added);
    }
    for (int index = first; index < first + added; ++index) {
        if (differsFromUniform(line(index)))
            shifted.insert(index);
    }
    m_mayDiffer = std::move(shifted);
}
