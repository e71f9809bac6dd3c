#include "platform/filesystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velmo {

namespace {

constexpr qint64 kChunk = 1 << 20;

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Mount points and sources escape blanks, tabs, new lines and backslashes as \ooo.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray oct = field.mid(i + 1, 3);
            if (std::all_of(oct.begin(), oct.end(), [](char d) { return d >= '0' && d <= '7'; })) {
                out.append(char(oct.toInt(nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromLocal8Bit(out);
}

bool isNetworkFsType(const QString &type)
{
    static const QStringList kinds = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "ncp", "afs", "coda", "9p",
        "ceph", "glusterfs", "lustre", "davfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs",
        "fuse.glusterfs", "fuse.cephfs", "fuse.curlftpfs", "fuse.smbnetfs", "fuse.davfs2",
        "fuse.gvfsd-fuse", "fuse.gcsfuse", "fuse.juicefs", "fuse.afpfs"};
    return kinds.contains(type) || type.startsWith(QLatin1String("nfs"));
}

// Network file systems by their super-block magic, as statfs(2) reports it.
bool isNetworkMagic(unsigned long magic)
{
    switch (magic) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x564C:     // NCP
    case 0x5346414F: // AFS
    case 0x73757245: // Coda
    case 0x01021997: // 9P
    case 0x00C36400: // Ceph
        return true;
    default:
        return false;
    }
}

// Whether the block device behind a disk mount is removable, from sysfs.
int removableFromSysfs(const MountEntry &mount)
{
    unsigned maj = mount.major;
    unsigned min = mount.minor;
    // Some disk file systems (btrfs, fuseblk) show an anonymous device; the source names
    // the real one.
    if (maj == 0 && mount.source.startsWith(QLatin1String("/dev/"))) {
        struct stat st {};
        if (::stat(QFile::encodeName(mount.source).constData(), &st) == 0 && S_ISBLK(st.st_mode)) {
            maj = major(st.st_rdev);
            min = minor(st.st_rdev);
        }
    }
    if (maj == 0)
        return -1;
    QString device = QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(maj).arg(min))
                         .canonicalFilePath();
    if (device.isEmpty())
        return -1;
    // A partition inherits the flag of its disk.
    if (QFileInfo::exists(device + QLatin1String("/partition")))
        device = QFileInfo(device).absolutePath();
    QFile flag(device + QLatin1String("/removable"));
    if (!flag.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray value = flag.readAll().trimmed();
    if (value == "1")
        return 1;
    if (value == "0")
        return 0;
    return -1;
}

// Every atomic write of the program: documents, copies and the settings file.
bool replaceAtomically(const QString &path, const QString &like,
                       const std::function<bool(QFileDevice &, QString *)> &produce, QString *error)
{
    // QSaveFile writes a temporary file in the target's folder, flushes it to the disk and
    // renames it over the target on commit; until then the target is untouched, and an
    // uncommitted temporary file is removed when the object goes.
    QSaveFile out(path);
    // Unbuffered: a write the disk refuses (full, quota) fails where it is made. Bytes left in
    // Qt's buffer would only meet the full disk when commit() flushes them, and commit()
    // does not notice that: it would put an empty or cut-off file in place of the old one.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, out.errorString());
        return false;
    }
    // The mode is copied from the bits themselves: Qt's own copy adds the caller's access,
    // which would make a read-only file writable when root saves it.
    struct stat st {};
    if (!like.isEmpty() && ::stat(QFile::encodeName(like).constData(), &st) == 0) {
        // Root saving someone's file leaves it theirs; anyone else cannot give a file away
        // and keeps the new file as their own.
        [[maybe_unused]] const int owned = ::fchown(out.handle(), st.st_uid, st.st_gid);
        if (::fchmod(out.handle(), st.st_mode & 07777) != 0) {
            setError(error, systemError(errno));
            out.cancelWriting();
            return false;
        }
    }
    if (!produce(out, error)) {
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        setError(error, out.errorString());
        return false;
    }
    return true;
}

// Makes a folder with mode 0700, and any missing folders above it likewise (the desktop
// keeps its data home private); an existing one is taken as it is.
bool makePrivateFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) == 0)
        return true;
    if (errno == ENOENT) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder || !makePrivateFolder(parent))
            return false;
        return ::mkdir(name.constData(), 0700) == 0 || errno == EEXIST;
    }
    struct stat st {};
    return errno == EEXIST && ::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The device of a path, or of the nearest folder above it that exists.
