#include "app/backupmaker.h"

#include "platform/filesystem.h"
#include "platform/prompts.h"

namespace velmo {

TBackupMaker::TBackupMaker(FileSystem &fileSystem, Prompts *prompts)
    : fs_(fileSystem), prompts_(prompts)
{
}

QString TBackupMaker::BackupName(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= nameStart)
        return path + QStringLiteral(".bak");
    return path.left(dot) + QStringLiteral(".bak") + path.mid(dot);
}

bool TBackupMaker::BackupToRecycleBin(const QString &path)
{
    if (!fs_.fileExists(path))
        return false;
    if (fs_.driveKind(path) != DriveKind::Fixed)
        return BackupToBakFile(path);
    return fs_.moveToTrash(path, &trashedTo_);
}

bool TBackupMaker::UndoTrashMove(const QString &path)
{
    if (trashedTo_.isEmpty())
        return true;
    if (!fs_.restoreFromTrash(trashedTo_, path))
        return false;
    trashedTo_.clear();
    return true;
}

bool TBackupMaker::BackupToBakFile(const QString &path)
{
    if (!fs_.fileExists(path))
        return false;
    // The copy is written beside the backup name and renamed over an earlier backup, so
    // that backup is replaced only by a complete new one and survives a failed copy.
    return fs_.copyFile(path, BackupName(path));
}

bool TBackupMaker::DeleteFolder(const QString &path)
{
    return fs_.folderExists(path) && fs_.removeFolder(path);
}

bool TBackupMaker::BackupBeforeSave(const QString &path, bool makeBackup, bool useTrashBox)
{
    if (!makeBackup || !fs_.fileExists(path))
        return true;
    if (useTrashBox ? BackupToRecycleBin(path) : BackupToBakFile(path))
        return true;
    if (prompts_)
        prompts_->message(QString::fromUtf8(kBackupFailedMessage), PromptButtons::Ok,
                          PromptIcon::Stop);
    return false;
}

} // namespace velmo
