#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace velmo {

// ---- DesktopShell

QString DesktopShell::tempFolder()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
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

bool DesktopShell::openAddress(const QUrl &address)
{
    return address.isValid() && QDesktopServices::openUrl(address);
}

} // namespace velmo
