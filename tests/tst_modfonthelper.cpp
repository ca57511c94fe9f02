// SPDX-License-Identifier: MIT
#include "font_catalogue/modfonthelper.h"
#include "support/privatefonts.h"
#include "support/viewsupport.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>

using modFontHelper::ListFontFamilies;
using ViewSupport::faceOf;
using ViewSupport::styleStrategyOf;

class tst_ModFontHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneLinePerReportedFamily_data();
    void oneLinePerReportedFamily();
    void namesInBaseFaceSentencesInFamilyFace_data();
    void namesInBaseFaceSentencesInFamilyFace();
    void appendsAtEndWhateverTheSelection();
    void aFamilyKeepsItsPlaceInANewListing_data();
    void aFamilyKeepsItsPlaceInANewListing();
    void listsEachInstalledFamilyOnceByItsName();
};

namespace {

const QString Sentence = QStringLiteral("The quick brown fox.");

QStringList linesOf(const RichTextBox &view)
{
    QStringList lines = view.Text().split(RichTextBox::LineBreak);
    if (lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Copies of DejaVu renamed at scan time after fonts found in the wild. The user reads German.
PrivateFonts privateFonts()
{
    qputenv("FC_LANG", "de");
    return PrivateFonts({{"DejaVuSans.ttf", "DejaVuSans.ttf"},
                         {"DejaVuSerif.ttf", "DejaVuSerif.ttf"},
                         {"DejaVuSerif.ttf", "acme-DejaVuSerif.ttf"},
                         {"DejaVuSansMono.ttf", "DejaVuSansMono.ttf"},
                         {"DejaVuSans-Bold.ttf", "renamed-DejaVuSans-Bold.ttf"}},
                        QStringLiteral(R"(  <match target="scan">
    <test name="file" compare="contains"><string>acme-</string></test>
    <edit name="foundry" mode="assign_replace"><string>acme</string></edit>
    <edit name="family" mode="append_last"><string>セリフ</string></edit>
    <edit name="familylang" mode="append_last"><string>ja</string></edit>
  </match>
  <match target="scan">
    <test name="file" compare="contains"><string>DejaVuSansMono</string></test>
    <edit name="family" mode="append_last"><string>Schweizer Breite</string><string>Feste Breite</string></edit>
    <edit name="familylang" mode="append_last"><string>de-ch</string><string>de</string></edit>
  </match>
  <match target="scan">
    <test name="file" compare="contains"><string>renamed-</string></test>
    <edit name="family" mode="assign_replace"><string>Police Grasse</string><string>太字</string></edit>
    <edit name="familylang" mode="assign_replace"><string>fr</string><string>ja</string></edit>
  </match>
)"));
}

} // namespace

void tst_ModFontHelper::oneLinePerReportedFamily_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QStringList>("shownNames");

    const QString longName(200, u'W');
    QTest::newRow("no fonts at all") << QStringList() << QStringList();
    QTest::newRow("three families in reported order")
        << QStringList{u"Zeta"_qs, u"Alpha"_qs, u"Mid"_qs}
        << QStringList{u"Zeta"_qs, u"Alpha"_qs, u"Mid"_qs};
    QTest::newRow("family reported twice is listed twice")
        << QStringList{u"Twice"_qs, u"Twice"_qs} << QStringList{u"Twice"_qs, u"Twice"_qs};
    QTest::newRow("empty name leaves the tabs") << QStringList{QString()} << QStringList{QString()};
    QTest::newRow("200-character name in full") << QStringList{longName} << QStringList{longName};
    QTest::newRow("non-Latin names as they are")
        << QStringList{u"游ゴシック"_qs, u"نسخ عربي"_qs} << QStringList{u"游ゴシック"_qs, u"نسخ عربي"_qs};
    QTest::newRow("control characters stay on one line")
        << QStringList{u"Split\r\nName"_qs, u"Tab\tName"_qs, QStringLiteral("Sep\u2028Name")}
        << QStringList{u"Split\uFFFD\uFFFDName"_qs, u"Tab\uFFFDName"_qs, u"Sep\uFFFDName"_qs};
}

void tst_ModFontHelper::oneLinePerReportedFamily()
{
    QFETCH(QStringList, families);
    QFETCH(QStringList, shownNames);
    RichTextBox view;
    ListFontFamilies(view, Sentence, [&] { return families; });

    QStringList expected;
    for (const QString &name : std::as_const(shownNames))
        expected << name + u"\t\t\t"_qs + Sentence;
    QCOMPARE(linesOf(view), expected);
    QVERIFY(families.isEmpty() ? view.Text().isEmpty() : view.Text().endsWith(RichTextBox::LineBreak));
}

void tst_ModFontHelper::namesInBaseFaceSentencesInFamilyFace_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<bool>("baseFamilyFirst");
    QTest::newRow("Latin names") << QStringList{u"DejaVu Serif"_qs, u"DejaVu Sans Mono"_qs} << false;
    QTest::newRow("Thai name after a sample") << QStringList{u"DejaVu Serif"_qs, u"ไทย"_qs} << false;
    QTest::newRow("Hebrew name after a sample")
        << QStringList{u"DejaVu Sans"_qs, u"עברית"_qs, u"DejaVu Serif"_qs} << false;
    QTest::newRow("Japanese names in a row") << QStringList{u"游ゴシック"_qs, u"ヒラギノ角ゴ"_qs} << false;
    QTest::newRow("the base family's own sample") << QStringList{u"DejaVu Serif"_qs} << true;
}

// Only the sample keeps to its face: a name borrows the glyphs its base face lacks.
void tst_ModFontHelper::namesInBaseFaceSentencesInFamilyFace()
{
    QFETCH(QStringList, families);
    QFETCH(bool, baseFamilyFirst);
    RichTextBox view;
    if (baseFamilyFirst)
        families.prepend(view.FontName());
    ListFontFamilies(view, Sentence, [&] { return families; });

    int lineStart = 0;
    for (const QString &family : std::as_const(families)) {
        const int nameAndTabs = family.size() + 3;
        QCOMPARE(faceOf(view, lineStart, nameAndTabs), view.FontName());
        QCOMPARE(styleStrategyOf(view, lineStart), QFont::PreferDefault);
        QCOMPARE(faceOf(view, lineStart + nameAndTabs, Sentence.size()), family);
        QCOMPARE(styleStrategyOf(view, lineStart + nameAndTabs), QFont::NoFontMerging);
        lineStart += nameAndTabs + Sentence.size() + 2;
    }
}

void tst_ModFontHelper::aFamilyKeepsItsPlaceInANewListing_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("line");

