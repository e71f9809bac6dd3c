// The file history in the window: the four menus, clicks on their entries, what marks the
// history changed, and a file opened in one window showing up in another's menus.
#include "mainformfixture.h"

#include "doubles/faultyprofilestorage.h"
#include "settings/historylist.h"
#include "settings/teoption.h"

#include <QAction>
#include <QMenu>

using namespace velmo;

namespace {

using velmo::testing::launchedFiles;
using velmo::testing::waitUntil;

class HistoryMenusTest : public velmo::testing::MainFormFixture {
protected:
    QString put(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // The entries of a history menu as "path#tag", after its command and separator.
    static QStringList entries(QMenu *menu)
    {
        QStringList out;
        for (QAction *item : menu->actions().mid(2))
            out << THistoryList::ItemPath(item) + "#" + QString::number(THistoryList::ItemTag(item));
        return out;
    }

    static QStringList tagged(const QStringList &paths, int tag)
    {
        QStringList out;
        for (const QString &path : paths)
            out << path + "#" + QString::number(tag);
        return out;
    }

    static void expectMenus(TMainForm &form, const QStringList &paths)
    {
        EXPECT_EQ(entries(form.FileOpenMenu), tagged(paths, 0));
        EXPECT_EQ(entries(form.PopFileOpenMenu), tagged(paths, 0));
        EXPECT_EQ(entries(form.FileOpenNewMenu), tagged(paths, 1));
        EXPECT_EQ(entries(form.PopFileOpenNewMenu), tagged(paths, 1));
    }

    static QAction *entry(QMenu *menu, int index) { return menu->actions().value(2 + index); }
};

// The history read at start fills all four menus; each entry opens exactly its own file,
// whatever ampersands its name holds, and an empty entry does nothing.
TEST_F(HistoryMenusTest, EntriesOpenTheirOwnFiles)
{
    const QString single = put("a&b.txt", "single"), twice = put("a&&b.txt", "twice");
    writeSettings("[History]\r\n0=" + single + "\r\n1=" + twice + "\r\n3=/missing/key2.txt\r\n");
    auto form = start();
    // Keys 0, 1 and 3: three entries, the third empty (there is no key 2).
    expectMenus(*form, {single, twice, ""});
    // The caption shows the name as it is written.
    EXPECT_EQ(entry(form->FileOpenMenu, 0)->text(), dir.filePath("a&&b.txt"));

    entry(form->PopFileOpenMenu, 1)->trigger();
    EXPECT_EQ(form->Options->CurrentFile, twice);
    EXPECT_EQ(form->RichEdit->Text(), "twice");
    // Opening moved it to the top of every menu.
    expectMenus(*form, {twice, single, ""});

    entry(form->FileOpenMenu, 1)->trigger();
    EXPECT_EQ(form->Options->CurrentFile, single);
    EXPECT_EQ(form->RichEdit->Text(), "single");

    const QString before = form->Options->CurrentFile;
    entry(form->FileOpenMenu, 2)->trigger();
    entry(form->FileOpenNewMenu, 2)->trigger();
    EXPECT_EQ(form->Options->CurrentFile, before);
    EXPECT_TRUE(network.launches().empty());
    EXPECT_TRUE(prompts.log().empty());

    // Tag 1 opens the entry in a window of its own.
    entry(form->PopFileOpenNewMenu, 1)->trigger();
    EXPECT_EQ(launchedFiles(network), QStringList{twice});
    EXPECT_EQ(form->Options->CurrentFile, single);
    form->ClosingOnRequest = true;
}

// Only opening a file marks the history changed (the other windows are told); a save and a
// launch store it without telling, and a reload neither marks nor writes.
TEST_F(HistoryMenusTest, OnlyOpeningMarksTheHistoryChanged)
{
    const QString a = put("a.txt", "a"), b = put("b.txt", "b"), c = put("c.txt", "c");
    writeSettings();
    FaultyProfileStorage storage;
    auto form = start({}, &storage);

    ASSERT_TRUE(form->OpenDocument(a, false));
    EXPECT_TRUE(form->HistoryChanged);
    form->HistoryChanged = false;

    form->LaunchWindows({b}, false);
    EXPECT_FALSE(form->HistoryChanged);
    form->RichEdit->SetModified(true);
    ASSERT_TRUE(form->SaveDocument(c));
    EXPECT_FALSE(form->HistoryChanged);
    expectMenus(*form, {c, b, a});
    EXPECT_EQ(read("History", "0"), c);

    // Another window's list: read and shown, nothing written.
    TProfileFile(ini()).ReplaceSection("History", {{"0", b}, {"1", a}});
    storage.refuseAfter(0);
    form->handleBusMessage(WM_EDITORNOTIFY, std::int64_t(NotifyHistoryChanged), 4711);
    expectMenus(*form, {b, a});
    EXPECT_FALSE(form->HistoryChanged);
    EXPECT_TRUE(prompts.messages().empty()); // no refused write to show
    // Its own announcement comes back to nobody: the sender ignores its handle.
    TProfileFile(ini()).ReplaceSection("History", {{"0", c}});
    form->handleBusMessage(WM_EDITORNOTIFY, std::int64_t(NotifyHistoryChanged), bus.ownHandle());
    expectMenus(*form, {b, a});
    storage.refuseAfter(-1);
    form->ClosingOnRequest = true;
}

// Window A opens a file; after A's idle moment window B's four menus show it.
TEST_F(HistoryMenusTest, AFileOpenedInOneWindowShowsInTheOthers)
{
    const QString x = put("x.txt", "x");
    writeSettings();
    auto windowA = start();
    MemoryWindowBus busB(network);
    ScriptedPrompts promptsB;
    MainFormServices s;
    s.prompts = &promptsB;
    s.shell = &shell;
    s.fileSystem = &files;
    s.bus = &busB;
    s.system = system.get();
    s.screen = &screen;
    s.printers = &printers;
    auto windowB = std::make_unique<TMainForm>(s);
    windowB->show();
    expectMenus(*windowB, {});

    ASSERT_TRUE(windowA->OpenDocument(x, false));
    EXPECT_TRUE(waitUntil([&] { return !windowA->HistoryChanged; }));
    expectMenus(*windowB, {x});
    EXPECT_FALSE(windowB->HistoryChanged);
    windowA->ClosingOnRequest = windowB->ClosingOnRequest = true;
}

} // namespace
