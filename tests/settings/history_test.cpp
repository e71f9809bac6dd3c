// The file history: most recent first, one entry per file, shared through [History].
#include "settingstest.h"

#include "platform/componenterror.h"
#include "platform/cp932codec.h"
#include "settings/historylist.h"
#include "settings/profilefile.h"
#include "doubles/faultyprofilestorage.h"

#include <QAction>
#include <QMenu>
#include <QProcess>

namespace velmo {
namespace {

using test::TempIni;

QStringList paths(std::initializer_list<const char *> names)
{
    QStringList out;
    for (const char *n : names)
        out << QString::fromUtf8(n);
    return out;
}

TEST(History, AddFileMovesTheFileToTheTop)
{
    THistoryList h(nullptr, {});
    h.Items = paths({"C:\\x.txt", "C:\\y.txt", "c:\\a.txt", "C:\\z.txt"});
    h.AddFile(QStringLiteral("C:\\A.TXT"));
    EXPECT_EQ(h.Items, paths({"C:\\A.TXT", "C:\\x.txt", "C:\\y.txt", "C:\\z.txt"}));

    THistoryList eleven(nullptr, {});
    for (int i = 0; i < 11; ++i)
        eleven.AddFile(QStringLiteral("/f%1").arg(i));
    EXPECT_EQ(eleven.Items.size(), 10);
    EXPECT_EQ(eleven.Items.first(), "/f10");
    EXPECT_EQ(eleven.Items.last(), "/f1");
}

TEST(History, OnlyTheLettersAToZFold)
{
    // In Shift-JIS these two differ only by 0x20 in their second byte (0x8341, 0x8361):
    // folding bytes would make them the same file.
    const QString a = QString(QChar(0x30A2)) + QStringLiteral(".txt");
    const QString b = QString(QChar(0x30C2)) + QStringLiteral(".txt");
    ASSERT_EQ(cp932::encode(a.toStdU16String()).bytes[1], '\x41');
    ASSERT_EQ(cp932::encode(b.toStdU16String()).bytes[1], '\x61');
    EXPECT_FALSE(SameFileName(a, b));
    EXPECT_TRUE(SameFileName(QStringLiteral("/Docs/A.txt"), QStringLiteral("/docs/a.TXT")));
    EXPECT_FALSE(SameFileName(QStringLiteral("/docs/\u00C4.txt"), QStringLiteral("/docs/\u00E4.txt")));

    THistoryList h(nullptr, {});
    h.AddFile(a);
    h.AddFile(b);
    EXPECT_EQ(h.Items, (QStringList{b, a}));
}

TEST(History, TruncateDropsTheOldest)
{
    THistoryList h(nullptr, {});
    h.Items = paths({"1", "2", "3", "4", "5", "6"});
    h.Truncate(5);
    EXPECT_EQ(h.Items, paths({"1", "2", "3", "4", "5"}));
    h.Truncate(0);
    EXPECT_TRUE(h.Items.isEmpty());
}

TEST(History, LoadFromTakesOneEntryPerKey)
{
    TempIni f;
    THistoryList h(nullptr, f.path());
    f.write("[History]\n0=/a.txt\n2=/c.txt\n[Other]\n1=x\n");
    h.LoadFrom();
    EXPECT_EQ(h.Items, paths({"/a.txt", ""})); // key 1 is missing

    std::string many = "[History]\n";
    for (int i = 0; i < 15; ++i)
        many += std::to_string(i) + "=/f" + std::to_string(i) + "\n";
    f.write(many);
    h.LoadFrom();
    EXPECT_EQ(h.Items.size(), 10);
    EXPECT_EQ(h.Items.last(), "/f9");
}

TEST(History, StoreToRewritesTheSectionInPlace)
{
    TempIni f;
    f.write("[Options]\nA=1\n[History]\n0=/old0\n1=/old1\n2=/old2\n\n[Window]\nLeft=0\n");
    THistoryList h(nullptr, f.path());
    h.Items = paths({"/new&0.txt", "/new1.txt"});
    h.StoreTo();
    EXPECT_EQ(f.read(), test::crlf("[Options]\nA=1\n[History]\n0=/new&0.txt\n1=/new1.txt\n\n"
                                   "[Window]\nLeft=0\n"));
    THistoryList other(nullptr, f.path());
    other.LoadFrom();
    EXPECT_EQ(other.Items, h.Items);

    h.Items.clear();
    h.StoreTo();
    EXPECT_FALSE(TProfileFile(f.path()).SectionExists("History"));
}

// A change is made to the list as the file holds it now, so what another window stored in
// the meantime stays; a refused write still changes the list in memory.
TEST(History, StoreChangeWorksOnTheFilesList)
{
    TempIni f;
    f.write("[History]\n0=/theirs.txt\n1=/old.txt\n");
    THistoryList h(nullptr, f.path());
    h.Items = paths({"/old.txt"}); // this window's copy does not know /theirs.txt yet
    h.StoreChange([](THistoryList &list) { list.AddFile(QStringLiteral("/mine.txt")); });
    EXPECT_EQ(h.Items, paths({"/mine.txt", "/theirs.txt", "/old.txt"}));
    THistoryList reread(nullptr, f.path());
    reread.LoadFrom();
    EXPECT_EQ(reread.Items, h.Items);

    FaultyProfileStorage refusing;
    refusing.refuseAfter(0);
    THistoryList r(nullptr, f.path(), refusing);
    r.Items = paths({"/a.txt"});
    EXPECT_THROW(r.StoreChange([](THistoryList &list) { list.AddFile(QStringLiteral("/b.txt")); }),
                 ComponentError);
    EXPECT_EQ(r.Items, paths({"/b.txt", "/a.txt"}));
}

// A section that names a file twice (left by windows racing each other) is read, changed and
// stored with each file once, where it first stands.
TEST(History, AFileNamedTwiceIsKeptOnce)
{
    TempIni f;
    f.write("[History]\n0=/a.txt\n1=/b.txt\n2=/A.TXT\n3=/c.txt\n");
    THistoryList loaded(nullptr, f.path());
    loaded.LoadFrom();
    EXPECT_EQ(loaded.Items, paths({"/a.txt", "/b.txt", "/c.txt"}));

    THistoryList h(nullptr, f.path());
    h.StoreChange([](THistoryList &list) { list.AddFile(QStringLiteral("/d.txt")); });
    EXPECT_EQ(h.Items, paths({"/d.txt", "/a.txt", "/b.txt", "/c.txt"}));

    THistoryList stale(nullptr, f.path());
    stale.Items = paths({"/x.txt", "/y.txt", "/x.txt"});
    stale.StoreTo();
    THistoryList reread(nullptr, f.path());
    reread.LoadFrom();
    EXPECT_EQ(reread.Items, paths({"/x.txt", "/y.txt"}));
}

// Two processes adding files at the same moment: every entry of both is in the file.
TEST(History, TwoProcessesAddingAtOnceKeepEveryEntry)
{
    constexpr int kCount = 40;
    TempIni f;
    f.write("[Other]\r\nKeep=1\r\n");
    QProcess a, b;
    const QString writer = QStringLiteral(VELMO_SETTINGS_WRITER);
    a.start(writer, {f.path(), QStringLiteral("A"), QString::number(kCount), QStringLiteral("history")});
    b.start(writer, {f.path(), QStringLiteral("B"), QString::number(kCount), QStringLiteral("history")});
    ASSERT_TRUE(a.waitForFinished(120000)) << a.errorString().toStdString();
    ASSERT_TRUE(b.waitForFinished(120000)) << b.errorString().toStdString();
    ASSERT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    ASSERT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();

    THistoryList h(nullptr, f.path());
    h.Capacity = 1000;
    h.LoadFrom();
    EXPECT_EQ(h.Items.size(), 2 * kCount);
    for (const char *prefix : {"A", "B"}) {
        for (int i = 0; i < kCount; ++i)
            EXPECT_TRUE(h.Items.contains(QStringLiteral("/%1%2.txt").arg(QLatin1String(prefix)).arg(i)))
                << prefix << i;
    }
}

// Menu entries carry their path and tag; the caption only shows the path, "&" included.
TEST(History, FillMenuReplacesTheEntriesAfterTheFixedItems)
{
    QObject owner;
    THistoryList h(&owner, {});
    QStringList clicked;
    h.OnItemClick = [&clicked](QAction *item) {
        clicked << THistoryList::ItemPath(item) + "#" + QString::number(THistoryList::ItemTag(item));
    };
    QMenu menu;
    menu.addAction(QStringLiteral("fixed"));
    menu.addSeparator();
    h.Items = paths({"/old.txt"});
    h.FillMenu(&menu, 2, 1);
    h.Items = paths({"/d/a&b.txt", "/d/a&&b.txt", ""});
    h.FillMenu(&menu, 2, 1);
    const QList<QAction *> items = menu.actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), "fixed");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "/d/a&&b.txt"); // shown as /d/a&b.txt
    EXPECT_EQ(items[3]->text(), "/d/a&&&&b.txt");
    for (QAction *item : items.mid(2))
        item->trigger();
    EXPECT_EQ(clicked, paths({"/d/a&b.txt#1", "/d/a&&b.txt#1", "#1"}));
}

} // namespace
} // namespace velmo
