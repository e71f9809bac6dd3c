// What Velmo asks of the desktop shell: the temporary folder and handing a help page or an
// address to the desktop's opener. (Removing folders is the file system's: filesystem.h.)
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>
#include <vector>

namespace velmo {

class Shell {
public:
    virtual ~Shell() = default;

    // The user's temporary folder, ending with a separator.
    virtual QString tempFolder() = 0;
    // Opens a local file (absolute path) or an address (http:, mailto:, file: ...) with the
    // program the desktop associates with it. False when no opener could be started.
    virtual bool openDocument(const QString &pathOrUrl) = 0;
    // Hands an address found in a document to the desktop's opener as it is: no shell and
    // no program is started by Velmo itself. False when the desktop could not open it.
    virtual bool openAddress(const QUrl &address) = 0;
};

// The real shell: QDir, QStandardPaths and QDesktopServices (xdg-open).
class DesktopShell : public Shell {
public:
    QString tempFolder() override;
    bool openDocument(const QString &pathOrUrl) override;
    bool openAddress(const QUrl &address) override;
};

} // namespace velmo
