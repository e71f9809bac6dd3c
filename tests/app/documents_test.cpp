// Opening and saving documents through the window's own commands, on real files in a
// temporary folder, with every question answered by the script.
#include "app/backupmaker.h"
#include "app/documenttexts.h"
#include "app/droppedcontent.h"
#include "app/mainform.h"
#include "documentfixture.h"
#include "doubles/faultyprofilestorage.h"
#include "doubles/recordingbuswindow.h"
#include "doubles/scriptedprompts.h"
#include "platform/cp932codec.h"
#include "rtf/rtfreader.h"
#include "settings/profilefile.h"
#include "settings/profilestorage.h"
#include "settings/teoption.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <functional>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmo;

namespace {

using velmo::testing::u8;
using velmo::testing::waitUntil;
using Kind = ScriptedPrompts::Kind;

QString withPath(const char *format, const QString &path)
{
    return u8(format).replace("%s", path);
}

class DocumentsTest : public velmo::testing::DocumentFixture {
protected:
    // Types text as if at the keyboard, so the document counts as modified.
    void type(const QString &text)
    {
        form->RichEdit->SetSelText(text);
        ASSERT_TRUE(form->RichEdit->Modified());
    }
    std::vector<ScriptedPrompts::Record> messages() const { return prompts.messages(); }
};

TEST_F(DocumentsTest, ModeFollowsTheExtension)
{
    const struct {
        const char *name;
        QByteArray bytes;
        bool plainText;
        QString text;
    } cases[] = {
        {"Notes.RTF", "{\\rtf1\\ansi {\\b bold} plain}", false, "bold plain"},
        {"notes.rtf.txt", "{\\rtf1 kept as text}", true, "{\\rtf1 kept as text}"},
        {"README", "read me", true, "read me"},
        // A ".rtf" file that holds no RTF comes in as its text, in rich-text mode.
        {"plain.rtf", "just text", false, "just text"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = put(c.name, c.bytes);
        ASSERT_TRUE(form->OpenDocument(path, false));
        EXPECT_EQ(form->RichEdit->PlainText(), c.plainText);
        EXPECT_EQ(form->RichEdit->Text(), c.text);
        EXPECT_EQ(form->Options->CurrentFile, path);
        EXPECT_EQ(form->windowTitle(), "Velmo: " + path);
        EXPECT_FALSE(form->RichEdit->Modified());
        EXPECT_FALSE(form->RichEdit->ReadOnly());
        EXPECT_EQ(form->RichEdit->MaxLength(), 2147483632);
        EXPECT_EQ(form->Options->History.Items.value(0), path);
        EXPECT_TRUE(form->HistoryChanged);
        EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(TProfileFile(ini()).ReadString("History", "0", ""), dir.filePath("plain.rtf"));
}

TEST_F(DocumentsTest, MissingOrUnreadableFileLeavesTheWindowAsItWas)
{
    const QString kept = put("kept.txt", "kept");
    ASSERT_TRUE(form->OpenDocument(kept, false));
    type("more ");

    const QString gone = dir.filePath("gone.txt");
    EXPECT_FALSE(form->OpenDocument(gone, false));
    files.failReads(true);
    const QString unreadable = put("unreadable.rtf", "{\\rtf1 x}");
    EXPECT_FALSE(form->OpenDocument(unreadable, false));

    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].text, withPath(texts::kNotFoundFormat, gone));
    EXPECT_EQ(messages()[0].icon, PromptIcon::Stop);
    EXPECT_EQ(messages()[0].buttons, PromptButtons::Ok);
    EXPECT_EQ(messages()[1].kind, Kind::Error);
    EXPECT_EQ(messages()[1].text, withPath(texts::kCannotOpenFormat, unreadable));
    EXPECT_EQ(form->Options->CurrentFile, kept);
    EXPECT_EQ(form->RichEdit->Text(), "more kept");
    EXPECT_TRUE(form->RichEdit->PlainText());
    EXPECT_TRUE(form->RichEdit->Modified());
}

TEST_F(DocumentsTest, ReadOnlyFileAsksFirst)
{
    const QString path = put("locked.txt", "locked");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    // Also held by another window: only the read-only question is asked.
    RecordingBusWindow other("Velmo: " + path, "TMainForm");
    const WindowHandle otherHandle = network.addWindow(&other);
    TProfileFile(ini()).WriteString("EditFiles", QString::number(otherHandle), path);

    prompts.answer(PromptResult::Cancel);
    EXPECT_FALSE(form->OpenDocument(path, false));
    EXPECT_EQ(form->Options->CurrentFile, "");

    prompts.answer(PromptResult::Ok);
    EXPECT_TRUE(form->OpenDocument(path, false));
    EXPECT_TRUE(form->RichEdit->ReadOnly());
    EXPECT_EQ(form->windowTitle(), "Velmo (Read Only) " + path);
    ASSERT_EQ(messages().size(), 2u);
    for (const auto &m : messages()) {
        EXPECT_EQ(m.text, withPath(texts::kReadOnlyOpenFormat, path));
        EXPECT_EQ(m.buttons, PromptButtons::OkCancel);
        EXPECT_EQ(m.icon, PromptIcon::Information);
        EXPECT_EQ(m.caption, "Velmo");
    }
    EXPECT_EQ(other.frontRequests(), 0);

    // Saving over it offers another name; No writes nothing.
    form->RichEdit->SetReadOnly(false);
    type("x");
    prompts.answer(PromptResult::No);
    EXPECT_FALSE(form->SaveDocument(path));
    EXPECT_EQ(messages().back().text, withPath(texts::kReadOnlySaveFormat, path));
    EXPECT_EQ(bytesOf(path), "locked");
}

TEST_F(DocumentsTest, FileHeldByAnotherWindow)
{
    const QString path = put("shared.txt", "shared");
    RecordingBusWindow other("Velmo: " + path, "TMainForm");
    const WindowHandle otherHandle = network.addWindow(&other);
    // Registered in another spelling of the same name.
    TProfileFile registry(ini());
    registry.WriteString("EditFiles", QString::number(otherHandle), dir.filePath("SHARED.TXT"));

    prompts.answer(PromptResult::Cancel);
    EXPECT_FALSE(form->OpenDocument(path, false));
    prompts.answer(PromptResult::Yes);
    EXPECT_TRUE(form->OpenDocument(path, false));
    EXPECT_TRUE(form->RichEdit->ReadOnly());
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].text, withPath(texts::kOpenElsewhereFormat, path));
    EXPECT_EQ(messages()[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(messages()[0].icon, PromptIcon::Question);

    // The window that holds the file itself is not asked about.
    registry.WriteString("EditFiles", QString::number(otherHandle), dir.filePath("elsewhere.txt"));
    registry.WriteString("EditFiles", QString::number(bus.ownHandle()), path);
    EXPECT_TRUE(form->OpenDocument(path, false));
    EXPECT_EQ(messages().size(), 2u);

    // No, from an untitled window: the other window comes forward and this one closes.
    form->FileNewMenuClick();
    registry.WriteString("EditFiles", QString::number(otherHandle), path);
    prompts.answer(PromptResult::No);
    EXPECT_FALSE(form->OpenDocument(path, false));
    EXPECT_EQ(other.frontRequests(), 1);
    network.deliverPosted();
    EXPECT_TRUE(waitUntil([&] { return !form->isVisible(); }));
    EXPECT_TRUE(form->ClosingOnRequest);
}

TEST_F(DocumentsTest, SaveQuestion)
{
    const QString named = put("named.txt", "old");
    const QString chosen = dir.filePath("chosen.txt");
    const struct {
        const char *name;
        bool hasText, modified, titled;
        PromptResult answer;
        bool asked, goOn;
        bool written; // the named file, or the chosen one for an untitled document
    } cases[] = {
        {"empty", false, true, false, PromptResult::None, false, true, false},
        {"unmodified", true, false, true, PromptResult::None, false, true, false},
        {"named, Yes", true, true, true, PromptResult::Yes, true, true, true},
        {"named, No", true, true, true, PromptResult::No, true, true, false},
        {"named, Cancel", true, true, true, PromptResult::Cancel, true, false, false},
        {"untitled, Yes", true, true, false, PromptResult::Yes, true, true, true},
        {"untitled, No", true, true, false, PromptResult::No, true, true, false},
        {"untitled, Cancel", true, true, false, PromptResult::Cancel, true, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        put("named.txt", "old");
        QFile::remove(chosen);
        prompts.clear();
        form->RichEdit->SetModified(false);
        form->FileNewMenuClick();
        ASSERT_TRUE(form->ChangeEditMode(true, TMainForm::EditModeWay::Force));
        if (c.titled)
            ASSERT_TRUE(form->OpenDocument(named, false));
        if (c.hasText)
            form->RichEdit->SetSelText("new");
        form->RichEdit->SetModified(c.modified);
        if (c.answer != PromptResult::None)
            prompts.answer(c.answer);
        if (!c.titled && c.answer == PromptResult::Yes)
            prompts.chooseFiles({chosen});

        EXPECT_EQ(form->QuerySaveDocument(), c.goOn);
        const auto asked = messages();
        ASSERT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(asked[0].text, withPath(texts::kQuerySaveFormat, c.titled ? named : QString()));
            EXPECT_EQ(asked[0].buttons, PromptButtons::YesNoCancel);
            EXPECT_EQ(asked[0].icon, PromptIcon::Question);
        }
        if (c.titled)
            EXPECT_EQ(bytesOf(named), c.written ? "newold" : "old");
        else
            EXPECT_EQ(QFileInfo::exists(chosen), c.written);
    }
}

TEST_F(DocumentsTest, UntitledRichTextSavedAsTextConvertsWithoutAsking)
{
    form->ChangeEditMode(false, TMainForm::EditModeWay::Force);
    type("letter");
    const QString letter = dir.filePath("letter.txt");
    prompts.answer(PromptResult::Yes);
    prompts.chooseFiles({letter});
    EXPECT_TRUE(form->FormCloseQuery());
    ASSERT_EQ(messages().size(), 1u); // the save question only
    const auto &dialog = prompts.log().back().dialog;
    EXPECT_EQ(dialog.defaultExtension, "");
    EXPECT_TRUE(form->RichEdit->PlainText());
    EXPECT_EQ(bytesOf(letter), "letter");

    // Save As to the same kind of name asks the conversion question first.
    form->FileNewMenuClick();
    form->ChangeEditMode(false, TMainForm::EditModeWay::Force);
    type("again");
    prompts.clear();
    prompts.answer(PromptResult::No);
    prompts.chooseFiles({letter});
    form->FileSaveAsMenuClick();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, u8(texts::kToTextQuestion));
    // Declined: the document is saved as RTF under that name.
    EXPECT_TRUE(bytesOf(letter).startsWith("{\\rtf1"));
}

