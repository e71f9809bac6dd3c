// The switches a starting window reads, and the launch line one window builds for the next.
#include "app/commandline.h"
#include "app/uitexts.h"
#include "platform/launchline.h"

#include <QDir>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct ParseCase {
    const char *name;
    QStringList arguments;
    QStringList files;
    bool readOnly = false;
    bool print = false;
    std::optional<qint32> owner, left, top, width, height;
};

} // namespace

TEST(CommandLine, SwitchesFilesAndCaseRules)
{
    const ParseCase cases[] = {
        {"nothing", {}, {}},
        {"/n only makes the line non-empty", {"/n"}, {}},
        {"-N too", {"-N"}, {}},
        {"read-only with a file", {"-r", "a.txt"}, {"a.txt"}, true},
        {"read-only needs a file", {"/R"}, {}, false},
        {"print", {"/p", "a.txt"}, {"a.txt"}, false, true},
        {"owner in lower case", {"/owner=12345", "x.txt"}, {"x.txt"}, false, false, 12345},
        {"placement", {"/Left=10", "/TOP=-20", "/width=$280", "/Height=0x190", "b.rtf"}, {"b.rtf"},
         false, false, std::nullopt, 10, -20, 640, 400},
        {"first of two entries of a name wins, the second stays a file",
         {"/Left=1", "/Left=2"}, {"/Left=2"}, false, false, std::nullopt, 1},
        {"'-' is not a placement prefix", {"-Left=5"}, {"-Left=5"}},
        {"a bare switch name is a file", {"/Owner"}, {"/Owner"}},
        {"files keep their order and spelling", {"C:\\A.TXT", "b c.txt", "/r"}, {"C:\\A.TXT", "b c.txt"}, true},
        {"read-only stays when the only file is left after the switches",
         {"/r", "/Owner=7", "z.txt"}, {"z.txt"}, true, false, 7},
        {"read-only goes when the switches took every entry", {"/r", "/Owner=7"}, {}, false, false, 7},
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.name);
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.files, c.files);
        EXPECT_EQ(line.readOnly, c.readOnly);
        EXPECT_EQ(line.printOnStart, c.print);
        EXPECT_EQ(line.owner, c.owner);
        EXPECT_EQ(line.left, c.left);
        EXPECT_EQ(line.top, c.top);
        EXPECT_EQ(line.width, c.width);
        EXPECT_EQ(line.height, c.height);
        EXPECT_TRUE(line.errors.isEmpty());
    }
}

TEST(CommandLine, ValueThatIsNotAnIntegerIsReportedAndDropped)
{
    const CommandLine line = ParseCommandLine({"/Width=wide", "/Top=12", "a.txt"});
    EXPECT_EQ(line.files, QStringList{"a.txt"});
    EXPECT_FALSE(line.width);
    EXPECT_EQ(line.top, 12);
    ASSERT_EQ(line.errors.size(), 1);
    EXPECT_EQ(line.errors[0], QString::fromUtf8(texts::kNotIntegerFormat).replace("%s", "wide"));
}

TEST(CommandLine, SwitchIntegers)
{
    const struct {
        const char *text;
        std::optional<qint32> value;
    } cases[] = {
        {"0", 0}, {"-25", -25}, {" 7 ", 7}, {"$1F", 31}, {"0x1f", 31}, {"0XFF", 255},
        {"$FFFFFFFF", -1}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt}, {"", std::nullopt}, {"$", std::nullopt},
        {"12px", std::nullopt}, {"1 2", std::nullopt}, {"１２", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseSwitchInteger(QString::fromUtf8(c.text)), c.value);
    }
}

TEST(LaunchLine, Form)
{
    EXPECT_EQ(BuildLaunchLine(12345, 19, 38, 640, 400, "/home/u/a.txt", false),
              "/Owner=12345 /Left=19 /Top=38 /Width=640 /Height=400 \"/home/u/a.txt\"");
    EXPECT_EQ(BuildLaunchLine(7, -3, 0, 1, 2, "b.rtf", true),
              "/Owner=7 /Left=-3 /Top=0 /Width=1 /Height=2 \"b.rtf\" /r");
}

