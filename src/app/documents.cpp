// Getting a file into the window and the document back into a file: open, save, the save
// question before a document is given up, and the commands and dropped files around them.
#include "app/mainform.h"

#include "app/backupmaker.h"
#include "app/diskspace.h"
#include "app/documentname.h"
#include "app/droppedcontent.h"
#include "app/documenttexts.h"
#include "editor/extmemo.h"
#include "editor/richstream.h"
#include "platform/componenterror.h"
#include "platform/cp932codec.h"
#include "platform/filesystem.h"
#include "platform/prompts.h"
#include "settings/historylist.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace velmo {

namespace {

constexpr int kInitialTextLimit = 10000000;
constexpr int kReadTextLimit = 2147483632; // 0x7FFFFFF0

QString withPath(const char *format, const QString &path)
{
    return QString::fromUtf8(format).replace(QStringLiteral("%s"), path);
}

template <std::size_t N>
std::vector<FileFilter> filtersOf(const texts::FileTypeText (&types)[N])
{
    std::vector<FileFilter> filters;
    for (const texts::FileTypeText &type : types)
        filters.push_back({QString::fromUtf8(type.description), QString::fromLatin1(type.pattern)});
    return filters;
}

// The save dialog with the filter of the editor's mode; the chosen name, or empty.
QString saveDialog(Prompts &prompts, const TExtMemo &editor, const QString &defaultExtension,
                   const QString &fileName)
{
    FileDialogOptions dialog;
    dialog.title = QString::fromUtf8(texts::kSaveDialogTitle);
    dialog.filters = filtersOf(texts::kSaveFileTypes);
    dialog.filterIndex = editor.PlainText() ? 1 : 2;
    dialog.defaultExtension = defaultExtension;
    dialog.fileName = fileName;
    dialog.pathMustExist = true;
    dialog.overwritePrompt = true;
    const FileDialogResult chosen = prompts.saveFileDialog(dialog);
    return chosen.accepted && !chosen.files.isEmpty() ? chosen.files.first() : QString();
}

// Files dragged from the desktop onto the window or its editor open as documents; the
// editor would otherwise take the file's address as text.
class FileDropFilter : public QObject {
public:
    FileDropFilter(TMainForm *form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (localFiles(drag->mimeData()).isEmpty())
                return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QStringList files = localFiles(drop->mimeData());
            if (files.isEmpty())
                return false;
            drop->acceptProposedAction();
            form_->HandleDropFiles(files);
            return true;
        }
        default:
            return false;
        }
    }

private:
    static QStringList localFiles(const QMimeData *data)
    {
        QStringList files;
        if (!data || !data->hasUrls())
            return files;
        for (const QUrl &url : data->urls())
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        return files;
    }
    TMainForm *form_;
};

} // namespace

void TMainForm::ConnectDocumentCommands()
{
    // Like the settings storage, the file system defaults to the real one.
    static LocalFileSystem localFiles;
    if (!services_.fileSystem)
        services_.fileSystem = &localFiles;
    RichEdit->SetMaxLength(kInitialTextLimit);
    OpenDialogDefaultExt = SaveDialogDefaultExt = QStringLiteral("rtf");

    auto wire = [this](QAction *action, void (TMainForm::*handler)()) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    wire(FileNewMenu, &TMainForm::FileNewMenuClick);
    wire(NewButton, &TMainForm::FileNewMenuClick);
    wire(FileOpenItem, &TMainForm::FileOpenClick);
    wire(OpenButton, &TMainForm::FileOpenClick);
    if (QAction *popOpen = PopFileOpenMenu->actions().value(0))
        wire(popOpen, &TMainForm::FileOpenClick);
    wire(FileSaveMenu, &TMainForm::FileSaveMenuClick);
    wire(PopSaveMenu, &TMainForm::FileSaveMenuClick);
    wire(SaveButton, &TMainForm::FileSaveMenuClick);
    wire(FileSaveAsMenu, &TMainForm::FileSaveAsMenuClick);
    wire(SaveAsButton, &TMainForm::FileSaveAsMenuClick);
    wire(OptionModeMenu, &TMainForm::OptionModeMenuClick);
    wire(ModeButton, &TMainForm::OptionModeMenuClick);
    connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuClick(); });
    connect(OptionMenu, &QMenu::aboutToShow, this,
            [this] { OptionModeMenu->setEnabled(!RichEdit->ReadOnly()); });
    // The save items carry shortcuts, which work only while the items are enabled: keep
    // them in step with the text, not only when the menu opens.
    connect(RichEdit, &TRichEdit::Change, this, [this] { FileMenuClick(); });
    FileMenuClick();

    setAcceptDrops(true);
    auto *drops = new FileDropFilter(this);
    installEventFilter(drops);
    RichEdit->viewport()->installEventFilter(drops);
}

