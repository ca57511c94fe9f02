// SPDX-License-Identifier: MIT
#include "view/typetofind.h"

#include <QRandomGenerator>
#include <QTest>

// Typing a family's first letters moves the caret to its line.
class tst_TypeToFind : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedPrefixFindsTheLine_data();
    void typedPrefixFindsTheLine();
    void indexFindsWhatAScanFinds();
};

namespace {

// Keys as a user types them: a string is typed, "pause" waits past the pause, "backspace"
// and "escape" are those keys.
int caretAfter(const QStringList &names, int caret, const QStringList &keys)
{
    const PrefixIndex index(names);
    TypeToFind finder;
    TypeToFind::Clock::time_point now{};
    for (const QString &key : keys) {
        now += std::chrono::milliseconds(200);
        if (key == u"pause")
            now += TypeToFind::Pause;
        else if (key == u"backspace")
            finder.shorten(now);
        else if (key == u"escape")
            finder.reset();
        else if (const std::optional<int> line = finder.type(key, caret, index, now))
            caret = *line;
    }
    return caret;
}

} // namespace

void tst_TypeToFind::typedPrefixFindsTheLine_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<int>("line");

    const QStringList names{u"Arial"_qs, u"Bitstream Charter"_qs, u"Cantarell"_qs, u"Carlito"_qs,
                            u"DejaVu Sans"_qs, u"École Sans"_qs, u"Emoji"_qs, u"Fira Code"_qs};
    QTest::newRow("letters form a prefix") << names << 0 << QStringList{u"c"_qs, u"a"_qs, u"r"_qs} << 3;
    QTest::newRow("a pause starts a new prefix") << names << 0 << QStringList{u"c"_qs, u"pause"_qs, u"d"_qs} << 4;
    QTest::newRow("without a pause the prefix grows") << names << 0 << QStringList{u"c"_qs, u"d"_qs} << 2;
    QTest::newRow("the same letter again steps on")
        << names << 0 << QStringList{u"c"_qs, u"c"_qs} << 3;
    QTest::newRow("stepping wraps to the first with that initial")
        << names << 0 << QStringList{u"c"_qs, u"c"_qs, u"c"_qs} << 2;
    QTest::newRow("searching starts at the caret's line and wraps")
        << names << 6 << QStringList{u"a"_qs} << 0;
    QTest::newRow("the caret's own line matches first") << names << 3 << QStringList{u"c"_qs} << 3;
    QTest::newRow("no match leaves the caret") << names << 4 << QStringList{u"z"_qs} << 4;
    QTest::newRow("a letter that matches nothing leaves the prefix")
        << names << 0 << QStringList{u"c"_qs, u"x"_qs, u"a"_qs, u"r"_qs} << 3;
    QTest::newRow("accents and case ignored") << names << 0 << QStringList{u"E"_qs, u"c"_qs} << 5;
    QTest::newRow("an accent typed finds the bare letter") << names << 0 << QStringList{u"é"_qs, u"m"_qs} << 6;
    QTest::newRow("backspace shortens the prefix")
        << names << 0 << QStringList{u"c"_qs, u"a"_qs, u"n"_qs, u"backspace"_qs, u"r"_qs} << 3;
    QTest::newRow("escape ends the prefix") << names << 0 << QStringList{u"c"_qs, u"escape"_qs, u"f"_qs} << 7;
    QTest::newRow("no names at all") << QStringList() << 0 << QStringList{u"a"_qs} << 0;
}

void tst_TypeToFind::typedPrefixFindsTheLine()
{
    QFETCH(QStringList, names);
    QFETCH(int, caret);
    QFETCH(QStringList, keys);
    QFETCH(int, line);
    QCOMPARE(caretAfter(names, caret, keys), line);
}

// Names in no particular order, of few letters so that prefixes share many of them: the index's
// blocks must find the line a plain scan from the caret finds.
void tst_TypeToFind::indexFindsWhatAScanFinds()
{
    QRandomGenerator random(7);
    QStringList names;
    for (int line = 0; line < 777; ++line) {
        QString name;
        for (int letter = 0; letter < 3; ++letter)
            name += QChar(u'a' + random.bounded(3));
        names << name;
    }
    const PrefixIndex index(names);
    for (const QString &prefix : {u"a"_qs, u"bc"_qs, u"cab"_qs, u"ccc"_qs, u"d"_qs}) {
        for (const int from : {0, 1, 388, 775, 776}) {
            std::optional<int> scanned;
            for (int step = 0; step < names.size() && !scanned; ++step) {
                if (const int line = (from + step) % int(names.size()); names[line].startsWith(prefix))
                    scanned = line;
            }
            QCOMPARE(index.find(prefix, from), scanned);
        }
    }
}

QTEST_GUILESS_MAIN(tst_TypeToFind)
#include "tst_typetofind.moc"
