// The editing engine on a 10 MB Shift-JIS text document against the same work on a 1 KB
// one, so that the ratio shows what the document's size costs (the machine is shared and
// noisy; absolute times are printed as well).
//   open       LoadFromStream of the bytes (decode, document, position index)
//   keystroke  one typed character at the start, middle or end plus the queries the status
//              bar makes after it (GetRow, GetColumn, GetTextLength); median per keystroke.
//              "index" is the engine's own share: the same insertion into the document and
//              the same queries answered by the position index, without Qt's layout;
//              "widget" is the whole control, where stock Qt re-lays the rest of the
//              document after each edit.
//   query      GetTextLength + LineFromChar + LineIndex at random positions
//   find       a string that occurs only at the end
#include "editor/extmemo.h"
#include "editor/positionindex.h"
#include "platform/cp932codec.h"
#include "support/sampledocument.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace velmo;

namespace {

using bench::kEndMarker;
using bench::makeDocument;

const std::string &bigDocument()
{
    static const std::string doc = makeDocument(10u << 20);
    return doc;
}

const std::string &smallDocument()
{
    static const std::string doc = makeDocument(1u << 10);
    return doc;
}

void BM_Open(benchmark::State &state, const std::string *bytes)
{
    for (auto _ : state) {
        TExtMemo memo;
        memo.SetWordWrap(false);
        memo.SetPlainText(true);
        memo.LoadFromStream(*bytes);
        benchmark::DoNotOptimize(memo.GetTextLength());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes->size()));
}