WindowHandle TMainForm::FindWindowForFile(const QString &path) const
{
    if (SettingsFileName().isEmpty() || path.isEmpty())
        return 0;
    const QString section = QStringLiteral("EditFiles");
    const TProfileFile file(SettingsFileName(), *services_.storage);
    for (const QString &key : file.ReadSection(section)) {
        if (!SameFileName(file.ReadPath(section, key, QString()), path))
            continue;
        bool ok = false;
        const qlonglong handle = key.toLongLong(&ok);
        return ok ? WindowHandle(handle) : 0;
    }
    return 0;
}

bool TMainForm::OpenDocument(const QString &path, bool readOnly)
{
    FileSystem &fs = *services_.fileSystem;
    if (!fs.fileExists(path)) {
        services_.prompts->message(withPath(texts::kNotFoundFormat, path), PromptButtons::Ok,
                                   PromptIcon::Stop);
        return false;
    }
    bool openReadOnly = readOnly;
    if (!readOnly && fs.isReadOnly(path)) {
        if (services_.prompts->message(withPath(texts::kReadOnlyOpenFormat, path),
                                       PromptButtons::OkCancel, PromptIcon::Information)
            != PromptResult::Ok)
            return false;
        openReadOnly = true;
    } else if (!readOnly && services_.bus) {
        const WindowHandle other = FindWindowForFile(path);
        const WindowHandle own = services_.bus->ownHandle();
        if (other != 0 && other != own && services_.bus->isWindow(other)) {
            switch (services_.prompts->message(withPath(texts::kOpenElsewhereFormat, path),
                                               PromptButtons::YesNoCancel, PromptIcon::Question)) {
            case PromptResult::Yes:
                openReadOnly = true;
                break;
            case PromptResult::No:
                services_.bus->setForegroundWindow(other);
                // An untitled window that only came to open this file gives way to the
                // window that holds it.
                if (Options->CurrentFile.isEmpty())
                    PostNotify(*services_.bus, own, {NotifyClose, EDITORNOTIFY_MAGIC});
                return false;
            default:
                return false;
            }
        }
    }

    // The whole file is read before the editor is touched, so that a file that cannot be
    // read leaves the window as it was.
    QString reason;
    const std::optional<QByteArray> bytes = fs.readFile(path, &reason);
    if (!bytes) {
        services_.prompts->showError(withPath(texts::kCannotOpenFormat, path));
        return false;
    }

    const bool wasReadOnly = RichEdit->ReadOnly();
    RichEdit->SetReadOnly(openReadOnly);
    ChangeEditMode(!IsRtfFileName(path), EditModeWay::Force);
    ApplyDisplayProfile();
    ShowProgressText(withPath(texts::kReadingFormat, path));
    const std::string_view data(bytes->constData(), std::size_t(bytes->size()));
    try {
        try {
            RichEdit->LoadFromStream(data);
        } catch (const ComponentError &) {
            if (RichEdit->PlainText())
                throw;
            // RTF that cannot be read comes in as the text it is.
            RichEdit->SetPlainText(true);
            try {
                RichEdit->LoadFromStream(data);
            } catch (...) {
                RichEdit->SetPlainText(false);
                throw;
            }
            RichEdit->SetPlainText(false);
        }
    } catch (const std::exception &error) {
        RestoreFileNameText();
        RichEdit->SetReadOnly(wasReadOnly);
        showException(*services_.prompts, error);
        return false;
    }
    RichEdit->SetMaxLength(kReadTextLimit);
    RestoreFileNameText();

    // The text is in: from here the name follows it whatever the settings file does.
    SettingsAction opening(*this);
    AddToHistory(path, true); // the idle work tells the other windows
    SetDocumentName(path);
    RichEdit->SetModified(false);
    RichEditSelectionChange();
    FileMenuClick();
    RichEdit->setFocus();
    return true;
}

