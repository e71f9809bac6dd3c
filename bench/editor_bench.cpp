// The editing engine on a 10 MB Shift-JIS text and a 6 MB RTF document against the same
// work on a 1 KB one, so that the ratio shows what the document's size costs (the machine
// is shared and noisy; absolute times are printed as well).
//   open       LoadFromStream of the bytes (decode, document, position index)
//   keystroke  one typed character at the start, middle or end, the queries the status
//              bar makes after it (GetRow, GetColumn, GetTextLength) and the repaint of the
//              visible area, wrapped at the window's edge; median per keystroke. A
//              keystroke re-lays out its paragraph, so its cost grows with the paragraph's
//              length (para_chars): besides the raw ratio against the end of 1 KB (a short
//              paragraph), the 10 MB middle is also compared with the same paragraph at the
//              end of the 1 KB document (middle-same), like with like.
//              "index" is the byte index's own share, without any layout.
//   enter, join  Enter, and Backspace joining two lines, at the start (median).
//   ctrl+end   Ctrl+End in a freshly opened wrapped document and the status bar's row
//              (exact: every paragraph before the caret laid out).
//   query      GetTextLength + LineFromChar + LineIndex at random positions
//   find       a string that occurs only at the end
#include "editor/documentlayout.h"
#include "editor/extmemo.h"
#include "editor/positionindex.h"
#include "platform/cp932codec.h"
#include "support/sampledocument.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
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

// Formatted RTF of about `bytes` bytes: paragraphs of Japanese in two faces and several
// sizes, bold, italic and coloured runs, some centred or indented.
std::string makeRtf(std::size_t bytes)
{
    const auto hex = [](const std::u16string &text) {
        std::string out;
        char buf[8];
        for (unsigned char b : cp932::encode(text).bytes) {
            if (b < 0x80 && b != '\\' && b != '{' && b != '}') {
                out += char(b);
            } else {
                std::snprintf(buf, sizeof buf, "\\'%02x", b);
                out += buf;
            }
        }
        return out;
    };
    const std::string runs[] = {
        "\\f0\\fs21 " + hex(u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"),
        "{\\b\\fs28 " + hex(u"何でも薄暗いじめじめした所で") + "}",
        "{\\i\\f1\\fs20 The quick brown fox jumps over the lazy dog. }",
        "{\\cf1 " + hex(u"ニャーニャー泣いていた事だけは記憶している。") + "}",
        "{\\ul\\fs24 " + hex(u"吾輩はここで始めて人間というものを見た。") + "}",
    };
    const std::string paragraphs[] = {"\\pard\\ql ", "\\pard\\qc ", "\\pard\\li720\\fi-360 ", "\\pard\\qr "};
    std::string out = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 IPAMincho;}"
                      "{\\f1\\fswiss\\fcharset0 Arial;}}{\\colortbl;\\red200\\green0\\blue0;}\n";
    for (std::size_t n = 0; out.size() < bytes; ++n) {
        out += paragraphs[n % std::size(paragraphs)];
        for (std::size_t r = 0; r < 3 + n % 4; ++r)
            out += runs[(n + r) % std::size(runs)];
        out += "\\par\n";
    }
    out += "}";
    return out;
}

const std::string &bigRtf()
{
    static const std::string doc = makeRtf(6u << 20);
    return doc;
}

const std::string &smallRtf()
{
    static const std::string doc = makeRtf(1u << 10);
    return doc;
}

double median(std::vector<double> &costs)
{
    std::nth_element(costs.begin(), costs.begin() + std::ptrdiff_t(costs.size() / 2), costs.end());
    return costs[costs.size() / 2];
}

