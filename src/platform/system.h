// Facts about the running program that other parts derive their files from: the program's
// own path, the settings file and the companion files (the first-start guide, the help page).
#pragma once

#include <QString>

#include <utility>

namespace velmo {

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // Absolute path of the running program.
    virtual QString programPath() const = 0;
    // The settings file, the guide opened on the first start (RTF) and the help page (HTML):
    // by default the program's path with its extension replaced by ".ini", ".rtf", ".html".
    virtual QString settingsFilePath() const { return withExtension(programPath(), QStringLiteral(".ini")); }
    virtual QString guideFilePath() const { return withExtension(programPath(), QStringLiteral(".rtf")); }
    virtual QString helpFilePath() const { return withExtension(programPath(), QStringLiteral(".html")); }
    // The program's path with its extension (if any) replaced by `extension` (".rtf",
    // ".html"); used for the companion files beside the program.
    static QString withExtension(const QString &path, const QString &extension);
};

// Where the companion files of a program at programPath are. A program run where it was built
// keeps them beside itself. An installed one cannot write beside itself: it is installed when
// its folder is not writable, or when it sits in <prefix>/bin with its data in
// <prefix>/share/velmo (so also for root, who may write anywhere). It then keeps its
// settings in <configHome>/velmo/velmo.ini and reads the guide and the help page from
// <prefix>/share/velmo.
struct ProgramFiles {
    QString settings;
    QString guide;
    QString help;
    bool installed = false;
};
ProgramFiles programFilesFor(const QString &programPath, bool folderWritable, const QString &configHome);

class ProcessSystemInfo : public SystemInfo {
public:
    ProcessSystemInfo();
    QString programPath() const override; // QCoreApplication::applicationFilePath
    // As programFilesFor says, with $XDG_CONFIG_HOME (or ~/.config); the settings folder of an
    // installed program is made when missing.
    QString settingsFilePath() const override { return files_.settings; }
    QString guideFilePath() const override { return files_.guide; }
    QString helpFilePath() const override { return files_.help; }

private:
    ProgramFiles files_;
};

} // namespace velmo
