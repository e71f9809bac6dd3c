// Ten editor windows, each a process of its own, share one settings file and store their
// file history and options over and over (each opens file after file and saves every
// setting). Afterwards the file reads, every key a window writes is there, no history entry
// is there twice, and every window's registry entry is gone with its window.
//
// The ordinary run takes a few seconds; the long run is
//   VELMO_STRESS_MS=60000 build/tests/test_faults --gtest_filter='TenWindows.*'
#include "faultplace.h"

#include "settings/profilefile.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

using namespace velmo;
using namespace velmo::testing;

namespace {

const QString kProgram = QStringLiteral(VELMO_BUILD_DIR "/tests/velmo_window_loop");

std::set<std::pair<QString, QString>> keysOf(const QString &ini, const QStringList &skip)
{
    std::set<std::pair<QString, QString>> keys;
    const TProfileFile file(ini);
    for (const QString &section : file.ReadSections())
        if (!skip.contains(section))
            for (const QString &key : file.ReadSection(section))
                keys.emplace(section, key);
    return keys;
}

struct WindowsRun {
    int stores = 0;
    QByteArray errors;
};

// Starts `count` windows for `ms` milliseconds and waits for all of them to close.
WindowsRun runWindows(const QString &folder, int count, int ms)
{
    std::vector<std::unique_ptr<QProcess>> windows;
    for (int i = 0; i < count; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(kProgram, {QStringLiteral("history"), folder, QStringLiteral("w%1").arg(i), QString::number(ms)});
        windows.push_back(std::move(p));
    }
    WindowsRun run;
    for (auto &p : windows) {
        if (!p->waitForFinished(ms + 60000)) {
            p->kill();
            p->waitForFinished(5000);
            run.errors += "a window did not close\n";
        }
        for (const QByteArray &line : p->readAll().split('\n')) {
            if (line.startsWith("DONE "))
                run.stores += line.mid(5).toInt();
            else if (line.startsWith("ERROR "))
                run.errors += line + '\n';
        }
        if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
            run.errors += "a window ended with " + QByteArray::number(p->exitCode()) + '\n';
    }
    return run;
}

} // namespace

TEST(TenWindows, SharedSettingsKeepEveryKeyAndNoDuplicate)
{
    const int ms = qEnvironmentVariableIsSet("VELMO_STRESS_MS") ? qEnvironmentVariableIntValue("VELMO_STRESS_MS") : 1500;
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("velmo.ini"));
    ASSERT_TRUE(writeBytes(ini, "[Velmo]\r\nVersion=2.66\r\n"));

    // What one window alone writes is what every key of the shared file must keep.
    const WindowsRun alone = runWindows(dir.path(), 1, 1);
    ASSERT_TRUE(alone.errors.isEmpty()) << alone.errors.toStdString();
    const QStringList varying{QStringLiteral("History"), QStringLiteral("EditFiles")};
    const auto reference = keysOf(ini, varying);
    ASSERT_GT(reference.size(), 20u);

    const WindowsRun ten = runWindows(dir.path(), 10, ms);
    EXPECT_TRUE(ten.errors.isEmpty()) << ten.errors.toStdString();
    std::printf("10 windows stored history and options %d times in %d ms\n", ten.stores, ms);

    const auto now = keysOf(ini, varying);
    for (const auto &key : reference)
        EXPECT_TRUE(now.count(key)) << "lost [" << key.first.toStdString() << "] " << key.second.toStdString();

    const TProfileFile file(ini);
    std::set<QString> seen;
    const QRegularExpression opened(QStringLiteral("^%1/w\\d+-\\d+\\.txt$").arg(QRegularExpression::escape(dir.path())));
    for (const QString &key : file.ReadSection(QStringLiteral("History"))) {
        const QString entry = file.ReadPath(QStringLiteral("History"), key, QString());
        EXPECT_TRUE(opened.match(entry).hasMatch()) << entry.toStdString();
        EXPECT_TRUE(seen.insert(entry.toLower()).second) << "twice: " << entry.toStdString();
    }
    EXPECT_FALSE(seen.empty());
    EXPECT_TRUE(file.ReadSection(QStringLiteral("EditFiles")).isEmpty())
        << file.ReadSection(QStringLiteral("EditFiles")).join(u' ').toStdString();
}
