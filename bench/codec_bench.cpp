// Shift-JIS decode and encode of 10 MB of Japanese prose. The baseline is glibc's iconv
// converting the same bytes in this same process (one call over the whole buffer: the
// library's own pace, with no program start-up or file I/O counted), measured in
// alternating rounds with the codec. The printed ratios are the figures that matter; the
// machines are shared and absolute times wander.
#include "platform/cp932codec.h"

#include "support/japaneseprose.h"
#include "support/rounds.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <iconv.h>
#include <string>

namespace {

constexpr std::size_t kTextBytes = 10 * 1024 * 1024;

template <typename F>
double seconds(F &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One iconv call over the whole input, into a buffer allocated beforehand.
double iconvOnce(iconv_t cd, const char *data, std::size_t size, std::string &out)
{
    return seconds([&] {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(data);
        std::size_t inLeft = size;
        char *outPtr = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        benchmark::DoNotOptimize(outPtr);
    });
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 15;
    if (argc > 1)
        rounds = std::max(1, std::atoi(argv[1]));
    // The prose, encoded, cut to the size on a line end.
    std::string bytes;
    {
        std::u16string text = velmo::bench::japaneseText(kTextBytes / 2 + 1024);
        bytes = velmo::cp932::encode(text).bytes;
        while (bytes.size() < kTextBytes)
            bytes += bytes.substr(0, kTextBytes - bytes.size());
        bytes.resize(bytes.rfind("\r\n", kTextBytes) + 2);
    }
    const std::u16string text = velmo::cp932::decode(bytes);

    iconv_t toUtf16 = iconv_open("UTF-16LE", "CP932");
    iconv_t toCp932 = iconv_open("CP932", "UTF-16LE");
    if (toUtf16 == iconv_t(-1) || toCp932 == iconv_t(-1)) {
        std::fprintf(stderr, "iconv has no CP932 here: no baseline\n");
        return 2;
    }
    std::string utf16(bytes.size() * 2, '\0'), cp932(text.size() * 2, '\0');
    const char *textData = reinterpret_cast<const char *>(text.data());

    velmo::bench::Rounds results;
    const bool ok = results.run(
        {
            {"Cp932Decode", [&] { return seconds([&] { benchmark::DoNotOptimize(velmo::cp932::decode(bytes)); }); }},
            {"IconvDecode", [&] { return iconvOnce(toUtf16, bytes.data(), bytes.size(), utf16); }},
            {"Cp932Encode", [&] { return seconds([&] { benchmark::DoNotOptimize(velmo::cp932::encode(text)); }); }},
            {"IconvEncode", [&] { return iconvOnce(toCp932, textData, text.size() * 2, cp932); }},
            {"Cp932ByteLength",
             [&] { return seconds([&] { benchmark::DoNotOptimize(velmo::cp932::byteLength(text)); }); }},
        },
        rounds);
    iconv_close(toUtf16);
    iconv_close(toCp932);
    if (!ok)
        return 1;

    std::printf("%.1f MB of Shift-JIS (%zu paragraphs of manual-page prose), %d alternating rounds\n",
                double(bytes.size()) / 1e6, velmo::bench::japaneseParagraphs().size(), rounds);
    std::printf("%-52s %13s %13s\n", "", "Velmo", "iconv");
    results.printRatio("decode Shift-JIS to UTF-16 (ratio: time / iconv's)", "Cp932Decode", "IconvDecode");
    results.printRatio("encode UTF-16 to Shift-JIS", "Cp932Encode", "IconvEncode");
    std::printf("%-52s %10.2f ms\n", "byte length of the text (editor positions)",
                results.median("Cp932ByteLength") * 1000);
    return 0;
}
