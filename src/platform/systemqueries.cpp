#include "platform/systemqueries.h"

#include "platform/filesystem.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <QThread>

#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace velmo {

namespace {

QByteArray readAll(const char *path)
{
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // /proc files report no size: read until the end.
    return file.readAll();
}

// "key<blanks>: value" lines of /proc/cpuinfo.
QString cpuField(const QByteArray &line, const QByteArray &key)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0 || line.left(colon).trimmed() != key)
        return {};
    return QString::fromUtf8(line.mid(colon + 1).trimmed());
}

} // namespace

QString LinuxSystemQueries::ProcessorModel(const QByteArray &cpuinfo)
{
    // x86 says "model name"; ARM and others say "Processor", "cpu model" or "Hardware".
    for (const char *key : {"model name", "Processor", "cpu model", "cpu", "Hardware"}) {
        for (const QByteArray &line : cpuinfo.split('\n')) {
            const QString value = cpuField(line, key);
            if (!value.isEmpty())
                return value.simplified();
        }
    }
    return QStringLiteral("Unknown");
}

int LinuxSystemQueries::ProcessorCount(const QByteArray &cpuinfo)
{
    int count = 0;
    for (const QByteArray &line : cpuinfo.split('\n'))
        if (!cpuField(line, "processor").isNull())
            ++count;
    return count;
}

QString LinuxSystemQueries::PrettyName(const QByteArray &osRelease)
{
    for (const QByteArray &line : osRelease.split('\n')) {
        if (!line.startsWith("PRETTY_NAME="))
            continue;
        QByteArray value = line.mid(12).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return QString::fromUtf8(value);
    }
    return {};
}

TSystemSnapshot LinuxSystemQueries::snapshot(const QString &folder) const
{
    TSystemSnapshot s;
    s.ComputerName = QSysInfo::machineHostName();
    if (const passwd *pw = getpwuid(geteuid()))
        s.UserName = QString::fromLocal8Bit(pw->pw_name);
    utsname names{};
    if (uname(&names) == 0) {
        s.OsName = QString::fromLocal8Bit(names.sysname);
        s.OsRelease = QString::fromLocal8Bit(names.release);
    } else {
        s.OsName = QSysInfo::kernelType();
        s.OsRelease = QSysInfo::kernelVersion();
    }
    QByteArray osRelease = readAll("/etc/os-release");
    if (osRelease.isEmpty())
        osRelease = readAll("/usr/lib/os-release");
    s.Distribution = PrettyName(osRelease);
    const QByteArray cpuinfo = readAll("/proc/cpuinfo");
    s.ProcessorName = ProcessorModel(cpuinfo);
    s.ProcessorCount = ProcessorCount(cpuinfo);
    if (s.ProcessorCount == 0)
        s.ProcessorCount = QThread::idealThreadCount();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        s.ScreenWidth = screen->geometry().width();
        s.ScreenHeight = screen->geometry().height();
    }
    s.Folder = folder;
    if (!folder.isEmpty()) {
        const auto mounts = parseMountInfo(readAll("/proc/self/mountinfo"));
        if (const MountEntry *mount = findMount(mounts, QFileInfo(folder).canonicalFilePath()))
            s.MountPoint = mount->mountPoint;
        struct statvfs fs {};
        if (statvfs(QFile::encodeName(folder).constData(), &fs) == 0) {
            s.FreeBytes = std::int64_t(fs.f_bavail) * std::int64_t(fs.f_frsize);
            s.FreeBytesTotal = std::int64_t(fs.f_bfree) * std::int64_t(fs.f_frsize);
        }
    }
    return s;
}

SystemQueries &LinuxSystemQueries::instance()
{
    static LinuxSystemQueries queries;
    return queries;
}

} // namespace velmo
