#pragma once

#include <QStringView>

#include <vector>

// A stretch of text that reads in one direction.
struct DirectionalRun
{
    int start = 0;
    int length = 0;
    bool rightToLeft = false;

    friend bool operator==(const DirectionalRun &, const DirectionalRun &) = default;
};

// The text's runs in the order they show from left to right, as the Unicode bidirectional
// algorithm places them on a left-to-right line without explicit embeddings: a Hebrew or
// Arabic stretch reads from the right, and the numbers within it from the left.
std::vector<DirectionalRun> VisualRuns(QStringView text);
