// The editor window: one document, its toolbars, menus and status bar, the option records it
// owns, and its life from start-up to destruction. Each concern has its own source file:
// mainform.cpp (construction, start-up, closing), menus.cpp (menus and toolbars),
// settingsio.cpp (settings file), toolbarstate.cpp (toolbar positions), help.cpp,
// multiwindow.cpp (the other editor windows), historymenus.cpp (the file history).
#pragma once

#include "app/commandline.h"
#include "app/editornotify.h"
#include "app/statusbar.h"
#include "editor/extmemo.h"
#include "platform/windowbus.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QFontDialog;
class QSlider;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QScrollBar;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace velmo {

class FileSystem;
class Prompts;
class Shell;
class SystemInfo;
class Screen;
class Printers;
class ProfileStorage;
class TAppRecord;
class TDisplayProfile;
class TGeneralOptions;
class TWindowPlacement;
class TPopupColorMenu;
class TRulerPaintBox;
class WidgetPlacementWindow;

// What the window asks of the platform. Everything is handed in, so tests hand in doubles.
struct MainFormServices {
    Prompts *prompts = nullptr;
    FileSystem *fileSystem = nullptr;
    Shell *shell = nullptr;
    WindowBus *bus = nullptr;
    SystemInfo *system = nullptr;
    Screen *screen = nullptr;
    Printers *printers = nullptr;
    ProfileStorage *storage = nullptr; // how the settings file reaches the disk
    // The arguments of this process after the program name.
    QStringList arguments;
};

// One installed face as the face box lists it.
struct FontFace {
    QString name;
    int pitch = 0;   // 0 default, 1 variable, 2 fixed
    int charset = 1; // 128 for faces that write Japanese, else 1 (default)
};

class TMainForm : public QMainWindow, public BusWindow {
    Q_OBJECT
public:
    explicit TMainForm(const MainFormServices &services, QWidget *parent = nullptr);
    ~TMainForm() override; // FormDestroy

    // --- start-up and closing ---
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void RemoveTempFolder();
    bool LoadSettings(bool reload);
    void SaveSettings();

    // --- documents and the command line ---
    int ParseCommandLine(QStringList &fileList);
    void OpenFileList(const QStringList &files, bool readOnly);
    void SetDocumentName(const QString &name);
    void ShowHelp(int command, int data);
    void FormResize();
    void FormActivate();

    // --- the other editor windows (multiwindow.cpp) ---
    int CountOtherWindows();
    void BroadcastNotify(EditorNotify code, std::int64_t lParam, bool wait);
    void RegisterOpenFile(bool eraseFirst);
    void UnregisterOpenFile(bool wholeSection);
    void IdleWork();
    bool IdleWorkPending() const;
    // Opens every file in a window of its own, one process after another (the launch chain).
    void LaunchWindows(const QStringList &files, bool readOnly);
    // True from LaunchWindows until the last window of the chain has reported or failed.
    bool LaunchChainRunning() const { return launchWaiting_ != 0 || !PendingLaunches.isEmpty(); }
    void FileNewWindowMenuClick();
    void FileOpenNewClick();
    void CloseAllMenuClick();

    // --- file history (historymenus.cpp) ---
    // Fills the four history menus; markChanged has the other windows told when idle.
    void RebuildHistoryMenus(bool markChanged);
    // Another window changed the history: read it again (nothing is written).
    void ReloadHistory();
    void HistoryItemClick(QAction *item);
    // Puts the files at the top of the history (in order, the last on top), stores it and
    // rebuilds the menus.
    void AddToHistory(const QStringList &paths, bool markChanged);
    void AddToHistory(const QString &path, bool markChanged) { AddToHistory(QStringList{path}, markChanged); }
    // Cuts the history to count entries (the options' MaxHistoryItems), stores it and
    // rebuilds the menus.
    void CutHistory(int count);

    // --- paths derived from the program's own path ---
    QString ProgramPath() const;
    QString SettingsFileName() const;
    QString HelpFileName() const;
    QString GuideFileName() const;

