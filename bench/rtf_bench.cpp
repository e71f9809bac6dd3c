// Reading a 6 MB Japanese RTF document written by LibreOffice, as word processors write
// them, and writing the document back. The baseline is another program's RTF reader on the
// very same file: AbiWord converting it to text, less AbiWord converting a small document
// of the same make (its start-up and the fixed part of its work), measured in alternating
// rounds with Velmo's reader. The printed ratio is the figure that matters.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include "support/benchsupport.h"
#include "support/rounds.h"
#include "support/samplefiles.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

template <typename F>
double seconds(F &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// abiword --to=txt on `in`, from spawn to exit; -1 when it fails.
double abiWordOnce(const std::string &in, const std::string &out)
{
    const auto start = std::chrono::steady_clock::now();
    if (!velmo::bench::runProcess({"abiword", "--to=txt", "--to-name=" + out, in}))
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 5;
    if (argc > 1)
        rounds = std::max(1, std::atoi(argv[1]));
    if (!velmo::bench::onPath("abiword")) {
        std::fprintf(stderr, "AbiWord is not installed: no baseline (run scripts/benchsetup.sh)\n");
        return 2;
    }
    const std::string big = velmo::bench::libreOfficeRtf(6u << 20);
    const std::string small = velmo::bench::libreOfficeRtf(16u << 10);
    if (big.empty() || small.empty())
        return 2;
    const std::string rtf = velmo::bench::readFile(big);
    const velmo::rtf::ReadResult result = velmo::rtf::read(rtf);
    const velmo::rtf::Document &document = result.document;
    if (!result.ok() || document.paragraphs.size() < 1000) {
        std::fprintf(stderr, "the RTF sample reads as %zu paragraphs (%s): something is wrong\n",
                     document.paragraphs.size(), result.message.c_str());
        return 1;
    }
    char folder[] = "/tmp/velmo-rtf-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string out = std::string(folder) + "/out.txt";

    velmo::bench::Rounds results;
    const bool ok = results.run(
        {
            {"VelmoRead", [&] { return seconds([&] { benchmark::DoNotOptimize(velmo::rtf::read(rtf)); }); }},
            {"AbiWordBig", [&] { return abiWordOnce(big, out); }},
            {"AbiWordSmall", [&] { return abiWordOnce(small, out); }},
            {"VelmoWrite", [&] { return seconds([&] { benchmark::DoNotOptimize(velmo::rtf::write(document)); }); }},
        },
        rounds);
    unlink(out.c_str());
    rmdir(folder);
    if (!ok)
        return 1;

    const double velmoRead = results.median("VelmoRead");
    const double abiWordRead = results.median("AbiWordBig") - results.median("AbiWordSmall");
    const double mb = double(rtf.size()) / 1e6;
    std::printf("%.1f MB RTF written by LibreOffice (%s), %zu paragraphs, %d alternating rounds\n", mb,
                big.c_str(), document.paragraphs.size(), rounds);
    std::printf("Velmo reads it in      %9.1f ms  (%6.1f MB/s)\n", velmoRead * 1000, mb / velmoRead);
    std::printf("AbiWord reads it in    %9.1f ms  (%.1f ms for the file, %.1f ms for a small one of the "
                "same make; includes its text export)\n",
                abiWordRead * 1000, results.median("AbiWordBig") * 1000, results.median("AbiWordSmall") * 1000);
    if (abiWordRead > 0)
        std::printf("reader ratio: Velmo's time / AbiWord's = %.3f (AbiWord takes %.1fx as long)\n",
                    velmoRead / abiWordRead, abiWordRead / velmoRead);
    std::printf("Velmo writes it back in %8.1f ms  (%6.1f MB/s, no peer)\n", results.median("VelmoWrite") * 1000,
                mb / results.median("VelmoWrite"));
    return 0;
}
