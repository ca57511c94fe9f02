// SPDX-License-Identifier: MIT
#pragma once

#include "textmodel.h"

#include <QKeyCombination>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

// Where the caret is, the other end of the selection, and the x that a run of Up and Down
// presses keeps to. Offsets are the view's, every line break counting as two characters.
struct Caret
{
    int position = 0;
    int anchor = 0;
    std::optional<qreal> wantedX;

    int selectionStart() const { return std::min(anchor, position); }
    int selectionLength() const { return std::abs(position - anchor); }
};

// The moves the keys make; with Shift each extends the selection instead.
enum class CaretMove {
    NextCharacter,
    PreviousCharacter,
    NextWord,
    PreviousWord,
    NextLine,
    PreviousLine,
    LineStart,
    LineEnd,
    TextStart,
    TextEnd,
    NextPage,
    PreviousPage,
};

struct KeyMove
{
    CaretMove move = CaretMove::NextCharacter;
    bool extend = false;
};

// The move a key makes, if any.
std::optional<KeyMove> MoveForKey(QKeyCombination key);

// What a move needs of the view beyond the text: where columns lie on their laid-out lines
// and how many lines a page holds.
struct LineMeasure
{
    std::function<qreal(int line, int column)> xOf;
    std::function<int(int line, qreal x)> columnAt;
    int pageLines = 1;
};

struct CaretStep
{
    Caret caret;
    int scrolledLines = 0; // a page move scrolls the view with the caret
};

CaretStep StepCaret(const Caret &caret, KeyMove key, const TextModel &model, const LineMeasure &measure);

// The word around an offset, as a double click selects it: [start, end).
int WordStart(const TextModel &model, int offset);
int WordEnd(const TextModel &model, int offset);
