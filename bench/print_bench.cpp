// Pages per second printing a formatted Japanese RTF document of about 200 pages to PDF.
//   VelmoPrintPdf     the print job: layout at the printer's resolution, line breaking and
//                     PDF output through the PDF printer (the document already loaded)
//   LibreOfficePdf    soffice --headless --convert-to pdf on the same RTF file: the baseline
//                     (a whole process: start-up, import, layout, export)
#include "editor/punctuation.h"
#include "editor/richedit.h"
#include "editor/wordwrapoption.h"
#include "platform/cp932codec.h"
#include "platform/printers.h"
#include "print/printjob.h"
#include "support/benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <memory>

using namespace velmo;

namespace {

QTemporaryDir *workDir = nullptr;
QString rtfFile;
int velmoPages = 0;
int officePages = 0;

QByteArray escaped(const std::u16string &text)
{
    QByteArray out;
    for (unsigned char c : cp932::encode(text).bytes)
        out += c < 0x80 ? QByteArray(1, char(c)) : "\\'" + QByteArray::number(c, 16);
    return out;
}

// `paragraphs` paragraphs of Japanese prose with bold, italic, coloured and resized runs.
QByteArray makeRtf(int paragraphs)
{
    const QByteArray cat = escaped(u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    const QByteArray dark = escaped(u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。");
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
                     + escaped(u"ＭＳ 明朝") + ";}{\\f1\\fswiss Arial;}}"
                     "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\n";
    for (int n = 0; n < paragraphs; ++n)
        rtf += "\\pard\\q" + QByteArray(n % 3 == 0 ? "l" : n % 3 == 1 ? "c" : "r") + "\\li"
               + QByteArray::number(n % 5 * 240) + "\\f0\\fs21 " + cat + "{\\b\\cf1 " + dark
               + "}{\\i\\fs28 " + cat + "}{\\ul\\cf2\\f1 Arial " + QByteArray::number(n) + "}\\par\n";
    return rtf + "}";
}

TRichEdit &editor()
{
    static TRichEdit *edit = new TRichEdit;
    return *edit;
}

SystemPrinters &printers()
{
    static SystemPrinters pdf(false);
    return pdf;
}

// A4 with 20 mm margins at 24 mm to the inch, on the PDF printer (1200 dpi, no border).
QRect pageRect()
{
    const int dpi = printers().currentGeometry()->resolutionX;
    const int margin = 20 * dpi / 24;
    const auto g = *printers().currentGeometry();
    return QRect(margin, margin, g.paperWidthDots - 2 * margin, g.paperHeightDots - 2 * margin);
}

int printOnce()
{
    JobStart start = printers().startJob(QStringLiteral("bench.rtf"), rtfFile);
    if (!start.job)
        return -1;
    const PrintOutcome outcome = printDocument(*editor().document(),
                                               editor::breakRulesFor(editor::kPunctuationLevel1 | WBF_WORDWRAP, {}),
                                               *start.job, pageRect());
    if (outcome.result != PrintOutcome::Printed || !start.job->finish())
        return -1;
    QFile::remove(start.job->outputFile());
    return outcome.pages;
}

void load(int paragraphs)
{
    const QByteArray bytes = makeRtf(paragraphs);
    QFile file(rtfFile);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    editor().SetPlainText(false);
    editor().LoadFromStream(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void VelmoPrintPdf(benchmark::State &state)
{
    for (auto _ : state) {
        velmoPages = printOnce();
        if (velmoPages <= 0) {
            state.SkipWithError("the print job failed");
            break;
        }
    }
    state.counters["pages"] = velmoPages;
}

void LibreOfficePdf(benchmark::State &state)
{
    if (!bench::onPath("soffice")) {
        state.SkipWithError("soffice is not installed");
        return;
    }
    const std::string out = workDir->filePath(QStringLiteral("office")).toStdString();
    // A profile of its own, so that a running office does not take the job over.
    const std::string profile = "-env:UserInstallation=file://" + workDir->filePath(QStringLiteral("profile")).toStdString();
    bench::timeProcess(state, {"soffice", profile, "--headless", "--convert-to", "pdf", "--outdir", out,
                               rtfFile.toStdString()});
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {QDir(QString::fromStdString(out)).filePath(QStringLiteral("bench.pdf"))});
    info.waitForFinished();
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s*(\\d+)")).match(QString::fromUtf8(info.readAllStandardOutput()));
    officePages = m.hasMatch() ? m.captured(1).toInt() : 0;
    state.counters["pages"] = officePages;
}

} // namespace

BENCHMARK(VelmoPrintPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(LibreOfficePdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    rtfFile = dir.filePath(QStringLiteral("bench.rtf"));
    // Calibrate the paragraph count to about 200 pages on Velmo's page.
    load(400);
    const int calibration = printOnce();
    const int paragraphs = calibration > 0 ? 400 * 200 / calibration : 4000;
    load(paragraphs);
    // One untimed run each, so that fonts and the office's first start are not timed.
    printOnce();
    if (bench::onPath("soffice"))
        QProcess::execute(QStringLiteral("soffice"),
                          {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                           QStringLiteral("--outdir"), dir.filePath(QStringLiteral("office")), rtfFile});

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n%d paragraphs, %lld bytes of RTF\n", paragraphs, qlonglong(QFile(rtfFile).size()));
    auto perSecond = [&](const char *name, int pages) {
        const auto it = reporter.seconds.find(name);
        if (it == reporter.seconds.end() || it->second <= 0 || pages <= 0)
            return 0.0;
        const double rate = pages / it->second;
        std::printf("%-16s %4d pages in %8.1f ms: %7.1f pages/s\n", name, pages, it->second * 1e3, rate);
        return rate;
    };
    const double velmo = perSecond("VelmoPrintPdf", velmoPages);
    const double office = perSecond("LibreOfficePdf", officePages);
    if (velmo <= 0 || office <= 0) {
        std::fprintf(stderr, "could not measure both printers: see above\n");
        return 1;
    }
    std::printf("Velmo prints %.2fx the pages per second of LibreOffice\n", velmo / office);
    return 0;
}
