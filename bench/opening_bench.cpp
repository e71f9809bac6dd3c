// Opening a document, from starting the program to its window showing the document's first
// screen, and on to the program going idle: Velmo against its peers on the same content in
// alternating rounds. 1.5 MB and 10 MB of Japanese prose, wrapped at the window's edge and
// not wrapped (Shift-JIS for Velmo, the same text in UTF-8 for FeatherPad, which cannot
// read Shift-JIS), and a 2.5 MB formatted RTF written by LibreOffice (Velmo and AbiWord read
// the same file). Every window opens at the same size.
//
// The first screen counts as drawn when, after the window has been mapped and its caption
// names the file (the program has read it), a drawing covering at least a quarter of the
// window reaches the X server (seen through the DAMAGE extension). Idle is the moment the
// program's CPU time last grew before a quiet half second.
//
// Run under an X server without a window manager:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_opening [rounds]
// A figure that cannot be measured (no display, no peer, a program that dies or shows no
// window) is said so on stderr and the program exits non-zero.
#include "support/benchsupport.h"
#include "support/programs.h"
#include "support/rounds.h"
#include "support/samplefiles.h"
#include "support/xwindows.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace velmo::bench;
namespace fs = std::filesystem;

constexpr auto kBound = std::chrono::seconds(180);

// Starts the program on the file, times it to the first screen drawn and to idle, and ends
// it; false after saying why it could not.
bool openOnce(WindowWatcher &watcher, const Programs &programs, const Program &program, const std::string &file,
              bool wrap, double *drawn, double *idle)
{
    watcher.forget();
    const Clock::time_point start = Clock::now();
    const pid_t pid = programs.start(program, file, wrap);
    if (pid < 0)
        return false;
    const Clock::time_point deadline = start + kBound;
    Shown shown;
    Paint painted{};
    Clock::time_point quiet;
    bool ok = watcher.waitShown(pid, fs::path(file).filename().string(), deadline, &shown);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", program.name.c_str(),
                     WindowWatcher::alive(pid) ? "no window naming the file was mapped in time" : "the program died");
    } else if (!(ok = watcher.waitPaint(pid, shown.named, deadline, [&](const xcb_rectangle_t &r) {
                     return WindowWatcher::overlaps(r, shown.frame) && r.width * r.height * 4 >= shown.frame.width * shown.frame.height;
                 }, &painted))) {
        std::fprintf(stderr, "%s: the window was never drawn\n", program.name.c_str());
    } else if (!(ok = WindowWatcher::waitIdle(pid, std::chrono::milliseconds(500), deadline, &quiet))) {
        std::fprintf(stderr, "%s: did not go idle in time\n", program.name.c_str());
    }
    end(pid);
    *drawn = std::chrono::duration<double>(painted.at - start).count();
    *idle = std::chrono::duration<double>(quiet - start).count();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 3;
    if (argc > 1)
        rounds = std::max(1, std::atoi(argv[1]));
    WindowWatcher watcher;
    if (!watcher.ok()) {
        std::fprintf(stderr, "needs an X display with the DAMAGE extension and no window manager: xvfb-run -a %s\n",
                     argv[0]);
        return 2;
    }
    for (const char *peer : {"featherpad", "abiword", "soffice"}) {
        if (!onPath(peer)) {
            std::fprintf(stderr, "%s is not installed: run scripts/benchsetup.sh\n", peer);
            return 2;
        }
    }
    const std::string folder = temporaryFolder("velmo-opening-bench");
    if (folder.empty())
        return 1;
    Programs programs(folder);
    if (!programs.setUpVelmo(VELMO_PROGRAM))
        return 1;

    struct Sample {
        std::string label, velmoFile, peerFile;
        Program peer;
        bool wrap;
    };
    std::vector<Sample> samples;
    for (const auto &[label, bytes] : {std::pair<std::string, std::size_t>{"1.5 MB", 1536u << 10},
                                       std::pair<std::string, std::size_t>{"10 MB", 10u << 20}}) {
        const std::string base = folder + "/prose-" + std::to_string(bytes >> 10) + "k";
        if (!writeTextPair(base + ".txt", base + "-utf8.txt", bytes)) {
            std::fprintf(stderr, "cannot write the text samples\n");
            return 1;
        }
        for (const bool wrap : {true, false})
            samples.push_back({label + " text " + (wrap ? "wrapped" : "unwrapped"), base + ".txt", base + "-utf8.txt",
                               programs.featherPad(), wrap});
    }
    const std::string rtf = libreOfficeRtf(2560u << 10);
    if (rtf.empty())
        return 2;
    samples.push_back({"2.5 MB RTF", rtf, rtf, programs.abiWord(), true});

    const Program velmo = programs.velmo();
    Rounds results;
    std::vector<Contender> contenders;
    for (const Sample &s : samples) {
        for (const bool ours : {true, false}) {
            const std::string name = (ours ? "Velmo " : s.peer.name + " ") + s.label;
            contenders.push_back({name + " drawn", [&, name, ours] {
                                      double drawn = -1, idle = -1;
                                      if (!openOnce(watcher, programs, ours ? velmo : s.peer,
                                                    ours ? s.velmoFile : s.peerFile, s.wrap, &drawn, &idle))
                                          return -1.0;
                                      results.add(name + " idle", idle);
                                      return drawn;
                                  }});
        }
    }
    const bool ok = results.run(contenders, rounds);
    fs::remove_all(folder);
    if (!ok)
        return 1;

    std::printf("%d alternating rounds, windows %dx%d; text: manual-page prose, Shift-JIS for Velmo, UTF-8 for "
                "FeatherPad; RTF: %s (%.1f MB)\n",
                rounds, kWindowWidth, kWindowHeight, rtf.c_str(), double(fs::file_size(rtf)) / 1e6);
    std::printf("%-52s %13s %13s\n", "", "Velmo", "peer");
    for (const Sample &s : samples) {
        results.printRatio(s.label + ", first screen drawn (" + s.peer.name + ")", "Velmo " + s.label + " drawn",
                           s.peer.name + " " + s.label + " drawn");
        results.printRatio(s.label + ", program idle (" + s.peer.name + ")", "Velmo " + s.label + " idle",
                           s.peer.name + " " + s.label + " idle");
    }
    return 0;
}
