// SPDX-License-Identifier: MIT
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>

// Notices fonts being installed, removed or replaced while the program runs: fontconfig's
// font folders are watched, and checked again whenever asked (when the window is activated,
// for folders that did not exist to be watched). On a change fontconfig rereads its
// configuration, so that the next listing sees the fonts as they now are.
class FontWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FontWatch)

public:
    explicit FontWatch(QObject *parent = nullptr);

    // Rereads fontconfig's configuration if its fonts changed, and then says so.
    void check();

Q_SIGNALS:
    void fontsChanged();

private:
    void noteChange(const QString &folder);
    void settled();
    void reread();
    void watchFontFolders();

    QFileSystemWatcher m_folders;
    QSet<QString> m_fontFolders; // those that exist; the rest are watched from above
    bool m_fontFolderChanged = false;
    // Copying a family's files is many changes in a row: one check follows the last of them.
    QTimer m_settle;
};