    // The text the desktop shows for this program on its task bar.
    QString ApplicationTitle() const { return applicationTitle_; }

    int LastEditCaret() const { return lastEditCaret_; }

    // --- documents and editing modes (documents.cpp, editmode.cpp) ---
    enum class EditModeWay { Ask, Force, Keep };
    bool OpenDocument(const QString &path, bool readOnly);
    // True only when the document reached the file (also through the Save As it may offer).
    bool SaveDocument(const QString &path);
    // False also when the save that Yes asked for did not complete: the edit stays here.
    bool QuerySaveDocument();
    bool ChangeEditMode(bool plainText, EditModeWay way);
    void FileNewMenuClick();
    void FileOpenClick();
    void FileSaveMenuClick();
    void FileSaveAsMenuClick();
    void FileMenuClick();
    void HandleDropFiles(const QStringList &names);
    void OptionModeMenuClick();
    // The window registered in [EditFiles] as holding path, 0 for none.
    WindowHandle FindWindowForFile(const QString &path) const;
    // Connects the document and mode commands and file drops (at construction).
    void ConnectDocumentCommands();
    QString OpenDialogDefaultExt; // both file dialogs' default extension ("rtf", "txt" or empty)
    QString SaveDialogDefaultExt;

    // --- status bar (statusbar.cpp) ---
    // The hub run on every selection change of the editor (status part: panels 0 and 2).
    void RichEditSelectionChange();
    // The editor's text changed (also after naming the document and changing the mode):
    // recomputes FileNameText and shows it.
    void RichEditChange();
    // The editor's key handler: the Insert key shows the editor's new insert mode.
    void RichEditKeyDown(int key);
    void SetStatusBarFontSize(int size);
    // x in status-bar pixels from the left edge of panel 0; -1 comes from the jump command.
    void StatusBarMouseDown(Qt::MouseButton button, int x);
    void StatusBarMouseMove(int x);
    // A transient text in the name panel (reading, saving, searching, printing) and back.
    void ShowProgressText(const QString &text);
    void RestoreFileNameText();
    // The hint the status bar shows for the panel under the pointer.
    QString StatusBarHint() const;
    int StatusPanelWidth(int index) const;
    // Watches the editor's keys for the insert/overwrite panel (once the editor exists).
    void ConnectStatusBar();
    TStatusPanelStrip *StatusPanelStrip = nullptr; // the four panels side by side, inside StatusBar

    // --- search and navigation (searchcommands.cpp) ---
    // The go-to dialog: statusX -1 centres it over the window (the command); otherwise it pops
    // up above the status bar at that x (status-bar pixels from the left edge of panel 0).
    void SearchJumpMenuClick(int statusX = -1);
    // The find dialog of this window (one at a time), ticked for replacing on request.
    void SearchFindMenuClick(bool forReplacing = false);
    // F3: the last search again, forward from the caret.
    void SearchFindNextMenuClick();
    // Menu items, shortcuts and the toolbar buttons of the search commands.
    void ConnectSearchCommands();

    // --- printing (printcommands.cpp) ---
    // The print command: the print dialog, then one job per copy with the progress window.
    void FilePrintMenuClick();
    // The print menu items, the toolbar button and their enabling.
    void ConnectPrintCommands();
    // The number of copies the print dialog's OK chose last.
    std::int32_t CopiesCount = 1;
    // Shows the settings dialog on its page-setup page (the print dialog's page-setup
    // button); set where that dialog is made. Unset, the button is disabled.
    std::function<void()> ShowPageSetupPage;

