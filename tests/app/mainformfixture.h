// A window under test: temporary program folder, scripted prompts, an in-memory window bus
// and fixed screen and printers. Shared by the window's tests.
#pragma once

#include "app/commandline.h"
#include "app/mainform.h"
#include "doubles/fakefilesystem.h"
#include "doubles/fakeprinters.h"
#include "doubles/fixedscreen.h"
#include "doubles/fixedsysteminfo.h"
#include "doubles/memorywindowbus.h"
#include "doubles/recordingshell.h"
#include "doubles/scriptedprompts.h"
#include "platform/launchline.h"
#include "platform/filesystem.h"
#include "platform/printers.h"
#include "platform/prompts.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "settings/profilefile.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLayout>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace velmo::testing {

inline QString u8(const char *text) { return QString::fromUtf8(text); }

// Runs the event loop (so that idle work happens) until the condition holds, at most 5 s.
inline bool waitUntil(const std::function<bool()> &condition)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start(10);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

// The files that launch lines ask new windows to open, in order.
inline QStringList filesOfLines(const QStringList &lines)
{
    QStringList files;
    for (const QString &line : lines)
        files << ParseCommandLine(splitWindowsCommandLine(line)).files;
    return files;
}

inline QStringList launchedFiles(const MemoryBusNetwork &network)
{
    QStringList lines;
    for (const MemoryBusNetwork::Launch &launch : network.launches())
        lines << launch.parameters;
    return filesOfLines(lines);
}

// Toolbars and panels stand where the window's layout puts them once it has run.
inline void settle(TMainForm &form)
{
    form.layout()->activate();
}

class MainFormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedCurrent = QDir::currentPath();
        system = std::make_unique<FixedSystemInfo>(dir.filePath("velmo"));
        shell.setTempFolder(dir.filePath("systemp"));
    }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    QString ini() const { return dir.filePath("velmo.ini"); }

    // A settings file as an earlier start leaves it, so that this start is not the first.
    void writeSettings(const QString &extra = {})
    {
        QFile file(ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("[Velmo]\r\nVersion=2.66\r\n" + extra).toUtf8());
    }

    std::unique_ptr<TMainForm> start(const QStringList &arguments = {},
                                     ProfileStorage *storage = nullptr)
    {
        MainFormServices s;
        s.prompts = &prompts;
        s.shell = &shell;
        s.fileSystem = &files;
        s.bus = &bus;
        s.system = system.get();
        s.screen = &screen;
        s.printers = &printers;
        s.storage = storage;
        s.arguments = arguments;
        auto form = std::make_unique<TMainForm>(s);
        form->show();
        return form;
    }

    QString read(const char *section, const char *key) const
    {
        return TProfileFile(ini()).ReadString(section, key, "<missing>");
    }

    QTemporaryDir dir;
    QString savedCurrent;
    std::unique_ptr<FixedSystemInfo> system;
    ScriptedPrompts prompts;
    RecordingShell shell;
    // Real files in dir; "trash" stands in for the desktop trash.
    FakeFileSystem files{dir.filePath("trash")};
    MemoryBusNetwork network;
    MemoryWindowBus bus{network};
    FixedScreen screen{{0, 0, 1024, 738}, 19, 96};
    FakePrinters printers;
};

} // namespace velmo::testing
