// Construction of the settings dialog's pages and filling them from the records; the
// handlers and the commit are in optionhandlers.cpp.
#include "app/optionform.h"

#include "app/displayprofile.h"
#include "app/mainform.h"
#include "app/optioncolormenu.h"
#include "app/optiontexts.h"
#include "app/pagesetuppage.h"
#include "app/systemreport.h"
#include "editor/extmemo.h"
#include "settings/optionfields.h"
#include "settings/placement.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

QString t(const char *utf8) { return QString::fromUtf8(utf8); }

template <class W>
W *named(W *widget, const char *name, const char *hint = nullptr)
{
    widget->setObjectName(QLatin1String(name));
    if (hint)
        widget->setToolTip(QString::fromUtf8(hint));
    return widget;
}

QSpinBox *numberBox(QWidget *parent, const char *key, const char *name, const char *hint)
{
    auto *box = named(new QSpinBox(parent), name, hint);
    const TOptionField *field = FindOptionField(QLatin1String(key));
    box->setRange(field->Min, field->Max);
    return box;
}

// The size box's choices.
constexpr int kSizeChoices[] = {3,  4,  5,  6,  7,  8,  9,  10, 11, 12,  14,  16,  18,  20,  22,  24,  26,  28, 30,
                                32, 34, 36, 38, 40, 42, 48, 56, 64, 72, 96, 128, 192, 256, 384, 512, 768, 1024};

// The sample lines of the two previews.
const char *const kRichSample[] = {optiontexts::kRichSample1, optiontexts::kRichSample2, optiontexts::kSampleLatin,
                                   optiontexts::kRichSample4};
const char *const kTextSample[] = {optiontexts::kTextSample1, optiontexts::kSampleLatin, optiontexts::kTextSample3,
                                   optiontexts::kTextSample4};

} // namespace

TOptionForm::TOptionForm(TMainForm &form, SystemQueries *queries)
    : QDialog(&form), Queries(queries ? queries : &LinuxSystemQueries::instance()), form_(form)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(t(optiontexts::kCaption));
    setModal(true);
    CreatePages();
    FillFromRecords();
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::CreatePages()
{
    auto *column = new QVBoxLayout(this);
    PageControl = named(new QTabWidget(this), "PageControl");
    PageControl->addTab(CreateGeneralPage(), t(optiontexts::kPageGeneral));
    PageControl->addTab(CreateDisplayPage(), t(optiontexts::kPageDisplay));
    PageSetupPage = new TPageSetupPage(form_.Options->PageSetup, PageControl);
    PageControl->addTab(PageSetupPage, t(optiontexts::kPagePageSetup));
    PageControl->addTab(CreateSystemPage(), t(optiontexts::kPageSystem));
    column->addWidget(PageControl, 1);

    auto *row = new QHBoxLayout;
    InitSaveCheckBox = named(new QCheckBox(t(optiontexts::kInitSave), this), "InitSaveCheckBox",
                             optiontexts::kInitSaveHint);
    row->addWidget(InitSaveCheckBox);
    row->addStretch(1);
    OkButton = named(new QPushButton(t(optiontexts::kOk), this), "OkButton", optiontexts::kOkHint);
    OkButton->setDefault(true);
    CancelButton = named(new QPushButton(t(optiontexts::kCancel), this), "CancelButton", optiontexts::kCancelHint);
    HelpButton = named(new QPushButton(t(optiontexts::kHelp), this), "HelpButton", optiontexts::kHelpHint);
    ApplyButton = named(new QPushButton(t(optiontexts::kApply), this), "ApplyButton", optiontexts::kApplyHint);
    for (QPushButton *b : {OkButton, CancelButton, HelpButton, ApplyButton})
        row->addWidget(b);
    column->addLayout(row);

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
    connect(PageSetupPage->PrintStartButton, &QPushButton::clicked, this, [this] { PrintStartButtonClick(); });
    PageSetupPage->LayoutEditArea = [this] { form_.LayoutEditArea(); };
    PageSetupPage->PrinterChanged = [this] { BuildSystemReport(); };
    if (Printers *printers = form_.services_.printers)
        PageSetupPage->PrinterSetupDialog = [this, printers] { return printers->setupDialog(this); };
}

