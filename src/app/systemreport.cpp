#include "app/systemreport.h"

#include "app/optiontexts.h"
#include "app/uitexts.h"
#include "settings/pagesetup.h"

namespace velmo {

namespace {

QString t(const char *utf8) { return QString::fromUtf8(utf8); }
QString n(std::int64_t value) { return QString::number(value); }

// Class names and captions are read into buffers of 255 characters.
constexpr int kNameLimit = 255;

} // namespace

QString FreeSpaceText(std::int64_t freeBytes, std::int64_t freeBytesTotal)
{
    using namespace reporttexts;
    QString text = freeBytes < 0 ? t(kUnknownFree) : n(freeBytes / 1024) + t(kKBytes);
    const std::int64_t total = freeBytesTotal < 0 ? 0 : freeBytesTotal;
    return text + QLatin1Char('(') + n(total / 1000) + t(kKBytesClose);
}

QStringList SystemReportLines(const TSystemReportInput &in)
{
    using namespace reporttexts;
    const TSystemSnapshot &s = in.Snapshot;
    const QString size = in.MaxLength != 0 ? n(in.MaxLength / 1000) + t(kKB) : t(kUnlimited);
    const QString processor = (s.ProcessorName.isEmpty() ? t(kUnknownProcessor) : s.ProcessorName + u' ');
    QString os = (s.OsName.isEmpty() ? QStringLiteral("Unknown") : s.OsName) + u' ' + s.OsRelease;
    if (!s.Distribution.isEmpty())
        os += u' ' + s.Distribution;

    QStringList lines;
    lines << t(kBannerVelmo) << t(kVersionLine) << t(kProgramPath) + in.ProgramPath
          << t(kDocumentSize) + size << t(kWindowCount) + n(in.OtherWindows + 1)
          << t(kBannerCpu) << t(kCpuType) + processor + t(kTimes) + n(s.ProcessorCount)
          << t(kBannerOs) << os
          << t(kBannerUser) << t(kComputerName) + s.ComputerName << t(kUserName) + s.UserName
          << t(kBannerDisplay) << t(kScreenSize) + n(s.ScreenWidth) + t(kBy) + n(s.ScreenHeight)
          << t(kResolution) + n(in.PixelsPerInch) + t(kDpi) << t(kBannerPrinter);
    if (const TPageSetup *p = in.PageSetup) {
        lines << t(kPrinter) + p->PrinterName;
        if (!p->PrinterUnavailable)
            lines << t(kPaper) + n(p->PaperWidthMM) + t(kX) + n(p->PaperHeightMM) + t(kMm)
                  << t(kPrintable) + n(p->PageWidthMM) + t(kX) + n(p->PageHeightMM) + t(kMm)
                  << t(kPrinterDpi) + n(p->DpiX) + t(kX) + n(p->DpiY) + t(kDpi);
    } else {
        lines << t(kPrinter) + TPageSetup::UnavailableName();
    }
    lines << t(kBannerDisk) << t(kDrive) + s.MountPoint
          << t(kFree) + FreeSpaceText(s.FreeBytes, s.FreeBytesTotal);
    return lines;
}

QStringList WindowListLines(const std::vector<WindowInfo> &windows)
{
    QStringList lines{t(reporttexts::kBannerApps), t(reporttexts::kAppsHeader)};
    for (const WindowInfo &w : windows) {
        // The bus's namespace is the editor's own, but a window there may still be something
        // else; only editor windows are named, with what they show on their caption.
        if (!w.responding || w.caption.left(5) != QLatin1String(texts::kTitle)
            || w.className.left(9) != QLatin1String("TMainForm"))
            continue;
        lines << n(w.handle) + QStringLiteral(": ") + w.className.left(kNameLimit) + QStringLiteral(": ")
                     + w.caption.left(kNameLimit);
    }
    return lines;
}

} // namespace velmo
