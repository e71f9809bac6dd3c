// Start-up to a shown window: an editor window built, shown through its whole start-up and
// exposed, compared with a bare QMainWindow holding a QTextEdit in the same run.
// Run with QT_QPA_PLATFORM=offscreen (set here when unset).
#include "app/fontsubstitutes.h"
#include "app/mainform.h"
#include "doubles/fakeprinters.h"
#include "doubles/fixedscreen.h"
#include "doubles/fixedsysteminfo.h"
#include "doubles/recordingshell.h"
#include "doubles/scriptedprompts.h"
#include "platform/printers.h"
#include "platform/prompts.h"
#include "platform/screen.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/localwindowbus.h"
#include "settings/profilefile.h"
#include "settings/profilestorage.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

std::map<std::string, double> meanSeconds;

// Waits for the window system to expose the window, as a user would wait to see it.
void waitExposed(QWidget &w)
{
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

template <typename P, typename F>
void timed(benchmark::State &state, const char *name, P &&prepare, F &&once)
{
    double total = 0;
    for (auto _ : state) {
        prepare();
        const auto begin = std::chrono::steady_clock::now();
        once();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    meanSeconds[name] = total / double(state.iterations());
}

void BM_BareMainWindow(benchmark::State &state)
{
    timed(state, "baseline", [] {}, [] {
        QMainWindow window;
        window.setCentralWidget(new QTextEdit(&window));
        window.resize(640, 400);
        window.show();
        waitExposed(window);
    });
}

// Real services for one editor window, its settings file in a fresh folder; only the prompts
// (nobody answers a box in a benchmark) and the shell (no temporary folder of the user's) are
// doubles.
struct WindowServices {
    QTemporaryDir dir;
    velmo::FixedSystemInfo system{dir.filePath("velmo")};
    velmo::ScriptedPrompts prompts;
    velmo::RecordingShell shell{dir.filePath("tmp")};
    velmo::DesktopScreen screen;
    velmo::SystemPrinters printers;
    velmo::LocalWindowBus bus{system.settingsFilePath()};
    velmo::MainFormServices services;

    WindowServices()
    {
        services.prompts = &prompts;
        services.shell = &shell;
        services.bus = &bus;
        services.system = &system;
        services.screen = &screen;
        services.printers = &printers;
        services.storage = &velmo::ProfileStorage::system();
    }
};

// One editor window with real services, its settings file in a fresh folder. `firstStart`
// starts without a settings file (the first start also saves every setting at once).
void startVelmo(benchmark::State &state, bool firstStart)
{
    WindowServices real;
    velmo::FixedSystemInfo &system = real.system;
    velmo::MainFormServices &services = real.services;
    if (!firstStart) {
        // What the first start leaves behind, so that this one loads every setting.
        velmo::TMainForm first(services);
        first.show();
        first.close();
    }
    const QByteArray settings = [&] {
        QFile f(system.settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const auto reset = [&] {
        QFile::remove(system.settingsFilePath());
        if (!firstStart) {
            QFile f(system.settingsFilePath());
            f.open(QIODevice::WriteOnly);
            f.write(settings);
        }
    };
    timed(state, firstStart ? "first start" : "later start", reset, [&] {
        velmo::TMainForm form(services);
        form.show();
        waitExposed(form);
        form.ClosingOnRequest = true; // leave the file as it was for the next round
    });
}

// Closing a window: the save of every setting into the file a later start left.
void BM_VelmoClose(benchmark::State &state)
{
    WindowServices real;
    velmo::FixedSystemInfo &system = real.system;
    velmo::MainFormServices &services = real.services;
    std::unique_ptr<velmo::TMainForm> form;
    timed(state, "close", [&] {
        form = std::make_unique<velmo::TMainForm>(services);
        form->show();
        waitExposed(*form);
    }, [&] { form->close(); });
}

// The settings save of a window, key by key as single writes and as one batch, in the same run.
void saveRecords(benchmark::State &state, bool batched)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("velmo.ini");
    QObject owner;
    velmo::FakePrinters printers;
    velmo::FixedScreen screen;
    velmo::TAppRecord app(file);
    velmo::TGeneralOptions options(&owner, file, printers, screen);
    options.History.Items = {QStringLiteral("/home/u/a.txt"), QStringLiteral("/home/u/b.txt")};
    timed(state, batched ? "settings save, one batch" : "settings save, key by key",
          [&] { QFile::remove(file); }, [&] {
              velmo::TProfileBatch batch(batched ? file : QString());
              app.Save();
              options.Save();
              batch.Commit();
          });
}

void BM_SaveKeyByKey(benchmark::State &state) { saveRecords(state, false); }
void BM_SaveOneBatch(benchmark::State &state) { saveRecords(state, true); }

void BM_VelmoLaterStart(benchmark::State &state) { startVelmo(state, false); }
void BM_VelmoFirstStart(benchmark::State &state) { startVelmo(state, true); }

} // namespace

BENCHMARK(BM_BareMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_VelmoLaterStart)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_VelmoFirstStart)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_VelmoClose)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveKeyByKey)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SaveOneBatch)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    velmo::RegisterFaceSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double base = meanSeconds["baseline"];
    bool measured = base > 0;
    for (const char *name : {"later start", "first start", "close", "settings save, key by key",
                             "settings save, one batch"})
    {
        if (base <= 0 || !meanSeconds.count(name)) {
            measured = false;
            continue;
        }
        std::printf("%s: %.1f ms, %.2f x a bare main window (%.1f ms)\n", name, meanSeconds[name] * 1000,
                    meanSeconds[name] / base, base * 1000);
    }
    if (!measured) {
        std::fprintf(stderr, "could not measure every figure against a bare main window: see above\n");
        return 1;
    }
    return 0;
}
