// Extensions of document names as the mode rules see them: the part of the file name from
// its last dot on (a dot in a folder name does not count). Renaming by extension is
// SystemInfo::withExtension.
#pragma once

#include <QString>

namespace velmo {

inline QString FileExtension(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < nameStart ? QString() : path.mid(dot);
}

// Rich-text mode is for ".rtf" in any case; every other name, or none, is text.
inline bool IsRtfFileName(const QString &path)
{
    return FileExtension(path).compare(QLatin1String(".rtf"), Qt::CaseInsensitive) == 0;
}

} // namespace velmo
