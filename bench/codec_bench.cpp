// Shift-JIS decode and encode of 10 MB of Japanese text. The baseline, measured in the same
// run, is the iconv program converting the same bytes as a whole process: what a user would
// otherwise wait for. The figures that matter are the printed ratios; the machines are
// shared and absolute times wander.
#include "platform/cp932codec.h"

#include "support/benchsupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iconv.h>
#include <map>
#include <random>
#include <string>
#include <unistd.h>


namespace {

constexpr std::size_t kTextBytes = 10 * 1024 * 1024;

// Prose the way a Japanese document holds it: kanji and kana, full-width punctuation, some
// ASCII (names, numbers, addresses), now and then half-width katakana, CR LF line ends.
const std::string &japaneseText()
{
    static const std::string bytes = [] {
        const std::u16string pieces[] = {
            u"\u4ECA\u65E5\u306F\u671D\u304B\u3089\u96E8\u304C\u964D\u3063\u3066\u3044\u307E\u3059\u3002",
            u"\u4F1A\u8B70\u306F\u5348\u5F8C\uFF13\u6642\u304B\u3089\u7B2C\uFF12\u4F1A\u8B70\u5BA4\u3067\u884C\u3044\u307E\u3059\u3002",
            u"\u8CC7\u6599\u306E\u6700\u65B0\u7248\u306F https://example.jp/docs/ \u306B\u7F6E\u304D\u307E\u3057\u305F\u3002",
            u"\u898B\u7A4D\u3082\u308A\u91D1\u984D\uFF1A 1,280,000\u5186\uFF08\u7A0E\u8FBC\uFF09",
            u"\u300C\u3042\u308A\u304C\u3068\u3046\u3054\u3056\u3044\u307E\u3059\u300D\u3068\u5F7C\u5973\u306F\u8A00\u3063\u305F\u3002",
            u"\uFF7B\uFF70\uFF8B\uFF9E\uFF7D\u7A93\u53E3\u306E\u53D7\u4ED8\u6642\u9593\u3092\u5909\u66F4\u3057\u307E\u3059\u3002",
            u"\u2460\u3000\u8981\u4EF6\u5B9A\u7FA9\u3001\u2461\u3000\u8A2D\u8A08\u3001\u2462\u3000\u8A66\u9A13",
            u"Velmo 0.1 \u3067\u4FDD\u5B58\u3057\u305F\u30D5\u30A1\u30A4\u30EB\u3092\u958B\u304D\u307E\u3059\u3002",
            u"\u6771\u4EAC\u90FD\u5343\u4EE3\u7530\u533A\u4E38\u306E\u5185\u4E00\u4E01\u76EE\uFF11\u756A\uFF11\u53F7",
            u"\u3088\u308D\u3057\u304F\u304A\u9858\u3044\u3044\u305F\u3057\u307E\u3059\u3002",
        };
        std::string encoded[std::size(pieces)];
        for (std::size_t i = 0; i < std::size(pieces); ++i)
            encoded[i] = velmo::cp932::encode(pieces[i]).bytes;
        std::mt19937 random(932);
        std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1), lineLength(1, 4);
        std::string text;
        text.reserve(kTextBytes + 256);
        while (text.size() < kTextBytes) {
            for (std::size_t n = lineLength(random); n > 0; --n)
                text += encoded[pick(random)];
            text += "\r\n";
        }
        return text;
    }();
    return bytes;
}

const std::u16string &decodedText()
{
    static const std::u16string text = velmo::cp932::decode(japaneseText());
    return text;
}

void setBytes(benchmark::State &state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * japaneseText().size()));
}

void Cp932Decode(benchmark::State &state)
{
    const std::string &bytes = japaneseText();
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::cp932::decode(bytes));
    setBytes(state);
}

void Cp932Encode(benchmark::State &state)
{
    const std::u16string &text = decodedText();
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::cp932::encode(text));
    setBytes(state);
}

void Cp932ByteLength(benchmark::State &state)
{
    const std::u16string &text = decodedText();
    for (auto _ : state)
        benchmark::DoNotOptimize(velmo::cp932::byteLength(text));
    setBytes(state);
}

// iconv inside this process, one call over the whole buffer: the library's own pace.
void IconvInProcessDecode(benchmark::State &state)
{
    const std::string &bytes = japaneseText();
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    std::string out(bytes.size() * 2, '\0');
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(bytes.data());
        std::size_t inLeft = bytes.size();
        char *outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        benchmark::DoNotOptimize(outPtr);
    }
    iconv_close(cd);
    setBytes(state);
}

// The iconv program over the same bytes, timed from spawn to exit.
void IconvProcessDecode(benchmark::State &state)
{
    char path[] = "/tmp/velmo-codec-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, japaneseText().data(), japaneseText().size()) != static_cast<ssize_t>(japaneseText().size())) {
        state.SkipWithError("cannot write the sample file");
        return;
    }
    close(fd);
    velmo::bench::timeProcess(state, {"iconv", "-f", "CP932", "-t", "UTF-8", path});
    unlink(path);
    setBytes(state);
}

BENCHMARK(Cp932Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(Cp932Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(Cp932ByteLength)->Unit(benchmark::kMillisecond);
BENCHMARK(IconvInProcessDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(IconvProcessDecode)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    velmo::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double mb = static_cast<double>(japaneseText().size()) / 1e6;
    const auto baseline = reporter.seconds.find("IconvProcessDecode");
    std::printf("\n%.1f MB of Shift-JIS\n", mb);
    for (const auto &[name, s] : reporter.seconds) {
        if (s <= 0)
            continue;
        std::printf("%-22s %9.1f MB/s", name.c_str(), mb / s);
        if (baseline != reporter.seconds.end() && baseline->second > 0)
            std::printf("   %6.2fx the iconv program", baseline->second / s);
        std::printf("\n");
    }
    return 0;
}
