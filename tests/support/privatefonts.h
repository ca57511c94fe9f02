#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <utility>

// The only fonts a test sees: copies of DejaVu faces in a fontconfig configuration of its own,
// whose rules give them the names and foundries of fonts found in the wild. Make it before
// anything asks fontconfig.
class PrivateFonts
{
    Q_DISABLE_COPY_MOVE(PrivateFonts)
public:
    // Each copy names a DejaVu file and the copy's file name; the rules are fontconfig's XML.
    PrivateFonts(std::initializer_list<std::pair<const char *, const char *>> copies, const QString &rules)
    {
        const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
        for (const auto &[source, copy] : copies)
            QFile::copy(dejavu + QLatin1StringView(source), m_folder.filePath(QLatin1StringView(copy)));

        const QString config = m_folder.filePath(QStringLiteral("fonts.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(config));
        file.write(QStringLiteral(R"(<?xml version="1.0"?>
<fontconfig>
  <dir>%1</dir>
  <cachedir>%1/cache</cachedir>
%2</fontconfig>
)").arg(m_folder.path(), rules).toUtf8());
        qputenv("FONTCONFIG_FILE", QFile::encodeName(config));
    }

private:
    QTemporaryDir m_folder;
};