bool TMainForm::QuerySaveDocument()
{
    if (RichEdit->GetTextLength() == 0 || !RichEdit->Modified())
        return true;
    raise();
    activateWindow();
    const PromptResult answer = services_.prompts->message(
        withPath(texts::kQuerySaveFormat, Options->CurrentFile), PromptButtons::YesNoCancel,
        PromptIcon::Question);
    if (answer == PromptResult::Cancel || answer == PromptResult::None)
        return false;
    if (answer == PromptResult::No)
        return true;
    if (Options->CurrentFile.isEmpty()) {
        SaveDialogDefaultExt.clear();
        const QString target = saveDialog(*services_.prompts, *RichEdit, SaveDialogDefaultExt,
                                          SaveDialogFileName);
        if (target.isEmpty())
            return false;
        ChangeEditMode(!IsRtfFileName(target), EditModeWay::Force);
        return SaveDocument(target);
    }
    if (!FileExtension(Options->CurrentFile).isEmpty())
        SaveDialogDefaultExt.clear();
    else
        ChangeEditMode(true, EditModeWay::Ask);
    // A save that did not complete (a refused question among them) keeps the document, and
    // the window, where they are.
    return SaveDocument(Options->CurrentFile);
}

bool TMainForm::SaveDocument(const QString &path)
{
    FileSystem &fs = *services_.fileSystem;
    const bool richText = !RichEdit->PlainText();
    // The free space is that of the file system the file goes to, not the current folder's.
    const SaveSpace space = SpaceForSave(fs, path, RichEdit->GetTextLength(), richText,
                                         Options->MakeBackup);

    if (fs.fileExists(path) && fs.isReadOnly(path)) {
        if (services_.prompts->message(withPath(texts::kReadOnlySaveFormat, path),
                                       PromptButtons::YesNo, PromptIcon::Question)
            == PromptResult::Yes)
            return SaveAs();
        return false;
    }
    if (!space.enough()) {
        services_.prompts->message(QString::fromUtf8(texts::kDiskFullMessage), PromptButtons::Ok,
                                   PromptIcon::Stop);
        return false;
    }

    // A text file cannot hold every character; rather than let them turn into "?" unseen,
    // ask first (before any backup moves the old file away).
    if (!richText) {
        // Checked on exactly what the writer encodes.
        const editor::TextOutput output = editor::encodeDocumentText(*RichEdit->document());
        const qsizetype lost = output.lost;
        const int line = output.firstLostLine;
        const QString &first = output.firstLost;
        if (lost > 0) {
            const QString question =
                QString::fromUtf8(texts::kUnrepresentableFormat).arg(line).arg(first).arg(lost);
            if (services_.prompts->message(question, PromptButtons::YesNo, PromptIcon::Question)
                != PromptResult::Yes)
                return false;
        }
    }

    if (!ConfirmDroppedContent(*services_.prompts, *RichEdit))
        return false;

    TBackupMaker backup(fs, services_.prompts);
    if (!backup.BackupBeforeSave(path, Options->MakeBackup, Options->UseTrashBox))
        return false;

    ShowProgressText(withPath(texts::kSavingFormat, path));
    const std::string bytes = RichEdit->SaveToStream();
    // Written beside the target and renamed over it: a failed write leaves the old file.
    if (!fs.writeFileAtomic(path, QByteArrayView(bytes.data(), qsizetype(bytes.size())), nullptr, backup.PreviousVersion())) {
        // The old file went to the trash as its backup: it comes back to its place.
        backup.UndoTrashMove(path);
        services_.prompts->message(QString::fromUtf8(texts::kSaveErrorMessage), PromptButtons::Ok,
                                   PromptIcon::Stop);
        RestoreFileNameText();
        return false;
    }
    RestoreFileNameText();
    // The document is in the file: a refused settings write below is shown and no more.
    SettingsAction saved(*this);
    RichEdit->SetReadOnly(false);
    RichEdit->SetModified(false);
    SetDocumentName(path);
    AddToHistory(path, false);
    RichEditSelectionChange();

    TrySettingsWrite([this] { RegisterOpenFile(true); });
    BroadcastNotify(NotifyRegistryRefresh, EDITORNOTIFY_MAGIC, false);
    FileMenuClick();
    return true;
}

