// SPDX-License-Identifier: MIT
#include "support/viewsupport.h"

#include <QApplication>
#include <QTest>

class tst_FrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void designValuesAfterLoad();
    void catalogueFilledWithDefaultSentence();
    void viewFollowsEveryResize_data();
    void viewFollowsEveryResize();
    void geometryInTwips();

private:
    RichTextBox *view() const { return ViewSupport::rtbFontsOf(*m_window); }
    int pixels(double twips) const { return qRound(twips * m_window->logicalDpiY() / 1440.0); }

    std::unique_ptr<frmMain> m_window;
};

void tst_FrmMain::init()
{
    m_window = std::make_unique<frmMain>();
}

void tst_FrmMain::cleanup()
{
    m_window.reset();
}

void tst_FrmMain::designValuesAfterLoad()
{
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), u"Typeshelf"_qs);
    QCOMPARE(m_window->size(), QSize(pixels(9450), pixels(3195)));
    const QList<QSize> iconSizes = m_window->windowIcon().availableSizes();
    for (const int size : {16, 32, 48, 64, 128, 256})
        QVERIFY2(iconSizes.contains(QSize(size, size)), qPrintable(QString::number(size)));

    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(view());
    QCOMPARE(QApplication::focusWidget(), view());
    QCOMPARE(view()->SelStart(), 0);
    QCOMPARE(view()->FirstVisibleLine(), 0);
}

void tst_FrmMain::catalogueFilledWithDefaultSentence()
{
    QCOMPARE(m_window->sExampleText(), frmMain::DefaultExampleText);
    const QString text = view()->Text();
    QVERIFY(text.endsWith(u"\t\t\t"_qs + frmMain::DefaultExampleText + RichTextBox::LineBreak));
    QCOMPARE(text.count(RichTextBox::LineBreak), text.count(frmMain::DefaultExampleText));
}

void tst_FrmMain::viewFollowsEveryResize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("larger") << QSize(900, 500);
    QTest::newRow("narrow and tall") << QSize(120, 700);
    QTest::newRow("collapsed to nothing") << QSize(0, 0);
}

void tst_FrmMain::viewFollowsEveryResize()
{
    QFETCH(QSize, size);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    m_window->resize(size);
    QCOMPARE(view()->geometry(), m_window->rect());

    // 150 twips more window is exactly 150 twips more view.
    const QSize before = view()->size();
    m_window->SetWidth(m_window->Width() + 150);
    m_window->SetHeight(m_window->Height() + 150);
    QCOMPARE(view()->size(), before + QSize(pixels(150), pixels(150)));
    QCOMPARE(view()->pos(), QPoint(0, 0));
}

void tst_FrmMain::geometryInTwips()
{
    m_window->SetLeft(1500);
    m_window->SetTop(3000);
    m_window->SetWidth(7500);
    m_window->SetHeight(4500);

    QCOMPARE(m_window->frameGeometry(), QRect(pixels(1500), pixels(3000), pixels(7500), pixels(4500)));
    QCOMPARE(m_window->Left(), 1500.0f);
    QCOMPARE(m_window->Top(), 3000.0f);
    QCOMPARE(m_window->Width(), 7500.0f);
    QCOMPARE(m_window->Height(), 4500.0f);
}

QTEST_MAIN(tst_FrmMain)
#include "tst_frmmain.moc"
