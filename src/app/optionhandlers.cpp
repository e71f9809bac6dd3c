// The settings dialog's handlers, the system-information page and CommitSettings.
#include "app/optionform.h"

#include "app/displayprofile.h"
#include "app/mainform.h"
#include "app/optioncolormenu.h"
#include "app/optiontexts.h"
#include "app/pagesetuppage.h"
#include "app/systemreport.h"
#include "app/uitexts.h"
#include "editor/extmemo.h"
#include "platform/prompts.h"
#include "platform/system.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace velmo {

namespace {

QString t(const char *utf8) { return QString::fromUtf8(utf8); }

// Sizes a font can have in points; anything else in the size box is not a size.
constexpr int kMinFontSize = 1;
constexpr int kMaxFontSize = 1638;

// The number box's colour: the window colour while it can be used, the button face otherwise.
void shade(QSpinBox *box, bool enabled)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, ResolveColor(enabled ? clWindow : clBtnFace));
    box->setPalette(palette);
}

} // namespace

// --- enabling rules ------------------------------------------------------------------------

void TOptionForm::WordWrapCheckBoxClick(int page)
{
    const TDisplayPage &d = DisplayPages[page];
    const bool on = d.WordWrapCheckBox->isChecked();
    d.WrapWindowRadioButton->setEnabled(on);
    d.WrapPageRadioButton->setEnabled(on);
}

void TOptionForm::ToolBarCheckBoxClick()
{
    const bool on = ToolBarCheckBox->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{ButtonSizeLabel, ButtonSizeUpDown, PixelsLabel,
                                                       FontSelectGroupBox, FontListRadioButton, FontButtonRadioButton})
        w->setEnabled(on);
    shade(ButtonSizeUpDown, on);
}

void TOptionForm::StatusBarCheckBoxClick()
{
    const bool on = StatusBarCheckBox->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{StatusFontSizeLabel, PointsLabel, StatusFontSizeUpDown})
        w->setEnabled(on);
    shade(StatusFontSizeUpDown, on);
}

void TOptionForm::BackupCheckBoxClick()
{
    TrashBoxCheckBox->setEnabled(BackupCheckBox->isChecked());
}

void TOptionForm::DataDirCheckBoxClick()
{
    const bool on = DataDirCheckBox->isChecked();
    FolderButton->setEnabled(on);
    // Ticking the box without a folder chosen yet asks for one at once.
    if (on && FolderButton->text() == t(optiontexts::kChooseFolder))
        FolderButtonClick();
}

void TOptionForm::FolderButtonClick()
{
    Prompts *prompts = form_.services_.prompts;
    const std::optional<QString> chosen =
        prompts ? prompts->folderDialog(t(optiontexts::kFolderButtonHint), QDir::currentPath()) : std::nullopt;
    if (chosen && !chosen->isEmpty()) {
        FolderButton->setText(QDir::toNativeSeparators(*chosen));
        QDir::setCurrent(*chosen);
        return;
    }
    // Cancelled without any folder ever chosen: no data folder.
    if (FolderButton->text() == t(optiontexts::kChooseFolder))
        DataDirCheckBox->setChecked(false);
}

void TOptionForm::MarkCheckBoxClick(int page, bool eot)
{
    const TDisplayPage &d = DisplayPages[page];
    QCheckBox *check = eot ? d.EotCheckBox : d.CrLfCheckBox;
    const bool on = check->isChecked();
    (eot ? d.EotColorButton : d.CrLfColorButton)->setEnabled(on);
    (eot ? d.EotReverseCheckBox : d.CrLfReverseCheckBox)->setEnabled(on);
    if (!d.Filled)
        return;
    TEditMark &mark = eot ? d.Preview->EditMarks().Eot : d.Preview->EditMarks().CrLf;
    mark.Enabled = on;
    MarkReverseCheckBoxClick(page, eot);
}

void TOptionForm::MarkReverseCheckBoxClick(int page, bool eot)
{
    const TDisplayPage &d = DisplayPages[page];
    if (!d.Filled)
        return;
    TEditMark &mark = eot ? d.Preview->EditMarks().Eot : d.Preview->EditMarks().CrLf;
    mark.Reversed = (eot ? d.EotReverseCheckBox : d.CrLfReverseCheckBox)->isChecked();
    d.Preview->viewport()->update();
}

void TOptionForm::EditModeRadioClick()
{
    DisplayPageControl->setCurrentIndex(TextRadioButton->isChecked() ? 1 : 0);
}

