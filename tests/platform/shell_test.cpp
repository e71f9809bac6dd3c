// Shell and system queries: the temporary folder, the companion files' names.
#include "platform/shell.h"
#include "doubles/recordingshell.h"
#include "platform/system.h"
#include "doubles/fixedsysteminfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

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
