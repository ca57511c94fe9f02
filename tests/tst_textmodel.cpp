// SPDX-License-Identifier: MIT
#include "view/textmodel.h"

#include <QSignalSpy>
#include <QTest>

class tst_TextModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceKeepsOffsetsAndRuns_data();
    void replaceKeepsOffsetsAndRuns();
    void coloursSplitAndMergeRuns();
};

namespace {

constexpr QRgb Black = 0xff000000;
constexpr QRgb Blue = 0xff0000ff;

// Each run as "face:length:colour", lines separated by "|".
QString runsOf(const TextModel &model)
{
    QStringList lines;
    for (int index = 0; index < model.lineCount(); ++index) {
        QStringList runs;
        for (const TextModel::Run &run : model.line(index).runs)
            runs << QStringLiteral("%1:%2:%3").arg(model.faceName(run.face)).arg(run.length).arg(run.colour == Blue ? u"blue"_qs : u"black"_qs);
        lines << runs.join(u' ');
    }
    return lines.join(u'|');
}

} // namespace

void tst_TextModel::replaceKeepsOffsetsAndRuns_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("runs");

    // The model starts as "ab\r\ncd" in face A, "cd" blue.
    QTest::newRow("append a line") << 6 << 6 << u"\r\nef"_qs << u"ab\r\ncd\r\nef"_qs << 10
                                   << u"A:2:black|A:2:blue|B:2:black"_qs;
    QTest::newRow("insert inside a line") << 1 << 1 << u"x"_qs << u"axb\r\ncd"_qs << 2
                                          << u"A:1:black B:1:black A:1:black|A:2:blue"_qs;
    QTest::newRow("replace across the break") << 1 << 5 << u"y"_qs << u"ayd"_qs << 2
                                              << u"A:1:black B:1:black A:1:blue"_qs;
    QTest::newRow("offset between CR and LF is the line's end") << 3 << 3 << u"z"_qs << u"abz\r\ncd"_qs
                                                                << 3 << u"A:2:black B:1:black|A:2:blue"_qs;
    QTest::newRow("every break spelling") << 0 << 0 << u"1\n2\r3\u20294"_qs << u"1\r\n2\r\n3\r\n4ab\r\ncd"_qs
                                          << 10 << u"B:1:black|B:1:black|B:1:black|B:1:black A:2:black|A:2:blue"_qs;
}

void tst_TextModel::replaceKeepsOffsetsAndRuns()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, inserted);
    QFETCH(QString, text);
    QFETCH(int, end);
    QFETCH(QString, runs);
    TextModel model;
    model.replace(0, 0, u"ab\r\ncd"_qs, model.faceIndex(u"A"_qs), Black);
    model.setColour(4, 6, Blue);

    QCOMPARE(model.replace(from, to, inserted, model.faceIndex(u"B"_qs), Black), end);
    QCOMPARE(model.text(), text);
    QCOMPARE(model.length(), model.text().size());
    QCOMPARE(runsOf(model), runs);
    for (int line = 1; line < model.lineCount(); ++line)
        QCOMPARE(model.lineStart(line), model.text().indexOf(TextModel::LineBreak, model.lineStart(line - 1)) + 2);
}

void tst_TextModel::coloursSplitAndMergeRuns()
{
    TextModel model;
    model.replace(0, 0, u"aaaa\r\nbbbb\r\ncccc"_qs, model.faceIndex(u"A"_qs), Black);
    QSignalSpy changes(&model, &TextModel::coloursChanged);

    model.setColour(2, 8, Blue);
    QCOMPARE(runsOf(model), u"A:2:black A:2:blue|A:2:blue A:2:black|A:4:black"_qs);
    QCOMPARE(model.colourIn(2, 8), Blue);
    QCOMPARE(model.colourIn(4, 6), std::nullopt); // a break alone has no colour
    QCOMPARE(model.colourIn(0, 8), std::nullopt);

    changes.clear();
    model.setUniformColour(Black);
    QCOMPARE(runsOf(model), u"A:4:black|A:4:black|A:4:black"_qs);
    QCOMPARE(changes, (QList<QVariantList>{{0, 1}})); // one notification for both recoloured lines
}

QTEST_GUILESS_MAIN(tst_TextModel)
#include "tst_textmodel.moc"
