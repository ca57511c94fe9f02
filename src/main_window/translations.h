// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <vector>

// Where the program's own catalogues are looked for: where the install puts them, relative to
// the executable, then beside it in "translations", where the build tree has them.
QStringList OwnTranslationFolders();

// Qt's catalogues and ours for the locale, installed in the application while this lives. A
// right-to-left language lays the interface out right to left: Qt reads the direction from its
// own catalogue, so this is applied at once, before any window shows, and undone at the end.
class Translations
{
    Q_DISABLE_COPY_MOVE(Translations)

public:
    explicit Translations(const QLocale &locale, const QStringList &ownFolders = OwnTranslationFolders());
    ~Translations();

private:
    bool install(const QLocale &locale, const QString &catalogue, const QString &folder);

    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
