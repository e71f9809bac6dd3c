// Moving settings between the settings file and the window.
#include "app/mainform.h"

#include "platform/screen.h"
#include "settings/placement.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include "platform/cp932codec.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>

namespace velmo {

namespace {

// The caret as a position in the document's Shift-JIS bytes, a line end counting two.
int caretBytePosition(const QTextEdit *editor)
{
    QTextCursor head(editor->document());
    head.setPosition(editor->textCursor().selectionStart(), QTextCursor::KeepAnchor);
    QString before = head.selectedText();
    before.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    return int(cp932::byteLength(std::u16string_view(
        reinterpret_cast<const char16_t *>(before.utf16()), size_t(before.size()))));
}

} // namespace

void TMainForm::CreateRecords()
{
    const QString file = SettingsFileName();
    AppRecord = std::make_unique<TAppRecord>(file, *services_.storage);
    Options = std::make_unique<TGeneralOptions>(this, file, *services_.printers, *services_.screen,
                                                *services_.storage);
    placementWindow_ = std::make_unique<WidgetPlacementWindow>(this);
    Placement = std::make_unique<TWindowPlacement>(placementWindow_.get(), file, *services_.screen,
                                                   *services_.storage);
}

bool TMainForm::LoadSettings(bool reload)
{
    const bool firstStart = AppRecord->Load();
    if (!AppRecord->InitSave)
        return firstStart;
    Options->Load();
    // A reload (another window changed the settings) keeps this window's editing mode.
    ApplyOptions(reload ? EditModeWay::Keep : EditModeWay::Ask);
    LoadToolbarPositions();
    // Restoring positions may show a toolbar that the settings or the mode hide.
    ApplyToolbarVisibility();
    if (reload)
        return firstStart;
    Placement->Load();
    Placement->SaveNextPlacement();
    return firstStart;
}

void TMainForm::SaveSettings()
{
    // Every key of the save in one write (a flush per key made closing slow).
    TProfileBatch batch(SettingsFileName(), *services_.storage);
    AppRecord->Save();
    if (AppRecord->InitSave) {
        const int caret = caretBytePosition(RichEdit);
        Options->LastEditPos = RichEdit->isReadOnly() ? -caret : caret;
        Placement->Save();
        SaveToolbarPositions();
        Options->Save();
    }
    batch.Commit();
}

} // namespace velmo
