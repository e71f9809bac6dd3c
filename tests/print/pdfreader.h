// What a printed PDF holds, as poppler's pdfinfo and pdftotext read it back.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace velmo::test {

struct PdfWord {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0; // points from the sheet's top left corner
};

struct PdfPage {
    std::vector<PdfWord> words;
};

inline QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A field of pdfinfo's report ("Pages", "Title"); empty when missing.
inline QString pdfInfo(const QString &file, const QString &field)
{
    const QString report = runTool(QStringLiteral("pdfinfo"), {file});
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    const auto match = line.match(report);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

inline int pdfPages(const QString &file) { return pdfInfo(file, QStringLiteral("Pages")).toInt(); }

// Every word with its box, page by page (pdftotext -bbox).
inline std::vector<PdfPage> pdfWords(const QString &file)
{
    const QString html = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    std::vector<PdfPage> pages;
    static const QRegularExpression token(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = token.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            pages.emplace_back();
            continue;
        }
        if (pages.empty())
            pages.emplace_back();
        pages.back().words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                                      m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return pages;
}

// The text in reading order with its line breaks (pdftotext -layout).
inline QString pdfText(const QString &file)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

} // namespace velmo::test
