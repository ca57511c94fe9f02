// SPDX-License-Identifier: MIT
#include "fontwatch.h"

#include <fontconfig/fontconfig.h>

#include <QFile>

#include <memory>

namespace {

constexpr int SettleMilliseconds = 500;

} // namespace

FontWatch::FontWatch(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMilliseconds);
    connect(&m_folders, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_settle, &QTimer::timeout, this, &FontWatch::reread);
    watchFontFolders();
}

void FontWatch::check()
{
    if (!FcConfigUptoDate(nullptr))
        reread();
}

// Fontconfig compares times to the second, so a change seen by the watch is taken as such.
void FontWatch::reread()
{
    FcInitReinitialize();
    watchFontFolders();
    Q_EMIT fontsChanged();
}

void FontWatch::watchFontFolders()
{
    if (const QStringList watched = m_folders.directories(); !watched.isEmpty())
        m_folders.removePaths(watched);
    const std::unique_ptr<FcStrList, decltype(&FcStrListDone)> folders(FcConfigGetFontDirs(nullptr),
                                                                       &FcStrListDone);
    QStringList existing;
    while (const FcChar8 *folder = folders ? FcStrListNext(folders.get()) : nullptr) {
        const QString path = QFile::decodeName(reinterpret_cast<const char *>(folder));
        if (QFile::exists(path))
            existing << path;
    }
    if (!existing.isEmpty())
        m_folders.addPaths(existing);
}