    // --- the editor's view: word wrap, edit area, display profiles (editorview.cpp) ---
    // Puts the current mode's display profile and the IME styles onto the editor; keeps the
    // modified flag and the ruler's visibility.
    void ApplyDisplayProfile();
    // Applies a whole options record to the window (settings loaded, dialog OK or Apply).
    void ApplyOptions(EditModeWay way);
    // 0 none, 1 the window's edge, 2 the page's printable width.
    void ApplyWordWrap(int value);
    void EditWordWrapMenuClick();
    void LayoutEditArea();
    // The current mode's profile (text mode's while the editor holds plain text).
    TDisplayProfile &CurrentProfile();
    // The width wrapping at the page uses: the page setup's, or a fixed width without printer.
    int ScreenTextWidth() const;
    int AverageCharWidth = 0;     // average width of the profile font; the ruler's unit
    QFont DrawingFont;            // the window's drawing font: the profile's
    // The formatting controls shown for the toolbar setting and the mode; the button size.
    void ApplyToolbarVisibility();
    void ApplyButtonSize(int size);
    // The word-wrap item, the editor's notifications and the window's vertical bar.
    void ConnectEditorView();

    // --- formatting and edit commands (charformat.cpp, paraformat.cpp, indentpanel.cpp,
    // ruler.cpp, editcommands.cpp) ---
    // Face, size, colour and style of the selection; only the user's own changes of the
    // boxes come here, never the hub's updates.
    void FontNameComboBoxChange();
    void FontSizeComboBoxChange(const QString &text);
    void FontSizeMenuClick(QAction *item);
    void CheckFontSizeMenu();
    // Adds the style to the whole selection, or takes it off when the selection starts with it.
    void ToggleFontStyle(TFontStyles style);
    void FontColorPopup();
    void FontColorClick();
    // The font dialog: the selection's attributes in rich-text mode, the editor's one font
    // in text mode.
    void FontDialogCommand();
    // Runs the font dialog; tests replace it.
    std::function<bool(QFontDialog &)> ExecFontDialog;
    // A right press on a toolbar button: the display settings.
    void ToolbarButtonRightPress();
    void SetAlignment(TAlignment alignment);
    void CheckAlignmentMenu();
    void NumberingCommand();
    void IndentPanelCommand();
    void HideIndentPanel();
    void UpdateIndentBars();
    void ApplyIndentBars();
    void IndentBarMoved(QSlider *bar);
    void LayoutIndentPanel();
    void CreateIndentPanel();
    bool IndentLayoutRunning = false; // the layout may close the panel, which lays it out again
    void RoolerCommand();
    void MoveRulerCaretMark();
    // Enabling of the edit commands in the edit menu, the context menu and the main toolbar.
    void UpdateEditMenu();
    void UpdatePopupMenu();
    void UpdateEditButtons();
    // Whether the clipboard holds something this mode can paste, asked of the clipboard only
    // when its contents or the mode change: the toolbar follows every caret move, and asking
    // the clipboard is a round trip to the display server.
    bool ClipboardCanPaste();
    void EditPasteCommand();
    void EditDateTimeCommand();
    void DeleteLineCommand();
    void ConnectFormatCommands();
    void ConnectParagraphCommands();
    void ConnectEditCommands();
    // The parts of the selection-change hub that follow the formats at the caret.
    void UpdateFormatControls();
    TPopupColorMenu *ColorMenu = nullptr; // a child of the window
    QSlider *TopIndentTrackBar = nullptr, *LeftIndentTrackBar = nullptr, *RightIndentTrackBar = nullptr;
    QLabel *TopIndentLabel = nullptr, *LeftIndentLabel = nullptr, *RightIndentLabel = nullptr;
    QCheckBox *SyncIndentCheckBox = nullptr, *SyncRightIndentCheckBox = nullptr;
    TRulerPaintBox *reRoolerPaintBox = nullptr;
    QWidget *reRoolerPosPaintBox = nullptr;
    // --- the settings dialog (settingsdialog.cpp) ---
    // Opens the settings dialog on a page (0 general, 1 display, 2 page setup, 3 system
    // information); result 100 prints afterwards.
    void ShowSettingsDialog(int page);
    // Its menu items and toolbar buttons, and the right press on any toolbar button.
    void ConnectSettingsDialog();

    // --- BusWindow ---
    std::int64_t handleBusMessage(std::uint32_t message, std::int64_t wParam,
                                  std::int64_t lParam) override;
    QString busCaption() const override;
    QString busClassName() const override;
    bool busBringToFront() override;

