// The editor window's life: start-up with and without a settings file, the first document,
// captions, and what closing leaves behind.
#include "app/fontsubstitutes.h"
#include "app/mainform.h"
#include "doubles/faultyprofilestorage.h"
#include "doubles/memorywindowbus.h"
#include "doubles/recordingbuswindow.h"
#include "doubles/scriptedprompts.h"
#include "mainformfixture.h"
#include "app/documenttexts.h"
#include "app/statusbar.h"
#include "app/uitexts.h"
#include "platform/printers.h"
#include "platform/prompts.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "settings/profilefile.h"
#include "settings/profilestorage.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QUrl>
#include <QTimer>
#include <QLayout>

#include <functional>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using MainFormTest = velmo::testing::MainFormFixture;
using velmo::testing::u8;
using velmo::testing::waitUntil;
using velmo::testing::settle;

using velmo::testing::filesOfLines;
using velmo::testing::launchedFiles;

TEST_F(MainFormTest, FirstStartWithoutSettingsFile)
{
    const QString guide = dir.filePath("velmo.rtf");
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 guide}");
    file.close();
    auto form = start({"ignored.txt"});

    EXPECT_EQ(form->windowTitle(), "Velmo (Read Only) " + guide);
    EXPECT_EQ(form->frameGeometry(), QRect(0, 0, 640, 400));
    EXPECT_FALSE(form->isMaximized());
    // The guide beside the program, read-only; the command line is not looked at.
    EXPECT_EQ(form->Options->CurrentFile, guide);
    EXPECT_EQ(form->RichEdit->Text(), "guide");
    EXPECT_TRUE(network.launches().empty());
    EXPECT_TRUE(form->RichEdit->isReadOnly());
    // The help page opens at its first-start section.
    ASSERT_EQ(shell.opened().size(), 1);
    EXPECT_TRUE(shell.opened()[0].endsWith("/velmo.html#help-1")) << shell.opened()[0].toStdString();
    // 640 pixels is too narrow for both toolbars in one row.
    settle(*form);
    EXPECT_GT(form->FormatsToolbar->y(), form->Toolbar->y());
    // The first start saves at once (before the toolbar moves, which the close then saves).
    EXPECT_EQ(read("Velmo", "Version"), "2.66");
    EXPECT_EQ(read("Options", "URLLink"), "1");
    EXPECT_TRUE(prompts.log().empty());
}

TEST_F(MainFormTest, SettingsFileAfterFirstStartAndClose)
{
    start()->close();

    TProfileFile file(ini());
    const QStringList sections = file.ReadSections();
    for (const char *s : {"Velmo", "Options", "RichTextFonts", "TextModeFonts", "IMEFontStyles",
                          "Printers", "Window", "Toolbar", "FormatsToolbar"})
        EXPECT_TRUE(sections.contains(s)) << s;
    const struct {
        const char *section, *key, *value;
    } expected[] = {
        {"Velmo", "Version", "2.66"},          {"Velmo", "Date", "2002/04/15"},
        {"Options", "PlainText", "0"},         {"Options", "FileNameTitle", "1"},
        {"Options", "MaxHistoryItems", "10"},  {"Options", "URLLink", "1"},
        {"Options", "AutoOpen", "0"},          {"RichTextFonts", "Size", "10"},
        {"RichTextFonts", "BackColor", "-2147483643"},
        {"TextModeFonts", "Styles", "20000"},  {"IMEFontStyles", "IME1Styles", "001"},
        {"Printers", "LeftMargin", "20"},      {"Window", "WindowState", "0"},
        {"Window", "Left", "0"},               {"Window", "Top", "0"},
        {"Window", "Width", "640"},            {"Window", "Height", "400"},
        {"Toolbar", "DockedTo", "TopDock"},    {"FormatsToolbar", "DockRow", "1"},
    };
    for (const auto &e : expected)
        EXPECT_EQ(read(e.section, e.key), e.value) << e.section << "/" << e.key;
    // The faces are stored as written, not as the desktop draws them.
    EXPECT_EQ(read("RichTextFonts", "FaceName"), TDisplayProfile::RichTextDefault().Font.Name);
    EXPECT_FALSE(file.ValueExists("Options", "LastEditFile"));
    EXPECT_FALSE(file.ValueExists("Velmo", "InitSave"));
}

