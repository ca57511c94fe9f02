// SPDX-License-Identifier: MIT
#include "fonts/facecache.h"
#include "view/richtextbox.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

// Samples drawn by the view's own face cache from the font files fontconfig names.
class tst_FaceCache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void unreadableFacesShowMissingGlyphs_data();
    void unreadableFacesShowMissingGlyphs();
    void symbolFontsShowSymbolsForLetters_data();
    void symbolFontsShowSymbolsForLetters();
    void fileTruncatedWhileOnScreen();
    void facesReleasedAfterScrollingAway();
    void namesBorrowWhatTheBaseFaceLacks();
    void hebrewReadsFromTheRightAndItsNumbersFromTheLeft();

private:
    std::unique_ptr<RichTextBox> m_view;
    QTemporaryDir m_folder;
};

namespace {

const QString DejaVuSans = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

void appendLine(RichTextBox &view, const QString &family, const QString &sample)
{
    view.SetSelStart(view.TextLength());
    view.SetSelFontName(view.FontName());
    view.SetSelText(family + u"\t\t\t"_qs);
    view.SetSelStart(view.TextLength());
    view.SetSelFontName(family);
    view.SetSelText(sample + RichTextBox::LineBreak);
}

// Dark pixels in the line, right of where the names end.
int inkInSample(RichTextBox &view, int line)
{
    const QImage shot = view.viewport()->grab().toImage();
    const QRect rect = view.LineRect(line);
    int ink = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = 240; x < shot.width(); ++x)
            ink += qGray(shot.pixel(x, y)) < 128;
    }
    return ink;
}

} // namespace

void tst_FaceCache::init()
{
    m_view = std::make_unique<RichTextBox>();
    m_view->resize(600, 200);
}

void tst_FaceCache::unreadableFacesShowMissingGlyphs_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("index");
    QTest::newRow("not a font") << QByteArray("plain text, no font here\n") << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("font header only") << QByteArray("\0\1\0\0\0\x10", 6) << 0;
    QTest::newRow("face index past the last face") << QByteArray() << 7;
}

void tst_FaceCache::unreadableFacesShowMissingGlyphs()
{
    QFETCH(QByteArray, content);
    QFETCH(int, index);
    QString file = m_folder.filePath(u"broken.ttf"_qs);
    if (index > 0) {
        file = DejaVuSans;
    } else {
        QFile broken(file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(content);
    }
    m_view->SetFaceLocations({{u"Broken"_qs, {QFile::encodeName(file), index}},
                              {u"Missing"_qs, {"/nonexistent/font.ttf", 0}}});
    appendLine(*m_view, u"Broken"_qs, u"Lorem upsum"_qs);
    appendLine(*m_view, u"Missing"_qs, u"Lorem upsum"_qs);

    // A box for each letter, on both lines; nothing else goes wrong.
    QVERIFY(inkInSample(*m_view, 0) > 100);
    QVERIFY(inkInSample(*m_view, 1) > 100);
    QCOMPARE(m_view->Text().count(u"Lorem upsum"_qs), 2);
}

void tst_FaceCache::symbolFontsShowSymbolsForLetters_data()
{
    QTest::addColumn<QString>("file");
    // Their Unicode charmaps hold no letters, whose codes their own encodings give symbols.
    QTest::newRow("Type 1 dingbats") << u"/usr/share/fonts/X11/Type1/D050000L.pfb"_qs;
    QTest::newRow("Type 1 symbols") << u"/usr/share/fonts/type1/urw-base35/StandardSymbolsPS.t1"_qs;
}

void tst_FaceCache::symbolFontsShowSymbolsForLetters()
{
    QFETCH(QString, file);
    QVERIFY2(QFile::exists(file), qPrintable(file));
    m_view->SetFaceLocations({{u"Symbols"_qs, {QFile::encodeName(file), 0}}});
    appendLine(*m_view, u"Symbols"_qs, u"Lorem upsum"_qs);
    QVERIFY(inkInSample(*m_view, 0) > 100);
}

// Reading the file through a memory map would end the program with SIGBUS here.
void tst_FaceCache::fileTruncatedWhileOnScreen()
{
    const QString file = m_folder.filePath(u"shrinking.ttf"_qs);
    QVERIFY(QFile::copy(DejaVuSans, file));
    m_view->SetFaceLocations({{u"Shrinking"_qs, {QFile::encodeName(file), 0}}});
    appendLine(*m_view, u"Shrinking"_qs, u"Lorem"_qs);
    const int before = inkInSample(*m_view, 0);
    QVERIFY(before > 0);
    QVERIFY(m_view->Faces()->openFaces().contains(u"Shrinking"_qs));

    QVERIFY(QFile::resize(file, 4096));
    appendLine(*m_view, u"Shrinking"_qs, u"Жизнь ΑΒΓΔ 0123456789 ĀĒĪŌŪ"_qs);
    QVERIFY(inkInSample(*m_view, 1) > 0); // the glyphs it cannot read show as boxes
    QCOMPARE(inkInSample(*m_view, 0), before); // the glyphs it had still show
}

void tst_FaceCache::facesReleasedAfterScrollingAway()
{
    FaceLocations locations;
    for (int line = 0; line < 400; ++line) {
        const QString family = QStringLiteral("Family %1").arg(line);
        locations.insert(family, {QFile::encodeName(DejaVuSans), 0});
        appendLine(*m_view, family, u"Lorem upsum"_qs);
    }
    m_view->SetFaceLocations(locations);
    m_view->viewport()->grab();
    QVERIFY(m_view->Faces()->openFaces().contains(u"Family 0"_qs));

    while (m_view->FirstVisibleLine() < 350) {
        m_view->LineScroll(m_view->viewport()->height() / m_view->LineRect(0).height());
        m_view->viewport()->grab();
    }

    const QStringList open = m_view->Faces()->openFaces();
    QVERIFY(!open.contains(u"Family 0"_qs));
    QVERIFY(open.contains(QStringLiteral("Family %1").arg(m_view->FirstVisibleLine())));
    QVERIFY2(open.size() <= FaceCache::RecentFaces + m_view->LaidOutLines(), qPrintable(QString::number(open.size())));
}

// A name takes the characters the base face lacks from the fonts fontconfig offers instead.
void tst_FaceCache::namesBorrowWhatTheBaseFaceLacks()
{
    // DejaVu Sans has no U+2312 ARC, which DejaVu Sans Mono has; no font has U+10FFFD.
    m_view->SetSelText(u"A\u2312\u2312B"_qs + RichTextBox::LineBreak + u"A\U0010FFFD\U0010FFFDB"_qs);
    const QImage shot = m_view->viewport()->grab().toImage();
    const auto nameOn = [&](int line) { return shot.copy(m_view->LineRect(line).adjusted(0, 0, -400, 0)); };
    QVERIFY(nameOn(0) != nameOn(1)); // arcs, not the boxes of missing glyphs
    QVERIFY(nameOn(0) != nameOn(2)); // and not nothing
}

void tst_FaceCache::hebrewReadsFromTheRightAndItsNumbersFromTheLeft()
{
    m_view->SetSelText(u"גופן 00053"_qs);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    const auto x = [this](int offset) { return m_view->CharacterRect(offset).center().x(); };
    QVERIFY(x(0) > x(3)); // גופן
    QVERIFY(x(5) < x(9)); // 00053
    QVERIFY(x(9) < x(0)); // the number shows left of the word it follows
}

QTEST_MAIN(tst_FaceCache)
#include "tst_facecache.moc"