// --- previews --------------------------------------------------------------------------------

void TOptionForm::SetPreviewFont(int page, const TFont &font)
{
    TDisplayPage &d = DisplayPages[page];
    TDisplayProfile scratch = *d.Profile;
    scratch.Font = font;
    TTextAttributes attributes = d.Preview->DefAttributes();
    AssignFontTo(scratch, attributes);
    d.Preview->SetDefAttributes(attributes);
    QFont qfont;
    AssignFontTo(scratch, qfont);
    d.Preview->SetFont(qfont);
    d.Preview->SetModified(false);
    d.Preview->viewport()->update();
}

void TOptionForm::FontComboBoxChange(int page)
{
    FillPreview(page);
    TDisplayPage &d = DisplayPages[page];
    const int index = d.FontComboBox->currentIndex();
    if (index < 0 || index >= int(d.Fonts->size()))
        return;
    const TFontEntry &entry = (*d.Fonts)[index];
    TDisplayProfile current = *d.Profile;
    ReadFromEditor(current, *d.Preview);
    // The list's entries carry no styles: a chosen face drops them; colour and size stay.
    TFont font(entry.Name, current.Font.Size, entry.Charset, entry.Pitch, current.Font.PixelsPerInch);
    font.SetHeight(current.Font.Height);
    font.Color = current.Font.Color;
    SetPreviewFont(page, font);
}

void TOptionForm::SizeComboBoxChange(int page)
{
    FillPreview(page);
    TDisplayPage &d = DisplayPages[page];
    const QString text = d.SizeComboBox->currentText();
    bool ok = false;
    const int size = text.trimmed().toInt(&ok);
    if (!ok || size < kMinFontSize || size > kMaxFontSize) {
        // Reported once for this change, when its handler has returned: a box standing open
        // inside the combo box's own signal would interrupt it half-way.
        QTimer::singleShot(0, this, [this, text] {
            if (Prompts *prompts = form_.services_.prompts)
                prompts->showError(t(texts::kNotIntegerFormat).replace(QLatin1String("%s"), text));
        });
        return;
    }
    TDisplayProfile current = *d.Profile;
    ReadFromEditor(current, *d.Preview);
    current.Font.SetSize(size);
    SetPreviewFont(page, current.Font);
}

// --- colours and input-method styles ---------------------------------------------------------

void TOptionForm::ColorButtonClick(QPushButton *button)
{
    for (auto &[b, target] : colorTargets_) {
        if (b != button)
            continue;
        // The menu's colour and its target are the button's that opened it.
        auto set = target.set;
        ColorMenu->PopupFor(button, target.get(), [this, set] { set(ColorMenu->CurrentColor); });
        return;
    }
}

void TOptionForm::ImeStyleButtonClick(int row, TFontStyles style)
{
    ImeRows[row].Style ^= style;
    UpdateImeSample(row);
}

// --- the dialog's buttons --------------------------------------------------------------------

void TOptionForm::OkButtonClick()
{
    CommitSettings();
    accept();
}

void TOptionForm::ApplyButtonClick()
{
    CommitSettings();
}

void TOptionForm::CancelButtonClick()
{
    reject();
}

void TOptionForm::HelpButtonClick()
{
    const int page = std::clamp(PageControl->currentIndex(), 0, 3);
    form_.ShowHelp(1, kHelpContexts[page]);
}

void TOptionForm::PrintStartButtonClick()
{
    CommitSettings();
    done(kPrintResult);
}

