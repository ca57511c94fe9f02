// SPDX-License-Identifier: MIT
#include "font_catalogue/modfonthelper.h"
#include "fonts/facecache.h"
#include "fonts/glyphbitmap.h"
#include "view/richtextbox.h"

#include "support/privatefonts.h"

#include <QFileInfo>
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
    void everyPixelModeReadByItsPitch_data();
    void everyPixelModeReadByItsPitch();

private:
    std::unique_ptr<PrivateFonts> m_fonts;
    std::unique_ptr<RichTextBox> m_view;
};

namespace {

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

// The bitmap drawn in white, pixel by pixel; for subpixel modes the colour added.
QList<QRgb> drawnInWhite(const FT_Bitmap &bitmap)
{
    const BitmapImages images = ImagesOfBitmap(bitmap, qRgb(255, 255, 255), false);
    const QImage &image = images.add.isNull() ? images.cover : images.add;
    QList<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            pixels << image.pixel(x, y);
    }
    return pixels;
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

// The bitmap fonts in tests/fonts: glyphs of 1, 2, 4 and 8 bits a pixel whose left half is full
// and right half, where there are levels, a third; a glyph without a bitmap beside one with;
// a glyph far taller than its line; a family of three strikes, each glyph as tall as its strike.
void tst_GlyphSafety::initTestCase()
{
    const QString bitmapFonts = QFileInfo(QFINDTESTDATA("fonts/depth2.bdf")).path();
    QVERIFY(!bitmapFonts.isEmpty());
    m_fonts = std::make_unique<PrivateFonts>(std::initializer_list<std::pair<const char *, const char *>>{
                                                 {"DejaVuSans.ttf", "DejaVuSans.ttf"}},
                                             u"<dir>%1</dir>"_qs.arg(bitmapFonts));
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

void tst_GlyphSafety::everyPixelModeReadByItsPitch_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size"); // as FreeType counts: subpixel modes count samples
    QTest::addColumn<int>("pitch");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QList<QRgb>>("pixels");
    const QRgb full = qRgba(255, 255, 255, 255);
    const QRgb none = qRgba(0, 0, 0, 0);
    const auto grey = [](int alpha) { return qRgba(alpha, alpha, alpha, alpha); };
    QTest::newRow("mono, rows going down") << int(FT_PIXEL_MODE_MONO) << QSize(3, 2) << 1
                                           << QByteArray("\xA0\x40") << QList{full, none, full, none, full, none};
    QTest::newRow("mono, rows going up") << int(FT_PIXEL_MODE_MONO) << QSize(3, 2) << -1
                                         << QByteArray("\x40\xA0") << QList{full, none, full, none, full, none};
    QTest::newRow("grey of 2 bits, padded rows") << int(FT_PIXEL_MODE_GRAY2) << QSize(4, 1) << 4
                                                 << QByteArray("\x1B\xFF\xFF\xFF") << QList{none, grey(85), grey(170), full};
    QTest::newRow("grey of 4 bits, rows going up") << int(FT_PIXEL_MODE_GRAY4) << QSize(2, 2) << -1
                                                   << QByteArray("\x0F\xF0") << QList{full, none, none, full};
    QTest::newRow("LCD, rows going up")
        << int(FT_PIXEL_MODE_LCD) << QSize(6, 2) << -8 << QByteArray("\0\0\0\xFF\x80\0--\xFF\0\0\0\0\xFF--", 16)
        << QList{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), qRgb(255, 128, 0)};
    QTest::newRow("vertical LCD") << int(FT_PIXEL_MODE_LCD_V) << QSize(2, 6) << 2
                                  << QByteArray("\xFF\0\0\0\0\xFF\x80\0\0\x80\0\0", 12)
                                  << QList{qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(128, 0, 0), qRgb(0, 128, 0)};
    QTest::newRow("colour, rows going up") << int(FT_PIXEL_MODE_BGRA) << QSize(1, 2) << -4
                                           << QByteArray("\0\0\x80\x80\xFF\0\0\xFF", 8)
                                           << QList{qRgba(0, 0, 255, 255), qRgba(128, 0, 0, 128)};
    QTest::newRow("rows shorter than the width") << int(FT_PIXEL_MODE_GRAY2) << QSize(8, 1) << 1 << QByteArray("\xFF")
                                                 << QList<QRgb>();
}

void tst_GlyphSafety::everyPixelModeReadByItsPitch()
{
    QFETCH(int, mode);
    QFETCH(QSize, size);
    QFETCH(int, pitch);
    QFETCH(QByteArray, buffer);
    QFETCH(QList<QRgb>, pixels);
    FT_Bitmap bitmap = {};
    bitmap.width = unsigned(size.width());
    bitmap.rows = unsigned(size.height());
    bitmap.pitch = pitch;
    bitmap.buffer = reinterpret_cast<unsigned char *>(buffer.data());
    bitmap.pixel_mode = static_cast<unsigned char>(mode);
    QCOMPARE(drawnInWhite(bitmap), pixels);
}

QTEST_MAIN(tst_GlyphSafety)
#include "tst_glyphsafety.moc"
