// Start-up with a large document, from starting the process to a window whose caption names
// the document: Velmo with a 1.5 MB Shift-JIS text file against FeatherPad, and with a 2.5 MB
// formatted RTF file against AbiWord, all in the same run on the same display.
// Run under an X server without a window manager: xvfb-run -a build/bench_documents
#include "benchsupport.h"
#include "platform/cp932codec.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

QTemporaryDir *folder = nullptr;
QString textFile, rtfFile, velmoProgram;

std::string sjis(const char16_t *text)
{
    return velmo::cp932::encode(text).bytes;
}

// Japanese prose with some ASCII, CR LF line ends, until the file holds `size` bytes.
void writeText(const QString &path, qsizetype size)
{
    const std::string line = sjis(u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                                  u"Velmo 1.5 MB sample, line ") ;
    QByteArray bytes;
    for (int n = 0; bytes.size() < size; ++n)
        bytes += QByteArray::fromStdString(line) + QByteArray::number(n) + "\r\n";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// Paragraphs with bold, italic, coloured and resized runs of Japanese text written as
// \'hh escapes, as word processors write them, until the file holds `size` bytes.
void writeRtf(const QString &path, qsizetype size)
{
    auto escaped = [](const std::string &bytes) {
        QByteArray out;
        for (unsigned char c : bytes)
            out += c < 0x80 ? QByteArray(1, char(c)) : "\\'" + QByteArray::number(c, 16);
        return out;
    };
    const QByteArray cat = escaped(sjis(u"吾輩は猫である。名前はまだ無い。"));
    const QByteArray where = escaped(sjis(u"どこで生れたかとんと見当がつかぬ。"));
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
                     + escaped(sjis(u"ＭＳ 明朝")) + ";}{\\f1\\fswiss Arial;}}"
                     "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\n";
    for (int n = 0; rtf.size() < size; ++n) {
        rtf += "\\pard\\q" + QByteArray(n % 3 == 0 ? "l" : n % 3 == 1 ? "c" : "r")
               + "\\li" + QByteArray::number(n % 5 * 240) + "\\f0\\fs21 " + cat
               + "{\\b\\cf1 " + where + "}{\\i\\fs28 " + cat + "}{\\ul\\cf2\\f1 Arial "
               + QByteArray::number(n) + "}\\par\n";
    }
    rtf += "}";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(rtf);
}

// The captions of every window on the display.
QByteArray windowNames()
{
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    tree.waitForFinished(5000);
    return tree.readAllStandardOutput();
}

// Starts the program on the file and waits until a window's caption names the file.
void timeToWindow(benchmark::State &state, const QString &program, const QStringList &arguments,
                  const QString &file)
{
    const QByteArray name = QDir(file).dirName().toUtf8();
    for (auto _ : state) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        const auto start = std::chrono::steady_clock::now();
        process.start(program, arguments + QStringList{file});
        const QDeadlineTimer deadline(60000);
        bool shown = false;
        while (!shown && !deadline.hasExpired() && process.state() != QProcess::NotRunning)
            shown = windowNames().contains(name);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        process.kill();
        process.waitForFinished(10000);
        if (!shown) {
            state.SkipWithError(("no window named the file: " + program).toStdString().c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_VelmoText(benchmark::State &state) { timeToWindow(state, velmoProgram, {}, textFile); }
void BM_FeatherPadText(benchmark::State &state)
{
    timeToWindow(state, QStringLiteral("featherpad"), {QStringLiteral("--standalone")}, textFile);
}
void BM_VelmoRtf(benchmark::State &state) { timeToWindow(state, velmoProgram, {}, rtfFile); }
void BM_AbiWordRtf(benchmark::State &state) { timeToWindow(state, QStringLiteral("abiword"), {}, rtfFile); }

} // namespace

BENCHMARK(BM_FeatherPadText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VelmoText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AbiWordRtf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VelmoRtf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs an X display: xvfb-run -a %s\n", argv[0]);
        return 1;
    }
    QTemporaryDir dir;
    folder = &dir;
    textFile = dir.filePath(QStringLiteral("sample-text.txt"));
    rtfFile = dir.filePath(QStringLiteral("sample-formatted.rtf"));
    writeText(textFile, 1536 * 1024);
    writeRtf(rtfFile, 2560 * 1024);
    // A copy of the program with a settings file of its own, so that this is not a first
    // start (which would open the guide instead of the file).
    QDir(dir.path()).mkdir(QStringLiteral("program"));
    velmoProgram = dir.filePath(QStringLiteral("program/velmo"));
    QFile::copy(QStringLiteral(VELMO_PROGRAM), velmoProgram);
    QFile ini(dir.filePath(QStringLiteral("program/velmo.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Velmo]\r\nVersion=2.66\r\n");
    ini.close();

    benchmark::Initialize(&argc, argv);
    velmo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto ratio = [&](const char *name, const char *ours, const char *peer) {
        const double a = reporter.seconds[ours], b = reporter.seconds[peer];
        if (a > 0 && b > 0)
            std::printf("%s: Velmo %.0f ms, peer %.0f ms, ratio %.2f\n", name, a * 1000, b * 1000, a / b);
    };
    std::printf("sizes: text %lld bytes, RTF %lld bytes\n", qlonglong(QFile(textFile).size()),
                qlonglong(QFile(rtfFile).size()));
    ratio("1.5 MB Shift-JIS text vs FeatherPad", "BM_VelmoText", "BM_FeatherPadText");
    ratio("2.5 MB formatted RTF vs AbiWord", "BM_VelmoRtf", "BM_AbiWordRtf");
    return 0;
}
