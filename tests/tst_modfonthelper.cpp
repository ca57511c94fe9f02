#include "font_catalogue/modfonthelper.h"
#include "view/richtextbox.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

using modFontHelper::ListFontFamilies;

class tst_ModFontHelper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneLinePerReportedFamily_data();
    void oneLinePerReportedFamily();
    void namesInBaseFaceSentencesInFamilyFace();
    void appendsAtEndWhateverTheSelection();
    void listsEverySystemFamily();
    void genericNamesShowTheFaceTheyStandFor_data();
    void genericNamesShowTheFaceTheyStandFor();
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

QString faceAt(RichTextBox &view, int offset, int length)
{
    view.SetSelStart(offset);
    view.SetSelLength(length);
    return view.SelFontName();
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

void tst_ModFontHelper::namesInBaseFaceSentencesInFamilyFace()
{
    const QStringList families{u"DejaVu Serif"_qs, u"DejaVu Sans Mono"_qs};
    RichTextBox view;
    ListFontFamilies(view, Sentence, [&] { return families; });

    int lineStart = 0;
    for (const QString &family : families) {
        const int nameAndTabs = family.size() + 3;
        QCOMPARE(faceAt(view, lineStart, nameAndTabs), view.FontName());
        QCOMPARE(faceAt(view, lineStart + nameAndTabs, Sentence.size()), family);
        lineStart += nameAndTabs + Sentence.size() + 2;
    }
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

void tst_ModFontHelper::listsEverySystemFamily()
{
    RichTextBox view;
    ListFontFamilies(view, Sentence);

    const QStringList families = QFontDatabase::families();
    QVERIFY(!families.isEmpty());
    const QStringList lines = linesOf(view);
    QCOMPARE(lines.size(), families.size());
    QVERIFY(lines.constFirst().startsWith(families.constFirst() + u'\t'));
}

void tst_ModFontHelper::genericNamesShowTheFaceTheyStandFor_data()
{
    QTest::addColumn<QString>("generic");
    QTest::newRow("sans serif") << u"Sans Serif"_qs;
    QTest::newRow("serif") << u"Serif"_qs;
    QTest::newRow("monospace") << u"Monospace"_qs;
}

void tst_ModFontHelper::genericNamesShowTheFaceTheyStandFor()
{
    QFETCH(QString, generic);
    RichTextBox view;
    ListFontFamilies(view, Sentence, [&] { return QStringList{generic, u"DejaVu Serif"_qs}; });

    const QString line = generic + u"\t\t\t"_qs;
    QVERIFY(view.Text().startsWith(line));
    const QString face = faceAt(view, line.size(), Sentence.size());
    QCOMPARE(face, QFontInfo(QFont(generic)).family());
    QVERIFY(QFontDatabase::families().contains(face));
    QCOMPARE(faceAt(view, view.Text().indexOf(u"DejaVu Serif\t"_qs) + 15, Sentence.size()), u"DejaVu Serif"_qs);
}

QTEST_MAIN(tst_ModFontHelper)
#include "tst_modfonthelper.moc"