TEST_F(MainFormTest, LaterStartTakesTheCommandLine)
{
    writeSettings();
    const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt"), c3 = dir.filePath("c.txt");
    for (const QString &name : {a, b, c3}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
    }
    const struct {
        const char *name;
        QStringList arguments;
        QString opened;
        QStringList forNewWindows;
        bool readOnly;
        QString caption;
        QString namePanel; // empty: the document's name
    } cases[] = {
        {"no arguments", {}, "", {}, false, "Velmo", {}},
        {"/n", {"/n"}, "", {}, false, "Velmo", {}},
        {"-r a.txt", {"-r", a}, a, {}, true, "Velmo (Read Only) " + a, {}},
        {"/R alone", {"/R"}, "", {}, false, "Velmo", {}},
        {"three files", {a, b, c3}, a, {b, c3}, false, "Velmo: " + a, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        network.clearLog();
        auto form = start(c.arguments);
        EXPECT_EQ(form->Options->CurrentFile, c.opened);
        // One window is started at once; the others wait for it to report.
        EXPECT_EQ(launchedFiles(network) + filesOfLines(form->PendingLaunches), c.forNewWindows);
        EXPECT_EQ(form->StatusPanels[3]->text(), c.namePanel.isEmpty() ? form->FileNameText : c.namePanel);
        EXPECT_EQ(form->RichEdit->isReadOnly(), c.readOnly);
        EXPECT_EQ(form->windowTitle(), c.caption);
        EXPECT_TRUE(shell.opened().isEmpty());
        form->ClosingOnRequest = true;
        form->close();
    }
}

// Files beyond the first, from the open dialog or dropped, open in windows of their own; a
// second batch while the first is still starting joins its chain.
TEST_F(MainFormTest, FurtherFilesOpenInNewWindows)
{
    writeSettings();
    const QString a = dir.filePath("a.txt"), b = dir.filePath("b.txt"), c = dir.filePath("c.txt");
    for (const QString &name : {a, b, c}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
    }
    auto form = start();
    prompts.chooseFiles({a, b});
    form->FileOpenItem->trigger();
    EXPECT_EQ(form->Options->CurrentFile, a);
    EXPECT_EQ(launchedFiles(network), QStringList{b});

    form->HandleDropFiles({c, a, b});
    EXPECT_EQ(form->Options->CurrentFile, c);
    EXPECT_EQ(launchedFiles(network), QStringList{b});
    EXPECT_EQ(filesOfLines(form->PendingLaunches), (QStringList{a, b}));
    EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);
    form->ClosingOnRequest = true;
}

// [Window] holds the window's outer rectangle, frame included, and a restart gives the
// same rectangle back.
TEST_F(MainFormTest, PlacementRoundTripsTheOuterRectangle)
{
    writeSettings("[Window]\r\nLeft=30\r\nTop=40\r\nWidth=700\r\nHeight=500\r\n");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto form = start();
        EXPECT_EQ(form->frameGeometry(), QRect(30, 40, 700, 500));
        ASSERT_TRUE(form->close());
        EXPECT_EQ(read("Window", "Left"), "30");
        EXPECT_EQ(read("Window", "Top"), "40");
        EXPECT_EQ(read("Window", "Width"), "700");
        EXPECT_EQ(read("Window", "Height"), "500");
    }
}

TEST_F(MainFormTest, RelativeFileNamesAreTakenFromTheStartFolder)
{
    // The settings make another folder current before the command line is read.
    const QString elsewhere = dir.filePath("data");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    writeSettings("[Options]\r\nCurrentDir=" + elsewhere + "\r\n");
    for (const char *name : {"a.txt", "b.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text");
    }
    QDir::setCurrent(dir.path());

    auto form = start({"a.txt", "./b.txt"});

    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("a.txt"));
    EXPECT_EQ(form->windowTitle(), "Velmo: " + dir.filePath("a.txt"));
    EXPECT_EQ(launchedFiles(network), QStringList{dir.filePath("b.txt")});
}

