// A settings file in a fresh temporary folder, read and written as raw bytes.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace velmo::test {

class TempIni {
public:
    TempIni() { EXPECT_TRUE(dir_.isValid()); }
    QString path() const { return dir_.filePath(QStringLiteral("velmo.ini")); }
    QString folder() const { return dir_.path(); }
    void write(const std::string &bytes) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), qint64(bytes.size()));
    }
    std::string read() const
    {
        QFile f(path());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().toStdString();
    }
    bool exists() const { return QFile::exists(path()); }

private:
    QTemporaryDir dir_;
};

// Turns "a\nb\n" into "a\r\nb\r\n": expected files are easier to read without the CRs.
inline std::string crlf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace velmo::test