QWidget *TOptionForm::CreateGeneralPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    auto *column = new QVBoxLayout(page);

    auto *mode = named(new QGroupBox(t(optiontexts::kEditModeGroup), page), "EditModeGroupBox");
    auto *modeRow = new QHBoxLayout(mode);
    RichTextRadioButton = named(new QRadioButton(t(optiontexts::kRichTextRadio), mode), "RichTextRadioButton",
                                optiontexts::kRichTextRadioHint);
    TextRadioButton = named(new QRadioButton(t(optiontexts::kTextRadio), mode), "TextRadioButton",
                            optiontexts::kTextRadioHint);
    modeRow->addWidget(RichTextRadioButton);
    modeRow->addWidget(TextRadioButton);
    modeRow->addStretch(1);
    column->addWidget(mode);

    auto *history = new QHBoxLayout;
    history->addWidget(new QLabel(t(optiontexts::kHistoryLabel), page));
    HistoryUpDown = numberBox(page, "MaxHistoryItems", "HistoryUpDown", optiontexts::kHistoryHint);
    history->addWidget(HistoryUpDown);
    history->addStretch(1);
    column->addLayout(history);

    AutoOpenCheckBox = named(new QCheckBox(t(optiontexts::kAutoOpen), page), "AutoOpenCheckBox", optiontexts::kAutoOpenHint);
    BackupCheckBox = named(new QCheckBox(t(optiontexts::kMakeBackup), page), "BackupCheckBox", optiontexts::kMakeBackupHint);
    TrashBoxCheckBox = named(new QCheckBox(t(optiontexts::kUseTrashBox), page), "TrashBoxCheckBox",
                             optiontexts::kUseTrashBoxHint);
    DataDirCheckBox = named(new QCheckBox(t(optiontexts::kSaveDataDir), page), "DataDirCheckBox",
                            optiontexts::kSaveDataDirHint);
    FolderButton = named(new QPushButton(t(optiontexts::kChooseFolder), page), "FolderButton",
                         optiontexts::kFolderButtonHint);
    column->addWidget(AutoOpenCheckBox);
    column->addWidget(BackupCheckBox);
    auto *trash = new QHBoxLayout;
    trash->addSpacing(20);
    trash->addWidget(TrashBoxCheckBox);
    column->addLayout(trash);
    column->addWidget(DataDirCheckBox);
    auto *folder = new QHBoxLayout;
    folder->addSpacing(20);
    folder->addWidget(FolderButton, 1);
    column->addLayout(folder);

    auto *other = named(new QGroupBox(t(optiontexts::kOtherGroup), page), "OtherGroupBox");
    auto *otherColumn = new QVBoxLayout(other);
    URLLinkCheckBox = named(new QCheckBox(t(optiontexts::kUrlLink), other), "URLLinkCheckBox", optiontexts::kUrlLinkHint);
    otherColumn->addWidget(URLLinkCheckBox);
    column->addWidget(other);
    column->addStretch(1);

    connect(RichTextRadioButton, &QRadioButton::clicked, this, [this] { EditModeRadioClick(); });
    connect(TextRadioButton, &QRadioButton::clicked, this, [this] { EditModeRadioClick(); });
    connect(BackupCheckBox, &QCheckBox::toggled, this, [this] { BackupCheckBoxClick(); });
    connect(DataDirCheckBox, &QCheckBox::toggled, this, [this] { DataDirCheckBoxClick(); });
    connect(FolderButton, &QPushButton::clicked, this, [this] { FolderButtonClick(); });
    return page;
}