TEST_F(MainFormTest, PlacementSwitchesOverrideTheSettingsFile)
{
    writeSettings("[Window]\r\nLeft=5\r\nTop=6\r\nWidth=700\r\nHeight=500\r\n");
    const QString x = dir.filePath("x.txt");
    QFile(x).open(QIODevice::WriteOnly);
    auto form = start({"/owner=12345", "/Left=100", "/Top=120", "/Width=abc", x});
    EXPECT_EQ(form->OwnerWindow, 12345);
    EXPECT_EQ(form->Options->CurrentFile, x);
    EXPECT_EQ(form->frameGeometry(), QRect(100, 120, 700, 500));
    // The bad value is reported; start-up went on.
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].kind, ScriptedPrompts::Kind::Error);
    EXPECT_EQ(prompts.messages()[0].text, u8(texts::kNotIntegerFormat).replace("%s", "abc"));
}

TEST_F(MainFormTest, ReopensTheLastEditedFile)
{
    const QString last = dir.filePath("last.txt");
    QFile lastFile(last);
    ASSERT_TRUE(lastFile.open(QIODevice::WriteOnly));
    lastFile.write(QByteArray(40, 'x'));
    lastFile.close();
    const struct {
        const char *name;
        QString file;
        const char *pos;
        QString opened;
        bool readOnly;
        int caret;
    } cases[] = {
        {"read-only sign", last, "-25", last, true, 25},
        {"zero carries no sign", last, "0", last, false, 0},
        {"missing file starts untitled", dir.filePath("gone.txt"), "7", "", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeSettings(QString("[Options]\r\nAutoOpen=1\r\nLastEditFile=%1\r\nLastEditPos=%2\r\n")
                          .arg(c.file, c.pos));
        auto form = start();
        // The document's name only once the document is in the window.
        EXPECT_EQ(form->Options->CurrentFile, c.opened);
        EXPECT_EQ(form->RichEdit->isReadOnly(), c.readOnly);
        EXPECT_EQ(form->LastEditCaret(), c.caret);
        EXPECT_EQ(form->RichEdit->SelStart(), c.caret);
        EXPECT_TRUE(prompts.log().empty());
        // Taken, not just read.
        EXPECT_FALSE(TProfileFile(ini()).ValueExists("Options", "LastEditFile"));
        EXPECT_FALSE(TProfileFile(ini()).ValueExists("Options", "LastEditPos"));
        form->ClosingOnRequest = true;
        form->close();
    }
}

TEST_F(MainFormTest, InitSaveOffKeepsDefaultsAndSavesOnlyTheStamp)
{
    // Where a window stands that no placement was given to.
    writeSettings("InitSave=0\r\n");
    QRect unplaced;
    {
        auto form = start();
        unplaced = form->frameGeometry();
        form->ClosingOnRequest = true;
    }
    writeSettings("InitSave=0\r\n[Window]\r\nLeft=300\r\nWidth=900\r\n[Options]\r\nURLLink=0\r\n");
    auto form = start();
    EXPECT_EQ(form->frameGeometry(), unplaced);
    EXPECT_TRUE(form->Options->URLLink);
    form->resize(333, 222);
    form->close();
    EXPECT_EQ(read("Window", "Width"), "900");
    EXPECT_EQ(read("Options", "URLLink"), "0");
    EXPECT_EQ(read("Options", "PlainText"), "<missing>");
}

TEST_F(MainFormTest, ToolbarRowsComeBack)
{
    start()->close(); // first start: 640 wide, the formats toolbar on a second row
    {
        auto form = start();
        settle(*form);
        EXPECT_GT(form->FormatsToolbar->y(), form->Toolbar->y());
        form->resize(1000, 400);
        form->close();
    }
    TProfileFile(ini()).WriteInteger("FormatsToolbar", "DockRow", 0);
    TProfileFile(ini()).WriteInteger("FormatsToolbar", "DockPos", 700);
    auto form = start();
    settle(*form);
    EXPECT_EQ(form->FormatsToolbar->y(), form->Toolbar->y());
    EXPECT_GT(form->FormatsToolbar->x(), form->Toolbar->x());
}

TEST_F(MainFormTest, DocumentNameCaptions)
{
    writeSettings();
    auto form = start();
    const QString path = dir.filePath("sub/report.txt");
    QDir(dir.path()).mkpath("sub");
    const struct {
        bool fileNameTitle;
        bool readOnly;
        QString name;
        QString caption;
        QString appTitle;
    } cases[] = {
        {true, false, path, "Velmo: " + path, "Velmo: report.txt"},
        {true, true, path, "Velmo (Read Only) " + path, "Velmo: report.txt"},
        {false, true, path, "Velmo", "Velmo: report.txt"},
        {true, false, "", "Velmo", "Velmo"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        form->Options->FileNameTitle = c.fileNameTitle;
        form->RichEdit->setReadOnly(c.readOnly);
        form->SetDocumentName(c.name);
        EXPECT_EQ(form->windowTitle(), c.caption);
        EXPECT_EQ(form->ApplicationTitle(), c.appTitle);
        EXPECT_EQ(form->Options->CurrentFile, c.name);
        EXPECT_EQ(form->FormatsToolbar->isEnabled(), !c.readOnly);
    }
    // The working folder follows the document.
    EXPECT_EQ(form->Options->CurrentDir, dir.filePath("sub"));
    EXPECT_EQ(QDir::currentPath(), dir.filePath("sub"));
    form->ClosingOnRequest = true;
}

TEST_F(MainFormTest, NamingADocumentRebuildsTheRegistry)
{
    writeSettings("[EditFiles]\r\n99=/elsewhere/old.txt\r\n");
    RecordingBusWindow other("Velmo: /elsewhere/old.txt", "TMainForm");
    RecordingBusWindow stranger("Velmo notes", "OtherClass");
    network.addWindow(&other);
    network.addWindow(&stranger);
    auto form = start();

    const QString path = dir.filePath("a.txt");
    form->SetDocumentName(path);
    EXPECT_FALSE(TProfileFile(ini()).SectionExists("EditFiles"));
    EXPECT_TRUE(form->RegistryRefreshPending);
    network.deliverPosted();
    EXPECT_EQ(other.received(), (std::vector<RecordingBusWindow::Received>{
                                    {WM_EDITORNOTIFY, std::int64_t(NotifyRegistryRefresh), EDITORNOTIFY_MAGIC}}));
    EXPECT_TRUE(stranger.received().empty());

    // At the next idle moment the window writes its own entry.
    EXPECT_TRUE(waitUntil([&] { return !form->RegistryRefreshPending; }));
    EXPECT_EQ(TProfileFile(ini()).ReadString("EditFiles", QString::number(bus.ownHandle()), ""), path);

    // A window started by another one leaves the registry to its launcher.
    form->OwnerWindow = 4711;
    TProfileFile(ini()).WriteString("EditFiles", "99", "/elsewhere/old.txt");
    form->SetDocumentName(dir.filePath("b.txt"));
    EXPECT_TRUE(TProfileFile(ini()).ValueExists("EditFiles", "99"));
    form->ClosingOnRequest = true;
}

TEST_F(MainFormTest, ClosingRemovesTempFolderSavesAndUnregisters)
{
    writeSettings("[EditFiles]\r\n99=/elsewhere/old.txt\r\n");
    auto form = start();
    const QString handle = QString::number(bus.ownHandle());
    TProfileFile(ini()).WriteString("EditFiles", handle, "/mine.txt");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("systemp/Velmo/inner")));
    form->resize(500, 300);

    const int outerWidth = form->frameGeometry().width();
    ASSERT_TRUE(form->close());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("systemp/Velmo")));
    EXPECT_EQ(read("Window", "Width"), QString::number(outerWidth));
    EXPECT_FALSE(TProfileFile(ini()).ValueExists("EditFiles", handle));
    EXPECT_TRUE(TProfileFile(ini()).ValueExists("EditFiles", "99"));
}

