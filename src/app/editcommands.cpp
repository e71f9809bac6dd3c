// The edit commands (undo, cut, copy, paste, delete, select all, date and time, delete
// line), the rules that enable them in the edit menu, the context menu and the toolbar,
// and the keys the window takes from the editor before the editor's own bindings.
#include "app/mainform.h"

#include "editor/extmemo.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <initializer_list>

namespace velmo {

namespace {

// Keys of the window typed in the editor. Each is claimed on its shortcut-override event
// too, so that neither a window shortcut nor the editor's own binding (Ctrl+Y is redo on
// some desktops) takes it first.
class EditorKeys : public QObject {
public:
    explicit EditorKeys(TMainForm *form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        std::function<void()> command;
        if (mods == Qt::ControlModifier && key->key() == Qt::Key_Y)
            command = [this] { form_->DeleteLineCommand(); };
        else if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key->key() == Qt::Key_F)
            command = [this] { form_->FontDialogCommand(); };
        else if (mods == Qt::ControlModifier && key->key() == Qt::Key_O)
            command = [this] { popupAtEditor(form_->PopFileOpenMenu); };
        else if (mods == Qt::ControlModifier && key->key() == Qt::Key_W)
            command = [this] { popupAtEditor(form_->PopFileOpenNewMenu); };
        if (!command)
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            command();
        return true;
    }

private:
    void popupAtEditor(QMenu *menu)
    {
        menu->popup(form_->RichEdit->mapToGlobal(QPoint(0, 0)));
    }
    TMainForm *form_;
};

// The user's date and time separators, where the locale names them.
QChar separatorIn(const QString &format, const QString &candidates, QChar fallback)
{
    for (QChar c : format)
        if (candidates.contains(c))
            return c;
    return fallback;
}

} // namespace

void TMainForm::ConnectEditCommands()
{
    auto wire = [this](std::initializer_list<QAction *> triggers, std::function<void()> command) {
        for (QAction *a : triggers)
            connect(a, &QAction::triggered, this, command);
    };
    wire({EditUndoMenu, PopUndoMenu, UndoButton}, [this] { RichEdit->Undo(); });
    wire({EditCutMenu, PopCutMenu, CutButton}, [this] { RichEdit->CutToClipboard(); });
    wire({EditCopyMenu, PopCopyMenu, CopyButton}, [this] { RichEdit->CopyToClipboard(); });
    wire({EditPasteMenu, PopPasteMenu, PasteButton}, [this] { EditPasteCommand(); });
    wire({EditDeleteMenu, PopDeleteMenu, DeleteButton}, [this] { RichEdit->ClearSelection(); });
    wire({EditSelectAllMenu, PopSelectAllMenu}, [this] { RichEdit->SelectAll(); });
    wire({EditDateTimeMenu}, [this] { EditDateTimeCommand(); });
    for (QAction *a : {EditSelectAllMenu, PopSelectAllMenu, EditDateTimeMenu})
        a->setEnabled(true);
    connect(EditMenu, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] { UpdatePopupMenu(); });
    // The toolbar follows the selection (through the hub), the modified flag and the clipboard.
    connect(RichEdit, &TRichEdit::ModifiedChange, this, [this] {
        if (Toolbar->isVisibleTo(this))
            UpdateEditButtons();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        pasteAnswer_.reset();
        if (Toolbar->isVisibleTo(this))
            UpdateEditButtons();
    });
    RichEdit->installEventFilter(new EditorKeys(this));

    UpdateEditMenu();
}

void TMainForm::UpdateEditMenu()
{
    const bool selection = RichEdit->SelLength() != 0;
    const bool writable = !RichEdit->ReadOnly();
    EditUndoMenu->setEnabled(RichEdit->GetCanUndo() && writable);
    EditCutMenu->setEnabled(selection && writable);
    EditCopyMenu->setEnabled(selection);
    EditPasteMenu->setEnabled(RichEdit->CanPaste(0) && writable);
    EditDeleteMenu->setEnabled(selection && writable);
}

void TMainForm::UpdatePopupMenu()
{
    // The context menu does not look at the read-only state: the editor refuses the change.
    const bool selection = RichEdit->SelLength() != 0;
    const bool text = RichEdit->GetTextLength() != 0;
    PopUndoMenu->setEnabled(RichEdit->GetCanUndo());
    PopCutMenu->setEnabled(selection);
    PopCopyMenu->setEnabled(selection);
    PopPasteMenu->setEnabled(RichEdit->CanPaste(0));
    PopDeleteMenu->setEnabled(selection);
    PopSaveMenu->setEnabled(text);
    PopJumpMenu->setEnabled(true);
}

void TMainForm::UpdateEditButtons()
{
    const bool selection = RichEdit->SelLength() != 0;
    const bool writable = !RichEdit->ReadOnly();
    const bool text = RichEdit->GetTextLength() != 0;
    UndoButton->setEnabled(RichEdit->GetCanUndo() && writable);
    CutButton->setEnabled(selection && writable);
    CopyButton->setEnabled(selection);
    PasteButton->setEnabled(ClipboardCanPaste() && writable);
    DeleteButton->setEnabled(selection && writable);
    SaveButton->setEnabled(text && writable && RichEdit->Modified());
    SaveAsButton->setEnabled(text);
    JumpButton->setEnabled(text);
}

bool TMainForm::ClipboardCanPaste()
{
    const bool plain = RichEdit->PlainText();
    if (!pasteAnswer_ || pasteAnswer_->first != plain)
        pasteAnswer_ = std::pair(plain, RichEdit->CanPaste(0));
    return pasteAnswer_->second;
}

void TMainForm::EditPasteCommand()
{
    // Text mode takes text only, never formats or pictures.
    if (RichEdit->PlainText())
        RichEdit->PasteSpecial(CF_TEXT);
    else
        RichEdit->PasteFromClipboard();
}

void TMainForm::EditDateTimeCommand()
{
    if (RichEdit->ReadOnly())
        return;
    const QLocale locale;
    const QChar date = separatorIn(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/-."), u'/');
    const QChar time = separatorIn(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":."), u':');
    const QString pattern = QStringLiteral("yyyy%1MM%1dd hh%2mm").arg(date, time);
    RichEdit->SetSelText(QDateTime::currentDateTime().toString(pattern));
}

void TMainForm::DeleteLineCommand()
{
    if (RichEdit->ReadOnly())
        return;
    const int row = RichEdit->GetRow();
    const int start = RichEdit->LineIndex(row);
    const int next = RichEdit->LineIndex(row + 1);
    // The last line has no next line: it runs to the end of the text.
    const int end = next < 0 ? RichEdit->GetTextLength() : next;
    RichEdit->SetSelStart(start);
    RichEdit->SetSelLength(end - start);
    RichEdit->ClearSelection();
}

} // namespace velmo