QWidget *TOptionForm::CreateDisplayProfilePage(int index)
{
    TDisplayPage &d = DisplayPages[index];
    auto *page = new QWidget;
    page->setObjectName(index == 0 ? QStringLiteral("RichTextPage") : QStringLiteral("TextModePage"));
    d.Page = page;
    d.Profile = index == 0 ? &form_.Options->RichTextProfile : &form_.Options->TextModeProfile;
    d.Fonts = index == 0 ? &RichTextFonts : &TextModeFonts;
    auto *grid = new QGridLayout(page);

    d.Preview = new TExtMemo(page);
    d.Preview->setObjectName(index == 0 ? QStringLiteral("RichTextPreview") : QStringLiteral("TextModePreview"));
    d.Preview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    d.Preview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    d.Preview->SetPlainText(index == 1);
    QStringList lines;
    for (const char *line : index == 0 ? kRichSample : kTextSample)
        lines << t(line);
    d.Preview->SetText(lines.join(QStringLiteral("\r\n")));
    d.Preview->EditArea().SetEnabled(true);
    d.Preview->EditArea().SetWidth(213);
    d.Preview->EditArea().SetOverFlow(15);
    d.Preview->EditArea().Margin().SetLeft(1);
    d.Preview->EditArea().Margin().SetTop(1);
    d.Preview->WordWrapOption().SetPunctuationMode(wbfLevel2);
    if (index == 0) {
        d.Preview->CaretMarker().Enabled = true;
        d.Preview->CaretMarker().Color = clBlack;
    }
    d.Preview->SetModified(false);
    d.Preview->setMinimumSize(250, 120);
    grid->addWidget(d.Preview, 0, 0, 1, 4);

    d.FontComboBox = named(new QComboBox(page), index == 0 ? "RichFontComboBox" : "TextFontComboBox");
    d.FontComboBox->setMinimumContentsLength(14);
    d.FontComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    d.SizeComboBox = named(new QComboBox(page), index == 0 ? "RichSizeComboBox" : "TextSizeComboBox");
    d.SizeComboBox->setEditable(true);
    d.SizeComboBox->setInsertPolicy(QComboBox::NoInsert);
    for (int size : kSizeChoices)
        d.SizeComboBox->addItem(QString::number(size));
    d.SizeComboBox->setMinimumContentsLength(4);
    grid->addWidget(d.FontComboBox, 1, 0, 1, 2);
    grid->addWidget(d.SizeComboBox, 1, 2);

    d.FontColorButton = named(new QPushButton(t(optiontexts::kFontColor), page), "FontColorButton");
    d.BackColorButton = named(new QPushButton(t(optiontexts::kBackColor), page), "BackColorButton");
    grid->addWidget(d.FontColorButton, 2, 0);
    grid->addWidget(d.BackColorButton, 2, 1);

    d.WordWrapCheckBox = named(new QCheckBox(t(optiontexts::kWordWrap), page), "WordWrapCheckBox",
                               optiontexts::kWordWrapHint);
    d.WrapWindowRadioButton = named(new QRadioButton(t(optiontexts::kWrapWindow), page), "WrapWindowRadioButton",
                                    optiontexts::kWrapWindowHint);
    d.WrapPageRadioButton = named(new QRadioButton(t(optiontexts::kWrapPage), page), "WrapPageRadioButton",
                                  optiontexts::kWrapPageHint);
    grid->addWidget(d.WordWrapCheckBox, 3, 0, 1, 4);
    auto *wraps = new QHBoxLayout;
    wraps->addSpacing(20);
    wraps->addWidget(d.WrapWindowRadioButton);
    wraps->addWidget(d.WrapPageRadioButton);
    wraps->addStretch(1);
    grid->addLayout(wraps, 4, 0, 1, 4);

    auto *marks = named(new QGroupBox(t(optiontexts::kMarksGroup), page), "MarksGroupBox");
    auto *markGrid = new QGridLayout(marks);
    auto markRow = [&](int row, const char *caption, QCheckBox *&check, QPushButton *&color, QCheckBox *&reverse) {
        check = new QCheckBox(t(caption), marks);
        color = new QPushButton(t(optiontexts::kMarkColor), marks);
        reverse = new QCheckBox(t(optiontexts::kMarkReversed), marks);
        markGrid->addWidget(check, row, 0);
        markGrid->addWidget(color, row, 1);
        markGrid->addWidget(reverse, row, 2);
    };
    markRow(0, optiontexts::kCrLfMark, d.CrLfCheckBox, d.CrLfColorButton, d.CrLfReverseCheckBox);
    markRow(1, optiontexts::kEotMark, d.EotCheckBox, d.EotColorButton, d.EotReverseCheckBox);
    grid->addWidget(marks, 5, 0, 1, 4);
    grid->setColumnStretch(3, 1);

    connect(d.WordWrapCheckBox, &QCheckBox::toggled, this, [this, index] { WordWrapCheckBoxClick(index); });
    connect(d.CrLfCheckBox, &QCheckBox::toggled, this, [this, index] { MarkCheckBoxClick(index, false); });
    connect(d.EotCheckBox, &QCheckBox::toggled, this, [this, index] { MarkCheckBoxClick(index, true); });
    connect(d.CrLfReverseCheckBox, &QCheckBox::toggled, this, [this, index] { MarkReverseCheckBoxClick(index, false); });
    connect(d.EotReverseCheckBox, &QCheckBox::toggled, this, [this, index] { MarkReverseCheckBoxClick(index, true); });
    connect(d.FontComboBox, &QComboBox::activated, this, [this, index] { FontComboBoxChange(index); });
    connect(d.SizeComboBox, &QComboBox::editTextChanged, this, [this, index] { SizeComboBoxChange(index); });

    TExtMemo *preview = d.Preview;
    AddColorButton(d.BackColorButton, {[preview] { return preview->Color(); },
                                       [preview](TColor c) { preview->SetColor(c); }});
    AddColorButton(d.FontColorButton, {[preview] { return preview->DefAttributes().Color; },
                                       [this, index](TColor c) {
                                           TDisplayProfile scratch = *DisplayPages[index].Profile;
                                           ReadFromEditor(scratch, *DisplayPages[index].Preview);
                                           scratch.Font.Color = c;
                                           SetPreviewFont(index, scratch.Font);
                                       }});
    AddColorButton(d.CrLfColorButton, {[preview] { return preview->EditMarks().CrLf.Color; },
                                       [this, preview, index](TColor c) {
                                           preview->EditMarks().CrLf.Color = c;
                                           MarkReverseCheckBoxClick(index, false);
                                       }});
    AddColorButton(d.EotColorButton, {[preview] { return preview->EditMarks().Eot.Color; },
                                      [this, preview, index](TColor c) {
                                          preview->EditMarks().Eot.Color = c;
                                          MarkReverseCheckBoxClick(index, true);
                                      }});
    return page;
}