    // --- records (from FormShow step 2 to destruction) ---
    std::unique_ptr<TAppRecord> AppRecord;
    std::unique_ptr<TGeneralOptions> Options;
    std::unique_ptr<TWindowPlacement> Placement;

    // --- state ---
    QStringList JumpLineHistory;
    QStringList JumpColumnHistory;
    QStringList PendingLaunches;
    std::vector<FontFace> FontFaceList;
    WindowHandle OwnerWindow = 0;
    bool PrintOnStart = false;
    bool ClosingOnRequest = false;
    bool HistoryChanged = false;
    bool RegistryRefreshPending = false;
    std::vector<WindowHandle> OtherWindows;
    QString FileNameText;
    QString SaveDialogFileName; // the save dialog's file name: the current document

    // --- components ---
    QToolBar *Toolbar = nullptr;
    QToolBar *FormatsToolbar = nullptr;
    QAction *NewButton = nullptr, *NewWindowButton = nullptr, *OpenButton = nullptr,
            *OpenNewWinButton = nullptr, *SaveButton = nullptr, *SaveAsButton = nullptr,
            *PrintButton = nullptr, *PageSetupButton = nullptr, *UndoButton = nullptr,
            *CutButton = nullptr, *DeleteButton = nullptr, *CopyButton = nullptr,
            *PasteButton = nullptr, *SearchButton = nullptr, *JumpButton = nullptr,
            *RoolerButton = nullptr, *OptionButton = nullptr, *ModeButton = nullptr,
            *AboutButton = nullptr;
    QAction *FontButton = nullptr, *FontSizeButton = nullptr, *BoldButton = nullptr,
            *ItalicButton = nullptr, *UnderlineButton = nullptr, *FontColorButton = nullptr,
            *AlLeftButton = nullptr, *AlCenterButton = nullptr, *AlRightButton = nullptr,
            *NumberingButton = nullptr, *IndentButton = nullptr;
    QComboBox *FontNameComboBox = nullptr;
    QComboBox *FontSizeComboBox = nullptr;

    QMenu *FileMenu = nullptr, *EditMenu = nullptr, *SearchMenu = nullptr,
          *OptionMenu = nullptr, *HelpMenu = nullptr;
    QAction *FileNewMenu = nullptr, *FileNewWindowMenu = nullptr, *FileSaveMenu = nullptr,
            *FileSaveAsMenu = nullptr, *FilePageSetupMenu = nullptr, *FilePrintMenu = nullptr,
            *FileExitMenu = nullptr, *CloseAllMenu = nullptr;
    QMenu *FileOpenMenu = nullptr, *FileOpenNewMenu = nullptr;
    QAction *FileOpenItem = nullptr, *FileOpenNewItem = nullptr;
    QAction *EditUndoMenu = nullptr, *EditCutMenu = nullptr, *EditCopyMenu = nullptr,
            *EditPasteMenu = nullptr, *EditDeleteMenu = nullptr, *EditSelectAllMenu = nullptr,
            *EditDateTimeMenu = nullptr, *EditWordWrapMenu = nullptr;
    QAction *SearchFindMenu = nullptr, *SearchFindNextMenu = nullptr, *SearchJumpMenu = nullptr;
    QAction *OptionModeMenu = nullptr, *OptionFontMenu = nullptr, *OptionNumberingMenu = nullptr,
            *OptionIndentMenu = nullptr, *OptionRoolerMenu = nullptr, *OptionSetMenu = nullptr;
    QMenu *OptionAlMenu = nullptr;
    QAction *OptionAlLeftMenu = nullptr, *OptionAlCenterMenu = nullptr,
            *OptionAlRightMenu = nullptr;
    QAction *HelpIndexMenu = nullptr, *HelpAboutMenu = nullptr, *HelpSysInfoMenu = nullptr;

