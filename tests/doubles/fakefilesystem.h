// The local file system with failures injected where the operating system would report them.
#pragma once

#include "platform/filesystem.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace velmo {

// Test double: the real file system (tests work on real files in a temporary folder) with
// failures injected at the bottom, where the operating system would report them. Tests
// run as root, so permission bits cannot make a write fail; this can.
class FakeFileSystem : public LocalFileSystem {
public:
    // trashFolder stands in for the desktop trash: moveToTrash moves files there.
    explicit FakeFileSystem(QString trashFolder);

    // Every path is on a drive of this kind (unset: the real kind).
    void setDriveKind(std::optional<DriveKind> kind) { kind_ = kind; }
    // Every file system has this many bytes free (-1: cannot be told; unset: the real count).
    void setFreeSpace(std::optional<qint64> bytes) { freeSpace_ = bytes; }
    // Writes and copies stop with "No space left on device" after this many bytes of
    // the file (unset: they do not fail).
    void failWritesAfter(std::optional<qint64> bytes) { failAfter_ = bytes; }
    void failReads(bool fail) { failReads_ = fail; }
    void refuseTrash(bool refuse) { refuseTrash_ = refuse; }

    // Original paths of the files moved into the trash, oldest first.
    QStringList trashed() const { return trashed_; }
    // Successful atomic writes so far.
    int writes() const { return writes_; }

    bool writeFileAtomic(const QString &path, QByteArrayView data, QString *error = nullptr,
                         const QString &previous = {}) override;
    qint64 freeSpaceFor(const QString &path) const override;
    DriveKind driveKind(const QString &path) const override;
    bool moveToTrash(const QString &path, QString *pathInTrash = nullptr) override;
    bool restoreFromTrash(const QString &pathInTrash, const QString &originalPath) override;

protected:
    qint64 writeChunk(QFileDevice &file, qint64 offset, const char *data, qint64 size,
                      QString *error) override;
    bool readAllowed(const QString &path) const override;

private:
    QString trashFolder_;
    std::optional<DriveKind> kind_;
    std::optional<qint64> freeSpace_;
    std::optional<qint64> failAfter_;
    bool failReads_ = false;
    bool refuseTrash_ = false;
    QStringList trashed_;
    int writes_ = 0;
};

} // namespace velmo
