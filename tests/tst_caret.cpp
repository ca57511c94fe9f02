// SPDX-License-Identifier: MIT
#include "view/caret.h"

#include <QTest>

// The caret's moves without a widget: every column is ten pixels wide and a page is three lines.
class tst_Caret : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysStepTheCaret_data();
    void keysStepTheCaret();
    void upAndDownKeepTheirColumnOverShortLines();
};

namespace {

constexpr qreal ColumnWidth = 10;

LineMeasure measureOf(const TextModel &model)
{
    return {
        [](int, int column) { return column * ColumnWidth; },
        [&model](int line, qreal x) {
            return std::min(qRound(x / ColumnWidth), int(model.line(line).text.size()));
        },
        3,
    };
}

CaretStep press(const TextModel &model, const Caret &caret, QKeyCombination key)
{
    const std::optional<KeyMove> move = MoveForKey(key);
    return move ? StepCaret(caret, *move, model, measureOf(model)) : CaretStep{caret, 0};
}

} // namespace

void tst_Caret::keysStepTheCaret_data()
{
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("newAnchor");
    QTest::addColumn<int>("newPosition");
    QTest::addColumn<int>("scrolled");

    // "ab cd\r\n", an emoji (two UTF-16 units) and "e\r\n", "x\r\n", "y\r\n", "last": 22 characters.
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) { return QKeyCombination(m, k); };
    QTest::newRow("Right") << 0 << 0 << key(Qt::Key_Right) << 1 << 1 << 0;
    QTest::newRow("Right steps over CR LF") << 5 << 5 << key(Qt::Key_Right) << 7 << 7 << 0;
    QTest::newRow("Left steps over CR LF") << 7 << 7 << key(Qt::Key_Left) << 5 << 5 << 0;
    QTest::newRow("Right steps over a surrogate pair") << 7 << 7 << key(Qt::Key_Right) << 9 << 9 << 0;
    QTest::newRow("Left steps over a surrogate pair") << 9 << 9 << key(Qt::Key_Left) << 7 << 7 << 0;
    QTest::newRow("Right collapses a selection to its end") << 4 << 1 << key(Qt::Key_Right) << 4 << 4 << 0;
    QTest::newRow("Left collapses a selection to its start") << 1 << 4 << key(Qt::Key_Left) << 1 << 1 << 0;
    QTest::newRow("Shift+Right extends") << 1 << 4 << key(Qt::Key_Right, Qt::ShiftModifier) << 1 << 5 << 0;
    QTest::newRow("Shift+Right selects a break whole") << 5 << 5 << key(Qt::Key_Right, Qt::ShiftModifier)
                                                         << 5 << 7 << 0;
    QTest::newRow("Shift+End selects to the CR") << 1 << 1 << key(Qt::Key_End, Qt::ShiftModifier) << 1 << 5 << 0;
    QTest::newRow("Ctrl+Right to the word's end") << 0 << 0 << key(Qt::Key_Right, Qt::ControlModifier) << 2 << 2 << 0;
    QTest::newRow("Ctrl+Right to the next word's end") << 2 << 2 << key(Qt::Key_Right, Qt::ControlModifier)
                                                      << 5 << 5 << 0;
    QTest::newRow("Ctrl+Right inside a word to its end") << 1 << 1 << key(Qt::Key_Right, Qt::ControlModifier)
                                                        << 2 << 2 << 0;
    QTest::newRow("Ctrl+Right at a line's end into the next") << 5 << 5 << key(Qt::Key_Right, Qt::ControlModifier)
                                                             << 10 << 10 << 0;
    QTest::newRow("Ctrl+Left at a line's start into the one before")
        << 12 << 12 << key(Qt::Key_Left, Qt::ControlModifier) << 9 << 9 << 0;
    QTest::newRow("Ctrl+Left to the word's start") << 4 << 4 << key(Qt::Key_Left, Qt::ControlModifier) << 3 << 3 << 0;
    QTest::newRow("Home") << 4 << 4 << key(Qt::Key_Home) << 0 << 0 << 0;
    QTest::newRow("End stops before the CR") << 0 << 0 << key(Qt::Key_End) << 5 << 5 << 0;
    QTest::newRow("Ctrl+Home") << 12 << 12 << key(Qt::Key_Home, Qt::ControlModifier) << 0 << 0 << 0;
    QTest::newRow("Ctrl+End") << 0 << 0 << key(Qt::Key_End, Qt::ControlModifier) << 22 << 22 << 0;
    QTest::newRow("Ctrl+Shift+End") << 2 << 2 << key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier)
                                    << 2 << 22 << 0;
    QTest::newRow("Down keeps the column") << 1 << 1 << key(Qt::Key_Down) << 8 << 8 << 0;
    QTest::newRow("Up keeps the column") << 8 << 8 << key(Qt::Key_Up) << 1 << 1 << 0;
    QTest::newRow("Up on the first line stays") << 1 << 1 << key(Qt::Key_Up) << 1 << 1 << 0;
    QTest::newRow("Down on the last line stays") << 20 << 20 << key(Qt::Key_Down) << 20 << 20 << 0;
    QTest::newRow("Shift+Down extends") << 1 << 1 << key(Qt::Key_Down, Qt::ShiftModifier) << 1 << 8 << 0;
    QTest::newRow("Page Down scrolls a page") << 1 << 1 << key(Qt::Key_PageDown) << 16 << 16 << 3;
    QTest::newRow("Page Up scrolls back") << 16 << 16 << key(Qt::Key_PageUp) << 1 << 1 << -3;
    QTest::newRow("a keypad arrow moves as the other") << 0 << 0 << key(Qt::Key_Right, Qt::KeypadModifier)
                                                      << 1 << 1 << 0;
    QTest::newRow("Alt+Right moves nothing") << 0 << 0 << key(Qt::Key_Right, Qt::AltModifier) << 0 << 0 << 0;
    QTest::newRow("a letter moves nothing") << 3 << 3 << key(Qt::Key_A) << 3 << 3 << 0;
}

void tst_Caret::keysStepTheCaret()
{
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QKeyCombination, key);
    QFETCH(int, newAnchor);
    QFETCH(int, newPosition);
    QFETCH(int, scrolled);
    TextModel model;
    model.replace(0, 0, u"ab cd\r\n\U0001F600e\r\nx\r\ny\r\nlast"_qs, 0, 0);

    const CaretStep step = press(model, Caret{position, anchor, std::nullopt}, key);

    QCOMPARE(step.caret.anchor, newAnchor);
    QCOMPARE(step.caret.position, newPosition);
    QCOMPARE(step.scrolledLines, scrolled);
}

void tst_Caret::upAndDownKeepTheirColumnOverShortLines()
{
    TextModel model;
    model.replace(0, 0, u"abcdef\r\nab\r\nabcdef"_qs, 0, 0);
    Caret caret{5, 5, std::nullopt};

    caret = press(model, caret, QKeyCombination(Qt::Key_Down)).caret;
    QCOMPARE(caret.position, 10); // the short line's end
    caret = press(model, caret, QKeyCombination(Qt::Key_Down)).caret;
    QCOMPARE(caret.position, 17); // back at the column the run began at
    caret = press(model, caret, QKeyCombination(Qt::Key_Left)).caret;
    QCOMPARE(caret.wantedX, std::nullopt); // a sideways move ends the run
}

QTEST_GUILESS_MAIN(tst_Caret)
#include "tst_caret.moc"
