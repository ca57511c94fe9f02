// SPDX-License-Identifier: MIT
#include "settings/storednumber.h"

#include <QTest>

class tst_StoredNumber : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void format_data();
    void format();
};

void tst_StoredNumber::parse_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("number");

    const std::optional<int> none;
    QTest::newRow("whole") << "en_US" << "960" << std::optional(960);
    QTest::newRow("negative") << "en_US" << "-1200" << std::optional(-1200);
    QTest::newRow("960.4 rounds down") << "en_US" << "960.4" << std::optional(960);
    QTest::newRow("960.5 rounds to even 960") << "en_US" << "960.5" << std::optional(960);
    QTest::newRow("961.5 rounds to even 962") << "en_US" << "961.5" << std::optional(962);
    QTest::newRow("-2.5 rounds to even -2") << "en_US" << "-2.5" << std::optional(-2);
    QTest::newRow("blanks around") << "en_US" << "  42 \t" << std::optional(42);
    QTest::newRow("German decimal comma") << "de_DE" << "960,5" << std::optional(960);
    QTest::newRow("German 961,5") << "de_DE" << "961,5" << std::optional(962);
    QTest::newRow("decimal point under German") << "de_DE" << "1598.4" << std::optional(1598);
    QTest::newRow("point is no grouping under German") << "de_DE" << "1.598" << std::optional(2);
    QTest::newRow("beyond 16 bits") << "en_US" << "40000" << std::optional(40000);
    QTest::newRow("beyond 32 bits") << "en_US" << "3000000000" << none;
    QTest::newRow("letters") << "en_US" << "abc" << none;
    QTest::newRow("number then letters") << "en_US" << "12px" << none;
    QTest::newRow("empty") << "en_US" << "" << none;
    QTest::newRow("not a number") << "en_US" << "nan" << none;
    QTest::newRow("infinite") << "en_US" << "inf" << none;
}

void tst_StoredNumber::parse()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<int>, number);
    QCOMPARE(StoredNumber::Parse(text, QLocale(locale)), number);
}

void tst_StoredNumber::format_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole, no grouping") << 123456.0f << "123456";
    QTest::newRow("negative whole") << -120.0f << "-120";
    QTest::newRow("fraction rounds to whole") << 1598.4f << "1598";
    QTest::newRow("half rounds to even") << 960.5f << "960";
    QTest::newRow("small negative is plain zero") << -0.4f << "0";
}

void tst_StoredNumber::format()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(StoredNumber::Format(value), text);
}

QTEST_GUILESS_MAIN(tst_StoredNumber)
#include "tst_storednumber.moc"
