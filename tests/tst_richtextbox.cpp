// SPDX-License-Identifier: MIT
#include "main_window/translations.h"
#include "support/viewsupport.h"
#include "view/richtextboxaccessible.h"
#include "view/textcolours.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <optional>
#include <stdexcept>

using namespace ViewSupport;

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offsetsCountLineBreaksTwice_data();
    void offsetsCountLineBreaksTwice();
    void selStartIsLowerEndOfBackwardSelection();
    void keysMoveOverWholeCharactersAndChangeNothing_data();
    void keysMoveOverWholeCharactersAndChangeNothing();
    void upAndDownKeepTheClickedColumn_data();
    void upAndDownKeepTheClickedColumn();
    void selTextAppendsAtEnd();
    void everyLineBreakSpellingStartsOneLine_data();
    void everyLineBreakSpellingStartsOneLine();
    void pendingFaceAppliesToNextInsert();
    void colourRangeFromLineFeedThroughCarriageReturn();
    void recolourTouchesOnlyLinesOfAnotherColour();
    void recolourAfterTypingInsideColouredLine();
    void firstVisibleLineAndScrollWithMixedFaces();
    void movingSelectionNeverScrolls();
    void selectingWhileFrozenLaysOutOnlyShownLines();
    void redrawFreezeReleasesOnEveryPath();
    void notificationsFollowTheCaretMove();
    void copiesTheFamilyNameOfALine_data();
    void copiesTheFamilyNameOfALine();
    void screenReadersSeeTextCaretAndSelection();
    void textReadsOnItsPage_data();
    void textReadsOnItsPage();
    void zoomKeepsTheCaretLineInPlace_data();
    void zoomKeepsTheCaretLineInPlace();
    void typingANameFindsItsLine_data();
    void typingANameFindsItsLine();
};

namespace {

void append(RichTextBox &view, const QString &text)
{
    view.SetSelStart(view.TextLength());
    view.SetSelText(text);
}

} // namespace

void tst_RichTextBox::offsetsCountLineBreaksTwice_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("one line without break") << QStringLiteral("Serif\t\t\tLorem");
    QTest::newRow("lines ending in breaks") << QStringLiteral("ab\r\ncd\r\nef\r\n");
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\nx\r\n\r\n");
    QTest::newRow("last line without break") << QStringLiteral("first\r\nsecond\r\nthird");
    QTest::newRow("non-Latin and surrogates") << QStringLiteral("日本語\r\nعربي\r\n😀x\r\n");
}

void tst_RichTextBox::offsetsCountLineBreaksTwice()
{
    QFETCH(QString, text);
    RichTextBox view;
    view.SetSelText(text);

    QCOMPARE(view.Text(), text);
    QCOMPARE(view.TextLength(), text.size());
    QCOMPARE(view.SelStart(), text.size());

    for (int start = 0; start <= text.size(); ++start) {
        if (start > 0 && text.at(start - 1) == u'\r')
            continue; // between CR and LF there is no caret position
        view.SetSelStart(start);
        QCOMPARE(view.SelStart(), start);
        QCOMPARE(view.SelLength(), 0);
        for (int length = 1; start + length <= text.size(); ++length) {
            if (text.at(start + length - 1) == u'\r')
                continue;
            view.SetSelLength(length);
            QCOMPARE(view.SelStart(), start);
            QCOMPARE(view.SelLength(), length);
            QCOMPARE(view.SelText(), text.mid(start, length));
        }
    }
}

void tst_RichTextBox::selStartIsLowerEndOfBackwardSelection()
{
    RichTextBox view;
    view.SetSelText(QStringLiteral("abc\r\ndef\r\n"));
    view.setFocus();
    view.SetSelStart(8);
    QTest::keyClick(&view, Qt::Key_Up, Qt::ShiftModifier);

    QCOMPARE(view.SelStart(), 3);
    QCOMPARE(view.SelLength(), 5);
    QCOMPARE(view.SelText(), QStringLiteral("\r\ndef"));
}

