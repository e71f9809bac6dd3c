// The print command on a real window: the print dialog, the progress window and status
// panel, copies as separate jobs and files, the refusals, and printing at start.
#include "app/mainformfixture.h"
#include "print/pdfreader.h"

#include "editor/extmemo.h"
#include "print/printform.h"
#include "print/printingform.h"
#include "print/printtexts.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace velmo {
namespace {

using testing::u8;

class PrintCommandTest : public testing::MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        printers.setJobPrinter(&pdf);
        // What the window shows while a job starts.
        printers.onJobStart = [this] {
            if (!form)
                return;
            panelWhilePrinting << form->StatusPanels[3]->text();
            if (auto *progress = form->findChild<TPrintingForm *>())
                progressWhilePrinting << (progress->isVisible() ? progress->MessageLabel->text() : QString());
        };
    }
    void TearDown() override
    {
        form.reset();
        MainFormFixture::TearDown();
    }

    // A window holding doc.txt with `lines` numbered lines.
    void open(int lines = 3, const QStringList &extra = {})
    {
        writeSettings();
        path = dir.filePath("doc.txt");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= lines; ++i)
            file.write(QStringLiteral("Line%1\r\n").arg(i, 3, 10, QLatin1Char('0')).toLatin1());
        file.close();
        form = start(extra + QStringList{path});
        testing::settle(*form);
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
    }

    // Runs trigger, which should open the print dialog; act on it (it may end it itself),
    // then OK. Each further dialog of the same run is answered by the next action.
    int whileOpen(const std::function<void()> &trigger, std::vector<std::function<void(TPrintForm &)>> acts)
    {
        int shown = 0;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<TPrintForm *>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            const std::size_t index = std::size_t(shown++);
            if (index < acts.size() && acts[index])
                acts[index](*dialog);
            if (dialog->isVisible())
                dialog->OKButtonClick();
        });
        timer.start();
        trigger();
        return shown;
    }

    void printWith(int copies)
    {
        QApplication::setActiveWindow(form.get());
        whileOpen([&] { QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier); },
                  {[copies](TPrintForm &d) { d.CopiesEdit->setValue(copies); }});
    }

    QStringList pdfFiles() const { return QDir(dir.path()).entryList({"*.pdf", ".*.pdf"}, QDir::Files | QDir::Hidden, QDir::Name); }

    SystemPrinters pdf{false};
    std::unique_ptr<TMainForm> form;
    QString path;
    QStringList panelWhilePrinting, progressWhilePrinting;
};

TEST_F(PrintCommandTest, CtrlPPrintsEachCopyAsAJobAndAFileOfItsOwn)
{
    open();
    const QString resting = form->StatusPanels[3]->text();
    QString printerShown;
    int shown = whileOpen([&] { QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier); },
                          {[&](TPrintForm &d) {
                              printerShown = d.PrinterNameLabel->text();
                              EXPECT_EQ(d.windowTitle(), u8(printtexts::kPrintCaption));
                              EXPECT_EQ(d.CopiesEdit->value(), 1);
                              EXPECT_EQ(d.CopiesEdit->maximum(), 100);
                              d.CopiesEdit->setValue(3);
                          }});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(printerShown, pdfPrinterName());
    EXPECT_EQ(form->CopiesCount, 3);
    EXPECT_EQ(printers.jobTitles, (std::vector<QString>(3, QStringLiteral("doc.txt"))));
    EXPECT_EQ(pdfFiles(), (QStringList{"doc (2).pdf", "doc (3).pdf", "doc.pdf"}));
    for (const QString &file : pdfFiles())
        EXPECT_EQ(test::pdfPages(dir.filePath(file)), 1) << file.toStdString();
    // While printing the window and panel 3 named the file; afterwards the panel says where
    // the PDF files went.
    const QString printing = u8(printtexts::kPrintingMessage).replace("%s", path);
    EXPECT_EQ(panelWhilePrinting, QStringList(3, printing));
    EXPECT_EQ(progressWhilePrinting, QStringList(3, printing));
    EXPECT_NE(form->StatusPanels[3]->text(), resting);
    EXPECT_TRUE(form->StatusPanels[3]->text().contains(dir.filePath("doc.pdf")));
    EXPECT_FALSE(form->findChild<TPrintingForm *>());
    EXPECT_TRUE(prompts.messages().empty());

    // The next time the dialog starts at one copy again.
    printers.jobTitles.clear();
    printWith(1);
    EXPECT_EQ(printers.jobTitles.size(), 1u);
    EXPECT_TRUE(pdfFiles().contains("doc (4).pdf"));
}

TEST_F(PrintCommandTest, ARefusedJobStopsWithAMessageAndSkipsTheRemainingCopies)
{
    struct Case {
        const char *name;
        FakePrinters::Fault fault;
    } cases[] = {
        {"the job cannot start", FakePrinters::Fault::Start},
        {"the second page is refused", FakePrinters::Fault::Page},
        {"the finished job is refused", FakePrinters::Fault::Finish},
    };
    open(200); // more than one page
    const QString resting = form->StatusPanels[3]->text();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        printers.fault = c.fault;
        printers.jobTitles.clear();
        prompts.clear();
        printWith(3);
        EXPECT_EQ(printers.jobTitles.size(), 1u);
        const auto messages = prompts.messages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, u8(printtexts::kJobRefused));
        EXPECT_EQ(messages[0].icon, PromptIcon::Stop);
        EXPECT_TRUE(pdfFiles().isEmpty()) << pdfFiles().join(' ').toStdString();
        EXPECT_EQ(form->StatusPanels[3]->text(), resting);
    }
}

