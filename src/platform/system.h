// Facts about the running program that other parts derive their files from: the program's
// own path and the settings file beside it.
#pragma once

#include <QString>

#include <utility>

namespace velmo {

class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // Absolute path of the running program.
    virtual QString programPath() const = 0;
    // The settings file: the program's path with its extension replaced by ".ini".
    QString settingsFilePath() const { return withExtension(programPath(), QStringLiteral(".ini")); }
    // The program's path with its extension (if any) replaced by `extension` (".rtf",
    // ".html"); used for the companion files beside the program.
    static QString withExtension(const QString &path, const QString &extension);
};

class ProcessSystemInfo : public SystemInfo {
public:
    QString programPath() const override; // QCoreApplication::applicationFilePath
};

} // namespace velmo