void tst_RichTextBox::keysMoveOverWholeCharactersAndChangeNothing_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");

    // "ab\r\n" then an emoji (two UTF-16 units) and "c\r\n", then "last": 13 characters. Each move
    // is tested in tst_caret; these rows check that the view makes them.
    QTest::newRow("Right steps over a surrogate pair") << 4 << QKeyCombination(Qt::Key_Right) << 6 << 0;
    QTest::newRow("Ctrl+End") << 0 << QKeyCombination(Qt::ControlModifier, Qt::Key_End) << 13 << 0;
    QTest::newRow("Shift+Right selects a break whole") << 2 << QKeyCombination(Qt::ShiftModifier, Qt::Key_Right)
                                                         << 2 << 2;
    QTest::newRow("Ctrl+A selects everything") << 5 << QKeyCombination(Qt::ControlModifier, Qt::Key_A) << 0 << 13;
    QTest::newRow("a letter types nothing") << 1 << QKeyCombination(Qt::Key_X) << 1 << 0;
    QTest::newRow("Delete deletes nothing") << 1 << QKeyCombination(Qt::Key_Delete) << 1 << 0;
    QTest::newRow("Enter breaks nothing") << 1 << QKeyCombination(Qt::Key_Return) << 1 << 0;
}

void tst_RichTextBox::keysMoveOverWholeCharactersAndChangeNothing()
{
    QFETCH(int, caret);
    QFETCH(QKeyCombination, key);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    const QString text = u"ab\r\n\U0001F600c\r\nlast"_qs;
    RichTextBox view;
    view.SetSelText(text);
    view.SetSelStart(caret);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QTest::keyClick(&view, key.key(), key.keyboardModifiers());

    QCOMPARE(view.SelStart(), selStart);
    QCOMPARE(view.SelLength(), selLength);
    QCOMPARE(view.Text(), text);
}

void tst_RichTextBox::upAndDownKeepTheClickedColumn_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("line");
    QTest::newRow("Down") << QKeyCombination(Qt::Key_Down) << 3;
    QTest::newRow("Up") << QKeyCombination(Qt::Key_Up) << 1;
    QTest::newRow("Shift+Down") << QKeyCombination(Qt::ShiftModifier, Qt::Key_Down) << 3;
}

void tst_RichTextBox::upAndDownKeepTheClickedColumn()
{
    QFETCH(QKeyCombination, key);
    QFETCH(int, line);
    constexpr int Column = 6;
    constexpr int LineLength = 12; // with its CR LF
    RichTextBox view;
    view.SetSelText(QStringLiteral("abcdefghij\r\n").repeated(5));
    view.SetSelStart(0);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::keyClick(&view, Qt::Key_Down); // a column to remember from before the click

    QTest::mouseClick(surfaceOf(view), Qt::LeftButton, {}, pointOfOffset(view, 2 * LineLength + Column));
    QCOMPARE(view.SelStart(), 2 * LineLength + Column);
    QTest::keyClick(&view, key.key(), key.keyboardModifiers());

    QCOMPARE(caretLine(view), line);
    QCOMPARE(view.SelStart() + view.SelLength(), line * LineLength + Column);
}

void tst_RichTextBox::selTextAppendsAtEnd()
{
    RichTextBox view;
    append(view, QStringLiteral("one\r\n"));
    view.SetSelStart(1);
    append(view, QStringLiteral("two\r\n"));

    QCOMPARE(view.Text(), QStringLiteral("one\r\ntwo\r\n"));
    QCOMPARE(view.SelStart(), view.TextLength());
    QCOMPARE(lineCount(view), 3);
}

void tst_RichTextBox::everyLineBreakSpellingStartsOneLine_data()
{
    QTest::addColumn<QString>("lineBreak");
    QTest::newRow("CR LF") << QStringLiteral("\r\n");
    QTest::newRow("LF") << QStringLiteral("\n");
    QTest::newRow("lone CR") << QStringLiteral("\r");
    QTest::newRow("line separator") << QString(QChar::LineSeparator);
    QTest::newRow("paragraph separator") << QString(QChar::ParagraphSeparator);
}

void tst_RichTextBox::everyLineBreakSpellingStartsOneLine()
{
    QFETCH(QString, lineBreak);
    RichTextBox view;
    view.SetSelText(QStringLiteral("a") + lineBreak + QStringLiteral("b"));

    QCOMPARE(view.Text(), QStringLiteral("a\r\nb"));
    QCOMPARE(lineCount(view), 2);
}

