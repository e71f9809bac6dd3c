#include "doubles/recordingshell.h"

#include <QDir>

namespace velmo {

// ---- RecordingShell

QString RecordingShell::tempFolder()
{
    QString folder = temp_.isEmpty() ? QDir::tempPath() : temp_;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

bool RecordingShell::openDocument(const QString &pathOrUrl)
{
    opened_ << pathOrUrl;
    return openResult_;
}

bool RecordingShell::openAddress(const QUrl &address)
{
    addresses_ << address;
    return openResult_;
}

} // namespace velmo
