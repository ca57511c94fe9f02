// SPDX-License-Identifier: MIT
#include "settings/modini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace modIni;

namespace {

QString readFileValue(const QString &path, QStringView section, QStringView key)
{
    return SettingsTransaction(SettingsPlace{path, {}}).Read(section, key);
}

void writeFileValue(const QString &path, QStringView section, QStringView key, const QString &value)
{
    SettingsTransaction(SettingsPlace{path, {}}).Write(section, key, value);
}

} // namespace

class tst_ModIni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void everyValueReadsBackAsWritten_data();
    void everyValueReadsBackAsWritten();

    void pathIsBesideTheExecutable();
    void placement_data();
    void placement();
    void installedCopyPlacement_data();
    void installedCopyPlacement();
    void userFileIsSeededAndMadeWithItsFolder();
    void missingFileIsCreated();
    void unchangedValueLeavesFileUntouched();
    void transactionReplacesTheFileOnce();
    void writingUnderPermissions_data();
    void writingUnderPermissions();
    void missingFolderIsNoFailure();
    void noRegularFileCountsAsNone_data();
    void noRegularFileCountsAsNone();

private:
    QString path() const { return m_folder->filePath(u"typeshelf.ini"_qs); }
    void writeFile(const QByteArray &contents) const;
    QByteArray fileContents() const;

    std::unique_ptr<QTemporaryDir> m_folder;
};

void tst_ModIni::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void tst_ModIni::writeFile(const QByteArray &contents) const
{
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray tst_ModIni::fileContents() const
{
    QFile file(path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void tst_ModIni::reading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain key") << QByteArray("[Settings]\nTop=120\n") << "Top" << "120";
    QTest::newRow("key in other letter case") << QByteArray("[Settings]\ntOP=120\n") << "Top" << "120";
    QTest::newRow("section in other letter case") << QByteArray("[SETTINGS]\nTop=1\n") << "Top" << "1";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ Settings ]  \n \t Top \t=  12 0 \t\n") << "Top" << "12 0";
    QTest::newRow("double quotes removed") << QByteArray("[Settings]\nA=\" x \"\n") << "A" << " x ";
    QTest::newRow("single quotes removed") << QByteArray("[Settings]\nA='x'\n") << "A" << "x";
    QTest::newRow("only one pair of quotes removed")
        << QByteArray("[Settings]\nA=\"\"x\"\"\n") << "A" << "\"x\"";
    QTest::newRow("unmatched quotes kept") << QByteArray("[Settings]\nA=\"x'\n") << "A" << "\"x'";
    QTest::newRow("comment line is no key") << QByteArray("[Settings]\n ;Top=1\nTop=2\n") << "Top" << "2";
    QTest::newRow("no inline comments") << QByteArray("[Settings]\nA=b ; c\n") << "A" << "b ; c";
    QTest::newRow("line without equals sign does no harm")
        << QByteArray("[Settings]\nnonsense\nTop=3\n") << "Top" << "3";
    QTest::newRow("first duplicate key wins") << QByteArray("[Settings]\nTop=1\nTop=2\n") << "Top" << "1";
    QTest::newRow("only the first section of a name")
        << QByteArray("[Settings]\nA=1\n[Other]\nTop=9\n[Settings]\nTop=2\n") << "Top" << "";
    QTest::newRow("keys before any section belong to none") << QByteArray("Top=1\n[Settings]\n") << "Top" << "";
    QTest::newRow("key of another section") << QByteArray("[Other]\nTop=1\n") << "Top" << "";
    QTest::newRow("CR LF line endings") << QByteArray("[Settings]\r\nA=1\r\nTop=2\r\n") << "Top" << "2";
    QTest::newRow("lone CR line endings") << QByteArray("[Settings]\rA=1\rTop=2\r") << "Top" << "2";
    QTest::newRow("last line without break") << QByteArray("[Settings]\nTop=2") << "Top" << "2";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[Settings]\nTop=2\n") << "Top" << "2";
    QTest::newRow("UTF-8 text") << QByteArray("[Settings]\nExampleText=Ξεσκεπάζω 日本 😀\n")
                                << "ExampleText" << u"Ξεσκεπάζω 日本 😀"_qs;
    QTest::newRow("long value read whole")
        << QByteArray("[Settings]\nA=" + QByteArray(300, 'x') + "\n") << "A" << QString(300, u'x');
    QTest::newRow("value holding equals signs") << QByteArray("[Settings]\nA=b=c\n") << "A" << "b=c";
    QTest::newRow("empty value") << QByteArray("[Settings]\nTop=\n") << "Top" << "";
    QTest::newRow("missing key") << QByteArray("[Settings]\nLeft=1\n") << "Top" << "";
    QTest::newRow("Windows-1252 value") << QByteArray("[Settings]\nA=Caf\xe9 cr\xe8me\n") << "A" << "Café crème";
    QTest::newRow("Windows-1252 letter last") << QByteArray("[Settings]\nA=Caf\xe9\n") << "A" << "Café";
    QTest::newRow("Windows-1252 beyond Latin-1")
        << QByteArray("[Settings]\nA=\x80\x93x\x94\x9f\n") << "A" << u"€“x”Ÿ"_qs;
    QTest::newRow("empty file") << QByteArray() << "Top" << "";
    QTest::newRow("binary garbage") << QByteArray("\0\xff\x01[\x80=\n\r", 8) << "Top" << "";
}

void tst_ModIni::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QCOMPARE(ValueInIni(file, SectionName, key), value);

    writeFile(file);
    QCOMPARE(readFileValue(path(), SectionName, key), value);
}

