// The room a save asks for, and on which disk it is looked for.
#include "app/diskspace.h"

#include "doubles/fakefilesystem.h"
#include "platform/filesystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <cerrno>
#include <cstring>

using namespace velmo;

TEST(DiskSpace, NeededSpace)
{
    const struct {
        qint64 length;
        bool rich, backup;
        qint64 existing, needed;
    } cases[] = {
        {5000, false, false, 10000, -4998}, // shrinking a file needs no room
        {5000, false, true, 10000, 5000},   // the old file stays as the backup
        {1000, false, false, 0, 1002},
        {1001, true, false, 0, 1501},       // 1501.5
        {3, true, false, 10, -5},           // -5.5, toward zero
        {3, true, true, 10, 4},
        {0, false, false, 0, 2},
        {2147483632, true, true, 0, 3221225448}, // the largest text, no overflow
    };
    for (const auto &c : cases)
        EXPECT_EQ(NeededSpace(c.length, c.rich, c.backup, c.existing), c.needed)
            << c.length << (c.rich ? " rtf " : " text ") << c.backup << ' ' << c.existing;
}

TEST(DiskSpace, ComparesWithTheFreeSpaceOfTheTarget)
{
    QTemporaryDir dir;
    FakeFileSystem fs(dir.filePath(QStringLiteral("trash")));
    const QString target = dir.filePath(QStringLiteral("a.txt"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(50, 'x'));
    f.close();

    fs.setFreeSpace(100);
    SaveSpace s = SpaceForSave(fs, target, 148, false, false); // 148 + 2 - 50
    EXPECT_EQ(s.needed, 100);
    EXPECT_TRUE(s.enough());
    s = SpaceForSave(fs, target, 149, false, false);
    EXPECT_FALSE(s.enough());
    // A new file gives nothing back.
    EXPECT_EQ(SpaceForSave(fs, dir.filePath(QStringLiteral("b.txt")), 148, false, false).needed, 150);
    // Free space that cannot be told stops nothing.
    fs.setFreeSpace(-1);
    EXPECT_TRUE(SpaceForSave(fs, target, 1 << 30, true, true).enough());
}

TEST(DiskSpace, LooksAtTheTargetsDiskNotTheCurrentFolder)
{
    QTemporaryDir dir;
    const QString mnt = dir.filePath(QStringLiteral("mnt"));
    QDir().mkpath(mnt);
    if (::mount("tmpfs", QFile::encodeName(mnt).constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs was refused: " << std::strerror(errno);
    LocalFileSystem fs;
    // The current folder has room for a megabyte; the small disk the file goes to has not.
    const SaveSpace here = SpaceForSave(fs, QDir::current().filePath(QStringLiteral("a.txt")),
                                        1 << 20, false, true);
    const SaveSpace there = SpaceForSave(fs, mnt + QStringLiteral("/a.txt"), 1 << 20, false, true);
    const SaveSpace small = SpaceForSave(fs, mnt + QStringLiteral("/a.txt"), 1 << 10, false, true);
    ::umount2(QFile::encodeName(mnt).constData(), MNT_DETACH);
    EXPECT_TRUE(here.enough());
    EXPECT_FALSE(there.enough());
    EXPECT_TRUE(small.enough());
}