// Median cost of one keystroke plus the status bar's queries.
void BM_Keystroke(benchmark::State &state, const std::string *bytes, int where, bool wrap, int strokes)
{
    TExtMemo memo;
    memo.resize(800, 600);
    memo.SetPlainText(true);
    memo.SetWordWrap(wrap);
    memo.LoadFromStream(*bytes);
    if (wrap) {
        memo.EditArea().SetEnabled(true);
        memo.EditArea().SetWidth(641);
    }
    const int length = memo.GetTextLength();
    const int start = where == 0 ? 0 : where == 1 ? memo.LineIndex(memo.LineFromChar(length / 2)) : length;
    memo.SetSelStart(start);
    memo.GetLineCount(); // settle the layout once before timing
    std::vector<double> costs;
    for (auto _ : state) {
        costs.clear();
        for (int i = 0; i < strokes; ++i) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            const auto t0 = std::chrono::steady_clock::now();
            QApplication::sendEvent(&memo, &key);
            benchmark::DoNotOptimize(memo.GetRow());
            benchmark::DoNotOptimize(memo.GetColumn());
            benchmark::DoNotOptimize(memo.GetTextLength());
            costs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    state.counters["median_us"] = costs[costs.size() / 2];
}

// The position index's share of a keystroke: insert one character into the document and
// answer the status bar's queries (row, column, length) from the index.
void BM_IndexKeystroke(benchmark::State &state, const std::string *bytes, int where, int strokes)
{
    TRichEdit loader;
    loader.SetPlainText(true);
    loader.LoadFromStream(*bytes);
    QTextDocument document;
    document.setPlainText(loader.document()->toPlainText());
    editor::PositionIndex index(&document);
    const std::int64_t length = index.textLength();
    std::int64_t pos = where == 0 ? 0 : where == 1 ? index.line(index.lineFromByte(length / 2)).start : length;
    QTextCursor cursor(&document);
    cursor.setPosition(index.qtPos(pos));
    std::vector<double> costs;
    for (auto _ : state) {
        costs.clear();
        for (int i = 0; i < strokes; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            cursor.insertText(QStringLiteral("a"));
            pos = index.bytePos(cursor.position());
            const int row = index.lineFromByte(pos);
            benchmark::DoNotOptimize(pos - index.line(row).start);
            benchmark::DoNotOptimize(index.textLength());
            costs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    state.counters["median_us"] = costs[costs.size() / 2];
}

void BM_Queries(benchmark::State &state, const std::string *bytes, bool wrap)
{
    TExtMemo memo;
    memo.resize(800, 600);
    memo.SetPlainText(true);
    memo.SetWordWrap(wrap);
    memo.LoadFromStream(*bytes);
    if (wrap) {
        memo.EditArea().SetEnabled(true);
        memo.EditArea().SetWidth(641);
    }
    const int length = memo.GetTextLength();
    const int lines = memo.GetLineCount();
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pos(0, length), line(0, lines);
    for (auto _ : state) {
        benchmark::DoNotOptimize(memo.GetTextLength());
        benchmark::DoNotOptimize(memo.LineFromChar(pos(random)));
        benchmark::DoNotOptimize(memo.LineIndex(line(random)));
    }
}

void BM_FindAtEnd(benchmark::State &state, const std::string *bytes)
{
    TExtMemo memo;
    memo.SetWordWrap(false);
    memo.SetPlainText(true);
    memo.LoadFromStream(*bytes);
    for (auto _ : state) {
        const int found = memo.FindText(kEndMarker, 0, -1, FR_DOWN);
        if (found < 0)
            state.SkipWithError("marker not found");
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes->size()));
}

// Prints, after the table, each 10 MB figure as a ratio to its 1 KB baseline.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const auto median = run.counters.find("median_us");
            const double value = median != run.counters.end() ? double(median->second)
                                                              : run.real_accumulated_time / double(run.iterations);
            m_values[run.benchmark_name()] = value;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n10 MB against 1 KB (ratio of median keystroke or time per iteration):\n");
        for (const auto &[name, value] : m_values) {
            const auto at = name.find("/10MB");
            if (at == std::string::npos)
                continue;
            std::string baseline = name;
            baseline.replace(at, 5, "/1KB");
            for (const auto &[other, base] : m_values) {
                if (other.rfind(baseline.substr(0, baseline.find("/iterations")), 0) == 0 && base > 0) {
                    std::printf("  %-40s %10.1fx\n", name.substr(0, name.find("/iterations")).c_str(), value / base);
                    break;
                }
            }
        }
    }

private:
    std::map<std::string, double> m_values;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string *big = &bigDocument();
    const std::string *small = &smallDocument();
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("open/1KB", BM_Open, small)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("open/10MB", BM_Open, big)->Unit(benchmark::kMillisecond)->Iterations(3);
    const char *where[] = {"start", "middle", "end"};
    const auto name = [](const char *a, const char *b, const char *c) { return std::string(a) + b + c; };
    for (int w = 0; w < 3; ++w) {
        RegisterBenchmark(name("keystroke/index/1KB/", where[w], "").c_str(), BM_IndexKeystroke, small, w, 1000)
            ->Iterations(1)->Unit(benchmark::kMillisecond);
        RegisterBenchmark(name("keystroke/index/10MB/", where[w], "").c_str(), BM_IndexKeystroke, big, w, 1000)
            ->Iterations(1)->Unit(benchmark::kMillisecond);
    }
    // The whole control: Qt's layout of the rest of the document dominates at 10 MB, so
    // fewer strokes there (the median is what is reported).
    for (bool wrap : {false, true}) {
        for (int w = 0; w < 3; ++w) {
            const char *mode = wrap ? "wrap/" : "nowrap/";
            RegisterBenchmark(name("keystroke/widget/1KB/", mode, where[w]).c_str(), BM_Keystroke, small, w, wrap, 1000)
                ->Iterations(1)->Unit(benchmark::kMillisecond);
            RegisterBenchmark(name("keystroke/widget/10MB/", mode, where[w]).c_str(), BM_Keystroke, big, w, wrap, 30)
                ->Iterations(1)->Unit(benchmark::kMillisecond);
        }
    }
    RegisterBenchmark("query/1KB/nowrap", BM_Queries, small, false);
    RegisterBenchmark("query/10MB/nowrap", BM_Queries, big, false);
    RegisterBenchmark("query/1KB/wrap", BM_Queries, small, true);
    RegisterBenchmark("query/10MB/wrap", BM_Queries, big, true);
    RegisterBenchmark("find/1KB", BM_FindAtEnd, small)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("find/10MB", BM_FindAtEnd, big)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
