// Shell and system queries: folder removal that never reaches beyond its folder, the
// temporary folder, the companion files' names.
#include "platform/shell.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

TEST(DesktopShell, DeletesAFolderWithItsContentsAndNothingElse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString velmo = dir.filePath(QStringLiteral("Velmo"));
    touch(velmo + QStringLiteral("/a.txt"));
    touch(velmo + QStringLiteral("/sub/deeper/.hidden"));
    // A link inside to a folder outside: the link goes, the outside stays.
    const QString outside = dir.filePath(QStringLiteral("keep"));
    touch(outside + QStringLiteral("/precious.txt"));
    ASSERT_TRUE(QFile::link(outside, velmo + QStringLiteral("/link")));

    DesktopShell shell;
    EXPECT_TRUE(shell.deleteFolder(velmo));
    EXPECT_FALSE(QFileInfo::exists(velmo));
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/precious.txt")));
    EXPECT_TRUE(shell.deleteFolder(velmo)); // already gone: nothing to do

    // The folder itself a link: only the link is removed.
    const QString linked = dir.filePath(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(outside, linked));
    EXPECT_TRUE(shell.deleteFolder(linked));
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/precious.txt")));
}

TEST(DesktopShell, RefusesNamesThatWouldReachTheWrongFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sentinel = QDir::current().filePath(QStringLiteral("velmo-shell-sentinel"));
    touch(sentinel);
    DesktopShell shell;
    for (const QString &bad : {QString(), QStringLiteral("."), QStringLiteral("relative/dir"), QStringLiteral("/"),
                               QStringLiteral("//"), QStringLiteral("/tmp/..")})
        EXPECT_FALSE(shell.deleteFolder(bad)) << qPrintable(bad);
    EXPECT_TRUE(QFileInfo::exists(sentinel));
    QFile::remove(sentinel);
    // A file is not a folder.
    const QString file = dir.filePath(QStringLiteral("f"));
    touch(file);
    EXPECT_FALSE(shell.deleteFolder(file));
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(DesktopShell, TempFolderEndsWithASeparator)
{
    DesktopShell shell;
    const QString temp = shell.tempFolder();
    EXPECT_TRUE(temp.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(temp).isDir());
    EXPECT_FALSE(shell.openDocument(QString()));
}

TEST(RecordingShell, RecordsAndInjectsFailures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RecordingShell shell(dir.path());
    EXPECT_EQ(shell.tempFolder(), dir.path() + QLatin1Char('/'));
    const QString velmo = shell.tempFolder() + QStringLiteral("Velmo");
    touch(velmo + QStringLiteral("/x"));
    shell.setDeleteFails(true);
    EXPECT_FALSE(shell.deleteFolder(velmo));
    EXPECT_TRUE(QFileInfo::exists(velmo));
    shell.setDeleteFails(false);
    EXPECT_TRUE(shell.deleteFolder(velmo));
    EXPECT_FALSE(QFileInfo::exists(velmo));
    EXPECT_EQ(shell.deletedFolders(), (QStringList{velmo, velmo}));
    EXPECT_TRUE(shell.openDocument(QStringLiteral("/opt/velmo/velmo.html")));
    EXPECT_EQ(shell.opened(), QStringList{QStringLiteral("/opt/velmo/velmo.html")});
}

TEST(SystemInfo, CompanionFilesReplaceOnlyTheProgramsExtension)
{
    struct Case {
        QString program, ini;
    } cases[] = {
        {QStringLiteral("/opt/velmo/velmo"), QStringLiteral("/opt/velmo/velmo.ini")},
        {QStringLiteral("/opt/velmo/velmo.exe"), QStringLiteral("/opt/velmo/velmo.ini")},
        {QStringLiteral("/opt/v1.2/velmo"), QStringLiteral("/opt/v1.2/velmo.ini")},
        {QStringLiteral("/opt/v1.2/velmo.bin.exe"), QStringLiteral("/opt/v1.2/velmo.bin.ini")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FixedSystemInfo(c.program).settingsFilePath(), c.ini) << qPrintable(c.program);
    EXPECT_EQ(SystemInfo::withExtension(QStringLiteral("/opt/velmo/velmo"), QStringLiteral(".rtf")),
              QStringLiteral("/opt/velmo/velmo.rtf"));
    EXPECT_TRUE(ProcessSystemInfo().programPath().endsWith(QStringLiteral("/test_platform")));
}

} // namespace