TEST_F(DocumentsTest, SaveCommandsAndDialogs)
{
    // Nothing to save in an empty document, whatever the command.
    form->FileSaveMenuClick();
    form->FileSaveAsMenuClick();
    EXPECT_TRUE(prompts.log().empty());
    form->FileMenuClick();
    EXPECT_FALSE(form->FileSaveMenu->isEnabled());
    EXPECT_FALSE(form->FileSaveAsMenu->isEnabled());

    const QString path = put("doc.txt", "doc");
    form->OpenDocument(path, true);
    form->FileMenuClick();
    EXPECT_FALSE(form->FileSaveMenu->isEnabled());
    EXPECT_TRUE(form->FileSaveAsMenu->isEnabled());

    // Save As under a new name makes a read-only document editable.
    const QString copy = dir.filePath("copy.txt");
    prompts.chooseFiles({copy});
    form->FileSaveAsMenuClick();
    const auto &dialog = prompts.log().back();
    EXPECT_EQ(dialog.kind, Kind::SaveFile);
    EXPECT_EQ(dialog.text, u8(texts::kSaveDialogTitle));
    EXPECT_EQ(dialog.dialog.fileName, path);
    EXPECT_EQ(dialog.dialog.filterIndex, 1);
    EXPECT_EQ(dialog.dialog.defaultExtension, "");
    EXPECT_TRUE(dialog.dialog.overwritePrompt);
    ASSERT_EQ(dialog.dialog.filters.size(), 7u);
    EXPECT_EQ(dialog.dialog.filters[1].pattern, "*.rtf");
    EXPECT_EQ(bytesOf(copy), "doc");
    EXPECT_FALSE(form->RichEdit->ReadOnly());
    EXPECT_EQ(form->Options->CurrentFile, copy);
    form->FileMenuClick();
    EXPECT_TRUE(form->FileSaveMenu->isEnabled());

    // Save writes only a modified document, to its own name; the registry names it.
    form->FileSaveMenuClick();
    EXPECT_EQ(files.writes(), 1);
    type("more ");
    form->FileSaveMenu->trigger();
    EXPECT_EQ(bytesOf(copy), "more doc");
    EXPECT_FALSE(form->RichEdit->Modified());
    EXPECT_EQ(TProfileFile(ini()).ReadString("EditFiles", QString::number(bus.ownHandle()), ""), copy);
    EXPECT_EQ(form->Options->History.Items.value(0), copy);
}

