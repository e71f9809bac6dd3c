// Typing into a 10 MB text in the real window, Velmo (Shift-JIS) against FeatherPad (the
// same text in UTF-8), both open side by side at the same size and wrapped at the window's
// edge, keys pressed through the XTEST extension and the repaints seen through DAMAGE:
// - Ctrl+End in the freshly opened document (pressed as soon as the first screen is drawn),
//   to the last repaint it causes (the status bar showing the new row);
// - one key at the start, in the middle and at the end of the document, to the repaint of
//   the caret's line reaching the X server; the programs take turns key by key (the middle:
//   a middle click on the scroll bar takes the view half-way down, a click in the text puts
//   the caret there);
// - 200 keys pressed at once at the start, until the program has drawn the last of them and
//   gone quiet (its CPU time no longer grows);
// - the peak memory (VmHWM) of each program holding the document after all that.
// Each session opens both programs afresh, the one opened first alternating.
//
// Run under an X server without a window manager:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_typing [sessions] [keys per session]
// With VELMO_BASELINE set to another build of Velmo, that build takes FeatherPad's place (on
// the same Shift-JIS text, a copy of its own), to compare two builds in one run.
// A figure that cannot be measured is said so on stderr and the program exits non-zero.
#include "support/benchsupport.h"
#include "support/programs.h"
#include "support/rounds.h"
#include "support/samplefiles.h"
#include "support/xwindows.h"

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace velmo::bench;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr auto kBound = std::chrono::seconds(180);
constexpr int kBurst = 200;
// A drawing narrower than this is the caret blinking, not text being drawn.
constexpr int kCaretWidth = 16;

struct Open {
    const Program *program = nullptr;
    pid_t pid = -1;
    Shown shown;
    xcb_rectangle_t caret{}; // where the caret blinks
};

double seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

class Session {
public:
    Session(WindowWatcher &watcher, const Programs &programs, Rounds &results)
        : m_watcher(watcher), m_programs(programs), m_results(results)
    {
        m_home = m_watcher.keycode(0xff50);
        m_end = m_watcher.keycode(0xff57);
        m_control = m_watcher.keycode(0xffe3);
        m_letter = m_watcher.keycode('a');
    }
    ~Session()
    {
        for (Open &o : m_open)
            end(o.pid);
    }

    bool keysFound() const { return m_home && m_end && m_control && m_letter; }

    // Opens the program on the file, presses Ctrl+End as soon as the first screen is drawn
    // and times that key to its last repaint; then waits for the program to go quiet and,
    // for the second window, puts it beside the first.
    bool open(const Program &program, const std::string &file, int x)
    {
        m_watcher.forget();
        Open o;
        o.program = &program;
        const Clock::time_point start = Clock::now();
        o.pid = m_programs.start(program, file, true);
        if (o.pid < 0)
            return false;
        m_open.push_back(o);
        Open &opened = m_open.back();
        const Clock::time_point deadline = start + kBound;
        Paint drawn{};
        if (!m_watcher.waitShown(opened.pid, fs::path(file).filename().string(), deadline, &opened.shown))
            return fail(opened, "no window naming the file was mapped");
        const xcb_rectangle_t frame = opened.shown.frame;
        if (!m_watcher.waitPaint(opened.pid, opened.shown.named, deadline, [&](const xcb_rectangle_t &r) {
                return WindowWatcher::overlaps(r, frame) && r.width * r.height * 4 >= frame.width * frame.height;
            }, &drawn))
            return fail(opened, "the window was never drawn");
        m_watcher.focus(opened.shown.window);
        const Clock::time_point pressed = m_watcher.press(m_end, 1, m_control);
        Clock::time_point last;
        if (!m_watcher.waitSettled(opened.pid, frame, pressed, milliseconds(500), deadline, &last, kCaretWidth)
            || last == pressed)
            return fail(opened, "Ctrl+End was not drawn");
        m_results.add(program.name + " ctrl-end", seconds(pressed, last));
        if (x && !m_watcher.move(opened.shown, x, 0))
            return fail(opened, "the window could not be moved");
        return settle();
    }

    enum class Place { start, middle, end };

