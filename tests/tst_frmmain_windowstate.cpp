// SPDX-License-Identifier: MIT
#include "settings/modini.h"
#include "support/viewsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <csignal>

// The window restores its geometry and sentence from the settings file beside this test's
// executable and writes them back on close.
class tst_FrmMainWindowState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void withoutFileDesignValuesAndFiveKeysInOrder();
    void storedGeometryIsApplied();
    void unusableNumbersLeaveDefaults_data();
    void unusableNumbersLeaveDefaults();
    void oversizedWindowFitsTheScreen();
    void storedSentenceOnEveryLine();
    void emptySentenceGivesDefaultAndIsWrittenBack();
    void longSentenceSurvivesUnchanged();
    void quitSignalClosesAndSaves_data();
    void quitSignalClosesAndSaves();
    void reopeningLeavesFileUnchanged_data();
    void reopeningLeavesFileUnchanged();
    void zoomIsKeptOnlyOnceZoomed_data();
    void zoomIsKeptOnlyOnceZoomed();

private:
    static void writeSettings(const QByteArray &contents);
    static QByteArray settings();
    void openWindow(Qt::WindowState shownAs = Qt::WindowNoState);
    void closeWindow() { m_window->close(); }
    int pixels(double twips) const { return qRound(twips * m_window->logicalDpiY() / 1440.0); }

    std::unique_ptr<frmMain> m_window;
};

void tst_FrmMainWindowState::init()
{
    QFile::remove(modIni::SettingsFilePath());
}

void tst_FrmMainWindowState::cleanup()
{
    m_window.reset();
    QFile::remove(modIni::SettingsFilePath());
}