TEST_F(MainFormTest, CloseRequestFromAnotherWindowDoesNotSave)
{
    writeSettings();
    auto form = start();
    form->resize(500, 300);
    RecordingBusWindow sender("Velmo", "TMainForm");
    MemoryWindowBus senderBus(network);
    senderBus.openEndpoint(&sender);

    // Any other argument than the magic number closes nothing.
    PostNotify(senderBus, bus.ownHandle(), {NotifyClose, 1});
    network.deliverPosted();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->isVisible());

    PostNotify(senderBus, bus.ownHandle(), {NotifyClose, EDITORNOTIFY_MAGIC});
    network.deliverPosted();
    EXPECT_TRUE(waitUntil([&] { return !form->isVisible(); }));
    // Only the next window's placement, written at start, is in the file.
    EXPECT_EQ(read("Window", "Width"), "640");
}

TEST_F(MainFormTest, RefusedSettingsWriteIsShownAndTheWindowStillCloses)
{
    writeSettings();
    FaultyProfileStorage storage;
    auto form = start({}, &storage);
    storage.refuseAfter(0);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    ASSERT_FALSE(prompts.messages().empty());
    EXPECT_EQ(prompts.messages()[0].kind, ScriptedPrompts::Kind::Error);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith(ini())) << prompts.messages()[0].text.toStdString();
}

