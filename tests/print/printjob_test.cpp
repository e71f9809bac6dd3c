// Documents printed to real PDF files through the PDF printer, read back with poppler:
// pagination, margins, wrapping and the jobs that must end with an error.
#include "print/pdfreader.h"

#include "editor/punctuation.h"
#include "editor/wordwrapoption.h"
#include "platform/printers.h"
#include "doubles/fixedscreen.h"
#include "platform/screen.h"
#include "print/printjob.h"
#include "settings/pagesetup.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <cmath>

#include <gtest/gtest.h>

namespace velmo {
namespace {

using test::pdfPages;
using test::pdfWords;

constexpr double kA4WidthPt = 595.28;
constexpr double kA4HeightPt = 841.89;

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    static QFont font()
    {
        QFont f(QStringLiteral("IPAGothic"));
        f.setPointSizeF(10.5);
        return f;
    }

    // A plain document in the print font, one paragraph per line.
    static std::unique_ptr<QTextDocument> document(const QString &text)
    {
        auto doc = std::make_unique<QTextDocument>();
        doc->setDefaultFont(font());
        doc->setPlainText(text);
        return doc;
    }

    // The page rectangle the window uses for these margins on the PDF printer.
    QRect pageRect(TMarginRect margins = {20, 20, 20, 20})
    {
        FixedScreen screen;
        TPageSetup page(pdf, screen);
        page.Margins = margins;
        page.Recompute();
        EXPECT_FALSE(page.PrinterUnavailable);
        const TMarginRect &r = page.PrintRect;
        return printableRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top),
                             QRect(page.OffsetX, page.OffsetY, page.PageWidthDots, page.PageHeightDots));
    }

    static editor::BreakRules rules()
    {
        // As a fresh editor has them: words kept whole, punctuation allowed to hang.
        return editor::breakRulesFor(editor::kPunctuationLevel1 | WBF_WORDWRAP | WBF_WORDBREAK | WBF_OVERFLOW, {});
    }

    // Prints the document; the PDF's path, empty when the job did not end in one.
    QString print(const QTextDocument &doc, const QRect &rect, PrintOutcome *outcome = nullptr)
    {
        JobStart start = pdf.startJob(QStringLiteral("doc.txt"), dir.filePath("doc.txt"));
        EXPECT_TRUE(start.job);
        if (!start.job)
            return {};
        const PrintOutcome result = printDocument(doc, rules(), *start.job, rect);
        if (outcome)
            *outcome = result;
        if (result.result != PrintOutcome::Printed) {
            start.job->abort();
            return {};
        }
        EXPECT_TRUE(start.job->finish());
        return start.job->outputFile();
    }

    // Lines of the font a page rectangle of that height holds.
    int linesPerPage(const QRect &rect)
    {
        const QFontMetricsF metrics(font(), pdf.printer());
        return int(std::floor(rect.height() / (metrics.ascent() + metrics.descent())));
    }

    QTemporaryDir dir;
    SystemPrinters pdf{false};
};

TEST_F(PrintJobTest, NumberedLinesFillThePagesInOrderWithoutABlankLastPage)
{
    const QRect rect = pageRect();
    const int perPage = linesPerPage(rect);
    ASSERT_GT(perPage, 20);
    struct Case {
        const char *name;
        int lines;
        bool trailingLineEnd;
        int pages;
    } cases[] = {
        {"300 lines", 300, false, (300 + perPage - 1) / perPage},
        {"two pages filled exactly, then a line end", 2 * perPage, true, 2},
        {"one line more than a page", perPage + 1, true, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList lines;
        for (int i = 1; i <= c.lines; ++i)
            lines << QStringLiteral("Line%1").arg(i, 3, 10, QLatin1Char('0'));
        const auto doc = document(lines.join(u'\n') + (c.trailingLineEnd ? QStringLiteral("\n") : QString()));
        const QString file = print(*doc, rect);
        ASSERT_FALSE(file.isEmpty());
        EXPECT_EQ(pdfPages(file), c.pages);
        const auto pages = pdfWords(file);
        ASSERT_EQ(int(pages.size()), c.pages);
        QStringList seen;
        for (const auto &page : pages) {
            EXPECT_FALSE(page.words.empty()); // no blank page
            for (const auto &word : page.words)
                seen << word.text;
        }
        EXPECT_EQ(seen, lines);
        QFile::remove(file);
    }
}

TEST_F(PrintJobTest, TextStaysBetweenTheMarginsAtTwentyFourMillimetresToTheInch)
{
    // 20 mm at 24 mm to the inch is 60 pt; 30 mm is 90 pt.
    struct Case {
        TMarginRect margins;
        double left, right, top;
    } cases[] = {
        {{20, 20, 20, 20}, 60, kA4WidthPt - 60, 60},
        {{30, 12, 45, 20}, 90, kA4WidthPt - 135, 36},
    };
    // One long paragraph, no line ends: it prints wrapped.
    QStringList words;
    for (int i = 1; i <= 400; ++i)
        words << QStringLiteral("w%1").arg(i);
    const auto doc = document(words.join(u' '));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.left);
        const QString file = print(*doc, pageRect(c.margins));
        ASSERT_FALSE(file.isEmpty());
        const auto pages = pdfWords(file);
        ASSERT_FALSE(pages.empty());
        QStringList seen;
        double leftmost = 1e9, rightmost = 0, topmost = 1e9;
        std::vector<double> lineTops;
        for (const auto &page : pages)
            for (const auto &word : page.words) {
                seen << word.text;
                leftmost = std::min(leftmost, word.xMin);
                rightmost = std::max(rightmost, word.xMax);
                topmost = std::min(topmost, word.yMin);
                if (lineTops.empty() || std::abs(lineTops.back() - word.yMin) > 1)
                    lineTops.push_back(word.yMin);
            }
        EXPECT_EQ(seen, words);
        EXPECT_NEAR(leftmost, c.left, 1.0);
        EXPECT_LE(rightmost, c.right + 0.5);
        EXPECT_GT(rightmost, c.right - 40); // lines run out to the margin, not short
        EXPECT_GE(topmost, c.top - 0.5);
        EXPECT_GT(lineTops.size(), 10u); // wrapped into many lines
        QFile::remove(file);
    }
}