    QMenu *PopupMenu = nullptr; // the editor's context menu
    QAction *PopUndoMenu = nullptr, *PopCutMenu = nullptr, *PopCopyMenu = nullptr,
            *PopPasteMenu = nullptr, *PopDeleteMenu = nullptr, *PopSelectAllMenu = nullptr,
            *PopFontMenu = nullptr, *PopLeftMenu = nullptr, *PopCenterMenu = nullptr,
            *PopRightMenu = nullptr, *PopIndentMenu = nullptr, *PopNumberingMenu = nullptr,
            *PopFindMenu = nullptr, *PopJumpMenu = nullptr, *PopSaveMenu = nullptr,
            *PopPrintMenu = nullptr, *PopDisplayMenu = nullptr;
    QMenu *PopFileOpenMenu = nullptr, *PopFileOpenNewMenu = nullptr, *FontSizeMenu = nullptr;

    QStatusBar *StatusBar = nullptr;
    std::array<QLabel *, 4> StatusPanels{};

    QScrollArea *reScrollBox = nullptr;
    QWidget *reBackPanel = nullptr;
    QWidget *IndentPanel = nullptr;
    QWidget *reRoolerPanel = nullptr;
    TExtMemo *RichEdit = nullptr;
    QWidget *VScrollPanel = nullptr;
    QWidget *VScrollTopPanel = nullptr;
    QScrollBar *VScrollBar = nullptr;
    QWidget *VScrollBottomPanel = nullptr;

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TOptionForm; // writes the dialog back into the window (CommitSettings)
    void CreateComponents();
    void CreateRecords();
    void TakeLastEditFile();
    void OpenFirstDocument();
    // Save As; true when the document was written.
    bool SaveAs();
    // A refused write to the settings file does not stop what the user is doing: the
    // refusal is shown (once per SettingsAction) and the window goes on with the settings it
    // holds in memory. Nothing is remembered: the next write tries the file again.
    void TrySettingsWrite(const std::function<void()> &write);
    class SettingsAction {
    public:
        explicit SettingsAction(TMainForm &form);
        ~SettingsAction();
        SettingsAction(const SettingsAction &) = delete;
        SettingsAction &operator=(const SettingsAction &) = delete;

    private:
        TMainForm &form_;
    };
    TExtMemo *CreateEditor(QWidget *parent);
    void CreateMenus();
    void CreateToolbars();
    void CreateStatusBar();
    void EnumerateFonts();
    void FileExitMenuClick();
    void HelpIndexClick();
    void HelpAboutClick();
    void ShowError(const QString &message);
    void ApplyCommandLine(const CommandLine &line);
    void SaveToolbarPositions();
    void LoadToolbarPositions();

    MainFormServices services_;
    std::unique_ptr<WidgetPlacementWindow> placementWindow_;
    bool shown_ = false;
    bool firstStart_ = false;
    bool firstDocumentChosen_ = false;
    QStringList startFiles_;     // the command line's files, opened once the window shows
    QStringList startErrors_;    // its bad values, shown once the window shows
    int settingsActions_ = 0;          // SettingsAction nesting
    bool settingsRefusalShown_ = false; // within the outermost SettingsAction
    bool closed_ = false;
    bool resizeAttached_ = true;
    // ClipboardCanPaste's last answer and the mode it was for; forgotten when the clipboard changes.
    std::optional<std::pair<bool, bool>> pasteAnswer_;
    QString applicationTitle_;
    QString helpFile_;
    int lastEditCaret_ = 0; // where the caret goes in a reopened last document
    // The launch chain (multiwindow.cpp).
    void ConnectMultiWindowCommands();
    void LaunchNext();
    void LaunchEnded(int serial);
    void ShowLaunchFailure();
    bool ModalBusy() const;
    void DeliverDeferredNotices();
    void HandleNotify(const EditorMessage &notice);
    QRect nextLaunchPlacement_;      // where the chain's next window goes
    int launchWaiting_ = 0;          // the launch whose window has not reported yet, 0 none
    int launchSerial_ = 0;           // numbers the launches of this window
    bool launchFailureShown_ = false; // once per chain
    // Close requests and settings changes that came while a dialog was open.
    std::vector<EditorMessage> deferredNotices_;
    // The folder the process started in: file names on the command line are relative to it,
    // whatever folder the settings make current before they are opened.
    QString startFolder_;
};

} // namespace velmo
