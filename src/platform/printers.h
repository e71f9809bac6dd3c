// The window's printer: its page geometry, the list it is chosen from, the printer-setup
// dialog and print jobs. A geometry query either answers for the current printer, paper
// and orientation or fails as a whole (no printer can be set up at all).
//
// The list always ends with the PDF printer ("PDF ファイル"), Qt's PDF output, besides the
// desktop's print queues; with no queue it is the current printer, so that a machine
// without printers can still print. A job on it writes "<document>.pdf" beside the
// document (an untitled document: "Velmo.pdf" in the current folder); when that name is
// taken the job writes "<document> (2).pdf", "(3)" and so on: no file is ever overwritten,
// and a job that fails leaves no file behind.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QPainter;
class QPrinter;
class QWidget;

namespace velmo {

struct PrinterGeometry {
    QString name;                 // the current printer's name
    int resolutionX = 0;          // dots per inch
    int resolutionY = 0;
    int scalePercent = 100;       // the driver's scaling, 100 when it has none
    int paperWidthDots = 0;       // the whole sheet
    int paperHeightDots = 0;
    int pageWidthDots = 0;        // the printable area
    int pageHeightDots = 0;
    int pageWidthMM = 0;          // the printable area in whole millimetres
    int pageHeightMM = 0;
    int offsetX = 0;              // printable area's distance from the sheet's left and top edges
    int offsetY = 0;
    bool operator==(const PrinterGeometry &) const = default;
};

// One print job on the current printer. Pages are drawn with painter() in dots of the
// printer's resolution, the origin at the sheet's top left corner (not the printable area's).
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual QPainter &painter() = 0;
    // False when the printer system refused the page; the job is then lost.
    virtual bool newPage() = 0;
    // Hands the job over. False when the printer system refused it: nothing was printed
    // (a PDF is not kept).
    virtual bool finish() = 0;
    // Gives the job up: nothing is printed, no file is kept.
    virtual void abort() = 0;
    // 1 for the first page.
    virtual int pageNumber() const = 0;
    // The PDF file the finished job wrote; empty for a print queue.
    virtual QString outputFile() const = 0;
};

struct JobStart {
    enum Error { None, CannotWrite, Refused };
    std::unique_ptr<PrintJob> job; // null when the job could not start
    Error error = None;            // then: why; a PDF that cannot be written names its
    QString path;                  // folder here
};

class Printers {
public:
    virtual ~Printers() = default;
    // std::nullopt when there is no usable current printer.
    virtual std::optional<PrinterGeometry> currentGeometry() const = 0;
    // The printers to choose from, and the current one's index in that list (-1: none).
    virtual QStringList printerNames() const { return {}; }
    virtual int currentPrinter() const { return -1; }
    // The printer-setup dialog (printer, paper, orientation) over `parent`; true when the
    // user confirmed it. Afterwards the queries answer for the new choice, one copy of all
    // pages is asked for again.
    virtual bool setupDialog(QWidget *parent) { (void)parent; return false; }
    // A job titled `title` (the document's file name) on the current printer; a PDF goes
    // beside `documentPath` as described above.
    virtual JobStart startJob(const QString &title, const QString &documentPath)
    {
        (void)title;
        (void)documentPath;
        return {nullptr, JobStart::Refused, {}};
    }
};

// The PDF printer's name in the list.
QString pdfPrinterName();
// The first name of "<base>.pdf", "<base> (2).pdf", ... in `folder` that names no file.
QString freePdfName(const QString &folder, const QString &base);

// The desktop's print queues (CUPS through Qt's print support) and the PDF printer, with
// one high-resolution QPrinter kept for the window's life. `withQueues` false offers the
// PDF printer only (tests, benchmarks).
class SystemPrinters : public Printers {
public:
    explicit SystemPrinters(bool withQueues = true);
    ~SystemPrinters() override;

    std::optional<PrinterGeometry> currentGeometry() const override;
    QStringList printerNames() const override;
    int currentPrinter() const override;
    bool setupDialog(QWidget *parent) override;
    JobStart startJob(const QString &title, const QString &documentPath) override;

    // The window's printer; null when none could be set up.
    QPrinter *printer() const;
    // Makes the printer of that name current (one of printerNames()); false if unknown.
    bool selectPrinter(const QString &name);

private:
    bool withQueues_;
    mutable std::unique_ptr<QPrinter> printer_;
    mutable bool created_ = false;
};

} // namespace velmo