TEST_F(DocumentsTest, OpenCommandAndDroppedFiles)
{
    const QString a = put("a.txt", "a"), b = put("b.rtf", "{\\rtf1 b}"), c = put("c.txt", "c");
    form->ChangeEditMode(true, TMainForm::EditModeWay::Force);
    prompts.chooseFiles({a, b});
    form->FileOpenItem->trigger();
    const auto &dialog = prompts.log().back();
    EXPECT_EQ(dialog.kind, Kind::OpenFile);
    EXPECT_EQ(dialog.text, u8(texts::kOpenDialogTitle));
    EXPECT_TRUE(dialog.dialog.allowMultiple);
    EXPECT_TRUE(dialog.dialog.fileMustExist);
    EXPECT_EQ(dialog.dialog.filterIndex, 1);
    EXPECT_EQ(dialog.dialog.filters[5].description, u8(texts::kOpenFileTypes[5].description));
    EXPECT_EQ(form->Options->CurrentFile, a);
    EXPECT_EQ(velmo::testing::launchedFiles(network), QStringList{b});

    // Three files dropped on a modified window, Cancel: nothing opens.
    type("edit ");
    prompts.answer(PromptResult::Cancel);
    form->HandleDropFiles({b, c, a});
    EXPECT_EQ(form->Options->CurrentFile, a);
    EXPECT_EQ(form->RichEdit->Text(), "edit a");
    // Dropped from the desktop onto the editor, as file addresses.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(c), QUrl::fromLocalFile(a)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->RichEdit->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    prompts.answer(PromptResult::No);
    QCoreApplication::sendEvent(form->RichEdit->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(form->Options->CurrentFile, b);
    EXPECT_FALSE(form->RichEdit->PlainText());
    // The window for b has not reported yet: c and a wait behind it.
    EXPECT_EQ(velmo::testing::launchedFiles(network), QStringList{b});
    EXPECT_EQ(velmo::testing::filesOfLines(form->PendingLaunches), (QStringList{c, a}));
}

TEST_F(DocumentsTest, Backups)
{
    const struct {
        const char *name;
        bool makeBackup, useTrashBox;
        DriveKind drive;
        bool existingBak;
        bool trashed, bakFile;
    } cases[] = {
        {"trash on a fixed disk", true, true, DriveKind::Fixed, false, true, false},
        {"trash asked on a removable disk", true, true, DriveKind::Removable, false, false, true},
        {"network share", true, true, DriveKind::Network, false, false, true},
        {".bak replaces the earlier one", true, false, DriveKind::Fixed, true, false, true},
        {"no backup", false, true, DriveKind::Fixed, false, false, false},
    };
    const QString path = dir.filePath("a.txt");
    const QString bak = dir.filePath("a.bak.txt");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        put("a.txt", "previous");
        QFile::remove(bak);
        if (c.existingBak)
            put("a.bak.txt", "earlier backup");
        const int trashedBefore = int(files.trashed().size());
        form->Options->MakeBackup = c.makeBackup;
        form->Options->UseTrashBox = c.useTrashBox;
        files.setDriveKind(c.drive);
        ASSERT_TRUE(form->OpenDocument(path, false));
        type("new ");
        form->FileSaveMenuClick();
        EXPECT_EQ(bytesOf(path), "new previous");
        EXPECT_EQ(files.trashed().size() - trashedBefore, c.trashed ? 1 : 0);
        EXPECT_EQ(bytesOf(bak), c.bakFile ? QByteArray("previous")
                                         : c.existingBak ? QByteArray("earlier backup") : QByteArray("<missing>"));
    }
    // A new file has no old version to keep.
    form->FileNewMenuClick();
    form->ChangeEditMode(true, TMainForm::EditModeWay::Force);
    form->Options->UseTrashBox = false;
    type("fresh");
    const QString fresh = dir.filePath("fresh.txt");
    prompts.chooseFiles({fresh});
    form->FileSaveAsMenuClick();
    EXPECT_EQ(bytesOf(fresh), "fresh");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("fresh.bak.txt")));

    // A backup that fails stops the save with its message.
    files.setDriveKind(DriveKind::Fixed);
    form->Options->MakeBackup = true;
    form->Options->UseTrashBox = true;
    files.refuseTrash(true);
    type("lost? ");
    form->FileSaveMenuClick();
    EXPECT_EQ(messages().back().text, u8(kBackupFailedMessage));
    EXPECT_EQ(bytesOf(fresh), "fresh");
    EXPECT_TRUE(form->RichEdit->Modified());
    EXPECT_TRUE(prompts.scriptDone());
}

