// SPDX-License-Identifier: MIT
#include "fontwatch.h"

#include <fontconfig/fontconfig.h>

#include <QFile>
#include <QFileInfo>

#include <memory>
#include <utility>

namespace {

constexpr int SettleMilliseconds = 500;

} // namespace

FontWatch::FontWatch(QObject *parent)
    : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMilliseconds);
    connect(&m_folders, &QFileSystemWatcher::directoryChanged, this, &FontWatch::noteChange);
    connect(&m_settle, &QTimer::timeout, this, &FontWatch::settled);
    watchFontFolders();
}

void FontWatch::noteChange(const QString &folder)
{
    m_fontFolderChanged = m_fontFolderChanged || m_fontFolders.contains(folder);
    m_settle.start();
}

// A change in a font folder is taken as one, since fontconfig compares times to the second;
// one in a folder above a font folder yet to be made may be anything, and fontconfig judges.
void FontWatch::settled()
{
    if (std::exchange(m_fontFolderChanged, false))
        reread();
    else
        check();
}

void FontWatch::check()
{
    if (!FcConfigUptoDate(nullptr))
        reread();
}

void FontWatch::reread()
{
    FcInitReinitialize();
    watchFontFolders();
    Q_EMIT fontsChanged();
}

// Font folders that do not exist yet (a user's own, before the first font is installed) are
// watched through the nearest folder above them that does.
void FontWatch::watchFontFolders()
{
    if (const QStringList watched = m_folders.directories(); !watched.isEmpty())
        m_folders.removePaths(watched);
    const std::unique_ptr<FcStrList, decltype(&FcStrListDone)> folders(FcConfigGetFontDirs(nullptr),
                                                                       &FcStrListDone);
    m_fontFolders.clear();
    QSet<QString> watched;
    while (const FcChar8 *folder = folders ? FcStrListNext(folders.get()) : nullptr) {
        QString path = QFile::decodeName(reinterpret_cast<const char *>(folder));
        if (QFileInfo::exists(path))
            m_fontFolders.insert(path);
        while (!path.isEmpty() && !QFileInfo::exists(path))
            path = QFileInfo(path).path() == path ? QString() : QFileInfo(path).path();
        if (!path.isEmpty())
            watched.insert(path);
    }
    if (!watched.isEmpty())
        m_folders.addPaths(watched.values());
}
