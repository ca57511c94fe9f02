#include "modini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <optional>

namespace modIni {

namespace {

constexpr QByteArrayView Utf8ByteOrderMark = "\xEF\xBB\xBF";

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

// Every character as it stands: a value may well start with U+FEFF, which a plain decoder
// would drop as a byte-order mark.
QString decoded(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(utf8);
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

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return contents;
}

} // namespace

QString SettingsFilePath()
{
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    return QDir(executable.absolutePath()).filePath(executable.completeBaseName() + QLatin1StringView(".ini"));
}

SettingsLock::SettingsLock()
    : m_lock(SettingsFilePath() + QLatin1StringView(".lock"))
{
    m_lock.tryLock(2000);
}

SettingsLock::~SettingsLock() = default;

QString ReadIniValue(const QString &key)
{
    return ReadIniFileValue(SettingsFilePath(), SectionName, key);
}

void WriteIniValue(const QString &key, const QString &value)
{
    WriteIniFileValue(SettingsFilePath(), SectionName, key, value);
}

QString ReadIniFileValue(const QString &path, QStringView section, QStringView key)
{
    return ValueInIni(readFile(path).value_or(QByteArray()), section, key);
}

void WriteIniFileValue(const QString &path, QStringView section, QStringView key,
                       const QString &value)
{
    const QFileInfo info(path);
    QByteArray before;
    if (info.exists()) {
        // A file we cannot read or may not write is the user's; leave it exactly as it is.
        const std::optional<QByteArray> contents = info.isFile() && info.isWritable()
            ? readFile(path) : std::nullopt;
        if (!contents)
            return;
        before = *contents;
    }
    const QByteArray after = IniWithValue(before, section, key, value);
    if (info.exists() && after == before)
        return;

    // Written beside the old file and renamed over it: a crash mid-write leaves the old file.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(after) == after.size())
        file.commit();
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