TEST_F(DocumentsTest, FreeSpaceOfTheTargetsDisk)
{
    const QString path = put("big.txt", QByteArray(10000, 'x'));
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SelectAll();
    form->RichEdit->SetSelText(QString(5000, 'y'));
    form->Options->MakeBackup = false;

    // 5000 characters over 10000 bytes need no room at all.
    files.setFreeSpace(0);
    form->FileSaveMenuClick();
    EXPECT_EQ(bytesOf(path), QByteArray(5000, 'y'));
    EXPECT_TRUE(messages().empty());

    // With a backup the whole text counts: 5001 needed, 5000 free.
    form->Options->MakeBackup = true;
    form->Options->UseTrashBox = false;
    type("z");
    files.setFreeSpace(5000);
    form->FileSaveMenuClick();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, u8(texts::kDiskFullMessage));
    EXPECT_EQ(messages()[0].icon, PromptIcon::Stop);
    EXPECT_EQ(bytesOf(path), QByteArray(5000, 'y'));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("big.bak.txt")));
    EXPECT_TRUE(form->RichEdit->Modified());

    // Free space that cannot be told does not stop the save.
    files.setFreeSpace(-1);
    form->FileSaveMenuClick();
    EXPECT_EQ(bytesOf(path).size(), 5001);
}

