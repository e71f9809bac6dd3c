// Saving a document (text and RTF) and writing the settings when the file system says no: a
// full disk, a read-only file system, a folder the user may not write, a document that has
// become a folder. The save reports it with a stop message, the document stays modified,
// the old file keeps every byte and nothing is left beside it; a refused settings write
// raises "... に書き込めません" and leaves the settings file as it was.
#include "faultplace.h"

#include "app/mainform.h"
#include "doubles/fakeprinters.h"
#include "doubles/fixedscreen.h"
#include "doubles/fixedsysteminfo.h"
#include "doubles/memorywindowbus.h"
#include "doubles/recordingshell.h"
#include "doubles/scriptedprompts.h"
#include "platform/componenterror.h"
#include "platform/filesystem.h"
#include "platform/screen.h"
#include "platform/system.h"
#include "settings/profilefile.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace velmo;
using namespace velmo::testing;

namespace {

enum class Fault { FullDisk, ReadOnlyFileSystem, NoWritePermission, FileBecameFolder };

const char *name(Fault f)
{
    switch (f) {
    case Fault::FullDisk: return "full disk";
    case Fault::ReadOnlyFileSystem: return "read-only file system";
    case Fault::NoWritePermission: return "folder without write permission";
    case Fault::FileBecameFolder: return "document replaced by a folder";
    }
    return "";
}

const QByteArray kSettings = "[Velmo]\r\nVersion=2.66\r\n\r\n[Options]\r\nMakeBackup=0\r\nURLLink=1\r\n"
                             "\r\n[History]\r\nFile0=/tmp/a.txt\r\n";
const QByteArray kOldText = "the old version\r\n\x93\xfa\x96\x7b\x8c\xea\r\n"; // 日本語
const QByteArray kOldRtf = "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}}"
                           "\\f0 the old version\\par}";

// A window over real files in `folder`, which also holds the program and its settings.
struct Window {
    explicit Window(const QString &folder, const QString &document)
        : system(folder + QStringLiteral("/velmo")), shell(folder + QStringLiteral("/systemp"))
    {
        MainFormServices s;
        s.prompts = &prompts;
        s.fileSystem = &files;
        s.shell = &shell;
        s.bus = &bus;
        s.system = &system;
        s.screen = &screen;
        s.printers = &printers;
        s.arguments = {document};
        form = std::make_unique<TMainForm>(s);
        form->show();
    }
    FixedSystemInfo system;
    ScriptedPrompts prompts;
    LocalFileSystem files;
    RecordingShell shell;
    MemoryBusNetwork network;
    MemoryWindowBus bus{network};
    FixedScreen screen;
    FakePrinters printers;
    std::unique_ptr<TMainForm> form;
};

QString bigText()
{
    QString text;
    for (int i = 0; i < 6000; ++i)
        text += QStringLiteral("新しい版の %1 行目 the new version of the document\n").arg(i);
    return text;
}

} // namespace

TEST(SaveFaults, OldFileAndSettingsKeepEveryByte)
{
    for (const Fault fault : {Fault::FullDisk, Fault::ReadOnlyFileSystem, Fault::NoWritePermission,
                              Fault::FileBecameFolder}) {
        for (const bool rtf : {false, true}) {
            SCOPED_TRACE(std::string(name(fault)) + (rtf ? ", RTF" : ", text"));
            QTemporaryDir dir;
            std::optional<ScopedTmpfs> disk;
            QString folder = dir.path();
            if (fault == Fault::FullDisk || fault == Fault::ReadOnlyFileSystem) {
                disk.emplace("1m");
                if (!disk->mounted()) {
                    std::printf("[  SKIPPED ] %s: %s\n", name(fault), disk->reason().c_str());
                    continue;
                }
                folder = disk->path();
            }
            // The unprivileged user must reach the folder to be stopped by its bits alone.
            ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
            const QString ini = folder + QStringLiteral("/velmo.ini");
            const QString document = folder + (rtf ? QStringLiteral("/doc.rtf") : QStringLiteral("/doc.txt"));
            const QByteArray old = rtf ? kOldRtf : kOldText;
            ASSERT_TRUE(writeBytes(ini, kSettings));
            ASSERT_TRUE(writeBytes(document, old));

            Window w(folder, document);
            ASSERT_EQ(w.form->RichEdit->toPlainText().left(15), QStringLiteral("the old version"));
            w.form->RichEdit->selectAll();
            w.form->RichEdit->insertPlainText(bigText());
            w.form->SaveSettings();
            const QByteArray settings = readBytes(ini);
            w.prompts.clear();

            switch (fault) {
            case Fault::FullDisk:
                ASSERT_TRUE(disk->fill(QStringLiteral("filler")));
                break;
            case Fault::ReadOnlyFileSystem:
                ASSERT_TRUE(disk->makeReadOnly()) << std::strerror(errno);
                break;
            case Fault::NoWritePermission:
                ::chmod(QFile::encodeName(folder).constData(), 0555);
                break;
            case Fault::FileBecameFolder:
                ASSERT_TRUE(QFile::remove(document));
                ASSERT_TRUE(QDir().mkdir(document));
                break;
            }
            const QStringList faulty = entries(folder);

            bool saved = true;
            bool settingsRefused = false;
            {
                std::optional<ScopedUnprivileged> asNobody;
                if (fault == Fault::NoWritePermission)
                    asNobody.emplace();
                saved = w.form->SaveDocument(document);
                if (fault != Fault::FileBecameFolder) {
                    try {
                        TProfileFile(ini).WriteString(QStringLiteral("Options"), QStringLiteral("URLLink"),
                                                      QStringLiteral("0"));
                    } catch (const ComponentError &e) {
                        settingsRefused = QString::fromUtf8(e.what()).endsWith(QString::fromUtf8(" に書き込めません"));
                    }
                }
            }
            ::chmod(QFile::encodeName(folder).constData(), 0755);

            EXPECT_FALSE(saved);
            const auto messages = w.prompts.messages();
            ASSERT_FALSE(messages.empty());
            EXPECT_EQ(messages.back().icon, PromptIcon::Stop) << messages.back().text.toStdString();
            EXPECT_TRUE(w.form->RichEdit->Modified());
            if (fault == Fault::FileBecameFolder) {
                EXPECT_TRUE(QFileInfo(document).isDir());
                EXPECT_TRUE(entries(document).isEmpty());
            } else {
                EXPECT_EQ(readBytes(document), old);
                EXPECT_TRUE(settingsRefused);
                EXPECT_EQ(readBytes(ini), settings);
            }
            EXPECT_EQ(entries(folder), faulty);
            w.form->RichEdit->SetModified(false); // no question on closing
        }
    }
}