// Writes of the open-file registry made between messages or from another window's notice
// report a refusal like any other settings write and never escape from the handler.
TEST_F(MainFormTest, RefusedRegistryWritesAreShownNotThrown)
{
    writeSettings();
    FaultyProfileStorage storage;
    auto form = start({}, &storage);
    storage.refuseAfter(0);
    form->RegistryRefreshPending = true;
    EXPECT_NO_THROW(form->IdleWork());
    EXPECT_NO_THROW(form->handleBusMessage(WM_EDITORNOTIFY, 4, 0));
    ASSERT_FALSE(prompts.messages().empty());
    EXPECT_EQ(prompts.messages()[0].kind, ScriptedPrompts::Kind::Error);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith(ini())) << prompts.messages()[0].text.toStdString();
    storage.refuseAfter(-1);
}

TEST_F(MainFormTest, Composition)
{
    writeSettings();
    auto form = start();
    QStringList menus;
    for (QAction *a : form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{u8(texts::kFileMenu), u8(texts::kEditMenu), u8(texts::kSearchMenu),
                                  u8(texts::kOptionMenu), u8(texts::kHelpMenu)}));

    QStringList file;
    for (QAction *a : form->FileMenu->actions())
        file << (a->isSeparator() ? QString("-") : a->text() + (a->shortcut().isEmpty() ? QString() : " " + a->shortcut().toString()));
    EXPECT_EQ(file, (QStringList{u8(texts::kFileNewMenu), u8(texts::kFileOpenMenu),
                                 u8(texts::kFileNewWindowMenu), u8(texts::kFileOpenNewMenu),
                                 u8(texts::kFileSaveMenu) + " Ctrl+S",
                                 u8(texts::kFileSaveAsMenu) + " Ctrl+Shift+S", "-",
                                 u8(texts::kFilePageSetupMenu), u8(texts::kFilePrintMenu) + " Ctrl+P", "-",
                                 u8(texts::kFileExitMenu) + " Alt+F4", u8(texts::kCloseAllMenu)}));

    QStringList buttons;
    for (QAction *a : form->Toolbar->actions())
        buttons << (a->isSeparator() ? QString("-") : a->objectName());
    EXPECT_EQ(buttons, (QStringList{"NewButton", "NewWindowButton", "OpenButton", "OpenNewWinButton",
                                    "SaveButton", "SaveAsButton", "PrintButton", "PageSetupButton", "-",
                                    "UndoButton", "CutButton", "DeleteButton", "CopyButton",
                                    "PasteButton", "SearchButton", "JumpButton", "RoolerButton", "-",
                                    "OptionButton", "ModeButton", "-", "AboutButton"}));
    auto *open = qobject_cast<QToolButton *>(form->Toolbar->widgetForAction(form->OpenButton));
    ASSERT_TRUE(open);
    EXPECT_EQ(open->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(form->OpenButton->menu(), form->PopFileOpenMenu);
    EXPECT_EQ(form->OpenNewWinButton->menu(), form->PopFileOpenNewMenu);

    QStringList panels;
    for (QLabel *p : form->StatusPanels)
        panels << p->text();
    // Applying the settings brought the position and name panels up to date.
    EXPECT_EQ(panels, (QStringList{u8("1行/0桁"), "INS", "", ""}));
    EXPECT_EQ(form->reBackPanel->property("text").toString(), u8(texts::kWaitMinuts));
    EXPECT_FALSE(form->IndentPanel->isVisible());
    EXPECT_FALSE(form->reRoolerPanel->isVisible());
    EXPECT_EQ(form->RichEdit->objectName(), "RichEdit");
    EXPECT_EQ(form->busClassName(), "TMainForm");
    form->ClosingOnRequest = true;
}