void TOptionForm::CommitSettings()
{
    TMainForm &f = form_;
    TGeneralOptions &o = *f.Options;
    // 1. The modified flag as the dialog found it (or as the last Apply left it).
    f.RichEdit->SetModified(modified_);

    // 2. Flags and numbers.
    for (QSpinBox *box : {HistoryUpDown, ButtonSizeUpDown, StatusFontSizeUpDown, PageSetupPage->LeftMarginEdit,
                          PageSetupPage->TopMarginEdit, PageSetupPage->RightMarginEdit, PageSetupPage->BottomMarginEdit})
        box->interpretText();
    o.ShowToolBar = ToolBarCheckBox->isChecked();
    o.ShowStatusBar = StatusBarCheckBox->isChecked();
    f.StatusBar->setVisible(o.ShowStatusBar);
    o.FileNameTitle = FileNameTitleCheckBox->isChecked();
    o.MakeBackup = BackupCheckBox->isChecked();
    o.UseTrashBox = TrashBoxCheckBox->isChecked();
    o.AutoOpen = AutoOpenCheckBox->isChecked();
    o.SaveDataDir = DataDirCheckBox->isChecked();
    f.AppRecord->InitSave = InitSaveCheckBox->isChecked();
    o.ShowFontName = FontListRadioButton->isChecked();
    o.MaxHistoryItems = HistoryUpDown->value();
    o.StatusBarFontSize = StatusFontSizeUpDown->value();
    o.ButtonSize = ButtonSizeUpDown->value();
    o.PlainText = TextRadioButton->isChecked();
    o.URLLink = URLLinkCheckBox->isChecked();

    // 3. Input-method states (rows are states 3, 2, 1).
    TImeStyleOptions &ime = o.ImeStyles;
    ime.Back3 = ImeRows[0].Back, ime.Text3 = ImeRows[0].Text, ime.Style3 = ImeRows[0].Style;
    ime.Back2 = ImeRows[1].Back, ime.Text2 = ImeRows[1].Text, ime.Style2 = ImeRows[1].Style;
    ime.Back1 = ImeRows[2].Back, ime.Text1 = ImeRows[2].Text, ime.Style1 = ImeRows[2].Style;

    // 4. Word wrap per profile.
    for (const TDisplayPage &d : DisplayPages)
        d.Profile->WordWrapMode = !d.WordWrapCheckBox->isChecked() ? 0 : d.WrapWindowRadioButton->isChecked() ? 1 : 2;

    // 5. The ruler.
    if (RoolerCheckBox->isChecked() != f.reRoolerPanel->isVisible()) {
        if (f.OptionRoolerMenu->isEnabled()) {
            f.OptionRoolerMenu->trigger();
        } else {
            f.reRoolerPanel->setVisible(RoolerCheckBox->isChecked());
        }
    }
    o.ShowRooler = RoolerCheckBox->isChecked();

    // 6. Margins.
    o.PageSetup.Margins = PageSetupPage->Margins();

    // 7. The data folder.
    const QString folder = FolderButton->text();
    if (DataDirCheckBox->isChecked() && folder != t(optiontexts::kChooseFolder))
        o.CurrentDir = folder;
    else
        o.CurrentDir = QDir::toNativeSeparators(QDir::currentPath());
    QDir::setCurrent(o.CurrentDir);

    // 8. The previews back into the profiles.
    for (int i = 0; i < 2; ++i) {
        FillPreview(i);
        ReadFromEditor(*DisplayPages[i].Profile, *DisplayPages[i].Preview);
    }

    // 9. Applied to the window (the mode from PlainText, asking before a conversion).
    f.ApplyOptions(TMainForm::EditModeWay::Ask);

    // 10. Saved.
    {
        TMainForm::SettingsAction saving(f);
        f.TrySettingsWrite([&f] { f.SaveSettings(); });
    }

    // 11. The other windows reload.
    const WindowHandle own = f.services_.bus ? f.services_.bus->ownHandle() : 0;
    f.BroadcastNotify(NotifySettingsChanged, own, false);

    // What the commit did to the document (a converted, renamed document is modified) is
    // what a later OK or Apply starts from.
    modified_ = f.RichEdit->Modified();
}

// --- system information --------------------------------------------------------------------

void TOptionForm::BuildSystemReport()
{
    TSystemReportInput input;
    input.Snapshot = Queries->snapshot(QDir::currentPath());
    input.ProgramPath = form_.ProgramPath();
    input.MaxLength = form_.RichEdit->MaxLength();
    input.OtherWindows = form_.CountOtherWindows();
    input.PixelsPerInch = logicalDpiX();
    input.PageSetup = &form_.Options->PageSetup;
    InfoMemo->setPlainText(SystemReportLines(input).join(u'\n'));
}

void TOptionForm::GetAppsButtonClick()
{
    std::vector<WindowInfo> windows;
    if (WindowBus *bus = form_.services_.bus)
        windows = bus->enumerateWindows(WindowBus::kEnumerationLimit);
    InfoMemo->appendPlainText(WindowListLines(windows).join(u'\n'));
}

void TOptionForm::CopySysInfoButtonClick()
{
    InfoMemo->selectAll();
    InfoMemo->copy();
    QTextCursor cursor = InfoMemo->textCursor();
    cursor.clearSelection();
    InfoMemo->setTextCursor(cursor);
}

} // namespace velmo