QWidget *TOptionForm::CreateDisplayPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("DisplayPage"));
    auto *columns = new QHBoxLayout(page);
    DisplayPageControl = named(new QTabWidget(page), "DisplayPageControl");
    DisplayPageControl->addTab(CreateDisplayProfilePage(0), t(optiontexts::kRichTextPage));
    DisplayPageControl->addTab(CreateDisplayProfilePage(1), t(optiontexts::kTextModePage));
    columns->addWidget(DisplayPageControl, 1);
    connect(DisplayPageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0)
            FillPreview(index);
    });

    auto *right = new QVBoxLayout;
    columns->addLayout(right);
    ToolBarCheckBox = named(new QCheckBox(t(optiontexts::kShowToolBar), page), "ToolBarCheckBox",
                            optiontexts::kShowToolBarHint);
    right->addWidget(ToolBarCheckBox);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addSpacing(20);
    ButtonSizeLabel = new QLabel(t(optiontexts::kButtonSize), page);
    ButtonSizeUpDown = numberBox(page, "ButtonSize", "ButtonSizeUpDown", optiontexts::kButtonSizeHint);
    PixelsLabel = new QLabel(t(optiontexts::kPixels), page);
    buttonRow->addWidget(ButtonSizeLabel);
    buttonRow->addWidget(ButtonSizeUpDown);
    buttonRow->addWidget(PixelsLabel);
    buttonRow->addStretch(1);
    right->addLayout(buttonRow);
    FontSelectGroupBox = named(new QGroupBox(t(optiontexts::kFontSelectGroup), page), "FontSelectGroupBox");
    auto *fontRow = new QHBoxLayout(FontSelectGroupBox);
    FontListRadioButton = named(new QRadioButton(t(optiontexts::kFontList), FontSelectGroupBox), "FontListRadioButton",
                                optiontexts::kFontListHint);
    FontButtonRadioButton = named(new QRadioButton(t(optiontexts::kFontButton), FontSelectGroupBox),
                                  "FontButtonRadioButton", optiontexts::kFontButtonHint);
    fontRow->addWidget(FontListRadioButton);
    fontRow->addWidget(FontButtonRadioButton);
    auto *fontIndent = new QHBoxLayout;
    fontIndent->addSpacing(20);
    fontIndent->addWidget(FontSelectGroupBox);
    right->addLayout(fontIndent);

    StatusBarCheckBox = named(new QCheckBox(t(optiontexts::kShowStatusBar), page), "StatusBarCheckBox",
                              optiontexts::kShowStatusBarHint);
    right->addWidget(StatusBarCheckBox);
    auto *statusRow = new QHBoxLayout;
    statusRow->addSpacing(20);
    StatusFontSizeLabel = new QLabel(t(optiontexts::kStatusFontSize), page);
    StatusFontSizeUpDown = numberBox(page, "StatusBarFontSize", "StatusFontSizeUpDown", optiontexts::kStatusFontSizeHint);
    PointsLabel = new QLabel(t(optiontexts::kPoints), page);
    statusRow->addWidget(StatusFontSizeLabel);
    statusRow->addWidget(StatusFontSizeUpDown);
    statusRow->addWidget(PointsLabel);
    statusRow->addStretch(1);
    right->addLayout(statusRow);
    FileNameTitleCheckBox = named(new QCheckBox(t(optiontexts::kFileNameTitle), page), "FileNameTitleCheckBox",
                                  optiontexts::kFileNameTitleHint);
    RoolerCheckBox = named(new QCheckBox(t(optiontexts::kShowRooler), page), "RoolerCheckBox");
    right->addWidget(FileNameTitleCheckBox);
    right->addWidget(RoolerCheckBox);

    auto *ime = named(new QGroupBox(t(optiontexts::kImeGroup), page), "ImeGroupBox");
    auto *imeGrid = new QGridLayout(ime);
    const char *const rowNames[] = {optiontexts::kImeInput, optiontexts::kImeConverting, optiontexts::kImeUnfixed};
    for (int r = 0; r < 3; ++r) {
        TImeRow &row = ImeRows[r];
        row.Sample = new QLabel(t(rowNames[r]), ime);
        row.Sample->setObjectName(QStringLiteral("ImeSample%1").arg(r));
        row.Sample->setAutoFillBackground(true);
        row.Sample->setAlignment(Qt::AlignCenter);
        row.Sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        row.Sample->setMinimumWidth(64);
        row.TextButton = new QPushButton(t(optiontexts::kImeText), ime);
        row.BackButton = new QPushButton(t(optiontexts::kImeBack), ime);
        row.BoldButton = new QToolButton(ime);
        row.BoldButton->setText(QStringLiteral("B"));
        QFont bold = row.BoldButton->font();
        bold.setBold(true);
        row.BoldButton->setFont(bold);
        row.UnderlineButton = new QToolButton(ime);
        row.UnderlineButton->setText(QStringLiteral("U"));
        QFont underline = row.UnderlineButton->font();
        underline.setUnderline(true);
        row.UnderlineButton->setFont(underline);
        for (QToolButton *b : {row.BoldButton, row.UnderlineButton})
            b->setCheckable(true);
        imeGrid->addWidget(row.Sample, r, 0);
        imeGrid->addWidget(row.TextButton, r, 1);
        imeGrid->addWidget(row.BackButton, r, 2);
        imeGrid->addWidget(row.BoldButton, r, 3);
        imeGrid->addWidget(row.UnderlineButton, r, 4);
        connect(row.BoldButton, &QToolButton::clicked, this, [this, r] { ImeStyleButtonClick(r, fsBold); });
        connect(row.UnderlineButton, &QToolButton::clicked, this, [this, r] { ImeStyleButtonClick(r, fsUnderline); });
        AddColorButton(row.TextButton, {[this, r] { return ImeRows[r].Text; },
                                        [this, r](TColor c) {
                                            ImeRows[r].Text = c;
                                            UpdateImeSample(r);
                                        }});
        AddColorButton(row.BackButton, {[this, r] { return ImeRows[r].Back; },
                                        [this, r](TColor c) {
                                            ImeRows[r].Back = c;
                                            UpdateImeSample(r);
                                        }});
    }
    right->addWidget(ime);
    right->addStretch(1);

    connect(ToolBarCheckBox, &QCheckBox::toggled, this, [this] { ToolBarCheckBoxClick(); });
    connect(StatusBarCheckBox, &QCheckBox::toggled, this, [this] { StatusBarCheckBoxClick(); });
    return page;
}