TEST_F(PrintJobTest, AFullStopAtTheEdgeDoesNotStartTheNextLine)
{
    const QRect rect = pageRect();
    const QFontMetricsF metrics(font(), pdf.printer());
    // Exactly as many ideographs as fill a line, then "。": it may not begin the next one.
    const int fit = int(std::floor(rect.width() / metrics.horizontalAdvance(QChar(0x3042))));
    const QString line = QString(fit, QChar(0x3042)) + QChar(0x3002) + QString(5, QChar(0x3044));
    const auto doc = document(line);
    const QString file = print(*doc, rect);
    ASSERT_FALSE(file.isEmpty());
    QStringList printed = test::pdfText(file).split(u'\n', Qt::SkipEmptyParts);
    for (QString &l : printed)
        l = l.trimmed();
    printed.removeAll(QString());
    ASSERT_GE(printed.size(), 2);
    EXPECT_EQ(printed.join(QString()), line);
    for (const QString &l : printed)
        EXPECT_FALSE(l.startsWith(QChar(0x3002))) << l.toStdString();
}

TEST_F(PrintJobTest, APageOnWhichNothingFitsEndsTheJob)
{
    const auto doc = document(QStringLiteral("one\ntwo\nthree"));
    struct Case {
        const char *name;
        QRect rect;
    } cases[] = {
        {"shorter than a line", QRect(1000, 1000, 4000, 20)},
        {"no height", QRect(1000, 1000, 4000, 0)},
        {"negative width", QRect(1000, 1000, -5, 4000)},
        {"margins wider than the sheet", pageRect({150, 20, 150, 20})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrintOutcome outcome;
        EXPECT_TRUE(print(*doc, c.rect, &outcome).isEmpty());
        EXPECT_EQ(outcome.result, PrintOutcome::NothingFits);
        EXPECT_EQ(outcome.pages, 1);
    }
    // The failed jobs left no file behind.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// A document of a line, a picture shown at width x height screen pixels, and a line.
std::unique_ptr<QTextDocument> pictureDocument(int width, int height)
{
    auto doc = std::make_unique<QTextDocument>();
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    doc->addResource(QTextDocument::ImageResource, QUrl("velmo-picture:test"), image);
    QTextCursor cursor(doc.get());
    cursor.insertText("before\n");
    QTextImageFormat picture;
    picture.setName("velmo-picture:test");
    picture.setWidth(width);
    picture.setHeight(height);
    cursor.insertImage(picture);
    cursor.insertText("\nafter");
    return doc;
}

TEST_F(PrintJobTest, PicturesPrintAtTheirSizeAndATallerOneThanThePageEndsTheJob)
{
    // 192 x 96 screen pixels are 2 x 1 inches on paper.
    const QString file = print(*pictureDocument(192, 96), pageRect());
    ASSERT_FALSE(file.isEmpty());
    const QString images = test::runTool("pdfimages", {"-list", file});
    const QStringList rows = images.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3) << images.toStdString(); // two heading lines, one picture
    const QStringList fields = rows[2].simplified().split(u' ');
    ASSERT_GT(fields.size(), 13);
    EXPECT_EQ(fields[3], "64");                // the picture's own pixels
    EXPECT_NEAR(fields[12].toDouble(), 32, 1); // 64 pixels over 2 inches
    EXPECT_NEAR(fields[13].toDouble(), 32, 1); // 32 pixels over 1 inch
    const auto pages = pdfWords(file);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].words.size(), 2u);
    EXPECT_NEAR(pages[0].words[1].yMin - pages[0].words[0].yMax, 72, 8); // the picture between

    // A picture taller than the page rectangle fits on no page.
    PrintOutcome outcome;
    EXPECT_TRUE(print(*pictureDocument(192, 96 * 20), pageRect(), &outcome).isEmpty());
    EXPECT_EQ(outcome.result, PrintOutcome::NothingFits);
}

TEST_F(PrintJobTest, ThePageRectangleIsKeptToThePrintableArea)
{
    const QRect printable(100, 100, 4760, 6816);
    EXPECT_EQ(printableRect(QRect(50, 500, 4000, 7000), printable), QRect(100, 500, 3950, 6416));
    EXPECT_EQ(printableRect(QRect(500, 500, 3960, 6016), printable), QRect(500, 500, 3960, 6016));
    EXPECT_TRUE(printableRect(QRect(5000, 500, 100, 100), printable).isEmpty());
    EXPECT_TRUE(printableRect(QRect(500, 500, -10, 100), printable).isEmpty());
}

TEST_F(PrintJobTest, PdfFilesAreNumberedAndNeverOverwritten)
{
    QFile existing(dir.filePath("doc.pdf"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    const auto doc = document(QStringLiteral("text"));
    const QString second = print(*doc, pageRect());
    const QString third = print(*doc, pageRect());
    EXPECT_EQ(second, dir.filePath("doc (2).pdf"));
    EXPECT_EQ(third, dir.filePath("doc (3).pdf"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
    EXPECT_EQ(test::pdfInfo(second, QStringLiteral("Title")), "doc.txt");
}

} // namespace
} // namespace velmo