TEST_F(DocumentsTest, FailedWriteKeepsTheOldFile)
{
    // With the backup going to the trash, the old file has left its place before the
    // write: a failed write puts it back.
    for (const bool trashBackup : {false, true}) {
        SCOPED_TRACE(trashBackup ? "backup to the trash" : "no backup");
        const QString path = put("keep.rtf", "{\\rtf1 the old file}");
        ASSERT_TRUE(form->OpenDocument(path, false));
        form->Options->MakeBackup = trashBackup;
        form->Options->UseTrashBox = true;
        files.setDriveKind(DriveKind::Fixed);
        type("new text ");
        prompts.clear();
        files.failWritesAfter(8);
        form->FileSaveMenuClick();
        files.failWritesAfter(std::nullopt);

        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, u8(texts::kSaveErrorMessage));
        EXPECT_EQ(messages()[0].icon, PromptIcon::Stop);
        EXPECT_EQ(bytesOf(path), "{\\rtf1 the old file}");
        EXPECT_TRUE(files.trashed().isEmpty());
        EXPECT_TRUE(form->RichEdit->Modified());
        EXPECT_EQ(form->Options->CurrentFile, path);
        EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);
        EXPECT_EQ(QDir(dir.path()).entryList({"keep*"}, QDir::Files), QStringList{"keep.rtf"});
        form->RichEdit->SetModified(false);
    }
}

TEST_F(DocumentsTest, SavedFileKeepsTheModeAndOwnerWhicheverBackupRan)
{
    // A private file stays private, and root saving a user's file leaves it the user's.
    const bool root = ::geteuid() == 0;
    for (const bool trashBackup : {true, false}) {
        SCOPED_TRACE(trashBackup ? "backup to the trash" : ".bak copy");
        const QString path = put(trashBackup ? "private1.txt" : "private2.txt", "old");
        const QByteArray name = QFile::encodeName(path);
        ASSERT_EQ(::chmod(name.constData(), 0600), 0);
        if (root)
            ASSERT_EQ(::chown(name.constData(), 4321, 4321), 0);
        ASSERT_TRUE(form->OpenDocument(path, false));
        form->Options->MakeBackup = true;
        form->Options->UseTrashBox = trashBackup;
        files.setDriveKind(DriveKind::Fixed);
        type("new ");
        form->FileSaveMenuClick();

        EXPECT_EQ(files.trashed().size(), 1); // the first round's; the .bak copy adds none
        EXPECT_EQ(QFileInfo::exists(TBackupMaker::BackupName(path)), !trashBackup);
        struct stat st {};
        ASSERT_EQ(::stat(name.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        if (root)
            EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_FALSE(form->RichEdit->Modified());
    }
}

// The same on a disk that really is full: a small tmpfs, where the machine lets us mount one.
// The needed-space rule counts the old file's room as given back, but a write beside the
// target needs the whole text at once, so the rule lets this save through to the write.
TEST_F(DocumentsTest, FullDiskKeepsTheOldFile)
{
    const QString mountPoint = dir.filePath("small");
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(path.toLocal8Bit().constData(), MNT_DETACH); }
    } unmount{mountPoint};

    const QByteArray old(20000, 'o');
    const QString path = put("small/old.txt", old);
    put("small/filler", QByteArray(36 * 1024, 'f'));
    const qint64 free = files.freeSpaceFor(path);
    ASSERT_GT(free, 0);
    ASSERT_LT(free, 20000);
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SelectAll();
    form->RichEdit->SetSelText(QString(25000, 'n'));
    form->Options->MakeBackup = false;
    form->FileSaveMenuClick();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, u8(texts::kSaveErrorMessage));
    EXPECT_TRUE(bytesOf(path) == old);
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "old.txt"}));
    EXPECT_TRUE(form->RichEdit->Modified());
}

