// The settings file: an INI file in code page 932, read and written one key at a time.
// Nothing is held open and nothing is cached: every read looks at the file as it is now
// (other editor processes write it too) and every write is on disk when the call returns,
// unless a TProfileBatch collects the writes of a whole save into one.
//
// Files written by people and other programs are read the way the Windows profile
// functions read them: section and key names match without regard to ASCII case, blanks
// around names and values are ignored, a value in matching double or single quotes is
// read without them, a line whose key starts with ';' is a comment, lines without '=' are
// ignored, and of repeated sections or keys the first counts. A write replaces the value
// in place and keeps every other line as it was; a new key goes after the last line of its
// section, a new section at the end of the file. Lines end in CR LF on write; LF alone is
// accepted on read.
#pragma once

#include "settings/profilestorage.h"

#include <QString>
#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

#include <cstdint>

namespace velmo {

class TProfileFile {
public:
    // Values longer than this (in code-page-932 bytes) are cut on reading.
    static constexpr int kMaxValueBytes = 2047;

    explicit TProfileFile(QString fileName, ProfileStorage &storage = ProfileStorage::system());

    const QString &FileName() const { return fileName_; }

    // Missing file, section or key: the default.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, $hex or 0x/0X hex, each optionally signed; hex takes the 32 bits as written
    // ($80000005 is -2147483643). Anything else, an empty value or a missing key: the default.
    std::int32_t ReadInteger(const QString &section, const QString &key, std::int32_t def) const;
    // Read as an integer; any non-zero value is true.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // Each write throws ComponentError("<file> に書き込めません") when the system refuses it.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, std::int32_t value);
    void WriteBool(const QString &section, const QString &key, bool value);

    // Key names of a section in file order (comments left out).
    QStringList ReadSection(const QString &section) const;
    QStringList ReadSections() const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;

    // Removes the section header with all its lines.
    void EraseSection(const QString &section);
    // Erases the section and writes it anew with these keys, in one write: a reader in
    // another process sees either the old section or the new one, never a mixture.
    // The section stays where it was in the file (a new one goes at the end); with no
    // values it is erased.
    void ReplaceSection(const QString &section, const QList<std::pair<QString, QString>> &values);
    void DeleteKey(const QString &section, const QString &key);
    // The keys and values of a section in file order, handed to `update`, and the section
    // replaced by what it returns (as ReplaceSection does), in one locked read-modify-write:
    // what another process writes to the file meanwhile is either seen by `update` or comes
    // after. `update` may run more than once (inside a batch); it must only compute.
    using SectionValues = QList<std::pair<QString, QString>>;
    void UpdateSection(const QString &section,
                       const std::function<SectionValues(const SectionValues &)> &update);

    // A value that holds a file or folder name. Names that code page 932 holds exactly are
    // written as they are; any other name (café.txt, 한국어.txt, a line break in it) as
    // "file://" and the bytes of the name percent-encoded, which reads back exactly.
    QString ReadPath(const QString &section, const QString &key, const QString &def) const;
    void WritePath(const QString &section, const QString &key, const QString &path);
    // The stored form of a name and back, for values written as a whole section.
    static QString PathValue(const QString &path);
    static QString PathFromValue(const QString &value);
    static inline const QString kPathPrefix = QStringLiteral("file://");

    // Every write is already on disk (or collected by a batch); kept for callers that flush
    // when they are done.
    void UpdateFile() {}

    // Parses an integer the way ReadInteger does; false when it is not one. The program's
    // one reader of these forms (command-line switches take them too).
    static bool ParseInteger(const QString &text, std::int32_t &value);

private:
    std::string load() const;
    void change(const ProfileStorage::Edit &edit);

    QString fileName_;
    ProfileStorage *storage_;
};

// The writes to one settings file made while this lives, through any record on the same
// storage, become one write at Commit(): one locked read-modify-write with one flush to the
// disk, instead of one per key. Reads inside see the collected writes. A whole save of the
// settings runs inside one; single writes elsewhere stay immediate.
class TProfileBatch {
public:
    explicit TProfileBatch(QString fileName, ProfileStorage &storage = ProfileStorage::system());
    // Left without Commit (an error ended the save early): what was collected is still
    // written, as single writes would have been.
    ~TProfileBatch();
    TProfileBatch(const TProfileBatch &) = delete;
    TProfileBatch &operator=(const TProfileBatch &) = delete;

    // Throws ComponentError("<file> に書き込めません") when the system refuses the write,
    // like a single write; nothing of the batch is then in the file. Inside another batch
    // on the same file, the outer one writes.
    void Commit();

private:
    QString fileName_;
    ProfileStorage *storage_;
    bool done_ = false;
};

} // namespace velmo