void tst_ModIni::writing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "Top" << "5" << QByteArray("[Settings]\nTop=5\n");
    QTest::newRow("value replaced where it stands, spelling kept")
        << QByteArray("[Settings]\n  tOP = 1 \nLeft=2\n") << "Top" << "5"
        << QByteArray("[Settings]\n  tOP = 5\nLeft=2\n");
    QTest::newRow("new key after the section's last entry")
        << QByteArray("; mine\n[Settings]\nLeft=2\n\n[Other]\nx=1\n") << "Top" << "5"
        << QByteArray("; mine\n[Settings]\nLeft=2\nTop=5\n\n[Other]\nx=1\n");
    QTest::newRow("new key in a section without entries")
        << QByteArray("[Settings]\n[Other]\n") << "Top" << "5"
        << QByteArray("[Settings]\nTop=5\n[Other]\n");
    QTest::newRow("missing section appended at the end")
        << QByteArray("; comment\n\n[Other]\nx=1\n") << "Top" << "5"
        << QByteArray("; comment\n\n[Other]\nx=1\n[Settings]\nTop=5\n");
    QTest::newRow("CR LF file keeps CR LF")
        << QByteArray("[Settings]\r\nLeft=2\r\n") << "Top" << "5"
        << QByteArray("[Settings]\r\nLeft=2\r\nTop=5\r\n");
    QTest::newRow("last line without break stays so")
        << QByteArray("[Settings]\nLeft=2") << "Top" << "5" << QByteArray("[Settings]\nLeft=2\nTop=5");
    QTest::newRow("section appended after an open last line")
        << QByteArray("[Other]\r\nx=1") << "Top" << "5"
        << QByteArray("[Other]\r\nx=1\r\n[Settings]\r\nTop=5\r\n");
    QTest::newRow("byte-order mark kept")
        << QByteArray("\xEF\xBB\xBF[Settings]\nTop=1\n") << "Top" << "5"
        << QByteArray("\xEF\xBB\xBF[Settings]\nTop=5\n");
    QTest::newRow("first of duplicate keys changed")
        << QByteArray("[Settings]\nTop=1\nTop=2\n") << "Top" << "5"
        << QByteArray("[Settings]\nTop=5\nTop=2\n");
    QTest::newRow("other bytes kept, invalid UTF-8 too")
        << QByteArray("\x80\xff junk\n[Settings]\nTop=1\n\x01\x02\n") << "Top" << "5"
        << QByteArray("\x80\xff junk\n[Settings]\nTop=5\n\x01\x02\n");
    QTest::newRow("blanks at the edges quoted") << QByteArray() << "A" << " x "
                                                << QByteArray("[Settings]\nA=\" x \"\n");
    QTest::newRow("enclosing quotes quoted again") << QByteArray() << "A" << "'x'"
                                                   << QByteArray("[Settings]\nA=\"'x'\"\n");
    QTest::newRow("line breaks never split the line")
        << QByteArray() << "A" << "one\r\n[Evil]\ntwo" << QByteArray("[Settings]\nA=one  [Evil] two\n");
    QTest::newRow("Windows-1252 value read back unchanged keeps its bytes")
        << QByteArray("[Settings]\nA=Caf\xe9\n") << "A" << "Café" << QByteArray("[Settings]\nA=Caf\xe9\n");
    QTest::newRow("value read back unchanged keeps its quotes")
        << QByteArray("[Settings]\nA = 'x' \n") << "A" << "x" << QByteArray("[Settings]\nA = 'x' \n");
    QTest::newRow("UTF-8 written") << QByteArray() << "ExampleText" << u"Ünïcødé 日本"_qs
                                   << QByteArray("[Settings]\nExampleText=Ünïcødé 日本\n");
}