void tst_RichTextBox::pendingFaceAppliesToNextInsert()
{
    RichTextBox view;
    append(view, QStringLiteral("base"));
    view.SetSelStart(view.TextLength());
    view.SetSelFontName(QStringLiteral("DejaVu Serif"));
    QCOMPARE(view.SelFontName(), QStringLiteral("DejaVu Serif"));
    view.SetSelText(QStringLiteral("serif\r\n"));

    QCOMPARE(faceOf(view, 0, 4), view.FontName());
    QCOMPARE(faceOf(view, 4, 5), QStringLiteral("DejaVu Serif"));
    QCOMPARE(view.SelText(), QStringLiteral("serif"));
}

void tst_RichTextBox::colourRangeFromLineFeedThroughCarriageReturn()
{
    RichTextBox view;
    view.SetSelText(QStringLiteral("aa\r\nbb\r\ncc"));
    recolour(view, 0, view.TextLength(), Qt::black);
    recolour(view, 3, 4, Qt::blue); // from the LF after "aa" through the CR after "bb"

    QCOMPARE(colourOf(view, 0, 2), QColor(Qt::black));
    QCOMPARE(colourOf(view, 4, 2), QColor(Qt::blue));
    QCOMPARE(colourOf(view, 8, 2), QColor(Qt::black));
    QCOMPARE(colourOf(view, 0, view.TextLength()), std::nullopt);
}

void tst_RichTextBox::recolourTouchesOnlyLinesOfAnotherColour()
{
    RichTextBox view;
    view.SetSelText(numberedLines(500));

    // Fresh text already shows black, so colouring it black changes nothing.
    EditLog edits(view);
    recolour(view, 0, view.TextLength(), Qt::black);
    QCOMPARE(edits.written, QList<int>());

    const int lineStart = view.Text().indexOf(QStringLiteral("line 250"));
    recolour(view, lineStart, 8, Qt::blue);
    QCOMPARE(edits.written.size(), 1);

    edits.written.clear();
    recolour(view, 0, view.TextLength(), Qt::black);
    QCOMPARE(edits.written, QList<int>{8}); // just the one recoloured line
    QCOMPARE(colourOf(view, 0, view.TextLength()), QColor(Qt::black));
}

void tst_RichTextBox::recolourAfterTypingInsideColouredLine()
{
    RichTextBox view;
    view.SetSelText(numberedLines(3));
    recolour(view, 0, view.TextLength(), Qt::black);
    recolour(view, 8, 6, Qt::blue); // "line 1"

    // The user cannot type into the view.
    const QString before = view.Text();
    view.setFocus();
    view.SetSelStart(11);
    QTest::keyClicks(&view, QStringLiteral("typed"));
    QCOMPARE(view.Text(), before);

    // Text inserted into the blue line comes out blue; the next recolour must still find it.
    view.SetSelStart(view.TextLength());
    view.SetSelText(QStringLiteral("typed"));
    view.SetSelStart(11);
    view.SetSelText(QStringLiteral("XY"));
    QCOMPARE(colourOf(view, 11, 2), QColor(Qt::blue));

    recolour(view, 0, view.TextLength(), Qt::black);
    QCOMPARE(colourOf(view, 0, view.TextLength()), QColor(Qt::black));
}

void tst_RichTextBox::firstVisibleLineAndScrollWithMixedFaces()
{
    RichTextBox view;
    for (int line = 0; line < 200; ++line) {
        view.SetSelStart(view.TextLength());
        view.SetSelFontName(line % 3 == 0 ? QStringLiteral("DejaVu Serif") : view.FontName());
        view.SetSelText(QStringLiteral("line %1\r\n").arg(line));
    }
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QCOMPARE(view.FirstVisibleLine(), 0);
    view.LineScroll(10);
    QCOMPARE(view.FirstVisibleLine(), 10);
    view.LineScroll(-3);
    QCOMPARE(view.FirstVisibleLine(), 7);
    view.LineScroll(-100);
    QCOMPARE(view.FirstVisibleLine(), 0);
}

