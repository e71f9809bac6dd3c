// Writes `count` keys "<prefix><i>" = i into [Keys] of a settings file, one write each, and
// after every write the shared key [Shared] Last = <prefix>. Used by the settings tests to
// run writers in two processes against one file.
// With a fourth argument "history" it adds the files /<prefix><i>.txt to [History] instead,
// one at a time as windows opening files do (the list long enough to keep them all).
#include "platform/componenterror.h"
#include "settings/historylist.h"
#include "settings/profilefile.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4 && !(argc == 5 && QByteArray(argv[4]) == "history")) {
        std::fprintf(stderr, "usage: %s <ini> <prefix> <count> [history]\n", argv[0]);
        return 2;
    }
    velmo::TProfileFile ini(QString::fromLocal8Bit(argv[1]));
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    try {
        if (argc == 5) {
            velmo::THistoryList history(nullptr, ini.FileName());
            history.Capacity = 2 * count + 10;
            for (int i = 0; i < count; ++i) {
                const QString path = QStringLiteral("/%1%2.txt").arg(prefix).arg(i);
                history.StoreChange([&path](velmo::THistoryList &list) { list.AddFile(path); });
            }
            return 0;
        }
        for (int i = 0; i < count; ++i) {
            ini.WriteInteger(QStringLiteral("Keys"), prefix + QString::number(i), i);
            ini.WriteString(QStringLiteral("Shared"), QStringLiteral("Last"), prefix);
        }
    } catch (const velmo::ComponentError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
