// SPDX-License-Identifier: MIT
#include "support/viewsupport.h"

#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace ViewSupport;

// The caret's line turns blue and the rest black whenever the view is focused, a key is released
// in it or a mouse button is released over it.
class tst_FrmMainHighlight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void edgeCases_data();
    void edgeCases();
    void firstLineBlueOnceShown();
    void keysMoveTheHighlight_data();
    void keysMoveTheHighlight();
    void clickMovesTheHighlightAndKeepsTheScroll_data();
    void clickMovesTheHighlightAndKeepsTheScroll();
    void selectAllEndsCollapsed_data();
    void selectAllEndsCollapsed();
    void caretStaysInSightSideways_data();
    void caretStaysInSightSideways();
    void selectionsCollapseToTheirStart();
    void focusReturningKeepsTheHighlight();
    void oneRepaintPerRun();

private:
    RichTextBox &view() const { return *rtbFontsOf(*m_window); }
    void replaceText(const QString &text);
    void showWindow();
    void releaseKey() { QTest::keyRelease(&view(), Qt::Key_Shift); }
    void verifyOnlyLineBlue(int line);

    std::unique_ptr<frmMain> m_window;
};

namespace {

const QColor Blue(0, 0, 255);
const QColor Black(Qt::black);

// Offsets of the line's first character and of the CR that ends it.
std::pair<int, int> lineBounds(const QString &text, int line)
{
    int start = 0;
    for (int skipped = 0; skipped < line; ++skipped)
        start = text.indexOf(RichTextBox::LineBreak, start) + 2;
    return {start, text.indexOf(RichTextBox::LineBreak, start)};
}

// The keys start on this line of a catalogue this long.
constexpr int StartLine = 5;
constexpr int CatalogueLines = 100;

// The line a key should take the caret to, worked out from the view after the key.
using LineRule = int (*)(const RichTextBox &);

template<int Line>
int lineNumber(const RichTextBox &)
{
    return Line;
}

// Where on the view's surface a click lands.
using PointRule = QPoint (*)(const RichTextBox &);

template<int Row>
QPoint shownRow(const RichTextBox &view)
{
    return pointOfLine(view, view.FirstVisibleLine() + Row);
}

QPoint topMargin(const RichTextBox &)
{
    return QPoint(200, 1);
}

} // namespace

Q_DECLARE_METATYPE(LineRule)
Q_DECLARE_METATYPE(PointRule)

void tst_FrmMainHighlight::initTestCase()
{
    QApplication::setCursorFlashTime(0); // a blinking caret would add repaints of its own
}

void tst_FrmMainHighlight::init()
{
    m_window = std::make_unique<frmMain>();
}

void tst_FrmMainHighlight::cleanup()
{
    m_window.reset();
}

void tst_FrmMainHighlight::replaceText(const QString &text)
{
    select(view(), 0, view().TextLength());
    view().SetSelText(text);
    view().SetSelStart(0);
}

void tst_FrmMainHighlight::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_FrmMainHighlight::verifyOnlyLineBlue(int line)
{
    const QString text = view().Text();
    const auto [start, end] = lineBounds(text, line);
    if (start == text.size()) { // after the final CR LF no line is blue
        QCOMPARE(colourOf(view(), 0, text.size()), Black);
        return;
    }
    QCOMPARE(colourOf(view(), start, end - start), Blue);
    if (start > 0)
        QCOMPARE(colourOf(view(), 0, start), Black);
    QCOMPARE(colourOf(view(), end, text.size() - end), Black);
}

void tst_FrmMainHighlight::edgeCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("blueFrom"); // the blue range, as offsets [blueFrom, blueTo)
    QTest::addColumn<int>("blueTo");

    const QString three = QStringLiteral("aa\r\nbb\r\ncc\r\n");
    QTest::newRow("caret at offset 0: first line through its CR") << three << 0 << 0 << 3;
    QTest::newRow("caret at the start of line 2") << three << 4 << 3 << 7;
    QTest::newRow("caret inside line 2") << three << 5 << 3 << 7;
    QTest::newRow("caret before the CR of line 2") << three << 6 << 3 << 7;
    QTest::newRow("caret on the last line") << three << 9 << 7 << 11;
    QTest::newRow("caret after the final CR LF: nothing") << three << 12 << 0 << 0;
    QTest::newRow("text without CR LF: nothing") << QStringLiteral("abcdef") << 3 << 0 << 0;
    QTest::newRow("last line without CR LF: LF to the end")
        << QStringLiteral("aa\r\nbb") << 5 << 3 << 6;
    QTest::newRow("empty view") << QString() << 0 << 0 << 0;
    QTest::newRow("empty lines around the caret")
        << QStringLiteral("\r\n\r\nxy\r\n\r\n") << 4 << 3 << 7;
}