TEST_F(DocumentsTest, CharactersATextFileCannotHold)
{
    const QString path = put("note.txt", "first line\r\n");
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SetSelStart(form->RichEdit->GetTextLength());
    type(u8("a\xE2\x82\xAC b \xED\x95\x9C"));  // EURO SIGN and a Hangul syllable on line 2

    prompts.answer(PromptResult::No);
    form->FileSaveMenuClick();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, u8(texts::kUnrepresentableFormat).arg(2).arg(u8("\xE2\x82\xAC")).arg(2));
    EXPECT_EQ(messages()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(messages()[0].icon, PromptIcon::Question);
    EXPECT_EQ(bytesOf(path), "first line\r\n");
    EXPECT_TRUE(form->RichEdit->Modified());

    prompts.answer(PromptResult::Yes);
    form->FileSaveMenuClick();
    EXPECT_EQ(bytesOf(path), "first line\r\na? b ?");
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(DocumentsTest, Cp932RoundTripIsByteIdentical)
{
    // Every character of the code page in its canonical code, then bytes that are not
    // Shift-JIS at all.
    std::string bytes;
    for (int c = 0x20; c <= 0x7E; ++c)
        bytes += char(c);
    for (int c = 0xA1; c <= 0xDF; ++c)
        bytes += char(c);
    bytes += "\r\n";
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string one{char(lead), char(trail)};
            const std::u16string decoded = cp932::decode(one);
            if (decoded.size() != 1 || cp932::isRawByte(decoded[0]) || cp932::encode(decoded).bytes != one)
                continue;
            bytes += one;
            if (++characters % 64 == 0)
                bytes += "\r\n";
        }
    }
    ASSERT_GT(characters, 7000);
    bytes += "\r\n\x80\xA0\xFD\xFE\xFF\x81\x20\tend";
    const QString path = put("all.txt", QByteArray::fromStdString(bytes));

    ASSERT_TRUE(form->OpenDocument(path, false));
    const QString copy = dir.filePath("copy.txt");
    prompts.chooseFiles({copy});
    form->FileSaveAsMenuClick();
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(bytesOf(copy) == QByteArray::fromStdString(bytes));
}

TEST_F(DocumentsTest, LibreOfficeRtfKeepsTextAndFormats)
{
    QFile fixture(QStringLiteral(VELMO_FIXTURES) + "/rtf/libreoffice-formats.rtf");
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray original = fixture.readAll();
    const QString path = put("libreoffice.rtf", original);

    ASSERT_TRUE(form->OpenDocument(path, false));
    const QString copy = dir.filePath("copy.rtf");
    prompts.chooseFiles({copy});
    prompts.answer(PromptResult::Yes); // the table's frame is not kept, its text is
    form->FileSaveAsMenuClick();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, DroppedContentQuestion(rtf::kDroppedTables));

    const rtf::ReadResult before = rtf::read(original.toStdString());
    const rtf::ReadResult after = rtf::read(bytesOf(copy).toStdString());
    ASSERT_TRUE(before.ok());
    ASSERT_TRUE(after.ok());
    EXPECT_TRUE(before.document.plainText() == after.document.plainText());
    ASSERT_EQ(before.document.paragraphs.size(), after.document.paragraphs.size());
    for (std::size_t i = 0; i < before.document.paragraphs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(before.document.paragraphs[i] == after.document.paragraphs[i]);
    }
}

