// TOptionForm: the settings dialog. Four pages edit general behaviour, the display (both
// display profiles with live previews, toolbar, status bar, input-method colours), the page
// setup, and show the system-information report. OK and Apply write the dialog into the
// window's records, apply them, save the settings file and tell the other editor windows.
//
// Nothing reaches the records before CommitSettings, except the folder button, which makes
// the chosen folder the process's current folder at once. Filling the dialog from the
// records never runs its handlers: controls are set with their signals blocked and the
// dependent updates are run explicitly.
#pragma once

#include "platform/systemqueries.h"
#include "settings/colors.h"
#include "settings/teoption.h"

#include <QDialog>

#include <array>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace velmo {

class TExtMemo;
class TMainForm;
class TOptionColorMenu;
class TPageSetupPage;

// One entry of a dialog font list.
struct TFontEntry {
    QString Name;
    int Pitch = fpDefault;
    int Charset = 1;
};

class TOptionForm : public QDialog {
    Q_OBJECT
public:
    // The result with which "印刷実行　" closes the dialog: the window then prints.
    static constexpr int kPrintResult = 100;
    enum Page { pgGeneral = 0, pgDisplay = 1, pgPageSetup = 2, pgSystem = 3 };
    static constexpr int kHelpContexts[4] = {32, 33, 34, 35};

    // Builds the dialog over the window and fills it from the window's records.
    explicit TOptionForm(TMainForm &form, SystemQueries *queries = nullptr);
    ~TOptionForm() override;

    void FillFromRecords();
    void CommitSettings();

    // --- handlers ---
    void OkButtonClick();
    void ApplyButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();
    void PrintStartButtonClick();
    void WordWrapCheckBoxClick(int page);
    void ToolBarCheckBoxClick();
    void StatusBarCheckBoxClick();
    void BackupCheckBoxClick();
    void DataDirCheckBoxClick();
    void FolderButtonClick();
    void MarkCheckBoxClick(int page, bool eot);
    void MarkReverseCheckBoxClick(int page, bool eot);
    void FontComboBoxChange(int page);
    void SizeComboBoxChange(int page);
    void EditModeRadioClick();
    void ImeStyleButtonClick(int row, TFontStyles style);
    // The colour button's menu opens for that button's target.
    void ColorButtonClick(QPushButton *button);

    // --- the system-information page ---
    void BuildSystemReport();
    void GetAppsButtonClick();
    void CopySysInfoButtonClick();

    // Each display page's preview is filled from its profile when first shown, and in any
    // case before CommitSettings reads it back.
    void FillPreview(int page);

    // --- components ---
    QTabWidget *PageControl = nullptr;
    // "動作環境"
    QRadioButton *RichTextRadioButton = nullptr, *TextRadioButton = nullptr;
    QSpinBox *HistoryUpDown = nullptr;
    QCheckBox *AutoOpenCheckBox = nullptr, *BackupCheckBox = nullptr, *TrashBoxCheckBox = nullptr,
              *DataDirCheckBox = nullptr, *URLLinkCheckBox = nullptr;
    QPushButton *FolderButton = nullptr;
    // "画面表示"
    QTabWidget *DisplayPageControl = nullptr;
    struct TDisplayPage {
        QWidget *Page = nullptr;
        TExtMemo *Preview = nullptr;
        QComboBox *FontComboBox = nullptr;
        QComboBox *SizeComboBox = nullptr;
        QPushButton *FontColorButton = nullptr, *BackColorButton = nullptr;
        QCheckBox *WordWrapCheckBox = nullptr;
        QRadioButton *WrapWindowRadioButton = nullptr, *WrapPageRadioButton = nullptr;
        QCheckBox *CrLfCheckBox = nullptr, *CrLfReverseCheckBox = nullptr;
        QCheckBox *EotCheckBox = nullptr, *EotReverseCheckBox = nullptr;
        QPushButton *CrLfColorButton = nullptr, *EotColorButton = nullptr;
        std::vector<TFontEntry> *Fonts = nullptr;
        TDisplayProfile *Profile = nullptr;
        bool Filled = false;
    };
    std::array<TDisplayPage, 2> DisplayPages; // rich-text mode, text mode
    QCheckBox *ToolBarCheckBox = nullptr;
    QLabel *ButtonSizeLabel = nullptr, *PixelsLabel = nullptr;
    QSpinBox *ButtonSizeUpDown = nullptr;
    QGroupBox *FontSelectGroupBox = nullptr;
    QRadioButton *FontListRadioButton = nullptr, *FontButtonRadioButton = nullptr;
    QCheckBox *StatusBarCheckBox = nullptr;
    QLabel *StatusFontSizeLabel = nullptr, *PointsLabel = nullptr;
    QSpinBox *StatusFontSizeUpDown = nullptr;
    QCheckBox *FileNameTitleCheckBox = nullptr, *RoolerCheckBox = nullptr;
    struct TImeRow {
        QLabel *Sample = nullptr; // its colours and font are the state's
        QPushButton *TextButton = nullptr, *BackButton = nullptr;
        QToolButton *BoldButton = nullptr, *UnderlineButton = nullptr;
        TColor Text = 0, Back = 0;
        TFontStyles Style = 0;
    };
    std::array<TImeRow, 3> ImeRows; // "入力中" (state 3), "変換中" (state 2), "未確定" (state 1)
    // "ページ設定"
    TPageSetupPage *PageSetupPage = nullptr;
    // "システム情報"
    QPlainTextEdit *InfoMemo = nullptr;
    QPushButton *GetAppsButton = nullptr, *CopySysInfoButton = nullptr;
    // the dialog's own buttons
    QPushButton *OkButton = nullptr, *CancelButton = nullptr, *HelpButton = nullptr, *ApplyButton = nullptr;
    QCheckBox *InitSaveCheckBox = nullptr;

    TOptionColorMenu *ColorMenu = nullptr;
    std::vector<TFontEntry> RichTextFonts, TextModeFonts;
    SystemQueries *Queries = nullptr;

private:
    void CreatePages();
    QWidget *CreateGeneralPage();
    QWidget *CreateDisplayPage();
    QWidget *CreateDisplayProfilePage(int page);
    QWidget *CreateSystemPage();
    void EnumerateFonts();
    void UpdateImeSample(int row);
    void SetPreviewFont(int page, const TFont &font);
    // Where each colour button's colour comes from and goes to.
    struct ColorTarget {
        std::function<TColor()> get;
        std::function<void(TColor)> set;
    };
    std::vector<std::pair<QPushButton *, ColorTarget>> colorTargets_;
    void AddColorButton(QPushButton *button, ColorTarget target);

    TMainForm &form_;
    bool modified_ = false; // the main editor's modified flag as the dialog last left it
};

} // namespace velmo
