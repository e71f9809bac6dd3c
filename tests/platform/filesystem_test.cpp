// File-system services on real files in temporary folders; failures the operating system
// would not produce for root come from the test double, a full disk from a small tmpfs.
#include "doubles/fakefilesystem.h"
#include "platform/filesystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

using namespace velmo;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The permission bits as ls shows them, without what access() would add for root.
unsigned modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : ~0u;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A small tmpfs of its own, for a disk that really runs full and for a file system other
// than the one the process works in. Needs the right to mount (root in CI).
class ScopedTmpfs {
public:
    explicit ScopedTmpfs(const QString &sizeOption)
    {
        path_ = dir_.filePath(QStringLiteral("mnt"));
        QDir().mkpath(path_);
        const QByteArray options = "size=" + sizeOption.toLatin1();
        if (::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) == 0)
            mounted_ = true;
        else
            reason_ = QStringLiteral("mounting a tmpfs was refused: %1").arg(std::strerror(errno));
    }
    ~ScopedTmpfs()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    std::string reason() const { return reason_.toStdString(); }
    QString filePath(const QString &name) const { return path_ + QLatin1Char('/') + name; }
    QString path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
    QString reason_;
    bool mounted_ = false;
};

class FileSystemTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(FileSystemTest, AtomicWriteReplacesContentKeepsModeAndLeavesNothingBeside)
{
    LocalFileSystem fs;
    const QString target = path("a.txt");
    writeBytes(target, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);

    QString error;
    ASSERT_TRUE(fs.writeFileAtomic(target, QByteArray(3 << 20, 'x'), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(target), QByteArray(3 << 20, 'x'));
    EXPECT_EQ(modeOf(target), 0640u);
    EXPECT_EQ(entries(dir.path()), QStringList{"a.txt"});

    // Root writes a file that nobody may write to; it stays that way.
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    ASSERT_TRUE(fs.writeFileAtomic(target, "third"));
    EXPECT_EQ(modeOf(target), 0444u);

    // Saving through a link writes the file it points to and keeps the link.
    ASSERT_TRUE(QFile::link(target, path("link.txt")));
    ASSERT_TRUE(fs.writeFileAtomic(path("link.txt"), "via link"));
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());
    EXPECT_EQ(readBytes(target), "via link");

    ASSERT_TRUE(fs.writeFileAtomic(path("new.txt"), "fresh"));
    EXPECT_EQ(readBytes(path("new.txt")), "fresh");
    EXPECT_EQ(entries(dir.path()), (QStringList{"a.txt", "link.txt", "new.txt"}));
}

TEST_F(FileSystemTest, WriteFailingMidwayLeavesOldFileIntact)
{
    FakeFileSystem fs(path("trash"));
    const QString target = path("a.txt");
    writeBytes(target, "the old version");

    for (qint64 failAt : {0, 5, (2 << 20) + 7}) {
        SCOPED_TRACE(failAt);
        fs.failWritesAfter(failAt);
        QString error;
        EXPECT_FALSE(fs.writeFileAtomic(target, QByteArray(3 << 20, 'n'), &error));
        EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        EXPECT_EQ(readBytes(target), "the old version");
        EXPECT_EQ(entries(dir.path()), QStringList{"a.txt"});
    }
    EXPECT_EQ(fs.writes(), 0);
}

