#include "font_catalogue/modfonthelper.h"
#include "fonts/facecache.h"
#include "view/richtextbox.h"

#include "support/privatefonts.h"

#include <QImage>
#include <QTest>

#include <memory>

// Glyphs of every bitmap kind FreeType hands over are drawn from their own rows and within
// their own line, and bitmap families are drawn at the strike nearest the size.
class tst_GlyphSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void bitmapsDrawTheirInkAlone_data();
    void bitmapsDrawTheirInkAlone();
    void bitmapFamiliesTakeTheNearestStrike_data();
    void bitmapFamiliesTakeTheNearestStrike();

private:
    std::unique_ptr<PrivateFonts> m_fonts;
    std::unique_ptr<RichTextBox> m_view;
};

namespace {

struct BdfGlyph
{
    char32_t code = 0;
    int width = 0;
    int descent = 0; // below the baseline
    QByteArrayList rows; // in hexadecimal, top first; none leaves out the BITMAP section
};

// A BDF font of one strike whose pixels take `depth` bits.
QByteArray bdf(const QByteArray &family, int pixelSize, int depth, int descent, const QList<BdfGlyph> &glyphs)
{
    QByteArray font = "STARTFONT 2.1\nFONT -Test-" + family + "-Medium-R-Normal--" + QByteArray::number(pixelSize)
        + "-" + QByteArray::number(pixelSize * 10) + "-75-75-C-80-ISO10646-1\nSIZE "
        + QByteArray::number(pixelSize) + " 75 75" + (depth > 1 ? " " + QByteArray::number(depth) : "")
        + "\nFONTBOUNDINGBOX 16 " + QByteArray::number(pixelSize) + " 0 -" + QByteArray::number(descent)
        + "\nSTARTPROPERTIES 6\nFAMILY_NAME \"" + family + "\"\nPIXEL_SIZE " + QByteArray::number(pixelSize)
        + "\nFONT_ASCENT " + QByteArray::number(pixelSize - descent) + "\nFONT_DESCENT " + QByteArray::number(descent)
        + "\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS "
        + QByteArray::number(glyphs.size()) + "\n";
    for (const BdfGlyph &glyph : glyphs) {
        const QByteArray code = QByteArray::number(uint(glyph.code));
        font += "STARTCHAR U" + code + "\nENCODING " + code + "\nSWIDTH 500 0\nDWIDTH " + QByteArray::number(glyph.width + 2)
            + " 0\nBBX " + QByteArray::number(glyph.width) + " " + QByteArray::number(std::max<qsizetype>(glyph.rows.size(), 12))
            + " 0 -" + QByteArray::number(glyph.descent) + "\n";
        if (!glyph.rows.isEmpty())
            font += "BITMAP\n" + glyph.rows.join('\n') + "\n";
        font += "ENDCHAR\n";
    }
    return font + "ENDFONT\n";
}

// 16 pixels a row: the left half full, the right half at a third where the depth has levels.
QByteArray halfAndThird(int depth)
{
    switch (depth) {
    case 1:
        return "FF00";
    case 2:
        return "FFFF5555";
    case 4:
        return "FFFFFFFF55555555";
    default:
        return "FFFFFFFFFFFFFFFF5555555555555555";
    }
}

QList<std::pair<QString, QByteArray>> testFonts()
{
    QList<std::pair<QString, QByteArray>> fonts;
    for (const int depth : {1, 2, 4, 8}) {
        const QByteArray family = "Depth " + QByteArray::number(depth);
        fonts.append({QString::fromLatin1(family) + u".bdf"_qs,
                      bdf(family, 16, depth, 4, {{U'A', 16, 0, QByteArrayList(12, halfAndThird(depth))}})});
    }
    // A glyph with a bounding box and no bitmap comes without a buffer.
    const BdfGlyph block{U'B', 8, 0, QByteArrayList(12, "FF")};
    fonts.append({u"nobitmap.bdf"_qs, bdf("No Bitmap", 16, 1, 4, {{U'A', 8, 0, {}}, block})});
    fonts.append({u"tall.bdf"_qs, bdf("Tall", 16, 1, 4, {{U'A', 8, 100, QByteArrayList(300, "FF")}})});
    // One file per strike, each glyph as tall as its strike.
    for (const int size : {10, 16, 40})
        fonts.append({u"stepped%1.bdf"_qs.arg(size),
                      bdf("Stepped", size, 1, size / 5, {{U'A', 8, size / 5, QByteArrayList(size, "FF")}})});
    return fonts;
}

// The grey of every pixel of the view that is not white, by line.
struct Ink
{
    int black = 0; // grey below 32
    int third = 0; // grey within a few steps of 170: a third of the ink
    int other = 0;
    int outsideLine = 0;
    int top = INT_MAX;
    int bottom = INT_MIN;
};

Ink inkOf(RichTextBox &view, int line)
{
    const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect lineRect = view.LineRect(line);
    Ink ink;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const int grey = qGray(shot.pixel(x, y));
            if (grey >= 250)
                continue;
            (grey < 32 ? ink.black : std::abs(grey - 170) <= 6 ? ink.third : ink.other) += 1;
            ink.outsideLine += !lineRect.contains(x, y);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

// The sample alone on the middle of three lines, without a name beside it.
void showBetweenEmptyLines(RichTextBox &view, const QString &family, const QString &sample)
{
    view.SetSelText(RichTextBox::LineBreak);
    view.SetSelStart(view.TextLength());
    view.SetSelFontName(family);
    view.SetSelText(sample + RichTextBox::LineBreak);
    view.SetSelStart(view.TextLength());
    view.SetSelText(RichTextBox::LineBreak);
}

} // namespace

void tst_GlyphSafety::initTestCase()
{
    m_fonts = std::make_unique<PrivateFonts>(std::initializer_list<std::pair<const char *, const char *>>{
                                                 {"DejaVuSans.ttf", "DejaVuSans.ttf"}},
                                             QString(), testFonts());
}

void tst_GlyphSafety::init()
{
    m_view = std::make_unique<RichTextBox>();
    m_view->resize(400, 400);
    m_view->SetFaceLocations(modFontHelper::SystemFonts().faces);
}

void tst_GlyphSafety::bitmapsDrawTheirInkAlone_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("sample");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("third");
    QTest::newRow("one bit a pixel") << u"Depth 1"_qs << u"A"_qs << 8 * 12 << 0;
    QTest::newRow("two bits a pixel") << u"Depth 2"_qs << u"A"_qs << 8 * 12 << 8 * 12;
    QTest::newRow("four bits a pixel") << u"Depth 4"_qs << u"A"_qs << 8 * 12 << 8 * 12;
    QTest::newRow("eight bits a pixel") << u"Depth 8"_qs << u"A"_qs << 8 * 12 << 8 * 12;
    QTest::newRow("a glyph without a bitmap") << u"No Bitmap"_qs << u"AB"_qs << 8 * 12 << 0;
    QTest::newRow("a glyph taller than its line") << u"Tall"_qs << u"A"_qs << -1 << 0; // fills its line
}

