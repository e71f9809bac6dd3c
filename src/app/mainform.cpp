// Construction, start-up and closing of the editor window.
#include "app/mainform.h"

#include "app/backupmaker.h"
#include "app/uitexts.h"
#include "editor/extmemo.h"
#include "links/linkhover.h"
#include "platform/componenterror.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"
#include "settings/placement.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace velmo {

namespace {

// The panel behind the editor; its caption shows while the editor is hidden (mode changes).
class BackPanel : public QLabel {
public:
    explicit BackPanel(QWidget *parent) : QLabel(QString::fromUtf8(texts::kWaitMinuts), parent)
    {
        setAlignment(Qt::AlignCenter);
        setAutoFillBackground(true);
    }
};

} // namespace

TMainForm::TMainForm(const MainFormServices &services, QWidget *parent)
    : QMainWindow(parent), services_(services), startFolder_(QDir::currentPath())
{
    setObjectName(QStringLiteral("TMainForm"));
    if (!services_.storage)
        services_.storage = &ProfileStorage::system();
    setAttribute(Qt::WA_DeleteOnClose, false);
    CreateComponents();
    ConnectDocumentCommands();
    ConnectStatusBar();
    ConnectEditorView();
    ConnectSearchCommands();
    ConnectMultiWindowCommands();
    ConnectPrintCommands();
    ConnectFormatCommands();
    ConnectParagraphCommands();
    ConnectEditCommands();
    ConnectSettingsDialog();
    new TLinkHover(RichEdit, services_.shell,
                   {[this] { return Options && Options->URLLink; },
                    [this](const QString &hint) { hint.isEmpty() ? RestoreFileNameText() : ShowProgressText(hint); }},
                   this);
    FileNameText.clear();
    helpFile_ = HelpFileName();
    // Deferred work (reporting to the launching window, the open-file registry) runs when
    // the event loop has nothing else to do.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (IdleWorkPending())
                QTimer::singleShot(0, this, [this] { IdleWork(); });
        });
    if (services_.bus)
        services_.bus->openEndpoint(this);
    // Boxes and dialogs belong to this window: centred over it and modal to it.
    if (services_.prompts)
        services_.prompts->setOwner(this);
}

// Frees what the window owns in the order the records depend on each other.
TMainForm::~TMainForm()
{
    // Destroying the window is the end of its life, closed or not.
    if (services_.bus)
        services_.bus->closeEndpoint();
    FontFaceList.clear();
    // The find dialog writes into the find settings: it goes before them.
    if (Options)
        delete Options->FindSettings.Dialog;
    AppRecord.reset();
    Placement.reset();
    Options.reset();
    JumpLineHistory.clear();
    JumpColumnHistory.clear();
    PendingLaunches.clear();
}

TExtMemo *TMainForm::CreateEditor(QWidget *parent)
{
    // The one place the editing control is made.
    auto *editor = new TExtMemo(parent);
    editor->setObjectName(QStringLiteral("RichEdit"));
    ConfigureEditorWindowControl(*editor);
    // Setting the control up is not an edit of the (empty) document.
    editor->SetModified(false);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    return editor;
}