TEST_F(PrintCommandTest, MarginsWiderThanThePageEndWithAnError)
{
    open();
    form->Options->PageSetup.Margins = {150, 20, 150, 20};
    printWith(2);
    const auto messages = prompts.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u8(printtexts::kNothingFits));
    EXPECT_EQ(printers.jobTitles.size(), 1u);
    EXPECT_TRUE(pdfFiles().isEmpty());
}

TEST_F(PrintCommandTest, NothingToPrintOrNoPrinterIsSaidBeforeTheDialog)
{
    // An empty document.
    open(0);
    int shown = whileOpen([&] { form->FilePrintMenuClick(); }, {});
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(form->PrintButton->isEnabled());
    auto messages = prompts.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u8(printtexts::kEmptyDocument));
    EXPECT_EQ(messages[0].icon, PromptIcon::Exclamation);

    // A printer that goes away while the dialog is open: asked again before the job.
    prompts.clear();
    QTest::keyClicks(form->RichEdit, "text");
    EXPECT_TRUE(form->PrintButton->isEnabled());
    printers.setGeometry(std::nullopt);
    printers.setJobPrinter(nullptr);
    shown = whileOpen([&] { form->FilePrintMenuClick(); }, {});
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(printers.jobTitles.empty());
    messages = prompts.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u8(printtexts::kNoPrinter));

    // From then on the window refuses at once.
    prompts.clear();
    shown = whileOpen([&] { form->FilePrintMenuClick(); }, {});
    EXPECT_EQ(shown, 0);
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].icon, PromptIcon::Stop);
}

TEST_F(PrintCommandTest, ThePageSetupButtonComesBackToTheDialogAndTheNewMarginsPrint)
{
    open();
    int pageSetups = 0;
    form->ShowPageSetupPage = [&] {
        ++pageSetups;
        form->Options->PageSetup.Margins = {30, 20, 20, 20};
    };
    const int shown = whileOpen([&] { form->FilePrintMenuClick(); },
                                {[](TPrintForm &d) {
                                     ASSERT_TRUE(d.PageSetupButton->isEnabled());
                                     d.PageSetupButton->click();
                                 },
                                 {}});
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(pageSetups, 1);
    ASSERT_EQ(pdfFiles(), QStringList{"doc.pdf"});
    const auto pages = test::pdfWords(dir.filePath("doc.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_FALSE(pages[0].words.empty());
    EXPECT_NEAR(pages[0].words[0].xMin, 90, 1.0); // 30 mm at 24 mm to the inch
}

TEST_F(PrintCommandTest, PrinterSetupFromTheDialogKeepsTheNameShownAndPrintsOnTheNewChoice)
{
    PrinterGeometry other = *pdf.currentGeometry();
    other.name = QStringLiteral("Other");
    printers.afterSetup = other;
    open();
    QString before, after;
    whileOpen([&] { form->FilePrintMenuClick(); },
              {[&](TPrintForm &d) {
                  before = d.PrinterNameLabel->text();
                  d.PrinterSetupButton->click();
                  after = d.PrinterNameLabel->text();
              }});
    EXPECT_EQ(printers.setupDialogs, 1);
    EXPECT_EQ(before, pdfPrinterName());
    EXPECT_EQ(after, before);
    EXPECT_EQ(form->Options->PageSetup.PrinterName, "Other");
    EXPECT_EQ(pdfFiles(), QStringList{"doc.pdf"});
}

TEST_F(PrintCommandTest, CancelPrintsNothing)
{
    open();
    whileOpen([&] { form->FilePrintMenuClick(); }, {[](TPrintForm &d) { d.CancelButton->click(); }});
    EXPECT_TRUE(printers.jobTitles.empty());
    EXPECT_TRUE(pdfFiles().isEmpty());
}

TEST_F(PrintCommandTest, PrintSwitchPrintsOnceStartedAndTheWindowStays)
{
    int shown = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<TPrintForm *>(QApplication::activeModalWidget())) {
            ++shown;
            dialog->OKButtonClick();
        }
    });
    timer.start();
    open(3, {"/p"});
    ASSERT_TRUE(testing::waitUntil([&] { return pdfFiles() == QStringList{"doc.pdf"}; }));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(printers.jobTitles, std::vector<QString>{"doc.txt"});
    EXPECT_TRUE(test::pdfText(dir.filePath("doc.pdf")).contains("Line003"));
}

TEST_F(PrintCommandTest, AnUntitledDocumentPrintsUnderTheProgramsNameInTheCurrentFolder)
{
    writeSettings();
    form = start({"/n"});
    QDir::setCurrent(dir.path());
    QTest::keyClicks(form->RichEdit, "untitled");
    whileOpen([&] { form->FilePrintMenuClick(); }, {});
    EXPECT_EQ(printers.jobTitles, std::vector<QString>{QString()});
    EXPECT_EQ(panelWhilePrinting, QStringList{u8(printtexts::kPrintingMessage).replace("%s", "")});
    EXPECT_EQ(pdfFiles(), QStringList{"Velmo.pdf"});
}

} // namespace
} // namespace velmo
