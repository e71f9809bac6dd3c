// A save killed at a random moment: a window in a child process saves a large document and
// its settings over and over, and is killed with SIGKILL at random points. The document on
// disk is always one complete version (the old one or one the window saved in full), never
// cut short, and the settings file always reads with every key it had.
#include "faultplace.h"

#include "settings/profilefile.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <set>

#include <signal.h>
#include <time.h>

using namespace velmo;
using namespace velmo::testing;

namespace {

const QByteArray kSettings = "[Velmo]\r\nVersion=2.66\r\n";

// Reads the child's lines until one starts with `prefix` (the child is not waited for
// beyond 30 s); empty when it ended or said nothing of the kind.
QByteArray lineStarting(QProcess &child, const QByteArray &prefix, QList<QByteArray> *seen)
{
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        while (child.canReadLine()) {
            const QByteArray line = child.readLine().trimmed();
            if (seen)
                seen->append(line);
            if (line.startsWith(prefix))
                return line;
        }
        if (child.state() == QProcess::NotRunning || !child.waitForReadyRead(int(deadline.remainingTime())))
            if (!child.canReadLine())
                return {};
    }
    return {};
}

// Every (section, key) of a settings file.
std::set<std::pair<QString, QString>> keysOf(const QString &ini)
{
    std::set<std::pair<QString, QString>> keys;
    const TProfileFile file(ini);
    for (const QString &section : file.ReadSections())
        for (const QString &key : file.ReadSection(section))
            keys.emplace(section, key);
    return keys;
}

} // namespace

TEST(KilledSave, DocumentIsAlwaysOneWholeVersionAndSettingsKeepEveryKey)
{
    const QString program = QStringLiteral(VELMO_BUILD_DIR "/tests/velmo_window_loop");
    auto *random = QRandomGenerator::global();
    for (const char *extension : {".txt", ".rtf"}) {
        SCOPED_TRACE(extension);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("velmo.ini"));
        const QString document = dir.filePath(QStringLiteral("doc") + QLatin1String(extension));
        ASSERT_TRUE(writeBytes(ini, kSettings));
        ASSERT_TRUE(writeBytes(document, QByteArray(extension) == ".rtf" ? "{\\rtf1 first\\par}" : "first\r\n"));

        std::set<std::pair<QString, QString>> keys;
        int kills = 0, killedDuringSave = 0;
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(round);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(program, {QStringLiteral("save"), dir.path(), document});
            ASSERT_TRUE(child.waitForStarted());
            QList<QByteArray> said;
            const QByteArray ready = lineStarting(child, "READY ", &said);
            ASSERT_FALSE(ready.isEmpty()) << said.join('\n').toStdString();
            if (keys.empty())
                keys = keysOf(ini);
            // The complete versions the file may hold: the one it had, and every one a save
            // has started on.
            std::set<QByteArray> whole{ready.mid(6)};
            // Let 0 to 2 saves finish, then kill somewhere in the next one.
            const int finished = random->bounded(3);
            for (int i = 0; i <= finished; ++i) {
                const QByteArray saving = lineStarting(child, "SAVING ", &said);
                ASSERT_FALSE(saving.isEmpty()) << said.join('\n').toStdString();
                whole.insert(saving.split(' ').value(2));
                if (i < finished)
                    ASSERT_FALSE(lineStarting(child, "SAVED ", &said).isEmpty());
            }
            // The moment of the kill is the point of the test: somewhere in the save just begun.
            const timespec pause{0, long(random->bounded(40000)) * 1000};
            ::nanosleep(&pause, nullptr);
            ::kill(pid_t(child.processId()), SIGKILL);
            ASSERT_TRUE(child.waitForFinished(10000));
            ++kills;
            // The child does not wait for the test: it may have begun further saves before
            // the kill. Each of them is a version the file may hold whole too.
            for (const QByteArray &line : child.readAll().split('\n'))
                if (line.startsWith("SAVING "))
                    whole.insert(line.split(' ').value(2).trimmed());

            const QByteArray bytes = readBytes(document);
            const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
            EXPECT_TRUE(whole.count(hash)) << bytes.size() << " bytes, not a whole version";
            killedDuringSave += hash != ready.mid(6);
            const auto now = keysOf(ini);
            for (const auto &key : keys)
                EXPECT_TRUE(now.count(key)) << "[" << key.first.toStdString() << "] " << key.second.toStdString();
        }
        std::printf("%s: %d kills, the file held a newer version after %d\n", extension, kills, killedDuringSave);
    }
}