void TMainForm::CreateComponents()
{
    CreateMenus();
    CreateToolbars();
    CreateStatusBar();

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientPanel"));
    auto *row = new QHBoxLayout(client);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    reScrollBox = new QScrollArea(client);
    reScrollBox->setObjectName(QStringLiteral("reScrollBox"));
    reScrollBox->setFrameShape(QFrame::NoFrame);
    reScrollBox->setWidgetResizable(true);
    reScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    reBackPanel = new BackPanel(reScrollBox);
    reBackPanel->setObjectName(QStringLiteral("reBackPanel"));
    auto *column = new QVBoxLayout(reBackPanel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    IndentPanel = new QWidget(reBackPanel);
    IndentPanel->setObjectName(QStringLiteral("IndentPanel"));
    IndentPanel->hide();
    reRoolerPanel = new QWidget(reBackPanel);
    reRoolerPanel->setObjectName(QStringLiteral("reRoolerPanel"));
    reRoolerPanel->setFixedHeight(17);
    reRoolerPanel->setAutoFillBackground(true);
    QPalette ruler = reRoolerPanel->palette();
    ruler.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xEE));
    reRoolerPanel->setPalette(ruler);
    reRoolerPanel->hide();
    RichEdit = CreateEditor(reBackPanel);
    column->addWidget(IndentPanel);
    column->addWidget(reRoolerPanel);
    column->addWidget(RichEdit, 1);
    reScrollBox->setWidget(reBackPanel);
    reScrollBox->installEventFilter(this);
    row->addWidget(reScrollBox, 1);

    VScrollPanel = new QWidget(client);
    VScrollPanel->setObjectName(QStringLiteral("VScrollPanel"));
    auto *bar = new QVBoxLayout(VScrollPanel);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(0);
    VScrollTopPanel = new QWidget(VScrollPanel);
    VScrollTopPanel->setObjectName(QStringLiteral("VScrollTopPanel"));
    VScrollTopPanel->setFixedHeight(2);
    VScrollBar = new QScrollBar(Qt::Vertical, VScrollPanel);
    VScrollBar->setObjectName(QStringLiteral("VScrollBar"));
    VScrollBottomPanel = new QWidget(VScrollPanel);
    VScrollBottomPanel->setObjectName(QStringLiteral("VScrollBottomPanel"));
    VScrollBottomPanel->hide();
    bar->addWidget(VScrollTopPanel);
    bar->addWidget(VScrollBar, 1);
    bar->addWidget(VScrollBottomPanel);
    row->addWidget(VScrollPanel);
    setCentralWidget(client);

    connect(RichEdit, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu->popup(RichEdit->mapToGlobal(at)); });
}

void TMainForm::setVisible(bool visible)
{
    if (!visible || firstDocumentChosen_) {
        QMainWindow::setVisible(visible);
        return;
    }
    // The settings and the placement are applied before the window reaches the screen (the
    // show event); the first document comes when the window is there, so that a question
    // about it (a missing or read-only file) stands over the window, not over an empty
    // screen. One refused settings write is shown for the whole start-up.
    SettingsAction startUp(*this);
    QMainWindow::setVisible(true);
    if (!shown_ || firstDocumentChosen_)
        return;
    firstDocumentChosen_ = true;
    OpenFirstDocument();
    FormActivate();
    // Printing asked for on the command line starts once the window is up and idle.
    if (PrintOnStart)
        QTimer::singleShot(0, this, [this] { FilePrintMenuClick(); });
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TMainForm::FormActivate()
{
    if (RichEdit->isVisible())
        RichEdit->setFocus();
}

void TMainForm::FormShow()
{
    JumpLineHistory.clear();
    JumpColumnHistory.clear();
    CreateRecords();
    FontFaceList.clear();
    PendingLaunches.clear();
    OwnerWindow = 0;
    ClosingOnRequest = false;
    HistoryChanged = false;
    RegistryRefreshPending = false;
    PrintOnStart = false;

    const int scrollExtent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    VScrollPanel->setFixedWidth(scrollExtent);
    VScrollBottomPanel->setFixedHeight(scrollExtent);
    setWindowTitle(QString::fromUtf8(texts::kTitle));
    applicationTitle_ = windowTitle();
    setWindowIconText(applicationTitle_);
    EnumerateFonts();

    firstStart_ = LoadSettings(false);
    if (firstStart_)
        TrySettingsWrite([this] { SaveSettings(); });

    RichEdit->document()->setModified(false);
    RichEditSelectionChange();

    if (firstStart_) {
        if (width() < 880) {
            // Too narrow for both toolbars side by side: the formats toolbar starts a second row.
            removeToolBar(FormatsToolbar);
            addToolBarBreak(Qt::TopToolBarArea);
            addToolBar(Qt::TopToolBarArea, FormatsToolbar);
            FormatsToolbar->show();
        }
    } else if (!services_.arguments.isEmpty()) {
        // Read now: its placement switches place the window before it is shown.
        ParseCommandLine(startFiles_);
    }
}

// The rest of start-up, once the window is on the screen.
void TMainForm::OpenFirstDocument()
{
    for (const QString &error : std::exchange(startErrors_, {}))
        ShowError(error);
    if (firstStart_) {
        ShowHelp(1, 1);
        OpenFileList({GuideFileName()}, true);
    } else if (!services_.arguments.isEmpty()) {
        if (!startFiles_.isEmpty())
            OpenFileList(startFiles_, RichEdit->isReadOnly());
    } else if (Options->AutoOpen) {
        TakeLastEditFile();
    }
}

void TMainForm::TakeLastEditFile()
{
    TrySettingsWrite([this] { Options->TakeLastEditFile(); });
    const QString file = Options->CurrentFile;
    // The document name only ever names a file this window holds: until the file is open
    // the window is untitled, so that a save can never go to a file it did not read.
    Options->CurrentFile.clear();
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        SetDocumentName(QString());
        return;
    }
    // Opened as any file is, with its questions (read-only file, held by another window);
    // the sign of the position then makes a document that was read-only read-only again.
    const int position = Options->LastEditPos;
    if (!OpenDocument(file, false))
        return;
    lastEditCaret_ = position < 0 ? -position : position;
    if (position < 0 && !RichEdit->ReadOnly()) {
        RichEdit->SetReadOnly(true);
        SetDocumentName(file); // the caption and the formats toolbar say so
        FileMenuClick();
    }
    RichEdit->SetSelStart(lastEditCaret_);
}

