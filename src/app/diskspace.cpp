#include "app/diskspace.h"

#include "platform/filesystem.h"

#include <algorithm>

namespace velmo {

qint64 NeededSpace(qint64 textLength, bool richText, bool makeBackup, qint64 existingSize)
{
    const qint64 old = makeBackup ? 0 : existingSize;
    // In halves, so that L * 1.5 - O truncates toward zero exactly as C++ division does.
    if (richText)
        return (3 * textLength - 2 * old) / 2;
    return textLength + (makeBackup ? 0 : 2) - old;
}

SaveSpace SpaceForSave(const FileSystem &fileSystem, const QString &target, qint64 textLength,
                       bool richText, bool makeBackup)
{
    SaveSpace space;
    space.free = fileSystem.freeSpaceFor(target);
    const qint64 existing = std::max<qint64>(0, fileSystem.fileSize(target));
    space.needed = NeededSpace(textLength, richText, makeBackup, existing);
    return space;
}

} // namespace velmo