    // Puts each program's caret at the start or the end with Ctrl+Home/End, or half-way
    // down (a middle click on the scroll bar, then a click near the left of the text), and
    // finds out where it blinks.
    bool caretTo(Place where)
    {
        for (Open &o : m_open) {
            m_watcher.focus(o.shown.window);
            const xcb_rectangle_t &f = o.shown.frame;
            Clock::time_point pressed;
            if (where == Place::middle) {
                m_watcher.click(f.x + f.width - 6, f.y + f.height / 2, 2);
                if (!settle())
                    return false;
                pressed = m_watcher.click(f.x + 12, f.y + f.height / 2, 1);
            } else {
                pressed = m_watcher.press(where == Place::end ? m_end : m_home, 1, m_control);
            }
            Clock::time_point last;
            if (!m_watcher.waitSettled(o.pid, o.shown.frame, pressed, milliseconds(300), Clock::now() + kBound, &last,
                                       kCaretWidth))
                return fail(o, "did not settle after the caret was moved");
            Paint blink{};
            if (!m_watcher.waitPaint(o.pid, last, Clock::now() + std::chrono::seconds(3), [&](const xcb_rectangle_t &r) {
                    return WindowWatcher::overlaps(r, o.shown.frame) && r.width < kCaretWidth && r.height >= 8;
                }, &blink))
                return fail(o, "no blinking caret seen");
            o.caret = blink.area;
        }
        return true;
    }

    // `count` keys per program, the programs taking turns, each timed from the key to the
    // first drawing across the caret's line.
    bool type(const std::string &where, int count)
    {
        for (int k = 0; k < count; ++k) {
            for (int i = 0; i < int(m_open.size()); ++i) {
                Open &o = m_open[k % 2 ? m_open.size() - 1 - i : i];
                m_watcher.focus(o.shown.window);
                if (!settle())
                    return false;
                const Clock::time_point pressed = m_watcher.press(m_letter);
                const xcb_rectangle_t line{o.shown.frame.x, o.caret.y, o.shown.frame.width, o.caret.height};
                Paint drawn{};
                if (!m_watcher.waitPaint(o.pid, pressed, pressed + std::chrono::seconds(30), [&](const xcb_rectangle_t &r) {
                        return WindowWatcher::overlaps(r, line) && r.width >= kCaretWidth;
                    }, &drawn))
                    return fail(o, "the key was not drawn");
                m_results.add(o.program->name + " key " + where, seconds(pressed, drawn.at));
            }
        }
        return settle();
    }

    // kBurst keys at once at the caret, per program, to the last drawing before the program
    // went quiet.
    bool burst(bool reversed)
    {
        for (int i = 0; i < int(m_open.size()); ++i) {
            Open &o = m_open[reversed ? m_open.size() - 1 - i : i];
            m_watcher.focus(o.shown.window);
            if (!settle())
                return false;
            const Clock::time_point pressed = m_watcher.press(m_letter, kBurst);
            Clock::time_point last;
            if (!m_watcher.waitSettled(o.pid, o.shown.frame, pressed, milliseconds(500), pressed + kBound, &last,
                                       kCaretWidth)
                || last == pressed)
                return fail(o, "the keys were not drawn");
            m_results.add(o.program->name + " burst", seconds(pressed, last));
        }
        return true;
    }

    bool memory()
    {
        for (Open &o : m_open) {
            const long kib = WindowWatcher::statusKiB(o.pid, "VmHWM");
            if (kib <= 0)
                return fail(o, "its peak memory cannot be read");
            m_results.add(o.program->name + " memory", double(kib) / 1024);
        }
        return true;
    }

private:
    // Every open program quiet: no drawing (but the caret's) and no CPU for 300 ms.
    bool settle()
    {
        for (Open &o : m_open) {
            Clock::time_point last;
            if (!m_watcher.waitSettled(o.pid, o.shown.frame, Clock::now(), milliseconds(300), Clock::now() + kBound,
                                       &last, kCaretWidth))
                return fail(o, "did not go quiet");
        }
        return true;
    }

    bool fail(const Open &o, const char *what)
    {
        std::fprintf(stderr, "%s: %s%s\n", o.program->name.c_str(), what,
                     WindowWatcher::alive(o.pid) ? "" : " (the program died)");
        return false;
    }

