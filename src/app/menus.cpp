// The window's menus, toolbars and status bar: captions, shortcuts and order.
// Commands whose behaviour is not available in this window yet stay disabled.
#include "app/mainform.h"
#include "app/uitexts.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

namespace velmo {

namespace {

QString tr8(const char *utf8) { return QString::fromUtf8(utf8); }

QAction *item(QMenu *menu, const char *name, const char *caption,
              const QKeySequence &shortcut = {}, bool enabled = false)
{
    auto *action = menu->addAction(tr8(caption));
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    action->setEnabled(enabled);
    return action;
}

// A menu item or context-menu item that lists its shortcut without owning it: the same keys
// belong to the window's menu bar (or to the editor), and Qt would call two owners ambiguous.
QAction *popItem(QMenu *menu, const char *name, const char *caption,
                 const QKeySequence &shortcut = {})
{
    auto *action = item(menu, name, caption, shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

// The face and size boxes use this face at 12 pixels.
QFont comboFont()
{
    QFont font(QString::fromUtf8(texts::kComboFace));
    font.setPixelSize(12);
    return font;
}

} // namespace

void TMainForm::CreateMenus()
{
    QMenuBar *bar = menuBar();

    FileMenu = bar->addMenu(tr8(texts::kFileMenu));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    FileNewMenu = item(FileMenu, "FileNewMenu", texts::kFileNewMenu);
    FileOpenMenu = FileMenu->addMenu(tr8(texts::kFileOpenMenu));
    FileOpenMenu->setObjectName(QStringLiteral("FileOpenMenu"));
    FileOpenItem = item(FileOpenMenu, "FileOpenItem", texts::kFileOpenItem);
    FileOpenMenu->addSeparator();
    FileNewWindowMenu = item(FileMenu, "FileNewWindowMenu", texts::kFileNewWindowMenu);
    FileOpenNewMenu = FileMenu->addMenu(tr8(texts::kFileOpenNewMenu));
    FileOpenNewMenu->setObjectName(QStringLiteral("FileOpenNewMenu"));
    FileOpenNewItem = item(FileOpenNewMenu, "FileOpenNewItem", texts::kFileOpenNewItem);
    FileOpenNewMenu->addSeparator();
    FileSaveMenu = item(FileMenu, "FileSaveMenu", texts::kFileSaveMenu, QKeySequence(QStringLiteral("Ctrl+S")));
    FileSaveAsMenu = item(FileMenu, "FileSaveAsMenu", texts::kFileSaveAsMenu,
                          QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    FileMenu->addSeparator();
    FilePageSetupMenu = item(FileMenu, "FilePageSetupMenu", texts::kFilePageSetupMenu);
    FilePrintMenu = item(FileMenu, "FilePrintMenu", texts::kFilePrintMenu, QKeySequence(QStringLiteral("Ctrl+P")));
    FileMenu->addSeparator();
    FileExitMenu = item(FileMenu, "FileExitMenu", texts::kFileExitMenu, QKeySequence(QStringLiteral("Alt+F4")), true);
    CloseAllMenu = item(FileMenu, "CloseAllMenu", texts::kCloseAllMenu);
    connect(FileExitMenu, &QAction::triggered, this, [this] { FileExitMenuClick(); });

    EditMenu = bar->addMenu(tr8(texts::kEditMenu));
    EditMenu->setObjectName(QStringLiteral("EditMenu"));
    EditUndoMenu = popItem(EditMenu, "EditUndoMenu", texts::kEditUndoMenu, QKeySequence(QStringLiteral("Ctrl+Z")));
    EditMenu->addSeparator();
    EditCutMenu = popItem(EditMenu, "EditCutMenu", texts::kEditCutMenu, QKeySequence(QStringLiteral("Ctrl+X")));
    EditCopyMenu = popItem(EditMenu, "EditCopyMenu", texts::kEditCopyMenu, QKeySequence(QStringLiteral("Ctrl+C")));
    EditPasteMenu = popItem(EditMenu, "EditPasteMenu", texts::kEditPasteMenu, QKeySequence(QStringLiteral("Ctrl+V")));
    EditDeleteMenu = item(EditMenu, "EditDeleteMenu", texts::kEditDeleteMenu);
    EditMenu->addSeparator();
    EditSelectAllMenu = popItem(EditMenu, "EditSelectAllMenu", texts::kEditSelectAllMenu,
                                QKeySequence(QStringLiteral("Ctrl+A")));
    EditMenu->addSeparator();
    EditDateTimeMenu = item(EditMenu, "EditDateTimeMenu", texts::kEditDateTimeMenu);
    EditMenu->addSeparator();
    EditWordWrapMenu = item(EditMenu, "EditWordWrapMenu", texts::kEditWordWrapMenu);
    EditWordWrapMenu->setCheckable(true);
    EditWordWrapMenu->setChecked(true);

    SearchMenu = bar->addMenu(tr8(texts::kSearchMenu));
    SearchMenu->setObjectName(QStringLiteral("SearchMenu"));
    SearchFindMenu = item(SearchMenu, "SearchFindMenu", texts::kSearchFindMenu);
    SearchFindNextMenu = item(SearchMenu, "SearchFindNextMenu", texts::kSearchFindNextMenu,
                              QKeySequence(Qt::Key_F3));
    SearchMenu->addSeparator();
    SearchJumpMenu = item(SearchMenu, "SearchJumpMenu", texts::kSearchJumpMenu, QKeySequence(QStringLiteral("Ctrl+J")));

    OptionMenu = bar->addMenu(tr8(texts::kOptionMenu));
    OptionMenu->setObjectName(QStringLiteral("OptionMenu"));
    OptionModeMenu = item(OptionMenu, "OptionModeMenu", texts::kModeToTextCaption,
                          QKeySequence(QStringLiteral("Ctrl+Shift+T")));
    OptionMenu->addSeparator();
    OptionFontMenu = item(OptionMenu, "OptionFontMenu", texts::kOptionFontMenu,
                          QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    OptionAlMenu = OptionMenu->addMenu(tr8(texts::kOptionAlMenu));
    OptionAlMenu->setObjectName(QStringLiteral("OptionAlMenu"));
    OptionAlMenu->setEnabled(false);
    OptionAlLeftMenu = item(OptionAlMenu, "OptionAlLeftMenu", texts::kAlLeftMenu,
                            QKeySequence(QStringLiteral("Ctrl+Shift+L")));
    OptionAlCenterMenu = item(OptionAlMenu, "OptionAlCenterMenu", texts::kAlCenterMenu,
                              QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    OptionAlRightMenu = item(OptionAlMenu, "OptionAlRightMenu", texts::kAlRightMenu,
                             QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    auto *alignGroup = new QActionGroup(this);
    for (QAction *a : {OptionAlLeftMenu, OptionAlCenterMenu, OptionAlRightMenu}) {
        a->setCheckable(true);
        alignGroup->addAction(a);
    }
    OptionAlLeftMenu->setChecked(true);
    OptionNumberingMenu = item(OptionMenu, "OptionNumberingMenu", texts::kNumberingMenu);
    OptionNumberingMenu->setCheckable(true);
    OptionIndentMenu = item(OptionMenu, "OptionIndentMenu", texts::kIndentMenu, QKeySequence(QStringLiteral("Ctrl+I")));
    OptionIndentMenu->setCheckable(true);
    OptionRoolerMenu = item(OptionMenu, "OptionRoolerMenu", texts::kRoolerMenu);
    OptionRoolerMenu->setCheckable(true);
    OptionMenu->addSeparator();
    OptionSetMenu = item(OptionMenu, "OptionSetMenu", texts::kOptionSetMenu);

    HelpMenu = bar->addMenu(tr8(texts::kHelpMenu));
    HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
    HelpIndexMenu = item(HelpMenu, "HelpIndexMenu", texts::kHelpIndexMenu, QKeySequence(Qt::Key_F1), true);
    HelpAboutMenu = item(HelpMenu, "HelpAboutMenu", texts::kHelpAboutMenu, {}, true);
    HelpSysInfoMenu = item(HelpMenu, "HelpSysInfoMenu", texts::kHelpSysInfoMenu);
    connect(HelpIndexMenu, &QAction::triggered, this, [this] { HelpIndexClick(); });
    connect(HelpAboutMenu, &QAction::triggered, this, [this] { HelpAboutClick(); });

    // The editor's context menu.
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopUndoMenu = popItem(PopupMenu, "PopUndoMenu", texts::kPopUndoMenu, QKeySequence(QStringLiteral("Ctrl+Z")));
    PopupMenu->addSeparator();
    PopCutMenu = popItem(PopupMenu, "PopCutMenu", texts::kPopCutMenu, QKeySequence(QStringLiteral("Ctrl+X")));
    PopCopyMenu = popItem(PopupMenu, "PopCopyMenu", texts::kPopCopyMenu);
    PopPasteMenu = popItem(PopupMenu, "PopPasteMenu", texts::kPopPasteMenu);
    PopDeleteMenu = popItem(PopupMenu, "PopDeleteMenu", texts::kPopDeleteMenu);
    PopupMenu->addSeparator();
    PopSelectAllMenu = popItem(PopupMenu, "PopSelectAllMenu", texts::kPopSelectAllMenu,
                               QKeySequence(QStringLiteral("Ctrl+A")));
    PopupMenu->addSeparator();
    PopFontMenu = popItem(PopupMenu, "PopFontMenu", texts::kPopFontMenu, QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    PopupMenu->addSeparator();
    PopLeftMenu = popItem(PopupMenu, "PopLeftMenu", texts::kAlLeftMenu, QKeySequence(QStringLiteral("Ctrl+Shift+L")));
    PopCenterMenu = popItem(PopupMenu, "PopCenterMenu", texts::kAlCenterMenu,
                            QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    PopRightMenu = popItem(PopupMenu, "PopRightMenu", texts::kAlRightMenu, QKeySequence(QStringLiteral("Ctrl+Shift+R")));
    auto *popAlignGroup = new QActionGroup(this);
    for (QAction *a : {PopLeftMenu, PopCenterMenu, PopRightMenu}) {
        a->setCheckable(true);
        popAlignGroup->addAction(a);
    }
    PopLeftMenu->setChecked(true);
    PopIndentMenu = popItem(PopupMenu, "PopIndentMenu", texts::kIndentMenu, QKeySequence(QStringLiteral("Ctrl+I")));
    PopIndentMenu->setCheckable(true);
    PopNumberingMenu = popItem(PopupMenu, "PopNumberingMenu", texts::kNumberingMenu);
    PopNumberingMenu->setCheckable(true);
    PopupMenu->addSeparator();
    PopFindMenu = popItem(PopupMenu, "PopFindMenu", texts::kPopFindMenu);
    PopJumpMenu = popItem(PopupMenu, "PopJumpMenu", texts::kSearchJumpMenu, QKeySequence(QStringLiteral("Ctrl+J")));
    PopupMenu->addSeparator();
    PopSaveMenu = popItem(PopupMenu, "PopSaveMenu", texts::kPopSaveMenu);
    PopPrintMenu = popItem(PopupMenu, "PopPrintMenu", texts::kPopPrintMenu);
    PopupMenu->addSeparator();
    PopDisplayMenu = popItem(PopupMenu, "PopDisplayMenu", texts::kPopDisplayMenu, QKeySequence(QStringLiteral("Ctrl+G")));

    // The drop-down menus of the two open buttons; the file history follows the separator.
    PopFileOpenMenu = new QMenu(this);
    PopFileOpenMenu->setObjectName(QStringLiteral("PopFileOpenMenu"));
    popItem(PopFileOpenMenu, "PopFileOpenItem", texts::kPopFileOpenItem);
    PopFileOpenMenu->addSeparator();
    PopFileOpenNewMenu = new QMenu(this);
    PopFileOpenNewMenu->setObjectName(QStringLiteral("PopFileOpenNewMenu"));
    popItem(PopFileOpenNewMenu, "PopFileOpenNewItem", texts::kPopFileOpenNewItem);
    PopFileOpenNewMenu->addSeparator();

    FontSizeMenu = new QMenu(this);
    FontSizeMenu->setObjectName(QStringLiteral("FontSizeMenu"));
    auto *sizeGroup = new QActionGroup(this);
    for (int size : {4, 5, 6, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 34, 36, 42, 48, 64, 72}) {
        QAction *a = FontSizeMenu->addAction(QString::number(size));
        a->setCheckable(true);
        a->setEnabled(false);
        sizeGroup->addAction(a);
    }
}

void TMainForm::CreateToolbars()
{
    // Buttons show the desktop theme's icon, or their caption where the theme has none.
    auto button = [](QToolBar *bar, const char *name, const char *hint, const char *icon) {
        QAction *action = bar->addAction(QIcon::fromTheme(QLatin1String(icon)), tr8(hint));
        action->setObjectName(QLatin1String(name));
        action->setToolTip(tr8(hint));
        action->setStatusTip(tr8(hint));
        action->setEnabled(false);
        if (QWidget *w = bar->widgetForAction(action))
            w->setObjectName(QLatin1String(name));
        return action;
    };
    auto dropDown = [](QToolBar *bar, QAction *action, QMenu *menu) {
        action->setMenu(menu);
        if (auto *tool = qobject_cast<QToolButton *>(bar->widgetForAction(action)))
            tool->setPopupMode(QToolButton::MenuButtonPopup);
    };

    Toolbar = new QToolBar(tr8(texts::kToolbarCaption), this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    addToolBar(Qt::TopToolBarArea, Toolbar);
    NewButton = button(Toolbar, "NewButton", texts::kNewHint, "document-new");
    NewWindowButton = button(Toolbar, "NewWindowButton", texts::kNewWindowButtonHint, "window-new");
    OpenButton = button(Toolbar, "OpenButton", texts::kOpenHint, "document-open");
    dropDown(Toolbar, OpenButton, PopFileOpenMenu);
    OpenNewWinButton = button(Toolbar, "OpenNewWinButton", texts::kOpenNewHint, "document-open-recent");
    dropDown(Toolbar, OpenNewWinButton, PopFileOpenNewMenu);
    SaveButton = button(Toolbar, "SaveButton", texts::kSaveHint, "document-save");
    SaveAsButton = button(Toolbar, "SaveAsButton", texts::kSaveAsHint, "document-save-as");
    PrintButton = button(Toolbar, "PrintButton", texts::kPrintHint, "document-print");
    PageSetupButton = button(Toolbar, "PageSetupButton", texts::kPageSetupCaption, "document-page-setup");
    Toolbar->addSeparator();
    UndoButton = button(Toolbar, "UndoButton", texts::kUndoHint, "edit-undo");
    CutButton = button(Toolbar, "CutButton", texts::kCutHint, "edit-cut");
    DeleteButton = button(Toolbar, "DeleteButton", texts::kDeleteHint, "edit-delete");
    CopyButton = button(Toolbar, "CopyButton", texts::kCopyHint, "edit-copy");
    PasteButton = button(Toolbar, "PasteButton", texts::kPasteHint, "edit-paste");
    SearchButton = button(Toolbar, "SearchButton", texts::kSearchHint, "edit-find");
    JumpButton = button(Toolbar, "JumpButton", texts::kJumpHint, "go-jump");
    RoolerButton = button(Toolbar, "RoolerButton", texts::kRoolerMenu, "format-indent-less");
    RoolerButton->setCheckable(true);
    Toolbar->addSeparator();
    OptionButton = button(Toolbar, "OptionButton", texts::kOptionFormCaption, "preferences-system");
    ModeButton = button(Toolbar, "ModeButton", texts::kModeButtonHint, "accessories-text-editor");
    Toolbar->addSeparator();
    AboutButton = button(Toolbar, "AboutButton", "", "help-about");
    // The about button has no caption of its own; it shares the help menu's item's.
    AboutButton->setText(tr8(texts::kHelpAboutMenu).remove(QStringLiteral("(A)...")));
    AboutButton->setToolTip(AboutButton->text());
    AboutButton->setEnabled(true);
    connect(AboutButton, &QAction::triggered, this, [this] { HelpAboutClick(); });

    FormatsToolbar = new QToolBar(tr8(texts::kFormatsToolbarCaption), this);
    FormatsToolbar->setObjectName(QStringLiteral("FormatsToolbar"));
    addToolBar(Qt::TopToolBarArea, FormatsToolbar);
    FontButton = button(FormatsToolbar, "FontButton", texts::kFontButtonHint, "preferences-desktop-font");
    FontNameComboBox = new QComboBox(FormatsToolbar);
    FontNameComboBox->setObjectName(QStringLiteral("FontNameComboBox"));
    FontNameComboBox->setToolTip(tr8(texts::kFontNameHint));
    FontNameComboBox->setFont(comboFont());
    FontNameComboBox->setMaxVisibleItems(20);
    FontNameComboBox->setMinimumContentsLength(12);
    FontNameComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    FontNameComboBox->setEnabled(false);
    FormatsToolbar->addWidget(FontNameComboBox);
    FontSizeButton = button(FormatsToolbar, "FontSizeButton", texts::kFontSizeButtonHint, "zoom-in");
    dropDown(FormatsToolbar, FontSizeButton, FontSizeMenu);
    FontSizeComboBox = new QComboBox(FormatsToolbar);
    FontSizeComboBox->setObjectName(QStringLiteral("FontSizeComboBox"));
    FontSizeComboBox->setToolTip(tr8(texts::kFontSizeHint));
    FontSizeComboBox->setFont(comboFont());
    FontSizeComboBox->setEditable(true);
    FontSizeComboBox->setInsertPolicy(QComboBox::NoInsert);
    for (int size : {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34,
                     36, 38, 40, 42, 48, 56, 64, 72, 96, 128, 192, 256, 384, 512, 768, 1024})
        FontSizeComboBox->addItem(QString::number(size));
    FontSizeComboBox->setMinimumContentsLength(4);
    // Both boxes show the formats at the caret once there is one to show.
    FontSizeComboBox->setCurrentIndex(-1);
    FontSizeComboBox->setEnabled(false);
    FormatsToolbar->addWidget(FontSizeComboBox);
    BoldButton = button(FormatsToolbar, "BoldButton", texts::kBoldHint, "format-text-bold");
    ItalicButton = button(FormatsToolbar, "ItalicButton", texts::kItalicHint, "format-text-italic");
    UnderlineButton = button(FormatsToolbar, "UnderlineButton", texts::kUnderlineHint, "format-text-underline");
    for (QAction *a : {BoldButton, ItalicButton, UnderlineButton})
        a->setCheckable(true);
    FontColorButton = button(FormatsToolbar, "FontColorButton", texts::kFontColorHint, "applications-graphics");
    FormatsToolbar->addSeparator();
    AlLeftButton = button(FormatsToolbar, "AlLeftButton", texts::kAlLeftHint, "format-justify-left");
    AlCenterButton = button(FormatsToolbar, "AlCenterButton", texts::kAlCenterHint, "format-justify-center");
    AlRightButton = button(FormatsToolbar, "AlRightButton", texts::kAlRightHint, "format-justify-right");
    auto *alignButtons = new QActionGroup(this);
    for (QAction *a : {AlLeftButton, AlCenterButton, AlRightButton}) {
        a->setCheckable(true);
        alignButtons->addAction(a);
    }
    AlLeftButton->setChecked(true);
    FormatsToolbar->addSeparator();
    NumberingButton = button(FormatsToolbar, "NumberingButton", texts::kNumberingMenu, "insert-text");
    NumberingButton->setCheckable(true);
    IndentButton = button(FormatsToolbar, "IndentButton", texts::kIndentHint, "format-indent-more");
    IndentButton->setCheckable(true);
    // With the face and size boxes shown (the default), their two buttons are not.
    FontButton->setVisible(false);
    FontSizeButton->setVisible(false);

    for (QToolBar *bar : {Toolbar, FormatsToolbar})
        bar->setAllowedAreas(Qt::AllToolBarAreas);
}

} // namespace velmo
