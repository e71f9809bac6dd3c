#include "settings/historylist.h"

#include "settings/profilefile.h"

namespace velmo {

bool SameFileName(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'A' && u <= u'Z') ? char16_t(u + 32) : u;
    };
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

THistoryList::THistoryList(QObject *owner, QString fileName, ProfileStorage &storage)
    : Owner(owner), FileName(std::move(fileName)), storage_(&storage)
{
}

void THistoryList::AddFile(const QString &path)
{
    Items.removeIf([&path](const QString &item) { return SameFileName(item, path); });
    Items.prepend(path);
    Truncate(Capacity);
}

void THistoryList::Truncate(int count)
{
    while (Items.size() > qMax(count, 0))
        Items.removeAt(qMax(count, 0));
}

void THistoryList::LoadFrom(const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    const TProfileFile ini(file, *storage_);
    // Entries past the capacity would be cut at once, so they are not even read: a section
    // with thousands of keys costs no more than a full list.
    const qsizetype count = qMin(ini.ReadSection(SectionName).size(), qsizetype(qMax(Capacity, 0)));
    Items.clear();
    for (qsizetype i = 0; i < count; ++i)
        Items << ini.ReadPath(SectionName, QString::number(i), QString());
    Truncate(Capacity);
}

void THistoryList::StoreTo(const QString &fileName) const
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    // One write for the whole section, so that a window reading it meanwhile never finds
    // half of one window's list and half of another's.
    QList<std::pair<QString, QString>> keys;
    for (qsizetype i = 0; i < Items.size(); ++i)
        keys.append({QString::number(i), TProfileFile::PathValue(Items[i])});
    TProfileFile(file, *storage_).ReplaceSection(SectionName, keys);
}

} // namespace velmo
