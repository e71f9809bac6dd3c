#include "platform/system.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace velmo {

QString SystemInfo::withExtension(const QString &path, const QString &extension)
{
    // Only a dot in the file's own name starts an extension, not one in a folder name.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? path.left(dot) : path;
    return stem + extension;
}

ProgramFiles programFilesFor(const QString &programPath, bool folderWritable, const QString &configHome)
{
    const QFileInfo program(programPath);
    const QDir folder = program.absoluteDir();
    const QString data = QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("../share/velmo")));
    const QString name = program.completeBaseName().isEmpty() ? QStringLiteral("velmo") : program.completeBaseName();
    const bool dataInstalled = folder.dirName() == QLatin1String("bin")
                               && QFileInfo::exists(data + QLatin1Char('/') + name + QStringLiteral(".rtf"));
    ProgramFiles files;
    if (folderWritable && !dataInstalled) {
        files.settings = SystemInfo::withExtension(programPath, QStringLiteral(".ini"));
        files.guide = SystemInfo::withExtension(programPath, QStringLiteral(".rtf"));
        files.help = SystemInfo::withExtension(programPath, QStringLiteral(".html"));
        return files;
    }
    files.installed = true;
    files.settings = QDir::cleanPath(configHome + QStringLiteral("/velmo/") + name + QStringLiteral(".ini"));
    files.guide = data + QLatin1Char('/') + name + QStringLiteral(".rtf");
    files.help = data + QLatin1Char('/') + name + QStringLiteral(".html");
    return files;
}

ProcessSystemInfo::ProcessSystemInfo()
{
    const QString program = programPath();
    const bool writable = ::access(QFile::encodeName(QFileInfo(program).absolutePath()).constData(), W_OK) == 0;
    // An empty or relative $XDG_CONFIG_HOME counts as unset: settings go under ~/.config.
    QString config = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    files_ = programFilesFor(program, writable, config);
    if (files_.installed)
        QDir().mkpath(QFileInfo(files_.settings).absolutePath());
}

QString ProcessSystemInfo::programPath() const
{
    return QCoreApplication::applicationFilePath();
}

} // namespace velmo
