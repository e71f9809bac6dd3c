// Whether the disk that will hold a document has room for it before a save starts.
#pragma once

#include <QString>

namespace velmo {

class FileSystem;

// Bytes a save is taken to need. textLength is the editor's text length, existingSize the
// size of the file being replaced (0 for a new file). With a backup the old file stays, so
// the whole text counts; without one, the old file's room is given back. RTF is reckoned
// at one and a half times the text. May be negative; truncated toward zero.
qint64 NeededSpace(qint64 textLength, bool richText, bool makeBackup, qint64 existingSize);

struct SaveSpace {
    qint64 free = -1;   // bytes free where the file goes; -1 when that cannot be told
    qint64 needed = 0;
    // A disk whose free space cannot be told does not stop the save.
    bool enough() const { return free < 0 || needed <= free; }
};

// The free space is that of the file system the target lives on, which need not be the
// one of the current folder.
SaveSpace SpaceForSave(const FileSystem &fileSystem, const QString &target, qint64 textLength,
                       bool richText, bool makeBackup);

} // namespace velmo