QWidget *TOptionForm::CreateSystemPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("SystemPage"));
    auto *column = new QVBoxLayout(page);
    InfoMemo = named(new QPlainTextEdit(page), "InfoMemo");
    InfoMemo->setReadOnly(true);
    InfoMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    InfoMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    InfoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette face = InfoMemo->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    InfoMemo->setPalette(face);
    column->addWidget(InfoMemo, 1);
    auto *row = new QHBoxLayout;
    GetAppsButton = named(new QPushButton(t(optiontexts::kGetApps), page), "GetAppsButton");
    CopySysInfoButton = named(new QPushButton(t(optiontexts::kCopySysInfo), page), "CopySysInfoButton");
    row->addWidget(GetAppsButton);
    row->addWidget(CopySysInfoButton);
    row->addStretch(1);
    column->addLayout(row);
    connect(GetAppsButton, &QPushButton::clicked, this, [this] { GetAppsButtonClick(); });
    connect(CopySysInfoButton, &QPushButton::clicked, this, [this] { CopySysInfoButtonClick(); });
    return page;
}

void TOptionForm::AddColorButton(QPushButton *button, ColorTarget target)
{
    colorTargets_.emplace_back(button, std::move(target));
    connect(button, &QPushButton::clicked, this, [this, button] { ColorButtonClick(button); });
}

