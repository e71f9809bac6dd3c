// A printer that is only figures, or a real printer with faults injected.
#pragma once

#include "platform/printers.h"

#include <QPainter>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace velmo {

// A printer whose answers a test sets; without one set, every query fails. Jobs go to the
// printer given to setJobPrinter (a real one, usually SystemPrinters(false): PDF files);
// without one every job is refused. Faults make the printer system refuse a job at its
// start, at a page, or when it is handed over.
class FakePrinters : public Printers {
public:
    enum class Fault { None, Start, Page, Finish };

    FakePrinters() = default;
    explicit FakePrinters(PrinterGeometry geometry) : geometry_(std::move(geometry)) {}

    std::optional<PrinterGeometry> currentGeometry() const override
    {
        ++queries_;
        if (!geometry_ && inner_)
            return inner_->currentGeometry();
        return geometry_;
    }
    QStringList printerNames() const override { return inner_ ? inner_->printerNames() : QStringList{}; }
    int currentPrinter() const override { return inner_ ? inner_->currentPrinter() : -1; }
    bool setupDialog(QWidget *) override
    {
        ++setupDialogs;
        if (!afterSetup)
            return false;
        geometry_ = afterSetup;
        return true;
    }
    JobStart startJob(const QString &title, const QString &documentPath) override
    {
        jobTitles.push_back(title);
        if (onJobStart)
            onJobStart();
        if (!inner_ || fault == Fault::Start)
            return {nullptr, JobStart::Refused, {}};
        JobStart start = inner_->startJob(title, documentPath);
        if (start.job)
            start.job = std::make_unique<FaultyJob>(std::move(start.job), *this);
        return start;
    }

    void setGeometry(std::optional<PrinterGeometry> geometry) { geometry_ = std::move(geometry); }
    // Queries (unless a geometry is set) and jobs go to `inner`.
    void setJobPrinter(Printers *inner) { inner_ = inner; }
    int queries() const { return queries_; }

    Fault fault = Fault::None;
    int faultPage = 2;                          // Page: the page whose start is refused
    std::optional<PrinterGeometry> afterSetup;  // what the printer-setup dialog picks
    int setupDialogs = 0;
    std::vector<QString> jobTitles;             // every job started, in order
    std::function<void()> onJobStart;           // runs as each job is asked for

private:
    class FaultyJob : public PrintJob {
    public:
        FaultyJob(std::unique_ptr<PrintJob> job, const FakePrinters &owner)
            : job_(std::move(job)), owner_(owner) {}
        QPainter &painter() override { return job_->painter(); }
        bool newPage() override
        {
            if (owner_.fault == Fault::Page && job_->pageNumber() + 1 >= owner_.faultPage)
                return false;
            return job_->newPage();
        }
        bool finish() override
        {
            if (owner_.fault == Fault::Finish) {
                job_->abort();
                return false;
            }
            return job_->finish();
        }
        void abort() override { job_->abort(); }
        int pageNumber() const override { return job_->pageNumber(); }
        QString outputFile() const override { return job_->outputFile(); }

    private:
        std::unique_ptr<PrintJob> job_;
        const FakePrinters &owner_;
    };

    std::optional<PrinterGeometry> geometry_;
    Printers *inner_ = nullptr;
    mutable int queries_ = 0;
};

} // namespace velmo