int TMainForm::ParseCommandLine(QStringList &fileList)
{
    const CommandLine line = velmo::ParseCommandLine(services_.arguments);
    fileList = line.files;
    ApplyCommandLine(line);
    return int(fileList.size());
}

void TMainForm::ApplyCommandLine(const CommandLine &line)
{
    if (line.printOnStart)
        PrintOnStart = true;
    RichEdit->setReadOnly(line.readOnly);
    if (line.owner)
        OwnerWindow = *line.owner;
    // Position and size switches override the placement read from the settings file.
    if (line.left || line.top || line.width || line.height) {
        QRect bounds = placementWindow_->Bounds();
        if (line.left)
            bounds.moveLeft(*line.left);
        if (line.top)
            bounds.moveTop(*line.top);
        if (line.width)
            bounds.setWidth(*line.width);
        if (line.height)
            bounds.setHeight(*line.height);
        placementWindow_->SetBounds(bounds);
    }
    // A bad placement value is reported; the window keeps the placement it has. While
    // starting, the report waits until the window is on the screen.
    for (const QString &error : line.errors) {
        if (firstDocumentChosen_)
            ShowError(error);
        else
            startErrors_.append(error);
    }
}

void TMainForm::OpenFileList(const QStringList &files, bool readOnly)
{
    if (files.isEmpty())
        return;
    // Documents are known by full paths (captions, history, the open-file registry).
    QStringList fullPaths;
    for (const QString &file : files)
        fullPaths << QDir::cleanPath(QDir(startFolder_).absoluteFilePath(file));
    RichEdit->setReadOnly(readOnly);
    OpenDocument(fullPaths.first(), readOnly);
    LaunchWindows(fullPaths.mid(1), readOnly);
}