TEST_F(MainFormTest, HelpOpensThePageBesideTheProgram)
{
    writeSettings();
    auto form = start();
    form->HelpIndexMenu->trigger();
    ASSERT_EQ(shell.opened().size(), 1);
    EXPECT_EQ(shell.opened()[0], QUrl::fromLocalFile(dir.filePath("velmo.html")).toString());
    form->ClosingOnRequest = true;
}

TEST(FaceSubstitutes, WindowsFacesDrawWithInstalledFaces)
{
    RegisterFaceSubstitutes();
    const QString face = TDisplayProfile::TextModeDefault().Font.Name;
    QFont font(face);
    EXPECT_EQ(QFontInfo(font).family(), "IPAGothic");
    EXPECT_EQ(font.family(), face); // the name itself is untouched
}

// A question about the first document waits until the window is on the screen and
// belongs to it (the desktop centres a box over its owner).
TEST_F(MainFormTest, StartUpQuestionsStandOverTheShownWindow)
{
    writeSettings();
    const QString locked = dir.filePath("locked.txt");
    QFile lockedFile(locked);
    ASSERT_TRUE(lockedFile.open(QIODevice::WriteOnly));
    lockedFile.close();
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner));
    const struct {
        const char *name;
        QString file;
        const char *format;
    } cases[] = {
        {"missing file", dir.filePath("gone.txt"), texts::kNotFoundFormat},
        {"read-only file", locked, texts::kReadOnlyOpenFormat},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prompts.clear();
        auto form = start({c.file});
        ASSERT_EQ(prompts.messages().size(), 1u);
        const auto &asked = prompts.messages()[0];
        EXPECT_EQ(asked.text, u8(c.format).replace("%s", c.file));
        EXPECT_EQ(asked.owner, form.get());
        EXPECT_TRUE(asked.ownerOnScreen);
        form->ClosingOnRequest = true;
        form->close();
    }
}

// A settings file that refuses writes is reported once; start-up goes on with the settings
// it read, and a later write tries the file again.
TEST_F(MainFormTest, UnwritableSettingsFileDoesNotStopStartUp)
{
    writeSettings("[Window]\r\nLeft=5\r\nTop=6\r\nWidth=700\r\nHeight=500\r\n");
    const QString a = dir.filePath("a.txt");
    QFile file(a);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text");
    file.close();
    FaultyProfileStorage storage;
    storage.refuseAfter(0);

    auto form = start({a}, &storage);
    EXPECT_EQ(form->Options->CurrentFile, a);
    EXPECT_EQ(form->RichEdit->Text(), "text");
    EXPECT_EQ(form->frameGeometry().size(), QSize(700, 500)); // Width and Height are the outer size
    EXPECT_GT(storage.refused(), 1);
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].kind, ScriptedPrompts::Kind::Error);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith(ini())) << prompts.messages()[0].text.toStdString();

    storage.refuseAfter(-1);
    EXPECT_TRUE(form->close());
    EXPECT_NE(read("Options", "URLLink"), "<missing>");
    EXPECT_EQ(prompts.messages().size(), 1u);
}

