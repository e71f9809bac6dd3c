// The system-information report: a plain-text description of the program, the machine, the
// printer and the disk, meant to be pasted into a support request, and the list of the
// editor's windows appended to it on request.
#pragma once

#include "platform/systemqueries.h"
#include "platform/windowbus.h"

#include <QStringList>

#include <vector>

namespace velmo {

class TPageSetup;

struct TSystemReportInput {
    TSystemSnapshot Snapshot;
    QString ProgramPath;
    int MaxLength = 0;           // the editor's text limit in bytes; 0 for the old 64 KB limit
    int OtherWindows = 0;        // the other editor windows
    int PixelsPerInch = 96;      // of the settings dialog's screen
    const TPageSetup *PageSetup = nullptr;
};

// The report's lines in order.
QStringList SystemReportLines(const TSystemReportInput &input);
// "<free>KBytes(<total free>KBytes)", "不明" for a free figure the system cannot tell.
QString FreeSpaceText(std::int64_t freeBytes, std::int64_t freeBytesTotal);
// The two header lines and one line per window: "handle: class: caption". Only the editor's
// own windows are listed (caption beginning "Velmo", class "TMainForm"), never another
// program's: the report is meant to be sent to other people.
QStringList WindowListLines(const std::vector<WindowInfo> &windows);

} // namespace velmo
