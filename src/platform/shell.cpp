#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace velmo {

namespace {

// A folder removal only ever starts from an absolute path that names something below the
// root: an empty or relative name would otherwise mean the current folder.
bool removableFolder(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    return !QDir(QDir::cleanPath(path)).isRoot();
}

} // namespace

// ---- DesktopShell

QString DesktopShell::tempFolder()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool DesktopShell::deleteFolder(const QString &path)
{
    if (!removableFolder(path))
        return false;
    const QString clean = QDir::cleanPath(path);
    const QFileInfo info(clean);
    // A link to a folder is removed itself; its target's contents are not ours to delete.
    if (info.isSymLink())
        return QFile::remove(clean);
    if (!info.exists())
        return true;
    if (!info.isDir())
        return false;
    QDir(clean).removeRecursively();
    return !QFileInfo::exists(clean);
}

bool DesktopShell::openDocument(const QString &pathOrUrl)
{
    if (pathOrUrl.isEmpty())
        return false;
    QUrl url;
    if (QDir::isAbsolutePath(pathOrUrl)) {
        url = QUrl::fromLocalFile(pathOrUrl);
    } else {
        url = QUrl(pathOrUrl, QUrl::TolerantMode);
        if (url.scheme().isEmpty())
            url = QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath());
    }
    if (!url.isValid())
        return false;
    return QDesktopServices::openUrl(url);
}

// ---- RecordingShell

QString RecordingShell::tempFolder()
{
    QString folder = temp_.isEmpty() ? QDir::tempPath() : temp_;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool RecordingShell::deleteFolder(const QString &path)
{
    deleted_ << path;
    if (deleteFails_)
        return false;
    return DesktopShell().deleteFolder(path);
}

bool RecordingShell::openDocument(const QString &pathOrUrl)
{
    opened_ << pathOrUrl;
    return openResult_;
}

} // namespace velmo