// The caret of the last document comes back where the editor had it, a soft line break
// before it counting as the editor counts it.
TEST_F(MainFormTest, LastEditPositionIsTheEditorsCaret)
{
    writeSettings("[Options]\r\nAutoOpen=1\r\n");
    const QString path = dir.filePath("soft.rtf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1 x}");
    file.close();

    auto form = start({path});
    form->RichEdit->SelectAll();
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers, const QString &text) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers, text);
        QCoreApplication::sendEvent(form->RichEdit, &press);
    };
    key(Qt::Key_A, Qt::NoModifier, "a");
    key(Qt::Key_B, Qt::NoModifier, "b");
    key(Qt::Key_Return, Qt::ShiftModifier, "\r");
    key(Qt::Key_C, Qt::NoModifier, "c");
    key(Qt::Key_D, Qt::NoModifier, "d");
    ASSERT_EQ(form->RichEdit->document()->blockCount(), 1); // a soft break, not a paragraph
    form->RichEdit->SetSelStart(form->RichEdit->GetTextLength() - 1);
    const int caret = form->RichEdit->SelStart();
    prompts.answer(PromptResult::Yes); // save the document on closing
    ASSERT_TRUE(form->close());
    EXPECT_EQ(read("Options", "LastEditPos"), QString::number(caret));

    auto again = start();
    EXPECT_EQ(again->Options->CurrentFile, path);
    EXPECT_EQ(again->RichEdit->SelStart(), caret);
    again->ClosingOnRequest = true;
    again->close();
}

// The reopened last file asks what any opened file asks: about its read-only attribute and
// about another window that holds it.
TEST_F(MainFormTest, ReopenedLastFileAsksLikeAnyOpen)
{
    const QString last = dir.filePath("last.txt");
    QFile lastFile(last);
    ASSERT_TRUE(lastFile.open(QIODevice::WriteOnly));
    lastFile.write("last text");
    lastFile.close();
    RecordingBusWindow other("Velmo: " + last, "TMainForm");
    const WindowHandle otherHandle = network.addWindow(&other);
    const struct {
        const char *name;
        bool readOnlyAttribute, heldElsewhere;
        PromptResult answer;
        const char *format;
        QString opened;
    } cases[] = {
        {"read-only attribute, Cancel", true, false, PromptResult::Cancel, texts::kReadOnlyOpenFormat, ""},
        {"held by another window, Yes", false, true, PromptResult::Yes, texts::kOpenElsewhereFormat, last},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::setPermissions(last, c.readOnlyAttribute ? QFile::ReadOwner
                                                        : QFile::ReadOwner | QFile::WriteOwner);
        writeSettings(QString("[Options]\r\nAutoOpen=1\r\nLastEditFile=%1\r\nLastEditPos=-3\r\n")
                          .arg(last)
                      + (c.heldElsewhere ? QString("[EditFiles]\r\n%1=%2\r\n").arg(otherHandle).arg(last)
                                         : QString()));
        prompts.clear();
        prompts.answer(c.answer);
        auto form = start();
        ASSERT_EQ(prompts.messages().size(), 1u);
        EXPECT_EQ(prompts.messages()[0].text, u8(c.format).replace("%s", last));
        EXPECT_EQ(form->Options->CurrentFile, c.opened);
        if (!c.opened.isEmpty()) {
            EXPECT_TRUE(form->RichEdit->isReadOnly());
            EXPECT_EQ(form->RichEdit->SelStart(), 3);
        }
        form->ClosingOnRequest = true;
        form->close();
    }
    QFile::setPermissions(last, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace
