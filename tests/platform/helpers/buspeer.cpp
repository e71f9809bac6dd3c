// A window-bus peer for the tests: opens an endpoint in the namespace given on the command
// line, prints "READY <handle>", and acts on the messages below. Every handled message is
// printed as "HANDLED <msg> <wParam> <lParam>".
//
//   usage: velmo_buspeer <namespace key> <caption> <gate folder> [detached]
//
//   1 ECHO    wParam = delay in ms, lParam = value  -> waits, answers value * 2
//   2 HANG    never returns (the test kills the process)
//   3 EXIT    ends the process before answering
//   4 SENDTO  wParam = target handle, lParam = gate number: prints "ARMED", waits for the
//             file <gate folder>/gate-<n>, sends ECHO(200 ms, 21) to the target and prints
//             "SENT <result>" or "SENT FAIL"; answers the result or -1
//   5 GATE    lParam = gate number: waits up to 10 s for the gate file, prints
//             "GATE <n> open" or "GATE <n> timeout"; answers 1 or 0
//   6 COUNT   answers how many messages were handled before this one
//   7 POSTTO  wParam = target handle, lParam = value: posts (99, value, 0) to the target,
//             answers 1 when the post was taken
//   8 THROW   throws a ComponentError; the application's error display prints "ERROR <text>"
// A peer started to show without activation adds " (no activate)" to its caption.
// A fourth argument "detached" says the peer was started detached and has no parent to follow.
#include "platform/componenterror.h"
#include "doubles/scriptedprompts.h"
#include "platform/prompts.h"
#include "platform/velmoapplication.h"
#include "platform/localwindowbus.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Peer : public velmo::BusWindow {
public:
    Peer(velmo::WindowBus &bus, QString caption, QString gates)
        : bus_(bus), caption_(std::move(caption)), gates_(std::move(gates)) {}

    std::int64_t handleBusMessage(std::uint32_t message, std::int64_t w, std::int64_t l) override
    {
        say("HANDLED " + QByteArray::number(message) + ' ' + QByteArray::number(qlonglong(w)) + ' '
            + QByteArray::number(qlonglong(l)));
        const int before = handled_++;
        switch (message) {
        case 1:
            QThread::msleep(static_cast<unsigned long>(w)); // a slow handler, not a test waiting
            return l * 2;
        case 2:
            for (;;)
                ::pause();
        case 3:
            ::_exit(0);
        case 4: {
            say("ARMED");
            if (l != 0 && !waitGate(l))
                say("GATE " + QByteArray::number(qlonglong(l)) + " timeout");
            const auto r = bus_.sendMessage(velmo::WindowHandle(w), 1, 200, 21);
            say(r ? "SENT " + QByteArray::number(qlonglong(*r)) : QByteArray("SENT FAIL"));
            return r ? *r : -1;
        }
        case 5: {
            const bool open = waitGate(l);
            say("GATE " + QByteArray::number(qlonglong(l)) + (open ? " open" : " timeout"));
            return open ? 1 : 0;
        }
        case 6:
            return before;
        case 7:
            return bus_.postMessage(velmo::WindowHandle(w), 99, l, 0) ? 1 : 0;
        case 8:
            throw velmo::ComponentError("'x' は整数ではありません");
        default:
            return 0;
        }
    }
    QString busCaption() const override { return caption_; }
    QString busClassName() const override { return QStringLiteral("TMainForm"); }
    bool busBringToFront() override { return true; }

private:
    // The gate is a file the test creates; polling it keeps the peer simple.
    bool waitGate(std::int64_t n)
    {
        const QString path = gates_ + QStringLiteral("/gate-") + QString::number(n);
        QDeadlineTimer deadline(10000);
        while (!QFileInfo::exists(path)) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
        return true;
    }

    velmo::WindowBus &bus_;
    QString caption_;
    QString gates_;
    int handled_ = 0;
};

class PrintingPrompts : public velmo::ScriptedPrompts {
public:
    void showError(const QString &message) override
    {
        ScriptedPrompts::showError(message);
        say("ERROR " + message.toUtf8());
    }
};

} // namespace

int main(int argc, char **argv)
{
    const bool detached = argc >= 5 && qstrcmp(argv[4], "detached") == 0;
    if (!detached) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test that started us
    } else {
        // Nobody reads a detached peer's output, but it inherited the test's: a peer left
        // behind by a failed test would keep the test runner waiting for that output to end.
        // It lets go of it, and ends by itself should the test never send it away.
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::alarm(60);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    velmo::VelmoApplication app(argc, argv);
    PrintingPrompts prompts;
    app.setErrorPrompts(&prompts);
    if (argc < 4) {
        std::fprintf(stderr, "usage: velmo_buspeer <namespace key> <caption> <gate folder>\n");
        return 2;
    }
    velmo::LocalWindowBus bus(QString::fromLocal8Bit(argv[1]));
    bus.setTimeout(3000);
    QString caption = QString::fromUtf8(argv[2]);
    if (velmo::launchShowOfThisProcess() == velmo::LaunchShow::NoActivate)
        caption += QStringLiteral(" (no activate)");
    Peer peer(bus, caption, QString::fromLocal8Bit(argv[3]));
    const velmo::WindowHandle h = bus.openEndpoint(&peer);
    if (h == 0) {
        std::fprintf(stderr, "no endpoint: %s\n", qPrintable(bus.lastError()));
        return 1;
    }
    say("READY " + QByteArray::number(h));
    return app.exec();
}
