#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QStringView>

// The settings file: an INI file beside the executable, named after it, one section.
//
// The format follows the classic private-profile rules: names match without regard to case,
// blanks around names and values do not count, one pair of matching quotes around a value is
// removed, ";" starts a comment line, the first of duplicate keys and sections wins. Writing
// changes only the line of the key concerned; every other byte of the file stays as it was.
// Keys are plain names: no "=", no line break, not starting with "[" or ";".
namespace modIni {

inline constexpr QStringView SectionName = u"Settings";

// <folder of the executable>/<its name without extension>.ini
QString SettingsFilePath();

// The key's value in the program's settings file; empty when the file, section or key is missing.
QString ReadIniValue(const QString &key);

// Stores the value in the program's settings file. Failures are silent and never destructive:
// a file that cannot be read or written, or a folder that cannot be written, stays as it was.
void WriteIniValue(const QString &key, const QString &value);

// Holds the program's settings file for a sequence of writes, so that another copy of the
// program saving at the same moment cannot interleave its values with these: the file ends
// as one copy or the other saved it. Waits a moment at most; past that the writes go ahead.
class SettingsLock
{
    Q_DISABLE_COPY_MOVE(SettingsLock)
public:
    SettingsLock();
    ~SettingsLock();

private:
    QLockFile m_lock;
};

// The same rules on any file and on the file's bytes.
QString ReadIniFileValue(const QString &path, QStringView section, QStringView key);
void WriteIniFileValue(const QString &path, QStringView section, QStringView key,
                       const QString &value);
QString ValueInIni(const QByteArray &contents, QStringView section, QStringView key);
QByteArray IniWithValue(const QByteArray &contents, QStringView section, QStringView key,
                        const QString &value);

} // namespace modIni
