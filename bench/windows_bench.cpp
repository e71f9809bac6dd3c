// Many files at once: `velmo a.txt ... j.txt` until the tenth window is on the screen naming
// its file (the launch chain starts one process after another), against FeatherPad windows
// started one after another, each as soon as the one before is on the screen, in the same
// run. Windows are watched on the X display by their titles. Run under Xvfb:
// bench/windows_run.sh.
#include "support/benchsupport.h"
#include "support/programs.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWindows = 10;
constexpr auto kBound = std::chrono::seconds(120);

// The titles of the top-level windows of the display (two levels: with or without a
// window manager's frames).
std::vector<std::string> windowTitles(Display *display)
{
    std::vector<std::string> titles;
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    auto titleOf = [&](Window w) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char *data = nullptr;
        std::string title;
        if (XGetWindowProperty(display, w, netName, 0, 4096, False, utf8, &type, &format, &count, &after, &data) == Success
            && data) {
            title.assign(reinterpret_cast<char *>(data), count);
            XFree(data);
        } else {
            char *name = nullptr;
            if (XFetchName(display, w, &name) && name) {
                title = name;
                XFree(name);
            }
        }
        return title;
    };
    std::function<void(Window, int)> walk = [&](Window w, int depth) {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &n))
            return;
        for (unsigned int i = 0; i < n; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
                const std::string t = titleOf(children[i]);
                if (!t.empty())
                    titles.push_back(t);
                if (depth < 2)
                    walk(children[i], depth + 1);
            }
        }
        if (children)
            XFree(children);
    };
    XSync(display, False);
    walk(DefaultRootWindow(display), 1);
    return titles;
}

// Waits until a shown window's title names each file; false past the bound.
bool waitForTitles(Display *display, const std::vector<std::string> &names)
{
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<std::string> titles = windowTitles(display);
        bool all = true;
        for (const std::string &name : names) {
            bool found = false;
            for (const std::string &t : titles)
                found = found || t.find(name) != std::string::npos;
            all = all && found;
        }
        if (all)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// Ends every process running this program file (the editors started detached included).
void endAll(const std::string &program)
{
    for (const auto &entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program)
            ::kill(pid_t(std::stol(pid)), SIGKILL);
    }
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

struct Fixture {
    fs::path folder;
    std::vector<std::string> files;
    std::vector<std::string> names;

    Fixture()
    {
        char pattern[] = "/tmp/velmo-windows-XXXXXX";
        folder = mkdtemp(pattern);
        for (int i = 0; i < kWindows; ++i) {
            const std::string name = std::string("bench_") + char('a' + i) + ".txt";
            std::ofstream(folder / name) << "window " << i << "\n";
            files.push_back((folder / name).string());
            names.push_back(name);
        }
    }
    ~Fixture() { fs::remove_all(folder); }
};

// Windows come and go while they are listed: a window gone meanwhile is simply not listed.
int ignoreError(Display *, XErrorEvent *)
{
    return 0;
}

Display *display()
{
    static Display *d = [] {
        XSetErrorHandler(ignoreError);
        return XOpenDisplay(nullptr);
    }();
    return d;
}

void BM_VelmoTenFiles(benchmark::State &state)
{
    if (!display()) {
        state.SkipWithError("needs an X display: run bench/windows_run.sh");
        return;
    }
    Fixture f;
    const std::string program = (f.folder / "velmo").string();
    fs::copy_file(VELMO_PROGRAM, program);
    for (auto _ : state) {
        // Not a first start: the settings file of an earlier one, and no registry.
        std::ofstream(f.folder / "velmo.ini", std::ios::trunc)
            << "[Velmo]\r\nVersion=2.66\r\n[Window]\r\nLeft=0\r\nTop=0\r\nWidth=500\r\nHeight=300\r\n";
        std::vector<std::string> args{program};
        args.insert(args.end(), f.files.begin(), f.files.end());
        const auto begin = std::chrono::steady_clock::now();
        if (velmo::bench::launch(args, f.folder.string()) < 0 || !waitForTitles(display(), f.names)) {
            state.SkipWithError("the Velmo windows did not all appear");
            endAll(program);
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        endAll(program);
    }
}

void BM_FeatherPadOneAfterAnother(benchmark::State &state)
{
    if (!display()) {
        state.SkipWithError("needs an X display: run bench/windows_run.sh");
        return;
    }
    if (!velmo::bench::onPath("featherpad")) {
        state.SkipWithError("FeatherPad is not installed: run bench/windows_run.sh");
        return;
    }
    Fixture f;
    fs::create_directories(f.folder / "config");
    const std::string program = fs::canonical("/usr/bin/featherpad").string();
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        bool ok = true;
        for (int i = 0; i < kWindows && ok; ++i) {
            ok = velmo::bench::launch({"featherpad", "--standalone", f.files[i]}, f.folder.string()) > 0
                 && waitForTitles(display(), {f.names[i]});
        }
        if (!ok) {
            state.SkipWithError("the FeatherPad windows did not all appear");
            endAll(program);
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
        endAll(program);
    }
}

BENCHMARK(BM_VelmoTenFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FeatherPadOneAfterAnother)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    velmo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto velmoTime = reporter.seconds.find("BM_VelmoTenFiles");
    const auto peerTime = reporter.seconds.find("BM_FeatherPadOneAfterAnother");
    if (velmoTime == reporter.seconds.end() || peerTime == reporter.seconds.end() || peerTime->second <= 0) {
        std::fprintf(stderr, "could not measure the ten windows against FeatherPad: see above\n");
        return 1;
    }
    std::printf("ten windows: Velmo %.0f ms, FeatherPad %.0f ms, ratio %.2f\n", velmoTime->second * 1000,
                peerTime->second * 1000, velmoTime->second / peerTime->second);
    return 0;
}