// A shown editor wrapped at its window's edge, holding the document.
std::unique_ptr<TExtMemo> openWrapped(const std::string &bytes, bool rich)
{
    auto memo = std::make_unique<TExtMemo>();
    memo->resize(800, 600);
    memo->SetPlainText(!rich);
    memo->SetWordWrap(true);
    memo->LoadFromStream(bytes);
    memo->EditArea().SetEnabled(true);
    memo->EditArea().SetWidth(641);
    memo->show();
    memo->viewport()->repaint();
    return memo;
}

void sendKey(QWidget &to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&to, &press);
}

// What the window does after each key: the status bar's questions and the repaint.
void afterKey(TExtMemo &memo)
{
    benchmark::DoNotOptimize(memo.GetRow());
    benchmark::DoNotOptimize(memo.GetColumn());
    benchmark::DoNotOptimize(memo.GetTextLength());
    memo.viewport()->repaint();
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

// Where the keystrokes go: 0 start, 1 middle (the start of the display line half-way),
// 2 end.
int keystrokeStart(TExtMemo &memo, int where)
{
    const int length = memo.GetTextLength();
    return where == 0 ? 0 : where == 1 ? memo.LineIndex(memo.LineFromChar(length / 2)) : length;
}

// The paragraph the middle keystrokes of a document go to, and where in it (characters).
std::pair<QString, int> middleParagraph(const std::string &bytes, bool rich)
{
    const auto memo = openWrapped(bytes, rich);
    memo->SetSelStart(keystrokeStart(*memo, 1));
    const QTextCursor c = memo->textCursor();
    return {c.block().text(), c.positionInBlock()};
}

// Median cost of one keystroke plus the status bar's queries and the repaint. With
// `same`, the keystrokes go to the paragraph of `*same`'s middle keystrokes, put at the end
// of the document (the same paragraph at another size).
void BM_Keystroke(benchmark::State &state, const std::string *bytes, bool rich, int where, int strokes,
                  const std::string *same = nullptr)
{
    std::string document = *bytes;
    std::pair<QString, int> typedIn;
    if (same) {
        typedIn = middleParagraph(*same, rich);
        document += "\r\n" + cp932::encode(typedIn.first.toStdU16String()).bytes;
    }
    const auto memo = openWrapped(document, rich);
    if (same) {
        QTextCursor c = memo->textCursor();
        c.setPosition(memo->document()->lastBlock().position() + typedIn.second);
        memo->setTextCursor(c);
    } else {
        memo->SetSelStart(keystrokeStart(*memo, where));
    }
    memo->ScrollCaret();
    afterKey(*memo); // the rows up to the caret are laid out once, before timing
    const QTextBlock paragraph = memo->textCursor().block();
    state.counters["para_chars"] = double(paragraph.length() - 1);
    std::vector<double> costs;
    for (auto _ : state) {
        costs.clear();
        for (int i = 0; i < strokes; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            sendKey(*memo, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            afterKey(*memo);
            costs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    state.counters["median_us"] = median(costs);
}

// Enter at the start, then Backspace joining the two lines again: medians of each.
void BM_EnterJoin(benchmark::State &state, const std::string *bytes, bool enter, int strokes)
{
    const auto memo = openWrapped(*bytes, false);
    memo->SetSelStart(0);
    afterKey(*memo);
    std::vector<double> costs;
    for (auto _ : state) {
        costs.clear();
        for (int i = 0; i < strokes; ++i) {
            if (!enter) {
                sendKey(*memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
                afterKey(*memo);
            }
            const auto t0 = std::chrono::steady_clock::now();
            if (enter)
                sendKey(*memo, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            else
                sendKey(*memo, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
            afterKey(*memo);
            costs.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
            if (enter) {
                sendKey(*memo, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
                afterKey(*memo);
            }
        }
    }
    state.counters["median_us"] = median(costs);
}

// Ctrl+End in a document just opened, to the status bar's (exact) row and the repaint.
void BM_CtrlEnd(benchmark::State &state, const std::string *bytes)
{
    for (auto _ : state) {
        state.PauseTiming();
        const auto memo = openWrapped(*bytes, false);
        state.ResumeTiming();
        sendKey(*memo, Qt::Key_End, Qt::ControlModifier);
        afterKey(*memo);
        state.PauseTiming();
        if (memo->GetRow() + 1 != memo->GetLineCount())
            state.SkipWithError("the row after Ctrl+End is not the last line");
        state.ResumeTiming();
    }
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
    document.setDocumentLayout(new editor::DocumentLayout(&document));
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
    state.counters["median_us"] = median(costs);
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
                                                              : run.real_accumulated_time / double(run.iterations) * 1e6;
            m_values[run.benchmark_name()] = value;
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nLarge against 1 KB (ratio of median keystroke or time per iteration; keystrokes also\n"
                    "against the end of the 1 KB document):\n");
        const auto valueOf = [this](const std::string &prefix) -> double {
            for (const auto &[other, value] : m_values)
                if (other.rfind(prefix, 0) == 0)
                    return value;
            return 0;
        };
        for (const auto &[name, value] : m_values) {
            std::string size = "/10MB";
            auto at = name.find(size);
            if (at == std::string::npos)
                at = name.find(size = "/6MB");
            if (at == std::string::npos)
                continue;
            const std::string base = name.substr(0, name.find("/iterations"));
            std::string same = base;
            same.replace(at, size.size(), "/1KB");
            const double b = valueOf(same);
            std::printf("  %-34s %10.1f us  %8.2fx", base.c_str(), value, b > 0 ? value / b : 0.0);
            if (base.rfind("keystroke/", 0) == 0) {
                const double end = valueOf(same.substr(0, same.rfind('/')) + "/end");
                if (end > 0)
                    std::printf("  %8.2fx of 1 KB end", value / end);
                // The raw ratio above compares paragraphs of different lengths (the cost of a
                // keystroke grows with its paragraph's); this one types into the same paragraph.
                const double like = valueOf(same + "-same");
                if (like > 0)
                    std::printf("  %8.2fx of the same paragraph in 1 KB", value / like);
            }
            std::printf("\n");
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
    // The whole control, wrapped at the window's edge, text and RTF.
    for (bool rich : {false, true}) {
        const std::string *bigOne = rich ? &bigRtf() : big;
        const std::string *smallOne = rich ? &smallRtf() : small;
        const char *kind = rich ? "rtf/" : "text/";
        if (!rich) {
            // Like with like: the 10 MB text's middle paragraph at the end of the 1 KB one.
            RegisterBenchmark("keystroke/text/1KB/middle-same", BM_Keystroke, smallOne, rich, 1, 300, bigOne)
                ->Iterations(1)->Unit(benchmark::kMillisecond);
        }
        for (int w = 0; w < 3; ++w) {
            RegisterBenchmark((name("keystroke/", kind, "1KB/") + where[w]).c_str(), BM_Keystroke, smallOne, rich, w, 300, nullptr)
                ->Iterations(1)->Unit(benchmark::kMillisecond);
            RegisterBenchmark((name("keystroke/", kind, rich ? "6MB/" : "10MB/") + where[w]).c_str(), BM_Keystroke, bigOne, rich, w, 300, nullptr)
                ->Iterations(1)->Unit(benchmark::kMillisecond);
        }
    }
    RegisterBenchmark("enter/1KB", BM_EnterJoin, small, true, 200)->Iterations(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("enter/10MB", BM_EnterJoin, big, true, 200)->Iterations(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("join/1KB", BM_EnterJoin, small, false, 200)->Iterations(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("join/10MB", BM_EnterJoin, big, false, 200)->Iterations(1)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("ctrl+end/1KB", BM_CtrlEnd, small)->Iterations(5)->Unit(benchmark::kMillisecond);
    RegisterBenchmark("ctrl+end/10MB", BM_CtrlEnd, big)->Iterations(3)->Unit(benchmark::kMillisecond);
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