void tst_RichTextBox::movingSelectionNeverScrolls()
{
    RichTextBox view;
    view.SetSelText(numberedLines(300));
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.LineScroll(100);

    view.SetSelStart(0);
    QCOMPARE(view.FirstVisibleLine(), 100);
    view.SetSelStart(view.TextLength());
    view.SetSelLength(0);
    QCOMPARE(view.FirstVisibleLine(), 100);
}

void tst_RichTextBox::selectingWhileFrozenLaysOutOnlyShownLines()
{
    RichTextBox view;
    view.SetSelText(numberedLines(300));
    view.SetSelStart(0);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    {
        const RichTextBox::RedrawFreeze freeze(view);
        view.SetSelLength(view.TextLength());
        view.SetSelColor(Qt::black);
        view.SetSelStart(8);
        QCOMPARE(view.SelStart(), 8);
    }
    QCOMPARE(view.SelStart(), 8);
    QCOMPARE(caretLine(view), 1);

    // Laying out a line loads its face. Qt measures the last page for the scroll range;
    // no other line off the screen may be laid out.
    for (int line = shownLineCount(view); line < 250; ++line)
        QVERIFY2(!isLaidOut(view, line),
                 qPrintable(QStringLiteral("line %1 was laid out").arg(line)));
}

void tst_RichTextBox::redrawFreezeReleasesOnEveryPath()
{
    RichTextBox view;
    {
        const RichTextBox::RedrawFreeze outer(view);
        {
            const RichTextBox::RedrawFreeze inner(view);
            QVERIFY(!view.updatesEnabled());
        }
        QVERIFY(!view.updatesEnabled()); // the outer freeze still holds
    }
    QVERIFY(view.updatesEnabled());

    try {
        const RichTextBox::RedrawFreeze freeze(view);
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error &) {
    }
    QVERIFY(view.updatesEnabled());
}

void tst_RichTextBox::notificationsFollowTheCaretMove()
{
    RichTextBox view;
    view.SetSelText(numberedLines(5));
    view.SetSelStart(0);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    int caretAtKeyRelease = -1;
    connect(&view, &RichTextBox::keyReleased, this, [&] { caretAtKeyRelease = view.SelStart(); });
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(caretAtKeyRelease, 8);

    int caretAtMouseRelease = -1;
    connect(&view, &RichTextBox::mouseButtonReleased, this,
            [&] { caretAtMouseRelease = view.SelStart(); });
    QTest::mouseClick(surfaceOf(view), Qt::LeftButton, {}, pointOfLine(view, 2));
    QCOMPARE(caretAtMouseRelease, 16);

    QSignalSpy focus(&view, &RichTextBox::focusGained);
    view.clearFocus();
    view.setFocus();
    QCOMPARE(focus.count(), 1);
}

void tst_RichTextBox::copiesTheFamilyNameOfALine_data()
{
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("menuOnLine");
    QTest::addColumn<QString>("copied");
    QTest::addColumn<QString>("language"); // whose catalogues are loaded; none when empty
    // The menu's "Copy Family Name" text, its Copy shortcut (Qt's catalogue) and its direction.
    QTest::addColumn<QStringList>("menuShows");

    const QStringList english{u"Copy Family Name"_qs, u"Ctrl+C"_qs, u"ltr"_qs};
    QTest::newRow("Ctrl+C, caret on a later line") << 22 << 0 << -1 << u"ヒラギノ角ゴ"_qs << QString() << english;
    QTest::newRow("Ctrl+C, caret on a line without tabs") << 50 << 0 << -1 << u"plain line"_qs << QString() << english;
    QTest::newRow("Ctrl+C, a selection copies as before") << 1 << 7 << -1 << u"ejaVu \t"_qs << QString() << english;
    QTest::newRow("menu, line under the pointer, not the caret's")
        << 0 << 0 << 1 << u"ヒラギノ角ゴ"_qs << QString() << english;
    QTest::newRow("menu in German") << 0 << 0 << 0 << u"DejaVu "_qs << u"de_DE"_qs
                                    << QStringList{u"Familiennamen kopieren"_qs, u"Strg+C"_qs, u"ltr"_qs};
    QTest::newRow("menu in Hebrew, right to left") << 0 << 0 << 2 << u"third"_qs << u"he_IL"_qs
                                                   << QStringList{u"Copy Family Name"_qs, u"Ctrl+\u202AC"_qs, u"rtl"_qs};
}

