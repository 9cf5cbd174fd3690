// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target without libFuzzer: every file of the corpus folders given, then a fixed
// number of variants of them (cut, bytes flipped, pieces repeated). The suite uses it so every
// target keeps building and running with the project's own compiler; the search for new inputs
// is libFuzzer's, in the fuzz preset.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int variantsPerSeed = 200;

void runOne(const std::string& input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

std::string variantOf(const std::string& seed, std::mt19937& random)
{
    std::string variant = seed;
    const auto pick = [&random](size_t bound) {
        return bound == 0 ? 0 : std::uniform_int_distribution<size_t>(0, bound - 1)(random);
    };
    switch (pick(4)) {
    case 0:
        variant.resize(pick(variant.size() + 1));
        break;
    case 1:
        for (int flips = 0; flips < 4 && !variant.empty(); ++flips)
            variant[pick(variant.size())] = static_cast<char>(pick(256));
        break;
    case 2:
        if (!variant.empty()) {
            const size_t start = pick(variant.size());
            variant.insert(pick(variant.size()), variant.substr(start, pick(64)));
        }
        break;
    default:
        variant.insert(pick(variant.size() + 1), 1, "\"{}[]|\\\n\0\xff"[pick(11)]);
        break;
    }
    return variant;
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> seeds;
    for (int index = 1; index < argc; ++index) {
        const std::filesystem::path root(argv[index]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(root)) {
            for (const auto& entry : std::filesystem::directory_iterator(root))
                files.push_back(entry.path());
        } else {
            files.push_back(root);
        }
        for (const std::filesystem::path& file : files) {
            std::ifstream stream(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(stream),
                               std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) {
        std::fputs("no seed inputs found\n", stderr);
        return 1;
    }
    std::mt19937 random(20240607);
    runOne({});
    for (const std::string& seed : seeds) {
        runOne(seed);
        for (int variant = 0; variant < variantsPerSeed; ++variant)
            runOne(variantOf(seed, random));
    }
    std::printf("%zu seeds, %zu inputs\n", seeds.size(), seeds.size() * (variantsPerSeed + 1) + 1);
    return 0;
}
