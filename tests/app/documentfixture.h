// A shown window with a later start's settings, and real files in its temporary folder, for
// the tests of opening, saving and the editing modes.
#pragma once

#include "mainformfixture.h"

#include <QFile>

namespace velmo::testing {

class DocumentFixture : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeSettings();
        form = start();
    }
    void TearDown() override
    {
        if (form) {
            // Closed without the save question or a settings write.
            form->ClosingOnRequest = true;
            form->RichEdit->SetModified(false);
            form->close();
        }
        MainFormFixture::TearDown();
    }

    QString put(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QByteArray bytesOf(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<TMainForm> form;
};

} // namespace velmo::testing
