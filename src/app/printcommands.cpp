// The window's print command: the print dialog, the progress window and one print job per
// copy, laid out by the editor's line breaker at the printer's resolution.
#include "app/mainform.h"
#include "editor/extmemo.h"
#include "editor/linebreaker.h"
#include "editor/wordwrapoption.h"
#include "platform/printers.h"
#include "platform/prompts.h"
#include "print/printform.h"
#include "print/printingform.h"
#include "print/printjob.h"
#include "print/printtexts.h"
#include "settings/placement.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QWindow>

namespace velmo {

namespace {

QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }

QString withName(const char *text, const QString &name)
{
    return tr8(text).replace(QStringLiteral("%s"), name);
}

} // namespace

void TMainForm::ConnectPrintCommands()
{
    FilePrintMenu->setEnabled(true);
    for (QAction *action : {FilePrintMenu, PopPrintMenu, PrintButton})
        connect(action, &QAction::triggered, this, [this] { FilePrintMenuClick(); });
    // The button and the context-menu item only while the document holds text.
    auto update = [this] {
        const bool hasText = RichEdit->GetTextLength() > 0;
        PrintButton->setEnabled(hasText);
        PopPrintMenu->setEnabled(hasText);
    };
    connect(RichEdit, &TRichEdit::SelectionChange, this, update);
    connect(PopupMenu, &QMenu::aboutToShow, this, update);
    update();
}

void TMainForm::FilePrintMenuClick()
{
    if (!Options || !services_.printers || !services_.prompts)
        return;
    Prompts &prompts = *services_.prompts;
    Printers &printers = *services_.printers;
    TPageSetup &page = Options->PageSetup;
    if (page.PrinterUnavailable) {
        prompts.message(tr8(printtexts::kNoPrinter), PromptButtons::Ok, PromptIcon::Stop);
        return;
    }
    if (RichEdit->GetTextLength() == 0) {
        prompts.message(tr8(printtexts::kEmptyDocument), PromptButtons::Ok, PromptIcon::Exclamation);
        return;
    }

    for (;;) {
        TPrintForm dialog(this, page.PrinterName,
                          [this, &printers, &dialog, &page] {
                              if (!printers.setupDialog(&dialog))
                                  return;
                              page.Recompute();
                              LayoutEditArea();
                          },
                          bool(ShowPageSetupPage));
        if (Placement)
            Placement->CenterOverMainWindow(&dialog);
        const int result = dialog.exec();
        if (result == TPrintForm::PageSetupResult) {
            if (ShowPageSetupPage)
                ShowPageSetupPage();
            continue;
        }
        if (result != QDialog::Accepted)
            return;
        CopiesCount = dialog.Copies();
        break;
    }

    const QString restingText = StatusPanels[3]->text();
    const QString file = Options->CurrentFile;
    const QString message = withName(printtexts::kPrintingMessage, file);
    TPrintingForm progress(this, message);
    ShowProgressText(message);
    if (Placement)
        Placement->CenterOverMainWindow(&progress);
    progress.show();
    // The progress window is on the screen and painted (and the print dialog gone from the
    // window) before the jobs keep the event loop busy; a desktop that never shows it
    // does not hold printing up for long.
    {
        QElapsedTimer waited;
        waited.start();
        QTimer wake;
        wake.start(10);
        auto exposed = [&progress] { return progress.windowHandle() && progress.windowHandle()->isExposed(); };
        while (!exposed() && waited.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    // The printer may have gone since the dialog: ask again before the first job.
    page.Recompute();
    QString error;
    QStringList written;
    if (page.PrinterUnavailable) {
        error = tr8(printtexts::kNoPrinter);
    } else {
        const TMarginRect &r = page.PrintRect;
        // The margins' rectangle, kept to what the printer can reach.
        const QRect pageRect = printableRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top),
                                             QRect(page.OffsetX, page.OffsetY, page.PageWidthDots, page.PageHeightDots));
        std::array<QString, 4> custom;
        for (std::size_t type = 0; type < 4; ++type)
            custom[type] = RichEdit->WordWrapOption().PunctuationTable[wbfCustom][type];
        const editor::BreakRules rules = editor::breakRulesFor(RichEdit->GetWordWrapMode(), custom);
        const QString title = file.isEmpty() ? QString() : QFileInfo(file).fileName();
        for (int copy = 0; copy < CopiesCount && error.isEmpty(); ++copy) {
            JobStart start = printers.startJob(title, file);
            if (!start.job) {
                error = start.error == JobStart::CannotWrite ? withName(printtexts::kCannotWrite, start.path)
                                                             : tr8(printtexts::kJobRefused);
                break;
            }
            const PrintOutcome outcome = printDocument(*RichEdit->document(), rules, *start.job, pageRect,
                                                       [&progress](int n) { progress.ShowPage(n); });
            if (outcome.result != PrintOutcome::Printed) {
                start.job->abort();
                error = tr8(outcome.result == PrintOutcome::NothingFits ? printtexts::kNothingFits
                                                                        : printtexts::kJobRefused);
            } else if (!start.job->finish()) {
                error = tr8(printtexts::kJobRefused);
            } else if (!start.job->outputFile().isEmpty()) {
                written << start.job->outputFile();
            }
        }
    }

    progress.close();
    StatusPanels[3]->setText(restingText);
    if (!error.isEmpty()) {
        prompts.message(error, PromptButtons::Ok, PromptIcon::Stop);
    } else if (!written.isEmpty()) {
        // Where the PDF went: the first file in full, further copies by name.
        QStringList names{written.first()};
        for (qsizetype i = 1; i < written.size(); ++i)
            names << QFileInfo(written[i]).fileName();
        ShowProgressText(withName(printtexts::kPdfWritten, names.join(QStringLiteral(", "))));
    }
}

} // namespace velmo