void TOptionForm::EnumerateFonts()
{
    RichTextFonts.clear();
    TextModeFonts.clear();
    for (const QString &family : QFontDatabase::families()) {
        // Faces for vertical writing are not offered.
        if (family.startsWith(u'@'))
            continue;
        const bool fixed = QFontDatabase::isFixedPitch(family);
        TFontEntry entry{family, fixed ? fpFixed : fpVariable,
                         QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? 128 : 1};
        RichTextFonts.push_back(entry);
        if (fixed)
            TextModeFonts.push_back(entry);
    }
}

void TOptionForm::FillFromRecords()
{
    TGeneralOptions &o = *form_.Options;
    // Setting the controls is not the user's doing: no handler runs while they are filled.
    // (Only the controls: the tab widgets' own wiring between bar and pages stays live.)
    std::vector<QSignalBlocker> quiet;
    for (QWidget *w : findChildren<QWidget *>())
        if (qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w))
            quiet.emplace_back(w);

    // 1. The colour menu and the font lists.
    ColorMenu = new TOptionColorMenu(this);
    EnumerateFonts();
    for (int i = 0; i < 2; ++i) {
        QComboBox *box = DisplayPages[i].FontComboBox;
        box->clear();
        for (const TFontEntry &entry : *DisplayPages[i].Fonts)
            box->addItem(entry.Name);
        box->setCurrentIndex(-1);
    }

    // 2. Controls from the records.
    FileNameTitleCheckBox->setChecked(o.FileNameTitle);
    RoolerCheckBox->setChecked(o.ShowRooler);
    HistoryUpDown->setValue(o.MaxHistoryItems);
    for (int i = 0; i < 2; ++i) {
        const TDisplayPage &d = DisplayPages[i];
        const int wrap = d.Profile->WordWrapMode;
        d.WordWrapCheckBox->setChecked(wrap != 0);
        d.WrapWindowRadioButton->setChecked(wrap == 1);
        d.WrapPageRadioButton->setChecked(wrap == 2);
    }
    BackupCheckBox->setChecked(o.MakeBackup);
    TrashBoxCheckBox->setChecked(o.UseTrashBox);
    AutoOpenCheckBox->setChecked(o.AutoOpen);
    InitSaveCheckBox->setChecked(form_.AppRecord->InitSave);
    ToolBarCheckBox->setChecked(o.ShowToolBar);
    FontListRadioButton->setChecked(o.ShowFontName);
    FontButtonRadioButton->setChecked(!o.ShowFontName);
    DataDirCheckBox->setChecked(o.SaveDataDir);
    URLLinkCheckBox->setChecked(o.URLLink);
    StatusBarCheckBox->setChecked(form_.StatusBar->isVisibleTo(&form_));
    RichTextRadioButton->setChecked(!o.PlainText);
    TextRadioButton->setChecked(o.PlainText);
    for (int i = 0; i < 2; ++i) {
        const TDisplayPage &d = DisplayPages[i];
        d.CrLfCheckBox->setChecked(d.Profile->CrLfOption != 0);
        d.CrLfReverseCheckBox->setChecked(d.Profile->CrLfOption < 0);
        d.EotCheckBox->setChecked(d.Profile->EotOption != 0);
        d.EotReverseCheckBox->setChecked(d.Profile->EotOption < 0);
    }

    // 3. Input-method rows: each sample takes its state's colours and its whole style set
    //    (italic and strike-out have no button, but are kept).
    const TImeStyleOptions &ime = o.ImeStyles;
    const TColor backs[3] = {ime.Back3, ime.Back2, ime.Back1};
    const TColor texts[3] = {ime.Text3, ime.Text2, ime.Text1};
    const TFontStyles styles[3] = {ime.Style3, ime.Style2, ime.Style1};
    for (int r = 0; r < 3; ++r) {
        ImeRows[r].Back = backs[r];
        ImeRows[r].Text = texts[r];
        ImeRows[r].Style = styles[r];
        UpdateImeSample(r);
    }

    // 4. Margins, button size and status-bar font size. The button size is the one last
    //    applied: a hidden toolbar's buttons report no size worth keeping.
    TPageSetupPage &p = *PageSetupPage;
    p.LeftMarginEdit->setValue(o.PageSetup.Margins.Left);
    p.TopMarginEdit->setValue(o.PageSetup.Margins.Top);
    p.RightMarginEdit->setValue(o.PageSetup.Margins.Right);
    p.BottomMarginEdit->setValue(o.PageSetup.Margins.Bottom);
    ButtonSizeUpDown->setValue(o.ButtonSize);
    const int statusPoints = form_.StatusBar->font().pointSize();
    StatusFontSizeUpDown->setValue(statusPoints > 0 ? statusPoints : o.StatusBarFontSize);

    // 5. The folder button.
    FolderButton->setText(o.SaveDataDir ? QDir::toNativeSeparators(QDir::currentPath()) : t(optiontexts::kChooseFolder));

    // 6. Printing needs text; the page-setup page and the report.
    p.PrintStartButton->setEnabled(form_.RichEdit->GetTextLength() > 0);
    p.RefreshPageSetupPage();
    BuildSystemReport();

    // 7. Help contexts are kept in kHelpContexts, by page.
    // 8. The main editor's modified flag.
    modified_ = form_.RichEdit->Modified();

    // 9. The enabling rules, once.
    WordWrapCheckBoxClick(0);
    WordWrapCheckBoxClick(1);
    ToolBarCheckBoxClick();
    StatusBarCheckBoxClick();
    BackupCheckBoxClick();
    FolderButton->setEnabled(DataDirCheckBox->isChecked());
    for (int i = 0; i < 2; ++i) {
        MarkCheckBoxClick(i, false);
        MarkCheckBoxClick(i, true);
    }

    // 10. The inner page of the window's editing mode.
    const int current = form_.RichEdit->PlainText() ? 1 : 0;
    DisplayPageControl->setCurrentIndex(current);

    // 11. Without a printer.
    if (o.PageSetup.PrinterUnavailable)
        p.ShowPrinterUnavailable();

    quiet.clear();
    // The inner page shown first has its preview filled (a page already current gives no
    // change signal).
    FillPreview(current);

    // 12. Over the main window.
    adjustSize();
    if (form_.Placement)
        form_.Placement->CenterOverMainWindow(this);
}

