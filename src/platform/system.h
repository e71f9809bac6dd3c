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

// Test double: a program path of the test's choosing (usually inside a temporary folder).
class FixedSystemInfo : public SystemInfo {
public:
    explicit FixedSystemInfo(QString programPath) : path_(std::move(programPath)) {}
    QString programPath() const override { return path_; }

private:
    QString path_;
};

} // namespace velmo
