// Places where a fault of the file system can be switched on: a small tmpfs of our own that
// runs full or becomes read-only, a folder this process may not write, a file that turns
// into a folder. Mounting needs root; a place that cannot be had says why.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace velmo::testing {

inline QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A tmpfs of `size` (e.g. "512k") mounted on a fresh folder, unmounted at the end.
class ScopedTmpfs {
public:
    explicit ScopedTmpfs(const char *size)
    {
        path_ = dir_.filePath(QStringLiteral("mnt"));
        QDir().mkpath(path_);
        const QByteArray options = QByteArray("size=") + size + ",mode=0755";
        if (::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) == 0)
            mounted_ = true;
        else
            reason_ = std::string("mounting a tmpfs was refused: ") + std::strerror(errno);
    }
    ~ScopedTmpfs()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string &reason() const { return reason_; }
    QString path() const { return path_; }
    // Everything on it stays; nothing more can be written.
    bool makeReadOnly()
    {
        return ::mount(nullptr, QFile::encodeName(path_).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    }
    // Fills every byte that is left with a file of its own.
    bool fill(const QString &name)
    {
        QFile filler(path_ + QLatin1Char('/') + name);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        return freeBytes() < block.size();
    }
    qint64 freeBytes() const
    {
        struct statvfs st {};
        return ::statvfs(QFile::encodeName(path_).constData(), &st) == 0 ? qint64(st.f_bavail) * qint64(st.f_frsize) : -1;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    std::string reason_;
    bool mounted_ = false;
};

// This thread's file accesses run as the unprivileged user "nobody" while this lives, so that
// permission bits stop them even in a test run as root (the file-system uid drops root's
// overriding capabilities). Without root the process is stopped by the bits as it is.
class ScopedUnprivileged {
public:
    static constexpr uid_t kNobody = 65534;
    ScopedUnprivileged()
    {
        if (::geteuid() == 0) {
            ::setfsgid(kNobody);
            ::setfsuid(kNobody);
            active_ = true;
        }
    }
    ~ScopedUnprivileged()
    {
        if (active_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }

private:
    bool active_ = false;
};

} // namespace velmo::testing
