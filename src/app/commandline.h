// The command line of an editor window: the switches it understands and the launch line one
// window builds for the next. Pure functions, so the rules can be checked without a window.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace velmo {

// What a command line asks of a starting window.
struct CommandLine {
    QStringList files;            // documents to open, in the order given
    bool printOnStart = false;    // /P
    bool readOnly = false;        // /R, and only when at least one file is named
    std::optional<qint32> owner;  // /Owner=<handle>: report to this window once idle
    std::optional<qint32> left, top, width, height; // placement overriding [Window]
    // Placement switches whose value is not an integer, as "'value' は整数ではありません".
    // The switch is dropped and start-up goes on with the placement of the settings file.
    QStringList errors;
};

// Reads the arguments (without the program name) the way a starting window does: /P /R /N
// (also written with '-') in any case, then /Owner= /Left= /Top= /Width= /Height=, each
// taken from the first entry of that name; everything else is a file.
CommandLine ParseCommandLine(const QStringList &arguments);

// The integer forms a switch value may take: optional blanks and sign, decimal, or hex after
// '$' or "0x". Empty when the text is not such a number or does not fit 32 bits.
std::optional<qint32> ParseSwitchInteger(const QString &text);

// True when ParseCommandLine would take the argument for a switch rather than a file.
bool IsSwitchLike(const QString &argument);

// The launch line for a window that is to open `path` (the parameters only, without the
// program): /Owner=h /Left=x /Top=y /Width=w /Height=h "path" [/r]. The path is quoted and
// escaped (quoteLaunchArgument), and a path that reads like a switch is written as another
// name of the same file, so that the new window opens exactly that one file.
QString BuildLaunchLine(qint32 owner, int left, int top, int width, int height,
                        const QString &path, bool readOnly);

} // namespace velmo
