// What the system-information report tells about the machine: names, operating system,
// processor, screen and the free space where the process works. Asked once per report.
#pragma once

#include <QString>

#include <cstdint>

namespace velmo {

struct TSystemSnapshot {
    QString ComputerName;
    QString UserName;
    QString OsName;            // "Linux"
    QString OsRelease;         // the kernel's release, "6.1.0-18-amd64"
    QString Distribution;      // "Debian GNU/Linux 12 (bookworm)"; empty when unknown
    int ProcessorCount = 0;
    QString ProcessorName;     // the model name, "Unknown" when the system does not say
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    // The folder asked about, the mount point of its file system, the bytes free there for
    // this user and in all (reserved blocks included); -1 when the system cannot tell.
    QString Folder;
    QString MountPoint;
    std::int64_t FreeBytes = -1;
    std::int64_t FreeBytesTotal = -1;
};

class SystemQueries {
public:
    virtual ~SystemQueries() = default;
    virtual TSystemSnapshot snapshot(const QString &folder) const = 0;
};

// The running Linux system: uname, /etc/os-release, /proc/cpuinfo, statvfs, the primary
// screen.
class LinuxSystemQueries : public SystemQueries {
public:
    TSystemSnapshot snapshot(const QString &folder) const override;

    // The pieces that read text, for tests.
    static QString ProcessorModel(const QByteArray &cpuinfo);
    static int ProcessorCount(const QByteArray &cpuinfo);
    static QString PrettyName(const QByteArray &osRelease);
    static SystemQueries &instance();
};

} // namespace velmo
