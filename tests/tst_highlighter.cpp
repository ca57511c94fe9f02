#include "main_window/frmmain.h"
#include "view/richtextbox.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

// The caret's line turns blue and the rest black whenever the view is focused, a key is released
// in it or a mouse button is released over it.
class tst_Highlighter : public QObject
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
    void clickMovesTheHighlightAndKeepsTheScroll();
    void selectionsCollapseToTheirStart();
    void focusReturningKeepsTheHighlight();
    void oneRepaintPerRun();

private:
    RichTextBox &view() const { return *m_window->findChild<RichTextBox *>(u"rtbFonts"_qs); }
    void replaceText(const QString &text);
    void showWindow();
    void releaseKey() { QTest::keyRelease(&view(), Qt::Key_Shift); }
    QPoint pointOfLine(int line) const;
    void verifyOnlyLineBlue(int line);

    std::unique_ptr<frmMain> m_window;
};

namespace {

const QColor Blue(0, 0, 255);
const QColor Black(Qt::black);

std::optional<QColor> colourOf(RichTextBox &view, int from, int length)
{
    view.SetSelStart(from);
    view.SetSelLength(length);
    return view.SelColor();
}

QString catalogueOf(int lines)
{
    QString text;
    for (int line = 0; line < lines; ++line)
        text += QStringLiteral("Family %1\t\t\tSentence\r\n").arg(line);
    return text;
}

// Offsets of the line's first character and of the CR that ends it.
std::pair<int, int> lineBounds(const QString &text, int line)
{
    int start = 0;
    for (int skipped = 0; skipped < line; ++skipped)
        start = text.indexOf(RichTextBox::LineBreak, start) + 2;
    return {start, text.indexOf(RichTextBox::LineBreak, start)};
}

} // namespace

void tst_Highlighter::initTestCase()
{
    QApplication::setCursorFlashTime(0); // a blinking caret would add repaints of its own
}

void tst_Highlighter::init()
{
    m_window = std::make_unique<frmMain>();
}

void tst_Highlighter::cleanup()
{
    m_window.reset();
}

void tst_Highlighter::replaceText(const QString &text)
{
    view().SetSelStart(0);
    view().SetSelLength(view().TextLength());
    view().SetSelText(text);
    view().SetSelStart(0);
}

void tst_Highlighter::showWindow()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

QPoint tst_Highlighter::pointOfLine(int line) const
{
    const QTextCursor start(view().document()->findBlockByNumber(line));
    return view().cursorRect(start).center() + QPoint(4, 0);
}

void tst_Highlighter::verifyOnlyLineBlue(int line)
{
    const QString text = view().Text();
    const auto [start, end] = lineBounds(text, line);
    QCOMPARE(colourOf(view(), start, end - start), Blue);
    if (start > 0)
        QCOMPARE(colourOf(view(), 0, start), Black);
    QCOMPARE(colourOf(view(), end, text.size() - end), Black);
}

void tst_Highlighter::edgeCases_data()
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

void tst_Highlighter::edgeCases()
{
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(int, blueFrom);
    QFETCH(int, blueTo);
    replaceText(text);
    // Leave a stale highlight everywhere, so every character has to be recoloured or kept.
    view().SetSelStart(0);
    view().SetSelLength(view().TextLength());
    view().SetSelColor(Blue);
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

void tst_Highlighter::firstLineBlueOnceShown()
{
    showWindow();
    verifyOnlyLineBlue(0);
}

void tst_Highlighter::keysMoveTheHighlight_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("expectedLine");
    QTest::newRow("Down") << QKeyCombination(Qt::Key_Down) << 6;
    QTest::newRow("Up") << QKeyCombination(Qt::Key_Up) << 4;
    QTest::newRow("End stays on the line") << QKeyCombination(Qt::Key_End) << 5;
    QTest::newRow("Ctrl+End goes past the last line")
        << QKeyCombination(Qt::ControlModifier, Qt::Key_End) << -1;
    QTest::newRow("Page Down") << QKeyCombination(Qt::Key_PageDown) << -2;
}

void tst_Highlighter::keysMoveTheHighlight()
{
    QFETCH(QKeyCombination, key);
    QFETCH(int, expectedLine);
    replaceText(catalogueOf(100));
    view().SetSelStart(lineBounds(view().Text(), 5).first);
    showWindow();

    QTest::keyClick(&view(), key.key(), key.keyboardModifiers());

    const QString text = view().Text();
    if (expectedLine == -1) { // after the final CR LF no line is blue
        QCOMPARE(view().SelStart(), text.size());
        QCOMPARE(colourOf(view(), 0, text.size()), Black);
        return;
    }
    if (expectedLine == -2) // a page further down, wherever that is
        expectedLine = view().textCursor().blockNumber();
    QVERIFY(expectedLine > 0);
    verifyOnlyLineBlue(expectedLine);
}

void tst_Highlighter::clickMovesTheHighlightAndKeepsTheScroll()
{
    replaceText(catalogueOf(300));
    showWindow();
    view().LineScroll(150);
    const int firstVisible = view().FirstVisibleLine();
    QCOMPARE(firstVisible, 150);

    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, pointOfLine(firstVisible + 3));

    QCOMPARE(view().FirstVisibleLine(), firstVisible);
    QCOMPARE(view().textCursor().blockNumber(), firstVisible + 3);
    verifyOnlyLineBlue(firstVisible + 3);
}

void tst_Highlighter::selectionsCollapseToTheirStart()
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
    QTest::mousePress(view().viewport(), Qt::LeftButton, {}, pointOfLine(8));
    QTest::mouseMove(view().viewport(), pointOfLine(4));
    QVERIFY(view().SelLength() > 0);
    QTest::mouseRelease(view().viewport(), Qt::LeftButton, {}, pointOfLine(4));
    QCOMPARE(view().SelLength(), 0);
    QCOMPARE(view().textCursor().blockNumber(), 4);
    verifyOnlyLineBlue(4);
}

void tst_Highlighter::focusReturningKeepsTheHighlight()
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

void tst_Highlighter::oneRepaintPerRun()
{
    replaceText(catalogueOf(200));
    showWindow();
    int paints = 0;
    struct PaintCounter : QObject
    {
        int &count;
        explicit PaintCounter(int &counter) : count(counter) { }
        bool eventFilter(QObject *, QEvent *event) override
        {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } counter(paints);
    view().viewport()->installEventFilter(&counter);

    QTest::keyPress(&view(), Qt::Key_Down);
    QCoreApplication::processEvents();
    paints = 0;
    QTest::keyRelease(&view(), Qt::Key_Down);
    QCOMPARE(paints, 0); // nothing shows while the run is under way
    QCoreApplication::processEvents();
    QCOMPARE(paints, 1);
    verifyOnlyLineBlue(1);
}

QTEST_MAIN(tst_Highlighter)
#include "tst_highlighter.moc"