// A non-breaking space looks like a space but has no code in the code page: it is asked
// about like any other character the file cannot hold.
TEST_F(DocumentsTest, NonBreakingSpaceIsAskedAbout)
{
    const QString path = put("nbsp.txt", "old");
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SelectAll();
    type(u8("a\xC2\xA0" "b"));

    prompts.answer(PromptResult::No);
    form->FileSaveMenuClick();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, u8(texts::kUnrepresentableFormat).arg(1).arg(u8("\xC2\xA0")).arg(1));
    EXPECT_EQ(bytesOf(path), "old");
    EXPECT_TRUE(form->RichEdit->Modified());
}

// Yes to the save question closes the window only when the document reached its file.
TEST_F(DocumentsTest, CloseWaitsForTheSaveToComplete)
{
    const QString elsewhere = dir.filePath("elsewhere.txt");
    const struct {
        const char *name;
        std::function<void()> stage; // after the edit, before the close
        bool closes;
    } cases[] = {
        {"No to the characters the file cannot hold",
         [&] {
             type(u8("\xE2\x82\xAC"));
             prompts.answer(PromptResult::Yes);
             prompts.answer(PromptResult::No);
         },
         false},
        {"read-only file, Save As cancelled",
         [&] {
             QFile::setPermissions(dir.filePath("close.txt"), QFile::ReadOwner);
             prompts.answer(PromptResult::Yes);
             prompts.answer(PromptResult::Yes);
             prompts.cancelFileDialog();
         },
         false},
        {"failed write",
         [&] {
             files.failWritesAfter(0);
             prompts.answer(PromptResult::Yes);
         },
         false},
        {"disk full",
         [&] {
             files.setFreeSpace(0);
             prompts.answer(PromptResult::Yes);
         },
         false},
        // Last: this one closes the window.
        {"read-only file, saved under another name",
         [&] {
             QFile::setPermissions(dir.filePath("close.txt"), QFile::ReadOwner);
             prompts.answer(PromptResult::Yes);
             prompts.answer(PromptResult::Yes);
             prompts.chooseFiles({elsewhere});
         },
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath("close.txt");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        put("close.txt", "old");
        ASSERT_TRUE(form->OpenDocument(path, false));
        type("new ");
        prompts.clear();
        c.stage();

        EXPECT_EQ(form->close(), c.closes);
        EXPECT_EQ(form->isVisible(), !c.closes);
        EXPECT_EQ(bytesOf(path), "old");
        EXPECT_TRUE(prompts.scriptDone());
        if (!c.closes)
            EXPECT_TRUE(form->RichEdit->Modified());
        else
            EXPECT_EQ(bytesOf(elsewhere), "new old");
        files.failWritesAfter(std::nullopt);
        files.setFreeSpace(std::nullopt);
    }
    QFile::setPermissions(dir.filePath("close.txt"), QFile::ReadOwner | QFile::WriteOwner);
}

// With a settings file that refuses writes, opening another file changes the document's
// name and text together; the refusal is shown once, and Save goes to the file on screen.
TEST_F(DocumentsTest, RefusedSettingsWriteKeepsNameAndTextTogether)
{
    const QString a = put("a.txt", "aaa"), b = put("b.txt", "bbb");
    FaultyProfileStorage storage;
    form->ClosingOnRequest = true;
    form->close();
    form = start({a}, &storage);
    ASSERT_EQ(form->Options->CurrentFile, a);
    storage.refuseAfter(0);
    prompts.clear();

    prompts.chooseFiles({b});
    form->FileOpenClick();
    EXPECT_EQ(form->Options->CurrentFile, b);
    EXPECT_EQ(form->RichEdit->Text(), "bbb");
    EXPECT_EQ(form->windowTitle(), "Velmo: " + b);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].kind, Kind::Error);
    EXPECT_TRUE(messages()[0].text.startsWith(ini())) << messages()[0].text.toStdString();

    form->RichEdit->SetSelStart(0);
    type("x");
    prompts.clear();
    form->FileSaveMenuClick();
    EXPECT_EQ(bytesOf(b), "xbbb");
    EXPECT_EQ(bytesOf(a), "aaa");
    EXPECT_FALSE(form->RichEdit->Modified());
    EXPECT_EQ(messages().size(), 1u);

    // Closed while the storage still exists.
    form->ClosingOnRequest = true;
    form->close();
    form.reset();
}

} // namespace