void tst_FrmMainHighlight::edgeCases()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, blueFrom);
    QFETCH(int, blueTo);
    replaceText(text);
    // Leave a stale highlight everywhere, so every character has to be recoloured or kept.
    recolour(view(), 0, view().TextLength(), Blue);
    view().SetSelStart(caret);

    releaseKey();

    QCOMPARE(view().Text(), text);
    QCOMPARE(view().SelStart(), caret);
    QCOMPARE(view().SelLength(), 0);
    for (int offset = 0; offset < text.size(); ++offset) {
        if (text.at(offset) == u'\r' || text.at(offset) == u'\n')
            continue; // line breaks carry no colour of their own on screen
        const QColor expected = offset >= blueFrom && offset < blueTo ? Blue : Black;
        QVERIFY2(colourOf(view(), offset, 1) == expected,
                 qPrintable(QStringLiteral("offset %1").arg(offset)));
    }
}

void tst_FrmMainHighlight::firstLineBlueOnceShown()
{
    showWindow();
    verifyOnlyLineBlue(0);
}

void tst_FrmMainHighlight::keysMoveTheHighlight_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<LineRule>("expectedLine");
    QTest::newRow("Down") << QKeyCombination(Qt::Key_Down) << &lineNumber<StartLine + 1>;
    QTest::newRow("Up") << QKeyCombination(Qt::Key_Up) << &lineNumber<StartLine - 1>;
    QTest::newRow("End stays on the line") << QKeyCombination(Qt::Key_End) << &lineNumber<StartLine>;
    QTest::newRow("Ctrl+End goes past the last line")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_End) << &lineNumber<CatalogueLines>;
    QTest::newRow("Page Down: wherever a page takes the caret")
        << QKeyCombination(Qt::Key_PageDown) << &caretLine;
}

void tst_FrmMainHighlight::keysMoveTheHighlight()
{
    QFETCH(QKeyCombination, key);
    QFETCH(LineRule, expectedLine);
    replaceText(catalogueOf(CatalogueLines));
    view().SetSelStart(lineBounds(view().Text(), StartLine).first);
    showWindow();

    QTest::keyClick(&view(), key.key(), key.keyboardModifiers());

    const int line = expectedLine(view());
    QVERIFY(line > 0);
    QCOMPARE(caretLine(view()), line);
    verifyOnlyLineBlue(line);
}

void tst_FrmMainHighlight::clickMovesTheHighlightAndKeepsTheScroll_data()
{
    QTest::addColumn<PointRule>("point");
    QTest::addColumn<int>("row"); // the caret's line, counted from the first shown
    QTest::newRow("on a shown line") << &shownRow<3> << 3;
    QTest::newRow("in the margin above the first shown line") << &topMargin << 0;
}

void tst_FrmMainHighlight::clickMovesTheHighlightAndKeepsTheScroll()
{
    QFETCH(PointRule, point);
    QFETCH(int, row);
    replaceText(catalogueOf(300));
    showWindow();
    view().LineScroll(150);
    const int firstVisible = view().FirstVisibleLine();
    QCOMPARE(firstVisible, 150);

    QTest::mouseClick(surfaceOf(view()), Qt::LeftButton, {}, point(view()));

    QCOMPARE(view().FirstVisibleLine(), firstVisible);
    QCOMPARE(caretLine(view()), firstVisible + row);
    verifyOnlyLineBlue(firstVisible + row);
}

void tst_FrmMainHighlight::selectAllEndsCollapsed_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("Ctrl+A") << false;
    QTest::newRow("the context menu's Select All") << true;
}

