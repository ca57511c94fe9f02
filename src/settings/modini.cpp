// SPDX-License-Identifier: MIT
#include "modini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <array>

namespace modIni {

namespace {

constexpr QByteArrayView Utf8ByteOrderMark = "\xEF\xBB\xBF";

// The folder in the user's configuration folder that holds the user's settings.
constexpr QLatin1StringView UserSettingsFolder("typeshelf");

// Windows-1252 is Latin-1 but for 0x80-0x9F; the five bytes it leaves undefined map to the C1
// controls, as Windows maps them.
constexpr std::array<char16_t, 32> Windows1252From0x80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

thread_local SettingsTransaction *currentTransaction = nullptr;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One line of the file as offsets into its bytes.
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;  // where the line break (or the file) starts
    qsizetype next = 0; // where the next line starts
    bool hasBreak() const { return next > end; }
};

// A line's meaning: a section header, a key entry, or anything else (blank, comment, junk).
struct Entry
{
    enum class Kind { Other, Section, Key } kind = Kind::Other;
    QByteArrayView name;
    qsizetype valueBegin = 0; // just after "=" and the blanks that follow it
    QByteArrayView value;     // without the blanks around it
};

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

std::vector<Line> splitLines(const QByteArray &contents)
{
    std::vector<Line> lines;
    qsizetype begin = contents.startsWith(Utf8ByteOrderMark) ? Utf8ByteOrderMark.size() : 0;
    while (begin < contents.size()) {
        qsizetype end = begin;
        while (end < contents.size() && contents[end] != '\r' && contents[end] != '\n')
            ++end;
        qsizetype next = end;
        if (next < contents.size())
            next += contents[next] == '\r' && next + 1 < contents.size() && contents[next + 1] == '\n' ? 2 : 1;
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

Entry parse(const QByteArray &contents, const Line &line)
{
    const QByteArrayView text = QByteArrayView(contents).sliced(line.begin, line.end - line.begin);
    const QByteArrayView content = trimmed(text);
    if (content.startsWith('[')) {
        const qsizetype close = content.indexOf(']');
        return {Entry::Kind::Section, trimmed(content.sliced(1, (close < 0 ? content.size() : close) - 1)), 0, {}};
    }
    const qsizetype equals = text.indexOf('=');
    if (content.startsWith(';') || equals < 0)
        return {};
    qsizetype valueBegin = equals + 1;
    while (valueBegin < text.size() && isBlank(text[valueBegin]))
        ++valueBegin;
    return {Entry::Kind::Key, trimmed(text.first(equals)), line.begin + valueBegin,
            trimmed(text.sliced(valueBegin))};
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    std::transform(bytes.begin(), bytes.end(), text.begin(), [](char byte) {
        const auto code = static_cast<unsigned char>(byte);
        return QChar(code >= 0x80 && code < 0xA0 ? Windows1252From0x80[code - 0x80] : code);
    });
    return text;
}

// Decided per value, so that legacy bytes elsewhere never change how a UTF-8 value reads.
// Every character as it stands: a value may well start with U+FEFF, which a plain decoder
// would drop as a byte-order mark.
QString decoded(QByteArrayView bytes)
{
    // Stateless: a sequence cut short at the end is an error, not a wait for more bytes.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    return decoder.hasError() ? fromWindows1252(bytes) : text;
}

bool sameName(QByteArrayView stored, QStringView wanted)
{
    return decoded(stored).compare(wanted, Qt::CaseInsensitive) == 0;
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

bool isEnclosedInQuotes(QStringView value)
{
    return value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
}

// Where a section's lines are: its header and the key entries under it.
struct SectionLines
{
    std::optional<std::size_t> header;
    std::optional<std::size_t> key;       // the first entry of the wanted key
    std::optional<std::size_t> lastEntry; // the section's last key entry
};

SectionLines findSection(const QByteArray &contents, const std::vector<Line> &lines,
                         QStringView section, QStringView key)
{
    SectionLines found;
    bool inSection = false;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const Entry entry = parse(contents, lines[index]);
        if (entry.kind == Entry::Kind::Section) {
            // Only the first section of that name counts.
            inSection = !found.header && sameName(entry.name, section);
            if (inSection)
                found.header = index;
        } else if (inSection && entry.kind == Entry::Kind::Key) {
            found.lastEntry = index;
            if (!found.key && sameName(entry.name, key))
                found.key = index;
        }
    }
    return found;
}

// New lines follow the file's own line breaks; a file without any gets LF.
QByteArray lineBreakStyle(const QByteArray &contents)
{
    for (qsizetype index = 0; index < contents.size(); ++index) {
        if (contents[index] == '\n')
            return "\n";
        if (contents[index] == '\r')
            return contents.sliced(index + 1).startsWith('\n') ? "\r\n" : "\r";
    }
    return "\n";
}

// The value as it must stand in the file to read back as it is, on one line.
QByteArray storedForm(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    const bool blankAtEdge = !value.isEmpty()
        && (isBlank(value.front().toLatin1()) || isBlank(value.back().toLatin1()));
    if (blankAtEdge || isEnclosedInQuotes(value))
        value = u'"' + value + u'"';
    return value.toUtf8();
}

// A regular file's bytes up to the size it had when opened; nothing for anything else, which
// could block (a FIFO without a writer), never end (a device) or be a folder. A file that
// another program keeps appending to is read as far as it reached.
std::optional<QByteArray> readFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray contents = file.read(file.size());
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return contents;
}

bool isRegularWritableFile(const QFileInfo &info)
{
    return info.isFile() && info.isWritable();
}

// The file when it exists, else the seed; nothing for either when it is not a regular file.
std::optional<QByteArray> readPlace(const SettingsPlace &place)
{
    if (QFileInfo::exists(place.file) || place.seed.isEmpty())
        return readFile(place.file);
    return readFile(place.seed);
}

// The folder's one spelling, symbolic links resolved, so that /bin and /usr/bin compare equal
// where one links to the other; a folder that does not exist (or none) as written.
QString canonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

// The first settings file an administrator placed in $XDG_CONFIG_DIRS; empty when none.
QString administratorsFile(const QString &name)
{
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation)) {
        const QString candidate = QDir(folder).filePath(UserSettingsFolder + u'/' + name);
        if (folder != userFolder && QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

} // namespace

SettingsPlace PlaceSettings(const QString &executable, const QString &installedFolder)
{
    const QFileInfo program(executable);
    const QString name = program.completeBaseName() + QLatin1StringView(".ini");
    const QString beside = QDir(program.absolutePath()).filePath(name);
    const QString userFile = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                 .filePath(UserSettingsFolder + u'/' + name);
    // An installed copy's folder belongs to the system, whoever runs it (root too).
    if (canonicalFolder(program.absolutePath()) == canonicalFolder(installedFolder)) {
        const QString administrators = administratorsFile(name);
        return {userFile, administrators.isEmpty() ? beside : administrators};
    }
    const QFileInfo besideInfo(beside);
    const bool mayWriteBeside = besideInfo.exists() ? besideInfo.isWritable()
                                                    : QFileInfo(program.absolutePath()).isWritable();
    if (mayWriteBeside)
        return {beside, {}};
    return {userFile, beside};
}

// Worked out once: the answer depends on the file system, which the run's own writes change.
const SettingsPlace &programSettings()
{
    static const SettingsPlace place = PlaceSettings(QCoreApplication::applicationFilePath(),
                                                     QStringLiteral(TYPESHELF_INSTALLED_BINDIR));
    return place;
}

QString SettingsFilePath()
{
    return programSettings().file;
}

QString ReadIniValue(const QString &key)
{
    if (currentTransaction)
        return currentTransaction->Read(SectionName, key);
    return ValueInIni(readPlace(programSettings()).value_or(QByteArray()), SectionName, key);
}

void WriteIniValue(const QString &key, const QString &value)
{
    if (currentTransaction)
        currentTransaction->Write(SectionName, key, value);
    else
        SettingsTransaction().Write(SectionName, key, value);
}

SettingsTransaction::SettingsTransaction()
    : SettingsTransaction(programSettings())
{
}

SettingsTransaction::SettingsTransaction(const SettingsPlace &place)
    : m_path(place.file)
    , m_fileExists(QFileInfo::exists(place.file))
    , m_makeFolder(!place.seed.isEmpty())
    , m_enclosing(std::exchange(currentTransaction, this))
{
    const std::optional<QByteArray> contents = readPlace(place);
    m_before = m_contents = contents.value_or(QByteArray());
    // A file we cannot read or may not write is the user's; leave it exactly as it is. A seed
    // that cannot be read seeds nothing.
    m_mayWrite = !m_fileExists || (contents && isRegularWritableFile(QFileInfo(m_path)));
}

SettingsTransaction::~SettingsTransaction()
{
    currentTransaction = m_enclosing;
    if (!m_written || !m_mayWrite || (m_fileExists && m_contents == m_before))
        return;
    if (m_makeFolder)
        QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Written beside the old file and renamed over it: a crash mid-write leaves the old file.
    // Where the folder takes no new file, the file itself is written, as it may be.
    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(m_contents) == m_contents.size())
        file.commit();
}

QString SettingsTransaction::Read(QStringView section, QStringView key) const
{
    return ValueInIni(m_contents, section, key);
}

void SettingsTransaction::Write(QStringView section, QStringView key, const QString &value)
{
    m_contents = IniWithValue(m_contents, section, key, value);
    m_written = true;
}

QString ValueInIni(const QByteArray &contents, QStringView section, QStringView key)
{
    const std::vector<Line> lines = splitLines(contents);
    const SectionLines found = findSection(contents, lines, section, key);
    if (!found.key)
        return {};
    const QString value = decoded(parse(contents, lines[*found.key]).value);
    return isEnclosedInQuotes(value) ? value.sliced(1, value.size() - 2) : value;
}

QByteArray IniWithValue(const QByteArray &contents, QStringView section, QStringView key,
                        const QString &value)
{
    const std::vector<Line> lines = splitLines(contents);
    const SectionLines found = findSection(contents, lines, section, key);
    const QByteArray lineBreak = lineBreakStyle(contents);
    const QByteArray entry = key.toUtf8() + '=' + storedForm(value);

    QByteArray result = contents;
    if (found.key) {
        if (ValueInIni(contents, section, key) == value)
            return result; // the user's spelling and encoding stay
        // Only the value changes; the file's own spelling of the key and its layout stay.
        const Line &line = lines[*found.key];
        const qsizetype valueBegin = parse(contents, line).valueBegin;
        return result.replace(valueBegin, line.end - valueBegin, storedForm(value));
    }
    if (found.header) {
        const Line &after = lines[found.lastEntry.value_or(*found.header)];
        if (after.hasBreak())
            return result.insert(after.next, entry + lineBreak);
        return result.insert(after.end, lineBreak + entry);
    }
    const bool endsInOpenLine = !lines.empty() && !lines.back().hasBreak();
    if (endsInOpenLine)
        result += lineBreak;
    return result + '[' + section.toUtf8() + ']' + lineBreak + entry + lineBreak;
}

} // namespace modIni
