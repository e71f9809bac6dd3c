#include "platform/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMargins>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <sys/stat.h>

namespace velmo {

namespace {

bool isPdf(const QPrinter &printer) { return printer.outputFormat() == QPrinter::PdfFormat; }

// The PDF printer prints A4 sheets edge to edge.
void makePdfPrinter(QPrinter &printer)
{
    printer.setPrinterName(QString());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// Every job is one copy of all pages; each page is drawn in sheet coordinates.
void oneCopyOfAll(QPrinter &printer)
{
    printer.setCopyCount(1);
    printer.setCollateCopies(false);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    printer.setFullPage(true);
}

class QtPrintJob : public PrintJob {
public:
    QtPrintJob(QPrinter &printer, QString temp, QString folder, QString base)
        : printer_(printer), temp_(std::move(temp)), folder_(std::move(folder)), base_(std::move(base))
    {
    }
    ~QtPrintJob() override
    {
        if (painter_.isActive())
            abort();
    }
    bool begin() { return painter_.begin(&printer_) && printer_.printerState() != QPrinter::Error; }
    QPainter &painter() override { return painter_; }
    bool newPage() override
    {
        if (!printer_.newPage() || printer_.printerState() == QPrinter::Error)
            return false;
        ++page_;
        return true;
    }
    bool finish() override
    {
        const bool ended = painter_.end();
        if (!ended || printer_.printerState() == QPrinter::Error) {
            dropTemp();
            return false;
        }
        if (temp_.isEmpty())
            return true;
        // The finished PDF takes the first free name; a name taken meanwhile is skipped.
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const QString target = freePdfName(folder_, base_);
            if (QFile::rename(temp_, target)) {
                // The temporary file was private to its owner; the PDF is an ordinary file.
                const mode_t mask = ::umask(0);
                ::umask(mask);
                ::chmod(QFile::encodeName(target).constData(), 0666 & ~mask);
                output_ = target;
                temp_.clear();
                return true;
            }
            if (!QFileInfo::exists(target))
                break;
        }
        dropTemp();
        return false;
    }
    void abort() override
    {
        if (painter_.isActive()) {
            printer_.abort();
            painter_.end();
        }
        dropTemp();
    }
    int pageNumber() const override { return page_; }
    QString outputFile() const override { return output_; }

private:
    void dropTemp()
    {
        if (!temp_.isEmpty())
            QFile::remove(temp_);
        temp_.clear();
    }

    QPrinter &printer_;
    QPainter painter_;
    QString temp_;   // the PDF being written, beside its final name
    QString folder_;
    QString base_;
    QString output_;
    int page_ = 1;
};

} // namespace

QString pdfPrinterName() { return QStringLiteral("PDF ファイル"); }

QString freePdfName(const QString &folder, const QString &base)
{
    const QDir dir(folder);
    QString name = dir.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = dir.filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
    return name;
}

SystemPrinters::SystemPrinters(bool withQueues) : withQueues_(withQueues) {}

SystemPrinters::~SystemPrinters() = default;

QPrinter *SystemPrinters::printer() const
{
    if (!created_) {
        created_ = true;
        // The desktop's default queue, else its first one, else the PDF printer.
        QPrinterInfo info;
        if (withQueues_) {
            info = QPrinterInfo::defaultPrinter();
            if (info.isNull()) {
                const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
                if (!all.isEmpty())
                    info = all.first();
            }
        }
        if (!info.isNull()) {
            printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            if (!printer_->isValid())
                printer_.reset();
        }
        if (!printer_) {
            printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
            makePdfPrinter(*printer_);
        }
        oneCopyOfAll(*printer_);
    }
    return printer_.get();
}

QStringList SystemPrinters::printerNames() const
{
    QStringList names;
    if (withQueues_)
        names = QPrinterInfo::availablePrinterNames();
    names << pdfPrinterName();
    return names;
}

int SystemPrinters::currentPrinter() const
{
    const QPrinter *p = printer();
    if (!p)
        return -1;
    const QStringList names = printerNames();
    if (isPdf(*p))
        return int(names.size()) - 1;
    return int(names.indexOf(p->printerName()));
}

bool SystemPrinters::selectPrinter(const QString &name)
{
    QPrinter *p = printer();
    if (!p || !printerNames().contains(name))
        return false;
    if (name == pdfPrinterName()) {
        makePdfPrinter(*p);
    } else {
        p->setOutputFormat(QPrinter::NativeFormat);
        p->setPrinterName(name);
    }
    oneCopyOfAll(*p);
    return true;
}

std::optional<PrinterGeometry> SystemPrinters::currentGeometry() const
{
    const QPrinter *p = printer();
    if (!p || !p->isValid())
        return std::nullopt;
    const int dpi = p->resolution();
    if (dpi <= 0)
        return std::nullopt;
    const QPageLayout layout = p->pageLayout();
    const QRect paper = layout.fullRectPixels(dpi);
    if (paper.width() <= 0 || paper.height() <= 0)
        return std::nullopt;
    // The printable area is the sheet less the border the printer cannot reach.
    QPageLayout unprintable = layout;
    unprintable.setMode(QPageLayout::FullPageMode);
    unprintable.setMargins(layout.minimumMargins());
    const QMargins border = unprintable.marginsPixels(dpi);

    PrinterGeometry g;
    const int index = currentPrinter();
    g.name = index >= 0 ? printerNames().at(index) : p->printerName();
    g.resolutionX = dpi;
    g.resolutionY = dpi;
    g.scalePercent = 100;
    g.paperWidthDots = paper.width();
    g.paperHeightDots = paper.height();
    g.offsetX = border.left();
    g.offsetY = border.top();
    g.pageWidthDots = paper.width() - border.left() - border.right();
    g.pageHeightDots = paper.height() - border.top() - border.bottom();
    g.pageWidthMM = int(g.pageWidthDots * 25.4 / dpi);
    g.pageHeightMM = int(g.pageHeightDots * 25.4 / dpi);
    if (g.pageWidthDots <= 0 || g.pageHeightDots <= 0)
        return std::nullopt;
    return g;
}

bool SystemPrinters::setupDialog(QWidget *parent)
{
    QPrinter *p = printer();
    if (!p)
        return false;
    QPrintDialog dialog(p, parent);
    // Ranges and copies are the print command's business, not the printer's.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted && isPdf(*p))
        p->setOutputFileName(QString()); // the PDF printer names its files itself
    oneCopyOfAll(*p);
    return accepted;
}

JobStart SystemPrinters::startJob(const QString &title, const QString &documentPath)
{
    QPrinter *p = printer();
    if (!p)
        return {nullptr, JobStart::Refused, {}};
    oneCopyOfAll(*p);
    p->setDocName(title);
    p->setCreator(QStringLiteral("Velmo"));
    QString temp, folder, base;
    if (isPdf(*p)) {
        const QFileInfo document(documentPath);
        folder = documentPath.isEmpty() ? QDir::currentPath() : document.absolutePath();
        base = documentPath.isEmpty() ? QStringLiteral("Velmo") : document.completeBaseName();
        // Written under a name of its own first, so that a failed job leaves no file.
        QTemporaryFile file(QDir(folder).filePath(QStringLiteral(".velmo-print-XXXXXX.pdf")));
        file.setAutoRemove(false);
        if (!file.open())
            return {nullptr, JobStart::CannotWrite, folder};
        temp = file.fileName();
        file.close();
        p->setOutputFileName(temp);
    }
    auto job = std::make_unique<QtPrintJob>(*p, temp, folder, base);
    if (!job->begin()) {
        job->abort();
        return {nullptr, temp.isEmpty() ? JobStart::Refused : JobStart::CannotWrite, folder};
    }
    return {std::move(job), JobStart::None, {}};
}

} // namespace velmo
