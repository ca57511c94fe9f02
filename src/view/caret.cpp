// SPDX-License-Identifier: MIT
#include "caret.h"

#include <algorithm>
#include <iterator>

namespace {

// The one table of the keys that move the caret; Shift with any of them extends the selection.
struct KeyBinding
{
    Qt::Key key;
    Qt::KeyboardModifier modifier;
    CaretMove move;
};

constexpr KeyBinding KeyTable[] = {
    {Qt::Key_Right, Qt::NoModifier, CaretMove::NextCharacter},
    {Qt::Key_Left, Qt::NoModifier, CaretMove::PreviousCharacter},
    {Qt::Key_Right, Qt::ControlModifier, CaretMove::NextWord},
    {Qt::Key_Left, Qt::ControlModifier, CaretMove::PreviousWord},
    {Qt::Key_Down, Qt::NoModifier, CaretMove::NextLine},
    {Qt::Key_Up, Qt::NoModifier, CaretMove::PreviousLine},
    {Qt::Key_Home, Qt::NoModifier, CaretMove::LineStart},
    {Qt::Key_End, Qt::NoModifier, CaretMove::LineEnd},
    {Qt::Key_Home, Qt::ControlModifier, CaretMove::TextStart},
    {Qt::Key_End, Qt::ControlModifier, CaretMove::TextEnd},
    {Qt::Key_PageDown, Qt::NoModifier, CaretMove::NextPage},
    {Qt::Key_PageUp, Qt::NoModifier, CaretMove::PreviousPage},
};

bool isWordCharacter(QChar character)
{
    return character.isLetterOrNumber() || character == u'_' || character.isMark();
}

// The next place a caret may stand: after the character, or past the line break.
int nextPlace(const TextModel &model, int offset)
{
    const TextModel::Position at = model.positionOf(offset);
    const QString &text = model.line(at.line).text;
    if (at.column < text.size())
        return model.lineStart(at.line) + TextModel::nextColumn(text, at.column);
    return at.line + 1 < model.lineCount() ? model.lineStart(at.line + 1) : model.offsetOf(at);
}

int previousPlace(const TextModel &model, int offset)
{
    const TextModel::Position at = model.positionOf(offset);
    if (at.column > 0)
        return model.lineStart(at.line) + TextModel::previousColumn(model.line(at.line).text, at.column);
    return at.line > 0 ? model.lineStart(at.line - 1) + int(model.line(at.line - 1).text.size()) : 0;
}

// Moves within the text alone, along its characters and words or to its ends.
int textTarget(const Caret &caret, KeyMove key, const TextModel &model)
{
    const bool collapses = !key.extend && caret.selectionLength() > 0;
    const TextModel::Position at = model.positionOf(caret.position);
    const int lineStart = model.lineStart(at.line);
    const int lineEnd = lineStart + int(model.line(at.line).text.size());
    switch (key.move) {
    case CaretMove::NextCharacter:
        return collapses ? caret.selectionStart() + caret.selectionLength() : nextPlace(model, caret.position);
    case CaretMove::PreviousCharacter:
        return collapses ? caret.selectionStart() : previousPlace(model, caret.position);
    case CaretMove::NextWord: // from inside a word, to its end; at a line's end, into the next
        return WordEnd(model, caret.position < lineEnd ? caret.position : nextPlace(model, caret.position));
    case CaretMove::PreviousWord:
        return WordStart(model, caret.position > lineStart ? caret.position : previousPlace(model, caret.position));
    case CaretMove::LineStart:
        return lineStart;
    case CaretMove::LineEnd:
        return lineEnd;
    case CaretMove::TextStart:
        return 0;
    default:
        return model.length();
    }
}

// Lines down (or up, when negative) from the caret, keeping to the x the run of moves began at.
CaretStep moveLines(const Caret &caret, const TextModel &model, const LineMeasure &measure, int lines)
{
    const TextModel::Position at = model.positionOf(caret.position);
    const int line = std::clamp(at.line + lines, 0, model.lineCount() - 1);
    CaretStep step{caret, 0};
    if (line == at.line)
        return step;
    step.caret.wantedX = caret.wantedX.value_or(measure.xOf(at.line, at.column));
    step.caret.position = model.lineStart(line) + measure.columnAt(line, *step.caret.wantedX);
    return step;
}

} // namespace

std::optional<KeyMove> MoveForKey(QKeyCombination key)
{
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const auto binding = std::find_if(std::begin(KeyTable), std::end(KeyTable), [&](const KeyBinding &b) {
        return b.key == key.key() && modifiers == b.modifier;
    });
    if (binding == std::end(KeyTable))
        return std::nullopt;
    return KeyMove{binding->move, key.keyboardModifiers().testFlag(Qt::ShiftModifier)};
}

CaretStep StepCaret(const Caret &caret, KeyMove key, const TextModel &model, const LineMeasure &measure)
{
    CaretStep step{caret, 0};
    switch (key.move) {
    case CaretMove::NextLine:
    case CaretMove::PreviousLine:
        step = moveLines(caret, model, measure, key.move == CaretMove::NextLine ? 1 : -1);
        break;
    case CaretMove::NextPage:
    case CaretMove::PreviousPage:
        step.scrolledLines = key.move == CaretMove::NextPage ? measure.pageLines : -measure.pageLines;
        step.caret = moveLines(caret, model, measure, step.scrolledLines).caret;
        break;
    default:
        step.caret.position = textTarget(caret, key, model);
        step.caret.wantedX.reset();
        break;
    }
    if (!key.extend)
        step.caret.anchor = step.caret.position;
    return step;
}

int WordStart(const TextModel &model, int offset)
{
    const TextModel::Position at = model.positionOf(offset);
    const QString &text = model.line(at.line).text;
    int column = at.column;
    while (column > 0 && !isWordCharacter(text.at(column - 1)))
        --column;
    while (column > 0 && isWordCharacter(text.at(column - 1)))
        --column;
    return model.lineStart(at.line) + column;
}

int WordEnd(const TextModel &model, int offset)
{
    const TextModel::Position at = model.positionOf(offset);
    const QString &text = model.line(at.line).text;
    int column = at.column;
    while (column < text.size() && !isWordCharacter(text.at(column)))
        ++column;
    while (column < text.size() && isWordCharacter(text.at(column)))
        ++column;
    return model.lineStart(at.line) + column;
}
