// SPDX-License-Identifier: MIT
#include "font_catalogue/modfonthelper.h"
#include "support/privatefonts.h"
#include "view/richtextbox.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <array>

// The ink of samples as the view draws them, counted pixel by pixel: each face drawn as
// fontconfig's rules for it say, colour glyphs in their colours, and glyphs drawn on the
// pixels of the device rather than enlarged from a raster of the view's own size.
class tst_GlyphInk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sampleInk_data();
    void sampleInk();
};

namespace {

// What each row expects of the sample's ink.
enum class Expect { FullOrNone, GreyLevels, ColourWithinLine, DevicePixels };

constexpr int SamplePixelSize = 20;
constexpr int SampleLeft = 240; // right of the names and their three tabs
constexpr QColor CaretLineBlue(0, 0, 255);

PrivateFonts privateFonts()
{
    return PrivateFonts({{"DejaVuSans.ttf", "DejaVuSans.ttf"},
                         {"DejaVuSerif.ttf", "DejaVuSerif.ttf"},
                         {"/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf", "NotoColorEmoji.ttf"}},
                        QStringLiteral(R"(  <match target="font">
    <test name="family"><string>DejaVu Serif</string></test>
    <edit name="antialias" mode="assign"><bool>false</bool></edit>
  </match>
)"));
}

// The sample of the view's first line as drawn on a device of the ratio, in its pixels.
QImage sampleShown(RichTextBox &view, qreal ratio)
{
    QImage page(view.viewport()->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    page.setDevicePixelRatio(ratio);
    page.fill(Qt::white);
    view.viewport()->render(&page);
    const QRect line = view.LineRect(0);
    const QRectF sample(QPointF(SampleLeft, line.top()), QPointF(line.right() + 1, line.bottom() + 1));
    return page.copy(QRectF(sample.topLeft() * ratio, sample.size() * ratio).toRect());
}

// The pixels of a sample that are not the page's white, of them those of partial coverage and
// those of a warm colour, which neither grey nor blue ink has, and where they lie.
struct Ink
{
    int pixels = 0;
    int partial = 0;
    int warm = 0;
    QRect box;
};

Ink inkOf(const QImage &image)
{
    Ink ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == qRgb(255, 255, 255))
                continue;
            ++ink.pixels;
            ink.partial += qGray(pixel) > 0 ? 1 : 0;
            ink.warm += qRed(pixel) - qBlue(pixel) > 80 ? 1 : 0;
            ink.box |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// Of the 2x2 blocks that hold the edges of black ink on white, the share whose four pixels
// are alike, on the grid of blocks where most are: a raster of half the device's size enlarged
// makes every one so on one of the four grids.
double uniformEdgeBlockShare(const QImage &image)
{
    const auto edge = [](QRgb pixel) { return pixel != qRgb(255, 255, 255) && pixel != qRgb(0, 0, 0); };
    double most = 0;
    for (const QPoint grid : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)}) {
        int edges = 0;
        int uniform = 0;
        for (int y = grid.y(); y + 1 < image.height(); y += 2) {
            for (int x = grid.x(); x + 1 < image.width(); x += 2) {
                const std::array block{image.pixel(x, y), image.pixel(x + 1, y), image.pixel(x, y + 1),
                                       image.pixel(x + 1, y + 1)};
                if (std::none_of(block.cbegin(), block.cend(), edge))
                    continue;
                ++edges;
                const auto first = [&block](QRgb pixel) { return pixel == block[0]; };
                uniform += std::all_of(block.cbegin(), block.cend(), first) ? 1 : 0;
            }
        }
        most = std::max(most, edges > 0 ? double(uniform) / edges : 1.0);
    }
    return most;
}

} // namespace

void tst_GlyphInk::sampleInk_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<Expect>("expect");
    const QString latin = u"Lorem ipsum dolor"_qs;
    QTest::newRow("antialias turned off for one family") << u"DejaVu Serif"_qs << latin << QColor(Qt::black) << 1.0
                                                         << Expect::FullOrNone;
    QTest::newRow("antialias kept for another") << u"DejaVu Sans"_qs << latin << QColor(Qt::black) << 1.0
                                                << Expect::GreyLevels;
    const QString emoji = u"\U0001F600\U0001F600"_qs; // grinning faces: yellow
    QTest::newRow("colour emoji") << u"Noto Color Emoji"_qs << emoji << QColor(Qt::black) << 1.0
                                  << Expect::ColourWithinLine;
    QTest::newRow("colour emoji on the caret's blue line") << u"Noto Color Emoji"_qs << emoji << CaretLineBlue << 1.0
                                                            << Expect::ColourWithinLine;
    QTest::newRow("colour emoji at ratio 2") << u"Noto Color Emoji"_qs << emoji << QColor(Qt::black) << 2.0
                                             << Expect::ColourWithinLine;
    QTest::newRow("device pixels at ratio 2") << u"DejaVu Sans"_qs << latin << QColor(Qt::black) << 2.0
                                              << Expect::DevicePixels;
}

void tst_GlyphInk::sampleInk()
{
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(qreal, ratio);
    QFETCH(Expect, expect);
    RichTextBox view;
    QFont base(u"DejaVu Sans"_qs);
    base.setPixelSize(SamplePixelSize);
    view.setFont(base);
    view.resize(600, 120);
    view.SetFaceLocations(modFontHelper::SystemFonts().faces);
    modFontHelper::ListFontFamilies(view, text, [&family] { return QStringList{family}; });
    view.SetSelStart(0);
    view.SetSelLength(view.TextLength());
    view.SetSelColor(colour);
    view.SetSelLength(0);

    sampleShown(view, 1); // first on a screen of ratio 1, as a window is before it moves
    const QImage sample = sampleShown(view, ratio);
    const Ink ink = inkOf(sample);
    QVERIFY2(ink.pixels > 50, qPrintable(QString::number(ink.pixels)));
    switch (expect) {
    case Expect::FullOrNone:
        QCOMPARE(ink.partial, 0);
        break;
    case Expect::GreyLevels:
        QVERIFY2(ink.partial > ink.pixels / 4, qPrintable(QStringLiteral("%1 of %2").arg(ink.partial).arg(ink.pixels)));
        break;
    case Expect::ColourWithinLine:
        QVERIFY2(ink.warm > ink.pixels / 4, qPrintable(QStringLiteral("%1 of %2").arg(ink.warm).arg(ink.pixels)));
        // Within the line's height rather than cut by its edges, and as wide as glyphs of its size.
        QVERIFY2(ink.box.height() > SamplePixelSize * ratio / 2 && ink.box.height() < sample.height(),
                 qPrintable(QStringLiteral("%1 of %2").arg(ink.box.height()).arg(sample.height())));
        QVERIFY2(ink.box.width() < text.toUcs4().size() * 1.5 * SamplePixelSize * ratio,
                 qPrintable(QString::number(ink.box.width())));
        break;
    case Expect::DevicePixels:
        QVERIFY2(uniformEdgeBlockShare(sample) < 0.5, qPrintable(QString::number(uniformEdgeBlockShare(sample))));
        break;
    }
}

int main(int argc, char *argv[])
{
    const PrivateFonts fonts = privateFonts(); // before anything asks fontconfig
    QApplication app(argc, argv);
    tst_GlyphInk test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_glyphink.moc"
