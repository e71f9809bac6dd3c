// Replays a fuzz target's seed corpus through its LLVMFuzzerTestOneInput. A target reports a
// broken rule by aborting, so the name of each input is printed before it runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

TEST(FuzzCorpus, EveryInputKeepsTheTargetsRules)
{
    std::vector<std::filesystem::path> inputs;
    for (const auto &entry : std::filesystem::directory_iterator(VELMO_CORPUS))
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    ASSERT_FALSE(inputs.empty()) << "no seeds in " << VELMO_CORPUS;
    std::sort(inputs.begin(), inputs.end());
    for (const auto &path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::fprintf(stderr, "replaying %s\n", path.filename().c_str());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()), 0)
            << path;
    }
}
