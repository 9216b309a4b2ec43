// Runs a fuzz target once on every file of the directories (or the files) named, the way
// libFuzzer runs one input, without libFuzzer: the ordinary builds replay the seed corpora and
// every input that ever failed a target. A failed check aborts with the file's name printed
// first; at least one input must have run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs_named(const fs::path& path) {
    std::vector<fs::path> inputs;
    if (fs::is_regular_file(path)) {
        inputs.push_back(path);
    } else if (fs::is_directory(path)) {
        for (const auto& entry : fs::directory_iterator(path))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                inputs.push_back(entry.path());
        std::sort(inputs.begin(), inputs.end());
    } else {
        // A regressions directory appears with the first regression.
        std::printf("%s: not there, nothing to replay\n", path.c_str());
    }
    return inputs;
}

} // namespace

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& input : inputs_named(argv[i])) {
            std::ifstream file(input, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
            std::fprintf(stderr, "replaying %s\n", input.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::fprintf(stderr, "%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