void tst_FrmMainHighlight::selectAllEndsCollapsed()
{
    QFETCH(bool, fromMenu);
    replaceText(catalogueOf(20));
    showWindow();
    view().SetSelStart(lineBounds(view().Text(), 3).first);

    if (fromMenu) {
        // The popup takes the release of the button that opened it, and closes before its
        // action runs: the view sees no release after the action.
        QTimer::singleShot(0, this, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            auto *selectAll = menu->findChild<QAction *>(u"selectAll"_qs);
            QVERIFY(selectAll);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(selectAll).center());
        });
        const QPoint at = pointOfLine(view(), 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, surfaceOf(view())->mapToGlobal(at));
        QApplication::sendEvent(surfaceOf(view()), &event);
    } else {
        QTest::keyClick(&view(), Qt::Key_A, Qt::ControlModifier);
    }

    QCOMPARE(view().SelLength(), 0);
    QCOMPARE(view().SelStart(), 0);
    verifyOnlyLineBlue(0);
}

void tst_FrmMainHighlight::caretStaysInSightSideways_data()
{
    QTest::addColumn<QList<QKeyCombination>>("keys");
    QTest::addColumn<bool>("scrolled");
    QTest::newRow("End") << QList{QKeyCombination(Qt::Key_End)} << true;
    QTest::newRow("Shift+End collapses back to the line's start")
        << QList{QKeyCombination(Qt::ShiftModifier, Qt::Key_End)} << false;
    QTest::newRow("Shift+End, then Home")
        << QList{QKeyCombination(Qt::ShiftModifier, Qt::Key_End), QKeyCombination(Qt::Key_Home)} << false;
    QTest::newRow("End, then Home")
        << QList{QKeyCombination(Qt::Key_End), QKeyCombination(Qt::Key_Home)} << false;
}

void tst_FrmMainHighlight::caretStaysInSightSideways()
{
    QFETCH(QList<QKeyCombination>, keys);
    QFETCH(bool, scrolled);
    replaceText(catalogueOf(5) + QString(400, u'w') + QStringLiteral("\r\n"));
    showWindow();
    view().SetSelStart(lineBounds(view().Text(), 5).first);

    for (const QKeyCombination key : keys)
        QTest::keyClick(&view(), key.key(), key.keyboardModifiers());

    // Scrolled sideways, the start of a line is out of sight; the end of this one is beyond the view.
    QCOMPARE(view().horizontalScrollBar()->value() > 0, scrolled);
    QCOMPARE(caretLine(view()), 5);
}

void tst_FrmMainHighlight::selectionsCollapseToTheirStart()
{
    replaceText(catalogueOf(20));
    showWindow();
    const QString text = view().Text();

    view().SetSelStart(lineBounds(text, 2).first);
    QTest::keyPress(&view(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view().SelLength(), lineBounds(text, 3).first - lineBounds(text, 2).first);
    QTest::keyRelease(&view(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view().SelLength(), 0);
    QCOMPARE(view().SelStart(), lineBounds(text, 2).first);

    // Dragged upwards from line 8 to line 4: the lower end is where it collapses.
    QTest::mousePress(surfaceOf(view()), Qt::LeftButton, {}, pointOfLine(view(), 8));
    QTest::mouseMove(surfaceOf(view()), pointOfLine(view(), 4));
    QVERIFY(view().SelLength() > 0);
    QTest::mouseRelease(surfaceOf(view()), Qt::LeftButton, {}, pointOfLine(view(), 4));
    QCOMPARE(view().SelLength(), 0);
    QCOMPARE(caretLine(view()), 4);
    verifyOnlyLineBlue(4);
}

void tst_FrmMainHighlight::focusReturningKeepsTheHighlight()
{
    replaceText(catalogueOf(20));
    showWindow();
    QTest::keyClick(&view(), Qt::Key_Down);
    QTest::keyClick(&view(), Qt::Key_Down);

    view().clearFocus();
    QVERIFY(!view().hasFocus());
    view().setFocus();
    QVERIFY(view().hasFocus());

    verifyOnlyLineBlue(2);
}

void tst_FrmMainHighlight::oneRepaintPerRun()
{
    replaceText(catalogueOf(200));
    showWindow();
    PaintCounter counter(view());

    QTest::keyPress(&view(), Qt::Key_Down);
    QCoreApplication::processEvents();
    counter.paints = 0;
    QTest::keyRelease(&view(), Qt::Key_Down);
    QCOMPARE(counter.paints, 0); // nothing shows while the run is under way
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 1);
    verifyOnlyLineBlue(1);
}

QTEST_MAIN(tst_FrmMainHighlight)
#include "tst_frmmain_highlight.moc"
