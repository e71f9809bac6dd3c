#include "platform/system.h"

#include <QCoreApplication>

namespace velmo {

QString SystemInfo::withExtension(const QString &path, const QString &extension)
{
    // Only a dot in the file's own name starts an extension, not one in a folder name.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? path.left(dot) : path;
    return stem + extension;
}

QString ProcessSystemInfo::programPath() const
{
    return QCoreApplication::applicationFilePath();
}

} // namespace velmo