TEST(FileSystemOnTmpfs, WriteOnFullDiskLeavesOldFileIntact)
{
    ScopedTmpfs disk(QStringLiteral("64k"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    LocalFileSystem fs;
    const QString target = disk.filePath(QStringLiteral("a.txt"));
    writeBytes(target, QByteArray(8 << 10, 'o'));

    QString error;
    EXPECT_FALSE(fs.writeFileAtomic(target, QByteArray(256 << 10, 'n'), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBytes(target), QByteArray(8 << 10, 'o'));
    EXPECT_EQ(entries(disk.path()), QStringList{"a.txt"});
    // What fits still goes through.
    EXPECT_TRUE(fs.writeFileAtomic(target, QByteArray(16 << 10, 'n'), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(target), QByteArray(16 << 10, 'n'));
}

TEST_F(FileSystemTest, ReadOnlyIsJudgedFromPermissionBits)
{
    // Root may write to every one of these; only the bits count.
    const struct {
        QFile::Permissions mode;
        bool readOnly;
    } cases[] = {
        {QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther, true}, // chmod a-w
        {{}, true},
        {QFile::ReadOwner | QFile::WriteOwner, false},
        {QFile::ReadOwner | QFile::WriteGroup, false},
        {QFile::ReadOwner | QFile::WriteOther, false},
    };
    LocalFileSystem fs;
    const QString file = path("f.txt");
    writeBytes(file, "x");
    for (const auto &c : cases) {
        ASSERT_TRUE(QFile::setPermissions(file, c.mode));
        EXPECT_EQ(fs.isReadOnly(file), c.readOnly) << std::oct << int(c.mode);
    }
    EXPECT_FALSE(fs.isReadOnly(path("missing.txt")));
}

TEST(FileSystemOnTmpfs, FreeSpaceIsThatOfTheTargetsFileSystem)
{
    ScopedTmpfs disk(QStringLiteral("64k"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    LocalFileSystem fs;
    // The target does not exist yet; its folder decides. The process works elsewhere.
    const qint64 onDisk = fs.freeSpaceFor(disk.filePath(QStringLiteral("new.txt")));
    const qint64 here = fs.freeSpaceFor(QDir::currentPath() + QStringLiteral("/new.txt"));
    EXPECT_GT(onDisk, 0);
    EXPECT_LE(onDisk, 64 << 10);
    EXPECT_NE(onDisk, here);
    EXPECT_EQ(fs.freeSpaceFor(disk.filePath(QStringLiteral("no/such/folder/x.txt"))), -1);
}

TEST(FileSystemOnTmpfs, DriveKindOfRamDiskIsNotFixed)
{
    ScopedTmpfs disk(QStringLiteral("64k"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    LocalFileSystem fs;
    const QString file = disk.filePath(QStringLiteral("a.txt"));
    writeBytes(file, "x");
    EXPECT_EQ(fs.driveKind(file), DriveKind::RamDisk);
    EXPECT_EQ(fs.driveKind(disk.filePath(QStringLiteral("not-yet.txt"))), DriveKind::RamDisk);
}

TEST(FileSystemDriveKind, RootOnALocalDiskIsFixed)
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    const auto mounts = parseMountInfo(table.readAll());
    const MountEntry *root = findMount(mounts, QStringLiteral("/"));
    ASSERT_NE(root, nullptr);
    const QString sysfs = QStringLiteral("/sys/dev/block/%1:%2/").arg(root->major).arg(root->minor);
    QFile removable(QFileInfo(sysfs).canonicalFilePath() + QStringLiteral("/removable"));
    if (root->major == 0 || !removable.open(QIODevice::ReadOnly) || removable.readAll().trimmed() != "0")
        GTEST_SKIP() << "/ is not on a fixed local disk here (" << root->fsType.toStdString() << ")";
    EXPECT_EQ(LocalFileSystem().driveKind(QStringLiteral("/")), DriveKind::Fixed);
}

TEST(FileSystemDriveKind, MountInfoSample)
{
    const QByteArray sample =
        "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
        "28 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 28 0:45 / /mnt/nfs rw,relatime shared:7 - nfs4 server:/export rw,vers=4.2\n"
        "41 28 0:46 / /mnt/share rw - cifs //host/share rw\n"
        "42 28 0:47 / /home/u/remote rw,nosuid - fuse.sshfs u@host:/ rw\n"
        "43 28 8:17 / /media/u/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
        "44 28 0:48 / /tmp rw - tmpfs tmpfs rw\n"
        "45 28 0:49 / /var/lib/c rw - overlay overlay rw,lowerdir=/a\n"
        "46 28 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
        "47 40 8:2 / /mnt/nfs rw - ext4 /dev/sda2 rw\n"
        "garbage line\n"
        "48 28 x:y / /bad rw - ext4 /dev/sda3 rw\n";
    const auto mounts = parseMountInfo(sample);
    ASSERT_EQ(mounts.size(), 10u);
    EXPECT_EQ(mounts[5].mountPoint, QStringLiteral("/media/u/USB STICK"));
    EXPECT_EQ(mounts[3].fsType, QStringLiteral("cifs"));

    // Only sdb is removable in this sample.
    const auto removable = [](const MountEntry &m) { return m.major == 0 ? -1 : m.minor == 17 ? 1 : 0; };
    const struct {
        const char *path;
        const char *mountPoint;
        DriveKind kind;
    } cases[] = {
        {"/home/u/a.txt", "/", DriveKind::Fixed},
        {"/mnt/nfsdata/a.txt", "/", DriveKind::Fixed},  // a name that merely starts alike
        {"/mnt/share/docs/a.txt", "/mnt/share", DriveKind::Network},
        {"/home/u/remote/a.txt", "/home/u/remote", DriveKind::Network},
        {"/media/u/USB STICK/a.txt", "/media/u/USB STICK", DriveKind::Removable},
        {"/tmp/a.txt", "/tmp", DriveKind::RamDisk},
        {"/var/lib/c/a.txt", "/var/lib/c", DriveKind::Unknown},
        {"/media/cd/a.txt", "/media/cd", DriveKind::Removable},
        {"/mnt/nfs/a.txt", "/mnt/nfs", DriveKind::Fixed}, // mounted over the nfs share
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const MountEntry *m = findMount(mounts, QString::fromUtf8(c.path));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->mountPoint, QString::fromUtf8(c.mountPoint));
        EXPECT_EQ(classifyMount(*m, removable), c.kind);
    }
    // The nfs line itself, before anything was mounted over it.
    EXPECT_EQ(classifyMount(mounts[2], removable), DriveKind::Network);
    EXPECT_EQ(findMount({}, QStringLiteral("/a")), nullptr);
}

TEST_F(FileSystemTest, MoveToDesktopTrash)
{
    // Point the desktop trash into the temporary folder so the user's own stays untouched.
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QFile::encodeName(path("home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("home/.local/share")));
    QDir().mkpath(path("home/.local/share"));
    LocalFileSystem fs;
    const QString file = path("a.txt");
    writeBytes(file, "old");
    QString inTrash;
    const bool moved = fs.moveToTrash(file, &inTrash);
    const bool missingMoved = fs.moveToTrash(path("missing.txt"));
    // Put back however the test ends.
    const std::shared_ptr<void> restoreHome(nullptr, [&](void *) {
        qputenv("HOME", oldHome);
        oldData.isNull() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", oldData);
    });

    ASSERT_TRUE(moved);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(readBytes(path("home/.local/share/Trash/files/a.txt")), "old");
    EXPECT_TRUE(QFileInfo::exists(path("home/.local/share/Trash/info/a.txt.trashinfo")));
    EXPECT_FALSE(missingMoved);
    EXPECT_EQ(inTrash, path("home/.local/share/Trash/files/a.txt"));

    // Back to its place, and the trash no longer lists it.
    ASSERT_TRUE(fs.restoreFromTrash(inTrash, file));
    EXPECT_EQ(readBytes(file), "old");
    EXPECT_FALSE(QFileInfo::exists(inTrash));
    EXPECT_FALSE(QFileInfo::exists(path("home/.local/share/Trash/info/a.txt.trashinfo")));
    // Something standing at the original path is never overwritten.
    writeBytes(path("b.txt"), "b");
    QString bInTrash;
    ASSERT_TRUE(fs.moveToTrash(path("b.txt"), &bInTrash));
    writeBytes(path("b.txt"), "newer");
    EXPECT_FALSE(fs.restoreFromTrash(bInTrash, path("b.txt")));
    EXPECT_EQ(readBytes(path("b.txt")), "newer");
}

// Sets environment variables for one test and puts them back however it ends.
class ScopedEnv {
public:
    void set(const char *name, const QString &value)
    {
        saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        value.isNull() ? qunsetenv(name) : qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->wasSet ? qputenv(it->name, it->value) : qunsetenv(it->name);
    }

private:
    struct Saved {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    std::vector<Saved> saved_;
};

QByteArray trashInfoPath(const QString &infoFile)
{
    for (const QByteArray &line : readBytes(infoFile).split('\n')) {
        if (line.startsWith("Path="))
            return line.mid(5);
    }
    return {};
}

TEST_F(FileSystemTest, HomeTrashIsMadeWhereTheDesktopLooksForIt)
{
    // A fresh account: no ~/.local/share yet, or a data home that does not exist yet.
    struct Case {
        const char *dataHome; // null: XDG_DATA_HOME unset
        const char *trash;
    } cases[] = {{nullptr, "home/.local/share/Trash"}, {"data", "data/Trash"}, {"relative", "home/.local/share/Trash"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.trash);
        QTemporaryDir root;
        ScopedEnv env;
        env.set("HOME", root.filePath("home"));
        env.set("XDG_DATA_HOME", !c.dataHome ? QString()
                                 : QLatin1String(c.dataHome) == "relative" ? QStringLiteral("relative/share")
                                                                          : root.filePath(c.dataHome));
        ASSERT_TRUE(QDir().mkpath(root.filePath("docs")));
        const QString doc = root.filePath("docs/a b é.txt");
        writeBytes(doc, "old");

        LocalFileSystem fs;
        QString inTrash;
        ASSERT_TRUE(fs.moveToTrash(doc, &inTrash));
        const QString trash = root.filePath(c.trash);
        EXPECT_EQ(inTrash, trash + "/files/a b é.txt");
        EXPECT_EQ(readBytes(inTrash), "old");
        EXPECT_EQ(trashInfoPath(trash + "/info/a b é.txt.trashinfo"),
                  QFile::encodeName(doc).toPercentEncoding("/"));
        for (const QString &folder : {trash, trash + "/files", trash + "/info"})
            EXPECT_EQ(modeOf(folder), 0700u) << folder.toStdString();
        EXPECT_TRUE(entries(root.filePath("docs")).isEmpty()); // nothing beside the document
    }
}

TEST(FileSystemOnTmpfs, FileOnAnotherMountGoesToThatMountsTrash)
{
    ScopedTmpfs disk(QStringLiteral("1m"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason();
    QTemporaryDir home;
    ScopedEnv env;
    env.set("HOME", home.path());
    env.set("XDG_DATA_HOME", QString());
    ASSERT_TRUE(QDir().mkpath(disk.filePath("docs")));
    writeBytes(disk.filePath("docs/a.txt"), "old");
    writeBytes(disk.filePath("docs/b.txt"), "old b");

    LocalFileSystem fs;
    QString inTrash;
    ASSERT_TRUE(fs.moveToTrash(disk.filePath("docs/a.txt"), &inTrash));
    const QString own = disk.filePath(QStringLiteral(".Trash-%1").arg(::getuid()));
    EXPECT_EQ(inTrash, own + "/files/a.txt");
    EXPECT_EQ(modeOf(own), 0700u);
    EXPECT_EQ(trashInfoPath(own + "/info/a.txt.trashinfo"), "docs/a.txt"); // relative to the top
    EXPECT_EQ(entries(disk.filePath("docs")), QStringList{"b.txt"});
    EXPECT_TRUE(entries(home.path()).isEmpty()); // the home trash is on another disk

    // An administrator's sticky .Trash holds a folder per user instead.
    ASSERT_EQ(::mkdir(QFile::encodeName(disk.filePath(".Trash")).constData(), 01777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(disk.filePath(".Trash")).constData(), 01777), 0);
    ASSERT_TRUE(fs.moveToTrash(disk.filePath("docs/b.txt"), &inTrash));
    EXPECT_EQ(inTrash, disk.filePath(QStringLiteral(".Trash/%1/files/b.txt").arg(::getuid())));
}

TEST_F(FileSystemTest, CopyKeepsModeAndTimeAndAFailedCopyKeepsTheOldTarget)
{
    FakeFileSystem fs(path("trash"));
    const QString from = path("a.txt");
    const QString to = path("a.bak.txt");
    writeBytes(from, QByteArray(100000, 'a'));
    ASSERT_EQ(::chmod(QFile::encodeName(from).constData(), 0440), 0);
    QFile stamp(from);
    ASSERT_TRUE(stamp.open(QIODevice::ReadWrite));
    const QDateTime when = QDateTime::fromSecsSinceEpoch(1000000000);
    ASSERT_TRUE(stamp.setFileTime(when, QFileDevice::FileModificationTime));
    stamp.close();

    ASSERT_TRUE(fs.copyFile(from, to));
    EXPECT_EQ(readBytes(to), QByteArray(100000, 'a'));
    EXPECT_EQ(modeOf(to), 0440u);
    EXPECT_EQ(QFileInfo(to).lastModified(), when);

    writeBytes(path("b.txt"), "newer");
    fs.failWritesAfter(2);
    EXPECT_FALSE(fs.copyFile(path("b.txt"), to));
    EXPECT_EQ(readBytes(to), QByteArray(100000, 'a'));
    EXPECT_FALSE(fs.copyFile(path("missing.txt"), path("c.txt")));
    EXPECT_EQ(entries(dir.path()), (QStringList{"a.bak.txt", "a.txt", "b.txt"}));
}

TEST_F(FileSystemTest, RemoveFolderTakesContentsButNotWhatALinkPointsTo)
{
    LocalFileSystem fs;
    QDir().mkpath(path("keep"));
    writeBytes(path("keep/k.txt"), "k");
    QDir().mkpath(path("gone/sub/deeper"));
    writeBytes(path("gone/sub/deeper/x.txt"), "x");
    writeBytes(path("gone/.hidden"), "h");
    ASSERT_TRUE(QFile::link(path("keep"), path("gone/sub/link")));
    ASSERT_TRUE(QFile::link(path("keep"), path("alias")));

    EXPECT_TRUE(fs.removeFolder(path("gone")));
    EXPECT_FALSE(QFileInfo::exists(path("gone")));
    EXPECT_TRUE(fs.removeFolder(path("alias")));
    EXPECT_FALSE(QFileInfo(path("alias")).isSymLink());
    EXPECT_EQ(readBytes(path("keep/k.txt")), "k");

    EXPECT_FALSE(fs.removeFolder(path("gone")));
    EXPECT_FALSE(fs.removeFolder(path("keep/k.txt")));
}

TEST_F(FileSystemTest, RemoveFolderRefusesNamesThatWouldReachTheWrongFolder)
{
    const QString sentinel = QDir::current().filePath(QStringLiteral("velmo-remove-sentinel"));
    writeBytes(sentinel, "x");
    LocalFileSystem fs;
    for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral("relative/dir"),
                               QStringLiteral("/"), QStringLiteral("//"), QStringLiteral("/tmp/..")})
        EXPECT_FALSE(fs.removeFolder(bad)) << qPrintable(bad);
    EXPECT_TRUE(QFileInfo::exists(sentinel));
    QFile::remove(sentinel);
}

TEST_F(FileSystemTest, ReadsWholeFileOrReportsWhy)
{
    FakeFileSystem fs(path("trash"));
    writeBytes(path("a.txt"), QByteArray("\x82\xa0\x00\xff", 4));
    EXPECT_EQ(fs.readFile(path("a.txt")), QByteArray("\x82\xa0\x00\xff", 4));

    QString error;
    EXPECT_FALSE(fs.readFile(path("missing.txt"), &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(fs.readFile(dir.path(), &error));
    EXPECT_FALSE(error.isEmpty());
    fs.failReads(true);
    EXPECT_FALSE(fs.readFile(path("a.txt")));
}