void TOptionForm::FillPreview(int page)
{
    TDisplayPage &d = DisplayPages[page];
    if (d.Filled)
        return;
    d.Filled = true;
    ApplyToEditor(*d.Profile, *d.Preview);
    // The marks' check boxes decide what the preview shows from here on.
    MarkCheckBoxClick(page, false);
    MarkCheckBoxClick(page, true);
    const QSignalBlocker b1(d.FontComboBox), b2(d.SizeComboBox);
    d.FontComboBox->setCurrentIndex(d.FontComboBox->findText(d.Profile->Font.Name, Qt::MatchFixedString));
    d.SizeComboBox->setEditText(QString::number(d.Profile->Font.Size));
    d.Preview->SetModified(false);
}

void TOptionForm::UpdateImeSample(int row)
{
    TImeRow &r = ImeRows[row];
    QPalette palette = r.Sample->palette();
    palette.setColor(QPalette::Window, ResolveColor(r.Back));
    palette.setColor(QPalette::WindowText, ResolveColor(r.Text));
    r.Sample->setPalette(palette);
    QFont font = r.Sample->font();
    font.setBold(r.Style & fsBold);
    font.setItalic(r.Style & fsItalic);
    font.setUnderline(r.Style & fsUnderline);
    font.setStrikeOut(r.Style & fsStrikeOut);
    r.Sample->setFont(font);
    const QSignalBlocker b1(r.BoldButton), b2(r.UnderlineButton);
    r.BoldButton->setChecked(r.Style & fsBold);
    r.UnderlineButton->setChecked(r.Style & fsUnderline);
}

} // namespace velmo