    const QStringList listed{u"Alpha"_qs, u"beta"_qs, u"Gamma"_qs};
    QTest::newRow("still listed") << listed << u"beta"_qs << 1;
    QTest::newRow("listed in another case") << listed << u"BETA"_qs << 1;
    QTest::newRow("gone: the family after it") << listed << u"Delta"_qs << 2;
    QTest::newRow("gone from the end: the last family") << listed << u"Zeta"_qs << 2;
    QTest::newRow("nothing listed before") << listed << QString() << 0;
    QTest::newRow("nothing listed now") << QStringList() << u"beta"_qs << 0;
}

void tst_ModFontHelper::aFamilyKeepsItsPlaceInANewListing()
{
    QFETCH(QStringList, listed);
    QFETCH(QString, family);
    QFETCH(int, line);
    QCOMPARE(modFontHelper::LineOfFamily(listed, family), line);
}

void tst_ModFontHelper::appendsAtEndWhateverTheSelection()
{
    RichTextBox view;
    view.SetSelText(QStringLiteral("kept\r\n"));
    view.SetSelStart(1);
    view.SetSelLength(2);
    ListFontFamilies(view, QStringLiteral("other words"), [] { return QStringList{u"A"_qs}; });

    QCOMPARE(view.Text(), QStringLiteral("kept\r\nA\t\t\tother words\r\n"));
}

// Named in the user's language, else in English, else by the first name; a family offered by
// two foundries once; no aliases.
void tst_ModFontHelper::listsEachInstalledFamilyOnceByItsName()
{
    RichTextBox view;
    ListFontFamilies(view, Sentence);

    const QStringList lines = linesOf(view);
    QStringList names;
    for (const QString &line : lines)
        names << line.section(u'\t', 0, 0);
    QCOMPARE(names, (QStringList{u"DejaVu Sans"_qs, u"DejaVu Serif"_qs, u"Feste Breite"_qs, u"Police Grasse"_qs}));

    for (const QString &name : std::as_const(names))
        QCOMPARE(faceOf(view, view.Text().indexOf(name + u"\t\t\t"_qs) + name.size() + 3, 1), name);
    QVERIFY(QFontInfo(QFont(u"Feste Breite"_qs)).fixedPitch());
}

int main(int argc, char *argv[])
{
    const PrivateFonts fonts = privateFonts(); // before anything asks fontconfig
    QApplication app(argc, argv);
    tst_ModFontHelper test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_modfonthelper.moc"
