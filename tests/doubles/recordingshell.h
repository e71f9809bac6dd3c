// A shell that opens nothing and remembers what it was asked to open.
#pragma once

#include "platform/shell.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

namespace velmo {

// Test double: records every call; nothing is ever opened.
class RecordingShell : public Shell {
public:
    explicit RecordingShell(QString tempFolder = QString()) : temp_(std::move(tempFolder)) {}

    void setTempFolder(const QString &folder) { temp_ = folder; }
    void setOpenResult(bool ok) { openResult_ = ok; }

    const QStringList &opened() const { return opened_; }
    const QList<QUrl> &addresses() const { return addresses_; }

    QString tempFolder() override;
    bool openDocument(const QString &pathOrUrl) override;
    bool openAddress(const QUrl &address) override;

private:
    QString temp_;
    bool openResult_ = true;
    QStringList opened_;
    QList<QUrl> addresses_;
};

} // namespace velmo
