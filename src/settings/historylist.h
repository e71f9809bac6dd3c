// The list of recently used files, newest first, shared between windows through the
// [History] section of the settings file, and the menu entries that show it.
#pragma once

#include "settings/profilestorage.h"

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;

namespace velmo {

// Two paths name the same file when they are equal after folding the letters A to Z.
// Only those letters fold: a double-byte character never matches another one.
bool SameFileName(const QString &a, const QString &b);

class THistoryList {
public:
    THistoryList(QObject *owner, QString fileName,
                 ProfileStorage &storage = ProfileStorage::system());

    QObject *Owner;               // owns the menu items FillMenu makes
    QString SectionName = QStringLiteral("History");
    QString FileName;
    QStringList Items;            // full paths, most recent first
    std::int32_t Capacity = 10;   // fixed when built
    // Given to every menu item FillMenu makes; the item carries its path and tag.
    std::function<void(QAction *item)> OnItemClick;

    // Moves path to the top (dropping every other spelling of it), then cuts to Capacity.
    void AddFile(const QString &path);
    // Drops the oldest entries beyond count.
    void Truncate(int count);
    // Replaces the list with [History]: as many entries as the section has keys, entry i
    // from key "i" (empty when that key is missing), cut to Capacity.
    void LoadFrom(const QString &fileName = {});
    // Erases [History] and writes the list as keys 0, 1, 2, ...
    void StoreTo(const QString &fileName = {}) const;

    // Applies change to the list as [History] holds it now and stores the result, in one
    // locked read-modify-write of the settings file, so that an entry another window adds
    // at the same moment is kept; Items then hold the result. When the file refuses the
    // write (ComponentError), Items still get the change applied to them.
    void StoreChange(const std::function<void(THistoryList &list)> &change, const QString &fileName = {});

    // Replaces the menu's items from firstIndex on with one item per entry: the caption
    // shows the path (an '&' shows as itself, never as an accelerator), data() holds the
    // path as it is, property "Tag" the tag. Replaced items are deleted once control
    // returns to the event loop, so that the item being clicked may rebuild its own menu.
    void FillMenu(QMenu *menu, int firstIndex, int tag) const;

    // The path of a history item and its tag (0 open here, 1 open in a new window).
    static QString ItemPath(const QAction *item);
    static int ItemTag(const QAction *item);
    // The caption a path is shown with.
    static QString ItemCaption(const QString &path);

private:
    QString resolve(const QString &fileName) const { return fileName.isEmpty() ? FileName : fileName; }
    ProfileStorage *storage_;
};

} // namespace velmo
