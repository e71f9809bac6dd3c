// Backups before a save, on real files in a temporary folder; the drive kind, the trash and
// failing copies come from the file-system double.
#include "app/backupmaker.h"

#include "doubles/fakefilesystem.h"
#include "doubles/scriptedprompts.h"
#include "platform/filesystem.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class BackupTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeFileSystem fs{dir.filePath(QStringLiteral("trash"))};
    ScriptedPrompts prompts;
    TBackupMaker maker{fs, &prompts};
    const QString doc = dir.filePath(QStringLiteral("docs/a.txt"));
    const QString bak = dir.filePath(QStringLiteral("docs/a.bak.txt"));

    void SetUp() override
    {
        QDir().mkpath(dir.filePath(QStringLiteral("docs")));
        writeBytes(doc, "current version");
    }
    QStringList docs() const { return QDir(dir.filePath(QStringLiteral("docs"))).entryList(QDir::Files); }
};

} // namespace

TEST(BackupName, InsertsBakBeforeTheExtension)
{
    const struct {
        const char *path, *backup;
    } cases[] = {
        {"/d/a.txt", "/d/a.bak.txt"},
        {"/d/report.rtf", "/d/report.bak.rtf"},
        {"/d/README", "/d/README.bak"},
        {"/d/a.b.txt", "/d/a.b.bak.txt"},
        {"/d/dir.x/README", "/d/dir.x/README.bak"}, // a dot in a folder is no extension
        {"/d/.profile", "/d/.profile.bak"},         // nor the dot of a hidden file
        {"/d/.notes.txt", "/d/.notes.bak.txt"},
        {"/d/a.", "/d/a.bak."},
        {"/d/メモ.テキスト", "/d/メモ.bak.テキスト"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TBackupMaker::BackupName(QString::fromUtf8(c.path)), QString::fromUtf8(c.backup))
            << c.path;
}

TEST_F(BackupTest, TrashOnlyOnFixedDisksElseBakCopy)
{
    const struct {
        DriveKind kind;
        bool trashed;
    } cases[] = {
        {DriveKind::Fixed, true},     {DriveKind::Removable, false}, {DriveKind::Network, false},
        {DriveKind::RamDisk, false},  {DriveKind::Unknown, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.kind));
        writeBytes(doc, "current version");
        QFile::remove(bak);
        const int trashedBefore = fs.trashed().size();
        fs.setDriveKind(c.kind);

        EXPECT_TRUE(maker.BackupBeforeSave(doc, /*makeBackup*/ true, /*useTrashBox*/ true));
        if (c.trashed) {
            EXPECT_EQ(fs.trashed().size(), trashedBefore + 1);
            EXPECT_EQ(docs(), QStringList{});
        } else {
            EXPECT_EQ(fs.trashed().size(), trashedBefore);
            EXPECT_EQ(readBytes(bak), "current version");
            EXPECT_EQ(readBytes(doc), "current version");
        }
    }
    EXPECT_EQ(fs.trashed(), QStringList{doc});
    EXPECT_TRUE(prompts.log().empty());
}

TEST_F(BackupTest, SettingsChooseTheKindOfBackup)
{
    fs.setDriveKind(DriveKind::Fixed);
    // Trash box off: a copy even on a fixed disk.
    EXPECT_TRUE(maker.BackupBeforeSave(doc, true, false));
    EXPECT_EQ(docs(), (QStringList{"a.bak.txt", "a.txt"}));
    EXPECT_TRUE(fs.trashed().isEmpty());

    // No backup at all: the trash box setting does nothing.
    QFile::remove(bak);
    EXPECT_TRUE(maker.BackupBeforeSave(doc, false, true));
    EXPECT_TRUE(maker.BackupBeforeSave(doc, false, false));
    EXPECT_EQ(docs(), QStringList{"a.txt"});
    EXPECT_TRUE(fs.trashed().isEmpty());
}

TEST_F(BackupTest, EarlierBakFileIsReplaced)
{
    writeBytes(bak, "an older backup that was longer");
    EXPECT_TRUE(maker.BackupBeforeSave(doc, true, false));
    EXPECT_EQ(readBytes(bak), "current version");
    EXPECT_EQ(readBytes(doc), "current version");
}

TEST_F(BackupTest, NewFileNeedsNoBackup)
{
    // Nothing is attempted, so nothing can fail.
    fs.refuseTrash(true);
    fs.failWritesAfter(0);
    const QString fresh = dir.filePath(QStringLiteral("docs/new.txt"));
    for (bool trash : {true, false})
        EXPECT_TRUE(maker.BackupBeforeSave(fresh, true, trash));
    EXPECT_EQ(docs(), QStringList{"a.txt"});
    EXPECT_TRUE(prompts.log().empty());
    // Called directly, a backup of a missing file fails.
    EXPECT_FALSE(maker.BackupToBakFile(fresh));
    EXPECT_FALSE(maker.BackupToRecycleBin(fresh));
}

TEST_F(BackupTest, FailedBackupShowsTheMessageAndStopsTheSave)
{
    writeBytes(bak, "earlier backup");
    fs.failWritesAfter(4); // the copy runs out of room part-way
    fs.setDriveKind(DriveKind::Removable);
    EXPECT_FALSE(maker.BackupBeforeSave(doc, true, true));
    // The earlier backup survives a failed copy, and nothing half-written is left behind.
    EXPECT_EQ(readBytes(bak), "earlier backup");
    EXPECT_EQ(readBytes(doc), "current version");
    EXPECT_EQ(docs(), (QStringList{"a.bak.txt", "a.txt"}));

    fs.failWritesAfter(std::nullopt);
    fs.setDriveKind(DriveKind::Fixed);
    fs.refuseTrash(true);
    EXPECT_FALSE(maker.BackupBeforeSave(doc, true, true));
    EXPECT_EQ(readBytes(doc), "current version");

    ASSERT_EQ(prompts.log().size(), 2u);
    for (const auto &shown : prompts.log()) {
        EXPECT_EQ(shown.kind, ScriptedPrompts::Kind::Message);
        EXPECT_EQ(shown.caption, QStringLiteral("Velmo"));
        EXPECT_EQ(shown.text, QString::fromUtf8(kBackupFailedMessage));
        EXPECT_EQ(shown.buttons, PromptButtons::Ok);
        EXPECT_EQ(shown.icon, PromptIcon::Stop);
    }
}

TEST_F(BackupTest, DeleteFolderRemovesItWithItsContents)
{
    const QString temp = dir.filePath(QStringLiteral("Velmo"));
    QDir().mkpath(temp + QStringLiteral("/sub"));
    writeBytes(temp + QStringLiteral("/sub/x.txt"), "x");
    EXPECT_TRUE(maker.DeleteFolder(temp));
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_FALSE(maker.DeleteFolder(temp));
    EXPECT_FALSE(maker.DeleteFolder(doc)); // a file is not a folder
    EXPECT_EQ(readBytes(doc), "current version");
}
