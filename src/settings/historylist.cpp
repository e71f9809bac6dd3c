#include "settings/historylist.h"

#include "settings/profilefile.h"

#include <algorithm>
#include <QAction>
#include <QMenu>

#include <memory>
#include <optional>

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

namespace {

// Each file once, where it first stands: whatever order of reads and writes several windows
// went through, the list never names one file twice.
QStringList withoutRepeats(const QStringList &items)
{
    QStringList kept;
    for (const QString &item : items) {
        const bool seen = !item.isEmpty()
            && std::any_of(kept.cbegin(), kept.cend(), [&item](const QString &k) { return SameFileName(k, item); });
        if (!seen)
            kept << item;
    }
    return kept;
}

} // namespace

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
    Items = withoutRepeats(Items);
    Truncate(Capacity);
}

void THistoryList::StoreTo(const QString &fileName) const
{
    const QString file = resolve(fileName);
    if (file.isEmpty())
        return;
    // One write for the whole section, so that a window reading it meanwhile never finds
    // half of one window's list and half of another's.
    const QStringList items = withoutRepeats(Items);
    QList<std::pair<QString, QString>> keys;
    for (qsizetype i = 0; i < items.size(); ++i)
        keys.append({QString::number(i), TProfileFile::PathValue(items[i])});
    TProfileFile(file, *storage_).ReplaceSection(SectionName, keys);
}

namespace {

// Entry i comes from key "i" (empty when it is missing), as many entries as there are keys.
QStringList entriesOf(const TProfileFile::SectionValues &values, qsizetype capacity)
{
    QStringList items;
    const qsizetype count = qMin(values.size(), qMax(capacity, qsizetype(0)));
    for (qsizetype i = 0; i < count; ++i) {
        const QString key = QString::number(i);
        QString value;
        for (const auto &[k, v] : values) {
            if (k == key) {
                value = TProfileFile::PathFromValue(v);
                break;
            }
        }
        items << value;
    }
    return items;
}

} // namespace

void THistoryList::StoreChange(const std::function<void(THistoryList &list)> &change,
                               const QString &fileName)
{
    const QString file = resolve(fileName);
    if (file.isEmpty()) {
        change(*this);
        return;
    }
    // The edit may run later and more than once (a batch looks, then commits): it keeps its
    // own copy of the change, and each run starts from the file as it is then.
    auto result = std::make_shared<std::optional<QStringList>>();
    const std::int32_t capacity = Capacity;
    try {
        TProfileFile(file, *storage_).UpdateSection(SectionName, [change, result, capacity](
                                                                     const TProfileFile::SectionValues &now) {
            THistoryList list(nullptr, QString());
            list.Capacity = capacity;
            list.Items = entriesOf(now, capacity);
            change(list);
            list.Items = withoutRepeats(list.Items);
            *result = list.Items;
            TProfileFile::SectionValues values;
            for (qsizetype i = 0; i < list.Items.size(); ++i)
                values.append({QString::number(i), TProfileFile::PathValue(list.Items[i])});
            return values;
        });
    } catch (...) {
        change(*this);
        throw;
    }
    if (*result)
        Items = **result;
    else
        change(*this); // collected by a batch that has not looked at the file yet
}

QString THistoryList::ItemCaption(const QString &path)
{
    QString caption = path;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString THistoryList::ItemPath(const QAction *item)
{
    return item ? item->data().toString() : QString();
}

int THistoryList::ItemTag(const QAction *item)
{
    return item ? item->property("Tag").toInt() : 0;
}

void THistoryList::FillMenu(QMenu *menu, int firstIndex, int tag) const
{
    if (!menu)
        return;
    const QList<QAction *> old = menu->actions();
    for (qsizetype i = qMax(firstIndex, 0); i < old.size(); ++i) {
        menu->removeAction(old[i]);
        if (old[i]->parent() == Owner || old[i]->parent() == menu)
            old[i]->deleteLater();
    }
    for (const QString &path : Items) {
        auto *item = new QAction(ItemCaption(path), Owner ? Owner : menu);
        item->setData(path);
        item->setProperty("Tag", tag);
        if (OnItemClick) {
            const auto click = OnItemClick;
            QObject::connect(item, &QAction::triggered, item, [click, item] { click(item); });
        }
        menu->addAction(item);
    }
}

} // namespace velmo
