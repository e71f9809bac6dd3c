// The list of recently used files, newest first, shared between windows through the
// [History] section of the settings file.
#pragma once

#include "settings/profilestorage.h"

#include <QObject>
#include <QStringList>

#include <cstdint>

namespace velmo {

// Two paths name the same file when they are equal after folding the letters A to Z.
// Only those letters fold: a double-byte character never matches another one.
bool SameFileName(const QString &a, const QString &b);

class THistoryList {
public:
    THistoryList(QObject *owner, QString fileName,
                 ProfileStorage &storage = ProfileStorage::system());

    QObject *Owner;
    QString SectionName = QStringLiteral("History");
    QString FileName;
    QStringList Items;            // full paths, most recent first
    std::int32_t Capacity = 10;   // fixed when built

    // Moves path to the top (dropping every other spelling of it), then cuts to Capacity.
    void AddFile(const QString &path);
    // Drops the oldest entries beyond count.
    void Truncate(int count);
    // Replaces the list with [History]: as many entries as the section has keys, entry i
    // from key "i" (empty when that key is missing), cut to Capacity.
    void LoadFrom(const QString &fileName = {});
    // Erases [History] and writes the list as keys 0, 1, 2, ...
    void StoreTo(const QString &fileName = {}) const;

private:
    QString resolve(const QString &fileName) const { return fileName.isEmpty() ? FileName : fileName; }
    ProfileStorage *storage_;
};

} // namespace velmo
