// Starting the programs the window benchmarks compare, each with a home folder of its own
// (no settings, sessions or history of earlier runs) and the same window size: Velmo as a
// copy of the built program with its settings file beside it (so that a start is not a
// first start, which would open the guide instead of the file), FeatherPad with its
// configuration file in the private home, AbiWord with its geometry on the command line.
#pragma once

#include "samplefiles.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace velmo::bench {

// The size every window opens at, so that each program has as much to draw.
constexpr int kWindowWidth = 632;
constexpr int kWindowHeight = 900;

struct Program {
    std::string name;
    std::vector<std::string> argv; // the file is appended
    // Writes the program's settings (wrap on or off) before each start; may be empty.
    std::function<bool(bool wrap)> prepare;
};

// Starts argv with HOME (and the XDG folders under it) set to `home`, on the display (never
// Qt's offscreen platform) and its output thrown away; the process id, or -1 after saying
// why not.
inline pid_t launch(const std::vector<std::string> &args, const std::string &home)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("HOME=", 0) && entry.rfind("XDG_CONFIG_HOME=", 0) && entry.rfind("XDG_DATA_HOME=", 0)
            && entry.rfind("XDG_CACHE_HOME=", 0) && entry.rfind("QT_QPA_PLATFORM=", 0))
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
    pid_t pid = -1;
    const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return -1;
    }
    return pid;
}

inline void end(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// The programs, set up under `folder` (a temporary folder the caller removes).
class Programs {
public:
    explicit Programs(const std::string &folder) : m_folder(folder)
    {
        std::filesystem::create_directories(folder + "/program");
        m_velmoHome = folder + "/velmo-home";
        m_featherPadHome = folder + "/featherpad-home";
        m_abiWordHome = folder + "/abiword-home";
        for (const std::string &home : {m_velmoHome, m_featherPadHome, m_abiWordHome})
            std::filesystem::create_directories(home);
    }

    // False after saying why when the program cannot be copied.
    bool setUpVelmo(const std::string &built)
    {
        std::error_code error;
        std::filesystem::copy_file(built, velmoPath(), std::filesystem::copy_options::overwrite_existing, error);
        if (error)
            std::fprintf(stderr, "cannot copy %s: %s\n", built.c_str(), error.message().c_str());
        return !error;
    }

    std::string velmoPath() const { return m_folder + "/program/velmo"; }

    Program velmo() const
    {
        const std::string settings = m_folder + "/program/velmo.ini";
        return {"Velmo",
                {velmoPath(), "/Left=0", "/Top=0", "/Width=" + std::to_string(kWindowWidth),
                 "/Height=" + std::to_string(kWindowHeight)},
                [settings](bool wrap) {
                    // Written afresh before each start: the windows it registers and the
                    // history it keeps are those of one start only.
                    std::string ini = "[Velmo]\r\nVersion=2.66\r\n";
                    if (!wrap)
                        ini += "[TextModeFonts]\r\nWordWrapMode=0\r\n[RichTextFonts]\r\nWordWrapMode=0\r\n";
                    return writeFile(settings, ini);
                }};
    }

    // FeatherPad in the text face and size Velmo's text mode uses, with its caret position
    // in the status bar as Velmo has it.
    Program featherPad() const
    {
        const std::string config = m_featherPadHome + "/.config/featherpad";
        const std::string size = "@Size(" + std::to_string(kWindowWidth) + " " + std::to_string(kWindowHeight) + ")";
        return {"FeatherPad",
                {"featherpad", "--standalone"},
                [config, size](bool wrap) {
                    std::filesystem::remove_all(config);
                    std::filesystem::create_directories(config);
                    return writeFile(config + "/fp.conf",
                                     std::string("[text]\nfont=\"IPAGothic,10,-1,5,50,0,0,0,0,0\"\nnoWrap=")
                                         + (wrap ? "false" : "true") + "\n\n[window]\nsize=" + size
                                         + "\nstartSize=" + size + "\nshowStatusbar=true\nshowCursorPos=true\n");
                }};
    }

    Program abiWord() const
    {
        const std::string home = m_abiWordHome;
        return {"AbiWord",
                {"abiword", "--geometry=" + std::to_string(kWindowWidth) + "x" + std::to_string(kWindowHeight) + "+0+0"},
                [home](bool) {
                    std::filesystem::remove_all(home);
                    std::filesystem::create_directories(home);
                    return true;
                }};
    }

    std::string home(const Program &program) const
    {
        return program.name == "Velmo" ? m_velmoHome : program.name == "FeatherPad" ? m_featherPadHome : m_abiWordHome;
    }

    // Starts `program` on `file`; -1 after saying why not.
    pid_t start(const Program &program, const std::string &file, bool wrap) const
    {
        if (program.prepare && !program.prepare(wrap)) {
            std::fprintf(stderr, "%s: cannot write its settings\n", program.name.c_str());
            return -1;
        }
        std::vector<std::string> args = program.argv;
        args.push_back(file);
        return launch(args, home(program));
    }

private:
    std::string m_folder, m_velmoHome, m_featherPadHome, m_abiWordHome;
};

// A fresh temporary folder, or empty after saying why not.
inline std::string temporaryFolder(const char *stem)
{
    std::string name = std::string("/tmp/") + stem + "-XXXXXX";
    if (!mkdtemp(name.data())) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return {};
    }
    return name;
}

} // namespace velmo::bench
