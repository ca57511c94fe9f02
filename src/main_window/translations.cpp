// SPDX-License-Identifier: MIT
#include "translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLibraryInfo>

namespace {

// The application takes its layout direction from Qt's catalogue on this event, which would
// otherwise wait for the event loop.
void applyLanguageChange()
{
    QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::LanguageChange);
}

} // namespace

QStringList OwnTranslationFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral(TYPESHELF_TRANSLATIONS_FROM_BINDIR))),
            program.filePath(QStringLiteral("translations"))};
}

Translations::Translations(const QLocale &locale, const QStringList &ownFolders)
{
    install(locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    for (const QString &folder : ownFolders) {
        if (install(locale, QStringLiteral("typeshelf"), folder))
            break;
    }
    applyLanguageChange();
}

Translations::~Translations()
{
    m_translators.clear(); // each one leaves the application as it goes
    applyLanguageChange();
}

bool Translations::install(const QLocale &locale, const QString &catalogue, const QString &folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, catalogue, QStringLiteral("_"), folder)
        || !QCoreApplication::installTranslator(translator.get()))
        return false;
    m_translators.push_back(std::move(translator));
    return true;
}
