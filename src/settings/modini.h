// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The settings file: an INI file named after the executable, one section.
//
// The format follows the classic private-profile rules: names match without regard to case,
// blanks around names and values do not count, one pair of matching quotes around a value is
// removed, ";" starts a comment line, the first of duplicate keys and sections wins. Writing
// changes only the line of the key concerned, and only when the value differs from the one
// read; every other byte of the file stays as it was. Values are UTF-8; one whose bytes are
// not reads as Windows-1252, the legacy encoding of files written by Windows editors.
// Only regular files are read, and only as far as they reached when opened: anything else in
// the file's place (a FIFO, a device, a folder) counts as no file and is never written.
// Keys are plain names: no "=", no line break, not starting with "[" or ";".
namespace modIni {

inline constexpr QStringView SectionName = u"Settings";

// Where the settings of an executable live. A copy run from `installedFolder`, where the build
// installs the program, keeps them in the user's configuration folder (<its name>.ini in
// "typeshelf"), seeded by the first such file in $XDG_CONFIG_DIRS, else by the file beside it.
// Any other copy keeps them in the file beside it, named after it, where this user may write
// that file; otherwise in the user's configuration folder, seeded by the file beside it.
struct SettingsPlace
{
    QString file; // read and written
    QString seed; // for the user's own file: read while `file` does not exist; else empty
};
SettingsPlace PlaceSettings(const QString &executable, const QString &installedFolder);

// Where the running program's settings are written.
QString SettingsFilePath();

// The key's value in the program's settings; empty when the file, section or key is missing.
QString ReadIniValue(const QString &key);

// Stores the value in the program's settings. Failures are silent and never destructive:
// a file that cannot be read or written, or a folder that cannot be written, stays as it was.
void WriteIniValue(const QString &key, const QString &value);

// Reads the file once and gathers the writes made while it lives, its own and WriteIniValue's
// on this thread, in a copy of it (which ReadIniValue then reads); when it ends, replaces the
// file once if anything was written: a process killed meanwhile leaves the old file or the new
// one, and two copies of the program saving at once leave the one or the other, never a mix.
class SettingsTransaction
{
    Q_DISABLE_COPY_MOVE(SettingsTransaction)
public:
    // The running program's settings.
    SettingsTransaction();
    explicit SettingsTransaction(const SettingsPlace &place);
    ~SettingsTransaction();

    QString Read(QStringView section, QStringView key) const;
    void Write(QStringView section, QStringView key, const QString &value);

private:
    QString m_path;
    bool m_fileExists = false;
    bool m_mayWrite = false;
    bool m_makeFolder = false;
    bool m_written = false;
    QByteArray m_before;
    QByteArray m_contents;
    SettingsTransaction *m_enclosing = nullptr;
};

// The same rules on the file's bytes.
QString ValueInIni(const QByteArray &contents, QStringView section, QStringView key);
QByteArray IniWithValue(const QByteArray &contents, QStringView section, QStringView key,
                        const QString &value);

} // namespace modIni
