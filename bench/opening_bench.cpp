// Opening a document to a shown window, and on to the program going idle, Velmo against its
// peers on the same content in alternating rounds: 1.5 MB and 10 MB of Japanese prose
// (Shift-JIS for Velmo, the same text in UTF-8 for FeatherPad, which cannot read
// Shift-JIS) and a 2.5 MB formatted RTF written by LibreOffice (Velmo and AbiWord read the
// same file). The window counts as shown when the X server has mapped it and its caption
// names the file (the program has read it; both seen as X events); idle is the moment the
// program's CPU time last grew before a quiet half second.
// Run under an X server without a window manager: xvfb-run -a build/bench_opening [rounds]
#include "support/benchsupport.h"
#include "support/rounds.h"
#include "support/samplefiles.h"
#include "support/xwindows.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using velmo::bench::Clock;
namespace fs = std::filesystem;

struct Program {
    std::string name;
    std::vector<std::string> argv; // the file is appended
};

// Starts the program on the file with its own home (no settings or sessions of earlier
// runs), times it to the mapped window and to idle, and ends it.
bool openOnce(velmo::bench::WindowWatcher &watcher, const Program &program, const std::string &file,
              const std::string &home, double *mapped, double *idle)
{
    std::vector<std::string> args = program.argv;
    args.push_back(file);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("HOME=", 0) && entry.rfind("XDG_CONFIG_HOME=", 0) && entry.rfind("XDG_DATA_HOME=", 0))
            env.push_back(entry);
    }
    env.push_back("HOME=" + home);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    watcher.forget();
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned) {
        std::fprintf(stderr, "%s: cannot start %s\n", program.name.c_str(), argv[0]);
        return false;
    }
    Clock::time_point shown, quiet;
    const Clock::time_point deadline = start + std::chrono::seconds(120);
    Clock::time_point mappedAt;
    bool ok = watcher.waitShown(pid, fs::path(file).filename().string(), deadline, &mappedAt, &shown);
    if (!ok)
        std::fprintf(stderr, "%s: no window named %s was mapped\n", program.name.c_str(), file.c_str());
    else if (!(ok = velmo::bench::WindowWatcher::waitIdle(pid, std::chrono::milliseconds(500), deadline, &quiet)))
        std::fprintf(stderr, "%s: did not go idle within the deadline\n", program.name.c_str());
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    *mapped = std::chrono::duration<double>(shown - start).count();
    *idle = std::chrono::duration<double>(quiet - start).count();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 3;
    if (argc > 1)
        rounds = std::max(1, std::atoi(argv[1]));
    velmo::bench::WindowWatcher watcher;
    if (!watcher.ok()) {
        std::fprintf(stderr, "needs an X display without a window manager: xvfb-run -a %s\n", argv[0]);
        return 2;
    }
    for (const char *peer : {"featherpad", "abiword"}) {
        if (!velmo::bench::onPath(peer)) {
            std::fprintf(stderr, "%s is not installed: run scripts/benchsetup.sh\n", peer);
            return 2;
        }
    }
    char folderTemplate[] = "/tmp/velmo-windows-bench-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string folder = folderTemplate;
    // A copy of Velmo with a settings file of its own, so that this is not a first start
    // (which would open the guide instead of the file).
    fs::create_directories(folder + "/program");
    fs::create_directories(folder + "/home");
    const std::string velmo = folder + "/program/velmo";
    fs::copy_file(VELMO_PROGRAM, velmo);
    velmo::bench::writeFile(folder + "/program/velmo.ini", "[Velmo]\r\nVersion=2.66\r\n");

    struct Sample {
        std::string label, velmoFile, peerFile;
        Program peer;
    };
    std::vector<Sample> samples;
    for (const auto &[label, bytes] : {std::pair<std::string, std::size_t>{"1.5 MB", 1536u << 10},
                                       std::pair<std::string, std::size_t>{"10 MB", 10u << 20}}) {
        const std::string base = folder + "/prose-" + std::to_string(bytes >> 10) + "k";
        if (!velmo::bench::writeTextPair(base + ".txt", base + "-utf8.txt", bytes)) {
            std::fprintf(stderr, "cannot write the text samples\n");
            return 1;
        }
        samples.push_back({label + " text", base + ".txt", base + "-utf8.txt",
                           {"FeatherPad", {"featherpad", "--standalone"}}});
    }
    const std::string rtf = velmo::bench::libreOfficeRtf(2560u << 10);
    if (rtf.empty())
        return 2;
    samples.push_back({"2.5 MB RTF", rtf, rtf, {"AbiWord", {"abiword"}}});

    const Program velmoProgram{"Velmo", {velmo}};
    velmo::bench::Rounds results;
    std::vector<velmo::bench::Contender> contenders;
    for (const Sample &s : samples) {
        for (const bool ours : {true, false}) {
            const std::string name = (ours ? "Velmo " : s.peer.name + " ") + s.label;
            contenders.push_back({name + " shown", [&, name, ours] {
                                      double mapped = -1, idle = -1;
                                      if (!openOnce(watcher, ours ? velmoProgram : s.peer,
                                                    ours ? s.velmoFile : s.peerFile, folder + "/home", &mapped, &idle))
                                          return -1.0;
                                      results.add(name + " idle", idle);
                                      return mapped;
                                  }});
        }
    }
    const bool ok = results.run(contenders, rounds);
    fs::remove_all(folder);
    if (!ok)
        return 1;

    std::printf("%d alternating rounds; text: manual-page prose, Shift-JIS for Velmo, UTF-8 for FeatherPad\n",
                rounds);
    std::printf("%-52s %13s %13s\n", "", "Velmo", "peer");
    for (const Sample &s : samples) {
        for (const char *moment : {" shown", " idle"}) {
            results.printRatio(s.label + " to the window" + moment + " vs " + s.peer.name,
                               "Velmo " + s.label + moment, s.peer.name + " " + s.label + moment);
        }
    }
    return 0;
}
