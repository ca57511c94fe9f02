// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>

#include <cstdint>
#include <vector>

// A stretch of text that reads in one direction, and for an item, in one script.
struct DirectionalRun
{
    int start = 0;
    int length = 0;
    bool rightToLeft = false;
    // The script as an ISO 15924 tag in HarfBuzz's form; 0 where the text holds none of its own.
    std::uint32_t script = 0;

    friend bool operator==(const DirectionalRun &, const DirectionalRun &) = default;
};

// The text's runs in the order they show from left to right, as the Unicode bidirectional
// algorithm places them on a left-to-right line without explicit embeddings: a Hebrew or
// Arabic stretch reads from the right, and the numbers within it from the left.
std::vector<DirectionalRun> VisualRuns(QStringView text);

// The visual runs split where the script changes, each run's items in the order they show:
// shaping needs one script at a time. Characters that scripts share (spaces, digits,
// punctuation) and marks go with the script of the text before them, or at a run's start,
// after them.
std::vector<DirectionalRun> VisualItems(QStringView text);

// The character at the offset: a surrogate pair whole, an unpaired half as itself.
char32_t CharacterAt(QStringView text, qsizetype at);