void TMainForm::FileNewMenuClick()
{
    if (!QuerySaveDocument())
        return;
    RichEdit->SetReadOnly(false);
    RichEdit->SetText(QString());
    RichEdit->SelectAll();
    RichEdit->SetParagraph(TParaAttributes{}, pfAlignment | pfFirstIndent | pfLeftIndent | pfRightIndent);
    ApplyDisplayProfile();
    RichEdit->SetSelLength(0);
    ChangeEditMode(Options->PlainText, EditModeWay::Force);
    SetDocumentName(QString());
    RichEdit->SetModified(false);
    RichEditSelectionChange();
    FileMenuClick();
    RichEdit->setFocus();
}

void TMainForm::FileOpenClick()
{
    if (!QuerySaveDocument())
        return;
    FileDialogOptions dialog;
    dialog.title = QString::fromUtf8(texts::kOpenDialogTitle);
    dialog.filters = filtersOf(texts::kOpenFileTypes);
    dialog.filterIndex = RichEdit->PlainText() ? 1 : 2;
    dialog.defaultExtension = OpenDialogDefaultExt;
    if (Options->SaveDataDir)
        dialog.initialFolder = Options->CurrentDir;
    dialog.allowMultiple = true;
    dialog.fileMustExist = true;
    dialog.pathMustExist = true;
    const FileDialogResult chosen = services_.prompts->openFileDialog(dialog);
    if (chosen.accepted && !chosen.files.isEmpty())
        OpenFileList(chosen.files, false);
}

void TMainForm::FileSaveMenuClick()
{
    if (RichEdit->GetTextLength() == 0 || !RichEdit->Modified())
        return;
    if (Options->CurrentFile.isEmpty()) {
        FileSaveAsMenuClick();
        return;
    }
    // Declining the conversion saves in the mode the document is in.
    ChangeEditMode(!IsRtfFileName(SaveDialogFileName), EditModeWay::Ask);
    SaveDocument(Options->CurrentFile);
}

void TMainForm::FileSaveAsMenuClick()
{
    SaveAs();
}

bool TMainForm::SaveAs()
{
    if (RichEdit->GetTextLength() == 0)
        return false;
    if (!FileExtension(Options->CurrentFile).isEmpty())
        SaveDialogDefaultExt.clear();
    const QString target = saveDialog(*services_.prompts, *RichEdit, SaveDialogDefaultExt,
                                      Options->CurrentFile);
    if (target.isEmpty())
        return false;
    ChangeEditMode(!IsRtfFileName(target), EditModeWay::Ask);
    return SaveDocument(target);
}

void TMainForm::FileMenuClick()
{
    const bool hasText = RichEdit->GetTextLength() > 0;
    FileSaveMenu->setEnabled(hasText && !RichEdit->ReadOnly());
    FileSaveAsMenu->setEnabled(hasText);
}

void TMainForm::HandleDropFiles(const QStringList &names)
{
    if (names.isEmpty())
        return;
    if (QuerySaveDocument())
        OpenFileList(names, false);
}

} // namespace velmo
