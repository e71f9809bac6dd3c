// The launch line: split by the Windows shell's rules, and quoted so that it splits back.
#include "platform/launchline.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace velmo {
namespace {

TEST(SplitWindowsCommandLine, FollowsTheShellsQuotingRules)
{
    struct Case {
        QString line;
        QStringList args;
    } cases[] = {
        {QString(), {}},
        {QStringLiteral("  \t "), {}},
        {QStringLiteral("a b\tc"), {"a", "b", "c"}},
        {QStringLiteral("  lead  trail  "), {"lead", "trail"}},
        {QStringLiteral("\"a b c\" d e"), {"a b c", "d", "e"}},
        {QStringLiteral("\"ab\\\"c\" \"\\\\\" d"), {"ab\"c", "\\", "d"}},
        {QStringLiteral("a\\\\\\b d\"e f\"g h"), {"a\\\\\\b", "de fg", "h"}},
        {QStringLiteral("a\\\\\\\"b c d"), {"a\\\"b", "c", "d"}},
        {QStringLiteral("a\\\\\\\\\"b c\" d e"), {"a\\\\b c", "d", "e"}},
        {QStringLiteral("a \"\" b"), {"a", "", "b"}},
        {QStringLiteral("\"\""), {""}},
        {QStringLiteral("\"a\"\"b\""), {"a\"b"}},
        {QStringLiteral("\"open to the end"), {"open to the end"}},
        {QStringLiteral("/Owner=12345 /Left=22 /Top=44 /Width=640 /Height=400 \"C:\\My Documents\\メモ 1.txt\" /r"),
         {"/Owner=12345", "/Left=22", "/Top=44", "/Width=640", "/Height=400", "C:\\My Documents\\メモ 1.txt", "/r"}},
        {QStringLiteral("/n"), {"/n"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(splitWindowsCommandLine(c.line), c.args) << qPrintable(c.line);
}

TEST(QuoteLaunchArgument, SplitsBackToExactlyTheArgument)
{
    const struct {
        QString argument;
        QString quoted;
    } cases[] = {
        {QStringLiteral("a b"), QStringLiteral("\"a b\"")},
        {QStringLiteral("say \"hi\""), QStringLiteral("\"say \\\"hi\\\"\"")},
        {QStringLiteral("dir\\"), QStringLiteral("\"dir\\\\\"")},
        {QStringLiteral("a\\b"), QStringLiteral("\"a\\b\"")},
        {QString(), QStringLiteral("\"\"")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        EXPECT_EQ(quoteLaunchArgument(c.argument), c.quoted);
        EXPECT_EQ(splitWindowsCommandLine(quoteLaunchArgument(c.argument)), QStringList{c.argument});
    }
    // Random arguments of quotes, backslashes and blanks, several on one line.
    const QString alphabet = QStringLiteral("\"\\ \tab");
    QRandomGenerator random(7);
    for (int round = 0; round < 3000; ++round) {
        QStringList arguments;
        QString line;
        for (int n = 1 + int(random.bounded(3)); n > 0; --n) {
            QString argument;
            for (int i = int(random.bounded(8)); i > 0; --i)
                argument += alphabet[int(random.bounded(alphabet.size()))];
            arguments << argument;
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + quoteLaunchArgument(argument);
        }
        ASSERT_EQ(splitWindowsCommandLine(line), arguments) << line.toStdString();
    }
}

} // namespace
} // namespace velmo