void tst_FrmMainWindowState::writeSettings(const QByteArray &contents)
{
    QFile file(modIni::SettingsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray tst_FrmMainWindowState::settings()
{
    QFile file(modIni::SettingsFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_FrmMainWindowState::openWindow(Qt::WindowState shownAs)
{
    m_window = std::make_unique<frmMain>();
    m_window->setWindowState(shownAs);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_FrmMainWindowState::withoutFileDesignValuesAndFiveKeysInOrder()
{
    openWindow();
    QCOMPARE(m_window->size(), QSize(pixels(9450), pixels(3195)));
    closeWindow();

    const QByteArray expected = QStringLiteral("[Settings]\nLeft=%1\nTop=%2\nWidth=%3\nHeight=%4\n"
                                               "ExampleText=%5\n")
                                    .arg(m_window->Left())
                                    .arg(m_window->Top())
                                    .arg(m_window->Width())
                                    .arg(m_window->Height())
                                    .arg(frmMain::DefaultExampleText)
                                    .toUtf8();
    QCOMPARE(settings(), expected);
}

void tst_FrmMainWindowState::storedGeometryIsApplied()
{
    writeSettings("[Settings]\nLeft=1500\nTop=2250\nWidth=6000\nHeight=4500\n");
    openWindow();
    QCOMPARE(m_window->frameGeometry(), QRect(pixels(1500), pixels(2250), pixels(6000), pixels(4500)));
    QCOMPARE(m_window->Width(), 6000.0f);
}

void tst_FrmMainWindowState::unusableNumbersLeaveDefaults_data()
{
    // The outer size in twips that the window takes; 0 keeps the design value.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("outerSize");
    QTest::newRow("letters for Top") << QByteArray("Top=abc\nLeft=1500") << QSize();
    QTest::newRow("empty Top") << QByteArray("Top=\nLeft=1500") << QSize();
    QTest::newRow("letters for Left") << QByteArray("Top=1500\nLeft=abc") << QSize();
    QTest::newRow("far off every screen") << QByteArray("Top=0\nLeft=-720000") << QSize();
    QTest::newRow("beyond 32 bits") << QByteArray("Top=0\nLeft=99999999999") << QSize();
    QTest::newRow("negative size") << QByteArray("Width=-500\nHeight=0") << QSize();
    QTest::newRow("lower than a line") << QByteArray("Width=9000\nHeight=300") << QSize(9000, 0);
    QTest::newRow("narrower than a caption") << QByteArray("Width=30\nHeight=4500") << QSize(0, 4500);
}

void tst_FrmMainWindowState::unusableNumbersLeaveDefaults()
{
    QFETCH(QByteArray, file);
    QFETCH(QSize, outerSize);
    openWindow();
    const QRect defaults = m_window->frameGeometry();
    m_window.reset();

    writeSettings("[Settings]\n" + file + "\n");
    openWindow();
    const QRect restored = m_window->frameGeometry();
    QCOMPARE(restored.topLeft(), defaults.topLeft());
    QCOMPARE(restored.width(), outerSize.width() > 0 ? pixels(outerSize.width()) : defaults.width());
    QCOMPARE(restored.height(), outerSize.height() > 0 ? pixels(outerSize.height()) : defaults.height());
}

// However large the stored size, the window fits the largest screen and is shown on it.
void tst_FrmMainWindowState::oversizedWindowFitsTheScreen()
{
    writeSettings("[Settings]\nLeft=0\nTop=0\nWidth=60000\nHeight=60000\n");
    openWindow();
    QCOMPARE(m_window->frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
}

void tst_FrmMainWindowState::storedSentenceOnEveryLine()
{
    writeSettings("[settings]\nexampletext = Sphinx of black quartz, judge my vow.\n");
    openWindow();
    const QString text = ViewSupport::rtbFontsOf(*m_window)->Text();
    const QString line = u"\t\t\tSphinx of black quartz, judge my vow.\r\n"_qs;
    QVERIFY(text.endsWith(line));
    QCOMPARE(text.count(line), text.count(RichTextBox::LineBreak));
}

void tst_FrmMainWindowState::emptySentenceGivesDefaultAndIsWrittenBack()
{
    writeSettings("[Settings]\nExampleText=\n");
    openWindow();
    QCOMPARE(m_window->sExampleText(), frmMain::DefaultExampleText);
    closeWindow();
    QVERIFY(settings().contains("\nExampleText=" + QByteArray(frmMain::DefaultExampleText.data()) + "\n"));
}

void tst_FrmMainWindowState::longSentenceSurvivesUnchanged()
{
    const QString sentence = QString(100, u'Ж') + QString(100, u'x');
    writeSettings("[Settings]\nExampleText=" + sentence.toUtf8() + "\n");
    for (int run = 0; run < 2; ++run) {
        openWindow();
        QCOMPARE(m_window->sExampleText(), sentence);
        closeWindow();
    }
    QCOMPARE(modIni::ReadIniValue(u"ExampleText"_qs), sentence);
}

void tst_FrmMainWindowState::quitSignalClosesAndSaves_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

// The signals that end a session close the window as the user would, and only while it lives.
void tst_FrmMainWindowState::quitSignalClosesAndSaves()
{
    QFETCH(int, signal);
    struct sigaction before{};
    sigaction(signal, nullptr, &before);
    openWindow();
    m_window->SetWidth(6000);
    std::raise(signal);
    QTRY_VERIFY(!m_window->isVisible());
    QCOMPARE(modIni::ReadIniValue(u"Width"_qs), u"6000"_qs);

    m_window.reset();
    struct sigaction after{};
    sigaction(signal, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
}

void tst_FrmMainWindowState::reopeningLeavesFileUnchanged_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<Qt::WindowState>("shownAs");
    QTest::newRow("quoted blanks") << QByteArray("\"  padded  \"") << u"  padded  "_qs << Qt::WindowNoState;
    QTest::newRow("Windows-1252") << QByteArray("Caf\xe9 cr\xe8me") << u"Café crème"_qs << Qt::WindowNoState;
    QTest::newRow("maximised from the start") << QByteArray("\"  padded  \"") << u"  padded  "_qs
                                              << Qt::WindowMaximized;
}

void tst_FrmMainWindowState::reopeningLeavesFileUnchanged()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, sentence);
    QFETCH(Qt::WindowState, shownAs);
    writeSettings("; kept\r\n[Settings]\r\nLeft=1500\r\nTop=1500\r\nWidth=6000\r\nHeight=4500\r\n"
                  "ExampleText=" + stored + "\r\n");
    const QByteArray original = settings();
    for (int run = 0; run < 3; ++run) {
        openWindow(shownAs);
        QCOMPARE(m_window->windowState(), shownAs);
        QCOMPARE(m_window->sExampleText(), sentence);
        closeWindow();
        QCOMPARE(settings(), original);
    }
}

void tst_FrmMainWindowState::zoomIsKeptOnlyOnceZoomed_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QString>("saved"); // empty: no Zoom key at all

    QTest::newRow("never zoomed") << QByteArray() << QKeySequence() << 100 << QString();
    QTest::newRow("stored zoom applied") << QByteArray("Zoom=150") << QKeySequence() << 150 << u"150"_qs;
    QTest::newRow("letters read as 100") << QByteArray("Zoom=abc") << QKeySequence() << 100 << u"100"_qs;
    QTest::newRow("beyond the range read as 100") << QByteArray("Zoom=1000") << QKeySequence() << 100 << u"100"_qs;
    QTest::newRow("zoomed in with Ctrl+=") << QByteArray() << QKeySequence(u"Ctrl+="_qs) << 110 << u"110"_qs;
    QTest::newRow("back to normal with Ctrl+0") << QByteArray("Zoom=300") << QKeySequence(u"Ctrl+0"_qs) << 100
                                                << u"100"_qs;
}

void tst_FrmMainWindowState::zoomIsKeptOnlyOnceZoomed()
{
    QFETCH(QByteArray, stored);
    QFETCH(QKeySequence, keys);
    QFETCH(int, zoom);
    QFETCH(QString, saved);
    writeSettings("[Settings]\n" + stored + "\n");
    openWindow();
    RichTextBox &view = *m_window->findChild<RichTextBox *>(u"rtbFonts"_qs);
    if (!keys.isEmpty())
        QTest::keySequence(&view, keys);
    QCOMPARE(view.ZoomPercent(), zoom);
    closeWindow();
    QCOMPARE(modIni::ReadIniValue(u"Zoom"_qs), saved);
}

QTEST_MAIN(tst_FrmMainWindowState)
#include "tst_frmmain_windowstate.moc"
