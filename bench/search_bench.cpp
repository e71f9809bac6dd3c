// Find over a 10 MB Shift-JIS text document whose only occurrence of the string is at its end.
//   FindForward      the find dialog's forward search, from the start (text read each time)
//   FindForwardWarm  the same with the document unchanged since the last search
//   FindBackward     the before-the-caret range with the caret at the end: a forward scan
//                    of the whole document without overlap
//   EngineFindText   the editing engine's own find, paragraph by paragraph, for comparison
//   GrepProcess      grep -F -c on the same bytes in a file: the baseline
#include "editor/richedit.h"
#include "platform/cp932codec.h"
#include "search/textfinder.h"
#include "support/benchsupport.h"
#include "support/sampledocument.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <memory>

using namespace velmo;

namespace {

using bench::kEndMarker;
using bench::makeDocument;

const std::string &document()
{
    static const std::string doc = makeDocument(10u << 20);
    return doc;
}

TRichEdit &bigEditor()
{
    static TRichEdit *edit = [] {
        auto *e = new TRichEdit;
        e->SetPlainText(true);
        e->SetWordWrap(false);
        e->LoadFromStream(document());
        return e;
    }();
    return *edit;
}

void check(benchmark::State &state, int found)
{
    if (found < 0)
        state.SkipWithError("marker not found");
    benchmark::DoNotOptimize(found);
}

void FindForward(benchmark::State &state)
{
    TRichEdit &edit = bigEditor();
    for (auto _ : state) {
        TTextFinder finder(edit);
        check(state, finder.Find(kEndMarker, 0, -1, FR_MATCHCASE));
    }
}

void FindForwardWarm(benchmark::State &state)
{
    TRichEdit &edit = bigEditor();
    TTextFinder finder(edit);
    finder.Find(kEndMarker, 0, -1, FR_MATCHCASE);
    for (auto _ : state)
        check(state, finder.Find(kEndMarker, 0, -1, FR_MATCHCASE));
}

void FindBackward(benchmark::State &state)
{
    TRichEdit &edit = bigEditor();
    const int end = edit.GetTextLength();
    for (auto _ : state) {
        TTextFinder finder(edit);
        check(state, finder.FindLastBefore(kEndMarker, end, FR_MATCHCASE));
    }
}

void EngineFindText(benchmark::State &state)
{
    TRichEdit &edit = bigEditor();
    for (auto _ : state)
        check(state, edit.FindText(kEndMarker, 0, -1, FR_MATCHCASE));
}

std::string &documentFile()
{
    static std::string path;
    return path;
}

void GrepProcess(benchmark::State &state)
{
    const std::string marker = cp932::encode(kEndMarker.toStdU16String()).bytes;
    bench::timeProcess(state, {"grep", "-F", "-c", marker, documentFile()});
}

} // namespace

BENCHMARK(FindForward)->Unit(benchmark::kMillisecond);
BENCHMARK(FindForwardWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(FindBackward)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineFindText)->Unit(benchmark::kMillisecond);
BENCHMARK(GrepProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    documentFile() = dir.filePath(QStringLiteral("doc.txt")).toStdString();
    std::ofstream(documentFile(), std::ios::binary) << document();
    bigEditor(); // loaded before anything is timed

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto grep = reporter.seconds.find("GrepProcess");
    if (grep == reporter.seconds.end() || grep->second <= 0 || reporter.failed) {
        std::fprintf(stderr, "could not measure every search against grep: see above\n");
        return 1;
    }
    std::printf("\n%.1f MB of Shift-JIS, the string only at the end\n", double(document().size()) / 1e6);
    for (const auto &[name, s] : reporter.seconds) {
        std::printf("%-16s %8.2f ms", name.c_str(), s * 1e3);
        if (s > 0)
            std::printf("   %5.2fx grep -F -c", s / grep->second);
        std::printf("\n");
    }
    return 0;
}
