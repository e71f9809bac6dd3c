// What Velmo asks of the desktop shell: the temporary folder, removing a folder with its
// contents, and handing a help page or an address to the desktop's opener.
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace velmo {

class Shell {
public:
    virtual ~Shell() = default;

    // The user's temporary folder, ending with a separator.
    virtual QString tempFolder() = 0;
    // Deletes the folder and everything in it, without asking and without the trash.
    // True when the folder no longer exists afterwards (also when it never did).
    virtual bool deleteFolder(const QString &path) = 0;
    // Opens a local file (absolute path) or an address (http:, mailto:, file: ...) with the
    // program the desktop associates with it. False when no opener could be started.
    virtual bool openDocument(const QString &pathOrUrl) = 0;
};

// The real shell: QDir, QStandardPaths and QDesktopServices (xdg-open).
class DesktopShell : public Shell {
public:
    QString tempFolder() override;
    bool deleteFolder(const QString &path) override;
    bool openDocument(const QString &pathOrUrl) override;
};

// Test double: records every call. Folders are really deleted unless deletes are set to
// fail; nothing is ever opened.
class RecordingShell : public Shell {
public:
    explicit RecordingShell(QString tempFolder = QString()) : temp_(std::move(tempFolder)) {}

    void setTempFolder(const QString &folder) { temp_ = folder; }
    void setDeleteFails(bool fails) { deleteFails_ = fails; }
    void setOpenResult(bool ok) { openResult_ = ok; }

    const QStringList &deletedFolders() const { return deleted_; }
    const QStringList &opened() const { return opened_; }

    QString tempFolder() override;
    bool deleteFolder(const QString &path) override;
    bool openDocument(const QString &pathOrUrl) override;

private:
    QString temp_;
    bool deleteFails_ = false;
    bool openResult_ = true;
    QStringList deleted_;
    QStringList opened_;
};

} // namespace velmo