void TMainForm::SetDocumentName(const QString &name)
{
    const bool readOnly = RichEdit->isReadOnly();
    FormatsToolbar->setEnabled(!readOnly);
    ModeButton->setEnabled(!readOnly);

    const QString title = QString::fromUtf8(texts::kTitle);
    if (name.isEmpty()) {
        setWindowTitle(title);
        applicationTitle_ = title;
    } else {
        applicationTitle_ = QString::fromUtf8(texts::kTitlePrefix) + QFileInfo(name).fileName();
        QString caption = title;
        if (Options->FileNameTitle)
            caption = QString::fromUtf8(readOnly ? texts::kReadOnlyTitlePrefix : texts::kTitlePrefix) + name;
        setWindowTitle(caption);
    }
    // On this desktop the task bar shows a window's icon text.
    setWindowIconText(applicationTitle_);

    SaveDialogFileName = name;
    Options->CurrentFile = name;

    if (Options->SaveDataDir) {
        QDir::setCurrent(Options->CurrentDir);
    } else if (!name.isEmpty()) {
        Options->CurrentDir = QFileInfo(name).absolutePath();
        QDir::setCurrent(Options->CurrentDir);
    }

    if (OwnerWindow == 0 && !name.isEmpty()) {
        TrySettingsWrite([this] {
            TProfileFile(SettingsFileName(), *services_.storage).EraseSection(QStringLiteral("EditFiles"));
        });
        BroadcastNotify(NotifyRegistryRefresh, EDITORNOTIFY_MAGIC, false);
        RegistryRefreshPending = true;
    }
    RichEditChange();
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == reScrollBox && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize()
{
    if (!resizeAttached_ || !reScrollBox)
        return;
    LayoutEditArea();
    // The square below the scroll bar fills the corner beside the box's horizontal bar.
    VScrollBottomPanel->setVisible(reScrollBox->viewport()->width() < reBackPanel->width());
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (closed_) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TMainForm::FormCloseQuery()
{
    return QuerySaveDocument();
}

void TMainForm::FormClose()
{
    closed_ = true;
    resizeAttached_ = false;
    RemoveTempFolder();
    // A refused write is shown once; the window closes all the same, since the save
    // question for the document has already been answered.
    SettingsAction closing(*this);
    if (!ClosingOnRequest)
        TrySettingsWrite([this] { SaveSettings(); });
    FontFaceList.clear();
    TrySettingsWrite([this] { UnregisterOpenFile(false); });
    // A launched window that closes before its first idle moment still lets its launcher
    // start the next window.
    if (OwnerWindow != 0 && services_.bus) {
        const WindowHandle owner = std::exchange(OwnerWindow, 0);
        SendNotify(*services_.bus, owner, {NotifyReady, services_.bus->ownHandle()});
    }
}

TMainForm::SettingsAction::SettingsAction(TMainForm &form) : form_(form)
{
    if (form_.settingsActions_++ == 0)
        form_.settingsRefusalShown_ = false;
}

TMainForm::SettingsAction::~SettingsAction()
{
    --form_.settingsActions_;
}

void TMainForm::TrySettingsWrite(const std::function<void()> &write)
{
    try {
        write();
    } catch (const ComponentError &error) {
        if (settingsActions_ > 0) {
            if (settingsRefusalShown_)
                return;
            settingsRefusalShown_ = true;
        }
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TMainForm::RemoveTempFolder()
{
    if (!services_.shell || !services_.fileSystem)
        return;
    const QString folder = services_.shell->tempFolder() + QStringLiteral("Velmo");
    if (QFileInfo(folder).isDir())
        TBackupMaker(*services_.fileSystem).DeleteFolder(folder);
}

void TMainForm::FileExitMenuClick()
{
    close();
}

void TMainForm::ShowError(const QString &message)
{
    if (services_.prompts)
        services_.prompts->showError(message);
}

QString TMainForm::ProgramPath() const
{
    return services_.system ? services_.system->programPath() : QString();
}

QString TMainForm::SettingsFileName() const
{
    return services_.system ? services_.system->settingsFilePath() : QString();
}

QString TMainForm::HelpFileName() const
{
    return services_.system ? services_.system->helpFilePath() : QString();
}

QString TMainForm::GuideFileName() const
{
    return services_.system ? services_.system->guideFilePath() : QString();
}

} // namespace velmo