void tst_RichTextBox::copiesTheFamilyNameOfALine()
{
    QFETCH(int, caret);
    QFETCH(int, selected);
    QFETCH(int, menuOnLine);
    QFETCH(QString, copied);
    QFETCH(QString, language);
    QFETCH(QStringList, menuShows);
    std::optional<Translations> translations;
    if (!language.isEmpty())
        translations.emplace(QLocale(language), QStringList{QStringLiteral(TYPESHELF_BUILD_TRANSLATIONS)});
    RichTextBox view;
    view.SetSelText(u"DejaVu \t\t\tLorem\r\nヒラギノ角ゴ\t\t\tLorem\r\nthird\t\t\tLorem\r\nplain line\r\n"_qs);
    view.SetSelStart(caret);
    view.SetSelLength(selected);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QGuiApplication::clipboard()->clear();

    if (menuOnLine < 0) {
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    } else {
        QStringList shown;
        QTimer::singleShot(0, this, [&shown] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            auto *copyName = menu->findChild<QAction *>(u"copyFamilyName"_qs);
            auto *copy = menu->findChild<QAction *>(u"copy"_qs);
            QVERIFY(copyName && copy);
            shown = {copyName->text(), copy->shortcut().toString(QKeySequence::NativeText),
                     menu->isRightToLeft() ? u"rtl"_qs : u"ltr"_qs};
            copyName->trigger();
            menu->close();
        });
        const QPoint line = surfaceOf(view)->mapTo(&view, pointOfLine(view, menuOnLine));
        QTest::mouseClick(view.windowHandle(), Qt::RightButton, {}, line);
        QCOMPARE(shown, menuShows);
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
}

void tst_RichTextBox::screenReadersSeeTextCaretAndSelection()
{
    RichTextBoxAccessible::install();
    RichTextBox view;
    view.SetSelText(numberedLines(3));
    view.SetSelStart(10);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), u"Font families"_qs);
    QVERIFY(accessible->state().readOnly);
    QAccessibleTextInterface *text = accessible->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), view.TextLength());
    QCOMPARE(text->text(6, 12), u"\r\nline"_qs);
    QCOMPARE(text->cursorPosition(), 10);

    // Each character's place leads back to it, on any line.
    for (const int offset : {0, 3, 9, 19}) {
        const QRect place = text->characterRect(offset);
        QVERIFY(place.isValid());
        QCOMPARE(text->offsetAtPoint(place.center() - QPoint(place.width() / 4, 0)), offset);
    }

    text->setSelection(0, 8, 14);
    QCOMPARE(view.SelStart(), 8);
    QCOMPARE(view.SelLength(), 6);
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(8, 14));
}

void tst_RichTextBox::textReadsOnItsPage_data()
{
    QTest::addColumn<QColor>("base");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("stored");
    QTest::addColumn<QColor>("shown"); // invalid: any colour that reads at 4.5:1

    QTest::newRow("light page keeps black") << QColor(Qt::white) << QColor(Qt::black) << QColor(Qt::black)
                                            << QColor(Qt::black);
    QTest::newRow("light page keeps blue") << QColor(0xfafafa) << QColor(0x232629) << QColor(Qt::blue)
                                           << QColor(Qt::blue);
    QTest::newRow("dark page shows black as its text")
        << QColor(0x202020) << QColor(0xe0e0e0) << QColor(Qt::black) << QColor(0xe0e0e0);
    QTest::newRow("dark page lightens blue") << QColor(0x202020) << QColor(0xe0e0e0) << QColor(Qt::blue) << QColor();
    QTest::newRow("black page lightens blue") << QColor(Qt::black) << QColor(Qt::white) << QColor(Qt::blue) << QColor();
}

