// SPDX-License-Identifier: MIT
#include "fonts/facecache.h"
#include "fonts/shapedtext.h"
#include "support/privatefonts.h"

#include <QTest>

#include <hb.h>

#include <memory>

// Text of several scripts and directions is shaped as HarfBuzz shapes each stretch of one
// script and one direction on its own.
class tst_Shaping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void itemsShapeAsEachScriptAlone_data();
    void itemsShapeAsEachScriptAlone();
    void fallbackPiecesShowInVisualOrder_data();
    void fallbackPiecesShowInVisualOrder();

private:
    // A base face without Hebrew or Arabic, one fallback with Hebrew only, one with Arabic only.
    PrivateFonts m_fonts{{{"DejaVuSerif.ttf", "DejaVuSerif.ttf"},
                          {"DejaVuSansMono.ttf", "DejaVuSansMono.ttf"},
                          {"/usr/share/fonts/truetype/freefont/FreeSans.ttf", "FreeSans.ttf"}},
                         {}};
};

namespace {

struct Item
{
    int start = 0;
    int length = 0;
    bool rightToLeft = false;
};
using Items = std::vector<Item>;
using Glyphs = std::vector<std::optional<unsigned int>>;

// HarfBuzz's own shaping of each item alone, in the order the items are given.
Glyphs shapedAlone(const QByteArray &file, const QString &text, const Items &items)
{
    const std::unique_ptr<hb_blob_t, decltype(&hb_blob_destroy)> blob(hb_blob_create_from_file(file.constData()),
                                                                       &hb_blob_destroy);
    const std::unique_ptr<hb_face_t, decltype(&hb_face_destroy)> face(hb_face_create(blob.get(), 0), &hb_face_destroy);
    const std::unique_ptr<hb_font_t, decltype(&hb_font_destroy)> font(hb_font_create(face.get()), &hb_font_destroy);
    Glyphs glyphs;
    for (const Item &item : items) {
        const std::unique_ptr<hb_buffer_t, decltype(&hb_buffer_destroy)> buffer(hb_buffer_create(), &hb_buffer_destroy);
        const QString alone = text.sliced(item.start, item.length);
        hb_buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t *>(alone.utf16()), int(alone.size()), 0, -1);
        hb_buffer_set_direction(buffer.get(), item.rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_guess_segment_properties(buffer.get());
        hb_shape(font.get(), buffer.get(), nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_info_t *infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
        for (unsigned int index = 0; index < count; ++index)
            glyphs.push_back(infos[index].codepoint);
    }
    return glyphs;
}

} // namespace

void tst_Shaping::itemsShapeAsEachScriptAlone_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Items>("items"); // as they show, left to right

    const QString freeSerif = QStringLiteral("/usr/share/fonts/truetype/freefont/FreeSerif.ttf");
    const QString dejaVuSans = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    QTest::newRow("Devanagari, then Bengali keeps its conjunct")
        << freeSerif << u"क्ष ক্ষ"_qs << Items{{0, 4, false}, {4, 3, false}};
    QTest::newRow("Bengali, then Devanagari keeps its conjunct")
        << freeSerif << u"ক্ষ क्ष"_qs << Items{{0, 4, false}, {4, 3, false}};
    QTest::newRow("Latin, Hebrew and Arabic with a number between them")
        << dejaVuSans << u"Font עברית 12 عربي"_qs << Items{{0, 5, false}, {13, 5, true}, {11, 2, false}, {5, 6, true}};
}

void tst_Shaping::itemsShapeAsEachScriptAlone()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(Items, items);
    if (!QFile::exists(file))
        QFAIL(qPrintable(file + u" is missing: scripts/install-deps.sh test installs it"_qs));

    FaceCache faces(QStringLiteral("Base"), {{QStringLiteral("Sample"), {QFile::encodeName(file), 0}}}, 16, 1.0);
    const std::unique_ptr<TextPiece> piece = faces.shape(QStringLiteral("Sample"), text);
    const auto *shaped = dynamic_cast<const ShapedPiece *>(piece.get());
    QVERIFY(shaped);
    QCOMPARE(shaped->glyphIndices(), shapedAlone(QFile::encodeName(file), text, items));
}

void tst_Shaping::fallbackPiecesShowInVisualOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("columns"); // whose caret positions run from left to right

    // A right-to-left character's caret position is its right edge.
    QTest::newRow("Hebrew, then Arabic") << u"עברית عربي"_qs << QList<int>{6, 0};
    QTest::newRow("Arabic, then Hebrew") << u"عربي עברית"_qs << QList<int>{5, 0};
    QTest::newRow("Latin, then Hebrew and Arabic") << u"ab עברית عربي"_qs << QList<int>{0, 9, 3};
}

void tst_Shaping::fallbackPiecesShowInVisualOrder()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, columns);

    FaceCache faces(QStringLiteral("DejaVu Serif"), {}, 16, 1.0);
    const std::unique_ptr<TextPiece> piece = faces.shapeInBaseFace(text);
    for (qsizetype index = 1; index < columns.size(); ++index)
        QCOMPARE_LT(piece->cursorToX(columns[index - 1]), piece->cursorToX(columns[index]));
}

QTEST_GUILESS_MAIN(tst_Shaping)
#include "tst_shaping.moc"
