// Where the program finds its settings, its guide and its help page: beside itself where it
// was built, in the user's configuration and the installed data folder once installed.
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velmo;

TEST(ProgramFiles, BesideTheProgramWhereItWasBuiltElseConfigurationAndDataFolders)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir().mkpath(root + "/build");
    QDir().mkpath(root + "/usr/bin");
    QDir().mkpath(root + "/usr/share/velmo");
    QFile guide(root + "/usr/share/velmo/velmo.rtf");
    ASSERT_TRUE(guide.open(QIODevice::WriteOnly));
    const QString config = root + "/home/.config";

    const struct {
        const char *what;
        QString program;
        bool writable;
        bool installed;
    } cases[] = {
        {"build folder", root + "/build/velmo", true, false},
        // Root may write to <prefix>/bin; the data folder beside it still tells.
        {"installed, folder writable", root + "/usr/bin/velmo", true, true},
        {"installed", root + "/usr/bin/velmo", false, true},
        {"copied to a folder it may not write", root + "/build/velmo", false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ProgramFiles files = programFilesFor(c.program, c.writable, config);
        EXPECT_EQ(files.installed, c.installed);
        if (!c.installed) {
            EXPECT_EQ(files.settings, root + "/build/velmo.ini");
            EXPECT_EQ(files.guide, root + "/build/velmo.rtf");
            EXPECT_EQ(files.help, root + "/build/velmo.html");
        } else {
            EXPECT_EQ(files.settings, config + "/velmo/velmo.ini");
            const QString data = QFileInfo(c.program).absolutePath() + "/../share/velmo";
            EXPECT_EQ(files.guide, QDir::cleanPath(data) + "/velmo.rtf");
            EXPECT_EQ(files.help, QDir::cleanPath(data) + "/velmo.html");
        }
    }
}