// The ink of a line drawn on the page reads against it in the colour stored text shows in.
void tst_RichTextBox::textReadsOnItsPage()
{
    QFETCH(QColor, base);
    QFETCH(QColor, text);
    QFETCH(QColor, stored);
    QFETCH(QColor, shown);
    RichTextBox view;
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::Text, text);
    view.setPalette(palette);
    view.SetSelText(u"████\r\n"_qs);
    recolour(view, 0, 4, stored);
    view.SetSelStart(view.TextLength()); // no selection over the ink
    view.resize(200, 80);

    const QImage image = view.viewport()->grab().toImage();
    const QPoint inside(RichTextBox::TextMargin + view.LineHeight() / 4, RichTextBox::TextMargin + view.LineHeight() / 2);
    const QColor ink = image.pixelColor(inside);
    QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), base);
    if (shown.isValid())
        QCOMPARE(ink, shown);
    QCOMPARE_GE(TextColours::contrast(ink, base), 4.5);
    QCOMPARE(colourOf(view, 0, 4), stored); // the stored colour is the one the program set
}

void tst_RichTextBox::zoomKeepsTheCaretLineInPlace_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("action"); // a key sequence, or "wheel" and the wheel's turn
    QTest::addColumn<int>("zoom");

    QTest::newRow("Ctrl+plus") << 100 << QKeySequence(QKeySequence::ZoomIn).toString() << 110;
    QTest::newRow("Ctrl+=") << 100 << u"Ctrl+="_qs << 110;
    QTest::newRow("Ctrl+Shift+plus, as a US keyboard types plus") << 100 << u"Ctrl+Shift++"_qs << 110;
    QTest::newRow("Ctrl+minus") << 100 << u"Ctrl+-"_qs << 90;
    QTest::newRow("Ctrl+0") << 250 << u"Ctrl+0"_qs << 100;
    QTest::newRow("wheel away, two notches") << 100 << u"wheel 240"_qs << 125;
    QTest::newRow("wheel back, half a notch") << 100 << u"wheel -60"_qs << 100;
    QTest::newRow("no further than 400") << 400 << u"Ctrl+="_qs << 400;
    QTest::newRow("no smaller than 50") << 50 << u"Ctrl+-"_qs << 50;
    QTest::newRow("twice the size") << 100 << u"wheel 600"_qs << 200;
}

void tst_RichTextBox::zoomKeepsTheCaretLineInPlace()
{
    QFETCH(int, from);
    QFETCH(QString, action);
    QFETCH(int, zoom);
    RichTextBox view;
    view.SetSelText(catalogueOf(300));
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.SetSelStart(0);
    view.SetZoomPercent(from);
    view.LineScroll(100);
    view.SetSelStart(view.Model().lineStart(103));
    const int caretTop = view.LineRect(103).top();
    const int lineHeight = view.LineHeight();

    if (action.startsWith(u"wheel")) {
        const QPoint turn(0, action.sliced(6).toInt());
        QWheelEvent wheel(QPointF(50, 50), view.mapToGlobal(QPointF(50, 50)), QPoint(), turn, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &wheel);
    } else {
        QTest::keySequence(&view, QKeySequence(action));
    }
    QCOMPARE(view.ZoomPercent(), zoom);
    QCOMPARE(view.CaretLine(), 103);
    QCOMPARE_LE(std::abs(view.LineRect(103).top() - caretTop), view.LineHeight());
    QCOMPARE_LE(std::abs(view.LineHeight() * from - lineHeight * zoom), 2 * std::max(from, zoom));
}

void tst_RichTextBox::typingANameFindsItsLine_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("line");
    QTest::newRow("a name far below") << u"family 257"_qs << 257;
    QTest::newRow("no such name") << u"Famous"_qs << 0;
}

void tst_RichTextBox::typingANameFindsItsLine()
{
    QFETCH(QString, typed);
    QFETCH(int, line);
    RichTextBox view;
    view.SetSelText(catalogueOf(300));
    view.SetSelStart(0);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QString text = view.Text();

    QTest::keyClicks(&view, typed);
    QCOMPARE(view.CaretLine(), line);
    QCOMPARE(view.SelStart(), view.Model().lineStart(line));
    QVERIFY(view.LineRect(line).top() >= 0 && view.LineRect(line).bottom() <= view.viewport()->height());
    QCOMPARE(view.Text(), text);
}

QTEST_MAIN(tst_RichTextBox)
#include "tst_richtextbox.moc"
