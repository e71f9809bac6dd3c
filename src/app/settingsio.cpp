// Moving settings between the settings file and the window.
#include "app/mainform.h"

#include "platform/screen.h"
#include "settings/placement.h"
#include "settings/profilefile.h"
#include "settings/teoption.h"

#include <QToolBar>

namespace velmo {

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
    TrySettingsWrite([this] { Placement->SaveNextPlacement(); });
    return firstStart;
}

void TMainForm::SaveSettings()
{
    // Every key of the save in one write (a flush per key made closing slow).
    TProfileBatch batch(SettingsFileName(), *services_.storage);
    AppRecord->Save();
    if (AppRecord->InitSave) {
        // The caret as the editor counts it, where the reopened document puts it back.
        const int caret = RichEdit->SelStart();
        Options->LastEditPos = RichEdit->isReadOnly() ? -caret : caret;
        Placement->Save();
        SaveToolbarPositions();
        Options->Save();
    }
    batch.Commit();
}

} // namespace velmo
