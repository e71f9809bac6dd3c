// Keeps the previous version of a document before a save writes over it: moved into the
// desktop trash, or copied beside it under a ".bak" name. Also deletes folders outright.
#pragma once

#include <QString>

namespace velmo {

class FileSystem;
class Prompts;

// Shown when the backup cannot be made; the save stops there.
inline constexpr char kBackupFailedMessage[] = "バックアップファイルの作成に失敗しました";

// Made for one save and dropped after it.
class TBackupMaker {
public:
    // prompts may be null; a failed backup is then only reported by the result.
    explicit TBackupMaker(FileSystem &fileSystem, Prompts *prompts = nullptr);

    // Sends the file to the trash when it lives on a fixed local disk; anywhere else (a
    // stick, a network share, a RAM disk, a drive we cannot tell) a trashed file would be
    // gone for good or not recoverable by the user, so it gets a ".bak" copy instead.
    bool BackupToRecycleBin(const QString &path);
    // Copies the file to its backup name, replacing an earlier backup.
    bool BackupToBakFile(const QString &path);
    // Deletes a folder with its contents, permanently and without asking.
    bool DeleteFolder(const QString &path);

    // The backup step of a save over path. Nothing to do when makeBackup is off or there is
    // no old file. useTrashBox picks the trash, else the ".bak" copy. A failure shows
    // kBackupFailedMessage (OK, stop icon) and returns false: the save must not go on.
    bool BackupBeforeSave(const QString &path, bool makeBackup, bool useTrashBox);
    // After a save whose write failed: puts a file this maker sent to the trash back at its
    // path, so the old document is where the user left it. True when nothing was trashed.
    bool UndoTrashMove(const QString &path);
    // The old file in the trash after BackupToRecycleBin, else empty. The save writes the
    // new file with its permission bits and owner (a private file stays private).
    const QString &PreviousVersion() const { return trashedTo_; }

    // The path with ".bak" put before the extension: a.txt -> a.bak.txt, README ->
    // README.bak. The dot that starts a hidden file's name does not begin an extension.
    static QString BackupName(const QString &path);

private:
    FileSystem &fs_;
    Prompts *prompts_;
    QString trashedTo_; // where BackupToRecycleBin put the old file
};

} // namespace velmo