std::optional<dev_t> deviceOf(QString path)
{
    for (;;) {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            return st.st_dev;
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path)
            return std::nullopt;
        path = parent;
    }
}

// The highest folder above an absolute path that is still on device dev: the top of its mount.
QString topDirOf(const QString &path, dev_t dev)
{
    QString top = QFileInfo(path).absolutePath();
    for (;;) {
        const QString parent = QFileInfo(top).absolutePath();
        struct stat st {};
        if (parent == top || ::stat(QFile::encodeName(parent).constData(), &st) != 0 || st.st_dev != dev)
            return top;
        top = parent;
    }
}

bool hasTrashFolders(const QString &trash)
{
    return makePrivateFolder(trash) && makePrivateFolder(trash + QStringLiteral("/files"))
           && makePrivateFolder(trash + QStringLiteral("/info"));
}

} // namespace

std::optional<LocalFileSystem::Trash> LocalFileSystem::trashFor(const QString &path, dev_t device)
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString home = QDir::cleanPath(dataHome + QStringLiteral("/Trash"));
    if (deviceOf(home) == device)
        return hasTrashFolders(home) ? std::optional<Trash>(Trash{home, {}}) : std::nullopt;

    const QString top = topDirOf(path, device);
    const QString uid = QString::number(::getuid());
    // An administrator's shared trash counts only as a real, sticky folder.
    const QString shared = top + QStringLiteral("/.Trash");
    struct stat st {};
    if (::lstat(QFile::encodeName(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && (st.st_mode & S_ISVTX)) {
        const QString mine = shared + QLatin1Char('/') + uid;
        if (hasTrashFolders(mine))
            return Trash{mine, top};
    }
    const QString own = top + QStringLiteral("/.Trash-") + uid;
    if (!hasTrashFolders(own) || ::lstat(QFile::encodeName(own).constData(), &st) != 0
        || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return std::nullopt;
    return Trash{own, top};
}

// ---- mount table ----------------------------------------------------------------------

std::vector<MountEntry> parseMountInfo(const QByteArray &text)
{
    std::vector<MountEntry> mounts;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 7 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> dev = fields[2].split(':');
        bool okMajor = false;
        bool okMinor = false;
        MountEntry m;
        if (dev.size() == 2) {
            m.major = dev[0].toUInt(&okMajor);
            m.minor = dev[1].toUInt(&okMinor);
        }
        if (!okMajor || !okMinor || !fields[4].startsWith('/'))
            continue;
        m.mountPoint = unescapeMountField(fields[4]);
        m.fsType = QString::fromLatin1(fields[dash + 1]);
        m.source = unescapeMountField(fields[dash + 2]);
        mounts.push_back(std::move(m));
    }
    return mounts;
}

const MountEntry *findMount(const std::vector<MountEntry> &mounts, const QString &path)
{
    const MountEntry *best = nullptr;
    for (const MountEntry &m : mounts) {
        const QString &mp = m.mountPoint;
        const bool holds = path == mp || mp == QLatin1String("/")
                           || (path.startsWith(mp) && path.at(mp.size()) == QLatin1Char('/'));
        // Later lines are mounted over earlier ones at the same point.
        if (holds && (!best || mp.size() >= best->mountPoint.size()))
            best = &m;
    }
    return best;
}

DriveKind classifyMount(const MountEntry &mount,
                        const std::function<int(const MountEntry &)> &removable)
{
    const QString type = mount.fsType.toLower();
    if (isNetworkFsType(type))
        return DriveKind::Network;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return DriveKind::RamDisk;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf"))
        return DriveKind::Removable;
    switch (removable ? removable(mount) : -1) {
    case 0:
        return DriveKind::Fixed;
    case 1:
        return DriveKind::Removable;
    default:
        return DriveKind::Unknown;
    }
}

// ---- LocalFileSystem ------------------------------------------------------------------

bool LocalFileSystem::fileExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool LocalFileSystem::folderExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

qint64 LocalFileSystem::fileSize(const QString &path) const
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() ? info.size() : -1;
}

