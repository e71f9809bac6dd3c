// The file history: most recent first, one entry per file, shared through [History].
#include "settingstest.h"

#include "platform/cp932codec.h"
#include "settings/historylist.h"
#include "settings/profilefile.h"

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

} // namespace
} // namespace velmo