void tst_ModIni::writing()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QCOMPARE(IniWithValue(before, SectionName, key, value), after);

    if (!before.isEmpty())
        writeFile(before);
    writeFileValue(path(), SectionName, key, value);
    QCOMPARE(fileContents(), after);
}

void tst_ModIni::everyValueReadsBackAsWritten_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks only") << u"   "_qs;
    QTest::newRow("quotes only") << u"\"\""_qs;
    QTest::newRow("one quote") << u"'"_qs;
    QTest::newRow("quoted with blanks inside") << u"\" a \""_qs;
    QTest::newRow("semicolon first") << u";not a comment"_qs;
    QTest::newRow("bracket first") << u"[Settings]"_qs;
    QTest::newRow("200 characters") << QString(200, u'é');
    QTest::newRow("emoji") << u"😀 👍🏽"_qs;
    QTest::newRow("starting with U+FEFF") << u"\uFEFF\uFEFFx"_qs;
}

void tst_ModIni::everyValueReadsBackAsWritten()
{
    QFETCH(QString, value);
    writeFile("[Settings]\nA=old\n");
    writeFileValue(path(), SectionName, u"A", value);
    QCOMPARE(readFileValue(path(), SectionName, u"A"), value);
    QCOMPARE(readFileValue(path(), SectionName, u"B"), QString());
}

void tst_ModIni::pathIsBesideTheExecutable()
{
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    QCOMPARE(SettingsFilePath(),
             executable.absolutePath() + u'/' + executable.completeBaseName() + u".ini"_qs);
}

void tst_ModIni::placement_data()
{
    QTest::addColumn<std::optional<QFileDevice::Permissions>>("fileBeside");
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("besideExpected");

    const auto writable = std::optional(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const auto readOnly = std::optional<QFileDevice::Permissions>(QFileDevice::ReadOwner);
    const std::optional<QFileDevice::Permissions> none;
    QTest::newRow("writable file in a read-only folder") << writable << false << true;
    QTest::newRow("no file in a writable folder") << none << true << true;
    QTest::newRow("read-only file in a writable folder") << readOnly << true << false;
    QTest::newRow("no file in a read-only folder") << none << false << false;
}

void tst_ModIni::placement()
{
    QFETCH(std::optional<QFileDevice::Permissions>, fileBeside);
    QFETCH(bool, folderWritable);
    QFETCH(bool, besideExpected);
    if (!besideExpected && ::geteuid() == 0)
        QSKIP("permissions do not bind this user (root)");
    const QTemporaryDir configuration;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configuration.path()));
    const QString beside = m_folder->filePath(u"fontview.ini"_qs);
    if (fileBeside) {
        QVERIFY(QFile(beside).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(beside, *fileBeside));
    }
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    QVERIFY(QFile::setPermissions(m_folder->path(), folderWritable ? readable | QFileDevice::WriteOwner : readable));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(m_folder->path(), readable | QFileDevice::WriteOwner); });

    const SettingsPlace place = PlaceSettings(m_folder->filePath(u"fontview"_qs), u"/usr/bin"_qs);
    QCOMPARE(place.file, besideExpected ? beside : configuration.filePath(u"typeshelf/fontview.ini"_qs));
    QCOMPARE(place.seed, besideExpected ? QString() : beside);
}

