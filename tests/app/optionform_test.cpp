// The settings dialog: filled from the records, written back by OK and Apply, saved and
// announced to the other windows; its previews, colour buttons and the faults it must not
// have.
#include "app/mainform.h"
#include "app/optioncolormenu.h"
#include "app/optionform.h"
#include "app/optiontexts.h"
#include "app/pagesetuppage.h"
#include "app/uitexts.h"
#include "doubles/faultyprofilestorage.h"
#include "doubles/recordingbuswindow.h"
#include "editor/extmemo.h"
#include "mainformfixture.h"
#include "settings/teoption.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace velmo {
namespace {

using testing::u8;
using testing::waitUntil;

class OptionFormTest : public testing::MainFormFixture {
protected:
    std::unique_ptr<TMainForm> open(const QString &settings = {}, ProfileStorage *storage = nullptr)
    {
        writeSettings(settings);
        auto form = start({}, storage);
        testing::settle(*form);
        return form;
    }
    QByteArray iniBytes() const
    {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Deliveries of the settings-changed notification.
    int settingsPosts() const
    {
        int n = 0;
        for (const auto &d : network.deliveries())
            if (d.message == WM_EDITORNOTIFY && d.wParam == std::int64_t(NotifySettingsChanged) && !d.sent)
                ++n;
        return n;
    }
};

// Each option: the value in the file shows in its control; the control changed and OK
// puts the new value into the record and the file.
TEST_F(OptionFormTest, EachOptionGoesFromRecordToControlAndBackThroughOk)
{
    struct Case {
        const char *key;
        const char *stored;
        std::function<bool(TOptionForm &)> shows;   // the control shows the stored value
        std::function<void(TOptionForm &)> change;  // the user changes it
        const char *written;
    };
    const Case cases[] = {
        {"MaxHistoryItems", "7", [](TOptionForm &d) { return d.HistoryUpDown->value() == 7; },
         [](TOptionForm &d) { d.HistoryUpDown->setValue(30); }, "30"},
        {"AutoOpen", "1", [](TOptionForm &d) { return d.AutoOpenCheckBox->isChecked(); },
         [](TOptionForm &d) { d.AutoOpenCheckBox->setChecked(false); }, "0"},
        {"MakeBackup", "1", [](TOptionForm &d) { return d.BackupCheckBox->isChecked() && d.TrashBoxCheckBox->isEnabled(); },
         [](TOptionForm &d) { d.BackupCheckBox->setChecked(false); }, "0"},
        {"UseTrashBox", "0", [](TOptionForm &d) { return !d.TrashBoxCheckBox->isChecked(); },
         [](TOptionForm &d) { d.TrashBoxCheckBox->setChecked(true); }, "1"},
        {"URLLink", "0", [](TOptionForm &d) { return !d.URLLinkCheckBox->isChecked(); },
         [](TOptionForm &d) { d.URLLinkCheckBox->setChecked(true); }, "1"},
        {"FileNameTitle", "0", [](TOptionForm &d) { return !d.FileNameTitleCheckBox->isChecked(); },
         [](TOptionForm &d) { d.FileNameTitleCheckBox->setChecked(true); }, "1"},
        {"ShowToolBar", "0", [](TOptionForm &d) { return !d.ToolBarCheckBox->isChecked() && !d.ButtonSizeUpDown->isEnabled(); },
         [](TOptionForm &d) { d.ToolBarCheckBox->setChecked(true); }, "1"},
        {"ButtonSize", "30", [](TOptionForm &d) { return d.ButtonSizeUpDown->value() == 30; },
         [](TOptionForm &d) { d.ButtonSizeUpDown->setValue(48); }, "48"},
        {"ShowStatusBar", "0", [](TOptionForm &d) { return !d.StatusBarCheckBox->isChecked() && !d.StatusFontSizeUpDown->isEnabled(); },
         [](TOptionForm &d) { d.StatusBarCheckBox->setChecked(true); }, "1"},
        {"StatusBarFontSize", "12", [](TOptionForm &d) { return d.StatusFontSizeUpDown->value() == 12; },
         [](TOptionForm &d) { d.StatusFontSizeUpDown->setValue(6); }, "6"},
        {"ShowFontName", "0", [](TOptionForm &d) { return d.FontButtonRadioButton->isChecked(); },
         [](TOptionForm &d) { d.FontListRadioButton->setChecked(true); }, "1"},
        {"PlainText", "1", [](TOptionForm &d) { return d.TextRadioButton->isChecked(); },
         [](TOptionForm &d) { d.RichTextRadioButton->setChecked(true); }, "0"},
        {"ShowRooler", "1", [](TOptionForm &d) { return d.RoolerCheckBox->isChecked(); },
         [](TOptionForm &d) { d.RoolerCheckBox->setChecked(false); }, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        auto form = open(QStringLiteral("[Options]\r\n%1=%2\r\n").arg(c.key, c.stored));
        {
            TOptionForm dialog(*form);
            EXPECT_TRUE(c.shows(dialog));
            c.change(dialog);
            dialog.OkButtonClick();
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
        EXPECT_EQ(read("Options", c.key), c.written);
        form->Options->Load();
        form.reset();
        QFile::remove(ini());
    }
}

// A4 at 600 dpi with a 5 mm unprintable border.
PrinterGeometry a4()
{
    PrinterGeometry g;
    g.name = "Office";
    g.resolutionX = g.resolutionY = 600;
    g.paperWidthDots = 4961;
    g.paperHeightDots = 7016;
    g.pageWidthDots = 4725;
    g.pageHeightDots = 6780;
    g.pageWidthMM = 200;
    g.pageHeightMM = 287;
    g.offsetX = g.offsetY = 118;
    return g;
}

TEST_F(OptionFormTest, ProfilesMarginsAndImeStatesRoundTrip)
{
    printers.setGeometry(a4());
    auto form = open(QStringLiteral("[RichTextFonts]\r\nWordWrapMode=0\r\nCrLfOption=-1\r\n"
                                    "[TextModeFonts]\r\nWordWrapMode=2\r\nEotOption=1\r\n"
                                    "[Printers]\r\nLeftMargin=25\r\n"
                                    "[IMEFontStyles]\r\ncIME3Back=255\r\nIME2Styles=101\r\n"));
    TOptionForm dialog(*form);
    auto &rich = dialog.DisplayPages[0];
    auto &text = dialog.DisplayPages[1];
    EXPECT_FALSE(rich.WordWrapCheckBox->isChecked());
    EXPECT_FALSE(rich.WrapWindowRadioButton->isEnabled());
    EXPECT_TRUE(rich.CrLfCheckBox->isChecked());
    EXPECT_TRUE(rich.CrLfReverseCheckBox->isChecked());
    EXPECT_TRUE(text.WrapPageRadioButton->isChecked());
    EXPECT_TRUE(text.EotCheckBox->isChecked());
    EXPECT_FALSE(text.EotReverseCheckBox->isChecked());
    EXPECT_EQ(dialog.PageSetupPage->LeftMarginEdit->value(), 25);
    // Row 0 is "入力中", state 3; row 1 "変換中", state 2.
    EXPECT_EQ(dialog.ImeRows[0].Sample->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_TRUE(dialog.ImeRows[1].BoldButton->isChecked());
    EXPECT_TRUE(dialog.ImeRows[1].UnderlineButton->isChecked());

    // Ticking wrap on a profile that had none, without choosing a radio button, gives 2.
    rich.WordWrapCheckBox->setChecked(true);
    EXPECT_TRUE(rich.WrapWindowRadioButton->isEnabled());
    rich.CrLfReverseCheckBox->setChecked(false);
    text.EotCheckBox->setChecked(false);
    EXPECT_FALSE(text.EotColorButton->isEnabled());
    dialog.PageSetupPage->TopMarginEdit->setValue(30);
    dialog.ImeRows[2].BoldButton->click(); // "未確定", state 1
    dialog.OkButtonClick();

    EXPECT_EQ(read("RichTextFonts", "WordWrapMode"), "2");
    EXPECT_EQ(read("RichTextFonts", "CrLfOption"), "1");
    EXPECT_EQ(read("TextModeFonts", "EotOption"), "0");
    EXPECT_EQ(read("TextModeFonts", "WordWrapMode"), "2");
    EXPECT_EQ(read("Printers", "LeftMargin"), "25");
    EXPECT_EQ(read("Printers", "TopMargin"), "30");
    EXPECT_EQ(read("IMEFontStyles", "cIME3Back"), "255");
    EXPECT_EQ(read("IMEFontStyles", "IME2Styles"), "101");
    EXPECT_EQ(read("IMEFontStyles", "IME1Styles"), "101"); // underline by default, bold added
}

TEST_F(OptionFormTest, OkOnTheGeneralPageLeavesBothProfilesAsTheyWere)
{
    auto form = open(QStringLiteral("[TextModeFonts]\r\nFaceName=Some Proportional Face\r\nSize=14\r\n"));
    const TDisplayProfile rich = form->Options->RichTextProfile;
    const TDisplayProfile text = form->Options->TextModeProfile;
    TOptionForm dialog(*form);
    // A face the list does not hold leaves the box without a selection.
    dialog.FillPreview(1);
    EXPECT_EQ(dialog.DisplayPages[1].FontComboBox->currentIndex(), -1);
    EXPECT_EQ(dialog.DisplayPages[1].SizeComboBox->currentText(), "14");
    dialog.OkButtonClick();
    EXPECT_EQ(form->Options->TextModeProfile.Font.Name, text.Font.Name);
    EXPECT_EQ(form->Options->TextModeProfile.Font.Size, 14);
    EXPECT_EQ(form->Options->RichTextProfile.Font.Name, rich.Font.Name);
    EXPECT_EQ(form->Options->RichTextProfile.Font.Size, rich.Font.Size);
    EXPECT_EQ(form->Options->RichTextProfile.BackColor, rich.BackColor);
}

TEST_F(OptionFormTest, ApplyTwiceSavesTwiceAndTellsTheOtherWindowsTwice)
{
    FaultyProfileStorage storage;
    auto form = open({}, &storage);
    RecordingBusWindow other(QStringLiteral("Velmo: other.txt"), QStringLiteral("TMainForm"));
    network.addWindow(&other);
    network.clearLog();
    TOptionForm dialog(*form);
    const int writesBefore = storage.writes();
    dialog.HistoryUpDown->setValue(5);
    dialog.ApplyButtonClick();
    EXPECT_EQ(read("Options", "MaxHistoryItems"), "5");
    const int writesOfOneApply = storage.writes() - writesBefore;
    EXPECT_GT(writesOfOneApply, 0);
    dialog.ApplyButtonClick();
    EXPECT_EQ(storage.writes() - writesBefore, 2 * writesOfOneApply);
    EXPECT_EQ(settingsPosts(), 2);
    network.deliverPosted();
    ASSERT_EQ(other.received().size(), 2u);
    EXPECT_EQ(other.received()[0],
              (RecordingBusWindow::Received{WM_EDITORNOTIFY, std::int64_t(NotifySettingsChanged), bus.ownHandle()}));
    // The dialog stays open with its controls as they were.
    EXPECT_EQ(dialog.HistoryUpDown->value(), 5);
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(OptionFormTest, CancelChangesNothingOnDiskNorInTheWindow)
{
    auto form = open();
    // Closing once writes the settings as the window has them.
    form->SaveSettings();
    const QByteArray before = iniBytes();
    const QFont editorFont = form->RichEdit->Font();
    {
        TOptionForm dialog(*form);
        dialog.HistoryUpDown->setValue(3);
        dialog.ToolBarCheckBox->setChecked(false);
        auto &rich = dialog.DisplayPages[0];
        rich.SizeComboBox->setEditText("40");
        rich.FontComboBox->setCurrentIndex(0);
        emit rich.FontComboBox->activated(0);
        dialog.CancelButton->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(iniBytes(), before);
    EXPECT_EQ(form->Options->MaxHistoryItems, 10);
    EXPECT_TRUE(form->Options->ShowToolBar);
    EXPECT_EQ(form->RichEdit->Font(), editorFont);
    EXPECT_EQ(settingsPosts(), 0);
}

TEST_F(OptionFormTest, FillingTheDialogRunsNoHandlerNorOpensTheFolderChooser)
{
    const QString data = dir.filePath("data");
    QDir().mkpath(data);
    auto form = open(QStringLiteral("[Options]\r\nSaveDataDir=1\r\nCurrentDir=%1\r\n").arg(data));
    ASSERT_EQ(QDir::currentPath(), data);
    prompts.clear();
    TOptionForm dialog(*form);
    EXPECT_TRUE(prompts.log().empty());
    EXPECT_TRUE(dialog.DataDirCheckBox->isChecked());
    EXPECT_TRUE(dialog.FolderButton->isEnabled());
    EXPECT_EQ(dialog.FolderButton->text(), QDir::toNativeSeparators(data));
}

TEST_F(OptionFormTest, TheFolderChoiceFollowsTheUser)
{
    auto form = open();
    const QString data = dir.filePath("chosen");
    QDir().mkpath(data);
    TOptionForm dialog(*form);
    EXPECT_FALSE(dialog.FolderButton->isEnabled());
    // Ticking asks at once; cancelling when nothing was ever chosen unticks the box.
    prompts.chooseFolder(std::nullopt);
    dialog.DataDirCheckBox->setChecked(true);
    EXPECT_FALSE(dialog.DataDirCheckBox->isChecked());
    prompts.chooseFolder(data);
    dialog.DataDirCheckBox->setChecked(true);
    EXPECT_EQ(dialog.FolderButton->text(), QDir::toNativeSeparators(data));
    EXPECT_EQ(QDir::currentPath(), data); // at once, before OK
    dialog.OkButtonClick();
    EXPECT_EQ(read("Options", "SaveDataDir"), "1");
    EXPECT_EQ(read("Options", "CurrentDir"), QDir::toNativeSeparators(data));
}

TEST_F(OptionFormTest, ALaterOkKeepsTheDocumentAnApplyConverted)
{
    const QString path = dir.filePath("doc.rtf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 hello}");
    file.close();
    writeSettings();
    auto form = start({path});
    ASSERT_FALSE(form->RichEdit->PlainText());
    ASSERT_FALSE(form->RichEdit->Modified());
    TOptionForm dialog(*form);
    dialog.TextRadioButton->setChecked(true);
    prompts.answer(PromptResult::Yes); // convert to text mode
    dialog.ApplyButtonClick();
    ASSERT_TRUE(form->RichEdit->PlainText());
    EXPECT_TRUE(form->RichEdit->Modified());
    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("doc.txt"));
    dialog.OkButtonClick();
    // The converted, renamed document still asks to be saved.
    EXPECT_TRUE(form->RichEdit->Modified());
}

TEST_F(OptionFormTest, ImeItalicAndStrikeOutSurviveOk)
{
    auto form = open(QStringLiteral("[IMEFontStyles]\r\nIME1Styles=011\r\n"));
    form->Options->ImeStyles.Style3 = fsStrikeOut | fsBold;
    {
        TOptionForm dialog(*form);
        EXPECT_TRUE(dialog.ImeRows[2].Sample->font().italic());
        dialog.ImeRows[0].BoldButton->click(); // bold off, strike-out stays
        dialog.OkButtonClick();
    }
    EXPECT_EQ(form->Options->ImeStyles.Style1, TFontStyles(fsItalic | fsUnderline));
    EXPECT_EQ(form->Options->ImeStyles.Style3, TFontStyles(fsStrikeOut));
    EXPECT_EQ(read("IMEFontStyles", "IME1Styles"), "011");
}

TEST_F(OptionFormTest, TheSizeBoxRefusesWhatIsNoSizeOncePerEditAfterItsHandler)
{
    auto form = open();
    TOptionForm dialog(*form);
    auto &rich = dialog.DisplayPages[0];
    dialog.FillPreview(0);
    const int before = rich.Preview->Font().pixelSize();
    rich.SizeComboBox->setEditText("20");
    const int twenty = rich.Preview->Font().pixelSize();
    EXPECT_GT(twenty, before);
    for (const char *bad : {"0", "-5", "99999", "1x", ""}) {
        SCOPED_TRACE(bad);
        prompts.clear();
        rich.SizeComboBox->setEditText(bad);
        // Not while the combo box is still inside its change signal.
        EXPECT_TRUE(prompts.messages().empty());
        ASSERT_TRUE(waitUntil([&] { return !prompts.messages().empty(); }));
        QCoreApplication::processEvents();
        ASSERT_EQ(prompts.messages().size(), 1u);
        EXPECT_EQ(prompts.messages()[0].text, u8(texts::kNotIntegerFormat).replace("%s", bad));
        EXPECT_EQ(rich.Preview->Font().pixelSize(), twenty);
    }
}

TEST_F(OptionFormTest, ButtonSizeWrittenBackIsTheOneLastApplied)
{
    auto form = open(QStringLiteral("[Options]\r\nShowToolBar=0\r\nButtonSize=30\r\n"));
    ASSERT_FALSE(form->Toolbar->isVisible());
    {
        TOptionForm dialog(*form);
        EXPECT_EQ(dialog.ButtonSizeUpDown->value(), 30);
        EXPECT_FALSE(dialog.ButtonSizeUpDown->isEnabled());
        dialog.OkButtonClick();
    }
    EXPECT_EQ(read("Options", "ButtonSize"), "30");
}

TEST_F(OptionFormTest, AColourMenuColoursTheButtonThatOpenedIt)
{
    auto form = open();
    TOptionForm dialog(*form);
    dialog.show();
    auto &rich = dialog.DisplayPages[0];
    const TColor text = rich.Preview->DefAttributes().Color;
    rich.BackColorButton->click();
    ASSERT_TRUE(waitUntil([&] { return dialog.ColorMenu->ColorPopup->isVisible(); }));
    // The pointer crossing another colour button on its way to the menu changes nothing.
    QTest::mouseMove(rich.FontColorButton);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(rich.FontColorButton, &enter);
    dialog.ColorMenu->ColorPopup->findChild<QAction *>("pcmMenuItem9")->trigger(); // red
    EXPECT_EQ(rich.Preview->Color(), clRed);
    EXPECT_EQ(rich.Preview->DefAttributes().Color, text);
    // IME rows too: the background of "変換中".
    dialog.ImeRows[1].BackButton->click();
    dialog.ColorMenu->ColorPopup->findChild<QAction *>("pcmMenuItem10")->trigger(); // lime
    dialog.ColorMenu->ColorPopup->hide();
    dialog.OkButtonClick();
    EXPECT_EQ(form->Options->RichTextProfile.BackColor, clRed);
    EXPECT_EQ(form->Options->ImeStyles.Back2, clLime);
}

TEST_F(OptionFormTest, AFaceFromTheListDropsStylesAndKeepsColourAndSize)
{
    auto form = open(QStringLiteral("[RichTextFonts]\r\nStyles=01100\r\nFontColor=255\r\nSize=16\r\n"));
    TOptionForm dialog(*form);
    auto &rich = dialog.DisplayPages[0];
    dialog.FillPreview(0);
    ASSERT_GT(rich.FontComboBox->count(), 0);
    const int last = rich.FontComboBox->count() - 1;
    rich.FontComboBox->setCurrentIndex(last);
    emit rich.FontComboBox->activated(last);
    dialog.OkButtonClick();
    const TFont &f = form->Options->RichTextProfile.Font;
    EXPECT_EQ(f.Name, dialog.RichTextFonts[last].Name);
    EXPECT_EQ(f.Style, 0u);
    EXPECT_EQ(f.Color, clRed);
    EXPECT_EQ(f.Size, 16);
    // The text-mode list offers fixed-pitch faces only.
    for (const TFontEntry &entry : dialog.TextModeFonts)
        EXPECT_EQ(entry.Pitch, fpFixed) << entry.Name.toStdString();
}

// Runs trigger, which should open the settings dialog modally; act on it, then let act close it.
TOptionForm *whileOpen(const std::function<void()> &trigger, const std::function<void(TOptionForm &)> &act)
{
    TOptionForm *seen = nullptr;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<TOptionForm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer.stop();
        seen = dialog;
        act(*dialog);
        // A dialog that act failed to close goes all the same: the test fails, it does not hang.
        QTimer::singleShot(0, dialog, [dialog] {
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open";
                dialog->reject();
            }
        });
    });
    timer.start(10);
    QTimer::singleShot(5000, &timer, &QTimer::stop);
    trigger();
    waitUntil([&] { return seen != nullptr && !QApplication::activeModalWidget(); });
    return seen;
}

TEST_F(OptionFormTest, ARightPressOnAToolbarButtonOpensTheDisplayPage)
{
    auto form = open();
    QWidget *button = form->Toolbar->widgetForAction(form->SaveButton);
    ASSERT_TRUE(button);
    int page = -1;
    TOptionForm *dialog = whileOpen([&] { QTest::mousePress(button, Qt::RightButton); },
                                    [&](TOptionForm &d) {
                                        page = d.PageControl->currentIndex();
                                        d.CancelButtonClick();
                                    });
    ASSERT_TRUE(dialog);
    EXPECT_EQ(page, TOptionForm::pgDisplay);
}

TEST_F(OptionFormTest, CommandsOpenTheirPagesAndPrintingFromTheDialogPrints)
{
    printers.setGeometry(a4());
    auto form = open();
    struct Case {
        QAction *action;
        int page;
    };
    for (const Case &c : {Case{form->OptionSetMenu, 0}, Case{form->PopDisplayMenu, 1},
                          Case{form->FilePageSetupMenu, 2}, Case{form->HelpSysInfoMenu, 3}}) {
        SCOPED_TRACE(c.page);
        int page = -1;
        ASSERT_TRUE(whileOpen([&] { c.action->trigger(); }, [&](TOptionForm &d) {
            page = d.PageControl->currentIndex();
            d.CancelButtonClick();
        }));
        EXPECT_EQ(page, c.page);
    }
    int prints = 0;
    form->FilePrintMenu->setEnabled(true);
    // The print command itself is counted, not run (its dialogs are the printing tests').
    QObject::disconnect(form->FilePrintMenu, &QAction::triggered, form.get(), nullptr);
    QObject::connect(form->FilePrintMenu, &QAction::triggered, [&] { ++prints; });
    form->RichEdit->SetText("text");
    bool printable = false;
    ASSERT_TRUE(whileOpen([&] { form->PageSetupButton->trigger(); }, [&](TOptionForm &d) {
        printable = d.PageSetupPage->PrintStartButton->isEnabled();
        d.PageSetupPage->PrintStartButton->click();
    }));
    EXPECT_TRUE(printable);
    EXPECT_EQ(prints, 1);
}

TEST_F(OptionFormTest, WithoutAPrinterThePrinterControlsAreOff)
{
    auto form = open();
    ASSERT_TRUE(form->Options->PageSetup.PrinterUnavailable);
    TOptionForm dialog(*form);
    TPageSetupPage &p = *dialog.PageSetupPage;
    EXPECT_FALSE(p.PrinterSetupButton->isEnabled());
    EXPECT_FALSE(p.TopMarginEdit->isEnabled());
    EXPECT_EQ(p.PrinterNameLabel->text(), TPageSetup::UnavailableName());
    EXPECT_EQ(p.PaperStaticText->text(), u8(optiontexts::kPaperSize) + "\n210x297mm");
}

TEST_F(OptionFormTest, MarginLimitsFollowThePrinter)
{
    printers.setGeometry(a4());
    auto form = open(QStringLiteral("[Printers]\r\nLeftMargin=1\r\n"));
    TOptionForm dialog(*form);
    TPageSetupPage &p = *dialog.PageSetupPage;
    EXPECT_EQ(p.PrinterNameLabel->text(), "Office");
    EXPECT_EQ(p.LeftMarginEdit->maximum(), form->Options->PageSetup.MaxMargins().Left);
    EXPECT_EQ(p.TopMarginEdit->maximum(), form->Options->PageSetup.MaxMargins().Top);
    // A stored margin below the border is raised to it.
    EXPECT_EQ(p.LeftMarginEdit->value(), form->Options->PageSetup.MinMargins.Left);
    EXPECT_GT(p.LeftMarginEdit->value(), 1);
}

} // namespace
} // namespace velmo