void tst_GlyphSafety::bitmapsDrawTheirInkAlone()
{
    QFETCH(QString, family);
    QFETCH(QString, sample);
    QFETCH(int, black);
    QFETCH(int, third);
    QVERIFY(m_view->Faces()->knows(family));
    showBetweenEmptyLines(*m_view, family, sample);
    const Ink ink = inkOf(*m_view, 1);
    QCOMPARE(ink.outsideLine, 0);
    QCOMPARE(ink.black, black >= 0 ? black : 8 * m_view->LineRect(1).height());
    QCOMPARE(ink.third, third);
    QCOMPARE(ink.other, 0);
}

void tst_GlyphSafety::bitmapFamiliesTakeTheNearestStrike_data()
{
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("strike"); // of 10, 16 and 40 pixels
    QTest::newRow("its own size") << 16 << 16;
    QTest::newRow("the nearest smaller") << 12 << 10;
    QTest::newRow("the nearest larger") << 36 << 40;
    QTest::newRow("not the nearest where that is taller than the line") << 30 << 16;
}

void tst_GlyphSafety::bitmapFamiliesTakeTheNearestStrike()
{
    QFETCH(int, pixelSize);
    QFETCH(int, strike);
    QFont font(u"DejaVu Sans"_qs);
    font.setPixelSize(pixelSize);
    m_view->setFont(font);
    showBetweenEmptyLines(*m_view, u"Stepped"_qs, u"A"_qs);
    const Ink ink = inkOf(*m_view, 1);
    QCOMPARE(ink.outsideLine, 0);
    QCOMPARE(ink.bottom - ink.top + 1, strike);
    QCOMPARE(ink.black, 8 * strike);
}

QTEST_MAIN(tst_GlyphSafety)
#include "tst_glyphsafety.moc"