void tst_ModIni::installedCopyPlacement_data()
{
    QTest::addColumn<QString>("installedFolder"); // relative to the executable's folder
    QTest::addColumn<QStringList>("administratorsFolders"); // of "first", "second": those with a file
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<QString>("expectedSeed"); // "first", "second", "beside" or "" (none)

    QTest::newRow("installed, nothing to seed from") << "." << QStringList() << false << "beside";
    QTest::newRow("installed, the file beside seeds") << "." << QStringList() << true << "beside";
    QTest::newRow("installed, the administrators' file before the one beside")
        << "." << QStringList{u"first"_qs} << true << "first";
    QTest::newRow("installed, the first administrators' file found")
        << "." << QStringList{u"second"_qs} << true << "second";
    QTest::newRow("installed, the earlier folder wins")
        << "." << QStringList{u"first"_qs, u"second"_qs} << false << "first";
    QTest::newRow("installed folder spelt otherwise") << "sub/.." << QStringList() << false << "beside";
    QTest::newRow("another copy, writable folder: beside, as before")
        << "elsewhere" << QStringList{u"first"_qs} << true << "";
}

// Permissions play no part for an installed copy, so these rows hold for root as well.
void tst_ModIni::installedCopyPlacement()
{
    QFETCH(QString, installedFolder);
    QFETCH(QStringList, administratorsFolders);
    QFETCH(bool, fileBeside);
    QFETCH(QString, expectedSeed);
    const QTemporaryDir configuration;
    const QDir root(configuration.path());
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); qunsetenv("XDG_CONFIG_DIRS"); });
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(u"home"_qs)));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath(u"first"_qs) + u':' + root.filePath(u"second"_qs)));
    for (const QString &folder : administratorsFolders) {
        QVERIFY(root.mkpath(folder + u"/typeshelf"_qs));
        QVERIFY(QFile(root.filePath(folder + u"/typeshelf/fontview.ini"_qs)).open(QIODevice::WriteOnly));
    }
    const QString beside = m_folder->filePath(u"fontview.ini"_qs);
    if (fileBeside)
        QVERIFY(QFile(beside).open(QIODevice::WriteOnly));
    QVERIFY(QDir(m_folder->path()).mkdir(u"sub"_qs));

    const SettingsPlace place = PlaceSettings(m_folder->filePath(u"fontview"_qs),
                                              m_folder->filePath(installedFolder));
    if (expectedSeed.isEmpty()) {
        QCOMPARE(place.file, beside);
        QCOMPARE(place.seed, QString());
        return;
    }
    QCOMPARE(place.file, root.filePath(u"home/typeshelf/fontview.ini"_qs));
    QCOMPARE(place.seed, expectedSeed == u"beside" ? beside : root.filePath(expectedSeed + u"/typeshelf/fontview.ini"_qs));
}

void tst_ModIni::userFileIsSeededAndMadeWithItsFolder()
{
    const QByteArray administrators("; placed by the administrator\n[Settings]\nWidth=6000\n");
    writeFile(administrators);
    const QString userFile = m_folder->filePath(u"configuration/typeshelf/typeshelf.ini"_qs);
    {
        const SettingsTransaction transaction(SettingsPlace{userFile, path()});
        QCOMPARE(ReadIniValue(u"Width"_qs), u"6000"_qs);
        WriteIniValue(u"Height"_qs, u"4500"_qs);
    }
    QCOMPARE(fileContents(), administrators);
    QFile user(userFile);
    QVERIFY(user.open(QIODevice::ReadOnly));
    QCOMPARE(user.readAll(), administrators + "Height=4500\n");
}

void tst_ModIni::missingFileIsCreated()
{
    // Reading alone, as a start-up does, leaves no file behind.
    QCOMPARE(readFileValue(path(), SectionName, u"Left"), QString());
    QVERIFY(!QFileInfo::exists(path()));
    writeFileValue(path(), SectionName, u"Left", u"1"_qs);
    writeFileValue(path(), SectionName, u"Top", u"2"_qs);
    QCOMPARE(fileContents(), QByteArray("[Settings]\nLeft=1\nTop=2\n"));
}

void tst_ModIni::unchangedValueLeavesFileUntouched()
{
    writeFile("[Settings]\nTop=5\n");
    const QDateTime written = QDateTime::currentDateTime().addSecs(-3600);
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();

    writeFileValue(path(), SectionName, u"Top", u"5"_qs);
    QCOMPARE(QFileInfo(path()).lastModified(), written);
}

