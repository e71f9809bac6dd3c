// The file history in the window: its four menus, what a click on an entry does, and the
// changes that keep [History] shared with the other windows.
#include "app/mainform.h"

#include "settings/historylist.h"
#include "settings/teoption.h"

#include <QAction>
#include <QMenu>

namespace velmo {

void TMainForm::RebuildHistoryMenus(bool markChanged)
{
    if (!Options)
        return;
    THistoryList &history = Options->History;
    history.OnItemClick = [this](QAction *item) { HistoryItemClick(item); };
    // Entries follow each menu's own command and its separator.
    history.FillMenu(FileOpenMenu, 2, 0);
    history.FillMenu(PopFileOpenMenu, 2, 0);
    history.FillMenu(FileOpenNewMenu, 2, 1);
    history.FillMenu(PopFileOpenNewMenu, 2, 1);
    // The list is stored by the change that made it (one locked read-modify-write), never
    // here: storing this window's copy again could drop what another window just added.
    if (markChanged)
        HistoryChanged = true; // the idle work tells the other windows
}

void TMainForm::ReloadHistory()
{
    Options->History.LoadFrom(QString());
    RebuildHistoryMenus(false);
}

void TMainForm::AddToHistory(const QStringList &paths, bool markChanged)
{
    if (!Options || paths.isEmpty())
        return;
    TrySettingsWrite([this, &paths] {
        Options->History.StoreChange([&paths](THistoryList &list) {
            for (const QString &path : paths)
                list.AddFile(path);
        });
    });
    RebuildHistoryMenus(markChanged);
}

void TMainForm::CutHistory(int count)
{
    if (!Options)
        return;
    TrySettingsWrite([this, count] {
        Options->History.StoreChange([count](THistoryList &list) { list.Truncate(count); });
    });
    RebuildHistoryMenus(false);
}

void TMainForm::HistoryItemClick(QAction *item)
{
    // The item carries its path: the caption is only for showing it.
    const QString path = THistoryList::ItemPath(item);
    if (path.isEmpty())
        return;
    if (THistoryList::ItemTag(item) != 0) {
        LaunchWindows({path}, false);
        return;
    }
    if (QuerySaveDocument())
        OpenDocument(path, false);
}

} // namespace velmo
