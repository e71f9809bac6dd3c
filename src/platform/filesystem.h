// What saving and opening documents ask of the file system: whole-file reads, writes that
// never leave a half-written file behind, the read-only attribute, free space, the kind of
// drive a file lives on, the desktop trash, copies and folder removal.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <sys/types.h>
#include <optional>
#include <string>
#include <vector>

namespace velmo {

// Where a file lives, as far as backups care: only Fixed (a local disk that cannot be
// unplugged) sends the previous version to the trash; everything else gets a ".bak" copy.
enum class DriveKind { Fixed, Removable, Network, RamDisk, Unknown };

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A regular file (or a link to one) exists at path; folders do not count.
    virtual bool fileExists(const QString &path) const = 0;
    virtual bool folderExists(const QString &path) const = 0;
    // Size in bytes, -1 when there is no such file.
    virtual qint64 fileSize(const QString &path) const = 0;
    // The file's permission bits grant nobody write access (what `chmod a-w` leaves).
    // Judged from the bits, not from access(), which says yes to root.
    virtual bool isReadOnly(const QString &path) const = 0;

    // The whole file, or nothing (with the system's reason in *error).
    virtual std::optional<QByteArray> readFile(const QString &path,
                                               QString *error = nullptr) const = 0;
    // Writes data beside path, flushes it to the disk and renames it over path. The target
    // keeps its permission bits and owner; after any failure the old file is untouched and
    // no temporary file is left. previous names the file whose bits and owner the new file
    // takes when it is not the target itself (the old version, moved to the trash as a
    // backup); empty means path.
    virtual bool writeFileAtomic(const QString &path, QByteArrayView data,
                                 QString *error = nullptr, const QString &previous = {}) = 0;

    // Bytes available to this user on the file system that holds (or will hold) the file
    // path; -1 when that cannot be told.
    virtual qint64 freeSpaceFor(const QString &path) const = 0;
    virtual DriveKind driveKind(const QString &path) const = 0;

    // Moves a file into the desktop trash, from where the user can restore it; tells where
    // it went in the trash.
    virtual bool moveToTrash(const QString &path, QString *pathInTrash = nullptr) = 0;
    // Puts a file moved into the trash back where it was (a save that failed after its
    // backup went to the trash). Refuses when something stands at the original path.
    virtual bool restoreFromTrash(const QString &pathInTrash, const QString &originalPath) = 0;
    // Copies a file with its permission bits and modification time. The copy is written
    // beside `to` and renamed over it, so an existing `to` survives a failed copy.
    virtual bool copyFile(const QString &from, const QString &to) = 0;
    virtual bool removeFile(const QString &path) = 0;
    // Deletes a folder with everything in it, permanently. A link to a folder is removed
    // as a link; what it points to is left alone.
    virtual bool removeFolder(const QString &path) = 0;
};

// The real thing, on the local operating system.
class LocalFileSystem : public FileSystem {
public:
    bool fileExists(const QString &path) const override;
    bool folderExists(const QString &path) const override;
    qint64 fileSize(const QString &path) const override;
    bool isReadOnly(const QString &path) const override;
    std::optional<QByteArray> readFile(const QString &path,
                                       QString *error = nullptr) const override;
    bool writeFileAtomic(const QString &path, QByteArrayView data, QString *error = nullptr,
                         const QString &previous = {}) override;
    qint64 freeSpaceFor(const QString &path) const override;
    DriveKind driveKind(const QString &path) const override;
    // The freedesktop.org trash: the home trash ($XDG_DATA_HOME/Trash, by default
    // ~/.local/share/Trash, made with mode 0700 when missing) for files on its file
    // system, else the trash at the top of the file's own mount ($topdir/.Trash/$uid when
    // an administrator provides $topdir/.Trash, else $topdir/.Trash-$uid). Nothing is
    // ever made beside the file; with no usable trash the move fails.
    bool moveToTrash(const QString &path, QString *pathInTrash = nullptr) override;
    bool restoreFromTrash(const QString &pathInTrash, const QString &originalPath) override;
    bool copyFile(const QString &from, const QString &to) override;
    bool removeFile(const QString &path) override;
    bool removeFolder(const QString &path) override;

protected:
    // Every byte of a write or a copy goes through here, so a test double can make the
    // device fail part-way. offset is where the chunk starts in the file. Returns the bytes
    // written, or -1 with the reason in *error.
    virtual qint64 writeChunk(QFileDevice &file, qint64 offset, const char *data, qint64 size,
                              QString *error);
    // The bytes of a file as it is being read; a test double can refuse them.
    virtual bool readAllowed(const QString &path) const;

private:
    // A trash folder (holding files/ and info/) and, for the trash at the top of a mount,
    // that top folder (names in its info files are relative to it).
    struct Trash {
        QString folder;
        QString topDir;
    };
    // The trash for a file on device `device`, made where missing; none when unusable.
    static std::optional<Trash> trashFor(const QString &path, dev_t device);

    // like: the file whose owner and mode the result takes (the target itself or its
    // previous version for a write, the source for a copy); none for a new file.
    bool writeAtomically(const QString &path, const QString &like,
                         const std::function<bool(QFileDevice &, QString *)> &produce,
                         QString *error);
};

// A small file that several processes read and change (the settings file). Reading gives
// its bytes, or nothing when it does not exist or cannot be read. A change is one
// read-modify-write under an exclusive advisory lock on "<file>.lock": edit gets the bytes
// (empty when there is no file yet) and says whether it changed them; changed bytes are
// written beside the file, flushed and renamed over it, keeping its mode and owner, so a
// reader never sees half a file and no writer drops what another wrote meanwhile. A file
// that is a link stays one. Refused (false, the file as it was) when the system refuses
// the write or the file's bits make it read-only, whoever we are.
std::optional<std::string> readSharedFile(const QString &path);
bool modifySharedFile(const QString &path, const std::function<bool(std::string &)> &edit);

// One line of /proc/self/mountinfo, as much of it as the drive kind needs.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    QString mountPoint;
    QString fsType; // with its subtype, e.g. "fuse.sshfs"
    QString source; // e.g. "/dev/sda1", "server:/export"
};

// Parses the text of /proc/<pid>/mountinfo; malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(const QByteArray &text);
// The mount that holds an absolute, symlink-free path: the longest mount point that is a
// prefix of it, the later one when a point is mounted over. Null when none matches.
const MountEntry *findMount(const std::vector<MountEntry> &mounts, const QString &path);
// The kind of drive behind a mount. removable(entry) tells whether the block device
// behind a disk mount is removable: 1 yes, 0 no, -1 cannot be told.
DriveKind classifyMount(const MountEntry &mount,
                        const std::function<int(const MountEntry &)> &removable);

} // namespace velmo