bool LocalFileSystem::isReadOnly(const QString &path) const
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::optional<QByteArray> LocalFileSystem::readFile(const QString &path, QString *error) const
{
    if (QFileInfo(path).isDir()) {
        setError(error, systemError(EISDIR));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    if (!readAllowed(path)) {
        setError(error, systemError(EIO));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    return bytes;
}

bool LocalFileSystem::writeAtomically(const QString &path, const QString &like,
                                      const std::function<bool(QFileDevice &, QString *)> &produce,
                                      QString *error)
{
    return replaceAtomically(path, like, produce, error);
}

bool LocalFileSystem::writeFileAtomic(const QString &path, QByteArrayView data, QString *error,
                                      const QString &previous)
{
    const QString like = previous.isEmpty() || QFileInfo::exists(path) ? path : previous;
    return writeAtomically(path, like, [&](QFileDevice &out, QString *err) {
        for (qint64 done = 0; done < data.size();) {
            const qint64 n = writeChunk(out, done, data.data() + done,
                                        std::min<qint64>(kChunk, data.size() - done), err);
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }, error);
}

qint64 LocalFileSystem::writeChunk(QFileDevice &file, qint64, const char *data, qint64 size,
                                   QString *error)
{
    const qint64 n = file.write(data, size);
    if (n < 0)
        setError(error, file.errorString());
    return n;
}

bool LocalFileSystem::readAllowed(const QString &) const
{
    return true;
}

qint64 LocalFileSystem::freeSpaceFor(const QString &path) const
{
    if (path.isEmpty())
        return -1;
    // The file may not exist yet; its folder tells which file system will hold it.
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

DriveKind LocalFileSystem::driveKind(const QString &path) const
{
    if (path.isEmpty())
        return DriveKind::Unknown;
    const QFileInfo info(path);
    const QString probe = info.exists() ? info.canonicalFilePath()
                                        : QFileInfo(info.absolutePath()).canonicalFilePath();
    if (probe.isEmpty())
        return DriveKind::Unknown;
    struct statfs fs {};
    if (::statfs(QFile::encodeName(probe).constData(), &fs) == 0
        && isNetworkMagic(static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul))
        return DriveKind::Network;
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return DriveKind::Unknown;
    const std::vector<MountEntry> mounts = parseMountInfo(table.readAll());
    const MountEntry *mount = findMount(mounts, probe);
    return mount ? classifyMount(*mount, removableFromSysfs) : DriveKind::Unknown;
}

bool LocalFileSystem::moveToTrash(const QString &path, QString *pathInTrash)
{
    if (!fileExists(path))
        return false;
    const QString source = QFileInfo(path).absoluteFilePath();
    struct stat st {};
    if (::lstat(QFile::encodeName(source).constData(), &st) != 0)
        return false;
    const std::optional<Trash> trash = trashFor(source, st.st_dev);
    if (!trash)
        return false;

    // The info file is made first and exclusively: it claims the name in the trash.
    const QString name = QFileInfo(source).fileName();
    const QByteArray original = trash->topDir.isEmpty()
                                    ? QFile::encodeName(source)
                                    : QFile::encodeName(QDir(trash->topDir).relativeFilePath(source));
    const QByteArray info = "[Trash Info]\nPath=" + original.toPercentEncoding("/") + "\nDeletionDate="
                            + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const QString entry = n == 1 ? name : QStringLiteral("%1.%2").arg(name).arg(n);
        const QString infoPath = trash->folder + QStringLiteral("/info/") + entry + QStringLiteral(".trashinfo");
        const QString target = trash->folder + QStringLiteral("/files/") + entry;
        const QByteArray infoName = QFile::encodeName(infoPath);
        const int fd = ::open(infoName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size();
        const bool closed = ::close(fd) == 0;
        struct stat existing {};
        const QByteArray targetName = QFile::encodeName(target);
        if (written && closed && ::lstat(targetName.constData(), &existing) == 0) {
            // A file without its info file holds the name: try the next one.
            ::unlink(infoName.constData());
            continue;
        }
        if (written && closed && ::rename(QFile::encodeName(source).constData(), targetName.constData()) == 0) {
            if (pathInTrash)
                *pathInTrash = target;
            return true;
        }
        ::unlink(infoName.constData());
        return false;
    }
    return false;
}

bool LocalFileSystem::restoreFromTrash(const QString &pathInTrash, const QString &originalPath)
{
    if (pathInTrash.isEmpty() || QFileInfo::exists(originalPath)
        || !QFile::rename(pathInTrash, originalPath))
        return false;
    // The desktop trash keeps files/<name> with info/<name>.trashinfo beside it; the entry
    // would otherwise show a file that is no longer there.
    const QFileInfo inTrash(pathInTrash);
    QFile::remove(QDir(inTrash.absolutePath() + QStringLiteral("/../info"))
                      .filePath(inTrash.fileName() + QStringLiteral(".trashinfo")));
    return true;
}

bool LocalFileSystem::copyFile(const QString &from, const QString &to)
{
    QFile source(from);
    if (!fileExists(from) || !source.open(QIODevice::ReadOnly))
        return false;
    const QDateTime modified = QFileInfo(from).lastModified();
    return writeAtomically(to, from, [&](QFileDevice &out, QString *err) {
        QByteArray buffer;
        qint64 offset = 0;
        while (!(buffer = source.read(kChunk)).isEmpty()) {
            if (writeChunk(out, offset, buffer.constData(), buffer.size(), err) != buffer.size())
                return false;
            offset += buffer.size();
        }
        if (source.error() != QFileDevice::NoError || !out.flush())
            return false;
        // Stamped after the last byte is out, or the flush would renew the time.
        out.setFileTime(modified, QFileDevice::FileModificationTime);
        return true;
    }, nullptr);
}

bool LocalFileSystem::removeFile(const QString &path)
{
    return fileExists(path) && QFile::remove(path);
}

bool LocalFileSystem::removeFolder(const QString &path)
{
    // Only ever from an absolute path that names something below the root: an empty or
    // relative name would otherwise mean the current folder.
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    const QString clean = QDir::cleanPath(path);
    if (QDir(clean).isRoot())
        return false;
    const QFileInfo info(clean);
    if (info.isSymLink())
        return info.isDir() && QFile::remove(clean);
    return info.isDir() && QDir(clean).removeRecursively();
}

// ---- shared small files ---------------------------------------------------------------

namespace {

// A file descriptor closed on every way out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

} // namespace

std::optional<std::string> readSharedFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes.toStdString();
}

bool modifySharedFile(const QString &path, const std::function<bool(std::string &)> &edit)
{
    // A file that is a link stays one: the file it points to is replaced.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString target = canonical.isEmpty() ? path : canonical;
    const QByteArray name = QFile::encodeName(target);
    Fd lock(::open((name + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (!lock.ok())
        return false;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    // The lock is released when `lock` closes.

    std::string bytes;
    struct stat st {};
    const bool exists = ::stat(name.constData(), &st) == 0;
    if (exists) {
        // A file without its owner's write bit is read-only, whoever we are: root would
        // otherwise replace it without a word.
        if (!(st.st_mode & S_IWUSR) || ::access(name.constData(), W_OK) != 0)
            return false;
        std::optional<std::string> current = readSharedFile(target);
        if (!current)
            return false;
        bytes = std::move(*current);
    } else if (errno != ENOENT) {
        return false;
    }

    if (!edit(bytes))
        return true;
    return replaceAtomically(target, exists ? target : QString(), [&](QFileDevice &out, QString *) {
        return out.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
    }, nullptr);
}

} // namespace velmo