    WindowWatcher &m_watcher;
    const Programs &m_programs;
    Rounds &m_results;
    std::vector<Open> m_open;
    xcb_keycode_t m_home = 0, m_end = 0, m_control = 0, m_letter = 0;
};

} // namespace

int main(int argc, char **argv)
{
    const int sessions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int keys = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    WindowWatcher watcher;
    if (!watcher.ok() || !watcher.canType()) {
        std::fprintf(stderr, "needs an X display with the DAMAGE and XTEST extensions and no window manager: "
                             "xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    const char *baseline = std::getenv("VELMO_BASELINE");
    if (!baseline && !onPath("featherpad")) {
        std::fprintf(stderr, "featherpad is not installed: run scripts/benchsetup.sh\n");
        return 2;
    }
    const std::string folder = temporaryFolder("velmo-typing-bench");
    if (folder.empty())
        return 1;
    Programs programs(folder);
    const std::string text = folder + "/prose-10m.txt", utf8 = folder + "/prose-10m-utf8.txt";
    if (!programs.setUpVelmo(VELMO_PROGRAM) || !writeTextPair(text, utf8, 10u << 20)) {
        std::fprintf(stderr, "cannot set up the programs and the sample\n");
        return 1;
    }
    const Program velmo = programs.velmo();
    // The other build lives in a folder of its own, with its own settings and window
    // registry, and opens its own copy of the text, so that neither window hands its file
    // over to the other.
    Program peer = programs.featherPad();
    std::string peerFile = utf8;
    if (baseline) {
        peerFile = folder + "/baseline/prose-10m.txt";
        Programs others(folder + "/baseline");
        std::error_code error;
        if (!others.setUpVelmo(baseline) || !fs::copy_file(text, peerFile, error)) {
            std::fprintf(stderr, "cannot set up the baseline build %s\n", baseline);
            return 1;
        }
        peer = others.velmo();
        peer.name = "Baseline";
    }
    const std::string &peerName = peer.name;

    Rounds results;
    bool ok = true;
    for (int s = 0; ok && s < sessions; ++s) {
        Session session(watcher, programs, results);
        if (!session.keysFound()) {
            std::fprintf(stderr, "the keyboard has no Home, End, Control or 'a' key\n");
            ok = false;
            break;
        }
        const bool velmoFirst = s % 2 == 0;
        const Program &first = velmoFirst ? velmo : peer, &second = velmoFirst ? peer : velmo;
        ok = session.open(first, velmoFirst ? text : peerFile, 0)
             && session.open(second, velmoFirst ? peerFile : text, kWindowWidth + 8)
             && session.caretTo(Session::Place::start) && session.type("start", keys) && session.burst(!velmoFirst)
             && session.caretTo(Session::Place::middle) && session.type("middle", keys)
             && session.caretTo(Session::Place::end) && session.type("end", keys) && session.memory();
    }
    fs::remove_all(folder);
    if (!ok) {
        std::fprintf(stderr, "could not measure: see above\n");
        return 1;
    }

    std::printf("%d sessions, %d keys per program and place each; 10 MB of manual-page prose, Shift-JIS for Velmo, "
                "%s; windows %dx%d, wrapped\n",
                sessions, keys, baseline ? "the same for the baseline build" : "UTF-8 for FeatherPad", kWindowWidth,
                kWindowHeight);
    if (baseline)
        std::printf("the baseline build: %s\n", baseline);
    std::printf("%-52s %13s %13s\n", "", "Velmo", peerName.c_str());
    const auto ratio = [&](const char *what, const std::string &figure) {
        results.printRatio(what, "Velmo " + figure, peerName + " " + figure);
    };
    ratio("key at the start, to its repaint", "key start");
    ratio("key in the middle, to its repaint", "key middle");
    ratio("key at the end, to its repaint", "key end");
    ratio("200 keys at once at the start, all drawn", "burst");
    ratio("Ctrl+End when freshly opened, row shown", "ctrl-end");
    const double ours = results.median("Velmo memory"), theirs = results.median(peerName + " memory");
    std::printf("%-52s %10.1f MiB %9.1f MiB   ratio %6.2f   (median of %d)\n", "peak memory (VmHWM) holding it",
                ours, theirs, theirs > 0 ? ours / theirs : 0.0, sessions);
    return 0;
}
