// Reading and writing a 6 MB Japanese RTF document. The baseline, measured in the same run,
// is AbiWord converting the same file to text as a whole process (abiword --to=txt): the
// rate a user of another program waits for. The printed ratios matter; absolute times
// wander on shared machines.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include "support/benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <string>
#include <unistd.h>


namespace {

using namespace velmo::rtf;

constexpr std::size_t kRtfBytes = 6 * 1024 * 1024;

// A long Japanese document as people write them: paragraphs of prose in ＭＳ 明朝 with
// now and then a bold, coloured or larger phrase, a run of Arial, some half-width katakana
// and ASCII, centred headings and indented or bulleted paragraphs.
const Document &sampleDocument()
{
    static const Document doc = [] {
        const std::u16string sentences[] = {
            u"今日は朝から雨が降っています。", u"会議は午後３時から第２会議室で行います。",
            u"資料の最新版は https://example.jp/docs/ に置きました。",
            u"見積もり金額： 1,280,000円（税込）", u"「ありがとうございます」と彼女は言った。",
            u"ｻｰﾋﾞｽ窓口の受付時間を変更します。", u"①　要件定義、②　設計、③　試験",
            u"東京都千代田区丸の内一丁目１番１号", u"よろしくお願いいたします。",
        };
        CharFormat body;
        body.face = u"ＭＳ 明朝";
        body.charset = kShiftJisCharset;
        body.pitchAndFamily = kFixedPitch | kFamilyModern;
        body.sizeHalfPoints = 21;
        CharFormat bold = body;
        bold.bold = true;
        CharFormat red = body;
        red.colour = rgb(255, 0, 0);
        CharFormat large = body;
        large.sizeHalfPoints = 28;
        large.underline = true;
        CharFormat latin = body;
        latin.face = u"Arial";
        latin.charset = kAnsiCharset;
        latin.pitchAndFamily = kVariablePitch | kFamilySwiss;
        const CharFormat *accents[] = {&bold, &red, &large, &latin};

        std::mt19937 random(20261210);
        Document d;
        d.defaultFormat = body;
        // Paragraphs are added until the written RTF reaches the size.
        const auto addParagraph = [&] {
            Paragraph p;
            const unsigned kind = random() % 10;
            p.align = kind == 0 ? Alignment::Centre : Alignment::Left;
            p.bullet = kind == 1;
            p.leftIndentTwips = kind == 2 ? 420 : 0;
            for (unsigned n = 1 + random() % 6; n > 0; --n) {
                const std::u16string &s = sentences[random() % std::size(sentences)];
                appendText(p, s, random() % 4 == 0 ? *accents[random() % std::size(accents)] : body);
            }
            d.paragraphs.push_back(std::move(p));
        };
        while (velmo::rtf::write(d).size() < kRtfBytes)
            for (int i = 0; i < 1000; ++i)
                addParagraph();
        return d;
    }();
    return doc;
}

const std::string &sampleRtf()
{
    static const std::string rtf = velmo::rtf::write(sampleDocument());
    return rtf;
}

void setBytes(benchmark::State &state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sampleRtf().size()));
}

void RtfRead(benchmark::State &state)
{
    const std::string &rtf = sampleRtf();
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::rtf::read(rtf));
    setBytes(state);
}

void RtfWrite(benchmark::State &state)
{
    const Document &doc = sampleDocument();
    sampleRtf();
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::rtf::write(doc));
    setBytes(state);
}

// abiword --to=txt over the same file, timed from spawn to exit.
void AbiWordProcessToText(benchmark::State &state)
{
    if (!velmo::bench::onPath("abiword")) {
        state.SkipWithError("AbiWord is not installed: no baseline, no ratios");
        return;
    }
    char dir[] = "/tmp/velmo-rtf-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const std::string in = std::string(dir) + "/sample.rtf";
    const std::string out = std::string(dir) + "/sample.txt";
    const int fd = open(in.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string &rtf = sampleRtf();
    if (fd < 0 || ::write(fd, rtf.data(), rtf.size()) != static_cast<ssize_t>(rtf.size())) {
        state.SkipWithError("cannot write the sample file");
        return;
    }
    close(fd);
    velmo::bench::timeProcess(state, {"abiword", "--to=txt", "--to-name=" + out, in});
    unlink(in.c_str());
    unlink(out.c_str());
    rmdir(dir);
    setBytes(state);
}

BENCHMARK(RtfRead)->Unit(benchmark::kMillisecond);
BENCHMARK(RtfWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(AbiWordProcessToText)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    velmo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double mb = static_cast<double>(sampleRtf().size()) / 1e6;
    const auto baseline = reporter.seconds.find("AbiWordProcessToText");
    const bool haveBaseline = baseline != reporter.seconds.end() && baseline->second > 0;
    std::printf("\n%.1f MB of Japanese RTF, %zu paragraphs\n", mb, sampleDocument().paragraphs.size());
    for (const auto &[name, s] : reporter.seconds) {
        if (s <= 0)
            continue;
        std::printf("%-22s %9.1f MB/s", name.c_str(), mb / s);
        if (haveBaseline)
            std::printf("   %6.2fx AbiWord's rate", baseline->second / s);
        std::printf("\n");
    }
    if (!haveBaseline)
        std::printf("(no ratios: AbiWord is not installed or failed; the goal is a reader at "
                    "least 10x its rate)\n");
    return 0;
}
