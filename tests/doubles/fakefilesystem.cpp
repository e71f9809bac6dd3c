#include "doubles/fakefilesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmo {

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

// ---- FakeFileSystem -------------------------------------------------------------------

FakeFileSystem::FakeFileSystem(QString trashFolder) : trashFolder_(std::move(trashFolder)) {}

bool FakeFileSystem::writeFileAtomic(const QString &path, QByteArrayView data, QString *error,
                                     const QString &previous)
{
    const bool ok = LocalFileSystem::writeFileAtomic(path, data, error, previous);
    if (ok)
        ++writes_;
    return ok;
}

qint64 FakeFileSystem::freeSpaceFor(const QString &path) const
{
    return freeSpace_ ? *freeSpace_ : LocalFileSystem::freeSpaceFor(path);
}

DriveKind FakeFileSystem::driveKind(const QString &path) const
{
    return kind_ ? *kind_ : LocalFileSystem::driveKind(path);
}

bool FakeFileSystem::moveToTrash(const QString &path, QString *pathInTrash)
{
    if (refuseTrash_ || !fileExists(path) || !QDir().mkpath(trashFolder_))
        return false;
    const QString name = QFileInfo(path).fileName();
    QString target = QDir(trashFolder_).filePath(name);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = QDir(trashFolder_).filePath(QStringLiteral("%1.%2").arg(name).arg(n));
    if (!QFile::rename(path, target))
        return false;
    trashed_.append(QFileInfo(path).absoluteFilePath());
    if (pathInTrash)
        *pathInTrash = target;
    return true;
}

bool FakeFileSystem::restoreFromTrash(const QString &pathInTrash, const QString &originalPath)
{
    if (pathInTrash.isEmpty() || QFileInfo::exists(originalPath)
        || !QFile::rename(pathInTrash, originalPath))
        return false;
    trashed_.removeOne(QFileInfo(originalPath).absoluteFilePath());
    return true;
}

qint64 FakeFileSystem::writeChunk(QFileDevice &file, qint64 offset, const char *data,
                                  qint64 size, QString *error)
{
    if (failAfter_ && offset + size > *failAfter_) {
        // Like a full disk: what fits is written, then the device refuses.
        const qint64 fits = std::max<qint64>(0, *failAfter_ - offset);
        if (fits > 0)
            file.write(data, fits);
        setError(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        return -1;
    }
    return LocalFileSystem::writeChunk(file, offset, data, size, error);
}

bool FakeFileSystem::readAllowed(const QString &path) const
{
    return !failReads_ && LocalFileSystem::readAllowed(path);
}

} // namespace velmo
