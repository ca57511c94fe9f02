// SPDX-License-Identifier: MIT
#include "fonts/directionalruns.h"

#include <QTest>

#include <hb.h>

Q_DECLARE_METATYPE(std::vector<DirectionalRun>)

// Where the runs of a left-to-right line show, left to right.
class tst_DirectionalRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsShowInVisualOrder_data();
    void runsShowInVisualOrder();
    void itemsSplitWhereTheScriptChanges_data();
    void itemsSplitWhereTheScriptChanges();
};

void tst_DirectionalRuns::runsShowInVisualOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<DirectionalRun>>("runs");
    using Runs = std::vector<DirectionalRun>;
    QTest::newRow("Latin") << u"Serif 12"_qs << Runs{{0, 8, false}};
    QTest::newRow("Hebrew") << u"גופן"_qs << Runs{{0, 4, true}};
    QTest::newRow("Hebrew name with a number, which still reads from the left")
        << u"גופן 00053"_qs << Runs{{5, 5, false}, {0, 5, true}};
    QTest::newRow("Hebrew between Latin, spaces with the line")
        << u"ab גופן cd"_qs << Runs{{0, 3, false}, {3, 4, true}, {7, 3, false}};
    QTest::newRow("number inside Hebrew")
        << u"אבג 12 דהו"_qs << Runs{{6, 4, true}, {4, 2, false}, {0, 4, true}};
    QTest::newRow("Arabic with its mark") << u"نَسخ x"_qs << Runs{{0, 4, true}, {4, 2, false}};
    QTest::newRow("nothing") << QString() << Runs{};
}

void tst_DirectionalRuns::runsShowInVisualOrder()
{
    QFETCH(QString, text);
    QFETCH(std::vector<DirectionalRun>, runs);
    const std::vector<DirectionalRun> visual = VisualRuns(text);
    QVERIFY2(visual == runs, qPrintable(QString::number(visual.size()) + u" runs"_qs));
}

void tst_DirectionalRuns::itemsSplitWhereTheScriptChanges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<DirectionalRun>>("items");
    using Runs = std::vector<DirectionalRun>;
    const std::uint32_t latin = HB_SCRIPT_LATIN;
    const std::uint32_t devanagari = HB_SCRIPT_DEVANAGARI;
    const std::uint32_t bengali = HB_SCRIPT_BENGALI;
    const std::uint32_t hebrew = HB_SCRIPT_HEBREW;
    const std::uint32_t arabic = HB_SCRIPT_ARABIC;
    QTest::newRow("one script, its spaces and digits with it") << u"Serif 12"_qs << Runs{{0, 8, false, latin}};
    QTest::newRow("a space goes with the script before it")
        << u"क्ष ক্ষ"_qs << Runs{{0, 4, false, devanagari}, {4, 3, false, bengali}};
    QTest::newRow("leading digits go with the script after them")
        << u"12 ক"_qs << Runs{{0, 4, false, bengali}};
    QTest::newRow("Arabic then Hebrew in one right-to-left run show right to left")
        << u"عربي עברית"_qs << Runs{{5, 5, true, hebrew}, {0, 5, true, arabic}};
    QTest::newRow("digits alone keep no script") << u"123"_qs << Runs{{0, 3, false, 0}};
}

void tst_DirectionalRuns::itemsSplitWhereTheScriptChanges()
{
    QFETCH(QString, text);
    QFETCH(std::vector<DirectionalRun>, items);
    const std::vector<DirectionalRun> visual = VisualItems(text);
    QVERIFY2(visual == items, qPrintable(QString::number(visual.size()) + u" items"_qs));
}

QTEST_GUILESS_MAIN(tst_DirectionalRuns)
#include "tst_directionalruns.moc"