void tst_ModIni::transactionReplacesTheFileOnce()
{
    const QByteArray original("[Settings]\nLeft=1\nTop=2\n");
    writeFile(original);
    {
        const SettingsTransaction transaction(SettingsPlace{path(), {}});
        WriteIniValue(u"Left"_qs, u"10"_qs);
        WriteIniValue(u"Top"_qs, u"20"_qs);
        QCOMPARE(ReadIniValue(u"Left"_qs), u"10"_qs);
        QCOMPARE(fileContents(), original);
    }
    QCOMPARE(fileContents(), QByteArray("[Settings]\nLeft=10\nTop=20\n"));
}

void tst_ModIni::writingUnderPermissions_data()
{
    QTest::addColumn<QFileDevice::Permissions>("file");
    QTest::addColumn<QFileDevice::Permissions>("folder");
    QTest::addColumn<QByteArray>("after");

    constexpr auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QByteArray unchanged("[Settings]\nTop=1\n");
    QTest::newRow("read-only file") << QFileDevice::Permissions(QFileDevice::ReadOwner)
                                    << QFileDevice::Permissions(all) << unchanged;
    QTest::newRow("unreadable file") << QFileDevice::Permissions(QFileDevice::WriteOwner)
                                     << QFileDevice::Permissions(all) << unchanged;
    QTest::newRow("writable file in a read-only folder")
        << (QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        << (QFileDevice::ReadOwner | QFileDevice::ExeOwner) << QByteArray("[Settings]\nTop=2\n");
}

void tst_ModIni::writingUnderPermissions()
{
    QFETCH(QFileDevice::Permissions, file);
    QFETCH(QFileDevice::Permissions, folder);
    QFETCH(QByteArray, after);
    writeFile("[Settings]\nTop=1\n");
    QVERIFY(QFile::setPermissions(path(), file));
    QVERIFY(QFile::setPermissions(m_folder->path(), folder));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    });
    if (QFileInfo(m_folder->path()).isWritable() && QFileInfo(path()).isReadable() && QFileInfo(path()).isWritable())
        QSKIP("permissions do not bind this user (root)");

    writeFileValue(path(), SectionName, u"Top", u"2"_qs);

    QVERIFY(QFile::setPermissions(path(), QFileDevice::ReadOwner));
    QCOMPARE(fileContents(), after);
}

void tst_ModIni::missingFolderIsNoFailure()
{
    const QString inMissingFolder = m_folder->filePath(u"gone/typeshelf.ini"_qs);
    writeFileValue(inMissingFolder, SectionName, u"Top", u"2"_qs);
    QCOMPARE(readFileValue(inMissingFolder, SectionName, u"Top"), QString());

    // A folder where the file should be is not replaced either.
    QVERIFY(QDir(m_folder->path()).mkdir(u"typeshelf.ini"_qs));
    writeFileValue(path(), SectionName, u"Top", u"2"_qs);
    QVERIFY(QFileInfo(path()).isDir());
    QCOMPARE(readFileValue(path(), SectionName, u"Top"), QString());
}

void tst_ModIni::noRegularFileCountsAsNone_data()
{
    QTest::addColumn<QString>("linkTarget");
    QTest::newRow("FIFO") << QString();
    QTest::newRow("link to /dev/urandom") << u"/dev/urandom"_qs;
    QTest::newRow("link to /dev/zero") << u"/dev/zero"_qs;
}

void tst_ModIni::noRegularFileCountsAsNone()
{
    QFETCH(QString, linkTarget);
    if (linkTarget.isEmpty())
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(linkTarget, path()));

    // On a thread of its own, so that a read that never ends fails instead of hanging the test.
    std::packaged_task<QString()> writeAndRead([file = path()] {
        writeFileValue(file, SectionName, u"Top", u"2"_qs);
        return readFileValue(file, SectionName, u"Top");
    });
    std::future<QString> value = writeAndRead.get_future();
    std::thread(std::move(writeAndRead)).detach();
    QVERIFY2(value.wait_for(std::chrono::seconds(2)) == std::future_status::ready, "the read never ends");
    QCOMPARE(value.get(), QString());
    QVERIFY(!QFileInfo(path()).isFile());
    QCOMPARE(QFileInfo(path()).symLinkTarget(), linkTarget);
}

QTEST_GUILESS_MAIN(tst_ModIni)
#include "tst_modini.moc"
