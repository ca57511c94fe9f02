// SPDX-License-Identifier: MIT
#include "font_catalogue/modfonthelper.h"
#include "fonts/facecache.h"
#include "fonts/textpiece.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <algorithm>
#include <cmath>

// Our drawing of a family's text beside Qt's own drawing of the same family, size and text:
// the view draws its glyphs itself, and must draw them as the desktop's text stack does.
class tst_BesideQt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsAsQtDraws_data();
    void drawsAsQtDraws();
};

namespace {

struct Ink
{
    qreal coverage = 0; // the sum of every pixel's darkness, in pixels of full ink
    QRect bounds;
    qreal greyShare = 0; // of inked pixels, those neither blank nor full
    qreal colourShare = 0; // of inked pixels, those of a saturated colour
    qreal uniformShare = 0; // of inked 2x2 blocks, those of one colour: a raster blown up
};

// Darkness above which a pixel counts as inked.
constexpr int InkThreshold = 32;

Ink inkOf(const QImage &image)
{
    Ink ink;
    int inked = 0;
    int grey = 0;
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int darkness = 255 - std::min({pixel.red(), pixel.green(), pixel.blue()});
            ink.coverage += darkness / 255.0;
            if (darkness < InkThreshold)
                continue;
            ++inked;
            ink.bounds |= QRect(x, y, 1, 1);
            grey += darkness < 255 - InkThreshold ? 1 : 0;
            coloured += pixel.hsvSaturation() > 100 ? 1 : 0;
        }
    }
    int blocks = 0;
    int uniform = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb corner = image.pixel(x, y);
            if (qGray(corner) > 255 - InkThreshold)
                continue;
            ++blocks;
            uniform += image.pixel(x + 1, y) == corner && image.pixel(x, y + 1) == corner
                    && image.pixel(x + 1, y + 1) == corner ? 1 : 0;
        }
    }
    ink.uniformShare = blocks ? qreal(uniform) / blocks : 0;
    ink.greyShare = inked ? qreal(grey) / inked : 0;
    ink.colourShare = inked ? qreal(coloured) / inked : 0;
    return ink;
}

QImage page(int pixelSize, qreal scale)
{
    QImage image(QSize(pixelSize * 12, pixelSize * 3) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    return image;
}

QImage drawnByQt(const QString &family, const QString &text, int pixelSize, qreal scale)
{
    QImage image = page(pixelSize, scale);
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoFontMerging);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(pixelSize, 2 * pixelSize), text);
    return image;
}

QImage drawnByUs(const QString &family, const QString &text, int pixelSize, qreal scale)
{
    QImage image = page(pixelSize, scale);
    FaceCache faces(family, modFontHelper::SystemFonts().faces, pixelSize, scale);
    const std::unique_ptr<TextPiece> piece = faces.shape(family, text);
    QPainter painter(&image);
    piece->draw(painter, QPointF(pixelSize, 2 * pixelSize), Qt::black);
    return image;
}

// With TYPESHELF_DRAWINGS set to a folder, each row's two drawings are kept there to be looked at.
void keepForLooking(const QImage &byQt, const QImage &byUs)
{
    const QString folder = qEnvironmentVariable("TYPESHELF_DRAWINGS");
    if (folder.isEmpty())
        return;
    const QString row = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'-');
    byQt.save(folder + u'/' + row + u"-qt.png"_qs);
    byUs.save(folder + u'/' + row + u"-ours.png"_qs);
}

} // namespace

void tst_BesideQt::drawsAsQtDraws_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<qreal>("scale");

    const QString latin = QStringLiteral("Handgloves 0123");
    QTest::newRow("TrueType") << u"DejaVu Sans"_qs << latin << 16 << 1.0;
    QTest::newRow("CFF") << u"Nimbus Sans"_qs << latin << 16 << 1.0;
    QTest::newRow("Type 1") << u"C059"_qs << latin << 16 << 1.0;
    QTest::newRow("TrueType collection") << u"WenQuanYi Micro Hei"_qs << u"Handgloves 字体"_qs << 16 << 1.0;
    QTest::newRow("bitmap strike nearest the size") << u"Fixed"_qs << latin << 14 << 1.0;
    QTest::newRow("colour emoji") << u"Noto Color Emoji"_qs << u"😀🎨"_qs << 16 << 1.0;
    QTest::newRow("antialiasing off by a rule for the font") << u"DejaVu Serif"_qs << latin << 16 << 1.0;
    QTest::newRow("scale 1.5") << u"DejaVu Sans"_qs << latin << 16 << 1.5;
    QTest::newRow("scale 2") << u"DejaVu Sans"_qs << latin << 16 << 2.0;
    QTest::newRow("colour emoji at scale 2") << u"Noto Color Emoji"_qs << u"😀"_qs << 16 << 2.0;
}

void tst_BesideQt::drawsAsQtDraws()
{
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(qreal, scale);
    if (!modFontHelper::SystemFonts().faces.contains(family))
        QFAIL(qPrintable(family + u" is missing: scripts/install-deps.sh test installs it"_qs));

    const QImage byQt = drawnByQt(family, text, pixelSize, scale);
    const QImage byUs = drawnByUs(family, text, pixelSize, scale);
    keepForLooking(byQt, byUs);
    const Ink qt = inkOf(byQt);
    const Ink ours = inkOf(byUs);
    QVERIFY(!qt.bounds.isEmpty());

    // Within about a pixel's rounding at each edge, and a glyph's worth of ink.
    const int slack = qCeil(2 * scale);
    QCOMPARE_LE(std::abs(ours.bounds.top() - qt.bounds.top()), slack);
    QCOMPARE_LE(std::abs(ours.bounds.bottom() - qt.bounds.bottom()), slack);
    QCOMPARE_LE(std::abs(ours.bounds.width() - qt.bounds.width()), std::max(slack, qt.bounds.width() / 10));
    QCOMPARE_LE(std::abs(ours.coverage - qt.coverage), qt.coverage / 4);
    // Antialiased where Qt antialiases, solid where it does not, and in colour where it is.
    QCOMPARE_LE(std::abs(ours.greyShare - qt.greyShare), 0.15);
    QCOMPARE_LE(std::abs(ours.colourShare - qt.colourShare), 0.15);
    if (scale >= 2) // as sharp as Qt in device pixels
        QCOMPARE_LE(ours.uniformShare, qt.uniformShare + 0.15);
}

QTEST_MAIN(tst_BesideQt)
#include "tst_besideqt.moc"