// What the new window reads back from the line it was started with.
TEST(LaunchLine, NewWindowReadsWhatTheLauncherMeant)
{
    const struct {
        QString path;
        bool readOnly;
    } cases[] = {
        {"/home/u/my notes.txt", false},
        {QString::fromUtf8("/home/u/日本語 フォルダ/報告書.rtf"), true},
        {"/tmp/a=b.txt", false},
        {"/tmp/100%.txt", false},
        // Quotes and backslashes in a name neither end it nor open a switch.
        {"/tmp/a \"b\" /P \"c.txt", false},
        {"/tmp/back\\slash\\", true},
        {"/tmp/a\\\"b\\\\\"", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString launch = BuildLaunchLine(4242, 19, 19, 640, 400, c.path, c.readOnly);
        const CommandLine line = ParseCommandLine(splitWindowsCommandLine(launch));
        EXPECT_EQ(line.files, QStringList{c.path});
        EXPECT_EQ(line.readOnly, c.readOnly);
        EXPECT_EQ(line.owner, 4242);
        EXPECT_EQ(line.left, 19);
        EXPECT_EQ(line.top, 19);
        EXPECT_EQ(line.width, 640);
        EXPECT_EQ(line.height, 400);
    }
}

// Whatever a file is called, the new window gets exactly that one file and no switch: names
// that read like switches, quotes, backslashes before quotes and at the end.
TEST(LaunchLine, NoNameSmugglesASwitch)
{
    auto check = [](const QString &name, bool readOnly) {
        const QString launch = BuildLaunchLine(77, 1, 2, 3, 4, name, readOnly);
        const CommandLine line = ParseCommandLine(splitWindowsCommandLine(launch));
        ASSERT_EQ(line.files.size(), 1) << qPrintable(launch);
        // A switch-like name comes back as another name of the same file.
        EXPECT_EQ(QDir::cleanPath(line.files[0]), QDir::cleanPath(name)) << qPrintable(launch);
        if (!IsSwitchLike(name))
            EXPECT_EQ(line.files[0], name) << qPrintable(launch);
        EXPECT_FALSE(line.printOnStart);
        EXPECT_EQ(line.readOnly, readOnly);
        EXPECT_EQ(line.owner, 77);
        EXPECT_EQ(line.left, 1);
        EXPECT_EQ(line.top, 2);
        EXPECT_EQ(line.width, 3);
        EXPECT_EQ(line.height, 4);
        EXPECT_TRUE(line.errors.isEmpty());
    };
    for (const char *name : {"/r", "-R", "/p", "-n", "/N", "/Owner=5", "/left=abc", "/Height=",
                             "/tmp/say \"hi\".txt", "/tmp/dir\\", "\"", "/tmp/a\\\"b", "/tmp/\"\"\"",
                             "/tmp/a\\\\\"\\", "-P"}) {
        SCOPED_TRACE(name);
        check(QString::fromUtf8(name), false);
        check(QString::fromUtf8(name), true);
    }

    // Random names from the characters that matter to the splitter and the parser.
    const QString alphabet = QString::fromUtf8("\"\\/- \t=rRpPnNOwnerLft&日=a");
    QRandomGenerator random(20261210);
    for (int round = 0; round < 2000; ++round) {
        QString name;
        const int length = 1 + int(random.bounded(10));
        for (int i = 0; i < length; ++i)
            name += alphabet[int(random.bounded(alphabet.size()))];
        if (random.bounded(2) == 0)
            name.prepend(QLatin1Char('/'));
        SCOPED_TRACE(name.toStdString());
        check(name, random.bounded(2) == 0);
        if (::testing::Test::HasFailure())
            break;
    }
}
